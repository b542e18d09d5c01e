// Calls through real sockets to an object server on its own thread: values and output
// arguments both ways, server errors as text, broken frames, failing hosts, TLS.

#include "AppServerProxy.h"
#include "ObjectBroker.h"
#include "ObjectServer.h"
#include "Registry.h"
#include "ServerThread.h"
#include "SocketConnection.h"

#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QString kProgId = QStringLiteral("Test.EchoINTF");

// Remembers what the IAppServer calls received and answers with recognisable values.
class TRecordingProviders : public IAppServer {
public:
    Variant AS_ApplyUpdates(const QString &name, const Variant &delta, int maxErrors,
                            int &errorCount, Variant &ownerData) override {
        errorCount = maxErrors + 1;
        ownerData = Variant(name + "-owner");
        return delta;
    }
    Variant AS_GetRecords(const QString &name, int count, int &recsOut, int options,
                          const QString &commandText, Variant &params,
                          Variant &ownerData) override {
        recsOut = count * 2;
        params = Variant::ArrayOf({Variant(commandText), Variant(options)});
        ownerData = Variant(name);
        return Variant(QByteArray("packet"));
    }
    Variant AS_DataRequest(const QString &name, const Variant &data) override {
        if (name == "bad")
            throw Exception(QStringLiteral("提供者不存在: bad"));
        return data;
    }
    QStringList AS_GetProviderNames() override { return {"xspOne", "xspTwo"}; }
    Variant AS_GetParams(const QString &name, Variant &ownerData) override {
        ownerData = Variant(3);
        return Variant(name);
    }
    Variant AS_RowRequest(const QString &, const Variant &row, int requestType,
                          Variant &ownerData) override {
        ownerData = Variant(requestType);
        return row;
    }
    void AS_Execute(const QString &, const QString &commandText, Variant &params,
                    Variant &ownerData) override {
        params = Variant(commandText);
        ownerData = Variant::Null();
    }
};

class TEchoObject : public TRemoteObject {
public:
    explicit TEchoObject(IAppServer *providers) {
        Method(1, "Echo", 1, {}, [](TRemoteCall &c) { return c[0]; });
        Method(2, "Swap", 2, {0, 1}, [](TRemoteCall &c) {
            std::swap(c.Out(0), c.Out(1));
            return Variant(true);
        });
        Method(3, "Fail", 1, {}, [](TRemoteCall &c) -> Variant { throw Exception(c.Str(0)); });
        Method(Remote::DispIdUnknown, "NameOnly", 0, {}, [](TRemoteCall &) { return Variant(42); });
        PublishAppServer(providers);
    }
};

// A server on its own thread that answers the first bytes of every connection with fixed
// bytes and then says nothing more: a broken or hostile server.
class TRawServerThread : public QThread {
public:
    explicit TRawServerThread(QByteArray answer) : FAnswer(std::move(answer)) {}
    ~TRawServerThread() override {
        quit();
        wait();
    }
    quint16 Start() {
        start();
        FReady.acquire();
        return FPort;
    }

protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        FPort = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, this] {
            QTcpSocket *s = server.nextPendingConnection();
            QObject::connect(s, &QIODevice::readyRead, s, [s, this] {
                s->readAll();
                s->write(FAnswer);
            });
        });
        FReady.release();
        exec();
    }

private:
    QByteArray FAnswer;
    quint16 FPort = 0;
    QSemaphore FReady;
};

} // namespace

class TstRemoteCalls : public QObject {
    Q_OBJECT
    TRecordingProviders FProviders;
    std::unique_ptr<TServerThread> FServer;
    QStringList FClosedReasons;

    std::unique_ptr<TServerThread> StartServer(const QString &certDir = QString()) {
        auto t = std::make_unique<TServerThread>([this, certDir] {
            auto *server = new TObjectServer;
            server->RegisterClass(kProgId, [this](const TRemoteSession &) {
                return std::make_unique<TEchoObject>(&FProviders);
            });
            if (!certDir.isEmpty())
                server->LoadCertificate(certDir + "/cert.pem", certDir + "/key.pem");
            server->SetMaxFrameSize(1 << 20);
            server->SetGreetingTimeout(1500);
            connect(server, &TObjectServer::ConnectionClosed, server,
                    [this](const QString &reason) { FClosedReasons << reason; });
            server->Listen(QHostAddress::LocalHost, 0);
            return server;
        });
        t->StartServer();
        return t;
    }

    void Configure(TSocketConnection &c, quint16 port) {
        c.SetServerName(kProgId);
        c.SetAddress(QStringLiteral("127.0.0.1"));
        c.SetPort(port);
        c.SetTimeout(5000);
    }

private Q_SLOTS:
    void initTestCase() { FServer = StartServer(); }
    void cleanupTestCase() { FServer.reset(); }

