#include "uLumTreeAndTableTransfer.h"

#include "Big5.h"
#include "CodeTableCDS.h"
#include "DBDelphiVCL.h"
#include "DBGridModel.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "Variant.h"
#include "uLumPublic.h"
#include "uTreeRows.h"
#include "uTreeText.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

QString Quoted(const QString &value) {
    return u'\'' + QString(value).replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace

TLumTreeAndTableTransfer::TLumTreeAndTableTransfer(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LumTreeAndTableTransfer"));
    setWindowTitle(QStringLiteral("代碼樹與代碼總表轉換"));
    resize(760, 520);
    CodeTableCDS = new TCodeTableCDS(this);
    CodeTableCDS->SetName(QStringLiteral("CodeTableCDS"));
    CodeTableSource = new TDataSource(this);
    CodeTableSource->SetDataSet(CodeTableCDS);
    VCLDataSet = new TDelphiVCLCDS(this);
    VCLDataSet->SetName(QStringLiteral("VCLDataSet"));
    BuildActions();
    BuildComponents();
    UpdateActions();
}

TLumTreeAndTableTransfer::~TLumTreeAndTableTransfer() {
    delete GridModel;
    GridModel = nullptr;
}

void TLumTreeAndTableTransfer::BuildActions() {
    const auto make = [this](TAction *&action, const char *name, const char *caption,
                             const char *hint, std::function<void()> handler) {
        action = new TAction(this, QLatin1String(name), QString(), QString::fromUtf8(caption));
        if (hint)
            action->SetHint(QString::fromUtf8(hint));
        action->OnExecute = std::move(handler);
    };
    make(ActToTree, "ActToTree", "產生代碼樹", "重建代碼樹", [this] { ActToTreeExecute(); });
    make(ActToTable, "ActToTable", "轉入代碼表", "轉入代碼總表", [this] { ActToTableExecute(); });
    make(actSure, "actSure", "確認", "修改過的資料全部寫入資料庫", [this] { actSureExecute(); });
    make(actCancel, "actCancel", "取消", "修改過的資料全部取消", [this] { actCancelExecute(); });
    make(ActReLoad, "ActReLoad", "代碼樹重整", "從新由資料庫載入", [this] { ActReLoadExecute(); });
    make(WindowClose, "WindowClose", "結束", nullptr, [this] { reject(); });
    make(ActTreeToFile, "ActTreeToFile", "匯出檔案", nullptr, [this] { ActTreeToFileExecute(); });
    make(ActColor, "ActColor", "底色", nullptr, [this] {
        const QColor color =
            QColorDialog::getColor(TreeView->palette().color(QPalette::Base), this);
        if (!color.isValid())
            return;
        QPalette palette = TreeView->palette();
        palette.setColor(QPalette::Base, color);
        TreeView->setPalette(palette);
    });
    make(ActFont, "ActFont", "字型", nullptr, [this] {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, TreeView->font(), this);
        if (ok)
            TreeView->setFont(font);
    });
}

