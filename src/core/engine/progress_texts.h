#pragma once

#include <QString>

// The texts of the status bar while a file transfer runs, as the main window's
// 3-second tick shows them, and the sizes of both file lists.
namespace ProgressTexts {

inline const char* const Welcome = "欢迎使用corvane 2.5版软件。";

// Whole percent of `bytes` in `expected`; 0 when nothing is expected (the
// share has no meaning then), at most 100.
int percentOf(quint64 bytes, quint64 expected);
// A byte count with its unit: "512 B", "1.5 KB", "12.3 MB", "118 MB",
// "4.5 GB" (1 KB = 1024 B; one decimal below 100 of a unit, where it says
// something, none above).
QString sizeText(quint64 bytes);
// "已下载：1.5 MB (12%)" for a download, "已上传：…" otherwise.
QString bytesText(bool download, quint64 bytes, int percent);
// Speed over the 3-second tick from the bytes moved in it: "速度：1.5 MB/s".
QString speedText(quint64 bytesInTick);
// "已进行时间：H时M分S秒"; whole days are not shown.
QString elapsedText(qint64 seconds);

} // namespace ProgressTexts
