#pragma once

#include "core/engine/ftp_host.h"

#include <functional>
#include <utility>

// The host of a connection no window shows (one that moves a range of a
// file for another): nothing is displayed, and only how the connection's
// work ended is passed on.
class UnwatchedHost : public FtpHost {
public:
    explicit UnwatchedHost(std::function<void(const OperationEnd&)> ended)
        : ended_(std::move(ended)) {}

    void operationEnded(const OperationEnd& end) override { ended_(end); }
    void showStatusText(const QString&) override {}
    void transcriptChanged(const QString&, const QString&) override {}
    void resetConnectedSiteDisplay() override {}
    void controlConnectionClosed() override {}
    void currentFolderLearned(const QString&) override {}
    void remoteFolderAdded(const QString&) override {}
    void remoteFileRemoved(const QString&) override {}
    void remoteFolderRemoved(const QString&) override {}
    void remoteItemRenamed(const QString&) override {}
    void progressStarted(qint64) override {}
    void progressStopped() override {}
    void showListing(const QByteArray&) override {}
    void operationCompleted(bool) override {}
    bool takeCancelMark() override { return false; }
    bool userInterrupted() const override { return false; }
    void postResume() override {}
    void resumeInterruptedTask(const QString&) override {}
    void itemSkipped(const QString&) override {}

private:
    std::function<void(const OperationEnd&)> ended_;
};
