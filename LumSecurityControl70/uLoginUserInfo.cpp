#include "uLoginUserInfo.h"

#include "Application.h"
#include "RadServer.h"
#include "RadSystemApi.h"
#include "uLoginDlg.h"
#include "uObjServers.h"

#include "SessionTicket.h"

#include <QCoreApplication>
#include <QThread>

namespace {

const QString kProfileId = QStringLiteral("ID");

TDateTime EndOfTime() {
    return TDateTime::EncodeDate(9999, 1, 1);
}

} // namespace

TLoginUserInfo::TLoginUserInfo(QObject *owner)
    : TComponent(owner), FProfile(new TClientDataSet(this)) {
    FProfile->SetProviderName(QStringLiteral("dspUserProfile"));
    FProfile->SetPacketRecords(-1);
    FProfile->Params().CreateParam(ftString, kProfileId, ptInput);
    if (SysSecurityServer)
        FProfile->SetAppServer(SysSecurityServer->GetServer());
    StartDate = Date();
    EndDate = EndOfTime();
}

TLoginUserInfo::~TLoginUserInfo() {
    // Once the application object is gone, the network is too; the process-wide user logs out
    // while the application ends (below).
    if (!QCoreApplication::instance())
        return;
    try {
        DoLogout();
    } catch (...) {
    }
}

void TLoginUserInfo::SetID(const QString &id) {
    if (id == FID)
        return;
    FID = id;
    Clear();
}

void TLoginUserInfo::SetLoginChecked(bool value) {
    if (value == FLoginChecked)
        return;
    if (value) {
        DoLogin();
    } else {
        DoLogout();
        Clear();
    }
}

void TLoginUserInfo::Clear() {
    FLoginChecked = false;
    LockChanged = false;
    Cht_Name.clear();
    Description.clear();
    StartDate = Date();
    EndDate = EndOfTime();
    LockMachines.Clear();
    GroupList = JobList = AdmGroupList = Variant();
    FProfile->Close();
}

void TLoginUserInfo::DoLogout() {
    if (FLoginChecked)
        OleCheck(SysSecurityServer->LogOut(FID));
}

void TLoginUserInfo::CheckFound() const {
    if (FID.isEmpty() || FPassword.isEmpty())
        throw ESecurity(QStringLiteral("帳號或密碼未設定"));
}

void TLoginUserInfo::LoginAttempt(const QString &machine) {
    QString message;
    bool ok = false;
    if (!machine.isEmpty())
        OleCheck(SysSecurityServer->LoginByMachine(FID, FPassword, machine, message, ok));
    else
        OleCheck(SysSecurityServer->Login(FID, FPassword, message, ok));
    FLoginChecked = ok;
    if (!ok)
        ShowMessage(message);
}

bool TLoginUserInfo::SignInAgain() {
    if (!FLoginChecked || !(FLoginStyle & lsLoginPrompt))
        return false;
    ShowMessage(QStringLiteral("尚未登入或登入已逾時"));
    QString machine;
    if (FLoginStyle & lsIPAddress)
        machine += GetIPAddr();
    if (FLoginStyle & lsComputerName)
        machine += GetHost().toUpper();
    for (int attempts = qMax(FRepeatCount, 1); attempts > 0; --attempts) {
        QString id = FID;
        QString password;
        if (!HandlePasswordDlg(id, password, true))
            return false;
        QString message;
        bool ok = false;
        if (!machine.isEmpty())
            OleCheck(SysSecurityServer->LoginByMachine(FID, password, machine, message, ok));
        else
            OleCheck(SysSecurityServer->Login(FID, password, message, ok));
        if (ok) {
            FPassword = password;
            return true;
        }
        ShowMessage(message);
    }
    return false;
}

void TLoginUserInfo::DoLogin() {
    if (BeforeLogin)
        BeforeLogin(this);
    QString machine;
    if (FLoginStyle & lsIPAddress)
        machine += GetIPAddr();
    if (FLoginStyle & lsComputerName)
        machine += GetHost().toUpper();
    if (FLoginStyle & lsLoginPrompt) {
        Clear();
        int attempts = FRepeatCount;
        for (;;) {
            QString id = FID;
            if (!HandlePasswordDlg(id, FPassword))
                break;
            FID = id; // the dialog's account; the details were cleared above
            LoginAttempt(machine);
            if (attempts <= 1)
                break;
            --attempts;
            if (FLoginChecked)
                break;
        }
    } else {
        CheckFound();
        LoginAttempt(machine);
    }
    if (FLoginChecked) {
        LoginTime = Now();
        GetUserInfo();
    }
    if (AfterLogin)
        AfterLogin(this);
}

