#include "DataSource.h"
#include "DbTestUtil.h"

#include <QTest>

class TstDataSet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cursorMovesAndBoundaries();
    void editPostCancelWithEvents();
    void insertPlacesRecordBeforeCurrent();
    void requiredAndReadOnlyFields();
    void deleteOnEmptyRaisesAndBeforeDeleteCanVeto();
    void locateAndLookup_data();
    void locateAndLookup();
    void calculatedAndLookupFields();
    void fieldConversions_data();
    void fieldConversions();
    void displayFormats();
    void bookmarksSurviveEdits();
    void validateRejectsWithoutChangingTheValue();
    void uniqueIndexesRefuseRepeatedKeys();
    void whatAUserTypedIsRefusedInTheirWords();
    void fieldComponentsAreNamedAsADesignerNamesThem();
    void aDetailOpensAndReopensOnItsMastersRecord();
};

void TstDataSet::cursorMovesAndBoundaries() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}, {3, "c", 3}});
    QVERIFY(ds->Bof());
    QCOMPARE(ds->RecNo(), 1);
    ds->Prior();
    QVERIFY(ds->Bof());
    QCOMPARE(ds->RecNo(), 1);
    ds->Next();
    ds->Next();
    QVERIFY(!ds->Eof());
    ds->Next();
    QVERIFY(ds->Eof());
    QCOMPARE(ds->RecNo(), 3);
    QCOMPARE(ds->MoveBy(-5), -2);
    QVERIFY(ds->Bof());
    ds->SetRecNo(2);
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("b"));
    QCOMPARE(ds->RecordCount(), 3);

    // Stepping with the controls disabled, as an export does: every step is a scroll to the
    // scroll events, an edit left open is posted first, and the controls hear of the moves
    // once, when they are enabled again.
    TDataSource source;
    source.SetDataSet(ds.get());
    int changes = 0, before = 0, after = 0;
    source.OnDataChange = [&changes](TDataSource *, TField *) { ++changes; };
    ds->BeforeScroll = [&before](TDataSet *) { ++before; };
    ds->AfterScroll = [&after](TDataSet *) { ++after; };
    ds->First();
    changes = before = after = 0;
    ds->DisableControls();
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("a edited");
    QStringList names;
    while (!ds->Eof()) {
        names << ds->FieldByName("Name")->AsString();
        ds->Next();
    }
    QCOMPARE(names, (QStringList{"a edited", "b", "c"}));
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(ds->RecNo(), 3);
    QVERIFY(!ds->Bof());
    QCOMPARE(before, 2);
    QCOMPARE(after, 2);
    QCOMPARE(changes, 0);
    ds->EnableControls();
    QCOMPARE(changes, 1);
    // A BeforeScroll that moves the cursor does not change where the step lands.
    ds->First();
    ds->DisableControls();
    ds->BeforeScroll = [](TDataSet *d) { d->BeforeScroll = nullptr, d->Last(); };
    ds->Next();
    QCOMPARE(ds->RecNo(), 2);
    ds->EnableControls();
    ds->AfterScroll = nullptr;

    TClientDataSet empty;
    empty.FieldDefs().Add("X", ftInteger);
    empty.CreateDataSet();
    QVERIFY(empty.Bof() && empty.Eof() && empty.IsEmpty());
    QCOMPARE(empty.RecNo(), -1);
    QVERIFY(empty.FieldByName("X")->IsNull());
}

void TstDataSet::editPostCancelWithEvents() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}});
    QStringList log;
    ds->BeforeEdit = [&](TDataSet *) { log << "BeforeEdit"; };
    ds->AfterEdit = [&](TDataSet *) { log << "AfterEdit"; };
    ds->BeforePost = [&](TDataSet *) { log << "BeforePost"; };
    ds->AfterPost = [&](TDataSet *) { log << "AfterPost"; };
    ds->BeforeCancel = [&](TDataSet *) { log << "BeforeCancel"; };
    ds->AfterCancel = [&](TDataSet *) { log << "AfterCancel"; };
    ds->Edit();
    QCOMPARE(ds->State(), dsEdit);
    ds->FieldByName("Name")->SetAsString("x");
    QVERIFY(ds->Modified());
    ds->Cancel();
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("a"));
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("y");
    ds->Post();
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("y"));
    QCOMPARE(log, QStringList({"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel",
                               "BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));
    // Writing a field in browse state is refused.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->FieldByName("Name")->SetAsString("z"));
    // Moving the cursor posts a modified record; an unmodified insert is dropped.
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("moved");
    ds->Next();
    QCOMPARE(Column(*ds, "Name"), QStringList({"moved", "b"}));
    ds->Append();
    ds->Prior();
    QCOMPARE(ds->RecordCount(), 2);
    // A failing BeforePost leaves the record in edit state with its values.
    ds->BeforePost = [](TDataSet *) { throw EDatabaseError("no"); };
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("kept");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Post());
    QCOMPARE(ds->State(), dsEdit);
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("kept"));
}

