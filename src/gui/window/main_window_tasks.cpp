// Interrupted tasks in the window: the interrupt and resume commands, the
// resume after a transfer ended short, and a task resumed over a new
// connection to its own site.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/prompts.h"
#include "core/sites/site_record.h"
#include "core/tasks/operation_driver.h"
#include "core/tasks/task_archive.h"
#include "gui/panes/site_tree.h"
#include "gui/window/main_window.h"
#include "gui/window/shell_services.h"

#include <QDir>
#include <QFile>

namespace {

// A server that cuts every transfer short is given this many automatic
// resumes in a row; then the task waits for the user.
constexpr int MaxAutomaticResumes = 3;

} // namespace

// A transfer going on is aborted and its task kept; a connection still
// being made is given up.
void MainWindow::interruptCommand() {
    if (!connection_)
        return;
    if (connection_->isTransferring()) {
        userInterrupted_ = true;
        connection_->abort();
    } else if (connection_->isSettingUp()) {
        connection_->closeConnection();
    }
}

void MainWindow::resumeTaskCommand() {
    const QString name = services_.chooseTask(programDir_, this);
    if (!name.isEmpty())
        resumeByName(name);
}

// On the connection there is, or over a new one to the task's own site with
// the user and password the task holds.
void MainWindow::resumeByName(const QString& name) {
    if (!connection_ || !connection_->isGreeted()) {
        QFile file(programDir_ + name);
        std::optional<TaskContents> header;
        if (file.open(QIODevice::ReadOnly))
            header = TaskArchive::decodeHeader(file.read(1 << 20));
        if (!header) {
            const QString text =
                QString::fromUtf8(EngineText::TaskFileDamaged) + programDir_ + name;
            failRunningTransfer(text);
            prompts_.report(text);
            return;
        }
        trackTaskTransfer(name, transferSiteKey(header->site, header->port, header->user),
                          header->site);
        // A connection made for a task lists nothing; the task's site
        // folder is shown once it is through.
        resumeSiteFolder_ = header->update       ? header->remoteBase
                            : header->isDownload ? header->sourceFolder
                                                 : header->targetFolder;
        SiteRecord site = SiteRecord::withDefaults();
        site.name = header->site;
        site.address = header->site;
        site.port = QString::number(header->port);
        site.user = header->user;
        site.password = header->password;
        site.account = header->user;
        site.tls = tlsModeOfServer(app_.siteTree->sites().records(), header->site, header->port);
        resumingTask_ = name;
        if (connectTo(site, name) && !notConnected())
            app_.siteTree->markConnectedServer(header->site, header->port);
        else
            failRunningTransfer(QString::fromUtf8(EngineText::ResumeFailed));
        return;
    }
    trackTaskTransfer(name, connectedSiteKey(), connectedSiteLabel());
    resumeOnConnection(name);
}

// The task goes on over the connection there is; a task that cannot has
// said why (the engine's end ended its line), and the resume is said to
// have failed.
void MainWindow::resumeOnConnection(const QString& name) {
    if (operations_->resumeTask(name))
        return;
    failRunningTransfer(QString::fromUtf8(EngineText::ResumeFailed));
    prompts_.report(QString::fromUtf8(EngineText::ResumeFailed));
}

// The login of a connection made for a task is through.
void MainWindow::resumeInterruptedTask(const QString& taskFile) {
    resumingTask_.clear();
    resumeOnConnection(taskFile);
}

// A transfer ended short: it is resumed at once, unless the user
// interrupted it or the server keeps cutting it off.
void MainWindow::onResumeMessage() {
    if (userInterrupted_) {
        userInterrupted_ = false;
        return;
    }
    if (!source_ || source_->taskFileName.isEmpty())
        return;
    if (++automaticResumes_ > MaxAutomaticResumes) {
        automaticResumes_ = 0;
        const QString text =
            QString::fromUtf8(EngineText::TaskKept) + programDir_ + source_->taskFileName;
        failRunningTransfer(text);
        prompts_.report(text);
        return;
    }
    resumeByName(source_->taskFileName);
}

// While connected: only when the server restarts transfers and the
// connection is free. Otherwise: when a task file is there.
bool MainWindow::resumeEnabled() const {
    if (connection_ && connection_->isGreeted())
        return source_->restSupported && connectionReady();
    return !QDir(programDir_).entryList({QStringLiteral("*.npm")}, QDir::Files).isEmpty();
}
