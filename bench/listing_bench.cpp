// How fast a large folder listing reaches the window: parsing it into the
// site tree and the remote list, and sorting the list by name, size and time.
// The peer is Qt's own QTreeWidget::sortItems on the same rows (plain text
// order), measured in the same run.
#include "core/engine/ftp_session.h"
#include "gui/panes/file_list_sort.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "idle_pane_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QSplitter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

QByteArray unixListing(int files, int folders) {
    static const char* const extensions[] = {"txt", "html", "jpg", "zip", "c", "bin", "pdf", "png"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    QByteArray text;
    for (int i = 0; i < folders; ++i)
        text += "drwxr-xr-x   2 owner group     4096 Jan 01 10:00 folder" + QByteArray::number(i) +
                "\r\n";
    for (int i = 0; i < files; ++i)
        text += "-rw-r--r--   1 owner group " + QByteArray::number((i * 7919) % 1000003) + " " +
                months[(i * 7) % 12] + " " + QByteArray::number(i % 28 + 1) +
                (i % 3 ? "  2024" : " 10:00") + " File" + QByteArray::number(i) + "." +
                extensions[i % 8] + "\r\n";
    return text;
}

// Median of `runs` timings of `step`, in milliseconds. The window has
// painted what `before` did when `step` starts, as it has when a user
// clicks a column heading.
double medianMs(int runs, const std::function<void()>& before, const std::function<void()>& step) {
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        before();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        step();
        QCoreApplication::processEvents();
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const int files = argc > 1 ? atoi(argv[1]) : 20000;
    const int runs = argc > 2 ? atoi(argv[2]) : 5;
    const QByteArray listing = unixListing(files, files / 100);

    PaneState shared;
    IdlePaneHost host(false);
    QTemporaryDir home;
    // The two panes side by side in one window, as the main window has them.
    QSplitter window;
    auto& tree = *new SiteTree(shared, host, home.filePath(QStringLiteral("ftpsite.dat")));
    auto& list = *new RemoteFileList(shared, host);
    window.addWidget(&tree);
    window.addWidget(&list);
    auto* site = new QTreeWidgetItem(QStringList{QStringLiteral("site")});
    tree.addTopLevelItem(site);
    site->setData(0, SiteTree::DataRole, 1);
    tree.setCurrentItem(site);
    window.resize(1000, 600);
    window.show();

    const auto nothing = [] {};
    const double show = medianMs(runs, nothing, [&] { tree.showListing(listing); });
    // Each sort starts from a listing just shown (in name order), as a
    // click on a column heading does.
    const auto fresh = [&] { tree.showListing(listing); };
    const double oursName =
        medianMs(runs, fresh, [&] { FileListSort::sortRows(&list, 0, Qt::AscendingOrder); });
    const double qtName = medianMs(runs, fresh, [&] { list.sortItems(0, Qt::AscendingOrder); });
    const double oursSize =
        medianMs(runs, fresh, [&] { FileListSort::sortRows(&list, 1, Qt::AscendingOrder); });
    const double qtSize = medianMs(runs, fresh, [&] { list.sortItems(1, Qt::AscendingOrder); });
    // By time corvane compares the times its rows carry; Qt's sort compares
    // the texts.
    const double oursTime =
        medianMs(runs, fresh, [&] { FileListSort::sortRows(&list, 3, Qt::AscendingOrder); });
    const double qtTime = medianMs(runs, fresh, [&] { list.sortItems(3, Qt::AscendingOrder); });

    std::printf("rows: %d files, %d folders; median of %d runs\n", files, files / 100, runs);
    std::printf("show the listing (parse, tree, rows, name order): %8.1f ms\n", show);
    std::printf("sort by name: corvane %8.1f ms, QTreeWidget::sortItems %8.1f ms, ratio %.2f\n",
                oursName, qtName, oursName / qtName);
    std::printf("sort by size: corvane %8.1f ms, QTreeWidget::sortItems %8.1f ms, ratio %.2f\n",
                oursSize, qtSize, oursSize / qtSize);
    std::printf("sort by time: corvane %8.1f ms, QTreeWidget::sortItems %8.1f ms, ratio %.2f\n",
                oursTime, qtTime, oursTime / qtTime);
    return 0;
}
