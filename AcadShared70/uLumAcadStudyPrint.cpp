#include "uLumAcadStudyPrint.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "uDocuReport.h"

TLumAcadStudyPrint::TLumAcadStudyPrint(QObject *owner) : TLumAcadPrintModule(owner) {
    SetDocForm(QStringLiteral("系所學程表.doc"));
    StudyInfo = AddData("StudyInfo");
    StudyInfo->SetProviderName(QStringLiteral("edStudyInfo2DProvider"));
    StudyInfo->Params().CreateParam(ftString, QStringLiteral("No"));
    StudyGroups = AddData("StudyGroups");
    StudyCourses = AddData("StudyCourses");
    GroupSource = AddSource("GroupSource", StudyGroups);
    CourseSource = AddSource("CourseSource", StudyCourses);
    wrSCGroupTable = AddTable("wrSCGroupTable", GroupSource, 1);
    wrSCourseTable = AddTable("wrSCourseTable", CourseSource, 2);
}

void TLumAcadStudyPrint::SetUpFields() {
    TDataSet *s = StudyInfo;
    ShowField(s, "StudyID", "學程代號");
    ShowField(s, "StudyName", "學程名稱");
    ShowField(s, "LockedYN", "鎖住");
    ShowField(s, "Unit_ID", "系所單位", nullptr, CDUnit);
    ShowField(s, "ClassType", "修業類別", nullptr, cdST_CLASS);
    ShowField(s, "StudyType", "學程分類", nullptr, cdST_StudyType);
    ShowField(s, "GradeuateCredit", "畢業學分數", "000.#");
    ShowField(s, "MustCredit", "必修學分數", "000.#");
    ShowField(s, "SelectCredit", "選修學分數", "000.#");
    ShowField(s, "NeedCredit", "必選學分數", "000.#");
    ShowField(s, "DiplomaType", "學位別", nullptr, CDst_Diploma);
    ShowField(s, "DiplomaChtName", "中文學位名稱");
    ShowField(s, "DiplomaEngName", "英文學位名稱");
    ShowField(s, "YSemester", "建立學期");
    ShowField(s, "EditInfo", "異動資訊");
    BindNested(StudyGroups, "StudyGroups");
    ShowField(StudyGroups, "StudyID", nullptr);
    ShowField(StudyGroups, "ChooseGID", "學門代號");
    ShowField(StudyGroups, "ChooseGName", "學門名稱");
    ShowField(StudyGroups, "Unit_ID", "系所單位", nullptr, CDUnit);
    ShowField(StudyGroups, "PassCreditNum", "門檻學分數", "000.#");
    ShowField(StudyGroups, "PassCourseNum", "門檻科目數", "0");
    ShowField(StudyGroups, "GroupType", "學門分類", nullptr, cdGroupType);
    BindNested(StudyCourses, "StudyCourses");
    ShowField(StudyCourses, "StudyID", nullptr);
    ShowField(StudyCourses, "CourseID", "科目代號");
    ShowField(StudyCourses, "CourseName", "科目名稱");
    ShowField(StudyCourses, "Choose", "選課別", nullptr, zccs_CHOOSE);
    ShowField(StudyCourses, "Credit", "學分", "0.#");
    ShowField(StudyCourses, "Grade", "年級");
    ShowField(StudyCourses, "Semester", "學期", nullptr, zcSemester);
    ShowField(StudyCourses, "Remark", "備註");
    ShowField(StudyCourses, "EditInfo", nullptr);
}

void TLumAcadStudyPrint::SetFormLabels() {
    TLumAcadPrintModule::SetFormLabels();
    for (const char *name :
         {"Unit_ID", "StudyID", "StudyName", "Creater", "ClassType", "DiplomaType", "StudyType",
          "GradeuateCredit", "MustCredit", "SelectCredit", "CreateDate", "DiplomaChtName",
          "DiplomaEngName", "CheckeDate"})
        SetFieldLabel(QLatin1String(name));
}
