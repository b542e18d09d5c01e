#include "uLumChartForm.h"

#include "Application.h"
#include "DataSet.h"
#include "DateTime.h"
#include "Exceptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The hourglass while the chart goes to the printer or a file.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

// The page with a margin of one twelfth of its width at left and right and of its height at
// top and bottom.
QRectF PrintArea(const QRectF &page) {
    const double dx = page.width() / 12;
    const double dy = page.height() / 12;
    return page.adjusted(dx, dy, -dx, -dy);
}

QColor RandomColor() {
    auto *random = QRandomGenerator::global();
    return QColor(int(random->bounded(255)), int(random->bounded(255)), int(random->bounded(255)));
}

TSeriesStyle StyleOf(TSeriesStyle style) {
    switch (style) {
    case TSeriesStyle::Point:
        return TSeriesStyle::Point;
    case TSeriesStyle::Bar:
        return TSeriesStyle::Bar;
    case TSeriesStyle::Pie:
        return TSeriesStyle::Pie;
    default:
        return TSeriesStyle::Line;
    }
}

} // namespace

TLumChartForm::TLumChartForm(QWidget *parent) : TForm(parent) {
    SetName(QStringLiteral("LumChartForm"));
    SetCaption(QStringLiteral("圖表"));
    resize(1024, 720);
    setWindowState(Qt::WindowMaximized);
    setAttribute(Qt::WA_DeleteOnClose, false);

    DBChart1 = new TDBChart(this);
    DBChart1->setObjectName(QStringLiteral("DBChart1"));
    Series1 = new TChartSeries(TSeriesStyle::Line, this);
    Series1->setObjectName(QStringLiteral("Series1"));
    Series2 = new TChartSeries(TSeriesStyle::Bar, this);
    Series2->setObjectName(QStringLiteral("Series2"));
    Series3 = new TChartSeries(TSeriesStyle::Pie, this);
    Series3->setObjectName(QStringLiteral("Series3"));
    Series4 = new TChartSeries(TSeriesStyle::Point, this);
    Series4->setObjectName(QStringLiteral("Series4"));

    auto action = [this](const char *name, const QString &caption, QStyle::StandardPixmap icon) {
        auto *a = new TAction(this, QLatin1String(name), QStringLiteral("Chart"), caption);
        a->setIcon(style()->standardIcon(icon));
        a->SetHint(caption);
        addAction(a);
        return a;
    };
    ActFirstPage = action("ActFirstPage", QStringLiteral("第一頁"), QStyle::SP_MediaSkipBackward);
    ActPriorPage = action("ActPriorPage", QStringLiteral("上一頁"), QStyle::SP_MediaSeekBackward);
    ActNextPage = action("ActNextPage", QStringLiteral("下一頁"), QStyle::SP_MediaSeekForward);
    ActLastPage = action("ActLastPage", QStringLiteral("最後一頁"), QStyle::SP_MediaSkipForward);
    ActZoomIn = action("ActZoomIn", QStringLiteral("放大"), QStyle::SP_ArrowUp);
    ActZoomOut = action("ActZoomOut", QStringLiteral("縮小"), QStyle::SP_ArrowDown);
    ActUndoZoom = action("ActUndoZoom", QStringLiteral("復原"), QStyle::SP_BrowserReload);
    ActPrintSetup =
        action("ActPrintSetup", QStringLiteral("列印設定"), QStyle::SP_FileDialogDetailedView);
    ActPrint = action("ActPrint", QStringLiteral("列印"), QStyle::SP_DialogApplyButton);
    ActSavePng = action("ActSavePng", QStringLiteral("存成PNG"), QStyle::SP_DialogSaveButton);
    ActSavePdf = action("ActSavePdf", QStringLiteral("存成PDF"), QStyle::SP_DialogSaveButton);

    sbVertical = new QScrollBar(Qt::Vertical, this);
    sbVertical->setObjectName(QStringLiteral("sbVertical"));
    sbVertical->setRange(0, 100);
    sbVertical->setInvertedAppearance(true); // the top of the bar shows the highest values
    sbVertical->setInvertedControls(true);

    auto *chartRow = new QHBoxLayout;
    chartRow->setSpacing(2);
    chartRow->addWidget(DBChart1, 1);
    chartRow->addWidget(sbVertical);
    auto *right = new QVBoxLayout;
    right->addLayout(chartRow, 1);
    right->addWidget(BuildPagingPanel());
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(BuildOptionPanel());
    layout->addLayout(right, 1);

    FormCreate();
    ConnectControls();
    OnShow = [this] { Guarded([this] { FormShow(); }); };
}

