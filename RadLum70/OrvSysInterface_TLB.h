#pragma once
// The system's own type library: the interface every application-server object of the system
// adds to IAppServer so that a client can ask it to reload the data behind a provider; and the
// creators that every type library declares for its creatable classes.

#include "Exceptions.h"
#include "SocketConnection.h"
#include "uLumPublic.h"

#include <QHostAddress>
#include <QUuid>
#include <memory>

inline const QUuid LIBID_OrvSysInterface =
    QUuid::fromString(QLatin1String("{12FCEF83-8CED-4889-8077-A2EF7327D482}"));
inline const QUuid IID_IResetDataSet =
    QUuid::fromString(QLatin1String("{40076756-EA64-4CE3-8DFD-507F66769C5C}"));

namespace DispIResetDataSet {
constexpr int RefreshDataSet = 19999990;
}

// Late-bound access to an IResetDataSet object (the dispatch twin of the interface). The
// interfaces derived from it add their methods on top.
class IResetDataSetDisp {
public:
    explicit IResetDataSetDisp(TRemoteDispatch dispatch) : FDispatch(dispatch) {}
    void RefreshDataSet(const QString &providerName) {
        FDispatch.Call(DispIResetDataSet::RefreshDataSet, {Variant(providerName)});
    }

protected:
    TRemoteDispatch FDispatch;
};

// A remote object that a creator made: the interface's dispatch twin (through ->) over a
// socket connection of its own, which closes when the last copy goes.
template <class TDisp> class TRemoteInterface {
public:
    TDisp *operator->() { return &FDisp; }
    TDisp &operator*() { return FDisp; }
    TSocketConnection *Connection() const { return FConnection.get(); }

    // Connects to the object of a ProgID ("library.class") on a machine: a host name or an
    // address, with ":" and a port after it; without one, the port this computer's settings
    // give the library's servers (GetServerPort of the library's name, 2001 unless set). An
    // empty name is this computer. Raises the connection's error when the object cannot be
    // reached.
    static TRemoteInterface Connect(const QString &progId, const QString &machineName) {
        auto connection = std::make_shared<TSocketConnection>();
        connection->SetServerName(progId);
        connection->SetPort(GetServerPort(progId.section(u'.', 0, 0)));
        QString host = machineName.trimmed();
        if (host.startsWith(u'[')) { // [IPv6 address] or [IPv6 address]:port
            const qsizetype end = host.indexOf(u']');
            if (end > 0 && host.mid(end + 1).startsWith(u':'))
                SetPortText(*connection, host.mid(end + 2), machineName);
            host = host.mid(1, end > 0 ? end - 1 : -1);
        } else if (host.count(u':') == 1) {
            SetPortText(*connection, host.section(u':', 1), machineName);
            host = host.section(u':', 0, 0);
        }
        if (host.isEmpty())
            host = QStringLiteral("127.0.0.1");
        if (QHostAddress().setAddress(host))
            connection->SetAddress(host);
        else
            connection->SetHost(host);
        connection->Open();
        return TRemoteInterface(std::move(connection));
    }

private:
    explicit TRemoteInterface(std::shared_ptr<TSocketConnection> connection)
        : FConnection(std::move(connection)), FDisp(TRemoteDispatch(FConnection.get())) {}
    static void SetPortText(TSocketConnection &connection, const QString &text,
                            const QString &machineName) {
        bool ok = false;
        const int port = text.toInt(&ok);
        if (!ok || port <= 0 || port > 65535)
            throw Exception(QStringLiteral("Invalid machine name %1").arg(machineName));
        connection.SetPort(port);
    }
    std::shared_ptr<TSocketConnection> FConnection;
    TDisp FDisp;
};

// The creator of a creatable class of a type library: Create makes the object on this
// computer, CreateRemote on the named machine (as TRemoteInterface::Connect takes it). The
// class is reached through the ProgID that its server publishes the interface under.
template <class TDisp, const QUuid &Class, const QString &ProgID> class TCoClass {
public:
    static const QUuid &ClassID() { return Class; }
    static const QString &ProgId() { return ProgID; }
    static TRemoteInterface<TDisp> Create() { return CreateRemote(QString()); }
    static TRemoteInterface<TDisp> CreateRemote(const QString &machineName) {
        return TRemoteInterface<TDisp>::Connect(ProgID, machineName);
    }
};
