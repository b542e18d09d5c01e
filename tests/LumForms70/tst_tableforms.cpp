// The table forms over a provider on an SQLite file: the confirmation flow on open, refresh
// and close, the actions each data state enables, the empty-table refusals, the edit stamp,
// the copy-insert buffer, cancelling under a local filter, the number of the one-record form,
// and the datasets and records that forms hand each other.

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBActions.h"
#include "DBCheckListBox.h"
#include "Exceptions.h"
#include "FixedClock.h"
#include "LocalStudents.h"
#include "ModalAnswer.h"
#include "Provider.h"
#include "RadSystemApi.h"
#include "ServerLocations.h"
#include "SqlQuery.h"
#include "StringList.h"
#include "TestMain.h"
#include "uLoginUserInfo.h"
#include "uLumMessages.h"
#include "uSingalTBForm.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// The enabled targets of OpCtrl, named in one line so that a failure shows them all.
QString Enabled(const TSingalTBForm &f) {
    const std::pair<const char *, bool> targets[] = {
        {"apply", f.DataApplyUpdate->isEnabled()}, {"cancel", f.DataCancelUpdate->isEnabled()},
        {"insert", f.DataInsert->isEnabled()},     {"edit", f.DataEdit->isEnabled()},
        {"copy", f.DataCopy->isEnabled()},         {"excel", f.ExportToExcel->isEnabled()},
        {"print", f.DataPrint->isEnabled()},       {"selection", f.plDataSelection->isEnabled()}};
    QStringList on;
    for (const auto &[name, enabled] : targets)
        if (enabled)
            on << QLatin1String(name);
    return on.join(u' ');
}

// A form that wants what other forms send: the students of a form named "Sender", and the
// current record of its dataset.
class TReceiverForm : public TSingalTBForm {
public:
    TReceiverForm() {
        setObjectName(QStringLiteral("Receiver"));
        Copy = new TClientDataSet(this);
    }
    TClientDataSet *DoGetReceiverDataSet(const QString &name, bool active) override {
        Asked << name + (active ? QStringLiteral(":open") : QStringLiteral(":closed"));
        return name == QStringLiteral("Sender.ActiveDataSet") ? Target : nullptr;
    }
    void DoAfterSetReceiveData(TClientDataSet *dataSet) override { Received = dataSet; }
    void RecvDataRefresh(const QString &name) override { Refreshed << name; }
    TStringList *DoCheckActiveDataRecord(const QString &name) override {
        return name == QStringLiteral("Sender.ActiveDataSet") ? &Record : nullptr;
    }
    void DoAfterSetActiveDataRecord(TStringList *items) override { RecordTold = items; }

    TClientDataSet *Copy;
    TClientDataSet *Target = nullptr;
    TClientDataSet *Received = nullptr;
    TStringList Record;
    TStringList *RecordTold = nullptr;
    QStringList Asked, Refreshed;
};

} // namespace

class TstTableForms : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

