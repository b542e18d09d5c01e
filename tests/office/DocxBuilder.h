#pragma once
// Builds small .docx packages for tests from the XML of their body, with optional styles,
// numbering and pictures, written with libzip as any other program would.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <map>
#include <zip.h>

inline const char *WordNamespaces() {
    return "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
}

struct TDocxBuilder {
    QByteArray Body;                     // the children of w:body, without sectPr
    QByteArray Styles;                   // children of w:styles
    QByteArray Numbering;                // children of w:numbering
    QByteArray ExtraRels;                // more Relationship elements of the main part
    std::map<QString, QByteArray> Media; // "media/x.png" → bytes

    QByteArray DocumentXml() const {
        return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                          "<w:document ") +
               WordNamespaces() + "><w:body>" + Body +
               "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" "
               "w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" w:header=\"567\" "
               "w:footer=\"567\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
    }

    std::map<QString, QByteArray> Parts() const {
        std::map<QString, QByteArray> parts;
        QByteArray types =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Default Extension=\"png\" ContentType=\"image/png\"/>"
            "<Override PartName=\"/word/document.xml\" "
            "ContentType=\"application/"
            "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>";
        QByteArray rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                          "xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                          "relationships\">";
        if (!Styles.isEmpty()) {
            types += "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
                     "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>";
            rels += "<Relationship Id=\"rIdStyles\" Type=\"http://schemas.openxmlformats.org/"
                    "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>";
            parts["word/styles.xml"] = QByteArray("<?xml version=\"1.0\"?><w:styles ") +
                                       WordNamespaces() + ">" + Styles + "</w:styles>";
        }
        if (!Numbering.isEmpty()) {
            types += "<Override PartName=\"/word/numbering.xml\" ContentType=\"application/"
                     "vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml\"/>";
            rels += "<Relationship Id=\"rIdNumbering\" Type=\"http://schemas.openxmlformats.org/"
                    "officeDocument/2006/relationships/numbering\" Target=\"numbering.xml\"/>";
            parts["word/numbering.xml"] = QByteArray("<?xml version=\"1.0\"?><w:numbering ") +
                                          WordNamespaces() + ">" + Numbering + "</w:numbering>";
        }
        for (const auto &[name, bytes] : Media)
            parts["word/" + name] = bytes;
        types += "</Types>";
        rels += ExtraRels + "</Relationships>";
        parts["[Content_Types].xml"] = types;
        parts["_rels/.rels"] =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
            "2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
        parts["word/_rels/document.xml.rels"] = rels;
        parts["word/document.xml"] = DocumentXml();
        return parts;
    }

    bool Write(const QString &path) const { return WriteZip(path, Parts()); }

    static bool WriteZip(const QString &path, const std::map<QString, QByteArray> &parts) {
        QFile::remove(path);
        int error = 0;
        zip_t *zip =
            zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!zip)
            return false;
        for (const auto &[name, bytes] : parts) {
            void *copy = malloc(static_cast<size_t>(bytes.size()) + 1);
            memcpy(copy, bytes.constData(), static_cast<size_t>(bytes.size()));
            zip_source_t *source =
                zip_source_buffer(zip, copy, static_cast<zip_uint64_t>(bytes.size()), 1);
            zip_file_add(zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        }
        return zip_close(zip) == 0;
    }
};

// A paragraph holding a collapsed bookmark after some text.
inline QByteArray BookmarkParagraph(const char *label, const char *name, int id) {
    return QByteArray("<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>") + label +
           "</w:t></w:r><w:bookmarkStart w:id=\"" + QByteArray::number(id) + "\" w:name=\"" + name +
           "\"/><w:bookmarkEnd w:id=\"" + QByteArray::number(id) + "\"/></w:p>";
}

// A table of rows × columns with text "r,c" in each cell when `filled`.
inline QByteArray TableXml(int rows, int columns, bool filled = false) {
    QByteArray xml = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
    for (int c = 0; c < columns; ++c)
        xml += "<w:gridCol w:w=\"1000\"/>";
    xml += "</w:tblGrid>";
    for (int r = 1; r <= rows; ++r) {
        xml += "<w:tr>";
        for (int c = 1; c <= columns; ++c) {
            xml += "<w:tc><w:tcPr><w:tcW w:w=\"1000\" w:type=\"dxa\"/></w:tcPr><w:p>";
            if (filled)
                xml += "<w:r><w:t>" + QByteArray::number(r) + "," + QByteArray::number(c) +
                       "</w:t></w:r>";
            xml += "</w:p></w:tc>";
        }
        xml += "</w:tr>";
    }
    return xml + "</w:tbl>";
}
