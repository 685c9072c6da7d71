#pragma once

#include "gui/window/shell_services.h"

#include <functional>

class Prompts;

// The real dialogs and desktop: xdg-open for pages and help, the user's
// desktop folder for the shortcut.
class WidgetShellServices : public ShellServices {
public:
    using HelpFunction = std::function<void(const QString& keyword)>;

    WidgetShellServices(Prompts& prompts, HelpFunction showHelp)
        : prompts_(prompts), showHelp_(std::move(showHelp)) {}

    bool editNetworkSettings(NetworkSettings& settings, const QString& iniPath,
                             QWidget* parent) override;
    bool editSite(SiteRecord& site, QWidget* parent) override;
    void showAbout(QWidget* parent) override;
    bool openUrl(const QUrl& url) override;
    QString desktopFolder() const override;
    QString pickLocalFolder(const QString& startFolder, QWidget* parent) override;
    QString chooseTask(const QString& programDir, QWidget* parent) override;
    QString chooseApplication(const QString& filePath, const QString& programDir,
                              QWidget* parent) override;
    bool editListFilters(ListFilters& filters, QWidget* parent) override;

private:
    Prompts& prompts_;
    HelpFunction showHelp_;
};
