#pragma once

#include <QDate>
#include <QString>

class QTreeWidget;

// The order of both file lists. Folders stay ahead of files in every
// column: a folder's key carries a marker no name can hold, by size a
// folder counts as 0, and by time folders come first, each part in time
// order. Always ascending: sorting by the same column twice
// gives the same order.
namespace FileListSort {

inline constexpr char FolderMarker[] = "/dirdirdir/";
constexpr int SizeColumn = 1;
constexpr int TypeColumn = 2;
constexpr int TimeColumn = 3;

// The key of a row for `column`, from the row's text in that column and its
// type text.
QString sortKey(int column, const QString& columnText, const QString& typeText,
                const QString& folderTypeName);
// Negative when `a` goes first. Sizes compare by their leading digits.
int compareKeys(int column, const QString& a, const QString& b);

// Sorts the top-level rows of a four-column file list; the time column by
// the time its text names (`today` places dates without a year).
void sortRows(QTreeWidget* list, int column, const QString& folderTypeName, const QDate& today);

} // namespace FileListSort
