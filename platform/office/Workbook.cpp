// The spreadsheet model: the package, the workbook part, the list of sheets, the active tab and
// visibility, and saving. Cells, rows and styles are in WorkbookCells.cpp.

#include "OfficeSuite.h"
#include "WorkbookData.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <deque>
#include <limits>

namespace {

const char *const kWorksheetType = "/worksheet";
const char *const kStylesContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
const char *const kStylesType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";

const std::vector<const char *> kWorkbookOrder = {"fileVersion",    "fileSharing",
                                                  "workbookPr",     "workbookProtection",
                                                  "bookViews",      "sheets",
                                                  "functionGroups", "externalReferences",
                                                  "definedNames",   "calcPr",
                                                  "oleSize",        "customWorkbookViews",
                                                  "pivotCaches",    "smartTagPr",
                                                  "smartTagTypes",  "webPublishing",
                                                  "fileRecoveryPr", "webPublishObjects",
                                                  "extLst"};
const std::vector<const char *> kWorksheetOrder = {"sheetPr",
                                                   "dimension",
                                                   "sheetViews",
                                                   "sheetFormatPr",
                                                   "cols",
                                                   "sheetData",
                                                   "sheetCalcPr",
                                                   "sheetProtection",
                                                   "protectedRanges",
                                                   "scenarios",
                                                   "autoFilter",
                                                   "sortState",
                                                   "dataConsolidate",
                                                   "customSheetViews",
                                                   "mergeCells",
                                                   "phoneticPr",
                                                   "conditionalFormatting",
                                                   "dataValidations",
                                                   "hyperlinks",
                                                   "printOptions",
                                                   "pageMargins",
                                                   "pageSetup",
                                                   "headerFooter",
                                                   "rowBreaks",
                                                   "colBreaks",
                                                   "customProperties",
                                                   "cellWatches",
                                                   "ignoredErrors",
                                                   "smartTags",
                                                   "drawing",
                                                   "legacyDrawing",
                                                   "legacyDrawingHF",
                                                   "picture",
                                                   "oleObjects",
                                                   "controls",
                                                   "webPublishItems",
                                                   "tableParts",
                                                   "extLst"};

QString Utf8(const char *text) {
    return QString::fromUtf8(text);
}

} // namespace

// ---- shared helpers -------------------------------------------------------------------------

void ExcelFail(const QString &name, const QString &reason) {
    throw EOfficeError(QStringLiteral("%1: %2").arg(name, reason));
}

void ParseXmlPart(pugi::xml_document &doc, const QByteArray &xml, const QString &package,
                  const QString &part) {
    ParseXml(doc, xml, package + QStringLiteral(": ") + part);
    if (!doc.document_element())
        ExcelFail(package, QStringLiteral("%1沒有內容").arg(part));
}

std::string PrefixOf(const pugi::xml_node &element) {
    const std::string name = element.name();
    const size_t colon = name.find(':');
    return colon == std::string::npos ? std::string() : name.substr(0, colon + 1);
}

std::string LocalName(const pugi::xml_node &element) {
    const std::string name = element.name();
    const size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

pugi::xml_node EnsureChild(pugi::xml_node parent, const std::string &prefix, const char *name,
                           const std::vector<const char *> &order) {
    const std::string full = prefix + name;
    if (pugi::xml_node found = parent.child(full.c_str()))
        return found;
    auto rank = [&](const std::string &local) {
        for (size_t i = 0; i < order.size(); ++i)
            if (local == order[i])
                return static_cast<int>(i);
        return -1;
    };
    const int mine = rank(name);
    for (pugi::xml_node child : parent.children()) {
        if (child.type() != pugi::node_element)
            continue;
        if (rank(LocalName(child)) > mine)
            return parent.insert_child_before(full.c_str(), child);
    }
    return parent.append_child(full.c_str());
}

bool ParseCellRef(const char *text, int &col, int &row) {
    col = 0;
    row = 0;
    const char *p = text;
    while (*p >= 'A' && *p <= 'Z') {
        col = col * 26 + (*p - 'A' + 1);
        if (col > ExcelLimits::MaxColumn)
            return false;
        ++p;
    }
    if (col == 0 || *p < '1' || *p > '9')
        return false;
    while (*p >= '0' && *p <= '9') {
        row = row * 10 + (*p - '0');
        if (row > ExcelLimits::MaxRow)
            return false;
        ++p;
    }
    return *p == '\0';
}

void AppendEscaped(std::string &out, const QString &text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1].unicode() >= 0xDC00 &&
            text[i + 1].unicode() <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) +
                                (char32_t(text[i + 1].unicode()) - 0xDC00);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            ++i;
            continue;
        }
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || (c >= 0xD800 && c <= 0xDFFF) ||
            c >= 0xFFFE)
            continue;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else if (c < 0x800) {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                out += static_cast<char>(0xE0 | (c >> 12));
                out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    }
}

bool IsTrue(const pugi::xml_attribute &attribute, bool otherwise) {
    if (!attribute)
        return otherwise;
    const std::string value = attribute.value();
    return value == "1" || value == "true" || value == "on";
}

