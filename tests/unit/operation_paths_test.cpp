// Where downloaded items land locally and uploaded items on the site.
#include "core/engine/operation_record.h"

#include <gtest/gtest.h>

namespace {

struct Paths : ::testing::Test {
    OperationRecord op;
    QString hostName;

    void record(const QString& target, const QString& sourceFolder, bool hasFolders) {
        op.targetFolder = target;
        op.sourceFolder = sourceFolder;
        op.hasFolders = hasFolders;
    }
    QString localOf(const QString& path, int kind) {
        op.itemPaths = QStringList{path};
        op.itemSizes = {kind == 2 ? 0u : 1u};
        op.itemKinds = {kind};
        return op.localPathOf(hostName);
    }
};

} // namespace

TEST_F(Paths, DownloadedItemsLandBelowTheLocalFolder) {
    hostName = "ftp.example.test";
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
    EXPECT_EQ(op.uploadSitePath("/home/u/a/x.txt", 0), "/pub/x.txt");
    EXPECT_EQ(op.uploadSitePath("/home/u/a/my file.txt", 0), "/pub/my file.txt");
    EXPECT_EQ(op.uploadSitePath("/home/u/a/data/sub/", 2), "/pub/data/sub/");

    record("/", "/home/u/a/data/", false); // the whole folder to the root
    EXPECT_EQ(op.uploadSitePath("/home/u/a/data/", 2), "/data/");
    EXPECT_EQ(op.uploadSitePath("/home/u/a/data/sub/y z.txt", 1), "/data/sub/y z.txt");
}
