// mkooxml: packs a folder of Office Open XML parts kept as text (a Word template's
// document.xml, styles.xml, relationships, ...) into a package such as a .docx.
//
//     mkooxml <source-folder> <output-file>
//
// Every file below the folder becomes a part named by its path relative to the folder:
// "[Content_Types].xml" first, the rest in byte order of their names, deflated, all with one
// fixed modification time and the same file attributes, so the same sources always give the
// same bytes. Before anything is written the folder is checked: "[Content_Types].xml" and
// "_rels/.rels" exist, every .xml and .rels part is well-formed UTF-8 XML with its namespace
// prefixes declared, every part has a content type, and every internal relationship points at a
// part of the folder. A failure names the file and leaves the output as it was; the package is
// written to a temporary file beside the output and renamed over it.

#include <pugixml.hpp>
#include <zip.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kContentTypesPart = "[Content_Types].xml";
const std::string kRootRelationshipsPart = "_rels/.rels";
const char kContentTypesNamespace[] =
    "http://schemas.openxmlformats.org/package/2006/content-types";
const char kRelationshipsNamespace[] =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// 1980-01-01 00:00:00, the earliest time a zip entry can carry.
const zip_uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;
const zip_uint16_t kDosTime = 0;
const zip_uint32_t kUnixFileMode = 0100644;

class TPackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPart {
    std::string Name; // relative to the folder, '/'-separated
    fs::path Path;
    std::string Bytes;
};

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool IsXmlPart(const std::string &name) {
    const std::string lower = Lower(name);
    return EndsWith(lower, ".xml") || EndsWith(lower, ".rels");
}

// Line and column (from 1) of a byte offset, for messages a reader can find in an editor.
std::string Position(const std::string &bytes, std::size_t offset) {
    offset = std::min(offset, bytes.size());
    const std::string_view before(bytes.data(), offset);
    const auto line = std::count(before.begin(), before.end(), '\n') + 1;
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column =
        lineStart == std::string_view::npos ? offset + 1 : offset - lineStart;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string ReadWholeFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw TPackError(path.string() + ": cannot be read: " + std::strerror(errno));
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw TPackError(path.string() + ": cannot be read");
    }
    return bytes;
}

// The folder's files with [Content_Types].xml first and the others in byte order of their names.
std::vector<TPart> CollectParts(const fs::path &folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        throw TPackError(folder.string() + ": not a folder");
    }
    std::vector<TPart> parts;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_directory()) {
            continue;
        }
        if (!entry.is_regular_file()) {
            throw TPackError(entry.path().string() + ": not a regular file");
        }
        TPart part;
        part.Name = entry.path().lexically_relative(folder).generic_string();
        part.Path = entry.path();
        part.Bytes = ReadWholeFile(entry.path());
        parts.push_back(std::move(part));
    }
    std::sort(parts.begin(), parts.end(), [](const TPart &a, const TPart &b) {
        const bool aFirst = a.Name == kContentTypesPart;
        const bool bFirst = b.Name == kContentTypesPart;
        return aFirst != bFirst ? aFirst : a.Name < b.Name;
    });
    return parts;
}

// Offset of the first byte that does not continue a valid UTF-8 sequence, or npos.
std::size_t InvalidUtf8At(const std::string &bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        unsigned minimum = 0;
        unsigned value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, minimum = 0x80, value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, minimum = 0x800, value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, minimum = 0x10000, value = c & 0x07;
        } else {
            return i;
        }
        if (i + length > bytes.size()) {
            return i;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return i;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return i;
        }
        i += length;
    }
    return std::string::npos;
}

std::string Prefix(std::string_view qualifiedName) {
    const std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? std::string()
                                           : std::string(qualifiedName.substr(0, colon));
}

