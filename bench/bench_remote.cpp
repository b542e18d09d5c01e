// Remote calls over loopback against a raw socket echo of the same bytes in the same run, over
// plain TCP and over TLS:
//
//   SmallCall   a method with one integer argument and an integer result, on an open
//               connection                    | the same request and reply byte counts echoed
//   Fetch10k    AS_GetRecords of a provider over a 10,000-row dataset held in memory (all rows
//               with metadata; the server packs them every call) | the same byte counts echoed
//   Fetch10kSql the same rows from a provider over an SQL query on an SQLite file, which reads
//               the table anew every call          | the same byte counts echoed
//
// And the fetch against what a school would otherwise run, a two-tier client:
//
//   Fetch10kSchool_Dataset  a client dataset opened over the wire from the provider
//               "xspCodeTable" of a real application server (signed in as the administrator),
//               whose code table holds 10,000 rows, on an SQLite file or on a database of a
//               throw-away PostgreSQL cluster, plain or TLS
//   Fetch10kSchool_Direct   the provider's SELECT run by this process on the same database
//               through Qt SQL, forward-only, every value of every row read into memory
//
// PostgreSQL runs are skipped, with the reason, when this machine cannot start a cluster.
//
// The echo server answers each request of N bytes with the reply's M bytes, so the peer pays
// for the transport only; the difference is the protocol, the variant encoding and the work
// behind the call. Times are wall times (the client waits for other threads), items per second
// are calls per second (rows per second for the school's fetches). Fetch..._InProcess is the
// same fetch from the provider in this process: what the call costs without any wire. After the
// runs a table prints each pair, their ratio and, for the fetch, the remote time less the
// in-process time; a second table compares the three-tier fetch with the direct one.

#include "AppServerFixture.h"
#include "BenchRatio.h"
#include "ClientDataSet.h"
#include "ObjectServer.h"
#include "ProgramAllocator.h"
#include "Provider.h"
#include "RemoteObject.h"
#include "ServerThread.h"
#include "SessionTicket.h"
#include "SignIn.h"
#include "SocketConnection.h"
#include "SqlQuery.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

const QString kProgId = QStringLiteral("Bench.RemoteINTF");
constexpr int kRows = 10000;

// ---- certificate ---------------------------------------------------------------------------

struct TCertificate {
    QTemporaryDir Dir;
    bool Ok = false;
    QString Cert() const { return Dir.filePath("cert.pem"); }
    QString Key() const { return Dir.filePath("key.pem"); }
};

TCertificate &Certificate() {
    static TCertificate c;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (!QStandardPaths::findExecutable("openssl").isEmpty()) {
            QProcess openssl;
            openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                                      "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", c.Key(),
                                      "-out", c.Cert(), "-days", "2", "-subj", "/CN=localhost",
                                      "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"});
            c.Ok = openssl.waitForFinished(30000) && openssl.exitCode() == 0;
        }
    }
    return c;
}

// ---- our server ----------------------------------------------------------------------------

class TBenchObject : public TRemoteObject {
public:
    explicit TBenchObject(IAppServer *providers) {
        Method(1, "Next", 1, {}, [](TRemoteCall &c) { return Variant(c.Int(0) + 1); });
        PublishAppServer(providers);
    }
};

