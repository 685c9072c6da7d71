// The status bar's progress texts, exactly as shown.
#include "core/engine/progress_texts.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ProgressTexts;

TEST(ProgressTexts, SizesWithTheirUnits) {
    EXPECT_EQ(sizeText(0), "0 B");
    EXPECT_EQ(sizeText(1023), "1023 B");
    EXPECT_EQ(sizeText(1024), "1 KB") << "no \".0\"";
    EXPECT_EQ(sizeText(1536), "1.5 KB");
    EXPECT_EQ(sizeText(4194304), "4 MB");
    EXPECT_EQ(sizeText(123456789), "118 MB") << "no tenths from 100 on";
    EXPECT_EQ(sizeText(1024 * 1024 - 1), "1 MB") << "not \"1024 KB\"";
    EXPECT_EQ(sizeText(4831838208ull), "4.5 GB") << "past 32 bits";
    EXPECT_EQ(sizeText(std::numeric_limits<quint64>::max()), "16 EB");
}

TEST(ProgressTexts, BytesAndPercent) {
    EXPECT_EQ(bytesText(true, 0, percentOf(0, 1000)), QString::fromUtf8("已下载：0 B (0%)"));
    EXPECT_EQ(bytesText(true, 500, percentOf(500, 1000)), QString::fromUtf8("已下载：500 B (50%)"));
    EXPECT_EQ(bytesText(false, 3000000000u, percentOf(3000000000u, 4000000000u)),
              QString::fromUtf8("已上传：2.8 GB (75%)"));
    // Nothing expected: no division, no crash, 0 shown.
    EXPECT_EQ(percentOf(12345, 0), 0);
    EXPECT_EQ(percentOf(2000, 1000), 100) << "a file that grew meanwhile";
}

TEST(ProgressTexts, SpeedPerThreeSecondTick) {
    EXPECT_EQ(speedText(0), QString::fromUtf8("速度：0 B/s"));
    EXPECT_EQ(speedText(3 * 1023), QString::fromUtf8("速度：1023 B/s"));
    EXPECT_EQ(speedText(3 * 1536), QString::fromUtf8("速度：1.5 KB/s"));
    EXPECT_EQ(speedText(3 * 1024 * 1500), QString::fromUtf8("速度：1.5 MB/s"));
}

TEST(ProgressTexts, ElapsedWithoutWholeDays) {
    EXPECT_EQ(elapsedText(0), QString::fromUtf8("已进行时间：0时0分0秒"));
    EXPECT_EQ(elapsedText(25 * 3600 + 2 * 60 + 3), QString::fromUtf8("已进行时间：1时2分3秒"));
    EXPECT_EQ(elapsedText(3599), QString::fromUtf8("已进行时间：0时59分59秒"));
}
