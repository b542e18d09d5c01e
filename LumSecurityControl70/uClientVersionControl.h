#pragma once
// Client version control. The server keeps the master copy of every file clients need, one
// list per kind: job packages ("xspClientApps"), system files ("xspSystemFiles") and document
// templates ("xspDataFiles"), one record per file (FileName, Descript, Version, CheckSum = size
// in bytes, Ext; packages also AppType and AtClient). The classes here compare a local file
// with its record, download it when it is missing or differs, upload new versions, keep the
// per-file flags, and start job packages through the client-application registry.

#include "ClientDataSet.h"
#include "Component.h"
#include "Exceptions.h"
#include "Variant.h"

#include <QString>
#include <functional>

class TCustVersion;
class TForm;
class TStatelessCDataSet;
class TVersionServer;

class EVersion : public Exception {
public:
    using Exception::Exception;
};

using TVersionEvent = std::function<void(TCustVersion *sender, const QString &message)>;
using TVersionNotifyEvent = std::function<void(TCustVersion *sender)>;

class TCustVersion : public TComponent {
    Q_OBJECT
public:
    explicit TCustVersion(QObject *owner = nullptr);
    ~TCustVersion() override;

    // The list of the server, fetched once; switching it off closes the list.
    bool RemoteLoaded() const { return FRemoteLoaded; }
    void SetRemoteLoaded(bool value);
    void Loaded() override;

    // The local folder of the files; initially the program folder.
    const QString &FileDir() const { return FFileDir; }
    void SetFileDir(const QString &dir) { FFileDir = dir; }
    // The current file; its record is looked up in the list.
    const QString &FileName() const { return FFileName; }
    virtual void SetFileName(const QString &name);
    QString Description();
    void SetDescription(const QString &text);
    // The version text written by the next upload: "mmdd.hhnn" of when the object was made.
    QString NewVersion;

    TVersionEvent BeforeUpload, BeforeDownload;
    TVersionNotifyEvent AfterUpload, AfterDownload;

    // Fetches the list when it is not held and finds the current file.
    void Open();
    // Finds the current file's record (letter case ignored).
    bool IsFind();
    bool Found() const { return FFound; }
    // "OK" or why the last check failed.
    const QString &StatusText() const { return FStatusText; }
    QString GetPathFileName() const;

    // Whether the local copy of the current file is current.
    bool GetChecked();
    // The check for another file; the current file stays the current one.
    bool CheckFile(const QString &name, QString &message);
    bool CheckFileExist();
    bool CheckFileVersion();
    bool CheckFileSize();

    qint64 GetFileSize();
    void GetFileData(Variant &data);
    // Writes the whole file, or nothing: a broken transfer never leaves a half file behind.
    void CreateFile(const Variant &data);

    // The current file (All false) or every file of the list, each only when not current.
    void DownLoad(bool all);
    // Sends the local file and its record to the server.
    void UpLoad();
    virtual void Delete();
    // Makes the dataset a clone of the list (fetched first when needed).
    void CloneCursorTo(TClientDataSet *dataSet);

    TStatelessCDataSet *List() const { return FList; }
    // "版本控制:[File:%s,%s]" with the local path and the text.
    QString VersionMessage(const QString &text) const;

protected:
    // Names the list's provider.
    virtual void GetData() = 0;
    // Fetches the current file's bytes from the server.
    virtual void LoadFileData(Variant &data) = 0;
    virtual void UpLoading();
    virtual QString GetFileDescription();
    virtual QString GetFileVersion();
    // Fills the fields of a record appended for a new file.
    virtual void DoNewRecord() {}
    void DownLoadCurrent();
    // Sends the current record with the file's bytes (send gets the bytes and reports whether
    // the server took them).
    void SendUpload(const std::function<qint32(const Variant &, bool &)> &send);
    // Makes name the current file again and finds its record.
    void RestoreFileName(const QString &name);

    TStatelessCDataSet *FList;
    QString FPendingDescription;

private:
    bool FRemoteLoaded = false;
    QString FFileDir;
    QString FFileName;
    bool FFound = false;
    QString FStatusText;
};

// System files: version and description from the file's version block.
class TSystemFiles : public TCustVersion {
    Q_OBJECT
public:
    explicit TSystemFiles(QObject *owner = nullptr);
    void Delete() override;

protected:
    void GetData() override;
    void LoadFileData(Variant &data) override;
    void UpLoading() override;
};

// Job packages (client applications).
class TAppFiles : public TCustVersion {
    Q_OBJECT
public:
    explicit TAppFiles(QObject *owner = nullptr);

    void SetFileName(const QString &name) override;
    const QString &AppType() const { return FAppType; }
    void SetAppType(const QString &type);
    // Bit 0: the package stays on the client when the program closes; bit 1: its use is logged.
    int Flags() const { return FFlags; }
    bool AtClient() const { return FFlags & 1; }
    void SetAtClient(bool value);
    bool LogFlag() const { return FFlags & 2; }
    void SetLogFlag(bool value);
    QString UpdateMemo;
    QString Changer;

    // Starts the package named; nothing when the list does not hold it.
    TForm *RunByFileName(const QString &name);
    // Starts the current package, downloading it first unless it is already running; the
    // server is asked whether it holds a newer build than the list read at login.
    TForm *Run();
    void LookUpAppNAme(const QString &description, QString &name);
    TForm *RunByDescription(const QString &description);
    // Lets the server compare the local copy and replaces it when the server says so; the
    // list's record then describes the new copy.
    void RemoteChecked();
    void ChangeState();
    void ResetAppType();
    void UpdateSchedule(const int (&values)[12]);
    using TCustVersion::UpLoad;
    void UpLoad(const QString &updateMemo, const QString &changer);
    // Deletes the local copies of the packages not marked to stay on the client.
    void DeleteClientFiles();
    void Delete() override;

protected:
    void GetData() override;
    void LoadFileData(Variant &data) override;
    void UpLoading() override;
    void DoNewRecord() override;

private:
    void StoreFlags();
    QString FAppType = QStringLiteral("Z,其他");
    int FFlags = 1;
};

// Document templates: their version and description live in the user's registry, written when
// they are downloaded.
class TDataFiles : public TCustVersion {
    Q_OBJECT
public:
    explicit TDataFiles(QObject *owner = nullptr);

    void SetFileName(const QString &name) override;
    // Restricts the list to one extension (with its dot, e.g. ".docx"); empty for all.
    const QString &Ext() const { return FExt; }
    void SetExt(const QString &ext);
    static const QString RegKey;
    void Delete() override;

protected:
    void GetData() override;
    void LoadFileData(Variant &data) override;
    void UpLoading() override;
    QString GetFileDescription() override;
    QString GetFileVersion() override;

private:
    QString FExt;
};

// A dataset for job forms that browses the client-application list: opening it clones the
// shared list.
class TClientAppsCDS : public TClientDataSet {
    Q_OBJECT
public:
    explicit TClientAppsCDS(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TClientAppsCDS"); }
    void SetActive(bool active) override;
    TAppFiles *GetFilesCtrl() const;
    // Reads the list anew from the server and clones it again.
    void RemoteRefresh();

private:
    bool FOpening = false;
};

extern TVersionServer *SysVersionServer;
extern TAppFiles *SysClientAppFiles;
