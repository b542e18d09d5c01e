#include "JobManagerModule.h"

#include "RemoteProtocol.h"

void TJobManagerModule::ReplaceRows(const QString &table, const QString &keyColumn,
                                    const QString &key, const QString &listColumn,
                                    const QStringList &items) {
    Db().Exec(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(table, keyColumn), {key});
    QStringList seen;
    for (const QString &item : items) {
        if (seen.contains(item))
            continue;
        seen << item;
        Db().Exec(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?, ?)")
                      .arg(table, keyColumn, listColumn),
                  {key, item});
    }
}

void TJobManagerModule::RequireGroup(const QString &groupId) {
    if (!Db().Scalar(QStringLiteral("SELECT 1 FROM JobGroups WHERE GroupID = ?"), {groupId})
             .isValid())
        throw EServerError(QStringLiteral("Job group %1 does not exist").arg(groupId));
}

TJobManagerModule::TJobManagerModule(const TServerContext &context) : TServerModule(context, {}) {
    Method(2, "UpdateJobGroup", 4, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            if (c.Str(0).isEmpty())
                throw EServerError(QStringLiteral("A job group needs an ID"));
            if (Db().Scalar(QStringLiteral("SELECT 1 FROM JobGroups WHERE GroupID = ?"), {c.Str(0)})
                    .isValid())
                Db().Exec(
                    QStringLiteral("UPDATE JobGroups SET Manager = ?, Unit_ID = ?, Changer = ?, "
                                   "ChangeTime = ? WHERE GroupID = ?"),
                    {c.Str(1), c.Str(2), c.Str(3), NowText(), c.Str(0)});
            else
                Db().Exec(
                    QStringLiteral("INSERT INTO JobGroups (GroupID, Manager, Unit_ID, Changer, "
                                   "ChangeTime) VALUES (?, ?, ?, ?, ?)"),
                    {c.Str(0), c.Str(1), c.Str(2), c.Str(3), NowText()});
        });
        return Variant(true);
    });
    Method(3, "ChangeManager", 3, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            Db().Exec(
                QStringLiteral("UPDATE JobGroups SET Manager = ?, Changer = ?, ChangeTime = ? "
                               "WHERE Manager = ?"),
                {c.Str(1), c.Str(2), NowText(), c.Str(0)});
        });
        return Variant(true);
    });
    Method(6, "ChangeGroupMembers", 3, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            RequireGroup(c.Str(0));
            ReplaceRows("GroupMembers", "GroupID", c.Str(0), "ID", Lines(c.Str(1)));
        });
        return Variant(true);
    });
    Method(8, "DeleteJobGroups", 1, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            for (const QString &group : Lines(c.Str(0)))
                for (const char *table : {"GroupMembers", "GroupJobs", "UserJobs", "GroupAdmins",
                                          "JobAgents", "JobGroups"})
                    Db().Exec(QStringLiteral("DELETE FROM %1 WHERE GroupID = ?")
                                  .arg(QLatin1String(table)),
                              {group});
        });
        return Variant();
    });
    Method(9, "GetGroupJobAndMembers", 3, {1, 2}, [this](TRemoteCall &c) {
        const bool found =
            Db().Scalar(QStringLiteral("SELECT 1 FROM JobGroups WHERE GroupID = ?"), {c.Str(0)})
                .isValid();
        c.Out(1) = Variant(
            Text(Column(QStringLiteral("SELECT ID FROM GroupMembers WHERE GroupID = ? ORDER BY ID"),
                        {c.Str(0)})));
        c.Out(2) = Variant(Text(
            Column(QStringLiteral("SELECT JobID FROM GroupJobs WHERE GroupID = ? ORDER BY JobID"),
                   {c.Str(0)})));
        return Variant(found);
    });
    Method(11, "ChangeUserJobs", 4, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            RequireGroup(c.Str(1));
            Db().Exec(QStringLiteral("DELETE FROM UserJobs WHERE ID = ? AND GroupID = ?"),
                      {c.Str(0), c.Str(1)});
            for (const QString &job : Lines(c.Str(2)))
                Db().Exec(
                    QStringLiteral("INSERT INTO UserJobs (ID, GroupID, JobID) VALUES (?, ?, ?)"),
                    {c.Str(0), c.Str(1), job});
        });
        return Variant(true);
    });
    Method(12, "UpdateJobAgent", 7, {}, [this](TRemoteCall &c) {
        const TDateTime start = c[4].IsEmptyOrNull() ? Date() : c[4].ToDateTime();
        const TDateTime end =
            c[5].IsEmptyOrNull() ? TDateTime::EncodeDate(9999, 1, 1) : c[5].ToDateTime();
        if (end < start)
            throw EServerError(QStringLiteral("An agency cannot end before it starts"));
        Db().Transaction([&] {
            RequireGroup(c.Str(2));
            for (const QString &job : Lines(c.Str(3))) {
                Db().Exec(QStringLiteral("DELETE FROM JobAgents WHERE ID = ? AND Agent = ? AND "
                                         "GroupID = ? AND JobID = ?"),
                          {c.Str(0), c.Str(1), c.Str(2), job});
                Db().Exec(
                    QStringLiteral("INSERT INTO JobAgents (ID, Agent, GroupID, JobID, StartDate, "
                                   "EndDate, Cause) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {c.Str(0), c.Str(1), c.Str(2), job, TServerDatabase::DateText(start),
                     TServerDatabase::DateText(end), c.Str(6)});
            }
        });
        return Variant(true);
    });
    Method(1, "DeleteJobAgent", 4, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            const QStringList jobs = Lines(c.Str(3));
            if (jobs.isEmpty())
                Db().Exec(QStringLiteral(
                              "DELETE FROM JobAgents WHERE ID = ? AND Agent = ? AND GroupID = ?"),
                          {c.Str(0), c.Str(1), c.Str(2)});
            for (const QString &job : jobs)
                Db().Exec(QStringLiteral("DELETE FROM JobAgents WHERE ID = ? AND Agent = ? AND "
                                         "GroupID = ? AND JobID = ?"),
                          {c.Str(0), c.Str(1), c.Str(2), job});
        });
        return Variant();
    });
    Method(13, "DeleteMembers", 1, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            for (const QString &id : Lines(c.Str(0))) {
                Db().Exec(QStringLiteral("DELETE FROM GroupMembers WHERE ID = ?"), {id});
                Db().Exec(QStringLiteral("DELETE FROM UserJobs WHERE ID = ?"), {id});
                Db().Exec(QStringLiteral("DELETE FROM GroupAdmins WHERE ID = ?"), {id});
            }
        });
        return Variant();
    });
    Method(14, "DeleteJobs", 1, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            for (const QString &job : Lines(c.Str(0)))
                for (const char *table : {"GroupJobs", "UserJobs", "JobAgents"})
                    Db().Exec(
                        QStringLiteral("DELETE FROM %1 WHERE JobID = ?").arg(QLatin1String(table)),
                        {job});
        });
        return Variant();
    });
    Method(15, "GetUserJobInfo", 4, {1, 2, 3}, [this](TRemoteCall &c) {
        const QString id = c.Str(0);
        const QString today = TServerDatabase::DateText(Date());
        const QString now = NowText();
        QStringList groups = Column(
            QStringLiteral("SELECT GroupID FROM GroupMembers WHERE ID = ? ORDER BY GroupID"), {id});
        QStringList jobs = Column(
            QStringLiteral("SELECT JobID FROM GroupJobs WHERE GroupID IN "
                           "(SELECT GroupID FROM GroupMembers WHERE ID = ?) "
                           "UNION SELECT JobID FROM UserJobs WHERE ID = ? "
                           "UNION SELECT JobID FROM JobAgents WHERE Agent = ? AND StartDate <= ? "
                           "AND EndDate >= ? ORDER BY 1"),
            {id, id, id, now, today});
        const QStringList admin =
            Column(QStringLiteral("SELECT GroupID FROM JobGroups WHERE Manager = ? UNION "
                                  "SELECT GroupID FROM GroupAdmins WHERE ID = ? ORDER BY 1"),
                   {id, id});
        c.Out(1) = Variant(Text(groups));
        c.Out(2) = Variant(Text(jobs));
        c.Out(3) = Variant(Text(admin));
        return Variant(
            Db().Scalar(QStringLiteral("SELECT 1 FROM Users WHERE ID = ?"), {id}).isValid());
    });
    Method(5, "ChangeGroupJobs", 3, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            RequireGroup(c.Str(0));
            ReplaceRows("GroupJobs", "GroupID", c.Str(0), "JobID", Lines(c.Str(1)));
        });
        return Variant(true);
    });
    Method(7, "ChangeMemberGroups", 3, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            const QStringList groups = Lines(c.Str(1));
            for (const QString &g : groups)
                RequireGroup(g);
            ReplaceRows("GroupMembers", "ID", c.Str(0), "GroupID", groups);
        });
        return Variant(true);
    });
    Method(16, "SetMemberManageGroup", 3, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            const QStringList groups = Lines(c.Str(1));
            for (const QString &g : groups)
                RequireGroup(g);
            ReplaceRows("GroupAdmins", "ID", c.Str(0), "GroupID", groups);
        });
        return Variant(true);
    });
    Method(17, "ChangeJobGroups", 3, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            const QStringList groups = Lines(c.Str(1));
            for (const QString &g : groups)
                RequireGroup(g);
            ReplaceRows("GroupJobs", "JobID", c.Str(0), "GroupID", groups);
        });
        return Variant(true);
    });
}
