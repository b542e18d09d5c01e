#include "PackagePublisher.h"

#include "DateTime.h"
#include "RadSystemApi.h"
#include "RemoteProtocol.h"
#include "ServerDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace {

QString ExtOf(const QFileInfo &info) {
    return info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
}

QByteArray ReadFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EServerError(QStringLiteral("Cannot read %1").arg(path));
    return file.readAll();
}

// Whether the list already holds this version with this size.
bool IsCurrent(TServerDatabase &db, const QString &table, const QString &name,
               const QString &version, qint64 size) {
    QSqlQuery q = db.Exec(
        QStringLiteral("SELECT Version, CheckSum FROM %1 WHERE FileName = ?").arg(table), {name});
    return q.next() && q.value(0).toString() == version && q.value(1).toLongLong() == size;
}

bool Exists(TServerDatabase &db, const QString &table, const QString &name) {
    return db.Exec(QStringLiteral("SELECT 1 FROM %1 WHERE FileName = ?").arg(table), {name}).next();
}

bool PublishPackage(TServerDatabase &db, const QFileInfo &info) {
    const QString name = info.fileName();
    const QString version =
        GetFileVersionInformation(info.filePath(), QStringLiteral("FileVersion"));
    if (IsCurrent(db, QStringLiteral("ClientApps"), name, version, info.size()))
        return false;
    const QByteArray bytes = ReadFile(info.filePath());
    const QString description =
        GetFileVersionInformation(info.filePath(), QStringLiteral("FileDescription"));
    const QString now = TServerDatabase::DateText(Now());
    db.Transaction([&] {
        if (Exists(db, QStringLiteral("ClientApps"), name))
            db.Exec(QStringLiteral("UPDATE ClientApps SET Version = ?, Descript = ?, FileData = ?, "
                                   "CheckSum = ?, Ext = ?, Changer = ?, ChangeTime = ? "
                                   "WHERE FileName = ?"),
                    {version, description, bytes, bytes.size(), ExtOf(info),
                     QStringLiteral("publish"), now, name});
        else
            db.Exec(QStringLiteral("INSERT INTO ClientApps (FileName, Version, Descript, FileData, "
                                   "CheckSum, AtClient, AppType, Changer, ChangeTime, Ext) "
                                   "VALUES (?,?,?,?,?,?,?,?,?,?)"),
                    {name, version, description, bytes, bytes.size(), 1, QStringLiteral("Z,其他"),
                     QStringLiteral("publish"), now, ExtOf(info)});
    });
    return true;
}

bool PublishTemplate(TServerDatabase &db, const QFileInfo &info) {
    const QString name = info.fileName();
    // Templates carry no version block: the time they were last written is their version.
    const QString version = FormatDateTime(QStringLiteral("yyyymmdd\".\"hhnnss"),
                                           TDateTime::FromQDateTime(info.lastModified()));
    if (IsCurrent(db, QStringLiteral("DataFiles"), name, version, info.size()))
        return false;
    const QByteArray bytes = ReadFile(info.filePath());
    db.Transaction([&] {
        if (Exists(db, QStringLiteral("DataFiles"), name))
            db.Exec(QStringLiteral("UPDATE DataFiles SET Version = ?, FileData = ?, CheckSum = ?, "
                                   "Ext = ? WHERE FileName = ?"),
                    {version, bytes, bytes.size(), ExtOf(info), name});
        else
            db.Exec(QStringLiteral("INSERT INTO DataFiles (FileName, Version, Descript, FileData, "
                                   "CheckSum, Ext) VALUES (?,?,?,?,?,?)"),
                    {name, version, info.completeBaseName(), bytes, bytes.size(), ExtOf(info)});
    });
    return true;
}

} // namespace

TPublishResult PublishProgramFolder(TServerDatabase &db, const QString &folder) {
    TPublishResult result;
    const QDir dir(folder);
    if (!dir.exists())
        throw EServerError(QStringLiteral("The folder %1 does not exist").arg(folder));
    for (const QFileInfo &info :
         dir.entryInfoList({QStringLiteral("*.bpl")}, QDir::Files, QDir::Name))
        result.Packages += PublishPackage(db, info) ? 1 : 0;
    const QDir templates(dir.filePath(QStringLiteral("TemplateDocs")));
    if (templates.exists())
        for (const QFileInfo &info : templates.entryInfoList(QDir::Files, QDir::Name))
            result.Templates += PublishTemplate(db, info) ? 1 : 0;
    return result;
}
