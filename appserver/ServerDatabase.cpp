#include "ServerDatabase.h"

#include "AcadViews.h"
#include "ClientCommandText.h"
#include "DemoPermissions.h"
#include "DemoSchool.h"
#include "RemoteProtocol.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QThread>
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
        // Nor do its own records of sessions, failed logins and applied changes.
        if (table && db->FServerOnly.contains(QString::fromUtf8(table), Qt::CaseInsensitive))
            return SQLITE_DENY;
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

// What client command texts run through on PostgreSQL.
const QString kClientRole = QStringLiteral("orv7_client_query");
const QString kClientSchema = QStringLiteral("orv7_client");
const QString kClientRows = QStringLiteral("SELECT * FROM pg_temp.orv7_client_rows");

[[noreturn]] void Fail(const QString &what, const QSqlError &error) {
    throw EServerError(what + QStringLiteral(": ") + error.text());
}
} // namespace

TServerDatabase::TServerDatabase(const TDatabaseConfig &config, TOpenMode mode) {
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
    FServerOnly = ServerOnlyTables();
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
    if (mode == TOpenMode::Attach)
        return;
    if (!db.tables().contains(QStringLiteral("users"), Qt::CaseInsensitive))
        CreateSchema(config.HashCost, config.DemoPort);
    UpgradeSchema();
    if (FSQLite)
        Transaction([&] { CreateViews(); });
    else
        SetUpClientCommands();
    // Fault injection for the crash tests: the process kills itself outright in the middle of
    // the change that writes the given row of the school's data (counted from start-up), as a
    // crash or a kill would.
    // The backup tests pause the change there instead, until the file named by
    // ORV7_APPSERVER_PAUSE_UNTIL exists (a minute at most), as a long change would.
    FCrashAtRow = qEnvironmentVariableIntValue("ORV7_APPSERVER_CRASH_AT_ROW");
    FPauseAtRow = qEnvironmentVariableIntValue("ORV7_APPSERVER_PAUSE_AT_ROW");
    if ((FCrashAtRow > 0 || FPauseAtRow > 0) && FHandle)
        sqlite3_update_hook(static_cast<sqlite3 *>(FHandle), &TServerDatabase::RowChanged, this);
}

