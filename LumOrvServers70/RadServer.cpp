#include "RadServer.h"

#include "StringList.h"
#include "uObjServers.h"

#include <QIODevice>

void OleCheck(HRESULT status) {
    if (!Succeeded(status))
        throw EOleSysError(QStringLiteral("Unspecified error"), status);
}

TRADObjectBroker *SrvJobSecurityBroker = nullptr;

namespace {
// The job-security broker lives as long as the library.
struct TSrvJobSecurityBrokerLifetime {
    TSrvJobSecurityBrokerLifetime() {
        // Its hosts are read from the location table at the first connect.
        SrvJobSecurityBroker = new TRADObjectBroker(nullptr, QStringLiteral("SrvJobSecurity"));
        SrvJobSecurityBroker->SetName(QStringLiteral("SrvJobSecurityBroker"));
    }
    ~TSrvJobSecurityBrokerLifetime() {
        delete SrvJobSecurityBroker;
        SrvJobSecurityBroker = nullptr;
    }
} gSrvJobSecurityBrokerLifetime;
} // namespace

// --- TRadServerConnection -----------------------------------------------------------------

TRadServerConnection::TRadServerConnection(QObject *owner) : TSocketConnection(owner) {}

void TRadServerConnection::DoDisconnect() {
    if (auto *broker = qobject_cast<TRADObjectBroker *>(ObjectBroker());
        broker && FResetBrokerOnDisconnect)
        broker->ResetFailed();
    TSocketConnection::DoDisconnect();
}

void TRadServerConnection::DisconnectIfAuto(bool openedHere) {
    // A connection the caller opened before the call stays open for the caller's next calls.
    if (!FAutoDisconnect || !openedHere)
        return;
    try {
        SetConnected(false);
    } catch (...) {
    }
}

HRESULT TRadServerConnection::CallServer(const std::function<void(TRemoteDispatch &)> &call) {
    try {
        CallServerOrRaise(call);
        return S_OK;
    } catch (const Exception &e) {
        FLastErrorText = e.Message();
    } catch (const std::exception &e) {
        FLastErrorText = QString::fromLocal8Bit(e.what());
    }
    return E_FAIL;
}

void TRadServerConnection::CallServerOrRaise(const std::function<void(TRemoteDispatch &)> &call) {
    FLastErrorText.clear();
    const bool openedHere = !Connected();
    try {
        SetConnected(true);
        TRemoteDispatch dispatch = GetDispatcher();
        call(dispatch);
    } catch (...) {
        DisconnectIfAuto(openedHere);
        throw;
    }
    DisconnectIfAuto(openedHere);
}

HRESULT TRadServerConnection::RefreshDataSet(const QString &providerName) {
    return CallServer(
        [&](TRemoteDispatch &d) { IResetDataSetDisp(d).RefreshDataSet(providerName); });
}

// --- TVersionServer -----------------------------------------------------------------------

TVersionServer::TVersionServer(QObject *owner) : TRadServerConnection(owner) {
    SetServerName(PROGID_VersionCtrlNTF);
}

HRESULT TVersionServer::GetClientAppFile(const QString &fileName, Variant &fileData) {
    return CallServer(
        [&](TRemoteDispatch &d) { fileData = IVersionCtrlDisp(d).GetClientAppFile(fileName); });
}

HRESULT TVersionServer::GetSystemFile(const QString &fileName, Variant &fileData) {
    return CallServer(
        [&](TRemoteDispatch &d) { fileData = IVersionCtrlDisp(d).GetSystemFile(fileName); });
}

HRESULT TVersionServer::GetDocFile(const QString &fileName, Variant &fileData) {
    return CallServer(
        [&](TRemoteDispatch &d) { fileData = IVersionCtrlDisp(d).GetDocFile(fileName); });
}

HRESULT TVersionServer::UpdateClientAppFile(const QString &fileName, const QString &version,
                                            const QString &descript, const Variant &fileData,
                                            int fileSize, int atClient, const QString &appType,
                                            const QString &updateMemo, const QString &changer,
                                            bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result =
            IVersionCtrlDisp(d).UpdateClientAppFile(fileName, version, descript, fileData, fileSize,
                                                    atClient, appType, updateMemo, changer);
    });
}

