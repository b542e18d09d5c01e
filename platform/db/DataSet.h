#pragma once
// TDataSet: an in-memory dataset with a cursor. It owns its fields, reads its records from a
// TRecordStore (shared with cloned cursors) and keeps its own view of them: the records that
// pass its filter and range, in the order of its index. Editing goes through an edit buffer
// and reaches the store on Post. Data sources attached to the dataset hear about every change
// through their data links.

#include "Component.h"
#include "DbTypes.h"
#include "Fields.h"
#include "IndexKeys.h"
#include "RecordStore.h"

#include <QList>
#include <functional>
#include <memory>
#include <vector>

class TDataSource;
class TFilterExpr;
class TDataSet;

using TDataSetNotifyEvent = std::function<void(TDataSet *)>;
using TFilterRecordEvent = std::function<void(TDataSet *, bool &accept)>;
// A bookmark names a record for as long as the dataset's records live; -1 names none.
using TBookmark = qint64;

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
};

enum TIndexOption : int {
    ixPrimary = 0x01,
    ixUnique = 0x02,
    ixDescending = 0x04,
    ixCaseInsensitive = 0x08
};

struct TIndexDef {
    QString Name;
    QString Fields;
    int Options = 0;
    QString DescFields;    // fields sorted descending (all of them with ixDescending)
    QString CaseInsFields; // fields compared without letter case (all with ixCaseInsensitive)
};

class TIndexDefs {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const TIndexDef &operator[](int i) const { return FItems[i]; }
    void Add(const TIndexDef &def);
    int IndexOf(const QString &name) const; // any letter case
    const TIndexDef *Find(const QString &name) const;
    void Remove(const QString &name);
    void Clear() { FItems.clear(); }

private:
    std::vector<TIndexDef> FItems;
};

class TDataSet : public TComponent, public TStoreCursor {
    Q_OBJECT
public:
    explicit TDataSet(QObject *owner = nullptr);
    ~TDataSet() override;
    QString ClassName() const override { return QStringLiteral("TDataSet"); }

    // Fields. Fields added before opening are persistent; without any, opening creates one
    // field per field definition and closing drops them again.
    TFields &Fields() { return FFields; }
    const TFields &Fields() const { return FFields; }
    TFieldDefs &FieldDefs() { return FFieldDefs; }
    int FieldCount() const { return FFields.Count(); }
    TField *FindField(const QString &name) const { return FFields.FindField(name); }
    TField *FieldByName(const QString &name) const { return FFields.FieldByName(name); }
    TField *AddField(std::unique_ptr<TField> field, const QString &name, TFieldKind kind = fkData);
    TField *AddField(TFieldType type, const QString &name, int size = 0, TFieldKind kind = fkData);
    void RemoveField(TField *field);

