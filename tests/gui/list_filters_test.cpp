// The name patterns of the two file lists: the pattern language, the keep
// rule, and what the lists show over refreshes and from the listing cache.
#include "connected_frame.h"
#include "core/settings/list_filters.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"

#include "gui/panes/path_bar.h"

#include <QToolButton>

#include <gtest/gtest.h>

TEST(ListFilters, PatternLanguage) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"", "anything.txt", true},
        {"", "", false}, // an empty name never matches
        {"*", "", false},
        {"*", "a.txt", true},
        {"**", "a.txt", true},
        {"*.HTM", "index.htm", true}, // case does not count
        {"*.htm", "INDEX.HTM", true},
        {"*.htm", "index.html", false},
        {"*.htm", ".htm", true},
        {"*dex*", "INDEX.htm", true},
        {"*dex*", "dx.htm", false},
        {"in*", "Index.htm", true},
        {"in*", "xin", false},
        {"index.htm", "INDEX.HTM", true},
        {"index.htm", "index.htm.bak", false},
        {"a*b", "a*b", true}, // a "*" inside stands for itself
        {"a*b", "axb", false},
        {"a?c", "abc", false}, // so does "?"
        {"a?c", "A?C", true},
        {"*报表*", "2024年报表.xls", true},
        {"*, 2024*", "报表, 2024.txt", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListFilters::matches(QString::fromUtf8(c.pattern), QString::fromUtf8(c.name)),
                  c.match)
            << c.pattern << " / " << c.name;
}

TEST(ListFilters, KeepCountsOnlyWithAPatternAndAnUnkeptOneIsForgottenAfterItsRefresh) {
    ListFilters f;
    f.accept("  *.txt ", true, "   ", true);
    EXPECT_EQ(f.local, "*.txt");
    EXPECT_TRUE(f.keepLocal);
    EXPECT_EQ(f.site, "");
    EXPECT_FALSE(f.keepSite) << "keep ticked with an empty pattern keeps nothing";
    f.localRefreshed();
    EXPECT_EQ(f.local, "*.txt");

    f.accept("*.htm", false, "a*", false);
    f.localRefreshed();
    f.siteRefreshed();
    EXPECT_EQ(f.local, "");
    EXPECT_EQ(f.site, "");
}

namespace {

// Connected to /pub/deep, whose listing holds inner/, Mdir/, A.bin, z.txt and
// here also page.HTM and Index.htm; the local folder holds the same kinds.
struct FilterFrame : ConnectedFrame {
    LocalFileList* localList = nullptr;

    bool setUp() {
        writeBytes(server.root() + "/pub/deep/page.HTM", "<p>");
        writeBytes(server.root() + "/pub/deep/Index.htm", "<p>");
        const QString local = localDir.path();
        QDir(local).mkpath("docs");
        QDir(local).mkpath("old.htm");
        writeBytes(local + "/a.htm", "a");
        writeBytes(local + "/B.HTM", "b");
        writeBytes(local + "/c.txt", "c");
        if (!connect())
            return false;
        localList = frame->app().localList;
        return true;
    }
    void setPatterns(const char* local, bool keepLocal, const char* site, bool keepSite) {
        services.filterAnswer = FakeServices::FilterAnswer{QString::fromUtf8(local), keepLocal,
                                                           QString::fromUtf8(site), keepSite};
        frame->runCommand(Cmd::FileListOptions);
    }
    QStringList localNames() const {
        QStringList n = names(localList);
        n.sort();
        return n;
    }
    QStringList remoteNames() const {
        QStringList n = names(list);
        n.sort();
        return n;
    }
    int listings() const { return transcript().count(QStringLiteral("LIST")); }
};

const QStringList kAllLocal = {"B.HTM", "a.htm", "c.txt", "docs", "old.htm"};
const QStringList kAllRemote = {"A.bin", "Index.htm", "Mdir", "inner", "page.HTM", "z.txt"};

} // namespace

// Not kept: the refresh after the dialog is filtered, the next one is not.
// Folder rows stay on both sides: a pattern hides files only.
TEST(ListFilters, AnUnkeptPatternActsOnTheNextRefreshOnly) {
    FilterFrame f;
    ASSERT_TRUE(f.setUp());
    ASSERT_EQ(f.localNames(), kAllLocal);
    ASSERT_EQ(f.remoteNames(), kAllRemote);

    f.setPatterns("*.HTM", false, "*.htm", false);
    EXPECT_EQ(f.localNames(), QStringList({"B.HTM", "a.htm", "docs", "old.htm"}));
    f.frame->updateOrientation();
    EXPECT_TRUE(f.frame->localPathBar()->patternButton()->isVisibleTo(f.frame.get()));
    EXPECT_TRUE(f.frame->localPathBar()->patternButton()->text().contains("*.HTM"));
    EXPECT_EQ(f.remoteNames(), QStringList({"Index.htm", "Mdir", "inner", "page.HTM"}));
    EXPECT_EQ(f.frame->app().localTree->childNamed(f.frame->app().localTree->shownItem(), "docs") !=
                  nullptr,
              true)
        << "the folder tree is never filtered";

    f.frame->app().activePane = Pane::LocalList;
    f.frame->runCommand(Cmd::Refresh);
    EXPECT_EQ(f.localNames(), kAllLocal);
    // Another folder and back: both from the cache, both unfiltered.
    f.tree->setCurrentItem(child(f.tree->currentItem(), "inner"));
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));
    f.tree->setCurrentItem(f.tree->currentItem()->parent());
    EXPECT_EQ(f.remoteNames(), kAllRemote);
}

