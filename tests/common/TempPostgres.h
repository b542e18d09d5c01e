#pragma once
// A throw-away PostgreSQL cluster for tests: initdb into a temporary folder under /tmp, the
// server listening only on a Unix socket in that folder, databases made on demand, and the
// server stopped and the folder removed at the end (the server also stops when the test program
// dies). Run as root (as the tests are here), the cluster's programs run as the user postgres,
// which owns the folder.
//
// Unavailable() names what is missing (the PostgreSQL programs, Qt's QPSQL driver, the user
// postgres); tests skip with that reason, and run whenever it is empty.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

class TTempPostgres {
public:
    // Why no cluster can be made on this machine; empty when it can.
    static QString Unavailable() {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            return QStringLiteral("Qt's PostgreSQL driver QPSQL is not installed "
                                  "(Debian package libqt6sql6-psql)");
        if (BinDir().isEmpty())
            return QStringLiteral("the PostgreSQL server programs are not installed "
                                  "(Debian package postgresql)");
        if (::geteuid() == 0 && !::getpwnam("postgres"))
            return QStringLiteral("running as root without a user postgres to run the cluster");
        return QString();
    }

    // The cluster of this test program, started on first use and stopped with the
    // application object.
    static TTempPostgres &Shared() {
        static TTempPostgres *cluster = nullptr;
        if (!cluster) {
            cluster = new TTempPostgres;
            qAddPostRoutine([] {
                delete cluster;
                cluster = nullptr;
            });
        }
        return *cluster;
    }

    // Starts the cluster; raises std::runtime_error with the programs' output on failure.
    TTempPostgres() : FDir(QStringLiteral("/tmp/orv7-pg-XXXXXX")) {
        if (!FDir.isValid())
            throw std::runtime_error("cannot make a temporary folder for PostgreSQL");
        if (::geteuid() == 0) {
            const passwd *pg = ::getpwnam("postgres");
            if (!pg ||
                ::chown(QFile::encodeName(FDir.path()).constData(), pg->pw_uid, pg->pw_gid) != 0)
                throw std::runtime_error("cannot hand the cluster's folder to the user postgres");
        }
        RunProgram(QStringLiteral("initdb"),
                   {QStringLiteral("-D"), DataDir(), QStringLiteral("-U"), User(),
                    QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                    QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
                    QStringLiteral("--no-sync")});
        // pg_ctl starts the server and a shell waits on its input, which this process holds:
        // it stops the server when that input ends, on Stop() or when this process dies.
        const QString options =
            QStringLiteral("-k %1 -c listen_addresses= -p %2 -F -c max_connections=60")
                .arg(FDir.path())
                .arg(Port());
        FServer.setProcessChannelMode(QProcess::MergedChannels);
        FServer.setWorkingDirectory(FDir.path());
        const auto [program, arguments] = AsPostgres(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("\"$0\" -D \"$1\" -l \"$2\" -w -t 60 -o \"$3\" start && echo started "
                            "&& cat >/dev/null; \"$0\" -D \"$1\" -m immediate stop"),
             BinDir() + QStringLiteral("/pg_ctl"), DataDir(),
             FDir.filePath(QStringLiteral("server.log")), options});
        FServer.start(program, arguments);
        QByteArray output;
        while (!output.contains("started") && FServer.waitForReadyRead(120000))
            output += FServer.readAll();
        if (!output.contains("started"))
            throw std::runtime_error("PostgreSQL did not start: " + output.toStdString() +
                                     ServerLog().toStdString());
    }

    ~TTempPostgres() {
        FServer.closeWriteChannel();
        if (!FServer.waitForFinished(60000))
            qWarning("PostgreSQL did not stop");
    }
    TTempPostgres(const TTempPostgres &) = delete;
    TTempPostgres &operator=(const TTempPostgres &) = delete;

    // Where clients connect: the folder of the socket (libpq takes a host starting with "/"
    // as one), the port that names the socket, and the cluster's superuser.
    QString Host() const { return FDir.path(); }
    static int Port() { return 5432; }
    static QString User() { return QStringLiteral("postgres"); }

    // Makes a new empty database; returns its name.
    QString CreateDatabase() {
        const QString name = QStringLiteral("school%1").arg(++FDatabases);
        const QString connection = QStringLiteral("temp-postgres-admin");
        QString error;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(Host());
            db.setPort(Port());
            db.setUserName(User());
            db.setDatabaseName(QStringLiteral("postgres"));
            if (!db.open())
                error = db.lastError().text();
            else if (QSqlQuery q(db); !q.exec(QStringLiteral("CREATE DATABASE ") + name))
                error = q.lastError().text();
        }
        QSqlDatabase::removeDatabase(connection);
        if (!error.isEmpty())
            throw std::runtime_error("cannot create a PostgreSQL database: " + error.toStdString());
        return name;
    }

private:
    static QString BinDir() {
        QDir lib(QStringLiteral("/usr/lib/postgresql"));
        QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(),
                  [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &v : versions) {
            const QString bin = lib.filePath(v + QStringLiteral("/bin"));
            if (QFile::exists(bin + QStringLiteral("/initdb")) &&
                QFile::exists(bin + QStringLiteral("/pg_ctl")) &&
                QFile::exists(bin + QStringLiteral("/postgres")))
                return bin;
        }
        return QString();
    }

    QString DataDir() const { return FDir.filePath(QStringLiteral("data")); }

    // The program and arguments that run a program as the user postgres when this is root.
    std::pair<QString, QStringList> AsPostgres(const QString &program,
                                               const QStringList &arguments) const {
        if (::geteuid() != 0)
            return {program, arguments};
        return {QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), User(), QStringLiteral("--"), program} +
                    arguments};
    }

    QByteArray ServerLog() const {
        QFile log(FDir.filePath(QStringLiteral("server.log")));
        return log.open(QIODevice::ReadOnly) ? log.readAll().right(2000) : QByteArray();
    }

    // Runs a program of the cluster and waits for it.
    void RunProgram(const QString &name, const QStringList &args) {
        const auto [program, arguments] = AsPostgres(BinDir() + QLatin1Char('/') + name, args);
        QProcess p;
        p.setWorkingDirectory(FDir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, arguments);
        const bool done = p.waitForFinished(120000);
        if (!done || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            throw std::runtime_error(QStringLiteral("%1 failed: ").arg(name).toStdString() +
                                     p.readAll().right(2000).toStdString());
    }

    QTemporaryDir FDir;
    QProcess FServer;
    int FDatabases = 0;
};
