#include "ApplicationServer.h"

#include "AcadAbsenceModule.h"
#include "AcadCourseModule.h"
#include "AcadRewardConductModule.h"
#include "AcadSemCoursesModule.h"
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

namespace {

int PositiveValue(QSettings &ini, const char *key, int value, const QString &file) {
    bool ok = false;
    const int read = ini.value(QLatin1String(key), value).toInt(&ok);
    if (!ok || read <= 0)
        throw EServerError(
            QStringLiteral("%1: [Mail] %2 must be a number above 0").arg(file, QLatin1String(key)));
    return read;
}

// [Mail]: the relay and the retries; its From is also the server's own sender.
void LoadMailIni(QSettings &ini, const QString &file, TApplicationServerConfig &config) {
    ini.beginGroup(QStringLiteral("Mail"));
    TMailDeliveryConfig &mail = config.Mail;
    TMailRelay &relay = mail.Relay;
    relay.Host = ini.value("Host", relay.Host).toString().trimmed();
    const QString security = ini.value("Security", QStringLiteral("none")).toString().toLower();
    if (security == QLatin1String("none"))
        relay.Security = TMailSecurity::None;
    else if (security == QLatin1String("starttls"))
        relay.Security = TMailSecurity::StartTls;
    else if (security == QLatin1String("tls"))
        relay.Security = TMailSecurity::Tls;
    else
        throw EServerError(
            QStringLiteral("%1: [Mail] Security must be none, starttls or tls").arg(file));
    relay.Port = PositiveValue(ini, "Port", relay.Security == TMailSecurity::Tls ? 465 : 25, file);
    relay.User = ini.value("User", relay.User).toString();
    relay.Password = ini.value("Password", relay.Password).toString();
    relay.CaFile = ini.value("CaFile", relay.CaFile).toString();
    if (ini.contains("From"))
        config.MailSender = ini.value("From").toString().trimmed();
    mail.MaxAttempts = PositiveValue(ini, "MaxAttempts", mail.MaxAttempts, file);
    mail.RetrySeconds = PositiveValue(ini, "RetrySeconds", mail.RetrySeconds, file);
    mail.PollSeconds = PositiveValue(ini, "PollSeconds", mail.PollSeconds, file);
    ini.endGroup();
}

} // namespace

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
    ini.beginGroup(QStringLiteral("Security"));
    bool ok = false;
    const int idle = ini.value("SessionIdleMinutes", SessionIdleMinutes).toInt(&ok);
    if (!ok || idle <= 0)
        throw EServerError(
            QStringLiteral("%1: [Security] SessionIdleMinutes must be a number of minutes above 0")
                .arg(file));
    SessionIdleMinutes = idle;
    ini.endGroup();
    LoadMailIni(ini, file, *this);
}

QString TApplicationServer::SignInRequiredText() {
    return QStringLiteral("尚未登入或登入已逾時");
}

QList<TApplicationServer::TPreLoginCall> TApplicationServer::PreLoginCalls() {
    // What the client calls from its start until its user has signed in: the main window's
    // server time; the object brokers' server-location table; the tree menu's stored trees;
    // the clean-up of the template folder against the template list; the sign-in.
    const QString getRecords = QStringLiteral("AS_GetRecords");
    return {
        {QStringLiteral("SystemObj.CodeTableINTF"), QStringLiteral("GetSystemDateTime"), {}},
        {QStringLiteral("SystemObj.ObjServersINTF"), QStringLiteral("GetServerNames"), {}},
        {QStringLiteral("SystemObj.ObjServersINTF"), QStringLiteral("ReadServerData"), {}},
        {QStringLiteral("SystemObj.ObjServersINTF"), getRecords,
         QStringLiteral("xspServerLocation")},
        {QStringLiteral("SystemObj.DelphiVCLINTF"),
         QStringLiteral("ReadVCLNamesByDescription"),
         {}},
        {QStringLiteral("SrvJobSecurity.VersionCtrlNTF"), getRecords,
         QStringLiteral("xspDataFiles")},
        {QStringLiteral("SrvJobSecurity.SecurityINTF"), QStringLiteral("Login"), {}},
        {QStringLiteral("SrvJobSecurity.SecurityINTF"), QStringLiteral("LoginByMachine"), {}},
        {QStringLiteral("SrvJobSecurity.SecurityINTF"), QStringLiteral("GetLockMachine"), {}},
    };
}

