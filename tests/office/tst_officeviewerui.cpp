// The desktop side of the office layer: printing a PDF, the preview window, showing a saved file
// through the desktop's opener, and the preview and printout of documents converted by the
// office suite. Printers write PDF files, read back page by page.

#include "ModalAnswer.h"
#include "OfficeSuite.h"
#include "OfficeTestSupport.h"
#include "OfficeViewerUi.h"
#include "PdfPrinting.h"
#include "PdfTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPageRanges>
#include <QPdfView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The grays of the three pages of the test document; a printed sheet is told by its gray.
const QList<int> kGrays{40, 120, 200};

void PrintIntoFile(QPrinter &printer, const QString &path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(72);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setFullPage(true);
}

// The printed sheets, each as the number (from 1) of the page it shows, 0 for a stranger.
QList<int> Sheets(const QString &path) {
    QPdfDocument document;
    document.load(path);
    QList<int> sheets;
    for (int sheet = 0; sheet < document.pageCount(); ++sheet) {
        const QImage image = PageOnWhite(document, sheet, 40);
        const int gray = qGray(image.pixel(20, image.height() / 2));
        const int number = qRound((gray - kGrays[0]) / 80.0) + 1; // the grays are 80 apart
        sheets << (qAbs(kGrays.value(number - 1, -99) - gray) < 20 ? number : 0);
    }
    return sheets;
}

// Stands in for the desktop: records what it was asked to open and answers as told.
class TFakeLauncher : public TDesktopLauncher {
public:
    TFakeLauncher(bool opens, QStringList &opened) : FOpens(opens), FOpened(opened) {}
    bool OpenFile(const QString &path) override {
        FOpened << path;
        return FOpens;
    }

private:
    bool FOpens;
    QStringList &FOpened;
};

QAction *Action(QWidget *form, const char *name) {
    return form->findChild<QAction *>(QLatin1String(name));
}

} // namespace

class TstOfficeViewerUi : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    QString FThreePages;   // three pages of A4, made here
    QString FLetter;       // a copy of the letter written by other software
    QString FReference;    // the letter as PDF, converted once for comparisons
    QByteArray FUserSuite; // ORV7_SOFFICE as the test found it
    QPointer<TPdfPreviewForm> FForm;
    int FOutputs = 0;

    QString NewOutput() { return FDir.filePath(QStringLiteral("out%1.pdf").arg(++FOutputs)); }

