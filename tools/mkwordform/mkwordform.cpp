// mkwordform: writes the body of a Word template (word/document.xml) from its form, a short
// text that says what the printed sheet holds, line by line:
//
//     mkwordform <form-file> <document.xml>
//
//     # a comment                    (also blank lines)
//     page portrait | landscape      the paper, A4 (portrait unless said)
//     school                         the school's logo and name: the bookmarks OrganizationLogo
//                                    and OrganizationName, centred
//     title <text>                   the sheet's title, centred, large and bold
//     para [left|center|right] <text>  a paragraph (left unless said)
//     space                          an empty paragraph
//     table <w1> <w2> ...            a table; its columns' widths relative to each other
//     row <cell> | <cell> ...        a row of cells; "<text> ::N" spans N columns
//     head <cell> | <cell> ...       a row of column titles: bold, centred, shaded
//     blank <n>                      n rows of empty cells, one per column
//     end                            the end of the table
//     sign <title> | <title> ...     the signature line: each title with room to sign after it
//
// In a text, {Name} is a bookmark of that name, where the program writes its value. Each
// paragraph takes a style of the template's styles.xml (SchoolName, Title, Normal, CellText,
// CellHead, Signature), so that what the program writes there looks the same. A form that
// breaks these rules is refused with its file, line and reason, and nothing is written.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TFormError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Trim(const std::string &s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> Split(const std::string &s, char by) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, by))
        parts.push_back(Trim(part));
    if (!s.empty() && s.back() == by)
        parts.emplace_back();
    return parts;
}

std::string Escape(const std::string &s) {
    std::string out;
    for (char c : s) {
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
        default:
            out += c;
        }
    }
    return out;
}

bool ValidName(const std::string &name) {
    if (name.empty() || name.size() > 40)
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return std::isalpha(static_cast<unsigned char>(name[0])) != 0;
}

class TWriter {
public:
    std::string Body;

    // The runs and bookmarks of a text with {Name} marks.
    std::string Runs(const std::string &text) {
        std::string out;
        size_t at = 0;
        while (at < text.size()) {
            const size_t open = text.find('{', at);
            const std::string plain =
                text.substr(at, open == std::string::npos ? std::string::npos : open - at);
            if (!plain.empty())
                out += "<w:r><w:t xml:space=\"preserve\">" + Escape(plain) + "</w:t></w:r>";
            if (open == std::string::npos)
                break;
            const size_t close = text.find('}', open);
            if (close == std::string::npos)
                throw TFormError("a { without its }");
            const std::string name = text.substr(open + 1, close - open - 1);
            if (!ValidName(name))
                throw TFormError("bookmark name \"" + name + "\" is not a name");
            for (const std::string &used : FBookmarks)
                if (used == name)
                    throw TFormError("bookmark " + name + " is there twice");
            FBookmarks.push_back(name);
            const std::string id = std::to_string(FBookmarks.size() - 1);
            out += "<w:bookmarkStart w:id=\"" + id + "\" w:name=\"" + name +
                   "\"/><w:bookmarkEnd w:id=\"" + id + "\"/>";
            at = close + 1;
        }
        return out;
    }

    std::string Paragraph(const std::string &style, const std::string &align,
                          const std::string &text) {
        std::string p = "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/>";
        if (!align.empty())
            p += "<w:jc w:val=\"" + align + "\"/>";
        return p + "</w:pPr>" + Runs(text) + "</w:p>";
    }

private:
    std::vector<std::string> FBookmarks;
};

struct TTable {
    std::vector<int> Widths; // twips
    std::vector<std::string> Rows;
};

std::string Cell(TWriter &w, const TTable &t, size_t &column, const std::string &source,
                 bool head) {
    std::string text = source;
    int span = 1;
    if (const size_t mark = source.rfind("::"); mark != std::string::npos) {
        span = std::atoi(source.c_str() + mark + 2);
        text = Trim(source.substr(0, mark));
        if (span < 1)
            throw TFormError("a span is a number from 1");
    }
    if (column + size_t(span) > t.Widths.size())
        throw TFormError("the row has more cells than the table has columns");
    int width = 0;
    for (int i = 0; i < span; ++i)
        width += t.Widths[column + size_t(i)];
    column += size_t(span);
    std::string c = "<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(width) + "\" w:type=\"dxa\"/>";
    if (span > 1)
        c += "<w:gridSpan w:val=\"" + std::to_string(span) + "\"/>";
    if (head)
        c += "<w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"E7E6E6\"/>";
    c += "<w:vAlign w:val=\"center\"/></w:tcPr>";
    c += w.Paragraph(head ? "CellHead" : "CellText", "", text);
    return c + "</w:tc>";
}

std::string Row(TWriter &w, const TTable &t, const std::vector<std::string> &cells, bool head) {
    std::string r = "<w:tr><w:trPr><w:trHeight w:val=\"400\"/>";
    if (head)
        r += "<w:tblHeader/>";
    r += "</w:trPr>";
    size_t column = 0;
    for (const std::string &cell : cells)
        r += Cell(w, t, column, cell, head);
    if (column != t.Widths.size())
        throw TFormError("the row's cells do not fill the table's columns");
    return r + "</w:tr>";
}

