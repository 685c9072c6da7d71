#include "core/platform/clock.h"
#include "core/platform/program_dir.h"
#include "gui/dialogs/dialog_prompts.h"
#include "gui/window/main_window.h"
#include "gui/window/widget_shell_services.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("corvane"));
    // Type names of files and folders are shown in Chinese, as every text is.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption home(QStringLiteral("home"),
                            QStringLiteral("Folder for settings, sites and tasks."),
                            QStringLiteral("DIR"));
    parser.addOption(home);
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
    MainWindow window(MainWindow::Deps{prompts, services, SystemClock::instance(), programDir});
    frame = &window;
    prompts.setParent(&window);
    window.resize(1280, 800);
    window.showMaximized();
    return app.exec();
}
