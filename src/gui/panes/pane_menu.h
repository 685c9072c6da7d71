#pragma once

class PaneHost;
class QAction;
class QMenu;

// Context menus of the panes: items carry their command number, and an
// item is enabled only when its rule holds and its command is built.
namespace PaneMenu {

QAction* add(QMenu* menu, int command, const char* label);
QAction* find(const QMenu* menu, int command);
void enable(QMenu* menu, const PaneHost& host, int command, bool rule);

} // namespace PaneMenu
