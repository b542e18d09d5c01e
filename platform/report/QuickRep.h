#pragma once
// TQuickRep: a banded report. A report owns its bands (QRBands.h), bands own their elements
// (QRCtrls.h); data comes from the datasets the bands and elements name: the report's DataSet
// gives the records of the detail band and of the groups, child details (TQRSubDetail) the
// records of master–detail links, data texts the fields of the current records.
//
//   auto *report = new TQuickRep(owner);
//   report->SetReportTitle("學生名冊");
//   report->SetDataSet(students);
//   auto *header = new TQRBand(report, rbPageHeader, 15);
//   header->AddSysData(150, 2, 40, 5, qrsPageNumber, "第 %d 頁 / 共 %d 頁");
//   auto *group = new TQRGroup(report, "AClassName", 8);
//   group->AddDBText(0, 1, 40, 6, students, "AClassName");
//   auto *detail = new TQRBand(report, rbDetail, 6);
//   detail->AddDBText(0, 0, 30, 6, students, "StudentID");
//   TQRBand *footer = group->AddFooterBand(8);
//   footer->AddExpr(0, 1, 40, 6, qaCount)->SetDisplayFormat("學生合計：0 人");
//   report->ExportToPdf("/tmp/名冊.pdf");   // or Preview(), Print()
//
// A run lays the report out first, page by page, into a TQRPreparedReport (the page count is
// known when it ends) and paints the pages afterwards: on a PDF file, a printer, or the preview
// window. Hooks run once per run, while it is laid out. The layout moves the cursors of the
// datasets (the details of master–detail links follow their masters) and puts the report's
// dataset back on its record at the end.
//
// Units are millimetres; the page is A4 portrait with 10 mm margins unless Page() says other.
// Texts print in the report's Font, a Ming (Song) face for Traditional Chinese by default.

#include "Component.h"
#include "DateTime.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "QRPreparedReport.h"

#include <QPageLayout>
#include <QPageSize>
#include <functional>
#include <memory>

class TDataSet;
class TQuickRep;

struct TQRPage {
    QPageSize PaperSize = QPageSize(QPageSize::A4);
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    double LeftMargin = 10, TopMargin = 10, RightMargin = 10, BottomMargin = 10; // mm
    // A paper of its own size (millimetres, as it stands in portrait).
    void SetPaperSizeMM(double width, double height) {
        PaperSize = QPageSize(QSizeF(width, height), QPageSize::Millimeter);
    }
    // The paper as oriented, in millimetres.
    QSizeF SizeMM() const;
    QPageLayout Layout() const;
};

// The windows that show and print reports (platform/report/ui installs them when it loads).
class TQRPresenter {
public:
    virtual ~TQRPresenter() = default;
    virtual void Preview(TQuickRep &report, bool modal) = 0;
    virtual void Print(TQuickRep &report, bool withDialog) = 0;
};
void SetQRPresenter(TQRPresenter *presenter);
TQRPresenter *QRPresenter();

// The Ming face the machine has for printing Traditional Chinese ("AR PL UMing TW", else
// "Noto Serif CJK TC", ...), else the application's font family.
QString DefaultReportFontFamily();

class TQuickRep : public TComponent {
    Q_OBJECT
public:
    explicit TQuickRep(QObject *owner = nullptr);
    ~TQuickRep() override;

    QString ReportTitle() const { return FTitle; }
    void SetReportTitle(const QString &title) { FTitle = title; }
    // The records of the detail band and of the report's groups. Without a dataset the detail
    // prints once (or as long as OnNeedData says there is more).
    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    TQRPage &Page() { return FPage; }
    const TQRPage &Page() const { return FPage; }
    // The font of every text that does not name its own family or size.
    TQRFont &Font() { return FFont; }
    const TQRFont &Font() const { return FFont; }

    // Print title, summary and the page bands also when the dataset has no records (default);
    // off: a report without records has no pages.
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool on) { FPrintIfEmpty = on; }
    bool FirstPageHeader() const { return FFirstPageHeader; }
    void SetFirstPageHeader(bool on) { FFirstPageHeader = on; }
    bool LastPageFooter() const { return FLastPageFooter; }
    void SetLastPageFooter(bool on) { FLastPageFooter = on; }

    // Bands in the order they were made.
    const QList<TQRBand *> &Bands() const { return FBands; }
    QList<TQRBand *> BandsOfType(TQRBandType type) const;
    // The element named so on any band; nullptr when none.
    TQRPrintable *FindElement(const QString &name) const;

    // Before the run lays anything out (printReport false: no pages); after it ended.
    std::function<void(TQuickRep *report, bool &printReport)> BeforePrint;
    std::function<void(TQuickRep *report)> AfterPrint;
    // Without a dataset: asked before each detail whether there is one more to print.
    std::function<void(TQuickRep *report, bool &moreData)> OnNeedData;
    std::function<void(TQuickRep *report, int page)> OnStartPage;
    std::function<void(TQuickRep *report, int page)> OnEndPage;
    // During the layout, before each record of the report's dataset: its number and their
    // count. It may raise EAbort to stop the run.
    std::function<void(TQuickRep *report, int record, int count)> OnProgress;

    // While a run lays the report out: the page being filled (from 1), the report's record
    // (from 1), the time the run started.
    bool Printing() const { return FPrinting; }
    int PageNumber() const { return FPageNumber; }
    int RecordNumber() const { return FRecordNumber; }
    TDateTime PrintDateTime() const { return FPrintDateTime; }

    // Lays the report out (hooks run) into new pages, which stay with the report (Prepared)
    // until the next run. Raises EReportError when the report cannot be laid out.
    std::shared_ptr<TQRPreparedReport> Prepare();
    std::shared_ptr<TQRPreparedReport> Prepared() const { return FPrepared; }
    // The page count of the last run; 0 before any.
    int PageCount() const { return FPrepared ? FPrepared->PageCount() : 0; }
    // Prepare, then the pages into a PDF file / onto a paged device (QPdfWriter, QPrinter).
    void ExportToPdf(const QString &path);
    void Print(QPagedPaintDevice &device);
    // Through the report windows (link PlatformReportUi): the preview window, modeless
    // (freed when closed) or modal; printing on the default printer, or through the print
    // dialog.
    void Preview();
    void PreviewModal();
    void Print();
    void PrintWithDialog();

    void Notification(TComponentBase *component, TOperation operation) override;

private:
    friend class TQRBand;
    friend class TQRLayoutRun;
    TQRPresenter &Presenter() const;

    QString FTitle;
    TDataSet *FDataSet = nullptr;
    TQRPage FPage;
    TQRFont FFont;
    bool FPrintIfEmpty = true;
    bool FFirstPageHeader = true;
    bool FLastPageFooter = true;
    QList<TQRBand *> FBands;
    bool FPrinting = false;
    int FPageNumber = 0;
    int FRecordNumber = 0;
    TDateTime FPrintDateTime;
    std::shared_ptr<TQRPreparedReport> FPrepared;
};
