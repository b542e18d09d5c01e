// The banded report engine: reports built on client datasets made in memory, written to PDF and
// read back through their text (pdftotext -layout) and page count (pdfinfo); positions checked
// through the prepared pages' draw items.

#include "FixedClock.h"
#include "QuickReport.h"
#include "ReportTestSupport.h"

#include <QFile>
#include <QPdfWriter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Students of two classes with a score each (one negative: not yet entered).
[[maybe_unused]] std::unique_ptr<TClientDataSet> Students(QObject *owner = nullptr) {
    return MakeDataSet(QStringLiteral("Students"),
                       {QStringLiteral("StudentID"), QStringLiteral("Cht_Name"),
                        QStringLiteral("AClassName"), QStringLiteral("SeatNo:i"),
                        QStringLiteral("Score:f")},
                       {{"S001", "王小明", "101", 1, 80.0},
                        {"S002", "李美華", "101", 2, 92.5},
                        {"S003", "陳大同", "101", 3, -1.0},
                        {"S004", "林志玲", "102", 1, 70.0},
                        {"S005", "張國榮", "102", 2, 65.5}},
                       owner);
}

// Absence rows of students S001 (three), S002 (none) and S004 (two).
[[maybe_unused]] std::unique_ptr<TClientDataSet> Absences(QObject *owner = nullptr) {
    auto ds = MakeDataSet(QStringLiteral("Absences"),
                          {QStringLiteral("StudentID"), QStringLiteral("AbsenceDate:d"),
                           QStringLiteral("CourseName"), QStringLiteral("SecAbsence:i"),
                           QStringLiteral("SecVAC:i")},
                          {{"S001", QDate(2024, 3, 4), "國文", 2, 0},
                           {"S004", QDate(2024, 3, 5), "英文", 1, 1},
                           {"S001", QDate(2024, 3, 6), "數學", 3, 1},
                           {"S001", QDate(2024, 3, 8), "歷史", 1, 0},
                           {"S004", QDate(2024, 3, 9), "地理", 4, 2}},
                          owner);
    ds->SetIndexFieldNames(QStringLiteral("StudentID;AbsenceDate"));
    return ds;
}

// Each page's text with runs of blanks made one.
QStringList Pages(const QString &pdf) {
    QStringList pages;
    for (const QString &page : PdfPageTexts(pdf))
        pages << Squeezed(page);
    return pages;
}

// The lines of a text that hold something.
QStringList Lines(const QString &text) {
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines;
}

[[maybe_unused]] QString ErrorOf(const std::function<void()> &work) {
    try {
        work();
    } catch (const EReportError &e) {
        return e.Message();
    }
    return {};
}

} // namespace

