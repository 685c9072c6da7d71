#include "gui/panes/file_row.h"

#include "core/engine/progress_texts.h"

#include <QIcon>
#include <QLocale>

namespace FileRow {

QTreeWidgetItem* make(const QString& name, const QString& type, const QIcon& icon, bool folder) {
    auto* row = new QTreeWidgetItem(QStringList{name, QString(), type, QString()});
    row->setIcon(NameColumn, icon);
    row->setData(NameColumn, FolderRole, folder);
    row->setData(NameColumn, NameRole, name);
    row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

void setBytes(QTreeWidgetItem* row, quint64 bytes) {
    row->setData(NameColumn, BytesRole, qint64(qMin<quint64>(bytes, quint64(INT64_MAX))));
    row->setText(SizeColumn, ProgressTexts::sizeText(bytes));
    row->setToolTip(SizeColumn, QLocale(QLocale::English).toString(bytes) + QStringLiteral(" B"));
}

void setListedSize(QTreeWidgetItem* row, const QString& listed) {
    row->setData(NameColumn, ListedSizeRole, listed);
    bool number = false;
    const quint64 bytes = listed.toULongLong(&number);
    if (number)
        setBytes(row, bytes);
    else
        row->setText(SizeColumn, listed);
}

void setTime(QTreeWidgetItem* row, const ListingTime::Stamp& stamp) {
    if (!stamp.valid())
        return;
    row->setData(NameColumn, MinutesRole, stamp.minutes);
    row->setText(TimeColumn, ListingTime::displayText(stamp));
}

void setListedTime(QTreeWidgetItem* row, const QString& listed, const QDate& today) {
    row->setData(NameColumn, ListedTimeRole, listed);
    const ListingTime::Stamp stamp = ListingTime::read(listed, today);
    if (stamp.valid())
        setTime(row, stamp);
    else
        row->setText(TimeColumn, listed);
}

bool isFolder(const QTreeWidgetItem* row) {
    return row && row->data(NameColumn, FolderRole).toBool();
}

QString nameOf(const QTreeWidgetItem* row) {
    return row->data(NameColumn, NameRole).toString();
}

void setName(QTreeWidgetItem* row, const QString& name) {
    row->setData(NameColumn, NameRole, name);
    row->setText(NameColumn, name);
}

std::optional<quint64> bytesOf(const QTreeWidgetItem* row) {
    const QVariant bytes = row ? row->data(NameColumn, BytesRole) : QVariant();
    if (!bytes.isValid())
        return std::nullopt;
    return quint64(bytes.toLongLong());
}

QString listedSize(const QTreeWidgetItem* row) {
    return row->data(NameColumn, ListedSizeRole).toString();
}

QString listedTime(const QTreeWidgetItem* row) {
    return row->data(NameColumn, ListedTimeRole).toString();
}

} // namespace FileRow
