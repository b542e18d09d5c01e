#pragma once
// TObjectServer: the listening side of remote objects. It accepts connections on a TCP port,
// greets each client (switching to TLS when it has a certificate), creates one object per
// ProgID per connection on request, runs Invoke messages on those objects and frees them when
// the client releases them or goes away. A malformed frame closes only the connection that
// sent it, with a logged reason. Everything runs on the thread that owns the server.
//
// Sessions: the session ticket a client presents (Session frames) is kept with its connection;
// a call guard, when set, decides before every call whether the connection may make it, and a
// method that signs the connection in or out says so through its TRemoteSession, which the
// reply then carries to the client.

#include "RemoteObject.h"
#include "RemoteProtocol.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <functional>
#include <map>
#include <memory>

class QSslSocket;
class QTcpServer;

// What a remote object may know about the connection that created it. It lives as long as the
// connection, longer than the connection's objects.
struct TRemoteSession {
    quint64 Id = 0;
    QHostAddress Peer;
    // The session ticket presented on this connection, or issued by a call on it (empty: none).
    QByteArray Ticket;
    // Whose ticket it is, as the call guard found it for the call that runs (empty: none).
    QString User;
    // A call that signs in gives the connection a new ticket, one that signs out ends it; the
    // call's reply tells the client.
    void Issue(const QByteArray &ticket) {
        Ticket = ticket;
        Change = Remote::TTicketChange::Issued;
    }
    void End() {
        Ticket.clear();
        User.clear();
        Change = Remote::TTicketChange::Ended;
    }
    Remote::TTicketChange Change = Remote::TTicketChange::None;
};

class TObjectServer : public QObject {
    Q_OBJECT
public:
    using TFactory = std::function<std::unique_ptr<TRemoteObject>(TRemoteSession &)>;
    // What a call guard says of a call: an empty text lets it run; any other text refuses it
    // (the method does not run) and goes back to the client as an error, with the code
    // Remote::ErrorSignInRequired when the client should sign in again.
    struct TCallRefusal {
        QString Text;
        int Code = 0;
        bool Refused() const { return !Text.isEmpty(); }
    };
    // Runs before every call. `object` is the object called; `method` is the method's declared
    // name (or the name or number the client gave when the object has no such method); `args`
    // the call's arguments.
    using TCallGuard = std::function<TCallRefusal(
        TRemoteSession &session, const QString &progId, const TRemoteObject &object,
        const QString &method, const std::vector<Variant> &args)>;

    explicit TObjectServer(QObject *parent = nullptr);
    ~TObjectServer() override;

    // ProgIDs are compared without regard to letter case.
    void RegisterClass(const QString &progId, TFactory factory);
    QStringList ProgIDs() const;
    // Makes an object of a registered class outside any connection (what a test walks through
    // to list the methods); nullptr for an unknown ProgID.
    std::unique_ptr<TRemoteObject> CreateObject(const QString &progId, TRemoteSession &session);
    void SetCallGuard(TCallGuard guard) { FCallGuard = std::move(guard); }

    // With a certificate every connection switches to TLS after the greeting.
    void SetCertificate(const QSslCertificate &certificate, const QSslKey &key);
    // Reads PEM files; raises ERemoteError when either cannot be read.
    void LoadCertificate(const QString &certificateFile, const QString &keyFile);
    bool HasCertificate() const { return !FCertificate.isNull(); }

    void SetMaxFrameSize(qint64 bytes) { FMaxFrameSize = bytes; }
    // A connection that has not greeted (and, with TLS, finished its handshake) this long after
    // it was accepted is closed.
    void SetGreetingTimeout(int ms) { FGreetingTimeout = ms; }
    qint64 MaxFrameSize() const { return FMaxFrameSize; }

    // Port 0 picks a free port. Raises ERemoteError when the port cannot be opened.
    void Listen(const QHostAddress &address, quint16 port);
    quint16 Port() const;
    void Close(); // stops listening and drops every connection
    int ConnectionCount() const { return int(FSessions.size()); }

Q_SIGNALS:
    void ConnectionClosed(const QString &reason);

private:
    struct TSession;
    void Accept();
    void ReadFrames(TSession *session);
    void Handle(TSession *session, const Remote::TMessage &message);
    void Send(TSession *session, const Remote::TMessage &message);
    void SendFailure(TSession *session, const QString &text);
    void Drop(TSession *session, const QString &reason);

    QTcpServer *FListener = nullptr;
    std::map<QString, TFactory> FFactories; // keyed by lower-case ProgID
    TCallGuard FCallGuard;
    QSslCertificate FCertificate;
    QSslKey FKey;
    qint64 FMaxFrameSize = Remote::DefaultMaxFrameSize;
    int FGreetingTimeout = 30000;
    quint64 FNextSessionId = 1;
    std::map<TSession *, std::unique_ptr<TSession>> FSessions;
};
