#include "OfficeViewerUi.h"

#include "OfficeSuite.h"
#include "PdfPrinting.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>

#include <functional>

namespace {

void RequireApplication() {
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw EInvalidOperation(QStringLiteral("TOfficeViewerUi needs a QApplication"));
}

// The small window shown while the suite works: a line of text and a busy bar.
class TOfficeProgressWindow : public QWidget {
public:
    // A window of its own (no parent), so that nothing else can free it while it is shown.
    TOfficeProgressWindow(const QString &text, const QString &file)
        : QWidget(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
        setObjectName(QStringLiteral("OfficeProgressWindow"));
        setWindowTitle(QStringLiteral("請稍候"));
        auto *layout = new QVBoxLayout(this);
        FLabel = new QLabel(this);
        FLabel->setObjectName(QStringLiteral("lblProgress"));
        layout->addWidget(FLabel);
        auto *fileLabel = new QLabel(QFileInfo(file).fileName(), this);
        layout->addWidget(fileLabel);
        auto *bar = new QProgressBar(this);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        layout->addWidget(bar);
        SetText(text);
        setMinimumWidth(320);
    }
    void SetText(const QString &text) {
        FLabel->setText(text);
        // Painted now: the caller may keep the event loop busy for a while.
        if (isVisible())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    QLabel *FLabel = nullptr;
};

// Runs work on a thread of its own while the event loop goes on painting (user input waits
// until it is done, so nothing starts another job meanwhile); its error reaches the caller.
void RunInBackground(const std::function<void()> &work) {
    std::exception_ptr error;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&work, &error] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    if (error)
        std::rethrow_exception(error);
}

void ConvertWithProgress(TOfficeProgressWindow &progress, const QString &source,
                         const QString &pdfPath) {
    // The suite's absence is told at once, without the busy window's flash.
    if (TOfficeSuite::Program().isEmpty())
        TOfficeSuite::ConvertToPdf(source, pdfPath);
    progress.show();
    progress.SetText(QStringLiteral("文件轉換中…"));
    RunInBackground([&source, &pdfPath] { TOfficeSuite::ConvertToPdf(source, pdfPath); });
}

std::unique_ptr<QTemporaryDir> MakeTemporaryFolder(const QString &source) {
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        throw EOfficeError(QStringLiteral("無法轉換文件 %1：無法建立暫存資料夾（%2）")
                               .arg(QDir::toNativeSeparators(source), folder->errorString()));
    return folder;
}

} // namespace

TOfficeViewerUi::TOfficeViewerUi(QWidget *parent)
    : FParent(parent), FLauncher(std::make_unique<TDesktopLauncher>()) {}

TOfficeViewerUi::~TOfficeViewerUi() = default;

void TOfficeViewerUi::SetLauncher(std::unique_ptr<TDesktopLauncher> launcher) {
    FLauncher = launcher ? std::move(launcher) : std::make_unique<TDesktopLauncher>();
}

QWidget *TOfficeViewerUi::DialogParent() const {
    return FParent ? FParent.data() : QApplication::activeWindow();
}

void TOfficeViewerUi::ShowFile(const QString &path) {
    RequireApplication();
    const QFileInfo info(path);
    if (!info.isFile())
        throw EOfficeError(
            QStringLiteral("無法開啟文件 %1：檔案不存在").arg(QDir::toNativeSeparators(path)));
    if (FLauncher->OpenFile(info.absoluteFilePath()))
        return;
    QMessageBox::information(
        DialogParent(), QStringLiteral("開啟文件"),
        QStringLiteral("文件已儲存於:\n%1\n\n這部電腦沒有可開啟此類文件的應用程式。")
            .arg(QDir::toNativeSeparators(info.absoluteFilePath())));
}

void TOfficeViewerUi::PrintPreviewFile(const QString &path, const QString &title) {
    RequireApplication();
    auto folder = MakeTemporaryFolder(path);
    const QString pdfPath = folder->filePath(QStringLiteral("preview.pdf"));
    {
        TOfficeProgressWindow progress(QStringLiteral("文件轉換中…"), path);
        ConvertWithProgress(progress, path, pdfPath);
    }
    ClosePrintPreview();
    const QString caption = title.isEmpty() ? QFileInfo(path).completeBaseName() : title;
    // The window keeps a copy of the document, which the caller may remove, to save it later.
    const QString kept = folder->filePath(QStringLiteral("document.") + QFileInfo(path).suffix());
    const bool haveCopy = QFile::copy(path, kept);
    auto *form = new TPdfPreviewForm(pdfPath, caption, std::move(folder));
    if (haveCopy)
        form->SetSourceDocument(kept);
    FPreview = form;
    form->show();
    form->raise();
    form->activateWindow();
}

void TOfficeViewerUi::ClosePrintPreview() {
    if (FPreview)
        FPreview->close();
    FPreview = nullptr;
}

std::unique_ptr<QPrinter> TOfficeViewerUi::MakePrinter() const {
    if (!FPrinterOutputFile.isEmpty()) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(FPrinterOutputFile);
        printer->setResolution(OutputFileDpi);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        printer->setFullPage(true);
        return printer;
    }
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
        if (!printers.isEmpty())
            info = printers.constFirst();
    }
    if (info.isNull())
        throw EOfficeError(QStringLiteral("沒有可用的印表機"));
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

void TOfficeViewerUi::PrintOutFile(const QString &path) {
    RequireApplication();
    std::unique_ptr<QPrinter> printer = MakePrinter();
    printer->setDocName(QFileInfo(path).fileName());
    auto folder = MakeTemporaryFolder(path);
    const QString pdfPath = folder->filePath(QStringLiteral("print.pdf"));
    TOfficeProgressWindow progress(QStringLiteral("文件轉換中…"), path);
    ConvertWithProgress(progress, path, pdfPath);
    progress.SetText(QStringLiteral("文件列印中…"));
    PrintPdf(pdfPath, *printer);
}
