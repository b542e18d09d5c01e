// The students' basic data on a real server: both writable providers opened by client datasets
// over the wire, edits, new students and deletions applied, one student chosen by number, the
// index that stays read-only, a refused batch that writes nothing, and an older database that
// gains the new tables and columns when the server starts.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "ServerDatabase.h"
#include "uLumPublic.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QTest>

namespace {

const QString kStudents = QStringLiteral("SrvAcademic.AcadStudentINTF");

std::unique_ptr<TClientDataSet> OpenBasic(TSocketConnection &connection, const QString &provider,
                                          const QString &no = {}) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->SetAppServer(connection.GetServer());
    ds->SetProviderName(provider);
    if (!no.isNull())
        ds->Params().CreateParam(ftString, "No").SetAsString(no);
    ds->Open();
    return ds;
}

void SetText(TDataSet &ds, const char *field, const QString &value) {
    ds.FieldByName(QString::fromLatin1(field))->SetAsString(value);
}

// Turns a new database into one made before the students' basic-data columns existed (and
// before the views over them).
void MakeOlderDatabase(const TTestDatabase &database) {
    { TServerDatabase current(database.Config()); }
    database.DropViews();
    database.Run({"CREATE TABLE StdOld (StudentID VARCHAR(10) PRIMARY KEY, Cht_Name VARCHAR(40), "
                  "Sex VARCHAR(1), ClassID VARCHAR(10), SeatNo INTEGER, State VARCHAR(2))",
                  "INSERT INTO StdOld SELECT StudentID, Cht_Name, Sex, ClassID, SeatNo, State "
                  "FROM StdOnSchool",
                  "DROP TABLE StdOnSchool", "ALTER TABLE StdOld RENAME TO StdOnSchool"});
    QVERIFY(!database.Query("SELECT COUNT(IDNo) FROM StdOnSchool").isValid());
}

} // namespace

class TstAppServerStudents : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    QVariant Value(const QString &id, const QString &column) const {
        return FServer->Query(
            QStringLiteral("SELECT %1 FROM StdOnSchool WHERE StudentID = '%2'").arg(column, id));
    }