// ---- loading --------------------------------------------------------------------------------

void TExcelSheetData::Load(const QString &packageName) {
    ParseXmlPart(Doc, Book->Package.Part(Part), packageName, Part);
    Root = Doc.document_element();
    if (LocalName(Root) != "worksheet")
        ExcelFail(
            packageName,
            QStringLiteral("工作表%1的%2不是工作表(<%3>)").arg(Name, Part, Utf8(Root.name())));
    P = PrefixOf(Root);
    SheetData = EnsureChild(Root, P, "sheetData", kWorksheetOrder);
    const std::string rowName = P + "row", cellName = P + "c";
    int lastRow = 0;
    for (pugi::xml_node row : SheetData.children(rowName.c_str())) {
        int r = lastRow + 1;
        if (pugi::xml_attribute at = row.attribute("r")) {
            bool ok = false;
            r = QByteArray(at.value()).toInt(&ok);
            if (!ok || r < 1 || r > ExcelLimits::MaxRow)
                ExcelFail(packageName,
                          QStringLiteral("工作表%1的列號%2不正確").arg(Name, Utf8(at.value())));
            // A number with blanks or signs around it is written plainly: the rows are found
            // again by their number as it stands.
            if (QByteArray::number(r) != at.value())
                at.set_value(r);
        } else {
            row.append_attribute("r") = r;
        }
        if (r <= lastRow)
            ExcelFail(packageName,
                      QStringLiteral("工作表%1的第%2列重複或未依順序").arg(Name).arg(r));
        lastRow = r;
        Rows[r] = row;
        int lastCol = 0;
        for (pugi::xml_node cell : row.children(cellName.c_str())) {
            int col = lastCol + 1, cellRow = r;
            if (pugi::xml_attribute at = cell.attribute("r")) {
                if (!ParseCellRef(at.value(), col, cellRow) || cellRow != r)
                    ExcelFail(packageName, QStringLiteral("工作表%1第%2列的儲存格位置%3不正確")
                                               .arg(Name)
                                               .arg(r)
                                               .arg(Utf8(at.value())));
            } else {
                if (col > ExcelLimits::MaxColumn)
                    ExcelFail(packageName,
                              QStringLiteral("工作表%1第%2列的儲存格太多").arg(Name).arg(r));
                cell.append_attribute("r") = TExcelWorkbook::CellName(col, r).toUtf8().constData();
            }
            if (col <= lastCol)
                ExcelFail(packageName,
                          QStringLiteral("工作表%1第%2列的儲存格重複或未依順序").arg(Name).arg(r));
            lastCol = col;
        }
    }
    const std::string colsName = P + "cols", colName = P + "col";
    for (pugi::xml_node col : Root.child(colsName.c_str()).children(colName.c_str()))
        if (col.attribute("style"))
            Columns.push_back({col.attribute("min").as_int(), col.attribute("max").as_int(),
                               col.attribute("style").as_int()});
}

namespace {

QString RichText(const pugi::xml_node &item, const std::string &p) {
    QString text;
    const std::string t = p + "t", r = p + "r";
    for (pugi::xml_node child : item.children()) {
        if (child.name() == t)
            text += Utf8(child.text().get());
        else if (child.name() == r)
            text += Utf8(child.child(t.c_str()).text().get());
    }
    return text;
}

} // namespace

