#include "uClientVersionControl.h"

#include "Application.h"
#include "DateTime.h"
#include "Fields.h"
#include "Packages.h"
#include "RadServer.h"
#include "RadSystemApi.h"
#include "Registry.h"
#include "StatelessDataSet.h"
#include "uClientAppControl.h"
#include "uJxTransferDialog.h"
#include "uObjServers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString kFileName = QStringLiteral("FileName");
const QString kDescript = QStringLiteral("Descript");
const QString kVersion = QStringLiteral("Version");
const QString kCheckSum = QStringLiteral("CheckSum");
const QString kExt = QStringLiteral("Ext");
const QString kAppType = QStringLiteral("AppType");
const QString kAtClient = QStringLiteral("AtClient");
const QString kNotInDatabase = QStringLiteral("不存在於資料庫中");
const QString kNotOnThisMachine = QStringLiteral("不存在於本機中");
const QString kUpload = QStringLiteral("上傳");

// The extension with its dot; empty for a name without one.
QString ExtOf(const QString &fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.isEmpty() ? QString() : u'.' + suffix;
}

bool EndsWithSeparator(const QString &dir) {
    return dir.endsWith(u'/') || dir.endsWith(u'\\');
}

// The transfer window stays up while a file travels and goes in every case.
class TTransferWindow {
public:
    explicit TTransferWindow(const QString &message)
        : FWindow(ShowTransferDialog(message, TCommonAnimation::aniCopyFiles)) {}
    ~TTransferWindow() {
        try {
            CloseTransferDialog(FWindow);
        } catch (...) {
        }
    }
    TTransferWindow(const TTransferWindow &) = delete;
    TTransferWindow &operator=(const TTransferWindow &) = delete;

private:
    int FWindow;
};

// Disconnects the version server when a piece of work ends, however it ends.
class TVersionServerSession {
public:
    TVersionServerSession() = default;
    ~TVersionServerSession() {
        if (!SysVersionServer)
            return;
        try {
            SysVersionServer->SetConnected(false);
        } catch (...) {
        }
    }
    TVersionServerSession(const TVersionServerSession &) = delete;
    TVersionServerSession &operator=(const TVersionServerSession &) = delete;
};

// Raises the server's error for a failed call.
void Check(qint32 status) {
    if (Succeeded(status))
        return;
    const QString text = SysVersionServer ? SysVersionServer->LastErrorText() : QString();
    throw EOleSysError(text.isEmpty() ? QStringLiteral("Unspecified error") : text, status);
}

TVersionServer &VersionServer() {
    if (!SysVersionServer)
        throw EVersion(QStringLiteral("The version server is not available"));
    return *SysVersionServer;
}

} // namespace

// ---- TCustVersion ----

TCustVersion::TCustVersion(QObject *owner)
    : TComponent(owner), FList(new TStatelessCDataSet(this)) {
    FList->SetFetchOnDemand(false);
    FList->SetFilterOptions(foCaseInsensitive);
    if (SysVersionServer)
        FList->SetAppServer(SysVersionServer->GetServer());
    FFileDir = ProgramFolder();
    NewVersion = FormatDateTime(QStringLiteral("mmdd\".\"hhnn"), Now());
}

TCustVersion::~TCustVersion() = default;

void TCustVersion::SetRemoteLoaded(bool value) {
    FRemoteLoaded = value;
    if (IsLoading())
        return;
    if (value) {
        Open();
    } else {
        // A closed list finds nothing: the current file is looked up again when it opens.
        FList->Close();
        FFound = false;
    }
}

void TCustVersion::Loaded() {
    TComponent::Loaded();
    if (FRemoteLoaded)
        Open();
}

void TCustVersion::Open() {
    if (FList->Active())
        return;
    TVersionServerSession session;
    try {
        FList->Open();
        FList->SetLogChanges(false);
        FRemoteLoaded = true;
        IsFind();
    } catch (...) {
        FRemoteLoaded = false;
        FFound = false;
        throw;
    }
}

