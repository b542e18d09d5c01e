#include "DesktopLauncher.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

QString TDesktopLauncher::DefaultApplication(const QString &mimeType) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty() || mimeType.isEmpty())
        return {};
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(10000)) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

bool TDesktopLauncher::OpenFile(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    const QString mimeType = QMimeDatabase().mimeTypeForFile(info).name();
    if (DefaultApplication(mimeType).isEmpty())
        return false;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty())
        return false;
    return QProcess::startDetached(xdgOpen, {info.absoluteFilePath()});
}
