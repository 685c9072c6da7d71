#pragma once

#include <Qt>

class QTreeWidget;

// The order of both file lists, from the data each row carries (FileRow):
// by name (case not counting, code page 936 order for Chinese), size in
// bytes, type, or time. Folders stay ahead of files in either direction;
// rows equal in the column keep their order.
namespace FileListSort {

void sortRows(QTreeWidget* list, int column, Qt::SortOrder order);

} // namespace FileListSort
