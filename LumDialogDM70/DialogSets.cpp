#include "DialogSets.h"

#include "DataSet.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "uExportToExcel.h"

TDataToExcelDialog::TDataToExcelDialog(QObject *owner) : TComponent(owner) {}

TDataToExcelDialog::~TDataToExcelDialog() {
    Destroying();
}

void TDataToExcelDialog::CheckDataSet() {
    if (!FDataSource || !FDataSource->DataSet())
        throw Exception(QStringLiteral("Data Set Is Nil"));
    if (!FDataSource->DataSet()->Active())
        FDataSource->DataSet()->Open();
}

void TDataToExcelDialog::Execute() {
    CheckDataSet();
    RunExportToExcel(FDataSource->DataSet(), FFileName, false);
}

void TDataToExcelDialog::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSource)
        FDataSource = nullptr;
}
