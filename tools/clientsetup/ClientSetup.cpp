#include "ClientSetup.h"

#include "Exceptions.h"
#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSslCertificate>
#include <optional>

namespace ClientSetup {

namespace {

const QString kAppServers = QStringLiteral("\\SOFTWARE\\ORV7.0\\AppServers");
const QString kTrusted = QStringLiteral("TrustedCertificate");
constexpr int kDefaultPort = 2001;

LUM_DECLARE_EXCEPTION(EUsage, Exception);

struct THost {
    QString Host;
    int Port = kDefaultPort;
};

bool IsHostName(const QString &name) {
    static const QRegularExpression re(QStringLiteral(
        "^[A-Za-z0-9]([A-Za-z0-9-]{0,62})(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,62}))*\\.?$"));
    return name.size() <= 253 && re.match(name).hasMatch();
}

// HOST, HOST:PORT, an IPv6 address alone or as [ADDRESS]:PORT.
THost ParseHost(const QString &option, const QString &text) {
    THost result;
    QString host = text.trimmed();
    QString port;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close < 0)
            throw EUsage(QStringLiteral("%1: '%2' has no closing ']'").arg(option, text));
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            throw EUsage(QStringLiteral("%1: '%2' is not HOST[:PORT]").arg(option, text));
        port = rest.mid(1);
        host = host.mid(1, close - 1);
        if (rest == QLatin1String(":"))
            port = QStringLiteral("?");
    } else if (host.count(u':') == 1) {
        port = host.section(u':', 1);
        host = host.section(u':', 0, 0);
        if (port.isEmpty())
            port = QStringLiteral("?");
    }
    if (host.isEmpty() || (QHostAddress(host).isNull() && !IsHostName(host)))
        throw EUsage(QStringLiteral("%1: '%2' is not a host name or address").arg(option, text));
    if (!port.isEmpty()) {
        bool ok = false;
        const int n = port.toInt(&ok);
        if (!ok || n < 1 || n > 65535)
            throw EUsage(
                QStringLiteral("%1: '%2' has no port between 1 and 65535").arg(option, text));
        result.Port = n;
    }
    result.Host = host;
    return result;
}

// The certificate file's text, once it is known to hold certificates.
QByteArray ReadCertificate(const QString &file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw EUsage(QStringLiteral("--trust: cannot read %1").arg(file));
    const QByteArray pem = f.readAll();
    if (QSslCertificate::fromData(pem, QSsl::Pem).isEmpty())
        throw EUsage(QStringLiteral("--trust: %1 holds no certificate in PEM form").arg(file));
    return pem;
}

QString Describe(const QString &serverName) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly(ServerKey(serverName)))
        return QStringLiteral("(not set)");
    const QString ip = reg.ReadString(QStringLiteral("IP"));
    int port = kDefaultPort;
    if (reg.ValueExists(QStringLiteral("Port"))) {
        try {
            port = reg.ReadInteger(QStringLiteral("Port"));
        } catch (const ERegistryException &) {
            return ip + QStringLiteral(" (the port is not a number)");
        }
    }
    return ip.contains(u':') ? QStringLiteral("[%1]:%2").arg(ip).arg(port)
                             : QStringLiteral("%1:%2").arg(ip).arg(port);
}

void Show(QTextStream &out) {
    out << "Machine settings in " << TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE) << "\n";
    for (const char *server : {"DefaultServer", "SystemObj", "BackupServer"})
        out << "  " << server << ": " << Describe(QLatin1String(server)) << "\n";
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    QString trusted;
    if (reg.OpenKeyReadOnly(kAppServers))
        trusted = reg.ReadString(kTrusted);
    out << "  " << kTrusted << ": " << (trusted.isEmpty() ? QStringLiteral("(none)") : trusted)
        << "\n";
    out.flush();
}

