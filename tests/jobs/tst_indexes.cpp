// The read-only indexes of students on the roll and of the staff against a real server: the
// server's rows with their codes described, locating by number (from the start, any letter
// case) and by name (anywhere), Enter for the next match round to the first, a text that
// matches nothing, changes refused by the server, and a person added to the staff through the
// new-person dialog.

#include "ClientDataSet.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "dlgInsertPerson.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
QString Cell(const QTableView *grid, int row, int column) {
    return grid->model()->data(grid->model()->index(row, column)).toString();
}
// Clicks the staff index's "新增人員" and plays the user at the new-person dialog.
void AddPerson(QWidget *form, const std::function<void(TDlgGetNewID *)> &answer) {
    auto *button = form->findChild<QPushButton *>(QStringLiteral("btnAddPerson"));
    QVERIFY(button && button->isVisible());
    QCOMPARE(button->text(), QStringLiteral("新增人員"));
    QTimer::singleShot(0, [answer] {
        auto *dialog = qobject_cast<TDlgGetNewID *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    QTest::mouseClick(button, Qt::LeftButton);
}

// Chinese text as an input method commits it.
void Commit(QLineEdit *edit, const QString &text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
}
} // namespace

class TstIndexes : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    struct TIndex {
        TForm *Form = nullptr;
        QTableView *Grid = nullptr;
        QLineEdit *Search = nullptr;
        QLabel *Status = nullptr;
    };
    TIndex Open(const QString &package) {
        TIndex index;
        index.Form = FBench->Run(package);
        if (!index.Form)
            return index;
        index.Grid = index.Form->findChild<QTableView *>(QStringLiteral("grdIndex"));
        index.Search = index.Form->findChild<QLineEdit *>(QStringLiteral("edSearch"));
        index.Status = index.Form->findChild<QLabel *>(QStringLiteral("lblStatus"));
        return index;
    }
    // Types the text as a user would (replacing what is there); the first column of the
    // current row.
    static QString Type(const TIndex &index, const QString &text) {
        index.Search->selectAll();
        if (text.isEmpty())
            QTest::keyClick(index.Search, Qt::Key_Backspace);
        else
            TypeText(index.Search, text);
        return Cell(index.Grid, index.Grid->currentIndex().row(), 0);
    }
    static QString Enter(const TIndex &index) {
        QTest::keyClick(index.Search, Qt::Key_Return);
        return Cell(index.Grid, index.Grid->currentIndex().row(), 0);
    }
    // The first column of the rows whose `column` holds `part` (from its start when
    // `fromStart`, in any letter case), in the grid's order.
    static QStringList Matching(const TIndex &index, int column, const QString &part,
                                bool fromStart) {
        QStringList found;
        for (int row = 0; row < index.Grid->model()->rowCount(); ++row) {
            const QString text = Cell(index.Grid, row, column);
            if (fromStart ? text.startsWith(part, Qt::CaseInsensitive)
                          : text.contains(part, Qt::CaseInsensitive))
                found << Cell(index.Grid, row, 0);
        }
        return found;
    }
    // Typing `part` finds its first match; Enter goes through the others and round to the
    // first again.
    static void GoesThroughTheMatches(const TIndex &index, int column, const QString &part,
                                      bool fromStart) {
        const QStringList matches = Matching(index, column, part, fromStart);
        QVERIFY2(matches.size() >= 2, qPrintable(part));
        QCOMPARE(Type(index, part), matches.first());
        for (qsizetype i = 1; i < matches.size(); ++i)
            QCOMPARE(Enter(index), matches[i]);
        QCOMPARE(Enter(index), matches.first());
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"));
    }
    void cleanupTestCase() { FBench.reset(); }
    void cleanup() { FBench->CloseJobs(); }

    void studentsOnTheRoll() {
        const TIndex index = Open(QStringLiteral("TqStdOnSchoolIdx.bpl"));
        QVERIFY(index.Form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(index.Form->Caption(), QStringLiteral("在校生索引表"));
        QCOMPARE(index.Form->Tag(), 1);
        const QAbstractItemModel *model = index.Grid->model();
        const int count = FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt();
        QVERIFY(count >= 10);
        QCOMPARE(model->rowCount(), count);
        QCOMPARE(index.Status->text(), QStringLiteral("共 %1 筆").arg(count));
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"學號", "姓名", "性別", "班級", "座號", "狀態"}));
        // By class and seat, the codes described through the code table.
        QCOMPARE(
            Cell(index.Grid, 0, 0),
            FBench->Query("SELECT StudentID FROM StdOnSchool ORDER BY ClassID, SeatNo").toString());
        QCOMPARE(index.Form->findChild<QLineEdit *>()->text(), QString());
        QCOMPARE(Type(index, "113004"), QStringLiteral("113004"));
        const int row = index.Grid->currentIndex().row();
        QCOMPARE(Cell(index.Grid, row, 1), QStringLiteral("陳怡安"));
        QCOMPARE(Cell(index.Grid, row, 2), QStringLiteral("女"));
        QCOMPARE(Cell(index.Grid, row, 3), QStringLiteral("一年一班"));
        QCOMPARE(Cell(index.Grid, row, 4), QStringLiteral("4"));
        QCOMPARE(Cell(index.Grid, row, 5), QStringLiteral("休學"));
    }

    void locatingByNumberAndName() {
        const TIndex index = Open(QStringLiteral("TqStdOnSchoolIdx.bpl"));
        QVERIFY(index.Form);
        // A number from its start; Enter goes on to the next one.
        QCOMPARE(Type(index, "1120"), QStringLiteral("112001"));
        QCOMPARE(Enter(index), QStringLiteral("112002"));
        QCOMPARE(Enter(index), QStringLiteral("112003"));
        QCOMPARE(Enter(index), QStringLiteral("112031"));
        GoesThroughTheMatches(index, 0, QStringLiteral("11200"), true);
        // A name anywhere in it, round to the first after the last.
        QCOMPARE(Type(index, "王"), QStringLiteral("113001"));
        GoesThroughTheMatches(index, 1, QStringLiteral("王"), false);
        const QStringList yawen = Matching(index, 1, QStringLiteral("雅雯"), false);
        QVERIFY(yawen.contains(QStringLiteral("112003")));
        QCOMPARE(Type(index, "雅雯"), yawen.first());
        // Nothing matches: the record stays, the status says so; clearing shows the count.
        QCOMPARE(Type(index, "999"), yawen.first());
        QCOMPARE(index.Status->text(), QStringLiteral("查無「999」"));
        QVERIFY(Matching(index, 1, QStringLiteral("龘"), false).isEmpty());
        QCOMPARE(Type(index, "龘"), yawen.first());
        QCOMPARE(index.Status->text(), QStringLiteral("查無「龘」"));
        Type(index, QString());
        QVERIFY(index.Status->text().startsWith(QStringLiteral("共 ")));
    }

    void theStaff() {
        const TIndex index = Open(QStringLiteral("LumEmployeesIndex.bpl"));
        QVERIFY(index.Form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(index.Form->Caption(), QStringLiteral("員工索引表"));
        const QAbstractItemModel *model = index.Grid->model();
        QCOMPARE(model->rowCount(), FBench->Query("SELECT COUNT(*) FROM Employees").toInt());
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"員工編號", "姓名", "單位", "職稱", "分機"}));
        // Letters of a number in any case; the unit by its name.
        QCOMPARE(Type(index, "t00"), QStringLiteral("T001"));
        const int row = index.Grid->currentIndex().row();
        QCOMPARE(Cell(index.Grid, row, 1), QStringLiteral("林雅婷"));
        QCOMPARE(Cell(index.Grid, row, 2), QStringLiteral("教務處"));
        QCOMPARE(Cell(index.Grid, row, 4),
                 FBench->Query("SELECT Extension FROM Employees WHERE EmpID='T001'").toString());
        GoesThroughTheMatches(index, 0, QStringLiteral("t00"), true);
        GoesThroughTheMatches(index, 1, QStringLiteral("雅"), false);
    }

    void theServerRefusesChanges() {
        const TIndex index = Open(QStringLiteral("LumEmployeesIndex.bpl"));
        QVERIFY(index.Form);
        auto *data = index.Form->findChild<TClientDataSet *>();
        QVERIFY(data && data->Active());
        data->Edit();
        data->FieldByName(QStringLiteral("Title"))->SetAsString(QStringLiteral("校長"));
        data->Post();
        QVERIFY_THROWS_EXCEPTION(Exception, data->ApplyUpdates(0));
        data->CancelUpdates();
        QCOMPARE(FBench->Query("SELECT COUNT(*) FROM Employees WHERE Title='校長'").toInt(), 1);
    }

    void aPersonIsAddedWithACheckedIdentityNumber() {
        const TIndex index = Open(QStringLiteral("LumEmployeesIndex.bpl"));
        QVERIFY(index.Form);
        index.Form->show();
        const int before = FBench->Query("SELECT COUNT(*) FROM Employees").toInt();
        // The next staff number: after the last one given.
        const QString next = QStringLiteral("E%1").arg(
            FBench->Query("SELECT MAX(EmpID) FROM Employees WHERE EmpID LIKE 'E%'")
                    .toString()
                    .mid(1)
                    .toInt() +
                1,
            3, 10, QChar(u'0'));
        // A wrong check digit is refused in the dialog; the mended number goes to the server,
        // which gives the next staff number.
        TAnswer ok(QMessageBox::Ok);
        AddPerson(index.Form, [](TDlgGetNewID *dlg) {
            QVERIFY(!dlg->cbIDCheck->isVisible());
            Commit(dlg->edName, QStringLiteral("周文華"));
            QTest::keyClicks(dlg->edID, QStringLiteral("m123456788"));
            QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
            QVERIFY(dlg->isVisible());
            QTest::keyClick(dlg->edID, Qt::Key_Backspace);
            QTest::keyClicks(dlg->edID, QStringLiteral("9"));
            QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
        });
        QCOMPARE(ok.Texts, QStringList{QStringLiteral("編號或證號錯誤.")});
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(FBench->Query("SELECT EmpID FROM Employees WHERE IDNo='M123456789'").toString(),
                 next);
        QCOMPARE(
            FBench
                ->Query(QStringLiteral("SELECT Cht_Name FROM Employees WHERE EmpID='%1'").arg(next))
                .toString(),
            QStringLiteral("周文華"));
        QCOMPARE(index.Grid->model()->rowCount(), before + 1);
        QCOMPARE(Cell(index.Grid, index.Grid->currentIndex().row(), 0), next);
        QCOMPARE(index.Status->text(), QStringLiteral("已新增 %1 周文華").arg(next));

        // A number someone on the staff already holds: the server refuses, nothing is added.
        AddPerson(index.Form, [](TDlgGetNewID *dlg) {
            Commit(dlg->edName, QStringLiteral("林雅婷"));
            QTest::keyClicks(dlg->edID, QStringLiteral("H266131860"));
            QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
        });
        QCOMPARE(FBench->Errors,
                 QStringList{QStringLiteral("「身分證號」H266131860 已是 T001 林雅婷 的證號")});
        FBench->Errors.clear();
        QCOMPARE(FBench->Query("SELECT COUNT(*) FROM Employees").toInt(), before + 1);
        // Cancelled: nothing reaches the server.
        AddPerson(index.Form, [](TDlgGetNewID *dlg) { dlg->btnCancel->click(); });
        QCOMPARE(FBench->Query("SELECT COUNT(*) FROM Employees").toInt(), before + 1);
        QVERIFY(FBench->Errors.isEmpty());
    }
};

LUM_TEST_MAIN(TstIndexes)
#include "tst_indexes.moc"
