#include "uDBTree.h"

#include "AppServerProxy.h"
#include "Big5.h"
#include "ClientDataSet.h"
#include "DBDelphiVCL.h"
#include "DataSource.h"
#include "DbTypes.h"
#include "DockArea.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "Variant.h"
#include "uLumMessages.h"
#include "uLumPublic.h"
#include "uSystemTable.h"
#include "uTreeRows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <memory>

namespace {

// Restoring what an operation changed must not replace the error that ended it.
template <class F> void Restoring(F &&restore) noexcept {
    try {
        restore();
    } catch (...) {
        ReportError(std::current_exception());
    }
}

} // namespace

// ---- the tree-code message ----

void TreeCodeSender(const QString &messageType, const QString &code, const QString &description,
                    const QString &traceText, int level, bool hasChild) {
    // Lines are added as they stand so that empty values keep their keys.
    TStringList list;
    list.Add(QStringLiteral("MessageType=") + messageType);
    list.Add(QStringLiteral("Code=") + code);
    list.Add(QStringLiteral("Description=") + description);
    list.Add(QStringLiteral("TraceText=") + traceText);
    list.Add(QStringLiteral("Level=") + QString::number(level));
    list.Add(QStringLiteral("HasChild=") + (hasChild ? u'1' : u'0'));
    TMessage message;
    message.Msg = WM_TREECODE;
    message.Strings = &list;
    DispatchOrvMessage(message);
}

void TreeCodeReceiver(const TMessage &message, QString &messageType, QString &code,
                      QString &description, QString &traceText, int &level, bool &hasChild) {
    const TStringList empty;
    const TStringList &list = message.Strings ? *message.Strings : empty;
    const int lvl = StrToInt(list.Values(QStringLiteral("Level")));
    const bool child = StrToInt(list.Values(QStringLiteral("HasChild"))) != 0;
    messageType = list.Values(QStringLiteral("MessageType"));
    code = list.Values(QStringLiteral("Code"));
    description = list.Values(QStringLiteral("Description"));
    traceText = list.Values(QStringLiteral("TraceText"));
    level = lvl;
    hasChild = child;
}

// ---- TDBTreeForm ----

TDBTreeForm::TDBTreeForm(QWidget *parent) : TForm(parent) {
    SetName(QStringLiteral("DBTreeForm"));
    SetCaption(QStringLiteral("代碼表"));
    resize(320, 420);
    BuildComponents();
}

void TDBTreeForm::BuildComponents() {
    auto *layout = new QVBoxLayout(this);
    auto *top = new QGridLayout;
    Label1 = new QLabel(QStringLiteral("代碼:"), this);
    ECode = new QLineEdit(this);
    ECode->setObjectName(QStringLiteral("ECode"));
    ECode->setReadOnly(true);
    Label2 = new QLabel(QStringLiteral("意義:"), this);
    EDescript = new QLineEdit(this);
    EDescript->setObjectName(QStringLiteral("EDescript"));
    EDescript->setReadOnly(true);
    lbLevel = new QLabel(this);
    lbLevel->setObjectName(QStringLiteral("lbLevel"));
    ckEncode = new QCheckBox(QStringLiteral("階層式編碼"), this);
    ckEncode->setObjectName(QStringLiteral("ckEncode"));
    ckEncode->setChecked(true);
    ckEncode->setEnabled(false);
    top->addWidget(Label1, 0, 0);
    top->addWidget(ECode, 0, 1);
    top->addWidget(lbLevel, 0, 2);
    top->addWidget(Label2, 1, 0);
    top->addWidget(EDescript, 1, 1);
    top->addWidget(ckEncode, 1, 2);
    layout->addLayout(top);

    TreeView = new QTreeWidget(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setColumnCount(1);
    TreeView->setIndentation(22);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setMouseTracking(true); // hot tracking: the row under the mouse is highlighted
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(TreeView, 1);
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { TreeViewChange(current); });

    auto *buttons = new QHBoxLayout;
    btnOK = new QPushButton(QStringLiteral("確定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->hide();
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("結束"));
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(SpeedButton1);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        FModalOK = true;
        close();
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] { close(); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { close(); });

    PopupMenu1 = new QMenu(this);
    N1 = PopupMenu1->addAction(QStringLiteral("字型"));
    N1->setObjectName(QStringLiteral("N1"));
    N2 = PopupMenu1->addAction(QStringLiteral("背景顏色"));
    N2->setObjectName(QStringLiteral("N2"));
    connect(N1, &QAction::triggered, this, [this] { N1Click(); });
    connect(N2, &QAction::triggered, this, [this] { N2Click(); });
    connect(TreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu1->popup(TreeView->viewport()->mapToGlobal(pos));
    });

    DBDelphiVCL = new TDBDelphiVCL(this);
    DBDelphiVCL->SetName(QStringLiteral("DBDelphiVCL"));
    DBDelphiVCL->SetVCLComponent(TreeView);
    DBDelphiVCL->OnAfterLoaded = [this](QObject *) { DBDelphiVCLAfterLoaded(); };
}

