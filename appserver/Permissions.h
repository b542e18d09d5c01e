#pragma once
// TPermissions: which server objects the job groups may use, kept in the table JobPermissions
// of the server's database: one row per group and object, the object a ProgID or a family of
// them ("SrvAcademic.*"; "*" alone is every object), CanApply 1 when the group may also apply
// changes there, 0 when it may only read.
//
// A signed-in user's groups are those that give the user jobs (JobManagerModule.h): the
// groups the user is a member of, those of the jobs given to the user directly, and those of
// the running agencies in which the user is the agent. The members of the administrators'
// group reach everything. Every check reads the tables anew, so a change holds for the open
// sessions of every server on the database from their next call on.
//
// Calls that change what the server keeps (the apply of a provider, the methods an object
// declares with TRemoteObject::DeclareChangesData) need a permission that applies; every
// other call a permission to read. The providers of the permission job itself are the
// administrators' alone, whatever the table says.

#include <QString>
#include <QStringList>

class TServerDatabase;

class TPermissions {
public:
    // What a group may do with an object.
    enum class TAccess { None, Read, Apply };

    explicit TPermissions(TServerDatabase &db) : FDb(db) {}

    // The group whose members reach every object.
    static QString AdministratorGroup() { return QStringLiteral("SYSADM"); }
    // The server's message refusing a call on the object.
    static QString DeniedText(const QString &progId);
    // The providers of the permission job, served to administrators only.
    static QString PermissionsProgID() { return QStringLiteral("SrvJobSecurity.JobManagerINTF"); }
    static QStringList AdministratorProviders();
    // Whether a permission's object (a ProgID, "Family.*" or "*") covers the ProgID; letter
    // case does not count.
    static bool Covers(const QString &pattern, const QString &progId);
    // Whether a text may stand as a permission's object.
    static bool ValidPattern(const QString &pattern);

    // The groups through which the user has jobs today.
    QStringList Groups(const QString &user);
    bool IsAdministrator(const QString &user);
    // The most the user's groups may do with the object.
    TAccess Access(const QString &user, const QString &progId);
    // Empty when the user may make the call; the refusal otherwise. `provider` is the provider
    // a provider call names (empty for other methods).
    QString Check(const QString &user, const QString &progId, const QString &provider,
                  bool changesData);

private:
    TServerDatabase &FDb;
};
