#pragma once

#include <QString>

// The texts of the status bar while a file transfer runs, as the main window's
// 3-second tick shows them.
namespace ProgressTexts {

inline const char* const Welcome = "欢迎使用corvane 2.5版软件。";

// Whole percent of `bytes` in `expected`; 0 when nothing is expected (the
// share has no meaning then), at most 100.
int percentOf(quint32 bytes, quint32 expected);
// "已下载：N bit(%P)" for a download (transfer kind 3), "已上传：…" otherwise:
// the percent sign stands before the number.
QString bytesText(bool download, quint32 bytes, int percent);
// Speed over the 3-second tick from the bytes moved in it: "速度：N b/s"
// below 1024 bytes a second, else whole kilobytes as "速度：%5.2f k/s".
QString speedText(quint32 bytesInTick);
// "已进行时间：H时M分S秒"; whole days are not shown.
QString elapsedText(qint64 seconds);

} // namespace ProgressTexts
