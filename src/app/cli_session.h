#pragma once

#include "app/cli_options.h"
#include "app/progress_line.h"
#include "core/engine/connection_source.h"
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_host.h"
#include "core/platform/message_target.h"
#include "core/platform/prompts.h"
#include "core/platform/timing.h"

#include <QEventLoop>

#include <memory>

class FtpSession;
class OperationDriver;
class Clock;

// One command of corvane-cli, run over one connection.
struct CliCommand {
    enum Kind {
        Sites,
        AddSite,
        Pwd,
        List,
        Get,
        Put,
        MakeFolder,
        Remove,
        Rename,
        Update,
        Tasks,
        Resume
    };
    Kind kind = Pwd;
    SiteAddress site;
    QString localPath;  // get, update: local folder; put: local file or folder
    QString newPath;    // rename: new site path; add-site: the site's name
    QString taskFolder; // resume: the folder of the task file, ending with "/"
    QString taskFile;   // resume: the task file's name
};

// The command-line front end's stand-in for the main window: it owns the
// connection and its source record, runs the connection's periodic tick,
// turns what the connection reports into terminal output, and decides the
// exit status from the program's own messages.
class CliSession : public MessageTarget, public FtpHost, private Prompts {
    Q_OBJECT
public:
    CliSession(const CliOptions& options, const QString& programDir, Prompts& console, Clock& clock,
               Timing timing = {});
    ~CliSession() override;

    // Exit status when everything else went well but some items were left
    // out (too large, an unsafe name, a link).
    static constexpr int SomethingSkipped = 3;

    // Runs the command: 0 when everything asked for was done, 1 when it
    // failed, SomethingSkipped.
    int run(const CliCommand& command);

    // FtpHost
    void operationEnded(const OperationEnd& end) override;
    void showStatusText(const QString& text) override;
    void transcriptChanged(const QString& text, const QString& appended) override;
    void resetConnectedSiteDisplay() override;
    void controlConnectionClosed() override;
    void currentFolderLearned(const QString& folder) override;
    void remoteFolderAdded(const QString& name) override;
    void remoteFileRemoved(const QString& path) override;
    void remoteFolderRemoved(const QString& path) override;
    void remoteItemRenamed(const QString& newName) override;
    void progressStarted(qint64 baseline) override;
    void progressStopped() override;
    void showListing(const QByteArray& listing) override;
    void operationCompleted(bool download) override;
    void resumeInterruptedTask(const QString& taskFile) override;
    void directoryUpdatePlanned(const QStringList& paths, const QList<qint32>& kinds) override;
    bool takeCancelMark() override { return false; }
    bool userInterrupted() const override { return false; }
    void postResume() override;
    void itemSkipped(const QString& text) override;

protected:
    void onMessage(int msg, WParam wParam, LParam lParam) override;
    void onTimer(int id) override;

private:
    static constexpr int FrameTimer = 1;
    static constexpr int ProgressTimer = 2;
    static constexpr int QuitFallbackTimer = 3; // a server that never answers QUIT
    static constexpr int ConnectionGone = Msg::User + 100;
    void connectionGone();

    // Prompts, as the connection sees them: shown on the console, and every
    // failure ends the command.
    void report(const QString& text) override;
    bool askYesNo(const QString& text) override;
    CertificateAnswer askCertificate(const QString& server,
                                     const TlsCertificate& certificate) override;
    bool askOkCancel(const QString& text) override;

    QString startFolder() const;
    bool connect(const QString& startFolder);
    void startOperation(const DirEntry* entry);
    void succeed();
    void fail(const QString& text = {});
    void finish();
    void endLoop();

    CliOptions options_;
    QString programDir_;
    Prompts& console_;
    Clock& clock_;
    Timing timing_;
    CliCommand command_;
    std::unique_ptr<ConnectionSource> source_;
    std::unique_ptr<FtpSession> connection_;
    std::unique_ptr<OperationDriver> operations_; // drives connection_
    QEventLoop loop_;
    bool loopEnded_ = false; // an exit asked for before the loop ran counts too
    ProgressLine progress_;
    bool operationStarted_ = false;
    bool succeeded_ = false;
    bool failed_ = false;
    bool finishing_ = false;
    QStringList skipped_; // what the operation left out, for the summary
};
