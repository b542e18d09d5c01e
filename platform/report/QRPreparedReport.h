#pragma once
// TQRPreparedReport: the pages of a report once laid out, ready to paint. Every page is a short
// list of positioned draw items (texts at their baselines, page numbers still to be filled in,
// lines and shapes) in millimetres from the paper's top-left corner, kept as compact bytes:
// in memory while the report is small, in a temporary file beyond that, so that a run of
// thousands of pages holds no more than one page in memory at a time. Page numbers and the page
// count are filled in while a page is painted, when the count is known.
//
// The same pages paint on any QPainter: a QPdfWriter (SaveToPdf), a QPrinter (Print, through
// its QPagedPaintDevice side), or a QImage for the preview (RenderPage). Fonts are those the
// report chose; text stays text in a PDF.

#include "ReportErrors.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPagedPaintDevice;

// The data a page-number text shows, filled in when the page is painted: its pattern gets the
// page number and the page count (PageNumber) or the page count alone (PageCount), through
// Format() ("第 %d 頁 / 共 %d 頁", "共 %d 頁").
enum class TQRPageDataKind : quint8 { PageNumber, PageCount };

// Shapes of a shape item.
enum class TQRShapeKind : quint8 { Rectangle, Ellipse, RoundRect };

// One draw item of a page as read back (tests, the benchmark's floor, custom output).
struct TQRDrawItem {
    enum TKind : quint8 { TextItem, PageDataItem, LineItem, ShapeItem };
    TKind Kind = TextItem;
    QPointF Position;     // Text: the start of the baseline; Line: the first end (mm)
    QPointF End;          // Line: the second end (mm)
    QRectF Rect;          // PageData, Shape: the box; Text: the clip box when Clipped (mm)
    bool Clipped = false; // Text: drawn only inside Rect
    int Font = -1;        // Text, PageData: index into Fonts()
    QRgb Color = 0;       // text or pen colour
    QRgb Brush = 0;       // Shape: the fill (alpha 0: none)
    double PenWidth = 0;  // Line, Shape (mm; 0: no outline for a shape)
    int Alignment = 0;    // PageData: Qt alignment flags inside Rect
    TQRPageDataKind Data = TQRPageDataKind::PageNumber;
    TQRShapeKind ShapeKind = TQRShapeKind::Rectangle;
    QString Text; // Text: the text; PageData: the pattern
};

class TQRPreparedReport {
public:
    // Pages of the given paper (size and orientation; the margins were the layout's business).
    TQRPreparedReport(const QString &title, const QPageLayout &paper);
    ~TQRPreparedReport();
    TQRPreparedReport(const TQRPreparedReport &) = delete;
    TQRPreparedReport &operator=(const TQRPreparedReport &) = delete;

    QString Title() const { return FTitle; }
    int PageCount() const { return static_cast<int>(FOffsets.size()) - 1; }
    // The paper, oriented, in millimetres.
    QSizeF PageSizeMM() const { return FPageSize; }
    // The paper as a page layout without margins (the pages are drawn from the paper's corner).
    QPageLayout PageLayout() const;
    const std::vector<QFont> &Fonts() const { return FFonts; }
    // Bytes the pages take, and whether they went to a temporary file.
    qint64 StoredBytes() const { return FStoredBytes; }
    bool Spilled() const { return FFile != nullptr; }

    // Paints page `index` (from 0) with the painter's device coordinates putting the paper's
    // top-left corner at (0, 0), dpiX and dpiY device units per inch.
    void PaintPage(QPainter &painter, int index, double dpiX, double dpiY) const;
    // The page on white paper at `dpi` dots per inch.
    QImage RenderPage(int index, double dpi) const;

    // Called after each page painted with the number painted so far and the number to paint;
    // an exception it raises (EAbort) ends the output.
    using TProgress = std::function<void(int done, int total)>;
    // Paints the pages (from 0; empty: all, in order) on a paged device: a QPdfWriter or a
    // QPrinter. The device gets the report's paper without margins. Raises EReportEmpty when
    // there is no page to print, EReportError when the device cannot be painted on.
    void Print(QPagedPaintDevice &device, const QList<int> &pages = {},
               const TProgress &progress = {}) const;
    // Writes the pages as a PDF file, replacing any file at path in one step. Raises
    // EReportEmpty without pages, EReportError when the file cannot be written.
    void SaveToPdf(const QString &path, const TProgress &progress = {}) const;

    // The draw items of a page, and the texts as printed (page data filled in), in the order
    // they are painted.
    std::vector<TQRDrawItem> PageItems(int index) const;
    QStringList PageTexts(int index) const;
    // A page-data pattern filled in for a page (from 1) of `count`.
    static QString PageDataText(TQRPageDataKind kind, const QString &pattern, int page, int count);

    // Building, by the layout run: fonts by index, then pages of items.
    int AddFont(const QFont &font);
    void BeginPage();
    void AddText(QPointF baseline, int font, QRgb color, const QString &text);
    void AddClippedText(QPointF baseline, const QRectF &clip, int font, QRgb color,
                        const QString &text);
    void AddPageData(const QRectF &rect, int font, QRgb color, int alignment, TQRPageDataKind kind,
                     const QString &pattern);
    void AddLine(QPointF from, QPointF to, double width, QRgb color);
    void AddShape(TQRShapeKind kind, const QRectF &rect, double penWidth, QRgb pen, QRgb brush);
    void EndPage();
    // Bytes kept in memory before the pages move to a temporary file.
    void SetMemoryLimit(qint64 bytes) { FMemoryLimit = bytes; }

private:
    QByteArray PageBytes(int index) const;
    void Store(const QByteArray &page);
    void CheckPage(int index) const;

    QString FTitle;
    QPageSize FPaper;
    QPageLayout::Orientation FOrientation;
    QSizeF FPageSize;
    std::vector<QFont> FFonts;
    std::vector<qint64> FOffsets{0}; // page i: bytes [FOffsets[i], FOffsets[i + 1])
    QByteArray FMemory;              // the pages while they fit in memory
    struct TFile;
    std::unique_ptr<TFile> FFile; // the pages once they do not
    QByteArray FPage;             // the page being built
    bool FInPage = false;
    qint64 FStoredBytes = 0;
    qint64 FMemoryLimit = 256 * 1024;
};
