// The fixed texts of the source record and the engine's fixed texts.
#include "core/engine/connection_source.h"
#include "core/engine/outcome.h"
#include "core/engine/result_texts.h"
#include "core/platform/gbk_text.h"

#include <QSet>

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

// Every end has a text of its own, only the completions count as success,
// and a detail follows the text it completes.
TEST(ResultTexts, EndsAndPhases) {
    QSet<QString> texts;
    for (int m = 0; m <= int(EndMessage::TaskOfAnotherSite); ++m) {
        const OperationEnd end{EndMessage(m)};
        EXPECT_FALSE(end.text().isEmpty()) << m;
        EXPECT_FALSE(texts.contains(end.text())) << m << " shares its text with another end";
        texts.insert(end.text());
        const Outcome outcome = end.outcome();
        const bool success = outcome == Outcome::Completed ||
                             outcome == Outcome::CompletedWithSkips ||
                             outcome == Outcome::LoggedOut;
        const bool completion =
            end.message == EndMessage::AllCompleted || end.message == EndMessage::UpdateCompleted ||
            end.message == EndMessage::CompletedWithSkips || end.message == EndMessage::LoggedOut;
        EXPECT_EQ(success, completion) << m;
    }
    EXPECT_EQ(OperationEnd{EndMessage::ConnectFailed}.text(),
              QString::fromUtf8("不能连接服务器！"));
    EXPECT_EQ((OperationEnd{EndMessage::CompletedWithSkips, QString(), 2}.text()),
              QString::fromUtf8("操作已完成，但有2项没有传送。"));
    EXPECT_EQ((OperationEnd{EndMessage::TaskFileDamaged, "/t/x.npm"}.text()),
              QString::fromUtf8("任务文件已损坏，不能续传（文件保留未动）：/t/x.npm"));
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