// The rows behind the providers, on the server thread: "xspRows" over a client dataset held
// in memory, and "sqlRows" over an SQL query on an SQLite file with the same rows, read anew
// at every fetch (as the application server's providers read their tables).
struct TProviderData {
    QTemporaryDir Dir;
    QString Connection;
    TComponent Owner;
    TLocalAppServer Local;
    TProviderData() {
        static int serial = 0;
        Connection = QStringLiteral("bench-rows-%1").arg(++serial);
        auto *ds = new TClientDataSet(&Owner);
        AddFieldDefs(ds->FieldDefs());
        ds->CreateDataSet();
        for (int i = 0; i < kRows; ++i) {
            ds->Append();
            ds->Fields()[0]->SetValue(Variant(i + 1));
            ds->Fields()[1]->SetValue(Variant(QStringLiteral("C%1").arg(i, 5, 10, QChar(u'0'))));
            ds->Fields()[2]->SetValue(Variant(QStringLiteral("學生%1").arg(i)));
            ds->Fields()[3]->SetValue(Variant((i * 37 % 10000) / 100.0));
            ds->Fields()[4]->SetValue(Variant(TDateTime::EncodeDate(2000 + i % 20, 1 + i % 12, 1)));
            ds->Fields()[5]->SetValue(Variant(i % 3 != 0));
            ds->Post();
        }
        ds->MergeChangeLog();
        auto *provider = new TDataSetProvider(&Owner);
        provider->SetDataSet(ds);
        Local.RegisterProvider(provider, "xspRows");

        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
        db.setDatabaseName(Dir.filePath(QStringLiteral("rows.sqlite")));
        if (!db.open())
            qFatal("cannot create the benchmark's SQLite file");
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE rows (ID INTEGER PRIMARY KEY, Code VARCHAR(10), "
                              "Name VARCHAR(30), Score DOUBLE, Born VARCHAR(10), Active INTEGER)"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO rows VALUES (?,?,?,?,?,?)"));
        for (ds->First(); !ds->Eof(); ds->Next()) {
            for (int f = 0; f < 6; ++f)
                q.bindValue(f, VariantToSql(ds->Fields()[f]->Value(), ds->Fields()[f]->DataType()));
            q.exec();
        }
        db.commit();
        auto *query = new TSqlQuery(&Owner);
        query->SetConnectionName(Connection);
        query->SetSQL(QStringLiteral("SELECT * FROM rows ORDER BY ID"));
        AddFieldDefs(query->FieldDefs());
        auto *sqlProvider = new TDataSetProvider(&Owner);
        sqlProvider->SetDataSet(query);
        Local.RegisterProvider(sqlProvider, "sqlRows");
    }
    ~TProviderData() { QSqlDatabase::removeDatabase(Connection); }
    static void AddFieldDefs(TFieldDefs &defs) {
        defs.Add("ID", ftInteger);
        defs.Add("Code", ftString, 10);
        defs.Add("Name", ftString, 30);
        defs.Add("Score", ftFloat);
        defs.Add("Born", ftDate);
        defs.Add("Active", ftBoolean);
    }
};

// ---- the echo peer -------------------------------------------------------------------------

// Each connection first sends two 4-byte numbers: the request and the reply size. Then every
// complete request is answered with a reply of that size.
class TEchoServer : public QTcpServer {
public:
    TEchoServer(bool tls) : FTls(tls) {}

protected:
    void incomingConnection(qintptr descriptor) override {
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto buffer = std::make_shared<QByteArray>();
        auto sizes = std::make_shared<std::pair<qint64, qint64>>(-1, -1);
        auto reply = std::make_shared<QByteArray>();
        connect(socket, &QIODevice::readyRead, socket, [socket, buffer, sizes, reply] {
            buffer->append(socket->readAll());
            if (sizes->first < 0) {
                if (buffer->size() < 8)
                    return;
                sizes->first = qFromBigEndian<quint32>(buffer->constData());
                sizes->second = qFromBigEndian<quint32>(buffer->constData() + 4);
                *reply = QByteArray(sizes->second, 'r');
                buffer->remove(0, 8);
            }
            while (buffer->size() >= sizes->first) {
                buffer->remove(0, sizes->first);
                socket->write(*reply);
            }
        });
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        if (FTls) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificate(QSslCertificate::fromPath(Certificate().Cert()).value(0));
            QFile key(Certificate().Key());
            key.open(QIODevice::ReadOnly);
            config.setPrivateKey(QSslKey(&key, QSsl::Ec));
            config.setPeerVerifyMode(QSslSocket::VerifyNone);
            socket->setSslConfiguration(config);
            socket->startServerEncryption();
        }
    }

private:
    bool FTls;
};

