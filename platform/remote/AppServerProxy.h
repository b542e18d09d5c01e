#pragma once
// TAppServerProxy: IAppServer over a socket connection. Each call connects when needed and
// forwards to the remote object's AS_* method, so a client dataset bound to a remote server
// behaves as one bound to providers in the same process.

#include "AppServer.h"

class TSocketConnection;

class TAppServerProxy : public IAppServer {
public:
    explicit TAppServerProxy(TSocketConnection *connection) : FConnection(connection) {}
    TSocketConnection *Connection() const { return FConnection; }

    Variant AS_ApplyUpdates(const QString &providerName, const Variant &delta, int maxErrors,
                            int &errorCount, Variant &ownerData) override;
    Variant AS_GetRecords(const QString &providerName, int count, int &recsOut, int options,
                          const QString &commandText, Variant &params, Variant &ownerData) override;
    Variant AS_DataRequest(const QString &providerName, const Variant &data) override;
    QStringList AS_GetProviderNames() override;
    Variant AS_GetParams(const QString &providerName, Variant &ownerData) override;
    Variant AS_RowRequest(const QString &providerName, const Variant &row, int requestType,
                          Variant &ownerData) override;
    void AS_Execute(const QString &providerName, const QString &commandText, Variant &params,
                    Variant &ownerData) override;

private:
    TSocketConnection *FConnection;
};
