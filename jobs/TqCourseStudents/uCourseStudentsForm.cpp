#include "uCourseStudentsForm.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBActions.h"
#include "DBGrid.h"
#include "DBSpinEdit.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "StatelessDataSet.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uCodeFieldLink.h"
#include "uCourseFields.h"
#include "uJobControls.h"
#include "uJobGuard.h"
#include "uJobServerData.h"
#include "uTqDBNumEdit.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

TCourseStudentsForm::TCourseStudentsForm() {
    setObjectName(QStringLiteral("CourseStudentsForm"));
    SetCaption(QStringLiteral("課程選修學生維護"));
    SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadCourseINTF"));
    MasterDataSet->SetProviderName(QStringLiteral("dspSemCourses"));
    MasterDataSet->Params().CreateParam(ftString, QStringLiteral("Semester"));

    StaffData = new TJobServerData(this, QStringLiteral("SrvPersonnel.PersonnelINTF"));
    Staff = StaffData->AddDataSet(QStringLiteral("xEmployeesIdxProvider"));
    StaffSource = new TDataSource(this);
    StaffSource->SetName(QStringLiteral("StaffSource"));
    StaffSource->SetDataSet(Staff);
    RollData = new TJobServerData(this, QStringLiteral("SrvAcademic.AcadStudentINTF"));
    Roll = RollData->AddDataSet(QStringLiteral("xStdOnSchoolIdxProvider"));

    DefineCourseFields(this, MasterDataSet, Staff);
    DetailDataSet->SetDataSetField(
        static_cast<TDataSetField *>(MasterDataSet->FieldByName(QStringLiteral("CourseStudents"))));
    DefineEnrolmentFields(this, DetailDataSet);
    MasterDataSet->BeforePost = [this](TDataSet *d) { MasterBeforePost(d); };
    MasterDataSet->AfterPost = [this](TDataSet *) { FEditingCourse = false; };
    MasterDataSet->AfterCancel = [this](TDataSet *) { FEditingCourse = false; };
    MasterDataSet->OnNewRecord = [this](TDataSet *d) {
        FEditingCourse = true;
        d->FieldByName(QStringLiteral("Semester"))->SetAsString(Semester());
    };
    DetailDataSet->BeforePost = [this](TDataSet *d) { DetailBeforePost(d); };
    DetailDataSet->OnNewRecord = [this](TDataSet *d) {
        d->FieldByName(QStringLiteral("CourseID"))
            ->SetValue(MasterDataSet->FieldByName(QStringLiteral("CourseID"))->Value());
    };
    // A number typed shows the student's name, class and seat at once.
    DetailDataSet->FieldByName(QStringLiteral("StudentID"))->OnChange = [this](TField *) {
        FillFromRoll(DetailDataSet, Roll);
    };

    // The term at the top, beside the read button.
    lbSemester = new QLabel(QStringLiteral("學期:"), plDataSelection);
    cbSemester = DataCodeList(plDataSelection, "cbSemester", CodeTableMainSource,
                              QStringLiteral("Main_Code='YSemester'"), "Code", "Descript");
    lbSemester->setBuddy(cbSemester);
    auto *selection = static_cast<QHBoxLayout *>(plDataSelection->layout());
    selection->insertWidget(0, lbSemester);
    selection->insertWidget(1, cbSemester);
    // Another term is read at once (changes of the term shown first confirmed or dropped).
    connect(cbSemester, &QComboBox::activated, this,
            [this] { RunGuarded([this] { DataOpenExecute(); }); });

    // The courses and the chosen one's data on the left, its students on the right.
    auto *splitter = new QSplitter(Qt::Horizontal, ClientPanel);
    auto *courses = new QGroupBox(QStringLiteral("課程"), splitter);
    courses->setObjectName(QStringLiteral("gbCourses"));
    gridCourses = JobGrid(courses, "gridCourses", MasterSource, true);
    auto *course = new QGroupBox(QStringLiteral("課程資料"), courses);
    course->setObjectName(QStringLiteral("gbCourse"));
    edCourseID = JobFieldEdit(course, MasterSource, "CourseID");
    edCourseName = JobFieldEdit(course, MasterSource, "CourseName");
    cbClass = DataCodeList(course, "cbClass", CodeTableMainSource,
                           QStringLiteral("Main_Code='st_CLASS'"), "Code", "Descript");
    cbTeacher = DataCodeList(course, "cbTeacher", StaffSource, QString(), "EmpID", "Cht_Name");
    seCredits = new TDBSpinEdit(course);
    seCredits->setObjectName(QStringLiteral("seCredits"));
    seCredits->SetDataSource(MasterSource);
    seCredits->SetDataField(QStringLiteral("Credits"));
    FLinks.push_back(
        std::make_unique<TCodeFieldLink>(cbClass, MasterSource, QStringLiteral("ClassID")));
    FLinks.push_back(
        std::make_unique<TCodeFieldLink>(cbTeacher, MasterSource, QStringLiteral("TeacherID")));
    auto *form = new QFormLayout(course);
    form->addRow(QStringLiteral("課程代碼:"), edCourseID);
    form->addRow(QStringLiteral("課程名稱:"), edCourseName);
    form->addRow(QStringLiteral("班級:"), cbClass);
    form->addRow(QStringLiteral("授課教師:"), cbTeacher);
    form->addRow(QStringLiteral("學分:"), seCredits);
    auto *left = new QVBoxLayout(courses);
    left->addWidget(gridCourses, 1);
    left->addWidget(course);
    auto *students = new QGroupBox(QStringLiteral("選修學生"), splitter);
    students->setObjectName(QStringLiteral("gbStudents"));
    gridStudents = JobGrid(students, "gridStudents", DetailSource, false);
    auto *right = new QVBoxLayout(students);
    right->addWidget(gridStudents);
    splitter->setSizes({420, 380});
    ClientLayout->addWidget(splitter, 1);
    connect(gridCourses, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        MasterPopupMenu->popup(gridCourses->viewport()->mapToGlobal(pos));
    });
    connect(gridStudents, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        DataEditPopupMenu->popup(gridStudents->viewport()->mapToGlobal(pos));
    });

    ActMasterEdit = new TAction(this, QStringLiteral("ActMasterEdit"), QStringLiteral("Dataset"),
                                QStringLiteral("課程修改"));
    ActMasterEdit->SetHint(QStringLiteral("修改課程資料"));
    ActMasterEdit->OnExecute = [this] { ActMasterEditExecute(); };
    MasterPopupMenu->insertAction(MasterDelete, ActMasterEdit);
    DataInsert->SetHint(QStringLiteral("新增一位選修學生"));
    DataSetDelete->SetHint(QStringLiteral("移除選修學生"));
    for (QAction *action : std::initializer_list<QAction *>{
             DataRefresh, MasterInsert, MasterDelete, DataInsert, DataEdit, DataSetDelete,
             DataSetPost, DataSetCancel, DataSetFirst, DataSetPrior, DataSetNext, DataSetLast})
        action->setVisible(true);
    ToolBar1->addSeparator();
    for (QAction *action : std::initializer_list<QAction *>{
             MasterInsert, ActMasterEdit, MasterDelete, DataSetDelete, ExportToExcel})
        ToolBar1->addAction(action);
    resize(900, 600);
    OpCtrl();
}

