// Dragging from and dropping on the site tree: a remote folder dragged out
// is downloaded, local files or a local folder dropped on a remote folder
// are uploaded into it.
#include "core/platform/prompts.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/site_tree.h"

#include <QMouseEvent>

int SiteTree::paneCode() const {
    return Pane::SiteTree;
}

int SiteTree::refusedSource() const {
    return Pane::RemoteList;
}

// Selecting a folder lists it, and a listing keeps the connection busy: a
// folder about to be dragged away would then be refused at the drop. So a
// press on another folder's label selects it only when the button comes up
// without a drag.
void SiteTree::mousePressEvent(QMouseEvent* event) {
    PaneDrag::recordPress(press_, this, event);
    deferredPress_.reset();
    if (press_.item && press_.item != currentItem() && isRemoteFolder(press_.item) &&
        visualItemRect(press_.item).contains(event->pos())) {
        deferredPress_.reset(event->clone());
        setFocus(Qt::MouseFocusReason);
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void SiteTree::mouseMoveEvent(QMouseEvent* event) {
    lastMousePoint_ = event->pos();
    if (!PaneDrag::handleMove(app_, this, press_, event))
        QTreeWidget::mouseMoveEvent(event);
}

void SiteTree::mouseReleaseEvent(QMouseEvent* event) {
    const std::unique_ptr<QMouseEvent> pressed = std::move(deferredPress_);
    if (PaneDrag::handleRelease(app_, this, press_, event))
        return;
    if (pressed)
        QTreeWidget::mousePressEvent(pressed.get());
    QTreeWidget::mouseReleaseEvent(event);
}

// A folder or the connected site can be dragged; a site not connected
// cannot.
bool SiteTree::dragStartsOn(const QTreeWidgetItem* item) const {
    return isRemoteFolder(item);
}

void SiteTree::clearDropTarget() {
    dropTarget_.clear();
}

void SiteTree::dragMovedOver(const QPoint& point) {
    dropTarget_.follow(point, app_.dragState.sourcePane, {Pane::LocalTree, Pane::LocalList});
}

void SiteTree::dropAt(const QPoint& point, const DragState& drag) {
    if (drag.sourcePane == Pane::SiteTree) {
        PaneDrag::refuseOwnDrop(host_.prompts(), itemOf(drag.draggedItem), itemAt(point));
        return;
    }
    QTreeWidgetItem* target = dropTarget_.landing(point);
    if (!isRemoteFolder(target) || !host_.acceptsTransfers())
        return;
    const QString remoteLabel = labelOf(target);
    if (drag.sourcePane == Pane::LocalList) {
        if (host_.prompts().askYesNo(QString::fromUtf8("是否确定把选择的本地文件上传到站点目录：") +
                                     remoteLabel +
                                     QString::fromUtf8(" ？注意：已有同名文件将被覆盖！")))
            host_.uploadRows(target);
    } else if (drag.sourcePane == Pane::LocalTree) {
        QTreeWidgetItem* local = app_.localTree->itemOf(drag.draggedItem);
        if (!local)
            return;
        if (host_.prompts().askYesNo(
                QString::fromUtf8("是否确定把本地目录 ") + local->text(0) +
                QString::fromUtf8(" 及其文件上传到站点目录：") + remoteLabel +
                QString::fromUtf8(" ？注意：请先删除上传站点目录下的同名子目录！")))
            host_.uploadFolder(target, local);
    }
}
