#include "core/tasks/segment_plan.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtEndian>

namespace {

void putCount(QByteArray& out, qint64 value) {
    char bytes[4];
    qToLittleEndian(quint32(value), bytes);
    out.append(bytes, 4);
}

} // namespace

bool SegmentPlan::worthSplitting(quint64 size, int limit) {
    return limit > 1 && size >= MinimumSize;
}

SegmentPlan SegmentPlan::split(quint64 size, int limit) {
    SegmentPlan plan;
    quint64 n = size / BlockSize;
    n = qMin<quint64>(n, quint64(qBound(1, limit, MostSegments)));
    n = qMax<quint64>(n, 1);
    const quint64 each = size / n;
    for (quint64 i = 0; i < n; ++i) {
        plan.index << qint64(i);
        plan.length << qint64(i + 1 < n ? each : size - (n - 1) * each);
        plan.done << 0;
    }
    return plan;
}

qint64 SegmentPlan::offsetOf(int i) const {
    qint64 offset = 0;
    for (int k = 0; k < i && k < count(); ++k)
        offset += length.at(k);
    return offset;
}

bool SegmentPlan::complete(quint64 size) const {
    qint64 total = 0;
    for (int i = 0; i < count(); ++i) {
        if (done.at(i) != length.at(i))
            return false;
        total += length.at(i);
    }
    return count() > 0 && total == qint64(size);
}

std::optional<int> SegmentPlan::nextUnfinished(int from) const {
    for (int i = qMax(from, 0); i < count(); ++i)
        if (done.at(i) < length.at(i))
            return i;
    return std::nullopt;
}

QByteArray SegmentPlan::encode() const {
    QByteArray out;
    putCount(out, bytesWritten);
    putCount(out, count());
    for (const QList<qint64>* list : {&index, &length, &done})
        for (qint64 value : *list)
            putCount(out, value);
    const QByteArray time = siteTime.toUtf8();
    if (!time.isEmpty() && time.size() <= MostSiteTimeBytes) {
        putCount(out, time.size());
        out += time;
    }
    return out;
}

std::optional<SegmentPlan> SegmentPlan::decode(const QByteArray& bytes, quint64 size) {
    const auto intAt = [&](qsizetype i) {
        return qint64(qFromLittleEndian<quint32>(bytes.constData() + 4 * i));
    };
    if (bytes.size() < 8)
        return std::nullopt;
    const qint64 n = intAt(1);
    if (n < 1 || n > MostSegments || bytes.size() < 4 * (2 + 3 * n))
        return std::nullopt;
    SegmentPlan plan;
    const qsizetype counted = 4 * (2 + 3 * n);
    if (bytes.size() > counted) {
        if (bytes.size() < counted + 4)
            return std::nullopt;
        const qint64 timeBytes = intAt(2 + 3 * n);
        const QByteArray time = bytes.mid(counted + 4);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
        plan.siteTime = utf8(time);
        if (timeBytes < 1 || timeBytes > MostSiteTimeBytes || time.size() != timeBytes ||
            utf8.hasError())
            return std::nullopt;
    }
    plan.bytesWritten = intAt(0);
    qint64 total = 0;
    qint64 written = 0;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 length = intAt(2 + n + i);
        const qint64 done = intAt(2 + 2 * n + i);
        if (intAt(2 + i) != i || length <= 0 || done < 0 || done > length)
            return std::nullopt;
        plan.index << i;
        plan.length << length;
        plan.done << done;
        total += length;
        written += done;
    }
    if (total != qint64(size) || plan.bytesWritten != written)
        return std::nullopt;
    return plan;
}

std::optional<SegmentPlan> SegmentPlan::readRecord(const QString& target, quint64 size) {
    QFile state(stateFileFor(target));
    if (!QFileInfo(partFileFor(target)).isFile() ||
        state.size() > 4 * (3 + 3 * MostSegments) + MostSiteTimeBytes ||
        !state.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decode(state.readAll(), size);
}

void SegmentPlan::discardRecord(const QString& target, quint64 size) {
    if (!readRecord(target, size))
        return;
    QFile::remove(partFileFor(target));
    QFile::remove(stateFileFor(target));
}

QString partFileFor(const QString& target) {
    return target + QStringLiteral(".cftp");
}

QString stateFileFor(const QString& target) {
    return target + QStringLiteral(".cnpm");
}
