#pragma once
// The job-security server's type library: version control of client files, accounts and
// logins, and job groups. Each interface has its identifiers, the ProgID clients address, its
// dispatch numbers, a dispatch twin that calls the remote object by those numbers, and the
// creators of its two creatable classes.

#include "OrvSysInterface_TLB.h"

inline const QUuid LIBID_SrvJobSecurity =
    QUuid::fromString(QLatin1String("{D9CB813A-33A6-49E6-952D-430AD53AEC07}"));

inline const QUuid IID_IVersionCtrl =
    QUuid::fromString(QLatin1String("{E97EE564-BF3E-4CF7-A232-4F777F727C1A}"));
inline const QUuid CLASS_VersionCtrlNTF =
    QUuid::fromString(QLatin1String("{0A18B55D-96BF-4E10-9320-4FB035FD7381}"));
inline const QUuid CLASS_VersionCtrl =
    QUuid::fromString(QLatin1String("{26EA8364-CE63-4569-A46F-FD25C91582BF}"));
inline const QString PROGID_VersionCtrlNTF = QStringLiteral("SrvJobSecurity.VersionCtrlNTF");

inline const QUuid IID_ISecurity =
    QUuid::fromString(QLatin1String("{D61BCCFD-CA5B-4E58-A8AC-746E5E6878E3}"));
inline const QUuid CLASS_SecurityINTF =
    QUuid::fromString(QLatin1String("{D0CDE092-9FAE-4CE0-9B29-EC99A0DB41D6}"));
inline const QUuid CLASS_Security =
    QUuid::fromString(QLatin1String("{1684005F-AA2A-405A-81E0-907D19590A36}"));
inline const QString PROGID_SecurityINTF = QStringLiteral("SrvJobSecurity.SecurityINTF");

inline const QUuid IID_IJobManager =
    QUuid::fromString(QLatin1String("{E94FCDC0-221B-456D-A965-F926C6E7C020}"));
inline const QUuid CLASS_JobManagerINTF =
    QUuid::fromString(QLatin1String("{1C10227A-FE07-4784-8034-E251C5EEFC7E}"));
inline const QUuid CLASS_JobManager =
    QUuid::fromString(QLatin1String("{A64264AE-8740-4EE8-8F92-76FF3D211B0B}"));
inline const QString PROGID_JobManagerINTF = QStringLiteral("SrvJobSecurity.JobManagerINTF");

namespace DispIVersionCtrl {
constexpr int GetClientAppFile = 1, GetSystemFile = 2, GetDocFile = 3, UpdateClientAppFile = 4,
              UpdateSystemFile = 5, UpdateDocFile = 6, DeleteClientAppFile = 7,
              DeleteSystemFile = 8, DeleteDocFile = 9, CheckClientAppFile = 10,
              ChangeAppSchedule = 11, ChangeAppState = 12, ChangeAppType = 13, GetAppSchedule = 14,
              SetAppSchedule = 15, SetEventLog = 16, SetClientAppsHelp = 401,
              GetClientAppsHelp = 402;
}

namespace DispISecurity {
constexpr int SetLockMachine = 1, CanPass = 2, ChangePassword = 3, CreateUser = 4, GetUserInfo = 5,
              DeleteUsers = 6, LoginByMachine = 7, SetValidateTime = 8, Login = 10, LogOut = 11,
              GetLockMachine = 12, CreateUserByGroup = 403;
}

namespace DispIJobManager {
constexpr int DeleteJobAgent = 1, UpdateJobGroup = 2, ChangeManager = 3, ChangeGroupJobs = 5,
              ChangeGroupMembers = 6, ChangeMemberGroups = 7, DeleteJobGroups = 8,
              GetGroupJobAndMembers = 9, ChangeUserJobs = 11, UpdateJobAgent = 12,
              DeleteMembers = 13, DeleteJobs = 14, GetUserJobInfo = 15, SetMemberManageGroup = 16,
              ChangeJobGroups = 17;
}

