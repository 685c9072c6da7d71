#include "core/engine/progress_texts.h"

#include <iterator>

namespace ProgressTexts {

int percentOf(quint64 bytes, quint64 expected) {
    if (expected == 0)
        return 0;
    return qMin(100, int(double(bytes) * 100.0 / double(expected)));
}

QString sizeText(quint64 bytes) {
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit + 1 < int(std::size(units))) {
        value /= 1024;
        ++unit;
    }
    // Rounded to one decimal, a value may reach 1024 of its unit: "1024.0 KB"
    // is shown as "1 MB" instead.
    const bool tenths = value < 99.95;
    QString number = QString::number(value, 'f', tenths ? 1 : 0);
    if (number.endsWith(QLatin1String(".0")))
        number.chop(2);
    if (number == QLatin1String("1024") && unit + 1 < int(std::size(units)))
        return QStringLiteral("1 ") + QLatin1String(units[unit + 1]);
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString bytesText(bool download, quint64 bytes, int percent) {
    return QString::fromUtf8(download ? "已下载：" : "已上传：") + sizeText(bytes) +
           QStringLiteral(" (%1%)").arg(percent);
}

QString speedText(quint64 bytesInTick) {
    return QString::fromUtf8("速度：") + sizeText(bytesInTick / 3) + QStringLiteral("/s");
}

QString elapsedText(qint64 seconds) {
    const qint64 hours = seconds / 3600 - (seconds / 86400) * 24;
    const qint64 minutes = seconds / 60 - (seconds / 3600) * 60;
    return QString::fromUtf8("已进行时间：%1时%2分%3秒").arg(hours).arg(minutes).arg(seconds % 60);
}

} // namespace ProgressTexts
