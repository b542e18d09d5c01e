#include "uSystemTable.h"

#include "SocketConnection.h"
#include "StatelessDataSet.h"
#include "uObjServers.h"

#include <QCoreApplication>
#include <map>

// ---- TSystemTable ----

namespace {
// The broker's server: the part of the ProgID before its first "."; without one the broker
// keeps the default server's hosts.
QString BrokerServerName(const QString &progId) {
    const qsizetype dot = progId.indexOf(u'.');
    return dot < 0 ? QString() : progId.left(dot);
}
} // namespace

TSystemTable::TSystemTable(QObject *owner) : TSystemTable(owner, QString(), QString(), true) {}

TSystemTable::TSystemTable(QObject *owner, const QString &serverName, const QString &providerName)
    : TSystemTable(owner, serverName, providerName, true) {
    FConnection->SetName(providerName);
    FConnection->SetServerName(serverName);
    FConnection->SetObjectBroker(FBroker);
    FDataSet->SetProviderName(providerName);
}

// The broker gets its server name when it is made: it reads that server's hosts at its first
// connect, so that creating a table needs no network.
TSystemTable::TSystemTable(QObject *owner, const QString &serverName, const QString &, bool)
    : TComponent(owner), FConnection(new TSocketConnection(this)),
      FDataSet(new TStatelessCDataSet(this)),
      FBroker(new TRADObjectBroker(this, BrokerServerName(serverName))) {
    FBroker->SetLoadBalanced(true);
    FDataSet->SetAppServer(FConnection->GetServer());
    FDataSet->SetPacketRecords(-1);
}

bool TSystemTable::Active() const {
    return FDataSet->Active();
}

void TSystemTable::SetActive(bool value) {
    if (value == Active())
        return;
    if (value)
        Open(false);
    else
        FDataSet->Close();
}

QString TSystemTable::IP() const {
    return FConnection->Address();
}

void TSystemTable::SetIP(const QString &ip) {
    if (ip != FConnection->Address())
        FConnection->SetAddress(ip);
}

int TSystemTable::Port() const {
    return FConnection->Port();
}

void TSystemTable::SetPort(int port) {
    if (port != FConnection->Port())
        FConnection->SetPort(port);
}

void TSystemTable::Open(bool reset) {
    FDataSet->DisableControls();
    const auto finish = [this] {
        try {
            FConnection->SetConnected(false);
        } catch (...) {
        }
        // The next fetch tries every known host again.
        FBroker->ResetFailed();
        FDataSet->EnableControls();
    };
    try {
        if (reset) {
            FDataSet->Close();
            FConnection->SetConnected(true);
            FConnection->AppServer().Call(QStringLiteral("RefreshDataSet"),
                                          {Variant(FDataSet->ProviderName())});
        }
        FDataSet->Open();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TSystemTable::CloneCursor(TClientDataSet *dataSet) {
    SetActive(true);
    if (!dataSet)
        return;
    dataSet->SetProviderName(FDataSet->ProviderName());
    dataSet->SetAppServer(FConnection->GetServer());
    const bool filtered = dataSet->Filtered();
    dataSet->SetFiltered(false);
    try {
        dataSet->CloneCursor(FDataSet, false, true);
    } catch (...) {
        dataSet->SetFiltered(filtered);
        throw;
    }
    dataSet->SetFiltered(filtered);
}

// ---- the shared tables ----

namespace {

using TSharedTables = std::map<QString, TSystemTable *>;
TSharedTables *gSharedTables = nullptr;

void FreeSharedTables() {
    for (auto &[name, table] : *gSharedTables)
        delete table;
    delete gSharedTables;
    gSharedTables = nullptr;
}

} // namespace

TSystemTable *SharedSystemTable(const QString &tableName, const QString &serverName,
                                const QString &providerName) {
    if (!gSharedTables) {
        gSharedTables = new TSharedTables;
        // Freed with the application, while the toolkit still runs.
        qAddPostRoutine(FreeSharedTables);
    }
    TSystemTable *&table = (*gSharedTables)[tableName];
    if (!table) {
        table = new TSystemTable(nullptr, serverName, providerName);
        table->SetName(tableName);
    }
    return table;
}

// ---- TClonedDataSet ----

TClonedDataSet::TClonedDataSet(QObject *owner) : TClientDataSet(owner) {}

void TClonedDataSet::SetActive(bool active) {
    if (IsLoading() || FOpening || !active) {
        TClientDataSet::SetActive(active);
        return;
    }
    if (Active())
        return;
    FOpening = true;
    try {
        GetSystemTable()->CloneCursor(this);
    } catch (...) {
        FOpening = false;
        throw;
    }
    FOpening = false;
}

Variant TClonedDataSet::DoApplyUpdates(const Variant &delta, int maxErrors, int &errorCount) {
    TSocketConnection *connection = GetSystemTable()->Connection();
    const auto disconnect = [connection] {
        try {
            connection->SetConnected(false);
        } catch (...) {
        }
    };
    Variant result;
    try {
        result = TClientDataSet::DoApplyUpdates(delta, maxErrors, errorCount);
    } catch (...) {
        disconnect();
        throw;
    }
    disconnect();
    return result;
}

QString TClonedDataSet::GetAddress() {
    return GetSystemTable()->IP();
}

int TClonedDataSet::GetPort() {
    return GetSystemTable()->Port();
}

QString TClonedDataSet::GetSystemTableName() {
    return GetSystemTable()->Name();
}

void TClonedDataSet::RemoteRefresh() {
    GetSystemTable()->Refresh();
}

void TClonedDataSet::SystemTableRefresh() {
    Close();
    TSystemTable *table = GetSystemTable();
    table->SetActive(false);
    table->SetActive(true);
    Open();
}
