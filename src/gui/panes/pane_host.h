#pragma once

#include <QDate>
#include <QString>

class FtpSession;
class Prompts;
class QTreeWidgetItem;
struct SiteRecord;

// What the browsing panes ask of the main window: the state of the current
// connection and the commands that belong to the main window.
class PaneHost {
public:
    virtual ~PaneHost() = default;

    // The current connection, or null.
    virtual FtpSession* connection() const = 0;
    // A connection exists and is free for a command the user gives.
    virtual bool connectionReady() const = 0;
    // A logged-in connection, free or busy: a transfer given now runs at
    // once or waits its turn in the transfer list.
    virtual bool acceptsTransfers() const = 0;
    // No connection, or one that is closed and not in the middle of
    // connecting.
    virtual bool notConnected() const = 0;
    // Starts a connection to the site; false when none was started.
    virtual bool startConnection(const SiteRecord& site) = 0;
    // The close command: sends QUIT.
    virtual void closeConnectionCommand() = 0;
    // The site properties dialog; true when confirmed, `site` then updated.
    virtual bool editSite(SiteRecord& site) = 0;
    // Whether a context-menu command is built yet; those of later work
    // stay grayed whatever their enabling rule says.
    virtual bool paneCommandBuilt(int command) const = 0;
    virtual Prompts& prompts() = 0;
    // The date of the program's clock, for listing times without a year.
    virtual QDate today() const = 0;

    // Transfers from the panes; each does nothing unless the connection
    // accepts transfers. Local nodes are items of the local folder tree, site nodes
    // items of the site tree.
    virtual void downloadRows(QTreeWidgetItem* localNode) = 0;
    virtual void downloadFolder(QTreeWidgetItem* localNode, QTreeWidgetItem* siteNode) = 0;
    virtual void uploadRows(QTreeWidgetItem* siteNode) = 0;
    virtual void uploadFolder(QTreeWidgetItem* siteNode, QTreeWidgetItem* localNode) = 0;
    // The copy buffer: filled from the active pane, used up by a paste.
    virtual void copySelection(QTreeWidgetItem* node) = 0;
    virtual void pasteInto(QTreeWidgetItem* node) = 0;
    // A command of the main window, from a pane's context menu, and whether
    // the main window would run it now.
    virtual void runFrameCommand(int command) = 0;
    virtual bool frameCommandEnabled(int command) = 0;
    // A row of the remote list renamed in place: the site is asked to rename
    // it; the row shows the new name once the server has done it.
    virtual void renameRemoteItem(const QString& oldName, const QString& newName) = 0;
};
