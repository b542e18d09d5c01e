#include "DbTestUtil.h"
#include "Packet.h"

#include <QTest>

namespace {
// Statuses and names of the rows of a delta, e.g. "4:b", "1:B".
QStringList DeltaRows(const TClientDataSet &ds) {
    const Variant delta = ds.Delta();
    if (delta.IsEmpty())
        return {};
    TPacketReader reader(delta.ToBytes());
    QStringList out;
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values))
        out << QStringLiteral("%1:%2").arg(status).arg(VarToStr(values[1]));
    return out;
}

void SetName(TDataSet &ds, const QString &name) {
    ds.Edit();
    ds.FieldByName("Name")->SetAsString(name);
    ds.Post();
}
} // namespace

class TstChangeLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void insertedThenEditedThenDeletedLeavesNothing();
    void editedThenDeletedSendsOriginal();
    void undoLastChangeStepsBack();
    void undoBringsBackDeletedRecord();
    void revertOneRecordAmongMany();
    void cancelUpdatesReachesFilteredRecords();
    void mergeChangeLogAcceptsEverything();
    void logChangesOff();
    void oldValueAndUpdateStatus();
};

void TstChangeLog::insertedThenEditedThenDeletedLeavesNothing() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}});
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(3);
    ds->FieldByName("Name")->SetAsString("c");
    ds->Post();
    QCOMPARE(ds->ChangeCount(), 1);
    QCOMPARE(ds->UpdateStatus(), usInserted);
    SetName(*ds, "c2");
    QCOMPARE(ds->ChangeCount(), 2);
    QCOMPARE(ds->UpdateStatus(), usInserted);
    QCOMPARE(DeltaRows(*ds), QStringList({"2:c2"}));
    ds->Delete();
    QCOMPARE(ds->ChangeCount(), 0);
    QVERIFY(ds->Delta().IsEmpty());
    QCOMPARE(Column(*ds, "Name"), QStringList({"a", "b"}));
}

void TstChangeLog::editedThenDeletedSendsOriginal() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}});
    ds->Next();
    SetName(*ds, "B");
    SetName(*ds, "BB");
    QCOMPARE(DeltaRows(*ds), QStringList({"4:b", "1:BB"}));
    ds->Delete();
    QCOMPARE(ds->ChangeCount(), 3);
    QCOMPARE(DeltaRows(*ds), QStringList({"3:b"}));
    QCOMPARE(ds->RecordCount(), 1);
}

void TstChangeLog::undoLastChangeStepsBack() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}});
    SetName(*ds, "a1");
    ds->Next();
    SetName(*ds, "b1");
    ds->First();
    SetName(*ds, "a2");
    QCOMPARE(ds->ChangeCount(), 3);
    QVERIFY(ds->UndoLastChange(true));
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("a1"));
    QVERIFY(ds->UndoLastChange(true));
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("b"));
    QCOMPARE(ds->RecNo(), 2);
    QVERIFY(ds->UndoLastChange(false));
    QCOMPARE(Column(*ds, "Name"), QStringList({"a", "b"}));
    QCOMPARE(ds->ChangeCount(), 0);
    QVERIFY(!ds->UndoLastChange(true));
    // Undoing an insert removes the record.
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(9);
    ds->Post();
    QVERIFY(ds->UndoLastChange(true));
    QCOMPARE(ds->RecordCount(), 2);
}

void TstChangeLog::undoBringsBackDeletedRecord() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}, {3, "c", 3}});
    ds->SetRecNo(2);
    ds->Delete();
    QCOMPARE(Column(*ds, "Name"), QStringList({"a", "c"}));
    QVERIFY(ds->UndoLastChange(true));
    QCOMPARE(Column(*ds, "Name"), QStringList({"a", "b", "c"}));
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("b"));
    QCOMPARE(ds->UpdateStatus(), usUnmodified);
}

void TstChangeLog::revertOneRecordAmongMany() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}, {3, "c", 3}});
    SetName(*ds, "a1");
    ds->Next();
    SetName(*ds, "b1");
    SetName(*ds, "b2");
    ds->Next();
    ds->Delete();
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(4);
    ds->FieldByName("Name")->SetAsString("d");
    ds->Post();
    QCOMPARE(ds->ChangeCount(), 5);
    ds->SetRecNo(2);
    ds->RevertRecord();
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("b"));
    QCOMPARE(ds->ChangeCount(), 3);
    QCOMPARE(DeltaRows(*ds), QStringList({"4:a", "1:a1", "3:c", "2:d"}));
    ds->Last();
    ds->RevertRecord();
    QCOMPARE(Column(*ds, "Name"), QStringList({"a1", "b"}));
}

void TstChangeLog::cancelUpdatesReachesFilteredRecords() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}, {3, "c", 3}});
    SetName(*ds, "hidden");
    ds->SetFilter("Name <> 'hidden'");
    ds->SetFiltered(true);
    QCOMPARE(ds->RecordCount(), 2);
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("pending");
    ds->CancelUpdates();
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(ds->ChangeCount(), 0);
    QVERIFY(ds->Filtered());
    QCOMPARE(Column(*ds, "Name"), QStringList({"a", "b", "c"}));
}

void TstChangeLog::mergeChangeLogAcceptsEverything() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}});
    ds->Delete();
    SetName(*ds, "b1");
    ds->MergeChangeLog();
    QCOMPARE(ds->ChangeCount(), 0);
    QCOMPARE(ds->UpdateStatus(), usUnmodified);
    QCOMPARE(Column(*ds, "Name"), QStringList({"b1"}));
    QVERIFY(!ds->UndoLastChange(true));
}

void TstChangeLog::logChangesOff() {
    auto ds = MakePeople({{1, "a", 1}});
    ds->SetLogChanges(false);
    SetName(*ds, "x");
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(2);
    ds->Post();
    QCOMPARE(ds->ChangeCount(), 0);
    QCOMPARE(ds->RecordCount(), 2);
    ds->SetLogChanges(true);
    SetName(*ds, "y");
    QCOMPARE(ds->ChangeCount(), 1);
}

void TstChangeLog::oldValueAndUpdateStatus() {
    auto ds = MakePeople({{1, "a", 1}});
    TField *name = ds->FieldByName("Name");
    SetName(*ds, "b");
    QCOMPARE(name->OldValue().ToString(), QString("a"));
    QCOMPARE(name->NewValue().ToString(), QString("b"));
    QCOMPARE(ds->UpdateStatus(), usModified);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, name->SetNewValue(Variant("c")));
}

QTEST_GUILESS_MAIN(TstChangeLog)
#include "tst_changelog.moc"