HRESULT TVersionServer::UpdateSystemFile(const QString &fileName, const QString &version,
                                         const QString &descript, const Variant &fileData,
                                         int fileSize, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result =
            IVersionCtrlDisp(d).UpdateSystemFile(fileName, version, descript, fileData, fileSize);
    });
}

HRESULT TVersionServer::UpdateDocFile(const QString &fileName, const QString &version,
                                      const QString &descript, const Variant &fileData,
                                      int fileSize, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IVersionCtrlDisp(d).UpdateDocFile(fileName, version, descript, fileData, fileSize);
    });
}

HRESULT TVersionServer::DeleteClientAppFile(const QString &fileName, bool &result) {
    return CallServer(
        [&](TRemoteDispatch &d) { result = IVersionCtrlDisp(d).DeleteClientAppFile(fileName); });
}

HRESULT TVersionServer::DeleteSystemFile(const QString &fileName, bool &result) {
    return CallServer(
        [&](TRemoteDispatch &d) { result = IVersionCtrlDisp(d).DeleteSystemFile(fileName); });
}

HRESULT TVersionServer::DeleteDocFile(const QString &fileName, bool &result) {
    return CallServer(
        [&](TRemoteDispatch &d) { result = IVersionCtrlDisp(d).DeleteDocFile(fileName); });
}

HRESULT TVersionServer::CheckClientAppFile(const QString &fileName, const QString &version,
                                           int fileSize, Variant &fileData, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IVersionCtrlDisp(d).CheckClientAppFile(fileName, version, fileSize, fileData);
    });
}

HRESULT TVersionServer::ChangeAppSchedule(const TStringList &fileNameList, int monthNo,
                                          int workDayOfMonth) {
    if (monthNo < 1 || monthNo > 12) {
        return CallServer(
            [](TRemoteDispatch &) { throw Exception(QStringLiteral("Invalid Month No")); });
    }
    return CallServer([&](TRemoteDispatch &d) {
        IVersionCtrlDisp(d).ChangeAppSchedule(fileNameList.Text(), monthNo, workDayOfMonth);
    });
}

HRESULT TVersionServer::ChangeAppState(const QString &fileName, int atClient,
                                       const QString &appType) {
    return CallServer([&](TRemoteDispatch &d) {
        IVersionCtrlDisp(d).ChangeAppState(fileName, atClient, appType);
    });
}

HRESULT TVersionServer::ChangeAppType(const QString &fileList) {
    return CallServer([&](TRemoteDispatch &d) { IVersionCtrlDisp(d).ChangeAppType(fileList); });
}

HRESULT TVersionServer::GetAppSchedule(const QString &fileName, Variant &scheduleList) {
    return CallServer(
        [&](TRemoteDispatch &d) { scheduleList = IVersionCtrlDisp(d).GetAppSchedule(fileName); });
}

HRESULT TVersionServer::SetAppSchedule(const QString &fileName, const Variant &scheduleList) {
    return CallServer(
        [&](TRemoteDispatch &d) { IVersionCtrlDisp(d).SetAppSchedule(fileName, scheduleList); });
}

HRESULT TVersionServer::SetEventLog(const QString &appName, const QString &operation,
                                    const QString &oper, const QString &description) {
    return CallServer([&](TRemoteDispatch &d) {
        IVersionCtrlDisp(d).SetEventLog(appName, operation, oper, description);
    });
}

void TVersionServer::GetClientAppsHelp(const QString &fileName, QIODevice &stream) {
    CallServerOrRaise([&](TRemoteDispatch &d) {
        const Variant help = IVersionCtrlDisp(d).GetClientAppsHelp(fileName);
        if (help.IsEmptyOrNull())
            return;
        const QByteArray bytes = help.ToBytes();
        if (stream.write(bytes) != bytes.size())
            throw Exception(QStringLiteral("Stream write error"));
        stream.seek(0);
    });
}