    void valuesTravelBothWays() {
        TSocketConnection c;
        Configure(c, FServer->Port());
        c.Open();
        QVERIFY(c.Connected());
        QVERIFY(!c.Encrypted());
        const std::vector<Variant> values{
            Variant(),
            Variant::Null(),
            Variant(true),
            Variant(-7),
            Variant(qint64(1) << 40),
            Variant(2.5),
            Variant(Currency::FromDouble(12.3456)),
            Variant(TDateTime::EncodeDate(2024, 2, 29)),
            Variant("國立示範高級中學"),
            Variant(QByteArray(100000, 'x')),
            Variant::ArrayOf({Variant(1), Variant::ArrayOf({Variant("a")})})};
        for (const Variant &v : values) {
            const Variant back = c.AppServer().Call(1, {v});
            QCOMPARE(int(back.VarType()), int(v.VarType()));
            QVERIFY(back == v || v.IsArray());
        }
        // By name, any letter case, and a method that has no dispatch number.
        QCOMPARE(c.AppServer().Call(QStringLiteral("echo"), {Variant("x")}).ToString(), "x");
        QCOMPARE(c.AppServer().Call(QStringLiteral("NameOnly")).ToInt(), 42);
        // Output arguments come back into the caller's array.
        std::vector<Variant> args{Variant("left"), Variant(2)};
        QVERIFY(c.AppServer().Invoke(2, args).ToBool());
        QCOMPARE(args[0].ToInt(), 2);
        QCOMPARE(args[1].ToString(), "left");
        c.Close();
        QVERIFY(!c.Connected());
    }

    void serverErrorsArriveAsText() {
        TSocketConnection c;
        Configure(c, FServer->Port());
        try {
            c.AppServer().Call(3, {Variant("帳號或密碼錯誤")});
            QFAIL("no error");
        } catch (const EServerError &e) {
            QCOMPARE(e.Message(), QStringLiteral("帳號或密碼錯誤"));
        }
        QVERIFY_THROWS_EXCEPTION(EServerError, c.AppServer().Call(99));
        QVERIFY_THROWS_EXCEPTION(EServerError, c.AppServer().Call(QStringLiteral("Nope")));
        QVERIFY_THROWS_EXCEPTION(EServerError, c.AppServer().Call(1, {Variant(1), Variant(2)}));
        // The link survives the errors.
        QVERIFY(c.Connected());
        QCOMPARE(c.AppServer().Call(1, {Variant(5)}).ToInt(), 5);

        TSocketConnection unknown;
        Configure(unknown, FServer->Port());
        unknown.SetServerName(QStringLiteral("No.SuchINTF"));
        QVERIFY_THROWS_EXCEPTION(EServerError, unknown.Open());
        QVERIFY(!unknown.Connected());
    }

    void appServerCallsCarryOutputs() {
        TSocketConnection c;
        Configure(c, FServer->Port());
        IAppServer *s = c.GetServer();
        int recsOut = 0;
        Variant params;
        Variant owner("mine");
        QCOMPARE(s->AS_GetRecords("xspA", 5, recsOut, 3, "select 1", params, owner).ToBytes(),
                 QByteArray("packet"));
        QCOMPARE(recsOut, 10);
        QCOMPARE(params[0].ToString(), "select 1");
        QCOMPARE(params[1].ToInt(), 3);
        QCOMPARE(owner.ToString(), "xspA");
        int errors = 0;
        QCOMPARE(s->AS_ApplyUpdates("xspA", Variant("delta"), 4, errors, owner).ToString(),
                 "delta");
        QCOMPARE(errors, 5);
        QCOMPARE(owner.ToString(), "xspA-owner");
        QCOMPARE(s->AS_GetProviderNames(), QStringList({"xspOne", "xspTwo"}));
        QCOMPARE(s->AS_GetParams("p", owner).ToString(), "p");
        QCOMPARE(owner.ToInt(), 3);
        QCOMPARE(s->AS_RowRequest("p", Variant(8), foDetails, owner).ToInt(), 8);
        QCOMPARE(owner.ToInt(), int(foDetails));
        s->AS_Execute("p", "cmd", params, owner);
        QCOMPARE(params.ToString(), "cmd");
        QVERIFY(owner.IsNull());
        try {
            s->AS_DataRequest("bad", Variant());
            QFAIL("no error");
        } catch (const EServerError &e) {
            QCOMPARE(e.Message(), QStringLiteral("提供者不存在: bad"));
        }
    }

