#include "uJobServerData.h"

#include "uJobControls.h"

#include "SocketConnection.h"
#include "uObjServers.h"

TJobServerData::TJobServerData(QObject *owner, const QString &progId)
    : TComponent(owner), FBroker(new TRADObjectBroker(
                             this, progId.contains(u'.') ? progId.section(u'.', 0, 0) : QString())),
      FConnection(new TSocketConnection(this)) {
    FConnection->SetServerName(progId);
    FConnection->SetObjectBroker(FBroker);
}

TJobServerData::~TJobServerData() {
    qDeleteAll(findChildren<TClientDataSet *>(Qt::FindDirectChildrenOnly));
}

TStatelessCDataSet *TJobServerData::AddDataSet(const QString &providerName,
                                               const QList<TJobField> &fields) {
    auto *dataSet = new TStatelessCDataSet(this);
    dataSet->SetAppServer(FConnection->GetServer());
    dataSet->SetProviderName(providerName);
    dataSet->SetPacketRecords(-1);
    AddJobFields(dataSet, fields);
    return dataSet;
}

void TJobServerData::Open(TClientDataSet *dataSet) {
    try {
        dataSet->Close();
        dataSet->Open();
    } catch (...) {
        DropLink();
        throw;
    }
    DropLink();
}

Variant TJobServerData::Call(int dispId, std::vector<Variant> args) {
    return Invoke([&] { return FConnection->AppServer().Invoke(dispId, args); });
}

Variant TJobServerData::Call(const QString &name, std::vector<Variant> &args) {
    return Invoke([&] { return FConnection->AppServer().Invoke(name, args); });
}

Variant TJobServerData::Invoke(const std::function<Variant()> &call) {
    Variant result;
    try {
        result = call();
    } catch (...) {
        DropLink();
        throw;
    }
    DropLink();
    return result;
}

void TJobServerData::DropLink() {
    try {
        FConnection->Close();
    } catch (...) {
    }
    // The next round trip tries every host of the logical server again.
    FBroker->ResetFailed();
}
