#pragma once
// Direct use of the PostgreSQL connection under a Qt SQL connection of the QPSQL driver, for
// reading a query's rows into records: Qt's driver turns every value into a variant and every
// text into UTF-16, which the records turn back into the bytes the database sent. Qt's driver
// is built on the system's libpq, the one linked here; its connection keeps the settings made
// through Qt (text in UTF-8, ISO dates) and its transaction.
//
// Only results whose columns are all of the kinds read here are read this way: integers of up
// to 32 bits and text. The statement is described before it runs, so that any other result is
// left to Qt with nothing run yet.

#include "DbTypes.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

struct pg_conn;
struct pg_result;
class TRecordBuilder;

// The PostgreSQL connection under a Qt connection, or nullptr for other drivers.
pg_conn *PostgresHandle(const QSqlDatabase &db);

// One statement without parameters, its rows read from one result. Failures of the database
// raise EDatabaseError with its message.
class TPostgresReader {
public:
    TPostgresReader(pg_conn *db, const QString &sql);
    ~TPostgresReader();
    TPostgresReader(const TPostgresReader &) = delete;
    TPostgresReader &operator=(const TPostgresReader &) = delete;

    // After describing the statement: whether its columns can be read here. False leaves the
    // statement unrun, for Qt to run; so does a connection busy with another result.
    bool Readable() const { return FReadable; }
    int ColumnCount() const;
    QString ColumnName(int column) const;
    // Runs the statement; its rows are then there to read.
    void Run();
    int RowCount() const;
    // A value as Qt's PostgreSQL driver gives it: integer, text (from UTF-8), or null.
    QVariant Value(int row, int column) const;
    // A value written into a record field of the given type when it needs no conversion
    // beyond what the field's type implies (the usual case); false leaves the field untouched,
    // for the caller to convert through Value.
    bool ReadInto(int row, int column, int field, TFieldType type, TRecordBuilder &record) const;

private:
    [[noreturn]] void Fail(pg_result *result) const;
    enum class TKind { Integer, Text };
    pg_conn *FDb;
    QByteArray FSql;
    pg_result *FDescription = nullptr;
    pg_result *FRows = nullptr;
    std::vector<TKind> FKinds;
    bool FReadable = false;
};
