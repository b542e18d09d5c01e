// Code combo boxes: codes beside names, and the list filled from a code table with fixed
// leading items, the user's filter and position kept, and refills after posts.

#include "ClientDataSet.h"
#include "TestMain.h"
#include "uCodeComboBox.h"

#include <memory>

namespace {

// A small code table: Main_Code (category), Code, Descript.
std::unique_ptr<TClientDataSet> CodeTable() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("Main_Code"), ftString, 10);
    ds->FieldDefs().Add(QStringLiteral("Code"), ftString, 10);
    ds->FieldDefs().Add(QStringLiteral("Descript"), ftString, 20);
    ds->CreateDataSet();
    const QStringList rows[] = {{"SEX", "1", "男"},
                                {"SEX", "2", "女"},
                                {"DEPT", "A", "教務處"},
                                {"DEPT", "B", "學務處"},
                                {"DEPT", "C", "總務處"}};
    for (const QStringList &row : rows) {
        ds->Append();
        ds->FieldByName(QStringLiteral("Main_Code"))->SetAsString(row[0]);
        ds->FieldByName(QStringLiteral("Code"))->SetAsString(row[1]);
        ds->FieldByName(QStringLiteral("Descript"))->SetAsString(row[2]);
        ds->Post();
    }
    ds->First();
    return ds;
}

QStringList Items(const QComboBox &combo) {
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i);
    return out;
}

// A department combo box with a fixed first item "全部" (all), as forms set it up.
void SetUpDepartments(TLUMDBCodeComboBox &combo, TDataSource &source) {
    combo.AddCode(QString(), QStringLiteral("全部"));
    combo.SetAppendIndex(1);
    combo.SetCodeFilter(QStringLiteral("Main_Code = 'DEPT'"));
    combo.SetCodeFieldName(QStringLiteral("Code"));
    combo.SetNameFieldName(QStringLiteral("Descript"));
    combo.SetDataSource(&source);
}

} // namespace

class TstCodeComboBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codesBesideNames();
    void refillKeepsFixedItemsAndSelectedCode();
    void refillRestoresUserFilterAndPosition();
    void failingRefillRestoresTheDataSet();
    void refillOnlyWhenReady();
    void notCachedRefillsAfterPost();
    void dataSourceGoesAway();
};

void TstCodeComboBox::codesBesideNames() {
    TLumCodeComboBox combo;
    QVERIFY(!combo.isEditable());
    QVERIFY(!combo.Sorted());
    combo.AddCode(QStringLiteral(" ="), QStringLiteral("等於"));
    combo.AddCode(QStringLiteral("<>"), QStringLiteral("不等於"));
    combo.AddCode(QStringLiteral(" ="), QStringLiteral("又是等於"));
    // Nothing is selected until someone selects.
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(combo.GetCode(), QString());
    QCOMPARE(combo.GetCodeName(), QString());

    combo.SetCode(QStringLiteral("<>"));
    QCOMPARE(combo.GetCodeName(), QStringLiteral("不等於"));
    combo.SetCode(QStringLiteral(" ="));
    QCOMPARE(combo.currentIndex(), 0); // the first of two equal codes
    try {
        combo.SetCode(QStringLiteral("<")); // codes match exactly
        QFAIL("an unknown code was accepted");
    } catch (const EListError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Code[<] is Not Found in CodeItems"));
    }
    QCOMPARE(combo.currentIndex(), 0);

    // Items without a code line answer with no code; AddCode pads the lines up to its item.
    TLumCodeComboBox padded;
    padded.addItem(QStringLiteral("甲"));
    padded.addItem(QStringLiteral("乙"));
    padded.setCurrentIndex(1);
    QCOMPARE(padded.GetCode(), QString());
    QCOMPARE(padded.GetCodeName(), QString());
    padded.AddCode(QStringLiteral("C"), QStringLiteral("丙"));
    QCOMPARE(padded.CodeItems().Count(), 3);
    QCOMPARE(padded.CodeItems()[2], QStringLiteral("C"));
    padded.SetCode(QStringLiteral("C"));
    QCOMPARE(padded.GetCodeName(), QStringLiteral("丙"));

    TStringList codes{QStringLiteral("x"), QStringLiteral("y")};
    padded.SetCodeItems(codes);
    codes.SetStrings(0, QStringLiteral("changed"));
    QCOMPARE(padded.CodeItems()[0], QStringLiteral("x")); // a copy
    padded.Clear();
    QCOMPARE(padded.count(), 0);
    QCOMPARE(padded.CodeItems().Count(), 0);
}

