// The report windows: the preview window driven through its actions (pages, zoom, print through
// the print dialog, save as PDF through a file dialog, close), the reports' own Preview and
// Print, printing ranges of pages. Printers print into PDF files, read back with poppler.

#include "ModalAnswer.h"
#include "QRPreviewForm.h"
#include "QuickReport.h"
#include "ReportTestSupport.h"
#include "ReportUi.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPageRanges>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QAction *Action(QWidget *form, const char *name) {
    return form->findChild<QAction *>(QLatin1String(name));
}

QString Indicator(QWidget *form) {
    return form->findChild<QLabel *>(QStringLiteral("lblPage"))->text();
}

// The preview windows that are up.
QList<TQRPreviewForm *> Previews() {
    QList<TQRPreviewForm *> forms;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<TQRPreviewForm *>(w); f && f->isVisible())
            forms << f;
    return forms;
}

// A roll of 100 students over four pages, each page headed "學生名冊" and numbered.
struct TRoll {
    std::unique_ptr<TClientDataSet> Data;
    TQuickRep Report;
    TRoll() {
        QList<QVariantList> rows;
        for (int i = 1; i <= 100; ++i)
            rows << QVariantList{QStringLiteral("N%1").arg(i, 3, 10, QLatin1Char('0')),
                                 QStringLiteral("學生%1").arg(i)};
        Data = MakeDataSet(QStringLiteral("Roll"), {QStringLiteral("No"), QStringLiteral("Name")},
                           rows);
        Report.SetReportTitle(QStringLiteral("學生名冊"));
        Report.SetDataSet(Data.get());
        auto *header = new TQRBand(&Report, rbPageHeader, 15);
        header->AddSysData(0, 0, 100, 6, qrsReportTitle);
        header->AddSysData(120, 0, 70, 6, qrsPageNumber, QStringLiteral("第 %d 頁 / 共 %d 頁"))
            ->SetAlignment(taRightJustify);
        auto *detail = new TQRBand(&Report, rbDetail, 8);
        detail->AddDBText(0, 1, 30, 6, Data.get(), QStringLiteral("No"));
        detail->AddDBText(40, 1, 60, 6, Data.get(), QStringLiteral("Name"));
        // Page 4 only: a grey box, so that pictures of pages differ.
        auto *summary = new TQRBand(&Report, rbSummary, 40);
        summary->AddShape(0, 0, 190, 38, qrsRectangle)->SetBrushColor(Qt::gray);
    }
};

} // namespace

class TstReportPreview : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    int FFiles = 0;
    QString NewPdf() { return FDir.filePath(QStringLiteral("p%1.pdf").arg(++FFiles)); }

