// The spreadsheet model's cells: rows written as XML text or folded into the sheet's tree,
// values read back, number formats and the cell formats of the styles part.

#include "WorkbookData.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr size_t kChunkSize = 64u << 10;

const std::vector<const char *> kStylesOrder = {"numFmts",      "fonts",   "fills",      "borders",
                                                "cellStyleXfs", "cellXfs", "cellStyles", "dxfs",
                                                "tableStyles",  "colors",  "extLst"};

// What an empty styles part gets so that a cell format can point somewhere.
const char *const kMinimalParts =
    "<styleSheet><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
    "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border><left/><right/><top/>"
    "<bottom/><diagonal/></border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" "
    "fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs><cellXfs count=\"1\"><xf "
    "numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
    "</styleSheet>";

const char *const kDateCode = "yyyy/mm/dd";
const char *const kDateTimeCode = "yyyy/mm/dd hh:mm:ss";
const char *const kTimeCode = "hh:mm:ss";

// The number formats every reader knows by id.
const std::map<int, const char *> &BuiltinCodes() {
    static const std::map<int, const char *> codes = {{0, "General"},
                                                      {1, "0"},
                                                      {2, "0.00"},
                                                      {3, "#,##0"},
                                                      {4, "#,##0.00"},
                                                      {9, "0%"},
                                                      {10, "0.00%"},
                                                      {11, "0.00E+00"},
                                                      {12, "# ?/?"},
                                                      {13, "# ?\?/??"},
                                                      {14, "mm-dd-yy"},
                                                      {15, "d-mmm-yy"},
                                                      {16, "d-mmm"},
                                                      {17, "mmm-yy"},
                                                      {18, "h:mm AM/PM"},
                                                      {19, "h:mm:ss AM/PM"},
                                                      {20, "h:mm"},
                                                      {21, "h:mm:ss"},
                                                      {22, "m/d/yy h:mm"},
                                                      {37, "#,##0 ;(#,##0)"},
                                                      {38, "#,##0 ;[Red](#,##0)"},
                                                      {39, "#,##0.00;(#,##0.00)"},
                                                      {40, "#,##0.00;[Red](#,##0.00)"},
                                                      {45, "mm:ss"},
                                                      {46, "[h]:mm:ss"},
                                                      {47, "mmss.0"},
                                                      {48, "##0.0E+0"},
                                                      {49, "@"}};
    return codes;
}

// Whether a format code shows numbers as dates or times: a date or time letter outside quoted
// text, escapes and brackets (but for elapsed-time brackets such as [h]).
bool IsDateCode(const QString &code) {
    bool inQuote = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (inQuote) {
            inQuote = c != QLatin1Char('"');
            continue;
        }
        if (c == QLatin1Char('"')) {
            inQuote = true;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(QLatin1Char(']'), i);
            const QString inside = code.mid(i + 1, end < 0 ? -1 : end - i - 1).toLower();
            if (inside == QLatin1String("h") || inside == QLatin1String("hh") ||
                inside == QLatin1String("m") || inside == QLatin1String("mm") ||
                inside == QLatin1String("s") || inside == QLatin1String("ss"))
                return true;
            if (end < 0)
                return false;
            i = end;
        } else if (c == QLatin1Char(';')) {
            return false; // the first section decides
        } else {
            const char l = static_cast<char>(c.toLower().unicode());
            if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's')
                return true;
        }
    }
    return false;
}

void SetCount(pugi::xml_node collection, const std::string &childName) {
    int n = 0;
    for (pugi::xml_node child : collection.children(childName.c_str())) {
        (void)child;
        ++n;
    }
    if (!collection.attribute("count"))
        collection.append_attribute("count");
    collection.attribute("count").set_value(n);
}

void PrefixNames(pugi::xml_node node, const std::string &p) {
    if (p.empty())
        return;
    if (node.type() == pugi::node_element)
        node.set_name((p + node.name()).c_str());
    for (pugi::xml_node child : node.children())
        PrefixNames(child, p);
}

