#include "gui/panes/file_types.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {

struct FileType {
    QString name;
    QIcon icon;
};

QIcon iconOf(const QMimeType& type) {
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileIconProvider::File);
    return icon;
}

// Types go by the last extension, as the shell's own lookup by name does;
// a name without one is looked up whole. One lookup serves every name with
// that extension, which keeps a listing of thousands of files quick.
const FileType& fileTypeOf(const QString& fileName) {
    static const QMimeDatabase db;
    static QHash<QString, FileType> byKey;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString key = dot < 0 ? fileName : QStringLiteral("a.") + fileName.mid(dot + 1).toLower();
    auto it = byKey.find(key);
    if (it == byKey.end()) {
        const QMimeType type = db.mimeTypeForFile(key, QMimeDatabase::MatchExtension);
        it = byKey.insert(key, FileType{type.comment(), iconOf(type)});
    }
    return it.value();
}

} // namespace

QString FileTypes::folderTypeName() {
    static const QString name = [] {
        static const QMimeDatabase db;
        const QString comment = db.mimeTypeForName(QStringLiteral("inode/directory")).comment();
        return comment.isEmpty() ? QString::fromUtf8("文件夹") : comment;
    }();
    return name;
}

QString FileTypes::typeNameFor(const QString& fileName) {
    return fileTypeOf(fileName).name;
}

QIcon FileTypes::folderIcon() {
    static const QIcon icon = QFileIconProvider().icon(QFileIconProvider::Folder);
    return icon;
}

QIcon FileTypes::openFolderIcon() {
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("folder-open"),
                                               qApp->style()->standardIcon(QStyle::SP_DirOpenIcon));
    return icon;
}

QIcon FileTypes::iconFor(const QString& fileName) {
    return fileTypeOf(fileName).icon;
}
