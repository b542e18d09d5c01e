// The reconcile-error dialog answering rows that a real provider refuses: a student table in an
// SQLite file behind a provider on the job form. A scripted user reads each dialog, picks the
// action, edits cells and presses the buttons; the change log and the table are checked afterwards.

#include "Provider.h"
#include "SqlQuery.h"
#include "TestMain.h"
#include "uReconcileError.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QString Conn = QStringLiteral("reconcile-test");

// A job form with a student table: query, provider and client dataset, and the reconcile
// component with AutoActive.
class TStudentForm : public TForm {
public:
    TStudentForm() {
        Query = new TSqlQuery(this);
        Query->SetName(QStringLiteral("qryStudents"));
        Query->SetConnectionName(Conn);
        Query->SetSQL(QStringLiteral("SELECT ID, Name, Score, Photo FROM students ORDER BY ID"));
        Query->FieldDefs().Add(QStringLiteral("ID"), ftInteger).ProviderFlags =
            pfInKey | pfInWhere | pfInUpdate;
        Query->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
        Query->FieldDefs().Add(QStringLiteral("Score"), ftFloat);
        Query->FieldDefs().Add(QStringLiteral("Photo"), ftBlob);
        Provider = new TDataSetProvider(this);
        Provider->SetName(QStringLiteral("prvStudents"));
        Provider->SetDataSet(Query);
        Students = new TClientDataSet(this);
        Students->SetName(QStringLiteral("cdsStudents"));
        Students->SetProviderName(QStringLiteral("prvStudents"));
        Reconciler = new TReconcileError(this);
        Reconciler->SetName(QStringLiteral("ReconcileError1"));
        Reconciler->SetAutoActive(true);
    }
    TSqlQuery *Query;
    TDataSetProvider *Provider;
    TClientDataSet *Students;
    TReconcileError *Reconciler;
};

// The table in a fresh SQLite file and the form over it.
struct TFixture {
    QTemporaryDir Dir;
    TStudentForm *Form;
    TClientDataSet *Students;

    TFixture() {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Conn);
        db.setDatabaseName(Dir.filePath(QStringLiteral("school.db")));
        if (!db.open())
            qFatal("cannot open the test database");
        Exec("CREATE TABLE students (ID INTEGER PRIMARY KEY, Name TEXT NOT NULL, Score REAL, "
             "Photo BLOB)");
        Exec("INSERT INTO students VALUES (1, '王小明', 80, x'0102'), (2, '李小華', 90, NULL), "
             "(3, '陳大同', 70, NULL)");
        Form = Application()->CreateForm<TStudentForm>();
        Students = Form->Students;
        Students->Open();
    }
    ~TFixture() {
        delete Form;
        QSqlDatabase::database(Conn).close();
        QSqlDatabase::removeDatabase(Conn);
    }
    TFixture(const TFixture &) = delete;
    TFixture &operator=(const TFixture &) = delete;

    // Another user changing the table.
    void Exec(const char *sql) {
        QSqlQuery q(QSqlDatabase::database(Conn));
        if (!q.exec(QString::fromUtf8(sql)))
            qFatal("%s", sql);
    }
    // The table's rows as "id:name:score", by ID.
    QStringList Table() {
        QSqlQuery q(QSqlDatabase::database(Conn));
        q.exec(QStringLiteral("SELECT ID, Name, Score FROM students ORDER BY ID"));
        QStringList rows;
        while (q.next())
            rows << QStringLiteral("%1:%2:%3")
                        .arg(q.value(0).toInt())
                        .arg(q.value(1).toString())
                        .arg(q.value(2).toDouble());
        return rows;
    }
    void Edit(int id, const char *field, const Variant &value) {
        QVERIFY(Students->Locate(QStringLiteral("ID"), Variant(id)));
        Students->Edit();
        Students->FieldByName(QString::fromUtf8(field))->SetValue(value);
        Students->Post();
    }
    // The client's record as "name:score", or "-" when it is not there.
    QString Client(int id) {
        if (!Students->Locate(QStringLiteral("ID"), Variant(id)))
            return QStringLiteral("-");
        return QStringLiteral("%1:%2")
            .arg(Students->FieldByName(QStringLiteral("Name"))->AsString())
            .arg(Students->FieldByName(QStringLiteral("Score"))->AsFloat());
    }
};