bool TCustVersion::IsFind() {
    try {
        if (!FList->Active())
            Open();
        FList->SetLogChanges(false);
        FFound =
            !FFileName.isEmpty() && FList->Locate(kFileName, Variant(FFileName), loCaseInsensitive);
        // Names compare ignoring letter case, as in the lists; on this file system the
        // record's spelling names the local copy.
        if (FFound)
            FFileName = FList->FieldByName(kFileName)->AsString();
        else
            FStatusText = kNotInDatabase;
    } catch (...) {
        FFound = false;
        throw;
    }
    return FFound;
}

void TCustVersion::SetFileName(const QString &name) {
    // The same name is looked up again while the list is closed (after a refresh that failed).
    if (name == FFileName && FList->Active())
        return;
    FFileName = name;
    IsFind();
    FPendingDescription.clear();
}

QString TCustVersion::GetPathFileName() const {
    if (FFileDir.isEmpty())
        return FFileName;
    if (EndsWithSeparator(FFileDir))
        return FFileDir + FFileName;
    return FFileDir + u'/' + FFileName;
}

QString TCustVersion::VersionMessage(const QString &text) const {
    return Format(QStringLiteral("版本控制:[File:%s,%s]"), {GetPathFileName(), text});
}

QString TCustVersion::Description() {
    if (FFound)
        return FList->FieldByName(kDescript)->AsString();
    return FPendingDescription;
}

void TCustVersion::SetDescription(const QString &text) {
    if (!FFound) {
        FPendingDescription = text;
        return;
    }
    FList->Edit();
    FList->FieldByName(kDescript)->SetAsString(text);
    FList->Post();
}

bool TCustVersion::CheckFileExist() {
    if (QFileInfo(GetPathFileName()).isFile())
        return true;
    FStatusText = kNotOnThisMachine;
    return false;
}

bool TCustVersion::CheckFileVersion() {
    if (GetFileVersion() == FList->FieldByName(kVersion)->AsString())
        return true;
    FStatusText = QStringLiteral("版本編號不一致");
    return false;
}

bool TCustVersion::CheckFileSize() {
    if (FList->FieldByName(kCheckSum)->AsLargeInt() == GetFileSize())
        return true;
    FStatusText = QStringLiteral("內容有問題");
    return false;
}

bool TCustVersion::GetChecked() {
    FStatusText = QStringLiteral("OK");
    if (!FFound) {
        FStatusText = kNotInDatabase;
        return false;
    }
    return CheckFileExist() && CheckFileVersion() && CheckFileSize();
}

bool TCustVersion::CheckFile(const QString &name, QString &message) {
    const QString remembered = FFileName;
    bool result = false;
    try {
        SetFileName(name);
        result = GetChecked();
        message = VersionMessage(FStatusText);
    } catch (...) {
        SetFileName(remembered);
        throw;
    }
    SetFileName(remembered);
    return result;
}

qint64 TCustVersion::GetFileSize() {
    try {
        return ::GetFileSize(GetPathFileName());
    } catch (...) {
        throw EVersion(QStringLiteral("檔案使用中,不能計算Size"));
    }
}

void TCustVersion::GetFileData(Variant &data) {
    QFile file(GetPathFileName());
    if (!file.open(QIODevice::ReadOnly))
        throw EVersion(QStringLiteral("Cannot Open File:") + GetPathFileName());
    data = Variant(file.readAll());
}

void TCustVersion::CreateFile(const Variant &data) {
    if (data.IsEmptyOrNull())
        return;
    const QString path = GetPathFileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written under a temporary name and renamed when complete.
    QSaveFile file(path);
    const QByteArray bytes = data.ToBytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EVersion(QStringLiteral("Cannot Create File:") + path);
}