void TExcelWorkbookData::Load(const QString &name) {
    WorkbookPart = Package.MainPart(QStringLiteral("xl/workbook.xml"));
    if (!Package.Has(WorkbookPart))
        ExcelFail(name, QStringLiteral("不是Excel活頁簿,沒有活頁簿部分(%1)").arg(WorkbookPart));
    ParseXmlPart(WorkbookDoc, Package.Part(WorkbookPart), name, WorkbookPart);
    pugi::xml_node root = WorkbookDoc.document_element();
    if (LocalName(root) != "workbook")
        ExcelFail(name,
                  QStringLiteral("不是Excel活頁簿(%1是<%2>)").arg(WorkbookPart, Utf8(root.name())));
    P = PrefixOf(root);
    const pugi::xml_node pr = root.child((P + "workbookPr").c_str());
    Date1904 = IsTrue(pr.attribute("date1904"), false);
    LeapBug = IsTrue(pr.attribute("dateCompatibility"), true);

    const TOfficeRelationships rels = Package.Relationships(WorkbookPart);
    const pugi::xml_node sheets = root.child((P + "sheets").c_str());
    const std::string sheetName = P + "sheet";
    for (pugi::xml_node sheet : sheets.children(sheetName.c_str())) {
        TSheetEntry entry;
        entry.Node = sheet;
        entry.Name = Utf8(sheet.attribute("name").value());
        QString id = Utf8(sheet.attribute("r:id").value());
        if (id.isEmpty())
            for (pugi::xml_attribute at : sheet.attributes())
                if (std::string(at.name()).ends_with(":id"))
                    id = Utf8(at.value());
        const TOfficeRelationship *rel = rels.Find(id);
        if (!rel || rel->External)
            ExcelFail(name, QStringLiteral("工作表%1沒有對應的部分(關聯%2)").arg(entry.Name, id));
        entry.Part = TOfficePackage::ResolveTarget(WorkbookPart, rel->Target);
        if (rel->Type.endsWith(QLatin1String(kWorksheetType))) {
            if (!Package.Has(entry.Part))
                ExcelFail(name,
                          QStringLiteral("工作表%1的部分%2不存在").arg(entry.Name, entry.Part));
            auto data = std::make_unique<TExcelSheetData>();
            data->Book = this;
            data->Name = entry.Name;
            data->Part = entry.Part;
            data->Entry = sheet;
            data->Tab = static_cast<int>(Tabs.size());
            data->Index = static_cast<int>(Sheets.size()) + 1;
            data->Load(name);
            entry.Sheet = data.get();
            Sheets.push_back(std::move(data));
        }
        Tabs.push_back(entry);
    }
    if (Tabs.empty())
        ExcelFail(name, QStringLiteral("活頁簿沒有任何工作表"));

    if (const TOfficeRelationship *rel = rels.FindType(QStringLiteral("/styles"))) {
        Styles.Part = TOfficePackage::ResolveTarget(WorkbookPart, rel->Target);
        if (Package.Has(Styles.Part)) {
            ParseXmlPart(Styles.Doc, Package.Part(Styles.Part), name, Styles.Part);
            Styles.Present = true;
        }
    }
    if (!Styles.Present)
        Styles.Part = TOfficePackage::ResolveTarget(WorkbookPart, QStringLiteral("styles.xml"));
    Styles.Index();

    if (const TOfficeRelationship *rel = rels.FindType(QStringLiteral("/sharedStrings"))) {
        const QString part = TOfficePackage::ResolveTarget(WorkbookPart, rel->Target);
        if (Package.Has(part)) {
            pugi::xml_document doc;
            ParseXmlPart(doc, Package.Part(part), name, part);
            const std::string p = PrefixOf(doc.document_element());
            const std::string siName = p + "si";
            for (pugi::xml_node si : doc.document_element().children(siName.c_str()))
                SharedStrings.push_back(RichText(si, p));
        }
    }
}

void TExcelWorkbookData::CheckOpen() const {
    if (Closed)
        ExcelFail(FullName.isEmpty() ? TemplateName : FullName, QStringLiteral("活頁簿已關閉"));
}

// ---- the active tab and visibility ----------------------------------------------------------

namespace {

pugi::xml_node WorkbookView(pugi::xml_document &doc, const std::string &p, bool make) {
    pugi::xml_node root = doc.document_element();
    pugi::xml_node views = root.child((p + "bookViews").c_str());
    if (!views && make)
        views = EnsureChild(root, p, "bookViews", kWorkbookOrder);
    pugi::xml_node view = views.child((p + "workbookView").c_str());
    if (!view && make)
        view = views.append_child((p + "workbookView").c_str());
    return view;
}

// Sets or clears the selection mark of the sheet views of a sheet's tree; true when it changed.
bool MarkSelected(pugi::xml_node root, const std::string &p, bool selected, bool make) {
    pugi::xml_node views = root.child((p + "sheetViews").c_str());
    if (!views) {
        if (!selected || !make)
            return false;
        views = EnsureChild(root, p, "sheetViews", kWorksheetOrder);
    }
    pugi::xml_node first = views.child((p + "sheetView").c_str());
    if (!first) {
        if (!selected || !make)
            return false;
        first = views.append_child((p + "sheetView").c_str());
        first.append_attribute("workbookViewId") = 0;
    }
    bool changed = false;
    const std::string viewName = p + "sheetView";
    for (pugi::xml_node view : views.children(viewName.c_str())) {
        const bool want = selected && view == first;
        if (IsTrue(view.attribute("tabSelected"), false) == want)
            continue;
        changed = true;
        if (want) {
            if (!view.attribute("tabSelected"))
                view.append_attribute("tabSelected");
            view.attribute("tabSelected").set_value("1");
        } else {
            view.remove_attribute("tabSelected");
        }
    }
    return changed;
}

} // namespace

int TExcelWorkbookData::ActiveTab() const {
    auto &doc = const_cast<pugi::xml_document &>(WorkbookDoc);
    const int tab = WorkbookView(doc, P, false).attribute("activeTab").as_int(0);
    return tab >= 0 && tab < static_cast<int>(Tabs.size()) ? tab : 0;
}

bool TExcelWorkbookData::TabVisible(int tab) const {
    const std::string state = Tabs[static_cast<size_t>(tab)].Node.attribute("state").value();
    return state.empty() || state == "visible";
}

