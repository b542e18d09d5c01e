#include "Provider.h"

#include "ClientDataSet.h"
#include "Packet.h"
#include "SqlQuery.h"
#include "SqliteAccess.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <memory>
#include <sqlite3.h>
#include <unordered_map>

TDataSetProvider::TDataSetProvider(QObject *owner) : TComponent(owner) {}

TDataSetProvider::~TDataSetProvider() {
    Destroying();
}

void TDataSetProvider::SetDataSet(TDataSet *dataSet) {
    if (FDataSet == dataSet)
        return;
    if (FDataSet)
        RemoveFreeNotification(FDataSet);
    FDataSet = dataSet;
    if (FDataSet)
        FreeNotification(FDataSet);
}

void TDataSetProvider::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSet.data())
        FDataSet = nullptr;
}

void TDataSetProvider::CheckDataSet() const {
    if (!FDataSet)
        DatabaseError(QStringLiteral("Missing DataSet property"));
}

TParams *TDataSetProvider::DataSetParams() const {
    if (auto *q = qobject_cast<TSqlQuery *>(FDataSet.data()))
        return &q->Params();
    if (auto *c = qobject_cast<TClientDataSet *>(FDataSet.data()))
        return &c->Params();
    return nullptr;
}

void TDataSetProvider::DoBeforeGetRecords(int, int, const QString &, Variant &,
                                          Variant &ownerData) {
    if (BeforeGetRecords)
        BeforeGetRecords(this, ownerData);
}

QByteArray TDataSetProvider::PackRecords(int count, int &recsOut, bool metaData) {
    TDataSet &ds = *FDataSet;
    std::vector<TField *> fields;
    std::vector<TFieldDef> defs;
    for (const auto &f : ds.Fields())
        if (f->IsData() && !(f->ProviderFlags() & pfHidden)) {
            fields.push_back(f.get());
            TFieldDef def = f->ToDef();
            const int i = ds.FieldDefs().IndexOf(f->FieldName());
            if (i >= 0)
                def.Children = ds.FieldDefs()[i].Children;
            defs.push_back(def);
        }
    TPacketWriter w(pkData, defs, metaData);
    int sent = 0;
    // In browse mode every field sent is a column of the records as stored, of the same type:
    // the rows are packed straight from the record blocks, a run of the view at a time, and the
    // cursor moves once per run (running past the last record held fetches more, if any).
    std::vector<int> columns;
    bool direct = ds.State() == dsBrowse;
    for (size_t i = 0; direct && i < fields.size(); ++i) {
        const int no = fields[i]->FieldNo();
        direct = no >= 0 && no < ds.FieldDefs().Count() && ds.Store() &&
                 no < ds.Store()->Layout().Count() &&
                 ds.FieldDefs()[no].DataType == fields[i]->DataType();
        columns.push_back(no);
    }
    while (direct && (count < 0 || sent < count) && !ds.Eof() && !ds.IsEmpty()) {
        const TRecordStore &store = *ds.Store();
        const int start = ds.CurrentPosition();
        int run = 0;
        for (TBookmark row; (count < 0 || sent < count) && (row = ds.BookmarkAt(start + run)) >= 0;
             ++run, ++sent) {
            const qsizetype before = w.Size();
            w.WriteRow(usUnmodified, store.Layout(), store.Data(static_cast<quint32>(row)),
                       columns);
            // Room for the rest of the run, judged by its first row (with a margin).
            if (run == 0) {
                const qsizetype left = (count < 0 ? ds.RecordCount() : count) - sent - 1;
                if (left > 0)
                    w.Reserve(left * (w.Size() - before) * 5 / 4);
            }
        }
        if (run == 0) {
            direct = false;
            break;
        }
        if (run > 1)
            ds.MoveBy(run - 1);
        ds.Next();
    }
    std::vector<Variant> values(fields.size());
    while (!direct && (count < 0 || sent < count) && !ds.Eof() && !ds.IsEmpty()) {
        for (size_t i = 0; i < fields.size(); ++i)
            values[i] = fields[i]->Value();
        w.WriteRow(usUnmodified, values);
        ++sent;
        ds.Next();
    }
    const bool eod = ds.Eof() || ds.IsEmpty();
    w.SetEndOfData(count != 0 && eod);
    if (const TParams *params = DataSetParams())
        w.SetParams(params->Pack());
    recsOut = eod ? -1 : sent;
    return w.Finish();
}

