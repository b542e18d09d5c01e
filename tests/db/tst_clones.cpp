#include "DataSource.h"
#include "DbTestUtil.h"

#include <QTest>

namespace {
std::unique_ptr<TClientDataSet> Five() {
    return MakePeople({{1, "e", 5}, {2, "c", 3}, {3, "a", 1}, {4, "d", 4}, {5, "b", 2}});
}

void SetAmount(TDataSet &ds, double amount) {
    ds.Edit();
    ds.FieldByName("Amount")->SetAsFloat(amount);
    ds.Post();
}
} // namespace

class TstClones : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clonesShareRecordsButNotTheCursor();
    void cloneTakesKeepsOrResetsSettings_data();
    void cloneTakesKeepsOrResetsSettings();
    void settingsChangedOnOneCloneStayThere();
    void clonesSeeEachOthersEdits();
    void changeLogIsShared();
    void editOfRecordRemovedByAnotherCursorFails();
    void cloneOutlivesItsSource();
    void badClonesAreRefused();
};

void TstClones::clonesShareRecordsButNotTheCursor() {
    auto src = Five();
    TClientDataSet clone;
    clone.CloneCursor(src.get(), true);
    QCOMPARE(clone.RecordCount(), 5);
    QCOMPARE(clone.Store().get(), src->Store().get());
    clone.Last();
    QCOMPARE(clone.FieldByName("ID")->AsInteger(), 5);
    QCOMPARE(src->FieldByName("ID")->AsInteger(), 1);
    QCOMPARE(src->RecNo(), 1);
    // A bookmark names the same record in every cursor on the records.
    src->Locate("ID", Variant(3));
    const TBookmark mark = src->GetBookmark();
    clone.GotoBookmark(mark);
    QCOMPARE(clone.FieldByName("Name")->AsString(), QString("a"));
    QCOMPARE(clone.RecNo(), 3);
}

void TstClones::cloneTakesKeepsOrResetsSettings_data() {
    QTest::addColumn<bool>("reset");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QStringList>("names");
    // The source: Amount >= 2, ordered by Name, range b..d. The clone's own: ID <= 3 by ID desc.
    QTest::newRow("takes the source's") << false << false << QStringList({"b", "c", "d"});
    QTest::newRow("keeps its own") << false << true << QStringList({"a", "c", "e"});
    QTest::newRow("reset") << true << false << QStringList({"e", "c", "a", "d", "b"});
}

void TstClones::cloneTakesKeepsOrResetsSettings() {
    QFETCH(bool, reset);
    QFETCH(bool, keep);
    QFETCH(QStringList, names);
    auto src = Five();
    src->SetFilter("Amount >= 2");
    src->SetFiltered(true);
    src->SetIndexFieldNames("Name");
    src->SetRange({Variant(QString("b"))}, {Variant(QString("d"))});
    QCOMPARE(Column(*src, "Name"), QStringList({"b", "c", "d"}));

    TClientDataSet clone;
    clone.AddIndex("ByIdDesc", "ID", ixDescending);
    clone.SetIndexName("ByIdDesc");
    clone.SetFilter("ID <= 3");
    clone.SetFiltered(true);
    clone.CloneCursor(src.get(), reset, keep);
    QCOMPARE(Column(clone, "Name"), names);
    // The source is left as it was.
    QCOMPARE(Column(*src, "Name"), QStringList({"b", "c", "d"}));
}

void TstClones::settingsChangedOnOneCloneStayThere() {
    auto src = Five();
    src->SetIndexFieldNames("Name");
    TClientDataSet clone;
    clone.CloneCursor(src.get(), false);
    clone.SetIndexFieldNames("Amount");
    clone.SetFilter("Name <> 'a'");
    clone.SetFiltered(true);
    clone.SetRange({Variant(3.0)}, {Variant(5.0)});
    QCOMPARE(Column(clone, "Name"), QStringList({"c", "d", "e"}));
    QCOMPARE(Column(*src, "Name"), QStringList({"a", "b", "c", "d", "e"}));
    QVERIFY(!src->HasRange());
    QVERIFY(!src->Filtered());
    // A second clone of the first takes the first's settings, range included.
    TClientDataSet second;
    second.CloneCursor(&clone, false);
    QCOMPARE(Column(second, "Name"), QStringList({"c", "d", "e"}));
    clone.CancelRange();
    QCOMPARE(Column(second, "Name"), QStringList({"c", "d", "e"}));
    QCOMPARE(Column(clone, "Name"), QStringList({"b", "c", "d", "e"}));
}

