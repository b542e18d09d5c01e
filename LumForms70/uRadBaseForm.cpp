#include "uRadBaseForm.h"

#include "Application.h"
#include "DataSource.h"
#include "DateTime.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "Fields.h"
#include "RadSystemApi.h"
#include "SocketConnection.h"
#include "StringList.h"
#include "SystemObjServers.h"
#include "uCalendarDialog.h"
#include "uClientVersionControl.h"
#include "uDBTree.h"
#include "uFieldsSetupDlg.h"
#include "uLoginUserInfo.h"
#include "uLumMessages.h"
#include "uLumPublic.h"
#include "uObjServers.h"
#include "uSystemTable.h"

#include <QMenu>
#include <QScrollArea>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The part of a ProgID before the first "." names its logical server ("" without a ".").
QString LogicalServer(const QString &progId) {
    const qsizetype dot = progId.indexOf(u'.');
    return dot < 0 ? QString() : progId.left(dot);
}

} // namespace

TRadBaseForm::TRadBaseForm(QWidget *parent) : TForm(parent) {
    setObjectName(QStringLiteral("RadBaseForm"));
    SetCaption(QStringLiteral("RadBaseForm"));
    SetTag(2);
    SetDragKind(TDragKind::dkDock);
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    QFont formFont(QStringLiteral("細明體"));
    formFont.setPointSize(9);
    setFont(formFont);

    const QStyle *st = style();
    ImageList.Add(st->standardIcon(QStyle::SP_DialogCloseButton));      // 0 close
    ImageList.Add(st->standardIcon(QStyle::SP_DialogApplyButton));      // 1 confirm
    ImageList.Add(st->standardIcon(QStyle::SP_DialogCancelButton));     // 2 cancel
    ImageList.Add(st->standardIcon(QStyle::SP_FileDialogDetailedView)); // 3 code input
    ImageList.Add(st->standardIcon(QStyle::SP_FileDialogInfoView));     // 4 date input
    ImageList.Add(st->standardIcon(QStyle::SP_DialogSaveButton));       // 5 Excel
    ImageList.Add(st->standardIcon(QStyle::SP_DialogHelpButton));       // 6 help
    ImageList.Add(st->standardIcon(QStyle::SP_FileDialogListView));     // 7 field setup

    CodeServer = new TCodeServer(this);
    CodeServer->SetName(QStringLiteral("CodeServer"));
    CodeServer->SetServerName(QStringLiteral("SystemObj.CodeTableINTF"));
    ToExcelDialog = new TDataToExcelDialog(this);
    ToExcelDialog->SetName(QStringLiteral("ToExcelDialog"));
    CalendarDialog = new TCalendarDialog(this);
    CalendarDialog->SetName(QStringLiteral("CalendarDialog"));
    TreeCodeDialog = new TVCLTreeCodeDialog(this);
    TreeCodeDialog->SetName(QStringLiteral("TreeCodeDialog"));
    ClientApps = new TClientAppsCDS(this);
    ClientApps->SetName(QStringLiteral("ClientApps"));

    BuildActions();
    ClientPanel = new QWidget(this);
    ClientPanel->setObjectName(QStringLiteral("ClientPanel"));
    BuildToolBar();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ClientPanel, 1);
    layout->addWidget(PageScroller1);

    PopupMenuMain = new QMenu(this);
    PopupMenuMain->setObjectName(QStringLiteral("PopupMenuMain"));
    PopupMenuMain->addSeparator();
    PopupMenuMain->addAction(WindowClose);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenuMain->popup(mapToGlobal(pos)); });

    OnShow = [this] { FormShow(); };
    OnClose = [this](TCloseAction &action) { FormClose(action); };
    SetMessageHandler(WM_TREECODE, [this](TMessage &m) { DMTreeCode(m); });
}

TRadBaseForm::~TRadBaseForm() = default;

