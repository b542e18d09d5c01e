#pragma once
// Small pieces the academic reports lay out again and again: a data text that prints after its
// caption ("缺課:12"), a row of column headings, vertical rules between cells.

#include <QList>
#include <QString>

class TDataSet;
class TQRBand;
class TQRDBText;
class TQRLabel;

// A column of a list: its left edge and width (millimetres) and its heading.
struct TLumColumn {
    double Left;
    double Width;
    QString Heading;
};

// The field's text after the caption, as one text: "缺課:" and 12 print "缺課:12".
TQRDBText *AddCaptionedText(TQRBand *band, double left, double top, double width, double height,
                            TDataSet *dataSet, const QString &field, const QString &caption);

// The headings of the columns, centred in each at `top`.
QList<TQRLabel *> AddHeadings(TQRBand *band, const QList<TLumColumn> &columns, double top,
                              double height);

// Vertical rules at the left edge of every column and at the right edge of the last, down the
// whole band, so that the rows of a list form a grid.
void AddColumnRules(TQRBand *band, const QList<TLumColumn> &columns);

// Every text of the band in that size (points).
void SetBandFontSize(TQRBand *band, double points);
