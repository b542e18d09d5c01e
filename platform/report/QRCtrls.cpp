#include "QRCtrls.h"

#include "DataSet.h"
#include "Fields.h"
#include "QRBands.h"
#include "QuickRep.h"

#include <QDate>

#include <algorithm>

// ---- field references -----------------------------------------------------------------------

TField *TQRFieldRef::Get(TDataSet *dataSet, const QString &name) const {
    if (!dataSet || !dataSet->Active() || name.isEmpty())
        return nullptr;
    const TFields &fields = dataSet->Fields();
    // The field found last is still the one at its place when that place holds the same field
    // object under the same name (the pointer is compared, never followed, before that).
    if (FIndex >= 0 && FIndex < fields.Count() && fields[FIndex] == FField &&
        FField->FieldName().compare(name, Qt::CaseInsensitive) == 0)
        return FField;
    FField = fields.FindField(name);
    FIndex = FField ? fields.IndexOf(FField) : -1;
    return FField;
}

// ---- TQRPrintable ---------------------------------------------------------------------------

TQRPrintable::TQRPrintable(TQRBand *band) : TComponent(band), FBand(band) {
    if (!band)
        throw EReportError(QStringLiteral("An element needs a band"));
    band->FElements.append(this);
}

TQRPrintable::~TQRPrintable() {
    if (FBand)
        FBand->FElements.removeAll(this);
}

TQuickRep *TQRPrintable::Report() const {
    return FBand ? FBand->Report() : nullptr;
}

void TQRPrintable::SetBounds(double left, double top, double width, double height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
}

QString TQRPrintable::DisplayName() const {
    const QString name = Name().isEmpty() ? ClassName() : Name();
    return FBand ? QStringLiteral("%1 (band %2)").arg(name, FBand->DisplayName()) : name;
}

void TQRPrintable::PrintFrame(TQRCanvas &canvas, double height) const {
    if (!FFrame.Any())
        return;
    const double l = FLeft, t = FTop, r = FLeft + FWidth, b = FTop + height;
    if (FFrame.Top)
        canvas.DrawLine(QPointF(l, t), QPointF(r, t), FFrame.Width, FFrame.Color);
    if (FFrame.Bottom)
        canvas.DrawLine(QPointF(l, b), QPointF(r, b), FFrame.Width, FFrame.Color);
    if (FFrame.Left)
        canvas.DrawLine(QPointF(l, t), QPointF(l, b), FFrame.Width, FFrame.Color);
    if (FFrame.Right)
        canvas.DrawLine(QPointF(r, t), QPointF(r, b), FFrame.Width, FFrame.Color);
}

// ---- TQRCustomLabel -------------------------------------------------------------------------

QString TQRCustomLabel::PrintText() {
    QString text = ContentText();
    if (OnPrint)
        OnPrint(this, text);
    return text;
}

void TQRCustomLabel::Print(TQRCanvas &canvas) {
    FLastText = PrintText();
    PrintTextOn(canvas, FLastText);
}

void TQRCustomLabel::PrintTextOn(TQRCanvas &canvas, const QString &text) {
    const double used =
        canvas.DrawText(BoundsRect(), FFont, FColor, FAlignment, text, FWordWrap, FAutoStretch);
    double height = Height();
    if (FAutoStretch && used > height) {
        // The band grows by what the element grows, keeping the room it had below it.
        const double below = Band() ? std::max(0.0, Band()->Height() - (Top() + Height())) : 0;
        height = used;
        canvas.StretchTo(Top() + height + below);
    }
    PrintFrame(canvas, height);
}

// ---- TQRDBText ------------------------------------------------------------------------------

TQRDBText::TQRDBText(TQRBand *band, TDataSet *dataSet, const QString &field)
    : TQRCustomLabel(band), FDataField(field) {
    SetDataSet(dataSet);
}

TQRDBText::~TQRDBText() = default;

void TQRDBText::SetDataSet(TDataSet *dataSet) {
    SetLink(FDataSet, dataSet);
}

void TQRDBText::SetDataField(const QString &name) {
    FDataField = name;
}

TField *TQRDBText::Field() const {
    return FField.Get(FDataSet, FDataField);
}