void TVersionServer::SetClientAppsHelp(const QString &fileName, const QString &version,
                                       const QString &descript, QIODevice &stream) {
    stream.seek(0);
    const QByteArray bytes = stream.readAll();
    CallServerOrRaise([&](TRemoteDispatch &d) {
        IVersionCtrlDisp(d).SetClientAppsHelp(fileName, version, descript, Variant(bytes),
                                              int(bytes.size()));
    });
}

// --- TSecurityServer ----------------------------------------------------------------------

TSecurityServer::TSecurityServer(QObject *owner) : TRadServerConnection(owner) {
    SetServerName(PROGID_SecurityINTF);
}

HRESULT TSecurityServer::CanPass(const QString &id, const QString &password, bool &result) {
    return CallServer(
        [&](TRemoteDispatch &d) { result = ISecurityDisp(d).CanPass(id, password).ToBool(); });
}

HRESULT TSecurityServer::ChangePassword(const QString &id, const QString &oldPassword,
                                        const QString &newPassword, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = ISecurityDisp(d).ChangePassword(id, oldPassword, newPassword).ToBool();
    });
}

HRESULT TSecurityServer::CreateUser(const QString &id, const QString &password,
                                    const QString &chtName, const QString &description,
                                    int passwordOfMonths, const QString &changer, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = ISecurityDisp(d)
                     .CreateUser(id, password, chtName, description, passwordOfMonths, changer)
                     .ToBool();
    });
}

HRESULT TSecurityServer::DeleteUsers(const TStringList &ids, const QString &changer) {
    return CallServer(
        [&](TRemoteDispatch &d) { ISecurityDisp(d).DeleteUsers(ids.Text(), changer); });
}

HRESULT TSecurityServer::SetValidateTime(const QString &id, int numberOfMonths,
                                         const QString &changer, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = ISecurityDisp(d).SetValidateTime(id, numberOfMonths, changer).ToBool();
    });
}

HRESULT TSecurityServer::SetLockMachine(const QString &id, const TStringList &hostNameList) {
    return CallServer(
        [&](TRemoteDispatch &d) { ISecurityDisp(d).SetLockMachine(id, hostNameList.Text()); });
}

HRESULT TSecurityServer::LoginByMachine(const QString &id, const QString &password,
                                        const QString &hostName, QString &message, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        Variant resultMessage;
        result = ISecurityDisp(d).LoginByMachine(id, password, hostName, resultMessage);
        message = VarToStr(resultMessage);
    });
}

HRESULT TSecurityServer::Login(const QString &id, const QString &password, QString &message,
                               bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        Variant resultMessage;
        result = ISecurityDisp(d).Login(id, password, resultMessage);
        message = VarToStr(resultMessage);
    });
}

HRESULT TSecurityServer::LogOut(const QString &id) {
    return CallServer([&](TRemoteDispatch &d) { ISecurityDisp(d).LogOut(id); });
}

HRESULT TSecurityServer::GetLockMachine(const QString &id, TStringList *hostNameList) {
    if (!hostNameList)
        return S_OK;
    return CallServer([&](TRemoteDispatch &d) {
        hostNameList->SetText(VarToStr(ISecurityDisp(d).GetLockMachine(id)));
    });
}

HRESULT TSecurityServer::GetUserInfo(const QString &id, QString &chtName, QString &description,
                                     TDateTime &startDate, TDateTime &endDate, TStringList *machine,
                                     bool &result) {
    chtName.clear();
    description.clear();
    return CallServer([&](TRemoteDispatch &d) {
        QString name, text;
        Variant machines;
        result = ISecurityDisp(d).GetUserInfo(id, name, text, startDate, endDate, machines);
        if (!result)
            return;
        chtName = name;
        description = text;
        if (machine)
            machine->SetText(VarToStr(machines));
    });
}

