#include "uLumWRAcadStudyGB_StudyDoc.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"

TLumWRAcadStudyGB_StudyDoc::TLumWRAcadStudyGB_StudyDoc(QObject *owner)
    : TLumWRAcadStudyGraduateBase(owner) {
    SetDocForm(QStringLiteral("學生學程資格審查表Grade.doc"));
    CoursesSource = new TDataSource(this);
    CoursesSource->SetName(QStringLiteral("CoursesSource"));
    CoursesSource->SetDataSet(StudyCourses);
    FieldDisplays()->Columns(GroupCourses, {QStringLiteral("ChooseGID"), QStringLiteral("CourseID"),
                                            QStringLiteral("CourseName"), QStringLiteral("Credit"),
                                            QStringLiteral("Score"), QStringLiteral("PassYN")});
    wrGroupTable = AddTableObject(QStringLiteral("wrGroupTable"), GroupInfoSource, 1, 3, false);
    wrCourseTable = AddTableObject(QStringLiteral("wrCourseTable"), CoursesSource, 2, 3, false);
    wrGradeTable = AddTableObject(QStringLiteral("wrGradeTable"), StudentGradeSource, 3, 2, false);
}

void TLumWRAcadStudyGB_StudyDoc::PrintDoc() {
    // The grade table takes part only with the grades.
    wrGradeTable->SetDocuReport(FWithGrades ? DocuReport : nullptr);
    if (FReviewKind == 0) {
        CoursesSource->SetDataSet(StudyCourses);
        SetDocForm(FWithGrades ? QStringLiteral("學生學程資格審查表Grade.doc")
                               : QStringLiteral("學生學程資格審查表.doc"));
    } else if (FReviewKind == 1) {
        CoursesSource->SetDataSet(GroupCourses);
        SetDocForm(FWithGrades ? QStringLiteral("學生學程學門審查表Grade.doc")
                               : QStringLiteral("學生學程學門審查表.doc"));
    }
    SendDocument();
}

QStringList TLumWRAcadStudyGB_StudyDoc::LabelFields() const {
    return TLumWRAcadStudyGraduateBase::LabelFields() +
           QStringList{QStringLiteral("StudyID"),         QStringLiteral("StudyName"),
                       QStringLiteral("StudyUnit_ID"),    QStringLiteral("StudyType"),
                       QStringLiteral("GradeuateCredit"), QStringLiteral("PassTotalCredit"),
                       QStringLiteral("MustCredit"),      QStringLiteral("PassMustCredit"),
                       QStringLiteral("SelectCredit"),    QStringLiteral("PassSelectCredit"),
                       QStringLiteral("DiplomaChtName"),  QStringLiteral("DiplomaEngName")};
}
