#pragma once
// The printable elements of a band: fixed labels (TQRLabel), data texts (TQRDBText, the display
// text of a dataset field with its display format and look-up), memos (TQRMemo, word-wrapped
// lines that code fills), system data (TQRSysData: page number, page count, print date and
// time, report title, record number), aggregates (TQRExpr: running sums, counts, minimum,
// maximum and average over the records of a group, a child detail or the whole report) and
// shapes (TQRShape: rectangles, lines, circles).
//
// Every element belongs to a band (its owner) and is placed in it by Left, Top, Width and
// Height in millimetres from the band's top-left corner. It prints each time its band prints;
// an element whose Enabled is off is left out. Text elements share the text settings of
// TQRCustomLabel: alignment, font (family and size fall back to the report's), colour, word wrap
// and AutoStretch (the band grows to show every wrapped line), and the OnPrint hook that may
// change the text about to print ("a negative grade prints empty").

#include "Component.h"
#include "DbTypes.h"
#include "QRPreparedReport.h"
#include "StringList.h"

#include <QColor>
#include <functional>

class TDataSet;
class TField;
class TQRBand;
class TQRCustomLabel;
class TQuickRep;

// A font of the report: an empty family and a size of 0 take the report's font.
struct TQRFont {
    QString Family;
    double Size = 0; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool operator==(const TQRFont &) const = default;
};

// Lines along the sides of an element or a band.
struct TQRFrame {
    bool Top = false;
    bool Bottom = false;
    bool Left = false;
    bool Right = false;
    double Width = 0.2; // mm
    QColor Color = Qt::black;
    void SetAll(bool on) { Top = Bottom = Left = Right = on; }
    bool Any() const { return Top || Bottom || Left || Right; }
};

// What an element draws on while its band is laid out. Coordinates are millimetres from the
// band's top-left corner; the band is placed on its page afterwards.
class TQRCanvas {
public:
    virtual ~TQRCanvas() = default;
    virtual TQuickRep *Report() const = 0;
    // Draws text inside rect: lines broken at line breaks and, with wordWrap, at the rect's
    // width (between words, or between any two Chinese characters); a line wider than the rect
    // is cut at its sides. Without stretch only the lines that fit the rect's height print
    // (the first always does); with stretch every line prints. Returns the height of all the
    // lines.
    virtual double DrawText(const QRectF &rect, const TQRFont &font, const QColor &color,
                            TAlignment alignment, const QString &text, bool wordWrap,
                            bool stretch) = 0;
    // A page number or count, filled in when the page is painted.
    virtual void DrawPageData(const QRectF &rect, const TQRFont &font, const QColor &color,
                              TAlignment alignment, TQRPageDataKind kind,
                              const QString &pattern) = 0;
    virtual void DrawLine(QPointF from, QPointF to, double width, const QColor &color) = 0;
    virtual void DrawShape(TQRShapeKind kind, const QRectF &rect, double penWidth,
                           const QColor &pen, const QColor &brush) = 0;
    // The band grows to at least `bottom` millimetres from its top.
    virtual void StretchTo(double bottom) = 0;
    // The number (from 1) of the record printing at the band's level (the report's records or
    // a child detail's), and how many records that level has.
    virtual int RecordNumber() const = 0;
    virtual int RecordCount() const = 0;
};

// A field found by name in a dataset, found again when the dataset's fields were made anew.
class TQRFieldRef {
public:
    // nullptr when the dataset is missing or closed or has no such field.
    TField *Get(TDataSet *dataSet, const QString &name) const;

private:
    mutable TField *FField = nullptr;
    mutable int FIndex = -1;
};

class TQRPrintable : public TComponent {
    Q_OBJECT
public:
    explicit TQRPrintable(TQRBand *band);
    ~TQRPrintable() override;

    TQRBand *Band() const { return FBand; }
    TQuickRep *Report() const;