class TEchoThread : public QThread {
public:
    explicit TEchoThread(bool tls) : FTls(tls) {}
    ~TEchoThread() override {
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
        TEchoServer server(FTls);
        server.listen(QHostAddress::LocalHost, 0);
        FPort = server.serverPort();
        FReady.release();
        exec();
    }

private:
    bool FTls;
    quint16 FPort = 0;
    QSemaphore FReady;
};

// A raw client of the echo server.
class TEchoClient {
public:
    TEchoClient(quint16 port, bool tls, qint64 requestSize, qint64 replySize)
        : FRequest(requestSize, 'q'), FReplySize(replySize) {
        FSocket.connectToHost(QHostAddress::LocalHost, port);
        FSocket.waitForConnected(5000);
        FSocket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (tls) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.addCaCertificates(Certificate().Cert());
            FSocket.setSslConfiguration(config);
            FSocket.setPeerVerifyName("127.0.0.1");
            FSocket.startClientEncryption();
            FSocket.waitForEncrypted(5000);
        }
        QByteArray header(8, Qt::Uninitialized);
        qToBigEndian(quint32(requestSize), header.data());
        qToBigEndian(quint32(replySize), header.data() + 4);
        FSocket.write(header);
    }
    bool RoundTrip() {
        FSocket.write(FRequest);
        qint64 got = 0;
        while (got < FReplySize) {
            if (FSocket.bytesAvailable() == 0 && !FSocket.waitForReadyRead(10000))
                return false;
            got += FSocket.read(FBuffer.data(), qMin<qint64>(FBuffer.size(), FReplySize - got));
        }
        return true;
    }

private:
    QSslSocket FSocket;
    QByteArray FRequest;
    qint64 FReplySize;
    QByteArray FBuffer = QByteArray(1 << 16, Qt::Uninitialized);
};

// ---- both servers, plain or TLS ------------------------------------------------------------

struct TRig {
    std::unique_ptr<TProviderData> Data;
    std::unique_ptr<TServerThread> Server;
    std::unique_ptr<TEchoThread> Echo;
    quint16 EchoPort = 0;
    bool Tls;

    explicit TRig(bool tls) : Tls(tls) {
        Server = std::make_unique<TServerThread>([this] {
            Data = std::make_unique<TProviderData>();
            auto *server = new TObjectServer;
            IAppServer *providers = &Data->Local;
            server->RegisterClass(kProgId, [providers](const TRemoteSession &) {
                return std::make_unique<TBenchObject>(providers);
            });
            if (Tls)
                server->LoadCertificate(Certificate().Cert(), Certificate().Key());
            server->Listen(QHostAddress::LocalHost, 0);
            return server;
        });
        Server->StartServer();
        Echo = std::make_unique<TEchoThread>(tls);
        EchoPort = Echo->Start();
    }
    ~TRig() {
        Server->RunOnServer([this](TObjectServer *) { Data.reset(); });
        Server->StopServer();
    }

    std::unique_ptr<TSocketConnection> Connect() const {
        auto c = std::make_unique<TSocketConnection>();
        c->SetServerName(kProgId);
        c->SetAddress("127.0.0.1");
        c->SetPort(Server->Port());
        if (Tls)
            c->SetTrustedCertificateFile(Certificate().Cert());
        c->Open();
        return c;
    }
};

std::unique_ptr<TRig> gRigs[2];

TRig &Rig(bool tls) {
    auto &rig = gRigs[tls ? 1 : 0];
    if (!rig)
        rig = std::make_unique<TRig>(tls);
    return *rig;
}

bool Skip(benchmark::State &state, bool tls) {
    if (tls && !Certificate().Ok) {
        state.SkipWithError("openssl is not installed: no certificate for TLS");
        return true;
    }
    return false;
}

