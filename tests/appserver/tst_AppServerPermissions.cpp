// Permissions by job group on a real server: a teacher of 教務 reads the students and neither
// reads nor applies to the accounts; a read-only permission refuses an apply and the client's
// changes stay pending; a change made through the permission providers holds for an open
// session at its next call on another server of the same database; every registered object's
// every call is checked (the registration tables walked); the permission providers are the
// administrators'; an older database gains the demo school's permissions.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "Fields.h"
#include "Permissions.h"

#include <QMutex>
#include <QSet>
#include <QTest>

namespace {

const QString kAccounts = QStringLiteral("SrvAccGL.ACCGLINTF");
const QString kStudents = QStringLiteral("SrvAcademic.AcadStudentINTF");
const QString kJobs = QStringLiteral("SrvJobSecurity.JobManagerINTF");

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

std::unique_ptr<TClientDataSet> Data(TSocketConnection &connection, const QString &provider,
                                     const QString &groupId = QString()) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->SetAppServer(connection.GetServer());
    ds->SetProviderName(provider);
    if (!groupId.isEmpty())
        ds->Params().CreateParam(ftString, QStringLiteral("GroupID")).SetAsString(groupId);
    return ds;
}

// The message of the server error that a call raises (empty when it raises none).
QString Refusal(const std::function<void()> &call) {
    try {
        call();
    } catch (const EServerError &e) {
        return e.Message();
    }
    return QString();
}

// One call of the walk: every method of every registered object, and the provider calls of
// every provider.
struct TCall {
    QString ProgID; // as registered (lower case)
    QString Method;
    std::vector<Variant> Args;
    bool Changes = false;
};

QList<TCall> RegisteredCalls(TAppServerFixture &server) {
    QList<TCall> calls;
    server.Thread().RunOnServer([&](TObjectServer *objects) {
        for (const QString &progId : objects->ProgIDs()) {
            TRemoteSession session;
            auto object = objects->CreateObject(progId, session);
            for (const QString &method : object->MethodNames())
                if (!method.startsWith(QLatin1String("AS_")))
                    calls.append({progId, method, {}, object->ChangesData(method)});
            std::vector<Variant> none;
            std::vector<int> outputs;
            const Variant names =
                object->Invoke(Remote::DispAS_GetProviderNames, QString(), none, outputs);
            for (int i = names.LowBound(); i <= names.HighBound(); ++i) {
                const Variant p = names[i];
                calls.append({progId,
                              "AS_GetRecords",
                              {p, Variant(-1), Variant(0), Variant(grMetaData), Variant(""),
                               Variant(), Variant()}});
                calls.append({progId,
                              "AS_ApplyUpdates",
                              {p, Variant(QByteArray("delta")), Variant(0), Variant(), Variant()},
                              true});
                calls.append({progId, "AS_GetParams", {p, Variant()}});
                calls.append({progId, "AS_DataRequest", {p, Variant()}});
            }
            calls.append({progId, "AS_GetProviderNames", {}});
        }
    });
    return calls;
}

QString Spelled(const QString &progId) {
    for (const QString &hosted : TApplicationServer::HostedProgIDs())
        if (hosted.compare(progId, Qt::CaseInsensitive) == 0)
            return hosted;
    return progId;
}

} // namespace

class TstAppServerPermissions : public QObject {
    Q_OBJECT

    // Signs the process in as the user on a fresh server's security object.
    static void SignInAs(const TAppServerFixture &server, const QString &id, const QString &pw) {
        TSessionTicket::Clear();
        server.SignIn(id, pw);
    }
    // Runs work as the administrator, then goes back to the ticket the process held.
    static void AsAdministrator(const TAppServerFixture &server,
                                const std::function<void()> &work) {
        const QByteArray ticket = TSessionTicket::Current();
        server.SignIn();
        work();
        TSessionTicket::Set(ticket);
    }

