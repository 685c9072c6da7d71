// Machine listings (MLSD) as real servers write them: facts in any order
// and case, names with blanks, semicolons and Chinese kept exactly, the
// folder's own entries left out.
#include "core/engine/machine_listing.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QList<MachineEntry> parse(const QByteArray& text, const WireText& wire = WireText()) {
    QList<MachineEntry> entries;
    MachineListing::parseLines(
        text, [&](const MachineEntry& e) { entries << e; }, wire);
    return entries;
}

} // namespace

TEST(MachineListing, FactsNamesAndTimes) {
    const QByteArray answer =
        "type=cdir;sizd=4096;modify=20261209104423;perm=flcdmpe; .\r\n"
        "type=pdir;sizd=4096;modify=20261209104423;perm=flcdmpe; ..\r\n"
        "type=file;size=4831838208;modify=20261209104423.517;perm=adfrw;unique=803g2; disk "
        "1.img\r\n"
        "Type=dir;Modify=20250101000000;Perm=flcdmpe;UNIQUE=801g5; a; b,  c \r\n"
        "modify=19991231235959;type=OS.unix=slink:/etc;size=4; etc\r\n"
        "type=file;size=0; empty\r\n"
        "no facts at all\r\n"
        "type=file;size=3;modify=20261309104423; bad month\r\n"
        "type=file;size=9; cut off at the end";
    const QList<MachineEntry> entries = parse(answer);
    ASSERT_EQ(entries.size(), 5);

    const MachineEntry& disk = entries.at(0);
    EXPECT_EQ(disk.entry.name, "disk 1.img");
    EXPECT_FALSE(disk.entry.isFolder);
    EXPECT_EQ(disk.entry.sizeText, "4831838208");
    EXPECT_EQ(disk.modified, QDateTime(QDate(2026, 12, 9), QTime(10, 44, 23), Qt::UTC));
    EXPECT_EQ(disk.unique, "803g2");
    EXPECT_EQ(disk.perm, "adfrw");
    // Shown as the local list shows times, in local time.
    EXPECT_EQ(disk.entry.dateText,
              disk.modified->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));

    // Fact names in any case; the name is everything after the first blank.
    const MachineEntry& folder = entries.at(1);
    EXPECT_EQ(folder.entry.name, "a; b,  c ");
    EXPECT_TRUE(folder.entry.isFolder);
    EXPECT_TRUE(folder.entry.sizeText.isEmpty());
    EXPECT_EQ(folder.unique, "801g5");

    EXPECT_EQ(entries.at(2).entry.name, "etc") << "a link is taken as a file";
    EXPECT_FALSE(entries.at(2).entry.isFolder);
    EXPECT_EQ(entries.at(3).entry.sizeText, "0");
    EXPECT_FALSE(entries.at(3).modified);
    EXPECT_TRUE(entries.at(3).entry.dateText.isEmpty());
    EXPECT_EQ(entries.at(4).entry.name, "bad month");
    EXPECT_FALSE(entries.at(4).modified) << "no sound time, none at all";
}

// Names in the connection's text: UTF-8 on a UTF-8 server, code page 936
// otherwise.
TEST(MachineListing, NamesAreDecodedAsTheConnectionReadsThem) {
    const WireText utf8(WireText::Encoding::Utf8);
    const QList<MachineEntry> entries =
        parse(QByteArray("type=file;size=1; 报表 2026.txt\r\n"), utf8);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first().entry.name, QString::fromUtf8("报表 2026.txt"));
}

TEST(MachineListing, TimesBothWays) {
    EXPECT_EQ(MachineListing::readTime("20000229120000"),
              QDateTime(QDate(2000, 2, 29), QTime(12, 0), Qt::UTC));
    EXPECT_FALSE(MachineListing::readTime("20010229120000")) << "no such day";
    EXPECT_FALSE(MachineListing::readTime("2026120910442"));
    EXPECT_FALSE(MachineListing::readTime("2026120910442x"));
    EXPECT_FALSE(MachineListing::readTime("20261209246000"));
    const QDateTime t(QDate(2026, 12, 9), QTime(10, 44, 23), Qt::UTC);
    EXPECT_EQ(MachineListing::timeText(t), "20261209104423");
    EXPECT_EQ(MachineListing::timeText(t.toTimeZone(QTimeZone(3600 * 8))), "20261209104423")
        << "always in UTC";
    EXPECT_EQ(MachineListing::readTime(MachineListing::timeText(t)), t);
}
