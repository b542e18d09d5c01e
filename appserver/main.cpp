// appserver: the school's application server.
//
//   appserver [--config FILE] [--port N] [--listen ADDRESS] [--database FILE]
//             [--certificate PEM --key PEM | --certificate-folder FOLDER] [--fast-hash]
//             [--publish FOLDER]
//   appserver [--config FILE | --database FILE] --revoke USER
//   appserver [--config FILE | --database FILE] --backup FILE | --restore FILE
//
// Without options it listens on every address at port 2001 and keeps its data in the SQLite
// file "appserver.sqlite" of the current folder, created with the demo school on first start.
// On PostgreSQL the configuration file names the database: [Database] Driver=QPSQL, Name
// (default "appserver"), Host (a name, an address or the folder of a Unix socket), Port, User,
// Password.
// It logs to standard error and stops cleanly on SIGTERM or SIGINT.
//
// --revoke ends every session of a user in the database (on every server that shares it: the
// user's next call asks for the password again), writes that into the event log and exits.
//
// --backup writes a consistent copy of an SQLite database, also while servers work on it;
// --restore brings one back into the database of a stopped server (ServerBackup.h).
//
// Without a certificate and key, --certificate-folder (INI: [Server] CertificateFolder) names
// the folder of the server's own self-signed certificate, made there at first start; the log
// says which file the clients are to trust.

#include "ApplicationServer.h"
#include "ProgramAllocator.h"
#include "ServerBackup.h"
#include "ServerCertificate.h"
#include "Sessions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &c, 1);
}

} // namespace

