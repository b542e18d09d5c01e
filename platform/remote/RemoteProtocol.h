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
//            [6, result, [...], ticket]        a call that signed in: the new session ticket
//            [6, result, [...], null]          a call that signed out: the ticket has ended
//   Error    [7, text]                         the call failed; text is the server's message
//            [7, text, code]                   code ErrorSignInRequired: refused for want of a
//                                              valid session ticket (nothing ran)
//   Release  [8, handle]
//   Released [9]
//   Session  [10, ticket]                      client -> server, after the greeting (and TLS)
//                                              and whenever the ticket changes: the session
//                                              ticket of the later calls (empty: none)
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
LUM_DECLARE_EXCEPTION(ESignInRequired, EServerError);        // no valid session ticket: nothing ran

namespace Remote {

constexpr int ProtocolVersion = 1;
constexpr int DispIdUnknown = -1;
constexpr qint64 DefaultMaxFrameSize = qint64(64) * 1024 * 1024;
constexpr int HeaderSize = 4;
// Session tickets are 32 bytes; a Session frame or a reply carrying more is malformed.
constexpr int TicketSize = 32;
constexpr int MaxTicketBytes = 64;
// The code of an Error that refuses a call for want of a valid session ticket.
constexpr int ErrorSignInRequired = 1;
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
    Session = 10,
};

// What a reply says about the connection's session ticket.
enum class TTicketChange { None, Issued, Ended };

struct TMessage {
    TMessageKind Kind = TMessageKind::Error;
    int Version = 0;       // Hello, Welcome
    bool StartTls = false; // Welcome
    QString Text;          // Create: ProgID; Invoke: method name; Error: message
    int Handle = 0;        // Created, Invoke, Release
    int DispId = DispIdUnknown;
    std::vector<Variant> Args;                        // Invoke
    Variant ReturnValue;                              // Result
    std::vector<std::pair<int, Variant>> Outputs;     // Result
    int Code = 0;                                     // Error
    QByteArray Ticket;                                // Session; Result with TicketChange Issued
    TTicketChange TicketChange = TTicketChange::None; // Result

    static TMessage Hello();
    static TMessage Welcome(bool startTls);
    static TMessage Create(const QString &progId);
    static TMessage Created(int handle);
    static TMessage Invoke(int handle, int dispId, const QString &name, std::vector<Variant> args);
    static TMessage Result(const Variant &result, std::vector<std::pair<int, Variant>> outputs);
    static TMessage Error(const QString &text, int code = 0);
    static TMessage Session(const QByteArray &ticket);
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