TLumChartForm::~TLumChartForm() = default;

QWidget *TLumChartForm::BuildOptionPanel() {
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlOptions"));
    panel->setFixedWidth(220);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    gbSeries = new QGroupBox(QStringLiteral("圖表樣式"), panel);
    gbSeries->setObjectName(QStringLiteral("gbSeries"));
    cbSeries = new QComboBox(gbSeries);
    cbSeries->setObjectName(QStringLiteral("cbSeries"));
    cbSeries->addItems({QStringLiteral("線條圖"), QStringLiteral("直條圖"),
                        QStringLiteral("圓餅圖"), QStringLiteral("單點圖")});
    (new QVBoxLayout(gbSeries))->addWidget(cbSeries);
    column->addWidget(gbSeries);

    gb3D = new QGroupBox(QStringLiteral("3D設定"), panel);
    gb3D->setObjectName(QStringLiteral("gb3D"));
    cb3D = new QCheckBox(QStringLiteral("3D"), gb3D);
    cb3D->setObjectName(QStringLiteral("cb3D"));
    cb3D->setChecked(true);
    lb3DPercent = new QLabel(gb3D);
    lb3DPercent->setObjectName(QStringLiteral("lb3DPercent"));
    sb3DPercent = new QScrollBar(Qt::Horizontal, gb3D);
    sb3DPercent->setObjectName(QStringLiteral("sb3DPercent"));
    sb3DPercent->setRange(1, 100);
    sb3DPercent->setValue(10);
    lbRotation = new QLabel(gb3D);
    lbRotation->setObjectName(QStringLiteral("lbRotation"));
    sbRotation = new QScrollBar(Qt::Horizontal, gb3D);
    sbRotation->setObjectName(QStringLiteral("sbRotation"));
    sbRotation->setRange(-90, 90);
    sbRotation->setValue(0);
    cbDark3D = new QCheckBox(QStringLiteral("陰影"), gb3D);
    cbDark3D->setObjectName(QStringLiteral("cbDark3D"));
    cbDark3D->setChecked(true);
    auto *box3D = new QVBoxLayout(gb3D);
    box3D->addWidget(cb3D);
    box3D->addWidget(lb3DPercent);
    box3D->addWidget(sb3DPercent);
    box3D->addWidget(lbRotation);
    box3D->addWidget(sbRotation);
    box3D->addWidget(cbDark3D);
    column->addWidget(gb3D);

    gbPrinter = new QGroupBox(QStringLiteral("印表機"), panel);
    gbPrinter->setObjectName(QStringLiteral("gbPrinter"));
    auto button = [this](QWidget *owner, const char *name, TAction *act) {
        auto *b = new QPushButton(act->icon(), act->text(), owner);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, act, &QAction::trigger);
        return b;
    };
    btnPrintSetup = button(gbPrinter, "btnPrintSetup", ActPrintSetup);
    btnPrint = button(gbPrinter, "btnPrint", ActPrint);
    btnSavePng = button(gbPrinter, "btnSavePng", ActSavePng);
    btnSavePdf = button(gbPrinter, "btnSavePdf", ActSavePdf);
    auto *printerGrid = new QGridLayout(gbPrinter);
    printerGrid->addWidget(btnPrintSetup, 0, 0);
    printerGrid->addWidget(btnPrint, 0, 1);
    printerGrid->addWidget(btnSavePng, 1, 0);
    printerGrid->addWidget(btnSavePdf, 1, 1);
    column->addWidget(gbPrinter);

    gbMarks = new QGroupBox(QStringLiteral("標籤樣式"), panel);
    gbMarks->setObjectName(QStringLiteral("gbMarks"));
    cbMarks = new QComboBox(gbMarks);
    cbMarks->setObjectName(QStringLiteral("cbMarks"));
    cbMarks->addItems({QStringLiteral("無"), QStringLiteral("數值"), QStringLiteral("百分比"),
                       QStringLiteral("名稱"), QStringLiteral("名稱,百分比"),
                       QStringLiteral("名稱,數值")});
    cbTransparent = new QCheckBox(QStringLiteral("透明"), gbMarks);
    cbTransparent->setObjectName(QStringLiteral("cbTransparent"));
    cbClipped = new QCheckBox(QStringLiteral("超邊剪掉"), gbMarks);
    cbClipped->setObjectName(QStringLiteral("cbClipped"));
    cbClipped->setChecked(true);
    auto *marks = new QVBoxLayout(gbMarks);
    marks->addWidget(cbMarks);
    auto *markChecks = new QHBoxLayout;
    markChecks->addWidget(cbTransparent);
    markChecks->addWidget(cbClipped);
    marks->addLayout(markChecks);
    column->addWidget(gbMarks);

    gbLegend = new QGroupBox(QStringLiteral("圖例樣式(Legend)"), panel);
    gbLegend->setObjectName(QStringLiteral("gbLegend"));
    cbLegendStyle = new QComboBox(gbLegend);
    cbLegendStyle->setObjectName(QStringLiteral("cbLegendStyle"));
    cbLegendStyle->addItems(
        {QStringLiteral("無"), QStringLiteral("圖樣名稱"), QStringLiteral("圖樣數值")});
    cbLegendText = new QComboBox(gbLegend);
    cbLegendText->setObjectName(QStringLiteral("cbLegendText"));
    cbLegendText->addItems(
        {QStringLiteral("Y軸值"), QStringLiteral("Y軸百分比"), QStringLiteral("X軸值")});
    auto *legend = new QVBoxLayout(gbLegend);
    legend->addWidget(cbLegendStyle);
    legend->addWidget(cbLegendText);
    column->addWidget(gbLegend);

    cbColorForEach = new QCheckBox(QStringLiteral("圖點顏色各異"), panel);
    cbColorForEach->setObjectName(QStringLiteral("cbColorForEach"));
    cbColorForEach->setChecked(true);
    column->addWidget(cbColorForEach);
    column->addStretch();
    return panel;
}

