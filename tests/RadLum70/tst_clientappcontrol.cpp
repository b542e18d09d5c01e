// The job-package registry with real packages: starting, re-showing, failing, closing and
// unloading jobs.

#include "TestMain.h"
#include "uClientAppControl.h"
#include "uLumMessages.h"

#include <QSignalSpy>

namespace {

const QString kDir = QStringLiteral(LUM_TEST_PACKAGE_DIR);
QString Fixture(const char *name) {
    return kDir + u'/' + QString::fromLatin1(name);
}

// Receives the dock message that shown jobs send.
class DockListener : public TForm {
    Q_OBJECT
public:
    DockListener() {
        SetMessageHandler(WM_DOCKCLIENTFORM,
                          [this](TMessage &m) { Docked.append(m.WParamAs<TForm>()); });
    }
    QList<TForm *> Docked;
};

} // namespace

class TstClientAppControl : public QObject {
    Q_OBJECT
    QStringList FErrors;

    // Closes every running job and waits until all of them are unloaded.
    void CloseAllAndWait() {
        ClientExecuteManager->CloseAllClientApps();
        QTRY_VERIFY(ClientExecuteManager->Entries().isEmpty());
        QTRY_COMPARE(UnloadPackageThread->QueueCount(), 0);
        QTRY_VERIFY(UnloadPackageThread->Suspended());
    }

private Q_SLOTS:
    void init() {
        // The program's main window exists before any job starts.
        if (!Application()->MainForm())
            Application()->CreateForm<TForm>();
        FErrors.clear();
        Application()->OnException = [this](const QString &m) { FErrors.append(m); };
        ClientExecuteManager->Closing = false;
        ClientExecuteManager->RunPath.clear();
        ClientExecuteManager->OnLoadAppCtrl = nullptr;
        ClientExecuteManager->OnFreeAppCtrl = nullptr;
    }
    void cleanup() {
        // Handlers of a finished test refer to its locals.
        ClientExecuteManager->OnLoadAppCtrl = nullptr;
        ClientExecuteManager->OnFreeAppCtrl = nullptr;
        CloseAllAndWait();
    }

