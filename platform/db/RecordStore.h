#pragma once
// TRecordStore: the records of a dataset, shared by every cursor cloned from it. A record is
// one compact byte block in an arena: a null bitmap, fixed slots for numbers, booleans, dates
// and currency amounts, and a tail holding the UTF-8 text and raw bytes of variable-size
// values. Records are never changed in place: an edit stores a new block, so that the change
// log can keep the block it replaced. The store also keeps the natural order of the records,
// the change log and the status of each record.

#include "DbTypes.h"

#include <QHash>
#include <memory>
#include <vector>

// A cursor reading a store: told when another cursor on the same store changed the records.
class TStoreCursor {
public:
    virtual void StoreChanged() = 0;

protected:
    ~TStoreCursor() = default;
};

enum class TStoreKind : quint8 { Bool, Int16, Int32, Int64, Double, Currency, Date, Text, Bytes };
TStoreKind StoreKindOf(TFieldType type);

class TRecordLayout {
public:
    TRecordLayout() = default;
    explicit TRecordLayout(const std::vector<TFieldType> &types);

    int Count() const { return static_cast<int>(FKinds.size()); }
    TStoreKind Kind(int field) const { return FKinds[field]; }
    quint32 FixedSize() const { return FFixedSize; }
    // Bytes of a record block.
    quint32 RecordSize(const uchar *rec) const;

    bool IsNull(const uchar *rec, int field) const { return rec[field >> 3] & (1u << (field & 7)); }
    Variant Value(const uchar *rec, int field) const;
    // Text and bytes values without copying: the UTF-8 or raw bytes of a variable-size slot.
    QByteArrayView Raw(const uchar *rec, int field) const;
    qint64 IntValue(const uchar *rec, int field) const;   // integer kinds, boolean, currency
    double FloatValue(const uchar *rec, int field) const; // double and date kinds
    // Orders two records by one field: nulls first; text by code point, or ignoring letter case.
    int Compare(const uchar *a, const uchar *b, int field, bool caseInsensitive) const;

    // Size of the block that Encode writes for these values (already of the field's type).
    quint32 EncodedSize(const std::vector<Variant> &values, std::vector<QByteArray> &texts) const;
    void Encode(const std::vector<Variant> &values, const std::vector<QByteArray> &texts,
                uchar *out) const;

private:
    std::vector<TStoreKind> FKinds;
    std::vector<quint32> FOffsets; // fixed slot of every field
    std::vector<int> FPrevVar;     // previous variable-size field, -1 for the first
    int FLastVar = -1;
    quint32 FNullBytes = 0;
    quint32 FFixedSize = 0;
};

// Memory for record blocks, handed out from large chunks and freed all at once.
class TArena {
public:
    uchar *Alloc(size_t size);
    void Clear();
    size_t BytesAllocated() const { return FTotal; }

private:
    std::vector<std::unique_ptr<uchar[]>> FChunks;
    size_t FUsed = 0;
    size_t FCapacity = 0;
    size_t FTotal = 0;
};

class TRecordStore {
public:
    struct TRow {
        const uchar *Data = nullptr;
        TUpdateStatus Status = usUnmodified;
        bool Dead = false; // cancelled insert or merged delete: belongs to no view
    };

    explicit TRecordStore(TRecordLayout layout) : FLayout(std::move(layout)) {}

    const TRecordLayout &Layout() const { return FLayout; }
    quint32 RowCount() const { return static_cast<quint32>(FRows.size()); }
    const TRow &Row(quint32 row) const { return FRows[row]; }
    bool IsLive(quint32 row) const {
        return row < FRows.size() && !FRows[row].Dead && FRows[row].Status != usDeleted;
    }
    // Records in their natural order (insertion position), dead ones included.
    const std::vector<quint32> &Order() const { return FOrder; }

    // Stores a record block for the values (one per field, each of the field's type or null).
    const uchar *Encode(const std::vector<Variant> &values);
    const uchar *CopyBlock(const uchar *rec);

    // Adds a record read from a packet or a query, outside the change log.
    quint32 Load(const uchar *data, TUpdateStatus status = usUnmodified,
                 const uchar *original = nullptr);
    // Adds a new record before the natural position `before` (a row, or -1 for the end).
    quint32 Insert(const uchar *data, qint64 before);
    void Modify(quint32 row, const uchar *data);
    void Remove(quint32 row);
    // Replaces a record outright, outside the change log (refresh from the server).
    void Replace(quint32 row, const uchar *data, TUpdateStatus status);
    // Takes a record out of every view for good (it no longer exists on the server).
    void Kill(quint32 row);
    // Gives a changed record new original values (merge with the server's record).
    void SetOriginal(quint32 row, const uchar *data);

    bool LogChanges() const { return FLogChanges; }
    void SetLogChanges(bool on) { FLogChanges = on; }
    int ChangeCount() const { return static_cast<int>(FLog.size()); }
    // Undoes the newest change; returns the row it touched, or -1 when the log is empty.
    qint64 UndoLastChange();
    void RevertRow(quint32 row);
    void CancelUpdates();
    // Accepts every change: deleted records go, the others become unmodified.
    void MergeChangeLog();
    // Accepts the changes of one record.
    void MergeRow(quint32 row);
    // Accepts the changes of many records in one pass over the change log.
    void MergeRows(const std::vector<quint32> &rows);
    // The block a changed record had before its first change (nullptr when unchanged).
    const uchar *Original(quint32 row) const { return FOriginals.value(row, nullptr); }
    // Rows with pending changes, in natural order.
    std::vector<quint32> ChangedRows() const;

    void Clear();
    size_t BytesAllocated() const { return FArena.BytesAllocated(); }

    // Bumped on every change, so that cursors sharing the store know to rebuild their view.
    quint64 Version() const { return FVersion; }
    void AttachCursor(TStoreCursor *cursor);
    void DetachCursor(TStoreCursor *cursor);
    // Tells the other cursors on the store that the records changed.
    void NotifyCursors(TStoreCursor *changer);

private:
    struct TLogEntry {
        quint32 Row;
        TUpdateKind Kind;
        TUpdateStatus PrevStatus;
        const uchar *Prev;
    };
    void Undo(const TLogEntry &entry);
    void DropLogEntries(quint32 row);

    TRecordLayout FLayout;
    TArena FArena;
    std::vector<TRow> FRows;
    std::vector<quint32> FOrder;
    std::vector<TLogEntry> FLog;
    QHash<quint32, const uchar *> FOriginals;
    bool FLogChanges = true;
    quint64 FVersion = 1;
    std::vector<TStoreCursor *> FCursors;
};
