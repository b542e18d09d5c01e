#include "uBaseTBQCDS_V2.h"

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "uLumMessages.h"

TBaseTBQCDS_V2::TBaseTBQCDS_V2(QWidget *parent)
    : TBaseTBQueryFormCDS(parent), FlowChartFile(FOperations.FlowChartFile),
      FOperations(
          this, [this] { OpCtrl(); }, [this](TDataSet *d) { DoGridDataChange(d); }) {
    setObjectName(QStringLiteral("BaseTBQCDS_V2"));
    SetCaption(QStringLiteral("基本查詢表V2"));
    Grid.Build(this, TGridActions::QueryV2);
    Grid.BuildV2(this, TGridActions::QueryV2);
    // The grid's rows are the ones the grid operations change.
    DBGrid->SetMultiSelect(true);
    DBGrid->OnCellClick = [this](TDBGrid *) { GridCellClick(); };
    DBGrid->OnSelectionChange = [this](TDBGrid *) { OpCtrl(); };
    DataCopy->OnExecute = [this] { DataCopyExecute(); };
    ActGridClear->OnExecute = [this] { ActGridClearExecute(); };
    ActGridCopy->OnExecute = [this] { ActGridCopyExecute(); };
    ActGridPaste->OnExecute = [this] { ActGridPasteExecute(); };
    ActFlowChart->OnExecute = [this] { ActFlowChartExecute(); };
    OpCtrl();
}

TBaseTBQCDS_V2::~TBaseTBQCDS_V2() {
    DBGrid->OnCellClick = nullptr;
    DBGrid->OnSelectionChange = nullptr;
}

TDBGrid *TBaseTBQCDS_V2::GetGridActive() const {
    return DBGrid;
}

void TBaseTBQCDS_V2::DoGridDataChange(TDataSet *) {
    DataApplyUpdateExecute();
}

void TBaseTBQCDS_V2::GridSelectedClear() {
    FOperations.GridSelectedClear();
}

void TBaseTBQCDS_V2::GridSelectAll(TDBGrid *grid, const TBQCheckFunEvent &check) {
    FOperations.GridSelectAll(grid, check);
}

void TBaseTBQCDS_V2::GridSelectedUpdate(TDBGrid *grid,
                                        const std::function<void(TDataSet *)> &proc) {
    FOperations.GridSelectedUpdate(grid, proc);
}

void TBaseTBQCDS_V2::GridSelectedCopyInto(TDBGrid *grid, TDataSet *target,
                                          const TBQCopyDataEvent &copy) {
    FOperations.GridSelectedCopyInto(grid, target, copy, false);
}

void TBaseTBQCDS_V2::ActFlowChartExecute() {
    FOperations.ActFlowChartExecute();
}

void TBaseTBQCDS_V2::OpenRemote(TClientDataSet *dataSet) {
    Guarded([this, dataSet] { ::OpenRemote(this, dataSet); }, [this] { OpCtrl(); });
}

void TBaseTBQCDS_V2::ApplyRemote(TClientDataSet *dataSet) {
    Guarded([this, dataSet] { ::ApplyRemote(this, dataSet); }, [this] { OpCtrl(); });
}

void TBaseTBQCDS_V2::DataFieldsSetUp(const QString &name, TDataSource *dataSource) {
    SelectFields(name, dataSource);
}

void TBaseTBQCDS_V2::SendDataSetByName(TClientDataSet *dataSet, const QString &name) {
    ClientDataSetSender(objectName() + u'.' + name, dataSet);
}

void TBaseTBQCDS_V2::SendActiveDataRecordByName(TDataSet *dataSet, const QString &name) {
    ActiveDataRecordSender(objectName() + u'.' + name, dataSet);
}

void TBaseTBQCDS_V2::OpCtrl() {
    TBaseTBQueryFormCDS::OpCtrl();
    // Built after the query form's own parts: nothing to bring in line before that.
    if (!ActGridClear)
        return;
    Grid.GridOpCtrl(GetGridActive(), GetGridSelect());
    Grid.V2OpCtrl(GetGridActive(), CopyDataSet);
}

TClientDataSet *TBaseTBQCDS_V2::DoGetReceiverDataSet(const QString &name, bool active) {
    ReceivedDataName = name;
    SplitDataName(name, ReceivedFormName, ReceivedName);
    return TBaseTBQueryFormCDS::DoGetReceiverDataSet(name, active);
}

TStringList *TBaseTBQCDS_V2::DoCheckActiveDataRecord(const QString &name) {
    ReceivedDataName = name;
    SplitDataName(name, ReceivedFormName, ReceivedName);
    return TBaseTBQueryFormCDS::DoCheckActiveDataRecord(name);
}