void TLoginUserInfo::GetUserInfo() {
    Cht_Name.clear();
    Description.clear();
    bool ok = false;
    OleCheck(SysSecurityServer->GetUserInfo(FID, Cht_Name, Description, StartDate, EndDate,
                                            &LockMachines, ok));
    GroupList = JobList = AdmGroupList = Variant();
    Variant result;
    OleCheck(SysJobManageServer->GetUserJobInfo(FID, GroupList, JobList, AdmGroupList, result));
    TParam *param = &FProfile->Params().ParamByName(kProfileId);
    if (!FProfile->Active() || VarToStr(param->Value()) != FID) {
        FProfile->Close();
        param->SetValue(Variant(FID));
        try {
            FProfile->Open();
        } catch (...) {
            SysSecurityServer->Close();
            throw;
        }
        SysSecurityServer->Close();
    }
    LockChanged = false;
}

void TLoginUserInfo::ChangePassword(const QString &newPassword) {
    CheckFound();
    if (FID.toUpper() == newPassword.toUpper())
        throw ESecurity(QStringLiteral("帳號密碼不可相同"));
    if (newPassword == FPassword)
        throw ESecurity(QStringLiteral("新舊密碼不可相同"));
    bool ok = false;
    OleCheck(SysSecurityServer->ChangePassword(FID, FPassword, newPassword, ok));
    if (!ok)
        throw ESecurity(QStringLiteral("帳號或密碼錯誤"));
    FPassword = newPassword;
}

void TLoginUserInfo::InsertLockMachine(const QString &ipAddress, const QString &computerName) {
    const QString entry = ipAddress + computerName.toUpper();
    if (LockMachines.IndexOf(entry) >= 0)
        return;
    LockMachines.Add(entry);
    LockChanged = true;
}

void TLoginUserInfo::DeleteLockMachine(const QString &ipAddress, const QString &computerName) {
    const int index = LockMachines.IndexOf(ipAddress + computerName.toUpper());
    if (index < 0)
        return;
    LockMachines.Delete(index);
    LockChanged = true;
}

void TLoginUserInfo::ApplyLockMachine() {
    if (!LockChanged)
        return;
    OleCheck(SysSecurityServer->SetLockMachine(FID, LockMachines));
    LockChanged = false;
}

void TLoginUserInfo::GetLockMachine(TStringList &strings) const {
    strings.Assign(LockMachines);
}

void TLoginUserInfo::CloneProfile(TClientDataSet *dataSet) {
    if (dataSet)
        dataSet->CloneCursor(FProfile, false, true);
}

QString TLoginUserInfo::ProfileField(const QString &name) const {
    if (!FProfile->Active())
        return {};
    const TField *field = FProfile->FindField(name);
    return field ? field->AsString() : QString();
}

QString TLoginUserInfo::GetEMail() const {
    return ProfileField(QStringLiteral("EMail"));
}
QString TLoginUserInfo::GetIDType() const {
    return ProfileField(QStringLiteral("AIDType"));
}
QString TLoginUserInfo::GetMainForm() const {
    return ProfileField(QStringLiteral("MainForm"));
}
QString TLoginUserInfo::GetOwnerOrg() const {
    return ProfileField(QStringLiteral("OwnerOrg"));
}
QString TLoginUserInfo::GetOwnerUnit() const {
    return ProfileField(QStringLiteral("OwnerUnit"));
}
TSecurityServer *TLoginUserInfo::GetSecurityServer() const {
    return SysSecurityServer;
}
TJobManageServer *TLoginUserInfo::GetJobManageServer() const {
    return SysJobManageServer;
}

TSecurityServer *SysSecurityServer = nullptr;
TJobManageServer *SysJobManageServer = nullptr;
TLoginUserInfo *CurrentUserInfo = nullptr;

namespace {
// Servers first, then the user who needs them; freed in the opposite order.
struct TLoginLifetime {
    TLoginLifetime() {
        SysSecurityServer = new TSecurityServer;
        SysSecurityServer->SetObjectBroker(SrvJobSecurityBroker);
        SysJobManageServer = new TJobManageServer;
        SysJobManageServer->SetObjectBroker(SrvJobSecurityBroker);
        CurrentUserInfo = new TLoginUserInfo;
        // A lapsed session asks the user for the password again, on the main thread only.
        TSessionTicket::SetSignInAgain([] {
            return CurrentUserInfo && QCoreApplication::instance() &&
                   QThread::currentThread() == QCoreApplication::instance()->thread() &&
                   CurrentUserInfo->SignInAgain();
        });
        // The user logs out while the application ends, when the network still works.
        qAddPostRoutine([] {
            if (!CurrentUserInfo)
                return;
            try {
                CurrentUserInfo->DoLogout();
            } catch (...) {
            }
        });
    }
    ~TLoginLifetime() {
        TSessionTicket::SetSignInAgain({});
        delete CurrentUserInfo;
        CurrentUserInfo = nullptr;
        delete SysJobManageServer;
        SysJobManageServer = nullptr;
        delete SysSecurityServer;
        SysSecurityServer = nullptr;
    }
} gLoginLifetime;
} // namespace
