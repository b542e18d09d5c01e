#pragma once
// TSqlQuery: a dataset holding the result of an SQL statement run through Qt SQL on a named
// connection (SQLite files now, PostgreSQL through the same layer). Parameters are written
// :Name in the text. Field definitions set before opening fix the types of the columns
// (SQLite reports little about them); otherwise they come from the result.

#include "DataSet.h"
#include "Params.h"

#include <QSqlDatabase>
#include <QVariant>
#include <functional>
#include <vector>

struct pg_conn;
struct sqlite3;

class TSqlQuery : public TDataSet {
    Q_OBJECT
public:
    explicit TSqlQuery(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TSqlQuery"); }

    const QString &ConnectionName() const { return FConnectionName; }
    void SetConnectionName(const QString &name) { FConnectionName = name; }
    QSqlDatabase Database() const;
    const QString &SQL() const { return FSQL; }
    void SetSQL(const QString &sql);
    TParams &Params() { return FParams; }
    // The table that changes are written to; empty: the first table after FROM.
    QString TableName() const;
    void SetTableName(const QString &name) { FTableName = name; }
    // Runs a statement that returns no rows; returns the number of rows affected.
    int ExecSQL();

protected:
    void InternalOpen() override;

private:
    void DefineColumns(const QStringList &names, const std::function<TFieldType(int)> &typeOf);
    bool ColumnsKnown(const QStringList &names);
    // The columns defined and an empty store made for a direct reader; the columns' types.
    std::vector<TFieldType> PrepareDirectStore(const QStringList &names);
    bool OpenFromSqlite(sqlite3 *handle);
    bool OpenFromPostgres(pg_conn *handle);
    QString FConnectionName;
    QString FSQL;
    QString FTableName;
    TParams FParams;
};

// Conversions between engine values and Qt SQL values for a field type.
QVariant VariantToSql(const Variant &value, TFieldType type);
// The text a date ("yyyy-mm-dd"), time ("hh:nn:ss") or date-time ("yyyy-mm-dd hh:nn:ss")
// value is stored as.
QString SqlTemporalText(TDateTime value, TFieldType type);
// The same for a date as ten characters, written directly; false for years outside 0 to 9999.
bool SqlDateChars(TDateTime value, char (&out)[10]);
Variant SqlToVariant(const QVariant &value, TFieldType type);
// The value of a date or date-time text as stored, "yyyy-mm-dd" with " hh:nn:ss" or
// "Thh:nn:ss" after it, read from its bytes as SqlToVariant reads it; false for any other
// form (and for a date or time that does not exist), left to the general conversion.
bool ReadSqlDateText(const char *text, qsizetype size, double &value);
TFieldType FieldTypeOfSql(QMetaType type);
// Runs a prepared statement with positional values; raises EDatabaseError with the
// driver's message on failure.
void ExecPrepared(class QSqlQuery &query, const QString &sql, const std::vector<QVariant> &values);
