#include "core/platform/saved_file.h"

#include <QSaveFile>

#include <sys/stat.h>

namespace SavedFile {

bool write(const QString& path, const QByteArray& bytes, Access access) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Set on the temporary file before a byte is written, so the content is
    // never readable by others, and kept by the rename.
    if (access == Access::OwnerOnly && ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
        file.cancelWriting();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace SavedFile