void AppendNumber(std::string &out, double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Text that reads as a plain number: an optional sign, digits with an optional decimal
// point, an optional exponent.
bool ReadsAsNumber(const QString &text, double &value) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 0x80)
        ++i, ++digits;
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 0x80)
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        int exponent = 0;
        while (i < n && text[i].isDigit() && text[i].unicode() < 0x80)
            ++i, ++exponent;
        if (exponent == 0)
            return false;
    }
    if (i != n)
        return false;
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

QString DateText(double dateTime) {
    const TDateTime value(dateTime);
    int y, mo, d, h, mi, s, ms;
    value.DecodeDate(y, mo, d);
    value.DecodeTime(h, mi, s, ms);
    QString text = QStringLiteral("%1/%2/%3")
                       .arg(y, 4, 10, QLatin1Char('0'))
                       .arg(mo, 2, 10, QLatin1Char('0'))
                       .arg(d, 2, 10, QLatin1Char('0'));
    if (h || mi || s)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(h, 2, 10, QLatin1Char('0'))
                    .arg(mi, 2, 10, QLatin1Char('0'))
                    .arg(s, 2, 10, QLatin1Char('0'));
    return text;
}

int CellColumn(const pugi::xml_node &cell) {
    int col = 0, row = 0;
    ParseCellRef(cell.attribute("r").value(), col, row);
    return col;
}

pugi::xml_node FindCell(const pugi::xml_node &row, const std::string &cellName, int col) {
    for (pugi::xml_node cell : row.children(cellName.c_str())) {
        const int at = CellColumn(cell);
        if (at == col)
            return cell;
        if (at > col)
            break;
    }
    return {};
}

QString RichTextOf(const pugi::xml_node &item, const std::string &p) {
    QString text;
    const std::string t = p + "t", r = p + "r";
    for (pugi::xml_node child : item.children()) {
        if (child.name() == t)
            text += QString::fromUtf8(child.text().get());
        else if (child.name() == r)
            text += QString::fromUtf8(child.child(t.c_str()).text().get());
    }
    return text;
}

} // namespace

// ---- styles ---------------------------------------------------------------------------------

void TExcelStyles::Index() {
    Codes.clear();
    Xfs.clear();
    DateFormats.clear();
    TextFormats.clear();
    pugi::xml_node root = Doc.document_element();
    if (!root)
        return;
    P = PrefixOf(root);
    const std::string fmtName = P + "numFmt", xfName = P + "xf";
    for (pugi::xml_node fmt : root.child((P + "numFmts").c_str()).children(fmtName.c_str()))
        Codes[fmt.attribute("numFmtId").as_int(-1)] =
            QString::fromUtf8(fmt.attribute("formatCode").value());
    for (pugi::xml_node xf : root.child((P + "cellXfs").c_str()).children(xfName.c_str()))
        Xfs.push_back(xf);
}

int TExcelStyles::NumFmtOfXf(int xf) const {
    if (xf < 0 || xf >= static_cast<int>(Xfs.size()))
        return 0;
    return Xfs[static_cast<size_t>(xf)].attribute("numFmtId").as_int(0);
}

QString TExcelStyles::CodeOf(int numFmtId) const {
    const auto custom = Codes.find(numFmtId);
    if (custom != Codes.end())
        return custom->second;
    const auto builtin = BuiltinCodes().find(numFmtId);
    return builtin != BuiltinCodes().end() ? QString::fromLatin1(builtin->second)
                                           : QStringLiteral("General");
}

bool TExcelStyles::IsDate(int numFmtId) {
    const auto known = DateFormats.find(numFmtId);
    if (known != DateFormats.end())
        return known->second;
    bool date;
    if (Codes.count(numFmtId))
        date = IsDateCode(Codes[numFmtId]);
    else
        date = (numFmtId >= 14 && numFmtId <= 22) || (numFmtId >= 27 && numFmtId <= 36) ||
               (numFmtId >= 45 && numFmtId <= 47) || (numFmtId >= 50 && numFmtId <= 58);
    DateFormats[numFmtId] = date;
    return date;
}

