#pragma once

#include "gui/panes/command_ids.h"
#include "gui/panes/listing_cache.h"

#include <QList>
#include <QStringList>

class CFtpView1;
class CFtpView2;
class CFtpView3;
class CFtpView4;
class CFtpView6;
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
class CWharfkitApp {
public:
    CFtpView1* localTree = nullptr;
    CFtpView3* siteTree = nullptr;
    CFtpView2* localList = nullptr;
    CFtpView4* remoteList = nullptr;
    CFtpView6* messagePane = nullptr;
    DragState dragState;
    int activePane = Pane::None;
    // The copy buffer: which side was copied is kept explicitly.
    QString copiedFolder;
    QStringList copiedItems;
    QList<quint32> copiedSizes;
    bool copiedFromSite = false;
    ListingCache listingCache;
};