    double Left() const { return FLeft; }
    double Top() const { return FTop; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    void SetLeft(double mm) { FLeft = mm; }
    void SetTop(double mm) { FTop = mm; }
    void SetWidth(double mm) { FWidth = mm; }
    void SetHeight(double mm) { FHeight = mm; }
    void SetBounds(double left, double top, double width, double height);
    QRectF BoundsRect() const { return QRectF(FLeft, FTop, FWidth, FHeight); }

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    TQRFrame &Frame() { return FFrame; }
    const TQRFrame &Frame() const { return FFrame; }

    // Draws the element; the layout calls it each time the band prints (when Enabled).
    virtual void Print(TQRCanvas &canvas) = 0;
    // Called by the layout when a report run starts: checks the element's settings and raises
    // EReportError when it cannot print.
    virtual void StartRun() {}
    // The element for messages: its name (or class) and its band.
    QString DisplayName() const;

protected:
    // The frame around the element, `height` high.
    void PrintFrame(TQRCanvas &canvas, double height) const;

private:
    TQRBand *FBand;
    double FLeft = 0, FTop = 0, FWidth = 20, FHeight = 5;
    bool FEnabled = true;
    TQRFrame FFrame;
};

using TQRPrintEvent = std::function<void(TQRCustomLabel *sender, QString &text)>;

class TQRCustomLabel : public TQRPrintable {
    Q_OBJECT
public:
    explicit TQRCustomLabel(TQRBand *band) : TQRPrintable(band) {}

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment) { FAlignment = alignment; }
    TQRFont &Font() { return FFont; }
    const TQRFont &Font() const { return FFont; }
    void SetFont(const TQRFont &font) { FFont = font; }
    void SetFontSize(double points) { FFont.Size = points; }
    void SetBold(bool bold) { FFont.Bold = bold; }
    QColor Color() const { return FColor; }
    void SetColor(const QColor &color) { FColor = color; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool on) { FWordWrap = on; }
    // Grows the band to show every line of the text (with WordWrap: every wrapped line).
    bool AutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool on) { FAutoStretch = on; }

    // Runs just before the text prints, with the text about to print; it may change it.
    TQRPrintEvent OnPrint;

    // The element's own text (caption, field text, lines, value), before OnPrint.
    virtual QString ContentText() const = 0;
    // The text as it prints now: ContentText through OnPrint.
    QString PrintText();
    // The text printed the last time the element printed.
    QString LastText() const { return FLastText; }

    void Print(TQRCanvas &canvas) override;

protected:
    // Draws `text` with the element's settings, frame included.
    void PrintTextOn(TQRCanvas &canvas, const QString &text);

private:
    TAlignment FAlignment = taLeftJustify;
    TQRFont FFont;
    QColor FColor = Qt::black;
    bool FWordWrap = false;
    bool FAutoStretch = false;
    QString FLastText;
};

// A fixed text.
class TQRLabel : public TQRCustomLabel {
    Q_OBJECT
public:
    explicit TQRLabel(TQRBand *band, const QString &caption = {})
        : TQRCustomLabel(band), FCaption(caption) {}
    QString Caption() const { return FCaption; }
    void SetCaption(const QString &caption) { FCaption = caption; }
    QString ContentText() const override { return FCaption; }

private:
    QString FCaption;
};

// The display text of a field of the current record: the field's DisplayText, which honours
// its DisplayFormat, its OnGetText handler (the look-up texts of coded fields) and look-up
// fields. The field is looked up by name when a run starts; a missing field raises
// EReportError.
class TQRDBText : public TQRCustomLabel {
    Q_OBJECT
public:
    explicit TQRDBText(TQRBand *band, TDataSet *dataSet = nullptr, const QString &field = {});
    ~TQRDBText() override;
    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    QString DataField() const { return FDataField; }
    void SetDataField(const QString &name);
    // The field printed (after a run started), or nullptr.
    TField *Field() const;
    QString ContentText() const override;
    void StartRun() override;
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    TDataSet *FDataSet = nullptr;
    QString FDataField;
    TQRFieldRef FField;
};

// Lines of text that code clears and fills (in a band's BeforePrint, say); word-wrapped at the
// element's width by default.
class TQRMemo : public TQRCustomLabel {
    Q_OBJECT
public:
    explicit TQRMemo(TQRBand *band);
    TStringList &Lines() { return FLines; }
    const TStringList &Lines() const { return FLines; }
    // All the lines, each ended by a line break; setting it splits at line breaks.
    QString Text() const { return FLines.Text(); }
    void SetText(const QString &text) { FLines.SetText(text); }
    QString ContentText() const override;

private:
    TStringList FLines;
};

enum TQRSysDataType {
    qrsPageNumber,  // Text gets the page number and the page count: "第 %d 頁 / 共 %d 頁"
    qrsPageCount,   // Text gets the page count: "共 %d 頁"
    qrsDate,        // the date the run started, in DateFormat
    qrsTime,        // the time the run started, in TimeFormat
    qrsDateTime,    // both, a blank between
    qrsReportTitle, // the report's title
    qrsDetailNo,    // the number of the record printing at the band's level (from 1)
    qrsDetailCount, // the number of records at the band's level
};

