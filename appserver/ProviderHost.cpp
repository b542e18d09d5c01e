#include "ProviderHost.h"

#include "Packet.h"
#include "Provider.h"
#include "ProviderDetails.h"
#include "RemoteProtocol.h"
#include "ServerDatabase.h"
#include "SqlQuery.h"
#include "StatelessProvider.h"
#include "VariantCbor.h"

struct TProviderHost::TEntry {
    TProviderDef Def;
    std::unique_ptr<TSqlQuery> Query;
    std::unique_ptr<TDataSetProvider> Provider; // declared after the query: goes first
    std::unique_ptr<TDetailResolver> Details;   // for a provider with nested details
    bool ClientCommand = false;                 // the query holds a client's command text
    // What the open read was asked for: a fetch asking for the same continues it.
    QString CommandText;
    QByteArray ParamsKey;
};

namespace {
QByteArray ParamsKey(const Variant &params) {
    return params.IsEmptyOrNull() ? QByteArray() : VariantToCbor(params);
}

// The values of a query's parameters as its statement is given them.
QVariantMap ParamValues(TParams &params) {
    QVariantMap values;
    for (int i = 0; i < params.Count(); ++i) {
        const TParam &p = params[i];
        values.insert(p.Name(),
                      VariantToSql(p.Value(), p.DataType() == ftUnknown ? ftString : p.DataType()));
    }
    return values;
}
} // namespace

TProviderHost::TProviderHost(TServerDatabase &db, QList<TProviderDef> providers) : FDb(db) {
    for (TProviderDef &def : providers) {
        auto e = std::make_unique<TEntry>();
        e->Def = std::move(def);
        FEntries.push_back(std::move(e));
    }
}

TProviderHost::~TProviderHost() = default;

const TProviderDef &TProviderHost::Provider(const QString &name) const {
    for (const auto &e : FEntries)
        if (e->Def.Name.compare(name, Qt::CaseInsensitive) == 0)
            return e->Def;
    throw EServerError(QStringLiteral("Provider %1 not found").arg(name));
}

TProviderHost::TEntry &TProviderHost::Entry(const QString &name) {
    for (const auto &e : FEntries) {
        if (e->Def.Name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!e->Query) {
            e->Query = std::make_unique<TSqlQuery>();
            e->Query->SetConnectionName(FDb.ConnectionName());
            // PostgreSQL folds the unquoted names of the schema to lower case.
            e->Query->SetTableName(FDb.IsSQLite() ? e->Def.Table : e->Def.Table.toLower());
            const QStringList keys = e->Def.KeyFields;
            QStringList joined;
            for (const TProviderField &f : e->Def.Fields)
                if (f.Joined)
                    joined << f.Name;
            e->Query->AfterOpen = [keys, joined](TDataSet *ds) {
                for (const QString &key : keys)
                    if (TField *f = ds->FindField(key))
                        f->SetProviderFlags(f->ProviderFlags() | pfInKey);
                // Clients are told that the joined fields are neither written nor compared.
                for (const QString &name : joined)
                    if (TField *f = ds->FindField(name))
                        f->SetProviderFlags(0);
            };
            e->Provider = std::make_unique<TStatelessProvider>();
            e->Provider->SetName(e->Def.Name);
            e->Provider->SetDataSet(e->Query.get());
            e->Provider->SetUpdateMode(upWhereChanged);
            e->Provider->BeforeApplyRecord = e->Def.CheckRow;
            if (!e->Def.Details.isEmpty()) {
                e->Details = std::make_unique<TDetailResolver>(FDb, e->Def);
                TDetailResolver *details = e->Details.get();
                // A deleted master's details go before the master's own check, which may
                // want them gone; the details of other masters follow their master.
                e->Provider->BeforeApplyRecord = [details,
                                                  check = e->Def.CheckRow](const TDeltaRow &row) {
                    details->BeforeMaster(row);
                    if (check)
                        check(row);
                };
                e->Provider->AfterApplyRecord =
                    [details, written = e->Def.CheckWritten](const TDeltaRow &row) {
                        details->AfterMaster(row);
                        if (written)
                            written(row);
                    };
            } else if (e->Def.CheckWritten) {
                e->Provider->AfterApplyRecord = e->Def.CheckWritten;
            }
        }
        return *e;
    }
    Provider(name); // raises
    Q_UNREACHABLE();
}

void TProviderHost::Prepare(TEntry &e, const QString &commandText, const Variant &params) {
    TSqlQuery &q = *e.Query;
    q.Close();
    e.CommandText = commandText;
    e.ParamsKey = ParamsKey(params);
    e.ClientCommand = !commandText.isEmpty();
    q.SetSQL(e.ClientCommand ? commandText : e.Def.Sql);
    // A filter left by a stateless client's fetch does not outlive the read it was set for.
    q.SetFiltered(false);
    q.SetFilter(QString());
    // Column types: the provider's own list, whose names the columns take whatever case the
    // database reports them in (PostgreSQL folds unquoted names to lower case), so clients see
    // the same fields on every engine. A client's statement brings its own columns; those that
    // carry the name of one of the provider's fields take its type, so that a query over the
    // provider's table reads dates as dates on SQLite too.
    q.FieldDefs().Clear();
    for (const TProviderField &f : e.Def.Fields)
        q.FieldDefs().Add(TFieldDef::Make(f.Name, f.Type, f.Size));
    q.Params().Clear();
    for (const QString &name : e.Def.ParamNames)
        q.Params().CreateParam(ftString, name).Clear();
    if (params.IsEmptyOrNull())
        return;
    TParams given;
    try {
        given.Unpack(params);
    } catch (const Exception &error) {
        throw EServerError(error.Message());
    }
    for (int i = 0; i < given.Count(); ++i) {
        TParam *mine = q.Params().FindParam(given[i].Name());
        if (!mine && e.ClientCommand)
            mine = &q.Params().CreateParam(given[i].DataType(), given[i].Name());
        if (!mine)
            continue; // not a parameter of this provider's statement
        if (given[i].DataType() != ftUnknown)
            mine->SetDataType(given[i].DataType());
        mine->SetValue(given[i].Value());
    }
}

