#pragma once
// Front ends of the job-security application server. Each is a socket connection to one
// remote object (by ProgID) with a typed wrapper per remote method. With AutoDisconnect a
// wrapper connects for its call and disconnects after it; a caller that makes several calls
// connects once itself. Wrappers answer with a status instead of raising: callers turn a
// failed status into an error with OleCheck.

#include "SocketConnection.h"
#include "SrvJobSecurity_TLB.h"

#include <functional>

class QIODevice;
class TRADObjectBroker;
class TStringList;

// The status of a call on a server object.
using HRESULT = qint32;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
inline bool Succeeded(HRESULT status) {
    return status >= 0;
}

class EOleSysError : public Exception {
public:
    EOleSysError(const QString &message, HRESULT errorCode)
        : Exception(message), FErrorCode(errorCode) {}
    HRESULT ErrorCode() const { return FErrorCode; }

private:
    HRESULT FErrorCode;
};

// Raises EOleSysError for a failed status.
void OleCheck(HRESULT status);

// The broker of every job-security front end: hosts of "SrvJobSecurity".
extern TRADObjectBroker *SrvJobSecurityBroker;

// The connection that every server front end shares.
class TRadServerConnection : public TSocketConnection {
    Q_OBJECT
public:
    explicit TRadServerConnection(QObject *owner = nullptr);
    bool AutoDisconnect() const { return FAutoDisconnect; }
    void SetAutoDisconnect(bool value) { FAutoDisconnect = value; }
    // The remote object as a late-bound dispatcher (connects when needed).
    TRemoteDispatch GetDispatcher() { return AppServer(); }
    // Asks the server to reload the data behind a provider.
    HRESULT RefreshDataSet(const QString &providerName);
    // The server's or the link's text for the last failed call (empty after a success).
    const QString &LastErrorText() const { return FLastErrorText; }

protected:
    // Clears the failure marks of a RAD broker first (unless switched off), so that the next
    // connect tries every known host again.
    void DoDisconnect() override;
    void SetResetBrokerOnDisconnect(bool value) { FResetBrokerOnDisconnect = value; }
    // The call pattern of every wrapper: connect, call, disconnect when AutoDisconnect and
    // the wrapper opened the connection itself (a caller holding it open keeps it); a failure
    // becomes E_FAIL.
    HRESULT CallServer(const std::function<void(TRemoteDispatch &)> &call);
    // The same for calls that raise their errors.
    void CallServerOrRaise(const std::function<void(TRemoteDispatch &)> &call);

private:
    void DisconnectIfAuto(bool openedHere);
    bool FAutoDisconnect = true;
    bool FResetBrokerOnDisconnect = true;
    QString FLastErrorText;
};

class TVersionServer : public TRadServerConnection {
    Q_OBJECT
public:
    explicit TVersionServer(QObject *owner = nullptr);

    HRESULT GetClientAppFile(const QString &fileName, Variant &fileData);
    HRESULT GetSystemFile(const QString &fileName, Variant &fileData);
    HRESULT GetDocFile(const QString &fileName, Variant &fileData);
    HRESULT UpdateClientAppFile(const QString &fileName, const QString &version,
                                const QString &descript, const Variant &fileData, int fileSize,
                                int atClient, const QString &appType, const QString &updateMemo,
                                const QString &changer, bool &result);
    HRESULT UpdateSystemFile(const QString &fileName, const QString &version,
                             const QString &descript, const Variant &fileData, int fileSize,
                             bool &result);
    HRESULT UpdateDocFile(const QString &fileName, const QString &version, const QString &descript,
                          const Variant &fileData, int fileSize, bool &result);
    HRESULT DeleteClientAppFile(const QString &fileName, bool &result);
    HRESULT DeleteSystemFile(const QString &fileName, bool &result);
    HRESULT DeleteDocFile(const QString &fileName, bool &result);
    HRESULT CheckClientAppFile(const QString &fileName, const QString &version, int fileSize,
                               Variant &fileData, bool &result);
    // Months count from 1 to 12.
    HRESULT ChangeAppSchedule(const TStringList &fileNameList, int monthNo, int workDayOfMonth);
    HRESULT ChangeAppState(const QString &fileName, int atClient, const QString &appType);
    HRESULT ChangeAppType(const QString &fileList);
    HRESULT GetAppSchedule(const QString &fileName, Variant &scheduleList);
    HRESULT SetAppSchedule(const QString &fileName, const Variant &scheduleList);
    HRESULT SetEventLog(const QString &appName, const QString &operation, const QString &oper,
                        const QString &description);
    // These two raise their errors. The help document is written into the stream, which is
    // then positioned at its start; nothing is written when there is none.
    void GetClientAppsHelp(const QString &fileName, QIODevice &stream);
    void SetClientAppsHelp(const QString &fileName, const QString &version, const QString &descript,
                           QIODevice &stream);
};

