// Online editing, new site files and the web address of a site file.
#include "core/engine/connection_source.h"
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_session.h"
#include "core/platform/prompts.h"
#include "core/sites/web_address.h"
#include "gui/panes/file_row.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/window/main_window.h"
#include "gui/window/shell_services.h"
#include "gui/window/status_dialog_bar.h"

#include <limits>

namespace {

const char* const kNameExists = "已有此文件名！";
const char* const kCannotCreate = "不能创建该新文件！";
const char* const kHomeNotSet = "没有设置站点的对应主页属性，不能预览网页！";
const char* const kHomePathWrong = "站点页面路径属性设置有错，不能处理！";

// The first selected row of the remote list, when it is a file.
QTreeWidgetItem* selectedRemoteFile(RemoteFileList* list) {
    QTreeWidgetItem* row = list->selectedItems().value(0);
    return row && !list->isFolderRow(row) ? row : nullptr;
}

} // namespace

void MainWindow::editFileCommand() {
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    QTreeWidgetItem* row = selectedRemoteFile(app_.remoteList);
    if (!connectionReady() || !SiteTree::isRemoteFolder(node) || !row)
        return;
    const QString name = row->text(RemoteFileList::NameColumn).trimmed();
    if (name.isEmpty())
        return;
    const RemoteStamp shown{true, FileRow::listedSize(row), FileRow::listedTime(row)};
    const quint64 bytes = FileRow::bytesOf(row).value_or(0);
    editor_->edit(SiteTree::remoteFolder(node), name, bytes, shown);
}

// The name is checked against every file of the folder's listing, rows a
// pattern hides included: a hidden file is still overwritten by an upload.
void MainWindow::newFileCommand() {
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    if (!connectionReady() || !SiteTree::isRemoteFolder(node))
        return;
    QString name = prompts_.askName(Prompts::NameDialog::NewFile);
    if (name.isEmpty())
        return;
    if (!DirListing::isSafeLocalName(name)) {
        prompts_.report(QString::fromUtf8(PaneText::NameNotPlain));
        return;
    }
    const CachedListing* listing = app_.listingCache.find(node);
    if (app_.remoteList->rowNamed(name) || (listing && listing->names.contains(name))) {
        prompts_.report(QString::fromUtf8(kNameExists));
        return;
    }
    if (!editor_->editNew(SiteTree::remoteFolder(node), name))
        prompts_.report(QString::fromUtf8(kCannotCreate));
}

void MainWindow::webPreviewCommand() {
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    if (app_.activePane != Pane::RemoteList || !SiteTree::isRemoteFolder(node) || !source_)
        return;
    QTreeWidgetItem* row = selectedRemoteFile(app_.remoteList);
    const WebAddress::Result result = WebAddress::forFile(
        source_->homepageUrl(), source_->homepageFtpPath(), SiteTree::remotePath(node),
        row ? row->text(RemoteFileList::NameColumn) : QString());
    switch (result.outcome) {
    case WebAddress::Outcome::Address:
        openInBrowser(result.address);
        break;
    case WebAddress::Outcome::NotSet:
        prompts_.report(QString::fromUtf8(kHomeNotSet));
        break;
    case WebAddress::Outcome::OutsideHome:
        prompts_.report(QString::fromUtf8(kHomePathWrong));
        break;
    case WebAddress::Outcome::NoAddress:
        break;
    }
}

void MainWindow::editCopyFetched() {
    editor_->copyFetched();
}

void MainWindow::editUploadCompleted() {
    editor_->uploadCompleted();
}

void MainWindow::setStatusLine(const QString& text) {
    statusBar_->setStatusLine(text);
}

void MainWindow::addNote(const QString& text) {
    if (connection_)
        connection_->addNote(text);
}

QString MainWindow::chooseApplication(const QString& copyPath) {
    return services_.chooseApplication(copyPath, programDir_, this);
}
