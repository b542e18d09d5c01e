#pragma once
// The appserver program run by a test.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// The appserver program as a child process with the given options, logging to a file of the
// test. With crashAtRow the server kills itself while it writes that row (its fault injection).
class TServerProcess {
public:
    TServerProcess(const QStringList &arguments, const QString &log, int crashAtRow = 0)
        : FLog(log) {
        QFile::remove(log);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (crashAtRow > 0)
            env.insert("ORV7_APPSERVER_CRASH_AT_ROW", QString::number(crashAtRow));
        FProcess.setProcessEnvironment(env);
        FProcess.setStandardErrorFile(log);
        FProcess.setStandardOutputFile(QProcess::nullDevice());
        FProcess.start(QCoreApplication::applicationDirPath() + "/appserver", arguments);
    }
    ~TServerProcess() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished(10000);
        }
    }

    QString Log() const {
        QFile f(FLog);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // The port from the server's start-up line; 0 when it did not start in time.
    quint16 WaitForPort() {
        static const QRegularExpression re(QStringLiteral("listening on port (\\d+)"));
        for (int i = 0; i < 1200; ++i) {
            const auto m = re.match(Log());
            if (m.hasMatch())
                return quint16(m.captured(1).toUInt());
            if (FProcess.state() == QProcess::NotRunning)
                return 0;
            QTest::qWait(50);
        }
        return 0;
    }
    // SIGTERM; true when the server then ends by itself with exit code 0.
    bool Terminate() {
        FProcess.terminate();
        return FProcess.waitForFinished(20000) && FProcess.exitStatus() == QProcess::NormalExit &&
               FProcess.exitCode() == 0;
    }
    // SIGKILL, as a crash would end it; true when it ended so.
    bool Kill() {
        FProcess.kill();
        return WaitKilled();
    }
    bool WaitKilled() {
        return FProcess.waitForFinished(10000) && FProcess.exitStatus() == QProcess::CrashExit;
    }

private:
    QString FLog;
    QProcess FProcess;
};