void TLumTreeAndTableTransfer::BuildComponents() {
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (TAction *action : {ActToTree, ActToTable, actSure, actCancel, ActReLoad, ActTreeToFile,
                            ActColor, ActFont, WindowClose})
        bar->addAction(action);
    layout->addWidget(bar);
    auto *sides = new QHBoxLayout;
    gbTree = new QGroupBox(QStringLiteral("代碼樹"), this);
    auto *tree = new QVBoxLayout(gbTree);
    auto *treeFields = new QFormLayout;
    edDescript = new QLineEdit(gbTree);
    edDescript->setObjectName(QStringLiteral("edDescript"));
    edDescript->setMaxLength(32);
    edTreeName = new QLineEdit(gbTree);
    edTreeName->setObjectName(QStringLiteral("edTreeName"));
    edTreeName->setReadOnly(true);
    treeFields->addRow(QStringLiteral("名稱:"), edDescript);
    treeFields->addRow(QString(), edTreeName);
    tree->addLayout(treeFields);
    TreeView = new QTreeWidget(gbTree);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->addWidget(TreeView, 1);
    sides->addWidget(gbTree, 1);

    gbTable = new QGroupBox(QStringLiteral("代碼總表"), this);
    auto *table = new QVBoxLayout(gbTable);
    auto *tableFields = new QFormLayout;
    edMainCode = new QLineEdit(gbTable);
    edMainCode->setObjectName(QStringLiteral("edMainCode"));
    edMainCode->setReadOnly(true);
    tableFields->addRow(QStringLiteral("類別代號:"), edMainCode);
    table->addLayout(tableFields);
    ckParent = new QCheckBox(QStringLiteral("以[隸屬於]欄位,篩選過濾"), gbTable);
    ckParent->setObjectName(QStringLiteral("ckParent"));
    table->addWidget(ckParent);
    // The grid shows the category; its rows change through the tree only.
    CodeTableCDS->FieldByName(QStringLiteral("Main_Code"))->SetVisible(false);
    for (const auto &[name, label] : {std::pair{"Code", "代碼"},
                                      {"Descript", "名稱"},
                                      {"ALevel", "層級"},
                                      {"AParent", "隸屬於"}})
        CodeTableCDS->FieldByName(QLatin1String(name))->SetDisplayLabel(QString::fromUtf8(label));
    for (const char *hidden : {"AValue", "ADate"})
        CodeTableCDS->FieldByName(QLatin1String(hidden))->SetVisible(false);
    DBGrid = new QTableView(gbTable);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    GridModel = new TDBGridModel;
    GridModel->SetReadOnly(true);
    GridModel->SetDataSource(CodeTableSource);
    DBGrid->setModel(GridModel);
    GridModel->AttachView(DBGrid);
    table->addWidget(DBGrid, 1);
    sides->addWidget(gbTable, 1);
    layout->addLayout(sides, 1);

    SaveDialog = new QFileDialog(this);
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setDefaultSuffix(QStringLiteral("VCL"));
    SaveDialog->setNameFilters({QStringLiteral("VCL (*.VCL)"), QStringLiteral("Txt (*.Txt)")});
    SaveDialog->setOption(QFileDialog::DontUseNativeDialog);

    VCLTreeData = new TDBDelphiVCL(this);
    VCLTreeData->SetName(QStringLiteral("VCLTreeData"));
    VCLTreeData->SetVCLComponent(TreeView);
    VCLTreeData->OnBeforeLoaded = [this](QObject *) {
        TreeView->setProperty("Tag", 0);
        TreeView->setUpdatesEnabled(false);
        if (CodeTableCDS->Active())
            CodeTableCDS->CancelUpdates();
    };
    VCLTreeData->OnAfterLoaded = [this](QObject *) {
        TreeView->setUpdatesEnabled(true);
        edDescript->setText(VCLTreeData->Description);
        FTreeLevel = TreeTag(TreeView) & 1;
        FSettings = VCLTreeData->Settings;
        FChanged = false;
    };

    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *node) { TreeViewChange(node); });
    connect(ckParent, &QCheckBox::clicked, this, [this] { ckParentClick(); });
    connect(edDescript, &QLineEdit::textEdited, this, [this] {
        FChanged = true;
        UpdateActions();
    });
}

QString TLumTreeAndTableTransfer::CategoryFilter() const {
    return QStringLiteral("Main_Code=") + Quoted(FMainCode);
}

void TLumTreeAndTableTransfer::RefreshCodeTable() {
    CodeTableCDS->Close();
    CodeTableCDS->SystemTableRefresh();
    if (!CodeTableCDS->Active())
        CodeTableCDS->Open();
    if (CodeTableCDS->IndexDefs().IndexOf(QStringLiteral("idxCode")) < 0)
        CodeTableCDS->AddIndex(QStringLiteral("idxCode"), QStringLiteral("Main_Code;Code"));
    CodeTableCDS->SetIndexName(QStringLiteral("idxCode"));
}

void TLumTreeAndTableTransfer::PrepareTableToTree(const QString &mainCode, const QString &treeName,
                                                  int treeLevel) {
    RefreshCodeTable();
    SetTreeLevel(treeLevel);
    SetMainCode(mainCode);
    SetTreeName(treeName);
    ActToTree->setVisible(true);
    ActToTable->setVisible(false);
    UpdateActions();
}

void TLumTreeAndTableTransfer::PrepareTreeToCodeTable(const QString &treeName,
                                                      const QString &mainCode) {
    RefreshCodeTable();
    SetMainCode(mainCode);
    SetTreeName(treeName);
    ActToTable->setVisible(true);
    ActToTree->setVisible(false);
    UpdateActions();
}

bool TLumTreeAndTableTransfer::Exec() {
    return exec() == QDialog::Accepted;
}

bool TLumTreeAndTableTransfer::ExecuteTableToTree(const QString &mainCode, const QString &treeName,
                                                  int treeLevel) {
    PrepareTableToTree(mainCode, treeName, treeLevel);
    return Exec();
}

bool TLumTreeAndTableTransfer::ExecuteTreeToCodeTable(const QString &treeName,
                                                      const QString &mainCode) {
    PrepareTreeToCodeTable(treeName, mainCode);
    return Exec();
}

