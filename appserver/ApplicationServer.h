#pragma once
// TApplicationServer: the application server — an object server that hosts, for each connection,
// one object per ProgID of the job-security and system-object servers, and of the servers of
// the school's notices and calendar, students and staff, over one database.

#include "ObjectServer.h"
#include "ServerDatabase.h"

#include <QHostAddress>
#include <memory>

struct TApplicationServerConfig {
    QHostAddress Address = QHostAddress::Any;
    quint16 Port = 2001; // 0 picks a free port
    TDatabaseConfig Database;
    QString CertificateFile; // with KeyFile: clients are switched to TLS
    QString KeyFile;
    QString MailSender = QStringLiteral("noreply@demo-school.example");
    qint64 MaxFrameSize = Remote::DefaultMaxFrameSize;
    // A program folder whose job packages and templates are published into the file lists
    // at start (empty: none).
    QString PublishFolder;

    // Reads an INI file: [Server] Address, Port, Certificate, Key, MailSender, MaxFrameSize,
    // Publish; [Database] Driver, Name, Host, Port, User, Password. Missing values keep their
    // defaults. Raises EServerError when the file cannot be read.
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

    static QStringList HostedProgIDs();

private:
    std::unique_ptr<TServerDatabase> FDatabase;
};
