#pragma once
// Tables that are read far more often than they change (code tables, stored components) are
// held once per process: a TSystemTable fetches the whole table through a connection of its
// own, held only while it fetches, and any number of TClonedDataSet on any number of forms
// share its records by cloning its cursor instead of fetching them again.

#include "ClientDataSet.h"
#include "Component.h"

class TRADObjectBroker;
class TSocketConnection;
class TStatelessCDataSet;

class TSystemTable : public TComponent {
    Q_OBJECT
public:
    explicit TSystemTable(QObject *owner = nullptr);
    // serverName is the server's ProgID "library.class" (e.g. "SystemObj.CodeTableINTF"); the
    // part before the first "." names the broker's server.
    TSystemTable(QObject *owner, const QString &serverName, const QString &providerName);
    QString ClassName() const override { return QStringLiteral("TSystemTable"); }

    bool Active() const;
    void SetActive(bool value);
    TStatelessCDataSet *DataSet() const { return FDataSet; }
    TSocketConnection *Connection() const { return FConnection; }
    TRADObjectBroker *Broker() const { return FBroker; }
    QString IP() const;
    void SetIP(const QString &ip);
    int Port() const;
    void SetPort(int port);

    // Fetches the whole table; with reset the server first reads its provider's data anew.
    void Open(bool reset);
    void Refresh() { Open(true); }
    // Makes dataSet a clone of the table (fetched first when not held), keeping the clone's
    // own filter, index and ranges; changes made through it go to the table's provider.
    void CloneCursor(TClientDataSet *dataSet);

private:
    TSystemTable(QObject *owner, const QString &serverName, const QString &providerName, bool);
    TSocketConnection *FConnection;
    TStatelessCDataSet *FDataSet;
    TRADObjectBroker *FBroker;
};

// The process-wide table of a server object's provider, known by its component name
// `tableName` (the name GetSystemTableName reports): made on first use, the same table for the
// same name every time, freed when the application ends.
TSystemTable *SharedSystemTable(const QString &tableName, const QString &serverName,
                                const QString &providerName);

// A client dataset that opens by cloning a shared system table.
class TClonedDataSet : public TClientDataSet {
    Q_OBJECT
public:
    explicit TClonedDataSet(QObject *owner = nullptr);

    void SetActive(bool active) override;
    // The table this dataset shares; descendants choose how tables are keyed.
    virtual TSystemTable *GetSystemTable() = 0;
    QString GetAddress();
    int GetPort();
    QString GetSystemTableName();
    // The server reads the table anew and the shared copy is fetched again; this dataset is
    // not reopened.
    void RemoteRefresh();
    // Fetches the shared table again (without a server-side refresh) and reopens this dataset
    // on it; other clones keep what they hold until they are reopened.
    void SystemTableRefresh();

protected:
    Variant DoApplyUpdates(const Variant &delta, int maxErrors, int &errorCount) override;

private:
    bool FOpening = false;
};
