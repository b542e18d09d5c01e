#pragma once
// 學生每週缺曠課通知單: the letters of a class or of students for the term and period chosen.

#include "uAcadNoticeJobForm.h"

class TAbsWeeklyNotifyForm : public TAcadNoticeJobForm {
    Q_OBJECT
public:
    TAbsWeeklyNotifyForm();

protected:
    std::unique_ptr<TLumQrEAcadStudent> NewNotice() override;
    void OpenRows(TLumQrEAcadStudent &notice, TDateTime from, TDateTime to) override;
};
