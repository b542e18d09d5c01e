#include "ClientDataSet.h"

#include "DataSource.h"
#include "Packet.h"
#include "Provider.h"

#include <QFile>
#include <QSaveFile>

// Tells a detail (or nested) dataset that its master moved or changed.
class TMasterLink : public TDataLink {
public:
    explicit TMasterLink(TClientDataSet *detail) : FDetail(detail) {}

protected:
    void ActiveChanged() override { FDetail->MasterChanged(); }
    void DataSetChanged() override { FDetail->MasterChanged(); }
    // A scroll by nothing (an end reached) leaves the master record as it was.
    void DataSetScrolled(int distance) override {
        if (distance != 0)
            FDetail->MasterChanged();
    }
    void RecordChanged(TField *) override {}
    // How the master's fields show does not change which records the detail holds.
    void LayoutChanged() override {}

private:
    TClientDataSet *FDetail;
};

namespace {
std::vector<uchar> EncodeValues(const TRecordLayout &layout, const std::vector<Variant> &values) {
    std::vector<QByteArray> texts;
    std::vector<uchar> out(layout.EncodedSize(values, texts));
    layout.Encode(values, texts, out.data());
    return out;
}

std::vector<Variant> DecodeAll(const TRecordLayout &layout, const uchar *rec) {
    std::vector<Variant> values(static_cast<size_t>(layout.Count()));
    for (int i = 0; i < layout.Count(); ++i)
        values[static_cast<size_t>(i)] = layout.Value(rec, i);
    return values;
}
} // namespace

TClientDataSet::TClientDataSet(QObject *owner) : TDataSet(owner) {}

TClientDataSet::~TClientDataSet() {
    FMasterLink.reset();
    FNestedLink.reset();
    FNestedSource.reset();
    if (FDataSetField)
        FDataSetField->FNested = nullptr;
}

// ---- change log ----------------------------------------------------------------------------

int TClientDataSet::ChangeCount() const {
    return Store() ? Store()->ChangeCount() : 0;
}

bool TClientDataSet::LogChanges() const {
    return Store() ? Store()->LogChanges() : FLogChanges;
}

void TClientDataSet::SetLogChanges(bool on) {
    FLogChanges = on;
    if (Store())
        Store()->SetLogChanges(on);
}

void TClientDataSet::AfterLogChange(qint64 row) {
    const TBookmark current = GetBookmark();
    ResyncStore();
    if (row >= 0 && !GotoRow(static_cast<quint32>(row)) && current >= 0)
        GotoRow(static_cast<quint32>(current));
    Store()->NotifyCursors(this);
    if (FDataSetField)
        WriteBackToMaster();
}

bool TClientDataSet::UndoLastChange(bool followChange) {
    CheckActive();
    Cancel();
    const qint64 row = Store()->UndoLastChange();
    if (row < 0)
        return false;
    AfterLogChange(followChange ? row : -1);
    return true;
}

void TClientDataSet::RevertRecord() {
    CheckActive();
    if (State() == dsInsert) {
        Cancel();
        return;
    }
    Cancel();
    const qint64 row = CurrentRow();
    if (row < 0)
        return;
    Store()->RevertRow(static_cast<quint32>(row));
    AfterLogChange(row);
}

void TClientDataSet::CancelUpdates() {
    CheckActive();
    Cancel();
    Store()->CancelUpdates();
    AfterLogChange(-1);
}

void TClientDataSet::MergeChangeLog() {
    CheckActive();
    CheckBrowseMode();
    std::vector<quint32> rows;
    if (!NestedFieldSlots().empty())
        rows = Store()->ChangedRows();
    Store()->MergeChangeLog();
    // The details' changes were accepted with their masters.
    MergeNestedLogs(rows);
    AfterLogChange(-1);
}

// ---- packets -------------------------------------------------------------------------------

