#include "ReportUi.h"

#include "PrintPages.h"

#include "QRPreviewForm.h"
#include "QuickRep.h"

#include <QApplication>
#include <QEventLoop>
#include <QPageRanges>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace {

QString gOutputFile;

void UseOutputFile(QPrinter &printer) {
    if (gOutputFile.isEmpty())
        return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(gOutputFile);
}

// TQuickRep's windows.
class TReportWindows : public TQRPresenter {
public:
    void Preview(TQuickRep &report, bool modal) override { PreviewReport(report, modal); }
    void Print(TQuickRep &report, bool withDialog) override { PrintReport(report, withDialog); }
};

TReportWindows gWindows;

// Installed when the library loads, so that reports reach their windows.
const bool gInstalled = [] {
    if (!QRPresenter())
        SetQRPresenter(&gWindows);
    return true;
}();

} // namespace

void SetReportPrinterOutputFile(const QString &path) {
    gOutputFile = path;
}

QString ReportPrinterOutputFile() {
    return gOutputFile;
}

TQRPreviewForm *PreviewReport(TQuickRep &report, bool modal, QWidget *parent) {
    auto *form = new TQRPreviewForm(report.Prepare(), parent);
    if (!modal) {
        form->show();
        return form;
    }
    QPointer<TQRPreviewForm> guard(form);
    form->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    form->show();
    loop.exec();
    return nullptr;
}

void PrintPreparedReport(const TQRPreparedReport &pages, QPrinter &printer, int current) {
    if (pages.PageCount() == 0)
        throw EReportEmpty(QStringLiteral("報表沒有資料可以列印"));
    printer.setFullPage(true);
    if (printer.docName().isEmpty())
        printer.setDocName(pages.Title());
    const QList<int> sheets = PrintedPages(printer, pages.PageCount(), current);
    if (sheets.isEmpty())
        throw EReportEmpty(
            QStringLiteral("沒有要列印的頁面 (報表共 %1 頁)").arg(pages.PageCount()));
    pages.Print(printer, sheets);
}

void CheckReportPrinter() {
    if (gOutputFile.isEmpty() && QPrinterInfo::availablePrinters().isEmpty())
        throw EReportError(QStringLiteral("沒有可用的印表機"));
}

void PrintReport(TQuickRep &report, bool withDialog, QWidget *parent) {
    CheckReportPrinter();
    PrintPreparedPages(*report.Prepare(), withDialog, parent);
}

bool PrintPreparedPages(const TQRPreparedReport &pages, bool withDialog, QWidget *parent) {
    CheckReportPrinter();
    if (pages.PageCount() == 0)
        throw EReportEmpty(QStringLiteral("報表沒有資料可以列印"));
    QPrinter printer(QPrinter::HighResolution);
    UseOutputFile(printer);
    printer.setDocName(pages.Title());
    printer.setPageLayout(pages.PageLayout());
    if (withDialog) {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("列印"));
        dialog.setMinMax(1, pages.PageCount());
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    PrintPreparedReport(pages, printer);
    return true;
}
