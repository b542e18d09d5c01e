#include "PdfPreviewForm.h"

#include "PdfPrinting.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfPageRenderer>
#include <QPdfView>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>

#include <algorithm>

namespace {

// A file name made of the title, without the characters file systems refuse.
QString FileNameOf(const QString &title) {
    QString name = title.trimmed();
    for (QChar &c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return name.isEmpty() ? QStringLiteral("文件") : name;
}

} // namespace

TPdfPreviewForm::TPdfPreviewForm(const QString &pdfPath, const QString &title,
                                 std::unique_ptr<QTemporaryDir> temporaryFolder, QWidget *parent)
    : QMainWindow(parent), FPdfPath(pdfPath), FTitle(title),
      FTemporaryFolder(std::move(temporaryFolder)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("PdfPreviewForm"));
    setWindowTitle(QStringLiteral("預覽列印 - %1").arg(title));

    FDocument = new QPdfDocument(this);
    OpenPdfDocument(*FDocument, pdfPath);

    FView = new QPdfView(this);
    FView->setObjectName(QStringLiteral("PdfView"));
    FView->setPageMode(QPdfView::PageMode::MultiPage);
    FView->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    FView->setDocument(FDocument);
    setCentralWidget(FView);

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
    FActSaveDocument = AddAction(QStringLiteral("actSaveDocument"), QStringLiteral("另存文件"),
                                 QStringLiteral("document-save"));
    FActSaveDocument->setVisible(false);
    FActZoomIn =
        AddAction(QStringLiteral("actZoomIn"), QStringLiteral("放大"), QStringLiteral("zoom-in"));
    FActZoomIn->setShortcut(QKeySequence::ZoomIn);
    FActZoomOut =
        AddAction(QStringLiteral("actZoomOut"), QStringLiteral("縮小"), QStringLiteral("zoom-out"));
    FActZoomOut->setShortcut(QKeySequence::ZoomOut);
    FActFitWidth = AddAction(QStringLiteral("actFitWidth"), QStringLiteral("符合寬度"),
                             QStringLiteral("zoom-fit-width"));
    FActClose = AddAction(QStringLiteral("actClose"), QStringLiteral("關閉"),
                          QStringLiteral("window-close"));
    FActClose->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    for (QAction *action : {FActPrint, FActSavePdf, FActSaveDocument, FActZoomIn, FActZoomOut,
                            FActFitWidth, FActClose}) {
        if (action == FActZoomIn || action == FActClose)
            bar->addSeparator();
        bar->addAction(action);
    }
    connect(FActPrint, &QAction::triggered, this, [this] { PrintWithDialog(); });
    connect(FActSavePdf, &QAction::triggered, this, [this] { SavePdfWithDialog(); });
    connect(FActSaveDocument, &QAction::triggered, this, [this] {
        const QString suffix = QFileInfo(FSourceDocument).suffix();
        SaveWithDialog(QStringLiteral("另存文件"), suffix,
                       QStringLiteral("文件 (*.%1)").arg(suffix),
                       [this](const QString &path) { SaveDocumentAs(path); });
    });
    connect(FActZoomIn, &QAction::triggered, this, [this] { ZoomIn(); });
    connect(FActZoomOut, &QAction::triggered, this, [this] { ZoomOut(); });
    connect(FActFitWidth, &QAction::triggered, this, [this] { FitWidth(); });
    connect(FActClose, &QAction::triggered, this, &QWidget::close);

    FPageLabel = new QLabel(this);
    FPageLabel->setObjectName(QStringLiteral("lblPage"));
    statusBar()->addWidget(FPageLabel);
    connect(FView->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this,
            [this] { UpdatePageIndicator(); });
    UpdatePageIndicator();

    // A window still open when the program ends is never freed; its PDF goes anyway.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { ReleaseTemporaryFiles(); });

    QSize size(900, 1000);
    if (const QScreen *screen = QApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 0.9);
    resize(size);
}

TPdfPreviewForm::~TPdfPreviewForm() {
    ReleaseTemporaryFiles();
    // The view renders pages on a thread of its own that it stops but never frees; going back
    // to rendering in this thread frees it.
    if (auto *renderer = FView->findChild<QPdfPageRenderer *>())
        renderer->setRenderMode(QPdfPageRenderer::RenderMode::SingleThreaded);
}

void TPdfPreviewForm::ReleaseTemporaryFiles() {
    if (FView)
        FView->setDocument(nullptr);
    if (FDocument)
        FDocument->close();
    FTemporaryFolder.reset();
}

