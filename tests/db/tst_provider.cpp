// The provider over an SQL query on a real SQLite file, driven by a client dataset in the same
// process: fetching, applying in each update mode, reconciling failed rows, rolling back.

#include "ClientDataSet.h"
#include "DbTestUtil.h"
#include "Provider.h"
#include "SqlQuery.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Conn = QStringLiteral("provider-test");

// A table "people" in a fresh SQLite file, a query and a provider over it, and a client
// dataset bound to the provider by name.
struct TFixture {
    QTemporaryDir Dir;
    TComponent Owner;
    TSqlQuery *Query;
    TDataSetProvider *Provider;
    TClientDataSet *Client;

    TFixture() {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Conn);
        db.setDatabaseName(Dir.filePath(QStringLiteral("school.db")));
        if (!db.open())
            qFatal("cannot open the test database");
        Exec("CREATE TABLE people (ID INTEGER PRIMARY KEY, Name TEXT NOT NULL, Amount REAL)");
        Exec("INSERT INTO people VALUES (1, 'a', 10), (2, 'b', 20), (3, 'c', 30)");
        Query = new TSqlQuery(&Owner);
        Query->SetConnectionName(Conn);
        Query->SetSQL(QStringLiteral("SELECT ID, Name, Amount FROM people ORDER BY ID"));
        Query->FieldDefs().Add(QStringLiteral("ID"), ftInteger).ProviderFlags =
            pfInKey | pfInWhere | pfInUpdate;
        Query->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
        Query->FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
        Provider = new TDataSetProvider(&Owner);
        Provider->SetName(QStringLiteral("prvPeople"));
        Provider->SetDataSet(Query);
        Client = new TClientDataSet(&Owner);
        Client->SetProviderName(QStringLiteral("prvPeople"));
    }
    ~TFixture() {
        delete Client;
        delete Provider;
        delete Query;
        QSqlDatabase::database(Conn).close();
        QSqlDatabase::removeDatabase(Conn);
    }
    TFixture(const TFixture &) = delete;
    TFixture &operator=(const TFixture &) = delete;

    // Changes the table behind the client's back (another user).
    void Exec(const char *sql) {
        QSqlQuery q(QSqlDatabase::database(Conn));
        if (!q.exec(QString::fromUtf8(sql)))
            qFatal("%s", sql);
    }
    // The table's rows as "id:name:amount", by ID.
    QStringList Table() {
        QSqlQuery q(QSqlDatabase::database(Conn));
        q.exec(QStringLiteral("SELECT ID, Name, Amount FROM people ORDER BY ID"));
        QStringList rows;
        while (q.next())
            rows << QStringLiteral("%1:%2:%3")
                        .arg(q.value(0).toInt())
                        .arg(q.value(1).toString())
                        .arg(q.value(2).toDouble());
        return rows;
    }
    void Set(const char *field, const Variant &value) {
        Client->Edit();
        Client->FieldByName(QString::fromUtf8(field))->SetValue(value);
        Client->Post();
    }
};
} // namespace

class TstProvider : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fetchesInPacketsWithMetadata();
    void packsWhatItsDataSetShows();
    void appliesInsertsUpdatesAndDeletes();
    void updateModes_data();
    void updateModes();
    void reconcileActions_data();
    void reconcileActions();
    void reconcileValues();
    void abortStopsReconciling();
    void maxErrorsRollsBackAndKeepsEverythingPending();
    void changeWritingSeveralRecordsTakesBackTheApply();
    void rowsWrittenAfterARowGoWithIt();
    void refreshKeepsFilterOrderAndRecord();
    void providerRefusals();
    void everyTypeWrittenAndFoundAgain();
};

void TstProvider::fetchesInPacketsWithMetadata() {
    TFixture f;
    f.Client->SetPacketRecords(2);
    int before = 0, after = 0;
    Variant seen;
    f.Client->BeforeGetRecords = [&](TClientDataSet *, Variant &ownerData) {
        ++before;
        ownerData = Variant(before);
    };
    f.Provider->BeforeGetRecords = [&](TDataSetProvider *, Variant &ownerData) {
        seen = ownerData;
    };
    f.Client->AfterGetRecords = [&](TClientDataSet *, Variant &) { ++after; };
    f.Client->Open();
    QCOMPARE(f.Client->RecordCount(), 2);
    QVERIFY(!f.Client->FetchedAll());
    QCOMPARE(seen.ToInt(), 1);
    // Key flags and types come with the metadata.
    QVERIFY(f.Client->FieldByName("ID")->ProviderFlags() & pfInKey);
    QCOMPARE(f.Client->FieldByName("Amount")->DataType(), ftFloat);
    // Running past the end fetches on demand.
    f.Client->Last();
    QCOMPARE(f.Client->RecordCount(), 3);
    QVERIFY(f.Client->FetchedAll());
    QCOMPARE(f.Client->FieldByName("Name")->AsString(), QString("c"));
    QCOMPARE(before, 2);
    QCOMPARE(after, 2);
    QCOMPARE(seen.ToInt(), 2);
    QCOMPARE(f.Client->GetNextPacket(), 0);
}