void TLumTreeAndTableTransfer::done(int result) {
    // Rows not confirmed never reach the server.
    if (CodeTableCDS->Active()) {
        if (CodeTableCDS->IsEditing())
            CodeTableCDS->Cancel();
        CodeTableCDS->CancelUpdates();
    }
    QDialog::done(result);
}

void TLumTreeAndTableTransfer::SetMainCode(const QString &mainCode) {
    if (mainCode == FMainCode && CodeTableCDS->Filtered())
        return;
    FMainCode = mainCode;
    edMainCode->setText(mainCode);
    CodeTableCDS->SetFilter(CategoryFilter());
    CodeTableCDS->SetFiltered(true);
}

QString TLumTreeAndTableTransfer::GetMainName() const {
    return edDescript->text();
}

void TLumTreeAndTableTransfer::SetMainName(const QString &name) {
    edDescript->setText(name);
}

void TLumTreeAndTableTransfer::SetTreeName(const QString &treeName) {
    if (treeName == FTreeName && !treeName.isEmpty())
        return;
    FTreeName = treeName;
    edTreeName->setText(treeName);
    VCLTreeData->SetVCLName(treeName);
    TreeReset();
}

void TLumTreeAndTableTransfer::SetTreeLevel(int treeLevel) {
    FTreeLevel = treeLevel == 1 ? 1 : 0;
    TreeView->setProperty("Tag", (TreeTag(TreeView) & ~1) | FTreeLevel);
}

void TLumTreeAndTableTransfer::TreeReset() {
    // The tree is looked up by name in the whole list: a tree not yet converted still names
    // the category it was stored under, and must not be taken for a missing one.
    if (VCLDataSet->Active())
        VCLDataSet->Close();
    VCLDataSet->Open();
    const bool found =
        !FTreeName.isEmpty() &&
        VCLDataSet->Locate(QStringLiteral("VCLName"), Variant(FTreeName), loCaseInsensitive);
    if (!found) {
        TreeView->clear();
        FSettings.clear();
        edDescript->setText(QStringLiteral("未命名"));
        FChanged = true;
    } else {
        auto restore = qScopeGuard([this] { TreeView->setUpdatesEnabled(true); });
        VCLTreeData->SetLoadActive(false);
        VCLTreeData->SetLoadActive(true);
    }
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    UpdateActions();
}

QTreeWidgetItem *TLumTreeAndTableTransfer::FindNode(const QString &code) const {
    for (QTreeWidgetItemIterator it(TreeView); *it; ++it)
        if (TreeEncode(*it) == code)
            return *it;
    return nullptr;
}

void TLumTreeAndTableTransfer::UpdateActions() {
    const bool pending = CodeTableCDS->Active() && CodeTableCDS->ChangeCount() > 0;
    actSure->setEnabled(pending || FChanged);
    actCancel->setEnabled(pending || FChanged);
}

void TLumTreeAndTableTransfer::ActToTreeExecute() {
    TreeView->clear();
    TreeView->setProperty("Tag", (TreeTag(TreeView) & ~1) | FTreeLevel);
    const QString filter = CodeTableCDS->Filter();
    const bool filtered = CodeTableCDS->Filtered();
    CodeTableCDS->DisableControls();
    auto restore = qScopeGuard([&] {
        CodeTableCDS->SetFilter(filter);
        CodeTableCDS->SetFiltered(filtered);
        CodeTableCDS->EnableControls();
        TreeView->setUpdatesEnabled(true);
    });
    TreeView->setUpdatesEnabled(false);
    CodeTableCDS->SetFiltered(true);
    RowsToTree(
        TreeView, CodeTableCDS, CodeTableCDS->FieldByName(QStringLiteral("Code")),
        CodeTableCDS->FieldByName(QStringLiteral("AParent")),
        CodeTableCDS->FieldByName(QStringLiteral("Descript")), FTreeLevel == 1, [this](int level) {
            return CategoryFilter() + QStringLiteral(" and ALevel=") + QString::number(level);
        });
    FChanged = true;
    UpdateActions();
}

