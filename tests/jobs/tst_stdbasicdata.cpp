// The students' basic data against a real server, driven through the forms as a user does:
// the grid of every student and the one-student form, editing with the code lists and the
// date picker, the edit stamp, new and deleted students confirmed in one batch, a refused row,
// changes dropped on close, the grid printed into a table of the student-list template, and
// the grid exported into the school-heading workbook.

#include "CalendarX.h"
#include "ClientDataSet.h"
#include "DBActions.h"
#include "DBCheckListBox.h"
#include "DesktopLauncher.h"
#include "DialogSets.h"
#include "ExcelApplication.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "OfficeViewerUi.h"
#include "Packages.h"
#include "PdfTestSupport.h"
#include "PrintTestSupport.h"
#include "uCalendarDialog.h"
#include "uCodeComboBox.h"
#include "uDocuReport.h"
#include "uDynamicFilter.h"
#include "uExportToExcel.h"
#include "uFieldsSetupDlg.h"
#include "uReconcileError.h"
#include "uSingalTBForm.h"
#include "uTqClientDataSetSortDlg.h"
#include "uTqDBNumEdit.h"
#include "ulumPostCode.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Picks the item whose code is `code` as a user does (the list's activation).
void Pick(TLUMDBCodeComboBox *combo, const QString &code) {
    for (int i = 0; i < combo->CodeItems().Count(); ++i)
        if (combo->CodeItems()[i] == code) {
            combo->setCurrentIndex(i);
            Q_EMIT combo->activated(i);
            return;
        }
    QFAIL("code not listed");
}

void Type(TTqDBNumEdit *edit, const QString &text) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &in);
    edit->selectAll();
    TypeText(edit, text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
}

// The edit area's controls, found by name as the package builds them.
struct TEditArea {
    explicit TEditArea(const QWidget *form)
        : cbSex(Find<TLUMDBCodeComboBox>(form, "cbSex")),
          cbClass(Find<TLUMDBCodeComboBox>(form, "cbClass")),
          edStudentID(Find<TTqDBNumEdit>(form, "edStudentID")),
          edName(Find<TTqDBNumEdit>(form, "edCht_Name")),
          edAddress(Find<TTqDBNumEdit>(form, "edAddress")),
          edIDNo(Find<TTqDBNumEdit>(form, "edIDNo")) {}
    template <class T> static T *Find(const QWidget *form, const char *name) {
        T *control = form->findChild<T *>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    TLUMDBCodeComboBox *cbSex, *cbClass;
    TTqDBNumEdit *edStudentID, *edName, *edAddress, *edIDNo;
};

// Clicks the tool-bar button of the form's action with that name; `answer` plays the user at
// the modal dialog it opens.
template <class Dialog>
void ClickToolButton(TRadBaseForm *form, const char *actionName,
                     std::function<void(Dialog *)> answer) {
    auto *action = form->findChild<TAction *>(QLatin1String(actionName));
    QVERIFY2(action, actionName);
    QVERIFY(action->isVisible() && action->isEnabled());
    auto *button = qobject_cast<QToolButton *>(form->ToolBar1->widgetForAction(action));
    QVERIFY(button);
    QTimer::singleShot(0, [answer] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks an item of a list by its text, or ticks it with the space key.
void ClickItem(QListWidget *list, const QString &text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.first()).center());
}
void TickItem(QListWidget *list, const QString &text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setFocus();
    list->setCurrentItem(found.first());
    QTest::keyClick(list, Qt::Key_Space);
}

} // namespace

