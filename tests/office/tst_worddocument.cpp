// The word-processing document model: documents other software wrote used as templates,
// bookmarks, form fields, tables, text rules, copies of a template appended page after page,
// pictures, inserted documents and bad packages.

#include "DocxBuilder.h"
#include "OfficeTestSupport.h"
#include "WordDocument.h"

#include <QBuffer>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <pugixml.hpp>

namespace {

// Appends one more copy of the template as a report does for each page: bookmarks of the
// earlier copy go, then a page break and the template at the end.
void AppendCopy(TWordDocument &doc, const QString &templateFile) {
    for (int i = doc.BookmarkCount(); i >= 1; --i)
        doc.Bookmark(i).Delete();
    TWordRange end = doc.Content();
    end.Collapse(wdCollapseEnd);
    end.InsertBreak(wdPageBreak);
    end.InsertFile(templateFile);
}

pugi::xml_document ParseMain(TWordDocument &doc) {
    const QByteArray xml = doc.DocumentXml();
    pugi::xml_document parsed;
    const auto result = parsed.load_buffer(xml.constData(), static_cast<size_t>(xml.size()));
    if (!result)
        qWarning("document.xml does not parse: %s", result.description());
    return parsed;
}

QByteArray PngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    image.setDotsPerMeterX(3780); // 96 dpi
    image.setDotsPerMeterY(3780);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TstWordDocument : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

