#include "WordDocument.h"

#include "OfficeSuite.h"
#include "WordDocumentData.h"

#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>

namespace {

int IntAttr(TXmlNode node, const char *name, int fallback = -1) {
    const pugi::xml_attribute a = node.attribute(name);
    return a ? a.as_int(fallback) : fallback;
}

} // namespace

// ---- node helpers -----------------------------------------------------------------------

bool IsBlockContainer(TXmlNode node) {
    const char *name = node.name();
    if (node.type() != pugi::node_element || name[0] != 'w' || name[1] != ':')
        return false;
    const char *local = name + 2;
    switch (local[0]) {
    case 'b':
        return std::strcmp(local, "body") == 0;
    case 't':
        return std::strcmp(local, "tc") == 0 || std::strcmp(local, "txbxContent") == 0;
    case 'h':
        return std::strcmp(local, "hdr") == 0;
    case 'f':
        return std::strcmp(local, "ftr") == 0 || std::strcmp(local, "footnote") == 0;
    case 'e':
        return std::strcmp(local, "endnote") == 0;
    case 'c':
        return std::strcmp(local, "comment") == 0;
    case 'd':
        return std::strcmp(local, "docPartBody") == 0;
    case 's':
        // Content controls hold blocks when they stand among blocks.
        return std::strcmp(local, "sdtContent") == 0 && IsBlockContainer(node.parent().parent());
    default:
        return false;
    }
}

bool IsMarker(TXmlNode node) {
    return Is(node, "w:bookmarkStart") || Is(node, "w:bookmarkEnd");
}

bool IsProperties(TXmlNode node) {
    static const char *const names[] = {"w:pPr",   "w:rPr",     "w:tblPr",  "w:tblGrid",
                                        "w:trPr",  "w:tcPr",    "w:sectPr", "w:tblPrEx",
                                        "w:sdtPr", "w:sdtEndPr"};
    for (const char *name : names)
        if (Is(node, name))
            return true;
    return false;
}

TXmlNode NextInOrder(TXmlNode node, TXmlNode root) {
    if (TXmlNode child = node.first_child())
        return child;
    while (node && node != root) {
        if (TXmlNode next = node.next_sibling())
            return next;
        node = node.parent();
    }
    return {};
}

TXmlNode ParagraphOf(TXmlNode node) {
    for (; node; node = node.parent())
        if (Is(node, "w:p"))
            return node;
    return {};
}

QString AttrText(TXmlNode node, const char *name) {
    return QString::fromUtf8(node.attribute(name).value());
}

TXmlNode ChildPath(TXmlNode node, const char *first, const char *second) {
    TXmlNode child = node.child(first);
    return second ? child.child(second) : child;
}

// ---- loading ----------------------------------------------------------------------------

void TWordDocumentData::Load(const QString &name) {
    MainPart = Package.MainPart(QStringLiteral("word/document.xml"));
    if (!Package.Has(MainPart))
        throw EOfficeError(
            QStringLiteral("%1: 不是Word文件,找不到文件的主要內容(%2)").arg(name, MainPart));
    ParseXml(Xml, Package.Part(MainPart), name + QStringLiteral(": ") + MainPart);
    Root = Xml.document_element();
    Body = Root.child("w:body");
    if (!Is(Root, "w:document") || !Body)
        throw EOfficeError(QStringLiteral("%1: 不是Word文件,%2沒有文件本文").arg(name, MainPart));
    Rels = Package.Relationships(MainPart);
    // Drawings need these prefixes on the root.
    if (!Root.attribute("xmlns:r"))
        Root.append_attribute("xmlns:r") =
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    if (!Root.attribute("xmlns:wp"))
        Root.append_attribute("xmlns:wp") =
            "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
    // Ids already in use, so that new bookmarks and drawings never repeat one.
    for (TXmlNode n = Body.first_child(); n; n = NextInOrder(n, Body)) {
        if (Is(n, "w:bookmarkStart"))
            NextBookmarkId = std::max(NextBookmarkId, IntAttr(n, "w:id") + 1);
        else if (Is(n, "wp:docPr"))
            NextDocPrId = std::max(NextDocPrId, IntAttr(n, "id") + 1);
    }
    if (Body.first_child()) {
        Normalise(Body.first_child(), Body.last_child(), false);
        IndexAppend(Body.first_child(), Body.last_child());
    }
}

TXmlNode TWordDocumentData::SectPr() const {
    TXmlNode last = Body.last_child();
    return Is(last, "w:sectPr") ? last : TXmlNode();
}

TPoint TWordDocumentData::EndOfBody() const {
    return {Body, SectPr()};
}

