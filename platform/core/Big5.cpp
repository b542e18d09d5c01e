#include "Big5.h"

#include "AsciiRuns.h"
#include "Exceptions.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr const char *kBig5Name = "windows-950-2000";
// Codes no Big5 text has (a lead byte is 0x81 or more): a character without a code, written as
// "?", and one the converter leaves out (the invisible formatting characters).
constexpr quint16 kNoCode = 0x0100;
constexpr quint16 kDropped = 0x0101;
constexpr char16_t kNoChar = 0xFFFF;

// The converter's mapping of the basic plane, read once from it into tables, so that files of
// megabytes are encoded and checked by table look-ups. Characters outside the basic plane go
// to the converter itself.
struct TBig5Tables {
    // Per UTF-16 unit: the single byte (< 0x100), the double-byte code (lead << 8 | trail),
    // kNoCode or kDropped.
    std::vector<quint16> Encode = std::vector<quint16>(0x10000, kNoCode);
    // Per single byte: its character, or kNoChar when it is a lead byte or has no character.
    std::array<char16_t, 256> Single{};
    // Per double-byte code (lead - 0x81) * 256 + trail: its character or kNoChar.
    std::vector<char16_t> Double = std::vector<char16_t>(126 * 256, kNoChar);
    bool Valid = false;

    // The converters count the characters they could not convert over all calls; a call
    // failed when it made the count grow.
    struct TCountingDecoder : QStringDecoder {
        using QStringDecoder::QStringDecoder;
        qsizetype Invalid() const { return state.invalidChars; }
    };
    struct TCountingEncoder : QStringEncoder {
        using QStringEncoder::QStringEncoder;
        qsizetype Invalid() const { return state.invalidChars; }
    };

    // Built once, on first use; kept out of line so that the use itself stays small.
    [[gnu::noinline]] TBig5Tables() {
        TCountingDecoder decoder(kBig5Name, QStringConverter::Flag::Stateless);
        TCountingEncoder encoder(kBig5Name, QStringConverter::Flag::Stateless);
        if (!decoder.isValid() || !encoder.isValid())
            return;
        auto decodeOne = [&](QByteArrayView bytes) -> char16_t {
            const qsizetype before = decoder.Invalid();
            const QString text = decoder.decode(bytes);
            if (decoder.Invalid() != before || text.size() != 1 ||
                text[0] == QChar::ReplacementCharacter || text[0].isSurrogate())
                return kNoChar;
            return text[0].unicode();
        };
        Single.fill(kNoChar);
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            if (!IsBig5LeadByte(static_cast<unsigned char>(b)))
                Single[static_cast<size_t>(b)] = decodeOne(QByteArrayView(&byte, 1));
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0; trail < 256; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                Double[static_cast<size_t>((lead - 0x81) * 256 + trail)] =
                    decodeOne(QByteArrayView(pair, 2));
            }
        for (int u = 0; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            const char16_t unit = static_cast<char16_t>(u);
            const qsizetype before = encoder.Invalid();
            const QByteArray bytes = encoder.encode(QStringView(&unit, 1));
            const auto first = bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes[0]);
            const bool failed = encoder.Invalid() != before;
            if (bytes.isEmpty() && failed)
                Encode[unit] = kDropped;
            else if (failed || (bytes == "?" && u != '?'))
                Encode[unit] = kNoCode;
            else if (bytes.size() == 1 && !IsBig5LeadByte(first))
                Encode[unit] = first;
            else if (bytes.size() == 2 && IsBig5LeadByte(first))
                Encode[unit] =
                    static_cast<quint16>(first << 8 | static_cast<unsigned char>(bytes[1]));
            else
                return; // not a shape the tables hold: the converter is used for everything
        }
        Valid = true;
    }
};

[[gnu::always_inline]] inline const TBig5Tables &Tables() {
    static const TBig5Tables tables;
    return tables;
}

[[noreturn]] void NoCode(QStringView ch) {
    throw EEncodingError(
        Format(QStringLiteral("The character '%s' has no Big5 code"), {ch.toString()}));
}

// Encodes s[i, n) with the tables at p, which has room for two bytes a unit, up to the end or
// a surrogate; returns the end of the bytes and leaves i where it stopped. A character without
// a code becomes "?" (a dropped one nothing), or with strict stops it with `missing` set.
char *EncodeRun(const TBig5Tables &tables, const char16_t *s, qsizetype n, qsizetype &i,
                bool strict, char *p, bool &missing) {
    while (i < n) {
        // Runs of ASCII, most of any line, many units at a time.
        const qsizetype run = AsciiRuns::Narrow(s + i, n - i, p);
        i += run;
        p += run;
        if (i >= n)
            break;
        // The other characters of a Chinese word one after another.
        do {
            const char16_t u = s[i];
            if (u >= 0xD800 && u <= 0xDFFF)
                return p;
            const quint16 code = tables.Encode[u];
            if (code == kNoCode || code == kDropped) {
                if (strict) {
                    missing = true;
                    return p;
                }
                if (code == kNoCode)
                    *p++ = '?';
            } else if (code < 0x100) {
                *p++ = static_cast<char>(code);
            } else {
                *p++ = static_cast<char>(code >> 8);
                *p++ = static_cast<char>(code & 0xFF);
            }
            ++i;
        } while (i < n && s[i] >= 0x80);
    }
    return p;
}

} // namespace

QByteArray Big5Encode(const QString &text, bool strict) {
    QByteArray out;
    Big5AppendEncoded(out, text, strict);
    return out;
}

