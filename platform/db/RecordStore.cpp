#include "RecordStore.h"

#include <QAnyStringView>
#include <algorithm>
#include <cstring>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

TStoreKind StoreKindOf(TFieldType type) {
    switch (type) {
    case ftBoolean:
        return TStoreKind::Bool;
    case ftSmallint:
        return TStoreKind::Int16;
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return TStoreKind::Int32;
    case ftLargeint:
        return TStoreKind::Int64;
    case ftFloat:
        return TStoreKind::Double;
    case ftCurrency:
    case ftBCD:
        return TStoreKind::Currency;
    case ftDate:
    case ftTime:
    case ftDateTime:
        return TStoreKind::Date;
    case ftString:
    case ftWideString:
    case ftMemo:
        return TStoreKind::Text;
    default:
        return TStoreKind::Bytes;
    }
}

static quint32 SlotSize(TStoreKind kind) {
    switch (kind) {
    case TStoreKind::Bool:
        return 1;
    case TStoreKind::Int16:
        return 2;
    case TStoreKind::Int32:
    case TStoreKind::Text:
    case TStoreKind::Bytes:
        return 4;
    default:
        return 8;
    }
}

template <typename T> static T Load(const uchar *p) {
    T value;
    std::memcpy(&value, p, sizeof(T));
    return value;
}

template <typename T> static void Store(uchar *p, T value) {
    std::memcpy(p, &value, sizeof(T));
}

TRecordLayout::TRecordLayout(const std::vector<TFieldType> &types) {
    const int count = static_cast<int>(types.size());
    FWideBit = count;
    quint32 offset = static_cast<quint32>((count + 1 + 7) / 8);
    for (int i = 0; i < count; ++i) {
        const TStoreKind kind = StoreKindOf(types[i]);
        FKinds.push_back(kind);
        if (IsVariableKind(kind)) {
            FSlots.push_back(static_cast<quint32>(FVarCount++));
        } else {
            FSlots.push_back(offset);
            offset += SlotSize(kind);
        }
    }
    FVarBase = offset;
}

quint32 TRecordLayout::EndsSize(quint64 tail) const {
    const quint32 narrow = FVarBase + 2 * static_cast<quint32>(FVarCount);
    return narrow + tail <= 0xFFFF ? 2 * FVarCount : 4 * FVarCount;
}

void TRecordLayout::WriteEnds(uchar *out, const quint32 *ends, quint32 endsSize) const {
    // ends are relative to the first variable byte, which follows the ends themselves.
    const quint32 start = FVarBase + endsSize;
    uchar *p = out + FVarBase;
    if (endsSize == 2 * static_cast<quint32>(FVarCount)) {
        for (int i = 0; i < FVarCount; ++i)
            Store<quint16>(p + 2 * i, static_cast<quint16>(start + ends[i]));
    } else {
        out[FWideBit >> 3] |= static_cast<uchar>(1u << (FWideBit & 7));
        for (int i = 0; i < FVarCount; ++i)
            Store<quint32>(p + 4 * i, start + ends[i]);
    }
}

quint32 TRecordLayout::RecordSize(const uchar *rec) const {
    if (FVarCount == 0)
        return FVarBase;
    const uchar *ends = rec + FVarBase;
    return Wide(rec) ? Load<quint32>(ends + 4 * (FVarCount - 1))
                     : Load<quint16>(ends + 2 * (FVarCount - 1));
}

qint64 TRecordLayout::IntValue(const uchar *rec, int field) const {
    const uchar *p = rec + FSlots[field];
    switch (FKinds[field]) {
    case TStoreKind::Bool:
        return *p ? 1 : 0;
    case TStoreKind::Int16:
        return Load<qint16>(p);
    case TStoreKind::Int32:
        return Load<qint32>(p);
    case TStoreKind::Int64:
    case TStoreKind::Currency:
        return Load<qint64>(p);
    case TStoreKind::Double:
    case TStoreKind::Date:
        return static_cast<qint64>(Load<double>(p));
    default:
        return 0;
    }
}

double TRecordLayout::FloatValue(const uchar *rec, int field) const {
    const uchar *p = rec + FSlots[field];
    switch (FKinds[field]) {
    case TStoreKind::Double:
    case TStoreKind::Date:
        return Load<double>(p);
    case TStoreKind::Currency:
        return static_cast<double>(Load<qint64>(p)) / 10000.0;
    default:
        return static_cast<double>(IntValue(rec, field));
    }
}

