// orv7-client-setup: the servers and the trusted certificate land in the machine settings as
// the client reads them, other settings stay, and a wrong argument changes nothing.

#include "ClientSetup.h"
#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TRun {
    int Code = 0;
    QString Out;
    QString Err;
};

TRun Setup(const QStringList &arguments) {
    TRun run;
    QTextStream out(&run.Out);
    QTextStream err(&run.Err);
    run.Code = ClientSetup::Run(arguments, out, err);
    return run;
}

QString Read(TRootKey root, const QString &key, const QString &name) {
    TRegistry reg(root);
    return reg.OpenKeyReadOnly(key) ? reg.ReadString(name) : QStringLiteral("<no key>");
}

int ReadPort(const QString &server) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    return reg.OpenKeyReadOnly(ClientSetup::ServerKey(server)) ? reg.ReadInteger("Port") : -1;
}

QByteArray FileBytes(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstClientSetup : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    QString FCert;

    QString MachineFolder() const {
        return QFileInfo(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE)).absolutePath();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        FCert = FDir.filePath("server-cert.pem");
        QProcess openssl;
        openssl.start("openssl",
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                       "-nodes", "-days", "30", "-keyout", FDir.filePath("server-key.pem"), "-out",
                       FCert, "-subj", "/CN=school-server"});
        QVERIFY(openssl.waitForFinished(30000));
        QCOMPARE(openssl.exitCode(), 0);
        QFile text(FDir.filePath("not-a-cert.pem"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(
            "-----BEGIN CERTIFICATE-----\nbm90IGEgY2VydGlmaWNhdGU=\n-----END CERTIFICATE-----\n");
    }
    void init() {
        QDir(MachineFolder()).removeRecursively();
        // A setting of the machine that is none of the setup's business.
        TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
        QVERIFY(reg.OpenKey("\\SOFTWARE\\ORV7.0", true));
        reg.WriteString("RegType", "0");
    }

    void writesServersAndTrustAsTheClientReadsThem() {
        const TRun run = Setup({"--server", "school-server.lan:2100", "--backup-server", "10.0.0.2",
                                "--trust", FCert});
        QVERIFY2(run.Code == 0, qPrintable(run.Err));
        const QString servers = "\\SOFTWARE\\ORV7.0\\AppServers\\";
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, servers + "DefaultServer", "IP"),
                 "school-server.lan");
        QCOMPARE(ReadPort("DefaultServer"), 2100);
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, servers + "SystemObj", "IP"),
                 "school-server.lan");
        QCOMPARE(ReadPort("SystemObj"), 2100);
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, servers + "BackupServer", "IP"), "10.0.0.2");
        QCOMPARE(ReadPort("BackupServer"), 2001);
        // The certificate is a copy beside the settings, which outlives the file given.
        const QString trusted = Read(TRootKey::HKEY_LOCAL_MACHINE, "\\SOFTWARE\\ORV7.0\\AppServers",
                                     "TrustedCertificate");
        QCOMPARE(trusted, QDir(MachineFolder()).filePath("trusted-server.pem"));
        QCOMPARE(FileBytes(trusted), FileBytes(FCert));
        QVERIFY(QFileInfo(trusted).permissions() & QFileDevice::ReadOther);
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, "\\SOFTWARE\\ORV7.0", "RegType"), "0");
        QVERIFY(run.Out.contains("DefaultServer: school-server.lan:2100"));
        QVERIFY(run.Out.contains(trusted));

        // A second run changes only what it is given; --no-trust drops the certificate.
        const TRun again = Setup({"--server", "[2001:db8::5]:2200", "--no-trust"});
        QVERIFY2(again.Code == 0, qPrintable(again.Err));
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, servers + "DefaultServer", "IP"),
                 "2001:db8::5");
        QCOMPARE(ReadPort("DefaultServer"), 2200);
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, servers + "BackupServer", "IP"), "10.0.0.2");
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, "\\SOFTWARE\\ORV7.0\\AppServers",
                      "TrustedCertificate"),
                 QString());
        const TRun shown = Setup({"--show"});
        QCOMPARE(shown.Code, 0);
        QVERIFY2(shown.Out.contains("DefaultServer: [2001:db8::5]:2200"), qPrintable(shown.Out));
        QVERIFY(shown.Out.contains("TrustedCertificate: (none)"));
        QVERIFY(Setup({"--server", "2001:db8::7"}).Code == 0);
        QCOMPARE(Read(TRootKey::HKEY_LOCAL_MACHINE, servers + "DefaultServer", "IP"),
                 "2001:db8::7");
        QCOMPARE(ReadPort("DefaultServer"), 2001);
    }

    void wrongArgumentsChangeNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString cert = FDir.filePath("server-cert.pem");
        QTest::newRow("nothing to do") << QStringList{} << 2 << "Nothing to do";
        QTest::newRow("no value") << QStringList{"--server"} << 2 << "needs a value";
        QTest::newRow("unknown") << QStringList{"--server", "a", "--port", "1"} << 2 << "--port";
        QTest::newRow("port 0") << QStringList{"--server", "school:0"} << 2
                                << "between 1 and 65535";
        QTest::newRow("port too high") << QStringList{"--server", "school:70000", "--trust", cert}
                                       << 2 << "between 1 and 65535";
        QTest::newRow("port empty") << QStringList{"--server", "school:"} << 2 << "between 1";
        QTest::newRow("bad host") << QStringList{"--server", "my school"} << 2 << "not a host";
        QTest::newRow("open bracket") << QStringList{"--server", "[::1"} << 2 << "closing";
        QTest::newRow("bad backup")
            << QStringList{"--server", "school", "--backup-server", "a_b"} << 2 << "not a host";
        QTest::newRow("missing certificate")
            << QStringList{"--server", "school", "--trust", FDir.filePath("none.pem")} << 2
            << "cannot read";
        QTest::newRow("no certificate inside")
            << QStringList{"--server", "school", "--trust", FDir.filePath("not-a-cert.pem")} << 2
            << "no certificate";
        QTest::newRow("trust and no trust")
            << QStringList{"--trust", cert, "--no-trust"} << 2 << "exclude";
    }
    void wrongArgumentsChangeNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        QVERIFY(Setup({"--server", "old-server", "--trust", FCert}).Code == 0);
        const QString file = TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE);
        const QByteArray before = FileBytes(file);
        const TRun run = Setup(arguments);
        QCOMPARE(run.Code, code);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        QVERIFY(run.Err.contains("Usage:"));
        QCOMPARE(FileBytes(file), before);
        QCOMPARE(FileBytes(QDir(MachineFolder()).filePath("trusted-server.pem")), FileBytes(FCert));
    }

    void unwritableSettingsAreReported() {
        // The machine settings' folder would have to be below a file.
        const QString blocker = FDir.filePath("blocker");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QByteArray saved = qgetenv("ORV7_MACHINE_REGISTRY");
        qputenv("ORV7_MACHINE_REGISTRY", (blocker + "/machine").toLocal8Bit());
        const TRun run = Setup({"--server", "school", "--trust", FCert});
        qputenv("ORV7_MACHINE_REGISTRY", saved);
        QCOMPARE(run.Code, 1);
        QVERIFY2(run.Err.contains("Cannot write"), qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(blocker + "/machine"));
    }
};

QTEST_GUILESS_MAIN(TstClientSetup)
#include "tst_ClientSetup.moc"
