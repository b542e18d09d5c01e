#pragma once
// "SrvJobSecurity.JobManagerINTF": job groups, their members, managers and jobs, jobs given
// to single users, and agents who act for a user for a while. A user's jobs are those of the
// groups the user belongs to, those given to the user directly, and those of running agencies
// in which the user is the agent. Lists travel as text, one item per line; every change runs
// in one transaction.
//
// It also serves the permissions of the job groups (Permissions.h), to administrators only:
// "xspJobGroups" (every group but the administrators': GroupID, Manager, Unit_ID, UnitName),
// "dspJobPermissions" (a group's permissions, parameter "GroupID": GroupID, ProgID, Descript,
// CanApply 1 to apply or 0 to read only, Changer, ChangeTime; changed by group and object)
// and "dspPermissionCandidates" (the registered objects and families the group has no
// permission for, parameter "GroupID": ProgID, Descript; read-only).

#include "ServerModule.h"

class TJobManagerModule : public TServerModule {
public:
    explicit TJobManagerModule(const TServerContext &context);

private:
    void ReplaceRows(const QString &table, const QString &keyColumn, const QString &key,
                     const QString &listColumn, const QStringList &items);
    void RequireGroup(const QString &groupId);
};
