#include "RecordStore.h"

#include <QAnyStringView>
#include <algorithm>
#include <cstring>

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

static bool IsVar(TStoreKind kind) {
    return kind == TStoreKind::Text || kind == TStoreKind::Bytes;
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
    FNullBytes = static_cast<quint32>((count + 7) / 8);
    quint32 offset = FNullBytes;
    for (int i = 0; i < count; ++i) {
        const TStoreKind kind = StoreKindOf(types[i]);
        FKinds.push_back(kind);
        FOffsets.push_back(offset);
        offset += SlotSize(kind);
        FPrevVar.push_back(IsVar(kind) ? FLastVar : -1);
        if (IsVar(kind))
            FLastVar = i;
    }
    FFixedSize = offset;
}

quint32 TRecordLayout::RecordSize(const uchar *rec) const {
    return FLastVar < 0 ? FFixedSize : Load<quint32>(rec + FOffsets[FLastVar]);
}

QByteArrayView TRecordLayout::Raw(const uchar *rec, int field) const {
    const quint32 end = Load<quint32>(rec + FOffsets[field]);
    const int prev = FPrevVar[field];
    const quint32 start = prev < 0 ? FFixedSize : Load<quint32>(rec + FOffsets[prev]);
    return QByteArrayView(reinterpret_cast<const char *>(rec) + start, end - start);
}

qint64 TRecordLayout::IntValue(const uchar *rec, int field) const {
    const uchar *p = rec + FOffsets[field];
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
    const uchar *p = rec + FOffsets[field];
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
    const uchar *p = rec + FOffsets[field];
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
    quint32 size = FFixedSize;
    texts.assign(FKinds.size(), QByteArray());
    for (int i = 0; i < Count(); ++i) {
        if (!IsVar(FKinds[i]) || values[i].IsEmptyOrNull())
            continue;
        texts[i] =
            FKinds[i] == TStoreKind::Text ? values[i].ToString().toUtf8() : values[i].ToBytes();
        size += static_cast<quint32>(texts[i].size());
    }
    return size;
}

void TRecordLayout::Encode(const std::vector<Variant> &values, const std::vector<QByteArray> &texts,
                           uchar *out) const {
    std::memset(out, 0, FFixedSize);
    quint32 tail = FFixedSize;
    for (int i = 0; i < Count(); ++i) {
        const Variant &v = values[i];
        uchar *p = out + FOffsets[i];
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
                std::memcpy(out + tail, bytes.constData(), static_cast<size_t>(bytes.size()));
            tail += static_cast<quint32>(bytes.size());
            Store<quint32>(p, tail);
            break;
        }
        }
    }
}

uchar *TArena::Alloc(size_t size) {
    constexpr size_t ChunkSize = 1 << 20;
    if (FUsed + size > FCapacity) {
        const size_t capacity = std::max(ChunkSize, size);
        FChunks.push_back(std::make_unique_for_overwrite<uchar[]>(capacity));
        FCapacity = capacity;
        FUsed = 0;
        FTotal += capacity;
    }
    uchar *result = FChunks.back().get() + FUsed;
    FUsed += size;
    return result;
}

void TArena::Clear() {
    FChunks.clear();
    FUsed = FCapacity = FTotal = 0;
}

const uchar *TRecordStore::Encode(const std::vector<Variant> &values) {
    std::vector<QByteArray> texts;
    const quint32 size = FLayout.EncodedSize(values, texts);
    uchar *block = FArena.Alloc(size);
    FLayout.Encode(values, texts, block);
    return block;
}

const uchar *TRecordStore::CopyBlock(const uchar *rec) {
    const quint32 size = FLayout.RecordSize(rec);
    uchar *block = FArena.Alloc(size);
    std::memcpy(block, rec, size);
    return block;
}