void TDBTreeForm::SetLevelCoding(bool levelCoding) {
    ckEncode->setChecked(levelCoding);
    TreeView->setProperty("Tag", levelCoding ? 1 : 0);
}

void TDBTreeForm::DBDelphiVCLAfterLoaded() {
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ckEncode->setChecked(TreeTag(TreeView) & 1);
}

QString TDBTreeForm::FullCode(const QTreeWidgetItem *node) const {
    return TreeEncode(node);
}

void TDBTreeForm::LoadFromTable(TDataSet *dataSet, const QString &codeField,
                                const QString &levelField, const QString &parentField,
                                const QString &textField, bool levelCoding) {
    if (!dataSet)
        throw Exception(QStringLiteral("Data Set Is Nil"));
    SetLevelCoding(levelCoding);
    TreeView->setUpdatesEnabled(false);
    TreeView->clear();
    const QString filter = dataSet->Filter();
    const bool filtered = dataSet->Filtered();
    dataSet->DisableControls();
    auto restore = qScopeGuard([&] {
        Restoring([&] {
            dataSet->SetFilter(filter);
            dataSet->SetFiltered(filtered);
        });
        dataSet->EnableControls();
        TreeView->setUpdatesEnabled(true);
    });
    dataSet->SetFiltered(true);
    if (!dataSet->Active())
        dataSet->Open();
    RowsToTree(TreeView, dataSet, dataSet->FieldByName(codeField),
               dataSet->FieldByName(parentField), dataSet->FieldByName(textField), levelCoding,
               [&](int level) {
                   const QString condition = levelField + u'=' + QString::number(level);
                   return filter.isEmpty()
                              ? condition
                              : QStringLiteral("( ") + filter + QStringLiteral(" ) and ( ") +
                                    condition + QStringLiteral(" )");
               });
}

void TDBTreeForm::LoadFromVCL(const QString &treeName) {
    TreeView->setUpdatesEnabled(false);
    auto restore = qScopeGuard([&] { TreeView->setUpdatesEnabled(true); });
    TreeView->clear();
    DBDelphiVCL->SetLoadActive(false);
    DBDelphiVCL->SetVCLName(treeName);
    DBDelphiVCL->SetLoadActive(true);
    SetCaption(DBDelphiVCL->Description);
}

void TDBTreeForm::LoadFromFile(const QString &fileName, bool levelCoding) {
    SetLevelCoding(levelCoding);
    TreeView->clear();
    TreeTextToView(ReadTextFile(fileName), TreeView);
}

void TDBTreeForm::SaveToFile(const QString &fileName) {
    WriteTextFile(fileName, TreeViewToText(TreeView));
}

