#pragma once
// TObjectServer: the listening side of remote objects. It accepts connections on a TCP port,
// greets each client (switching to TLS when it has a certificate), creates one object per
// ProgID per connection on request, runs Invoke messages on those objects and frees them when
// the client releases them or goes away. A malformed frame closes only the connection that
// sent it, with a logged reason. Everything runs on the thread that owns the server.

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

// What a remote object may know about the connection that created it.
struct TRemoteSession {
    quint64 Id = 0;
    QHostAddress Peer;
};

class TObjectServer : public QObject {
    Q_OBJECT
public:
    using TFactory = std::function<std::unique_ptr<TRemoteObject>(const TRemoteSession &)>;

    explicit TObjectServer(QObject *parent = nullptr);
    ~TObjectServer() override;

    // ProgIDs are compared without regard to letter case.
    void RegisterClass(const QString &progId, TFactory factory);
    QStringList ProgIDs() const;

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
    void Drop(TSession *session, const QString &reason);

    QTcpServer *FListener = nullptr;
    std::map<QString, TFactory> FFactories; // keyed by lower-case ProgID
    QSslCertificate FCertificate;
    QSslKey FKey;
    qint64 FMaxFrameSize = Remote::DefaultMaxFrameSize;
    int FGreetingTimeout = 30000;
    quint64 FNextSessionId = 1;
    std::map<TSession *, std::unique_ptr<TSession>> FSessions;
};
