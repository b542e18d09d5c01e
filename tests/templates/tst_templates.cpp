// The Word templates of the program folder's TemplateDocs/, read back from the built packages:
// complete packages, the bookmarks the program fills (where they sit and what they look like),
// the page and the styles, and the element order Word insists on. Then mkooxml, which packs
// them: the order and times of its entries, and the folders it refuses without leaving output.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <pugixml.hpp>
#include <zip.h>

#include <ctime>
#include <map>
#include <set>
#include <vector>

namespace {

const char kMainType[] =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
const char kStylesType[] =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml";
const char kRelationshipTypes[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

struct TEntry {
    QString Name;
    QByteArray Bytes;
    quint16 Method = 0;
    time_t MTime = 0;
};

// Every entry of a package in the order it holds them; a message in *error when it cannot.
std::vector<TEntry> ReadPackage(const QString &fileName, QString *error) {
    int code = 0;
    zip_t *zip = zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY, &code);
    if (!zip) {
        *error = fileName + QStringLiteral(": cannot be opened (libzip error %1)").arg(code);
        return {};
    }
    std::vector<TEntry> entries;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_file_t *file = nullptr;
        if (zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
            !(file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0))) {
            *error = fileName + QStringLiteral(": entry %1 cannot be read").arg(i);
            zip_discard(zip);
            return {};
        }
        TEntry entry;
        entry.Name = QString::fromUtf8(stat.name);
        entry.Bytes.resize(static_cast<qsizetype>(stat.size));
        const zip_int64_t read = zip_fread(file, entry.Bytes.data(), stat.size);
        zip_fclose(file);
        if (read != static_cast<zip_int64_t>(stat.size)) {
            *error = fileName + QStringLiteral(": %1 is cut short").arg(entry.Name);
            zip_discard(zip);
            return {};
        }
        entry.Method = stat.comp_method;
        entry.MTime = stat.mtime;
        entries.push_back(entry);
    }
    zip_discard(zip);
    return entries;
}

// The time of every entry mkooxml writes, 1980-01-01 00:00 (read back in local time).
time_t FixedTime() {
    std::tm fixed{};
    fixed.tm_year = 80;
    fixed.tm_mday = 1;
    fixed.tm_isdst = -1;
    return std::mktime(&fixed);
}

QString TemplateFile(const QString &base) {
    return QStringLiteral(LUM_BIN_DIR "/TemplateDocs/") + base + QStringLiteral(".docx");
}

QString SourceFolder(const QString &base) {
    return QStringLiteral(LUM_SOURCE_DIR "/templates/") + base;
}

// A built template's parts, parsed.
class TTemplate {
public:
    explicit TTemplate(const QString &base) {
        QString error;
        FEntries = ReadPackage(TemplateFile(base), &error);
        FError = error;
        for (const TEntry &entry : FEntries) {
            if (!entry.Name.endsWith(QLatin1String(".xml")) &&
                !entry.Name.endsWith(QLatin1String(".rels"))) {
                continue;
            }
            pugi::xml_document &xml = FXml[entry.Name];
            const pugi::xml_parse_result result =
                xml.load_buffer(entry.Bytes.constData(), static_cast<size_t>(entry.Bytes.size()));
            if (!result && FError.isEmpty()) {
                FError =
                    entry.Name + QStringLiteral(": ") + QString::fromUtf8(result.description());
            }
        }
    }
    const QString &Error() const { return FError; }
    const std::vector<TEntry> &Entries() const { return FEntries; }
    pugi::xml_node Root(const QString &part) const {
        const auto found = FXml.find(part);
        return found == FXml.end() ? pugi::xml_node() : found->second.document_element();
    }
    pugi::xml_node Body() const {
        return Root(QStringLiteral("word/document.xml")).child("w:body");
    }
    pugi::xml_node Style(const char *id) const {
        return Root(QStringLiteral("word/styles.xml"))
            .find_child_by_attribute("w:style", "w:styleId", id);
    }

private:
    QString FError;
    std::vector<TEntry> FEntries;
    std::map<QString, pugi::xml_document> FXml;
};

