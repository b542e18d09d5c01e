#pragma once
// Version information of a local file. TFileInfo reads the version block that the build
// embeds in every package and program (company, description, version and the other usual
// values) without loading the file, and reads or writes the file's bytes. TDataFileInfo is
// for documents, which carry no version block: their version and description live in the
// user's registry, under RegistryPath + the file name, written when they were downloaded.
//
// Folders use "/" as separator. A folder given with a trailing "\" (as settings written on
// older installations have it) counts as ending in the separator.

#include "Component.h"
#include "Exceptions.h"
#include "Variant.h"

LUM_DECLARE_EXCEPTION(EFileInfo, Exception);

class TFileInfo : public TComponent {
    Q_OBJECT
public:
    explicit TFileInfo(QObject *owner = nullptr);

    // The folder of the file, ending in "/" (or empty: the current folder). Default: the
    // program folder. Setting a folder that does not exist raises EFileInfo with the folder
    // followed by "目錄不存在"; the value is then unchanged.
    QString FileDir() const { return FFileDir; }
    void SetFileDir(const QString &dir);
    QString FileName() const { return FFileName; }
    void SetFileName(const QString &name) { FFileName = name; }
    // FileDir + FileName; raises EFileInfo "檔案名稱不能空白" for an empty file name.
    QString GetPathFileName() const;

    // Values of the version block; empty when the file has none (or does not exist).
    QString CompanyName() const { return VersionValue(QStringLiteral("CompanyName")); }
    QString FileDescription() const { return VersionValue(QStringLiteral("FileDescription")); }
    QString FileVersion() const { return VersionValue(QStringLiteral("FileVersion")); }
    QString InternalName() const { return VersionValue(QStringLiteral("InternalName")); }
    QString LegalCopyright() const { return VersionValue(QStringLiteral("LegalCopyright")); }
    QString LegalTrademarks() const { return VersionValue(QStringLiteral("LegalTrademarks")); }
    QString OriginalFilename() const { return VersionValue(QStringLiteral("OriginalFilename")); }
    QString ProductName() const { return VersionValue(QStringLiteral("ProductName")); }
    QString ProductVersion() const { return VersionValue(QStringLiteral("ProductVersion")); }
    // The description stands for the comments.
    QString GetComments() const { return FileDescription(); }

    // Size in bytes; raises EFileInfo "檔案使用中,不能計算Size" when the file cannot be read.
    qint64 GetFileSize() const;
    bool GetIsExists() const;
    // The whole file as a byte-array variant; raises EFileInfo when it cannot be read.
    Variant GetFileData() const;
    // Creates or replaces the file with the bytes (completely or not at all); an empty or
    // null variant writes nothing. Raises EFileInfo when the file cannot be written.
    void SetFileData(const Variant &data);

protected:
    // The value of one version key for the current file.
    virtual QString VersionValue(const QString &key) const;

private:
    QString FFileDir;
    QString FFileName;
};

class TDataFileInfo : public TFileInfo {
    Q_OBJECT
public:
    explicit TDataFileInfo(QObject *owner = nullptr);

    // The user's registry key of the documents' versions, ending in "\" (or empty: the root).
    // Default "Orv\DataFiles\".
    QString RegistryPath() const { return FRegistryPath; }
    void SetRegistryPath(const QString &path);

    // Store the version and the description of the current file in the registry.
    void WriteFileVersion(const QString &version);
    void WriteFileDescription(const QString &description);

protected:
    // "FileVersion" and "FileDescription" from the registry; the organisation's fixed texts
    // for the company, copyright and product name; the other values are empty.
    QString VersionValue(const QString &key) const override;

private:
    // RegistryPath + the file name; raises for an empty file name.
    QString FileKey() const;
    void WriteValue(const QString &name, const QString &value);

    QString FRegistryPath;
};