void TstDataSet::insertPlacesRecordBeforeCurrent() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}, {3, "c", 3}});
    int newRecords = 0;
    ds->OnNewRecord = [&](TDataSet *d) {
        ++newRecords;
        d->FieldByName("Amount")->SetAsFloat(9);
    };
    ds->SetRecNo(2);
    ds->Insert();
    QCOMPARE(ds->State(), dsInsert);
    QCOMPARE(ds->FieldByName("Amount")->AsFloat(), 9.0);
    ds->FieldByName("ID")->SetAsInteger(10);
    ds->FieldByName("Name")->SetAsString("new");
    ds->Post();
    QCOMPARE(ds->RecNo(), 2);
    QCOMPARE(Column(*ds, "Name"), QStringList({"a", "new", "b", "c"}));
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(11);
    ds->Post();
    QCOMPARE(ds->RecNo(), 5);
    QCOMPARE(newRecords, 2);
}

void TstDataSet::requiredAndReadOnlyFields() {
    auto ds = MakePeople({{1, "a", 1}});
    ds->Append();
    ds->FieldByName("Name")->SetAsString("no id");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Post());
    ds->Cancel();
    ds->FieldByName("Name")->SetReadOnly(true);
    ds->Edit();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->FieldByName("Name")->SetAsString("x"));
    ds->Cancel();
    ds->FieldByName("Name")->SetReadOnly(false);
    ds->Edit();
    // Too long for the field's size: refused, not cut.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                             ds->FieldByName("Name")->SetAsString(QString(21, 'x')));
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("a"));
}

void TstDataSet::deleteOnEmptyRaisesAndBeforeDeleteCanVeto() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}});
    ds->BeforeDelete = [](TDataSet *d) {
        if (d->FieldByName("ID")->AsInteger() == 1)
            throw EDatabaseError("protected");
    };
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Delete());
    QCOMPARE(ds->RecordCount(), 2);
    ds->Last();
    ds->Delete();
    QCOMPARE(ds->RecordCount(), 1);
    ds->BeforeDelete = nullptr;
    ds->Delete();
    QVERIFY(ds->IsEmpty());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Delete());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Edit());
    QCOMPARE(ds->State(), dsBrowse);
}

void TstDataSet::locateAndLookup_data() {
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("expectedId");
    QTest::newRow("exact") << "Name" << QVariantList{"Bob"} << 0 << 2;
    QTest::newRow("case differs") << "Name" << QVariantList{"bob"} << 0 << -1;
    QTest::newRow("case-insensitive")
        << "name" << QVariantList{"BOB"} << int(loCaseInsensitive) << 2;
    QTest::newRow("partial") << "Name" << QVariantList{"Cat"} << int(loPartialKey) << 3;
    QTest::newRow("partial off") << "Name" << QVariantList{"Ca"} << 0 << -1;
    QTest::newRow("two fields") << "Name;Amount" << QVariantList{"Carl", 30.5} << 0 << 4;
    QTest::newRow("number as text") << "ID" << QVariantList{"3"} << 0 << 3;
    QTest::newRow("null key") << "Amount" << QVariantList{QVariant()} << 0 << 5;
}

