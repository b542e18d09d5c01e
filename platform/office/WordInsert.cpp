// Inserting into a word-processing document: the body of another document (with the styles,
// numbering, pictures and relationships it needs) and pictures.

#include "WordDocumentData.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <cmath>
#include <sys/stat.h>

namespace {

const char *const kStylesType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
const char *const kNumberingType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering";
const char *const kImageType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

QString FolderOf(const QString &part) {
    return part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
}

// The target by which `fromPart` names `toPart` in its relationships.
QString RelativeTarget(const QString &fromPart, const QString &toPart) {
    const QString folder = FolderOf(fromPart);
    if (!folder.isEmpty() && toPart.startsWith(folder))
        return toPart.mid(folder.size());
    return QLatin1Char('/') + toPart;
}

template <class F> void ForEachElement(TXmlNode root, F &&visit) {
    for (TXmlNode n = root.first_child(); n; n = NextInOrder(n, root))
        if (n.type() == pugi::node_element)
            visit(n);
}

TXmlNode FindByAttr(TXmlNode parent, const char *child, const char *attr, const char *value) {
    for (TXmlNode n = parent.child(child); n; n = n.next_sibling(child))
        if (std::strcmp(n.attribute(attr).value(), value) == 0)
            return n;
    return {};
}

// Copies parts of another package into the document, with the parts they refer to.
class TPartCopier {
public:
    TPartCopier(TWordDocumentData &d, const TOfficePackage &source) : D(d), Source(source) {}

    QString Copy(const QString &part, int depth = 0) {
        if (const auto it = Done.find(part); it != Done.end())
            return it->second;
        const QByteArray bytes = Source.Part(part);
        QString target = part;
        if (D.Package.Has(target) && D.Package.Part(target) != bytes) {
            const int dot = part.lastIndexOf(QLatin1Char('.'));
            const QString stem = dot > part.lastIndexOf(QLatin1Char('/')) ? part.left(dot) : part;
            const QString ext =
                dot > part.lastIndexOf(QLatin1Char('/')) ? part.mid(dot) : QString();
            for (int n = 1;; ++n) {
                target = QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(ext);
                if (!D.Package.Has(target) || D.Package.Part(target) == bytes)
                    break;
            }
        }
        Done[part] = target;
        if (D.Package.Has(target))
            return target; // the same bytes are there already
        D.Package.SetPart(target, bytes);
        const QString type = Source.ContentType(part);
        if (!type.isEmpty() && D.Package.ContentType(target) != type)
            D.Package.SetContentTypeOverride(target, type);
        const QString relsPart = TOfficePackage::RelsPartOf(part);
        if (Source.Has(relsPart) && depth < 8) {
            TOfficeRelationships rels =
                TOfficeRelationships::Parse(Source.Part(relsPart), Source.Name() + '/' + relsPart);
            // The part keeps its relationship ids; their targets follow the parts copied.
            TOfficeRelationships copied;
            for (const TOfficeRelationship &rel : rels.Items()) {
                TOfficeRelationship item = rel;
                if (!rel.External) {
                    const QString child = TOfficePackage::ResolveTarget(part, rel.Target);
                    if (Source.Has(child))
                        item.Target = RelativeTarget(target, Copy(child, depth + 1));
                }
                copied.Add(item);
            }
            D.Package.SetPart(TOfficePackage::RelsPartOf(target), copied.ToXml());
        }
        return target;
    }

private:
    TWordDocumentData &D;
    const TOfficePackage &Source;
    std::map<QString, QString> Done;
};

} // namespace

pugi::xml_document &TWordDocumentData::StylesXml() {
    if (!StylesLoaded) {
        StylesLoaded = true;
        if (const TOfficeRelationship *rel = Rels.FindType(QStringLiteral("/styles"))) {
            StylesPart = TOfficePackage::ResolveTarget(MainPart, rel->Target);
            if (Package.Has(StylesPart))
                ParseXml(Styles, Package.Part(StylesPart), TemplateName + '/' + StylesPart);
        }
    }
    return Styles;
}

