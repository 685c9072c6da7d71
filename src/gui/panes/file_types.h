#pragma once

#include <QIcon>
#include <QString>

// Type names and icons of files and folders, by name only: nothing on disk
// is touched, so remote names can be described as well as local ones.
namespace FileTypes {

// The type text of a folder ("文件夹"); a row whose type column holds it is
// a folder row.
QString folderTypeName();
// The type text of a plain file with this name, by its extension.
QString typeNameFor(const QString& fileName);

QIcon folderIcon();
QIcon openFolderIcon();
QIcon iconFor(const QString& fileName);

} // namespace FileTypes
