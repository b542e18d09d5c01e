#include "NetAdapters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <limits>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

namespace {

constexpr qint64 kMaxNetFile = 4 << 20;
constexpr unsigned kRouteUp = 0x1;      // RTF_UP
constexpr unsigned kRouteGateway = 0x2; // RTF_GATEWAY

QByteArray ReadSmallFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kMaxNetFile);
}

// Interface names come from the kernel, but they end up in paths: keep them to one component.
bool SafeName(const QString &name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/');
}

bool Matches(const QString &fileName, const QString &prefix, const QString &suffix) {
    return fileName.size() >= prefix.size() + suffix.size() && fileName.startsWith(prefix) &&
           fileName.endsWith(suffix);
}

// A lease counts only for an address the adapter holds now: a file left from an earlier
// DHCP configuration says nothing about an adapter set up by hand since.
bool FindLease(const QString &root, const QString &name, int index, const QStringList &ips,
               TDhcpLease &found) {
    if (ips.isEmpty())
        return false;
    auto accept = [&](const TDhcpLease &lease) {
        if (!ips.contains(lease.Address))
            return false;
        found = lease;
        return true;
    };
    TDhcpLease lease;
    if (index > 0 &&
        ParseKeyValueLease(ReadSmallFile(root + QStringLiteral("/run/systemd/netif/leases/") +
                                         QString::number(index)),
                           lease) &&
        accept(lease))
        return true;

    const QDir nm(root + QStringLiteral("/var/lib/NetworkManager"));
    const QString nmSuffix = u'-' + name + QStringLiteral(".lease");
    for (const QString &file : nm.entryList(QDir::Files, QDir::Name)) {
        const QByteArray text = ReadSmallFile(nm.filePath(file));
        if (Matches(file, QStringLiteral("internal-"), nmSuffix) &&
            ParseKeyValueLease(text, lease) && accept(lease))
            return true;
        if (Matches(file, QStringLiteral("dhclient-"), nmSuffix) &&
            ParseDhclientLeases(text, name, lease) && accept(lease))
            return true;
    }
    for (const QString &folder :
         {QStringLiteral("/var/lib/dhcp"), QStringLiteral("/var/lib/dhclient")}) {
        const QDir dir(root + folder);
        for (const QString &file : dir.entryList(QDir::Files, QDir::Name)) {
            if (!Matches(file, QStringLiteral("dhclient"), QStringLiteral(".leases")))
                continue;
            if (ParseDhclientLeases(ReadSmallFile(dir.filePath(file)), name, lease) &&
                accept(lease))
                return true;
        }
    }
    return false;
}

bool AllZero(const QByteArray &bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

} // namespace

TPosixAdapterSource::TPosixAdapterSource(QString root) : FRoot(std::move(root)) {}

bool TPosixAdapterSource::ReadAdapters(std::vector<TNetAdapter> &adapters, QString &error) {
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    std::vector<TInterfaceEntry> entries;
    for (const ifaddrs *a = list; a; a = a->ifa_next) {
        if (!a->ifa_name)
            continue;
        TInterfaceEntry e;
        e.Name = QString::fromLocal8Bit(a->ifa_name);
        e.Flags = a->ifa_flags;
        e.Index = static_cast<int>(::if_nametoindex(a->ifa_name));
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET) {
            char text[INET_ADDRSTRLEN] = {};
            const auto *sin = reinterpret_cast<const sockaddr_in *>(a->ifa_addr);
            if (::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof(text))) {
                e.Family = TInterfaceEntry::IPv4;
                e.IPAddress = QString::fromLatin1(text);
            }
        } else if (a->ifa_addr && a->ifa_addr->sa_family == AF_PACKET) {
            const auto *sll = reinterpret_cast<const sockaddr_ll *>(a->ifa_addr);
            const int length = std::min<int>(sll->sll_halen, sizeof(sll->sll_addr));
            e.Family = TInterfaceEntry::Link;
            e.Hardware = QByteArray(reinterpret_cast<const char *>(sll->sll_addr), length);
        }
        entries.push_back(std::move(e));
    }
    ::freeifaddrs(list);
    adapters = BuildAdapters(entries, FRoot);
    return true;
}

