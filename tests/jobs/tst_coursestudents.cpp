// 課程選修學生維護 against a real server, as a user works it: the term's courses with class and
// teacher by name, students added by number (their names shown at once), a score recorded and
// a student removed in one confirm; a course deleted with its students after one question,
// all deleted in one batch; a new course with its students; a number the roll
// lacks refused at once, a student on leave refused by the server; another client's change of
// the same score coming back through the reconcile dialog; another term read when chosen.

#include "ClientDataSet.h"
#include "DBActions.h"
#include "DBGrid.h"
#include "DBGridModel.h"
#include "DBSpinEdit.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "uCodeComboBox.h"
#include "uMasterDetailTBBaseForm.h"
#include "uTqDBNumEdit.h"

#include <QTableView>
#include <QToolButton>

namespace {

struct TCourseJob {
    TMasterDetailTBBaseForm *Form = nullptr;
    TDBGrid *Courses = nullptr, *Students = nullptr;
    TLUMDBCodeComboBox *Semester = nullptr, *Class = nullptr, *Teacher = nullptr;

    TCourseJob(TForm *form, const QStringList &errors)
        : Form(qobject_cast<TMasterDetailTBBaseForm *>(form)) {
        if (!Form)
            qFatal("TqCourseStudents.bpl gives no master/detail form: %s",
                   qPrintable(errors.join(u' ')));
        Courses = Form->findChild<TDBGrid *>(QStringLiteral("gridCourses"));
        Students = Form->findChild<TDBGrid *>(QStringLiteral("gridStudents"));
        Semester = Form->findChild<TLUMDBCodeComboBox *>(QStringLiteral("cbSemester"));
        Class = Form->findChild<TLUMDBCodeComboBox *>(QStringLiteral("cbClass"));
        Teacher = Form->findChild<TLUMDBCodeComboBox *>(QStringLiteral("cbTeacher"));
        if (!Courses || !Students || !Semester || !Class || !Teacher)
            qFatal("the course job lacks its controls");
        Form->resize(1000, 700);
        Form->show(); // the first show reads the current term
    }
    TClientDataSet *M() const { return Form->MasterDataSet; }
    TClientDataSet *D() const { return Form->DetailDataSet; }

    // Clicks the course's row in the course grid.
    void ChooseCourse(const QString &course) {
        for (int row = 0; row < Courses->model()->rowCount(); ++row)
            if (Courses->model()->index(row, 0).data().toString() == course) {
                QTest::mouseClick(Courses->viewport(), Qt::LeftButton, {},
                                  Courses->visualRect(Courses->model()->index(row, 1)).center());
                QCOMPARE(M()->FieldByName("CourseID")->AsString(), course);
                return;
            }
        QFAIL(qPrintable(QStringLiteral("course %1 not listed").arg(course)));
    }
    // The column of a grid headed so.
    static int Column(TDBGrid *grid, const QString &label) {
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            if (grid->model()->headerData(c, Qt::Horizontal).toString() == label)
                return c;
        return -1;
    }
    QString Cell(TDBGrid *grid, int row, const QString &label) const {
        return grid->model()->index(row, Column(grid, label)).data().toString();
    }
    // Types into a cell of the student being edited, as the grid's editor writes it.
    void TypeCell(const QString &label, const QString &text) {
        TDBGridModel *model = Students->Model();
        QVERIFY(model && model->CurrentRow() >= 0);
        QVERIFY(model->setData(model->index(model->CurrentRow(), Column(Students, label)), text));
    }
    // A student added by number and posted with "確定".
    void AddStudent(const QString &id) {
        ClickToolButton(Form, Form->DataInsert);
        QCOMPARE(D()->State(), dsInsert);
        TypeCell(QStringLiteral("學號"), id);
        ClickToolButton(Form, Form->DataSetPost);
    }
    static void Pick(TLUMDBCodeComboBox *combo, const QString &code) {
        PickCode(combo, code);
        Q_EMIT combo->activated(combo->currentIndex());
    }
};

} // namespace

