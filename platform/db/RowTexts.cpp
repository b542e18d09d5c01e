#include "RowTexts.h"

#include "AsciiRuns.h"
#include "DataSet.h"
#include "DateTime.h"
#include "Fields.h"
#include "NumberText.h"
#include "Variant.h"

#include <QString>

#include <array>
#include <type_traits>

namespace {

// Stored UTF-8 text as QString::fromUtf8 reads it: a byte-order mark at the start is no text,
// one further on is. The bytes are decoded straight to `at`; a sequence that is not UTF-8,
// which the store never writes, takes the general way. The text never takes more UTF-16 units
// than it has bytes (a replacement character stands for one byte or more).
char16_t *WriteUtf8(char16_t *at, QByteArrayView raw) {
    // Looked at byte by byte: a call to compare three bytes costs more than the value's text.
    if (raw.size() >= 3 && raw[0] == '\xEF' && raw[1] == '\xBB' && raw[2] == '\xBF')
        raw = raw.sliced(3);
    const qsizetype n = raw.size();
    char16_t *o = at;
    const auto *b = reinterpret_cast<const uchar *>(raw.data());
    qsizetype i = 0;
    while (i < n) {
        // Runs of ASCII many bytes at a time (the room left is never less than the bytes left).
        if (b[i] < 0x80) {
            const qsizetype run = AsciiRuns::Widen(b + i, n - i, o);
            i += run;
            o += run;
            if (i >= n)
                break;
        }
        const uchar c = b[i];
        if (c >= 0xE0 && c < 0xF0) {
            // The characters of a Chinese word, three bytes each, one after another.
            bool valid = true;
            do {
                if (i + 2 >= n || (b[i + 1] & 0xC0) != 0x80 || (b[i + 2] & 0xC0) != 0x80) {
                    valid = false;
                    break;
                }
                const char32_t u = (b[i] & 0x0F) << 12 | (b[i + 1] & 0x3F) << 6 | (b[i + 2] & 0x3F);
                if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF)) {
                    valid = false;
                    break;
                }
                *o++ = static_cast<char16_t>(u);
                i += 3;
            } while (i < n && b[i] >= 0xE0 && b[i] < 0xF0);
            if (!valid)
                break;
        } else if (c >= 0xC2 && c < 0xE0 && i + 1 < n && (b[i + 1] & 0xC0) == 0x80) {
            *o++ = static_cast<char16_t>((c & 0x1F) << 6 | (b[i + 1] & 0x3F));
            i += 2;
        } else if (c >= 0xF0 && c < 0xF5 && i + 3 < n && (b[i + 1] & 0xC0) == 0x80 &&
                   (b[i + 2] & 0xC0) == 0x80 && (b[i + 3] & 0xC0) == 0x80) {
            const char32_t u = (c & 0x07) << 18 | (b[i + 1] & 0x3F) << 12 | (b[i + 2] & 0x3F) << 6 |
                               (b[i + 3] & 0x3F);
            if (u < 0x10000 || u > 0x10FFFF)
                break;
            *o++ = QChar::highSurrogate(u);
            *o++ = QChar::lowSurrogate(u);
            i += 4;
        } else {
            break;
        }
    }
    if (i >= n)
        return o;
    const QString text = QString::fromUtf8(raw);
    const qsizetype size = qMin(text.size(), n);
    CopyUnits(at, reinterpret_cast<const char16_t *>(text.utf16()), size);
    return at + size;
}

// Whether c is no character of the texts of numbers, dates and booleans: digits, letters
// ("E", "NAN", "INF", "True", "False") and "-./", in ASCII.
bool OutsideValueTexts(char16_t c) {
    static constexpr auto kOutside = [] {
        std::array<bool, 128> outside{};
        for (char16_t u = 0; u < 128; ++u)
            outside[u] = !(u >= u'0' && u <= u'9') && !(u >= u'A' && u <= u'Z') &&
                         !(u >= u'a' && u <= u'z') && u != u'-' && u != u'.' && u != u'/';
        return outside;
    }();
    return c < 0x80 && kOutside[c];
}

// The most units the text of a value read as `how` takes (a stored text takes no more units
// than its UTF-8 bytes).
qsizetype RoomOf(TSlotText how) {
    switch (how) {
    case TSlotText::Int16:
    case TSlotText::Int32:
    case TSlotText::Int64:
        return kIntTextUnits;
    case TSlotText::Bool:
        return 5; // "False"
    case TSlotText::Float:
        return kFloatTextUnits;
    case TSlotText::Currency:
        return kCurrencyTextUnits;
    case TSlotText::Date:
        return kDateTextUnits;
    case TSlotText::Field:
    case TSlotText::Utf8:
        break;
    }
    return 0;
}

