// Network adapters: selection and searches of TMacAddress over a fake adapter source, an empty
// or unreadable list, and the POSIX adapter list built from interface entries and a fake
// /sys, /proc and lease folders (gateways, DHCP leases, skipped interfaces, order).

#include "NetMacAddress.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <net/if.h>

namespace {

class TFakeSource : public IAdapterSource {
public:
    bool ReadAdapters(std::vector<TNetAdapter> &adapters, QString &error) override {
        adapters = List;
        error = Error;
        return Error.isEmpty();
    }
    std::vector<TNetAdapter> List;
    QString Error;
};

TNetAdapter MakeAdapter(const QString &name, const QByteArray &mac, const QStringList &ips) {
    TNetAdapter a;
    a.Name = name;
    a.Description = name + QStringLiteral(" driver");
    a.Address = mac;
    a.IPAddresses = ips;
    return a;
}

void WriteFile(const QString &path, const QByteArray &content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

TInterfaceEntry Entry(const QString &name, TInterfaceEntry::TFamily family, const QString &ip = {},
                      const QByteArray &hw = {}, unsigned flags = IFF_UP, int index = 0) {
    TInterfaceEntry e;
    e.Name = name;
    e.Family = family;
    e.IPAddress = ip;
    e.Hardware = hw;
    e.Flags = flags;
    e.Index = index;
    return e;
}

const QByteArray kMacA = QByteArray::fromHex("001a2b3c4d5e");
const QByteArray kMacB = QByteArray::fromHex("a0b1c2d3e4f5");

} // namespace

class TstNetMacAddress : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void noAdapters() {
        TFakeSource empty;
        TMacAddress macs(&empty);
        QCOMPARE(macs.Count(), 0);
        QCOMPARE(macs.ItemIndex(), -1);
        QVERIFY(macs.GetMacAddress().isEmpty());
        QVERIFY(macs.ReadError().isEmpty());
        macs.SetItemIndex(0);
        QCOMPARE(macs.ItemIndex(), -1);
        TStringList ips{QStringLiteral("stale")};
        QCOMPARE(macs.MacIPList(ips), 0);
        QCOMPARE(ips.Count(), 0);
        QCOMPARE(macs.IndexByMac(QStringLiteral("00-1A-2B-3C-4D-5E")), -1);

        TFakeSource failing;
        failing.List.push_back(MakeAdapter(QStringLiteral("eth0"), kMacA, {}));
        failing.Error = QStringLiteral("Cannot allocate memory");
        TMacAddress none(&failing);
        QCOMPARE(none.Count(), 0);
        QCOMPARE(none.ItemIndex(), -1);
        QCOMPARE(none.ReadError(), QStringLiteral("Cannot allocate memory"));
    }

