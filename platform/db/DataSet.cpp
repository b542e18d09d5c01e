#include "DataSet.h"

#include "DataSource.h"
#include "FilterExpr.h"

#include <algorithm>

void TIndexDefs::Add(const TIndexDef &def) {
    const int i = IndexOf(def.Name);
    if (i >= 0)
        FItems[i] = def;
    else
        FItems.push_back(def);
}

int TIndexDefs::IndexOf(const QString &name) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const TIndexDef *TIndexDefs::Find(const QString &name) const {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &FItems[i];
}

void TIndexDefs::Remove(const QString &name) {
    const int i = IndexOf(name);
    if (i >= 0)
        FItems.erase(FItems.begin() + i);
}

TDataSet::TDataSet(QObject *owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
    Destroying();
    const QList<TDataSource *> sources = FDataSources;
    for (TDataSource *source : sources)
        source->SetDataSet(nullptr);
    if (FStore)
        FStore->DetachCursor(this);
}

TField *TDataSet::AddField(std::unique_ptr<TField> field, const QString &name, TFieldKind kind) {
    if (FActive)
        DatabaseError(QStringLiteral("Cannot add field '%1' to an open dataset").arg(name));
    if (FFields.FindField(name))
        DatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name));
    field->FDataSet = this;
    field->FFieldName = name;
    field->FFieldKind = kind;
    FFields.FItems.push_back(std::move(field));
    return FFields.FItems.back().get();
}

TField *TDataSet::AddField(TFieldType type, const QString &name, int size, TFieldKind kind) {
    return AddField(TField::Create(type, size), name, kind);
}

void TDataSet::RemoveField(TField *field) {
    if (FActive)
        DatabaseError(QStringLiteral("Cannot remove a field of an open dataset"));
    const int i = FFields.IndexOf(field);
    if (i >= 0)
        FFields.FItems.erase(FFields.FItems.begin() + i);
}

