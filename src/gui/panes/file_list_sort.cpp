#include "gui/panes/file_list_sort.h"

#include "core/platform/gbk_text.h"
#include "gui/panes/file_row.h"

#include <QTreeWidget>

#include <algorithm>

namespace {

// The key of one row, worked out once per row rather than once per
// comparison. Unknown sizes and times go first, as the smallest.
struct Row {
    bool folder;
    qint64 number;
    QByteArray text;
    QTreeWidgetItem* item;
};

Row rowOf(QTreeWidgetItem* item, int column) {
    const bool folder = FileRow::isFolder(item);
    switch (column) {
    case FileRow::SizeColumn:
        return {folder, qint64(FileRow::bytesOf(item).value_or(0)), {}, item};
    case FileRow::TimeColumn: {
        const QVariant minutes = item->data(FileRow::NameColumn, FileRow::MinutesRole);
        return {folder, minutes.isValid() ? minutes.toLongLong() : -1, {}, item};
    }
    default:
        return {folder, 0, Gbk::noCaseKey(item->text(column)), item};
    }
}

} // namespace

void FileListSort::sortRows(QTreeWidget* list, int column, Qt::SortOrder order) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    QTreeWidgetItem* current = list->currentItem();
    // All rows leave and come back in one step each: row by row, a list of
    // thousands takes seconds.
    const QList<QTreeWidgetItem*> taken = list->invisibleRootItem()->takeChildren();
    QList<Row> rows;
    rows.reserve(taken.size());
    for (QTreeWidgetItem* item : taken)
        rows.append(rowOf(item, column));
    const bool byNumber = column == FileRow::SizeColumn || column == FileRow::TimeColumn;
    const bool descending = order == Qt::DescendingOrder;
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& x, const Row& y) {
        if (x.folder != y.folder)
            return x.folder;
        const bool less = byNumber ? x.number < y.number : x.text < y.text;
        const bool greater = byNumber ? y.number < x.number : y.text < x.text;
        return descending ? greater : less;
    });
    QList<QTreeWidgetItem*> ordered;
    ordered.reserve(rows.size());
    for (const Row& row : rows)
        ordered.append(row.item);
    list->addTopLevelItems(ordered);
    // Taking rows out of the list loses their selection; give it back.
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
    if (current)
        list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
}
