#include "gui/panes/pane_menu.h"

#include "gui/panes/pane_host.h"

#include <QMenu>

QAction* PaneMenu::add(QMenu* menu, int command, const char* label) {
    QAction* action = menu->addAction(QString::fromUtf8(label));
    action->setData(command);
    return action;
}

QAction* PaneMenu::find(const QMenu* menu, int command) {
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->data().toInt() == command)
            return action;
    return nullptr;
}

void PaneMenu::enable(QMenu* menu, const PaneHost& host, int command, bool rule) {
    if (QAction* action = find(menu, command))
        action->setEnabled(rule && host.paneCommandBuilt(command));
}
