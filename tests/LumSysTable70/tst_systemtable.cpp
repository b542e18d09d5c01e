// The shared code table and stored components against the real server on loopback; the
// server-side refresh against a server that holds the table it read until it is asked to read
// it anew.

#include "AppServerFixture.h"
#include "Big5.h"
#include "CodeTableCDS.h"
#include "CountingServer.h"
#include "DBDelphiVCL.h"
#include "Exceptions.h"
#include "Fields.h"
#include "ObjectServer.h"
#include "Provider.h"
#include "RemoteObject.h"
#include "ServerThread.h"
#include "SocketConnection.h"
#include "StatelessDataSet.h"
#include "SystemObjServers.h"
#include "TestMain.h"
#include "uObjServers.h"

#include <QMutex>
#include <QTreeWidget>

namespace {

QStringList Codes(TDataSet &ds) {
    QStringList codes;
    for (ds.First(); !ds.Eof(); ds.Next())
        codes << ds.FieldByName(QStringLiteral("Code"))->AsString();
    return codes;
}

// A code table of its own, on the test server.
class TTestCodeTable : public TClonedDataSet {
public:
    explicit TTestCodeTable(TSystemTable *table) : FTable(table) {}
    TSystemTable *GetSystemTable() override { return FTable; }

private:
    TSystemTable *FTable;
};

// A code-table server as a school's may be: it serves the table it read last and reads its
// database again only when a client asks it to (RefreshDataSet). The test changes the database
// behind it; every connection's object serves the one table the server holds.
class TCachingCodeServer {
public:
    TCachingCodeServer() {
        FThread = std::make_unique<TServerThread>([this] {
            auto *server = new TObjectServer;
            FHeld = new TClientDataSet(server);
            FHeld->FieldDefs().Add(QStringLiteral("Main_Code"), ftString, 20);
            FHeld->FieldDefs().Add(QStringLiteral("Code"), ftString, 20);
            FHeld->FieldDefs().Add(QStringLiteral("Descript"), ftString, 120);
            ReadDatabase();
            auto *provider = new TDataSetProvider(server);
            provider->SetName(QStringLiteral("xspCodeTable"));
            provider->SetDataSet(FHeld);
            provider->BeforeGetRecords = [this](TDataSetProvider *, Variant &) {
                QMutexLocker lock(&FMutex);
                ++FFetches;
            };
            FProviders.RegisterProvider(provider);
            server->RegisterClass(
                QStringLiteral("SystemObj.CodeTableINTF"),
                [this](TRemoteSession &) { return std::make_unique<TObject>(this); });
            server->Listen(QHostAddress::LocalHost, 0);
            return server;
        });
        FThread->StartServer();
    }
    ~TCachingCodeServer() { FThread->StopServer(); }

    quint16 Port() const { return FThread->Port(); }
    void SetDescript(const QString &code, const QString &text) {
        QMutexLocker lock(&FMutex);
        FDatabase[code] = text;
    }
    int Fetches() const {
        QMutexLocker lock(&FMutex);
        return FFetches;
    }
    QStringList Refreshed() const {
        QMutexLocker lock(&FMutex);
        return FRefreshed;
    }

private:
    class TObject : public TRemoteObject {
    public:
        explicit TObject(TCachingCodeServer *server) {
            Method(19999990, QStringLiteral("RefreshDataSet"), 1, {}, [server](TRemoteCall &c) {
                if (c.Str(0) != QLatin1String("xspCodeTable"))
                    throw Exception(QStringLiteral("Provider %1 not found").arg(c.Str(0)));
                server->ReadDatabase();
                QMutexLocker lock(&server->FMutex);
                server->FRefreshed << c.Str(0);
                return Variant();
            });
            PublishAppServer(&server->FProviders);
        }
    };
    // On the server thread.
    void ReadDatabase() {
        QMutexLocker lock(&FMutex);
        if (FHeld->Active())
            FHeld->EmptyDataSet();
        else
            FHeld->CreateDataSet();
        for (auto it = FDatabase.cbegin(); it != FDatabase.cend(); ++it) {
            FHeld->Append();
            FHeld->FieldByName(QStringLiteral("Main_Code"))->SetAsString(QStringLiteral("NSEX"));
            FHeld->FieldByName(QStringLiteral("Code"))->SetAsString(it.key());
            FHeld->FieldByName(QStringLiteral("Descript"))->SetAsString(it.value());
            FHeld->Post();
        }
        FHeld->MergeChangeLog();
    }

