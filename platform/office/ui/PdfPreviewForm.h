#pragma once
// The print preview window: the pages of a PDF one below the other, fitted to the window's
// width, with zoom, a page indicator and the actions "列印" (through the print dialog),
// "另存PDF", "另存文件" (the document the pages were made from, when known) and "關閉". It is a
// top-level window that frees itself when closed, and removes the temporary folder of its PDF with
// it.

#include "OfficeErrors.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPdfDocument;
class QPdfView;
class QPrinter;
class QTemporaryDir;

class TPdfPreviewForm : public QMainWindow {
    Q_OBJECT
public:
    // Shows the PDF at pdfPath under the caption "預覽列印 - <title>". temporaryFolder, when
    // given, holds the PDF and is removed when the window goes. Raises EOfficeError when the
    // PDF cannot be read.
    TPdfPreviewForm(const QString &pdfPath, const QString &title,
                    std::unique_ptr<QTemporaryDir> temporaryFolder = {}, QWidget *parent = nullptr);
    ~TPdfPreviewForm() override;

    QString PdfPath() const { return FPdfPath; }
    QString Title() const { return FTitle; }
    int PageCount() const;
    // The page at the top of the view, from zero.
    int CurrentPage() const;
    QString PageIndicatorText() const;
    QPdfView *View() const { return FView; }
    QPdfDocument *Document() const { return FDocument; }

    // The printer of the print action; the dialog's choices stay with it between prints.
    QPrinter &Printer();

    // Copies the PDF to path, replacing any file there in one step. Raises EOfficeError.
    void SavePdfAs(const QString &path);
    // The document the pages were made from (a copy the window keeps); offers "另存文件".
    void SetSourceDocument(const QString &path);
    QString SourceDocument() const { return FSourceDocument; }
    // Copies the source document to path as SavePdfAs does.
    void SaveDocumentAs(const QString &path);

    void ZoomIn();
    void ZoomOut();
    void FitWidth();

    QAction *PrintAction() const { return FActPrint; }
    QAction *SavePdfAction() const { return FActSavePdf; }
    QAction *CloseAction() const { return FActClose; }
    QAction *SaveDocumentAction() const { return FActSaveDocument; }

    static constexpr qreal ZoomStep = 1.25;
    static constexpr qreal MinZoom = 0.1;
    static constexpr qreal MaxZoom = 8.0;

private:
    void PrintWithDialog();
    void SavePdfWithDialog();
    void SaveWithDialog(const QString &caption, const QString &suffix, const QString &filter,
                        const std::function<void(const QString &)> &save);
    void SetZoom(qreal factor);
    void UpdatePageIndicator();
    void ReleaseTemporaryFiles();
    QAction *AddAction(const QString &name, const QString &text, const QString &icon);

    QString FPdfPath;
    QString FTitle;
    std::unique_ptr<QTemporaryDir> FTemporaryFolder;
    std::unique_ptr<QPrinter> FPrinter;
    QPdfDocument *FDocument = nullptr;
    QPdfView *FView = nullptr;
    QLabel *FPageLabel = nullptr;
    QAction *FActPrint = nullptr;
    QAction *FActSavePdf = nullptr;
    QAction *FActSaveDocument = nullptr;
    QString FSourceDocument;
    QAction *FActClose = nullptr;
    QAction *FActZoomIn = nullptr;
    QAction *FActZoomOut = nullptr;
    QAction *FActFitWidth = nullptr;
};