void Big5AppendEncoded(QByteArray &out, QStringView text, bool strict) {
    const TBig5Tables &tables = Tables();
    if (!tables.Valid) {
        QStringEncoder encoder(kBig5Name, QStringConverter::Flag::Stateless);
        if (!encoder.isValid())
            throw EEncodingError(QStringLiteral("The Big5 converter is not available"));
        if (strict)
            for (qsizetype i = 0; i < text.size(); ++i) {
                QStringEncoder checker(kBig5Name, QStringConverter::Flag::Stateless);
                const QByteArray bytes = checker.encode(text.mid(i, 1));
                if (checker.hasError() || (bytes == "?" && text[i] != u'?'))
                    NoCode(text.mid(i, 1));
            }
        out += QByteArray(encoder.encode(text));
        return;
    }
    const qsizetype n = text.size();
    qsizetype done = out.size();
    // Room for two bytes a character; what is left over is cut off at the end.
    out.resize(done + n * 2);
    char *p = out.data() + done;
    const char16_t *s = text.utf16();
    qsizetype i = 0;
    for (;;) {
        bool missing = false;
        p = EncodeRun(tables, s, n, i, strict, p, missing);
        if (missing) {
            out.truncate(p - out.data());
            NoCode(text.mid(i, 1));
        }
        if (i >= n)
            break;
        // Outside the basic plane (or a lone surrogate): the converter decides.
        const char16_t u = s[i];
        const qsizetype len =
            QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]) ? 2 : 1;
        const QStringView ch = text.mid(i, len);
        QStringEncoder encoder(kBig5Name, QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(ch);
        if (strict && (encoder.hasError() || bytes == "?")) {
            out.truncate(p - out.data());
            NoCode(ch);
        }
        i += len;
        done = p - out.data();
        out.resize(done + bytes.size() + (n - i) * 2);
        p = out.data() + done;
        memcpy(p, bytes.constData(), static_cast<size_t>(bytes.size()));
        p += bytes.size();
    }
    out.truncate(p - out.data());
}

char *Big5EncodeStrictTo(char *out, QStringView text) {
    const TBig5Tables &tables = Tables();
    if (!tables.Valid)
        return nullptr;
    qsizetype i = 0;
    bool missing = false;
    char *const end = EncodeRun(tables, text.utf16(), text.size(), i, true, out, missing);
    if (missing)
        NoCode(text.mid(i, 1));
    return i < text.size() ? nullptr : end;
}

char16_t *Big5DecodeStrictTo(char16_t *out, QByteArrayView bytes) {
    const TBig5Tables &tables = Tables();
    if (!tables.Valid) {
        QStringDecoder decoder(kBig5Name, QStringConverter::Flag::Stateless);
        if (!decoder.isValid())
            throw EEncodingError(QStringLiteral("The Big5 converter is not available"));
        const QString text = decoder.decode(bytes);
        if (decoder.hasError() || text.size() > bytes.size())
            return nullptr;
        std::memcpy(out, text.utf16(), static_cast<size_t>(text.size()) * sizeof(char16_t));
        return out + text.size();
    }
    char16_t *p = out;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        // Runs of ASCII, most of any line, many bytes at a time.
        const qsizetype run = AsciiRuns::Widen(b + i, n - i, p);
        i += run;
        p += run;
        if (i >= n)
            break;
        const unsigned char c = b[i];
        if (c < 0x80) {
            *p++ = c;
            ++i;
            continue;
        }
        if (!IsBig5LeadByte(c)) {
            if (tables.Single[c] == kNoChar)
                return nullptr;
            *p++ = tables.Single[c];
            ++i;
            continue;
        }
        // The double-byte characters of a Chinese word one after another.
        do {
            if (i + 1 >= n)
                return nullptr;
            const char16_t ch = tables.Double[static_cast<size_t>((b[i] - 0x81) * 256 + b[i + 1])];
            if (ch == kNoChar)
                return nullptr;
            *p++ = ch;
            i += 2;
        } while (i < n && IsBig5LeadByte(b[i]));
    }
    return p;
}

bool Big5DecodeStrict(QByteArrayView bytes, QString &text) {
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
    const char16_t *const end = Big5DecodeStrictTo(begin, bytes);
    if (!end)
        return false;
    out.truncate(end - begin);
    text = std::move(out);
    return true;
}

int Big5CharWidth(char16_t unit) {
    if (unit < 0x80)
        return 1;
    const TBig5Tables &tables = Tables();
    if (!tables.Valid || (unit >= 0xD800 && unit <= 0xDFFF))
        return -1;
    const quint16 code = tables.Encode[unit];
    return code < 0x100 || code == kNoCode || code == kDropped ? 1 : 2;
}

QString Big5Decode(const QByteArray &bytes) {
    QStringDecoder decoder(kBig5Name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw EEncodingError(QStringLiteral("The Big5 converter is not available"));
    QString text = decoder.decode(bytes);
    // A lead byte cut off at the very end would vanish without a trace; mark it instead.
    qsizetype i = 0;
    while (i < bytes.size())
        i += IsBig5LeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    if (i > bytes.size())
        text += QChar(QChar::ReplacementCharacter);
    return text;
}

int Big5Length(const QString &text) {
    return static_cast<int>(Big5Encode(text).size());
}

QString ReadTextFile(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(Format(QStringLiteral("Cannot open file %s"), {fileName}));
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return Big5Decode(bytes);
}

void WriteTextFile(const QString &fileName, const QString &text) {
    const QByteArray bytes = Big5Encode(text, true);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {fileName}));
}