class IVersionCtrlDisp : public IResetDataSetDisp {
public:
    using IResetDataSetDisp::IResetDataSetDisp;
    Variant GetClientAppFile(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::GetClientAppFile, {Variant(fileName)});
    }
    Variant GetSystemFile(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::GetSystemFile, {Variant(fileName)});
    }
    Variant GetDocFile(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::GetDocFile, {Variant(fileName)});
    }
    bool UpdateClientAppFile(const QString &fileName, const QString &version,
                             const QString &descript, const Variant &fileData, int fileSize,
                             int atClient, const QString &appType, const QString &updateMemo,
                             const QString &changer) {
        return FDispatch
            .Call(DispIVersionCtrl::UpdateClientAppFile,
                  {Variant(fileName), Variant(version), Variant(descript), fileData,
                   Variant(fileSize), Variant(atClient), Variant(appType), Variant(updateMemo),
                   Variant(changer)})
            .ToBool();
    }
    bool UpdateSystemFile(const QString &fileName, const QString &version, const QString &descript,
                          const Variant &fileData, int fileSize) {
        return UpdateFile(DispIVersionCtrl::UpdateSystemFile, fileName, version, descript, fileData,
                          fileSize);
    }
    bool UpdateDocFile(const QString &fileName, const QString &version, const QString &descript,
                       const Variant &fileData, int fileSize) {
        return UpdateFile(DispIVersionCtrl::UpdateDocFile, fileName, version, descript, fileData,
                          fileSize);
    }
    bool DeleteClientAppFile(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::DeleteClientAppFile, {Variant(fileName)}).ToBool();
    }
    bool DeleteSystemFile(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::DeleteSystemFile, {Variant(fileName)}).ToBool();
    }
    bool DeleteDocFile(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::DeleteDocFile, {Variant(fileName)}).ToBool();
    }
    bool CheckClientAppFile(const QString &fileName, const QString &version, int fileSize,
                            Variant &fileData) {
        std::vector<Variant> args{Variant(fileName), Variant(version), Variant(fileSize),
                                  Variant()};
        const bool current = FDispatch.Invoke(DispIVersionCtrl::CheckClientAppFile, args).ToBool();
        fileData = args[3];
        return current;
    }
    void ChangeAppSchedule(const QString &fileNameList, int monthNo, int workDayOfMonth) {
        FDispatch.Call(DispIVersionCtrl::ChangeAppSchedule,
                       {Variant(fileNameList), Variant(monthNo), Variant(workDayOfMonth)});
    }
    void ChangeAppState(const QString &fileName, int atClient, const QString &appType) {
        FDispatch.Call(DispIVersionCtrl::ChangeAppState,
                       {Variant(fileName), Variant(atClient), Variant(appType)});
    }
    void ChangeAppType(const QString &fileList) {
        FDispatch.Call(DispIVersionCtrl::ChangeAppType, {Variant(fileList)});
    }
    Variant GetAppSchedule(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::GetAppSchedule, {Variant(fileName)});
    }
    void SetAppSchedule(const QString &fileName, const Variant &scheduleList) {
        FDispatch.Call(DispIVersionCtrl::SetAppSchedule, {Variant(fileName), scheduleList});
    }
    void SetEventLog(const QString &appName, const QString &operation, const QString &oper,
                     const QString &description) {
        FDispatch.Call(DispIVersionCtrl::SetEventLog,
                       {Variant(appName), Variant(operation), Variant(oper), Variant(description)});
    }
    void SetClientAppsHelp(const QString &fileName, const QString &version, const QString &descript,
                           const Variant &fileData, int fileSize) {
        UpdateFile(DispIVersionCtrl::SetClientAppsHelp, fileName, version, descript, fileData,
                   fileSize);
    }
    Variant GetClientAppsHelp(const QString &fileName) {
        return FDispatch.Call(DispIVersionCtrl::GetClientAppsHelp, {Variant(fileName)});
    }

private:
    bool UpdateFile(int dispId, const QString &fileName, const QString &version,
                    const QString &descript, const Variant &fileData, int fileSize) {
        const Variant r = FDispatch.Call(dispId, {Variant(fileName), Variant(version),
                                                  Variant(descript), fileData, Variant(fileSize)});
        return !r.IsEmptyOrNull() && r.ToBool();
    }
};