std::shared_ptr<TRecordStore> TClientDataSet::BuildStore(const QByteArray &packet,
                                                         std::vector<TFieldDef> &defs, bool &eod,
                                                         Variant &params) const {
    const std::vector<TFieldDef> *known =
        FieldDefs_().Count() > 0 ? &FieldDefs_().Items() : nullptr;
    TPacketReader reader(packet, known);
    if (reader.Kind() != pkData)
        DatabaseError(QStringLiteral("Invalid data packet: not a data packet"));
    defs = reader.Fields();
    std::vector<TFieldType> types;
    for (const TFieldDef &d : defs)
        types.push_back(d.DataType);
    auto store = std::make_shared<TRecordStore>(TRecordLayout(types));
    TRecordBuilder record(store->Layout());
    quint8 status;
    const uchar *original = nullptr;
    // Once the first rows show how many bytes a row takes, room for all of them is made at
    // once: no growing (and copying) of the row tables while the rest arrive.
    constexpr quint32 Sample = 256;
    const qsizetype rowsStart = reader.Offset();
    quint32 read = 0;
    while (reader.NextRecord(status, record)) {
        if (++read == Sample) {
            const double perRow = double(reader.Offset() - rowsStart) / Sample;
            const double left = double(packet.size() - reader.Offset()) / perRow;
            store->Reserve(static_cast<quint32>(std::min(left * 1.02 + 16, 1e9)));
        }
        const uchar *block = store->Encode(record);
        if (status == PacketOriginal) {
            if (original)
                DatabaseError(
                    QStringLiteral("Invalid data packet: original values without a modified row"));
            original = block;
            continue;
        }
        if ((status == usModified) != (original != nullptr))
            DatabaseError(
                QStringLiteral("Invalid data packet: modified row without its original values"));
        store->Load(block, static_cast<TUpdateStatus>(status), original);
        original = nullptr;
    }
    if (original)
        DatabaseError(
            QStringLiteral("Invalid data packet: original values without a modified row"));
    eod = reader.EndOfData();
    params = reader.Params();
    store->SetLogChanges(FLogChanges);
    return store;
}

QByteArray TClientDataSet::PacketBytes(bool includeLog) const {
    std::vector<TFieldDef> defs = FieldDefs_().Items();
    for (TFieldDef &d : defs)
        if (TField *f = FindField(d.Name); f && f->IsData()) {
            auto children = std::move(d.Children);
            d = f->ToDef();
            d.Children = std::move(children);
        }
    TPacketWriter w(pkData, defs, true);
    const TRecordStore &store = *Store();
    const TRecordLayout &layout = store.Layout();
    store.ForEachInOrder([&](quint32 row) {
        const TRecordStore::TRow r = store.Row(row);
        if (r.Dead)
            return;
        const uchar *orig = store.Original(row);
        switch (includeLog ? r.Status : usUnmodified) {
        case usUnmodified:
            if (r.Status != usDeleted)
                w.WriteRow(usUnmodified, layout, r.Data);
            break;
        case usInserted:
            w.WriteRow(usInserted, layout, r.Data);
            break;
        case usModified:
            w.WriteRow(PacketOriginal, layout, orig ? orig : r.Data);
            w.WriteRow(usModified, layout, r.Data);
            break;
        case usDeleted:
            WriteDeletedRow(w, row);
            break;
        }
    });
    w.SetEndOfData(FFetchedAll);
    w.SetParams(FParams.Pack());
    return w.Finish();
}

Variant TClientDataSet::Data() const {
    if (!Active())
        return Variant();
    return Variant(PacketBytes(true));
}

void TClientDataSet::SetData(const Variant &data) {
    if (data.IsEmptyOrNull()) {
        Close();
        return;
    }
    std::vector<TFieldDef> defs;
    bool eod = true;
    Variant params;
    auto store = BuildStore(data.ToBytes(), defs, eod, params);
    FReplacing = true;
    try {
        Close();
    } catch (...) {
        FReplacing = false;
        throw;
    }
    FReplacing = false;
    FPendingStore = std::move(store);
    FPendingDefs = std::move(defs);
    try {
        Open();
    } catch (...) {
        FPendingStore.reset();
        throw;
    }
    FFetchedAll = eod;
    if (!params.IsEmptyOrNull())
        FParams.Unpack(params);
}

int TClientDataSet::AppendPacket(const QByteArray &bytes, int eodMode) {
    if (!Active()) {
        SetData(Variant(bytes));
        if (eodMode >= 0)
            FFetchedAll = eodMode == 1;
        return RecordCount();
    }
    CheckBrowseMode();
    TPacketReader reader(bytes, &FieldDefs_().Items());
    if (reader.Kind() != pkData)
        DatabaseError(QStringLiteral("Invalid data packet: not a data packet"));
    if (reader.HasMetaData()) {
        const auto &mine = FieldDefs_().Items();
        const auto &theirs = reader.Fields();
        bool same = mine.size() == theirs.size();
        for (size_t i = 0; same && i < mine.size(); ++i)
            same = mine[i].DataType == theirs[i].DataType &&
                   mine[i].Name.compare(theirs[i].Name, Qt::CaseInsensitive) == 0;
        if (!same)
            DatabaseError(QStringLiteral("The fields of the packet do not match the dataset"));
    }
    // Every row is read before any is added, so that a bad packet adds nothing.
    struct TPending {
        const uchar *Data;
        TUpdateStatus Status;
        const uchar *Original;
    };
    std::vector<TPending> rows;
    quint8 status;
    const uchar *original = nullptr;
    TRecordStore &store = *Store();
    TRecordBuilder record(store.Layout());
    while (reader.NextRecord(status, record)) {
        const uchar *block = store.Encode(record);
        if (status == PacketOriginal) {
            if (original)
                DatabaseError(
                    QStringLiteral("Invalid data packet: original values without a modified row"));
            original = block;
            continue;
        }
        if ((status == usModified) != (original != nullptr))
            DatabaseError(
                QStringLiteral("Invalid data packet: modified row without its original values"));
        rows.push_back({block, static_cast<TUpdateStatus>(status), original});
        original = nullptr;
    }
    if (original)
        DatabaseError(
            QStringLiteral("Invalid data packet: original values without a modified row"));
    store.Reserve(static_cast<quint32>(rows.size()));
    for (const TPending &p : rows)
        store.Load(p.Data, p.Status, p.Original);
    FFetchedAll = eodMode < 0 ? reader.EndOfData() : eodMode == 1;
    if (!reader.Params().IsEmptyOrNull())
        FParams.UnpackOutput(reader.Params());
    const qint64 row = CurrentRow();
    Resync();
    if (row >= 0)
        GotoRow(static_cast<quint32>(row));
    store.NotifyCursors(this);
    return static_cast<int>(rows.size());
}

