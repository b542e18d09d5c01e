#include "uDualGridForm.h"

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "uFormDataMessages.h"
#include "uLumMessages.h"
#include "uReconcileError.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Controls of a dataset suspended while a move walks it, resumed whatever happens.
class TControlsSuspended {
public:
    explicit TControlsSuspended(std::initializer_list<TDataSet *> dataSets) {
        for (TDataSet *d : dataSets)
            if (d) {
                d->DisableControls();
                FDataSets.push_back(d);
            }
    }
    ~TControlsSuspended() {
        for (TDataSet *d : FDataSets)
            d->EnableControls();
    }
    TControlsSuspended(const TControlsSuspended &) = delete;
    TControlsSuspended &operator=(const TControlsSuspended &) = delete;

private:
    std::vector<TDataSet *> FDataSets;
};

TDBGrid *MoveGrid(QGroupBox *box, const char *name, TDataSource *source, QMenu *popup) {
    auto *grid = new TDBGrid(box);
    grid->setObjectName(QLatin1String(name));
    grid->SetReadOnly(true);
    grid->SetMultiSelect(true);
    grid->SetDataSource(source);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        grid, &QWidget::customContextMenuRequested, grid,
        [grid, popup](const QPoint &pos) { popup->popup(grid->viewport()->mapToGlobal(pos)); });
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(grid);
    return grid;
}

} // namespace

TDualGridForm::TDualGridForm(QWidget *parent) : TRadBaseForm(parent) {
    setObjectName(QStringLiteral("DualGridForm"));
    SetCaption(QStringLiteral("雙表資料移轉處理表單"));

    SelectSource = new TDataSource(this);
    SelectSource->SetName(QStringLiteral("SelectSource"));
    SelectSource->SetAutoEdit(false);
    SelectSource->OnStateChange = [this](TDataSource *) { OpCtrl(); };
    ActiveSource = new TDataSource(this);
    ActiveSource->SetName(QStringLiteral("ActiveSource"));
    ActiveSource->SetAutoEdit(false);
    ActiveSource->OnStateChange = [this](TDataSource *) { OpCtrl(); };
    ReconcileError1 = new TReconcileError(this);
    ReconcileError1->SetName(QStringLiteral("ReconcileError1"));
    ReconcileError1->SetAutoActive(true);
    ToExcelDialog->SetDataSource(ActiveSource);

    const QStyle *st = style();
    auto make = [this](const char *name, const QString &caption, const QIcon &icon) {
        auto *action =
            new TAction(this, QString::fromLatin1(name), QStringLiteral("Data"), caption);
        action->setIcon(icon);
        action->setEnabled(false);
        return action;
    };
    ActInsert = make("ActInsert", QStringLiteral("新增"), st->standardIcon(QStyle::SP_ArrowRight));
    ActInsertAll = make("ActInsertAll", QStringLiteral("全部新增"),
                        st->standardIcon(QStyle::SP_MediaSeekForward));
    ActDelete = make("ActDelete", QStringLiteral("移除"), st->standardIcon(QStyle::SP_ArrowLeft));
    ActDeleteAll = make("ActDeleteAll", QStringLiteral("全部移除"),
                        st->standardIcon(QStyle::SP_MediaSeekBackward));
    ActClear =
        make("ActClear", QStringLiteral("清除"), st->standardIcon(QStyle::SP_DialogResetButton));
    ActUndo = make("ActUndo", QStringLiteral("復原"), st->standardIcon(QStyle::SP_ArrowBack));
    ActInsert->OnExecute = [this] { ActInsertExecute(); };
    ActInsertAll->OnExecute = [this] { ActInsertAllExecute(); };
    ActDelete->OnExecute = [this] { ActDeleteExecute(); };
    ActDeleteAll->OnExecute = [this] { ActDeleteAllExecute(); };
    ActClear->OnExecute = [this] { ActClearExecute(); };
    DataApplyUpdate->OnExecute = [this] { DataApplyUpdateExecute(); };
    DataCancelUpdate->OnExecute = [this] { DataCancelUpdateExecute(); };

    pmSelect = new QMenu(this);
    pmSelect->setObjectName(QStringLiteral("pmSelect"));
    pmSelect->addAction(ActInsert);
    pmSelect->addAction(ActInsertAll);
    pmSelect->addSeparator();
    pmSelect->addAction(ActClear);
    pmActive = new QMenu(this);
    pmActive->setObjectName(QStringLiteral("pmActive"));
    pmActive->addAction(ActDelete);
    pmActive->addAction(ActDeleteAll);
    pmActive->addSeparator();
    pmActive->addAction(ActClear);
    pmActive->addSeparator();
    pmActive->addAction(DataApplyUpdate);
    pmActive->addAction(DataCancelUpdate);

    gbConditionSet = new QGroupBox(QStringLiteral("條件"), ClientPanel);
    gbConditionSet->setObjectName(QStringLiteral("gbConditionSet"));
    plDataSelection = new QWidget(ClientPanel);
    plDataSelection->setObjectName(QStringLiteral("plDataSelection"));
    GroupBox3 = new QGroupBox(QStringLiteral("項目"), ClientPanel);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    gridSelect = MoveGrid(GroupBox3, "gridSelect", SelectSource, pmSelect);
    GroupBox1 = new QGroupBox(QStringLiteral("設定"), ClientPanel);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    gridActive = MoveGrid(GroupBox1, "gridActive", ActiveSource, pmActive);
    for (TDBGrid *grid : {gridSelect, gridActive}) {
        grid->OnCellClick = [this](TDBGrid *) { OpCtrl(); };
        // A selection made with the keyboard counts as much as a click.
        grid->OnSelectionChange = [this](TDBGrid *) { OpCtrl(); };
    }

    Panel3 = new QWidget(ClientPanel);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto button = [this](const char *name, TAction *action) {
        auto *b = new QToolButton(Panel3);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(action);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumSize(64, 44);
        return b;
    };
    btnInsert = button("btnInsert", ActInsert);
    btnDelete = button("btnDelete", ActDelete);
    btnClear = button("btnClear", ActClear);
    auto *buttons = new QVBoxLayout(Panel3);
    buttons->addStretch();
    for (QToolButton *b : {btnInsert, btnDelete, btnClear})
        buttons->addWidget(b);
    buttons->addStretch();

    auto *grids = new QHBoxLayout;
    grids->addWidget(GroupBox3, 1);
    grids->addWidget(Panel3);
    grids->addWidget(GroupBox1, 1);
    auto *layout = new QVBoxLayout(ClientPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gbConditionSet);
    layout->addWidget(plDataSelection);
    layout->addLayout(grids, 1);

    SetMessageHandler(WM_TRANSMITDATASET, [this](TMessage &m) { DMTransmitDataSet(m); });
    SetMessageHandler(WM_DATASETREFRESH, [this](TMessage &m) { DMDataSetRefresh(m); });
    SetMessageHandler(WM_ACTIVEDATARECORD, [this](TMessage &m) { DMActiveDataRecord(m); });
    OpCtrl();
}

