#pragma once

#include <QStringList>

// "openapp.txt" in the program folder: the applications chosen before for
// online editing, one full path per line, each line ended by "\r\n".
namespace AppList {

inline constexpr const char* FileName = "openapp.txt";
// Longer lines are cut to this many characters when shown.
inline constexpr int ShownLength = 1023;

// The complete lines; a last line without its "\r\n" is left out.
QStringList read(const QString& programDir);
// Appends `path` unless the list holds it already. Paths on this system
// tell letter case apart, so they are compared and kept as they are.
// Failures are silent.
void add(const QString& programDir, const QString& path);

} // namespace AppList
