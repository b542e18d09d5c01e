#pragma once
// An IAppServer that passes every call on and counts what went out, for tests that prove how
// many requests reach a server.

#include "AppServer.h"

#include <QStringList>

// Passes every call on to the server's IAppServer and remembers what went out.
class TCountingServer : public IAppServer {
public:
    explicit TCountingServer(IAppServer *inner) : FInner(inner) {}
    int DataRequests = 0;
    int GetRecords = 0;
    int Calls() const { return DataRequests + GetRecords; }
    Variant LastRequest;
    Variant LastOwnerData;
    void Reset() { DataRequests = GetRecords = 0; }

    Variant AS_ApplyUpdates(const QString &p, const Variant &delta, int maxErrors, int &errors,
                            Variant &ownerData) override {
        return FInner->AS_ApplyUpdates(p, delta, maxErrors, errors, ownerData);
    }
    Variant AS_GetRecords(const QString &p, int count, int &recsOut, int options,
                          const QString &commandText, Variant &params,
                          Variant &ownerData) override {
        ++GetRecords;
        LastOwnerData = ownerData;
        return FInner->AS_GetRecords(p, count, recsOut, options, commandText, params, ownerData);
    }
    Variant AS_DataRequest(const QString &p, const Variant &data) override {
        ++DataRequests;
        LastRequest = data;
        return FInner->AS_DataRequest(p, data);
    }
    QStringList AS_GetProviderNames() override { return FInner->AS_GetProviderNames(); }
    Variant AS_GetParams(const QString &p, Variant &ownerData) override {
        return FInner->AS_GetParams(p, ownerData);
    }
    Variant AS_RowRequest(const QString &p, const Variant &row, int type,
                          Variant &ownerData) override {
        return FInner->AS_RowRequest(p, row, type, ownerData);
    }
    void AS_Execute(const QString &p, const QString &commandText, Variant &params,
                    Variant &ownerData) override {
        FInner->AS_Execute(p, commandText, params, ownerData);
    }

private:
    IAppServer *FInner;
};
