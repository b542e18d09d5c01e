// Forms, the application's form list and message dispatch, dock areas, and the error display.

#include "Application.h"
#include "DockArea.h"
#include "Exceptions.h"
#include "Form.h"
#include "TestMain.h"

#include <QStatusTipEvent>
#include <QTimer>

namespace {

// A form that records the messages it gets and may fail or close another form on one.
class Receiver : public TForm {
    Q_OBJECT
public:
    explicit Receiver(QString name, QStringList *log) : FLog(log) {
        SetName(std::move(name));
        SetMessageHandler(100, [this](TMessage &m) {
            FLog->append(Name());
            m.Result = 1; // a handler's answer reaches only a sender that asks
            if (Fail)
                throw Exception(QStringLiteral("handler failed on ") + Name());
            if (CloseOnMessage)
                delete CloseOnMessage;
        });
    }
    bool Fail = false;
    TForm *CloseOnMessage = nullptr;

private:
    QStringList *FLog;
};

class OtherKind : public TForm {
    Q_OBJECT
public:
    explicit OtherKind(QStringList *log) {
        SetMessageHandler(100, [log](TMessage &) { log->append(QStringLiteral("other")); });
    }
};

TForm *MakeFreeOnClose(const QString &caption, QSize size) {
    auto *form = new TForm;
    form->SetCaption(caption);
    form->resize(size);
    form->OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
    return form;
}

} // namespace

