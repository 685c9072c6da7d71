#pragma once

#include <QFile>
#include <QList>
#include <QStringList>

#include <memory>
#include <optional>

// A site file as a listing shows it, to tell later whether it changed.
struct RemoteStamp {
    bool exists = false;
    QString sizeText;
    QString dateText;
    bool operator==(const RemoteStamp&) const = default;
};

// The pending items of the running operation, kept by the connection.
// itemPaths, itemSizes and itemKinds always have the same length; index 0 is
// the item in progress.
struct OperationRecord {
    enum Kind { ChosenFile = 0, FileInFolder = 1, Folder = 2 };

    QStringList itemPaths;
    QList<quint64> itemSizes;
    QList<qint32> itemKinds;
    QString targetFolder;
    QString sourceFolder;
    bool isDownload = false;
    bool hasFolders = false;
    bool editMode = false;
    // The upload of an edited file: what the site had when editing began;
    // checked before the file is overwritten.
    std::optional<RemoteStamp> editExpected;
    QString taskDescription;
    std::unique_ptr<QFile> taskFile;

    // Recursive delete.
    QStringList deleteFiles;
    QStringList deleteFolders;
    qint32 nextDeleteFolder = 0;
    bool deleting = false;

    // Directory update.
    QStringList updatePaths;
    QList<qint32> updateKinds;
    QStringList updateFolders;

    // What the running operation has passed so far, for its progress: files
    // (done or left out) with their bytes, and steps of an update.
    int filesPassed = 0;
    quint64 bytesPassed = 0;
    int updateStepsPassed = 0;

    bool hasItems() const { return !itemPaths.isEmpty(); }
    // The local path of the head item of a download; `hostName` names a
    // whole site root.
    QString localPathOf(const QString& hostName) const;
    // The site path of an upload item.
    QString uploadSitePath(const QString& localPath, int kind) const;
    void dropHead() {
        if (itemKinds.first() != Folder) {
            ++filesPassed;
            bytesPassed += itemSizes.first();
        }
        itemPaths.removeFirst();
        itemSizes.removeFirst();
        itemKinds.removeFirst();
    }
    // An update step left the plan.
    void dropUpdateStep() {
        updatePaths.removeLast();
        updateKinds.removeLast();
        ++updateStepsPassed;
    }
    void clearProgress() {
        filesPassed = 0;
        bytesPassed = 0;
        updateStepsPassed = 0;
    }
    // Everything reset(full) empties; isDownload and hasFolders stay.
    void clearWork() {
        itemPaths.clear();
        itemSizes.clear();
        itemKinds.clear();
        deleteFiles.clear();
        deleteFolders.clear();
        nextDeleteFolder = 0;
        deleting = false;
        updatePaths.clear();
        updateKinds.clear();
        updateFolders.clear();
        editMode = false;
        editExpected.reset();
        if (taskFile) {
            taskFile->close();
            taskFile.reset();
        }
    }
};
