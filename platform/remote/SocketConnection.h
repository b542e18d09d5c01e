#pragma once
// TSocketConnection: a client's link to one remote object on an application server. It
// connects to the host its object broker picks (or to Address/Host and Port without a broker),
// greets the server, switches to TLS when the server offers it, and creates the object named
// by ServerName (a ProgID). AppServer() is the object as a late-bound dispatcher; GetServer()
// is the same object seen as the IAppServer of client datasets. Calls are synchronous.
//
// TLS: a server with a certificate offers TLS in its greeting. A self-signed certificate is
// trusted when TrustedCertificateFile names its PEM file; an empty property falls back to the
// string value "TrustedCertificate" of the machine key \SOFTWARE\ORV7.0\AppServers. A client
// that trusts a certificate refuses a server that does not offer TLS.
//
// Sessions: every connection presents the process's session ticket (TSessionTicket) after the
// greeting, and again before a call when the ticket changed meanwhile; the ticket a reply
// issues or ends becomes the process's. A call refused for want of a valid ticket raises
// ESignInRequired, unless the sign-in handler signed the user in again: then it is made once
// more with the new ticket.

#include "Component.h"
#include "ObjectBroker.h"
#include "RemoteProtocol.h"

#include <memory>
#include <vector>

class IAppServer;
class QSslSocket;
class TSocketConnection;

// The remote object as a late-bound dispatcher. Invoke writes the values of by-reference
// arguments back into `args`; Call is for methods without output arguments. Server errors are
// raised as EServerError carrying the server's text; a lost link as ESocketConnectionError.
class TRemoteDispatch {
public:
    explicit TRemoteDispatch(TSocketConnection *connection) : FConnection(connection) {}
    Variant Invoke(int dispId, std::vector<Variant> &args);
    Variant Invoke(const QString &name, std::vector<Variant> &args);
    Variant Call(int dispId, std::vector<Variant> args = {}) { return Invoke(dispId, args); }
    Variant Call(const QString &name, std::vector<Variant> args = {}) { return Invoke(name, args); }

private:
    TSocketConnection *FConnection;
};

class TSocketConnection : public TComponent {
    Q_OBJECT
public:
    explicit TSocketConnection(QObject *owner = nullptr);
    ~TSocketConnection() override;

    QString ServerName() const { return FServerName; }
    void SetServerName(const QString &value);
    QString Address() const { return FAddress; } // an IP address; used before Host
    void SetAddress(const QString &value);
    QString Host() const { return FHost; }
    void SetHost(const QString &value);
    int Port() const { return FPort; }
    void SetPort(int value);
    TSimpleObjectBroker *ObjectBroker() const { return FObjectBroker; }
    void SetObjectBroker(TSimpleObjectBroker *broker);
    int Timeout() const { return FTimeout; } // milliseconds for connecting and for each reply
    void SetTimeout(int ms) { FTimeout = ms; }
    qint64 MaxFrameSize() const { return FMaxFrameSize; }
    void SetMaxFrameSize(qint64 bytes) { FMaxFrameSize = bytes; }
    QString TrustedCertificateFile() const { return FTrustedCertificateFile; }
    void SetTrustedCertificateFile(const QString &file) { FTrustedCertificateFile = file; }

    bool Connected() const;
    // Connecting raises ESocketConnectionError (or EServerError when the server refuses the
    // object) and leaves the connection closed.
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    // Host and port of the current link; whether it is encrypted.
    QString ConnectedHost() const { return FConnectedHost; }
    int ConnectedPort() const { return FConnectedPort; }
    bool Encrypted() const;

    // The remote object; connects first when needed.
    TRemoteDispatch AppServer();
    IAppServer *GetServer();

    void Notification(TComponentBase *component, TOperation operation) override;

    // One call on the remote object (what the dispatcher uses).
    Variant Invoke(int dispId, const QString &name, std::vector<Variant> &args);

Q_SIGNALS:
    void AfterConnect();
    void AfterDisconnect();

protected:
    virtual void DoConnect();
    virtual void DoDisconnect();

private:
    void ConnectTo(const QString &host, int port);
    Remote::TMessage RoundTrip(const Remote::TMessage &request);
    // Sends the process's ticket when this link has not presented the current one yet.
    void PresentTicket();
    Remote::TMessage ReadMessage();
    void ReadExactly(char *into, qint64 count);
    [[noreturn]] void Lost(const QString &what);
    void DropSocket();
    QString TrustFile() const;
    void CheckInactive(const char *property) const;

    QString FServerName;
    QString FAddress;
    QString FHost;
    int FPort = 2001;
    TSimpleObjectBroker *FObjectBroker = nullptr;
    TComponentBase *FBrokerComponent = nullptr; // the same object, to recognise it going away
    int FTimeout = 30000;
    qint64 FMaxFrameSize = Remote::DefaultMaxFrameSize;
    QString FTrustedCertificateFile;

    QSslSocket *FSocket = nullptr;
    int FHandle = 0;
    quint64 FPresentedTicket = 0; // generation of the ticket this link presented
    bool FTicketPresented = false;
    QString FConnectedHost;
    int FConnectedPort = 0;
    std::unique_ptr<IAppServer> FProxy;
};
