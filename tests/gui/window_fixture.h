#pragma once

#include "core/engine/ftp_session.h"
#include "core/platform/clock.h"
#include "core/settings/list_filters.h"
#include "core/settings/network_settings.h"
#include "core/sites/site_store.h"
#include "gui/window/main_window.h"
#include "gui/window/shell_services.h"
#include "scripted_prompts.h"
#include "wait.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

// Dialogs answered by the test; the desktop is a temporary folder and no
// browser is ever started.
class FakeServices : public ShellServices {
public:
    bool editNetworkSettings(NetworkSettings& settings, const QString& iniPath, QWidget*) override {
        ++networkDialogs;
        if (!confirmNetwork)
            return false;
        settings = networkAnswer;
        settings.write(iniPath); // as the dialog's OK does
        return true;
    }
    bool editSite(SiteRecord& site, QWidget*) override {
        sitesShown << site;
        if (!siteAnswer)
            return false;
        site = *siteAnswer;
        return true;
    }
    void showAbout(QWidget*) override { ++abouts; }
    bool openUrl(const QUrl& url) override {
        opened << url;
        return openSucceeds;
    }
    QString desktopFolder() const override { return desktop; }
    QString pickLocalFolder(const QString&, QWidget*) override { return localFolderAnswer; }
    QString chooseTask(const QString&, QWidget*) override { return taskAnswer; }
    QString chooseApplication(const QString& filePath, const QString&, QWidget*) override {
        applicationAsked << filePath;
        if (whileChoosing)
            whileChoosing();
        return applicationAnswer;
    }
    bool editListFilters(ListFilters& filters, QWidget*) override {
        if (!filterAnswer)
            return false;
        filters.accept(filterAnswer->local, filterAnswer->keepLocal, filterAnswer->site,
                       filterAnswer->keepSite);
        return true;
    }

    int networkDialogs = 0;
    bool confirmNetwork = true;
    NetworkSettings networkAnswer;
    QList<SiteRecord> sitesShown;
    std::optional<SiteRecord> siteAnswer;
    int abouts = 0;
    QList<QUrl> opened;
    bool openSucceeds = true;
    QString desktop;
    QString localFolderAnswer; // empty: the picker is cancelled
    QString taskAnswer;        // empty: the resume dialog is cancelled
    // What is typed and ticked in "文件列表选项"; none: the dialog is cancelled.
    struct FilterAnswer {
        QString local;
        bool keepLocal = false;
        QString site;
        bool keepSite = false;
    };
    std::optional<FilterAnswer> filterAnswer;
    QStringList applicationAsked;        // the copies an application was chosen for
    QString applicationAnswer;           // empty: the choice is cancelled
    std::function<void()> whileChoosing; // runs while the chooser is open
};

// A main window on a temporary program folder, with short timer periods.
struct WindowFixture {
    QTemporaryDir home;
    QTemporaryDir desktopDir;
    QTemporaryDir localDir; // where the local tree opens
    ScriptedPrompts prompts;
    // How each operation ended, as the status bar said it.
    QStringList results;
    FakeServices services;
    FolderReader folderReader; // how the window reads local folders
    std::unique_ptr<MainWindow> frame;

    WindowFixture() {
        services.desktop = desktopDir.path();
        // A busy test machine may take a while over a folder; the tests
        // that check reading in the background shorten this.
        folderReader.graceMs = 5000;
    }
    ~WindowFixture() {
        // A connection still open is dropped without asking.
        if (frame && frame->connection())
            frame->connection()->closeConnection();
    }

    int resultCount(const char* text) const { return int(results.count(QString::fromUtf8(text))); }

    QString programDir() const { return home.path() + QLatin1Char('/'); }
    QString iniPath() const { return programDir() + QStringLiteral("corvane.ini"); }

    void writeSettings() { NetworkSettings{}.write(iniPath()); }
    void writeSites(const QList<SiteRecord>& sites) {
        SiteStore::save(programDir() + QStringLiteral("ftpsite.dat"), sites, 1, prompts);
    }

    static Timing fastTiming() {
        Timing t;
        t.startupTickMs = 20;
        t.frameTickMs = 150;
        return t;
    }

    MainWindow& open(Timing timing = fastTiming()) {
        MainWindow::Deps deps{prompts, services, SystemClock::instance(), programDir(), timing};
        deps.localStartFolder = localDir.path();
        deps.folderReader = folderReader;
        frame = std::make_unique<MainWindow>(std::move(deps));
        QObject::connect(frame.get(), &MainWindow::resultShown,
                         [this](const QString& text) { results << text; });
        frame->resize(1280, 800);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return *frame;
    }
};

inline SiteRecord siteAt(const QString& name, quint16 port, const QString& startFolder = "/") {
    SiteRecord s = SiteRecord::withDefaults();
    s.name = name;
    s.address = QStringLiteral("127.0.0.1");
    s.port = QString::number(port);
    s.user = QStringLiteral("tester");
    s.password = QStringLiteral("secret");
    s.account = s.user;
    s.startFolder = startFolder;
    return s;
}