void TstDataSet::locateAndLookup() {
    QFETCH(QString, fields);
    QFETCH(QVariantList, values);
    QFETCH(int, options);
    QFETCH(int, expectedId);
    auto ds = MakePeople(
        {{1, "Ann", 10}, {2, "Bob", 20}, {3, "Cathy", 30}, {4, "Carl", 30.5}, {5, "Dan", 0}});
    ds->Last();
    ds->Edit();
    ds->FieldByName("Amount")->Clear();
    ds->Post();
    ds->First();
    const auto toVariant = [](const QVariant &q) {
        if (q.isNull())
            return Variant::Null();
        if (q.typeId() == QMetaType::Double)
            return Variant(q.toDouble());
        return Variant(q.toString());
    };
    Variant key;
    if (values.size() == 1) {
        key = toVariant(values[0]);
    } else {
        std::vector<Variant> items;
        for (const QVariant &q : values)
            items.push_back(toVariant(q));
        key = Variant::ArrayOf(items);
    }
    for (bool indexed : {false, true}) {
        ds->SetIndexFieldNames(indexed ? fields : QString());
        ds->First();
        const bool found = ds->Locate(fields, key, options);
        QCOMPARE(found, expectedId > 0);
        if (found)
            QCOMPARE(ds->FieldByName("ID")->AsInteger(), expectedId);
        else
            QCOMPARE(ds->RecNo(), 1);
        if (options == 0) {
            const Variant id = ds->Lookup(fields, key, "ID");
            QCOMPARE(id.IsNull() ? -1 : id.ToInt(), expectedId);
        }
    }
}

void TstDataSet::calculatedAndLookupFields() {
    auto codes = MakePeople({{1, "One", 0}, {2, "Two", 0}});
    TClientDataSet ds;
    ds.AddField(ftInteger, "Code");
    ds.AddField(ftFloat, "Price");
    ds.AddField(ftFloat, "Double", 0, fkCalculated);
    TField *lookup = ds.AddField(ftString, "CodeName", 20, fkLookup);
    lookup->SetLookupDataSet(codes.get());
    lookup->SetKeyFields("Code");
    lookup->SetLookupKeyFields("ID");
    lookup->SetLookupResultField("Name");
    int calcs = 0;
    ds.OnCalcFields = [&](TDataSet *d) {
        ++calcs;
        d->FieldByName("Double")->SetAsFloat(d->FieldByName("Price")->AsFloat() * 2);
    };
    ds.CreateDataSet();
    QCOMPARE(ds.FieldDefs().Count(), 2);
    ds.Append();
    ds.FieldByName("Code")->SetAsInteger(2);
    ds.FieldByName("Price")->SetAsFloat(1.5);
    QCOMPARE(ds.FieldByName("Double")->AsFloat(), 3.0);
    QCOMPARE(ds.FieldByName("CodeName")->AsString(), QString("Two"));
    ds.Post();
    ds.Append();
    ds.FieldByName("Code")->SetAsInteger(7);
    ds.FieldByName("Price")->SetAsFloat(4);
    ds.Post();
    QVERIFY(ds.FieldByName("CodeName")->IsNull());
    QCOMPARE(ds.FieldByName("Double")->AsFloat(), 8.0);
    // Another record's calculated value is read without moving the cursor.
    QCOMPARE(ds.DisplayTextAt(0, ds.FieldByName("Double")), QString("3"));
    QCOMPARE(ds.RecNo(), 2);
    QCOMPARE(ds.FieldByName("Double")->AsFloat(), 8.0);
    QVERIFY(calcs > 0);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldByName("Double")->SetAsFloat(1));
}

void TstDataSet::fieldConversions_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("asString");
    QTest::addColumn<bool>("valid");
    QTest::newRow("integer") << int(ftInteger) << "42"
                             << "42" << true;
    QTest::newRow("integer text") << int(ftInteger) << "x"
                                  << "" << false;
    QTest::newRow("smallint overflow") << int(ftSmallint) << "40000"
                                       << "" << false;
    QTest::newRow("word negative") << int(ftWord) << "-1"
                                   << "" << false;
    QTest::newRow("largeint") << int(ftLargeint) << "9000000000"
                              << "9000000000" << true;
    QTest::newRow("float") << int(ftFloat) << "2.5"
                           << "2.5" << true;
    QTest::newRow("currency") << int(ftCurrency) << "12.3456"
                              << "12.3456" << true;
    QTest::newRow("boolean") << int(ftBoolean) << "true"
                             << "True" << true;
    QTest::newRow("date") << int(ftDate) << "2024/2/29"
                          << "2024/02/29" << true;
    QTest::newRow("bad date") << int(ftDate) << "2023/2/29"
                              << "" << false;
    QTest::newRow("datetime") << int(ftDateTime) << "2024/1/2 3:04:05"
                              << "2024/01/02 03:04:05" << true;
    QTest::newRow("time") << int(ftTime) << "13:45"
                          << "13:45:00" << true;
    QTest::newRow("memo") << int(ftMemo) << "long text"
                          << "long text" << true;
}

