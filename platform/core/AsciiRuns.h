#pragma once
// Runs of ASCII and searches for one or two characters, sixteen bytes at a time where the
// processor has SSE2 (every x86-64 does) and eight at a time elsewhere. The text files the
// system reads and writes are lines of short values, nearly all ASCII with some Chinese: the
// codecs and the line readers move the ASCII runs through these and take the other characters
// one by one.

#include <QtEndian>
#include <QtGlobal>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace AsciiRuns {

#if defined(__SSE2__)
// The length of a run over [0, n) taken in blocks: `block(j)` takes sixteen from j and
// `half(j)` eight, each giving the length of the run from j within it or -1 when all of it
// belongs to the run. The rest after the last whole block is taken by one block that ends at
// the end, overlapping what was taken already (all in the run, so where it stops is past
// them). -1 for fewer than eight, which the caller takes one by one.
template <class Block, class Half>
[[gnu::always_inline]] inline qsizetype RunOfBlocks(qsizetype n, const Block &block,
                                                    const Half &half) {
    qsizetype i = 0;
    for (; i + 16 <= n; i += 16)
        if (const qsizetype k = block(i); k >= 0)
            return i + k;
    if (i == n)
        return n;
    if (n >= 16) {
        const qsizetype k = block(n - 16);
        return k >= 0 ? n - 16 + k : n;
    }
    if (n >= 8) {
        if (const qsizetype k = half(0); k >= 0)
            return k;
        const qsizetype k = half(n - 8);
        return k >= 0 ? n - 8 + k : n;
    }
    return -1;
}
#endif

// Widens the ASCII bytes at the start of b[0, n) into UTF-16 units at out, which has room for
// n units; returns how many it took (up to the first byte of 0x80 or above, or the end). Units
// after those taken may be written too, to be written over.
[[gnu::always_inline]] inline qsizetype Widen(const uchar *b, qsizetype n, char16_t *out) {
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    // Sixteen bytes at j; the length of the run from there, or -1 when all are ASCII.
    const auto block = [&](qsizetype j) -> qsizetype {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + j));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j + 8), _mm_unpackhi_epi8(v, zero));
        const int high = _mm_movemask_epi8(v);
        return high ? __builtin_ctz(static_cast<unsigned>(high)) : -1;
    };
    // Eight bytes at j, likewise.
    const auto half = [&](qsizetype j) -> qsizetype {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(b + j));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), _mm_unpacklo_epi8(v, zero));
        const int high = _mm_movemask_epi8(v) & 0xFF;
        return high ? __builtin_ctz(static_cast<unsigned>(high)) : -1;
    };
    if (const qsizetype run = RunOfBlocks(n, block, half); run >= 0)
        return run;
    // Four to seven bytes all ASCII (a short value, a word between Chinese ones): two moves of
    // four that overlap in the middle.
    if (n >= 4) {
        quint32 head, tail;
        std::memcpy(&head, b, sizeof head);
        std::memcpy(&tail, b + n - 4, sizeof tail);
        if (((head | tail) & 0x80808080u) == 0) {
            const auto widen4 = [&](char16_t *to, quint32 x) {
                const __m128i v = _mm_cvtsi32_si128(static_cast<int>(x));
                _mm_storel_epi64(reinterpret_cast<__m128i *>(to), _mm_unpacklo_epi8(v, zero));
            };
            widen4(out, head);
            widen4(out + n - 4, tail);
            return n;
        }
    }
#else
    for (quint64 x; i + 8 <= n; i += 8) {
        std::memcpy(&x, b + i, sizeof x);
        for (int k = 0; k < 8; ++k)
            out[i + k] = static_cast<char16_t>(x >> (8 * k) & 0xFF);
        if (const quint64 high = x & 0x8080808080808080ULL)
            return i + __builtin_ctzll(high) / 8;
    }
#endif
    // The last few, one by one.
    for (; i < n && b[i] < 0x80; ++i)
        out[i] = b[i];
    return i;
}

