#include "OfficePackage.h"

#include "OfficeDeflate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <zip.h>

namespace {

// Limits that keep a hostile package from taking the machine's memory.
constexpr zip_int64_t kMaxEntries = 20000;
constexpr zip_uint64_t kMaxPartSize = 256ull << 20;
constexpr zip_uint64_t kMaxTotalSize = 1024ull << 20;

const char *const kContentTypesPart = "[Content_Types].xml";

QString ZipErrorText(zip_error_t *error) {
    return QString::fromUtf8(zip_error_strerror(error));
}

[[noreturn]] void Fail(const QString &name, const QString &reason) {
    throw EOfficeError(QStringLiteral("%1: %2").arg(name, reason));
}

struct TZipCloser {
    void operator()(zip_t *zip) const {
        if (zip)
            zip_discard(zip);
    }
};

QString ExtensionOf(const QString &part) {
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    const int dot = part.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? part.mid(dot + 1).toLower() : QString();
}

} // namespace

// ---- XML text ---------------------------------------------------------------------------

namespace {

struct TByteWriter : pugi::xml_writer {
    QByteArray Out;
    void write(const void *data, size_t size) override {
        Out.append(static_cast<const char *>(data), static_cast<qsizetype>(size));
    }
};

} // namespace

QByteArray XmlBytes(const pugi::xml_document &document) {
    TByteWriter writer;
    document.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.Out;
}

void ParseXml(pugi::xml_document &document, const QByteArray &xml, const QString &where) {
    const pugi::xml_parse_result parsed =
        document.load_buffer(xml.constData(), static_cast<size_t>(xml.size()), kXmlParseOptions);
    if (!parsed)
        throw EOfficeError(QStringLiteral("%1的XML格式錯誤(%2,位置%3)")
                               .arg(where, QString::fromUtf8(parsed.description()))
                               .arg(parsed.offset));
}

void AppendXml(std::string &out, const pugi::xml_node &node) {
    struct TStringWriter : pugi::xml_writer {
        std::string *Out;
        void write(const void *data, size_t size) override {
            Out->append(static_cast<const char *>(data), size);
        }
    } writer;
    writer.Out = &out;
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
}

QByteArray XmlBytes(const pugi::xml_node &node) {
    TByteWriter writer;
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.Out;
}

// ---- relationships ----------------------------------------------------------------------

TOfficeRelationships TOfficeRelationships::Parse(const QByteArray &xml, const QString &where) {
    TOfficeRelationships result;
    if (xml.isEmpty())
        return result;
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.constData(), xml.size());
    if (!parsed)
        Fail(where, QStringLiteral("關聯資料的XML格式錯誤(%1,位置%2)")
                        .arg(QString::fromUtf8(parsed.description()))
                        .arg(parsed.offset));
    for (pugi::xml_node rel : doc.document_element().children("Relationship")) {
        TOfficeRelationship item;
        item.Id = QString::fromUtf8(rel.attribute("Id").value());
        item.Type = QString::fromUtf8(rel.attribute("Type").value());
        item.Target = QString::fromUtf8(rel.attribute("Target").value());
        item.External = QString::fromUtf8(rel.attribute("TargetMode").value())
                            .compare(QLatin1String("External"), Qt::CaseInsensitive) == 0;
        if (!item.Id.isEmpty())
            result.FItems.push_back(item);
    }
    return result;
}

QByteArray TOfficeRelationships::ToXml() const {
    pugi::xml_document doc;
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    auto root = doc.append_child("Relationships");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/relationships";
    for (const TOfficeRelationship &item : FItems) {
        auto rel = root.append_child("Relationship");
        rel.append_attribute("Id") = item.Id.toUtf8().constData();
        rel.append_attribute("Type") = item.Type.toUtf8().constData();
        rel.append_attribute("Target") = item.Target.toUtf8().constData();
        if (item.External)
            rel.append_attribute("TargetMode") = "External";
    }
    return XmlBytes(doc);
}

const TOfficeRelationship *TOfficeRelationships::Find(const QString &id) const {
    for (const TOfficeRelationship &item : FItems)
        if (item.Id == id)
            return &item;
    return nullptr;
}

const TOfficeRelationship *TOfficeRelationships::FindType(const QString &typeSuffix) const {
    for (const TOfficeRelationship &item : FItems)
        if (item.Type.endsWith(typeSuffix))
            return &item;
    return nullptr;
}

