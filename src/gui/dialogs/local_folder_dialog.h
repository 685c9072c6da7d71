#pragma once

#include <QDialog>

class QFileSystemModel;
class QTreeView;

// "本地系统文件目录": picks the local folder a directory update compares
// with. The tree starts at "/" and opens at `startFolder`.
class LocalFolderDialog : public QDialog {
    Q_OBJECT
public:
    explicit LocalFolderDialog(const QString& startFolder, QWidget* parent = nullptr);
    // The chosen folder with a trailing "/"; empty when none is selected.
    QString folder() const;

private:
    QFileSystemModel* model_;
    QTreeView* tree_;
};
