#include "SystemClock.h"

#include <ctime>

namespace {

class TSystemClockSetter : public IClockSetter {
public:
    bool SetSystemClock(const QDateTime &localTime) override {
        if (!localTime.isValid())
            return false;
        const qint64 ms = localTime.toMSecsSinceEpoch();
        timespec ts{};
        ts.tv_sec = time_t(ms / 1000);
        ts.tv_nsec = long(ms % 1000) * 1000000L;
        return clock_settime(CLOCK_REALTIME, &ts) == 0;
    }
};

TSystemClockSetter gSystemClock;
IClockSetter *gSetter = &gSystemClock;

} // namespace

IClockSetter &ClockSetter() {
    return *gSetter;
}

IClockSetter *SetClockSetter(IClockSetter *setter) {
    IClockSetter *previous = gSetter == &gSystemClock ? nullptr : gSetter;
    gSetter = setter ? setter : &gSystemClock;
    return previous;
}