void TDBTreeForm::SaveToVCL(const QString &vclName, const QString &description) {
    DBDelphiVCL->SetVCLName(vclName);
    DBDelphiVCL->Description = description;
    DBDelphiVCL->UpdateVCL();
}

void TDBTreeForm::SaveToTable(TClientDataSet *clientDataSet, const QString &codeField,
                              const QString &levelField, const QString &parentField,
                              const QString &textField, const QString &mainCode) {
    if (!clientDataSet)
        throw Exception(QStringLiteral("Data Set Is Nil"));
    TClientDataSet *ds = clientDataSet;
    ds->DisableControls();
    const TBookmark bookmark = ds->GetBookmark();
    const QString filter = ds->Filter();
    const bool filtered = ds->Filtered();
    auto restore = qScopeGuard([&] {
        Restoring([&] {
            if (ds->IsEditing())
                ds->Cancel();
            ds->SetFilter(filter);
            ds->SetFiltered(filtered);
            if (ds->BookmarkValid(bookmark))
                ds->GotoBookmark(bookmark);
        });
        ds->EnableControls();
        // The connection is held only while rows are written.
        Restoring([&] {
            if (auto *cloned = qobject_cast<TClonedDataSet *>(ds))
                cloned->GetSystemTable()->Connection()->SetConnected(false);
            else if (auto *proxy = dynamic_cast<TAppServerProxy *>(ds->AppServer()))
                proxy->Connection()->SetConnected(false);
        });
    });
    const QString main = mainCode.trimmed();
    if (!main.isEmpty()) {
        ds->SetFilter(QStringLiteral("Main_Code='") + main + u'\'');
        ds->SetFiltered(true);
    }
    if (!ds->Active())
        ds->Open();
    try {
        WriteRows(ds, codeField, levelField, parentField, textField, main);
    } catch (...) {
        // Half-written rows must never reach the server later: everything pending goes.
        Restoring([&] {
            if (ds->IsEditing())
                ds->Cancel();
            ds->CancelUpdates();
        });
        throw;
    }
}

void TDBTreeForm::WriteRows(TClientDataSet *ds, const QString &codeField, const QString &levelField,
                            const QString &parentField, const QString &textField,
                            const QString &mainCode) {
    TField *main = mainCode.isEmpty() ? nullptr : ds->FieldByName(QStringLiteral("Main_Code"));
    TreeToRows(TreeView, ds, ds->FieldByName(codeField), ds->FieldByName(levelField),
               ds->FieldByName(parentField), ds->FieldByName(textField), main, mainCode);
    // No error is tolerated: a row the server refused fails the whole write.
    ApplyEveryRow(ds);
}

bool TDBTreeForm::ExecuteModal(const QString &code) {
    SetCode(code);
    FSendMessage = false;
    btnOK->show();
    SetDragKind(TDragKind::dkDrag);
    FModalOK = false;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    FQuitModal = [&loop] { loop.quit(); };
    FInModalLoop = true;
    show();
    raise();
    activateWindow();
    loop.exec();
    FInModalLoop = false;
    FQuitModal = nullptr;
    setWindowModality(Qt::NonModal);
    return FModalOK;
}

void TDBTreeForm::ExecuteShow(const QString &code, const QString &messageType) {
    SetCode(code);
    FSendMessage = true;
    FMessageType = messageType;
    btnOK->hide();
    SetDragKind(TDragKind::dkDock);
    Show();
}

void TDBTreeForm::closeEvent(QCloseEvent *event) {
    TForm::closeEvent(event);
    if (event->isAccepted() && FInModalLoop && FQuitModal)
        FQuitModal();
}

QString TDBTreeForm::GetCode() const {
    return ECode->text();
}

QString TDBTreeForm::GetDescription() const {
    return EDescript->text();
}

QString TDBTreeForm::GetTraceText() const {
    return TreeTraceText(TreeView->currentItem());
}

