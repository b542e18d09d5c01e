#include "JobManagerModule.h"

#include "Permissions.h"
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

namespace {

// A permission names a group that is not the administrators' (who reach everything) and an
// object the servers register, exactly as they spell it; it applies or only reads.
TDeltaRowCheck PermissionCheck(TServerDatabase *db) {
    return [db](const TDeltaRow &row) {
        if (row.Kind == ukDelete)
            return;
        const auto text = [&](const char *field) {
            const Variant v = row.Value(QLatin1String(field));
            return v.IsEmptyOrNull() ? QString() : v.ToString();
        };
        const QString group = text("GroupID");
        const QString object = text("ProgID");
        if (group.compare(TPermissions::AdministratorGroup(), Qt::CaseInsensitive) == 0)
            throw EDatabaseError(
                QStringLiteral("工作群組 %1 可使用全部伺服器物件,不需設定權限").arg(group));
        if (!db->Scalar(QStringLiteral("SELECT 1 FROM JobGroups WHERE GroupID = ?"), {group})
                 .isValid())
            throw EDatabaseError(QStringLiteral("「工作群組」%1 不存在").arg(group));
        if (!TPermissions::ValidPattern(object) ||
            !db->Scalar(QStringLiteral("SELECT 1 FROM ServerObjects WHERE ProgID = ?"), {object})
                 .isValid())
            throw EDatabaseError(
                QStringLiteral("「伺服器物件」%1 不是登錄的伺服器物件").arg(object));
        const Variant apply = row.Value(QStringLiteral("CanApply"));
        if (apply.IsEmptyOrNull() || (apply.ToInt() != 0 && apply.ToInt() != 1))
            throw EDatabaseError(QStringLiteral("「可異動」必須是 0 (唯讀) 或 1 (可異動)"));
    };
}

QList<TProviderDef> PermissionProviders(TServerDatabase *db) {
    const QString admins = TPermissions::AdministratorGroup();
    return {
        {QStringLiteral("xspJobGroups"),
         QStringLiteral("SELECT g.GroupID, g.Manager, g.Unit_ID, u.UnitName FROM JobGroups g "
                        "LEFT JOIN Units u ON u.UnitID = g.Unit_ID WHERE g.GroupID <> '%1' "
                        "ORDER BY g.GroupID")
             .arg(admins),
         QStringLiteral("JobGroups"),
         {QStringLiteral("GroupID")},
         {},
         {{QStringLiteral("GroupID"), ftString, 20},
          {QStringLiteral("Manager"), ftString, 10},
          {QStringLiteral("Unit_ID"), ftString, 20},
          {QStringLiteral("UnitName"), ftString, 60}},
         true},
        {QStringLiteral("dspJobPermissions"),
         QStringLiteral("SELECT p.GroupID, p.ProgID, o.Descript, p.CanApply, p.Changer, "
                        "p.ChangeTime FROM JobPermissions p LEFT JOIN ServerObjects o "
                        "ON o.ProgID = p.ProgID WHERE p.GroupID = :GroupID ORDER BY p.ProgID"),
         QStringLiteral("JobPermissions"),
         {QStringLiteral("GroupID"), QStringLiteral("ProgID")},
         {QStringLiteral("GroupID")},
         {{QStringLiteral("GroupID"), ftString, 20},
          {QStringLiteral("ProgID"), ftString, 60},
          {QStringLiteral("Descript"), ftString, 60, true},
          {QStringLiteral("CanApply"), ftInteger, 0},
          {QStringLiteral("Changer"), ftString, 10},
          {QStringLiteral("ChangeTime"), ftString, 19}},
         false,
         PermissionCheck(db)},
        {QStringLiteral("dspPermissionCandidates"),
         QStringLiteral("SELECT o.ProgID, o.Descript FROM ServerObjects o WHERE o.ProgID NOT IN "
                        "(SELECT p.ProgID FROM JobPermissions p WHERE p.GroupID = :GroupID) "
                        "ORDER BY o.ProgID"),
         QStringLiteral("ServerObjects"),
         {QStringLiteral("ProgID")},
         {QStringLiteral("GroupID")},
         {{QStringLiteral("ProgID"), ftString, 60}, {QStringLiteral("Descript"), ftString, 60}},
         true},
    };
}

} // namespace

TJobManagerModule::TJobManagerModule(const TServerContext &context)
    : TServerModule(context, PermissionProviders(context.Database)) {
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
    // Everything but reading a group and a user's jobs changes who may do what.
    DeclareChangesData({"UpdateJobGroup", "ChangeManager", "ChangeGroupMembers", "DeleteJobGroups",
                        "ChangeUserJobs", "UpdateJobAgent", "DeleteJobAgent", "DeleteMembers",
                        "DeleteJobs", "ChangeGroupJobs", "ChangeMemberGroups",
                        "SetMemberManageGroup", "ChangeJobGroups"});
}
