// A query dataset reading an SQLite file: every value as the column's field type makes of it,
// whatever SQLite stored (its columns take any kind of value), named parameters, and the
// database's errors; and reading a PostgreSQL database of a throw-away cluster the same way.

#include "SqlQuery.h"
#include "TempPostgres.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Conn = QStringLiteral("sqlquery-test");

struct TColumnCase {
    const char *Name;
    TFieldType Type;
};
// One column per kind of field; the rows below store every kind of SQLite value in each.
const TColumnCase Columns[] = {{"S", ftString},   {"I", ftInteger}, {"H", ftSmallint},
                               {"L", ftLargeint}, {"B", ftBoolean}, {"F", ftFloat},
                               {"C", ftCurrency}, {"D", ftDate},    {"T", ftDateTime},
                               {"X", ftBlob},     {"M", ftMemo}};
const char *const StoredValues[] = {
    "NULL",
    "42",
    "-40000",
    "1099511627776",
    "2.5",
    "'text'",
    "'12'",
    "'學生'",
    "CAST(x'41C328' AS TEXT)", // not UTF-8
    "x'00FF41'",
    "x'E5ADB8'",
    "'2024-02-29'",
    "'2024-02-29 13:05:09'",
    "'2024-02-29T23:59:59'",
    "'2024/2/29 8:05'",
    "'1899-12-29 06:00:00'",
    "45000.25",
    "0",
    "'true'",
};

struct TDatabase {
    QTemporaryDir Dir;
    TDatabase() {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Conn);
        db.setDatabaseName(Dir.filePath(QStringLiteral("values.db")));
        if (!db.open())
            qFatal("cannot open the test database");
    }
    ~TDatabase() {
        QSqlDatabase::database(Conn).close();
        QSqlDatabase::removeDatabase(Conn);
    }
    TDatabase(const TDatabase &) = delete;
    TDatabase &operator=(const TDatabase &) = delete;
    void Exec(const QString &sql) {
        QSqlQuery q(QSqlDatabase::database(Conn));
        if (!q.exec(sql))
            qFatal("%s", qPrintable(sql));
    }
};

// What reading a value through Qt SQL gives for a field type; an error as its text.
QString Expected(const QVariant &stored, TFieldType type) {
    try {
        return VarToStr(SqlToVariant(stored, type)) + QLatin1Char('|') +
               QString::number(SqlToVariant(stored, type).IsNull());
    } catch (const Exception &e) {
        return QStringLiteral("error: ") + e.Message();
    }
}
} // namespace

class TstSqlQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyStoredValueReadAsQtSqlReadsIt();
    void parametersByName();
    void errorsOfTheDatabase();
    void columnsWithoutDefinitionsTakeTheResultsTypes();
    void everyPostgresValueReadAsQtSqlReadsIt();
    void postgresErrorsRunNothing();
};

// Each stored value in a column of each field type: the query gives what Qt SQL's reading
// gives (numbers in text columns, text in number columns, dates as text or days, text that is
// not UTF-8, bytes in text columns, integers too large for the field).
void TstSqlQuery::everyStoredValueReadAsQtSqlReadsIt() {
    TDatabase db;
    QStringList columns;
    for (const TColumnCase &c : Columns)
        columns << QString::fromLatin1(c.Name);
    db.Exec(QStringLiteral("CREATE TABLE v (N INTEGER PRIMARY KEY, %1)").arg(columns.join(", ")));
    for (const TColumnCase &c : Columns) {
        TSqlQuery query;
        query.SetConnectionName(Conn);
        for (const char *value : StoredValues) {
            db.Exec(QStringLiteral("DELETE FROM v"));
            db.Exec(QStringLiteral("INSERT INTO v (N, %1) VALUES (1, %2)")
                        .arg(QString::fromLatin1(c.Name), QString::fromUtf8(value)));
            QSqlQuery peek(QSqlDatabase::database(Conn));
            peek.exec(QStringLiteral("SELECT %1 FROM v").arg(QString::fromLatin1(c.Name)));
            QVERIFY(peek.next());
            const QString expected = Expected(peek.value(0), c.Type);

            query.Close();
            query.FieldDefs().Clear();
            query.FieldDefs().Add(QString::fromLatin1(c.Name), c.Type, c.Type == ftString ? 40 : 0);
            query.SetSQL(QStringLiteral("SELECT %1 FROM v").arg(QString::fromLatin1(c.Name)));
            QString got;
            try {
                query.Open();
                QCOMPARE(query.RecordCount(), 1);
                const Variant v = query.Fields()[0]->Value();
                got = VarToStr(v) + QLatin1Char('|') + QString::number(v.IsNull());
            } catch (const Exception &e) {
                got = QStringLiteral("error: ") + e.Message();
            }
            if (got != expected)
                QFAIL(qPrintable(QStringLiteral("column %1, stored %2: got %3, expected %4")
                                     .arg(QString::fromLatin1(c.Name), QString::fromUtf8(value),
                                          got, expected)));
        }
    }
}

