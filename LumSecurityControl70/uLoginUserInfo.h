#pragma once
// Who is logged in: the account, its details from the security server, its job groups and
// jobs, its profile record, and the computers it is bound to. One instance serves the
// process (CurrentUserInfo).

#include "ClientDataSet.h"
#include "Component.h"
#include "DateTime.h"
#include "StringList.h"
#include "Variant.h"

#include <QFlags>
#include <functional>

class TSecurityServer;
class TJobManageServer;

class ESecurity : public Exception {
public:
    using Exception::Exception;
};

enum TLoginStyleItem { lsIPAddress = 0x1, lsComputerName = 0x2, lsLoginPrompt = 0x4 };
Q_DECLARE_FLAGS(TLoginStyle, TLoginStyleItem)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLoginStyle)

class TLoginUserInfo : public TComponent {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TLoginUserInfo *)>;

    explicit TLoginUserInfo(QObject *owner = nullptr);
    // Logs out; errors on the way are ignored.
    ~TLoginUserInfo() override;

    TLoginStyle LoginStyle() const { return FLoginStyle; }
    void SetLoginStyle(TLoginStyle style) { FLoginStyle = style; }
    int RepeatCount() const { return FRepeatCount; }
    void SetRepeatCount(int count) { FRepeatCount = count; }
    const QString &ID() const { return FID; }
    // Another account clears the loaded details.
    void SetID(const QString &id);
    // The stored password reads back as one "*" per character.
    QString Password() const { return QString(FPassword.size(), u'*'); }
    void SetPassword(const QString &password) { FPassword = password; }
    bool LoginChecked() const { return FLoginChecked; }
    // True logs in (DoLogin), false logs out and clears; nothing when unchanged.
    void SetLoginChecked(bool value);
    TNotifyEvent BeforeLogin, AfterLogin;

    QString Cht_Name, Description;
    TDateTime StartDate, EndDate;
    TStringList LockMachines;
    bool LockChanged = false;
    Variant GroupList, JobList, AdmGroupList;
    TDateTime LoginTime;
    TClientDataSet *Profile() const { return FProfile; }

    virtual void DoLogout();
    virtual void DoLogin();
    virtual void Clear();
    virtual void GetUserInfo();
    // After the server refused a call because the session lapsed: tells the user, shows the
    // login dialog for the same account again (at most RepeatCount attempts) and signs in.
    // True when signed in again; the details stay as they were. Nothing without a login
    // prompt in LoginStyle or before the first login.
    bool SignInAgain();

    // Raises ESecurity when the new password breaks a rule or the server refuses it.
    void ChangePassword(const QString &newPassword);
    // Raises ESecurity "帳號或密碼未設定" when account or password is empty.
    void CheckFound() const;
    void InsertLockMachine(const QString &ipAddress, const QString &computerName);
    void DeleteLockMachine(const QString &ipAddress, const QString &computerName);
    void ApplyLockMachine();
    void GetLockMachine(TStringList &strings) const;
    // A clone of the profile's cursor with its own filter and index.
    void CloneProfile(TClientDataSet *dataSet);
    QString GetEMail() const;
    QString GetIDType() const;
    QString GetMainForm() const;
    QString GetOwnerOrg() const;
    QString GetOwnerUnit() const;
    TSecurityServer *GetSecurityServer() const;
    TJobManageServer *GetJobManageServer() const;

private:
    void LoginAttempt(const QString &machine);
    QString ProfileField(const QString &name) const;

    TLoginStyle FLoginStyle = TLoginStyle(lsIPAddress) | lsLoginPrompt;
    int FRepeatCount = 3;
    QString FID;
    QString FPassword;
    bool FLoginChecked = false;
    TClientDataSet *FProfile;
};

// The process-wide front ends of the security and job-management servers (bound to
// SrvJobSecurityBroker) and the logged-in user.
extern TSecurityServer *SysSecurityServer;
extern TJobManageServer *SysJobManageServer;
extern TLoginUserInfo *CurrentUserInfo;
