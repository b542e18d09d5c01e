#pragma once
// The spreadsheet model: an Office Open XML workbook (.xlsx) made from a template and filled
// in place. It offers what an export to a spreadsheet needs: the workbook's worksheets (by
// position and by name, their visibility, the active one), ranges of cells that take a whole
// row of values in one call and a number format, and saving as .xlsx or (through the office
// suite) as PDF.
//
// The template package is read once and never written. Worksheets of the template are parsed
// once (templates are small); rows written in increasing order are not added to that tree but
// kept as finished XML text, so an export of a hundred thousand rows holds text, not nodes.
// At save the template's own rows and the written rows are merged in row order (a written cell
// replaces the template cell at its place, the other cells of the row stay) and streamed into
// the package. Writing a row at or above one written before, or a number format over written
// rows, folds the written text back into the tree first (slower, but the sheet stays right).
//
// Positions are 1-based, as in a spreadsheet's object model; a cell is (column, row). The
// Worksheets collection holds the workbook's worksheets in the workbook's order; chart sheets
// and other kinds of sheet are not part of it (they are kept in the file as they were, and the
// active tab is counted over all sheets as the file does).
//
// Values: text, integers, floats, currency, booleans and dates. A date becomes a date serial
// (days since 1899-12-30) with a date style ("yyyy/mm/dd", or "yyyy/mm/dd hh:mm:ss" when it has
// a time) unless its cell already shows dates; a cell formatted as text ("@") takes a date as
// its text. Text that reads as a number becomes a number, except in a cell formatted as text,
// where it stays as written ("00123"). Text is written inline; characters XML 1.0 forbids are
// dropped, and text longer than a cell holds (32,767 characters) is cut there. An empty or null
// value clears the cell's value and keeps its style. A written cell keeps the style of the
// template cell it replaces unless a number format was set on it.

#include "OfficeErrors.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class Variant;
class TExcelWorkbook;
struct TExcelWorkbookData;
struct TExcelSheetData;

// Sheet visibility as a spreadsheet's object model numbers it.
enum TXlSheetVisibility { xlSheetVisible = -1, xlSheetHidden = 0, xlSheetVeryHidden = 2 };
// Save formats: xlOpenXMLWorkbook (.xlsx) and xlTypePDF (through the office suite).
enum TXlFileFormat { xlOpenXMLWorkbook = 51, xlTypePDF = 57 };

// What a worksheet holds in memory, for checks that an export stays small.
struct TExcelSheetMemory {
    int TreeRows = 0;         // rows held as parsed nodes (the template's, and folded ones)
    int StreamedRows = 0;     // rows held as finished XML text
    qint64 StreamedBytes = 0; // the size of that text
    int Chunks = 0;           // the text buffers that hold it
    qint64 HeldBytes = 0;     // the part of it still in memory (the rest is in a temporary file)
};

// A rectangle of cells of one worksheet, from (Col1, Row1) to (Col2, Row2).
class TExcelRange {
public:
    TExcelRange() = default;
    bool IsNull() const { return !FSheet; }
    int Column() const { return FCol1; }
    int Row() const { return FRow1; }
    int LastColumn() const { return FCol2; }
    int LastRow() const { return FRow2; }
    int ColumnCount() const { return FCol2 - FCol1 + 1; }
    int RowCount() const { return FRow2 - FRow1 + 1; }
    // "B3" or "B3:D7".
    QString Address() const;

    // The value of the range's first cell: empty, a boolean, a double (numbers), a TDateTime
    // (numbers shown as dates), a string, or an error text ("#N/A") as a string; a formula
    // gives its last computed value.
    Variant Value() const;
    QVariant ValueAsQVariant() const;
    // Writes values: an array (of Variant, or a QVariantList) is laid out along each row of
    // the range, one element per column (missing elements clear their cell, extra ones are
    // left out); a single value goes into every cell. Raises EOfficeError for values a cell
    // cannot hold (raw bytes, nested arrays).
    void SetValue(const Variant &value);
    void SetValue(const QVariant &value);
    // The number format code of the first cell ("General", "@", "yyyy/mm/dd", ...), and the
    // format set on every cell of the range (written later or already there).
    QString NumberFormat() const;
    void SetNumberFormat(const QString &code);

private:
    friend class TExcelWorksheet;
    TExcelWorkbook *FBook = nullptr;
    TExcelSheetData *FSheet = nullptr;
    int FCol1 = 0, FRow1 = 0, FCol2 = 0, FRow2 = 0;
};