void WriteServer(const QString &serverName, const THost &host) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(ServerKey(serverName), true))
        throw ERegistryException(QStringLiteral("Cannot write %1")
                                     .arg(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE)));
    reg.WriteString(QStringLiteral("IP"), host.Host);
    reg.WriteInteger(QStringLiteral("Port"), host.Port);
}

QString Usage() {
    return QStringLiteral(
               "Usage: orv7-client-setup --server HOST[:PORT] [--backup-server HOST[:PORT]]\n"
               "                         [--trust CERT | --no-trust]\n"
               "       orv7-client-setup --show\n"
               "Writes this computer's settings of the school's application servers into %1.\n"
               "  --server HOST[:PORT]         the server the client asks first (port 2001 unless "
               "given)\n"
               "  --backup-server HOST[:PORT]  the server it asks when the first one fails\n"
               "  --trust CERT                 trust the server's own (self-signed) certificate "
               "file\n"
               "  --no-trust                   no certificate of its own (servers without one)\n"
               "  --show                       print the settings\n")
        .arg(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
}

} // namespace

QString ServerKey(const QString &serverName) {
    return kAppServers + u'\\' + serverName;
}

int Run(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    std::optional<THost> server;
    std::optional<THost> backup;
    std::optional<QString> trust;
    bool noTrust = false;
    bool show = false;
    try {
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            const QString &a = arguments[i];
            const auto next = [&]() -> QString {
                if (i + 1 >= arguments.size())
                    throw EUsage(QStringLiteral("%1 needs a value").arg(a));
                return arguments[++i];
            };
            if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
                out << Usage();
                out.flush();
                return 0;
            }
            if (a == QLatin1String("--server"))
                server = ParseHost(a, next());
            else if (a == QLatin1String("--backup-server"))
                backup = ParseHost(a, next());
            else if (a == QLatin1String("--trust"))
                trust = next();
            else if (a == QLatin1String("--no-trust"))
                noTrust = true;
            else if (a == QLatin1String("--show"))
                show = true;
            else
                throw EUsage(QStringLiteral("Unknown argument '%1'").arg(a));
        }
        if (trust && noTrust)
            throw EUsage(QStringLiteral("--trust and --no-trust exclude each other"));
        if (!server && !backup && !trust && !noTrust) {
            if (show) {
                Show(out);
                return 0;
            }
            throw EUsage(QStringLiteral("Nothing to do"));
        }
        QByteArray pem;
        if (trust)
            pem = ReadCertificate(*trust);

        const QString registry = TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE);
        const QString folder = QFileInfo(registry).absolutePath();
        if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable() ||
            (QFileInfo::exists(registry) && !QFileInfo(registry).isWritable()))
            throw ERegistryException(
                QStringLiteral("Cannot write %1 (run as root, e.g. with sudo)").arg(registry));

        if (trust) {
            const QString copy = QDir(folder).filePath(QStringLiteral("trusted-server.pem"));
            QSaveFile f(copy);
            if (!f.open(QIODevice::WriteOnly) || f.write(pem) != pem.size() || !f.commit())
                throw ERegistryException(QStringLiteral("Cannot write %1").arg(copy));
            QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
            TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
            reg.OpenKey(kAppServers, true);
            reg.WriteString(kTrusted, copy);
        }
        if (noTrust) {
            TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
            if (reg.OpenKeyReadOnly(kAppServers))
                reg.DeleteValue(kTrusted);
        }
        if (server) {
            WriteServer(QStringLiteral("DefaultServer"), *server);
            WriteServer(QStringLiteral("SystemObj"), *server);
        }
        if (backup)
            WriteServer(QStringLiteral("BackupServer"), *backup);
        Show(out);
        return 0;
    } catch (const EUsage &e) {
        err << "orv7-client-setup: " << e.Message() << "\n\n" << Usage();
        err.flush();
        return 2;
    } catch (const Exception &e) {
        err << "orv7-client-setup: " << e.Message() << "\n";
        err.flush();
        return 1;
    }
}

} // namespace ClientSetup
