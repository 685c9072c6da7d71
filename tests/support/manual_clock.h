#pragma once

#include "core/platform/clock.h"

#include <atomic>

// A clock that moves only when the test says so. Segment workers read it
// from their own threads.
class ManualClock : public Clock {
public:
    quint32 tickCount() const override { return ticks_.load(); }
    qint64 calendarSeconds() const override { return 1700000000 + ticks_ / 1000; }
    void advance(quint32 ms) { ticks_ += ms; }

private:
    std::atomic<quint32> ticks_{5000};
};
