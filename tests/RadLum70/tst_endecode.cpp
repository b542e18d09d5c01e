// Text scrambling: round trips of both routine pairs and with a caller's key, the refusals and
// their messages, the retry paths driven by a scripted random source, and decoders fed texts
// that were never scrambled.

#include "EnDeCode.h"
#include "TestMain.h"

#include <QRandomGenerator>

namespace {

// Hands out the scripted numbers first, then seeded random ones.
class TScriptedRandom : public IScrambleRandom {
public:
    explicit TScriptedRandom(QList<int> script) : Script(std::move(script)) {}
    int Between(int low, int high) override {
        if (!Script.isEmpty()) {
            const int v = Script.takeFirst();
            if (v < low || v > high)
                qFatal("scripted value %d outside %d..%d", v, low, high);
            return v;
        }
        return static_cast<int>(Rest.bounded(low, high + 1));
    }
    QList<int> Script;
    QRandomGenerator Rest{20240601};
};

// Always the same number: a random source gone wrong.
class TStuckRandom : public IScrambleRandom {
public:
    int Between(int low, int) override { return low; }
};

const QByteArray kOtherKey = QByteArrayLiteral("Zx9(Lm3]Qa7{Vb1}Nc5<Td2>We8?Yf4|");

// A password from "!".."~" that, with salt 32 and the library's key, has `escapes` characters
// whose scrambled value is 94 or more (written as two characters) and the rest below 94.
QByteArray PasswordWithEscapes(int length, int escapes) {
    const QByteArray &key = EnDeCode::FixedKey();
    QByteArray s;
    for (int i = 0; i < length; ++i) {
        const bool escape = i < escapes;
        for (int v = escape ? 127 : 0; escape ? v >= 94 : v < 94; v += escape ? -1 : 1) {
            const int c = v ^ 32 ^ static_cast<unsigned char>(key[i]);
            if (c >= 33 && c <= 126) {
                s.append(static_cast<char>(c));
                break;
            }
        }
    }
    if (s.size() != length)
        qFatal("no password for this key");
    return s;
}

// A 40-character text laid out by hand: body, salt, filler of "A", check for the given M.
QByteArray Layout(const QByteArray &body, char salt, int m) {
    QByteArray e = body + salt;
    while (e.size() < 39)
        e.append('A');
    e.append(static_cast<char>(((65 * 3 / 3) & 63) + 32 + m));
    return e;
}

int SaltOf(const QByteArray &e) {
    const int base = (((static_cast<unsigned char>(e[37]) + static_cast<unsigned char>(e[36]) +
                        static_cast<unsigned char>(e[35])) /
                       3) &
                      63) +
                     32;
    return static_cast<unsigned char>(e[static_cast<unsigned char>(e[39]) - base - 1]);
}

bool Printable7Bit(const QString &e) {
    for (QChar c : e)
        if (c.unicode() < 32 || c.unicode() > 127)
            return false;
    return true;
}

} // namespace