// Namespace well-formedness, which the parser leaves to us: every prefix used by an element or
// an attribute is declared on it or an ancestor, and no attribute is given twice.
void CheckNamespaces(const TPart &part, const pugi::xml_node &element,
                     std::set<std::string> declared) {
    std::set<std::string> names;
    for (const pugi::xml_attribute &attribute : element.attributes()) {
        const std::string name = attribute.name();
        if (!names.insert(name).second) {
            throw TPackError(part.Path.string() + ": attribute \"" + name + "\" given twice at " +
                             Position(part.Bytes, element.offset_debug()));
        }
        if (name.rfind("xmlns:", 0) == 0) {
            declared.insert(name.substr(6));
        }
    }
    auto require = [&](const std::string &prefix) {
        if (!prefix.empty() && prefix != "xml" && prefix != "xmlns" && !declared.count(prefix)) {
            throw TPackError(part.Path.string() + ": namespace prefix \"" + prefix +
                             "\" is not declared, at " +
                             Position(part.Bytes, element.offset_debug()));
        }
    };
    require(Prefix(element.name()));
    for (const pugi::xml_attribute &attribute : element.attributes()) {
        require(Prefix(attribute.name()));
    }
    for (const pugi::xml_node &child : element.children()) {
        if (child.type() == pugi::node_element) {
            CheckNamespaces(part, child, declared);
        }
    }
}

pugi::xml_document ParseXml(const TPart &part) {
    const std::size_t badByte = InvalidUtf8At(part.Bytes);
    if (badByte != std::string::npos) {
        throw TPackError(part.Path.string() + ": not valid UTF-8 at " +
                         Position(part.Bytes, badByte));
    }
    pugi::xml_document document;
    const pugi::xml_parse_result result =
        document.load_buffer(part.Bytes.data(), part.Bytes.size(),
                             pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf8);
    if (!result) {
        throw TPackError(part.Path.string() + ": not well-formed XML (" + result.description() +
                         ") at " + Position(part.Bytes, static_cast<std::size_t>(result.offset)));
    }
    int roots = 0;
    for (const pugi::xml_node &node : document.children()) {
        if (node.type() == pugi::node_element) {
            ++roots;
        } else if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            throw TPackError(part.Path.string() + ": text outside the root element at " +
                             Position(part.Bytes, node.offset_debug()));
        }
    }
    if (roots != 1) {
        throw TPackError(part.Path.string() + ": not well-formed XML (" + std::to_string(roots) +
                         " root elements)");
    }
    CheckNamespaces(part, document.document_element(), {});
    return document;
}

const TPart *FindPart(const std::vector<TPart> &parts, const std::string &name) {
    // Part names compare without regard to letter case, as the packaging rules say.
    const std::string wanted = Lower(name);
    for (const TPart &part : parts) {
        if (Lower(part.Name) == wanted) {
            return &part;
        }
    }
    return nullptr;
}

// Every part but [Content_Types].xml has a content type by name or by extension, and every
// named override is a part of the folder.
void CheckContentTypes(const TPart &typesPart, const pugi::xml_document &types,
                       const std::vector<TPart> &parts) {
    const pugi::xml_node root = types.document_element();
    if (std::string_view(root.name()) != "Types" ||
        std::string_view(root.attribute("xmlns").value()) != kContentTypesNamespace) {
        throw TPackError(typesPart.Path.string() + ": the root element is not <Types xmlns=\"" +
                         kContentTypesNamespace + "\">");
    }
    std::set<std::string> extensions;
    std::set<std::string> overrides;
    for (const pugi::xml_node &node : root.children()) {
        const std::string name = node.name();
        if (name == "Default") {
            extensions.insert(Lower(node.attribute("Extension").value()));
        } else if (name == "Override") {
            const std::string partName = node.attribute("PartName").value();
            if (partName.size() < 2 || partName[0] != '/' || !FindPart(parts, partName.substr(1))) {
                throw TPackError(typesPart.Path.string() + ": the override for \"" + partName +
                                 "\" names no part of the folder");
            }
            overrides.insert(Lower(partName.substr(1)));
        }
        if ((name == "Default" || name == "Override") && !*node.attribute("ContentType").value()) {
            throw TPackError(typesPart.Path.string() + ": a <" + name + "> without ContentType");
        }
    }
    for (const TPart &part : parts) {
        if (&part == &typesPart || overrides.count(Lower(part.Name))) {
            continue;
        }
        const std::string fileName = fs::path(part.Name).filename().string();
        const std::size_t dot = fileName.rfind('.');
        if (dot == std::string::npos || !extensions.count(Lower(fileName.substr(dot + 1)))) {
            throw TPackError(part.Path.string() +
                             ": no content type (neither an Override nor a "
                             "Default for its extension in " +
                             kContentTypesPart + ")");
        }
    }
}