Variant TRecordLayout::Value(const uchar *rec, int field) const {
    if (IsNull(rec, field))
        return Variant::Null();
    const uchar *p = rec + FSlots[field];
    switch (FKinds[field]) {
    case TStoreKind::Bool:
        return Variant(*p != 0);
    case TStoreKind::Int16:
        return Variant::SmallInt(Load<qint16>(p));
    case TStoreKind::Int32:
        return Variant(static_cast<int>(Load<qint32>(p)));
    case TStoreKind::Int64:
        return Variant(static_cast<qint64>(Load<qint64>(p)));
    case TStoreKind::Double:
        return Variant(Load<double>(p));
    case TStoreKind::Currency:
        return Variant(Currency{Load<qint64>(p)});
    case TStoreKind::Date:
        return Variant(TDateTime(Load<double>(p)));
    case TStoreKind::Text: {
        const QByteArrayView raw = Raw(rec, field);
        return Variant(QString::fromUtf8(raw.data(), raw.size()));
    }
    case TStoreKind::Bytes: {
        const QByteArrayView raw = Raw(rec, field);
        return Variant(QByteArray(raw.data(), raw.size()));
    }
    }
    return Variant::Null();
}

int TRecordLayout::Compare(const uchar *a, const uchar *b, int field, bool caseInsensitive) const {
    const bool na = IsNull(a, field), nb = IsNull(b, field);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    switch (FKinds[field]) {
    case TStoreKind::Double:
    case TStoreKind::Date: {
        const double x = FloatValue(a, field), y = FloatValue(b, field);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case TStoreKind::Text: {
        const QByteArrayView x = Raw(a, field), y = Raw(b, field);
        if (caseInsensitive)
            return QAnyStringView::compare(QUtf8StringView(x.data(), x.size()),
                                           QUtf8StringView(y.data(), y.size()),
                                           Qt::CaseInsensitive);
        const int c =
            std::memcmp(x.data(), y.data(), static_cast<size_t>(std::min(x.size(), y.size())));
        return c != 0 ? (c < 0 ? -1 : 1)
                      : (x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0));
    }
    case TStoreKind::Bytes: {
        const QByteArrayView x = Raw(a, field), y = Raw(b, field);
        return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
    }
    default: {
        const qint64 x = IntValue(a, field), y = IntValue(b, field);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    }
}

quint32 TRecordLayout::EncodedSize(const std::vector<Variant> &values,
                                   std::vector<QByteArray> &texts) const {
    quint64 tail = 0;
    texts.assign(FKinds.size(), QByteArray());
    for (int i = 0; i < Count(); ++i) {
        if (!IsVariableKind(FKinds[i]) || values[i].IsEmptyOrNull())
            continue;
        texts[i] =
            FKinds[i] == TStoreKind::Text ? values[i].ToString().toUtf8() : values[i].ToBytes();
        tail += static_cast<quint64>(texts[i].size());
    }
    const quint64 size = FVarBase + EndsSize(tail) + tail;
    if (size > std::numeric_limits<quint32>::max())
        DatabaseError(QStringLiteral("Record too large"));
    return static_cast<quint32>(size);
}

void TRecordLayout::Encode(const std::vector<Variant> &values, const std::vector<QByteArray> &texts,
                           uchar *out) const {
    std::memset(out, 0, FVarBase);
    quint64 tailSize = 0;
    for (const QByteArray &t : texts)
        tailSize += static_cast<quint64>(t.size());
    const quint32 endsSize = EndsSize(tailSize);
    uchar *tail = out + FVarBase + endsSize;
    std::vector<quint32> ends(static_cast<size_t>(FVarCount));
    quint32 used = 0;
    for (int i = 0; i < Count(); ++i) {
        const Variant &v = values[i];
        uchar *p = out + FSlots[i];
        const bool null = v.IsEmptyOrNull();
        if (null)
            out[i >> 3] |= static_cast<uchar>(1u << (i & 7));
        switch (FKinds[i]) {
        case TStoreKind::Bool:
            *p = !null && v.ToBool() ? 1 : 0;
            break;
        case TStoreKind::Int16:
            Store<qint16>(p, null ? 0 : static_cast<qint16>(v.ToInt()));
            break;
        case TStoreKind::Int32:
            Store<qint32>(p, null ? 0 : static_cast<qint32>(v.ToInt64()));
            break;
        case TStoreKind::Int64:
            Store<qint64>(p, null ? 0 : v.ToInt64());
            break;
        case TStoreKind::Double:
            Store<double>(p, null ? 0.0 : v.ToDouble());
            break;
        case TStoreKind::Currency:
            Store<qint64>(p, null ? 0 : v.ToCurrency().Scaled);
            break;
        case TStoreKind::Date:
            Store<double>(p, null ? 0.0 : v.ToDateTime().Value());
            break;
        case TStoreKind::Text:
        case TStoreKind::Bytes: {
            const QByteArray &bytes = texts[i];
            if (!bytes.isEmpty())
                std::memcpy(tail + used, bytes.constData(), static_cast<size_t>(bytes.size()));
            used += static_cast<quint32>(bytes.size());
            ends[FSlots[i]] = used;
            break;
        }
        }
    }
    WriteEnds(out, ends.data(), endsSize);
}

TRecordBuilder::TRecordBuilder(const TRecordLayout &layout)
    : FLayout(layout), FFixed(layout.FVarBase), FEnds(static_cast<size_t>(layout.FVarCount)) {
    Clear();
}

void TRecordBuilder::Clear() {
    const int count = FLayout.Count();
    std::memset(FFixed.data(), 0, FFixed.size());
    for (int i = 0; i < count; ++i)
        FFixed[static_cast<size_t>(i >> 3)] |= static_cast<uchar>(1u << (i & 7));
    std::fill(FEnds.begin(), FEnds.end(), 0);
    FTail.clear();
    FOpen = -1;
}

void TRecordBuilder::SetNull(int field) {
    FFixed[static_cast<size_t>(field >> 3)] |= static_cast<uchar>(1u << (field & 7));
    if (IsVariableKind(FLayout.FKinds[field]))
        FEnds[FLayout.FSlots[field]] = static_cast<quint32>(FTail.size());
}

void TRecordBuilder::SetInt(int field, qint64 value) {
    FFixed[static_cast<size_t>(field >> 3)] &= static_cast<uchar>(~(1u << (field & 7)));
    uchar *p = FFixed.data() + FLayout.FSlots[field];
    switch (FLayout.FKinds[field]) {
    case TStoreKind::Bool:
        *p = value ? 1 : 0;
        break;
    case TStoreKind::Int16:
        Store<qint16>(p, static_cast<qint16>(value));
        break;
    case TStoreKind::Int32:
        Store<qint32>(p, static_cast<qint32>(value));
        break;
    default:
        Store<qint64>(p, value);
        break;
    }
}

void TRecordBuilder::SetFloat(int field, double value) {
    FFixed[static_cast<size_t>(field >> 3)] &= static_cast<uchar>(~(1u << (field & 7)));
    Store<double>(FFixed.data() + FLayout.FSlots[field], value);
}

void TRecordBuilder::BeginBytes(int field) {
    FFixed[static_cast<size_t>(field >> 3)] &= static_cast<uchar>(~(1u << (field & 7)));
    FOpen = static_cast<int>(FLayout.FSlots[field]);
    FEnds[static_cast<size_t>(FOpen)] = static_cast<quint32>(FTail.size());
}

void TRecordBuilder::AppendBytes(const char *data, qsizetype size) {
    if (static_cast<quint64>(FTail.size()) + static_cast<quint64>(size) >
        std::numeric_limits<quint32>::max() - (1u << 20))
        DatabaseError(QStringLiteral("Record too large"));
    FTail.insert(FTail.end(), data, data + size);
    FEnds[static_cast<size_t>(FOpen)] = static_cast<quint32>(FTail.size());
}

quint32 TRecordBuilder::Size() const {
    return FLayout.FVarBase + FLayout.EndsSize(FTail.size()) + static_cast<quint32>(FTail.size());
}

void TRecordBuilder::CopyTo(uchar *out) const {
    const quint32 endsSize = FLayout.EndsSize(FTail.size());
    std::memcpy(out, FFixed.data(), FFixed.size());
    FLayout.WriteEnds(out, FEnds.data(), endsSize);
    if (!FTail.empty())
        std::memcpy(out + FLayout.FVarBase + endsSize, FTail.data(), FTail.size());
}

uchar *TArena::Alloc(size_t size) {
    constexpr size_t ChunkSize = 1 << 20;
    if (FUsed + size > FCapacity) {
        const size_t capacity = std::max(ChunkSize, size);
        FChunks.push_back(std::make_unique_for_overwrite<uchar[]>(capacity));
        FCapacity = capacity;
        FUsed = 0;
        FPrefaulted = 0;
        FTotal += capacity;
    }
    uchar *result = FChunks.back().get() + FUsed;
    FUsed += size;
    if (FUsed > FPrefaulted && FChunks.size() > 1)
        Prefault();
    return result;
}

void TArena::Prefault() {
    // A large store fills its chunks page after page: the pages ahead are mapped a stretch at a
    // time instead of one fault per page on first write. A store of one chunk does without, so
    // that small datasets never hold pages they do not use. Where the system cannot do it the
    // pages simply fault in as before.
    constexpr size_t Stretch = 256 << 10;
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto base = reinterpret_cast<uintptr_t>(FChunks.back().get());
    const uintptr_t from = (base + FPrefaulted + page - 1) & ~(page - 1);
    const uintptr_t to = std::min(base + FCapacity, base + FUsed + Stretch) & ~(page - 1);
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE);
    FPrefaulted = std::max(FUsed, static_cast<size_t>(to - base));
}

