#pragma once

#include <QProcess>
#include <QStringList>

// corvane-cli run to its end with the given arguments.
struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliRun cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(CORVANE_CLI_PATH), args);
    CliRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
