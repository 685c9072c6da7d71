// Names on UTF-8 and code-page-936 servers with corvane-cli against
// pyftpdlib: Chinese, accented and emoji names both ways, byte-exact on the
// server's disk, and a name that is no text in the server's encoding.
#include "cli_run.h"
#include "file_bytes.h"
#include "pyftpd_server.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const QStringList kNames = {QString::fromUtf8("报表 2024.txt"),
                            QString::fromUtf8("café, naïve.txt"), QString::fromUtf8("图片😀.png"),
                            QString::fromUtf8("子目录/über.bin"), QStringLiteral("empty.dat")};

void writeTree(const QString& root) {
    int seed = 30;
    for (const QString& name : kNames)
        writeBytes(root + "/" + name,
                   name == "empty.dat" ? QByteArray() : patternedBytes(5000, seed++));
}

const char* const kUtf8Note = "服务器的文件名使用UTF-8编码。";

} // namespace

TEST(Encoding, AUtf8ServerTakesAndGivesEveryNameByteExact) {
    PyFtpdServer server({"--encoding", "utf8"});
    writeTree(server.root() + "/pub");
    ASSERT_TRUE(server.start());
    QTemporaryDir home, local, tree;

    const CliRun get = cli({"--home", home.path(), "-v", "get", server.url("/pub"), local.path()});
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_TRUE(get.err.contains(QString::fromUtf8(kUtf8Note))) << get.err.toStdString();
    EXPECT_EQ(digests(local.path() + "/pub"), digests(server.root() + "/pub"));

    writeTree(tree.path() + "/up");
    const CliRun put = cli({"--home", home.path(), "put", tree.path() + "/up", server.url("/")});
    EXPECT_EQ(put.exitCode, 0) << put.err.toStdString();
    EXPECT_EQ(digests(server.root() + "/up"), digests(tree.path() + "/up"));

    const CliRun ls = cli({"--home", home.path(), "ls", server.url("/pub")});
    EXPECT_TRUE(ls.out.contains(QString::fromUtf8("图片😀.png"))) << ls.out.toStdString();
}

// Code page 936 stays the text of a server that does not list UTF8; its
// Chinese names come and go as before, and no "OPTS UTF8" is sent.
TEST(Encoding, ACodePage936ServerKeepsItsEncoding) {
    PyFtpdServer server({"--encoding", "gbk"});
    writeBytes(server.root() + QString::fromUtf8("/pub/报表 2024.txt"), "quarterly");
    ASSERT_TRUE(server.start());
    QTemporaryDir home, local;
    const CliRun get = cli({"--home", home.path(), "-v", "get", server.url("/pub"), local.path()});
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_TRUE(get.err.contains("FEAT"));
    EXPECT_FALSE(get.err.contains("OPTS UTF8")) << get.err.toStdString();
    EXPECT_EQ(readBytes(local.path() + QString::fromUtf8("/pub/报表 2024.txt")), "quarterly");
}

// A name whose bytes are no UTF-8 (Latin-1 "café") on a UTF-8 server: it is
// listed, fetched under a local name that shows the byte, and deleted.
TEST(Encoding, ANameThatIsNoTextIsListedFetchedAndDeleted) {
    PyFtpdServer server({"--encoding", "utf8"});
    QDir(server.root()).mkpath("pub");
    const QByteArray raw = (server.root() + "/pub/").toUtf8() + "caf\xe9.txt";
    {
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "latin", 5), 5);
        ::close(fd);
    }
    ASSERT_TRUE(server.start());
    QTemporaryDir home, local;
    const CliRun ls = cli({"--home", home.path(), "ls", server.url("/pub")});
    EXPECT_EQ(ls.exitCode, 0) << ls.err.toStdString();
    EXPECT_TRUE(ls.out.contains("caf")) << ls.out.toStdString();

    const CliRun get = cli({"--home", home.path(), "get", server.url("/pub"), local.path()});
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_EQ(readBytes(local.path() + "/pub/caf%E9.txt"), "latin");

    const CliRun rm = cli({"--home", home.path(), "--yes", "rm", server.url("/pub/caf%E9.txt")});
    EXPECT_EQ(rm.exitCode, 0) << rm.err.toStdString();
    struct stat st;
    EXPECT_NE(::stat(raw.constData(), &st), 0) << "the file is gone from the server";
}

// A site that fixes its encoding keeps it whatever the server lists.
TEST(Encoding, ASiteThatFixesItsEncodingIsNotAskedAbout) {
    PyFtpdServer server({"--encoding", "utf8"});
    writeBytes(server.root() + QString::fromUtf8("/pub/图片😀.png"), "png");
    ASSERT_TRUE(server.start());
    QTemporaryDir home, local;
    ASSERT_EQ(cli({"--home", home.path(), "add-site", "u8", server.url("/pub")}).exitCode, 0);
    // Fixed from the command line here; the site properties fix it for the window.
    const CliRun get = cli({"--home", home.path(), "-v", "--encoding", "utf8", "get",
                            "u8:/pub/" + QString::fromUtf8("图片😀.png"), local.path()});
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_FALSE(get.err.contains("OPTS UTF8")) << get.err.toStdString();
    EXPECT_FALSE(get.err.contains(QString::fromUtf8(kUtf8Note))) << get.err.toStdString();
    EXPECT_EQ(readBytes(local.path() + QString::fromUtf8("/图片😀.png")), "png");
}
