#include "gui/panes/listing_cache.h"

#include <QTreeWidgetItem>

void ListingCache::dropBelow(const QTreeWidgetItem* item) {
    QList<const QTreeWidgetItem*> pending{item};
    while (!pending.isEmpty()) {
        const QTreeWidgetItem* next = pending.takeFirst();
        entries_.remove(next);
        for (int i = 0; i < next->childCount(); ++i)
            pending << next->child(i);
    }
}
