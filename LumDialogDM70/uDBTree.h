#pragma once
// Code trees. A hierarchical code table (units, post-code areas, accounting notes) is shown as
// a tree whose node texts are "code,text". With level coding (bit 0 of the tree view's Tag,
// the check box "階層式編碼") a node holds only its own code segment and its full code is the
// segments from the root down; without it a node's full code is its own segment.
//
// TDBTreeForm shows one tree, lets the user pick a node modally or non-modally (docked, then
// every selection is reported to the open forms with the tree-code message 33671), and
// converts a tree between dataset rows (code, level, parent, text), a stored tree document on
// the server and a tab-indented text file.
//
// TTreeCodeDialog is the component forms drop to use a tree; its subclasses say where the tree
// comes from: dataset rows (TDBTreeCodeDialog), a stored tree (TVCLTreeCodeDialog) or a file
// (TFileTreeCodeDialog).

#include "Component.h"
#include "Form.h"

#include <QColor>
#include <QFont>
#include <QString>

class QCheckBox;
class QColorDialog;
class QFontDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TClientDataSet;
class TDataSet;
class TDataSource;
class TDBDelphiVCL;
class TDockArea;
class QAction;

// ---- the tree-code message (33671) ----

// Sends "MessageType", "Code", "Description", "TraceText", "Level" and "HasChild" ("1"/"0") to
// every open form; returns when all have handled it.
void TreeCodeSender(const QString &messageType, const QString &code, const QString &description,
                    const QString &traceText, int level, bool hasChild);
// Reads a tree-code message. "Level" and "HasChild" must be decimal integers (EConvertError).
void TreeCodeReceiver(const TMessage &message, QString &messageType, QString &code,
                      QString &description, QString &traceText, int &level, bool &hasChild);

// ---- the tree form ----

class TDBTreeForm : public TForm {
    Q_OBJECT
public:
    explicit TDBTreeForm(QWidget *parent = nullptr);
    QString ClassName() const override { return QStringLiteral("TDBTreeForm"); }

    QLabel *Label1 = nullptr;
    QLineEdit *ECode = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *EDescript = nullptr;
    QLabel *lbLevel = nullptr;
    QCheckBox *ckEncode = nullptr;
    QTreeWidget *TreeView = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *N1 = nullptr;
    QAction *N2 = nullptr;
    TDBDelphiVCL *DBDelphiVCL = nullptr;

    // Builds the tree level by level from rows: level 0 first, each row under the first node
    // (in tree order) whose full code is the row's parent, or at the root. The first level
    // without rows ends the load. The dataset's filter and filtering switch are restored.
    void LoadFromTable(TDataSet *dataSet, const QString &codeField, const QString &levelField,
                       const QString &parentField, const QString &textField, bool levelCoding);
    // Loads the stored tree of that name; the caption becomes its description.
    void LoadFromVCL(const QString &treeName);
    // Loads a tab-indented tree file (Big5, or UTF-8 with a byte-order mark).
    void LoadFromFile(const QString &fileName, bool levelCoding);

    // Writes the tree back to rows: rows whose code is no node's full code are deleted, the
    // others appended or edited, and everything is applied to the server in one batch that
    // tolerates no error. On failure every pending change is cancelled and the error raised.
    // With a main code only the rows of that category are seen, and new rows get it.
    void SaveToTable(TClientDataSet *clientDataSet, const QString &codeField,
                     const QString &levelField, const QString &parentField,
                     const QString &textField, const QString &mainCode);
    // Writes the tree as the stored tree of that name, with its description.
    void SaveToVCL(const QString &vclName, const QString &description);
    // Writes the tree as a tab-indented Big5 file.
    void SaveToFile(const QString &fileName);

    // Modal pick with OK; true when closed with OK.
    bool ExecuteModal(const QString &code);
    // Shows the tree non-modally (dockable) and reports every selection with messageType.
    void ExecuteShow(const QString &code, const QString &messageType);

    QString GetCode() const;
    QString GetDescription() const;
    // The texts (without codes) of the selected node's ancestors and itself, root first.
    QString GetTraceText() const;
    // Locates the code unless it is the one shown already.
    void SetCode(const QString &code);
    // Selects the node of the code: with level coding segment by segment from the roots, else
    // the first node whose text contains the code.
    void LocateCode(const QString &code);
    // The first node in tree order whose full code is code, or nullptr.
    QTreeWidgetItem *FindNode(const QString &code) const;

    // The full code of a node under the tree's level coding.
    QString FullCode(const QTreeWidgetItem *node) const;
    bool Reporting() const { return FSendMessage; }
    const QString &MessageType() const { return FMessageType; }
    bool ModalOK() const { return FModalOK; }

