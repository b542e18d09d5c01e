#include "Component.h"

#include "Exceptions.h"

#include <QDebug>

namespace {

TErrorReporter gReporter = nullptr;

bool IsValidIdent(const QString &name) {
    if (name.isEmpty())
        return false;
    if (!(name[0].isLetter() || name[0] == u'_'))
        return false;
    for (const QChar c : name)
        if (!(c.isLetterOrNumber() || c == u'_'))
            return false;
    return true;
}

} // namespace

TComponentBase::~TComponentBase() {
    Destroying();
}

void TComponentBase::SetName(const QString &name) {
    if (name == Name())
        return;
    if (!name.isEmpty()) {
        if (!IsValidIdent(name))
            throw EComponentError(
                Format(QStringLiteral("'%s' is not a valid component name"), {name}));
        if (TComponentBase *owner = Owner()) {
            TComponentBase *other = owner->FindComponent(name);
            if (other && other != this)
                throw EComponentError(
                    Format(QStringLiteral("A component named %s already exists"), {name}));
        }
    }
    AsObject()->setObjectName(name);
}

QString TComponentBase::ClassName() const {
    return QString::fromLatin1(AsObject()->metaObject()->className());
}

TComponentBase *TComponentBase::Owner() const {
    return ComponentOf(AsObject()->parent());
}

QList<TComponentBase *> TComponentBase::Components() const {
    QList<TComponentBase *> result;
    for (QObject *child : AsObject()->children())
        if (TComponentBase *c = ComponentOf(child))
            result.append(c);
    return result;
}

TComponentBase *TComponentBase::FindComponent(const QString &name) const {
    if (name.isEmpty())
        return nullptr;
    for (TComponentBase *c : Components())
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponentBase::FreeNotification(TComponentBase *component) {
    if (!component || component == this)
        return;
    if (!FFreeNotifies.contains(component))
        FFreeNotifies.append(component);
    if (!component->FFreeNotifies.contains(this))
        component->FFreeNotifies.append(this);
}

void TComponentBase::RemoveFreeNotification(TComponentBase *component) {
    FFreeNotifies.removeAll(component);
    if (component)
        component->FFreeNotifies.removeAll(this);
}

void TComponentBase::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove)
        FFreeNotifies.removeAll(component);
}

void TComponentBase::Destroying() noexcept {
    if (FDestroying)
        return;
    FDestroying = true;
    // Each notified component forgets this one; take them off the list one at a time, since a
    // receiver may itself change the lists.
    while (!FFreeNotifies.isEmpty()) {
        TComponentBase *other = FFreeNotifies.takeLast();
        other->FFreeNotifies.removeAll(this);
        try {
            other->Notification(this, TOperation::opRemove);
        } catch (...) {
            ReportError(std::current_exception());
        }
    }
}

bool OwnerIsLoading(QObject *object) {
    for (QObject *o = object; o; o = o->parent())
        if (TComponentBase *c = ComponentOf(o))
            return c->IsLoading();
    return false;
}

void FinishLoading(TComponentBase *root) {
    if (!root)
        return;
    const QList<QObject *> children = root->AsObject()->findChildren<QObject *>();
    // findChildren lists parents before their children; walk backwards so that children
    // finish first.
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        if (TComponentBase *c = ComponentOf(*it); c && c->IsLoading())
            c->Loaded();
    root->Loaded();
}

TComponent::TComponent(QObject *owner) : QObject(owner) {
    if (TComponentBase *o = ComponentOf(owner); o && o->IsLoading())
        SetLoading(true);
}

TComponent::~TComponent() {
    Destroying();
}

void SetErrorReporter(TErrorReporter reporter) {
    gReporter = reporter;
}

void ReportError(const std::exception_ptr &error) noexcept {
    try {
        if (gReporter) {
            gReporter(error);
            return;
        }
        qWarning().noquote() << ExceptionMessage(error);
    } catch (...) {
        qWarning("An error occurred while reporting an error");
    }
}
