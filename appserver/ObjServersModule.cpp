#include "ObjServersModule.h"

#include "RemoteProtocol.h"

TObjServersModule::TObjServersModule(const TServerContext &context)
    : TServerModule(context, {{QStringLiteral("xspServerLocation"),
                               QStringLiteral("SELECT ServerName, ComputerName, Port FROM "
                                              "ServerLocation ORDER BY ServerName, ComputerName"),
                               QStringLiteral("ServerLocation"),
                               {QStringLiteral("ServerName"), QStringLiteral("ComputerName")},
                               {},
                               {{QStringLiteral("ServerName"), ftString, 40},
                                {QStringLiteral("ComputerName"), ftString, 80},
                                {QStringLiteral("Port"), ftInteger, 0}}}}) {
    Method(1, "ReadServerData", 1, {}, [this](TRemoteCall &c) {
        std::vector<Variant> hosts;
        QSqlQuery q =
            Db().Exec(QStringLiteral("SELECT ComputerName, Port FROM ServerLocation "
                                     "WHERE UPPER(ServerName) = UPPER(?) ORDER BY ComputerName"),
                      {c.Str(0)});
        while (q.next())
            hosts.push_back(Variant::ArrayOf(
                {Variant(q.value(0).toString()), Variant(q.value(1).toInt()), Variant(true)}));
        return Variant::ArrayOf(std::move(hosts));
    });
    Method(2, "GetServerNames", 0, {}, [this](TRemoteCall &) {
        return Variant(Text(Column(
            QStringLiteral("SELECT DISTINCT ServerName FROM ServerLocation ORDER BY ServerName"))));
    });
    Method(3, "RegistryServer", 3, {}, [this](TRemoteCall &c) {
        if (c.Str(0).trimmed().isEmpty() || c.Str(1).trimmed().isEmpty())
            throw EServerError(
                QStringLiteral("A server location needs a server and a computer name"));
        if (c.Int(2) <= 0 || c.Int(2) > 65535)
            throw EServerError(QStringLiteral("Port %1 is out of range").arg(c.Int(2)));
        Db().Transaction([&] {
            Db().Exec(
                QStringLiteral("DELETE FROM ServerLocation WHERE UPPER(ServerName) = UPPER(?) "
                               "AND UPPER(ComputerName) = UPPER(?)"),
                {c.Str(0), c.Str(1)});
            Db().Exec(QStringLiteral("INSERT INTO ServerLocation (ServerName, ComputerName, Port) "
                                     "VALUES (?, ?, ?)"),
                      {c.Str(0), c.Str(1), c.Int(2)});
        });
        return Variant();
    });
    Method(4, "UnRegistryServer", 2, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            Db().Exec(
                QStringLiteral("DELETE FROM ServerLocation WHERE UPPER(ServerName) = UPPER(?) "
                               "AND UPPER(ComputerName) = UPPER(?)"),
                {c.Str(0), c.Str(1)});
        });
        return Variant();
    });
    DeclareChangesData({"RegistryServer", "UnRegistryServer"});
}
