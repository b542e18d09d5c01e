#pragma once
// TTextBuffer: UTF-16 text written piece by piece into room that is kept from one use to the
// next. Exports write millions of short values (a number, a date, a name); writing them here
// costs no call and no allocation per value, where a QString would check its sharing and room
// in a call for every piece. Short texts stay in the buffer's own room; longer ones move to
// the heap, whose room then serves every later use.

#include <QString>
#include <QStringView>

#include <cstring>
#include <memory>

// Copies n UTF-16 units (the two places apart): values are a few units long, shorter than a
// call to memcpy is worth. A short value goes in two moves of fixed size that overlap in the
// middle, so its length takes no loop; a longer one eight units at a time, its end likewise.
inline void CopyUnits(char16_t *to, const char16_t *from, qsizetype n) {
    constexpr size_t kUnit = sizeof(char16_t);
    if (n <= 8) {
        if (n >= 4) {
            std::memcpy(to, from, 4 * kUnit);
            std::memcpy(to + n - 4, from + n - 4, 4 * kUnit);
        } else if (n >= 2) {
            std::memcpy(to, from, 2 * kUnit);
            std::memcpy(to + n - 2, from + n - 2, 2 * kUnit);
        } else if (n == 1) {
            *to = *from;
        }
        return;
    }
    for (; n > 8; n -= 8, to += 8, from += 8)
        std::memcpy(to, from, 8 * kUnit);
    // The last eight units of the whole, some of them written already.
    std::memcpy(to + n - 8, from + n - 8, 8 * kUnit);
}

// The two digits of 0 to 99, for writing numbers two digits at a time.
inline void WriteTwoDigits(char16_t *to, unsigned value) {
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                     "25262728293031323334353637383940414243444546474849"
                                     "50515253545556575859606162636465666768697071727374"
                                     "75767778798081828384858687888990919293949596979899";
    to[0] = static_cast<char16_t>(kPairs[2 * value]);
    to[1] = static_cast<char16_t>(kPairs[2 * value + 1]);
}

class TTextBuffer {
public:
    TTextBuffer() = default;
    TTextBuffer(const TTextBuffer &) = delete;
    TTextBuffer &operator=(const TTextBuffer &) = delete;

    qsizetype Size() const { return FSize; }
    bool IsEmpty() const { return FSize == 0; }
    const char16_t *Data() const { return FData; }
    char16_t *Data() { return FData; }
    QStringView View() const { return QStringView(FData, FSize); }
    QString ToString() const { return QString(reinterpret_cast<const QChar *>(FData), FSize); }

    void Clear() { FSize = 0; }
    // Cuts the text back to its first `size` units (no more than it holds).
    void Truncate(qsizetype size) { FSize = size < FSize ? size : FSize; }
    // Makes the text n units longer and gives where they go; the caller writes them all.
    char16_t *Extend(qsizetype n) {
        if (n > FCapacity - FSize)
            Grow(n);
        char16_t *at = FData + FSize;
        FSize += n;
        return at;
    }
    // Ends the text at `end`, a place in the room the last Extend gave.
    void EndAt(const char16_t *end) { FSize = end - FData; }
    void Append(char16_t c) { *Extend(1) = c; }
    void Append(QStringView text) {
        const qsizetype n = text.size();
        CopyUnits(Extend(n), text.utf16(), n);
    }
    void Append(QLatin1String text) {
        const qsizetype n = text.size();
        const char *from = text.data();
        char16_t *to = Extend(n);
        for (qsizetype i = 0; i < n; ++i)
            to[i] = static_cast<uchar>(from[i]);
    }

private:
    static constexpr qsizetype kLocal = 64;
    void Grow(qsizetype n) {
        qsizetype capacity = FCapacity * 2;
        while (capacity - FSize < n)
            capacity *= 2;
        auto heap = std::make_unique<char16_t[]>(static_cast<size_t>(capacity));
        std::memcpy(heap.get(), FData, static_cast<size_t>(FSize) * sizeof(char16_t));
        FHeap = std::move(heap);
        FData = FHeap.get();
        FCapacity = capacity;
    }

    char16_t FLocal[kLocal];
    std::unique_ptr<char16_t[]> FHeap;
    char16_t *FData = FLocal;
    qsizetype FSize = 0;
    qsizetype FCapacity = kLocal;
};
