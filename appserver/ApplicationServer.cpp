#include "ApplicationServer.h"

#include "AcadAbsenceModule.h"
#include "AcadCourseModule.h"
#include "AcadRewardConductModule.h"
#include "AcadSemCoursesModule.h"
#include "AcadStudentModule.h"
#include "AccGLModule.h"
#include "AccTaxModule.h"
#include "BudgetModule.h"
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
#include <algorithm>

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

TObjectServer::TCallRefusal TApplicationServer::Guard(TRemoteSession &session,
                                                      const QString &progId,
                                                      const TRemoteObject &object,
                                                      const QString &method,
                                                      const std::vector<Variant> &args) {
    session.User.clear();
    if (!session.Ticket.isEmpty())
        session.User = FSessions->Admit(session.Ticket);
    const bool preLogin = PreLoginAllowed(progId, method, args);
    if (session.User.isEmpty()) {
        if (preLogin)
            return {};
        qWarning().noquote() << QStringLiteral("appserver: refused %1 %2 from %3: %4")
                                    .arg(
                                        progId, method, session.Peer.toString(),
                                        session.Ticket.isEmpty()
                                            ? QStringLiteral("not signed in")
                                            : QStringLiteral("the session ticket is not in force"));
        return {SignInRequiredText(), Remote::ErrorSignInRequired};
    }
    // What a client may call before signing in, signing out, and binding one's own account to
    // computers are every user's.
    const bool security =
        progId.compare(QLatin1String("SrvJobSecurity.SecurityINTF"), Qt::CaseInsensitive) == 0;
    const bool ownAccount =
        !args.empty() && VarToStr(args[0]).compare(session.User, Qt::CaseInsensitive) == 0;
    if (preLogin ||
        (security && method.compare(QLatin1String("LogOut"), Qt::CaseInsensitive) == 0) ||
        (security && ownAccount &&
         method.compare(QLatin1String("SetLockMachine"), Qt::CaseInsensitive) == 0))
        return {};
    QString name = progId;
    for (const QString &hosted : HostedProgIDs())
        if (hosted.compare(progId, Qt::CaseInsensitive) == 0)
            name = hosted;
    // The IAppServer calls name their provider first.
    const QString provider = method.startsWith(QLatin1String("AS_")) && !args.empty() &&
                                     args[0].VarType() == TVarType::String
                                 ? args[0].ToString()
                                 : QString();
    const bool changes = object.ChangesData(method);
    const QString refusal = FPermissions->Check(session.User, name, provider, changes);
    if (refusal.isEmpty())
        return {};
    const QString what = provider.isEmpty()
                             ? QStringLiteral("%1 %2").arg(name, method)
                             : QStringLiteral("%1 %2 %3").arg(name, method, provider);
    qWarning().noquote() << QStringLiteral("appserver: refused %1 to %2 from %3: %4")
                                .arg(what, session.User, session.Peer.toString(),
                                     changes ? QStringLiteral("no permission to apply changes")
                                             : QStringLiteral("no permission"));
    const QString now = TServerDatabase::DateText(Now());
    FDatabase->Exec(
        QStringLiteral("INSERT INTO EventLog (AppName, Operation, Operator, "
                       "Description, StartTime, LogTime) VALUES "
                       "('SrvJobSecurity', 'DENIED', ?, ?, ?, ?)"),
        {session.User, QStringLiteral("%1 from %2").arg(what, session.Peer.toString()), now, now});
    return {refusal, 0};
}

