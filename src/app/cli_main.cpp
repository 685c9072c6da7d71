#include "app/cli_options.h"
#include "app/cli_session.h"
#include "app/console_prompts.h"
#include "core/platform/clock.h"
#include "core/platform/program_dir.h"
#include "core/sites/site_store.h"
#include "core/tasks/task_archive.h"

#include <QDir>
#include <QFile>

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

namespace {

int usageError(const QString& error) {
    if (!error.isEmpty())
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
    std::fprintf(stderr, "%s", cliUsage().toUtf8().constData());
    return 2;
}

// The defined sites, one per line: name, address and port, user, start folder.
int printSites(const QString& programDir) {
    for (const SiteRecord& site : SiteStore::load(programDir + QStringLiteral("ftpsite.dat"))) {
        const QString line =
            QStringLiteral("%1\t%2:%3\t%4\t%5")
                .arg(site.name, site.address, site.port, site.user, site.startFolder);
        std::printf("%s\n", line.toUtf8().constData());
    }
    return 0;
}

// Appends a site to ftpsite.dat; a name already taken is refused.
int addSite(const QString& programDir, const CliCommand& command, Prompts& prompts) {
    const QString store = programDir + QStringLiteral("ftpsite.dat");
    bool whole = true;
    QList<SiteRecord> sites = SiteStore::load(store, &whole);
    if (!whole) {
        // Saved over, the lines that cannot be read would be gone.
        std::fprintf(stderr, "%s%s\n", "站点列表文件已损坏，没有保存：",
                     store.toUtf8().constData());
        return 1;
    }
    for (const SiteRecord& site : sites) {
        if (site.name == command.newPath) {
            std::fprintf(stderr, "a site named %s exists already\n",
                         command.newPath.toUtf8().constData());
            return 1;
        }
    }
    SiteRecord site = SiteRecord::withDefaults();
    site.name = command.newPath;
    site.address = command.site.host;
    site.port = QString::number(command.site.port);
    site.user = command.site.user;
    site.password = command.site.password;
    site.account = command.site.user;
    site.startFolder = command.site.path;
    site.tls = command.site.tls; // as the address's scheme says
    // The same rules as the properties dialog: a comma in a field would
    // split it into two when the store is read again.
    if (const QString problem = site.problem(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", problem.toUtf8().constData());
        return 2;
    }
    sites << site;
    return SiteStore::save(store, sites, QRandomGenerator::global()->generate(), prompts) ? 0 : 1;
}

// The task files of the program folder, newest first: name and description.
int printTasks(const QString& programDir) {
    const QFileInfoList files =
        QDir(programDir).entryInfoList({QStringLiteral("*.npm")}, QDir::Files, QDir::Time);
    for (const QFileInfo& info : files) {
        QFile file(info.absoluteFilePath());
        std::optional<TaskContents> header;
        if (file.open(QIODevice::ReadOnly))
            header = TaskArchive::decodeHeader(file.read(1 << 20));
        const QString description =
            header ? header->description : QString::fromUtf8("（无法读取）");
        std::printf("%s\t%s\n", info.fileName().toUtf8().constData(),
                    description.toUtf8().constData());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString error;
    auto options = parseCliOptions(QCoreApplication::arguments().mid(1), &error);
    if (!options)
        return usageError(error);
    const QString programDir = resolveProgramDir(options->home);
    if (programDir.isEmpty()) {
        std::fprintf(stderr, "cannot create the program folder\n");
        return 1;
    }
    auto command = parseCliCommand(*options, programDir, &error);
    if (!command)
        return usageError(error);
    if (command->kind == CliCommand::Sites)
        return printSites(programDir);
    if (command->kind == CliCommand::Tasks)
        return printTasks(programDir);
    ConsolePrompts prompts(options->yes);
    if (command->kind == CliCommand::AddSite)
        return addSite(programDir, *command, prompts);
    CliSession session(*options, programDir, prompts, SystemClock::instance());
    return session.run(*command);
}