TDualGridForm::~TDualGridForm() {
    // The sources' and grids' handlers call into this form: they go before its parts do.
    SelectSource->OnStateChange = nullptr;
    ActiveSource->OnStateChange = nullptr;
    for (TDBGrid *grid : {gridSelect, gridActive}) {
        grid->OnCellClick = nullptr;
        grid->OnSelectionChange = nullptr;
    }
}

TDataSet *TDualGridForm::SelectDataSet() const {
    return SelectSource->DataSet();
}

TDataSet *TDualGridForm::ActiveDataSet() const {
    return ActiveSource->DataSet();
}

bool TDualGridForm::GetEnabledApply() const {
    return DataApplyUpdate->isEnabled();
}

void TDualGridForm::SetEnabledApply(bool value) {
    if (DataApplyUpdate->isEnabled() != value)
        DataApplyUpdate->setEnabled(value);
}

void TDualGridForm::Guarded(const std::function<void()> &body,
                            const std::function<void()> &finally) {
    std::exception_ptr error;
    try {
        body();
    } catch (...) {
        error = std::current_exception();
    }
    try {
        finally();
    } catch (...) {
        if (!error)
            error = std::current_exception();
    }
    if (error)
        std::rethrow_exception(error);
}

void TDualGridForm::OpCtrl() {
    const TDataSet *a = ActiveDataSet();
    const TDataSet *s = SelectDataSet();
    const bool activeOpen = a && a->Active();
    const bool deleteAll = activeOpen && !a->IsEmpty();
    const bool remove = deleteAll && gridActive->SelectedCount() > 0;
    const bool insertAll = activeOpen && s && s->Active() && !s->IsEmpty();
    const bool insert = insertAll && gridSelect->SelectedCount() > 0;
    ActDeleteAll->setEnabled(deleteAll);
    ActDelete->setEnabled(remove);
    ActInsertAll->setEnabled(insertAll);
    ActInsert->setEnabled(insert);
    ActClear->setEnabled(insert || remove);
}

