#include "EnDeCode.h"

#include "Big5.h"

#include <QRandomGenerator>

namespace {

// Draws of the system's random generator.
class TSystemRandom : public IScrambleRandom {
public:
    int Between(int low, int high) override {
        return static_cast<int>(QRandomGenerator::global()->bounded(low, high + 1));
    }
};

IScrambleRandom &RandomOrDefault(IScrambleRandom *random) {
    static TSystemRandom systemRandom;
    return random ? *random : systemRandom;
}

// Every loop below ends at its first or second draw in practice; the bound only turns a
// broken random source into an error instead of a hang.
constexpr int kMaxDraws = 10000;
// Random salts tried by Encode2 before the remaining salts are walked in order.
constexpr int kRandomSalts = 64;

constexpr int kFillerEnd = EnDeCode::ScrambledLength - 1; // body + salt + filler
constexpr int kMaxBody = 32;                              // longest body a decoder accepts

int Code(const QByteArray &text, int position) { // 1-based, as the layout is described
    return static_cast<unsigned char>(text.at(position - 1));
}

// The part of the check character that the filler decides.
int CheckBase(const QByteArray &text) {
    return (((Code(text, 38) + Code(text, 37) + Code(text, 36)) / 3) & 63) + 32;
}

QString TooLongMessage(int limit) {
    return limit == EnDeCode::MaxEncodeLength ? QStringLiteral("加密編碼字串超過32字")
                                              : QStringLiteral("加密編碼字串超過24字");
}

[[noreturn]] void RandomSourceFailed() {
    throw EEnDeCode(QStringLiteral("Scrambling gave up: the random source repeats itself"));
}

// Body, salt, filler from fillerLow..fillerHigh up to position 39, check character. The filler
// is drawn again while the check character would exceed checkHigh.
QByteArray CommonTail(const QByteArray &body, int salt, int fillerHigh, int checkHigh,
                      IScrambleRandom &random) {
    QByteArray head = body;
    head.append(static_cast<char>(salt));
    const int m = static_cast<int>(head.size());
    for (int draw = 0; draw < kMaxDraws; ++draw) {
        QByteArray text = head;
        while (text.size() < kFillerEnd)
            text.append(static_cast<char>(random.Between(32, fillerHigh)));
        const int check = CheckBase(text) + m;
        if (check <= checkHigh) {
            text.append(static_cast<char>(check));
            return text;
        }
    }
    RandomSourceFailed();
}

// Splits a scrambled text into body and salt; false when it is not one.
bool CommonHead(const QByteArray &e, QByteArray &body, int &salt) {
    if (e.size() != EnDeCode::ScrambledLength)
        return false;
    const int m = Code(e, EnDeCode::ScrambledLength) - CheckBase(e);
    if (m < 1 || m > kMaxBody + 1)
        return false;
    salt = Code(e, m);
    body = e.left(m - 1);
    return true;
}

QByteArray MixKey(const QByteArray &s, const QByteArray &key) {
    QByteArray w = s;
    for (qsizetype i = 0; i < w.size(); ++i)
        w[i] = static_cast<char>(w[i] ^ key[i]);
    return w;
}

// Encode2's body for one salt: values below 126 as they are, others as "~" and value - 94.
QByteArray Encode2Body(const QByteArray &w, int salt) {
    QByteArray body;
    for (char c : w) {
        const int x = ((salt ^ static_cast<unsigned char>(c)) + 32) & 0xFF;
        if (x < 126) {
            body.append(static_cast<char>(x));
        } else {
            body.append('~');
            body.append(static_cast<char>(x - 94));
        }
    }
    return body;
}

bool AcceptableBody(const QByteArray &body) {
    if (body.size() > kMaxBody)
        return false;
    for (char c : body) {
        const int code = static_cast<unsigned char>(c);
        if (code < 32 || code > 127)
            return false;
    }
    return true;
}

void CheckEncode2Input(const QString &s) {
    if (s.size() > EnDeCode::MaxEncode2Length)
        throw EEnDeCode(TooLongMessage(EnDeCode::MaxEncode2Length));
    for (QChar c : s)
        if (c.unicode() < 33 || c.unicode() > 126)
            throw EEnDeCode(QStringLiteral("請勿用特殊字元做為密碼"));
}

// Scrambled texts travel as one character per byte.
bool ToScrambledBytes(const QString &e, QByteArray &bytes) {
    for (QChar c : e)
        if (c.unicode() > 0xFF)
            return false;
    bytes = e.toLatin1();
    return true;
}

} // namespace

