// Several servers on one PostgreSQL database: the server program and a server thread that start
// together on an empty database make the schema and the demo school once, and then both serve
// it: logins on each, key numbers drawn in turn from either, a change applied through one read
// through the other.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "ServerProcess.h"

#include <QSettings>
#include <thread>

namespace {

bool LogIn(quint16 port, const QString &id, const QString &password) {
    TSocketConnection c;
    c.SetServerName(QStringLiteral("SrvJobSecurity.SecurityINTF"));
    c.SetAddress(QStringLiteral("127.0.0.1"));
    c.SetPort(port);
    c.SetTimeout(30000);
    c.Open();
    std::vector<Variant> args{Variant(id), Variant(password), Variant()};
    return c.AppServer().Invoke(10, args).ToBool();
}

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

private Q_SLOTS:
    void initTestCase() {
        const QString why = TTempPostgres::Unavailable();
        if (!why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("PostgreSQL tests skipped: ") + why));
    }

    void twoServersShareOneDatabase() {
        TTestDatabase database(true);
        const TDatabaseConfig &db = database.Config();
        QTemporaryDir dir;
        const QString ini = dir.filePath("appserver.ini");
        {
            QSettings settings(ini, QSettings::IniFormat);
            settings.setValue("Server/Address", "127.0.0.1");
            settings.setValue("Server/Port", 0);
            settings.setValue("Database/Driver", "QPSQL");
            settings.setValue("Database/Name", db.Name);
            settings.setValue("Database/Host", db.Host);
            settings.setValue("Database/Port", db.Port);
            settings.setValue("Database/User", db.User);
        }

        // Both servers find the database empty and wait at the schema lock, held here for a
        // while; then one makes the schema and the other finds it made.
        std::atomic<bool> locked = false;
        std::thread holder([&] {
            TTestDatabase::Holding(db, [&] {
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            });
        });
        while (!locked)
            QTest::qWait(10);
        TServerProcess program({"--config", ini, "--fast-hash"}, dir.filePath("appserver.log"));
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

        QCOMPARE(database.Query("SELECT COUNT(*) FROM Users").toInt(), 3);
        QCOMPARE(database.Query("SELECT COUNT(*) FROM KeyValues").toInt(), 1);
        QCOMPARE(database.Query("SELECT COUNT(*) FROM CodeTable WHERE Main_Code = 'NSEX'").toInt(),
                 2);

        QVERIFY(LogIn(thread.Port(), "T001", "teach-2024"));
        QVERIFY(LogIn(programPort, "ADMIN", "orv7-admin"));
        QVERIFY(!LogIn(programPort, "T001", "wrong"));

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
};

QTEST_GUILESS_MAIN(TstAppServerSharedDatabase)
#include "tst_AppServerSharedDatabase.moc"