class TExcelWorksheet {
public:
    TExcelWorksheet() = default;
    bool IsNull() const { return !FSheet; }
    QString Name() const;
    // 1-based position in the Worksheets collection.
    int Index() const;
    // xlSheetVisible, xlSheetHidden or xlSheetVeryHidden. Hiding the workbook's last visible
    // sheet raises EOfficeError (a workbook shows at least one); hiding the active sheet makes
    // the next visible sheet active.
    int Visible() const;
    void SetVisible(int visibility);
    // Makes the sheet the workbook's active tab, the only one selected. Raises EOfficeError
    // for a hidden sheet.
    void Activate();

    // One cell, and the range between two cells (given in either order). Raise EOfficeError
    // outside 1..16384 columns and 1..1048576 rows.
    TExcelRange Cell(int col, int row) const;
    TExcelRange Range(int col1, int row1, int col2, int row2) const;
    // The used area as the saved sheet's dimension gives it ("A1" when empty).
    QString UsedAddress() const;
    TExcelSheetMemory Memory() const;

    bool operator==(const TExcelWorksheet &other) const { return FSheet == other.FSheet; }

private:
    friend class TExcelWorkbook;
    TExcelWorkbook *FBook = nullptr;
    TExcelSheetData *FSheet = nullptr;
};

class TExcelWorkbook {
public:
    // A new workbook based on the template (an .xlsx); the template file is only read.
    // Raises EOfficeError naming the file and the reason when it is missing, not a zip, has
    // no workbook part or holds malformed XML.
    static std::unique_ptr<TExcelWorkbook> FromTemplate(const QString &templateFile);
    // Reads a workbook from bytes (the reader the fuzz target drives); `name` names it in
    // messages.
    static std::unique_ptr<TExcelWorkbook> FromBytes(const QByteArray &package,
                                                     const QString &name);
    ~TExcelWorkbook();
    TExcelWorkbook(const TExcelWorkbook &) = delete;
    TExcelWorkbook &operator=(const TExcelWorkbook &) = delete;

    QString TemplateName() const;
    // The file the workbook was last saved as (empty until saved), and its name: the file's
    // name once saved, before that the template's base name followed by "1".
    QString FullName() const;
    QString Name() const;
    // Whether there are changes since the workbook was made or last saved.
    bool Saved() const;

    int WorksheetCount() const;
    // The worksheet at a position (raises EOfficeError outside 1..count), and by name (letter
    // case ignored, as sheet names are; null when there is none).
    TExcelWorksheet Worksheet(int index) const;
    TExcelWorksheet Worksheet(const QString &name) const;
    QStringList WorksheetNames() const;
    // Worksheets.Add: a new empty worksheet after the last sheet (the active tab stays), named
    // `name` or, when that is blank, "工作表N" with the first N no sheet has. Raises
    // EOfficeError, changing nothing, for a name a sheet cannot have: over 31 characters, one
    // of : \ / ? * [ ], an apostrophe first or last, or another sheet's name (letter case
    // ignored). OnNewSheet runs afterwards.
    TExcelWorksheet AddWorksheet(const QString &name = {});
    std::function<void(TExcelWorkbook *, const TExcelWorksheet &)> OnNewSheet;
    // The worksheet of the active tab (null when that tab is a chart or another kind of sheet).
    TExcelWorksheet ActiveSheet() const;

    // Writes the workbook: xlOpenXMLWorkbook as .xlsx, xlTypePDF through the office suite.
    // Atomic: a temporary file beside the target, then a rename. Raises EOfficeError.
    void SaveAs(const QString &fileName, int fileFormat = xlOpenXMLWorkbook);
    // Saves to FullName(); raises EOfficeError when the workbook was never saved.
    void Save();
    // The package bytes as SaveAs would write them.
    QByteArray SaveToBytes();
    // The worksheet part's XML as it would be saved.
    QByteArray SheetXml(const TExcelWorksheet &sheet);

    // Closes the workbook, saving it first when saveChanges is set (as fileName, or as
    // FullName() when fileName is empty: then a workbook never saved raises EOfficeError and
    // stays open). OnBeforeClose runs first. Afterwards every call but the names raises.
    void Close(bool saveChanges, const QString &fileName = {});
    bool IsClosed() const;
    std::function<void(TExcelWorkbook *)> OnBeforeClose;

    // A1-style names: column 1 → "A", 27 → "AA", 16384 → "XFD"; (3, 12) → "C12".
    static QString ColumnName(int col);
    static QString CellName(int col, int row);

private:
    TExcelWorkbook();
    friend class TExcelWorksheet;
    friend class TExcelRange;
    std::unique_ptr<TExcelWorkbookData> d;
};
