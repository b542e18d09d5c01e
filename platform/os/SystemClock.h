#pragma once
// Setting the computer's clock. The setter in use can be replaced, so that tests never touch
// the machine's clock; the default one asks the operating system, which refuses processes
// without the right to change the time.

#include <QDateTime>

class IClockSetter {
public:
    virtual ~IClockSetter() = default;
    // Sets the clock to the given local time; false when the system refuses.
    virtual bool SetSystemClock(const QDateTime &localTime) = 0;
};

// The setter in use (the operating system's unless replaced).
IClockSetter &ClockSetter();
// Replaces the setter; nullptr restores the operating system's. Returns the previous one.
IClockSetter *SetClockSetter(IClockSetter *setter);