QString TQRDBText::ContentText() const {
    TField *field = Field();
    if (!field || FDataSet->IsEmpty())
        return {};
    return field->DisplayText();
}

void TQRDBText::StartRun() {
    if (!FDataSet || FDataField.isEmpty())
        throw EReportError(QStringLiteral("%1 names no dataset or no field").arg(DisplayName()));
    if (FDataSet->Active() && !Field())
        throw EReportError(QStringLiteral("%1: the dataset %2 has no field '%3'")
                               .arg(DisplayName(), FDataSet->Name(), FDataField));
}

void TQRDBText::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove && component == FDataSet)
        FDataSet = nullptr;
    TQRCustomLabel::Notification(component, operation);
}

// ---- TQRMemo --------------------------------------------------------------------------------

TQRMemo::TQRMemo(TQRBand *band) : TQRCustomLabel(band) {
    SetWordWrap(true);
}

QString TQRMemo::ContentText() const {
    return FLines.ToQStringList().join(QLatin1Char('\n'));
}

// ---- TQRSysData -----------------------------------------------------------------------------

TQRSysData::TQRSysData(TQRBand *band, TQRSysDataType data, const QString &text)
    : TQRCustomLabel(band), FData(data), FText(text) {}

QString TQRSysData::ValueText() const {
    TQuickRep *report = Report();
    const TDateTime when = report ? report->PrintDateTime() : Now();
    const auto dateText = [&] {
        if (!FRoc)
            return FormatDateTime(FDateFormat, when);
        const QDate d = when.ToDate();
        return QStringLiteral("%1/%2/%3")
            .arg(d.year() - 1911)
            .arg(d.month(), 2, 10, QLatin1Char('0'))
            .arg(d.day(), 2, 10, QLatin1Char('0'));
    };
    switch (FData) {
    case qrsPageNumber:
        return QString::number(report ? report->PageNumber() : 0);
    case qrsPageCount:
        return QString::number(report ? report->PageCount() : 0);
    case qrsDate:
        return dateText();
    case qrsTime:
        return FormatDateTime(FTimeFormat, when);
    case qrsDateTime:
        return dateText() + QLatin1Char(' ') + FormatDateTime(FTimeFormat, when);
    case qrsReportTitle:
        return report ? report->ReportTitle() : QString();
    case qrsDetailNo:
        return QString::number(FCanvas ? FCanvas->RecordNumber()
                                       : (report ? report->RecordNumber() : 0));
    case qrsDetailCount:
        return QString::number(FCanvas ? FCanvas->RecordCount() : 0);
    }
    return {};
}

QString TQRSysData::ContentText() const {
    if (FText.contains(QLatin1Char('%')))
        return Format(FText, {ValueText()});
    return FText + ValueText();
}

void TQRSysData::Print(TQRCanvas &canvas) {
    if (FData == qrsPageNumber || FData == qrsPageCount) {
        const QString pattern =
            FText.contains(QLatin1Char('%')) ? FText : FText + QStringLiteral("%d");
        canvas.DrawPageData(BoundsRect(), Font(), Color(), Alignment(),
                            FData == qrsPageNumber ? TQRPageDataKind::PageNumber
                                                   : TQRPageDataKind::PageCount,
                            pattern);
        PrintFrame(canvas, Height());
        return;
    }
    FCanvas = &canvas;
    try {
        TQRCustomLabel::Print(canvas);
    } catch (...) {
        FCanvas = nullptr;
        throw;
    }
    FCanvas = nullptr;
}

// ---- TQRExpr --------------------------------------------------------------------------------

TQRExpr::TQRExpr(TQRBand *band, TQRAggregateKind kind, const QString &field)
    : TQRCustomLabel(band), FKind(kind), FDataField(field) {}

TQRExpr::~TQRExpr() = default;

void TQRExpr::SetDataSet(TDataSet *dataSet) {
    SetLink(FDataSet, dataSet);
}

void TQRExpr::SetMaster(TComponentBase *master) {
    if (master && !dynamic_cast<TQuickRep *>(master) && !dynamic_cast<TQRSubDetail *>(master))
        throw EReportError(
            QStringLiteral("%1: the master must be the report or a child detail band")
                .arg(DisplayName()));
    SetLink(FMaster, master);
}

