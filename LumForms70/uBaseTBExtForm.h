#pragma once
// TBaseTBExtForm: the table form with bulk operations on grid selections: select rows (all, or
// those a test accepts), change or delete the selected rows, copy them into another dataset,
// each ending with the changes confirmed to the server; a copy buffer for pasting records,
// and a link to the job's management flow chart. The job form names the grids and the
// dataset (GetGridActive, GetGridSelect, GetActiveDataSet) and gives the actions their work.

#include "uBaseTBForm.h"
#include "uGridOperations.h"

class TDBGrid;

class TBaseTBExtForm : public TBaseTBForm {
    Q_OBJECT
public:
    explicit TBaseTBExtForm(QWidget *parent = nullptr);
    ~TBaseTBExtForm() override;
    QString ClassName() const override { return QStringLiteral("TBaseTBExtForm"); }

    TGridActions Grid;
    TAction *&ActGridClear = Grid.ActGridClear, *&ActGridSelectAll = Grid.ActGridSelectAll,
            *&ActGridCopyInto = Grid.ActGridCopyInto, *&ActGridDelete = Grid.ActGridDelete,
            *&ActGridChange = Grid.ActGridChange, *&ActGridActiveAll = Grid.ActGridActiveAll,
            *&DataPaste = Grid.DataPaste, *&ActFlowChart = Grid.ActFlowChart;
    // The flow-chart document the job form names.
    QString &FlowChartFile;
    // The last data name another form sent or asked for.
    QString ReceivedDataName;

    // Hooks, in slot order.
    virtual TClientDataSet *GetActiveDataSet() const { return nullptr; }
    virtual TDBGrid *GetGridActive() const { return nullptr; }
    virtual TDBGrid *GetGridSelect() const { return nullptr; }
    // Every grid operation ends here: the changes go to the server.
    virtual void DoGridDataChange(TDataSet *dataSet);
    virtual void DoDataOpCtrl();

    void GridSelectedClear();
    void GridSelectAll(TDBGrid *grid, const TCheckFunEvent &check = {});
    void GridSelectedUpdate(TDBGrid *grid, const std::function<void(TDataSet *)> &proc);
    // The grid returns to the row it was on.
    void GridSelectedCopyInto(TDBGrid *grid, TDataSet *target, const TCopyDataEvent &copy);
    void DataCopyExecute() { OpCtrl(); }
    void ActGridClearExecute() { GridSelectedClear(); }
    void ActFlowChartExecute();
    // Enter in a number edit runs the query.
    void NoKeyPress(QWidget *edit);
    void DataSourceStateChange(TDataSource *) { OpCtrl(); }
    QString GetTemplateDocsDir() const { return TemplateDocsDir(); }
    TGridOperations &Operations() { return FOperations; }

    void OpCtrl() override;
    void DoDataApplyUpdates() override;
    void DoDataCancelUpdates() override;
    TClientDataSet *DoGetReceiverDataSet(const QString &name, bool active) override;
    TStringList *DoCheckActiveDataRecord(const QString &name) override;

protected:
    // Where a received data name is kept; the V2 form also splits it.
    virtual void KeepDataName(const QString &name) { ReceivedDataName = name; }
    TGridOperations FOperations;
};
