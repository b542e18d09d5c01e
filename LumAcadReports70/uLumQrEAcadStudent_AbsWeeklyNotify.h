#pragma once
// TLumQrEAcadStudent_AbsWeeklyNotify: the weekly absence notice "學生每週缺曠課通知單". Each
// letter shows, under the envelope, the student line and one line per week of the period: the
// week's first day, for each day Sunday to Saturday the absent periods, the leave periods and the
// leave type ("缺/假/假別"), the week's absent, leave and truant periods ("週缺/假/曠") and the
// running totals to that week ("至本週累計": 缺課, 請假, 曠課); then the remarks and the
// parents' signature line. Counts of 0 and the leave type "*" print empty.
//
// The weeks come from the absence server (view vLumStudentAbsenceWeekly), chosen by a condition
// (by default the weeks beginning in the period and the students of the letters) or copied from
// a dataset the caller holds. Open the students first (OpenStudents).

#include "uLumNoticeParts.h"
#include "uLumQrEAcadStudent.h"

class TQRBand;
class TQRSubDetail;

class TLumQrEAcadStudent_AbsWeeklyNotify : public TLumQrEAcadStudent {
    Q_OBJECT
public:
    explicit TLumQrEAcadStudent_AbsWeeklyNotify(QObject *owner = nullptr);
    QString ClassName() const override {
        return QStringLiteral("TLumQrEAcadStudent_AbsWeeklyNotify");
    }

    TCodeTableCDS *st_VACID; // leave types
    TStatelessCDataSet *StudentAbsenceWeekly;

    TQRSubDetail *WeekRows;
    TQRBand *WeekHeading;
    TLumNoticeParts Parts;

    // The condition builder reset to `where`; with addDefaults, or when `where` is empty, the
    // weeks beginning in the period (BeginDate, whole days) and the students are added (And); the
    // rows of "Select * from vLumStudentAbsenceWeekly Where " + that condition are read (the
    // bare statement, every week, when the condition is empty). A text that begins with the word
    // Where is taken without it.
    void OpenStudentAbsenceWeekly(const QString &where, bool addDefaults);
    void OpenStudentAbsenceWeekly(TClientDataSet *dataSet);

    QString FootMemo() const { return Parts.FootMemo(); }
    void SetFootMemo(const QString &text) { Parts.SetFootMemo(text); }
    TDateTime FromDate() const { return Parts.FromDate; }
    void SetFromDate(TDateTime date) { Parts.FromDate = date; }
    TDateTime ToDate() const { return Parts.ToDate; }
    void SetToDate(TDateTime date) { Parts.ToDate = date; }

protected:
    void DoBeforePrint(bool &printReport) override;

private:
    void BuildBands();
};