// The rows sent are those of the provider's dataset as it stands: its filter and order, without
// hidden fields, a packet at a time from where the last one ended.
void TstProvider::packsWhatItsDataSetShows() {
    TFixture f;
    f.Exec("INSERT INTO people VALUES (4, 'd', 40), (5, 'e', NULL)");
    f.Query->FieldDefs()[2].ProviderFlags = pfHidden;
    f.Query->Open();
    f.Query->SetFilter(QStringLiteral("ID > 1"));
    f.Query->SetFiltered(true);
    f.Query->AddIndex(QStringLiteral("byNameDown"), QStringLiteral("Name"), 0,
                      QStringLiteral("Name"));
    f.Query->SetIndexName(QStringLiteral("byNameDown"));
    f.Client->SetPacketRecords(3);
    f.Client->Open();
    QCOMPARE(f.Client->FieldCount(), 2);
    QVERIFY(!f.Client->FindField(QStringLiteral("Amount")));
    QCOMPARE(f.Client->RecordCount(), 3);
    f.Client->Last();
    QCOMPARE(f.Client->RecordCount(), 4);
    QStringList rows;
    for (f.Client->First(); !f.Client->Eof(); f.Client->Next())
        rows << f.Client->FieldByName("ID")->AsString() + f.Client->FieldByName("Name")->AsString();
    QCOMPARE(rows, QStringList({"5e", "4d", "3c", "2b"}));
}

void TstProvider::appliesInsertsUpdatesAndDeletes() {
    TFixture f;
    f.Client->Open();
    f.Client->Locate("ID", Variant(2));
    f.Set("Name", Variant(QString("B")));
    f.Client->Locate("ID", Variant(3));
    f.Client->Delete();
    f.Client->Append();
    f.Client->FieldByName("ID")->SetAsInteger(4);
    f.Client->FieldByName("Name")->SetAsString("d");
    f.Client->Post();
    QCOMPARE(f.Client->ChangeCount(), 3);
    QCOMPARE(f.Client->ApplyUpdates(0), 0);
    QCOMPARE(f.Client->ChangeCount(), 0);
    QCOMPARE(f.Table(), QStringList({"1:a:10", "2:B:20", "4:d:0"}));
    // A null goes to the table as NULL and is found again by IS NULL in the next update.
    f.Client->Locate("ID", Variant(4));
    f.Set("Name", Variant(QString("dd")));
    QCOMPARE(f.Client->ApplyUpdates(0), 0);
    QCOMPARE(f.Table().last(), QString("4:dd:0"));
}

void TstProvider::updateModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("otherUser");
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("row");
    // The client changes the name of record 1 from a to x (or deletes it) while another user
    // has changed the table.
    const QString amount = "UPDATE people SET Amount = 99 WHERE ID = 1";
    const QString name = "UPDATE people SET Name = 'z' WHERE ID = 1";
    QTest::newRow("all, other field changed")
        << int(upWhereAll) << amount << false << true << "1:a:99";
    QTest::newRow("changed, other field changed")
        << int(upWhereChanged) << amount << false << false << "1:x:99";
    QTest::newRow("changed, same field changed")
        << int(upWhereChanged) << name << false << true << "1:z:10";
    QTest::newRow("key only, same field changed")
        << int(upWhereKeyOnly) << name << false << false << "1:x:10";
    QTest::newRow("all, nobody else") << int(upWhereAll) << QString() << false << false << "1:x:10";
    QTest::newRow("all, delete after change")
        << int(upWhereAll) << amount << true << true << "1:a:99";
    // A delete changes no field: where-changed finds the record by its key alone.
    QTest::newRow("changed, delete after change")
        << int(upWhereChanged) << amount << true << false << "";
    QTest::newRow("key only, delete after change")
        << int(upWhereKeyOnly) << name << true << false << "";
}

