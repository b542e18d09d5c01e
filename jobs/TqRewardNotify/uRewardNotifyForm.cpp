#include "uRewardNotifyForm.h"

#include "uLumQrEAcadStudent_RewardNotify.h"

TRewardNotifyForm::TRewardNotifyForm() : TAcadNoticeJobForm(QStringLiteral("學生獎懲通知單")) {
    setObjectName(QStringLiteral("RewardNotifyForm"));
}

std::unique_ptr<TLumQrEAcadStudent> TRewardNotifyForm::NewNotice() {
    return std::make_unique<TLumQrEAcadStudent_RewardNotify>();
}

void TRewardNotifyForm::OpenRows(TLumQrEAcadStudent &notice, TDateTime from, TDateTime to) {
    auto &letter = static_cast<TLumQrEAcadStudent_RewardNotify &>(notice);
    letter.SetFromDate(from);
    letter.SetToDate(to);
    // The rewards and punishments issued in the term and period (the letter prints only those
    // approved and posted), and the term's totals, of the letters' students.
    letter.OpenDetail(QString(), true);
    letter.OpenSemStatic(QString(), true);
}
