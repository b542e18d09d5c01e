#include "PostgresAccess.h"

#include "Packet.h"
#include "RecordStore.h"
#include "SqlQuery.h"

#include <QSqlDriver>
#include <libpq-fe.h>
#include <limits>

namespace {
// The types of the columns read here (PostgreSQL's catalogue numbers). Not BIGINT: Qt's
// driver gives its values as text or as numbers by the query's precision setting.
constexpr Oid kInt2 = 21, kInt4 = 23, kText = 25, kChar = 1042, kVarchar = 1043;

// PostgreSQL writes an integer as an optional minus and its digits; false for anything else
// (or a number beyond 64 bits).
bool ParseInteger(const char *p, int size, qint64 &value) {
    const bool negative = size > 0 && *p == '-';
    int i = negative ? 1 : 0;
    if (i == size || size - i > 19)
        return false;
    quint64 v = 0;
    for (; i < size; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        v = v * 10 + quint64(p[i] - '0');
    }
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    if (v > limit)
        return false;
    value = negative ? qint64(0 - v) : qint64(v);
    return true;
}
} // namespace

pg_conn *PostgresHandle(const QSqlDatabase &db) {
    const QSqlDriver *driver = db.driver();
    if (!driver || db.driverName() != QLatin1String("QPSQL"))
        return nullptr;
    const QVariant handle = driver->handle();
    // Qt names the type by the structure behind libpq's typedef.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<pg_conn *const *>(handle.constData());
}

TPostgresReader::TPostgresReader(pg_conn *db, const QString &sql) : FDb(db), FSql(sql.toUtf8()) {
    // A connection in the middle of another result (or outside any known state) is Qt's.
    const PGTransactionStatusType status = PQtransactionStatus(FDb);
    if (status != PQTRANS_IDLE && status != PQTRANS_INTRANS)
        return;
    // The unnamed statement: Qt's driver names its own.
    PGresult *prepared = PQprepare(FDb, "", FSql.constData(), 0, nullptr);
    if (PQresultStatus(prepared) != PGRES_COMMAND_OK)
        Fail(prepared);
    PQclear(prepared);
    FDescription = PQdescribePrepared(FDb, "");
    if (PQresultStatus(FDescription) != PGRES_COMMAND_OK)
        Fail(FDescription);
    for (int i = 0; i < PQnfields(FDescription); ++i) {
        switch (PQftype(FDescription, i)) {
        case kInt2:
        case kInt4:
            FKinds.push_back(TKind::Integer);
            break;
        case kText:
        case kChar:
        case kVarchar:
            FKinds.push_back(TKind::Text);
            break;
        default:
            return;
        }
        if (PQfformat(FDescription, i) != 0)
            return;
    }
    FReadable = true;
}

TPostgresReader::~TPostgresReader() {
    PQclear(FRows);
    PQclear(FDescription);
}

void TPostgresReader::Fail(pg_result *result) const {
    QString message = QString::fromUtf8(result ? PQresultErrorMessage(result) : "").trimmed();
    if (message.isEmpty())
        message = QString::fromUtf8(PQerrorMessage(FDb)).trimmed();
    PQclear(result);
    DatabaseError(message);
}

int TPostgresReader::ColumnCount() const {
    return PQnfields(FDescription);
}

QString TPostgresReader::ColumnName(int column) const {
    return QString::fromUtf8(PQfname(FDescription, column));
}

void TPostgresReader::Run() {
    FRows = PQexecPrepared(FDb, "", 0, nullptr, nullptr, nullptr, 0);
    if (PQresultStatus(FRows) != PGRES_TUPLES_OK) {
        PGresult *failed = FRows;
        FRows = nullptr;
        Fail(failed);
    }
}

int TPostgresReader::RowCount() const {
    return PQntuples(FRows);
}

QVariant TPostgresReader::Value(int row, int column) const {
    if (PQgetisnull(FRows, row, column))
        return QVariant();
    const char *text = PQgetvalue(FRows, row, column);
    const int size = PQgetlength(FRows, row, column);
    if (FKinds[size_t(column)] == TKind::Text)
        return QVariant(QString::fromUtf8(text, size));
    return QVariant(QByteArray::fromRawData(text, size).toInt());
}

bool TPostgresReader::ReadInto(int row, int column, int field, TFieldType type,
                               TRecordBuilder &record) const {
    if (PQgetisnull(FRows, row, column)) {
        record.SetNull(field);
        return true;
    }
    const char *text = PQgetvalue(FRows, row, column);
    const int size = PQgetlength(FRows, row, column);
    const bool integer = FKinds[size_t(column)] == TKind::Integer;
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
        // Text that is not valid UTF-8 goes through the general conversion, which mends it;
        // an integer's digits are its text.
        if (!integer && !IsValidUtf8(text, size))
            return false;
        record.BeginBytes(field);
        record.AppendBytes(text, size);
        return true;
    case ftBoolean:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: {
        qint64 v;
        if (!integer || !ParseInteger(text, size, v))
            return false;
        if (type == ftBoolean) {
            record.SetInt(field, v != 0);
            return true;
        }
        // A number the field cannot hold is refused by the general conversion.
        const bool fits =
            type == ftLargeint || (type == ftSmallint ? v >= -32768 && v <= 32767
                                   : type == ftWord   ? v >= 0 && v <= 65535
                                                      : v >= std::numeric_limits<qint32>::min() &&
                                                          v <= std::numeric_limits<qint32>::max());
        if (!fits)
            return false;
        record.SetInt(field, v);
        return true;
    }
    case ftFloat: {
        qint64 v;
        if (!integer || !ParseInteger(text, size, v))
            return false;
        record.SetFloat(field, double(v));
        return true;
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        double value;
        if (integer) {
            qint64 v;
            if (!ParseInteger(text, size, v))
                return false;
            value = double(v);
        } else if (!ReadSqlDateText(text, size, value)) {
            return false;
        }
        record.SetFloat(field, value);
        return true;
    }
    default:
        return false;
    }
}
