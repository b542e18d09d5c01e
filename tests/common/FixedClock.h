#pragma once
// Process clocks for tests, installed for the object's lifetime: one that stands still at a
// chosen moment, one that the test moves on (read by the server thread too).

#include "DateTime.h"

#include <QMutex>

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

class TMovingClock : public TClock {
public:
    explicit TMovingClock(const QDateTime &start) : FNow(start) { SetClock(this); }
    ~TMovingClock() override { SetClock(nullptr); }
    TMovingClock(const TMovingClock &) = delete;
    TMovingClock &operator=(const TMovingClock &) = delete;
    QDateTime CurrentDateTime() const override {
        QMutexLocker lock(&FMutex);
        return FNow;
    }
    void Advance(int minutes) {
        QMutexLocker lock(&FMutex);
        FNow = FNow.addSecs(qint64(minutes) * 60);
    }

private:
    mutable QMutex FMutex;
    QDateTime FNow;
};
