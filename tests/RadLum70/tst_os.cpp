// The machine description: the kind table, the facts of a POSIX system read through a fake
// fact source (and their fall-backs when files are missing), computer, domain and user names,
// the IP address with its look-up fall-back, and the real POSIX calls that touch nothing.

#include "Os.h"
#include "RadSystemApi.h"
#include "TestMain.h"

#include <QHostAddress>

namespace {

class TFakeFacts : public IOsFactSource {
public:
    bool Uname(TUnameInfo &info) override {
        info = UnameInfo;
        return UnameWorks;
    }
    QByteArray ReadFile(const QString &path) override { return Files.value(path); }
    QString HostName() override { return Host; }
    QString UserName() override { return User; }
    QStringList ResolveIPv4(const QString &host) override { return Resolved.value(host); }
    QString LocalAddressTowards(const QString &ip, quint16 port) override {
        LookedUp = ip + u':' + QString::number(port);
        return Local;
    }

    TUnameInfo UnameInfo{QStringLiteral("Linux"), QStringLiteral("pc01"),
                         QStringLiteral("6.1.0-18-amd64"), QStringLiteral("#1 SMP"),
                         QStringLiteral("x86_64")};
    bool UnameWorks = true;
    QMap<QString, QByteArray> Files;
    QString Host;
    QString User = QStringLiteral("teacher");
    QMap<QString, QStringList> Resolved;
    QString Local;
    QString LookedUp;
};

const QByteArray kOsRelease = "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                              "NAME=\"Debian GNU/Linux\"\n"
                              "VERSION_ID=\"12\"\n"
                              "# a comment=ignored\n"
                              "ID=debian\n";
const QByteArray kCpuInfo = "processor\t: 0\n"
                            "vendor_id\t: GenuineIntel\n"
                            "model name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n\n"
                            "processor\t: 1\n"
                            "model name\t: Some Other CPU\n";

} // namespace

