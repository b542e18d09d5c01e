#pragma once
// TDemoRandom: the random choices of the demo school, from a fixed seed, so that every new
// database holds the same school (a permuted congruential generator, PCG32).

#include <QtGlobal>

class TDemoRandom {
public:
    explicit TDemoRandom(quint64 seed);

    // A number from 0 to n - 1 (n > 0).
    int Below(int n);
    // A number from low to high, both included.
    int Between(int low, int high) { return low + Below(high - low + 1); }
    // True with the chance of `perMille` in a thousand.
    bool Chance(int perMille) { return Below(1000) < perMille; }
    template <class T, size_t N> const T &Pick(const T (&items)[N]) { return items[Below(int(N))]; }

private:
    quint32 Next();
    quint64 FState = 0;
};