bool TExcelStyles::IsText(int numFmtId) {
    const auto known = TextFormats.find(numFmtId);
    if (known != TextFormats.end())
        return known->second;
    const bool text = CodeOf(numFmtId) == QLatin1String("@");
    TextFormats[numFmtId] = text;
    return text;
}

int TExcelStyles::NumFmtFor(const QString &code) {
    if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return 0;
    for (const auto &[id, custom] : Codes)
        if (custom == code)
            return id;
    for (const auto &[id, builtin] : BuiltinCodes())
        if (code == QLatin1String(builtin))
            return id;
    EnsureMinimal();
    pugi::xml_node root = Doc.document_element();
    pugi::xml_node numFmts = EnsureChild(root, P, "numFmts", kStylesOrder);
    int id = 163;
    for (const auto &[existing, text] : Codes)
        id = std::max(id, existing);
    ++id;
    pugi::xml_node fmt = numFmts.append_child((P + "numFmt").c_str());
    fmt.append_attribute("numFmtId") = id;
    fmt.append_attribute("formatCode") = code.toUtf8().constData();
    SetCount(numFmts, P + "numFmt");
    Codes[id] = code;
    Changed = true;
    return id;
}

int TExcelStyles::Derive(int xf, int numFmtId) {
    if (xf < 0)
        xf = 0;
    if (xf < static_cast<int>(Xfs.size()) && NumFmtOfXf(xf) == numFmtId)
        return xf;
    if (Xfs.empty() && numFmtId == 0)
        return 0;
    const auto known = Derived.find({xf, numFmtId});
    if (known != Derived.end())
        return known->second;
    EnsureMinimal();
    const pugi::xml_node base =
        Xfs[static_cast<size_t>(xf < static_cast<int>(Xfs.size()) ? xf : 0)];
    pugi::xml_node cellXfs = base.parent();
    pugi::xml_node made = cellXfs.append_copy(base);
    if (!made.attribute("numFmtId"))
        made.append_attribute("numFmtId");
    made.attribute("numFmtId").set_value(numFmtId);
    if (!made.attribute("applyNumberFormat"))
        made.append_attribute("applyNumberFormat");
    made.attribute("applyNumberFormat").set_value("1");
    SetCount(cellXfs, P + "xf");
    Xfs.push_back(made);
    const int index = static_cast<int>(Xfs.size()) - 1;
    Derived[{xf, numFmtId}] = index;
    Changed = true;
    return index;
}

void TExcelStyles::EnsureMinimal() {
    if (!Doc.document_element()) {
        Doc.reset();
        pugi::xml_node root = Doc.append_child("styleSheet");
        root.append_attribute("xmlns") =
            "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
        Changed = true;
    }
    pugi::xml_node root = Doc.document_element();
    P = PrefixOf(root);
    pugi::xml_document minimal;
    minimal.load_string(kMinimalParts);
    bool made = false;
    for (pugi::xml_node part : minimal.document_element().children()) {
        const std::string local = part.name();
        pugi::xml_node existing = root.child((P + local).c_str());
        if (existing && existing.first_child().type() == pugi::node_element)
            continue;
        pugi::xml_node place = EnsureChild(root, P, local.c_str(), kStylesOrder);
        for (pugi::xml_node child : part.children()) {
            pugi::xml_node copy = place.append_copy(child);
            PrefixNames(copy, P);
        }
        SetCount(place, P + part.first_child().name());
        made = true;
    }
    if (made) {
        Changed = true;
        Index();
    }
}

// ---- the sheet's cells ----------------------------------------------------------------------

pugi::xml_node TExcelSheetData::TreeCell(int col, int row) const {
    const auto it = Rows.find(row);
    return it == Rows.end() ? pugi::xml_node() : FindCell(it->second, P + "c", col);
}