namespace {

// The hosted objects in their registration order, with what each serves.
const struct {
    const char *ProgID;
    const char *Description;
} kHosted[] = {
    {"SrvJobSecurity.VersionCtrlNTF", "程式與範本檔案"},
    {"SrvJobSecurity.SecurityINTF", "帳號與登入"},
    {"SrvJobSecurity.JobManagerINTF", "工作群組與權限"},
    {"SystemObj.CodeTableINTF", "代碼表與共用服務"},
    {"SystemObj.DelphiVCLINTF", "代碼樹"},
    {"SystemObj.ObjServersINTF", "伺服器位置"},
    {"SystemObj.IDNameINTF", "代號查詢"},
    {"SrvPublicInfo.PublicInfoINTF", "公告與行事曆"},
    {"SrvAcademic.AcadStudentINTF", "學生資料"},
    {"SrvPersonnel.PersonnelINTF", "人事資料"},
    {"SrvAcademic.AcadCourseINTF", "課程與選課"},
    {"SrvAcademic.AcadSemCoursesINTF", "學期課程與成績"},
    {"SrvAcademic.AcadAbsenceINTF", "缺曠課"},
    {"SrvAcademic.AcadRewardConductINTF", "獎懲與操行"},
    {"SrvAccGL.ACCGLINTF", "會計總帳"},
    {"SrvAccTax.AccTaxINTF", "所得人資料"},
    {"SrvBudget.SrvBudgetQueryINTF", "預算計畫"},
};

} // namespace

QStringList TApplicationServer::HostedProgIDs() {
    QStringList ids;
    for (const auto &h : kHosted)
        ids << QLatin1String(h.ProgID);
    return ids;
}

QString TApplicationServer::Description(const QString &progId) {
    for (const auto &h : kHosted)
        if (progId.compare(QLatin1String(h.ProgID), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(h.Description);
    return QString();
}

void TApplicationServer::RegisterServerObjects() {
    QList<std::pair<QString, QString>> objects;
    for (const QString &id : HostedProgIDs())
        objects.append({id, Description(id)});
    for (const QString &id : HostedProgIDs()) {
        const QString family = id.section(u'.', 0, 0) + QStringLiteral(".*");
        if (std::none_of(objects.begin(), objects.end(),
                         [&](const auto &o) { return o.first == family; }))
            objects.append({family, QStringLiteral("%1 的全部物件").arg(id.section(u'.', 0, 0))});
    }
    objects.append({QStringLiteral("*"), QStringLiteral("全部伺服器物件")});
    FDatabase->Transaction([&] {
        // Servers sharing one database may start together.
        if (!FDatabase->IsSQLite())
            FDatabase->Exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)")
                                .arg(TServerDatabase::SchemaLock));
        for (const auto &[id, description] : objects) {
            const QVariant known = FDatabase->Scalar(
                QStringLiteral("SELECT Descript FROM ServerObjects WHERE ProgID = ?"), {id});
            if (!known.isValid())
                FDatabase->Exec(
                    QStringLiteral("INSERT INTO ServerObjects (ProgID, Descript) VALUES (?, ?)"),
                    {id, description});
            else if (known.toString() != description)
                FDatabase->Exec(
                    QStringLiteral("UPDATE ServerObjects SET Descript = ? WHERE ProgID = ?"),
                    {description, id});
        }
    });
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
    FPermissions = std::make_unique<TPermissions>(*FDatabase);
    RegisterServerObjects();
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
    SetCallGuard([this](TRemoteSession &session, const QString &progId, const TRemoteObject &object,
                        const QString &method, const std::vector<Variant> &args) {
        return Guard(session, progId, object, method, args);
    });
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
    add(ids[14], [](const TServerContext &c) { return std::make_unique<TAccGLModule>(c); });
    add(ids[15], [](const TServerContext &c) { return std::make_unique<TAccTaxModule>(c); });
    add(ids[16], [](const TServerContext &c) { return std::make_unique<TBudgetModule>(c); });

    SetMaxFrameSize(config.MaxFrameSize);
    if (!config.CertificateFile.isEmpty() || !config.KeyFile.isEmpty())
        LoadCertificate(config.CertificateFile, config.KeyFile);
    Listen(config.Address, config.Port);
}

TApplicationServer::~TApplicationServer() {
    Close(); // objects go before the database they use
}