bool TApplicationServer::PreLoginAllowed(const QString &progId, const QString &method,
                                         const std::vector<Variant> &args) {
    for (const TPreLoginCall &call : PreLoginCalls()) {
        if (call.ProgID.compare(progId, Qt::CaseInsensitive) != 0 ||
            call.Method.compare(method, Qt::CaseInsensitive) != 0)
            continue;
        if (call.Provider.isEmpty())
            return true;
        // AS_GetRecords(provider, count, recsOut, options, commandText, params, ownerData):
        // the provider's own statement only, never a command text of the client's.
        return args.size() == 7 && args[0].VarType() == TVarType::String &&
               call.Provider.compare(args[0].ToString(), Qt::CaseInsensitive) == 0 &&
               VarToStr(args[4]).isEmpty();
    }
    return false;
}

QString TApplicationServer::Guard(TRemoteSession &session, const QString &progId,
                                  const QString &method, const std::vector<Variant> &args) {
    session.User.clear();
    if (!session.Ticket.isEmpty()) {
        session.User = FSessions->Admit(session.Ticket);
        if (!session.User.isEmpty())
            return QString();
    }
    if (PreLoginAllowed(progId, method, args))
        return QString();
    qWarning().noquote() << QStringLiteral("appserver: refused %1 %2 from %3: %4")
                                .arg(progId, method, session.Peer.toString(),
                                     session.Ticket.isEmpty()
                                         ? QStringLiteral("not signed in")
                                         : QStringLiteral("the session ticket is not in force"));
    return SignInRequiredText();
}

QStringList TApplicationServer::HostedProgIDs() {
    return {"SrvJobSecurity.VersionCtrlNTF", "SrvJobSecurity.SecurityINTF",
            "SrvJobSecurity.JobManagerINTF", "SystemObj.CodeTableINTF",
            "SystemObj.DelphiVCLINTF",       "SystemObj.ObjServersINTF",
            "SystemObj.IDNameINTF",          "SrvPublicInfo.PublicInfoINTF",
            "SrvAcademic.AcadStudentINTF",   "SrvPersonnel.PersonnelINTF",
            "SrvAcademic.AcadCourseINTF",    "SrvAcademic.AcadSemCoursesINTF",
            "SrvAcademic.AcadAbsenceINTF",   "SrvAcademic.AcadRewardConductINTF"};
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
    FSessions = std::make_unique<TSessionStore>(*FDatabase, config.SessionIdleMinutes);
    FThrottle = std::make_unique<TLoginThrottle>(*FDatabase);
    TMailDeliveryConfig mail = config.Mail;
    mail.Relay.From = config.MailSender;
    FMail = std::make_unique<TMailDelivery>(config.Database, mail);
    TServerContext context;
    context.Database = FDatabase.get();
    context.MailSender = config.MailSender;
    context.Mail = FMail.get();
    context.HashCost = config.Database.HashCost;
    context.Sessions = FSessions.get();
    context.Throttle = FThrottle.get();

    auto add = [&](const QString &progId, auto make) {
        RegisterClass(
            progId,
            [context, make, progId](TRemoteSession &session) -> std::unique_ptr<TRemoteObject> {
                TServerContext c = context;
                c.Session = &session;
                c.ProgID = progId;
                return make(c);
            });
    };
    SetCallGuard(
        [this](TRemoteSession &session, const QString &progId, const QString &method,
               const std::vector<Variant> &args) { return Guard(session, progId, method, args); });
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
    add(ids[10], [](const TServerContext &c) { return std::make_unique<TAcadCourseModule>(c); });
    add(ids[11],
        [](const TServerContext &c) { return std::make_unique<TAcadSemCoursesModule>(c); });
    add(ids[12], [](const TServerContext &c) { return std::make_unique<TAcadAbsenceModule>(c); });
    add(ids[13],
        [](const TServerContext &c) { return std::make_unique<TAcadRewardConductModule>(c); });

    SetMaxFrameSize(config.MaxFrameSize);
    if (!config.CertificateFile.isEmpty() || !config.KeyFile.isEmpty())
        LoadCertificate(config.CertificateFile, config.KeyFile);
    Listen(config.Address, config.Port);
}

TApplicationServer::~TApplicationServer() {
    Close(); // objects go before the database they use
}
