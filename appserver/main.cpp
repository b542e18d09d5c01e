// appserver: the school's application server.
//
//   appserver [--config FILE] [--port N] [--listen ADDRESS] [--database FILE]
//             [--certificate PEM --key PEM] [--fast-hash] [--publish FOLDER]
//   appserver [--config FILE | --database FILE] --revoke USER
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

#include "ApplicationServer.h"
#include "Sessions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <malloc.h>
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
    // Data packets of a few hundred kilobytes are built and freed on every call: such blocks
    // stay in the heap for reuse instead of being mapped and unmapped (and faulted in) each time.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
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
    const QCommandLineOption fastOpt(
        "fast-hash", "Hash the demo passwords at the lowest cost (throw-away databases).");
    const QCommandLineOption publishOpt(
        "publish", "Publish the job packages and templates of a program folder at start.",
        "folder");
    const QCommandLineOption revokeOpt(
        "revoke", "End every session of a user (the database of --config or --database) and exit.",
        "user");
    parser.addOptions(
        {configOpt, portOpt, listenOpt, dbOpt, certOpt, keyOpt, fastOpt, publishOpt, revokeOpt});
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
        if (parser.isSet(fastOpt))
            config.Database.HashCost = THashCost::Minimal;
        if (parser.isSet(publishOpt))
            config.PublishFolder = parser.value(publishOpt);

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
