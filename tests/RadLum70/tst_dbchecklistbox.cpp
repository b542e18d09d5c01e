// The field check list: fields chosen by tag, rebuilt on open and emptied on close, the check
// event, and fields that go away with their dataset.

#include "ClientDataSet.h"
#include "DBCheckListBox.h"
#include "TestMain.h"

#include <memory>

namespace {

// Pupils with fields made before opening (they live as long as the dataset): ID and 姓名
// with tag 0, 備註 with tag 3 (hidden), Secret with tag 12.
std::unique_ptr<TClientDataSet> Pupils() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    ds->FieldDefs().Add(QStringLiteral("Note"), ftString, 40);
    ds->FieldDefs().Add(QStringLiteral("Secret"), ftString, 10);
    ds->AddField(ftInteger, QStringLiteral("ID"));
    ds->AddField(ftString, QStringLiteral("Name"), 20)->SetDisplayLabel(QStringLiteral("姓名"));
    TField *note = ds->AddField(ftString, QStringLiteral("Note"), 40);
    note->SetDisplayLabel(QStringLiteral("備註"));
    note->SetTag(3);
    note->SetVisible(false);
    ds->AddField(ftString, QStringLiteral("Secret"), 10)->SetTag(12);
    ds->CreateDataSet();
    return ds;
}

QStringList Items(const TDBCheckListBox &list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text() + (list.Checked(i) ? "+" : "-");
    return out;
}

TTAOptions AllOptions() {
    return {N_0, N_1, N_2, N_3, N_4, N_5, N_6, N_7, N_8, N_9};
}

} // namespace

class TstDBCheckListBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fieldsChosenByTag();
    void autoRefreshFollowsOpenAndClose();
    void closingDropsFieldsThatGoAway();
    void userChecksAnItem();
    void sourceGoesAwayOrChangesDataSet();
};

void TstDBCheckListBox::fieldsChosenByTag() {
    auto ds = Pupils();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBCheckListBox list;
    QVERIFY(list.OptionsTagValue() == TTAOptions{N_0});
    list.SetDataSource(&source);
    QCOMPARE(Items(list), QStringList({"ID+", "姓名+"}));
    QCOMPARE(list.Field(1), ds->FieldByName(QStringLiteral("Name")));
    QCOMPARE(list.GetField(), nullptr);
    list.setCurrentRow(1);
    QCOMPARE(list.GetField(), ds->FieldByName(QStringLiteral("Name")));

    list.SetOptionsTagValue({N_3});
    QCOMPARE(Items(list), QStringList({"備註-"}));
    // A tag outside 0..9 is never listed.
    list.SetOptionsTagValue(AllOptions());
    QCOMPARE(Items(list), QStringList({"ID+", "姓名+", "備註-"}));
    TTAOptions options = AllOptions();
    options.Exclude(N_0);
    QVERIFY(!options.ContainsTag(0));
    QVERIFY(options.ContainsTag(9));
    QVERIFY(!options.ContainsTag(12) && !options.ContainsTag(-1));

    // The dataset need not be open.
    ds->Close();
    list.ResetFields();
    QCOMPARE(Items(list), QStringList({"ID+", "姓名+", "備註-"}));
}

void TstDBCheckListBox::autoRefreshFollowsOpenAndClose() {
    auto ds = Pupils();
    const Variant data = ds->Data();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBCheckListBox list;
    list.SetAutoRefresh(true);
    list.SetOptionsTagValue({N_0, N_3});
    list.SetDataSource(&source);
    QCOMPARE(list.count(), 3);
    ds->Close();
    QCOMPARE(list.count(), 0);
    ds->FieldByName(QStringLiteral("ID"))->SetVisible(false);
    ds->SetData(data);
    QCOMPARE(Items(list), QStringList({"ID-", "姓名+", "備註-"}));

    // Without AutoRefresh a list of fields that stay keeps its items over a close.
    list.SetAutoRefresh(false);
    ds->Close();
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.Field(0), ds->FieldByName(QStringLiteral("ID")));

    // A list on a form being built is filled when the form has loaded.
    TDBCheckListBox loading;
    loading.SetLoading(true);
    loading.SetDataSource(&source);
    QCOMPARE(loading.count(), 0);
    loading.Loaded();
    QCOMPARE(loading.count(), 2);
}