// Plays the user: each time a reconcile dialog is up, the next step reads it and answers it
// (the answer it returns, such as a button press, follows the step); message boxes are read and
// closed.
using TAnswer = std::function<void()>;

TAnswer Press(QAbstractButton *button) {
    return [button] { QTest::mouseClick(button, Qt::LeftButton); };
}

class TUser : public QObject {
public:
    using TStep = std::function<TAnswer(TReconcileErrorForm *)>;
    explicit TUser(QList<TStep> steps) : FSteps(std::move(steps)) {
        connect(&FTimer, &QTimer::timeout, this, &TUser::Act);
        FTimer.start(10);
    }
    QStringList Messages;
    int Dialogs = 0;

private:
    void Act() {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            Messages << box->text();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        auto *form = qobject_cast<TReconcileErrorForm *>(modal);
        if (!form || FClicking)
            return;
        ++Dialogs;
        const TAnswer answer = FSteps.isEmpty() ? Press(form->CancelBtn) : FSteps.takeFirst()(form);
        // The answer comes after this tick, so that a message box it opens gets the next ones.
        FClicking = true;
        QTimer::singleShot(0, this, [this, answer] {
            answer();
            FClicking = false;
        });
    }
    QList<TStep> FSteps;
    QTimer FTimer;
    bool FClicking = false;
};

QStringList Headers(TReconcileErrorForm *form) {
    QStringList out;
    for (int c = 0; c < form->UpdateData->columnCount(); ++c)
        out << form->UpdateData->horizontalHeaderItem(c)->text();
    return out;
}

// The grid's rows, cells joined by "|".
QStringList Rows(TReconcileErrorForm *form) {
    QStringList out;
    for (int r = 0; r < form->UpdateData->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < form->UpdateData->columnCount(); ++c) {
            const QTableWidgetItem *item = form->UpdateData->item(r, c);
            cells << (item ? item->text() : QString());
        }
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList ActionTexts(TReconcileErrorForm *form) {
    QStringList out;
    for (int i = 0; i < form->ActionCount(); ++i)
        out << form->ActionButton(i)->text();
    return out;
}

// The check boxes as "conflicts only, changed only": "" unchecked, "x" checked, "-" disabled.
QString Boxes(TReconcileErrorForm *form) {
    const auto box = [](QCheckBox *b) {
        return !b->isEnabled() ? QStringLiteral("-") : b->isChecked() ? QStringLiteral("x") : "";
    };
    return box(form->ConflictsOnly) + QLatin1Char(',') + box(form->ChangedOnly);
}

int RowOf(TReconcileErrorForm *form, const QString &field) {
    for (int r = 0; r < form->UpdateData->rowCount(); ++r)
        if (form->UpdateData->item(r, 0)->text() == field)
            return r;
    return -1;
}

// Types a value into the new-value cell of a field as a user would (Chinese text arrives from
// the input method), ending with Enter unless the editor is to stay open.
void TypeInto(TReconcileErrorForm *form, const QString &field, const QString &text,
              bool enter = true) {
    const int row = RowOf(form, field);
    QVERIFY2(row >= 0, qPrintable(field));
    QTableWidgetItem *item = form->UpdateData->item(row, form->NewColIdx());
    form->UpdateData->setCurrentItem(item);
    form->UpdateData->editItem(item);
    auto *editor = form->UpdateData->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QCoreApplication::sendEvent(editor, &typed);
    if (!enter)
        return;
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!form->IsEditing());
    QVERIFY(form->isVisible()); // Enter in a cell does not close the dialog
}

// The index of an action among the radio items.
int ItemOf(TReconcileErrorForm *form, TReconcileAction action) {
    for (int i = 0; i < form->ActionCount(); ++i)
        if (form->ActionAt(i) == action)
            return i;
    return -1;
}

