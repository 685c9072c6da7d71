// Starting an operation: fill the operation record, describe the task,
// create its task file, show the phase and let the driver take over.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/tasks/operation_driver.h"

namespace {

// Items in the order given. Without kinds a size of 0 marks a folder; with
// them an empty file can be chosen too.
void appendChosenItems(OperationRecord& op_, const QStringList& paths, const QList<quint64>& sizes,
                       const QList<qint32>& kinds) {
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const quint64 size = sizes.value(i);
        const bool folder = i < kinds.size() ? kinds.at(i) == OperationRecord::Folder : size == 0;
        op_.itemPaths << paths.at(i);
        op_.itemSizes << (folder ? 0 : size);
        op_.itemKinds << (folder ? OperationRecord::Folder : OperationRecord::ChosenFile);
        if (folder)
            op_.hasFolders = true;
    }
}

} // namespace

// A new transfer record; only the edit mode, set by the caller beforehand,
// survives the reset.
void OperationDriver::resetTransferRecord(bool download, const QString& target,
                                          const QString& sourceFolder) {
    const bool editMode = op_.editMode;
    session_.reset(true);
    op_.editMode = editMode;
    op_.hasFolders = false;
    op_.isDownload = download;
    op_.targetFolder = target;
    op_.sourceFolder = sourceFolder;
    op_.clearProgress();
    expandedLocalFolders_.clear();
}

void OperationDriver::beginTransferOperation(const QString& description, unsigned phase) {
    op_.taskDescription = description;
    createTaskFile();
    session_.showPhase(phase);
    session_.postContinue();
}

void OperationDriver::startDownload(const QString& localFolder, const QString& siteFolder,
                                    const QStringList& sitePaths, const QList<quint64>& sizes,
                                    const QList<qint32>& kinds) {
    resetTransferRecord(true, localFolder, siteFolder);
    appendChosenItems(op_, sitePaths, sizes, kinds);
    if (op_.editMode) {
        // A file fetched for editing is not a task to resume.
        op_.taskDescription.clear();
        session_.showPhase(Phase::DownloadingFile);
        session_.postContinue();
        return;
    }
    beginTransferOperation(QString::fromUtf8("从站点：") + source_.hostName() +
                               QString::fromUtf8(" 下载 ") + sitePaths.value(0) +
                               QString::fromUtf8(" 等文件或目录"),
                           Phase::DownloadingFile);
}

void OperationDriver::startFolderDownload(const QString& localFolder, const QString& siteFolder) {
    resetTransferRecord(true, localFolder, siteFolder);
    op_.itemPaths << siteFolder;
    op_.itemSizes << 0;
    op_.itemKinds << OperationRecord::Folder;
    beginTransferOperation(QString::fromUtf8("从站点：") + source_.hostName() +
                               QString::fromUtf8(" 下载目录 ") + siteFolder,
                           Phase::DownloadingFolder);
}

void OperationDriver::startUpload(const QString& siteFolder, const QString& localFolder,
                                  const QStringList& localPaths, const QList<quint64>& sizes,
                                  const QList<qint32>& kinds) {
    resetTransferRecord(false, siteFolder, localFolder);
    appendChosenItems(op_, localPaths, sizes, kinds);
    QString description;
    if (op_.editMode) {
        const QString first = localPaths.value(0);
        const qsizetype sep = first.lastIndexOf(QLatin1Char('/'));
        const QString name = sep > 0 ? first.mid(sep + 1) : first;
        description = QString::fromUtf8("上传编辑过的 ") + name +
                      QString::fromUtf8(" 文件到站点：") + source_.hostName();
    } else {
        description = QString::fromUtf8("上传 ") + localPaths.value(0) +
                      QString::fromUtf8(" 等文件或目录到站点：") + source_.hostName();
    }
    beginTransferOperation(description, Phase::UploadingFile);
}

void OperationDriver::startFolderUpload(const QString& siteFolder, const QString& localFolder) {
    resetTransferRecord(false, siteFolder, localFolder);
    op_.itemPaths << localFolder;
    op_.itemSizes << 0;
    op_.itemKinds << OperationRecord::Folder;
    beginTransferOperation(QString::fromUtf8("上传目录 ") + localFolder +
                               QString::fromUtf8(" 到站点：") + source_.hostName(),
                           Phase::UploadingFolder);
}

void OperationDriver::makeSiteFolder(const QString& sitePath) {
    session_.reset(true);
    session_.showPhase(Phase::MakingFolder);
    session_.queue(FtpCommand::with(QStringLiteral("MKD"), sitePath));
    session_.send();
}

void OperationDriver::deleteSiteItems(const QStringList& sitePaths, const QStringList& kindTexts) {
    session_.reset(true);
    op_.deleting = true;
    for (qsizetype i = 0; i < sitePaths.size(); ++i) {
        if (kindTexts.value(i) == QLatin1String("d"))
            op_.deleteFolders << sitePaths.at(i);
        else
            op_.deleteFiles << sitePaths.at(i);
    }
    session_.postContinue();
    session_.showPhase(Phase::DeletingFolder);
}

void OperationDriver::renameSiteItem(const QString& oldPath, const QString& newPath) {
    session_.reset(true);
    session_.queue(FtpCommand::with(QStringLiteral("RNFR"), oldPath));
    session_.queue(FtpCommand::with(QStringLiteral("RNTO"), newPath));
    session_.send();
}
