#include "panes/file_types.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {

QMimeType mimeFor(const QString& fileName) {
    static const QMimeDatabase db;
    return db.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
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
    return mimeFor(fileName).comment();
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

// Icons go by type, so one lookup serves every file of that type.
QIcon FileTypes::iconFor(const QString& fileName) {
    static QHash<QString, QIcon> byType;
    const QMimeType type = mimeFor(fileName);
    auto it = byType.find(type.name());
    if (it != byType.end())
        return it.value();
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileIconProvider::File);
    byType.insert(type.name(), icon);
    return icon;
}