private Q_SLOTS:
    void initTestCase() {
        FUserSuite = qgetenv("ORV7_SOFFICE");
        FThreePages = FDir.filePath(QStringLiteral("three.pdf"));
        QVERIFY(WriteGrayPages(FThreePages, kGrays));
        FLetter = FDir.filePath(QStringLiteral("缺曠通知.docx"));
        QVERIFY(QFile::copy(OutsideWritten(QStringLiteral("letter.docx")), FLetter));
        if (!TOfficeSuite::Program().isEmpty()) {
            FReference = FDir.filePath(QStringLiteral("reference.pdf"));
            TOfficeSuite::ConvertToPdf(FLetter, FReference);
        }
    }

    void cleanup() {
        delete FForm;
        qputenv("ORV7_SOFFICE", FUserSuite);
    }

    // --- printing a PDF ---

    void printedSheetsFollowRangeOrderAndCopies_data() {
        QTest::addColumn<QList<int>>("range"); // pages from 1; empty: all
        QTest::addColumn<bool>("lastFirst");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("collate");
        QTest::addColumn<QList<int>>("sheets"); // empty: nothing to print, an error
        QTest::newRow("pages apart") << QList<int>{1, 3} << false << 1 << false << QList<int>{1, 3};
        QTest::newRow("last first") << QList<int>{} << true << 1 << false << QList<int>{3, 2, 1};
        QTest::newRow("uncollated")
            << QList<int>{} << false << 2 << false << QList<int>{1, 1, 2, 2, 3, 3};
        QTest::newRow("all at once")
            << QList<int>{1, 2, 9} << true << 2 << true << QList<int>{2, 1, 2, 1};
        QTest::newRow("no such pages") << QList<int>{5, 6} << false << 1 << false << QList<int>{};
    }
    void printedSheetsFollowRangeOrderAndCopies() {
        QFETCH(QList<int>, range);
        QFETCH(bool, lastFirst);
        QFETCH(int, copies);
        QFETCH(bool, collate);
        QFETCH(QList<int>, sheets);
        QPrinter printer(QPrinter::HighResolution);
        const QString out = NewOutput();
        PrintIntoFile(printer, out);
        if (!range.isEmpty()) {
            QPageRanges pages;
            for (int page : range)
                pages.addPage(page);
            printer.setPageRanges(pages);
            printer.setPrintRange(QPrinter::PageRange);
        }
        printer.setPageOrder(lastFirst ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
        printer.setCopyCount(copies);
        printer.setCollateCopies(collate);
        const QString error = ErrorOf([&] { PrintPdf(FThreePages, printer); });
        QCOMPARE(error.contains(QStringLiteral("共 3 頁")), sheets.isEmpty());
        QCOMPARE(Sheets(out), sheets);
    }

    void aPageKeepsItsShapeInsideThePrintableArea() {
        // A black 2:1 page on A4 with 190 x 217 mm free: 190 x 95 mm, centred in the free area.
        const QString wide = FDir.filePath(QStringLiteral("wide.pdf"));
        QVERIFY(WriteGrayPages(wide, {0}, QPageSize(QSizeF(200, 100), QPageSize::Millimeter)));
        QPrinter printer(QPrinter::HighResolution);
        const QString out = NewOutput();
        PrintIntoFile(printer, out);
        printer.setFullPage(false);
        printer.setPageMargins(QMarginsF(10, 40, 10, 40), QPageLayout::Millimeter);
        PrintPdf(wide, printer);
        QPdfDocument sheet;
        QCOMPARE(sheet.load(out), QPdfDocument::Error::None);
        const QRect dark = DarkArea(PageOnWhite(sheet, 0, 210)); // a pixel a millimetre
        const QRect want(10, 101, 190, 95);
        QVERIFY2((dark.topLeft() - want.topLeft()).manhattanLength() <= 2 &&
                     qAbs(dark.width() - want.width()) + qAbs(dark.height() - want.height()) <= 2,
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(dark.x())
                                .arg(dark.y())
                                .arg(dark.width())
                                .arg(dark.height())));
    }

    void anUnreadablePdfPrintsNothing() {
        const QString bad = FDir.filePath(QStringLiteral("bad.pdf"));
        QVERIFY(WriteAll(bad, "PK\x03\x04 no PDF"));
        QPrinter printer(QPrinter::HighResolution);
        const QString out = NewOutput();
        PrintIntoFile(printer, out);
        const QString error = ErrorOf([&] { PrintPdf(bad, printer); });
        QVERIFY2(error.contains(bad + QStringLiteral("：不是有效的 PDF 檔案")), qPrintable(error));
        QVERIFY(!QFile::exists(out));
    }

    // --- the preview window ---

    void previewShowsThePagesAndTakesItsFolderAlong() {
        auto folder = std::make_unique<QTemporaryDir>();
        const QString folderPath = folder->path();
        const QString pdf = folder->filePath(QStringLiteral("preview.pdf"));
        QVERIFY(QFile::copy(FThreePages, pdf));
        FForm = new TPdfPreviewForm(pdf, QStringLiteral("三頁"), std::move(folder));
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm));
        QCOMPARE(FForm->windowTitle(), QStringLiteral("預覽列印 - 三頁"));
        QCOMPARE(FForm->PageCount(), 3);
        auto *indicator = FForm->findChild<QLabel *>(QStringLiteral("lblPage"));
        QCOMPARE(indicator->text(), QStringLiteral("第 1 頁／共 3 頁"));
        QScrollBar *scroll = FForm->View()->verticalScrollBar();
        QTRY_VERIFY(scroll->maximum() > 0); // fitted to the width, three pages do not fit
        scroll->setValue(scroll->maximum());
        QTRY_COMPARE(indicator->text(), QStringLiteral("第 3 頁／共 3 頁"));
        Action(FForm, "actClose")->trigger();
        QTRY_VERIFY(FForm.isNull());
        QVERIFY(!QDir(folderPath).exists());
    }

    void printGoesThroughThePrintDialog() {
        FForm = new TPdfPreviewForm(FThreePages, QStringLiteral("三頁"));
        const QString out = NewOutput();
        PrintIntoFile(FForm->Printer(), out);
        int maxPage = 0;
        TDialogAnswer<QPrintDialog> answer([&](QPrintDialog *d) {
            maxPage = d->maxPage();
            static_cast<QDialog *>(d)->accept();
        });
        Action(FForm, "actPrint")->trigger();
        QCOMPARE(answer.Title, QStringLiteral("列印"));
        QCOMPARE(maxPage, 3);
        QCOMPARE(Sheets(out), (QList<int>{1, 2, 3}));
    }

    // --- showing a saved file ---

    void showFileTellsWhereTheFileIsOnlyWhenNothingOpensIt() {
        for (bool opens : {false, true}) {
            QStringList opened;
            TOfficeViewerUi viewer;
            viewer.SetLauncher(std::make_unique<TFakeLauncher>(opens, opened));
            TAnswer answer(QMessageBox::Ok);
            viewer.ShowFile(FLetter);
            QCOMPARE(opened, QStringList{FLetter});
            QCOMPARE(answer.Texts.size(), opens ? 0 : 1);
            if (!opens)
                QVERIFY2(answer.Texts[0].contains(QStringLiteral("文件已儲存於:\n") + FLetter),
                         qPrintable(answer.Texts[0]));
        }
    }

    // --- with the office suite ---

    void previewOfADocument() {
        if (FReference.isEmpty())
            QSKIP("no office suite (soffice) installed");
        TOfficeViewerUi viewer;
        viewer.PrintPreviewFile(FLetter, QStringLiteral("缺曠通知單"));
        FForm = viewer.PreviewForm();
        QVERIFY(FForm && FForm->isVisible());
        QCOMPARE(FForm->windowTitle(), QStringLiteral("預覽列印 - 缺曠通知單"));
        QVERIFY(FForm->PageCount() >= 1);

        const QString saved = FDir.filePath(QStringLiteral("另存"));
        TDialogAnswer<QFileDialog> answer([&](QFileDialog *d) {
            d->selectFile(saved);
            static_cast<QDialog *>(d)->accept(); // the file dialog's own accept()
        });
        Action(FForm, "actSavePdf")->trigger();
        QCOMPARE(answer.Title, QStringLiteral("另存PDF"));
        QVERIFY(
            PdfText(saved + QStringLiteral(".pdf")).contains(QStringLiteral("學生缺曠課通知單")));

        const QString folder = QFileInfo(FForm->PdfPath()).absolutePath();
        viewer.ClosePrintPreview();
        QTRY_VERIFY(FForm.isNull());
        QVERIFY(!QDir(folder).exists());
    }

    void withoutTheSuiteNothingStarts() {
        qputenv("ORV7_SOFFICE", QFile::encodeName(FDir.filePath(QStringLiteral("no/soffice"))));
        TOfficeViewerUi viewer;
        QVERIFY_THROWS_EXCEPTION(EOfficeSuiteMissing, viewer.PrintPreviewFile(FLetter, {}));
        QCOMPARE(viewer.PreviewForm(), nullptr);
        if (QPrinterInfo::availablePrinters().isEmpty()) // the missing printer is told first
            QCOMPARE(ErrorOf([&] { viewer.PrintOutFile(FLetter); }),
                     QStringLiteral("沒有可用的印表機"));
    }

    void printOutIntoAPdfFile() {
        if (FReference.isEmpty())
            QSKIP("no office suite (soffice) installed");
        TOfficeViewerUi viewer;
        const QString out = NewOutput();
        viewer.SetPrinterOutputFile(out);
        viewer.PrintOutFile(FLetter);
        // The printout holds pictures of the pages, no text: compared with the letter's PDF.
        QPdfDocument printed, reference;
        QCOMPARE(printed.load(out), QPdfDocument::Error::None);
        QCOMPARE(reference.load(FReference), QPdfDocument::Error::None);
        QCOMPARE(printed.pageCount(), reference.pageCount());
        const QImage want = PageOnWhite(reference, 0, 300);
        const QImage got = PageOnWhite(printed, 0, 0, want.size());
        QVERIFY(DarkArea(want).height() > want.height() / 5); // the letter is no blank page
        double difference = 0;
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x)
                difference += qAbs(qGray(want.pixel(x, y)) - qGray(got.pixel(x, y)));
        difference /= double(want.width()) * want.height();
        QVERIFY2(difference < 4, qPrintable(QString::number(difference)));
    }
};

QTEST_MAIN(TstOfficeViewerUi)
#include "tst_officeviewerui.moc"