// The fetches measured: every row with metadata, the SQL provider reading its table anew.
struct TFetch {
    const char *Provider;
    int Options;
};
const TFetch kMemoryFetch{"xspRows", grMetaData};
const TFetch kSqlFetch{"sqlRows", grMetaData | grReset};

std::vector<Variant> FetchArgs(const TFetch &fetch) {
    return {Variant(fetch.Provider), Variant(-1), Variant(), Variant(fetch.Options),
            Variant(QString()),      Variant(),   Variant()};
}

// ---- the application server against a two-tier client -------------------------------------

// The school's code table, emptied and filled with kRows rows beside a running application
// server, read by the server's provider "xspCodeTable" with this very statement.
const QString kCodeProgId = QStringLiteral("SystemObj.CodeTableINTF");
const QString kCodeProvider = QStringLiteral("xspCodeTable");
const QString kCodeSelect =
    QStringLiteral("SELECT Main_Code, Code, Descript, ALevel, AParent, AValue, ADate "
                   "FROM CodeTable ORDER BY Main_Code, Code");
constexpr int kCodeColumns = 7;

QSqlDatabase OpenDatabase(const TDatabaseConfig &config, const QString &connection) {
    QSqlDatabase db = QSqlDatabase::addDatabase(config.Driver, connection);
    db.setDatabaseName(config.Name);
    db.setHostName(config.Host);
    db.setPort(config.Port);
    db.setUserName(config.User);
    db.setPassword(config.Password);
    if (!db.open())
        throw std::runtime_error("cannot open the school's database: " +
                                 db.lastError().text().toStdString());
    return db;
}

void FillCodeTable(QSqlDatabase db) {
    QSqlQuery q(db);
    auto run = [&q](bool ok) {
        if (!ok)
            throw std::runtime_error("cannot fill the code table: " +
                                     q.lastError().text().toStdString());
    };
    db.transaction();
    run(q.exec(QStringLiteral("DELETE FROM CodeTable")));
    run(q.prepare(QStringLiteral("INSERT INTO CodeTable (Main_Code, Code, Descript, ALevel, "
                                 "AParent, AValue, ADate) VALUES (?,?,?,?,?,?,?)")));
    for (int i = 0; i < kRows; ++i) {
        q.bindValue(0, QStringLiteral("BENCH%1").arg(i / 1000));
        q.bindValue(1, QStringLiteral("%1").arg(i, 5, 10, QChar(u'0')));
        q.bindValue(2, QStringLiteral("代碼說明第%1項（測試用）").arg(i));
        q.bindValue(3, 1 + i % 3);
        q.bindValue(4, i % 4 == 0 ? QVariant(QMetaType(QMetaType::QString))
                                  : QVariant(QStringLiteral("%1").arg(i / 10, 5, 10, QChar(u'0'))));
        q.bindValue(5, i * 7);
        q.bindValue(6, QStringLiteral("20%1-%2-%3 08:%4:00")
                           .arg(10 + i % 15)
                           .arg(1 + i % 12, 2, 10, QChar(u'0'))
                           .arg(1 + i % 28, 2, 10, QChar(u'0'))
                           .arg(i % 60, 2, 10, QChar(u'0')));
        run(q.exec());
    }
    db.commit();
}

// An application server on its own database (SQLite file or a database of the throw-away
// PostgreSQL cluster), plain or TLS, with the code table filled and this process signed in as
// the administrator; and, on the plain one, the two-tier client's own connection to the
// database.
struct TSchoolRig {
    std::unique_ptr<TAppServerFixture> Server;
    QByteArray Ticket;
    QString Direct;
    bool Tls = false;

