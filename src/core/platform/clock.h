#pragma once

#include <QtGlobal>

// The one source of "now" for the engine and the main window, so that time-outs
// can be tested with a manual clock.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds; wraps like a 32-bit tick count.
    virtual quint32 tickCount() const = 0;
    // Calendar time in seconds since the epoch.
    virtual qint64 calendarSeconds() const = 0;
};

class SystemClock : public Clock {
public:
    quint32 tickCount() const override;
    qint64 calendarSeconds() const override;
    static Clock& instance();
};

// Milliseconds elapsed from `then` to `now`, correct across a wrap.
inline quint32 ticksSince(quint32 now, quint32 then) {
    return now - then;
}
