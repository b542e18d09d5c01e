// Ranges of a word-processing document: reading their text, writing text into them with the
// formatting of where it lands, deleting their content, breaks, and the points between.

#include "WordDocumentData.h"

#include <QSet>

namespace {

// Characters a document may hold (XML 1.0), plus the ones written text turns into breaks.
bool Allowed(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xB || c == 0xC || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsEastAsian(char32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x303F) ||
           (c >= 0x3040 && c <= 0x9FFF) || (c >= 0xA960 && c <= 0xA97F) ||
           (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

// The text split into paragraphs, with forbidden characters (and lone surrogates) dropped.
QList<std::u32string> Paragraphs(const QString &text) {
    QList<std::u32string> result{std::u32string()};
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[i], text[i + 1]);
                ++i;
            } else {
                continue;
            }
        } else if (QChar::isLowSurrogate(c)) {
            continue;
        }
        if (!Allowed(c))
            continue;
        if (c == '\r') {
            if (i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            result.push_back({});
        } else if (c == '\n') {
            result.push_back({});
        } else {
            result.back().push_back(c);
        }
    }
    return result;
}

std::string Utf8(const std::u32string &text) {
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

// Run properties in schema order start with rStyle, then rFonts.
void AddEastAsianHint(TXmlNode rPr) {
    TXmlNode fonts = rPr.child("w:rFonts");
    if (!fonts) {
        TXmlNode style = rPr.child("w:rStyle");
        fonts = style ? rPr.insert_child_after("w:rFonts", style) : rPr.prepend_child("w:rFonts");
    }
    if (!fonts.attribute("w:hint"))
        fonts.append_attribute("w:hint");
    fonts.attribute("w:hint").set_value("eastAsia");
}

TXmlNode RunBefore(TXmlNode parent, TXmlNode before) {
    for (TXmlNode n = before ? before.previous_sibling() : parent.last_child(); n;
         n = n.previous_sibling())
        if (Is(n, "w:r"))
            return n;
    return {};
}

TXmlNode RunAfter(TXmlNode before) {
    for (TXmlNode n = before; n; n = n.next_sibling())
        if (Is(n, "w:r"))
            return n;
    return {};
}

// The run properties text written at a point takes: those of the run before it in the
// paragraph, else of the run after it, else of the paragraph mark.
TXmlNode FormatAt(const TPoint &at) {
    for (TPoint p = at; p.Parent; p = {p.Parent.parent(), p.Parent}) {
        if (TXmlNode run = RunBefore(p.Parent, p.Before))
            return run.child("w:rPr");
        if (Is(p.Parent, "w:p"))
            break;
    }
    for (TPoint p = at; p.Parent; p = {p.Parent.parent(), p.Parent.next_sibling()}) {
        if (TXmlNode run = RunAfter(p.Before))
            return run.child("w:rPr");
        if (Is(p.Parent, "w:p"))
            break;
    }
    if (TXmlNode paragraph = ParagraphOf(at.Parent))
        return paragraph.child("w:pPr").child("w:rPr");
    return {};
}

TXmlNode InsertBefore(const TPoint &at, const char *name) {
    return at.Before ? at.Parent.insert_child_before(name, at.Before)
                     : at.Parent.append_child(name);
}

void AppendRunFormat(TXmlNode run, TXmlNode format, bool eastAsian) {
    if (format) {
        TXmlNode rPr = run.append_copy(format);
        // Marks of tracked changes belong to the paragraph mark, not to new text.
        rPr.remove_child("w:ins");
        rPr.remove_child("w:del");
        rPr.remove_child("w:rPrChange");
        if (eastAsian)
            AddEastAsianHint(rPr);
    } else if (eastAsian) {
        AddEastAsianHint(run.append_child("w:rPr"));
    }
}

bool IsAncestorOrSelf(TXmlNode ancestor, TXmlNode node) {
    for (; node; node = node.parent())
        if (node == ancestor)
            return true;
    return false;
}

bool HoldsIndexed(TXmlNode node) {
    for (TXmlNode n = node; n; n = NextInOrder(n, node))
        if (Is(n, "w:tbl") || Is(n, "w:fldChar") || IsMarker(n))
            return true;
    return false;
}

} // namespace