    void malformedFrameClosesOnlyThatConnection() {
        TSocketConnection good;
        Configure(good, FServer->Port());
        good.Open();
        FClosedReasons.clear();

        const QList<QByteArray> attacks{
            QByteArray("GET / HTTP/1.0\r\n\r\n"),                        // no greeting, huge length
            Remote::MakeFrame(QByteArray::fromHex("ff")),                // not CBOR
            Remote::EncodeFrame(Remote::TMessage::Invoke(1, 1, "", {})), // call before greeting
            Remote::EncodeFrame(Remote::TMessage::Hello()) + Remote::MakeFrame(QByteArray(3, 'z')),
        };
        for (const QByteArray &attack : attacks) {
            QTcpSocket raw;
            raw.connectToHost(QHostAddress::LocalHost, FServer->Port());
            QVERIFY(raw.waitForConnected(5000));
            raw.write(attack);
            raw.flush();
            // The server answers at most a greeting, then hangs up.
            QTRY_COMPARE_WITH_TIMEOUT(raw.state(), QAbstractSocket::UnconnectedState, 5000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(FClosedReasons.size(), attacks.size(), 5000);
        for (const QString &reason : FClosedReasons)
            QVERIFY2(reason.startsWith("Malformed frame"), qPrintable(reason));
        // Silence is not a way to hold a connection.
        QTcpSocket silent;
        silent.connectToHost(QHostAddress::LocalHost, FServer->Port());
        QVERIFY(silent.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QAbstractSocket::UnconnectedState, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(FClosedReasons.contains("no greeting in time"), 5000);
        // The server and the other client carry on.
        QCOMPARE(good.AppServer().Call(1, {Variant("still here")}).ToString(), "still here");
    }

    void malformedRepliesCloseTheClientsConnection() {
        QByteArray huge(4, '\xff'); // announces 4 GiB
        const QList<QByteArray> answers{
            huge,
            Remote::MakeFrame(QByteArray::fromHex("ff")),
            Remote::EncodeFrame(Remote::TMessage::Released()), // not a greeting
            Remote::MakeFrame(Remote::EncodeMessage(Remote::TMessage::Welcome(false)) + "x"),
        };
        for (const QByteArray &answer : answers) {
            TRawServerThread raw(answer);
            TSocketConnection c;
            Configure(c, raw.Start());
            c.SetTimeout(2000);
            QVERIFY_THROWS_EXCEPTION(ERemoteError, c.Open());
            QVERIFY(!c.Connected());
        }
    }

    void lostServerLeavesConnectionClosed() {
        auto server = StartServer();
        TSocketConnection c;
        Configure(c, server->Port());
        QCOMPARE(c.AppServer().Call(1, {Variant(1)}).ToInt(), 1);
        server->StopServer();
        std::vector<Variant> args{Variant(2)};
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, c.AppServer().Invoke(1, args));
        QVERIFY(!c.Connected());
    }

    void brokerSkipsFailedHostsAndReports() {
        QTcpServer dead;
        QVERIFY(dead.listen(QHostAddress::LocalHost, 0));
        const quint16 deadPort = dead.serverPort();
        dead.close();

        TSimpleObjectBroker broker;
        broker.AddServer("127.0.0.2-unused", 1, false); // disabled: never handed out
        broker.AddServer("localhost", deadPort);
        broker.AddServer("127.0.0.1", FServer->Port());
        QSignalSpy reports(&broker, &TSimpleObjectBroker::ConnectStatus);

        TSocketConnection c;
        c.SetServerName(kProgId);
        c.SetTimeout(5000);
        c.SetObjectBroker(&broker);
        c.Open();
        QCOMPARE(c.ConnectedHost(), "127.0.0.1");
        QCOMPARE(reports.size(), 2);
        QCOMPARE(reports[0][0].toString(), "localhost");
        QCOMPARE(reports[0][1].toBool(), false);
        QCOMPARE(reports[1][1].toBool(), true);
        QVERIFY(broker.Servers()[1].HasFailed);
        c.Close();

        // Every host failed: a clear error, nothing connected.
        broker.Servers()[2].HasFailed = true;
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, c.Open());
        QVERIFY(!c.Connected());
        broker.ClearFailed();
        broker.SetLoadBalanced(true);
        broker.Servers()[1].Enabled = false;
        for (int i = 0; i < 5; ++i)
            QCOMPARE(broker.GetComputerForProgID(kProgId), "127.0.0.1");

        // A broker that goes away is forgotten by the connection.
        {
            TSimpleObjectBroker temporary;
            c.SetObjectBroker(&temporary);
        }
        QVERIFY(c.ObjectBroker() == nullptr);
    }

    void brokerLoadsTransportedHostList() {
        TSimpleObjectBroker broker;
        broker.LoadServerData(Variant::ArrayOf(
            {Variant::ArrayOf({Variant("APSRV1"), Variant(2001), Variant(true)}),
             Variant::ArrayOf({Variant("apsrv1"), Variant(2002), Variant(true)}),
             Variant::ArrayOf({Variant("APSRV2"), Variant(2003), Variant(false)})}));
        QCOMPARE(broker.Servers().size(), 2);
        QCOMPARE(broker.GetPortForComputer("apsrv1"), 2001);
        QVERIFY(!broker.Servers()[1].Enabled);
        TSimpleObjectBroker copy;
        copy.LoadServerData(broker.ServerData());
        QCOMPARE(copy.Servers().size(), 2);
        QCOMPARE(copy.Servers()[1].ComputerName, "APSRV2");
        // A malformed list is refused and the old one kept.
        QVERIFY_THROWS_EXCEPTION(EVariantError, copy.LoadServerData(Variant("APSRV9")));
        QVERIFY_THROWS_EXCEPTION(EVariantError,
                                 copy.LoadServerData(Variant::ArrayOf({Variant("APSRV9")})));
        QCOMPARE(copy.Servers().size(), 2);
        copy.LoadServerData(Variant::Null());
        QVERIFY(copy.Servers().isEmpty());
    }

    // A self-signed certificate and key in dir, named prefix-cert.pem and prefix-key.pem.
    static bool MakeCertificate(const QTemporaryDir &dir, const QString &prefix) {
        QProcess openssl;
        openssl.start("openssl",
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                       "-nodes", "-keyout", dir.filePath(prefix + "-key.pem"), "-out",
                       dir.filePath(prefix + "-cert.pem"), "-days", "2", "-subj", "/CN=localhost",
                       "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"});
        return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
    }

