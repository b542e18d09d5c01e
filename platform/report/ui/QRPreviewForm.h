#pragma once
// The report preview window "預覽列印 - <title>": the prepared pages of a report one at a time,
// with the actions 第一頁, 上一頁, 下一頁, 最後一頁 (and the keys Home, Page Up, Page Down, End),
// 放大, 縮小, 符合寬度, 整頁, 列印 (through the print dialog), 另存PDF (through a file dialog) and
// 關閉, and the page indicator "第 n 頁／共 m 頁" in its status bar. It keeps the pages it
// shows (they outlive the report), is a top-level window and frees itself when closed.

#include "QRPreparedReport.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QPrinter;
class QScrollArea;

class TQRPreviewForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TQRPreviewForm(std::shared_ptr<TQRPreparedReport> pages, QWidget *parent = nullptr);
    ~TQRPreviewForm() override;

    const std::shared_ptr<TQRPreparedReport> &Pages() const { return FPages; }
    QString Title() const { return FPages->Title(); }
    int PageCount() const { return FPages->PageCount(); }
    // The page shown, from 0.
    int CurrentPage() const { return FPage; }
    void GotoPage(int index);
    QString PageIndicatorText() const;

    enum class TZoomMode { Custom, FitWidth, FitPage };
    TZoomMode ZoomMode() const { return FZoomMode; }
    // 1.0 shows the page at its real size on the screen.
    double Zoom() const { return FZoom; }
    void SetZoom(double factor);
    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void FitPage();
    // The picture of the page shown.
    QImage PageImage() const { return FImage; }

    // The printer of the print action; the dialog's choices stay with it between prints.
    QPrinter &Printer();
    // Prints on the printer as it is set: its page range (or the page shown, for "current
    // page"), order and copies. Raises EReportError.
    void PrintOn(QPrinter &printer);
    // Writes the pages as a PDF file. Raises EReportError.
    void SavePdfAs(const QString &path);

    QAction *FirstAction() const { return FActFirst; }
    QAction *PriorAction() const { return FActPrior; }
    QAction *NextAction() const { return FActNext; }
    QAction *LastAction() const { return FActLast; }
    QAction *PrintAction() const { return FActPrint; }
    QAction *SavePdfAction() const { return FActSavePdf; }
    QAction *CloseAction() const { return FActClose; }

    static constexpr double ZoomStep = 1.25;
    static constexpr double MinZoom = 0.1;
    static constexpr double MaxZoom = 8.0;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QAction *AddAction(const QString &name, const QString &text, const QString &icon);
    void PrintWithDialog();
    void SavePdfWithDialog();
    void ShowPage();
    void UpdateActions();
    double ScreenDpi() const;

    std::shared_ptr<TQRPreparedReport> FPages;
    int FPage = 0;
    double FZoom = 1.0;
    TZoomMode FZoomMode = TZoomMode::FitWidth;
    QImage FImage;
    std::unique_ptr<QPrinter> FPrinter;
    QScrollArea *FScroll = nullptr;
    QLabel *FPageView = nullptr;
    QLabel *FPageLabel = nullptr;
    QLabel *FZoomLabel = nullptr;
    QAction *FActFirst = nullptr, *FActPrior = nullptr, *FActNext = nullptr, *FActLast = nullptr;
    QAction *FActZoomIn = nullptr, *FActZoomOut = nullptr, *FActFitWidth = nullptr,
            *FActFitPage = nullptr;
    QAction *FActPrint = nullptr, *FActSavePdf = nullptr, *FActClose = nullptr;
};
