#include "QRPreparedReport.h"

#include <QDir>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstring>

// Page bytes: a sequence of items, each a run of 32-bit words (a tag, then its fields), strings
// as a length and UTF-16 code units padded to whole words, so that a painted string is read in
// place without a copy.

namespace {

enum TTag : quint32 { tText = 1, tClippedText, tPageData, tLine, tShape };

void PutU(QByteArray &b, quint32 v) {
    b.append(reinterpret_cast<const char *>(&v), sizeof v);
}
void PutF(QByteArray &b, double v) {
    const float f = static_cast<float>(v);
    b.append(reinterpret_cast<const char *>(&f), sizeof f);
}
void PutRect(QByteArray &b, const QRectF &r) {
    PutF(b, r.x());
    PutF(b, r.y());
    PutF(b, r.width());
    PutF(b, r.height());
}
void PutS(QByteArray &b, const QString &s) {
    const auto length = static_cast<quint32>(s.size());
    PutU(b, length);
    b.append(reinterpret_cast<const char *>(s.utf16()), static_cast<qsizetype>(length) * 2);
    if (length & 1)
        b.append(2, '\0');
}

struct TReader {
    const char *P;
    const char *End;
    bool AtEnd() const { return P >= End; }
    quint32 U() {
        quint32 v;
        std::memcpy(&v, P, sizeof v);
        P += sizeof v;
        return v;
    }
    double F() {
        float v;
        std::memcpy(&v, P, sizeof v);
        P += sizeof v;
        return v;
    }
    QRectF Rect() {
        const double x = F(), y = F(), w = F(), h = F();
        return QRectF(x, y, w, h);
    }
    // The string in place: valid while the page bytes live.
    QString RawS() {
        const quint32 length = U();
        const auto *chars = reinterpret_cast<const QChar *>(P);
        P += (static_cast<qsizetype>(length) + (length & 1)) * 2;
        return QString::fromRawData(chars, length);
    }
    QString S() {
        QString s = RawS();
        s.detach();
        return s;
    }
};

QColor ColorOf(QRgb rgba) {
    return QColor::fromRgba(rgba);
}

} // namespace

struct TQRPreparedReport::TFile {
    QTemporaryFile File{QDir::tempPath() + QStringLiteral("/orv7-report-XXXXXX.pages")};
};

TQRPreparedReport::TQRPreparedReport(const QString &title, const QPageLayout &paper)
    : FTitle(title), FPaper(paper.pageSize()), FOrientation(paper.orientation()) {
    const QSizeF size = FPaper.size(QPageSize::Millimeter);
    FPageSize = FOrientation == QPageLayout::Landscape ? size.transposed() : size;
}

TQRPreparedReport::~TQRPreparedReport() = default;

