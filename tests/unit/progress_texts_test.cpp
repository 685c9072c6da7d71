// The status bar's progress texts, exactly as shown.
#include "core/engine/progress_texts.h"

#include <gtest/gtest.h>

using namespace ProgressTexts;

TEST(ProgressTexts, BytesAndPercent) {
    EXPECT_EQ(bytesText(true, 0, percentOf(0, 1000)), QString::fromUtf8("已下载：0 bit(%0)"));
    EXPECT_EQ(bytesText(true, 500, percentOf(500, 1000)),
              QString::fromUtf8("已下载：500 bit(%50)"));
    EXPECT_EQ(bytesText(false, 3000000000u, percentOf(3000000000u, 4000000000u)),
              QString::fromUtf8("已上传：3000000000 bit(%75)"));
    // Nothing expected: no division, no crash, 0 shown.
    EXPECT_EQ(percentOf(12345, 0), 0);
    EXPECT_EQ(percentOf(2000, 1000), 100) << "a file that grew meanwhile";
}

TEST(ProgressTexts, SpeedPerThreeSecondTick) {
    EXPECT_EQ(speedText(0), QString::fromUtf8("速度：0 b/s"));
    EXPECT_EQ(speedText(3 * 1023), QString::fromUtf8("速度：1023 b/s"));
    EXPECT_EQ(speedText(3 * 1536), QString::fromUtf8("速度： 1.00 k/s"));
    EXPECT_EQ(speedText(3 * 1024 * 150), QString::fromUtf8("速度：150.00 k/s"));
}

TEST(ProgressTexts, ElapsedWithoutWholeDays) {
    EXPECT_EQ(elapsedText(0), QString::fromUtf8("已进行时间：0时0分0秒"));
    EXPECT_EQ(elapsedText(25 * 3600 + 2 * 60 + 3), QString::fromUtf8("已进行时间：1时2分3秒"));
    EXPECT_EQ(elapsedText(3599), QString::fromUtf8("已进行时间：0时59分59秒"));
}
