#pragma once
// The chart form: a maximised window that charts one or more series taken from a dataset,
// one field giving the point labels and one or two the values. The user switches between
// line, bar, pie and point charts, pages through long series a fixed number of points at a
// time, zooms and scrolls, changes the 3D view, the marks and the legend, prints, and saves
// the chart as a picture or a PDF file.
//
// Value fields: value field 1 gives the Y values (the charted values: left axis, bar heights,
// pie slices). Value field 2 gives the X values of line and point charts when it is given and
// numeric; otherwise, and always for bar and pie charts, the points are placed by their index
// and the bottom axis shows their labels.

#include "Actions.h"
#include "Form.h"
#include "uDBChart.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QToolButton;
class TDataSet;

class TLumChartForm : public TForm {
    Q_OBJECT
public:
    explicit TLumChartForm(QWidget *parent = nullptr);
    ~TLumChartForm() override;

    TDBChart *DBChart1;
    // The four series of the style list, owned by the form; the line series is active first.
    TChartSeries *Series1, *Series2, *Series3, *Series4; // line, bar, pie, point

    QGroupBox *gbSeries;
    QComboBox *cbSeries;
    QGroupBox *gb3D;
    QCheckBox *cb3D;
    QLabel *lb3DPercent, *lbRotation;
    QScrollBar *sb3DPercent, *sbRotation;
    QCheckBox *cbDark3D;
    QGroupBox *gbPrinter;
    QPushButton *btnPrintSetup, *btnPrint, *btnSavePng, *btnSavePdf;
    QGroupBox *gbMarks;
    QComboBox *cbMarks;
    QCheckBox *cbTransparent, *cbClipped;
    QGroupBox *gbLegend;
    QComboBox *cbLegendStyle, *cbLegendText;
    QCheckBox *cbColorForEach;
    QWidget *pnlPaging;
    QSpinBox *sePointsOfPage;
    QLabel *lbNumOfPages;
    QScrollBar *sbHorizontal, *sbVertical;
    QToolButton *btnFirstPage, *btnPriorPage, *btnNextPage, *btnLastPage, *btnZoomIn, *btnZoomOut,
        *btnUndoZoom;
    TAction *ActFirstPage, *ActPriorPage, *ActNextPage, *ActLastPage, *ActZoomIn, *ActZoomOut,
        *ActUndoZoom, *ActPrintSetup, *ActPrint, *ActSavePng, *ActSavePdf;

    // Set while the form itself moves the scroll bars.
    bool ScrollUpdating = false;

    // Charts the dataset with the style's series and shows the form: the style is chosen in
    // the style list, the active series takes the title and the fields and reads the records.
    // A points-per-page value above the point count minus one becomes 0 (one page). A missing
    // dataset or field raises a clear error and leaves the chart as it was.
    void Execute(TSeriesStyle style, const QString &title, TDataSet *dataSet,
                 const QString &labelField, const QString &valueField1,
                 const QString &valueField2 = QString());
    // Adds one more series of the style to the chart, bound the same way, with the option
    // controls applied; the style can no longer be switched, the legend names the series and
    // every series gets a colour of its own.
    TChartSeries *ExecuteNew(TSeriesStyle style, const QString &title, TDataSet *dataSet,
                             const QString &labelField, const QString &valueField1,
                             const QString &valueField2 = QString());

    void Titles(const QString &title, const QString &leftTitle, const QString &bottomTitle);
    QString Title() const { return DBChart1->Title(); }
    void SetTitle(const QString &title); // the window caption too
    QString LeftTitle() const { return DBChart1->LeftAxisTitle(); }
    void SetLeftTitle(const QString &title) { DBChart1->SetLeftAxisTitle(title); }
    QString BottomTitle() const { return DBChart1->BottomAxisTitle(); }
    void SetBottomTitle(const QString &title) { DBChart1->SetBottomAxisTitle(title); }

    int PointsPerPage() const { return DBChart1->MaxPointsPerPage(); }
    // Ignored when negative; clipped to the spin edit's maximum.
    void SetPointsPerPage(int points);

    // The chart's first series; setting it hands over the bindings and settings of the one
    // shown now.
    TChartSeries *ActiveSeries() const { return DBChart1->Series(0); }
    void SetActiveSeries(TChartSeries *series);
    // Applies the option controls to a series.
    void SetSeries(TChartSeries *series);

    // The printer of print setup and printing (landscape until the user chooses otherwise).
    QPrinter *Printer();
    // Prints the chart on the printer, inside margins of one twelfth of the page.
    void PrintChart();
    void SaveAsPng(const QString &fileName);
    void SaveAsPdf(const QString &fileName);

private:
    QWidget *BuildOptionPanel();
    QWidget *BuildPagingPanel();
    void ConnectControls();
    void FormCreate();
    void FormShow();
    void Guarded(const std::function<void()> &handler);
    void Bind(TChartSeries *series, const QString &title, TDataSet *dataSet,
              const QString &labelField, const QString &valueField1, const QString &valueField2);
    void AfterBinding(TChartSeries *series);
    TChartSeries *StyleSeries(int index) const;
    QList<TChartSeries *> AllSeries() const;
    void ApplyOptions();
    void OptionsChanged();
    void Apply3D();
    void RotationChanged(int value);
    void LegendChanged();
    void ColorForEachChanged();
    void ShowStyleControls();
    void PageChanged();
    void ZoomChanged();
    void UpdateScrollBars();
    void HorizontalScrolled(int position);
    void VerticalScrolled(int position);
    QString AskFileName(const QString &caption, const QString &filter, const QString &suffix);

    std::unique_ptr<QPrinter> FPrinter;
    QList<TChartSeries *> FNewSeries;
};
