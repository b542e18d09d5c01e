#include "SqlQuery.h"

#include "PostgresAccess.h"
#include "RecordStore.h"
#include "SqliteAccess.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <climits>

TSqlQuery::TSqlQuery(QObject *owner) : TDataSet(owner) {}

QSqlDatabase TSqlQuery::Database() const {
    return FConnectionName.isEmpty() ? QSqlDatabase::database()
                                     : QSqlDatabase::database(FConnectionName);
}

void TSqlQuery::SetSQL(const QString &sql) {
    if (sql == FSQL)
        return;
    Close();
    FSQL = sql;
}

QString TSqlQuery::TableName() const {
    if (!FTableName.isEmpty())
        return FTableName;
    static const QRegularExpression from(
        QStringLiteral("\\bfrom\\s+([A-Za-z_][A-Za-z0-9_\\.]*|\"[^\"]+\")"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = from.match(FSQL);
    QString name = m.hasMatch() ? m.captured(1) : QString();
    if (name.startsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    return name;
}

TFieldType FieldTypeOfSql(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Bool:
        return ftBoolean;
    case QMetaType::Short:
    case QMetaType::UShort:
        return ftSmallint;
    case QMetaType::Int:
    case QMetaType::UInt:
        return ftInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return ftLargeint;
    case QMetaType::Float:
    case QMetaType::Double:
        return ftFloat;
    case QMetaType::QDate:
        return ftDate;
    case QMetaType::QTime:
        return ftTime;
    case QMetaType::QDateTime:
        return ftDateTime;
    case QMetaType::QByteArray:
        return ftBlob;
    default:
        return ftString;
    }
}

bool SqlDateChars(TDateTime value, char (&out)[10]) {
    int year, month, day;
    value.DecodeDate(year, month, day);
    if (year < 0 || year > 9999 || month < 1)
        return false;
    const auto two = [](char *p, int v) {
        p[0] = static_cast<char>('0' + v / 10);
        p[1] = static_cast<char>('0' + v % 10);
    };
    two(out, year / 100);
    two(out + 2, year % 100);
    out[4] = '-';
    two(out + 5, month);
    out[7] = '-';
    two(out + 8, day);
    return true;
}

QString SqlTemporalText(TDateTime value, TFieldType type) {
    switch (type) {
    case ftDate: {
        // Years of four digits, the dates every school has, are written directly; the others
        // take the general formatting.
        char text[10];
        if (SqlDateChars(value, text))
            return QString::fromLatin1(text, 10);
        return DateToStr(value).replace(QLatin1Char('/'), QLatin1Char('-'));
    }
    case ftTime:
        return TimeToStr(value);
    default:
        return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), value);
    }
}

QVariant VariantToSql(const Variant &v, TFieldType type) {
    if (v.IsEmptyOrNull()) {
        switch (type) {
        case ftString:
        case ftWideString:
        case ftMemo:
            return QVariant(QMetaType::fromType<QString>());
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            return QVariant(QMetaType::fromType<double>());
        case ftBlob:
        case ftGraphic:
        case ftDataSet:
            return QVariant(QMetaType::fromType<QByteArray>());
        default:
            return QVariant(QMetaType::fromType<qlonglong>());
        }
    }
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
        return v.ToString();
    case ftBoolean:
        return v.ToBool() ? 1 : 0;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return QVariant(static_cast<qlonglong>(v.ToInt64()));
    case ftFloat:
        return v.ToDouble();
    case ftCurrency:
    case ftBCD:
        return v.ToCurrency().ToDouble();
    case ftDate:
    case ftTime:
    case ftDateTime:
        return SqlTemporalText(v.ToDateTime(), type);
    default:
        return v.ToBytes();
    }
}

namespace {
Variant ConvertSqlValue(const QVariant &q, TFieldType type) {
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
        return Variant(q.toString());
    case ftBoolean:
        return Variant(q.typeId() == QMetaType::QString ? Variant(q.toString()).ToBool()
                                                        : q.toBool());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        // A stored number the field cannot hold is refused rather than cut to fit.
        const qlonglong v = q.toLongLong();
        const qlonglong low = type == ftSmallint ? -32768 : type == ftWord ? 0 : INT_MIN;
        const qlonglong high = type == ftSmallint ? 32767 : type == ftWord ? 65535 : INT_MAX;
        if (v < low || v > high)
            DatabaseError(QStringLiteral("%1 does not fit a field of type %2")
                              .arg(v)
                              .arg(FieldTypeName(type)));
        return Variant(static_cast<int>(v));
    }
    case ftLargeint:
        return Variant(static_cast<qint64>(q.toLongLong()));
    case ftFloat:
        return Variant(q.toDouble());
    case ftCurrency:
    case ftBCD:
        return Variant(Currency::FromDouble(q.toDouble()));
    case ftDate:
    case ftTime:
    case ftDateTime:
        switch (q.typeId()) {
        case QMetaType::QDate:
            return Variant(TDateTime::FromDate(q.toDate()));
        case QMetaType::QTime:
            return Variant(TDateTime::FromTime(q.toTime()));
        case QMetaType::QDateTime:
            return Variant(TDateTime::FromQDateTime(q.toDateTime()));
        case QMetaType::Double:
        case QMetaType::Int:
        case QMetaType::LongLong:
            return Variant(TDateTime(q.toDouble()));
        default: {
            QString text = q.toString();
            text.replace(QLatin1Char('T'), QLatin1Char(' '));
            TDateTime t;
            if (TryStrToDateTime(text, t))
                return Variant(t);
            DatabaseError(QStringLiteral("'%1' is not a valid date and time").arg(q.toString()));
        }
        }
    default:
        return Variant(q.toByteArray());
    }
}

} // namespace

