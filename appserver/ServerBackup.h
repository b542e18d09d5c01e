#pragma once
// Backups of the server's SQLite database, and the mark that a server is running on one.
//
// BackupDatabase copies a database while servers keep working on it, through SQLite's online
// backup: the copy is one committed state of the database, so a change being applied at that
// moment is in it whole or not at all. The copy is written beside the target file and put in
// its place only once it is complete and checked; a backup that fails leaves an earlier file of
// that name as it was.
//
// RestoreDatabase brings such a copy back into the database of a stopped server, in one
// transaction of the database: either the whole copy is in place afterwards or the database is
// as it was. It refuses while a server holds the database (TServerRunningMark) and refuses a
// file that is not a sound database of the application server.
//
// PostgreSQL databases are saved and restored with the database's own tools (pg_dump and
// pg_restore); both functions say so for any other driver.

#include "ServerDatabase.h"

#include <QString>

// What a backup or restore copied.
struct TBackupResult {
    qint64 Bytes = 0; // size of the database copied
    int Pages = 0;
};

TBackupResult BackupDatabase(const TDatabaseConfig &database, const QString &file);
TBackupResult RestoreDatabase(const QString &file, const TDatabaseConfig &database);

// Held by a server program for as long as it runs on an SQLite database: a shared lock on the
// file "<database>.lock" beside it (several servers may hold it together). A restore takes the
// lock exclusively, so it refuses while a server runs, and a server refuses to start while a
// restore runs. Nothing for other drivers. Raises EServerError when the lock is taken.
class TServerRunningMark {
public:
    explicit TServerRunningMark(const TDatabaseConfig &database);
    ~TServerRunningMark();
    TServerRunningMark(const TServerRunningMark &) = delete;
    TServerRunningMark &operator=(const TServerRunningMark &) = delete;

    // The lock file of a database file.
    static QString LockFile(const QString &databaseFile);

private:
    int FFd = -1;
};
