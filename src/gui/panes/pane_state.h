#pragma once

#include "gui/panes/command_ids.h"
#include "gui/panes/listing_cache.h"

#include <QList>
#include <QStringList>

class LocalFolderTree;
class LocalFileList;
class SiteTree;
class RemoteFileList;
class MessagePane;
class QWidget;

// The one drag between panes that can be under way.
struct DragState {
    bool dragging = false;
    int sourcePane = Pane::None;
    int paneUnder = Pane::None;
    QWidget* window = nullptr;
};

// What the panes share: references to one another, the pane that last had
// the focus, the drag, the copy buffer and the listing cache. The panes fill
// in their own references when they are made.
class PaneState {
public:
    LocalFolderTree* localTree = nullptr;
    SiteTree* siteTree = nullptr;
    LocalFileList* localList = nullptr;
    RemoteFileList* remoteList = nullptr;
    MessagePane* messagePane = nullptr;
    DragState dragState;
    int activePane = Pane::None;
    // The copy buffer: which side was copied is kept explicitly.
    QString copiedFolder;
    QStringList copiedItems;
    QList<quint32> copiedSizes;
    bool copiedFromSite = false;
    ListingCache listingCache;
};
