#pragma once
// 班級學生週缺曠課統計表: the weekly absence statistics of one class, or of every class, for the
// term and the weeks beginning in the period chosen (last month when the form opens). Every
// class of the school makes a long run: its layout shows the progress window.

#include "uAcadReportJobForm.h"

class QDateEdit;

class TClassAbsWeeklyForm : public TAcadReportJobForm {
    Q_OBJECT
public:
    TClassAbsWeeklyForm();

    QDateEdit *deFromDate, *deToDate;
    TLUMDBCodeComboBox *cbClass; // "(全部)": every class

    std::unique_ptr<TQuickRep> MakeReport() override;
};