class TSecurityServer : public TRadServerConnection {
    Q_OBJECT
public:
    explicit TSecurityServer(QObject *owner = nullptr);

    HRESULT CanPass(const QString &id, const QString &password, bool &result);
    HRESULT ChangePassword(const QString &id, const QString &oldPassword,
                           const QString &newPassword, bool &result);
    HRESULT CreateUser(const QString &id, const QString &password, const QString &chtName,
                       const QString &description, int passwordOfMonths, const QString &changer,
                       bool &result);
    HRESULT DeleteUsers(const TStringList &ids, const QString &changer);
    HRESULT SetValidateTime(const QString &id, int numberOfMonths, const QString &changer,
                            bool &result);
    HRESULT SetLockMachine(const QString &id, const TStringList &hostNameList);
    HRESULT LoginByMachine(const QString &id, const QString &password, const QString &hostName,
                           QString &message, bool &result);
    HRESULT Login(const QString &id, const QString &password, QString &message, bool &result);
    HRESULT LogOut(const QString &id);
    // Nothing is called when no list is given.
    HRESULT GetLockMachine(const QString &id, TStringList *hostNameList);
    // Name and description are cleared first and filled, with the bound computers, only when
    // the server answers true.
    HRESULT GetUserInfo(const QString &id, QString &chtName, QString &description,
                        TDateTime &startDate, TDateTime &endDate, TStringList *machine,
                        bool &result);
    HRESULT CreateUserByGroup(const QString &id, const QString &password, const QString &chtName,
                              const QString &description, int passwordOfMonths,
                              const QString &changer, const TStringList &joinGroups,
                              const QString &defaultForm, bool &result);
};

class TJobManageServer : public TRadServerConnection {
    Q_OBJECT
public:
    explicit TJobManageServer(QObject *owner = nullptr);

    HRESULT UpdateJobGroup(const QString &groupId, const QString &manager, const QString &unitId,
                           const QString &changer, Variant &result);
    HRESULT ChangeManager(const QString &oldManager, const QString &newManager,
                          const QString &changer, Variant &result);
    HRESULT ChangeGroupMembers(const QString &groupId, const QString &memberList,
                               const QString &changer, Variant &result);
    HRESULT DeleteJobGroups(const QString &groupList);
    HRESULT GetGroupJobAndMembers(const QString &groupId, Variant &memberList, Variant &jobList,
                                  Variant &result);
    HRESULT ChangeUserJobs(const QString &id, const QString &groupId, const QString &jobList,
                           const QString &changer, Variant &result);
    HRESULT UpdateJobAgent(const QString &id, const QString &agent, const QString &groupId,
                           const QString &jobList, TDateTime startDate, TDateTime endDate,
                           const QString &cause, Variant &result);
    HRESULT DeleteMembers(const QString &idList);
    HRESULT DeleteJobs(const QString &jobList);
    HRESULT GetUserJobInfo(const QString &id, Variant &groupList, Variant &jobList,
                           Variant &admGroupList, Variant &result);
    HRESULT DeleteJobAgent(const QString &id, const QString &agent, const QString &groupId,
                           const QString &jobList);
    HRESULT ChangeGroupJobs(const QString &groupId, const QString &jobList, const QString &changer,
                            Variant &result);
    HRESULT ChangeMemberGroups(const QString &id, const QString &groupList, const QString &changer,
                               Variant &result);
    HRESULT SetMemberManageGroup(const QString &id, const QString &groupList,
                                 const QString &changer, Variant &result);
    HRESULT ChangeJobGroups(const QString &jobId, const QString &groupList, const QString &changer,
                            Variant &result);
};
