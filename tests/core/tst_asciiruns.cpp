// The ASCII runs and character searches the codecs and line readers are built on, and the copy
// of short texts: every length around the sizes they work in (one, four, eight and sixteen
// units, two words of marks) with the character they stop at in every place.

#include "AsciiRuns.h"
#include "TextBuffer.h"

#include <QTest>
#include <vector>

namespace {

// A text of n ASCII letters.
std::vector<char16_t> Letters(int n) {
    std::vector<char16_t> units(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        units[static_cast<size_t>(i)] = static_cast<char16_t>(u'a' + i % 26);
    return units;
}

} // namespace

class TstAsciiRuns : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A run ends at the first character of 0x80 or above: what was taken is the text before
    // it, converted, and nothing written reaches past the room the text needs.
    void runsStopAtTheFirstOtherCharacter() {
        for (int n = 0; n <= 70; ++n)
            for (int at = 0; at <= n; ++at) {
                std::vector<uchar> bytes(static_cast<size_t>(n));
                for (int i = 0; i < n; ++i)
                    bytes[static_cast<size_t>(i)] = static_cast<uchar>('A' + i % 26);
                if (at < n)
                    bytes[static_cast<size_t>(at)] = 0xA4;
                // One spare unit past the room, which must stay as it was.
                std::vector<char16_t> wide(static_cast<size_t>(n) + 1, u'#');
                const qsizetype took = AsciiRuns::Widen(bytes.data(), n, wide.data());
                // Exactly to the character, or to the end.
                QVERIFY2(took == at,
                         qPrintable(QStringLiteral("%1 of %2 at %3").arg(took).arg(n).arg(at)));
                for (qsizetype i = 0; i < took; ++i)
                    QCOMPARE(wide[static_cast<size_t>(i)], char16_t(bytes[static_cast<size_t>(i)]));
                QCOMPARE(wide[static_cast<size_t>(n)], u'#');

                std::vector<char16_t> units = Letters(n);
                if (at < n)
                    units[static_cast<size_t>(at)] = u'校';
                std::vector<char> narrow(static_cast<size_t>(n) + 1, '#');
                const qsizetype narrowed = AsciiRuns::Narrow(units.data(), n, narrow.data());
                QCOMPARE(narrowed, qsizetype(at));
                for (qsizetype i = 0; i < narrowed; ++i)
                    QCOMPARE(char16_t(narrow[static_cast<size_t>(i)]),
                             units[static_cast<size_t>(i)]);
                QCOMPARE(narrow[static_cast<size_t>(n)], '#');
            }
    }