std::vector<TNetAdapter> BuildAdapters(const std::vector<TInterfaceEntry> &entries,
                                       const QString &root) {
    struct TPending {
        QString Name;
        unsigned Flags = 0;
        int Index = 0;
        QByteArray Hardware;
        QStringList IPs;
    };
    std::vector<TPending> pending;
    QHash<QString, size_t> byName;
    for (const TInterfaceEntry &e : entries) {
        auto it = byName.find(e.Name);
        if (it == byName.end()) {
            it = byName.insert(e.Name, pending.size());
            pending.push_back({e.Name, 0, 0, {}, {}});
        }
        TPending &p = pending[*it];
        p.Flags |= e.Flags;
        if (e.Index > 0)
            p.Index = e.Index;
        if (e.Family == TInterfaceEntry::Link && !e.Hardware.isEmpty())
            p.Hardware = e.Hardware;
        if (e.Family == TInterfaceEntry::IPv4 && !e.IPAddress.isEmpty() &&
            !p.IPs.contains(e.IPAddress))
            p.IPs.append(e.IPAddress);
    }

    const QHash<QString, QString> gateways =
        ParseDefaultGateways(ReadSmallFile(root + QStringLiteral("/proc/net/route")));
    std::vector<TNetAdapter> adapters;
    for (const TPending &p : pending) {
        if ((p.Flags & IFF_LOOPBACK) || !SafeName(p.Name))
            continue;
        const QString sys = root + QStringLiteral("/sys/class/net/") + p.Name;
        QByteArray hardware = p.Hardware;
        if (hardware.size() != 6)
            hardware = ParseMacAddress(
                QString::fromLatin1(ReadSmallFile(sys + QStringLiteral("/address"))).trimmed());
        if (hardware.size() != 6 || AllZero(hardware))
            continue;
        TNetAdapter a;
        a.Name = p.Name;
        a.Address = hardware;
        a.Index = p.Index > 0 ? p.Index
                              : QString::fromLatin1(ReadSmallFile(sys + QStringLiteral("/ifindex")))
                                    .trimmed()
                                    .toInt();
        const QString driver = QFileInfo(sys + QStringLiteral("/device/driver")).symLinkTarget();
        a.Description = driver.isEmpty() ? p.Name : QFileInfo(driver).fileName();
        a.IPAddresses = p.IPs;
        a.Gateway = gateways.value(p.Name);
        TDhcpLease lease;
        if (FindLease(root, p.Name, a.Index, p.IPs, lease)) {
            a.DHCPEnabled = true;
            a.DHCPServer = lease.Server;
        }
        adapters.push_back(std::move(a));
    }
    // The system's order; an interface whose index is unknown keeps its place after the rest.
    std::stable_sort(
        adapters.begin(), adapters.end(), [](const TNetAdapter &l, const TNetAdapter &r) {
            const auto key = [](int i) { return i > 0 ? i : std::numeric_limits<int>::max(); };
            return key(l.Index) < key(r.Index);
        });
    return adapters;
}

QHash<QString, QString> ParseDefaultGateways(const QByteArray &procNetRoute) {
    QHash<QString, QString> gateways;
    QHash<QString, uint> metrics;
    for (const QByteArray &line : procNetRoute.split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 8 || f[0] == "Iface")
            continue;
        bool okDest = false, okGate = false, okFlags = false, okMetric = false, okMask = false;
        const uint dest = f[1].toUInt(&okDest, 16);
        const uint gate = f[2].toUInt(&okGate, 16);
        const uint flags = f[3].toUInt(&okFlags, 16);
        const uint metric = f[6].toUInt(&okMetric, 10);
        const uint mask = f[7].toUInt(&okMask, 16);
        if (!(okDest && okGate && okFlags && okMetric && okMask) || dest != 0 || mask != 0 ||
            (flags & (kRouteUp | kRouteGateway)) != (kRouteUp | kRouteGateway))
            continue;
        const QString name = QString::fromLocal8Bit(f[0]);
        if (metrics.contains(name) && metrics.value(name) <= metric)
            continue;
        // The kernel prints the address as the 32-bit word it keeps in network order.
        in_addr address{};
        const uint32_t word = gate;
        std::memcpy(&address.s_addr, &word, sizeof(word));
        char text[INET_ADDRSTRLEN] = {};
        if (!::inet_ntop(AF_INET, &address, text, sizeof(text)))
            continue;
        gateways.insert(name, QString::fromLatin1(text));
        metrics.insert(name, metric);
    }
    return gateways;
}

bool ParseKeyValueLease(const QByteArray &text, TDhcpLease &lease) {
    TDhcpLease read;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('#'))
            continue;
        if (line.startsWith("ADDRESS="))
            read.Address = QString::fromLatin1(line.mid(8)).trimmed();
        else if (line.startsWith("SERVER_ADDRESS="))
            read.Server = QString::fromLatin1(line.mid(15)).trimmed();
    }
    if (read.Address.isEmpty())
        return false;
    lease = read;
    return true;
}

bool ParseDhclientLeases(const QByteArray &text, const QString &interfaceName, TDhcpLease &lease) {
    bool found = false;
    bool inLease = false;
    QString iface;
    TDhcpLease current;
    for (const QByteArray &rawLine : text.split('\n')) {
        QByteArray line = rawLine.simplified();
        if (line.endsWith(';'))
            line.chop(1);
        if (!inLease) {
            if (line == "lease {") {
                inLease = true;
                iface.clear();
                current = {};
            }
            continue;
        }
        if (line == "}") {
            inLease = false;
            if (iface == interfaceName && !current.Address.isEmpty()) {
                lease = current;
                found = true;
            }
        } else if (line.startsWith("interface ")) {
            iface = QString::fromLocal8Bit(line.mid(10)).remove(u'"');
        } else if (line.startsWith("fixed-address ")) {
            current.Address = QString::fromLatin1(line.mid(14));
        } else if (line.startsWith("option dhcp-server-identifier ")) {
            current.Server = QString::fromLatin1(line.mid(30));
        }
    }
    return found;
}

QString FormatMacAddress(const QByteArray &address) {
    QStringList parts;
    for (char c : address)
        parts.append(QStringLiteral("%1")
                         .arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'))
                         .toUpper());
    return parts.join(u'-');
}

QByteArray ParseMacAddress(const QString &text) {
    const QStringList parts = text.split(text.contains(u':') ? u':' : u'-');
    if (text.isEmpty() || parts.size() < 2)
        return {};
    QByteArray bytes;
    for (const QString &part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 16);
        if (!ok || part.size() != 2)
            return {};
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}