bool TExcelSheetData::StreamedFrom(int row, TStreamedRow &found) const {
    const auto chunk = std::lower_bound(Chunks.begin(), Chunks.end(), row,
                                        [](const TStreamChunk &c, int r) { return c.LastRow < r; });
    if (chunk == Chunks.end())
        return false;
    const size_t at = static_cast<size_t>(chunk - Chunks.begin());
    const std::vector<TStreamChunk::TEntry> index = ChunkIndex(at);
    const auto entry =
        std::lower_bound(index.begin(), index.end(), row,
                         [](const TStreamChunk::TEntry &e, int r) { return e.Row < r; });
    if (entry == index.end())
        return false; // cannot happen: the chunk's last row is at or after `row`
    const quint32 end = entry + 1 != index.end() ? (entry + 1)->Offset : chunk->Size;
    found = {entry->Row, static_cast<quint32>(at), entry->Offset, end - entry->Offset};
    return true;
}

bool TExcelSheetData::StreamedAt(int row, TStreamedRow &found) const {
    return StreamedFrom(row, found) && found.Row == row;
}

namespace {

// A streamed row parsed back, with the cell at a column.
struct TParsedRow {
    pugi::xml_document Doc;
    pugi::xml_node Cell;
    TParsedRow(const TExcelSheetData &sheet, const TStreamedRow &row, int col) {
        const std::string text = sheet.RowText(row);
        Doc.load_buffer(text.data(), text.size());
        Cell = FindCell(Doc.first_child(), sheet.P + "c", col);
    }
};

} // namespace

int TExcelSheetData::ExistingStyle(int col, int row) const {
    if (TStreamedRow streamed; StreamedAt(row, streamed)) {
        TParsedRow parsed(*this, streamed, col);
        if (parsed.Cell)
            return parsed.Cell.attribute("s").as_int(0);
    }
    if (pugi::xml_node cell = TreeCell(col, row))
        return cell.attribute("s").as_int(0);
    return -1;
}

int TExcelSheetData::NewCellStyle(int col, int row) const {
    const auto it = Rows.find(row);
    if (it != Rows.end() && IsTrue(it->second.attribute("customFormat"), false))
        return it->second.attribute("s").as_int(0);
    for (const TColumnStyle &column : Columns)
        if (col >= column.Min && col <= column.Max)
            return column.Style;
    return 0;
}

namespace {

const TFormatRule *RuleAt(const std::vector<TFormatRule> &rules, int col, int row) {
    for (auto it = rules.rbegin(); it != rules.rend(); ++it)
        if (col >= it->Col1 && col <= it->Col2 && row >= it->Row1 && row <= it->Row2)
            return &*it;
    return nullptr;
}

} // namespace