void TExcelWorkbookData::SelectTab(int tab) {
    pugi::xml_node view = WorkbookView(WorkbookDoc, P, true);
    if (!view.attribute("activeTab"))
        view.append_attribute("activeTab");
    view.attribute("activeTab").set_value(tab);
    if (view.attribute("firstSheet").as_int(0) > tab)
        view.attribute("firstSheet").set_value(tab);
    WorkbookChanged = true;
    for (size_t i = 0; i < Tabs.size(); ++i) {
        const bool selected = static_cast<int>(i) == tab;
        if (TExcelSheetData *sheet = Tabs[i].Sheet) {
            if (MarkSelected(sheet->Root, sheet->P, selected, true))
                sheet->Changed = true;
            continue;
        }
        // Other kinds of sheet: their part is rewritten only when its mark changes.
        if (!Package.Has(Tabs[i].Part))
            continue;
        pugi::xml_document other;
        const QByteArray xml = Package.Part(Tabs[i].Part);
        if (!other.load_buffer(xml.constData(), static_cast<size_t>(xml.size())) ||
            !other.document_element())
            continue;
        if (MarkSelected(other.document_element(), PrefixOf(other.document_element()), selected,
                         false))
            Package.SetPart(Tabs[i].Part, XmlBytes(other));
    }
    Touch();
}

// ---- dates ----------------------------------------------------------------------------------

double TExcelWorkbookData::SerialOf(double dateTime) const {
    if (Date1904)
        return dateTime - 1462.0;
    // The 1900 system counts a 29 February 1900 that never was: serials before March 1900 are
    // one less than the day count.
    return LeapBug && dateTime < 61.0 ? dateTime - 1.0 : dateTime;
}

double TExcelWorkbookData::DateTimeOf(double serial) const {
    if (Date1904)
        return serial + 1462.0;
    return LeapBug && serial < 60.0 ? serial + 1.0 : serial;
}

// ---- saving ---------------------------------------------------------------------------------

namespace {

// The text of a streamed sheet: pieces that point into the sheet's chunks, into its spill file
// or into text made for this save.
struct TSheetPieces {
    struct TPiece {
        const char *Data; // nullptr: the piece is in the spill file at FileOffset
        qint64 FileOffset;
        size_t Length;
    };
    std::deque<std::string> Owned;
    std::vector<TPiece> Pieces;
    std::shared_ptr<QTemporaryFile> Spill;
    qint64 Size = 0;
    size_t At = 0, Offset = 0;
    bool Failed = false;

    void Add(const char *data, size_t length) {
        if (length == 0)
            return;
        if (!Pieces.empty() && Pieces.back().Data &&
            Pieces.back().Data + Pieces.back().Length == data)
            Pieces.back().Length += length;
        else
            Pieces.push_back({data, -1, length});
        Size += static_cast<qint64>(length);
    }
    void AddSpilled(qint64 fileOffset, size_t length) {
        if (length == 0)
            return;
        if (!Pieces.empty() && !Pieces.back().Data &&
            Pieces.back().FileOffset + qint64(Pieces.back().Length) == fileOffset)
            Pieces.back().Length += length;
        else
            Pieces.push_back({nullptr, fileOffset, length});
        Size += static_cast<qint64>(length);
    }
    void AddOwned(std::string text) {
        Owned.push_back(std::move(text));
        Add(Owned.back().data(), Owned.back().size());
    }
    qint64 Read(char *buffer, qint64 max) {
        qint64 done = 0;
        while (done < max && At < Pieces.size()) {
            const TPiece &piece = Pieces[At];
            const size_t take =
                std::min<size_t>(piece.Length - Offset, static_cast<size_t>(max - done));
            if (piece.Data) {
                memcpy(buffer + done, piece.Data + Offset, take);
            } else if (!Spill->seek(piece.FileOffset + qint64(Offset)) ||
                       Spill->read(buffer + done, qint64(take)) != qint64(take)) {
                return -1; // the spill file went away: the save fails, nothing is half-written
            }
            done += static_cast<qint64>(take);
            Offset += take;
            if (Offset == piece.Length) {
                ++At;
                Offset = 0;
            }
        }
        return done;
    }
};

} // namespace