void TRadBaseForm::BuildActions() {
    auto make = [this](const char *name, const char *category, const QString &caption,
                       const QString &hint, int image, bool enabled) {
        auto *action =
            new TAction(this, QString::fromLatin1(name), QString::fromLatin1(category), caption);
        if (!hint.isEmpty())
            action->SetHint(hint);
        action->SetImageIndex(image, ImageList.Icon(image));
        action->setEnabled(enabled);
        return action;
    };
    ActTreeInput = make("ActTreeInput", "Dialog", QStringLiteral("代碼輸入"),
                        QStringLiteral("樹狀代碼輔助輸入"), 3, false);
    ActDateInput = make("ActDateInput", "Dialog", QStringLiteral("日期輸入"),
                        QStringLiteral("日期輔助輸入"), 4, false);
    ExportToExcel = make("ExportToExcel", "Dialog", QStringLiteral("Xcel"),
                         QStringLiteral("匯到Excel"), 5, false);
    WindowClose = make("WindowClose", "Window", QStringLiteral("結束"), QString(), 0, true);
    ActHelpDescription = make("ActHelpDescription", "Dialog", QStringLiteral("輔助說明"),
                              QStringLiteral("輔助說明"), 6, true);
    DataApplyUpdate = make("DataApplyUpdate", "Data", QStringLiteral("確認"),
                           QStringLiteral("確認儲存至資料庫"), 1, false);
    DataCancelUpdate = make("DataCancelUpdate", "Data", QStringLiteral("取消"),
                            QStringLiteral("取消全部未儲存確認的資料"), 2, false);
    ActFieldsSetup = make("ActFieldsSetup", "Dialog", QStringLiteral("欄位設定"),
                          QStringLiteral("設定顯示的欄位"), 7, false);
    DataApplyUpdate->setVisible(false);
    DataCancelUpdate->setVisible(false);
    ActFieldsSetup->setVisible(false);
    ActFieldsSetup->OnExecute = [this] {
        SelectFields(QStringLiteral("欄位表"), FFieldsSetupSource);
    };
    WindowClose->OnExecute = [this] { WindowCloseExecute(); };
    ExportToExcel->OnExecute = [this] { ExportToExcelExecute(); };
    ActHelpDescription->OnExecute = [this] { ActHelpDescriptionExecute(); };
}

QList<TAction *> TRadBaseForm::Actions() const {
    return {ActTreeInput,       ActDateInput,    ExportToExcel,    WindowClose,
            ActHelpDescription, DataApplyUpdate, DataCancelUpdate, ActFieldsSetup};
}