    TSchoolRig(bool postgres, bool tls) : Tls(tls) {
        if (tls && !Certificate().Ok)
            throw std::runtime_error("openssl is not installed: no certificate for TLS");
        static int serial = 0;
        Direct = QStringLiteral("bench-school-%1").arg(++serial);
        if (postgres && !TTempPostgres::Unavailable().isEmpty())
            throw std::runtime_error(TTempPostgres::Unavailable().toStdString());
        // The fixture makes its database on the engine the tests are told to run on.
        qputenv("ORV7_TEST_DATABASE", postgres ? "QPSQL" : "QSQLITE");
        Server = std::make_unique<TAppServerFixture>(
            nullptr, 0, TFixtureSignIn::SignedOut, [tls](TApplicationServerConfig &config) {
                if (tls) {
                    config.CertificateFile = Certificate().Cert();
                    config.KeyFile = Certificate().Key();
                }
            });
        if (Server->Database().Config().Driver != (postgres ? "QPSQL" : "QSQLITE"))
            throw std::runtime_error("the server runs on another engine than asked for");
        FillCodeTable(OpenDatabase(Server->Database().Config(), Direct));
        if (tls)
            QSqlDatabase::removeDatabase(Direct);
        QString why;
        if (!SignInAt(Server->Port(), QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"), &why,
                      tls ? Certificate().Cert() : QString()))
            throw std::runtime_error("cannot sign in: " + why.toStdString());
        Ticket = TSessionTicket::Current();
    }
    ~TSchoolRig() {
        Server.reset();
        if (!Tls)
            QSqlDatabase::removeDatabase(Direct);
    }

    // A connection to the code table's server object, presenting this server's ticket.
    std::unique_ptr<TSocketConnection> Connect() const {
        TSessionTicket::Set(Ticket);
        auto c = std::make_unique<TSocketConnection>();
        c->SetServerName(kCodeProgId);
        c->SetAddress(QStringLiteral("127.0.0.1"));
        c->SetPort(Server->Port());
        c->SetTimeout(60000);
        if (Tls)
            c->SetTrustedCertificateFile(Certificate().Cert());
        c->Open();
        return c;
    }
};

// By engine (SQLite, PostgreSQL) and transport (plain, TLS); a rig that could not be made
// keeps the reason, and its benchmarks are skipped with it.
std::unique_ptr<TSchoolRig> gSchools[2][2];
std::string gSchoolErrors[2][2];

TSchoolRig *School(benchmark::State &state, bool postgres, bool tls) {
    auto &rig = gSchools[postgres][tls];
    std::string &error = gSchoolErrors[postgres][tls];
    if (!rig && error.empty()) {
        try {
            rig = std::make_unique<TSchoolRig>(postgres, tls);
        } catch (const std::exception &e) { // the platform's exceptions too
            error = e.what();
        }
        if (error.empty() && !rig)
            error = "the server did not start";
    }
    if (!rig) {
        state.SkipWithError(
            ((postgres ? "PostgreSQL skipped: " : "SQLite skipped: ") + error).c_str());
        return nullptr;
    }
    return rig.get();
}

// ---- benchmarks ----------------------------------------------------------------------------

void SmallCall_Remote(benchmark::State &state) {
    const bool tls = state.range(0) != 0;
    if (Skip(state, tls))
        return;
    auto c = Rig(tls).Connect();
    TRemoteDispatch d = c->AppServer();
    int value = 0;
    for (auto _ : state)
        value = d.Call(1, {Variant(value)}).ToInt();
    if (value != int(state.iterations()))
        state.SkipWithError("wrong results");
    state.SetItemsProcessed(state.iterations());
}

void SmallCall_Echo(benchmark::State &state) {
    const bool tls = state.range(0) != 0;
    if (Skip(state, tls))
        return;
    const qint64 request =
        Remote::EncodeFrame(Remote::TMessage::Invoke(1, 1, QString(), {Variant(41)})).size();
    const qint64 reply = Remote::EncodeFrame(Remote::TMessage::Result(Variant(42), {})).size();
    TEchoClient echo(Rig(tls).EchoPort, tls, request, reply);
    for (auto _ : state)
        if (!echo.RoundTrip())
            state.SkipWithError("echo failed");
    state.SetItemsProcessed(state.iterations());
}

