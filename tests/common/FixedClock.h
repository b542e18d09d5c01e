#pragma once
// A process clock that stands still at a chosen moment, installed for the object's lifetime.

#include "DateTime.h"

class TFixedClock : public TClock {
public:
    explicit TFixedClock(const QDate &date, const QTime &time = QTime(9, 30)) : FNow(date, time) {
        SetClock(this);
    }
    ~TFixedClock() override { SetClock(nullptr); }
    TFixedClock(const TFixedClock &) = delete;
    TFixedClock &operator=(const TFixedClock &) = delete;
    QDateTime CurrentDateTime() const override { return FNow; }

private:
    QDateTime FNow;
};
