#pragma once
// The student query on "SrvAcademic.AcadStudentINTF": the criteria (class, sex, status, a
// birthday range, part of the name) and the advanced condition make the WHERE clause of the
// query over the roll; the rows show the coded fields by their names, in the order ticked on
// the sort page, and print as the school's student list.

#include "uBaseTBQueryFormCDS.h"

class QLineEdit;
class TLUMDBCodeComboBox;
class TWRMultiLabel;

class TStdQueryForm : public TBaseTBQueryFormCDS {
    Q_OBJECT
public:
    TStdQueryForm();
    ~TStdQueryForm() override;

    TLUMDBCodeComboBox *cbClass, *cbSex, *cbState;
    QLineEdit *edBirthFrom, *edBirthTo, *edName;
    TWRMultiLabel *WRMultiLabel;

    void DoQueryCommand() override;
    void DoBeforePrint() override;
    void DoFormInitial() override;
};
