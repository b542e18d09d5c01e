#include "OfficeSuite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <signal.h>
#include <unistd.h>

namespace {

// Templates name the Chinese faces of Windows (新細明體 and its kin); the suite is told which
// faces of this machine stand for them, through a font configuration of its own that adds
// those names to the system's configuration.
QProcessEnvironment SuiteEnvironment(const QString &folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (environment.contains(QStringLiteral("FONTCONFIG_FILE")) ||
        !QFile::exists(QStringLiteral("/etc/fonts/fonts.conf")))
        return environment;
    struct TAlias {
        const char *Windows, *Here;
    };
    static const TAlias aliases[] = {
        {"新細明體", "AR PL UMing TW"},        {"PMingLiU", "AR PL UMing TW"},
        {"細明體", "AR PL UMing TW"},          {"MingLiU", "AR PL UMing TW"},
        {"標楷體", "AR PL UKai TW"},           {"DFKai-SB", "AR PL UKai TW"},
        {"微軟正黑體", "WenQuanYi Micro Hei"}, {"Microsoft JhengHei", "WenQuanYi Micro Hei"},
    };
    QByteArray conf =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
        "<fontconfig>\n<include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n";
    for (const TAlias &alias : aliases)
        conf += QByteArray("<alias binding=\"same\"><family>") + alias.Windows +
                "</family><prefer><family>" + alias.Here +
                "</family><family>AR PL UMing TW</family><family>Noto Serif CJK TC</family>"
                "</prefer></alias>\n";
    conf += "</fontconfig>\n";
    const QString file = folder + QStringLiteral("/fonts.conf");
    QFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(conf) == conf.size()) {
        out.close();
        environment.insert(QStringLiteral("FONTCONFIG_FILE"), file);
    }
    return environment;
}

} // namespace

namespace {

const char *const kProgramVariable = "ORV7_SOFFICE";

// The path named by ORV7_SOFFICE, or empty when it names no executable file.
QString ResolveConfigured(const QString &configured) {
    if (!configured.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(configured);
    const QFileInfo info(configured);
    if (info.isFile() && info.isExecutable())
        return info.absoluteFilePath();
    return {};
}

[[noreturn]] void RaiseSuiteMissing() {
    const QString configured = qEnvironmentVariable(kProgramVariable);
    const QString where =
        configured.isEmpty()
            ? QStringLiteral("PATH 中沒有 soffice 或 libreoffice")
            : QStringLiteral("%1=%2").arg(QLatin1String(kProgramVariable), configured);
    throw EOfficeSuiteMissing(QStringLiteral("找不到辦公室套件程式 soffice（%1）").arg(where));
}

[[noreturn]] void RaiseFailed(const QString &source, const QString &reason,
                              const QString &details = {}) {
    QString text =
        QStringLiteral("無法轉換文件 %1：%2").arg(QDir::toNativeSeparators(source), reason);
    if (!details.isEmpty())
        text += QLatin1Char('\n') + details;
    throw EOfficeError(text);
}

// The last lines the suite printed, without the start-up noise it prints on every run, so that
// an error shows the suite's own reason.
QString OutputTail(const QByteArray &output) {
    QStringList lines;
    for (const QString &line : QString::fromLocal8Bit(output).split(QLatin1Char('\n'))) {
        const QString text = line.trimmed();
        if (text.isEmpty() || text.contains(QLatin1String("javaldx")))
            continue;
        lines << text;
    }
    const int keep = 5;
    if (lines.size() > keep)
        lines = lines.mid(lines.size() - keep);
    QString tail = lines.join(QLatin1Char('\n'));
    const int maxChars = 600;
    if (tail.size() > maxChars)
        tail = QStringLiteral("…") + tail.right(maxChars);
    return tail;
}

// The target's extension of a format text such as "pdf" or "pdf:writer_pdf_Export".
QString FormatExtension(const QString &format) {
    static const QRegularExpression pattern(QStringLiteral("^([A-Za-z0-9]{1,16})(:.+)?$"));
    const QRegularExpressionMatch match = pattern.match(format);
    return match.hasMatch() ? match.captured(1) : QString();
}

// Copies the file at from into to, replacing to in one step.
void ReplaceFile(const QString &source, const QString &from, const QString &to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        RaiseFailed(source, QStringLiteral("無法讀取轉換結果（%1）").arg(in.errorString()));
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        RaiseFailed(source, QStringLiteral("無法寫入 %1（%2）")
                                .arg(QDir::toNativeSeparators(to), out.errorString()));
    const qint64 chunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray data = in.read(chunk);
        if (data.isEmpty() && in.error() != QFileDevice::NoError)
            RaiseFailed(source, QStringLiteral("無法讀取轉換結果（%1）").arg(in.errorString()));
        if (out.write(data) != data.size())
            RaiseFailed(source, QStringLiteral("無法寫入 %1（%2）")
                                    .arg(QDir::toNativeSeparators(to), out.errorString()));
    }
    if (!out.commit())
        RaiseFailed(source, QStringLiteral("無法寫入 %1（%2）")
                                .arg(QDir::toNativeSeparators(to), out.errorString()));
}

} // namespace