void TRadBaseForm::BuildToolBar() {
    ToolBar1 = new QToolBar(QStringLiteral("MainToolBar"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setMovable(false);
    auto button = [this](const char *name, TAction *action) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setDefaultAction(action);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumSize(31, 35);
        return b;
    };
    btnClose = button("btnClose", WindowClose);
    ToolBar1->addWidget(btnClose);
    btnDivider0 = ToolBar1->addSeparator();
    btnDivider0->setObjectName(QStringLiteral("btnDivider0"));
    // The confirm and cancel buttons show exactly when their actions do: forms that confirm
    // on their own (query and grid-operation forms) hide the actions.
    auto place = [this](QToolButton *b, const char *name, TAction *action) {
        QAction *placed = ToolBar1->addWidget(b);
        placed->setObjectName(QString::fromLatin1(name));
        placed->setVisible(action->isVisible());
        connect(action, &QAction::changed, placed,
                [placed, action] { placed->setVisible(action->isVisible()); });
    };
    btnApply = button("btnApply", DataApplyUpdate);
    place(btnApply, "btnApplyAction", DataApplyUpdate);
    btnCancel = button("btnCancel", DataCancelUpdate);
    place(btnCancel, "btnCancelAction", DataCancelUpdate);

    PageScroller1 = new QScrollArea(this);
    PageScroller1->setObjectName(QStringLiteral("PageScroller1"));
    PageScroller1->setFixedHeight(38);
    PageScroller1->setFrameShape(QFrame::NoFrame);
    PageScroller1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PageScroller1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    PageScroller1->setWidgetResizable(true);
    PageScroller1->setWidget(ToolBar1);
}

void TRadBaseForm::Loaded() {
    TForm::Loaded();
    FormCreate();
}

void TRadBaseForm::FormCreate() {
    if (FCreated)
        return;
    FCreated = true;
    FFirstShow = true;
    for (TComponentBase *component : Components()) {
        auto *connection = dynamic_cast<TSocketConnection *>(component);
        if (!connection || connection->ObjectBroker())
            continue;
        auto *broker = new TRADObjectBroker(this, LogicalServer(connection->ServerName()));
        connection->Close();
        connection->SetObjectBroker(broker);
    }
    for (TComponentBase *component : Components())
        if (auto *table = dynamic_cast<TClonedDataSet *>(component))
            table->Open();
}

void TRadBaseForm::showEvent(QShowEvent *event) {
    // A form shown without having finished loading (made by hand) still gets its creation
    // steps before its first show.
    if (!FCreated) {
        try {
            FormCreate();
        } catch (...) {
            ReportError(std::current_exception());
        }
    }
    TForm::showEvent(event);
}

void TRadBaseForm::FormShow() {
    if (!FFirstShow)
        return;
    FFirstShow = false;
    try {
        ClientApps->Open();
        DoFormInitial();
    } catch (...) {
        // Called from the toolkit's show handling: the user sees the error, the form stays.
        ReportError(std::current_exception());
    }
}

void TRadBaseForm::FormClose(TCloseAction &action) {
    DisConnection();
    action = TCloseAction::caFree;
}

void TRadBaseForm::WindowCloseExecute() {
    close();
}

void TRadBaseForm::ExportToExcelExecute() {
    ToExcelDialog->Execute();
}

void TRadBaseForm::DisConnection() {
    for (TComponentBase *component : Components()) {
        auto *connection = dynamic_cast<TSocketConnection *>(component);
        if (!connection)
            continue;
        connection->Close();
        if (auto *broker = qobject_cast<TRADObjectBroker *>(connection->ObjectBroker()))
            broker->ResetFailed();
    }
}

void TRadBaseForm::DMTreeCode(TMessage &message) {
    QString messageType, code, description, traceText;
    int level = 0;
    bool hasChild = false;
    TreeCodeReceiver(message, messageType, code, description, traceText, level, hasChild);
    DoCheckCode(messageType, code, description, traceText, level, hasChild);
}

void TRadBaseForm::DoCheckCode(const QString &, const QString &, const QString &, const QString &,
                               int, bool) {}

int TRadBaseForm::GetKeyValueEX(const QString &majorId, const QString &minorId, QString &prefix,
                                QString &formatStr) {
    int value = 0;
    const HRESULT status = CodeServer->GetKeyValueEX(majorId, minorId, prefix, formatStr, value);
    if (!Succeeded(status))
        throw EOleSysError(CodeServer->LastErrorText(), status);
    return value;
}

void TRadBaseForm::GetLookUpText(TField *field, QString &text, bool) {
    text = field->AsString();
    TDataSet *lookup = field->LookupDataSet();
    if (!lookup || field->LookupKeyFields().isEmpty() || field->LookupResultField().isEmpty())
        return;
    const Variant found = lookup->Lookup(field->LookupKeyFields(), Variant(field->AsString()),
                                         field->LookupResultField());
    if (!found.IsEmptyOrNull())
        text = found.ToString();
}

QString TRadBaseForm::GetUserID() const {
    return CurrentUserInfo ? CurrentUserInfo->ID() : QString();
}

QString TRadBaseForm::GetUserName() const {
    return CurrentUserInfo ? CurrentUserInfo->Cht_Name : QString();
}

QString TRadBaseForm::GetEditInfo() const {
    return GetUserName() + u'-' + FormatDateTime(QStringLiteral("yy/mm/dd(hh:nn)"), Now()) + u'-' +
           GetIPAddr();
}

void TRadBaseForm::ShowVCLTreeAtMain(const QString &treeName) {
    ShowVCLTreeFormSender(treeName);
}

void TRadBaseForm::DateInput(TField *field) {
    if (field->DataType() != ftDate && field->DataType() != ftDateTime)
        throw Exception(QStringLiteral("Field[%1] is Not Date Type").arg(field->Name()));
    CalendarDialog->SetCaption(field->DisplayLabel());
    CalendarDialog->SetCalendarDate(field->IsNull() ? Date() : field->AsDateTime());
    if (!CalendarDialog->Execute())
        return;
    field->SetAsDateTime(CalendarDialog->CalendarDate());
}

void TRadBaseForm::CodeInput(const QString &treeName, TField *codeField, TField *textField,
                             bool useFullText) {
    if (codeField)
        TreeCodeDialog->Code = codeField->AsString();
    TreeCodeDialog->SetTreeName(treeName);
    if (!TreeCodeDialog->Execute())
        return;
    if (codeField)
        codeField->SetAsString(TreeCodeDialog->Code);
    if (textField)
        textField->SetAsString(useFullText ? TreeCodeDialog->GetText()
                                           : TreeCodeDialog->Description);
}

void TRadBaseForm::Run(const QString &fileName) {
    if (!SysClientAppFiles)
        throw Exception(QStringLiteral("[%1]is not found AppName").arg(fileName));
    SysClientAppFiles->RunByFileName(fileName);
}

bool TRadBaseForm::Confirm(const QString &message) {
    return ::Confirm(message);
}

QString TRadBaseForm::GetClientAppName() {
    if (!ClientApps->Active())
        ClientApps->Open();
    if (!ClientApps->Locate(QStringLiteral("Descript"), Variant(Caption()), {}))
        throw Exception(QStringLiteral("[%1]is not found AppName").arg(Caption()));
    return ClientApps->FieldByName(QStringLiteral("FileName"))->AsString();
}

void TRadBaseForm::SelectFields(const QString &name, TDataSource *dataSource) {
    if (!dataSource || !dataSource->DataSet())
        return;
    HandleFieldsSetup(name, dataSource);
}

void TRadBaseForm::SetFieldsSetupSource(TDataSource *source) {
    SetLink(FFieldsSetupSource, source);
    ActFieldsSetup->setEnabled(source != nullptr);
    ActFieldsSetup->setVisible(source != nullptr);
}

void TRadBaseForm::Notification(TComponentBase *component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation == TOperation::opRemove && component &&
        component == static_cast<TComponentBase *>(FFieldsSetupSource)) {
        FFieldsSetupSource = nullptr;
        ActFieldsSetup->setEnabled(false);
        ActFieldsSetup->setVisible(false);
    }
}

void TRadBaseForm::DBDataItems(TDataSet *dataSet, const QString &keyField, const QString &textField,
                               TStringList &items) {
    DBLookUpItems(dataSet, keyField, textField, items);
}