class TstForms : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Application()->DestroyForms(); }

    void formsAreListedInCreationOrder() {
        auto *a = new TForm;
        auto *b = new TForm;
        auto *c = new TForm;
        QCOMPARE(Application()->Forms(), (QList<TForm *>{a, b, c}));
        delete b;
        QCOMPARE(Application()->Forms(), (QList<TForm *>{a, c}));
        QVERIFY(Application()->Owns(a));
        QVERIFY(!Application()->Owns(b));
    }

    void broadcastReachesEveryFormInOrder() {
        QStringList log;
        auto *first = new Receiver(QStringLiteral("First"), &log);
        new OtherKind(&log);
        new Receiver(QStringLiteral("Second"), &log);
        TMessage m;
        m.Msg = 100;
        Application()->Broadcast(m, TForm::staticMetaObject);
        QCOMPARE(log, (QStringList{"First", "other", "Second"}));
        QCOMPARE(m.Result, 0);
        // Only forms of the given class.
        log.clear();
        Application()->Broadcast(m, Receiver::staticMetaObject);
        QCOMPARE(log, (QStringList{"First", "Second"}));
        // Messages without a handler are ignored.
        m.Msg = 999;
        Application()->Broadcast(m, TForm::staticMetaObject);
        Q_UNUSED(first);
    }

    // A question goes to the forms until one answers: the others do not hear it.
    void askingEndsAtTheFirstAnswer() {
        QStringList log;
        new OtherKind(&log);
        new Receiver(QStringLiteral("First"), &log);
        new Receiver(QStringLiteral("Second"), &log);
        TMessage m;
        m.Msg = 100;
        QCOMPARE(Application()->Ask(m, TForm::staticMetaObject), 1);
        QCOMPARE(log, (QStringList{"other", "First"}));
        m.Msg = 999; // nobody answers
        QCOMPARE(Application()->Ask(m, TForm::staticMetaObject), 0);
    }

    void handlerErrorStopsDelivery() {
        QStringList log;
        new Receiver(QStringLiteral("A"), &log);
        auto *b = new Receiver(QStringLiteral("B"), &log);
        new Receiver(QStringLiteral("C"), &log);
        b->Fail = true;
        TMessage m;
        m.Msg = 100;
        try {
            Application()->Broadcast(m, TForm::staticMetaObject);
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("handler failed on B"));
        }
        QCOMPARE(log, (QStringList{"A", "B"}));
    }

    void formsFreedDuringDeliveryAreSkipped() {
        QStringList log;
        auto *a = new Receiver(QStringLiteral("A"), &log);
        auto *b = new Receiver(QStringLiteral("B"), &log);
        a->CloseOnMessage = b;
        TMessage m;
        m.Msg = 100;
        Application()->Broadcast(m, TForm::staticMetaObject);
        QCOMPARE(log, QStringList{"A"});
    }

    void dockingMakesAPageAndFloatingUndoesIt() {
        TDockArea area;
        TForm *form = MakeFreeOnClose(QStringLiteral("學生基本資料"), QSize(300, 200));
        form->ManualDock(&area);
        QCOMPARE(form->HostDockSite(), &area);
        QCOMPARE(area.DockClientCount(), 1);
        QCOMPARE(area.DockClients(0), form);
        QCOMPARE(area.tabText(0), QStringLiteral("學生基本資料"));
        QVERIFY(!form->isWindow());
        QCOMPARE(form->UndockWidth(), 300);
        form->SetCaption(QStringLiteral("新標題"));
        QCOMPARE(area.tabText(0), QStringLiteral("新標題"));

        // Docking into another area leaves the first.
        TDockArea other;
        form->ManualDock(&other);
        QCOMPARE(area.DockClientCount(), 0);
        QCOMPARE(other.DockClientCount(), 1);

        form->ManualFloat(QRect(40, 50, 320, 240));
        QVERIFY(form->isWindow());
        QCOMPARE(form->HostDockSite(), nullptr);
        QCOMPARE(other.DockClientCount(), 0);
        QCOMPARE(form->UndockWidth(), 320);
        QCOMPARE(form->UndockHeight(), 240);
        QVERIFY(Application()->Owns(form)); // floating or docked, the form stays the application's
    }

    void closingADockedFormRemovesItsPage() {
        TDockArea area;
        QPointer<TForm> a = MakeFreeOnClose(QStringLiteral("A"), QSize(100, 100));
        TForm *b = MakeFreeOnClose(QStringLiteral("B"), QSize(100, 100));
        a->ManualDock(&area);
        b->ManualDock(&area);
        QCOMPARE(area.ActivePage(), area.PageOf(b));
        Q_EMIT area.tabCloseRequested(0); // the user closes the first tab
        QTRY_VERIFY(a.isNull());
        QTRY_COMPARE(area.count(), 1);
        QCOMPARE(area.DockClients(0), b);
        // Show on a docked form brings its page to the front.
        TForm *c = MakeFreeOnClose(QStringLiteral("C"), QSize(100, 100));
        c->ManualDock(&area);
        b->Show();
        QCOMPARE(area.ActivePage(), area.PageOf(b));
    }

    void closeActions() {
        QPointer<TForm> hidden = new TForm;
        hidden->show();
        hidden->close(); // the default hides
        QVERIFY(!hidden.isNull());
        QVERIFY(!hidden->isVisible());

        QPointer<TForm> kept = new TForm;
        kept->OnCloseQuery = [](bool &canClose) { canClose = false; };
        kept->show();
        kept->close();
        QVERIFY(kept->isVisible());

        QPointer<TForm> freed = MakeFreeOnClose(QStringLiteral("F"), QSize(10, 10));
        freed->show();
        freed->close();
        QTRY_VERIFY(freed.isNull());
    }

    void uncaughtErrorsReachTheErrorDisplay() {
        QStringList shown;
        Application()->OnException = [&shown](const QString &message) { shown.append(message); };
        QTimer::singleShot(0, [] { throw Exception(QStringLiteral("錯誤訊息")); });
        QTimer::singleShot(0, [] { Abort(); }); // silent
        QTimer::singleShot(0, [] { throw std::runtime_error("plain"); });
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown, (QStringList{"錯誤訊息", "plain"}));
        Application()->OnException = nullptr;
    }

    void statusTipsBecomeTheHint() {
        int calls = 0;
        Application()->OnHint = [&calls] { ++calls; };
        TForm form;
        form.setStatusTip(QStringLiteral("說明文字"));
        QStatusTipEvent tip(form.statusTip());
        QCoreApplication::sendEvent(&form, &tip);
        QCOMPARE(Application()->Hint(), QStringLiteral("說明文字"));
        QCOMPARE(calls, 1);
        Application()->OnHint = nullptr;
    }
};

LUM_TEST_MAIN(TstForms)
#include "tst_forms.moc"
