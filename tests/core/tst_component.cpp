// The component model: names, ownership, free notifications and loading.

#include "Component.h"
#include "Exceptions.h"

#include <QTest>

namespace {

// Records the notifications it receives.
class Watcher : public TComponent {
public:
    using TComponent::TComponent;
    QList<TComponentBase *> Removed;
    bool Throw = false;
    void Notification(TComponentBase *component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == TOperation::opRemove)
            Removed.append(component);
        if (Throw)
            throw Exception(QStringLiteral("notification failed"));
    }
};

QStringList gLoadOrder;

class Loader : public TComponent {
public:
    using TComponent::TComponent;
    void Loaded() override {
        TComponent::Loaded();
        gLoadOrder.append(Name());
    }
};

QStringList gReported;
void Record(const std::exception_ptr &e) {
    gReported.append(ExceptionMessage(e));
}

} // namespace

class TstComponent : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesAreUniquePerOwner() {
        TComponent owner;
        auto *a = new TComponent(&owner);
        auto *b = new TComponent(&owner);
        a->SetName(QStringLiteral("CodeServer"));
        QVERIFY_THROWS_EXCEPTION(EComponentError, b->SetName(QStringLiteral("codeserver")));
        QVERIFY_THROWS_EXCEPTION(EComponentError, b->SetName(QStringLiteral("1abc")));
        QVERIFY_THROWS_EXCEPTION(EComponentError, b->SetName(QStringLiteral("has space")));
        b->SetName(QStringLiteral("VCLServer"));
        QCOMPARE(owner.FindComponent(QStringLiteral("CODESERVER")), a);
        QCOMPARE(owner.FindComponent(QStringLiteral("nothing")), nullptr);
        QCOMPARE(owner.ComponentCount(), 2);
        QCOMPARE(a->Owner(), &owner);
        // Components of different owners may share a name.
        TComponent other;
        auto *c = new TComponent(&other);
        c->SetName(QStringLiteral("CodeServer"));
        QCOMPARE(c->Name(), QStringLiteral("CodeServer"));
    }

    void freeNotificationBothWays() {
        Watcher watcher;
        auto *watched = new TComponent;
        watcher.FreeNotification(watched);
        TComponentBase *address = watched;
        delete watched;
        QCOMPARE(watcher.Removed, QList<TComponentBase *>{address});

        // When the watcher goes first, the watched one must not call it later.
        auto *early = new Watcher;
        auto *late = new TComponent;
        early->FreeNotification(late);
        delete early;
        delete late; // would touch freed memory if the link were one-way

        // RemoveFreeNotification ends the link.
        auto *quiet = new TComponent;
        watcher.Removed.clear();
        watcher.FreeNotification(quiet);
        watcher.RemoveFreeNotification(quiet);
        delete quiet;
        QVERIFY(watcher.Removed.isEmpty());
    }

    void errorsInNotificationsAreReported() {
        SetErrorReporter(&Record);
        gReported.clear();
        Watcher watcher;
        watcher.Throw = true;
        auto *watched = new TComponent;
        watcher.FreeNotification(watched);
        delete watched; // the error cannot leave a destructor; it is reported instead
        QCOMPARE(gReported, QStringList{QStringLiteral("notification failed")});
        SetErrorReporter(nullptr);
    }

    void loadingFinishesChildrenFirst() {
        gLoadOrder.clear();
        Loader root;
        root.SetName(QStringLiteral("Root"));
        root.SetLoading(true);
        auto *child = new Loader(&root);
        child->SetName(QStringLiteral("Child"));
        auto *grandChild = new Loader(child);
        grandChild->SetName(QStringLiteral("GrandChild"));
        QVERIFY(child->IsLoading()); // created under a loading owner
        QVERIFY(grandChild->IsLoading());
        FinishLoading(&root);
        QCOMPARE(gLoadOrder, (QStringList{"GrandChild", "Child", "Root"}));
        QVERIFY(!root.IsLoading() && !child->IsLoading() && !grandChild->IsLoading());
        // Components made after loading are not loading.
        auto *late = new Loader(&root);
        QVERIFY(!late->IsLoading());
    }
};

QTEST_GUILESS_MAIN(TstComponent)
#include "tst_component.moc"
