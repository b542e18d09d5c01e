#pragma once
// The bulk operations on grid selections that the extended forms (TBaseTBExtForm,
// TBaseTBExtV2Form) and the extended query form (TBaseTBQCDS_V2) share: select rows (all, or
// those a test accepts), change the selected rows, copy them into another dataset, each ending
// with the changes written to the server; their actions and the rules that enable them; the
// copy/paste of chosen fields, the flow-chart document and the naming of sent datasets.

#include <QString>
#include <functional>
#include <memory>

class QAction;
class QObject;
class QMenu;
class QWidget;
class TAction;
class TBaseTBForm;
class TClientDataSet;
class TDBCheckListBox;
class TDBGrid;
class TDataSet;
class TOfficeViewer;

// A test of the dataset's current row.
using TCheckFunEvent = std::function<bool(TDataSet *dataSet)>;
using TBQCheckFunEvent = TCheckFunEvent;
// Copies the source's current row into the destination.
using TCopyDataEvent = std::function<void(TDataSet *source, TDataSet *destination)>;
using TBQCopyDataEvent = TCopyDataEvent;

// The grid and data actions of the extended forms, built on a table form. All start disabled
// and hidden; the job form shows those it uses and gives them their handlers.
struct TGridActions {
    TAction *ActGridClear = nullptr, *ActGridSelectAll = nullptr, *ActGridCopyInto = nullptr,
            *ActGridDelete = nullptr, *ActGridChange = nullptr, *ActGridActiveAll = nullptr,
            *DataPaste = nullptr, *ActFlowChart = nullptr;
    // The copy/paste of chosen fields, checking and posting (the V2 forms).
    TAction *ActGridCopyFieldsSet = nullptr, *ActGridCopy = nullptr, *ActGridPaste = nullptr,
            *DataCheck = nullptr, *DataCheckCancel = nullptr, *DataPosting = nullptr,
            *DataPostingCancel = nullptr, *DataSorting = nullptr;

    enum TKind { Extended, ExtendedV2, QueryV2 };
    // Builds the actions of a kind of form on the table form: captions, hints, categories and
    // the menus they belong to; BuildV2 adds those of the V2 forms.
    void Build(TBaseTBForm *form, TKind kind);
    void BuildV2(TBaseTBForm *form, TKind kind);

    // The grid part of the action rules. gridActive holds the rows to change or delete,
    // gridSelect the candidates to copy; either may be absent.
    void GridOpCtrl(TDBGrid *gridActive, TDBGrid *gridSelect) const;
    // The rules of the field copy and paste of the V2 forms.
    void V2OpCtrl(TDBGrid *gridActive, const TClientDataSet *copyDataSet) const;
};

class TGridOperations {
public:
    // opCtrl brings the form's actions in line; dataChange writes a dataset's changes to the
    // server (the form's confirm).
    TGridOperations(QWidget *form, std::function<void()> opCtrl,
                    std::function<void(TDataSet *)> dataChange);
    ~TGridOperations();
    TGridOperations(const TGridOperations &) = delete;
    TGridOperations &operator=(const TGridOperations &) = delete;

    // Clears the selection of every grid of the form.
    void GridSelectedClear();
    // Selects every row of the grid's dataset, or those the test accepts.
    void GridSelectAll(TDBGrid *grid, const TCheckFunEvent &check);
    // Calls proc on every selected row in selection order, clears the selection and confirms.
    void GridSelectedUpdate(TDBGrid *grid, const std::function<void(TDataSet *)> &proc);
    // Copies every selected row into target, clears the selection and confirms target. With
    // backToRow the grid's dataset returns to the row it was on.
    void GridSelectedCopyInto(TDBGrid *grid, TDataSet *target, const TCopyDataEvent &copy,
                              bool backToRow);

    // The flow-chart document, opened with the desktop's application.
    QString FlowChartFile;
    void ActFlowChartExecute();
    // Shows documents for ActFlowChartExecute; the desktop's when none is given.
    void SetViewer(std::unique_ptr<TOfficeViewer> viewer);

private:
    QWidget *FForm;
    std::function<void()> FOpCtrl;
    std::function<void(TDataSet *)> FDataChange;
    std::unique_ptr<TOfficeViewer> FViewer;
};

// The received data name, form name + "." + data name, in its two parts.
void SplitDataName(const QString &name, QString &formName, QString &dataName);
// The field of a field check-list's clicked item shows exactly when the item is checked.
void FieldsListClickCheck(QObject *sender);
// The program's folder of templates.
QString TemplateDocsDir();
// Closes the dataset, shows the transfer dialog while it opens; always drops the form's
// connections and closes the dialog.
void OpenRemote(TBaseTBForm *form, TClientDataSet *dataSet);
// Posts a pending edit and applies the changes with no error allowed; always drops the
// form's connections. Nothing for a closed dataset.
void ApplyRemote(TBaseTBForm *form, TClientDataSet *dataSet);
