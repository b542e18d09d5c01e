#include "SocketConnection.h"

#include "AppServerProxy.h"
#include "ObjectBroker.h"
#include "Registry.h"
#include "SessionTicket.h"

#include <QFile>
#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QtEndian>

namespace {
// Bound on connect attempts through a broker, so that a broker which never gives up on a host
// cannot keep a connection trying for ever.
constexpr int kMaxBrokerAttempts = 64;
} // namespace

Variant TRemoteDispatch::Invoke(int dispId, std::vector<Variant> &args) {
    return FConnection->Invoke(dispId, QString(), args);
}

Variant TRemoteDispatch::Invoke(const QString &name, std::vector<Variant> &args) {
    return FConnection->Invoke(Remote::DispIdUnknown, name, args);
}

TSocketConnection::TSocketConnection(QObject *owner) : TComponent(owner) {}

TSocketConnection::~TSocketConnection() {
    Destroying();
    if (Connected()) {
        try {
            DoDisconnect();
        } catch (...) {
            DropSocket();
        }
    }
    DropSocket();
}

void TSocketConnection::CheckInactive(const char *property) const {
    if (Connected())
        throw EInvalidOperation(QStringLiteral("Cannot change %1 of an open connection")
                                    .arg(QLatin1StringView(property)));
}

void TSocketConnection::SetServerName(const QString &value) {
    if (value == FServerName)
        return;
    CheckInactive("ServerName");
    FServerName = value;
}

void TSocketConnection::SetAddress(const QString &value) {
    CheckInactive("Address");
    FAddress = value;
}

void TSocketConnection::SetHost(const QString &value) {
    CheckInactive("Host");
    FHost = value;
}

void TSocketConnection::SetPort(int value) {
    CheckInactive("Port");
    FPort = value;
}

void TSocketConnection::SetObjectBroker(TSimpleObjectBroker *broker) {
    if (broker == FObjectBroker)
        return;
    if (FBrokerComponent)
        RemoveFreeNotification(FBrokerComponent);
    FObjectBroker = broker;
    FBrokerComponent = broker;
    if (broker)
        FreeNotification(broker);
}

void TSocketConnection::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FBrokerComponent) {
        FObjectBroker = nullptr;
        FBrokerComponent = nullptr;
    }
}

bool TSocketConnection::Connected() const {
    return FSocket != nullptr && FHandle != 0;
}

bool TSocketConnection::Encrypted() const {
    return FSocket && FSocket->isEncrypted();
}

void TSocketConnection::SetConnected(bool value) {
    if (value == Connected())
        return;
    if (value) {
        DoConnect();
        Q_EMIT AfterConnect();
    } else {
        DoDisconnect();
        Q_EMIT AfterDisconnect();
    }
}

void TSocketConnection::DoConnect() {
    if (FServerName.isEmpty())
        throw ESocketConnectionError(QStringLiteral("ServerName is not specified"));
    if (!FObjectBroker) {
        ConnectTo(FAddress.isEmpty() ? FHost : FAddress, FPort);
        return;
    }
    for (int attempt = 0;; ++attempt) {
        const QString host = FObjectBroker->GetComputerForProgID(FServerName);
        const int port = FObjectBroker->GetPortForComputer(host);
        try {
            ConnectTo(host, port > 0 ? port : FPort);
        } catch (const ESocketConnectionError &) {
            if (FObjectBroker)
                FObjectBroker->SetConnectStatus(host, false);
            if (attempt + 1 >= kMaxBrokerAttempts)
                throw;
            continue;
        }
        if (FObjectBroker)
            FObjectBroker->SetConnectStatus(host, true);
        return;
    }
}

void TSocketConnection::DoDisconnect() {
    if (FSocket && FSocket->state() == QAbstractSocket::ConnectedState && FHandle != 0) {
        // Tell the server we are done; it frees the object even if this never arrives.
        FSocket->write(Remote::EncodeFrame(Remote::TMessage::Release(FHandle)));
        FSocket->flush();
        FSocket->disconnectFromHost();
    }
    DropSocket();
}