// Narrows the ASCII units at the start of s[0, n) into bytes at out, which has room for n
// bytes; returns how many it took (up to the first unit of 0x80 or above, or the end). Bytes
// after those taken may be written too, to be written over.
[[gnu::always_inline]] inline qsizetype Narrow(const char16_t *s, qsizetype n, char *out) {
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    // Two bits a unit, set for the ASCII ones.
    const auto asciiBits = [&](__m128i v) {
        return static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), zero)));
    };
    // Sixteen units at j; the length of the run from there, or -1 when all are ASCII.
    const auto block = [&](qsizetype j) -> qsizetype {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + j));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + j + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), _mm_packus_epi16(a, c));
        const unsigned ascii = asciiBits(a) | asciiBits(c) << 16;
        return ascii != 0xFFFFFFFFu ? __builtin_ctz(~ascii) / 2 : -1;
    };
    // Eight units at j, likewise.
    const auto half = [&](qsizetype j) -> qsizetype {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + j));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + j), _mm_packus_epi16(a, a));
        const unsigned ascii = asciiBits(a);
        return ascii != 0xFFFFu ? __builtin_ctz(~ascii) / 2 : -1;
    };
    if (const qsizetype run = RunOfBlocks(n, block, half); run >= 0)
        return run;
#else
    for (quint64 x; i + 4 <= n; i += 4) {
        std::memcpy(&x, s + i, sizeof x);
        for (int k = 0; k < 4; ++k)
            out[i + k] = static_cast<char>(x >> (16 * k));
        if (const quint64 over = x & 0xFF80FF80FF80FF80ULL)
            return i + __builtin_ctzll(over) / 16;
    }
#endif
    for (; i < n && s[i] < 0x80; ++i)
        out[i] = static_cast<char>(s[i]);
    return i;
}

// The position of the first byte a or b in data[from, n), or n. What the blocks leave, and
// the short texts of a record's values, go eight bytes a word (the last word ending at the
// end, over bytes already looked at): a byte that matches gives a zero byte in the word xor-ed
// with it, which the borrow of a subtraction marks; the lowest mark is the first match, as a
// borrow only runs upwards from a zero byte.
inline qsizetype FindByte(const char *data, qsizetype from, qsizetype n, char a, char b) {
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i pa = _mm_set1_epi8(a), pb = _mm_set1_epi8(b);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        const int hits =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, pa), _mm_cmpeq_epi8(v, pb)));
        if (hits)
            return i + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    // The marks of the bytes a or b in a word, its first byte the lowest.
    const auto marks = [a, b](auto w) {
        using W = decltype(w);
        constexpr W kOnes = W(0x0101010101010101ULL), kHigh = W(0x8080808080808080ULL);
        const W x = w ^ W(kOnes * static_cast<uchar>(a)), y = w ^ W(kOnes * static_cast<uchar>(b));
        return W((((x - kOnes) & ~x) | ((y - kOnes) & ~y)) & kHigh);
    };
    // The first match in the word of W at at, or -1.
    const auto inWord = [&]<typename W>(W, qsizetype at) -> qsizetype {
        const W m = marks(qFromLittleEndian<W>(data + at));
        return m ? at + __builtin_ctzll(m) / 8 : -1;
    };
    if (n - from >= 8) {
        for (; i + 8 < n; i += 8)
            if (const qsizetype hit = inWord(quint64(), i); hit >= 0)
                return hit;
        if (i < n)
            if (const qsizetype hit = inWord(quint64(), n - 8); hit >= 0)
                return hit;
        return n;
    }
    if (n - i >= 4) {
        if (const qsizetype hit = inWord(quint32(), i); hit >= 0)
            return hit;
        const qsizetype hit = inWord(quint32(), n - 4);
        return hit >= 0 ? hit : n;
    }
    for (; i < n; ++i)
        if (data[i] == a || data[i] == b)
            return i;
    return n;
}

// Whether b[0, n) holds the byte a or c.
inline bool HasEitherByte(const char *b, qsizetype n, char a, char c) {
    return FindByte(b, 0, n, a, c) < n;
}

// The position of the first unit a or b in p[from, n), or n.
inline qsizetype FindUnit(const char16_t *p, qsizetype from, qsizetype n, char16_t a, char16_t b) {
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i pa = _mm_set1_epi16(static_cast<short>(a));
    const __m128i pb = _mm_set1_epi16(static_cast<short>(b));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const int hits =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, pa), _mm_cmpeq_epi16(v, pb)));
        if (hits)
            return i + __builtin_ctz(static_cast<unsigned>(hits)) / 2;
    }
#endif
    for (; i < n; ++i)
        if (p[i] == a || p[i] == b)
            return i;
    return n;
}