QAction *TPdfPreviewForm::AddAction(const QString &name, const QString &text, const QString &icon) {
    auto *action = new QAction(QIcon::fromTheme(icon), text, this);
    action->setObjectName(name);
    addAction(action);
    return action;
}

int TPdfPreviewForm::PageCount() const {
    return FDocument->pageCount();
}

int TPdfPreviewForm::CurrentPage() const {
    return std::clamp(FView->pageNavigator()->currentPage(), 0, std::max(0, PageCount() - 1));
}

QString TPdfPreviewForm::PageIndicatorText() const {
    return QStringLiteral("第 %1 頁／共 %2 頁").arg(CurrentPage() + 1).arg(PageCount());
}

void TPdfPreviewForm::UpdatePageIndicator() {
    FPageLabel->setText(PageIndicatorText());
}

QPrinter &TPdfPreviewForm::Printer() {
    if (!FPrinter) {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FPrinter->setDocName(FTitle);
    }
    return *FPrinter;
}

namespace {

// Copies a file so that the target is replaced in one step or not at all.
void CopyWhole(const QString &from, const QString &path, const QString &what) {
    const auto fail = [&](const QString &reason) {
        throw EOfficeError(
            QStringLiteral("無法儲存%1 %2：%3").arg(what, QDir::toNativeSeparators(path), reason));
    };
    if (path.isEmpty())
        fail(QStringLiteral("沒有指定檔名"));
    if (QFileInfo(path).absoluteFilePath() == QFileInfo(from).absoluteFilePath())
        return;
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        fail(in.errorString());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        fail(out.errorString());
    while (!in.atEnd()) {
        const QByteArray data = in.read(1 << 20);
        if (data.isEmpty() && in.error() != QFileDevice::NoError)
            fail(in.errorString());
        if (out.write(data) != data.size())
            fail(out.errorString());
    }
    if (!out.commit())
        fail(out.errorString());
}

} // namespace

void TPdfPreviewForm::SavePdfAs(const QString &path) {
    CopyWhole(FPdfPath, path, QStringLiteral(" PDF 檔案"));
}

void TPdfPreviewForm::SetSourceDocument(const QString &path) {
    FSourceDocument = path;
    FActSaveDocument->setVisible(!path.isEmpty());
}

void TPdfPreviewForm::SaveDocumentAs(const QString &path) {
    if (FSourceDocument.isEmpty())
        throw EOfficeError(QStringLiteral("這個預覽沒有原始文件"));
    CopyWhole(FSourceDocument, path, QStringLiteral("文件"));
}

void TPdfPreviewForm::PrintWithDialog() {
    QPrinter &printer = Printer();
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("列印"));
    dialog.setMinMax(1, PageCount());
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        PrintPdf(FPdfPath, printer);
    } catch (const Exception &e) {
        QMessageBox::warning(this, QStringLiteral("列印"), e.Message());
    }
}

void TPdfPreviewForm::SavePdfWithDialog() {
    SaveWithDialog(QStringLiteral("另存PDF"), QStringLiteral("pdf"),
                   QStringLiteral("PDF 文件 (*.pdf)"),
                   [this](const QString &path) { SavePdfAs(path); });
}

void TPdfPreviewForm::SaveWithDialog(const QString &caption, const QString &suffix,
                                     const QString &filter,
                                     const std::function<void(const QString &)> &save) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(this, caption,
                       QDir(folder).filePath(FileNameOf(FTitle) + QLatin1Char('.') + suffix),
                       filter);
    dialog.setObjectName(suffix == QLatin1String("pdf") ? QStringLiteral("SavePdfDialog")
                                                        : QStringLiteral("SaveDocumentDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    try {
        save(dialog.selectedFiles().constFirst());
    } catch (const Exception &e) {
        QMessageBox::warning(this, caption, e.Message());
    }
}

void TPdfPreviewForm::SetZoom(qreal factor) {
    FView->setZoomMode(QPdfView::ZoomMode::Custom);
    FView->setZoomFactor(std::clamp(factor, MinZoom, MaxZoom));
}

void TPdfPreviewForm::ZoomIn() {
    SetZoom(FView->zoomFactor() * ZoomStep);
}

void TPdfPreviewForm::ZoomOut() {
    SetZoom(FView->zoomFactor() / ZoomStep);
}

void TPdfPreviewForm::FitWidth() {
    FView->setZoomMode(QPdfView::ZoomMode::FitToWidth);
}
