#include "uLumRemoteData.h"

#include "Exceptions.h"
#include "SocketConnection.h"
#include "StatelessDataSet.h"
#include "uObjServers.h"

void CopyDataPacket(TClientDataSet *target, TClientDataSet *source) {
    if (!target || !source)
        throw Exception(QStringLiteral("Data Set Is Nil"));
    if (target == source)
        return;
    if (!source->Active()) {
        target->Close();
        return;
    }
    source->CheckBrowseMode();
    target->SetData(source->Data());
}

TLumRemoteData::TLumRemoteData(QObject *owner) : TComponent(owner) {}

TLumRemoteData::~TLumRemoteData() {
    Destroying();
    qDeleteAll(findChildren<TClientDataSet *>(Qt::FindDirectChildrenOnly));
}

TSocketConnection *TLumRemoteData::Connection(const QString &serverName) {
    for (TSocketConnection *connection : FConnections)
        if (connection->ServerName().compare(serverName, Qt::CaseInsensitive) == 0)
            return connection;
    // A ProgID without a "." has no logical server: its broker falls back to the default hosts.
    const QString logical = serverName.contains(u'.') ? serverName.section(u'.', 0, 0) : QString();
    auto *connection = new TSocketConnection(this);
    connection->SetServerName(serverName);
    connection->SetObjectBroker(new TRADObjectBroker(connection, logical));
    FConnections << connection;
    return connection;
}

TStatelessCDataSet *TLumRemoteData::AddDataSet(const QString &name, const QString &serverName,
                                               const QString &providerName) {
    auto *dataSet = new TStatelessCDataSet(this);
    if (!name.isEmpty())
        dataSet->SetName(name);
    dataSet->SetPacketRecords(-1);
    Bind(dataSet, serverName, providerName);
    return dataSet;
}

void TLumRemoteData::Bind(TClientDataSet *dataSet, const QString &serverName,
                          const QString &providerName) {
    if (!dataSet)
        throw Exception(QStringLiteral("Data Set Is Nil"));
    dataSet->SetProviderName(providerName);
    dataSet->SetAppServer(serverName.isEmpty() ? nullptr : Connection(serverName)->GetServer());
}

void TLumRemoteData::OpenRemote(TClientDataSet *dataSet) {
    if (!dataSet)
        throw Exception(QStringLiteral("Data Set Is Nil"));
    try {
        dataSet->Close();
        dataSet->Open();
    } catch (...) {
        DisConnection();
        throw;
    }
    DisConnection();
}

void TLumRemoteData::DisConnection() {
    for (TSocketConnection *connection : FConnections) {
        try {
            connection->Close();
        } catch (...) {
            // A link that fails to close is gone anyway.
        }
        if (auto *broker = qobject_cast<TRADObjectBroker *>(connection->ObjectBroker()))
            broker->ResetFailed();
    }
}