void TstSqlQuery::parametersByName() {
    TDatabase db;
    db.Exec(QStringLiteral("CREATE TABLE p (ID INTEGER, Name TEXT, Born TEXT)"));
    db.Exec(QStringLiteral("INSERT INTO p VALUES (1, 'a', '2001-02-03'), (2, 'b', '2002-03-04'), "
                           "(3, 'c', NULL)"));
    TSqlQuery query;
    query.SetConnectionName(Conn);
    query.SetSQL(QStringLiteral("SELECT ID, Name FROM p WHERE ID >= :Lo AND Name <> :Skip "
                                "AND (Born = :Born OR :Born IS NULL) ORDER BY ID"));
    query.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    query.FieldDefs().Add(QStringLiteral("Name"), ftString, 10);
    query.Params().CreateParam(ftInteger, QStringLiteral("Lo"), ptInput).SetValue(Variant(2));
    query.Params().CreateParam(ftString, QStringLiteral("Skip"), ptInput).SetValue(Variant("x"));
    query.Params().CreateParam(ftDate, QStringLiteral("Born"), ptInput).SetValue(Variant());
    // A parameter the text does not name is left out.
    query.Params().CreateParam(ftString, QStringLiteral("Unused"), ptInput).SetValue(Variant("y"));
    query.Open();
    QCOMPARE(query.RecordCount(), 2);
    query.Close();
    query.Params()
        .ParamByName(QStringLiteral("Born"))
        .SetValue(Variant(TDateTime::EncodeDate(2002, 3, 4)));
    query.Open();
    QCOMPARE(query.RecordCount(), 1);
    QCOMPARE(query.FieldByName(QStringLiteral("Name"))->AsString(), QString("b"));
}

void TstSqlQuery::errorsOfTheDatabase() {
    TDatabase db;
    db.Exec(QStringLiteral("CREATE TABLE e (ID INTEGER, D TEXT)"));
    db.Exec(QStringLiteral("INSERT INTO e VALUES (1, '2024-02-30')"));
    TSqlQuery query;
    query.SetConnectionName(Conn);
    query.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    const auto fails = [&](const QString &sql, const QString &part) {
        query.Close();
        query.SetSQL(sql);
        try {
            query.Open();
        } catch (const EDatabaseError &e) {
            if (!e.Message().contains(part))
                qWarning("%s", qPrintable(e.Message()));
            return e.Message().contains(part) && !query.Active();
        }
        return false;
    };
    QVERIFY(fails(QStringLiteral("SELECT ID FROM missing"), QStringLiteral("no such table")));
    QVERIFY(fails(QStringLiteral("SELECT ID FROM e; DELETE FROM e"),
                  QStringLiteral("multiple statements")));
    query.FieldDefs().Add(QStringLiteral("D"), ftDate);
    QVERIFY(fails(QStringLiteral("SELECT ID, D FROM e"), QStringLiteral("not a valid date")));
    // Nothing was run by the refused statement, and the table reads again once mended.
    db.Exec(QStringLiteral("UPDATE e SET D = '2024-02-29'"));
    query.Open();
    QCOMPARE(query.RecordCount(), 1);
    QCOMPARE(query.FieldByName(QStringLiteral("D"))->AsDateTime().Value(),
             TDateTime::EncodeDate(2024, 2, 29).Value());
}

void TstSqlQuery::columnsWithoutDefinitionsTakeTheResultsTypes() {
    TDatabase db;
    db.Exec(QStringLiteral("CREATE TABLE t (ID INTEGER, Name VARCHAR(10), Score REAL)"));
    db.Exec(QStringLiteral("INSERT INTO t VALUES (7, '甲', 1.5)"));
    TSqlQuery query;
    query.SetConnectionName(Conn);
    query.SetSQL(QStringLiteral("SELECT ID, Name, Score FROM t"));
    query.Open();
    QCOMPARE(query.FieldCount(), 3);
    QCOMPARE(query.FieldByName(QStringLiteral("ID"))->AsInteger(), 7);
    QCOMPARE(query.FieldByName(QStringLiteral("Name"))->AsString(), QString("甲"));
    QCOMPARE(query.FieldByName(QStringLiteral("Score"))->AsFloat(), 1.5);
}

namespace {
const QString PgConn = QStringLiteral("sqlquery-pg");

// A new database of the test program's cluster on the connection PgConn; false (the test
// skipped) when the machine has no PostgreSQL.
bool OpenPostgres() {
    const QString why = TTempPostgres::Unavailable();
    if (!why.isEmpty())
        return false;
    TTempPostgres &cluster = TTempPostgres::Shared();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), PgConn);
    db.setDatabaseName(cluster.CreateDatabase());
    db.setHostName(cluster.Host());
    db.setPort(cluster.Port());
    db.setUserName(cluster.User());
    return db.open();
}

bool PgExec(const QString &sql) {
    QSqlQuery q(QSqlDatabase::database(PgConn));
    return q.exec(sql);
}
} // namespace

