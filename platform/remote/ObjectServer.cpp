#include "ObjectServer.h"

#include <QFile>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

namespace {

// A listener whose sockets can switch to TLS after the greeting.
class TSslListener : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto *socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        addPendingConnection(socket);
    }
};

} // namespace

struct TObjectServer::TSession {
    QSslSocket *Socket = nullptr;
    Remote::TFrameDecoder Decoder;
    TRemoteSession Info;
    bool Greeted = false;
    bool Closing = false;
    int NextHandle = 1;
    std::map<int, std::unique_ptr<TRemoteObject>> Objects;
    QHash<QString, int> HandleOfProgId;
    explicit TSession(qint64 maxFrame) : Decoder(maxFrame) {}
};

TObjectServer::TObjectServer(QObject *parent) : QObject(parent) {}

TObjectServer::~TObjectServer() {
    Close();
}

void TObjectServer::RegisterClass(const QString &progId, TFactory factory) {
    FFactories[progId.toLower()] = std::move(factory);
}

QStringList TObjectServer::ProgIDs() const {
    QStringList ids;
    for (const auto &entry : FFactories)
        ids << entry.first;
    return ids;
}

std::unique_ptr<TRemoteObject> TObjectServer::CreateObject(const QString &progId,
                                                           TRemoteSession &session) {
    auto factory = FFactories.find(progId.toLower());
    if (factory == FFactories.end())
        return nullptr;
    return factory->second(session);
}

void TObjectServer::SetCertificate(const QSslCertificate &certificate, const QSslKey &key) {
    FCertificate = certificate;
    FKey = key;
}

void TObjectServer::LoadCertificate(const QString &certificateFile, const QString &keyFile) {
    QFile cf(certificateFile);
    if (!cf.open(QIODevice::ReadOnly))
        throw ERemoteError(QStringLiteral("Cannot read the certificate %1").arg(certificateFile));
    QFile kf(keyFile);
    if (!kf.open(QIODevice::ReadOnly))
        throw ERemoteError(QStringLiteral("Cannot read the private key %1").arg(keyFile));
    QSslCertificate cert(&cf, QSsl::Pem);
    QSslKey key(&kf, QSsl::Rsa, QSsl::Pem);
    if (key.isNull()) {
        kf.seek(0);
        key = QSslKey(&kf, QSsl::Ec, QSsl::Pem);
    }
    if (cert.isNull() || key.isNull())
        throw ERemoteError(QStringLiteral("%1 and %2 do not hold a PEM certificate and key")
                               .arg(certificateFile, keyFile));
    SetCertificate(cert, key);
}

void TObjectServer::Listen(const QHostAddress &address, quint16 port) {
    if (!FListener) {
        FListener = new TSslListener(this);
        connect(FListener, &QTcpServer::newConnection, this, &TObjectServer::Accept);
    }
    if (!FListener->listen(address, port))
        throw ERemoteError(QStringLiteral("Cannot listen on %1:%2: %3")
                               .arg(address.toString())
                               .arg(port)
                               .arg(FListener->errorString()));
}

quint16 TObjectServer::Port() const {
    return FListener ? FListener->serverPort() : 0;
}

void TObjectServer::Close() {
    if (FListener)
        FListener->close();
    while (!FSessions.empty())
        Drop(FSessions.begin()->first, QStringLiteral("server stopping"));
}

void TObjectServer::Accept() {
    while (FListener->hasPendingConnections()) {
        auto *socket = static_cast<QSslSocket *>(FListener->nextPendingConnection());
        // Replies go out at once: waiting to coalesce the tail of a reply with data that never
        // follows would cost a delayed acknowledgement on every call.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto owned = std::make_unique<TSession>(FMaxFrameSize);
        TSession *s = owned.get();
        s->Socket = socket;
        s->Info.Id = FNextSessionId++;
        s->Info.Peer = socket->peerAddress();
        FSessions.emplace(s, std::move(owned));
        connect(socket, &QIODevice::readyRead, this, [this, s] { ReadFrames(s); });
        connect(socket, &QAbstractSocket::disconnected, this, [this, s] {
            if (FSessions.count(s))
                Drop(s, QStringLiteral("client disconnected"));
        });
        connect(socket, &QSslSocket::sslErrors, this,
                [this, s](const QList<QSslError> &) { Drop(s, QStringLiteral("TLS failure")); });
        // A client that connects and then says nothing would hold its socket for ever.
        QTimer::singleShot(FGreetingTimeout, socket, [this, s] {
            if (FSessions.count(s) &&
                (!s->Greeted || (HasCertificate() && !s->Socket->isEncrypted())))
                Drop(s, QStringLiteral("no greeting in time"));
        });
    }
}

void TObjectServer::ReadFrames(TSession *s) {
    if (!FSessions.count(s) || s->Closing)
        return;
    s->Decoder.Append(s->Socket->readAll());
    try {
        QByteArray payload;
        while (FSessions.count(s) && !s->Closing && s->Decoder.Next(payload))
            Handle(s, Remote::DecodeMessage(payload));
    } catch (const ERemoteProtocol &e) {
        qWarning().noquote() << "appserver: closing connection" << s->Info.Id << "from"
                             << s->Info.Peer.toString() << "-" << e.Message();
        Drop(s, e.Message());
    }
}

