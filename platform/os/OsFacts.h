#pragma once
// Facts of the operating system that the machine description reads: the kernel's uname record,
// small text files (/etc/os-release, /proc/cpuinfo, /etc/machine-id), host and user names,
// resolving a host name and learning which local address the system would use to reach an
// outside one. Everything goes through IOsFactSource so that tests replace the machine.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

struct TUnameInfo {
    QString SysName;  // "Linux"
    QString NodeName; // the host name
    QString Release;  // kernel release, e.g. "6.1.0-18-amd64"
    QString Version;
    QString Machine; // hardware type, e.g. "x86_64"
};

class IOsFactSource {
public:
    virtual ~IOsFactSource() = default;
    // False when the kernel refuses.
    virtual bool Uname(TUnameInfo &info) = 0;
    // The whole file (at most 1 MiB); empty when it cannot be read.
    virtual QByteArray ReadFile(const QString &path) = 0;
    // The host name; empty on failure.
    virtual QString HostName() = 0;
    // The name of the user this process runs for; empty on failure.
    virtual QString UserName() = 0;
    // The IPv4 addresses of a host name, dotted, in the resolver's order; empty when it does
    // not resolve.
    virtual QStringList ResolveIPv4(const QString &host) = 0;
    // The local IPv4 address the system chooses for datagrams to ip:port, learnt by connecting
    // a UDP socket (no packet is sent); empty when there is no route or anything fails.
    virtual QString LocalAddressTowards(const QString &ip, quint16 port) = 0;
};

// The real operating system (POSIX calls).
class TPosixOsFacts : public IOsFactSource {
public:
    bool Uname(TUnameInfo &info) override;
    QByteArray ReadFile(const QString &path) override;
    QString HostName() override;
    QString UserName() override;
    QStringList ResolveIPv4(const QString &host) override;
    QString LocalAddressTowards(const QString &ip, quint16 port) override;
};

// The process-wide instance of TPosixOsFacts.
IOsFactSource &SystemOsFacts();

// KEY=value lines of os-release(5): quotes removed, backslash escapes resolved, comments and
// malformed lines skipped.
QMap<QString, QString> ParseOsRelease(const QByteArray &text);
// The first processor's name in /proc/cpuinfo: "model name" (x86), else "cpu model", "cpu",
// "Hardware" or "Processor" (other architectures); empty when none is there.
QString ProcessorFromCpuInfo(const QByteArray &text);
