#include "OfficeDeflate.h"

#include <QTemporaryFile>
#include <memory>
#include <zlib.h>

namespace {

constexpr int kLevel = 6;    // zlib's usual level, as office programs write their packages
// Below zlib's usual memory level of 8: 64 KB less memory for a package less than one per cent
// larger (an export of a hundred thousand rows: 0.7 %).
constexpr int kMemLevel = 6;
constexpr qint64 kBuffer = 16 << 10;

[[noreturn]] void Fail(const QString &name, const QString &part, const QString &reason) {
    throw EOfficeError(QStringLiteral("%1: 無法寫入文件的%2(%3)").arg(name, part, reason));
}

// What the source serves: the deflated bytes in memory or in a temporary file.
struct TDeflated {
    zip_uint64_t Size = 0, CompSize = 0;
    zip_uint32_t Crc = 0;
    QByteArray Bytes;
    std::unique_ptr<QTemporaryFile> File;
    zip_uint64_t Done = 0;
    zip_error_t Error;
};

// Deflates what `read` gives (up to max bytes a call, 0 at the end, -1 on failure) into
// `write`, counting the size and the CRC.
template <class Read, class Write>
void Deflate(TDeflated &out, Read &&read, Write &&write, const QString &name, const QString &part) {
    z_stream z{};
    if (deflateInit2(&z, kLevel, Z_DEFLATED, -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        Fail(name, part, QStringLiteral("壓縮失敗"));
    std::unique_ptr<z_stream, int (*)(z_stream *)> end(&z, deflateEnd);
    std::vector<Bytef> in(kBuffer), buffer(kBuffer);
    uLong crc = crc32(0, nullptr, 0);
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const qint64 got = read(reinterpret_cast<char *>(in.data()), kBuffer);
        if (got < 0)
            Fail(name, part, QStringLiteral("產生內容失敗"));
        if (got == 0)
            flush = Z_FINISH;
        crc = crc32(crc, in.data(), static_cast<uInt>(got));
        out.Size += static_cast<zip_uint64_t>(got);
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(got);
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            if (deflate(&z, flush) == Z_STREAM_ERROR)
                Fail(name, part, QStringLiteral("壓縮失敗"));
            const qint64 made = static_cast<qint64>(buffer.size() - z.avail_out);
            if (made > 0 && !write(reinterpret_cast<const char *>(buffer.data()), made))
                Fail(name, part, QStringLiteral("暫存檔無法寫入"));
            out.CompSize += static_cast<zip_uint64_t>(made);
        } while (z.avail_out == 0);
    }
    out.Crc = static_cast<zip_uint32_t>(crc);
}

zip_int64_t DeflatedCallback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t cmd) {
    auto *source = static_cast<TDeflated *>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        source->Done = 0;
        if (source->File && !source->File->seek(0)) {
            zip_error_set(&source->Error, ZIP_ER_SEEK, EIO);
            return -1;
        }
        return 0;
    case ZIP_SOURCE_READ: {
        const zip_uint64_t want = std::min(length, source->CompSize - source->Done);
        if (want == 0)
            return 0;
        qint64 got = static_cast<qint64>(want);
        if (source->File)
            got = source->File->read(static_cast<char *>(data), got);
        else
            memcpy(data, source->Bytes.constData() + source->Done, want);
        if (got <= 0) {
            zip_error_set(&source->Error, ZIP_ER_READ, EIO);
            return -1;
        }
        source->Done += static_cast<zip_uint64_t>(got);
        return got;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->size = source->Size;
        st->comp_size = source->CompSize;
        st->crc = source->Crc;
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD |
                     ZIP_STAT_ENCRYPTION_METHOD;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->Error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&source->Error);
        delete source;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        zip_error_set(&source->Error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_source_t *SourceOf(zip_t *zip, std::unique_ptr<TDeflated> deflated) {
    zip_error_init(&deflated->Error);
    zip_source_t *source = zip_source_function(zip, DeflatedCallback, deflated.get());
    if (!source) {
        zip_error_fini(&deflated->Error);
        return nullptr;
    }
    deflated.release(); // the source frees it
    return source;
}

} // namespace

zip_source_t *DeflatedSource(zip_t *zip, const QByteArray &bytes, const QString &name,
                             const QString &part) {
    auto deflated = std::make_unique<TDeflated>();
    qint64 at = 0;
    deflated->Bytes.reserve(bytes.size() / 4 + 64);
    Deflate(
        *deflated,
        [&](char *buffer, qint64 max) {
            const qint64 take = std::min<qint64>(max, bytes.size() - at);
            memcpy(buffer, bytes.constData() + at, static_cast<size_t>(take));
            at += take;
            return take;
        },
        [&](const char *data, qint64 length) {
            deflated->Bytes.append(data, length);
            return true;
        },
        name, part);
    return SourceOf(zip, std::move(deflated));
}

zip_source_t *DeflatedSource(zip_t *zip, TOfficePackage::TStreamedPart &generated,
                             const QString &name, const QString &part) {
    auto deflated = std::make_unique<TDeflated>();
    deflated->File = std::make_unique<QTemporaryFile>();
    if (!deflated->File->open())
        Fail(name, part, deflated->File->errorString());
    if (generated.Rewind)
        generated.Rewind();
    qint64 left = generated.Size;
    Deflate(
        *deflated,
        [&](char *buffer, qint64 max) -> qint64 {
            const qint64 want = std::min(max, left);
            if (want <= 0)
                return 0;
            const qint64 got = generated.Read(buffer, want);
            if (got <= 0)
                return -1; // short of the size it promised, or failed
            left -= got;
            return got;
        },
        [&](const char *data, qint64 length) {
            return deflated->File->write(data, length) == length;
        },
        name, part);
    return SourceOf(zip, std::move(deflated));
}
