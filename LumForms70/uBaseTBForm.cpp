#include "uBaseTBForm.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBActions.h"
#include "DBCheckListBox.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "StringList.h"
#include "TransferDialog.h"
#include "uFormDataMessages.h"
#include "uLumMessages.h"
#include "uLumPublic.h"
#include "uReconcileError.h"
#include "uSystemTable.h"

#include <QKeyEvent>
#include <QMenu>
#include <QToolBar>

namespace {

// Enter in an edit runs the form's handler.
class TEnterFilter : public QObject {
public:
    TEnterFilter(QObject *parent, std::function<void()> onEnter)
        : QObject(parent), FOnEnter(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                FOnEnter();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> FOnEnter;
};

} // namespace

TBaseTBForm::TBaseTBForm(QWidget *parent) : TRadBaseForm(parent) {
    setObjectName(QStringLiteral("BaseTBForm"));
    SetCaption(QStringLiteral("基本資料表處理表單"));

    TransferDialog = new TTransferDialog(this);
    TransferDialog->SetName(QStringLiteral("TransferDialog"));
    TransferDialog->SetCaption(QStringLiteral("資料讀取中,請稍待..."));
    SocketConnection = new TSocketConnection(this);
    SocketConnection->SetName(QStringLiteral("SocketConnection"));
    SocketConnection->SetPort(7202);
    ReconcileError = new TReconcileError(this);
    ReconcileError->SetName(QStringLiteral("ReconcileError"));
    ReconcileError->SetAutoActive(true);
    CodeTableMain = new TCodeTableCDS(this);
    CodeTableMain->SetName(QStringLiteral("CodeTableMain"));
    CodeTableMainSource = new TDataSource(this);
    CodeTableMainSource->SetName(QStringLiteral("CodeTableMainSource"));
    CodeTableMainSource->SetAutoEdit(false);
    CodeTableMainSource->SetDataSet(CodeTableMain);
    CopyDataSet = new TClientDataSet(this);
    CopyDataSet->SetName(QStringLiteral("CopyDataSet"));

    BuildTBActions();

    SetMessageHandler(WM_TRANSMITDATASET, [this](TMessage &m) { DMTransmitDataSet(m); });
    SetMessageHandler(WM_DATASETREFRESH, [this](TMessage &m) { DMDataSetRefresh(m); });
    SetMessageHandler(WM_ACTIVEDATARECORD, [this](TMessage &m) { DMActiveDataRecord(m); });
}

TBaseTBForm::~TBaseTBForm() = default;

void TBaseTBForm::BuildTBActions() {
    auto plain = [this](const char *name, const QString &caption, const QString &hint) {
        auto *action =
            new TAction(this, QString::fromLatin1(name), QStringLiteral("Data"), caption);
        if (!hint.isEmpty())
            action->SetHint(hint);
        action->setEnabled(false);
        action->setVisible(false);
        return action;
    };
    DataOpen = plain("DataOpen", QStringLiteral("讀取資料"), QString());
    DataOpen->setEnabled(true);
    DataRefresh = plain("DataRefresh", QStringLiteral("重整"),
                        QStringLiteral("重新從後端資料庫讀取最新資料"));
    DataQuery =
        plain("DataQuery", QStringLiteral("查詢"), QStringLiteral("從後端資料庫查詢條件資料"));
    DataPrint = plain("DataPrint", QStringLiteral("列印"), QStringLiteral("資料列印"));
    DataChart = plain("DataChart", QStringLiteral("圖表"), QString());
    DataInsert = plain("DataInsert", QStringLiteral("新增"), QString());
    DataEdit = plain("DataEdit", QStringLiteral("修改"), QString());
    DataCopy = plain("DataCopy", QStringLiteral("複製新增"), QString());

    auto dataSetAction = [this](TDataSetAction *action) {
        action->setVisible(false);
        return action;
    };
    DataSetDelete = dataSetAction(new TDataSetDelete(
        this, QStringLiteral("DataSetDelete"), QStringLiteral("Dataset"), QStringLiteral("刪除")));
    DataSetPost = dataSetAction(new TDataSetPost(
        this, QStringLiteral("DataSetPost"), QStringLiteral("Dataset"), QStringLiteral("確定")));
    DataSetCancel = dataSetAction(new TDataSetCancel(
        this, QStringLiteral("DataSetCancel"), QStringLiteral("Dataset"), QStringLiteral("復原")));
    DataSetFirst = dataSetAction(new TDataSetFirst(
        this, QStringLiteral("DataSetFirst"), QStringLiteral("Dataset"), QStringLiteral("最前")));
    DataSetPrior = dataSetAction(new TDataSetPrior(
        this, QStringLiteral("DataSetPrior"), QStringLiteral("Dataset"), QStringLiteral("往前")));
    DataSetNext = dataSetAction(new TDataSetNext(
        this, QStringLiteral("DataSetNext"), QStringLiteral("Dataset"), QStringLiteral("往後")));
    DataSetLast = dataSetAction(new TDataSetLast(
        this, QStringLiteral("DataSetLast"), QStringLiteral("Dataset"), QStringLiteral("最後")));

    DataApplyUpdate->setVisible(true);
    DataCancelUpdate->setVisible(true);

    DataOpen->OnExecute = [this] { DataOpenExecute(); };
    DataRefresh->OnExecute = [this] { DataRefreshExecute(); };
    DataApplyUpdate->OnExecute = [this] { DataApplyUpdateExecute(); };
    DataCancelUpdate->OnExecute = [this] { DataCancelUpdateExecute(); };
    DataSetDelete->OnExecute = [this] { DataSetDeleteExecute(); };
    DataInsert->OnExecute = [this] { DataInsertExecute(); };
    DataEdit->OnExecute = [this] { DataEditExecute(); };

    // Tool bar after the base buttons.
    btnDivider1 = ToolBar1->addSeparator();
    btnDivider1->setObjectName(QStringLiteral("btnDivider1"));
    for (QAction *a :
         std::initializer_list<QAction *>{DataInsert, DataEdit, DataSetPost, DataSetCancel})
        ToolBar1->addAction(a);
    btnDivider2 = ToolBar1->addSeparator();
    btnDivider2->setObjectName(QStringLiteral("btnDivider2"));
    for (QAction *a :
         std::initializer_list<QAction *>{DataSetFirst, DataSetPrior, DataSetNext, DataSetLast})
        ToolBar1->addAction(a);

    DataEditPopupMenu = new QMenu(this);
    DataEditPopupMenu->setObjectName(QStringLiteral("DataEditPopupMenu"));
    for (QAction *a : std::initializer_list<QAction *>{DataInsert, DataCopy, DataEdit, DataSetPost,
                                                       DataSetCancel})
        DataEditPopupMenu->addAction(a);
    DataEditPopupMenu->addSeparator();
    DataEditPopupMenu->addAction(DataSetDelete);

    // The main popup menu: reading, confirming and the job's own data actions.
    PopupMenuMain->clear();
    PopupMenuMain->addAction(DataOpen);
    PopupMenuMain->addAction(DataRefresh);
    MenuApply = PopupMenuMain->addAction(QStringLiteral("確認"));
    MenuApply->setStatusTip(QStringLiteral("修改過的資料全部寫入資料庫"));
    connect(MenuApply, &QAction::triggered, this, [this] { DataApplyUpdate->Execute(); });
    MenuCancel = PopupMenuMain->addAction(QStringLiteral("取消"));
    MenuCancel->setStatusTip(QStringLiteral("修改過的資料全部取消"));
    connect(MenuCancel, &QAction::triggered, this, [this] { DataCancelUpdate->Execute(); });
    PopupMenuMain->addSeparator();
    for (QAction *a : std::initializer_list<QAction *>{DataQuery, ExportToExcel, DataPrint,
                                                       DataChart, ActHelpDescription})
        PopupMenuMain->addAction(a);
    PopupMenuMain->addSeparator();
    PopupMenuMain->addAction(WindowClose);
}

bool TBaseTBForm::GetEnabledApply() const {
    return DataApplyUpdate->isEnabled();
}

void TBaseTBForm::SetEnabledApply(bool value) {
    DataApplyUpdate->setEnabled(value);
}

void TBaseTBForm::Guarded(const std::function<void()> &body, const std::function<void()> &finally) {
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

void TBaseTBForm::ShowCheckedField(TDBCheckListBox *list) {
    const int index = list->currentRow();
    if (TField *field = list->Field(index))
        field->SetVisible(list->Checked(index));
}

void TBaseTBForm::RunOnEnter(QWidget *edit, std::function<void()> run) {
    edit->installEventFilter(new TEnterFilter(edit, std::move(run)));
}

void TBaseTBForm::CancelAllChanges(TClientDataSet *dataSet, bool cancelEdit) {
    if (cancelEdit)
        dataSet->Cancel();
    const bool filtered = dataSet->Filtered();
    dataSet->DisableControls();
    Guarded(
        [dataSet, filtered] {
            dataSet->SetFiltered(!filtered);
            dataSet->CancelUpdates();
        },
        [dataSet, filtered] {
            dataSet->SetFiltered(filtered);
            dataSet->EnableControls();
        });
}

void TBaseTBForm::DataOpenExecute() {
    Guarded(
        [this] {
            ApplyConfirm();
            TransferDialog->Execute();
            DoDataOpen();
        },
        [this] {
            TransferDialog->Close();
            DisConnection();
            OpCtrl();
        });
}

void TBaseTBForm::DataRefreshExecute() {
    ApplyConfirm();
    DoDataClose();
    DataOpenExecute();
}

void TBaseTBForm::DataApplyUpdateExecute() {
    Guarded([this] { DoDataApplyUpdates(); },
            [this] {
                DisConnection();
                OpCtrl();
            });
}

void TBaseTBForm::DataCancelUpdateExecute() {
    Guarded([this] { DoDataCancelUpdates(); }, [this] { OpCtrl(); });
}

void TBaseTBForm::DataSetDeleteExecute() {
    if (!Confirm(QStringLiteral("資料確認要刪除嗎？")))
        return;
    Guarded([this] { DoDataDelete(); }, [this] { OpCtrl(); });
}

void TBaseTBForm::DataInsertExecute() {
    Guarded([this] { DoDataInsert(); }, [this] { OpCtrl(); });
}

void TBaseTBForm::DataEditExecute() {
    Guarded([this] { DoDataEdit(); }, [this] { OpCtrl(); });
}

void TBaseTBForm::ApplyConfirm() {
    if (GetEnabledApply() && Confirm(QStringLiteral("修改未確認,是否確認？")))
        DoDataApplyUpdates();
    else
        DoDataCancelUpdates();
}

void TBaseTBForm::FormClose(TCloseAction &action) {
    ApplyConfirm();
    TRadBaseForm::FormClose(action);
}

void TBaseTBForm::DataSetBeforePost(TDataSet *dataSet) {
    StampEditInfo(dataSet, GetEditInfo());
}

void TBaseTBForm::CopyDataSetFrom(TDataSet *dataSet) {
    if (!CopyDataSet->Active())
        CopyDataSet->CreateDataSet();
    CopyDataSet->EmptyDataSet();
    CopyDataSet->Append();
    for (int i = 0; i < CopyDataSet->FieldCount(); ++i) {
        TField *target = CopyDataSet->Fields()[i];
        if (!target->Visible())
            continue;
        if (TField *source = dataSet->FindField(target->FieldName()))
            target->SetValue(source->Value());
    }
}

void TBaseTBForm::CopyDataSetTo(TDataSet *dataSet) {
    if (!CopyDataSet->Active())
        throw Exception(QStringLiteral("CopyDataset is not Created"));
    if (dataSet->State() != dsEdit && dataSet->State() != dsInsert)
        dataSet->Append();
    for (int i = 0; i < CopyDataSet->FieldCount(); ++i) {
        const TField *source = CopyDataSet->Fields()[i];
        if (!source->Visible())
            continue;
        if (TField *target = dataSet->FindField(source->FieldName()))
            target->SetValue(source->Value());
    }
}

QString TBaseTBForm::DataName(const QObject *dataSet) const {
    return objectName() + u'.' + dataSet->objectName();
}

void TBaseTBForm::SendDataset(TClientDataSet *clientDataSet) {
    ClientDataSetSender(DataName(clientDataSet), clientDataSet);
}

void TBaseTBForm::SendDataRefresh(TClientDataSet *clientDataSet) {
    DataSetRefreshSender(DataName(clientDataSet));
}

void TBaseTBForm::SendActiveDataRecord(TDataSet *dataSet) {
    ActiveDataRecordSender(DataName(dataSet), dataSet);
}

TClientDataSet *TBaseTBForm::DoGetReceiverDataSet(const QString &, bool) {
    return nullptr;
}

TStringList *TBaseTBForm::DoCheckActiveDataRecord(const QString &) {
    return nullptr;
}

void TBaseTBForm::DMTransmitDataSet(TMessage &message) {
    if (TClientDataSet *target = ReceiveDataSet(message, [this](const QString &name, bool active) {
            return DoGetReceiverDataSet(name, active);
        }))
        DoAfterSetReceiveData(target);
}

void TBaseTBForm::DMDataSetRefresh(TMessage &message) {
    RecvDataRefresh(ReceiveDataRefresh(message));
}

void TBaseTBForm::DMActiveDataRecord(TMessage &message) {
    if (TStringList *items = ReceiveActiveDataRecord(
            message, [this](const QString &name) { return DoCheckActiveDataRecord(name); }))
        DoAfterSetActiveDataRecord(items);
}