void TWordDocumentData::Normalise(TXmlNode first, TXmlNode last, bool renumber) {
    if (!first)
        return;
    TXmlNode stop = last.next_sibling();
    // Markers pair by id; of several bookmarks with one name the first whole one stays, and
    // markers without their other half go.
    QHash<QString, size_t> openStarts; // id → index in `pairs`
    QSet<QString> names;
    std::vector<TXmlNode> drop;
    std::vector<std::pair<TXmlNode, TXmlNode>> pairs;
    std::vector<TXmlNode> fieldBegins;
    auto walk = [&](auto &&visit) {
        for (TXmlNode top = first; top && top != stop; top = top.next_sibling())
            for (TXmlNode n = top; n; n = NextInOrder(n, top))
                visit(n);
    };
    walk([&](TXmlNode n) {
        if (Is(n, "w:bookmarkStart")) {
            const QString id = AttrText(n, "w:id");
            if (openStarts.contains(id) || AttrText(n, "w:name").isEmpty()) {
                drop.push_back(n);
                return;
            }
            openStarts.insert(id, pairs.size());
            pairs.emplace_back(n, TXmlNode());
        } else if (Is(n, "w:bookmarkEnd")) {
            const auto open = openStarts.find(AttrText(n, "w:id"));
            if (open == openStarts.end()) {
                drop.push_back(n);
                return;
            }
            pairs[open.value()].second = n;
            openStarts.erase(open);
        } else if (Is(n, "w:fldChar") && n.child("w:ffData") &&
                   AttrText(n, "w:fldCharType") == QLatin1String("begin")) {
            fieldBegins.push_back(n.parent());
        } else if (renumber && Is(n, "wp:docPr")) {
            n.attribute("id").set_value(NextDocPrId++);
        }
    });
    std::vector<std::pair<TXmlNode, TXmlNode>> kept;
    for (const auto &[start, end] : pairs) {
        const QString name = AttrText(start, "w:name").toLower();
        if (!end || names.contains(name)) {
            drop.push_back(start);
            if (end)
                drop.push_back(end);
            continue;
        }
        names.insert(name);
        kept.emplace_back(start, end);
    }
    for (TXmlNode n : drop)
        n.parent().remove_child(n);
    if (renumber)
        for (auto &[start, end] : kept) {
            const int id = NextBookmarkId++;
            start.attribute("w:id").set_value(id);
            end.attribute("w:id").set_value(id);
        }
    // A named form field is reached by its bookmark, as in a word processor: one that has
    // none gets a bookmark around it.
    for (TXmlNode begin : fieldBegins) {
        const QString name =
            AttrText(begin.child("w:fldChar").child("w:ffData").child("w:name"), "w:val");
        if (name.isEmpty() || names.contains(name.toLower()) || !Is(begin, "w:r"))
            continue;
        TWordItem probe;
        probe.Kind = TWordItem::FormField;
        probe.Node = begin;
        int depth = 0;
        for (TXmlNode n = begin; n; n = NextInOrder(n, Body)) {
            if (!Is(n, "w:fldChar"))
                continue;
            const QString type = AttrText(n, "w:fldCharType");
            if (type == QLatin1String("begin"))
                ++depth;
            else if (type == QLatin1String("end") && --depth == 0) {
                probe.End = n.parent();
                break;
            }
        }
        if (!probe.End || probe.End.parent() != begin.parent())
            continue;
        const int id = NextBookmarkId++;
        TXmlNode start = begin.parent().insert_child_before("w:bookmarkStart", begin);
        start.append_attribute("w:id") = id;
        start.append_attribute("w:name") = name.toUtf8().constData();
        TXmlNode end = begin.parent().insert_child_after("w:bookmarkEnd", probe.End);
        end.append_attribute("w:id") = id;
        names.insert(name.toLower());
    }
}

// ---- the index ----------------------------------------------------------------------------

namespace {

struct TFound {
    std::vector<std::pair<TXmlNode, TXmlNode>> Bookmarks; // in order of their starts
    std::vector<std::pair<TXmlNode, TXmlNode>> Fields;
    std::vector<TXmlNode> Tables;
};

TXmlNode FieldEnd(TXmlNode beginRun, TXmlNode limit) {
    int depth = 0;
    for (TXmlNode n = beginRun; n; n = NextInOrder(n, limit)) {
        if (!Is(n, "w:fldChar"))
            continue;
        const QString type = AttrText(n, "w:fldCharType");
        if (type == QLatin1String("begin"))
            ++depth;
        else if (type == QLatin1String("end") && --depth == 0)
            return n.parent();
    }
    return {};
}

TFound Scan(TXmlNode first, TXmlNode last, TXmlNode limit) {
    TFound found;
    QHash<QString, size_t> open;
    TXmlNode stop = last ? last.next_sibling() : TXmlNode();
    for (TXmlNode top = first; top && top != stop; top = top.next_sibling()) {
        for (TXmlNode n = top; n; n = NextInOrder(n, top)) {
            if (n.type() != pugi::node_element)
                continue;
            const char *name = n.name();
            if (name[0] != 'w' || name[1] != ':')
                continue;
            if (std::strcmp(name, "w:bookmarkStart") == 0) {
                open.insert(AttrText(n, "w:id"), found.Bookmarks.size());
                found.Bookmarks.emplace_back(n, TXmlNode());
            } else if (std::strcmp(name, "w:bookmarkEnd") == 0) {
                const auto it = open.find(AttrText(n, "w:id"));
                if (it != open.end()) {
                    found.Bookmarks[it.value()].second = n;
                    open.erase(it);
                }
            } else if (std::strcmp(name, "w:tbl") == 0) {
                bool nested = false;
                for (TXmlNode up = n.parent(); up && up != limit; up = up.parent())
                    if (Is(up, "w:tbl")) {
                        nested = true;
                        break;
                    }
                if (!nested)
                    found.Tables.push_back(n);
            } else if (std::strcmp(name, "w:fldChar") == 0 && n.child("w:ffData") &&
                       AttrText(n, "w:fldCharType") == QLatin1String("begin") &&
                       Is(n.parent(), "w:r")) {
                if (TXmlNode end = FieldEnd(n.parent(), limit))
                    found.Fields.emplace_back(n.parent(), end);
            }
        }
    }
    std::erase_if(found.Bookmarks, [](const auto &p) { return !p.second; });
    return found;
}

} // namespace

void TWordDocumentData::AddBookmarkToIndex(const TWordItemPtr &item, bool append) {
    const QString key = item->Name.toLower();
    if (const TWordItemPtr old = BookmarkByName.value(key); old && old != item)
        RemoveBookmark(old); // the newest copy of a name wins
    BookmarkByName.insert(key, item);
    if (append)
        Bookmarks.push_back(item);
}

void TWordDocumentData::RemoveBookmark(const TWordItemPtr &item) {
    if (!item->Alive)
        return;
    if (item->Node)
        item->Node.parent().remove_child(item->Node);
    if (item->End)
        item->End.parent().remove_child(item->End);
    item->Alive = false;
    item->Node = item->End = {};
    const QString key = item->Name.toLower();
    if (BookmarkByName.value(key) == item)
        BookmarkByName.remove(key);
    // Bookmarks are mostly removed from the last one down: look from the back.
    for (auto it = Bookmarks.rbegin(); it != Bookmarks.rend(); ++it)
        if (*it == item) {
            Bookmarks.erase(std::next(it).base());
            break;
        }
    Touch();
}

