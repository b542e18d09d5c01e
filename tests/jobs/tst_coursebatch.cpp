// The batch enrolment against a real server, as a user works it: a course picked, the
// students of another class found by the query, three of them selected and enrolled in one
// confirm, two removed again (a student with a score stays), and one student's score given to
// the third in one confirm.

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "uBaseTBQCDS_V2.h"
#include "uCodeComboBox.h"

#include <QToolBar>

namespace {

void ClickRow(TDBGrid *grid, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    grid->scrollTo(grid->model()->index(row, 0));
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
}

QStringList Selected(TDBGrid *grid) {
    TDataSet *d = grid->DataSet();
    const TBookmark here = d->GetBookmark();
    QStringList ids;
    for (TBookmark b : grid->SelectedRows()) {
        d->GotoBookmark(b);
        ids << d->FieldByName(QStringLiteral("StudentID"))->AsString();
    }
    d->GotoBookmark(here);
    return ids;
}

} // namespace

class TstCourseBatch : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    int Enrolled(const QString &course, const QString &more = QString()) {
        return FBench
            ->Query(QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE CourseID = '%1'%2")
                        .arg(course, more))
            .toInt();
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        CurrentUserInfo->GetUserInfo();
    }
    void cleanupTestCase() { FBench.reset(); }

    void studentsAreEnrolledRemovedAndScoredInOneConfirmEach() {
        auto *form = qobject_cast<TBaseTBQCDS_V2 *>(FBench->Run("TqCourseBatch.bpl"));
        QVERIFY(form);
        form->resize(1000, 760);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        auto *cbCourse = form->findChild<TLumCodeComboBox *>(QStringLiteral("cbCourse"));
        auto *cbClass = form->findChild<TLumCodeComboBox *>(QStringLiteral("cbClass"));
        auto *enrolled = form->findChild<TDBGrid *>(QStringLiteral("gridEnrolled"));
        QVERIFY(cbCourse && cbClass && enrolled);
        // A course of the term with students, scored.
        const QString course =
            FBench
                ->Query(QStringLiteral(
                    "SELECT MIN(CourseID) FROM CourseStudents WHERE Score IS NOT NULL"))
                .toString();
        QVERIFY(!course.isEmpty());
        PickCode(cbCourse, course);
        TDataSet *list = enrolled->DataSet();
        QVERIFY(list && list->Active());
        const int before = Enrolled(course);
        QCOMPARE(list->RecordCount(), before);
        // The students of another class, not yet in the course.
        const QString ownClass =
            FBench
                ->Query(QStringLiteral("SELECT ClassID FROM SemCourses WHERE CourseID = '%1'")
                            .arg(course))
                .toString();
        const QString other =
            FBench
                ->Query(QStringLiteral("SELECT MIN(ClassID) FROM StdOnSchool WHERE ClassID <> "
                                       "'%1' AND State = '0'")
                            .arg(ownClass))
                .toString();
        PickCode(cbClass, other);
        ClickToolButton(form, form->DataQuery);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        TClientDataSet *candidates = form->QueryDataSet;
        QCOMPARE(candidates->RecordCount(),
                 FBench
                     ->Query(QStringLiteral(
                                 "SELECT COUNT(*) FROM StdOnSchool s WHERE ClassID = '%1' AND "
                                 "State = '0' AND NOT EXISTS (SELECT 1 FROM CourseStudents c "
                                 "WHERE c.CourseID = '%2' AND c.StudentID = s.StudentID)")
                                 .arg(other, course))
                     .toInt());
        QVERIFY(!form->ActGridCopyInto->isEnabled());
        ClickRow(form->DBGrid, 0);
        ClickRow(form->DBGrid, 1, Qt::ControlModifier);
        ClickRow(form->DBGrid, 2, Qt::ControlModifier);
        const QStringList chosen = Selected(form->DBGrid);
        QCOMPARE(chosen.size(), 3);
        QVERIFY(form->ActGridCopyInto->isEnabled());
        ClickToolButton(form, form->ActGridCopyInto);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(Enrolled(course), before + 3);
        QCOMPARE(list->RecordCount(), before + 3);
        QVERIFY(!candidates->Active()); // the candidates are asked for again
        QVERIFY(form->DataQuery->isEnabled());

        // Two of them and a scored student selected for removal: the scored one stays.
        TBoxReader boxes;
        enrolled->ClearSelection();
        for (const QString &id : chosen.mid(0, 2)) {
            QVERIFY(list->Locate(QStringLiteral("StudentID"), Variant(id)));
            enrolled->SelectCurrentRow();
        }
        list->First();
        while (!list->Eof() && list->FieldByName(QStringLiteral("Score"))->IsNull())
            list->Next();
        const QString scored = list->FieldByName(QStringLiteral("StudentID"))->AsString();
        const QString name = list->FieldByName(QStringLiteral("Cht_Name"))->AsString();
        const double score = list->FieldByName(QStringLiteral("Score"))->AsFloat();
        enrolled->SelectCurrentRow();
        QVERIFY(form->ActGridDelete->isEnabled());
        ClickToolButton(form, form->ActGridDelete);
        QTRY_COMPARE(boxes.Texts,
                     QStringList{QStringLiteral("已有成績的學生不移除: %1").arg(name)});
        QCOMPARE(Enrolled(course), before + 1);
        QCOMPARE(Enrolled(course, QStringLiteral(" AND StudentID = '%1'").arg(scored)), 1);

        // That student's score given to the third new one.
        QVERIFY(list->Locate(QStringLiteral("StudentID"), Variant(scored)));
        ClickToolButton(form, form->ActGridCopy);
        QVERIFY(!form->ActGridPaste->isEnabled()); // no row selected yet
        QVERIFY(list->Locate(QStringLiteral("StudentID"), Variant(chosen[2])));
        enrolled->SelectCurrentRow();
        QVERIFY(form->ActGridPaste->isEnabled());
        ClickToolButton(form, form->ActGridPaste);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(FBench
                     ->Query(QStringLiteral("SELECT Score FROM CourseStudents WHERE CourseID "
                                            "= '%1' AND StudentID = '%2'")
                                 .arg(course, chosen[2]))
                     .toDouble(),
                 score);
        QCOMPARE(enrolled->SelectedCount(), 0);
        FBench->CloseJobs();
    }
};

LUM_TEST_MAIN(TstCourseBatch)
#include "tst_coursebatch.moc"
