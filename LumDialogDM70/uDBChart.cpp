#include "uDBChart.h"

#include "Application.h"
#include "DataSource.h"
#include "Exceptions.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QScatterSeries>
#include <QSet>
#include <QTimer>
#include <QValueAxis>
#include <QtMath>

#include <algorithm>
#include <cmath>

// Hears the dataset of a series: opening, closing and changed records read the points again;
// moving the cursor changes nothing that the chart shows.
class TSeriesDataLink : public TDataLink {
public:
    explicit TSeriesDataLink(TChartSeries *series) : FSeries(series) {}

protected:
    void ActiveChanged() override { FSeries->DataChanged(); }
    void DataSetChanged() override { FSeries->DataChanged(); }
    void DataSetScrolled(int) override {}
    void LayoutChanged() override { FSeries->DataChanged(); }

private:
    TChartSeries *FSeries;
};

namespace {

const QColor kPalette[] = {{0x2f, 0x6f, 0xc9}, {0xe0, 0x6c, 0x2e}, {0x3f, 0xa3, 0x4d},
                           {0xd0, 0x3b, 0x3b}, {0x84, 0x5a, 0xc4}, {0x1f, 0x9e, 0x94},
                           {0xe8, 0xb0, 0x0c}, {0x6d, 0x7a, 0x84}, {0xdb, 0x6f, 0xae},
                           {0x7b, 0x52, 0x3a}, {0x00, 0x8f, 0xc4}, {0x8f, 0xbf, 0x2f}};

bool IsTextType(TFieldType type) {
    return type == ftString || type == ftWideString || type == ftMemo;
}

TField *NeedField(TDataSet *dataSet, const QString &name) {
    TField *field = dataSet->FindField(name);
    if (!field)
        throw Exception(QStringLiteral("圖表欄位「%1」不存在").arg(name));
    return field;
}

// A value of the charted field as a number; text must read as one.
double NumberOf(const Variant &value, const TField *field, int record) {
    if (value.IsEmptyOrNull())
        return 0;
    if (value.IsNumeric())
        return value.ToDouble();
    bool ok = false;
    const double number = value.ToString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        throw Exception(QStringLiteral("欄位「%1」第 %2 筆的值「%3」不是數值")
                            .arg(field->FieldName())
                            .arg(record)
                            .arg(value.ToString()));
    return number;
}

// The range widened a little and rounded to values that make readable axis labels.
TAxisRange NiceRange(double min, double max, bool fromZero) {
    if (fromZero) {
        min = std::min(min, 0.0);
        max = std::max(max, 0.0);
    }
    double span = max - min;
    if (span <= 0)
        span = std::abs(max) > 0 ? std::abs(max) : 1;
    max += span * 0.1;
    if (!fromZero || min < 0)
        min -= span * 0.1;
    QValueAxis axis;
    axis.setRange(min, max);
    axis.applyNiceNumbers();
    return {axis.min(), axis.max()};
}

} // namespace

// ---- TChartSeries ------------------------------------------------------------------------

TChartSeries::TChartSeries(TSeriesStyle style, QObject *owner)
    : QObject(owner), FStyle(style), FDataSource(new TDataSource(this)),
      FLink(std::make_unique<TSeriesDataLink>(this)),
      FColor(PaletteColor(static_cast<int>(style))) {
    FLink->SetDataSource(FDataSource);
}

TChartSeries::~TChartSeries() {
    if (FChart)
        FChart->RemoveSeries(this);
    FLink->SetDataSource(nullptr);
}

QColor TChartSeries::PaletteColor(int index) {
    const int count = static_cast<int>(std::size(kPalette));
    return kPalette[((index % count) + count) % count];
}