// No dialog is expected.
void NoDialog(TClientDataSet *, const EReconcileError &e, TUpdateKind, TReconcileAction &a) {
    a = raAbort;
    QFAIL(qPrintable(QStringLiteral("unexpected refusal: ") + e.Message()));
}

} // namespace

class TstReconcileError : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheRefusedModification();
    void actionsEndInTheirState_data();
    void actionsEndInTheirState();
    void closingOtherThanOkAbortsTheApply();
    void refusedDeletions();
    void insertionCorrectedAndSentAgain();
    void autoActiveConnectsTheFormsDataSets();
};

void TstReconcileError::showsTheRefusedModification() {
    TFixture f;
    f.Edit(1, "Name", Variant(QStringLiteral("王大明")));
    f.Exec("UPDATE students SET Score = 85 WHERE ID = 1");
    QStringList seen;
    TUser user({[&](TReconcileErrorForm *form) -> TAnswer {
        seen << form->Caption() << form->UpdateType->text();
        [&] {
            QVERIFY(form->isModal());
            QVERIFY(form->ErrorMsg->isReadOnly());
            QVERIFY(form->ErrorMsg->toPlainText().contains("changed by another user"));
            QCOMPARE(Headers(form),
                     QStringList({"欄位名稱", "修改 值", "有衝突的資料", "原始資料"}));
            QCOMPARE(ActionTexts(form),
                     QStringList({"不處理(不建議)", "取消", "修正(建議)", "更新", "合併"}));
            QCOMPARE(form->ItemIndex(), 2);
            QCOMPARE(form->Action(), raCorrect);
            QCOMPARE(Boxes(form), QString("x,"));
            // Only the field the other user changed conflicts.
            QCOMPARE(Rows(form), QStringList({"Score|<未更動>|85|80"}));
            form->ConflictsOnly->click();
            QCOMPARE(Rows(form),
                     QStringList({"ID|<未更動>|<未更動>|1", "Name|王大明|<未更動>|王小明",
                                  "Score|<未更動>|85|80", "Photo|<未更動>|<未更動>|(Binary)"}));
            form->ChangedOnly->click();
            QCOMPARE(Rows(form), QStringList({"Name|王大明|<未更動>|王小明"}));
            form->ConflictsOnly->click();
            QCOMPARE(Rows(form), QStringList({"<無此記錄>|||"}));
            QCOMPARE(form->FieldIndexOfRow(0), -1);
            form->ChangedOnly->click();
            form->ConflictsOnly->click();
            // Merging and refreshing put the server's values where the originals were;
            // cancelling and refreshing leave nothing new.
            form->ActionButton(ItemOf(form, raMerge))->click();
            QCOMPARE(Rows(form),
                     QStringList({"ID|<未更動>|<未更動>|1", "Name|王大明|<未更動>|王小明",
                                  "Score|<未更動>|85|85", "Photo|<未更動>|<未更動>|(Binary)"}));
            QVERIFY(!(form->UpdateData->item(1, 1)->flags() & Qt::ItemIsEditable));
            form->ActionButton(ItemOf(form, raRefresh))->click();
            QCOMPARE(Rows(form).at(1), QString("Name|<未更動>|<未更動>|王小明"));
            QCOMPARE(Rows(form).at(2), QString("Score|<未更動>|85|85"));
            form->ActionButton(ItemOf(form, raCancel))->click();
            QCOMPARE(Rows(form).at(2), QString("Score|<未更動>|85|80"));
            // Only while correcting can the new values be edited; the edit is kept when the
            // user looks at another action and comes back.
            form->ActionButton(ItemOf(form, raCorrect))->click();
            QVERIFY(form->UpdateData->item(1, 1)->flags() & Qt::ItemIsEditable);
            QVERIFY(!(form->UpdateData->item(1, 2)->flags() & Qt::ItemIsEditable));
            TypeInto(form, "Name", "王中明");
            form->ActionButton(ItemOf(form, raSkip))->click();
            QCOMPARE(Rows(form).at(1), QString("Name|王大明|<未更動>|王小明"));
            form->ActionButton(ItemOf(form, raCorrect))->click();
            QCOMPARE(Rows(form).at(1), QString("Name|王中明|<未更動>|王小明"));
            QVERIFY(form->FieldValues()[1].Modified);
            QCOMPARE(form->FieldValues()[1].EditValue, QString("王中明"));
            // Text still in the editor when the user picks another action is kept too.
            TypeInto(form, "Name", "王正明", false);
            QVERIFY(form->IsEditing());
            form->ActionButton(ItemOf(form, raMerge))->click();
            QVERIFY(!form->IsEditing());
            form->ActionButton(ItemOf(form, raCorrect))->click();
            QCOMPARE(Rows(form).at(1), QString("Name|王正明|<未更動>|王小明"));
            seen << "checked";
        }();
        return Press(form->CancelBtn);
    }});
    QCOMPARE(f.Students->ApplyUpdates(-1), 1);
    QCOMPARE(seen,
             QStringList({"後端資料庫寫入失敗修正系統(修正: cdsStudents)", "修改", "checked"}));
    // Cancelled: nothing was decided, the change waits in the log as it was.
    QCOMPARE(f.Students->ChangeCount(), 1);
    QCOMPARE(f.Client(1), QString("王大明:80"));
    QCOMPARE(f.Table().first(), QString("1:王小明:85"));
}

