#pragma once

#include "core/engine/listing_time.h"

#include <QString>
#include <QTreeWidgetItem>

#include <optional>

class QIcon;

// A row of either file list and the data it carries beside its texts:
// whether it is a folder, its size in bytes, its time. Commands and the
// sort read the data, never the texts shown.
namespace FileRow {

enum Column { NameColumn = 0, SizeColumn = 1, TypeColumn = 2, TimeColumn = 3 };

// On the name column.
constexpr int FolderRole = Qt::UserRole + 10;  // bool
constexpr int BytesRole = Qt::UserRole + 11;   // qint64; none when unknown
constexpr int MinutesRole = Qt::UserRole + 12; // qint64 minutes since 1970; none when unknown
// The size and time as a listing gave them, for comparing with a later
// listing of the same file.
constexpr int ListedSizeRole = Qt::UserRole + 13;
constexpr int ListedTimeRole = Qt::UserRole + 14;
// The name the row has, kept while its label is edited.
constexpr int NameRole = Qt::UserRole + 15;

QTreeWidgetItem* make(const QString& name, const QString& type, const QIcon& icon, bool folder);

// The size shown with its unit ("1.5 MB"), the exact count in the tooltip;
// a size the listing gave in no form of a number is shown as it came.
void setBytes(QTreeWidgetItem* row, quint64 bytes);
void setListedSize(QTreeWidgetItem* row, const QString& listed);
// The time shown in the one form of both lists; a listed time in no form
// known is shown as it came.
void setTime(QTreeWidgetItem* row, const ListingTime::Stamp& stamp);
void setListedTime(QTreeWidgetItem* row, const QString& listed, const QDate& today);

bool isFolder(const QTreeWidgetItem* row);
QString nameOf(const QTreeWidgetItem* row);
void setName(QTreeWidgetItem* row, const QString& name);
std::optional<quint64> bytesOf(const QTreeWidgetItem* row);
QString listedSize(const QTreeWidgetItem* row);
QString listedTime(const QTreeWidgetItem* row);

} // namespace FileRow