    // The first of two characters from a place on, their counts, and the marks of both.
    void searchesFindEveryPlace() {
        for (int n = 0; n <= 140; ++n)
            for (int at = 0; at <= n; ++at) {
                std::vector<char16_t> units = Letters(n);
                std::vector<char> bytes(units.begin(), units.end());
                if (at < n) {
                    units[static_cast<size_t>(at)] = at % 2 ? u'\t' : u'"';
                    bytes[static_cast<size_t>(at)] = at % 2 ? '\n' : '\r';
                }
                const char16_t *p = units.data();
                for (qsizetype from : {qsizetype(0), qsizetype(at), qsizetype(at + 1)}) {
                    if (from > n)
                        continue;
                    const qsizetype want = at >= from ? at : n;
                    QCOMPARE(AsciiRuns::FindUnit(p, from, n, u'"', u'\t'), want);
                    QCOMPARE(AsciiRuns::FindByte(bytes.data(), from, n, '\r', '\n'), want);
                }
                QCOMPARE(AsciiRuns::HasEitherByte(bytes.data(), n, '\r', '\n'), at < n);
                // Bytes next to the ones looked for, and with the high bit set, are no match.
                std::vector<char> near(static_cast<size_t>(n));
                for (int i = 0; i < n; ++i)
                    near[static_cast<size_t>(i)] = "\x0E\x8D\x0C\x8A\x0B\x09"[i % 6];
                if (at < n)
                    near[static_cast<size_t>(at)] = at % 2 ? '\n' : '\r';
                QCOMPARE(AsciiRuns::HasEitherByte(near.data(), n, '\r', '\n'), at < n);
                const bool replacedA = at < n && at % 26 == 0;
                const qsizetype letters = qsizetype((n + 25) / 26) - (replacedA ? 1 : 0);
                const qsizetype quotes = qsizetype(at < n && at % 2 == 0 ? 1 : 0);
                QCOMPARE(AsciiRuns::CountEither(p, n, u'a', u'a'), letters);
                QCOMPARE(AsciiRuns::CountEither(p, n, u'"', u'"'), quotes);
                QCOMPARE(AsciiRuns::CountEither(p, n, u'"', u'\t'), qsizetype(at < n ? 1 : 0));
                QCOMPARE(AsciiRuns::CountEither(p, n, u'a', u'"'), letters + quotes);
                // Both characters in one array, then each in its own.
                const size_t wordCount = static_cast<size_t>((n + 63) / 64);
                std::vector<quint64> words(wordCount + 1, 0);
                AsciiRuns::MarkUnits(p, n, u'"', u'\t', words.data(), words.data());
                std::vector<quint64> quoteWords(wordCount + 1, 0), tabWords(wordCount + 1, 0);
                AsciiRuns::MarkUnits(p, n, u'"', u'\t', quoteWords.data(), tabWords.data());
                const auto marked = [](const std::vector<quint64> &w, int i) {
                    return (w[static_cast<size_t>(i / 64)] >> (i % 64) & 1) != 0;
                };
                for (int i = 0; i < n; ++i) {
                    QCOMPARE(marked(words, i), i == at);
                    QCOMPARE(marked(quoteWords, i), i == at && at % 2 == 0);
                    QCOMPARE(marked(tabWords, i), i == at && at % 2 == 1);
                }
                for (int i = n; i < int(wordCount) * 64; ++i)
                    QVERIFY(!marked(words, i));
                // Nothing past the line's own words.
                QCOMPARE(words.back(), quint64(0));
                QCOMPARE(quoteWords.back() | tabWords.back(), quint64(0));
            }
    }

    // Counting packs units to bytes: units above ASCII that share a byte with the characters
    // counted are not counted, nor are characters above ASCII confused; a run of thousands of
    // matches runs no lane over.
    void countsPastBytesAndLanes() {
        for (int n : {7, 8, 15, 16, 17, 40, 5000}) {
            std::vector<char16_t> units(static_cast<size_t>(n));
            qsizetype quotes = 0, tabs = 0, wide = 0;
            for (int i = 0; i < n; ++i) {
                const char16_t pick[] = {u'"',      u'\t',     u'\u8022', u'\u0122',
                                         u'\u7f22', u'\u3000', u'\u0109', u'\u007f'};
                const char16_t c = n == 5000 && i % 3 ? u'"' : pick[(i * 5) % 8];
                units[static_cast<size_t>(i)] = c;
                quotes += c == u'"';
                tabs += c == u'\t';
                wide += c == u'\u3000';
            }
            QCOMPARE(AsciiRuns::CountEither(units.data(), n, u'"', u'\t'), quotes + tabs);
            QCOMPARE(AsciiRuns::CountEither(units.data(), n, u'\u3000', u'"'), wide + quotes);
        }
    }

    // Every length is copied exactly: the units before and after stay as they were.
    void shortCopiesAreExact() {
        for (int n = 0; n <= 40; ++n) {
            const std::vector<char16_t> from = Letters(n);
            std::vector<char16_t> to(static_cast<size_t>(n) + 2, u'#');
            CopyUnits(to.data() + 1, from.data(), n);
            QCOMPARE(to.front(), u'#');
            QCOMPARE(to.back(), u'#');
            for (int i = 0; i < n; ++i)
                QCOMPARE(to[static_cast<size_t>(i) + 1], from[static_cast<size_t>(i)]);
        }
    }
};

QTEST_GUILESS_MAIN(TstAsciiRuns)
#include "tst_asciiruns.moc"