    void selection() {
        TFakeSource source;
        TNetAdapter eth0 = MakeAdapter(QStringLiteral("eth0"), kMacA,
                                       {QStringLiteral("10.0.0.10"), QStringLiteral("10.0.0.11")});
        eth0.DHCPEnabled = true;
        eth0.DHCPServer = QStringLiteral("10.0.0.1");
        eth0.Gateway = QStringLiteral("10.0.0.254");
        source.List = {eth0, MakeAdapter(QStringLiteral("wlan0"), kMacB, {})};
        TMacAddress macs(&source);
        QCOMPARE(macs.Count(), 2);
        QCOMPARE(macs.Items().Text(), QStringLiteral("00-1A-2B-3C-4D-5E\nA0-B1-C2-D3-E4-F5\n"));
        QCOMPARE(macs.ItemIndex(), 0);
        QCOMPARE(macs.GetMacAddress(), QStringLiteral("00-1A-2B-3C-4D-5E"));
        QCOMPARE(macs.GetAdapterName(), QStringLiteral("eth0"));
        QCOMPARE(macs.GetDescription(), QStringLiteral("eth0 driver"));
        QVERIFY(macs.GetDHCPEnabled());
        QCOMPARE(macs.GetDHCPServer(), QStringLiteral("10.0.0.1"));
        QCOMPARE(macs.GetGateway(), QStringLiteral("10.0.0.254"));
        TStringList ips{QStringLiteral("stale")};
        QCOMPARE(macs.MacIPList(ips), 2);
        QCOMPARE(ips.Text(), QStringLiteral("10.0.0.10\n10.0.0.11\n"));
        QCOMPARE(macs.GetIPList(), QStringLiteral("10.0.0.10,10.0.0.11"));

        macs.SetItemIndex(1);
        QCOMPARE(macs.GetAdapterName(), QStringLiteral("wlan0"));
        QVERIFY(!macs.GetDHCPEnabled());
        QVERIFY(macs.GetIPList().isEmpty());
        QCOMPARE(macs.MacIPList(ips), 0);

        for (int outside : {2, -1, -7}) {
            macs.SetItemIndex(outside);
            QCOMPARE(macs.ItemIndex(), -1);
            QVERIFY(macs.GetMacAddress().isEmpty());
            QVERIFY(macs.GetAdapterName().isEmpty());
            QVERIFY(macs.GetGateway().isEmpty());
            QVERIFY(!macs.GetDHCPEnabled());
        }
        QVERIFY(macs.Adapter(2) == nullptr);
        QCOMPARE(macs.Adapter(1)->Name, QStringLiteral("wlan0"));
    }