TOfficePackage::TStreamedPart TExcelSheetData::Stream() {
    int c1, r1, c2, r2;
    pugi::xml_node dimension = EnsureChild(Root, P, "dimension", kWorksheetOrder);
    const QString ref = !Used(c1, r1, c2, r2) ? QStringLiteral("A1")
                        : c1 == c2 && r1 == r2
                            ? TExcelWorkbook::CellName(c1, r1)
                            : TExcelWorkbook::CellName(c1, r1) + QLatin1Char(':') +
                                  TExcelWorkbook::CellName(c2, r2);
    if (!dimension.attribute("ref"))
        dimension.append_attribute("ref");
    dimension.attribute("ref").set_value(ref.toUtf8().constData());

    auto pieces = std::make_shared<TSheetPieces>();
    pieces->Spill = Spill;
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<";
    head += Root.name();
    for (pugi::xml_attribute at : Root.attributes()) {
        head += ' ';
        head += at.name();
        head += "=\"";
        AppendEscaped(head, Utf8(at.value()));
        head += '"';
    }
    head += '>';
    pugi::xml_node child = Root.first_child();
    for (; child && child != SheetData; child = child.next_sibling())
        AppendXml(head, child);
    head += "<" + P + "sheetData>";
    pieces->AddOwned(std::move(head));

    const std::string rowName = P + "row";
    std::string tree; // tree rows waiting to be added
    auto flushTree = [&] {
        if (!tree.empty())
            pieces->AddOwned(std::move(tree));
        tree.clear();
    };
    auto addStreamed = [&](const TStreamedRow &row) {
        flushTree();
        const TStreamChunk &chunk = Chunks[row.Chunk];
        if (chunk.Spilled())
            pieces->AddSpilled(chunk.At + row.Offset, row.Length);
        else
            pieces->Add(chunk.Text.data() + row.Offset, row.Length);
    };
    // The tree's rows and the streamed ones meet in row order; a streamed row and a tree row
    // of the same number are merged cell by cell.
    pugi::xml_node treeRow = SheetData.child(rowName.c_str());
    auto addTreeRowsBefore = [&](int r) {
        for (; treeRow && treeRow.attribute("r").as_int() < r;
             treeRow = treeRow.next_sibling(rowName.c_str())) {
            AppendXml(tree, treeRow);
            if (tree.size() > (1u << 18))
                flushTree();
        }
    };
    ForEachStreamed([&](const TStreamedRow &written) {
        addTreeRowsBefore(written.Row);
        if (!treeRow || treeRow.attribute("r").as_int() != written.Row) {
            addStreamed(written);
            return;
        }
        pugi::xml_document merged, parsed;
        pugi::xml_node copy = merged.append_copy(treeRow);
        const std::string text = RowText(written);
        parsed.load_buffer(text.data(), text.size());
        TExcelSheetData scratch;
        scratch.P = P;
        scratch.SheetData = merged;
        scratch.Rows[written.Row] = copy;
        scratch.FoldRow(parsed.first_child());
        AppendXml(tree, scratch.Rows[written.Row]);
        treeRow = treeRow.next_sibling(rowName.c_str());
    });
    addTreeRowsBefore(std::numeric_limits<int>::max());
    flushTree();

    std::string tail = "</" + P + "sheetData>";
    for (child = SheetData.next_sibling(); child; child = child.next_sibling())
        AppendXml(tail, child);
    tail += "</";
    tail += Root.name();
    tail += '>';
    pieces->AddOwned(std::move(tail));

    TOfficePackage::TStreamedPart part;
    part.Size = pieces->Size;
    part.Rewind = [pieces] {
        pieces->At = 0;
        pieces->Offset = 0;
    };
    part.Read = [pieces](char *buffer, qint64 max) { return pieces->Read(buffer, max); };
    return part;
}

std::map<QString, TOfficePackage::TStreamedPart> TExcelWorkbookData::Prepare() {
    CheckOpen();
    if (Written) {
        // Written cells make the cached results of formulas stale: the reader computes them
        // again, and the calculation chain (which may name cells that lost their formula) goes.
        pugi::xml_node calc =
            EnsureChild(WorkbookDoc.document_element(), P, "calcPr", kWorkbookOrder);
        if (!calc.attribute("fullCalcOnLoad"))
            calc.append_attribute("fullCalcOnLoad") = "1";
        WorkbookChanged = true;
        // The stored calculation order no longer fits the cells: it goes.
        TOfficeRelationships rels = Package.Relationships(WorkbookPart);
        const std::vector<TOfficeRelationship> chains =
            rels.RemoveType(QStringLiteral("/calcChain"));
        for (const TOfficeRelationship &chain : chains)
            Package.RemovePart(TOfficePackage::ResolveTarget(WorkbookPart, chain.Target));
        if (!chains.empty())
            Package.SetPart(TOfficePackage::RelsPartOf(WorkbookPart), rels.ToXml());
    }
    if (Styles.Changed) {
        if (!Styles.Present) {
            TOfficeRelationships rels = Package.Relationships(WorkbookPart);
            const QString target = Styles.Part.mid(WorkbookPart.lastIndexOf('/') + 1);
            rels.Ensure(QLatin1String(kStylesType), target);
            Package.SetPart(TOfficePackage::RelsPartOf(WorkbookPart), rels.ToXml());
            Package.SetContentTypeOverride(Styles.Part, QLatin1String(kStylesContentType));
            Styles.Present = true;
        }
        Package.SetPart(Styles.Part, XmlBytes(Styles.Doc));
        Styles.Changed = false;
    }
    if (WorkbookChanged) {
        Package.SetPart(WorkbookPart, XmlBytes(WorkbookDoc));
        WorkbookChanged = false;
    }
    std::map<QString, TOfficePackage::TStreamedPart> streams;
    for (const auto &sheet : Sheets)
        if (sheet->Changed)
            streams[sheet->Part] = sheet->Stream();
    return streams;
}

// ---- TExcelWorkbook -------------------------------------------------------------------------

TExcelWorkbook::TExcelWorkbook() : d(std::make_unique<TExcelWorkbookData>()) {
    d->Q = this;
}
TExcelWorkbook::~TExcelWorkbook() = default;

