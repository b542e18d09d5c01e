#pragma once
// An Office Open XML package: the zip of parts, its content types and the relationships of a
// part. Reading takes every part into memory (templates are small) and refuses what is not a
// sound package with EOfficeError naming the file and the reason; writing is atomic (a
// temporary file beside the target, then a rename) and can stream large parts from a
// generator instead of holding them whole.

#include "OfficeErrors.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <vector>

// How parts are parsed: whitespace-only text is kept where it is an element's only content
// (a space in a run of text).
inline constexpr unsigned kXmlParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;
// Parses a part; raises EOfficeError "<where>的XML格式錯誤(<reason>,位置<offset>)".
void ParseXml(pugi::xml_document &document, const QByteArray &xml, const QString &where);

// A parsed part as bytes, with the XML declaration (documents) or without (single nodes).
QByteArray XmlBytes(const pugi::xml_document &document);
QByteArray XmlBytes(const pugi::xml_node &node);
// Appends a node's XML (without declaration) to `out`.
void AppendXml(std::string &out, const pugi::xml_node &node);

// One relationship of a part's .rels.
struct TOfficeRelationship {
    QString Id, Type, Target;
    bool External = false;
};

class TOfficeRelationships {
public:
    // Parses a .rels part; raises EOfficeError (with `where` in the message) when malformed.
    static TOfficeRelationships Parse(const QByteArray &xml, const QString &where);
    QByteArray ToXml() const;
    const std::vector<TOfficeRelationship> &Items() const { return FItems; }
    const TOfficeRelationship *Find(const QString &id) const;
    // The first relationship whose type ends with `typeSuffix` (e.g. "/styles").
    const TOfficeRelationship *FindType(const QString &typeSuffix) const;
    // The id of a relationship with this type and target, added when there is none.
    QString Ensure(const QString &type, const QString &target, bool external = false);
    // Adds a relationship as it stands, id included.
    void Add(const TOfficeRelationship &item) { FItems.push_back(item); }
    // Removes the relationships whose type ends with `typeSuffix`; returns them.
    std::vector<TOfficeRelationship> RemoveType(const QString &typeSuffix);

private:
    std::vector<TOfficeRelationship> FItems;
};

class TOfficePackage {
public:
    // Reads a package from a file or from bytes; `name` names it in messages.
    static TOfficePackage ReadFile(const QString &fileName);
    static TOfficePackage ReadBytes(const QByteArray &bytes, const QString &name);
    // A package without parts, to be filled with SetPart.
    static TOfficePackage Create(const QString &name);

    const QString &Name() const { return FName; }
    bool Has(const QString &part) const { return FParts.count(part) > 0; }
    QByteArray Part(const QString &part) const;
    void SetPart(const QString &part, const QByteArray &bytes);
    // Removes a part and its content-type override (relationships to it are the caller's).
    void RemovePart(const QString &part);
    // Part names in the order they were read or added.
    const std::vector<QString> &PartNames() const { return FOrder; }

    // The main part named by the package relationships (officeDocument), or `fallback`.
    QString MainPart(const QString &fallback) const;
    // The .rels part that belongs to a part ("word/document.xml" → "word/_rels/document.xml.rels").
    static QString RelsPartOf(const QString &part);
    // A relationship target resolved against the folder of the part it belongs to.
    static QString ResolveTarget(const QString &sourcePart, const QString &target);
    // The relationships of a part (empty when it has none).
    TOfficeRelationships Relationships(const QString &part) const;

    // Content types: an override for a part name, or a default for its extension.
    void SetContentTypeOverride(const QString &part, const QString &contentType);
    void EnsureDefaultContentType(const QString &extension, const QString &contentType);
    QString ContentType(const QString &part) const;

    // A part written from a generator: `Size` bytes, produced by repeated calls of `Read`
    // that fill up to `max` bytes and return how many they wrote; `Rewind` starts again.
    struct TStreamedPart {
        qint64 Size = 0;
        std::function<qint64(char *buffer, qint64 max)> Read;
        std::function<void()> Rewind;
    };
    // Writes the package; the parts named in `streamed` come from their generators instead
    // of the stored bytes.
    void WriteFile(const QString &fileName, std::map<QString, TStreamedPart> streamed = {}) const;
    QByteArray WriteBytes(std::map<QString, TStreamedPart> streamed = {}) const;

private:
    QString FName;
    std::map<QString, QByteArray> FParts;
    std::vector<QString> FOrder;
};