void TClientDataSet::AppendData(const Variant &data, bool hitEOF) {
    if (data.IsEmptyOrNull()) {
        if (hitEOF)
            FFetchedAll = true;
        return;
    }
    AppendPacket(data.ToBytes(), hitEOF ? 1 : 0);
}

void TClientDataSet::CreateDataSet() {
    Close();
    FCreating = true;
    try {
        Open();
    } catch (...) {
        FCreating = false;
        throw;
    }
    FCreating = false;
    FFetchedAll = true;
}

void TClientDataSet::EmptyDataSet() {
    CheckActive();
    Cancel();
    Store()->Clear();
    AfterLogChange(-1);
}

// ---- opening -------------------------------------------------------------------------------

void TClientDataSet::InternalOpen() {
    OpenCursor(false);
    // A detail opens on the rows of its master's current record.
    if (FMasterLink && !FDataSetField && Store())
        UpdateMasterCondition();
}

bool TClientDataSet::OpeningFromData() const {
    return FCloneSource || FPendingStore || FCreating || FDataSetField;
}

void TClientDataSet::OpenFromPacket(const QByteArray &bytes) {
    std::vector<TFieldDef> defs;
    bool eod = true;
    Variant params;
    auto store = BuildStore(bytes, defs, eod, params);
    FieldDefs().Assign(std::move(defs));
    UseStore(std::move(store));
    FFetchedAll = eod;
    if (!params.IsEmptyOrNull())
        FParams.UnpackOutput(params);
}

void TClientDataSet::OpenCursor(bool) {
    if (FCloneSource) {
        FieldDefs().Assign(FCloneSource->FieldDefs().Items());
        UseStore(FCloneSource->Store());
        FFetchedAll = true;
        return;
    }
    if (FPendingStore) {
        FieldDefs().Assign(FPendingDefs);
        UseStore(std::move(FPendingStore));
        FPendingStore.reset();
        return;
    }
    if (FCreating) {
        CreateStore();
        Store()->SetLogChanges(FLogChanges);
        return;
    }
    QByteArray bytes;
    if (FDataSetField) {
        TDataSet *master = FDataSetField->DataSet();
        if (!master || !master->Active())
            DatabaseError(
                QStringLiteral("The master of nested dataset '%1' is not open").arg(Name()));
        bytes = master->IsEmpty() && !master->IsEditing() ? QByteArray() : FDataSetField->AsBytes();
        if (bytes.isEmpty()) {
            FieldDefs().Assign(NestedDefs());
            CreateStore();
            Store()->SetLogChanges(FLogChanges);
            return;
        }
    } else if (!FFileName.isEmpty() && QFile::exists(FFileName)) {
        QFile file(FFileName);
        if (!file.open(QIODevice::ReadOnly))
            DatabaseError(QStringLiteral("Cannot open file '%1'").arg(FFileName));
        bytes = file.readAll();
    } else if (!FProviderName.isEmpty()) {
        int recsOut = 0;
        Variant p = FParams.Pack();
        bytes = DoGetRecords(FPacketRecords, recsOut, grMetaData, FCommandText, p).ToBytes();
    } else {
        DatabaseError(QStringLiteral("Missing data provider or data packet"));
    }
    OpenFromPacket(bytes);
}

void TClientDataSet::InternalClose() {
    if (!FFileName.isEmpty() && !FReplacing && Store() && !FDataSetField)
        SaveToFile(FFileName);
    // The master condition reads the layout of the records that are going.
    if (FMasterLink)
        FRowCondition = nullptr;
}

