#pragma once
// Object brokers and the server-location table. Every connection of the system picks its host
// through a broker: TRADObjectBroker offers the hosts that the location table lists for a
// logical server (falling back to "DefaultServer"); TLocalObjectBroker, the bootstrap, offers
// the two hosts configured in the registry so that the location table itself can be reached.

#include "ClientDataSet.h"
#include "ObjectBroker.h"
#include "RadSystemApi.h"

#include <memory>

class TSocketConnection;
class TStringList;
class TOrvServerDataSet;

class TRADObjectBroker : public TSimpleObjectBroker {
    Q_OBJECT
public:
    // The host list of the server name (default "DefaultServer") is read at the first connect.
    // Without a name the broker offers the default server's hosts under its name; a name given
    // empty (a ProgID without a logical server) is kept empty and falls back to those hosts.
    explicit TRADObjectBroker(QObject *owner = nullptr,
                              const QString &serverName = _DEFAULTSERVERSTR);

    QString ServerName() const { return FServerName; }
    // Reloads the host list for the new name; an empty or unchanged name is ignored.
    void SetServerName(const QString &name);
    int RetryCount() const { return FRetryCount; }
    void SetRetryCount(int count) { FRetryCount = count; }
    bool AccessRemote() const { return FAccessRemote; }
    void SetAccessRemote(bool value) { FAccessRemote = value; }
    bool Linked() const { return FLinked; }
    // Attaches this broker to (or detaches it from) the socket connections of its owner.
    void SetLinked(bool value);

    // A failure is passed on (marking the host failed) only once RetryCount failures in a row
    // have been counted; a success resets the count.
    void SetConnectStatus(const QString &computerName, bool success) override;
    // Loads the host list first when it has been neither loaded nor filled by hand (the
    // constructor's name is loaded at the first connect: creating a broker needs no network).
    QString GetComputerForProgID(const QString &progId) override;
    void ResetFailed() { ClearFailed(); }
    // Fills the host list from the location table.
    void LocalSetServerData();
    // Adds or removes this broker's hosts on the object-servers server.
    void RegisterServerData();
    void UnRegisterServerData();
    static TOrvServerDataSet *GetDataSet();

    void Loaded() override;

private:
    void ReloadServers();
    void ApplyLinked(bool value);

    QString FServerName;
    int FRetryCount = 3;
    bool FAccessRemote = false;
    bool FLinked = false;
    int FFailCount = 0;
    bool FLoaded = false;
};

class TLocalObjectBroker : public TSimpleObjectBroker {
    Q_OBJECT
public:
    // Builds the two hosts from the registry: "DefaultServer" first, "BackupServer" second.
    explicit TLocalObjectBroker(QObject *owner = nullptr);
    // Puts a host at the front, or only updates the port of a host of that name.
    void InsertFirstItem(const QString &computerName, int port);
    void ResetFailed() { ClearFailed(); }
    void SetConnectStatus(const QString &computerName, bool success) override;

private:
    int FFailCount = 0;
};

// The server-location table ("xspServerLocation" on "SystemObj.ObjServersINTF"), reached
// through the bootstrap broker. Its connection is held only while it opens or applies.
class TOrvServerDataSet : public TClientDataSet {
    Q_OBJECT
public:
    explicit TOrvServerDataSet(QObject *owner = nullptr);
    ~TOrvServerDataSet() override;
    TSocketConnection *GetConnection() const { return FConnection; }
    TLocalObjectBroker *LocalBroker() const { return FBroker; }

protected:
    void InternalOpen() override;
    Variant DoApplyUpdates(const Variant &delta, int maxErrors, int &errorCount) override;

private:
    void ReleaseConnection();
    TSocketConnection *FConnection;
    TLocalObjectBroker *FBroker;
};

// The one location table of the process.
extern TOrvServerDataSet *OrvServerDataSet;

// Calls on the object-servers server through the location table's connection, connected for
// the one call only.
void GetRemoteObjServerNames(TStringList *strings);
void RemoteReadServerData(const QString &name, TSimpleObjectBroker *broker);
void RemoteRegistryServer(const QString &serverName, const QString &computerName, int port);
void RemoteUnRegistryServer(const QString &serverName, const QString &computerName);
