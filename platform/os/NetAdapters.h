#pragma once
// The machine's network adapters: names, hardware (MAC) addresses, IPv4 addresses, the default
// gateway of each and, where the system keeps a lease for the adapter's address, its DHCP
// server. IAdapterSource is what the system reads through; tests hand in their own list.
//
// The POSIX source lists interfaces with getifaddrs and completes them from files below a root
// folder ("/" on a real machine):
//   sys/class/net/<name>/{address,ifindex,device/driver}   hardware address, index, driver
//   proc/net/route                                         default gateways
//   run/systemd/netif/leases/<ifindex>                     systemd-networkd leases
//   var/lib/NetworkManager/internal-*-<name>.lease         NetworkManager's own DHCP client
//   var/lib/NetworkManager/dhclient-*-<name>.lease         NetworkManager through dhclient
//   var/lib/dhcp/dhclient*.leases, var/lib/dhclient/dhclient*.leases   ISC dhclient
// Loopback interfaces and interfaces without a six-byte hardware address are not adapters.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

struct TNetAdapter {
    QString Name;        // the interface name, e.g. "eth0"
    QString Description; // its driver, e.g. "e1000e"; the name when it has no device
    QByteArray Address;  // hardware address, six bytes
    int Index = 0;       // the system's interface index
    QStringList IPAddresses;
    bool DHCPEnabled = false;
    QString DHCPServer;
    QString Gateway;
};

class IAdapterSource {
public:
    virtual ~IAdapterSource() = default;
    // The adapters in the system's order; false with a reason when the list cannot be read.
    virtual bool ReadAdapters(std::vector<TNetAdapter> &adapters, QString &error) = 0;
};

// One entry of getifaddrs, copied out.
struct TInterfaceEntry {
    enum TFamily { Other, IPv4, Link };
    QString Name;
    unsigned Flags = 0; // IFF_* flags
    int Index = 0;      // 0 when unknown
    TFamily Family = Other;
    QString IPAddress;   // IPv4 entries
    QByteArray Hardware; // link entries
};

class TPosixAdapterSource : public IAdapterSource {
public:
    explicit TPosixAdapterSource(QString root = QStringLiteral("/"));
    bool ReadAdapters(std::vector<TNetAdapter> &adapters, QString &error) override;

private:
    QString FRoot;
};

// The adapters made of the interface entries and the files below root, ordered by index.
std::vector<TNetAdapter> BuildAdapters(const std::vector<TInterfaceEntry> &entries,
                                       const QString &root);

// Interface name -> dotted gateway of its default route (the lowest metric when several).
QHash<QString, QString> ParseDefaultGateways(const QByteArray &procNetRoute);

struct TDhcpLease {
    QString Address; // the address leased
    QString Server;  // the server that leased it
};
// A systemd-networkd or NetworkManager lease file (KEY=value lines).
bool ParseKeyValueLease(const QByteArray &text, TDhcpLease &lease);
// The last lease of an ISC dhclient leases file that belongs to the interface.
bool ParseDhclientLeases(const QByteArray &text, const QString &interfaceName, TDhcpLease &lease);

// "00-1A-2B-3C-4D-5E": each byte as two upper-case hexadecimal digits, joined by "-".
QString FormatMacAddress(const QByteArray &address);
// "00:1a:2b:3c:4d:5e" (the sysfs form) or "00-1A-..." to bytes; empty when malformed.
QByteArray ParseMacAddress(const QString &text);
