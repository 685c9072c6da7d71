#pragma once

#include <QString>

// The program's own folder (settings, sites, task files, work folder): the
// folder given on the command line, else $CORVANE_HOME, else the per-user
// data folder. Created when missing; always ends with "/". Empty when it
// cannot be created.
QString resolveProgramDir(const QString& fromCommandLine);
