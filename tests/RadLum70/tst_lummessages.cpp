// Message records between open forms.

#include "ClientDataSet.h"
#include "Exceptions.h"
#include "TestMain.h"
#include "uLumMessages.h"

namespace {

class Listener : public TForm {
    Q_OBJECT
public:
    Listener(QString name, QStringList *log) {
        SetName(std::move(name));
        SetMessageHandler(WM_DATASETREFRESH, [this, log](TMessage &m) {
            QString dataSetName;
            DataSetRefreshReceiver(m, dataSetName);
            log->append(Name() + u':' + dataSetName);
            if (Fail)
                throw Exception(QStringLiteral("refresh failed"));
        });
        SetMessageHandler(WM_SHOWVCLTREEFORM, [this, log](TMessage &m) {
            QString treeName;
            ShowVCLTreeFormReceiver(m, treeName);
            log->append(Name() + QStringLiteral(":tree ") + treeName);
        });
    }
    bool Fail = false;
};

// Student rows: No (key), Name, Memo (a blob), Phone (may be empty or null).
std::unique_ptr<TClientDataSet> MakeStudents() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("No"), ftInteger, 0, true);
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    ds->FieldDefs().Add(QStringLiteral("Memo"), ftMemo);
    ds->FieldDefs().Add(QStringLiteral("Phone"), ftString, 12);
    ds->CreateDataSet();
    const QStringList names{"王小明", "林雅婷", "陳志豪"};
    for (int i = 0; i < names.size(); ++i) {
        ds->Append();
        ds->FieldByName(QStringLiteral("No"))->SetAsInteger(i + 1);
        ds->FieldByName(QStringLiteral("Name"))->SetAsString(names[i]);
        ds->FieldByName(QStringLiteral("Memo"))->SetAsString(QStringLiteral("備註"));
        if (i == 1)
            ds->FieldByName(QStringLiteral("Phone"))->SetAsString(QString());
        else if (i == 2)
            ds->FieldByName(QStringLiteral("Phone"))->SetAsString(QStringLiteral("02-1234"));
        ds->Post();
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

// Takes a carried dataset under one name into its own dataset, as the job forms do.
class DataTaker : public TForm {
    Q_OBJECT
public:
    DataTaker() {
        SetMessageHandler(WM_TRANSMITDATASET, [this](TMessage &m) {
            bool active = false;
            if (ClientDataSetReceiverName(m, active) != QStringLiteral("Students"))
                return;
            SawActive = active;
            Took = ClientDataSetReceiverDataByFilter(m, &Target, Filter, Filtered);
        });
        SetMessageHandler(WM_ACTIVEDATARECORD, [this](TMessage &m) {
            Name = ActiveDataRecordReceiverName(m);
            ActiveDataRecordReceiverItems(m, Items);
            ++Records;
        });
    }
    TClientDataSet Target;
    bool SawActive = false, Took = false, Filtered = false;
    QString Filter, Name;
    TStringList Items;
    int Records = 0;
};

} // namespace