class TstStdBasicData : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        CurrentUserInfo->GetUserInfo();
    }
    void cleanupTestCase() { FBench.reset(); }

    void gridEditsAStudentThroughTheServer() {
        auto *form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdBasicData.bpl"));
        QVERIFY(form);
        const TEditArea area(form);
        form->show(); // the first show reads the students
        TClientDataSet *d = form->ActiveDataSet;
        QVERIFY(d->Active());
        QCOMPARE(d->RecordCount(), FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt());
        QVERIFY(form->DBGrid->model()->rowCount() > 0);
        QCOMPARE(form->DBGrid->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("學號"));
        // Coded fields show by their names from the code table.
        QCOMPARE(form->DBGrid->model()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("性別"));
        QVERIFY((QStringList{"男", "女"})
                    .contains(form->DBGrid->model()->index(0, 2).data().toString()));
        QVERIFY(form->DBGrid->model()->index(0, 3).data().toString().endsWith(u'班'));
        // Sex, class and status lists hold the code table's categories.
        QCOMPARE(area.cbSex->count(), 2);
        QVERIFY(area.cbClass->count() > 1);
        // Outside editing a pick goes back to the record's code.
        const QString sexBefore = d->FieldByName(QStringLiteral("Sex"))->AsString();
        Pick(area.cbSex,
             sexBefore == QStringLiteral("1") ? QStringLiteral("2") : QStringLiteral("1"));
        QCOMPARE(area.cbSex->GetCode(), sexBefore);
        QCOMPARE(d->State(), dsBrowse);

        const QString id = d->FieldByName(QStringLiteral("StudentID"))->AsString();
        form->DataEdit->trigger();
        QVERIFY(form->ActDateInput->isEnabled());
        const QString otherSex =
            d->FieldByName(QStringLiteral("Sex"))->AsString() == QStringLiteral("1")
                ? QStringLiteral("2")
                : QStringLiteral("1");
        Pick(area.cbSex, otherSex);
        // A student whose sex changes gets an identity number of that sex.
        const QString idNo = otherSex == QStringLiteral("1") ? QStringLiteral("A123456789")
                                                             : QStringLiteral("A223456781");
        Type(area.edIDNo, idNo);
        Type(area.edAddress, QStringLiteral("臺北市中正區重慶南路一段122號"));
        // The address aid: the typed address is split, the ward picked from the district's tree.
        QAction *addrInput = form->findChild<QAction *>(QStringLiteral("ActAddrInput"));
        QVERIFY(addrInput && addrInput->isEnabled());
        QTimer::singleShot(0, [] {
            auto *aid = qobject_cast<TlumPostCode *>(QApplication::activeModalWidget());
            QVERIFY(aid);
            QCOMPARE(aid->edCode->text(), QStringLiteral("100"));
            QTreeWidget *tree = aid->TVPostCode;
            tree->expandAll();
            QTreeWidgetItem *ward =
                tree->findItems(QStringLiteral("示範里"), Qt::MatchExactly | Qt::MatchRecursive)
                    .value(0);
            QVERIFY(ward);
            tree->scrollToItem(ward);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(ward).center());
            QTest::mouseClick(aid->btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(form->findChild<QToolButton *>(QStringLiteral("btnAddress")),
                          Qt::LeftButton);
        QCOMPARE(area.edAddress->text(), QStringLiteral("台北市中正區示範里重慶南路一段122號"));
        QTimer::singleShot(0, [] {
            auto *picker = qobject_cast<TCalendarForm *>(QApplication::activeModalWidget());
            QVERIFY(picker);
            picker->MonthCalendar->setSelectedDate(QDate(2009, 3, 15));
            picker->btnOK->click();
        });
        form->ActDateInput->trigger();
        form->DataSetPost->trigger();
        QVERIFY(form->DataApplyUpdate->isEnabled());
        QVERIFY(!form->ExportToExcel->isEnabled());
        form->DataApplyUpdate->trigger();
        QCOMPARE(d->ChangeCount(), 0);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        const QString where = QStringLiteral(" FROM StdOnSchool WHERE StudentID='%1'").arg(id);
        QCOMPARE(FBench->Query(QStringLiteral("SELECT Sex") + where).toString(), otherSex);
        QCOMPARE(FBench->Query(QStringLiteral("SELECT IDNo") + where).toString(), idNo);
        QCOMPARE(FBench->Query(QStringLiteral("SELECT Address") + where).toString(),
                 QStringLiteral("台北市中正區示範里重慶南路一段122號"));
        QVERIFY(FBench->Query(QStringLiteral("SELECT Birthday") + where)
                    .toString()
                    .startsWith(QStringLiteral("2009-03-15")));
        QVERIFY(FBench->Query(QStringLiteral("SELECT EditInfo") + where)
                    .toString()
                    .startsWith(CurrentUserInfo->Cht_Name + u'-'));
    }

    void newAndDeletedStudentsGoInOneBatch() {
        auto *form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdBasicData.bpl"));
        QVERIFY(form);
        const TEditArea area(form);
        form->show();
        TClientDataSet *d = form->ActiveDataSet;
        const int before = FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt();
        form->DataInsert->trigger();
        Type(area.edStudentID, QStringLiteral("S9990001"));
        Type(area.edName, QStringLiteral("測試新生"));
        Pick(area.cbSex, QStringLiteral("2"));
        Pick(area.cbClass, area.cbClass->CodeItems()[0]);
        form->DataSetPost->trigger();
        d->First();
        const QString removed = d->FieldByName(QStringLiteral("StudentID"))->AsString();
        // The student deleted has no school record (the server keeps one who has).
        QStringList clear;
        for (const char *table : {"CourseStudents", "StdAbsence", "RewardPunish", "SemConduct"})
            clear << QStringLiteral("DELETE FROM %1 WHERE StudentID = '%2'")
                         .arg(QLatin1String(table), removed);
        FBench->Server->Database().Run(clear);
        {
            TAnswer yes(QMessageBox::Yes);
            form->DataSetDelete->trigger();
            QCOMPARE(yes.Texts, QStringList{QStringLiteral("資料確認要刪除嗎？")});
        }
        QCOMPARE(FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt(), before);
        TRefusals refusals;
        form->DataApplyUpdate->trigger();
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QCOMPARE(FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt(), before);
        QCOMPARE(
            FBench->Query("SELECT Cht_Name FROM StdOnSchool WHERE StudentID='S9990001'").toString(),
            QStringLiteral("測試新生"));
        QCOMPARE(FBench
                     ->Query(QStringLiteral("SELECT COUNT(*) FROM StdOnSchool WHERE "
                                            "StudentID='%1'")
                                 .arg(removed))
                     .toInt(),
                 0);
        // Closing with a change not confirmed, answering no: the server keeps its row.
        d->Locate(QStringLiteral("StudentID"), Variant("S9990001"));
        form->DataEdit->trigger();
        Type(area.edName, QStringLiteral("不存"));
        form->DataSetPost->trigger();
        TAnswer no(QMessageBox::No);
        QVERIFY(form->close());
        QCOMPARE(no.Texts, QStringList{QStringLiteral("修改未確認,是否確認？")});
        QCOMPARE(
            FBench->Query("SELECT Cht_Name FROM StdOnSchool WHERE StudentID='S9990001'").toString(),
            QStringLiteral("測試新生"));
    }

    void oneStudentByNumber() {
        auto *form = qobject_cast<TSingalTBOneRecForm *>(FBench->Run("TqStdBasicByNo.bpl"));
        QVERIFY(form);
        const TEditArea area(form);
        form->show();
        TClientDataSet *d = form->ActiveDataSet;
        const QString id =
            FBench->Query("SELECT StudentID FROM StdOnSchool ORDER BY StudentID").toString();
        form->edNo->setFocus();
        TypeText(form->edNo, id);
        QTest::keyClick(form->edNo, Qt::Key_Return);
        QCOMPARE(d->RecordCount(), 1);
        QCOMPARE(area.edStudentID->text(), id);
        // A record being edited is confirmed directly.
        form->DataEdit->trigger();
        QVERIFY(form->DataApplyUpdate->isEnabled());
        Type(area.edIDNo, QStringLiteral("A123456789"));
        form->DataApplyUpdate->trigger();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(
            FBench
                ->Query(QStringLiteral("SELECT IDNo FROM StdOnSchool WHERE StudentID='%1'").arg(id))
                .toString(),
            QStringLiteral("A123456789"));
        // A number without a student reads nothing.
        form->SetNo(QStringLiteral("NOSUCH"));
        QCOMPARE(d->RecordCount(), 0);
    }

    void theGridIsFilteredSortedAndItsColumnsChosen() {
        auto *form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdBasicData.bpl"));
        QVERIFY(form);
        form->show();
        TClientDataSet *d = form->ActiveDataSet;
        const int all = d->RecordCount();
        // (girls or class 101) and seat 2 or above, composed with clicks and keys.
        ClickToolButton<TDynamicFilter>(form, "ActDataFilter", [](TDynamicFilter *f) {
            QCOMPARE(f->windowTitle(), QStringLiteral("查詢條件組合:[學生基本資料]"));
            QTest::mouseClick(f->btnLeftSeg, Qt::LeftButton);
            ClickItem(f->lbDataFields, QStringLiteral("性別"));
            f->gccbValue->setFocus();
            QTest::keyClick(f->gccbValue, Qt::Key_Down);
            QCOMPARE(f->gccbValue->currentText(), QStringLiteral("女"));
            QTest::mouseClick(f->btnCondition, Qt::LeftButton);
            QTest::mouseClick(f->btnOR, Qt::LeftButton);
            ClickItem(f->lbDataFields, QStringLiteral("班級"));
            QCOMPARE(f->gccbValue->currentText(), QStringLiteral("一年一班"));
            QTest::mouseClick(f->btnCondition, Qt::LeftButton);
            QVERIFY(!f->btnOK->isEnabled());
            QTest::mouseClick(f->btnRightSeg, Qt::LeftButton);
            QTest::mouseClick(f->btnAnd, Qt::LeftButton);
            QVERIFY(!f->btnOK->isEnabled());
            ClickItem(f->lbDataFields, QStringLiteral("座號"));
            f->cbbRelation->setFocus();
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(f->cbbRelation, Qt::Key_Down);
            QCOMPARE(f->cbbRelation->currentText(), QStringLiteral("大於等於"));
            f->NumValue->setFocus();
            f->NumValue->selectAll();
            QTest::keyClicks(f->NumValue, QStringLiteral("2"));
            QTest::mouseClick(f->btnCondition, Qt::LeftButton);
            QCOMPARE(f->GetFilterText(),
                     QStringLiteral("(  性別 等於 [女] 或則  班級 等於 [一年一班] ) \n"
                                    "而且  座號 大於等於 [2]"));
            QTest::mouseClick(f->btnOK, Qt::LeftButton);
        });
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        const int expected = FBench
                                 ->Query("SELECT COUNT(*) FROM StdOnSchool WHERE (Sex='2' OR "
                                         "ClassID='101') AND SeatNo >= 2")
                                 .toInt();
        QVERIFY(expected > 0 && expected < all);
        QVERIFY(d->Filtered());
        QCOMPARE(form->DBGrid->model()->rowCount(), expected);
        for (d->First(); !d->Eof(); d->Next()) {
            QVERIFY(d->FieldByName("Sex")->AsString() == QStringLiteral("2") ||
                    d->FieldByName("ClassID")->AsString() == QStringLiteral("101"));
            QVERIFY(d->FieldByName("SeatNo")->AsInteger() >= 2);
        }

        // Class, then seat, ticked in that order: the grid follows at once.
        ClickToolButton<TTqClientDataSetSortDlg>(
            form, "ActDataSort", [&](TTqClientDataSetSortDlg *s) {
                TickItem(s->clbSortFields, QStringLiteral("班級"));
                TickItem(s->clbSortFields, QStringLiteral("座號"));
                QCOMPARE(s->lbSortSelected->item(0)->text(), QStringLiteral("班級"));
                QCOMPARE(s->lbSortSelected->item(1)->text(), QStringLiteral("座號"));
                // The grid shows the classes by name; they are ordered by their codes.
                QAbstractItemModel *grid = form->DBGrid->model();
                TField *classId = d->FieldByName(QStringLiteral("ClassID"));
                QString last;
                for (int row = 0; row < grid->rowCount(); ++row) {
                    QCOMPARE(grid->index(row, 3).data().toString(), d->DisplayTextAt(row, classId));
                    const QString key =
                        d->ValueAt(row, classId).ToString() + u'/' +
                        grid->index(row, 4).data().toString().rightJustified(3, u'0');
                    QVERIFY2(last <= key, qPrintable(last + u' ' + key));
                    last = key;
                }
                s->btnClose->click();
            });
        QCOMPARE(d->IndexFields(), (QStringList{"ClassID", "SeatNo"}));

        // The address column goes as soon as its tick does.
        const int columns = form->DBGrid->model()->columnCount();
        ClickToolButton<TFieldsSetupdlg>(form, "ActFieldsSetup", [&](TFieldsSetupdlg *dlg) {
            TickItem(dlg->dbclbFields, QStringLiteral("地址"));
            QCOMPARE(form->DBGrid->model()->columnCount(), columns - 1);
            dlg->btnOK->click();
        });
        QVERIFY(!d->FieldByName("Address")->Visible());

        // Cleared in the filter form, every student shows again.
        ClickToolButton<TDynamicFilter>(form, "ActDataFilter", [](TDynamicFilter *f) {
            QCOMPARE(f->GetFilterText().left(3), QStringLiteral("(  "));
            QTest::mouseClick(f->btnClear, Qt::LeftButton);
            QTest::mouseClick(f->btnOK, Qt::LeftButton);
        });
        QCOMPARE(form->DBGrid->model()->rowCount(), all);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        form->close();
    }

    void identityNumbersAreCheckedBeforeTheyAreKept() {
        auto *form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdBasicData.bpl"));
        QVERIFY(form);
        const TEditArea area(form);
        form->show();
        QApplication::setActiveWindow(form);
        TClientDataSet *d = form->ActiveDataSet;
        QVERIFY(d->Locate(QStringLiteral("Sex"), Variant("2")));
        const QString id = d->FieldByName(QStringLiteral("StudentID"))->AsString();
        const QString stored =
            FBench
                ->Query(QStringLiteral("SELECT IDNo FROM StdOnSchool WHERE StudentID='%1'").arg(id))
                .toString();
        form->DataEdit->trigger();

        // A wrong check digit: refused, the record still being edited, the number kept to mend.
        FBench->Errors.clear();
        Type(area.edIDNo, QStringLiteral("A223456782"));
        ClickToolButton(form, form->DataSetPost);
        QCOMPARE(FBench->Errors, QStringList{QStringLiteral("「身分證號」A223456782 不正確")});
        QCOMPARE(d->State(), dsEdit);
        QCOMPARE(d->FieldByName(QStringLiteral("IDNo"))->AsString(), QStringLiteral("A223456782"));
        QCOMPARE(QApplication::focusWidget(), area.edIDNo);

        // A sound number of the other sex: refused as well.
        FBench->Errors.clear();
        Type(area.edIDNo, QStringLiteral("A123456789"));
        ClickToolButton(form, form->DataSetPost);
        QCOMPARE(FBench->Errors, QStringList{QStringLiteral("「身分證號」A123456789 與性別不符")});
        QCOMPARE(d->State(), dsEdit);
        // Nothing reached the server.
        QCOMPARE(
            FBench
                ->Query(QStringLiteral("SELECT IDNo FROM StdOnSchool WHERE StudentID='%1'").arg(id))
                .toString(),
            stored);

        // Changing the sex to match makes the number acceptable; a matching number is kept.
        Pick(area.cbSex, QStringLiteral("1"));
        FBench->Errors.clear();
        ClickToolButton(form, form->DataSetPost);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(d->State(), dsBrowse);
        form->DataEdit->trigger();
        Pick(area.cbSex, QStringLiteral("2"));
        Type(area.edIDNo, QStringLiteral("A223456781"));
        ClickToolButton(form, form->DataSetPost);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        TRefusals refusals;
        form->DataApplyUpdate->trigger();
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QCOMPARE(
            FBench
                ->Query(QStringLiteral("SELECT IDNo FROM StdOnSchool WHERE StudentID='%1'").arg(id))
                .toString(),
            QStringLiteral("A223456781"));
        QVERIFY(form->close());
    }

    void aMistypedBirthdayIsRefusedInTheUsersWords() {
        auto *form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdBasicData.bpl"));
        QVERIFY(form);
        form->show();
        TClientDataSet *d = form->ActiveDataSet;
        auto *birthday = TEditArea::Find<TTqDBNumEdit>(form, "edBirthday");
        const Variant before = d->FieldByName(QStringLiteral("Birthday"))->Value();
        form->DataEdit->trigger();
        FBench->Errors.clear();
        Type(birthday, QStringLiteral("2008/13/45"));
        QCOMPARE(FBench->Errors,
                 QStringList{QStringLiteral("「生日」的值 2008/13/45 不是正確的日期")});
        QCOMPARE(d->State(), dsEdit);
        QVERIFY(d->FieldByName(QStringLiteral("Birthday"))->Value() == before);
        // Escape takes the typing back; the record is given up.
        QTest::keyClick(birthday, Qt::Key_Escape);
        form->DataSetCancel->trigger();
        QCOMPARE(d->ChangeCount(), 0);
        QVERIFY(form->close());
        QVERIFY2(FBench->Errors.size() == 1, qPrintable(FBench->Errors.join(u'\n')));
        FBench->Errors.clear();
    }

    void theGridPrintsIntoATable() {
        auto *form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdBasicData.bpl"));
        QVERIFY(form);
        TClientDataSet *d = form->ActiveDataSet;
        QVERIFY(d->RecordCount() > 10);
        QVERIFY(form->DataPrint->isVisible());
        QVERIFY(form->DataPrint->isEnabled());
        d->First();
        d->Next();
        form->DataPrint->trigger();
        if (!HasOfficeSuite())
            QSKIP("the office suite (soffice) is not installed");
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        TWordDocument *doc =
            form->findChild<TDocuReport *>(QStringLiteral("DocuReport"))->Document();
        QVERIFY(doc);
        QCOMPARE(doc->TableCount(), 1);
        TWordTable table = doc->Table(1);
        // A title row of the visible fields' labels, then every student of the grid.
        QCOMPARE(table.RowCount(), d->RecordCount() + 1);
        QCOMPARE(table.Cell(1, 1).Text(), d->FieldByName("StudentID")->DisplayLabel());
        QCOMPARE(table.Cell(1, 2).Text(), d->FieldByName("Cht_Name")->DisplayLabel());
        d->First();
        QCOMPARE(table.Cell(2, 2).Text(), d->FieldByName("Cht_Name")->DisplayText());
        d->Last();
        QCOMPARE(table.Cell(table.RowCount(), 1).Text(),
                 d->FieldByName("StudentID")->DisplayText());
        QCOMPARE(d->RecNo(), d->RecordCount());
        TPdfPreviewForm *preview = OpenPreview();
        QVERIFY(preview);
        QVERIFY(PdfText(preview->PdfPath()).contains(QStringLiteral("學生基本資料名冊")));
        preview->close();
    }

    void theGridExportsToAWorkbook() {
        auto *form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdBasicData.bpl"));
        QVERIFY(form);
        form->show();
        TClientDataSet *d = form->ActiveDataSet;
        QVERIFY(d->RecordCount() > 10);
        QVERIFY(form->ExportToExcel->isEnabled());
        QTemporaryDir folder;
        TLumExportToExcel::RunningExcel()->SetDocumentsFolder(folder.path());
        QStringList opened;
        TLumExportToExcel::RunningExcelViewer()->SetLauncher(
            std::make_unique<TRecordingLauncher>(opened));
        const QString heading =
            ProgramFolder() + QStringLiteral("TemplateDocs/學校標頭活頁簿.xlsx");
        QVERIFY2(QFileInfo::exists(heading), qPrintable(heading));
        QString startedIn;
        QTimer::singleShot(0, [&] {
            auto *window = qobject_cast<TLumExportToExcel *>(QApplication::activeModalWidget());
            QVERIFY(window);
            QVERIFY(window->clbFields->isHidden());
            TDialogAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
                startedIn = dialog->directory().absolutePath();
                dialog->selectFile(heading);
                static_cast<QDialog *>(dialog)->accept();
            });
            window->BtnOpen->click();
            QCOMPARE(window->cbbSheetName->currentText(), QStringLiteral("資料"));
            window->seRow->setValue(3);
            window->btnExportData->click();
            window->reject();
        });
        form->ExportToExcel->trigger();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(QDir(startedIn), QDir(ProgramFolder() + QStringLiteral("TemplateDocs")));
        QCOMPARE(form->ToExcelDialog->FileName(), heading);
        QCOMPARE(opened.size(), 1);
        auto book = TExcelWorkbook::FromTemplate(opened.first());
        TExcelWorksheet sheet = book->Worksheet(QStringLiteral("資料"));
        QCOMPARE(sheet.Cell(1, 1).ValueAsQVariant().toString(), QStringLiteral("國立示範高級中學"));
        QCOMPARE(sheet.Cell(1, 3).ValueAsQVariant().toString(),
                 d->FieldByName("StudentID")->DisplayLabel());
        d->First();
        QCOMPARE(sheet.Cell(1, 4).ValueAsQVariant().toString(),
                 d->FieldByName("StudentID")->AsString());
        QCOMPARE(sheet.Cell(1, 4).NumberFormat(), QStringLiteral("@"));
        QVERIFY(!sheet.Cell(1, 3 + d->RecordCount()).ValueAsQVariant().toString().isEmpty());
        QVERIFY(sheet.Cell(1, 4 + d->RecordCount()).ValueAsQVariant().toString().isEmpty());
    }
};

LUM_TEST_MAIN(TstStdBasicData)
#include "tst_stdbasicdata.moc"
