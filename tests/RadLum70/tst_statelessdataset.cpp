// Stateless and on-demand client datasets against the real application server on loopback,
// counting the calls that reach it; the stateless provider's own rules in process.

#include "AppServerFixture.h"
#include "CountingServer.h"
#include "Exceptions.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "StatelessProvider.h"
#include "TestMain.h"

#include <QTemporaryDir>

namespace {

Variant Keys(const char *main, const char *code) {
    return Variant::ArrayOf({Variant(main), Variant(code)});
}

} // namespace

class TstStatelessDataSet : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    std::unique_ptr<TSocketConnection> FConnection;
    std::unique_ptr<TCountingServer> FCounter;

    template <class T> std::unique_ptr<T> CodeTable() {
        auto ds = std::make_unique<T>();
        ds->SetProviderName(QStringLiteral("xspCodeTable"));
        ds->SetAppServer(FCounter.get());
        return ds;
    }

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        FConnection = FServer->Connect(QStringLiteral("SystemObj.CodeTableINTF"));
        FCounter = std::make_unique<TCountingServer>(FConnection->GetServer());
    }
    void cleanupTestCase() {
        FCounter.reset();
        FConnection.reset();
        FServer.reset();
    }
    void init() { FCounter->Reset(); }

    void filteredOpenFetchesTheMatchingRowsInOneRequest() {
        auto ds = CodeTable<TStatelessCDataSet>();
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX'"));
        QCOMPARE(ds->PacketRecords(), -1);
        ds->Open();
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(FCounter->DataRequests, 1);
        QCOMPARE(FCounter->GetRecords, 0);
        QVERIFY(ds->FetchedAll());
        const Variant &r = FCounter->LastRequest;
        QCOMPARE(r.LowBound(), 0);
        QCOMPARE(r.HighBound(), 3);
        QCOMPARE(r[0].ToString(), QStringLiteral("RemoteFilteredData"));
        QCOMPARE(r[1].ToString(), QStringLiteral("Main_Code='NSEX'"));
        QCOMPARE(r[2].VarType(), TVarType::Integer);
        QCOMPARE(r[3].VarType(), TVarType::Boolean);
        // Scrolling to the end fetches nothing more: the reply held every matching record.
        ds->Last();
        QCOMPARE(FCounter->Calls(), 1);

        // The provider removed the filter before answering: an ordinary dataset on the same
        // connection sees the whole table.
        TClientDataSet all;
        all.SetProviderName(QStringLiteral("xspCodeTable"));
        all.SetAppServer(FConnection->GetServer());
        all.Open();
        QVERIFY(all.RecordCount() > 20);
    }

    void filterOptionsTravelWithTheRequest() {
        auto ds = CodeTable<TStatelessCDataSet>();
        ds->SetRemoteFilter(QStringLiteral("Main_Code='nsex'"));
        ds->Open();
        QCOMPARE(ds->RecordCount(), 0);
        ds->Close();
        ds->SetFilterOptions(foCaseInsensitive);
        ds->Open();
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(FCounter->LastRequest[2].ToInt(), int(foCaseInsensitive));
        // A trailing * compares partially unless that is switched off.
        ds->Close();
        ds->SetFilterOptions(0);
        ds->SetRemoteFilter(QStringLiteral("Main_Code='YSem*'"));
        ds->Open();
        QCOMPARE(ds->RecordCount(), 4);
        ds->Close();
        ds->SetFilterOptions(foNoPartialCompare);
        ds->Open();
        QCOMPARE(ds->RecordCount(), 0);
        QCOMPARE(FCounter->LastRequest[2].ToInt(), int(foNoPartialCompare));
    }

    void settingTheRemoteFilter() {
        auto ds = CodeTable<TStatelessCDataSet>();
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX'"));
        ds->Open();
        ds->SetPacketRecords(5);
        // The same value changes nothing.
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX'"));
        QVERIFY(ds->Active());
        QCOMPARE(ds->PacketRecords(), 5);
        // Another value closes the dataset and asks for all records at once.
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NUNT'"));
        QVERIFY(!ds->Active());
        QCOMPARE(ds->PacketRecords(), -1);
        ds->Open();
        QCOMPARE(ds->RecordCount(),
                 FServer->Query("SELECT COUNT(*) FROM CodeTable WHERE Main_Code='NUNT'").toInt());
        // An empty filter closes too but leaves the packet size alone; the open is ordinary.
        ds->SetPacketRecords(7);
        ds->SetRemoteFilter(QString());
        QVERIFY(!ds->Active());
        QCOMPARE(ds->PacketRecords(), 7);
        FCounter->Reset();
        ds->Open();
        QCOMPARE(FCounter->DataRequests, 0);
        QCOMPARE(FCounter->GetRecords, 1);
        QCOMPARE(ds->RecordCount(), 7);
        // While a form is loading the dataset stays open.
        ds->SetLoading(true);
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX'"));
        QVERIFY(ds->Active());
        ds->Loaded();
    }

    void aResetRequestedWhileLoadingIsSentByTheNextOpen() {
        auto ds = CodeTable<TStatelessCDataSet>();
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX'"));
        ds->Open();
        QVERIFY(!FCounter->LastRequest[3].ToBool());
        ds->SetLoading(true);
        ds->SetRemoteReseted(true);
        QVERIFY(ds->Active());
        ds->Loaded();
        // Outside loading switching it on closes the dataset.
        ds->SetRemoteReseted(false);
        ds->SetRemoteReseted(true);
        QVERIFY(!ds->Active());
        // A row changed behind the provider's back shows after the reset open.
        FServer->Query(QStringLiteral("UPDATE CodeTable SET Descript='男生' "
                                      "WHERE Main_Code='NSEX' AND Code='1'"));
        ds->Open();
        QVERIFY(FCounter->LastRequest[3].ToBool());
        QVERIFY(!ds->RemoteReseted());
        QCOMPARE(
            ds->Lookup(QStringLiteral("Code"), Variant("1"), QStringLiteral("Descript")).ToString(),
            QStringLiteral("男生"));
        FServer->Query(QStringLiteral("UPDATE CodeTable SET Descript='男' "
                                      "WHERE Main_Code='NSEX' AND Code='1'"));
    }

    void aBriefcaseFileIsOpenedFromTheFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("codes.cds"));
        {
            auto ds = CodeTable<TStatelessCDataSet>();
            ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX'"));
            ds->Open();
            ds->SaveToFile(file);
        }
        FCounter->Reset();
        auto ds = CodeTable<TStatelessCDataSet>();
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NUNT'"));
        ds->SetFileName(file);
        ds->Open();
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(FCounter->Calls(), 0);
    }

    void recordFetchesCarryTheFilterAndTheCallersOwnerData() {
        auto ds = CodeTable<TStatelessCDataSet>();
        Variant seenAfter;
        ds->BeforeGetRecords = [](TClientDataSet *, Variant &ownerData) {
            ownerData = Variant("mine");
        };
        ds->AfterGetRecords = [&](TClientDataSet *, Variant &ownerData) { seenAfter = ownerData; };
        ds->SetPacketRecords(5);
        ds->Open();
        QCOMPARE(FCounter->LastOwnerData[0].ToString(), QStringLiteral("AStatelessCDS"));
        QCOMPARE(FCounter->LastOwnerData[1].ToString(), QString());
        QCOMPARE(FCounter->LastOwnerData[2].ToString(), QStringLiteral("mine"));
        QVERIFY(seenAfter.IsArray());
        QCOMPARE(seenAfter[2].ToString(), QStringLiteral("mine"));
        // Fetching in packets brings every record exactly once.
        QStringList keys;
        for (ds->First(); !ds->Eof(); ds->Next())
            keys << ds->FieldByName(QStringLiteral("Main_Code"))->AsString() + u'/' +
                        ds->FieldByName(QStringLiteral("Code"))->AsString();
        QVERIFY(FCounter->GetRecords > 2);
        QCOMPARE(keys.size(),
                 FServer->Query(QStringLiteral("SELECT count(*) FROM CodeTable")).toInt());
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
    }

    void onDemandDatasetFetchesOneRecordPerMissingKey() {
        auto ds = CodeTable<TOnDemandCDataSet>();
        ds->Open();
        QCOMPARE(ds->RecordCount(), 0);
        QCOMPARE(FCounter->GetRecords, 1);
        FCounter->Reset();
        const QString keys = QStringLiteral("Main_Code;Code");
        QVERIFY(ds->Locate(keys, Keys("NUNT", "A20")));
        QCOMPARE(ds->RecordCount(), 1);
        QCOMPARE(ds->FieldByName(QStringLiteral("Descript"))->AsString(), QStringLiteral("學務處"));
        QCOMPARE(FCounter->Calls(), 1);
        QCOMPARE(FCounter->LastRequest[0].ToString(), QStringLiteral("RemoteLocateRecord"));
        QCOMPARE(FCounter->LastRequest[1].ToString(), keys);
        // A key it holds costs nothing.
        QVERIFY(ds->Locate(keys, Keys("NUNT", "A20")));
        QCOMPARE(FCounter->Calls(), 1);
        // A key nobody has: one call, nothing added, not found.
        QVERIFY(!ds->Locate(keys, Keys("NUNT", "Z99")));
        QCOMPARE(FCounter->Calls(), 2);
        QCOMPARE(ds->RecordCount(), 1);
        // Options travel: a case-insensitive partial key finds a record.
        QVERIFY(ds->Locate(QStringLiteral("Descript"), Variant("一年"),
                           loCaseInsensitive | loPartialKey));
        QCOMPARE(FCounter->LastRequest[3].ToInt(), int(loCaseInsensitive | loPartialKey));
        QCOMPARE(ds->RecordCount(), 2);
        // Lookup fetches the same way and returns Null for a missing key.
        QCOMPARE(ds->Lookup(keys, Keys("NSEX", "2"), QStringLiteral("Descript")).ToString(),
                 QStringLiteral("女"));
        QVERIFY(ds->Lookup(keys, Keys("NSEX", "9"), QStringLiteral("Descript")).IsNull());
        QCOMPARE(ds->RecordCount(), 3);
    }

    void aRecordHiddenByTheLocalFilterIsNotFetchedAgain() {
        auto ds = CodeTable<TOnDemandCDataSet>();
        ds->Open();
        const QString keys = QStringLiteral("Main_Code;Code");
        QVERIFY(ds->Locate(keys, Keys("NSEX", "1")));
        ds->SetFilter(QStringLiteral("Main_Code='NUNT'"));
        ds->SetFiltered(true);
        FCounter->Reset();
        QVERIFY(!ds->Locate(keys, Keys("NSEX", "1")));
        QCOMPARE(FCounter->Calls(), 0);
        QVERIFY(ds->Filtered());
        QCOMPARE(ds->RecordCount(), 0);
        // A failing server call leaves the filter switched on as well.
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 ds->Locate(QStringLiteral("NoSuchField"), Variant("x")));
        QVERIFY(ds->Filtered());
    }

    void serverErrorsLeaveTheDatasetAsItWas() {
        auto ds = CodeTable<TStatelessCDataSet>();
        ds->SetProviderName(QStringLiteral("xspNoSuchProvider"));
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX'"));
        QVERIFY_THROWS_EXCEPTION(Exception, ds->Open());
        QVERIFY(!ds->Active());
        // The opening guard was put back: the next open asks the server again.
        ds->SetProviderName(QStringLiteral("xspCodeTable"));
        FCounter->Reset();
        ds->Open();
        QCOMPARE(FCounter->DataRequests, 1);
        QCOMPARE(ds->RecordCount(), 2);
        // A bad filter is the server's error, in the client.
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NSEX"));
        QVERIFY_THROWS_EXCEPTION(Exception, ds->Open());
        QVERIFY(!ds->Active());
    }

    void changesGoBackThroughTheStatelessProvider() {
        auto ds = CodeTable<TStatelessCDataSet>();
        ds->SetRemoteFilter(QStringLiteral("Main_Code='NUNT'"));
        ds->Open();
        QVERIFY(ds->Locate(QStringLiteral("Code"), Variant("A70")));
        ds->Edit();
        ds->FieldByName(QStringLiteral("Descript"))->SetAsString(QStringLiteral("圖書館（新）"));
        ds->Post();
        QCOMPARE(ds->ApplyUpdates(0), 0);
        QCOMPARE(FServer
                     ->Query(QStringLiteral("SELECT Descript FROM CodeTable "
                                            "WHERE Main_Code='NUNT' AND Code='A70'"))
                     .toString(),
                 QStringLiteral("圖書館（新）"));
    }

    // The provider's rules in process.
    void theProviderRecognisesOnlyItsOwnRequests() {
        QVERIFY(!TStatelessProvider::CheckCommand(QStringLiteral("AStatelessCDS"), Variant()));
        QVERIFY(
            !TStatelessProvider::CheckCommand(QStringLiteral("AStatelessCDS"), Variant::Null()));
        QVERIFY(TStatelessProvider::CheckCommand(QStringLiteral("AStatelessCDS"),
                                                 Variant("AStatelessCDS")));
        QVERIFY(!TStatelessProvider::CheckCommand(QStringLiteral("AStatelessCDS"),
                                                  Variant("astatelesscds")));
        QVERIFY(TStatelessProvider::CheckCommand(
            QStringLiteral("RemoteFilteredData"),
            MakeFilteredDataRequest(QStringLiteral("a=1"), 0, false)));
        QVERIFY(!TStatelessProvider::CheckCommand(QStringLiteral("RemoteFilteredData"),
                                                  Variant::ArrayOf({})));

        // The provider re-reads its dataset for a filtered request: a briefcase file can be.
        QTemporaryDir dir;
        TClientDataSet table;
        table.SetFileName(dir.filePath(QStringLiteral("table.cds")));
        table.AddField(ftInteger, QStringLiteral("ID"));
        table.AddField(ftString, QStringLiteral("Name"), 20);
        table.CreateDataSet();
        for (int i = 1; i <= 3; ++i) {
            table.Append();
            table.FieldByName(QStringLiteral("ID"))->SetAsInteger(i);
            table.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("n%1").arg(i));
            table.Post();
        }
        TStatelessProvider provider;
        int ordinary = 0;
        provider.OnDataRequest = [&](TDataSetProvider *, const Variant &input) {
            ++ordinary;
            return input;
        };
        // Without a dataset every data request is refused.
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, provider.DataRequest(Variant("x")));
        provider.SetDataSet(&table);
        QCOMPARE(provider.DataRequest(Variant("Other")).ToString(), QStringLiteral("Other"));
        provider.DataRequest(Variant::ArrayOf({Variant("remoteFilteredData")}));
        QCOMPARE(ordinary, 2);
        // A filtered request leaves no filter behind.
        const Variant reply =
            provider.DataRequest(MakeFilteredDataRequest(QStringLiteral("ID>1"), 0, false));
        QVERIFY(!table.Filtered());
        QVERIFY(table.Filter().isEmpty());
        TClientDataSet client;
        client.SetData(reply);
        QCOMPARE(client.RecordCount(), 2);
        // A locate answers one record without metadata, or Null.
        const Variant one = provider.DataRequest(
            MakeLocateRecordRequest(QStringLiteral("Name"), Variant("N3"), loCaseInsensitive));
        client.AppendData(one, false);
        QCOMPARE(client.RecordCount(), 3);
        QVERIFY(
            provider.DataRequest(MakeLocateRecordRequest(QStringLiteral("Name"), Variant("N3"), 0))
                .IsNull());
    }
};

LUM_TEST_MAIN(TstStatelessDataSet)
#include "tst_statelessdataset.moc"
