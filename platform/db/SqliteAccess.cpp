#include "SqliteAccess.h"

#include "Packet.h"
#include "Params.h"
#include "RecordStore.h"
#include "SqlQuery.h"

#include <QDate>
#include <QSqlDriver>
#include <limits>
#include <sqlite3.h>

sqlite3 *SqliteHandle(const QSqlDatabase &db) {
    const QSqlDriver *driver = db.driver();
    if (!driver || db.driverName() != QLatin1String("QSQLITE"))
        return nullptr;
    const QVariant handle = driver->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

TSqliteReader::TSqliteReader(sqlite3 *db, const QString &sql) : FDb(db) {
    const QByteArray text = sql.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(FDb, text.constData(), static_cast<int>(text.size()), &FStmt, &tail) !=
        SQLITE_OK)
        Fail();
    if (!FStmt)
        DatabaseError(QStringLiteral("The statement is empty"));
    // One statement only: text after it would be silently left out.
    for (const char *end = text.constData() + text.size(); tail && tail < end; ++tail)
        if (!QChar::isSpace(static_cast<uchar>(*tail))) {
            sqlite3_finalize(FStmt);
            DatabaseError(QStringLiteral("Unable to execute multiple statements at a time"));
        }
}

TSqliteReader::~TSqliteReader() {
    sqlite3_finalize(FStmt);
}

void TSqliteReader::Fail() const {
    DatabaseError(QString::fromUtf8(sqlite3_errmsg(FDb)));
}

void TSqliteReader::Bind(const TParams &params) {
    for (int i = 0; i < params.Count(); ++i) {
        const TParam &p = params[i];
        const int at =
            sqlite3_bind_parameter_index(FStmt, (QLatin1Char(':') + p.Name()).toUtf8().constData());
        if (at == 0)
            continue;
        const QVariant v =
            VariantToSql(p.Value(), p.DataType() == ftUnknown ? ftString : p.DataType());
        int rc;
        if (v.isNull()) {
            rc = sqlite3_bind_null(FStmt, at);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Short:
                rc = sqlite3_bind_int64(FStmt, at, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(FStmt, at, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = v.toByteArray();
                rc = sqlite3_bind_blob64(FStmt, at, bytes.constData(),
                                         static_cast<sqlite3_uint64>(bytes.size()),
                                         SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray text = v.toString().toUtf8();
                rc = sqlite3_bind_text64(FStmt, at, text.constData(),
                                         static_cast<sqlite3_uint64>(text.size()), SQLITE_TRANSIENT,
                                         SQLITE_UTF8);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            Fail();
    }
}

int TSqliteReader::ColumnCount() const {
    return sqlite3_column_count(FStmt);
}

QString TSqliteReader::ColumnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(FStmt, column));
}

bool TSqliteReader::Step() {
    const int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Fail();
}

QVariant TSqliteReader::Value(int column) const {
    switch (sqlite3_column_type(FStmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(FStmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(FStmt, column));
    case SQLITE_BLOB: {
        const void *data = sqlite3_column_blob(FStmt, column);
        return QVariant(
            QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(FStmt, column)));
    }
    case SQLITE_TEXT: {
        const void *text = sqlite3_column_text16(FStmt, column);
        return QVariant(QString(reinterpret_cast<const QChar *>(text),
                                sqlite3_column_bytes16(FStmt, column) / 2));
    }
    default:
        return QVariant();
    }
}

namespace {
bool Fits(qint64 v, TStoreKind kind) {
    switch (kind) {
    case TStoreKind::Int16:
        return v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max();
    case TStoreKind::Int32:
        return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
    default:
        return true;
    }
}
} // namespace

bool TSqliteReader::ReadInto(int column, int field, TFieldType type, TRecordBuilder &record) const {
    const int storage = sqlite3_column_type(FStmt, column);
    if (storage == SQLITE_NULL) {
        record.SetNull(field);
        return true;
    }
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftBlob:
    case ftGraphic: {
        const bool text = type == ftString || type == ftWideString || type == ftMemo;
        if (storage != SQLITE_TEXT && (text || storage != SQLITE_BLOB))
            return false;
        const void *data = storage == SQLITE_TEXT
                               ? static_cast<const void *>(sqlite3_column_text(FStmt, column))
                               : sqlite3_column_blob(FStmt, column);
        const int size = sqlite3_column_bytes(FStmt, column);
        // Text that is not valid UTF-8 goes through the general conversion, which mends it.
        if (storage == SQLITE_TEXT && !IsValidUtf8(static_cast<const char *>(data), size))
            return false;
        record.BeginBytes(field);
        record.AppendBytes(static_cast<const char *>(data), size);
        return true;
    }
    case ftBoolean:
        if (storage != SQLITE_INTEGER)
            return false;
        record.SetInt(field, sqlite3_column_int64(FStmt, column) != 0);
        return true;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: {
        if (storage != SQLITE_INTEGER)
            return false;
        const qint64 v = sqlite3_column_int64(FStmt, column);
        const bool fits = type == ftLargeint || (type == ftSmallint ? Fits(v, TStoreKind::Int16)
                                                 : type == ftWord   ? v >= 0 && v <= 65535
                                                                    : Fits(v, TStoreKind::Int32));
        if (!fits)
            return false;
        record.SetInt(field, v);
        return true;
    }
    case ftFloat:
        if (storage != SQLITE_INTEGER && storage != SQLITE_FLOAT)
            return false;
        record.SetFloat(field, sqlite3_column_double(FStmt, column));
        return true;
    case ftDate:
    case ftTime:
    case ftDateTime: {
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
            record.SetFloat(field, sqlite3_column_double(FStmt, column));
            return true;
        }
        double value;
        if (storage != SQLITE_TEXT ||
            !ReadSqlDateText(reinterpret_cast<const char *>(sqlite3_column_text(FStmt, column)),
                             sqlite3_column_bytes(FStmt, column), value))
            return false;
        record.SetFloat(field, value);
        return true;
    }
    default:
        return false;
    }
}