pugi::xml_document &TWordDocumentData::NumberingXml() {
    if (!NumberingLoaded) {
        NumberingLoaded = true;
        if (const TOfficeRelationship *rel = Rels.FindType(QStringLiteral("/numbering"))) {
            NumberingPart = TOfficePackage::ResolveTarget(MainPart, rel->Target);
            if (Package.Has(NumberingPart))
                ParseXml(Numbering, Package.Part(NumberingPart),
                         TemplateName + '/' + NumberingPart);
        }
        if (!Numbering.document_element()) {
            if (NumberingPart.isEmpty())
                NumberingPart = FolderOf(MainPart) + QStringLiteral("numbering.xml");
            TXmlNode root = Numbering.append_child("w:numbering");
            root.append_attribute("xmlns:w") =
                "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
            Rels.Ensure(QLatin1String(kNumberingType), RelativeTarget(MainPart, NumberingPart));
            RelsChanged = true;
            Package.SetContentTypeOverride(
                NumberingPart, QStringLiteral("application/vnd.openxmlformats-officedocument."
                                              "wordprocessingml.numbering+xml"));
            NumberingChanged = true;
        }
    }
    return Numbering;
}

TInsertPayload &TWordDocumentData::Payload(const QString &fileName) {
    // A file inserted again (a template page after page) is prepared once, unless it changed.
    struct stat st {};
    const bool known = ::stat(QFile::encodeName(fileName).constData(), &st) == 0;
    const qint64 modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    const QString &key = fileName;
    if (const auto it = Payloads.find(key); known && it != Payloads.end())
        if (it->second->Size == st.st_size && it->second->Modified == modified)
            return *it->second;
    const TOfficePackage source = TOfficePackage::ReadFile(fileName);
    const QString main = source.MainPart(QStringLiteral("word/document.xml"));
    if (!source.Has(main))
        throw EOfficeError(
            QStringLiteral("%1: 不是Word文件,找不到文件的主要內容(%2)").arg(fileName, main));
    pugi::xml_document xml;
    ParseXml(xml, source.Part(main), fileName + '/' + main);
    const TXmlNode body = xml.document_element().child("w:body");
    if (!Is(xml.document_element(), "w:document") || !body)
        throw EOfficeError(QStringLiteral("%1: 不是Word文件,%2沒有文件本文").arg(fileName, main));
    const TOfficeRelationships sourceRels = source.Relationships(main);

    auto payload = std::make_unique<TInsertPayload>();
    payload->Size = st.st_size;
    payload->Modified = modified;
    pugi::xml_document fragment;
    TXmlNode frag = fragment.append_child("frag");
    for (TXmlNode n = body.first_child(); n; n = n.next_sibling())
        if (!(Is(n, "w:sectPr") && !n.next_sibling()))
            frag.append_copy(n);

    // Everything the copy refers to by relationship comes along.
    TPartCopier copier(*this, source);
    std::map<QString, QString> relIds;
    std::vector<std::pair<TXmlNode, pugi::xml_attribute>> dangling;
    std::vector<TXmlNode> dropped;
    ForEachElement(frag, [&](TXmlNode n) {
        const char *name = n.name();
        if (std::strcmp(name, "w:footnoteReference") == 0 ||
            std::strcmp(name, "w:endnoteReference") == 0 ||
            std::strcmp(name, "w:commentReference") == 0 ||
            std::strcmp(name, "w:commentRangeStart") == 0 ||
            std::strcmp(name, "w:commentRangeEnd") == 0) {
            // Notes and comments live in parts of their own that are not merged.
            dropped.push_back(n);
            return;
        }
        n.remove_attribute("w14:paraId");
        n.remove_attribute("w14:textId");
        for (pugi::xml_attribute a : n.attributes()) {
            if (std::strncmp(a.name(), "r:", 2) != 0)
                continue;
            const QString id = QString::fromUtf8(a.value());
            auto it = relIds.find(id);
            if (it == relIds.end()) {
                QString mapped;
                if (const TOfficeRelationship *rel = sourceRels.Find(id)) {
                    if (rel->External) {
                        mapped = Rels.Ensure(rel->Type, rel->Target, true);
                    } else {
                        const QString part = TOfficePackage::ResolveTarget(main, rel->Target);
                        if (source.Has(part))
                            mapped =
                                Rels.Ensure(rel->Type, RelativeTarget(MainPart, copier.Copy(part)));
                    }
                    RelsChanged = true;
                }
                it = relIds.emplace(id, mapped).first;
            }
            if (it->second.isEmpty())
                dangling.emplace_back(n, a);
            else
                a.set_value(it->second.toUtf8().constData());
        }
    });
    for (auto &[node, attribute] : dangling)
        node.remove_attribute(attribute);
    for (TXmlNode n : dropped)
        n.parent().remove_child(n);

    // Styles the copy uses and the document lacks are taken from the inserted document.
    std::vector<TXmlNode> copiedStyles;
    QStringList wanted;
    ForEachElement(frag, [&](TXmlNode n) {
        if (Is(n, "w:pStyle") || Is(n, "w:rStyle") || Is(n, "w:tblStyle"))
            wanted << AttrText(n, "w:val");
    });
    const TOfficeRelationship *sourceStylesRel = sourceRels.FindType(QStringLiteral("/styles"));
    if (!wanted.isEmpty() && sourceStylesRel && !sourceStylesRel->External) {
        const QString sourceStylesPart =
            TOfficePackage::ResolveTarget(main, sourceStylesRel->Target);
        pugi::xml_document &styles = StylesXml();
        if (!styles.document_element() && source.Has(sourceStylesPart)) {
            StylesPart = copier.Copy(sourceStylesPart);
            Rels.Ensure(QLatin1String(kStylesType), RelativeTarget(MainPart, StylesPart));
            RelsChanged = true;
            ParseXml(Styles, Package.Part(StylesPart), TemplateName + '/' + StylesPart);
        } else if (styles.document_element() && source.Has(sourceStylesPart)) {
            pugi::xml_document sourceStyles;
            ParseXml(sourceStyles, source.Part(sourceStylesPart),
                     fileName + '/' + sourceStylesPart);
            QSet<QString> have;
            for (TXmlNode style : styles.document_element().children("w:style"))
                have.insert(AttrText(style, "w:styleId"));
            while (!wanted.isEmpty()) {
                const QString id = wanted.takeLast();
                if (id.isEmpty() || have.contains(id))
                    continue;
                have.insert(id);
                const TXmlNode style = FindByAttr(sourceStyles.document_element(), "w:style",
                                                  "w:styleId", id.toUtf8().constData());
                if (!style)
                    continue;
                copiedStyles.push_back(styles.document_element().append_copy(style));
                for (const char *link : {"w:basedOn", "w:next", "w:link"})
                    wanted << AttrText(style.child(link), "w:val");
                StylesChanged = true;
            }
        }
    }

    // Lists the copy uses get numbering definitions of their own in the document.
    std::vector<TXmlNode> numberRefs;
    ForEachElement(frag, [&](TXmlNode n) {
        if (Is(n, "w:numId") && AttrText(n, "w:val") != QLatin1String("0"))
            numberRefs.push_back(n);
    });
    for (TXmlNode style : copiedStyles)
        ForEachElement(style, [&](TXmlNode n) {
            if (Is(n, "w:numId") && AttrText(n, "w:val") != QLatin1String("0"))
                numberRefs.push_back(n);
        });
    const TOfficeRelationship *sourceNumberingRel =
        sourceRels.FindType(QStringLiteral("/numbering"));
    if (!numberRefs.empty() && sourceNumberingRel && !sourceNumberingRel->External) {
        const QString part = TOfficePackage::ResolveTarget(main, sourceNumberingRel->Target);
        pugi::xml_document sourceNumbering;
        if (source.Has(part))
            ParseXml(sourceNumbering, source.Part(part), fileName + '/' + part);
        TXmlNode to = NumberingXml().document_element();
        int maxAbstract = -1, maxNum = 0;
        for (TXmlNode n : to.children("w:abstractNum"))
            maxAbstract = std::max(maxAbstract, n.attribute("w:abstractNumId").as_int());
        for (TXmlNode n : to.children("w:num"))
            maxNum = std::max(maxNum, n.attribute("w:numId").as_int());
        std::map<QString, int> mapped;
        for (TXmlNode ref : numberRefs) {
            const QString old = AttrText(ref, "w:val");
            auto it = mapped.find(old);
            if (it == mapped.end()) {
                const TXmlNode num = FindByAttr(sourceNumbering.document_element(), "w:num",
                                                "w:numId", old.toUtf8().constData());
                const TXmlNode abstract = FindByAttr(
                    sourceNumbering.document_element(), "w:abstractNum", "w:abstractNumId",
                    num.child("w:abstractNumId").attribute("w:val").value());
                int newNum = 0;
                if (num && abstract) {
                    const TXmlNode firstNum = to.child("w:num");
                    TXmlNode a = firstNum ? to.insert_copy_before(abstract, firstNum)
                                          : to.append_copy(abstract);
                    a.attribute("w:abstractNumId").set_value(++maxAbstract);
                    TXmlNode copy = to.append_copy(num);
                    newNum = ++maxNum;
                    copy.attribute("w:numId").set_value(newNum);
                    copy.child("w:abstractNumId").attribute("w:val").set_value(maxAbstract);
                    NumberingChanged = true;
                }
                it = mapped.emplace(old, newNum).first;
            }
            ref.attribute("w:val").set_value(it->second);
        }
    }
    if (frag.first_child())
        Normalise(frag.first_child(), frag.last_child(), false);
    // Parsed again into this document's memory, beside the root.
    std::string text;
    for (TXmlNode n = frag.first_child(); n; n = n.next_sibling())
        AppendXml(text, n);
    payload->Holder = Xml.append_child("lum:payload");
    if (!text.empty() &&
        payload->Holder.append_buffer(text.data(), text.size(), kXmlParseOptions).status !=
            pugi::status_ok) {
        Xml.remove_child(payload->Holder);
        throw EOfficeError(QStringLiteral("%1: 無法插入文件的內容").arg(fileName));
    }
    MarkPayload(*payload);
    auto &slot = Payloads[key];
    if (slot)
        Xml.remove_child(slot->Holder);
    slot = std::move(payload);
    return *slot;
}

