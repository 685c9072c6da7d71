#include "gui/window/widget_shell_services.h"

#include "core/platform/desktop_apps.h"
#include "core/platform/prompts.h"
#include "core/settings/app_list.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/app_choice_dialog.h"
#include "gui/dialogs/file_list_options_dialog.h"
#include "gui/dialogs/local_folder_dialog.h"
#include "gui/dialogs/network_settings_dialog.h"
#include "gui/dialogs/resume_dialog.h"
#include "gui/dialogs/site_properties_dialog.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

bool WidgetShellServices::editNetworkSettings(NetworkSettings& settings, const QString& iniPath,
                                              QWidget* parent) {
    NetworkSettingsDialog dialog(settings, iniPath, prompts_, parent);
    QObject::connect(&dialog, &NetworkSettingsDialog::helpRequested, showHelp_);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.settings();
    return true;
}

bool WidgetShellServices::editSite(SiteRecord& site, QWidget* parent) {
    SitePropertiesDialog dialog(site, prompts_, parent);
    QObject::connect(&dialog, &SitePropertiesDialog::helpRequested, showHelp_);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    site = dialog.record();
    return true;
}

void WidgetShellServices::showAbout(QWidget* parent) {
    AboutDialog dialog(parent);
    dialog.exec();
}

bool WidgetShellServices::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

QString WidgetShellServices::desktopFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString WidgetShellServices::pickLocalFolder(const QString& startFolder, QWidget* parent) {
    LocalFolderDialog dialog(startFolder, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.folder() : QString();
}

QString WidgetShellServices::chooseTask(const QString& programDir, QWidget* parent) {
    ResumeDialog dialog(programDir, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.chosenTask() : QString();
}

bool WidgetShellServices::editListFilters(ListFilters& filters, QWidget* parent) {
    FileListOptionsDialog dialog(filters, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.applyTo(filters);
    return true;
}

QString WidgetShellServices::chooseApplication(const QString& filePath, const QString& programDir,
                                               QWidget* parent) {
    AppChoiceDialog dialog(AppList::read(programDir), DesktopApps::forFile(filePath), parent);
    QObject::connect(&dialog, &AppChoiceDialog::helpRequested, showHelp_);
    if (dialog.isEmpty())
        QTimer::singleShot(0, &dialog, [this] {
            prompts_.report(QString::fromUtf8("这是您第一次在线编辑文件，请点[其他程序]按钮！"));
        });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    if (!dialog.chosen().isEmpty())
        return dialog.chosen();
    const QString program =
        QFileDialog::getOpenFileName(parent, QString::fromUtf8("打开"), QStringLiteral("/usr/bin"),
                                     QString::fromUtf8("应用程序 (*)"));
    if (!program.isEmpty())
        AppList::add(programDir, program);
    return program;
}
