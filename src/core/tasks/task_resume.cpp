// Resuming an interrupted operation from its task file.
#include "core/tasks/task_resume.h"

#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/operation_record.h"
#include "core/engine/result_texts.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Task files are small; anything far larger is not one.
constexpr qint64 TaskFileLimit = 64 * 1024 * 1024;

// An absolute path without "." or ".." steps, and without a character no
// path holds (NUL would cut it short) or no command line may carry.
bool isPlainAbsolute(const QString& path) {
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)) ||
        path.contains(QLatin1Char('\r')) || path.contains(QLatin1Char('\n')))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return !parts.contains(QStringLiteral("..")) && !parts.contains(QStringLiteral("."));
}

// Whether `path` is `folder` or below it, comparing whole names: "/ab../x"
// is not below "/a".
bool isWithin(const QString& path, QString folder) {
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder.isEmpty() || path == folder || path.startsWith(folder + QLatin1Char('/'));
}

QString parentOf(const QString& folder) {
    QString parent = folder;
    while (parent.endsWith(QLatin1Char('/')))
        parent.chop(1);
    return parent.left(parent.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isSoundUpdate(const TaskContents& t) {
    if (!isPlainAbsolute(t.localBase) || !isPlainAbsolute(t.remoteBase) ||
        t.updatePaths.size() != t.updateKinds.size())
        return false;
    for (qsizetype i = 0; i < t.updatePaths.size(); ++i)
        if (!isPlainAbsolute(t.updatePaths.at(i)) || !isWithin(t.updatePaths.at(i), t.remoteBase) ||
            t.updateKinds.at(i) < 1 || t.updateKinds.at(i) > 4)
            return false;
    return true;
}

} // namespace

bool TaskResume::isSound(const TaskContents& t) {
    if (t.port < 1 || t.port > 65535 || t.site.trimmed().isEmpty())
        return false;
    if (t.update)
        return isSoundUpdate(t);
    if (t.itemPaths.size() != t.itemSizes.size() || t.itemPaths.size() != t.itemKinds.size())
        return false;
    if (!isPlainAbsolute(t.targetFolder) || !isPlainAbsolute(t.sourceFolder))
        return false;
    // Downloads go into a folder: a target that lost its closing "/" would
    // put the files, their part and state files beside it.
    if (t.isDownload && !t.targetFolder.endsWith(QLatin1Char('/')))
        return false;
    for (qsizetype i = 0; i < t.itemPaths.size(); ++i) {
        const QString& path = t.itemPaths.at(i);
        const qint32 kind = t.itemKinds.at(i);
        if (kind < OperationRecord::ChosenFile || kind > OperationRecord::Folder ||
            !isPlainAbsolute(path))
            return false;
        // An upload takes its files from below the folder it started in; a
        // download's items lie in the folder it started from (or are it).
        if (!t.isDownload && !isWithin(path, t.sourceFolder))
            return false;
        if (t.isDownload && kind != OperationRecord::ChosenFile &&
            !isWithin(path, parentOf(t.sourceFolder)))
            return false;
    }
    return true;
}

bool OperationDriver::resumeTask(const QString& name) {
    session_.reset(true);
    const QString path = source_.taskFolder + name;
    std::optional<TaskContents> task;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.size() <= TaskFileLimit)
        task = TaskArchive::decode(file.readAll());
    file.close();
    if (!task || !TaskResume::isSound(*task)) {
        session_.report(EndMessage::TaskFileDamaged, path);
        return false;
    }
    if (task->site != source_.hostName()) {
        session_.report(EndMessage::TaskOfAnotherSite);
        return false;
    }
    op_.taskDescription = task->description;
    op_.clearProgress();
    expandedLocalFolders_.clear();
    dirUpdate_ = task->update;
    if (dirUpdate_) {
        localBase_ = task->localBase;
        remoteBase_ = task->remoteBase;
        op_.updatePaths = task->updatePaths;
        op_.updateKinds = task->updateKinds;
        session_.showPhase(Phase::UpdatingFolder);
    } else {
        op_.editMode = task->editMode;
        op_.isDownload = task->isDownload;
        op_.targetFolder = task->targetFolder;
        op_.sourceFolder = task->sourceFolder;
        op_.itemPaths = task->itemPaths;
        op_.itemSizes = task->itemSizes;
        op_.itemKinds = task->itemKinds;
        op_.hasFolders = task->hasFolders;
        session_.showPhase(op_.isDownload ? Phase::DownloadingFile : Phase::UploadingFile);
    }
    // The same file goes on serving the operation.
    auto taskFile = std::make_unique<QFile>(path);
    if (taskFile->open(QIODevice::ReadWrite)) {
        op_.taskFile = std::move(taskFile);
        source_.taskFileName = name;
        taskFileWrittenAt_.reset();
    }
    // The head file: an upload continues after a size check; a download
    // after the bytes this task wrote to disk (or its ranges), once the
    // site's file is found unchanged. It is never taken as done unseen: a
    // local file as large as the site's may be an older one.
    if (!dirUpdate_ && op_.hasItems() && op_.itemKinds.first() != OperationRecord::Folder) {
        resumeTransfer_ = true;
        if (op_.isDownload && task->headFresh)
            headFreshPath_ = op_.itemPaths.first();
        else if (op_.isDownload)
            headOpenedPath_ = op_.itemPaths.first();
    }
    session_.postContinue();
    return true;
}