void TstProvider::updateModes() {
    QFETCH(int, mode);
    QFETCH(QString, otherUser);
    QFETCH(bool, deleting);
    QFETCH(bool, fails);
    QFETCH(QString, row);
    TFixture f;
    f.Provider->SetUpdateMode(static_cast<TUpdateMode>(mode));
    f.Client->Open();
    if (deleting)
        f.Client->Delete();
    else
        f.Set("Name", Variant(QString("x")));
    if (!otherUser.isEmpty())
        f.Exec(otherUser.toUtf8().constData());
    int reconciled = 0;
    f.Client->OnReconcileError = [&](TClientDataSet *, const EReconcileError &, TUpdateKind,
                                     TReconcileAction &action) {
        ++reconciled;
        action = raSkip;
    };
    QCOMPARE(f.Client->ApplyUpdates(-1), fails ? 1 : 0);
    QCOMPARE(reconciled, fails ? 1 : 0);
    QCOMPARE(f.Client->ChangeCount(), fails ? 1 : 0);
    const QStringList table = f.Table();
    QCOMPARE(table.first(), row.isEmpty() ? QString("2:b:20") : row);
    QCOMPARE(table.size(), row.isEmpty() ? 2 : 3);
}

void TstProvider::reconcileActions_data() {
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("pending");    // changes left in the log
    QTest::addColumn<QString>("client"); // record 1 on the client afterwards: name:amount
    QTest::addColumn<int>("status");
    // Record 1: the client changed the name a -> x while another user set its amount to 99.
    QTest::newRow("skip") << int(raSkip) << 1 << "x:10" << int(usModified);
    QTest::newRow("abort") << int(raAbort) << 1 << "x:10" << int(usModified);
    QTest::newRow("merge") << int(raMerge) << 1 << "x:99" << int(usModified);
    QTest::newRow("correct") << int(raCorrect) << 1 << "fixed:10" << int(usModified);
    QTest::newRow("cancel") << int(raCancel) << 0 << "a:10" << int(usUnmodified);
    QTest::newRow("refresh") << int(raRefresh) << 0 << "a:99" << int(usUnmodified);
}

void TstProvider::reconcileActions() {
    QFETCH(int, action);
    QFETCH(int, pending);
    QFETCH(QString, client);
    QFETCH(int, status);
    TFixture f;
    f.Client->Open();
    f.Set("Name", Variant(QString("x")));
    f.Client->Locate("ID", Variant(2));
    f.Set("Amount", Variant(21.0));
    f.Exec("UPDATE people SET Amount = 99 WHERE ID = 1");
    f.Client->OnReconcileError = [&](TClientDataSet *ds, const EReconcileError &e, TUpdateKind kind,
                                     TReconcileAction &a) {
        QCOMPARE(kind, ukModify);
        QVERIFY(!e.Message().isEmpty());
        if (action == raCorrect)
            ds->FieldByName("Name")->SetNewValue(Variant(QString("fixed")));
        a = static_cast<TReconcileAction>(action);
    };
    QCOMPARE(f.Client->ApplyUpdates(-1), 1);
    // The row that went through is accepted whatever happened to the failed one.
    QCOMPARE(f.Table(), QStringList({"1:a:99", "2:b:21", "3:c:30"}));
    QCOMPARE(f.Client->ChangeCount(), pending);
    QVERIFY(f.Client->Locate("ID", Variant(1)));
    QCOMPARE(QString("%1:%2")
                 .arg(f.Client->FieldByName("Name")->AsString())
                 .arg(f.Client->FieldByName("Amount")->AsFloat()),
             client);
    QCOMPARE(int(f.Client->UpdateStatus()), status);
    if (action == raMerge) {
        // Merged with the server's record, the change goes through and keeps the other user's.
        QCOMPARE(f.Client->ApplyUpdates(0), 0);
        QCOMPARE(f.Table().first(), QString("1:x:99"));
    }
}

