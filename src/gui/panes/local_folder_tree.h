#pragma once

#include "gui/panes/focus_report.h"
#include "gui/panes/pane_state.h"

#include <QTreeWidget>

// The local disk's folders. Browsing the local disk comes with its own
// work; for now the pane holds its place in the window and reports the
// focus like every pane.
class LocalFolderTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit LocalFolderTree(PaneState& app, QWidget* parent = nullptr) : QTreeWidget(parent) {
        setObjectName(QStringLiteral("localTree"));
        app.localTree = this;
        new FocusReport(app, this, Pane::LocalTree);
        setHeaderHidden(true);
    }
};
