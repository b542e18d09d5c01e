// libFuzzer target: arbitrary bytes as a stream of frames and as a single payload. Every input
// must either decode or raise ERemoteProtocol; anything else (a crash, a sanitizer report,
// another exception) is a finding.

#include "RemoteProtocol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        Remote::DecodeMessage(bytes);
    } catch (const ERemoteProtocol &) {
    }
    Remote::TFrameDecoder decoder(4096);
    try {
        // Feed in two pieces so that split frames are exercised too.
        const qsizetype half = bytes.size() / 2;
        decoder.Append(bytes.left(half));
        QByteArray payload;
        while (decoder.Next(payload))
            Remote::DecodeMessage(payload);
        decoder.Append(bytes.mid(half));
        while (decoder.Next(payload)) {
            const Remote::TMessage m = Remote::DecodeMessage(payload);
            // What decodes must encode and decode to the same kind.
            if (Remote::DecodeMessage(Remote::EncodeMessage(m)).Kind != m.Kind)
                __builtin_trap();
        }
    } catch (const ERemoteProtocol &) {
    }
    return 0;
}
