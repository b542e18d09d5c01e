// The Big5 codec and text files.

#include "Big5.h"
#include "Exceptions.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

class TstBig5 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void knownCodes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("school admin") << "校務行政" << QByteArray("aed5b0c8a6e6ac46");
        QTest::newRow("ascii stays") << "A1,b" << QByteArray("41312c62");
        // The euro sign is in the Windows table (A3E1); a different table would lose it.
        QTest::newRow("euro") << "€" << QByteArray("a3e1");
        QTest::newRow("full-width comma") << "，" << QByteArray("a141");
    }
    void knownCodes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, hex);
        QCOMPARE(Big5Encode(text, true).toHex(), hex);
        QCOMPARE(Big5Decode(QByteArray::fromHex(hex)), text);
    }

    void byteWidthsAndLeadBytes() {
        QCOMPARE(Big5Length(QStringLiteral("ab中文")), 6);
        QCOMPARE(Big5Length(QString()), 0);
        const QByteArray b = Big5Encode(QStringLiteral("中a"));
        QVERIFY(IsBig5LeadByte(static_cast<unsigned char>(b[0])));
        QVERIFY(!IsBig5LeadByte(static_cast<unsigned char>(b[2])));
        QVERIFY(!IsBig5LeadByte(0x80));
        QVERIFY(IsBig5LeadByte(0xFE));
    }

    void unencodableCharacters() {
        const QString text = QStringLiteral("a😀b");
        const QByteArray loose = Big5Encode(text);
        QVERIFY(loose.startsWith('a') && loose.endsWith('b'));
        QVERIFY_THROWS_EXCEPTION(EEncodingError, Big5Encode(text, true));
        QCOMPARE(Big5Encode(QStringLiteral("?"), true), QByteArray("?"));
    }

    void invalidBytesDecodeWithoutCrashing() {
        const QString s = Big5Decode(QByteArray("\xa4", 1)); // a lone lead byte
        QVERIFY(!s.isEmpty());
        QCOMPARE(Big5Decode(QByteArray("ok\xff\xff", 4)).left(2), QStringLiteral("ok"));
    }

    // ASCII goes several characters at a time; a Chinese character, a character without a
    // code or a broken byte at any place of a line must be met where it is.
    void asciiRunsMeetOtherCharactersAnywhere() {
        QStringDecoder decoder("windows-950-2000", QStringConverter::Flag::Stateless);
        for (int length = 0; length < 20; ++length)
            for (int at = 0; at <= length; ++at) {
                QString text(length, u'a');
                for (int i = 0; i < length; ++i)
                    text[i] = QChar(u'a' + i);
                const QString chinese = QString(text).insert(at, QStringLiteral("校"));
                const QByteArray bytes = Big5Encode(chinese, true);
                QCOMPARE(bytes.size(), length + 2);
                QCOMPARE(bytes.mid(at, 2), QByteArray("\xae\xd5"));
                QString back;
                QVERIFY(Big5DecodeStrict(bytes, back));
                QCOMPARE(back, chinese);
                QCOMPARE(decoder.decode(bytes), chinese);
                QByteArray appended("x");
                Big5AppendEncoded(appended, chinese, true);
                QCOMPARE(appended, "x" + bytes);
                // A character without a code: "?" when loose, raised when strict.
                const QString thai = QString(text).insert(at, QStringLiteral("ก"));
                QCOMPARE(Big5Encode(thai).indexOf('?'), at);
                QVERIFY_THROWS_EXCEPTION(EEncodingError, Big5Encode(thai, true));
                // A lead byte cut off, or a byte that is no Big5, makes strict decoding fail.
                QByteArray broken = text.toLatin1();
                broken.insert(at, "\xa4\x0a");
                QVERIFY(!Big5DecodeStrict(broken, back));
                QVERIFY(!Big5DecodeStrict(text.toLatin1() + "\xa4", back));
            }
    }

    // The look-up tables must give what the converter gives, character by character and
    // code by code; a shifted table would turn every later character into another one.
    void tablesAgreeWithTheConverter() {
        int coded = 0;
        for (int u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            const QString ch(QChar(static_cast<char16_t>(u)));
            QStringEncoder one("windows-950-2000", QStringConverter::Flag::Stateless);
            const QByteArray expected = one.encode(ch);
            const bool none = one.hasError() || (expected == "?" && u != '?');
            QCOMPARE(Big5Encode(ch), expected);
            QCOMPARE(Big5CharWidth(static_cast<char16_t>(u)), none ? 1 : int(expected.size()));
            if (none) {
                QVERIFY_THROWS_EXCEPTION(EEncodingError, Big5Encode(ch, true));
                continue;
            }
            ++coded;
            QString back;
            QVERIFY(Big5DecodeStrict(expected, back));
            QStringDecoder decoder("windows-950-2000", QStringConverter::Flag::Stateless);
            QCOMPARE(back, decoder.decode(expected));
        }
        QVERIFY(coded > 13000); // the double-byte characters and ASCII
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0; trail < 256; ++trail) {
                const char pair[2] = {char(lead), char(trail)};
                QStringDecoder decoder("windows-950-2000", QStringConverter::Flag::Stateless);
                const QString expected = decoder.decode(QByteArrayView(pair, 2));
                QString text;
                const bool ok = Big5DecodeStrict(QByteArrayView(pair, 2), text);
                QCOMPARE(ok, !decoder.hasError() && expected.size() == 1);
                if (ok)
                    QCOMPARE(text, expected);
            }
        QString text = QStringLiteral("unchanged");
        QVERIFY(!Big5DecodeStrict(QByteArray("ab\xAE"), text)); // cut off after a lead byte
        QCOMPARE(text, QStringLiteral("unchanged"));
        QVERIFY(Big5DecodeStrict(QByteArray("a\xAE\xD5"
                                            "b"),
                                 text));
        QCOMPARE(text, QStringLiteral("a校b"));
        // Outside the basic plane and mixed with it.
        QCOMPARE(Big5Encode(QStringLiteral("校😀務")),
                 Big5Encode(QStringLiteral("校")) + "?" + Big5Encode(QStringLiteral("務")));
    }

    void textFiles() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.txt"));
        WriteTextFile(path, QStringLiteral("註冊組\r\n"));
        QCOMPARE(ReadTextFile(path), QStringLiteral("註冊組\r\n"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBF\xE8\xA8\xBB"); // UTF-8 with its mark
        f.close();
        QCOMPARE(ReadTextFile(path), QStringLiteral("註"));
        try {
            ReadTextFile(dir.filePath(QStringLiteral("none.txt")));
            QFAIL("no error");
        } catch (const EInOutError &e) {
            QVERIFY(e.Message().startsWith(QStringLiteral("Cannot open file ")));
        }
    }
};

QTEST_GUILESS_MAIN(TstBig5)
#include "tst_big5.moc"
