#include "app/progress_line.h"

#include <cstdio>

QString ProgressLine::humanBytes(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB"};
    int u = 0;
    while (bytes >= 1024 && u < 3) {
        bytes /= 1024;
        ++u;
    }
    return u == 0 ? QString::asprintf("%.0f %s", bytes, units[u])
                  : QString::asprintf("%.2f %s", bytes, units[u]);
}

void ProgressLine::start(const QString& name, quint64 baseline) {
    name_ = name;
    baseline_ = baseline;
    started_.start();
}

void ProgressLine::update(quint64 bytes, quint64 expected) {
    if (!enabled_)
        return;
    const double seconds = qMax<qint64>(started_.elapsed(), 1) / 1000.0;
    const double speed = bytes > baseline_ ? double(bytes - baseline_) / seconds : 0.0;
    const int percent = expected > 0 ? int(100.0 * double(bytes) / double(expected)) : 0;
    const QString text = QStringLiteral("%1  %2  %3%  %4/s")
                             .arg(name_, humanBytes(double(bytes)))
                             .arg(percent)
                             .arg(humanBytes(speed));
    std::fprintf(stderr, "\r\033[K%s", text.toUtf8().constData());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::finish() {
    if (shown_)
        std::fputs("\n", stderr);
    shown_ = false;
}