void TstCodeComboBox::refillKeepsFixedItemsAndSelectedCode() {
    auto ds = CodeTable();
    TDataSource source;
    source.SetDataSet(ds.get());
    TLUMDBCodeComboBox combo;
    SetUpDepartments(combo, source);
    QCOMPARE(Items(combo), QStringList({"全部", "教務處", "學務處", "總務處"}));
    QCOMPARE(combo.CodeItems().ToQStringList(), QStringList({"", "A", "B", "C"}));
    QCOMPARE(combo.AppendIndex(), 1);
    combo.SetAppendIndex(9);
    QCOMPARE(combo.AppendIndex(), 4); // never more than there are items
    combo.SetAppendIndex(1);

    combo.SetCode(QStringLiteral("B"));
    ds->Last();
    ds->Insert();
    ds->FieldByName(QStringLiteral("Main_Code"))->SetAsString(QStringLiteral("DEPT"));
    ds->FieldByName(QStringLiteral("Code"))->SetAsString(QStringLiteral("0"));
    ds->FieldByName(QStringLiteral("Descript"))->SetAsString(QStringLiteral("校長室"));
    ds->Post();
    combo.DataChanged();
    QCOMPARE(Items(combo), QStringList({"全部", "教務處", "學務處", "校長室", "總務處"}));
    QCOMPARE(combo.GetCode(), QStringLiteral("B"));

    // The fixed item selected stays selected.
    combo.setCurrentIndex(0);
    combo.DataChanged();
    QCOMPARE(combo.currentIndex(), 0);

    // The selected code gone: nothing is selected.
    combo.SetCode(QStringLiteral("C"));
    QVERIFY(ds->Locate(QStringLiteral("Code"), Variant(QStringLiteral("C"))));
    ds->Delete();
    QVERIFY(ds->Locate(QStringLiteral("Code"), Variant(QStringLiteral("B"))));
    ds->Delete();
    combo.DataChanged();
    QCOMPARE(Items(combo), QStringList({"全部", "教務處", "校長室"}));
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(combo.GetCode(), QString());
    // Code lines of earlier fills past the items name nothing that could be selected.
    QVERIFY(combo.CodeItems().Count() > combo.count());
    QVERIFY_THROWS_EXCEPTION(EListError, combo.SetCode(QStringLiteral("C")));
    QCOMPARE(combo.currentIndex(), -1);
}

void TstCodeComboBox::refillRestoresUserFilterAndPosition() {
    auto ds = CodeTable();
    ds->SetFilter(QStringLiteral("Main_Code = 'SEX'"));
    ds->SetFiltered(true);
    ds->Last();
    TDataSource source;
    source.SetDataSet(ds.get());
    int changes = 0;
    source.OnDataChange = [&](TDataSource *, TField *) { ++changes; };
    TLUMDBCodeComboBox combo;
    SetUpDepartments(combo, source);
    QCOMPARE(combo.count(), 4);
    QCOMPARE(ds->Filter(), QStringLiteral("Main_Code = 'SEX'"));
    QVERIFY(ds->Filtered());
    QCOMPARE(ds->RecordCount(), 2);
    QCOMPARE(ds->FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("2"));
    QVERIFY(!ds->ControlsDisabled());
    // The controls of the dataset heard of the refill once, after it.
    QVERIFY(changes <= 1);

    // Without a filter of its own the combo box lists what the user's filter lets through.
    combo.SetCodeFilter(QString());
    QCOMPARE(Items(combo), QStringList({"全部", "男", "女"}));
    QCOMPARE(ds->FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("2"));
}

void TstCodeComboBox::failingRefillRestoresTheDataSet() {
    auto ds = CodeTable();
    ds->SetFilter(QStringLiteral("Main_Code = 'SEX'"));
    ds->SetFiltered(true);
    ds->Next();
    TDataSource source;
    source.SetDataSet(ds.get());
    TLUMDBCodeComboBox combo;
    SetUpDepartments(combo, source);
    const auto unchanged = [&] {
        QCOMPARE(ds->Filter(), QStringLiteral("Main_Code = 'SEX'"));
        QVERIFY(ds->Filtered());
        QCOMPARE(ds->FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("2"));
        QVERIFY(!ds->ControlsDisabled());
    };
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, combo.SetNameFieldName(QStringLiteral("NoSuch")));
    unchanged();
    QCOMPARE(Items(combo), QStringList({"全部"}));
    combo.SetNameFieldName(QStringLiteral("Descript"));
    QVERIFY_THROWS_EXCEPTION(Exception, combo.SetCodeFilter(QStringLiteral("Main_Code = ")));
    unchanged();
    // The dataset still works for its other users.
    ds->First();
    QCOMPARE(ds->RecordCount(), 2);
}

