#pragma once
// TLumQrEAcadStudent_AbsenceNotify: the student absence notice "學生缺曠課通知單". Each letter
// shows, under the envelope, the student line, the period's roll-call rows of the student (date,
// weekday, course, periods of the day, absent, late and leave periods, leave type) with their
// subtotal "小計" and the truancy "曠課:" (absent minus leave periods), the term's totals, the
// remarks and the parents' signature line.
//
// The rows come from the absence server (view vLumStudentAbsenceDetail) and the term totals
// from the course server (SemStaticStudents), each chosen by a condition (by default the term,
// the period and the students of the letters) or copied from datasets the caller holds. Open the
// students first (OpenStudents): the default conditions take their student IDs.

#include "uLumNoticeParts.h"
#include "uLumQrEAcadStudent.h"

class TOrvCoursesIndexCDS;
class TQRBand;
class TQRSubDetail;

class TLumQrEAcadStudent_AbsenceNotify : public TLumQrEAcadStudent {
    Q_OBJECT
public:
    explicit TLumQrEAcadStudent_AbsenceNotify(QObject *owner = nullptr);
    QString ClassName() const override {
        return QStringLiteral("TLumQrEAcadStudent_AbsenceNotify");
    }

    TCodeTableCDS *st_VACID;                  // leave types
    TOrvCoursesIndexCDS *OrvCoursesIndexCDS1; // course names
    TStatelessCDataSet *AbsenceSemStatic;
    TStatelessCDataSet *AbsenceDetail;

    TQRSubDetail *DetailRows;
    TQRBand *DetailHeading, *SubTotalBand;
    TQRSubDetail *SemStaticRows;
    TQRBand *SemStaticHeading;
    TLumNoticeParts Parts;

    // The condition builder reset to `where`; with addDefaults, or when `where` is empty, the
    // term, the period (AbsenceDate, whole days) and the students are added (And); the rows of
    // "Select * from vLumStudentAbsenceDetail Where " + that condition are read.
    void OpenDetail(const QString &where, bool addDefaults);
    void OpenDetail(TClientDataSet *dataSet);
    // Likewise the term totals: the term and the students by default; "Select * from
    // SemStaticStudents Where " + the condition.
    void OpenSemStatic(const QString &where, bool addDefaults);
    void OpenSemStatic(TClientDataSet *dataSet);

    // The rows of the period and their headings (the subtotal prints either way).
    bool EnableDetail() const { return FEnableDetail; }
    void SetEnableDetail(bool enable);
    QString FootMemo() const { return Parts.FootMemo(); }
    void SetFootMemo(const QString &text) { Parts.SetFootMemo(text); }
    TDateTime FromDate() const { return Parts.FromDate; }
    void SetFromDate(TDateTime date) { Parts.FromDate = date; }
    TDateTime ToDate() const { return Parts.ToDate; }
    void SetToDate(TDateTime date) { Parts.ToDate = date; }

    // The course index whose CourseName names each course of the rows (by CourseID): the
    // school's (OrvCoursesIndexCDS1) from the start; without one the rows show the codes.
    TDataSet *CourseIndex() const { return FCourseIndex; }
    void SetCourseIndex(TDataSet *courseIndex);
    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    void DoBeforePrint(bool &printReport) override;

private:
    void BuildBands();
    bool FEnableDetail = true;
    TDataSet *FCourseIndex = nullptr;
};
