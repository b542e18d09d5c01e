#include "ApplicationServer.h"

#include "AcadStudentModule.h"
#include "CodeTableModule.h"
#include "DelphiVCLModule.h"
#include "IDNameModule.h"
#include "JobManagerModule.h"
#include "ObjServersModule.h"
#include "PackagePublisher.h"
#include "PersonnelModule.h"
#include "PublicInfoModule.h"
#include "SecurityModule.h"
#include "VersionCtrlModule.h"

#include <QFileInfo>
#include <QSettings>

void TApplicationServerConfig::LoadIni(const QString &file) {
    if (!QFileInfo(file).isReadable())
        throw EServerError(QStringLiteral("Cannot read the configuration %1").arg(file));
    QSettings ini(file, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        throw EServerError(
            QStringLiteral("The configuration %1 is not a valid INI file").arg(file));
    ini.beginGroup(QStringLiteral("Server"));
    if (ini.contains("Address"))
        Address = QHostAddress(ini.value("Address").toString());
    Port = quint16(ini.value("Port", Port).toUInt());
    CertificateFile = ini.value("Certificate", CertificateFile).toString();
    KeyFile = ini.value("Key", KeyFile).toString();
    MailSender = ini.value("MailSender", MailSender).toString();
    MaxFrameSize = ini.value("MaxFrameSize", MaxFrameSize).toLongLong();
    PublishFolder = ini.value("Publish", PublishFolder).toString();
    ini.endGroup();
    ini.beginGroup(QStringLiteral("Database"));
    Database.Driver = ini.value("Driver", Database.Driver).toString();
    Database.Name = ini.value("Name", Database.Name).toString();
    Database.Host = ini.value("Host", Database.Host).toString();
    Database.Port = ini.value("Port", Database.Port).toInt();
    Database.User = ini.value("User", Database.User).toString();
    Database.Password = ini.value("Password", Database.Password).toString();
    ini.endGroup();
}

QStringList TApplicationServer::HostedProgIDs() {
    return {"SrvJobSecurity.VersionCtrlNTF", "SrvJobSecurity.SecurityINTF",
            "SrvJobSecurity.JobManagerINTF", "SystemObj.CodeTableINTF",
            "SystemObj.DelphiVCLINTF",       "SystemObj.ObjServersINTF",
            "SystemObj.IDNameINTF",          "SrvPublicInfo.PublicInfoINTF",
            "SrvAcademic.AcadStudentINTF",   "SrvPersonnel.PersonnelINTF"};
}

TApplicationServer::TApplicationServer(const TApplicationServerConfig &config, QObject *parent)
    : TObjectServer(parent) {
    TDatabaseConfig database = config.Database;
    if (config.Port != 0)
        database.DemoPort = config.Port;
    FDatabase = std::make_unique<TServerDatabase>(database);
    if (!config.PublishFolder.isEmpty()) {
        const TPublishResult published = PublishProgramFolder(*FDatabase, config.PublishFolder);
        qInfo("Published from %s: %d job packages, %d templates", qPrintable(config.PublishFolder),
              published.Packages, published.Templates);
    }
    TServerContext context;
    context.Database = FDatabase.get();
    context.MailSender = config.MailSender;
    context.HashCost = config.Database.HashCost;

    auto add = [&](const QString &progId, auto make) {
        RegisterClass(progId,
                      [context, make](const TRemoteSession &) -> std::unique_ptr<TRemoteObject> {
                          return make(context);
                      });
    };
    const QStringList ids = HostedProgIDs();
    add(ids[0], [](const TServerContext &c) { return std::make_unique<TVersionCtrlModule>(c); });
    add(ids[1], [](const TServerContext &c) { return std::make_unique<TSecurityModule>(c); });
    add(ids[2], [](const TServerContext &c) { return std::make_unique<TJobManagerModule>(c); });
    add(ids[3], [](const TServerContext &c) { return std::make_unique<TCodeTableModule>(c); });
    add(ids[4], [](const TServerContext &c) { return std::make_unique<TDelphiVCLModule>(c); });
    add(ids[5], [](const TServerContext &c) { return std::make_unique<TObjServersModule>(c); });
    add(ids[6], [](const TServerContext &c) { return std::make_unique<TIDNameModule>(c); });
    add(ids[7], [](const TServerContext &c) { return std::make_unique<TPublicInfoModule>(c); });
    add(ids[8], [](const TServerContext &c) { return std::make_unique<TAcadStudentModule>(c); });
    add(ids[9], [](const TServerContext &c) { return std::make_unique<TPersonnelModule>(c); });

    SetMaxFrameSize(config.MaxFrameSize);
    if (!config.CertificateFile.isEmpty() || !config.KeyFile.isEmpty())
        LoadCertificate(config.CertificateFile, config.KeyFile);
    Listen(config.Address, config.Port);
}

TApplicationServer::~TApplicationServer() {
    Close(); // objects go before the database they use
}