QString Text(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// The target of the first relationship of a type in a relationships part.
QString RelationshipTarget(const pugi::xml_node &relationships, const char *type) {
    const QByteArray full = QByteArray(kRelationshipTypes) + type;
    return Text(relationships.find_child_by_attribute("Relationship", "Type", full.constData())
                    .attribute("Target")
                    .value());
}

// A run property of a paragraph style, following its basedOn chain.
pugi::xml_node StyleRunProperty(const TTemplate &t, const char *styleId, const char *property) {
    for (pugi::xml_node style = t.Style(styleId); style;
         style = t.Style(style.child("w:basedOn").attribute("w:val").value())) {
        if (const pugi::xml_node found = style.child("w:rPr").child(property)) {
            return found;
        }
    }
    return {};
}

// The text of the runs of a paragraph that come before a node of it.
QString TextBefore(const pugi::xml_node &node) {
    QString text;
    for (pugi::xml_node sibling = node.parent().first_child(); sibling && sibling != node;
         sibling = sibling.next_sibling()) {
        if (std::string_view(sibling.name()) == "w:r") {
            text += Text(sibling.child("w:t").text().get());
        }
    }
    return text;
}

// Child order of the elements the templates use, as the schema has it: names in order, and
// names joined by '|' share a place (they may come in any order among themselves).
const std::map<QString, QString> &SchemaOrder() {
    static const std::map<QString, QString> order = {
        {"pPr", "pStyle keepNext keepLines pageBreakBefore framePr widowControl numPr "
                "suppressLineNumbers pBdr shd tabs suppressAutoHyphens kinsoku wordWrap "
                "overflowPunct topLinePunct autoSpaceDE autoSpaceDN bidi adjustRightInd "
                "snapToGrid spacing ind contextualSpacing mirrorIndents suppressOverlap jc "
                "textDirection textAlignment textboxTightWrap outlineLvl divId cnfStyle rPr "
                "sectPr pPrChange"},
        {"rPr", "rStyle rFonts b bCs i iCs caps smallCaps strike dstrike outline shadow emboss "
                "imprint noProof snapToGrid vanish webHidden color spacing w kern position sz "
                "szCs highlight u effect bdr shd fitText vertAlign rtl cs em lang "
                "eastAsianLayout specVanish oMath"},
        {"sectPr", "headerReference|footerReference footnotePr endnotePr type pgSz pgMar "
                   "paperSrc pgBorders lnNumType pgNumType cols formProt vAlign noEndnote "
                   "titlePg textDirection bidi rtlGutter docGrid printerSettings sectPrChange"},
        {"tblPr", "tblStyle tblpPr tblOverlap bidiVisual tblStyleRowBandSize "
                  "tblStyleColBandSize tblW jc tblCellSpacing tblInd tblBorders shd tblLayout "
                  "tblCellMar tblLook tblCaption tblDescription"},
        {"tblBorders", "top left|start bottom right|end insideH insideV"},
        {"tblCellMar", "top left|start bottom right|end"},
        {"pBdr", "top left bottom right between bar"},
        {"style", "name aliases basedOn next link autoRedefine hidden uiPriority semiHidden "
                  "unhideWhenUsed qFormat locked personal personalCompose personalReply rsid "
                  "pPr rPr tblPr trPr tcPr tblStylePr"},
        {"styles", "docDefaults latentStyles style"},
        {"docDefaults", "rPrDefault pPrDefault"},
        {"font", "altName panose1 charset family notTrueType pitch sig embedRegular embedBold "
                 "embedItalic embedBoldItalic"},
        {"body", "p|tbl|bookmarkStart|bookmarkEnd sectPr"},
        {"p", "pPr r|bookmarkStart|bookmarkEnd|hyperlink"},
        {"r", "rPr t|tab|br"},
        // Only the settings these templates use, in their places.
        {"settings", "zoom proofState defaultTabStop characterSpacingControl compat rsids "
                     "themeFontLang decimalSymbol listSeparator"},
    };
    return order;
}

// The first element of a part whose children break the schema's order, or an empty text.
QString OrderFault(const pugi::xml_node &element) {
    const QString name = Text(element.name());
    const auto rule = SchemaOrder().find(name.mid(2));
    if (name.startsWith(QLatin1String("w:")) && rule != SchemaOrder().end()) {
        const QStringList places = rule->second.split(QLatin1Char(' '));
        qsizetype reached = 0;
        for (const pugi::xml_node &child : element.children()) {
            if (child.type() != pugi::node_element) {
                continue;
            }
            const QString childName = Text(child.name());
            qsizetype place = reached;
            while (place < places.size() &&
                   !(childName.startsWith(QLatin1String("w:")) &&
                     places[place].split(QLatin1Char('|')).contains(childName.mid(2)))) {
                ++place;
            }
            if (place == places.size()) {
                return name + QStringLiteral(" > ") + childName;
            }
            reached = place;
        }
    }
    for (const pugi::xml_node &child : element.children()) {
        if (child.type() == pugi::node_element) {
            if (const QString fault = OrderFault(child); !fault.isEmpty()) {
                return fault;
            }
        }
    }
    return {};
}

void WriteFile(const QString &fileName, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(fileName));
    file.write(bytes);
}