// The text of a stored value read as `how` (not Field) written at `at`, which has room for
// RoomOf(how) units or, for a stored text, as many as its bytes `raw`; its end, or nullptr for
// a day outside the years 1 to 9999, whose text the date format makes.
[[gnu::always_inline]] inline char16_t *WriteSlot(char16_t *at, TSlotText how, const uchar *slot,
                                                  QByteArrayView raw) {
    switch (how) {
    case TSlotText::Field:
        return at;
    case TSlotText::Utf8:
        return WriteUtf8(at, raw);
    case TSlotText::Int16:
        return WriteIntText(at, SlotValue<qint16>(slot));
    case TSlotText::Int32:
        return WriteIntText(at, SlotValue<qint32>(slot));
    case TSlotText::Int64:
        return WriteIntText(at, SlotValue<qint64>(slot));
    case TSlotText::Bool: {
        static constexpr char16_t kTrue[] = u"True", kFalse[] = u"False";
        const bool value = *slot != 0;
        CopyUnits(at, value ? kTrue : kFalse, value ? 4 : 5);
        return at + (value ? 4 : 5);
    }
    case TSlotText::Float:
        return WriteFloatText(at, SlotValue<double>(slot));
    case TSlotText::Currency:
        return WriteCurrencyText(at, SlotValue<qint64>(slot));
    case TSlotText::Date:
        return WriteDateText(at, SlotValue<double>(slot));
    }
    return at;
}

} // namespace

TSlotText TRowTexts::SlotTextOf(const TField &field) {
    const TDataSet *ds = field.FDataSet;
    if (!ds || !ds->FStore || field.FFieldKind != fkData || field.FFieldNo < 0 || field.OnGetText ||
        !field.FEditFormat.isEmpty() || !field.PlainStoredText())
        return TSlotText::Field;
    const TRecordLayout &layout = ds->FStore->Layout();
    if (field.FFieldNo >= layout.Count())
        return TSlotText::Field;
    // Straight from the slot when it holds the field's own type; a field read through a slot
    // of another type converts as Text() does.
    const TStoreKind kind = layout.Kind(field.FFieldNo);
    const auto when = [kind](TStoreKind stored, TSlotText how) {
        return kind == stored ? how : TSlotText::Field;
    };
    switch (field.FDataType) {
    case ftString:
    case ftWideString:
    case ftMemo:
        return when(TStoreKind::Text, TSlotText::Utf8);
    case ftSmallint:
        return when(TStoreKind::Int16, TSlotText::Int16);
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return when(TStoreKind::Int32, TSlotText::Int32);
    case ftLargeint:
        return when(TStoreKind::Int64, TSlotText::Int64);
    case ftBoolean:
        return when(TStoreKind::Bool, TSlotText::Bool);
    case ftFloat:
        return when(TStoreKind::Double, TSlotText::Float);
    case ftCurrency:
    case ftBCD:
        return when(TStoreKind::Currency, TSlotText::Currency);
    case ftDate:
        return when(TStoreKind::Date, TSlotText::Date);
    default:
        return TSlotText::Field;
    }
}

void TRowTexts::AppendSlot(TTextBuffer &out, TSlotText how, const TRecordLayout &layout,
                           const uchar *rec, int fieldNo) {
    const QByteArrayView raw = how == TSlotText::Utf8 ? layout.Raw(rec, fieldNo) : QByteArrayView();
    const uchar *slot = layout.Slot(rec, fieldNo);
    char16_t *const at = out.Extend(how == TSlotText::Utf8 ? raw.size() : RoomOf(how));
    if (const char16_t *end = WriteSlot(at, how, slot, raw)) {
        out.EndAt(end);
        return;
    }
    out.EndAt(at);
    AppendDateText(out, TDateTime(SlotValue<double>(slot)));
}

void TRowTexts::Reset(const std::vector<TField *> &fields, const std::vector<bool> &left) {
    FColumns.clear();
    FColumns.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        FColumns.push_back(
            {fields[i], i < left.size() && left[i], TSlotText::Field, -1, 0, 0, 0, 0, 0, 0});
    Plan();
}

void TRowTexts::Plan() {
    FDataSet = nullptr;
    FStore.reset();
    FLayout = nullptr;
    FRecord = nullptr;
    FOffsetsKnown = false;
    for (TColumn &column : FColumns) {
        column.How = column.Left ? TSlotText::Field : TRowTexts::SlotTextOf(*column.Field);
        column.FieldNo = column.Field->FFieldNo;
        column.Room = RoomOf(column.How);
        column.NullByte = column.FieldNo >= 0 ? column.FieldNo >> 3 : 0;
        column.NullMask = static_cast<uchar>(column.FieldNo >= 0 ? 1u << (column.FieldNo & 7) : 0);
        column.Offset = 0;
        if (column.How == TSlotText::Field)
            continue;
        // The columns read one record: fields of another dataset make their own text.
        if (!FDataSet) {
            FDataSet = column.Field->FDataSet;
            FStore = FDataSet->FStore;
            FLayout = &FStore->Layout();
        } else if (column.Field->FDataSet != FDataSet) {
            column.How = TSlotText::Field;
        }
    }
    PlanRuns();
}

