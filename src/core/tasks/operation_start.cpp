// Starting an operation: fill the operation record, describe the task,
// create its task file, show the phase and let the driver take over.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/engine/ftp_host.h"
#include "core/engine/result_texts.h"

namespace {

// Items in the order given. Without kinds a size of 0 marks a folder; with
// them an empty file can be chosen too.
void appendChosenItems(OperationRecord& op_, const QStringList& paths, const QList<quint32>& sizes,
                       const QList<qint32>& kinds) {
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const quint32 size = sizes.value(i);
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
void FtpSession::resetTransferRecord(bool download, const QString& target,
                                        const QString& sourceFolder) {
    const bool editMode = op_.editMode;
    reset(true);
    op_.editMode = editMode;
    op_.hasFolders = false;
    op_.isDownload = download;
    op_.targetFolder = target;
    op_.sourceFolder = sourceFolder;
    expandedLocalFolders_.clear();
}

void FtpSession::beginTransferOperation(const QString& description, unsigned phase) {
    op_.taskDescription = description;
    createTaskFile();
    showPhase(phase);
    postContinue();
}

void FtpSession::startDownload(const QString& localFolder, const QString& siteFolder,
                                  const QStringList& sitePaths, const QList<quint32>& sizes,
                                  const QList<qint32>& kinds) {
    resetTransferRecord(true, localFolder, siteFolder);
    appendChosenItems(op_, sitePaths, sizes, kinds);
    if (op_.editMode) {
        // A file fetched for editing is not a task to resume.
        op_.taskDescription.clear();
        showPhase(Phase::DownloadingFile);
        postContinue();
        return;
    }
    beginTransferOperation(QString::fromUtf8("从站点：") + source_.hostName() +
                               QString::fromUtf8(" 下载 ") + sitePaths.value(0) +
                               QString::fromUtf8(" 等文件或目录"),
                           Phase::DownloadingFile);
}

void FtpSession::startFolderDownload(const QString& localFolder, const QString& siteFolder) {
    resetTransferRecord(true, localFolder, siteFolder);
    op_.itemPaths << siteFolder;
    op_.itemSizes << 0;
    op_.itemKinds << OperationRecord::Folder;
    beginTransferOperation(QString::fromUtf8("从站点：") + source_.hostName() +
                               QString::fromUtf8(" 下载目录 ") + siteFolder,
                           Phase::DownloadingFolder);
}

void FtpSession::startUpload(const QString& siteFolder, const QString& localFolder,
                                const QStringList& localPaths, const QList<quint32>& sizes,
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

void FtpSession::startFolderUpload(const QString& siteFolder, const QString& localFolder) {
    resetTransferRecord(false, siteFolder, localFolder);
    op_.itemPaths << localFolder;
    op_.itemSizes << 0;
    op_.itemKinds << OperationRecord::Folder;
    beginTransferOperation(QString::fromUtf8("上传目录 ") + localFolder +
                               QString::fromUtf8(" 到站点：") + source_.hostName(),
                           Phase::UploadingFolder);
}

void FtpSession::makeSiteFolder(const QString& sitePath) {
    reset(true);
    showPhase(Phase::MakingFolder);
    commandQueue_ << FtpCommand::with(QStringLiteral("MKD"), sitePath);
    askForSend();
}

void FtpSession::deleteSiteItems(const QStringList& sitePaths, const QStringList& kindTexts) {
    reset(true);
    op_.deleting = true;
    for (qsizetype i = 0; i < sitePaths.size(); ++i) {
        if (kindTexts.value(i) == QLatin1String("d"))
            op_.deleteFolders << sitePaths.at(i);
        else
            op_.deleteFiles << sitePaths.at(i);
    }
    postContinue();
    showPhase(Phase::DeletingFolder);
}

void FtpSession::renameSiteItem(const QString& oldPath, const QString& newPath) {
    reset(true);
    commandQueue_ << FtpCommand::with(QStringLiteral("RNFR"), oldPath)
                  << FtpCommand::with(QStringLiteral("RNTO"), newPath);
    askForSend();
}
