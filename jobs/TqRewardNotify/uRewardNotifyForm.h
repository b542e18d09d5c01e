#pragma once
// 學生獎懲通知單: the letters of a class or of students for the term and period chosen.

#include "uAcadNoticeJobForm.h"

class TRewardNotifyForm : public TAcadNoticeJobForm {
    Q_OBJECT
public:
    TRewardNotifyForm();

protected:
    std::unique_ptr<TLumQrEAcadStudent> NewNotice() override;
    void OpenRows(TLumQrEAcadStudent &notice, TDateTime from, TDateTime to) override;
};
