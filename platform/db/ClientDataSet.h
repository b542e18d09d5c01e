#pragma once
// TClientDataSet: a dataset that holds its records with a change log, gets them as data
// packets from a provider (through IAppServer, in this process or on a server) or from a
// briefcase file, and sends its changes back as a delta. Failed rows come back for
// reconciliation. Cloned cursors share the records; master/detail links and nested datasets
// restrict a detail to the records of the master's current record.

#include "AppServer.h"
#include "DataSet.h"
#include "Params.h"

#include <QPointer>
#include <functional>
#include <memory>

class TClientDataSet;
class TDataSource;
class TLocalAppServer;
class TMasterLink;
class TPacketWriter;

// The error of a row the server refused.
class EReconcileError : public EDatabaseError {
public:
    EReconcileError(const QString &message, int errorCode)
        : EDatabaseError(message), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

using TRemoteEvent = std::function<void(TClientDataSet *, Variant &ownerData)>;
using TReconcileErrorEvent =
    std::function<void(TClientDataSet *, const EReconcileError &, TUpdateKind, TReconcileAction &)>;

class TClientDataSet : public TDataSet {
    Q_OBJECT
public:
    explicit TClientDataSet(QObject *owner = nullptr);
    ~TClientDataSet() override;
    QString ClassName() const override { return QStringLiteral("TClientDataSet"); }

    // Change log.
    int ChangeCount() const;
    bool LogChanges() const;
    void SetLogChanges(bool on);
    bool UndoLastChange(bool followChange);
    void RevertRecord();
    void CancelUpdates();
    void MergeChangeLog();
    // The pending changes as a delta packet (bytes); empty when there are none.
    Variant Delta() const;

    // Data packets.
    Variant Data() const;
    void SetData(const Variant &data);
    void AppendData(const Variant &data, bool hitEOF);
    void CreateDataSet();
    void EmptyDataSet();

    // Cloning: shares the records of `source`. reset: the clone starts with no filter, index
    // or range; keepSettings: the clone keeps its own; otherwise it takes the source's.
    void CloneCursor(TClientDataSet *source, bool reset, bool keepSettings = false);

    // Provider.
    const QString &ProviderName() const { return FProviderName; }
    void SetProviderName(const QString &name);
    // The server that publishes the provider. Without one, providers owned by the same
    // owner as the dataset are used, by name.
    IAppServer *AppServer();
    void SetAppServer(IAppServer *server) { FAppServer = server; }
    const QString &CommandText() const { return FCommandText; }
    void SetCommandText(const QString &text);
    int PacketRecords() const { return FPacketRecords; }
    void SetPacketRecords(int count) { FPacketRecords = count; }
    bool FetchOnDemand() const { return FFetchOnDemand; }
    void SetFetchOnDemand(bool on) { FFetchOnDemand = on; }
    // Fetches the next packet; returns the number of records added.
    int GetNextPacket();
    bool FetchedAll() const { return FFetchedAll; }
    TParams &Params() { return FParams; }
    void FetchParams();
    void Execute();
    Variant DataRequest(const Variant &data);
    int ApplyUpdates(int maxErrors);

    TRemoteEvent BeforeGetRecords, AfterGetRecords, BeforeApplyUpdates, AfterApplyUpdates;
    TRemoteEvent BeforeGetParams, AfterGetParams, BeforeExecute, AfterExecute;
    TReconcileErrorEvent OnReconcileError;

    // Briefcase: a file holding the data packet with its pending changes.
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &name) { FFileName = name; }
    void SaveToFile(const QString &fileName = QString()) const;
    void LoadFromFile(const QString &fileName = QString());

    // Master/detail: the detail shows the records whose leading index fields equal the
    // master's MasterFields.
    TDataSource *MasterSource() const;
    void SetMasterSource(TDataSource *source);
    const QString &MasterFields() const { return FMasterFields; }
    void SetMasterFields(const QString &names);