QString TChartSeries::NumberText(double value) {
    if (std::abs(value) < 1e15 && value == std::floor(value))
        return QString::number(static_cast<qint64>(value));
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

void TChartSeries::SetTitle(const QString &title) {
    FTitle = title;
    Changed();
}

TDataSet *TChartSeries::DataSource() const {
    return FDataSource->DataSet();
}

void TChartSeries::SetDataSource(TDataSet *dataSet) {
    FDataSource->SetDataSet(dataSet);
}

void TChartSeries::CheckFields(TDataSet *dataSet, const QString &labelField,
                               const QString &valueField1, const QString &valueField2) {
    if (!dataSet)
        throw Exception(QStringLiteral("圖表沒有指定資料集"));
    if (valueField1.trimmed().isEmpty())
        throw Exception(QStringLiteral("圖表沒有指定數值欄位"));
    if (!dataSet->Active())
        return; // the fields are checked when the dataset opens
    if (!labelField.isEmpty())
        NeedField(dataSet, labelField);
    for (const QString &name : {valueField1, valueField2}) {
        if (name.isEmpty())
            continue;
        const TField *field = NeedField(dataSet, name);
        if (!IsNumericType(field->DataType()) && !IsTextType(field->DataType()) &&
            name == valueField1)
            throw Exception(QStringLiteral("欄位「%1」不是數值欄位").arg(name));
    }
}

void TChartSeries::CheckDataSource() {
    TDataSet *dataSet = DataSource();
    std::vector<TChartPoint> points;
    bool byIndex = true;
    if (dataSet && dataSet->Active() && !FYValuesSource.isEmpty()) {
        CheckFields(dataSet, FXLabelsSource, FYValuesSource, FXValuesSource);
        TField *labels = FXLabelsSource.isEmpty() ? nullptr : dataSet->FieldByName(FXLabelsSource);
        TField *values = dataSet->FieldByName(FYValuesSource);
        TField *xValues = FXValuesSource.isEmpty() ? nullptr : dataSet->FieldByName(FXValuesSource);
        byIndex = !xValues || !IsNumericType(xValues->DataType());
        const int count = dataSet->RecordCount();
        points.reserve(count);
        for (int i = 0; i < count; ++i) {
            TChartPoint point;
            if (labels)
                point.Label = dataSet->DisplayTextAt(i, labels);
            point.Y = NumberOf(dataSet->ValueAt(i, values), values, i + 1);
            point.X = i;
            if (!byIndex) {
                const Variant x = dataSet->ValueAt(i, xValues);
                point.X = x.IsEmptyOrNull() ? i : x.ToDouble();
            }
            points.push_back(point);
        }
    }
    FPoints = std::move(points);
    FXByIndex = byIndex;
    Changed();
}

void TChartSeries::DataChanged() {
    if (FReloadQueued)
        return;
    FReloadQueued = true;
    QTimer::singleShot(0, this, [this] {
        FReloadQueued = false;
        try {
            CheckDataSource();
        } catch (...) {
            FPoints.clear();
            Changed();
            Application()->HandleException(std::current_exception());
        }
    });
}

double TChartSeries::Total() const {
    double total = 0;
    for (const TChartPoint &p : FPoints)
        total += std::abs(p.Y);
    return total;
}

void TChartSeries::SetColorEachPoint(bool on) {
    FColorEachPoint = on;
    Changed();
}

void TChartSeries::SetSeriesColor(const QColor &color) {
    FColor = color;
    Changed();
}

QColor TChartSeries::PointColor(int index) const {
    return FColorEachPoint ? PaletteColor(index) : FColor;
}

void TChartSeries::SetMarksVisible(bool visible) {
    FMarksVisible = visible;
    Changed();
}

void TChartSeries::SetMarksStyle(TSeriesMarksStyle style) {
    FMarksStyle = style;
    Changed();
}

void TChartSeries::SetMarksTransparent(bool on) {
    FMarksTransparent = on;
    Changed();
}

void TChartSeries::SetMarksClipped(bool on) {
    FMarksClipped = on;
    Changed();
}

void TChartSeries::SetDark3D(bool on) {
    FDark3D = on;
    Changed();
}

QString TChartSeries::ValueText(int index) const {
    return NumberText(FPoints[index].Y);
}

QString TChartSeries::PercentText(int index) const {
    const double total = Total();
    const double percent = total > 0 ? std::abs(FPoints[index].Y) * 100 / total : 0;
    return NumberText(std::round(percent * 100) / 100) + u'%';
}

QString TChartSeries::XValueText(int index) const {
    return NumberText(FPoints[index].X);
}

QString TChartSeries::MarkText(int index) const {
    const QString &label = FPoints[index].Label;
    switch (FMarksStyle) {
    case TSeriesMarksStyle::smsValue:
        return ValueText(index);
    case TSeriesMarksStyle::smsPercent:
        return PercentText(index);
    case TSeriesMarksStyle::smsLabel:
        return label.isEmpty() ? ValueText(index) : label;
    case TSeriesMarksStyle::smsLabelPercent:
        return (label + u' ' + PercentText(index)).trimmed();
    case TSeriesMarksStyle::smsLabelValue:
        return (label + u' ' + ValueText(index)).trimmed();
    }
    return ValueText(index);
}

void TChartSeries::Assign(const TChartSeries &source) {
    FTitle = source.FTitle;
    FDataSource->SetDataSet(source.DataSource());
    FXLabelsSource = source.FXLabelsSource;
    FYValuesSource = source.FYValuesSource;
    FXValuesSource = source.FXValuesSource;
    FPoints = source.FPoints;
    FXByIndex = source.FXByIndex;
    FColorEachPoint = source.FColorEachPoint;
    FColor = source.FColor;
    FMarksVisible = source.FMarksVisible;
    FMarksStyle = source.FMarksStyle;
    FMarksTransparent = source.FMarksTransparent;
    FMarksClipped = source.FMarksClipped;
    FDark3D = source.FDark3D;
    Changed();
}

void TChartSeries::Changed() {
    if (FChart)
        FChart->SeriesChanged(this);
}

// ---- TDBChart ----------------------------------------------------------------------------

TDBChart::TDBChart(QWidget *parent) : QChartView(new QChart, parent) {
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
    setMinimumSize(320, 240);
    chart()->legend()->hide(); // the legend is drawn with the foot, below the axes
    chart()->setBackgroundVisible(false);
    chart()->setPlotAreaBackgroundVisible(false);
    chart()->setDropShadowEnabled(false);
    QFont title = font();
    title.setPointSize(14);
    title.setBold(true);
    chart()->setTitleFont(title);
    // The axes are made once: the labelled one for points at their index, the numeric one for
    // X values, and the left one.
    FCategoryAxis = new QCategoryAxis(this);
    FCategoryAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    FValueAxis = new QValueAxis(this);
    FValueAxis->setLabelFormat(QStringLiteral("%g"));
    FAxisY = new QValueAxis(this);
    FAxisY->setLabelFormat(QStringLiteral("%g"));
    chart()->addAxis(FCategoryAxis, Qt::AlignBottom);
    chart()->addAxis(FValueAxis, Qt::AlignBottom);
    chart()->addAxis(FAxisY, Qt::AlignLeft);
    Rebuild();
}

TDBChart::~TDBChart() {
    for (TChartSeries *series : std::as_const(FSeries))
        series->FChart = nullptr;
}

QList<TChartSeries *> TDBChart::SeriesList() const {
    return FSeries;
}

void TDBChart::AddSeries(TChartSeries *series) {
    if (!series || FSeries.contains(series))
        return;
    if (series->FChart)
        series->FChart->RemoveSeries(series);
    FSeries.append(series);
    series->FChart = this;
    Rebuild();
}

void TDBChart::RemoveSeries(TChartSeries *series) {
    if (!FSeries.removeOne(series))
        return;
    series->FChart = nullptr;
    Rebuild();
}

void TDBChart::ReplaceSeries(TChartSeries *old, TChartSeries *series) {
    const int at = FSeries.indexOf(old);
    if (at < 0) {
        AddSeries(series);
        return;
    }
    if (series->FChart && series->FChart != this)
        series->FChart->RemoveSeries(series);
    old->FChart = nullptr;
    FSeries.removeOne(series);
    FSeries.replace(FSeries.indexOf(old), series);
    series->FChart = this;
    Rebuild();
}

void TDBChart::SeriesChanged(TChartSeries *series) {
    if (FSeries.contains(series))
        Rebuild();
}

void TDBChart::SetTitle(const QString &title) {
    FTitle = title;
    chart()->setTitle(title);
}

void TDBChart::SetLeftAxisTitle(const QString &title) {
    FLeftTitle = title;
    FAxisY->setTitleText(title);
}

void TDBChart::SetBottomAxisTitle(const QString &title) {
    FBottomTitle = title;
    FCategoryAxis->setTitleText(title);
    FValueAxis->setTitleText(title);
}

void TDBChart::SetFootText(const QStringList &lines) {
    FFoot = lines;
    ApplyMargins();
}

void TDBChart::SetLegendVisible(bool visible) {
    FLegendVisible = visible;
    ApplyMargins();
}

void TDBChart::SetLegendStyle(TLegendStyle style) {
    FLegendStyle = style;
    ApplyMargins();
}

void TDBChart::SetLegendTextStyle(TLegendTextStyle style) {
    FLegendTextStyle = style;
    ApplyMargins();
}

QList<QPair<QColor, QString>> TDBChart::LegendItems() const {
    QList<QPair<QColor, QString>> items;
    if (!FLegendVisible || FSeries.isEmpty())
        return items;
    if (FLegendStyle == TLegendStyle::lsSeries) {
        for (const TChartSeries *s : FSeries)
            items.append({s->SeriesColor(), s->Title()});
        return items;
    }
    const TChartSeries *s = FSeries.first();
    const auto [first, last] = PageRange(s);
    for (int i = first; i < last; ++i) {
        QString left;
        switch (FLegendTextStyle) {
        case TLegendTextStyle::ltsLeftValue:
            left = s->ValueText(i);
            break;
        case TLegendTextStyle::ltsLeftPercent:
            left = s->PercentText(i);
            break;
        case TLegendTextStyle::ltsXValue:
            left = s->XValueText(i);
            break;
        }
        items.append({s->PointColor(i), (left + u' ' + s->Points()[i].Label).trimmed()});
    }
    return items;
}

void TDBChart::SetView3D(bool on) {
    FView3D = on;
    ApplyMargins();
}

void TDBChart::SetChart3DPercent(int percent) {
    FDepthPercent = std::clamp(percent, 1, 100);
    ApplyMargins();
}

void TDBChart::SetOrthogonal(bool on) {
    FOrthogonal = on;
    ApplyMargins();
}

void TDBChart::SetRotation(int degrees) {
    FRotation = std::clamp(degrees, -90, 90);
    ApplyMargins();
}

void TDBChart::SetElevation(int degrees) {
    FElevation = std::clamp(degrees, -90, 90);
    ApplyMargins();
}

QPointF TDBChart::DepthOffset() const {
    if (!FView3D || FSeries.isEmpty())
        return {};
    const double depth = FDepthPercent * std::min(width(), height()) / 300.0;
    if (FHasAxes) {
        // Oblique view: the back lies up and to the right, at 45 degrees while orthogonal,
        // turned by half the rotation otherwise.
        const double angle = qDegreesToRadians(FOrthogonal ? 45.0 : 45.0 + FRotation / 2.0);
        return {depth * std::cos(angle), -depth * std::sin(angle)};
    }
    // Pies are seen from above: the rim below the disc, swung sideways by the elevation.
    const double elevation = qDegreesToRadians(FOrthogonal ? 0.0 : double(FElevation));
    return {depth * 0.8 * std::sin(elevation), depth * std::cos(elevation)};
}

void TDBChart::SetMaxPointsPerPage(int points) {
    FPointsPerPage = std::max(0, points);
    FPage = 1;
    Rebuild();
}

void TDBChart::SetPage(int page) {
    page = std::clamp(page, 1, NumPages());
    if (page == FPage)
        return;
    FPage = page;
    Rebuild();
}

int TDBChart::PointCount() const {
    int count = 0;
    for (const TChartSeries *s : FSeries)
        if (s->Style() != TSeriesStyle::Pie)
            count = std::max(count, s->Count());
    return count;
}

int TDBChart::NumPages() const {
    if (FPointsPerPage <= 0)
        return 1;
    return std::max(1, (PointCount() + FPointsPerPage - 1) / FPointsPerPage);
}

std::pair<int, int> TDBChart::PageRange(const TChartSeries *series) const {
    if (FPointsPerPage <= 0 || series->Style() == TSeriesStyle::Pie)
        return {0, series->Count()};
    const int first = (FPage - 1) * FPointsPerPage;
    return {std::min(first, series->Count()), std::min(first + FPointsPerPage, series->Count())};
}

void TDBChart::ZoomPercent(double percent) {
    if (!FHasAxes || percent <= 0)
        return;
    for (TAxisRange *axis : {&FBottom, &FLeft}) {
        const double centre = (axis->Min + axis->Max) / 2;
        const double half = axis->Width() / 2 * 100 / percent;
        axis->Min = centre - half;
        axis->Max = centre + half;
    }
    FZoomed = true;
    ApplyAxes();
}

void TDBChart::UndoZoom() {
    FZoomed = false;
    FBottom = FBottomData;
    FLeft = FLeftData;
    ApplyAxes();
}

void TDBChart::SetBottomAxis(double min, double max) {
    FBottom = {min, max};
    ApplyAxes();
}

void TDBChart::SetLeftAxis(double min, double max) {
    FLeft = {min, max};
    ApplyAxes();
}

void TDBChart::RefreshChart() {
    Rebuild();
}

void TDBChart::Rebuild() {
    if (FRebuilding)
        return;
    FRebuilding = true;
    QChart *c = chart();
    c->removeAllSeries();
    FDrawn.clear();
    FBars.clear();
    FAxisSeries = nullptr;
    FPage = std::clamp(FPage, 1, NumPages());
    c->setTitle(FTitle);

    const TChartSeries *labelSeries = nullptr;
    bool byIndex = true;
    int bars = 0, pies = 0;
    for (const TChartSeries *s : std::as_const(FSeries)) {
        if (s->Style() == TSeriesStyle::Pie) {
            ++pies;
            continue;
        }
        if (!labelSeries)
            labelSeries = s;
        if (s->Style() == TSeriesStyle::Bar)
            ++bars;
        else if (!s->XByIndex())
            byIndex = false;
    }
    if (bars > 0)
        byIndex = true; // bars stand at their index
    FHasAxes = labelSeries != nullptr;

    // Full ranges of the page.
    if (FHasAxes) {
        const int pageWidth = FPointsPerPage > 0 ? FPointsPerPage : std::max(1, PointCount());
        const int first = FPointsPerPage > 0 ? (FPage - 1) * FPointsPerPage : 0;
        double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
        bool any = false, anyX = false;
        for (const TChartSeries *s : std::as_const(FSeries)) {
            if (s->Style() == TSeriesStyle::Pie)
                continue;
            const auto [from, to] = PageRange(s);
            for (int i = from; i < to; ++i) {
                const TChartPoint &p = s->Points()[i];
                yMin = any ? std::min(yMin, p.Y) : p.Y;
                yMax = any ? std::max(yMax, p.Y) : p.Y;
                any = true;
                if (!byIndex) {
                    xMin = anyX ? std::min(xMin, p.X) : p.X;
                    xMax = anyX ? std::max(xMax, p.X) : p.X;
                    anyX = true;
                }
            }
        }
        if (byIndex) {
            FBottomData = {first - 0.5, first + pageWidth - 0.5};
        } else {
            double span = xMax - xMin;
            if (span <= 0)
                span = 1;
            FBottomData = {xMin - span * 0.05, xMax + span * 0.05};
        }
        FLeftData = any ? NiceRange(yMin, yMax, bars > 0) : TAxisRange{0, 1};
        if (!FZoomed) {
            FBottom = FBottomData;
            FLeft = FLeftData;
        }

        if (byIndex) {
            for (const QString &label : FCategoryAxis->categoriesLabels())
                FCategoryAxis->remove(label);
            FCategoryAxis->setStartValue(FBottomData.Min);
            QSet<QString> used;
            for (int i = first; i < first + pageWidth; ++i) {
                QString label =
                    i < labelSeries->Count() ? labelSeries->Points()[i].Label : QString();
                if (label.isEmpty() && i < labelSeries->Count())
                    label = QString::number(i + 1);
                while (used.contains(label) || label.isEmpty())
                    label += QChar(0x200B); // the axis needs distinct texts
                used.insert(label);
                FCategoryAxis->append(label, i + 0.5);
            }
            FCategoryAxis->setLabelsAngle(pageWidth > 12 ? -45 : 0);
        }
        FAxisX = byIndex ? static_cast<QValueAxis *>(FCategoryAxis) : FValueAxis;
    } else {
        FAxisX = nullptr;
    }
    // The axes stay in the chart; those not in use are hidden.
    FCategoryAxis->setVisible(FAxisX == FCategoryAxis);
    FValueAxis->setVisible(FAxisX == FValueAxis);
    FAxisY->setVisible(FHasAxes);
    FCategoryAxis->setTitleText(FBottomTitle);
    FValueAxis->setTitleText(FBottomTitle);
    FAxisY->setTitleText(FLeftTitle);

    auto attach = [&](QAbstractSeries *drawn) {
        c->addSeries(drawn);
        if (FHasAxes) {
            drawn->attachAxis(FAxisX);
            drawn->attachAxis(FAxisY);
            if (!FAxisSeries)
                FAxisSeries = drawn;
        }
    };
    int barNo = 0, pieNo = 0;
    for (TChartSeries *s : std::as_const(FSeries)) {
        const auto [from, to] = PageRange(s);
        const QColor colour = s->SeriesColor();
        auto xOf = [&](int i) { return byIndex ? double(i) : s->Points()[i].X; };
        switch (s->Style()) {
        case TSeriesStyle::Line:
        case TSeriesStyle::Point: {
            QXYSeries *xy;
            if (s->Style() == TSeriesStyle::Line) {
                auto *line = new QLineSeries;
                line->setPen(QPen(colour, 2.5));
                line->setPointsVisible(s->ColorEachPoint());
                xy = line;
            } else {
                auto *points = new QScatterSeries;
                points->setMarkerSize(12);
                points->setColor(colour);
                points->setBorderColor(colour.darker(140));
                xy = points;
            }
            xy->setName(s->Title());
            for (int i = from; i < to; ++i)
                xy->append(xOf(i), s->Points()[i].Y);
            if (s->ColorEachPoint())
                for (int i = from; i < to; ++i) {
                    QHash<QXYSeries::PointConfiguration, QVariant> config;
                    config[QXYSeries::PointConfiguration::Color] = s->PointColor(i);
                    config[QXYSeries::PointConfiguration::Size] =
                        s->Style() == TSeriesStyle::Line ? 5.0 : 6.5;
                    xy->setPointConfiguration(i - from, config);
                }
            attach(xy);
            FDrawn.push_back({s, xy, from, to});
            break;
        }
        case TSeriesStyle::Bar: {
            // One area per bar: each bar its own colour, the series of several bars side by
            // side within the point's slot.
            const double slot = 0.8 / bars;
            QAbstractSeries *firstDrawn = nullptr;
            for (int i = from; i < to; ++i) {
                const double x0 = i - 0.4 + barNo * slot + slot * 0.05;
                const double x1 = x0 + slot * 0.9;
                const double y = s->Points()[i].Y;
                auto *area = new QAreaSeries;
                auto *upper = new QLineSeries(area);
                auto *lower = new QLineSeries(area);
                upper->append(x0, y);
                upper->append(x1, y);
                lower->append(x0, 0);
                lower->append(x1, 0);
                area->setUpperSeries(upper);
                area->setLowerSeries(lower);
                const QColor fill = s->PointColor(i);
                area->setBrush(fill);
                area->setPen(QPen(fill.darker(150), 1));
                area->setName(s->Title());
                attach(area);
                if (!firstDrawn)
                    firstDrawn = area;
                FBars.push_back({s, QRectF(QPointF(x0, 0), QPointF(x1, y)), fill});
            }
            FDrawn.push_back({s, firstDrawn, from, to});
            ++barNo;
            break;
        }
        case TSeriesStyle::Pie: {
            auto *pie = new QPieSeries;
            pie->setName(s->Title());
            for (int i = from; i < to; ++i) {
                QPieSlice *slice = pie->append(s->Points()[i].Label, std::abs(s->Points()[i].Y));
                slice->setBrush(s->PointColor(i));
                slice->setPen(QPen(Qt::white, 1.5));
                slice->setLabelVisible(false); // marks are drawn with their own texts
            }
            pie->setPieSize(std::min(0.72, 0.9 / pies));
            pie->setHorizontalPosition((pieNo + 0.5) / pies);
            pie->setVerticalPosition(FView3D ? 0.46 : 0.5);
            attach(pie);
            FDrawn.push_back({s, pie, from, to});
            ++pieNo;
            break;
        }
        }
    }
    FRebuilding = false;
    ApplyAxes();
    ApplyMargins();
}

void TDBChart::ApplyAxes() {
    if (FAxisX)
        FAxisX->setRange(FBottom.Min, FBottom.Max);
    if (FHasAxes)
        FAxisY->setRange(FLeft.Min, FLeft.Max);
    viewport()->update();
}

QFont TDBChart::PaintFont(double factor) const {
    QFont result = font();
    const double points = result.pointSizeF();
    if (points > 0)
        result.setPixelSize(std::max(1, qRound(points * factor * logicalDpiY() / 72.0)));
    else
        result.setPixelSize(std::max(1, qRound(result.pixelSize() * factor)));
    return result;
}

int TDBChart::LegendHeight(int width) const {
    const QList<QPair<QColor, QString>> items = LegendItems();
    const QFontMetrics fm(PaintFont());
    int height = 0;
    if (!items.isEmpty()) {
        int rows = 1, x = 0;
        for (const auto &item : items) {
            const int w = 14 + 6 + fm.horizontalAdvance(item.second) + 18;
            if (x > 0 && x + w > width - 20) {
                ++rows;
                x = 0;
            }
            x += w;
        }
        height += rows * (fm.height() + 6) + 8;
    }
    height += static_cast<int>(FFoot.size()) * (fm.height() + 2) + 4;
    return height;
}

void TDBChart::ApplyMargins() {
    if (FRebuilding)
        return;
    const QPointF off = DepthOffset();
    QMargins margins(10, 8, 14, 6 + LegendHeight(width()));
    if (FHasAxes) {
        margins.setTop(margins.top() + static_cast<int>(std::ceil(std::max(0.0, -off.y()))));
        margins.setRight(margins.right() + static_cast<int>(std::ceil(std::max(0.0, off.x()))));
    } else {
        margins.setBottom(margins.bottom() + static_cast<int>(std::ceil(std::abs(off.y()))));
        margins.setLeft(margins.left() + static_cast<int>(std::ceil(std::abs(off.x()))));
        margins.setRight(margins.right() + static_cast<int>(std::ceil(std::abs(off.x()))));
    }
    chart()->setMargins(margins);
    if (QGraphicsLayout *layout = chart()->layout())
        layout->activate();
    viewport()->update();
}

void TDBChart::resizeEvent(QResizeEvent *event) {
    QChartView::resizeEvent(event);
    ApplyMargins();
}

QPointF TDBChart::ToScene(const QPointF &value, QAbstractSeries *series) const {
    return chart()->mapToScene(chart()->mapToPosition(value, series));
}

QRectF TDBChart::PlotRect() const {
    return chart()->mapRectToScene(chart()->plotArea());
}

void TDBChart::PieGeometry(int index, int count, QPointF &centre, double &radius) const {
    Q_UNUSED(count);
    const auto *pie = static_cast<const QPieSeries *>(FDrawn[index].Drawn);
    const QRectF plot = PlotRect();
    centre = QPointF(plot.left() + plot.width() * pie->horizontalPosition(),
                     plot.top() + plot.height() * pie->verticalPosition());
    radius = pie->pieSize() * std::min(plot.width(), plot.height()) / 2;
}

void TDBChart::drawBackground(QPainter *painter, const QRectF &rect) {
    Q_UNUSED(rect);
    const QRectF whole = chart()->mapRectToScene(chart()->rect());
    QLinearGradient gradient(whole.topLeft(), whole.bottomLeft());
    gradient.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
    gradient.setColorAt(1, QColor(0xe3, 0xea, 0xf3));
    painter->fillRect(whole, gradient);
    painter->setPen(QPen(QColor(0xa9, 0xb6, 0xc6), 1));
    painter->drawRect(whole.adjusted(0.5, 0.5, -0.5, -0.5));
    if (FHasAxes) {
        const QRectF plot = PlotRect();
        const QPointF off = DepthOffset();
        if (off.isNull()) {
            painter->fillRect(plot, Qt::white);
        } else {
            // The box the chart stands in: back wall, floor and left wall.
            const QRectF back = plot.translated(off);
            painter->setPen(QPen(QColor(0x9a, 0xa6, 0xb4), 1));
            painter->setBrush(QColor(0xf2, 0xf4, 0xf8));
            painter->drawPolygon(
                QPolygonF({plot.topLeft(), back.topLeft(), back.bottomLeft(), plot.bottomLeft()}));
            painter->setBrush(QColor(0xd9, 0xde, 0xe6));
            painter->drawPolygon(QPolygonF(
                {plot.bottomLeft(), back.bottomLeft(), back.bottomRight(), plot.bottomRight()}));
            painter->setBrush(Qt::white);
            painter->drawRect(back);
        }
    }
    DrawDepth(painter);
}

void TDBChart::DrawDepth(QPainter *painter) {
    const QPointF off = DepthOffset();
    if (off.isNull() || FDrawn.empty())
        return;
    painter->save();
    const QRectF plot = PlotRect();
    if (FHasAxes)
        painter->setClipRect(plot.united(plot.translated(off)));
    auto side = [](const QColor &c, bool dark) { return dark ? c.darker(155) : c; };
    auto top = [](const QColor &c, bool dark) { return dark ? c.darker(118) : c.lighter(112); };
    // Bars: the right side and the top, extruded behind the flat front.
    if (FAxisSeries)
        for (const TBar &bar : FBars) {
            const QRectF front = QRectF(ToScene(bar.Domain.topLeft(), FAxisSeries),
                                        ToScene(bar.Domain.bottomRight(), FAxisSeries))
                                     .normalized();
            const bool dark = bar.Series->Dark3D();
            painter->setPen(QPen(bar.Color.darker(170), 0.8));
            painter->setBrush(side(bar.Color, dark));
            painter->drawPolygon(QPolygonF({front.topRight(), front.topRight() + off,
                                            front.bottomRight() + off, front.bottomRight()}));
            painter->setBrush(top(bar.Color, dark));
            painter->drawPolygon(QPolygonF({front.topLeft(), front.topLeft() + off,
                                            front.topRight() + off, front.topRight()}));
        }
    for (std::size_t n = 0; n < FDrawn.size(); ++n) {
        const TDrawnSeries &d = FDrawn[n];
        TChartSeries *s = d.Series;
        const bool dark = s->Dark3D();
        const bool byIndex =
            d.Drawn && d.Drawn->type() != QAbstractSeries::SeriesTypePie && FAxisX == FCategoryAxis;
        auto at = [&](int i) {
            const TChartPoint &p = s->Points()[i];
            return ToScene(QPointF(byIndex ? double(i) : p.X, p.Y), d.Drawn);
        };
        switch (s->Style()) {
        case TSeriesStyle::Line: {
            // A ribbon from the line back to its copy at the depth.
            painter->setPen(QPen(s->SeriesColor().darker(170), 0.8));
            painter->setBrush(top(s->SeriesColor(), dark));
            for (int i = d.First; i + 1 < d.Last; ++i) {
                const QPointF a = at(i), b = at(i + 1);
                painter->drawPolygon(QPolygonF({a, b, b + off, a + off}));
            }
            break;
        }
        case TSeriesStyle::Point: {
            painter->setPen(Qt::NoPen);
            for (int i = d.First; i < d.Last; ++i) {
                QColor shadow = side(s->PointColor(i), dark);
                shadow.setAlpha(dark ? 200 : 120);
                painter->setBrush(shadow);
                const QPointF p = at(i);
                for (double t = 0.25; t <= 1.0; t += 0.25)
                    painter->drawEllipse(p + off * t, 6.0, 6.0);
            }
            break;
        }
        case TSeriesStyle::Pie: {
            // The rim: each slice's arc with its copy at the depth, behind the disc.
            QPointF centre;
            double radius = 0;
            PieGeometry(static_cast<int>(n), 0, centre, radius);
            const auto *pie = static_cast<const QPieSeries *>(d.Drawn);
            const QList<QPieSlice *> slices = pie->slices();
            for (int k = 0; k < slices.size(); ++k) {
                const QPieSlice *slice = slices[k];
                const double start = slice->startAngle();
                const double span = slice->angleSpan();
                QPolygonF band;
                const int steps = std::max(2, static_cast<int>(span / 3));
                for (int j = 0; j <= steps; ++j) {
                    const double a = qDegreesToRadians(start + span * j / steps);
                    band << centre + QPointF(radius * std::sin(a), -radius * std::cos(a));
                }
                for (int j = steps; j >= 0; --j)
                    band << band[j] + off;
                const QColor colour = s->PointColor(d.First + k);
                painter->setPen(QPen(colour.darker(180), 0.8));
                painter->setBrush(side(colour, dark));
                painter->drawPolygon(band);
            }
            break;
        }
        case TSeriesStyle::Bar:
            break;
        }
    }
    painter->restore();
}

void TDBChart::drawForeground(QPainter *painter, const QRectF &rect) {
    Q_UNUSED(rect);
    DrawMarks(painter);
    DrawLegendAndFoot(painter);
}

void TDBChart::DrawMarks(QPainter *painter) {
    const QPointF off = DepthOffset();
    const QRectF plot = PlotRect();
    const QFont font = PaintFont(0.9);
    const QFontMetricsF fm(font);
    painter->save();
    painter->setFont(font);
    for (std::size_t n = 0; n < FDrawn.size(); ++n) {
        const TDrawnSeries &d = FDrawn[n];
        TChartSeries *s = d.Series;
        if (!s->MarksVisible() || !d.Drawn)
            continue;
        if (s->MarksClipped())
            painter->setClipRect(FHasAxes ? plot : chart()->mapRectToScene(chart()->rect()));
        else
            painter->setClipping(false);
        QPointF centre;
        double radius = 0;
        if (s->Style() == TSeriesStyle::Pie)
            PieGeometry(static_cast<int>(n), 0, centre, radius);
        const QList<QPieSlice *> slices = s->Style() == TSeriesStyle::Pie
                                              ? static_cast<QPieSeries *>(d.Drawn)->slices()
                                              : QList<QPieSlice *>();
        const bool byIndex = FAxisX == FCategoryAxis;
        int barIndex = 0;
        for (const TBar &bar : FBars) {
            if (bar.Series == s)
                break;
            ++barIndex;
        }
        for (int i = d.First; i < d.Last; ++i) {
            const QString text = s->MarkText(i);
            const TChartPoint &p = s->Points()[i];
            QPointF anchor, boxBottomCentre;
            switch (s->Style()) {
            case TSeriesStyle::Line:
            case TSeriesStyle::Point:
                anchor = ToScene(QPointF(byIndex ? double(i) : p.X, p.Y), d.Drawn);
                boxBottomCentre = anchor - QPointF(0, 12);
                break;
            case TSeriesStyle::Bar: {
                const TBar &bar = FBars[barIndex + (i - d.First)];
                anchor = ToScene(QPointF(bar.Domain.center().x(), p.Y), FAxisSeries) + off / 2;
                boxBottomCentre = anchor - QPointF(0, 8);
                break;
            }
            case TSeriesStyle::Pie: {
                const int k = i - d.First;
                if (k >= slices.size())
                    continue;
                const double a =
                    qDegreesToRadians(slices[k]->startAngle() + slices[k]->angleSpan() / 2);
                const QPointF dir(std::sin(a), -std::cos(a));
                anchor = centre + dir * radius;
                boxBottomCentre = centre + dir * (radius + 22) + QPointF(0, fm.height() / 2);
                if (dir.y() > 0)
                    boxBottomCentre += QPointF(0, std::max(0.0, off.y()));
                break;
            }
            }
            QRectF box(0, 0, fm.horizontalAdvance(text) + 8, fm.height() + 4);
            box.moveCenter(QPointF(boxBottomCentre.x(), boxBottomCentre.y() - box.height() / 2));
            painter->setPen(QPen(QColor(0x70, 0x70, 0x70), 0.8));
            painter->drawLine(anchor, QPointF(box.center().x(), box.bottom()));
            if (s->MarksTransparent()) {
                painter->setBrush(Qt::NoBrush);
                painter->setPen(Qt::NoPen);
            } else {
                painter->setBrush(QColor(0xff, 0xff, 0xe6));
                painter->setPen(QPen(QColor(0x8c, 0x8c, 0x70), 0.8));
            }
            painter->drawRect(box);
            painter->setPen(QColor(0x20, 0x20, 0x20));
            painter->drawText(box, Qt::AlignCenter, text);
        }
    }
    painter->restore();
}

void TDBChart::DrawLegendAndFoot(QPainter *painter) {
    const QRectF whole = chart()->mapRectToScene(chart()->rect());
    const QFont font = PaintFont();
    const QFontMetrics fm(font);
    const QList<QPair<QColor, QString>> items = LegendItems();
    painter->save();
    painter->setFont(font);
    const double footHeight = FFoot.size() * (fm.height() + 2) + 4;
    double y = whole.bottom() - LegendHeight(static_cast<int>(whole.width())) - 2;
    if (!items.isEmpty()) {
        // Rows of entries, each row centred.
        QList<QList<int>> rows{{}};
        QList<int> rowWidth{0};
        for (int i = 0; i < items.size(); ++i) {
            const int w = 14 + 6 + fm.horizontalAdvance(items[i].second) + 18;
            if (!rows.last().isEmpty() && rowWidth.last() + w > whole.width() - 20) {
                rows.append(QList<int>());
                rowWidth.append(0);
            }
            rows.last().append(i);
            rowWidth.last() += w;
        }
        const double rowHeight = fm.height() + 6;
        const QRectF frame(whole.left() + 10, y + 2, whole.width() - 20,
                           rows.size() * rowHeight + 4);
        painter->setPen(QPen(QColor(0xb8, 0xc2, 0xce), 1));
        painter->setBrush(QColor(255, 255, 255, 200));
        painter->drawRect(frame);
        for (int r = 0; r < rows.size(); ++r) {
            double x = whole.center().x() - rowWidth[r] / 2.0;
            const double top = y + 4 + r * rowHeight;
            for (int i : rows[r]) {
                const QRectF swatch(x, top + (rowHeight - 12) / 2, 12, 12);
                painter->setPen(QPen(items[i].first.darker(160), 1));
                painter->setBrush(items[i].first);
                painter->drawRect(swatch);
                painter->setPen(QColor(0x20, 0x20, 0x20));
                const int textWidth = fm.horizontalAdvance(items[i].second);
                painter->drawText(QRectF(x + 18, top, textWidth + 4, rowHeight),
                                  Qt::AlignLeft | Qt::AlignVCenter, items[i].second);
                x += 14 + 6 + textWidth + 18;
            }
        }
    }
    double footTop = whole.bottom() - footHeight;
    painter->setPen(QColor(0x2a, 0x4a, 0x7a));
    for (const QString &line : FFoot) {
        painter->drawText(QRectF(whole.left(), footTop, whole.width(), fm.height() + 2),
                          Qt::AlignCenter, line);
        footTop += fm.height() + 2;
    }
    painter->restore();
}

void TDBChart::Draw(QPainter *painter, const QRectF &target) {
    const QRect source = viewport()->rect();
    if (source.isEmpty() || target.isEmpty())
        return;
    const double scale =
        std::min(target.width() / source.width(), target.height() / source.height());
    QRectF fitted(0, 0, source.width() * scale, source.height() * scale);
    fitted.moveCenter(target.center());
    render(painter, fitted, source, Qt::IgnoreAspectRatio);
}
