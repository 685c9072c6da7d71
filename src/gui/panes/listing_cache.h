#pragma once

#include <QHash>
#include <QStringList>

class QTreeWidgetItem;

// The last listing of one remote folder, as four parallel text columns in
// listing order: name, size text, type text, time text.
struct CachedListing {
    QStringList names;
    QStringList sizes;
    QStringList types;
    QStringList dates;

    void append(const QString& name, const QString& size, const QString& type,
                const QString& date) {
        names << name;
        sizes << size;
        types << type;
        dates << date;
    }
    void removeAt(qsizetype row) {
        names.removeAt(row);
        sizes.removeAt(row);
        types.removeAt(row);
        dates.removeAt(row);
    }
    qsizetype size() const { return names.size(); }
};

// One cached listing per listed folder item of the site tree. Emptied when
// a connection starts or ends.
class ListingCache {
public:
    bool contains(const QTreeWidgetItem* item) const { return entries_.contains(item); }
    CachedListing* find(const QTreeWidgetItem* item) {
        auto it = entries_.find(item);
        return it == entries_.end() ? nullptr : &it.value();
    }
    void insert(const QTreeWidgetItem* item, CachedListing listing) {
        entries_.insert(item, std::move(listing));
    }
    // Drops the listings of `item` and of every item below it.
    void dropBelow(const QTreeWidgetItem* item);
    void clear() { entries_.clear(); }
    qsizetype size() const { return entries_.size(); }

private:
    QHash<const QTreeWidgetItem*, CachedListing> entries_;
};