std::unique_ptr<TExcelWorkbook> TExcelWorkbook::FromTemplate(const QString &templateFile) {
    std::unique_ptr<TExcelWorkbook> book(new TExcelWorkbook);
    book->d->TemplateName = templateFile;
    book->d->Package = TOfficePackage::ReadFile(templateFile);
    book->d->Load(templateFile);
    return book;
}

std::unique_ptr<TExcelWorkbook> TExcelWorkbook::FromBytes(const QByteArray &package,
                                                          const QString &name) {
    std::unique_ptr<TExcelWorkbook> book(new TExcelWorkbook);
    book->d->TemplateName = name;
    book->d->Package = TOfficePackage::ReadBytes(package, name);
    book->d->Load(name);
    return book;
}

QString TExcelWorkbook::TemplateName() const {
    return d->TemplateName;
}
QString TExcelWorkbook::FullName() const {
    return d->FullName;
}
QString TExcelWorkbook::Name() const {
    if (!d->FullName.isEmpty())
        return QFileInfo(d->FullName).fileName();
    return QFileInfo(d->TemplateName).completeBaseName() + QLatin1Char('1');
}
bool TExcelWorkbook::Saved() const {
    return d->Saved;
}
bool TExcelWorkbook::IsClosed() const {
    return d->Closed;
}

int TExcelWorkbook::WorksheetCount() const {
    d->CheckOpen();
    return static_cast<int>(d->Sheets.size());
}

TExcelWorksheet TExcelWorkbook::Worksheet(int index) const {
    d->CheckOpen();
    if (index < 1 || index > static_cast<int>(d->Sheets.size()))
        ExcelFail(d->TemplateName,
                  QStringLiteral("沒有第%1個工作表(共%2個)").arg(index).arg(d->Sheets.size()));
    TExcelWorksheet sheet;
    sheet.FBook = const_cast<TExcelWorkbook *>(this);
    sheet.FSheet = d->Sheets[static_cast<size_t>(index - 1)].get();
    return sheet;
}

TExcelWorksheet TExcelWorkbook::Worksheet(const QString &name) const {
    d->CheckOpen();
    for (const auto &data : d->Sheets)
        if (data->Name.compare(name, Qt::CaseInsensitive) == 0)
            return Worksheet(data->Index);
    return {};
}

QStringList TExcelWorkbook::WorksheetNames() const {
    d->CheckOpen();
    QStringList names;
    for (const auto &data : d->Sheets)
        names << data->Name;
    return names;
}

namespace {

const char *const kWorksheetContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
const char *const kWorksheetRelType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const char *const kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char *const kEmptyWorksheet =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
    "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
    "footer=\"0.3\"/></worksheet>";

// The prefix (with its colon) the element's document gives the relationships namespace,
// declared on the root as "r" when it has none.
std::string RelationshipsPrefix(pugi::xml_node root) {
    for (pugi::xml_attribute at : root.attributes()) {
        const std::string name = at.name();
        if (name.starts_with("xmlns:") && std::string(at.value()) == kRelationshipsNamespace)
            return name.substr(6) + ":";
    }
    root.append_attribute("xmlns:r") = kRelationshipsNamespace;
    return "r:";
}

} // namespace

