// Backups of a running server's SQLite database and their restore: a backup taken while a
// client's batch is being applied holds that batch not at all, one taken after it holds it
// whole, and restoring either brings exactly that state back into the stopped server's
// database. A restore refuses while a server runs and refuses files that are no backup, and a
// failed backup or restore leaves everything as it was.

#include "ClientDataSet.h"
#include "ServerBackup.h"
#include "ServerProcess.h"
#include "SignIn.h"
#include "SocketConnection.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct TRun {
    int Code = -1;
    QString Output;
};

// The appserver program run to its end with the given options.
TRun RunProgram(const QStringList &arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QCoreApplication::applicationDirPath() + "/appserver", arguments);
    TRun run;
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit)
        run.Code = p.exitCode();
    run.Output = QString::fromUtf8(p.readAll());
    return run;
}

// A value read straight from a database file, as a fresh reader finds it.
QVariant Peek(const QString &file, const QString &sql) {
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
    }
    QSqlDatabase::removeDatabase("peek");
    return value;
}

QByteArray Digest(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace

class TstAppServerBackup : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

    QString Database() const { return FDir.filePath("school.sqlite"); }
    QString Path(const char *name) const { return FDir.filePath(name); }
    QStringList Arguments() const {
        return {"--listen", "127.0.0.1", "--port", "0", "--database", Database(), "--fast-hash"};
    }
    // The rows of the batch below in a database file.
    int BatchRows(const QString &file) const {
        return Peek(file, "SELECT COUNT(*) FROM CodeTable WHERE Main_Code = 'NBACKUP'").toInt();
    }

private Q_SLOTS:
    void backupDuringApplyHoldsItNotAtAllAfterItWhole() {
        // The school is made by a first start, so that the rows counted below are the batch's.
        {
            TServerProcess first(Arguments(), Path("first.log"));
            QVERIFY2(first.WaitForPort() != 0, qPrintable(first.Log()));
            QVERIFY(first.Terminate());
        }
        // The server pauses in the middle of the batch (its second row written, the third not),
        // until the backup taken meanwhile has finished.
        const QString go = Path("go");
        qputenv("ORV7_APPSERVER_PAUSE_AT_ROW", "2");
        qputenv("ORV7_APPSERVER_PAUSE_UNTIL", go.toLocal8Bit());
        TServerProcess server(Arguments(), Path("appserver.log"));
        qunsetenv("ORV7_APPSERVER_PAUSE_AT_ROW");
        qunsetenv("ORV7_APPSERVER_PAUSE_UNTIL");
        const quint16 port = server.WaitForPort();
        QVERIFY2(port != 0, qPrintable(server.Log()));
        QVERIFY(SignInAt(port, "ADMIN", "orv7-admin"));
        const int users = Peek(Database(), "SELECT COUNT(*) FROM Users").toInt();
        QVERIFY(users > 0);

        // Waits for the pause, backs the database up, and lets the server go on.
        QProcess during;
        during.setProcessChannelMode(QProcess::MergedChannels);
        during.start("/bin/sh",
                     {"-c",
                      "i=0; while ! grep -q 'paused in the middle' \"$1\" && [ $i -lt 1200 ]; do "
                      "sleep 0.05; i=$((i+1)); done; \"$2\" --database \"$3\" --backup \"$4\"; "
                      "rc=$?; touch \"$5\"; exit $rc",
                      "sh", Path("appserver.log"),
                      QCoreApplication::applicationDirPath() + "/appserver", Database(),
                      Path("during.sqlite"), go});
        QVERIFY(during.waitForStarted());

        TSocketConnection code;
        code.SetServerName("SystemObj.CodeTableINTF");
        code.SetAddress("127.0.0.1");
        code.SetPort(port);
        code.SetTimeout(90000);
        TClientDataSet table;
        table.SetProviderName("xspCodeTable");
        table.SetAppServer(code.GetServer());
        table.Open();
        for (const char *c : {"1", "2", "3"}) {
            table.Append();
            table.FieldByName("Main_Code")->SetAsString("NBACKUP");
            table.FieldByName("Code")->SetAsString(c);
            table.FieldByName("Descript")->SetAsString(QStringLiteral("備份測試 %1").arg(c));
            table.Post();
        }
        QCOMPARE(table.ApplyUpdates(0), 0);
        table.SetAppServer(nullptr);
        QVERIFY(during.waitForFinished(120000));
        QVERIFY2(during.exitCode() == 0, during.readAll().constData());
        QVERIFY(server.Log().contains("paused in the middle of a change"));
        QCOMPARE(BatchRows(Database()), 3);

        const TRun after = RunProgram({"--database", Database(), "--backup", Path("after.sqlite")});
        QVERIFY2(after.Code == 0, qPrintable(after.Output));
        QVERIFY(after.Output.contains("backed up"));

        // Each backup is one sound file holding the school and the batch not at all or whole.
        for (const char *file : {"during.sqlite", "after.sqlite"}) {
            QCOMPARE(Peek(Path(file), "PRAGMA integrity_check").toString(), "ok");
            QCOMPARE(Peek(Path(file), "PRAGMA journal_mode").toString(), "delete");
            QCOMPARE(Peek(Path(file), "SELECT COUNT(*) FROM Users").toInt(), users);
            QVERIFY(!QFileInfo::exists(Path(file) + "-wal"));
        }
        QCOMPARE(BatchRows(Path("during.sqlite")), 0);
        QCOMPARE(BatchRows(Path("after.sqlite")), 3);

        // Not while the server runs: the database keeps the batch.
        const TRun refused =
            RunProgram({"--database", Database(), "--restore", Path("during.sqlite")});
        QCOMPARE(refused.Code, 1);
        QVERIFY2(refused.Output.contains("stop it before restoring"), qPrintable(refused.Output));
        QCOMPARE(BatchRows(Database()), 3);
        QVERIFY2(server.Terminate(), qPrintable(server.Log()));

        const TRun before =
            RunProgram({"--database", Database(), "--restore", Path("during.sqlite")});
        QVERIFY2(before.Code == 0, qPrintable(before.Output));
        QCOMPARE(Peek(Database(), "PRAGMA integrity_check").toString(), "ok");
        QCOMPARE(BatchRows(Database()), 0);
        QCOMPARE(Peek(Database(), "SELECT COUNT(*) FROM Users").toInt(), users);

        // The restored database serves again, and takes the next restore whole.
        {
            TServerProcess again(Arguments(), Path("again.log"));
            const quint16 againPort = again.WaitForPort();
            QVERIFY2(againPort != 0, qPrintable(again.Log()));
            QVERIFY(SignInAt(againPort, "T001", "teach-2024"));
            QVERIFY2(again.Terminate(), qPrintable(again.Log()));
        }
        const TRun whole =
            RunProgram({"--database", Database(), "--restore", Path("after.sqlite")});
        QVERIFY2(whole.Code == 0, qPrintable(whole.Output));
        QCOMPARE(BatchRows(Database()), 3);
        QCOMPARE(Peek(Database(), "PRAGMA integrity_check").toString(), "ok");
    }

    void whatIsNoBackupIsRefusedAndNothingChanges() {
        // A database of the server to restore into.
        {
            TServerProcess server(Arguments(), Path("seed.log"));
            QVERIFY2(server.WaitForPort() != 0, qPrintable(server.Log()));
            QVERIFY(server.Terminate());
        }
        QFile garbage(Path("garbage.sqlite"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
        garbage.close();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
            db.setDatabaseName(Path("other.sqlite"));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("CREATE TABLE Notes (Text TEXT)"));
        }
        QSqlDatabase::removeDatabase("other");
        // A backup cut short: the first half of a real one.
        QVERIFY(RunProgram({"--database", Database(), "--backup", Path("full.sqlite")}).Code == 0);
        QFile full(Path("full.sqlite"));
        QVERIFY(full.open(QIODevice::ReadOnly));
        QFile cut(Path("cut.sqlite"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(full.read(full.size() / 2));
        cut.close();
        const QByteArray database = Digest(Database());

        const struct {
            QStringList Arguments;
            const char *Message;
        } refusals[] = {
            {{"--restore", Path("garbage.sqlite")}, "is not a sound SQLite database"},
            {{"--restore", Path("other.sqlite")}, "not a database of the application server"},
            {{"--restore", Path("cut.sqlite")}, "(is damaged|is not a sound SQLite database)"},
            {{"--restore", Path("missing.sqlite")}, "There is no backup"},
            {{"--restore", Database()}, "cannot be restored from itself"},
            {{"--backup", Database()}, "cannot be written over its own database"},
            {{"--backup", Path("no-such-folder/x.sqlite")}, "Cannot open"},
            {{"--backup", Path("a.sqlite"), "--restore", Path("full.sqlite")}, "one at a time"},
        };
        for (const auto &r : refusals) {
            const TRun run = RunProgram(QStringList{"--database", Database()} + r.Arguments);
            QVERIFY2(run.Code == 1, qPrintable(r.Arguments.join(' ') + ": " + run.Output));
            QVERIFY2(run.Output.contains(QRegularExpression(QLatin1String(r.Message))),
                     qPrintable(r.Arguments.join(' ') + ": " + run.Output));
            QCOMPARE(Digest(Database()), database);
        }
        QVERIFY(!QFileInfo::exists(Path("no-such-folder")));
        QVERIFY(!QFileInfo::exists(Path("a.sqlite")));
        const QStringList left =
            QDir(FDir.path()).entryList({"*.part-*"}, QDir::Hidden | QDir::Files);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));

        // PostgreSQL has its own tools.
        QFile ini(Path("pg.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Database]\nDriver=QPSQL\nName=school\n");
        ini.close();
        const TRun pg = RunProgram({"--config", Path("pg.ini"), "--backup", Path("pg.sqlite")});
        QCOMPARE(pg.Code, 1);
        QVERIFY2(pg.Output.contains("pg_dump"), qPrintable(pg.Output));
    }

    void aRestoreAndAServerExcludeEachOther() {
        TDatabaseConfig config;
        config.Name = Database();
        QVERIFY(QFileInfo::exists(Database()));
        {
            const TServerRunningMark first(config);
            const TServerRunningMark second(config); // servers share a database
            QVERIFY_THROWS_EXCEPTION(EServerError, RestoreDatabase(Path("full.sqlite"), config));
        }
        // While a restore holds the database, a server does not start on it.
        const int fd = ::open(
            QFile::encodeName(TServerRunningMark::LockFile(Database())).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        try {
            const TServerRunningMark refused(config);
            QFAIL("a server started during a restore");
        } catch (const EServerError &e) {
            QVERIFY(e.Message().contains("being restored"));
        }
        const TRun server = RunProgram(Arguments());
        QCOMPARE(server.Code, 1);
        QVERIFY2(server.Output.contains("being restored"), qPrintable(server.Output));
        ::close(fd);
        RestoreDatabase(Path("full.sqlite"), config);
        QCOMPARE(BatchRows(Database()), 3);
    }
};

QTEST_GUILESS_MAIN(TstAppServerBackup)
#include "tst_AppServerBackup.moc"