Variant TDataSetProvider::GetRecords(int count, int &recsOut, int options,
                                     const QString &commandText, Variant &params,
                                     Variant &ownerData) {
    DoBeforeGetRecords(count, options, commandText, params, ownerData);
    CheckDataSet();
    TDataSet &ds = *FDataSet;
    if (!commandText.isEmpty()) {
        if (!(FOptions & poAllowCommandText))
            DatabaseError(QStringLiteral("CommandText changes are not allowed"));
        auto *q = qobject_cast<TSqlQuery *>(&ds);
        if (!q)
            DatabaseError(QStringLiteral("The provider's dataset takes no command text"));
        if (q->SQL() != commandText)
            q->SetSQL(commandText);
    }
    if (options & grReset)
        ds.Close();
    if (!params.IsEmptyOrNull()) {
        if (TParams *mine = DataSetParams()) {
            ds.Close();
            mine->Unpack(params);
        }
    }
    const bool opened = !ds.Active();
    if (opened)
        ds.Open();
    // A fetch with metadata starts a new read of the data.
    if (options & grMetaData && !opened)
        ds.First();
    const QByteArray packet = PackRecords(count, recsOut, options & grMetaData);
    if (const TParams *mine = DataSetParams())
        params = mine->Pack();
    if (AfterGetRecords)
        AfterGetRecords(this, ownerData);
    return Variant(packet);
}

QByteArray TDataSetProvider::InternalApplyUpdates(const QByteArray &delta, int maxErrors,
                                                  int &errorCount) {
    CheckDataSet();
    auto *q = qobject_cast<TSqlQuery *>(FDataSet.data());
    if (!q)
        DatabaseError(QStringLiteral("The provider's dataset cannot resolve updates"));
    return ResolveToSql(*q, delta, FUpdateMode, maxErrors, errorCount, BeforeApplyRecord,
                        &FLastApplyCounts, AfterApplyRecord);
}

Variant TDataSetProvider::ApplyUpdates(const Variant &delta, int maxErrors, int &errorCount,
                                       Variant &ownerData) {
    errorCount = 0;
    FLastApplyCounts = TApplyCounts();
    if (FOptions & poReadOnly)
        DatabaseError(QStringLiteral("Provider '%1' is read-only").arg(Name()));
    if (BeforeApplyUpdates)
        BeforeApplyUpdates(this, ownerData);
    const QByteArray result = InternalApplyUpdates(delta.ToBytes(), maxErrors, errorCount);
    if (AfterApplyUpdates)
        AfterApplyUpdates(this, ownerData);
    return Variant(result);
}

Variant TDataSetProvider::DataRequest(const Variant &input) {
    return OnDataRequest ? OnDataRequest(this, input) : Variant();
}

Variant TDataSetProvider::GetParams(Variant &ownerData) {
    if (BeforeGetParams)
        BeforeGetParams(this, ownerData);
    const TParams *params = DataSetParams();
    const Variant result = params ? params->Pack() : Variant();
    if (AfterGetParams)
        AfterGetParams(this, ownerData);
    return result;
}

