#pragma once
// TDBChart: the data-aware chart control of the chart form. It charts series of points read
// from datasets (one field gives the point labels, one or two the values) on Qt Charts, pages
// through long series a fixed number of points at a time, zooms and scrolls its axes, and
// paints what Qt Charts draws flat or not at all: the 3D view (depth, angle and shading of
// extruded bars, line ribbons, point shadows and pie rims, painted behind the flat drawing),
// the point marks with their own texts, the legend of series names or point values, and the
// foot text.
//
// Value fields: the first value field (YValuesSource) gives the charted values (the left
// axis, the bar heights, the pie slices). The second (XValuesSource) places the points of line
// and point series along the bottom axis when it is given and numeric; otherwise, and always
// for bars and pies, the points stand at their index (0, 1, 2, ...) and the bottom axis shows
// their labels.

#include <QChartView>
#include <QColor>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <vector>

class QAbstractSeries;
class QCategoryAxis;
class QValueAxis;
class TDataSet;
class TDataSource;
class TDBChart;
class TSeriesDataLink;

enum class TSeriesStyle { Line, Bar, Pie, Point };
enum class TSeriesMarksStyle { smsValue, smsPercent, smsLabel, smsLabelPercent, smsLabelValue };
enum class TLegendStyle { lsSeries, lsValues };
enum class TLegendTextStyle { ltsLeftValue, ltsLeftPercent, ltsXValue };

struct TChartPoint {
    QString Label;
    double X = 0;
    double Y = 0;
};

struct TAxisRange {
    double Min = 0;
    double Max = 0;
    double Width() const { return Max - Min; }
};

// One series: its style, its data binding and the points read through it, and how it is
// drawn. Changes reach the chart the series is attached to.
class TChartSeries : public QObject {
    Q_OBJECT
public:
    TChartSeries(TSeriesStyle style, QObject *owner);
    ~TChartSeries() override;

    TSeriesStyle Style() const { return FStyle; }
    TDBChart *ParentChart() const { return FChart; }

    QString Title() const { return FTitle; }
    void SetTitle(const QString &title);

    // Data binding. The fields are looked up when the data are read.
    TDataSet *DataSource() const;
    void SetDataSource(TDataSet *dataSet);
    QString XLabelsSource() const { return FXLabelsSource; }
    void SetXLabelsSource(const QString &fieldName) { FXLabelsSource = fieldName; }
    QString YValuesSource() const { return FYValuesSource; }
    void SetYValuesSource(const QString &fieldName) { FYValuesSource = fieldName; }
    QString XValuesSource() const { return FXValuesSource; }
    void SetXValuesSource(const QString &fieldName) { FXValuesSource = fieldName; }
    // Whether the series is bound to a dataset.
    bool Bound() const { return DataSource() != nullptr; }
    // Reads every record of the dataset into points (the cursor does not move). Raises a
    // clear error for a missing field or a value that is not a number; the points are left as
    // they were then. A closed dataset gives no points.
    void CheckDataSource();
    // Checks that the fields exist in the dataset and can give the values, without reading.
    static void CheckFields(TDataSet *dataSet, const QString &labelField,
                            const QString &valueField1, const QString &valueField2);

    const std::vector<TChartPoint> &Points() const { return FPoints; }
    int Count() const { return static_cast<int>(FPoints.size()); }
    // True when the points stand at their index (no numeric X field).
    bool XByIndex() const { return FXByIndex; }
    double Total() const; // sum of the absolute values, the base of the percentages

    // Drawing options.
    bool ColorEachPoint() const { return FColorEachPoint; }
    void SetColorEachPoint(bool on);
    QColor SeriesColor() const { return FColor; }
    void SetSeriesColor(const QColor &color);
    QColor PointColor(int index) const;
    bool MarksVisible() const { return FMarksVisible; }
    void SetMarksVisible(bool visible);
    TSeriesMarksStyle MarksStyle() const { return FMarksStyle; }
    void SetMarksStyle(TSeriesMarksStyle style);
    bool MarksTransparent() const { return FMarksTransparent; }
    void SetMarksTransparent(bool on);
    bool MarksClipped() const { return FMarksClipped; }
    void SetMarksClipped(bool on);
    bool Dark3D() const { return FDark3D; }
    void SetDark3D(bool on);

    // Texts of one point.
    QString ValueText(int index) const;
    QString PercentText(int index) const;
    QString XValueText(int index) const;
    QString MarkText(int index) const;

    // Takes over the title, data binding, points and drawing options of another series.
    void Assign(const TChartSeries &source);

    // The palette of point and series colours.
    static QColor PaletteColor(int index);
    static QString NumberText(double value);

private:
    friend class TDBChart;
    friend class TSeriesDataLink;
    void Changed();
    void DataChanged();

    TSeriesStyle FStyle;
    TDBChart *FChart = nullptr;
    QString FTitle;
    TDataSource *FDataSource;
    std::unique_ptr<TSeriesDataLink> FLink;
    QString FXLabelsSource, FYValuesSource, FXValuesSource;
    std::vector<TChartPoint> FPoints;
    bool FXByIndex = true;
    bool FColorEachPoint = true;
    QColor FColor;
    bool FMarksVisible = false;
    TSeriesMarksStyle FMarksStyle = TSeriesMarksStyle::smsValue;
    bool FMarksTransparent = false;
    bool FMarksClipped = true;
    bool FDark3D = true;
    bool FReloadQueued = false;
};

class TDBChart : public QChartView {
    Q_OBJECT
public:
    explicit TDBChart(QWidget *parent = nullptr);
    ~TDBChart() override;