void TClientDataSet::Refresh() {
    CheckActive();
    CheckBrowseMode();
    if (FProviderName.isEmpty() || FDataSetField) {
        TDataSet::Refresh();
        return;
    }
    if (ChangeCount() > 0)
        DatabaseError(QStringLiteral("Must apply updates before refreshing data"));
    if (BeforeRefresh)
        BeforeRefresh(this);
    // The record under the cursor is found again by its key fields, else by its position.
    QStringList keyNames;
    for (const auto &f : Fields())
        if (f->IsData() && (f->ProviderFlags() & pfInKey))
            keyNames << f->FieldName();
    std::vector<Variant> keyValues;
    for (const QString &name : keyNames)
        keyValues.push_back(FieldByName(name)->Value());
    const int recNo = RecNo();

    int recsOut = 0;
    Variant p = FParams.Pack();
    const QByteArray bytes =
        DoGetRecords(FPacketRecords, recsOut, grMetaData | grReset, FCommandText, p).ToBytes();
    // Every row is read before the records are replaced, so that a bad packet changes nothing.
    TPacketReader reader(bytes, &FieldDefs_().Items());
    if (reader.Kind() != pkData)
        DatabaseError(QStringLiteral("Invalid data packet: not a data packet"));
    const auto &mine = FieldDefs_().Items();
    const auto &theirs = reader.Fields();
    bool same = mine.size() == theirs.size();
    for (size_t i = 0; same && i < mine.size(); ++i)
        same = mine[i].DataType == theirs[i].DataType &&
               mine[i].Name.compare(theirs[i].Name, Qt::CaseInsensitive) == 0;
    if (!same)
        DatabaseError(QStringLiteral("The fields of the refreshed data do not match the dataset"));
    std::vector<std::vector<Variant>> rows;
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values)) {
        if (status != usUnmodified)
            DatabaseError(QStringLiteral("Invalid data packet: pending changes in fetched data"));
        rows.push_back(values);
    }
    TRecordStore &store = *Store();
    store.Clear();
    for (const auto &row : rows)
        store.Load(store.Encode(row));
    FFetchedAll = reader.EndOfData();
    if (!reader.Params().IsEmptyOrNull())
        FParams.UnpackOutput(reader.Params());
    DisableControls();
    try {
        Resync();
        bool found = false;
        if (!keyNames.isEmpty() && !keyValues.empty() && !keyValues[0].IsEmptyOrNull())
            found = Locate(keyNames.join(QLatin1Char(';')),
                           keyValues.size() == 1 ? keyValues[0] : Variant::ArrayOf(keyValues));
        if (!found && recNo > 0)
            SetRecNo(std::min(recNo, RecordCount()));
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    store.NotifyCursors(this);
    if (AfterRefresh)
        AfterRefresh(this);
}

bool TClientDataSet::FetchMore(bool all) {
    if (!FFetchOnDemand || FFetchedAll || FProviderName.isEmpty() || FPacketRecords == 0)
        return false;
    int added = 0;
    while (!FFetchedAll) {
        const int n = GetNextPacket();
        added += n;
        if (!all && n > 0)
            break;
        if (n == 0 && !all)
            break;
    }
    return added > 0;
}

int TClientDataSet::GetNextPacket() {
    CheckActive();
    if (FFetchedAll || FProviderName.isEmpty())
        return 0;
    int recsOut = 0;
    Variant p = FParams.Pack();
    const Variant packet = DoGetRecords(FPacketRecords, recsOut, 0, FCommandText, p);
    return AppendPacket(packet.ToBytes(), -1);
}

// ---- provider ------------------------------------------------------------------------------

void TClientDataSet::SetProviderName(const QString &name) {
    if (name == FProviderName)
        return;
    Close();
    FProviderName = name;
}

void TClientDataSet::SetCommandText(const QString &text) {
    FCommandText = text;
}

IAppServer *TClientDataSet::AppServer() {
    if (FAppServer)
        return FAppServer;
    if (!FLocalServer)
        FLocalServer = std::make_unique<TLocalAppServer>();
    if (TComponentBase *owner = Owner())
        for (TComponentBase *c : owner->Components())
            if (auto *provider = dynamic_cast<TDataSetProvider *>(c))
                FLocalServer->RegisterProvider(provider);
    return FLocalServer.get();
}

Variant TClientDataSet::DoGetRecords(int count, int &recsOut, int options,
                                     const QString &commandText, Variant &params) {
    Variant ownerData;
    if (BeforeGetRecords)
        BeforeGetRecords(this, ownerData);
    const Variant result = AppServer()->AS_GetRecords(FProviderName, count, recsOut, options,
                                                      commandText, params, ownerData);
    FParams.UnpackOutput(params);
    if (AfterGetRecords)
        AfterGetRecords(this, ownerData);
    return result;
}

void TClientDataSet::FetchParams() {
    Variant ownerData;
    if (BeforeGetParams)
        BeforeGetParams(this, ownerData);
    const Variant packed = AppServer()->AS_GetParams(FProviderName, ownerData);
    TParams fresh;
    fresh.Unpack(packed);
    FParams = fresh;
    if (AfterGetParams)
        AfterGetParams(this, ownerData);
}