    void tlsWhenTheServerHasACertificate() {
        if (QStandardPaths::findExecutable("openssl").isEmpty())
            QSKIP("openssl is not installed");
        QTemporaryDir dir;
        QVERIFY(MakeCertificate(dir, "server"));
        QVERIFY(MakeCertificate(dir, "other"));
        QFile::rename(dir.filePath("server-cert.pem"), dir.filePath("cert.pem"));
        QFile::rename(dir.filePath("server-key.pem"), dir.filePath("key.pem"));
        auto tls = StartServer(dir.path());

        TSocketConnection trusted;
        Configure(trusted, tls->Port());
        trusted.SetTrustedCertificateFile(dir.filePath("cert.pem"));
        QCOMPARE(trusted.AppServer().Call(1, {Variant("秘密")}).ToString(), "秘密");
        QVERIFY(trusted.Encrypted());
        QCOMPARE(trusted.AppServer().Call(1, {Variant(QByteArray(300000, 'k'))}).ToBytes().size(),
                 300000);

        // Trust may come from the machine's settings instead.
        {
            TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
            QVERIFY(reg.OpenKey("\\SOFTWARE\\ORV7.0\\AppServers", true));
            reg.WriteString("TrustedCertificate", dir.filePath("cert.pem"));
        }
        TSocketConnection bySetting;
        Configure(bySetting, tls->Port());
        QCOMPARE(bySetting.AppServer().Call(1, {Variant(7)}).ToInt(), 7);
        QVERIFY(bySetting.Encrypted());
        bySetting.Close();
        {
            TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
            QVERIFY(reg.OpenKey("\\SOFTWARE\\ORV7.0\\AppServers", false));
            QVERIFY(reg.DeleteValue("TrustedCertificate"));
        }

        // A certificate nobody trusts, or another one than the server's, is refused.
        TSocketConnection untrusting;
        Configure(untrusting, tls->Port());
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, untrusting.Open());
        QVERIFY(!untrusting.Connected());
        TSocketConnection mistaken;
        Configure(mistaken, tls->Port());
        mistaken.SetTrustedCertificateFile(dir.filePath("other-cert.pem"));
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, mistaken.Open());
        QVERIFY(!mistaken.Connected());
        // A client that answers the offer of TLS with anything but a handshake is hung up on.
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, tls->Port());
        QVERIFY(raw.waitForConnected(5000));
        raw.write(Remote::EncodeFrame(Remote::TMessage::Hello()));
        QVERIFY(raw.waitForReadyRead(5000));
        raw.readAll();
        raw.write(QByteArray(64, 'g'));
        raw.flush();
        QTRY_COMPARE_WITH_TIMEOUT(raw.state(), QAbstractSocket::UnconnectedState, 5000);
        // The server carries on with the clients it trusts.
        QCOMPARE(trusted.AppServer().Call(1, {Variant(1)}).ToInt(), 1);

        // A client that expects TLS refuses a server that does not offer it.
        TSocketConnection plain;
        Configure(plain, FServer->Port());
        plain.SetTrustedCertificateFile(dir.filePath("cert.pem"));
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, plain.Open());
    }
};

QTEST_GUILESS_MAIN(TstRemoteCalls)
#include "tst_RemoteCalls.moc"