class TstCourseStudents : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    int Count(const QString &sql) const { return FBench->Query(sql).toInt(); }
    int Enrolled(const QString &course) const {
        return Count(QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE CourseID = '%1'")
                         .arg(course));
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        CurrentUserInfo->GetUserInfo();
    }
    void cleanupTestCase() { FBench.reset(); }
    void cleanup() {
        TAnswer no(QMessageBox::No); // changes a failed test left are dropped
        FBench->CloseJobs();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
    }

    void studentsOfACourseAddedScoredAndRemoved() {
        TCourseJob job(FBench->Run("TqCourseStudents.bpl"), FBench->Errors);
        QCOMPARE(job.Semester->GetCode(), QStringLiteral("1131"));
        QCOMPARE(job.M()->RecordCount(),
                 Count("SELECT COUNT(*) FROM SemCourses WHERE Semester = '1131'"));
        // Class and teacher by name, in the grid and in the course's data.
        job.ChooseCourse(QStringLiteral("1131-CH102"));
        const int row = job.Courses->currentIndex().row();
        QCOMPARE(job.Cell(job.Courses, row, QStringLiteral("班級")), QStringLiteral("一年二班"));
        QCOMPARE(job.Cell(job.Courses, row, QStringLiteral("授課教師")), QStringLiteral("林雅婷"));
        QCOMPARE(job.Class->currentText(), QStringLiteral("一年二班"));
        QCOMPARE(job.Teacher->currentText(), QStringLiteral("林雅婷"));
        const int students = Enrolled("1131-CH102");
        QCOMPARE(job.D()->RecordCount(), students);
        QCOMPARE(job.Cell(job.Students, 0, QStringLiteral("姓名")), QStringLiteral("林冠宇"));
        QCOMPARE(job.Cell(job.Students, 0, QStringLiteral("班級")), QStringLiteral("一年二班"));

        // A student of another class joins: his name and class show as soon as he is typed.
        ClickToolButton(job.Form, job.Form->DataInsert);
        job.TypeCell(QStringLiteral("學號"), QStringLiteral("113001"));
        QCOMPARE(job.D()->FieldByName("Cht_Name")->AsString(), QStringLiteral("王小明"));
        QCOMPARE(job.D()->FieldByName("ClassID")->DisplayText(), QStringLiteral("一年一班"));
        QVERIFY(!job.Form->plDataSelection->isEnabled());
        ClickToolButton(job.Form, job.Form->DataSetPost);
        QCOMPARE(job.D()->State(), dsBrowse);
        QCOMPARE(job.D()->RecordCount(), students + 1);
        // A score is recorded for the first student.
        job.D()->First();
        ClickToolButton(job.Form, job.Form->DataEdit);
        QCOMPARE(job.D()->State(), dsEdit);
        job.TypeCell(QStringLiteral("成績"), QStringLiteral("86.5"));
        ClickToolButton(job.Form, job.Form->DataSetPost);
        const QString scored = job.D()->FieldByName("StudentID")->AsString();
        // And the second one leaves the course.
        job.D()->First();
        job.D()->Next();
        const QString removed = job.D()->FieldByName("StudentID")->AsString();
        {
            TAnswer yes(QMessageBox::Yes);
            ClickToolButton(job.Form, job.Form->DataSetDelete);
            QCOMPARE(yes.Texts, QStringList{QStringLiteral("資料確認要刪除嗎？")});
        }
        QVERIFY(job.Form->DataApplyUpdate->isEnabled());
        QCOMPARE(Enrolled("1131-CH102"), students);
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QCOMPARE(job.M()->ChangeCount(), 0);
        QCOMPARE(job.D()->ChangeCount(), 0);
        const QString where = QStringLiteral(" FROM CourseStudents WHERE CourseID = '1131-CH102' "
                                             "AND StudentID = '%1'");
        QCOMPARE(FBench->Query(QStringLiteral("SELECT Score") + where.arg(scored)).toDouble(),
                 86.5);
        QVERIFY(FBench->Query(QStringLiteral("SELECT EditInfo") + where.arg(scored))
                    .toString()
                    .startsWith(CurrentUserInfo->Cht_Name + u'-'));
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*)") + where.arg("113001")), 1);
        QVERIFY(removed != QStringLiteral("113001"));
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*)") + where.arg(removed)), 0);
        // The course's own record was not touched by its students' changes.
        QCOMPARE(FBench->Query("SELECT EditInfo FROM SemCourses WHERE CourseID = '1131-CH102'")
                     .toString(),
                 QStringLiteral("E004-24/08/20(10:00)-10.0.0.21"));
    }

    void courseDeletedWithItsStudentsInOneBatch() {
        TCourseJob job(FBench->Run("TqCourseStudents.bpl"), FBench->Errors);
        job.ChooseCourse(QStringLiteral("1131-EN101"));
        const int students = Enrolled("1131-EN101");
        QCOMPARE(job.D()->RecordCount(), students);
        {
            TAnswer yes(QMessageBox::Yes);
            job.Form->MasterDelete->trigger();
            QCOMPARE(yes.Texts,
                     QStringList{QStringLiteral("主檔刪除,將一併刪除明細資料,確認要刪除嗎？")});
        }
        QVERIFY(!job.M()->Locate("CourseID", Variant("1131-EN101")));
        QCOMPARE(Enrolled("1131-EN101"), students);
        const int applies = Count("SELECT COUNT(*) FROM ApplyLog");
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses WHERE CourseID = '1131-EN101'"), 0);
        QCOMPARE(Enrolled("1131-EN101"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM ApplyLog"), applies + 1);
        QCOMPARE(Count("SELECT Deleted FROM ApplyLog WHERE Seq = (SELECT MAX(Seq) FROM ApplyLog)"),
                 students + 1);
    }

    void newCourseWithItsStudents() {
        TCourseJob job(FBench->Run("TqCourseStudents.bpl"), FBench->Errors);
        ClickToolButton(job.Form, job.Form->MasterInsert);
        QCOMPARE(job.M()->State(), dsInsert);
        auto *id = job.Form->findChild<TTqDBNumEdit *>(QStringLiteral("edCourseID"));
        auto *name = job.Form->findChild<TTqDBNumEdit *>(QStringLiteral("edCourseName"));
        auto *credits = job.Form->findChild<TDBSpinEdit *>(QStringLiteral("seCredits"));
        QVERIFY(id && name && credits);
        for (const auto &[edit, text] : {std::pair{id, QStringLiteral("1131-AR201")},
                                         std::pair{name, QStringLiteral("美術")}}) {
            edit->setFocus();
            edit->selectAll();
            TypeText(edit, text);
        }
        credits->setFocus();
        credits->selectAll();
        TypeText(credits, QStringLiteral("1"));
        TCourseJob::Pick(job.Class, QStringLiteral("201"));
        TCourseJob::Pick(job.Teacher, QStringLiteral("E002"));
        name->clearFocus();
        ClickToolButton(job.Form, job.Form->DataSetPost);
        QCOMPARE(job.M()->State(), dsBrowse);
        job.AddStudent(QStringLiteral("112001"));
        job.AddStudent(QStringLiteral("112002"));
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses WHERE CourseID = '1131-AR201' AND "
                       "Semester = '1131' AND CourseName = '美術' AND ClassID = '201' AND "
                       "TeacherID = 'E002' AND Credits = 1"),
                 1);
        QVERIFY(FBench->Query("SELECT EditInfo FROM SemCourses WHERE CourseID = '1131-AR201'")
                    .toString()
                    .startsWith(CurrentUserInfo->Cht_Name + u'-'));
        QCOMPARE(Enrolled("1131-AR201"), 2);
    }

    void refusedStudentsWriteNothing() {
        TCourseJob job(FBench->Run("TqCourseStudents.bpl"), FBench->Errors);
        job.ChooseCourse(QStringLiteral("1131-IT101"));
        const int students = Enrolled("1131-IT101");
        // A number the roll lacks: refused at the post, the row stays to be corrected.
        job.AddStudent(QStringLiteral("999999"));
        QCOMPARE(FBench->Errors, QStringList{QStringLiteral("學號 999999 不在學籍資料中")});
        FBench->Errors.clear();
        QCOMPARE(job.D()->State(), dsInsert);
        ClickToolButton(job.Form, job.Form->DataSetCancel);
        QCOMPARE(job.D()->State(), dsBrowse);
        // A student on leave is on the roll, but the server takes no enrolment of him.
        job.AddStudent(QStringLiteral("113004"));
        QCOMPARE(job.D()->RecordCount(), students + 1);
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QCOMPARE(refusals.Texts, QStringList{QStringLiteral("學生 113004 陳怡安 不在學,不可選課")});
        QCOMPARE(Enrolled("1131-IT101"), students);
        QVERIFY(job.Form->DataApplyUpdate->isEnabled());
        // Closing drops what is left, without writing it.
        {
            TAnswer no(QMessageBox::No);
            job.Form->close();
        }
        QCOMPARE(Enrolled("1131-IT101"), students);
    }

    void anotherClientsChangeComesBackThroughTheReconcileDialog() {
        TCourseJob job(FBench->Run("TqCourseStudents.bpl"), FBench->Errors);
        job.ChooseCourse(QStringLiteral("1131-MA201"));
        QVERIFY(job.D()->Locate("StudentID", Variant("112003")));
        // Someone else records the score first.
        FBench->Query("UPDATE CourseStudents SET Score = 70 WHERE CourseID = '1131-MA201' AND "
                      "StudentID = '112003'");
        ClickToolButton(job.Form, job.Form->DataEdit);
        job.TypeCell(QStringLiteral("成績"), QStringLiteral("95"));
        ClickToolButton(job.Form, job.Form->DataSetPost);
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QCOMPARE(refusals.Texts,
                 QStringList{QStringLiteral("選修學生 112003 已被其他使用者變更或刪除")});
        QCOMPARE(FBench
                     ->Query("SELECT Score FROM CourseStudents WHERE CourseID = '1131-MA201' AND "
                             "StudentID = '112003'")
                     .toDouble(),
                 70.0);
    }

    void anotherTermIsReadWhenChosen() {
        TCourseJob job(FBench->Run("TqCourseStudents.bpl"), FBench->Errors);
        QVERIFY(job.M()->RecordCount() > 0);
        TCourseJob::Pick(job.Semester, QStringLiteral("1132"));
        QVERIFY(job.M()->Active());
        QCOMPARE(job.M()->RecordCount(), 0);
        QVERIFY(!job.D()->Active() || job.D()->IsEmpty());
        TCourseJob::Pick(job.Semester, QStringLiteral("1131"));
        QCOMPARE(job.M()->RecordCount(),
                 Count("SELECT COUNT(*) FROM SemCourses WHERE Semester = '1131'"));
    }
};

LUM_TEST_MAIN(TstCourseStudents)
#include "tst_coursestudents.moc"