private Q_SLOTS:
    void initTestCase() { SKIP_WITHOUT_TEST_DATABASE(); }
    void cleanup() { FServer.reset(); }

    void basicDataOfEveryStudent() {
        FServer = std::make_unique<TAppServerFixture>();
        auto connection = FServer->Connect(kStudents);
        auto ds = OpenBasic(*connection, "dspStdBasic");
        QCOMPARE(ds->RecordCount(), FServer->Query("SELECT COUNT(*) FROM StdOnSchool").toInt());
        QStringList names;
        for (int i = 0; i < ds->FieldCount(); ++i)
            names << ds->Fields()[i]->FieldName();
        QCOMPARE(names, (QStringList{"StudentID", "Cht_Name", "Sex", "ClassID", "SeatNo", "State",
                                     "Birthday", "IDNo", "Address", "EditInfo"}));
        QCOMPARE(ds->FieldByName("Birthday")->DataType(), ftDate);
        QVERIFY(ds->FieldByName("StudentID")->ProviderFlags() & pfInKey);
        // By class, then seat; the demo values are whole and consistent: the identity number
        // passes the national check with the sex it encodes, the birthday fits the year of
        // entry, the address is in Chinese.
        QString lastOrder;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            const QString id = ds->FieldByName("StudentID")->AsString();
            const QString order = ds->FieldByName("ClassID")->AsString() +
                                  QStringLiteral("%1").arg(ds->FieldByName("SeatNo")->AsInteger(),
                                                           3, 10, QChar(u'0'));
            QVERIFY2(order > lastOrder, qPrintable(id));
            lastOrder = order;
            QChar sex;
            QVERIFY2(CheckRocIDBySex(ds->FieldByName("IDNo")->AsString(), sex), qPrintable(id));
            QCOMPARE(ds->FieldByName("Sex")->AsString(),
                     QString::fromLatin1(sex == u'M' ? "1" : "2"));
            const QDate born = ds->FieldByName("Birthday")->AsDateTime().ToDate();
            const int entered = id.left(3).toInt() + 1911;
            QVERIFY2(born >= QDate(entered - 16, 9, 1) && born < QDate(entered - 15, 9, 1),
                     qPrintable(id));
            QVERIFY2(ds->FieldByName("Address")->AsString().startsWith(u'臺') ||
                         ds->FieldByName("Address")->AsString().startsWith(u'新'),
                     qPrintable(id));
        }

        // An edit, a new student and a deletion go in one batch.
        QVERIFY(ds->Locate("StudentID", Variant("113001")));
        ds->Edit();
        SetText(*ds, "Address", QStringLiteral("臺北市大安區新生南路三段1號"));
        ds->FieldByName("Birthday")->SetValue(Variant(TDateTime::EncodeDate(2008, 10, 4)));
        ds->Post();
        ds->Append();
        SetText(*ds, "StudentID", "113005");
        SetText(*ds, "Cht_Name", QStringLiteral("林書豪"));
        SetText(*ds, "Sex", "1");
        SetText(*ds, "ClassID", "101");
        ds->FieldByName("SeatNo")->SetAsInteger(5);
        SetText(*ds, "State", "0");
        ds->FieldByName("Birthday")->SetValue(Variant(TDateTime::EncodeDate(2009, 3, 1)));
        SetText(*ds, "IDNo", "A123456789");
        SetText(*ds, "Address", QStringLiteral("臺北市中正區重慶南路一段2號"));
        SetText(*ds, "EditInfo", "E003-24/09/02(08:00)-10.0.0.21");
        ds->Post();
        QVERIFY(ds->Locate("StudentID", Variant("111003")));
        ds->Delete();
        QCOMPARE(ds->ApplyUpdates(0), 0);
        QCOMPARE(ds->ChangeCount(), 0);

        QCOMPARE(Value("113001", "Address").toString(),
                 QStringLiteral("臺北市大安區新生南路三段1號"));
        QCOMPARE(Value("113001", "Birthday").toString(), "2008-10-04");
        QCOMPARE(Value("113005", "Cht_Name").toString(), QStringLiteral("林書豪"));
        QCOMPARE(Value("113005", "IDNo").toString(), "A123456789");
        QVERIFY(!Value("111003", "StudentID").isValid());
        // Read again, the new student takes his seat and the dates are the dates written.
        auto again = OpenBasic(*connection, "dspStdBasic");
        QVERIFY(again->Locate("StudentID", Variant("113005")));
        QCOMPARE(again->RecNo(), 5);
        QCOMPARE(again->FieldByName("Birthday")->AsDateTime(), TDateTime::EncodeDate(2009, 3, 1));
        QVERIFY(again->Locate("StudentID", Variant("113001")));
        QCOMPARE(again->FieldByName("Birthday")->AsDateTime(), TDateTime::EncodeDate(2008, 10, 4));
    }

    void oneStudentByNumber() {
        FServer = std::make_unique<TAppServerFixture>();
        auto connection = FServer->Connect(kStudents);
        auto probe = std::make_unique<TClientDataSet>();
        probe->SetAppServer(connection->GetServer());
        probe->SetProviderName("dspStdBasicByNo");
        probe->FetchParams();
        QCOMPARE(probe->Params().Count(), 1);
        QCOMPARE(probe->Params()[0].Name(), "No");

        auto one = OpenBasic(*connection, "dspStdBasicByNo", "112002");
        QCOMPARE(one->RecordCount(), 1);
        QCOMPARE(one->FieldByName("Cht_Name")->AsString(), QStringLiteral("蔡宗翰"));
        QCOMPARE(one->FieldByName("IDNo")->AsString(), Value("112002", "IDNo").toString());
        one->Edit();
        SetText(*one, "EditInfo",
                "T001-24/09/03(10:00)-10.0.0.8," + one->FieldByName("EditInfo")->AsString());
        one->Post();
        QCOMPARE(one->ApplyUpdates(0), 0);
        QVERIFY(Value("112002", "EditInfo").toString().startsWith("T001-24/09/03(10:00)"));
        QCOMPARE(Value("112001", "EditInfo").toString(), "E003-23/08/28(10:05)-10.0.0.21");

        // A number on no student reads nothing; a student added there and deleted again.
        auto none = OpenBasic(*connection, "dspStdBasicByNo", "999999");
        QCOMPARE(none->RecordCount(), 0);
        none->Append();
        SetText(*none, "StudentID", "999999");
        SetText(*none, "Cht_Name", QStringLiteral("測試生"));
        none->Post();
        QCOMPARE(none->ApplyUpdates(0), 0);
        QCOMPARE(Value("999999", "Cht_Name").toString(), QStringLiteral("測試生"));
        auto found = OpenBasic(*connection, "dspStdBasicByNo", "999999");
        QCOMPARE(found->RecordCount(), 1);
        found->Delete();
        QCOMPARE(found->ApplyUpdates(0), 0);
        QVERIFY(!Value("999999", "StudentID").isValid());
    }

    void refusedChangesWriteNothing() {
        FServer = std::make_unique<TAppServerFixture>();
        auto connection = FServer->Connect(kStudents);
        // The index takes no changes at all.
        auto index = OpenBasic(*connection, "xStdOnSchoolIdxProvider");
        QVERIFY(index->Locate("StudentID", Variant("113002")));
        index->Edit();
        SetText(*index, "Cht_Name", QStringLiteral("改名"));
        index->Post();
        try {
            index->ApplyUpdates(0);
            QFAIL("the index took a change");
        } catch (const Exception &e) {
            QVERIFY2(e.Message().contains("read-only"), qPrintable(e.Message()));
        }
        QCOMPARE(index->ChangeCount(), 1);
        QCOMPARE(Value("113002", "Cht_Name").toString(), QStringLiteral("李佳穎"));

        // A batch with a number that is taken: the error comes back for that row and nothing
        // of the batch is written, the edit before it included.
        auto ds = OpenBasic(*connection, "dspStdBasic");
        QVERIFY(ds->Locate("StudentID", Variant("113002")));
        ds->Edit();
        SetText(*ds, "Address", QStringLiteral("臺北市中正區南昌路一段1號"));
        ds->Post();
        ds->Append();
        SetText(*ds, "StudentID", "113001");
        SetText(*ds, "Cht_Name", QStringLiteral("重複生"));
        ds->Post();
        QString refused;
        TUpdateKind kind = ukModify;
        ds->OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind k,
                                   TReconcileAction &action) {
            refused = e.Message();
            kind = k;
            action = raSkip;
        };
        QCOMPARE(ds->ApplyUpdates(0), 1);
        QCOMPARE(kind, ukInsert);
        QVERIFY(!refused.isEmpty());
        QCOMPARE(ds->ChangeCount(), 2);
        QCOMPARE(Value("113002", "Address").toString(),
                 QStringLiteral("臺北市中正區南昌路一段45巷6號"));
        QCOMPARE(Value("113001", "Cht_Name").toString(), QStringLiteral("王小明"));
        QCOMPARE(
            FServer->Query("SELECT COUNT(*) FROM StdOnSchool WHERE StudentID = '113001'").toInt(),
            1);
        // Allowed errors: the refused row stays out, the rest of the batch goes in.
        QCOMPARE(ds->ApplyUpdates(-1), 1);
        QCOMPARE(ds->ChangeCount(), 1);
        QCOMPARE(Value("113002", "Address").toString(),
                 QStringLiteral("臺北市中正區南昌路一段1號"));
        QCOMPARE(Value("113001", "Cht_Name").toString(), QStringLiteral("王小明"));
    }

    void identityNumbersAreCheckedWhenChangesAreApplied() {
        // Whatever a client sends: a number that fails its check digit, or whose sex digit
        // disagrees with the student's sex, is refused for its row with the reason.
        FServer = std::make_unique<TAppServerFixture>();
        auto connection = FServer->Connect(kStudents);
        auto ds = OpenBasic(*connection, "dspStdBasic");
        QStringList refused;
        ds->OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                   TReconcileAction &action) {
            refused << e.Message();
            action = raSkip;
        };
        QVERIFY(ds->Locate("StudentID", Variant("113002")));
        QCOMPARE(ds->FieldByName("Sex")->AsString(), QStringLiteral("2"));
        const QString stored = Value("113002", "IDNo").toString();
        ds->Edit();
        SetText(*ds, "IDNo", "A223456782");
        ds->Post();
        ds->Append();
        SetText(*ds, "StudentID", "113006");
        SetText(*ds, "Cht_Name", QStringLiteral("張志明"));
        SetText(*ds, "Sex", "1");
        SetText(*ds, "IDNo", "a223456781"); // sound, but a woman's number
        ds->Post();
        ds->Append();
        SetText(*ds, "StudentID", "113007");
        SetText(*ds, "Cht_Name", QStringLiteral("黃柏翰"));
        SetText(*ds, "Sex", "1");
        ds->Post(); // no number yet: taken
        QCOMPARE(ds->ApplyUpdates(-1), 2);
        QCOMPARE(refused, (QStringList{QStringLiteral("「身分證號」A223456782 不正確"),
                                       QStringLiteral("「身分證號」a223456781 與性別不符")}));
        QCOMPARE(Value("113002", "IDNo").toString(), stored);
        QVERIFY(!Value("113006", "StudentID").isValid());
        QCOMPARE(Value("113007", "Cht_Name").toString(), QStringLiteral("黃柏翰"));

        // A change of sex alone that leaves the number disagreeing is refused too.
        ds->CancelUpdates();
        QVERIFY(ds->Locate("StudentID", Variant("113002")));
        ds->Edit();
        SetText(*ds, "Sex", "1");
        ds->Post();
        refused.clear();
        QCOMPARE(ds->ApplyUpdates(-1), 1);
        QCOMPARE(refused, QStringList{QStringLiteral("「身分證號」%1 與性別不符").arg(stored)});
        QCOMPARE(Value("113002", "Sex").toString(), QStringLiteral("2"));
    }

    void olderDatabaseGainsTheColumns() {
        FServer = std::make_unique<TAppServerFixture>(MakeOlderDatabase);
        for (const char *column : {"Birthday", "IDNo", "Address", "EditInfo"})
            QVERIFY2(FServer
                         ->Query(QStringLiteral("SELECT COUNT(%1) FROM StdOnSchool")
                                     .arg(QLatin1String(column)))
                         .isValid(),
                     column);
        // The students kept, their new columns empty until someone fills them.
        const int students = FServer->Query("SELECT COUNT(*) FROM StdOnSchool").toInt();
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM StdOnSchool WHERE Genearch IS NULL").toInt(),
                 students);
        QVERIFY(students > 15);
        auto connection = FServer->Connect(kStudents);
        auto one = OpenBasic(*connection, "dspStdBasicByNo", "113004");
        QCOMPARE(one->FieldByName("Cht_Name")->AsString(), QStringLiteral("陳怡安"));
        QVERIFY(one->FieldByName("Birthday")->IsNull());
        one->Edit();
        one->FieldByName("Birthday")->SetValue(Variant(TDateTime::EncodeDate(2009, 5, 8)));
        SetText(*one, "IDNo", "F209139091");
        one->Post();
        QCOMPARE(one->ApplyUpdates(0), 0);
        QCOMPARE(Value("113004", "Birthday").toString(), "2009-05-08");
        auto index = OpenBasic(*connection, "xStdOnSchoolIdxProvider");
        QCOMPARE(index->RecordCount(), students);
    }

    // A database made before the students' and staff tables existed: the server starts, the
    // tables are there empty, and their providers answer.
    void olderDatabaseGainsTheTables() {
        FServer = std::make_unique<TAppServerFixture>([](const TTestDatabase &database) {
            { TServerDatabase current(database.Config()); }
            database.DropViews();
            database.Run({"DROP TABLE StdOnSchool", "DROP TABLE Employees"});
        });
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM StdOnSchool").toInt(), 0);
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM Employees").toInt(), 0);
        auto connection = FServer->Connect(kStudents);
        QCOMPARE(OpenBasic(*connection, "dspStdBasic")->RecordCount(), 0);
        auto one = OpenBasic(*connection, "dspStdBasic");
        one->Append();
        SetText(*one, "StudentID", "114001");
        SetText(*one, "Cht_Name", "王小明");
        one->Post();
        QCOMPARE(one->ApplyUpdates(0), 0);
        QCOMPARE(Value("114001", "Cht_Name").toString(), QStringLiteral("王小明"));
    }
};

QTEST_GUILESS_MAIN(TstAppServerStudents)
#include "tst_AppServerStudents.moc"