    // Nested dataset: shows the records held in a dataset field of the owning dataset.
    TDataSetField *DataSetField() const { return FDataSetField; }
    void SetDataSetField(TDataSetField *field);

    // Fetches the records again from the provider (there must be no pending changes), keeping
    // filter, order, range and the current record when it is still there. Without a provider:
    // rebuilds the view.
    void Refresh() override;

    Variant ReconcileValue(const TField *field, TDataSetState which) const override;
    void SetReconcileNewValue(TField *field, const Variant &value) override;

    // Called by the master link.
    void MasterChanged();

protected:
    void InternalOpen() override;
    // Gets the records of an open: from the data given (SetData, clone, CreateDataSet), a
    // nested field, the briefcase file, or the provider. The stateless datasets ask their
    // provider differently.
    virtual void OpenCursor(bool infoQuery);
    // Whether the open under way takes records given to it rather than asking for them.
    bool OpeningFromData() const;
    // Makes a data packet the records of the open under way.
    void OpenFromPacket(const QByteArray &bytes);
    // Adds the rows of a packet to the open dataset; eodMode -1 takes end-of-data from the
    // packet, 0 or 1 sets it.
    int AppendPacket(const QByteArray &bytes, int eodMode);
    void InternalClose() override;
    bool FetchMore(bool all) override;
    void InitNewRecord() override;
    void AfterStoreChange() override;
    // One record fetch from the provider; the stateless datasets wrap it.
    virtual Variant DoGetRecords(int count, int &recsOut, int options, const QString &commandText,
                                 Variant &params);
    virtual Variant DoApplyUpdates(const Variant &delta, int maxErrors, int &errorCount);

private:
    std::shared_ptr<TRecordStore> BuildStore(const QByteArray &packet, std::vector<TFieldDef> &defs,
                                             bool &eod, Variant &params) const;
    QByteArray PacketBytes(bool includeLog) const;
    QByteArray DeltaBytes(std::vector<std::pair<quint32, TUpdateKind>> &map) const;
    void WriteDeletedRow(TPacketWriter &writer, quint32 row) const;
    // Slots of the stored record that hold nested datasets.
    std::vector<int> NestedFieldSlots() const;
    // The nested datasets of these (merged) records take their changes as accepted.
    void MergeNestedLogs(const std::vector<quint32> &rows);
    const TFieldDefs &FieldDefs_() const { return const_cast<TClientDataSet *>(this)->FieldDefs(); }
    void Reconcile(const QByteArray &result,
                   const std::vector<std::pair<quint32, TUpdateKind>> &rows);
    void AfterLogChange(qint64 row);
    void WriteBackToMaster();
    // Restricts the records held now to those of the master's current record (nothing when
    // the master is closed or empty).
    void UpdateMasterCondition();
    std::vector<TFieldDef> NestedDefs() const;

    QString FProviderName;
    IAppServer *FAppServer = nullptr;
    std::unique_ptr<TLocalAppServer> FLocalServer;
    QString FCommandText;
    int FPacketRecords = -1;
    bool FFetchOnDemand = true;
    bool FFetchedAll = true;
    bool FLogChanges = true;
    TParams FParams;
    QString FFileName;
    QString FMasterFields;
    std::unique_ptr<TMasterLink> FMasterLink;
    TDataSetField *FDataSetField = nullptr;
    std::unique_ptr<TDataSource> FNestedSource;
    std::unique_ptr<TMasterLink> FNestedLink;
    bool FWritingBack = false;
    bool FInMasterChange = false;
    bool FReplacing = false; // closing only to open other data: no briefcase save
    // Open from these instead of the provider.
    std::shared_ptr<TRecordStore> FPendingStore;
    std::vector<TFieldDef> FPendingDefs;
    TClientDataSet *FCloneSource = nullptr;
    bool FCreating = false;
    // Reconcile context.
    qint64 FReconcileRow = -1;
    const std::vector<Variant> *FReconcileCurrent = nullptr;
    std::vector<Variant> FReconcileNew;
};
