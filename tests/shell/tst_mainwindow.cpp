// The main window: its start-up against a real server (clock, caption, tree menu, login,
// computer registration, password warning), its components and actions, docking of job
// forms, the work areas, the message line, code-tree look-ups, the start-up packages and
// the sign-off.

#include "AppServerFixture.h"
#include "CodeTableCDS.h"
#include "DBDelphiVCL.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "NetAdapters.h"
#include "Packages.h"
#include "ProgressDialog.h"
#include "Registry.h"
#include "ServerLocations.h"
#include "StatelessDataSet.h"
#include "SystemClock.h"
#include "SystemObjServers.h"
#include "TestMain.h"
#include "uClientAppControl.h"
#include "uClientVersionControl.h"
#include "uDBTree.h"
#include "uEmployeesIndexCDS.h"
#include "uJxProgressDialog.h"
#include "uLoginUserInfo.h"
#include "uLumMessages.h"
#include "uLumPublic.h"
#include "uLumTreeAndTableTransfer.h"
#include "uObjServers.h"
#include "uOrganization.h"
#include "uOrvCoursesIndexCDS.h"
#include "uQuonClientManager70.h"
#include "uStdOnSchoolIdxCDS.h"
#include "uStudentIndexCDS.h"
#include "ulumTreeToolDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// The computer's clock as the start-up sets it, without touching the machine's.
class TRecordingClock : public IClockSetter {
public:
    bool SetSystemClock(const QDateTime &localTime) override {
        Set = localTime;
        return false; // refused, as for a user without the right: start-up goes on
    }
    QDateTime Set;
};

// Two network adapters, whatever the machine has.
class TTwoAdapters : public IAdapterSource {
public:
    bool ReadAdapters(std::vector<TNetAdapter> &adapters, QString &) override {
        for (int i = 1; i <= Count; ++i) {
            TNetAdapter a;
            a.Name = QStringLiteral("eth%1").arg(i);
            a.Address = QByteArray::fromHex(QByteArray("02005e0000") +
                                            QByteArray::number(i, 16).rightJustified(2, '0'));
            a.Index = i;
            adapters.push_back(a);
        }
        return true;
    }
    int Count = 2;
};

// Message boxes are read and closed as they come up.
class TBoxReader : public QObject {
public:
    TBoxReader() {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                Texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        FTimer.start(10);
    }
    QStringList Texts;

private:
    QTimer FTimer;
};

TForm *MakeJobForm(int tag, QSize size = QSize(200, 150)) {
    auto *form = new TForm;
    form->SetTag(tag);
    form->SetDragKind(TDragKind::dkDock);
    form->resize(size);
    form->OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
    return form;
}

void SendDock(TForm *form) {
    TMessage m;
    m.Msg = WM_DOCKCLIENTFORM;
    m.WObject = form;
    DispatchOrvMessage(m);
}

} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
    TQuonClientManager70Main *Main = nullptr;
    QStringList FErrors;
    std::unique_ptr<TAppServerFixture> FServer;
    TRecordingClock FClock;
    TTwoAdapters FAdapters;
    QStringList FStartUpBoxes;
    QTemporaryDir FProgramDir; // this computer's program folder: packages land in ClientApps

    // Publishes a package to the server's list through the maintenance upload.
    static void Publish(const QString &dir, const QString &name, int atClient = 1) {
        TAppFiles files;
        files.SetFileDir(dir);
        files.Open();
        files.SetFileName(name);
        files.SetAtClient(atClient & 1);
        files.SetLogFlag(atClient & 2);
        files.UpLoad();
    }
    QString ClientApp(const QString &name) const {
        return FProgramDir.filePath(QStringLiteral("ClientApps/") + name);
    }

    void CloseJobs() {
        for (TForm *form : Application()->Forms())
            if (form != Main)
                delete form;
        ClientExecuteManager->CloseAllClientApps();
        QTRY_VERIFY(ClientExecuteManager->Entries().isEmpty());
        QTRY_COMPARE(UnloadPackageThread->QueueCount(), 0);
    }

