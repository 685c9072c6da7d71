// Where downloaded items land locally and uploaded items on the site.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_connection.h"
#include "manual_clock.h"
#include "recording_host.h"
#include "scripted_prompts.h"

#include <gtest/gtest.h>

namespace {

struct Paths : ::testing::Test {
    RecordingHost host;
    ScriptedPrompts prompts;
    ManualClock clock;
    ConnectionSource source;
    FtpConnection connection{source, 0, FtpConnection::Deps{host, prompts, clock, Timing{}}};

    void record(const QString& target, const QString& sourceFolder, bool hasFolders) {
        connection.op.targetFolder = target;
        connection.op.sourceFolder = sourceFolder;
        connection.op.hasFolders = hasFolders;
    }
    QString localOf(const QString& path, int kind) {
        connection.op.itemPaths = QStringList{path};
        connection.op.itemSizes = {kind == 2 ? 0u : 1u};
        connection.op.itemKinds = {kind};
        return connection.localPathOf();
    }
};

} // namespace

TEST_F(Paths, DownloadedItemsLandBelowTheLocalFolder) {
    source.setHostName("ftp.example.test");
    record("/in/", "/pub/data", false); // the whole folder /pub/data
    EXPECT_EQ(localOf("/pub/data", 2), "/in/data");
    EXPECT_EQ(localOf("/pub/data/a/b.bin", 1), "/in/data/a/b.bin");

    record("/in/", "/pub", true); // items chosen in /pub, a folder among them
    EXPECT_EQ(localOf("/pub/data/a/b.bin", 1), "/in/data/a/b.bin");
    EXPECT_EQ(localOf("/pub/x", 0), "/in/x");

    record("/in/file.copy", "/pub", false); // a complete local file path
    EXPECT_EQ(localOf("/pub/x", 0), "/in/file.copy");

    record("/in/", "/", false); // the site root as a whole folder
    EXPECT_EQ(localOf("/", 2), "/in/ftp.example.test");
    EXPECT_EQ(localOf("/pub/y", 1), "/in/ftp.example.test/pub/y");

    record("/in/", "/", true); // chosen in the root
    EXPECT_EQ(localOf("/pub", 2), "/in/pub");
    EXPECT_EQ(localOf("/", 2), "/in");
}

TEST_F(Paths, UploadedItemsLoseTheirBlanksOnTheSite) {
    record("/pub", "/home/u/a/", true);
    EXPECT_EQ(connection.uploadSitePath("/home/u/a/x.txt", 0), "/pub/x.txt");
    EXPECT_EQ(connection.uploadSitePath("/home/u/a/my file.txt", 0), "/pub/my file.txt");
    EXPECT_EQ(connection.uploadSitePath("/home/u/a/data/sub/", 2), "/pub/data/sub/");

    record("/", "/home/u/a/data/", false); // the whole folder to the root
    EXPECT_EQ(connection.uploadSitePath("/home/u/a/data/", 2), "/data/");
    EXPECT_EQ(connection.uploadSitePath("/home/u/a/data/sub/y z.txt", 1), "/data/sub/y z.txt");
}