void TArena::Clear() {
    FChunks.clear();
    FUsed = FCapacity = FTotal = FPrefaulted = 0;
}

const uchar *TRecordStore::Encode(const std::vector<Variant> &values) {
    std::vector<QByteArray> texts;
    const quint32 size = FLayout.EncodedSize(values, texts);
    uchar *block = FArena.Alloc(size);
    FLayout.Encode(values, texts, block);
    return block;
}

const uchar *TRecordStore::Encode(const TRecordBuilder &builder) {
    uchar *block = FArena.Alloc(builder.Size());
    builder.CopyTo(block);
    return block;
}

const uchar *TRecordStore::CopyBlock(const uchar *rec) {
    const quint32 size = FLayout.RecordSize(rec);
    uchar *block = FArena.Alloc(size);
    std::memcpy(block, rec, size);
    return block;
}

qint64 TRecordStore::OrderIndexOf(quint32 row) const {
    if (FOrderIsRows)
        return row < RowCount() ? static_cast<qint64>(row) : -1;
    const auto it = std::find(FOrder.begin(), FOrder.end(), row);
    return it == FOrder.end() ? -1 : static_cast<qint64>(it - FOrder.begin());
}

quint32 TRecordStore::AddRow(const uchar *data, TUpdateStatus status) {
    const quint32 row = RowCount();
    FData.push_back(data);
    FFlags.push_back(static_cast<quint8>(status));
    return row;
}

