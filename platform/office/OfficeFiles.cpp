#include "OfficeFiles.h"

#include "OfficeErrors.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString DefaultDocumentsFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

QString NewShowingFile(const QString &folder, const QString &templateName, const QString &suffix,
                       const QString &fallbackBase) {
    const QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(dir.absolutePath()))
        throw EOfficeError(QStringLiteral("無法建立資料夾%1").arg(dir.absolutePath()));
    QString base = QFileInfo(templateName).completeBaseName();
    if (base.isEmpty())
        base = fallbackBase;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString file = dir.filePath(QStringLiteral("%1-%2.%3").arg(base, stamp, suffix));
    for (int n = 2; QFileInfo::exists(file); ++n)
        file = dir.filePath(QStringLiteral("%1-%2-%3.%4").arg(base, stamp).arg(n).arg(suffix));
    return file;
}
