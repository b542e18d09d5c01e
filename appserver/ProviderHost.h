#pragma once
// TProviderHost: the providers that one server object publishes, by name. Each provider reads
// one SELECT over the server's database (with named parameters such as :ID) and applies
// changes to one table by its key fields; client datasets reach them through IAppServer.
//
// Every request stands on its own: a fetch that asks for metadata (the start of a read) and
// every fetch after RefreshDataSet reads the table anew, parameters are those of the request
// only, and a command text from a client lasts for that fetch. Command texts run read-only and
// must be one statement (TServerDatabase::CheckClientCommand). Deltas are applied in one
// transaction to the provider's own table, whatever the client's command text read from.
// The providers are stateless providers: they also serve the filtered opens, single-record
// locates and filtered fetches of the stateless client datasets.

#include "AppServer.h"
#include "DbTypes.h"
#include "Provider.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TServerDatabase;
class TDataSetProvider;
class TSqlQuery;

struct TProviderField {
    QString Name;
    TFieldType Type = ftString;
    int Size = 0;
    // Read from another table (a name beside a code): shown to clients, never written or
    // compared, whatever a client's changes say of it.
    bool Joined = false;
};

// Details that travel inside every row of their master as a nested dataset: the rows of
// another table that share the master's key. Clients edit them under the master; their
// changes come back inside the master's changes and are applied with them in the same
// transaction (the details of a deleted master before it, the others after it).
struct TProviderDetail {
    QString Field;                // the master's nested dataset field
    QString Caption;              // what a detail row is called in messages
    QString Sql;                  // the details of one master; LinkFields as :Name parameters
    QString Table;                // the table that the details' changes go to
    QStringList KeyFields;        // identify a detail row
    QStringList LinkFields;       // fields that master and details share: the master's key
    QList<TProviderField> Fields; // the columns of Sql with their types, in order
    TDeltaRowCheck CheckRow = {}; // every changed detail row passes it before it is written
};

struct TProviderDef {
    QString Name;
    QString Sql;                         // the SELECT behind the provider; parameters as :Name
    QString Table;                       // the table that applied changes go to
    QStringList KeyFields;               // identify a row when changes are applied
    QStringList ParamNames;              // the parameters of Sql, in the order clients list them
    QList<TProviderField> Fields;        // the columns of Sql with their types, in order
    bool ReadOnly = false;               // changes sent by clients are refused
    TDeltaRowCheck CheckRow = {};        // every changed row passes it before it is written
    QList<TProviderDetail> Details = {}; // nested after Fields, in this order
    // Every changed row, once it and its details are written: a refusal takes the row back
    // with its details (a rule over the whole record, such as a voucher's balance).
    TDeltaRowCheck CheckWritten = {};
};

class TProviderHost : public IAppServer {
public:
    TProviderHost(TServerDatabase &db, QList<TProviderDef> providers);
    ~TProviderHost() override;

    // Raises EServerError "Provider %s not found" for an unknown name.
    const TProviderDef &Provider(const QString &name) const;
    // Drops what the provider holds so that the next fetch reads the table anew.
    void Refresh(const QString &name);
    // Told after every apply that reached the table: the provider, the rows written by kind
    // and the rows refused.
    std::function<void(const QString &provider, const TApplyCounts &counts, int errors)> AfterApply;

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
    struct TEntry;
    TEntry &Entry(const QString &name);
    // Puts the provider's own statement and declared parameters back, then takes the values
    // of the request's parameters that the provider declares (all of them with a command text).
    void Prepare(TEntry &e, const QString &commandText, const Variant &params);

    TServerDatabase &FDb;
    std::vector<std::unique_ptr<TEntry>> FEntries;
};