void TDBTreeForm::SetCode(const QString &code) {
    if (code == ECode->text())
        return;
    ECode->setText(code);
    LocateCode(code);
}

void TDBTreeForm::LocateCode(const QString &code) {
    if (QTreeWidgetItem *found = TreeFindCode(TreeView, code, ckEncode->isChecked())) {
        TreeView->setCurrentItem(found);
        TreeView->scrollToItem(found, QAbstractItemView::PositionAtTop);
    } else {
        ECode->setText(code);
        EDescript->clear();
    }
}

QTreeWidgetItem *TDBTreeForm::FindNode(const QString &code) const {
    for (QTreeWidgetItemIterator it(TreeView); *it; ++it)
        if (FullCode(*it) == code)
            return *it;
    return nullptr;
}

void TDBTreeForm::TreeViewChange(QTreeWidgetItem *node) {
    if (!node)
        return;
    QString segment, text;
    SeparateCode(node->text(0), segment, text);
    ECode->setText(ckEncode->isChecked() ? FullCode(node) : segment);
    EDescript->setText(text);
    const int level = TreeNodeLevel(node);
    lbLevel->setText(QStringLiteral("階層:") + QString::number(level));
    if (!FSendMessage)
        return;
    // A receiver's error must not unwind through the tree view's signal.
    try {
        TreeCodeSender(FMessageType, ECode->text(), text, GetTraceText(), level,
                       node->childCount() > 0);
    } catch (...) {
        ReportError(std::current_exception());
    }
}

void TDBTreeForm::N1Click() {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, TreeView->font(), this);
    if (ok)
        TreeView->setFont(font);
}

void TDBTreeForm::N2Click() {
    const QColor color = QColorDialog::getColor(TreeView->palette().color(QPalette::Base), this);
    if (!color.isValid())
        return;
    QPalette palette = TreeView->palette();
    palette.setColor(QPalette::Base, color);
    TreeView->setPalette(palette);
}

// ---- TTreeCodeDialog ----

TTreeCodeDialog::TTreeCodeDialog(QObject *owner)
    : TComponent(owner), Caption(QStringLiteral("代碼表")),
      BKColor(QPalette().color(QPalette::ToolTipBase)) {}

TTreeCodeDialog::~TTreeCodeDialog() {
    Destroying();
    delete FForm;
}

void TTreeCodeDialog::Prepare(TDBTreeForm *form) {
    form->SetCaption(Caption);
    form->TreeView->setFont(FTreeFont);
    QPalette palette = form->TreeView->palette();
    palette.setColor(QPalette::Base, BKColor);
    form->TreeView->setPalette(palette);
    LoadFrom(form);
}

bool TTreeCodeDialog::Execute() {
    // A modal pick uses a form of its own: a tree window this component shows stays as it is.
    auto form = std::make_unique<TDBTreeForm>();
    form->OnClose = nullptr;
    Prepare(form.get());
    if (!form->ExecuteModal(Code))
        return false;
    Code = form->GetCode();
    Description = form->GetDescription();
    TraceText = form->GetTraceText();
    return true;
}

void TTreeCodeDialog::ExecuteShow(TDockArea *dockSite) {
    if (FShown && FForm)
        return;
    if (!FForm) {
        FForm = new TDBTreeForm;
        // However the window goes (closed by the user, freed with its dock area), it is
        // forgotten; a window closed earlier that goes only now leaves a newer one alone.
        TDBTreeForm *created = FForm;
        connect(created, &QObject::destroyed, this, [this, created] {
            if (FForm == created) {
                FForm = nullptr;
                FShown = false;
                FDocked = false;
            }
        });
    }
    TDBTreeForm *form = FForm;
    // The window frees itself when the user closes it, and this component forgets it.
    form->OnClose = [this](TCloseAction &action) {
        action = TCloseAction::caFree;
        FForm = nullptr;
        FShown = false;
        FDocked = false;
    };
    try {
        Prepare(form);
    } catch (...) {
        delete form;
        throw;
    }
    form->ExecuteShow(Code, MessageType);
    if (dockSite) {
        form->ManualDock(dockSite);
        FDocked = form->HostDockSite() == dockSite;
    }
    FShown = true;
}

