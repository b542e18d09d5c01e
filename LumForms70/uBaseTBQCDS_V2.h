#pragma once
// TBaseTBQCDS_V2: the query form with the bulk operations of the extended forms on its grid:
// select the rows (all, or those a test accepts), change or delete them, copy them into
// another dataset, copy chosen fields of a row and paste them onto the selected rows, each
// ending with the changes confirmed; plus opening and confirming datasets of its own and
// sending datasets under a chosen name.

#include "uBaseTBQueryFormCDS.h"
#include "uGridOperations.h"

class TBaseTBQCDS_V2 : public TBaseTBQueryFormCDS {
    Q_OBJECT
public:
    explicit TBaseTBQCDS_V2(QWidget *parent = nullptr);
    ~TBaseTBQCDS_V2() override;
    QString ClassName() const override { return QStringLiteral("TBaseTBQCDS_V2"); }

    TGridActions Grid;
    TAction *&ActGridClear = Grid.ActGridClear, *&ActGridSelectAll = Grid.ActGridSelectAll,
            *&ActGridCopyInto = Grid.ActGridCopyInto, *&ActGridDelete = Grid.ActGridDelete,
            *&ActGridChange = Grid.ActGridChange, *&ActGridActiveAll = Grid.ActGridActiveAll,
            *&ActFlowChart = Grid.ActFlowChart, *&ActGridCopyFieldsSet = Grid.ActGridCopyFieldsSet,
            *&ActGridCopy = Grid.ActGridCopy, *&ActGridPaste = Grid.ActGridPaste,
            *&DataCheck = Grid.DataCheck, *&DataCheckCancel = Grid.DataCheckCancel,
            *&DataPosting = Grid.DataPosting, *&DataPostingCancel = Grid.DataPostingCancel;
    QString &FlowChartFile;
    QString ReceivedDataName, ReceivedFormName, ReceivedName;

    // Hooks after the query form's.
    virtual TDBGrid *GetGridActive() const;
    virtual TDBGrid *GetGridSelect() const { return nullptr; }
    virtual void DoGridDataChange(TDataSet *dataSet);

    void GridSelectedClear();
    void GridSelectAll(TDBGrid *grid, const TBQCheckFunEvent &check = {});
    void GridSelectedUpdate(TDBGrid *grid, const std::function<void(TDataSet *)> &proc);
    // The grid stays on the last row copied.
    void GridSelectedCopyInto(TDBGrid *grid, TDataSet *target, const TBQCopyDataEvent &copy);
    void DataCopyExecute() { OpCtrl(); }
    void ActGridClearExecute() { GridSelectedClear(); }
    void ActGridCopyExecute() { OpCtrl(); }
    void ActGridPasteExecute() { OpCtrl(); }
    void ActFlowChartExecute();
    void GridCellClick() { OpCtrl(); }
    void OpenRemote(TClientDataSet *dataSet);
    void ApplyRemote(TClientDataSet *dataSet);
    void DataFieldsSetUp(const QString &name, TDataSource *dataSource);
    void SendDataSetByName(TClientDataSet *dataSet, const QString &name);
    void SendActiveDataRecordByName(TDataSet *dataSet, const QString &name);
    void dbckFieldsListClickCheck(QObject *sender) { FieldsListClickCheck(sender); }
    QString GetTemplateDocsDir() const { return TemplateDocsDir(); }
    TGridOperations &Operations() { return FOperations; }

    void OpCtrl() override;
    TClientDataSet *DoGetReceiverDataSet(const QString &name, bool active) override;
    TStringList *DoCheckActiveDataRecord(const QString &name) override;

private:
    TGridOperations FOperations;
};
