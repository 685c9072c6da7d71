#pragma once

#include <QByteArray>
#include <QString>

// A file written whole or not at all: the bytes go to a temporary file
// beside it, which replaces the file only once everything is on disk. A
// crash or a full disk in between leaves the old file as it was.
namespace SavedFile {

enum class Access {
    Default,   // as the user's umask allows
    OwnerOnly, // read and write for the user alone (it holds passwords)
};

bool write(const QString& path, const QByteArray& bytes, Access access);

} // namespace SavedFile
