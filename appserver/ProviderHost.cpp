#include "ProviderHost.h"

#include "RemoteProtocol.h"
#include "ServerDatabase.h"
#include "SqlQuery.h"

TProviderHost::TProviderHost(TServerDatabase &db, QList<TProviderDef> providers)
    : FDb(db), FProviders(std::move(providers)) {}

TProviderHost::~TProviderHost() = default;

const TProviderDef &TProviderHost::Provider(const QString &name) const {
    for (const TProviderDef &p : FProviders)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    throw EServerError(QStringLiteral("Provider %1 not found").arg(name));
}

TDataSetProvider *TProviderHost::Ready(const QString &name) {
    const TProviderDef &def = Provider(name);
    if (TDataSetProvider *existing = FLocal.FindProvider(def.Name))
        return existing;
    auto *query = new TSqlQuery(&FOwner);
    query->SetConnectionName(FDb.Db().connectionName());
    query->SetSQL(def.Sql);
    query->SetTableName(def.Table);
    // Key fields identify rows when changes are applied; they are marked once the query has
    // its fields, and the marks travel to the client in the packet's metadata.
    const QStringList keys = def.KeyFields;
    query->AfterOpen = [keys](TDataSet *ds) {
        for (const QString &key : keys)
            if (TField *field = ds->FindField(key))
                field->SetProviderFlags(field->ProviderFlags() | pfInKey);
    };
    auto *provider = new TDataSetProvider(&FOwner);
    provider->SetDataSet(query);
    provider->SetUpdateMode(upWhereChanged);
    FLocal.RegisterProvider(provider, def.Name);
    return provider;
}

void TProviderHost::Refresh(const QString &name) {
    // The next fetch reads the table anew.
    Ready(name)->DataSet()->Close();
}

QStringList TProviderHost::AS_GetProviderNames() {
    QStringList names;
    for (const TProviderDef &p : FProviders)
        names << p.Name;
    return names;
}

Variant TProviderHost::AS_ApplyUpdates(const QString &providerName, const Variant &delta,
                                       int maxErrors, int &errorCount, Variant &ownerData) {
    TDataSetProvider *provider = Ready(providerName);
    // The changes are resolved to statements inside one transaction of their own.
    const Variant result = provider->ApplyUpdates(delta, maxErrors, errorCount, ownerData);
    // Later fetches see the applied rows.
    provider->DataSet()->Close();
    return result;
}

Variant TProviderHost::AS_GetRecords(const QString &providerName, int count, int &recsOut,
                                     int options, const QString &commandText, Variant &params,
                                     Variant &ownerData) {
    TDataSetProvider *provider = Ready(providerName);
    // A fetch with metadata is a new open on the client: it reads the table as it is now.
    if (options & grMetaData)
        provider->DataSet()->Close();
    return provider->GetRecords(count, recsOut, options, commandText, params, ownerData);
}

Variant TProviderHost::AS_DataRequest(const QString &providerName, const Variant &data) {
    Ready(providerName);
    return FLocal.AS_DataRequest(providerName, data);
}

Variant TProviderHost::AS_GetParams(const QString &providerName, Variant &ownerData) {
    Ready(providerName);
    return FLocal.AS_GetParams(providerName, ownerData);
}

Variant TProviderHost::AS_RowRequest(const QString &providerName, const Variant &row,
                                     int requestType, Variant &ownerData) {
    Ready(providerName);
    return FLocal.AS_RowRequest(providerName, row, requestType, ownerData);
}

void TProviderHost::AS_Execute(const QString &providerName, const QString &commandText,
                               Variant &params, Variant &ownerData) {
    Ready(providerName);
    FLocal.AS_Execute(providerName, commandText, params, ownerData);
}