void TstClones::clonesSeeEachOthersEdits() {
    auto src = Five();
    TClientDataSet clone;
    clone.CloneCursor(src.get(), true);
    clone.SetIndexFieldNames("Amount");
    clone.SetFilter("Amount < 10");
    clone.SetFiltered(true);
    TDataSource source;
    source.SetDataSet(&clone);
    int changes = 0;
    source.OnDataChange = [&](TDataSource *, TField *field) {
        if (!field)
            ++changes;
    };

    // An edit through the source moves the record in the clone's order.
    src->Locate("ID", Variant(3)); // "a", amount 1: first by amount
    SetAmount(*src, 4.5);
    QVERIFY(changes > 0);
    QCOMPARE(Column(clone, "Name"), QStringList({"b", "c", "d", "a", "e"}));
    // An edit that fails the clone's filter takes the record out of the clone only.
    SetAmount(*src, 50);
    QCOMPARE(Column(clone, "Name"), QStringList({"b", "c", "d", "e"}));
    QCOMPARE(src->RecordCount(), 5);

    // An insert and a delete through the clone reach the source.
    clone.Append();
    clone.FieldByName("ID")->SetAsInteger(6);
    clone.FieldByName("Name")->SetAsString("f");
    clone.FieldByName("Amount")->SetAsFloat(0.5);
    clone.Post();
    QCOMPARE(Column(clone, "Name").first(), QString("f"));
    QCOMPARE(Column(*src, "Name"), QStringList({"e", "c", "a", "d", "b", "f"}));
    QVERIFY(clone.Locate("ID", Variant(2)));
    clone.Delete();
    QCOMPARE(Column(*src, "Name"), QStringList({"e", "a", "d", "b", "f"}));
    // The source's cursor stays on its record while the clone works.
    QCOMPARE(src->FieldByName("ID")->AsInteger(), 3);
    QCOMPARE(src->FieldByName("Amount")->AsFloat(), 50.0);

    // A cursor left with nothing to show is at both ends.
    clone.SetFilter("Amount < 0");
    src->First();
    SetAmount(*src, -1);
    QCOMPARE(clone.RecordCount(), 1);
    src->Delete();
    QVERIFY(clone.IsEmpty());
    QVERIFY(clone.Eof());
    QVERIFY(clone.Bof());
}

void TstClones::changeLogIsShared() {
    auto src = Five();
    TClientDataSet clone;
    clone.CloneCursor(src.get(), true);
    clone.Locate("ID", Variant(2));
    SetAmount(clone, 30);
    src->Locate("ID", Variant(4));
    src->Delete();
    QCOMPARE(src->ChangeCount(), 2);
    QCOMPARE(clone.ChangeCount(), 2);
    QCOMPARE(clone.RecordCount(), 4);
    // Undoing through the clone brings the source's delete back.
    QVERIFY(clone.UndoLastChange(true));
    QCOMPARE(src->RecordCount(), 5);
    QCOMPARE(clone.FieldByName("ID")->AsInteger(), 4);
    // Reverting in the source undoes the clone's edit.
    src->Locate("ID", Variant(2));
    QCOMPARE(src->FieldByName("Amount")->AsFloat(), 30.0);
    src->RevertRecord();
    QVERIFY(clone.Locate("ID", Variant(2)));
    QCOMPARE(clone.FieldByName("Amount")->AsFloat(), 3.0);
    QCOMPARE(clone.ChangeCount(), 0);
}

void TstClones::editOfRecordRemovedByAnotherCursorFails() {
    auto src = Five();
    TClientDataSet clone;
    clone.CloneCursor(src.get(), true);
    clone.Locate("ID", Variant(2));
    clone.Edit();
    clone.FieldByName("Amount")->SetAsFloat(99);
    src->Locate("ID", Variant(2));
    src->Delete();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, clone.Post());
    QCOMPARE(clone.State(), dsEdit);
    clone.Cancel();
    QCOMPARE(src->ChangeCount(), 1);
    QVERIFY(!clone.Locate("ID", Variant(2)));

    // Emptying the records under a pending edit: the post fails, nothing is read past the end.
    clone.First();
    clone.Edit();
    clone.FieldByName("Amount")->SetAsFloat(98);
    src->EmptyDataSet();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, clone.Post());
    clone.Cancel();
    QVERIFY(clone.IsEmpty());
    QCOMPARE(src->ChangeCount(), 0);
}

void TstClones::cloneOutlivesItsSource() {
    auto src = Five();
    TClientDataSet clone;
    clone.CloneCursor(src.get(), true);
    src->Locate("ID", Variant(1));
    SetAmount(*src, 11);
    src.reset();
    QCOMPARE(clone.RecordCount(), 5);
    QCOMPARE(clone.ChangeCount(), 1);
    SetAmount(clone, 12);
    QCOMPARE(clone.ChangeCount(), 2);
    QCOMPARE(clone.FieldByName("Amount")->AsFloat(), 12.0);
}

void TstClones::badClonesAreRefused() {
    auto src = Five();
    TClientDataSet closed;
    TClientDataSet clone;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, clone.CloneCursor(&closed, true));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, clone.CloneCursor(nullptr, true));
    clone.CloneCursor(src.get(), true);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, clone.CloneCursor(&clone, true));
    // A pending edit of the source is posted before the clone opens.
    src->Edit();
    src->FieldByName("Name")->SetAsString("E");
    TClientDataSet other;
    other.CloneCursor(src.get(), true);
    QCOMPARE(src->State(), dsBrowse);
    QCOMPARE(other.FieldByName("Name")->AsString(), QString("E"));
}

QTEST_GUILESS_MAIN(TstClones)
#include "tst_clones.moc"
