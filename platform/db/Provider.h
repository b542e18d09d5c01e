#pragma once
// TDataSetProvider publishes a dataset to client datasets: it answers record fetches with data
// packets, serves data and parameter requests, and applies deltas. An SQL query dataset has
// its deltas resolved to INSERT, UPDATE and DELETE statements run in one transaction.
// TLocalAppServer is the IAppServer of providers living in the same process.

#include "AppServer.h"
#include "Component.h"
#include "DataSet.h"
#include "Params.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <vector>

class TDataSetProvider;
class TSqlQuery;

enum TProviderOption : int {
    poAllowCommandText = 0x01, // clients may replace the dataset's command text
    poReadOnly = 0x02,         // deltas are refused
};

// One row of a delta as it is about to be applied: the kind of change and the record it
// leaves (for a deletion, the record it removes), its fields by name in any letter case.
struct TDeltaRow {
    TUpdateKind Kind = ukModify;
    QStringList Names;
    std::vector<Variant> Values;
    // A modified row's values before the change (empty for inserts and deletions).
    std::vector<Variant> OldValues;
    // Null for a field the row does not hold.
    Variant Value(const QString &name) const;
    // The value before the change of a modified row; otherwise the same as Value.
    Variant OldValue(const QString &name) const;
};
// Checks a row before it is applied; an error it raises refuses that row alone, with its
// message as the reason the client is given. Run after a row was written, it may write rows
// of other tables that go with it: a refusal then takes back the row and what went with it.
using TDeltaRowCheck = std::function<void(const TDeltaRow &)>;
// The rows an applied delta wrote to its table (none when the apply was rolled back).
struct TApplyCounts {
    int Inserted = 0;
    int Modified = 0;
    int Deleted = 0;
};

using TProviderRemoteEvent = std::function<void(TDataSetProvider *, Variant &ownerData)>;
using TDataRequestEvent = std::function<Variant(TDataSetProvider *, const Variant &input)>;

class TDataSetProvider : public TComponent {
    Q_OBJECT
public:
    explicit TDataSetProvider(QObject *owner = nullptr);
    ~TDataSetProvider() override;
    QString ClassName() const override { return QStringLiteral("TDataSetProvider"); }

    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    TUpdateMode UpdateMode() const { return FUpdateMode; }
    void SetUpdateMode(TUpdateMode mode) { FUpdateMode = mode; }
    int Options() const { return FOptions; }
    void SetOptions(int options) { FOptions = options; }

    TProviderRemoteEvent BeforeGetRecords, AfterGetRecords, BeforeApplyUpdates, AfterApplyUpdates;
    TProviderRemoteEvent BeforeGetParams, AfterGetParams, BeforeExecute, AfterExecute;
    TDataRequestEvent OnDataRequest;
    // Runs for every row of a delta before it is applied, and after it was.
    TDeltaRowCheck BeforeApplyRecord;
    TDeltaRowCheck AfterApplyRecord;

    // The calls of IAppServer, for this provider.
    virtual Variant GetRecords(int count, int &recsOut, int options, const QString &commandText,
                               Variant &params, Variant &ownerData);
    virtual Variant ApplyUpdates(const Variant &delta, int maxErrors, int &errorCount,
                                 Variant &ownerData);
    virtual Variant DataRequest(const Variant &input);
    virtual Variant GetParams(Variant &ownerData);
    virtual void Execute(const QString &commandText, Variant &params, Variant &ownerData);
    // What the last ApplyUpdates wrote.
    const TApplyCounts &LastApplyCounts() const { return FLastApplyCounts; }

    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    // Fires BeforeGetRecords; the stateless provider unwraps its requests here.
    virtual void DoBeforeGetRecords(int count, int options, const QString &commandText,
                                    Variant &params, Variant &ownerData);
    virtual QByteArray InternalApplyUpdates(const QByteArray &delta, int maxErrors,
                                            int &errorCount);
    // The fetch itself: up to count records from the current one (-1 all, 0 metadata only).
    QByteArray PackRecords(int count, int &recsOut, bool metaData);
    void CheckDataSet() const;

private:
    TParams *DataSetParams() const;
    QPointer<TDataSet> FDataSet;
    TUpdateMode FUpdateMode = upWhereAll;
    int FOptions = 0;
    TApplyCounts FLastApplyCounts;
};

class TLocalAppServer : public IAppServer {
public:
    // Registers under the provider's component name unless a name is given.
    void RegisterProvider(TDataSetProvider *provider, const QString &name = QString());
    void UnregisterProvider(const QString &name);
    TDataSetProvider *FindProvider(const QString &name) const;
    int ProviderCount() const { return static_cast<int>(FProviders.size()); }

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
    TDataSetProvider *Provider(const QString &name) const;
    QHash<QString, QPointer<TDataSetProvider>> FProviders; // keys in lower case
};

// Applies a delta packet to the table behind an SQL query; returns the reconcile result. With
// `counts`, also the rows written, by kind. `check` sees each row before it is written,
// `after` once it is; with `after`, every row is applied under a savepoint of its own on every
// engine, so that a refused row takes back whatever its checks wrote too.
QByteArray ResolveToSql(TSqlQuery &query, const QByteArray &delta, TUpdateMode mode, int maxErrors,
                        int &errorCount, const TDeltaRowCheck &check = {},
                        TApplyCounts *counts = nullptr, const TDeltaRowCheck &after = {});