// The part a relationship target names, from the folder of its source part; empty when the
// target climbs out of the package.
std::string ResolveTarget(const std::string &sourceFolder, const std::string &target) {
    const std::string joined = target[0] == '/'
                                   ? target.substr(1)
                                   : (sourceFolder.empty() ? target : sourceFolder + "/" + target);
    std::vector<std::string> segments;
    std::stringstream stream(joined);
    std::string segment;
    while (std::getline(stream, segment, '/')) {
        if (segment.empty() || segment == ".") {
            continue;
        }
        if (segment == "..") {
            if (segments.empty()) {
                return {};
            }
            segments.pop_back();
        } else {
            segments.push_back(segment);
        }
    }
    std::string resolved;
    for (const std::string &s : segments) {
        resolved += (resolved.empty() ? "" : "/") + s;
    }
    return resolved;
}

// A relationships part "<folder>/_rels/<name>.rels" belongs to "<folder>/<name>" (the package
// itself for "_rels/.rels"); its internal targets must be parts of the folder.
void CheckRelationships(const TPart &relsPart, const pugi::xml_document &rels,
                        const std::vector<TPart> &parts) {
    const fs::path name(relsPart.Name);
    if (name.parent_path().filename() != "_rels") {
        return;
    }
    const std::string folder = name.parent_path().parent_path().generic_string();
    const std::string stem = name.filename().string();
    const std::string source =
        (folder.empty() ? "" : folder + "/") + stem.substr(0, stem.size() - std::strlen(".rels"));
    if (!source.empty() && !FindPart(parts, source)) {
        throw TPackError(relsPart.Path.string() + ": holds the relationships of \"" + source +
                         "\", which is not in the folder");
    }
    const pugi::xml_node root = rels.document_element();
    if (std::string_view(root.name()) != "Relationships" ||
        std::string_view(root.attribute("xmlns").value()) != kRelationshipsNamespace) {
        throw TPackError(relsPart.Path.string() +
                         ": the root element is not <Relationships xmlns=\"" +
                         kRelationshipsNamespace + "\">");
    }
    std::set<std::string> ids;
    for (const pugi::xml_node &relationship : root.children("Relationship")) {
        const std::string id = relationship.attribute("Id").value();
        const std::string target = relationship.attribute("Target").value();
        if (id.empty() || target.empty() || !*relationship.attribute("Type").value()) {
            throw TPackError(relsPart.Path.string() +
                             ": a relationship without Id, Type or Target at " +
                             Position(relsPart.Bytes, relationship.offset_debug()));
        }
        if (!ids.insert(id).second) {
            throw TPackError(relsPart.Path.string() + ": relationship id \"" + id +
                             "\" given twice");
        }
        if (std::string_view(relationship.attribute("TargetMode").value()) == "External") {
            continue;
        }
        const std::string sourceFolder = fs::path(source).parent_path().generic_string();
        const std::string resolved = ResolveTarget(sourceFolder, target);
        if (resolved.empty() || !FindPart(parts, resolved)) {
            throw TPackError(relsPart.Path.string() + ": relationship \"" + id + "\" points at \"" +
                             target + "\", which is not in the folder");
        }
    }
}

void CheckPackage(const fs::path &folder, const std::vector<TPart> &parts) {
    for (const std::string &required : {kContentTypesPart, kRootRelationshipsPart}) {
        if (!FindPart(parts, required)) {
            throw TPackError((folder / required).string() + ": missing; every package needs it");
        }
    }
    std::map<const TPart *, pugi::xml_document> documents;
    for (const TPart &part : parts) {
        if (IsXmlPart(part.Name)) {
            documents.emplace(&part, ParseXml(part));
        }
    }
    const TPart *types = FindPart(parts, kContentTypesPart);
    CheckContentTypes(*types, documents.at(types), parts);
    for (const auto &[part, document] : documents) {
        if (EndsWith(Lower(part->Name), ".rels")) {
            CheckRelationships(*part, document, parts);
        }
    }
}

struct TZipDeleter {
    void operator()(zip_t *archive) const { zip_discard(archive); }
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};