void TstDBCheckListBox::closingDropsFieldsThatGoAway() {
    // A dataset without fields of its own makes them on opening and frees them on closing.
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("A"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("B"), ftString, 5);
    ds.CreateDataSet();
    const Variant data = ds.Data();
    TDataSource source;
    source.SetDataSet(&ds);
    TDBCheckListBox list;
    list.SetDataSource(&source);
    QCOMPARE(list.count(), 2);
    list.setCurrentRow(0);
    ds.Close();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.GetField(), nullptr);
    ds.SetData(data);
    QCOMPARE(list.count(), 0); // AutoRefresh is off
    list.ResetFields();
    QCOMPARE(list.Field(1), ds.FieldByName(QStringLiteral("B")));
}

void TstDBCheckListBox::userChecksAnItem() {
    auto ds = Pupils();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBCheckListBox list;
    list.SetOptionsTagValue({N_0, N_3});
    list.SetDataSource(&source);
    // The form's handler shows the field of the current item exactly when it is checked.
    QList<TField *> clicked;
    list.OnClickCheck = [&](TDBCheckListBox *sender) {
        TField *field = sender->GetField();
        QVERIFY(field);
        clicked << field;
        field->SetVisible(sender->Checked(sender->currentRow()));
    };
    list.setCurrentRow(1);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(clicked, QList<TField *>({ds->FieldByName(QStringLiteral("Name"))}));
    QVERIFY(!ds->FieldByName(QStringLiteral("Name"))->Visible());
    QCOMPARE(Items(list), QStringList({"ID+", "姓名-", "備註-"}));

    // An item checked elsewhere becomes the current one before the form hears of it.
    list.item(2)->setCheckState(Qt::Checked);
    QCOMPARE(list.currentRow(), 2);
    QVERIFY(ds->FieldByName(QStringLiteral("Note"))->Visible());

    // Checks set by the program, fields changed elsewhere and refills do not run the handler.
    list.SetChecked(0, false);
    QCOMPARE(Items(list), QStringList({"ID-", "姓名-", "備註+"}));
    ds->FieldByName(QStringLiteral("ID"))->SetDisplayLabel(QStringLiteral("編號"));
    QCOMPARE(Items(list), QStringList({"編號+", "姓名-", "備註+"}));
    ds->FieldByName(QStringLiteral("Note"))->SetVisible(false);
    QCOMPARE(Items(list), QStringList({"編號+", "姓名-", "備註-"}));
    list.ResetFields();
    QCOMPARE(clicked.size(), 2);
}

void TstDBCheckListBox::sourceGoesAwayOrChangesDataSet() {
    auto ds = Pupils();
    auto other = Pupils();
    auto source = std::make_unique<TDataSource>();
    source->SetDataSet(ds.get());
    TDBCheckListBox list, autoList;
    autoList.SetAutoRefresh(true);
    list.SetDataSource(source.get());
    autoList.SetDataSource(source.get());
    // Another open dataset behind the same source: the old fields are not listed any more.
    source->SetDataSet(other.get());
    QCOMPARE(list.count(), 0);
    QCOMPARE(autoList.count(), 2);
    QCOMPARE(autoList.Field(0), other->FieldByName(QStringLiteral("ID")));
    // The dataset goes away.
    other.reset();
    QCOMPARE(autoList.count(), 0);
    source->SetDataSet(ds.get());
    list.ResetFields();
    QCOMPARE(list.count(), 2);
    // The source goes away: detached and empty.
    source.reset();
    QCOMPARE(list.DataSource(), nullptr);
    QCOMPARE(list.count(), 0);
    QCOMPARE(autoList.DataSource(), nullptr);
}

LUM_TEST_MAIN(TstDBCheckListBox)
#include "tst_dbchecklistbox.moc"