    void searches() {
        // Two adapters share a MAC address (a bond) and an address is on two adapters: the
        // search runs from the last adapter down.
        TFakeSource source;
        source.List = {MakeAdapter(QStringLiteral("eth0"), kMacA, {QStringLiteral("10.0.0.10")}),
                       MakeAdapter(QStringLiteral("eth1"), kMacB, {QStringLiteral("10.0.0.1")}),
                       MakeAdapter(QStringLiteral("bond0"), kMacA,
                                   {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.100")})};
        TMacAddress macs(&source);
        QCOMPARE(macs.IndexByMac(QStringLiteral("00-1A-2B-3C-4D-5E")), 2);
        QCOMPARE(macs.ItemIndex(), 2);
        QCOMPARE(macs.IndexByMac(QStringLiteral("a0-b1-c2-d3-e4-f5")), 1);
        QCOMPARE(macs.GetAdapterName(), QStringLiteral("eth1"));
        QCOMPARE(macs.IndexByMac(QStringLiteral("00-1A-2B-3C-4D")), -1);
        QCOMPARE(macs.ItemIndex(), -1);
        QCOMPARE(macs.IndexByMac(QString()), -1);

        QCOMPARE(macs.IndexByIP(QStringLiteral("10.0.0.1")), 2);
        QCOMPARE(macs.IndexByIP(QStringLiteral("10.0.0.10")), 0);
        QCOMPARE(macs.GetAdapterName(), QStringLiteral("eth0"));
        QCOMPARE(macs.IndexByIP(QStringLiteral("10.0.0.")), -1); // no partial match
        QCOMPARE(macs.ItemIndex(), -1);
        QCOMPARE(macs.IndexByIP(QString()), -1);
    }

    void macText() {
        QCOMPARE(FormatMacAddress(kMacB), QStringLiteral("A0-B1-C2-D3-E4-F5"));
        QCOMPARE(ParseMacAddress(QStringLiteral("00:1a:2B:3c:4d:5e")), kMacA);
        QCOMPARE(ParseMacAddress(QStringLiteral("00-1A-2B-3C-4D-5E")), kMacA);
        QVERIFY(ParseMacAddress(QStringLiteral("001a2b3c4d5e")).isEmpty());
        QVERIFY(ParseMacAddress(QStringLiteral("00:1a:zz:3c:4d:5e")).isEmpty());
        QVERIFY(ParseMacAddress(QStringLiteral("00:1a::3c:4d:5e")).isEmpty());
        QVERIFY(ParseMacAddress(QStringLiteral("0:1a:2b:3c:4d:5e")).isEmpty());
        QVERIFY(ParseMacAddress(QString()).isEmpty());
    }

    void gatewaysAndLeases() {
        const QByteArray route =
            "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
            "eth0\t00000000\tFE01A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
            "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
            "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
            "wlan0\t00000000\t0100000A\t0002\t0\t0\t50\t00000000\t0\t0\t0\n" // not up
            "ppp0\t00000000\tGARBAGE!\t0003\t0\t0\t50\t00000000\t0\t0\t0\n"
            "short line\n";
        const auto gateways = ParseDefaultGateways(route);
        QCOMPARE(gateways.size(), 1);
        QCOMPARE(gateways.value(QStringLiteral("eth0")), QStringLiteral("192.168.1.1"));

        TDhcpLease lease;
        QVERIFY(ParseKeyValueLease("# comment\nADDRESS=192.168.1.23\nNETMASK=255.255.255.0\n"
                                   "SERVER_ADDRESS=192.168.1.1\n",
                                   lease));
        QCOMPARE(lease.Address, QStringLiteral("192.168.1.23"));
        QCOMPARE(lease.Server, QStringLiteral("192.168.1.1"));
        QVERIFY(!ParseKeyValueLease("SERVER_ADDRESS=1.2.3.4\n", lease));

        const QByteArray dhclient = "lease {\n  interface \"wlan0\";\n  fixed-address 10.9.0.5;\n"
                                    "  option dhcp-server-identifier 10.9.0.1;\n}\n"
                                    "lease {\n  interface \"eth0\";\n  fixed-address 10.8.0.5;\n"
                                    "  option dhcp-server-identifier 10.8.0.1;\n}\n"
                                    "lease {\n  interface \"wlan0\";\n  fixed-address 10.9.0.6;\n"
                                    "  option dhcp-server-identifier 10.9.0.2;\n}\n"
                                    "lease {\n  interface \"wlan0\";\n  fixed-address 10.9.0.7;\n";
        QVERIFY(ParseDhclientLeases(dhclient, QStringLiteral("wlan0"), lease));
        QCOMPARE(lease.Address, QStringLiteral("10.9.0.6")); // the last complete one
        QCOMPARE(lease.Server, QStringLiteral("10.9.0.2"));
        QVERIFY(!ParseDhclientLeases(dhclient, QStringLiteral("eth1"), lease));
    }

    void adaptersFromSystemFiles() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString root = dir.path();
        const QString net = root + QStringLiteral("/sys/class/net/");
        WriteFile(net + QStringLiteral("wlan0/address"), "a0:b1:c2:d3:e4:f5\n");
        WriteFile(net + QStringLiteral("wlan0/ifindex"), "3\n");
        WriteFile(net + QStringLiteral("docker0/address"), "00:00:00:00:00:00\n");
        WriteFile(root + QStringLiteral("/drivers/e1000e/.keep"), {});
        QDir().mkpath(net + QStringLiteral("eth0/device"));
        QVERIFY(QFile::link(root + QStringLiteral("/drivers/e1000e"),
                            net + QStringLiteral("eth0/device/driver")));
        WriteFile(root + QStringLiteral("/proc/net/route"),
                  "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
                  "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\n");
        // eth0 holds the address of its networkd lease; wlan0's dhclient lease is for an
        // address it no longer has.
        WriteFile(root + QStringLiteral("/run/systemd/netif/leases/2"),
                  "ADDRESS=192.168.1.23\nSERVER_ADDRESS=192.168.1.1\n");
        WriteFile(root + QStringLiteral("/var/lib/dhcp/dhclient.wlan0.leases"),
                  "lease {\n interface \"wlan0\";\n fixed-address 10.9.0.6;\n"
                  " option dhcp-server-identifier 10.9.0.2;\n}\n");

        const std::vector<TInterfaceEntry> entries = {
            Entry(QStringLiteral("lo"), TInterfaceEntry::Link, {}, QByteArray(6, '\0'),
                  IFF_UP | IFF_LOOPBACK, 1),
            Entry(QStringLiteral("lo"), TInterfaceEntry::IPv4, QStringLiteral("127.0.0.1"), {},
                  IFF_UP | IFF_LOOPBACK, 1),
            Entry(QStringLiteral("wlan0"), TInterfaceEntry::IPv4, QStringLiteral("10.9.0.77")),
            Entry(QStringLiteral("tun0"), TInterfaceEntry::IPv4, QStringLiteral("10.200.0.2"), {},
                  IFF_UP, 9),
            Entry(QStringLiteral("docker0"), TInterfaceEntry::IPv4, QStringLiteral("172.17.0.1"),
                  {}, IFF_UP, 4),
            Entry(QStringLiteral("eth0"), TInterfaceEntry::Link, {}, kMacA, IFF_UP, 2),
            Entry(QStringLiteral("eth0"), TInterfaceEntry::IPv4, QStringLiteral("192.168.1.23"), {},
                  IFF_UP, 2),
            Entry(QStringLiteral("eth0"), TInterfaceEntry::IPv4, QStringLiteral("192.168.7.1"), {},
                  IFF_UP, 2),
            Entry(QStringLiteral("../x"), TInterfaceEntry::Link, {}, kMacB, IFF_UP, 5),
        };
        const std::vector<TNetAdapter> adapters = BuildAdapters(entries, root);
        QCOMPARE(adapters.size(), size_t(2));
        const TNetAdapter &eth0 = adapters[0];
        QCOMPARE(eth0.Name, QStringLiteral("eth0"));
        QCOMPARE(eth0.Index, 2);
        QCOMPARE(eth0.Address, kMacA);
        QCOMPARE(eth0.Description, QStringLiteral("e1000e"));
        QCOMPARE(eth0.IPAddresses,
                 QStringList({QStringLiteral("192.168.1.23"), QStringLiteral("192.168.7.1")}));
        QCOMPARE(eth0.Gateway, QStringLiteral("192.168.1.1"));
        QVERIFY(eth0.DHCPEnabled);
        QCOMPARE(eth0.DHCPServer, QStringLiteral("192.168.1.1"));
        const TNetAdapter &wlan0 = adapters[1];
        QCOMPARE(wlan0.Name, QStringLiteral("wlan0"));
        QCOMPARE(wlan0.Index, 3);
        QCOMPARE(wlan0.Address, kMacB);
        QCOMPARE(wlan0.Description, QStringLiteral("wlan0"));
        QVERIFY(wlan0.Gateway.isEmpty());
        QVERIFY(!wlan0.DHCPEnabled);
        QVERIFY(wlan0.DHCPServer.isEmpty());

        // The same list through TMacAddress, with nothing below the root at all.
        QTemporaryDir bare;
        class TEntries : public IAdapterSource {
        public:
            TEntries(std::vector<TInterfaceEntry> e, QString r)
                : Entries(std::move(e)), Root(std::move(r)) {}
            bool ReadAdapters(std::vector<TNetAdapter> &adapters, QString &) override {
                adapters = BuildAdapters(Entries, Root);
                return true;
            }
            std::vector<TInterfaceEntry> Entries;
            QString Root;
        } source(entries, bare.path());
        TMacAddress macs(&source);
        QCOMPARE(macs.Items().Text(), QStringLiteral("00-1A-2B-3C-4D-5E\n"));
        QVERIFY(!macs.GetDHCPEnabled());
        QVERIFY(macs.GetGateway().isEmpty());
    }

    void systemListHasNoLoopback() {
        // Whatever this machine has: the system's list reads, and never holds the loopback or
        // an adapter without a hardware address.
        TPosixAdapterSource source;
        std::vector<TNetAdapter> adapters;
        QString error;
        QVERIFY2(source.ReadAdapters(adapters, error), qPrintable(error));
        for (const TNetAdapter &a : adapters) {
            QVERIFY(a.Name != u"lo");
            QCOMPARE(a.Address.size(), 6);
            QVERIFY(a.Index > 0);
        }
        QCOMPARE(TMacAddress().Count(), int(adapters.size()));
    }
};

LUM_TEST_MAIN(TstNetMacAddress)
#include "tst_netmacaddress.moc"