void TServerDatabase::RowChanged(void *self, int, const char *, const char *table, long long) {
    // The server's own records and the event log are not changes of the school's data.
    static const QStringList bookkeeping = ServerOnlyTables() << QStringLiteral("EventLog");
    if (bookkeeping.contains(QLatin1String(table), Qt::CaseInsensitive))
        return;
    auto *db = static_cast<TServerDatabase *>(self);
    if (++db->FRowsChanged == db->FCrashAtRow) {
        qWarning().noquote() << "appserver: killed in the middle of a change (fault injection)";
        ::raise(SIGKILL);
    }
    if (db->FRowsChanged == db->FPauseAtRow) {
        qWarning().noquote() << "appserver: paused in the middle of a change (fault injection)";
        const QString until = qEnvironmentVariable("ORV7_APPSERVER_PAUSE_UNTIL");
        for (int i = 0; i < 3000 && !QFileInfo::exists(until); ++i)
            QThread::msleep(20);
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

void TServerDatabase::Run(const QString &sql) {
    QSqlQuery q(Db());
    if (!q.exec(sql))
        Fail(QStringLiteral("Statement failed"), q.lastError());
}

QString TServerDatabase::Literal(const QVariant &value) const {
    QSqlField field(QString(), value.metaType());
    field.setValue(value);
    return Db().driver()->formatValue(field);
}

QSqlQuery TServerDatabase::Exec(const QString &sql, const QVariantList &binds) {
    QSqlQuery q(Db());
    q.setForwardOnly(true);
    // Qt's PostgreSQL driver prepares with PREPARE, which takes no CREATE or ALTER: statements
    // without values run as they are.
    if (!FSQLite && binds.isEmpty()) {
        if (!q.exec(sql))
            Fail(QStringLiteral("Statement failed"), q.lastError());
        return q;
    }
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
    // Other engines: the text is read as PostgreSQL reads it; the database's own guard
    // (RunClientCommand) refuses again whatever gets past this.
    TClientCommandText::CheckQuery(sql);
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
    QSqlDatabase db = Db();
    if (!db.transaction())
        Fail(QStringLiteral("Cannot start a transaction"), db.lastError());
    try {
        Run(QStringLiteral("SET TRANSACTION READ ONLY"));
        work();
    } catch (...) {
        db.rollback();
        throw;
    }
    db.rollback();
}

void TServerDatabase::RunClientCommand(const QString &sql, const QVariantList &positional,
                                       const QVariantMap &named,
                                       const std::function<void(const QString &)> &work) {
    CheckClientCommand(sql);
    if (FSQLite) {
        ReadOnly([&] { work(sql); });
        return;
    }
    // The text travels with its values written in, as one value: the function runs it as the
    // restricted role and leaves its rows in a temporary table, gone with the rollback.
    const QString text = TClientCommandText::Inline(
        sql, positional, named, [this](const QVariant &value) { return Literal(value); });
    QSqlDatabase db = Db();
    if (!db.transaction())
        Fail(QStringLiteral("Cannot start a transaction"), db.lastError());
    try {
        // Not prepared: a prepared statement could not be freed while a failed command text
        // holds the transaction.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT %1.run_query(%2)").arg(kClientSchema, Literal(text))))
            Fail(QStringLiteral("The command text failed"), q.lastError());
        q.finish();
        work(kClientRows);
    } catch (...) {
        db.rollback();
        throw;
    }
    db.rollback();
}

QSqlQuery TServerDatabase::ClientQuery(const QString &sql, const QVariantList &binds) {
    // Not forward-only: every row is fetched while the read-only guard stands.
    QSqlQuery q(Db());
    RunClientCommand(sql, binds, {}, [&](const QString &statement) {
        if (!q.prepare(statement))
            Fail(QStringLiteral("The command text is not valid"), q.lastError());
        if (statement == sql)
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

void TServerDatabase::CreateSchema(THashCost cost, int demoPort) {
    Transaction([&] {
        if (!FSQLite) {
            // Servers sharing one database may start together: one creates, the others wait
            // and then find the tables.
            Exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)")
                     .arg(TServerDatabase::SchemaLock));
            if (Scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.tables "
                                      "WHERE LOWER(table_name) = 'users'"))
                    .toInt() > 0)
                return;
        }
        for (const QString &statement : SchemaStatements())
            Exec(Dialect(statement));
        FillDemoSchool(*this, cost, demoPort);
    });
}

// The schema's tables that the database lacks, by the statements that create them.
QStringList TServerDatabase::MissingTables() {
    static const QRegularExpression name(QStringLiteral("^CREATE TABLE (\\w+)"));
    const QStringList tables = Db().tables();
    QStringList missing;
    for (const QString &statement : SchemaStatements()) {
        const QRegularExpressionMatch m = name.match(statement);
        if (m.hasMatch() && !tables.contains(m.captured(1), Qt::CaseInsensitive))
            missing << statement;
    }
    return missing;
}

QList<TAddedColumn> TServerDatabase::MissingColumns() {
    QList<TAddedColumn> missing;
    for (const TAddedColumn &c : AddedColumns()) {
        // PostgreSQL folds the unquoted names of the schema to lower case.
        const QSqlRecord record = Db().record(FSQLite ? c.Table : c.Table.toLower());
        // A missing table comes whole with the table's own statement.
        if (!record.isEmpty() && !record.contains(c.Column))
            missing << c;
    }
    return missing;
}

// Brings a database made before some tables or columns existed up to the current schema: the
// tables are created empty (the demo school's rows come only with a new database; only the
// permissions are filled, for the groups the database has), the columns are added empty.
void TServerDatabase::UpgradeSchema() {
    if (MissingTables().isEmpty() && MissingColumns().isEmpty())
        return;
    Transaction([&] {
        // Servers sharing one database may start together: one adds, the others find them.
        if (!FSQLite)
            Exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)")
                     .arg(TServerDatabase::SchemaLock));
        for (const QString &statement : MissingTables()) {
            const QString table = statement.section(QLatin1Char(' '), 2, 2);
            Exec(Dialect(statement));
            qInfo().noquote()
                << QStringLiteral("appserver: added the table to the database: %1").arg(table);
            // Without rows nobody but the administrators would reach anything: the groups the
            // database has get the demo school's permissions.
            if (table == QLatin1String("JobPermissions"))
                FillDemoPermissions(*this);
        }
        for (const TAddedColumn &c : MissingColumns()) {
            Exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(c.Table, c.Column, c.Type));
            qInfo().noquote() << QStringLiteral("appserver: added the column %1.%2 to the database")
                                     .arg(c.Table, c.Column);
        }
    });
}