TXmlNode TWordDocumentData::NewTextRun(TXmlNode parent, TXmlNode before, TXmlNode format,
                                       bool eastAsian, const QByteArray &utf8) {
    if (!Prototypes) {
        static const char kPrototypes[] = "<w:r><w:t xml:space=\"preserve\"></w:t></w:r>"
                                          "<w:r><w:rPr><w:rFonts w:hint=\"eastAsia\"/></w:rPr>"
                                          "<w:t xml:space=\"preserve\"></w:t></w:r>";
        Prototypes = Xml.append_child("lum:prototypes");
        Prototypes.append_buffer(kPrototypes, sizeof(kPrototypes) - 1);
    }
    const TXmlNode plain = Prototypes.first_child(), hinted = plain.next_sibling();
    const TXmlNode proto = eastAsian && !format ? hinted : plain;
    TXmlNode run = before ? parent.insert_copy_before(proto, before) : parent.append_copy(proto);
    if (format) {
        TXmlNode rPr = run.prepend_copy(format);
        // Marks of tracked changes belong to the paragraph mark, not to new text.
        for (TXmlNode n = rPr.first_child(); n;) {
            TXmlNode next = n.next_sibling();
            if (Is(n, "w:ins") || Is(n, "w:del") || Is(n, "w:rPrChange"))
                rPr.remove_child(n);
            n = next;
        }
        if (eastAsian) {
            const TXmlNode protoFonts = hinted.first_child().first_child();
            TXmlNode fonts = rPr.child("w:rFonts");
            if (!fonts) {
                TXmlNode style = rPr.child("w:rStyle");
                fonts =
                    style ? rPr.insert_copy_after(protoFonts, style) : rPr.prepend_copy(protoFonts);
            } else if (pugi::xml_attribute hint = fonts.attribute("w:hint")) {
                hint.set_value("eastAsia");
            } else {
                fonts.append_copy(protoFonts.first_attribute());
            }
        }
    }
    run.last_child().append_child(pugi::node_pcdata).set_value(utf8.constData());
    return run;
}

TXmlNode TWordDocumentData::LastParagraph() {
    for (TXmlNode n = Body.last_child(); n; n = n.previous_sibling())
        if (Is(n, "w:p"))
            return n;
    if (!Frozen.empty()) {
        Thaw();
        return LastParagraph();
    }
    TXmlNode paragraph = InsertBefore(EndOfBody(), "w:p");
    Touch();
    return paragraph;
}

TPoint TWordDocumentData::InlineStart(TXmlNode paragraph) const {
    TXmlNode first = paragraph.first_child();
    if (Is(first, "w:pPr"))
        first = first.next_sibling();
    return {paragraph, first};
}

