#pragma once
// TChangeDataForm: one change applied to many rows of a table at once. The user selects rows
// in the grid (or all of them), and the job form's "變更設定" changes each selected row; after
// the form is initialised the whole batch is confirmed to the server in one apply.

#include "uGridOperations.h"
#include "uSingalTBForm.h"

class QSplitter;
class TDBCheckListBox;
class TDBGrid;

class TChangeDataForm : public TSingalTBForm {
    Q_OBJECT
public:
    explicit TChangeDataForm(QWidget *parent = nullptr);
    ~TChangeDataForm() override;
    QString ClassName() const override { return QStringLiteral("TChangeDataForm"); }

    TDBCheckListBox *dbclbFields = nullptr;
    QSplitter *Splitter1 = nullptr;
    TDBGrid *GridActive = nullptr;
    TAction *ActSelectClear = nullptr, *ActSelectAll = nullptr, *ActChangeData = nullptr;

    void ActSelectAllExecute();
    void ActSelectClearExecute();
    // Calls proc with the dataset on every selected row, in selection order; then clears the
    // selection and, once the form is initialised, confirms the changes.
    void SelectRowsDataChange(const std::function<void(TDataSet *)> &proc);
    void dbclbFieldsClickCheck(TDBCheckListBox *sender);
    bool AutoConfirm() const { return FAutoConfirm; }

    void OpCtrl() override;
    void DoFormInitial() override;

private:
    bool FAutoConfirm = false;
    TGridOperations FOperations;
};
