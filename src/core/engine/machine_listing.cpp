#include "core/engine/machine_listing.h"

namespace MachineListing {

std::optional<QDateTime> readTime(const QByteArray& value) {
    const QByteArray whole = value.left(value.indexOf('.') < 0 ? value.size() : value.indexOf('.'));
    if (whole.size() != 14)
        return std::nullopt;
    for (char c : whole)
        if (c < '0' || c > '9')
            return std::nullopt;
    const auto field = [&](int at, int length) { return whole.mid(at, length).toInt(); };
    const QDate date(field(0, 4), field(4, 2), field(6, 2));
    const QTime time(field(8, 2), field(10, 2), field(12, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QByteArray timeText(const QDateTime& utc) {
    return utc.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
}

// "type=file;size=12;modify=20261209104423; name": the facts up to the
// first blank, each "name=value;" with the name in any case; the name
// after that one blank, as it is.
std::optional<MachineEntry> parseLine(const QByteArray& line, const WireText& wire) {
    const qsizetype blank = line.indexOf(' ');
    if (blank <= 0 || blank + 1 >= line.size())
        return std::nullopt;
    MachineEntry m;
    QByteArray type;
    for (const QByteArray& fact : line.left(blank).split(';')) {
        const qsizetype equals = fact.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray name = fact.left(equals).toLower();
        const QByteArray value = fact.mid(equals + 1);
        if (name == "type")
            type = value.toLower();
        else if (name == "size")
            m.entry.sizeText = QString::fromLatin1(value);
        else if (name == "modify")
            m.modified = readTime(value);
        else if (name == "unique")
            m.unique = QString::fromLatin1(value);
        else if (name == "perm")
            m.perm = QString::fromLatin1(value);
    }
    // The folder itself and its parent are no entries. Anything but a
    // folder is taken as a file, links ("OS.unix=slink:…") included, as a
    // LIST line that is not a folder's is.
    if (type == "cdir" || type == "pdir" || type.isEmpty())
        return std::nullopt;
    m.entry.isFolder = type == "dir";
    if (m.entry.isFolder)
        m.entry.sizeText.clear();
    m.entry.name = wire.decode(line.mid(blank + 1));
    if (m.modified)
        m.entry.dateText =
            m.modified->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return m;
}

void parseLines(const QByteArray& text, const std::function<void(const MachineEntry&)>& handler,
                const WireText& wire) {
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            break; // no line end: not a whole line
        QByteArray line = text.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (const std::optional<MachineEntry> entry = parseLine(line, wire))
            handler(*entry);
        start = end + 1;
    }
}

} // namespace MachineListing
