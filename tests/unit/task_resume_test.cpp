// Which task files may be resumed: every path stays inside the task's own
// folders, compared by whole names.
#include "core/tasks/task_resume.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TaskContents download() {
    TaskContents t;
    t.site = "ftp.example.test";
    t.isDownload = true;
    t.targetFolder = "/home/u/in/";
    t.sourceFolder = "/pub/a";
    t.hasFolders = true;
    t.itemPaths = QStringList{"/pub/a", "/pub/a/x.bin", "/pub/other.txt"};
    t.itemSizes = {0, 10, 5};
    t.itemKinds = {2, 1, 0};
    return t;
}

TaskContents upload() {
    TaskContents t;
    t.site = "ftp.example.test";
    t.targetFolder = "/site";
    t.sourceFolder = "/home/u/a/";
    t.itemPaths = QStringList{"/home/u/a/x", "/home/u/a/sub/"};
    t.itemSizes = {3, 0};
    t.itemKinds = {0, 2};
    return t;
}

TaskContents update() {
    TaskContents t;
    t.site = "ftp.example.test";
    t.update = true;
    t.localBase = "/home/u/web/";
    t.remoteBase = "/www";
    t.updatePaths = QStringList{"/www/a.html", "/www/old"};
    t.updateKinds = {1, 4};
    return t;
}

} // namespace

TEST(TaskResume, SoundTasksPassAndDamagedOnesAreRefused) {
    EXPECT_TRUE(TaskResume::isSound(download()));
    EXPECT_TRUE(TaskResume::isSound(upload()));
    EXPECT_TRUE(TaskResume::isSound(update()));

    const struct {
        const char* what;
        std::function<TaskContents()> make;
    } damaged[] = {
        {"an upload item beside its folder, sharing its first letters",
         [] {
             TaskContents t = upload();
             t.sourceFolder = "/a";
             t.itemPaths[0] = "/ab../x";
             return t;
         }},
        {"the same with the folder's closing slash",
         [] {
             TaskContents t = upload();
             t.itemPaths[0] = "/home/u/ab/x";
             t.sourceFolder = "/home/u/a/";
             return t;
         }},
        {"a download item outside the folder it started from",
         [] {
             TaskContents t = download();
             t.itemPaths[1] = "/etc/passwd";
             return t;
         }},
        {"a NUL in the target folder",
         [] {
             TaskContents t = download();
             t.targetFolder = QString("/home/u/in") + QChar(0) + "/x/";
             return t;
         }},
        {"a target folder without its closing slash",
         [] {
             TaskContents t = download();
             t.targetFolder = "/home/u/in";
             return t;
         }},
        {"a line break in an item",
         [] {
             TaskContents t = download();
             t.itemPaths[1] = "/pub/a/x\r\nDELE y";
             return t;
         }},
        {"a parent step",
         [] {
             TaskContents t = download();
             t.itemPaths[1] = "/pub/a/../../etc";
             return t;
         }},
        {"an update path outside its site folder",
         [] {
             TaskContents t = update();
             t.updatePaths[1] = "/wwwx/old";
             return t;
         }},
        {"a port beyond 16 bits",
         [] {
             TaskContents t = download();
             t.port = 65536 + 21;
             return t;
         }},
        {"no server at all",
         [] {
             TaskContents t = download();
             t.site = " ";
             return t;
         }},
        {"lists of different lengths",
         [] {
             TaskContents t = download();
             t.itemSizes.removeLast();
             return t;
         }},
    };
    for (const auto& d : damaged)
        EXPECT_FALSE(TaskResume::isSound(d.make())) << d.what;
}