TCourseStudentsForm::~TCourseStudentsForm() {
    // The datasets' handlers call into this form: they go before its parts do.
    MasterDataSet->BeforePost = nullptr;
    MasterDataSet->AfterPost = nullptr;
    MasterDataSet->AfterCancel = nullptr;
    MasterDataSet->OnNewRecord = nullptr;
    DetailDataSet->BeforePost = nullptr;
    DetailDataSet->OnNewRecord = nullptr;
    if (TField *id = DetailDataSet->FindField(QStringLiteral("StudentID")))
        id->OnChange = nullptr;
}

QString TCourseStudentsForm::Semester() const {
    return cbSemester->GetCode();
}

void TCourseStudentsForm::DoFormInitial() {
    TMasterDetailTBBaseForm::DoFormInitial();
    // The school's current term, as its code table says; the staff and the roll for names.
    ChooseCurrentSemester(cbSemester, CodeTableMain);
    StaffData->Open(Staff);
    RollData->Open(Roll);
    DataOpenExecute();
}

void TCourseStudentsForm::DoDataOpen() {
    MasterDataSet->Close();
    MasterDataSet->Params().ParamByName(QStringLiteral("Semester")).SetAsString(Semester());
    MasterDataSet->Open();
}

void TCourseStudentsForm::OpCtrl() {
    TMasterDetailTBBaseForm::OpCtrl();
    if (!ActMasterEdit)
        return;
    const TClientDataSet *m = MasterDataSet;
    const TClientDataSet *d = DetailDataSet;
    const bool browsing = m->Active() && m->State() == dsBrowse && !d->IsEditing();
    ActMasterEdit->setEnabled(browsing && !m->IsEmpty());
    // "確定" and "復原" go to the record being edited: a student while one is, else the course.
    TDataSource *target = d->Active() && d->IsEditing() ? DetailSource : MasterSource;
    for (TDataSetAction *action : {DataSetPost, DataSetCancel})
        if (action->DataSource() != target)
            action->SetDataSource(target);
}

void TCourseStudentsForm::ActMasterEditExecute() {
    Guarded(
        [this] {
            FEditingCourse = true;
            MasterDataSet->Edit();
        },
        [this] { OpCtrl(); });
}

void TCourseStudentsForm::MasterBeforePost(TDataSet *dataSet) {
    if (!FEditingCourse)
        return; // a change of the course's students, written into it
    if (dataSet->FieldByName(QStringLiteral("CourseID"))->AsString().trimmed().isEmpty()) {
        if (edCourseID->isVisible())
            edCourseID->setFocus();
        throw Exception(QStringLiteral("「課程代碼」必須輸入"));
    }
    if (dataSet->FieldByName(QStringLiteral("CourseName"))->AsString().trimmed().isEmpty()) {
        if (edCourseName->isVisible())
            edCourseName->setFocus();
        throw Exception(QStringLiteral("「課程名稱」必須輸入"));
    }
    DataSetBeforePost(dataSet);
}

void TCourseStudentsForm::DetailBeforePost(TDataSet *dataSet) {
    const QString id = dataSet->FieldByName(QStringLiteral("StudentID"))->AsString().trimmed();
    if (id.isEmpty())
        throw Exception(QStringLiteral("「學號」必須輸入"));
    if (!FillFromRoll(dataSet, Roll))
        throw Exception(QStringLiteral("學號 %1 不在學籍資料中").arg(id));
    DataSetBeforePost(dataSet);
}
