// The main window's start-up when things go wrong, against a real job-security server: the
// system-object server does not answer (the clock stays as it is, the error is shown and the
// start-up goes on to the login), and three wrong passwords typed into the login dialog end the
// program without signing anybody on or off and without touching the program folder.

#include "AppServerFixture.h"
#include "LoginUser.h"
#include "RadServer.h"
#include "Registry.h"
#include "SystemClock.h"
#include "TestMain.h"
#include "uClientVersionControl.h"
#include "uLoginUserInfo.h"
#include "uLumPublic.h"
#include "uObjServers.h"
#include "uOrganization.h"
#include "uQuonClientManager70.h"

#include <QTcpServer>
#include <QTemporaryDir>

namespace {

// Records whether the start-up asked to set the computer's clock.
class TRecordingClock : public IClockSetter {
public:
    bool SetSystemClock(const QDateTime &) override {
        ++Calls;
        return true;
    }
    int Calls = 0;
};

int DeadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TstStartUpFailures : public QObject {
    Q_OBJECT
    QStringList FErrors;
    TRecordingClock FClock;

private Q_SLOTS:
    void initTestCase() {
        Application()->OnException = [this](const QString &m) { FErrors.append(m); };
        SetClockSetter(&FClock);
    }
    void cleanupTestCase() { SetClockSetter(nullptr); }

    void threeWrongPasswordsEndTheProgram() {
        QFile::remove(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
        TAppServerFixture server;
        SetServerIPAddress(QStringLiteral("SystemObj"), QStringLiteral("127.0.0.1"));
        SetServerIPPort(QStringLiteral("SystemObj"), DeadPort());
        SrvJobSecurityBroker->Servers().clear();
        SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), server.Port());
        // The program folder holds a file named like a package of the server's list that is not
        // kept on the client.
        QTemporaryDir programDir;
        SysClientAppFiles->SetFileDir(programDir.path() + u'/');
        const QString namesake = programDir.filePath(QStringLiteral("LumSYSHelpRead.bpl"));
        {
            QFile f(namesake);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }

        auto *main = Application()->CreateForm<TQuonClientManager70Main>();
        // No server time: the clock is left alone, the user is told, the caption is built.
        QCOMPARE(FClock.Calls, 0);
        QCOMPARE(FErrors.size(), 1);
        QCOMPARE(main->Caption(), Organization->ShortName + QStringLiteral("[校務行政E-系統]"));

        TUser typist({{"T001", "wrong-1"}, {"T001", "wrong-2"}, {"T001", "wrong-3"}});
        // What the start-up removes from TemplateDocs is this test's folder, not the build's.
        qputenv("ORV7_PROGRAM_DIR", programDir.path().toUtf8());
        main->show();
        QCOMPARE(typist.Dialogs, 3);
        QCOMPARE(typist.Messages, QStringList(3, QStringLiteral("帳號或密碼錯誤")));
        QVERIFY(!CurrentUserInfo->LoginChecked());
        QTRY_VERIFY(Application()->Terminated());
        qunsetenv("ORV7_PROGRAM_DIR");
        QVERIFY(!main->isVisible());
        // Nobody logged in: no computer registered, no sign-off entry.
        QCOMPARE(server.Query("SELECT COUNT(*) FROM ComputerUser").toInt(), 0);
        QCOMPARE(server.Query("SELECT COUNT(*) FROM EventLog WHERE Operator='T001'").toInt(), 0);
        QCOMPARE(server.Query("SELECT LoggedIn FROM Users WHERE ID='T001'").toInt(), 0);
        QVERIFY(QFile::exists(namesake));
    }
};

LUM_TEST_MAIN(TstStartUpFailures)
#include "tst_startupfailures.moc"
