// The batch change of students' class and status against a real server, as a user does it:
// the students of a class shown, three of them selected with clicks, the new class picked and
// changed in one confirm; nothing picked is refused; a student changed meanwhile by another
// client comes back through the reconcile dialog.

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "uChangeDataForm.h"
#include "uCodeComboBox.h"

#include <QToolBar>

class TstStdChangeClass : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    QString Class(const QString &id) {
        return FBench
            ->Query(
                QStringLiteral("SELECT ClassID FROM StdOnSchool WHERE StudentID = '%1'").arg(id))
            .toString();
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        CurrentUserInfo->GetUserInfo();
    }
    void cleanupTestCase() { FBench.reset(); }

    void threeStudentsChangeClassInOneConfirm() {
        auto *form = qobject_cast<TChangeDataForm *>(FBench->Run("TqStdChangeClass.bpl"));
        QVERIFY(form);
        form->resize(900, 700);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        auto *cbShow = form->findChild<TLumCodeComboBox *>(QStringLiteral("cbShowClass"));
        auto *cbNew = form->findChild<TLumCodeComboBox *>(QStringLiteral("cbNewClass"));
        QVERIFY(cbShow && cbNew);
        TClientDataSet *d = form->ActiveDataSet;
        QVERIFY(d->Active());
        QCOMPARE(d->RecordCount(), FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt());
        const QString from = FBench->Query("SELECT MIN(ClassID) FROM StdOnSchool").toString();
        const QString to = FBench->Query("SELECT MAX(ClassID) FROM StdOnSchool").toString();
        QVERIFY(from != to);
        PickCode(cbShow, from);
        QCOMPARE(
            d->RecordCount(),
            FBench
                ->Query(
                    QStringLiteral("SELECT COUNT(*) FROM StdOnSchool WHERE ClassID='%1'").arg(from))
                .toInt());
        QVERIFY(!form->ActChangeData->isEnabled());
        ClickRow(form->GridActive, 0);
        ClickRow(form->GridActive, 2, Qt::ControlModifier);
        ClickRow(form->GridActive, 3, Qt::ControlModifier);
        const QStringList chosen = SelectedIDs(form->GridActive);
        QCOMPARE(chosen.size(), 3);
        QVERIFY(form->ActChangeData->isEnabled());
        // Nothing to change to: the user is told, nothing is written.
        ClickToolButton(form, form->ActChangeData);
        QCOMPARE(FBench->Errors, (QStringList{"請先選擇新班級或新狀態"}));
        FBench->Errors.clear();
        QCOMPARE(d->ChangeCount(), 0);
        QCOMPARE(form->GridActive->SelectedCount(), 3);
        PickCode(cbNew, to);
        ClickToolButton(form, form->ActChangeData);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(d->ChangeCount(), 0);
        for (const QString &id : chosen) {
            QCOMPARE(Class(id), to);
            QVERIFY(FBench
                        ->Query(QStringLiteral(
                                    "SELECT EditInfo FROM StdOnSchool WHERE StudentID = '%1'")
                                    .arg(id))
                        .toString()
                        .startsWith(CurrentUserInfo->Cht_Name));
        }
        QCOMPARE(form->GridActive->SelectedCount(), 0);
        QVERIFY(!form->ActChangeData->isEnabled());
        // The moved students left the class shown.
        QVERIFY(!d->Locate(QStringLiteral("StudentID"), Variant(chosen.first())));

        // Another client moves a student meanwhile: the change comes back for reconciling.
        PickCode(cbShow, QString());
        QVERIFY(d->Locate(QStringLiteral("StudentID"), Variant(chosen.first())));
        FBench->Query(QStringLiteral("UPDATE StdOnSchool SET ClassID = '%1' WHERE StudentID = '%2'")
                          .arg(from, chosen.first()));
        form->GridActive->SelectCurrentRow();
        PickCode(cbNew, from);
        TRefusals refusals;
        ClickToolButton(form, form->ActChangeData);
        QTRY_COMPARE(refusals.Texts.size(), 1);
        QCOMPARE(d->ChangeCount(), 1); // kept for the user to decide
        QCOMPARE(Class(chosen.first()), from);
        form->DataCancelUpdateExecute();
        FBench->CloseJobs();
    }
};

LUM_TEST_MAIN(TstStdChangeClass)
#include "tst_stdchangeclass.moc"