void TDataSetProvider::Execute(const QString &commandText, Variant &params, Variant &ownerData) {
    if (BeforeExecute)
        BeforeExecute(this, ownerData);
    CheckDataSet();
    auto *q = qobject_cast<TSqlQuery *>(FDataSet.data());
    if (!q)
        DatabaseError(QStringLiteral("The provider's dataset cannot execute commands"));
    if (!commandText.isEmpty()) {
        if (!(FOptions & poAllowCommandText))
            DatabaseError(QStringLiteral("CommandText changes are not allowed"));
        q->SetSQL(commandText);
    }
    q->Params().Unpack(params);
    q->ExecSQL();
    params = q->Params().Pack();
    if (AfterExecute)
        AfterExecute(this, ownerData);
}

// ---- local application server --------------------------------------------------------------

void TLocalAppServer::RegisterProvider(TDataSetProvider *provider, const QString &name) {
    const QString key = (name.isEmpty() ? provider->Name() : name).toLower();
    if (key.isEmpty())
        DatabaseError(QStringLiteral("A provider needs a name"));
    FProviders.insert(key, provider);
}

void TLocalAppServer::UnregisterProvider(const QString &name) {
    FProviders.remove(name.toLower());
}

TDataSetProvider *TLocalAppServer::FindProvider(const QString &name) const {
    return FProviders.value(name.toLower()).data();
}

TDataSetProvider *TLocalAppServer::Provider(const QString &name) const {
    TDataSetProvider *p = FindProvider(name);
    if (!p)
        DatabaseError(QStringLiteral("Provider '%1' not found").arg(name));
    return p;
}

Variant TLocalAppServer::AS_ApplyUpdates(const QString &providerName, const Variant &delta,
                                         int maxErrors, int &errorCount, Variant &ownerData) {
    return Provider(providerName)->ApplyUpdates(delta, maxErrors, errorCount, ownerData);
}

Variant TLocalAppServer::AS_GetRecords(const QString &providerName, int count, int &recsOut,
                                       int options, const QString &commandText, Variant &params,
                                       Variant &ownerData) {
    return Provider(providerName)
        ->GetRecords(count, recsOut, options, commandText, params, ownerData);
}

Variant TLocalAppServer::AS_DataRequest(const QString &providerName, const Variant &data) {
    return Provider(providerName)->DataRequest(data);
}

QStringList TLocalAppServer::AS_GetProviderNames() {
    QStringList names;
    for (auto it = FProviders.cbegin(); it != FProviders.cend(); ++it)
        if (it.value())
            names << it.value()->Name();
    names.sort();
    return names;
}

Variant TLocalAppServer::AS_GetParams(const QString &providerName, Variant &ownerData) {
    return Provider(providerName)->GetParams(ownerData);
}

Variant TLocalAppServer::AS_RowRequest(const QString &providerName, const Variant &, int,
                                       Variant &) {
    Provider(providerName);
    return Variant();
}

void TLocalAppServer::AS_Execute(const QString &providerName, const QString &commandText,
                                 Variant &params, Variant &ownerData) {
    Provider(providerName)->Execute(commandText, params, ownerData);
}

// ---- resolving a delta to SQL --------------------------------------------------------------