TSpan TWordDocumentData::Resolve(const TWordRange &range, bool needStart) {
    if (range.FKind == TWordRange::kNone)
        throw EOfficeError(QStringLiteral("%1: 沒有指定範圍").arg(TemplateName));
    switch (range.FKind) {
    case TWordRange::kBookmark: {
        EnsureIndex();
        CheckAlive(range.FItem);
        const TWordItem &b = *range.FItem;
        return {{b.Node.parent(), b.Node.next_sibling()}, {b.End.parent(), b.End}};
    }
    case TWordRange::kFormField: {
        EnsureLive(range.FItem);
        const TWordItem &f = *range.FItem;
        return {{f.Node.parent(), f.Node}, {f.End.parent(), f.End.next_sibling()}};
    }
    case TWordRange::kCell: {
        TXmlNode cell = CellNode(range.FItem, range.FRow, range.FCol);
        TXmlNode first = cell.first_child();
        if (Is(first, "w:tcPr"))
            first = first.next_sibling();
        return {{cell, first}, {cell, TXmlNode()}};
    }
    case TWordRange::kContent:
        if (!needStart)
            return {EndOfBody(), EndOfBody()};
        Thaw();
        return {{Body, Body.first_child() == SectPr() ? SectPr() : Body.first_child()},
                EndOfBody()};
    case TWordRange::kLastParagraph: {
        TXmlNode paragraph = LastParagraph();
        return {InlineStart(paragraph), {paragraph, TXmlNode()}};
    }
    case TWordRange::kSpan:
        if (range.FGeneration != Generation)
            throw EOfficeError(
                QStringLiteral("%1: 文件已變更,這個範圍已不能使用").arg(TemplateName));
        return {{TXmlNode(static_cast<pugi::xml_node_struct *>(range.FStartParent)),
                 TXmlNode(static_cast<pugi::xml_node_struct *>(range.FStartBefore))},
                {TXmlNode(static_cast<pugi::xml_node_struct *>(range.FEndParent)),
                 TXmlNode(static_cast<pugi::xml_node_struct *>(range.FEndBefore))}};
    case TWordRange::kNone:
        break;
    }
    return {};
}

QString TWordDocumentData::SpanText(const TSpan &span) const {
    QString out;
    TXmlNode parent = span.Start.Parent, cur = span.Start.Before;
    while (parent) {
        if (parent == span.End.Parent && cur == span.End.Before)
            break;
        if (!cur) {
            if (Is(parent, "w:p"))
                out += QLatin1Char('\r');
            if (parent == Body || parent == Root)
                break;
            cur = parent.next_sibling();
            parent = parent.parent();
            continue;
        }
        if (cur.type() == pugi::node_pcdata || cur.type() == pugi::node_cdata) {
            if (Is(parent, "w:t"))
                out += QString::fromUtf8(cur.value());
        } else if (cur.type() == pugi::node_element) {
            const char *name = cur.name();
            if (std::strcmp(name, "w:tab") == 0 && !Is(parent, "w:tabs")) {
                out += QLatin1Char('\t');
            } else if (std::strcmp(name, "w:br") == 0) {
                out += AttrText(cur, "w:type") == QLatin1String("page") ? QLatin1Char('\f')
                                                                        : QLatin1Char('\v');
            } else if (std::strcmp(name, "w:cr") == 0) {
                out += QLatin1Char('\v');
            } else if (std::strcmp(name, "w:noBreakHyphen") == 0) {
                out += QLatin1Char('-');
            } else if (cur.first_child() && !IsProperties(cur) &&
                       std::strcmp(name, "w:instrText") != 0 &&
                       std::strcmp(name, "w:delText") != 0 && std::strcmp(name, "w:ffData") != 0) {
                parent = cur;
                cur = cur.first_child();
                continue;
            } else if (std::strcmp(name, "w:p") == 0) {
                out += QLatin1Char('\r');
            }
        }
        cur = cur.next_sibling();
    }
    return out;
}

TPoint TWordDocumentData::SplitParagraphAt(const TPoint &at) {
    TXmlNode node = at.Parent, before = at.Before;
    // Inline containers (hyperlinks, content controls) are split along with the paragraph.
    while (node && !Is(node, "w:p")) {
        TXmlNode clone = node.parent().insert_child_after(node.name(), node);
        for (pugi::xml_attribute a : node.attributes())
            clone.append_attribute(a.name()) = a.value();
        for (TXmlNode n = before; n;) {
            TXmlNode next = n.next_sibling();
            clone.append_move(n);
            n = next;
        }
        before = clone;
        node = node.parent();
    }
    if (!node)
        return at;
    TXmlNode second = node.parent().insert_child_after("w:p", node);
    if (TXmlNode props = node.child("w:pPr")) {
        second.append_copy(props);
        // A section break stays with the paragraph that ends the section: the second one.
        props.remove_child("w:sectPr");
    }
    TXmlNode firstMoved;
    for (TXmlNode n = before; n;) {
        TXmlNode next = n.next_sibling();
        TXmlNode moved = second.append_move(n);
        if (!firstMoved)
            firstMoved = moved;
        n = next;
    }
    Touch();
    return {second, firstMoved};
}

