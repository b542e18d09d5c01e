#pragma once
// The receiving end of the mail tests: tests/appserver/smtp_sink.py (Python's aiosmtpd) on a
// free loopback port, one JSON file per message received, as a mail reader decodes it.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The receiving end: a Python process listening on a free port, one JSON file per message.
class TSmtpSink {
public:
    // security: "none", or "starttls" / "tls" with the server's certificate and key files.
    explicit TSmtpSink(const QString &mode = QStringLiteral("accept"),
                       const QString &security = QStringLiteral("none"),
                       const QString &certificate = QString(), const QString &key = QString()) {
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's interpreter, which has the python3-aiosmtpd package.
        const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
                                   ? QStringLiteral("/usr/bin/python3")
                                   : QStringLiteral("python3");
        FProcess.start(python, {QStringLiteral(LUM_SOURCE_DIR "/tests/appserver/smtp_sink.py"),
                                FDir.path(), mode, security, certificate, key});
        if (!FProcess.waitForStarted(10000))
            qFatal("python3 does not start");
        while (FPort == 0 && FProcess.waitForReadyRead(20000)) {
            const QByteArray line = FProcess.readLine().trimmed();
            if (line.startsWith("READY "))
                FPort = line.mid(6).toInt();
        }
        if (FPort == 0)
            qFatal("the SMTP sink does not listen (python3-aiosmtpd missing?)");
    }
    ~TSmtpSink() {
        FProcess.closeWriteChannel();
        if (!FProcess.waitForFinished(10000))
            FProcess.kill();
    }
    int Port() const { return FPort; }
    void SetMode(const QString &mode) {
        QFile file(FDir.filePath(QStringLiteral("mode")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(mode.toUtf8());
    }
    // The messages received so far, in their order.
    QList<QJsonObject> Messages() const {
        QList<QJsonObject> messages;
        for (int n = 1;; ++n) {
            QFile file(FDir.filePath(QStringLiteral("%1.json").arg(n)));
            if (!file.open(QIODevice::ReadOnly))
                return messages;
            messages << QJsonDocument::fromJson(file.readAll()).object();
        }
    }

private:
    QTemporaryDir FDir;
    QProcess FProcess;
    int FPort = 0;
};