// The smallest folder mkooxml takes: a document with its styles.
void WriteGoodFolder(const QString &folder) {
    WriteFile(folder + "/[Content_Types].xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">\n"
              "  <Default Extension=\"rels\" "
              "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>\n"
              "  <Default Extension=\"xml\" ContentType=\"application/xml\"/>\n"
              "  <Override PartName=\"/word/document.xml\" ContentType=\"" +
                  QByteArray(kMainType) + "\"/>\n</Types>\n");
    WriteFile(folder + "/_rels/.rels",
              "<Relationships "
              "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\n"
              "  <Relationship Id=\"rId1\" Type=\"" +
                  QByteArray(kRelationshipTypes) +
                  "officeDocument\" Target=\"word/document.xml\"/>\n</Relationships>\n");
    WriteFile(folder + "/word/_rels/document.xml.rels",
              "<Relationships "
              "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\n"
              "  <Relationship Id=\"rId1\" Type=\"" +
                  QByteArray(kRelationshipTypes) +
                  "styles\" Target=\"styles.xml\"/>\n</Relationships>\n");
    WriteFile(folder + "/word/document.xml",
              "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
              "main\"><w:body><w:p><w:r><w:t>公告</w:t></w:r></w:p></w:body></w:document>\n");
    WriteFile(folder + "/word/styles.xml",
              "<w:styles "
              "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"/>\n");
}

struct TRun {
    int ExitCode = -1;
    QString Error;
};

TRun RunTool(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(LUM_MKOOXML), arguments);
    TRun run;
    if (!process.waitForFinished(30000)) {
        run.Error = QStringLiteral("mkooxml did not finish");
        return run;
    }
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Error = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray ReadFile(const QString &fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TstTemplates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void packagesAreComplete_data() { TemplateRows(); }
    void packagesAreComplete();
    void bookmarksSitWhereTextGoes_data() { TemplateRows(); }
    void bookmarksSitWhereTextGoes();
    void pageAndStyles_data() { TemplateRows(); }
    void pageAndStyles();
    void elementsInSchemaOrder_data() { TemplateRows(); }
    void elementsInSchemaOrder();

    void toolPacksInOrderReproducibly();
    void toolRefusesABrokenFolder_data();
    void toolRefusesABrokenFolder();
    void toolLeavesTheOldPackageOnFailure();
    void toolArguments();

private:
    static void TemplateRows();
};

// Each template with its bookmarks in document order, each as "name=the paragraph's text
// before it", and whether the page is landscape.
void TstTemplates::TemplateRows() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("bookmarks");
    QTest::addColumn<bool>("landscape");
    QTest::newRow("notice") << Text("公告單")
                            << QStringList{Text("OrganizationName="),
                                           Text("Title="),
                                           Text("UnitName=發布單位："),
                                           Text("Publisher=發布單位：　公告人："),
                                           Text("PublishDate=發布單位：　公告人：　日期："),
                                           Text("Content="),
                                           Text("PrintDate=列印日期：")}
                            << false;
    QTest::newRow("student list") << Text("學生名冊")
                                  << QStringList{Text("OrganizationName="),
                                                 Text("PrintDate=列印日期："),
                                                 Text("StudentTable=")}
                                  << true;
}