private Q_SLOTS:
    void cleanup() {
        for (TQRPreviewForm *form : Previews())
            delete form;
        SetReportPrinterOutputFile({});
    }

    void theWindowShowsPagesAndGoesFromPageToPage() {
        TRoll roll;
        QPointer<TQRPreviewForm> form = PreviewReport(roll.Report);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QCOMPARE(form->windowTitle(), QStringLiteral("預覽列印 - 學生名冊"));
        QCOMPARE(form->PageCount(), 4);
        QCOMPARE(Indicator(form), QStringLiteral("第 1 頁／共 4 頁"));
        QVERIFY(!Action(form, "actFirst")->isEnabled());
        QVERIFY(!Action(form, "actPrior")->isEnabled());
        QVERIFY(Action(form, "actNext")->isEnabled());
        const QImage first = form->PageImage();
        QVERIFY(!first.isNull());
        // ORV7_KEEP_REPORTS=1 keeps a picture of the window for a look.
        if (qEnvironmentVariableIsSet("ORV7_KEEP_REPORTS"))
            form->grab().save(QDir::temp().filePath(QStringLiteral("report-preview.png")));

        Action(form, "actLast")->trigger();
        QCOMPARE(form->CurrentPage(), 3);
        QCOMPARE(Indicator(form), QStringLiteral("第 4 頁／共 4 頁"));
        QVERIFY(!Action(form, "actNext")->isEnabled());
        QVERIFY(!Action(form, "actLast")->isEnabled());
        QVERIFY(Action(form, "actFirst")->isEnabled());
        QVERIFY(form->PageImage() != first);
        Action(form, "actPrior")->trigger();
        QCOMPARE(Indicator(form), QStringLiteral("第 3 頁／共 4 頁"));
        Action(form, "actFirst")->trigger();
        QCOMPARE(Indicator(form), QStringLiteral("第 1 頁／共 4 頁"));
        Action(form, "actNext")->trigger();
        QCOMPARE(form->CurrentPage(), 1);
        QCOMPARE(Indicator(form), QStringLiteral("第 2 頁／共 4 頁"));
        // Page Down and End move too.
        QTest::keyClick(form, Qt::Key_PageDown);
        QCOMPARE(form->CurrentPage(), 2);
        QTest::keyClick(form, Qt::Key_Home);
        QCOMPARE(form->CurrentPage(), 0);

        Action(form, "actClose")->trigger();
        QTRY_VERIFY(form.isNull());
    }

    void zoomInOutAndFit() {
        TRoll roll;
        TQRPreviewForm *form = PreviewReport(roll.Report);
        form->resize(800, 900);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QCOMPARE(form->ZoomMode(), TQRPreviewForm::TZoomMode::FitWidth);
        const int viewport = form->findChild<QScrollArea *>()->viewport()->width();
        QVERIFY2(qAbs(form->PageImage().width() - (viewport - 24)) <= 2,
                 qPrintable(QStringLiteral("%1 %2").arg(form->PageImage().width()).arg(viewport)));
        const double fitted = form->Zoom();
        const int width = form->PageImage().width();
        Action(form, "actZoomIn")->trigger();
        QCOMPARE(form->ZoomMode(), TQRPreviewForm::TZoomMode::Custom);
        QVERIFY(qAbs(form->Zoom() - fitted * 1.25) < 1e-9);
        QVERIFY(form->PageImage().width() > width * 1.2);
        QVERIFY(form->findChild<QLabel *>(QStringLiteral("lblZoom"))
                    ->text()
                    .endsWith(QLatin1Char('%')));
        Action(form, "actZoomOut")->trigger();
        Action(form, "actZoomOut")->trigger();
        QVERIFY(form->PageImage().width() < width);
        Action(form, "actFitPage")->trigger();
        const QSize room = form->findChild<QScrollArea *>()->viewport()->size();
        QVERIFY(form->PageImage().height() <= room.height());
        QVERIFY(form->PageImage().width() <= room.width());
        Action(form, "actFitWidth")->trigger();
        QVERIFY(qAbs(form->Zoom() - fitted) < 0.02);
        for (int i = 0; i < 40; ++i)
            Action(form, "actZoomIn")->trigger();
        QCOMPARE(form->Zoom(), TQRPreviewForm::MaxZoom);
        QVERIFY(!Action(form, "actZoomIn")->isEnabled());
    }

    void saveAsPdfThroughTheFileDialog() {
        TRoll roll;
        TQRPreviewForm *form = PreviewReport(roll.Report);
        const QString saved = FDir.filePath(QStringLiteral("名冊"));
        QString caption;
        WhenModal<QFileDialog>([&](QFileDialog *dialog) {
            caption = dialog->windowTitle();
            dialog->selectFile(saved);
            static_cast<QDialog *>(dialog)->accept();
        });
        Action(form, "actSavePdf")->trigger();
        QCOMPARE(caption, QStringLiteral("另存PDF"));
        const QString pdf = saved + QStringLiteral(".pdf");
        QCOMPARE(PdfPageCount(pdf), 4);
        const QStringList pages = PdfPageTexts(pdf);
        QVERIFY(Squeezed(pages[3]).contains(QStringLiteral("第 4 頁 / 共 4 頁")));
        QVERIFY(pages[3].contains(QStringLiteral("學生100")));
        // Cancelled: nothing is written.
        const QString other = FDir.filePath(QStringLiteral("不存.pdf"));
        WhenModal<QFileDialog>([&](QFileDialog *dialog) {
            dialog->selectFile(other);
            dialog->reject();
        });
        Action(form, "actSavePdf")->trigger();
        QVERIFY(!QFile::exists(other));
    }

    void printThroughThePrintDialog() {
        TRoll roll;
        TQRPreviewForm *form = PreviewReport(roll.Report);
        const QString out = NewPdf();
        form->Printer().setOutputFormat(QPrinter::PdfFormat);
        form->Printer().setOutputFileName(out);
        int maxPage = 0;
        QString caption;
        WhenModal<QPrintDialog>([&](QPrintDialog *dialog) {
            caption = dialog->windowTitle();
            maxPage = dialog->maxPage();
            static_cast<QDialog *>(dialog)->accept();
        });
        Action(form, "actPrint")->trigger();
        QCOMPARE(caption, QStringLiteral("列印"));
        QCOMPARE(maxPage, 4);
        QCOMPARE(PdfPageCount(out), 4);
        QVERIFY(Squeezed(PdfPageTexts(out)[2]).contains(QStringLiteral("第 3 頁 / 共 4 頁")));
        QVERIFY(PdfLayoutText(out).contains(QStringLiteral("學生名冊")));
    }

    void printingFollowsRangeOrderAndCopies() {
        TRoll roll;
        auto pages = roll.Report.Prepare();
        const auto printed = [&](const std::function<void(QPrinter &)> &set, int current = 0) {
            QPrinter printer(QPrinter::HighResolution);
            const QString out = NewPdf();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(out);
            set(printer);
            PrintPreparedReport(*pages, printer, current);
            QStringList numbers;
            for (const QString &page : PdfPageTexts(out)) {
                const QString text = Squeezed(page);
                const qsizetype at = text.indexOf(QStringLiteral("第 "));
                numbers << text.mid(at + 2, 1);
            }
            return numbers.join(QLatin1Char(','));
        };
        QCOMPARE(printed([](QPrinter &) {}), QStringLiteral("1,2,3,4"));
        QCOMPARE(printed([](QPrinter &p) {
                     QPageRanges ranges;
                     ranges.addRange(2, 3);
                     p.setPageRanges(ranges);
                     p.setPrintRange(QPrinter::PageRange);
                 }),
                 QStringLiteral("2,3"));
        QCOMPARE(printed([](QPrinter &p) { p.setPageOrder(QPrinter::LastPageFirst); }),
                 QStringLiteral("4,3,2,1"));
        QCOMPARE(printed([](QPrinter &p) { p.setPrintRange(QPrinter::CurrentPage); }, 2),
                 QStringLiteral("3"));
        QCOMPARE(printed([](QPrinter &p) {
                     QPageRanges ranges;
                     ranges.addPage(4);
                     p.setPageRanges(ranges);
                     p.setPrintRange(QPrinter::PageRange);
                     p.setCopyCount(2);
                 }),
                 QStringLiteral("4,4"));
        QVERIFY_THROWS_EXCEPTION(EReportEmpty, printed([](QPrinter &p) {
                                     QPageRanges ranges;
                                     ranges.addRange(7, 9);
                                     p.setPageRanges(ranges);
                                     p.setPrintRange(QPrinter::PageRange);
                                 }));
    }

    void reportsReachTheirWindows() {
        TRoll roll;
        roll.Report.Preview();
        QCOMPARE(Previews().size(), 1);
        QCOMPARE(Previews().first()->PageCount(), 4);
        // Printing without the dialog goes to the printer: here a file.
        const QString out = NewPdf();
        SetReportPrinterOutputFile(out);
        roll.Report.Print();
        QCOMPARE(PdfPageCount(out), 4);
        // Through the dialog; cancelled prints nothing.
        const QString second = NewPdf();
        SetReportPrinterOutputFile(second);
        WhenModal<QPrintDialog>([&](QPrintDialog *dialog) { dialog->reject(); });
        roll.Report.PrintWithDialog();
        QVERIFY(!QFile::exists(second));
        WhenModal<QPrintDialog>(
            [&](QPrintDialog *dialog) { static_cast<QDialog *>(dialog)->accept(); });
        roll.Report.PrintWithDialog();
        QCOMPARE(PdfPageCount(second), 4);
        // Modal: returns when the window is closed.
        QTimer::singleShot(100, [] {
            for (TQRPreviewForm *form : Previews())
                if (form->isModal())
                    form->CloseAction()->trigger();
        });
        roll.Report.PreviewModal();
        QCOMPARE(Previews().size(), 1);
    }

    void aReportWithoutPagesShowsAnEmptyPreview() {
        auto empty = MakeDataSet(QStringLiteral("None"), {QStringLiteral("Name")}, {});
        TQuickRep report;
        report.SetReportTitle(QStringLiteral("缺曠通知"));
        report.SetDataSet(empty.get());
        report.SetPrintIfEmpty(false);
        (new TQRBand(&report, rbDetail, 8))
            ->AddDBText(0, 0, 30, 6, empty.get(), QStringLiteral("Name"));
        TQRPreviewForm *form = PreviewReport(report);
        QCOMPARE(form->PageCount(), 0);
        QCOMPARE(Indicator(form), QStringLiteral("第 0 頁／共 0 頁"));
        QVERIFY(!Action(form, "actPrint")->isEnabled());
        QVERIFY(!Action(form, "actSavePdf")->isEnabled());
        QVERIFY(!Action(form, "actLast")->isEnabled());
        Action(form, "actLast")->trigger();
        QCOMPARE(form->CurrentPage(), 0);
        SetReportPrinterOutputFile(NewPdf());
        QVERIFY_THROWS_EXCEPTION(EReportEmpty, report.Print());
    }

    void thePreviewKeepsItsPagesWhenTheReportGoes() {
        auto roll = std::make_unique<TRoll>();
        TQRPreviewForm *form = PreviewReport(roll->Report);
        roll.reset();
        Action(form, "actLast")->trigger();
        QCOMPARE(Indicator(form), QStringLiteral("第 4 頁／共 4 頁"));
        const QString out = NewPdf();
        form->SavePdfAs(out);
        QCOMPARE(PdfPageCount(out), 4);
    }
};

QTEST_MAIN(TstReportPreview)
#include "tst_reportpreview.moc"
