#include "ulumTreeToolDlg.h"

#include "Big5.h"
#include "DBDelphiVCL.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "Fields.h"
#include "Packages.h"
#include "RadServer.h"
#include "Registry.h"
#include "Variant.h"
#include "uClientVersionControl.h"
#include "uLumPublic.h"
#include "uLumTreeAndTableTransfer.h"
#include "uTreeText.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QToolBar>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

const QString kDragHint = QStringLiteral("按住Mouse,可拖拉節點至適當位置.");

// Nodes of the editor can be renamed in place.
void MakeEditable(QTreeWidgetItem *node) {
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    for (int i = 0; i < node->childCount(); ++i)
        MakeEditable(node->child(i));
}

int IndexOf(const QTreeWidgetItem *node) {
    QTreeWidgetItem *n = const_cast<QTreeWidgetItem *>(node);
    return node->parent() ? node->parent()->indexOfChild(n)
                          : node->treeWidget()->indexOfTopLevelItem(n);
}

// Puts node at index among the children of parent (the roots of tree when parent is null).
void InsertAt(QTreeWidget *tree, QTreeWidgetItem *parent, int index, QTreeWidgetItem *node) {
    if (parent)
        parent->insertChild(index, node);
    else
        tree->insertTopLevelItem(index, node);
}

QTreeWidgetItem *TakeOut(QTreeWidgetItem *node) {
    return node->parent() ? node->parent()->takeChild(IndexOf(node))
                          : node->treeWidget()->takeTopLevelItem(IndexOf(node));
}

// Raises the version server's error for a failed call.
void CheckVersionCall(HRESULT status) {
    if (Succeeded(status))
        return;
    const QString text = SysVersionServer ? SysVersionServer->LastErrorText() : QString();
    throw EOleSysError(text.isEmpty() ? QStringLiteral("Unspecified error") : text, status);
}

} // namespace

// ---- TTreeDragView ----

TTreeDragView::TTreeDragView(QWidget *parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Dragging is done here with the mouse, within this tree only.
    setDragEnabled(false);
}

void TTreeDragView::SetDragEnabled(bool enabled) {
    FDragEnabled = enabled;
    if (!enabled) {
        FPressed = nullptr;
        FDragging = nullptr;
        viewport()->unsetCursor();
    }
}

QRect TTreeDragView::LabelRect(const QTreeWidgetItem *node) const {
    QRect rect = visualItemRect(node);
    const QFontMetrics metrics(node->font(0));
    const int width = metrics.horizontalAdvance(node->text(0)) + 2 * metrics.averageCharWidth();
    rect.setWidth(std::min(rect.width(), width));
    return rect;
}

TTreeDragView::THitPart TTreeDragView::HitTest(const QPoint &viewportPos,
                                               QTreeWidgetItem **node) const {
    QTreeWidgetItem *item = itemAt(viewportPos);
    if (node)
        *node = item;
    if (!item)
        return htNowhere;
    const QRect label = LabelRect(item);
    if (viewportPos.x() >= label.left() && viewportPos.x() <= label.right())
        return htOnItem;
    if (viewportPos.x() > label.right())
        return htNowhere;
    // Left of the label: the step of indentation next to it holds the expand button.
    if (viewportPos.x() >= label.left() - indentation() && item->childCount() > 0)
        return htOnButton;
    return htOnIndent;
}

void TTreeDragView::mousePressEvent(QMouseEvent *event) {
    QTreeWidget::mousePressEvent(event);
    FDragging = nullptr;
    FPressed = FDragEnabled && event->button() == Qt::LeftButton
                   ? itemAt(event->position().toPoint())
                   : nullptr;
    FPressPos = event->position().toPoint();
}

