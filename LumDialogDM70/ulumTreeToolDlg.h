#pragma once
// The tree editor ("樹狀結構編輯工具"): edits a stored code tree by hand (new nodes and
// subnodes, replaced texts, copy, cut, paste through a clipboard tree, delete, drag and drop),
// numbers its nodes automatically, writes it back to its stored document and publishes it as
// a cached file (tree name + ".VCL") in the template list of the version server, from which
// clients take it into TemplateDocs/ and pick codes from it without asking the server.

#include "Actions.h"

#include <QDialog>
#include <QFlags>
#include <QTreeWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolBar;
class TDBDelphiVCL;

// The tools of the editor that a caller offers besides editing.
enum TTreeEditStyleItem {
    tesToCodeTable = 0x1,  // "轉入代碼總表": convert the tree into the code table
    tesToCachedFile = 0x2, // "建立快速檔": publish the cached file
    tesCoding = 0x4        // "自動編碼": automatic coding
};
Q_DECLARE_FLAGS(TTreeEditStyle, TTreeEditStyleItem)
Q_DECLARE_OPERATORS_FOR_FLAGS(TTreeEditStyle)

// The editor's tree: a node is dragged with the mouse held down and dropped on another node;
// where it lands depends on the part of the target hit.
class TTreeDragView : public QTreeWidget {
    Q_OBJECT
public:
    // What a point of the tree is over: the node's label (or icon), its expand button, the
    // indentation left of it, or nothing of a node (right of the label, below the last row).
    enum THitPart { htNowhere, htOnItem, htOnButton, htOnIndent };
    explicit TTreeDragView(QWidget *parent = nullptr);
    THitPart HitTest(const QPoint &viewportPos, QTreeWidgetItem **node = nullptr) const;
    // The rectangle of a node's label in viewport coordinates.
    QRect LabelRect(const QTreeWidgetItem *node) const;
    bool DragEnabled() const { return FDragEnabled; }
    void SetDragEnabled(bool enabled);
    bool Dragging() const { return FDragging != nullptr; }

Q_SIGNALS:
    // A node was dropped at a point of the viewport.
    void NodeDropped(QTreeWidgetItem *node, const QPoint &viewportPos);
    // An in-place edit of a node began.
    void EditingStarted(QTreeWidgetItem *node);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    bool FDragEnabled = true;
    QTreeWidgetItem *FPressed = nullptr;
    QTreeWidgetItem *FDragging = nullptr;
    QPoint FPressPos;
};

class TlumTreeToolDlg : public QDialog {
    Q_OBJECT
public:
    explicit TlumTreeToolDlg(QWidget *parent = nullptr);
    ~TlumTreeToolDlg() override;

    QLineEdit *edVCLName = nullptr;
    QLineEdit *edVCLDescript = nullptr;
    QGroupBox *gbEdit = nullptr;
    QLineEdit *edSelectNode = nullptr;
    QLineEdit *edEditNode = nullptr;
    QGroupBox *rgCoding = nullptr;
    QRadioButton *rbPlain = nullptr;
    QRadioButton *rbLevel = nullptr;
    TTreeDragView *TVActive = nullptr;
    QTreeWidget *TVCopy = nullptr;
    QCheckBox *ckCoding = nullptr;
    QCheckBox *ckReserver = nullptr;
    QToolBar *ToolBar = nullptr;
    QMenu *PopupMenu = nullptr;
    QPushButton *btnApply = nullptr;
    TDBDelphiVCL *DBVCLink = nullptr;

    TAction *NodeNewItem, *NodeNewSubItem, *NodeReplaceText, *TreeApply, *TreeCoding, *EditClear,
        *TreeToCodeTable, *TreeToCachedFile, *EditCopy, *EditCut, *EditDelete, *EditPaste;

    // Loads the stored tree and offers the tools of the style; false (nothing loaded) when the
    // server holds no tree of that name.
    bool LoadTree(const QString &treeName, TTreeEditStyle style);
    // Shows the loaded tree modally; true when the tree was written back while it was open.
    bool Execute();

    bool Changed() const { return FChanged; }
    bool Applied() const { return FApplied; }
    // The selected node, or nullptr.
    QTreeWidgetItem *Selected() const;
    // Enables the actions from the editor's state.
    void OpCtrl();

    void NodeNewItemExecute();
    void NodeNewSubItemExecute();
    void NodeReplaceTextExecute();
    void TreeApplyExecute();
    void TreeCodingExecute();
    void EditClearExecute();
    void TreeToCodeTableExecute();
    void TreeToCachedFileExecute();
    void EditCopyExecute();
    void EditCutExecute();
    void EditDeleteExecute();
    void EditPasteExecute();
    // Moves node by what the point of the tree's viewport is over: before the node whose label
    // is hit, as the last child of the node whose button or indentation is hit.
    void TVActiveDragDrop(QTreeWidgetItem *node, const QPoint &viewportPos);

    // The version text of a cached file published now: "mmdd"."hhnn".
    static QString CachedFileVersion();

private:
    void BuildComponents();
    void BuildActions();
    void SetEditing(bool editing);
    void TreeChanged();
    void SelectionChanged();
    void AfterLoaded();

    bool FChanged = false;
    bool FApplied = false;
    bool FPasteReady = false;
    TTreeEditStyle FStyle;
};

// Edits the stored tree; false without a message when there is no such tree, else whether the
// tree was written back.
bool HandleTreeEdit(const QString &treeName, TTreeEditStyle editStyle);