void TRecordStore::Reserve(quint32 more) {
    FData.reserve(FData.size() + more);
    FFlags.reserve(FFlags.size() + more);
    if (!FOrderIsRows)
        FOrder.reserve(FOrder.size() + more);
}

quint32 TRecordStore::Load(const uchar *data, TUpdateStatus status, const uchar *original) {
    const quint32 row = AddRow(data, status);
    if (!FOrderIsRows)
        FOrder.push_back(row);
    if (status != usUnmodified) {
        // A record read back with pending changes gets one log entry, as if changed once.
        const TUpdateKind kind = status == usInserted  ? ukInsert
                                 : status == usDeleted ? ukDelete
                                                       : ukModify;
        const uchar *before = status == usInserted ? nullptr : (original ? original : data);
        if (before)
            FOriginals.insert(row, before);
        FLog.push_back(TLogEntry{row, kind, usUnmodified, before});
    }
    ++FVersion;
    return row;
}

quint32 TRecordStore::Insert(const uchar *data, qint64 before) {
    const quint32 row = AddRow(data, FLogChanges ? usInserted : usUnmodified);
    if (before >= 0 && static_cast<quint64>(before) < row) {
        if (FOrderIsRows) {
            // From now on the natural order is no longer that of the rows.
            FOrder.resize(row);
            for (quint32 i = 0; i < row; ++i)
                FOrder[i] = i;
            FOrderIsRows = false;
        }
        FOrder.insert(std::find(FOrder.begin(), FOrder.end(), static_cast<quint32>(before)), row);
    } else if (!FOrderIsRows) {
        FOrder.push_back(row);
    }
    if (FLogChanges)
        FLog.push_back(TLogEntry{row, ukInsert, usUnmodified, nullptr});
    ++FVersion;
    return row;
}

void TRecordStore::Modify(quint32 row, const uchar *data) {
    if (FLogChanges) {
        const TUpdateStatus status = Status(row);
        FLog.push_back(TLogEntry{row, ukModify, status, FData[row]});
        if (status == usUnmodified) {
            FOriginals.insert(row, FData[row]);
            SetStatus(row, usModified);
        }
    }
    FData[row] = data;
    ++FVersion;
}

void TRecordStore::Remove(quint32 row) {
    const TUpdateStatus status = Status(row);
    if (!FLogChanges) {
        SetDead(row, true);
    } else if (status == usInserted) {
        // Nothing about a record inserted and deleted again ever reaches the server.
        DropLogEntries(row);
        SetDead(row, true);
    } else {
        FLog.push_back(TLogEntry{row, ukDelete, status, FData[row]});
        if (status == usUnmodified)
            FOriginals.insert(row, FData[row]);
        SetStatus(row, usDeleted);
    }
    ++FVersion;
}

