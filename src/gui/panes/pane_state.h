#pragma once

#include "core/platform/folder_reader.h"
#include "core/settings/list_filters.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/listing_cache.h"

#include <QLabel>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStringList>

class LocalFolderTree;
class LocalFileList;
class SiteTree;
class RemoteFileList;
class MessagePane;
class DragPane;
class QWidget;

// The one drag between panes that can be under way.
struct DragState {
    bool dragging = false;
    int sourcePane = Pane::None;
    int paneUnder = Pane::None;
    QWidget* window = nullptr;
    QPointer<QLabel> image; // shown in the pane under the cursor
    // For drags from a tree: the dragged item.
    QPersistentModelIndex draggedItem;
};

// What the panes share: references to one another, the pane that last had
// the focus, the drag, the copy buffer, the listing cache and the
// name patterns of the file lists. The panes fill
// in their own references when they are made.
class PaneState {
public:
    LocalFolderTree* localTree = nullptr;
    SiteTree* siteTree = nullptr;
    LocalFileList* localList = nullptr;
    RemoteFileList* remoteList = nullptr;
    MessagePane* messagePane = nullptr;
    DragState dragState;
    QList<DragPane*> dragPanes; // the four browsing panes, for routing a drag
    int activePane = Pane::None;
    // The copy buffer: which side was copied is kept explicitly.
    QString copiedFolder;
    QStringList copiedItems;
    QList<quint64> copiedSizes;
    QList<qint32> copiedKinds; // file or folder, so that empty files are files
    bool copiedFromSite = false;
    ListingCache listingCache;
    ListFilters filters;
    FolderReader folderReader; // local folders, read without holding the window
};
