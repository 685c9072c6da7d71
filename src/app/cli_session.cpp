#include "app/cli_session.h"

#include "engine/ftp_thread_wnd.h"
#include "engine/result_texts.h"
#include "platform/prompts.h"

#include <cstdio>

namespace {

void printErr(const QString& text) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::fputs(plain.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

CliSession::CliSession(const CliOptions& options, const QString& programDir, Prompts& prompts,
                       Clock& clock, Timing timing)
    : options_(options), programDir_(programDir), prompts_(prompts), clock_(clock),
      timing_(timing) {}

CliSession::~CliSession() = default;

bool CliSession::connect(const SiteAddress& site) {
    window_.reset();
    source_ = std::make_unique<CFtpSource>();
    source_->setHostAddress(site.host);
    source_->setHostName(site.host);
    source_->port = site.port > 0 ? site.port : 21;
    source_->setUser(site.user);
    source_->setPassword(site.password);
    source_->setStartFolder(site.path);
    source_->taskFolder = programDir_;
    window_ = std::make_unique<CFtpThreadWnd>(
        *source_, 0, CFtpThreadWnd::Deps{*this, prompts_, clock_, timing_});
    if (!window_->create()) {
        prompts_.report(QString::fromUtf8(EngineText::CannotCreateResources));
        return false;
    }
    setTimer(FrameTimer, timing_.frameTickMs);
    window_->beginConnection();
    return true;
}

int CliSession::printWorkingFolder(const SiteAddress& site) {
    folderLearned_ = false;
    if (!connect(site))
        return 1;
    loop_.exec();
    return folderLearned_ ? 0 : 1;
}

void CliSession::showStatusText(const QString&) {}

void CliSession::transcriptChanged(const QString&, const QString& appended) {
    if (options_.verbose && !appended.isEmpty())
        printErr(appended);
}

// The connection is gone (closed, or never reached): the command is over.
void CliSession::resetConnectedSiteDisplay() {
    loop_.exit();
}

void CliSession::controlConnectionClosed() {
    killTimer(FrameTimer);
}

void CliSession::currentFolderLearned(const QString& folder) {
    folderLearned_ = true;
    std::printf("%s\n", folder.toUtf8().constData());
    std::fflush(stdout);
    window_->quit();
}

void CliSession::onMessage(int, WParam, LParam) {}

void CliSession::onTimer(int id) {
    if (id == FrameTimer && window_)
        window_->onFrameTick();
}
