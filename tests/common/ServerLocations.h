#pragma once
// Sends every logical server of the location table, the bootstrap broker and the job-security
// broker to one test server on loopback; or the client's every way to a server.

#include "AppServerFixture.h"
#include "RadServer.h"
#include "uLumPublic.h"
#include "uObjServers.h"

inline void PointServersAt(TAppServerFixture &server) {
    OrvServerDataSet->LocalBroker()->Servers().clear();
    OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"), server.Port());
    server.Query(QStringLiteral("UPDATE ServerLocation SET ComputerName='127.0.0.1', Port=%1")
                     .arg(server.Port()));
    SrvJobSecurityBroker->Servers().clear();
    SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), server.Port());
}

// Sends the client's process-wide ways to a server to one test server on loopback, as a
// school's settings would: this machine's entry for the system objects, the job-security
// broker, the location table's bootstrap host and the remote-registry entry of every logical
// server.
inline void PointClientAt(quint16 port) {
    SetServerIPAddress(QStringLiteral("SystemObj"), QStringLiteral("127.0.0.1"));
    SetServerIPPort(QStringLiteral("SystemObj"), port);
    SrvJobSecurityBroker->Servers().clear();
    SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), port);
    OrvServerDataSet->LocalBroker()->Servers().clear();
    OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"), port);
    for (const char *name : {"DefaultServer", "SrvJobSecurity", "SystemObj"})
        RemoteRegistryServer(QLatin1String(name), QStringLiteral("127.0.0.1"), port);
}
