// Where the user is: a path bar above each file list with the side's name,
// a mark on the pane that has the keyboard focus, and the connection's
// particulars in the status bar.
#include "core/engine/ftp_session.h"
#include "core/platform/prompts.h"
#include "gui/panes/listing_cache.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/path_bar.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/main_window.h"
#include "gui/window/status_dialog_bar.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The pane with the focus gets a frame in the highlight colour; the others
// keep a plain one of the same width, so nothing moves when the focus does.
const char* const PaneFrames = "QTreeWidget, QPlainTextEdit { border: 2px solid palette(window); }"
                               "QTreeWidget[paneFocus=\"true\"], QPlainTextEdit[paneFocus=\"true\"]"
                               " { border: 2px solid palette(highlight); }";

} // namespace

QWidget* MainWindow::withPathBar(PathBar* bar, QWidget* list) {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(list, 1);
    return column;
}

void MainWindow::updateOrientation() {
    if (styleSheet().isEmpty())
        setStyleSheet(QString::fromUtf8(PaneFrames));
    localBar_->setPath(app_.localList->folderPath());
    QTreeWidgetItem* site = app_.siteTree->connectedSiteItem();
    QTreeWidgetItem* shown = site ? app_.siteTree->shownItem() : nullptr;
    remoteBar_->setSide(site ? site->text(0) : QString::fromUtf8(PaneText::SiteSide));
    remoteBar_->setPath(shown ? SiteTree::remotePath(shown) : QString());
    statusBar_->setConnection(connectionSummary());
    localBar_->setPattern(app_.localList->appliedPattern());
    remoteBar_->setPattern(app_.remoteList->appliedPattern());
}

// Every row again: the pattern is dropped, kept or not.
void MainWindow::clearLocalPattern() {
    app_.filters.local.clear();
    app_.filters.keepLocal = false;
    app_.localTree->showLocalFolder(true);
    updateOrientation();
}

void MainWindow::clearSitePattern() {
    app_.filters.site.clear();
    app_.filters.keepSite = false;
    app_.filters.siteAwaitsListing = false;
    QTreeWidgetItem* shown = app_.siteTree->shownItem();
    if (const CachedListing* cached = shown ? app_.listingCache.find(shown) : nullptr)
        app_.remoteList->fillFromCache(*cached);
    updateOrientation();
}

// "本机 | 127.0.0.1:2121 | 被动模式 | UTF-8" once logged in; empty before.
QString MainWindow::connectionSummary() const {
    QTreeWidgetItem* site = app_.siteTree->connectedSiteItem();
    if (!connection_ || !site || !connection_->isGreeted() || connection_->isSettingUp())
        return {};
    const SessionLogin login = connection_->sessionLogin();
    const QString address = DataAddress::hostAndPort(login.host, login.port);
    const char* mode = login.passive ? PaneText::PassiveMode : PaneText::ActiveMode;
    const QString names = login.encoding == WireText::Encoding::Utf8 ? QStringLiteral("UTF-8")
                                                                     : QStringLiteral("GBK");
    return QStringList{site->text(0), address, QString::fromUtf8(mode), names}.join(
        QStringLiteral(" | "));
}

// A folder typed in the local bar, absolute or below the folder shown.
void MainWindow::goToLocalPath(const QString& typed) {
    QString path = typed;
    if (path.startsWith(QLatin1Char('~')))
        path = QDir::homePath() + path.mid(1);
    if (QDir::isRelativePath(path))
        path = app_.localList->folderPath() + path;
    path = QDir::cleanPath(path);
    if (!QFileInfo(path).isDir()) {
        // Said once the key that asked has been handled in full.
        const QString text = QString::fromUtf8(PaneText::NoSuchLocalFolder) + typed;
        QTimer::singleShot(0, this, [this, text] { prompts_.report(text); });
        return;
    }
    app_.localTree->goTo(path);
    app_.localList->setFocus();
}

// A folder typed in the site bar, absolute or below the folder shown; a
// folder the server cannot enter says so and the list stays where it was.
void MainWindow::goToRemotePath(const QString& typed) {
    QTreeWidgetItem* shown = app_.siteTree->shownItem();
    if (!app_.siteTree->connectedSiteItem()) {
        QTimer::singleShot(
            0, this, [this] { prompts_.report(QString::fromUtf8(PaneText::NotConnectedForPath)); });
        return;
    }
    if (!connectionReady())
        return; // the bar keeps what was typed until the connection is free
    // Nothing shown yet (a connection made for a task): below the root.
    const QString base = shown ? SiteTree::remoteFolder(shown) : QStringLiteral("/");
    const QString path = typed.startsWith(QLatin1Char('/')) ? typed : base + typed;
    app_.siteTree->goTo(QDir::cleanPath(path));
    app_.remoteList->setFocus();
}

// A dialog that closes hands the focus back to the window; where the
// desktop does not (no window manager, or one that activates nothing), the
// focus would be nowhere and the keys dead. The widget that had it before
// the dialog takes it again.
void MainWindow::returnFocusAfterDialog(QWidget* old, QWidget* now) {
    if (now && now->window() == this) {
        lastFocus_ = now;
        return;
    }
    if (now || !old || old->window() == this || !lastFocus_)
        return;
    QTimer::singleShot(0, this, [this] {
        if (QApplication::focusWidget() || QApplication::activeModalWidget() || !lastFocus_ ||
            !isVisible())
            return;
        activateWindow();
        lastFocus_->setFocus(Qt::OtherFocusReason);
    });
}

void MainWindow::markFocusedPane(QWidget* focused) {
    const QList<QWidget*> panes{app_.localTree,  app_.localList,   app_.siteTree,
                                app_.remoteList, app_.messagePane, transferList_->view()};
    for (QWidget* pane : panes) {
        const bool marked = pane && pane == focused;
        if (!pane || pane->property("paneFocus").toBool() == marked)
            continue;
        pane->setProperty("paneFocus", marked);
        pane->style()->unpolish(pane);
        pane->style()->polish(pane);
    }
}