QWidget *TLumChartForm::BuildPagingPanel() {
    pnlPaging = new QWidget(this);
    pnlPaging->setObjectName(QStringLiteral("pnlPaging"));
    auto *row = new QHBoxLayout(pnlPaging);
    row->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("每頁點數:"), pnlPaging);
    sePointsOfPage = new QSpinBox(pnlPaging);
    sePointsOfPage->setObjectName(QStringLiteral("sePointsOfPage"));
    sePointsOfPage->setRange(0, 30);
    sePointsOfPage->setValue(10);
    sePointsOfPage->setSpecialValueText(QStringLiteral("全部"));
    label->setBuddy(sePointsOfPage);
    lbNumOfPages = new QLabel(QStringLiteral("1/1"), pnlPaging);
    lbNumOfPages->setObjectName(QStringLiteral("lbNumOfPages"));
    lbNumOfPages->setMinimumWidth(48);
    lbNumOfPages->setAlignment(Qt::AlignCenter);
    sbHorizontal = new QScrollBar(Qt::Horizontal, pnlPaging);
    sbHorizontal->setObjectName(QStringLiteral("sbHorizontal"));
    sbHorizontal->setRange(0, 100);
    auto tool = [this](const char *name, TAction *act) {
        auto *b = new QToolButton(pnlPaging);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(act);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        return b;
    };
    row->addWidget(label);
    row->addWidget(sePointsOfPage);
    btnFirstPage = tool("btnFirstPage", ActFirstPage);
    btnPriorPage = tool("btnPriorPage", ActPriorPage);
    row->addWidget(btnFirstPage);
    row->addWidget(btnPriorPage);
    row->addWidget(lbNumOfPages);
    btnNextPage = tool("btnNextPage", ActNextPage);
    btnLastPage = tool("btnLastPage", ActLastPage);
    row->addWidget(btnNextPage);
    row->addWidget(btnLastPage);
    row->addWidget(sbHorizontal, 1);
    btnZoomIn = tool("btnZoomIn", ActZoomIn);
    btnZoomOut = tool("btnZoomOut", ActZoomOut);
    btnUndoZoom = tool("btnUndoZoom", ActUndoZoom);
    row->addWidget(btnZoomIn);
    row->addWidget(btnZoomOut);
    row->addWidget(btnUndoZoom);
    return pnlPaging;
}