private Q_SLOTS:
    void initTestCase() {
        Application()->OnException = [this](const QString &m) { FErrors.append(m); };
        // A server of its own, reached through the machine's settings as at a school.
        QFile::remove(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
        FServer = std::make_unique<TAppServerFixture>();
        // The machine's settings, the brokers and the location table: all on this server.
        PointClientAt(FServer->Port());
        SetClockSetter(&FClock);
        // The list holds only what is published here (by the administrator, whom the fixture
        // signed in, before the teacher logs in): the demo school's records, whose files
        // the server publishes at start, go.
        FServer->Query("DELETE FROM ClientApps WHERE FileData IS NULL");
        // TstJobA stays on the client and its use is logged.
        Publish(QStringLiteral(LUM_TEST_PACKAGE_DIR), QStringLiteral("TstJobA.bpl"), 3);
        for (const char *name : {"LumPublicNews.bpl", "TstBadForm.bpl"})
            Publish(QStringLiteral(LUM_TEST_PACKAGE_DIR), QLatin1String(name));
        // Not kept on the client: removed when the program closes.
        Publish(QStringLiteral(LUM_TEST_PACKAGE_DIR), QStringLiteral("TstJobB.bpl"), 0);
        Publish(QStringLiteral(LUM_BIN_DIR), QStringLiteral("LumUnitActionsQuery.bpl"));
        Publish(QStringLiteral(LUM_BIN_DIR), QStringLiteral("LumJobTree.bpl"));
        // The teacher has logged in already (the login dialog is tested with the user record);
        // her password runs out in 14 days.
        // Her own jobs besides her groups'.
        FServer->Query(
            "INSERT INTO UserJobs (ID, GroupID, JobID) VALUES "
            "('T001', 'ACAD', 'TstJobA.bpl'), ('T001', 'ACAD', 'LumUnitActionsQuery.bpl')");
        FServer->Query("UPDATE UserProfile SET MainForm = 'LumJobTree.bpl' WHERE ID = 'T001'");
        CurrentUserInfo->SetLoginStyle(TLoginStyle());
        CurrentUserInfo->SetID(QStringLiteral("T001"));
        CurrentUserInfo->SetPassword(QStringLiteral("teach-2024"));
        CurrentUserInfo->SetLoginChecked(true);
        QVERIFY(CurrentUserInfo->LoginChecked());
        CurrentUserInfo->EndDate = TDateTime(Date().Value() + 14);
        SysClientAppFiles->SetFileDir(FProgramDir.path() + u'/');

        Main = Application()->CreateForm<TQuonClientManager70Main>();
        Main->AdapterSource = &FAdapters;
        Main->moStartBPL->clear(); // start-up packages are tested on their own below
        TBoxReader boxes;
        // The start-up removes the templates its server does not list from the program
        // folder's TemplateDocs: here that is this test's folder, not the build's.
        qputenv("ORV7_PROGRAM_DIR", FProgramDir.path().toUtf8());
        Main->show();
        qunsetenv("ORV7_PROGRAM_DIR");
        FStartUpBoxes = boxes.Texts;
    }

    void startUpAgainstTheServer() {
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        QVERIFY(qAbs(TDateTime::FromQDateTime(FClock.Set) - Now()) < 1.0 / 24 / 60);
        QCOMPARE(Main->Caption(), QStringLiteral("示範高中[校務行政E-系統] [使用者:林雅婷 ]"));
        QStringList trees;
        for (QAction *item : Main->TreeMenu->actions())
            trees << item->objectName();
        for (const char *tree : {"UnitTreeView", "EPT", "ACNotes", "TesTreeCode"})
            QVERIFY2(trees.contains(QLatin1String(tree)), tree);
        // The progress window of the start-up has gone; it would have shown the school's logo.
        QVERIFY(!JxProgressDialog());
        QCOMPARE(Main->ProgressDialog->LogoImageFile(),
                 ProgramFolder() + QStringLiteral("TemplateDocs/") + Organization->LogoFile);
        QCOMPARE(
            FServer->Query("SELECT COUNT(*) FROM ComputerUser WHERE UserName='林雅婷'").toInt(), 2);
        QCOMPARE(FStartUpBoxes, QStringList{"密碼快到期,請重設...."});
        QVERIFY(!Main->CodeServer->Connected());
    }

    void passwordWarningAndAdapterlessComputers() {
        const TDateTime today = TDateTime::EncodeDate(2026, 12, 7);
        QVERIFY(
            TQuonClientManager70Main::PasswordExpiresSoon(TDateTime(today.Value() + 14), today));
        QVERIFY(
            !TQuonClientManager70Main::PasswordExpiresSoon(TDateTime(today.Value() + 15), today));
        QVERIFY(!TQuonClientManager70Main::PasswordExpiresSoon(TDateTime::EncodeDate(9999, 1, 1),
                                                               today));
        // A computer without network adapters: no connection, no call.
        QSignalSpy connects(Main->CodeServer, &TSocketConnection::AfterConnect);
        FAdapters.Count = 0;
        Main->RegisterComputerUser();
        QCOMPARE(connects.count(), 0);
        FAdapters.Count = 2;
        Main->RegisterComputerUser();
        QCOMPARE(connects.count(), 1);
        QVERIFY(!Main->CodeServer->Connected());
    }
    void theJobTreeStartsTheUsersJobs() {
        Main->TreeJobList->Execute();
        TClientAppControl *tree =
            ClientExecuteManager->FindClientAppByName(QStringLiteral("LumJobTree.bpl"));
        QVERIFY(tree);
        QCOMPARE(tree->Form->HostDockSite(), Main->pcMainArea);
        auto *jobs = tree->Form->findChild<QTreeWidget *>(QStringLiteral("tvJobs"));
        QVERIFY(jobs);
        // Grouped by the list's type; jobs the school has not published are left out.
        QCOMPARE(jobs->topLevelItemCount(), 1);
        QTreeWidgetItem *group = jobs->topLevelItem(0);
        QCOMPARE(group->text(0), QStringLiteral("其他"));
        QStringList names;
        for (int i = 0; i < group->childCount(); ++i)
            names << group->child(i)->text(1);
        names.sort();
        QCOMPARE(names,
                 (QStringList{"LumPublicNews.bpl", "LumUnitActionsQuery.bpl", "TstJobA.bpl"}));
        // Activating a job starts it.
        for (int i = 0; i < group->childCount(); ++i)
            if (group->child(i)->text(1) == QLatin1String("TstJobA.bpl"))
                Q_EMIT jobs->itemActivated(group->child(i), 0);
        QVERIFY(ClientExecuteManager->FindClientAppByName(QStringLiteral("TstJobA.bpl")));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void aProfileWithoutAMainFormStartsNoJobTree() {
        CloseJobs();
        // She signs in again with a profile that names no job tree.
        FServer->Query("UPDATE UserProfile SET MainForm = NULL WHERE ID = 'T001'");
        CurrentUserInfo->SetLoginChecked(false);
        CurrentUserInfo->SetLoginChecked(true);
        QVERIFY(CurrentUserInfo->LoginChecked());
        QVERIFY(CurrentUserInfo->GetMainForm().isEmpty());
        const int pages = Main->pcMainArea->count();
        Main->TreeJobList->trigger();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
        QCOMPARE(Main->pcMainArea->count(), pages);
        // With her job tree named again, the same action starts it.
        FServer->Query("UPDATE UserProfile SET MainForm = 'LumJobTree.bpl' WHERE ID = 'T001'");
        CurrentUserInfo->SetLoginChecked(false);
        CurrentUserInfo->SetLoginChecked(true);
        Main->TreeJobList->trigger();
        QVERIFY(ClientExecuteManager->FindClientAppByName(QStringLiteral("LumJobTree.bpl")));
        QCOMPARE(Main->pcMainArea->count(), pages + 1);
        CurrentUserInfo->EndDate = TDateTime(Date().Value() + 14);
    }

    void templatesTheServerNoLongerListsAreRemoved() {
        FServer->Query("INSERT INTO DataFiles (FileName, Version, CheckSum, Ext) "
                       "VALUES ('Notice.docx', '1', 1, '.docx')");
        qputenv("ORV7_PROGRAM_DIR", FProgramDir.path().toUtf8());
        const QDir docs(FProgramDir.filePath(QStringLiteral("TemplateDocs")));
        QVERIFY(docs.mkpath(QStringLiteral("Sub")));
        for (const char *name : {"Notice.docx", "notice.docx", "Old.xlsx"}) {
            QFile f(docs.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        Main->CleanTemplateDocs();
        qunsetenv("ORV7_PROGRAM_DIR");
        // Names match exactly; folders are left alone.
        QCOMPARE(docs.entryList(QDir::Files), QStringList{QStringLiteral("Notice.docx")});
        QVERIFY(docs.exists(QStringLiteral("Sub")));
    }

    void refreshingCodesReadsTheServersTable() {
        TSystemTable *table = CodeTableSystemTable();
        table->Broker()->Servers().clear();
        table->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        TCodeTableCDS semester;
        semester.SetFilter(QStringLiteral("Main_Code='Semester'"));
        semester.SetFiltered(true);
        semester.Open();
        const auto name = [](TCodeTableCDS &ds) {
            return ds.Lookup(QStringLiteral("Code"), Variant("1"), QStringLiteral("Descript"))
                .ToString();
        };
        FServer->Query("UPDATE CodeTable SET Descript='第一學期' "
                       "WHERE Main_Code='Semester' AND Code='1'");
        semester.Close();
        semester.Open();
        QCOMPARE(name(semester), QStringLiteral("上學期")); // still the copy read before
        Main->ActRefreshCodeTable->Execute();
        QVERIFY(Main->CodeTableCDS->Active());
        semester.Close();
        semester.Open();
        QCOMPARE(name(semester), QStringLiteral("第一學期"));
        FServer->Query("UPDATE CodeTable SET Descript='上學期' "
                       "WHERE Main_Code='Semester' AND Code='1'");
    }

    void init() { FErrors.clear(); }
    void cleanup() { CloseJobs(); }

    void componentsCarryTheirNames() {
        QCOMPARE(Application()->MainForm(), Main);
        QCOMPARE(Main->Name(), QStringLiteral("QuonClientManager70Main"));
        QVERIFY(Main->Caption().contains(QStringLiteral("[校務行政E-系統]")));
        for (const char *name : {"plOp",
                                 "plLeftSide",
                                 "plRightSide",
                                 "Splitter1",
                                 "pcMainArea",
                                 "pcItemArea",
                                 "pcLBWorkArea",
                                 "pcRBWorkArea",
                                 "moStartBPL",
                                 "GroupBox1",
                                 "plMessage",
                                 "StatusBar",
                                 "MessageTimer",
                                 "MainMenu",
                                 "TreeMenu",
                                 "ProgressDialog",
                                 "CodeTableCDS",
                                 "StudentIndexCDS",
                                 "StdOnSchoolIdxCDS1",
                                 "OrvCoursesIndexCDS1",
                                 "EmployeesIndexCDS"})
            QVERIFY2(Main->findChild<QObject *>(QString::fromLatin1(name)), name);
        // The index datasets share the process's tables of their servers.
        QCOMPARE(Main->StudentIndexCDS->GetSystemTableName(), QStringLiteral("SystemStudentIndex"));
        QCOMPARE(Main->StdOnSchoolIdxCDS1->GetSystemTableName(),
                 QStringLiteral("SystemStdOnSchoolIndex"));
        QCOMPARE(Main->OrvCoursesIndexCDS1->GetSystemTableName(),
                 QStringLiteral("SystemOrvCoursesIndex"));
        QCOMPARE(Main->EmployeesIndexCDS->GetSystemTableName(),
                 QStringLiteral("SystemEmployeesIndex"));
        QCOMPARE(Main->EmployeesIndexCDS->GetSystemTable()->DataSet()->ProviderName(),
                 QStringLiteral("xEmployeesIdxProvider"));
        QCOMPARE(Main->DockAreas(1), Main->pcMainArea);
        QCOMPARE(Main->DockAreas(2), Main->pcItemArea);
        QCOMPARE(Main->DockAreas(3), Main->pcLBWorkArea);
        QCOMPARE(Main->DockAreas(4), Main->pcRBWorkArea);
        QCOMPARE(Main->DockAreas(0), nullptr);
        QCOMPARE(Main->DockAreas(5), nullptr);
        QVERIFY(!Main->pcLBWorkArea->isVisible());
        QVERIFY(!Main->pcRBWorkArea->isVisible());
        QVERIFY(!Main->GroupBox1->isVisible());
        QCOMPARE(Main->GroupBox1->title(), QStringLiteral("智慧語錄"));
        QCOMPARE(Main->MessageTimer->interval(), 500);
        QVERIFY(Main->MessageTimer->isActive());
        QCOMPARE(Main->plOp->height(), 28);
    }

    void actions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("caption");
        QTest::newRow("1") << "ChangePassword"
                           << "功能"
                           << "密碼變更";
        QTest::newRow("2") << "LeftSpliter"
                           << "系統"
                           << "左分割";
        QTest::newRow("3") << "RightSpliter"
                           << "系統"
                           << "右分割";
        QTest::newRow("4") << "DisplayMessages"
                           << "功能"
                           << "即時訊息";
        QTest::newRow("5") << "About"
                           << "Help"
                           << "關於電子化行政系統";
        QTest::newRow("6") << "TreeJobList"
                           << "功能"
                           << "系統工作表";
        QTest::newRow("7") << "actPublicNews"
                           << "功能"
                           << "公告查詢";
        QTest::newRow("8") << "actUnitAction"
                           << "功能"
                           << "行事曆查詢";
        QTest::newRow("9") << "actClose"
                           << "系統"
                           << "系統關閉";
        QTest::newRow("10") << "actEmpIndex"
                            << "功能"
                            << "員工索引表";
        QTest::newRow("11") << "actStudentIdx"
                            << "功能"
                            << "在校生索引表";
        QTest::newRow("12") << "ActShowTree"
                            << "系統"
                            << "分類代碼樹";
        QTest::newRow("13") << "ActHelp"
                            << "Help"
                            << "輔助說明";
        QTest::newRow("14") << "ActRefreshCodeTable"
                            << "功能"
                            << "代碼重整";
        QTest::newRow("15") << "ActStartJob"
                            << "系統"
                            << "起始作業";
    }
    void actions() {
        QFETCH(QString, name);
        QFETCH(QString, category);
        QFETCH(QString, caption);
        auto *action = Main->findChild<TAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->Category(), category);
        QCOMPARE(action->text(), caption);
    }

    void menusAndToolBar() {
        QCOMPARE(Main->actClose->Hint(), QStringLiteral("系統關閉"));
        QCOMPARE(Main->actClose->ImageIndex(), 16);
        QCOMPARE(Main->ActShowTree->ImageIndex(), 22);
        QVERIFY(!Main->ActStartJob->isVisible());
        QStringList menus;
        for (QAction *a : Main->MainMenu->actions())
            menus.append(a->text());
        QCOMPARE(menus, (QStringList{"系統", "功能", "分類代碼樹", "工具列", "Help"}));
        QStringList items;
        for (QAction *a : Main->MainMenu->actions()[1]->menu()->actions())
            items.append(a->text());
        QCOMPARE(items,
                 (QStringList{"密碼變更", "系統工作表", "公告查詢", "行事曆查詢", "代碼重整"}));
        QStringList help;
        for (QAction *a : Main->MainMenu->actions()[4]->menu()->actions())
            help.append(a->text());
        QCOMPARE(help, (QStringList{"關於校務行政自動化系統", "輔助說明"}));
        QStringList buttons;
        for (QToolButton *b : Main->plOp->findChildren<QToolButton *>())
            buttons.append(b->text());
        QCOMPARE(buttons, (QStringList{"系統關閉", "密碼變更", "代碼重整", "在校生索引表",
                                       "員工索引表", "輔助說明", "公告查詢", "行事曆查詢"}));
    }

    void formsDockByTag_data() {
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("area");
        QTest::newRow("main area") << 1 << 1;
        QTest::newRow("item area") << 2 << 2;
        QTest::newRow("left bottom") << 3 << 3;
        QTest::newRow("right bottom") << 4 << 4;
        QTest::newRow("tag 0 floats") << 0 << 0;
        QTest::newRow("tag 5 floats") << 5 << 0;
        QTest::newRow("negative floats") << -1 << 0;
    }
    void formsDockByTag() {
        QFETCH(int, tag);
        QFETCH(int, area);
        TForm *form = MakeJobForm(tag);
        SendDock(form);
        QCOMPARE(form->HostDockSite(), Main->DockAreas(area));
        if (area)
            QCOMPARE(Main->DockAreas(area)->ActivePage(), Main->DockAreas(area)->PageOf(form));
    }

    void aDockedFormIsOnlyBroughtToFront() {
        TForm *form = MakeJobForm(1);
        form->ManualDock(Main->pcRBWorkArea); // docked elsewhere than its tag says
        TForm *other = MakeJobForm(4);
        SendDock(other);
        QCOMPARE(Main->pcRBWorkArea->ActivePage(), Main->pcRBWorkArea->PageOf(other));
        SendDock(form);
        QCOMPARE(form->HostDockSite(), Main->pcRBWorkArea);
        QCOMPARE(Main->pcRBWorkArea->ActivePage(), Main->pcRBWorkArea->PageOf(form));
        QCOMPARE(Main->pcMainArea->DockClientCount(), 0);
        QVERIFY(Main->ActivateDockedPage(Main->pcRBWorkArea, form));
        QVERIFY(!Main->ActivateDockedPage(Main->pcMainArea, form));
    }

    void hidingAWorkAreaFloatsItsFormsInACascade() {
        // The work areas are shown and hidden from the "系統" menu, as a user does it.
        auto *system = Main->MainMenu->findChild<QMenu *>(QStringLiteral("mnuSystem"));
        QVERIFY(system);
        auto menuItem = [system](const QString &caption) -> QAction * {
            for (QAction *a : system->actions())
                if (a->text() == caption)
                    return a;
            return nullptr;
        };
        QAction *left = menuItem(QStringLiteral("左分割"));
        QAction *right = menuItem(QStringLiteral("右分割"));
        QVERIFY(left && right);

        QVERIFY(!Main->LeftSpliter->isChecked());
        left->trigger();
        QVERIFY(Main->LeftSpliter->isChecked());
        QVERIFY(Main->pcLBWorkArea->isVisible());
        TForm *a = MakeJobForm(3, QSize(210, 110));
        TForm *b = MakeJobForm(3, QSize(220, 120));
        TForm *c = MakeJobForm(3, QSize(230, 130));
        for (TForm *f : {a, b, c})
            SendDock(f);
        QCOMPARE(Main->pcLBWorkArea->DockClientCount(), 3);
        QCOMPARE(c->HostDockSite(), Main->pcLBWorkArea);
        QVERIFY(c->isVisible());

        left->trigger();
        QVERIFY(!Main->LeftSpliter->isChecked());
        QVERIFY(!Main->pcLBWorkArea->isVisible());
        QCOMPARE(Main->pcLBWorkArea->DockClientCount(), 0);
        const QPoint origin = Main->mapToGlobal(QPoint(0, 0));
        QCOMPARE(a->geometry(), QRect(origin, QSize(210, 110)));
        QCOMPARE(b->geometry(), QRect(origin + QPoint(30, 30), QSize(220, 120)));
        QCOMPARE(c->geometry(), QRect(origin + QPoint(60, 60), QSize(230, 130)));
        for (TForm *f : {a, b, c}) {
            QVERIFY(f->isWindow());
            QVERIFY(f->isVisible());
        }

        // The right side works the same way, and a form with tag 4 docks there while it shows.
        right->trigger();
        QVERIFY(Main->RightSpliter->isChecked());
        QVERIFY(Main->pcRBWorkArea->isVisible());
        TForm *d = MakeJobForm(4);
        SendDock(d);
        QCOMPARE(d->HostDockSite(), Main->pcRBWorkArea);
        QVERIFY(d->isVisible());
        right->trigger();
        QVERIFY(!Main->RightSpliter->isChecked());
        QVERIFY(!Main->pcRBWorkArea->isVisible());
        QVERIFY(d->isWindow());

        // Code that runs the action's handler itself toggles the same way.
        Main->LeftSpliter->Execute();
        QVERIFY(Main->LeftSpliter->isChecked());
        QVERIFY(Main->pcLBWorkArea->isVisible());
        Main->LeftSpliter->Execute();
        QVERIFY(!Main->LeftSpliter->isChecked());
        QVERIFY(!Main->pcLBWorkArea->isVisible());
    }

    void messageLine() {
        TStringList lines{QStringLiteral("第一則"), QStringLiteral("second")};
        TMessage m;
        m.Msg = WM_SHOWMESSAGES;
        m.Strings = &lines;
        DispatchOrvMessage(m);
        QCOMPARE(Main->plMessage->text(), QStringLiteral("      第一則      second      "));
        // Anything but a string list is ignored.
        TMessage other;
        other.Msg = WM_SHOWMESSAGES;
        other.WObject = Main;
        DispatchOrvMessage(other);
        QCOMPARE(Main->plMessage->text(), QStringLiteral("      第一則      second      "));

        Main->plMessage->setText(QStringLiteral("校務ab"));
        Main->MessageTimerTimer();
        QCOMPARE(Main->plMessage->text(), QStringLiteral("務ab校"));
        Main->MessageTimerTimer();
        Main->MessageTimerTimer();
        QCOMPARE(Main->plMessage->text(), QStringLiteral("b校務a"));
        Main->plMessage->setText(QStringLiteral("😀x")); // a surrogate pair moves whole
        Main->MessageTimerTimer();
        QCOMPARE(Main->plMessage->text(), QStringLiteral("x😀"));
    }

    void storedTreesOpenDockedInTheMainArea() {
        // The docked tree windows of a caption.
        const auto trees = [this](const QString &caption) {
            QList<TDBTreeForm *> found;
            for (int i = 0; i < Main->pcMainArea->DockClientCount(); ++i)
                if (auto *form = qobject_cast<TDBTreeForm *>(Main->pcMainArea->DockClients(i));
                    form && form->Caption() == caption)
                    found << form;
            return found;
        };
        QAction *item = nullptr;
        for (QAction *a : Main->TreeMenu->actions())
            if (a->objectName() == QStringLiteral("EPT"))
                item = a;
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("職務類別"));
        item->trigger();
        QCOMPARE(trees(QStringLiteral("職務類別")).size(), 1);
        TDBTreeForm *ept = trees(QStringLiteral("職務類別"))[0];
        QCOMPARE(Main->pcMainArea->ActivePage(), Main->pcMainArea->PageOf(ept));
        QCOMPARE(ept->TreeView->topLevelItemCount(), 3);
        QVERIFY(ept->ckEncode->isChecked());
        QVERIFY(ept->Reporting());
        // The message opens another tree; the menu brings the open one back to the front.
        ShowVCLTreeFormSender(QStringLiteral("ACNotes"));
        QCOMPARE(trees(QStringLiteral("會計摘要")).size(), 1);
        TDBTreeForm *notes = trees(QStringLiteral("會計摘要"))[0];
        QCOMPARE(Main->pcMainArea->ActivePage(), Main->pcMainArea->PageOf(notes));
        item->trigger();
        QCOMPARE(trees(QStringLiteral("職務類別")), QList<TDBTreeForm *>{ept});
        QCOMPARE(Main->pcMainArea->ActivePage(), Main->pcMainArea->PageOf(ept));
        // Closed by the user, the tree opens afresh.
        QPointer<TDBTreeForm> closed = ept;
        ept->SpeedButton1->click();
        QTRY_VERIFY(closed.isNull());
        item->trigger();
        QCOMPARE(trees(QStringLiteral("職務類別")).size(), 1);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void storedTreesAreEditedAndConvertedFromTheTreeMenu() {
        QCOMPARE(Main->CodeTreeInputDialog->TreeName, QStringLiteral("TesTreeCode"));
        QVERIFY(!Main->CodeTreeInputDialog->LevelCoding);
        const auto item = [](QMenu *menu, const QString &name) -> QAction * {
            for (QAction *a : menu->actions())
                if (a->objectName() == name)
                    return a;
            return nullptr;
        };
        QVERIFY(Main->TreeEditMenu && Main->TableToTreeMenu);
        QAction *edit = item(Main->TreeEditMenu, QStringLiteral("EditEPT"));
        QVERIFY(edit);
        QCOMPARE(edit->text(), QStringLiteral("職務類別"));
        // Runs act on the modal dialog of type T once it is up.
        bool seen = false;
        QTimer poll;
        std::function<bool(QWidget *)> act;
        connect(&poll, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible() && act(modal))
                seen = true;
        });
        poll.start(10);
        act = [](QWidget *modal) {
            auto *editor = qobject_cast<TlumTreeToolDlg *>(modal);
            if (!editor)
                return false;
            const bool ok = editor->edVCLName->text() == QStringLiteral("EPT") &&
                            editor->TreeToCodeTable->isVisible() &&
                            editor->TVActive->topLevelItemCount() == 3;
            editor->reject();
            return ok;
        };
        edit->trigger();
        QVERIFY(seen);
        // A tree from the rows of a category: the category is asked for first.
        FServer->Query("INSERT INTO CodeTable (Main_Code, Code, Descript, ALevel, AParent) VALUES "
                       "('SHELLT', '1', '甲類', 0, ''), ('SHELLT', '11', '甲一', 1, '1')");
        seen = false;
        act = [](QWidget *modal) {
            if (auto *ask = qobject_cast<QInputDialog *>(modal)) {
                ask->setTextValue(QStringLiteral("SHELLT"));
                ask->accept();
                return false;
            }
            auto *transfer = qobject_cast<TLumTreeAndTableTransfer *>(modal);
            if (!transfer)
                return false;
            transfer->ActToTree->trigger();
            const bool ok =
                transfer->edMainCode->text() == QStringLiteral("SHELLT") &&
                TreeViewToText(transfer->TreeView) == QStringLiteral("1,甲類\n\t11,甲一\n") &&
                transfer->edTreeName->text() == QStringLiteral("ACNotes");
            transfer->reject();
            return ok;
        };
        item(Main->TableToTreeMenu, QStringLiteral("BuildACNotes"))->trigger();
        QVERIFY(seen);
        // Nothing was confirmed: the stored tree is as it was.
        TDBTreeForm form;
        form.LoadFromVCL(QStringLiteral("ACNotes"));
        QCOMPARE(form.Caption(), QStringLiteral("會計摘要"));
        QVERIFY(form.FindNode(QStringLiteral("110")));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void unknownTreesRaise() {
        try {
            Main->ShowTreeForm(QStringLiteral("NoTree"));
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Tree Name=NoTree is not found"));
        }
        // The same through the show-tree message, which reaches the sender.
        try {
            ShowVCLTreeFormSender(QStringLiteral("NoSuchTree"));
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Tree Name=NoSuchTree is not found"));
        }
    }

    void hintsGoToTheStatusBar() {
        Main->FormActivate();
        Application()->SetHint(QStringLiteral("系統關閉"));
        QCOMPARE(Main->StatusBar->currentMessage(), QStringLiteral("系統關閉"));
        Application()->SetHint(QString());
    }

    void startUpPackagesRunInOrder() {
        QCOMPARE(SysClientAppFiles->FileDir(), FProgramDir.path() + QStringLiteral("/ClientApps"));
        Main->moStartBPL->setPlainText(QStringLiteral("TstJobB.bpl\n\n  TstJobA.bpl  \n"));
        Main->ActStartJob->Execute();
        const QList<TClientAppControl *> entries = ClientExecuteManager->Entries();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0]->AppName, QStringLiteral("TstJobB.bpl"));
        QCOMPARE(entries[1]->AppName, QStringLiteral("TstJobA.bpl"));
        // The list's flags say whose use is logged.
        QVERIFY(!entries[0]->LogFlag);
        QVERIFY(entries[1]->LogFlag);
        // Each docks by its own tag: B has 3, A has 2.
        QCOMPARE(entries[0]->Form->HostDockSite(), Main->pcLBWorkArea);
        QCOMPARE(entries[1]->Form->HostDockSite(), Main->pcItemArea);

        CloseJobs();
        Main->moStartBPL->clear();
        Main->ActStartJob->Execute();
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
        // They were downloaded into the program folder's ClientApps.
        QVERIFY(QFile::exists(ClientApp(QStringLiteral("TstJobA.bpl"))));
        QVERIFY(QFile::exists(ClientApp(QStringLiteral("TstJobB.bpl"))));
    }

    void fixedPackageActionsDisableThemselvesWhileRunning() {
        bool enabledDuringLoad = true;
        ClientExecuteManager->OnLoadAppCtrl = [&](TClientAppControl *) {
            enabledDuringLoad = Main->actPublicNews->isEnabled();
        };
        Main->actPublicNews->Execute();
        ClientExecuteManager->OnLoadAppCtrl = nullptr;
        QVERIFY(!enabledDuringLoad);
        QVERIFY(Main->actPublicNews->isEnabled());
        QVERIFY(ClientExecuteManager->FindClientAppByName(QStringLiteral("LumPublicNews.bpl")));

        // A package the list does not hold yields nothing; the action comes back.
        Main->ChangePassword->Execute();
        QVERIFY(
            !ClientExecuteManager->FindClientAppByName(QStringLiteral("LumChangePassword.bpl")));
        QVERIFY(Main->ChangePassword->isEnabled());
        QVERIFY(!QFile::exists(ClientApp(QStringLiteral("LumChangePassword.bpl"))));
        // One that fails to start: its error reaches the user, the action comes back.
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstNoClass.bpl"),
                            dir.filePath(QStringLiteral("LumChangePassword.bpl"))));
        // Published by the administrator; the teacher carries on.
        FServer->SignIn();
        Publish(dir.path(), QStringLiteral("LumChangePassword.bpl"));
        FServer->SignIn(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        SysClientAppFiles->SetRemoteLoaded(false);
        SysClientAppFiles->SetRemoteLoaded(true);
        QVERIFY_THROWS_EXCEPTION(Exception, Main->ChangePassword->Execute());
        QVERIFY(Main->ChangePassword->isEnabled());
    }

    void theCalendarJobDocksIntoTheItemArea() {
        Main->actUnitAction->Execute();
        TClientAppControl *entry =
            ClientExecuteManager->FindClientAppByName(QStringLiteral("LumUnitActionsQuery.bpl"));
        QVERIFY(entry);
        QCOMPARE(entry->Form->HostDockSite(), Main->pcItemArea);
        QCOMPARE(entry->Form->Caption(), QStringLiteral("行事曆查詢"));
        auto *month = entry->Form->findChild<QLabel *>(QStringLiteral("lblMonth"));
        QVERIFY(month && month->text().startsWith(QStringLiteral("民國")));
        // The month's events come from the server.
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        auto *events = entry->Form->findChild<QTableWidget *>(QStringLiteral("grdActions"));
        QVERIFY(events && events->rowCount() > 0);
        // A second start only brings it to the front.
        Main->pcItemArea->addTab(new QWidget, QStringLiteral("other"));
        Main->pcItemArea->setCurrentIndex(Main->pcItemArea->count() - 1);
        Main->actUnitAction->Execute();
        QCOMPARE(ClientExecuteManager->Entries().size(), 1);
        QCOMPARE(Main->pcItemArea->ActivePage(), Main->pcItemArea->PageOf(entry->Form));
        delete Main->pcItemArea->widget(Main->pcItemArea->count() - 1);
    }

    // Last: closing the main window switches the registry to its closing state.
    void closingTheMainWindow() {
        QVERIFY(SysClientAppFiles->RunByFileName(QStringLiteral("TstJobA.bpl")));
        TClientAppControl *entry =
            ClientExecuteManager->FindClientAppByName(QStringLiteral("TstJobA.bpl"));
        QVERIFY(entry);
        Main->actClose->Execute();
        QVERIFY(ClientExecuteManager->Closing);
        QVERIFY(!Main->plOp->isEnabled());
        QVERIFY(Application()->Terminated());
        delete entry->Form; // forms freed from now on free their entries at once
        QVERIFY(ClientExecuteManager->Entries().isEmpty());
        QCOMPARE(UnloadPackageThread->QueueCount(), 0);
        // Packages not marked to stay on the client are gone, the others stay.
        QVERIFY(!QFile::exists(ClientApp(QStringLiteral("TstJobB.bpl"))));
        QVERIFY(QFile::exists(ClientApp(QStringLiteral("TstJobA.bpl"))));
        QVERIFY(QFile::exists(ClientApp(QStringLiteral("LumUnitActionsQuery.bpl"))));
        // The open job's usage entry, then the sign-off entry.
        QCOMPARE(FServer
                     ->Query("SELECT AppName FROM EventLog WHERE Operator='T001' "
                             "ORDER BY Seq DESC LIMIT 1 OFFSET 1")
                     .toString(),
                 QStringLiteral("TstJobA.bpl"));
        const QString signOff =
            FServer
                ->Query("SELECT Description FROM EventLog WHERE AppName='ClientAppManager' "
                        "AND Operation='執行' AND Operator='T001'")
                .toString();
        QVERIFY2(signOff.startsWith(QStringLiteral("Name=林雅婷,IP=")), qPrintable(signOff));
        SetClockSetter(nullptr);
    }
};

LUM_TEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
