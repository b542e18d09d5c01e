#include "uLumQrHAcadSemCourseGrade_Grades_Empty.h"

#include "QRBands.h"
#include "QRCtrls.h"

TLumQrHAcadSemCourseGrade_Grades_Empty::TLumQrHAcadSemCourseGrade_Grades_Empty(QObject *owner)
    : TLumQrHAcadSemCourseGrade(owner) {
    AddStudentColumn({57, 20, QStringLiteral("入學方式")}, QStringLiteral("EnterType"));
    AddStudentColumn({77, 24, QStringLiteral("學生系所")}, QStringLiteral("Unit_ID"));
    AddStudentColumn({101, 17, QStringLiteral("身心障礙")}, QStringLiteral("EnterNormalType"));
    double left = 118;
    for (const char *heading : {"平時成績", "期中成績", "期末成績"}) {
        AddStudentColumn({left, 15, QString::fromUtf8(heading)}, {});
        left += 15;
    }
    // Two-line headings: "學期" over "成績", "期末" over "應考".
    for (const auto &[top, bottom] : {std::pair{"學期", "成績"}, std::pair{"期末", "應考"}}) {
        TQRLabel *first = nullptr;
        AddStudentColumn({left, 13.5, QString::fromUtf8(top)}, {}, &first);
        first->SetTop(0.5);
        StudentHeading->AddLabel(left, 5, 13.5, 4.5, QString::fromUtf8(bottom))
            ->SetAlignment(taCenter);
        left += 13.5;
    }
    FinishStudentGrid();
    TeacherFooter = AddTeacherFooter();
}

void TLumQrHAcadSemCourseGrade_Grades_Empty::DoBeforePrint(bool &printReport) {
    SetReportTitle(GetYSemFMT() + QStringLiteral("- 科目計分表(空白)"));
    TLumQrHAcadSemCourseGrade::DoBeforePrint(printReport);
}
