#include "app/cli_options.h"
#include "app/cli_session.h"
#include "app/console_prompts.h"
#include "platform/clock.h"
#include "platform/program_dir.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString error;
    auto options = parseCliOptions(QCoreApplication::arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "%s\n%s", error.toUtf8().constData(), cliUsage().toUtf8().constData());
        return 2;
    }
    const QString programDir = resolveProgramDir(options->home);
    if (programDir.isEmpty()) {
        std::fprintf(stderr, "cannot create the program folder\n");
        return 1;
    }
    ConsolePrompts prompts(options->yes);
    CliSession session(*options, programDir, prompts, SystemClock::instance());

    if (options->command == QLatin1String("pwd") && options->arguments.size() == 1) {
        auto site = parseSiteAddress(options->arguments.at(0), &error);
        if (!site) {
            std::fprintf(stderr, "%s\n%s", error.toUtf8().constData(),
                         cliUsage().toUtf8().constData());
            return 2;
        }
        return session.printWorkingFolder(*site);
    }
    std::fprintf(stderr, "%s", cliUsage().toUtf8().constData());
    return 2;
}
