#pragma once

#include <QString>

class QUrl;
class QWidget;
struct ListFilters;
struct NetworkSettings;
struct SiteRecord;

// The main window's modal dialogs and what it asks of the desktop, behind one
// interface so that tests can answer dialogs and keep the desktop untouched.
class ShellServices {
public:
    virtual ~ShellServices() = default;

    // "上网属性"; true on OK (the dialog has then written the settings file).
    virtual bool editNetworkSettings(NetworkSettings& settings, const QString& iniPath,
                                     QWidget* parent) = 0;
    // "FTP站点属性"; true on OK with the fields confirmed.
    virtual bool editSite(SiteRecord& site, QWidget* parent) = 0;
    virtual void showAbout(QWidget* parent) = 0;
    // Opens the URL in the user's browser; false when it could not.
    virtual bool openUrl(const QUrl& url) = 0;
    // Where the desktop shortcut is made.
    virtual QString desktopFolder() const = 0;
    // "本地系统文件目录": the local folder a directory update compares with,
    // ending with "/"; empty when cancelled.
    virtual QString pickLocalFolder(const QString& startFolder, QWidget* parent) = 0;
    // "中断任务续传": the name of the task file chosen to resume; empty when
    // cancelled. Tasks may be deleted there.
    virtual QString chooseTask(const QString& programDir, QWidget* parent) = 0;
    // "使用应用程序选择", then a file chooser for another program (which is
    // remembered in "openapp.txt"): the application to edit `filePath`
    // with; empty when cancelled.
    virtual QString chooseApplication(const QString& filePath, const QString& programDir,
                                      QWidget* parent) = 0;
    // "文件列表选项": true on OK, with the answer in `filters`.
    virtual bool editListFilters(ListFilters& filters, QWidget* parent) = 0;
};
