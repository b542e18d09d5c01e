#include "uCourseSelectForm.h"

#include "Application.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uCourseFields.h"
#include "uJobGuard.h"
#include "uLumPublic.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

namespace {

TClientDataSet *CourseDataSet(QObject *owner, const char *name, TSocketConnection *connection,
                              const char *provider, const char *param) {
    auto *d = new TClientDataSet(owner);
    d->SetName(QLatin1String(name));
    d->SetAppServer(connection->GetServer());
    d->SetProviderName(QLatin1String(provider));
    d->Params().CreateParam(ftString, QLatin1String(param));
    return d;
}

void AddField(TClientDataSet *d, TFieldType type, const char *name, int size, const char *label,
              TFieldKind kind = fkData) {
    d->AddField(type, QLatin1String(name), size, kind)->SetDisplayLabel(QString::fromUtf8(label));
}

} // namespace

TCourseSelectForm::TCourseSelectForm() {
    setObjectName(QStringLiteral("CourseSelectForm"));
    SetCaption(QStringLiteral("課程選課作業"));
    SocketConnection = new TSocketConnection(this);
    SocketConnection->SetName(QStringLiteral("SocketConnection"));
    SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadCourseINTF"));
    CodeTable = new TCodeTableCDS(this);
    CodeTable->SetName(QStringLiteral("CodeTable"));
    CodeTableSource = new TDataSource(this);
    CodeTableSource->SetName(QStringLiteral("CodeTableSource"));
    CodeTableSource->SetAutoEdit(false);
    CodeTableSource->SetDataSet(CodeTable);

    // The term's courses, each named with its class for the list.
    CoursesDataSet =
        CourseDataSet(this, "CoursesDataSet", SocketConnection, "xspSemCourseIdx", "Semester");
    AddField(CoursesDataSet, ftString, "CourseID", 20, "課程代碼");
    AddField(CoursesDataSet, ftString, "CourseName", 60, "課程名稱");
    AddField(CoursesDataSet, ftString, "ClassName", 120, "班級");
    AddField(CoursesDataSet, ftString, "TeacherName", 40, "授課教師");
    AddField(CoursesDataSet, ftInteger, "Credits", 0, "學分");
    AddField(CoursesDataSet, ftInteger, "StudentCount", 0, "選修人數");
    AddField(CoursesDataSet, ftString, "CourseTitle", 120, "課程", fkCalculated);
    CoursesDataSet->OnCalcFields = [](TDataSet *d) {
        d->FieldByName(QStringLiteral("CourseTitle"))
            ->SetAsString(QStringLiteral("%1 %2(%3)")
                              .arg(d->FieldByName(QStringLiteral("CourseID"))->AsString(),
                                   d->FieldByName(QStringLiteral("CourseName"))->AsString(),
                                   d->FieldByName(QStringLiteral("ClassName"))->AsString()));
    };
    CoursesSource = new TDataSource(this);
    CoursesSource->SetName(QStringLiteral("CoursesSource"));
    CoursesSource->SetAutoEdit(false);
    CoursesSource->SetDataSet(CoursesDataSet);

    // The candidates, with sex and class by name.
    CandidatesDataSet = CourseDataSet(this, "CandidatesDataSet", SocketConnection,
                                      "dspCourseCandidates", "CourseID");
    AddField(CandidatesDataSet, ftString, "StudentID", 10, "學號");
    AddField(CandidatesDataSet, ftString, "Cht_Name", 40, "姓名");
    AddField(CandidatesDataSet, ftString, "Sex", 1, "性別");
    AddField(CandidatesDataSet, ftString, "ClassID", 10, "班級");
    AddField(CandidatesDataSet, ftInteger, "SeatNo", 0, "座號");
    ShowCodeByName(this, CandidatesDataSet->FieldByName(QStringLiteral("Sex")),
                   QStringLiteral("NSEX"));
    ShowCodeByName(this, CandidatesDataSet->FieldByName(QStringLiteral("ClassID")),
                   QStringLiteral("st_CLASS"));
    // The students of the course, stamped as they are enrolled.
    EnrolledDataSet =
        CourseDataSet(this, "EnrolledDataSet", SocketConnection, "dspCourseStudents", "CourseID");
    DefineEnrolmentFields(this, EnrolledDataSet);
    EnrolledDataSet->OnNewRecord = [this](TDataSet *d) {
        d->FieldByName(QStringLiteral("CourseID"))->SetAsString(Course());
    };
    EnrolledDataSet->BeforePost = [this](TDataSet *d) { DataSetBeforePost(d); };
    SelectSource->SetDataSet(CandidatesDataSet);
    ActiveSource->SetDataSet(EnrolledDataSet);

    // The term and the course in the conditions.
    auto *semester = new QLabel(QStringLiteral("學期:"), gbConditionSet);
    cbSemester = DataCodeList(gbConditionSet, "cbSemester", CodeTableSource,
                              QStringLiteral("Main_Code='YSemester'"), "Code", "Descript");
    semester->setBuddy(cbSemester);
    auto *course = new QLabel(QStringLiteral("課程:"), gbConditionSet);
    cbCourse = DataCodeList(gbConditionSet, "cbCourse", CoursesSource, QString(), "CourseID",
                            "CourseTitle");
    cbCourse->setMinimumContentsLength(24);
    course->setBuddy(cbCourse);
    lbCourseInfo = new QLabel(gbConditionSet);
    lbCourseInfo->setObjectName(QStringLiteral("lbCourseInfo"));
    auto *conditions = new QHBoxLayout(gbConditionSet);
    conditions->addWidget(semester);
    conditions->addWidget(cbSemester);
    conditions->addSpacing(12);
    conditions->addWidget(course);
    conditions->addWidget(cbCourse, 1);
    conditions->addSpacing(12);
    conditions->addWidget(lbCourseInfo);
    connect(cbSemester, &QComboBox::activated, this,
            [this] { RunGuarded([this] { OpenSemester(); }); });
    connect(cbCourse, &QComboBox::activated, this,
            [this] { RunGuarded([this] { OpenCourse(); }); });
    plDataSelection->hide();

    // A move that the server refused stays pending: it can be confirmed again or dropped.
    DataApplyUpdate->setVisible(true);
    DataCancelUpdate->setVisible(true);
    resize(900, 600);
    OpCtrl();
}

