// The spreadsheet model: a workbook LibreOffice wrote used as a template, an export into one of
// its sheets read back through the model and straight from the zip, written rows meeting the
// template's rows, writes out of order, values and text rules, a large export, bad templates,
// visibility and the active sheet, a template without styles, and PDF through the office suite.

#include "OfficePackage.h"
#include "OfficeSuite.h"
#include "OfficeTestSupport.h"
#include "Variant.h"
#include "Workbook.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>
#include <pugixml.hpp>
#include <set>
#include <zip.h>

namespace {

const QString kSheet1 = QStringLiteral("學生名冊");
const QString kSheet2 = QStringLiteral("統計");
const QString kSheet3 = QStringLiteral("空白");

QString Template() {
    return OutsideWritten(QStringLiteral("workbook.xlsx"));
}

// A part of a saved package, read with libzip alone.
QByteArray ZipPart(const QString &file, const char *part) {
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return {};
    QByteArray out;
    zip_stat_t st;
    if (zip_stat(zip, part, 0, &st) == 0) {
        if (zip_file_t *entry = zip_fopen(zip, part, 0)) {
            out.resize(static_cast<qsizetype>(st.size));
            out.resize(static_cast<qsizetype>(zip_fread(entry, out.data(), st.size)));
            zip_fclose(entry);
        }
    }
    zip_close(zip);
    return out;
}

bool Parse(pugi::xml_document &doc, const QByteArray &xml) {
    return doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size()));
}

pugi::xml_node CellNode(const pugi::xml_document &sheet, const char *ref) {
    return sheet.document_element().child("sheetData").find_node([&](const pugi::xml_node &n) {
        return std::string(n.name()) == "c" && std::string(n.attribute("r").value()) == ref;
    });
}

// Whether the children of <worksheet> follow the schema's order.
bool InSchemaOrder(const pugi::xml_document &sheet) {
    const std::vector<std::string> order = {
        "sheetPr",      "dimension",  "sheetViews",   "sheetFormatPr", "cols",
        "sheetData",    "mergeCells", "printOptions", "pageMargins",   "pageSetup",
        "headerFooter", "drawing",    "extLst"};
    int last = -1;
    for (pugi::xml_node child : sheet.document_element().children()) {
        const auto it = std::find(order.begin(), order.end(), child.name());
        if (it == order.end())
            continue;
        const int rank = static_cast<int>(it - order.begin());
        if (rank < last)
            return false;
        last = rank;
    }
    return true;
}

// Rows strictly ascending, cells of each row strictly ascending and inside their row.
bool RowsInOrder(const pugi::xml_document &sheet) {
    int lastRow = 0;
    for (pugi::xml_node row : sheet.document_element().child("sheetData").children("row")) {
        const int r = row.attribute("r").as_int();
        if (r <= lastRow)
            return false;
        lastRow = r;
        QString lastRef;
        int lastCol = 0;
        for (pugi::xml_node c : row.children("c")) {
            const QString ref = QString::fromUtf8(c.attribute("r").value());
            int col = 0, i = 0;
            while (i < ref.size() && ref[i].isLetter())
                col = col * 26 + (ref[i++].unicode() - 'A' + 1);
            if (col <= lastCol || ref.mid(i).toInt() != r)
                return false;
            lastCol = col;
        }
    }
    return true;
}

// The fixture with some parts replaced or removed, written to `path`.
QString Crafted(const QString &path, const std::map<QString, QByteArray> &parts,
                const QStringList &removed = {}) {
    TOfficePackage package = TOfficePackage::ReadFile(Template());
    for (const auto &[name, bytes] : parts)
        package.SetPart(name, bytes);
    for (const QString &name : removed)
        package.RemovePart(name);
    package.WriteFile(path);
    return path;
}

const char *const kSheetHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";

Variant Row(std::vector<Variant> values) {
    return Variant::ArrayOf(std::move(values));
}

} // namespace

class TstWorkbook : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

