#pragma once

#include <QPersistentModelIndex>
#include <QPoint>

class PaneState;
struct DragState;
class QAbstractItemView;
class QMouseEvent;
class QTreeWidgetItem;

// A browsing pane that files can be dragged from and dropped on.
class DragPane {
public:
    virtual ~DragPane() = default;
    virtual int paneCode() const = 0;
    virtual QAbstractItemView* dragView() = 0;
    // Drags from this pane get no feedback here.
    virtual int refusedSource() const = 0;
    // The cursor moved over this pane during a drag it does not refuse
    // (viewport coordinates).
    virtual void dragMovedOver(const QPoint&) {}
    // The button was released over this pane; the drag has ended already
    // and `drag` is what it was.
    virtual void dropAt(const QPoint& point, const DragState& drag) = 0;
    // The drag ended: a tree forgets its highlighted drop target.
    virtual void clearDropTarget() {}
};

// Dragging between the panes. The pane where the drag began keeps the mouse
// (Qt grabs it for the widget under the press), so every move and the
// release are routed by their screen position to the pane under the
// cursor; events that reach a pane directly are handled the same way.
namespace PaneDrag {

// What each pane remembers of a press, to tell a drag from a click.
struct Press {
    QPoint point;
    QTreeWidgetItem* item = nullptr;
};

void recordPress(Press& press, QAbstractItemView* view, QMouseEvent* event);
// True when the button is down and has moved far enough from the press on
// an item: the caller may start a drag on `press.item`.
bool wantsStart(const Press& press, QMouseEvent* event);
// Starts a drag from `source` with a picture of `item` under the cursor;
// a tree passes the index of its dragged item as `treeItem`.
void begin(PaneState& app, DragPane* source, QTreeWidgetItem* item, const QPoint& viewportPoint,
           const QPersistentModelIndex& treeItem = {});
// A mouse move during a drag, received by `receiver`.
void moved(PaneState& app, DragPane* receiver, QMouseEvent* event);
// The button released during a drag: ends it and drops on the pane under
// the cursor, if any.
void released(PaneState& app, DragPane* receiver, QMouseEvent* event);
// Ends the drag without a drop.
void end(PaneState& app);

} // namespace PaneDrag
