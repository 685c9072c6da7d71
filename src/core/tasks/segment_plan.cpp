#include "core/tasks/segment_plan.h"

#include <QFileInfo>
#include <QtEndian>

namespace {

void putInt(QByteArray& out, qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// The name with everything from its last "." (within the file name) cut.
QString withoutExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash + 1 ? path.left(dot) : path; // ".profile" keeps its dot
}

} // namespace

bool SegmentPlan::worthSplitting(quint32 size, int limit) {
    return limit > 1 && size >= MinimumSize;
}

SegmentPlan SegmentPlan::split(quint32 size, int limit) {
    SegmentPlan plan;
    quint32 n = size / BlockSize;
    n = qMin<quint32>(n, quint32(qBound(1, limit, MostSegments)));
    n = qMax<quint32>(n, 1);
    const quint32 each = size / n;
    for (quint32 i = 0; i < n; ++i) {
        plan.index << qint32(i);
        plan.length << qint32(i + 1 < n ? each : size - (n - 1) * each);
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

bool SegmentPlan::complete(quint32 size) const {
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
    putInt(out, bytesWritten);
    putInt(out, qint32(count()));
    for (const QList<qint32>* list : {&index, &length, &done})
        for (qint32 value : *list)
            putInt(out, value);
    return out;
}

std::optional<SegmentPlan> SegmentPlan::decode(const QByteArray& bytes, quint32 size) {
    const auto intAt = [&](qsizetype i) {
        return qFromLittleEndian<qint32>(bytes.constData() + 4 * i);
    };
    if (bytes.size() < 8)
        return std::nullopt;
    const qint32 n = intAt(1);
    if (n < 1 || n > MostSegments || bytes.size() != 4 * (2 + 3 * qsizetype(n)))
        return std::nullopt;
    SegmentPlan plan;
    plan.bytesWritten = intAt(0);
    qint64 total = 0;
    qint64 written = 0;
    for (qint32 i = 0; i < n; ++i) {
        const qint32 length = intAt(2 + n + i);
        const qint32 done = intAt(2 + 2 * n + i);
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

QString partFileFor(const QString& target) {
    return withoutExtension(target) + QStringLiteral(".cftp");
}

QString stateFileFor(const QString& partFile) {
    return withoutExtension(partFile) + QStringLiteral(".cnpm");
}
