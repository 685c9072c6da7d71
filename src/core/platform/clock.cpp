#include "core/platform/clock.h"

#include <QDateTime>
#include <QElapsedTimer>

quint32 SystemClock::tickCount() const {
    static QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return quint32(started.elapsed());
}

qint64 SystemClock::calendarSeconds() const {
    return QDateTime::currentSecsSinceEpoch();
}

Clock& SystemClock::instance() {
    static SystemClock clock;
    return clock;
}