void TTreeCodeDialog::Close() {
    delete FForm;
    FForm = nullptr;
    FShown = false;
    FDocked = false;
}

template <class Save> void TTreeCodeDialog::SaveWith(const Save &save) {
    if (FShown && FForm) {
        save(FForm);
        return;
    }
    TDBTreeForm form;
    Prepare(&form);
    save(&form);
}

void TTreeCodeDialog::SaveToFile(const QString &fileName) {
    SaveWith([&](TDBTreeForm *form) { form->SaveToFile(fileName); });
}

void TTreeCodeDialog::SaveToTable(TClientDataSet *clientDataSet, const QString &codeField,
                                  const QString &levelField, const QString &parentField,
                                  const QString &textField, const QString &mainCode) {
    SaveWith([&](TDBTreeForm *form) {
        form->SaveToTable(clientDataSet, codeField, levelField, parentField, textField, mainCode);
    });
}

void TTreeCodeDialog::SaveToVCL(const QString &vclName, const QString &description) {
    SaveWith([&](TDBTreeForm *form) { form->SaveToVCL(vclName, description); });
}

// ---- TDBTreeCodeDialog ----

TDBTreeCodeDialog::TDBTreeCodeDialog(QObject *owner) : TTreeCodeDialog(owner) {}

TDBTreeCodeDialog::~TDBTreeCodeDialog() {
    Destroying();
}

void TDBTreeCodeDialog::SetDataSource(TDataSource *dataSource) {
    SetLink(FDataSource, dataSource);
}

void TDBTreeCodeDialog::Notification(TComponentBase *component, TOperation operation) {
    TTreeCodeDialog::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSource)
        FDataSource = nullptr;
}

void TDBTreeCodeDialog::SetCodeFieldName(const QString &name) {
    if (name != FCodeFieldName)
        FCodeFieldName = name;
}

void TDBTreeCodeDialog::SetLevelFieldName(const QString &name) {
    if (name != FLevelFieldName)
        FLevelFieldName = name;
}

void TDBTreeCodeDialog::SetParentFieldName(const QString &name) {
    if (name != FParentFieldName)
        FParentFieldName = name;
}

void TDBTreeCodeDialog::SetTextFieldName(const QString &name) {
    if (name != FTextFieldName)
        FTextFieldName = name;
}

void TDBTreeCodeDialog::CheckField(const QString &fieldName) const {
    if (!FDataSource || !FDataSource->DataSet() || !FDataSource->DataSet()->FindField(fieldName))
        throw Exception(QStringLiteral("DataSet or FieldName Not Assigned"));
}

void TDBTreeCodeDialog::LoadFrom(TDBTreeForm *form) {
    CheckField(FCodeFieldName);
    CheckField(FLevelFieldName);
    CheckField(FParentFieldName);
    CheckField(FTextFieldName);
    form->LoadFromTable(FDataSource->DataSet(), FCodeFieldName, FLevelFieldName, FParentFieldName,
                        FTextFieldName, LevelCoding);
}

// ---- TVCLTreeCodeDialog, TFileTreeCodeDialog ----

void TVCLTreeCodeDialog::LoadFrom(TDBTreeForm *form) {
    if (FTreeName.isEmpty())
        throw Exception(QStringLiteral("TreeName Is Null"));
    form->LoadFromVCL(FTreeName);
}

void TFileTreeCodeDialog::LoadFrom(TDBTreeForm *form) {
    if (!QFileInfo(FFileName).isFile())
        throw Exception(QStringLiteral("File Not Exists"));
    form->LoadFromFile(FFileName, LevelCoding);
}
