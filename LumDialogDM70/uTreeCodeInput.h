#pragma once
// Picking one code from a code tree ("樹狀代碼輸入"). The tree is read from its cached file in
// the program folder's TemplateDocs/ (tree name + ".VCL", published by the tree editor and
// downloaded like the templates) when that file is there, else from the stored tree of the
// server. The coding rule (level coding, bit 0 of the tree's Tag) comes with the tree.

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TDBDelphiVCL;

class TTreeCodeInput : public QDialog {
    Q_OBJECT
public:
    explicit TTreeCodeInput(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *ECode = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *EDescript = nullptr;
    QCheckBox *ckEncode = nullptr;
    QTreeWidget *TreeView = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    TDBDelphiVCL *DBDelphiVCL = nullptr;

    // Loads the tree (the file treeFileName when given, else the cached file of the tree when
    // it exists, else the stored tree), preselects code and shows the form modally. True only
    // when closed with OK. levelCoding is not used: the rule comes from the loaded tree.
    bool Execute(const QString &treeName, const QString &code, const QString &treeFileName,
                 bool levelCoding);
    // Execute's loading alone: the tree and the caption, without showing the form.
    void LoadTree(const QString &treeName, const QString &treeFileName);

    QString GetCode() const;
    QString GetDescription() const;
    // The texts (without codes) of the chosen node's ancestors and itself, root first.
    QString GetTraceText() const;
    // Locates the code unless it is the one shown already.
    void SetCode(const QString &code);
    // With level coding segment by segment from the roots, else the first node whose text
    // contains the code; a code not found is shown with an empty meaning.
    void LocateCode(const QString &code);

    const QString &TreeName() const { return FTreeName; }
    // The file the tree was read from; empty when it came from the stored tree.
    const QString &LoadedFileName() const { return FLoadedFileName; }

private:
    void ShowNode(QTreeWidgetItem *node);
    void SetLevelCoding(bool levelCoding);

    bool FOK = false;
    QString FTreeName;
    QString FTreeFileName;
    QString FLoadedFileName;
};

// Picks a code from the tree; on OK code and description take the chosen node's.
bool HandleTreeCodeInput(const QString &treeName, QString &code, QString &description,
                         const QString &treeFileName = QString(), bool levelCoding = false);
// As HandleTreeCodeInput, also giving the chosen node's trace text.
bool HandleTreeCodeInput(const QString &treeName, QString &code, QString &description,
                         QString &traceText, const QString &treeFileName, bool levelCoding);
