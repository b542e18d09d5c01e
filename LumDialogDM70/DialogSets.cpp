#include "DialogSets.h"

#include "ClientDataSet.h"
#include "DataSet.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "uDynamicFilter.h"
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

// ---- TJobScheduleDialog ---------------------------------------------------------------------

TJobScheduleDialog::TJobScheduleDialog(QObject *owner) : TComponent(owner) {}

TJobScheduleDialog::~TJobScheduleDialog() {
    Destroying();
}

TJobSchedule TJobScheduleDialog::Execute() {
    if (FJobName.isEmpty() || FJobDescription.isEmpty())
        throw Exception(QStringLiteral("JobName or JobDescription is Empty"));
    return HandleJobScedule(FJobName, FJobDescription, FReadOnly);
}

// ---- TDataFilterDialog ----------------------------------------------------------------------

TDataFilterDialog::TDataFilterDialog(QObject *owner) : TComponent(owner) {}

TDataFilterDialog::~TDataFilterDialog() {
    Destroying();
}

void TDataFilterDialog::SetDataSource(TDataSource *source) {
    if (source == FDataSource)
        return;
    SetLink(FDataSource, source);
    Clear();
}

QString TDataFilterDialog::GetFilter() const {
    return QStringLiteral("( %1 )").arg(FilterCondition);
}

void TDataFilterDialog::Clear() {
    FilterLines.Clear();
    FilterCondition.clear();
}

void TDataFilterDialog::CheckDataSet() const {
    if (!FDataSource)
        throw Exception(QStringLiteral("DataSource Is Nil"));
    if (!FDataSource->DataSet())
        throw Exception(QStringLiteral("DataSource.DataSet Is Nil"));
}

bool TDataFilterDialog::Execute() {
    CheckDataSet();
    TDynamicFilter form;
    form.setWindowTitle(QStringLiteral("%1:[%2]").arg(form.windowTitle(), FCaption));
    if (!form.Execute(FDataSource, FCodeMaps, FTreeMaps, &FilterLines, FilterCondition))
        return false;
    const TStringList oldLines = FilterLines;
    const QString oldCondition = FilterCondition;
    FilterLines.SetText(form.GetFilterText());
    FilterCondition = form.GetFilter();
    if (FAutoFilter) {
        if (BeforeFilter)
            BeforeFilter(this);
        TDataSet *dataSet = FDataSource->DataSet();
        try {
            dataSet->SetFilter(FilterCondition);
            dataSet->SetFiltered(true);
        } catch (...) {
            // A condition the dataset cannot apply is not kept as the accepted one.
            FilterLines = oldLines;
            FilterCondition = oldCondition;
            throw;
        }
        if (AfterFilter)
            AfterFilter(this);
    }
    return true;
}

void TDataFilterDialog::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSource)
        FDataSource = nullptr;
}

// ---- TDataSortDialog ------------------------------------------------------------------------

TDataSortDialog::TDataSortDialog(QObject *owner) : TComponent(owner) {}

TDataSortDialog::~TDataSortDialog() {
    Destroying();
}

void TDataSortDialog::CheckDataSet() const {
    if (!FDataSource || !FDataSource->DataSet())
        throw Exception(QStringLiteral("Data Set Is Nil"));
    if (!qobject_cast<TClientDataSet *>(FDataSource->DataSet()))
        throw Exception(QStringLiteral("DataSet must be TClientDataSet "));
}

void TDataSortDialog::Execute() {
    CheckDataSet();
    TTqClientDataSetSortDlg form;
    form.SetSortBy(FSortBy);
    form.SetDataSet(qobject_cast<TClientDataSet *>(FDataSource->DataSet()));
    form.SetDisableTagValue(FOptionsTagValue);
    form.SetSortFieldNames(FSortFields.Text());
    form.Execute();
    FSortFields.SetText(form.GetSortFieldNames());
}

void TDataSortDialog::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSource)
        FDataSource = nullptr;
}