TExcelWorksheet TExcelWorkbook::AddWorksheet(const QString &wanted) {
    d->CheckOpen();
    const QString bookName = d->FullName.isEmpty() ? d->TemplateName : d->FullName;
    auto taken = [this](const QString &name) {
        return std::any_of(d->Tabs.begin(), d->Tabs.end(), [&](const TSheetEntry &tab) {
            return tab.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    QString name = wanted.trimmed();
    if (name.isEmpty()) {
        for (int n = 1; name.isEmpty() || taken(name); ++n)
            name = QStringLiteral("工作表%1").arg(n);
    } else if (name.size() > 31) {
        ExcelFail(bookName, QStringLiteral("工作表名稱「%1」超過31個字").arg(name));
    } else if (name.contains(QRegularExpression(QStringLiteral("[:\\\\/?*\\[\\]]"))) ||
               name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\''))) {
        ExcelFail(
            bookName,
            QStringLiteral("工作表名稱「%1」不可含 : \\ / ? * [ ] 或以 ' 開頭、結尾").arg(name));
    } else if (taken(name)) {
        ExcelFail(bookName, QStringLiteral("已有名為「%1」的工作表").arg(name));
    }

    // The part: the first free "worksheets/sheetN.xml" beside the workbook part.
    const QString folder = d->WorkbookPart.left(d->WorkbookPart.lastIndexOf('/') + 1);
    QString target, part;
    for (int n = 1; part.isEmpty() || d->Package.Has(part); ++n) {
        target = QStringLiteral("worksheets/sheet%1.xml").arg(n);
        part = folder + target;
    }
    TOfficeRelationships rels = d->Package.Relationships(d->WorkbookPart);
    const QString id = rels.Ensure(QLatin1String(kWorksheetRelType), target);

    // Everything that can fail is done before the workbook changes.
    auto data = std::make_unique<TExcelSheetData>();
    data->Book = d.get();
    data->Name = name;
    data->Part = part;
    data->Tab = static_cast<int>(d->Tabs.size());
    data->Index = static_cast<int>(d->Sheets.size()) + 1;
    d->Package.SetPart(part, QByteArray(kEmptyWorksheet));
    data->Load(bookName);

    pugi::xml_node root = d->WorkbookDoc.document_element();
    pugi::xml_node sheets = EnsureChild(root, d->P, "sheets", kWorkbookOrder);
    unsigned sheetId = 0;
    const std::string sheetName = d->P + "sheet";
    for (pugi::xml_node sheet : sheets.children(sheetName.c_str()))
        sheetId = std::max(sheetId, sheet.attribute("sheetId").as_uint(0));
    const std::string idName = RelationshipsPrefix(root) + "id";
    pugi::xml_node entry = sheets.append_child(sheetName.c_str());
    entry.append_attribute("name") = name.toUtf8().constData();
    entry.append_attribute("sheetId") = sheetId + 1;
    entry.append_attribute(idName.c_str()) = id.toUtf8().constData();
    data->Entry = entry;
    d->Package.SetPart(TOfficePackage::RelsPartOf(d->WorkbookPart), rels.ToXml());
    d->Package.SetContentTypeOverride(part, QLatin1String(kWorksheetContentType));
    d->WorkbookChanged = true;
    d->Touch();

    TSheetEntry tab;
    tab.Name = name;
    tab.Part = part;
    tab.Node = entry;
    tab.Sheet = data.get();
    d->Tabs.push_back(tab);
    d->Sheets.push_back(std::move(data));
    const TExcelWorksheet added = Worksheet(static_cast<int>(d->Sheets.size()));
    if (OnNewSheet)
        OnNewSheet(this, added);
    return added;
}

TExcelWorksheet TExcelWorkbook::ActiveSheet() const {
    d->CheckOpen();
    if (TExcelSheetData *data = d->Tabs[static_cast<size_t>(d->ActiveTab())].Sheet)
        return Worksheet(data->Index);
    return {};
}

void TExcelWorkbook::SaveAs(const QString &fileName, int fileFormat) {
    d->CheckOpen();
    if (fileFormat == xlTypePDF) {
        QTemporaryDir folder;
        if (!folder.isValid())
            ExcelFail(fileName, QStringLiteral("無法建立暫存資料夾"));
        const QString xlsx =
            folder.filePath(QFileInfo(fileName).completeBaseName() + QStringLiteral(".xlsx"));
        d->Package.WriteFile(xlsx, d->Prepare());
        TOfficeSuite::ConvertToPdf(xlsx, fileName);
        return;
    }
    if (fileFormat != xlOpenXMLWorkbook)
        ExcelFail(fileName, QStringLiteral("不支援的存檔格式%1").arg(fileFormat));
    d->Package.WriteFile(fileName, d->Prepare());
    d->FullName = QFileInfo(fileName).absoluteFilePath();
    d->Saved = true;
}

void TExcelWorkbook::Save() {
    d->CheckOpen();
    if (d->FullName.isEmpty())
        ExcelFail(Name(), QStringLiteral("活頁簿尚未存檔,沒有檔名"));
    SaveAs(d->FullName);
}

QByteArray TExcelWorkbook::SaveToBytes() {
    return d->Package.WriteBytes(d->Prepare());
}

QByteArray TExcelWorkbook::SheetXml(const TExcelWorksheet &sheet) {
    d->CheckOpen();
    if (!sheet.FSheet || sheet.FBook != this)
        ExcelFail(d->TemplateName, QStringLiteral("工作表不屬於這個活頁簿"));
    if (!sheet.FSheet->Changed)
        return d->Package.Part(sheet.FSheet->Part);
    TOfficePackage::TStreamedPart part = sheet.FSheet->Stream();
    QByteArray out;
    out.resize(static_cast<qsizetype>(part.Size));
    const qint64 got = part.Read(out.data(), part.Size);
    out.resize(static_cast<qsizetype>(std::max<qint64>(got, 0)));
    return out;
}

void TExcelWorkbook::Close(bool saveChanges, const QString &fileName) {
    d->CheckOpen();
    if (OnBeforeClose)
        OnBeforeClose(this);
    if (saveChanges) {
        if (fileName.isEmpty())
            Save();
        else
            SaveAs(fileName);
    }
    d->Closed = true;
    for (const auto &sheet : d->Sheets)
        sheet->ClearStreamed();
}

QString TExcelWorkbook::ColumnName(int col) {
    QString name;
    for (int n = col; n > 0; n = (n - 1) / 26)
        name.prepend(QLatin1Char(static_cast<char>('A' + (n - 1) % 26)));
    return name;
}

QString TExcelWorkbook::CellName(int col, int row) {
    return ColumnName(col) + QString::number(row);
}

// ---- TExcelWorksheet ------------------------------------------------------------------------

QString TExcelWorksheet::Name() const {
    FSheet->Book->CheckOpen();
    return FSheet->Name;
}

int TExcelWorksheet::Index() const {
    FSheet->Book->CheckOpen();
    return FSheet->Index;
}

int TExcelWorksheet::Visible() const {
    FSheet->Book->CheckOpen();
    const std::string state = FSheet->Entry.attribute("state").value();
    if (state == "hidden")
        return xlSheetHidden;
    if (state == "veryHidden")
        return xlSheetVeryHidden;
    return xlSheetVisible;
}

void TExcelWorksheet::SetVisible(int visibility) {
    TExcelWorkbookData &book = *FSheet->Book;
    book.CheckOpen();
    const char *state = visibility == xlSheetHidden                       ? "hidden"
                        : visibility == xlSheetVeryHidden                 ? "veryHidden"
                        : visibility == xlSheetVisible || visibility == 1 ? "visible"
                                                                          : nullptr;
    if (!state)
        ExcelFail(book.TemplateName,
                  QStringLiteral("工作表%1的顯示狀態%2不正確").arg(FSheet->Name).arg(visibility));
    const int wanted = visibility == 1 ? xlSheetVisible : visibility;
    if (Visible() == wanted)
        return;
    const int tabs = static_cast<int>(book.Tabs.size());
    if (wanted != xlSheetVisible) {
        int others = 0;
        for (int i = 0; i < tabs; ++i)
            if (i != FSheet->Tab && book.TabVisible(i))
                ++others;
        if (others == 0)
            ExcelFail(
                book.TemplateName,
                QStringLiteral("無法隱藏工作表%1:活頁簿至少要顯示一個工作表").arg(FSheet->Name));
    }
    pugi::xml_attribute at = FSheet->Entry.attribute("state");
    if (!at)
        at = FSheet->Entry.append_attribute("state");
    at.set_value(state);
    book.WorkbookChanged = true;
    book.Touch();
    if (wanted != xlSheetVisible && book.ActiveTab() == FSheet->Tab) {
        for (int step = 1; step < tabs; ++step) {
            const int candidate = (FSheet->Tab + step) % tabs;
            if (book.TabVisible(candidate)) {
                book.SelectTab(candidate);
                break;
            }
        }
    }
}

void TExcelWorksheet::Activate() {
    TExcelWorkbookData &book = *FSheet->Book;
    book.CheckOpen();
    if (Visible() != xlSheetVisible)
        ExcelFail(book.TemplateName, QStringLiteral("無法啟用隱藏的工作表%1").arg(FSheet->Name));
    book.SelectTab(FSheet->Tab);
}

TExcelRange TExcelWorksheet::Cell(int col, int row) const {
    return Range(col, row, col, row);
}

TExcelRange TExcelWorksheet::Range(int col1, int row1, int col2, int row2) const {
    FSheet->Book->CheckOpen();
    for (int col : {col1, col2})
        if (col < 1 || col > ExcelLimits::MaxColumn)
            ExcelFail(
                FSheet->Name,
                QStringLiteral("欄%1超出工作表的範圍(1..%2)").arg(col).arg(ExcelLimits::MaxColumn));
    for (int row : {row1, row2})
        if (row < 1 || row > ExcelLimits::MaxRow)
            ExcelFail(
                FSheet->Name,
                QStringLiteral("列%1超出工作表的範圍(1..%2)").arg(row).arg(ExcelLimits::MaxRow));
    TExcelRange range;
    range.FBook = FBook;
    range.FSheet = FSheet;
    range.FCol1 = std::min(col1, col2);
    range.FCol2 = std::max(col1, col2);
    range.FRow1 = std::min(row1, row2);
    range.FRow2 = std::max(row1, row2);
    return range;
}

QString TExcelWorksheet::UsedAddress() const {
    FSheet->Book->CheckOpen();
    int c1, r1, c2, r2;
    if (!FSheet->Used(c1, r1, c2, r2))
        return QStringLiteral("A1");
    return Range(c1, r1, c2, r2).Address();
}

TExcelSheetMemory TExcelWorksheet::Memory() const {
    TExcelSheetMemory memory;
    memory.TreeRows = static_cast<int>(FSheet->Rows.size());
    memory.StreamedRows = FSheet->StreamedCount;
    memory.StreamedBytes = FSheet->StreamedBytes;
    memory.Chunks = static_cast<int>(FSheet->Chunks.size());
    memory.HeldBytes = qint64(FSheet->Chunks.size() * sizeof(TStreamChunk));
    for (const TStreamChunk &chunk : FSheet->Chunks)
        memory.HeldBytes +=
            qint64(chunk.Text.capacity() + chunk.Index.capacity() * sizeof(TStreamChunk::TEntry));
    return memory;
}

QString TExcelRange::Address() const {
    const QString first = TExcelWorkbook::CellName(FCol1, FRow1);
    if (FCol1 == FCol2 && FRow1 == FRow2)
        return first;
    return first + QLatin1Char(':') + TExcelWorkbook::CellName(FCol2, FRow2);
}
