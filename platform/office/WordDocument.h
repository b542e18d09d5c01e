#pragma once
// The word-processing document model: an Office Open XML (.docx) document made from a
// template and filled in place. It offers what the report engine needs of a word processor:
// bookmarks, legacy form fields, tables with their rows, columns and cells, ranges of the
// document with their text, page breaks, another document inserted at a range, pictures, and
// saving as .docx or (through the office suite) as PDF.
//
// The template package is read once and never written. The main part is parsed once; an
// index of bookmarks, form fields and tables is kept up to date as the document grows, so
// appending the thousandth copy of a template costs what the first did: content that lies
// before an append at the end of the document and holds no bookmark is kept as finished
// text (it is parsed back only when something reaches into it, e.g. an earlier table by
// position), and saving streams that text into the package.
//
// Positions of collections are 1-based, as in a word processor's object model. Handles
// (TWordBookmark, TWordFormField, TWordTable, TWordRange) stay valid while their document
// lives; using the handle of a deleted bookmark raises EOfficeError.
//
// Text written into a range keeps the formatting of the run it lands in. In written text
// CR LF (or a lone CR or LF) starts a new paragraph, TAB is a tab, VT (11) a line break and
// FF (12) a page break; characters XML 1.0 forbids are dropped. Runs with Chinese text carry
// the East-Asian font hint so that every reader uses the East-Asian face.

#include "OfficeErrors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class TWordDocument;
struct TWordDocumentData;
struct TWordItem;

// Word's numbers for the values the engine passes around.
enum TWdCollapseDirection { wdCollapseEnd = 0, wdCollapseStart = 1 };
enum TWdBreakType { wdPageBreak = 7 };
enum TWdFieldType {
    wdFieldFormTextInput = 70,
    wdFieldFormCheckBox = 71,
    wdFieldFormDropDown = 83,
};
// Save formats: wdFormatDocument writes Office Open XML here (.docx).
enum TWdSaveFormat { wdFormatDocument = 0, wdFormatPDF = 17 };

class TWordTable;

// A span of the document. Ranges of bookmarks and cells follow their bookmark or cell as the
// document changes; a collapsed range is an insertion point.
class TWordRange {
public:
    TWordRange() = default;
    bool IsNull() const { return FKind == kNone; }

    // The text of the range: paragraphs end in CR (but for the last one of a cell or of the
    // last sentence), tabs
    // and breaks as above; field codes are left out, form fields show their result.
    QString Text() const;
    // Replaces the range's content with the text; the range then covers the new text.
    void SetText(const QString &text);
    // Insert at the start or end of the range; the range grows to cover the new text.
    void InsertBefore(const QString &text);
    void InsertAfter(const QString &text);
    // Makes the range an insertion point at its start or end.
    void Collapse(int direction = wdCollapseStart);
    // Inserts a break (only wdPageBreak) at the end of the range, which then stands after it.
    void InsertBreak(int type = wdPageBreak);
    // Inserts the body of another .docx at the end of the range, bringing along the styles,
    // numbering, pictures and relationships it needs; the range then stands after it.
    void InsertFile(const QString &fileName);
    // Replaces the range's content with an inline picture (PNG, JPEG or BMP bytes) of the
    // picture's own size (narrowed to the text width when wider). Raises EOfficeError for
    // bytes that are no picture.
    void InsertPicture(const QByteArray &bytes);

    TWordDocument *Document() const { return FDocument; }

private:
    friend class TWordDocument;
    friend struct TWordDocumentData;
    friend class TWordTable;
    friend class TWordBookmark;
    friend class TWordFormField;
    enum TKind { kNone, kBookmark, kCell, kContent, kSpan, kLastParagraph, kFormField };
    TWordDocument *FDocument = nullptr;
    TKind FKind = kNone;
    std::shared_ptr<TWordItem> FItem; // bookmark, cell's table, form field
    int FRow = 0, FCol = 0;           // cell
    // kSpan: from the position before FStartBefore in FStartParent to the position before
    // FEndBefore in FEndParent (a null "before" is the end of the parent). Internal nodes,
    // valid while the document's generation is FGeneration.
    void *FStartParent = nullptr, *FStartBefore = nullptr;
    void *FEndParent = nullptr, *FEndBefore = nullptr;
    quint64 FGeneration = 0;
    // Makes the range an insertion point before `before` in `parent`.
    void BecomePoint(void *parent, void *before, quint64 generation);
};