QString TOfficeSuite::Program() {
    const QString configured = qEnvironmentVariable(kProgramVariable);
    if (!configured.isEmpty())
        return ResolveConfigured(configured);
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

void TOfficeSuite::ConvertToPdf(const QString &source, const QString &pdfPath, int timeoutMs) {
    ConvertTo(source, QStringLiteral("pdf"), pdfPath, timeoutMs);
}

void TOfficeSuite::ConvertTo(const QString &source, const QString &format, const QString &outPath,
                             int timeoutMs) {
    const QString program = Program();
    if (program.isEmpty())
        RaiseSuiteMissing();
    const QString extension = FormatExtension(format);
    if (extension.isEmpty())
        RaiseFailed(source, QStringLiteral("不支援的格式「%1」").arg(format));
    if (outPath.isEmpty())
        RaiseFailed(source, QStringLiteral("沒有指定輸出檔名"));
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isFile())
        RaiseFailed(source, QStringLiteral("檔案不存在"));

    // The suite works on a copy with a plain name in a folder of its own: names that start
    // with "-", or that the suite would read in another encoding, never reach its command line,
    // and nothing (lock files, results) is written beside the caller's file.
    QTemporaryDir work;
    if (!work.isValid())
        RaiseFailed(source, QStringLiteral("無法建立暫存資料夾（%1）").arg(work.errorString()));
    static const QRegularExpression plainSuffix(QStringLiteral("^[A-Za-z0-9]{1,10}$"));
    const QString suffix = sourceInfo.suffix();
    const QString input =
        work.filePath(plainSuffix.match(suffix).hasMatch() ? QStringLiteral("source.") + suffix
                                                           : QStringLiteral("source"));
    if (!QFile::copy(sourceInfo.absoluteFilePath(), input))
        RaiseFailed(source, QStringLiteral("無法讀取檔案"));
    const QString outDir = work.filePath(QStringLiteral("out"));
    const QString profile =
        QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString();

    QProcess process;
    process.setProgram(program);
    process.setArguments(
        {QStringLiteral("--headless"), QStringLiteral("--norestore"),
         QStringLiteral("--nolockcheck"), QStringLiteral("-env:UserInstallation=") + profile,
         QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir, input});
    process.setWorkingDirectory(work.path());
    process.setProcessEnvironment(SuiteEnvironment(work.path()));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The suite starts helper processes of its own; a group of their own lets a timeout end
    // them all.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(30000))
        RaiseFailed(source,
                    QStringLiteral("無法啟動 %1（%2）").arg(program, process.errorString()));
    if (!process.waitForFinished(timeoutMs > 0 ? timeoutMs : -1) &&
        process.state() != QProcess::NotRunning) {
        const qint64 pid = process.processId();
        if (pid > 0)
            ::kill(-static_cast<pid_t>(pid), SIGKILL);
        process.waitForFinished(5000);
        RaiseFailed(source, QStringLiteral("轉換逾時（超過 %1 秒）").arg(timeoutMs / 1000.0),
                    OutputTail(process.readAll()));
    }
    const QString tail = OutputTail(process.readAll());
    if (process.exitStatus() != QProcess::NormalExit)
        RaiseFailed(source, QStringLiteral("辦公室套件異常結束"), tail);
    if (process.exitCode() != 0)
        RaiseFailed(source, QStringLiteral("辦公室套件結束碼 %1").arg(process.exitCode()), tail);

    const QFileInfoList results = QDir(outDir).entryInfoList(QDir::Files);
    if (results.size() != 1 || results.first().size() == 0)
        RaiseFailed(source, QStringLiteral("辦公室套件沒有產生 %1 檔").arg(extension.toUpper()),
                    tail);
    ReplaceFile(source, results.first().absoluteFilePath(), outPath);
}
