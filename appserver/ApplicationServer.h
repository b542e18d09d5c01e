#pragma once
// TApplicationServer: the application server — an object server that hosts, for each connection,
// one object per ProgID of the job-security and system-object servers, and of the servers of
// the school's notices and calendar, students and staff, over one database.
//
// Only a signed-in connection reaches the school's data: a call is let through when the
// connection presents a session ticket in force (TSessionStore), or when it is one of the few
// that a client makes before its user has signed in (PreLoginCalls). Everything else is
// refused with "尚未登入或登入已逾時", logged with the peer's address, and runs nothing.
//
// A signed-in user's call is then checked against the permissions of the user's job groups
// (TPermissions): a call on an object they may not use, or one that changes data where they
// may only read, is refused with "權限不足:<ProgID>", logged (standard error and the event log,
// operation DENIED) and runs nothing. The pre-login calls, signing out and binding one's own
// account to computers are every user's.

#include "MailOutbox.h"
#include "ObjectServer.h"
#include "Permissions.h"
#include "ServerDatabase.h"
#include "Sessions.h"

#include <QHostAddress>
#include <memory>

struct TApplicationServerConfig {
    QHostAddress Address = QHostAddress::Any;
    quint16 Port = 2001; // 0 picks a free port
    TDatabaseConfig Database;
    QString CertificateFile; // with KeyFile: clients are switched to TLS
    QString KeyFile;
    // Without CertificateFile and KeyFile: the folder of the server's self-signed certificate,
    // made at first start (ServerCertificate.h), and the names it carries besides this
    // computer's own. Empty: no certificate, plain connections.
    QString CertificateFolder;
    QStringList CertificateNames;
    QString MailSender = QStringLiteral("noreply@demo-school.example");
    qint64 MaxFrameSize = Remote::DefaultMaxFrameSize;
    // The name or address by which client computers reach this server: the server-location
    // entries naming this computer's loopback address (as the demo school's do) name it
    // instead from the start on. Empty: the entries stay as they are.
    QString PublicHost;
    // A program folder whose job packages and templates are published into the file lists
    // at start (empty: none).
    QString PublishFolder;
    // Minutes without a call after which a session ticket lapses.
    int SessionIdleMinutes = TSessionStore::DefaultIdleMinutes;
    // The relay the outbox is delivered through (no host: mail waits), and the retries.
    TMailDeliveryConfig Mail;

    // Reads an INI file: [Server] Address, Port, Certificate, Key, CertificateFolder,
    // CertificateNames (comma-separated), PublicHost, MailSender, MaxFrameSize, Publish; [Database]
    // Driver, Name, Host, Port, User, Password; [Security] SessionIdleMinutes; [Mail] Host, Port,
    // Security (none, starttls or tls), User, Password, From, CaFile, MaxAttempts, RetrySeconds,
    // PollSeconds. Missing values keep their defaults. Raises EServerError when the file cannot be
    // read or a value is not valid.
    void LoadIni(const QString &file);
};

class TApplicationServer : public TObjectServer {
    Q_OBJECT
public:
    // Opens the database (creating it with the demo school when empty), registers the server
    // objects and starts listening. Raises EServerError / ERemoteError on failure.
    explicit TApplicationServer(const TApplicationServerConfig &config, QObject *parent = nullptr);
    ~TApplicationServer() override;

    TServerDatabase &Database() { return *FDatabase; }
    TSessionStore &Sessions() { return *FSessions; }

    static QStringList HostedProgIDs();
    // What each hosted object serves, as the permission job shows it.
    static QString Description(const QString &progId);

    // A call a client makes before its user has signed in: the server's time, the server
    // locations, the stored code trees' names for the tree menu, the template list, and the
    // sign-in itself. A provider call names its provider, and only reads it with the
    // provider's own statement.
    struct TPreLoginCall {
        QString ProgID;
        QString Method;
        QString Provider; // for the IAppServer calls: the provider named by the first argument
    };
    static QList<TPreLoginCall> PreLoginCalls();
    static bool PreLoginAllowed(const QString &progId, const QString &method,
                                const std::vector<Variant> &args);
    // The server's message for a call refused for want of a valid ticket.
    static QString SignInRequiredText();

private:
    TCallRefusal Guard(TRemoteSession &session, const QString &progId, const TRemoteObject &object,
                       const QString &method, const std::vector<Variant> &args);
    // Writes the hosted objects, their families and "*" into ServerObjects.
    void RegisterServerObjects();

    std::unique_ptr<TServerDatabase> FDatabase;
    std::unique_ptr<TSessionStore> FSessions;
    std::unique_ptr<TLoginThrottle> FThrottle;
    std::unique_ptr<TPermissions> FPermissions;
    // After the database: it stops first.
    std::unique_ptr<TMailDelivery> FMail;
};
