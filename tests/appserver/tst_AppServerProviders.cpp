// Client datasets bound to the providers of a real server: the demo school's tables as packets,
// parameters, changes applied in one transaction with conflicts sent back, refreshing, and the
// guard on command texts that clients send.

#include "AppServerFixture.h"
#include "ClientDataSet.h"

#include <QSet>
#include <QTest>

namespace {
const QString kCode = QStringLiteral("SystemObj.CodeTableINTF");
} // namespace

class TstAppServerProviders : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    // A client dataset on a provider of the object behind `connection`.
    static std::unique_ptr<TClientDataSet> Open(TSocketConnection &connection,
                                                const QString &provider,
                                                const QString &commandText = QString()) {
        auto ds = std::make_unique<TClientDataSet>();
        ds->SetAppServer(connection.GetServer());
        ds->SetProviderName(provider);
        ds->SetCommandText(commandText);
        ds->Open();
        return ds;
    }

    QString Descript(const QString &main, const QString &code) const {
        return FServer
            ->Query(QStringLiteral("SELECT Descript FROM CodeTable WHERE Main_Code = '%1' AND "
                                   "Code = '%2'")
                        .arg(main, code))
            .toString();
    }

private Q_SLOTS:
    void initTestCase() { SKIP_WITHOUT_TEST_DATABASE(); }
    void init() { FServer = std::make_unique<TAppServerFixture>(); }
    void cleanup() { FServer.reset(); }

    void demoTablesArriveAsPackets() {
        auto code = FServer->Connect(kCode);
        auto table = Open(*code, "xspCodeTable");
        QCOMPARE(table->RecordCount(), FServer->Query("SELECT COUNT(*) FROM CodeTable").toInt());
        QCOMPARE(table->FieldByName("ADate")->DataType(), ftDateTime);
        QCOMPARE(table->FieldByName("AValue")->DataType(), ftInteger);
        QVERIFY(table->FieldByName("Code")->ProviderFlags() & pfInKey);
        QVERIFY(!(table->FieldByName("Descript")->ProviderFlags() & pfInKey));
        QVERIFY(table->Locate("Main_Code;Code",
                              Variant::ArrayOf({Variant("NSYS"), Variant("NowYSem")})));
        QCOMPARE(table->FieldByName("Descript")->AsString(), "1131");
        QVERIFY(table->Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("2")})));
        QCOMPARE(table->FieldByName("Descript")->AsString(), QStringLiteral("女"));
        // Every category that the forms filter on is there, described in Chinese.
        const char *categories[] = {
            "Semester",  "YSemester",  "NSYS",     "AF_REPU",      "AF_OriType", "cs_GroupType",
            "cs_CHOOSE", "st_Enter",   "st_CLASS", "st_ClassName", "st_State",   "st_Diploma",
            "st_Inside", "st_ENmType", "st_Study", "st_VACID",     "NUNT",       "NBLD",
            "NPOL",      "NREL",       "NEPT",     "NREI",         "MIC",        "MIK",
            "MIR",       "MID",        "NSEX",     "NAT",          "EDL",        "NSAL",
            "NCHA",      "NJOB",       "NJST",     "NWRK",         "MAG",        "CHA",
            "NDEF",      "PayType",    "ArAcType", "AcPostST",     "AcDCType"};
        for (const char *category : categories) {
            table->SetFilter(QStringLiteral("Main_Code='%1'").arg(QLatin1String(category)));
            table->SetFiltered(true);
            QVERIFY2(table->RecordCount() > 0, category);
            bool chinese = false;
            for (table->First(); !table->Eof(); table->Next())
                for (QChar ch : table->FieldByName("Descript")->AsString())
                    chinese = chinese || ch.script() == QChar::Script_Han;
            QVERIFY2(chinese, category);
        }
        table->SetFiltered(false);

        auto location = FServer->Connect("SystemObj.ObjServersINTF");
        auto hosts = Open(*location, "xspServerLocation");
        QStringList servers;
        for (hosts->First(); !hosts->Eof(); hosts->Next()) {
            servers << hosts->FieldByName("ServerName")->AsString();
            QCOMPARE(hosts->FieldByName("Port")->AsInteger(), 2001);
        }
        QCOMPARE(servers, QStringList({"DefaultServer", "SrvJobSecurity", "SystemObj"}));

        auto vcl = FServer->Connect("SystemObj.DelphiVCLINTF");
        auto trees = Open(*vcl, "xspDelphiVCL");
        QVERIFY(trees->Locate("VCLName", Variant("UnitTreeView")));
        QCOMPARE(trees->FieldByName("AClassName")->AsString(), "TTreeView");
        QVERIFY(!trees->FindField("AData")); // the documents come through LoadVCL

        auto version = FServer->Connect("SrvJobSecurity.VersionCtrlNTF");
        for (const char *name : {"xspClientApps", "xspSystemFiles", "xspDataFiles"}) {
            auto list = Open(*version, name);
            QVERIFY(list->FindField("Version"));
            QVERIFY(!list->FindField("FileData"));
        }
    }

    void profileByParameter() {
        auto security = FServer->Connect("SrvJobSecurity.SecurityINTF");
        auto profile = std::make_unique<TClientDataSet>();
        profile->SetAppServer(security->GetServer());
        profile->SetProviderName("dspUserProfile");
        profile->FetchParams();
        QCOMPARE(profile->Params().Count(), 1);
        profile->Params().ParamByName("ID").SetAsString("T001");
        profile->Open();
        QCOMPARE(profile->RecordCount(), 1);
        for (const char *field : {"MainForm", "EMail", "AIDType", "OwnerOrg", "OwnerUnit"})
            QVERIFY2(!profile->FieldByName(field)->AsString().isEmpty(), field);
        QCOMPARE(profile->FieldByName("EMail")->AsString(), "t001@demo-school.example");
        profile->Close();
        profile->Params().ParamByName("ID").SetAsString("ADMIN");
        profile->Open();
        QCOMPARE(profile->FieldByName("ID")->AsString(), "ADMIN");
        // A request without the parameter does not inherit the one before it.
        profile->Close();
        profile->Params().Clear();
        profile->Open();
        QCOMPARE(profile->RecordCount(), 0);
    }

    void changesApplyAsOneBatch() {
        auto code = FServer->Connect(kCode);
        auto table = Open(*code, "xspCodeTable");
        QVERIFY(table->Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("1")})));
        table->Edit();
        table->FieldByName("Descript")->SetAsString("男生");
        table->Post();
        table->Append();
        table->FieldByName("Main_Code")->SetAsString("NSEX");
        table->FieldByName("Code")->SetAsString("9");
        table->FieldByName("Descript")->SetAsString("其他");
        table->FieldByName("ADate")->SetValue(Variant(TDateTime::EncodeDate(2024, 9, 1)));
        table->Post();
        QVERIFY(table->Locate("Main_Code;Code",
                              Variant::ArrayOf({Variant("st_VACID"), Variant("05")})));
        table->Delete();
        QCOMPARE(table->ApplyUpdates(0), 0);
        QCOMPARE(table->ChangeCount(), 0);
        QCOMPARE(Descript("NSEX", "1"), QStringLiteral("男生"));
        QCOMPARE(Descript("NSEX", "9"), QStringLiteral("其他"));
        QVERIFY(!FServer->Query("SELECT 1 FROM CodeTable WHERE Main_Code='st_VACID' AND Code='05'")
                     .isValid());
        // The date comes back as the date it was.
        auto again = Open(*code, "xspCodeTable");
        QVERIFY(again->Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("9")})));
        QCOMPARE(again->FieldByName("ADate")->AsDateTime(), TDateTime::EncodeDate(2024, 9, 1));

        // Someone else changes a row meanwhile: with no error allowed, nothing of the batch is
        // written, and the refused row comes back with the server's values.
        QVERIFY(table->Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("2")})));
        table->Edit();
        table->FieldByName("Descript")->SetAsString("女生");
        table->Post();
        QVERIFY(table->Locate("Main_Code;Code", Variant::ArrayOf({Variant("NSEX"), Variant("1")})));
        table->Edit();
        table->FieldByName("Descript")->SetAsString("男同學");
        table->Post();
        FServer->Query(
            "UPDATE CodeTable SET Descript = '男性' WHERE Main_Code='NSEX' AND Code='1'");
        QString seen;
        table->OnReconcileError = [&](TClientDataSet *ds, const EReconcileError &, TUpdateKind,
                                      TReconcileAction &action) {
            seen = ds->FieldByName("Descript")->CurValue().ToString();
            action = raSkip;
        };
        QCOMPARE(table->ApplyUpdates(0), 1);
        QCOMPARE(seen, QStringLiteral("男性"));
        QCOMPARE(Descript("NSEX", "2"), QStringLiteral("女")); // rolled back with the batch
        QCOMPARE(Descript("NSEX", "1"), QStringLiteral("男性"));
        QCOMPARE(table->ChangeCount(), 2);
    }

    void packetsContinueTheRead() {
        auto code = FServer->Connect(kCode);
        const int total = FServer->Query("SELECT COUNT(*) FROM CodeTable").toInt();
        TClientDataSet table;
        table.SetAppServer(code->GetServer());
        table.SetProviderName("xspCodeTable");
        table.SetPacketRecords(25);
        table.Open();
        QCOMPARE(table.RecordCount(), 25);
        QVERIFY(!table.FetchedAll());
        while (table.GetNextPacket() > 0) {
        }
        QCOMPARE(table.RecordCount(), total);
        QSet<QString> keys;
        for (table.First(); !table.Eof(); table.Next())
            keys.insert(table.FieldByName("Main_Code")->AsString() + '.' +
                        table.FieldByName("Code")->AsString());
        QCOMPARE(int(keys.size()), total);

        // The same with a command text and with a parameter, which travel with every packet.
        TClientDataSet units;
        units.SetAppServer(code->GetServer());
        units.SetProviderName("xspCodeTable");
        units.SetCommandText("SELECT Main_Code, Code FROM CodeTable WHERE Main_Code = :M");
        units.Params().CreateParam(ftString, "M").SetAsString("NUNT");
        units.SetPacketRecords(3);
        units.Open();
        while (units.GetNextPacket() > 0) {
        }
        QCOMPARE(units.RecordCount(),
                 FServer->Query("SELECT COUNT(*) FROM CodeTable WHERE Main_Code = 'NUNT'").toInt());
        QVERIFY(units.RecordCount() > 3);
        units.Close();
        units.Params().ParamByName("M").SetAsString("NSEX");
        units.Open();
        QCOMPARE(units.RecordCount(), 2);
    }

    void refreshRereadsTheTable() {
        auto code = FServer->Connect(kCode);
        IAppServer *server = code->GetServer();
        int recsOut = 0;
        Variant params, owner;
        server->AS_GetRecords("xspCodeTable", 5, recsOut, grMetaData, QString(), params, owner);
        QCOMPARE(recsOut, 5);
        FServer->Query("DELETE FROM CodeTable");
        // The read that was started carries on where it was...
        QVERIFY(server->AS_GetRecords("xspCodeTable", 5, recsOut, 0, QString(), params, owner)
                    .ToBytes()
                    .size() > 0);
        QCOMPARE(recsOut, 5);
        // ...until the server is told to reload the provider's data.
        code->AppServer().Call(19999990, {Variant("xspCodeTable")});
        server->AS_GetRecords("xspCodeTable", 5, recsOut, 0, QString(), params, owner);
        QCOMPARE(recsOut, -1);
        QCOMPARE(code->AppServer()
                     .Call(QStringLiteral("RefreshDataSet"), {Variant("XSPCODETABLE")})
                     .IsEmpty(),
                 true);
    }

    void commandTextsOnlyRead() {
        auto code = FServer->Connect(kCode);
        auto nsex =
            Open(*code, "xspCodeTable",
                 "SELECT Main_Code, Code, Descript FROM CodeTable WHERE Main_Code = 'NSEX'");
        QCOMPARE(nsex->RecordCount(), 2);
        // Password hashes cannot be read, even by a statement that names them.
        auto users = Open(*code, "xspCodeTable", "SELECT ID, PasswordHash FROM Users");
        QCOMPARE(users->RecordCount(), FServer->Query("SELECT COUNT(*) FROM Users").toInt());
        for (users->First(); !users->Eof(); users->Next())
            QVERIFY(users->FieldByName("PasswordHash")->IsNull());

        const int before = FServer->Query("SELECT COUNT(*) FROM CodeTable").toInt();
        for (const char *sql : {"DELETE FROM CodeTable", "SELECT 1; DELETE FROM CodeTable",
                                "UPDATE Users SET PasswordHash = ''", "DROP TABLE CodeTable"}) {
            TClientDataSet ds;
            ds.SetAppServer(code->GetServer());
            ds.SetProviderName("xspCodeTable");
            ds.SetCommandText(QString::fromUtf8(sql));
            QVERIFY_THROWS_EXCEPTION(EServerError, ds.Open());
            std::vector<Variant> args{Variant("xspCodeTable"), Variant(QString::fromUtf8(sql)),
                                      Variant(), Variant()};
            QVERIFY_THROWS_EXCEPTION(EServerError, code->AppServer().Invoke(20000006, args));
        }
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM CodeTable").toInt(), before);

        // After a command text the provider reads its own statement again, and changes go to
        // the provider's table whatever the statement read from.
        auto table = Open(*code, "xspCodeTable");
        QCOMPARE(table->RecordCount(), before);
        auto sneaky = Open(*code, "xspCodeTable",
                           "SELECT ID AS Main_Code, ID AS Code, Cht_Name AS Descript FROM Users");
        QVERIFY(sneaky->Locate("Code", Variant("T001")));
        sneaky->Edit();
        sneaky->FieldByName("Descript")->SetAsString("改名");
        sneaky->Post();
        sneaky->ApplyUpdates(-1);
        QCOMPARE(FServer->Query("SELECT Cht_Name FROM Users WHERE ID = 'T001'").toString(),
                 QStringLiteral("林雅婷"));
    }

    void badRequestsAreErrors() {
        auto code = FServer->Connect(kCode);
        IAppServer *server = code->GetServer();
        int errors = 0;
        Variant owner;
        QVERIFY_THROWS_EXCEPTION(
            EServerError, server->AS_ApplyUpdates("xspNothing", Variant(), 0, errors, owner));
        QVERIFY_THROWS_EXCEPTION(
            EServerError, server->AS_ApplyUpdates("xspCodeTable", Variant("x"), 0, errors, owner));
        QVERIFY_THROWS_EXCEPTION(
            EServerError,
            server->AS_ApplyUpdates("xspCodeTable", Variant(QByteArray("junk")), 0, errors, owner));
        int recsOut = 0;
        Variant params = Variant::ArrayOf({Variant("not a parameter record")});
        QVERIFY_THROWS_EXCEPTION(EServerError,
                                 server->AS_GetRecords("xspCodeTable", -1, recsOut, grMetaData,
                                                       QString(), params, owner));
        // The object still answers.
        params = Variant();
        server->AS_GetRecords("xspCodeTable", 1, recsOut, grMetaData, QString(), params, owner);
        QCOMPARE(recsOut, 1);
    }
};

QTEST_GUILESS_MAIN(TstAppServerProviders)
#include "tst_AppServerProviders.moc"