int main(int argc, char **argv) {
    UseProgramAllocator();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("appserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The school's application server"));
    parser.addHelpOption();
    const QCommandLineOption configOpt("config", "INI file with [Server] and [Database] settings.",
                                       "file");
    const QCommandLineOption portOpt("port", "TCP port (default 2001; 0 picks a free one).",
                                     "port");
    const QCommandLineOption listenOpt("listen", "Address to listen on (default all).", "address");
    const QCommandLineOption dbOpt("database", "SQLite database file.", "file");
    const QCommandLineOption certOpt("certificate", "PEM certificate; clients then use TLS.",
                                     "file");
    const QCommandLineOption keyOpt("key", "PEM private key of the certificate.", "file");
    const QCommandLineOption certFolderOpt(
        "certificate-folder",
        "Without --certificate and --key: use the self-signed certificate of this folder, made "
        "at first start.",
        "folder");
    const QCommandLineOption fastOpt(
        "fast-hash", "Hash the demo passwords at the lowest cost (throw-away databases).");
    const QCommandLineOption publishOpt(
        "publish", "Publish the job packages and templates of a program folder at start.",
        "folder");
    const QCommandLineOption revokeOpt(
        "revoke", "End every session of a user (the database of --config or --database) and exit.",
        "user");
    const QCommandLineOption backupOpt(
        "backup",
        "Write a consistent copy of the SQLite database into a file (also while servers "
        "run) and exit.",
        "file");
    const QCommandLineOption restoreOpt(
        "restore", "Bring a backup back into the database of a stopped server and exit.", "file");
    parser.addOptions({configOpt, portOpt, listenOpt, dbOpt, certOpt, keyOpt, certFolderOpt,
                       fastOpt, publishOpt, revokeOpt, backupOpt, restoreOpt});
    parser.process(app);

    TApplicationServerConfig config;
    try {
        if (parser.isSet(configOpt))
            config.LoadIni(parser.value(configOpt));
        if (config.Database.Name.isEmpty())
            config.Database.Name = config.Database.Driver == QLatin1String("QSQLITE")
                                       ? QStringLiteral("appserver.sqlite")
                                       : QStringLiteral("appserver");
        if (parser.isSet(portOpt)) {
            bool ok = false;
            const uint port = parser.value(portOpt).toUInt(&ok);
            if (!ok || port > 65535)
                throw EServerError(QStringLiteral("'%1' is not a port").arg(parser.value(portOpt)));
            config.Port = quint16(port);
        }
        if (parser.isSet(listenOpt))
            config.Address = QHostAddress(parser.value(listenOpt));
        if (parser.isSet(dbOpt)) {
            config.Database.Driver = QStringLiteral("QSQLITE");
            config.Database.Name = parser.value(dbOpt);
        }
        if (parser.isSet(certOpt))
            config.CertificateFile = parser.value(certOpt);
        if (parser.isSet(keyOpt))
            config.KeyFile = parser.value(keyOpt);
        if (parser.isSet(certFolderOpt))
            config.CertificateFolder = parser.value(certFolderOpt);
        if (parser.isSet(fastOpt))
            config.Database.HashCost = THashCost::Minimal;
        if (parser.isSet(publishOpt))
            config.PublishFolder = parser.value(publishOpt);

        if (parser.isSet(backupOpt) && parser.isSet(restoreOpt))
            throw EServerError(QStringLiteral("--backup and --restore go one at a time"));
        if (parser.isSet(backupOpt)) {
            const QString file = parser.value(backupOpt);
            const TBackupResult copied = BackupDatabase(config.Database, file);
            qInfo().noquote() << QStringLiteral("appserver: backed up %1 into %2 (%3 bytes)")
                                     .arg(config.Database.Name, file)
                                     .arg(copied.Bytes);
            return 0;
        }
        if (parser.isSet(restoreOpt)) {
            const QString file = parser.value(restoreOpt);
            const TBackupResult copied = RestoreDatabase(file, config.Database);
            qInfo().noquote() << QStringLiteral("appserver: restored %1 from %2 (%3 bytes)")
                                     .arg(config.Database.Name, file)
                                     .arg(copied.Bytes);
            return 0;
        }

        if (parser.isSet(revokeOpt)) {
            const QString user = parser.value(revokeOpt).trimmed();
            if (user.isEmpty())
                throw EServerError(QStringLiteral("--revoke needs a user"));
            TServerDatabase database(config.Database);
            TSessionStore sessions(database, config.SessionIdleMinutes);
            int ended = 0;
            database.Transaction([&] {
                ended = sessions.EndUser(user);
                const QString now = TServerDatabase::DateText(Now());
                database.Exec(
                    QStringLiteral("INSERT INTO EventLog (AppName, Operation, Operator, "
                                   "Description, StartTime, LogTime) VALUES ('SrvJobSecurity', "
                                   "'REVOKE', ?, ?, ?, ?)"),
                    {user,
                     QStringLiteral("The administrator ended %1 sessions of %2")
                         .arg(ended)
                         .arg(user),
                     now, now});
            });
            qInfo().noquote()
                << QStringLiteral("appserver: ended %1 sessions of %2").arg(ended).arg(user);
            return 0;
        }

        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
            throw EServerError(QStringLiteral("Cannot set up signal handling"));
        QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &app, [] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &c, 1);
            qInfo().noquote() << "appserver: stopping";
            QCoreApplication::quit();
        });
        struct sigaction sa = {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);

        if (config.CertificateFile.isEmpty() && config.KeyFile.isEmpty() &&
            !config.CertificateFolder.isEmpty()) {
            const TSelfSignedCertificate own = EnsureSelfSignedCertificate(
                config.CertificateFolder, QStringList(config.CertificateNames)
                                              << config.PublicHost);
            if (own.Made)
                qInfo().noquote() << QStringLiteral(
                                         "appserver: made a self-signed certificate for %1")
                                         .arg(own.Names.join(QStringLiteral(", ")));
            qInfo().noquote() << QStringLiteral(
                                     "appserver: clients trust this server by its certificate "
                                     "%1 (on each client: orv7-client-setup --server HOST "
                                     "--trust appserver-cert.pem)")
                                     .arg(own.CertificateFile);
            config.CertificateFile = own.CertificateFile;
            config.KeyFile = own.KeyFile;
        }
        // Marks the database as in use, so that a restore waits for this server to stop.
        const TServerRunningMark running(config.Database);
        TApplicationServer server(config);
        qInfo().noquote() << QStringLiteral("appserver: listening on port %1%2, database %3 (%4)")
                                 .arg(server.Port())
                                 .arg(server.HasCertificate() ? QStringLiteral(" with TLS")
                                                              : QString())
                                 .arg(config.Database.Name, config.Database.Driver);
        QObject::connect(&server, &TObjectServer::ConnectionClosed, &app,
                         [](const QString &reason) {
                             qInfo().noquote() << "appserver: connection closed:" << reason;
                         });
        const int rc = app.exec();
        qInfo().noquote() << "appserver: stopped";
        return rc;
    } catch (const std::exception &e) {
        qCritical().noquote() << "appserver:" << QString::fromUtf8(e.what());
        return 1;
    }
}
