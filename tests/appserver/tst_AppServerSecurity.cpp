// Accounts on a real server: logins with their messages, bound computers, password changes and
// validity, account upkeep, and job groups as seen by GetUserJobInfo.

#include "AppServerFixture.h"
#include "SecurityModule.h"

#include <QTest>

namespace {
const QString kSecurity = QStringLiteral("SrvJobSecurity.SecurityINTF");
const QString kJobs = QStringLiteral("SrvJobSecurity.JobManagerINTF");
} // namespace

class TstAppServerSecurity : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    std::unique_ptr<TSocketConnection> FSec;

    // Login (dispatch 10) or LoginByMachine (7): the answer and the message.
    std::pair<bool, QString> Login(const QString &id, const QString &password,
                                   const QString *machine = nullptr) {
        std::vector<Variant> args{Variant(id), Variant(password)};
        if (machine)
            args.emplace_back(*machine);
        args.emplace_back();
        const Variant ok = FSec->AppServer().Invoke(machine ? 7 : 10, args);
        return {ok.ToBool(), args.back().ToString()};
    }

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        FServer = std::make_unique<TAppServerFixture>();
        FSec = FServer->Connect(kSecurity);
    }
    void cleanupTestCase() {
        FSec.reset();
        FServer.reset();
    }
    // Tests sign in as teachers; the account and group upkeep is the administrator's.
    void init() {
        if (FServer)
            FServer->SignIn();
    }

    void demoAccountsLogIn() {
        auto [ok, message] = Login("ADMIN", "orv7-admin");
        QVERIFY(ok);
        QVERIFY(message.isEmpty());
        QCOMPARE(FServer->Query("SELECT LoggedIn FROM Users WHERE ID='ADMIN'").toInt(), 1);
        QVERIFY(Login("T001", "teach-2024").first);
        QVERIFY(FSec->AppServer().Call(2, {Variant("T001"), Variant("teach-2024")}).ToBool());
        FSec->AppServer().Call(11, {Variant("ADMIN")});
        QCOMPARE(FServer->Query("SELECT LoggedIn FROM Users WHERE ID='ADMIN'").toInt(), 0);
        // Logging out ended the session: the rest of the tests sign in again.
        QVERIFY(TSessionTicket::Current().isEmpty());
        FServer->SignIn();
        // Passwords are never stored as typed.
        const QString hash =
            FServer->Query("SELECT PasswordHash FROM Users WHERE ID='T001'").toString();
        QVERIFY(hash.startsWith("$argon2id$"));
        QVERIFY(!hash.contains("teach-2024"));
    }

    void wrongPasswordsAreRefusedWithAMessage() {
        for (const auto &[id, pw] : {std::pair{"ADMIN", "orv7-ADMIN"}, std::pair{"ADMIN", ""},
                                     std::pair{"NOBODY", "orv7-admin"}}) {
            auto [ok, message] = Login(id, pw);
            QVERIFY(!ok);
            QCOMPARE(message, QStringLiteral("帳號或密碼錯誤"));
        }
        QVERIFY(!FSec->AppServer().Call(2, {Variant("ADMIN"), Variant("x")}).ToBool());
    }

    void boundComputerRule() {
        const QString lab = "10.0.0.99LAB-PC01";
        const QString labLower = "10.0.0.99lab-pc01";
        const QString labIp = "10.0.0.99";
        const QString other = "10.0.0.98LAB-PC02";
        const QString prefixIp = "10.0.0.9";
        QVERIFY(Login("T002", "lab-2024", &lab).first);
        QVERIFY(Login("T002", "lab-2024", &labLower).first);
        QVERIFY(Login("T002", "lab-2024", &labIp).first);
        auto [ok, message] = Login("T002", "lab-2024", &other);
        QVERIFY(!ok);
        QCOMPARE(message, QStringLiteral("此帳號不可在這部電腦登入"));
        QVERIFY(!Login("T002", "lab-2024", &prefixIp).first);
        // Without naming a computer a bound account cannot log in at all.
        auto [plainOk, plainMessage] = Login("T002", "lab-2024");
        QVERIFY(!plainOk);
        QCOMPARE(plainMessage, QStringLiteral("此帳號限定在指定的電腦登入"));
        // Unbound accounts log in from anywhere.
        QVERIFY(Login("T001", "teach-2024", &other).first);
        // A wrong password is reported as such even from the right computer.
        QCOMPARE(Login("T002", "nope", &lab).second, QStringLiteral("帳號或密碼錯誤"));
    }

    void machineMatching_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("allowed");
        const QStringList one{"192.168.1.10PC01"};
        QTest::newRow("same") << one << "192.168.1.10PC01" << true;
        QTest::newRow("address only") << one << "192.168.1.10" << true;
        QTest::newRow("name only") << one << "pc01" << true;
        QTest::newRow("address prefix") << one << "192.168.1.1" << false;
        QTest::newRow("other name") << one << "192.168.1.10PC02" << false;
        QTest::newRow("empty host") << one << "" << false;
        QTest::newRow("no entries") << QStringList() << "" << true;
        QTest::newRow("second entry")
            << QStringList{"10.1.1.1A", "10.1.1.2B"} << "10.1.1.2" << true;
    }
    void machineMatching() {
        QFETCH(QStringList, entries);
        QFETCH(QString, host);
        QFETCH(bool, allowed);
        QCOMPARE(TSecurityModule::MachineAllowed(entries, host), allowed);
    }

    void userInfoValueForms() {
        std::vector<Variant> args{Variant("T002"), {}, {}, {}, {}, {}};
        QVERIFY(FSec->AppServer().Invoke(5, args).ToBool());
        QCOMPARE(args[1].ToString(), QStringLiteral("陳志明"));
        QCOMPARE(args[2].ToString(), QStringLiteral("資訊科教師(限電腦教室)"));
        QCOMPARE(args[3].VarType(), TVarType::Date);
        QCOMPARE(args[4].VarType(), TVarType::Date);
        QCOMPARE(args[4].ToDateTime().ToDate(), QDate(9999, 1, 1));
        QCOMPARE(args[5].ToString(), QStringLiteral("10.0.0.99LAB-PC01\n"));
        std::vector<Variant> none{Variant("NOBODY"), {}, {}, {}, {}, {}};
        QVERIFY(!FSec->AppServer().Invoke(5, none).ToBool());
        QCOMPARE(none[1].ToString(), QString());
        // The bound computers as their own list, and replaced as a whole.
        FSec->AppServer().Call(1, {Variant("T001"), Variant("10.0.0.5PC05\r\n10.0.0.6PC06\n\n")});
        QCOMPARE(FSec->AppServer().Call(12, {Variant("T001")}).ToString(),
                 QStringLiteral("10.0.0.5PC05\n10.0.0.6PC06\n"));
        FSec->AppServer().Call(1, {Variant("T001"), Variant("")});
        QCOMPARE(FSec->AppServer().Call(12, {Variant("T001")}).ToString(), QString());
        QVERIFY_THROWS_EXCEPTION(EServerError,
                                 FSec->AppServer().Call(1, {Variant("NOBODY"), Variant("x")}));
    }

    void accountUpkeep() {
        auto sec = FSec->AppServer();
        QVERIFY(sec.Call(4, {Variant("T900"), Variant("first-pw"), Variant("王小明"),
                             Variant("代理教師"), Variant(6), Variant("ADMIN")})
                    .ToBool());
        // The same ID twice is refused.
        QVERIFY(!sec.Call(4, {Variant("T900"), Variant("x"), Variant(""), Variant(""), Variant(0),
                              Variant("ADMIN")})
                     .ToBool());
        QVERIFY(Login("T900", "first-pw").first);
        // T900 belongs to no group: what follows is the administrator's.
        FServer->SignIn();
        std::vector<Variant> info{Variant("T900"), {}, {}, {}, {}, {}};
        sec.Invoke(5, info);
        QCOMPARE(info[4].ToDateTime().ToDate(), QDate::currentDate().addMonths(6));

        // A password change needs the old password.
        QVERIFY(!sec.Call(3, {Variant("T900"), Variant("wrong"), Variant("second-pw")}).ToBool());
        QVERIFY(sec.Call(3, {Variant("T900"), Variant("first-pw"), Variant("second-pw")}).ToBool());
        QVERIFY(!Login("T900", "first-pw").first);
        QVERIFY(Login("T900", "second-pw").first);
        const QByteArray t900 = TSessionTicket::Current();
        FServer->SignIn();

        // Validity: a month count of 0 means no end; an end in the past refuses the login.
        QVERIFY(sec.Call(8, {Variant("T900"), Variant(0), Variant("ADMIN")}).ToBool());
        sec.Invoke(5, info);
        QCOMPARE(info[4].ToDateTime().ToDate(), QDate(9999, 1, 1));
        QVERIFY(!sec.Call(8, {Variant("NOBODY"), Variant(3), Variant("ADMIN")}).ToBool());
        FServer->Database().Run({"UPDATE Users SET EndDate='2000-01-01 00:00:00' WHERE ID='T900'"});
        auto [ok, message] = Login("T900", "second-pw");
        QVERIFY(!ok);
        QCOMPARE(message, QStringLiteral("密碼已過期,請洽系統管理者"));

        sec.Call(6, {Variant("T900\nT901\n"), Variant("ADMIN")});
        QVERIFY(!FServer->Query("SELECT 1 FROM Users WHERE ID='T900'").isValid());
        QVERIFY(!FServer->Query("SELECT 1 FROM UserProfile WHERE ID='T900'").isValid());
        // A deleted account's sessions end with it.
        QVERIFY(!FServer->Query("SELECT 1 FROM Sessions WHERE ID='T900'").isValid());
        TSessionTicket::Set(t900);
        QVERIFY_THROWS_EXCEPTION(ESignInRequired, sec.Invoke(5, info));
        FServer->SignIn();

        // By group: membership and start form come with the account; an unknown group undoes all.
        QVERIFY(sec.Call(403, {Variant("T910"), Variant("pw-910"), Variant("張"), Variant(""),
                               Variant(0), Variant("ADMIN"), Variant("ACAD\n"),
                               Variant("LumJobTree.bpl")})
                    .ToBool());
        QCOMPARE(FServer->Query("SELECT GroupID FROM GroupMembers WHERE ID='T910'").toString(),
                 "ACAD");
        QCOMPARE(FServer->Query("SELECT MainForm FROM UserProfile WHERE ID='T910'").toString(),
                 "LumJobTree.bpl");
        QVERIFY_THROWS_EXCEPTION(
            EServerError,
            sec.Call(403, {Variant("T911"), Variant("pw"), Variant(""), Variant(""), Variant(0),
                           Variant("ADMIN"), Variant("NOGROUP"), Variant("")}));
        QVERIFY(!FServer->Query("SELECT 1 FROM Users WHERE ID='T911'").isValid());
        QCOMPARE(sec.Call(QStringLiteral("GetUserProFile"), {Variant("ADMIN")})
                     .ToString()
                     .section('\n', 0, 0),
                 QStringLiteral("MainForm=LumJobTree.bpl"));
    }

    void jobGroupsAndAgents() {
        auto jobs = FServer->Connect(kJobs);
        auto jm = jobs->AppServer();
        QVERIFY(jm.Call(2, {Variant("LIB"), Variant("T001"), Variant("A70"), Variant("ADMIN")})
                    .ToBool());
        QVERIFY(jm.Call(5, {Variant("LIB"), Variant("LibLoan.bpl\nLibStock.bpl"), Variant("ADMIN")})
                    .ToBool());
        QVERIFY(jm.Call(6, {Variant("LIB"), Variant("T001\nT002"), Variant("ADMIN")}).ToBool());
        std::vector<Variant> gm{Variant("LIB"), {}, {}};
        QVERIFY(jm.Invoke(9, gm).ToBool());
        QCOMPARE(gm[1].ToString(), "T001\nT002\n");
        QCOMPARE(gm[2].ToString(), "LibLoan.bpl\nLibStock.bpl\n");

        // T002 gets one more job directly and acts for T001 on another.
        QVERIFY(jm.Call(11, {Variant("T002"), Variant("LIB"), Variant("LibReport.bpl"),
                             Variant("ADMIN")})
                    .ToBool());
        QVERIFY(jm.Call(12, {Variant("T001"), Variant("T002"), Variant("ACAD"),
                             Variant("AcadCourse.bpl"), Variant(Date() - 1), Variant(Date() + 1),
                             Variant("出差")})
                    .ToBool());
        std::vector<Variant> info{Variant("T002"), {}, {}, {}};
        QVERIFY(jm.Invoke(15, info).ToBool());
        QCOMPARE(info[1].ToString(), "LIB\nSTUDENT\n");
        // STUDENT also runs the packages of the demo school that are student affairs' business.
        const QString common = "LumChangePassword.bpl\nLumPublicNews.bpl\nLumSYSHelpRead.bpl\n"
                               "LumUnitActionsQuery.bpl\nTqAbsenceNotify.bpl\n"
                               "TqAbsenceWeeklyNotify.bpl\nTqClassAbsWeekly.bpl\n"
                               "TqRewardCertificate.bpl\nTqRewardDocuments.bpl\n"
                               "TqRewardNotify.bpl\nTqStdClassChart.bpl\n"
                               "TqStdOnSchoolIdx.bpl\nTqStdQuery.bpl\n";
        QCOMPARE(info[2].ToString(),
                 "AcadAbsence.bpl\nAcadCourse.bpl\nLibLoan.bpl\nLibReport.bpl\nLibStock.bpl\n" +
                     common);
        QCOMPARE(info[3].ToString(), "STUDENT\n");

        // Agencies end, jobs and groups go away everywhere.
        jm.Call(1, {Variant("T001"), Variant("T002"), Variant("ACAD"), Variant("")});
        jm.Call(14, {Variant("LibReport.bpl")});
        QVERIFY(jm.Call(16, {Variant("T002"), Variant("LIB"), Variant("ADMIN")}).ToBool());
        jm.Invoke(15, info);
        QCOMPARE(info[2].ToString(), "AcadAbsence.bpl\nLibLoan.bpl\nLibStock.bpl\n" + common);
        QCOMPARE(info[3].ToString(), "LIB\nSTUDENT\n");
        QVERIFY(jm.Call(3, {Variant("T002"), Variant("ADMIN"), Variant("ADMIN")}).ToBool());
        QVERIFY(jm.Call(17, {Variant("LibLoan.bpl"), Variant("ACAD"), Variant("ADMIN")}).ToBool());
        QVERIFY(jm.Call(7, {Variant("T002"), Variant("STUDENT"), Variant("ADMIN")}).ToBool());
        jm.Call(8, {Variant("LIB")});
        jm.Call(13, {Variant("T002")});
        jm.Invoke(15, info);
        QCOMPARE(info[1].ToString(), QString());
        QCOMPARE(info[3].ToString(), QString()); // STUDENT went to ADMIN with ChangeManager
        QCOMPARE(FServer->Query("SELECT Manager FROM JobGroups WHERE GroupID='STUDENT'").toString(),
                 "ADMIN");
        // Changes that name an unknown group are refused whole.
        QVERIFY_THROWS_EXCEPTION(
            EServerError,
            jm.Call(7, {Variant("T001"), Variant("ACAD\nNOGROUP"), Variant("ADMIN")}));
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM GroupMembers WHERE ID='T001'").toInt(), 1);
        QVERIFY_THROWS_EXCEPTION(
            EServerError,
            jm.Call(12, {Variant("T001"), Variant("T002"), Variant("ACAD"), Variant("x"),
                         Variant(Date() + 2), Variant(Date()), Variant("")}));
    }
};

QTEST_GUILESS_MAIN(TstAppServerSecurity)
#include "tst_AppServerSecurity.moc"
