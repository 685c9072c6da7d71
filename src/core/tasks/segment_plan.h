#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// How a large download is cut into byte ranges fetched over several
// connections at once, and the state file that records each range's
// progress so that an interrupted download goes on where every range
// stopped. Segment i starts at the sum of the lengths before it.
struct SegmentPlan {
    static constexpr quint32 MinimumSize = 131072; // smaller files come whole
    static constexpr quint32 BlockSize = 65536;
    static constexpr int MostSegments = 5;

    QList<qint32> index;
    QList<qint32> length;
    QList<qint32> done;
    qint32 bytesWritten = 0;

    // Whether a file of `size` is cut at all with the segment limit `limit`.
    static bool worthSplitting(quint32 size, int limit);
    // At most `limit` (and at most MostSegments) ranges of one length, the
    // last taking the remainder; no range is shorter than BlockSize.
    static SegmentPlan split(quint32 size, int limit);

    int count() const { return int(index.size()); }
    qint64 offsetOf(int i) const;
    // Every range is done and the ranges cover exactly `size` bytes: only
    // then is the file whole.
    bool complete(quint32 size) const;
    // The first range from `from` on that is not done yet.
    std::optional<int> nextUnfinished(int from) const;

    // The state file: little-endian 32-bit integers, bytesWritten, n, then
    // the n indexes, the n lengths and the n counts done.
    QByteArray encode() const;
    // nullopt for a file cut short, or one that does not describe `size`
    // bytes in sound ranges.
    static std::optional<SegmentPlan> decode(const QByteArray& bytes, quint32 size);
};

// "a.b.txt" → "a.b.cftp", "name" → "name.cftp": where the ranges are
// written until the file is whole.
QString partFileFor(const QString& target);
// "a.b.cftp" → "a.b.cnpm": the state file beside it.
QString stateFileFor(const QString& partFile);