QPageLayout TQRPreparedReport::PageLayout() const {
    return QPageLayout(FPaper, FOrientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// ---- building -------------------------------------------------------------------------------

int TQRPreparedReport::AddFont(const QFont &font) {
    for (size_t i = 0; i < FFonts.size(); ++i)
        if (FFonts[i] == font)
            return static_cast<int>(i);
    FFonts.push_back(font);
    return static_cast<int>(FFonts.size()) - 1;
}

void TQRPreparedReport::BeginPage() {
    if (FInPage)
        EndPage();
    FInPage = true;
    FPage.resize(0);
}

void TQRPreparedReport::AddText(QPointF baseline, int font, QRgb color, const QString &text) {
    PutU(FPage, tText);
    PutF(FPage, baseline.x());
    PutF(FPage, baseline.y());
    PutU(FPage, static_cast<quint32>(font));
    PutU(FPage, color);
    PutS(FPage, text);
}

void TQRPreparedReport::AddClippedText(QPointF baseline, const QRectF &clip, int font, QRgb color,
                                       const QString &text) {
    PutU(FPage, tClippedText);
    PutF(FPage, baseline.x());
    PutF(FPage, baseline.y());
    PutRect(FPage, clip);
    PutU(FPage, static_cast<quint32>(font));
    PutU(FPage, color);
    PutS(FPage, text);
}

void TQRPreparedReport::AddPageData(const QRectF &rect, int font, QRgb color, int alignment,
                                    TQRPageDataKind kind, const QString &pattern) {
    PutU(FPage, tPageData);
    PutRect(FPage, rect);
    PutU(FPage, static_cast<quint32>(font));
    PutU(FPage, color);
    PutU(FPage, static_cast<quint32>(alignment));
    PutU(FPage, static_cast<quint32>(kind));
    PutS(FPage, pattern);
}

void TQRPreparedReport::AddLine(QPointF from, QPointF to, double width, QRgb color) {
    PutU(FPage, tLine);
    PutF(FPage, from.x());
    PutF(FPage, from.y());
    PutF(FPage, to.x());
    PutF(FPage, to.y());
    PutF(FPage, width);
    PutU(FPage, color);
}

void TQRPreparedReport::AddShape(TQRShapeKind kind, const QRectF &rect, double penWidth, QRgb pen,
                                 QRgb brush) {
    PutU(FPage, tShape);
    PutU(FPage, static_cast<quint32>(kind));
    PutRect(FPage, rect);
    PutF(FPage, penWidth);
    PutU(FPage, pen);
    PutU(FPage, brush);
}

void TQRPreparedReport::EndPage() {
    if (!FInPage)
        return;
    FInPage = false;
    Store(FPage);
    FPage.resize(0);
}

void TQRPreparedReport::Store(const QByteArray &page) {
    if (!FFile && FMemory.size() + page.size() > FMemoryLimit) {
        auto file = std::make_unique<TFile>();
        if (!file->File.open())
            throw EReportError(QStringLiteral("Cannot create the temporary file of the pages: %1")
                                   .arg(file->File.errorString()));
        if (file->File.write(FMemory) != FMemory.size())
            throw EReportError(QStringLiteral("Cannot write the temporary file of the pages: %1")
                                   .arg(file->File.errorString()));
        FFile = std::move(file);
        FMemory = QByteArray();
    }
    if (FFile) {
        if (!FFile->File.seek(FOffsets.back()) || FFile->File.write(page) != page.size())
            throw EReportError(QStringLiteral("Cannot write the temporary file of the pages: %1")
                                   .arg(FFile->File.errorString()));
    } else {
        FMemory.append(page);
    }
    FOffsets.push_back(FOffsets.back() + page.size());
    FStoredBytes = FOffsets.back();
}

// ---- reading --------------------------------------------------------------------------------

void TQRPreparedReport::CheckPage(int index) const {
    if (index < 0 || index >= PageCount())
        throw EReportError(QStringLiteral("Page %1 is not in the report (%2 pages)")
                               .arg(index + 1)
                               .arg(PageCount()));
}

QByteArray TQRPreparedReport::PageBytes(int index) const {
    CheckPage(index);
    const qint64 from = FOffsets[static_cast<size_t>(index)];
    const qint64 size = FOffsets[static_cast<size_t>(index) + 1] - from;
    if (!FFile)
        return FMemory.mid(from, size);
    QByteArray bytes;
    if (FFile->File.seek(from))
        bytes = FFile->File.read(size);
    if (bytes.size() != size)
        throw EReportError(QStringLiteral("Cannot read the temporary file of the pages: %1")
                               .arg(FFile->File.errorString()));
    return bytes;
}

QString TQRPreparedReport::PageDataText(TQRPageDataKind kind, const QString &pattern, int page,
                                        int count) {
    if (kind == TQRPageDataKind::PageCount)
        return Format(pattern, {QString::number(count)});
    return Format(pattern, {QString::number(page), QString::number(count)});
}

std::vector<TQRDrawItem> TQRPreparedReport::PageItems(int index) const {
    const QByteArray bytes = PageBytes(index);
    TReader r{bytes.constData(), bytes.constData() + bytes.size()};
    std::vector<TQRDrawItem> items;
    while (!r.AtEnd()) {
        TQRDrawItem item;
        const quint32 tag = r.U();
        switch (tag) {
        case tText:
        case tClippedText: {
            const bool clipped = tag == tClippedText;
            item.Kind = TQRDrawItem::TextItem;
            const double x = r.F(), y = r.F();
            item.Position = QPointF(x, y);
            if (clipped) {
                item.Clipped = true;
                item.Rect = r.Rect();
            }
            item.Font = static_cast<int>(r.U());
            item.Color = r.U();
            item.Text = r.S();
            break;
        }
        case tPageData:
            item.Kind = TQRDrawItem::PageDataItem;
            item.Rect = r.Rect();
            item.Font = static_cast<int>(r.U());
            item.Color = r.U();
            item.Alignment = static_cast<int>(r.U());
            item.Data = static_cast<TQRPageDataKind>(r.U());
            item.Text = r.S();
            break;
        case tLine: {
            item.Kind = TQRDrawItem::LineItem;
            const double x1 = r.F(), y1 = r.F(), x2 = r.F(), y2 = r.F();
            item.Position = QPointF(x1, y1);
            item.End = QPointF(x2, y2);
            item.PenWidth = r.F();
            item.Color = r.U();
            break;
        }
        case tShape:
            item.Kind = TQRDrawItem::ShapeItem;
            item.ShapeKind = static_cast<TQRShapeKind>(r.U());
            item.Rect = r.Rect();
            item.PenWidth = r.F();
            item.Color = r.U();
            item.Brush = r.U();
            break;
        default:
            throw EReportError(QStringLiteral("The stored page %1 is damaged").arg(index + 1));
        }
        items.push_back(std::move(item));
    }
    return items;
}

QStringList TQRPreparedReport::PageTexts(int index) const {
    QStringList texts;
    for (const TQRDrawItem &item : PageItems(index)) {
        if (item.Kind == TQRDrawItem::TextItem)
            texts << item.Text;
        else if (item.Kind == TQRDrawItem::PageDataItem)
            texts << PageDataText(item.Data, item.Text, index + 1, PageCount());
    }
    return texts;
}

// ---- painting -------------------------------------------------------------------------------

void TQRPreparedReport::PaintPage(QPainter &painter, int index, double dpiX, double dpiY) const {
    const QByteArray bytes = PageBytes(index);
    const double sx = dpiX / 25.4, sy = dpiY / 25.4;
    TReader r{bytes.constData(), bytes.constData() + bytes.size()};
    int font = -1;
    // The pen in use: a text colour (width < 0) or a line's colour and width.
    QRgb penColor = 0;
    double penWidth = -2;
    const auto textPen = [&](QRgb color) {
        if (penWidth != -1 || penColor != color) {
            painter.setPen(ColorOf(color));
            penColor = color;
            penWidth = -1;
        }
    };
    const auto useFont = [&](int f) {
        if (f != font && f >= 0 && f < static_cast<int>(FFonts.size())) {
            painter.setFont(FFonts[static_cast<size_t>(f)]);
            font = f;
        }
    };
    while (!r.AtEnd()) {
        switch (r.U()) {
        case tText: {
            const double x = r.F(), y = r.F();
            useFont(static_cast<int>(r.U()));
            textPen(r.U());
            painter.drawText(QPointF(x * sx, y * sy), r.RawS());
            break;
        }
        case tClippedText: {
            const double x = r.F(), y = r.F();
            const QRectF clip = r.Rect();
            useFont(static_cast<int>(r.U()));
            textPen(r.U());
            const QString text = r.RawS();
            painter.save();
            painter.setClipRect(
                QRectF(clip.x() * sx, clip.y() * sy, clip.width() * sx, clip.height() * sy),
                Qt::IntersectClip);
            painter.drawText(QPointF(x * sx, y * sy), text);
            painter.restore();
            break;
        }
        case tPageData: {
            const QRectF rect = r.Rect();
            useFont(static_cast<int>(r.U()));
            textPen(r.U());
            const int alignment = static_cast<int>(r.U());
            const auto kind = static_cast<TQRPageDataKind>(r.U());
            const QString pattern = r.RawS();
            painter.drawText(
                QRectF(rect.x() * sx, rect.y() * sy, rect.width() * sx, rect.height() * sy),
                alignment | Qt::TextSingleLine | Qt::TextDontClip,
                PageDataText(kind, pattern, index + 1, PageCount()));
            break;
        }
        case tLine: {
            const double x1 = r.F(), y1 = r.F(), x2 = r.F(), y2 = r.F();
            const double width = r.F();
            const QRgb color = r.U();
            if (penWidth != width || penColor != color) {
                QPen pen(ColorOf(color), std::max(width * sx, 1.0), Qt::SolidLine, Qt::SquareCap);
                painter.setPen(pen);
                penColor = color;
                penWidth = width;
            }
            painter.drawLine(QPointF(x1 * sx, y1 * sy), QPointF(x2 * sx, y2 * sy));
            break;
        }
        case tShape: {
            const auto kind = static_cast<TQRShapeKind>(r.U());
            const QRectF rect = r.Rect();
            const double width = r.F();
            const QRgb pen = r.U(), brush = r.U();
            painter.save();
            if (width > 0)
                painter.setPen(QPen(ColorOf(pen), std::max(width * sx, 1.0)));
            else
                painter.setPen(Qt::NoPen);
            painter.setBrush(qAlpha(brush) ? QBrush(ColorOf(brush)) : QBrush(Qt::NoBrush));
            const QRectF device(rect.x() * sx, rect.y() * sy, rect.width() * sx,
                                rect.height() * sy);
            switch (kind) {
            case TQRShapeKind::Rectangle:
                painter.drawRect(device);
                break;
            case TQRShapeKind::Ellipse:
                painter.drawEllipse(device);
                break;
            case TQRShapeKind::RoundRect: {
                const double radius = std::min(device.width(), device.height()) / 8;
                painter.drawRoundedRect(device, radius, radius);
                break;
            }
            }
            painter.restore();
            // The painter's pen came back; the next text or line sets its own.
            penWidth = -2;
            break;
        }
        default:
            throw EReportError(QStringLiteral("The stored page %1 is damaged").arg(index + 1));
        }
    }
}

QImage TQRPreparedReport::RenderPage(int index, double dpi) const {
    CheckPage(index);
    const QSize size(std::max(1, qCeil(FPageSize.width() / 25.4 * dpi)),
                     std::max(1, qCeil(FPageSize.height() / 25.4 * dpi)));
    QImage image(size, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintPage(painter, index, dpi, dpi);
    return image;
}

void TQRPreparedReport::Print(QPagedPaintDevice &device, const QList<int> &pages,
                              const TProgress &progress) const {
    QList<int> list;
    if (pages.isEmpty()) {
        for (int i = 0; i < PageCount(); ++i)
            list << i;
    } else {
        for (int page : pages)
            if (page >= 0 && page < PageCount())
                list << page;
    }
    if (list.isEmpty())
        throw EReportEmpty(QStringLiteral("報表沒有資料可以列印"));
    device.setPageLayout(PageLayout());
    QPainter painter;
    if (!painter.begin(&device))
        throw EReportError(QStringLiteral("無法開始列印"));
    const double dpiX = device.logicalDpiX(), dpiY = device.logicalDpiY();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0 && !device.newPage())
            throw EReportError(QStringLiteral("無法開始新的一頁"));
        PaintPage(painter, list[i], dpiX, dpiY);
        if (progress)
            progress(static_cast<int>(i) + 1, static_cast<int>(list.size()));
    }
    if (!painter.end())
        throw EReportError(QStringLiteral("列印沒有完成"));
}

void TQRPreparedReport::SaveToPdf(const QString &path, const TProgress &progress) const {
    if (PageCount() == 0)
        throw EReportEmpty(QStringLiteral("報表沒有資料可以列印"));
    const auto fail = [&](const QString &reason) {
        throw EReportError(
            QStringLiteral("無法儲存 PDF 檔案 %1：%2").arg(QDir::toNativeSeparators(path), reason));
    };
    if (path.isEmpty())
        fail(QStringLiteral("沒有指定檔名"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setTitle(FTitle);
        writer.setCreator(QStringLiteral("ORV School Administration"));
        Print(writer, {}, progress);
    }
    if (!file.commit())
        fail(file.errorString());
}