void TstTemplates::packagesAreComplete() {
    QFETCH(QString, base);
    const TTemplate t(base);
    QVERIFY2(t.Error().isEmpty(), qPrintable(t.Error()));

    // Every source file is packed, deflated, at the one fixed time; content types come first.
    QSet<QString> sources;
    QDirIterator it(SourceFolder(base), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        sources.insert(QDir(SourceFolder(base)).relativeFilePath(it.next()));
    }
    QSet<QString> packed;
    const time_t fixedTime = FixedTime();
    for (const TEntry &entry : t.Entries()) {
        packed.insert(entry.Name);
        QCOMPARE(entry.Method, quint16(ZIP_CM_DEFLATE));
        QCOMPARE(entry.MTime, fixedTime);
    }
    QStringList packedList = packed.values(), sourceList = sources.values();
    packedList.sort();
    sourceList.sort();
    QCOMPARE(packedList, sourceList);
    QCOMPARE(t.Entries().front().Name, QStringLiteral("[Content_Types].xml"));

    const pugi::xml_node types = t.Root(QStringLiteral("[Content_Types].xml"));
    QCOMPARE(Text(types.find_child_by_attribute("Override", "PartName", "/word/document.xml")
                      .attribute("ContentType")
                      .value()),
             Text(kMainType));
    QCOMPARE(Text(types.find_child_by_attribute("Override", "PartName", "/word/styles.xml")
                      .attribute("ContentType")
                      .value()),
             Text(kStylesType));
    QVERIFY(types.find_child_by_attribute("Default", "Extension", "rels"));

    QCOMPARE(RelationshipTarget(t.Root(QStringLiteral("_rels/.rels")), "officeDocument"),
             QStringLiteral("word/document.xml"));
    const pugi::xml_node documentRels = t.Root(QStringLiteral("word/_rels/document.xml.rels"));
    QCOMPARE(RelationshipTarget(documentRels, "styles"), QStringLiteral("styles.xml"));
    for (const char *type : {"settings", "fontTable"}) {
        const QString target = RelationshipTarget(documentRels, type);
        QVERIFY2(packed.contains(QStringLiteral("word/") + target), type);
    }
    QCOMPARE(Text(t.Root(QStringLiteral("docProps/core.xml")).child("dc:title").text().get()),
             base);
}