class ISecurityDisp : public IResetDataSetDisp {
public:
    using IResetDataSetDisp::IResetDataSetDisp;
    Variant CanPass(const QString &id, const QString &password) {
        return FDispatch.Call(DispISecurity::CanPass, {Variant(id), Variant(password)});
    }
    Variant ChangePassword(const QString &id, const QString &oldPassword,
                           const QString &newPassword) {
        return FDispatch.Call(DispISecurity::ChangePassword,
                              {Variant(id), Variant(oldPassword), Variant(newPassword)});
    }
    Variant CreateUser(const QString &id, const QString &password, const QString &chtName,
                       const QString &description, int passwordOfMonths, const QString &changer) {
        return FDispatch.Call(DispISecurity::CreateUser,
                              {Variant(id), Variant(password), Variant(chtName),
                               Variant(description), Variant(passwordOfMonths), Variant(changer)});
    }
    Variant DeleteUsers(const QString &idList, const QString &changer) {
        return FDispatch.Call(DispISecurity::DeleteUsers, {Variant(idList), Variant(changer)});
    }
    Variant SetValidateTime(const QString &id, int numberOfMonths, const QString &changer) {
        return FDispatch.Call(DispISecurity::SetValidateTime,
                              {Variant(id), Variant(numberOfMonths), Variant(changer)});
    }
    void SetLockMachine(const QString &id, const QString &hostNameList) {
        FDispatch.Call(DispISecurity::SetLockMachine, {Variant(id), Variant(hostNameList)});
    }
    bool LoginByMachine(const QString &id, const QString &password, const QString &hostName,
                        Variant &resultMessage) {
        std::vector<Variant> args{Variant(id), Variant(password), Variant(hostName), Variant()};
        const bool ok = FDispatch.Invoke(DispISecurity::LoginByMachine, args).ToBool();
        resultMessage = args[3];
        return ok;
    }
    bool Login(const QString &id, const QString &password, Variant &resultMessage) {
        std::vector<Variant> args{Variant(id), Variant(password), Variant()};
        const bool ok = FDispatch.Invoke(DispISecurity::Login, args).ToBool();
        resultMessage = args[2];
        return ok;
    }
    void LogOut(const QString &id) { FDispatch.Call(DispISecurity::LogOut, {Variant(id)}); }
    Variant GetLockMachine(const QString &id) {
        return FDispatch.Call(DispISecurity::GetLockMachine, {Variant(id)});
    }
    bool GetUserInfo(const QString &id, QString &chtName, QString &description,
                     TDateTime &startDate, TDateTime &endDate, Variant &machine) {
        std::vector<Variant> args{Variant(id), Variant(), Variant(),
                                  Variant(),   Variant(), Variant()};
        const bool ok = FDispatch.Invoke(DispISecurity::GetUserInfo, args).ToBool();
        chtName = VarToStr(args[1]);
        description = VarToStr(args[2]);
        if (!args[3].IsEmptyOrNull())
            startDate = args[3].ToDateTime();
        if (!args[4].IsEmptyOrNull())
            endDate = args[4].ToDateTime();
        machine = args[5];
        return ok;
    }
    bool CreateUserByGroup(const QString &id, const QString &password, const QString &chtName,
                           const QString &description, int passwordOfMonths, const QString &changer,
                           const QString &joinGroups, const QString &defaultForm) {
        return FDispatch
            .Call(DispISecurity::CreateUserByGroup,
                  {Variant(id), Variant(password), Variant(chtName), Variant(description),
                   Variant(passwordOfMonths), Variant(changer), Variant(joinGroups),
                   Variant(defaultForm)})
            .ToBool();
    }
};

