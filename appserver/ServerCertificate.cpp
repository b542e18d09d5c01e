#include "ServerCertificate.h"

#include "RemoteProtocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <unistd.h>

namespace {

// Host names as a certificate may carry them (letters, digits, dots, hyphens, a leading
// wildcard label), which also keeps them from breaking the openssl argument they go into.
bool IsHostName(const QString &name) {
    static const QRegularExpression re(QStringLiteral(
        "^(\\*\\.)?[A-Za-z0-9]([A-Za-z0-9-]{0,62})(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,62}))*$"));
    return name.size() <= 253 && re.match(name).hasMatch();
}

} // namespace

QStringList CertificateNames(const QStringList &extraNames) {
    QStringList names{QStringLiteral("localhost")};
    const QString host = QHostInfo::localHostName();
    names << host;
    const QString domain = QHostInfo::localDomainName();
    if (!domain.isEmpty() && !host.contains(u'.'))
        names << host + u'.' + domain;
    for (const QString &extra : extraNames)
        names << extra.trimmed();
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        // Link-local IPv6 addresses need their interface and are never how clients connect.
        if (address.protocol() == QAbstractSocket::IPv6Protocol && !address.scopeId().isEmpty())
            continue;
        names << address.toString();
    }
    names << QStringLiteral("127.0.0.1");
    QStringList kept;
    for (const QString &name : names)
        if (!name.isEmpty() && !kept.contains(name, Qt::CaseInsensitive) &&
            (!QHostAddress(name).isNull() || IsHostName(name)))
            kept << name;
    return kept;
}

TSelfSignedCertificate EnsureSelfSignedCertificate(const QString &folder,
                                                   const QStringList &extraNames) {
    const QDir dir(folder);
    TSelfSignedCertificate result;
    result.CertificateFile = dir.absoluteFilePath(QStringLiteral("appserver-cert.pem"));
    result.KeyFile = dir.absoluteFilePath(QStringLiteral("appserver-key.pem"));
    const bool haveCert = QFileInfo::exists(result.CertificateFile);
    const bool haveKey = QFileInfo::exists(result.KeyFile);
    if (haveCert && haveKey)
        return result;
    if (haveCert != haveKey)
        throw EServerError(QStringLiteral("Only one of %1 and %2 exists: restore the other, or "
                                          "remove it to have a new certificate made")
                               .arg(result.CertificateFile, result.KeyFile));
    if (!QDir().mkpath(dir.absolutePath()))
        throw EServerError(QStringLiteral("Cannot make the folder %1").arg(dir.absolutePath()));

    result.Names = CertificateNames(extraNames);
    QStringList alternatives;
    for (const QString &name : result.Names)
        alternatives << (QHostAddress(name).isNull() ? QStringLiteral("DNS:")
                                                     : QStringLiteral("IP:")) +
                            name;
    // Both files are written under names of their own and put in place once complete, the key
    // first: a certificate in place always has its key.
    const QString suffix = QStringLiteral(".new-%1").arg(::getpid());
    const QString certPart = result.CertificateFile + suffix;
    const QString keyPart = result.KeyFile + suffix;
    const auto drop = [&] {
        QFile::remove(certPart);
        QFile::remove(keyPart);
    };
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("3650"), QStringLiteral("-keyout"),
                   keyPart, QStringLiteral("-out"), certPart, QStringLiteral("-subj"),
                   QStringLiteral("/CN=%1").arg(result.Names.value(1, result.Names.first())),
                   QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=") + alternatives.join(u',')});
    if (!openssl.waitForStarted(10000)) {
        drop();
        throw EServerError(QStringLiteral("Cannot make the server's certificate: the openssl "
                                          "program cannot be started (%1)")
                               .arg(openssl.errorString()));
    }
    openssl.closeWriteChannel();
    const bool finished = openssl.waitForFinished(60000);
    const QString output = QString::fromLocal8Bit(openssl.readAll()).trimmed();
    if (!finished || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0 ||
        !QFileInfo(certPart).size() || !QFileInfo(keyPart).size()) {
        drop();
        throw EServerError(
            QStringLiteral("Cannot make the server's certificate with openssl: %1").arg(output));
    }
    QFile::setPermissions(keyPart, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!QFile::rename(keyPart, result.KeyFile) ||
        !QFile::rename(certPart, result.CertificateFile)) {
        drop();
        QFile::remove(result.KeyFile);
        throw EServerError(QStringLiteral("Cannot write the server's certificate into %1")
                               .arg(dir.absolutePath()));
    }
    result.Made = true;
    return result;
}
