#include "gui/dialogs/local_folder_dialog.h"

#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

LocalFolderDialog::LocalFolderDialog(const QString& startFolder, QWidget* parent)
    : QDialog(parent), model_(new QFileSystemModel(this)), tree_(new QTreeView(this)) {
    setObjectName(QStringLiteral("localFolderDialog"));
    setWindowTitle(QString::fromUtf8("本地系统文件目录"));
    model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    model_->setRootPath(QStringLiteral("/"));
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    // The model reads folders in the background: the start folder is
    // selected once the folders on the way to it have been read.
    const QString start = QDir::cleanPath(startFolder);
    const auto showStart = [this, start] {
        const QModelIndex index = model_->index(start);
        if (!index.isValid())
            return;
        tree_->setCurrentIndex(index);
        tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
    };
    connect(model_, &QFileSystemModel::directoryLoaded, this,
            [start, showStart](const QString& loaded) {
                if (start == loaded || start.startsWith(loaded + QLatin1Char('/')) ||
                    loaded == QLatin1String("/"))
                    showStart();
            });
    showStart();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("请选择更新比较的本地文件目录：")));
    layout->addWidget(tree_, 1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QString::fromUtf8("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromUtf8("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(360, 420);
}

QString LocalFolderDialog::folder() const {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid())
        return {};
    const QString path = model_->filePath(index);
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}
