#include "RemoteProtocol.h"

#include "VariantCbor.h"

#include <QBuffer>
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QtEndian>
#include <limits>

namespace Remote {

TMessage TMessage::Hello() {
    TMessage m;
    m.Kind = TMessageKind::Hello;
    m.Version = ProtocolVersion;
    return m;
}

TMessage TMessage::Welcome(bool startTls) {
    TMessage m;
    m.Kind = TMessageKind::Welcome;
    m.Version = ProtocolVersion;
    m.StartTls = startTls;
    return m;
}

TMessage TMessage::Create(const QString &progId) {
    TMessage m;
    m.Kind = TMessageKind::Create;
    m.Text = progId;
    return m;
}

TMessage TMessage::Created(int handle) {
    TMessage m;
    m.Kind = TMessageKind::Created;
    m.Handle = handle;
    return m;
}

TMessage TMessage::Invoke(int handle, int dispId, const QString &name, std::vector<Variant> args) {
    TMessage m;
    m.Kind = TMessageKind::Invoke;
    m.Handle = handle;
    m.DispId = dispId;
    m.Text = name;
    m.Args = std::move(args);
    return m;
}

TMessage TMessage::Result(const Variant &result, std::vector<std::pair<int, Variant>> outputs) {
    TMessage m;
    m.Kind = TMessageKind::Result;
    m.ReturnValue = result;
    m.Outputs = std::move(outputs);
    return m;
}

TMessage TMessage::Error(const QString &text, int code) {
    TMessage m;
    m.Kind = TMessageKind::Error;
    m.Text = text;
    m.Code = code;
    return m;
}

TMessage TMessage::Session(const QByteArray &ticket) {
    TMessage m;
    m.Kind = TMessageKind::Session;
    m.Ticket = ticket;
    return m;
}

TMessage TMessage::Release(int handle) {
    TMessage m;
    m.Kind = TMessageKind::Release;
    m.Handle = handle;
    return m;
}

TMessage TMessage::Released() {
    TMessage m;
    m.Kind = TMessageKind::Released;
    return m;
}

namespace {

void WriteMessage(QCborStreamWriter &w, const TMessage &m) {
    switch (m.Kind) {
    case TMessageKind::Hello:
        w.startArray(3);
        w.append(qint64(m.Kind));
        w.append(QLatin1StringView(Magic()));
        w.append(qint64(m.Version));
        break;
    case TMessageKind::Welcome:
        w.startArray(3);
        w.append(qint64(m.Kind));
        w.append(qint64(m.Version));
        w.append(m.StartTls);
        break;
    case TMessageKind::Create:
        w.startArray(2);
        w.append(qint64(m.Kind));
        w.append(m.Text);
        break;
    case TMessageKind::Error:
        w.startArray(m.Code != 0 ? 3 : 2);
        w.append(qint64(m.Kind));
        w.append(m.Text);
        if (m.Code != 0)
            w.append(qint64(m.Code));
        break;
    case TMessageKind::Session:
        w.startArray(2);
        w.append(qint64(m.Kind));
        w.append(m.Ticket);
        break;
    case TMessageKind::Created:
    case TMessageKind::Release:
        w.startArray(2);
        w.append(qint64(m.Kind));
        w.append(qint64(m.Handle));
        break;
    case TMessageKind::Invoke:
        w.startArray(5);
        w.append(qint64(m.Kind));
        w.append(qint64(m.Handle));
        w.append(qint64(m.DispId));
        w.append(m.Text);
        w.startArray(quint64(m.Args.size()));
        for (const Variant &a : m.Args)
            WriteVariant(w, a);
        w.endArray();
        break;
    case TMessageKind::Result:
        w.startArray(m.TicketChange == TTicketChange::None ? 3 : 4);
        w.append(qint64(m.Kind));
        WriteVariant(w, m.ReturnValue);
        w.startArray(quint64(m.Outputs.size()));
        for (const auto &[index, value] : m.Outputs) {
            w.startArray(2);
            w.append(qint64(index));
            WriteVariant(w, value);
            w.endArray();
        }
        w.endArray();
        if (m.TicketChange == TTicketChange::Issued)
            w.append(m.Ticket);
        else if (m.TicketChange == TTicketChange::Ended)
            w.append(nullptr);
        break;
    case TMessageKind::Released:
        w.startArray(1);
        w.append(qint64(m.Kind));
        break;
    }
    w.endArray();
}

// Bytes a value will take, roughly: enough to size the output once for big values.
qint64 EstimatedSize(const Variant &v) {
    switch (v.VarType()) {
    case TVarType::Bytes:
        return v.ToBytes().size() + 9;
    case TVarType::String:
        return v.ToString().size() * 3 + 9;
    case TVarType::Array: {
        qint64 size = 16;
        for (int i = v.LowBound(); i <= v.HighBound(); ++i)
            size += EstimatedSize(v[i]);
        return size;
    }
    default:
        return 16;
    }
}

qint64 EstimatedSize(const TMessage &m) {
    qint64 size = 32 + m.Text.size() * 3 + EstimatedSize(m.ReturnValue);
    for (const Variant &a : m.Args)
        size += EstimatedSize(a);
    for (const auto &output : m.Outputs)
        size += 9 + EstimatedSize(output.second);
    return size;
}

} // namespace

QByteArray EncodeMessage(const TMessage &m) {
    QByteArray out;
    QCborStreamWriter w(&out);
    WriteMessage(w, m);
    return out;
}

QByteArray EncodeFrame(const TMessage &m) {
    // Header and payload are written into one buffer, sized once.
    QByteArray out;
    out.reserve(HeaderSize + EstimatedSize(m));
    out.resize(HeaderSize);
    {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly | QIODevice::Append);
        QCborStreamWriter w(&buffer);
        WriteMessage(w, m);
    }
    const qint64 length = out.size() - HeaderSize;
    if (length > qint64(std::numeric_limits<quint32>::max()))
        throw ERemoteError(
            QStringLiteral("A message of %1 bytes is too large to send").arg(length));
    qToBigEndian(quint32(length), out.data());
    return out;
}