TCourseSelectForm::~TCourseSelectForm() {
    // The datasets' handlers call into this form: they go before its parts do.
    EnrolledDataSet->OnNewRecord = nullptr;
    EnrolledDataSet->BeforePost = nullptr;
    CoursesDataSet->OnCalcFields = nullptr;
}

QString TCourseSelectForm::Semester() const {
    return cbSemester->GetCode();
}

QString TCourseSelectForm::Course() const {
    return cbCourse->GetCode();
}

void TCourseSelectForm::DoFormInitial() {
    // The school's current term, as its code table says.
    ChooseCurrentSemester(cbSemester, CodeTable);
    OpenSemester();
    // From here on every move is confirmed at once.
    TDualGridForm::DoFormInitial();
}

void TCourseSelectForm::OpenSemester() {
    CoursesDataSet->Close();
    CoursesDataSet->Params().ParamByName(QStringLiteral("Semester")).SetAsString(Semester());
    try {
        CoursesDataSet->Open();
    } catch (...) {
        DisConnection();
        throw;
    }
    if (cbCourse->count() > 0)
        cbCourse->setCurrentIndex(0);
    OpenCourse();
}

void TCourseSelectForm::OpenCourse() {
    // Moves the server refused are confirmed again or dropped before another course shows.
    if (EnrolledDataSet->Active() && EnrolledDataSet->ChangeCount() > 0) {
        if (Confirm(QStringLiteral("修改未確認,是否確認？")))
            EnrolledDataSet->ApplyUpdates(0);
        EnrolledDataSet->CancelUpdates();
    }
    Clear();
    try {
        for (TClientDataSet *d : {CandidatesDataSet, EnrolledDataSet}) {
            d->Close();
            d->Params().ParamByName(QStringLiteral("CourseID")).SetAsString(Course());
            if (!Course().isEmpty())
                d->Open();
        }
    } catch (...) {
        DisConnection();
        OpCtrl();
        throw;
    }
    DisConnection();
    ShowCourseInfo();
    OpCtrl();
}