    // Walks every call with the process's ticket: for each, the server's error (empty when
    // it raised none).
    static QList<std::pair<TCall, QString>> Walk(TAppServerFixture &server,
                                                 const QList<TCall> &calls) {
        QList<std::pair<TCall, QString>> outcome;
        std::map<QString, std::unique_ptr<TSocketConnection>> connections;
        for (const TCall &call : calls) {
            auto &c = connections[call.ProgID];
            if (!c)
                c = server.Connect(call.ProgID);
            std::vector<Variant> args = call.Args;
            outcome.append({call, Refusal([&] { c->AppServer().Invoke(call.Method, args); })});
        }
        return outcome;
    }
    // Whether the server refused the call for want of permission; it says so naming the
    // object as the server spells it.
    static bool Denied(const TCall &call, const QString &why) {
        if (!why.startsWith(QStringLiteral("權限不足")))
            return false;
        [&] { QCOMPARE(why, TPermissions::DeniedText(Spelled(call.ProgID))); }();
        return true;
    }
    // What every signed-in user may call.
    static bool Exempt(const TCall &call) {
        return TApplicationServer::PreLoginAllowed(call.ProgID, call.Method, call.Args) ||
               (call.ProgID.compare("SrvJobSecurity.SecurityINTF", Qt::CaseInsensitive) == 0 &&
                call.Method == QLatin1String("LogOut"));
    }

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        gPrevious = qInstallMessageHandler(Collect);
    }
    void cleanupTestCase() { qInstallMessageHandler(gPrevious); }
    void init() { TSessionTicket::Clear(); }

    void teacherReadsStudentsButNotAccounts() {
        TAppServerFixture server;
        // The accounts as the administrator reads them, one title changed, to be applied by
        // the teacher below.
        auto accounts = server.Connect(kAccounts);
        auto titles = Data(*accounts, "dspAccTitle");
        titles->Open();
        QVERIFY(titles->Locate("AccNo", Variant("1101")));
        titles->Edit();
        titles->FieldByName("AccName")->SetAsString("現金(改)");
        titles->Post();
        const int events =
            server.Query("SELECT COUNT(*) FROM EventLog WHERE Operation = 'DENIED'").toInt();

        SignInAs(server, "T001", "teach-2024");
        auto students = server.Connect(kStudents);
        auto roll = Data(*students, "dspStdBasic");
        roll->Open();
        QVERIFY(roll->RecordCount() > 1000);

        auto other = Data(*accounts, "dspAccTitle");
        QCOMPARE(Refusal([&] { other->Open(); }), QStringLiteral("權限不足:SrvAccGL.ACCGLINTF"));
        QVERIFY(!other->Active());
        QCOMPARE(Refusal([&] { titles->ApplyUpdates(0); }),
                 QStringLiteral("權限不足:SrvAccGL.ACCGLINTF"));
        QCOMPARE(titles->ChangeCount(), 1);
        QCOMPARE(server.Query("SELECT AccName FROM AccTitles WHERE AccNo = '1101'").toString(),
                 QStringLiteral("現金"));
        QCOMPARE(
            server.Query("SELECT COUNT(*) FROM ApplyLog WHERE Provider = 'dspAccTitle'").toInt(),
            0);
        // Both refusals are logged: on standard error and in the event log, with the user.
        QCOMPARE(server
                     .Query("SELECT COUNT(*) FROM EventLog WHERE Operation = 'DENIED' AND "
                            "Operator = 'T001' AND Description LIKE 'SrvAccGL.ACCGLINTF%'")
                     .toInt(),
                 events + 2);
        {
            QMutexLocker lock(&gLogMutex);
            QVERIFY(!gLog.filter("refused SrvAccGL.ACCGLINTF AS_ApplyUpdates dspAccTitle to T001")
                         .isEmpty());
        }

        // A method that changes data is kept from a group that only reads its object; the
        // user's own password and signing out stay the user's.
        auto security = server.Connect("SrvJobSecurity.SecurityINTF");
        QCOMPARE(Refusal([&] {
                     security->AppServer().Call(4,
                                                {Variant("T960"), Variant("pw-960"), Variant("甲"),
                                                 Variant(""), Variant(0), Variant("T001")});
                 }),
                 QStringLiteral("權限不足:SrvJobSecurity.SecurityINTF"));
        QVERIFY(!server.Query("SELECT 1 FROM Users WHERE ID = 'T960'").isValid());
        QVERIFY(security->AppServer()
                    .Call(3, {Variant("T001"), Variant("teach-2024"), Variant("teach-2025")})
                    .ToBool());
        security->AppServer().Call(11, {Variant("T001")});
        QVERIFY(TSessionTicket::Current().isEmpty());
    }

    // A read-only permission lets the teacher read and refuses the apply, keeping the changes
    // pending; once the permission applies, the same pending changes go through.
    void readOnlyRefusesApplyAndKeepsChangesPending() {
        TAppServerFixture server;
        auto jobs = server.Connect(kJobs);
        auto permissions = Data(*jobs, "dspJobPermissions", "ACAD");
        QStringList refused;
        permissions->OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                            TReconcileAction &action) {
            refused << e.Message();
            action = raCancel;
        };
        permissions->Open();
        const int rows = permissions->RecordCount();
        const auto grant = [&](const QString &object, int apply) {
            permissions->Append();
            permissions->FieldByName("GroupID")->SetAsString("ACAD");
            permissions->FieldByName("ProgID")->SetAsString(object);
            permissions->FieldByName("CanApply")->SetAsInteger(apply);
            permissions->Post();
        };
        // Objects the servers do not register, and bad switches, are refused row by row.
        grant("SrvNothing.NoneINTF", 0);
        grant("SrvAccGL.ACCGLINTF", 2);
        QCOMPARE(permissions->ApplyUpdates(-1), 2);
        QCOMPARE(refused.size(), 2);
        QVERIFY(refused[0].contains("SrvNothing.NoneINTF"));
        QVERIFY(refused[1].contains("「可異動」"));
        permissions->CancelUpdates();
        grant("SrvAccGL.ACCGLINTF", 0);
        QCOMPARE(permissions->ApplyUpdates(0), 0);
        QCOMPARE(server.Query("SELECT COUNT(*) FROM JobPermissions WHERE GroupID = 'ACAD'").toInt(),
                 rows + 1);
        // Administrators need no permissions.
        auto admins = Data(*jobs, "dspJobPermissions", "SYSADM");
        admins->OnReconcileError = permissions->OnReconcileError;
        admins->Open();
        admins->Append();
        admins->FieldByName("GroupID")->SetAsString("SYSADM");
        admins->FieldByName("ProgID")->SetAsString("*");
        admins->FieldByName("CanApply")->SetAsInteger(1);
        admins->Post();
        QCOMPARE(admins->ApplyUpdates(0), 1);
        QVERIFY(refused.last().contains("SYSADM"));

        const QByteArray admin = TSessionTicket::Current();
        SignInAs(server, "T001", "teach-2024");
        auto accounts = server.Connect(kAccounts);
        auto titles = Data(*accounts, "dspAccTitle");
        titles->Open();
        QCOMPARE(titles->RecordCount(), server.Query("SELECT COUNT(*) FROM AccTitles").toInt());
        QVERIFY(titles->Locate("AccNo", Variant("4103")));
        titles->Delete();
        QCOMPARE(Refusal([&] { titles->ApplyUpdates(0); }),
                 QStringLiteral("權限不足:SrvAccGL.ACCGLINTF"));
        QCOMPARE(titles->ChangeCount(), 1);
        QVERIFY(server.Query("SELECT 1 FROM AccTitles WHERE AccNo = '4103'").isValid());

        const QByteArray teacher = TSessionTicket::Current();
        TSessionTicket::Set(admin);
        permissions->Close();
        permissions->Open();
        QVERIFY(permissions->Locate("ProgID", Variant("SrvAccGL.ACCGLINTF")));
        permissions->Edit();
        permissions->FieldByName("CanApply")->SetAsInteger(1);
        permissions->Post();
        QCOMPARE(permissions->ApplyUpdates(0), 0);
        TSessionTicket::Set(teacher);
        QCOMPARE(titles->ApplyUpdates(0), 0);
        QCOMPARE(titles->ChangeCount(), 0);
        QVERIFY(!server.Query("SELECT 1 FROM AccTitles WHERE AccNo = '4103'").isValid());
    }

    // A permission taken away through one server holds at once for a teacher's open session
    // on another server of the same database, and so does giving it back.
    void revokingHoldsForOpenSessionsOnEveryServer() {
        TAppServerFixture first;
        TAppServerFixture second(
            {}, 0, TFixtureSignIn::SignedOut,
            [&](TApplicationServerConfig &config) { config.Database = first.Database().Config(); });
        SignInAs(first, "T001", "teach-2024");
        auto students = second.Connect(kStudents);
        auto roll = Data(*students, "dspStdBasic");
        roll->Open();
        const int count = roll->RecordCount();

        const auto change = [&](bool grant) {
            AsAdministrator(first, [&] {
                auto jobs = first.Connect(kJobs);
                auto permissions = Data(*jobs, "dspJobPermissions", "ACAD");
                permissions->Open();
                if (grant) {
                    permissions->Append();
                    permissions->FieldByName("GroupID")->SetAsString("ACAD");
                    permissions->FieldByName("ProgID")->SetAsString("SrvAcademic.*");
                    permissions->FieldByName("CanApply")->SetAsInteger(1);
                    permissions->Post();
                } else {
                    QVERIFY(permissions->Locate("ProgID", Variant("SrvAcademic.*")));
                    permissions->Delete();
                }
                QCOMPARE(permissions->ApplyUpdates(0), 0);
            });
        };
        change(false);
        roll->Close();
        QCOMPARE(Refusal([&] { roll->Open(); }),
                 QStringLiteral("權限不足:SrvAcademic.AcadStudentINTF"));
        change(true);
        roll->Open();
        QCOMPARE(roll->RecordCount(), count);
    }

    // Every call of every registered object: a user whose groups hold no permission reaches
    // only what a client may call before signing in; with read-only permission on every
    // object ("*") exactly the calls that change data are refused, and the permission
    // providers stay the administrators'; administrators are never refused.
    void everyRegisteredObjectIsChecked() {
        TAppServerFixture server;
        auto security = server.Connect("SrvJobSecurity.SecurityINTF");
        QVERIFY(security->AppServer()
                    .Call(4, {Variant("T950"), Variant("walk-950"), Variant("乙"), Variant(""),
                              Variant(0), Variant("ADMIN")})
                    .ToBool());
        const QList<TCall> calls = RegisteredCalls(server);
        QVERIFY(calls.size() > 150);
        QSet<QString> objects;
        for (const TCall &call : calls)
            objects << call.ProgID;
        QCOMPARE(objects.size(), TApplicationServer::HostedProgIDs().size());
        const int students = server.Query("SELECT COUNT(*) FROM StdOnSchool").toInt();

        for (const auto &[call, why] : Walk(server, calls))
            QVERIFY2(!Denied(call, why),
                     qPrintable(call.ProgID + " " + call.Method + " refused to ADMIN"));

        SignInAs(server, "T950", "walk-950");
        for (const auto &[call, why] : Walk(server, calls)) {
            const bool denied = Denied(call, why);
            QVERIFY2(denied != Exempt(call), qPrintable(call.ProgID + " " + call.Method +
                                                        (denied ? " refused" : " let through")));
        }

        server.Database().Run(
            {"INSERT INTO JobGroups (GroupID, Manager) VALUES ('WALK', 'ADMIN')",
             "INSERT INTO GroupMembers (GroupID, ID) VALUES ('WALK', 'T950')",
             "INSERT INTO JobPermissions (GroupID, ProgID, CanApply) VALUES ('WALK', '*', 0)"});
        int changing = 0;
        for (const auto &[call, why] : Walk(server, calls)) {
            const bool denied = Denied(call, why);
            const bool administrators =
                call.ProgID.compare(kJobs, Qt::CaseInsensitive) == 0 && !call.Args.empty() &&
                TPermissions::AdministratorProviders().contains(call.Args[0].ToString());
            const bool expected = !Exempt(call) && (call.Changes || administrators);
            changing += call.Changes ? 1 : 0;
            QVERIFY2(denied == expected, qPrintable(call.ProgID + " " + call.Method +
                                                    (denied ? " refused" : " let through")));
        }
        QVERIFY(changing > 30);
        QCOMPARE(server.Query("SELECT COUNT(*) FROM StdOnSchool").toInt(), students);
    }

    // The same object as several rows: a family and "*" cover their objects, letter case
    // aside; the most a user's groups give counts.
    void patternsCoverTheirObjects() {
        QVERIFY(TPermissions::Covers("SrvAcademic.*", "srvacademic.acadstudentintf"));
        QVERIFY(!TPermissions::Covers("SrvAcademic.*", "SrvAccGL.ACCGLINTF"));
        QVERIFY(TPermissions::Covers("*", "SrvAccGL.ACCGLINTF"));
        QVERIFY(!TPermissions::Covers("SrvAcademic.AcadStudentINTF", "SrvAcademic.AcadCourseINTF"));
        for (const char *bad : {"", "Srv", "Srv.", ".X", "Srv.*.X", "Srv.X;DROP", "**"})
            QVERIFY2(!TPermissions::ValidPattern(bad), bad);
    }

    // A database made before the permissions existed gains the demo school's for its groups,
    // so its users keep working.
    void olderDatabaseGainsPermissions() {
        TAppServerFixture first;
        first.Database().Run({"DROP TABLE JobPermissions"});
        TAppServerFixture second(
            {}, 0, TFixtureSignIn::SignedOut,
            [&](TApplicationServerConfig &config) { config.Database = first.Database().Config(); });
        QCOMPARE(first
                     .Query("SELECT CanApply FROM JobPermissions WHERE GroupID = 'ACAD' AND "
                            "ProgID = 'SrvAcademic.*'")
                     .toInt(),
                 1);
        QVERIFY(!first.Query("SELECT 1 FROM JobPermissions WHERE GroupID = 'SYSADM'").isValid());
        SignInAs(second, "T001", "teach-2024");
        auto students = second.Connect(kStudents);
        auto roll = Data(*students, "dspStdBasic");
        roll->Open();
        QVERIFY(roll->RecordCount() > 0);
    }
};

QTEST_GUILESS_MAIN(TstAppServerPermissions)
#include "tst_AppServerPermissions.moc"
