#pragma once
// Converting between a stored code tree and the rows of one category of the code table
// ("代碼樹與代碼總表轉換"). The tree is built from the category's rows level by level, or the
// rows are written from the tree; the rows stay in the dataset's change log until "確認"
// applies them to the server together with the tree document, and "取消" drops them.

#include "Actions.h"

#include <QDialog>

class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLineEdit;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class TCodeTableCDS;
class TDataSource;
class TDBDelphiVCL;
class TDBGridModel;
class TDelphiVCLCDS;

class TLumTreeAndTableTransfer : public QDialog {
    Q_OBJECT
public:
    explicit TLumTreeAndTableTransfer(QWidget *parent = nullptr);
    ~TLumTreeAndTableTransfer() override;

    QGroupBox *gbTree = nullptr;
    QTreeWidget *TreeView = nullptr;
    QLineEdit *edDescript = nullptr;
    QLineEdit *edTreeName = nullptr;
    QGroupBox *gbTable = nullptr;
    QLineEdit *edMainCode = nullptr;
    QCheckBox *ckParent = nullptr;
    QTableView *DBGrid = nullptr;
    TDBGridModel *GridModel = nullptr;
    TCodeTableCDS *CodeTableCDS = nullptr;
    TDataSource *CodeTableSource = nullptr;
    TDelphiVCLCDS *VCLDataSet = nullptr;
    TDBDelphiVCL *VCLTreeData = nullptr;
    QFileDialog *SaveDialog = nullptr;
    TAction *ActToTree, *ActToTable, *actSure, *actCancel, *ActReLoad, *WindowClose, *ActTreeToFile,
        *ActColor, *ActFont;

    // Builds the tree of treeName from the rows of mainCode (treeLevel 1: level coded).
    bool ExecuteTableToTree(const QString &mainCode, const QString &treeName, int treeLevel);
    // Writes the tree of treeName into the rows of mainCode.
    bool ExecuteTreeToCodeTable(const QString &treeName, const QString &mainCode);
    // The Execute functions' preparations without showing the form.
    void PrepareTableToTree(const QString &mainCode, const QString &treeName, int treeLevel);
    void PrepareTreeToCodeTable(const QString &treeName, const QString &mainCode);

    const QString &GetMainCode() const { return FMainCode; }
    void SetMainCode(const QString &mainCode);
    // The tree's description.
    QString GetMainName() const;
    void SetMainName(const QString &name);
    const QString &GetTreeName() const { return FTreeName; }
    void SetTreeName(const QString &treeName);
    int TreeLevel() const { return FTreeLevel; }
    void SetTreeLevel(int treeLevel);
    bool Changed() const { return FChanged; }
    // The first node, in tree order, whose full code is code.
    QTreeWidgetItem *FindNode(const QString &code) const;
    // The stored tree again (or an unnamed empty one when none is stored), pending rows dropped.
    void TreeReset();
    // Gives the stored tree the category when it names another one.
    void CheckVCLMainCode();
    // Enables "確認" and "取消" when rows are pending or the tree changed.
    void UpdateActions();

    void ActToTreeExecute();
    void ActToTableExecute();
    void actSureExecute();
    void actCancelExecute();
    void ActReLoadExecute();
    void ActTreeToFileExecute();

protected:
    void done(int result) override;

private:
    void BuildComponents();
    void BuildActions();
    void RefreshCodeTable();
    void TreeViewChange(QTreeWidgetItem *node);
    void ckParentClick();
    QString CategoryFilter() const;
    bool Exec();

    bool FChanged = false;
    int FTreeLevel = 0;
    QString FMainCode;
    QString FTreeName;
    QStringList FSettings;
};