void TstDataSet::fieldConversions() {
    QFETCH(int, type);
    QFETCH(QString, input);
    QFETCH(QString, asString);
    QFETCH(bool, valid);
    TClientDataSet ds;
    ds.FieldDefs().Add("F", TFieldType(type));
    ds.CreateDataSet();
    ds.Append();
    TField *f = ds.FieldByName("F");
    if (!valid) {
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, f->SetAsString(input));
        QVERIFY(f->IsNull());
        return;
    }
    f->SetAsString(input);
    ds.Post();
    QCOMPARE(f->AsString(), asString);
}

void TstDataSet::displayFormats() {
    TClientDataSet ds;
    ds.FieldDefs().Add("N", ftFloat);
    ds.FieldDefs().Add("D", ftDateTime);
    ds.CreateDataSet();
    ds.Append();
    TField *n = ds.FieldByName("N");
    n->SetAsFloat(-1234567.891);
    n->SetDisplayFormat("#,##0.00");
    QCOMPARE(n->DisplayText(), QString("-1,234,567.89"));
    n->SetDisplayFormat("0.0#");
    n->SetAsFloat(2.5);
    QCOMPARE(n->DisplayText(), QString("2.5"));
    n->SetAsFloat(2.125);
    QCOMPARE(n->DisplayText(), QString("2.13"));
    QCOMPARE(n->Alignment(), taRightJustify);
    TField *d = ds.FieldByName("D");
    d->SetAsDateTime(TDateTime::EncodeDate(2024, 3, 5));
    d->SetDisplayFormat("yyyy-mm-dd");
    QCOMPARE(d->DisplayText(), QString("2024-03-05"));
    d->OnGetText = [](TField *, QString &text, bool display) {
        text = display ? "shown" : "edited";
    };
    QCOMPARE(d->DisplayText(), QString("shown"));
    QCOMPARE(d->Text(), QString("edited"));
    n->SetText("1,234.5");
    QCOMPARE(n->AsFloat(), 1234.5);

    // Rounding follows the decimal digits the user sees: 1.255 is held as 1.25499... and still
    // rounds up; halves round away from zero and carry into the integer part.
    QCOMPARE(FormatFloat("0.00", 1.255), QString("1.26"));
    QCOMPARE(FormatFloat("0.00", -2.675), QString("-2.68"));
    QCOMPARE(FormatFloat("#,##0.00", 999999.995), QString("1,000,000.00"));
    QCOMPARE(FormatFloat("0", 0.5), QString("1"));
    QCOMPARE(FormatFloat("0.00", -0.001), QString("0.00"));
    QCOMPARE(FormatFloat("0.0#", 1e-9), QString("0.0"));
    QCOMPARE(FormatFloat("0.000", 123456789012.3456), QString("123456789012.346"));
    QCOMPARE(FormatFloat("0", 1e20), QString("100000000000000000000"));
    // Placeholders from the first '0' on are always shown, thousands separators among them.
    QCOMPARE(FormatFloat("000.#", 5), QString("005"));
    QCOMPARE(FormatFloat("000.#", 12.5), QString("012.5"));
    QCOMPARE(FormatFloat("000.#", -3), QString("-003"));
    QCOMPARE(FormatFloat("000", 1234), QString("1234"));
    QCOMPARE(FormatFloat("#,#00,000", 5), QString("00,005"));
    QCOMPARE(FormatFloat("#0", 0), QString("0"));
    QCOMPARE(FormatFloat("#.##", 0.5), QString(".5"));
}

void TstDataSet::bookmarksSurviveEdits() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}, {3, "c", 3}});
    ds->SetRecNo(3);
    const TBookmark mark = ds->GetBookmark();
    ds->First();
    ds->Insert();
    ds->FieldByName("ID")->SetAsInteger(0);
    ds->Post();
    ds->SetIndexFieldNames("Name");
    QVERIFY(ds->BookmarkValid(mark));
    ds->GotoBookmark(mark);
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("c"));
    ds->Delete();
    QVERIFY(!ds->BookmarkValid(mark));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->GotoBookmark(mark));
}

