// Reply assembly, the current folder in a "257" reply, and the transcript.
#include "core/engine/ftp_session.h"
#include "core/engine/transcript.h"

#include <gtest/gtest.h>

TEST(ReplyCompleteness, SingleAndMultiLineReplies) {
    struct Case {
        const char* buffer;
        bool complete;
    } cases[] = {
        {"220 ready\r\n", true},
        {"220 ready", false},       // no line end yet
        {"230-Welcome\r\n", false}, // multi-line, closing line missing
        {"230-Welcome\r\n230-more\r\n", false},
        {"230-Welcome\r\n230-more\r\n230 done", false}, // closing line not ended
        {"230-Welcome\r\n230-more\r\n230 done\r\n", true},
        {"230-Welcome\r\n 230 indented is text\r\n", false},
        {"230-Welcome\r\n231 other code\r\n", false},
        {"230-Welcome\r\n230 done\r\n", true},
        {"\r\n", true}, // short text with a line end
    };
    for (const Case& c : cases)
        EXPECT_EQ(FtpSession::isCompleteReply(QByteArray(c.buffer)), c.complete) << c.buffer;
}

TEST(PwdReply, FolderBetweenQuotes) {
    struct Case {
        const char* reply;
        const char* folder;
    } cases[] = {
        {"257 \"/\" is current\r\n", "/"},
        {"257 \"/pub/data\" is the current directory.\r\n", "/pub/data"},
        {"257 '/single/quoted' here\r\n", "/single/quoted"},
        {"257 \"/with \"\"quote\"\" inside\" ok\r\n", "/with \"quote\" inside"},
        {"257 \"/unterminated\r\n", ""}, // no closing quote: no folder
        {"257 no quotes at all\r\n", ""},
        {"257 \"/a\" and '/b'\r\n", "/a"}, // double quotes win
        {"257 \"\" empty\r\n", ""},
        {"257 \"/中文目录\"\r\n", "/中文目录"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FtpSession::folderFromPwdReply(QString::fromUtf8(c.reply)),
                  QString::fromUtf8(c.folder))
            << c.reply;
}

TEST(Transcript, PasswordsAreMaskedByteForByte) {
    EXPECT_EQ(Transcript::masked("PASS secret\r\n"), "PASS ******\r\n");
    EXPECT_EQ(Transcript::masked("PASS \r\n"), "PASS \r\n");
    // Two-byte characters in code page 936 give two stars each.
    EXPECT_EQ(Transcript::masked(QString::fromUtf8("PASS 密码\r\n")), "PASS ****\r\n");
    EXPECT_EQ(Transcript::masked("USER secret\r\n"), "USER secret\r\n");
}

TEST(Transcript, BlocksAndTheSizeLimit) {
    Transcript t;
    t.addCommand("USER u\r\n");
    t.addReply("331 pw\r\n");
    t.addCommand("PASS pw\r\n");
    EXPECT_EQ(t.text(), "C:\r\nUSER u\r\nS:\r\n331 pw\r\nC:\r\nPASS **\r\n");

    // Replies are appended without the limit; the next command starts afresh.
    t.addReply(QString(9000, QLatin1Char('x')));
    EXPECT_GT(t.text().size(), Transcript::Limit);
    t.addCommand("NOOP\r\n");
    EXPECT_EQ(t.text(), "C:\r\nNOOP\r\n");

    // Exactly at the limit is still kept.
    Transcript edge;
    edge.addReply(QString(Transcript::Limit - 4, QLatin1Char('y')));
    ASSERT_EQ(edge.text().size(), Transcript::Limit);
    edge.addCommand("PWD\r\n");
    EXPECT_TRUE(edge.text().endsWith("C:\r\nPWD\r\n"));
    EXPECT_GT(edge.text().size(), Transcript::Limit);
}

TEST(ReplyFraming, CodeOfTheLastLineAndOneReplyAtATime) {
    struct Case {
        const char* buffer;
        int code;         // -1: not complete
        const char* rest; // what stays in the buffer
    } cases[] = {
        {"226 Transfer complete\r\n", 226, ""},
        {"150 f051.bin (5221 bytes).\r\n226 done\r\n", 150, "226 done\r\n"},
        {"257 \"/x221\" created\r\n", 257, ""},
        {"230-Welcome\r\n230-421 users\r\n230 ok\r\n331", 230, "331"},
        {"230-Welcome\r\n230-more", -1, "230-Welcome\r\n230-more"},
        {"2", -1, "2"},
        {"226\r\n", 226, ""},
        {"123-first\r\n123\r\n", 123, ""},
        {"welcome banner\r\n220 ready\r\n", 0, "220 ready\r\n"},
        {"22 short\r\n", 0, ""},
        {"2205 no blank\r\n", 0, ""},
    };
    for (const Case& c : cases) {
        QByteArray buffer(c.buffer);
        const std::optional<FtpReply> reply = FtpReply::take(buffer);
        EXPECT_EQ(reply ? reply->code : -1, c.code) << c.buffer;
        EXPECT_EQ(buffer, QByteArray(c.rest)) << c.buffer;
    }
}
