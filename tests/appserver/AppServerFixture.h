#pragma once
// A fresh application server on its own thread, on a free loopback port, over a new database:
// an SQLite file in a temporary folder, or, when ORV7_TEST_DATABASE is QPSQL (CTest runs the
// tests registered with lum_test_on_postgres that way too), a new database of the test
// program's throw-away PostgreSQL cluster. A test may prepare the database before the server
// opens it (an older database, for one).
//
// Only signed-in connections reach the server's data: the fixture signs the test process in as
// the demo administrator when the server has started (the process's session ticket then goes
// with every connection it opens), unless it is made signed out. SignIn and SignOut change that
// later.

#include "ApplicationServer.h"
#include "ServerThread.h"
#include "SessionTicket.h"
#include "SignIn.h"
#include "SocketConnection.h"
#include "TempPostgres.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// Whether the tests run on PostgreSQL rather than SQLite.
inline bool OnPostgres() {
    return qEnvironmentVariable("ORV7_TEST_DATABASE") == QLatin1String("QPSQL");
}

// Skips the test (in initTestCase, init or a test function) when it runs on PostgreSQL and
// this machine cannot start a cluster.
#define SKIP_WITHOUT_TEST_DATABASE()                                                               \
    do {                                                                                           \
        if (OnPostgres()) {                                                                        \
            const QString why = TTempPostgres::Unavailable();                                      \
            if (!why.isEmpty())                                                                    \
                QSKIP(qPrintable(QStringLiteral("PostgreSQL tests skipped: ") + why));             \
        }                                                                                          \
    } while (false)

// A new empty database of the engine the tests run on.
class TTestDatabase {
public:
    explicit TTestDatabase(bool postgres = OnPostgres()) {
        FConfig.HashCost = THashCost::Minimal;
        if (postgres) {
            TTempPostgres &cluster = TTempPostgres::Shared();
            FConfig.Driver = QStringLiteral("QPSQL");
            FConfig.Name = cluster.CreateDatabase();
            FConfig.Host = cluster.Host();
            FConfig.Port = cluster.Port();
            FConfig.User = cluster.User();
        } else {
            FConfig.Name = FDir.filePath(QStringLiteral("school.sqlite"));
        }
    }

    const TDatabaseConfig &Config() const { return FConfig; }

    // Runs a statement straight on the database, beside any server; returns the first column
    // of the first row (invalid when there is none, or when the statement failed).
    QVariant Query(const QString &sql) const {
        QVariant value;
        {
            QSqlDatabase db = Open(QStringLiteral("peek"));
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        return value;
    }

    // Runs statements straight on the database; fails the test at the first that fails.
    void Run(const QStringList &statements) const {
        QString error;
        {
            QSqlDatabase db = Open(QStringLiteral("run"));
            QSqlQuery q(db);
            for (const QString &sql : statements)
                if (error.isEmpty() && !q.exec(sql))
                    error = sql + QStringLiteral(": ") + q.lastError().text();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("run"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // Drops every view, as a database made before the server had views would be; fails the
    // test when a statement fails.
    void DropViews() const {
        QStringList views;
        {
            QSqlDatabase db = Open(QStringLiteral("views"));
            QSqlQuery q(db);
            q.exec(db.driverName() == QLatin1String("QSQLITE")
                       ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view'")
                       : QStringLiteral("SELECT table_name FROM information_schema.views WHERE "
                                        "table_schema = current_schema()"));
            while (q.next())
                views << QStringLiteral("DROP VIEW %1").arg(q.value(0).toString());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("views"));
        Run(views);
    }

    // Runs work while a transaction of a connection of its own holds what lockStatement locks
    // (PostgreSQL: an advisory lock, rows FOR UPDATE); fails the test when the statement fails.
    static void Holding(const TDatabaseConfig &config, const QString &lockStatement,
                        const std::function<void()> &work) {
        const QString connection = QStringLiteral("hold");
        QString error;
        {
            QSqlDatabase db = Open(config, connection);
            db.transaction();
            QSqlQuery q(db);
            if (q.exec(lockStatement))
                work();
            else
                error = q.lastError().text();
            db.rollback();
        }
        QSqlDatabase::removeDatabase(connection);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

private:
    QSqlDatabase Open(const QString &connection) const { return Open(FConfig, connection); }
    static QSqlDatabase Open(const TDatabaseConfig &config, const QString &connection) {
        QSqlDatabase db = QSqlDatabase::addDatabase(config.Driver, connection);
        db.setDatabaseName(config.Name);
        db.setHostName(config.Host);
        db.setPort(config.Port);
        db.setUserName(config.User);
        db.open();
        return db;
    }

    QTemporaryDir FDir;
    TDatabaseConfig FConfig;
};

enum class TFixtureSignIn { Admin, SignedOut };

class TAppServerFixture {
public:
    // On a free port, or on the given one. `configure` may change the server's settings.
    explicit TAppServerFixture(
        const std::function<void(const TTestDatabase &)> &prepare = {}, quint16 port = 0,
        TFixtureSignIn signIn = TFixtureSignIn::Admin,
        const std::function<void(TApplicationServerConfig &)> &configure = {}) {
        if (prepare)
            prepare(FDatabase);
        TApplicationServerConfig config;
        config.Address = QHostAddress::LocalHost;
        config.Port = port;
        config.Database = FDatabase.Config();
        if (configure)
            configure(config);
        FThread =
            std::make_unique<TServerThread>([config] { return new TApplicationServer(config); });
        FThread->StartServer();
        if (signIn == TFixtureSignIn::Admin)
            SignIn();
        else
            SignOut();
    }

    // Signs the test process in (Login on the security object); raises with the server's
    // message when the login is refused.
    void SignIn(const QString &id = QStringLiteral("ADMIN"),
                const QString &password = QStringLiteral("orv7-admin")) const {
        QString why;
        if (!SignInAt(Port(), id, password, &why))
            throw Exception(QStringLiteral("Cannot sign in as %1: %2").arg(id, why));
    }
    // Forgets the process's ticket (the server still holds it).
    static void SignOut() { TSessionTicket::Clear(); }

    quint16 Port() const { return FThread->Port(); }
    TServerThread &Thread() const { return *FThread; }
    const TTestDatabase &Database() const { return FDatabase; }

    std::unique_ptr<TSocketConnection> Connect(const QString &progId, quint16 port = 0) const {
        auto c = std::make_unique<TSocketConnection>();
        c->SetServerName(progId);
        c->SetAddress(QStringLiteral("127.0.0.1"));
        c->SetPort(port ? port : Port());
        c->SetTimeout(10000);
        c->Open();
        return c;
    }

    // A value read (or a statement run) straight on the database, beside the server.
    QVariant Query(const QString &sql) const { return FDatabase.Query(sql); }

private:
    TTestDatabase FDatabase;
    std::unique_ptr<TServerThread> FThread;
};
