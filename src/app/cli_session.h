#pragma once

#include "app/cli_options.h"
#include "engine/ftp_host.h"
#include "engine/ftp_source.h"
#include "platform/message_target.h"
#include "platform/timing.h"

#include <QEventLoop>

#include <memory>

class CFtpThreadWnd;
class Clock;
class Prompts;

// The command-line front end's stand-in for the main frame: it owns the
// connection and its source record, runs the connection's periodic tick,
// and turns what the connection reports into terminal output.
class CliSession : public MessageTarget, public FtpHost {
    Q_OBJECT
public:
    CliSession(const CliOptions& options, const QString& programDir, Prompts& prompts, Clock& clock,
               Timing timing = {});
    ~CliSession() override;

    // Logs in to the site, prints the folder the server reports and logs
    // out. Returns the exit status: 0 when the folder was learned.
    int printWorkingFolder(const SiteAddress& site);

    // FtpHost
    void showStatusText(const QString& text) override;
    void transcriptChanged(const QString& text, const QString& appended) override;
    void resetConnectedSiteDisplay() override;
    void controlConnectionClosed() override;
    void currentFolderLearned(const QString& folder) override;
    void remoteFolderAdded(const QString&) override {}
    void remoteFileRemoved(const QString&) override {}
    void remoteFolderRemoved(const QString&) override {}
    void remoteItemRenamed(const QString&) override {}
    void progressStarted(qint32) override {}
    void progressStopped() override {}
    void showListing(const QByteArray&) override {}
    void operationCompleted(bool) override {}
    bool takeCancelMark() override { return false; }
    bool userInterrupted() const override { return false; }
    void postResume() override { post(Msg::ResumeTransfer); }
    void resumeInterruptedTask(const QString&) override {}

protected:
    void onMessage(int msg, WParam wParam, LParam lParam) override;
    void onTimer(int id) override;

private:
    static constexpr int FrameTimer = 1;
    bool connect(const SiteAddress& site);

    CliOptions options_;
    QString programDir_;
    Prompts& prompts_;
    Clock& clock_;
    Timing timing_;
    std::unique_ptr<CFtpSource> source_;
    std::unique_ptr<CFtpThreadWnd> window_;
    QEventLoop loop_;
    bool folderLearned_ = false;
};