class IJobManagerDisp : public IResetDataSetDisp {
public:
    using IResetDataSetDisp::IResetDataSetDisp;
    Variant UpdateJobGroup(const QString &groupId, const QString &manager, const QString &unitId,
                           const QString &changer) {
        return FDispatch.Call(DispIJobManager::UpdateJobGroup, {Variant(groupId), Variant(manager),
                                                                Variant(unitId), Variant(changer)});
    }
    Variant ChangeManager(const QString &oldManager, const QString &newManager,
                          const QString &changer) {
        return FDispatch.Call(DispIJobManager::ChangeManager,
                              {Variant(oldManager), Variant(newManager), Variant(changer)});
    }
    Variant ChangeGroupMembers(const QString &groupId, const QString &memberList,
                               const QString &changer) {
        return FDispatch.Call(DispIJobManager::ChangeGroupMembers,
                              {Variant(groupId), Variant(memberList), Variant(changer)});
    }
    void DeleteJobGroups(const QString &groupList) {
        FDispatch.Call(DispIJobManager::DeleteJobGroups, {Variant(groupList)});
    }
    Variant GetGroupJobAndMembers(const QString &groupId, Variant &memberList, Variant &jobList) {
        std::vector<Variant> args{Variant(groupId), Variant(), Variant()};
        Variant r = FDispatch.Invoke(DispIJobManager::GetGroupJobAndMembers, args);
        memberList = args[1];
        jobList = args[2];
        return r;
    }
    Variant ChangeUserJobs(const QString &id, const QString &groupId, const QString &jobList,
                           const QString &changer) {
        return FDispatch.Call(DispIJobManager::ChangeUserJobs,
                              {Variant(id), Variant(groupId), Variant(jobList), Variant(changer)});
    }
    Variant UpdateJobAgent(const QString &id, const QString &agent, const QString &groupId,
                           const QString &jobList, TDateTime startDate, TDateTime endDate,
                           const QString &cause) {
        return FDispatch.Call(DispIJobManager::UpdateJobAgent,
                              {Variant(id), Variant(agent), Variant(groupId), Variant(jobList),
                               Variant(startDate), Variant(endDate), Variant(cause)});
    }
    void DeleteMembers(const QString &idList) {
        FDispatch.Call(DispIJobManager::DeleteMembers, {Variant(idList)});
    }
    void DeleteJobs(const QString &jobList) {
        FDispatch.Call(DispIJobManager::DeleteJobs, {Variant(jobList)});
    }
    Variant GetUserJobInfo(const QString &id, Variant &groupList, Variant &jobList,
                           Variant &admGroupList) {
        std::vector<Variant> args{Variant(id), Variant(), Variant(), Variant()};
        Variant r = FDispatch.Invoke(DispIJobManager::GetUserJobInfo, args);
        groupList = args[1];
        jobList = args[2];
        admGroupList = args[3];
        return r;
    }
    void DeleteJobAgent(const QString &id, const QString &agent, const QString &groupId,
                        const QString &jobList) {
        FDispatch.Call(DispIJobManager::DeleteJobAgent,
                       {Variant(id), Variant(agent), Variant(groupId), Variant(jobList)});
    }
    Variant ChangeGroupJobs(const QString &groupId, const QString &jobList,
                            const QString &changer) {
        return FDispatch.Call(DispIJobManager::ChangeGroupJobs,
                              {Variant(groupId), Variant(jobList), Variant(changer)});
    }
    Variant ChangeMemberGroups(const QString &id, const QString &groupList,
                               const QString &changer) {
        return FDispatch.Call(DispIJobManager::ChangeMemberGroups,
                              {Variant(id), Variant(groupList), Variant(changer)});
    }
    Variant SetMemberManageGroup(const QString &id, const QString &groupList,
                                 const QString &changer) {
        return FDispatch.Call(DispIJobManager::SetMemberManageGroup,
                              {Variant(id), Variant(groupList), Variant(changer)});
    }
    Variant ChangeJobGroups(const QString &jobId, const QString &groupList,
                            const QString &changer) {
        return FDispatch.Call(DispIJobManager::ChangeJobGroups,
                              {Variant(jobId), Variant(groupList), Variant(changer)});
    }
};

// Creators of the creatable classes: per interface the class clients address by
// ProgID and the data-module class. Create reaches the class on this computer, CreateRemote on
// the named one; both through a socket connection of their own to the interface's ProgID.
using CoVersionCtrlNTF = TCoClass<IVersionCtrlDisp, CLASS_VersionCtrlNTF, PROGID_VersionCtrlNTF>;
using CoVersionCtrl = TCoClass<IVersionCtrlDisp, CLASS_VersionCtrl, PROGID_VersionCtrlNTF>;
using CoSecurityINTF = TCoClass<ISecurityDisp, CLASS_SecurityINTF, PROGID_SecurityINTF>;
using CoSecurity = TCoClass<ISecurityDisp, CLASS_Security, PROGID_SecurityINTF>;
using CoJobManagerINTF = TCoClass<IJobManagerDisp, CLASS_JobManagerINTF, PROGID_JobManagerINTF>;
using CoJobManager = TCoClass<IJobManagerDisp, CLASS_JobManager, PROGID_JobManagerINTF>;
