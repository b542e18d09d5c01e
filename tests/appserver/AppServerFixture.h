#pragma once
// A fresh application server on its own thread, on a free loopback port, over a new SQLite
// file in a temporary folder; and connections to its objects. A test may prepare the file
// before the server opens it (an older database, for one).

#include "ApplicationServer.h"
#include "ServerThread.h"
#include "SocketConnection.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class TAppServerFixture {
public:
    explicit TAppServerFixture(const std::function<void(const QString &file)> &prepare = {}) {
        if (prepare)
            prepare(DatabaseFile());
        TApplicationServerConfig config;
        config.Address = QHostAddress::LocalHost;
        config.Port = 0;
        config.Database.Name = FDir.filePath(QStringLiteral("school.sqlite"));
        config.Database.HashCost = THashCost::Minimal;
        FThread =
            std::make_unique<TServerThread>([config] { return new TApplicationServer(config); });
        FThread->StartServer();
    }

    quint16 Port() const { return FThread->Port(); }
    QString DatabaseFile() const { return FDir.filePath(QStringLiteral("school.sqlite")); }

    std::unique_ptr<TSocketConnection> Connect(const QString &progId) const {
        auto c = std::make_unique<TSocketConnection>();
        c->SetServerName(progId);
        c->SetAddress(QStringLiteral("127.0.0.1"));
        c->SetPort(Port());
        c->SetTimeout(10000);
        c->Open();
        return c;
    }

    // A value read straight from the database file, beside the server.
    QVariant Query(const QString &sql) const {
        QVariant value;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            db.setDatabaseName(DatabaseFile());
            db.open();
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        return value;
    }

private:
    QTemporaryDir FDir;
    std::unique_ptr<TServerThread> FThread;
};
