// The shared services of a real server: key numbers, clock, usage log, mail, units, stored
// trees, server locations, identifier names and client files, each with its value forms; and
// the guard on command texts that clients send.

#include "AppServerFixture.h"
#include "Big5.h"
#include "ObjectBroker.h"

#include <QTcpServer>
#include <QTest>

class TstAppServerServices : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        FServer = std::make_unique<TAppServerFixture>();
    }
    void cleanupTestCase() { FServer.reset(); }

    void everyProgIdIsHosted() {
        for (const QString &progId : TApplicationServer::HostedProgIDs()) {
            auto c = FServer->Connect(progId);
            QVERIFY2(c->Connected(), qPrintable(progId));
        }
        auto location = FServer->Connect("SystemObj.ObjServersINTF");
        QCOMPARE(location->GetServer()->AS_GetProviderNames(), QStringList{"xspServerLocation"});
        location->AppServer().Call(19999990, {Variant("xspServerLocation")});
        try {
            location->AppServer().Call(19999990, {Variant("xspNothing")});
            QFAIL("no error");
        } catch (const EServerError &e) {
            QCOMPARE(e.Message(), QStringLiteral("Provider xspNothing not found"));
        }
        auto version = FServer->Connect("SrvJobSecurity.VersionCtrlNTF");
        QCOMPARE(version->GetServer()->AS_GetProviderNames(),
                 QStringList({"xspClientApps", "xspSystemFiles", "xspDataFiles"}));
    }

    void codeServerServices() {
        auto code = FServer->Connect("SystemObj.CodeTableINTF");
        auto d = code->AppServer();
        std::vector<Variant> key{Variant("StudentNo"), Variant(1), Variant()};
        QCOMPARE(d.Invoke(2, key).ToInt(), 11300001);
        QCOMPARE(key[2].ToString(), "S");
        key[1] = Variant(5);
        QCOMPARE(d.Invoke(2, key).ToInt(), 11300006);
        std::vector<Variant> fresh{Variant("NewKey"), Variant(1), Variant()};
        QCOMPARE(d.Invoke(2, fresh).ToInt(), 1);
        std::vector<Variant> ex{Variant("Notice"), Variant("113"), {}, {}};
        QCOMPARE(d.Invoke(4, ex).ToInt(), 1);
        QCOMPARE(ex[2].ToString(), "N113");
        QCOMPARE(ex[3].ToString(), "0000");
        QCOMPARE(d.Invoke(4, ex).ToInt(), 2);

        const Variant now = d.Call(3);
        QCOMPARE(now.VarType(), TVarType::Date);
        QVERIFY(qAbs(now.ToDateTime() - Now()) < 1.0 / 24 / 60);

        d.Call(1, {Variant("AcadCourse.bpl"), Variant("APP"), Variant("林雅婷"), Variant(""),
                   Variant(TDateTime::EncodeDate(2024, 9, 1))});
        d.Call(QStringLiteral("SetEventLog"),
               {Variant("ClientAppManager"), Variant("EXIT"), Variant("ADMIN"),
                Variant("Name=ADMIN,IP=127.0.0.1,Time=..."), Variant(Now())});
        QCOMPARE(FServer->Query("SELECT StartTime FROM EventLog WHERE AppName='AcadCourse.bpl'")
                     .toString(),
                 "2024-09-01 00:00:00");
        QVERIFY(
            d.Call(QStringLiteral("ComputerUser"), {Variant("00-11-22-33-44-55"), Variant("ADMIN")})
                .ToBool());
        QCOMPARE(FServer->Query("SELECT UserName FROM ComputerUser").toString(), "ADMIN");

        // Mail goes to the outbox; an empty sender means the server's own.
        std::vector<Variant> mail{Variant("parent@example.org"), Variant("缺曠通知"),
                                  Variant("本週缺曠兩節"), Variant(""), Variant()};
        QVERIFY(d.Invoke(5, mail).ToBool());
        QCOMPARE(FServer->Query("SELECT FromAddr FROM MailOutbox").toString(),
                 "noreply@demo-school.example");
        QCOMPARE(FServer->Query("SELECT Subject FROM MailOutbox").toString(),
                 QStringLiteral("缺曠通知"));
        std::vector<Variant> bad{Variant("not-an-address"), Variant("s"), Variant("b"), Variant(""),
                                 Variant()};
        QVERIFY(!d.Invoke(5, bad).ToBool());
        QVERIFY(bad[4].ToString().contains("not-an-address"));
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM MailOutbox").toInt(), 1);

        QCOMPARE(d.Call(401, {Variant("A10"), Variant(false), Variant(true)}).ToString(),
                 QStringLiteral("A11=註冊組\nA12=課務組\n"));
        QCOMPARE(d.Call(401, {Variant("A00"), Variant(false), Variant(false)}).ToString(),
                 "A10\nA20\nA30\nA50\n");
        QCOMPARE(d.Call(401, {Variant("A00"), Variant(true), Variant(false)}).ToString(),
                 "A10\nA20\nA30\nA50\nA11\nA12\nA21\n");
    }

    void storedTrees() {
        auto vcl = FServer->Connect("SystemObj.DelphiVCLINTF");
        auto d = vcl->AppServer();
        QCOMPARE(
            d.Call(401, {Variant("TTreeView")}).ToString(),
            QStringLiteral(
                "ACNotes=會計摘要\nEPT=職務類別\nPostCodeTree=郵遞區號\nTesTreeCode=測試代碼樹\n"
                "UnitTreeView=行政單位\n"));
        QCOMPARE(d.Call(1, {Variant("ttreeview")}).ToString(),
                 "ACNotes\nEPT\nPostCodeTree\nTesTreeCode\nUnitTreeView\n");
        std::vector<Variant> load{Variant("UnitTreeView"), {}, {}};
        // Stored trees are Big5 text.
        const QString tree = Big5Decode(d.Invoke(2, load).ToBytes());
        QCOMPARE(load[1].ToString(), "TTreeView");
        QCOMPARE(load[2].ToString(), QStringLiteral("行政單位"));
        QVERIFY(tree.startsWith("#Tag=0\nA00,校長室\n\tA10,教務處\n"));

        d.Call(3, {Variant("NewTree"), Variant("TTreeView"), Variant("新樹"),
                   Variant(QByteArray("#Tag=1\n1,一\n"))});
        std::vector<Variant> back{Variant("NewTree"), {}, {}};
        QCOMPARE(d.Invoke(2, back).ToBytes(), QByteArray("#Tag=1\n1,一\n"));
        // Its category comes through the document list, not from the server.
        QCOMPARE(FServer
                     ->Query("SELECT COALESCE(Main_Code, '-') FROM StoredVCL "
                             "WHERE VCLName = 'NewTree'")
                     .toString(),
                 QStringLiteral("-"));
        FServer->Query("UPDATE StoredVCL SET Main_Code = 'NSEX' WHERE VCLName = 'NewTree'");
        d.Call(3, {Variant("newtree"), Variant("TTreeView"), Variant("新樹二"),
                   Variant(QByteArray("#Tag=1\n2,二\n"))});
        QCOMPARE(FServer
                     ->Query("SELECT VCLName || '|' || Main_Code || '|' || Description "
                             "FROM StoredVCL WHERE UPPER(VCLName) = 'NEWTREE'")
                     .toString(),
                 QStringLiteral("NewTree|NSEX|新樹二"));
        QVERIFY(d.Call(4, {Variant("NewTree")}).ToBool());
        QVERIFY(!d.Call(4, {Variant("NewTree")}).ToBool());
        QVERIFY_THROWS_EXCEPTION(EServerError, d.Invoke(2, back));
    }

    void serverLocations() {
        auto obj = FServer->Connect("SystemObj.ObjServersINTF");
        auto d = obj->AppServer();
        QCOMPARE(d.Call(QStringLiteral("GetServerNames")).ToString(),
                 "DefaultServer\nSrvJobSecurity\nSystemObj\n");
        d.Call(QStringLiteral("RegistryServer"),
               {Variant("SystemObj"), Variant("APSRV2"), Variant(2002)});
        d.Call(3,
               {Variant("SystemObj"), Variant("apsrv2"), Variant(2003)}); // same host: port moves
        TSimpleObjectBroker broker;
        broker.LoadServerData(d.Call(QStringLiteral("ReadServerData"), {Variant("SystemObj")}));
        QCOMPARE(broker.Servers().size(), 2);
        QCOMPARE(broker.GetPortForComputer("APSRV2"), 2003);
        QCOMPARE(broker.GetPortForComputer("127.0.0.1"), 2001);
        d.Call(QStringLiteral("UnRegistryServer"), {Variant("SystemObj"), Variant("APSRV2")});
        broker.LoadServerData(d.Call(1, {Variant("SystemObj")}));
        QCOMPARE(broker.Servers().size(), 1);
        // A name without rows answers an empty list; the caller falls back to DefaultServer.
        QCOMPARE(d.Call(1, {Variant("SrvNothing")}).ElementCount(), 0);
        QVERIFY_THROWS_EXCEPTION(EServerError,
                                 d.Call(3, {Variant("X"), Variant("H"), Variant(70000)}));

        // The location table reached through the broker it describes.
        TSocketConnection viaBroker;
        broker.LoadServerData(d.Call(1, {Variant("SystemObj")}));
        broker.Servers()[0].Port = FServer->Port();
        viaBroker.SetObjectBroker(&broker);
        viaBroker.SetServerName("SystemObj.IDNameINTF");
        std::vector<Variant> name{Variant("USER"), Variant("T001"), Variant()};
        QVERIFY(viaBroker.AppServer().Invoke(QStringLiteral("IDToName"), name).ToBool());
        QCOMPARE(name[2].ToString(), QStringLiteral("林雅婷"));
        QCOMPARE(
            viaBroker.AppServer().Call(3, {Variant("CODE"), Variant("NSYS.NowYSem")})[1].ToString(),
            "1131");
        QVERIFY(viaBroker.AppServer().Call(3, {Variant("UNIT"), Variant("ZZZ")}).IsNull());
        QVERIFY_THROWS_EXCEPTION(
            EServerError, viaBroker.AppServer().Call(1, {Variant("CAR"), Variant("1"), Variant()}));
    }

    // A new database's locations name the port its server was started with, so that clients
    // of a server on another port than the usual one find it.
    void newSchoolLocationsNameTheServersPort() {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        TAppServerFixture other({}, port);
        QCOMPARE(other.Port(), port);
        auto obj = other.Connect("SystemObj.ObjServersINTF");
        TSimpleObjectBroker broker;
        broker.LoadServerData(obj->AppServer().Call(1, {Variant("SrvJobSecurity")}));
        QCOMPARE(broker.GetPortForComputer("127.0.0.1"), int(port));
        // The process's ticket is now the other server's: sign in again for the cases after.
        FServer->SignIn();
    }

    void clientFiles() {
        auto v = FServer->Connect("SrvJobSecurity.VersionCtrlNTF");
        auto d = v->AppServer();
        const QByteArray package(3000, '\x7f');
        QVERIFY(d.Call(4, {Variant("AcadCourse.bpl"), Variant("1.0.0.2"), Variant("課程"),
                           Variant(package), Variant(int(package.size())), Variant(3),
                           Variant("A,教務"), Variant("first"), Variant("ADMIN")})
                    .ToBool());
        QCOMPARE(d.Call(1, {Variant("AcadCourse.bpl")}).ToBytes(), package);
        std::vector<Variant> check{Variant("AcadCourse.bpl"), Variant("1.0.0.2"), Variant(3000),
                                   Variant()};
        QVERIFY(d.Invoke(10, check).ToBool());
        QVERIFY(check[3].IsNull());
        check[2] = Variant(2999); // one byte off: the current bytes come back
        QVERIFY(!d.Invoke(10, check).ToBool());
        QCOMPARE(check[3].ToBytes(), package);
        QCOMPARE(
            FServer->Query("SELECT Ext FROM ClientApps WHERE FileName='AcadCourse.bpl'").toString(),
            ".bpl");

        // A size that does not match the bytes, or a name with a folder, is refused.
        QVERIFY_THROWS_EXCEPTION(EServerError,
                                 d.Call(5, {Variant("x.dll"), Variant("1"), Variant(""),
                                            Variant(QByteArray("ab")), Variant(3)}));
        QVERIFY_THROWS_EXCEPTION(EServerError,
                                 d.Call(6, {Variant("../x.doc"), Variant("1"), Variant(""),
                                            Variant(QByteArray("ab")), Variant(2)}));
        QVERIFY(d.Call(6, {Variant("Notice.docx"), Variant("0901.1200"), Variant("通知單"),
                           Variant(QByteArray("PK")), Variant(2)})
                    .ToBool());
        QCOMPARE(d.Call(3, {Variant("Notice.docx")}).ToBytes(), QByteArray("PK"));
        QVERIFY(d.Call(9, {Variant("Notice.docx")}).ToBool());
        QVERIFY_THROWS_EXCEPTION(EServerError, d.Call(3, {Variant("Notice.docx")}));

        // Flags, types and schedules.
        d.Call(12, {Variant("AcadCourse.bpl"), Variant(2), Variant("B,學務")});
        QCOMPARE(FServer->Query("SELECT AtClient FROM ClientApps WHERE FileName='AcadCourse.bpl'")
                     .toInt(),
                 2);
        d.Call(13, {Variant("AcadCourse.bpl=C,其他\n")});
        QCOMPARE(FServer->Query("SELECT AppType FROM ClientApps WHERE FileName='AcadCourse.bpl'")
                     .toString(),
                 QStringLiteral("C,其他"));
        QVERIFY(d.Call(14, {Variant("AcadCourse.bpl")}).IsNull()); // none stored yet
        Variant months = Variant::Array(0, 11);
        for (int i = 0; i < 12; ++i)
            months.SetElement(i, Variant(i + 1));
        d.Call(15, {Variant("AcadCourse.bpl"), months});
        d.Call(11, {Variant("AcadCourse.bpl\n"), Variant(3), Variant(20)});
        const Variant schedule = d.Call(14, {Variant("AcadCourse.bpl")});
        QCOMPARE(schedule.LowBound(), 0);
        QCOMPARE(schedule.HighBound(), 11);
        QCOMPARE(schedule[0].ToInt(), 1);
        // The work day is kept apart from the day sets.
        QCOMPARE(schedule[2].ToInt(), 3);
        QCOMPARE(FServer
                     ->Query("SELECT WorkDayOfMonth FROM AppWorkDay WHERE "
                             "FileName='AcadCourse.bpl' AND MonthNo=2")
                     .toInt(),
                 20);
        QVERIFY_THROWS_EXCEPTION(EServerError,
                                 d.Call(11, {Variant("AcadCourse.bpl"), Variant(13), Variant(1)}));
        QVERIFY_THROWS_EXCEPTION(EServerError, d.Call(15, {Variant("AcadCourse.bpl"), Variant(1)}));

        QVERIFY(d.Call(402, {Variant("AcadCourse.bpl")}).IsNull());
        d.Call(401, {Variant("AcadCourse.bpl"), Variant("1"), Variant("說明"),
                     Variant(QByteArray("help")), Variant(4)});
        QCOMPARE(d.Call(402, {Variant("AcadCourse.bpl")}).ToBytes(), QByteArray("help"));
        d.Call(16,
               {Variant("AcadCourse.bpl"), Variant("UPLOAD"), Variant("ADMIN"), Variant("first")});
        QVERIFY(d.Call(7, {Variant("AcadCourse.bpl")}).ToBool());
        QVERIFY(d.Call(402, {Variant("AcadCourse.bpl")}).IsNull());
        QVERIFY(!d.Call(7, {Variant("AcadCourse.bpl")}).ToBool());
    }

    void commandTextsOnlyRead() {
        TTestDatabase database;
        TServerDatabase db(database.Config());
        QSqlQuery q = db.ClientQuery(
            "SELECT Descript FROM CodeTable WHERE Main_Code = ? AND Code = ?", {"NSEX", "2"});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("女"));
        QVERIFY(db.ClientQuery(
                      "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<3) "
                      "SELECT COUNT(*) FROM n;")
                    .next());
        // Quotes and parameters: a semicolon or a question mark inside quotes is text.
        q = db.ClientQuery("SELECT 'a;b?' AS t, Code AS \"c;?\" FROM CodeTable WHERE Main_Code = ? "
                           "AND Descript = ?",
                           {"NSEX", QStringLiteral("男")});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), "a;b?");
        QCOMPARE(q.value(1).toString(), "1");
        // The hashes read as nothing.
        q = db.ClientQuery("SELECT ID, PasswordHash FROM Users WHERE ID = ?", {"ADMIN"});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), "ADMIN");
        QVERIFY(q.value(1).isNull());
        const char *refused[] = {
            "DELETE FROM Users",
            "UPDATE Users SET PasswordHash = ''",
            "INSERT INTO CodeTable (Main_Code, Code) VALUES ('x', 'y')",
            "SELECT 1; DELETE FROM Users",
            "DROP TABLE Users",
            "PRAGMA writable_schema = 1",
            "ATTACH DATABASE '/tmp/x.sqlite' AS x",
            "CREATE TABLE t (a)",
            "",
            "WITH d AS (DELETE FROM Users RETURNING *) SELECT * FROM d",
            "SELECT * FROM CodeTable FOR UPDATE",
            "SELECT PasswordHash FROM public.Users",
            // Separators hidden from a reader that knows only plain quotes.
            "SELECT E'\\''; DELETE FROM Users; SELECT ''",
            "SELECT $$;$$; DELETE FROM Users",
            // Taking another role back, then reading through a query in a string.
            "SELECT set_config('role', 'none', true), query_to_xml('SELECT PasswordHash FROM "
            "public.Users', true, false, '')",
        };
        for (const char *sql : refused)
            QVERIFY_THROWS_EXCEPTION(EServerError, db.ClientQuery(QString::fromUtf8(sql)));
        if (OnPostgres()) {
            // The database's own guard refuses the same without the server's check of the text.
            for (const char *sql : {"DELETE FROM Users", "SELECT 1; DELETE FROM Users",
                                    "SELECT 1) x; DELETE FROM Users; SELECT * FROM (SELECT 1"})
                QVERIFY_THROWS_EXCEPTION(EServerError, db.Transaction([&] {
                    db.Exec(QStringLiteral("SELECT orv7_client.run_query('%1')")
                                .arg(QString::fromUtf8(sql)));
                }));
        }
        QCOMPARE(db.Scalar("SELECT COUNT(*) FROM Users").toInt(), 4); // the demo school's accounts
        // The server's own writes are not affected by the guard.
        db.Transaction([&] { db.Exec("DELETE FROM MailOutbox"); });
    }
};

QTEST_GUILESS_MAIN(TstAppServerServices)
#include "tst_AppServerServices.moc"
