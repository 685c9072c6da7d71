// The main window's timer: the start-up check once, then every 3 seconds while a
// connection exists its watch and the progress display; and the message
// that a transfer ended short.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/engine/progress_texts.h"
#include "core/engine/result_texts.h"
#include "core/platform/clock.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"
#include "gui/window/main_window.h"
#include "gui/window/shell_services.h"
#include "gui/window/status_dialog_bar.h"

#include <QFileInfo>

namespace {

const char* const kFirstRunGreeting = "欢迎您使用corvane2.5软件！\r\n"
                                      "这是您第一次运行此软件！\r\n"
                                      "请首先定义网络属性，\r\n"
                                      "再新增您要操作的FTP站点！\r\n"
                                      "有疑问请查看帮助信息，\r\n"
                                      "或者到软件主页向作者提问！\r\n\r\n"
                                      "是否在桌面创建快捷方式图标？";

} // namespace

void MainWindow::onTimer(int id) {
    if (id == StartupTimer && !startupDone_) {
        startupCheck();
        return;
    }
    if (id != FrameTimer || !connection_)
        return;
    // The connection's own watch: keep-alive and every time-out.
    connection_->onFrameTick();
    if (connection_ && connection_->isTransferringFile() && !operations_->isUpdating())
        updateProgress();
}

// The settings file marks that the program has run before; without it the
// user is greeted and asked for the network settings.
void MainWindow::startupCheck() {
    startupDone_ = true;
    if (QFileInfo::exists(iniPath()))
        return;
    if (prompts_.askYesNo(QString::fromUtf8(kFirstRunGreeting)))
        createDesktopShortcut();
    editNetworkSettings();
}

void MainWindow::editNetworkSettings() {
    NetworkSettings edited = settings_;
    if (services_.editNetworkSettings(edited, iniPath(), this))
        settings_ = edited;
}

void MainWindow::updateProgress() {
    const quint64 bytes = source_->bytesDone;
    const quint64 delta = bytes >= lastBytes_ ? bytes - lastBytes_ : 0;
    lastBytes_ = bytes;
    const quint64 expected = operations_->currentItemSize();
    const int percent = ProgressTexts::percentOf(bytes, expected);
    statusBar_->showProgress(
        ProgressTexts::bytesText(connection_->transferKind() == TransferKind::Download, bytes,
                                 percent),
        percent, ProgressTexts::speedText(delta),
        ProgressTexts::elapsedText(clock_.calendarSeconds() - source_->startTime));
}

void MainWindow::onMessage(int msg, WParam, LParam) {
    if (msg == Msg::ResumeTransfer && !exiting_) // no resume on the way out
        onResumeMessage();
}
