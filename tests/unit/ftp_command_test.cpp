#include "core/engine/ftp_command.h"

#include <gtest/gtest.h>

// The wire line keeps an argument exactly as given: an empty one still goes
// out after its blank, as it always has for a site without a start folder,
// and blanks inside are the name's own.
TEST(FtpCommand, LinesAreBuiltAsTheServerReadsThem) {
    EXPECT_EQ(FtpCommand::bare("PWD").line(), "PWD\r\n");
    EXPECT_EQ(FtpCommand::with("CWD", QString()).line(), "CWD \r\n");
    EXPECT_EQ(FtpCommand::with("CWD", "").line(), "CWD \r\n");
    EXPECT_EQ(FtpCommand::with("STOR", " a b ").line(), "STOR  a b \r\n");
    EXPECT_EQ(FtpCommand::with("OPTS", "UTF8 ON").line(), "OPTS UTF8 ON\r\n");
}

TEST(FtpCommand, OnlyTransferVerbsMoveDataAndOnlyChecksReadOneFile) {
    using Purpose = FtpCommand::Purpose;
    EXPECT_TRUE(FtpCommand::with("LIST", "/a", Purpose::SizeCheck).transfersData());
    EXPECT_TRUE(FtpCommand::with("LIST", "/a", Purpose::SizeCheck).checksOneFile());
    EXPECT_TRUE(FtpCommand::with("APPE", "/a").transfersData());
    EXPECT_FALSE(FtpCommand::with("LIST", "/a").checksOneFile());
    EXPECT_FALSE(FtpCommand::with("REST", "0", Purpose::RestartProbe).transfersData());
    EXPECT_FALSE(FtpCommand::dataChannel().transfersData());
}
