#include "uGridOperations.h"

#include "ClientDataSet.h"
#include "DBCheckListBox.h"
#include "DBGrid.h"
#include "Fields.h"
#include "OfficeViewerUi.h"
#include "Packages.h"
#include "TransferDialog.h"
#include "uBaseTBForm.h"

#include <QMenu>

namespace {

TAction *NewAction(TBaseTBForm *form, const char *name, const char *category, const char *caption,
                   const char *hint) {
    auto *action = new TAction(form, QString::fromLatin1(name), QString::fromLatin1(category),
                               QString::fromUtf8(caption));
    if (*hint)
        action->SetHint(QString::fromUtf8(hint));
    action->setEnabled(false);
    action->setVisible(false);
    return action;
}

bool HasRows(const TDataSet *d) {
    return d && d->Active() && !d->IsEmpty();
}

// Runs body with the datasets' controls suspended; always resumes them and runs after.
void Suspended(std::initializer_list<TDataSet *> dataSets, const std::function<void()> &body,
               const std::function<void()> &after) {
    for (TDataSet *d : dataSets)
        d->DisableControls();
    std::exception_ptr error;
    try {
        body();
    } catch (...) {
        error = std::current_exception();
    }
    for (TDataSet *d : dataSets)
        d->EnableControls();
    after();
    if (error)
        std::rethrow_exception(error);
}

} // namespace

// ---- actions -------------------------------------------------------------------------------

void TGridActions::Build(TBaseTBForm *form, TKind kind) {
    // "複製" puts the current record into the copy buffer (the job form adds the copy).
    form->DataCopy->setText(QStringLiteral("複製"));
    form->DataCopy->SetHint(QStringLiteral("複製資料至暫存區"));
    ActGridClear = NewAction(form, "ActGridClear", "Grid", "清除", "取消選取列的選取設定");
    ActGridSelectAll = NewAction(form, "ActGridSelectAll", "Grid", "全選", "選取複製或新增列");
    ActGridCopyInto =
        NewAction(form, "ActGridCopyInto", "Grid", "新增", "選取列複製或新增到目的資料表");
    ActGridDelete = NewAction(form, "ActGridDelete", "Grid", "移除", "選取列資料刪除");
    ActGridChange = NewAction(form, "ActGridChange", "Grid", "設定", "選取列資料變更");
    ActGridActiveAll = NewAction(form, "ActGridActiveAll", "Grid", "全選", "選取刪除或資料變更列");
    ActFlowChart = NewAction(form, "ActFlowChart", "Dialog", "管理流程", "");
    form->PopupMenuMain->addAction(ActFlowChart);
    if (kind != QueryV2) {
        DataPaste = NewAction(form, "DataPaste", "Data", "貼上", "資料由暫存區新增貼上");
        form->DataEditPopupMenu->addAction(DataPaste);
    }
}

void TGridActions::BuildV2(TBaseTBForm *form, TKind kind) {
    ActGridCopyFieldsSet =
        NewAction(form, "ActGridCopyFieldsSet", "Grid", "複製欄位設定", "選取欲複製資料之欄位");
    ActGridCopy = NewAction(form, "ActGridCopy", "Grid", "複製", "複製選取列欄位資料至暫存區");
    ActGridPaste = NewAction(form, "ActGridPaste", "Grid", "貼上", "暫存區欄位資料貼到選取列上");
    DataCheck = NewAction(form, "DataCheck", "Data", "檢核", "");
    DataCheckCancel = NewAction(form, "DataCheckCancel", "Data", "檢核取消", "");
    DataPosting = NewAction(form, "DataPosting", "Data", "過帳", "");
    DataPostingCancel = NewAction(form, "DataPostingCancel", "Data", "過帳取消", "");
    form->DataEditPopupMenu->addSeparator();
    if (kind == ExtendedV2) {
        DataSorting = NewAction(form, "DataSorting", "Data", "排序", "");
        form->DataEditPopupMenu->addAction(DataSorting);
    }
    for (QAction *a :
         std::initializer_list<QAction *>{ActGridCopyFieldsSet, ActGridCopy, ActGridPaste})
        form->DataEditPopupMenu->addAction(a);
}

void TGridActions::GridOpCtrl(TDBGrid *gridActive, TDBGrid *gridSelect) const {
    // Hidden actions read as disabled: the rules chain through these values.
    const TDataSet *a = gridActive ? gridActive->DataSet() : nullptr;
    const bool activeAll = HasRows(a);
    const bool remove = activeAll && gridActive->SelectedCount() > 0;
    ActGridActiveAll->setEnabled(activeAll);
    ActGridDelete->setEnabled(remove);
    ActGridChange->setEnabled(remove);
    bool copyInto = false;
    if (gridSelect) {
        const bool selectAll = a && a->Active() && HasRows(gridSelect->DataSet());
        copyInto = selectAll && gridSelect->SelectedCount() > 0;
        ActGridSelectAll->setEnabled(selectAll);
    } else {
        ActGridSelectAll->setEnabled(false);
    }
    ActGridCopyInto->setEnabled(copyInto);
    ActGridClear->setEnabled(copyInto || remove);
}