void TLumTreeAndTableTransfer::ActToTableExecute() {
    TClientDataSet *ds = CodeTableCDS;
    TField *main = ds->FieldByName(QStringLiteral("Main_Code"));
    TField *code = ds->FieldByName(QStringLiteral("Code"));
    TField *text = ds->FieldByName(QStringLiteral("Descript"));
    TField *parent = ds->FieldByName(QStringLiteral("AParent"));
    TField *level = ds->FieldByName(QStringLiteral("ALevel"));
    // Everything is checked before the first row changes: a tree that does not fit the table
    // changes nothing.
    if (FMainCode.trimmed().isEmpty())
        throw Exception(QStringLiteral("類別代號未設定"));
    if (main->Size() > 0 && FMainCode.size() > main->Size())
        throw Exception(QStringLiteral("類別代號 %1 超過 %2 字").arg(FMainCode).arg(main->Size()));
    for (QTreeWidgetItemIterator it(TreeView); *it; ++it) {
        const QString full = TreeEncode(*it);
        if (full.isEmpty())
            continue;
        if (code->Size() > 0 && full.size() > code->Size())
            throw Exception(QStringLiteral("代碼 %1 超過 %2 字").arg(full).arg(code->Size()));
        if (text->Size() > 0 && TreeNodeText(*it).size() > text->Size())
            throw Exception(
                QStringLiteral("節點 %1 的名稱超過 %2 字").arg((*it)->text(0)).arg(text->Size()));
    }
    const QString filter = ds->Filter();
    const bool filtered = ds->Filtered();
    ds->DisableControls();
    auto restore = qScopeGuard([&] {
        ds->SetFilter(filter);
        ds->SetFiltered(filtered);
        ds->EnableControls();
        UpdateActions();
    });
    ds->SetFilter(CategoryFilter());
    ds->SetFiltered(true);
    try {
        TreeToRows(TreeView, ds, code, level, parent, text, main, FMainCode);
    } catch (...) {
        // Rows half written must not wait for "確認".
        if (ds->IsEditing())
            ds->Cancel();
        ds->CancelUpdates();
        throw;
    }
}

void TLumTreeAndTableTransfer::actSureExecute() {
    if (CodeTableCDS->ChangeCount() > 0)
        ApplyEveryRow(CodeTableCDS);
    if (FChanged) {
        VCLTreeData->Description = edDescript->text();
        TreeView->setProperty("Tag", (TreeTag(TreeView) & ~1) | FTreeLevel);
        VCLTreeData->UpdateVCL();
        CheckVCLMainCode();
        FChanged = false;
    }
    UpdateActions();
}

void TLumTreeAndTableTransfer::actCancelExecute() {
    if (CodeTableCDS->IsEditing())
        CodeTableCDS->Cancel();
    CodeTableCDS->CancelUpdates();
    TreeReset();
}

void TLumTreeAndTableTransfer::ActReLoadExecute() {
    actCancelExecute();
}

void TLumTreeAndTableTransfer::CheckVCLMainCode() {
    VCLDataSet->Close();
    VCLDataSet->SystemTableRefresh();
    if (!VCLDataSet->Active())
        VCLDataSet->Open();
    if (!VCLDataSet->Locate(QStringLiteral("VCLName"), Variant(FTreeName), loCaseInsensitive))
        return;
    TField *main = VCLDataSet->FieldByName(QStringLiteral("Main_Code"));
    if (main->AsString() == FMainCode)
        return;
    VCLDataSet->Edit();
    main->SetAsString(FMainCode);
    VCLDataSet->Post();
    try {
        ApplyEveryRow(VCLDataSet);
    } catch (...) {
        VCLDataSet->CancelUpdates();
        throw;
    }
}

void TLumTreeAndTableTransfer::TreeViewChange(QTreeWidgetItem *node) {
    if (!node || !CodeTableCDS->Active())
        return;
    const QString full = TreeEncode(node);
    if (ckParent->isChecked()) {
        CodeTableCDS->SetFilter(CategoryFilter() + QStringLiteral(" and (Code =") + Quoted(full) +
                                QStringLiteral(" or AParent= ") + Quoted(full) + u')');
        CodeTableCDS->SetFiltered(true);
    } else {
        CodeTableCDS->Locate(QStringLiteral("Code"), Variant(full));
    }
}

void TLumTreeAndTableTransfer::ckParentClick() {
    if (ckParent->isChecked()) {
        TreeViewChange(TreeView->currentItem());
        return;
    }
    CodeTableCDS->SetFilter(CategoryFilter());
    CodeTableCDS->SetFiltered(true);
}

void TLumTreeAndTableTransfer::ActTreeToFileExecute() {
    if (SaveDialog->selectedFiles().value(0).isEmpty() || SaveDialog->selectedFiles().isEmpty())
        SaveDialog->selectFile(FTreeName);
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty())
        return;
    WriteTextFile(SaveDialog->selectedFiles().first(),
                  TreeViewToText(TreeView, TreeTextWithTag(FSettings, TreeTag(TreeView))));
}