void TSocketConnection::DropSocket() {
    FHandle = 0;
    FTicketPresented = false;
    FConnectedHost.clear();
    FConnectedPort = 0;
    if (FSocket) {
        FSocket->abort();
        delete FSocket;
        FSocket = nullptr;
    }
}

QString TSocketConnection::TrustFile() const {
    if (!FTrustedCertificateFile.isEmpty())
        return FTrustedCertificateFile;
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\ORV7.0\\AppServers")))
        return reg.ReadString(QStringLiteral("TrustedCertificate"));
    return QString();
}

void TSocketConnection::Lost(const QString &what) {
    const QString where = QStringLiteral("%1:%2").arg(FConnectedHost).arg(FConnectedPort);
    const QString reason = FSocket ? FSocket->errorString() : QString();
    DropSocket();
    throw ESocketConnectionError(QStringLiteral("%1 (%2): %3").arg(what, where, reason));
}

void TSocketConnection::ConnectTo(const QString &host, int port) {
    DropSocket();
    if (host.isEmpty())
        throw ESocketConnectionError(QStringLiteral("No host is given for %1").arg(FServerName));
    FSocket = new QSslSocket;
    FConnectedHost = host;
    FConnectedPort = port;
    FSocket->connectToHost(host, quint16(port));
    if (!FSocket->waitForConnected(FTimeout))
        Lost(QStringLiteral("Cannot connect to the server"));
    FSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    Remote::TMessage welcome = RoundTrip(Remote::TMessage::Hello());
    if (welcome.Kind == Remote::TMessageKind::Error) {
        const QString text = welcome.Text;
        DropSocket();
        throw ESocketConnectionError(text);
    }
    if (welcome.Kind != Remote::TMessageKind::Welcome) {
        DropSocket();
        throw ERemoteProtocol(QStringLiteral("The server did not answer the greeting"));
    }
    const QString trust = TrustFile();
    if (welcome.StartTls) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        if (!trust.isEmpty()) {
            QFile f(trust);
            const auto certs = f.open(QIODevice::ReadOnly)
                                   ? QSslCertificate::fromData(f.readAll(), QSsl::Pem)
                                   : QList<QSslCertificate>();
            if (certs.isEmpty()) {
                DropSocket();
                throw ESocketConnectionError(
                    QStringLiteral("The trusted certificate %1 cannot be read").arg(trust));
            }
            config.addCaCertificates(certs);
        }
        FSocket->setSslConfiguration(config);
        FSocket->startClientEncryption();
        if (!FSocket->waitForEncrypted(FTimeout)) {
            QStringList errors;
            for (const QSslError &e : FSocket->sslHandshakeErrors())
                errors << e.errorString();
            const QString detail = errors.isEmpty() ? FSocket->errorString() : errors.join("; ");
            DropSocket();
            throw ESocketConnectionError(QStringLiteral("Secure connection to %1:%2 failed: %3")
                                             .arg(host)
                                             .arg(port)
                                             .arg(detail));
        }
    } else if (!trust.isEmpty()) {
        DropSocket();
        throw ESocketConnectionError(
            QStringLiteral("The server %1:%2 does not offer an encrypted connection")
                .arg(host)
                .arg(port));
    }

    PresentTicket();
    Remote::TMessage created = RoundTrip(Remote::TMessage::Create(FServerName));
    if (created.Kind == Remote::TMessageKind::Error) {
        DropSocket();
        throw EServerError(created.Text);
    }
    if (created.Kind != Remote::TMessageKind::Created || created.Handle == 0) {
        DropSocket();
        throw ERemoteProtocol(QStringLiteral("The server did not create %1").arg(FServerName));
    }
    FHandle = created.Handle;
}

