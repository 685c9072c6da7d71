#include "core/platform/ini_profile.h"
#include "core/platform/saved_file.h"

#include "core/platform/gbk_text.h"

#include <QFile>
#include <QStringList>

namespace IniProfile {

namespace {

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = Gbk::decode(file.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool isSection(const QString& line, QString* name) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    *name = t.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return true;
}

// The key of a "key=value" line, or empty for any other line.
QString keyOf(const QString& line, QString* value) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0 || line.trimmed().startsWith(QLatin1Char(';')))
        return {};
    *value = line.mid(eq + 1);
    return line.left(eq).trimmed();
}

QString unquoted(QString value) {
    value = value.trimmed();
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString read(const QString& path, const QString& section, const QString& key,
             const QString& defaultValue, int bufferLength) {
    QString result = defaultValue.trimmed();
    QString current;
    bool inSection = false;
    for (const QString& line : readLines(path)) {
        if (isSection(line, &current)) {
            inSection = current.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString value;
        if (inSection && keyOf(line, &value).compare(key, Qt::CaseInsensitive) == 0 &&
            !keyOf(line, &value).isEmpty()) {
            result = unquoted(value);
            break;
        }
    }
    return Gbk::fitted(result, qMax(bufferLength - 1, 0));
}

bool write(const QString& path, const QString& section, const QString& key, const QString& value,
           SavedFile::Access access) {
    QStringList lines = readLines(path);
    const QString entry = key + QLatin1Char('=') + value;
    qsizetype sectionAt = -1;
    qsizetype insertAt = -1;
    QString current;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (isSection(lines.at(i), &current)) {
            if (sectionAt >= 0)
                break; // past the end of our section
            if (current.compare(section, Qt::CaseInsensitive) == 0)
                sectionAt = insertAt = i;
            continue;
        }
        if (sectionAt < 0)
            continue;
        QString old;
        if (keyOf(lines.at(i), &old).compare(key, Qt::CaseInsensitive) == 0 &&
            !keyOf(lines.at(i), &old).isEmpty()) {
            lines[i] = entry;
            insertAt = -2;
            break;
        }
        if (!lines.at(i).trimmed().isEmpty())
            insertAt = i;
    }
    if (sectionAt < 0)
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    else if (insertAt >= 0)
        lines.insert(insertAt + 1, entry);
    const QByteArray bytes =
        Gbk::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    return SavedFile::write(path, bytes, access);
}

int leadingInt(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        negative = t.at(i++) == QLatin1Char('-');
    qint64 value = 0;
    while (i < t.size() && t.at(i).isDigit() && t.at(i).unicode() < 0x80 && value < 1000000000)
        value = value * 10 + (t.at(i++).unicode() - '0');
    return int(negative ? -value : value);
}

} // namespace IniProfile