void TstReconcileError::actionsEndInTheirState_data() {
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("pending"); // changes left in the log
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("again"); // record 1 in the table after applying again
    // The client renamed student 1 while another user changed the score.
    QTest::newRow("skip") << int(raSkip) << 1 << "王大明:80"
                          << "1:王小明:85";
    QTest::newRow("cancel") << int(raCancel) << 0 << "王小明:80"
                            << "1:王小明:85";
    QTest::newRow("correct") << int(raCorrect) << 1 << "王中明:80"
                             << "1:王小明:85";
    QTest::newRow("refresh") << int(raRefresh) << 0 << "王小明:85"
                             << "1:王小明:85";
    QTest::newRow("merge") << int(raMerge) << 1 << "王大明:85"
                           << "1:王大明:85";
}

void TstReconcileError::actionsEndInTheirState() {
    QFETCH(int, action);
    QFETCH(int, pending);
    QFETCH(QString, client);
    QFETCH(QString, again);
    TFixture f;
    f.Edit(1, "Name", Variant(QStringLiteral("王大明")));
    f.Edit(2, "Score", Variant(95.0));
    f.Exec("UPDATE students SET Score = 85 WHERE ID = 1");
    TUser user({[&](TReconcileErrorForm *form) {
        form->SetItemIndex(ItemOf(form, static_cast<TReconcileAction>(action)));
        if (action == raCorrect) {
            form->ConflictsOnly->click(); // the name does not conflict: show every field
            TypeInto(form, "Name", "王中明");
        }
        return Press(form->OKBtn);
    }});
    QCOMPARE(f.Students->ApplyUpdates(-1), 1);
    QCOMPARE(user.Dialogs, 1);
    QCOMPARE(f.Students->ChangeCount(), pending);
    QCOMPARE(f.Client(1), client);
    // The row that went through is accepted whatever was done with the refused one.
    QCOMPARE(f.Table().mid(1), QStringList({"2:李小華:95", "3:陳大同:70"}));
    QCOMPARE(f.Client(2), QString("李小華:95"));
    // Applying again: a merged row now goes through; a skipped or corrected one is refused
    // again (its originals still differ from the server's), and this time left as it is.
    int refusals = 0;
    f.Students->OnReconcileError = [&](TClientDataSet *, const EReconcileError &, TUpdateKind,
                                       TReconcileAction &a) {
        ++refusals;
        a = raSkip;
    };
    f.Students->ApplyUpdates(-1);
    QCOMPARE(refusals, action == raSkip || action == raCorrect ? 1 : 0);
    QCOMPARE(f.Table().first(), again);
}

