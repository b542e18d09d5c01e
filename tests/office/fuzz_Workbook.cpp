// libFuzzer target: arbitrary bytes as an .xlsx package, and (when they start with "<") as the
// worksheet part of an otherwise sound package, read and filled the way an export fills a
// template. Every input must either be read or raise EOfficeError, and what was read must take
// rows (in order and out of it), number formats and a saved copy whose sheets read back with
// rows and cells in order; anything else (a crash, a sanitizer report, another exception) is a
// finding.

#include "OfficePackage.h"
#include "Variant.h"
#include "Workbook.h"

#include <cstdint>
#include <cstdlib>
#include <pugixml.hpp>
#include <string>

namespace {

const char *const kContentTypes =
    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
    "content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/><Default "
    "Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "</Types>";
const char *const kRootRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
const char *const kWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"B\" sheetId=\"2\" "
    "r:id=\"rId2\"/></sheets></workbook>";
const char *const kWorkbookRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet2.xml\"/></Relationships>";
const char *const kPlainSheet =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<sheetData/></worksheet>";

QByteArray PackageAround(const QByteArray &sheetXml) {
    TOfficePackage package = TOfficePackage::Create(QStringLiteral("shell"));
    package.SetPart(QStringLiteral("[Content_Types].xml"), kContentTypes);
    package.SetPart(QStringLiteral("_rels/.rels"), kRootRels);
    package.SetPart(QStringLiteral("xl/workbook.xml"), kWorkbook);
    package.SetPart(QStringLiteral("xl/_rels/workbook.xml.rels"), kWorkbookRels);
    package.SetPart(QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml);
    package.SetPart(QStringLiteral("xl/worksheets/sheet2.xml"), kPlainSheet);
    return package.WriteBytes();
}

// Rows strictly ascending and each row's cells strictly ascending, or abort.
void CheckSheet(const QByteArray &xml) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size())))
        abort(); // the sheet would not open again
    const pugi::xml_node root = doc.document_element();
    std::string p = root.name();
    p = p.find(':') == std::string::npos ? std::string() : p.substr(0, p.find(':') + 1);
    const std::string rowName = p + "row", cellName = p + "c";
    long lastRow = 0;
    for (pugi::xml_node row : root.child((p + "sheetData").c_str()).children(rowName.c_str())) {
        const long r = row.attribute("r").as_int();
        if (r <= lastRow)
            abort();
        lastRow = r;
        std::string lastRef;
        size_t lastLength = 0;
        for (pugi::xml_node cell : row.children(cellName.c_str())) {
            const std::string ref = cell.attribute("r").value();
            const size_t letters = ref.find_first_of("0123456789");
            if (letters == std::string::npos || std::stol(ref.substr(letters)) != r)
                abort();
            if (letters < lastLength || (letters == lastLength && ref <= lastRef))
                abort();
            lastRef = ref;
            lastLength = letters;
        }
    }
}

void Exercise(TExcelWorkbook &book) {
    for (int i = 1; i <= book.WorksheetCount() && i <= 4; ++i) {
        TExcelWorksheet sheet = book.Worksheet(i);
        (void)sheet.Name();
        (void)sheet.UsedAddress();
        for (int r = 1; r <= 3; ++r)
            for (int c = 1; c <= 3; ++c) {
                (void)sheet.Cell(c, r).Value();
                (void)sheet.Cell(c, r).NumberFormat();
            }
        if (sheet.Visible() == xlSheetVisible)
            sheet.Activate();
        sheet.Range(1, 2, 1, 6).SetNumberFormat(QStringLiteral("@"));
        const Variant row =
            Variant::ArrayOf({Variant("00123"), Variant(42), Variant(2.5),
                              Variant(TDateTime(45000.25)), Variant(true), Variant()});
        sheet.Range(1, 2, 6, 2).SetValue(row);
        sheet.Range(1, 4, 6, 4).SetValue(row);
        sheet.Range(2, 1, 3, 1).SetValue(Variant("上"));   // above: folded
        sheet.Range(1, 4, 2, 4).SetValue(Variant("over")); // over a written row
        sheet.Range(1, 7, 6, 7).SetValue(row);
        (void)sheet.Cell(2, 4).Value();
        CheckSheet(book.SheetXml(sheet));
    }
    auto again = TExcelWorkbook::FromBytes(book.SaveToBytes(), QStringLiteral("again"));
    for (int i = 1; i <= again->WorksheetCount() && i <= 4; ++i)
        (void)again->Worksheet(i).Cell(1, 2).Value();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const QByteArray package = bytes.startsWith('<') ? PackageAround(bytes) : bytes;
        auto book = TExcelWorkbook::FromBytes(package, QStringLiteral("fuzz"));
        Exercise(*book);
    } catch (const EOfficeError &) {
        // refused with a message: fine
    }
    return 0;
}
