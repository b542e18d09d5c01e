#pragma once
// What the report engine's tests share: templates written as small .docx packages from the
// XML of their body, a client dataset of students, and a viewer that only records what it was
// asked to do.

#include "ClientDataSet.h"
#include "OfficeViewer.h"
#include "WordApplication.h"
#include "uDocuReport.h"

#include <QStringList>
#include <QTest>
#include <memory>
#include <zip.h>

// The body of a template's main part, built piece by piece.
class TBody {
public:
    TBody &Para(const QString &text) {
        FXml += QStringLiteral("<w:p>%1</w:p>").arg(Run(text));
        return *this;
    }
    // A paragraph "text" with a bookmark around it.
    TBody &Mark(const QString &name, const QString &text) {
        const int id = FNextId++;
        FXml += QStringLiteral("<w:p><w:bookmarkStart w:id=\"%1\" w:name=\"%2\"/>%3"
                               "<w:bookmarkEnd w:id=\"%1\"/></w:p>")
                    .arg(id)
                    .arg(name, Run(text));
        return *this;
    }
    TBody &TextField(const QString &name, const QString &result) {
        return Field(name, QStringLiteral("<w:textInput/>"), QStringLiteral("FORMTEXT"), result);
    }
    TBody &CheckBox(const QString &name) {
        return Field(name,
                     QStringLiteral("<w:checkBox><w:sizeAuto/><w:default w:val=\"0\"/>"
                                    "</w:checkBox>"),
                     QStringLiteral("FORMCHECKBOX"), {});
    }
    TBody &DropDown(const QString &name, const QStringList &entries) {
        QString list;
        for (const QString &entry : entries)
            list += QStringLiteral("<w:listEntry w:val=\"%1\"/>").arg(entry);
        return Field(name, QStringLiteral("<w:ddList>%1</w:ddList>").arg(list),
                     QStringLiteral("FORMDROPDOWN"), entries.value(0));
    }
    // A table of empty cells.
    TBody &Table(int rows, int cols) {
        QString xml = QStringLiteral("<w:tbl><w:tblPr/><w:tblGrid>");
        for (int c = 0; c < cols; ++c)
            xml += QStringLiteral("<w:gridCol w:w=\"1000\"/>");
        xml += QStringLiteral("</w:tblGrid>");
        for (int r = 0; r < rows; ++r) {
            xml += QStringLiteral("<w:tr>");
            for (int c = 0; c < cols; ++c)
                xml += QStringLiteral("<w:tc><w:p/></w:tc>");
            xml += QStringLiteral("</w:tr>");
        }
        FXml += xml + QStringLiteral("</w:tbl>");
        return *this;
    }
    const QString &Xml() const { return FXml; }

private:
    static QString Run(const QString &text) {
        return QStringLiteral("<w:r><w:t xml:space=\"preserve\">%1</w:t></w:r>").arg(text);
    }
    // A legacy form field inside a bookmark of its name, as a word processor writes one.
    TBody &Field(const QString &name, const QString &data, const QString &code,
                 const QString &result) {
        const int id = FNextId++;
        QString xml = QStringLiteral("<w:p><w:bookmarkStart w:id=\"%1\" w:name=\"%2\"/>"
                                     "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData>"
                                     "<w:name w:val=\"%2\"/><w:enabled/>%3</w:ffData>"
                                     "</w:fldChar></w:r><w:r><w:instrText xml:space=\"preserve\">"
                                     " %4 </w:instrText></w:r>")
                          .arg(id)
                          .arg(name, data, code);
        if (!result.isNull())
            xml +=
                QStringLiteral("<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>") + Run(result);
        xml += QStringLiteral("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
                              "<w:bookmarkEnd w:id=\"%1\"/></w:p>")
                   .arg(id);
        FXml += xml;
        return *this;
    }
    QString FXml;
    int FNextId = 1;
};

