// 課程選課作業 against a real server, as a user works it: a course chosen in the conditions,
// candidates picked with clicks and added, a student removed, each move in the server's
// database at once; "全部移除" leaving exactly the students whose scores are recorded, and
// saying so; a score recorded by someone else meanwhile refused by the server through the
// reconcile dialog, the move left to be dropped; nothing to add without a pick.

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "uCodeComboBox.h"
#include "uDualGridForm.h"

#include <QLabel>
#include <QToolButton>

namespace {

struct TSelectJob {
    TDualGridForm *Form;
    TLUMDBCodeComboBox *Semester, *Course;

    TSelectJob(TForm *form, const QStringList &errors) : Form(qobject_cast<TDualGridForm *>(form)) {
        if (!Form)
            qFatal("TqCourseSelect.bpl gives no dual grid form: %s", qPrintable(errors.join(u' ')));
        Semester = Form->findChild<TLUMDBCodeComboBox *>(QStringLiteral("cbSemester"));
        Course = Form->findChild<TLUMDBCodeComboBox *>(QStringLiteral("cbCourse"));
        if (!Semester || !Course)
            qFatal("the course selection lacks its conditions");
        Form->resize(1000, 700);
        Form->show();
        if (!QTest::qWaitForWindowExposed(Form))
            qFatal("the course selection does not show");
    }
    TDataSet *Left() const { return Form->SelectSource->DataSet(); }
    TDataSet *Right() const { return Form->ActiveSource->DataSet(); }
    void Choose(const QString &course) {
        PickCode(Course, course);
        Q_EMIT Course->activated(Course->currentIndex());
    }
    // Clicks the row of a student in a grid.
    static void Click(TDBGrid *grid, const QString &student,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            if (grid->model()->index(row, 0).data().toString() == student) {
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers,
                                  grid->visualRect(grid->model()->index(row, 1)).center());
                return;
            }
        QFAIL(qPrintable(QStringLiteral("student %1 not listed").arg(student)));
    }
    static QStringList Column(TDataSet *d, const char *field) {
        QStringList values;
        for (d->First(); !d->Eof(); d->Next())
            values << d->FieldByName(QLatin1String(field))->AsString();
        return values;
    }
};

} // namespace

class TstCourseSelect : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    QStringList Enrolled(const QString &course) const {
        QStringList ids;
        for (int i = 0;; ++i) {
            const QVariant id =
                FBench->Query(QStringLiteral("SELECT StudentID FROM CourseStudents WHERE "
                                             "CourseID = '%1' ORDER BY StudentID LIMIT 1 OFFSET %2")
                                  .arg(course)
                                  .arg(i));
            if (!id.isValid())
                return ids;
            ids << id.toString();
        }
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

    void movesConfirmedToTheServerAtOnce() {
        TSelectJob job(FBench->Run("TqCourseSelect.bpl"), FBench->Errors);
        QCOMPARE(job.Semester->GetCode(), QStringLiteral("1131"));
        job.Choose(QStringLiteral("1131-IT301"));
        const QStringList before = Enrolled("1131-IT301");
        QCOMPARE(TSelectJob::Column(job.Right(), "StudentID").mid(0, 3),
                 (QStringList{"111001", "111002", "111003"}));
        QCOMPARE(job.Right()->RecordCount(), before.size());
        QCOMPARE(job.Left()->RecordCount(),
                 FBench->Query("SELECT COUNT(*) FROM StdOnSchool WHERE State = '0'").toInt() -
                     before.size());
        // Class and sex by name; the course's teacher and count beside the list.
        QVERIFY(job.Left()->Locate("StudentID", Variant("112031")));
        QCOMPARE(job.Left()->FieldByName("ClassID")->DisplayText(), QStringLiteral("二年二班"));
        QCOMPARE(job.Left()->FieldByName("Sex")->DisplayText(), QStringLiteral("男"));
        auto *info = job.Form->findChild<QLabel *>(QStringLiteral("lbCourseInfo"));
        QVERIFY(info->text().contains(QStringLiteral("陳志明")));
        // Nothing picked, nothing to add.
        QVERIFY(!job.Form->ActInsert->isEnabled());
        QVERIFY(job.Form->ActInsertAll->isEnabled());

        // Two candidates picked with clicks, added: in the database at once.
        TSelectJob::Click(job.Form->gridSelect, QStringLiteral("112031"));
        TSelectJob::Click(job.Form->gridSelect, QStringLiteral("113002"), Qt::ControlModifier);
        QVERIFY(job.Form->ActInsert->isEnabled());
        QTest::mouseClick(job.Form->btnInsert, Qt::LeftButton);
        QStringList added = before + QStringList{"112031", "113002"};
        added.sort();
        QCOMPARE(Enrolled("1131-IT301"), added);
        QVERIFY(!job.Left()->Locate("StudentID", Variant("112031")));
        QVERIFY(job.Right()->Locate("StudentID", Variant("113002")));
        QCOMPARE(job.Right()->FieldByName("Cht_Name")->AsString(), QStringLiteral("李佳穎"));
        QVERIFY(FBench
                    ->Query("SELECT EditInfo FROM CourseStudents WHERE CourseID = '1131-IT301' "
                            "AND StudentID = '113002'")
                    .toString()
                    .startsWith(CurrentUserInfo->Cht_Name + u'-'));
        QVERIFY(info->text().contains(QStringLiteral("選修人數: %1").arg(before.size() + 2)));
        // One of them removed again: back among the candidates.
        TSelectJob::Click(job.Form->gridActive, QStringLiteral("112031"));
        QTest::mouseClick(job.Form->btnDelete, Qt::LeftButton);
        added.removeOne(QStringLiteral("112031"));
        QCOMPARE(Enrolled("1131-IT301"), added);
        QVERIFY(job.Left()->Locate("StudentID", Variant("112031")));
        QVERIFY(!job.Form->DataApplyUpdate->isEnabled());
    }

