#pragma once
// The inside of the spreadsheet model, shared by Workbook.cpp (the package, the sheets, saving)
// and WorkbookCells.cpp (cells, rows, styles).

#include "OfficePackage.h"
#include "Variant.h"
#include "Workbook.h"

#include <QTemporaryFile>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace ExcelLimits {
constexpr int MaxColumn = 16384;
constexpr int MaxRow = 1048576;
constexpr int MaxCellText = 32767;
} // namespace ExcelLimits

[[noreturn]] void ExcelFail(const QString &name, const QString &reason);

// Parses a part; raises EOfficeError naming the package, the part and the reason.
void ParseXmlPart(pugi::xml_document &doc, const QByteArray &xml, const QString &package,
                  const QString &part);
// "x:" for a root named "x:worksheet", "" for "worksheet".
std::string PrefixOf(const pugi::xml_node &element);
std::string LocalName(const pugi::xml_node &element);
// The child named prefix+name, created at its place in `order` (the schema's sequence of
// local names) when there is none.
pugi::xml_node EnsureChild(pugi::xml_node parent, const std::string &prefix, const char *name,
                           const std::vector<const char *> &order);
// "B12" → (2, 12); false when it is no cell reference inside the sheet's limits.
bool ParseCellRef(const char *text, int &col, int &row);
// A serialized node appended to text.
// Text as XML character data (attributes too: quotes are escaped); characters XML 1.0 forbids
// are dropped.
void AppendEscaped(std::string &out, const QString &text);
bool IsTrue(const pugi::xml_attribute &attribute, bool otherwise);

// The workbook's styles part: cell formats and number formats.
struct TExcelStyles {
    QString Part;
    pugi::xml_document Doc;
    std::string P;
    bool Present = false; // a styles part exists (read or made)
    bool Changed = false;
    std::map<int, QString> Codes;                 // custom number formats
    std::vector<pugi::xml_node> Xfs;              // cellXfs in order
    std::map<std::pair<int, int>, int> Derived;   // (cell format, number format) → cell format
    std::map<int, bool> DateFormats, TextFormats; // by number format id, as computed

    void Index();
    int NumFmtOfXf(int xf) const;
    QString CodeOf(int numFmtId) const;
    bool IsDate(int numFmtId);
    bool IsText(int numFmtId);
    // The number format id of a code, added as a custom format when there is none.
    int NumFmtFor(const QString &code);
    // A cell format like `xf` with the number format `numFmtId`.
    int Derive(int xf, int numFmtId);
    // The parts every cell format needs, made when the template lacks them.
    void EnsureMinimal();
};

// A row kept as finished XML text in one of the sheet's chunks.
struct TStreamedRow {
    int Row = 0;
    quint32 Chunk = 0, Offset = 0, Length = 0;
};

// Finished rows, in order, as one piece of text and an index of where each row starts. A
// chunk that has gone to the spill file keeps only its place there and its first and last
// row in memory: its text and its index are read back when needed.
struct TStreamChunk {
    struct TEntry {
        int Row;
        quint32 Offset;
    };
    std::string Text;          // the rows' XML while in memory
    std::vector<TEntry> Index; // while in memory
    qint64 At = -1;            // place of the text in the spill file, -1 while in memory
    qint64 IndexAt = -1;       // place of the index there
    quint32 Size = 0, Count = 0;
    int FirstRow = 0, LastRow = 0;

    bool Spilled() const { return At >= 0; }
};

// A number format set over an area; cells made there later take it.
struct TFormatRule {
    int Col1, Row1, Col2, Row2, NumFmtId;
};

struct TColumnStyle {
    int Min, Max, Style;
};

struct TExcelSheetData {
    TExcelWorkbookData *Book = nullptr;
    QString Name, Part;
    pugi::xml_node Entry; // <sheet> of workbook.xml
    int Tab = 0;          // position among all sheets of the workbook
    int Index = 0;        // 1-based position among worksheets

