#pragma once
// TLumQrHAcadSemCourseGrade_Grades: the score sheet "科目計分表" of each course (titled with the
// term: "094 學年度 下學期 - 科目計分表"): per student the roster's columns, the admission type
// "入學方式", disability "身心障礙", the student's department "學生系所", the midterm "期中" and
// semester "學期" grades and the time the semester grade was entered "登錄時間"; the teacher's
// signature under each course.
//
// The sheet is a form to fill in by default (PrintSpace): the grade columns print empty and the
// entry time is left out. Without PrintSpace the grades of the kinds chosen (GradeKinds, or the
// single switches) print; the sheet has columns for the midterm and the semester grade only, so
// the coursework and final switches are kept as flags.

#include "uLumQrHAcadSemCourseGrade.h"

#include <QFlags>

enum TGradeType { gtNormal = 0x1, gtMid = 0x2, gtEnd = 0x4, gtSemester = 0x8 };
Q_DECLARE_FLAGS(TGradeTypes, TGradeType)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGradeTypes)

class TLumQrHAcadSemCourseGrade_Grades : public TLumQrHAcadSemCourseGrade {
    Q_OBJECT
public:
    explicit TLumQrHAcadSemCourseGrade_Grades(QObject *owner = nullptr);
    QString ClassName() const override {
        return QStringLiteral("TLumQrHAcadSemCourseGrade_Grades");
    }

    TQRLabel *lbMidGrade, *lbSemGrade, *lbEntryTime;
    TQRDBText *qrMidGrade, *qrSemGrade, *qrEntryTime;
    TQRBand *TeacherFooter;

    // The kinds whose switches are on; setting a different set sets each of the four switches.
    TGradeTypes GradeKinds() const;
    void SetGradeKinds(TGradeTypes kinds);
    bool PrintSpace() const { return FPrintSpace; }
    void SetPrintSpace(bool printSpace);

    bool GetEnableNormalGrade() const { return FNormal; }
    void SetEnableNormalGrade(bool enable) { FNormal = enable; }
    bool GetEnableMidGrade() const { return FMid; }
    // The "期中" heading shows; the midterm grades print when also PrintSpace is off.
    void SetEnableMidGrade(bool enable);
    bool GetEnableEndGrade() const { return FEnd; }
    void SetEnableEndGrade(bool enable) { FEnd = enable; }
    bool GetEnableSemGrade() const { return FSem; }
    // The "學期" heading shows; the semester grades print when also PrintSpace is off.
    void SetEnableSemGrade(bool enable);

protected:
    void DoBeforePrint(bool &printReport) override;

private:
    void ShowGrades();
    bool FNormal = true, FMid = true, FEnd = true, FSem = true;
    bool FPrintSpace = true;
};
