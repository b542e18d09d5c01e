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
std::unique_ptr<TClientDataSet> Students(QObject *owner = nullptr) {
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
std::unique_ptr<TClientDataSet> Absences(QObject *owner = nullptr) {
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

// The lines of a text that hold something, without their blanks (elements placed apart are
// read with blanks between them as pdftotext measures the gap).
QStringList Lines(const QString &text) {
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << QString(line).remove(QLatin1Char(' '));
    return lines;
}

// Expected lines, written with blanks for reading, compared without them.
QStringList Want(const QStringList &lines) {
    QStringList out;
    for (const QString &line : lines)
        out << QString(line).remove(QLatin1Char(' '));
    return out;
}

QString ErrorOf(const std::function<void()> &work) {
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
                    seen << line.left(4);
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

    // --- groups ---

    void groupsPrintFootersWithCountsAndSums() {
        auto ds = Students();
        TQuickRep report;
        report.SetDataSet(ds.get());
        auto *group = new TQRGroup(&report, QStringLiteral("AClassName"), 8);
        group->AddLabel(0, 1, 20, 6, QStringLiteral("班級："));
        group->AddDBText(20, 1, 30, 6, ds.get(), QStringLiteral("AClassName"));
        auto *detail = new TQRBand(&report, rbDetail, 7);
        detail->AddSysData(0, 0, 10, 6, qrsDetailNo);
        detail->AddDBText(10, 0, 30, 6, ds.get(), QStringLiteral("StudentID"));
        detail->AddDBText(40, 0, 30, 6, ds.get(), QStringLiteral("Cht_Name"));
        TQRBand *footer = group->AddFooterBand(8);
        footer->AddLabel(0, 1, 30, 6, QStringLiteral("學生合計："));
        footer->AddExpr(30, 1, 20, 6, qaCount)->SetDisplayFormat(QStringLiteral("0 人"));
        footer->AddLabel(60, 1, 15, 6, QStringLiteral("總分："));
        footer->AddExpr(75, 1, 20, 6, qaSum, QStringLiteral("Score"))
            ->SetDisplayFormat(QStringLiteral("0.0"));
        footer->AddLabel(100, 1, 15, 6, QStringLiteral("最高："));
        footer->AddExpr(115, 1, 20, 6, qaMax, QStringLiteral("Score"));
        auto *summary = new TQRBand(&report, rbSummary, 8);
        summary->AddLabel(0, 1, 30, 6, QStringLiteral("全部："));
        summary->AddExpr(30, 1, 20, 6, qaCount)->SetDisplayFormat(QStringLiteral("0 人"));
        summary->AddExpr(60, 1, 30, 6, qaAverage, QStringLiteral("Score"))
            ->SetDisplayFormat(QStringLiteral("平均 0.00"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        const QStringList lines = Lines(Squeezed(PdfLayoutText(pdf)));
        QCOMPARE(lines,
                 Want(QStringList{QStringLiteral("班級：101"), QStringLiteral("1 S001 王小明"),
                                  QStringLiteral("2 S002 李美華"), QStringLiteral("3 S003 陳大同"),
                                  QStringLiteral("學生合計：3 人 總分：171.5 最高：92.5"),
                                  QStringLiteral("班級：102"), QStringLiteral("4 S004 林志玲"),
                                  QStringLiteral("5 S005 張國榮"),
                                  QStringLiteral("學生合計：2 人 總分：135.5 最高：70"),
                                  QStringLiteral("全部：5 人 平均 61.40")}));
    }

    void groupsOfSeveralFieldsNestAndStartAgainWhenAnyChanges() {
        auto ds =
            MakeDataSet(QStringLiteral("Classes"),
                        {QStringLiteral("Unit"), QStringLiteral("Grade:i"), QStringLiteral("Name")},
                        {{"普通科", 1, "甲"},
                         {"普通科", 1, "乙"},
                         {"普通科", 2, "丙"},
                         {"商業科", 2, "丁"},
                         {"商業科", 2, "戊"}});
        TQuickRep report;
        report.SetDataSet(ds.get());
        auto *unit = new TQRGroup(&report, QStringLiteral("Unit"), 7);
        unit->AddDBText(0, 0, 40, 6, ds.get(), QStringLiteral("Unit"))->OnPrint =
            [](TQRCustomLabel *, QString &text) { text = QStringLiteral("科別 ") + text; };
        auto *both = new TQRGroup(&report, QStringLiteral("Unit+Grade"), 7);
        both->AddDBText(10, 0, 40, 6, ds.get(), QStringLiteral("Grade"))->OnPrint =
            [](TQRCustomLabel *, QString &text) { text = QStringLiteral("年級 ") + text; };
        auto *detail = new TQRBand(&report, rbDetail, 7);
        detail->AddDBText(20, 0, 40, 6, ds.get(), QStringLiteral("Name"));
        both->AddFooterBand(7)
            ->AddExpr(20, 0, 40, 6, qaCount)
            ->SetDisplayFormat(QStringLiteral("小計 0"));
        TQRBand *unitFooter = unit->AddFooterBand(7);
        unitFooter->AddExpr(0, 0, 40, 6, qaCount)->SetDisplayFormat(QStringLiteral("科計 0"));
        // Running count over the whole report beside each class.
        detail->AddExpr(60, 0, 20, 6, qaCount)->SetMaster(&report);
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(
            Lines(Squeezed(PdfLayoutText(pdf))),
            Want(QStringList{
                QStringLiteral("科別 普通科"), QStringLiteral("年級 1"), QStringLiteral("甲 1"),
                QStringLiteral("乙 2"), QStringLiteral("小計 2"), QStringLiteral("年級 2"),
                QStringLiteral("丙 3"), QStringLiteral("小計 1"), QStringLiteral("科計 3"),
                QStringLiteral("科別 商業科"), QStringLiteral("年級 2"), QStringLiteral("丁 4"),
                QStringLiteral("戊 5"), QStringLiteral("小計 2"), QStringLiteral("科計 2")}));
    }

    void aGroupPerStudentOnItsOwnPage() {
        auto ds = Students();
        TQuickRep report;
        report.SetDataSet(ds.get());
        auto *header = new TQRBand(&report, rbPageHeader, 10);
        header->AddSysData(0, 0, 80, 6, qrsPageNumber, QStringLiteral("第 %d 頁 / 共 %d 頁"));
        auto *envelope = new TQRGroup(&report, QStringLiteral("StudentID"), 40);
        envelope->SetForceNewPage(true);
        envelope->AddDBText(20, 10, 60, 8, ds.get(), QStringLiteral("Cht_Name"))->OnPrint =
            [](TQRCustomLabel *, QString &text) { text += QStringLiteral(" 家長 收"); };
        envelope->AddShape(10, 5, 100, 30, qrsRectangle);
        auto *letter = new TQRBand(&report, rbDetail, 10);
        letter->AddLabel(0, 0, 100, 6, QStringLiteral("查貴子弟"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(PdfPageCount(pdf), 5);
        const QStringList pages = Pages(pdf);
        const QStringList names{QStringLiteral("王小明"), QStringLiteral("李美華"),
                                QStringLiteral("陳大同"), QStringLiteral("林志玲"),
                                QStringLiteral("張國榮")};
        for (int p = 0; p < 5; ++p) {
            QVERIFY(pages[p].contains(names[p] + QStringLiteral(" 家長 收")));
            for (int other = 0; other < 5; ++other)
                if (other != p)
                    QVERIFY(!pages[p].contains(names[other]));
            QCOMPARE(Occurrences(pages[p], QStringLiteral("查貴子弟")), 1);
            QVERIFY(pages[p].contains(QStringLiteral("第 %1 頁 / 共 5 頁").arg(p + 1)));
        }
        // The envelope's window: one rectangle a page.
        int shapes = 0;
        for (const TQRDrawItem &item : report.Prepared()->PageItems(2))
            shapes += item.Kind == TQRDrawItem::ShapeItem;
        QCOMPARE(shapes, 1);
    }

    // --- master and detail ---

    void childDetailsFollowTheirMasterWithHeaderAndFooter() {
        auto students = Students();
        auto absences = Absences();
        TDataSource source;
        source.SetDataSet(students.get());
        absences->SetMasterSource(&source);
        absences->SetMasterFields(QStringLiteral("StudentID"));
        TQuickRep report;
        report.SetDataSet(students.get());
        auto *detail = new TQRBand(&report, rbDetail, 7);
        detail->AddDBText(0, 0, 30, 6, students.get(), QStringLiteral("StudentID"));
        detail->AddDBText(30, 0, 30, 6, students.get(), QStringLiteral("Cht_Name"));
        auto *rows = new TQRSubDetail(&report, absences.get(), 7);
        rows->AddDBText(10, 0, 30, 6, absences.get(), QStringLiteral("AbsenceDate"));
        rows->AddDBText(40, 0, 30, 6, absences.get(), QStringLiteral("CourseName"));
        rows->AddDBText(70, 0, 10, 6, absences.get(), QStringLiteral("SecAbsence"));
        TQRBand *heading = rows->AddHeaderBand(7);
        heading->AddLabel(10, 0, 30, 6, QStringLiteral("日期"));
        heading->AddLabel(40, 0, 30, 6, QStringLiteral("科目"));
        TQRBand *subtotal = rows->AddFooterBand(7);
        subtotal->AddLabel(10, 0, 30, 6, QStringLiteral("小計"));
        subtotal->AddExpr(70, 0, 10, 6, qaSum, QStringLiteral("SecAbsence"));
        TQRExpr *truancy = subtotal->AddExpr(90, 0, 30, 6, qaSum);
        truancy->ValueFunction = [&] {
            return absences->FieldByName(QStringLiteral("SecAbsence"))->AsFloat() -
                   absences->FieldByName(QStringLiteral("SecVAC"))->AsFloat();
        };
        truancy->OnPrint = [](TQRCustomLabel *, QString &text) {
            text = QStringLiteral("曠課:") + text;
        };
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        const QStringList lines = Lines(Squeezed(PdfLayoutText(pdf)));
        QCOMPARE(lines,
                 Want(QStringList{
                     QStringLiteral("S001 王小明"),       QStringLiteral("日期 科目"),
                     QStringLiteral("2024/03/04 國文 2"), QStringLiteral("2024/03/06 數學 3"),
                     QStringLiteral("2024/03/08 歷史 1"), QStringLiteral("小計 6 曠課:5"),
                     QStringLiteral("S002 李美華"),       QStringLiteral("日期 科目"),
                     QStringLiteral("小計 0 曠課:0"),     QStringLiteral("S003 陳大同"),
                     QStringLiteral("日期 科目"),         QStringLiteral("小計 0 曠課:0"),
                     QStringLiteral("S004 林志玲"),       QStringLiteral("日期 科目"),
                     QStringLiteral("2024/03/05 英文 1"), QStringLiteral("2024/03/09 地理 4"),
                     QStringLiteral("小計 5 曠課:2"),     QStringLiteral("S005 張國榮"),
                     QStringLiteral("日期 科目"),         QStringLiteral("小計 0 曠課:0")}));
        // Without rows nothing of the child detail prints.
        rows->SetPrintIfEmpty(false);
        report.ExportToPdf(pdf);
        const QString text = Squeezed(PdfLayoutText(pdf));
        QCOMPARE(Occurrences(text, QStringLiteral("日期 科目")), 2);
        QCOMPARE(Occurrences(text, QStringLiteral("小計")), 2);
        QVERIFY(text.contains(QStringLiteral("S002 李美華")));
    }

    void childDetailsNestAndGroupTheirOwnRecords() {
        // Master classes, their students, each student's absences; the students grouped by
        // seat parity inside each class, a class total over all its students' absences.
        auto classes = MakeDataSet(QStringLiteral("Classes"), {QStringLiteral("AClassName")},
                                   {{"101"}, {"102"}});
        auto students = Students();
        students->SetIndexFieldNames(QStringLiteral("AClassName;SeatNo"));
        auto absences = Absences();
        TDataSource classSource, studentSource;
        classSource.SetDataSet(classes.get());
        studentSource.SetDataSet(students.get());
        students->SetMasterSource(&classSource);
        students->SetMasterFields(QStringLiteral("AClassName"));
        absences->SetMasterSource(&studentSource);
        absences->SetMasterFields(QStringLiteral("StudentID"));
        TQuickRep report;
        report.SetDataSet(classes.get());
        auto *classBand = new TQRBand(&report, rbDetail, 7);
        classBand->AddDBText(0, 0, 30, 6, classes.get(), QStringLiteral("AClassName"));
        auto *studentBand = new TQRSubDetail(&report, students.get(), 7);
        studentBand->AddDBText(10, 0, 30, 6, students.get(), QStringLiteral("Cht_Name"));
        auto *absenceBand = new TQRSubDetail(&report, absences.get(), 7);
        absenceBand->SetMaster(studentBand);
        absenceBand->SetPrintIfEmpty(false);
        absenceBand->AddDBText(20, 0, 30, 6, absences.get(), QStringLiteral("CourseName"));
        TQRBand *classTotal = studentBand->AddFooterBand(7);
        TQRExpr *total = classTotal->AddExpr(0, 0, 60, 6, qaSum, QStringLiteral("SecAbsence"));
        total->SetMaster(absenceBand);
        total->SetDisplayFormat(QStringLiteral("班級缺課 0 節"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(Lines(Squeezed(PdfLayoutText(pdf))),
                 Want(QStringList{QStringLiteral("101"), QStringLiteral("王小明"),
                                  QStringLiteral("國文"), QStringLiteral("數學"),
                                  QStringLiteral("歷史"), QStringLiteral("李美華"),
                                  QStringLiteral("陳大同"), QStringLiteral("班級缺課 6 節"),
                                  QStringLiteral("102"), QStringLiteral("林志玲"),
                                  QStringLiteral("英文"), QStringLiteral("地理"),
                                  QStringLiteral("張國榮"), QStringLiteral("班級缺課 5 節")}));
    }

    void groupsInsideAChildDetail() {
        auto students = Students();
        auto absences = Absences();
        absences->Append();
        absences->FieldByName(QStringLiteral("StudentID"))->SetAsString(QStringLiteral("S001"));
        absences->FieldByName(QStringLiteral("AbsenceDate"))
            ->SetAsDateTime(TDateTime::FromDate(QDate(2024, 3, 11)));
        absences->FieldByName(QStringLiteral("CourseName"))->SetAsString(QStringLiteral("國文"));
        absences->FieldByName(QStringLiteral("SecAbsence"))->SetAsInteger(5);
        absences->Post();
        absences->SetIndexFieldNames(QStringLiteral("StudentID;CourseName;AbsenceDate"));
        TDataSource source;
        source.SetDataSet(students.get());
        absences->SetMasterSource(&source);
        absences->SetMasterFields(QStringLiteral("StudentID"));
        students->SetFilter(QStringLiteral("StudentID = 'S001' or StudentID = 'S004'"));
        students->SetFiltered(true);
        TQuickRep report;
        report.SetDataSet(students.get());
        (new TQRBand(&report, rbDetail, 7))
            ->AddDBText(0, 0, 30, 6, students.get(), QStringLiteral("Cht_Name"));
        auto *rows = new TQRSubDetail(&report, absences.get(), 7);
        rows->AddDBText(20, 0, 30, 6, absences.get(), QStringLiteral("AbsenceDate"));
        auto *course = new TQRGroup(&report, QStringLiteral("CourseName"), 7);
        course->SetMaster(rows);
        course->AddDBText(10, 0, 30, 6, absences.get(), QStringLiteral("CourseName"));
        course->AddFooterBand(7)
            ->AddExpr(10, 0, 40, 6, qaSum, QStringLiteral("SecAbsence"))
            ->SetDisplayFormat(QStringLiteral("科目小計 0"));
        TQRBand *frame = rows->AddFooterBand(7);
        frame->Frame().SetAll(true);
        frame->AddShape(0, 0, 10, 6, qrsCircle);
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(Lines(Squeezed(PdfLayoutText(pdf))),
                 Want(QStringList{QStringLiteral("王小明"), QStringLiteral("國文"),
                                  QStringLiteral("2024/03/04"), QStringLiteral("2024/03/11"),
                                  QStringLiteral("科目小計 7"), QStringLiteral("數學"),
                                  QStringLiteral("2024/03/06"), QStringLiteral("科目小計 3"),
                                  QStringLiteral("歷史"), QStringLiteral("2024/03/08"),
                                  QStringLiteral("科目小計 1"), QStringLiteral("林志玲"),
                                  QStringLiteral("地理"), QStringLiteral("2024/03/09"),
                                  QStringLiteral("科目小計 4"), QStringLiteral("英文"),
                                  QStringLiteral("2024/03/05"), QStringLiteral("科目小計 1")}));
        // Each child detail's footer: a circle and the band's frame of four lines.
        int lines = 0, circles = 0;
        for (const TQRDrawItem &item : report.Prepared()->PageItems(0)) {
            lines += item.Kind == TQRDrawItem::LineItem;
            circles +=
                item.Kind == TQRDrawItem::ShapeItem && item.ShapeKind == TQRShapeKind::Ellipse;
        }
        QCOMPARE(lines, 8);
        QCOMPARE(circles, 2);
    }

    // --- switching bands off, hooks ---

    void aDisabledDetailStillCountsItsRecords() {
        auto students = Students();
        auto absences = Absences();
        TDataSource source;
        source.SetDataSet(students.get());
        absences->SetMasterSource(&source);
        absences->SetMasterFields(QStringLiteral("StudentID"));
        TQuickRep report;
        report.SetDataSet(students.get());
        auto *detail = new TQRBand(&report, rbDetail, 7);
        detail->AddDBText(0, 0, 30, 6, students.get(), QStringLiteral("Cht_Name"));
        auto *rows = new TQRSubDetail(&report, absences.get(), 7);
        rows->AddDBText(10, 0, 30, 6, absences.get(), QStringLiteral("CourseName"));
        rows->SetEnabled(false);
        TQRBand *heading = rows->AddHeaderBand(7);
        heading->AddLabel(10, 0, 30, 6, QStringLiteral("日期 科目"));
        heading->SetEnabled(false);
        rows->AddFooterBand(7)
            ->AddExpr(10, 0, 30, 6, qaSum, QStringLiteral("SecAbsence"))
            ->SetDisplayFormat(QStringLiteral("小計 0"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        const QString text = Squeezed(PdfLayoutText(pdf));
        QVERIFY(!text.contains(QStringLiteral("國文")));
        QVERIFY(!text.contains(QStringLiteral("日期")));
        QCOMPARE(Lines(text),
                 Want(QStringList{QStringLiteral("王小明"), QStringLiteral("小計 6"),
                                  QStringLiteral("李美華"), QStringLiteral("小計 0"),
                                  QStringLiteral("陳大同"), QStringLiteral("小計 0"),
                                  QStringLiteral("林志玲"), QStringLiteral("小計 5"),
                                  QStringLiteral("張國榮"), QStringLiteral("小計 0")}));
        // A disabled band leaves its child band out too.
        auto *child = detail->AddChildBand(7);
        child->AddLabel(0, 0, 30, 6, QStringLiteral("附註"));
        report.ExportToPdf(pdf);
        QCOMPARE(Occurrences(PdfLayoutText(pdf), QStringLiteral("附註")), 5);
        detail->SetEnabled(false);
        report.ExportToPdf(pdf);
        QCOMPARE(Occurrences(PdfLayoutText(pdf), QStringLiteral("附註")), 0);
        QCOMPARE(Occurrences(PdfLayoutText(pdf), QStringLiteral("小計")), 5);
    }

    void beforePrintChangesTextsAndCancelsBands() {
        auto ds = Students();
        TQuickRep report;
        report.SetDataSet(ds.get());
        QString period;
        report.BeforePrint = [&](TQuickRep *, bool &) {
            period = QStringLiteral("於 2024/03/01 至 2024/03/31 期間缺課節數記錄如下：");
        };
        auto *title = new TQRBand(&report, rbTitle, 8);
        TQRLabel *periodLabel = title->AddLabel(0, 0, 190, 6, QString());
        title->BeforePrint = [&](TQRBand *, bool &) { periodLabel->SetCaption(period); };
        auto *detail = new TQRBand(&report, rbDetail, 14);
        TQRMemo *info = detail->AddMemo(0, 0, 190, 6);
        TQRDBText *score = detail->AddDBText(0, 7, 30, 6, ds.get(), QStringLiteral("Score"));
        score->OnPrint = [](TQRCustomLabel *, QString &text) {
            if (text.toDouble() < 0)
                text.clear();
        };
        QList<int> pages;
        detail->BeforePrint = [&](TQRBand *, bool &printBand) {
            // The third student's band is left out.
            if (ds->FieldByName(QStringLiteral("StudentID"))->AsString() == QLatin1String("S003")) {
                printBand = false;
                return;
            }
            info->Lines().Clear();
            info->Lines().Add(QStringLiteral("查貴子弟") +
                              QStringLiteral("學號:%1 - %2")
                                  .arg(ds->FieldByName(QStringLiteral("StudentID"))->AsString(),
                                       ds->FieldByName(QStringLiteral("Cht_Name"))->AsString()));
            pages << report.PageNumber();
        };
        QStringList after;
        detail->AfterPrint = [&](TQRBand *, bool printed) {
            after << QStringLiteral("%1:%2").arg(report.RecordNumber()).arg(printed);
        };
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        const QStringList lines = Lines(Squeezed(PdfLayoutText(pdf)));
        QCOMPARE(lines, Want(QStringList{
                            QStringLiteral("於 2024/03/01 至 2024/03/31 期間缺課節數記錄如下："),
                            QStringLiteral("查貴子弟學號:S001 - 王小明"), QStringLiteral("80"),
                            QStringLiteral("查貴子弟學號:S002 - 李美華"), QStringLiteral("92.5"),
                            QStringLiteral("查貴子弟學號:S004 - 林志玲"), QStringLiteral("70"),
                            QStringLiteral("查貴子弟學號:S005 - 張國榮"), QStringLiteral("65.5")}));
        QCOMPARE(after,
                 (QStringList{QStringLiteral("1:1"), QStringLiteral("2:1"), QStringLiteral("3:0"),
                              QStringLiteral("4:1"), QStringLiteral("5:1")}));
        QCOMPARE(pages, (QList<int>{1, 1, 1, 1}));
        QCOMPARE(score->LastText(), QStringLiteral("65.5"));
        // The report's own hook can stop the run: no pages.
        report.BeforePrint = [](TQuickRep *, bool &printReport) { printReport = false; };
        QCOMPARE(report.Prepare()->PageCount(), 0);
        QVERIFY_THROWS_EXCEPTION(EReportEmpty, report.ExportToPdf(pdf));
    }

    void zeroAndNegativeValuesPrintEmptyThroughHooks() {
        auto ds =
            MakeDataSet(QStringLiteral("Weekly"),
                        {QStringLiteral("Day"), QStringLiteral("Abs:i"), QStringLiteral("VAC")},
                        {{"一", 0, "*"}, {"二", 2, "A"}, {"三", 0, "B"}});
        TQuickRep report;
        report.SetDataSet(ds.get());
        auto *detail = new TQRBand(&report, rbDetail, 7);
        detail->AddDBText(0, 0, 10, 6, ds.get(), QStringLiteral("Day"));
        detail->AddDBText(20, 0, 10, 6, ds.get(), QStringLiteral("Abs"))->OnPrint =
            [](TQRCustomLabel *, QString &text) {
                if (text == QLatin1String("0"))
                    text.clear();
            };
        TField *vac = ds->FieldByName(QStringLiteral("VAC"));
        vac->OnGetText = [](TField *field, QString &text, bool) {
            const QString code = field->AsString();
            text = code == QLatin1String("*")   ? QString()
                   : code == QLatin1String("A") ? QStringLiteral("事假")
                                                : QStringLiteral("病假");
        };
        detail->AddDBText(40, 0, 20, 6, ds.get(), QStringLiteral("VAC"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(Lines(Squeezed(PdfLayoutText(pdf))),
                 Want(QStringList{QStringLiteral("一"), QStringLiteral("二 2 事假"),
                                  QStringLiteral("三 病假")}));
    }

    // --- display formats and look-ups ---

    void dataTextsShowDisplayFormatsAndLookups() {
        auto codes = MakeDataSet(QStringLiteral("Codes"),
                                 {QStringLiteral("Code"), QStringLiteral("Descript")},
                                 {{"1", "普通科"}, {"2", "商業科"}});
        auto ds = MakeDataSet(
            QStringLiteral("Rows"),
            {QStringLiteral("Unit_ID"), QStringLiteral("Amount:f"), QStringLiteral("Day:d")},
            {{"1", 1234.5, QDate(2024, 5, 2)}, {"2", 0.25, QDate(2023, 12, 31)}});
        ds->FieldByName(QStringLiteral("Amount"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
        ds->FieldByName(QStringLiteral("Day"))->SetDisplayFormat(QStringLiteral("yyyy年m月d日"));
        ds->FieldByName(QStringLiteral("Unit_ID"))->OnGetText = [&](TField *f, QString &text,
                                                                    bool) {
            const Variant v = codes->Lookup(QStringLiteral("Code"), Variant(f->AsString()),
                                            QStringLiteral("Descript"));
            text = v.IsNull() ? f->AsString() : v.ToString();
        };
        TQuickRep report;
        report.SetDataSet(ds.get());
        auto *detail = new TQRBand(&report, rbDetail, 7);
        detail->AddDBText(0, 0, 30, 6, ds.get(), QStringLiteral("Unit_ID"));
        detail->AddDBText(30, 0, 30, 6, ds.get(), QStringLiteral("Amount"))
            ->SetAlignment(taRightJustify);
        detail->AddDBText(70, 0, 50, 6, ds.get(), QStringLiteral("Day"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(Lines(Squeezed(PdfLayoutText(pdf))),
                 Want(QStringList{QStringLiteral("普通科 1,234.50 2024年5月2日"),
                                  QStringLiteral("商業科 0.25 2023年12月31日")}));
        // Right-aligned: both amounts end at the element's right side.
        const std::vector<TQRDrawItem> items = report.Prepared()->PageItems(0);
        QCOMPARE(items.size(), size_t(6));
        QVERIFY(items[1].Position.x() < items[4].Position.x());
    }

    // --- memos ---

    void memosWrapAndStretchTheirBand() {
        const QString remark = QStringLiteral(
            "依據教育部學生德育成績考查辦法，曠課達四十五小時予以退學，請家長注意貴子弟之學習，"
            "並於通知書回條簽名後交由貴子弟攜回學校，送交學生事務處。Parents are asked to "
            "sign the reply form.");
        TQuickRep report;
        auto *band = new TQRBand(&report, rbDetail, 10);
        TQRMemo *memo = band->AddMemo(0, 0, 60, 6);
        memo->Lines().Add(remark);
        memo->Lines().Add(QStringLiteral("第二段"));
        memo->SetAutoStretch(true);
        memo->Frame().SetAll(true);
        auto *after = new TQRBand(&report, rbSummary, 8);
        after->AddLabel(0, 0, 40, 6, QStringLiteral("教師簽章："));
        auto prepared = report.Prepare();
        const std::vector<TQRDrawItem> items = prepared->PageItems(0);
        QStringList texts;
        double lastBaseline = 0;
        for (const TQRDrawItem &item : items)
            if (item.Kind == TQRDrawItem::TextItem && item.Text != QStringLiteral("教師簽章：")) {
                texts << item.Text;
                QVERIFY(item.Position.y() > lastBaseline);
                lastBaseline = item.Position.y();
                QVERIFY(!item.Clipped);
            }
        QVERIFY2(texts.size() >= 6, qPrintable(texts.join(QLatin1Char('|'))));
        QCOMPARE(texts.join(QString()).remove(QLatin1Char(' ')),
                 QString(remark + QStringLiteral("第二段")).remove(QLatin1Char(' ')));
        QCOMPARE(texts.last(), QStringLiteral("第二段"));
        // The band grew: the summary comes below the last line, the frame around all lines.
        double signature = 0, frameBottom = 0;
        for (const TQRDrawItem &item : items) {
            if (item.Text == QStringLiteral("教師簽章："))
                signature = item.Position.y();
            if (item.Kind == TQRDrawItem::LineItem)
                frameBottom = std::max({frameBottom, item.Position.y(), item.End.y()});
        }
        QVERIFY(signature > lastBaseline + 2);
        QVERIFY(frameBottom > lastBaseline);
        QVERIFY(band->PrintedHeight() > 10);
        // The band kept the 4 mm it had under the memo.
        QVERIFY(qAbs(frameBottom - 10 + 4 - band->PrintedHeight()) < 0.01);
        // Without stretching only the lines that fit show.
        memo->SetAutoStretch(false);
        memo->SetHeight(12);
        prepared = report.Prepare();
        int shown = 0;
        for (const TQRDrawItem &item : prepared->PageItems(0))
            shown +=
                item.Kind == TQRDrawItem::TextItem && item.Text != QStringLiteral("教師簽章：");
        QVERIFY2(shown >= 1 && shown <= 3, qPrintable(QString::number(shown)));
        QCOMPARE(band->PrintedHeight(), 10.0);
        // The PDF has the words.
        memo->SetAutoStretch(true);
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QVERIFY(Squeezed(PdfLayoutText(pdf)).contains(QStringLiteral("第二段")));
    }

    void aLongLabelIsCutAtItsSides() {
        TQuickRep report;
        auto *band = new TQRBand(&report, rbDetail, 10);
        band->AddLabel(0, 0, 10, 6, QStringLiteral("這是一段很長很長的文字"));
        const std::vector<TQRDrawItem> items = report.Prepare()->PageItems(0);
        QCOMPARE(items.size(), size_t(1));
        QVERIFY(items[0].Clipped);
        QCOMPARE(items[0].Rect.width(), 10.0);
    }

    // --- empty data, pages ---

    void anEmptyDatasetPrintsTitleAndSummary() {
        auto ds = MakeDataSet(QStringLiteral("Empty"), {QStringLiteral("Name")}, {});
        TQuickRep report;
        report.SetDataSet(ds.get());
        new TQRBand(&report, rbTitle, 8);
        report.Bands().first()->AddLabel(0, 0, 60, 6, QStringLiteral("學生名冊"));
        auto *group = new TQRGroup(&report, QStringLiteral("Name"), 8);
        group->AddLabel(0, 0, 60, 6, QStringLiteral("群組"));
        group->AddFooterBand(8)->AddLabel(0, 0, 60, 6, QStringLiteral("群組尾"));
        auto *detail = new TQRBand(&report, rbDetail, 8);
        detail->AddDBText(0, 0, 60, 6, ds.get(), QStringLiteral("Name"));
        detail->AddLabel(60, 0, 60, 6, QStringLiteral("明細"));
        auto *summary = new TQRBand(&report, rbSummary, 8);
        summary->AddExpr(0, 0, 60, 6, qaCount)->SetDisplayFormat(QStringLiteral("共 0 人"));
        summary->AddExpr(60, 0, 60, 6, qaMax, QStringLiteral("Name"))->OnPrint =
            [](TQRCustomLabel *, QString &text) {
                text = QLatin1Char('[') + text + QLatin1Char(']');
            };
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        QCOMPARE(PdfPageCount(pdf), 1);
        QCOMPARE(Lines(Squeezed(PdfLayoutText(pdf))),
                 Want(QStringList{QStringLiteral("學生名冊"), QStringLiteral("共 0 人 []")}));
        // Without PrintIfEmpty there are no pages; saving them says so.
        report.SetPrintIfEmpty(false);
        QCOMPARE(report.Prepare()->PageCount(), 0);
        const QString none = NewPdf();
        QVERIFY_THROWS_EXCEPTION(EReportEmpty, report.ExportToPdf(none));
        QVERIFY(!QFile::exists(none));
        // A closed dataset counts as empty.
        report.SetPrintIfEmpty(true);
        ds->Close();
        report.ExportToPdf(pdf);
        QCOMPARE(Lines(Squeezed(PdfLayoutText(pdf))),
                 Want(QStringList{QStringLiteral("學生名冊"), QStringLiteral("共 0 人 []")}));
    }

    void withoutADatasetTheDetailPrintsOnceOrAsOftenAsAsked() {
        TQuickRep report;
        auto *detail = new TQRBand(&report, rbDetail, 8);
        detail->AddSysData(0, 0, 60, 6, qrsDetailNo, QStringLiteral("第 %d 筆"));
        report.ExportToPdf(NewPdf());
        QCOMPARE(report.Prepared()->PageTexts(0), QStringList{QStringLiteral("第 1 筆")});
        int left = 3;
        report.OnNeedData = [&](TQuickRep *, bool &more) { more = left-- > 0; };
        QCOMPARE(report.Prepare()->PageTexts(0),
                 (QStringList{QStringLiteral("第 1 筆"), QStringLiteral("第 2 筆"),
                              QStringLiteral("第 3 筆")}));
    }

    void firstHeaderAndLastFooterCanBeLeftOut() {
        QList<QVariantList> rows;
        for (int i = 1; i <= 70; ++i)
            rows << QVariantList{QStringLiteral("列%1").arg(i)};
        auto ds = MakeDataSet(QStringLiteral("Rows"), {QStringLiteral("Name")}, rows);
        TQuickRep report;
        report.SetDataSet(ds.get());
        (new TQRBand(&report, rbPageHeader, 10))->AddLabel(0, 0, 60, 6, QStringLiteral("頁首"));
        (new TQRBand(&report, rbPageFooter, 10))->AddLabel(0, 0, 60, 6, QStringLiteral("頁尾"));
        (new TQRBand(&report, rbDetail, 10))
            ->AddDBText(0, 0, 60, 6, ds.get(), QStringLiteral("Name"));
        report.SetFirstPageHeader(false);
        report.SetLastPageFooter(false);
        report.Page().Orientation = QPageLayout::Landscape;
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        // Landscape A4: 210 - 20 - 10 - 10 = 170 mm a page, 17 rows.
        QCOMPARE(PdfPageCount(pdf), 5);
        const QStringList pages = Pages(pdf);
        QVERIFY(!pages[0].contains(QStringLiteral("頁首")));
        QVERIFY(pages[0].contains(QStringLiteral("頁尾")));
        QVERIFY(pages[4].contains(QStringLiteral("頁首")));
        QVERIFY(!pages[4].contains(QStringLiteral("頁尾")));
        QVERIFY(pages[4].contains(QStringLiteral("列70")));
        QVERIFY(
            RunTool(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("842 x 595")) ||
            RunTool(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("841.89 x 595.276")));
    }

    void headersOfChildDetailsPrintAgainOnTheNextPage() {
        QList<QVariantList> rows;
        for (int i = 1; i <= 40; ++i)
            rows << QVariantList{"S001", QDate(2024, 3, 1).addDays(i),
                                 QStringLiteral("課%1").arg(i), 1, 0};
        auto students = Students();
        auto absences = MakeDataSet(QStringLiteral("Absences"),
                                    {QStringLiteral("StudentID"), QStringLiteral("AbsenceDate:d"),
                                     QStringLiteral("CourseName"), QStringLiteral("SecAbsence:i"),
                                     QStringLiteral("SecVAC:i")},
                                    rows);
        absences->SetIndexFieldNames(QStringLiteral("StudentID"));
        TDataSource source;
        source.SetDataSet(students.get());
        absences->SetMasterSource(&source);
        absences->SetMasterFields(QStringLiteral("StudentID"));
        students->SetFilter(QStringLiteral("StudentID = 'S001'"));
        students->SetFiltered(true);
        TQuickRep report;
        report.SetDataSet(students.get());
        (new TQRBand(&report, rbDetail, 10))
            ->AddDBText(0, 0, 60, 6, students.get(), QStringLiteral("Cht_Name"));
        auto *sub = new TQRSubDetail(&report, absences.get(), 10);
        sub->AddDBText(0, 0, 60, 6, absences.get(), QStringLiteral("CourseName"));
        sub->AddHeaderBand(10)->AddLabel(0, 0, 60, 6, QStringLiteral("日期 科目"));
        sub->SetReprintHeaderOnNewPage(true);
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        const QStringList pages = Pages(pdf);
        QCOMPARE(pages.size(), 2);
        QCOMPARE(Occurrences(pages[0], QStringLiteral("日期 科目")), 1);
        QCOMPARE(Occurrences(pages[1], QStringLiteral("日期 科目")), 1);
        QCOMPARE(Lines(pages[1]).first(), QStringLiteral("日期科目"));
        QVERIFY(pages[1].contains(QStringLiteral("課40")));
        sub->SetReprintHeaderOnNewPage(false);
        report.ExportToPdf(pdf);
        QCOMPARE(Occurrences(Pages(pdf)[1], QStringLiteral("日期 科目")), 0);
    }

    void groupHeadersPrintAgainOnTheNextPageAndPageHooksRun() {
        QList<QVariantList> rows;
        for (int i = 1; i <= 45; ++i)
            rows << QVariantList{i <= 40 ? "101" : "102", QStringLiteral("學生%1").arg(i)};
        auto ds = MakeDataSet(QStringLiteral("Roll"),
                              {QStringLiteral("AClassName"), QStringLiteral("Name")}, rows);
        TQuickRep report;
        report.SetDataSet(ds.get());
        auto *group = new TQRGroup(&report, QString(), 10);
        // The class by a function of the record (here: the same field).
        group->GroupValue = [](TDataSet *data, int position) {
            return data->ValueAt(position, data->FieldByName(QStringLiteral("AClassName")));
        };
        group->SetReprintOnNewPage(true);
        group->AddDBText(0, 0, 60, 6, ds.get(), QStringLiteral("AClassName"))->OnPrint =
            [](TQRCustomLabel *, QString &text) { text = QStringLiteral("班級 ") + text; };
        (new TQRBand(&report, rbDetail, 7))
            ->AddDBText(0, 0, 60, 6, ds.get(), QStringLiteral("Name"));
        QList<int> started, ended;
        report.OnStartPage = [&](TQuickRep *, int page) { started << page; };
        report.OnEndPage = [&](TQuickRep *, int page) { ended << page; };
        QList<int> progress;
        report.OnProgress = [&](TQuickRep *, int record, int count) {
            QCOMPARE(count, 45);
            progress << record;
        };
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        const QStringList pages = Pages(pdf);
        QCOMPARE(pages.size(), 2); // 277 mm: the header and 38 rows, then the rest
        QCOMPARE(Lines(pages[0]).first(), QStringLiteral("班級101"));
        QCOMPARE(Lines(pages[1]).first(), QStringLiteral("班級101"));
        QCOMPARE(Occurrences(pages[1], QStringLiteral("班級 102")), 1);
        QCOMPARE(started, (QList<int>{1, 2}));
        QCOMPARE(ended, (QList<int>{1, 2}));
        QCOMPARE(progress.size(), 45);
        QCOMPARE(progress.last(), 45);
        // The progress hook stops the run; the dataset comes back to its record.
        ds->SetRecNo(7);
        report.OnProgress = [](TQuickRep *, int record, int) {
            if (record == 10)
                Abort();
        };
        QVERIFY_THROWS_EXCEPTION(EAbort, report.Prepare());
        QCOMPARE(ds->RecNo(), 7);
        QVERIFY(!report.Printing());
        QCOMPARE(report.Prepared(), nullptr);
    }

    void bandsAndLinksAreCheckedWhenMade() {
        TQuickRep report;
        auto *group = new TQRGroup(&report, QStringLiteral("X"), 8);
        auto *detail = new TQRBand(&report, rbDetail, 8);
        QVERIFY_THROWS_EXCEPTION(EReportError, group->SetFooterBand(detail));
        auto *sub = new TQRSubDetail(&report, nullptr, 8);
        QVERIFY_THROWS_EXCEPTION(EReportError, sub->SetHeaderBand(group));
        QVERIFY_THROWS_EXCEPTION(EReportError, sub->SetMaster(sub));
        QVERIFY_THROWS_EXCEPTION(EReportError,
                                 detail->AddExpr(0, 0, 1, 1, qaSum)->SetMaster(detail));
        TQuickRep other;
        QVERIFY_THROWS_EXCEPTION(EReportError,
                                 group->SetFooterBand(new TQRBand(&other, rbGroupFooter)));
        // A band that goes takes itself out of the links and lists.
        TQRBand *footer = group->AddFooterBand(8);
        delete footer;
        QCOMPARE(group->FooterBand(), nullptr);
        TQRChildBand *child = detail->AddChildBand(5);
        QCOMPARE(detail->ChildBands().size(), 1);
        delete child;
        QCOMPARE(detail->ChildBands().size(), 0);
        // Without a dataset a group has nothing to group.
        QVERIFY(ErrorOf([&] { report.Prepare(); }).contains(QStringLiteral("without a dataset")));
        QCOMPARE(report.FindElement(QStringLiteral("none")), nullptr);
        TQRLabel *label = detail->AddLabel(0, 0, 10, 5, QStringLiteral("a"));
        label->SetName(QStringLiteral("lbCompany"));
        QCOMPARE(report.FindElement(QStringLiteral("LBCOMPANY")), label);
        // A dataset that goes is let go of.
        auto ds = Students();
        TQRDBText *text = detail->AddDBText(0, 0, 10, 5, ds.get(), QStringLiteral("Cht_Name"));
        sub->SetDataSet(ds.get());
        report.SetDataSet(ds.get());
        ds.reset();
        QCOMPARE(text->DataSet(), nullptr);
        QCOMPARE(sub->DataSet(), nullptr);
        QCOMPARE(report.DataSet(), nullptr);
    }

    // --- bad input ---

    void aBandTallerThanThePageIsRefused() {
        TQuickRep report;
        auto *band = new TQRBand(&report, rbDetail, 300);
        band->SetName(QStringLiteral("BigBand"));
        const QString error = ErrorOf([&] { report.Prepare(); });
        QVERIFY2(error.contains(QStringLiteral("BigBand")) &&
                     error.contains(QStringLiteral("300")) && error.contains(QStringLiteral("277")),
                 qPrintable(error));
        band->SetHeight(10);
        report.Page().TopMargin = 150;
        report.Page().BottomMargin = 150;
        QVERIFY(ErrorOf([&] { report.Prepare(); }).contains(QStringLiteral("margins")));
        report.Page().TopMargin = report.Page().BottomMargin = 10;
        (new TQRBand(&report, rbPageHeader, 150));
        (new TQRBand(&report, rbPageFooter, 130));
        QVERIFY(ErrorOf([&] { report.Prepare(); }).contains(QStringLiteral("page headers")));
    }

    void aMemoLongerThanAPageIsCutAndTheRunEnds() {
        TQuickRep report;
        (new TQRBand(&report, rbPageHeader, 10))->AddLabel(0, 0, 60, 6, QStringLiteral("頁首"));
        auto *band = new TQRBand(&report, rbDetail, 10);
        TQRMemo *memo = band->AddMemo(0, 0, 100, 6);
        memo->SetAutoStretch(true);
        for (int i = 1; i <= 200; ++i)
            memo->Lines().Add(QStringLiteral("第%1行").arg(i));
        auto *after = new TQRBand(&report, rbSummary, 8);
        after->AddLabel(0, 0, 60, 6, QStringLiteral("結尾"));
        (new TQRBand(&report, rbDetail, 10))->AddLabel(0, 0, 60, 6, QStringLiteral("前"));
        report.Bands().last()->SetName(QStringLiteral("Before"));
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        const QStringList pages = Pages(pdf);
        QCOMPARE(PdfPageCount(pdf), 2);
        // The memo, first on its page, is cut at the page's end; the rest goes on.
        QVERIFY(pages[0].contains(QStringLiteral("第1行")));
        QVERIFY(!pages[0].contains(QStringLiteral("第200行")));
        QVERIFY(pages[1].contains(QStringLiteral("前")));
        QVERIFY(pages[1].contains(QStringLiteral("結尾")));
        QVERIFY(pages[1].contains(QStringLiteral("頁首")));
        for (const TQRDrawItem &item : report.Prepared()->PageItems(0))
            QVERIFY(item.Position.y() <= 287.01);
    }

    void aDataTextWithoutItsFieldIsRefused() {
        auto ds = Students();
        TQuickRep report;
        report.SetDataSet(ds.get());
        TQRDBText *text = (new TQRBand(&report, rbDetail, 8))
                              ->AddDBText(0, 0, 30, 6, ds.get(), QStringLiteral("NoSuch"));
        text->SetName(QStringLiteral("dbtNoSuch"));
        const QString error = ErrorOf([&] { report.Prepare(); });
        QVERIFY2(error.contains(QStringLiteral("dbtNoSuch")) &&
                     error.contains(QStringLiteral("NoSuch")),
                 qPrintable(error));
        text->SetEnabled(false);
        QCOMPARE(report.Prepare()->PageCount(), 1);
        auto *group = new TQRGroup(&report, QStringLiteral("Missing"), 8);
        Q_UNUSED(group);
        QVERIFY(ErrorOf([&] { report.Prepare(); }).contains(QStringLiteral("Missing")));
    }

    // --- output ---

    void systemDataOfTheRun() {
        TFixedClock clock(QDate(2024, 5, 2), QTime(14, 5, 9));
        TQuickRep report;
        report.SetReportTitle(QStringLiteral("班級資訊"));
        auto *band = new TQRBand(&report, rbTitle, 40);
        band->AddSysData(0, 0, 80, 6, qrsDate, QStringLiteral("列印日期："));
        band->AddSysData(0, 7, 80, 6, qrsTime);
        band->AddSysData(0, 14, 80, 6, qrsDateTime, QStringLiteral("[%s]"));
        TQRSysData *roc = band->AddSysData(0, 21, 80, 6, qrsDate, QStringLiteral("民國 "));
        roc->SetRocCalendar(true);
        band->AddSysData(0, 28, 80, 6, qrsPageCount, QStringLiteral("共 %d 頁"));
        QCOMPARE(report.Prepare()->PageTexts(0),
                 (QStringList{QStringLiteral("列印日期：2024/05/02"), QStringLiteral("14:05:09"),
                              QStringLiteral("[2024/05/02 14:05:09]"),
                              QStringLiteral("民國 113/05/02"), QStringLiteral("共 1 頁")}));
        QCOMPARE(report.PrintDateTime().ToQDateTime(),
                 QDateTime(QDate(2024, 5, 2), QTime(14, 5, 9)));
    }

    void largeRunsKeepTheirPagesInAFileAndPrintAnyPages() {
        QList<QVariantList> rows;
        for (int i = 1; i <= 3000; ++i)
            rows << QVariantList{QStringLiteral("學生%1").arg(i),
                                 QStringLiteral("臺北市中正區重慶南路一段%1號").arg(i)};
        auto ds = MakeDataSet(QStringLiteral("Many"),
                              {QStringLiteral("Name"), QStringLiteral("Address")}, rows);
        TQuickRep report;
        report.SetDataSet(ds.get());
        (new TQRBand(&report, rbPageHeader, 10))
            ->AddSysData(0, 0, 80, 6, qrsPageNumber, QStringLiteral("第 %d 頁 / 共 %d 頁"));
        auto *detail = new TQRBand(&report, rbDetail, 7);
        detail->AddDBText(0, 0, 40, 6, ds.get(), QStringLiteral("Name"));
        detail->AddDBText(40, 0, 140, 6, ds.get(), QStringLiteral("Address"));
        auto prepared = report.Prepare();
        QCOMPARE(prepared->PageCount(), 3000 / 38 + 1); // 267 mm: 38 rows a page
        QVERIFY(prepared->Spilled());
        QCOMPARE(prepared->PageTexts(prepared->PageCount() - 1).first(),
                 QStringLiteral("第 79 頁 / 共 79 頁"));
        QCOMPARE(prepared->PageTexts(78).last(), QStringLiteral("臺北市中正區重慶南路一段3000號"));
        // Pages 2 and 79 alone, painted on a PDF writer.
        const QString pdf = NewPdf();
        {
            QPdfWriter writer(pdf);
            prepared->Print(writer, {1, 78});
        }
        const QStringList pages = Pages(pdf);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(QStringLiteral("第 2 頁 / 共 79 頁")));
        QVERIFY(pages[0].contains(QStringLiteral("學生39 ")));
        QVERIFY(pages[1].contains(QStringLiteral("學生3000 ")));
    }

    void aPageRendersAsAPicture() {
        TQuickRep report;
        auto *band = new TQRBand(&report, rbTitle, 30);
        band->AddShape(0, 0, 190, 20, qrsRectangle)->SetBrushColor(Qt::black);
        band->AddLabel(0, 22, 100, 6, QStringLiteral("標題"));
        const QImage image = report.Prepare()->RenderPage(0, 50);
        QCOMPARE(image.width(), qCeil(210 / 25.4 * 50));
        // The black box from 10 mm to 200 mm across, 10 mm to 30 mm down.
        const auto at = [&](double x, double y) {
            return qGray(image.pixel(qRound(x / 25.4 * 50), qRound(y / 25.4 * 50)));
        };
        QVERIFY(at(100, 20) < 50);
        QVERIFY(at(5, 20) > 200);
        QVERIFY(at(100, 50) > 200);
    }
};

QTEST_MAIN(TstReport)
#include "tst_report.moc"