    // Opening and closing.
    bool Active() const { return FActive; }
    // Datasets that open by cloning a shared one take over here.
    virtual void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }
    bool Modified() const { return FModified; }
    bool IsEditing() const { return FState == dsEdit || FState == dsInsert; }

    // Cursor.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    bool IsEmpty() const;
    int RecordCount() const;
    // 1-based position of the current record in the view; -1 when there is none.
    int RecNo() const;
    void SetRecNo(int recNo);
    TBookmark GetBookmark() const;
    void GotoBookmark(TBookmark bookmark);
    bool BookmarkValid(TBookmark bookmark) const;
    int CompareBookmarks(TBookmark a, TBookmark b) const;
    // Update status of the current record.
    TUpdateStatus UpdateStatus() const;

    // Editing.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Posts a pending edit or insert.
    void CheckBrowseMode();
    // Asks the attached controls to write their pending text into the fields.
    void UpdateRecord();

    // Searching. KeyValues is a single value or an array with one value per key field.
    // Datasets that fetch records on demand look for missing ones first.
    virtual bool Locate(const QString &keyFields, const Variant &keyValues, int options = 0);
    virtual Variant Lookup(const QString &keyFields, const Variant &keyValues,
                           const QString &resultFields);

    // Filtering.
    const QString &Filter() const { return FFilterText; }
    void SetFilter(const QString &text);
    bool Filtered() const { return FFiltered; }
    void SetFiltered(bool filtered);
    int FilterOptions() const { return FFilterOptions; }
    void SetFilterOptions(int options);
    void SetOnFilterRecord(TFilterRecordEvent handler);
    const TFilterRecordEvent &OnFilterRecord() const { return FOnFilterRecord; }

    // Order.
    const QString &IndexFieldNames() const { return FIndexFieldNames; }
    void SetIndexFieldNames(const QString &names);
    const QString &IndexName() const { return FIndexName; }
    void SetIndexName(const QString &name);
    TIndexDefs &IndexDefs() { return FIndexDefs; }
    void AddIndex(const QString &name, const QString &fields, int options = 0,
                  const QString &descFields = {}, const QString &caseInsFields = {});
    void DeleteIndex(const QString &name);
    // Fields of the current order, empty for the natural order.
    QStringList IndexFields() const;

    // Ranges on the leading fields of the current order.
    void SetRange(const std::vector<Variant> &start, const std::vector<Variant> &end);
    void CancelRange();
    bool HasRange() const { return !FRangeStart.empty(); }
    const std::vector<Variant> &RangeStart() const { return FRangeStart; }
    const std::vector<Variant> &RangeEnd() const { return FRangeEnd; }

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // Re-reads the records (client datasets fetch again) keeping the current record when it
    // is still there.
    virtual void Refresh();
    // Rebuilds the view from the records (after a change of filter, order or records).
    void Resync();
    // After the shared records changed: rebuilds the view when the change can show in it
    // (not for accepted changes, which only change statuses) and tells the controls.
    void ResyncStore();

    // Records by view position (0-based), for grids: the cursor does not move.
    Variant ValueAt(int position, TField *field);
    QString DisplayTextAt(int position, TField *field);
    // The text a field shows for editing (its edit format) in a record of the view.
    QString TextAt(int position, TField *field);
    // The bookmark of the record at a view position; -1 outside the view.
    TBookmark BookmarkAt(int position) const;
    int CurrentPosition() const { return FCursor; }
    // While inserting: the view position at which the new record shows (before the record it
    // was inserted at, or after the last one when appended); -1 otherwise.
    int NewRecordPosition() const;

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;

    // Used by fields.
    Variant GetFieldValue(const TField *field) const;
    void SetFieldValue(TField *field, const Variant &value);
    // Old, new and current values of a field (dsOldValue, dsNewValue, dsCurValue). Outside
    // reconcile: the value before the record's first pending change, and the value now.
    virtual Variant ReconcileValue(const TField *field, TDataSetState which) const;
    virtual void SetReconcileNewValue(TField *field, const Variant &value);

    // Used by data sources and cloned cursors.
    void AttachDataSource(TDataSource *source);
    void DetachDataSource(TDataSource *source);
    void DataEvent(TDataEvent event, qint64 info = 0);
    const std::shared_ptr<TRecordStore> &Store() const { return FStore; }
    // Another cursor on the shared records changed them.
    void StoreChanged() override;

protected:
    // Fills FieldDefs and the store. The default makes an empty store from FieldDefs.
    virtual void InternalOpen();
    virtual void InternalClose() {}
    // Gives the dataset a store: a new one from FieldDefs, or the store to share.
    void UseStore(std::shared_ptr<TRecordStore> store);
    void CreateStore();
    // Called after a post or delete reached the store.
    virtual void AfterStoreChange() {}
    // The row under the cursor, or -1.
    qint64 CurrentRow() const;
    // Puts the cursor on a row when it is in the view.
    bool GotoRow(quint32 row);
    void CheckActive() const;
    void CheckBrowse();
    // Whether a record of the view matches, without moving the cursor.
    bool HasRecord(const QString &keyFields, const Variant &keyValues, int options) const;
    // Values of the edit buffer, one per data field.
    std::vector<Variant> &EditValues() { return FEditValues; }
    // Extra row condition (master/detail), on top of filter and range.
    std::function<bool(const uchar *)> FRowCondition;
    // Default values for a new record (master/detail link fields).
    virtual void InitNewRecord() {}
    // Reads fields of a given record (filter events, reconcile) while fn runs.
    void WithRecord(const uchar *rec, TDataSetState state, const std::function<void()> &fn);
    void SetState(TDataSetState state);
    void DoAfterScroll();
    void DoBeforeScroll();
    // Moves the cursor to target, moved records away (not 0), with the scroll events; target is
    // fixed before BeforeScroll, which may move the cursor itself.
    void ScrollTo(int target, int moved);
    // Tells the data sources when Bof or Eof changed while the cursor stayed where it was.
    void EndsChanged(bool wasBof, bool wasEof);
    void ClearDefaultFields();
    bool FInternalOpen = false;
    // Brings in more records when the cursor runs past the last one held; true when some came.
    virtual bool FetchMore(bool all) {
        Q_UNUSED(all);
        return false;
    }

