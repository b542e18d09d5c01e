#pragma once
// TRecordStore: the records of a dataset, shared by every cursor cloned from it. A record is
// one compact byte block in an arena:
//
//   [ null bitmap | fixed slots | ends of the variable-size values | their bytes ]
//
// The bitmap has one bit per field and, after them, the record's "wide" bit. Numbers,
// booleans, dates and currency amounts have fixed slots at their natural width. Text (UTF-8)
// and raw bytes follow the fixed part; each variable-size field has the offset where its value
// ends, 16 bits wide in records under 64 KiB and 32 bits wide (the wide bit set) otherwise.
// Records are never changed in place: an edit stores a new block, so that the change log can
// keep the block it replaced. The store also keeps the natural order of the records, the
// change log and the status of each record.

#include "DbTypes.h"

#include <QHash>
#include <cstring>
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
inline bool IsVariableKind(TStoreKind kind) {
    return kind == TStoreKind::Text || kind == TStoreKind::Bytes;
}

class TRecordLayout {
public:
    TRecordLayout() = default;
    explicit TRecordLayout(const std::vector<TFieldType> &types);

    int Count() const { return static_cast<int>(FKinds.size()); }
    TStoreKind Kind(int field) const { return FKinds[field]; }
    // Bytes before the ends of the variable-size values: bitmap and fixed slots.
    quint32 FixedSize() const { return FVarBase; }
    int VariableCount() const { return FVarCount; }
    // Bytes of a record block.
    quint32 RecordSize(const uchar *rec) const;

    bool IsNull(const uchar *rec, int field) const { return rec[field >> 3] & (1u << (field & 7)); }
    Variant Value(const uchar *rec, int field) const;
    // The bytes of a fixed-size field's slot, its value at its natural width.
    const uchar *Slot(const uchar *rec, int field) const { return rec + FSlots[field]; }
    // Text and bytes values without copying: the UTF-8 or raw bytes of a variable-size slot.
    QByteArrayView Raw(const uchar *rec, int field) const {
        // The ends of the variable-size values follow the fixed slots, 16 bits each or 32 in a
        // wide record; the first value starts after the ends.
        const quint32 i = FSlots[field];
        const uchar *ends = rec + FVarBase;
        quint32 start, end;
        if (Wide(rec)) {
            end = LoadEnd<quint32>(ends, i);
            start = i == 0 ? FVarBase + 4 * static_cast<quint32>(FVarCount)
                           : LoadEnd<quint32>(ends, i - 1);
        } else {
            end = LoadEnd<quint16>(ends, i);
            start = i == 0 ? FVarBase + 2 * static_cast<quint32>(FVarCount)
                           : LoadEnd<quint16>(ends, i - 1);
        }
        return QByteArrayView(reinterpret_cast<const char *>(rec) + start, end - start);
    }
    qint64 IntValue(const uchar *rec, int field) const;   // integer kinds, boolean, currency
    double FloatValue(const uchar *rec, int field) const; // double and date kinds
    // Orders two records by one field: nulls first; text by code point, or ignoring letter case.
    int Compare(const uchar *a, const uchar *b, int field, bool caseInsensitive) const;

    // Size of the block that Encode writes for these values (already of the field's type).
    quint32 EncodedSize(const std::vector<Variant> &values, std::vector<QByteArray> &texts) const;
    void Encode(const std::vector<Variant> &values, const std::vector<QByteArray> &texts,
                uchar *out) const;

private:
    friend class TRecordBuilder;
    template <typename T> static quint32 LoadEnd(const uchar *ends, quint32 i) {
        T value;
        std::memcpy(&value, ends + sizeof(T) * i, sizeof(T));
        return value;
    }
    bool Wide(const uchar *rec) const { return rec[FWideBit >> 3] & (1u << (FWideBit & 7)); }
    // Bytes of the ends for a record whose variable-size values take `tail` bytes.
    quint32 EndsSize(quint64 tail) const;
    void WriteEnds(uchar *out, const quint32 *ends, quint32 endsSize) const;

    std::vector<TStoreKind> FKinds;
    // Fixed slot of a fixed-size field; index among the variable-size fields for the others.
    std::vector<quint32> FSlots;
    int FWideBit = 0;
    quint32 FVarBase = 0;
    int FVarCount = 0;
};