    QString Built(const QString &name, const TDocxBuilder &builder) {
        const QString path = FDir.filePath(name);
        if (!builder.Write(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void letterWrittenByLibreOffice() {
        const QString letter = OutsideWritten(QStringLiteral("letter.docx"));
        const QByteArray before = [&] {
            QFile f(letter);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        auto doc = TWordDocument::FromTemplate(letter);
        QCOMPARE(doc->BookmarkCount(), 7);
        QStringList names;
        for (int i = 1; i <= doc->BookmarkCount(); ++i)
            names << doc->Bookmark(i).Name();
        QCOMPARE(names, QStringList({"OrganizationName", "StudentID", "Cht_Name", "AClassName",
                                     "StudentInfo", "FootMemo", "PrintDate"}));
        QVERIFY(doc->BookmarkExists(QStringLiteral("cht_name"))); // letter case ignored
        QVERIFY(!doc->BookmarkExists(QStringLiteral("Nothing")));

        doc->Bookmark(QStringLiteral("OrganizationName")).Range().InsertAfter("市立示範高中");
        doc->Bookmark(QStringLiteral("Cht_Name")).Range().InsertAfter("王小明");
        doc->Bookmark(QStringLiteral("StudentID")).Range().InsertAfter("1100123");
        QCOMPARE(doc->Bookmark(QStringLiteral("Cht_Name")).Range().Text(), QString("王小明"));

        // The table of a title row and three rows, filled over more rows.
        QCOMPARE(doc->TableCount(), 1);
        TWordTable table = doc->Table(1);
        QCOMPARE(table.RowCount(), 4);
        QCOMPARE(table.ColumnCount(), 5);
        QCOMPARE(table.Cell(1, 1).Text(), QString("日期"));
        while (table.RowCount() < 7)
            table.AddRow();
        for (int r = 2; r <= 7; ++r)
            table.Cell(r, 2).SetText(QStringLiteral("國文%1").arg(r));
        table.Cell(3, 2).SetText(QStringLiteral("數學")); // written twice: the second text
        QVERIFY_THROWS_EXCEPTION(EOfficeError, table.Cell(8, 1));

        const QString saved = FDir.filePath(QStringLiteral("letter-filled.docx"));
        doc->SaveAs(saved);
        QCOMPARE(doc->FullName(), QFileInfo(saved).absoluteFilePath());
        auto back = TWordDocument::FromTemplate(saved);
        QCOMPARE(back->Bookmark(QStringLiteral("OrganizationName")).Range().Text(),
                 QString("市立示範高中"));
        QCOMPARE(back->Table(1).RowCount(), 7);
        QCOMPARE(back->Table(1).Cell(3, 2).Text(), QString("數學"));
        QCOMPARE(back->Table(1).Cell(7, 2).Text(), QString("國文7"));
        QCOMPARE(back->Table(1).Cell(1, 2).Text(), QString("科目"));

        // Chinese text carries the East-Asian hint; the template file is untouched.
        const pugi::xml_document xml = ParseMain(*back);
        QVERIFY(xml.select_node("//w:r[w:t='王小明']/w:rPr/w:rFonts[@w:hint='eastAsia']"));
        QFile f(letter);
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), before);
    }

    void formFieldsWrittenByLibreOffice() {
        auto doc = TWordDocument::FromTemplate(OutsideWritten(QStringLiteral("formfields.docx")));
        QCOMPARE(doc->FormFieldCount(), 3);
        QCOMPARE(doc->FormField(1).Type(), int(wdFieldFormTextInput));
        QCOMPARE(doc->FormField(2).Type(), int(wdFieldFormCheckBox));
        QCOMPARE(doc->FormField(3).Type(), int(wdFieldFormDropDown));
        QCOMPARE(doc->FormField(1).Name(), QString("SuggestName"));
        // A named field can be reached by its bookmark, as in a word processor.
        QVERIFY(doc->BookmarkExists(QStringLiteral("SuggestName")));
        QVERIFY(doc->BookmarkExists(QStringLiteral("RewardNo")));
        QVERIFY(doc->BookmarkExists(QStringLiteral("SuggestDate")));
        // The suite writes the drop-down's bookmark twice, once without its end: one stays.
        QVERIFY(doc->BookmarkExists(QStringLiteral("__Fieldmark__28_1181490973")));

        doc->FormField(1).SetResult(QStringLiteral("李老師"));
        QCOMPARE(doc->FormField(1).Result(), QString("李老師"));
        QVERIFY(!doc->FormField(2).CheckBoxValue());
        doc->FormField(2).SetCheckBoxValue(true);
        QCOMPARE(doc->FormField(3).DropDownEntries(), QStringList({"獎勵", "懲罰"}));
        QCOMPARE(doc->FormField(3).Result(), QString("獎勵"));
        doc->FormField(3).SetResult(QStringLiteral("懲罰"));
        doc->FormField(3).SetResult(QStringLiteral("沒有這一項")); // not an entry: unchanged
        QVERIFY_THROWS_EXCEPTION(EOfficeError, doc->FormField(2).SetResult("x"));

        auto back = TWordDocument::FromBytes(doc->SaveToBytes(), QStringLiteral("saved"));
        QCOMPARE(back->FormFieldCount(), 3);
        QCOMPARE(back->FormField(1).Result(), QString("李老師"));
        QVERIFY(back->FormField(2).CheckBoxValue());
        QCOMPARE(back->FormField(3).Result(), QString("懲罰"));
        QCOMPARE(back->Table(1).ColumnCount(), 4);
    }

    void copiesOfTheTemplatePageAfterPage() {
        const QString letter = OutsideWritten(QStringLiteral("letter.docx"));
        auto doc = TWordDocument::FromTemplate(letter);
        for (int page = 1; page <= 3; ++page) {
            if (page > 1)
                AppendCopy(*doc, letter);
            QCOMPARE(doc->BookmarkCount(), 7);
            QCOMPARE(doc->TableCount(), page);
            doc->Bookmark(QStringLiteral("Cht_Name"))
                .Range()
                .InsertAfter(QStringLiteral("學生%1").arg(page));
            doc->Table(page).Cell(2, 1).SetText(QStringLiteral("第%1頁").arg(page));
        }
        // Earlier pages are still there and can be reached by position.
        QCOMPARE(doc->Table(1).Cell(2, 1).Text(), QString("第1頁"));
        auto back = TWordDocument::FromBytes(doc->SaveToBytes(), QStringLiteral("pages"));
        QCOMPARE(back->TableCount(), 3);
        for (int page = 1; page <= 3; ++page)
            QCOMPARE(back->Table(page).Cell(2, 1).Text(), QStringLiteral("第%1頁").arg(page));
        // Only the last copy keeps its bookmarks; the page breaks separate the copies.
        QCOMPARE(back->BookmarkCount(), 7);
        QCOMPARE(back->Bookmark(QStringLiteral("Cht_Name")).Range().Text(), QString("學生3"));
        const QString text = back->Content().Text();
        QCOMPARE(text.count(QLatin1Char('\f')), 2);
        QVERIFY(text.indexOf(QStringLiteral("學生1")) < text.indexOf(QStringLiteral("學生2")));
        // Bookmark ids stay unique over the copies.
        const pugi::xml_document xml = ParseMain(*back);
        QSet<QString> ids;
        for (auto node : xml.select_nodes("//w:bookmarkStart"))
            ids.insert(node.node().attribute("w:id").value());
        QCOMPARE(ids.size(), 7);
    }

    void formFieldOfTheSecondCopyByName() {
        const QString form = OutsideWritten(QStringLiteral("formfields.docx"));
        auto doc = TWordDocument::FromTemplate(form);
        doc->FormField(1).SetResult(QStringLiteral("第一頁"));
        const int base = doc->FormFieldCount();
        AppendCopy(*doc, form);
        QCOMPARE(doc->FormFieldCount(), 2 * base);
        QVERIFY(doc->BookmarkExists(QStringLiteral("SuggestName")));
        int found = -1;
        for (int i = base + 1; i <= doc->FormFieldCount(); ++i)
            if (doc->FormField(i).Name() == QLatin1String("SuggestName")) {
                found = i;
                break;
            }
        QCOMPARE(found, base + 1);
        doc->FormField(found).SetResult(QStringLiteral("第二頁"));
        auto back = TWordDocument::FromBytes(doc->SaveToBytes(), QStringLiteral("two"));
        QCOMPARE(back->FormField(1).Result(), QString("第一頁"));
        QCOMPARE(back->FormField(base + 1).Result(), QString("第二頁"));
    }

    void textRules() {
        TDocxBuilder builder;
        builder.Body = BookmarkParagraph("A:", "A", 0) + BookmarkParagraph("B:", "B", 1) +
                       "<w:p><w:r><w:t>last line</w:t></w:r></w:p>";
        auto doc = TWordDocument::FromTemplate(Built(QStringLiteral("rules.docx"), builder));
        TWordRange a = doc->Bookmark(QStringLiteral("A")).Range();
        a.InsertAfter(QStringLiteral("one\r\ntwo"));
        a.InsertBefore(QStringLiteral("zero "));
        QCOMPARE(doc->Bookmark(QStringLiteral("A")).Range().Text(), QString("zero one\rtwo"));
        // Characters a document cannot hold are dropped; tabs and line breaks are kept.
        TWordRange b = doc->Bookmark(QStringLiteral("B")).Range();
        b.SetText(QString::fromUtf16(u"x\u0001y\tz\vw\uFFFF") + QChar(0xD800));
        QCOMPARE(b.Text(), QString("xy\tz\vw"));
        b.SetText(QStringLiteral("replaced"));
        QCOMPARE(b.Text(), QString("replaced"));
        // Text written at the last sentence ends up at the end of the document.
        doc->LastSentence().InsertAfter(QStringLiteral(" and more"));
        QVERIFY(doc->Content().Text().endsWith(QStringLiteral("last line and more\r")));
        // The bold run lends its formatting to text written after it.
        auto back = TWordDocument::FromBytes(doc->SaveToBytes(), QStringLiteral("rules"));
        const pugi::xml_document xml = ParseMain(*back);
        QVERIFY(xml.select_node("//w:r[w:t='replaced']/w:rPr/w:b"));
        QCOMPARE(back->Bookmark(QStringLiteral("A")).Range().Text(), QString("zero one\rtwo"));
        // A new table at a bookmark splits its paragraph.
        TWordTable table = doc->AddTable(doc->Bookmark(QStringLiteral("B")).Range(), 2, 3);
        QCOMPARE(doc->TableCount(), 1);
        QCOMPARE(table.RowCount(), 2);
        QCOMPARE(table.ColumnCount(), 3);
        table.Cell(2, 3).SetText(QStringLiteral("角"));
        table.AddColumn();
        QCOMPARE(table.ColumnCount(), 4);
        auto withTable = TWordDocument::FromBytes(doc->SaveToBytes(), QStringLiteral("t"));
        QCOMPARE(withTable->Table(1).Cell(2, 3).Text(), QString("角"));
    }

    void pictures() {
        TDocxBuilder builder;
        builder.Body = BookmarkParagraph("Photo:", "Photo", 0);
        auto doc = TWordDocument::FromTemplate(Built(QStringLiteral("photo.docx"), builder));
        const QByteArray before = doc->DocumentXml();
        QVERIFY_THROWS_EXCEPTION(EOfficeError, doc->Bookmark(QStringLiteral("Photo"))
                                                   .Range()
                                                   .InsertPicture(QByteArray("not a picture")));
        QVERIFY_THROWS_EXCEPTION(EOfficeError,
                                 doc->Bookmark(QStringLiteral("Photo"))
                                     .Range()
                                     .InsertPicture(QByteArray("\x89PNG\r\n\x1a\nbroken")));
        QCOMPARE(doc->DocumentXml(), before);
        doc->Bookmark(QStringLiteral("Photo")).Range().InsertPicture(PngBytes(96, 48));
        // A BMP goes in as PNG.
        QImage bmp(10, 10, QImage::Format_RGB32);
        bmp.fill(Qt::red);
        QByteArray bmpBytes;
        QBuffer buffer(&bmpBytes);
        buffer.open(QIODevice::WriteOnly);
        bmp.save(&buffer, "BMP");
        TWordRange end = doc->LastSentence();
        end.Collapse(wdCollapseEnd);
        end.InsertPicture(bmpBytes);

        const QString path = FDir.filePath(QStringLiteral("photo-out.docx"));
        doc->SaveAs(path);
        auto back = TWordDocument::FromTemplate(path);
        const pugi::xml_document xml = ParseMain(*back);
        const auto extents = xml.select_nodes("//wp:inline/wp:extent");
        QCOMPARE(extents.size(), size_t(2));
        // 96 × 48 pixels at 96 dpi: one inch by half an inch.
        QCOMPARE(QString(extents.first().node().attribute("cx").value()), QString("914400"));
        QCOMPARE(QString(extents.first().node().attribute("cy").value()), QString("457200"));
        // Every picture's relationship points at a part of the package.
        const QByteArray bytes = back->SaveToBytes();
        QVERIFY(bytes.size() > 0);
        for (auto blip : xml.select_nodes("//a:blip")) {
            const QString id = blip.node().attribute("r:embed").value();
            QVERIFY(!id.isEmpty());
        }
        QVERIFY(back->Bookmark(QStringLiteral("Photo")).Range().Text().isEmpty());
    }

    void insertedDocumentBringsWhatItNeeds() {
        TDocxBuilder inserted;
        inserted.Styles = "<w:style w:type=\"paragraph\" w:styleId=\"Fancy\"><w:name "
                          "w:val=\"Fancy\"/><w:basedOn w:val=\"FancyBase\"/></w:style>"
                          "<w:style w:type=\"paragraph\" w:styleId=\"FancyBase\"><w:name "
                          "w:val=\"Fancy base\"/></w:style>";
        inserted.Numbering =
            "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
            "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
            "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>";
        inserted.Media["media/logo.png"] = PngBytes(20, 20);
        inserted.ExtraRels = "<Relationship Id=\"rIdLogo\" Type=\"http://schemas."
                             "openxmlformats.org/officeDocument/2006/relationships/image\" "
                             "Target=\"media/logo.png\"/>";
        inserted.Body =
            "<w:p><w:pPr><w:pStyle w:val=\"Fancy\"/><w:numPr><w:ilvl w:val=\"0\"/><w:numId "
            "w:val=\"1\"/></w:numPr></w:pPr><w:r><w:t>inserted item</w:t></w:r>"
            "<w:r><w:drawing><wp:inline xmlns:wp=\"http://schemas.openxmlformats.org/"
            "drawingml/2006/wordprocessingDrawing\"><wp:extent cx=\"100\" cy=\"100\"/>"
            "<wp:docPr id=\"1\" name=\"logo\"/><a:graphic xmlns:a=\"http://schemas."
            "openxmlformats.org/drawingml/2006/main\"><a:graphicData><a:blip "
            "r:embed=\"rIdLogo\"/></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>"
            "</w:p>";
        const QString insertedPath = Built(QStringLiteral("inserted.docx"), inserted);
        auto doc = TWordDocument::FromTemplate(OutsideWritten(QStringLiteral("letter.docx")));
        TWordRange end = doc->Content();
        end.Collapse(wdCollapseEnd);
        end.InsertFile(insertedPath);
        end.InsertFile(insertedPath);
        const QByteArray bytes = doc->SaveToBytes();
        const QString out = FDir.filePath(QStringLiteral("merged.docx"));
        QVERIFY(TDocxBuilder::WriteZip(out, {}) || true);
        QFile file(out);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        auto back = TWordDocument::FromTemplate(out);
        QVERIFY(back->Content().Text().contains(QStringLiteral("inserted item")));
        // The package holds the style, its base, the list and the picture it refers to.
        int error = 0;
        zip_t *zip = zip_open(QFile::encodeName(out).constData(), ZIP_RDONLY, &error);
        QVERIFY(zip);
        auto part = [&](const char *name) {
            zip_stat_t st;
            if (zip_stat(zip, name, 0, &st) != 0)
                return QByteArray();
            QByteArray data(static_cast<qsizetype>(st.size), '\0');
            zip_file_t *f = zip_fopen(zip, name, 0);
            zip_fread(f, data.data(), st.size);
            zip_fclose(f);
            return data;
        };
        const QByteArray styles = part("word/styles.xml");
        QVERIFY(styles.contains("w:styleId=\"Fancy\""));
        QVERIFY(styles.contains("w:styleId=\"FancyBase\""));
        QVERIFY(part("word/numbering.xml").contains("w:abstractNum"));
        QVERIFY(!part("word/media/logo.png").isEmpty());
        const QByteArray rels = part("word/_rels/document.xml.rels");
        QVERIFY(rels.contains("media/logo.png"));
        QVERIFY(rels.contains("numbering.xml"));
        QVERIFY(part("[Content_Types].xml").contains("/word/numbering.xml"));
        zip_close(zip);
        // Drawing ids are unique over the two copies.
        const pugi::xml_document xml = ParseMain(*back);
        const auto ids = xml.select_nodes("//wp:docPr");
        QCOMPARE(ids.size(), size_t(2));
        QVERIFY(QString(ids[0].node().attribute("id").value()) !=
                QString(ids[1].node().attribute("id").value()));
    }

    void badPackages_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a zip") << QByteArray("this is not a document") << "壓縮檔";
        std::map<QString, QByteArray> noMain{{"[Content_Types].xml", "<Types/>"},
                                             {"word/other.xml", "<x/>"}};
        const QString path = FDir.filePath(QStringLiteral("nomain.zip"));
        TDocxBuilder::WriteZip(path, noMain);
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QTest::newRow("no main part") << f.readAll() << "word/document.xml";
        TDocxBuilder broken;
        auto parts = broken.Parts();
        parts["word/document.xml"] = "<w:document><w:body><w:p></w:body>";
        const QString brokenPath = FDir.filePath(QStringLiteral("broken.zip"));
        TDocxBuilder::WriteZip(brokenPath, parts);
        QFile g(brokenPath);
        g.open(QIODevice::ReadOnly);
        QTest::newRow("malformed XML") << g.readAll() << "XML";
    }
    void badPackages() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path =
            FDir.filePath(QStringLiteral("bad-%1.docx").arg(QTest::currentDataTag()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        try {
            TWordDocument::FromTemplate(path);
            QFAIL("a bad package was read");
        } catch (const EOfficeError &e) {
            QVERIFY2(e.Message().contains(path), qPrintable(e.Message()));
            QVERIFY2(e.Message().contains(reason), qPrintable(e.Message()));
        }
        // Inserting a bad file into a good document changes nothing.
        auto doc = TWordDocument::FromTemplate(OutsideWritten(QStringLiteral("letter.docx")));
        const QByteArray before = doc->DocumentXml();
        TWordRange end = doc->Content();
        end.Collapse(wdCollapseEnd);
        QVERIFY_THROWS_EXCEPTION(EOfficeError, end.InsertFile(path));
        QCOMPARE(doc->DocumentXml(), before);
    }

    void missingTemplateAndAtomicSave() {
        const QString missing = FDir.filePath(QStringLiteral("nowhere.docx"));
        try {
            TWordDocument::FromTemplate(missing);
            QFAIL("a missing template was read");
        } catch (const EOfficeError &e) {
            QVERIFY(e.Message().contains(missing));
        }
        auto doc = TWordDocument::FromTemplate(OutsideWritten(QStringLiteral("letter.docx")));
        const QString target = FDir.filePath(QStringLiteral("sub/out.docx"));
        doc->SaveAs(target);
        QVERIFY(QFileInfo::exists(target));
        const QStringList left = QDir(FDir.filePath(QStringLiteral("sub"))).entryList(QDir::Files);
        QCOMPARE(left, QStringList({"out.docx"}));
        QVERIFY(doc->Saved());
        doc->Bookmark(1).Range().InsertAfter("x");
        QVERIFY(!doc->Saved());
    }

    void convertsThroughTheSuite() {
        if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
            QSKIP("the office suite (soffice) is not installed");
        auto doc = TWordDocument::FromTemplate(OutsideWritten(QStringLiteral("letter.docx")));
        doc->Bookmark(QStringLiteral("Cht_Name")).Range().InsertAfter(QStringLiteral("陳美玲"));
        doc->Table(1).Cell(2, 3).SetText(QStringLiteral("三節"));
        const QString pdf = FDir.filePath(QStringLiteral("letter.pdf"));
        doc->SaveAs(pdf, wdFormatPDF);
        QVERIFY(ReadAll(pdf).startsWith("%PDF-"));
        const QString text = PdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("陳美玲")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("三節")));
    }
};

QTEST_GUILESS_MAIN(TstWordDocument)
#include "tst_worddocument.moc"