class TstEnDeCode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encodeRoundTrips() {
        QByteArray allBytes;
        for (int i = 0; i < 32; ++i)
            allBytes.append(static_cast<char>(i * 8 + 7)); // low, high and zero-crossing values
        const QList<QByteArray> inputs = {
            QByteArray(),           QByteArray("a"),     allBytes, QByteArray(32, '\0'),
            QByteArray(32, '\xFF'), EnDeCode::FixedKey()}; // key xor itself is all zeros
        for (const QByteArray &s : inputs) {
            for (int round = 0; round < 50; ++round) {
                const QByteArray e = EnDeCode::EncodeBytes(s);
                QCOMPARE(e.size(), 40);
                QCOMPARE(EnDeCode::DecodeBytes(e), s);
            }
        }
        // Text travels as Big5: eight Chinese characters are 16 bytes.
        const QString name = QStringLiteral("王小明的密碼abc");
        const QString e = Encode(name);
        QCOMPARE(e.size(), 40);
        QCOMPARE(Decode(e), name);
        // Salt and filler are random: the same text scrambles differently each time.
        QVERIFY(Encode(name) != e);
        QCOMPARE(Decode(Encode(name)), name);
    }

    void encode2RoundTrips() {
        QRandomGenerator gen(7);
        for (int round = 0; round < 2000; ++round) {
            QString s;
            const int length = round % 25;
            for (int i = 0; i < length; ++i)
                s.append(QChar(static_cast<char16_t>(gen.bounded(33, 127))));
            const QString e = Encode2(s);
            QCOMPARE(e.size(), 40);
            QVERIFY2(Printable7Bit(e), qPrintable(e));
            QCOMPARE(Decode2(e), s);
            const QString o = Encode2(s, kOtherKey);
            QVERIFY(Printable7Bit(o));
            QCOMPARE(Decode2(o, kOtherKey), s);
        }
        const QString pw = QStringLiteral("Secret!~09");
        const QString e = Encode2(pw);
        QVERIFY(e != Encode2(pw));
        // A text scrambled with one key does not read back with another.
        QVERIFY(Decode2(e, kOtherKey) != pw);
    }

    void refusals() {
        auto message = [](auto call) {
            try {
                call();
            } catch (const EEnDeCode &e) {
                return e.Message();
            }
            return QStringLiteral("(accepted)");
        };
        const QString tooLong24 = QStringLiteral("加密編碼字串超過24字");
        const QString special = QStringLiteral("請勿用特殊字元做為密碼");
        QCOMPARE(message([] { Encode2(QString(25, u'x')); }), tooLong24);
        QCOMPARE(message([] { Encode2(QStringLiteral("with blank")); }), special);
        QCOMPARE(message([] { Encode2(QStringLiteral("tab\there")); }), special);
        QCOMPARE(message([] { Encode2(QStringLiteral("del\x7f")); }), special);
        QCOMPARE(message([] { Encode2(QStringLiteral("密碼")); }), special);
        QCOMPARE(message([] { Encode2(QStringLiteral("café")); }), special);
        // Length is checked before the characters.
        QCOMPARE(message([] { Encode2(QString(25, u' ')); }), tooLong24);
        QCOMPARE(message([] { EnDeCode::Encode2Bytes("a b", EnDeCode::FixedKey()); }), special);
        QCOMPARE(message([] { Encode2(QString(24, u'~')); }), QStringLiteral("(accepted)"));
        QCOMPARE(message([] { Encode2(QStringLiteral("abc"), "short key"); }),
                 QStringLiteral("Scramble key must be 32 printable ASCII characters"));
        QVERIFY(Decode2(Encode2(QStringLiteral("abc")), "short key").isEmpty());

        const QString tooLong32 = QStringLiteral("加密編碼字串超過32字");
        QCOMPARE(message([] { EnDeCode::EncodeBytes(QByteArray(33, 'a')); }), tooLong32);
        QCOMPARE(message([] { EnDeCode::EncodeBytes(QByteArray(32, 'a')); }),
                 QStringLiteral("(accepted)"));
        // Seventeen Chinese characters are 34 Big5 bytes.
        QCOMPARE(message([] { Encode(QString(17, QChar(u'王'))); }), tooLong32);
        QCOMPARE(message([] { Encode(QString(16, QChar(u'王'))); }), QStringLiteral("(accepted)"));
        QVERIFY_THROWS_EXCEPTION(EEncodingError, Encode(QStringLiteral("\U0001F600")));
    }

    void encode2RetriesSalt() {
        // With salt 32 every character of this password escapes: 48 body characters, too long.
        const QByteArray pw = PasswordWithEscapes(24, 24);
        TScriptedRandom random({0});
        const QByteArray e = EnDeCode::Encode2Bytes(pw, EnDeCode::FixedKey(), &random);
        QVERIFY(random.Script.isEmpty());
        QVERIFY(SaltOf(e) != 32);
        QCOMPARE(EnDeCode::Decode2Bytes(e, EnDeCode::FixedKey()), pw);

        // A random source stuck on that salt still ends with a salt that fits.
        TStuckRandom stuck;
        const QByteArray f = EnDeCode::Encode2Bytes(pw, EnDeCode::FixedKey(), &stuck);
        QCOMPARE(EnDeCode::Decode2Bytes(f, EnDeCode::FixedKey()), pw);
        // ...and the byte routine, whose salts all fit, finishes at once on it.
        QCOMPARE(EnDeCode::DecodeBytes(EnDeCode::EncodeBytes(pw, &stuck)), pw);
    }

    void encode2KeepsCheckCharacterSevenBit() {
        // 24 characters, 8 escapes: a 32-character body, so M = 33. Filler of "?" (63) would
        // give the check character 63 + 32 + 33 = 128; the filler is drawn again instead.
        const QByteArray pw = PasswordWithEscapes(24, 8);
        TScriptedRandom random({0, 63, 63, 63, 63, 63, 63, 32, 32, 32, 32, 32, 32});
        const QByteArray e = EnDeCode::Encode2Bytes(pw, EnDeCode::FixedKey(), &random);
        QVERIFY(random.Script.isEmpty());
        QCOMPARE(e.mid(33, 6), QByteArray(6, ' '));
        QCOMPARE(static_cast<int>(static_cast<unsigned char>(e[39])), 32 + 32 + 33);
        QCOMPARE(EnDeCode::Decode2Bytes(e, EnDeCode::FixedKey()), pw);
    }

    void decodersRejectWhatWasNeverScrambled() {
        const QString e = Encode(QStringLiteral("abc"));
        const QString e2 = Encode2(QStringLiteral("abc"));
        QVERIFY(Decode(e.left(39)).isEmpty());
        QVERIFY(Decode(e + u'A').isEmpty());
        QVERIFY(Decode2(e2.left(39)).isEmpty());
        QVERIFY(Decode2(e2 + u'A').isEmpty());
        QVERIFY(Decode(QString()).isEmpty());
        // A character that no byte carries.
        QString wide = e2;
        wide[5] = QChar(u'王');
        QVERIFY(Decode2(wide).isEmpty());
        QVERIFY(Decode(wide).isEmpty());

        // A check character pointing before the start or past the longest body.
        QVERIFY(EnDeCode::DecodeBytes(Layout("abc", 'C', 0)).isEmpty());
        QVERIFY(EnDeCode::DecodeBytes(Layout("abc", 'C', 34)).isEmpty());
        QVERIFY(EnDeCode::Decode2Bytes(QByteArray(40, ' '), EnDeCode::FixedKey()).isEmpty());
        QCOMPARE(EnDeCode::DecodeBytes(Layout("abc", 'C', 4)).size(), 3);
        QCOMPARE(EnDeCode::DecodeBytes(Layout(QByteArray(32, 'b'), 'C', 33)).size(), 32);
        // An escape as the body's last character has nothing to escape.
        QVERIFY(EnDeCode::Decode2Bytes(Layout("ab~", 'C', 4), EnDeCode::FixedKey()).isEmpty());
        QCOMPARE(EnDeCode::Decode2Bytes(Layout("ab~!", 'C', 5), EnDeCode::FixedKey()).size(), 3);

        // Arbitrary 40-byte texts: whatever comes out, nothing reads outside the text or key.
        QRandomGenerator gen(99);
        for (int round = 0; round < 5000; ++round) {
            QByteArray junk(40, '\0');
            for (char &c : junk)
                c = static_cast<char>(gen.bounded(256));
            QVERIFY(EnDeCode::DecodeBytes(junk).size() <= 32);
            QVERIFY(EnDeCode::Decode2Bytes(junk, kOtherKey).size() <= 32);
        }
    }
};

LUM_TEST_MAIN(TstEnDeCode)
#include "tst_endecode.moc"
