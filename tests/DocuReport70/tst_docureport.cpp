// The report: opening on a template, pages and their tables, closing per Options and when the
// application closes the document, events in order, errors that close the report, showing and
// printing through the viewer, and the links between report, objects and data sources.

#include "ReportTestUtil.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

const QString kFormat = QStringLiteral("元件[%1],的[%2]屬性設定錯誤");

QString RowOf(int no) {
    return QStringLiteral("%1|S%1").arg(no);
}

} // namespace

class TstDocuReport : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    TFakeViewer FViewer;

    // A roster template: a bookmark "Title", a text form field "Name", a table of 1 × 2.
    QString Roster() {
        return WriteTemplate(FDir.path(), QStringLiteral("roster"),
                             TBody()
                                 .Mark(QStringLiteral("Title"), QStringLiteral("名冊"))
                                 .TextField(QStringLiteral("Name"), QStringLiteral("____"))
                                 .Table(1, 2));
    }
    void Prepare(TDocuReport &report, const QString &folder = {}) {
        PrepareReport(report, Roster(), FViewer, folder.isEmpty() ? FDir.path() : folder);
    }

private Q_SLOTS:
    void init() { FViewer = TFakeViewer(); }

    void pagesRepeatTheTemplateAndContinueThroughTheRecords() {
        TDocuReport report;
        Prepare(report);
        auto students = MakeStudents(30);
        TDataSource source;
        source.SetDataSet(students.get());
        TDBWRTableIndex table;
        table.SetDocuReport(&report);
        table.SetDataSource(&source);
        table.SetPageRows(10);
        table.SetKeepDataTrack(true);
        report.SetPages(0);
        report.SetPages(-1);
        QCOMPARE(report.Pages(), 1);
        report.SetPages(3);
        report.SendToWord();

        TWordDocument *doc = report.Document();
        QCOMPARE(report.CurrentPage(), 3);
        QCOMPARE(doc->TableCount(), 3);
        QCOMPARE(doc->Content().Text().count(QChar(12)), 2);
        QCOMPARE(doc->Content().Text().count(QStringLiteral("名冊")), 3);
        for (int page = 0; page < 3; ++page) {
            const QStringList rows = TableRows(doc->Table(page + 1));
            QCOMPARE(rows.size(), 11);
            QCOMPARE(rows[0], QStringLiteral("學號|姓名"));
            QCOMPARE(rows[1], RowOf(page * 10 + 1));
            QCOMPARE(rows[10], RowOf(page * 10 + 10));
        }
        QVERIFY(students->Eof());
        // Only the last copy's bookmarks remain.
        TStringList names;
        report.GetBookMarkNames(&names);
        QCOMPARE(names.ToQStringList(), QStringList({"Title", "Name"}));
        report.GetBookMarkNames(nullptr);

        // A second send on the open document appends all its pages again.
        report.SendToWord();
        QCOMPARE(doc->TableCount(), 6);
        QCOMPARE(report.CurrentPage(), 3);
    }

    void tablesAsLongAsTheRecords() {
        TDocuReport report;
        Prepare(report);
        report.SetOptions({});
        report.SetPages(2);
        auto students = MakeStudents(4);
        TDataSource source;
        source.SetDataSet(students.get());
        // Closed: the tables' sizes follow the records, which are there once it opens.
        students->SetFileName(FDir.filePath(QStringLiteral("students.cds")));
        students->Close();
        // The template's table first: the new one goes before it, at the title.
        TDBWRTableIndex filled;
        filled.SetDocuReport(&report);
        filled.SetDataSource(&source);
        filled.SetPageRows(10);
        TDBWRTable created;
        created.SetDocuReport(&report);
        created.SetDataSource(&source);
        created.SetBookMarkName(QStringLiteral("Title"));
        created.SetPageRows(10);
        created.SetStartRow(3);
        report.SendToWord();

        TWordDocument *doc = report.Document();
        QCOMPARE(doc->TableCount(), 4);
        QCOMPARE(doc->Content().Text().count(QChar(12)), 0);
        for (int i = 1; i <= 4; ++i) {
            const QStringList rows = TableRows(doc->Table(i));
            QCOMPARE(rows.size(), 5);
            QCOMPARE(rows[4], RowOf(4));
        }
        QCOMPARE(created.StartRow(), 0);
        QCOMPARE(students->RecNo(), 1); // the cursor is back where it stood
    }

    void eachPageFillsItsOwnFormField() {
        TDocuReport report;
        Prepare(report);
        report.SetPages(3);
        TWRLabel name;
        name.SetDocuReport(&report);
        name.SetBookMarkName(QStringLiteral("Name"));
        name.BeforeToWord = [&](TWRObject *) {
            name.SetText(QStringLiteral("P%1").arg(report.CurrentPage()));
        };
        report.SendToWord();

        TWordDocument *doc = report.Document();
        QCOMPARE(doc->FormFieldCount(), 3);
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(doc->FormField(i).Result(), QStringLiteral("P%1").arg(i));
        QCOMPARE(report.IndexOfFormField(QStringLiteral("Name")), 1);
        QCOMPARE(report.IndexOfFormField(QStringLiteral("name")), -1);
        QCOMPARE(report.IndexOfPageFormField(QStringLiteral("Name")), 3);
        QCOMPARE(name.GetBookMarkType(), bmFFInputText);
    }

    void eventsInOrderAndClosingPerOptions() {
        const QString folder = FDir.filePath(QStringLiteral("saved"));
        QDir().mkpath(folder);
        TDocuReport report;
        Prepare(report, folder);
        report.SetPages(2);
        report.SetVisible(false);
        report.SetOptions(InsertPageBreak | AutoCloseDocument | AutoCloseWord);
        QStringList log;
        const std::pair<TDocuReportEvent *, QString> events[] = {
            {&report.BeforeOpen, "BeforeOpen"},     {&report.AfterOpen, "AfterOpen"},
            {&report.BeforeToWord, "BeforeToWord"}, {&report.BeforeNewPage, "BeforeNewPage"},
            {&report.AfterNewPage, "AfterNewPage"}, {&report.AfterToWord, "AfterToWord"},
            {&report.BeforeClose, "BeforeClose"},   {&report.AfterClose, "AfterClose"},
            {&report.OnWordQuit, "OnWordQuit"}};
        for (const auto &[event, name] : events)
            *event = [&log, name](TDocuReport *) { log << name; };
        TWRLabel title, disabled;
        title.SetDocuReport(&report);
        title.SetBookMarkName(QStringLiteral("Title"));
        title.BeforeToWord = [&](TWRObject *) { log << QStringLiteral("title"); };
        disabled.SetDocuReport(&report);
        disabled.SetEnabled(false);
        disabled.BeforeToWord = [&](TWRObject *) { log << QStringLiteral("disabled"); };

        report.SendToWord();
        QVERIFY(title.Active());
        report.SetSaveAction(saDoNotSaveChanges);
        report.Close();
        QCOMPARE(log,
                 QStringList({"BeforeOpen", "AfterOpen", "BeforeToWord", "BeforeNewPage", "title",
                              "AfterNewPage", "BeforeNewPage", "title", "AfterNewPage",
                              "AfterToWord", "BeforeClose", "AfterClose", "OnWordQuit"}));
        QVERIFY(!report.Active() && !title.Active());
        QCOMPARE(report.CurrentPage(), 0);
        QCOMPARE(report.WordApplication()->DocumentCount(), 0);
        QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());

        // Saving on close writes the document; without the options it stays open.
        report.SetSaveAction(saSaveChanges);
        report.SetOptions(AutoCloseDocument);
        report.SendToWord();
        report.Close();
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
        report.SetOptions({});
        report.SendToWord();
        report.Close();
        QCOMPARE(report.WordApplication()->DocumentCount(), 1);
    }

    void theApplicationClosingTheDocument() {
        TDocuReport report;
        Prepare(report);
        int afterClose = 0, quits = 0;
        report.AfterClose = [&](TDocuReport *) { ++afterClose; };
        report.OnWordQuit = [&](TDocuReport *) { ++quits; };
        TWRLabel title;
        title.SetDocuReport(&report);
        title.SetBookMarkName(QStringLiteral("Title"));
        // The collections open the document; sending then fills it without another copy.
        QCOMPARE(report.Tables()->TableCount(), 1);
        report.SendToWord();
        QCOMPARE(report.Document()->TableCount(), 1);
        QVERIFY(title.Active());
        report.WordApplication()->CloseDocument(report.Document());
        QVERIFY(!report.Active() && !title.Active());
        QCOMPARE(afterClose, 1);
        report.SendToWord();
        report.WordApplication()->Quit();
        QVERIFY(!report.Active());
        QCOMPARE(afterClose, 2);
        QCOMPARE(quits, 1);

        // A handler's error: raised by Close, reported when the application acts on its own.
        report.AfterClose = [](TDocuReport *) { throw Exception(QStringLiteral("stop")); };
        report.SetOptions(AutoCloseDocument);
        report.SendToWord();
        QVERIFY_THROWS_EXCEPTION(Exception, report.Close());
        QVERIFY(!report.Active());
        report.SendToWord();
        QTest::ignoreMessage(QtWarningMsg, "stop");
        report.WordApplication()->CloseDocument(report.Document());
        QVERIFY(!report.Active());
    }

    void errorsCloseTheReport() {
        TDocuReport report;
        Prepare(report);
        report.SetOptions(AutoCloseDocument);
        report.SetSaveAction(saDoNotSaveChanges);
        int afterClose = 0;
        report.AfterClose = [&](TDocuReport *) { ++afterClose; };
        auto students = MakeStudents(3);
        TDataSource source;
        source.SetDataSet(students.get());
        TDBWRTableIndex table;
        table.SetName(QStringLiteral("tblStudents"));
        table.SetDocuReport(&report);
        table.SetDataSource(&source);
        table.SetTableIndex(1);
        QCOMPARE(RaisedMessage([&] { report.SendToWord(); }),
                 kFormat.arg("tblStudents", "TableIndex"));
        QVERIFY(!report.Active());
        QCOMPARE(afterClose, 1);

        // An error of a handler passes on as it is.
        table.SetTableIndex(0);
        table.AfterToWord = [](TWRObject *) { throw EAbort(); };
        QVERIFY_THROWS_EXCEPTION(EAbort, report.SendToWord());
        QVERIFY(!report.Active());
        QCOMPARE(afterClose, 2);
        table.SetDocuReport(nullptr);

        TDBWRLabel label;
        label.SetName(QStringLiteral("lblName"));
        label.SetDocuReport(&report);
        QCOMPARE(RaisedMessage([&] { report.SendToWord(); }),
                 kFormat.arg("lblName", "DataSource,DataSet"));
        QVERIFY(!report.Active());
        label.SetDocuReport(nullptr);

        TWRLabel alone;
        alone.SetName(QStringLiteral("lblTitle"));
        QCOMPARE(RaisedMessage([&] { alone.SetActive(true); }),
                 kFormat.arg("lblTitle", "DocuReport"));

        // Opening that fails half-way leaves no document behind.
        report.AfterOpen = [](TDocuReport *) { throw EAbort(); };
        QVERIFY_THROWS_EXCEPTION(EAbort, report.SetActive(true));
        QVERIFY(!report.Active());
        QCOMPARE(report.WordApplication()->DocumentCount(), 0);
        report.AfterOpen = nullptr;

        // A template that is not there: the office layer's reason, and no document.
        report.SetTemplateName(FDir.filePath(QStringLiteral("missing.docx")));
        QVERIFY(RaisedMessage([&] { report.SetActive(true); }).contains("missing.docx"));
        QVERIFY(!report.Active());
        QCOMPARE(report.WordApplication()->DocumentCount(), 0);
    }

    void showingAndPrintingThroughTheViewer() {
        TDocuReport report;
        Prepare(report);
        report.PrintOut(); // inactive: nothing
        report.SendToWord();
        QCOMPARE(FViewer.Shown.size(), 1);
        QVERIFY(QFileInfo::exists(FViewer.Shown[0]));
        report.Close();

        report.SetVisible(false);
        report.SendToWord();
        QCOMPARE(FViewer.Shown.size(), 1);
        report.SetVisible(true);
        QCOMPARE(FViewer.Shown.size(), 2);

        report.PrintPreview();
        report.ClosePrintPreview();
        report.PrintOut();
        QCOMPARE(FViewer.Previewed.size(), 1);
        QCOMPARE(FViewer.PreviewsClosed, 1);
        QCOMPARE(FViewer.Printed.size(), 1);
        FViewer.SuiteMissing = true;
        QCOMPARE(RaisedMessage([&] { report.PrintPreview(); }),
                 QStringLiteral("可能沒有安裝MicrosoftWord\n找不到 soffice"));
        QVERIFY_THROWS_EXCEPTION(EDocuReport, report.PrintOut());
        QVERIFY(report.Active());
    }

    void linksFollowTheComponentsThatGo() {
        auto report = std::make_unique<TDocuReport>();
        Prepare(*report);
        auto other = std::make_unique<TDocuReport>();
        auto source = std::make_unique<TDataSource>();
        TDBWRLabel label;
        TDBWRImage image;
        auto memo = std::make_unique<TWRMemo>();
        for (TWRObject *object : std::initializer_list<TWRObject *>{&label, &image, memo.get()})
            object->SetDocuReport(report.get());
        label.SetDataSource(source.get());
        image.SetDataSource(source.get());
        label.SetDocuReport(report.get());
        QCOMPARE(report->WRObjects().size(), 3);

        memo.reset();
        QCOMPARE(report->WRObjects(), QList<TWRObject *>({&label, &image}));
        image.SetDocuReport(other.get());
        QCOMPARE(report->WRObjects(), QList<TWRObject *>({&label}));
        QCOMPARE(other->WRObjects(), QList<TWRObject *>({&image}));
        source.reset();
        QVERIFY(!label.DataSource() && !image.DataSource());
        // A report that goes while active leaves its objects without references.
        TWRLabel title;
        title.SetDocuReport(report.get());
        title.SetBookMarkName(QStringLiteral("Title"));
        title.SetOptions({});
        title.SetActive(true);
        QVERIFY(title.Active() && report->Active());
        report.reset();
        QVERIFY(!label.DocuReport() && !title.DocuReport() && !title.Active());
        QCOMPARE(image.DocuReport(), other.get());
    }
};

QTEST_MAIN(TstDocuReport)
#include "tst_docureport.moc"