void TServerDatabase::CreateViews() {
    for (const TViewDef &view : AcademicViews(FSQLite)) {
        if (FSQLite) {
            if (Scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND "
                                      "name = ?"),
                       {view.Name})
                    .toString() == view.Sql)
                continue;
            Exec(QStringLiteral("DROP VIEW IF EXISTS %1").arg(view.Name));
        } else {
            Exec(QStringLiteral("DROP VIEW IF EXISTS %1 CASCADE").arg(view.Name));
        }
        Exec(view.Sql);
    }
}

void TServerDatabase::SetUpClientCommands() {
    Transaction([&] {
        Exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(TServerDatabase::SchemaLock));
        // The views first: the grants below take them in.
        CreateViews();
        const QString schema = Scalar(QStringLiteral("SELECT current_schema()")).toString();
        const QString tables = Db().driver()->escapeIdentifier(schema, QSqlDriver::TableName);
        // The role: made once for the whole cluster, this server's user a member of it.
        Run(QStringLiteral("DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = "
                           "'%1') THEN CREATE ROLE %1 NOLOGIN; END IF; "
                           "EXCEPTION WHEN duplicate_object THEN NULL; END$$")
                .arg(kClientRole));
        if (!Scalar(QStringLiteral("SELECT pg_has_role('%1', 'MEMBER')").arg(kClientRole)).toBool())
            Run(QStringLiteral("GRANT %1 TO CURRENT_USER").arg(kClientRole));
        // The users as the role sees them: the same columns, no hashes.
        if (!Scalar(QStringLiteral("SELECT COUNT(*) FROM pg_namespace WHERE nspname = '%1'")
                        .arg(kClientSchema))
                 .toInt())
            Run(QStringLiteral("CREATE SCHEMA %1").arg(kClientSchema));
        QStringList columns;
        const QSqlRecord users = Db().record(QStringLiteral("users"));
        for (int i = 0; i < users.count(); ++i) {
            const QString name =
                Db().driver()->escapeIdentifier(users.fieldName(i), QSqlDriver::FieldName);
            columns << (users.fieldName(i).compare(QLatin1String("passwordhash"),
                                                   Qt::CaseInsensitive) == 0
                            ? QStringLiteral("CAST(NULL AS TEXT) AS ") + name
                            : name);
        }
        Run(QStringLiteral("CREATE OR REPLACE VIEW %1.users AS SELECT %2 FROM %3.users")
                .arg(kClientSchema, columns.join(QStringLiteral(", ")), tables));
        // What the role may read: every table of the server but the users themselves.
        Run(QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM %2")
                .arg(tables, kClientRole));
        Run(QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO %2")
                .arg(tables, kClientRole));
        Run(QStringLiteral("REVOKE ALL ON %1.users FROM %2").arg(tables, kClientRole));
        for (const QString &table : ServerOnlyTables())
            Run(QStringLiteral("REVOKE ALL ON %1.%2 FROM %3")
                    .arg(tables, table.toLower(), kClientRole));
        Run(QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(kClientSchema, kClientRole));
        Run(QStringLiteral("GRANT SELECT ON %1.users TO %2").arg(kClientSchema, kClientRole));
        // The function runs as the role (security definer), where PostgreSQL refuses to switch
        // roles; it checks that the text is one query (a cursor takes nothing else), makes the
        // table of its rows, turns the transaction read-only and only then runs it.
        Run(QStringLiteral("CREATE OR REPLACE FUNCTION %1.run_query(command TEXT) RETURNS VOID "
                           "LANGUAGE plpgsql SECURITY DEFINER SET search_path = %1, %2 AS $f$ "
                           "DECLARE c REFCURSOR; "
                           "BEGIN "
                           "OPEN c FOR EXECUTE command; CLOSE c; "
                           "EXECUTE 'CREATE TEMPORARY TABLE orv7_client_rows ON COMMIT DROP AS ' "
                           "|| command || ' WITH NO DATA'; "
                           "PERFORM set_config('transaction_read_only', 'on', true); "
                           "EXECUTE 'INSERT INTO pg_temp.orv7_client_rows ' || command; "
                           "END $f$")
                .arg(kClientSchema, tables));
        Run(QStringLiteral("ALTER FUNCTION %1.run_query(TEXT) OWNER TO %2")
                .arg(kClientSchema, kClientRole));
        Run(QStringLiteral("REVOKE ALL ON FUNCTION %1.run_query(TEXT) FROM PUBLIC")
                .arg(kClientSchema));
    });
}
