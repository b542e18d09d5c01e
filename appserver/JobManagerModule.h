#pragma once
// "SrvJobSecurity.JobManagerINTF": job groups, their members, managers and jobs, jobs given
// to single users, and agents who act for a user for a while. A user's jobs are those of the
// groups the user belongs to, those given to the user directly, and those of running agencies
// in which the user is the agent. Lists travel as text, one item per line; every change runs
// in one transaction.

#include "ServerModule.h"

class TJobManagerModule : public TServerModule {
public:
    explicit TJobManagerModule(const TServerContext &context);

private:
    void ReplaceRows(const QString &table, const QString &keyColumn, const QString &key,
                     const QString &listColumn, const QStringList &items);
    void RequireGroup(const QString &groupId);
};