void TDataSet::CheckActive() const {
    if (!FActive)
        DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDataSet::SetState(TDataSetState state) {
    if (FState == state)
        return;
    FState = state;
    DataEvent(deUpdateState);
}

void TDataSet::SetActive(bool active) {
    if (FActive == active)
        return;
    if (active) {
        if (BeforeOpen)
            BeforeOpen(this);
        try {
            InternalOpen();
            if (!FStore)
                CreateStore();
            BindFields();
            CompileIndex();
            CompileFilter();
            // A range kept while closed is encoded again for the records now open; one that
            // no longer fits the order is dropped.
            if (!FRangeStart.empty()) {
                if (FRangeStart.size() > FSortKeys.size()) {
                    FRangeStart.clear();
                    FRangeEnd.clear();
                } else {
                    EncodeRange(FRangeStart, FRangeEnd);
                }
            }
        } catch (...) {
            if (FStore)
                FStore->DetachCursor(this);
            FStore.reset();
            ClearDefaultFields();
            throw;
        }
        FStore->AttachCursor(this);
        FFindNames.clear();
        FFindFields.clear();
        FActive = true;
        FCursor = -1;
        BuildView(-1);
        SetCursor(FView.empty() ? -1 : 0);
        FBof = true;
        FEof = FView.empty();
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        if (AfterOpen)
            AfterOpen(this);
        DoAfterScroll();
    } else {
        if (BeforeClose)
            BeforeClose(this);
        FEditing = false;
        FModified = false;
        InternalClose();
        if (FStore)
            FStore->DetachCursor(this);
        FStore.reset();
        FView.clear();
        FCursor = -1;
        FBof = FEof = true;
        FActive = false;
        FFilterExpr.reset();
        FFindNames.clear();
        FFindFields.clear();
        FViewKeysValid = false;
        std::vector<quint64>().swap(FViewKeys);
        ClearDefaultFields();
        SetState(dsInactive);
        DataEvent(deDataSetChange);
        if (AfterClose)
            AfterClose(this);
    }
}

void TDataSet::InternalOpen() {
    CreateStore();
}

void TDataSet::CreateStore() {
    if (FFieldDefs.Count() == 0) {
        for (const auto &f : FFields)
            if (f->IsData())
                FFieldDefs.Add(f->ToDef());
    }
    if (FFieldDefs.Count() == 0)
        DatabaseError(QStringLiteral("Dataset '%1' has no fields").arg(Name()));
    std::vector<TFieldType> types;
    for (const TFieldDef &def : FFieldDefs.Items())
        types.push_back(def.DataType);
    UseStore(std::make_shared<TRecordStore>(TRecordLayout(types)));
}

void TDataSet::UseStore(std::shared_ptr<TRecordStore> store) {
    if (FStore)
        FStore->DetachCursor(this);
    FStore = std::move(store);
    FViewVersion = 0;
}

void TDataSet::BindFields() {
    bool hasData = false;
    for (const auto &f : FFields)
        hasData = hasData || f->IsData();
    if (!hasData) {
        for (const TFieldDef &def : FFieldDefs.Items()) {
            auto f = TField::Create(def.DataType, def.Size);
            f->ApplyDef(def);
            f->FDataSet = this;
            f->FFieldName = def.Name;
            f->FDefault = true;
            FFields.FItems.push_back(std::move(f));
        }
        FDefaultFields = true;
    }
    int calc = 0;
    for (const auto &f : FFields) {
        if (f->IsCalculated()) {
            f->FFieldNo = calc++;
        } else if (f->IsData()) {
            const int i = FFieldDefs.IndexOf(f->FieldName());
            if (i < 0)
                DatabaseError(QStringLiteral("Field '%1' not found").arg(f->FieldName()));
            if (FFieldDefs[i].DataType != f->DataType())
                DatabaseError(
                    QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                        .arg(f->FieldName(), FieldTypeName(f->DataType()),
                             FieldTypeName(FFieldDefs[i].DataType)));
            f->FFieldNo = i;
        } else {
            f->FFieldNo = -1;
        }
    }
    FCalcValues.assign(static_cast<size_t>(calc), Variant::Null());
    FCalcValid = false;
}

void TDataSet::ClearDefaultFields() {
    auto &items = FFields.FItems;
    items.erase(
        std::remove_if(items.begin(), items.end(), [](const auto &f) { return f->FDefault; }),
        items.end());
    FDefaultFields = false;
}

// ---- view ----------------------------------------------------------------------------------

const uchar *TDataSet::ActiveData() const {
    if (FOverride)
        return FOverride;
    const qint64 row = CurrentRow();
    return row < 0 ? nullptr : FStore->Row(static_cast<quint32>(row)).Data;
}

qint64 TDataSet::CurrentRow() const {
    if (!FStore || FCursor < 0 || FCursor >= static_cast<int>(FView.size()))
        return -1;
    return FView[static_cast<size_t>(FCursor)];
}

void TDataSet::EnsureView() const {
    if (FStore && FViewVersion != FStore->Version())
        const_cast<TDataSet *>(this)->BuildView(CurrentRow());
}

bool TDataSet::RowInRange(const uchar *rec) const {
    if (FRangeStart.empty())
        return true;
    const TRecordLayout &layout = FStore->Layout();
    for (size_t i = 0; i < FRangeStart.size() && i < FSortKeys.size(); ++i) {
        const TSortKey &k = FSortKeys[i];
        if (layout.Compare(rec, FRangeStartRec.data(), k.FieldNo, k.CaseInsensitive) < 0 ||
            layout.Compare(rec, FRangeEndRec.data(), k.FieldNo, k.CaseInsensitive) > 0)
            return false;
    }
    return true;
}

bool TDataSet::RowPasses(quint32 row) const {
    if (!FStore->IsLive(row))
        return false;
    const uchar *rec = FStore->Row(row).Data;
    if (FRowCondition && !FRowCondition(rec))
        return false;
    if (!RowInRange(rec))
        return false;
    if (!FFiltered)
        return true;
    TDataSet *self = const_cast<TDataSet *>(this);
    if (FFilterExpr) {
        const auto reader = [self, rec](int index) {
            Variant v;
            self->WithRecord(rec, dsFilter, [&] { v = self->Fields()[index]->Value(); });
            return v;
        };
        if (!FFilterExpr->Matches(FStore->Layout(), rec, reader))
            return false;
    }
    if (FOnFilterRecord) {
        bool accept = true;
        self->WithRecord(rec, dsFilter, [&] { FOnFilterRecord(self, accept); });
        if (!accept)
            return false;
    }
    return true;
}

int TDataSet::CompareRows(quint32 a, quint32 b) const {
    const TRecordLayout &layout = FStore->Layout();
    const uchar *x = FStore->Row(a).Data, *y = FStore->Row(b).Data;
    for (const TSortKey &k : FSortKeys) {
        int c = layout.Compare(x, y, k.FieldNo, k.CaseInsensitive);
        if (c != 0)
            return k.Descending ? -c : c;
    }
    return 0;
}

std::vector<TKeyField> TDataSet::KeyFields() const {
    std::vector<TKeyField> keys;
    for (const TSortKey &k : FSortKeys)
        keys.push_back(TKeyField{k.FieldNo, k.Descending, k.CaseInsensitive});
    return keys;
}

quint64 TDataSet::RowKeyPrefix(quint32 row) const {
    FFindRowKey.clear();
    for (const TKeyField &f : KeyFields())
        AppendRecordKey(FFindRowKey, FStore->Layout(), FStore->Data(row), f);
    return KeyPrefix(FFindRowKey);
}

void TDataSet::BuildView(qint64 keepRow) {
    FView.clear();
    FViewKeysValid = false;
    std::vector<quint64>().swap(FViewKeys);
    if (!FStore)
        return;
    FView.reserve(FStore->OrderCount());
    FStore->ForEachInOrder([this](quint32 row) {
        if (RowPasses(row))
            FView.push_back(row);
    });
    if (!FSortKeys.empty()) {
        const std::vector<TKeyField> keys = KeyFields();
        if (KeysSupported(FStore->Layout(), keys)) {
            SortByKeys(FView, *FStore, keys, &FViewKeys);
            FViewKeysValid = true;
        } else {
            std::stable_sort(FView.begin(), FView.end(),
                             [this](quint32 a, quint32 b) { return CompareRows(a, b) < 0; });
        }
    }
    FViewVersion = FStore->Version();
    int position = -1;
    if (keepRow >= 0) {
        const auto it = std::find(FView.begin(), FView.end(), static_cast<quint32>(keepRow));
        if (it != FView.end())
            position = static_cast<int>(it - FView.begin());
    }
    if (position < 0)
        position = std::min(std::max(FCursor, 0), static_cast<int>(FView.size()) - 1);
    FCursor = FView.empty() ? -1 : position;
    FCalcValid = false;
}

void TDataSet::Resync() {
    if (!FActive)
        return;
    BuildView(CurrentRow());
    FBof = FEof = FView.empty();
    DataEvent(deDataSetChange);
}

void TDataSet::ResyncStore() {
    if (!FActive)
        return;
    if (FViewVersion != FStore->Version())
        BuildView(CurrentRow());
    FBof = FEof = FView.empty();
    FCalcValid = false;
    DataEvent(deDataSetChange);
}

void TDataSet::Refresh() {
    CheckActive();
    CheckBrowseMode();
    if (BeforeRefresh)
        BeforeRefresh(this);
    Resync();
    if (AfterRefresh)
        AfterRefresh(this);
}

void TDataSet::StoreChanged() {
    if (!FActive || FEditing)
        return;
    if (FViewVersion != FStore->Version())
        BuildView(CurrentRow());
    if (FView.empty())
        FBof = FEof = true;
    DataEvent(deDataSetChange);
}

int TDataSet::InsertPosition(quint32 row) const {
    if (!FSortKeys.empty()) {
        const auto it =
            std::upper_bound(FView.begin(), FView.end(), row,
                             [this](quint32 a, quint32 b) { return CompareRows(a, b) < 0; });
        return static_cast<int>(it - FView.begin());
    }
    // Natural order: the row goes where it stands among the store's records. An appended
    // record is the last one: no search.
    const qint64 at = FStore->OrderIndexOf(row);
    const quint32 count = FStore->OrderCount();
    if (at < 0 || at + 1 >= count)
        return static_cast<int>(FView.size());
    for (quint32 i = static_cast<quint32>(at) + 1; i < count && i - at <= 64; ++i) {
        const auto pos = std::find(FView.begin(), FView.end(), FStore->OrderAt(i));
        if (pos != FView.end())
            return static_cast<int>(pos - FView.begin());
    }
    // Far from any neighbour: counts the records of the view before it.
    std::vector<bool> inView(FStore->RowCount(), false);
    for (quint32 r : FView)
        inView[r] = true;
    int position = 0;
    for (quint32 i = 0; i < static_cast<quint32>(at); ++i)
        if (inView[FStore->OrderAt(i)])
            ++position;
    return position;
}

void TDataSet::PlaceRow(quint32 row, bool wasInView) {
    int cur = FCursor;
    if (wasInView) {
        if (cur < 0 || cur >= static_cast<int>(FView.size()) ||
            FView[static_cast<size_t>(cur)] != row) {
            const auto it = std::find(FView.begin(), FView.end(), row);
            cur = it == FView.end() ? -1 : static_cast<int>(it - FView.begin());
        }
        if (cur >= 0) {
            FView.erase(FView.begin() + cur);
            if (FViewKeysValid)
                FViewKeys.erase(FViewKeys.begin() + cur);
        }
    }
    if (RowPasses(row)) {
        int pos;
        if (wasInView && FSortKeys.empty() && cur >= 0)
            pos = cur;
        else
            pos = InsertPosition(row);
        FView.insert(FView.begin() + pos, row);
        if (FViewKeysValid)
            FViewKeys.insert(FViewKeys.begin() + pos, RowKeyPrefix(row));
        FCursor = pos;
    } else {
        FCursor =
            FView.empty() ? -1 : std::min(std::max(cur, 0), static_cast<int>(FView.size()) - 1);
    }
    FViewVersion = FStore->Version();
    FCalcValid = false;
}

// ---- cursor --------------------------------------------------------------------------------

void TDataSet::SetCursor(int position) {
    FCursor = position;
    FCalcValid = false;
}

void TDataSet::DoBeforeScroll() {
    if (BeforeScroll)
        BeforeScroll(this);
}

void TDataSet::DoAfterScroll() {
    if (AfterScroll)
        AfterScroll(this);
}

bool TDataSet::IsEmpty() const {
    if (!FActive)
        return true;
    EnsureView();
    return FView.empty();
}

int TDataSet::RecordCount() const {
    if (!FActive)
        return 0;
    EnsureView();
    return static_cast<int>(FView.size());
}

int TDataSet::RecNo() const {
    if (!FActive || FState == dsInsert)
        return -1;
    EnsureView();
    return FCursor < 0 ? -1 : FCursor + 1;
}

void TDataSet::First() {
    CheckActive();
    CheckBrowseMode();
    DoBeforeScroll();
    EnsureView();
    SetCursor(FView.empty() ? -1 : 0);
    FBof = true;
    FEof = FView.empty();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckActive();
    CheckBrowseMode();
    DoBeforeScroll();
    FetchMore(true);
    EnsureView();
    SetCursor(static_cast<int>(FView.size()) - 1);
    FEof = true;
    FBof = FView.empty();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckActive();
    CheckBrowseMode();
    EnsureView();
    if (distance == 0)
        return 0;
    const bool wasBof = FBof;
    const bool wasEof = FEof;
    int target = FCursor + distance;
    if (distance > 0 && target >= static_cast<int>(FView.size()) && FetchMore(false))
        EnsureView();
    const int count = static_cast<int>(FView.size());
    if (count == 0) {
        FBof = FEof = true;
        EndsChanged(wasBof, wasEof);
        return 0;
    }
    target = std::min(std::max(target, 0), count - 1);
    const int moved = target - FCursor;
    FBof = distance < 0 && FCursor + distance < 0;
    FEof = distance > 0 && FCursor + distance >= count;
    if (moved != 0)
        ScrollTo(target, moved);
    else
        EndsChanged(wasBof, wasEof);
    return moved;
}

void TDataSet::ScrollTo(int target, int moved) {
    DoBeforeScroll();
    SetCursor(target);
    if (moved > 0)
        FBof = false;
    else
        FEof = false;
    DataEvent(deDataSetScroll, moved);
    DoAfterScroll();
}

void TDataSet::EndsChanged(bool wasBof, bool wasEof) {
    // Running into an end, or leaving one, without moving: what follows Bof and Eof (the
    // navigation of a form) hears of it as a scroll by nothing.
    if (FBof != wasBof || FEof != wasEof)
        DataEvent(deDataSetScroll, 0);
}

void TDataSet::Next() {
    // The step of a loop over the records with the controls disabled (an export, a report):
    // browsing, the view up to date and a record after this one, Next does what MoveBy(1)
    // does without its general checks: with the controls disabled, checking the browse mode
    // only marks a change to tell them of when they are enabled again.
    if (FActive && FDisableCount > 0 && !IsEditing() && FStore &&
        FViewVersion == FStore->Version() && FCursor >= 0 &&
        FCursor + 1 < static_cast<int>(FView.size())) {
        DataEvent(deCheckBrowseMode);
        FBof = false;
        FEof = false;
        ScrollTo(FCursor + 1, 1);
        return;
    }
    MoveBy(1);
}

void TDataSet::Prior() {
    MoveBy(-1);
}

void TDataSet::SetRecNo(int recNo) {
    CheckActive();
    CheckBrowseMode();
    EnsureView();
    if (recNo < 1 || recNo > static_cast<int>(FView.size()) || recNo - 1 == FCursor)
        return;
    DoBeforeScroll();
    const int moved = recNo - 1 - FCursor;
    SetCursor(recNo - 1);
    FBof = FEof = false;
    DataEvent(deDataSetScroll, moved);
    DoAfterScroll();
}

TBookmark TDataSet::GetBookmark() const {
    if (!FActive)
        return -1;
    EnsureView();
    return CurrentRow();
}

bool TDataSet::BookmarkValid(TBookmark bookmark) const {
    if (!FActive || bookmark < 0)
        return false;
    EnsureView();
    return std::find(FView.begin(), FView.end(), static_cast<quint32>(bookmark)) != FView.end();
}

bool TDataSet::GotoRow(quint32 row) {
    EnsureView();
    const auto it = std::find(FView.begin(), FView.end(), row);
    if (it == FView.end())
        return false;
    const int position = static_cast<int>(it - FView.begin());
    if (position != FCursor) {
        DoBeforeScroll();
        const int moved = position - FCursor;
        SetCursor(position);
        FBof = FEof = false;
        DataEvent(deDataSetScroll, moved);
        DoAfterScroll();
    }
    return true;
}

void TDataSet::GotoBookmark(TBookmark bookmark) {
    CheckActive();
    CheckBrowseMode();
    if (bookmark < 0 || !GotoRow(static_cast<quint32>(bookmark)))
        DatabaseError(QStringLiteral("Record not found"));
}

int TDataSet::CompareBookmarks(TBookmark a, TBookmark b) const {
    if (a == b)
        return 0;
    if (a < 0)
        return -1;
    if (b < 0)
        return 1;
    EnsureView();
    const auto pa = std::find(FView.begin(), FView.end(), static_cast<quint32>(a));
    const auto pb = std::find(FView.begin(), FView.end(), static_cast<quint32>(b));
    return pa < pb ? -1 : 1;
}

TUpdateStatus TDataSet::UpdateStatus() const {
    if (FState == dsInsert)
        return usInserted;
    EnsureView();
    const qint64 row = CurrentRow();
    return row < 0 ? usUnmodified : FStore->Row(static_cast<quint32>(row)).Status;
}

// ---- field values --------------------------------------------------------------------------

void TDataSet::WithRecord(const uchar *rec, TDataSetState state, const std::function<void()> &fn) {
    const uchar *savedOverride = FOverride;
    const TDataSetState savedState = FState;
    const bool savedValid = FCalcValid;
    std::vector<Variant> savedCalc;
    if (!FCalcValues.empty())
        savedCalc = FCalcValues;
    FOverride = rec;
    FState = state;
    FCalcValid = false;
    const auto restore = [&] {
        FOverride = savedOverride;
        FState = savedState;
        FCalcValid = savedValid;
        if (!savedCalc.empty())
            FCalcValues = std::move(savedCalc);
    };
    try {
        fn();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TDataSet::CalculateFields() const {
    if (FCalcValid || FCalculating || FCalcValues.empty())
        return;
    TDataSet *self = const_cast<TDataSet *>(this);
    std::fill(self->FCalcValues.begin(), self->FCalcValues.end(), Variant::Null());
    if (!OnCalcFields) {
        self->FCalcValid = true;
        return;
    }
    const TDataSetState saved = FState;
    self->FCalculating = true;
    self->FState = dsCalcFields;
    try {
        OnCalcFields(self);
    } catch (...) {
        self->FState = saved;
        self->FCalculating = false;
        throw;
    }
    self->FState = saved;
    self->FCalculating = false;
    self->FCalcValid = true;
}

Variant TDataSet::GetFieldValue(const TField *field) const {
    if (!FStore)
        return Variant::Null();
    if (field->IsCalculated()) {
        CalculateFields();
        return field->FFieldNo >= 0 && field->FFieldNo < static_cast<int>(FCalcValues.size())
                   ? FCalcValues[static_cast<size_t>(field->FFieldNo)]
                   : Variant::Null();
    }
    if (field->IsLookup()) {
        TDataSet *target = field->LookupDataSet();
        if (!target || !target->Active())
            return Variant::Null();
        const QStringList keys = SplitFieldNames(field->KeyFields());
        std::vector<Variant> values;
        for (const QString &key : keys) {
            const Variant v = FieldByName(key)->Value();
            if (v.IsEmptyOrNull())
                return Variant::Null();
            values.push_back(v);
        }
        const Variant keyValues = values.size() == 1 ? values[0] : Variant::ArrayOf(values);
        return target->Lookup(field->LookupKeyFields(), keyValues, field->LookupResultField());
    }
    const int n = field->FFieldNo;
    if (n < 0)
        return Variant::Null();
    if (FOverride)
        return FStore->Layout().Value(FOverride, n);
    if (FEditing)
        return FEditValues[static_cast<size_t>(n)];
    EnsureView();
    const uchar *rec = ActiveData();
    return rec ? FStore->Layout().Value(rec, n) : Variant::Null();
}

void TDataSet::SetFieldValue(TField *field, const Variant &value) {
    if (field->IsCalculated() && FState == dsCalcFields) {
        FCalcValues[static_cast<size_t>(field->FFieldNo)] = field->Coerce(value);
        return;
    }
    if (!FEditing || FOverride)
        DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    if (!field->IsData() || field->FFieldNo < 0 || field->ReadOnly())
        DatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->FieldName()));
    const Variant v = field->Coerce(value);
    field->Validate(v);
    Variant &slot = FEditValues[static_cast<size_t>(field->FFieldNo)];
    const Variant old = slot;
    slot = v;
    if (field->OnValidate) {
        try {
            field->OnValidate(field);
        } catch (...) {
            FEditValues[static_cast<size_t>(field->FFieldNo)] = old;
            throw;
        }
    }
    FModified = true;
    FCalcValid = false;
    if (field->OnChange)
        field->OnChange(field);
    DataEvent(deFieldChange, reinterpret_cast<qint64>(field));
}

Variant TDataSet::ReconcileValue(const TField *field, TDataSetState which) const {
    if (which == dsCurValue)
        return Variant();
    if (which == dsNewValue || !field->IsData() || !FStore)
        return field->Value();
    EnsureView();
    const qint64 row = CurrentRow();
    const uchar *orig = row < 0 ? nullptr : FStore->Original(static_cast<quint32>(row));
    if (FState == dsInsert ||
        (row >= 0 && FStore->Row(static_cast<quint32>(row)).Status == usInserted))
        return Variant::Null();
    if (!orig)
        return row < 0 ? Variant::Null()
                       : FStore->Layout().Value(FStore->Row(static_cast<quint32>(row)).Data,
                                                field->FFieldNo);
    return FStore->Layout().Value(orig, field->FFieldNo);
}

void TDataSet::SetReconcileNewValue(TField *, const Variant &) {
    DatabaseError(QStringLiteral("NewValue can only be set while reconciling"));
}

Variant TDataSet::ValueAt(int position, TField *field) {
    if (!FActive)
        return Variant::Null();
    EnsureView();
    if (position < 0 || position >= static_cast<int>(FView.size()))
        return Variant::Null();
    // The record under the cursor shows the edit buffer while it is being edited; a new
    // record is not in the view yet.
    if (position == FCursor && FState != dsInsert)
        return field->Value();
    Variant v;
    WithRecord(FStore->Row(FView[static_cast<size_t>(position)]).Data, FState,
               [&] { v = field->Value(); });
    return v;
}

QString TDataSet::FieldTextAt(int position, TField *field, bool display) {
    if (!FActive)
        return QString();
    EnsureView();
    if (position < 0 || position >= static_cast<int>(FView.size()))
        return QString();
    const auto text = [field, display] { return display ? field->DisplayText() : field->Text(); };
    if (position == FCursor && FState != dsInsert)
        return text();
    QString out;
    WithRecord(FStore->Row(FView[static_cast<size_t>(position)]).Data, FState,
               [&] { out = text(); });
    return out;
}

QString TDataSet::DisplayTextAt(int position, TField *field) {
    return FieldTextAt(position, field, true);
}

QString TDataSet::TextAt(int position, TField *field) {
    return FieldTextAt(position, field, false);
}

TBookmark TDataSet::BookmarkAt(int position) const {
    if (!FActive)
        return -1;
    EnsureView();
    if (position < 0 || position >= static_cast<int>(FView.size()))
        return -1;
    return FView[static_cast<size_t>(position)];
}

int TDataSet::NewRecordPosition() const {
    if (!FActive || FState != dsInsert)
        return -1;
    EnsureView();
    if (FInsertBefore >= 0) {
        const auto it = std::find(FView.begin(), FView.end(), static_cast<quint32>(FInsertBefore));
        if (it != FView.end())
            return static_cast<int>(it - FView.begin());
    }
    return static_cast<int>(FView.size());
}

// ---- editing -------------------------------------------------------------------------------

void TDataSet::CheckBrowse() {
    CheckBrowseMode();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (!IsEditing())
        return;
    UpdateRecord();
    if (FModified)
        Post();
    else
        Cancel();
}

void TDataSet::UpdateRecord() {
    if (IsEditing())
        DataEvent(deUpdateRecord);
}

void TDataSet::Edit() {
    CheckActive();
    if (IsEditing())
        return;
    if (BeforeEdit)
        BeforeEdit(this);
    EnsureView();
    const qint64 row = CurrentRow();
    if (row < 0)
        DatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const TRecordLayout &layout = FStore->Layout();
    const uchar *rec = FStore->Row(static_cast<quint32>(row)).Data;
    FEditValues.resize(static_cast<size_t>(layout.Count()));
    for (int i = 0; i < layout.Count(); ++i)
        FEditValues[static_cast<size_t>(i)] = layout.Value(rec, i);
    FEditRow = row;
    FEditing = true;
    FModified = false;
    FCalcValid = false;
    SetState(dsEdit);
    DataEvent(deRecordChange);
    if (AfterEdit)
        AfterEdit(this);
}

void TDataSet::DoInsert(bool append) {
    CheckActive();
    CheckBrowseMode();
    if (BeforeInsert)
        BeforeInsert(this);
    DoBeforeScroll();
    EnsureView();
    FInsertBefore = append ? -1 : CurrentRow();
    FEditValues.assign(static_cast<size_t>(FStore->Layout().Count()), Variant::Null());
    FEditRow = -1;
    FEditing = true;
    FModified = false;
    FCalcValid = false;
    SetState(dsInsert);
    try {
        InitNewRecord();
        if (OnNewRecord)
            OnNewRecord(this);
    } catch (...) {
        FEditing = false;
        SetState(dsBrowse);
        throw;
    }
    DataEvent(deDataSetChange);
    if (AfterInsert)
        AfterInsert(this);
    DoAfterScroll();
}

void TDataSet::Append() {
    DoInsert(true);
}

void TDataSet::Insert() {
    DoInsert(false);
}

void TDataSet::Post() {
    CheckActive();
    if (!IsEditing())
        return;
    UpdateRecord();
    if (BeforePost)
        BeforePost(this);
    for (const auto &f : FFields)
        if (f->IsData() && f->Required() && f->FFieldNo >= 0 &&
            FEditValues[static_cast<size_t>(f->FFieldNo)].IsEmptyOrNull())
            DatabaseError(QStringLiteral("「%1」必須輸入").arg(f->DisplayLabel()));
    EnsureView();
    const bool inserting = FState == dsInsert;
    // Another cursor on the same records may have deleted the record meanwhile.
    if (!inserting && !FStore->IsLive(static_cast<quint32>(FEditRow)))
        DatabaseError(QStringLiteral("The record being edited no longer exists"));
    CheckUniqueKeys(inserting ? -1 : FEditRow);
    const uchar *data = FStore->Encode(FEditValues);
    quint32 row;
    if (inserting) {
        row = FStore->Insert(data, FInsertBefore);
    } else {
        row = static_cast<quint32>(FEditRow);
        FStore->Modify(row, data);
    }
    FEditing = false;
    FModified = false;
    PlaceRow(row, !inserting);
    FBof = FEof = false;
    SetState(dsBrowse);
    AfterStoreChange();
    FStore->NotifyCursors(this);
    DataEvent(deDataSetChange);
    if (AfterPost)
        AfterPost(this);
}

void TDataSet::Cancel() {
    CheckActive();
    if (!IsEditing())
        return;
    if (BeforeCancel)
        BeforeCancel(this);
    FEditing = false;
    FModified = false;
    FCalcValid = false;
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    if (AfterCancel)
        AfterCancel(this);
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    if (BeforeDelete)
        BeforeDelete(this);
    EnsureView();
    const qint64 row = CurrentRow();
    if (row < 0)
        DatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    DoBeforeScroll();
    FEditing = false;
    FModified = false;
    FStore->Remove(static_cast<quint32>(row));
    FView.erase(FView.begin() + FCursor);
    if (FViewKeysValid)
        FViewKeys.erase(FViewKeys.begin() + FCursor);
    FViewVersion = FStore->Version();
    SetCursor(FView.empty() ? -1 : std::min(FCursor, static_cast<int>(FView.size()) - 1));
    FEof = FView.empty();
    FBof = FView.empty();
    SetState(dsBrowse);
    AfterStoreChange();
    FStore->NotifyCursors(this);
    DataEvent(deDataSetChange);
    if (AfterDelete)
        AfterDelete(this);
    DoAfterScroll();
}

void TDataSet::CheckUniqueKeys(qint64 exceptRow) const {
    const TRecordLayout &layout = FStore->Layout();
    std::vector<uchar> rec;
    for (int i = 0; i < FIndexDefs.Count(); ++i) {
        const TIndexDef &def = FIndexDefs[i];
        if (!(def.Options & (ixPrimary | ixUnique)))
            continue;
        const QStringList caseIns = SplitFieldNames(def.CaseInsFields);
        std::vector<std::pair<int, bool>> keys; // slot, compared without letter case
        for (const QString &name : SplitFieldNames(def.Fields)) {
            const TField *f = FindField(name);
            if (!f || !f->IsData() || f->FFieldNo < 0)
                DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
            keys.emplace_back(f->FFieldNo, (def.Options & ixCaseInsensitive) ||
                                               caseIns.contains(name, Qt::CaseInsensitive));
        }
        if (rec.empty()) {
            std::vector<QByteArray> texts;
            rec.resize(layout.EncodedSize(FEditValues, texts));
            layout.Encode(FEditValues, texts, rec.data());
        }
        for (quint32 row = 0; row < FStore->RowCount(); ++row) {
            if (static_cast<qint64>(row) == exceptRow || !FStore->IsLive(row))
                continue;
            const uchar *other = FStore->Data(row);
            bool same = true;
            for (const auto &[slot, ci] : keys)
                same = same && layout.Compare(rec.data(), other, slot, ci) == 0;
            if (same)
                DatabaseError(
                    QStringLiteral("Key violation: another record has the same %1 (index '%2')")
                        .arg(def.Fields, def.Name));
        }
    }
}

// ---- searching -----------------------------------------------------------------------------

std::vector<uchar> TDataSet::EncodeKey(const std::vector<std::pair<int, Variant>> &values) const {
    const TRecordLayout &layout = FStore->Layout();
    std::vector<Variant> all(static_cast<size_t>(layout.Count()), Variant::Null());
    for (const auto &[slot, value] : values)
        all[static_cast<size_t>(slot)] = value;
    std::vector<QByteArray> texts;
    std::vector<uchar> out(layout.EncodedSize(all, texts));
    layout.Encode(all, texts, out.data());
    return out;
}

std::pair<int, int> TDataSet::KeyRange(const std::string &key) const {
    const quint64 lo = KeyPrefix(key, 0), hi = KeyPrefix(key, 0xFF);
    const auto first = std::lower_bound(FViewKeys.begin(), FViewKeys.end(), lo);
    const auto last = std::upper_bound(first, FViewKeys.end(), hi);
    return {static_cast<int>(first - FViewKeys.begin()),
            static_cast<int>(last - FViewKeys.begin())};
}

int TDataSet::FindRow(const QString &keyFields, const Variant &values, int options) const {
    EnsureView();
    // The fields found last time still carry the names asked for (a field may be renamed).
    bool cached = keyFields == FFindNames && !FFindFields.empty();
    for (size_t i = 0; cached && i < FFindFields.size(); ++i)
        cached = FFindFields[i]->FieldName().compare(FFindSplit[static_cast<qsizetype>(i)],
                                                     Qt::CaseInsensitive) == 0;
    if (!cached) {
        const QStringList names = SplitFieldNames(keyFields);
        if (names.isEmpty())
            DatabaseError(QStringLiteral("No key fields given"));
        std::vector<TField *> found;
        for (const QString &name : names)
            found.push_back(FieldByName(name));
        FFindFields = std::move(found);
        FFindSplit = names;
        FFindNames = keyFields;
    }
    // A copy: reading a lookup field may search this dataset again.
    const std::vector<TField *> fields = FFindFields;
    const qsizetype count = static_cast<qsizetype>(fields.size());
    std::vector<Variant> keys;
    keys.reserve(fields.size());
    for (qsizetype i = 0; i < count; ++i) {
        TField *f = fields[static_cast<size_t>(i)];
        Variant v = count == 1 && !values.IsArray() ? values
                    : values.IsArray() && i <= values.HighBound() - values.LowBound()
                        ? values[values.LowBound() + static_cast<int>(i)]
                        : Variant::Null();
        keys.push_back(v.IsEmptyOrNull() ? Variant::Null() : f->Coerce(v));
    }
    const bool caseIns = options & loCaseInsensitive;
    const bool partial = options & loPartialKey;
    bool allData = true;
    for (TField *f : fields)
        allData = allData && f->IsData() && f->FFieldNo >= 0;
    const TRecordLayout &layout = FStore->Layout();
    if (allData && !caseIns && !partial && FViewKeysValid && FSortKeys.size() >= fields.size()) {
        // The order's leading fields are the key fields: the key prefixes of the view narrow
        // the search to the records that may match, and their keys decide.
        bool leading = true;
        for (size_t i = 0; leading && i < fields.size(); ++i)
            leading = FSortKeys[i].FieldNo == fields[i]->FFieldNo;
        if (leading) {
            FFindKey.clear();
            for (size_t i = 0; i < fields.size(); ++i)
                AppendValueKey(FFindKey, layout.Kind(fields[i]->FFieldNo), keys[i],
                               FSortKeys[i].Descending);
            const auto [first, last] = KeyRange(FFindKey);
            const auto cmp = [&](quint32 row) {
                FFindRowKey.clear();
                const uchar *rec = FStore->Data(row);
                for (size_t i = 0; i < fields.size(); ++i)
                    AppendRecordKey(FFindRowKey, layout, rec,
                                    TKeyField{fields[i]->FFieldNo, FSortKeys[i].Descending, false});
                return FFindRowKey.compare(FFindKey);
            };
            const auto it = std::partition_point(FView.begin() + first, FView.begin() + last,
                                                 [&](quint32 row) { return cmp(row) < 0; });
            return it != FView.begin() + last && cmp(*it) == 0
                       ? static_cast<int>(it - FView.begin())
                       : -1;
        }
    }
    if (allData && !caseIns && !partial) {
        std::vector<std::pair<int, Variant>> slots;
        for (size_t i = 0; i < fields.size(); ++i)
            slots.emplace_back(fields[i]->FFieldNo, keys[i]);
        const std::vector<uchar> key = EncodeKey(slots);
        // The order's leading fields are the key fields: binary search.
        bool indexed = FSortKeys.size() >= fields.size();
        for (size_t i = 0; indexed && i < fields.size(); ++i)
            indexed = FSortKeys[i].FieldNo == fields[i]->FFieldNo && !FSortKeys[i].CaseInsensitive;
        const auto cmp = [&](quint32 row) {
            const uchar *rec = FStore->Row(row).Data;
            for (size_t i = 0; i < fields.size(); ++i) {
                int c = layout.Compare(rec, key.data(), fields[i]->FFieldNo, false);
                if (c != 0)
                    return indexed && FSortKeys[i].Descending ? -c : c;
            }
            return 0;
        };
        if (indexed) {
            const auto it = std::partition_point(FView.begin(), FView.end(),
                                                 [&](quint32 row) { return cmp(row) < 0; });
            return it != FView.end() && cmp(*it) == 0 ? static_cast<int>(it - FView.begin()) : -1;
        }
        for (size_t pos = 0; pos < FView.size(); ++pos)
            if (cmp(FView[pos]) == 0)
                return static_cast<int>(pos);
        return -1;
    }
    std::vector<QString> keyTexts;
    for (const Variant &k : keys)
        keyTexts.push_back(VarToStr(k));
    TDataSet *self = const_cast<TDataSet *>(this);
    for (size_t pos = 0; pos < FView.size(); ++pos) {
        bool match = true;
        self->WithRecord(FStore->Row(FView[pos]).Data, FState, [&] {
            for (size_t i = 0; match && i < fields.size(); ++i) {
                const Variant v = fields[i]->Value();
                if (keys[i].IsNull() || v.IsEmptyOrNull()) {
                    match = keys[i].IsNull() && v.IsEmptyOrNull();
                } else if (IsStringType(fields[i]->DataType())) {
                    const QString text = v.ToString();
                    const Qt::CaseSensitivity cs =
                        caseIns ? Qt::CaseInsensitive : Qt::CaseSensitive;
                    match = partial ? text.startsWith(keyTexts[i], cs)
                                    : text.compare(keyTexts[i], cs) == 0;
                } else {
                    match = v == keys[i];
                }
            }
        });
        if (match)
            return static_cast<int>(pos);
    }
    return -1;
}

bool TDataSet::Locate(const QString &keyFields, const Variant &keyValues, int options) {
    CheckActive();
    CheckBrowseMode();
    const int pos = FindRow(keyFields, keyValues, options);
    if (pos < 0)
        return false;
    const bool wasBof = FBof;
    const bool wasEof = FEof;
    if (pos != FCursor) {
        DoBeforeScroll();
        const int moved = pos - FCursor;
        SetCursor(pos);
        FBof = FEof = false;
        DataEvent(deDataSetScroll, moved);
        DoAfterScroll();
    } else {
        FBof = FEof = false;
        EndsChanged(wasBof, wasEof);
    }
    return true;
}

bool TDataSet::HasRecord(const QString &keyFields, const Variant &keyValues, int options) const {
    CheckActive();
    return FindRow(keyFields, keyValues, options) >= 0;
}

Variant TDataSet::Lookup(const QString &keyFields, const Variant &keyValues,
                         const QString &resultFields) {
    CheckActive();
    const int pos = FindRow(keyFields, keyValues, 0);
    if (pos < 0)
        return Variant::Null();
    const QStringList names = SplitFieldNames(resultFields);
    std::vector<Variant> values;
    WithRecord(FStore->Row(FView[static_cast<size_t>(pos)]).Data, FState, [&] {
        for (const QString &name : names)
            values.push_back(FieldByName(name)->Value());
    });
    if (values.size() == 1)
        return values[0];
    return Variant::ArrayOf(values);
}

// ---- filter, order, range ------------------------------------------------------------------

void TDataSet::CompileFilter() {
    if (FFilterText.trimmed().isEmpty()) {
        FFilterExpr.reset();
        return;
    }
    FFilterExpr = TFilterExpr::Parse(
        FFilterText,
        [this](const QString &name, TFilterField &out) {
            TField *f = FindField(name);
            if (!f)
                return false;
            out.Index = FFields.IndexOf(f);
            out.Slot = f->IsData() ? f->FFieldNo : -1;
            out.DataType = f->DataType();
            return true;
        },
        FFilterOptions);
}

void TDataSet::RefilterKeeping() {
    if (!FActive)
        return;
    CheckBrowseMode();
    BuildView(CurrentRow());
    FBof = true;
    FEof = FView.empty();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::SetFilter(const QString &text) {
    if (text == FFilterText)
        return;
    const QString old = FFilterText;
    FFilterText = text;
    if (FActive) {
        try {
            CompileFilter();
        } catch (...) {
            FFilterText = old;
            throw;
        }
        if (FFiltered)
            RefilterKeeping();
    }
}

void TDataSet::SetFiltered(bool filtered) {
    if (FFiltered == filtered)
        return;
    FFiltered = filtered;
    RefilterKeeping();
}

void TDataSet::SetFilterOptions(int options) {
    if (FFilterOptions == options)
        return;
    const int old = FFilterOptions;
    FFilterOptions = options;
    if (FActive) {
        try {
            CompileFilter();
        } catch (...) {
            FFilterOptions = old;
            throw;
        }
        if (FFiltered)
            RefilterKeeping();
    }
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
    FOnFilterRecord = std::move(handler);
    if (FFiltered)
        RefilterKeeping();
}

QStringList TDataSet::IndexFields() const {
    if (!FIndexFieldNames.isEmpty())
        return SplitFieldNames(FIndexFieldNames);
    if (const TIndexDef *def = FIndexDefs.Find(FIndexName))
        return SplitFieldNames(def->Fields);
    return {};
}

void TDataSet::CompileIndex() {
    std::vector<TSortKey> keys;
    QStringList desc, caseIns;
    int options = 0;
    if (FIndexFieldNames.isEmpty() && !FIndexName.isEmpty()) {
        const TIndexDef *def = FIndexDefs.Find(FIndexName);
        if (!def)
            DatabaseError(QStringLiteral("Index '%1' not found").arg(FIndexName));
        desc = SplitFieldNames(def->DescFields);
        caseIns = SplitFieldNames(def->CaseInsFields);
        options = def->Options;
    }
    for (const QString &name : IndexFields()) {
        TField *f = FieldByName(name);
        if (!f->IsData() || f->FFieldNo < 0 || IsBlobType(f->DataType()) ||
            f->DataType() == ftDataSet)
            DatabaseError(QStringLiteral("Field '%1' cannot be used in an index").arg(name));
        const auto has = [&](const QStringList &list) {
            return list.contains(name, Qt::CaseInsensitive);
        };
        keys.push_back(TSortKey{f->FFieldNo, (options & ixDescending) || has(desc),
                                (options & ixCaseInsensitive) || has(caseIns)});
    }
    FSortKeys = std::move(keys);
}

void TDataSet::Reorder(const QString &fieldNames, const QString &indexName) {
    const QString oldFields = FIndexFieldNames, oldName = FIndexName;
    FIndexFieldNames = fieldNames;
    FIndexName = indexName;
    if (!FActive)
        return;
    try {
        CompileIndex();
    } catch (...) {
        FIndexFieldNames = oldFields;
        FIndexName = oldName;
        CompileIndex();
        throw;
    }
    FRangeStart.clear();
    FRangeEnd.clear();
    CheckBrowseMode();
    BuildView(CurrentRow());
    DataEvent(deDataSetChange);
}

void TDataSet::SetIndexFieldNames(const QString &names) {
    if (names == FIndexFieldNames && FIndexName.isEmpty())
        return;
    Reorder(names, QString());
}

void TDataSet::SetIndexName(const QString &name) {
    if (name == FIndexName && FIndexFieldNames.isEmpty())
        return;
    Reorder(QString(), name);
}

void TDataSet::AddIndex(const QString &name, const QString &fields, int options,
                        const QString &descFields, const QString &caseInsFields) {
    if (name.isEmpty() || SplitFieldNames(fields).isEmpty())
        DatabaseError(QStringLiteral("An index needs a name and fields"));
    FIndexDefs.Add(TIndexDef{name, fields, options, descFields, caseInsFields});
}

void TDataSet::DeleteIndex(const QString &name) {
    if (FIndexName.compare(name, Qt::CaseInsensitive) == 0)
        SetIndexName(QString());
    FIndexDefs.Remove(name);
}

void TDataSet::SetRange(const std::vector<Variant> &start, const std::vector<Variant> &end) {
    CheckActive();
    CheckBrowseMode();
    if (start.size() > FSortKeys.size() || end.size() != start.size())
        DatabaseError(QStringLiteral("A range needs one value per index field"));
    EncodeRange(start, end);
    FRangeStart = start;
    FRangeEnd = end;
    BuildView(CurrentRow());
    SetCursor(FView.empty() ? -1 : 0);
    FBof = true;
    FEof = FView.empty();
    DataEvent(deDataSetChange);
}

void TDataSet::EncodeRange(const std::vector<Variant> &start, const std::vector<Variant> &end) {
    std::vector<std::pair<int, Variant>> lo, hi;
    const QStringList names = IndexFields();
    for (size_t i = 0; i < start.size(); ++i) {
        TField *f = FieldByName(names[static_cast<int>(i)]);
        lo.emplace_back(FSortKeys[i].FieldNo,
                        start[i].IsEmptyOrNull() ? Variant::Null() : f->Coerce(start[i]));
        hi.emplace_back(FSortKeys[i].FieldNo,
                        end[i].IsEmptyOrNull() ? Variant::Null() : f->Coerce(end[i]));
    }
    FRangeStartRec = EncodeKey(lo);
    FRangeEndRec = EncodeKey(hi);
}

void TDataSet::CancelRange() {
    if (FRangeStart.empty())
        return;
    FRangeStart.clear();
    FRangeEnd.clear();
    if (FActive)
        Resync();
}

// ---- controls ------------------------------------------------------------------------------

void TDataSet::DisableControls() {
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0)
        return;
    if (--FDisableCount == 0 && FPendingChange) {
        FPendingChange = false;
        DataEvent(deUpdateState);
        DataEvent(deDataSetChange);
    }
}

void TDataSet::AttachDataSource(TDataSource *source) {
    if (!FDataSources.contains(source))
        FDataSources.append(source);
}

void TDataSet::DetachDataSource(TDataSource *source) {
    FDataSources.removeAll(source);
}

void TDataSet::DataEvent(TDataEvent event, qint64 info) {
    if (FDisableCount > 0) {
        FPendingChange = true;
        return;
    }
    const QList<TDataSource *> sources = FDataSources;
    for (TDataSource *source : sources)
        if (FDataSources.contains(source))
            source->DataEvent(event, info);
}
