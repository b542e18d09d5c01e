// Templates that other software wrote (LibreOffice), used as they are: every bookmark found and
// written page after page, the table of each page filled over more rows than it has, the
// legacy form fields set by name, and the filled documents converted through the office suite.

#include "ReportTestUtil.h"
#include "uDocuReport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString Outside(const char *name) {
    return QStringLiteral(LUM_SOURCE_DIR "/tests/office/data/outside-written/") +
           QLatin1String(name);
}

QString PdfText(const QString &pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool HaveSuite() {
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

} // namespace

class TstOutsideTemplates : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    TFakeViewer FViewer;

private Q_SLOTS:
    void aLetterPerStudent() {
        TDocuReport report;
        PrepareReport(report, Outside("letter.docx"), FViewer, FDir.path());
        report.SetVisible(false);
        auto students = MakeStudents(15);
        TDataSource source;
        source.SetDataSet(students.get());
        TWRMultiLabel labels;
        labels.SetDocuReport(&report);
        const QStringList names{"OrganizationName", "StudentID", "Cht_Name", "AClassName",
                                "StudentInfo",      "FootMemo",  "PrintDate"};
        for (const QString &name : names)
            labels.SetLabelText(name, QStringLiteral("「%1」").arg(name));
        // Five absences a page into the table of a title row and three empty rows.
        TDBWRTableIndex table;
        table.SetDocuReport(&report);
        table.SetDataSource(&source);
        table.SetIncludeTitle(false);
        table.SetStartRow(1);
        table.SetPageRows(5);
        table.SetKeepDataTrack(true);
        report.SetPages(3);
        report.SendToWord();

        TWordDocument *doc = report.Document();
        QCOMPARE(doc->TableCount(), 3);
        for (int page = 1; page <= 3; ++page) {
            const TWordTable t = doc->Table(page);
            QCOMPARE(t.RowCount(), 6);
            QCOMPARE(t.Cell(1, 1).Text(), QStringLiteral("日期"));
            QCOMPARE(t.Cell(2, 1).Text(), QString::number((page - 1) * 5 + 1));
            QCOMPARE(t.Cell(6, 2).Text(), QStringLiteral("S%1").arg(page * 5));
        }
        // Every bookmark of every page got its text: three times each in the document.
        const QString text = doc->Content().Text();
        for (const QString &name : names)
            QCOMPARE(text.count(QStringLiteral("「%1」").arg(name)), 3);
        QCOMPARE(text.count(QChar(12)), 2);

        if (!HaveSuite())
            QSKIP("the office suite (soffice) is not installed");
        const QString pdf = FDir.filePath(QStringLiteral("letters.pdf"));
        report.SaveAs(pdf, wdFormatPDF);
        const QString printed = PdfText(pdf);
        QCOMPARE(printed.count(QStringLiteral("「Cht_Name」")), 3);
        QVERIFY(printed.contains(QStringLiteral("學生缺曠課通知單")));
    }

    void formFieldsByName() {
        TDocuReport report;
        // Named as the system names its templates, "X.doc": the ".docx" beside it is read.
        PrepareReport(report, Outside("formfields.doc"), FViewer, FDir.path());
        report.SetVisible(false);
        TWRLabel name, number, kind;
        for (TWRLabel *label : {&name, &number, &kind})
            label->SetDocuReport(&report);
        name.SetBookMarkName(QStringLiteral("SuggestName"));
        number.SetBookMarkName(QStringLiteral("RewardNo"));
        // The drop-down is named by the suite itself.
        kind.SetBookMarkName(QStringLiteral("__Fieldmark__28_1181490973"));
        report.SetPages(2);
        int page = 0;
        report.BeforeNewPage = [&](TDocuReport *) {
            ++page;
            name.SetText(QStringLiteral("建議人%1").arg(page));
            number.SetText(QStringLiteral("R-%1").arg(page));
            kind.SetText(page == 1 ? QStringLiteral("獎勵") : QStringLiteral("懲罰"));
        };
        report.SendToWord();
        QCOMPARE(name.GetBookMarkType(), bmFFInputText);
        QCOMPARE(kind.GetBookMarkType(), bmFFDropDown);
        QCOMPARE(name.LoadData(), QStringLiteral("建議人2"));
        TWordDocument *doc = report.Document();
        QCOMPARE(doc->FormFieldCount(), 6);
        QCOMPARE(doc->FormField(1).Result(), QStringLiteral("建議人1"));
        QCOMPARE(doc->FormField(4).Result(), QStringLiteral("建議人2"));
        QCOMPARE(doc->FormField(3).Result(), QStringLiteral("獎勵"));
        QCOMPARE(doc->FormField(6).Result(), QStringLiteral("懲罰"));
        QVERIFY(doc->Content().Text().contains(QStringLiteral("R-1")));
        // The drop-down's choice is kept by the field, not written as text beside it.
        QVERIFY(!doc->Content().Text().contains(QStringLiteral("獎勵")));

        if (!HaveSuite())
            QSKIP("the office suite (soffice) is not installed");
        const QString pdf = FDir.filePath(QStringLiteral("forms.pdf"));
        report.SaveAs(pdf, wdFormatPDF);
        // The PDF's text has a space where the face changes between letters and digits.
        const QString printed = PdfText(pdf).remove(QLatin1Char(' '));
        QVERIFY2(printed.contains(QStringLiteral("建議人2")), qPrintable(printed));
        QVERIFY(printed.contains(QStringLiteral("R-2")));
    }
};

QTEST_MAIN(TstOutsideTemplates)
#include "tst_outsidetemplates.moc"
