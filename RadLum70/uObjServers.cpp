#include "uObjServers.h"

#include "RadSystemApi.h"
#include "SocketConnection.h"
#include "StringList.h"
#include "uLumPublic.h"

namespace {

// Runs one call on the location table's connection and disconnects afterwards, also on error.
template <class F> auto OnLocationServer(F &&call) {
    TSocketConnection *connection = OrvServerDataSet->GetConnection();
    struct Disconnect {
        TSocketConnection *C;
        ~Disconnect() {
            try {
                C->Close();
            } catch (...) {
            }
        }
    } disconnect{connection};
    TRemoteDispatch dispatch = connection->AppServer();
    return call(dispatch);
}

} // namespace

// --- TRADObjectBroker --------------------------------------------------------------------

TRADObjectBroker::TRADObjectBroker(QObject *owner, const QString &serverName)
    : TSimpleObjectBroker(owner), FServerName(serverName) {
    SetLoadBalanced(true);
}

QString TRADObjectBroker::GetComputerForProgID(const QString &progId) {
    if (!FLoaded && Servers().isEmpty())
        ReloadServers();
    return TSimpleObjectBroker::GetComputerForProgID(progId);
}

void TRADObjectBroker::SetServerName(const QString &name) {
    if (name.isEmpty() || name == FServerName)
        return;
    FServerName = name;
    ReloadServers();
}

void TRADObjectBroker::ReloadServers() {
    FLoaded = false;
    if (FAccessRemote) {
        RemoteReadServerData(FServerName, this);
        if (Servers().isEmpty())
            RemoteReadServerData(_DEFAULTSERVERSTR, this);
    } else {
        LocalSetServerData();
    }
    FLoaded = true;
}

void TRADObjectBroker::LocalSetServerData() {
    Servers().clear();
    TOrvServerDataSet *table = GetDataSet();
    if (!table->Active())
        table->Open();
    auto filterBy = [table](const QString &name) {
        table->SetFilter(QStringLiteral("ServerName='") + name + u'\'');
        table->SetFiltered(true);
        return !table->IsEmpty();
    };
    if (!filterBy(FServerName) && !filterBy(_DEFAULTSERVERSTR))
        return;
    TField *computer = table->FieldByName(QStringLiteral("ComputerName"));
    TField *port = table->FieldByName(QStringLiteral("Port"));
    for (table->First(); !table->Eof(); table->Next()) {
        const QString name = computer->AsString();
        if (IndexOf(name) < 0)
            AddServer(name, port->AsInteger());
    }
}

void TRADObjectBroker::SetConnectStatus(const QString &computerName, bool success) {
    if (success || FFailCount >= FRetryCount) {
        FFailCount = 0;
        TSimpleObjectBroker::SetConnectStatus(computerName, success);
    } else {
        ++FFailCount;
    }
}

void TRADObjectBroker::RegisterServerData() {
    if (FServerName.isEmpty())
        return;
    for (const TServerItem &item : Servers())
        RemoteRegistryServer(FServerName, item.ComputerName, item.Port);
}

void TRADObjectBroker::UnRegisterServerData() {
    if (FServerName.isEmpty())
        return;
    for (const TServerItem &item : Servers())
        RemoteUnRegistryServer(FServerName, item.ComputerName);
}

TOrvServerDataSet *TRADObjectBroker::GetDataSet() {
    return OrvServerDataSet;
}

void TRADObjectBroker::SetLinked(bool value) {
    if (IsLoading()) {
        FLinked = value; // applied once loading is done
        return;
    }
    if (value == FLinked)
        return;
    FLinked = value;
    ApplyLinked(value);
}

void TRADObjectBroker::Loaded() {
    TSimpleObjectBroker::Loaded();
    if (FLinked)
        ApplyLinked(true);
}

void TRADObjectBroker::ApplyLinked(bool value) {
    TComponentBase *owner = Owner();
    if (!owner)
        return;
    for (TComponentBase *component : owner->Components()) {
        auto *connection = dynamic_cast<TSocketConnection *>(component);
        if (!connection)
            continue;
        if (value && !connection->ObjectBroker())
            connection->SetObjectBroker(this);
        else if (!value && connection->ObjectBroker() == this)
            connection->SetObjectBroker(nullptr);
    }
}

// --- TLocalObjectBroker -------------------------------------------------------------------

