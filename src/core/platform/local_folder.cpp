#include "core/platform/local_folder.h"

#include <dirent.h>

std::optional<QFileInfoList> readLocalFolder(const QString& folder, QDir::SortFlags sort) {
    DIR* handle = ::opendir(QFile::encodeName(folder).constData());
    if (!handle)
        return std::nullopt;
    ::closedir(handle);
    return QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, sort);
}
