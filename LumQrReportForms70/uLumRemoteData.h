#pragma once
// Where a report module's data come from: objects of the application servers, each named by its
// ProgID ("SrvAcademic.AcadAbsenceINTF"), reached through a socket connection of its own whose
// broker offers the hosts that the server-location table lists for the logical server (the part
// of the ProgID before the first "."). The module's client datasets are stateless: a link is held
// only for one round trip, so a module waiting to print costs the servers nothing.

#include "Component.h"

#include <QList>

class TClientDataSet;
class TSocketConnection;
class TStatelessCDataSet;

// Puts the whole data packet of source (its records and their pending changes) into target,
// without a server call; a closed source leaves target closed.
void CopyDataPacket(TClientDataSet *target, TClientDataSet *source);

class TLumRemoteData : public TComponent {
    Q_OBJECT
public:
    explicit TLumRemoteData(QObject *owner = nullptr);
    // The datasets made here go before the connections they read through.
    ~TLumRemoteData() override;
    QString ClassName() const override { return QStringLiteral("TLumRemoteData"); }

    // The connection to the object of that ProgID, made when first asked for.
    TSocketConnection *Connection(const QString &serverName);
    const QList<TSocketConnection *> &Connections() const { return FConnections; }

    // A stateless client dataset on a provider of that object, owned by this object, reading
    // every record in one packet.
    TStatelessCDataSet *AddDataSet(const QString &name, const QString &serverName,
                                   const QString &providerName);
    // Points a dataset at a provider of that object.
    void Bind(TClientDataSet *dataSet, const QString &serverName, const QString &providerName);

    // Reads the dataset anew with its command text and parameters, then drops every link, also
    // when the read fails (the error passes on unchanged).
    void OpenRemote(TClientDataSet *dataSet);
    // Drops every link and clears the failure marks of the brokers, so that the next round
    // trip tries every host again.
    void DisConnection();

private:
    QList<TSocketConnection *> FConnections;
};
