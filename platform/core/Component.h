#pragma once
// The component model. A component has an owner (its QObject parent), a Name (its object
// name, unique among the owner's components, compared without regard to letter case), a Tag,
// free notifications (a component asks to be told when another one goes away) and a loading
// flag that stays set until the form or module that holds it has been built and Loaded() ran.
//
// TComponentBase is the part shared by non-visual components (TComponent, on QObject) and
// forms (TForm in platform/ui, on QWidget).

#include <QList>
#include <QObject>
#include <QString>

enum class TOperation { opInsert, opRemove };

class TComponentBase {
public:
    TComponentBase() = default;
    TComponentBase(const TComponentBase &) = delete;
    TComponentBase &operator=(const TComponentBase &) = delete;
    virtual ~TComponentBase();

    virtual QObject *AsObject() = 0;
    const QObject *AsObject() const { return const_cast<TComponentBase *>(this)->AsObject(); }

    QString Name() const { return AsObject()->objectName(); }
    // Raises EComponentError when the name is not an identifier or another component of the
    // same owner already has it.
    void SetName(const QString &name);
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    // The class name the system knows this component by.
    virtual QString ClassName() const;

    // The owning component, if the owner is one.
    TComponentBase *Owner() const;
    // The components this one owns directly, in creation order.
    QList<TComponentBase *> Components() const;
    int ComponentCount() const { return static_cast<int>(Components().size()); }
    // An owned component by name, any letter case; nullptr when none.
    TComponentBase *FindComponent(const QString &name) const;

    bool IsLoading() const { return FLoading; }
    bool IsDestroying() const { return FDestroying; }
    void SetLoading(bool loading) { FLoading = loading; }
    // Called once the form or module holding the component has been built.
    virtual void Loaded() { FLoading = false; }

    // Asks to be told (through Notification with opRemove) when `component` goes away. The
    // link is mutual: whichever of the two goes first is forgotten by the other.
    void FreeNotification(TComponentBase *component);
    void RemoveFreeNotification(TComponentBase *component);
    // Points a link of this component at `target`: no longer told about the old target, told
    // when the new one goes (Notification then clears the link).
    template <class T> void SetLink(T *&link, T *target) {
        if (link == target)
            return;
        if (link)
            RemoveFreeNotification(link);
        link = target;
        if (target)
            FreeNotification(target);
    }
    virtual void Notification(TComponentBase *component, TOperation operation);

protected:
    // Tells every component that asked about this one that it is going away. Concrete classes
    // call it first thing in their destructor, while the object is still whole; it runs once.
    void Destroying() noexcept;

private:
    int FTag = 0;
    bool FLoading = false;
    bool FDestroying = false;
    QList<TComponentBase *> FFreeNotifies;
};

// The component behind a QObject, or nullptr.
inline TComponentBase *ComponentOf(QObject *object) {
    return dynamic_cast<TComponentBase *>(object);
}

// Whether the nearest component at or above `object` (its owner for a control placed in a
// form's widgets) is still loading; controls created while their form is built start loading.
bool OwnerIsLoading(QObject *object);

// Calls Loaded() on every component below `root` that is still loading, children before
// parents, and finally on root itself.
void FinishLoading(TComponentBase *root);

// A non-visual component.
class TComponent : public QObject, public TComponentBase {
    Q_OBJECT
public:
    explicit TComponent(QObject *owner = nullptr);
    ~TComponent() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;
};

// Reports an error that cannot be raised where it happened (in a destructor or a notification)
// to the one place that shows errors to the user. The user interface layer installs the
// reporter; without one the message goes to the log.
using TErrorReporter = void (*)(const std::exception_ptr &error);
void SetErrorReporter(TErrorReporter reporter);
void ReportError(const std::exception_ptr &error) noexcept;