void TTreeDragView::mouseMoveEvent(QMouseEvent *event) {
    if (FPressed && (event->buttons() & Qt::LeftButton)) {
        if (!FDragging && (event->position().toPoint() - FPressPos).manhattanLength() >=
                              QApplication::startDragDistance()) {
            FDragging = FPressed;
            viewport()->setCursor(Qt::DragMoveCursor);
        }
        if (FDragging)
            return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void TTreeDragView::mouseReleaseEvent(QMouseEvent *event) {
    QTreeWidgetItem *dragged = event->button() == Qt::LeftButton ? FDragging : nullptr;
    FPressed = nullptr;
    FDragging = nullptr;
    if (!dragged) {
        QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    viewport()->unsetCursor();
    Q_EMIT NodeDropped(dragged, event->position().toPoint());
}

void TTreeDragView::keyPressEvent(QKeyEvent *event) {
    if (FDragging && event->key() == Qt::Key_Escape) {
        FPressed = nullptr;
        FDragging = nullptr;
        viewport()->unsetCursor();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool TTreeDragView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) {
    const bool started = QTreeWidget::edit(index, trigger, event);
    if (started && FDragging == nullptr)
        Q_EMIT EditingStarted(itemFromIndex(index));
    return started;
}

// ---- TlumTreeToolDlg ----

TlumTreeToolDlg::TlumTreeToolDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("lumTreeToolDlg"));
    setWindowTitle(QStringLiteral("樹狀結構編輯工具"));
    resize(460, 560);
    BuildActions();
    BuildComponents();
    OpCtrl();
}

TlumTreeToolDlg::~TlumTreeToolDlg() = default;

void TlumTreeToolDlg::BuildActions() {
    const auto make = [this](TAction *&action, const char *name, const char *caption,
                             const char *hint, void (TlumTreeToolDlg::*handler)()) {
        action = new TAction(this, QLatin1String(name), QString(), QString::fromUtf8(caption));
        if (hint)
            action->SetHint(QString::fromUtf8(hint));
        action->OnExecute = [this, handler] { (this->*handler)(); };
    };
    make(NodeNewItem, "NodeNewItem", "插入新節點", "插入新節點",
         &TlumTreeToolDlg::NodeNewItemExecute);
    make(NodeNewSubItem, "NodeNewSubItem", "新增子節點", "新增子節點",
         &TlumTreeToolDlg::NodeNewSubItemExecute);
    make(NodeReplaceText, "NodeReplaceText", "取代本文", "取代本文",
         &TlumTreeToolDlg::NodeReplaceTextExecute);
    make(TreeApply, "TreeApply", "編輯確認", "代碼樹寫入資料庫",
         &TlumTreeToolDlg::TreeApplyExecute);
    make(TreeCoding, "TreeCoding", "編碼", "自動編入代碼", &TlumTreeToolDlg::TreeCodingExecute);
    make(EditClear, "EditClear", "清除", "清除樹內容", &TlumTreeToolDlg::EditClearExecute);
    make(TreeToCodeTable, "TreeToCodeTable", "轉入代碼總表", nullptr,
         &TlumTreeToolDlg::TreeToCodeTableExecute);
    make(TreeToCachedFile, "TreeToCachedFile", "建立快速檔", "快速取用檔(CachedDataFile)",
         &TlumTreeToolDlg::TreeToCachedFileExecute);
    make(EditCopy, "EditCopy", "複製", "節點複製", &TlumTreeToolDlg::EditCopyExecute);
    make(EditCut, "EditCut", "剪下", "節點剪下", &TlumTreeToolDlg::EditCutExecute);
    make(EditDelete, "EditDelete", "刪除", "節點刪除", &TlumTreeToolDlg::EditDeleteExecute);
    make(EditPaste, "EditPaste", "貼上", "節點貼上", &TlumTreeToolDlg::EditPasteExecute);
}

void TlumTreeToolDlg::BuildComponents() {
    auto *layout = new QVBoxLayout(this);
    auto *names = new QHBoxLayout;
    edVCLName = new QLineEdit(this);
    edVCLName->setObjectName(QStringLiteral("edVCLName"));
    edVCLName->setReadOnly(true);
    edVCLDescript = new QLineEdit(this);
    edVCLDescript->setObjectName(QStringLiteral("edVCLDescript"));
    edVCLDescript->setReadOnly(true);
    names->addWidget(new QLabel(QStringLiteral("名稱:"), this));
    names->addWidget(edVCLName);
    names->addWidget(edVCLDescript, 1);
    layout->addLayout(names);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (TAction *action : {NodeNewItem, NodeNewSubItem, NodeReplaceText, EditClear})
        ToolBar->addAction(action);
    ToolBar->addSeparator();
    for (QAction *action : {EditCopy, EditCut, EditPaste, EditDelete})
        ToolBar->addAction(action);
    layout->addWidget(ToolBar);

    gbEdit = new QGroupBox(QStringLiteral("編輯區"), this);
    gbEdit->setObjectName(QStringLiteral("gbEdit"));
    auto *edit = new QHBoxLayout(gbEdit);
    auto *fields = new QFormLayout;
    edSelectNode = new QLineEdit(gbEdit);
    edSelectNode->setObjectName(QStringLiteral("edSelectNode"));
    edSelectNode->setReadOnly(true);
    edEditNode = new QLineEdit(gbEdit);
    edEditNode->setObjectName(QStringLiteral("edEditNode"));
    fields->addRow(QStringLiteral("目前節點:"), edSelectNode);
    fields->addRow(QStringLiteral("節點本文:"), edEditNode);
    edit->addLayout(fields, 1);
    rgCoding = new QGroupBox(QStringLiteral("編碼方式"), gbEdit);
    rgCoding->setObjectName(QStringLiteral("rgCoding"));
    auto *coding = new QVBoxLayout(rgCoding);
    rbPlain = new QRadioButton(QStringLiteral("一般式"), rgCoding);
    rbLevel = new QRadioButton(QStringLiteral("階層式"), rgCoding);
    coding->addWidget(rbPlain);
    coding->addWidget(rbLevel);
    rbPlain->setChecked(true);
    // The coding rule comes with the tree: shown, not chosen.
    rgCoding->setEnabled(false);
    edit->addWidget(rgCoding);
    layout->addWidget(gbEdit);

    TVActive = new TTreeDragView(this);
    TVActive->setObjectName(QStringLiteral("TVActive"));
    layout->addWidget(TVActive, 1);
    TVCopy = new QTreeWidget(this);
    TVCopy->setObjectName(QStringLiteral("TVCopy"));
    TVCopy->setHeaderHidden(true);
    TVCopy->hide();

    PopupMenu = new QMenu(this);
    PopupMenu->addAction(TreeCoding);
    PopupMenu->addAction(TreeToCodeTable);
    PopupMenu->addAction(TreeToCachedFile);
    connect(TVActive, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu->popup(TVActive->viewport()->mapToGlobal(pos));
    });

    auto *bottom = new QHBoxLayout;
    ckCoding = new QCheckBox(QStringLiteral("自動編碼"), this);
    ckCoding->setObjectName(QStringLiteral("ckCoding"));
    ckReserver = new QCheckBox(QStringLiteral("代碼保留"), this);
    ckReserver->setObjectName(QStringLiteral("ckReserver"));
    ckReserver->setToolTip(QStringLiteral("自動編碼時,保留已經編好的代碼"));
    btnApply = new QPushButton(this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnApply->setText(TreeApply->text());
    btnApply->setToolTip(TreeApply->toolTip());
    connect(btnApply, &QPushButton::clicked, TreeApply, &QAction::trigger);
    connect(TreeApply, &QAction::changed, btnApply,
            [this] { btnApply->setEnabled(TreeApply->isEnabled()); });
    auto *close = new QPushButton(QStringLiteral("結束"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(ckCoding);
    bottom->addWidget(ckReserver);
    bottom->addStretch(1);
    bottom->addWidget(btnApply);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    TreeCoding->setVisible(false);
    connect(ckCoding, &QCheckBox::toggled, this, [this](bool on) {
        TreeCoding->setVisible(on);
        ckReserver->setEnabled(on);
    });
    ckReserver->setEnabled(false);

    connect(TVActive, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(TVActive, &QTreeWidget::itemChanged, this, [this] { TreeChanged(); });
    connect(TVActive, &TTreeDragView::NodeDropped, this,
            [this](QTreeWidgetItem *node, const QPoint &pos) { TVActiveDragDrop(node, pos); });
    connect(TVActive, &TTreeDragView::EditingStarted, this,
            [this](QTreeWidgetItem *node) { edEditNode->setText(node->text(0)); });
    connect(edEditNode, &QLineEdit::textChanged, this, [this] { OpCtrl(); });

    DBVCLink = new TDBDelphiVCL(this);
    DBVCLink->SetName(QStringLiteral("DBVCLink"));
    DBVCLink->SetVCLComponent(TVActive);
    DBVCLink->OnAfterLoaded = [this](QObject *) { AfterLoaded(); };
    DBVCLink->OnBeforeWriteVCL = [this](QObject *) { SetEditing(false); };
    DBVCLink->OnAfterWriteVCL = [this](QObject *) { SetEditing(true); };
    DBVCLink->OnAfterUpdateVCL = [this](QObject *) {
        FChanged = false;
        OpCtrl();
    };
    SetEditing(true);
}

void TlumTreeToolDlg::SetEditing(bool editing) {
    TVActive->setContextMenuPolicy(editing ? Qt::CustomContextMenu : Qt::NoContextMenu);
    TVActive->SetDragEnabled(editing);
    TVActive->setToolTip(editing ? kDragHint : QString());
    TVActive->setEditTriggers(editing ? QAbstractItemView::DoubleClicked |
                                            QAbstractItemView::EditKeyPressed
                                      : QAbstractItemView::NoEditTriggers);
    if (!editing)
        return;
    TVActive->setMouseTracking(true); // hot tracking
    TVActive->setAutoExpandDelay(-1);
    const QSignalBlocker quiet(TVActive);
    for (int i = 0; i < TVActive->topLevelItemCount(); ++i)
        MakeEditable(TVActive->topLevelItem(i));
}

void TlumTreeToolDlg::AfterLoaded() {
    SetEditing(true);
    FChanged = false;
    edSelectNode->clear();
    edEditNode->clear();
    TVActive->setEnabled(true);
    (TreeTag(TVActive) & 1 ? rbLevel : rbPlain)->setChecked(true);
    OpCtrl();
}

bool TlumTreeToolDlg::LoadTree(const QString &treeName, TTreeEditStyle style) {
    DBVCLink->SetVCLName(treeName);
    if (treeName.trimmed().isEmpty() || !DBVCLink->GetExisted())
        return false;
    FStyle = style;
    TreeToCodeTable->setVisible(style.testFlag(tesToCodeTable));
    TreeToCachedFile->setVisible(style.testFlag(tesToCachedFile));
    ckCoding->setVisible(style.testFlag(tesCoding));
    ckReserver->setVisible(style.testFlag(tesCoding));
    DBVCLink->SetLoadActive(true);
    edVCLName->setText(treeName);
    edVCLDescript->setText(DBVCLink->Description);
    return true;
}

bool TlumTreeToolDlg::Execute() {
    FApplied = false;
    exec();
    return FApplied;
}

QTreeWidgetItem *TlumTreeToolDlg::Selected() const {
    QTreeWidgetItem *current = TVActive->currentItem();
    return current && current->isSelected() ? current : nullptr;
}

void TlumTreeToolDlg::OpCtrl() {
    const bool hasText = !edEditNode->text().isEmpty();
    const bool selected = Selected() != nullptr;
    const bool hasNodes = TVActive->topLevelItemCount() > 0;
    TreeApply->setEnabled(FChanged);
    TreeToCachedFile->setEnabled(FChanged);
    NodeNewItem->setEnabled(hasText);
    NodeNewSubItem->setEnabled(hasText);
    NodeReplaceText->setEnabled(selected && hasText);
    EditDelete->setEnabled(selected);
    EditCut->setEnabled(selected);
    EditClear->setEnabled(hasNodes);
    EditCopy->setEnabled(hasNodes);
    EditPaste->setEnabled(FPasteReady);
    TreeCoding->setEnabled(hasNodes);
    TreeToCodeTable->setEnabled(hasNodes);
}

void TlumTreeToolDlg::TreeChanged() {
    FChanged = true;
    OpCtrl();
}

void TlumTreeToolDlg::SelectionChanged() {
    QTreeWidgetItem *node = Selected();
    edSelectNode->setText(node ? node->text(0) : QString());
    TreeChanged();
}

void TlumTreeToolDlg::NodeNewItemExecute() {
    if (edEditNode->text().isEmpty())
        return;
    QTreeWidgetItem *selected = Selected();
    auto *node = new QTreeWidgetItem(QStringList{edEditNode->text()});
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    if (selected)
        InsertAt(TVActive, selected->parent(),
                 selected->parent() ? selected->parent()->childCount()
                                    : TVActive->topLevelItemCount(),
                 node);
    else
        TVActive->addTopLevelItem(node);
    TVActive->setCurrentItem(node);
    TreeChanged();
}

void TlumTreeToolDlg::NodeNewSubItemExecute() {
    if (edEditNode->text().isEmpty())
        return;
    QTreeWidgetItem *selected = Selected();
    auto *node = new QTreeWidgetItem(QStringList{edEditNode->text()});
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    if (selected) {
        selected->addChild(node);
        selected->setExpanded(true);
    } else {
        TVActive->addTopLevelItem(node);
    }
    TVActive->setCurrentItem(node);
    TreeChanged();
}

void TlumTreeToolDlg::NodeReplaceTextExecute() {
    QTreeWidgetItem *selected = Selected();
    if (!selected || edEditNode->text().isEmpty())
        return;
    selected->setText(0, edEditNode->text());
    edSelectNode->setText(selected->text(0));
    TreeChanged();
}

void TlumTreeToolDlg::TreeApplyExecute() {
    DBVCLink->UpdateVCL();
    FApplied = true;
    OpCtrl();
}

void TlumTreeToolDlg::TreeCodingExecute() {
    // Under level coding a node holds only its own segment, so a child's number stands alone;
    // a plain tree holds full codes, so a child's code starts with its parent's.
    const bool levelCoded = TreeTag(TVActive) & 1;
    const bool keep = ckReserver->isChecked();
    {
        const QSignalBlocker quiet(TVActive);
        for (QTreeWidgetItemIterator it(TVActive); *it; ++it) {
            QTreeWidgetItem *node = *it;
            QString code, text;
            SeparateCode(node->text(0), code, text);
            if (keep && !code.isEmpty())
                continue;
            QTreeWidgetItem *parent = node->parent();
            const int width =
                parent ? static_cast<int>(QString::number(parent->childCount()).size()) : 0;
            const QString seq = QString::number(IndexOf(node) + 1).rightJustified(width, u'0');
            QString prefix;
            if (parent && !levelCoded) {
                QString parentText;
                SeparateCode(parent->text(0), prefix, parentText);
            }
            node->setText(0, prefix + seq + u',' + text);
        }
    }
    TVActive->viewport()->update();
    SelectionChanged();
}

void TlumTreeToolDlg::EditClearExecute() {
    if (!Confirm(QStringLiteral("刪除所有節點,確定嗎?")))
        return;
    TVActive->clear();
    SelectionChanged();
}

void TlumTreeToolDlg::TreeToCodeTableExecute() {
    // The converter reads the stored tree: what is edited here is written first.
    if (FChanged)
        TreeApplyExecute();
    TDelphiVCLCDS documents;
    documents.Open();
    QString mainCode;
    if (documents.Locate(QStringLiteral("VCLName"), Variant(DBVCLink->VCLName())))
        mainCode = documents.FieldByName(QStringLiteral("Main_Code"))->AsString().trimmed();
    if (mainCode.compare(QStringLiteral("TREE"), Qt::CaseInsensitive) == 0)
        mainCode.clear();
    bool ok = false;
    mainCode = QInputDialog::getText(this, TreeToCodeTable->text(), QStringLiteral("類別代號:"),
                                     QLineEdit::Normal, mainCode, &ok)
                   .trimmed();
    if (!ok || mainCode.isEmpty())
        return;
    TLumTreeAndTableTransfer transfer(this);
    transfer.ExecuteTreeToCodeTable(DBVCLink->VCLName(), mainCode);
}

QString TlumTreeToolDlg::CachedFileVersion() {
    return FormatDateTime(QStringLiteral("mmdd\".\"hhnn"), Now());
}

void TlumTreeToolDlg::TreeToCachedFileExecute() {
    if (!SysVersionServer)
        throw EVersion(QStringLiteral("The version server is not available"));
    const QString fileName = DBVCLink->VCLName() + QStringLiteral(".VCL");
    // The tree's own settings travel with the file, so its coding rule does too.
    const QByteArray bytes = Big5Encode(
        TreeViewToText(TVActive, TreeTextWithTag(DBVCLink->Settings, TreeTag(TVActive))), true);
    const QString version = CachedFileVersion();
    const QString description = DBVCLink->Description;
    bool accepted = false;
    {
        auto disconnect = qScopeGuard([] {
            try {
                SysVersionServer->SetConnected(false);
            } catch (...) {
            }
        });
        CheckVersionCall(SysVersionServer->UpdateDocFile(fileName, version, description,
                                                         Variant(bytes),
                                                         static_cast<int>(bytes.size()), accepted));
    }
    if (!accepted)
        throw EVersion(QStringLiteral("上傳失敗"));
    // This client holds the published file at once, recorded as the version it downloaded.
    const QString folder = ProgramFolder() + QStringLiteral("TemplateDocs");
    QDir().mkpath(folder);
    QSaveFile file(folder + u'/' + fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EInOutError(QStringLiteral("Cannot write file %1").arg(file.fileName()));
    TRegistry reg(TRootKey::HKEY_CURRENT_USER);
    if (reg.OpenKey(TDataFiles::RegKey + fileName, true)) {
        reg.WriteString(QStringLiteral("FileVersion"), version);
        reg.WriteString(QStringLiteral("FileDescription"), description);
    }
}

void TlumTreeToolDlg::EditCopyExecute() {
    TVCopy->clear();
    if (QTreeWidgetItem *selected = Selected())
        TVCopy->addTopLevelItem(selected->clone());
    else
        for (int i = 0; i < TVActive->topLevelItemCount(); ++i)
            TVCopy->addTopLevelItem(TVActive->topLevelItem(i)->clone());
    FPasteReady = true;
    OpCtrl();
}

void TlumTreeToolDlg::EditCutExecute() {
    EditCopyExecute();
    if (QTreeWidgetItem *selected = Selected())
        delete selected;
    else
        TVActive->clear();
    SelectionChanged();
}

void TlumTreeToolDlg::EditDeleteExecute() {
    QTreeWidgetItem *selected = Selected();
    if (!selected || !Confirm(QStringLiteral("資料節點,確定刪除嗎?")))
        return;
    delete selected;
    SelectionChanged();
}

void TlumTreeToolDlg::EditPasteExecute() {
    QTreeWidgetItem *selected = Selected();
    QTreeWidgetItem *previous = nullptr;
    for (int i = 0; i < TVCopy->topLevelItemCount(); ++i) {
        QTreeWidgetItem *copy = TVCopy->topLevelItem(i)->clone();
        MakeEditable(copy);
        if (previous)
            InsertAt(TVActive, previous->parent(), IndexOf(previous) + 1, copy);
        else if (selected)
            selected->addChild(copy);
        else
            TVActive->addTopLevelItem(copy);
        previous = copy;
    }
    if (!previous)
        return;
    if (selected)
        selected->setExpanded(true);
    TreeChanged();
}

void TlumTreeToolDlg::TVActiveDragDrop(QTreeWidgetItem *node, const QPoint &viewportPos) {
    if (!node || node->treeWidget() != TVActive)
        return;
    QTreeWidgetItem *target = nullptr;
    const TTreeDragView::THitPart part = TVActive->HitTest(viewportPos, &target);
    if (part == TTreeDragView::htNowhere || !target)
        return;
    // A node cannot go into its own subtree.
    for (const QTreeWidgetItem *p = target; p; p = p->parent())
        if (p == node)
            return;
    TakeOut(node);
    if (part == TTreeDragView::htOnItem) {
        InsertAt(TVActive, target->parent(), IndexOf(target), node);
    } else {
        target->addChild(node);
        target->setExpanded(true);
    }
    TVActive->setCurrentItem(node);
    TreeChanged();
}

bool HandleTreeEdit(const QString &treeName, TTreeEditStyle editStyle) {
    TlumTreeToolDlg form;
    if (!form.LoadTree(treeName, editStyle))
        return false;
    return form.Execute();
}
