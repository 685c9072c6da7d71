#pragma once

#include <QByteArray>
#include <QString>

// Code page 936 text: the form of command lines, listing names and the
// program's own files.
namespace Gbk {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
// `text` cut so that its encoded form takes at most `maxBytes` bytes,
// never splitting a character.
QString fitted(const QString& text, int maxBytes);
} // namespace Gbk
