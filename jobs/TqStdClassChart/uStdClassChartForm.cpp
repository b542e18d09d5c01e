#include "uStdClassChartForm.h"

#include "Application.h"
#include "ClientDataSet.h"
#include "DBGridModel.h"
#include "DataSource.h"
#include "uJobGuard.h"
#include "uJobServerData.h"
#include "uLumChartForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <map>

TStdClassChartForm::TStdClassChartForm() {
    SetName(QStringLiteral("StdClassChartForm"));
    SetCaption(QStringLiteral("各班人數統計"));
    SetTag(1);
    SetDragKind(TDragKind::dkDock);
    resize(420, 360);

    ServerData = new TJobServerData(this, QStringLiteral("SrvAcademic.AcadStudentINTF"));
    StudentCDS = ServerData->AddDataSet(
        QStringLiteral("xStdOnSchoolIdxProvider"),
        {{QStringLiteral("StudentID"), ftString, 10, QStringLiteral("學號")},
         {QStringLiteral("ClassID"), ftString, 10, QStringLiteral("班級代碼")},
         {QStringLiteral("ClassName"), ftString, 120, QStringLiteral("班級")}});

    ClassCDS = new TClientDataSet(this);
    ClassCDS->FieldDefs().Add(QStringLiteral("ClassID"), ftString, 10);
    ClassCDS->FieldDefs().Add(QStringLiteral("ClassName"), ftString, 120);
    ClassCDS->FieldDefs().Add(QStringLiteral("StdCount"), ftInteger);
    ClassCDS->CreateDataSet();
    ClassCDS->FieldByName(QStringLiteral("ClassID"))->SetDisplayLabel(QStringLiteral("班級代碼"));
    ClassCDS->FieldByName(QStringLiteral("ClassName"))->SetDisplayLabel(QStringLiteral("班級"));
    ClassCDS->FieldByName(QStringLiteral("StdCount"))->SetDisplayLabel(QStringLiteral("人數"));
    dsClasses = new TDataSource(this);
    dsClasses->SetDataSet(ClassCDS);
    dsClasses->SetAutoEdit(false);

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    btnRefresh = new QPushButton(QStringLiteral("重新整理"), this);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnChart = new QPushButton(QStringLiteral("顯示圖表"), this);
    btnChart->setObjectName(QStringLiteral("btnChart"));
    bar->addWidget(btnRefresh);
    bar->addWidget(btnChart);
    bar->addStretch();
    layout->addLayout(bar);

    grdClasses = new QTableView(this);
    grdClasses->setObjectName(QStringLiteral("grdClasses"));
    grdClasses->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdClasses->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdClasses->verticalHeader()->hide();
    grdClasses->horizontalHeader()->setStretchLastSection(true);
    ClassModel = new TDBGridModel(this);
    ClassModel->SetDataSource(dsClasses);
    grdClasses->setModel(ClassModel);
    ClassModel->AttachView(grdClasses);
    layout->addWidget(grdClasses, 1);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    layout->addWidget(lblStatus);

    connect(btnRefresh, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { RefreshCounts(); }); });
    connect(btnChart, &QPushButton::clicked, this, [this] { RunGuarded([this] { ShowChart(); }); });
    OnShow = [this] { RunGuarded([this] { FormShow(); }); };
    OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
}

TStdClassChartForm::~TStdClassChartForm() {
    // The chart reads this form's counts: it closes with the job.
    delete FChart.data();
}

void TStdClassChartForm::FormShow() {
    if (!FFirstShow)
        return;
    FFirstShow = false;
    RefreshCounts();
    ShowChart();
}

void TStdClassChartForm::RefreshCounts() {
    ServerData->Open(StudentCDS);
    struct TClassCount {
        QString Name;
        int Count = 0;
    };
    std::map<QString, TClassCount> classes; // by class code
    TField *classId = StudentCDS->FieldByName(QStringLiteral("ClassID"));
    TField *className = StudentCDS->FieldByName(QStringLiteral("ClassName"));
    int students = 0;
    for (int i = 0; i < StudentCDS->RecordCount(); ++i) {
        const QString id = VarToStr(StudentCDS->ValueAt(i, classId)).trimmed();
        TClassCount &entry = classes[id];
        if (entry.Name.isEmpty()) {
            const QString name = VarToStr(StudentCDS->ValueAt(i, className)).trimmed();
            entry.Name = !name.isEmpty() ? name : !id.isEmpty() ? id : QStringLiteral("未編班");
        }
        ++entry.Count;
        ++students;
    }
    ClassCDS->DisableControls();
    try {
        ClassCDS->EmptyDataSet();
        for (const auto &[id, entry] : classes) {
            ClassCDS->Append();
            ClassCDS->FieldByName(QStringLiteral("ClassID"))->SetAsString(id);
            ClassCDS->FieldByName(QStringLiteral("ClassName"))->SetAsString(entry.Name);
            ClassCDS->FieldByName(QStringLiteral("StdCount"))->SetAsInteger(entry.Count);
            ClassCDS->Post();
        }
        ClassCDS->First();
    } catch (...) {
        ClassCDS->EnableControls();
        throw;
    }
    ClassCDS->EnableControls();
    grdClasses->resizeColumnsToContents();
    lblStatus->setText(QStringLiteral("共 %1 班，%2 人").arg(classes.size()).arg(students));
}

TLumChartForm *TStdClassChartForm::ChartForm() const {
    return FChart;
}

TLumChartForm *TStdClassChartForm::ShowChart() {
    if (!FChart) {
        FChart = Application()->CreateForm<TLumChartForm>();
        FChart->OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
        FChart->Execute(TSeriesStyle::Bar, QStringLiteral("人數"), ClassCDS,
                        QStringLiteral("ClassName"), QStringLiteral("StdCount"));
        FChart->Titles(QStringLiteral("各班人數統計"), QStringLiteral("人數"),
                       QStringLiteral("班級"));
    }
    FChart->showMaximized();
    FChart->raise();
    return FChart;
}
