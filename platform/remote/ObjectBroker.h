#pragma once
// TSimpleObjectBroker: the list of hosts that serve an application server. A connection asks
// it for a host on every connect attempt and tells it whether the attempt succeeded; a host
// that failed is skipped until its mark is cleared. With LoadBalanced a random usable host is
// handed out, otherwise the first.
//
// The host list travels (ReadServerData of the object-servers server) as a variant array with
// one element per host, each itself an array [ComputerName: string, Port: integer,
// Enabled: Boolean]; LoadServerData reads that form and ServerData writes it.

#include "Component.h"
#include "Variant.h"

#include <QList>
#include <QString>

struct TServerItem {
    QString ComputerName;
    int Port = 2001;
    bool Enabled = true;
    bool HasFailed = false;
};

class TSimpleObjectBroker : public TComponent {
    Q_OBJECT
public:
    explicit TSimpleObjectBroker(QObject *owner = nullptr);

    QList<TServerItem> &Servers() { return FServers; }
    const QList<TServerItem> &Servers() const { return FServers; }
    // Adds a host, or updates the port of the host of that name (any letter case).
    void AddServer(const QString &computerName, int port, bool enabled = true);
    // Index of a host by name (any letter case), -1 when none.
    int IndexOf(const QString &computerName) const;

    bool LoadBalanced() const { return FLoadBalanced; }
    void SetLoadBalanced(bool value) { FLoadBalanced = value; }

    // The host for the next connect attempt: enabled and not marked failed. Raises
    // ESocketConnectionError when there is none.
    virtual QString GetComputerForProgID(const QString &progId);
    virtual int GetPortForComputer(const QString &computerName) const;
    // Reports an attempt: a failure marks the host failed. Emits ConnectStatus.
    virtual void SetConnectStatus(const QString &computerName, bool success);
    // Clears every failure mark.
    void ClearFailed();

    // Replaces the host list by the transported form; raises EVariantError on a value of
    // another shape, leaving the list unchanged.
    void LoadServerData(const Variant &data);
    Variant ServerData() const;

Q_SIGNALS:
    void ConnectStatus(const QString &computerName, bool success);

private:
    QList<TServerItem> FServers;
    bool FLoadBalanced = false;
};
