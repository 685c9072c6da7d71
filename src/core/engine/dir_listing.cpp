#include "core/engine/dir_listing.h"

#include "core/platform/gbk_text.h"

// The two forms a LIST answer comes in:
//
//   Unix: drwxr-xr-x   2 owner group     4096 Mar 10 12:01 folder name
//         -rw-r--r--   1 owner group   131072 Mar 10  2023 file.bin
//   DOS:  03-10-23  12:01PM       <DIR>          folder
//         03-10-23  12:01PM              131072 file.bin
//
// Everything after the date words (Unix) or the size field (DOS) is the
// name, blanks included.

namespace DirListing {

namespace {

bool isBlank(char c) {
    return c == ' ';
}

// Index of the first non-blank at or after i.
qsizetype skipBlanks(const QByteArray& s, qsizetype i) {
    while (i < s.size() && isBlank(s.at(i)))
        ++i;
    return i;
}

// Index of the first blank at or after i.
qsizetype skipWord(const QByteArray& s, qsizetype i) {
    while (i < s.size() && !isBlank(s.at(i)))
        ++i;
    return i;
}

bool isDosLine(const QByteArray& line) {
    return line.size() > 20 && line.at(2) == '-';
}

std::optional<DirEntry> parseUnix(const QByteArray& line, const WireText& wire) {
    DirEntry e;
    e.isFolder = line.at(0) == 'd';
    qsizetype i = 0;
    for (int field = 0; field < 4; ++field)
        i = skipBlanks(line, skipWord(line, i));
    qsizetype sizeEnd = skipWord(line, i);
    if (!e.isFolder)
        e.sizeText = QString::fromLatin1(line.mid(i, sizeEnd - i));
    const qsizetype dateStart = skipBlanks(line, sizeEnd);
    i = dateStart;
    while (i < line.size() && !(line.at(i) >= '0' && line.at(i) <= '9'))
        ++i; // the month name, up to the day
    i = skipWord(line, i);
    i = skipWord(line, skipBlanks(line, i)); // the time or the year
    e.dateText = QString::fromLatin1(line.mid(dateStart, i - dateStart));
    QByteArray name = line.mid(skipBlanks(line, i));
    const qsizetype slash = name.lastIndexOf('/');
    if (slash >= 0)
        name = name.mid(slash + 1);
    e.name = wire.decode(name);
    if (e.isFolder && isDotName(e.name))
        return std::nullopt;
    return e;
}

std::optional<DirEntry> parseDos(const QByteArray& line, const WireText& wire) {
    DirEntry e;
    qsizetype i = skipWord(line, 0);
    i = skipWord(line, skipBlanks(line, i));
    e.dateText = QString::fromLatin1(line.left(i));
    const qsizetype sizeStart = skipBlanks(line, i);
    const qsizetype sizeEnd = skipWord(line, sizeStart);
    const QByteArray size = line.mid(sizeStart, sizeEnd - sizeStart);
    e.isFolder = size.toLower().contains("dir");
    if (!e.isFolder)
        e.sizeText = QString::fromLatin1(size);
    e.name = wire.decode(line.mid(skipBlanks(line, sizeEnd)));
    if (e.isFolder && isDotName(e.name))
        return std::nullopt;
    return e;
}

// Calls `each` for every complete line, tabs already made blanks.
template <typename Each> void forEachLine(const QByteArray& text, Each each) {
    qsizetype start = 0;
    while (true) {
        const qsizetype lf = text.indexOf('\n', start);
        if (lf < 0)
            return; // text after the last line feed is not a line
        qsizetype end = lf;
        if (end > start && text.at(end - 1) == '\r')
            --end;
        if (end - start < LineBufferSize) {
            QByteArray line = text.mid(start, end - start);
            line.replace('\t', ' ');
            each(line);
        }
        start = lf + 1;
    }
}

} // namespace

void parseLines(const QByteArray& text, const std::function<void(const DirEntry&)>& handler,
                const WireText& wire) {
    forEachLine(text, [&](const QByteArray& line) {
        if (line.isEmpty())
            return;
        std::optional<DirEntry> entry;
        if (line.at(0) == 'd' || line.at(0) == '-')
            entry = parseUnix(line, wire);
        else if (isDosLine(line))
            entry = parseDos(line, wire);
        if (entry)
            // A line whose name is empty ("... Dec 09 10:44 " or a folder
            // shown as "pub/") names nothing to show, fetch or compare.
            if (!entry->name.isEmpty())
                handler(*entry);
    });
}

quint64 sizeFromListing(const QByteArray& text) {
    QByteArray line = text.left(text.indexOf('\n') < 0 ? text.size() : text.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    line.replace('\t', ' ');
    QByteArray field;
    if (line.startsWith('-')) {
        qsizetype i = 0;
        for (int f = 0; f < 4; ++f)
            i = skipBlanks(line, skipWord(line, i));
        field = line.mid(i, skipWord(line, i) - i);
    } else if (isDosLine(line)) {
        qsizetype i = skipWord(line, 0);
        i = skipBlanks(line, skipWord(line, skipBlanks(line, i)));
        field = line.mid(i, skipWord(line, i) - i);
    }
    bool ok = false;
    const quint64 size = field.toULongLong(&ok);
    return ok ? size : 0;
}

std::optional<quint64> sizeOf(const DirEntry& entry) {
    bool ok = false;
    const quint64 size = entry.sizeText.toULongLong(&ok);
    return ok ? std::optional<quint64>(size) : std::nullopt;
}

bool isDotName(const QString& name) {
    return name == QLatin1String(".") || name == QLatin1String("..");
}

bool isSafeLocalName(const QString& name) {
    return !name.isEmpty() && !isDotName(name) && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\'));
}

} // namespace DirListing