// Writes a .docx whose body is the given XML (a last paragraph "end" is added) and returns its
// path.
inline QString WriteTemplate(const QString &folder, const QString &name, const TBody &body) {
    const QString path = folder + u'/' + name + QStringLiteral(".docx");
    const QByteArray document =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                       "<w:document xmlns:w=\"http://schemas.openxmlformats.org/"
                       "wordprocessingml/2006/main\" xmlns:r=\"http://schemas.openxmlformats."
                       "org/officeDocument/2006/relationships\"><w:body>%1"
                       "<w:p><w:r><w:t>end</w:t></w:r></w:p><w:sectPr/></w:body></w:document>")
            .arg(body.Xml())
            .toUtf8();
    const std::pair<const char *, QByteArray> parts[] = {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
         "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"},
        {"_rels/.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
         "2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {"word/_rels/document.xml.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
         "relationships\"/>"},
        {"word/document.xml", document},
    };
    int error = 0;
    zip_t *zip = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        qFatal("cannot create %s", qPrintable(path));
    for (const auto &[partName, bytes] : parts) {
        zip_source_t *source =
            zip_source_buffer(zip, bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0);
        if (!source || zip_file_add(zip, partName, source, ZIP_FL_OVERWRITE) < 0)
            qFatal("cannot add %s", partName);
    }
    // The buffers must live until the archive is written.
    if (zip_close(zip) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Students No 1..count ("學號"), Name "S<no>" ("姓名"), and an invisible Photo.
inline std::unique_ptr<TClientDataSet> MakeStudents(int count, QObject *owner = nullptr) {
    auto ds = std::make_unique<TClientDataSet>(owner);
    ds->FieldDefs().Add(QStringLiteral("No"), ftInteger).DisplayLabel = QStringLiteral("學號");
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 20).DisplayLabel = QStringLiteral("姓名");
    ds->FieldDefs().Add(QStringLiteral("Photo"), ftBlob).Visible = false;
    ds->CreateDataSet();
    for (int i = 1; i <= count; ++i) {
        ds->Append();
        ds->FieldByName(QStringLiteral("No"))->SetAsInteger(i);
        ds->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("S%1").arg(i));
        ds->Post();
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

// Remembers every file it was asked to show, preview or print; with SuiteMissing it answers
// as a machine without the office suite.
class TFakeViewer : public TOfficeViewer {
public:
    QStringList Shown, Previewed, Printed;
    int PreviewsClosed = 0;
    bool SuiteMissing = false;

    void ShowFile(const QString &path) override { Shown << path; }
    void PrintPreviewFile(const QString &path, const QString &title) override {
        Q_UNUSED(title);
        CheckSuite();
        Previewed << path;
    }
    void ClosePrintPreview() override { ++PreviewsClosed; }
    void PrintOutFile(const QString &path) override {
        CheckSuite();
        Printed << path;
    }

private:
    void CheckSuite() const {
        if (SuiteMissing)
            throw EOfficeSuiteMissing(QStringLiteral("找不到 soffice"));
    }
};

// A report on a template, saving shown and closed documents into `folder`, with the viewer.
inline void PrepareReport(TDocuReport &report, const QString &templateFile, TFakeViewer &viewer,
                          const QString &folder) {
    report.SetName(QStringLiteral("Report"));
    report.SetTemplateName(templateFile);
    report.WordApplication()->SetViewer(&viewer);
    report.WordApplication()->SetDocumentsFolder(folder);
}

// The message of the exception a call raises, or "" when it raises none.
template <typename F> QString RaisedMessage(F &&call) {
    try {
        call();
    } catch (const Exception &e) {
        return e.Message();
    }
    return {};
}

// The text of the document's table cells, row by row, cells joined by "|".
inline QStringList TableRows(const TWordTable &table) {
    QStringList rows;
    for (int r = 1; r <= table.RowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c <= table.ColumnCount(); ++c)
            cells << table.Cell(r, c).Text();
        rows << cells.join(u'|');
    }
    return rows;
}
