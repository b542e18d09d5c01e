#include "Provider.h"

#include "ClientDataSet.h"
#include "Packet.h"
#include "SqlQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <memory>
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
    std::vector<Variant> values(fields.size());
    while ((count < 0 || sent < count) && !ds.Eof() && !ds.IsEmpty()) {
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
    return ResolveToSql(*q, delta, FUpdateMode, maxErrors, errorCount);
}

Variant TDataSetProvider::ApplyUpdates(const Variant &delta, int maxErrors, int &errorCount,
                                       Variant &ownerData) {
    errorCount = 0;
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

struct TChange {
    TUpdateKind Kind;
    int Row; // index of the row in the delta that the client maps back
    std::vector<Variant> Old, New;
};

class TSqlResolver {
public:
    TSqlResolver(TSqlQuery &query, const std::vector<TFieldDef> &fields, TUpdateMode mode)
        : FDb(query.Database()), FTable(query.TableName()), FFields(fields), FMode(mode) {
        if (FTable.isEmpty())
            DatabaseError(QStringLiteral("Unable to find the table to update"));
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].ProviderFlags & pfInKey)
                FKeys.push_back(static_cast<int>(i));
    }

    // Runs one change; raises EDatabaseError when it fails or touches no record.
    void Apply(const TChange &c) {
        QString sql;
        std::vector<QVariant> values;
        if (c.Kind == ukInsert) {
            QStringList columns, marks;
            for (size_t i = 0; i < FFields.size(); ++i) {
                const TFieldDef &f = FFields[i];
                if (!(f.ProviderFlags & pfInUpdate) || f.DataType == ftDataSet ||
                    (f.DataType == ftAutoInc && c.New[i].IsEmptyOrNull()))
                    continue;
                columns << Quote(f.Name);
                marks << QStringLiteral("?");
                values.push_back(VariantToSql(c.New[i], f.DataType));
            }
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(Quote(FTable), columns.join(QStringLiteral(", ")),
                           marks.join(QStringLiteral(", ")));
        } else {
            QStringList sets;
            if (c.Kind == ukModify) {
                for (size_t i = 0; i < FFields.size(); ++i) {
                    const TFieldDef &f = FFields[i];
                    if (!(f.ProviderFlags & pfInUpdate) || f.DataType == ftDataSet ||
                        Same(c.Old[i], c.New[i]))
                        continue;
                    sets << Quote(f.Name) + QStringLiteral(" = ?");
                    values.push_back(VariantToSql(c.New[i], f.DataType));
                }
                if (sets.isEmpty())
                    return;
            }
            const QString where = Where(c, values);
            sql = c.Kind == ukModify
                      ? QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(Quote(FTable), sets.join(QStringLiteral(", ")), where)
                      : QStringLiteral("DELETE FROM %1 WHERE %2").arg(Quote(FTable), where);
        }
        QSqlQuery &q = Prepared(sql);
        for (size_t i = 0; i < values.size(); ++i)
            q.bindValue(static_cast<int>(i), values[i]);
        if (!q.exec())
            DatabaseError(q.lastError().text());
        if (c.Kind != ukInsert && q.numRowsAffected() != 1)
            DatabaseError(q.numRowsAffected() == 0
                              ? QStringLiteral("Record not found or changed by another user")
                              : QStringLiteral("Update affected more than one record"));
    }

    // The server's record for a change, by key (original key, or the new key of an insert).
    std::vector<Variant> Current(const TChange &c) {
        if (FKeys.empty())
            return {};
        const std::vector<Variant> &key = c.Kind == ukInsert ? c.New : c.Old;
        QStringList columns, conditions;
        std::vector<QVariant> values;
        for (const TFieldDef &f : FFields)
            columns << (f.DataType == ftDataSet ? QStringLiteral("NULL") : Quote(f.Name));
        for (int k : FKeys) {
            if (key[static_cast<size_t>(k)].IsEmptyOrNull()) {
                conditions << Quote(FFields[static_cast<size_t>(k)].Name) +
                                  QStringLiteral(" IS NULL");
            } else {
                conditions << Quote(FFields[static_cast<size_t>(k)].Name) + QStringLiteral(" = ?");
                values.push_back(VariantToSql(key[static_cast<size_t>(k)],
                                              FFields[static_cast<size_t>(k)].DataType));
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
            row.push_back(FFields[i].DataType == ftDataSet
                              ? Variant::Null()
                              : SqlToVariant(q.value(static_cast<int>(i)), FFields[i].DataType));
        return row;
    }

private:
    // Statements are prepared once per text: the rows of a delta mostly share a few.
    QSqlQuery &Prepared(const QString &sql) {
        auto it = FStatements.find(sql);
        if (it == FStatements.end()) {
            auto q = std::make_unique<QSqlQuery>(FDb);
            if (!q->prepare(sql))
                DatabaseError(q->lastError().text());
            it = FStatements.emplace(sql, std::move(q)).first;
        }
        return *it->second;
    }

    static bool Same(const Variant &a, const Variant &b) {
        if (a.IsEmptyOrNull() || b.IsEmptyOrNull())
            return a.IsEmptyOrNull() == b.IsEmptyOrNull();
        return a == b;
    }

    QString Where(const TChange &c, std::vector<QVariant> &values) const {
        QStringList conditions;
        for (size_t i = 0; i < FFields.size(); ++i) {
            const TFieldDef &f = FFields[i];
            const bool key = f.ProviderFlags & pfInKey;
            bool use = false;
            switch (FMode) {
            case upWhereKeyOnly:
                use = key;
                break;
            case upWhereAll:
                use = key || ((f.ProviderFlags & pfInWhere) && Comparable(f.DataType));
                break;
            case upWhereChanged:
                use = key || ((f.ProviderFlags & pfInWhere) && Comparable(f.DataType) &&
                              c.Kind == ukModify && !Same(c.Old[i], c.New[i]));
                break;
            }
            if (!use)
                continue;
            if (c.Old[i].IsEmptyOrNull()) {
                conditions << Quote(f.Name) + QStringLiteral(" IS NULL");
            } else {
                conditions << Quote(f.Name) + QStringLiteral(" = ?");
                values.push_back(VariantToSql(c.Old[i], f.DataType));
            }
        }
        if (conditions.isEmpty())
            DatabaseError(QStringLiteral("Unable to find record. No key specified"));
        return conditions.join(QStringLiteral(" AND "));
    }

    QSqlDatabase FDb;
    QString FTable;
    const std::vector<TFieldDef> &FFields;
    TUpdateMode FMode;
    std::vector<int> FKeys;
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> FStatements;
};

} // namespace

