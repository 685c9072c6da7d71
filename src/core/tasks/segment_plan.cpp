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

void putLarge(QByteArray& out, qint64 value) {
    char bytes[8];
    qToLittleEndian(quint64(value), bytes);
    out.append(bytes, 8);
}

// The record of a file of 4 GiB or more: "CVX8" after a first pair of
// counts (0, 0) that earlier versions refuse as no record at all.
constexpr quint32 LargeMark = 0x38585643;
constexpr qint64 LargeSize = qint64(1) << 32;

// The site time at the end of either form: its byte count, then its UTF-8
// bytes. False when it is not sound.
bool readSiteTime(const QByteArray& bytes, qsizetype at, QString& time) {
    if (at == bytes.size())
        return true;
    if (bytes.size() < at + 4)
        return false;
    const qint64 timeBytes = qFromLittleEndian<quint32>(bytes.constData() + at);
    const QByteArray text = bytes.mid(at + 4);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    time = utf8(text);
    return timeBytes >= 1 && timeBytes <= SegmentPlan::MostSiteTimeBytes &&
           text.size() == timeBytes && !utf8.hasError();
}

// The next range of a record read back; false when it cannot be one of a
// file of `size` bytes.
bool takeRange(SegmentPlan& plan, qint64 length, qint64 done, quint64 size) {
    if (length <= 0 || quint64(length) > size || done < 0 || done > length)
        return false;
    plan.index << plan.count();
    plan.length << length;
    plan.done << done;
    return true;
}

// The ranges cover the file exactly, and the bytes written are theirs.
bool coversFile(const SegmentPlan& plan, quint64 size) {
    quint64 total = 0;
    qint64 written = 0;
    for (int i = 0; i < plan.count(); ++i) {
        if (quint64(plan.length.at(i)) > size - total)
            return false;
        total += quint64(plan.length.at(i));
        written += plan.done.at(i);
    }
    return total == size && plan.bytesWritten == written;
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
    if (offsetOf(count()) < LargeSize) {
        putCount(out, bytesWritten);
        putCount(out, count());
        for (const QList<qint64>* list : {&index, &length, &done})
            for (qint64 value : *list)
                putCount(out, value);
    } else {
        putCount(out, 0);
        putCount(out, 0);
        putCount(out, LargeMark);
        putCount(out, count());
        for (int i = 0; i < count(); ++i) {
            putLarge(out, length.at(i));
            putLarge(out, done.at(i));
        }
        putLarge(out, bytesWritten);
    }
    const QByteArray time = siteTime.toUtf8();
    if (!time.isEmpty() && time.size() <= MostSiteTimeBytes) {
        putCount(out, time.size());
        out += time;
    }
    return out;
}

// The record of a file of 4 GiB or more (see encode).
std::optional<SegmentPlan> SegmentPlan::decodeLarge(const QByteArray& bytes, quint64 size) {
    if (bytes.size() < 16 || qFromLittleEndian<quint32>(bytes.constData() + 8) != LargeMark)
        return std::nullopt;
    const qint64 n = qFromLittleEndian<quint32>(bytes.constData() + 12);
    const qsizetype counted = 16 + 16 * n + 8;
    if (n < 1 || n > MostSegments || bytes.size() < counted)
        return std::nullopt;
    const auto largeAt = [&](qsizetype at) {
        return qint64(qFromLittleEndian<quint64>(bytes.constData() + at));
    };
    SegmentPlan plan;
    if (!readSiteTime(bytes, counted, plan.siteTime))
        return std::nullopt;
    for (qint64 i = 0; i < n; ++i)
        if (!takeRange(plan, largeAt(16 + 16 * i), largeAt(16 + 16 * i + 8), size))
            return std::nullopt;
    plan.bytesWritten = largeAt(16 + 16 * n);
    return coversFile(plan, size) ? std::optional<SegmentPlan>(plan) : std::nullopt;
}

std::optional<SegmentPlan> SegmentPlan::decode(const QByteArray& bytes, quint64 size) {
    const auto intAt = [&](qsizetype i) {
        return qint64(qFromLittleEndian<quint32>(bytes.constData() + 4 * i));
    };
    if (bytes.size() < 8)
        return std::nullopt;
    if (size >= quint64(LargeSize))
        return decodeLarge(bytes, size);
    const qint64 n = intAt(1);
    if (n < 1 || n > MostSegments || bytes.size() < 4 * (2 + 3 * n))
        return std::nullopt;
    SegmentPlan plan;
    if (!readSiteTime(bytes, 4 * (2 + 3 * n), plan.siteTime))
        return std::nullopt;
    plan.bytesWritten = intAt(0);
    for (qint64 i = 0; i < n; ++i)
        if (intAt(2 + i) != i || !takeRange(plan, intAt(2 + n + i), intAt(2 + 2 * n + i), size))
            return std::nullopt;
    return coversFile(plan, size) ? std::optional<SegmentPlan>(plan) : std::nullopt;
}

std::optional<SegmentPlan> SegmentPlan::readRecord(const QString& target, quint64 size) {
    QFile state(stateFileFor(target));
    if (!QFileInfo(partFileFor(target)).isFile() ||
        state.size() > 4 * 5 + 16 * MostSegments + 8 + MostSiteTimeBytes ||
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
