#pragma once

#include <QDate>

class FtpConnection;
class Prompts;
struct SiteRecord;

// What the browsing panes ask of the main window: the state of the current
// connection and the commands that belong to the main window.
class PaneHost {
public:
    virtual ~PaneHost() = default;

    // The current connection, or null.
    virtual FtpConnection* connection() const = 0;
    // A connection exists and is free for a command the user gives.
    virtual bool connectionReady() const = 0;
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
};
