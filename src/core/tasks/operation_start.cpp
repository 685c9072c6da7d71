// Starting an operation: fill the operation record, describe the task,
// create its task file, show the phase and let the driver take over.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_connection.h"
#include "core/engine/ftp_host.h"
#include "core/engine/result_texts.h"

namespace {

// Items in the order given. Without kinds a size of 0 marks a folder; with
// them an empty file can be chosen too.
void appendChosenItems(OperationRecord& op, const QStringList& paths, const QList<quint32>& sizes,
                       const QList<qint32>& kinds) {
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const quint32 size = sizes.value(i);
        const bool folder = i < kinds.size() ? kinds.at(i) == OperationRecord::Folder : size == 0;
        op.itemPaths << paths.at(i);
        op.itemSizes << (folder ? 0 : size);
        op.itemKinds << (folder ? OperationRecord::Folder : OperationRecord::ChosenFile);
        if (folder)
            op.hasFolders = true;
    }
}

} // namespace

// A new transfer record; only the edit mode, set by the caller beforehand,
// survives the reset.
void FtpConnection::resetTransferRecord(bool download, const QString& target,
                                        const QString& sourceFolder) {
    const bool editMode = op.editMode;
    reset(true);
    op.editMode = editMode;
    op.hasFolders = false;
    op.isDownload = download;
    op.targetFolder = target;
    op.sourceFolder = sourceFolder;
    expandedLocalFolders_.clear();
}

void FtpConnection::beginTransferOperation(const QString& description, unsigned phase) {
    op.taskDescription = description;
    createTaskFile();
    showPhase(phase);
    postContinue();
}

void FtpConnection::startDownload(const QString& localFolder, const QString& siteFolder,
                                  const QStringList& sitePaths, const QList<quint32>& sizes,
                                  const QList<qint32>& kinds) {
    resetTransferRecord(true, localFolder, siteFolder);
    appendChosenItems(op, sitePaths, sizes, kinds);
    if (op.editMode) {
        // A file fetched for editing is not a task to resume.
        op.taskDescription.clear();
        showPhase(Phase::DownloadingFile);
        postContinue();
        return;
    }
    beginTransferOperation(QString::fromUtf8("从站点：") + source.hostName() +
                               QString::fromUtf8(" 下载 ") + sitePaths.value(0) +
                               QString::fromUtf8(" 等文件或目录"),
                           Phase::DownloadingFile);
}

void FtpConnection::startFolderDownload(const QString& localFolder, const QString& siteFolder) {
    resetTransferRecord(true, localFolder, siteFolder);
    op.itemPaths << siteFolder;
    op.itemSizes << 0;
    op.itemKinds << OperationRecord::Folder;
    beginTransferOperation(QString::fromUtf8("从站点：") + source.hostName() +
                               QString::fromUtf8(" 下载目录 ") + siteFolder,
                           Phase::DownloadingFolder);
}

void FtpConnection::startUpload(const QString& siteFolder, const QString& localFolder,
                                const QStringList& localPaths, const QList<quint32>& sizes,
                                const QList<qint32>& kinds) {
    resetTransferRecord(false, siteFolder, localFolder);
    appendChosenItems(op, localPaths, sizes, kinds);
    QString description;
    if (op.editMode) {
        const QString first = localPaths.value(0);
        const qsizetype sep = first.lastIndexOf(QLatin1Char('/'));
        const QString name = sep > 0 ? first.mid(sep + 1) : first;
        description = QString::fromUtf8("上传编辑过的 ") + name +
                      QString::fromUtf8(" 文件到站点：") + source.hostName();
    } else {
        description = QString::fromUtf8("上传 ") + localPaths.value(0) +
                      QString::fromUtf8(" 等文件或目录到站点：") + source.hostName();
    }
    beginTransferOperation(description, Phase::UploadingFile);
}

void FtpConnection::startFolderUpload(const QString& siteFolder, const QString& localFolder) {
    resetTransferRecord(false, siteFolder, localFolder);
    op.itemPaths << localFolder;
    op.itemSizes << 0;
    op.itemKinds << OperationRecord::Folder;
    beginTransferOperation(QString::fromUtf8("上传目录 ") + localFolder +
                               QString::fromUtf8(" 到站点：") + source.hostName(),
                           Phase::UploadingFolder);
}

void FtpConnection::makeSiteFolder(const QString& sitePath) {
    reset(true);
    showPhase(Phase::MakingFolder);
    commandQueue_ << FtpCommand::with(QStringLiteral("MKD"), sitePath);
    askForSend();
}

void FtpConnection::deleteSiteItems(const QStringList& sitePaths, const QStringList& kindTexts) {
    reset(true);
    op.deleting = true;
    for (qsizetype i = 0; i < sitePaths.size(); ++i) {
        if (kindTexts.value(i) == QLatin1String("d"))
            op.deleteFolders << sitePaths.at(i);
        else
            op.deleteFiles << sitePaths.at(i);
    }
    postContinue();
    showPhase(Phase::DeletingFolder);
}

void FtpConnection::renameSiteItem(const QString& oldPath, const QString& newPath) {
    reset(true);
    commandQueue_ << FtpCommand::with(QStringLiteral("RNFR"), oldPath)
                  << FtpCommand::with(QStringLiteral("RNTO"), newPath);
    askForSend();
}
