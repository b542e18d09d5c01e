#pragma once
// What the office layer asks of the desktop: showing a saved document with the desktop's
// application, the print preview and printing. The document model stays free of widgets;
// the implementation with windows lives in platform/office/ui (TOfficeViewerUi).

#include <QString>

class TOfficeViewer {
public:
    virtual ~TOfficeViewer() = default;
    // Opens the saved file with the desktop's application for its type; when there is none,
    // tells the user where the file was saved. Never raises for want of an application.
    virtual void ShowFile(const QString &path) = 0;
    // Shows the file's pages (converted to PDF through the office suite) in the preview
    // window, from which the user prints or saves a PDF. Raises EOfficeSuiteMissing when the
    // suite is not installed and EOfficeError when the conversion fails.
    virtual void PrintPreviewFile(const QString &path, const QString &title) = 0;
    // Closes the preview window opened by PrintPreviewFile, if it is still open.
    virtual void ClosePrintPreview() = 0;
    // Prints the file's pages on the printer (converted to PDF through the office suite).
    // Raises as PrintPreviewFile does, and EOfficeError when there is no printer.
    virtual void PrintOutFile(const QString &path) = 0;
};
