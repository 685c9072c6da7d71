#pragma once

#include "core/platform/clock.h"

// A clock that moves only when the test says so.
class ManualClock : public Clock {
public:
    quint32 tickCount() const override { return ticks_; }
    qint64 calendarSeconds() const override { return 1700000000 + ticks_ / 1000; }
    void advance(quint32 ms) { ticks_ += ms; }

private:
    quint32 ticks_ = 5000;
};
