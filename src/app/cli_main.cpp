#include "app/cli_options.h"
#include "app/cli_session.h"
#include "app/console_prompts.h"
#include "platform/clock.h"
#include "platform/program_dir.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int usageError(const QString& error) {
    if (!error.isEmpty())
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
    std::fprintf(stderr, "%s", cliUsage().toUtf8().constData());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString error;
    auto options = parseCliOptions(QCoreApplication::arguments().mid(1), &error);
    if (!options)
        return usageError(error);
    auto command = parseCliCommand(*options, &error);
    if (!command)
        return usageError(error);
    const QString programDir = resolveProgramDir(options->home);
    if (programDir.isEmpty()) {
        std::fprintf(stderr, "cannot create the program folder\n");
        return 1;
    }
    ConsolePrompts prompts(options->yes);
    CliSession session(*options, programDir, prompts, SystemClock::instance());
    return session.run(*command);
}