namespace {

// Text that goes into one run as it stands: no breaks, tabs or characters to drop. Tells
// whether it holds East-Asian characters.
bool IsPlainRunText(const QString &text, bool &eastAsian) {
    eastAsian = false;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE)
            return false;
        if (c >= 0x1100 && IsEastAsian(c))
            eastAsian = true;
    }
    return true;
}

} // namespace

TPoint TWordDocumentData::InsertText(const TPoint &where, const QString &text,
                                     TXmlNode *firstInserted) {
    bool eastAsian = false;
    if (!text.isEmpty() && !IsBlockContainer(where.Parent) && IsPlainRunText(text, eastAsian)) {
        // The common case, one run of plain text, without taking the text apart.
        TXmlNode run =
            NewTextRun(where.Parent, where.Before, FormatAt(where), eastAsian, text.toUtf8());
        if (firstInserted && !*firstInserted)
            *firstInserted = run;
        Touch();
        return where;
    }
    const QList<std::u32string> paragraphs = Paragraphs(text);
    if (paragraphs.size() == 1 && paragraphs[0].empty())
        return where;
    TPoint at = where;
    if (IsBlockContainer(at.Parent)) {
        // Between blocks: the text gets a paragraph of its own, formatted like its neighbour.
        TXmlNode neighbour = at.Before ? at.Before.previous_sibling() : at.Parent.last_child();
        if (!Is(neighbour, "w:p"))
            neighbour = Is(at.Before, "w:p") ? at.Before : TXmlNode();
        TXmlNode paragraph = InsertBefore(at, "w:p");
        if (TXmlNode props = neighbour.child("w:pPr")) {
            TXmlNode copy = paragraph.append_copy(props);
            copy.remove_child("w:sectPr");
            copy.remove_child("w:pageBreakBefore");
        }
        if (firstInserted && !*firstInserted)
            *firstInserted = paragraph;
        at = {paragraph, TXmlNode()};
    }
    const TXmlNode format = FormatAt(at);
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            at = SplitParagraphAt(at);
        const std::u32string &segment = paragraphs[i];
        if (segment.empty())
            continue;
        bool eastAsian = false;
        for (char32_t c : segment)
            if (IsEastAsian(c)) {
                eastAsian = true;
                break;
            }
        TXmlNode run = InsertBefore(at, "w:r");
        if (firstInserted && !*firstInserted)
            *firstInserted = run;
        AppendRunFormat(run, format, eastAsian);
        std::u32string pending;
        auto flush = [&] {
            if (pending.empty())
                return;
            TXmlNode t = run.append_child("w:t");
            t.append_attribute("xml:space") = "preserve";
            t.append_child(pugi::node_pcdata).set_value(Utf8(pending).c_str());
            pending.clear();
        };
        for (char32_t c : segment) {
            if (c == '\t' || c == 0xB || c == 0xC) {
                flush();
                if (c == '\t') {
                    run.append_child("w:tab");
                } else {
                    TXmlNode br = run.append_child("w:br");
                    if (c == 0xC)
                        br.append_attribute("w:type") = "page";
                }
            } else {
                pending.push_back(c);
            }
        }
        flush();
    }
    Touch();
    return at;
}