QByteArray ResolveToSql(TSqlQuery &query, const QByteArray &delta, TUpdateMode mode, int maxErrors,
                        int &errorCount) {
    errorCount = 0;
    // The whole delta is read first: a malformed one changes nothing.
    TPacketReader reader(delta);
    if (reader.Kind() != pkDelta)
        DatabaseError(QStringLiteral("Invalid data packet: not a delta"));
    const std::vector<TFieldDef> fields = reader.Fields();
    std::vector<TChange> changes;
    quint8 status;
    std::vector<Variant> values, original;
    bool haveOriginal = false;
    int index = -1;
    while (reader.NextRow(status, values)) {
        ++index;
        if (status == PacketOriginal) {
            if (haveOriginal)
                DatabaseError(
                    QStringLiteral("Invalid data packet: original values without a modified row"));
            original = values;
            haveOriginal = true;
            continue;
        }
        if ((status == usModified) != haveOriginal || status == usUnmodified)
            DatabaseError(QStringLiteral("Invalid data packet: bad delta row %1").arg(index));
        TChange c;
        c.Row = index;
        if (status == usModified) {
            c.Kind = ukModify;
            c.Old = std::move(original);
            c.New = values;
        } else if (status == usInserted) {
            c.Kind = ukInsert;
            c.New = values;
            c.Old.assign(values.size(), Variant::Null());
        } else {
            c.Kind = ukDelete;
            c.Old = values;
            c.New.assign(values.size(), Variant::Null());
        }
        haveOriginal = false;
        changes.push_back(std::move(c));
    }
    if (haveOriginal)
        DatabaseError(
            QStringLiteral("Invalid data packet: original values without a modified row"));

    TSqlResolver resolver(query, fields, mode);
    QSqlDatabase db = query.Database();
    if (!db.transaction())
        DatabaseError(db.lastError().text());
    TPacketWriter result(pkReconcile, fields, false);
    bool rolledBack = false;
    for (const TChange &c : changes) {
        try {
            resolver.Apply(c);
        } catch (const EDatabaseError &e) {
            ++errorCount;
            TPacketError error;
            error.Row = c.Row;
            error.Message = e.Message();
            error.Current = resolver.Current(c);
            result.AddError(error);
            if (maxErrors >= 0 && errorCount > maxErrors) {
                db.rollback();
                rolledBack = true;
                break;
            }
        }
    }
    if (!rolledBack && !db.commit()) {
        const QString message = db.lastError().text();
        db.rollback();
        DatabaseError(message);
    }
    result.SetRolledBack(rolledBack);
    // The provider's own copy of the data no longer matches the table.
    if (query.Active())
        query.Close();
    return result.Finish();
}
