// The keys every file manager has beyond the menu's shortcuts: Tab and
// Shift+Tab through the panes in a fixed order, and Escape to give up a
// drag under way. (Enter on a folder row is the lists' own; Delete, F2, F5,
// Backspace and Alt+Up are shortcuts of the commands.)
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/pane_drag.h"
#include "gui/panes/path_bar.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/main_window.h"

#include <QKeyEvent>
#include <QLineEdit>

void MainWindow::setUpPaneKeys() {
    const QList<QWidget*> order{app_.localTree,   localBar_->edit(),    app_.localList,
                                app_.siteTree,    remoteBar_->edit(),   app_.remoteList,
                                app_.messagePane, transferList_->view()};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
    app_.messagePane->setTabChangesFocus(true);
    for (QWidget* pane :
         {static_cast<QWidget*>(app_.localTree), static_cast<QWidget*>(app_.localList),
          static_cast<QWidget*>(app_.siteTree), static_cast<QWidget*>(app_.remoteList)})
        pane->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && app_.dragState.dragging &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        PaneDrag::end(app_);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
