#include "gui/panes/pane_drag.h"

#include "core/platform/prompts.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/pane_texts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QTreeWidgetItem>

#include <algorithm>

namespace {

// The picture that follows the cursor: the item's icon and name.
QPixmap pictureOf(QAbstractItemView* view, QTreeWidgetItem* item) {
    const QString text = item->text(0);
    const QFontMetrics metrics(view->font());
    const int width = 20 + metrics.horizontalAdvance(text) + 4;
    const int height = qMax(18, metrics.height() + 2);
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setOpacity(0.75);
    item->icon(0).paint(&p, QRect(1, (height - 16) / 2, 16, 16));
    p.setPen(view->palette().color(QPalette::Text));
    p.drawText(QRect(20, 0, width - 20, height), Qt::AlignVCenter, text);
    return pixmap;
}

// The pane whose view contains the screen point, or null.
DragPane* paneAt(PaneState& app, DragPane* receiver, const QPoint& global) {
    QAbstractItemView* own = receiver->dragView();
    if (own->viewport()->rect().contains(own->viewport()->mapFromGlobal(global)))
        return receiver;
    for (QWidget* w = QApplication::widgetAt(global); w; w = w->parentWidget())
        for (DragPane* pane : app.dragPanes)
            if (pane->dragView() == w)
                return pane;
    return nullptr;
}

QPoint viewportPoint(DragPane* pane, const QPoint& global) {
    return pane->dragView()->viewport()->mapFromGlobal(global);
}

} // namespace

void PaneDrag::recordPress(Press& press, QAbstractItemView* view, QMouseEvent* event) {
    press.point = event->pos();
    press.item = nullptr;
    if (event->button() == Qt::LeftButton)
        if (auto* tree = qobject_cast<QTreeWidget*>(view))
            press.item = tree->itemAt(event->pos());
}

namespace {

bool wantsStart(const PaneDrag::Press& press, QMouseEvent* event) {
    return press.item && (event->buttons() & Qt::LeftButton) &&
           (event->pos() - press.point).manhattanLength() >= QApplication::startDragDistance();
}

void begin(PaneState& app, DragPane* source, QTreeWidgetItem* item, const QPoint& viewportPoint) {
    PaneDrag::end(app);
    DragState& drag = app.dragState;
    drag.dragging = true;
    drag.sourcePane = source->paneCode();
    drag.paneUnder = source->paneCode();
    drag.window = source->dragView();
    if (source->dragsTreeItem())
        drag.draggedItem = QPersistentModelIndex(item->treeWidget()->indexFromItem(item));
    auto* image = new QLabel(source->dragView()->viewport());
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    image->setPixmap(pictureOf(source->dragView(), item));
    image->adjustSize();
    image->move(viewportPoint);
    image->show();
    drag.image = image;
    QApplication::setOverrideCursor(Qt::DragCopyCursor);
}

} // namespace

bool PaneDrag::handleMove(PaneState& app, DragPane* pane, Press& press, QMouseEvent* event) {
    if (app.dragState.dragging) {
        moved(app, pane, event);
        return true;
    }
    if (wantsStart(press, event) && pane->dragStartsOn(press.item)) {
        begin(app, pane, press.item, event->pos());
        press = {};
        return true;
    }
    return false;
}

bool PaneDrag::handleRelease(PaneState& app, DragPane* pane, Press& press, QMouseEvent* event) {
    press = {};
    if (!app.dragState.dragging)
        return false;
    released(app, pane, event);
    return true;
}

void PaneDrag::moved(PaneState& app, DragPane* receiver, QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        end(app);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    DragPane* pane = paneAt(app, receiver, global);
    DragState& drag = app.dragState;
    if (!pane || pane->refusedSource() == drag.sourcePane)
        return;
    const QPoint point = viewportPoint(pane, global);
    if (drag.image) {
        if (drag.paneUnder != pane->paneCode()) {
            drag.image->setParent(pane->dragView()->viewport());
            drag.image->show();
            drag.paneUnder = pane->paneCode();
            drag.window = pane->dragView();
        }
        drag.image->move(point);
        drag.image->raise();
    }
    pane->dragMovedOver(point);
}

void PaneDrag::released(PaneState& app, DragPane* receiver, QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    DragPane* pane = paneAt(app, receiver, global);
    const DragState record = app.dragState;
    // The drag is over before the drop asks its question; the trees keep
    // their drop targets until the drop has used them.
    delete app.dragState.image.data();
    app.dragState = DragState{};
    QApplication::restoreOverrideCursor();
    if (pane && pane->refusedSource() != record.sourcePane)
        pane->dropAt(viewportPoint(pane, global), record);
    for (DragPane* each : app.dragPanes)
        each->clearDropTarget();
}

void PaneDrag::end(PaneState& app) {
    DragState& drag = app.dragState;
    const bool wasDragging = drag.dragging;
    delete drag.image.data();
    drag = DragState{};
    for (DragPane* pane : app.dragPanes)
        pane->clearDropTarget();
    if (wasDragging)
        QApplication::restoreOverrideCursor();
}

bool PaneDrag::dropsIntoItself(const QTreeWidgetItem* dragged, const QTreeWidgetItem* onto) {
    for (const QTreeWidgetItem* up = onto; dragged && up; up = up->parent())
        if (up == dragged)
            return true;
    return false;
}

void PaneDrag::refuseOwnDrop(Prompts& prompts, const QTreeWidgetItem* dragged,
                             const QTreeWidgetItem* onto) {
    if (dropsIntoItself(dragged, onto))
        prompts.report(QString::fromUtf8(PaneText::DropIntoItself));
}

void DropTarget::set(QTreeWidgetItem* item) {
    QTreeWidgetItem* old = this->item();
    if (old == item)
        return;
    const QSignalBlocker quiet(tree_);
    if (old)
        old->setBackground(0, QBrush());
    index_ = item ? QPersistentModelIndex(tree_->indexFromItem(item)) : QPersistentModelIndex();
    if (item)
        item->setBackground(0, tree_->palette().brush(QPalette::Highlight).color().lighter(160));
}

QTreeWidgetItem* DropTarget::item() const {
    return index_.isValid() ? tree_->itemFromIndex(index_) : nullptr;
}

void DropTarget::follow(const QPoint& point, int source, std::initializer_list<int> takesFrom) {
    if (std::find(takesFrom.begin(), takesFrom.end(), source) == takesFrom.end())
        return;
    if (QTreeWidgetItem* under = tree_->itemAt(point))
        set(under);
}

QTreeWidgetItem* DropTarget::landing(const QPoint& point) const {
    QTreeWidgetItem* under = tree_->itemAt(point);
    return under ? under : item();
}
