#include "ServerBackup.h"

#include "RemoteProtocol.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void RequireSQLite(const TDatabaseConfig &database, const QString &what) {
    if (database.Driver != QLatin1String("QSQLITE"))
        throw EServerError(QStringLiteral("--%1 works on SQLite databases; a %2 database is saved "
                                          "with pg_dump and brought back with pg_restore")
                               .arg(what, database.Driver));
    if (database.Name.isEmpty() || database.Name == QLatin1String(":memory:"))
        throw EServerError(QStringLiteral("--%1 needs the database file").arg(what));
}

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// One SQLite connection of its own, closed with its scope.
class TSQLiteFile {
public:
    TSQLiteFile(const QString &file, int flags) : FFile(file) {
        const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &FDb, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString why = FDb ? QString::fromUtf8(sqlite3_errmsg(FDb))
                                    : QString::fromUtf8(sqlite3_errstr(rc));
            sqlite3_close(FDb);
            throw EServerError(QStringLiteral("Cannot open %1: %2").arg(file, why));
        }
        // A server committing a change holds the file for a moment; wait for it.
        sqlite3_busy_timeout(FDb, 10000);
    }
    ~TSQLiteFile() { sqlite3_close(FDb); }
    TSQLiteFile(const TSQLiteFile &) = delete;
    TSQLiteFile &operator=(const TSQLiteFile &) = delete;

    sqlite3 *Handle() const { return FDb; }
    QString Error() const { return QString::fromUtf8(sqlite3_errmsg(FDb)); }

    // The first column of the first row ("" when there is none).
    QString Scalar(const char *sql) const {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(FDb, sql, -1, &stmt, nullptr) != SQLITE_OK)
            throw EServerError(QStringLiteral("%1: %2").arg(FFile, Error()));
        QString value;
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw EServerError(QStringLiteral("%1: %2").arg(FFile, Error()));
        return value;
    }

    // Refuses a file that is damaged or is no database of the application server.
    void CheckSound() const {
        QString check;
        try {
            check = Scalar("PRAGMA quick_check");
        } catch (const EServerError &) {
            throw EServerError(
                QStringLiteral("%1 is not a sound SQLite database: %2").arg(FFile, Error()));
        }
        if (check != QLatin1String("ok"))
            throw EServerError(QStringLiteral("%1 is damaged: %2").arg(FFile, check));
        if (Scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND "
                   "lower(name) = 'users'") != QLatin1String("1"))
            throw EServerError(
                QStringLiteral("%1 is not a database of the application server").arg(FFile));
    }

private:
    QString FFile;
    sqlite3 *FDb = nullptr;
};

// Copies every page of one committed state of `from` into `to`, replacing what `to` held, in
// one transaction of `to`.
TBackupResult CopyPages(const TSQLiteFile &from, const TSQLiteFile &to, const QString &what) {
    sqlite3_backup *backup = sqlite3_backup_init(to.Handle(), "main", from.Handle(), "main");
    if (!backup)
        throw EServerError(QStringLiteral("%1: %2").arg(what, to.Error()));
    QDeadlineTimer deadline(60000);
    int rc = SQLITE_OK;
    for (;;) {
        rc = sqlite3_backup_step(backup, -1);
        if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || deadline.hasExpired())
            break;
        QThread::msleep(50);
    }
    TBackupResult result;
    result.Pages = sqlite3_backup_pagecount(backup);
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        throw EServerError(
            QStringLiteral("%1: %2").arg(what, QString::fromUtf8(sqlite3_errstr(rc))));
    if (finished != SQLITE_OK)
        throw EServerError(QStringLiteral("%1: %2").arg(what, to.Error()));
    return result;
}

bool SameFile(const QString &a, const QString &b) {
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// Writes a file's data through to the disk before it takes another's place.
void Flush(const QString &file) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const QString why = SystemError();
        if (fd >= 0)
            ::close(fd);
        throw EServerError(QStringLiteral("Cannot write %1: %2").arg(file, why));
    }
    ::close(fd);
}