class TWordBookmark {
public:
    TWordBookmark() = default;
    bool IsNull() const { return !FItem; }
    QString Name() const;
    TWordRange Range() const;
    // Removes the bookmark (its text stays in the document).
    void Delete();

private:
    friend class TWordDocument;
    friend struct TWordDocumentData;
    TWordDocument *FDocument = nullptr;
    std::shared_ptr<TWordItem> FItem;
};

// A legacy form field: a text input, a check box or a drop-down.
class TWordFormField {
public:
    TWordFormField() = default;
    bool IsNull() const { return !FItem; }
    QString Name() const;
    // wdFieldFormTextInput, wdFieldFormCheckBox or wdFieldFormDropDown.
    int Type() const;
    // The text shown: the input's text, the chosen entry of a drop-down, "1"/"0" for a check
    // box. Setting a drop-down's result chooses the entry with that text (no such entry:
    // nothing changes); setting a check box's result is not possible (use SetCheckBoxValue).
    QString Result() const;
    void SetResult(const QString &text);
    bool CheckBoxValue() const;
    void SetCheckBoxValue(bool checked);
    QStringList DropDownEntries() const;
    TWordRange Range() const;

private:
    friend class TWordDocument;
    friend struct TWordDocumentData;
    TWordDocument *FDocument = nullptr;
    std::shared_ptr<TWordItem> FItem;
};

class TWordTable {
public:
    TWordTable() = default;
    bool IsNull() const { return !FItem; }
    int RowCount() const;
    // Columns of the table's grid (the most cells any row has).
    int ColumnCount() const;
    // Appends a row like the last one, with empty cells.
    void AddRow();
    // Appends a column like the last one, with empty cells, to every row.
    void AddColumn();
    // The range of the cell in row `row`, cell `col` of that row (both 1-based); raises
    // EOfficeError when there is no such cell.
    TWordRange Cell(int row, int col) const;

private:
    friend class TWordDocument;
    friend struct TWordDocumentData;
    friend class TWordRange;
    TWordDocument *FDocument = nullptr;
    std::shared_ptr<TWordItem> FItem;
};

class TWordDocument {
public:
    // A new document based on the template (a .docx); the template file is only read.
    // Raises EOfficeError naming the file and the reason when it is missing, not a zip, has
    // no main document part or holds malformed XML.
    static std::unique_ptr<TWordDocument> FromTemplate(const QString &templateFile);
    // Reads a document from bytes (the reader the fuzz target drives); `name` names it in
    // messages.
    static std::unique_ptr<TWordDocument> FromBytes(const QByteArray &package, const QString &name);
    ~TWordDocument();
    TWordDocument(const TWordDocument &) = delete;
    TWordDocument &operator=(const TWordDocument &) = delete;

    // The template the document was made from, and the file it was last saved as (empty
    // until saved).
    QString TemplateName() const;
    QString FullName() const;
    // Whether there are changes since the document was made or last saved.
    bool Saved() const;

    // Bookmarks, in the order they start in the document.
    int BookmarkCount() const;
    TWordBookmark Bookmark(int index) const;
    // The bookmark of that name (letter case ignored, as a word processor does); null when
    // there is none.
    TWordBookmark Bookmark(const QString &name) const;
    bool BookmarkExists(const QString &name) const;

    int FormFieldCount() const;
    TWordFormField FormField(int index) const;

    int TableCount() const;
    TWordTable Table(int index) const;
    // Adds a table of rows × columns with single borders at the range (replacing its content,
    // splitting its paragraph when the range lies inside one).
    TWordTable AddTable(const TWordRange &range, int rows, int columns);

    // The whole main story, and the document's last sentence (the last paragraph: text
    // written after it ends up at the end of the document).
    TWordRange Content();
    TWordRange LastSentence();

    // Writes the document: wdFormatDocument as .docx, wdFormatPDF through the office suite.
    // Atomic: a temporary file beside the target, then a rename. Raises EOfficeError.
    void SaveAs(const QString &fileName, int fileFormat = wdFormatDocument);
    // Writes a .docx copy without making it the document's file.
    void SaveCopyAs(const QString &fileName);
    // The package bytes as SaveAs would write them (for tests and the benchmark floor).
    QByteArray SaveToBytes();
    // The main part's XML as it would be saved.
    QByteArray DocumentXml();

private:
    TWordDocument();
    friend class TWordRange;
    friend class TWordBookmark;
    friend class TWordFormField;
    friend class TWordTable;
    std::unique_ptr<TWordDocumentData> d;
};