void TProviderHost::Refresh(const QString &name) {
    TEntry &e = Entry(name);
    e.Query->Close();
}

QStringList TProviderHost::AS_GetProviderNames() {
    QStringList names;
    for (const auto &e : FEntries)
        names << e->Def.Name;
    return names;
}

Variant TProviderHost::AS_GetRecords(const QString &providerName, int count, int &recsOut,
                                     int options, const QString &commandText, Variant &params,
                                     Variant &ownerData) {
    TEntry &e = Entry(providerName);
    if (!commandText.isEmpty())
        FDb.CheckClientCommand(commandText);
    // Clients send their command text and parameters with every packet; the same ones continue
    // the read that is open, others start a new one.
    const bool startOver = (options & (grMetaData | grReset)) || !e.Query->Active() ||
                           commandText != e.CommandText || ParamsKey(params) != e.ParamsKey;
    if (startOver)
        Prepare(e, commandText, params);
    Variant result;
    Variant outParams;
    auto fetch = [&] {
        result = e.Provider->GetRecords(count, recsOut, options & ~grReset, QString(), outParams,
                                        ownerData);
    };
    if (e.ClientCommand && !e.Query->Active()) {
        // The client's statement runs now; a read already open continues from its rows.
        FDb.RunClientCommand(commandText, {}, ParamValues(e.Query->Params()),
                             [&](const QString &statement) {
                                 e.Query->SetSQL(statement);
                                 fetch();
                             });
    } else if (e.ClientCommand) {
        FDb.ReadOnly(fetch);
    } else {
        fetch();
    }
    params = outParams;
    // A client's own statement brings its own columns; the provider's brings its details.
    if (!e.ClientCommand && !e.Def.Details.isEmpty() && !result.IsEmptyOrNull())
        result = Variant(WithDetails(FDb, e.Def, result.ToBytes()));
    return result;
}

Variant TProviderHost::AS_ApplyUpdates(const QString &providerName, const Variant &delta,
                                       int maxErrors, int &errorCount, Variant &ownerData) {
    TEntry &e = Entry(providerName);
    if (e.Def.ReadOnly)
        throw EServerError(QStringLiteral("Provider %1 is read-only").arg(e.Def.Name));
    // Changes go to the provider's table through its own statement, never a client's.
    Prepare(e, QString(), Variant());
    if (delta.VarType() != TVarType::Bytes)
        throw EServerError(
            QStringLiteral("Provider %1: the changes are not a delta packet").arg(e.Def.Name));
    const QByteArray changes = WithServerFlags(e.Def, delta.ToBytes());
    if (e.Details)
        e.Details->Start();
    Variant result = e.Provider->ApplyUpdates(Variant(changes), maxErrors, errorCount, ownerData);
    TApplyCounts counts = e.Provider->LastApplyCounts();
    if (e.Details) {
        const std::vector<TFieldDef> fields = TPacketReader(changes).Fields();
        const QByteArray answer = result.IsEmptyOrNull() ? QByteArray() : result.ToBytes();
        // The details written count with their masters, unless the whole apply was taken back.
        if (!RolledBack(answer, fields)) {
            counts.Inserted += e.Details->Counts().Inserted;
            counts.Modified += e.Details->Counts().Modified;
            counts.Deleted += e.Details->Counts().Deleted;
        }
        if (errorCount > 0)
            result = Variant(WithCurrentDetails(FDb, e.Def, fields, answer));
    }
    if (AfterApply)
        AfterApply(e.Def.Name, counts, errorCount);
    return result;
}

Variant TProviderHost::AS_DataRequest(const QString &providerName, const Variant &data) {
    TEntry &e = Entry(providerName);
    // Data requests work on the provider's own statement without parameters.
    if (e.ClientCommand || !e.ParamsKey.isEmpty() || e.Query->SQL() != e.Def.Sql)
        Prepare(e, QString(), Variant());
    return e.Provider->DataRequest(data);
}

Variant TProviderHost::AS_GetParams(const QString &providerName, Variant &ownerData) {
    TEntry &e = Entry(providerName);
    Prepare(e, QString(), Variant());
    return e.Provider->GetParams(ownerData);
}

Variant TProviderHost::AS_RowRequest(const QString &providerName, const Variant &, int, Variant &) {
    Entry(providerName);
    return Variant();
}

void TProviderHost::AS_Execute(const QString &providerName, const QString &commandText,
                               Variant &params, Variant &ownerData) {
    TEntry &e = Entry(providerName);
    if (!commandText.isEmpty())
        FDb.CheckClientCommand(commandText);
    Prepare(e, commandText, params);
    Variant noParams;
    // Whatever runs here was asked for by a client: it may only read.
    const auto execute = [&] { e.Provider->Execute(QString(), noParams, ownerData); };
    if (e.ClientCommand)
        FDb.RunClientCommand(commandText, {}, ParamValues(e.Query->Params()),
                             [&](const QString &statement) {
                                 e.Query->SetSQL(statement);
                                 execute();
                             });
    else
        FDb.ReadOnly(execute);
    params = e.Query->Params().Pack();
}
