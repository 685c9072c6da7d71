#pragma once

#include "gui/panes/focus_report.h"
#include "gui/panes/pane_state.h"

#include <QTreeWidget>

// The files of the local folder on show. For now the pane holds its place
// in the window, carries its headings and reports the focus like every
// pane.
class LocalFileList : public QTreeWidget {
    Q_OBJECT
public:
    explicit LocalFileList(PaneState& app, QWidget* parent = nullptr) : QTreeWidget(parent) {
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
