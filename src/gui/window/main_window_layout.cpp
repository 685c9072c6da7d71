// The layout the user left, kept from one run to the next: the window's
// place and size, the splitters, each file list's columns and style, and
// the local folder shown.
#include "core/settings/network_settings.h"
#include "core/settings/window_layout.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/main_window.h"

#include <QDir>
#include <QFileInfo>
#include <QSplitter>

namespace {

struct StyleName {
    int command;
    const char* name;
};

const StyleName kStyles[] = {
    {Cmd::DetailsView, "details"},
    {Cmd::ListView, "list"},
    {Cmd::SmallIcons, "icons"},
};

QString nameOfStyle(const QVariant& command) {
    for (const StyleName& style : kStyles)
        if (command.isValid() && command.toInt() == style.command)
            return QString::fromLatin1(style.name);
    return {};
}

int styleNamed(const QString& name) {
    for (const StyleName& style : kStyles)
        if (name == QLatin1String(style.name))
            return style.command;
    return 0;
}

} // namespace

// The folder asked for, else the one shown when the program last ended
// (while it is there), else the user's home.
QString MainWindow::startFolderOf(const Deps& deps) {
    if (!deps.localStartFolder.isEmpty())
        return deps.localStartFolder;
    const QString kept =
        WindowLayout::read(deps.programDir + QString::fromLatin1(NetworkSettings::FileName))
            .localFolder;
    return !kept.isEmpty() && QFileInfo(kept).isDir() ? kept : QDir::homePath();
}

void MainWindow::restoreLayout() {
    const WindowLayout layout = WindowLayout::read(iniPath());
    rememberedGeometry_ = !layout.geometry.isEmpty() && restoreGeometry(layout.geometry);
    const std::pair<QSplitter*, QByteArray> splits[] = {{mainSplitter_, layout.mainSplit},
                                                        {leftSplitter_, layout.leftSplit},
                                                        {localRowSplitter_, layout.localSplit},
                                                        {remoteRowSplitter_, layout.remoteSplit},
                                                        {rightSplitter_, layout.rightSplit}};
    for (const auto& [splitter, state] : splits)
        if (!state.isEmpty())
            splitter->restoreState(state);
    transferList_->setHidden(layout.transferListHidden);
    actions_.value(Cmd::ToggleTransferList)->setChecked(!layout.transferListHidden);
    app_.localList->restoreColumns(layout.localColumns);
    app_.remoteList->restoreColumns(layout.remoteColumns);
    if (const int style = styleNamed(layout.localStyle))
        applyListStyle(app_.localList, style);
    if (const int style = styleNamed(layout.remoteStyle))
        applyListStyle(app_.remoteList, style);
}

// A layout that cannot be written costs the next start its layout, nothing
// more: the program is ending and says nothing.
void MainWindow::saveLayout() {
    WindowLayout layout;
    layout.geometry = saveGeometry();
    layout.mainSplit = mainSplitter_->saveState();
    layout.leftSplit = leftSplitter_->saveState();
    layout.localSplit = localRowSplitter_->saveState();
    layout.remoteSplit = remoteRowSplitter_->saveState();
    layout.rightSplit = rightSplitter_->saveState();
    layout.transferListHidden = transferList_->isHidden();
    layout.localColumns = app_.localList->columnsState();
    layout.remoteColumns = app_.remoteList->columnsState();
    layout.localStyle = nameOfStyle(app_.localList->property("listStyle"));
    layout.remoteStyle = nameOfStyle(app_.remoteList->property("listStyle"));
    layout.localFolder = QDir::cleanPath(app_.localList->folderPath());
    layout.write(iniPath());
}