    pugi::xml_document Doc;
    std::string P;
    pugi::xml_node Root, SheetData;
    std::map<int, pugi::xml_node> Rows; // rows of the tree by number
    std::vector<TColumnStyle> Columns;
    bool Changed = false;

    // Finished rows, in chunks of 64 kilobytes. Only the chunk being filled and the
    // one before stay in memory; older chunks (text and index) go to a temporary file, so a
    // long export holds little more than its last rows, whatever their number. A deque, so
    // that the list of chunks grows a block at a time and is never copied whole.
    std::deque<TStreamChunk> Chunks;
    std::shared_ptr<QTemporaryFile> Spill;
    int StreamedCount = 0;
    int StreamMinCol = 0, StreamMaxCol = 0;
    qint64 StreamedBytes = 0;
    std::vector<TFormatRule> Rules;

    void Load(const QString &packageName);
    // The XML text of a streamed row, from memory or from the spill file.
    std::string RowText(const TStreamedRow &row) const;
    // A chunk's row index, from memory or from the spill file.
    std::vector<TStreamChunk::TEntry> ChunkIndex(size_t chunk) const;
    // Every streamed row in order.
    void ForEachStreamed(const std::function<void(const TStreamedRow &)> &visit) const;
    int FirstStreamedRow() const { return Chunks.empty() ? 0 : Chunks.front().FirstRow; }
    int LastStreamedRow() const { return Chunks.empty() ? 0 : Chunks.back().LastRow; }
    // The first streamed row at or after `row` (false when there is none).
    bool StreamedFrom(int row, TStreamedRow &found) const;
    // Moves the full chunks still in memory, all but the newest, to the spill file; they stay
    // in memory when it cannot be written.
    void SpillChunks();
    void ClearStreamed();
    // Writes one row of values from column col1 on.
    void WriteRow(int row, int col1, const std::vector<const Variant *> &values);
    void SetNumberFormat(int col1, int row1, int col2, int row2, const QString &code);
    Variant Value(int col, int row) const;
    QString NumberFormat(int col, int row) const;
    // Folds every streamed row into the tree.
    void Fold();
    // Folds one row (a parsed <row>) into the tree, its cells replacing those at their place.
    void FoldRow(const pugi::xml_node &row);
    // The used area (false when the sheet holds no cell).
    bool Used(int &col1, int &row1, int &col2, int &row2) const;
    // The saved part, streamed.
    TOfficePackage::TStreamedPart Stream();

    // The style a cell has (written or of the template), -1 when there is no such cell.
    int ExistingStyle(int col, int row) const;
    // The style a cell made now at (col, row) takes.
    int NewCellStyle(int col, int row) const;
    pugi::xml_node TreeCell(int col, int row) const;
    bool StreamedAt(int row, TStreamedRow &found) const;
};

struct TSheetEntry {
    QString Name, Part;
    pugi::xml_node Node;
    TExcelSheetData *Sheet = nullptr; // worksheets only
};

struct TExcelWorkbookData {
    TExcelWorkbook *Q = nullptr;
    QString TemplateName, FullName;
    bool Saved = true, Closed = false, Written = false;
    TOfficePackage Package;
    QString WorkbookPart;
    pugi::xml_document WorkbookDoc;
    std::string P;
    bool WorkbookChanged = false;
    bool Date1904 = false, LeapBug = true;
    std::vector<TSheetEntry> Tabs;
    std::vector<std::unique_ptr<TExcelSheetData>> Sheets;
    TExcelStyles Styles;
    std::vector<QString> SharedStrings;

    void Load(const QString &name);
    void CheckOpen() const;
    void Touch() { Saved = false; }
    int ActiveTab() const;
    void SelectTab(int tab);
    bool TabVisible(int tab) const;
    // Date serials of the workbook's date system.
    double SerialOf(double dateTime) const;
    double DateTimeOf(double serial) const;
    std::map<QString, TOfficePackage::TStreamedPart> Prepare();
};
