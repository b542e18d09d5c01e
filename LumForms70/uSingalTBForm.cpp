#include "uSingalTBForm.h"

#include "ClientDataSet.h"
#include "DBActions.h"
#include "DBCheckListBox.h"
#include "DBGridModel.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

// ---- TSingalTBForm ---------------------------------------------------------------------------

TSingalTBForm::TSingalTBForm(QWidget *parent) : TBaseTBForm(parent) {
    setObjectName(QStringLiteral("SingalTBForm"));
    SetCaption(QStringLiteral("單一資料表處理表單(Base)"));

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

    gbEdit = new QGroupBox(QStringLiteral("編輯"), ClientPanel);
    gbEdit->setObjectName(QStringLiteral("gbEdit"));

    ClientLayout = new QVBoxLayout(ClientPanel);
    ClientLayout->setContentsMargins(0, 0, 0, 0);
    ClientLayout->addWidget(plDataSelection);
    ClientLayout->addWidget(gbEdit, 1);

    ActiveDataSet = new TClientDataSet(this);
    ActiveDataSet->SetName(QStringLiteral("ActiveDataSet"));
    ActiveDataSet->SetAppServer(SocketConnection->GetServer());
    ActiveDataSet->BeforeEdit = [this](TDataSet *d) { ActiveDataSetBeforeEdit(d); };
    ActiveDataSet->BeforePost = [this](TDataSet *d) { DataSetBeforePost(d); };
    ActiveDataSet->BeforeDelete = [this](TDataSet *d) { ActiveDataSetBeforeDelete(d); };
    ActiveDataSet->AfterScroll = [this](TDataSet *d) { ActiveDataSetAfterScroll(d); };
    ActiveSource = new TDataSource(this);
    ActiveSource->SetName(QStringLiteral("ActiveSource"));
    ActiveSource->SetAutoEdit(false);
    ActiveSource->SetDataSet(ActiveDataSet);
    ActiveSource->OnStateChange = [this](TDataSource *s) { ActiveSourceStateChange(s); };
    ToExcelDialog->SetDataSource(ActiveSource);

    for (TDataSetAction *action : {DataSetDelete, DataSetPost, DataSetCancel, DataSetFirst,
                                   DataSetPrior, DataSetNext, DataSetLast})
        action->SetDataSource(ActiveSource);
    OpCtrl();
}

TSingalTBForm::~TSingalTBForm() {
    // The dataset's handlers call into this form: they go before the form's parts do.
    ActiveSource->OnStateChange = nullptr;
    ActiveDataSet->BeforeEdit = nullptr;
    ActiveDataSet->BeforePost = nullptr;
    ActiveDataSet->BeforeDelete = nullptr;
    ActiveDataSet->AfterScroll = nullptr;
}

TClientDataSet *TSingalTBForm::ActiveClientDataSet() const {
    return qobject_cast<TClientDataSet *>(ActiveSource->DataSet());
}

void TSingalTBForm::OpCtrl() {
    // Hidden actions read as disabled, so the rules chain through these values rather than
    // through the actions' state: a job form may show any of them.
    TClientDataSet *d = ActiveClientDataSet();
    const bool open = d && d->Active();
    const bool editing = open && (d->State() == dsEdit || d->State() == dsInsert);
    const int changes = open ? d->ChangeCount() : 0;
    const bool insert = open && d->State() == dsBrowse;
    const bool edit = insert && !d->IsEmpty();
    const bool excel = insert && changes == 0;
    DataApplyUpdate->setEnabled(open && changes > 0);
    DataCancelUpdate->setEnabled(open && (changes > 0 || editing));
    DataInsert->setEnabled(insert);
    DataEdit->setEnabled(edit);
    DataCopy->setEnabled(edit);
    ExportToExcel->setEnabled(excel);
    DataPrint->setEnabled(excel);
    plDataSelection->setEnabled(!(open && editing));
}

void TSingalTBForm::DoDataOpen() {
    ActiveClientDataSet()->Open();
}

void TSingalTBForm::DoDataClose() {
    ActiveClientDataSet()->Close();
}

void TSingalTBForm::DoDataInsert() {
    ActiveClientDataSet()->Append();
}

void TSingalTBForm::DoDataEdit() {
    ActiveClientDataSet()->Edit();
}

void TSingalTBForm::DoDataDelete() {
    ActiveClientDataSet()->Delete();
}

void TSingalTBForm::DoDataApplyUpdates() {
    TClientDataSet *d = ActiveClientDataSet();
    if (d && d->Active())
        d->ApplyUpdates(0);
}

void TSingalTBForm::DoDataCancelUpdates() {
    TClientDataSet *d = ActiveClientDataSet();
    if (!d || !d->Active())
        return;
    // Changes to records that a local filter hides are cancelled too.
    CancelAllChanges(d, true);
}

