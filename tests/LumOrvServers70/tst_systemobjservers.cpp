// The system-object front ends against a real server: conversions, cleared outputs, the
// server's own sender, one connection for a held sequence, and failure marks that stay.

#include "AppServerFixture.h"
#include "SystemObjServers.h"
#include "TestMain.h"
#include "uObjServers.h"

#include <QSignalSpy>
#include <QTcpServer>

namespace {

int DeadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TstSystemObjServers : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    TSimpleObjectBroker FBroker;

    template <class T> std::unique_ptr<T> FrontEnd(TSimpleObjectBroker *broker = nullptr) {
        auto f = std::make_unique<T>();
        f->SetObjectBroker(broker ? broker : &FBroker);
        return f;
    }

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        FBroker.AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
    }
    void cleanupTestCase() { FServer.reset(); }

    void codeServer() {
        auto code = FrontEnd<TCodeServer>();
        QCOMPARE(code->ServerName(), QStringLiteral("SystemObj.CodeTableINTF"));
        QString prefix = QStringLiteral("stale"), format;
        int value = -1;
        OleCheck(code->GetKeyValue(QStringLiteral("StudentNo"), 1, prefix, value));
        QVERIFY(value > 0);
        QCOMPARE(prefix, QStringLiteral("S"));
        int next = 0;
        OleCheck(code->GetKeyValueEX(QStringLiteral("Notice"), QStringLiteral("115"), prefix,
                                     format, next));
        QVERIFY(next >= 1);
        QVERIFY(qAbs(code->GetSystemDateTime() - Now()) < 1.0 / 24 / 60);

        QString message;
        bool sent = false;
        OleCheck(code->SendMailBySys(QStringLiteral("t001@demo-school.example"),
                                     QStringLiteral("通知"), QStringLiteral("內容"), message,
                                     sent));
        QVERIFY(sent);
        // No sender given: the server's own address.
        QCOMPARE(FServer->Query("SELECT FromAddr FROM MailOutbox ORDER BY rowid DESC").toString(),
                 QStringLiteral("noreply@demo-school.example"));
        OleCheck(code->SendMailTo(QStringLiteral("not an address"), QStringLiteral("s"),
                                  QStringLiteral("b"), QString(), message, sent));
        QVERIFY(!sent);
        QVERIFY(message.contains(QStringLiteral("not an address")));

        QString units;
        OleCheck(code->GetUnitChilds(QStringLiteral("A00"), true, true, units));
        QVERIFY(units.contains(QStringLiteral("A21")));
        OleCheck(code->SetEventLog(QStringLiteral("LumTest.bpl"), QStringLiteral("APP"),
                                   QStringLiteral("T001"), QStringLiteral("開啟"), Now()));
    }

    void storedDefinitionsAndLocations() {
        auto vcl = FrontEnd<TVCLServer>();
        QString names;
        OleCheck(vcl->ReadVCLNamesByDescription(QStringLiteral("TTreeView"), names));
        for (const char *tree : {"UnitTreeView=", "EPT=", "ACNotes=", "TesTreeCode="})
            QVERIFY2(names.contains(QLatin1String(tree)), tree);
        OleCheck(vcl->UpdateVCL(QStringLiteral("Tmp"), QStringLiteral("TTreeView"),
                                QStringLiteral("暫存"), Variant(QByteArray("root\n\tleaf"))));
        QString className = QStringLiteral("x"), description;
        Variant data;
        OleCheck(vcl->LoadVCL(QStringLiteral("Tmp"), className, description, data));
        QCOMPARE(className, QStringLiteral("TTreeView"));
        QCOMPARE(data.ToBytes(), QByteArray("root\n\tleaf"));
        bool deleted = false;
        OleCheck(vcl->DeleteVCL(QStringLiteral("Tmp"), deleted));
        QVERIFY(deleted);
        // An unknown definition: the outputs stay cleared.
        className = QStringLiteral("stale");
        vcl->LoadVCL(QStringLiteral("Tmp"), className, description, data);
        QCOMPARE(className, QString());

        auto locations = FrontEnd<TObjBrokerServer>();
        OleCheck(
            locations->RegistryServer(QStringLiteral("Reports"), QStringLiteral("10.0.0.3"), 2500));
        OleCheck(locations->GetServerNames(names));
        QVERIFY(names.contains(QStringLiteral("Reports")));
        OleCheck(locations->ReadServerData(QStringLiteral("Reports"), data));
        TSimpleObjectBroker loaded;
        loaded.LoadServerData(data);
        QCOMPARE(loaded.Servers().size(), 1);
        QCOMPARE(loaded.Servers()[0].Port, 2500);
        OleCheck(
            locations->UnRegistryServer(QStringLiteral("Reports"), QStringLiteral("10.0.0.3")));
        QCOMPARE(locations->RegistryServer(QStringLiteral("Reports"), QString(), 1), E_FAIL);
    }

    void heldConnectionAndFailureMarks() {
        auto code = FrontEnd<TCodeServer>();
        QSignalSpy connects(code.get(), &TSocketConnection::AfterConnect);
        code->SetAutoDisconnect(false);
        QString prefix;
        int value = 0;
        for (int i = 0; i < 3; ++i)
            OleCheck(code->GetKeyValue(QStringLiteral("StudentNo"), 1, prefix, value));
        QCOMPARE(connects.count(), 1);
        code->Close();

        TRADObjectBroker broker(nullptr, QStringLiteral("SystemObj"));
        broker.SetLoadBalanced(false);
        broker.AddServer(QStringLiteral("127.0.0.1"), DeadPort());
        broker.AddServer(QStringLiteral("localhost"), FServer->Port());
        auto marked = FrontEnd<TCodeServer>(&broker);
        OleCheck(marked->GetKeyValue(QStringLiteral("StudentNo"), 1, prefix, value));
        QVERIFY(broker.Servers()[0].HasFailed); // stays marked after the disconnect

        TSimpleObjectBroker nowhere;
        nowhere.AddServer(QStringLiteral("127.0.0.1"), DeadPort());
        auto lost = FrontEnd<TCodeServer>(&nowhere);
        prefix = QStringLiteral("stale");
        value = 7;
        QCOMPARE(lost->GetKeyValue(QStringLiteral("StudentNo"), 1, prefix, value), E_FAIL);
        QCOMPARE(prefix, QString());
        QCOMPARE(value, 0);
        nowhere.ClearFailed();
        QVERIFY_THROWS_EXCEPTION(Exception, lost->GetSystemDateTime());
    }
};

LUM_TEST_MAIN(TstSystemObjServers)
#include "tst_systemobjservers.moc"
