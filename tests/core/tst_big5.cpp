// The Big5 codec and text files.

#include "Big5.h"
#include "Exceptions.h"

#include <QFile>
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