void TstTemplates::bookmarksSitWhereTextGoes() {
    QFETCH(QString, base);
    QFETCH(QStringList, bookmarks);
    const TTemplate t(base);
    QVERIFY2(t.Error().isEmpty(), qPrintable(t.Error()));

    std::vector<pugi::xml_node> starts;
    std::set<std::string> endIds;
    for (const pugi::xpath_node &found : t.Body().select_nodes(".//w:bookmarkStart")) {
        starts.push_back(found.node());
    }
    for (const pugi::xpath_node &found : t.Body().select_nodes(".//w:bookmarkEnd")) {
        QVERIFY2(endIds.insert(found.node().attribute("w:id").value()).second,
                 "two bookmark ends with one id");
    }
    QCOMPARE(qsizetype(starts.size()), bookmarks.size());
    QCOMPARE(qsizetype(endIds.size()), bookmarks.size());
    QSet<QString> names;
    for (int i = 0; i < bookmarks.size(); ++i) {
        const pugi::xml_node start = starts[std::size_t(i)];
        const QString name = Text(start.attribute("w:name").value());
        const QString id = Text(start.attribute("w:id").value());
        QCOMPARE(name + QLatin1Char('=') + TextBefore(start), bookmarks[i]);
        QCOMPARE(id, QString::number(i));
        // Names are looked up without regard to letter case.
        QVERIFY2(!names.contains(name.toLower()), qPrintable(name));
        names.insert(name.toLower());
        // Collapsed: the end follows at once, inside a paragraph of the body.
        const pugi::xml_node end = start.next_sibling();
        QCOMPARE(Text(end.name()), QStringLiteral("w:bookmarkEnd"));
        QCOMPARE(Text(end.attribute("w:id").value()), id);
        QCOMPARE(Text(start.parent().name()), QStringLiteral("w:p"));
        QVERIFY(start.parent().parent() == t.Body());
    }

    // The notice's title gets its look from its paragraph: bold and larger than the text.
    if (base == Text("公告單")) {
        const pugi::xml_node title = t.Body().find_node([](const pugi::xml_node &node) {
            return std::string_view(node.attribute("w:name").value()) == "Title";
        });
        const char *style =
            title.parent().child("w:pPr").child("w:pStyle").attribute("w:val").value();
        QVERIFY(StyleRunProperty(t, style, "w:b"));
        const int defaultSize = t.Root(QStringLiteral("word/styles.xml"))
                                    .select_node("w:docDefaults/w:rPrDefault/w:rPr/w:sz")
                                    .node()
                                    .attribute("w:val")
                                    .as_int();
        QVERIFY(StyleRunProperty(t, style, "w:sz").attribute("w:val").as_int() > defaultSize);
    }
}

