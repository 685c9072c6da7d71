#include "core/platform/clock.h"
#include "core/platform/program_dir.h"
#include "gui/dialogs/dialog_prompts.h"
#include "gui/window/main_window.h"
#include "gui/window/widget_shell_services.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLocale>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("corvane"));
    // The program's own picture, in every size the desktop may ask for.
    QIcon icon;
    for (int size : {48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/corvane/corvane-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QApplication::setDesktopFileName(QStringLiteral("corvane"));
    // Type names of files and folders are shown in Chinese, as every text is.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption home(QStringLiteral("home"),
                            QStringLiteral("Folder for settings, sites and tasks."),
                            QStringLiteral("DIR"));
    parser.addOption(home);
    QCommandLineOption local(QStringLiteral("local"),
                             QStringLiteral("Folder the local tree opens at (default: home)."),
                             QStringLiteral("DIR"));
    parser.addOption(local);
    QCommandLineOption connectTo(QStringLiteral("connect"),
                                 QStringLiteral("Connect to this defined site at start."),
                                 QStringLiteral("SITE"));
    parser.addOption(connectTo);
    parser.process(app);

    const QString programDir = resolveProgramDir(parser.value(home));
    if (programDir.isEmpty()) {
        std::fprintf(stderr, "corvane: cannot create the program folder\n");
        return 1;
    }

    DialogPrompts prompts;
    MainWindow* frame = nullptr;
    WidgetShellServices services(prompts, [&frame](const QString& keyword) {
        if (frame)
            frame->showHelpTopic(keyword);
    });
    MainWindow::Deps deps{prompts, services, SystemClock::instance(), programDir};
    deps.localStartFolder = parser.value(local);
    MainWindow window(std::move(deps));
    frame = &window;
    prompts.setParent(&window);
    // The size and place the window had when it last closed; the first
    // start fills the screen.
    if (window.hasRememberedGeometry()) {
        window.show();
    } else {
        // Shown at its normal size first, so that the size it is restored
        // to from the screen-filling state is known and kept; otherwise a
        // desktop that does not maximize windows brings it back tiny.
        window.resize(1280, 800);
        window.show();
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
    // Keys and their shortcuts go to the active window; without a window
    // manager (a bare X server) nothing would make it active.
    window.activateWindow();
    if (parser.isSet(connectTo)) {
        const QString site = parser.value(connectTo);
        QTimer::singleShot(0, &window, [&window, site] {
            if (!window.connectSiteNamed(site))
                std::fprintf(stderr, "corvane: no site named %s\n", site.toLocal8Bit().constData());
        });
    }
    return app.exec();
}
