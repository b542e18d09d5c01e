#include "uLumQrHAcadSemCourseGrade_Grades.h"

#include "QRBands.h"
#include "QRCtrls.h"

TLumQrHAcadSemCourseGrade_Grades::TLumQrHAcadSemCourseGrade_Grades(QObject *owner)
    : TLumQrHAcadSemCourseGrade(owner) {
    SetReportTitle(QStringLiteral("科目修課學生計分表"));
    AddStudentColumn({57, 25, QStringLiteral("入學方式")}, QStringLiteral("EnterType"));
    AddStudentColumn({82, 20, QStringLiteral("身心障礙")}, QStringLiteral("EnterNormalType"));
    AddStudentColumn({102, 30, QStringLiteral("學生系所")}, QStringLiteral("Unit_ID"));
    qrMidGrade = AddStudentColumn({132, 15, QStringLiteral("期中")}, QStringLiteral("MidResults"),
                                  &lbMidGrade);
    qrSemGrade = AddStudentColumn({147, 15, QStringLiteral("學期")}, QStringLiteral("SemResults"),
                                  &lbSemGrade);
    qrEntryTime = AddStudentColumn({162, 28, QStringLiteral("登錄時間")},
                                   QStringLiteral("SemResultsTime"), &lbEntryTime);
    qrMidGrade->SetAlignment(taRightJustify);
    qrSemGrade->SetAlignment(taRightJustify);
    qrEntryTime->SetFontSize(7);
    FinishStudentGrid();
    TeacherFooter = AddTeacherFooter();
    ShowGrades();
}

TGradeTypes TLumQrHAcadSemCourseGrade_Grades::GradeKinds() const {
    TGradeTypes kinds;
    kinds.setFlag(gtNormal, FNormal);
    kinds.setFlag(gtMid, FMid);
    kinds.setFlag(gtEnd, FEnd);
    kinds.setFlag(gtSemester, FSem);
    return kinds;
}

void TLumQrHAcadSemCourseGrade_Grades::SetGradeKinds(TGradeTypes kinds) {
    if (kinds == GradeKinds())
        return;
    SetEnableNormalGrade(kinds.testFlag(gtNormal));
    SetEnableMidGrade(kinds.testFlag(gtMid));
    SetEnableEndGrade(kinds.testFlag(gtEnd));
    SetEnableSemGrade(kinds.testFlag(gtSemester));
}

void TLumQrHAcadSemCourseGrade_Grades::SetPrintSpace(bool printSpace) {
    if (printSpace == FPrintSpace)
        return;
    FPrintSpace = printSpace;
    ShowGrades();
}

void TLumQrHAcadSemCourseGrade_Grades::SetEnableMidGrade(bool enable) {
    FMid = enable;
    ShowGrades();
}

void TLumQrHAcadSemCourseGrade_Grades::SetEnableSemGrade(bool enable) {
    FSem = enable;
    ShowGrades();
}

void TLumQrHAcadSemCourseGrade_Grades::ShowGrades() {
    lbMidGrade->SetEnabled(FMid);
    qrMidGrade->SetEnabled(FMid && !FPrintSpace);
    lbSemGrade->SetEnabled(FSem);
    qrSemGrade->SetEnabled(FSem && !FPrintSpace);
    lbEntryTime->SetEnabled(!FPrintSpace);
    qrEntryTime->SetEnabled(!FPrintSpace);
}

void TLumQrHAcadSemCourseGrade_Grades::DoBeforePrint(bool &printReport) {
    SetReportTitle(GetYSemFMT() + QStringLiteral("- 科目計分表"));
    TLumQrHAcadSemCourseGrade::DoBeforePrint(printReport);
}