void FetchRemote(benchmark::State &state, const TFetch &fetch) {
    const bool tls = state.range(0) != 0;
    if (Skip(state, tls))
        return;
    auto c = Rig(tls).Connect();
    qint64 bytes = 0;
    for (auto _ : state) {
        std::vector<Variant> args = FetchArgs(fetch);
        bytes += c->Invoke(Remote::DispAS_GetRecords, QString(), args).ToBytes().size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(bytes);
}

// The same fetch from the provider in this process: the work behind the call, without wire.
void FetchInProcess(benchmark::State &state, const TFetch &fetch) {
    TProviderData data;
    qint64 bytes = 0;
    for (auto _ : state) {
        int recsOut = 0;
        Variant params, owner;
        bytes +=
            data.Local
                .AS_GetRecords(fetch.Provider, -1, recsOut, fetch.Options, QString(), params, owner)
                .ToBytes()
                .size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(bytes);
}

void FetchEcho(benchmark::State &state, const TFetch &fetch) {
    const bool tls = state.range(0) != 0;
    if (Skip(state, tls))
        return;
    // The byte counts of one real call.
    auto c = Rig(tls).Connect();
    std::vector<Variant> args = FetchArgs(fetch);
    const Variant packet = c->Invoke(Remote::DispAS_GetRecords, QString(), args);
    const qint64 request =
        Remote::EncodeFrame(
            Remote::TMessage::Invoke(1, Remote::DispAS_GetRecords, QString(), FetchArgs(fetch)))
            .size();
    const qint64 reply =
        Remote::EncodeFrame(
            Remote::TMessage::Result(packet, {{2, args[2]}, {5, args[5]}, {6, args[6]}}))
            .size();
    TEchoClient echo(Rig(tls).EchoPort, tls, request, reply);
    for (auto _ : state)
        if (!echo.RoundTrip())
            state.SkipWithError("echo failed");
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * packet.ToBytes().size());
}

void Fetch10k_Remote(benchmark::State &state) {
    FetchRemote(state, kMemoryFetch);
}
void Fetch10k_InProcess(benchmark::State &state) {
    FetchInProcess(state, kMemoryFetch);
}
void Fetch10k_Echo(benchmark::State &state) {
    FetchEcho(state, kMemoryFetch);
}
void Fetch10kSql_Remote(benchmark::State &state) {
    FetchRemote(state, kSqlFetch);
}
void Fetch10kSql_InProcess(benchmark::State &state) {
    FetchInProcess(state, kSqlFetch);
}
void Fetch10kSql_Echo(benchmark::State &state) {
    FetchEcho(state, kSqlFetch);
}

// Three tiers: a client dataset opened over the wire from the server's provider, which reads
// the table anew (every row with metadata), then closed.
void Fetch10kSchool_Dataset(benchmark::State &state) {
    const bool postgres = state.range(0) != 0;
    const bool tls = state.range(1) != 0;
    TSchoolRig *rig = School(state, postgres, tls);
    if (!rig)
        return;
    auto c = rig->Connect();
    TClientDataSet ds;
    ds.SetAppServer(c->GetServer());
    ds.SetProviderName(kCodeProvider);
    int rows = 0;
    int fields = 0;
    for (auto _ : state) {
        ds.Open();
        rows = ds.RecordCount();
        fields = ds.FieldCount();
        ds.Close();
    }
    if (rows != kRows || fields != kCodeColumns)
        state.SkipWithError("the dataset does not hold the code table");
    state.SetItemsProcessed(state.iterations() * rows);
}

// Two tiers: the same statement run by this process on the database through Qt SQL,
// forward-only, every value of every row read into memory.
void Fetch10kSchool_Direct(benchmark::State &state) {
    const bool postgres = state.range(0) != 0;
    TSchoolRig *rig = School(state, postgres, false);
    if (!rig)
        return;
    QSqlDatabase db = QSqlDatabase::database(rig->Direct);
    size_t rows = 0;
    size_t values = 0;
    for (auto _ : state) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(kCodeSelect)) {
            state.SkipWithError(q.lastError().text().toStdString().c_str());
            return;
        }
        std::vector<QVariant> read;
        const int columns = q.record().count();
        rows = 0;
        while (q.next()) {
            for (int i = 0; i < columns; ++i)
                read.push_back(q.value(i));
            ++rows;
        }
        values = read.size();
        benchmark::DoNotOptimize(read.data());
    }
    if (rows != size_t(kRows) || values != size_t(kRows) * kCodeColumns)
        state.SkipWithError("the query did not read the code table");
    state.SetItemsProcessed(state.iterations() * qint64(rows));
}