void TClientDataSet::Execute() {
    Variant ownerData;
    if (BeforeExecute)
        BeforeExecute(this, ownerData);
    Variant p = FParams.Pack();
    AppServer()->AS_Execute(FProviderName, FCommandText, p, ownerData);
    FParams.UnpackOutput(p);
    if (AfterExecute)
        AfterExecute(this, ownerData);
}

Variant TClientDataSet::DataRequest(const Variant &data) {
    return AppServer()->AS_DataRequest(FProviderName, data);
}

Variant TClientDataSet::Delta() const {
    if (!Active() || ChangeCount() == 0)
        return Variant();
    std::vector<std::pair<quint32, TUpdateKind>> map;
    return Variant(DeltaBytes(map));
}

void TClientDataSet::WriteDeletedRow(TPacketWriter &writer, quint32 row) const {
    const TRecordStore &store = *Store();
    const TRecordLayout &layout = store.Layout();
    const uchar *data = store.Row(row).Data;
    const uchar *orig = store.Original(row);
    const std::vector<int> nested = NestedFieldSlots();
    if (!orig || nested.empty()) {
        writer.WriteRow(usDeleted, layout, orig ? orig : data);
        return;
    }
    // A deleted record goes with the values it had on the server, except its nested datasets:
    // they carry what was done to the details before the record went (deleting them first,
    // most often), so that the server learns of it in the same batch.
    std::vector<Variant> values = DecodeAll(layout, orig);
    for (int i : nested)
        values[static_cast<size_t>(i)] =
            layout.IsNull(data, i) ? Variant::Null() : layout.Value(data, i);
    writer.WriteRow(usDeleted, values);
}

std::vector<int> TClientDataSet::NestedFieldSlots() const {
    std::vector<int> slots;
    const std::vector<TFieldDef> &defs = FieldDefs_().Items();
    for (size_t i = 0; i < defs.size(); ++i)
        if (defs[i].DataType == ftDataSet)
            slots.push_back(static_cast<int>(i));
    return slots;
}

void TClientDataSet::MergeNestedLogs(const std::vector<quint32> &rows) {
    const std::vector<int> nested = NestedFieldSlots();
    if (nested.empty())
        return;
    TRecordStore &store = *Store();
    const TRecordLayout &layout = store.Layout();
    for (quint32 row : rows) {
        if (!store.IsLive(row) || store.Status(row) != usUnmodified)
            continue;
        std::vector<Variant> values = DecodeAll(layout, store.Data(row));
        bool changed = false;
        for (int i : nested) {
            Variant &value = values[static_cast<size_t>(i)];
            if (value.IsEmptyOrNull())
                continue;
            const QByteArray merged = MergedPacket(value.ToBytes());
            if (merged != value.ToBytes()) {
                value = Variant(merged);
                changed = true;
            }
        }
        if (changed)
            store.Replace(row, store.Encode(values), usUnmodified);
    }
}

QByteArray TClientDataSet::DeltaBytes(std::vector<std::pair<quint32, TUpdateKind>> &map) const {
    const TRecordStore &store = *Store();
    const TRecordLayout &layout = store.Layout();
    std::vector<TFieldDef> defs = FieldDefs_().Items();
    for (TFieldDef &d : defs)
        if (TField *f = FindField(d.Name); f && f->IsData())
            d.ProviderFlags = f->ProviderFlags();
    TPacketWriter w(pkDelta, defs, true);
    for (quint32 row : store.ChangedRows()) {
        const TRecordStore::TRow &r = store.Row(row);
        const uchar *orig = store.Original(row);
        switch (r.Status) {
        case usInserted:
            w.WriteRow(usInserted, layout, r.Data);
            map.emplace_back(row, ukInsert);
            break;
        case usDeleted:
            WriteDeletedRow(w, row);
            map.emplace_back(row, ukDelete);
            break;
        case usModified:
            w.WriteRow(PacketOriginal, layout, orig ? orig : r.Data);
            map.emplace_back(row, ukModify);
            w.WriteRow(usModified, layout, r.Data);
            map.emplace_back(row, ukModify);
            break;
        default:
            break;
        }
    }
    return w.Finish();
}

Variant TClientDataSet::DoApplyUpdates(const Variant &delta, int maxErrors, int &errorCount) {
    Variant ownerData;
    if (BeforeApplyUpdates)
        BeforeApplyUpdates(this, ownerData);
    const Variant result =
        AppServer()->AS_ApplyUpdates(FProviderName, delta, maxErrors, errorCount, ownerData);
    if (AfterApplyUpdates)
        AfterApplyUpdates(this, ownerData);
    return result;
}

