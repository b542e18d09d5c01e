#include "uBaseTBExtForm.h"

#include "ClientDataSet.h"
#include "DataSource.h"

#include <QToolBar>

TBaseTBExtForm::TBaseTBExtForm(QWidget *parent)
    : TBaseTBForm(parent), FlowChartFile(FOperations.FlowChartFile),
      FOperations(
          this, [this] { OpCtrl(); }, [this](TDataSet *d) { DoGridDataChange(d); }) {
    setObjectName(QStringLiteral("BaseTBExtForm"));
    SetCaption(QStringLiteral("基本表擴充功能Form"));
    Grid.Build(this, TGridActions::Extended);
    DataCopy->OnExecute = [this] { DataCopyExecute(); };
    ActGridClear->OnExecute = [this] { ActGridClearExecute(); };
    ActFlowChart->OnExecute = [this] { ActFlowChartExecute(); };
    // Confirming is what the grid operations do; the tool bar has no dividers.
    DataApplyUpdate->setVisible(false);
    DataCancelUpdate->setVisible(false);
    for (QAction *divider : {btnDivider0, btnDivider1, btnDivider2})
        divider->setVisible(false);
}

TBaseTBExtForm::~TBaseTBExtForm() = default;

void TBaseTBExtForm::DoGridDataChange(TDataSet *) {
    DataApplyUpdateExecute();
}

void TBaseTBExtForm::GridSelectedClear() {
    FOperations.GridSelectedClear();
}

void TBaseTBExtForm::GridSelectAll(TDBGrid *grid, const TCheckFunEvent &check) {
    FOperations.GridSelectAll(grid, check);
}

void TBaseTBExtForm::GridSelectedUpdate(TDBGrid *grid,
                                        const std::function<void(TDataSet *)> &proc) {
    FOperations.GridSelectedUpdate(grid, proc);
}

void TBaseTBExtForm::GridSelectedCopyInto(TDBGrid *grid, TDataSet *target,
                                          const TCopyDataEvent &copy) {
    FOperations.GridSelectedCopyInto(grid, target, copy, true);
}

void TBaseTBExtForm::ActFlowChartExecute() {
    FOperations.ActFlowChartExecute();
}

void TBaseTBExtForm::NoKeyPress(QWidget *edit) {
    RunOnEnter(edit, [this] { DataOpenExecute(); });
}

void TBaseTBExtForm::OpCtrl() {
    TBaseTBForm::OpCtrl();
    DoDataOpCtrl();
    Grid.GridOpCtrl(GetGridActive(), GetGridSelect());
}

void TBaseTBExtForm::DoDataOpCtrl() {
    if (TClientDataSet *d = GetActiveDataSet()) {
        const bool open = d->Active();
        const int changes = open ? d->ChangeCount() : 0;
        const bool insert = open && d->State() == dsBrowse;
        const bool excel = insert && changes == 0 && !d->IsEmpty();
        DataApplyUpdate->setEnabled(open && changes > 0);
        DataCancelUpdate->setEnabled(open && (changes > 0 || d->IsEditing()));
        DataInsert->setEnabled(insert);
        DataEdit->setEnabled(insert && !d->IsEmpty());
        ExportToExcel->setEnabled(excel);
        DataPrint->setEnabled(excel);
    }
    DataPaste->setEnabled(CopyDataSet->Active() && !CopyDataSet->IsEmpty());
}

void TBaseTBExtForm::DoDataApplyUpdates() {
    TClientDataSet *d = GetActiveDataSet();
    if (d && d->Active())
        d->ApplyUpdates(0);
}

void TBaseTBExtForm::DoDataCancelUpdates() {
    TClientDataSet *d = GetActiveDataSet();
    if (!d || !d->Active())
        return;
    CancelAllChanges(d, true);
}

TClientDataSet *TBaseTBExtForm::DoGetReceiverDataSet(const QString &name, bool active) {
    KeepDataName(name);
    return TBaseTBForm::DoGetReceiverDataSet(name, active);
}

TStringList *TBaseTBExtForm::DoCheckActiveDataRecord(const QString &name) {
    KeepDataName(name);
    return TBaseTBForm::DoCheckActiveDataRecord(name);
}