namespace {

[[noreturn]] void Malformed(const QString &why) {
    throw ERemoteProtocol(QStringLiteral("Malformed frame: ") + why);
}

void Check(QCborStreamReader &r) {
    if (r.lastError() != QCborError::NoError)
        Malformed(QStringLiteral("invalid CBOR"));
}

qint64 ReadInt(QCborStreamReader &r, qint64 low, qint64 high) {
    Check(r);
    qint64 v;
    if (r.isUnsignedInteger()) {
        const quint64 u = quint64(r.toUnsignedInteger());
        if (u > quint64(high))
            Malformed(QStringLiteral("integer out of range"));
        v = qint64(u);
    } else if (r.isNegativeInteger()) {
        const quint64 n = quint64(r.toNegativeInteger());
        if (n == 0 || n > quint64(std::numeric_limits<qint64>::max()) || -qint64(n) < low)
            Malformed(QStringLiteral("integer out of range"));
        v = -qint64(n);
    } else {
        Malformed(QStringLiteral("an integer was expected"));
    }
    if (v < low || v > high)
        Malformed(QStringLiteral("integer out of range"));
    r.next();
    Check(r);
    return v;
}

int ReadInt32(QCborStreamReader &r) {
    return int(ReadInt(r, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QString ReadText(QCborStreamReader &r) {
    Check(r);
    if (!r.isString())
        Malformed(QStringLiteral("a text was expected"));
    QString out;
    auto part = r.readString();
    while (part.status == QCborStreamReader::Ok) {
        out += part.data;
        part = r.readString();
    }
    if (part.status == QCborStreamReader::Error)
        Malformed(QStringLiteral("broken text"));
    return out;
}

// A session ticket: a byte string of at most MaxTicketBytes.
QByteArray ReadTicket(QCborStreamReader &r) {
    Check(r);
    if (!r.isByteArray())
        Malformed(QStringLiteral("a ticket was expected"));
    if (r.isLengthKnown() && r.length() > quint64(MaxTicketBytes))
        Malformed(QStringLiteral("the ticket is too long"));
    QByteArray out;
    auto part = r.readByteArray();
    while (part.status == QCborStreamReader::Ok) {
        out += part.data;
        if (out.size() > MaxTicketBytes)
            Malformed(QStringLiteral("the ticket is too long"));
        part = r.readByteArray();
    }
    if (part.status == QCborStreamReader::Error)
        Malformed(QStringLiteral("broken ticket"));
    return out;
}

bool ReadBool(QCborStreamReader &r) {
    Check(r);
    if (!r.isBool())
        Malformed(QStringLiteral("a boolean was expected"));
    const bool v = r.toBool();
    r.next();
    Check(r);
    return v;
}

Variant ReadValue(QCborStreamReader &r) {
    try {
        return ReadVariant(r);
    } catch (const EVariantError &e) {
        Malformed(e.Message());
    }
}

void EnterArray(QCborStreamReader &r) {
    Check(r);
    if (!r.isArray() || !r.enterContainer())
        Malformed(QStringLiteral("an array was expected"));
}

void LeaveArray(QCborStreamReader &r) {
    Check(r);
    if (r.hasNext())
        Malformed(QStringLiteral("too many elements"));
    if (!r.leaveContainer())
        Malformed(QStringLiteral("broken array"));
    Check(r);
}

void Expect(QCborStreamReader &r) {
    Check(r);
    if (!r.hasNext())
        Malformed(QStringLiteral("too few elements"));
}

} // namespace

TMessage DecodeMessage(const QByteArray &payload) {
    QCborStreamReader r(payload);
    TMessage m;
    EnterArray(r);
    Expect(r);
    const int kind = ReadInt32(r);
    if (kind < int(TMessageKind::Hello) || kind > int(TMessageKind::Session))
        Malformed(QStringLiteral("unknown message kind %1").arg(kind));
    m.Kind = TMessageKind(kind);
    switch (m.Kind) {
    case TMessageKind::Hello:
        Expect(r);
        if (ReadText(r) != QLatin1StringView(Magic()))
            Malformed(QStringLiteral("not a client of this server"));
        Expect(r);
        m.Version = ReadInt32(r);
        break;
    case TMessageKind::Welcome:
        Expect(r);
        m.Version = ReadInt32(r);
        Expect(r);
        m.StartTls = ReadBool(r);
        break;
    case TMessageKind::Create:
        Expect(r);
        m.Text = ReadText(r);
        break;
    case TMessageKind::Error:
        Expect(r);
        m.Text = ReadText(r);
        Check(r);
        if (r.hasNext()) {
            m.Code = ReadInt32(r);
            if (m.Code == 0)
                Malformed(QStringLiteral("an error code of 0"));
        }
        break;
    case TMessageKind::Session:
        Expect(r);
        m.Ticket = ReadTicket(r);
        break;
    case TMessageKind::Created:
    case TMessageKind::Release:
        Expect(r);
        m.Handle = ReadInt32(r);
        break;
    case TMessageKind::Invoke:
        Expect(r);
        m.Handle = ReadInt32(r);
        Expect(r);
        m.DispId = ReadInt32(r);
        Expect(r);
        m.Text = ReadText(r);
        Expect(r);
        EnterArray(r);
        while (r.lastError() == QCborError::NoError && r.hasNext())
            m.Args.push_back(ReadValue(r));
        LeaveArray(r);
        break;
    case TMessageKind::Result:
        Expect(r);
        m.ReturnValue = ReadValue(r);
        Expect(r);
        EnterArray(r);
        while (r.lastError() == QCborError::NoError && r.hasNext()) {
            EnterArray(r);
            Expect(r);
            const int index = ReadInt32(r);
            if (index < 0)
                Malformed(QStringLiteral("negative argument index"));
            Expect(r);
            Variant value = ReadValue(r);
            LeaveArray(r);
            m.Outputs.emplace_back(index, std::move(value));
        }
        LeaveArray(r);
        Check(r);
        if (r.hasNext()) {
            if (r.isNull()) {
                r.next();
                m.TicketChange = TTicketChange::Ended;
            } else {
                m.Ticket = ReadTicket(r);
                if (m.Ticket.isEmpty())
                    Malformed(QStringLiteral("an empty ticket was issued"));
                m.TicketChange = TTicketChange::Issued;
            }
        }
        break;
    case TMessageKind::Released:
        break;
    }
    LeaveArray(r);
    if (r.currentOffset() != payload.size())
        Malformed(QStringLiteral("bytes left over after the message"));
    return m;
}

QByteArray MakeFrame(const QByteArray &payload) {
    if (payload.size() > qint64(std::numeric_limits<quint32>::max()))
        throw ERemoteError(
            QStringLiteral("A message of %1 bytes is too large to send").arg(payload.size()));
    QByteArray frame(HeaderSize, Qt::Uninitialized);
    qToBigEndian(quint32(payload.size()), frame.data());
    frame.append(payload);
    return frame;
}

bool TFrameDecoder::Next(QByteArray &payload) {
    const qint64 available = FBuffer.size() - FPos;
    if (available < HeaderSize)
        return false;
    const quint32 length = qFromBigEndian<quint32>(FBuffer.constData() + FPos);
    if (qint64(length) > FMaxFrameSize)
        throw ERemoteProtocol(QStringLiteral("Malformed frame: %1 bytes announced, the limit is %2")
                                  .arg(length)
                                  .arg(FMaxFrameSize));
    if (available < HeaderSize + qint64(length))
        return false;
    payload = FBuffer.mid(FPos + HeaderSize, length);
    FPos += HeaderSize + qint64(length);
    // Drop consumed bytes once they make up most of the buffer.
    if (FPos == FBuffer.size()) {
        FBuffer.clear();
        FPos = 0;
    } else if (FPos > 65536 && FPos * 2 > FBuffer.size()) {
        FBuffer.remove(0, FPos);
        FPos = 0;
    }
    return true;
}

} // namespace Remote