// How many units of p[0, n) are a or b (a unit that is both counted once), for short runs
// such as a line's values. Sixteen units a step when both are ASCII (packed to bytes first,
// every other unit then packing to a byte that is neither), eight otherwise, counted in lanes
// that are added up at the end; the last few by a step that ends at the end, the lanes the
// steps before took left out.
inline qsizetype CountEither(const char16_t *p, qsizetype n, char16_t a, char16_t b) {
    qsizetype count = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    if (n >= 8) {
        const __m128i zero = _mm_setzero_si128();
        const auto load = [p](qsizetype j) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + j));
        };
        // The lanes' counts added up; each lane's count is in its low byte.
        const auto addUp = [&](__m128i lanes) {
            const __m128i sums = _mm_sad_epu8(lanes, zero);
            count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
        };
        // Lanes that the last step and the steps before both took, cleared: kKeep + r keeps the
        // last r of eight.
        static constexpr quint16 kKeep[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
        const __m128i wa = _mm_set1_epi16(static_cast<short>(a));
        const __m128i wb = _mm_set1_epi16(static_cast<short>(b));
        const auto matches = [&](qsizetype j) {
            const __m128i v = load(j);
            return _mm_or_si128(_mm_cmpeq_epi16(v, wa), _mm_cmpeq_epi16(v, wb));
        };
        if (a < 0x7F && b < 0x7F) {
            const __m128i ba = _mm_set1_epi8(static_cast<char>(a));
            const __m128i bb = _mm_set1_epi8(static_cast<char>(b));
            while (i + 16 <= n) {
                // A byte lane counts up to 255 before it is added up.
                const qsizetype stop = std::min(n, i + 255 * 16);
                __m128i lanes = zero;
                for (; i + 16 <= stop; i += 16) {
                    const __m128i v = _mm_packs_epi16(load(i), load(i + 8));
                    lanes = _mm_sub_epi8(
                        lanes, _mm_or_si128(_mm_cmpeq_epi8(v, ba), _mm_cmpeq_epi8(v, bb)));
                }
                addUp(lanes);
            }
            if (i + 8 <= n) {
                addUp(_mm_srli_epi16(matches(i), 15));
                i += 8;
            }
        } else {
            while (i + 8 <= n) {
                const qsizetype stop = std::min(n, i + 255 * 8);
                __m128i lanes = zero;
                for (; i + 8 <= stop; i += 8)
                    lanes = _mm_sub_epi16(lanes, matches(i));
                addUp(lanes);
            }
        }
        if (i < n) {
            const __m128i keep =
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(kKeep + (n - i)));
            addUp(_mm_and_si128(matches(n - 8), keep));
        }
        return count;
    }
#endif
    for (; i < n; ++i)
        count += p[i] == a || p[i] == b ? 1 : 0;
    return count;
}

// Sets bit i % 64 of wordsA[i / 64] for every unit a in p[0, n) and of wordsB[i / 64] for every
// unit b; each holds (n + 63) / 64 words, all zero. The two may be one array, which then marks
// both characters.
inline void MarkUnits(const char16_t *p, qsizetype n, char16_t a, char16_t b, quint64 *wordsA,
                      quint64 *wordsB) {
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i pa = _mm_set1_epi16(static_cast<short>(a));
        const __m128i pb = _mm_set1_epi16(static_cast<short>(b));
        // The sixteen marks from i, which may run into the next word.
        const auto mark = [](qsizetype i, quint64 *words, __m128i hx, __m128i hy) {
            // A unit that matched is all ones, which packs to a byte of all ones.
            const auto bits = static_cast<quint64>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(hx, hy))));
            const int shift = static_cast<int>(i & 63);
            words[i >> 6] |= bits << shift;
            if (shift > 48)
                words[(i >> 6) + 1] |= bits >> (64 - shift);
        };
        const auto block = [&](qsizetype i) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + 8));
            mark(i, wordsA, _mm_cmpeq_epi16(x, pa), _mm_cmpeq_epi16(y, pa));
            mark(i, wordsB, _mm_cmpeq_epi16(x, pb), _mm_cmpeq_epi16(y, pb));
        };
        qsizetype i = 0;
        for (; i + 16 <= n; i += 16)
            block(i);
        // The rest by one block that ends at the end: a mark set twice stays one mark.
        if (i < n)
            block(n - 16);
        return;
    }
#endif
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == a)
            wordsA[i >> 6] |= 1ULL << (i & 63);
        if (p[i] == b)
            wordsB[i >> 6] |= 1ULL << (i & 63);
    }
}

} // namespace AsciiRuns
