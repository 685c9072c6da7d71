// The fixed texts of the source record and the engine's fixed texts.
#include "core/engine/connection_source.h"
#include "core/engine/result_texts.h"
#include "core/platform/gbk_text.h"

#include <gtest/gtest.h>

TEST(SourceRecord, FixedTextsKeepAtMost49Bytes) {
    ConnectionSource source;
    const QString name49(49, QLatin1Char('u'));
    source.setUser(name49);
    EXPECT_EQ(source.user(), name49);
    source.setUser(name49 + "xyz");
    EXPECT_EQ(source.user(), name49);

    // 25 two-byte characters need 50 bytes: one must go, never half of one.
    const QString wide = QString::fromUtf8("目").repeated(25);
    source.setPassword(wide);
    EXPECT_EQ(source.password(), QString::fromUtf8("目").repeated(24));
    EXPECT_EQ(Gbk::encode(source.password()).size(), 48);

    source.setHomepageUrl(QString(120, QLatin1Char('h')));
    EXPECT_EQ(source.homepageUrl().size(), 99);
}

TEST(ResultTexts, SilentCodesAndPhases) {
    EXPECT_EQ(resultText(ResultCode::ConnectFailed), QString::fromUtf8("不能连接服务器！"));
    EXPECT_EQ(resultText(ResultCode::OutOfMemory), QString::fromUtf8("内存不够！"));
    for (unsigned silent : {11u, 12u, 18u, 1000u})
        EXPECT_TRUE(resultText(silent).isEmpty()) << silent;
    EXPECT_EQ(phaseText(Phase::UpdatingFolder), QString::fromUtf8("正在更新目录，请等待......"));
    EXPECT_TRUE(phaseText(Phase::Idle).isEmpty());
    EXPECT_TRUE(phaseText(13).isEmpty());
}

TEST(GbkText, ComparesByCodePageBytesWithLatinCaseFolded) {
    EXPECT_LT(Gbk::compareNoCase(QString::fromUtf8("甲站"), QString::fromUtf8("乙站")), 0)
        << "pinyin order, not code points";
    EXPECT_LT(Gbk::compareNoCase(QString::fromUtf8("其他站点"), QString::fromUtf8("演示站点")), 0);
    EXPECT_EQ(Gbk::compareNoCase("README", "readme"), 0);
    EXPECT_LT(Gbk::compareNoCase("a", "B"), 0);
    EXPECT_LT(Gbk::compareNoCase("ab", "abc"), 0);
    EXPECT_GT(Gbk::compareNoCase(QString::fromUtf8("中"), "z"), 0) << "double-byte after ASCII";
}
