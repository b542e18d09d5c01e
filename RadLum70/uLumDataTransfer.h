#pragma once
// Text export and import of a dataset's rows. One line per record, one column per visible
// field, either delimited (a separator character, values optionally quoted, a separator inside
// a value written twice) or fixed-width (each column as wide as its field's display width,
// counted in bytes of Big5 text: a Chinese character takes two and is never cut in half).
// Blob values do not go into the lines: their bytes are appended to BlobStream, saved beside
// the text file as its ".mem" file, and the line holds their byte count.
//
// The converter only converts. Export reads the dataset; import hands every decomposed line
// to the events, and the events write the values wherever the caller wants them. An import
// that fails part-way (a malformed line, a short side file, an event that raises) takes back
// what the events wrote to a client dataset: the entries they added to its change log are
// undone, or, while the dataset logs no changes, its records as they were before the import
// are put back. Files are written completely or not at all.

#include "Component.h"
#include "DataSet.h"
#include "RowTexts.h"
#include "StringList.h"
#include "TextBuffer.h"

#include <QBuffer>
#include <functional>
#include <vector>

LUM_DECLARE_EXCEPTION(TLumDataSetConverterCustError, Exception);

// The row list: one entry per visible field of the dataset, in field order. Each entry holds
// its field and a text, first the field's name, then the field's value as text for the line
// being composed or decomposed.
//
// While a delimited line is composed, the line is kept in one buffer and an entry's text
// (the value in its quotes) is made only when it is read: an export whose events do not look
// at the entries makes no string per value. Emptied entries are likewise emptied when read or
// written, so that a line that fills them all costs nothing for the emptying.
class TLumRowList {
public:
    TLumRowList() = default;
    TLumRowList(const TLumRowList &) = delete;
    TLumRowList &operator=(const TLumRowList &) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Raise EStringListError "List index out of bounds (%d)" outside 0..Count-1.
    const QString &Strings(int index) const {
        CheckIndex(index);
        const TItem &item = FItems[static_cast<size_t>(index)];
        if (item.State != TState::Ready)
            MakeText(index);
        return item.Text;
    }
    const QString &operator[](int index) const { return Strings(index); }
    void SetStrings(int index, const QString &text);
    TField *Fields(int index) const {
        CheckIndex(index);
        return FItems[static_cast<size_t>(index)].Field;
    }
    // The entry of a field by its name (any letter case), or -1.
    int IndexOfField(const QString &fieldName) const;
    void Add(const QString &text, TField *field) {
        FItems.push_back({text, field, TState::Ready});
        FTextsPlanned = false;
    }
    void Clear() {
        FItems.clear();
        FTextsPlanned = false;
    }

private:
    friend class TLumDataSetConverterCust;
    enum class TState : quint8 {
        Ready,      // Text is the entry's text
        FromValues, // the text is still the value in FValues
        Empty,      // the entry was emptied
    };
    struct TItem {
        mutable QString Text;
        TField *Field;
        mutable TState State;
    };
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count())
            IndexError(index);
    }
    [[noreturn]] static void IndexError(int index);
    // The entry's text for the converter to overwrite whole: its room is reused line by line.
    QString &Text(int index) {
        CheckIndex(index);
        const TItem &item = FItems[static_cast<size_t>(index)];
        item.State = TState::Ready;
        return item.Text;
    }
    void SetState(TState state) {
        for (const TItem &item : FItems)
            item.State = state;
    }
    // Makes entry index's text: empty, or from its value, in quotes (a quote inside written
    // twice) when FQuote is set.
    void MakeText(int index) const;

    std::vector<TItem> FItems;
    // The line being composed, and where each value starts and ends in it.
    TTextBuffer FValues;
    std::vector<qsizetype> FValueStarts;
    std::vector<qsizetype> FValueEnds;
    char16_t FQuote = 0;
    // The fields' texts as a line is composed, planned for the entries' fields when first used.
    TRowTexts FTexts;
    bool FTextsPlanned = false;
};

using TLumLineTextConvertEvent =
    std::function<void(QObject *sender, TLumRowList &lineCol, QString &lineText)>;
using TLumCompleteExportEvent =
    std::function<void(QObject *sender, TStringList &lines, QBuffer &blobStream)>;
// The stream holds one blob value, rewound; it lives only for the call.
using TLumImportBolbFieldEvent =
    std::function<void(QObject *sender, TLumRowList &lineCol, TField *field, QBuffer &blobStream)>;

class TLumDataSetConverterCust : public TComponent {
    Q_OBJECT
public:
    explicit TLumDataSetConverterCust(QObject *owner = nullptr);
    ~TLumDataSetConverterCust() override;
    QString ClassName() const override { return QStringLiteral("TLumDataSetConverterCust"); }

