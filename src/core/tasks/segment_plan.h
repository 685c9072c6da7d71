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

    // 64-bit in memory: a file above 2 GiB counts past any 32-bit signed
    // number, and its resume must not start again from byte 0.
    QList<qint64> index;
    QList<qint64> length;
    QList<qint64> done;
    qint64 bytesWritten = 0;
    // The site file's time as its listing gave it when the ranges were
    // planned; a resume goes on only while the site still gives that time.
    // Empty when unknown (records written before it was kept).
    QString siteTime;
    static constexpr int MostSiteTimeBytes = 64;

    // Whether a file of `size` is cut at all with the segment limit `limit`.
    static bool worthSplitting(quint64 size, int limit);
    // At most `limit` (and at most MostSegments) ranges of one length, the
    // last taking the remainder; no range is shorter than BlockSize.
    static SegmentPlan split(quint64 size, int limit);

    int count() const { return int(index.size()); }
    qint64 offsetOf(int i) const;
    // Every range is done and the ranges cover exactly `size` bytes: only
    // then is the file whole.
    bool complete(quint64 size) const;
    // The first range from `from` on that is not done yet.
    std::optional<int> nextUnfinished(int from) const;

    // The state file: little-endian unsigned 32-bit integers, bytesWritten,
    // n, then the n indexes, the n lengths and the n counts done (files
    // below 4 GiB: every count fits); then, when known, the byte count and
    // the UTF-8 bytes of siteTime. A file of 4 GiB or more starts with the
    // counts 0 and 0, which earlier versions refuse, then "CVX8", n, each
    // range's length and count done as 64-bit integers, and bytesWritten
    // as one; siteTime follows as above.
    QByteArray encode() const;
    // nullopt for a file cut short, or one that does not describe `size`
    // bytes in sound ranges.
    static std::optional<SegmentPlan> decode(const QByteArray& bytes, quint64 size);
    static std::optional<SegmentPlan> decodeLarge(const QByteArray& bytes, quint64 size);
    // The record an interrupted download of `size` bytes into `target` left:
    // its part file and a sound state file for that size; nullopt otherwise.
    static std::optional<SegmentPlan> readRecord(const QString& target, quint64 size);
    // Removes that record's part and state files, only when they are one:
    // files of those names that are not are someone else's.
    static void discardRecord(const QString& target, quint64 size);
};

// "a.b.txt" → "a.b.txt.cftp": where the ranges are written until the file
// is whole. The whole name is kept, so that "x.zip" and "x.tar" never share
// a part file.
QString partFileFor(const QString& target);
// "a.b.txt" → "a.b.txt.cnpm": the state file of the same download.
QString stateFileFor(const QString& target);