TPoint TWordDocumentData::InsertFileAt(const TPoint &where, const TInsertPayload &payload) {
    TPoint at = where;
    if (!IsBlockContainer(at.Parent)) {
        at = SplitParagraphAt(at);
        at = {at.Parent.parent(), at.Parent};
    }
    const bool atEnd = at == EndOfBody();
    if (atEnd)
        FreezeBeforeEnd(); // what lies before can no longer be reached by name
    std::vector<TXmlNode> copies;
    for (TXmlNode n = payload.Holder.first_child(); n; n = n.next_sibling())
        copies.push_back(at.Before ? at.Parent.insert_copy_before(n, at.Before)
                                   : at.Parent.append_copy(n));
    if (!copies.empty()) {
        const TXmlNode first = copies.front(), last = copies.back();
        EnsureIndex();
        if (atEnd) {
            IndexCopy(copies, payload);
        } else {
            Normalise(first, last, true);
            // Bookmarks of the copy take their names over from older ones.
            for (TXmlNode top = first; top && top != last.next_sibling(); top = top.next_sibling())
                for (TXmlNode n = top; n; n = NextInOrder(n, top))
                    if (Is(n, "w:bookmarkStart"))
                        if (TWordItemPtr old =
                                BookmarkByName.value(AttrText(n, "w:name").toLower()))
                            RemoveBookmark(old);
            OrderDirty = true;
            Rebuild();
        }
    }
    Touch();
    Invalidate();
    return at;
}

