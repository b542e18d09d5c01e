#pragma once
// The inside of a TWordDocument: the package, the parsed main part, the finished text of
// earlier page copies and the index of bookmarks, form fields and tables. Shared by the
// document's units only.

#include "OfficePackage.h"
#include "WordDocument.h"

#include <QDateTime>
#include <QHash>
#include <cstring>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <vector>

using TXmlNode = pugi::xml_node;

// A bookmark, form field or table of the document.
struct TWordItem {
    enum TKind { Bookmark, FormField, Table };
    TKind Kind = Bookmark;
    TXmlNode Node; // bookmarkStart; the run that begins the field; the table
    TXmlNode End;  // bookmarkEnd; the run that ends the field
    QString Name;  // bookmark name
    bool Alive = true;
    bool Frozen = false; // in the finished text of earlier copies
    // A table's cells by row, built when first needed.
    std::vector<std::vector<TXmlNode>> Grid;
    bool GridValid = false;
};
using TWordItemPtr = std::shared_ptr<TWordItem>;

// An insertion point: before `Before` among the children of `Parent` (at the end when null).
struct TPoint {
    mutable TXmlNode Parent, Before;
    bool operator==(const TPoint &o) const { return Parent == o.Parent && Before == o.Before; }
};
struct TSpan {
    TPoint Start, End;
};

// The body of a document prepared for inserting: styles, numbering and relationships already
// merged into the receiving document. Its blocks are parsed into the receiving document's own
// memory (under an element beside the root that is never saved), so that each copy shares
// their names and texts instead of copying them.
struct TInsertPayload {
    TXmlNode Holder;
    qint64 Size = 0, Modified = 0; // of the file, when it was read
    // What each copy gets renumbered and indexed: the nodes by their path of child positions
    // from the holder, in document order, found once so that a copy is not searched.
    struct TMark {
        enum TKind { BookmarkStart, BookmarkEnd, DocPr, Table, Field } Kind;
        std::vector<int> Path, EndPath; // EndPath: a field's end run
        int Start = -1;                 // a bookmark end: the mark of its start
        QString Name;                   // a bookmark start
    };
    std::vector<TMark> Marks;
};

// A picture ready to go into a document: PNG or JPEG bytes and its size in EMU.
struct TWordPicture {
    QByteArray Data;
    QString Extension, ContentType;
    qint64 Width = 0, Height = 0;
};
// Reads PNG, JPEG or BMP bytes (BMP becomes PNG); raises EOfficeError for anything else.
TWordPicture ReadPicture(const QByteArray &bytes, const QString &documentName);

struct TWordDocumentData {
    TOfficePackage Package;
    QString TemplateName, FullName, MainPart;
    bool Saved = true;

    pugi::xml_document Xml;
    TXmlNode Root, Body;
    TOfficeRelationships Rels;
    bool RelsChanged = false;

    // Styles and numbering parts, parsed when an inserted document needs them.
    pugi::xml_document Styles, Numbering;
    QString StylesPart, NumberingPart;
    bool StylesLoaded = false, NumberingLoaded = false;
    bool StylesChanged = false, NumberingChanged = false;

    // Finished text of earlier page copies: the body's first children, as XML.
    std::vector<std::string> Frozen;

    // The index, in document order. Frozen tables and form fields come first.
    std::vector<TWordItemPtr> Bookmarks, FormFields, Tables;
    QHash<QString, TWordItemPtr> BookmarkByName; // lower-case name
    bool OrderDirty = false;
    quint64 Generation = 1;
    int NextBookmarkId = 0, NextDocPrId = 1, NextMediaNumber = 1;
    std::map<QString, std::unique_ptr<TInsertPayload>> Payloads;