int TClientDataSet::ApplyUpdates(int maxErrors) {
    CheckActive();
    CheckBrowseMode();
    if (ChangeCount() == 0)
        return 0;
    std::vector<std::pair<quint32, TUpdateKind>> map;
    const QByteArray delta = DeltaBytes(map);
    int errorCount = 0;
    const Variant result = DoApplyUpdates(Variant(delta), maxErrors, errorCount);
    Reconcile(result.IsEmptyOrNull() ? QByteArray() : result.ToBytes(), map);
    return errorCount;
}

void TClientDataSet::Reconcile(const QByteArray &result,
                               const std::vector<std::pair<quint32, TUpdateKind>> &map) {
    std::vector<TPacketError> errors;
    bool rolledBack = false;
    if (!result.isEmpty()) {
        TPacketReader reader(result, &FieldDefs_().Items());
        quint8 status;
        std::vector<Variant> values;
        while (reader.NextRow(status, values)) {
        }
        errors = reader.Errors();
        rolledBack = reader.RolledBack();
    }
    for (const TPacketError &e : errors)
        if (e.Row < 0 || e.Row >= static_cast<int>(map.size()) ||
            (!e.Current.empty() && e.Current.size() != static_cast<size_t>(FieldDefs_().Count())))
            DatabaseError(QStringLiteral("Invalid reconcile result: bad row %1").arg(e.Row));
    TRecordStore &store = *Store();
    QSet<quint32> failed;
    for (const TPacketError &e : errors)
        failed.insert(map[static_cast<size_t>(e.Row)].first);
    if (!rolledBack) {
        std::vector<quint32> accepted;
        accepted.reserve(map.size());
        for (const auto &[row, kind] : map)
            if (!failed.contains(row) && store.Row(row).Status != usUnmodified &&
                (accepted.empty() || accepted.back() != row))
                accepted.push_back(row);
        store.MergeRows(accepted);
        MergeNestedLogs(accepted);
    }
    const TRecordLayout &layout = store.Layout();
    for (const TPacketError &e : errors) {
        const auto [row, kind] = map[static_cast<size_t>(e.Row)];
        if (store.Row(row).Dead || store.Row(row).Status == usUnmodified)
            continue;
        TReconcileAction action = raSkip;
        FReconcileRow = row;
        FReconcileCurrent = &e.Current;
        FReconcileNew.assign(static_cast<size_t>(layout.Count()), Variant());
        try {
            if (OnReconcileError) {
                const EReconcileError error(e.Message, e.Code);
                WithRecord(store.Row(row).Data, State(),
                           [&, kind = kind] { OnReconcileError(this, error, kind, action); });
            }
        } catch (...) {
            FReconcileRow = -1;
            FReconcileCurrent = nullptr;
            AfterLogChange(-1);
            throw;
        }
        const std::vector<Variant> corrections = FReconcileNew;
        FReconcileRow = -1;
        FReconcileCurrent = nullptr;
        if (action == raAbort)
            break;
        switch (action) {
        case raCancel:
            store.RevertRow(row);
            break;
        case raRefresh:
            store.RevertRow(row);
            if (e.Current.empty())
                store.Kill(row);
            else
                store.Replace(row, store.Encode(e.Current), usUnmodified);
            break;
        case raMerge: {
            // The server's record with this client's changed fields on top; the server's
            // values become the originals, so that sending it again overwrites nobody's change.
            if (e.Current.empty())
                break;
            const TRecordStore::TRow &r = store.Row(row);
            if (r.Status == usModified) {
                const uchar *orig = store.Original(row);
                std::vector<Variant> merged = e.Current;
                for (int i = 0; i < layout.Count(); ++i)
                    if (!orig || layout.Compare(r.Data, orig, i, false) != 0)
                        merged[static_cast<size_t>(i)] = layout.Value(r.Data, i);
                const uchar *current = store.Encode(e.Current);
                store.Replace(row, store.Encode(merged), usModified);
                store.SetOriginal(row, current);
            } else {
                store.SetOriginal(row, store.Encode(e.Current));
            }
            break;
        }
        case raCorrect: {
            const TRecordStore::TRow &r = store.Row(row);
            if (r.Status == usDeleted)
                break;
            std::vector<Variant> values = DecodeAll(layout, r.Data);
            for (size_t i = 0; i < values.size(); ++i)
                if (!corrections[i].IsEmpty())
                    values[i] = corrections[i];
            store.Replace(row, store.Encode(values), r.Status);
            break;
        }
        default:
            break;
        }
    }
    AfterLogChange(-1);
}