void TstDataSet::validateRejectsWithoutChangingTheValue() {
    auto ds = MakePeople({{1, "a", 1}});
    TField *amount = ds->FieldByName("Amount");
    amount->OnValidate = [](TField *f) {
        if (f->AsFloat() < 0)
            throw EDatabaseError("negative");
    };
    amount->SetMaxValue(Variant(100.0));
    amount->SetMinValue(Variant(-1000.0));
    ds->Edit();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, amount->SetAsFloat(-5));
    QCOMPARE(amount->AsFloat(), 1.0);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, amount->SetAsFloat(101));
    amount->SetAsFloat(50);
    ds->Post();
    QCOMPARE(amount->AsFloat(), 50.0);
}

void TstDataSet::uniqueIndexesRefuseRepeatedKeys() {
    auto ds = MakePeople({{1, "Ann", 1}, {2, "Bob", 2}, {3, "Cid", 3}});
    ds->AddIndex("PK", "ID", ixPrimary);
    ds->AddIndex("ByName", "Name", ixUnique, {}, "Name");
    ds->AddIndex("ByAmount", "Amount"); // not unique: repeats are fine
    // Neither index is the current order: every unique index is checked on post.
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(2);
    ds->FieldByName("Name")->SetAsString("Dee");
    ds->FieldByName("Amount")->SetAsFloat(1);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Post());
    QCOMPARE(ds->State(), dsInsert);
    QCOMPARE(ds->RecordCount(), 3);
    QCOMPARE(ds->ChangeCount(), 0);
    ds->FieldByName("ID")->SetAsInteger(4);
    ds->FieldByName("Name")->SetAsString("BOB"); // the name index ignores letter case
    try {
        ds->Post();
        QFAIL("a repeated name was accepted");
    } catch (const EDatabaseError &e) {
        QVERIFY(e.Message().startsWith("Key violation"));
        QVERIFY(e.Message().contains("ByName"));
    }
    ds->FieldByName("Name")->SetAsString("Dee");
    ds->Post();
    QCOMPARE(ds->RecordCount(), 4);
    // A record keeps its own key when edited; a deleted record's key is free again, also to
    // records whose filter hides them from this view.
    QVERIFY(ds->Locate("ID", Variant(1)));
    ds->Edit();
    ds->FieldByName("Amount")->SetAsFloat(9);
    ds->Post();
    ds->SetFilter("ID <> 3");
    ds->SetFiltered(true);
    QVERIFY(ds->Locate("ID", Variant(1)));
    ds->Edit();
    ds->FieldByName("ID")->SetAsInteger(3);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Post());
    ds->Cancel();
    ds->SetFiltered(false);
    QVERIFY(ds->Locate("ID", Variant(3)));
    ds->Delete();
    QVERIFY(ds->Locate("ID", Variant(1)));
    ds->Edit();
    ds->FieldByName("ID")->SetAsInteger(3);
    ds->Post();
    QCOMPARE(Column(*ds, "ID"), QStringList({"3", "2", "4"}));
}

// Messages about a value a user typed are in the user's language and name the field by its
// label; a field without a label goes by its name.
void TstDataSet::whatAUserTypedIsRefusedInTheirWords() {
    TClientDataSet ds;
    ds.FieldDefs().Add("Birthday", ftDate);
    ds.FieldDefs().Add("SeatNo", ftInteger);
    ds.FieldDefs().Add("Height", ftFloat);
    ds.FieldDefs().Add("Name", ftString, 4);
    ds.FieldDefs().Add("Code", ftString, 2);
    ds.CreateDataSet();
    ds.FieldByName("Birthday")->SetDisplayLabel(QStringLiteral("生日"));
    ds.FieldByName("SeatNo")->SetDisplayLabel(QStringLiteral("座號"));
    ds.FieldByName("Height")->SetDisplayLabel(QStringLiteral("身高"));
    ds.FieldByName("Name")->SetDisplayLabel(QStringLiteral("姓名"));
    ds.FieldByName("Name")->SetRequired(true);
    ds.FieldByName("SeatNo")->SetMinValue(Variant(1));
    ds.FieldByName("SeatNo")->SetMaxValue(Variant(60));
    const auto refusal = [](const std::function<void()> &typing) {
        try {
            typing();
        } catch (const EDatabaseError &e) {
            return e.Message();
        }
        return QStringLiteral("accepted");
    };
    ds.Append();
    QCOMPARE(refusal([&] { ds.FieldByName("Birthday")->SetAsString("2008/13/45"); }),
             QStringLiteral("「生日」的值 2008/13/45 不是正確的日期"));
    QCOMPARE(refusal([&] { ds.FieldByName("SeatNo")->SetAsString("x"); }),
             QStringLiteral("「座號」的值 x 不是正確的整數"));
    QCOMPARE(refusal([&] { ds.FieldByName("Height")->SetAsString("tall"); }),
             QStringLiteral("「身高」的值 tall 不是正確的數值"));
    QCOMPARE(refusal([&] { ds.FieldByName("SeatNo")->SetAsString("61"); }),
             QStringLiteral("「座號」的值 61 不在 1 到 60 之間"));
    QCOMPARE(refusal([&] { ds.FieldByName("Name")->SetAsString("王大明同學"); }),
             QStringLiteral("「姓名」最多 4 個字"));
    QCOMPARE(refusal([&] { ds.FieldByName("Code")->SetAsString("ABC"); }),
             QStringLiteral("「Code」最多 2 個字"));
    QCOMPARE(refusal([&] { ds.Post(); }), QStringLiteral("「姓名」必須輸入"));
    QCOMPARE(ds.State(), dsInsert);
    // Nothing refused was kept; a sound record is.
    QVERIFY(ds.FieldByName("Birthday")->IsNull());
    QVERIFY(ds.FieldByName("SeatNo")->IsNull());
    ds.FieldByName("Name")->SetAsString("王大明");
    ds.FieldByName("SeatNo")->SetAsString("60");
    QCOMPARE(refusal([&] { ds.Post(); }), QStringLiteral("accepted"));
    // Mistakes of a program keep their own texts.
    QCOMPARE(refusal([&] { ds.FieldByName("NoSuchField"); }),
             QStringLiteral("Field 'NoSuchField' not found"));
}

