#include "uSemCourseSheetsForm.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Exceptions.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uCodeComboBox.h"
#include "uJobGuard.h"
#include "uJobServerData.h"
#include "uLumQrHAcadSemCourseGrade_Absence.h"
#include "uLumQrHAcadSemCourseGrade_Grades.h"
#include "uLumQrHAcadSemCourseGrade_Grades_Empty.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include <map>

TSemCourseSheetsForm::TSemCourseSheetsForm()
    : TAcadReportJobForm(QStringLiteral("科目名冊及計分表")) {
    setObjectName(QStringLiteral("SemCourseSheetsForm"));
    CourseData = new TJobServerData(this, QStringLiteral("SrvAcademic.AcadSemCoursesINTF"));
    Courses = CourseData->AddDataSet(QStringLiteral("cmvTqSemCoursesProvider"));

    cbSheet = new QComboBox;
    cbSheet->setObjectName(QStringLiteral("cbSheet"));
    cbSheet->addItems({QStringLiteral("科目修課學生名冊"), QStringLiteral("科目計分表"),
                       QStringLiteral("科目計分表(空白)"), QStringLiteral("科目點名表")});
    AddCriterion(QStringLiteral("報表:"), cbSheet);
    cbDepartment = new TLumCodeComboBox;
    cbDepartment->setObjectName(QStringLiteral("cbDepartment"));
    AddCriterion(QStringLiteral("科系:"), cbDepartment);
    cbCourse = new TLumCodeComboBox;
    cbCourse->setObjectName(QStringLiteral("cbCourse"));
    AddCriterion(QStringLiteral("科目:"), cbCourse);

    auto *grades = new QWidget;
    grades->setObjectName(QStringLiteral("plGrades"));
    chkPrintGrades = new QCheckBox(QStringLiteral("印出已登錄成績"), grades);
    chkPrintGrades->setObjectName(QStringLiteral("chkPrintGrades"));
    chkMidGrade = new QCheckBox(QStringLiteral("期中"), grades);
    chkMidGrade->setObjectName(QStringLiteral("chkMidGrade"));
    chkSemGrade = new QCheckBox(QStringLiteral("學期"), grades);
    chkSemGrade->setObjectName(QStringLiteral("chkSemGrade"));
    chkMidGrade->setChecked(true);
    chkSemGrade->setChecked(true);
    auto *gradesLayout = new QHBoxLayout(grades);
    gradesLayout->setContentsMargins(0, 0, 0, 0);
    gradesLayout->addWidget(chkMidGrade);
    gradesLayout->addWidget(chkSemGrade);
    gradesLayout->addWidget(chkPrintGrades);
    gradesLayout->addStretch(1);
    AddCriterion(QStringLiteral("成績:"), grades);

    connect(cbSheet, &QComboBox::currentIndexChanged, this, [this] { SheetChange(); });
    connect(cbDepartment, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { ListCourses(); }); });
    SheetChange();
}

void TSemCourseSheetsForm::DoFormInitial() {
    TAcadReportJobForm::DoFormInitial();
    ReadCourses();
    // Another term lists its own courses (from now on: the term list fills before).
    connect(cbSemester, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { ReadCourses(); }); });
}

void TSemCourseSheetsForm::SheetChange() {
    const bool grades = cbSheet->currentIndex() == shGrades;
    for (QCheckBox *box : {chkPrintGrades, chkMidGrade, chkSemGrade})
        box->setEnabled(grades);
}