namespace {

QString Quote(const QString &name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

bool Comparable(TFieldType type) {
    return !IsBlobType(type) && type != ftDataSet;
}

// One change of a delta: the record blocks of its old and new values (nullptr: all null, the
// old values of an insert and the new values of a delete).
struct TChange {
    TUpdateKind Kind;
    int Row; // index of the row in the delta that the client maps back
    const uchar *Old = nullptr;
    const uchar *New = nullptr;
};

// A statement the resolver prepares once and runs for many rows of a delta.
class TResolverStatement {
public:
    virtual ~TResolverStatement() = default;
    // Binds the value of a field of a record block (nullptr: null) to a position from 0, as
    // VariantToSql gives it; the block outlives the next Exec.
    virtual void Bind(int position, const TRecordLayout &layout, const uchar *rec, int field,
                      TFieldType type) = 0;
    // Runs the statement; returns the number of records it touched. Raises EDatabaseError
    // with the database's message when it fails.
    virtual int Exec() = 0;
};

// Through Qt SQL: any driver.
class TQtStatement : public TResolverStatement {
public:
    TQtStatement(const QSqlDatabase &db, const QString &sql) : FQuery(db) {
        if (!FQuery.prepare(sql))
            DatabaseError(FQuery.lastError().text());
    }
    void Bind(int position, const TRecordLayout &layout, const uchar *rec, int field,
              TFieldType type) override {
        FQuery.bindValue(position,
                         VariantToSql(rec ? layout.Value(rec, field) : Variant::Null(), type));
    }
    int Exec() override {
        if (!FQuery.exec())
            DatabaseError(FQuery.lastError().text());
        return FQuery.numRowsAffected();
    }

private:
    QSqlQuery FQuery;
};

// Straight on the SQLite connection under Qt's driver: the same statement and the same values
// as VariantToSql gives, without Qt's work per value and per run (several times what SQLite
// itself does for a row) and without copying text out of the records.
class TSqliteStatement : public TResolverStatement {
public:
    TSqliteStatement(sqlite3 *db, const QString &sql) : FDb(db) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(FDb, text.constData(), static_cast<int>(text.size()), &FStmt,
                               nullptr) != SQLITE_OK)
            DatabaseError(QString::fromUtf8(sqlite3_errmsg(FDb)));
    }
    ~TSqliteStatement() override { sqlite3_finalize(FStmt); }
    TSqliteStatement(const TSqliteStatement &) = delete;
    TSqliteStatement &operator=(const TSqliteStatement &) = delete;