void TstProvider::reconcileValues() {
    TFixture f;
    f.Client->Open();
    f.Set("Name", Variant(QString("x")));
    f.Exec("UPDATE people SET Amount = 99 WHERE ID = 1");
    // A deleted record: the server no longer has it.
    f.Client->Locate("ID", Variant(3));
    f.Client->Delete();
    f.Exec("DELETE FROM people WHERE ID = 3");
    QStringList seen;
    f.Client->OnReconcileError = [&](TClientDataSet *ds, const EReconcileError &, TUpdateKind kind,
                                     TReconcileAction &a) {
        TField *name = ds->FieldByName("Name");
        TField *amount = ds->FieldByName("Amount");
        if (kind == ukModify) {
            QCOMPARE(name->NewValue().ToString(), QString("x"));
            QCOMPARE(name->OldValue().ToString(), QString("a"));
            QCOMPARE(name->CurValue().ToString(), QString("a"));
            QVERIFY(amount->NewValue().IsEmpty()); // not changed by the client
            QCOMPARE(amount->OldValue().ToDouble(), 10.0);
            QCOMPARE(amount->CurValue().ToDouble(), 99.0);
            // The current record reads the client's values.
            QCOMPARE(name->AsString(), QString("x"));
        } else {
            QCOMPARE(kind, ukDelete);
            QCOMPARE(name->OldValue().ToString(), QString("c"));
            QVERIFY(name->CurValue().IsEmpty());
        }
        seen << QString::number(kind);
        a = raRefresh;
    };
    QCOMPARE(f.Client->ApplyUpdates(-1), 2);
    QCOMPARE(seen, QStringList({"0", "2"}));
    // Refreshing a record the server no longer has takes it away.
    QCOMPARE(Column(*f.Client, "ID"), QStringList({"1", "2"}));
    QCOMPARE(f.Client->ChangeCount(), 0);
    // Outside reconcile NewValue cannot be set.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                             f.Client->FieldByName("Name")->SetNewValue(Variant(QString("y"))));
}

void TstProvider::abortStopsReconciling() {
    TFixture f;
    f.Client->Open();
    f.Set("Name", Variant(QString("x")));
    f.Client->Next();
    f.Set("Name", Variant(QString("y")));
    f.Exec("UPDATE people SET Amount = 0");
    int calls = 0;
    f.Client->OnReconcileError = [&](TClientDataSet *, const EReconcileError &, TUpdateKind,
                                     TReconcileAction &a) {
        ++calls;
        a = raAbort;
    };
    QCOMPARE(f.Client->ApplyUpdates(-1), 2);
    QCOMPARE(calls, 1);
    QCOMPARE(f.Client->ChangeCount(), 2);
}

void TstProvider::maxErrorsRollsBackAndKeepsEverythingPending() {
    TFixture f;
    f.Client->Open();
    f.Set("Name", Variant(QString("x"))); // goes through
    f.Client->Locate("ID", Variant(2));
    f.Set("Name", Variant(QString("y"))); // fails: changed by another user
    f.Client->Append();
    f.Client->FieldByName("ID")->SetAsInteger(9);
    f.Client->FieldByName("Name")->SetAsString("n");
    f.Client->Post();
    f.Exec("UPDATE people SET Amount = 0 WHERE ID = 2");
    const QStringList table = f.Table();
    int calls = 0;
    f.Client->OnReconcileError = [&](TClientDataSet *, const EReconcileError &, TUpdateKind,
                                     TReconcileAction &a) {
        ++calls;
        a = raSkip;
    };
    QCOMPARE(f.Client->ApplyUpdates(0), 1);
    QCOMPARE(calls, 1);
    QCOMPARE(f.Table(), table);
    QCOMPARE(f.Client->ChangeCount(), 3);
    QCOMPARE(Column(*f.Client, "Name"), QStringList({"x", "y", "c", "n"}));

    // One error allowed: the rest is committed and accepted, the failed row stays pending.
    QCOMPARE(f.Client->ApplyUpdates(1), 1);
    QCOMPARE(f.Table(), QStringList({"1:x:10", "2:b:0", "3:c:30", "9:n:0"}));
    QCOMPARE(f.Client->ChangeCount(), 1);
    QVERIFY(f.Client->Locate("ID", Variant(2)));
    QCOMPARE(f.Client->UpdateStatus(), usModified);
}

// A key that is not unique in the table: the update of one record reaches two. However many
// errors are allowed, nothing of the apply stays written and every change stays pending.
void TstProvider::changeWritingSeveralRecordsTakesBackTheApply() {
    TFixture f;
    f.Query->FieldDefs()[0].ProviderFlags = pfInUpdate;
    f.Query->FieldDefs()[1].ProviderFlags = pfInKey | pfInWhere | pfInUpdate;
    f.Provider->SetUpdateMode(upWhereKeyOnly);
    f.Exec("UPDATE people SET Name = 'a' WHERE ID = 2");
    const QStringList table = f.Table();
    f.Client->Open();
    f.Client->Locate("ID", Variant(3));
    f.Set("Amount", Variant(33.0)); // one record: would go through
    f.Client->Locate("ID", Variant(1));
    f.Set("Amount", Variant(11.0)); // Name = 'a' reaches records 1 and 2
    QStringList messages;
    f.Client->OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                     TReconcileAction &a) {
        messages << e.Message();
        a = raSkip;
    };
    QCOMPARE(f.Client->ApplyUpdates(-1), 1);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("more than one"), qPrintable(messages[0]));
    QCOMPARE(f.Table(), table);
    QCOMPARE(f.Client->ChangeCount(), 2);
}