HRESULT TSecurityServer::CreateUserByGroup(const QString &id, const QString &password,
                                           const QString &chtName, const QString &description,
                                           int passwordOfMonths, const QString &changer,
                                           const TStringList &joinGroups,
                                           const QString &defaultForm, bool &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result =
            ISecurityDisp(d).CreateUserByGroup(id, password, chtName, description, passwordOfMonths,
                                               changer, joinGroups.Text(), defaultForm);
    });
}

// --- TJobManageServer ---------------------------------------------------------------------

TJobManageServer::TJobManageServer(QObject *owner) : TRadServerConnection(owner) {
    SetServerName(PROGID_JobManagerINTF);
}

HRESULT TJobManageServer::UpdateJobGroup(const QString &groupId, const QString &manager,
                                         const QString &unitId, const QString &changer,
                                         Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).UpdateJobGroup(groupId, manager, unitId, changer);
    });
}

HRESULT TJobManageServer::ChangeManager(const QString &oldManager, const QString &newManager,
                                        const QString &changer, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).ChangeManager(oldManager, newManager, changer);
    });
}

HRESULT TJobManageServer::ChangeGroupMembers(const QString &groupId, const QString &memberList,
                                             const QString &changer, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).ChangeGroupMembers(groupId, memberList, changer);
    });
}

HRESULT TJobManageServer::DeleteJobGroups(const QString &groupList) {
    return CallServer([&](TRemoteDispatch &d) { IJobManagerDisp(d).DeleteJobGroups(groupList); });
}

HRESULT TJobManageServer::GetGroupJobAndMembers(const QString &groupId, Variant &memberList,
                                                Variant &jobList, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).GetGroupJobAndMembers(groupId, memberList, jobList);
    });
}

HRESULT TJobManageServer::ChangeUserJobs(const QString &id, const QString &groupId,
                                         const QString &jobList, const QString &changer,
                                         Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).ChangeUserJobs(id, groupId, jobList, changer);
    });
}

HRESULT TJobManageServer::UpdateJobAgent(const QString &id, const QString &agent,
                                         const QString &groupId, const QString &jobList,
                                         TDateTime startDate, TDateTime endDate,
                                         const QString &cause, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).UpdateJobAgent(id, agent, groupId, jobList, startDate, endDate,
                                                   cause);
    });
}

HRESULT TJobManageServer::DeleteMembers(const QString &idList) {
    return CallServer([&](TRemoteDispatch &d) { IJobManagerDisp(d).DeleteMembers(idList); });
}

HRESULT TJobManageServer::DeleteJobs(const QString &jobList) {
    return CallServer([&](TRemoteDispatch &d) { IJobManagerDisp(d).DeleteJobs(jobList); });
}

HRESULT TJobManageServer::GetUserJobInfo(const QString &id, Variant &groupList, Variant &jobList,
                                         Variant &admGroupList, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).GetUserJobInfo(id, groupList, jobList, admGroupList);
    });
}

HRESULT TJobManageServer::DeleteJobAgent(const QString &id, const QString &agent,
                                         const QString &groupId, const QString &jobList) {
    return CallServer([&](TRemoteDispatch &d) {
        IJobManagerDisp(d).DeleteJobAgent(id, agent, groupId, jobList);
    });
}

HRESULT TJobManageServer::ChangeGroupJobs(const QString &groupId, const QString &jobList,
                                          const QString &changer, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).ChangeGroupJobs(groupId, jobList, changer);
    });
}

HRESULT TJobManageServer::ChangeMemberGroups(const QString &id, const QString &groupList,
                                             const QString &changer, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).ChangeMemberGroups(id, groupList, changer);
    });
}

HRESULT TJobManageServer::SetMemberManageGroup(const QString &id, const QString &groupList,
                                               const QString &changer, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).SetMemberManageGroup(id, groupList, changer);
    });
}

HRESULT TJobManageServer::ChangeJobGroups(const QString &jobId, const QString &groupList,
                                          const QString &changer, Variant &result) {
    return CallServer([&](TRemoteDispatch &d) {
        result = IJobManagerDisp(d).ChangeJobGroups(jobId, groupList, changer);
    });
}