// Kept: every later listing is filtered, a new one from the server included.
TEST(ListFilters, AKeptPatternStaysForEveryFolderVisited) {
    FilterFrame f;
    ASSERT_TRUE(f.setUp());
    writeBytes(f.server.root() + "/pub/deep/inner/x.txt", "x");
    writeBytes(f.server.root() + "/pub/deep/inner/y.bin", "y");

    f.setPatterns("*.txt", true, "*.txt", true);
    EXPECT_EQ(f.localNames(), QStringList({"c.txt", "docs", "old.htm"}));
    EXPECT_EQ(f.remoteNames(), QStringList({"Mdir", "inner", "z.txt"}));

    f.frame->app().activePane = Pane::LocalList;
    f.frame->runCommand(Cmd::Refresh);
    EXPECT_EQ(f.localNames(), QStringList({"c.txt", "docs", "old.htm"}));
    const int before = f.listings();
    f.tree->setCurrentItem(child(f.tree->currentItem(), "inner"));
    ASSERT_TRUE(waitUntil([&] { return f.listings() > before && f.frame->connectionReady(); }));
    EXPECT_EQ(f.remoteNames(), QStringList({"x.txt"}));
}

// The button in the path bar clears a kept pattern on either side: every
// file shows again, the site's from the listing cache.
TEST(ListFilters, ThePathBarsButtonClearsAPattern) {
    FilterFrame f;
    ASSERT_TRUE(f.setUp());
    f.setPatterns("*.txt", true, "z*", true);
    f.frame->updateOrientation();
    QToolButton* local = f.frame->localPathBar()->patternButton();
    QToolButton* site = f.frame->remotePathBar()->patternButton();
    ASSERT_TRUE(local->isVisibleTo(f.frame.get()) && site->isVisibleTo(f.frame.get()));
    const int before = f.listings();
    QTest::mouseClick(site, Qt::LeftButton);
    EXPECT_EQ(f.remoteNames(), kAllRemote);
    EXPECT_FALSE(site->isVisibleTo(f.frame.get()));
    QTest::mouseClick(local, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return f.localNames() == kAllLocal; }));
    EXPECT_FALSE(local->isVisibleTo(f.frame.get()));
    EXPECT_TRUE(f.frame->app().filters.local.isEmpty() && !f.frame->app().filters.keepLocal);
    EXPECT_EQ(f.listings(), before) << "from the cache";
}

// Clearing the pattern shows the hidden files again from the listing
// cache, without asking the server.
TEST(ListFilters, HiddenFilesComeBackFromTheCacheWhenThePatternIsCleared) {
    FilterFrame f;
    ASSERT_TRUE(f.setUp());
    f.setPatterns("", false, "z*", true);
    EXPECT_EQ(f.remoteNames(), QStringList({"Mdir", "inner", "z.txt"}));
    const int before = f.listings();
    f.setPatterns("", false, "", false);
    EXPECT_EQ(f.remoteNames(), kAllRemote);
    spinFor(200);
    EXPECT_EQ(f.listings(), before);
}

// A folder with no listing yet: the unkept pattern waits for the listing
// the refresh asks for, and is forgotten after it.
TEST(ListFilters, AnUnkeptSitePatternWaitsForTheListingItAskedFor) {
    FilterFrame f;
    ASSERT_TRUE(f.setUp());
    f.frame->app().listingCache.clear();
    const int before = f.listings();
    f.setPatterns("", false, "*.bin", false);
    ASSERT_TRUE(waitUntil([&] { return f.listings() > before && f.frame->connectionReady(); }));
    EXPECT_EQ(f.remoteNames(), QStringList({"A.bin", "Mdir", "inner"}));
    EXPECT_EQ(f.frame->app().filters.site, "");
}

// Cancel changes nothing.
TEST(ListFilters, CancelLeavesThePatterns) {
    FilterFrame f;
    ASSERT_TRUE(f.setUp());
    f.setPatterns("*.txt", true, "", false);
    f.services.filterAnswer.reset();
    f.frame->runCommand(Cmd::FileListOptions);
    EXPECT_EQ(f.frame->app().filters.local, "*.txt");
    EXPECT_EQ(f.localNames(), QStringList({"c.txt", "docs", "old.htm"}));
}