void TWordDocumentData::IndexAppend(TXmlNode first, TXmlNode last) {
    const TFound found = Scan(first, last, Body);
    for (const auto &[start, end] : found.Bookmarks) {
        auto item = std::make_shared<TWordItem>();
        item->Kind = TWordItem::Bookmark;
        item->Node = start;
        item->End = end;
        item->Name = AttrText(start, "w:name");
        AddBookmarkToIndex(item, true);
    }
    for (const auto &[begin, end] : found.Fields) {
        auto item = std::make_shared<TWordItem>();
        item->Kind = TWordItem::FormField;
        item->Node = begin;
        item->End = end;
        FormFields.push_back(item);
    }
    for (TXmlNode table : found.Tables) {
        auto item = std::make_shared<TWordItem>();
        item->Kind = TWordItem::Table;
        item->Node = table;
        Tables.push_back(item);
    }
}

namespace {

std::vector<int> PathOf(TXmlNode node, TXmlNode holder) {
    std::vector<int> path;
    for (; node && node != holder; node = node.parent()) {
        int index = 0;
        for (TXmlNode n = node.previous_sibling(); n; n = n.previous_sibling())
            ++index;
        path.push_back(index);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

TXmlNode Follow(const std::vector<TXmlNode> &copies, const std::vector<int> &path) {
    if (path.empty() || path[0] >= static_cast<int>(copies.size()))
        return {};
    TXmlNode node = copies[static_cast<size_t>(path[0])];
    for (size_t i = 1; i < path.size() && node; ++i) {
        node = node.first_child();
        for (int k = 0; k < path[i] && node; ++k)
            node = node.next_sibling();
    }
    return node;
}

} // namespace

void TWordDocumentData::MarkPayload(TInsertPayload &payload) {
    using TMark = TInsertPayload::TMark;
    const TXmlNode holder = payload.Holder;
    QHash<int, int> open; // bookmark id → mark
    for (TXmlNode n = holder.first_child(); n; n = NextInOrder(n, holder)) {
        if (n.type() != pugi::node_element)
            continue;
        if (Is(n, "wp:docPr")) {
            payload.Marks.push_back({TMark::DocPr, PathOf(n, holder), {}, -1, {}});
        } else if (Is(n, "w:bookmarkStart")) {
            open.insert(n.attribute("w:id").as_int(), static_cast<int>(payload.Marks.size()));
            payload.Marks.push_back(
                {TMark::BookmarkStart, PathOf(n, holder), {}, -1, AttrText(n, "w:name")});
        } else if (Is(n, "w:bookmarkEnd")) {
            const int start = open.take(n.attribute("w:id").as_int());
            payload.Marks.push_back({TMark::BookmarkEnd, PathOf(n, holder), {}, start, {}});
        } else if (Is(n, "w:tbl")) {
            bool nested = false;
            for (TXmlNode up = n.parent(); up && up != holder && !nested; up = up.parent())
                nested = Is(up, "w:tbl");
            if (!nested)
                payload.Marks.push_back({TMark::Table, PathOf(n, holder), {}, -1, {}});
        } else if (Is(n, "w:fldChar") && n.child("w:ffData") &&
                   AttrText(n, "w:fldCharType") == QLatin1String("begin") &&
                   Is(n.parent(), "w:r")) {
            if (TXmlNode end = FieldEnd(n.parent(), holder))
                payload.Marks.push_back(
                    {TMark::Field, PathOf(n.parent(), holder), PathOf(end, holder), -1, {}});
        }
    }
}

void TWordDocumentData::IndexCopy(const std::vector<TXmlNode> &copies,
                                  const TInsertPayload &payload) {
    using TMark = TInsertPayload::TMark;
    std::vector<TWordItemPtr> starts(payload.Marks.size());
    std::vector<int> ids(payload.Marks.size(), 0);
    std::vector<TWordItemPtr> bookmarks;
    for (size_t i = 0; i < payload.Marks.size(); ++i) {
        const TMark &mark = payload.Marks[i];
        TXmlNode n = Follow(copies, mark.Path);
        if (!n)
            continue;
        switch (mark.Kind) {
        case TMark::DocPr:
            n.attribute("id").set_value(NextDocPrId++);
            break;
        case TMark::BookmarkStart: {
            auto item = std::make_shared<TWordItem>();
            item->Kind = TWordItem::Bookmark;
            item->Node = n;
            item->Name = mark.Name;
            ids[i] = NextBookmarkId++;
            n.attribute("w:id").set_value(ids[i]);
            starts[i] = item;
            bookmarks.push_back(item);
            break;
        }
        case TMark::BookmarkEnd:
            if (mark.Start >= 0 && starts[static_cast<size_t>(mark.Start)]) {
                starts[static_cast<size_t>(mark.Start)]->End = n;
                n.attribute("w:id").set_value(ids[static_cast<size_t>(mark.Start)]);
            }
            break;
        case TMark::Table: {
            auto item = std::make_shared<TWordItem>();
            item->Kind = TWordItem::Table;
            item->Node = n;
            Tables.push_back(item);
            break;
        }
        case TMark::Field:
            if (TXmlNode end = Follow(copies, mark.EndPath)) {
                auto item = std::make_shared<TWordItem>();
                item->Kind = TWordItem::FormField;
                item->Node = n;
                item->End = end;
                FormFields.push_back(item);
            }
            break;
        }
    }
    for (const TWordItemPtr &item : bookmarks)
        if (item->End)
            AddBookmarkToIndex(item, true);
}

void TWordDocumentData::Rebuild() {
    OrderDirty = false;
    QHash<const void *, TWordItemPtr> known;
    auto remember = [&](std::vector<TWordItemPtr> &items) {
        for (const TWordItemPtr &item : items)
            if (!item->Frozen && item->Node)
                known.insert(item->Node.internal_object(), item);
    };
    remember(Bookmarks);
    remember(FormFields);
    remember(Tables);
    auto frozenPrefix = [](std::vector<TWordItemPtr> &items) {
        std::vector<TWordItemPtr> kept;
        for (const TWordItemPtr &item : items)
            if (item->Frozen)
                kept.push_back(item);
        return kept;
    };
    std::vector<TWordItemPtr> bookmarks, fields = frozenPrefix(FormFields),
                                         tables = frozenPrefix(Tables);
    const TFound found = Scan(Body.first_child(), Body.last_child(), Body);
    QSet<const void *> alive;
    auto take = [&](TXmlNode node, TXmlNode end, TWordItem::TKind kind) {
        TWordItemPtr item = known.value(node.internal_object());
        if (!item) {
            item = std::make_shared<TWordItem>();
            item->Kind = kind;
            item->Node = node;
            if (kind == TWordItem::Bookmark)
                item->Name = AttrText(node, "w:name");
        }
        item->End = end;
        alive.insert(node.internal_object());
        return item;
    };
    for (const auto &[start, end] : found.Bookmarks)
        bookmarks.push_back(take(start, end, TWordItem::Bookmark));
    for (const auto &[begin, end] : found.Fields)
        fields.push_back(take(begin, end, TWordItem::FormField));
    for (TXmlNode table : found.Tables)
        tables.push_back(take(table, {}, TWordItem::Table));
    for (auto it = known.begin(); it != known.end(); ++it)
        if (!alive.contains(it.key())) {
            it.value()->Alive = false;
            it.value()->Node = it.value()->End = {};
        }
    Bookmarks = std::move(bookmarks);
    FormFields = std::move(fields);
    Tables = std::move(tables);
    BookmarkByName.clear();
    for (const TWordItemPtr &item : Bookmarks)
        if (!BookmarkByName.contains(item->Name.toLower()))
            BookmarkByName.insert(item->Name.toLower(), item);
    for (const TWordItemPtr &table : Tables)
        table->GridValid = false;
}

// ---- finished text of earlier copies -------------------------------------------------------

void TWordDocumentData::FreezeBeforeEnd() {
    EnsureIndex();
    if (!Bookmarks.empty())
        return;
    const TXmlNode end = SectPr();
    if (Body.first_child() == end)
        return;
    std::string chunk;
    // Pages of one report are about the same size: room for one like the last.
    if (!Frozen.empty())
        chunk.reserve(Frozen.back().size() + Frozen.back().size() / 8);
    while (TXmlNode n = Body.first_child()) {
        if (n == end)
            break;
        AppendXml(chunk, n);
        Body.remove_child(n);
    }
    Frozen.push_back(std::move(chunk));
    for (auto *items : {&FormFields, &Tables})
        for (const TWordItemPtr &item : *items) {
            item->Frozen = true;
            item->Node = item->End = {};
            item->Grid.clear();
            item->GridValid = false;
        }
    Invalidate();
}

void TWordDocumentData::Thaw() {
    if (Frozen.empty())
        return;
    std::string all;
    size_t total = 0;
    for (const std::string &chunk : Frozen)
        total += chunk.size();
    all.reserve(total);
    for (const std::string &chunk : Frozen)
        all += chunk;
    Frozen.clear();
    pugi::xml_document part;
    if (!part.load_buffer(all.data(), all.size(), kXmlParseOptions | pugi::parse_fragment))
        throw EOfficeError(QStringLiteral("%1: 文件內容無法還原").arg(TemplateName));
    std::string().swap(all);
    const TXmlNode firstLive = Body.first_child();
    TXmlNode firstThawed, lastThawed;
    for (TXmlNode n = part.first_child(); n; n = n.next_sibling()) {
        TXmlNode copy = firstLive ? Body.insert_copy_before(n, firstLive) : Body.append_copy(n);
        if (!firstThawed)
            firstThawed = copy;
        lastThawed = copy;
    }
    const TFound found = firstThawed ? Scan(firstThawed, lastThawed, Body) : TFound();
    size_t table = 0, field = 0;
    for (const TWordItemPtr &item : Tables)
        if (item->Frozen) {
            item->Frozen = false;
            if (table < found.Tables.size())
                item->Node = found.Tables[table++];
            else
                item->Alive = false;
        }
    for (const TWordItemPtr &item : FormFields)
        if (item->Frozen) {
            item->Frozen = false;
            if (field < found.Fields.size()) {
                item->Node = found.Fields[field].first;
                item->End = found.Fields[field++].second;
            } else {
                item->Alive = false;
            }
        }
    Invalidate();
}

void TWordDocumentData::EnsureLive(const TWordItemPtr &item) {
    if (item->Frozen)
        Thaw();
    CheckAlive(item);
}

void TWordDocumentData::CheckAlive(const TWordItemPtr &item) const {
    if (!item || !item->Alive)
        throw EOfficeError(QStringLiteral("%1: 文件中已沒有這個項目").arg(TemplateName));
}

// ---- tables -------------------------------------------------------------------------------

void TWordDocumentData::BuildGrid(TWordItem &table) {
    table.Grid.clear();
    for (TXmlNode row = table.Node.child("w:tr"); row; row = row.next_sibling("w:tr")) {
        std::vector<TXmlNode> cells;
        for (TXmlNode cell = row.child("w:tc"); cell; cell = cell.next_sibling("w:tc"))
            cells.push_back(cell);
        table.Grid.push_back(std::move(cells));
    }
    table.GridValid = true;
}

TXmlNode TWordDocumentData::CellNode(const TWordItemPtr &table, int row, int col) {
    EnsureLive(table);
    if (!table->GridValid)
        BuildGrid(*table);
    if (row < 1 || row > static_cast<int>(table->Grid.size()) || col < 1 ||
        col > static_cast<int>(table->Grid[row - 1].size()))
        throw EOfficeError(
            QStringLiteral("%1: 表格沒有第%2列第%3欄的儲存格").arg(TemplateName).arg(row).arg(col));
    return table->Grid[row - 1][col - 1];
}

double TWordDocumentData::TextWidthTwips() const {
    const TXmlNode sect = SectPr();
    const double page = sect.child("w:pgSz").attribute("w:w").as_double(11906);
    const TXmlNode margins = sect.child("w:pgMar");
    const double width = page - margins.attribute("w:left").as_double(1134) -
                         margins.attribute("w:right").as_double(1134);
    return width > 720 ? width : 9638;
}

// ---- form fields ----------------------------------------------------------------------------

TXmlNode TWordDocumentData::FieldData(const TWordItem &field) const {
    return field.Node.child("w:fldChar").child("w:ffData");
}

TXmlNode TWordDocumentData::FieldSeparate(const TWordItem &field) const {
    int depth = 0;
    for (TXmlNode run = field.Node; run; run = NextInOrder(run, Body)) {
        if (!Is(run, "w:fldChar"))
            continue;
        const QString type = AttrText(run, "w:fldCharType");
        if (type == QLatin1String("begin"))
            ++depth;
        else if (type == QLatin1String("end") && --depth == 0)
            return {};
        else if (type == QLatin1String("separate") && depth == 1)
            return run.parent();
    }
    return {};
}

// ---- TWordDocument --------------------------------------------------------------------------

TWordDocument::TWordDocument() : d(std::make_unique<TWordDocumentData>()) {}
TWordDocument::~TWordDocument() = default;

std::unique_ptr<TWordDocument> TWordDocument::FromTemplate(const QString &templateFile) {
    std::unique_ptr<TWordDocument> doc(new TWordDocument);
    doc->d->TemplateName = templateFile;
    doc->d->Package = TOfficePackage::ReadFile(templateFile);
    doc->d->Load(templateFile);
    return doc;
}

std::unique_ptr<TWordDocument> TWordDocument::FromBytes(const QByteArray &package,
                                                        const QString &name) {
    std::unique_ptr<TWordDocument> doc(new TWordDocument);
    doc->d->TemplateName = name;
    doc->d->Package = TOfficePackage::ReadBytes(package, name);
    doc->d->Load(name);
    return doc;
}

QString TWordDocument::TemplateName() const {
    return d->TemplateName;
}
QString TWordDocument::FullName() const {
    return d->FullName;
}
bool TWordDocument::Saved() const {
    return d->Saved;
}

int TWordDocument::BookmarkCount() const {
    d->EnsureIndex();
    return static_cast<int>(d->Bookmarks.size());
}

TWordBookmark TWordDocument::Bookmark(int index) const {
    d->EnsureIndex();
    if (index < 1 || index > static_cast<int>(d->Bookmarks.size()))
        throw EOfficeError(QStringLiteral("%1: 沒有第%2個書籤").arg(d->TemplateName).arg(index));
    TWordBookmark bookmark;
    bookmark.FDocument = const_cast<TWordDocument *>(this);
    bookmark.FItem = d->Bookmarks[static_cast<size_t>(index - 1)];
    return bookmark;
}

TWordBookmark TWordDocument::Bookmark(const QString &name) const {
    d->EnsureIndex();
    TWordBookmark bookmark;
    if (TWordItemPtr item = d->BookmarkByName.value(name.toLower())) {
        bookmark.FDocument = const_cast<TWordDocument *>(this);
        bookmark.FItem = item;
    }
    return bookmark;
}

bool TWordDocument::BookmarkExists(const QString &name) const {
    d->EnsureIndex();
    return d->BookmarkByName.contains(name.toLower());
}

int TWordDocument::FormFieldCount() const {
    d->EnsureIndex();
    return static_cast<int>(d->FormFields.size());
}

TWordFormField TWordDocument::FormField(int index) const {
    d->EnsureIndex();
    if (index < 1 || index > static_cast<int>(d->FormFields.size()))
        throw EOfficeError(
            QStringLiteral("%1: 沒有第%2個表單欄位").arg(d->TemplateName).arg(index));
    TWordFormField field;
    field.FDocument = const_cast<TWordDocument *>(this);
    field.FItem = d->FormFields[static_cast<size_t>(index - 1)];
    return field;
}

int TWordDocument::TableCount() const {
    d->EnsureIndex();
    return static_cast<int>(d->Tables.size());
}

TWordTable TWordDocument::Table(int index) const {
    d->EnsureIndex();
    if (index < 1 || index > static_cast<int>(d->Tables.size()))
        throw EOfficeError(QStringLiteral("%1: 沒有第%2個表格").arg(d->TemplateName).arg(index));
    TWordTable table;
    table.FDocument = const_cast<TWordDocument *>(this);
    table.FItem = d->Tables[static_cast<size_t>(index - 1)];
    return table;
}

TWordRange TWordDocument::Content() {
    TWordRange range;
    range.FDocument = this;
    range.FKind = TWordRange::kContent;
    return range;
}

TWordRange TWordDocument::LastSentence() {
    TWordRange range;
    range.FDocument = this;
    range.FKind = TWordRange::kLastParagraph;
    return range;
}

// ---- bookmarks and form fields --------------------------------------------------------------

QString TWordBookmark::Name() const {
    if (FItem)
        FDocument->d->CheckAlive(FItem);
    return FItem ? FItem->Name : QString();
}

TWordRange TWordBookmark::Range() const {
    FDocument->d->CheckAlive(FItem);
    TWordRange range;
    range.FDocument = FDocument;
    range.FKind = TWordRange::kBookmark;
    range.FItem = FItem;
    return range;
}

void TWordBookmark::Delete() {
    FDocument->d->CheckAlive(FItem);
    FDocument->d->RemoveBookmark(FItem);
    FDocument->d->Invalidate();
}

QString TWordFormField::Name() const {
    FDocument->d->EnsureLive(FItem);
    return AttrText(FDocument->d->FieldData(*FItem).child("w:name"), "w:val");
}

int TWordFormField::Type() const {
    FDocument->d->EnsureLive(FItem);
    const TXmlNode data = FDocument->d->FieldData(*FItem);
    if (data.child("w:checkBox"))
        return wdFieldFormCheckBox;
    if (data.child("w:ddList"))
        return wdFieldFormDropDown;
    return wdFieldFormTextInput;
}

namespace {

bool OnOff(TXmlNode element, bool fallback) {
    if (!element)
        return fallback;
    const pugi::xml_attribute val = element.attribute("w:val");
    if (!val)
        return true;
    const QString text = QString::fromUtf8(val.value()).toLower();
    return !(text == QLatin1String("0") || text == QLatin1String("false") ||
             text == QLatin1String("off"));
}

// Children of a drop-down's list in schema order: result, default, listEntry...
TXmlNode EnsureFirstChild(TXmlNode parent, const char *name) {
    if (TXmlNode child = parent.child(name))
        return child;
    return parent.prepend_child(name);
}

} // namespace

bool TWordFormField::CheckBoxValue() const {
    FDocument->d->EnsureLive(FItem);
    const TXmlNode box = FDocument->d->FieldData(*FItem).child("w:checkBox");
    if (const TXmlNode checked = box.child("w:checked"))
        return OnOff(checked, true);
    return OnOff(box.child("w:default"), false) && box.child("w:default");
}

void TWordFormField::SetCheckBoxValue(bool checked) {
    FDocument->d->EnsureLive(FItem);
    TXmlNode box = FDocument->d->FieldData(*FItem).child("w:checkBox");
    if (!box)
        throw EOfficeError(
            QStringLiteral("%1: 表單欄位[%2]不是核取方塊").arg(FDocument->d->TemplateName, Name()));
    TXmlNode value = box.child("w:checked");
    if (!value)
        value = box.append_child("w:checked"); // after size and default
    if (!value.attribute("w:val"))
        value.append_attribute("w:val");
    value.attribute("w:val").set_value(checked ? "1" : "0");
    FDocument->d->Touch();
}

QStringList TWordFormField::DropDownEntries() const {
    FDocument->d->EnsureLive(FItem);
    QStringList entries;
    for (TXmlNode entry : FDocument->d->FieldData(*FItem).child("w:ddList").children("w:listEntry"))
        entries << AttrText(entry, "w:val");
    return entries;
}

QString TWordFormField::Result() const {
    FDocument->d->EnsureLive(FItem);
    TWordDocumentData &d = *FDocument->d;
    const TXmlNode data = d.FieldData(*FItem);
    if (const TXmlNode box = data.child("w:checkBox"))
        return CheckBoxValue() ? QStringLiteral("1") : QStringLiteral("0");
    if (const TXmlNode list = data.child("w:ddList")) {
        const QStringList entries = DropDownEntries();
        int chosen = list.child("w:result")
                         .attribute("w:val")
                         .as_int(list.child("w:default").attribute("w:val").as_int(0));
        return chosen >= 0 && chosen < entries.size() ? entries[chosen] : QString();
    }
    const TXmlNode separate = d.FieldSeparate(*FItem);
    if (!separate)
        return {};
    TSpan span{{separate.parent(), separate.next_sibling()}, {FItem->End.parent(), FItem->End}};
    return d.SpanText(span);
}

void TWordFormField::SetResult(const QString &text) {
    FDocument->d->EnsureLive(FItem);
    TWordDocumentData &d = *FDocument->d;
    const TXmlNode data = d.FieldData(*FItem);
    if (data.child("w:checkBox"))
        throw EOfficeError(
            QStringLiteral("%1: 核取方塊[%2]的結果不能設定為文字").arg(d.TemplateName, Name()));
    if (TXmlNode list = data.child("w:ddList")) {
        const int chosen = static_cast<int>(DropDownEntries().indexOf(text));
        if (chosen < 0)
            return;
        TXmlNode result = EnsureFirstChild(list, "w:result");
        if (!result.attribute("w:val"))
            result.append_attribute("w:val");
        result.attribute("w:val").set_value(chosen);
        d.Touch();
        return;
    }
    TXmlNode separate = d.FieldSeparate(*FItem);
    if (!separate) {
        // A field written without a result gets one, after its code.
        separate = FItem->End.parent().insert_child_before("w:r", FItem->End);
        separate.append_child("w:fldChar").append_attribute("w:fldCharType") = "separate";
    }
    // The new text takes the formatting of the runs around the result.
    std::vector<TXmlNode> old;
    for (TXmlNode n = separate.next_sibling(); n && n != FItem->End; n = n.next_sibling())
        if (!IsMarker(n))
            old.push_back(n);
    for (TXmlNode n : old)
        n.parent().remove_child(n);
    d.InsertText({FItem->End.parent(), FItem->End}, text);
    d.Touch();
    d.Invalidate();
}

TWordRange TWordFormField::Range() const {
    FDocument->d->EnsureLive(FItem);
    TWordRange range;
    range.FDocument = FDocument;
    range.FKind = TWordRange::kFormField;
    range.FItem = FItem;
    return range;
}

// ---- tables ---------------------------------------------------------------------------------

int TWordTable::RowCount() const {
    FDocument->d->EnsureLive(FItem);
    if (!FItem->GridValid)
        FDocument->d->BuildGrid(*FItem);
    return static_cast<int>(FItem->Grid.size());
}

int TWordTable::ColumnCount() const {
    FDocument->d->EnsureLive(FItem);
    if (!FItem->GridValid)
        FDocument->d->BuildGrid(*FItem);
    size_t most = 0;
    for (const auto &row : FItem->Grid)
        most = std::max(most, row.size());
    return static_cast<int>(most);
}

namespace {

// An empty copy of a cell: its properties, and one paragraph with the first paragraph's
// properties and the first run's formatting, so that text written later looks the same.
void EmptyCellLike(TXmlNode target, TXmlNode source) {
    if (TXmlNode props = source.child("w:tcPr")) {
        TXmlNode copy = target.append_copy(props);
        copy.remove_child("w:vMerge");
        copy.remove_child("w:hMerge");
    }
    TXmlNode paragraph = target.append_child("w:p");
    const TXmlNode firstParagraph = source.child("w:p");
    if (TXmlNode props = firstParagraph.child("w:pPr"))
        paragraph.append_copy(props);
    TXmlNode firstRun;
    for (TXmlNode n = firstParagraph.first_child(); n; n = NextInOrder(n, firstParagraph))
        if (Is(n, "w:r")) {
            firstRun = n;
            break;
        }
    if (TXmlNode format = firstRun.child("w:rPr"))
        paragraph.append_child("w:r").append_copy(format);
}

} // namespace

void TWordTable::AddRow() {
    TWordDocumentData &d = *FDocument->d;
    d.EnsureLive(FItem);
    TXmlNode last = FItem->Node.last_child();
    while (last && !Is(last, "w:tr"))
        last = last.previous_sibling();
    if (!last)
        throw EOfficeError(QStringLiteral("%1: 表格沒有列,無法增加").arg(d.TemplateName));
    TXmlNode row = FItem->Node.insert_child_after("w:tr", last);
    for (pugi::xml_attribute a : last.attributes())
        if (std::strncmp(a.name(), "w14:", 4) != 0)
            row.append_attribute(a.name()) = a.value();
    if (TXmlNode props = last.child("w:trPr"))
        row.append_copy(props).remove_child("w:tblHeader");
    std::vector<TXmlNode> cells;
    for (TXmlNode cell = last.child("w:tc"); cell; cell = cell.next_sibling("w:tc")) {
        TXmlNode copy = row.append_child("w:tc");
        EmptyCellLike(copy, cell);
        cells.push_back(copy);
    }
    if (FItem->GridValid)
        FItem->Grid.push_back(std::move(cells));
    d.Touch();
}

void TWordTable::AddColumn() {
    TWordDocumentData &d = *FDocument->d;
    d.EnsureLive(FItem);
    if (TXmlNode grid = FItem->Node.child("w:tblGrid"))
        if (TXmlNode col = grid.last_child())
            grid.append_copy(col);
    for (TXmlNode row = FItem->Node.child("w:tr"); row; row = row.next_sibling("w:tr")) {
        TXmlNode lastCell;
        for (TXmlNode cell = row.child("w:tc"); cell; cell = cell.next_sibling("w:tc"))
            lastCell = cell;
        TXmlNode copy =
            lastCell ? row.insert_child_after("w:tc", lastCell) : row.append_child("w:tc");
        if (lastCell)
            EmptyCellLike(copy, lastCell);
        else
            copy.append_child("w:p");
    }
    FItem->GridValid = false;
    d.Touch();
}

TWordRange TWordTable::Cell(int row, int col) const {
    FDocument->d->CellNode(FItem, row, col);
    TWordRange range;
    range.FDocument = FDocument;
    range.FKind = TWordRange::kCell;
    range.FItem = FItem;
    range.FRow = row;
    range.FCol = col;
    return range;
}

TXmlNode TWordDocumentData::NewTable(const TPoint &at, int rows, int columns, TXmlNode formatFrom) {
    TXmlNode table = at.Before ? at.Parent.insert_child_before("w:tbl", at.Before)
                               : at.Parent.append_child("w:tbl");
    const int width = static_cast<int>(TextWidthTwips());
    const int cellWidth = width / columns;
    TXmlNode props = table.append_child("w:tblPr");
    TXmlNode tblW = props.append_child("w:tblW");
    tblW.append_attribute("w:w") = cellWidth * columns;
    tblW.append_attribute("w:type") = "dxa";
    TXmlNode borders = props.append_child("w:tblBorders");
    for (const char *side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
        TXmlNode border = borders.append_child(side);
        border.append_attribute("w:val") = "single";
        border.append_attribute("w:sz") = 4;
        border.append_attribute("w:space") = 0;
        border.append_attribute("w:color") = "000000";
    }
    props.append_child("w:tblLayout").append_attribute("w:type") = "fixed";
    TXmlNode margins = props.append_child("w:tblCellMar");
    for (const char *side : {"w:left", "w:right"}) {
        TXmlNode margin = margins.append_child(side);
        margin.append_attribute("w:w") = 57;
        margin.append_attribute("w:type") = "dxa";
    }
    TXmlNode grid = table.append_child("w:tblGrid");
    for (int c = 0; c < columns; ++c)
        grid.append_child("w:gridCol").append_attribute("w:w") = cellWidth;
    // Cells take the paragraph style and the character formatting of where the table goes.
    TXmlNode paraProps;
    if (TXmlNode style = formatFrom.child("w:pPr").child("w:pStyle"))
        paraProps = style;
    TXmlNode runFormat;
    for (TXmlNode n = formatFrom.first_child(); n; n = n.next_sibling())
        if (Is(n, "w:r") && n.child("w:rPr")) {
            runFormat = n.child("w:rPr");
            break;
        }
    if (!runFormat)
        runFormat = formatFrom.child("w:pPr").child("w:rPr");
    for (int r = 0; r < rows; ++r) {
        TXmlNode row = table.append_child("w:tr");
        for (int c = 0; c < columns; ++c) {
            TXmlNode cell = row.append_child("w:tc");
            TXmlNode tcW = cell.append_child("w:tcPr").append_child("w:tcW");
            tcW.append_attribute("w:w") = cellWidth;
            tcW.append_attribute("w:type") = "dxa";
            TXmlNode paragraph = cell.append_child("w:p");
            if (paraProps || runFormat) {
                TXmlNode pPr = paragraph.append_child("w:pPr");
                if (paraProps)
                    pPr.append_copy(paraProps);
                if (runFormat) {
                    TXmlNode rPr = pPr.append_copy(runFormat);
                    rPr.remove_child("w:ins");
                    rPr.remove_child("w:del");
                    paragraph.append_child("w:r").append_copy(runFormat);
                }
            }
        }
    }
    return table;
}

TWordTable TWordDocument::AddTable(const TWordRange &range, int rows, int columns) {
    if (range.FDocument != this)
        throw EOfficeError(QStringLiteral("%1: 範圍不屬於這份文件").arg(d->TemplateName));
    if (rows < 1 || columns < 1 || rows > 32767 || columns > 63)
        throw EOfficeError(QStringLiteral("%1: 表格的列數%2或欄數%3不對")
                               .arg(d->TemplateName)
                               .arg(rows)
                               .arg(columns));
    TPoint at = d->DeleteSpan(d->Resolve(range));
    TXmlNode formatFrom = ParagraphOf(at.Parent);
    if (!IsBlockContainer(at.Parent)) {
        at = d->SplitParagraphAt(at);
        at = {at.Parent.parent(), at.Parent};
    }
    const bool atEnd = at == d->EndOfBody();
    TXmlNode table = d->NewTable(at, rows, columns, formatFrom);
    auto item = std::make_shared<TWordItem>();
    item->Kind = TWordItem::Table;
    item->Node = table;
    d->EnsureIndex();
    d->Tables.push_back(item);
    // A table in the middle of the document takes its place in document order.
    if (!atEnd)
        d->Rebuild();
    d->Touch();
    TWordTable result;
    result.FDocument = this;
    result.FItem = item;
    return result;
}

// ---- saving ---------------------------------------------------------------------------------

void TWordDocumentData::FlushParts() {
    if (StylesChanged)
        Package.SetPart(StylesPart, XmlBytes(Styles));
    if (NumberingChanged)
        Package.SetPart(NumberingPart, XmlBytes(Numbering));
    if (RelsChanged)
        Package.SetPart(TOfficePackage::RelsPartOf(MainPart), Rels.ToXml());
    StylesChanged = NumberingChanged = RelsChanged = false;
}

TOfficePackage::TStreamedPart TWordDocumentData::MainStream() {
    auto pieces = std::make_shared<std::vector<std::string>>();
    // The root's start tag with its attributes: printed from an empty copy.
    pugi::xml_document shell;
    TXmlNode root = shell.append_child(Root.name());
    for (pugi::xml_attribute a : Root.attributes())
        root.append_attribute(a.name()) = a.value();
    root.append_child(pugi::node_pcdata).set_value("");
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    AppendXml(head, root);
    head.resize(head.size() - (std::strlen(Root.name()) + 3)); // "</name>"
    std::string tail;
    bool afterBody = false;
    for (TXmlNode n = Root.first_child(); n; n = n.next_sibling()) {
        if (n == Body) {
            head += "<w:body>";
            afterBody = true;
            continue;
        }
        AppendXml(afterBody ? tail : head, n);
    }
    std::string live;
    for (TXmlNode n = Body.first_child(); n; n = n.next_sibling())
        AppendXml(live, n);
    tail = "</w:body>" + tail + "</" + Root.name() + ">";
    pieces->push_back(std::move(head));
    pieces->push_back(std::move(live));
    pieces->push_back(std::move(tail));
    // The finished text is read in place, not copied.
    struct TCursor {
        std::vector<const std::string *> Parts;
        size_t Part = 0, Offset = 0;
    };
    auto cursor = std::make_shared<TCursor>();
    cursor->Parts.push_back(&(*pieces)[0]);
    for (const std::string &chunk : Frozen)
        cursor->Parts.push_back(&chunk);
    cursor->Parts.push_back(&(*pieces)[1]);
    cursor->Parts.push_back(&(*pieces)[2]);
    TOfficePackage::TStreamedPart part;
    for (const std::string *p : cursor->Parts)
        part.Size += static_cast<qint64>(p->size());
    part.Rewind = [cursor] { cursor->Part = cursor->Offset = 0; };
    part.Read = [cursor, pieces](char *buffer, qint64 max) -> qint64 {
        qint64 done = 0;
        while (done < max && cursor->Part < cursor->Parts.size()) {
            const std::string &p = *cursor->Parts[cursor->Part];
            const size_t n = std::min(static_cast<size_t>(max - done), p.size() - cursor->Offset);
            std::memcpy(buffer + done, p.data() + cursor->Offset, n);
            done += static_cast<qint64>(n);
            cursor->Offset += n;
            if (cursor->Offset == p.size()) {
                ++cursor->Part;
                cursor->Offset = 0;
            }
        }
        return done;
    };
    return part;
}

std::map<QString, TOfficePackage::TStreamedPart> TWordDocumentData::Streams() {
    FlushParts();
    std::map<QString, TOfficePackage::TStreamedPart> streams;
    streams[MainPart] = MainStream();
    return streams;
}

void TWordDocument::SaveAs(const QString &fileName, int fileFormat) {
    if (fileFormat == wdFormatPDF) {
        QTemporaryDir folder;
        if (!folder.isValid())
            throw EOfficeError(QStringLiteral("%1: 無法建立暫存資料夾").arg(fileName));
        const QString docx =
            folder.filePath(QFileInfo(fileName).completeBaseName() + QStringLiteral(".docx"));
        d->Package.WriteFile(docx, d->Streams());
        TOfficeSuite::ConvertToPdf(docx, fileName);
        return;
    }
    if (fileFormat != wdFormatDocument && fileFormat != 12 && fileFormat != 16)
        throw EOfficeError(QStringLiteral("%1: 不支援的存檔格式%2").arg(fileName).arg(fileFormat));
    d->Package.WriteFile(fileName, d->Streams());
    d->FullName = QFileInfo(fileName).absoluteFilePath();
    d->Saved = true;
}

void TWordDocument::SaveCopyAs(const QString &fileName) {
    d->Package.WriteFile(fileName, d->Streams());
}

QByteArray TWordDocument::SaveToBytes() {
    return d->Package.WriteBytes(d->Streams());
}

QByteArray TWordDocument::DocumentXml() {
    TOfficePackage::TStreamedPart part = d->Streams()[d->MainPart];
    QByteArray out;
    out.resize(static_cast<qsizetype>(part.Size));
    const qint64 got = part.Read(out.data(), part.Size);
    out.resize(static_cast<qsizetype>(std::max<qint64>(got, 0)));
    return out;
}
