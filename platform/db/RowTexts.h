#pragma once
// TRowTexts: the texts of a row of fields written one after another, each as the field's
// AppendText writes it, record after record. An export writes the same fields for every record;
// how each one is read from the stored record is sorted out once, and the record is found once
// a row instead of once a field.

#include "RecordStore.h"
#include "TextBuffer.h"

#include <cstring>
#include <memory>
#include <vector>

class TDataSet;
class TField;

// How a field's text is read straight from its slot of a stored record; Field when it is made
// by the field (Text()).
enum class TSlotText : quint8 { Field, Utf8, Int16, Int32, Int64, Bool, Float, Currency, Date };

class TRowTexts {
public:
    // The fields of the row; those whose `left` is true are left to the caller, WriteDelimited
    // stopping at them as at a field that makes its own text.
    void Reset(const std::vector<TField *> &fields, const std::vector<bool> &left = {});
    int Count() const { return static_cast<int>(FColumns.size()); }

    // Finds the record the fields read now; call before each row is written.
    void Seek();
    // Writes the texts of the columns from `from` on as a delimited line holds them: the
    // separator in front of every value but the first, each value in quotes when quote is not
    // 0, an empty value without quotes a blank. Value i's text is line[starts[i], ends[i]).
    // `plain` is cleared when a value holds the quote or the separator. Stops at the first
    // column whose text its field makes (all of them while the fields read no stored record)
    // and returns its index, or Count().
    int WriteDelimited(int from, TTextBuffer &line, char16_t delimiter, char16_t quote,
                       qsizetype *starts, qsizetype *ends, bool &plain) const;

    // How a field's stored value is read for its text: straight from the slot for a data
    // field of a dataset, without an OnGetText or an edit format, that makes no text of its own
    // and whose slot holds its own type; Field otherwise.
    static TSlotText SlotTextOf(const TField &field);
    // The text of a stored value (not null) of field fieldNo read as `how` (not Field).
    static void AppendSlot(TTextBuffer &out, TSlotText how, const TRecordLayout &layout,
                           const uchar *rec, int fieldNo);

private:
    struct TColumn {
        TField *Field;
        bool Left; // left to the caller
        TSlotText How;
        int FieldNo;
        qsizetype Room; // the most units its text takes, but for a stored text
        // Where the field's null bit is, and its fixed-size slot in a record.
        int NullByte;
        uchar NullMask;
        quint32 Offset;
        // The first column from this one on that makes its own text, and the room the columns
        // before it take but for their stored texts' bytes.
        int RunEnd;
        qsizetype RunRoom;
    };
    void Plan();
    void PlanRuns();

    std::vector<TColumn> FColumns;
    // The dataset whose record the columns read from their slots, and its store when the
    // columns were planned: a dataset opened again has another store and is planned again
    // (the planned one is held, so that the new one cannot take its place in memory).
    TDataSet *FDataSet = nullptr;
    std::shared_ptr<TRecordStore> FStore;
    const TRecordLayout *FLayout = nullptr;
    const uchar *FRecord = nullptr;
    bool FOffsetsKnown = false;
    std::vector<int> FTextColumns; // the columns of stored texts
    // The stored texts' bytes in the record being written, by column.
    mutable std::vector<QByteArrayView> FRaws;
};

template <typename T> T SlotValue(const uchar *slot) {
    T value;
    std::memcpy(&value, slot, sizeof(T));
    return value;
}