    // Series in drawing order; the chart does not own them.
    int SeriesCount() const { return static_cast<int>(FSeries.size()); }
    TChartSeries *Series(int index) const { return FSeries.value(index); }
    QList<TChartSeries *> SeriesList() const;
    void AddSeries(TChartSeries *series);
    void RemoveSeries(TChartSeries *series);
    // Puts `series` where `old` was.
    void ReplaceSeries(TChartSeries *old, TChartSeries *series);

    QString Title() const { return FTitle; }
    void SetTitle(const QString &title);
    QString LeftAxisTitle() const { return FLeftTitle; }
    void SetLeftAxisTitle(const QString &title);
    QString BottomAxisTitle() const { return FBottomTitle; }
    void SetBottomAxisTitle(const QString &title);
    QStringList FootText() const { return FFoot; }
    void SetFootText(const QStringList &lines);

    bool LegendVisible() const { return FLegendVisible; }
    void SetLegendVisible(bool visible);
    TLegendStyle LegendStyle() const { return FLegendStyle; }
    void SetLegendStyle(TLegendStyle style);
    TLegendTextStyle LegendTextStyle() const { return FLegendTextStyle; }
    void SetLegendTextStyle(TLegendTextStyle style);
    // The legend's entries as they are drawn (colour and text); empty while it is hidden.
    QList<QPair<QColor, QString>> LegendItems() const;

    bool View3D() const { return FView3D; }
    void SetView3D(bool on);
    int Chart3DPercent() const { return FDepthPercent; }
    void SetChart3DPercent(int percent);
    bool Orthogonal() const { return FOrthogonal; }
    void SetOrthogonal(bool on);
    int Rotation() const { return FRotation; }
    void SetRotation(int degrees);
    int Elevation() const { return FElevation; }
    void SetElevation(int degrees);
    // The 3D depth as drawn now: where the back of the chart lies from its front, in pixels;
    // (0, 0) without 3D.
    QPointF DepthOffset() const;

    // Paging: MaxPointsPerPage points a page (0: all on one page), pages counted from 1.
    // The last page keeps the width of a full page. Pies always show every point.
    int MaxPointsPerPage() const { return FPointsPerPage; }
    void SetMaxPointsPerPage(int points);
    int Page() const { return FPage; }
    void SetPage(int page); // kept within 1..NumPages
    int NumPages() const;

    // Zooming: the view scaled around its centre (120 enlarges), and back to the full page.
    void ZoomPercent(double percent);
    void UndoZoom();
    bool Zoomed() const { return FZoomed; }
    // Visible ranges of the bottom and left axes, and their full ranges (the whole page).
    TAxisRange BottomAxis() const { return FBottom; }
    TAxisRange LeftAxis() const { return FLeft; }
    TAxisRange BottomData() const { return FBottomData; }
    TAxisRange LeftData() const { return FLeftData; }
    void SetBottomAxis(double min, double max);
    void SetLeftAxis(double min, double max);
    // Whether the chart has axes (a series other than a pie is attached).
    bool HasAxes() const { return FHasAxes; }

    // Draws the whole chart fitted into `target` (printing, PDF, pictures), keeping its
    // proportions.
    void Draw(QPainter *painter, const QRectF &target);

    // Rebuilds the drawing from the series and settings.
    void RefreshChart();

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TChartSeries;
    struct TBar {
        TChartSeries *Series;
        QRectF Domain; // x0..x1, 0..y in axis values
        QColor Color;
    };
    struct TDrawnSeries {
        TChartSeries *Series;
        QAbstractSeries *Drawn;
        int First; // index of the first point drawn
        int Last;  // one past the last
    };
    void SeriesChanged(TChartSeries *series);
    void Rebuild();
    void ApplyAxes();
    void ApplyMargins();
    int LegendHeight(int width) const;
    // The widget's font sized in pixels of the chart, for the texts the chart paints itself:
    // a font sized in points would grow with a printer's resolution while the scene does not.
    QFont PaintFont(double factor = 1.0) const;
    std::pair<int, int> PageRange(const TChartSeries *series) const;
    int PointCount() const;
    QPointF ToScene(const QPointF &value, QAbstractSeries *series) const;
    QRectF PlotRect() const;
    void DrawDepth(QPainter *painter);
    void DrawMarks(QPainter *painter);
    void DrawLegendAndFoot(QPainter *painter);
    void PieGeometry(int index, int count, QPointF &centre, double &radius) const;

    QList<TChartSeries *> FSeries;
    QString FTitle, FLeftTitle, FBottomTitle;
    QStringList FFoot;
    bool FLegendVisible = true;
    TLegendStyle FLegendStyle = TLegendStyle::lsSeries;
    TLegendTextStyle FLegendTextStyle = TLegendTextStyle::ltsLeftValue;
    bool FView3D = true;
    int FDepthPercent = 10;
    bool FOrthogonal = true;
    int FRotation = 0;
    int FElevation = 0;
    int FPointsPerPage = 0;
    int FPage = 1;
    bool FZoomed = false;
    bool FHasAxes = false;
    TAxisRange FBottom, FLeft, FBottomData, FLeftData;
    QCategoryAxis *FCategoryAxis;
    QValueAxis *FValueAxis;
    QValueAxis *FAxisY;
    QValueAxis *FAxisX = nullptr; // the bottom axis in use
    std::vector<TDrawnSeries> FDrawn;
    std::vector<TBar> FBars;
    QAbstractSeries *FAxisSeries = nullptr; // a drawn series on the axes, for mapping
    bool FRebuilding = false;
};
