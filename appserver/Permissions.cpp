#include "Permissions.h"

#include "DateTime.h"
#include "ServerDatabase.h"

#include <QRegularExpression>

QString TPermissions::DeniedText(const QString &progId) {
    return QStringLiteral("權限不足:%1").arg(progId);
}

QStringList TPermissions::AdministratorProviders() {
    return {QStringLiteral("xspJobGroups"), QStringLiteral("dspJobPermissions"),
            QStringLiteral("dspPermissionCandidates")};
}

bool TPermissions::Covers(const QString &pattern, const QString &progId) {
    if (pattern.endsWith(u'*'))
        return progId.startsWith(pattern.chopped(1), Qt::CaseInsensitive);
    return pattern.compare(progId, Qt::CaseInsensitive) == 0;
}

bool TPermissions::ValidPattern(const QString &pattern) {
    // A ProgID ("Server.Object"), a family ("Server.*") or every object ("*").
    static const QRegularExpression valid(
        QStringLiteral("^(\\*|[A-Za-z_][A-Za-z0-9_]*\\.(\\*|[A-Za-z_][A-Za-z0-9_]*))$"));
    return valid.match(pattern).hasMatch();
}

namespace {

// The groups that decide a user's jobs (GetUserJobInfo): membership, jobs given to the user,
// and running agencies in which the user is the agent; bound by UserGroupBinds.
const char *const kUserGroups = "SELECT GroupID FROM GroupMembers WHERE ID = ? "
                                "UNION SELECT GroupID FROM UserJobs WHERE ID = ? "
                                "UNION SELECT GroupID FROM JobAgents WHERE Agent = ? "
                                "AND StartDate <= ? AND EndDate >= ?";

QVariantList UserGroupBinds(const QString &user) {
    return {user, user, user, TServerDatabase::DateText(Now()), TServerDatabase::DateText(Date())};
}

} // namespace

QStringList TPermissions::Groups(const QString &user) {
    QStringList groups;
    QSqlQuery q =
        FDb.Exec(QLatin1String(kUserGroups) + QStringLiteral(" ORDER BY 1"), UserGroupBinds(user));
    while (q.next())
        groups << q.value(0).toString();
    return groups;
}

bool TPermissions::IsAdministrator(const QString &user) {
    return FDb
        .Scalar(QStringLiteral("SELECT 1 FROM GroupMembers WHERE ID = ? AND GroupID = ?"),
                {user, AdministratorGroup()})
        .isValid();
}

TPermissions::TAccess TPermissions::Access(const QString &user, const QString &progId) {
    TAccess access = TAccess::None;
    QSqlQuery q = FDb.Exec(QStringLiteral("SELECT ProgID, CanApply FROM JobPermissions WHERE "
                                          "GroupID IN (%1)")
                               .arg(QLatin1String(kUserGroups)),
                           UserGroupBinds(user));
    while (q.next()) {
        if (!Covers(q.value(0).toString(), progId))
            continue;
        if (q.value(1).toInt() != 0)
            return TAccess::Apply;
        access = TAccess::Read;
    }
    return access;
}

QString TPermissions::Check(const QString &user, const QString &progId, const QString &provider,
                            bool changesData) {
    if (IsAdministrator(user))
        return QString();
    if (!provider.isEmpty() && progId.compare(PermissionsProgID(), Qt::CaseInsensitive) == 0 &&
        AdministratorProviders().contains(provider, Qt::CaseInsensitive))
        return DeniedText(progId);
    const TAccess access = Access(user, progId);
    if (access == TAccess::Apply || (access == TAccess::Read && !changesData))
        return QString();
    return DeniedText(progId);
}
