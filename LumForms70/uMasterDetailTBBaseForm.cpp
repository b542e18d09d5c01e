#include "uMasterDetailTBBaseForm.h"

#include "ClientDataSet.h"
#include "DBActions.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "SocketConnection.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

TMasterDetailTBBaseForm::TMasterDetailTBBaseForm(QWidget *parent) : TBaseTBForm(parent) {
    setObjectName(QStringLiteral("MasterDetailTBBaseForm"));
    SetCaption(QStringLiteral("MasterDetailTBBaseForm"));

    plDataSelection = new QWidget(ClientPanel);
    plDataSelection->setObjectName(QStringLiteral("plDataSelection"));
    btnDataOpen = new QToolButton(plDataSelection);
    btnDataOpen->setObjectName(QStringLiteral("btnDataOpen"));
    btnDataOpen->setDefaultAction(DataOpen);
    btnDataOpen->setAutoRaise(true);
    auto *selection = new QHBoxLayout(plDataSelection);
    selection->setContentsMargins(4, 2, 4, 2);
    selection->addWidget(btnDataOpen);
    selection->addStretch();
    ClientLayout = new QVBoxLayout(ClientPanel);
    ClientLayout->setContentsMargins(0, 0, 0, 0);
    ClientLayout->addWidget(plDataSelection);

    MasterDataSet = new TClientDataSet(this);
    MasterDataSet->SetName(QStringLiteral("MasterDataSet"));
    MasterDataSet->SetAppServer(SocketConnection->GetServer());
    MasterDataSet->BeforeDelete = [this](TDataSet *d) { MasterDataSetBeforeDelete(d); };
    MasterSource = new TDataSource(this);
    MasterSource->SetName(QStringLiteral("MasterSource"));
    MasterSource->SetAutoEdit(false);
    MasterSource->SetDataSet(MasterDataSet);
    MasterSource->OnStateChange = [this](TDataSource *s) { SourceStateChange(s); };
    DetailDataSet = new TClientDataSet(this);
    DetailDataSet->SetName(QStringLiteral("DetailDataSet"));
    DetailDataSet->SetAppServer(SocketConnection->GetServer());
    DetailSource = new TDataSource(this);
    DetailSource->SetName(QStringLiteral("DetailSource"));
    DetailSource->SetAutoEdit(false);
    DetailSource->SetDataSet(DetailDataSet);
    DetailSource->OnStateChange = [this](TDataSource *s) { SourceStateChange(s); };

    MasterInsert = new TAction(this, QStringLiteral("MasterInsert"), QStringLiteral("Dataset"),
                               QStringLiteral("主檔新增"));
    MasterInsert->SetHint(QStringLiteral("新增一筆主檔資料"));
    MasterInsert->OnExecute = [this] { MasterInsertExecute(); };
    MasterDelete = new TDataSetDelete(this, QStringLiteral("MasterDelete"),
                                      QStringLiteral("Dataset"), QStringLiteral("主檔刪除"));
    MasterDelete->SetHint(QStringLiteral("刪除一筆主檔,及其明細"));
    MasterDelete->SetDataSource(MasterSource);
    MasterDelete->OnExecute = [this] { MasterDeleteExecute(); };
    for (QAction *action : std::initializer_list<QAction *>{MasterInsert, MasterDelete}) {
        action->setEnabled(false);
        action->setVisible(false);
    }
    DataEdit->OnExecute = [this] { DataEditExecute(); };

    // The details are deleted, browsed and exported; posting and undoing go to the master.
    for (TDataSetAction *action :
         {DataSetDelete, DataSetFirst, DataSetPrior, DataSetNext, DataSetLast})
        action->SetDataSource(DetailSource);
    for (TDataSetAction *action : {DataSetPost, DataSetCancel})
        action->SetDataSource(MasterSource);
    ToExcelDialog->SetDataSource(DetailSource);

    MasterPopupMenu = new QMenu(this);
    MasterPopupMenu->setObjectName(QStringLiteral("MasterPopupMenu"));
    MasterPopupMenu->addAction(DataApplyUpdate);
    MasterPopupMenu->addAction(DataCancelUpdate);
    MasterPopupMenu->addSeparator();
    MasterPopupMenu->addAction(MasterInsert);
    MasterPopupMenu->addAction(MasterDelete);
    OpCtrl();
}

TMasterDetailTBBaseForm::~TMasterDetailTBBaseForm() {
    // The datasets' handlers call into this form: they go before the form's parts do.
    MasterSource->OnStateChange = nullptr;
    DetailSource->OnStateChange = nullptr;
    MasterDataSet->BeforeDelete = nullptr;
}