class TstReport : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    int FFiles = 0;
    QString NewPdf() { return FDir.filePath(QStringLiteral("r%1.pdf").arg(++FFiles)); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        // ORV7_KEEP_REPORTS=1 keeps the PDFs for a look (the folder is printed).
        if (qEnvironmentVariableIsSet("ORV7_KEEP_REPORTS")) {
            FDir.setAutoRemove(false);
            qInfo("PDFs in %s", qPrintable(FDir.path()));
        }
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QFAIL("pdftotext and pdfinfo (poppler-utils) are needed");
    }

    // --- text and fonts ---

    void chineseTextIsTextInAMingFace() {
        TQuickRep report;
        report.SetReportTitle(QStringLiteral("學生缺曠課通知單"));
        auto *title = new TQRBand(&report, rbTitle, 12);
        TQRLabel *label = title->AddLabel(0, 0, 190, 10, QStringLiteral("學生缺曠課通知單"));
        label->SetFontSize(16);
        label->SetAlignment(taCenter);
        title->AddSysData(0, 8, 190, 4, qrsReportTitle, QStringLiteral("報表："));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(PdfPageCount(pdf), 1);
        const QString text = PdfLayoutText(pdf);
        QVERIFY2(text.contains(QStringLiteral("學生缺曠課通知單")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("報表：學生缺曠課通知單")), qPrintable(text));
        const QString fonts = RunTool(QStringLiteral("pdffonts"), {pdf});
        QVERIFY2(fonts.contains(QStringLiteral("UMing")) || fonts.contains(QStringLiteral("Serif")),
                 qPrintable(fonts));
        QCOMPARE(report.Prepared()->Fonts().front().family(), DefaultReportFontFamily());
        // Centred: the title's middle is the page's middle.
        const std::vector<TQRDrawItem> items = report.Prepared()->PageItems(0);
        QCOMPARE(items.front().Text, QStringLiteral("學生缺曠課通知單"));
        QVERIFY(items.front().Position.x() > 10 + 50 && items.front().Position.x() < 105);
    }

    // --- a list over pages ---

    void listOverPagesRepeatsHeaderAndFooterAndCountsPages() {
        QList<QVariantList> rows;
        for (int i = 1; i <= 100; ++i)
            rows << QVariantList{QStringLiteral("N%1").arg(i, 3, 10, QLatin1Char('0')),
                                 QStringLiteral("學生%1").arg(i)};
        auto ds = MakeDataSet(QStringLiteral("List"),
                              {QStringLiteral("No"), QStringLiteral("Name")}, rows);
        TQuickRep report;
        report.SetDataSet(ds.get());
        auto *header = new TQRBand(&report, rbPageHeader, 15);
        header->AddLabel(0, 0, 100, 6, QStringLiteral("學生名冊"));
        header->AddSysData(120, 0, 70, 6, qrsPageNumber, QStringLiteral("第 %d 頁 / 共 %d 頁"))
            ->SetAlignment(taRightJustify);
        auto *columns = new TQRBand(&report, rbColumnHeader, 7);
        columns->AddLabel(0, 0, 30, 6, QStringLiteral("學號"));
        columns->AddLabel(40, 0, 60, 6, QStringLiteral("姓名"));
        auto *detail = new TQRBand(&report, rbDetail, 8);
        detail->AddDBText(0, 1, 30, 6, ds.get(), QStringLiteral("No"));
        detail->AddDBText(40, 1, 60, 6, ds.get(), QStringLiteral("Name"));
        auto *footer = new TQRBand(&report, rbPageFooter, 10);
        footer->AddLabel(0, 2, 100, 6, QStringLiteral("教務處"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        // 297 - 20 margins - 15 - 7 - 10 = 245 mm: 30 rows of 8 mm a page.
        QCOMPARE(report.PageCount(), 4);
        QCOMPARE(PdfPageCount(pdf), 4);
        const QStringList pages = Pages(pdf);
        QCOMPARE(pages.size(), 4);
        QStringList seen;
        for (int p = 0; p < 4; ++p) {
            const QString &page = pages[p];
            QCOMPARE(Occurrences(page, QStringLiteral("學生名冊")), 1);
            QCOMPARE(Occurrences(page, QStringLiteral("教務處")), 1);
            QCOMPARE(Occurrences(page, QStringLiteral("學號 姓名")), 1);
            QVERIFY2(page.contains(QStringLiteral("第 %1 頁 / 共 4 頁").arg(p + 1)),
                     qPrintable(page));
            for (const QString &line : Lines(page))
                if (line.startsWith(QLatin1Char('N')))
                    seen << line.section(QLatin1Char(' '), 0, 0);
            // The footer is the last line, the header the first.
            QVERIFY(Lines(page).first().startsWith(QStringLiteral("學生名冊")));
            QCOMPARE(Lines(page).last(), QStringLiteral("教務處"));
        }
        QCOMPARE(seen.size(), 100);
        QCOMPARE(seen.first(), QStringLiteral("N001"));
        QCOMPARE(seen.last(), QStringLiteral("N100"));
        QCOMPARE(seen.mid(29, 2), (QStringList{QStringLiteral("N030"), QStringLiteral("N031")}));
        QVERIFY(pages[1].contains(QStringLiteral("N031 學生31")));
        // The dataset is back on its record.
        QCOMPARE(ds->RecNo(), 1);
    }
};

QTEST_MAIN(TstReport)
#include "tst_report.moc"
