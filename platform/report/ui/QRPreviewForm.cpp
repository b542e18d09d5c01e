#include "QRPreviewForm.h"

#include "ReportUi.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace {

// A file name made of the title, without the characters file systems refuse.
QString FileNameOf(const QString &title) {
    QString name = title.trimmed();
    for (QChar &c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return name.isEmpty() ? QStringLiteral("報表") : name;
}

constexpr int kPageMargin = 12; // pixels of gray around the page

} // namespace

TQRPreviewForm::TQRPreviewForm(std::shared_ptr<TQRPreparedReport> pages, QWidget *parent)
    : QMainWindow(parent), FPages(std::move(pages)) {
    if (!FPages)
        throw EReportError(QStringLiteral("The preview needs prepared pages"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("QRPreviewForm"));
    setWindowTitle(QStringLiteral("預覽列印 - %1").arg(FPages->Title()));

    FPageView = new QLabel(this);
    FPageView->setObjectName(QStringLiteral("PageView"));
    FPageView->setAlignment(Qt::AlignCenter);
    FScroll = new QScrollArea(this);
    FScroll->setObjectName(QStringLiteral("PageScroll"));
    FScroll->setBackgroundRole(QPalette::Dark);
    FScroll->setAlignment(Qt::AlignCenter);
    FScroll->setWidget(FPageView);
    setCentralWidget(FScroll);

    QToolBar *bar = addToolBar(QStringLiteral("預覽列印"));
    bar->setObjectName(QStringLiteral("PreviewToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FActPrint = AddAction(QStringLiteral("actPrint"), QStringLiteral("列印"),
                          QStringLiteral("document-print"));
    FActPrint->setShortcut(QKeySequence::Print);
    FActSavePdf = AddAction(QStringLiteral("actSavePdf"), QStringLiteral("另存PDF"),
                            QStringLiteral("document-save-as"));
    FActSavePdf->setShortcut(QKeySequence::SaveAs);
    FActFirst =
        AddAction(QStringLiteral("actFirst"), QStringLiteral("第一頁"), QStringLiteral("go-first"));
    FActFirst->setShortcut(Qt::Key_Home);
    FActPrior = AddAction(QStringLiteral("actPrior"), QStringLiteral("上一頁"),
                          QStringLiteral("go-previous"));
    FActPrior->setShortcut(Qt::Key_PageUp);
    FActNext =
        AddAction(QStringLiteral("actNext"), QStringLiteral("下一頁"), QStringLiteral("go-next"));
    FActNext->setShortcut(Qt::Key_PageDown);
    FActLast =
        AddAction(QStringLiteral("actLast"), QStringLiteral("最後一頁"), QStringLiteral("go-last"));
    FActLast->setShortcut(Qt::Key_End);
    FActZoomIn =
        AddAction(QStringLiteral("actZoomIn"), QStringLiteral("放大"), QStringLiteral("zoom-in"));
    FActZoomIn->setShortcut(QKeySequence::ZoomIn);
    FActZoomOut =
        AddAction(QStringLiteral("actZoomOut"), QStringLiteral("縮小"), QStringLiteral("zoom-out"));
    FActZoomOut->setShortcut(QKeySequence::ZoomOut);
    FActFitWidth = AddAction(QStringLiteral("actFitWidth"), QStringLiteral("符合寬度"),
                             QStringLiteral("zoom-fit-width"));
    FActFitPage = AddAction(QStringLiteral("actFitPage"), QStringLiteral("整頁"),
                            QStringLiteral("zoom-fit-best"));
    FActClose = AddAction(QStringLiteral("actClose"), QStringLiteral("關閉"),
                          QStringLiteral("window-close"));
    FActClose->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    for (QAction *action : {FActPrint, FActSavePdf, FActFirst, FActPrior, FActNext, FActLast,
                            FActZoomIn, FActZoomOut, FActFitWidth, FActFitPage, FActClose}) {
        if (action == FActFirst || action == FActZoomIn || action == FActClose)
            bar->addSeparator();
        bar->addAction(action);
    }
    connect(FActPrint, &QAction::triggered, this, [this] { PrintWithDialog(); });
    connect(FActSavePdf, &QAction::triggered, this, [this] { SavePdfWithDialog(); });
    connect(FActFirst, &QAction::triggered, this, [this] { GotoPage(0); });
    connect(FActPrior, &QAction::triggered, this, [this] { GotoPage(FPage - 1); });
    connect(FActNext, &QAction::triggered, this, [this] { GotoPage(FPage + 1); });
    connect(FActLast, &QAction::triggered, this, [this] { GotoPage(PageCount() - 1); });
    connect(FActZoomIn, &QAction::triggered, this, [this] { ZoomIn(); });
    connect(FActZoomOut, &QAction::triggered, this, [this] { ZoomOut(); });
    connect(FActFitWidth, &QAction::triggered, this, [this] { FitWidth(); });
    connect(FActFitPage, &QAction::triggered, this, [this] { FitPage(); });
    connect(FActClose, &QAction::triggered, this, &QWidget::close);

    FPageLabel = new QLabel(this);
    FPageLabel->setObjectName(QStringLiteral("lblPage"));
    statusBar()->addWidget(FPageLabel);
    FZoomLabel = new QLabel(this);
    FZoomLabel->setObjectName(QStringLiteral("lblZoom"));
    statusBar()->addPermanentWidget(FZoomLabel);

    QSize size(900, 1000);
    if (const QScreen *screen = QApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 0.9);
    resize(size);
    ShowPage();
}

TQRPreviewForm::~TQRPreviewForm() = default;

QAction *TQRPreviewForm::AddAction(const QString &name, const QString &text, const QString &icon) {
    auto *action = new QAction(QIcon::fromTheme(icon), text, this);
    action->setObjectName(name);
    addAction(action);
    return action;
}

double TQRPreviewForm::ScreenDpi() const {
    const QScreen *s = screen() ? screen() : QApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() : 96.0;
}

void TQRPreviewForm::GotoPage(int index) {
    const int page = std::clamp(index, 0, std::max(0, PageCount() - 1));
    if (page == FPage && !FImage.isNull())
        return;
    FPage = page;
    ShowPage();
}

QString TQRPreviewForm::PageIndicatorText() const {
    return QStringLiteral("第 %1 頁／共 %2 頁").arg(PageCount() ? FPage + 1 : 0).arg(PageCount());
}

void TQRPreviewForm::SetZoom(double factor) {
    FZoomMode = TZoomMode::Custom;
    FZoom = std::clamp(factor, MinZoom, MaxZoom);
    ShowPage();
}

void TQRPreviewForm::ZoomIn() {
    SetZoom(FZoom * ZoomStep);
}

void TQRPreviewForm::ZoomOut() {
    SetZoom(FZoom / ZoomStep);
}

void TQRPreviewForm::FitWidth() {
    FZoomMode = TZoomMode::FitWidth;
    ShowPage();
}

void TQRPreviewForm::FitPage() {
    FZoomMode = TZoomMode::FitPage;
    ShowPage();
}

void TQRPreviewForm::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (FZoomMode != TZoomMode::Custom)
        ShowPage();
}

void TQRPreviewForm::ShowPage() {
    const QSizeF paper = FPages->PageSizeMM(); // mm
    const double dpi = ScreenDpi();
    if (FZoomMode != TZoomMode::Custom && paper.width() > 0 && paper.height() > 0) {
        // The room without scroll bars; a page fitted to the width that is taller than the
        // room leaves room for the vertical bar.
        const QSize room = FScroll->maximumViewportSize() - QSize(2 * kPageMargin, 2 * kPageMargin);
        const double pageWidth = paper.width() / 25.4 * dpi;
        const double pageHeight = paper.height() / 25.4 * dpi;
        double zoom = room.width() / pageWidth;
        if (FZoomMode == TZoomMode::FitPage)
            zoom = std::min(zoom, room.height() / pageHeight);
        else if (pageHeight * zoom > room.height())
            zoom = (room.width() - FScroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent)) /
                   pageWidth;
        FZoom = std::clamp(zoom, MinZoom, MaxZoom);
    }
    if (PageCount() > 0) {
        FImage = FPages->RenderPage(FPage, dpi * FZoom);
        FPageView->setPixmap(QPixmap::fromImage(FImage));
        FPageView->resize(FImage.size() + QSize(2 * kPageMargin, 2 * kPageMargin));
    } else {
        FImage = QImage();
        FPageView->setPixmap(QPixmap());
        FPageView->setText(QStringLiteral("報表沒有資料可以列印"));
        FPageView->adjustSize();
    }
    FPageLabel->setText(PageIndicatorText());
    FZoomLabel->setText(QStringLiteral("%1%").arg(qRound(FZoom * 100)));
    UpdateActions();
}

