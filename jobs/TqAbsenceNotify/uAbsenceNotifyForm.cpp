#include "uAbsenceNotifyForm.h"

#include "uLumQrEAcadStudent_AbsenceNotify.h"

TAbsenceNotifyForm::TAbsenceNotifyForm() : TAcadNoticeJobForm(QStringLiteral("學生缺曠課通知單")) {
    setObjectName(QStringLiteral("AbsenceNotifyForm"));
}

std::unique_ptr<TLumQrEAcadStudent> TAbsenceNotifyForm::NewNotice() {
    return std::make_unique<TLumQrEAcadStudent_AbsenceNotify>();
}

void TAbsenceNotifyForm::OpenRows(TLumQrEAcadStudent &notice, TDateTime from, TDateTime to) {
    auto &letter = static_cast<TLumQrEAcadStudent_AbsenceNotify &>(notice);
    letter.SetFromDate(from);
    letter.SetToDate(to);
    // The roll calls of the term and period, and the term's totals, of the letters' students.
    letter.OpenDetail(QString(), true);
    letter.OpenSemStatic(QString(), true);
}