// Builds one record block value by value, in field order, without going through variants:
// the fast path of packet decoding.
class TRecordBuilder {
public:
    explicit TRecordBuilder(const TRecordLayout &layout);
    // Starts a new record: every field null.
    void Clear();
    void SetNull(int field);
    void SetInt(int field, qint64 value);   // boolean, integer and currency kinds
    void SetFloat(int field, double value); // double and date kinds
    // Variable-size values; a value may come in pieces, each appended to the field's bytes.
    void BeginBytes(int field);
    void AppendBytes(const char *data, qsizetype size);
    // Bytes of the finished block, and the block itself written to out.
    quint32 Size() const;
    void CopyTo(uchar *out) const;

private:
    const TRecordLayout &FLayout;
    std::vector<uchar> FFixed;
    std::vector<quint32> FEnds; // relative to the start of the variable bytes
    std::vector<char> FTail;
    int FOpen = -1; // index among the variable-size fields of the value being appended
};

// Memory for record blocks, handed out from large chunks and freed all at once.
class TArena {
public:
    uchar *Alloc(size_t size);
    void Clear();
    size_t BytesAllocated() const { return FTotal; }

private:
    void Prefault();
    std::vector<std::unique_ptr<uchar[]>> FChunks;
    size_t FUsed = 0;
    size_t FCapacity = 0;
    size_t FTotal = 0;
    size_t FPrefaulted = 0; // bytes of the last chunk known to be mapped
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
    quint32 RowCount() const { return static_cast<quint32>(FData.size()); }
    TRow Row(quint32 row) const {
        const quint8 flags = FFlags[row];
        return TRow{FData[row], static_cast<TUpdateStatus>(flags & StatusMask),
                    (flags & DeadFlag) != 0};
    }
    const uchar *Data(quint32 row) const { return FData[row]; }
    TUpdateStatus Status(quint32 row) const {
        return static_cast<TUpdateStatus>(FFlags[row] & StatusMask);
    }
    bool IsLive(quint32 row) const {
        return row < FFlags.size() && !(FFlags[row] & DeadFlag) &&
               (FFlags[row] & StatusMask) != usDeleted;
    }
    // Records in their natural order (insertion position), dead ones included. While records
    // are only added at the end the order is that of the rows and takes no memory.
    quint32 OrderCount() const {
        return FOrderIsRows ? RowCount() : static_cast<quint32>(FOrder.size());
    }
    quint32 OrderAt(quint32 i) const { return FOrderIsRows ? i : FOrder[i]; }
    // Position of a row in the natural order, -1 when it is not there.
    qint64 OrderIndexOf(quint32 row) const;
    template <class F> void ForEachInOrder(F &&f) const {
        if (FOrderIsRows) {
            for (quint32 row = 0, n = RowCount(); row < n; ++row)
                f(row);
        } else {
            for (quint32 row : FOrder)
                f(row);
        }
    }

    // Stores a record block for the values (one per field, each of the field's type or null).
    const uchar *Encode(const std::vector<Variant> &values);
    const uchar *Encode(const TRecordBuilder &builder);
    const uchar *CopyBlock(const uchar *rec);

    // Adds a record read from a packet or a query, outside the change log.
    quint32 Load(const uchar *data, TUpdateStatus status = usUnmodified,
                 const uchar *original = nullptr);
    // Room for that many more records, when known ahead.
    void Reserve(quint32 more);
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

    // Bumped on every change that a view can see (records added, changed, removed or
    // restored), so that cursors sharing the store know to rebuild their view. Accepting
    // changes (merging) only changes statuses and leaves it alone.
    quint64 Version() const { return FVersion; }
    void AttachCursor(TStoreCursor *cursor);
    void DetachCursor(TStoreCursor *cursor);
    // Tells the other cursors on the store that the records changed.
    void NotifyCursors(TStoreCursor *changer);

private:
    static constexpr quint8 StatusMask = 0x03;
    static constexpr quint8 DeadFlag = 0x04;
    struct TLogEntry {
        quint32 Row;
        TUpdateKind Kind;
        TUpdateStatus PrevStatus;
        const uchar *Prev;
    };
    void SetStatus(quint32 row, TUpdateStatus status) {
        FFlags[row] = static_cast<quint8>((FFlags[row] & ~StatusMask) | status);
    }
    void SetDead(quint32 row, bool dead) {
        FFlags[row] = static_cast<quint8>(dead ? FFlags[row] | DeadFlag : FFlags[row] & ~DeadFlag);
    }
    quint32 AddRow(const uchar *data, TUpdateStatus status);
    void Undo(const TLogEntry &entry);
    void DropLogEntries(quint32 row);

    TRecordLayout FLayout;
    TArena FArena;
    // One entry per row: its block, and its status with the dead flag.
    std::vector<const uchar *> FData;
    std::vector<quint8> FFlags;
    bool FOrderIsRows = true;
    std::vector<quint32> FOrder; // used once a record was inserted before another
    std::vector<TLogEntry> FLog;
    QHash<quint32, const uchar *> FOriginals;
    bool FLogChanges = true;
    quint64 FVersion = 1;
    std::vector<TStoreCursor *> FCursors;
};