void TLumChartForm::FormCreate() {
    DBChart1->SetTitle(QStringLiteral("標頭"));
    DBChart1->SetBottomAxisTitle(QStringLiteral("底部標頭"));
    DBChart1->SetChart3DPercent(sb3DPercent->value());
    DBChart1->SetMaxPointsPerPage(sePointsOfPage->value());
    cbSeries->setCurrentIndex(0);
    DBChart1->AddSeries(Series1);
    cbLegendStyle->setCurrentIndex(2);
    cbLegendText->setCurrentIndex(0);
    cbMarks->setCurrentIndex(1);
    LegendChanged();
    Apply3D();
    lbRotation->setText(QStringLiteral("旋轉: %1").arg(sbRotation->value()));
    SetSeries(ActiveSeries());
    ShowStyleControls();
    PageChanged();
}

void TLumChartForm::ConnectControls() {
    auto guard = [this](std::function<void()> handler) {
        return [this, handler = std::move(handler)] { Guarded(handler); };
    };
    connect(cbSeries, &QComboBox::currentIndexChanged, this,
            [this](int index) { Guarded([this, index] { SetActiveSeries(StyleSeries(index)); }); });
    connect(cb3D, &QCheckBox::toggled, this, guard([this] { Apply3D(); }));
    connect(sb3DPercent, &QScrollBar::valueChanged, this, guard([this] { Apply3D(); }));
    connect(sbRotation, &QScrollBar::valueChanged, this,
            [this](int value) { Guarded([this, value] { RotationChanged(value); }); });
    for (QCheckBox *box : {cbDark3D, cbTransparent, cbClipped})
        connect(box, &QCheckBox::toggled, this, guard([this] { OptionsChanged(); }));
    connect(cbMarks, &QComboBox::currentIndexChanged, this, guard([this] { OptionsChanged(); }));
    connect(cbLegendStyle, &QComboBox::currentIndexChanged, this,
            guard([this] { LegendChanged(); }));
    connect(cbLegendText, &QComboBox::currentIndexChanged, this,
            guard([this] { LegendChanged(); }));
    connect(cbColorForEach, &QCheckBox::toggled, this, guard([this] { ColorForEachChanged(); }));
    connect(sePointsOfPage, &QSpinBox::valueChanged, this, [this](int value) {
        Guarded([this, value] {
            DBChart1->SetMaxPointsPerPage(value);
            PageChanged();
        });
    });
    auto toPage = [this](std::function<int()> page) {
        return [this, page = std::move(page)] {
            Guarded([this, &page] {
                DBChart1->SetPage(page());
                PageChanged();
            });
        };
    };
    ActFirstPage->OnExecute = toPage([] { return 1; });
    ActPriorPage->OnExecute = toPage([this] { return DBChart1->Page() - 1; });
    ActNextPage->OnExecute = toPage([this] { return DBChart1->Page() + 1; });
    ActLastPage->OnExecute = toPage([this] { return DBChart1->NumPages(); });
    auto zoom = [this](double percent) {
        return [this, percent] {
            Guarded([this, percent] {
                DBChart1->ZoomPercent(percent);
                sbHorizontal->setEnabled(true);
                sbVertical->setEnabled(true);
                UpdateScrollBars();
            });
        };
    };
    ActZoomIn->OnExecute = zoom(120);
    ActZoomOut->OnExecute = zoom(80);
    ActUndoZoom->OnExecute = guard([this] { ZoomChanged(); });
    ActPrintSetup->OnExecute = guard([this] {
        QPageSetupDialog dialog(Printer(), this);
        dialog.setObjectName(QStringLiteral("dlgPrintSetup"));
        dialog.exec();
    });
    ActPrint->OnExecute = guard([this] { PrintChart(); });
    ActSavePng->OnExecute = guard([this] {
        const QString file = AskFileName(QStringLiteral("存成PNG"),
                                         QStringLiteral("PNG 圖檔 (*.png)"), QStringLiteral("png"));
        if (!file.isEmpty())
            SaveAsPng(file);
    });
    ActSavePdf->OnExecute = guard([this] {
        const QString file = AskFileName(QStringLiteral("存成PDF"),
                                         QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
        if (!file.isEmpty())
            SaveAsPdf(file);
    });
    connect(sbHorizontal, &QScrollBar::valueChanged, this,
            [this](int position) { Guarded([this, position] { HorizontalScrolled(position); }); });
    connect(sbVertical, &QScrollBar::valueChanged, this,
            [this](int position) { Guarded([this, position] { VerticalScrolled(position); }); });
}

void TLumChartForm::Guarded(const std::function<void()> &handler) {
    try {
        handler();
    } catch (...) {
        Application()->HandleException(std::current_exception());
    }
}

void TLumChartForm::FormShow() {
    DBChart1->SetFootText({QStringLiteral("製表日期:") + DateTimeToStr(Now())});
}

TChartSeries *TLumChartForm::StyleSeries(int index) const {
    switch (index) {
    case 1:
        return Series2;
    case 2:
        return Series3;
    case 3:
        return Series4;
    default:
        return Series1;
    }
}

QList<TChartSeries *> TLumChartForm::AllSeries() const {
    QList<TChartSeries *> all = DBChart1->SeriesList();
    for (TChartSeries *s : {Series1, Series2, Series3, Series4})
        if (!all.contains(s))
            all.append(s);
    for (TChartSeries *s : FNewSeries)
        if (!all.contains(s))
            all.append(s);
    return all;
}

// ---- Binding -----------------------------------------------------------------------------

void TLumChartForm::Bind(TChartSeries *series, const QString &title, TDataSet *dataSet,
                         const QString &labelField, const QString &valueField1,
                         const QString &valueField2) {
    TDataSet *oldData = series->DataSource();
    const QString oldLabels = series->XLabelsSource(), oldY = series->YValuesSource(),
                  oldX = series->XValuesSource();
    series->SetDataSource(dataSet);
    series->SetXLabelsSource(labelField);
    series->SetYValuesSource(valueField1);
    series->SetXValuesSource(valueField2);
    try {
        series->CheckDataSource();
    } catch (...) {
        // The chart keeps what it showed.
        series->SetDataSource(oldData);
        series->SetXLabelsSource(oldLabels);
        series->SetYValuesSource(oldY);
        series->SetXValuesSource(oldX);
        throw;
    }
    series->SetTitle(title);
}

void TLumChartForm::AfterBinding(TChartSeries *series) {
    const int count = series->Count();
    {
        const QSignalBlocker blocker(sePointsOfPage);
        if (sePointsOfPage->value() > count - 1)
            sePointsOfPage->setValue(0);
        sePointsOfPage->setMaximum(std::max(0, count - 1));
    }
    DBChart1->SetMaxPointsPerPage(sePointsOfPage->value());
    PageChanged();
}

void TLumChartForm::Execute(TSeriesStyle style, const QString &title, TDataSet *dataSet,
                            const QString &labelField, const QString &valueField1,
                            const QString &valueField2) {
    TChartSeries::CheckFields(dataSet, labelField, valueField1, valueField2);
    const int index = static_cast<int>(StyleOf(style));
    {
        const QSignalBlocker blocker(cbSeries);
        cbSeries->setCurrentIndex(index);
    }
    SetActiveSeries(StyleSeries(index));
    Bind(ActiveSeries(), title, dataSet, labelField, valueField1, valueField2);
    AfterBinding(ActiveSeries());
    showMaximized();
    raise();
}

TChartSeries *TLumChartForm::ExecuteNew(TSeriesStyle style, const QString &title, TDataSet *dataSet,
                                        const QString &labelField, const QString &valueField1,
                                        const QString &valueField2) {
    TChartSeries::CheckFields(dataSet, labelField, valueField1, valueField2);
    auto *series = new TChartSeries(StyleOf(style), this);
    series->setObjectName(QStringLiteral("NewSeries%1").arg(FNewSeries.size() + 1));
    // A style series that was never given data would only stand empty in the legend.
    if (FNewSeries.isEmpty() && ActiveSeries() && !ActiveSeries()->Bound())
        DBChart1->RemoveSeries(ActiveSeries());
    FNewSeries.append(series);
    DBChart1->AddSeries(series);
    SetSeries(series);
    gbSeries->hide();
    try {
        Bind(series, title, dataSet, labelField, valueField1, valueField2);
    } catch (...) {
        FNewSeries.removeOne(series);
        delete series;
        throw;
    }
    cbLegendStyle->setCurrentIndex(1);
    if (cbColorForEach->isChecked())
        cbColorForEach->setChecked(false); // every series gets a colour of its own
    else
        series->SetSeriesColor(RandomColor());
    ShowStyleControls();
    AfterBinding(series);
    showMaximized();
    raise();
    return series;
}

// ---- Titles and paging -------------------------------------------------------------------

void TLumChartForm::Titles(const QString &title, const QString &leftTitle,
                           const QString &bottomTitle) {
    SetTitle(title);
    SetLeftTitle(leftTitle);
    SetBottomTitle(bottomTitle);
}

void TLumChartForm::SetTitle(const QString &title) {
    DBChart1->SetTitle(title);
    SetCaption(title);
}

void TLumChartForm::SetPointsPerPage(int points) {
    if (points < 0)
        return;
    sePointsOfPage->setValue(std::min(points, sePointsOfPage->maximum()));
}

void TLumChartForm::SetActiveSeries(TChartSeries *series) {
    TChartSeries *current = ActiveSeries();
    if (!series || series == current)
        return;
    if (current) {
        series->Assign(*current);
        DBChart1->ReplaceSeries(current, series);
    } else {
        DBChart1->AddSeries(series);
    }
    const int index = static_cast<int>(series->Style());
    if (cbSeries->currentIndex() != index && StyleSeries(index) == series) {
        const QSignalBlocker blocker(cbSeries);
        cbSeries->setCurrentIndex(index);
    }
    ShowStyleControls();
    PageChanged();
}

void TLumChartForm::ShowStyleControls() {
    const bool pie = ActiveSeries() && ActiveSeries()->Style() == TSeriesStyle::Pie;
    pnlPaging->setVisible(!pie);
    sbVertical->setVisible(!pie);
}

void TLumChartForm::PageChanged() {
    const bool paging = !pnlPaging->isHidden();
    const int page = DBChart1->Page();
    const int pages = DBChart1->NumPages();
    lbNumOfPages->setText(QStringLiteral("%1/%2").arg(page).arg(pages));
    ActFirstPage->setEnabled(paging && page > 1);
    ActPriorPage->setEnabled(paging && page > 1);
    ActNextPage->setEnabled(paging && pages > page);
    ActLastPage->setEnabled(paging && pages > page);
    const bool zoom = paging && DBChart1->HasAxes();
    ActZoomIn->setEnabled(zoom);
    ActZoomOut->setEnabled(zoom);
    ActUndoZoom->setEnabled(zoom);
    ZoomChanged(); // a new page is seen whole
}

// Undoes the zoom: the whole page, both scroll bars at 0 and disabled.
void TLumChartForm::ZoomChanged() {
    DBChart1->UndoZoom();
    ScrollUpdating = true;
    sbHorizontal->setValue(0);
    sbVertical->setValue(0);
    ScrollUpdating = false;
    sbHorizontal->setEnabled(false);
    sbVertical->setEnabled(false);
    UpdateScrollBars();
}

void TLumChartForm::UpdateScrollBars() {
    ScrollUpdating = true;
    const TAxisRange bottomData = DBChart1->BottomData();
    if (bottomData.Width() > 0)
        sbHorizontal->setValue(
            qRound((DBChart1->BottomAxis().Min - bottomData.Min) * 100 / bottomData.Width()));
    const TAxisRange leftData = DBChart1->LeftData();
    if (leftData.Width() > 0)
        sbVertical->setValue(
            qRound((DBChart1->LeftAxis().Min - leftData.Min) * 100 / leftData.Width()));
    ScrollUpdating = false;
}

void TLumChartForm::HorizontalScrolled(int position) {
    if (ScrollUpdating)
        return;
    const TAxisRange data = DBChart1->BottomData();
    if (data.Width() <= 0)
        return;
    const double width = DBChart1->BottomAxis().Width();
    const double min = data.Min + position * data.Width() / 100;
    DBChart1->SetBottomAxis(min, min + width);
}

void TLumChartForm::VerticalScrolled(int position) {
    if (ScrollUpdating)
        return;
    const TAxisRange data = DBChart1->LeftData();
    if (data.Width() <= 0)
        return;
    const double height = DBChart1->LeftAxis().Width();
    const double min = data.Min + position * data.Width() / 100;
    DBChart1->SetLeftAxis(min, min + height);
}

// ---- Options -----------------------------------------------------------------------------

void TLumChartForm::SetSeries(TChartSeries *series) {
    if (!series)
        return;
    series->SetColorEachPoint(cbColorForEach->isChecked());
    const int marks = cbMarks->currentIndex();
    series->SetMarksVisible(marks > 0);
    if (marks > 0)
        series->SetMarksStyle(static_cast<TSeriesMarksStyle>(marks - 1));
    series->SetMarksTransparent(cbTransparent->isChecked());
    series->SetMarksClipped(cbClipped->isChecked());
    series->SetDark3D(cbDark3D->isChecked());
}

void TLumChartForm::OptionsChanged() {
    for (TChartSeries *series : AllSeries())
        SetSeries(series);
}

void TLumChartForm::ColorForEachChanged() {
    OptionsChanged();
    if (!cbColorForEach->isChecked())
        for (TChartSeries *series : AllSeries())
            series->SetSeriesColor(RandomColor());
}

void TLumChartForm::LegendChanged() {
    const int style = cbLegendStyle->currentIndex();
    DBChart1->SetLegendVisible(style > 0);
    DBChart1->SetLegendStyle(style == 1 ? TLegendStyle::lsSeries : TLegendStyle::lsValues);
    DBChart1->SetLegendTextStyle(
        static_cast<TLegendTextStyle>(std::max(0, cbLegendText->currentIndex())));
    cbLegendText->setVisible(style == 2);
}

void TLumChartForm::Apply3D() {
    const bool on = cb3D->isChecked();
    DBChart1->SetView3D(on);
    DBChart1->SetChart3DPercent(sb3DPercent->value());
    lb3DPercent->setText(QStringLiteral("深度: %1%").arg(sb3DPercent->value()));
    for (QWidget *w : std::initializer_list<QWidget *>{sb3DPercent, lb3DPercent, sbRotation,
                                                       lbRotation, cbDark3D})
        w->setEnabled(on);
}

void TLumChartForm::RotationChanged(int value) {
    lbRotation->setText(QStringLiteral("旋轉: %1").arg(value));
    DBChart1->SetOrthogonal(false);
    if (ActiveSeries() && ActiveSeries()->Style() == TSeriesStyle::Pie)
        DBChart1->SetElevation(value);
    else
        DBChart1->SetRotation(value);
}

// ---- Printing and files ------------------------------------------------------------------

QPrinter *TLumChartForm::Printer() {
    if (!FPrinter) {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FPrinter->setPageOrientation(QPageLayout::Landscape);
        FPrinter->setDocName(QStringLiteral("圖表"));
    }
    return FPrinter.get();
}

void TLumChartForm::PrintChart() {
    const TWaitCursor wait;
    QPrinter *printer = Printer();
    printer->setDocName(Title());
    QPainter painter;
    if (!painter.begin(printer))
        throw Exception(QStringLiteral("無法開始列印，請先在「列印設定」選擇印表機"));
    DBChart1->Draw(&painter, PrintArea(QRectF(0, 0, printer->width(), printer->height())));
    painter.end();
    if (printer->printerState() == QPrinter::Error)
        throw Exception(QStringLiteral("列印失敗"));
}

void TLumChartForm::SaveAsPdf(const QString &fileName) {
    const TWaitCursor wait;
    QPdfWriter writer(fileName);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(300);
    writer.setTitle(Title());
    writer.setCreator(QStringLiteral("ORV School Administration"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw Exception(QStringLiteral("無法寫入檔案「%1」").arg(fileName));
    DBChart1->Draw(&painter, PrintArea(QRectF(0, 0, writer.width(), writer.height())));
    if (!painter.end())
        throw Exception(QStringLiteral("無法寫入檔案「%1」").arg(fileName));
}

void TLumChartForm::SaveAsPng(const QString &fileName) {
    const TWaitCursor wait;
    QImage image(DBChart1->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DBChart1->Draw(&painter, QRectF(image.rect()));
    painter.end();
    if (!image.save(fileName, "PNG"))
        throw Exception(QStringLiteral("無法寫入檔案「%1」").arg(fileName));
}

QString TLumChartForm::AskFileName(const QString &caption, const QString &filter,
                                   const QString &suffix) {
    QFileDialog dialog(this, caption,
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), filter);
    dialog.setObjectName(QStringLiteral("dlgSaveChart"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(Title() + u'.' + suffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