// A provider that writes rows of another table once a row is in (a history here): a refusal
// there takes back the row and what went with it, the other rows of the batch still go in,
// on SQLite too. A modified row's check sees its values before and after the change.
void TstProvider::rowsWrittenAfterARowGoWithIt() {
    TFixture f;
    f.Exec("CREATE TABLE history (ID INTEGER, Name TEXT)");
    QStringList before;
    f.Provider->BeforeApplyRecord = [&](const TDeltaRow &row) {
        before << row.OldValue("Name").ToString() + u'>' + row.Value("Name").ToString();
    };
    f.Provider->AfterApplyRecord = [&](const TDeltaRow &row) {
        f.Exec(qPrintable(QStringLiteral("INSERT INTO history VALUES (%1, '%2')")
                              .arg(row.Value("ID").ToInt())
                              .arg(row.Value("Name").ToString())));
        if (row.Value("Name").ToString() == u"refused")
            throw Exception(QStringLiteral("no history for this one"));
    };
    f.Client->Open();
    f.Set("Name", Variant(QString("x")));
    f.Client->Locate("ID", Variant(2));
    f.Set("Name", Variant(QString("refused")));
    QStringList messages;
    f.Client->OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                     TReconcileAction &a) {
        messages << e.Message();
        a = raSkip;
    };
    QCOMPARE(f.Client->ApplyUpdates(-1), 1);
    QCOMPARE(messages, QStringList{"no history for this one"});
    QCOMPARE(before, (QStringList{"a>x", "b>refused"}));
    QCOMPARE(f.Table(), (QStringList{"1:x:10", "2:b:20", "3:c:30"}));
    QSqlQuery q(QSqlDatabase::database(Conn));
    q.exec(QStringLiteral("SELECT ID, Name FROM history"));
    QStringList history;
    while (q.next())
        history << q.value(0).toString() + u':' + q.value(1).toString();
    QCOMPARE(history, QStringList{"1:x"});
    QCOMPARE(f.Client->ChangeCount(), 1);
}

void TstProvider::refreshKeepsFilterOrderAndRecord() {
    TFixture f;
    f.Client->Open();
    f.Client->SetIndexFieldNames("Amount");
    f.Client->SetFilter("Amount >= 15");
    f.Client->SetFiltered(true);
    QVERIFY(f.Client->Locate("ID", Variant(3)));
    TClientDataSet clone;
    clone.CloneCursor(f.Client, true);
    f.Exec("UPDATE people SET Amount = 5 WHERE ID = 2");
    f.Exec("INSERT INTO people VALUES (4, 'd', 25), (5, 'e', 1)");
    f.Client->Refresh();
    QCOMPARE(Column(*f.Client, "ID"), QStringList({"4", "3"}));
    QCOMPARE(f.Client->FieldByName("ID")->AsInteger(), 3);
    // A clone shares the fetched records.
    QCOMPARE(clone.RecordCount(), 5);
    // Pending changes would be lost: refresh refuses.
    f.Set("Name", Variant(QString("C")));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, f.Client->Refresh());
    QCOMPARE(f.Client->ChangeCount(), 1);
    QCOMPARE(f.Client->FieldByName("Name")->AsString(), QString("C"));
}

void TstProvider::providerRefusals() {
    TFixture f;
    f.Client->Open();
    // Command text from the client only when the provider allows it.
    f.Client->Close();
    f.Client->SetCommandText("SELECT ID, Name, Amount FROM people WHERE ID = 2");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, f.Client->Open());
    f.Provider->SetOptions(poAllowCommandText);
    f.Client->Open();
    QCOMPARE(Column(*f.Client, "Name"), QStringList({"b"}));
    // A read-only provider refuses deltas and the changes stay.
    f.Provider->SetOptions(poAllowCommandText | poReadOnly);
    f.Set("Name", Variant(QString("B")));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, f.Client->ApplyUpdates(0));
    QCOMPARE(f.Client->ChangeCount(), 1);
    QCOMPARE(f.Table()[1], QString("2:b:20"));
    // An unknown provider is named in the error.
    TClientDataSet lost(&f.Owner);
    lost.SetProviderName("prvNobody");
    try {
        lost.Open();
        QFAIL("opened without a provider");
    } catch (const EDatabaseError &e) {
        QVERIFY(e.Message().contains("prvNobody"));
    }
}

