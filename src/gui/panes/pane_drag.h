#pragma once

#include <QPersistentModelIndex>
#include <QPoint>

#include <initializer_list>

class PaneState;
class Prompts;
struct DragState;
class QAbstractItemView;
class QMouseEvent;
class QTreeWidget;
class QTreeWidgetItem;

// A browsing pane that files can be dragged from and dropped on.
class DragPane {
public:
    virtual ~DragPane() = default;
    virtual int paneCode() const = 0;
    virtual QAbstractItemView* dragView() = 0;
    // Drags from this pane get no feedback here.
    virtual int refusedSource() const = 0;
    // Whether a drag may begin on this item; a tree records the item itself
    // as the one dragged.
    virtual bool dragStartsOn(const QTreeWidgetItem*) const { return true; }
    virtual bool dragsTreeItem() const { return false; }
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
// The drag's part of a pane's mouse moves and releases: starts a drag when
// the button has moved far enough from a press on an item, routes the moves
// and the release of one under way. True when the event was the drag's and
// the pane must not handle it as well.
bool handleMove(PaneState& app, DragPane* pane, Press& press, QMouseEvent* event);
bool handleRelease(PaneState& app, DragPane* pane, Press& press, QMouseEvent* event);
// A mouse move during a drag, received by `receiver`.
void moved(PaneState& app, DragPane* receiver, QMouseEvent* event);
// The button released during a drag: ends it and drops on the pane under
// the cursor, if any.
void released(PaneState& app, DragPane* receiver, QMouseEvent* event);
// Ends the drag without a drop.
void end(PaneState& app);
// A folder dropped onto itself or onto a folder below it.
bool dropsIntoItself(const QTreeWidgetItem* dragged, const QTreeWidgetItem* onto);
// A tree's own folder dropped back onto the tree: nothing moves within one
// side, and a drop into itself is refused with a message.
void refuseOwnDrop(Prompts& prompts, const QTreeWidgetItem* dragged, const QTreeWidgetItem* onto);

} // namespace PaneDrag

// A tree's drop target: the item under the cursor during a drag it accepts,
// drawn highlighted, kept over empty space.
class DropTarget {
public:
    explicit DropTarget(QTreeWidget* tree) : tree_(tree) {}
    void set(QTreeWidgetItem* item);
    void clear() { set(nullptr); }
    QTreeWidgetItem* item() const;
    // The cursor at `point` during a drag from `source`: the item under it
    // becomes the target when the tree takes drops from that pane, one of
    // `takesFrom`; over empty space the last target stays.
    void follow(const QPoint& point, int source, std::initializer_list<int> takesFrom);
    // Where a drop at `point` lands: the item under it, else the last target.
    QTreeWidgetItem* landing(const QPoint& point) const;

private:
    QTreeWidget* tree_;
    QPersistentModelIndex index_;
};
