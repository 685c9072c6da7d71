#include "core/platform/program_dir.h"

#include <QDir>
#include <QStandardPaths>

QString resolveProgramDir(const QString& fromCommandLine) {
    QString dir = fromCommandLine;
    if (dir.isEmpty())
        dir = qEnvironmentVariable("CORVANE_HOME");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share/corvane");
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    if (!QDir().mkpath(dir))
        return {};
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}
