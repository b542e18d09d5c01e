#include "DemoPermissions.h"

#include "Permissions.h"
#include "ServerDatabase.h"

namespace {

struct TDemoPermission {
    const char *Group; // nullptr: every group
    const char *ProgID;
    int CanApply;
};

const TDemoPermission kPermissions[] = {
    {nullptr, "SrvJobSecurity.VersionCtrlNTF", 0},
    {nullptr, "SrvJobSecurity.SecurityINTF", 0},
    {nullptr, "SrvJobSecurity.JobManagerINTF", 0},
    {nullptr, "SystemObj.*", 0},
    {nullptr, "SrvPublicInfo.*", 0},
    {nullptr, "SrvPersonnel.PersonnelINTF", 0},
    {"ACAD", "SrvAcademic.*", 1},
    {"STUDENT", "SrvAcademic.*", 0},
    {"STUDENT", "SrvAcademic.AcadAbsenceINTF", 1},
    {"STUDENT", "SrvAcademic.AcadRewardConductINTF", 1},
    {"ACCOUNT", "SrvAccGL.*", 1},
    {"ACCOUNT", "SrvAccTax.*", 1},
    {"ACCOUNT", "SrvBudget.*", 0},
    {"PERSONNEL", "SrvPersonnel.*", 1},
};

} // namespace

void FillDemoPermissions(TServerDatabase &db) {
    const QString now = TServerDatabase::DateText(Now());
    QStringList groups;
    QSqlQuery q = db.Exec(QStringLiteral("SELECT GroupID FROM JobGroups WHERE GroupID <> ? "
                                         "ORDER BY GroupID"),
                          {TPermissions::AdministratorGroup()});
    while (q.next())
        groups << q.value(0).toString();
    q.finish();
    for (const QString &group : groups)
        for (const TDemoPermission &p : kPermissions)
            if (!p.Group || group == QLatin1String(p.Group))
                db.Exec(QStringLiteral("INSERT INTO JobPermissions (GroupID, ProgID, CanApply, "
                                       "Changer, ChangeTime) VALUES (?, ?, ?, 'ADMIN', ?)"),
                        {group, QLatin1String(p.ProgID), p.CanApply, now});
}