void TstCodeComboBox::refillOnlyWhenReady() {
    auto ds = CodeTable();
    const Variant data = ds->Data();
    ds->Close();
    TDataSource source;
    source.SetDataSet(ds.get());
    TLUMDBCodeComboBox combo;
    SetUpDepartments(combo, source);
    QCOMPARE(combo.count(), 1); // closed dataset
    ds->SetData(data);
    QVERIFY(ds->Active());
    QCOMPARE(combo.count(), 4); // opening fills

    combo.SetNameFieldName(QString());
    combo.SetCodeFilter(QStringLiteral("Main_Code = 'SEX'"));
    QCOMPARE(combo.count(), 4); // no name field: no refill
    combo.SetNameFieldName(QStringLiteral("Descript"));
    QCOMPARE(Items(combo), QStringList({"全部", "男", "女"}));

    combo.setEnabled(false);
    combo.SetCodeFilter(QStringLiteral("Main_Code = 'DEPT'"));
    QCOMPARE(combo.count(), 3); // disabled: no refill
    combo.setEnabled(true);

    // A combo box on a form being built fills once the form is loaded, and selects its first
    // item.
    TLUMDBCodeComboBox loading;
    loading.SetLoading(true);
    SetUpDepartments(loading, source);
    QCOMPARE(loading.count(), 1);
    QCOMPARE(loading.currentIndex(), -1);
    loading.Loaded();
    QCOMPARE(loading.count(), 4);
    QCOMPARE(loading.currentIndex(), 0);
}

void TstCodeComboBox::notCachedRefillsAfterPost() {
    auto ds = CodeTable();
    TDataSource source;
    source.SetDataSet(ds.get());
    TLUMDBCodeComboBox cached, live;
    SetUpDepartments(cached, source);
    SetUpDepartments(live, source);
    live.SetCached(false);
    live.SetCode(QStringLiteral("A"));

    ds->Append();
    ds->FieldByName(QStringLiteral("Main_Code"))->SetAsString(QStringLiteral("DEPT"));
    ds->FieldByName(QStringLiteral("Code"))->SetAsString(QStringLiteral("D"));
    ds->FieldByName(QStringLiteral("Descript"))->SetAsString(QStringLiteral("輔導室"));
    // The refill must not end the insert on its own: the post goes through as the user's.
    ds->Post();
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(ds->RecordCount(), 6);
    QCOMPARE(ds->FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("D"));
    QCOMPARE(live.count(), 5);
    QCOMPARE(live.itemText(4), QStringLiteral("輔導室"));
    QCOMPARE(live.GetCode(), QStringLiteral("A"));
    QCOMPARE(cached.count(), 4);

    // An edit that is cancelled leaves the dataset as it was; the list is filled again.
    ds->Edit();
    ds->FieldByName(QStringLiteral("Descript"))->SetAsString(QStringLiteral("改名"));
    ds->Cancel();
    QCOMPARE(ds->FieldByName(QStringLiteral("Descript"))->AsString(), QStringLiteral("輔導室"));
    QCOMPARE(live.count(), 5);
}

void TstCodeComboBox::dataSourceGoesAway() {
    auto ds = CodeTable();
    auto source = std::make_unique<TDataSource>();
    source->SetDataSet(ds.get());
    TLUMDBCodeComboBox combo;
    SetUpDepartments(combo, *source);
    source.reset();
    QCOMPARE(combo.DataSource(), nullptr);
    QCOMPARE(combo.count(), 4); // the list stays as it was

    // Moving to another source fills from it.
    auto other = CodeTable();
    other->Last();
    other->Delete();
    TDataSource second;
    second.SetDataSet(other.get());
    combo.SetDataSource(&second);
    QCOMPARE(Items(combo), QStringList({"全部", "教務處", "學務處"}));
    // The dataset going away leaves the combo box attached to an empty source.
    other.reset();
    QCOMPARE(second.DataSet(), nullptr);
    combo.DataChanged();
    QCOMPARE(combo.count(), 3);
}

LUM_TEST_MAIN(TstCodeComboBox)
#include "tst_codecombobox.moc"
