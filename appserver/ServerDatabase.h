#pragma once
// The server's database: an SQLite file by default, PostgreSQL (or any Qt SQL driver) by
// configuration. On first start the schema is created together with the demo school, in one
// transaction. Every change a method makes runs inside Transaction(), so a failure or a crash
// leaves nothing half-written.
//
// Command texts that clients send must be one statement that only reads, and never see the
// password hashes. With SQLite the authoriser refuses every write while they run and makes the
// hashes read as NULL. With PostgreSQL they run inside a function of the database that executes
// them as the role orv7_client_query: that role may only read the tables (the users through a
// view of the same name whose hashes are NULL), cannot switch to another role from inside the
// function, and the transaction is read-only and always rolled back; the rows land in a
// temporary table that the server then reads.
//
// PostgreSQL (driver QPSQL) serves several server processes sharing one database; the first
// to start creates the schema under an advisory lock. Names that PostgreSQL reports come back
// in lower case (it folds unquoted names), which the providers follow. The database user needs
// the right to create roles the first time (or the role orv7_client_query made beforehand with
// that user as a member).

#include "DemoSchool.h"
#include "Passwords.h"
#include "Variant.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

struct TDatabaseConfig {
    QString Driver = QStringLiteral("QSQLITE");
    QString Name; // SQLite: the file; otherwise the database name
    QString Host;
    int Port = 0;
    QString User;
    QString Password;
    THashCost HashCost = THashCost::Interactive; // for the demo accounts created at first start
    int DemoPort = 2001; // the port the demo school's server locations name (first start)
};

class TServerDatabase {
public:
    // Opens the database on the calling thread under a connection name of its own; creates
    // schema and demo school when the database is empty. Raises EServerError on failure.
    // Attach: a further connection to a database that a server has already opened (for a
    // worker thread), without any schema work.
    enum class TOpenMode { Open, Attach };
    explicit TServerDatabase(const TDatabaseConfig &config, TOpenMode mode = TOpenMode::Open);
    // PostgreSQL: the advisory lock that servers sharing a database hold while they change its
    // schema.
    static constexpr int SchemaLock = 20010001;
    ~TServerDatabase();
    TServerDatabase(const TServerDatabase &) = delete;
    TServerDatabase &operator=(const TServerDatabase &) = delete;

    QSqlDatabase Db() const { return QSqlDatabase::database(FConnection, false); }
    const QString &ConnectionName() const { return FConnection; }
    bool IsSQLite() const { return FSQLite; }

    // Runs a statement with positional (?) bindings; raises EServerError with the driver's text.
    QSqlQuery Exec(const QString &sql, const QVariantList &binds = {});
    // The first column of the first row, or an invalid QVariant when there is no row.
    QVariant Scalar(const QString &sql, const QVariantList &binds = {});
    // Runs work inside one transaction: committed when it returns, rolled back when it raises.
    void Transaction(const std::function<void()> &work);
    // Raises EServerError unless sql is exactly one statement that only reads.
    void CheckClientCommand(const QString &sql);
    // Runs work (statements asked for by a client) with every write refused.
    void ReadOnly(const std::function<void()> &work);
    // Runs a client's command text (checked as CheckClientCommand does) with the values of
    // its parameters: positional for ?, named for :Name. work reads the rows through the
    // statement it is handed, under the read-only guard: with SQLite the text itself, whose
    // parameters the caller binds; with PostgreSQL a statement without parameters over the rows
    // that the text gave.
    void RunClientCommand(const QString &sql, const QVariantList &positional,
                          const QVariantMap &named,
                          const std::function<void(const QString &statement)> &work);
    // Runs a client's command text: exactly one statement that only reads. The rows are all
    // fetched before it returns.
    QSqlQuery ClientQuery(const QString &sql, const QVariantList &binds = {});

    // Text form of dates in the database.
    static QString DateText(TDateTime value);
    static TDateTime TextDate(const QString &text);

private:
    void CreateSchema(THashCost cost, int demoPort);
    // Statements of the schema creating tables that the database lacks.
    QStringList MissingTables();
    // Columns of AddedColumns() that the database's existing tables lack.
    QList<TAddedColumn> MissingColumns();
    // Brings a database made before some tables or columns existed up to the current schema.
    void UpgradeSchema();
    // Makes the academic views (AcadViews.h) as this server defines them: on SQLite those whose
    // statement differs from the one they were made with, on PostgreSQL all of them, inside
    // the transaction that grants the client role its reads.
    void CreateViews();
    QString Dialect(QString sql) const;
    // Runs a statement as it is, without preparing it (PostgreSQL's utility statements).
    void Run(const QString &sql);
    // PostgreSQL: the role, view and function through which client command texts run; made
    // or brought up to date at every start.
    void SetUpClientCommands();
    // A value written as an SQL literal of the database.
    QString Literal(const QVariant &value) const;

    QString FConnection;
    bool FSQLite = false;
    bool FReadOnly = false;  // consulted by the SQLite authoriser
    QStringList FServerOnly; // tables the authoriser keeps from client command texts
    int FCrashAtRow = 0;     // fault injection, see the constructor
    int FPauseAtRow = 0;     // the same, pausing instead
    int FRowsChanged = 0;
    static void RowChanged(void *self, int operation, const char *database, const char *table,
                           long long rowId);
    void *FHandle = nullptr; // sqlite3*
    friend int ServerDatabaseAuthorizer(void *, int, const char *, const char *, const char *,
                                        const char *);
};
