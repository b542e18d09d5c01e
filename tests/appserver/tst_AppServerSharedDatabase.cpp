// Servers on PostgreSQL: the server program and a server thread that start together on an empty
// database make the schema and the demo school once, and then both serve it: logins on each, key
// numbers drawn in turn from either, a change applied through one read through the other. And a
// server killed in the middle of applying a batch leaves nothing of it in the database.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "ServerProcess.h"

#include <QSettings>
#include <thread>

namespace {

std::unique_ptr<TSocketConnection> CodeServer(quint16 port) {
    auto c = std::make_unique<TSocketConnection>();
    c->SetServerName(QStringLiteral("SystemObj.CodeTableINTF"));
    c->SetAddress(QStringLiteral("127.0.0.1"));
    c->SetPort(port);
    c->SetTimeout(30000);
    c->Open();
    return c;
}

int NextKey(TSocketConnection &code) {
    std::vector<Variant> args{Variant("StudentNo"), Variant(1), Variant()};
    return code.AppServer().Invoke(2, args).ToInt();
}

} // namespace

class TstAppServerSharedDatabase : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

    // A configuration file of the server program for the database.
    QString WriteIni(const TDatabaseConfig &db) const {
        const QString ini = FDir.filePath(db.Name + ".ini");
        QSettings settings(ini, QSettings::IniFormat);
        settings.setValue("Server/Address", "127.0.0.1");
        settings.setValue("Server/Port", 0);
        settings.setValue("Database/Driver", "QPSQL");
        settings.setValue("Database/Name", db.Name);
        settings.setValue("Database/Host", db.Host);
        settings.setValue("Database/Port", db.Port);
        settings.setValue("Database/User", db.User);
        return ini;
    }

private Q_SLOTS:
    void initTestCase() {
        const QString why = TTempPostgres::Unavailable();
        if (!why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("PostgreSQL tests skipped: ") + why));
    }

    void twoServersShareOneDatabase() {
        TTestDatabase database(true);
        const TDatabaseConfig &db = database.Config();
        const QString ini = WriteIni(db);
        // Both servers find the database empty and wait at the schema lock, held here for a
        // while; then one makes the schema and the other finds it made.
        std::atomic<bool> locked = false;
        std::thread holder([&] {
            TTestDatabase::Holding(
                db,
                QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(TServerDatabase::SchemaLock),
                [&] {
                    locked = true;
                    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                });
        });
        while (!locked)
            QTest::qWait(10);
        TServerProcess program({"--config", ini, "--fast-hash"}, FDir.filePath("appserver.log"));
        TApplicationServerConfig config;
        config.Address = QHostAddress::LocalHost;
        config.Port = 0;
        config.Database = db;
        TServerThread thread([config] { return new TApplicationServer(config); });
        thread.StartServer();
        holder.join();
        const quint16 programPort = program.WaitForPort();
        QVERIFY2(programPort != 0, qPrintable(program.Log()));
        QVERIFY(program.Log().contains("QPSQL"));

        QCOMPARE(database.Query("SELECT COUNT(*) FROM Users").toInt(), 4);
        QCOMPARE(database.Query("SELECT COUNT(*) FROM KeyValues").toInt(), 1);
        QCOMPARE(database.Query("SELECT COUNT(*) FROM CodeTable WHERE Main_Code = 'NSEX'").toInt(),
                 2);

        QVERIFY(SignInAt(thread.Port(), "T001", "teach-2024"));
        QVERIFY(SignInAt(programPort, "ADMIN", "orv7-admin"));
        QVERIFY(!SignInAt(programPort, "T001", "wrong"));

        auto one = CodeServer(thread.Port());
        auto other = CodeServer(programPort);
        QCOMPARE(NextKey(*one), 11300001);
        QCOMPARE(NextKey(*other), 11300002);
        QCOMPARE(NextKey(*one), 11300003);

        TClientDataSet table;
        table.SetAppServer(one->GetServer());
        table.SetProviderName("xspCodeTable");
        table.Open();
        QVERIFY(table.Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("1")})));
        table.Edit();
        table.FieldByName("Descript")->SetAsString(QStringLiteral("男生"));
        table.Post();
        QCOMPARE(table.ApplyUpdates(0), 0);
        TClientDataSet seen;
        seen.SetAppServer(other->GetServer());
        seen.SetProviderName("xspCodeTable");
        seen.SetCommandText("SELECT Descript FROM CodeTable WHERE Main_Code = :M AND Code = '1'");
        seen.Params().CreateParam(ftString, "M").SetAsString("NSEX");
        seen.Open();
        QCOMPARE(seen.RecordCount(), 1);
        QCOMPARE(seen.FieldByName("Descript")->AsString(), QStringLiteral("男生"));
        QVERIFY(program.Terminate());
    }

    void killedInTheMiddleOfAnApply() {
        TTestDatabase database(true);
        const QString ini = WriteIni(database.Config());
        TServerProcess program({"--config", ini, "--fast-hash"}, FDir.filePath("killed.log"));
        const quint16 port = program.WaitForPort();
        QVERIFY2(port != 0, qPrintable(program.Log()));
        QVERIFY(SignInAt(port, "ADMIN", "orv7-admin"));

        // The batch changes two rows; the second is locked here, so the server writes the
        // first and then waits, and is killed while it waits.
        std::atomic<bool> done = false;
        bool waiting = false;
        bool killed = false;
        QString outcome;
        TTestDatabase::Holding(
            database.Config(),
            "SELECT 1 FROM CodeTable WHERE Main_Code = 'NSEX' AND Code = '2' FOR UPDATE", [&] {
                std::thread client([&] {
                    try {
                        auto code = CodeServer(port);
                        TClientDataSet table;
                        table.SetAppServer(code->GetServer());
                        table.SetProviderName("xspCodeTable");
                        table.Open();
                        for (const char *key : {"1", "2"}) {
                            table.Locate("Main_Code;Code",
                                         Variant::ArrayOf({Variant("NSEX"), Variant(key)}));
                            table.Edit();
                            table.FieldByName("Descript")->SetAsString("changed");
                            table.Post();
                        }
                        table.ApplyUpdates(0);
                        outcome = "applied";
                    } catch (const std::exception &e) {
                        outcome = QString::fromUtf8(e.what());
                    }
                    done = true;
                });
                for (int i = 0; i < 400 && !waiting && !done; ++i) {
                    QTest::qWait(50);
                    waiting = database
                                  .Query("SELECT COUNT(*) FROM pg_stat_activity WHERE "
                                         "wait_event_type = 'Lock'")
                                  .toInt() > 0;
                }
                killed = program.Kill();
                client.join();
            });
        QVERIFY(waiting);
        QVERIFY(killed);
        QVERIFY2(outcome != "applied", qPrintable(outcome));
        QCOMPARE(
            database.Query("SELECT COUNT(*) FROM CodeTable WHERE Descript = 'changed'").toInt(), 0);
        QCOMPARE(
            database.Query("SELECT Descript FROM CodeTable WHERE Main_Code = 'NSEX' AND Code = '1'")
                .toString(),
            QStringLiteral("男"));
    }
};

QTEST_GUILESS_MAIN(TstAppServerSharedDatabase)
#include "tst_AppServerSharedDatabase.moc"
