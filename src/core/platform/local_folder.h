#pragma once

#include <QDir>
#include <QFileInfoList>
#include <QString>

#include <optional>

// The entries of a local folder ("." and ".." left out, hidden ones in), or
// nullopt when the folder cannot be opened. An empty folder and one that
// cannot be read are different things: only the first is empty. The folder
// is opened for real, since a permission check asks the wrong question of
// a program run with more rights than the folder's owner gave.
std::optional<QFileInfoList> readLocalFolder(const QString& folder,
                                             QDir::SortFlags sort = QDir::NoSort);