    void Bind(int position, const TRecordLayout &layout, const uchar *rec, int field,
              TFieldType type) override {
        const int p = position + 1;
        int rc;
        if (!rec || layout.IsNull(rec, field)) {
            rc = sqlite3_bind_null(FStmt, p);
        } else {
            switch (type) {
            case ftString:
            case ftWideString:
            case ftMemo: {
                const QByteArrayView text = layout.Raw(rec, field);
                rc = sqlite3_bind_text(FStmt, p, text.data(), static_cast<int>(text.size()),
                                       SQLITE_STATIC);
                break;
            }
            case ftBoolean:
                rc = sqlite3_bind_int64(FStmt, p, layout.IntValue(rec, field) != 0 ? 1 : 0);
                break;
            case ftSmallint:
            case ftInteger:
            case ftWord:
            case ftAutoInc:
            case ftLargeint:
                rc = sqlite3_bind_int64(FStmt, p, layout.IntValue(rec, field));
                break;
            case ftFloat:
            case ftCurrency:
            case ftBCD:
                rc = sqlite3_bind_double(FStmt, p, layout.FloatValue(rec, field));
                break;
            case ftDate:
            case ftTime:
            case ftDateTime: {
                char date[10];
                if (type == ftDate &&
                    SqlDateChars(TDateTime(layout.FloatValue(rec, field)), date)) {
                    rc = sqlite3_bind_text(FStmt, p, date, 10, SQLITE_TRANSIENT);
                    break;
                }
                const QByteArray text =
                    SqlTemporalText(TDateTime(layout.FloatValue(rec, field)), type).toUtf8();
                rc = sqlite3_bind_text(FStmt, p, text.constData(), static_cast<int>(text.size()),
                                       SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArrayView bytes = layout.Raw(rec, field);
                rc = sqlite3_bind_blob(FStmt, p, bytes.data(), static_cast<int>(bytes.size()),
                                       SQLITE_STATIC);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            DatabaseError(QString::fromUtf8(sqlite3_errmsg(FDb)));
    }

    int Exec() override {
        int rc = sqlite3_step(FStmt);
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(FStmt);
        const int changes = sqlite3_changes(FDb);
        sqlite3_reset(FStmt);
        if (rc != SQLITE_DONE)
            DatabaseError(QString::fromUtf8(sqlite3_errmsg(FDb)));
        return changes;
    }

private:
    sqlite3 *FDb;
    sqlite3_stmt *FStmt = nullptr;
};

class TSqlResolver {
public:
    TSqlResolver(TSqlQuery &query, const std::vector<TFieldDef> &fields,
                 const TRecordLayout &layout, TUpdateMode mode)
        : FDb(query.Database()), FSqlite(SqliteHandle(FDb)), FTable(query.TableName()),
          FFields(fields), FLayout(layout), FMode(mode) {
        if (FTable.isEmpty())
            DatabaseError(QStringLiteral("Unable to find the table to update"));
        // Fields name their columns without regard to case, as unquoted SQL names do; the
        // statements quote the names, so other engines get them as their table reports them
        // (PostgreSQL folds unquoted names to lower case).
        const QSqlRecord columns = FSqlite ? QSqlRecord() : FDb.record(FTable);
        for (const TFieldDef &f : fields) {
            const int column = columns.indexOf(f.Name);
            FColumns.push_back(Quote(column >= 0 ? columns.fieldName(column) : f.Name));
        }
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].ProviderFlags & pfInKey)
                FKeys.push_back(static_cast<int>(i));
    }

    // Runs one change; raises EDatabaseError when it fails or touches no record.
    void Apply(const TChange &c) {
        // The statement's shape: per field whether it is written and how the where clause
        // names it. Rows of a delta mostly share a few shapes, each prepared once.
        const int n = static_cast<int>(FFields.size());
        FShape.resize(n + 1);
        FShape[0] = static_cast<char>(c.Kind);
        bool anySet = false;
        bool anyWhere = false;
        for (int i = 0; i < n; ++i) {
            const TFieldDef &f = FFields[static_cast<size_t>(i)];
            char bits = 0;
            const bool updatable = (f.ProviderFlags & pfInUpdate) && f.DataType != ftDataSet;
            if (c.Kind == ukInsert) {
                if (updatable && !(f.DataType == ftAutoInc && IsNull(c.New, i)))
                    bits |= ShapeSet;
            } else {
                if (c.Kind == ukModify && updatable && !Same(c, i))
                    bits |= ShapeSet;
                if (InWhere(c, i))
                    bits |= IsNull(c.Old, i) ? ShapeWhereNull : ShapeWhere;
            }
            anySet = anySet || (bits & ShapeSet);
            anyWhere = anyWhere || (bits & (ShapeWhere | ShapeWhereNull));
            FShape[i + 1] = bits;
        }
        if (c.Kind == ukModify && !anySet)
            return;
        if (c.Kind != ukInsert && !anyWhere)
            DatabaseError(QStringLiteral("Unable to find record. No key specified"));
        TResolverStatement &st = Statement();
        int p = 0;
        for (int i = 0; i < n; ++i)
            if (FShape[i + 1] & ShapeSet)
                st.Bind(p++, FLayout, c.New, i, FFields[static_cast<size_t>(i)].DataType);
        for (int i = 0; i < n; ++i)
            if (FShape[i + 1] & ShapeWhere)
                st.Bind(p++, FLayout, c.Old, i, FFields[static_cast<size_t>(i)].DataType);
        const int touched = st.Exec();
        FWroteMany = c.Kind != ukInsert && touched > 1;
        if (c.Kind != ukInsert && touched != 1)
            DatabaseError(touched == 0
                              ? QStringLiteral("Record not found or changed by another user")
                              : QStringLiteral("Update affected more than one record"));
    }

    // Whether the last change failed after its statement had written to several records:
    // the statement itself succeeded, so what it wrote stays unless taken back.
    bool WroteMany() const { return FWroteMany; }

    // The server's record for a change, by key (original key, or the new key of an insert).
    std::vector<Variant> Current(const TChange &c) {
        if (FKeys.empty())
            return {};
        const uchar *key = c.Kind == ukInsert ? c.New : c.Old;
        QStringList columns, conditions;
        std::vector<QVariant> values;
        for (size_t i = 0; i < FFields.size(); ++i)
            columns << (OfTable(FFields[i]) ? FColumns[i] : QStringLiteral("NULL"));
        for (int k : FKeys) {
            const TFieldDef &f = FFields[static_cast<size_t>(k)];
            const QString &column = FColumns[static_cast<size_t>(k)];
            if (IsNull(key, k)) {
                conditions << column + QStringLiteral(" IS NULL");
            } else {
                conditions << column + QStringLiteral(" = ?");
                values.push_back(VariantToSql(FLayout.Value(key, k), f.DataType));
            }
        }
        QSqlQuery q(FDb);
        try {
            ExecPrepared(q,
                         QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                             .arg(columns.join(QStringLiteral(", ")), Quote(FTable),
                                  conditions.join(QStringLiteral(" AND "))),
                         values);
        } catch (const EDatabaseError &) {
            return {};
        }
        if (!q.next())
            return {};
        std::vector<Variant> row;
        for (size_t i = 0; i < FFields.size(); ++i)
            row.push_back(OfTable(FFields[i])
                              ? SqlToVariant(q.value(static_cast<int>(i)), FFields[i].DataType)
                              : Variant::Null());
        return row;
    }

private:
    enum : char { ShapeSet = 1, ShapeWhere = 2, ShapeWhereNull = 4 };

    // Whether a field is a column of the table: a nested dataset is not, nor a field that is
    // neither written, compared nor a key (read from another table). Asking the table for
    // another would fail, and on engines other than SQLite take the whole apply down with it.
    static bool OfTable(const TFieldDef &f) {
        return f.DataType != ftDataSet && (f.ProviderFlags & (pfInUpdate | pfInWhere | pfInKey));
    }

    bool IsNull(const uchar *rec, int field) const { return !rec || FLayout.IsNull(rec, field); }

    // Whether a field has the same old and new value, as values compare: numbers by value
    // (a NaN equals nothing), text and bytes exactly.
    bool Same(const TChange &c, int i) const {
        const bool oldNull = IsNull(c.Old, i), newNull = IsNull(c.New, i);
        if (oldNull || newNull)
            return oldNull == newNull;
        switch (FLayout.Kind(i)) {
        case TStoreKind::Double:
        case TStoreKind::Date:
            return FLayout.FloatValue(c.Old, i) == FLayout.FloatValue(c.New, i);
        case TStoreKind::Text:
        case TStoreKind::Bytes:
            return FLayout.Raw(c.Old, i) == FLayout.Raw(c.New, i);
        default:
            return FLayout.IntValue(c.Old, i) == FLayout.IntValue(c.New, i);
        }
    }

    bool InWhere(const TChange &c, int i) const {
        const TFieldDef &f = FFields[static_cast<size_t>(i)];
        const bool key = f.ProviderFlags & pfInKey;
        switch (FMode) {
        case upWhereKeyOnly:
            return key;
        case upWhereAll:
            return key || ((f.ProviderFlags & pfInWhere) && Comparable(f.DataType));
        case upWhereChanged:
            return key || ((f.ProviderFlags & pfInWhere) && Comparable(f.DataType) &&
                           c.Kind == ukModify && !Same(c, i));
        }
        return false;
    }

    // The prepared statement of the current shape.
    TResolverStatement &Statement() {
        auto it = FStatements.find(FShape);
        if (it == FStatements.end()) {
            const QString sql = StatementText();
            std::unique_ptr<TResolverStatement> st;
            if (FSqlite)
                st = std::make_unique<TSqliteStatement>(FSqlite, sql);
            else
                st = std::make_unique<TQtStatement>(FDb, sql);
            it = FStatements.emplace(FShape, std::move(st)).first;
        }
        return *it->second;
    }

    QString StatementText() const {
        const auto kind = static_cast<TUpdateKind>(FShape[0]);
        QStringList set, where;
        for (size_t i = 0; i < FFields.size(); ++i) {
            const char bits = FShape[static_cast<qsizetype>(i + 1)];
            const QString &name = FColumns[i];
            if (bits & ShapeSet)
                set << (kind == ukInsert ? name : name + QStringLiteral(" = ?"));
            if (bits & ShapeWhere)
                where << name + QStringLiteral(" = ?");
            else if (bits & ShapeWhereNull)
                where << name + QStringLiteral(" IS NULL");
        }
        const QString and_ = QStringLiteral(" AND ");
        switch (kind) {
        case ukInsert: {
            QStringList marks;
            for (qsizetype i = 0; i < set.size(); ++i)
                marks << QStringLiteral("?");
            return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(Quote(FTable), set.join(QStringLiteral(", ")),
                     marks.join(QStringLiteral(", ")));
        }
        case ukModify:
            return QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                .arg(Quote(FTable), set.join(QStringLiteral(", ")), where.join(and_));
        default:
            return QStringLiteral("DELETE FROM %1 WHERE %2").arg(Quote(FTable), where.join(and_));
        }
    }

    QSqlDatabase FDb;
    sqlite3 *FSqlite;
    QString FTable;
    const std::vector<TFieldDef> &FFields;
    const TRecordLayout &FLayout;
    TUpdateMode FMode;
    std::vector<int> FKeys;
    std::vector<QString> FColumns; // the quoted column name of each field
    QByteArray FShape;
    bool FWroteMany = false;
    std::unordered_map<QByteArray, std::unique_ptr<TResolverStatement>> FStatements;
};

} // namespace

namespace {
// Lets the provider's check see one change; its refusal becomes the row's database error.
void CheckRow(const TDeltaRowCheck &check, const TChange &c, const std::vector<TFieldDef> &fields,
              const TRecordLayout &layout) {
    TDeltaRow row;
    row.Kind = c.Kind;
    const uchar *record = c.Kind == ukDelete ? c.Old : c.New;
    for (size_t i = 0; i < fields.size(); ++i) {
        const int field = static_cast<int>(i);
        row.Names << fields[i].Name;
        row.Values.push_back(layout.IsNull(record, field) ? Variant::Null()
                                                          : layout.Value(record, field));
        if (c.Kind == ukModify)
            row.OldValues.push_back(c.Old && !layout.IsNull(c.Old, field)
                                        ? layout.Value(c.Old, field)
                                        : Variant::Null());
    }
    try {
        check(row);
    } catch (const EDatabaseError &) {
        throw;
    } catch (const Exception &e) {
        DatabaseError(e.Message());
    }
}
} // namespace

Variant TDeltaRow::Value(const QString &name) const {
    for (qsizetype i = 0; i < Names.size() && size_t(i) < Values.size(); ++i)
        if (Names[i].compare(name, Qt::CaseInsensitive) == 0)
            return Values[size_t(i)];
    return Variant::Null();
}

Variant TDeltaRow::OldValue(const QString &name) const {
    if (OldValues.empty())
        return Value(name);
    for (qsizetype i = 0; i < Names.size() && size_t(i) < OldValues.size(); ++i)
        if (Names[i].compare(name, Qt::CaseInsensitive) == 0)
            return OldValues[size_t(i)];
    return Variant::Null();
}

QByteArray ResolveToSql(TSqlQuery &query, const QByteArray &delta, TUpdateMode mode, int maxErrors,
                        int &errorCount, const TDeltaRowCheck &check, TApplyCounts *counts,
                        const TDeltaRowCheck &after) {
    errorCount = 0;
    if (counts)
        *counts = TApplyCounts();
    TApplyCounts written;
    // The whole delta is read first: a malformed one changes nothing.
    TPacketReader reader(delta);
    if (reader.Kind() != pkDelta)
        DatabaseError(QStringLiteral("Invalid data packet: not a delta"));
    const std::vector<TFieldDef> fields = reader.Fields();
    std::vector<TFieldType> types;
    for (const TFieldDef &d : fields)
        types.push_back(d.DataType);
    // The rows are kept as record blocks, bound from there.
    TRecordStore rows{TRecordLayout(types)};
    TRecordBuilder record(rows.Layout());
    std::vector<TChange> changes;
    quint8 status;
    const uchar *original = nullptr;
    int index = -1;
    while (reader.NextRecord(status, record)) {
        ++index;
        const uchar *block = rows.Encode(record);
        if (status == PacketOriginal) {
            if (original)
                DatabaseError(
                    QStringLiteral("Invalid data packet: original values without a modified row"));
            original = block;
            continue;
        }
        if ((status == usModified) != (original != nullptr) || status == usUnmodified)
            DatabaseError(QStringLiteral("Invalid data packet: bad delta row %1").arg(index));
        TChange c;
        c.Row = index;
        if (status == usModified) {
            c.Kind = ukModify;
            c.Old = original;
            c.New = block;
        } else if (status == usInserted) {
            c.Kind = ukInsert;
            c.New = block;
        } else {
            c.Kind = ukDelete;
            c.Old = block;
        }
        original = nullptr;
        changes.push_back(c);
    }
    if (original)
        DatabaseError(
            QStringLiteral("Invalid data packet: original values without a modified row"));

    TSqlResolver resolver(query, fields, rows.Layout(), mode);
    QSqlDatabase db = query.Database();
    if (!db.transaction())
        DatabaseError(db.lastError().text());
    TPacketWriter result(pkReconcile, fields, false);
    bool rolledBack = false;
    // Engines other than SQLite (PostgreSQL) refuse every statement after a failed one until
    // the transaction ends: each change gets a savepoint, so that a refused row takes back only
    // itself and the others still go in.
    // A row whose checks write rows of their own needs one on every engine.
    const bool savepoints = !SqliteHandle(db) || after;
    QSqlQuery savepoint(db);
    const auto mark = [&](const char *statement) {
        if (savepoints && !savepoint.exec(QString::fromLatin1(statement)))
            DatabaseError(savepoint.lastError().text());
    };
    try {
        for (const TChange &c : changes) {
            try {
                mark("SAVEPOINT orv7_change");
                if (check)
                    CheckRow(check, c, fields, rows.Layout());
                resolver.Apply(c);
                if (after)
                    CheckRow(after, c, fields, rows.Layout());
                mark("RELEASE SAVEPOINT orv7_change");
                ++(c.Kind == ukInsert   ? written.Inserted
                   : c.Kind == ukModify ? written.Modified
                                        : written.Deleted);
            } catch (const EDatabaseError &e) {
                mark("ROLLBACK TO SAVEPOINT orv7_change");
                ++errorCount;
                TPacketError error;
                error.Row = c.Row;
                error.Message = e.Message();
                error.Current = resolver.Current(c);
                result.AddError(error);
                // Without a savepoint to return to, a statement that wrote to several records
                // can only be taken back with everything else: the whole apply is rolled back.
                if ((maxErrors >= 0 && errorCount > maxErrors) ||
                    (!savepoints && resolver.WroteMany())) {
                    db.rollback();
                    rolledBack = true;
                    break;
                }
            }
        }
    } catch (...) {
        // Whatever else fails (the savepoints themselves, memory) writes nothing either.
        db.rollback();
        throw;
    }
    if (!rolledBack && !db.commit()) {
        const QString message = db.lastError().text();
        db.rollback();
        DatabaseError(message);
    }
    result.SetRolledBack(rolledBack);
    if (counts && !rolledBack)
        *counts = written;
    // The provider's own copy of the data no longer matches the table.
    if (query.Active())
        query.Close();
    return result.Finish();
}
