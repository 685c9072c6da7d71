// The listing parser: tables of raw lines and the entries they give.
#include "core/engine/dir_listing.h"
#include "core/engine/listing_time.h"
#include "core/platform/gbk_text.h"

#include <QList>

#include <gtest/gtest.h>

namespace {

QList<DirEntry> parse(const QString& text) {
    QList<DirEntry> entries;
    DirListing::parseLines(Gbk::encode(text), [&](const DirEntry& e) { entries << e; });
    return entries;
}

DirEntry file(const char* name, const char* size, const char* date) {
    return DirEntry{QString::fromUtf8(name), size, {}, date, false};
}

DirEntry folder(const char* name, const char* date) {
    return DirEntry{QString::fromUtf8(name), {}, {}, date, true};
}

} // namespace

TEST(DirListing, UnixAndDosLines) {
    struct Case {
        const char* line;
        QList<DirEntry> expected;
    } cases[] = {
        {"-rw-r--r--   1 owner group   131072 Mar 10 12:01 file.bin\r\n",
         {file("file.bin", "131072", "Mar 10 12:01")}},
        {"drwxr-xr-x   2 owner group     4096 Mar 10  2023 sub\r\n",
         {folder("sub", "Mar 10  2023")}},
        {"-rw-r--r-- 1 o g 5 Jan  2 03:04 name with  blanks.txt\n",
         {file("name with  blanks.txt", "5", "Jan  2 03:04")}},
        {"-rw-r--r--\t1\towner\tgroup\t77\tFeb\t9\t2021\ttabbed.txt\n",
         {file("tabbed.txt", "77", "Feb 9 2021")}},
        {"-rw-r--r-- 1 o g 9 Mar 10 12:01 a/b/last.txt\n", {file("last.txt", "9", "Mar 10 12:01")}},
        {"-rw-r--r-- 1 o g 9 Mar 10 12:01 中文名.txt\n", {file("中文名.txt", "9", "Mar 10 12:01")}},
        {"drwxr-xr-x 2 o g 4096 Mar 10 12:01 .\ndrwxr-xr-x 2 o g 4096 Mar 10 12:01 ..\n", {}},
        {"total 12\nlrwxrwxrwx 1 o g 4 Mar 10 12:01 link -> file\n\n", {}},
        {"03-10-23  12:01PM       <DIR>          Folder Name\r\n",
         {folder("Folder Name", "03-10-23  12:01PM")}},
        {"03-10-23  12:01PM              131072 dos file.bin\r\n",
         {file("dos file.bin", "131072", "03-10-23  12:01PM")}},
        {"03-10-23  12:01PM       <dir>          .\r\n", {}},
        {"03-10-23  12:01PM                  12 up/../evil\r\n",
         {file("up/../evil", "12", "03-10-23  12:01PM")}}, // DOS names keep "/"
        {"short-line\r\n", {}},
        {"-rw-r--r-- 1 o g 3 Mar 10 12:01 no-line-end.txt", {}},
        {"garbage that fits no form at all\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(QString::fromUtf8(c.line)), c.expected) << c.line;
}

TEST(DirListing, OverLongLineIsSkippedAndTheNextOneKept) {
    const QString longName(DirListing::LineBufferSize, QLatin1Char('n'));
    const QString text = "-rw-r--r-- 1 o g 3 Mar 10 12:01 " + longName +
                         "\n-rw-r--r-- 1 o g 4 Mar 10 12:01 next.txt\n";
    EXPECT_EQ(parse(text), QList<DirEntry>{file("next.txt", "4", "Mar 10 12:01")});
}

TEST(DirListing, SizeOfAOneFileListing) {
    EXPECT_EQ(DirListing::sizeFromListing("-rw-r--r-- 1 o g 123456 Mar 10 12:01 f\r\n"), 123456u);
    EXPECT_EQ(DirListing::sizeFromListing("-rw-r--r--\t1 o g\t99 Mar 10 12:01 f\n"), 99u);
    EXPECT_EQ(DirListing::sizeFromListing("03-10-23  12:01PM   5000 f.txt\r\n"), 5000u);
    EXPECT_EQ(DirListing::sizeFromListing("-rw-r--r-- 1 o g 6000000000 Mar 10 12:01 huge\n"),
              6000000000ull);
    EXPECT_EQ(DirListing::sizeFromListing("550 No such file\r\n"), 0u);
    EXPECT_EQ(DirListing::sizeFromListing(""), 0u);
}

TEST(DirListing, NamesThatMayBecomeLocalPaths) {
    for (const char* ok : {"a.txt", "name with blanks", "中文", "..hidden", "a..b"})
        EXPECT_TRUE(DirListing::isSafeLocalName(QString::fromUtf8(ok))) << ok;
    for (const char* bad : {"", ".", "..", "a/b", "../x", "a\\b", "..\\x"})
        EXPECT_FALSE(DirListing::isSafeLocalName(QString::fromUtf8(bad))) << bad;
}

TEST(ListingTime, EveryFormServersWriteOrdersByTime) {
    const QDate today(2026, 12, 8);
    const auto key = [&](const char* text) { return ListingTime::sortKey(text, today); };
    // Each line is later than the one before.
    const char* ordered[] = {
        "Mar 04  2019",     "03-10-23  12:01PM",   "Jul 15 2025",
        "Dec 01 2025",      "Dec 10 00:00", // still to come this year: last year's
        "Jan  2 10:00",     "Dec 01 12:01",        "December 08, 2026",
        "12-08-2026 09:00", "2026-12-08 09:30:59", "Dec  8 23:59",
        "Dec  9 00:00", // tomorrow: this year
    };
    EXPECT_EQ(key("Dec 01 12:01"), key("Dec  1 12:01"));
    for (size_t i = 1; i < std::size(ordered); ++i)
        EXPECT_LT(key(ordered[i - 1]), key(ordered[i])) << ordered[i - 1] << " / " << ordered[i];
    EXPECT_EQ(key("03-10-23  12:01PM") % (24 * 60), 12 * 60 + 1);
    EXPECT_EQ(key("03-10-23  12:01AM") % (24 * 60), 1);
    for (const char* unreadable :
         {"", "yesterday", "Foo 12 2020", "13-45-20 10:00", "Feb 30 2020", "2026-13-01 10:00:00"})
        EXPECT_EQ(key(unreadable), -1) << unreadable;
}
