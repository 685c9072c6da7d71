#pragma once

#include "gui/panes/pane_state.h"

#include <QEvent>
#include <QObject>

// Keeps the application's active-pane code up to date: whenever `pane`
// takes the keyboard focus, `code` becomes the active pane.
class FocusReport : public QObject {
public:
    FocusReport(PaneState& app, QObject* pane, int code) : QObject(pane), app_(app), code_(code) {
        pane->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn)
            app_.activePane = code_;
        return false;
    }

private:
    PaneState& app_;
    int code_;
};