std::vector<TOfficeRelationship> TOfficeRelationships::RemoveType(const QString &typeSuffix) {
    std::vector<TOfficeRelationship> removed;
    std::erase_if(FItems, [&](const TOfficeRelationship &item) {
        if (!item.Type.endsWith(typeSuffix))
            return false;
        removed.push_back(item);
        return true;
    });
    return removed;
}

QString TOfficeRelationships::Ensure(const QString &type, const QString &target, bool external) {
    for (const TOfficeRelationship &item : FItems)
        if (item.Type == type && item.Target == target && item.External == external)
            return item.Id;
    int n = static_cast<int>(FItems.size()) + 1;
    QString id;
    do
        id = QStringLiteral("rId%1").arg(n++);
    while (Find(id));
    FItems.push_back({id, type, target, external});
    return id;
}

// ---- reading ----------------------------------------------------------------------------

TOfficePackage TOfficePackage::Create(const QString &name) {
    TOfficePackage package;
    package.FName = name;
    return package;
}

TOfficePackage TOfficePackage::ReadFile(const QString &fileName) {
    QFile file(fileName);
    if (!file.exists())
        Fail(fileName, QStringLiteral("檔案不存在"));
    if (!file.open(QIODevice::ReadOnly))
        Fail(fileName, QStringLiteral("無法讀取檔案(%1)").arg(file.errorString()));
    if (file.size() > static_cast<qint64>(kMaxTotalSize))
        Fail(fileName, QStringLiteral("檔案太大"));
    return ReadBytes(file.readAll(), fileName);
}

TOfficePackage TOfficePackage::ReadBytes(const QByteArray &bytes, const QString &name) {
    TOfficePackage package;
    package.FName = name;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(
        bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    if (!source) {
        const QString reason = ZipErrorText(&error);
        zip_error_fini(&error);
        Fail(name, QStringLiteral("不是有效的Office文件(%1)").arg(reason));
    }
    std::unique_ptr<zip_t, TZipCloser> zip(zip_open_from_source(source, ZIP_RDONLY, &error));
    if (!zip) {
        zip_source_free(source);
        const QString reason = ZipErrorText(&error);
        zip_error_fini(&error);
        Fail(name, QStringLiteral("不是有效的Office文件,無法當作壓縮檔讀取(%1)").arg(reason));
    }
    zip_error_fini(&error);
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    if (count > kMaxEntries)
        Fail(name, QStringLiteral("壓縮檔的項目太多"));
    zip_uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0)
            Fail(name, QStringLiteral("壓縮檔的項目%1無法讀取").arg(i));
        const QString partName = QString::fromUtf8(st.name);
        if (partName.endsWith(QLatin1Char('/')))
            continue; // a folder entry
        const zip_uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        if (size > kMaxPartSize || total + size > kMaxTotalSize)
            Fail(name, QStringLiteral("壓縮檔的項目%1太大").arg(partName));
        std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> entry(
            zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(i), 0), zip_fclose);
        if (!entry)
            Fail(name, QStringLiteral("壓縮檔的項目%1無法開啟(%2)")
                           .arg(partName, QString::fromUtf8(zip_strerror(zip.get()))));
        QByteArray data;
        data.resize(static_cast<qsizetype>(size));
        zip_uint64_t done = 0;
        while (done < size) {
            const zip_int64_t got = zip_fread(entry.get(), data.data() + done, size - done);
            if (got < 0)
                Fail(name, QStringLiteral("壓縮檔的項目%1已損壞(%2)")
                               .arg(partName, QString::fromUtf8(zip_file_strerror(entry.get()))));
            if (got == 0)
                break;
            done += static_cast<zip_uint64_t>(got);
        }
        if (done != size)
            Fail(name, QStringLiteral("壓縮檔的項目%1不完整").arg(partName));
        char probe;
        if (zip_fread(entry.get(), &probe, 1) != 0)
            Fail(name, QStringLiteral("壓縮檔的項目%1大小不符").arg(partName));
        total += size;
        if (package.FParts.count(partName) == 0)
            package.FOrder.push_back(partName);
        package.FParts[partName] = data;
    }
    return package;
}

QByteArray TOfficePackage::Part(const QString &part) const {
    const auto it = FParts.find(part);
    return it == FParts.end() ? QByteArray() : it->second;
}

void TOfficePackage::SetPart(const QString &part, const QByteArray &bytes) {
    if (FParts.count(part) == 0)
        FOrder.push_back(part);
    FParts[part] = bytes;
}