TPoint TWordDocumentData::DeleteSpan(const TSpan &span) {
    if (span.Start == span.End)
        return span.End;
    bool indexed = false;
    if (span.Start.Parent == span.End.Parent) {
        std::vector<TXmlNode> doomed;
        for (TXmlNode n = span.Start.Before; n && n != span.End.Before; n = n.next_sibling())
            if (!IsMarker(n) && !IsProperties(n))
                doomed.push_back(n);
        for (TXmlNode n : doomed) {
            indexed = indexed || HoldsIndexed(n);
            n.parent().remove_child(n);
        }
        if (!doomed.empty()) {
            Touch();
            Invalidate();
        }
        if (indexed) {
            OrderDirty = true;
            Rebuild();
        }
        return span.End;
    }
    // Across containers: whole nodes between the two points go; the containers that hold
    // either point stay, and two paragraphs that the span joined become one.
    std::vector<TXmlNode> doomed;
    TXmlNode parent = span.Start.Parent, cur = span.Start.Before;
    while (parent) {
        if (parent == span.End.Parent && cur == span.End.Before)
            break;
        if (!cur) {
            if (parent == Body || parent == Root)
                break;
            cur = parent.next_sibling();
            parent = parent.parent();
            continue;
        }
        if (IsAncestorOrSelf(cur, span.End.Parent)) {
            parent = cur;
            cur = cur.first_child();
            continue;
        }
        if (!IsMarker(cur) && !IsProperties(cur))
            doomed.push_back(cur);
        cur = cur.next_sibling();
    }
    // Bookmark markers inside what goes are kept, at the end point.
    const TPoint end = span.End;
    for (TXmlNode n : doomed) {
        std::vector<TXmlNode> markers;
        for (TXmlNode m = n; m; m = NextInOrder(m, n))
            if (IsMarker(m))
                markers.push_back(m);
        for (TXmlNode m : markers) {
            if (end.Before)
                end.Parent.insert_move_before(m, end.Before);
            else
                end.Parent.append_move(m);
        }
        indexed = indexed || HoldsIndexed(n);
        n.parent().remove_child(n);
    }
    TPoint result = end;
    TXmlNode first = ParagraphOf(span.Start.Parent), second = ParagraphOf(end.Parent);
    if (first && second && first != second && first.parent() == second.parent() &&
        !IsAncestorOrSelf(first, second)) {
        TXmlNode firstMoved;
        for (TXmlNode n = second.first_child(); n;) {
            TXmlNode next = n.next_sibling();
            if (!Is(n, "w:pPr")) {
                TXmlNode moved = first.append_move(n);
                if (!firstMoved && n == end.Before)
                    firstMoved = moved;
            }
            n = next;
        }
        second.parent().remove_child(second);
        result = {first, end.Before ? end.Before : TXmlNode()};
    }
    Touch();
    Invalidate();
    if (indexed) {
        OrderDirty = true;
        Rebuild();
    }
    return result;
}

TPoint TWordDocumentData::InsertBreakAt(const TPoint &at) {
    if (IsBlockContainer(at.Parent)) {
        // A paragraph that holds only the break, one point high, so the next page starts
        // with the inserted content and not with an empty line.
        TXmlNode paragraph = InsertBefore(at, "w:p");
        TXmlNode props = paragraph.append_child("w:pPr");
        TXmlNode spacing = props.append_child("w:spacing");
        spacing.append_attribute("w:before") = 0;
        spacing.append_attribute("w:after") = 0;
        spacing.append_attribute("w:line") = 20;
        spacing.append_attribute("w:lineRule") = "exact";
        TXmlNode size = props.append_child("w:rPr").append_child("w:sz");
        size.append_attribute("w:val") = 2;
        TXmlNode run = paragraph.append_child("w:r");
        run.append_child("w:rPr").append_child("w:sz").append_attribute("w:val") = 2;
        run.append_child("w:br").append_attribute("w:type") = "page";
        Touch();
        return at;
    }
    TXmlNode run = InsertBefore(at, "w:r");
    AppendRunFormat(run, FormatAt({at.Parent, run}), false);
    run.append_child("w:br").append_attribute("w:type") = "page";
    Touch();
    return at;
}