void TSocketConnection::ReadExactly(char *into, qint64 count) {
    while (count > 0) {
        if (FSocket->bytesAvailable() == 0 && !FSocket->waitForReadyRead(FTimeout))
            Lost(QStringLiteral("The connection to the server was lost"));
        const qint64 got = FSocket->read(into, count);
        if (got < 0)
            Lost(QStringLiteral("The connection to the server was lost"));
        into += got;
        count -= got;
    }
}

Remote::TMessage TSocketConnection::ReadMessage() {
    // Replies come one at a time, so a frame is read straight into its payload.
    char header[Remote::HeaderSize];
    ReadExactly(header, Remote::HeaderSize);
    const quint32 length = qFromBigEndian<quint32>(header);
    try {
        if (qint64(length) > FMaxFrameSize)
            throw ERemoteProtocol(
                QStringLiteral("Malformed frame: %1 bytes announced, the limit is %2")
                    .arg(length)
                    .arg(FMaxFrameSize));
        QByteArray payload(qsizetype(length), Qt::Uninitialized);
        ReadExactly(payload.data(), length);
        return Remote::DecodeMessage(payload);
    } catch (const ERemoteProtocol &) {
        DropSocket();
        throw;
    }
}

Remote::TMessage TSocketConnection::RoundTrip(const Remote::TMessage &request) {
    if (!FSocket)
        throw ESocketConnectionError(QStringLiteral("The connection is closed"));
    FSocket->write(Remote::EncodeFrame(request));
    return ReadMessage();
}

void TSocketConnection::PresentTicket() {
    const quint64 generation = TSessionTicket::Generation();
    if (FTicketPresented && generation == FPresentedTicket)
        return;
    const QByteArray ticket = TSessionTicket::Current();
    // A link that never had a ticket has nothing to take back.
    if (FTicketPresented || !ticket.isEmpty()) {
        if (!FSocket)
            throw ESocketConnectionError(QStringLiteral("The connection is closed"));
        FSocket->write(Remote::EncodeFrame(Remote::TMessage::Session(ticket)));
    }
    FTicketPresented = true;
    FPresentedTicket = generation;
}

Variant TSocketConnection::Invoke(int dispId, const QString &name, std::vector<Variant> &args) {
    SetConnected(true);
    PresentTicket();
    Remote::TMessage reply = RoundTrip(Remote::TMessage::Invoke(FHandle, dispId, name, args));
    if (reply.Kind == Remote::TMessageKind::Error && reply.Code == Remote::ErrorSignInRequired) {
        // Nothing ran: once the user has signed in again, the same call goes out once more.
        if (!TSessionTicket::SignInAgain())
            throw ESignInRequired(reply.Text);
        SetConnected(true);
        PresentTicket();
        reply = RoundTrip(Remote::TMessage::Invoke(FHandle, dispId, name, args));
        if (reply.Kind == Remote::TMessageKind::Error && reply.Code == Remote::ErrorSignInRequired)
            throw ESignInRequired(reply.Text);
    }
    if (reply.Kind == Remote::TMessageKind::Error)
        throw EServerError(reply.Text);
    if (reply.Kind != Remote::TMessageKind::Result) {
        DropSocket();
        throw ERemoteProtocol(QStringLiteral("Unexpected reply to a call"));
    }
    if (reply.TicketChange != Remote::TTicketChange::None) {
        // The server already holds this link to the new state.
        TSessionTicket::Set(reply.TicketChange == Remote::TTicketChange::Issued ? reply.Ticket
                                                                                : QByteArray());
        FTicketPresented = true;
        FPresentedTicket = TSessionTicket::Generation();
    }
    for (auto &[index, value] : reply.Outputs)
        if (index < int(args.size()))
            args[size_t(index)] = std::move(value);
    return reply.ReturnValue;
}

TRemoteDispatch TSocketConnection::AppServer() {
    SetConnected(true);
    return TRemoteDispatch(this);
}

IAppServer *TSocketConnection::GetServer() {
    if (!FProxy)
        FProxy = std::make_unique<TAppServerProxy>(this);
    return FProxy.get();
}