void TstReconcileError::closingOtherThanOkAbortsTheApply() {
    // Two refused rows; whatever way the dialog is closed without OK, the second one is never
    // asked about and both stay in the log.
    const QList<std::function<void(TReconcileErrorForm *)>> closers = {
        [](TReconcileErrorForm *form) { QTest::mouseClick(form->CancelBtn, Qt::LeftButton); },
        [](TReconcileErrorForm *form) { QTest::keyClick(form, Qt::Key_Escape); },
        [](TReconcileErrorForm *form) { form->close(); },
    };
    for (const auto &closer : closers) {
        TFixture f;
        f.Edit(1, "Name", Variant(QStringLiteral("王大明")));
        f.Edit(3, "Name", Variant(QStringLiteral("陳小同")));
        f.Exec("UPDATE students SET Score = 0");
        TUser user({[&](TReconcileErrorForm *form) -> TAnswer {
            form->SetItemIndex(ItemOf(form, raCancel)); // the selection does not count
            return [form, closer] { closer(form); };
        }});
        QCOMPARE(f.Students->ApplyUpdates(-1), 2);
        QCOMPARE(user.Dialogs, 1);
        QCOMPARE(f.Students->ChangeCount(), 2);
        QCOMPARE(f.Client(1), QString("王大明:80"));
        QCOMPARE(f.Client(3), QString("陳小同:70"));
    }
}

void TstReconcileError::refusedDeletions() {
    TFixture f;
    // Student 2 was changed by another user, student 3 taken away by one.
    QVERIFY(f.Students->Locate("ID", Variant(2)));
    f.Students->Delete();
    QVERIFY(f.Students->Locate("ID", Variant(3)));
    f.Students->Delete();
    f.Exec("UPDATE students SET Name = '李大華' WHERE ID = 2");
    f.Exec("DELETE FROM students WHERE ID = 3");
    QList<QStringList> seen;
    TUser user({[&](TReconcileErrorForm *form) {
                    seen << QStringList{form->UpdateType->text(), Boxes(form)} + Headers(form) +
                                ActionTexts(form) + Rows(form);
                    form->SetItemIndex(ItemOf(form, raRefresh));
                    seen << Rows(form);
                    return Press(form->OKBtn);
                },
                [&](TReconcileErrorForm *form) {
                    seen << QStringList{form->UpdateType->text(), Boxes(form)} + Headers(form) +
                                ActionTexts(form) + Rows(form);
                    form->SetItemIndex(ItemOf(form, raCancel));
                    return Press(form->OKBtn);
                }});
    QCOMPARE(f.Students->ApplyUpdates(-1), 2);
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen[0],
             QStringList({"刪除", "x,-", "欄位名稱", "原始資料", "有衝突的資料", "不處理(不建議)",
                          "取消", "修正(建議)", "更新", "合併", "Name|李小華|李大華"}));
    QCOMPARE(seen[1], QStringList({"Name|李大華|李大華"}));
    QCOMPARE(seen[2],
             QStringList({"刪除", "-,-", "欄位名稱", "原始資料", "不處理(不建議)", "取消",
                          "修正(建議)", "ID|3", "Name|陳大同", "Score|70", "Photo|(Binary)"}));
    // Refreshed: the other user's record is back; cancelled: the deletion is undone.
    QCOMPARE(f.Students->ChangeCount(), 0);
    QCOMPARE(f.Client(2), QString("李大華:90"));
    QCOMPARE(f.Client(3), QString("陳大同:70"));
}