    // The rows; not owned, forgotten when the dataset goes away.
    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    // Separator of delimited lines (default tab); QChar(0) selects fixed-width lines.
    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar delimiter) { FDelimiter = delimiter; }
    // Quote around every value (default "); QChar(0) switches quoting off.
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar quoteChar) { FQuoteChar = quoteChar; }
    TStringList &Lines() { return FLines; }
    const TStringList &Lines() const { return FLines; }
    void SetLines(const TStringList &lines) { FLines.Assign(lines); }
    // The bytes of every blob value, in line order and field order.
    QBuffer &BlobStream() { return FBlobStream; }
    // Copies the whole content of the stream, whatever its position, and rewinds.
    void SetBlobStream(const QBuffer &stream);

    // Dataset → Lines and BlobStream. Raises "Dataset is not specified", "Dataset is not
    // active"; on any failure Lines and BlobStream are left empty. The dataset's position and
    // controls are restored on every path.
    void DataExportConvert();
    // Lines and BlobStream → the row list, line by line, handed to the events.
    void DataImportConvert();

    // Writes Lines (Big5, lines ended by CR LF) to fileName and, when BlobStream holds bytes,
    // those to blobFileName: by default the file name with its extension replaced by ".mem".
    // Both files are written completely or not at all; a text that Big5 cannot carry raises
    // EEncodingError, a file that cannot be written EInOutError.
    void SaveToFile(const QString &fileName, const QString &blobFileName = QString());
    // Reads Lines from fileName (Big5, or UTF-8 after a byte-order mark) and BlobStream from
    // blobFileName (emptied when none is given). Nothing changes unless both reads succeed;
    // bytes that are not text of the file's encoding raise EEncodingError.
    void LoadFromFile(const QString &fileName, const QString &blobFileName = QString());

    // Fills the row list from the visible fields (names as texts), or empties every text.
    void SetRowFields(TLumRowList &list) const;
    static void ClearRowFields(TLumRowList &list);

    // S fitted to Width bytes of Big5 text: shorter text is padded (in front for right
    // alignment, behind otherwise), longer text keeps its last (right alignment) or first
    // Width bytes. A double-byte character that would be cut is left out and its place padded.
    // PadChar is a one-byte character. A sign is not treated specially.
    static QString FixedString(const QString &S, int Width, QChar PadChar, TAlignment Alignment);
    QString QuotedString(const QString &S) const;
    QString UnQuotedString(const QString &S) const;

    // Fields written outside the lines: blob, memo and graphic.
    static bool IsBlobField(const TField *field) { return field && IsBlobType(field->DataType()); }
    // The bytes a blob field carries in BlobStream (a memo's text as Big5, raising
    // EEncodingError for a character Big5 cannot carry) and the way back.
    static QByteArray BlobFieldBytes(const TField *field);
    static void SetBlobFieldBytes(TField *field, const QByteArray &bytes);
    // Number of bytes of the text in Big5 (characters Big5 cannot carry count one, as the "?"
    // they would become).
    static int Big5Width(QStringView text);

    // One line from the dataset's current record, and one line into the row list.
    virtual void LineComposing(TLumRowList &lineCol, QString &lineText);
    virtual void LineDeComposing(TLumRowList &lineCol, const QString &lineText);
    // The column of a non-blob field in fixed-width lines: its edit text fitted to its display
    // width. Numbers are padded with "0" after their sign (nulls with blanks) when right
    // aligned and with blanks otherwise, and lose decimals rather than digits when too wide;
    // a number whose whole part does not fit raises.
    virtual QString FieldFormula(TField *field);

    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    TLumLineTextConvertEvent OnLineComposing;
    TLumLineTextConvertEvent OnLineAfterComposed;
    TLumLineTextConvertEvent OnLineDeComposing;
    TLumLineTextConvertEvent OnLineAfterDeComposed;
    TLumCompleteExportEvent OnCompleteExport;
    TLumImportBolbFieldEvent OnImportBolbField;

private:
    void ComposeDelimited(TLumRowList &lineCol, QString &lineText);
    // Writes a delimited line into the row list's buffer; true when it is plain (the buffer
    // is the line), false when the line is to be joined from the entries.
    bool WriteDelimitedLine(TLumRowList &lineCol);
    // Joins the entries' texts with the separator, a separator inside one written twice.
    void JoinDelimited(const TLumRowList &lineCol, QString &lineText) const;
    void DecomposeDelimited(TLumRowList &lineCol, const QString &lineText) const;
    bool DecomposePlain(TLumRowList &lineCol, QStringView text) const;
    void DecomposeFixed(TLumRowList &lineCol, const QString &lineText) const;
    void AssignEntry(QString &entry, QStringView value) const;
    QString QuotedFixed(const QString &text, int width, QChar padChar, TAlignment alignment) const;
    void ImportLines(TLumRowList &lineCol);
    void ResetBlobStream(const QByteArray &bytes);

    TDataSet *FDataSet = nullptr;
    QChar FDelimiter = QChar(9);
    QChar FQuoteChar = QChar(34);
    TStringList FLines;
    QBuffer FBlobStream;
};

// The converter forms use: fixed-width, unquoted lines by default, and the six events.
class TLumDataSetConverter : public TLumDataSetConverterCust {
    Q_OBJECT
public:
    explicit TLumDataSetConverter(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumDataSetConverter"); }

    using TLumDataSetConverterCust::OnCompleteExport;
    using TLumDataSetConverterCust::OnImportBolbField;
    using TLumDataSetConverterCust::OnLineAfterComposed;
    using TLumDataSetConverterCust::OnLineAfterDeComposed;
    using TLumDataSetConverterCust::OnLineComposing;
    using TLumDataSetConverterCust::OnLineDeComposing;
};