class TstLumMessages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Application()->DestroyForms(); }

    void everyOpenFormGetsTheMessage() {
        QStringList log;
        new Listener(QStringLiteral("Sender"), &log);
        new TForm; // a form without a handler ignores it
        new Listener(QStringLiteral("Other"), &log);
        DataSetRefreshSender(QStringLiteral("TStudentForm.StudentCDS"));
        QCOMPARE(log,
                 (QStringList{"Sender:TStudentForm.StudentCDS", "Other:TStudentForm.StudentCDS"}));
        log.clear();
        ShowVCLTreeFormSender(QStringLiteral("UnitTreeView"));
        QCOMPARE(log, (QStringList{"Sender:tree UnitTreeView", "Other:tree UnitTreeView"}));
    }

    void aFailingHandlerStopsDeliveryAndReachesTheSender() {
        QStringList log;
        auto *first = new Listener(QStringLiteral("First"), &log);
        new Listener(QStringLiteral("Second"), &log);
        first->Fail = true;
        QVERIFY_THROWS_EXCEPTION(Exception, DataSetRefreshSender(QStringLiteral("x")));
        QCOMPARE(log, QStringList{"First:x"});
    }

    void emptyValuesDoNotTravel() {
        QStringList log;
        new Listener(QStringLiteral("L"), &log);
        DataSetRefreshSender(QString());
        QCOMPARE(log, QStringList{"L:"});
        // A message without a list reads as empty.
        TMessage bare;
        bare.Msg = WM_DATASETREFRESH;
        QString name = QStringLiteral("unchanged");
        DataSetRefreshReceiver(bare, name);
        QCOMPARE(name, QString());
    }

    void aCarriedDatasetIsCopiedWithItsChangesAndFilter() {
        auto students = MakeStudents();
        students->Edit();
        students->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("王大明"));
        students->Post(); // a pending change travels with the data
        students->SetFilter(QStringLiteral("No>1"));
        students->SetFiltered(true);
        auto *taker = new DataTaker;
        taker->Target.SetFilter(QStringLiteral("No=3"));
        taker->Target.SetFiltered(true);

        ClientDataSetSender(QStringLiteral("Students"), students.get());
        QVERIFY(taker->SawActive && taker->Took);
        QCOMPARE(taker->Filter, QStringLiteral("No>1"));
        QVERIFY(taker->Filtered);
        // The target keeps its own filter, now applied to the copied rows.
        QVERIFY(taker->Target.Filtered());
        QCOMPARE(taker->Target.RecordCount(), 1);
        taker->Target.SetFiltered(false);
        QCOMPARE(taker->Target.RecordCount(), 3);
        QCOMPARE(taker->Target.ChangeCount(), 1);
        taker->Target.First();
        QCOMPARE(taker->Target.FieldByName(QStringLiteral("Name"))->AsString(),
                 QStringLiteral("王大明"));
    }

    void aClosedCarriedDatasetLeavesTheTargetAlone() {
        auto students = MakeStudents();
        students->Close();
        auto *taker = new DataTaker;
        taker->Target.FieldDefs().Add(QStringLiteral("X"), ftInteger);
        taker->Target.CreateDataSet();
        taker->Target.Append();
        taker->Target.FieldByName(QStringLiteral("X"))->SetAsInteger(7);
        taker->Target.Post();
        taker->Filter = QStringLiteral("untouched");
        ClientDataSetSender(QStringLiteral("Students"), students.get());
        QVERIFY(!taker->SawActive);
        QVERIFY(!taker->Took);
        QCOMPARE(taker->Filter, QStringLiteral("untouched"));
        QCOMPARE(taker->Target.FieldByName(QStringLiteral("X"))->AsInteger(), 7);
    }

    void theCurrentRecordTravelsFieldByField() {
        auto students = MakeStudents();
        auto *taker = new DataTaker;
        ActiveDataRecordSender(QStringLiteral("StudentCDS"), students.get());
        QCOMPARE(taker->Name, QStringLiteral("StudentCDS"));
        // The memo is a blob and stays home; a null phone reads "NULL".
        QCOMPARE(taker->Items.Text(), QStringLiteral("No=1\nName=王小明\nPhone=NULL\n"));
        students->Next();
        ActiveDataRecordSender(QStringLiteral("StudentCDS"), students.get());
        QCOMPARE(taker->Items.Count(), 2); // an empty phone leaves no line
        QCOMPARE(taker->Items.Values(QStringLiteral("Phone")), QString());
        students->Last();
        ActiveDataRecordSender(QStringLiteral("StudentCDS"), students.get());
        QCOMPARE(taker->Items.Values(QStringLiteral("Phone")), QStringLiteral("02-1234"));
        QCOMPARE(taker->Records, 3);
    }

    void noRecordIsSentWhileEditingOrWhenThereIsNone() {
        auto students = MakeStudents();
        auto *taker = new DataTaker;
        students->Edit();
        ActiveDataRecordSender(QStringLiteral("S"), students.get());
        students->Cancel();
        students->Append();
        ActiveDataRecordSender(QStringLiteral("S"), students.get());
        students->Cancel();
        students->SetFilter(QStringLiteral("No>10"));
        students->SetFiltered(true);
        ActiveDataRecordSender(QStringLiteral("S"), students.get());
        students->Close();
        ActiveDataRecordSender(QStringLiteral("S"), students.get());
        QCOMPARE(taker->Records, 0);
    }
};

LUM_TEST_MAIN(TstLumMessages)
#include "tst_lummessages.moc"