void TQRExpr::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove) {
        if (component == FDataSet)
            FDataSet = nullptr;
        if (component == FMaster)
            FMaster = nullptr;
    }
    TQRCustomLabel::Notification(component, operation);
}

void TQRExpr::Reset() {
    FSum = FMin = FMax = 0;
    FCount = FValues = 0;
}

void TQRExpr::Bind(TDataSet *masterDataSet) {
    Reset();
    FBoundDataSet = FDataSet ? FDataSet : masterDataSet;
    if (ValueFunction)
        return;
    if (FDataField.isEmpty()) {
        if (FKind != qaCount)
            throw EReportError(
                QStringLiteral("%1 names no field and has no value function").arg(DisplayName()));
        return;
    }
    if (!FBoundDataSet)
        throw EReportError(
            QStringLiteral("%1: no dataset has the field '%2'").arg(DisplayName(), FDataField));
    if (FBoundDataSet->Active() && !FField.Get(FBoundDataSet, FDataField))
        throw EReportError(QStringLiteral("%1: the dataset %2 has no field '%3'")
                               .arg(DisplayName(), FBoundDataSet->Name(), FDataField));
}

void TQRExpr::Accumulate() {
    ++FCount;
    double value = 0;
    if (ValueFunction) {
        value = ValueFunction();
    } else if (FDataField.isEmpty()) {
        return;
    } else {
        TField *field = FField.Get(FBoundDataSet, FDataField);
        if (!field || field->IsNull())
            return;
        value = field->AsFloat();
    }
    if (FValues == 0) {
        FMin = FMax = value;
    } else {
        FMin = std::min(FMin, value);
        FMax = std::max(FMax, value);
    }
    FSum += value;
    ++FValues;
}

double TQRExpr::Value() const {
    switch (FKind) {
    case qaSum:
        return FSum;
    case qaCount:
        // Records; with a field, those whose field has a value.
        return FDataField.isEmpty() && !ValueFunction ? FCount : FValues;
    case qaMin:
        return FValues ? FMin : 0;
    case qaMax:
        return FValues ? FMax : 0;
    case qaAverage:
        return FValues ? FSum / FValues : 0;
    }
    return 0;
}

QString TQRExpr::ContentText() const {
    if ((FKind == qaMin || FKind == qaMax || FKind == qaAverage) && FValues == 0)
        return {};
    const double value = Value();
    if (!FDisplayFormat.isEmpty())
        return FormatFloat(FDisplayFormat, value);
    if (FKind == qaCount)
        return QString::number(static_cast<qint64>(value));
    return FloatToStr(value);
}

// ---- TQRShape -------------------------------------------------------------------------------

TQRShape::TQRShape(TQRBand *band, TQRShapeType shape) : TQRPrintable(band), FShape(shape) {}

void TQRShape::Print(TQRCanvas &canvas) {
    const QRectF r = BoundsRect();
    switch (FShape) {
    case qrsRectangle:
        canvas.DrawShape(TQRShapeKind::Rectangle, r, FPenWidth, FPenColor, FBrushColor);
        break;
    case qrsRoundRect:
        canvas.DrawShape(TQRShapeKind::RoundRect, r, FPenWidth, FPenColor, FBrushColor);
        break;
    case qrsCircle:
        canvas.DrawShape(TQRShapeKind::Ellipse, r, FPenWidth, FPenColor, FBrushColor);
        break;
    case qrsHorLine:
        canvas.DrawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()),
                        FPenWidth, FPenColor);
        break;
    case qrsVertLine:
        canvas.DrawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()),
                        FPenWidth, FPenColor);
        break;
    case qrsTopAndBottom:
        canvas.DrawLine(r.topLeft(), r.topRight(), FPenWidth, FPenColor);
        canvas.DrawLine(r.bottomLeft(), r.bottomRight(), FPenWidth, FPenColor);
        break;
    case qrsRightAndLeft:
        canvas.DrawLine(r.topLeft(), r.bottomLeft(), FPenWidth, FPenColor);
        canvas.DrawLine(r.topRight(), r.bottomRight(), FPenWidth, FPenColor);
        break;
    }
    PrintFrame(canvas, Height());
}