void TExcelSheetData::WriteRow(int row, int col1, const std::vector<const Variant *> &values) {
    const bool streamable = Chunks.empty() || row > LastStreamedRow();
    if (!streamable)
        Fold();
    TExcelStyles &styles = Book->Styles;
    std::string text = "<" + P + "row r=\"" + std::to_string(row) + "\">";
    const std::string cellOpen = "<" + P + "c r=\"", cellClose = "</" + P + "c>";
    int firstCol = 0, lastCol = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const int col = col1 + static_cast<int>(i);
        const Variant &value = *values[i];
        int style = -1;
        if (pugi::xml_node cell = TreeCell(col, row))
            style = cell.attribute("s").as_int(0);
        const bool exists = style >= 0;
        if (!exists) {
            style = NewCellStyle(col, row);
            if (const TFormatRule *rule = RuleAt(Rules, col, row))
                style = styles.Derive(style, rule->NumFmtId);
        }
        const std::string ref = TExcelWorkbook::CellName(col, row).toStdString();
        std::string type, payload; // payload: the <v> or <is> content
        bool inlineText = false;
        QString textValue;
        switch (value.VarType()) {
        case TVarType::Empty:
        case TVarType::Null:
            break;
        case TVarType::Boolean:
            type = "b";
            payload = value.ToBool() ? "1" : "0";
            break;
        case TVarType::SmallInt:
        case TVarType::Integer:
        case TVarType::Int64:
            payload = std::to_string(value.ToInt64());
            break;
        case TVarType::Double:
        case TVarType::Currency: {
            const double number = value.ToDouble();
            if (std::isfinite(number)) {
                AppendNumber(payload, number);
            } else {
                type = "e";
                payload = "#NUM!";
            }
            break;
        }
        case TVarType::Date: {
            const double dateTime = value.ToDateTime().Value();
            const double serial = Book->SerialOf(dateTime);
            const bool timeOnly = dateTime >= 0 && dateTime < 1;
            const int numFmt = styles.NumFmtOfXf(style);
            if (styles.IsText(numFmt) || (!timeOnly && serial < 1) || !std::isfinite(serial)) {
                inlineText = true;
                textValue = DateText(dateTime);
                break;
            }
            if (!styles.IsDate(numFmt)) {
                const bool hasTime = dateTime != std::floor(dateTime);
                style =
                    styles.Derive(style, styles.NumFmtFor(QLatin1String(timeOnly  ? kTimeCode
                                                                        : hasTime ? kDateTimeCode
                                                                                  : kDateCode)));
            }
            AppendNumber(payload, timeOnly ? dateTime : serial);
            break;
        }
        case TVarType::String: {
            textValue = value.ToString();
            double number = 0;
            if (!styles.IsText(styles.NumFmtOfXf(style)) && ReadsAsNumber(textValue, number))
                AppendNumber(payload, number);
            else
                inlineText = true;
            break;
        }
        default:
            ExcelFail(Name,
                      QStringLiteral("儲存格%1無法存放%2的值")
                          .arg(QString::fromStdString(ref), Variant::TypeName(value.VarType())));
        }
        const bool hasValue = inlineText || !payload.empty();
        if (!hasValue && !exists && style <= 0)
            continue;
        text += cellOpen + ref + '"';
        if (style > 0)
            text += " s=\"" + std::to_string(style) + '"';
        if (inlineText)
            text += " t=\"inlineStr\"";
        else if (!type.empty())
            text += " t=\"" + type + '"';
        if (!hasValue) {
            text += "/>";
        } else if (inlineText) {
            if (textValue.size() > ExcelLimits::MaxCellText)
                textValue.truncate(ExcelLimits::MaxCellText);
            const bool preserve =
                !textValue.isEmpty() && (textValue.front().isSpace() || textValue.back().isSpace());
            text += "><" + P + "is><" + P + "t" + (preserve ? " xml:space=\"preserve\">" : ">");
            AppendEscaped(text, textValue);
            text += "</" + P + "t></" + P + "is>" + cellClose;
        } else {
            text += "><" + P + "v>" + payload + "</" + P + "v>" + cellClose;
        }
        if (firstCol == 0)
            firstCol = col;
        lastCol = col;
    }
    if (firstCol == 0)
        return; // nothing to write: no cell there and none made
    text += "</" + P + "row>";
    Changed = true;
    Book->Written = true;
    Book->Touch();
    if (!streamable) {
        pugi::xml_document parsed;
        parsed.load_buffer(text.data(), text.size());
        FoldRow(parsed.first_child());
        return;
    }
    if (Chunks.empty() || (Chunks.back().Size + text.size() > kChunkSize && Chunks.back().Count)) {
        SpillChunks();
        Chunks.emplace_back();
        Chunks.back().Text.reserve(std::max(kChunkSize, text.size()));
    }
    TStreamChunk &chunk = Chunks.back();
    if (chunk.Count == 0)
        chunk.FirstRow = row;
    chunk.LastRow = row;
    chunk.Index.push_back({row, chunk.Size});
    chunk.Text += text;
    chunk.Size = static_cast<quint32>(chunk.Text.size());
    ++chunk.Count;
    ++StreamedCount;
    StreamedBytes += static_cast<qint64>(text.size());
    StreamMinCol = StreamMinCol == 0 ? firstCol : std::min(StreamMinCol, firstCol);
    StreamMaxCol = std::max(StreamMaxCol, lastCol);
}