void TWordDocumentData::SetCellText(TXmlNode cell, const QString &text) {
    // The cell keeps its properties, its first paragraph's properties and the first run's
    // formatting; bookmarks in it stay.
    bool eastAsian = false;
    TXmlNode only = cell.child("w:p");
    if (only && !only.next_sibling() && IsPlainRunText(text, eastAsian)) {
        // One paragraph of runs and bookmarks, the usual empty or filled cell: its runs make
        // way for one run with the first one's formatting.
        bool simple = true;
        for (TXmlNode n = only.first_child(); n && simple; n = n.next_sibling())
            simple = Is(n, "w:pPr") || IsMarker(n) ||
                     (Is(n, "w:r") && !n.child("w:fldChar") && !n.child("w:drawing"));
        if (simple) {
            TXmlNode first = only.child("w:r");
            TXmlNode format = first ? first.child("w:rPr") : only.child("w:pPr").child("w:rPr");
            TXmlNode run;
            if (!text.isEmpty()) {
                run = NewTextRun(only, TXmlNode(), format, eastAsian, text.toUtf8());
            } else {
                run = only.append_child("w:r");
                if (format)
                    run.append_copy(format);
            }
            for (TXmlNode n = only.first_child(); n != run;) {
                TXmlNode next = n.next_sibling();
                if (Is(n, "w:r"))
                    only.remove_child(n);
                n = next;
            }
            Touch();
            Invalidate();
            return;
        }
    }
    TXmlNode firstParagraph = cell.child("w:p");
    TXmlNode format;
    for (TXmlNode n = cell.first_child(); n && !format; n = NextInOrder(n, cell))
        if (Is(n, "w:r") && n.child("w:rPr"))
            format = n.child("w:rPr");
    if (!format)
        format = firstParagraph.child("w:pPr").child("w:rPr");
    TXmlNode paragraph = cell.append_child("w:p");
    if (TXmlNode props = firstParagraph.child("w:pPr"))
        paragraph.append_copy(props);
    TXmlNode run = paragraph.append_child("w:r");
    if (format)
        run.append_copy(format);
    std::vector<TXmlNode> doomed;
    bool indexed = false;
    for (TXmlNode n = cell.first_child(); n != paragraph; n = n.next_sibling()) {
        if (Is(n, "w:tcPr"))
            continue;
        for (TXmlNode m = n; m; m = NextInOrder(m, n))
            if (IsMarker(m)) {
                doomed.push_back(m); // moved, below
                indexed = true;
            }
        indexed = indexed || HoldsIndexed(n);
    }
    for (TXmlNode m : doomed)
        paragraph.insert_move_before(m, run);
    doomed.clear();
    for (TXmlNode n = cell.first_child(); n != paragraph; n = n.next_sibling())
        if (!Is(n, "w:tcPr"))
            doomed.push_back(n);
    for (TXmlNode n : doomed)
        cell.remove_child(n);
    InsertText({paragraph, run}, text);
    paragraph.remove_child(run);
    Touch();
    Invalidate();
    if (indexed) {
        OrderDirty = true;
        Rebuild();
    }
}

// ---- TWordRange -----------------------------------------------------------------------------

void TWordRange::BecomePoint(void *parent, void *before, quint64 generation) {
    FKind = kSpan;
    FItem.reset();
    FStartParent = FEndParent = parent;
    FStartBefore = FEndBefore = before;
    FGeneration = generation;
}

