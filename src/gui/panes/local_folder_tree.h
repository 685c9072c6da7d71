#pragma once

#include "gui/panes/focus_report.h"
#include "gui/panes/pane_state.h"

#include <QTreeWidget>

// The local side of the window. Browsing the local disk comes with its own
// work; for now the two panes hold their place in the window, carry their
// headings and report the focus like every pane.
class CFtpView1 : public QTreeWidget {
    Q_OBJECT
public:
    explicit CFtpView1(CWharfkitApp& app, QWidget* parent = nullptr) : QTreeWidget(parent) {
        setObjectName(QStringLiteral("localTree"));
        app.localTree = this;
        new FocusReport(app, this, Pane::LocalTree);
        setHeaderHidden(true);
    }
};

class CFtpView2 : public QTreeWidget {
    Q_OBJECT
public:
    explicit CFtpView2(CWharfkitApp& app, QWidget* parent = nullptr) : QTreeWidget(parent) {
        setObjectName(QStringLiteral("localList"));
        app.localList = this;
        new FocusReport(app, this, Pane::LocalList);
        setRootIsDecorated(false);
        setHeaderLabels({QString::fromUtf8("文件名称"), QString::fromUtf8("文件大小"),
                         QString::fromUtf8("文件类型"), QString::fromUtf8("修改时间")});
        const int widths[] = {150, 100, 200, 200};
        for (int c = 0; c < 4; ++c)
            setColumnWidth(c, widths[c]);
    }
};