Variant SqlToVariant(const QVariant &q, TFieldType type) {
    if (q.isNull() || !q.isValid())
        return Variant::Null();
    try {
        return ConvertSqlValue(q, type);
    } catch (const EVariantError &) {
        DatabaseError(QStringLiteral("'%1' is not a valid value for a field of type %2")
                          .arg(q.toString(), FieldTypeName(type)));
    }
}

bool ReadSqlDateText(const char *p, qsizetype size, double &value) {
    if (size != 10 && size != 19)
        return false;
    const auto digits = [p](int at, int count, int &out) {
        out = 0;
        for (int i = at; i < at + count; ++i) {
            if (p[i] < '0' || p[i] > '9')
                return false;
            out = out * 10 + (p[i] - '0');
        }
        return true;
    };
    int y, m, d;
    if (!digits(0, 4, y) || p[4] != '-' || !digits(5, 2, m) || p[7] != '-' || !digits(8, 2, d))
        return false;
    const QDate date(y, m, d);
    if (!date.isValid())
        return false;
    value = TDateTime::FromDate(date).Value();
    if (size == 19) {
        int h, mi, s;
        if ((p[10] != ' ' && p[10] != 'T') || !digits(11, 2, h) || p[13] != ':' ||
            !digits(14, 2, mi) || p[16] != ':' || !digits(17, 2, s) || h > 23 || mi > 59 || s > 59)
            return false;
        const double t = TDateTime::EncodeTime(h, mi, s).Value();
        value = value >= 0 ? value + t : value - t;
    }
    return true;
}

void ExecPrepared(QSqlQuery &query, const QString &sql, const std::vector<QVariant> &values) {
    if (!query.prepare(sql))
        DatabaseError(query.lastError().text());
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec())
        DatabaseError(query.lastError().text());
}

namespace {
void BindParams(QSqlQuery &q, const TParams &params) {
    for (int i = 0; i < params.Count(); ++i) {
        const TParam &p = params[i];
        q.bindValue(QLatin1Char(':') + p.Name(),
                    VariantToSql(p.Value(), p.DataType() == ftUnknown ? ftString : p.DataType()));
    }
}
} // namespace

// The field definition of each column, by name: a definition given before opening, else a
// persistent field's, else (typeOf) the type the result reports. Definitions given before
// opening fix the types of the columns (SQLite reports little about them).
void TSqlQuery::DefineColumns(const QStringList &names,
                              const std::function<TFieldType(int)> &typeOf) {
    const TFieldDefs given = FieldDefs();
    TFieldDefs &defs = FieldDefs();
    defs.Clear();
    for (int i = 0; i < names.size(); ++i) {
        const int g = given.IndexOf(names[i]);
        if (g >= 0) {
            defs.Add(given[g]);
        } else if (TField *f = FindField(names[i]); f && f->IsData()) {
            defs.Add(f->ToDef());
        } else {
            TFieldDef &d = defs.Add(names[i], typeOf(i));
            d.Size = 0;
        }
    }
}

// Whether every column has a type known ahead (a given definition or a persistent field).
bool TSqlQuery::ColumnsKnown(const QStringList &names) {
    for (const QString &name : names) {
        const TField *f = FindField(name);
        if (FieldDefs().IndexOf(name) < 0 && !(f && f->IsData()))
            return false;
    }
    return true;
}