void TstProvider::everyTypeWrittenAndFoundAgain() {
    TFixture f;
    f.Exec("CREATE TABLE everything (ID INTEGER PRIMARY KEY, S TEXT, N INTEGER, B INTEGER, "
           "F REAL, C REAL, D TEXT, T TEXT, DT TEXT, BL BLOB)");
    struct TCol {
        const char *Name;
        TFieldType Type;
    };
    const TCol cols[] = {{"ID", ftInteger},  {"S", ftString},   {"N", ftLargeint}, {"B", ftBoolean},
                         {"F", ftFloat},     {"C", ftCurrency}, {"D", ftDate},     {"T", ftTime},
                         {"DT", ftDateTime}, {"BL", ftBlob}};
    auto *query = new TSqlQuery(&f.Owner);
    query->SetConnectionName(Conn);
    query->SetSQL("SELECT * FROM everything");
    for (const TCol &c : cols)
        query->FieldDefs().Add(c.Name, c.Type, c.Type == ftString ? 30 : 0);
    query->FieldDefs()[0].ProviderFlags = pfInKey | pfInWhere | pfInUpdate;
    auto *provider = new TDataSetProvider(&f.Owner);
    provider->SetName("prvEverything");
    provider->SetDataSet(query);
    provider->SetUpdateMode(upWhereAll);
    auto *client = new TClientDataSet(&f.Owner);
    client->SetProviderName("prvEverything");
    client->Open();
    const std::vector<Variant> first = {
        Variant(1),
        Variant(QString("學生 \"x\"")),
        Variant(qint64(-9000000000LL)),
        Variant(true),
        Variant(-0.125),
        Variant(Currency{-1234567}),
        Variant(TDateTime::EncodeDate(2024, 2, 29)),
        Variant(TDateTime::EncodeTime(7, 8, 9)),
        Variant(TDateTime::EncodeDate(1999, 12, 31) + TDateTime::EncodeTime(23, 59, 58).Value()),
        Variant(QByteArray("\0\x01\xff", 3))};
    client->Append();
    for (size_t i = 0; i < std::size(cols); ++i)
        client->FieldByName(cols[i].Name)->SetValue(first[i]);
    client->Post();
    client->Append();
    client->FieldByName("ID")->SetAsInteger(2); // every other value null
    client->Post();
    QCOMPARE(client->ApplyUpdates(0), 0);
    // Stored as the SQL conversions give them.
    QSqlQuery q(QSqlDatabase::database(Conn));
    QVERIFY(q.exec("SELECT * FROM everything ORDER BY ID"));
    QVERIFY(q.next());
    for (size_t i = 0; i < std::size(cols); ++i)
        QCOMPARE(q.value(int(i)), VariantToSql(first[i], cols[i].Type));
    QVERIFY(q.next());
    for (size_t i = 1; i < std::size(cols); ++i)
        QVERIFY(q.value(int(i)).isNull());
    q.finish();
    // Where-all finds both records again by every value, nulls included, to change and delete.
    QVERIFY(client->Locate("ID", Variant(1)));
    client->Edit();
    client->FieldByName("S")->SetAsString("changed");
    client->Post();
    QVERIFY(client->Locate("ID", Variant(2)));
    client->Edit();
    client->FieldByName("D")->SetAsDateTime(TDateTime::EncodeDate(5, 1, 2));
    client->Post();
    QCOMPARE(client->ApplyUpdates(0), 0);
    QVERIFY(q.exec("SELECT S FROM everything WHERE ID = 1") && q.next());
    QCOMPARE(q.value(0).toString(), QString("changed"));
    QVERIFY(q.exec("SELECT D FROM everything WHERE ID = 2") && q.next());
    QCOMPARE(q.value(0).toString(), QString("0005-01-02"));
    q.finish();
    client->First();
    client->Delete();
    client->Delete();
    QCOMPARE(client->ApplyUpdates(0), 0);
    QVERIFY(q.exec("SELECT count(*) FROM everything") && q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

QTEST_GUILESS_MAIN(TstProvider)
#include "tst_provider.moc"
