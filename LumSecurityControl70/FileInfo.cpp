#include "FileInfo.h"

#include "Packages.h"
#include "RadSystemApi.h"
#include "Registry.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

TFileInfo::TFileInfo(QObject *owner) : TComponent(owner), FFileDir(ProgramFolder()) {}

void TFileInfo::SetFileDir(const QString &dir) {
    if (dir.isEmpty()) {
        FFileDir.clear();
        return;
    }
    QString folder = dir;
    if (folder.endsWith(u'\\'))
        folder.chop(1);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    if (!QFileInfo(folder).isDir())
        throw EFileInfo(dir + QStringLiteral("目錄不存在"));
    FFileDir = folder;
}

QString TFileInfo::GetPathFileName() const {
    if (FFileName.isEmpty())
        throw EFileInfo(QStringLiteral("檔案名稱不能空白"));
    return FFileDir + FFileName;
}

QString TFileInfo::VersionValue(const QString &key) const {
    return GetFileVersionInformation(GetPathFileName(), key);
}

qint64 TFileInfo::GetFileSize() const {
    const QString path = GetPathFileName();
    if (!QFileInfo(path).isFile())
        throw EFileInfo(QStringLiteral("檔案使用中,不能計算Size"));
    try {
        return ::GetFileSize(path);
    } catch (const Exception &) {
        throw EFileInfo(QStringLiteral("檔案使用中,不能計算Size"));
    }
}

bool TFileInfo::GetIsExists() const {
    return QFileInfo(GetPathFileName()).isFile();
}

Variant TFileInfo::GetFileData() const {
    const QString path = GetPathFileName();
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw EFileInfo(QStringLiteral("Cannot Open File:") + path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileInfo(QStringLiteral("Cannot Read File:") + path);
    return Variant(bytes);
}

void TFileInfo::SetFileData(const Variant &data) {
    if (data.IsEmptyOrNull())
        return;
    const QString path = GetPathFileName();
    const QByteArray bytes = data.ToBytes();
    // Written beside the file and put in its place when complete: a failed write leaves the
    // old file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EFileInfo(QStringLiteral("Cannot Create File:") + path);
}

TDataFileInfo::TDataFileInfo(QObject *owner)
    : TFileInfo(owner), FRegistryPath(QStringLiteral("Orv\\DataFiles\\")) {}

void TDataFileInfo::SetRegistryPath(const QString &path) {
    FRegistryPath = path;
    if (!FRegistryPath.isEmpty() && !FRegistryPath.endsWith(u'\\') && !FRegistryPath.endsWith(u'/'))
        FRegistryPath += u'\\';
}

QString TDataFileInfo::FileKey() const {
    if (FileName().isEmpty())
        throw EFileInfo(QStringLiteral("檔案名稱不能空白"));
    return FRegistryPath + FileName();
}

QString TDataFileInfo::VersionValue(const QString &key) const {
    if (key == QLatin1String("FileVersion") || key == QLatin1String("FileDescription")) {
        TRegistry reg(TRootKey::HKEY_CURRENT_USER);
        if (!reg.OpenKeyReadOnly(FileKey()))
            return {};
        return reg.ReadString(key);
    }
    if (key == QLatin1String("CompanyName"))
        return QStringLiteral("ORV School Systems");
    if (key == QLatin1String("LegalCopyright"))
        return QStringLiteral("Copyright (C) ORV School Systems");
    if (key == QLatin1String("ProductName"))
        return QStringLiteral("ORV School Administration");
    return {};
}

void TDataFileInfo::WriteFileVersion(const QString &version) {
    WriteValue(QStringLiteral("FileVersion"), version);
}

void TDataFileInfo::WriteFileDescription(const QString &description) {
    WriteValue(QStringLiteral("FileDescription"), description);
}

void TDataFileInfo::WriteValue(const QString &name, const QString &value) {
    const QString key = FileKey();
    TRegistry reg(TRootKey::HKEY_CURRENT_USER);
    if (!reg.OpenKey(key, true))
        throw EFileInfo(QStringLiteral("Cannot open registry key ") + key);
    reg.WriteString(name, value);
}