void TRowTexts::PlanRuns() {
    // From each column, the run of columns read from the record up to the first that makes its
    // own text, and the room they take but for their stored texts' bytes.
    const int count = Count();
    FTextColumns.clear();
    FRaws.assign(static_cast<size_t>(count), QByteArrayView());
    int runEnd = count;
    qsizetype runRoom = 0;
    for (int i = count - 1; i >= 0; --i) {
        TColumn &column = FColumns[static_cast<size_t>(i)];
        if (column.How == TSlotText::Field) {
            runEnd = i;
            runRoom = 0;
        } else {
            runRoom += 3 + column.Room;
        }
        column.RunEnd = runEnd;
        column.RunRoom = runRoom;
    }
    for (int i = 0; i < count; ++i)
        if (FColumns[static_cast<size_t>(i)].How == TSlotText::Utf8)
            FTextColumns.push_back(i);
}

void TRowTexts::Seek() {
    FRecord = nullptr;
    if (!FDataSet)
        return;
    if (FDataSet->FStore != FStore)
        Plan();
    if (!FDataSet)
        return;
    FRecord = FDataSet->StoredRecord();
    // Where the fixed-size slots are in a record, the same in every one.
    if (FRecord && !FOffsetsKnown) {
        for (TColumn &column : FColumns)
            if (column.How != TSlotText::Field && column.How != TSlotText::Utf8)
                column.Offset =
                    static_cast<quint32>(FLayout->Slot(FRecord, column.FieldNo) - FRecord);
        FOffsetsKnown = true;
    }
}

int TRowTexts::WriteDelimited(int from, TTextBuffer &line, char16_t delimiter, char16_t quote,
                              qsizetype *starts, qsizetype *ends, bool &plain) const {
    if (!FRecord || from >= Count())
        return from;
    const uchar *const rec = FRecord;
    const TRecordLayout &layout = *FLayout;
    // The room for the columns up to the first that makes its own text: separators, quotes and
    // the texts, taken once for them all; the stored texts' bytes are looked up once.
    const TColumn &first = FColumns[static_cast<size_t>(from)];
    const int last = first.RunEnd;
    qsizetype room = first.RunRoom;
    // The texts of numbers, dates and booleans are made of letters, digits and "-./", never
    // of the quote or the separator when those are other ASCII characters: the stored texts'
    // bytes are then all that need looking at (UTF-8 writes no ASCII byte but for an ASCII
    // character), and that is done here, before the line is written.
    const char16_t other = quote ? quote : delimiter;
    const bool byBytes = plain && OutsideValueTexts(other) && OutsideValueTexts(delimiter);
    int holding = last; // the first stored text holding the quote or the separator
    for (const int text : FTextColumns)
        if (text >= from && text < last) {
            const QByteArrayView raw = layout.Raw(rec, FColumns[static_cast<size_t>(text)].FieldNo);
            FRaws[static_cast<size_t>(text)] = raw;
            room += raw.size();
            if (byBytes && holding == last &&
                AsciiRuns::HasEitherByte(raw.data(), raw.size(), static_cast<char>(other),
                                         static_cast<char>(delimiter)))
                holding = text;
        }
    const qsizetype size = line.Size();
    char16_t *at = line.Extend(room);
    char16_t *const base = at - size;
    char16_t *const runStart = at;
    // The columns from `from` on, with or without quotes; the column they stopped at.
    const auto write = [&](auto quoted) -> int {
        constexpr bool kQuoted = decltype(quoted)::value;
        for (int i = from; i < last; ++i) {
            const TColumn &column = FColumns[static_cast<size_t>(i)];
            char16_t *const columnStart = at;
            if (i > 0)
                *at++ = delimiter;
            if constexpr (kQuoted)
                *at++ = quote;
            char16_t *const text = at;
            if (!(rec[column.NullByte] & column.NullMask)) {
                // A day outside the years 1 to 9999 is left to the field, the line ending
                // before its column.
                at = WriteSlot(at, column.How, rec + column.Offset, FRaws[static_cast<size_t>(i)]);
                if (!at) {
                    at = columnStart;
                    return i;
                }
            }
            starts[i] = text - base;
            ends[i] = at - base;
            // Quoted values take their quotes, an empty unquoted value a blank that keeps its
            // place.
            if constexpr (kQuoted)
                *at++ = quote;
            else if (at == text)
                *at++ = u' ';
        }
        return last;
    };
    const int end = quote ? write(std::true_type()) : write(std::false_type());
    line.EndAt(at);
    // A value holding the quote or the separator makes the line no plain one: a stored text
    // of the columns written found holding one above or, where the bytes did not tell, the
    // columns' run holding more of them than its own separators and quotes.
    if (byBytes) {
        plain = holding >= end;
    } else if (plain && end > from) {
        const qsizetype columns = end - from;
        const qsizetype own = (from > 0 ? columns : columns - 1) + (quote ? 2 * columns : 0);
        plain = AsciiRuns::CountEither(runStart, at - runStart, other, delimiter) == own;
    }
    return end;
}