private Q_SLOTS:
    void templateWrittenByLibreOffice() {
        auto book = TExcelWorkbook::FromTemplate(Template());
        QCOMPARE(book->WorksheetCount(), 3);
        QCOMPARE(book->WorksheetNames(), QStringList({kSheet1, kSheet2, kSheet3}));
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(book->Worksheet(i).Index(), i);
            QCOMPARE(book->Worksheet(i).Visible(), int(xlSheetVisible));
        }
        QCOMPARE(book->Worksheet(kSheet2).Index(), 2);
        QVERIFY(book->Worksheet(QStringLiteral("沒有")).IsNull());
        QVERIFY(!ErrorOf([&] { book->Worksheet(4); }).isEmpty());
        QCOMPARE(book->ActiveSheet().Name(), kSheet1);
        TExcelWorksheet first = book->Worksheet(1);
        QCOMPARE(first.Cell(1, 1).Value().ToString(), QStringLiteral("示範高級中學 學生名冊"));
        QCOMPARE(first.Cell(1, 2).Value().ToString(), QStringLiteral("製表日期"));
        // The date of B2 has no date style: a plain number.
        QCOMPARE(first.Cell(2, 2).Value().VarType(), TVarType::Double);
        QCOMPARE(first.Cell(2, 2).Value().ToDouble(), 46363.0);
        QCOMPARE(first.UsedAddress(), QStringLiteral("A1:B2"));
        QCOMPARE(book->Worksheet(2).Cell(2, 2).Value().ToDouble(), 35.0);
        QVERIFY(book->Worksheet(3).Cell(1, 1).Value().IsEmpty());
        QVERIFY(book->FullName().isEmpty());
        QCOMPARE(book->Name(), QStringLiteral("workbook1"));
        QVERIFY(book->Saved());
    }

    void exportIntoSecondSheet() {
        const QByteArray templateBefore = ReadAll(Template());
        auto book = TExcelWorkbook::FromTemplate(Template());
        TExcelWorksheet sheet = book->Worksheet(kSheet2);
        sheet.Activate();
        sheet.SetVisible(xlSheetHidden);
        const int start = 3, rows = 50;
        // Codes and dates written as text keep their form: "@" on their columns first.
        for (int col : {1, 5})
            sheet.Range(col, start, col, start + rows + 2).SetNumberFormat(QStringLiteral("@"));
        sheet.Range(1, start, 6, start)
            .SetValue(Row({"學號", "姓名", "座號", "成績", "入學日", "生日"}));
        for (int i = 0; i < rows; ++i)
            sheet.Range(1, start + 1 + i, 6, start + 1 + i)
                .SetValue(Row({QStringLiteral("%1").arg(123 + i, 5, 10, QLatin1Char('0')),
                               QStringLiteral("學生%1").arg(i), QString::number(i + 1),
                               Variant(60.5 + i), QStringLiteral("2024/09/%1").arg(i % 28 + 1),
                               Variant(TDateTime::EncodeDate(2008, 1 + i % 12, 1 + i % 28))}));
        sheet.SetVisible(xlSheetVisible);
        sheet.Activate();
        QVERIFY(!book->Saved());
        QCOMPARE(sheet.Memory().TreeRows, 2);
        QCOMPARE(sheet.Memory().StreamedRows, rows + 1);
        const QString saved = FDir.filePath(QStringLiteral("export.xlsx"));
        book->SaveAs(saved);
        QCOMPARE(book->FullName(), QFileInfo(saved).absoluteFilePath());
        QVERIFY(book->Saved());
        QCOMPARE(ReadAll(Template()), templateBefore); // the template is only read

        auto again = TExcelWorkbook::FromTemplate(saved);
        QCOMPARE(again->WorksheetNames(), QStringList({kSheet1, kSheet2, kSheet3}));
        QCOMPARE(again->ActiveSheet().Name(), kSheet2);
        QCOMPARE(again->Worksheet(kSheet2).Visible(), int(xlSheetVisible));
        TExcelWorksheet first = again->Worksheet(1);
        QCOMPARE(first.Cell(1, 1).Value().ToString(), QStringLiteral("示範高級中學 學生名冊"));
        QCOMPARE(first.Cell(2, 2).Value().VarType(), TVarType::Double);
        QCOMPARE(first.Cell(2, 2).Value().ToDouble(), 46363.0);
        QCOMPARE(first.Cell(2, 2).NumberFormat(), QStringLiteral("General"));
        TExcelWorksheet two = again->Worksheet(2);
        QCOMPARE(two.Cell(1, 1).Value().ToString(), QStringLiteral("班級"));
        QCOMPARE(two.Cell(2, 2).Value().ToDouble(), 35.0);
        QCOMPARE(two.Cell(1, start).Value().ToString(), QStringLiteral("學號"));
        QCOMPARE(two.Cell(6, start).Value().ToString(), QStringLiteral("生日"));
        QCOMPARE(two.Cell(1, start + 1).Value().VarType(), TVarType::String);
        QCOMPARE(two.Cell(1, start + 1).Value().ToString(), QStringLiteral("00123"));
        QCOMPARE(two.Cell(1, start + 1).NumberFormat(), QStringLiteral("@"));
        QCOMPARE(two.Cell(1, start + rows).Value().ToString(), QStringLiteral("00172"));
        QCOMPARE(two.Cell(2, start + 2).Value().ToString(), QStringLiteral("學生1"));
        // A number as text in a general cell becomes a number.
        QCOMPARE(two.Cell(3, start + 2).Value().VarType(), TVarType::Double);
        QCOMPARE(two.Cell(3, start + 2).Value().ToDouble(), 2.0);
        QCOMPARE(two.Cell(4, start + 3).Value().ToDouble(), 62.5);
        QCOMPARE(two.Cell(5, start + 1).Value().ToString(), QStringLiteral("2024/09/1"));
        const Variant birthday = two.Cell(6, start + 1).Value();
        QCOMPARE(birthday.VarType(), TVarType::Date);
        QCOMPARE(birthday.ToDateTime().ToDate(), QDate(2008, 1, 1));
        QCOMPARE(two.Cell(6, start + 1).NumberFormat(), QStringLiteral("yyyy/mm/dd"));
        QCOMPARE(two.UsedAddress(), QStringLiteral("A1:F53"));
        QVERIFY(again->Worksheet(3).Cell(1, 1).Value().IsEmpty());

        // The same file through libzip and pugixml.
        pugi::xml_document xml, workbook, styles, one;
        QVERIFY(Parse(xml, ZipPart(saved, "xl/worksheets/sheet2.xml")));
        QVERIFY(Parse(workbook, ZipPart(saved, "xl/workbook.xml")));
        QVERIFY(Parse(styles, ZipPart(saved, "xl/styles.xml")));
        QVERIFY(Parse(one, ZipPart(saved, "xl/worksheets/sheet1.xml")));
        QVERIFY(InSchemaOrder(xml));
        QVERIFY(RowsInOrder(xml));
        QCOMPARE(std::string(xml.document_element().child("dimension").attribute("ref").value()),
                 std::string("A1:F53"));
        const pugi::xml_node code = CellNode(xml, "A4");
        QCOMPARE(std::string(code.attribute("t").value()), std::string("inlineStr"));
        QCOMPARE(std::string(code.child("is").child("t").text().get()), std::string("00123"));
        const pugi::xml_node xfs = styles.document_element().child("cellXfs");
        auto numFmtOf = [&](const pugi::xml_node &cell) {
            int i = 0;
            for (pugi::xml_node xf : xfs.children("xf"))
                if (i++ == cell.attribute("s").as_int())
                    return xf.attribute("numFmtId").as_int();
            return -1;
        };
        QCOMPARE(numFmtOf(code), 49);
        QVERIFY(numFmtOf(CellNode(xml, "F4")) >= 164);
        QCOMPARE(
            xfs.attribute("count").as_int(),
            static_cast<int>(std::distance(xfs.children("xf").begin(), xfs.children("xf").end())));
        // The template's own cells keep their shared strings and styles.
        QCOMPARE(std::string(CellNode(xml, "A1").attribute("t").value()), std::string("s"));
        QCOMPARE(std::string(CellNode(xml, "A1").attribute("s").value()), std::string("1"));
        QCOMPARE(std::string(CellNode(one, "B2").child("v").text().get()), std::string("46363"));
        const pugi::xml_node view =
            workbook.document_element().child("bookViews").child("workbookView");
        QCOMPARE(view.attribute("activeTab").as_int(), 1);
        QVERIFY(!one.document_element()
                     .child("sheetViews")
                     .child("sheetView")
                     .attribute("tabSelected")
                     .as_bool());
        QVERIFY(xml.document_element()
                    .child("sheetViews")
                    .child("sheetView")
                    .attribute("tabSelected")
                    .as_bool());
    }

    // Written rows meet the template's rows, formulas, merged cells and column widths; a row
    // number with blanks round it is written plainly.
    void writtenRowsMeetTemplateRows() {
        const QByteArray sheet =
            QByteArray(kSheetHead) +
            "<cols><col min=\"1\" max=\"1\" width=\"20\" customWidth=\"1\"/>"
            "</cols><sheetData>"
            "<row r=\"2\" spans=\"1:3\"><c r=\"A2\" t=\"inlineStr\"><is><t>"
            "標題</t></is></c><c r=\"C2\"><f>SUM(B4:B6)</f><v>0</v></c></row>"
            "<row r=\"5\"><c r=\"A5\" s=\"1\"><v>1</v></c><c r=\"D5\" "
            "t=\"inlineStr\"><is><t>留下</t></is></c></row>"
            // A row number with a form feed in front, which reads as 9 and is written as 9.
            "<row r=\"\f9\"><c r=\"B9\"><f>A5*2</f><v>2</v></c></row>"
            "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A2:B2\"/>"
            "</mergeCells><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" "
            "bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>";
        const QString path = Crafted(FDir.filePath(QStringLiteral("merge.xlsx")),
                                     {{QStringLiteral("xl/worksheets/sheet3.xml"), sheet}});
        auto book = TExcelWorkbook::FromTemplate(path);
        TExcelWorksheet three = book->Worksheet(3);
        for (int r = 4; r <= 7; ++r)
            three.Range(1, r, 2, r).SetValue(Row({QStringLiteral("R%1").arg(r), Variant(r)}));
        QCOMPARE(three.Memory().StreamedRows, 4);
        const QString saved = FDir.filePath(QStringLiteral("merge-out.xlsx"));
        book->SaveAs(saved);

        pugi::xml_document xml;
        QVERIFY(Parse(xml, ZipPart(saved, "xl/worksheets/sheet3.xml")));
        QVERIFY(InSchemaOrder(xml));
        QVERIFY(RowsInOrder(xml));
        QCOMPARE(std::string(xml.document_element().child("dimension").attribute("ref").value()),
                 std::string("A2:D9"));
        QCOMPARE(std::string(CellNode(xml, "C2").child("f").text().get()),
                 std::string("SUM(B4:B6)"));
        QCOMPARE(std::string(CellNode(xml, "B9").child("f").text().get()), std::string("A5*2"));
        QCOMPARE(std::string(xml.document_element()
                                 .child("mergeCells")
                                 .child("mergeCell")
                                 .attribute("ref")
                                 .value()),
                 std::string("A2:B2"));
        QCOMPARE(xml.document_element().child("cols").child("col").attribute("width").as_int(), 20);
        // Row 5: the written cells win, D5 of the template stays, A5 keeps its style.
        QCOMPARE(std::string(CellNode(xml, "A5").attribute("s").value()), std::string("1"));
        pugi::xml_document styles, workbook;
        QVERIFY(Parse(workbook, ZipPart(saved, "xl/workbook.xml")));
        QVERIFY(workbook.document_element().child("calcPr").attribute("fullCalcOnLoad").as_bool());

        auto again = TExcelWorkbook::FromBytes(ReadAll(saved), QStringLiteral("again"));
        TExcelWorksheet back = again->Worksheet(3);
        QCOMPARE(back.Cell(1, 5).Value().ToString(), QStringLiteral("R5"));
        QCOMPARE(back.Cell(2, 5).Value().ToDouble(), 5.0);
        QCOMPARE(back.Cell(4, 5).Value().ToString(), QStringLiteral("留下"));
        QCOMPARE(back.Cell(1, 2).Value().ToString(), QStringLiteral("標題"));
        QCOMPARE(back.Cell(1, 7).Value().ToString(), QStringLiteral("R7"));
        QCOMPARE(back.Cell(2, 9).Value().ToDouble(), 2.0);
    }

    void writesOutOfOrderStayCorrect() {
        auto book = TExcelWorkbook::FromTemplate(Template());
        TExcelWorksheet sheet = book->Worksheet(3);
        sheet.Range(1, 10, 2, 10).SetValue(Row({"十", Variant(10)}));
        sheet.Range(1, 12, 1, 12).SetValue(Variant("十二"));
        QCOMPARE(sheet.Memory().StreamedRows, 2);
        sheet.Range(1, 5, 1, 5).SetValue(Variant("五")); // above: folded first
        QCOMPARE(sheet.Memory().StreamedRows, 0);
        QCOMPARE(sheet.Memory().TreeRows, 3);
        sheet.Range(2, 10, 3, 10).SetValue(Row({Variant(11), Variant(true)})); // over row 10
        sheet.Range(1, 13, 1, 13).SetValue(Variant("00013"));
        QCOMPARE(sheet.Memory().StreamedRows, 2); // streaming again: newer than the tree
        sheet.Range(1, 13, 1, 14).SetNumberFormat(QStringLiteral("@")); // over a written row
        sheet.Range(1, 14, 1, 14).SetValue(Variant("00014"));
        QCOMPARE(sheet.Cell(1, 10).Value().ToString(), QStringLiteral("十"));
        QCOMPARE(sheet.Cell(2, 10).Value().ToDouble(), 11.0);
        QCOMPARE(sheet.Cell(3, 10).Value().ToBool(), true);
        QCOMPARE(sheet.Cell(1, 13).Value().ToDouble(), 13.0); // written before "@" was set
        QCOMPARE(sheet.Cell(1, 13).NumberFormat(), QStringLiteral("@"));
        QCOMPARE(sheet.Cell(1, 14).Value().ToString(), QStringLiteral("00014"));

        pugi::xml_document xml;
        QVERIFY(Parse(xml, book->SheetXml(sheet)));
        QVERIFY(RowsInOrder(xml));
        QCOMPARE(std::string(xml.document_element().child("dimension").attribute("ref").value()),
                 std::string("A5:C14"));
        auto again = TExcelWorkbook::FromBytes(book->SaveToBytes(), QStringLiteral("again"));
        QCOMPARE(again->Worksheet(3).Cell(1, 5).Value().ToString(), QStringLiteral("五"));
        QCOMPARE(again->Worksheet(3).Cell(1, 12).Value().ToString(), QStringLiteral("十二"));
    }

    void valuesAndTextRules() {
        auto book = TExcelWorkbook::FromTemplate(Template());
        TExcelWorksheet sheet = book->Worksheet(3);
        sheet.Range(3, 1, 3, 1).SetNumberFormat(QStringLiteral("@"));
        const QString forbidden = QStringLiteral("a") + QChar(0x01) + QStringLiteral("b") +
                                  QChar(0xFFFF) + QChar(0xD800) + QStringLiteral("c");
        sheet.Range(1, 1, 6, 1)
            .SetValue(Row({forbidden, QStringLiteral("  空白  "),
                           Variant(TDateTime::EncodeDate(2024, 1, 5)), Variant(std::nan("")),
                           Variant(qint64(1) << 40), Variant()}));
        QCOMPARE(sheet.Cell(1, 1).Value().ToString(), QStringLiteral("abc"));
        QCOMPARE(sheet.Cell(2, 1).Value().ToString(), QStringLiteral("  空白  "));
        QCOMPARE(sheet.Cell(3, 1).Value().ToString(), QStringLiteral("2024/01/05")); // text cell
        QCOMPARE(sheet.Cell(4, 1).Value().ToString(), QStringLiteral("#NUM!"));
        QCOMPARE(sheet.Cell(5, 1).Value().ToDouble(), double(qint64(1) << 40));
        QVERIFY(sheet.Cell(6, 1).Value().IsEmpty());
        // QVariant values: a list along the row, dates and times.
        sheet.Range(1, 2, 4, 2)
            .SetValue(QVariant(QVariantList{
                QDate(2024, 2, 29), QDateTime(QDate(2024, 3, 1), QTime(8, 30)), QTime(12, 0), 7}));
        QCOMPARE(sheet.Cell(1, 2).ValueAsQVariant().toDate(), QDate(2024, 2, 29));
        QCOMPARE(sheet.Cell(2, 2).ValueAsQVariant().toDateTime(),
                 QDateTime(QDate(2024, 3, 1), QTime(8, 30)));
        QCOMPARE(sheet.Cell(2, 2).NumberFormat(), QStringLiteral("yyyy/mm/dd hh:mm:ss"));
        QCOMPARE(sheet.Cell(3, 2).NumberFormat(), QStringLiteral("hh:mm:ss"));
        QCOMPARE(sheet.Cell(4, 2).Value().ToDouble(), 7.0);
        // One value fills the range; a short array clears the cells after it.
        sheet.Range(1, 3, 2, 4).SetValue(Variant("同"));
        QCOMPARE(sheet.Cell(2, 4).Value().ToString(), QStringLiteral("同"));
        sheet.Range(1, 5, 3, 5).SetValue(Row({"只有一個"}));
        QVERIFY(sheet.Cell(2, 5).Value().IsEmpty());
        const QString longText(40000, QLatin1Char('x'));
        sheet.Cell(1, 6).SetValue(Variant(longText));
        QCOMPARE(sheet.Cell(1, 6).Value().ToString().size(), 32767);
        // A value no cell holds is refused before anything is written.
        const TExcelSheetMemory before = sheet.Memory();
        QVERIFY(ErrorOf([&] {
                    sheet.Range(1, 7, 2, 7).SetValue(Row({"a", QByteArray("b")}));
                }).contains(QStringLiteral("A7:B7")));
        QCOMPARE(sheet.Memory().StreamedRows, before.StreamedRows);
        QVERIFY(!ErrorOf([&] { sheet.Cell(16385, 1); }).isEmpty());
        QVERIFY(!ErrorOf([&] { sheet.Cell(1, 0); }).isEmpty());
        QCOMPARE(TExcelWorkbook::ColumnName(1), QStringLiteral("A"));
        QCOMPARE(TExcelWorkbook::ColumnName(26), QStringLiteral("Z"));
        QCOMPARE(TExcelWorkbook::ColumnName(27), QStringLiteral("AA"));
        QCOMPARE(TExcelWorkbook::ColumnName(676), QStringLiteral("YZ"));
        QCOMPARE(TExcelWorkbook::ColumnName(16384), QStringLiteral("XFD"));

        auto again = TExcelWorkbook::FromBytes(book->SaveToBytes(), QStringLiteral("again"));
        TExcelWorksheet back = again->Worksheet(3);
        QCOMPARE(back.Cell(2, 1).Value().ToString(), QStringLiteral("  空白  "));
        QCOMPARE(back.Cell(1, 2).Value().ToDateTime().ToDate(), QDate(2024, 2, 29));
        QCOMPARE(back.Cell(1, 6).Value().ToString(), longText.left(32767));
    }

    void largeExportHoldsText() {
        auto book = TExcelWorkbook::FromTemplate(Template());
        TExcelWorksheet sheet = book->Worksheet(2);
        const int rows = 100000;
        sheet.Range(1, 3, 1, rows + 2).SetNumberFormat(QStringLiteral("@"));
        for (int i = 0; i < rows; ++i)
            sheet.Range(1, 3 + i, 6, 3 + i)
                .SetValue(Row({QString::number(100000 + i), QStringLiteral("名字"), Variant(i),
                               Variant(i * 0.5), Variant(TDateTime(45000.0 + i % 1000)),
                               Variant(i % 2 == 0)}));
        const TExcelSheetMemory memory = sheet.Memory();
        QCOMPARE(memory.TreeRows, 2); // the template's rows only: no nodes per written row
        QCOMPARE(memory.StreamedRows, rows);
        QVERIFY2(memory.StreamedBytes < qint64(rows) * 300,
                 qPrintable(QString::number(memory.StreamedBytes)));
        QVERIFY(memory.Chunks < memory.StreamedBytes / (64 << 10) + 2);
        // Only the newest rows stay in memory (text and index alike), whatever their number;
        // the older ones read back from the spill file.
        QVERIFY2(memory.HeldBytes < 3 * (256 << 10), qPrintable(QString::number(memory.HeldBytes)));
        QCOMPARE(sheet.Cell(1, rows + 2).Value().ToString(), QString::number(100000 + rows - 1));
        QCOMPARE(sheet.Cell(1, 3).Value().ToString(), QStringLiteral("100000"));
        QCOMPARE(sheet.Cell(2, rows / 2).Value().ToString(), QStringLiteral("名字"));
        const QString saved = FDir.filePath(QStringLiteral("large.xlsx"));
        book->SaveAs(saved);
        QCOMPARE(sheet.Memory().StreamedRows, rows); // saving folds nothing

        pugi::xml_document xml;
        QVERIFY(Parse(xml, ZipPart(saved, "xl/worksheets/sheet2.xml")));
        QVERIFY(RowsInOrder(xml));
        const auto all = xml.document_element().child("sheetData").children("row");
        QCOMPARE(static_cast<int>(std::distance(all.begin(), all.end())), rows + 2);
        QCOMPARE(std::string(xml.document_element().child("dimension").attribute("ref").value()),
                 "A1:F" + std::to_string(rows + 2));
        auto row = all.begin();
        std::advance(row, 2);
        QCOMPARE(std::string(row->attribute("r").value()), "3");
        QCOMPARE(std::string(row->first_child().child("is").child("t").text().get()), "100000");
        // A row written over the spilled ones folds them back whole.
        sheet.Range(1, 4, 1, 4).SetValue(QVariant(QStringLiteral("改寫")));
        QCOMPARE(sheet.Memory().StreamedRows, 0);
        QCOMPARE(sheet.Cell(1, 5).Value().ToString(), QStringLiteral("100002"));
        QCOMPARE(sheet.Cell(1, 4).Value().ToString(), QStringLiteral("改寫"));
    }

    void badTemplates_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        const QString dir = FDir.path();
        QTest::newRow("missing") << dir + "/none.xlsx" << QStringLiteral("不存在");
        const QString text = dir + "/text.xlsx";
        WriteAll(text, "just text");
        QTest::newRow("not a zip") << text << QStringLiteral("壓縮檔");
        QTest::newRow("a word document")
            << OutsideWritten(QStringLiteral("letter.docx")) << QStringLiteral("不是Excel活頁簿");
        QTest::newRow("no workbook part")
            << Crafted(dir + "/nobook.xlsx", {}, {QStringLiteral("xl/workbook.xml")})
            << QStringLiteral("xl/workbook.xml");
        QTest::newRow("malformed workbook")
            << Crafted(dir + "/badbook.xlsx", {{QStringLiteral("xl/workbook.xml"), "<workbook><"}})
            << QStringLiteral("xl/workbook.xml的XML格式錯誤");
        QTest::newRow("malformed sheet")
            << Crafted(dir + "/badsheet.xlsx",
                       {{QStringLiteral("xl/worksheets/sheet2.xml"), "<worksheet><sheetData>"}})
            << QStringLiteral("xl/worksheets/sheet2.xml的XML格式錯誤");
        QTest::newRow("sheet part missing")
            << Crafted(dir + "/nosheet.xlsx", {}, {QStringLiteral("xl/worksheets/sheet3.xml")})
            << QStringLiteral("空白");
        QTest::newRow("malformed styles")
            << Crafted(dir + "/badstyles.xlsx", {{QStringLiteral("xl/styles.xml"), "<styleSheet"}})
            << QStringLiteral("xl/styles.xml");
        QTest::newRow("rows out of order")
            << Crafted(dir + "/rows.xlsx",
                       {{QStringLiteral("xl/worksheets/sheet3.xml"),
                         QByteArray(kSheetHead) + "<sheetData><row r=\"3\"/><row r=\"2\"/>"
                                                  "</sheetData></worksheet>"}})
            << QStringLiteral("未依順序");
        QTest::newRow("cell outside its row")
            << Crafted(dir + "/cell.xlsx",
                       {{QStringLiteral("xl/worksheets/sheet3.xml"),
                         QByteArray(kSheetHead) + "<sheetData><row r=\"3\"><c r=\"A4\"/></row>"
                                                  "</sheetData></worksheet>"}})
            << QStringLiteral("A4");
        QTest::newRow("no sheets")
            << Crafted(dir + "/empty.xlsx",
                       {{QStringLiteral("xl/workbook.xml"),
                         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                         "main\"><sheets/></workbook>"}})
            << QStringLiteral("沒有任何工作表");
    }
    void badTemplates() {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        const QString message = ErrorOf([&] { TExcelWorkbook::FromTemplate(file); });
        QVERIFY2(message.contains(file), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
    }

    void visibilityActivationAndClosing() {
        auto book = TExcelWorkbook::FromTemplate(Template());
        TExcelWorksheet one = book->Worksheet(1), two = book->Worksheet(2),
                        three = book->Worksheet(3);
        one.SetVisible(xlSheetHidden); // the active one: the next visible sheet takes over
        QCOMPARE(book->ActiveSheet(), two);
        QVERIFY(!ErrorOf([&] { one.Activate(); }).isEmpty());
        three.SetVisible(xlSheetVeryHidden);
        QCOMPARE(three.Visible(), int(xlSheetVeryHidden));
        QVERIFY(ErrorOf([&] { two.SetVisible(xlSheetHidden); }).contains(QStringLiteral("至少")));
        QCOMPARE(two.Visible(), int(xlSheetVisible));
        three.SetVisible(xlSheetVisible);
        three.Activate();
        auto again = TExcelWorkbook::FromBytes(book->SaveToBytes(), QStringLiteral("again"));
        QCOMPARE(again->Worksheet(1).Visible(), int(xlSheetHidden));
        QCOMPARE(again->ActiveSheet().Name(), kSheet3);

        bool told = false;
        book->OnBeforeClose = [&](TExcelWorkbook *) { told = true; };
        QVERIFY(ErrorOf([&] { book->Close(true); }).contains(QStringLiteral("尚未存檔")));
        QVERIFY(!book->IsClosed());
        const QString path = FDir.filePath(QStringLiteral("closed.xlsx"));
        book->Close(true, path);
        QVERIFY(told);
        QVERIFY(book->IsClosed());
        QCOMPARE(book->Name(), QStringLiteral("closed.xlsx"));
        QVERIFY(ErrorOf([&] { book->WorksheetCount(); }).contains(QStringLiteral("已關閉")));
        QVERIFY(ErrorOf([&] { two.Cell(1, 1).Value(); }).contains(QStringLiteral("已關閉")));
        QCOMPARE(TExcelWorkbook::FromTemplate(path)->ActiveSheet().Name(), kSheet3);
    }

    // Worksheets.Add: default names skip the taken ones, bad names change nothing, and the
    // added sheets survive saving with their cells, after the template's sheets.
    void addedSheets() {
        auto book = TExcelWorkbook::FromTemplate(Template());
        QStringList told;
        book->OnNewSheet = [&](TExcelWorkbook *, const TExcelWorksheet &sheet) {
            told << sheet.Name();
        };
        TExcelWorksheet first = book->AddWorksheet();
        QCOMPARE(first.Name(), QStringLiteral("工作表1"));
        QCOMPARE(first.Index(), 4);
        book->AddWorksheet(QStringLiteral("工作表2"));
        QCOMPARE(book->AddWorksheet(QStringLiteral("  ")).Name(), QStringLiteral("工作表3"));
        TExcelWorksheet scores = book->AddWorksheet(QStringLiteral("Scores"));
        for (const QString &bad :
             {QStringLiteral("SCORES"), QStringLiteral("a/b"), QStringLiteral("[x]"),
              QStringLiteral("'quoted"), QString(32, QLatin1Char('x')), kSheet2})
            QVERIFY2(!ErrorOf([&] { book->AddWorksheet(bad); }).isEmpty(), qPrintable(bad));
        QCOMPARE(told, QStringList({QStringLiteral("工作表1"), QStringLiteral("工作表2"),
                                    QStringLiteral("工作表3"), QStringLiteral("Scores")}));
        QCOMPARE(book->WorksheetCount(), 7);
        QCOMPARE(book->ActiveSheet().Name(), kSheet1);
        scores.Range(1, 2, 2, 2).SetValue(Row({QStringLiteral("國文"), Variant(87.5)}));

        const QString saved = FDir.filePath(QStringLiteral("added.xlsx"));
        book->SaveAs(saved);
        QVERIFY(ZipPart(saved, "[Content_Types].xml").contains("/xl/worksheets/sheet7.xml"));
        auto again = TExcelWorkbook::FromTemplate(saved);
        QCOMPARE(again->WorksheetNames(),
                 QStringList({kSheet1, kSheet2, kSheet3, QStringLiteral("工作表1"),
                              QStringLiteral("工作表2"), QStringLiteral("工作表3"),
                              QStringLiteral("Scores")}));
        QCOMPARE(again->Worksheet(QStringLiteral("scores")).Cell(1, 2).Value().ToString(),
                 QStringLiteral("國文"));
        QCOMPARE(again->Worksheet(7).Cell(2, 2).Value().ToDouble(), 87.5);
        QCOMPARE(again->ActiveSheet().Name(), kSheet1);
        // A sheet added to the reopened workbook takes the next free part and sheet id.
        QCOMPARE(again->AddWorksheet().Name(), QStringLiteral("工作表4"));
        pugi::xml_document workbook;
        QVERIFY(Parse(workbook, TOfficePackage::ReadBytes(again->SaveToBytes(), saved)
                                    .Part(QStringLiteral("xl/workbook.xml"))));
        std::set<int> ids;
        for (pugi::xml_node sheet : workbook.document_element().child("sheets").children("sheet"))
            ids.insert(sheet.attribute("sheetId").as_int());
        QCOMPARE(int(ids.size()), 8);
    }

    // A chart sheet is a tab of the workbook but no worksheet: left out of the collection,
    // counted by the active tab, its selection mark cleared when another tab is activated.
    void chartSheetsAreTabsButNotWorksheets() {
        const QByteArray chart =
            "<chartsheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
            "</chartsheet>";
        TOfficePackage package = TOfficePackage::ReadFile(Template());
        QByteArray rels = package.Part(QStringLiteral("xl/_rels/workbook.xml.rels"));
        rels.replace("relationships/worksheet\" Target=\"worksheets/sheet2.xml\"",
                     "relationships/chartsheet\" Target=\"chartsheets/sheet1.xml\"");
        QByteArray workbook = package.Part(QStringLiteral("xl/workbook.xml"));
        workbook.replace("activeTab=\"0\"", "activeTab=\"1\"");
        package.SetPart(QStringLiteral("xl/_rels/workbook.xml.rels"), rels);
        package.SetPart(QStringLiteral("xl/workbook.xml"), workbook);
        package.SetPart(QStringLiteral("xl/chartsheets/sheet1.xml"), chart);
        auto book = TExcelWorkbook::FromBytes(package.WriteBytes(), QStringLiteral("chart"));
        QCOMPARE(book->WorksheetNames(), QStringList({kSheet1, kSheet3}));
        QCOMPARE(book->Worksheet(2).Index(), 2);
        QVERIFY(book->ActiveSheet().IsNull()); // the chart's tab
        book->Worksheet(kSheet3).Activate();
        const QByteArray saved = book->SaveToBytes();
        auto again = TExcelWorkbook::FromBytes(saved, QStringLiteral("again"));
        QCOMPARE(again->ActiveSheet().Name(), kSheet3);
        pugi::xml_document doc, view;
        QVERIFY(Parse(doc, TOfficePackage::ReadBytes(saved, QStringLiteral("again"))
                               .Part(QStringLiteral("xl/chartsheets/sheet1.xml"))));
        QVERIFY(!doc.document_element()
                     .child("sheetViews")
                     .child("sheetView")
                     .attribute("tabSelected")
                     .as_bool());
        QVERIFY(Parse(view, TOfficePackage::ReadBytes(saved, QStringLiteral("again"))
                                .Part(QStringLiteral("xl/workbook.xml"))));
        QCOMPARE(view.document_element()
                     .child("bookViews")
                     .child("workbookView")
                     .attribute("activeTab")
                     .as_int(),
                 2);
    }

    void templateWithoutStyles() {
        TOfficePackage package = TOfficePackage::ReadFile(Template());
        package.RemovePart(QStringLiteral("xl/styles.xml"));
        package.SetPart(QStringLiteral("xl/_rels/workbook.xml.rels"),
                        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                        "relationships\"><Relationship Id=\"rId2\" Type=\"http://schemas."
                        "openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                        "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId3\" Type=\"http:"
                        "//schemas.openxmlformats.org/officeDocument/2006/relationships/"
                        "worksheet\" Target=\"worksheets/sheet2.xml\"/><Relationship Id=\"rId4\" "
                        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                        "relationships/worksheet\" Target=\"worksheets/sheet3.xml\"/>"
                        "</Relationships>");
        auto book = TExcelWorkbook::FromBytes(package.WriteBytes(), QStringLiteral("nostyles"));
        TExcelWorksheet sheet = book->Worksheet(3);
        sheet.Range(1, 1, 2, 1).SetNumberFormat(QStringLiteral("@"));
        sheet.Range(1, 1, 3, 1)
            .SetValue(Row({"007", "008", Variant(TDateTime::EncodeDate(2025, 6, 30))}));
        const QString saved = FDir.filePath(QStringLiteral("nostyles.xlsx"));
        book->SaveAs(saved);
        pugi::xml_document styles;
        QVERIFY(Parse(styles, ZipPart(saved, "xl/styles.xml")));
        QVERIFY(styles.document_element().child("fonts").child("font"));
        QVERIFY(ZipPart(saved, "[Content_Types].xml").contains("/xl/styles.xml"));
        auto again = TExcelWorkbook::FromTemplate(saved);
        QCOMPARE(again->Worksheet(3).Cell(1, 1).Value().ToString(), QStringLiteral("007"));
        QCOMPARE(again->Worksheet(3).Cell(3, 1).Value().ToDateTime().ToDate(), QDate(2025, 6, 30));
    }

    void convertsToPdf() {
        if (TOfficeSuite::Program().isEmpty())
            QSKIP("no office suite on this machine");
        auto book = TExcelWorkbook::FromTemplate(Template());
        TExcelWorksheet sheet = book->Worksheet(kSheet2);
        sheet.Range(1, 3, 2, 3).SetNumberFormat(QStringLiteral("@"));
        sheet.Range(1, 3, 2, 3).SetValue(Row({"00987", "匯出值"}));
        const QString pdf = FDir.filePath(QStringLiteral("book.pdf"));
        book->SaveAs(pdf, xlTypePDF);
        const QString text = PdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("00987")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("示範高級中學")));
        QVERIFY(book->FullName().isEmpty()); // a PDF is a copy, not the workbook's file
    }
};

QTEST_GUILESS_MAIN(TstWorkbook)
#include "tst_workbook.moc"