// ---- ratios --------------------------------------------------------------------------------

class TRatioReporter : public TTimesReporter {
public:
    TRatioReporter() : TTimesReporter(true) {}
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-16s %12s %12s %10s %7s %7s %16s\n", "work", "remote", "echo", "calls/s",
                    "ratio", "target", "remote-inprocess");
        for (const auto &[name, time] : FTimes) {
            const size_t at = name.find("_Remote");
            if (at == std::string::npos)
                continue;
            std::string peer = name;
            peer.replace(at, 7, "_Echo");
            const auto it = FTimes.find(peer);
            if (it == FTimes.end())
                continue;
            std::string work = name.substr(0, at);
            work += name.find("/1") != std::string::npos ? " TLS" : " plain";
            std::printf("%-16s %9.1f us %9.1f us %10.0f %7.2f %7.1f", work.c_str(), time,
                        it->second, 1e6 / time, time / it->second, 2.0);
            const auto inProcess = FTimes.find(name.substr(0, at) + "_InProcess/real_time");
            if (inProcess != FTimes.end())
                std::printf(" %13.1f us", time - inProcess->second);
            std::printf("\n");
        }

        std::printf("\n%-22s %12s %12s %7s %7s\n", "10,000 rows", "three-tier", "direct", "ratio",
                    "target");
        for (const char *engine : {"SQLite", "PostgreSQL"})
            for (const char *transport : {"plain", "TLS"}) {
                const bool pg = engine[0] == 'P';
                const bool tls = transport[0] == 'T';
                const std::string args = std::string("/pg:") + (pg ? "1" : "0");
                const auto dataset = FTimes.find("Fetch10kSchool_Dataset" + args +
                                                 "/tls:" + (tls ? "1" : "0") + "/real_time");
                const auto direct = FTimes.find("Fetch10kSchool_Direct" + args + "/real_time");
                const std::string work = std::string(engine) + " " + transport;
                if (dataset == FTimes.end() || direct == FTimes.end()) {
                    std::printf("%-22s %12s %12s %7s %7.1f\n", work.c_str(), "skipped", "", "",
                                1.5);
                    continue;
                }
                std::printf("%-22s %9.1f us %9.1f us %7.2f %7.1f\n", work.c_str(), dataset->second,
                            direct->second, dataset->second / direct->second, 1.5);
            }
    }
};

} // namespace

BENCHMARK(SmallCall_Remote)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(SmallCall_Echo)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10k_Remote)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10k_InProcess)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10k_Echo)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10kSql_Remote)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10kSql_InProcess)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10kSql_Echo)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10kSchool_Dataset)
    ->ArgNames({"pg", "tls"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(Fetch10kSchool_Direct)
    ->ArgNames({"pg"})
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv) {
    // The allocator settings of the server program.
    UseProgramAllocator();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (auto &rig : gRigs)
        rig.reset();
    for (auto &engine : gSchools)
        for (auto &rig : engine)
            rig.reset();
    benchmark::Shutdown();
    return 0;
}
