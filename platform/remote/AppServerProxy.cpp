#include "AppServerProxy.h"

#include "RemoteObject.h"
#include "SocketConnection.h"

using namespace Remote;

namespace {
int IntOf(const Variant &v) {
    return v.IsEmptyOrNull() ? 0 : v.ToInt();
}
} // namespace

Variant TAppServerProxy::AS_ApplyUpdates(const QString &providerName, const Variant &delta,
                                         int maxErrors, int &errorCount, Variant &ownerData) {
    std::vector<Variant> args{providerName, delta, maxErrors, Variant(), ownerData};
    Variant r = FConnection->Invoke(DispAS_ApplyUpdates, QString(), args);
    errorCount = IntOf(args[3]);
    ownerData = args[4];
    return r;
}

Variant TAppServerProxy::AS_GetRecords(const QString &providerName, int count, int &recsOut,
                                       int options, const QString &commandText, Variant &params,
                                       Variant &ownerData) {
    std::vector<Variant> args{providerName, count,  Variant(), options,
                              commandText,  params, ownerData};
    Variant r = FConnection->Invoke(DispAS_GetRecords, QString(), args);
    recsOut = IntOf(args[2]);
    params = args[5];
    ownerData = args[6];
    return r;
}

Variant TAppServerProxy::AS_DataRequest(const QString &providerName, const Variant &data) {
    std::vector<Variant> args{providerName, data};
    return FConnection->Invoke(DispAS_DataRequest, QString(), args);
}

QStringList TAppServerProxy::AS_GetProviderNames() {
    std::vector<Variant> args;
    const Variant r = FConnection->Invoke(DispAS_GetProviderNames, QString(), args);
    QStringList names;
    if (r.IsArray())
        for (int i = r.LowBound(); i <= r.HighBound(); ++i)
            names << VarToStr(r[i]);
    return names;
}

Variant TAppServerProxy::AS_GetParams(const QString &providerName, Variant &ownerData) {
    std::vector<Variant> args{providerName, ownerData};
    Variant r = FConnection->Invoke(DispAS_GetParams, QString(), args);
    ownerData = args[1];
    return r;
}

Variant TAppServerProxy::AS_RowRequest(const QString &providerName, const Variant &row,
                                       int requestType, Variant &ownerData) {
    std::vector<Variant> args{providerName, row, requestType, ownerData};
    Variant r = FConnection->Invoke(DispAS_RowRequest, QString(), args);
    ownerData = args[3];
    return r;
}

void TAppServerProxy::AS_Execute(const QString &providerName, const QString &commandText,
                                 Variant &params, Variant &ownerData) {
    std::vector<Variant> args{providerName, commandText, params, ownerData};
    FConnection->Invoke(DispAS_Execute, QString(), args);
    params = args[2];
    ownerData = args[3];
}
