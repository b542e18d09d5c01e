#include "DemoRandom.h"

namespace {
constexpr quint64 kMultiplier = 6364136223846793005ULL;
constexpr quint64 kIncrement = 1442695040888963407ULL;
} // namespace

TDemoRandom::TDemoRandom(quint64 seed) {
    Next();
    FState += seed;
    Next();
}

quint32 TDemoRandom::Next() {
    const quint64 old = FState;
    FState = old * kMultiplier + kIncrement;
    const auto xorShifted = quint32(((old >> 18u) ^ old) >> 27u);
    const auto rotation = quint32(old >> 59u);
    return (xorShifted >> rotation) | (xorShifted << ((32u - rotation) & 31u));
}

int TDemoRandom::Below(int n) {
    // Rejection keeps every number equally likely.
    const quint32 bound = quint32(n);
    const quint32 threshold = (0u - bound) % bound;
    for (;;) {
        const quint32 r = Next();
        if (r >= threshold)
            return int(r % bound);
    }
}
