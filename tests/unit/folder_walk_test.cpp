// Folders met again on the way down a site tree.
#include "core/engine/folder_walk.h"

#include <gtest/gtest.h>

TEST(FolderWalk, AFolderListedAsOneAboveItOrTwiceIsNotEntered) {
    const QByteArray top =
        "drwxr-xr-x 2 o g 4096 Dec 09 10:44 loop\r\n-rw-r--r-- 1 o g 5 Dec 09 a\r\n";
    const QByteArray sub = "-rw-r--r-- 1 o g 5 Dec 09 10:44 b\r\n";
    FolderWalk walk;
    EXPECT_TRUE(walk.enter("/pub", top));
    EXPECT_TRUE(walk.enter("/pub/sub", sub));
    EXPECT_FALSE(walk.enter("/pub/loop", top)) << "a link back to its parent";
    EXPECT_FALSE(walk.enter("/pub/sub/deeper/x", top)) << "or further up";
    EXPECT_FALSE(walk.enter("/pub/sub/", sub)) << "the same folder again";
    EXPECT_TRUE(walk.enter("/other", top)) << "the same listing beside, not above";
    EXPECT_TRUE(walk.enter("/pub/empty", "")) << "empty folders are all alike";
    EXPECT_TRUE(walk.enter("/pub/empty/also", ""));
    walk.clear();
    EXPECT_TRUE(walk.enter("/pub", top));
}
