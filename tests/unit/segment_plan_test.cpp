// How a large download is cut into ranges, and the state file of their
// progress.
#include "core/tasks/segment_plan.h"

#include <gtest/gtest.h>

namespace {

QList<qint32> lengths(quint32 size, int limit) {
    return SegmentPlan::split(size, limit).length;
}

} // namespace

TEST(SegmentPlan, TheSplit) {
    EXPECT_FALSE(SegmentPlan::worthSplitting(131071, 5));
    EXPECT_TRUE(SegmentPlan::worthSplitting(131072, 5));
    EXPECT_FALSE(SegmentPlan::worthSplitting(50'000'000, 1)) << "a limit of 1 never splits";
    EXPECT_EQ(lengths(131072, 5), (QList<qint32>{65536, 65536}));
    EXPECT_EQ(lengths(1000000, 5), (QList<qint32>{200000, 200000, 200000, 200000, 200000}));
    EXPECT_EQ(lengths(1000001, 5), (QList<qint32>{200000, 200000, 200000, 200000, 200001}));
    EXPECT_EQ(lengths(1000000, 3), (QList<qint32>{333333, 333333, 333334}));
    EXPECT_EQ(lengths(1000000, 9).size(), 5) << "at most five connections";
    // Ranges of at least one block, whatever the limit.
    EXPECT_EQ(lengths(200000, 5), (QList<qint32>{66666, 66666, 66668}));

    const SegmentPlan plan = SegmentPlan::split(1000001, 5);
    EXPECT_EQ(plan.offsetOf(0), 0);
    EXPECT_EQ(plan.offsetOf(4), 800000);
    EXPECT_EQ(plan.index, (QList<qint32>{0, 1, 2, 3, 4}));
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

TEST(SegmentPlan, PartAndStateFileNames) {
    EXPECT_EQ(partFileFor("/d/a.b.txt"), "/d/a.b.cftp");
    EXPECT_EQ(stateFileFor("/d/a.b.cftp"), "/d/a.b.cnpm");
    EXPECT_EQ(partFileFor("/d/name"), "/d/name.cftp");
    EXPECT_EQ(partFileFor("/d.x/name"), "/d.x/name.cftp") << "a dot in the folder is not cut";
    EXPECT_EQ(partFileFor("/d/.profile"), "/d/.profile.cftp") << "a hidden name keeps its dot";
}