std::string TableXml(const TTable &t) {
    std::string x = "<w:tbl><w:tblPr><w:tblStyle w:val=\"TableGrid\"/>"
                    "<w:tblW w:w=\"" +
                    std::to_string(std::accumulate(t.Widths.begin(), t.Widths.end(), 0)) +
                    "\" w:type=\"dxa\"/><w:jc w:val=\"center\"/><w:tblLayout w:type=\"fixed\"/>"
                    "<w:tblLook w:val=\"04A0\" w:firstRow=\"1\" w:lastRow=\"0\" "
                    "w:firstColumn=\"1\" w:lastColumn=\"0\" w:noHBand=\"0\" w:noVBand=\"1\"/>"
                    "</w:tblPr><w:tblGrid>";
    for (int width : t.Widths)
        x += "<w:gridCol w:w=\"" + std::to_string(width) + "\"/>";
    x += "</w:tblGrid>";
    for (const std::string &row : t.Rows)
        x += row;
    return x + "</w:tbl>";
}

std::string Document(std::istream &in) {
    TWriter w;
    bool landscape = false;
    bool inTable = false;
    TTable table;
    std::string line;
    int number = 0;
    const auto textWidth = [&] { return landscape ? 16838 - 2 * 1000 : 11906 - 2 * 1134; };
    while (std::getline(in, line)) {
        ++number;
        try {
            line = Trim(line);
            if (line.empty() || line[0] == '#')
                continue;
            const size_t blank = line.find(' ');
            const std::string word = line.substr(0, blank);
            const std::string rest = blank == std::string::npos ? "" : Trim(line.substr(blank));
            if (inTable) {
                if (word == "row" || word == "head")
                    table.Rows.push_back(Row(w, table, Split(rest, '|'), word == "head"));
                else if (word == "blank") {
                    const int rows = std::atoi(rest.c_str());
                    if (rows < 1 || rows > 60)
                        throw TFormError("blank takes a number of rows from 1 to 60");
                    for (int i = 0; i < rows; ++i)
                        table.Rows.push_back(
                            Row(w, table, std::vector<std::string>(table.Widths.size()), false));
                } else if (word == "end") {
                    if (table.Rows.empty())
                        throw TFormError("a table without rows");
                    w.Body += TableXml(table);
                    // Word needs a paragraph between two tables, or it joins them.
                    w.Body += w.Paragraph("Normal", "", "");
                    inTable = false;
                } else
                    throw TFormError("\"" + word + "\" inside a table (row, head, blank, end)");
                continue;
            }
            if (word == "page") {
                if (rest != "portrait" && rest != "landscape")
                    throw TFormError("page is portrait or landscape");
                landscape = rest == "landscape";
            } else if (word == "school")
                w.Body += w.Paragraph("SchoolName", "", "{OrganizationLogo}{OrganizationName}");
            else if (word == "title")
                w.Body += w.Paragraph("Title", "", rest);
            else if (word == "para") {
                std::string align = "left", text = rest;
                for (const char *a : {"left", "center", "right"})
                    if (rest.rfind(std::string(a) + " ", 0) == 0 || rest == a) {
                        align = a;
                        text = Trim(rest.substr(std::string(a).size()));
                    }
                w.Body += w.Paragraph("Normal", align, text);
            } else if (word == "space")
                w.Body += w.Paragraph("Normal", "", "");
            else if (word == "sign") {
                std::string text;
                for (const std::string &title : Split(rest, '|'))
                    text += title + "：＿＿＿＿　";
                w.Body += w.Paragraph("Signature", "", text);
            } else if (word == "table") {
                std::vector<int> weights;
                std::istringstream ws(rest);
                for (int weight; ws >> weight;)
                    if (weight > 0)
                        weights.push_back(weight);
                    else
                        throw TFormError("a column's width is a number from 1");
                if (weights.empty())
                    throw TFormError("a table needs its columns' widths");
                const int sum = std::accumulate(weights.begin(), weights.end(), 0);
                table = {};
                for (int weight : weights)
                    table.Widths.push_back(textWidth() * weight / sum);
                inTable = true;
            } else
                throw TFormError("unknown line \"" + word + "\"");
        } catch (const TFormError &e) {
            throw TFormError("line " + std::to_string(number) + ": " + e.what());
        }
    }
    if (inTable)
        throw TFormError("the last table has no end");
    const std::string size = landscape
                                 ? "<w:pgSz w:w=\"16838\" w:h=\"11906\" w:orient=\"landscape\"/>"
                                 : "<w:pgSz w:w=\"11906\" w:h=\"16838\"/>";
    const std::string margin = landscape ? "1000" : "1134";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<w:body>" +
           w.Body + "<w:sectPr>" + size + "<w:pgMar w:top=\"1000\" w:right=\"" + margin +
           "\" w:bottom=\"1000\" w:left=\"" + margin +
           "\" w:header=\"567\" w:footer=\"567\" w:gutter=\"0\"/><w:cols w:space=\"425\"/>"
           "<w:docGrid w:type=\"lines\" w:linePitch=\"360\"/></w:sectPr></w:body></w:document>\n";
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: mkwordform <form-file> <document.xml>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    std::string xml;
    try {
        xml = Document(in);
    } catch (const TFormError &e) {
        std::cerr << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
    const std::string temporary = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << xml;
        if (!out.flush()) {
            std::cerr << argv[2] << ": cannot be written\n";
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), argv[2]) != 0) {
        std::cerr << argv[2] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
