// Object brokers and the server-location table against a real server on loopback.

#include "AppServerFixture.h"
#include "Exceptions.h"
#include "RadSystemApi.h"
#include "Registry.h"
#include "StringList.h"
#include "TestMain.h"
#include "uLumPublic.h"
#include "uObjServers.h"

#include <QSignalSpy>
#include <QTcpServer>

namespace {

QStringList Hosts(const TSimpleObjectBroker &broker) {
    QStringList out;
    for (const TServerItem &item : broker.Servers())
        out << QStringLiteral("%1:%2").arg(item.ComputerName).arg(item.Port);
    return out;
}

// A loopback port that nothing listens on.
int DeadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TstObjServers : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QString Self() const { return QStringLiteral("127.0.0.1:%1").arg(FServer->Port()); }

private Q_SLOTS:
    void initTestCase() {
        QFile::remove(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
        FServer = std::make_unique<TAppServerFixture>();
        // The bootstrap broker reaches this server only.
        OrvServerDataSet->LocalBroker()->Servers().clear();
        OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"),
                                                         FServer->Port());
    }
    void cleanupTestCase() { FServer.reset(); }
    void init() {
        if (OrvServerDataSet->Active())
            OrvServerDataSet->Close();
    }

    void locationTableIsHeldOnlyWhileOpening() {
        OrvServerDataSet->Open();
        QVERIFY(OrvServerDataSet->RecordCount() >= 3);
        QVERIFY(!OrvServerDataSet->GetConnection()->Connected());
        QVERIFY(!OrvServerDataSet->LocalBroker()->Servers()[0].HasFailed);
        // Case-insensitive filtering of the shared table.
        OrvServerDataSet->SetFilter(QStringLiteral("ServerName='systemobj'"));
        OrvServerDataSet->SetFiltered(true);
        QCOMPARE(OrvServerDataSet->RecordCount(), 1);
    }

    void hostsComeFromTheTableWithFallbackAndNoDuplicates() {
        RemoteRegistryServer(QStringLiteral("SrvJobSecurity"), QStringLiteral("127.0.0.1"),
                             FServer->Port());
        RemoteRegistryServer(QStringLiteral("SrvJobSecurity"), QStringLiteral("LOCALHOST"), 2301);
        // A second row for the same computer in another letter case gives no second host.
        FServer->Query("INSERT INTO ServerLocation (ServerName, ComputerName, Port) VALUES "
                       "('SrvJobSecurity', 'localhost', 2302)");

        TRADObjectBroker broker;
        QVERIFY(broker.LoadBalanced());
        QCOMPARE(broker.ServerName(), QStringLiteral("DefaultServer"));
        QVERIFY(broker.Servers().isEmpty()); // read at the first connect, not before
        broker.SetServerName(QStringLiteral("SrvJobSecurity"));
        QCOMPARE(Hosts(broker), (QStringList{Self(), "LOCALHOST:2301"}));
        QVERIFY(!OrvServerDataSet->GetConnection()->Connected());

        broker.SetServerName(QStringLiteral("NoSuchServer")); // falls back on DefaultServer
        QCOMPARE(Hosts(broker), QStringList{"127.0.0.1:2001"});
        broker.SetServerName(QString()); // ignored
        QCOMPARE(broker.ServerName(), QStringLiteral("NoSuchServer"));

        // The same through the object-servers server's own host lists.
        TRADObjectBroker remote;
        remote.SetAccessRemote(true);
        remote.SetServerName(QStringLiteral("SrvJobSecurity"));
        QCOMPARE(remote.Servers().size(), 2);
        remote.SetServerName(QStringLiteral("NoSuchServer"));
        QCOMPARE(Hosts(remote), QStringList{"127.0.0.1:2001"});

        TStringList names;
        GetRemoteObjServerNames(&names);
        QCOMPARE(names.Text(), QStringLiteral("DefaultServer\nSrvJobSecurity\nSystemObj\n"));
        GetRemoteObjServerNames(nullptr); // nothing to fill: nothing happens

        // A server name without any row and no DefaultServer rows: no hosts.
        FServer->Query("DELETE FROM ServerLocation WHERE ServerName='DefaultServer'");
        OrvServerDataSet->Close();
        broker.SetServerName(QStringLiteral("Other"));
        QVERIFY(broker.Servers().isEmpty());
        RemoteRegistryServer(QStringLiteral("DefaultServer"), QStringLiteral("127.0.0.1"), 2001);
        FServer->Query("DELETE FROM ServerLocation WHERE ComputerName LIKE 'localhost'");
    }

    void registeringAndUnregisteringHosts() {
        TRADObjectBroker broker(nullptr, QStringLiteral("Reports"));
        broker.AddServer(QStringLiteral("10.0.0.7"), 2401);
        broker.RegisterServerData();
        QCOMPARE(
            FServer->Query("SELECT Port FROM ServerLocation WHERE ServerName='Reports'").toInt(),
            2401);
        broker.UnRegisterServerData();
        QVERIFY(!FServer->Query("SELECT Port FROM ServerLocation WHERE ServerName='Reports'")
                     .isValid());
        try {
            RemoteRegistryServer(QStringLiteral("Reports"), QString(), 1);
            QFAIL("no error");
        } catch (const EServerError &e) {
            QVERIFY(e.Message().contains(QStringLiteral("computer name")));
        }
        QVERIFY(!OrvServerDataSet->GetConnection()->Connected()); // also after an error
    }

