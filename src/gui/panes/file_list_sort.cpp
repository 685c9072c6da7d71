#include "gui/panes/file_list_sort.h"

#include "core/engine/listing_time.h"
#include "core/platform/gbk_text.h"

#include <QTreeWidget>

#include <algorithm>

namespace {

// The signed integer at the start of the text, up to its first non-digit.
qint64 leadingNumber(const QString& text) {
    qint64 value = 0;
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i)
        value = value * 10 + (text.at(i).unicode() - '0');
    return negative ? -value : value;
}

} // namespace

QString FileListSort::sortKey(int column, const QString& columnText, const QString& typeText,
                              const QString& folderTypeName) {
    if (!typeText.contains(folderTypeName))
        return columnText;
    if (column == SizeColumn)
        return QStringLiteral("0");
    return QLatin1String(FolderMarker) + columnText;
}

int FileListSort::compareKeys(int column, const QString& a, const QString& b) {
    if (column == SizeColumn) {
        const qint64 diff = leadingNumber(a) - leadingNumber(b);
        return diff < 0 ? -1 : diff > 0 ? 1 : 0;
    }
    const QLatin1String marker(FolderMarker);
    const bool aFolder = a.contains(marker);
    const bool bFolder = b.contains(marker);
    if (aFolder != bFolder)
        return aFolder ? -1 : 1;
    return Gbk::compareNoCase(a, b);
}

void FileListSort::sortRows(QTreeWidget* list, int column, const QString& folderTypeName,
                            const QDate& today) {
    // The keys of compareKeys, worked out once per row rather than once per
    // comparison.
    struct Row {
        bool folder;
        qint64 number;
        QByteArray bytes;
        QTreeWidgetItem* item;
    };
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    QTreeWidgetItem* current = list->currentItem();
    // All rows leave and come back in one step each: row by row, a list of
    // thousands takes seconds.
    const QList<QTreeWidgetItem*> taken = list->invisibleRootItem()->takeChildren();
    QList<Row> rows;
    rows.reserve(taken.size());
    for (QTreeWidgetItem* item : taken) {
        const QString key =
            sortKey(column, item->text(column), item->text(TypeColumn), folderTypeName);
        if (column == SizeColumn)
            rows.append({false, leadingNumber(key), {}, item});
        else if (column == TimeColumn)
            rows.append({key.contains(QLatin1String(FolderMarker)),
                         ListingTime::sortKey(item->text(column), today),
                         {},
                         item});
        else
            rows.append({key.contains(QLatin1String(FolderMarker)), 0, Gbk::noCaseKey(key), item});
    }
    std::stable_sort(rows.begin(), rows.end(), [column](const Row& x, const Row& y) {
        if (column == SizeColumn)
            return x.number < y.number;
        if (x.folder != y.folder)
            return x.folder;
        if (column == TimeColumn)
            return x.number < y.number;
        return x.bytes < y.bytes;
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