TLocalObjectBroker::TLocalObjectBroker(QObject *owner) : TSimpleObjectBroker(owner) {
    auto address = [](const QString &first, const QString &fallback) {
        return HasServerIPAddress(first) ? GetServerIPAddress(first) : GetServerIPAddress(fallback);
    };
    auto port = [](const QString &first, const QString &fallback) {
        if (HasServerPort(first))
            return GetServerPort(first);
        return HasServerPort(fallback) ? GetServerPort(fallback) : 2001;
    };
    InsertFirstItem(address(_BACKUPSERVERSTR, _DEFAULTSERVERSTR),
                    port(_BACKUPSERVERSTR, _DEFAULTSERVERSTR));
    InsertFirstItem(address(_DEFAULTSERVERSTR, _DEFAULTSERVERSTR),
                    port(_DEFAULTSERVERSTR, _DEFAULTSERVERSTR));
}

void TLocalObjectBroker::InsertFirstItem(const QString &computerName, int port) {
    if (computerName.isEmpty())
        return;
    const int existing = IndexOf(computerName);
    if (existing >= 0) {
        Servers()[existing].Port = port;
        return;
    }
    TServerItem item;
    item.ComputerName = computerName;
    item.Port = port;
    Servers().prepend(item);
}

void TLocalObjectBroker::SetConnectStatus(const QString &computerName, bool success) {
    constexpr int kRetryLimit = 2;
    if (success || FFailCount >= kRetryLimit) {
        FFailCount = 0;
        TSimpleObjectBroker::SetConnectStatus(computerName, success);
    } else {
        ++FFailCount;
    }
}

// --- TOrvServerDataSet --------------------------------------------------------------------

TOrvServerDataSet::TOrvServerDataSet(QObject *owner)
    : TClientDataSet(owner), FConnection(new TSocketConnection(this)),
      FBroker(new TLocalObjectBroker(FConnection)) {
    FConnection->SetServerName(QStringLiteral("SystemObj.ObjServersINTF"));
    FConnection->SetObjectBroker(FBroker);
    SetAppServer(FConnection->GetServer());
    SetProviderName(QStringLiteral("xspServerLocation"));
    SetFilterOptions(foCaseInsensitive);
}

TOrvServerDataSet::~TOrvServerDataSet() = default;

void TOrvServerDataSet::ReleaseConnection() {
    try {
        FConnection->Close();
    } catch (...) {
    }
    FBroker->ResetFailed();
}

void TOrvServerDataSet::InternalOpen() {
    try {
        TClientDataSet::InternalOpen();
    } catch (...) {
        ReleaseConnection();
        throw;
    }
    ReleaseConnection();
}

Variant TOrvServerDataSet::DoApplyUpdates(const Variant &delta, int maxErrors, int &errorCount) {
    try {
        Variant result = TClientDataSet::DoApplyUpdates(delta, maxErrors, errorCount);
        ReleaseConnection();
        return result;
    } catch (...) {
        ReleaseConnection();
        throw;
    }
}

TOrvServerDataSet *OrvServerDataSet = nullptr;

namespace {
// The location table lives as long as the library.
struct TOrvServerDataSetLifetime {
    TOrvServerDataSetLifetime() { OrvServerDataSet = new TOrvServerDataSet; }
    ~TOrvServerDataSetLifetime() {
        delete OrvServerDataSet;
        OrvServerDataSet = nullptr;
    }
} gOrvServerDataSetLifetime;
} // namespace

// --- free functions -----------------------------------------------------------------------

void GetRemoteObjServerNames(TStringList *strings) {
    if (!strings)
        return;
    strings->Clear();
    const Variant names = OnLocationServer(
        [](TRemoteDispatch &d) { return d.Call(QStringLiteral("GetServerNames")); });
    strings->SetText(VarToStr(names));
}

void RemoteReadServerData(const QString &name, TSimpleObjectBroker *broker) {
    const Variant data = OnLocationServer([&](TRemoteDispatch &d) {
        return d.Call(QStringLiteral("ReadServerData"), {Variant(name)});
    });
    if (broker)
        broker->LoadServerData(data);
}

void RemoteRegistryServer(const QString &serverName, const QString &computerName, int port) {
    OnLocationServer([&](TRemoteDispatch &d) {
        return d.Call(QStringLiteral("RegistryServer"),
                      {Variant(serverName), Variant(computerName), Variant(port)});
    });
}

void RemoteUnRegistryServer(const QString &serverName, const QString &computerName) {
    OnLocationServer([&](TRemoteDispatch &d) {
        return d.Call(QStringLiteral("UnRegistryServer"),
                      {Variant(serverName), Variant(computerName)});
    });
}
