#include "uAbsWeeklyNotifyForm.h"

#include "uLumQrEAcadStudent_AbsWeeklyNotify.h"

TAbsWeeklyNotifyForm::TAbsWeeklyNotifyForm()
    : TAcadNoticeJobForm(QStringLiteral("學生每週缺曠課通知單")) {
    setObjectName(QStringLiteral("AbsWeeklyNotifyForm"));
}

std::unique_ptr<TLumQrEAcadStudent> TAbsWeeklyNotifyForm::NewNotice() {
    return std::make_unique<TLumQrEAcadStudent_AbsWeeklyNotify>();
}

void TAbsWeeklyNotifyForm::OpenRows(TLumQrEAcadStudent &notice, TDateTime from, TDateTime to) {
    auto &letter = static_cast<TLumQrEAcadStudent_AbsWeeklyNotify &>(notice);
    letter.SetFromDate(from);
    letter.SetToDate(to);
    // The weeks beginning in the period, of the term chosen, of the letters' students.
    letter.OpenStudentAbsenceWeekly(
        QStringLiteral("YSemester='%1'").arg(SqlText(letter.YSemester())), true);
}