// The package as bytes, built in memory.
std::string BuildPackage(const std::vector<TPart> &parts) {
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, TZipDeleter> buffer(
        zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) {
        const std::string message = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw TPackError("cannot start the package: " + message);
    }
    zip_source_keep(buffer.get()); // the archive's close releases one reference
    std::unique_ptr<zip_t, TZipDeleter> archive(
        zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error));
    if (!archive) {
        const std::string message = zip_error_strerror(&error);
        zip_error_fini(&error);
        zip_source_free(buffer.get()); // the reference kept for the archive
        throw TPackError("cannot start the package: " + message);
    }
    zip_error_fini(&error);
    auto fail = [&](const std::string &what) {
        throw TPackError(what + ": " + zip_strerror(archive.get()));
    };
    for (const TPart &part : parts) {
        zip_source_t *data =
            zip_source_buffer(archive.get(), part.Bytes.data(), part.Bytes.size(), 0);
        if (!data) {
            fail(part.Name);
        }
        const zip_int64_t index =
            zip_file_add(archive.get(), part.Name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            fail(part.Name);
        }
        const auto at = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(archive.get(), at, ZIP_CM_DEFLATE, 9) < 0 ||
            zip_file_set_dostime(archive.get(), at, kDosTime, kDosDate, 0) < 0 ||
            zip_file_set_external_attributes(archive.get(), at, 0, ZIP_OPSYS_UNIX,
                                             kUnixFileMode << 16) < 0) {
            fail(part.Name);
        }
    }
    if (zip_close(archive.get()) < 0) {
        fail("cannot write the package");
    }
    archive.release(); // closed, and freed by the close

    if (zip_source_open(buffer.get()) < 0) {
        throw TPackError("cannot read the package back: " +
                         std::string(zip_error_strerror(zip_source_error(buffer.get()))));
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    std::string bytes;
    if (zip_source_stat(buffer.get(), &stat) == 0 && (stat.valid & ZIP_STAT_SIZE)) {
        bytes.resize(stat.size);
        if (zip_source_read(buffer.get(), bytes.data(), stat.size) !=
            static_cast<zip_int64_t>(stat.size)) {
            bytes.clear();
        }
    }
    zip_source_close(buffer.get());
    if (bytes.empty()) {
        throw TPackError("cannot read the package back");
    }
    return bytes;
}

// Writes beside the output and renames over it, so that a reader (or an interrupted build)
// never sees half a package.
void WriteAtomically(const fs::path &output, const std::string &bytes) {
    const fs::path folder = output.parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder);
    }
    std::string pattern = output.string() + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        throw TPackError(output.string() +
                         ": cannot create a temporary file beside it: " + std::strerror(errno));
    }
    const fs::path temporary = pattern;
    auto fail = [&](const std::string &what) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        ::unlink(temporary.c_str());
        throw TPackError(temporary.string() + ": " + what + ": " + reason);
    };
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0) {
        fail("cannot set its permissions");
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot write");
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        fail("cannot write");
    }
    if (::close(fd) != 0) {
        ::unlink(temporary.c_str());
        throw TPackError(temporary.string() + ": cannot write: " + std::strerror(errno));
    }
    if (::rename(temporary.c_str(), output.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        throw TPackError(output.string() + ": cannot be replaced: " + reason);
    }
}

void Pack(const fs::path &folder, const fs::path &output) {
    std::error_code error;
    if (!output.has_filename() || fs::is_directory(output, error)) {
        throw TPackError(output.string() + ": a folder; the output is the package's file name");
    }
    const fs::path absoluteFolder = fs::weakly_canonical(fs::absolute(folder));
    const fs::path absoluteOutput = fs::weakly_canonical(fs::absolute(output));
    const fs::path inside = absoluteOutput.lexically_relative(absoluteFolder);
    if (!inside.empty() && *inside.begin() != "..") {
        throw TPackError(output.string() + ": lies inside the source folder " + folder.string());
    }
    const std::vector<TPart> parts = CollectParts(folder);
    CheckPackage(folder, parts);
    WriteAtomically(output, BuildPackage(parts));
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: mkooxml <source-folder> <output-file>\n"
                     "Packs every file below the folder into an Office Open XML package.\n";
        return 2;
    }
    try {
        Pack(argv[1], argv[2]);
    } catch (const std::exception &e) {
        std::cerr << "mkooxml: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
