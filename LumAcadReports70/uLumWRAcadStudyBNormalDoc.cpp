#include "uLumWRAcadStudyBNormalDoc.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "StatelessDataSet.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"

TLumWRAcadStudyBNormalDoc::TLumWRAcadStudyBNormalDoc(QObject *owner) : TLumWRAcadStudyBase(owner) {
    SetDocForm(QStringLiteral("系所學程表.doc"));
    cdGroupType =
        AddCodeTable(QStringLiteral("cdGroupType"), QStringLiteral("Main_Code='cs_GroupType'"));
    zccs_CHOOSE =
        AddCodeTable(QStringLiteral("zccs_CHOOSE"), QStringLiteral("Main_Code='cs_CHOOSE'"));
    zcSemester = AddCodeTable(QStringLiteral("zcSemester"), QStringLiteral("Main_Code='Semester'"));

    StudyChooseGroup = new TClientDataSet(this);
    StudyChooseGroup->SetName(QStringLiteral("StudyChooseGroup"));
    ShowNested(StudyInfo, QStringLiteral("StudyGroups"), StudyChooseGroup);
    FieldDisplays()->Columns(StudyChooseGroup,
                             {QStringLiteral("ChooseGID"), QStringLiteral("ChooseGName"),
                              QStringLiteral("Unit_ID"), QStringLiteral("PassCreditNum"),
                              QStringLiteral("PassCourseNum"), QStringLiteral("GroupType")});
    FieldDisplays()->Labels(StudyChooseGroup,
                            {{QStringLiteral("ChooseGID"), QStringLiteral("學門")},
                             {QStringLiteral("ChooseGName"), QStringLiteral("學門名稱")},
                             {QStringLiteral("Unit_ID"), QStringLiteral("系所單位")},
                             {QStringLiteral("PassCreditNum"), QStringLiteral("學分門檻")},
                             {QStringLiteral("PassCourseNum"), QStringLiteral("科目門檻")},
                             {QStringLiteral("GroupType"), QStringLiteral("通識學門分類")}});
    ShowCodeText(StudyChooseGroup, QStringLiteral("Unit_ID"), CDUnit);
    ShowCodeText(StudyChooseGroup, QStringLiteral("GroupType"), cdGroupType);

    StudyCourses = new TClientDataSet(this);
    StudyCourses->SetName(QStringLiteral("StudyCourses"));
    ShowNested(StudyInfo, QStringLiteral("StudyCourses"), StudyCourses);
    FieldDisplays()->Columns(StudyCourses, {QStringLiteral("CourseID"),
                                            QStringLiteral("CourseName"), QStringLiteral("Choose"),
                                            QStringLiteral("Credit"), QStringLiteral("Grade"),
                                            QStringLiteral("Semester"), QStringLiteral("Remark")});
    FieldDisplays()->Labels(StudyCourses, {{QStringLiteral("CourseID"), QStringLiteral("科目")},
                                           {QStringLiteral("CourseName"), QStringLiteral("名稱")},
                                           {QStringLiteral("Choose"), QStringLiteral("選課別")},
                                           {QStringLiteral("Credit"), QStringLiteral("學分")},
                                           {QStringLiteral("Grade"), QStringLiteral("年級")},
                                           {QStringLiteral("Semester"), QStringLiteral("學期")},
                                           {QStringLiteral("Remark"), QStringLiteral("備註")}});
    ShowCodeText(StudyCourses, QStringLiteral("Choose"), zccs_CHOOSE);
    ShowCodeText(StudyCourses, QStringLiteral("Semester"), zcSemester);

    GroupSource = new TDataSource(this);
    GroupSource->SetName(QStringLiteral("GroupSource"));
    GroupSource->SetDataSet(StudyChooseGroup);
    CourseSource = new TDataSource(this);
    CourseSource->SetName(QStringLiteral("CourseSource"));
    CourseSource->SetDataSet(StudyCourses);
    wrGroupTable = AddTableObject(QStringLiteral("wrGroupTable"), GroupSource, 1, 1, true);
    wrCourseTable = AddTableObject(QStringLiteral("wrCourseTable"), CourseSource, 2, 1, true);
}
