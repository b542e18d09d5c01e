#pragma once
// TRadBaseForm: the ancestor of every job form. It gives a job form a bottom tool bar with a
// close button, server connections that find their application server through a
// load-balancing broker and are dropped whenever the form is idle, the shared code tables
// opened at creation, the code-table server for key numbers, date and tree-code input on
// fields, the edit stamp written into records, and the inter-form messages.
//
// Descendants build their controls into ClientPanel and their non-visual components with the
// form as owner; the creation steps run once those exist (when the form finishes loading), and
// the one-time initialisation DoFormInitial runs at the first show.

#include "Actions.h"
#include "Form.h"

class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;
class TCalendarDialog;
class TClientAppsCDS;
class TCodeServer;
class TDataSet;
class TDataSource;
class TDataToExcelDialog;
class TField;
class TStringList;
class TVCLTreeCodeDialog;

class TRadBaseForm : public TForm {
    Q_OBJECT
public:
    explicit TRadBaseForm(QWidget *parent = nullptr);
    ~TRadBaseForm() override;
    QString ClassName() const override { return QStringLiteral("TRadBaseForm"); }

    // The area above the tool bar that job forms fill.
    QWidget *ClientPanel;
    QScrollArea *PageScroller1;
    QToolBar *ToolBar1;
    QToolButton *btnClose, *btnApply, *btnCancel;
    QAction *btnDivider0;
    QMenu *PopupMenuMain;
    TImageList ImageList;
    TCodeServer *CodeServer;
    // Exports a dataset (the form's data source, set by descendants) to a workbook.
    TDataToExcelDialog *ToExcelDialog;
    TCalendarDialog *CalendarDialog;
    TVCLTreeCodeDialog *TreeCodeDialog;
    TClientAppsCDS *ClientApps;

    TAction *ActTreeInput, *ActDateInput, *ExportToExcel, *WindowClose, *ActHelpDescription,
        *DataApplyUpdate, *DataCancelUpdate;
    // "欄位設定": the field setup of FieldsSetupSource. Hidden and disabled until a job form
    // names the data source whose fields the user may show and hide.
    TAction *ActFieldsSetup;
    TDataSource *FieldsSetupSource() const { return FFieldsSetupSource; }
    void SetFieldsSetupSource(TDataSource *source);
    QList<TAction *> Actions() const;

    // Brings actions and panels in line with the data state.
    virtual void OpCtrl() {}
    // The job form's one-time initialisation, at the first show.
    virtual void DoFormInitial() {}
    // The values of a tree-code message, in the order the tree-code receiver returns them.
    virtual void DoCheckCode(const QString &messageType, const QString &code,
                             const QString &description, const QString &traceText, int level,
                             bool hasChild);

    // Disconnects every socket connection of the form and resets the failure marks of the RAD
    // brokers among their brokers.
    void DisConnection();
    // The next key number of (majorId, minorId) with the prefix and format kept for that key.
    // Server errors reach the caller.
    int GetKeyValueEX(const QString &majorId, const QString &minorId, QString &prefix,
                      QString &formatStr);
    // Get-text handler: the lookup dataset's result for the field's own value, else the
    // field's own text.
    void GetLookUpText(TField *field, QString &text, bool displayText);
    QString GetUserID() const;
    QString GetUserName() const;
    // user name-yy/mm/dd(hh:nn)-IP address
    QString GetEditInfo() const;
    // Asks the main window to show the stored tree docked in its main area.
    void ShowVCLTreeAtMain(const QString &treeName);
    // Calendar input for a date field; raises "Field[%s] is Not Date Type" with the field
    // component's name for other fields.
    void DateInput(TField *field);
    // Tree-code input: the chosen code into codeField, and the full text (code,description)
    // or the description into textField; either field may be absent.
    void CodeInput(const QString &treeName, TField *codeField, TField *textField, bool useFullText);
    // Runs the client application with that file name.
    void Run(const QString &fileName);
    bool Confirm(const QString &message);
    // The file name of the client application whose description is the form's caption;
    // raises "[%s]is not found AppName" when none is.
    QString GetClientAppName();
    // The field setup for the data source's dataset under the caption `name`: every tick shows
    // or hides its field, and so the grid column, at once. Nothing without a dataset.
    void SelectFields(const QString &name, TDataSource *dataSource);
    // The text field of the records that pass keyField (a filter), through DBLookUpItems.
    void DBDataItems(TDataSet *dataSet, const QString &keyField, const QString &textField,
                     TStringList &items);

    // Creation steps: brokers for connections without one, cached code tables opened.
    virtual void FormCreate();
    void FormShow();
    virtual void FormClose(TCloseAction &action);
    void WindowCloseExecute();
    void ExportToExcelExecute();
    void ActHelpDescriptionExecute() {}
    bool FirstShow() const { return FFirstShow; }
    void Loaded() override;
    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    void showEvent(QShowEvent *event) override;
    void DMTreeCode(TMessage &message);

private:
    void BuildToolBar();
    void BuildActions();
    bool FFirstShow = true;
    bool FCreated = false;
    TDataSource *FFieldsSetupSource = nullptr;
};