void TOfficePackage::RemovePart(const QString &part) {
    if (FParts.erase(part) == 0)
        return;
    FOrder.erase(std::remove(FOrder.begin(), FOrder.end(), part), FOrder.end());
    pugi::xml_document doc;
    const QByteArray xml = Part(QLatin1String(kContentTypesPart));
    if (xml.isEmpty() || !doc.load_buffer(xml.constData(), xml.size()))
        return;
    const QByteArray partName = (QLatin1Char('/') + part).toUtf8();
    for (pugi::xml_node item : doc.document_element().children("Override"))
        if (qstricmp(item.attribute("PartName").value(), partName.constData()) == 0) {
            doc.document_element().remove_child(item);
            SetPart(QLatin1String(kContentTypesPart), XmlBytes(doc));
            return;
        }
}

QString TOfficePackage::RelsPartOf(const QString &part) {
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

QString TOfficePackage::ResolveTarget(const QString &sourcePart, const QString &target) {
    if (target.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(target).mid(1);
    const int slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    QString joined = QDir::cleanPath(sourcePart.left(slash + 1) + target);
    while (joined.startsWith(QLatin1String("../")))
        joined = joined.mid(3);
    return joined;
}

TOfficeRelationships TOfficePackage::Relationships(const QString &part) const {
    const QString rels = RelsPartOf(part);
    return TOfficeRelationships::Parse(Part(rels), FName + QLatin1Char('/') + rels);
}

QString TOfficePackage::MainPart(const QString &fallback) const {
    const TOfficeRelationships rels = TOfficeRelationships::Parse(
        Part(QStringLiteral("_rels/.rels")), FName + QStringLiteral("/_rels/.rels"));
    if (const TOfficeRelationship *main = rels.FindType(QStringLiteral("/officeDocument")))
        if (!main->External) {
            const QString part = ResolveTarget(QString(), main->Target);
            if (Has(part))
                return part;
        }
    return fallback;
}

// ---- content types ----------------------------------------------------------------------

namespace {

pugi::xml_node ContentTypesRoot(pugi::xml_document &doc, const QByteArray &xml) {
    if (!xml.isEmpty() && doc.load_buffer(xml.constData(), xml.size()) && doc.document_element())
        return doc.document_element();
    doc.reset();
    auto root = doc.append_child("Types");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/content-types";
    return root;
}

} // namespace

void TOfficePackage::SetContentTypeOverride(const QString &part, const QString &contentType) {
    pugi::xml_document doc;
    pugi::xml_node root = ContentTypesRoot(doc, Part(QLatin1String(kContentTypesPart)));
    const QByteArray partName = (QLatin1Char('/') + part).toUtf8();
    for (pugi::xml_node item : root.children("Override"))
        if (qstricmp(item.attribute("PartName").value(), partName.constData()) == 0) {
            item.attribute("ContentType").set_value(contentType.toUtf8().constData());
            SetPart(QLatin1String(kContentTypesPart), XmlBytes(doc));
            return;
        }
    auto item = root.append_child("Override");
    item.append_attribute("PartName") = partName.constData();
    item.append_attribute("ContentType") = contentType.toUtf8().constData();
    SetPart(QLatin1String(kContentTypesPart), XmlBytes(doc));
}

void TOfficePackage::EnsureDefaultContentType(const QString &extension,
                                              const QString &contentType) {
    pugi::xml_document doc;
    pugi::xml_node root = ContentTypesRoot(doc, Part(QLatin1String(kContentTypesPart)));
    const QByteArray ext = extension.toUtf8();
    for (pugi::xml_node item : root.children("Default"))
        if (qstricmp(item.attribute("Extension").value(), ext.constData()) == 0)
            return;
    auto item = root.prepend_child("Default");
    item.append_attribute("Extension") = ext.constData();
    item.append_attribute("ContentType") = contentType.toUtf8().constData();
    SetPart(QLatin1String(kContentTypesPart), XmlBytes(doc));
}

QString TOfficePackage::ContentType(const QString &part) const {
    pugi::xml_document doc;
    const QByteArray xml = Part(QLatin1String(kContentTypesPart));
    if (xml.isEmpty() || !doc.load_buffer(xml.constData(), xml.size()))
        return {};
    const QByteArray partName = (QLatin1Char('/') + part).toUtf8();
    for (pugi::xml_node item : doc.document_element().children("Override"))
        if (qstricmp(item.attribute("PartName").value(), partName.constData()) == 0)
            return QString::fromUtf8(item.attribute("ContentType").value());
    const QByteArray ext = ExtensionOf(part).toUtf8();
    for (pugi::xml_node item : doc.document_element().children("Default"))
        if (qstricmp(item.attribute("Extension").value(), ext.constData()) == 0)
            return QString::fromUtf8(item.attribute("ContentType").value());
    return {};
}

// ---- writing ----------------------------------------------------------------------------

namespace {

void AddParts(zip_t *zip, const std::map<QString, QByteArray> &parts,
              const std::vector<QString> &order,
              std::map<QString, TOfficePackage::TStreamedPart> &streamed, const QString &name) {
    std::vector<QString> names;
    if (parts.count(QLatin1String(kContentTypesPart)))
        names.push_back(QLatin1String(kContentTypesPart));
    for (const QString &part : order)
        if (part != QLatin1String(kContentTypesPart))
            names.push_back(part);
    for (const auto &[part, generator] : streamed)
        if (parts.count(part) == 0)
            names.push_back(part);
    for (const QString &part : names) {
        // Deflated here, one part at a time; the zip library copies the deflated bytes.
        const auto generated = streamed.find(part);
        zip_source_t *source = generated != streamed.end()
                                   ? DeflatedSource(zip, generated->second, name, part)
                                   : DeflatedSource(zip, parts.at(part), name, part);
        if (!source)
            Fail(name, QStringLiteral("無法寫入文件的%1").arg(part));
        const QByteArray utf8 = part.toUtf8();
        const zip_int64_t index =
            zip_file_add(zip, utf8.constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            Fail(name, QStringLiteral("無法寫入文件的%1(%2)")
                           .arg(part, QString::fromUtf8(zip_strerror(zip))));
        }
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
    }
}

} // namespace

void TOfficePackage::WriteFile(const QString &fileName,
                               std::map<QString, TStreamedPart> streamed) const {
    const QFileInfo target(fileName);
    if (!target.dir().exists() && !QDir().mkpath(target.absolutePath()))
        Fail(fileName, QStringLiteral("無法建立資料夾"));
    // A unique temporary name beside the target; libzip writes it and the rename replaces the
    // target in one step, so a reader never sees half a document.
    QString temporary;
    {
        QTemporaryFile probe(target.absoluteFilePath() + QStringLiteral(".XXXXXX"));
        probe.setAutoRemove(false);
        if (!probe.open())
            Fail(fileName, QStringLiteral("無法寫入檔案(%1)").arg(probe.errorString()));
        temporary = probe.fileName();
    }
    int errorCode = 0;
    const QByteArray path = QFile::encodeName(temporary);
    zip_t *zip = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &errorCode);
    if (!zip) {
        QFile::remove(temporary);
        Fail(fileName, QStringLiteral("無法寫入檔案(錯誤%1)").arg(errorCode));
    }
    try {
        AddParts(zip, FParts, FOrder, streamed, fileName);
    } catch (...) {
        zip_discard(zip);
        QFile::remove(temporary);
        throw;
    }
    if (zip_close(zip) != 0) {
        const QString reason = QString::fromUtf8(zip_strerror(zip));
        zip_discard(zip);
        QFile::remove(temporary);
        Fail(fileName, QStringLiteral("無法寫入檔案(%1)").arg(reason));
    }
    QFile::setPermissions(temporary, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                         QFile::ReadOther);
    if (std::rename(path.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) !=
        0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        Fail(fileName, QStringLiteral("無法寫入檔案(%1)").arg(reason));
    }
}

QByteArray TOfficePackage::WriteBytes(std::map<QString, TStreamedPart> streamed) const {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer) {
        zip_error_fini(&error);
        Fail(FName, QStringLiteral("無法建立文件"));
    }
    zip_source_keep(buffer);
    zip_t *zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!zip) {
        zip_source_free(buffer);
        Fail(FName, QStringLiteral("無法建立文件"));
    }
    try {
        AddParts(zip, FParts, FOrder, streamed, FName);
    } catch (...) {
        zip_discard(zip);
        zip_source_free(buffer);
        throw;
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        zip_source_free(buffer);
        Fail(FName, QStringLiteral("無法建立文件"));
    }
    QByteArray out;
    zip_stat_t st;
    if (zip_source_stat(buffer, &st) == 0 && zip_source_open(buffer) == 0) {
        out.resize(static_cast<qsizetype>(st.size));
        const zip_int64_t got = zip_source_read(buffer, out.data(), st.size);
        zip_source_close(buffer);
        out.resize(got < 0 ? 0 : static_cast<qsizetype>(got));
    }
    zip_source_free(buffer);
    return out;
}
