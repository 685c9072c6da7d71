#pragma once

#include <QByteArray>
#include <QString>

// Code page 936 text: the form of command lines, listing names and the
// program's own files.
namespace Gbk {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
// Whether code page 936 holds every character of `text` (encoding would
// otherwise put "?" in their place).
bool canEncode(const QString& text);
// `text` cut so that its encoded form takes at most `maxBytes` bytes,
// never splitting a character.
QString fitted(const QString& text, int maxBytes);
// Compares as the program's texts are compared: by their code page 936
// bytes, Latin letters without case, so Chinese names fall in pinyin order.
int compareNoCase(const QString& a, const QString& b);
// The bytes compareNoCase compares, for sorting many texts: keys made once
// order the same with a plain byte comparison.
QByteArray noCaseKey(const QString& text);
} // namespace Gbk
