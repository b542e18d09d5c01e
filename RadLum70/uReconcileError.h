#pragma once
// When the application server refuses a changed row while a client dataset's changes are being
// confirmed, the dataset asks its reconcile-error handler what to do with that row. This unit
// is that handler: a modal dialog that shows the row's values (the client's new ones, the ones
// they replaced and the server's conflicting ones), lets the user pick the action and correct
// the new values in place; and TReconcileError, the component a form drops to make the dialog
// the handler of all its client datasets.

#include "ClientDataSet.h"
#include "Component.h"
#include "Form.h"

#include <vector>

class QButtonGroup;
class QCheckBox;
class QEventLoop;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;
class TReconcileCellDelegate;

// One data field of the refused row with its values as the dialog shows them.
struct TReconcileField {
    TField *Field = nullptr;
    QString NewValue;  // the client's value; empty for a deletion
    QString OldValue;  // the value the change replaced; empty for an insertion
    QString CurValue;  // the server's value where it conflicts, else "<未更動>"
    QString EditValue; // the user's correction
    bool Modified = false;
};

class TReconcileErrorForm : public TForm {
    Q_OBJECT
public:
    TReconcileErrorForm(TDataSet *dataSet, TUpdateKind updateKind, const EReconcileError &error);
    ~TReconcileErrorForm() override;
    QString ClassName() const override { return QStringLiteral("TReconcileErrorForm"); }

    // Shows the dialog application-modal and returns when it is closed: true when closed with
    // OK (and any corrections were taken), false otherwise.
    bool ShowModal();
    // The action of the selected radio item.
    TReconcileAction Action() const;

    // The radio items, in the order shown, and the selected one (-1 when none).
    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TReconcileAction ActionAt(int index) const { return FActions.at(static_cast<size_t>(index)); }
    QRadioButton *ActionButton(int index) const;
    int ItemIndex() const;
    void SetItemIndex(int index);

    const std::vector<TReconcileField> &FieldValues() const { return FFields; }
    // Grid columns of the values; -1 when the column is not shown.
    int NewColIdx() const { return FNewColIdx; }
    int CurColIdx() const { return FCurColIdx; }
    int OldColIdx() const { return FOldColIdx; }
    // The field record shown in a grid row, or -1 (the "<無此記錄>" row).
    int FieldIndexOfRow(int row) const;
    // Whether a cell editor of the grid is open.
    bool IsEditing() const;

    // Fills the grid from the field records, the selected action and the check boxes.
    void DisplayFieldValues();

    QLabel *UpdateType;
    QPlainTextEdit *ErrorMsg;
    QLabel *IconImage;
    QGroupBox *ActionGroup;
    QPushButton *CancelBtn;
    QPushButton *OKBtn;
    QGroupBox *UpdateDataGroup;
    QTableWidget *UpdateData;
    QCheckBox *ConflictsOnly;
    QCheckBox *ChangedOnly;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildControls();
    void InitDataFields(TUpdateKind updateKind);
    void InitUpdateData(TUpdateKind updateKind);
    void InitReconcileActions();
    void SetFieldColumnWidths();
    void SetCell(int row, int column, const QString &text, bool editable);
    void CellEdited(QTableWidgetItem *item);
    // Writes the edited values into the fields' new values; on a value that does not fit its
    // field, says so, puts the cursor on it and returns false.
    bool WriteCorrections();
    void OKBtnClick();
    void CancelBtnClick();

    TDataSet *FDataSet;
    std::vector<TReconcileField> FFields;
    std::vector<int> FRowFields; // field record of each grid row
    std::vector<TReconcileAction> FActions;
    QButtonGroup *FActionButtons;
    TReconcileCellDelegate *FCellDelegate;
    int FNewColIdx = -1;
    int FCurColIdx = -1;
    int FOldColIdx = -1;
    bool FFilling = false;
    bool FAccepted = false;
    QEventLoop *FModalLoop = nullptr;
};

// Shows the dialog for a refused row of dataSet and returns the action chosen: raAbort when
// the user closes it other than with OK. For raCorrect the edited values have been written into
// the fields' new values.
TReconcileAction HandleReconcileError(TDataSet *dataSet, TUpdateKind updateKind,
                                      const EReconcileError &reconcileError);

// Dropped on a form: with AutoActive, every client dataset the form owns gets Execute as its
// reconcile-error handler once the form has been built. Setting AutoActive later installs the
// handler at once (True) or takes this component's handler away again (False).
class TReconcileError : public TComponent {
    Q_OBJECT
public:
    explicit TReconcileError(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TReconcileError"); }

    bool AutoActive() const { return FAutoActive; }
    void SetAutoActive(bool value);

    void Execute(TClientDataSet *dataSet, const EReconcileError &e, TUpdateKind updateKind,
                 TReconcileAction &action);
    // Whether the dataset's reconcile-error handler is this component's.
    bool IsHandlerOf(const TClientDataSet *dataSet) const;

    void Loaded() override;

private:
    QList<TClientDataSet *> OwnerDataSets() const;
    void Install();
    void Uninstall();

    bool FAutoActive = false;
};