void TGridActions::V2OpCtrl(TDBGrid *gridActive, const TClientDataSet *copyDataSet) const {
    if (!gridActive)
        return;
    const bool activeAll = HasRows(gridActive->DataSet());
    const bool remove = activeAll && gridActive->SelectedCount() > 0;
    ActGridCopy->setEnabled(activeAll);
    ActGridPaste->setEnabled(remove && copyDataSet && copyDataSet->Active());
}

// ---- grid operations -----------------------------------------------------------------------

TGridOperations::TGridOperations(QWidget *form, std::function<void()> opCtrl,
                                 std::function<void(TDataSet *)> dataChange)
    : FForm(form), FOpCtrl(std::move(opCtrl)), FDataChange(std::move(dataChange)) {}

TGridOperations::~TGridOperations() = default;

void TGridOperations::GridSelectedClear() {
    for (TDBGrid *grid : FForm->findChildren<TDBGrid *>())
        grid->ClearSelection();
    FOpCtrl();
}

void TGridOperations::GridSelectAll(TDBGrid *grid, const TCheckFunEvent &check) {
    TDataSet *d = grid ? grid->DataSet() : nullptr;
    if (!d)
        return;
    Suspended(
        {d},
        [&] {
            for (d->First(); !d->Eof(); d->Next())
                if (!check || check(d))
                    grid->SelectCurrentRow();
        },
        [this] { FOpCtrl(); });
}

void TGridOperations::GridSelectedUpdate(TDBGrid *grid,
                                         const std::function<void(TDataSet *)> &proc) {
    TDataSet *d = grid ? grid->DataSet() : nullptr;
    if (!d)
        return;
    const QList<TBookmark> rows = grid->SelectedRows();
    Suspended(
        {d},
        [&] {
            for (TBookmark row : rows) {
                if (!d->BookmarkValid(row))
                    continue;
                d->GotoBookmark(row);
                proc(d);
            }
        },
        [grid] { grid->ClearSelection(); });
    FDataChange(d);
    FOpCtrl();
}

void TGridOperations::GridSelectedCopyInto(TDBGrid *grid, TDataSet *target,
                                           const TCopyDataEvent &copy, bool backToRow) {
    TDataSet *d = grid ? grid->DataSet() : nullptr;
    if (!d || !target)
        return;
    const QList<TBookmark> rows = grid->SelectedRows();
    const TBookmark start = d->IsEmpty() ? -1 : d->GetBookmark();
    Suspended(
        {d, target},
        [&] {
            for (TBookmark row : rows) {
                if (!d->BookmarkValid(row))
                    continue;
                d->GotoBookmark(row);
                copy(d, target);
            }
        },
        [grid] { grid->ClearSelection(); });
    if (backToRow && start >= 0) {
        try {
            if (d->BookmarkValid(start))
                d->GotoBookmark(start);
        } catch (...) {
            // The row it was on may be gone: the grid stays where the copy left it.
        }
    }
    FDataChange(target);
    FOpCtrl();
}

void TGridOperations::ActFlowChartExecute() {
    if (FlowChartFile.trimmed().isEmpty())
        return;
    // The desktop's viewer is made when a document is first shown, not with every form.
    if (!FViewer)
        FViewer = std::make_unique<TOfficeViewerUi>(FForm);
    FViewer->ShowFile(FlowChartFile);
}

void TGridOperations::SetViewer(std::unique_ptr<TOfficeViewer> viewer) {
    if (viewer)
        FViewer = std::move(viewer);
}

// ---- helpers -------------------------------------------------------------------------------

void SplitDataName(const QString &name, QString &formName, QString &dataName) {
    const qsizetype dot = name.indexOf(u'.');
    formName = dot < 0 ? name : name.left(dot);
    dataName = dot < 0 ? QString() : name.mid(dot + 1);
}

void FieldsListClickCheck(QObject *sender) {
    if (auto *list = qobject_cast<TDBCheckListBox *>(sender))
        TBaseTBForm::ShowCheckedField(list);
}

QString TemplateDocsDir() {
    return ProgramFolder() + QStringLiteral("TemplateDocs/");
}

void OpenRemote(TBaseTBForm *form, TClientDataSet *dataSet) {
    std::exception_ptr error;
    try {
        dataSet->Close();
        form->TransferDialog->Execute();
        dataSet->Open();
    } catch (...) {
        error = std::current_exception();
    }
    form->DisConnection();
    form->TransferDialog->Close();
    if (error)
        std::rethrow_exception(error);
}

void ApplyRemote(TBaseTBForm *form, TClientDataSet *dataSet) {
    if (!dataSet->Active())
        return;
    std::exception_ptr error;
    try {
        dataSet->CheckBrowseMode();
        dataSet->ApplyUpdates(0);
    } catch (...) {
        error = std::current_exception();
    }
    form->DisConnection();
    if (error)
        std::rethrow_exception(error);
}
