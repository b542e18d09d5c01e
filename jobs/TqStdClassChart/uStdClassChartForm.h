#pragma once
// Students per class ("各班人數統計"): the index of the students on the roll is read from the
// academic server and counted by class on the client; the counts stand in a grid and are
// charted as bars in the chart form, where the user may switch to pie, line or point charts.
// The job docks into the shell's main area; the chart opens as its own maximised window.

#include "Form.h"

#include <QPointer>

class QLabel;
class QPushButton;
class QTableView;
class TClientDataSet;
class TDataSource;
class TDBGridModel;
class TJobServerData;
class TLumChartForm;

class TStdClassChartForm : public TForm {
    Q_OBJECT
public:
    TStdClassChartForm();
    ~TStdClassChartForm() override;

    QPushButton *btnRefresh = nullptr;
    QPushButton *btnChart = nullptr;
    QTableView *grdClasses = nullptr;
    QLabel *lblStatus = nullptr;
    TJobServerData *ServerData = nullptr;
    TClientDataSet *StudentCDS = nullptr; // the index of students on the roll
    TClientDataSet *ClassCDS = nullptr;   // ClassID, ClassName, StdCount, by class code
    TDataSource *dsClasses = nullptr;
    TDBGridModel *ClassModel = nullptr;

    // Reads the students again and counts them by class.
    void RefreshCounts();
    // Shows the counts in the chart form (bars first), opening it when it is not open.
    TLumChartForm *ShowChart();
    TLumChartForm *ChartForm() const;

private:
    void FormShow();
    QPointer<TLumChartForm> FChart;
    bool FFirstShow = true;
};