// A fact of the run. Text is the pattern: with a %d or %s it gets the value (values, for the
// page number), through Format(); without one the value follows it ("列印日期：" gives
// "列印日期：2024/05/02"). Page numbers and counts are filled in when the page is painted, so
// OnPrint does not see them.
class TQRSysData : public TQRCustomLabel {
    Q_OBJECT
public:
    explicit TQRSysData(TQRBand *band, TQRSysDataType data = qrsPageNumber,
                        const QString &text = {});
    TQRSysDataType Data() const { return FData; }
    void SetData(TQRSysDataType data) { FData = data; }
    QString Text() const { return FText; }
    void SetText(const QString &text) { FText = text; }
    // FormatDateTime patterns; defaults "yyyy/mm/dd" and "hh:nn:ss".
    QString DateFormat() const { return FDateFormat; }
    void SetDateFormat(const QString &format) { FDateFormat = format; }
    QString TimeFormat() const { return FTimeFormat; }
    void SetTimeFormat(const QString &format) { FTimeFormat = format; }
    // Dates in the ROC calendar: year − 1911, then month and day ("113/05/02").
    bool RocCalendar() const { return FRoc; }
    void SetRocCalendar(bool on) { FRoc = on; }
    QString ContentText() const override;
    void Print(TQRCanvas &canvas) override;

private:
    QString ValueText() const;
    TQRSysDataType FData;
    QString FText;
    QString FDateFormat = QStringLiteral("yyyy/mm/dd");
    QString FTimeFormat = QStringLiteral("hh:nn:ss");
    bool FRoc = false;
    mutable const TQRCanvas *FCanvas = nullptr; // while printing: record number and count
};

enum TQRAggregateKind { qaSum, qaCount, qaMin, qaMax, qaAverage };

// An aggregate over records: each record of its master (the report's records, or a child
// detail's) adds to it before the record's bands print, so that in a detail band it shows the
// running value and in a footer the value of the records before. It adds the field DataField
// (of DataSet, by default the master's dataset; null values are left out of sums, minimum,
// maximum and average) or the number ValueFunction gives; qaCount counts the records.
//
// It starts again from nothing where its band's scope starts: in a group header or footer at
// each new group, in a child detail band or its header or footer each time the child detail
// starts (for each master record); elsewhere (title, summary, page bands) it runs over the whole
// report. ResetAfterPrint starts it again after each time it prints (page totals). The master
// defaults to the level of its band: the child detail of a child detail's bands, the group's
// master for group bands, the report otherwise.
//
// It prints the value with DisplayFormat (FormatFloat: "#,##0.0", "0 人"), counts as whole
// numbers without one; an empty minimum, maximum or average prints empty.
class TQRExpr : public TQRCustomLabel {
    Q_OBJECT
public:
    explicit TQRExpr(TQRBand *band, TQRAggregateKind kind = qaSum, const QString &field = {});
    ~TQRExpr() override;

    TQRAggregateKind Kind() const { return FKind; }
    void SetKind(TQRAggregateKind kind) { FKind = kind; }
    QString DataField() const { return FDataField; }
    void SetDataField(const QString &name) { FDataField = name; }
    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    std::function<double()> ValueFunction;
    // The report (a TQuickRep) or a child detail (a TQRSubDetail) whose records add up; nullptr
    // for the level of the band.
    TComponentBase *Master() const { return FMaster; }
    void SetMaster(TComponentBase *master);
    bool ResetAfterPrint() const { return FResetAfterPrint; }
    void SetResetAfterPrint(bool on) { FResetAfterPrint = on; }
    QString DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString &format) { FDisplayFormat = format; }

    // The value now, and the number of records (with a value) added since the last reset.
    double Value() const;
    int Count() const { return FCount; }
    bool HasValue() const { return FValues > 0; }
    void Reset();
    // Adds the current record (the layout calls it for each record of the master).
    void Accumulate();
    QString ContentText() const override;
    // Starts a run over the records of the master's dataset: reset, field looked up.
    void Bind(TDataSet *masterDataSet);
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    TQRAggregateKind FKind;
    QString FDataField;
    TDataSet *FDataSet = nullptr;
    TComponentBase *FMaster = nullptr;
    bool FResetAfterPrint = false;
    QString FDisplayFormat;
    TDataSet *FBoundDataSet = nullptr;
    TQRFieldRef FField;
    double FSum = 0, FMin = 0, FMax = 0;
    int FCount = 0;  // records added
    int FValues = 0; // of which had a value
};

enum TQRShapeType {
    qrsRectangle,
    qrsRoundRect,
    qrsCircle,       // an ellipse filling the bounds
    qrsHorLine,      // across the middle of the bounds
    qrsVertLine,     // down the middle of the bounds
    qrsTopAndBottom, // lines along the top and the bottom
    qrsRightAndLeft, // lines along the left and the right
};

class TQRShape : public TQRPrintable {
    Q_OBJECT
public:
    explicit TQRShape(TQRBand *band, TQRShapeType shape = qrsRectangle);
    TQRShapeType Shape() const { return FShape; }
    void SetShape(TQRShapeType shape) { FShape = shape; }
    double PenWidth() const { return FPenWidth; }
    void SetPenWidth(double mm) { FPenWidth = mm; }
    QColor PenColor() const { return FPenColor; }
    void SetPenColor(const QColor &color) { FPenColor = color; }
    // The fill of rectangles and circles; transparent by default.
    QColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(const QColor &color) { FBrushColor = color; }
    void Print(TQRCanvas &canvas) override;

private:
    TQRShapeType FShape;
    double FPenWidth = 0.2;
    QColor FPenColor = Qt::black;
    QColor FBrushColor = Qt::transparent;
};