void TExcelSheetData::FoldRow(const pugi::xml_node &row) {
    const int r = row.attribute("r").as_int();
    const auto it = Rows.find(r);
    if (it == Rows.end()) {
        const auto after = Rows.upper_bound(r);
        Rows[r] = after != Rows.end() ? SheetData.insert_copy_before(row, after->second)
                                      : SheetData.append_copy(row);
        return;
    }
    pugi::xml_node target = it->second;
    target.remove_attribute("spans");
    const std::string cellName = P + "c";
    pugi::xml_node at = target.child(cellName.c_str());
    for (pugi::xml_node cell : row.children(cellName.c_str())) {
        const int col = CellColumn(cell);
        while (at && CellColumn(at) < col)
            at = at.next_sibling(cellName.c_str());
        if (at && CellColumn(at) == col) {
            target.insert_copy_before(cell, at);
            const pugi::xml_node replaced = at;
            at = at.next_sibling(cellName.c_str());
            target.remove_child(replaced);
        } else if (at) {
            target.insert_copy_before(cell, at);
        } else if (pugi::xml_node ext = target.child((P + "extLst").c_str())) {
            target.insert_copy_before(cell, ext);
        } else {
            target.append_copy(cell);
        }
    }
}

void TExcelSheetData::Fold() {
    ForEachStreamed([this](const TStreamedRow &row) {
        pugi::xml_document parsed;
        const std::string text = RowText(row);
        parsed.load_buffer(text.data(), text.size());
        FoldRow(parsed.first_child());
    });
    ClearStreamed();
}

void TExcelSheetData::ClearStreamed() {
    Chunks.clear();
    Chunks.shrink_to_fit();
    Spill.reset();
    StreamedCount = 0;
    StreamedBytes = 0;
    StreamMinCol = StreamMaxCol = 0;
}

namespace {

void ReadSpill(QTemporaryFile *spill, qint64 at, char *data, qint64 length, const QString &sheet) {
    if (!spill || !spill->seek(at) || spill->read(data, length) != length)
        throw EOfficeError(QStringLiteral("無法讀回工作表%1的暫存資料").arg(sheet));
}

} // namespace

std::string TExcelSheetData::RowText(const TStreamedRow &row) const {
    const TStreamChunk &chunk = Chunks[row.Chunk];
    if (!chunk.Spilled())
        return chunk.Text.substr(row.Offset, row.Length);
    std::string text(row.Length, '\0');
    ReadSpill(Spill.get(), chunk.At + row.Offset, text.data(), qint64(row.Length), Name);
    return text;
}

std::vector<TStreamChunk::TEntry> TExcelSheetData::ChunkIndex(size_t at) const {
    const TStreamChunk &chunk = Chunks[at];
    if (!chunk.Spilled())
        return chunk.Index;
    std::vector<TStreamChunk::TEntry> index(chunk.Count);
    ReadSpill(Spill.get(), chunk.IndexAt, reinterpret_cast<char *>(index.data()),
              qint64(index.size() * sizeof(TStreamChunk::TEntry)), Name);
    return index;
}

void TExcelSheetData::ForEachStreamed(
    const std::function<void(const TStreamedRow &)> &visit) const {
    for (size_t c = 0; c < Chunks.size(); ++c) {
        const std::vector<TStreamChunk::TEntry> index = ChunkIndex(c);
        for (size_t i = 0; i < index.size(); ++i) {
            const quint32 end = i + 1 < index.size() ? index[i + 1].Offset : Chunks[c].Size;
            visit({index[i].Row, static_cast<quint32>(c), index[i].Offset, end - index[i].Offset});
        }
    }
}

void TExcelSheetData::SpillChunks() {
    if (Chunks.empty())
        return;
    if (!Spill) {
        auto file = std::make_shared<QTemporaryFile>();
        if (!file->open())
            return; // no temporary folder: the rows stay in memory
        Spill = std::move(file);
    }
    for (TStreamChunk &chunk : Chunks) {
        if (chunk.Spilled() || chunk.Count == 0)
            continue;
        const qint64 at = Spill->size();
        const qint64 indexBytes = qint64(chunk.Index.size() * sizeof(TStreamChunk::TEntry));
        if (!Spill->seek(at) || Spill->write(chunk.Text.data(), qint64(chunk.Size)) != chunk.Size ||
            Spill->write(reinterpret_cast<const char *>(chunk.Index.data()), indexBytes) !=
                indexBytes)
            return; // a full disk: this chunk and the later ones stay in memory
        chunk.At = at;
        chunk.IndexAt = at + chunk.Size;
        std::string().swap(chunk.Text);
        std::vector<TStreamChunk::TEntry>().swap(chunk.Index);
    }
}