Variant TClientDataSet::ReconcileValue(const TField *field, TDataSetState which) const {
    if (FReconcileRow < 0)
        return TDataSet::ReconcileValue(field, which);
    if (!field->IsData() || field->FieldNo() < 0)
        return Variant();
    const TRecordStore &store = *Store();
    const quint32 row = static_cast<quint32>(FReconcileRow);
    const TRecordStore::TRow &r = store.Row(row);
    const TRecordLayout &layout = store.Layout();
    const int n = field->FieldNo();
    const uchar *orig = store.Original(row);
    switch (which) {
    case dsOldValue:
        if (r.Status == usInserted)
            return Variant();
        return layout.Value(orig ? orig : r.Data, n);
    case dsNewValue: {
        if (!FReconcileNew[static_cast<size_t>(n)].IsEmpty())
            return FReconcileNew[static_cast<size_t>(n)];
        if (r.Status == usDeleted)
            return Variant();
        const Variant now = layout.Value(r.Data, n);
        if (r.Status == usModified && orig && layout.Value(orig, n) == now)
            return Variant();
        return now;
    }
    case dsCurValue:
        if (FReconcileCurrent && static_cast<size_t>(n) < FReconcileCurrent->size())
            return (*FReconcileCurrent)[static_cast<size_t>(n)];
        return Variant();
    default:
        return field->Value();
    }
}

void TClientDataSet::SetReconcileNewValue(TField *field, const Variant &value) {
    if (FReconcileRow < 0 || !field->IsData() || field->FieldNo() < 0)
        DatabaseError(QStringLiteral("NewValue can only be set while reconciling"));
    FReconcileNew[static_cast<size_t>(field->FieldNo())] =
        value.IsEmpty() ? Variant::Null() : value;
}

// ---- cloning -------------------------------------------------------------------------------

void TClientDataSet::CloneCursor(TClientDataSet *source, bool reset, bool keepSettings) {
    if (!source || !source->Active())
        DatabaseError(QStringLiteral("Cannot clone a closed dataset"));
    if (source == this)
        DatabaseError(QStringLiteral("A dataset cannot clone itself"));
    source->CheckBrowseMode();
    Close();
    const bool copySettings = !reset && !keepSettings;
    if (reset) {
        SetFiltered(false);
        SetFilter(QString());
        SetOnFilterRecord(nullptr);
        SetIndexFieldNames(QString());
        CancelRange();
        SetMasterSource(nullptr);
    } else if (copySettings) {
        CancelRange();
        SetMasterSource(nullptr);
        SetFilterOptions(source->FilterOptions());
        SetFilter(source->Filter());
        SetFiltered(source->Filtered());
        SetOnFilterRecord(source->OnFilterRecord());
        IndexDefs() = source->IndexDefs();
        if (!source->IndexFieldNames().isEmpty())
            SetIndexFieldNames(source->IndexFieldNames());
        else
            SetIndexName(source->IndexName());
    }
    FProviderName = source->FProviderName;
    FAppServer = source->FAppServer;
    FCloneSource = source;
    try {
        Open();
    } catch (...) {
        FCloneSource = nullptr;
        throw;
    }
    FCloneSource = nullptr;
    if (copySettings) {
        if (source->MasterSource()) {
            FMasterFields = source->MasterFields();
            SetMasterSource(source->MasterSource());
        }
        if (source->HasRange())
            SetRange(source->RangeStart(), source->RangeEnd());
        First();
    }
}

// ---- briefcase -----------------------------------------------------------------------------

void TClientDataSet::SaveToFile(const QString &fileName) const {
    CheckActive();
    const QString name = fileName.isEmpty() ? FFileName : fileName;
    if (name.isEmpty())
        DatabaseError(QStringLiteral("No file name given"));
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(PacketBytes(true)) < 0 || !file.commit())
        DatabaseError(QStringLiteral("Cannot write file '%1'").arg(name));
}

void TClientDataSet::LoadFromFile(const QString &fileName) {
    const QString name = fileName.isEmpty() ? FFileName : fileName;
    QFile file(name);
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly))
        DatabaseError(QStringLiteral("Cannot open file '%1'").arg(name));
    SetData(Variant(file.readAll()));
}

// ---- master/detail and nested datasets -----------------------------------------------------

TDataSource *TClientDataSet::MasterSource() const {
    return FMasterLink ? FMasterLink->DataSource() : nullptr;
}

void TClientDataSet::SetMasterSource(TDataSource *source) {
    if (source && source->DataSet() == this)
        DatabaseError(QStringLiteral("Circular datalinks are not allowed"));
    if (!source) {
        FMasterLink.reset();
        FRowCondition = nullptr;
        Resync();
        return;
    }
    if (!FMasterLink)
        FMasterLink = std::make_unique<TMasterLink>(this);
    FMasterLink->SetDataSource(source);
    MasterChanged();
}

void TClientDataSet::SetMasterFields(const QString &names) {
    FMasterFields = names;
    MasterChanged();
}

std::vector<TFieldDef> TClientDataSet::NestedDefs() const {
    TDataSet *master = FDataSetField->DataSet();
    const int i = master->FieldDefs().IndexOf(FDataSetField->FieldName());
    if (i < 0 || master->FieldDefs()[i].Children.empty())
        DatabaseError(QStringLiteral("Field '%1' has no nested field definitions")
                          .arg(FDataSetField->FieldName()));
    return master->FieldDefs()[i].Children;
}