    mutable QMutex FMutex;
    QMap<QString, QString> FDatabase{{QStringLiteral("1"), QStringLiteral("男")},
                                     {QStringLiteral("2"), QStringLiteral("女")}};
    int FFetches = 0;
    QStringList FRefreshed;
    TClientDataSet *FHeld = nullptr; // the server thread's
    TLocalAppServer FProviders;
    std::unique_ptr<TServerThread> FThread;
};

QString Descript(TDataSet &ds, const QString &code) {
    return ds.Lookup(QStringLiteral("Code"), Variant(code), QStringLiteral("Descript")).ToString();
}

} // namespace

class TstSystemTable : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    void PointAtServer(TSystemTable *table) {
        table->Broker()->Servers().clear();
        table->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
    }

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        PointAtServer(CodeTableSystemTable());
        PointAtServer(DelphiVCLSystemTable());
    }
    void cleanupTestCase() { FServer.reset(); }

    void clonesShareOneFetch() {
        TSystemTable table(nullptr, QStringLiteral("SystemObj.CodeTableINTF"),
                           QStringLiteral("xspCodeTable"));
        PointAtServer(&table);
        QCOMPARE(table.Broker()->ServerName(), QStringLiteral("SystemObj"));
        QCOMPARE(table.DataSet()->PacketRecords(), -1);
        TCountingServer counter(table.Connection()->GetServer());
        table.DataSet()->SetAppServer(&counter);
        TTestCodeTable sex(&table), units(&table);
        sex.SetFilter(QStringLiteral("Main_Code='NSEX'"));
        sex.SetFiltered(true);
        sex.Open();
        QVERIFY(table.Active());
        QVERIFY(!table.Connection()->Connected());
        units.Open();
        QCOMPARE(counter.GetRecords, 1);
        // The second clone opened from memory: both share the table's records.
        QCOMPARE(units.Store(), table.DataSet()->Store());
        QCOMPARE(sex.Store(), units.Store());
        QCOMPARE(Codes(sex), (QStringList{"1", "2"}));
        QVERIFY(units.RecordCount() > 20);
        // Switching an active table on fetches nothing.
        const auto store = table.DataSet()->Store();
        table.SetActive(true);
        QCOMPARE(table.DataSet()->Store(), store);

        // A fresh read keeps the clone's own filter; other clones keep what they held.
        FServer->Query("UPDATE CodeTable SET Descript='男性' WHERE Main_Code='NSEX' AND Code='1'");
        sex.SystemTableRefresh();
        QCOMPARE(counter.GetRecords, 2);
        QVERIFY(sex.Filtered());
        QCOMPARE(Codes(sex), (QStringList{"1", "2"}));
        QCOMPARE(
            sex.Lookup(QStringLiteral("Code"), Variant("1"), QStringLiteral("Descript")).ToString(),
            QStringLiteral("男性"));
        QVERIFY(units.Store() != sex.Store());
        QVERIFY(!table.Connection()->Connected());
        FServer->Query("UPDATE CodeTable SET Descript='男' WHERE Main_Code='NSEX' AND Code='1'");
    }

    void changesThroughAClone() {
        TSystemTable table(nullptr, QStringLiteral("SystemObj.CodeTableINTF"),
                           QStringLiteral("xspCodeTable"));
        PointAtServer(&table);
        TTestCodeTable codes(&table);
        codes.SetFilter(QStringLiteral("Main_Code='NUNT'"));
        codes.SetFiltered(true);
        codes.Open();
        QVERIFY(codes.Locate(QStringLiteral("Code"), Variant("A70")));
        codes.Edit();
        codes.FieldByName(QStringLiteral("Descript"))->SetAsString(QStringLiteral("圖書室"));
        codes.Post();
        QCOMPARE(codes.ApplyUpdates(0), 0);
        QVERIFY(!table.Connection()->Connected());
        QCOMPARE(FServer->Query("SELECT Descript FROM CodeTable WHERE Code='A70'").toString(),
                 QStringLiteral("圖書室"));
        // A refused apply disconnects as well.
        codes.Edit();
        codes.FieldByName(QStringLiteral("Code"))->SetAsString(QStringLiteral("A60"));
        codes.Post();
        try {
            codes.ApplyUpdates(0);
        } catch (const Exception &) {
        }
        QVERIFY(!table.Connection()->Connected());
        codes.CancelUpdates();
    }

    void theServerReadsTheTableAnewWhenTheTableIsRefreshed() {
        TCachingCodeServer server;
        TSystemTable table(nullptr, QStringLiteral("SystemObj.CodeTableINTF"),
                           QStringLiteral("xspCodeTable"));
        table.Broker()->Servers().clear();
        table.Broker()->AddServer(QStringLiteral("127.0.0.1"), server.Port());
        TTestCodeTable sex(&table), other(&table);
        sex.Open();
        QCOMPARE(Descript(sex, "1"), QStringLiteral("男"));
        QCOMPARE(server.Fetches(), 1);
        // Fetched again without asking the server to read anew: what it holds.
        server.SetDescript(QStringLiteral("1"), QStringLiteral("男性"));
        sex.SystemTableRefresh();
        QCOMPARE(server.Fetches(), 2);
        QCOMPARE(Descript(sex, "1"), QStringLiteral("男"));
        QVERIFY(server.Refreshed().isEmpty());
        // Refresh: the server reads its provider's table anew, then the table is fetched.
        table.Refresh();
        QCOMPARE(server.Refreshed(), QStringList{QStringLiteral("xspCodeTable")});
        QCOMPARE(server.Fetches(), 3);
        QVERIFY(table.Active());
        QCOMPARE(Descript(*table.DataSet(), "1"), QStringLiteral("男性"));
        QVERIFY(!table.Connection()->Connected());
        // Open(True) is the same.
        server.SetDescript(QStringLiteral("2"), QStringLiteral("女性"));
        table.Open(true);
        QCOMPARE(server.Refreshed().size(), 2);
        QCOMPARE(Descript(*table.DataSet(), "2"), QStringLiteral("女性"));
        QVERIFY(!table.Connection()->Connected());
        // Open(False) fetches what the server holds, without asking it to read anew.
        server.SetDescript(QStringLiteral("2"), QStringLiteral("女生"));
        table.SetActive(false);
        table.Open(false);
        QCOMPARE(server.Fetches(), 5);
        QCOMPARE(server.Refreshed().size(), 2);
        QCOMPARE(Descript(*table.DataSet(), "2"), QStringLiteral("女性"));
        // RemoteRefresh through a clone: the table is read anew; the clone is not reopened
        // and shows what it held until it is.
        other.Open();
        QCOMPARE(server.Fetches(), 5); // from memory
        QCOMPARE(Descript(other, "2"), QStringLiteral("女性"));
        other.RemoteRefresh();
        QCOMPARE(server.Refreshed().size(), 3);
        QCOMPARE(Descript(*table.DataSet(), "2"), QStringLiteral("女生"));
        QVERIFY(other.Active());
        QCOMPARE(Descript(other, "2"), QStringLiteral("女性"));
        other.Close();
        other.Open();
        QCOMPARE(Descript(other, "2"), QStringLiteral("女生"));
        QVERIFY(!table.Connection()->Connected());
        // A refresh the server refuses raises; the connection is closed and every host is
        // tried again next time.
        table.DataSet()->SetProviderName(QStringLiteral("xspNothing"));
        QVERIFY_THROWS_EXCEPTION(Exception, table.Refresh());
        QVERIFY(!table.Connection()->Connected());
        QVERIFY(!table.Broker()->Servers()[0].HasFailed);
        table.DataSet()->SetProviderName(QStringLiteral("xspCodeTable"));
        table.Refresh();
        QVERIFY(table.Active());
        // The real server takes the same request.
        TSystemTable codes(nullptr, QStringLiteral("SystemObj.CodeTableINTF"),
                           QStringLiteral("xspCodeTable"));
        PointAtServer(&codes);
        codes.Refresh();
        QVERIFY(codes.DataSet()->RecordCount() > 20);
    }

    void aServerThatCannotBeReachedLeavesTheCloneClosed() {
        TSystemTable table(nullptr, QStringLiteral("NoDot"), QStringLiteral("xspCodeTable"));
        table.Broker()->Servers().clear();
        table.Broker()->AddServer(QStringLiteral("127.0.0.1"), 1); // nothing listens there
        TTestCodeTable codes(&table);
        QVERIFY_THROWS_EXCEPTION(Exception, codes.Open());
        QVERIFY(!codes.Active());
        QVERIFY(!table.Connection()->Connected());
        QVERIFY(!table.Broker()->Servers()[0].HasFailed);
        // The opening guard was cleared: once the server is known, the clone opens.
        PointAtServer(&table);
        table.Connection()->SetServerName(QStringLiteral("SystemObj.CodeTableINTF"));
        codes.Open();
        QVERIFY(codes.Active());
    }

    void aTableBrokerIsNamedByTheLogicalServer() {
        TSystemTable codes(nullptr, QStringLiteral("SystemObj.CodeTableINTF"),
                           QStringLiteral("xspCodeTable"));
        QCOMPARE(codes.Broker()->ServerName(), QStringLiteral("SystemObj"));
        TSystemTable plain(nullptr, QStringLiteral("PlainINTF"), QStringLiteral("xspCodeTable"));
        QCOMPARE(plain.Broker()->ServerName(), QString());
    }

    void theCodeTableDatasetHasItsLabels() {
        TCodeTableCDS semester;
        semester.SetFilter(QStringLiteral("Main_Code='Semester'"));
        semester.SetFiltered(true);
        semester.Open();
        QCOMPARE(semester.RecordCount(), 2);
        QCOMPARE(semester.FieldByName(QStringLiteral("Main_Code"))->DisplayLabel(),
                 QStringLiteral("類別"));
        QCOMPARE(semester.FieldByName(QStringLiteral("ADate"))->DisplayLabel(),
                 QStringLiteral("日期值"));
        QCOMPARE(semester.Lookup(QStringLiteral("Code"), Variant("2"), QStringLiteral("Descript"))
                     .ToString(),
                 QStringLiteral("下學期"));
        TDelphiVCLCDS stored;
        stored.Open();
        QVERIFY(stored.Locate(QStringLiteral("VCLName"), Variant("EPT")));
        QCOMPARE(stored.FieldByName(QStringLiteral("Description"))->AsString(),
                 QStringLiteral("職務類別"));
    }

    void treeText() {
        QTreeWidget view;
        QStringList settings;
        TreeTextToView(QStringLiteral("#Tag=1\r\nA,甲\n\t1,子\n\t\t\tx,深\n\n\t2,乙\nB\n"), &view,
                       &settings);
        QCOMPARE(settings, QStringList{QStringLiteral("#Tag=1")});
        QCOMPARE(view.topLevelItemCount(), 2);
        QTreeWidgetItem *a = view.topLevelItem(0);
        QCOMPARE(a->childCount(), 2);
        // A line more than one level deeper hangs under the deepest open node.
        QCOMPARE(a->child(0)->child(0)->text(0), QStringLiteral("x,深"));
        QCOMPARE(TreeViewToText(&view, settings),
                 QStringLiteral("#Tag=1\nA,甲\n\t1,子\n\t\tx,深\n\t2,乙\nB\n"));
    }

    void aStoredTreeLoadsAndIsWrittenBack() {
        QTreeWidget view;
        TDBDelphiVCL vcl;
        vcl.Server()->SetObjectBroker(nullptr);
        vcl.Server()->SetAddress(QStringLiteral("127.0.0.1"));
        vcl.Server()->SetPort(FServer->Port());
        vcl.SetVCLComponent(&view);
        vcl.SetVCLName(QStringLiteral("EPT"));
        QVERIFY(vcl.GetExisted());
        QStringList events;
        vcl.OnAfterLoaded = [&](QObject *) { events << "loaded"; };
        vcl.OnAfterUpdateVCL = [&](QObject *) { events << "updated"; };
        vcl.SetLoadActive(true);
        QCOMPARE(view.topLevelItemCount(), 3);
        QCOMPARE(view.topLevelItem(0)->text(0), QStringLiteral("1,教師"));
        QCOMPARE(view.topLevelItem(0)->child(1)->text(0), QStringLiteral("2,代理教師"));
        new QTreeWidgetItem(view.topLevelItem(2), {QStringLiteral("1,技工")});
        vcl.UpdateVCL();
        QCOMPARE(events, (QStringList{"loaded", "updated"}));
        // Big5 on the server, settings kept.
        const QByteArray stored =
            FServer->Query("SELECT AData FROM StoredVCL WHERE VCLName='EPT'").toByteArray();
        QVERIFY(stored.startsWith("#Tag=1\n"));
        QVERIFY(stored.contains(Big5Encode(QStringLiteral("\t1,技工\n"))));
        vcl.SetLoadActive(false);
        QCOMPARE(view.topLevelItemCount(), 0);
        vcl.SetVCLName(QStringLiteral("NoSuchTree"));
        QVERIFY(!vcl.GetExisted());
        QVERIFY_THROWS_EXCEPTION(Exception, vcl.SetLoadActive(true));
        // A stored document of another class exists all the same.
        FServer->Query("INSERT INTO StoredVCL (VCLName, Main_Code, AClassName, Description) "
                       "VALUES ('SemesterGrid', 'GRID', 'TStringGrid', '學期格')");
        vcl.SetVCLName(QStringLiteral("semestergrid"));
        QVERIFY(vcl.GetExisted());
        QVERIFY(!vcl.Server()->Connected());
    }
    void aStoredDefinitionsCategoryIsTheOneTheListGives() {
        // The category of a stored definition (Main_Code, "總表類別") travels in the document
        // list; writing a document keeps what the list gave and invents none.
        const auto row = [this](const QString &name) {
            return FServer
                ->Query(QStringLiteral("SELECT VCLName || '|' || COALESCE(Main_Code, '-') || '|' "
                                       "|| Description FROM StoredVCL WHERE UPPER(VCLName) = "
                                       "UPPER('%1')")
                            .arg(name))
                .toString();
        };
        QTreeWidget view;
        new QTreeWidgetItem(&view, {QStringLiteral("1,一")});
        TDBDelphiVCL vcl;
        vcl.Server()->SetObjectBroker(nullptr);
        vcl.Server()->SetAddress(QStringLiteral("127.0.0.1"));
        vcl.Server()->SetPort(FServer->Port());
        vcl.SetVCLComponent(&view);
        // A new tree written without a category has none.
        vcl.SetVCLName(QStringLiteral("SexTree"));
        vcl.Description = QStringLiteral("性別樹");
        vcl.UpdateVCL();
        QCOMPARE(row("SexTree"), QStringLiteral("SexTree|-|性別樹"));
        // The list gives it one; writing the tree again, under its name in other letters,
        // keeps the category and the name as first stored.
        TDelphiVCLCDS list;
        list.Close();
        list.SystemTableRefresh();
        QVERIFY(list.Locate(QStringLiteral("VCLName"), Variant("SexTree")));
        list.Edit();
        list.FieldByName(QStringLiteral("Main_Code"))->SetAsString(QStringLiteral("NSEX"));
        list.Post();
        QCOMPARE(list.ApplyUpdates(0), 0);
        vcl.SetVCLName(QStringLiteral("SEXTREE"));
        vcl.Description = QStringLiteral("性別");
        vcl.UpdateVCL();
        QCOMPARE(row("SexTree"), QStringLiteral("SexTree|NSEX|性別"));
        // A definition the list made first keeps the category it was given there.
        list.Append();
        list.FieldByName(QStringLiteral("Main_Code"))->SetAsString(QStringLiteral("NUNT"));
        list.FieldByName(QStringLiteral("VCLName"))->SetAsString(QStringLiteral("UnitTree2"));
        list.FieldByName(QStringLiteral("AClassName"))->SetAsString(QStringLiteral("TTreeView"));
        list.FieldByName(QStringLiteral("Description"))->SetAsString(QStringLiteral("單位"));
        list.Post();
        QCOMPARE(list.ApplyUpdates(0), 0);
        vcl.SetVCLName(QStringLiteral("UnitTree2"));
        vcl.Description = QStringLiteral("單位樹");
        vcl.UpdateVCL();
        QCOMPARE(row("UnitTree2"), QStringLiteral("UnitTree2|NUNT|單位樹"));
        vcl.SetLoadActive(true);
        QCOMPARE(view.topLevelItem(0)->text(0), QStringLiteral("1,一"));
        // Rows stored before keep their category when they are written back.
        vcl.SetVCLName(QStringLiteral("ACNotes"));
        vcl.SetLoadActive(true);
        vcl.UpdateVCL();
        QCOMPARE(row("ACNotes"), QStringLiteral("ACNotes|TREE|會計摘要"));
        QVERIFY(!vcl.Server()->Connected());
    }
};

LUM_TEST_MAIN(TstSystemTable)
#include "tst_systemtable.moc"