void TQRPreviewForm::UpdateActions() {
    const bool any = PageCount() > 0;
    FActFirst->setEnabled(any && FPage > 0);
    FActPrior->setEnabled(any && FPage > 0);
    FActNext->setEnabled(any && FPage < PageCount() - 1);
    FActLast->setEnabled(any && FPage < PageCount() - 1);
    FActPrint->setEnabled(any);
    FActSavePdf->setEnabled(any);
    FActZoomIn->setEnabled(any && FZoom < MaxZoom);
    FActZoomOut->setEnabled(any && FZoom > MinZoom);
}

QPrinter &TQRPreviewForm::Printer() {
    if (!FPrinter) {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FPrinter->setDocName(Title());
        FPrinter->setPageLayout(FPages->PageLayout());
        if (!ReportPrinterOutputFile().isEmpty()) {
            FPrinter->setOutputFormat(QPrinter::PdfFormat);
            FPrinter->setOutputFileName(ReportPrinterOutputFile());
        }
    }
    return *FPrinter;
}

void TQRPreviewForm::PrintOn(QPrinter &printer) {
    PrintPreparedReport(*FPages, printer, FPage);
}

void TQRPreviewForm::SavePdfAs(const QString &path) {
    FPages->SaveToPdf(path);
}

void TQRPreviewForm::PrintWithDialog() {
    QPrinter &printer = Printer();
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("列印"));
    dialog.setMinMax(1, PageCount());
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        PrintOn(printer);
    } catch (const Exception &e) {
        QMessageBox::warning(this, QStringLiteral("列印"), e.Message());
    }
}

void TQRPreviewForm::SavePdfWithDialog() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(this, QStringLiteral("另存PDF"),
                       QDir(folder).filePath(FileNameOf(Title()) + QStringLiteral(".pdf")),
                       QStringLiteral("PDF 文件 (*.pdf)"));
    dialog.setObjectName(QStringLiteral("SavePdfDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    try {
        SavePdfAs(dialog.selectedFiles().constFirst());
    } catch (const Exception &e) {
        QMessageBox::warning(this, QStringLiteral("另存PDF"), e.Message());
    }
}
