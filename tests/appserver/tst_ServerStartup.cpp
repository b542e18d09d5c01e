// What an installed server does at start: it makes its own certificate once and keeps it, never
// overwrites half a pair, names the computer's names and addresses in it, and puts the name
// clients reach it by into the server-location table in place of the loopback address.

#include "ApplicationServer.h"
#include "ServerCertificate.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Bytes(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Locations(const QString &database) {
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "locations");
        db.setDatabaseName(database);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("SELECT ServerName, ComputerName, Port FROM ServerLocation ORDER BY ServerName, "
                   "ComputerName");
            while (q.next())
                rows << QStringLiteral("%1 %2:%3")
                            .arg(q.value(0).toString(), q.value(1).toString(),
                                 q.value(2).toString());
        }
    }
    QSqlDatabase::removeDatabase("locations");
    return rows;
}

} // namespace

class TstServerStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ownCertificateIsMadeOnceAndKept() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("state/tls");
        const TSelfSignedCertificate made =
            EnsureSelfSignedCertificate(folder, {"orv7.school.lan", "bad name;rm -rf", ""});
        QVERIFY(made.Made);
        QCOMPARE(made.CertificateFile, QDir(folder).filePath("appserver-cert.pem"));
        const QList<QSslCertificate> certs =
            QSslCertificate::fromPath(made.CertificateFile, QSsl::Pem);
        QCOMPARE(certs.size(), 1);
        QVERIFY(certs.first().isSelfSigned());
        QVERIFY(certs.first().expiryDate() > QDateTime::currentDateTime().addYears(5));
        const auto names = certs.first().subjectAlternativeNames();
        QVERIFY(names.values(QSsl::DnsEntry).contains("localhost"));
        QVERIFY(names.values(QSsl::DnsEntry).contains("orv7.school.lan"));
        QVERIFY(names.values(QSsl::IpAddressEntry).contains("127.0.0.1"));
        QVERIFY(!made.Names.contains("bad name;rm -rf"));
        QVERIFY(!made.Names.contains(""));
        // The key is the certificate's, and only its owner reads it.
        const QSslKey key(Bytes(made.KeyFile), QSsl::Ec, QSsl::Pem);
        QVERIFY(!key.isNull());
        QCOMPARE(QFile::permissions(made.KeyFile) &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
        QVERIFY(QDir(folder).entryList({"*.new-*"}, QDir::Files | QDir::Hidden).isEmpty());

        // The next start keeps it: the clients go on trusting the same file.
        const QByteArray cert = Bytes(made.CertificateFile);
        const TSelfSignedCertificate kept = EnsureSelfSignedCertificate(folder);
        QVERIFY(!kept.Made);
        QCOMPARE(Bytes(kept.CertificateFile), cert);
    }

    void halfAPairIsNeverOverwritten() {
        QTemporaryDir dir;
        const TSelfSignedCertificate made = EnsureSelfSignedCertificate(dir.path());
        QVERIFY(QFile::remove(made.KeyFile));
        const QByteArray cert = Bytes(made.CertificateFile);
        try {
            EnsureSelfSignedCertificate(dir.path());
            QFAIL("a certificate without its key was used or replaced");
        } catch (const EServerError &e) {
            QVERIFY2(e.Message().contains("Only one of"), qPrintable(e.Message()));
        }
        QCOMPARE(Bytes(made.CertificateFile), cert);
        QVERIFY(!QFileInfo::exists(made.KeyFile));
    }

    void publicHostReplacesTheLoopbackInTheLocations() {
        QTemporaryDir dir;
        TApplicationServerConfig config;
        config.Address = QHostAddress::LocalHost;
        config.Port = 0;
        config.Database.Name = dir.filePath("school.sqlite");
        config.Database.HashCost = THashCost::Minimal;
        config.Database.DemoPort = 2001;
        { TApplicationServer server(config); }
        const QStringList demo = Locations(config.Database.Name);
        QVERIFY(demo.contains("SystemObj 127.0.0.1:2001"));

        // One logical server is already listed under the public name as well: that entry stays,
        // the loopback one goes.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "prepare");
            db.setDatabaseName(config.Database.Name);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("INSERT INTO ServerLocation (ServerName, ComputerName, Port) VALUES "
                           "('SystemObj', 'school-server.lan', 2100)"));
        }
        QSqlDatabase::removeDatabase("prepare");
        config.PublicHost = "school-server.lan";
        { TApplicationServer server(config); }
        const QStringList located = Locations(config.Database.Name);
        QVERIFY2(located.filter("127.0.0.1").isEmpty(), qPrintable(located.join(", ")));
        QVERIFY(located.contains("DefaultServer school-server.lan:2001"));
        QVERIFY(located.contains("SrvJobSecurity school-server.lan:2001"));
        QCOMPARE(located.filter(QRegularExpression("^SystemObj ")),
                 QStringList{"SystemObj school-server.lan:2100"});
    }

    void iniNamesTheCertificateFolderAndPublicHost() {
        QTemporaryDir dir;
        QFile ini(dir.filePath("appserver.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Server]\nCertificateFolder=/var/lib/orv7\nCertificateNames=a.school.lan, "
                  "b.school.lan\nPublicHost= orv7.school.lan \n");
        ini.close();
        TApplicationServerConfig config;
        config.LoadIni(ini.fileName());
        QCOMPARE(config.CertificateFolder, "/var/lib/orv7");
        QCOMPARE(config.PublicHost, "orv7.school.lan");
        QCOMPARE(CertificateNames(config.CertificateNames).mid(0, 1), QStringList{"localhost"});
        QVERIFY(CertificateNames(config.CertificateNames).contains("b.school.lan"));
    }
};

QTEST_GUILESS_MAIN(TstServerStartup)
#include "tst_ServerStartup.moc"