// A restore run by root leaves the files with the owner of the database's folder (the service's
// user), so that the server can open them again.
void OwnLikeFolder(const QStringList &files) {
    if (::geteuid() != 0)
        return;
    struct stat folder = {};
    if (::stat(QFile::encodeName(QFileInfo(files.first()).absolutePath()).constData(), &folder) !=
            0 ||
        folder.st_uid == 0)
        return;
    for (const QString &f : files)
        if (QFileInfo::exists(f) &&
            ::chown(QFile::encodeName(f).constData(), folder.st_uid, folder.st_gid) != 0)
            throw EServerError(
                QStringLiteral("Cannot give %1 to the server's user: %2").arg(f, SystemError()));
}

int OpenLockFile(const QString &databaseFile) {
    const QString lock = TServerRunningMark::LockFile(databaseFile);
    const int fd =
        ::open(QFile::encodeName(lock).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw EServerError(
            QStringLiteral("Cannot open the lock file %1: %2").arg(lock, SystemError()));
    return fd;
}

} // namespace

TBackupResult BackupDatabase(const TDatabaseConfig &database, const QString &file) {
    RequireSQLite(database, QStringLiteral("backup"));
    if (!QFileInfo(database.Name).isFile())
        throw EServerError(QStringLiteral("There is no database %1").arg(database.Name));
    if (file.isEmpty() || QFileInfo(file).isDir())
        throw EServerError(QStringLiteral("--backup needs the name of the file to write"));
    if (SameFile(file, database.Name))
        throw EServerError(QStringLiteral("A backup cannot be written over its own database"));
    const QFileInfo target(file);
    const QString part = target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                         QStringLiteral(".part-%1").arg(::getpid());
    const auto dropPart = [&] {
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-journal"));
    };
    dropPart();
    try {
        TBackupResult result;
        {
            TSQLiteFile from(database.Name, SQLITE_OPEN_READWRITE);
            TSQLiteFile to(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            result = CopyPages(from, to, QStringLiteral("Backup of %1").arg(database.Name));
            // The copy is one self-contained file, whatever journal the server uses.
            to.Scalar("PRAGMA journal_mode = DELETE");
            to.CheckSound();
        }
        Flush(part);
        if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(file).constData()) != 0)
            throw EServerError(QStringLiteral("Cannot write %1: %2").arg(file, SystemError()));
        result.Bytes = QFileInfo(file).size();
        return result;
    } catch (...) {
        dropPart();
        throw;
    }
}

TBackupResult RestoreDatabase(const QString &file, const TDatabaseConfig &database) {
    RequireSQLite(database, QStringLiteral("restore"));
    if (!QFileInfo(file).isFile())
        throw EServerError(QStringLiteral("There is no backup %1").arg(file));
    if (SameFile(file, database.Name))
        throw EServerError(QStringLiteral("A database cannot be restored from itself"));
    TSQLiteFile from(file, SQLITE_OPEN_READONLY);
    from.CheckSound();

    const int lock = OpenLockFile(database.Name);
    const auto unlock = qScopeGuard([&] { ::close(lock); });
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0)
        throw EServerError(QStringLiteral("A server is running on %1: stop it before restoring "
                                          "(systemctl stop orv7-appserver)")
                               .arg(database.Name));
    TBackupResult result;
    {
        TSQLiteFile to(database.Name, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        // A rollback journal for the copy, so that it lands whole or not at all; the server
        // switches the file back to its own journal when it starts.
        to.Scalar("PRAGMA journal_mode = DELETE");
        result = CopyPages(from, to, QStringLiteral("Restore of %1").arg(database.Name));
        to.CheckSound();
    }
    OwnLikeFolder({database.Name, TServerRunningMark::LockFile(database.Name)});
    result.Bytes = QFileInfo(database.Name).size();
    return result;
}

QString TServerRunningMark::LockFile(const QString &databaseFile) {
    return databaseFile + QStringLiteral(".lock");
}

TServerRunningMark::TServerRunningMark(const TDatabaseConfig &database) {
    if (database.Driver != QLatin1String("QSQLITE") || database.Name.isEmpty() ||
        database.Name == QLatin1String(":memory:"))
        return;
    FFd = OpenLockFile(database.Name);
    if (::flock(FFd, LOCK_SH | LOCK_NB) != 0) {
        ::close(FFd);
        FFd = -1;
        throw EServerError(
            QStringLiteral("The database %1 is being restored; start the server once that is done")
                .arg(database.Name));
    }
}

TServerRunningMark::~TServerRunningMark() {
    if (FFd >= 0)
        ::close(FFd);
}