void TstTemplates::pageAndStyles() {
    QFETCH(QString, base);
    QFETCH(bool, landscape);
    const TTemplate t(base);
    QVERIFY2(t.Error().isEmpty(), qPrintable(t.Error()));

    // A4 with margins of about 2 cm (in twentieths of a point); sectPr closes the body.
    const pugi::xml_node section = t.Body().last_child();
    QCOMPARE(Text(section.name()), QStringLiteral("w:sectPr"));
    const pugi::xml_node size = section.child("w:pgSz");
    QCOMPARE(size.attribute("w:w").as_int(), landscape ? 16838 : 11906);
    QCOMPARE(size.attribute("w:h").as_int(), landscape ? 11906 : 16838);
    QCOMPARE(Text(size.attribute("w:orient").value()),
             landscape ? QStringLiteral("landscape") : QString());
    for (const char *side : {"w:top", "w:right", "w:bottom", "w:left"}) {
        const int margin = section.child("w:pgMar").attribute(side).as_int();
        QVERIFY2(margin >= 1000 && margin <= 1300, side);
    }

    const pugi::xml_node defaults = t.Root(QStringLiteral("word/styles.xml"))
                                        .select_node("w:docDefaults/w:rPrDefault/w:rPr")
                                        .node();
    const pugi::xml_node fonts = defaults.child("w:rFonts");
    QCOMPARE(Text(fonts.attribute("w:eastAsia").value()), Text("新細明體"));
    QCOMPARE(Text(fonts.attribute("w:ascii").value()), QStringLiteral("Times New Roman"));
    QCOMPARE(Text(fonts.attribute("w:hAnsi").value()), QStringLiteral("Times New Roman"));
    QCOMPARE(Text(fonts.attribute("w:hint").value()), QStringLiteral("eastAsia"));
    QCOMPARE(Text(defaults.child("w:lang").attribute("w:eastAsia").value()),
             QStringLiteral("zh-TW"));
    QVERIFY(t.Root(QStringLiteral("word/fontTable.xml"))
                .find_child_by_attribute("w:font", "w:name", "新細明體"));

    QCOMPARE(Text(t.Style("Normal").attribute("w:default").value()), QStringLiteral("1"));
    QCOMPARE(Text(t.Style("Title").attribute("w:type").value()), QStringLiteral("paragraph"));
    const pugi::xml_node grid = t.Style("TableGrid");
    QCOMPARE(Text(grid.attribute("w:type").value()), QStringLiteral("table"));
    for (const char *border :
         {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
        QCOMPARE(Text(grid.child("w:tblPr")
                          .child("w:tblBorders")
                          .child(border)
                          .attribute("w:val")
                          .value()),
                 QStringLiteral("single"));
    }
    // Every style the document and the styles name is there.
    for (const char *part : {"word/document.xml", "word/styles.xml"}) {
        for (const pugi::xpath_node &use :
             t.Root(Text(part)).select_nodes(".//w:pStyle | .//w:basedOn | .//w:next")) {
            const char *id = use.node().attribute("w:val").value();
            QVERIFY2(t.Style(id), id);
        }
    }
}

void TstTemplates::elementsInSchemaOrder() {
    QFETCH(QString, base);
    const TTemplate t(base);
    QVERIFY2(t.Error().isEmpty(), qPrintable(t.Error()));
    for (const char *part :
         {"word/document.xml", "word/styles.xml", "word/settings.xml", "word/fontTable.xml"}) {
        const QString fault = OrderFault(t.Root(Text(part)));
        QVERIFY2(fault.isEmpty(), qPrintable(Text(part) + QStringLiteral(": ") + fault));
    }
}

void TstTemplates::toolPacksInOrderReproducibly() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("source"));
    WriteGoodFolder(folder);
    WriteFile(folder + "/docProps/app.xml",
              "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/"
              "extended-properties\"/>\n");
    const QString first = dir.filePath(Text("輸出/第一.docx")); // a folder still to be made
    const TRun run = RunTool({folder, first});
    QVERIFY2(run.ExitCode == 0, qPrintable(run.Error));

    QString error;
    const std::vector<TEntry> entries = ReadPackage(first, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QStringList names;
    for (const TEntry &entry : entries) {
        names << entry.Name;
    }
    QCOMPARE(names,
             (QStringList{"[Content_Types].xml", "_rels/.rels", "docProps/app.xml",
                          "word/_rels/document.xml.rels", "word/document.xml", "word/styles.xml"}));
    QCOMPARE(entries[4].Bytes, ReadFile(folder + "/word/document.xml"));
    for (const TEntry &entry : entries) {
        QCOMPARE(entry.Method, quint16(ZIP_CM_DEFLATE));
        QCOMPARE(entry.MTime, FixedTime());
    }

    // Another run over the same sources gives the same bytes.
    const QString second = dir.filePath(QStringLiteral("second.docx"));
    QCOMPARE(RunTool({folder, second}).ExitCode, 0);
    QCOMPARE(ReadFile(second), ReadFile(first));
}

