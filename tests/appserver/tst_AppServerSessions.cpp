// Signed-in sessions on a real server: what a connection without a ticket may reach (every
// registered object and provider walked), forged, truncated and replayed tickets, a malformed
// ticket frame, the idle lapse on a moving clock, password changes and the administrator's
// revocation ending tickets, two servers on one database honouring each other's tickets, the
// login throttle, and the record of applied changes.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "DateTime.h"
#include "FixedClock.h"
#include "ServerProcess.h"
#include "Sessions.h"

#include <QMutex>
#include <QSettings>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

namespace {

const QString kSecurity = QStringLiteral("SrvJobSecurity.SecurityINTF");
const QString kStudents = QStringLiteral("SrvAcademic.AcadStudentINTF");
const QString kRefused = QStringLiteral("尚未登入或登入已逾時");

// The server's log lines, from every thread.
QStringList gLog;
QMutex gLogMutex;
QtMessageHandler gPrevious = nullptr;
void Collect(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    {
        QMutexLocker lock(&gLogMutex);
        gLog << text;
    }
    if (gPrevious)
        gPrevious(type, context, text);
}

} // namespace

class TstAppServerSessions : public QObject {
    Q_OBJECT

    // Login (10) on a new connection: the answer and the message. A ticket it issues becomes
    // the process's.
    static std::pair<bool, QString> Login(const TAppServerFixture &server, const QString &id,
                                          const QString &password) {
        auto sec = server.Connect(kSecurity);
        std::vector<Variant> args{Variant(id), Variant(password), Variant()};
        const bool ok = sec->AppServer().Invoke(10, args).ToBool();
        return {ok, VarToStr(args[2])};
    }
    // Whether a call that needs a signed-in user gets through with the process's ticket.
    static bool Reaches(const TAppServerFixture &server, quint16 port = 0) {
        try {
            auto sec = server.Connect(kSecurity, port);
            std::vector<Variant> args{Variant("T001"), {}, {}, {}, {}, {}};
            sec->AppServer().Invoke(5, args); // GetUserInfo
            return true;
        } catch (const ESignInRequired &e) {
            if (e.Message() != kRefused)
                throw;
            return false;
        }
    }
    static int Count(const TAppServerFixture &server, const QString &sql) {
        return server.Query(sql).toInt();
    }

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        gPrevious = qInstallMessageHandler(Collect);
    }
    void cleanupTestCase() { qInstallMessageHandler(gPrevious); }
    void init() { TSessionTicket::Clear(); }

    // Every method of every registered object, and every provider call of every provider,
    // is refused without a ticket unless the sign-in needs it; those few work.
    void withoutTicketOnlyThePreLoginCallsRun() {
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        struct TCall {
            QString ProgID, Method;
            std::vector<Variant> Args;
        };
        QList<TCall> calls;
        // The registration tables, read on the server's own thread.
        server.Thread().RunOnServer([&](TObjectServer *objects) {
            for (const QString &progId : objects->ProgIDs()) {
                TRemoteSession session;
                auto object = objects->CreateObject(progId, session);
                QVERIFY(object);
                for (const QString &method : object->MethodNames()) {
                    if (!method.startsWith(QLatin1String("AS_")))
                        calls.append({progId, method, {}});
                }
                std::vector<Variant> none;
                std::vector<int> outputs;
                const Variant names =
                    object->Invoke(Remote::DispAS_GetProviderNames, QString(), none, outputs);
                for (int i = names.LowBound(); i <= names.HighBound(); ++i) {
                    const Variant provider = names[i];
                    calls.append({progId,
                                  "AS_GetRecords",
                                  {provider, Variant(-1), Variant(0), Variant(grMetaData),
                                   Variant("SELECT * FROM StdOnSchool"), Variant(), Variant()}});
                    calls.append({progId,
                                  "AS_ApplyUpdates",
                                  {provider, Variant(QByteArray("delta")), Variant(0), Variant(),
                                   Variant()}});
                    calls.append({progId, "AS_GetParams", {provider, Variant()}});
                    calls.append({progId, "AS_DataRequest", {provider, Variant()}});
                    calls.append(
                        {progId, "AS_Execute", {provider, Variant(""), Variant(), Variant()}});
                    calls.append(
                        {progId, "AS_RowRequest", {provider, Variant(), Variant(0), Variant()}});
                    calls.append({progId,
                                  "AS_GetRecords",
                                  {provider, Variant(-1), Variant(0), Variant(grMetaData),
                                   Variant(""), Variant(), Variant()}});
                }
                calls.append({progId, "AS_GetProviderNames", {}});
            }
        });
        QVERIFY(calls.size() > 100);
        const int students = Count(server, "SELECT COUNT(*) FROM StdOnSchool");
        const int events = Count(server, "SELECT COUNT(*) FROM EventLog");
        int allowed = 0;
        for (const TCall &call : calls) {
            const bool preLogin =
                TApplicationServer::PreLoginAllowed(call.ProgID, call.Method, call.Args);
            auto connection = server.Connect(call.ProgID);
            std::vector<Variant> args = call.Args;
            try {
                connection->AppServer().Invoke(call.Method, args);
                QVERIFY2(preLogin, qPrintable(call.ProgID + " " + call.Method + " ran"));
            } catch (const ESignInRequired &e) {
                QVERIFY2(!preLogin, qPrintable(call.ProgID + " " + call.Method + " was refused"));
                QCOMPARE(e.Message(), kRefused);
            } catch (const EServerError &e) {
                // A pre-login call that ran and failed on the arguments given here.
                QVERIFY2(preLogin,
                         qPrintable(call.ProgID + " " + call.Method + ": " + e.Message()));
            }
            allowed += preLogin ? 1 : 0;
        }
        // The pre-login calls all exist: the fetches of the two lists without a command text,
        // and every method of the list.
        int listed = 0;
        for (const auto &entry : TApplicationServer::PreLoginCalls())
            listed += entry.Provider.isEmpty() ? 1 : 0;
        QCOMPARE(allowed, listed + 2);
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM StdOnSchool"), students);
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM EventLog"), events);
        {
            QMutexLocker lock(&gLogMutex);
            QVERIFY(gLog.filter("refused").filter("127.0.0.1").size() >= calls.size() - allowed);
        }

        // The sign-in itself runs, and what the start-up reads before it.
        auto code = server.Connect("SystemObj.CodeTableINTF");
        QCOMPARE(code->AppServer().Call("GetSystemDateTime").VarType(), TVarType::Date);
        QVERIFY(Login(server, "T001", "teach-2024").first);
        QVERIFY(Reaches(server));
    }

    // A fetch of the students as a user does it: refused without a ticket, read with one.
    void studentsAreReadOnlyWhenSignedIn() {
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        auto connection = server.Connect(kStudents);
        TClientDataSet ds;
        ds.SetAppServer(connection->GetServer());
        ds.SetProviderName("dspStdBasic");
        QVERIFY_THROWS_EXCEPTION(ESignInRequired, ds.Open());
        QVERIFY(!ds.Active());
        // The same connection, held open, goes on with the ticket issued meanwhile.
        QVERIFY(Login(server, "T001", "teach-2024").first);
        ds.Open();
        QVERIFY(ds.RecordCount() > 0);
    }

    void forgedTruncatedAndReplayedTicketsAreRefused() {
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        QVERIFY(Login(server, "T001", "teach-2024").first);
        const QByteArray ticket = TSessionTicket::Current();
        QCOMPARE(ticket.size(), Remote::TicketSize);
        // The database keeps only the ticket's hash, with the user and the computer.
        QCOMPARE(server
                     .Query("SELECT ID FROM Sessions WHERE TicketHash = '" +
                            TSessionStore::Hash(ticket) + "'")
                     .toString(),
                 QStringLiteral("T001"));
        QVERIFY(server.Query("SELECT Computer FROM Sessions").toString().contains("127.0.0.1"));
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM Sessions WHERE TicketHash LIKE '%" +
                                   QString::fromLatin1(ticket.toHex()) + "%'"),
                 0);
        QVERIFY(Reaches(server));

        QByteArray forged = ticket;
        forged[0] = char(forged[0] ^ 1);
        TSessionTicket::Set(forged);
        QVERIFY(!Reaches(server));
        TSessionTicket::Set(ticket.left(Remote::TicketSize - 1));
        QVERIFY(!Reaches(server));
        TSessionTicket::Set(ticket + QByteArray(1, 'x'));
        QVERIFY(!Reaches(server));

        TSessionTicket::Set(ticket);
        QVERIFY(Reaches(server));
        auto sec = server.Connect(kSecurity);
        sec->AppServer().Call(11, {Variant("T001")}); // LogOut
        QVERIFY(TSessionTicket::Current().isEmpty());
        TSessionTicket::Set(ticket);
        QVERIFY(!Reaches(server));
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM Sessions"), 0);
    }

    // A ticket frame that no client sends closes that connection only, with a logged reason.
    void malformedTicketFrameClosesOnlyItsConnection() {
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        const auto frame = [](const QByteArray &payload) {
            QByteArray out(4, Qt::Uninitialized);
            qToBigEndian(quint32(payload.size()), out.data());
            return out + payload;
        };
        for (const QByteArray &payload :
             {QByteArray("\x82\x0a\x58\x41") + QByteArray(65, 'x'), // 65-byte ticket
              QByteArray("\x82\x0a\x63"
                         "abc"),                 // text, not bytes
              QByteArray("\x81\x0a"),            // no ticket
              QByteArray("\x83\x0a\x40\x40")}) { // one element too many
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, server.Port());
            QVERIFY(socket.waitForConnected(5000));
            socket.write(Remote::EncodeFrame(Remote::TMessage::Hello()));
            QVERIFY(socket.waitForReadyRead(5000));
            socket.readAll();
            socket.write(frame(payload));
            QVERIFY(socket.state() == QAbstractSocket::UnconnectedState ||
                    socket.waitForDisconnected(5000));
        }
        {
            QMutexLocker lock(&gLogMutex);
            QVERIFY(!gLog.filter("Malformed frame").filter("ticket").isEmpty());
        }
        QVERIFY(Login(server, "T001", "teach-2024").first);
        QVERIFY(Reaches(server));
    }

    void idleTicketsLapse() {
        TMovingClock clock(QDateTime(QDate(2024, 9, 2), QTime(8, 0)));
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut,
                                 [](TApplicationServerConfig &c) { c.SessionIdleMinutes = 10; });
        QVERIFY(Login(server, "T001", "teach-2024").first);
        clock.Advance(9);
        QVERIFY(Reaches(server));
        clock.Advance(9); // counted from the last use
        QVERIFY(Reaches(server));
        clock.Advance(10);
        QVERIFY(!Reaches(server));
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM Sessions"), 0);
        QVERIFY(Login(server, "T001", "teach-2024").first);
        QVERIFY(Reaches(server));
    }

    // A password change ends the account's other tickets; the changing connection goes on.
    void passwordChangeEndsTheOtherTickets() {
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        QVERIFY(Login(server, "T001", "teach-2024").first);
        const QByteArray elsewhere = TSessionTicket::Current();
        QVERIFY(Login(server, "ADMIN", "orv7-admin").first);
        const QByteArray admin = TSessionTicket::Current();
        QVERIFY(Login(server, "T001", "teach-2024").first);
        const QByteArray here = TSessionTicket::Current();
        auto sec = server.Connect(kSecurity);
        QVERIFY(sec->AppServer()
                    .Call(3, {Variant("T001"), Variant("teach-2024"), Variant("new-2024")})
                    .ToBool());
        const QByteArray renewed = TSessionTicket::Current();
        QVERIFY(!renewed.isEmpty() && renewed != here);
        QVERIFY(Reaches(server));
        for (const QByteArray &old : {elsewhere, here}) {
            TSessionTicket::Set(old);
            QVERIFY(!Reaches(server));
        }
        TSessionTicket::Set(admin);
        QVERIFY(Reaches(server));
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM Sessions WHERE ID = 'T001'"), 1);
    }

    // The administrator's command ends a user's tickets on a running server's database.
    void administratorRevokesAUsersTickets() {
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        QVERIFY(Login(server, "ADMIN", "orv7-admin").first);
        const QByteArray admin = TSessionTicket::Current();
        QVERIFY(Login(server, "T001", "teach-2024").first);
        QVERIFY(Login(server, "T001", "teach-2024").first);
        QTemporaryDir dir;
        const QString ini = dir.filePath("appserver.ini");
        {
            const TDatabaseConfig &db = server.Database().Config();
            QSettings settings(ini, QSettings::IniFormat);
            settings.setValue("Database/Driver", db.Driver);
            settings.setValue("Database/Name", db.Name);
            settings.setValue("Database/Host", db.Host);
            settings.setValue("Database/Port", db.Port);
            settings.setValue("Database/User", db.User);
        }
        TServerProcess revoke({"--config", ini, "--revoke", "T001"}, dir.filePath("revoke.log"));
        QTRY_VERIFY_WITH_TIMEOUT(revoke.Log().contains("ended 2 sessions of T001"), 20000);
        QVERIFY(!Reaches(server));
        TSessionTicket::Set(admin);
        QVERIFY(Reaches(server));
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM EventLog WHERE Operation = 'REVOKE' AND "
                               "Operator = 'T001'"),
                 1);
    }

    // Servers sharing one database honour each other's tickets and sign-outs.
    void twoServersOnOneDatabase() {
        TAppServerFixture first({}, 0, TFixtureSignIn::SignedOut);
        TApplicationServerConfig config;
        config.Address = QHostAddress::LocalHost;
        config.Port = 0;
        config.Database = first.Database().Config();
        TServerThread second([config] { return new TApplicationServer(config); });
        second.StartServer();
        QVERIFY(Login(first, "T001", "teach-2024").first);
        const QByteArray ticket = TSessionTicket::Current();
        QVERIFY(Reaches(first, second.Port()));
        // Signed out on the second: a client that kept the ticket is refused by the first.
        first.Connect(kSecurity, second.Port())->AppServer().Call(11, {Variant("T001")});
        TSessionTicket::Set(ticket);
        QVERIFY(!Reaches(first));
        QVERIFY(!Reaches(first, second.Port()));
        second.StopServer();
    }

    void failedLoginsLockTheAccountThenTheAddress() {
        TMovingClock clock(QDateTime(QDate(2024, 9, 2), QTime(8, 0)));
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        const QString wrong = QStringLiteral("帳號或密碼錯誤");
        for (int i = 0; i < TLoginThrottle::AccountLimit; ++i)
            QCOMPARE(Login(server, "T001", "guess").second, wrong);
        // Now even the right password is refused, with its own message; other accounts are not.
        const auto locked = Login(server, "T001", "teach-2024");
        QVERIFY(!locked.first);
        QVERIFY(locked.second.contains(QStringLiteral("帳號登入失敗次數過多")));
        QVERIFY(Login(server, "ADMIN", "orv7-admin").first);
        QCOMPARE(Count(server, "SELECT COUNT(*) FROM EventLog WHERE Operation = 'LOCKOUT' AND "
                               "Operator = 'T001'"),
                 1);
        clock.Advance(TLoginThrottle::LockMinutes);
        QVERIFY(Login(server, "T001", "teach-2024").first);
        QVERIFY(Count(server, "SELECT COUNT(*) FROM EventLog WHERE Operation = 'LOGIN' AND "
                              "Operator = 'T001'") >= 1);

        // Failures spread over many accounts lock the address they come from.
        for (int i = 0; i < TLoginThrottle::AddressLimit; ++i)
            QCOMPARE(Login(server, QStringLiteral("X%1").arg(i), "guess").second, wrong);
        const auto address = Login(server, "ADMIN", "orv7-admin");
        QVERIFY(!address.first);
        QVERIFY(address.second.contains(QStringLiteral("此電腦登入失敗次數過多")));
        // A logged-in user cannot probe passwords through CanPass meanwhile.
        QVERIFY(!server.Connect(kSecurity)
                     ->AppServer()
                     .Call(2, {Variant("T001"), Variant("teach-2024")})
                     .ToBool());
        clock.Advance(TLoginThrottle::LockMinutes);
        QVERIFY(Login(server, "ADMIN", "orv7-admin").first);
    }

    // Each apply leaves a record of who changed what; clients cannot read that record.
    void appliesAreRecorded() {
        TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
        QVERIFY(Login(server, "T001", "teach-2024").first);
        // A student without a school record, to be deleted (one with a record stays).
        server.Database().Run({"INSERT INTO StdOnSchool (StudentID, Cht_Name) VALUES "
                               "('119002', '刪除生')"});
        auto connection = server.Connect(kStudents);
        TClientDataSet ds;
        ds.SetAppServer(connection->GetServer());
        ds.SetProviderName("dspStdBasic");
        ds.Open();
        QVERIFY(ds.Locate("StudentID", Variant("113001")));
        ds.Edit();
        ds.FieldByName("Address")->SetAsString(QStringLiteral("臺中市西區民權路1號"));
        ds.Post();
        ds.Append();
        ds.FieldByName("StudentID")->SetAsString("119001");
        ds.FieldByName("Cht_Name")->SetAsString(QStringLiteral("王小明"));
        ds.Post();
        QVERIFY(ds.Locate("StudentID", Variant("119002")));
        ds.Delete();
        QCOMPARE(ds.ApplyUpdates(0), 0);
        QCOMPARE(server
                     .Query("SELECT ID || '/' || Provider || '/' || ProgID || '/' || "
                            "CAST(Inserted AS VARCHAR(9)) || CAST(Changed AS VARCHAR(9)) || "
                            "CAST(Deleted AS VARCHAR(9)) || CAST(Errors AS VARCHAR(9)) "
                            "FROM ApplyLog")
                     .toString()
                     .toLower(),
                 QStringLiteral("t001/dspstdbasic/srvacademic.acadstudentintf/1110"));
        QVERIFY(!server.Query("SELECT ApplyTime FROM ApplyLog").toString().isEmpty());
        for (const char *table : {"ApplyLog", "Sessions", "LoginFailures"}) {
            TClientDataSet peek;
            peek.SetAppServer(connection->GetServer());
            peek.SetProviderName("dspStdBasic");
            peek.SetCommandText(QStringLiteral("SELECT * FROM %1").arg(table));
            QVERIFY_THROWS_EXCEPTION(EServerError, peek.Open());
        }
    }
};

QTEST_GUILESS_MAIN(TstAppServerSessions)
#include "tst_AppServerSessions.moc"