void TCourseSelectForm::ShowCourseInfo() {
    if (Course().isEmpty() || !CoursesDataSet->Active() ||
        !CoursesDataSet->Locate(QStringLiteral("CourseID"), Variant(Course()))) {
        lbCourseInfo->clear();
        return;
    }
    lbCourseInfo->setText(
        QStringLiteral("授課教師: %1  學分: %2  選修人數: %3")
            .arg(CoursesDataSet->FieldByName(QStringLiteral("TeacherName"))->AsString())
            .arg(CoursesDataSet->FieldByName(QStringLiteral("Credits"))->AsInteger())
            .arg(EnrolledDataSet->Active() ? EnrolledDataSet->RecordCount() : 0));
}

void TCourseSelectForm::InsertOneData() {
    const QString id = CandidatesDataSet->FieldByName(QStringLiteral("StudentID"))->AsString();
    // A student is enrolled once.
    if (EnrolledDataSet->Locate(QStringLiteral("StudentID"), Variant(id)))
        return;
    EnrolledDataSet->Append();
    try {
        CopyStudent(EnrolledDataSet, CandidatesDataSet);
        EnrolledDataSet->Post();
    } catch (...) {
        EnrolledDataSet->Cancel();
        throw;
    }
}

bool TCourseSelectForm::DoRemoveCheck() {
    if (EnrolledDataSet->FieldByName(QStringLiteral("Score"))->IsNull())
        return true;
    const QString student = EnrolledDataSet->FieldByName(QStringLiteral("StudentID"))->AsString() +
                            u' ' +
                            EnrolledDataSet->FieldByName(QStringLiteral("Cht_Name"))->AsString();
    if (!FKept.contains(student))
        FKept << student;
    return false;
}

void TCourseSelectForm::DoActiveDataChange(TActiveDataOperation operation) {
    if (!FKept.isEmpty()) {
        const QString kept = FKept.join(u'\n');
        FKept.clear();
        ShowMessage(QStringLiteral("下列學生已有成績,不可移除:\n") + kept);
    }
    TDualGridForm::DoActiveDataChange(operation);
}

void TCourseSelectForm::DoDataApplyUpdates() {
    if (!EnrolledDataSet->Active())
        return;
    if (EnrolledDataSet->ChangeCount() > 0)
        EnrolledDataSet->ApplyUpdates(0);
    // The course as the server now has it: the candidates left, and the students enrolled
    // with their names (unless some moves wait to be confirmed again).
    CandidatesDataSet->Close();
    CandidatesDataSet->Open();
    if (EnrolledDataSet->ChangeCount() == 0) {
        EnrolledDataSet->Close();
        EnrolledDataSet->Open();
    }
    ShowCourseInfo();
}

void TCourseSelectForm::DoDataCancelUpdates() {
    if (EnrolledDataSet->Active())
        EnrolledDataSet->CancelUpdates();
}

void TCourseSelectForm::OpCtrl() {
    TDualGridForm::OpCtrl();
    if (!EnrolledDataSet)
        return;
    const bool changes = EnrolledDataSet->Active() && EnrolledDataSet->ChangeCount() > 0;
    SetEnabledApply(changes);
    DataCancelUpdate->setEnabled(changes);
}

void TCourseSelectForm::FormClose(TCloseAction &action) {
    if (EnrolledDataSet->Active() && EnrolledDataSet->ChangeCount() > 0) {
        if (Confirm(QStringLiteral("修改未確認,是否確認？")))
            EnrolledDataSet->ApplyUpdates(0);
        EnrolledDataSet->CancelUpdates();
    }
    TDualGridForm::FormClose(action);
}