    // -- loading and the index (WordDocument.cpp)
    void Load(const QString &name);
    TXmlNode SectPr() const;
    TPoint EndOfBody() const;
    // Fixes bookmarks (unmatched or repeated markers go, ids renumbered when `renumber`),
    // gives named form fields their bookmark and renumbers drawing ids in the nodes from
    // `first` to `last` (siblings).
    void Normalise(TXmlNode first, TXmlNode last, bool renumber);
    // Adds the items found in the sibling nodes [first, last] to the end of the index.
    void IndexAppend(TXmlNode first, TXmlNode last);
    // Renumbers and indexes a copy of an inserted document (already normalised) that was put
    // at the end of the body: one walk over its nodes.
    void IndexCopy(const std::vector<TXmlNode> &copies, const TInsertPayload &payload);
    // Finds the nodes of the payload that copies renumber and index.
    void MarkPayload(TInsertPayload &payload);
    // Rebuilds the index of the live body (after changes in the middle of the document).
    void Rebuild();
    void EnsureIndex() {
        if (OrderDirty)
            Rebuild();
    }
    void AddBookmarkToIndex(const TWordItemPtr &item, bool append);
    void RemoveBookmark(const TWordItemPtr &item);
    // Moves the body before the end into the finished text when nothing there can be reached
    // by name any more; Thaw parses all of it back.
    void FreezeBeforeEnd();
    void Thaw();
    void EnsureLive(const TWordItemPtr &item);
    void CheckAlive(const TWordItemPtr &item) const;
    void Touch() { Saved = false; }
    void Invalidate() { ++Generation; }

    // -- tables
    void BuildGrid(TWordItem &table);
    TXmlNode CellNode(const TWordItemPtr &table, int row, int col);
    TXmlNode NewTable(const TPoint &at, int rows, int columns, TXmlNode formatFrom);

    // -- form fields
    TXmlNode FieldSeparate(const TWordItem &field) const;
    TXmlNode FieldData(const TWordItem &field) const;

    // -- ranges (WordRange.cpp)
    // `needStart` false: only the end is used, so earlier copies need not be read back.
    TSpan Resolve(const TWordRange &range, bool needStart = true);
    QString SpanText(const TSpan &span) const;
    TPoint InsertText(const TPoint &at, const QString &text, TXmlNode *firstInserted = nullptr);
    // A run of plain text before `before` in `parent` (at the end when null) with a copy of
    // the run properties `format` (may be null) and the East-Asian hint when asked. Made from
    // prototype nodes of this document, so its names are shared, not copied.
    TXmlNode NewTextRun(TXmlNode parent, TXmlNode before, TXmlNode format, bool eastAsian,
                        const QByteArray &utf8);
    TXmlNode Prototypes;
    TPoint DeleteSpan(const TSpan &span);
    TPoint SplitParagraphAt(const TPoint &at);
    TPoint InsertBreakAt(const TPoint &at);
    void SetCellText(TXmlNode cell, const QString &text);
    TXmlNode LastParagraph();
    TPoint InlineStart(TXmlNode paragraph) const;

    // -- inserting documents and pictures (WordInsert.cpp)
    TPoint InsertFileAt(const TPoint &at, const TInsertPayload &payload);
    void InsertPictureAt(const TPoint &at, const TWordPicture &picture);
    TInsertPayload &Payload(const QString &fileName);
    pugi::xml_document &StylesXml();
    pugi::xml_document &NumberingXml();

    // -- saving
    void FlushParts();
    // The main part: its start, the finished text in place, the live body, its end.
    TOfficePackage::TStreamedPart MainStream();
    std::map<QString, TOfficePackage::TStreamedPart> Streams();
    double TextWidthTwips() const;
};

// Small helpers on nodes shared by the units.
inline bool Is(TXmlNode node, const char *name) {
    return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}
bool IsBlockContainer(TXmlNode node);
bool IsMarker(TXmlNode node);
bool IsProperties(TXmlNode node);
TXmlNode NextInOrder(TXmlNode node, TXmlNode root);
TXmlNode ParagraphOf(TXmlNode node);
QString AttrText(TXmlNode node, const char *name);
TXmlNode ChildPath(TXmlNode node, const char *first, const char *second = nullptr);