void TSemCourseSheetsForm::ReadCourses() {
    Courses->Close();
    Courses->SetCommandText(
        QStringLiteral("Select SemCourseID, CourseName, Unit_ID, ClassType From vTqSemCourses "
                       "Where YSemester='%1' Order By Unit_ID, SemCourseID")
            .arg(SqlText(Semester())));
    CourseData->Open(Courses);
    // The departments that have courses this term, by their names in the code table.
    std::map<QString, QString> departments;
    TField *unit = Courses->FieldByName(QStringLiteral("Unit_ID"));
    for (int i = 0; i < Courses->RecordCount(); ++i) {
        const QString code = VarToStr(Courses->ValueAt(i, unit)).trimmed();
        if (code.isEmpty() || departments.count(code))
            continue;
        departments[code] = CodeName(QStringLiteral("NUNT"), code);
    }
    {
        const QSignalBlocker quiet(cbDepartment);
        cbDepartment->Clear();
        cbDepartment->AddCode(QString(), QStringLiteral("(全部)"));
        for (const auto &[code, name] : departments)
            cbDepartment->AddCode(code, name);
        cbDepartment->setCurrentIndex(0);
    }
    ListCourses();
}

void TSemCourseSheetsForm::ListCourses() {
    const QString department = cbDepartment->GetCode();
    cbCourse->Clear();
    cbCourse->AddCode(QString(), QStringLiteral("(全部)"));
    if (Courses->Active()) {
        TField *id = Courses->FieldByName(QStringLiteral("SemCourseID"));
        TField *name = Courses->FieldByName(QStringLiteral("CourseName"));
        TField *unit = Courses->FieldByName(QStringLiteral("Unit_ID"));
        TField *klass = Courses->FieldByName(QStringLiteral("ClassType"));
        for (int i = 0; i < Courses->RecordCount(); ++i) {
            if (!department.isEmpty() &&
                VarToStr(Courses->ValueAt(i, unit)).trimmed() != department)
                continue;
            const QString code = VarToStr(Courses->ValueAt(i, id)).trimmed();
            // "1131-BI101 生物 一年一班": the course, its name and the class it is for.
            const QString forClass = VarToStr(Courses->ValueAt(i, klass)).trimmed();
            cbCourse->AddCode(code, QStringLiteral("%1 %2 %3")
                                        .arg(code, VarToStr(Courses->ValueAt(i, name)).trimmed(),
                                             forClass.isEmpty()
                                                 ? QString()
                                                 : CodeName(QStringLiteral("st_CLASS"), forClass))
                                        .trimmed());
        }
    }
    cbCourse->setCurrentIndex(0);
}

QString TSemCourseSheetsForm::CoursesWhere() const {
    const QString course = cbCourse->GetCode();
    if (!course.isEmpty())
        return QStringLiteral("SemCourseID='%1'").arg(SqlText(course));
    const QString department = cbDepartment->GetCode();
    if (!department.isEmpty())
        return QStringLiteral("Unit_ID='%1'").arg(SqlText(department));
    return QString(); // every course of the term
}

std::unique_ptr<TQuickRep> TSemCourseSheetsForm::MakeReport() {
    std::unique_ptr<TLumQrHAcadSemCourseGrade> sheet;
    switch (cbSheet->currentIndex()) {
    case shGrades: {
        if (!chkMidGrade->isChecked() && !chkSemGrade->isChecked())
            throw Exception(QStringLiteral("請至少選擇一種成績"));
        auto grades = std::make_unique<TLumQrHAcadSemCourseGrade_Grades>();
        TGradeTypes kinds;
        if (chkMidGrade->isChecked())
            kinds |= gtMid;
        if (chkSemGrade->isChecked())
            kinds |= gtSemester;
        grades->SetGradeKinds(kinds);
        grades->SetPrintSpace(!chkPrintGrades->isChecked());
        sheet = std::move(grades);
        break;
    }
    case shGradesEmpty:
        sheet = std::make_unique<TLumQrHAcadSemCourseGrade_Grades_Empty>();
        break;
    case shAbsence:
        sheet = std::make_unique<TLumQrHAcadSemCourseGrade_Absence>();
        break;
    default:
        sheet = std::make_unique<TLumQrHAcadSemCourseGrade>();
        break;
    }
    sheet->SetYSemester(Semester());
    sheet->OpenSemCourses(CoursesWhere());
    if (sheet->GetMasterDataSet()->IsEmpty())
        throw Exception(QStringLiteral("沒有符合條件的科目"));
    sheet->OpenSemGrade(QString(), true);
    return sheet;
}
