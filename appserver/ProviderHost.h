#pragma once
// TProviderHost: the providers that one server object publishes, by name. Each provider reads
// one SELECT over the server's database (with named parameters such as :ID) and applies
// changes to one table by its key fields; client datasets reach them through IAppServer.

#include "AppServer.h"
#include "Provider.h"

#include <QList>
#include <QString>
#include <QStringList>

class TServerDatabase;

struct TProviderDef {
    QString Name;
    QString Sql;            // the SELECT behind the provider; parameters as :Name
    QString Table;          // the table that applied changes go to
    QStringList KeyFields;  // identify a row when changes are applied
    QStringList ParamNames; // the parameters of Sql, in the order clients list them
};

class TProviderHost : public IAppServer {
public:
    TProviderHost(TServerDatabase &db, QList<TProviderDef> providers);
    ~TProviderHost() override;

    // Raises EServerError "Provider %s not found" for an unknown name.
    const TProviderDef &Provider(const QString &name) const;
    // Drops whatever is cached behind a provider so that the next fetch reads the table anew.
    void Refresh(const QString &name);

    Variant AS_ApplyUpdates(const QString &providerName, const Variant &delta, int maxErrors,
                            int &errorCount, Variant &ownerData) override;
    Variant AS_GetRecords(const QString &providerName, int count, int &recsOut, int options,
                          const QString &commandText, Variant &params, Variant &ownerData) override;
    Variant AS_DataRequest(const QString &providerName, const Variant &data) override;
    QStringList AS_GetProviderNames() override;
    Variant AS_GetParams(const QString &providerName, Variant &ownerData) override;
    Variant AS_RowRequest(const QString &providerName, const Variant &row, int requestType,
                          Variant &ownerData) override;
    void AS_Execute(const QString &providerName, const QString &commandText, Variant &params,
                    Variant &ownerData) override;

private:
    // The provider of that name, built over its query at first use.
    TDataSetProvider *Ready(const QString &name);

    TServerDatabase &FDb;
    QList<TProviderDef> FProviders;
    TComponent FOwner; // owns the queries and providers
    TLocalAppServer FLocal;
};