QString TWordRange::Text() const {
    if (!FDocument)
        return {};
    TWordDocumentData &d = *FDocument->d;
    QString text = d.SpanText(d.Resolve(*this));
    if ((FKind == kCell || FKind == kLastParagraph) && text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

void TWordRange::SetText(const QString &text) {
    TWordDocumentData &d = *FDocument->d;
    if (FKind == kCell) {
        d.SetCellText(d.CellNode(FItem, FRow, FCol), text);
        return;
    }
    if (FKind == kContent) {
        // The whole story: everything but the section properties goes.
        d.Frozen.clear();
        for (const TWordItemPtr &item : d.FormFields)
            item->Frozen = false;
        for (const TWordItemPtr &item : d.Tables)
            item->Frozen = false;
        while (d.Body.first_child() && d.Body.first_child() != d.SectPr())
            d.Body.remove_child(d.Body.first_child());
        d.OrderDirty = true;
        d.Rebuild();
        d.Invalidate();
        d.InsertText(d.EndOfBody(), text.isEmpty() ? QStringLiteral(" ") : text);
        return;
    }
    const TSpan span = d.Resolve(*this);
    const TPoint at = d.DeleteSpan(span);
    TXmlNode first;
    const TPoint after = d.InsertText(at, text, &first);
    if (FKind == kSpan) {
        const TPoint start = first ? TPoint{first.parent(), first} : after;
        FStartParent = start.Parent.internal_object();
        FStartBefore = start.Before.internal_object();
        FEndParent = after.Parent.internal_object();
        FEndBefore = after.Before.internal_object();
        FGeneration = d.Generation;
    }
}

void TWordRange::InsertBefore(const QString &text) {
    TWordDocumentData &d = *FDocument->d;
    TSpan span = d.Resolve(*this);
    if (FKind == kCell || FKind == kContent) {
        TXmlNode first =
            FKind == kCell ? d.CellNode(FItem, FRow, FCol).child("w:p") : d.Body.child("w:p");
        if (first)
            span.Start = d.InlineStart(first);
    }
    TXmlNode inserted;
    d.InsertText(span.Start, text, &inserted);
    if (FKind == kSpan && inserted &&
        span.Start.Before == TXmlNode(static_cast<pugi::xml_node_struct *>(FStartBefore))) {
        FStartParent = inserted.parent().internal_object();
        FStartBefore = inserted.internal_object();
    }
}

void TWordRange::InsertAfter(const QString &text) {
    TWordDocumentData &d = *FDocument->d;
    TSpan span = d.Resolve(*this, false);
    if (FKind == kContent) {
        TXmlNode last = d.LastParagraph();
        span.End = {last, TXmlNode()};
    } else if (FKind == kCell) {
        TXmlNode cell = d.CellNode(FItem, FRow, FCol);
        TXmlNode last = cell.last_child();
        if (Is(last, "w:p"))
            span.End = {last, TXmlNode()};
    }
    TXmlNode inserted;
    d.InsertText(span.End, text, &inserted);
    if (FKind == kSpan && span.Start == span.End && inserted) {
        FStartParent = inserted.parent().internal_object();
        FStartBefore = inserted.internal_object();
    }
}

void TWordRange::Collapse(int direction) {
    TWordDocumentData &d = *FDocument->d;
    const TSpan span = d.Resolve(*this, direction != wdCollapseEnd);
    const TPoint at = direction == wdCollapseEnd ? span.End : span.Start;
    BecomePoint(at.Parent.internal_object(), at.Before.internal_object(), d.Generation);
}

void TWordRange::InsertBreak(int type) {
    if (type != wdPageBreak)
        throw EOfficeError(
            QStringLiteral("%1: 不支援的分隔類型%2").arg(FDocument->d->TemplateName).arg(type));
    TWordDocumentData &d = *FDocument->d;
    const TPoint at = d.InsertBreakAt(d.Resolve(*this, false).End);
    BecomePoint(at.Parent.internal_object(), at.Before.internal_object(), d.Generation);
}

void TWordRange::InsertFile(const QString &fileName) {
    TWordDocumentData &d = *FDocument->d;
    // Read the file first: a bad one changes nothing.
    const TInsertPayload &payload = d.Payload(fileName);
    const TPoint at = d.DeleteSpan(d.Resolve(*this));
    const TPoint after = d.InsertFileAt(at, payload);
    BecomePoint(after.Parent.internal_object(), after.Before.internal_object(), d.Generation);
}

void TWordRange::InsertPicture(const QByteArray &bytes) {
    TWordDocumentData &d = *FDocument->d;
    // Bytes that are no picture change nothing.
    const TWordPicture picture = ReadPicture(bytes, d.TemplateName);
    const TPoint at = d.DeleteSpan(d.Resolve(*this));
    d.InsertPictureAt(at, picture);
    if (FKind == kSpan) {
        FStartParent = FEndParent = at.Parent.internal_object();
        FStartBefore = FEndBefore = at.Before.internal_object();
        FGeneration = d.Generation;
    }
}
