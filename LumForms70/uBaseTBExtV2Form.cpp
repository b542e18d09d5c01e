#include "uBaseTBExtV2Form.h"

#include "ClientDataSet.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "uLumMessages.h"

TBaseTBExtV2Form::TBaseTBExtV2Form(QWidget *parent) : TBaseTBExtForm(parent) {
    setObjectName(QStringLiteral("BaseTBExtV2Form"));
    SetCaption(QStringLiteral("基本表V2Form"));
    Grid.BuildV2(this, TGridActions::ExtendedV2);
    DataSortDialog = new TDataSortDialog(this);
    DataSortDialog->SetName(QStringLiteral("DataSortDialog"));
    ActGridCopy->OnExecute = [this] { ActGridCopyExecute(); };
    ActGridPaste->OnExecute = [this] { ActGridPasteExecute(); };
    DataSorting->OnExecute = [this] { DataSortingExecute(); };
    ExportToExcel->setVisible(false);
}

TBaseTBExtV2Form::~TBaseTBExtV2Form() = default;

void TBaseTBExtV2Form::DataSortingExecute() {
    DataSortDialog->Execute();
}

void TBaseTBExtV2Form::OpenRemote(TClientDataSet *dataSet) {
    ::OpenRemote(this, dataSet);
}

void TBaseTBExtV2Form::ApplyRemote(TClientDataSet *dataSet) {
    Guarded([this, dataSet] { ::ApplyRemote(this, dataSet); }, [this] { OpCtrl(); });
}

void TBaseTBExtV2Form::DataFieldsSetUp(const QString &name, TDataSource *dataSource) {
    SelectFields(name, dataSource);
}

void TBaseTBExtV2Form::SendDataSetByName(TClientDataSet *dataSet, const QString &name) {
    ClientDataSetSender(objectName() + u'.' + name, dataSet);
}

void TBaseTBExtV2Form::SendActiveDataRecordByName(TDataSet *dataSet, const QString &name) {
    ActiveDataRecordSender(objectName() + u'.' + name, dataSet);
}

void TBaseTBExtV2Form::KeepDataName(const QString &name) {
    TBaseTBExtForm::KeepDataName(name);
    SplitDataName(name, ReceivedFormName, ReceivedName);
}

void TBaseTBExtV2Form::OpCtrl() {
    TBaseTBExtForm::OpCtrl();
    Grid.V2OpCtrl(GetGridActive(), CopyDataSet);
    const TDataSource *sort = DataSortDialog->DataSource();
    DataSorting->setEnabled(sort && sort->DataSet());
}
