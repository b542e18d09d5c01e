// The main window's start-up when the user signs in as she would at school: the program starts
// without a session, the login dialog comes up, she types her account and password, and the
// start-up goes on with her: caption, computer registered, her job tree docked in the main
// area and the start-up job in the item area. A job whose use is logged writes its usage entry
// when she closes it; closing the program writes the sign-off entry.

#include "AppServerFixture.h"
#include "LoginUser.h"
#include "NetAdapters.h"
#include "Packages.h"
#include "RadServer.h"
#include "Registry.h"
#include "ServerDatabase.h"
#include "ServerLocations.h"
#include "SystemClock.h"
#include "SystemObjServers.h"
#include "TestMain.h"
#include "uClientAppControl.h"
#include "uClientVersionControl.h"
#include "uLoginUserInfo.h"
#include "uLumPublic.h"
#include "uObjServers.h"
#include "uOrganization.h"
#include "uQuonClientManager70.h"

#include <QPointer>
#include <QTemporaryDir>

namespace {

class TNoClock : public IClockSetter {
public:
    bool SetSystemClock(const QDateTime &) override { return false; }
};

// One network adapter, whatever the machine has.
class TOneAdapter : public IAdapterSource {
public:
    bool ReadAdapters(std::vector<TNetAdapter> &adapters, QString &) override {
        TNetAdapter a;
        a.Name = QStringLiteral("eth0");
        a.Address = QByteArray::fromHex("02005e000001");
        a.Index = 1;
        adapters.push_back(a);
        return true;
    }
};

} // namespace

class TstStartUpLogin : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QTemporaryDir FProgramDir;
    QStringList FErrors;
    TNoClock FNoClock;
    TOneAdapter FAdapter;

    static void Publish(const QString &dir, const QString &name, int atClient = 1) {
        TAppFiles files;
        files.SetFileDir(dir);
        files.Open();
        files.SetFileName(name);
        files.SetAtClient(atClient & 1);
        files.SetLogFlag(atClient & 2);
        files.UpLoad();
    }
    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }

private Q_SLOTS:
    void initTestCase() {
        Application()->OnException = [this](const QString &m) { FErrors.append(m); };
        QFile::remove(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
        FServer = std::make_unique<TAppServerFixture>();
        PointClientAt(FServer->Port());
        // The list holds the job tree, the calendar and the notices, whose use is logged; the
        // administrator publishes them.
        FServer->Query("DELETE FROM ClientApps");
        Publish(QStringLiteral(LUM_BIN_DIR), QStringLiteral("LumJobTree.bpl"));
        Publish(QStringLiteral(LUM_BIN_DIR), QStringLiteral("LumUnitActionsQuery.bpl"));
        Publish(QStringLiteral(LUM_BIN_DIR), QStringLiteral("LumPublicNews.bpl"), 3);
        FServer->Query("UPDATE UserProfile SET MainForm = 'LumJobTree.bpl' WHERE ID = 'T001'");
        // The program starts with no session and nobody signed in.
        TAppServerFixture::SignOut();
        QVERIFY(!CurrentUserInfo->LoginChecked());
        SysClientAppFiles->SetFileDir(FProgramDir.path() + u'/');
        SetClockSetter(&FNoClock);
    }
    void cleanupTestCase() { SetClockSetter(nullptr); }

    void theUserSignsInAtTheStartAndWorks() {
        TUser user({{QStringLiteral("T001"), QStringLiteral("teach-2024")}});
        auto *main = Application()->CreateForm<TQuonClientManager70Main>();
        main->AdapterSource = &FAdapter;
        qputenv("ORV7_PROGRAM_DIR", FProgramDir.path().toUtf8());
        main->show();
        qunsetenv("ORV7_PROGRAM_DIR");
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        // One dialog, answered once; she is signed in with her record.
        QCOMPARE(user.Dialogs, 1);
        QVERIFY(user.Messages.isEmpty());
        QVERIFY(CurrentUserInfo->LoginChecked());
        QCOMPARE(CurrentUserInfo->ID(), QStringLiteral("T001"));
        QCOMPARE(CurrentUserInfo->Cht_Name, QStringLiteral("林雅婷"));
        QVERIFY(!TSessionTicket::Current().isEmpty());
        QCOMPARE(main->Caption(),
                 Organization->ShortName + QStringLiteral("[校務行政E-系統] [使用者:林雅婷 ]"));
        QVERIFY(qAbs(CurrentUserInfo->LoginTime - Now()) < 1.0 / 24 / 60);
        QCOMPARE(Count("SELECT COUNT(*) FROM ComputerUser WHERE UserName = '林雅婷'"), 1);
        // Her job tree in the main area, the start-up job in the item area.
        TClientAppControl *tree =
            ClientExecuteManager->FindClientAppByName(QStringLiteral("LumJobTree.bpl"));
        QVERIFY(tree && tree->Form);
        QCOMPARE(tree->Form->HostDockSite(), main->pcMainArea);
        TClientAppControl *calendar =
            ClientExecuteManager->FindClientAppByName(QStringLiteral("LumUnitActionsQuery.bpl"));
        QVERIFY(calendar && calendar->Form);
        QCOMPARE(calendar->Form->HostDockSite(), main->pcItemArea);
        QCOMPARE(SysClientAppFiles->FileDir(), FProgramDir.path() + QStringLiteral("/ClientApps"));

        // "公告查詢" from the menu; its use is logged when she closes it.
        main->actPublicNews->trigger();
        TClientAppControl *news =
            ClientExecuteManager->FindClientAppByName(QStringLiteral("LumPublicNews.bpl"));
        QVERIFY(news && news->Form);
        QVERIFY(news->LogFlag);
        QVERIFY(!tree->LogFlag);
        const QString started = TServerDatabase::DateText(news->StartTime);
        const auto usage = [this] {
            return FServer
                ->Query("SELECT Operation || '|' || Operator || '|' || Description || '|' || "
                        "StartTime FROM EventLog WHERE AppName = 'LumPublicNews.bpl'")
                .toString();
        };
        QVERIFY(usage().isEmpty());
        QPointer<TForm> form = news->Form;
        form->close();
        QTRY_VERIFY(form.isNull());
        QTRY_VERIFY(
            !ClientExecuteManager->FindClientAppByName(QStringLiteral("LumPublicNews.bpl")));
        QCOMPARE(usage(), QStringLiteral("APP|T001|林雅婷|") + started);
        QVERIFY(!main->CodeServer->Connected());
        // A job whose use is not logged leaves no entry.
        QPointer<TForm> calendarForm = calendar->Form;
        calendarForm->close();
        QTRY_VERIFY(calendarForm.isNull());
        QCOMPARE(Count("SELECT COUNT(*) FROM EventLog WHERE AppName = 'LumUnitActionsQuery.bpl'"),
                 0);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));

        // Closing the program signs her off.
        ClientExecuteManager->CloseAllClientApps();
        QTRY_VERIFY(ClientExecuteManager->Entries().isEmpty());
        QTRY_COMPARE(UnloadPackageThread->QueueCount(), 0);
        main->close();
        const QString signOff =
            FServer
                ->Query("SELECT Description FROM EventLog WHERE AppName = 'ClientAppManager' "
                        "AND Operation = '執行' AND Operator = 'T001'")
                .toString();
        QVERIFY2(signOff.startsWith(QStringLiteral("Name=林雅婷,IP=")), qPrintable(signOff));
        delete main;
    }
};

LUM_TEST_MAIN(TstStartUpLogin)
#include "tst_startuplogin.moc"
