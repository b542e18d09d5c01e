#include "uLumQrElements.h"

#include "QRBands.h"
#include "QRCtrls.h"

TQRDBText *AddCaptionedText(TQRBand *band, double left, double top, double width, double height,
                            TDataSet *dataSet, const QString &field, const QString &caption) {
    TQRDBText *text = band->AddDBText(left, top, width, height, dataSet, field);
    text->OnPrint = [caption](TQRCustomLabel *, QString &value) { value = caption + value; };
    return text;
}

QList<TQRLabel *> AddHeadings(TQRBand *band, const QList<TLumColumn> &columns, double top,
                              double height) {
    QList<TQRLabel *> labels;
    for (const TLumColumn &column : columns) {
        TQRLabel *label = band->AddLabel(column.Left, top, column.Width, height, column.Heading);
        label->SetAlignment(taCenter);
        labels << label;
    }
    return labels;
}

void AddColumnRules(TQRBand *band, const QList<TLumColumn> &columns) {
    if (columns.isEmpty())
        return;
    const double height = band->Height();
    for (const TLumColumn &column : columns)
        band->AddShape(column.Left - 0.5, 0, 1, height, qrsVertLine);
    const TLumColumn &last = columns.last();
    band->AddShape(last.Left + last.Width - 0.5, 0, 1, height, qrsVertLine);
}

void SetBandFontSize(TQRBand *band, double points) {
    for (TQRPrintable *element : band->Elements())
        if (auto *text = qobject_cast<TQRCustomLabel *>(element))
            text->SetFontSize(points);
}