void TstTemplates::toolRefusesABrokenFolder_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // empty: the file is removed
    QTest::addColumn<QString>("message");
    const QByteArray w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    QTest::newRow("unclosed element") << "word/document.xml"
                                      << "<w:document " + w + "><w:body></w:document>"
                                      << "word/document.xml: not well-formed XML";
    QTest::newRow("two roots") << "word/styles.xml"
                               << "<w:styles " + w + "/><w:styles " + w + "/>"
                               << "word/styles.xml: not well-formed XML";
    QTest::newRow("undeclared prefix")
        << "word/document.xml" << QByteArray("<w:document><w:body/></w:document>")
        << "word/document.xml: namespace prefix \"w\" is not declared, at line 1";
    QTest::newRow("attribute twice") << "word/document.xml"
                                     << "<w:document " + w + " " + w + "/>"
                                     << "given twice";
    QTest::newRow("not UTF-8") << "word/document.xml"
                               << "<w:document " + w + ">\n<w:t>\xff</w:t></w:document>"
                               << "word/document.xml: not valid UTF-8 at line 2, column 6";
    QTest::newRow("no content types")
        << "[Content_Types].xml" << QByteArray() << "[Content_Types].xml: missing";
    QTest::newRow("no package relationships")
        << "_rels/.rels" << QByteArray() << "_rels/.rels: missing";
    QTest::newRow("part without content type")
        << "word/media/logo.png" << QByteArray("\x89PNG") << "word/media/logo.png: no content type";
    QTest::newRow("relationship to a missing part")
        << "word/_rels/document.xml.rels"
        << QByteArray("<Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId1\" Type=\"t\" Target=\"style.xml\"/></Relationships>")
        << "document.xml.rels: relationship \"rId1\" points at \"style.xml\"";
    QTest::newRow("relationships of a missing part")
        << "word/_rels/numbering.xml.rels"
        << QByteArray("<Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>")
        << "the relationships of \"word/numbering.xml\", which is not in the folder";
}

void TstTemplates::toolRefusesABrokenFolder() {
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("source"));
    WriteGoodFolder(folder);
    if (content.isEmpty()) {
        QVERIFY(QFile::remove(folder + QLatin1Char('/') + file));
    } else {
        WriteFile(folder + QLatin1Char('/') + file, content);
    }
    const QString outputFolder = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(outputFolder));
    const TRun run = RunTool({folder, outputFolder + QStringLiteral("/x.docx")});
    QCOMPARE(run.ExitCode, 1);
    QVERIFY2(run.Error.startsWith(QStringLiteral("mkooxml: ")), qPrintable(run.Error));
    QVERIFY2(run.Error.contains(message), qPrintable(run.Error));
    QCOMPARE(QDir(outputFolder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TstTemplates::toolLeavesTheOldPackageOnFailure() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("source"));
    WriteGoodFolder(folder);
    const QString output = dir.filePath(QStringLiteral("x.docx"));
    QCOMPARE(RunTool({folder, output}).ExitCode, 0);
    const QByteArray good = ReadFile(output);
    WriteFile(folder + "/word/document.xml", "<w:document");
    QCOMPARE(RunTool({folder, output}).ExitCode, 1);
    QCOMPARE(ReadFile(output), good);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.docx"});
}

void TstTemplates::toolArguments() {
    QTemporaryDir dir;
    TRun run = RunTool({});
    QCOMPARE(run.ExitCode, 2);
    QVERIFY(run.Error.startsWith(QStringLiteral("usage: mkooxml")));

    run = RunTool({dir.filePath("none"), dir.filePath("x.docx")});
    QCOMPARE(run.ExitCode, 1);
    QVERIFY2(run.Error.contains(dir.filePath("none") + ": not a folder"), qPrintable(run.Error));

    WriteGoodFolder(dir.filePath("source"));
    run = RunTool({dir.filePath("source"), dir.path()});
    QCOMPARE(run.ExitCode, 1);
    QVERIFY2(run.Error.contains(dir.path() + ": a folder"), qPrintable(run.Error));

    // The package may not land in the folder it packs: the next run would pack it too.
    run = RunTool({dir.filePath("source"), dir.filePath("source/x.docx")});
    QCOMPARE(run.ExitCode, 1);
    QVERIFY2(run.Error.contains("lies inside the source folder"), qPrintable(run.Error));
    QVERIFY(!QFile::exists(dir.filePath("source/x.docx")));
}

QTEST_GUILESS_MAIN(TstTemplates)
#include "tst_templates.moc"
