#include "ServerDatabase.h"

#include "DemoSchool.h"
#include "RemoteProtocol.h"

#include <QAtomicInteger>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <csignal>
#include <sqlite3.h>

int ServerDatabaseAuthorizer(void *self, int action, const char *table, const char *column,
                             const char *, const char *) {
    const auto *db = static_cast<const TServerDatabase *>(self);
    if (!db->FReadOnly)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_READ:
        // Password hashes never leave the server: they read as NULL.
        if (table && column && qstricmp(table, "Users") == 0 &&
            qstricmp(column, "PasswordHash") == 0)
            return SQLITE_IGNORE;
        return SQLITE_OK;
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

namespace {
QAtomicInteger<int> gConnectionCount;

[[noreturn]] void Fail(const QString &what, const QSqlError &error) {
    throw EServerError(what + QStringLiteral(": ") + error.text());
}
} // namespace

TServerDatabase::TServerDatabase(const TDatabaseConfig &config) {
    FConnection = QStringLiteral("appserver-%1").arg(gConnectionCount.fetchAndAddOrdered(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(config.Driver, FConnection);
    if (!db.isValid())
        throw EServerError(
            QStringLiteral("The database driver %1 is not available").arg(config.Driver));
    db.setDatabaseName(config.Name);
    if (!config.Host.isEmpty())
        db.setHostName(config.Host);
    if (config.Port > 0)
        db.setPort(config.Port);
    if (!config.User.isEmpty())
        db.setUserName(config.User);
    if (!config.Password.isEmpty())
        db.setPassword(config.Password);
    FSQLite = config.Driver == QLatin1String("QSQLITE");
    if (FSQLite)
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        Fail(QStringLiteral("Cannot open the database %1").arg(config.Name), db.lastError());
    if (FSQLite) {
        const QVariant handle = db.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            FHandle = *static_cast<sqlite3 *const *>(handle.constData());
        if (!FHandle)
            throw EServerError(QStringLiteral("The SQLite handle is not reachable"));
        sqlite3_set_authorizer(static_cast<sqlite3 *>(FHandle), ServerDatabaseAuthorizer, this);
        Exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        Exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        Exec(QStringLiteral("PRAGMA synchronous = FULL"));
    }
    if (!db.tables().contains(QStringLiteral("users"), Qt::CaseInsensitive))
        CreateSchema(config.HashCost);
    AddMissingColumns();
    // Fault injection for the crash tests: the process kills itself outright in the middle of
    // the change that writes the given row (counted from start-up), as a crash or a kill would.
    FCrashAtRow = qEnvironmentVariableIntValue("ORV7_APPSERVER_CRASH_AT_ROW");
    if (FCrashAtRow > 0 && FHandle)
        sqlite3_update_hook(static_cast<sqlite3 *>(FHandle), &TServerDatabase::RowChanged, this);
}

void TServerDatabase::RowChanged(void *self, int, const char *, const char *, long long) {
    auto *db = static_cast<TServerDatabase *>(self);
    if (++db->FRowsChanged == db->FCrashAtRow) {
        qWarning().noquote() << "appserver: killed in the middle of a change (fault injection)";
        ::raise(SIGKILL);
    }
}

TServerDatabase::~TServerDatabase() {
    {
        QSqlDatabase db = Db();
        if (FHandle) {
            sqlite3_set_authorizer(static_cast<sqlite3 *>(FHandle), nullptr, nullptr);
            sqlite3_update_hook(static_cast<sqlite3 *>(FHandle), nullptr, nullptr);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(FConnection);
}

QString TServerDatabase::Dialect(QString sql) const {
    if (FSQLite) {
        sql.replace(QLatin1String("{SERIAL}"), QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT"));
        sql.replace(QLatin1String("{BLOB}"), QLatin1String("BLOB"));
    } else {
        sql.replace(QLatin1String("{SERIAL}"), QLatin1String("SERIAL PRIMARY KEY"));
        sql.replace(QLatin1String("{BLOB}"), QLatin1String("BYTEA"));
    }
    return sql;
}

QSqlQuery TServerDatabase::Exec(const QString &sql, const QVariantList &binds) {
    QSqlQuery q(Db());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        Fail(QStringLiteral("Cannot prepare \"%1\"").arg(sql), q.lastError());
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec())
        Fail(QStringLiteral("Statement failed"), q.lastError());
    return q;
}

QVariant TServerDatabase::Scalar(const QString &sql, const QVariantList &binds) {
    QSqlQuery q = Exec(sql, binds);
    return q.next() ? q.value(0) : QVariant();
}

void TServerDatabase::Transaction(const std::function<void()> &work) {
    QSqlDatabase db = Db();
    if (!db.transaction())
        Fail(QStringLiteral("Cannot start a transaction"), db.lastError());
    try {
        work();
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        Fail(QStringLiteral("Cannot commit"), error);
    }
}

void TServerDatabase::CheckClientCommand(const QString &sql) {
    if (sql.trimmed().isEmpty())
        throw EServerError(QStringLiteral("The command text is empty"));
    if (FSQLite) {
        // Prepared under the authoriser: a write is refused while the text is compiled, and
        // nothing but blanks and semicolons may follow the first statement.
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        const char *tail = nullptr;
        FReadOnly = true;
        const int rc = sqlite3_prepare_v2(static_cast<sqlite3 *>(FHandle), utf8.constData(),
                                          int(utf8.size()), &stmt, &tail);
        FReadOnly = false;
        const bool readOnly = stmt && sqlite3_stmt_readonly(stmt);
        sqlite3_finalize(stmt);
        if (rc == SQLITE_AUTH || (rc == SQLITE_OK && stmt && !readOnly))
            throw EServerError(QStringLiteral("A command text may only read data"));
        if (rc != SQLITE_OK)
            throw EServerError(
                QStringLiteral("The command text is not valid: %1")
                    .arg(QString::fromUtf8(sqlite3_errmsg(static_cast<sqlite3 *>(FHandle)))));
        if (!stmt)
            throw EServerError(QStringLiteral("The command text is empty"));
        for (const char *p = tail; p && *p; ++p)
            if (*p != ';' && !QChar::isSpace(uchar(*p)))
                throw EServerError(QStringLiteral("A command text must be one statement"));
        return;
    }
    // Other engines: no statement separator outside quotes and no comments; the read-only
    // transaction of ReadOnly() refuses the writes.
    QChar quote;
    QString rest = sql.trimmed();
    while (rest.endsWith(u';'))
        rest = rest.chopped(1).trimmed();
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            throw EServerError(QStringLiteral("A command text must be one statement"));
        } else if ((c == u'-' || c == u'/') && i + 1 < rest.size() &&
                   rest[i + 1] == (c == u'-' ? u'-' : u'*')) {
            throw EServerError(QStringLiteral("A command text may not hold comments"));
        }
    }
}

void TServerDatabase::ReadOnly(const std::function<void()> &work) {
    if (FSQLite) {
        FReadOnly = true;
        try {
            work();
        } catch (...) {
            FReadOnly = false;
            throw;
        }
        FReadOnly = false;
        return;
    }
    Exec(QStringLiteral("START TRANSACTION READ ONLY"));
    try {
        work();
    } catch (...) {
        try {
            Exec(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
    Exec(QStringLiteral("ROLLBACK"));
}

QSqlQuery TServerDatabase::ClientQuery(const QString &sql, const QVariantList &binds) {
    CheckClientCommand(sql);
    // Not forward-only: every row is fetched while the read-only guard stands.
    QSqlQuery q(Db());
    ReadOnly([&] {
        if (!q.prepare(sql))
            Fail(QStringLiteral("The command text is not valid"), q.lastError());
        for (const QVariant &b : binds)
            q.addBindValue(b);
        if (!q.exec())
            Fail(QStringLiteral("The command text failed"), q.lastError());
        if (q.isSelect() && !q.last() && q.lastError().isValid())
            Fail(QStringLiteral("The command text failed"), q.lastError());
        q.seek(QSql::BeforeFirstRow);
    });
    return q;
}

QString TServerDatabase::DateText(TDateTime value) {
    return value.ToQDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TDateTime TServerDatabase::TextDate(const QString &text) {
    if (text.isEmpty())
        return TDateTime();
    QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid())
        dt = QDateTime(QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
    return TDateTime::FromQDateTime(dt);
}

void TServerDatabase::CreateSchema(THashCost cost) {
    Transaction([&] {
        if (!FSQLite) {
            // Servers sharing one database may start together: one creates, the others wait
            // and then find the tables.
            Exec(QStringLiteral("SELECT pg_advisory_xact_lock(20010001)"));
            if (Scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.tables "
                                      "WHERE LOWER(table_name) = 'users'"))
                    .toInt() > 0)
                return;
        }
        for (const QString &statement : SchemaStatements())
            Exec(Dialect(statement));
        FillDemoSchool(*this, cost);
    });
}

QList<TAddedColumn> TServerDatabase::MissingColumns() {
    QList<TAddedColumn> missing;
    for (const TAddedColumn &c : AddedColumns()) {
        // PostgreSQL folds the unquoted names of the schema to lower case.
        const QSqlRecord record = Db().record(FSQLite ? c.Table : c.Table.toLower());
        if (record.isEmpty())
            throw EServerError(QStringLiteral("The table %1 is missing").arg(c.Table));
        if (!record.contains(c.Column))
            missing << c;
    }
    return missing;
}

void TServerDatabase::AddMissingColumns() {
    if (MissingColumns().isEmpty())
        return;
    Transaction([&] {
        // Servers sharing one database may start together: one adds, the others find them.
        if (!FSQLite)
            Exec(QStringLiteral("SELECT pg_advisory_xact_lock(20010001)"));
        for (const TAddedColumn &c : MissingColumns()) {
            Exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(c.Table, c.Column, c.Type));
            qInfo().noquote() << QStringLiteral("appserver: added the column %1.%2 to the database")
                                     .arg(c.Table, c.Column);
        }
    });
}