void TstReconcileError::insertionCorrectedAndSentAgain() {
    TFixture f;
    // A student without a name: the table refuses it and has no record of that key.
    f.Students->Append();
    f.Students->FieldByName("ID")->SetAsInteger(9);
    f.Students->FieldByName("Score")->SetAsFloat(60);
    f.Students->Post();
    QList<QStringList> seen;
    TUser user({[&](TReconcileErrorForm *form) {
                    seen << QStringList{form->UpdateType->text(), Boxes(form)} + Headers(form) +
                                ActionTexts(form) + Rows(form);
                    TypeInto(form, "Name", "林新生");
                    TypeInto(form, "Score", "六十五"); // not a number
                    return Press(form->OKBtn);
                },
                // The dialog stays up after the message: the user fixes the score.
                [&](TReconcileErrorForm *form) {
                    seen << Rows(form);
                    TypeInto(form, "Score", "65", false); // OK takes what is being typed
                    return Press(form->OKBtn);
                }});
    QCOMPARE(f.Students->ApplyUpdates(-1), 1);
    QCOMPARE(user.Dialogs, 2);
    QCOMPARE(user.Messages.size(), 1);
    QVERIFY2(user.Messages.first().startsWith("「Score」的修正值無法寫入"),
             qPrintable(user.Messages.first()));
    QCOMPARE(seen[0], QStringList({"新增", "-,", "欄位名稱", "新增 值", "不處理(不建議)", "取消",
                                   "修正(建議)", "ID|9", "Name|", "Score|60", "Photo|(Binary)"}));
    QCOMPARE(seen[1], QStringList({"ID|9", "Name|林新生", "Score|六十五", "Photo|(Binary)"}));
    // The correction is the row's new values, still to be sent; sending it again succeeds.
    QCOMPARE(f.Students->ChangeCount(), 1);
    QCOMPARE(f.Client(9), QString("林新生:65"));
    f.Students->OnReconcileError = NoDialog;
    QCOMPARE(f.Students->ApplyUpdates(-1), 0);
    QCOMPARE(f.Table().last(), QString("9:林新生:65"));
}

void TstReconcileError::autoActiveConnectsTheFormsDataSets() {
    class TJobForm : public TForm {
    public:
        TJobForm() {
            First = new TClientDataSet(this);
            Second = new TClientDataSet(this);
            Second->OnReconcileError = NoDialog; // replaced: the component connects them all
            Query = new TSqlQuery(this);
            Elsewhere = new TClientDataSet(Query); // not the form's
            Reconciler = new TReconcileError(this);
            Reconciler->SetAutoActive(true);
            // While the form is being built nothing is connected yet.
            Connected = Reconciler->IsHandlerOf(First);
        }
        TClientDataSet *First, *Second, *Elsewhere;
        TSqlQuery *Query;
        TReconcileError *Reconciler;
        bool Connected;
    };
    auto *form = Application()->CreateForm<TJobForm>();
    QVERIFY(!form->Connected);
    QVERIFY(form->Reconciler->IsHandlerOf(form->First));
    QVERIFY(form->Reconciler->IsHandlerOf(form->Second));
    QVERIFY(!form->Elsewhere->OnReconcileError);

    // Switched off at run time, only the component's own handler goes.
    form->Second->OnReconcileError = NoDialog;
    form->Reconciler->SetAutoActive(false);
    QVERIFY(!form->First->OnReconcileError);
    QVERIFY(form->Second->OnReconcileError);
    QVERIFY(!form->Reconciler->IsHandlerOf(form->Second));
    form->Reconciler->SetAutoActive(true);
    QVERIFY(form->Reconciler->IsHandlerOf(form->First));
    QVERIFY(form->Reconciler->IsHandlerOf(form->Second));
    delete form;

    // The handler outlives a component taken away before its datasets: the dialog still asks.
    TFixture f;
    delete f.Form->Reconciler;
    f.Edit(1, "Name", Variant(QStringLiteral("王大明")));
    f.Exec("UPDATE students SET Score = 85 WHERE ID = 1");
    TUser user({[](TReconcileErrorForm *form) {
        form->SetItemIndex(ItemOf(form, raRefresh));
        return Press(form->OKBtn);
    }});
    QCOMPARE(f.Students->ApplyUpdates(-1), 1);
    QCOMPARE(user.Dialogs, 1);
    QCOMPARE(f.Client(1), QString("王小明:85"));
}

LUM_TEST_MAIN(TstReconcileError)
#include "tst_reconcileerror.moc"