void TObjectServer::Send(TSession *s, const Remote::TMessage &message) {
    s->Socket->write(Remote::EncodeFrame(message));
}

void TObjectServer::SendFailure(TSession *s, const QString &text) {
    s->Info.Change = Remote::TTicketChange::None;
    Send(s, Remote::TMessage::Error(text));
}

void TObjectServer::Handle(TSession *s, const Remote::TMessage &m) {
    using Remote::TMessage;
    using Remote::TMessageKind;
    if (!s->Greeted) {
        if (m.Kind != TMessageKind::Hello)
            throw ERemoteProtocol(QStringLiteral("Malformed frame: a greeting was expected"));
        if (m.Version != Remote::ProtocolVersion) {
            Send(s, TMessage::Error(
                        QStringLiteral("Protocol version %1 is not supported").arg(m.Version)));
            s->Socket->flush();
            throw ERemoteProtocol(QStringLiteral("unsupported protocol version %1").arg(m.Version));
        }
        s->Greeted = true;
        const bool tls = HasCertificate();
        Send(s, TMessage::Welcome(tls));
        if (tls) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificate(FCertificate);
            config.setPrivateKey(FKey);
            config.setPeerVerifyMode(QSslSocket::VerifyNone);
            s->Socket->setSslConfiguration(config);
            s->Socket->startServerEncryption();
        }
        return;
    }
    switch (m.Kind) {
    case TMessageKind::Session:
        // No reply: the ticket counts for the calls that follow.
        s->Info.Ticket = m.Ticket;
        s->Info.User.clear();
        return;
    case TMessageKind::Create: {
        const QString key = m.Text.toLower();
        if (auto it = s->HandleOfProgId.find(key); it != s->HandleOfProgId.end()) {
            Send(s, TMessage::Created(it.value()));
            return;
        }
        auto factory = FFactories.find(key);
        if (factory == FFactories.end()) {
            Send(s, TMessage::Error(
                        QStringLiteral("No server object is registered as '%1'").arg(m.Text)));
            return;
        }
        try {
            auto object = factory->second(s->Info);
            const int handle = s->NextHandle++;
            s->Objects.emplace(handle, std::move(object));
            s->HandleOfProgId.insert(key, handle);
            Send(s, TMessage::Created(handle));
        } catch (const std::exception &e) {
            Send(s, TMessage::Error(QString::fromUtf8(e.what())));
        }
        return;
    }
    case TMessageKind::Invoke: {
        auto it = s->Objects.find(m.Handle);
        if (it == s->Objects.end()) {
            Send(s, TMessage::Error(QStringLiteral("Unknown object handle %1").arg(m.Handle)));
            return;
        }
        std::vector<Variant> args = m.Args;
        std::vector<int> outputs;
        try {
            if (FCallGuard) {
                QString method = it->second->MethodName(m.DispId, m.Text);
                if (method.isEmpty())
                    method = m.DispId != Remote::DispIdUnknown ? QString::number(m.DispId) : m.Text;
                const TCallRefusal refusal =
                    FCallGuard(s->Info, s->HandleOfProgId.key(m.Handle), *it->second, method, args);
                if (refusal.Refused()) {
                    Send(s, TMessage::Error(refusal.Text, refusal.Code));
                    return;
                }
            }
            s->Info.Change = Remote::TTicketChange::None;
            Variant result = it->second->Invoke(m.DispId, m.Text, args, outputs);
            std::vector<std::pair<int, Variant>> outs;
            for (int index : outputs)
                outs.emplace_back(index, args.at(size_t(index)));
            TMessage reply = TMessage::Result(result, std::move(outs));
            reply.TicketChange = s->Info.Change;
            reply.Ticket = s->Info.Ticket;
            s->Info.Change = Remote::TTicketChange::None;
            Send(s, reply);
        } catch (const Exception &e) {
            SendFailure(s, e.Message());
        } catch (const std::exception &e) {
            SendFailure(s, QString::fromUtf8(e.what()));
        }
        return;
    }
    case TMessageKind::Release: {
        auto it = s->Objects.find(m.Handle);
        if (it != s->Objects.end()) {
            s->HandleOfProgId.remove(s->HandleOfProgId.key(m.Handle));
            s->Objects.erase(it);
        }
        Send(s, TMessage::Released());
        return;
    }
    default:
        throw ERemoteProtocol(
            QStringLiteral("Malformed frame: unexpected message kind %1").arg(int(m.Kind)));
    }
}

void TObjectServer::Drop(TSession *s, const QString &reason) {
    auto it = FSessions.find(s);
    if (it == FSessions.end() || s->Closing)
        return;
    s->Closing = true;
    std::unique_ptr<TSession> owned = std::move(it->second);
    FSessions.erase(it);
    owned->Objects.clear();
    QSslSocket *socket = owned->Socket;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    Q_EMIT ConnectionClosed(reason);
}
