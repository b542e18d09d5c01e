#include "uLumAcadChooseGPPrint.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "uDocuReport.h"

TLumAcadChooseGPPrint::TLumAcadChooseGPPrint(QObject *owner) : TLumAcadPrintModule(owner) {
    SetDocForm(QStringLiteral("系所學門設定表.doc"));
    ChooseGroup = AddData("ChooseGroup");
    ChooseGroup->SetProviderName(QStringLiteral("edChooseGroup2dProvider"));
    ChooseGroup->Params().CreateParam(ftString, QStringLiteral("No"));
    GroupStudies = AddData("GroupStudies");
    GroupCourses = AddData("GroupCourses");
    StudySource = AddSource("StudySource", GroupStudies);
    CourseSource = AddSource("CourseSource", GroupCourses);
    wrCGStudyTable = AddTable("wrCGStudyTable", StudySource, 1);
    wrCGCourseTable = AddTable("wrCGCourseTable", CourseSource, 2);
}

void TLumAcadChooseGPPrint::SetUpFields() {
    TDataSet *g = ChooseGroup;
    ShowField(g, "ChooseGID", "學門代號");
    ShowField(g, "ChooseGName", "學門名稱");
    ShowField(g, "Unit_ID", "所屬單位", nullptr, CDUnit);
    ShowField(g, "PassCreditNum", "門檻學分數", "000.#");
    ShowField(g, "PassCourseNum", "門檻科目數", "0");
    if (TField *count = g->Active() ? g->FindField(QStringLiteral("PassCourseNum")) : nullptr)
        count->SetMaxValue(Variant(99));
    ShowField(g, "Description", "說明");
    ShowField(g, "GroupType", "學術學門分類", nullptr, cdGroupType);
    ShowField(g, "CreateDate", "登錄日", "yyyy/mm/dd");
    ShowField(g, "Creater", "登錄人");
    ShowField(g, "CheckeDate", "檢核日期");
    ShowField(g, "Checker", "檢核人");
    ShowField(g, "LockedYN", "鎖住");
    ShowField(g, "EditInfo", nullptr);
    BindNested(GroupStudies, "GroupStudies");
    ShowField(GroupStudies, "ChooseGID", nullptr);
    ShowField(GroupStudies, "StudyID", "學程代號");
    ShowField(GroupStudies, "StudyName", "學程名稱");
    ShowField(GroupStudies, "Unit_ID", "系所單位", nullptr, CDUnit);
    BindNested(GroupCourses, "GroupCourses");
    ShowField(GroupCourses, "ChooseGID", nullptr);
    ShowField(GroupCourses, "CourseID", "科目代號");
    ShowField(GroupCourses, "CourseName", "科目名稱");
    ShowField(GroupCourses, "Credit", "學分", "0.##");
    ShowField(GroupCourses, "EditInfo", nullptr);
}

void TLumAcadChooseGPPrint::SetFormLabels() {
    TLumAcadPrintModule::SetFormLabels();
    for (const char *name :
         {"Unit_ID", "ChooseGID", "ChooseGName", "Creater", "PassCreditNum", "PassCourseNum",
          "CreateDate", "GroupType", "CheckeDate", "Description"})
        SetFieldLabel(QLatin1String(name));
}
