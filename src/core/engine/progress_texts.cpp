#include "core/engine/progress_texts.h"

namespace ProgressTexts {

int percentOf(quint32 bytes, quint32 expected) {
    if (expected == 0)
        return 0;
    return qMin(100, int(bytes * 100.0 / expected));
}

QString bytesText(bool download, quint32 bytes, int percent) {
    return QString::fromUtf8(download ? "已下载：" : "已上传：") +
           QString::asprintf("%u bit(", bytes) + QLatin1Char('%') +
           QString::asprintf("%d)", percent);
}

QString speedText(quint32 bytesInTick) {
    const quint32 speed = bytesInTick / 3;
    if (speed < 1024)
        return QString::fromUtf8("速度：") + QString::asprintf("%u b/s", speed);
    return QString::fromUtf8("速度：") + QString::asprintf("%5.2f k/s", double(speed / 1024));
}

QString elapsedText(qint64 seconds) {
    const qint64 hours = seconds / 3600 - (seconds / 86400) * 24;
    const qint64 minutes = seconds / 60 - (seconds / 3600) * 60;
    return QString::fromUtf8("已进行时间：%1时%2分%3秒").arg(hours).arg(minutes).arg(seconds % 60);
}

} // namespace ProgressTexts
