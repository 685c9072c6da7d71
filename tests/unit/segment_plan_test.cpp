// How a large download is cut into ranges, and the state file of their
// progress.
#include "core/tasks/segment_plan.h"

#include <gtest/gtest.h>

namespace {

QList<qint64> lengths(quint32 size, int limit) {
    return SegmentPlan::split(size, limit).length;
}

} // namespace

TEST(SegmentPlan, TheSplit) {
    EXPECT_FALSE(SegmentPlan::worthSplitting(131071, 5));
    EXPECT_TRUE(SegmentPlan::worthSplitting(131072, 5));
    EXPECT_FALSE(SegmentPlan::worthSplitting(50'000'000, 1)) << "a limit of 1 never splits";
    EXPECT_EQ(lengths(131072, 5), (QList<qint64>{65536, 65536}));
    EXPECT_EQ(lengths(1000000, 5), (QList<qint64>{200000, 200000, 200000, 200000, 200000}));
    EXPECT_EQ(lengths(1000001, 5), (QList<qint64>{200000, 200000, 200000, 200000, 200001}));
    EXPECT_EQ(lengths(1000000, 3), (QList<qint64>{333333, 333333, 333334}));
    EXPECT_EQ(lengths(1000000, 9).size(), 5) << "at most five connections";
    // Ranges of at least one block, whatever the limit.
    EXPECT_EQ(lengths(200000, 5), (QList<qint64>{66666, 66666, 66668}));

    const SegmentPlan plan = SegmentPlan::split(1000001, 5);
    EXPECT_EQ(plan.offsetOf(0), 0);
    EXPECT_EQ(plan.offsetOf(4), 800000);
    EXPECT_EQ(plan.index, (QList<qint64>{0, 1, 2, 3, 4}));
}

TEST(SegmentPlan, WholeOnlyWhenEveryRangeIsDone) {
    SegmentPlan plan = SegmentPlan::split(1000000, 5);
    EXPECT_EQ(plan.nextUnfinished(0), 0);
    for (int i = 0; i < plan.count(); ++i)
        plan.done[i] = plan.length.at(i);
    plan.done[2] = 199999; // one byte short in the middle: a hole
    EXPECT_FALSE(plan.complete(1000000));
    EXPECT_EQ(plan.nextUnfinished(0), 2);
    EXPECT_EQ(plan.nextUnfinished(3), std::nullopt);
    plan.done[2] = 200000;
    EXPECT_TRUE(plan.complete(1000000));
    EXPECT_FALSE(plan.complete(1000001)) << "ranges that do not cover the file";
}

TEST(SegmentPlan, TheStateFileReadsBackAndRefusesWhatIsNotSound) {
    SegmentPlan plan = SegmentPlan::split(1000001, 5);
    plan.done = {200000, 5, 0, 199999, 17};
    plan.bytesWritten = 200000 + 5 + 199999 + 17;
    const QByteArray bytes = plan.encode();
    ASSERT_EQ(bytes.size(), 4 * (2 + 15));
    const std::optional<SegmentPlan> back = SegmentPlan::decode(bytes, 1000001);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->length, plan.length);
    EXPECT_EQ(back->done, plan.done);
    EXPECT_EQ(back->bytesWritten, plan.bytesWritten);

    EXPECT_FALSE(SegmentPlan::decode(bytes.left(bytes.size() - 1), 1000001)) << "cut short";
    EXPECT_FALSE(SegmentPlan::decode(bytes, 1000000)) << "another size";
    EXPECT_FALSE(SegmentPlan::decode({}, 1000001));
    SegmentPlan bad = plan;
    bad.done[1] = bad.length.at(1) + 1; // more done than the range holds
    bad.bytesWritten += bad.length.at(1) + 1 - 5;
    EXPECT_FALSE(SegmentPlan::decode(bad.encode(), 1000001));
    bad = plan;
    bad.bytesWritten += 1; // a count that does not add up
    EXPECT_FALSE(SegmentPlan::decode(bad.encode(), 1000001));
    QByteArray huge = bytes;
    huge[4] = char(100); // a hundred ranges announced
    EXPECT_FALSE(SegmentPlan::decode(huge, 1000001));
}