namespace EnDeCode {

const QByteArray &FixedKey() {
    static const QByteArray key = QByteArrayLiteral("k7#Qv2!Rm9@xT4$hW8&pL3*nZ6^cY1%e");
    return key;
}

bool IsValidKey(const QByteArray &key) {
    if (key.size() != KeyLength)
        return false;
    for (char c : key)
        if (c < 32 || c > 126)
            return false;
    return true;
}

QByteArray EncodeBytes(const QByteArray &s, IScrambleRandom *random) {
    if (s.size() > MaxEncodeLength)
        throw EEnDeCode(TooLongMessage(MaxEncodeLength));
    IScrambleRandom &rnd = RandomOrDefault(random);
    const QByteArray w = MixKey(s, FixedKey());
    for (int draw = 0; draw < kMaxDraws; ++draw) {
        const int salt = rnd.Between(0, 95) + 32;
        QByteArray body = w;
        for (qsizetype i = 0; i < body.size(); ++i)
            body[i] = static_cast<char>(((salt ^ static_cast<unsigned char>(body[i])) + 32) & 0xFF);
        const QByteArray e = CommonTail(body, salt, 127, 255, rnd);
        // Kept as the routine's own safeguard: only a text that reads back is handed out.
        if (DecodeBytes(e) == s)
            return e;
    }
    RandomSourceFailed();
}

QByteArray DecodeBytes(const QByteArray &e) {
    QByteArray body;
    int salt = 0;
    if (!CommonHead(e, body, salt))
        return {};
    const QByteArray &key = FixedKey();
    for (qsizetype i = 0; i < body.size(); ++i) {
        const int x = ((static_cast<unsigned char>(body[i]) - 32) & 0xFF) ^ salt;
        body[i] = static_cast<char>(x ^ static_cast<unsigned char>(key[i]));
    }
    return body;
}

QByteArray Encode2Bytes(const QByteArray &s, const QByteArray &key, IScrambleRandom *random) {
    CheckEncode2Input(QString::fromLatin1(s));
    if (!IsValidKey(key))
        throw EEnDeCode(QStringLiteral("Scramble key must be 32 printable ASCII characters"));
    IScrambleRandom &rnd = RandomOrDefault(random);
    const QByteArray w = MixKey(s, key);
    auto finish = [&](int salt, const QByteArray &body) {
        return CommonTail(body, salt, 126, 127, rnd);
    };
    for (int draw = 0; draw < kRandomSalts; ++draw) {
        const int salt = rnd.Between(0, 94) + 32;
        const QByteArray body = Encode2Body(w, salt);
        if (AcceptableBody(body))
            return finish(salt, body);
    }
    // Some salt always fits (each character escapes for at most 34 of the 95 salts, so the 24
    // characters cannot push every salt over 8 escapes); walk them all from a random start.
    const int start = rnd.Between(0, 94);
    for (int step = 0; step < 95; ++step) {
        const int salt = (start + step) % 95 + 32;
        const QByteArray body = Encode2Body(w, salt);
        if (AcceptableBody(body))
            return finish(salt, body);
    }
    RandomSourceFailed();
}

QByteArray Decode2Bytes(const QByteArray &e, const QByteArray &key) {
    QByteArray body;
    int salt = 0;
    if (!IsValidKey(key) || !CommonHead(e, body, salt))
        return {};
    QByteArray out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const int x = static_cast<unsigned char>(body[i]);
        if (x == '~') {
            if (i + 1 >= body.size())
                return {}; // an escape without its character
            const int y = static_cast<unsigned char>(body[++i]);
            out.append(static_cast<char>(((y + 62) & 0xFF) ^ salt));
        } else {
            out.append(static_cast<char>(((x - 32) & 0xFF) ^ salt));
        }
    }
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>((out[i] ^ key[i]) & 127);
    return out;
}

} // namespace EnDeCode

QString Encode(const QString &s) {
    const QByteArray bytes = Big5Encode(s, true);
    return QString::fromLatin1(EnDeCode::EncodeBytes(bytes));
}

QString Decode(const QString &e) {
    QByteArray bytes;
    if (!ToScrambledBytes(e, bytes))
        return {};
    return Big5Decode(EnDeCode::DecodeBytes(bytes));
}

QString Encode2(const QString &s) {
    return Encode2(s, EnDeCode::FixedKey());
}

QString Decode2(const QString &e) {
    return Decode2(e, EnDeCode::FixedKey());
}

QString Encode2(const QString &s, const QByteArray &key) {
    CheckEncode2Input(s);
    return QString::fromLatin1(EnDeCode::Encode2Bytes(s.toLatin1(), key));
}

QString Decode2(const QString &e, const QByteArray &key) {
    QByteArray bytes;
    if (!ToScrambledBytes(e, bytes))
        return {};
    return QString::fromLatin1(EnDeCode::Decode2Bytes(bytes, key));
}
