#include "uLumQrHAcadSemCourseGrade_Absence.h"

#include "QRBands.h"
#include "QRCtrls.h"

TLumQrHAcadSemCourseGrade_Absence::TLumQrHAcadSemCourseGrade_Absence(QObject *owner)
    : TLumQrHAcadSemCourseGrade(owner) {
    Page().Orientation = QPageLayout::Landscape;
    AddStudentColumn({57, 22, QStringLiteral("入學方式")}, QStringLiteral("EnterType"));
    AddStudentColumn({79, 26, QStringLiteral("學生系所")}, QStringLiteral("Unit_ID"));
    AddStudentColumn({105, 20, QStringLiteral("身心障礙")}, QStringLiteral("EnterNormalType"));
    // Each lesson: the date written over its two cells.
    double left = 125;
    for (int lesson = 0; lesson < kLessons; ++lesson) {
        StudentHeading->AddLabel(left, 0.5, 20, 4.5, QStringLiteral("日期"))->SetFontSize(8);
        StudentHeading->AddHorLine(left, 5, 20, 0.1);
        for (const char *heading : {"缺課", "遲到"}) {
            TQRLabel *label = nullptr;
            AddStudentColumn({left, 10, QString::fromUtf8(heading)}, {}, &label);
            label->SetTop(5.2);
            left += 10;
        }
    }
    for (const auto &[heading, field] : {std::pair{"缺課", "Absence"}, std::pair{"遲到", "AbsLate"},
                                         std::pair{"請假", "AskFor"}}) {
        AddStudentColumn({left, 10, QString::fromUtf8(heading)}, QLatin1String(field))
            ->SetAlignment(taRightJustify);
        left += 10;
    }
    FinishStudentGrid();
}

void TLumQrHAcadSemCourseGrade_Absence::DoBeforePrint(bool &printReport) {
    SetReportTitle(GetYSemFMT() + QStringLiteral("- 科目點名表"));
    TLumQrHAcadSemCourseGrade::DoBeforePrint(printReport);
}