// Each value of each kind of column that the school's tables use (and one they do not), read
// into each field type: the query gives what Qt SQL's reading gives.
void TstSqlQuery::everyPostgresValueReadAsQtSqlReadsIt() {
    if (!OpenPostgres())
        QSKIP(qPrintable(QStringLiteral("PostgreSQL tests skipped: ") +
                         TTempPostgres::Unavailable()));
    const char *const columnTypes[] = {"VARCHAR(40)", "TEXT",   "CHAR(6)",         "INTEGER",
                                       "SMALLINT",    "BIGINT", "DOUBLE PRECISION"};
    const char *const values[] = {"NULL",
                                  "'text'",
                                  "''",
                                  "'12'",
                                  "'-40000'",
                                  "'學生'",
                                  "'2024-02-29'",
                                  "'2024-02-29 13:05:09'",
                                  "'2024-02-29T23:59:59'",
                                  "'2024/2/29 8:05'",
                                  "'2024-02-30 08:00:00'",
                                  "'1899-12-29 06:00:00'",
                                  "'true'",
                                  "0",
                                  "42",
                                  "-40000",
                                  "70000",
                                  "1099511627776",
                                  "-9223372036854775808",
                                  "2.5"};
    const TFieldType fieldTypes[] = {ftString,   ftMemo,     ftInteger,  ftSmallint,
                                     ftWord,     ftLargeint, ftBoolean,  ftFloat,
                                     ftCurrency, ftDate,     ftDateTime, ftBlob};
    int compared = 0;
    for (const char *column : columnTypes) {
        QVERIFY(PgExec(QStringLiteral("DROP TABLE IF EXISTS v")));
        QVERIFY(PgExec(QStringLiteral("CREATE TABLE v (V %1)").arg(QString::fromLatin1(column))));
        for (const char *value : values) {
            PgExec(QStringLiteral("DELETE FROM v"));
            // A value the column cannot take is no case.
            if (!PgExec(QStringLiteral("INSERT INTO v VALUES (%1)").arg(QString::fromUtf8(value))))
                continue;
            QSqlQuery peek(QSqlDatabase::database(PgConn));
            QVERIFY(peek.exec(QStringLiteral("SELECT V FROM v")));
            QVERIFY(peek.next());
            const QVariant stored = peek.value(0);
            peek.finish();
            for (TFieldType type : fieldTypes) {
                const QString expected = Expected(stored, type);
                TSqlQuery query;
                query.SetConnectionName(PgConn);
                query.FieldDefs().Add(QStringLiteral("V"), type, type == ftString ? 40 : 0);
                query.SetSQL(QStringLiteral("SELECT V FROM v"));
                QString got;
                try {
                    query.Open();
                    QCOMPARE(query.RecordCount(), 1);
                    const Variant v = query.Fields()[0]->Value();
                    got = VarToStr(v) + QLatin1Char('|') + QString::number(v.IsNull());
                } catch (const Exception &e) {
                    got = QStringLiteral("error: ") + e.Message();
                }
                if (got != expected)
                    QFAIL(qPrintable(QStringLiteral("column %1, stored %2 as %3: got %4, "
                                                    "expected %5")
                                         .arg(QString::fromLatin1(column), QString::fromUtf8(value),
                                              FieldTypeName(type), got, expected)));
                ++compared;
            }
        }
    }
    QVERIFY(compared > 500);
    QSqlDatabase::database(PgConn).close();
    QSqlDatabase::removeDatabase(PgConn);
}

// A statement the database refuses raises its message, and a text of two statements runs
// neither: the rows are all there after it, in a transaction that goes on.
void TstSqlQuery::postgresErrorsRunNothing() {
    if (!OpenPostgres())
        QSKIP(qPrintable(QStringLiteral("PostgreSQL tests skipped: ") +
                         TTempPostgres::Unavailable()));
    QVERIFY(PgExec(QStringLiteral("CREATE TABLE e (ID INTEGER, Name VARCHAR(10))")));
    QVERIFY(PgExec(QStringLiteral("INSERT INTO e VALUES (1, 'a'), (2, 'b')")));
    {
        TSqlQuery query;
        query.SetConnectionName(PgConn);
        query.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        query.FieldDefs().Add(QStringLiteral("Name"), ftString, 10);
        query.SetSQL(QStringLiteral("SELECT ID, Name FROM missing"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, query.Open());
        QVERIFY(!query.Active());
        query.SetSQL(QStringLiteral("SELECT ID, Name FROM e; DELETE FROM e"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, query.Open());
        query.SetSQL(QStringLiteral("SELECT ID, Name FROM e ORDER BY ID"));
        QSqlDatabase::database(PgConn).transaction();
        query.Open();
        QCOMPARE(query.RecordCount(), 2);
        query.Last();
        QCOMPARE(query.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("b"));
        // The rows read inside a transaction are the transaction's.
        QVERIFY(PgExec(QStringLiteral("DELETE FROM e WHERE ID = 1")));
        query.Close();
        query.Open();
        QCOMPARE(query.RecordCount(), 1);
        QSqlDatabase::database(PgConn).rollback();
        query.Close();
        query.Open();
        QCOMPARE(query.RecordCount(), 2);
    }
    QSqlDatabase::database(PgConn).close();
    QSqlDatabase::removeDatabase(PgConn);
}

QTEST_GUILESS_MAIN(TstSqlQuery)
#include "tst_sqlquery.moc"