void TSqlQuery::InternalOpen() {
    QSqlDatabase db = Database();
    if (!db.isOpen())
        DatabaseError(QStringLiteral("Database connection '%1' is not open").arg(FConnectionName));
    if (sqlite3 *handle = SqliteHandle(db); handle && OpenFromSqlite(handle))
        return;
    if (pg_conn *handle = PostgresHandle(db); handle && OpenFromPostgres(handle))
        return;
    QSqlQuery q(db);
    // Every row goes into the store. Qt's PostgreSQL driver reads a forward-only result one row
    // at a time, a result of its own for each, and reads a whole result in place; the others
    // would keep a copy of every value of a result that is not forward-only.
    q.setForwardOnly(db.driverName() != QLatin1String("QPSQL"));
    if (!q.prepare(FSQL))
        DatabaseError(q.lastError().text());
    BindParams(q, FParams);
    if (!q.exec())
        DatabaseError(q.lastError().text());
    const QSqlRecord record = q.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    DefineColumns(names, [&](int i) { return FieldTypeOfSql(record.field(i).metaType()); });
    CreateStore();
    Store()->SetLogChanges(false);
    std::vector<TFieldType> types;
    for (const TFieldDef &d : FieldDefs().Items())
        types.push_back(d.DataType);
    std::vector<Variant> values(types.size());
    while (q.next()) {
        for (size_t i = 0; i < types.size(); ++i)
            values[i] = SqlToVariant(q.value(static_cast<int>(i)), types[i]);
        Store()->Load(Store()->Encode(values));
    }
    if (q.lastError().isValid())
        DatabaseError(q.lastError().text());
}

namespace {
// Loads every row a direct reader gives into the store: straight into a record where the
// reader reads the column's kind, through values otherwise. `next` moves to the next row
// (false after the last), `readInto` reads a column into the record, `value` as a Qt value.
template <class Next, class ReadInto, class Value>
void LoadRows(TRecordStore &store, const std::vector<TFieldType> &types, Next next,
              ReadInto readInto, Value value) {
    const int n = static_cast<int>(types.size());
    TRecordBuilder record(store.Layout());
    std::vector<Variant> values(types.size());
    while (next()) {
        record.Clear();
        bool direct = true;
        for (int i = 0; direct && i < n; ++i)
            direct = readInto(i, types[static_cast<size_t>(i)], record);
        if (direct) {
            store.Load(store.Encode(record));
            continue;
        }
        for (int i = 0; i < n; ++i)
            values[static_cast<size_t>(i)] = SqlToVariant(value(i), types[static_cast<size_t>(i)]);
        store.Load(store.Encode(values));
    }
}
} // namespace

std::vector<TFieldType> TSqlQuery::PrepareDirectStore(const QStringList &names) {
    DefineColumns(names, [](int) { return ftUnknown; });
    CreateStore();
    Store()->SetLogChanges(false);
    std::vector<TFieldType> types;
    for (const TFieldDef &d : FieldDefs().Items())
        types.push_back(d.DataType);
    return types;
}

// Reads the rows straight from SQLite into record blocks. Values stored as the column's type
// implies go in directly; any other value of a row goes through the same conversion as
// values read through Qt SQL. False (nothing read) when a column's type is not known ahead,
// which leaves the types to Qt's reading of the result.
bool TSqlQuery::OpenFromSqlite(sqlite3 *handle) {
    TSqliteReader reader(handle, FSQL);
    QStringList names;
    for (int i = 0; i < reader.ColumnCount(); ++i)
        names << reader.ColumnName(i);
    if (!ColumnsKnown(names))
        return false;
    reader.Bind(FParams);
    const std::vector<TFieldType> types = PrepareDirectStore(names);
    LoadRows(
        *Store(), types, [&reader] { return reader.Step(); },
        [&reader](int i, TFieldType type, TRecordBuilder &record) {
            return reader.ReadInto(i, i, type, record);
        },
        [&reader](int i) { return reader.Value(i); });
    return true;
}

// Reads the rows straight from PostgreSQL's result into record blocks, as from SQLite. Taken
// for a statement without parameters (no ':' or '?' in it, which Qt's driver would read as
// one) whose columns have types known ahead and are all of the kinds the reader reads; false
// (nothing run) leaves the statement to Qt.
bool TSqlQuery::OpenFromPostgres(pg_conn *handle) {
    if (FParams.Count() > 0 || FSQL.contains(QLatin1Char(':')) || FSQL.contains(QLatin1Char('?')))
        return false;
    TPostgresReader reader(handle, FSQL);
    if (!reader.Readable())
        return false;
    QStringList names;
    for (int i = 0; i < reader.ColumnCount(); ++i)
        names << reader.ColumnName(i);
    if (!ColumnsKnown(names))
        return false;
    reader.Run();
    int row = -1;
    const std::vector<TFieldType> types = PrepareDirectStore(names);
    LoadRows(
        *Store(), types, [&] { return ++row < reader.RowCount(); },
        [&](int i, TFieldType type, TRecordBuilder &record) {
            return reader.ReadInto(row, i, i, type, record);
        },
        [&](int i) { return reader.Value(row, i); });
    return true;
}

int TSqlQuery::ExecSQL() {
    QSqlDatabase db = Database();
    QSqlQuery q(db);
    if (!q.prepare(FSQL))
        DatabaseError(q.lastError().text());
    BindParams(q, FParams);
    if (!q.exec())
        DatabaseError(q.lastError().text());
    return q.numRowsAffected();
}