bool TExcelSheetData::Used(int &col1, int &row1, int &col2, int &row2) const {
    bool any = false;
    auto take = [&](int c1, int r1, int c2, int r2) {
        if (!any) {
            col1 = c1, row1 = r1, col2 = c2, row2 = r2;
            any = true;
            return;
        }
        col1 = std::min(col1, c1), row1 = std::min(row1, r1);
        col2 = std::max(col2, c2), row2 = std::max(row2, r2);
    };
    const std::string cellName = P + "c";
    for (const auto &[r, row] : Rows) {
        const pugi::xml_node first = row.child(cellName.c_str());
        if (!first)
            continue;
        pugi::xml_node last = first;
        for (pugi::xml_node cell = first; cell; cell = cell.next_sibling(cellName.c_str()))
            last = cell;
        take(CellColumn(first), r, CellColumn(last), r);
    }
    if (StreamedCount > 0)
        take(StreamMinCol, FirstStreamedRow(), StreamMaxCol, LastStreamedRow());
    return any;
}

Variant TExcelSheetData::Value(int col, int row) const {
    pugi::xml_node cell;
    std::unique_ptr<TParsedRow> parsed;
    if (TStreamedRow streamed; StreamedAt(row, streamed)) {
        parsed = std::make_unique<TParsedRow>(*this, streamed, col);
        cell = parsed->Cell;
    }
    if (!cell)
        cell = TreeCell(col, row);
    if (!cell)
        return {};
    const std::string type = cell.attribute("t").value();
    const pugi::xml_node v = cell.child((P + "v").c_str());
    const char *text = v.text().get();
    if (type == "inlineStr")
        return Variant(RichTextOf(cell.child((P + "is").c_str()), P));
    if (!v)
        return {};
    if (type == "s") {
        const int index = v.text().as_int(-1);
        const auto &strings = Book->SharedStrings;
        return index >= 0 && index < static_cast<int>(strings.size())
                   ? Variant(strings[static_cast<size_t>(index)])
                   : Variant(QString());
    }
    if (type == "b")
        return Variant(std::string(text) != "0");
    if (type == "str" || type == "e" || type == "d")
        return Variant(QString::fromUtf8(text));
    bool ok = false;
    const double number = QByteArray(text).trimmed().toDouble(&ok);
    if (!ok)
        return Variant(QString::fromUtf8(text));
    TExcelStyles &styles = Book->Styles;
    if (styles.IsDate(styles.NumFmtOfXf(cell.attribute("s").as_int(0))))
        return Variant(TDateTime(Book->DateTimeOf(number)));
    return Variant(number);
}

QString TExcelSheetData::NumberFormat(int col, int row) const {
    TExcelStyles &styles = Book->Styles;
    const int style = ExistingStyle(col, row);
    if (style >= 0)
        return styles.CodeOf(styles.NumFmtOfXf(style));
    if (const TFormatRule *rule = RuleAt(Rules, col, row))
        return styles.CodeOf(rule->NumFmtId);
    return styles.CodeOf(styles.NumFmtOfXf(NewCellStyle(col, row)));
}