void TRecordStore::Replace(quint32 row, const uchar *data, TUpdateStatus status) {
    FData[row] = data;
    FFlags[row] = static_cast<quint8>(status);
    ++FVersion;
}

void TRecordStore::Kill(quint32 row) {
    FFlags[row] = static_cast<quint8>(usUnmodified) | DeadFlag;
    FOriginals.remove(row);
    DropLogEntries(row);
    ++FVersion;
}

void TRecordStore::SetOriginal(quint32 row, const uchar *data) {
    const TUpdateStatus status = Status(row);
    if (status == usModified || status == usDeleted)
        FOriginals.insert(row, data);
    ++FVersion;
}

void TRecordStore::Undo(const TLogEntry &entry) {
    if (entry.Kind == ukInsert) {
        SetDead(entry.Row, true);
    } else {
        FData[entry.Row] = entry.Prev;
        SetStatus(entry.Row, entry.PrevStatus);
    }
    if (Status(entry.Row) == usUnmodified || (FFlags[entry.Row] & DeadFlag))
        FOriginals.remove(entry.Row);
}

qint64 TRecordStore::UndoLastChange() {
    if (FLog.empty())
        return -1;
    const TLogEntry entry = FLog.back();
    FLog.pop_back();
    Undo(entry);
    ++FVersion;
    return entry.Row;
}

void TRecordStore::DropLogEntries(quint32 row) {
    FLog.erase(std::remove_if(FLog.begin(), FLog.end(),
                              [row](const TLogEntry &e) { return e.Row == row; }),
               FLog.end());
}

void TRecordStore::RevertRow(quint32 row) {
    for (auto it = FLog.rbegin(); it != FLog.rend(); ++it)
        if (it->Row == row)
            Undo(*it);
    DropLogEntries(row);
    ++FVersion;
}

void TRecordStore::CancelUpdates() {
    for (auto it = FLog.rbegin(); it != FLog.rend(); ++it)
        Undo(*it);
    FLog.clear();
    FOriginals.clear();
    ++FVersion;
}

void TRecordStore::MergeRow(quint32 row) {
    if (Status(row) == usDeleted)
        SetDead(row, true);
    SetStatus(row, usUnmodified);
    FOriginals.remove(row);
    DropLogEntries(row);
}

void TRecordStore::MergeRows(const std::vector<quint32> &rows) {
    if (rows.empty())
        return;
    std::vector<bool> merged(FData.size(), false);
    for (quint32 row : rows) {
        if (Status(row) == usDeleted)
            SetDead(row, true);
        SetStatus(row, usUnmodified);
        FOriginals.remove(row);
        merged[row] = true;
    }
    FLog.erase(std::remove_if(FLog.begin(), FLog.end(),
                              [&merged](const TLogEntry &e) { return merged[e.Row]; }),
               FLog.end());
}

void TRecordStore::MergeChangeLog() {
    for (quint32 row = 0; row < RowCount(); ++row) {
        if (Status(row) == usDeleted)
            SetDead(row, true);
        SetStatus(row, usUnmodified);
    }
    FLog.clear();
    FOriginals.clear();
    if (!FOrderIsRows)
        FOrder.erase(std::remove_if(FOrder.begin(), FOrder.end(),
                                    [this](quint32 row) { return FFlags[row] & DeadFlag; }),
                     FOrder.end());
}

std::vector<quint32> TRecordStore::ChangedRows() const {
    std::vector<quint32> rows;
    ForEachInOrder([&](quint32 row) {
        const quint8 flags = FFlags[row];
        if (!(flags & DeadFlag) && (flags & StatusMask) != usUnmodified)
            rows.push_back(row);
    });
    return rows;
}

void TRecordStore::Clear() {
    FData.clear();
    FFlags.clear();
    FOrder.clear();
    FOrderIsRows = true;
    FLog.clear();
    FOriginals.clear();
    FArena.Clear();
    ++FVersion;
}

void TRecordStore::AttachCursor(TStoreCursor *cursor) {
    if (std::find(FCursors.begin(), FCursors.end(), cursor) == FCursors.end())
        FCursors.push_back(cursor);
}

void TRecordStore::DetachCursor(TStoreCursor *cursor) {
    FCursors.erase(std::remove(FCursors.begin(), FCursors.end(), cursor), FCursors.end());
}

void TRecordStore::NotifyCursors(TStoreCursor *changer) {
    const std::vector<TStoreCursor *> cursors = FCursors;
    for (TStoreCursor *cursor : cursors)
        if (cursor != changer &&
            std::find(FCursors.begin(), FCursors.end(), cursor) != FCursors.end())
            cursor->StoreChanged();
}
