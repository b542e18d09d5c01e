#pragma once
// The batch change of students on "SrvAcademic.AcadStudentINTF" ("dspStdBasic"): the grid
// shows the students of the class chosen at the top (or all), the user selects rows, picks the
// new class, the new status or both, and "變更設定" writes them into every selected student;
// the batch is confirmed in one apply, the edit stamp on each row.

#include "uChangeDataForm.h"

class QLabel;
class TLUMDBCodeComboBox;

class TStdChangeClassForm : public TChangeDataForm {
    Q_OBJECT
public:
    TStdChangeClassForm();
    ~TStdChangeClassForm() override;

    // The class whose students the grid shows; empty for all.
    TLUMDBCodeComboBox *cbShowClass = nullptr;
    // The new values; an empty code leaves the field as it is.
    TLUMDBCodeComboBox *cbNewClass = nullptr, *cbNewState = nullptr;
    QLabel *lbSelected = nullptr;

    void ActChangeDataExecute();
    void DoFormInitial() override;
    void OpCtrl() override;

private:
    void ShowClass();
};