void TExcelSheetData::SetNumberFormat(int col1, int row1, int col2, int row2, const QString &code) {
    TExcelStyles &styles = Book->Styles;
    const int id = styles.NumFmtFor(code);
    if (TStreamedRow written; StreamedFrom(row1, written) && written.Row <= row2)
        Fold();
    const std::string cellName = P + "c";
    for (auto it = Rows.lower_bound(row1); it != Rows.end() && it->first <= row2; ++it)
        for (pugi::xml_node cell : it->second.children(cellName.c_str())) {
            const int col = CellColumn(cell);
            if (col < col1 || col > col2)
                continue;
            const int style = styles.Derive(cell.attribute("s").as_int(0), id);
            if (!cell.attribute("s"))
                cell.append_attribute("s");
            cell.attribute("s").set_value(style);
        }
    // A rule inside the new one is hidden by it for good.
    std::erase_if(Rules, [&](const TFormatRule &rule) {
        return rule.Col1 >= col1 && rule.Col2 <= col2 && rule.Row1 >= row1 && rule.Row2 <= row2;
    });
    Rules.push_back({col1, row1, col2, row2, id});
    Changed = true;
    Book->Touch();
}

// ---- TExcelRange ----------------------------------------------------------------------------

namespace {

Variant FromQVariant(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return {};
    if (value.metaType() == QMetaType::fromType<Variant>())
        return value.value<Variant>();
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return Variant(value.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return Variant(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return value.toULongLong() > quint64(std::numeric_limits<qint64>::max())
                   ? Variant(value.toDouble())
                   : Variant(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return Variant(value.toDouble());
    case QMetaType::QDate:
        return Variant(TDateTime::FromDate(value.toDate()));
    case QMetaType::QTime:
        return Variant(TDateTime::FromTime(value.toTime()));
    case QMetaType::QDateTime:
        return Variant(TDateTime::FromQDateTime(value.toDateTime()));
    case QMetaType::QByteArray:
        return Variant(value.toByteArray());
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        std::vector<Variant> items;
        for (const QVariant &item : value.toList())
            items.push_back(FromQVariant(item));
        return Variant::ArrayOf(std::move(items));
    }
    default:
        return Variant(value.toString());
    }
}

QVariant ToQVariant(const Variant &value) {
    switch (value.VarType()) {
    case TVarType::Boolean:
        return value.ToBool();
    case TVarType::Double:
        return value.ToDouble();
    case TVarType::Date: {
        const TDateTime date = value.ToDateTime();
        if (date.TimePart().Value() == 0)
            return date.ToDate();
        return date.ToQDateTime();
    }
    case TVarType::String:
        return value.ToString();
    default:
        return {};
    }
}

void CheckCellValue(const TExcelSheetData &sheet, const TExcelRange &range, const Variant &value) {
    if (value.VarType() == TVarType::Bytes || value.VarType() == TVarType::Array)
        ExcelFail(sheet.Name, QStringLiteral("範圍%1無法存放%2的值")
                                  .arg(range.Address(), Variant::TypeName(value.VarType())));
}

} // namespace

Variant TExcelRange::Value() const {
    FSheet->Book->CheckOpen();
    return FSheet->Value(FCol1, FRow1);
}

QVariant TExcelRange::ValueAsQVariant() const {
    return ToQVariant(Value());
}

void TExcelRange::SetValue(const Variant &value) {
    FSheet->Book->CheckOpen();
    static const Variant kEmpty;
    std::vector<const Variant *> values(static_cast<size_t>(ColumnCount()), &value);
    if (value.IsArray())
        for (int i = 0; i < ColumnCount(); ++i) {
            const int index = value.LowBound() + i;
            values[static_cast<size_t>(i)] = index <= value.HighBound() ? &value[index] : &kEmpty;
        }
    for (const Variant *item : values)
        CheckCellValue(*FSheet, *this, *item);
    for (int row = FRow1; row <= FRow2; ++row)
        FSheet->WriteRow(row, FCol1, values);
}

void TExcelRange::SetValue(const QVariant &value) {
    SetValue(FromQVariant(value));
}

QString TExcelRange::NumberFormat() const {
    FSheet->Book->CheckOpen();
    return FSheet->NumberFormat(FCol1, FRow1);
}

void TExcelRange::SetNumberFormat(const QString &code) {
    FSheet->Book->CheckOpen();
    FSheet->SetNumberFormat(FCol1, FRow1, FCol2, FRow2, code);
}