// ---- pictures -------------------------------------------------------------------------------

TWordPicture ReadPicture(const QByteArray &bytes, const QString &documentName) {
    const char *format = nullptr;
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        format = "PNG";
    else if (bytes.startsWith("\xFF\xD8\xFF"))
        format = "JPEG";
    else if (bytes.startsWith("BM"))
        format = "BMP";
    if (!format)
        throw EOfficeError(
            QStringLiteral("%1: 資料不是圖片(可用PNG、JPEG或BMP圖片)").arg(documentName));
    QImage image;
    if (!image.loadFromData(bytes, format) || image.isNull() || image.width() > 30000 ||
        image.height() > 30000)
        throw EOfficeError(QStringLiteral("%1: 圖片已損壞,無法讀取").arg(documentName));
    TWordPicture picture;
    if (std::strcmp(format, "BMP") == 0) {
        QBuffer buffer(&picture.Data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        format = "PNG";
    } else {
        picture.Data = bytes;
    }
    picture.Extension =
        std::strcmp(format, "PNG") == 0 ? QStringLiteral("png") : QStringLiteral("jpeg");
    picture.ContentType = QStringLiteral("image/") + picture.Extension;
    auto dpi = [](int dotsPerMeter) {
        // Files keep dots per meter as a whole number: 96 dpi is stored as 3780.
        const double value = std::round(dotsPerMeter * 0.0254);
        return value >= 10 && value <= 2400 ? value : 96.0;
    };
    picture.Width = static_cast<qint64>(image.width() * 914400.0 / dpi(image.dotsPerMeterX()));
    picture.Height = static_cast<qint64>(image.height() * 914400.0 / dpi(image.dotsPerMeterY()));
    return picture;
}

void TWordDocumentData::InsertPictureAt(const TPoint &where, const TWordPicture &picture) {
    TPoint at = where;
    if (IsBlockContainer(at.Parent)) {
        TXmlNode paragraph = at.Before ? at.Parent.insert_child_before("w:p", at.Before)
                                       : at.Parent.append_child("w:p");
        at = {paragraph, TXmlNode()};
    }
    qint64 cx = picture.Width, cy = picture.Height;
    const qint64 widest = static_cast<qint64>(TextWidthTwips() * 635);
    if (cx > widest) {
        cy = cy * widest / cx;
        cx = widest;
    }
    QString part;
    do
        part = QStringLiteral("%1media/picture%2.%3")
                   .arg(FolderOf(MainPart))
                   .arg(NextMediaNumber++)
                   .arg(picture.Extension);
    while (Package.Has(part));
    Package.SetPart(part, picture.Data);
    Package.EnsureDefaultContentType(picture.Extension, picture.ContentType);
    const QString rel = Rels.Ensure(QLatin1String(kImageType), RelativeTarget(MainPart, part));
    RelsChanged = true;
    const int id = NextDocPrId++;
    const QString xml =
        QStringLiteral(
            "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
            "<wp:extent cx=\"%1\" cy=\"%2\"/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/>"
            "<wp:docPr id=\"%3\" name=\"Picture %3\"/><wp:cNvGraphicFramePr>"
            "<a:graphicFrameLocks xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/"
            "main\" noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
            "<a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
            "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
            "<pic:pic xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
            "<pic:nvPicPr><pic:cNvPr id=\"%3\" name=\"picture%3.%5\"/><pic:cNvPicPr/>"
            "</pic:nvPicPr><pic:blipFill><a:blip r:embed=\"%4\"/><a:stretch><a:fillRect/>"
            "</a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/>"
            "<a:ext cx=\"%1\" cy=\"%2\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/>"
            "</a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline>"
            "</w:drawing>")
            .arg(cx)
            .arg(cy)
            .arg(id)
            .arg(rel, picture.Extension);
    TXmlNode run =
        at.Before ? at.Parent.insert_child_before("w:r", at.Before) : at.Parent.append_child("w:r");
    const QByteArray utf8 = xml.toUtf8();
    run.append_buffer(utf8.constData(), static_cast<size_t>(utf8.size()));
    Touch();
}
