// The logged-in user against a real server, with the login dialog driven as a user would:
// keys typed into the edits, buttons clicked, message boxes read and closed.

#include "AppServerFixture.h"
#include "LoginUser.h"
#include "RadServer.h"
#include "RadSystemApi.h"
#include "TestMain.h"
#include "uLoginDlg.h"
#include "uLoginUserInfo.h"
#include "uObjServers.h"
#include "uOrganization.h"

class TstLoginUserInfo : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    std::unique_ptr<TLoginUserInfo> User() {
        auto user = std::make_unique<TLoginUserInfo>();
        user->SetLoginStyle(lsLoginPrompt);
        return user;
    }

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        SrvJobSecurityBroker->Servers().clear();
        SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
    }
    void cleanupTestCase() { FServer.reset(); }

    void threeRejectionsEndTheLogin() {
        auto user = User();
        {
            TUser typist(
                {{"t001", "bad1"}, {"T001", "bad2"}, {"T001", "bad3"}, {"T001", "teach-2024"}});
            user->SetLoginChecked(true);
            QVERIFY(!user->LoginChecked());
            QCOMPARE(typist.Dialogs, 3);
            QCOMPARE(typist.Messages, QStringList(3, QStringLiteral("帳號或密碼錯誤")));
        }

        user->SetRepeatCount(0); // one attempt
        TUser once({{"T001", "bad"}, {"T001", "teach-2024"}});
        user->SetLoginChecked(true);
        QCOMPARE(once.Dialogs, 1);
        QVERIFY(!user->LoginChecked());
    }

    void cancelEndsTheLogin() {
        auto user = User();
        int before = 0, after = 0;
        user->BeforeLogin = [&](TLoginUserInfo *) { ++before; };
        user->AfterLogin = [&](TLoginUserInfo *) { ++after; };
        TUser typist({{QString(), QString(), true}});
        user->SetLoginChecked(true);
        QVERIFY(!user->LoginChecked());
        QCOMPARE(typist.Dialogs, 1);
        QCOMPARE(before, 1);
        QCOMPARE(after, 1);
    }

    void theDialogChecksItsEdits() {
        auto user = User();
        // Empty password, then the account as password in other letter case, then a good one.
        TUser typist({{"t001", ""}, {"", "t001"}, {"", "teach-2024"}});
        user->SetLoginChecked(true);
        QCOMPARE(typist.Messages, (QStringList{"帳號或密碼未輸入", "帳號,密碼不可相同"}));
        QCOMPARE(typist.Dialogs, 3); // the same dialog, answered three times
        QVERIFY(user->LoginChecked());
        QCOMPARE(user->ID(), QStringLiteral("T001")); // typed in lower case
        user->SetLoginChecked(false);
    }

    void aSuccessfulLoginLoadsTheUser() {
        auto user = User();
        TUser typist(QList<TUser::TStep>{{"T001", "teach-2024"}});
        user->SetLoginChecked(true);
        QVERIFY(user->LoginChecked());
        QVERIFY(qAbs(user->LoginTime - Now()) < 1.0 / 24 / 60);
        QCOMPARE(user->Cht_Name, QStringLiteral("林雅婷"));
        QCOMPARE(user->Description, QStringLiteral("國文科教師"));
        QCOMPARE(user->GetMainForm(), QStringLiteral("LumJobTree.bpl"));
        QCOMPARE(user->GetEMail(), QStringLiteral("t001@demo-school.example"));
        QVERIFY(!user->GetOwnerUnit().isEmpty());
        QVERIFY(VarToStr(user->GroupList).contains(QStringLiteral("ACAD")));
        QVERIFY(!SysSecurityServer->Connected());
        QCOMPARE(FServer->Query("SELECT LoggedIn FROM Users WHERE ID='T001'").toInt(), 1);
        QCOMPARE(user->Password(), QStringLiteral("**********"));

        TClientDataSet clone;
        user->CloneProfile(&clone);
        QCOMPARE(clone.FieldByName(QStringLiteral("ID"))->AsString(), QStringLiteral("T001"));

        user->SetID(QStringLiteral("T001")); // the same account keeps everything
        QVERIFY(user->LoginChecked());
        QCOMPARE(user->Cht_Name, QStringLiteral("林雅婷"));
        user->SetLoginChecked(false);
        QCOMPARE(FServer->Query("SELECT LoggedIn FROM Users WHERE ID='T001'").toInt(), 0);
        QCOMPARE(user->Cht_Name, QString());
        QCOMPARE(user->EndDate.Value(), TDateTime::EncodeDate(9999, 1, 1).Value());
        QVERIFY(!user->Profile()->Active());
    }

    void anotherAccountClearsTheDetails() {
        auto user = User();
        user->SetLoginStyle(TLoginStyle());
        user->SetID(QStringLiteral("ADMIN"));
        QVERIFY_THROWS_EXCEPTION(ESecurity, user->SetLoginChecked(true)); // no password
        user->SetPassword(QStringLiteral("orv7-admin"));
        user->SetLoginChecked(true);
        QVERIFY(user->LoginChecked());
        QVERIFY(!user->Cht_Name.isEmpty());
        user->SetID(QStringLiteral("T001"));
        QVERIFY(!user->LoginChecked());
        QCOMPARE(user->Cht_Name, QString());
        QCOMPARE(user->Password(), QStringLiteral("**********")); // the password stays
        user->SetPassword(QString());
        QCOMPARE(user->Password(), QString());
    }

    void boundComputers() {
        auto user = User();
        user->SetLoginStyle(TLoginStyle());
        user->SetID(QStringLiteral("T001"));
        user->SetPassword(QStringLiteral("teach-2024"));
        user->SetLoginChecked(true);
        user->InsertLockMachine(QStringLiteral("10.9.9.9"), QStringLiteral("lab-pc"));
        QVERIFY(user->LockChanged);
        user->LockChanged = false;
        user->InsertLockMachine(QStringLiteral("10.9.9.9"), QStringLiteral("LAB-PC"));
        QVERIFY(!user->LockChanged); // already there
        user->DeleteLockMachine(QStringLiteral("10.0.0.1"), QStringLiteral("x"));
        QVERIFY(!user->LockChanged);
        user->LockChanged = true;
        user->ApplyLockMachine();
        QVERIFY(!user->LockChanged);
        TStringList read;
        OleCheck(SysSecurityServer->GetLockMachine(QStringLiteral("T001"), &read));
        QCOMPARE(read.Text(), QStringLiteral("10.9.9.9LAB-PC\n"));
        user->SetLoginChecked(false);

        // Bound to another computer: a login from this one is refused with the server's words.
        user->SetLoginStyle(TLoginStyle(lsIPAddress) | lsComputerName | lsLoginPrompt);
        TUser typist(QList<TUser::TStep>{{"T001", "teach-2024"}});
        user->SetLoginChecked(true);
        QVERIFY(!user->LoginChecked());
        QCOMPARE(typist.Messages.size(), 1);
        QVERIFY(!typist.Messages[0].isEmpty());

        // The binding is lifted through the server directly, by the signed-in administrator
        // (logging out above ended this process's session).
        FServer->SignIn();
        OleCheck(SysSecurityServer->SetLockMachine(QStringLiteral("T001"), TStringList()));
    }

    void passwordRules() {
        auto user = User();
        QVERIFY_THROWS_EXCEPTION(ESecurity, user->ChangePassword(QStringLiteral("x")));
        user->SetID(QStringLiteral("T001"));
        user->SetPassword(QStringLiteral("teach-2024"));
        auto refused = [&](const QString &newPassword) {
            try {
                user->ChangePassword(newPassword);
            } catch (const ESecurity &e) {
                return e.Message();
            }
            return QString();
        };
        QCOMPARE(refused(QStringLiteral("t001")), QStringLiteral("帳號密碼不可相同"));
        QCOMPARE(refused(QStringLiteral("teach-2024")), QStringLiteral("新舊密碼不可相同"));
        user->SetPassword(QStringLiteral("wrong-old"));
        QCOMPARE(refused(QStringLiteral("new-pass-1")), QStringLiteral("帳號或密碼錯誤"));
        user->SetPassword(QStringLiteral("teach-2024"));
        QCOMPARE(refused(QStringLiteral("Teach-2024")), QString()); // differs in case only
        bool ok = false;
        OleCheck(
            SysSecurityServer->CanPass(QStringLiteral("T001"), QStringLiteral("Teach-2024"), ok));
        QVERIFY(ok);
        user->ChangePassword(QStringLiteral("teach-2024"));
    }

    void organisationComesFromTheConfiguration() {
        QVERIFY(Organization);
        QCOMPARE(Organization->ShortName, QStringLiteral("示範高中"));
        QCOMPARE(Organization->OrgCode.size(), 8);
        QCOMPARE(Organization->ScrambleKey.size(), 32);
        QVERIFY(!Organization->EngiishAddress.isEmpty());
        // The organisation's scrambling, keyed by its own key.
        const QString scrambled = Organization->Encode(QStringLiteral("Pa$$w0rd"));
        QCOMPARE(scrambled.size(), 40);
        QCOMPARE(Organization->Decode(scrambled), QStringLiteral("Pa$$w0rd"));
        TOrganization other;
        other.ScrambleKey = QString(32, u'k');
        QVERIFY(other.Decode(scrambled) != QStringLiteral("Pa$$w0rd"));
        QVERIFY_THROWS_EXCEPTION(Exception, Organization->Encode(QString(25, u'a')));
        QVERIFY_THROWS_EXCEPTION(Exception, Organization->Encode(QStringLiteral("a b")));
    }
};

LUM_TEST_MAIN(TstLoginUserInfo)
#include "tst_loginuserinfo.moc"