void TCustVersion::DownLoadCurrent() {
    if (GetChecked())
        return;
    const QString message = VersionMessage(FStatusText);
    TTransferWindow window(message);
    if (BeforeDownload)
        BeforeDownload(this, message);
    Variant data;
    LoadFileData(data);
    CreateFile(data);
    if (AfterDownload)
        AfterDownload(this);
}

void TCustVersion::DownLoad(bool all) {
    if (!all) {
        if (!FFound)
            throw EVersion(VersionMessage(FStatusText));
        DownLoadCurrent();
        return;
    }
    if (!FList->Active())
        Open();
    const QString remembered = FFileName;
    const auto restore = [&] { RestoreFileName(remembered); };
    try {
        for (FList->First(); !FList->Eof(); FList->Next()) {
            FFileName = FList->FieldByName(kFileName)->AsString();
            FFound = true;
            DownLoadCurrent();
            Application()->ProcessMessages();
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TCustVersion::UpLoad() {
    if (!CheckFileExist())
        throw EVersion(VersionMessage(kNotOnThisMachine));
    const QString message = VersionMessage(kUpload);
    TTransferWindow window(message);
    if (BeforeUpload)
        BeforeUpload(this, message);
    UpLoading();
    if (AfterUpload)
        AfterUpload(this);
}

void TCustVersion::UpLoading() {
    if (!FList->Active())
        Open();
    const qint64 size = GetFileSize();
    try {
        if (FFound) {
            FList->Edit();
        } else {
            FList->Append();
            FList->FieldByName(kFileName)->SetAsString(FFileName);
            FList->FieldByName(kDescript)->SetAsString(FPendingDescription);
            DoNewRecord();
        }
        FList->FieldByName(kVersion)->SetAsString(NewVersion);
        FList->FieldByName(kCheckSum)->SetAsLargeInt(size);
        FList->FieldByName(kExt)->SetAsString(ExtOf(FFileName));
        FList->Post();
    } catch (...) {
        FList->Cancel();
        throw;
    }
    IsFind();
}

QString TCustVersion::GetFileDescription() {
    return GetFileVersionInformation(GetPathFileName(), QStringLiteral("FileDescription"));
}

QString TCustVersion::GetFileVersion() {
    return GetFileVersionInformation(GetPathFileName(), QStringLiteral("FileVersion"));
}

void TCustVersion::SendUpload(const std::function<qint32(const Variant &, bool &)> &send) {
    TVersionServerSession session;
    Variant data;
    GetFileData(data);
    bool accepted = false;
    try {
        Check(send(data, accepted));
        if (!accepted)
            throw EVersion(VersionMessage(QStringLiteral("上傳失敗")));
    } catch (...) {
        // The list changed before the server refused: it is read anew when next needed.
        FList->Close();
        FFound = false;
        throw;
    }
}

void TCustVersion::RestoreFileName(const QString &name) {
    FFileName = name;
    IsFind();
}

void TCustVersion::Delete() {
    if (!FFound)
        return;
    FList->Delete();
    FFound = false;
}

void TCustVersion::CloneCursorTo(TClientDataSet *dataSet) {
    if (!FList->Active())
        Open();
    dataSet->CloneCursor(FList, false);
}

// ---- TSystemFiles ----

TSystemFiles::TSystemFiles(QObject *owner) : TCustVersion(owner) {
    TSystemFiles::GetData();
}

void TSystemFiles::GetData() {
    FList->SetProviderName(QStringLiteral("xspSystemFiles"));
}

void TSystemFiles::LoadFileData(Variant &data) {
    Check(VersionServer().GetSystemFile(FileName(), data));
}

void TSystemFiles::Delete() {
    if (Found()) {
        bool result = false;
        Check(VersionServer().DeleteSystemFile(FileName(), result));
    }
    TCustVersion::Delete();
}

void TSystemFiles::UpLoading() {
    FPendingDescription = GetFileDescription();
    NewVersion = GetFileVersion();
    TCustVersion::UpLoading();
    SendUpload([this](const Variant &data, bool &result) {
        return VersionServer().UpdateSystemFile(
            FileName(), FList->FieldByName(kVersion)->AsString(), Description(), data,
            FList->FieldByName(kCheckSum)->AsInteger(), result);
    });
}

// ---- TAppFiles ----

TAppFiles::TAppFiles(QObject *owner) : TCustVersion(owner) {
    TAppFiles::GetData();
}

void TAppFiles::GetData() {
    FList->SetProviderName(QStringLiteral("xspClientApps"));
}

void TAppFiles::LoadFileData(Variant &data) {
    Check(VersionServer().GetClientAppFile(FileName(), data));
}

void TAppFiles::SetFileName(const QString &name) {
    TCustVersion::SetFileName(name);
    if (Found()) {
        FAppType = FList->FieldByName(kAppType)->AsString();
        FFlags = FList->FieldByName(kAtClient)->AsInteger();
    } else {
        FFlags = 1;
    }
}

void TAppFiles::SetAppType(const QString &type) {
    FAppType = type;
    if (!Found())
        return;
    FList->Edit();
    FList->FieldByName(kAppType)->SetAsString(type);
    FList->Post();
}

void TAppFiles::StoreFlags() {
    if (!Found())
        return;
    FList->Edit();
    FList->FieldByName(kAtClient)->SetAsInteger(FFlags);
    FList->Post();
}

void TAppFiles::SetAtClient(bool value) {
    FFlags = value ? FFlags | 1 : FFlags & ~1;
    StoreFlags();
}

void TAppFiles::SetLogFlag(bool value) {
    FFlags = value ? FFlags | 2 : FFlags & ~2;
    StoreFlags();
}

void TAppFiles::DoNewRecord() {
    FList->FieldByName(kAtClient)->SetAsInteger(FFlags);
    FList->FieldByName(kAppType)->SetAsString(FAppType);
}

TForm *TAppFiles::RunByFileName(const QString &name) {
    SetFileName(name);
    return Found() ? Run() : nullptr;
}

TForm *TAppFiles::Run() {
    // A job already running keeps the copy it was started from.
    if (!ClientExecuteManager->FindClientAppByName(FileName())) {
        DownLoad(false);
        // The list was read at login; a build the server has published since then replaces
        // the copy before the job starts.
        RemoteChecked();
    }
    TClientAppControl *entry = ClientExecuteManager->ExecuteClientApp(GetPathFileName(), LogFlag());
    return entry ? entry->Form.data() : nullptr;
}

void TAppFiles::LookUpAppNAme(const QString &description, QString &name) {
    Open();
    const Variant found = FList->Lookup(kDescript, Variant(description), kFileName);
    name = found.IsEmptyOrNull() ? QString() : found.ToString();
}

TForm *TAppFiles::RunByDescription(const QString &description) {
    QString name;
    LookUpAppNAme(description, name);
    return name.isEmpty() ? nullptr : RunByFileName(name);
}

void TAppFiles::RemoteChecked() {
    if (!QFileInfo(GetPathFileName()).isFile()) {
        DownLoad(false);
        return;
    }
    Variant data;
    bool current = false;
    Check(VersionServer().CheckClientAppFile(FileName(), GetFileVersion(),
                                             static_cast<int>(GetFileSize()), data, current));
    if (current || data.IsEmptyOrNull())
        return;
    {
        TTransferWindow window(VersionMessage(QStringLiteral("版本編號不一致")));
        CreateFile(data);
    }
    // The list now describes the copy on this machine, so the next check finds it current.
    if (Found()) {
        FList->SetLogChanges(false);
        FList->Edit();
        FList->FieldByName(kVersion)->SetAsString(GetFileVersion());
        FList->FieldByName(kCheckSum)->SetAsLargeInt(GetFileSize());
        FList->Post();
    }
}

void TAppFiles::ChangeState() {
    if (!Found())
        throw EVersion(VersionMessage(StatusText()));
    Check(VersionServer().ChangeAppState(FileName(), FFlags, FAppType));
}

void TAppFiles::ResetAppType() {
    if (!FList->Active())
        Open();
    QStringList lines;
    const TBookmark position = FList->GetBookmark();
    FList->DisableControls();
    try {
        for (FList->First(); !FList->Eof(); FList->Next())
            lines << FList->FieldByName(kFileName)->AsString() + u'=' +
                         FList->FieldByName(kAppType)->AsString();
    } catch (...) {
        if (FList->BookmarkValid(position))
            FList->GotoBookmark(position);
        FList->EnableControls();
        throw;
    }
    if (FList->BookmarkValid(position))
        FList->GotoBookmark(position);
    FList->EnableControls();
    if (!lines.isEmpty())
        Check(VersionServer().ChangeAppType(lines.join(u'\n')));
}

void TAppFiles::UpdateSchedule(const int (&values)[12]) {
    if (!Found())
        return;
    Variant months = Variant::Array(0, 11);
    for (int i = 0; i < 12; ++i)
        months.SetElement(i, Variant(values[i]));
    Check(VersionServer().SetAppSchedule(FileName(), months));
}

void TAppFiles::UpLoad(const QString &updateMemo, const QString &changer) {
    UpdateMemo = updateMemo;
    Changer = changer;
    try {
        TCustVersion::UpLoad();
    } catch (...) {
        UpdateMemo.clear();
        Changer.clear();
        throw;
    }
    UpdateMemo.clear();
    Changer.clear();
}

void TAppFiles::UpLoading() {
    FPendingDescription = GetFileDescription();
    NewVersion = GetFileVersion();
    TCustVersion::UpLoading();
    SendUpload([this](const Variant &data, bool &result) {
        return VersionServer().UpdateClientAppFile(
            FileName(), FList->FieldByName(kVersion)->AsString(), Description(), data,
            FList->FieldByName(kCheckSum)->AsInteger(), FList->FieldByName(kAtClient)->AsInteger(),
            FList->FieldByName(kAppType)->AsString(), UpdateMemo, Changer, result);
    });
}

void TAppFiles::DeleteClientFiles() {
    if (!FList->Active())
        Open();
    const QString remembered = FileName();
    const QString dir = FileDir();
    const auto restore = [&] { RestoreFileName(remembered); };
    try {
        for (FList->First(); !FList->Eof(); FList->Next()) {
            if (FList->FieldByName(kAtClient)->AsInteger() & 1)
                continue;
            const QString name = FList->FieldByName(kFileName)->AsString();
            const QString path = dir.isEmpty()            ? name
                                 : EndsWithSeparator(dir) ? dir + name
                                                          : dir + u'/' + name;
            QFile::remove(path); // a file that cannot go stays; the others still do
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TAppFiles::Delete() {
    if (Found()) {
        bool result = false;
        Check(VersionServer().DeleteClientAppFile(FileName(), result));
    }
    TCustVersion::Delete();
}

// ---- TDataFiles ----

const QString TDataFiles::RegKey = QStringLiteral("\\SOFTWARE\\Orv7.0\\DataFiles\\");

TDataFiles::TDataFiles(QObject *owner) : TCustVersion(owner) {
    TDataFiles::GetData();
}

void TDataFiles::GetData() {
    FList->SetProviderName(QStringLiteral("xspDataFiles"));
}

void TDataFiles::LoadFileData(Variant &data) {
    Check(VersionServer().GetDocFile(FileName(), data));
    TRegistry reg(TRootKey::HKEY_CURRENT_USER);
    if (!reg.OpenKey(RegKey + FileName(), true))
        throw EVersion(QStringLiteral("Cannot Open Key:") + RegKey + FileName());
    reg.WriteString(QStringLiteral("FileVersion"), FList->FieldByName(kVersion)->AsString());
    reg.WriteString(QStringLiteral("FileDescription"), FList->FieldByName(kDescript)->AsString());
}

QString TDataFiles::GetFileVersion() {
    TRegistry reg(TRootKey::HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(RegKey + FileName()) ||
        !reg.ValueExists(QStringLiteral("FileVersion")))
        return QString();
    return reg.ReadString(QStringLiteral("FileVersion"));
}

QString TDataFiles::GetFileDescription() {
    TRegistry reg(TRootKey::HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(RegKey + FileName()) ||
        !reg.ValueExists(QStringLiteral("FileDescription")))
        return QString();
    return reg.ReadString(QStringLiteral("FileDescription"));
}

void TDataFiles::SetFileName(const QString &name) {
    if (!FExt.isEmpty() && !name.isEmpty() && ExtOf(name).compare(FExt, Qt::CaseInsensitive) != 0)
        throw EVersion(QStringLiteral("DataFiles:Not Match File Extend"));
    TCustVersion::SetFileName(name);
}

void TDataFiles::SetExt(const QString &ext) {
    if (ext.compare(FExt, Qt::CaseInsensitive) == 0)
        return;
    FExt = ext;
    QString quoted = ext;
    quoted.replace(u'\'', QStringLiteral("''"));
    FList->SetFilter(ext.isEmpty() ? QString() : QStringLiteral("Ext='%1'").arg(quoted));
    FList->SetFiltered(!ext.isEmpty());
    if (!FileName().isEmpty() && FList->Active() && !IsFind())
        TCustVersion::SetFileName(QString());
}

void TDataFiles::UpLoading() {
    TCustVersion::UpLoading();
    SendUpload([this](const Variant &data, bool &result) {
        return VersionServer().UpdateDocFile(FileName(), FList->FieldByName(kVersion)->AsString(),
                                             Description(), data,
                                             FList->FieldByName(kCheckSum)->AsInteger(), result);
    });
}

void TDataFiles::Delete() {
    if (Found()) {
        bool result = false;
        Check(VersionServer().DeleteDocFile(FileName(), result));
    }
    TCustVersion::Delete();
}

// ---- TClientAppsCDS ----

TClientAppsCDS::TClientAppsCDS(QObject *owner) : TClientDataSet(owner) {}

TAppFiles *TClientAppsCDS::GetFilesCtrl() const {
    return SysClientAppFiles;
}

void TClientAppsCDS::SetActive(bool active) {
    if (!active || FOpening || IsLoading() || Active()) {
        TClientDataSet::SetActive(active);
        return;
    }
    FOpening = true;
    try {
        GetFilesCtrl()->CloneCursorTo(this);
    } catch (...) {
        FOpening = false;
        throw;
    }
    FOpening = false;
}

void TClientAppsCDS::RemoteRefresh() {
    TAppFiles *files = GetFilesCtrl();
    files->SetRemoteLoaded(false);
    {
        TVersionServerSession session;
        Check(VersionServer().RefreshDataSet(QStringLiteral("xspClientApps")));
    }
    files->Open();
    // The clone still shows the records it shared before: it clones the new list.
    if (Active()) {
        Close();
        Open();
    }
}

// ---- process-wide objects ----

TVersionServer *SysVersionServer = nullptr;
TAppFiles *SysClientAppFiles = nullptr;

namespace {
struct TVersionControlLifetime {
    TVersionControlLifetime() {
        SysVersionServer = new TVersionServer;
        SysVersionServer->SetObjectBroker(SrvJobSecurityBroker);
        SysClientAppFiles = new TAppFiles;
    }
    ~TVersionControlLifetime() {
        delete SysClientAppFiles;
        SysClientAppFiles = nullptr;
        delete SysVersionServer;
        SysVersionServer = nullptr;
    }
} gVersionControlLifetime;
} // namespace