    void failuresAreCountedForTheWholeBroker() {
        TRADObjectBroker broker(nullptr, QStringLiteral("X"));
        broker.AddServer(QStringLiteral("a"), 1);
        broker.AddServer(QStringLiteral("b"), 1);
        QSignalSpy reports(&broker, &TSimpleObjectBroker::ConnectStatus);
        for (int i = 0; i < 3; ++i)
            broker.SetConnectStatus(QStringLiteral("a"), false);
        QVERIFY(!broker.Servers()[0].HasFailed);
        QCOMPARE(reports.count(), 0);
        broker.SetConnectStatus(QStringLiteral("b"), false); // the fourth in a row, on any host
        QVERIFY(broker.Servers()[1].HasFailed);
        QCOMPARE(reports.count(), 1);
        broker.SetConnectStatus(QStringLiteral("a"), false);
        broker.SetConnectStatus(QStringLiteral("a"), true); // a success resets the count
        for (int i = 0; i < 3; ++i)
            broker.SetConnectStatus(QStringLiteral("a"), false);
        QVERIFY(!broker.Servers()[0].HasFailed);
        broker.ResetFailed();
        QVERIFY(!broker.Servers()[1].HasFailed);

        // Over the wire: a host that does not answer is tried four times, then given up.
        TRADObjectBroker dead(nullptr, QStringLiteral("X"));
        dead.AddServer(QStringLiteral("127.0.0.1"), DeadPort());
        TSocketConnection c;
        c.SetServerName(QStringLiteral("SystemObj.ObjServersINTF"));
        c.SetObjectBroker(&dead);
        QSignalSpy marks(&dead, &TSimpleObjectBroker::ConnectStatus);
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, c.Open());
        QCOMPARE(marks.count(), 1);
        QVERIFY(dead.Servers()[0].HasFailed);
    }

    void localBrokerTakesItsHostsFromTheRegistry() {
        {
            TLocalObjectBroker none;
            QVERIFY(none.Servers().isEmpty());
            TOrvServerDataSet table;
            QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, table.Open());
            QVERIFY(!table.Active());
        }
        SetServerIPAddress(QStringLiteral("DefaultServer"), QStringLiteral("10.1.1.1"));
        SetServerIPPort(QStringLiteral("DefaultServer"), 2100);
        SetServerIPAddress(QStringLiteral("BackupServer"), QStringLiteral("10.1.1.2"));
        TLocalObjectBroker both; // the backup takes the default's port when it has none
        QCOMPARE(Hosts(both), (QStringList{"10.1.1.1:2100", "10.1.1.2:2100"}));
        SetServerIPAddress(QStringLiteral("BackupServer"), QStringLiteral("10.1.1.1"));
        SetServerIPPort(QStringLiteral("BackupServer"), 2200);
        TLocalObjectBroker same; // one host; the default's port wins
        QCOMPARE(Hosts(same), QStringList{"10.1.1.1:2100"});
        same.InsertFirstItem(QStringLiteral("10.1.1.9"), 1);
        same.InsertFirstItem(QString(), 1);
        QCOMPARE(Hosts(same), (QStringList{"10.1.1.9:1", "10.1.1.1:2100"}));

        // The bootstrap tolerates two failures in a row.
        for (int i = 0; i < 2; ++i)
            same.SetConnectStatus(QStringLiteral("10.1.1.9"), false);
        QVERIFY(!same.Servers()[0].HasFailed);
        same.SetConnectStatus(QStringLiteral("10.1.1.9"), false);
        QVERIFY(same.Servers()[0].HasFailed);
        TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
        reg.DeleteKey(QStringLiteral("\\SOFTWARE\\ORV7.0\\AppServers"));
    }

    void linkedBrokerServesItsOwnersConnections() {
        TComponent owner;
        auto *plain = new TSocketConnection(&owner);
        auto *other = new TSimpleObjectBroker(&owner);
        auto *own = new TSocketConnection(&owner);
        own->SetObjectBroker(other);
        auto *broker = new TRADObjectBroker(&owner);
        broker->SetLinked(true);
        QCOMPARE(plain->ObjectBroker(), broker);
        QCOMPARE(own->ObjectBroker(), other);
        broker->SetLinked(false);
        QCOMPARE(plain->ObjectBroker(), nullptr);
        QCOMPARE(own->ObjectBroker(), other);
        // While loading, the switch only records the value; loading done applies it.
        broker->SetLoading(true);
        broker->SetLinked(true);
        QCOMPARE(plain->ObjectBroker(), nullptr);
        broker->Loaded();
        QVERIFY(broker->Linked());
    }
};

LUM_TEST_MAIN(TstObjServers)
#include "tst_objservers.moc"
