#include "panes/file_list_sort.h"

#include "platform/gbk_text.h"

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

void FileListSort::sortRows(QTreeWidget* list, int column, const QString& folderTypeName) {
    struct Row {
        QString key;
        QTreeWidgetItem* item;
    };
    QList<Row> rows;
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    QTreeWidgetItem* current = list->currentItem();
    while (list->topLevelItemCount() > 0) {
        QTreeWidgetItem* item = list->takeTopLevelItem(0);
        rows.append(
            {sortKey(column, item->text(column), item->text(TypeColumn), folderTypeName), item});
    }
    std::stable_sort(rows.begin(), rows.end(), [column](const Row& x, const Row& y) {
        return compareKeys(column, x.key, y.key) < 0;
    });
    for (const Row& row : rows)
        list->addTopLevelItem(row.item);
    // Taking rows out of the list loses their selection; give it back.
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
    if (current)
        list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
}
