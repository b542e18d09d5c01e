#pragma once
// Direct use of the SQLite connection under a Qt SQL connection of the QSQLITE driver, where
// going through Qt's result values for every row costs several times the work itself: reading
// a query's rows into records, and running the statements that apply a delta. Qt's driver on
// this system is built on the system's SQLite library, the one linked here, so its connection
// can be used directly; it keeps the settings made through Qt (busy timeout, authoriser).

#include "DbTypes.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;
class TParams;
class TRecordBuilder;

// The SQLite connection under a Qt connection, or nullptr for other drivers.
sqlite3 *SqliteHandle(const QSqlDatabase &db);

// One prepared statement reading rows. Every failure raises EDatabaseError with SQLite's
// message.
class TSqliteReader {
public:
    TSqliteReader(sqlite3 *db, const QString &sql);
    ~TSqliteReader();
    TSqliteReader(const TSqliteReader &) = delete;
    TSqliteReader &operator=(const TSqliteReader &) = delete;

    // Binds parameters by name (:Name in the text); names the text lacks are left out.
    void Bind(const TParams &params);
    int ColumnCount() const;
    QString ColumnName(int column) const;
    // Moves to the next row; false after the last.
    bool Step();
    // A column of the current row as Qt's SQLite driver gives it: integer, double, text,
    // bytes, or null.
    QVariant Value(int column) const;
    // A column of the current row written into a record field of the given type, when the
    // stored value needs no conversion beyond what the field's type implies (the usual case);
    // false leaves the field untouched, for the caller to convert through Value.
    bool ReadInto(int column, int field, TFieldType type, TRecordBuilder &record) const;

private:
    [[noreturn]] void Fail() const;
    sqlite3 *FDb;
    sqlite3_stmt *FStmt = nullptr;
};