private:
    friend class TField;
    friend class TRowTexts;
    void BindFields();
    void CalculateFields() const;
    void DoInsert(bool append);
    void RefilterKeeping();
    void Reorder(const QString &fieldNames, const QString &indexName);
    void EncodeRange(const std::vector<Variant> &start, const std::vector<Variant> &end);
    std::vector<uchar> EncodeKey(const std::vector<std::pair<int, Variant>> &values) const;
    void BuildView(qint64 keepRow);
    void EnsureView() const;
    bool RowPasses(quint32 row) const;
    bool RowInRange(const uchar *rec) const;
    int CompareRows(quint32 a, quint32 b) const;
    int InsertPosition(quint32 row) const;
    void PlaceRow(quint32 row, bool wasInView);
    void CompileFilter();
    void CompileIndex();
    // Raises a key violation when the edit buffer repeats the key of another record under a
    // unique index.
    void CheckUniqueKeys(qint64 exceptRow) const;
    QString FieldTextAt(int position, TField *field, bool display);
    int FindRow(const QString &keyFields, const Variant &values, int options) const;
    // The view positions whose key prefix may match a search key on the order's leading fields.
    std::pair<int, int> KeyRange(const std::string &key) const;
    std::vector<TKeyField> KeyFields() const;
    quint64 RowKeyPrefix(quint32 row) const;
    void SetCursor(int position);
    const uchar *ActiveData() const;
    // The stored record the data fields read now (the one under the cursor, or the one a
    // filter or a grid is reading); nullptr while they read the edit buffer or no record.
    const uchar *StoredRecord() const {
        if (!FStore)
            return nullptr;
        if (FOverride)
            return FOverride;
        if (FEditing)
            return nullptr;
        if (FViewVersion != FStore->Version())
            EnsureView();
        if (FCursor < 0 || FCursor >= static_cast<int>(FView.size()))
            return nullptr;
        return FStore->Data(FView[static_cast<size_t>(FCursor)]);
    }

    TFields FFields;
    TFieldDefs FFieldDefs;
    TIndexDefs FIndexDefs;
    std::shared_ptr<TRecordStore> FStore;
    mutable std::vector<quint32> FView;
    mutable quint64 FViewVersion = 0;
    // While the view is sorted through index keys: the key prefix of every record of the view,
    // in view order, so that searches narrow down to a few records without reading the others.
    mutable std::vector<quint64> FViewKeys;
    mutable bool FViewKeysValid = false;
    // The key fields of the last search, resolved once for repeated searches by the same names.
    mutable QString FFindNames;
    mutable QStringList FFindSplit;
    mutable std::vector<TField *> FFindFields;
    mutable std::string FFindKey, FFindRowKey;
    mutable int FCursor = -1;
    bool FBof = true, FEof = true;
    bool FActive = false;
    TDataSetState FState = dsInactive;
    bool FModified = false;
    bool FEditing = false; // the edit buffer holds the current record
    bool FDefaultFields = false;
    bool FCalcValid = false;
    bool FCalculating = false;
    std::vector<Variant> FEditValues;
    std::vector<Variant> FCalcValues;
    qint64 FEditRow = -1;      // row being edited
    qint64 FInsertBefore = -1; // natural position of a new record, -1 for the end
    const uchar *FOverride = nullptr;
    QString FFilterText;
    bool FFiltered = false;
    int FFilterOptions = 0;
    TFilterRecordEvent FOnFilterRecord;
    std::unique_ptr<TFilterExpr> FFilterExpr;
    QString FIndexFieldNames, FIndexName;
    struct TSortKey {
        int FieldNo;
        bool Descending;
        bool CaseInsensitive;
    };
    std::vector<TSortKey> FSortKeys;
    std::vector<Variant> FRangeStart, FRangeEnd;
    std::vector<uchar> FRangeStartRec, FRangeEndRec;
    int FDisableCount = 0;
    bool FPendingChange = false;
    QList<TDataSource *> FDataSources;
};