void TMasterDetailTBBaseForm::OpCtrl() {
    // The rules chain through these values rather than the actions' state: a hidden action
    // reads as disabled, and a job form may show any of them.
    const TClientDataSet *m = MasterDataSet;
    const TClientDataSet *d = DetailDataSet;
    const bool masterOpen = m->Active();
    const bool detailOpen = d->Active();
    const bool apply = (masterOpen && m->ChangeCount() > 0) || (detailOpen && d->ChangeCount() > 0);
    const bool cancel = (masterOpen && (m->ChangeCount() > 0 || m->IsEditing())) ||
                        (detailOpen && (d->ChangeCount() > 0 || d->IsEditing()));
    const bool masterInsert = masterOpen && m->State() == dsBrowse;
    const bool insert = detailOpen && d->State() == dsBrowse;
    const bool edit = (masterInsert && !m->IsEmpty()) || (insert && !d->IsEmpty());
    const bool excel = insert && d->ChangeCount() == 0;
    DataApplyUpdate->setEnabled(apply);
    DataCancelUpdate->setEnabled(cancel);
    MasterInsert->setEnabled(masterInsert);
    DataInsert->setEnabled(insert);
    DataEdit->setEnabled(edit);
    DataCopy->setEnabled(insert && !d->IsEmpty());
    ExportToExcel->setEnabled(excel);
    DataPrint->setEnabled(excel);
    plDataSelection->setEnabled((!masterOpen || m->State() == dsBrowse) &&
                                (!detailOpen || d->State() == dsBrowse));
}

void TMasterDetailTBBaseForm::DoDataOpen() {
    MasterDataSet->Open();
}

void TMasterDetailTBBaseForm::DoDataClose() {
    MasterDataSet->Close();
}

void TMasterDetailTBBaseForm::DoDataInsert() {
    DetailDataSet->Append();
}

void TMasterDetailTBBaseForm::DoDataEdit() {
    DetailDataSet->Edit();
}

void TMasterDetailTBBaseForm::DoDataDelete() {
    DetailDataSet->Delete();
}

void TMasterDetailTBBaseForm::DoDataApplyUpdates() {
    if (!MasterDataSet->Active())
        return;
    // A detail still being edited goes into its master's changes first, so that nothing the
    // user typed is left out of the batch.
    if (DetailDataSet->Active())
        DetailDataSet->CheckBrowseMode();
    MasterDataSet->ApplyUpdates(0);
}

void TMasterDetailTBBaseForm::DoDataCancelUpdates() {
    if (!MasterDataSet->Active())
        return;
    // A detail being edited goes with its master's changes; so do masters a filter hides.
    if (DetailDataSet->Active())
        DetailDataSet->Cancel();
    CancelAllChanges(MasterDataSet, true);
}

void TMasterDetailTBBaseForm::DoMasterInsert() {
    MasterDataSet->Append();
}

void TMasterDetailTBBaseForm::DoMasterDelete() {
    MasterDataSet->Delete();
}

void TMasterDetailTBBaseForm::MasterInsertExecute() {
    Guarded([this] { DoMasterInsert(); }, [this] { OpCtrl(); });
}

void TMasterDetailTBBaseForm::MasterDeleteExecute() {
    if (!Confirm(QStringLiteral("主檔刪除,將一併刪除明細資料,確認要刪除嗎？")))
        return;
    Guarded([this] { DoMasterDelete(); }, [this] { OpCtrl(); });
}

void TMasterDetailTBBaseForm::DataEditExecute() {
    if (DetailDataSet->Active() && !DetailDataSet->IsEmpty()) {
        TBaseTBForm::DataEditExecute();
        return;
    }
    Guarded([this] { MasterDataSet->Edit(); }, [this] { OpCtrl(); });
}

void TMasterDetailTBBaseForm::MasterDataSetBeforeDelete(TDataSet *) {
    // A master being edited goes as it was read: its edit would be dropped with it, the
    // deletions of its details with it.
    if (MasterDataSet->IsEditing())
        MasterDataSet->Cancel();
    DeleteAllDetail();
}

void TMasterDetailTBBaseForm::DeleteAllDetail() {
    FDeletingAllDetail = true;
    DetailDataSet->DisableControls();
    try {
        if (DetailDataSet->Active()) {
            DetailDataSet->First();
            while (!DetailDataSet->IsEmpty())
                DetailDataSet->Delete();
        }
    } catch (...) {
        FDeletingAllDetail = false;
        DetailDataSet->EnableControls();
        throw;
    }
    FDeletingAllDetail = false;
    DetailDataSet->EnableControls();
}

void TMasterDetailTBBaseForm::SourceStateChange(TDataSource *) {
    OpCtrl();
}
