#pragma once

#include "core/engine/ftp_host.h"
#include "core/platform/prompts.h"

#include <QList>
#include <QStringList>

#include <utility>

// An FtpHost that remembers what the connection told it. Like the window,
// it shows each end's text through `prompts` when it has them.
class RecordingHost : public FtpHost {
public:
    void operationEnded(const OperationEnd& end) override {
        outcomes << end.outcome();
        explained << end.explained();
        if (prompts)
            prompts->report(end.text());
    }
    void showStatusText(const QString& text) override { statusTexts << text; }
    void securityChanged(const QString& protocol) override { security = protocol; }
    void transcriptChanged(const QString& text, const QString&) override { transcript = text; }
    void resetConnectedSiteDisplay() override { ++siteDisplayResets; }
    void controlConnectionClosed() override { ++closedConnections; }
    void currentFolderLearned(const QString& folder) override { folders << folder; }
    void remoteFolderAdded(const QString& name) override { events << "added:" + name; }
    void remoteFileRemoved(const QString& path) override { events << "removed file:" + path; }
    void remoteFolderRemoved(const QString& path) override { events << "removed folder:" + path; }
    void remoteItemRenamed(const QString& name) override { events << "renamed:" + name; }
    void progressStarted(qint64) override {}
    void progressStopped() override {}
    void showListing(const QByteArray& listing) override { listings << listing; }
    void operationCompleted(bool download) override { completed << download; }
    bool takeCancelMark() override { return std::exchange(cancelMark, false); }
    bool userInterrupted() const override { return interrupted; }
    void postResume() override { ++resumes; }
    void resumeInterruptedTask(const QString& file) override { resumedTasks << file; }
    void itemSkipped(const QString& text) override { skipped << text; }

    Prompts* prompts = nullptr;
    QList<Outcome> outcomes;
    QStringList explained; // each end as the window and the command line show it
    QStringList statusTexts;
    QString security; // the protocol while encrypted
    QString transcript;
    QStringList folders;
    QStringList events;
    QStringList resumedTasks;
    QStringList skipped;
    int siteDisplayResets = 0;
    int closedConnections = 0;
    int resumes = 0;
    bool interrupted = false;
    bool cancelMark = false;
    QList<QByteArray> listings;
    QList<bool> completed;
};