void TstDataSet::fieldComponentsAreNamedAsADesignerNamesThem() {
    TClientDataSet ds;
    ds.FieldDefs().Add("Birth Day", ftDate);
    ds.FieldDefs().Add("Name", ftString, 10);
    ds.CreateDataSet();
    // Without a dataset name, the field name without what an identifier cannot hold.
    QCOMPARE(ds.FieldByName("Birth Day")->Name(), QString("BirthDay"));
    ds.SetName("cdsPeople");
    QCOMPARE(ds.FieldByName("Birth Day")->Name(), QString("cdsPeopleBirthDay"));
    TField *name = ds.FieldByName("Name");
    QCOMPARE(name->Name(), QString("cdsPeopleName"));
    name->SetName("PeopleName");
    QCOMPARE(name->Name(), QString("PeopleName"));
    QCOMPARE(name->FieldName(), QString("Name"));
}

// A detail opened while its master stands on a record holds that record's rows at once; opened
// again with other records (a new packet, another layout) it holds the rows of those.
void TstDataSet::aDetailOpensAndReopensOnItsMastersRecord() {
    auto masters = MakePeople({{1, "A", 0}, {2, "B", 0}});
    TDataSource source;
    source.SetDataSet(masters.get());
    const auto rows = [](const std::vector<std::tuple<int, QString, double>> &items) {
        return MakePeople(items);
    };
    auto first = rows({{1, "a1", 1}, {2, "b1", 1}, {1, "a2", 2}});
    TClientDataSet detail;
    detail.SetIndexFieldNames(QStringLiteral("ID;Amount"));
    detail.SetMasterSource(&source);
    detail.SetMasterFields(QStringLiteral("ID"));
    masters->Next(); // B
    detail.SetData(first->Data());
    QCOMPARE(Column(detail, QStringLiteral("Name")), QStringList({"b1"}));
    // Other rows, with fields in another order: the old layout is gone.
    auto second = std::make_unique<TClientDataSet>();
    second->FieldDefs().Add(QStringLiteral("Name"), ftString, 30);
    second->FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
    second->FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    second->CreateDataSet();
    for (const auto &[id, name] : {std::pair{2, "b2"}, std::pair{2, "b3"}, std::pair{1, "a3"}}) {
        second->Append();
        second->FieldByName(QStringLiteral("ID"))->SetAsInteger(id);
        second->FieldByName(QStringLiteral("Name"))->SetAsString(QString::fromUtf8(name));
        second->Post();
    }
    detail.SetData(second->Data());
    QCOMPARE(Column(detail, QStringLiteral("Name")), QStringList({"b2", "b3"}));
    masters->First();
    QCOMPARE(Column(detail, QStringLiteral("Name")), QStringList({"a3"}));
}

QTEST_GUILESS_MAIN(TstDataSet)
#include "tst_dataset.moc"