    void N1Click();
    void N2Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildComponents();
    void SetLevelCoding(bool levelCoding);
    void TreeViewChange(QTreeWidgetItem *node);
    void DBDelphiVCLAfterLoaded();
    void WriteRows(TClientDataSet *dataSet, const QString &codeField, const QString &levelField,
                   const QString &parentField, const QString &textField, const QString &mainCode);

    bool FSendMessage = false;
    QString FMessageType;
    bool FModalOK = false;
    bool FInModalLoop = false;
    std::function<void()> FQuitModal;
};

// ---- the tree components ----

class TTreeCodeDialog : public TComponent {
    Q_OBJECT
public:
    explicit TTreeCodeDialog(QObject *owner = nullptr);
    ~TTreeCodeDialog() override;

    // Picks a node modally; on OK Code, Description and TraceText take the chosen node's.
    bool Execute();
    // Shows the tree non-modally, docked into dockSite when one is given; nothing happens while
    // a tree window of this component is shown.
    void ExecuteShow(TDockArea *dockSite = nullptr);
    // Frees the tree window, if any.
    void Close();
    // Code + "," + Description.
    QString GetText() const { return Code + u',' + Description; }

    // Convert the tree of this component's source: from the shown window when there is one,
    // else from a form loaded for the purpose.
    void SaveToFile(const QString &fileName);
    void SaveToTable(TClientDataSet *clientDataSet, const QString &codeField,
                     const QString &levelField, const QString &parentField,
                     const QString &textField, const QString &mainCode);
    void SaveToVCL(const QString &vclName, const QString &description);

    // Fills the form's tree from this component's source.
    virtual void LoadFrom(TDBTreeForm *form) = 0;

    bool Shown() const { return FShown; }
    bool Docked() const { return FDocked; }
    // The tree window of a non-modal show, or nullptr.
    TDBTreeForm *Form() const { return FForm; }

    QString Caption;
    bool LevelCoding = false;
    QString Description;
    QString Code;
    QString TraceText;
    QColor BKColor;
    QString MessageType;
    const QFont &TreeFont() const { return FTreeFont; }
    void SetTreeFont(const QFont &font) { FTreeFont = font; }

private:
    // Caption, font and colour of the component, then the tree of its source.
    void Prepare(TDBTreeForm *form);
    template <class Save> void SaveWith(const Save &save);

    bool FShown = false;
    bool FDocked = false;
    QFont FTreeFont;
    // The tree window of a non-modal show; cleared when the window goes.
    TDBTreeForm *FForm = nullptr;
};

// A tree from dataset rows; the field names default to those of the system code table.
class TDBTreeCodeDialog : public TTreeCodeDialog {
    Q_OBJECT
public:
    explicit TDBTreeCodeDialog(QObject *owner = nullptr);
    ~TDBTreeCodeDialog() override;
    QString ClassName() const override { return QStringLiteral("TDBTreeCodeDialog"); }

    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *dataSource);
    const QString &CodeFieldName() const { return FCodeFieldName; }
    void SetCodeFieldName(const QString &name);
    const QString &LevelFieldName() const { return FLevelFieldName; }
    void SetLevelFieldName(const QString &name);
    const QString &ParentFieldName() const { return FParentFieldName; }
    void SetParentFieldName(const QString &name);
    const QString &TextFieldName() const { return FTextFieldName; }
    void SetTextFieldName(const QString &name);

    // Raises "DataSet or FieldName Not Assigned" without a data source, dataset or that field.
    void CheckField(const QString &fieldName) const;
    void LoadFrom(TDBTreeForm *form) override;
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    TDataSource *FDataSource = nullptr;
    QString FCodeFieldName = QStringLiteral("Code");
    QString FLevelFieldName = QStringLiteral("ALevel");
    QString FParentFieldName = QStringLiteral("AParent");
    QString FTextFieldName = QStringLiteral("Descript");
};

// A stored tree of the server, by name.
class TVCLTreeCodeDialog : public TTreeCodeDialog {
    Q_OBJECT
public:
    explicit TVCLTreeCodeDialog(QObject *owner = nullptr) : TTreeCodeDialog(owner) {}
    QString ClassName() const override { return QStringLiteral("TVCLTreeCodeDialog"); }
    const QString &TreeName() const { return FTreeName; }
    void SetTreeName(const QString &name) { FTreeName = name; }
    // Raises "TreeName Is Null" without a tree name.
    void LoadFrom(TDBTreeForm *form) override;

private:
    QString FTreeName;
};

// A tab-indented tree file.
class TFileTreeCodeDialog : public TTreeCodeDialog {
    Q_OBJECT
public:
    explicit TFileTreeCodeDialog(QObject *owner = nullptr) : TTreeCodeDialog(owner) {}
    QString ClassName() const override { return QStringLiteral("TFileTreeCodeDialog"); }
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &name) { FFileName = name; }
    // Raises "File Not Exists" when the file is missing.
    void LoadFrom(TDBTreeForm *form) override;

private:
    QString FFileName;
};
