#include "Os.h"

#include <QHostAddress>

CSystem *SystemOS = nullptr;

namespace {

constexpr qsizetype kMaxComputerName = 16;
constexpr qsizetype kMaxUserName = 256;
constexpr quint16 kLookupPort = 7; // echo: never answered, never sent to

bool IsLoopback(const QString &ip) {
    const QHostAddress address(ip);
    return address.isNull() || address.isLoopback();
}

} // namespace

QString OsKindName(int kind) {
    static const char *const kNames[] = {"UNKNOW", "WINDOWS", "WINDOWS NT", "UNIX"};
    if (kind < 0 || kind > osUnix)
        kind = osUnknown;
    return QString::fromLatin1(kNames[kind]);
}

// ---- CMachine ----

QString CMachine::GetName() const {
    const QString host = FFacts.HostName();
    return host.section(u'.', 0, 0).left(kMaxComputerName);
}

QString CMachine::GetCurrentUser() const {
    return FFacts.UserName().left(kMaxUserName);
}

// ---- CTCP ----

const QString CTCP::DefaultLookupAddress = QStringLiteral("8.8.8.8");

QString CTCP::GetHost() const {
    return FFacts.HostName();
}

QString CTCP::GetDomain() const {
    const QString host = GetHost();
    const qsizetype dot = host.indexOf(u'.');
    return dot < 0 ? QString() : host.mid(dot + 1);
}

QString CTCP::GetIPAddr() const {
    const QString host = GetHost();
    if (!host.isEmpty())
        for (const QString &ip : FFacts.ResolveIPv4(host))
            if (!IsLoopback(ip))
                return ip;
    return LookupHostIP();
}

QString CTCP::LookupHostIP() const {
    return FFacts.LocalAddressTowards(LookupAddress, kLookupPort);
}

// ---- CSystem ----

CSystem::CSystem(int kind, IOsFactSource &facts)
    : FKind(kind), FFacts(facts), FMachine(facts), FTCP(facts) {}

CUnix::CUnix(IOsFactSource &facts) : CSystem(osUnix, facts) {
    QMap<QString, QString> release =
        ParseOsRelease(facts.ReadFile(QStringLiteral("/etc/os-release")));
    if (release.isEmpty())
        release = ParseOsRelease(facts.ReadFile(QStringLiteral("/usr/lib/os-release")));
    TUnameInfo uname;
    if (!facts.Uname(uname))
        uname = {};

    COS &os = OS();
    QString name = release.value(QStringLiteral("PRETTY_NAME"));
    if (name.isEmpty())
        name = release.value(QStringLiteral("NAME"));
    if (name.isEmpty())
        name = uname.SysName;
    os.Version = name.isEmpty() ? QString() : name + u'-' + GetOs();
    os.VersionNumber = release.value(QStringLiteral("VERSION_ID"));
    if (os.VersionNumber.isEmpty())
        os.VersionNumber = uname.Release;
    os.ProductId = QString::fromLatin1(facts.ReadFile(QStringLiteral("/etc/machine-id"))).trimmed();
    os.SystemRoot = QStringLiteral("/");

    CMachine &machine = Machine();
    machine.Owner = os.RegisteredOwner;
    machine.MachineType = uname.Machine;
    machine.Processor = ProcessorFromCpuInfo(facts.ReadFile(QStringLiteral("/proc/cpuinfo")));
    if (machine.Processor.isEmpty())
        machine.Processor = uname.Machine;
    machine.UserName = machine.GetCurrentUser();
}

std::unique_ptr<CSystem> CreateSystem(IOsFactSource &facts) {
    // This client runs on POSIX systems only; the Windows kinds remain in the table for the
    // values stored by earlier installations.
    return std::make_unique<CUnix>(facts);
}

// ---- the process-wide instance ----

namespace {
// Defined after every static of this file that a CSystem reads while it is made (the look-up
// address above all): statics of one file start in the order they are defined.
struct TSystemOSLifetime {
    TSystemOSLifetime() { SystemOS = CreateSystem(SystemOsFacts()).release(); }
    ~TSystemOSLifetime() {
        delete SystemOS;
        SystemOS = nullptr;
    }
} gSystemOSLifetime;
} // namespace