void TSingalTBForm::ActiveDataSetBeforeEdit(TDataSet *dataSet) {
    if (dataSet->IsEmpty())
        throw Exception(QStringLiteral("空的資料表,不可修改"));
}

void TSingalTBForm::ActiveDataSetBeforeDelete(TDataSet *dataSet) {
    if (dataSet->IsEmpty())
        throw Exception(QStringLiteral("空的資料表,不可刪除"));
}

void TSingalTBForm::ActiveDataSetAfterScroll(TDataSet *) {
    OpCtrl();
}

void TSingalTBForm::ActiveSourceStateChange(TDataSource *) {
    OpCtrl();
}

// ---- TSingalTBMultiRecForm -------------------------------------------------------------------

TSingalTBMultiRecForm::TSingalTBMultiRecForm(QWidget *parent) : TSingalTBForm(parent) {
    setObjectName(QStringLiteral("SingalTBMultiRecForm"));
    SetCaption(QStringLiteral("單表多筆資料處理表單"));

    gbDataArea = new QGroupBox(QStringLiteral("資料瀏覽"), ClientPanel);
    gbDataArea->setObjectName(QStringLiteral("gbDataArea"));
    auto *splitter = new QSplitter(Qt::Horizontal, gbDataArea);
    DBCheckListBox = new TDBCheckListBox(splitter);
    DBCheckListBox->setObjectName(QStringLiteral("DBCheckListBox"));
    DBCheckListBox->SetDataSource(ActiveSource);
    DBCheckListBox->SetAutoRefresh(true);
    DBCheckListBox->OnClickCheck = [this](TDBCheckListBox *s) { DBCheckListBoxClickCheck(s); };
    DBGrid = new QTableView(splitter);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGridModel = new TDBGridModel(DBGrid);
    DBGridModel->SetReadOnly(true);
    DBGridModel->SetDataSource(ActiveSource);
    DBGrid->setModel(DBGridModel);
    DBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid->verticalHeader()->setDefaultSectionSize(22);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({140, 500});
    auto *area = new QVBoxLayout(gbDataArea);
    area->addWidget(splitter);
    for (QWidget *w : std::initializer_list<QWidget *>{DBCheckListBox, DBGrid}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint &pos) { DataEditPopupMenu->popup(w->mapToGlobal(pos)); });
    }
    // The grid above, the edit area at the bottom.
    ClientLayout->removeWidget(gbEdit);
    ClientLayout->addWidget(gbDataArea, 1);
    ClientLayout->addWidget(gbEdit);
}

TSingalTBMultiRecForm::~TSingalTBMultiRecForm() {
    DBCheckListBox->OnClickCheck = nullptr;
}

void TSingalTBMultiRecForm::DBCheckListBoxClickCheck(TDBCheckListBox *sender) {
    ShowCheckedField(sender);
}

// ---- TSingalTBOneRecForm ---------------------------------------------------------------------

TSingalTBOneRecForm::TSingalTBOneRecForm(QWidget *parent) : TSingalTBForm(parent) {
    setObjectName(QStringLiteral("SingalTBOneRecForm"));
    SetCaption(QStringLiteral("單表單筆資料處理表單"));
    lbNo = new QLabel(QStringLiteral("編號:"), plDataSelection);
    lbNo->setObjectName(QStringLiteral("lbNo"));
    edNo = new QLineEdit(plDataSelection);
    edNo->setObjectName(QStringLiteral("edNo"));
    lbNo->setBuddy(edNo);
    auto *selection = static_cast<QHBoxLayout *>(plDataSelection->layout());
    selection->insertWidget(0, lbNo);
    selection->insertWidget(1, edNo);
    RunOnEnter(edNo, [this] { DataOpen->Execute(); });
    DataOpen->setVisible(true);
    ActiveDataSet->Params().CreateParam(ftString, QStringLiteral("No"));
}

QString TSingalTBOneRecForm::GetNo() const {
    return edNo->text().trimmed();
}

void TSingalTBOneRecForm::SetNo(const QString &value) {
    if (value == GetNo())
        return;
    edNo->setText(value);
    DataOpenExecute();
}

void TSingalTBOneRecForm::DoDataOpen() {
    TClientDataSet *d = ActiveClientDataSet();
    d->Close();
    d->Params()[0].SetAsString(GetNo());
    d->Open();
}

void TSingalTBOneRecForm::OpCtrl() {
    TSingalTBForm::OpCtrl();
    TClientDataSet *d = ActiveClientDataSet();
    const bool open = d && d->Active();
    const bool editing = open && (d->State() == dsEdit || d->State() == dsInsert);
    DataApplyUpdate->setEnabled(open && (d->ChangeCount() > 0 || editing));
}
