#pragma once
// Where a job form's data come from: one object of an application server, named by its ProgID
// (for example "SrvAcademic.AcadStudentINTF"), reached through a broker of its logical server
// (the part of the ProgID before the first ".") whose hosts the server-location table lists.
// The client datasets on the object's providers are stateless and hold the link only for their
// round trips, so an open job form costs the server nothing between requests.

#include "Component.h"
#include "StatelessDataSet.h"

#include <QList>
#include <functional>
#include <vector>

class TRADObjectBroker;
class TSocketConnection;

// A field that a job form shows: its name and type as the provider sends it, its column
// heading, and whether it is shown.
struct TJobField {
    QString Name;
    TFieldType Type = ftString;
    int Size = 0;
    QString Label;
    bool Visible = true;
};

class TJobServerData : public TComponent {
    Q_OBJECT
public:
    TJobServerData(QObject *owner, const QString &progId);
    // The datasets go before the connection that they read through.
    ~TJobServerData() override;

    TRADObjectBroker *Broker() const { return FBroker; }
    TSocketConnection *Connection() const { return FConnection; }

    // A client dataset on one of the object's providers, owned by this object, with the given
    // fields (a dataset without fields takes those of the provider's packet).
    TStatelessCDataSet *AddDataSet(const QString &providerName,
                                   const QList<TJobField> &fields = {});
    // Reads every record of the dataset anew, then drops the link, also when the read fails.
    void Open(TClientDataSet *dataSet);
    // Calls a method of the object, then drops the link, also when the call fails.
    Variant Call(int dispId, std::vector<Variant> args);
    // A method by name; its output arguments come back in args.
    Variant Call(const QString &name, std::vector<Variant> &args);

private:
    Variant Invoke(const std::function<Variant()> &call);
    void DropLink();
    TRADObjectBroker *FBroker;
    TSocketConnection *FConnection;
};