    void startingAJobMakesOneEntry() {
        DockListener listener;
        QList<TClientAppControl *> loaded;
        ClientExecuteManager->OnLoadAppCtrl = [&loaded](TClientAppControl *c) { loaded.append(c); };
        TClientAppControl *entry =
            ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        QVERIFY(entry);
        QCOMPARE(entry->AppName, QStringLiteral("TstJobA.bpl"));
        QCOMPARE(entry->ClassName(), QStringLiteral("TTstJobA"));
        QVERIFY(entry->Package != 0);
        QVERIFY(entry->LogFlag);
        QVERIFY(entry->Form);
        QVERIFY(Application()->Owns(entry->Form));
        QCOMPARE(loaded, QList<TClientAppControl *>{entry});
        QCOMPARE(listener.Docked,
                 QList<TForm *>{entry->Form.data()}); // a dockable form asks to dock
        QVERIFY(entry->GetRuningTime().Value() >= 0.0);

        // The second start shows the same form again and only updates LogFlag.
        TClientAppControl *again =
            ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), false);
        QCOMPARE(again, entry);
        QVERIFY(!entry->LogFlag);
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(listener.Docked.size(), 2);
        QCOMPARE(ClientExecuteManager->Entries().size(), 1);
    }

    void lettersCaseDoesNotMakeANewJob() {
        TClientAppControl *entry =
            ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        // The file under this spelling does not exist: the running entry is found by class.
        QCOMPARE(ClientExecuteManager->ExecuteClientApp(Fixture("tstjoba.BPL"), true), entry);
        QCOMPARE(ClientExecuteManager->FindClientAppByName(QStringLiteral("TSTJOBA.bpl")), entry);
        QCOMPARE(ClientExecuteManager->FindClientAppByClass(QStringLiteral("ttstjoba")), entry);
        QCOMPARE(ClientExecuteManager->FindClientAppByForm(entry->Form), entry);
        QCOMPARE(ClientExecuteManager->FindClientAppByName(QStringLiteral("TstJobB.bpl")), nullptr);
    }

    void runPathIsPutInFront() {
        ClientExecuteManager->RunPath = kDir;
        TClientAppControl *entry =
            ClientExecuteManager->ExecuteClientApp(QStringLiteral("TstJobB.bpl"), true);
        QVERIFY(entry);
        QCOMPARE(PackageFileName(entry->Package), Fixture("TstJobB.bpl"));
    }

    void missingClassUnloadsThePackage() {
        const int classes = RegisteredClassCount();
        try {
            ClientExecuteManager->ExecuteClientApp(Fixture("TstNoClass.bpl"), true);
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("類別未登錄"));
        }
        QVERIFY(!GetClass(QStringLiteral("TSomethingElse"))); // its other class went with it
        QCOMPARE(RegisteredClassCount(), classes);
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
    }

    void missingPackageRaisesTheLoaderError() {
        QVERIFY_THROWS_EXCEPTION(
            EPackageError, ClientExecuteManager->ExecuteClientApp(Fixture("Nowhere.bpl"), true));
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
    }

    void failedFormLeavesNoEntry() {
        const int forms = Application()->ComponentCount();
        for (int attempt = 0; attempt < 2; ++attempt) {
            QCOMPARE(ClientExecuteManager->ExecuteClientApp(Fixture("TstBadForm.bpl"), true),
                     nullptr);
            QVERIFY(ClientExecuteManager->Entries().isEmpty());
            QCOMPARE(Application()->ComponentCount(), forms);
        }
        // The user is told why the job did not start.
        QCOMPARE(FErrors, QStringList(2, QStringLiteral("無法建立前端作業:TstBadForm.bpl")));
    }

    void aJobShownAgainComesBackNormal() {
        TClientAppControl *entry =
            ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        QVERIFY(entry && entry->Form);
        TForm *form = entry->Form;
        QVERIFY(form->isWindow());
        form->showMaximized();
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        // Started again from the job tree: the same form, shown normal.
        QCOMPARE(ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true), entry);
        QVERIFY(!(form->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)));
        QVERIFY(form->isVisible());
    }

    void aJobThatMakesNoFormLeavesNoEntry() {
        const int forms = Application()->ComponentCount();
        QCOMPARE(ClientExecuteManager->ExecuteClientApp(Fixture("TstNoForm.bpl"), true), nullptr);
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
        QCOMPARE(Application()->ComponentCount(), forms);
        QCOMPARE(FErrors, QStringList{QStringLiteral("無法建立前端作業:TstNoForm.bpl")});
        // Tried again: the same answer, still no entry.
        QCOMPARE(ClientExecuteManager->ExecuteClientApp(Fixture("TstNoForm.bpl"), true), nullptr);
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
    }

    void closingAFormUnloadsItsPackage() {
        QList<TClientAppControl *> freed;
        ClientExecuteManager->OnFreeAppCtrl = [&freed](TClientAppControl *c) { freed.append(c); };
        QSignalSpy unloaded(ClientExecuteManager, &TClientExecuteManager::PackageUnloaded);
        TClientAppControl *entry =
            ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        QPointer<TForm> f = entry->Form;
        entry->ClientAppClose();
        qDebug() << "visible after close" << (f ? f->isVisible() : false);
        QTRY_VERIFY(f.isNull());
        QTRY_COMPARE(unloaded.size(), 1);
        QCOMPARE(unloaded[0][0].toString(), QStringLiteral("TstJobA.bpl"));
        QCOMPARE(freed, QList<TClientAppControl *>{entry});
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
        QVERIFY(!GetClass(QStringLiteral("TTstJobA")));

        // The job starts again afterwards, with a fresh entry.
        TClientAppControl *again =
            ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        QVERIFY(again);
        QVERIFY(again->Form);
    }

    void twoFormsUnloadInTheOrderTheyClosed() {
        QSignalSpy unloaded(ClientExecuteManager, &TClientExecuteManager::PackageUnloaded);
        TClientAppControl *a = ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        TClientAppControl *b = ClientExecuteManager->ExecuteClientApp(Fixture("TstJobB.bpl"), true);
        b->ClientAppClose();
        a->ClientAppClose();
        QTRY_COMPARE(unloaded.size(), 2);
        QCOMPARE(unloaded[0][0].toString(), QStringLiteral("TstJobB.bpl"));
        QCOMPARE(unloaded[1][0].toString(), QStringLiteral("TstJobA.bpl"));
    }

    void closingStateFreesEntriesAtOnce() {
        QSignalSpy unloaded(ClientExecuteManager, &TClientExecuteManager::PackageUnloaded);
        bool freeCalled = false;
        ClientExecuteManager->OnFreeAppCtrl = [&freeCalled](TClientAppControl *) {
            freeCalled = true;
        };
        TClientAppControl *a = ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        ClientExecuteManager->ExecuteClientApp(Fixture("TstJobB.bpl"), true);
        const TPackageHandle package = a->Package;
        ClientExecuteManager->Closing = true;
        Application()->DestroyForms(); // the main window going away frees every form
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
        QCOMPARE(UnloadPackageThread->QueueCount(), 0);
        QVERIFY(!freeCalled);
        QTest::qWait(50);
        QCOMPARE(unloaded.size(), 0);
        QVERIFY(!PackageFileName(package).isEmpty()); // stays loaded until the process ends
        ClientExecuteManager->Closing = false;
    }

    void closeAllGoesNewestFirstAndIgnoresErrors() {
        TClientAppControl *a = ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true);
        TClientAppControl *b = ClientExecuteManager->ExecuteClientApp(Fixture("TstJobB.bpl"), true);
        QStringList order;
        a->Form->OnCloseQuery = [&order](bool &) { order.append(QStringLiteral("A")); };
        b->Form->OnCloseQuery = [&order](bool &) {
            order.append(QStringLiteral("B"));
            throw Exception(QStringLiteral("B refuses"));
        };
        ClientExecuteManager->CloseAllClientApps();
        QCOMPARE(order, (QStringList{"B", "A"}));
        // B's error kept it open and reached the user; A closed.
        QCOMPARE(FErrors, QStringList{QStringLiteral("B refuses")});
        QTRY_COMPARE(ClientExecuteManager->Entries(), QList<TClientAppControl *>{b});
        b->Form->OnCloseQuery = nullptr;
    }

    void oneShotUnloaderWaitsForItsForm() {
        const TPackageHandle package = LoadPackage(Fixture("TstJobB.bpl"));
        auto *form = new TForm;
        QPointer<TUnloadPkgThread> unloader = new TUnloadPkgThread(false, form, package);
        QTest::qWait(50);
        QVERIFY(GetClass(QStringLiteral("TTstJobB"))); // the form still exists
        delete form;
        QTRY_VERIFY(unloader.isNull());                 // it frees itself when done
        QVERIFY(!GetClass(QStringLiteral("TTstJobB"))); // its package was unloaded
    }

    void errorInOnFreeAppCtrlIsReportedAndUnloadGoesOn() {
        ClientExecuteManager->OnFreeAppCtrl = [](TClientAppControl *) {
            throw Exception(QStringLiteral("log failed"));
        };
        QSignalSpy unloaded(ClientExecuteManager, &TClientExecuteManager::PackageUnloaded);
        ClientExecuteManager->ExecuteClientApp(Fixture("TstJobA.bpl"), true)->ClientAppClose();
        QTRY_COMPARE(unloaded.size(), 1);
        QCOMPARE(FErrors, QStringList{QStringLiteral("log failed")});
    }
};

LUM_TEST_MAIN(TstClientAppControl)
#include "tst_clientappcontrol.moc"