quint32 TRecordStore::Load(const uchar *data, TUpdateStatus status, const uchar *original) {
    const quint32 row = RowCount();
    FRows.push_back(TRow{data, status, false});
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
    const quint32 row = RowCount();
    FRows.push_back(TRow{data, FLogChanges ? usInserted : usUnmodified, false});
    auto it = FOrder.end();
    if (before >= 0)
        it = std::find(FOrder.begin(), FOrder.end(), static_cast<quint32>(before));
    FOrder.insert(it, row);
    if (FLogChanges)
        FLog.push_back(TLogEntry{row, ukInsert, usUnmodified, nullptr});
    ++FVersion;
    return row;
}

void TRecordStore::Modify(quint32 row, const uchar *data) {
    TRow &r = FRows[row];
    if (FLogChanges) {
        FLog.push_back(TLogEntry{row, ukModify, r.Status, r.Data});
        if (r.Status == usUnmodified) {
            FOriginals.insert(row, r.Data);
            r.Status = usModified;
        }
    }
    r.Data = data;
    ++FVersion;
}

void TRecordStore::Remove(quint32 row) {
    TRow &r = FRows[row];
    if (!FLogChanges) {
        r.Dead = true;
    } else if (r.Status == usInserted) {
        // Nothing about a record inserted and deleted again ever reaches the server.
        DropLogEntries(row);
        r.Dead = true;
    } else {
        FLog.push_back(TLogEntry{row, ukDelete, r.Status, r.Data});
        if (r.Status == usUnmodified)
            FOriginals.insert(row, r.Data);
        r.Status = usDeleted;
    }
    ++FVersion;
}

void TRecordStore::Replace(quint32 row, const uchar *data, TUpdateStatus status) {
    FRows[row].Data = data;
    FRows[row].Status = status;
    FRows[row].Dead = false;
    ++FVersion;
}

void TRecordStore::Kill(quint32 row) {
    FRows[row].Dead = true;
    FRows[row].Status = usUnmodified;
    FOriginals.remove(row);
    DropLogEntries(row);
    ++FVersion;
}

void TRecordStore::SetOriginal(quint32 row, const uchar *data) {
    if (FRows[row].Status == usModified || FRows[row].Status == usDeleted)
        FOriginals.insert(row, data);
    ++FVersion;
}

void TRecordStore::Undo(const TLogEntry &entry) {
    TRow &r = FRows[entry.Row];
    if (entry.Kind == ukInsert) {
        r.Dead = true;
    } else {
        r.Data = entry.Prev;
        r.Status = entry.PrevStatus;
    }
    if (r.Status == usUnmodified || r.Dead)
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
    TRow &r = FRows[row];
    if (r.Status == usDeleted)
        r.Dead = true;
    r.Status = usUnmodified;
    FOriginals.remove(row);
    DropLogEntries(row);
    ++FVersion;
}

void TRecordStore::MergeRows(const std::vector<quint32> &rows) {
    if (rows.empty())
        return;
    std::vector<bool> merged(FRows.size(), false);
    for (quint32 row : rows) {
        TRow &r = FRows[row];
        if (r.Status == usDeleted)
            r.Dead = true;
        r.Status = usUnmodified;
        FOriginals.remove(row);
        merged[row] = true;
    }
    FLog.erase(std::remove_if(FLog.begin(), FLog.end(),
                              [&merged](const TLogEntry &e) { return merged[e.Row]; }),
               FLog.end());
    ++FVersion;
}

void TRecordStore::MergeChangeLog() {
    for (TRow &r : FRows) {
        if (r.Status == usDeleted)
            r.Dead = true;
        r.Status = usUnmodified;
    }
    FLog.clear();
    FOriginals.clear();
    FOrder.erase(std::remove_if(FOrder.begin(), FOrder.end(),
                                [this](quint32 row) { return FRows[row].Dead; }),
                 FOrder.end());
    ++FVersion;
}

std::vector<quint32> TRecordStore::ChangedRows() const {
    std::vector<quint32> rows;
    for (quint32 row : FOrder)
        if (!FRows[row].Dead && FRows[row].Status != usUnmodified)
            rows.push_back(row);
    return rows;
}

void TRecordStore::Clear() {
    FRows.clear();
    FOrder.clear();
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
