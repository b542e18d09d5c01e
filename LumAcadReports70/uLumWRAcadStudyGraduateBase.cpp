#include "uLumWRAcadStudyGraduateBase.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"

TLumWRAcadStudyGraduateBase::TLumWRAcadStudyGraduateBase(QObject *owner)
    : TLumDocuReportBase(owner) {
    CDUnit = AddCodeTable(QStringLiteral("CDUnit"), QStringLiteral("Main_Code='NUNT'"));
    cdST_CLASS = AddCodeTable(QStringLiteral("cdST_CLASS"), QStringLiteral("Main_Code='st_CLASS'"));
    cdST_StudyType =
        AddCodeTable(QStringLiteral("cdST_StudyType"), QStringLiteral("Main_Code='st_Study'"));
    cdST_Diploma =
        AddCodeTable(QStringLiteral("cdST_Diploma"), QStringLiteral("Main_Code='st_Diploma'"));
    st_ClassName =
        AddCodeTable(QStringLiteral("st_ClassName"), QStringLiteral("Main_Code='st_ClassName'"));
    cdGroupType =
        AddCodeTable(QStringLiteral("cdGroupType"), QStringLiteral("Main_Code='cs_GroupType'"));
    zccs_CHOOSE =
        AddCodeTable(QStringLiteral("zccs_CHOOSE"), QStringLiteral("Main_Code='cs_CHOOSE'"));
    zcSemester = AddCodeTable(QStringLiteral("zcSemester"), QStringLiteral("Main_Code='Semester'"));

    const auto make = [this](const char *name) {
        auto *ds = new TClientDataSet(this);
        ds->SetName(QLatin1String(name));
        FieldDisplays()->Setup(ds, QStringLiteral("Score"), [](TField *field) {
            field->OnGetText = [](TField *f, QString &text, bool) {
                text = f->IsNull() ? QString() : GradeText(f->AsString());
            };
        });
        return ds;
    };
    const auto source = [this](const char *name, TDataSet *dataSet) {
        auto *s = new TDataSource(this);
        s->SetName(QLatin1String(name));
        s->SetDataSet(dataSet);
        return s;
    };
    StudentStudyInfo = make("StudentStudyInfo");
    StudyCourses = make("StudyCourses");
    GroupInfo = make("GroupInfo");
    GroupCourses = make("GroupCourses");
    StudentGrade = make("StudentGrade");
    StudyCoursesSource = source("StudyCoursesSource", StudyCourses);
    GroupInfoSource = source("GroupInfoSource", GroupInfo);
    GroupCoursesSource = source("GroupCoursesSource", GroupCourses);
    StudentGradeSource = source("StudentGradeSource", StudentGrade);

    ShowCodeText(StudentStudyInfo, QStringLiteral("Unit_ID"), CDUnit);
    ShowCodeText(StudentStudyInfo, QStringLiteral("StudyUnit_ID"), CDUnit);
    ShowCodeText(StudentStudyInfo, QStringLiteral("ClassType"), cdST_CLASS);
    ShowCodeText(StudentStudyInfo, QStringLiteral("AClassName"), st_ClassName);
    ShowCodeText(StudentStudyInfo, QStringLiteral("StudyType"), cdST_StudyType);
    ShowCodeText(StudentStudyInfo, QStringLiteral("DiplomaType"), cdST_Diploma);
    ShowCodeText(GroupInfo, QStringLiteral("GroupType"), cdGroupType);
    for (TClientDataSet *courses : {StudyCourses, StudentGrade})
        ShowCodeText(courses, QStringLiteral("Choose"), zccs_CHOOSE);
    ShowCodeText(StudyCourses, QStringLiteral("Semester"), zcSemester);
    FieldDisplays()->Columns(StudyCourses,
                             {QStringLiteral("CourseID"), QStringLiteral("CourseName"),
                              QStringLiteral("Choose"), QStringLiteral("Credit"),
                              QStringLiteral("Grade"), QStringLiteral("Semester"),
                              QStringLiteral("Score"), QStringLiteral("PassYN")});
    FieldDisplays()->Columns(GroupInfo,
                             {QStringLiteral("ChooseGID"), QStringLiteral("ChooseGName"),
                              QStringLiteral("GroupType"), QStringLiteral("PassCreditNum"),
                              QStringLiteral("PassCourseNum"), QStringLiteral("GetCredit"),
                              QStringLiteral("GetCourseNum"), QStringLiteral("PassYN")});
    FieldDisplays()->Columns(StudentGrade, {QStringLiteral("YSemester"), QStringLiteral("CourseID"),
                                            QStringLiteral("CourseName"), QStringLiteral("Choose"),
                                            QStringLiteral("Credit"), QStringLiteral("Score"),
                                            QStringLiteral("PassYN")});
}

QString TLumWRAcadStudyGraduateBase::GradeText(const QString &grade) {
    bool number = false;
    const double value = grade.toDouble(&number);
    if (number && value == -1)
        return QStringLiteral("未到");
    if (number && value == -2)
        return QStringLiteral("抵免");
    return grade;
}

void TLumWRAcadStudyGraduateBase::OpenStudentStudy(const QString &studentID,
                                                   const QString &studyID) {
    FStudentID = studentID;
    FStudyID = studyID;
    Fetch();
}

void TLumWRAcadStudyGraduateBase::OpenStudentStudy(TClientDataSet *info, TClientDataSet *courses,
                                                   TClientDataSet *grades,
                                                   TClientDataSet *groupCourses,
                                                   TClientDataSet *groupInfo) {
    const std::pair<TClientDataSet *, TClientDataSet *> copies[] = {{StudentStudyInfo, info},
                                                                    {StudyCourses, courses},
                                                                    {StudentGrade, grades},
                                                                    {GroupCourses, groupCourses},
                                                                    {GroupInfo, groupInfo}};
    for (const auto &[target, from] : copies) {
        CopyDataPacket(target, from);
        target->SetIndexFieldNames(from ? from->IndexFieldNames() : QString());
    }
}

void TLumWRAcadStudyGraduateBase::Fetch() {
    TSocketConnection *connection =
        RemoteData()->Connection(QStringLiteral("SrvAcademic.AcadCourseINTF"));
    std::vector<Variant> args{Variant(FStudentID), Variant(FStudyID), Variant(FCheckOption)};
    args.resize(8);
    try {
        connection->Open();
        connection->AppServer().Invoke(QStringLiteral("GetStudentGraduateCheckInfo"), args);
    } catch (...) {
        DisConnection();
        throw;
    }
    DisConnection();
    TClientDataSet *const targets[] = {StudentStudyInfo, StudyCourses, GroupInfo, GroupCourses,
                                       StudentGrade};
    for (int i = 0; i < 5; ++i) {
        targets[i]->Close();
        targets[i]->SetData(args[size_t(i) + 3]);
        if (!targets[i]->Active())
            targets[i]->Open();
    }
}

void TLumWRAcadStudyGraduateBase::PrintDoc() {
    SendDocument();
}

QStringList TLumWRAcadStudyGraduateBase::LabelFields() const {
    return {QStringLiteral("StudentID"), QStringLiteral("Cht_Name"),    QStringLiteral("Unit_ID"),
            QStringLiteral("ClassType"), QStringLiteral("DiplomaType"), QStringLiteral("NGrade"),
            QStringLiteral("AClassName")};
}

void TLumWRAcadStudyGraduateBase::SetFormLabels() {
    TLumDocuReportBase::SetFormLabels();
    for (const QString &name : LabelFields())
        SetFieldLabel(StudentStudyInfo, name);
}
