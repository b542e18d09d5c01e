#pragma once
// Sends every logical server of the location table, the bootstrap broker and the job-security
// broker to one test server on loopback.

#include "AppServerFixture.h"
#include "RadServer.h"
#include "uObjServers.h"

inline void PointServersAt(TAppServerFixture &server) {
    OrvServerDataSet->LocalBroker()->Servers().clear();
    OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"), server.Port());
    server.Query(QStringLiteral("UPDATE ServerLocation SET ComputerName='127.0.0.1', Port=%1")
                     .arg(server.Port()));
    SrvJobSecurityBroker->Servers().clear();
    SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), server.Port());
}
