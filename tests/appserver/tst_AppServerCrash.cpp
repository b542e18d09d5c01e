// The server program stopped by SIGTERM, and killed in the middle of a change after some of its
// rows are written: the caller gets a clean connection error, the database holds nothing of the
// change, a client dataset keeps its changes pending, and a restarted server takes them as if
// nothing happened.

#include "ClientDataSet.h"
#include "ServerProcess.h"
#include "SignIn.h"
#include "SocketConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::unique_ptr<TSocketConnection> Connect(const QString &progId, quint16 port) {
    auto c = std::make_unique<TSocketConnection>();
    c->SetServerName(progId);
    c->SetAddress(QStringLiteral("127.0.0.1"));
    c->SetPort(port);
    c->SetTimeout(30000);
    return c;
}

} // namespace

class TstAppServerCrash : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

    QString Database() const { return FDir.filePath("school.sqlite"); }
    QStringList Arguments() const {
        return {"--listen", "127.0.0.1", "--port", "0", "--database", Database(), "--fast-hash"};
    }
    QString LogFile() const { return FDir.filePath("appserver.log"); }

    // A value read straight from the database file, as a fresh reader finds it.
    QVariant Peek(const QString &sql) const {
        QVariant value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
            db.setDatabaseName(Database());
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(sql) && q.next())
                    value = q.value(0);
            }
        }
        QSqlDatabase::removeDatabase("peek");
        return value;
    }

    QString Descript(const QString &main, const QString &code) const {
        return Peek(QStringLiteral("SELECT Descript FROM CodeTable WHERE Main_Code = '%1' AND "
                                   "Code = '%2'")
                        .arg(main, code))
            .toString();
    }

private Q_SLOTS:
    void stopsCleanlyOnSigterm() {
        TServerProcess server(Arguments(), LogFile());
        const quint16 port = server.WaitForPort();
        QVERIFY2(port != 0, qPrintable(server.Log()));
        QVERIFY(SignInAt(port, "ADMIN", "orv7-admin"));
        auto code = Connect("SystemObj.CodeTableINTF", port);
        QCOMPARE(code->AppServer().Call(3).VarType(), TVarType::Date);
        QVERIFY2(server.Terminate(), qPrintable(server.Log()));
        QVERIFY(server.Log().contains("appserver: stopped"));
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, code->AppServer().Call(3));
        QCOMPARE(Peek("PRAGMA integrity_check").toString(), "ok");
    }

    void killedMidChangeLosesNothing() {
        // A method's change: the group's two members are replaced by two others; the server
        // dies after the old ones are deleted and one new one is written.
        {
            TServerProcess server(Arguments(), LogFile(), 3);
            const quint16 port = server.WaitForPort();
            QVERIFY2(port != 0, qPrintable(server.Log()));
            QVERIFY(SignInAt(port, "ADMIN", "orv7-admin"));
            QCOMPARE(Peek("SELECT COUNT(*) FROM GroupMembers WHERE GroupID = 'ACAD'").toInt(), 2);
            auto jobs = Connect("SrvJobSecurity.JobManagerINTF", port);
            QVERIFY_THROWS_EXCEPTION(
                ESocketConnectionError,
                jobs->AppServer().Call(
                    6, {Variant("ACAD"), Variant("T002\nT003\n"), Variant("ADMIN")}));
            QVERIFY(!jobs->Connected());
            QVERIFY(server.WaitKilled());
        }
        QCOMPARE(Peek("SELECT COUNT(*) FROM GroupMembers WHERE GroupID = 'ACAD'").toInt(), 2);
        QVERIFY(
            !Peek("SELECT 1 FROM GroupMembers WHERE GroupID = 'ACAD' AND ID = 'T002'").isValid());

        // A client dataset's batch of three changes; the server dies while it writes the second.
        TClientDataSet table;
        table.SetProviderName("xspCodeTable");
        {
            TServerProcess server(Arguments(), LogFile(), 2);
            const quint16 port = server.WaitForPort();
            QVERIFY2(port != 0, qPrintable(server.Log()));
            QVERIFY(SignInAt(port, "ADMIN", "orv7-admin"));
            auto code = Connect("SystemObj.CodeTableINTF", port);
            table.SetAppServer(code->GetServer());
            table.Open();
            QVERIFY(
                table.Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("1")})));
            table.Edit();
            table.FieldByName("Descript")->SetAsString("男生");
            table.Post();
            table.Append();
            table.FieldByName("Main_Code")->SetAsString("NSEX");
            table.FieldByName("Code")->SetAsString("9");
            table.FieldByName("Descript")->SetAsString("其他");
            table.Post();
            QVERIFY(table.Locate("Main_Code;Code",
                                 Variant::ArrayOf({Variant("st_VACID"), Variant("05")})));
            table.Delete();

            try {
                table.ApplyUpdates(0);
                QFAIL("the apply reported success");
            } catch (const ESocketConnectionError &e) {
                QVERIFY(!e.Message().isEmpty());
            }
            QVERIFY(!code->Connected());
            QVERIFY(server.WaitKilled());
            table.SetAppServer(nullptr);
        }
        // Nothing of the batch is in the database, and the file is sound.
        QCOMPARE(Peek("PRAGMA integrity_check").toString(), "ok");
        QCOMPARE(Descript("NSEX", "1"), QStringLiteral("男"));
        QVERIFY(Descript("NSEX", "9").isEmpty());
        QCOMPARE(Descript("st_VACID", "05"), QStringLiteral("曠課"));
        // The client still holds its changes.
        QCOMPARE(table.ChangeCount(), 3);
        QVERIFY(table.Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("1")})));
        QCOMPARE(table.FieldByName("Descript")->AsString(), QStringLiteral("男生"));

        // A restarted server takes the same changes.
        TServerProcess server(Arguments(), LogFile());
        const quint16 port = server.WaitForPort();
        QVERIFY2(port != 0, qPrintable(server.Log()));
        QVERIFY(SignInAt(port, "ADMIN", "orv7-admin"));
        auto code = Connect("SystemObj.CodeTableINTF", port);
        table.SetAppServer(code->GetServer());
        QCOMPARE(table.ApplyUpdates(0), 0);
        QCOMPARE(table.ChangeCount(), 0);
        QCOMPARE(Descript("NSEX", "1"), QStringLiteral("男生"));
        QCOMPARE(Descript("NSEX", "9"), QStringLiteral("其他"));
        QVERIFY(Descript("st_VACID", "05").isEmpty());
        table.SetAppServer(nullptr);
    }
};

QTEST_GUILESS_MAIN(TstAppServerCrash)
#include "tst_AppServerCrash.moc"
