#pragma once
// The wire protocol between clients and the application server.
//
// Every message travels as one frame: a 4-byte big-endian payload length followed by the
// payload, a CBOR array whose first element is the message kind. Values inside messages use
// the variant encoding of VariantCbor.h.
//
//   Hello    [1, "ORVR", version]              client -> server, first frame on a connection
//   Welcome  [2, version, startTls]            server -> client; with startTls both sides switch
//                                              to TLS before the next frame
//   Create   [3, progId]                       create (or reuse) the connection's object
//   Created  [4, handle]
//   Invoke   [5, handle, dispId, name, [args]] dispId -1 means "look the method up by name"
//   Result   [6, result, [[index, value]...]]  the values of the by-reference (output) arguments
//   Error    [7, text]                         the call failed; text is the server's message
//   Release  [8, handle]
//   Released [9]
//
// Frames larger than the limit, unknown kinds, wrong element types and bytes left over after a
// message are malformed: the decoder raises ERemoteProtocol, and the side that received such a
// frame closes the connection.

#include "Exceptions.h"
#include "Variant.h"

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

LUM_DECLARE_EXCEPTION(ERemoteError, Exception);              // any failure of a remote call
LUM_DECLARE_EXCEPTION(ERemoteProtocol, ERemoteError);        // malformed or unexpected frame
LUM_DECLARE_EXCEPTION(ESocketConnectionError, ERemoteError); // host unreachable, link lost
LUM_DECLARE_EXCEPTION(EServerError, ERemoteError);           // the server's own error text

namespace Remote {

constexpr int ProtocolVersion = 1;
constexpr int DispIdUnknown = -1;
constexpr qint64 DefaultMaxFrameSize = qint64(64) * 1024 * 1024;
constexpr int HeaderSize = 4;
inline const char *Magic() {
    return "ORVR";
}

enum class TMessageKind : int {
    Hello = 1,
    Welcome = 2,
    Create = 3,
    Created = 4,
    Invoke = 5,
    Result = 6,
    Error = 7,
    Release = 8,
    Released = 9,
};

struct TMessage {
    TMessageKind Kind = TMessageKind::Error;
    int Version = 0;       // Hello, Welcome
    bool StartTls = false; // Welcome
    QString Text;          // Create: ProgID; Invoke: method name; Error: message
    int Handle = 0;        // Created, Invoke, Release
    int DispId = DispIdUnknown;
    std::vector<Variant> Args;                    // Invoke
    Variant ReturnValue;                          // Result
    std::vector<std::pair<int, Variant>> Outputs; // Result

    static TMessage Hello();
    static TMessage Welcome(bool startTls);
    static TMessage Create(const QString &progId);
    static TMessage Created(int handle);
    static TMessage Invoke(int handle, int dispId, const QString &name, std::vector<Variant> args);
    static TMessage Result(const Variant &result, std::vector<std::pair<int, Variant>> outputs);
    static TMessage Error(const QString &text);
    static TMessage Release(int handle);
    static TMessage Released();
};

// The payload of a message (without the length prefix).
QByteArray EncodeMessage(const TMessage &message);
// Reads one payload; raises ERemoteProtocol on anything malformed.
TMessage DecodeMessage(const QByteArray &payload);
// The payload with its length prefix. Both raise ERemoteError for a payload that a length
// prefix cannot announce.
QByteArray MakeFrame(const QByteArray &payload);
QByteArray EncodeFrame(const TMessage &message);

// Cuts a byte stream into frame payloads. Bytes may arrive in any pieces.
class TFrameDecoder {
public:
    explicit TFrameDecoder(qint64 maxFrameSize = DefaultMaxFrameSize)
        : FMaxFrameSize(maxFrameSize) {}
    void Append(const QByteArray &bytes) { FBuffer.append(bytes); }
    // Takes the next complete payload out of the buffer. Returns false when none is complete
    // yet; raises ERemoteProtocol when a frame announces more than the limit.
    bool Next(QByteArray &payload);
    qint64 Buffered() const { return FBuffer.size() - FPos; }
    qint64 MaxFrameSize() const { return FMaxFrameSize; }

private:
    QByteArray FBuffer;
    qint64 FPos = 0;
    qint64 FMaxFrameSize;
};

} // namespace Remote