private Q_SLOTS:
    // The forms' shared code tables come from a real server.
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
    }
    void cleanupTestCase() { FServer.reset(); }

    void actionsFollowTheDataStates() {
        TStudents db;
        TSingalTBMultiRecForm form;
        db.Bind(&form);
        QCOMPARE(Enabled(form), QStringLiteral("selection"));
        form.DataOpenExecute();
        TClientDataSet *d = form.ActiveDataSet;
        QCOMPARE(d->RecordCount(), 3);
        // Browsing, no changes.
        QCOMPARE(Enabled(form), QStringLiteral("insert edit copy excel print selection"));
        QVERIFY(form.DataSetNext->isEnabled());
        QVERIFY(!form.DataSetPost->isEnabled());
        // Editing: cancel, post and undo; the selection panel is off.
        form.DataEditExecute();
        QCOMPARE(d->State(), dsEdit);
        QCOMPARE(Enabled(form), QStringLiteral("cancel"));
        QVERIFY(form.DataSetPost->isEnabled());
        d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("王大明"));
        form.DataSetPost->Execute();
        // Browsing with changes: confirm and cancel; no export or print.
        QCOMPARE(Enabled(form), QStringLiteral("apply cancel insert edit copy selection"));
        form.DataApplyUpdateExecute();
        QCOMPARE(db.Value("SELECT Name FROM students WHERE No='S01'"), QStringLiteral("王大明"));
        QCOMPARE(Enabled(form), QStringLiteral("insert edit copy excel print selection"));
        // The grid's check list hides and shows columns.
        QVERIFY(form.DBCheckListBox->count() >= 3);
        form.DBCheckListBox->setCurrentRow(1);
        form.DBCheckListBox->SetChecked(1, false);
        form.DBCheckListBoxClickCheck(form.DBCheckListBox);
        QVERIFY(!form.DBCheckListBox->Field(1)->Visible());
    }

    void insertAppendsAndStampsTheEditInfo() {
        TFixedClock clock(QDate(2004, 5, 6), QTime(13, 5));
        CurrentUserInfo->Cht_Name = QStringLiteral("abc");
        TStudents db;
        TSingalTBForm form;
        db.Bind(&form);
        form.DataOpenExecute();
        TClientDataSet *d = form.ActiveDataSet;
        d->Locate(QStringLiteral("No"), Variant("S02"));
        form.DataInsertExecute();
        QCOMPARE(d->State(), dsInsert);
        d->FieldByName(QStringLiteral("No"))->SetAsString(QStringLiteral("S04"));
        d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("林小美"));
        d->Post();
        // Appended at the end, not before the current record.
        d->Last();
        QCOMPARE(d->FieldByName(QStringLiteral("No"))->AsString(), QStringLiteral("S04"));
        const QString stamp = QStringLiteral("abc-04/05/06(13:05)-") + GetIPAddr();
        QCOMPARE(d->FieldByName(QStringLiteral("EditInfo"))->AsString(), stamp);
        // The stamp goes in front of the earlier ones.
        d->Locate(QStringLiteral("No"), Variant("S02"));
        form.DataEditExecute();
        d->Post();
        TStringList history;
        history.SetCommaText(d->FieldByName(QStringLiteral("EditInfo"))->AsString());
        QCOMPARE(history.Count(), 3);
        QCOMPARE(history[0], stamp);
        QCOMPARE(history[1], QStringLiteral("a-1"));
        QCOMPARE(history[2], QStringLiteral("b-2"));
        form.DataApplyUpdateExecute();
        QCOMPARE(db.Value("SELECT Name FROM students WHERE No='S04'"), QStringLiteral("林小美"));
        CurrentUserInfo->Cht_Name.clear();
    }

    void pendingChangesAreConfirmedOrDropped() {
        TStudents db;
        auto *form = new TSingalTBForm;
        db.Bind(form);
        form->DataOpenExecute();
        TClientDataSet *d = form->ActiveDataSet;
        d->Edit();
        d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("甲"));
        d->Post();
        form->OpCtrl();
        // Refresh with changes, answer yes: applied, then read again.
        {
            TAnswer yes(QMessageBox::Yes);
            form->DataRefreshExecute();
            QCOMPARE(yes.Texts, QStringList{QStringLiteral("修改未確認,是否確認？")});
        }
        QCOMPARE(db.Value("SELECT Name FROM students WHERE No='S01'"), QStringLiteral("甲"));
        // Open with a pending edit but nothing to confirm: cancelled without asking.
        d->Edit();
        d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("乙"));
        {
            TAnswer any(QMessageBox::Yes);
            form->DataOpenExecute();
            QVERIFY(any.Texts.isEmpty());
        }
        QCOMPARE(d->FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("甲"));
        // Close with changes, answer no: dropped without a server call.
        d->Edit();
        d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("丙"));
        d->Post();
        form->OpCtrl();
        const int applies = db.Applies;
        {
            TAnswer no(QMessageBox::No);
            QVERIFY(form->close());
            QCOMPARE(no.Texts, QStringList{QStringLiteral("修改未確認,是否確認？")});
        }
        QCOMPARE(db.Applies, applies);
        QCOMPARE(db.Value("SELECT Name FROM students WHERE No='S01'"), QStringLiteral("甲"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void emptyTablesRefuseEditAndDelete() {
        TStudents db;
        db.Exec("DELETE FROM students");
        TSingalTBForm form;
        db.Bind(&form);
        form.DataOpenExecute();
        try {
            form.DataEditExecute();
            QFAIL("edited an empty table");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("空的資料表,不可修改"));
        }
        QCOMPARE(form.ActiveDataSet->State(), dsBrowse);
        TAnswer yes(QMessageBox::Yes);
        try {
            form.DataSetDeleteExecute();
            QFAIL("deleted from an empty table");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("空的資料表,不可刪除"));
        }
        QCOMPARE(yes.Texts, QStringList{QStringLiteral("資料確認要刪除嗎？")});
        QCOMPARE(form.ActiveDataSet->State(), dsBrowse);
    }

    void deleteAsksFirst() {
        TStudents db;
        TSingalTBForm form;
        db.Bind(&form);
        form.DataOpenExecute();
        {
            TAnswer no(QMessageBox::No);
            form.DataSetDelete->Execute();
        }
        QCOMPARE(form.ActiveDataSet->RecordCount(), 3);
        {
            TAnswer yes(QMessageBox::Yes);
            form.DataSetDelete->Execute();
        }
        QCOMPARE(form.ActiveDataSet->RecordCount(), 2);
        QVERIFY(form.GetEnabledApply());
    }

    void copyInsertFillsARecord() {
        TStudents db;
        TSingalTBForm form;
        db.Bind(&form);
        QVERIFY_THROWS_EXCEPTION(Exception, form.CopyDataSetTo(form.ActiveDataSet));
        form.CopyDataSet->FieldDefs().Add(QStringLiteral("Name"), ftString, 40);
        form.CopyDataSet->FieldDefs().Add(QStringLiteral("Sex"), ftString, 1);
        form.DataOpenExecute();
        TClientDataSet *d = form.ActiveDataSet;
        form.CopyDataSetFrom(d);
        QCOMPARE(form.CopyDataSet->State(), dsInsert);
        form.CopyDataSetTo(d);
        QCOMPARE(d->State(), dsInsert);
        QCOMPARE(d->FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("王小明"));
        QVERIFY(d->FieldByName(QStringLiteral("No"))->IsNull());
        // Already inserting: that record is filled, no second one appended.
        const int before = d->RecordCount();
        form.CopyDataSetTo(d);
        QCOMPARE(d->RecordCount(), before);
        d->Cancel();
    }

    void cancelReachesRecordsHiddenByAFilter() {
        TStudents db;
        TSingalTBForm form;
        db.Bind(&form);
        form.DataOpenExecute();
        TClientDataSet *d = form.ActiveDataSet;
        d->Locate(QStringLiteral("No"), Variant("S02"));
        d->Edit();
        d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("改"));
        d->Post();
        d->SetFilter(QStringLiteral("Sex='1'"));
        d->SetFiltered(true);
        QCOMPARE(d->RecordCount(), 2);
        form.DataCancelUpdateExecute();
        QCOMPARE(d->ChangeCount(), 0);
        QVERIFY(d->Filtered());
        d->SetFiltered(false);
        d->Locate(QStringLiteral("No"), Variant("S02"));
        QCOMPARE(d->FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("李小華"));
    }

    void formsHandEachOtherDatasetsAndRecords() {
        TStudents db;
        TSingalTBForm sender;
        sender.setObjectName(QStringLiteral("Sender"));
        db.Bind(&sender);
        sender.DataOpenExecute();
        TReceiverForm receiver;
        // Nobody asked for it yet: only the question is heard.
        sender.SendDataset(sender.ActiveDataSet);
        QVERIFY(receiver.Asked.contains(QStringLiteral("Sender.ActiveDataSet:open")));
        QVERIFY(!receiver.Received);
        // A plain dataset gets a copy of the data.
        receiver.Target = receiver.Copy;
        sender.SendDataset(sender.ActiveDataSet);
        QCOMPARE(receiver.Received, receiver.Copy);
        QCOMPARE(receiver.Copy->RecordCount(), 3);
        // A cached code table only takes the sender's filter.
        sender.ActiveDataSet->SetFilter(QStringLiteral("Sex='1'"));
        sender.ActiveDataSet->SetFiltered(true);
        receiver.Target = receiver.CodeTableMain;
        sender.SendDataset(sender.ActiveDataSet);
        QCOMPARE(receiver.CodeTableMain->Filter(), QStringLiteral("Sex='1'"));
        QVERIFY(receiver.CodeTableMain->Filtered());
        receiver.CodeTableMain->SetFiltered(false);
        receiver.CodeTableMain->SetFilter(QString());
        // Refresh requests and the current record.
        sender.SendDataRefresh(sender.ActiveDataSet);
        QCOMPARE(receiver.Refreshed, QStringList{QStringLiteral("Sender.ActiveDataSet")});
        sender.SendActiveDataRecord(sender.ActiveDataSet);
        QCOMPARE(receiver.RecordTold, &receiver.Record);
        QCOMPARE(receiver.Record.Values(QStringLiteral("No")), QStringLiteral("S01"));
        QCOMPARE(receiver.Record.Values(QStringLiteral("Name")), QStringLiteral("王小明"));
    }

    void oneRecordFormReadsByNumber() {
        TStudents db;
        TSingalTBOneRecForm form;
        db.Bind(&form, QStringLiteral("dspStudentByNo"));
        QVERIFY(form.DataOpen->isVisible());
        form.SetNo(QStringLiteral("S02"));
        QCOMPARE(form.ActiveDataSet->RecordCount(), 1);
        QCOMPARE(form.ActiveDataSet->FieldByName(QStringLiteral("Name"))->AsString(),
                 QStringLiteral("李小華"));
        const int reads = db.Reads;
        form.SetNo(QStringLiteral("S02")); // the same number: not read again
        QCOMPARE(db.Reads, reads);
        QTest::keyClick(form.edNo, Qt::Key_Return); // Enter reads again
        QVERIFY(db.Reads > reads);
        // A record being edited can be confirmed at once.
        form.DataEditExecute();
        QVERIFY(form.DataApplyUpdate->isEnabled());
        form.ActiveDataSet->FieldByName(QStringLiteral("Sex"))->SetAsString(QStringLiteral("1"));
        form.DataApplyUpdateExecute();
        QCOMPARE(db.Value("SELECT Sex FROM students WHERE No='S02'"), QStringLiteral("1"));
    }
};

LUM_TEST_MAIN(TstTableForms)
#include "tst_tableforms.moc"
