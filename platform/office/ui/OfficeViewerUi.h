#pragma once
// The desktop side of the office layer: opening saved documents with the desktop's
// application, the print preview window and printing, each through the office suite's PDF.
// While the suite converts a document (a matter of seconds) a small window says so and the
// other windows keep painting.

#include "DesktopLauncher.h"
#include "OfficeViewer.h"
#include "PdfPreviewForm.h"

#include <QPointer>
#include <memory>

class QPrinter;
class QWidget;

class TOfficeViewerUi : public TOfficeViewer {
public:
    // parent, when given, is the window the viewer's message boxes belong to (else the active
    // window). The viewer needs a QApplication; every call raises EInvalidOperation without one.
    explicit TOfficeViewerUi(QWidget *parent = nullptr);
    ~TOfficeViewerUi() override;

    // Opens the file with the launcher; when it cannot, tells the user where the file is.
    // Raises EOfficeError when there is no such file.
    void ShowFile(const QString &path) override;
    // Converts the file and shows it in a preview window, which replaces the one this viewer
    // opened before. The window stays when the viewer goes; it frees itself when closed.
    void PrintPreviewFile(const QString &path, const QString &title) override;
    void ClosePrintPreview() override;
    // Converts the file and prints it on the default printer (else the first one installed),
    // or into the PDF file set by SetPrinterOutputFile. Raises EOfficeError "沒有可用的印表機"
    // before converting when there is no printer.
    void PrintOutFile(const QString &path) override;

    void SetLauncher(std::unique_ptr<TDesktopLauncher> launcher);
    TDesktopLauncher &Launcher() const { return *FLauncher; }
    // Prints into this PDF file (A4, the document's pages at 150 dots per inch) instead of on a
    // printer; an empty path prints on the printer again.
    void SetPrinterOutputFile(const QString &path) { FPrinterOutputFile = path; }
    QString PrinterOutputFile() const { return FPrinterOutputFile; }
    // The preview window opened last, while it is open.
    TPdfPreviewForm *PreviewForm() const { return FPreview; }

    static constexpr int OutputFileDpi = 150;

private:
    std::unique_ptr<QPrinter> MakePrinter() const;
    QWidget *DialogParent() const;

    QPointer<QWidget> FParent;
    std::unique_ptr<TDesktopLauncher> FLauncher;
    QString FPrinterOutputFile;
    QPointer<TPdfPreviewForm> FPreview;
};