void TClientDataSet::SetDataSetField(TDataSetField *field) {
    if (FDataSetField == field)
        return;
    Close();
    if (FDataSetField)
        FDataSetField->FNested = nullptr;
    FNestedLink.reset();
    FNestedSource.reset();
    FDataSetField = field;
    if (!field)
        return;
    field->FNested = this;
    FNestedSource = std::make_unique<TDataSource>();
    FNestedSource->SetDataSet(field->DataSet());
    FNestedLink = std::make_unique<TMasterLink>(this);
    FNestedLink->SetDataSource(FNestedSource.get());
    if (field->DataSet() && field->DataSet()->Active())
        Open();
}

void TClientDataSet::WriteBackToMaster() {
    TDataSet *master = FDataSetField ? FDataSetField->DataSet() : nullptr;
    if (!master || !master->Active() || FWritingBack)
        return;
    FWritingBack = true;
    try {
        const bool editing = master->IsEditing();
        if (!editing)
            master->Edit();
        FDataSetField->SetAsBytes(PacketBytes(true));
        if (!editing)
            master->Post();
    } catch (...) {
        FWritingBack = false;
        throw;
    }
    FWritingBack = false;
}

void TClientDataSet::AfterStoreChange() {
    if (FDataSetField)
        WriteBackToMaster();
}

void TClientDataSet::MasterChanged() {
    if (FWritingBack || FInMasterChange)
        return;
    FInMasterChange = true;
    try {
        if (FDataSetField) {
            TDataSet *master = FDataSetField->DataSet();
            if (!master || !master->Active()) {
                Close();
            } else {
                FReplacing = true;
                Close();
                FReplacing = false;
                Open();
            }
        } else if (Active() && FMasterLink) {
            UpdateMasterCondition();
            CheckBrowseMode();
            Resync();
            First();
        }
    } catch (...) {
        FInMasterChange = false;
        FReplacing = false;
        throw;
    }
    FInMasterChange = false;
}

void TClientDataSet::UpdateMasterCondition() {
    TDataSet *master = FMasterLink ? FMasterLink->DataSet() : nullptr;
    const QStringList masterNames = SplitFieldNames(FMasterFields);
    QStringList detailNames = IndexFields();
    if (detailNames.size() < masterNames.size())
        detailNames = masterNames;
    std::vector<int> slots;
    std::vector<Variant> values(static_cast<size_t>(Store()->Layout().Count()), Variant::Null());
    const bool none = !master || !master->Active() || masterNames.isEmpty() ||
                      (master->IsEmpty() && !master->IsEditing());
    for (int i = 0; !none && i < masterNames.size(); ++i) {
        // The stored fields by their definitions: this runs also while the dataset opens,
        // before its fields are bound.
        const int slot = FieldDefs_().IndexOf(detailNames[i]);
        if (slot < 0) {
            const TField *field = FindField(detailNames[i]);
            DatabaseError((field ? QStringLiteral("Field '%1' cannot link a detail")
                                 : QStringLiteral("Field '%1' not found"))
                              .arg(detailNames[i]));
        }
        const TFieldDef &def = FieldDefs_()[slot];
        const Variant v = master->FieldByName(masterNames[i])->Value();
        slots.push_back(slot);
        values[static_cast<size_t>(slot)] =
            v.IsEmptyOrNull() ? Variant::Null() : TField::Create(def.DataType, def.Size)->Coerce(v);
    }
    if (none) {
        FRowCondition = [](const uchar *) { return false; };
        return;
    }
    auto key = std::make_shared<std::vector<uchar>>(EncodeValues(Store()->Layout(), values));
    // The layout of the records held now: the condition is made again whenever they change.
    const TRecordLayout *layout = &Store()->Layout();
    FRowCondition = [key, slots, layout](const uchar *rec) {
        for (int slot : slots)
            if (layout->Compare(rec, key->data(), slot, false) != 0)
                return false;
        return true;
    };
}

void TClientDataSet::InitNewRecord() {
    if (!FMasterLink || !FMasterLink->DataSet() || !FMasterLink->DataSet()->Active())
        return;
    TDataSet *master = FMasterLink->DataSet();
    const QStringList masterNames = SplitFieldNames(FMasterFields);
    QStringList detailNames = IndexFields();
    if (detailNames.size() < masterNames.size())
        detailNames = masterNames;
    for (int i = 0; i < masterNames.size(); ++i) {
        TField *f = FieldByName(detailNames[i]);
        const Variant v = master->FieldByName(masterNames[i])->Value();
        if (f->IsData())
            EditValues()[static_cast<size_t>(f->FieldNo())] =
                v.IsEmptyOrNull() ? Variant::Null() : f->Coerce(v);
    }
}
