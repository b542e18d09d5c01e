#pragma once
// TLumQrHAcadSemCourseGrade_Grades_Empty: the blank score sheet "科目計分表(空白)" of each course
// (titled with the term): per student the roster's columns, the admission type, the student's
// department and disability, and empty cells for the coursework "平時成績", midterm "期中成績",
// final "期末成績" and semester "學期成績" grades and whether the student sat the final exam
// ("期末應考"); the teacher's signature under each course. PrintSpace is kept as a flag: the
// sheet is blank either way.

#include "uLumQrHAcadSemCourseGrade.h"

class TLumQrHAcadSemCourseGrade_Grades_Empty : public TLumQrHAcadSemCourseGrade {
    Q_OBJECT
public:
    explicit TLumQrHAcadSemCourseGrade_Grades_Empty(QObject *owner = nullptr);
    QString ClassName() const override {
        return QStringLiteral("TLumQrHAcadSemCourseGrade_Grades_Empty");
    }

    TQRBand *TeacherFooter;
    bool PrintSpace() const { return FPrintSpace; }
    void SetPrintSpace(bool printSpace) { FPrintSpace = printSpace; }

protected:
    void DoBeforePrint(bool &printReport) override;

private:
    bool FPrintSpace = true;
};