    void removeAllKeepsTheStudentsWithScores() {
        TSelectJob job(FBench->Run("TqCourseSelect.bpl"), FBench->Errors);
        job.Choose(QStringLiteral("1131-CH201"));
        // The class's scores are in: every student of it is named when all are removed.
        const QStringList scored = Enrolled("1131-CH201");
        const QStringList shown = TSelectJob::Column(job.Right(), "StudentID");
        QCOMPARE(shown.mid(0, 3), (QStringList{"112001", "112002", "112003"}));
        QString names;
        for (job.Right()->First(); !job.Right()->Eof(); job.Right()->Next())
            names += u'\n' + job.Right()->FieldByName("StudentID")->AsString() + u' ' +
                     job.Right()->FieldByName("Cht_Name")->AsString();
        QVERIFY(names.startsWith(QStringLiteral("\n112001 劉宜蓁\n112002 蔡宗翰\n112003 鄭雅雯")));
        // A student without a score joins them.
        TSelectJob::Click(job.Form->gridSelect, QStringLiteral("113003"));
        QTest::mouseClick(job.Form->btnInsert, Qt::LeftButton);
        QCOMPARE(Enrolled("1131-CH201"), scored + QStringList{"113003"});
        TAnswer ok(QMessageBox::Ok);
        job.Form->ActDeleteAll->trigger();
        QCOMPARE(ok.Texts, QStringList{QStringLiteral("下列學生已有成績,不可移除:") + names});
        QCOMPARE(Enrolled("1131-CH201"), scored);
        QCOMPARE(TSelectJob::Column(job.Right(), "StudentID"), shown);
        QVERIFY(job.Left()->Locate("StudentID", Variant("113003")));
    }

    void scoreRecordedMeanwhileIsRefusedByTheServer() {
        TSelectJob job(FBench->Run("TqCourseSelect.bpl"), FBench->Errors);
        job.Choose(QStringLiteral("1131-HI202"));
        const QStringList before = Enrolled("1131-HI202");
        QVERIFY(before.contains(QStringLiteral("112031")));
        // Someone records a score after this list was read.
        FBench->Query("UPDATE CourseStudents SET Score = 82 WHERE CourseID = '1131-HI202' AND "
                      "StudentID = '112031'");
        TSelectJob::Click(job.Form->gridActive, QStringLiteral("112031"));
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnDelete, Qt::LeftButton);
        QCOMPARE(refusals.Texts,
                 QStringList{QStringLiteral("學生 112031 謝明哲 已有成績,不可退選")});
        QCOMPARE(Enrolled("1131-HI202"), before);
        // The refused move waits; the user drops it and sees the student again.
        QVERIFY(job.Form->DataApplyUpdate->isEnabled());
        job.Form->DataCancelUpdate->trigger();
        QVERIFY(!job.Form->DataApplyUpdate->isEnabled());
        QVERIFY(job.Right()->Locate("StudentID", Variant("112031")));
    }
};

LUM_TEST_MAIN(TstCourseSelect)
#include "tst_courseselect.moc"
