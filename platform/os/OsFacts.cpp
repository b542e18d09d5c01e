#include "OsFacts.h"

#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kMaxFactFile = 1 << 20;

// Closes a descriptor on every way out.
class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};

QString Unquote(const QString &value) {
    if (value.size() < 2)
        return value;
    const QChar q = value.front();
    if ((q != u'"' && q != u'\'') || value.back() != q)
        return value;
    QString out;
    const QString inner = value.mid(1, value.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (q == u'"' && inner[i] == u'\\' && i + 1 < inner.size())
            ++i;
        out.append(inner[i]);
    }
    return out;
}

} // namespace

bool TPosixOsFacts::Uname(TUnameInfo &info) {
    utsname u{};
    if (::uname(&u) != 0)
        return false;
    info.SysName = QString::fromLocal8Bit(u.sysname);
    info.NodeName = QString::fromLocal8Bit(u.nodename);
    info.Release = QString::fromLocal8Bit(u.release);
    info.Version = QString::fromLocal8Bit(u.version);
    info.Machine = QString::fromLocal8Bit(u.machine);
    return true;
}

QByteArray TPosixOsFacts::ReadFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Files under /proc report size 0; read until the end instead of trusting the size.
    return file.read(kMaxFactFile);
}

QString TPosixOsFacts::HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

QString TPosixOsFacts::UserName() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd pw{};
    passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    // No entry in the user database (containers): the login name the session was given.
    const QByteArray fromEnv = qgetenv("LOGNAME");
    return QString::fromLocal8Bit(fromEnv.isEmpty() ? qgetenv("USER") : fromEnv);
}

QStringList TPosixOsFacts::ResolveIPv4(const QString &host) {
    if (host.isEmpty())
        return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *list = nullptr;
    if (::getaddrinfo(host.toLocal8Bit().constData(), nullptr, &hints, &list) != 0)
        return {};
    QStringList out;
    for (addrinfo *a = list; a; a = a->ai_next) {
        if (a->ai_family != AF_INET || !a->ai_addr)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto *sin = reinterpret_cast<const sockaddr_in *>(a->ai_addr);
        if (::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof(text))) {
            const QString s = QString::fromLatin1(text);
            if (!out.contains(s))
                out.append(s);
        }
    }
    ::freeaddrinfo(list);
    return out;
}

QString TPosixOsFacts::LocalAddressTowards(const QString &ip, quint16 port) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    if (::inet_pton(AF_INET, ip.toLatin1().constData(), &remote.sin_addr) != 1)
        return {};
    TFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0)
        return {};
    // Connecting a datagram socket only fixes its peer and lets the kernel pick the route and
    // the local address; nothing goes on the wire.
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr *>(&remote), sizeof(remote)) != 0)
        return {};
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    if (::getsockname(fd.Get(), reinterpret_cast<sockaddr *>(&local), &length) != 0)
        return {};
    if (local.sin_addr.s_addr == htonl(INADDR_ANY))
        return {};
    char text[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &local.sin_addr, text, sizeof(text)))
        return {};
    return QString::fromLatin1(text);
}

IOsFactSource &SystemOsFacts() {
    static TPosixOsFacts facts;
    return facts;
}

QMap<QString, QString> ParseOsRelease(const QByteArray &text) {
    QMap<QString, QString> values;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        bool validKey = true;
        for (QChar c : key)
            validKey = validKey && (c.isLetterOrNumber() || c == u'_') && c.unicode() < 128;
        if (validKey)
            values.insert(key, Unquote(line.mid(eq + 1).trimmed()));
    }
    return values;
}

QString ProcessorFromCpuInfo(const QByteArray &text) {
    static const char *const kNames[] = {"model name", "cpu model", "cpu", "Hardware", "Processor"};
    QMap<QString, QString> first; // first value of each name in the file
    for (const QByteArray &rawLine : text.split('\n')) {
        const qsizetype colon = rawLine.indexOf(':');
        if (colon <= 0)
            continue;
        const QString name = QString::fromUtf8(rawLine.left(colon)).trimmed();
        const QString value = QString::fromUtf8(rawLine.mid(colon + 1)).trimmed();
        if (!value.isEmpty() && !first.contains(name))
            first.insert(name, value);
    }
    for (const char *name : kNames) {
        const QString value = first.value(QString::fromLatin1(name));
        if (!value.isEmpty())
            return value;
    }
    return {};
}