class TstOs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void kindTable() {
        QCOMPARE(OsKindName(osUnknown), QStringLiteral("UNKNOW"));
        QCOMPARE(OsKindName(osWindows), QStringLiteral("WINDOWS"));
        QCOMPARE(OsKindName(osWinNt), QStringLiteral("WINDOWS NT"));
        QCOMPARE(OsKindName(osUnix), QStringLiteral("UNIX"));
        QCOMPARE(OsKindName(-1), QStringLiteral("UNKNOW"));
        QCOMPARE(OsKindName(4), QStringLiteral("UNKNOW"));
        // The process-wide instance exists from library start and names this system.
        QVERIFY(SystemOS);
        QCOMPARE(SystemOS->Kind(), int(osUnix));
        QCOMPARE(SystemOS->GetOs(), QStringLiteral("UNIX"));
    }

    void unixFacts() {
        TFakeFacts facts;
        facts.Files.insert(QStringLiteral("/etc/os-release"), kOsRelease);
        facts.Files.insert(QStringLiteral("/proc/cpuinfo"), kCpuInfo);
        facts.Files.insert(QStringLiteral("/etc/machine-id"), "0123456789abcdef\n");
        const auto system = CreateSystem(facts);
        QCOMPARE(system->GetOs(), QStringLiteral("UNIX"));
        QCOMPARE(system->OS().Version, QStringLiteral("Debian GNU/Linux 12 (bookworm)-UNIX"));
        QCOMPARE(system->OS().VersionNumber, QStringLiteral("12"));
        QCOMPARE(system->OS().ProductId, QStringLiteral("0123456789abcdef"));
        QCOMPARE(system->OS().SystemRoot, QStringLiteral("/"));
        QCOMPARE(system->Machine().MachineType, QStringLiteral("x86_64"));
        QCOMPARE(system->Machine().Processor,
                 QStringLiteral("Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"));
        QCOMPARE(system->Machine().UserName, QStringLiteral("teacher"));
        facts.User = QStringLiteral("other"); // kept from creation, read anew on request
        QCOMPARE(system->Machine().UserName, QStringLiteral("teacher"));
        QCOMPARE(system->Machine().GetCurrentUser(), QStringLiteral("other"));
        facts.User = QString(300, u'u');
        QCOMPARE(system->Machine().GetCurrentUser().size(), 256);
    }

    void unixFactsFallBack() {
        // The vendor copy of os-release, the kernel's name without any, the kernel's release
        // without a VERSION_ID; a processor line of another architecture.
        TFakeFacts facts;
        facts.Files.insert(QStringLiteral("/usr/lib/os-release"), "NAME='Alpine Linux'\n");
        facts.Files.insert(QStringLiteral("/proc/cpuinfo"),
                           "processor\t: 0\nBogoMIPS\t: 38.40\n\nHardware\t: BCM2835\n");
        auto system = CreateSystem(facts);
        QCOMPARE(system->OS().Version, QStringLiteral("Alpine Linux-UNIX"));
        QCOMPARE(system->OS().VersionNumber, QStringLiteral("6.1.0-18-amd64"));
        QCOMPARE(system->Machine().Processor, QStringLiteral("BCM2835"));

        facts.Files.clear();
        system = CreateSystem(facts);
        QCOMPARE(system->OS().Version, QStringLiteral("Linux-UNIX"));
        QCOMPARE(system->Machine().Processor, QStringLiteral("x86_64"));
        QVERIFY(system->OS().ProductId.isEmpty());

        facts.UnameWorks = false;
        facts.UnameInfo = {};
        system = CreateSystem(facts);
        QVERIFY(system->OS().Version.isEmpty());
        QVERIFY(system->OS().VersionNumber.isEmpty());
        QVERIFY(system->Machine().MachineType.isEmpty());
        QVERIFY(system->Machine().Processor.isEmpty());
    }

    void osReleaseSyntax() {
        const auto values = ParseOsRelease("A=\"quoted \\\"inner\\\" \\\\ text\"\n"
                                           "B='single $quoted'\n"
                                           "  C = spaced  \n"
                                           "=no key\n"
                                           "no equals sign\n"
                                           "BAD-KEY=x\n"
                                           "D=\"\n"
                                           "E=\n");
        QCOMPARE(values.value(QStringLiteral("A")), QStringLiteral("quoted \"inner\" \\ text"));
        QCOMPARE(values.value(QStringLiteral("B")), QStringLiteral("single $quoted"));
        QCOMPARE(values.value(QStringLiteral("C")), QStringLiteral("spaced"));
        QCOMPARE(values.value(QStringLiteral("D")), QStringLiteral("\"")); // a lone quote stays
        QVERIFY(values.contains(QStringLiteral("E")));
        QCOMPARE(values.size(), 5);
        QVERIFY(ProcessorFromCpuInfo("processor : 0\nprocessor : 1\n").isEmpty());
        QVERIFY(ProcessorFromCpuInfo(QByteArray()).isEmpty());
    }

    void names() {
        TFakeFacts facts;
        const auto system = CreateSystem(facts);
        const CTCP &tcp = system->TCP();
        const CMachine &machine = system->Machine();
        QVERIFY(machine.GetName().isEmpty());
        QVERIFY(tcp.GetHost().isEmpty());
        QVERIFY(tcp.GetDomain().isEmpty());

        facts.Host = QStringLiteral("pc01.school.edu.tw");
        QCOMPARE(tcp.GetHost(), QStringLiteral("pc01.school.edu.tw"));
        QCOMPARE(tcp.GetDomain(), QStringLiteral("school.edu.tw"));
        QCOMPARE(machine.GetName(), QStringLiteral("pc01"));

        facts.Host = QStringLiteral("library-catalogue-terminal-03");
        QVERIFY(tcp.GetDomain().isEmpty()); // no dot: no domain, not the host name again
        QCOMPARE(machine.GetName(), QStringLiteral("library-catalogu"));
        facts.Host = QStringLiteral("pc01.");
        QVERIFY(tcp.GetDomain().isEmpty());
    }

    void ipAddress() {
        TFakeFacts facts;
        facts.Host = QStringLiteral("pc01");
        facts.Local = QStringLiteral("192.168.5.7");
        const auto system = CreateSystem(facts);
        CTCP &tcp = system->TCP();

        facts.Resolved.insert(facts.Host, {QStringLiteral("127.0.1.1"), QStringLiteral("10.1.2.3"),
                                           QStringLiteral("10.1.2.4")});
        QCOMPARE(tcp.GetIPAddr(), QStringLiteral("10.1.2.3"));
        QVERIFY(facts.LookedUp.isEmpty());

        // A name that resolves only to this machine's loopback, or not at all: the address of
        // the interface that outgoing datagrams would take.
        facts.Resolved.insert(facts.Host, {QStringLiteral("127.0.1.1")});
        QCOMPARE(tcp.GetIPAddr(), QStringLiteral("192.168.5.7"));
        QCOMPARE(facts.LookedUp, CTCP::DefaultLookupAddress + QStringLiteral(":7"));
        facts.Resolved.clear();
        tcp.LookupAddress = QStringLiteral("203.0.113.9");
        QCOMPARE(tcp.GetIPAddr(), QStringLiteral("192.168.5.7"));
        QCOMPARE(facts.LookedUp, QStringLiteral("203.0.113.9:7"));
        facts.Host.clear();
        QCOMPARE(tcp.GetIPAddr(), QStringLiteral("192.168.5.7"));
        facts.Local.clear(); // no route out
        QVERIFY(tcp.GetIPAddr().isEmpty());
        QVERIFY(tcp.LookupHostIP().isEmpty());
    }

    void theProcessWideAddressLooksTheRouteUp() {
        // The process-wide description is made while the library loads; the address the forms
        // stamp and the sign-off logs must still fall back to the outgoing interface when the
        // host name resolves to a loopback address only (Debian's default /etc/hosts).
        QVERIFY(SystemOS);
        QCOMPARE(SystemOS->TCP().LookupAddress, CTCP::DefaultLookupAddress);
        QVERIFY(!CTCP::DefaultLookupAddress.isEmpty());
        IOsFactSource &facts = SystemOsFacts();
        QString expected;
        for (const QString &ip : facts.ResolveIPv4(facts.HostName()))
            if (!QHostAddress(ip).isLoopback()) {
                expected = ip;
                break;
            }
        if (expected.isEmpty())
            expected = facts.LocalAddressTowards(CTCP::DefaultLookupAddress, 7);
        QCOMPARE(SystemOS->TCP().GetIPAddr(), expected);
        QCOMPARE(GetIPAddr(), expected.isEmpty() ? QStringLiteral("0.0.0.0") : expected);
    }

    void posixCalls() {
        TPosixOsFacts facts;
        // A datagram socket "connected" to the loopback picks the loopback address.
        QCOMPARE(facts.LocalAddressTowards(QStringLiteral("127.0.0.1"), 7),
                 QStringLiteral("127.0.0.1"));
        QVERIFY(facts.LocalAddressTowards(QStringLiteral("not an address"), 7).isEmpty());
        QVERIFY(facts.LocalAddressTowards(QString(), 7).isEmpty());
        QVERIFY(
            facts.ResolveIPv4(QStringLiteral("127.0.0.1")).contains(QStringLiteral("127.0.0.1")));
        QVERIFY(facts.ResolveIPv4(QString()).isEmpty());
        TUnameInfo info;
        QVERIFY(facts.Uname(info));
        QVERIFY(!info.SysName.isEmpty());
        QVERIFY(!info.Machine.isEmpty());
        // /proc files report a size of 0 and must still be read to their end.
        QVERIFY(facts.ReadFile(QStringLiteral("/proc/self/status")).contains("Pid:"));
        QVERIFY(facts.ReadFile(QStringLiteral("/nonexistent/file")).isEmpty());
    }
};

LUM_TEST_MAIN(TstOs)
#include "tst_os.moc"
