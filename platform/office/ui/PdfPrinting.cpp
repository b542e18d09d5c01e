#include "PdfPrinting.h"

#include "PrintPages.h"

#include <QDir>
#include <QFileInfo>
#include <QPageRanges>
#include <QPainter>
#include <QPdfDocument>
#include <QPrinter>

#include <algorithm>

namespace {

QString LoadErrorText(QPdfDocument::Error error) {
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return QStringLiteral("檔案不存在");
    case QPdfDocument::Error::InvalidFileFormat:
        return QStringLiteral("不是有效的 PDF 檔案");
    case QPdfDocument::Error::IncorrectPassword:
        return QStringLiteral("檔案受密碼保護");
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QStringLiteral("不支援檔案的加密方式");
    case QPdfDocument::Error::DataNotYetAvailable:
        return QStringLiteral("檔案內容不完整");
    default:
        return QStringLiteral("無法讀取檔案");
    }
}

[[noreturn]] void RaisePrintError(const QString &pdfPath, const QString &reason) {
    throw EOfficeError(
        QStringLiteral("無法列印 %1：%2").arg(QDir::toNativeSeparators(pdfPath), reason));
}

// The page rendered on white (the renderer leaves the paper transparent).
QImage RenderPage(QPdfDocument &document, int page, QSize size) {
    QImage image = document.render(page, size);
    if (image.isNull())
        return image;
    {
        QPainter paper(&image);
        paper.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        paper.fillRect(image.rect(), Qt::white);
    }
    image.convertTo(QImage::Format_RGB32);
    return image;
}

} // namespace

void OpenPdfDocument(QPdfDocument &document, const QString &path) {
    const QPdfDocument::Error error =
        QFileInfo(path).isFile() ? document.load(path) : QPdfDocument::Error::FileNotFound;
    if (error != QPdfDocument::Error::None)
        throw EOfficeError(QStringLiteral("無法開啟 PDF 檔案 %1：%2")
                               .arg(QDir::toNativeSeparators(path), LoadErrorText(error)));
    if (document.pageCount() <= 0) {
        document.close();
        throw EOfficeError(QStringLiteral("無法開啟 PDF 檔案 %1：檔案沒有任何頁面")
                               .arg(QDir::toNativeSeparators(path)));
    }
}

void PrintPdf(const QString &pdfPath, QPrinter &printer) {
    QPdfDocument document;
    OpenPdfDocument(document, pdfPath);
    const QList<int> sheets = PrintedPages(printer, document.pageCount());
    if (sheets.isEmpty())
        RaisePrintError(
            pdfPath,
            QStringLiteral("列印範圍內沒有任何頁面（文件共 %1 頁）").arg(document.pageCount()));

    QPainter painter;
    if (!painter.begin(&printer))
        RaisePrintError(pdfPath, QStringLiteral("無法開始列印到 %1").arg(printer.printerName()));
    const QRectF area(0, 0, printer.width(), printer.height());
    const qreal pictureScale =
        std::min(1.0, qreal(MaxPrintDpi) / std::max(1, printer.resolution()));
    // A page already rendered is reused when the next sheet shows it again (uncollated copies).
    int renderedPage = -1;
    QImage picture;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        const int page = sheets[i];
        if (i > 0 && !printer.newPage()) {
            painter.end();
            RaisePrintError(pdfPath, QStringLiteral("印表機無法換頁"));
        }
        const QSizeF points = document.pagePointSize(page);
        if (points.isEmpty())
            continue; // a page without size prints as an empty sheet
        const qreal scale =
            std::min(area.width() / points.width(), area.height() / points.height());
        const QSizeF target = points * scale;
        const QRectF place(area.left() + (area.width() - target.width()) / 2,
                           area.top() + (area.height() - target.height()) / 2, target.width(),
                           target.height());
        if (page != renderedPage) {
            const QSize pixels = (target * pictureScale).toSize().expandedTo(QSize(1, 1));
            picture = RenderPage(document, page, pixels);
            renderedPage = page;
            if (picture.isNull()) {
                printer.abort();
                painter.end();
                RaisePrintError(pdfPath, QStringLiteral("無法繪製第 %1 頁").arg(page + 1));
            }
        }
        painter.drawImage(place, picture);
    }
    if (!painter.end())
        RaisePrintError(pdfPath, QStringLiteral("無法完成列印"));
}