void TDualGridForm::ActInsertExecute() {
    Guarded(
        [this] {
            TDataSet *s = SelectDataSet();
            {
                TControlsSuspended suspended{s, ActiveDataSet()};
                // The candidates in the order the user picked them.
                for (TBookmark b : gridSelect->SelectedRows()) {
                    if (!s->BookmarkValid(b))
                        continue;
                    s->GotoBookmark(b);
                    InsertOneData();
                }
            }
            gridSelect->ClearSelection();
            DoActiveDataChange(adInsert);
        },
        [this] { OpCtrl(); });
}

void TDualGridForm::ActInsertAllExecute() {
    Guarded(
        [this] {
            Clear();
            TDataSet *s = SelectDataSet();
            {
                TControlsSuspended suspended{s, ActiveDataSet()};
                for (s->First(); !s->Eof(); s->Next())
                    InsertOneData();
            }
            DoActiveDataChange(adInsert);
        },
        [this] { OpCtrl(); });
}

void TDualGridForm::ActDeleteExecute() {
    Guarded(
        [this] {
            TDataSet *a = ActiveDataSet();
            for (TBookmark b : gridActive->SelectedRows()) {
                if (!a->BookmarkValid(b))
                    continue;
                a->GotoBookmark(b);
                if (DoRemoveCheck())
                    a->Delete();
            }
            gridActive->ClearSelection();
            DoActiveDataChange(adRemove);
        },
        [this] { OpCtrl(); });
}

void TDualGridForm::ActDeleteAllExecute() {
    Guarded(
        [this] {
            Clear();
            TDataSet *a = ActiveDataSet();
            {
                TControlsSuspended suspended{a};
                a->First();
                while (!a->Eof()) {
                    if (!DoRemoveCheck()) {
                        a->Next();
                        continue;
                    }
                    // Deleting the last row leaves the cursor on the row before, already
                    // asked about: the walk ends there.
                    const bool last = a->RecNo() >= a->RecordCount();
                    a->Delete();
                    if (last)
                        break;
                }
            }
            DoActiveDataChange(adRemove);
        },
        [this] { OpCtrl(); });
}

void TDualGridForm::ActClearExecute() {
    Clear();
}

void TDualGridForm::Clear() {
    gridSelect->ClearSelection();
    gridActive->ClearSelection();
    OpCtrl();
}

void TDualGridForm::DoActiveDataChange(TActiveDataOperation) {
    if (FAutoConfirm)
        DataApplyUpdateExecute();
}

void TDualGridForm::DataApplyUpdateExecute() {
    Guarded([this] { DoDataApplyUpdates(); },
            [this] {
                DisConnection();
                OpCtrl();
            });
}

void TDualGridForm::DataCancelUpdateExecute() {
    Guarded([this] { DoDataCancelUpdates(); }, [this] { OpCtrl(); });
}

void TDualGridForm::DoFormInitial() {
    TRadBaseForm::DoFormInitial();
    FAutoConfirm = true;
}

void TDualGridForm::DataSetBeforePost(TDataSet *dataSet) {
    StampEditInfo(dataSet, GetEditInfo());
}

QString TDualGridForm::DataName(const QObject *dataSet) const {
    return objectName() + u'.' + dataSet->objectName();
}

void TDualGridForm::SendDataset(TClientDataSet *clientDataSet) {
    ClientDataSetSender(DataName(clientDataSet), clientDataSet);
}

void TDualGridForm::SendDataRefresh(TClientDataSet *clientDataSet) {
    DataSetRefreshSender(DataName(clientDataSet));
}

void TDualGridForm::SendActiveDataRecord(TDataSet *dataSet) {
    ActiveDataRecordSender(DataName(dataSet), dataSet);
}

TClientDataSet *TDualGridForm::DoGetReceiverDataSet(const QString &, bool) {
    return nullptr;
}

TStringList *TDualGridForm::DoCheckActiveDataRecord(const QString &) {
    return nullptr;
}

void TDualGridForm::DMTransmitDataSet(TMessage &message) {
    if (TClientDataSet *target = ReceiveDataSet(message, [this](const QString &name, bool active) {
            return DoGetReceiverDataSet(name, active);
        }))
        DoAfterSetReceiveData(target);
}

void TDualGridForm::DMDataSetRefresh(TMessage &message) {
    RecvDataRefresh(ReceiveDataRefresh(message));
}

void TDualGridForm::DMActiveDataRecord(TMessage &message) {
    if (TStringList *items = ReceiveActiveDataRecord(
            message, [this](const QString &name) { return DoCheckActiveDataRecord(name); }))
        DoAfterSetActiveDataRecord(items);
}