// The site file's listed time rides after the counts; a record without it
// (as earlier versions wrote them) still reads, and a time cut short or
// not UTF-8 makes the record unsound.
TEST(SegmentPlan, TheSiteTimeReadsBackAndOlderRecordsStillRead) {
    SegmentPlan plan = SegmentPlan::split(300000, 2);
    plan.done = {1000, 0};
    plan.bytesWritten = 1000;
    const QByteArray older = plan.encode();
    plan.siteTime = QString::fromUtf8("12月 09 16:05");
    const QByteArray bytes = plan.encode();
    ASSERT_EQ(bytes.size(), older.size() + 4 + plan.siteTime.toUtf8().size());
    const std::optional<SegmentPlan> back = SegmentPlan::decode(bytes, 300000);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->siteTime, plan.siteTime);
    EXPECT_EQ(back->done, plan.done);
    ASSERT_TRUE(SegmentPlan::decode(older, 300000));
    EXPECT_TRUE(SegmentPlan::decode(older, 300000)->siteTime.isEmpty());

    EXPECT_FALSE(SegmentPlan::decode(bytes.left(bytes.size() - 1), 300000)) << "time cut short";
    EXPECT_FALSE(SegmentPlan::decode(older + QByteArray(2, '\0'), 300000)) << "a stray tail";
    QByteArray notText = bytes;
    notText[notText.size() - 1] = char(0xFF);
    EXPECT_FALSE(SegmentPlan::decode(notText, 300000));
    plan.siteTime = QString(SegmentPlan::MostSiteTimeBytes + 1, 'x');
    EXPECT_EQ(plan.encode(), older) << "a time too long to keep is not kept";
}

// A file above 2 GiB: every count is past a signed 32-bit number and still
// reads back exactly, in the same four bytes per count.
TEST(SegmentPlan, CountsAbove2GiBReadBack) {
    const quint32 size = 3'500'000'000u;
    SegmentPlan plan = SegmentPlan::split(size, 2);
    EXPECT_EQ(plan.length, (QList<qint64>{1'750'000'000, 1'750'000'000}));
    plan.done = {1'750'000'000, 1'000'000'000};
    plan.bytesWritten = 2'750'000'000;
    const std::optional<SegmentPlan> back = SegmentPlan::decode(plan.encode(), size);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytesWritten, 2'750'000'000);
    EXPECT_EQ(back->done, plan.done);
    EXPECT_EQ(back->offsetOf(1) + back->done.at(1), 2'750'000'000);
    EXPECT_EQ(plan.encode().size(), 4 * (2 + 3 * 2));

    const quint32 largest = 0xFFFFFFFFu;
    const SegmentPlan two = SegmentPlan::split(largest, 2);
    EXPECT_EQ(two.length.at(0) + two.length.at(1), qint64(largest));
    EXPECT_TRUE(SegmentPlan::decode(two.encode(), largest));
}

// Each download has files of its own whole name: "x.zip" and "x.tar" never
// share one, and a file called "big.cnpm" is nobody's state file.
TEST(SegmentPlan, PartAndStateFileNames) {
    EXPECT_EQ(partFileFor("/d/a.b.txt"), "/d/a.b.txt.cftp");
    EXPECT_EQ(stateFileFor("/d/a.b.txt"), "/d/a.b.txt.cnpm");
    EXPECT_NE(partFileFor("/d/x.zip"), partFileFor("/d/x.tar"));
    EXPECT_NE(stateFileFor("/d/x.zip"), stateFileFor("/d/x.tar"));
    EXPECT_NE(stateFileFor("/d/big.bin"), "/d/big.cnpm");
    EXPECT_NE(partFileFor("/d/big.cftp"), "/d/big.cftp");
}

// A file of 4 GiB or more: its record reads back exactly in the 64-bit
// form, which earlier versions take for no record at all (they never
// continue from counts cut to 32 bits); smaller files keep the old form.
TEST(SegmentPlan, RecordsOfFilesOf4GiBAndMoreReadBackAndEarlierReadersRefuseThem) {
    const quint64 size = (quint64(4) << 30) + (quint64(1) << 29); // 4.5 GiB
    SegmentPlan plan = SegmentPlan::split(size, 3);
    ASSERT_EQ(plan.count(), 3);
    plan.done = {plan.length.at(0), qint64(1) << 30, 0};
    plan.bytesWritten = plan.length.at(0) + (qint64(1) << 30);
    plan.siteTime = QString::fromUtf8("12月 10 04:05");
    const QByteArray bytes = plan.encode();
    const std::optional<SegmentPlan> back = SegmentPlan::decode(bytes, size);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->length, plan.length);
    EXPECT_EQ(back->done, plan.done);
    EXPECT_EQ(back->bytesWritten, plan.bytesWritten);
    EXPECT_EQ(back->siteTime, plan.siteTime);
    EXPECT_EQ(back->offsetOf(2), plan.length.at(0) + plan.length.at(1));
    // Earlier readers see a count of 0 ranges, which they refuse.
    EXPECT_EQ(bytes.left(8), QByteArray(8, '\0'));
    EXPECT_FALSE(SegmentPlan::decode(bytes, quint32(size)));
    // A record of another size, or cut short, is not this download's.
    EXPECT_FALSE(SegmentPlan::decode(bytes, size + 1));
    EXPECT_FALSE(SegmentPlan::decode(bytes.left(bytes.size() - 3), size));
    // Below 4 GiB nothing changes.
    const SegmentPlan small = SegmentPlan::split(0xFFFFFFFFu, 2);
    EXPECT_EQ(small.encode().size(), 4 * (2 + 3 * 2));
}
