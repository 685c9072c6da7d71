#pragma once

#include "core/engine/dir_listing.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// One entry of a machine listing (MLSD, or the line of an MLST answer;
// RFC 3659): the facts the server gave, then the name exactly as sent.
struct MachineEntry {
    // Name, size and kind as a LIST entry has them; the date in the form
    // the local file list shows ("2026-12-09 10:44:23", local time).
    DirEntry entry;
    // The time of the last change, in UTC to the second; none when the
    // server gave no sound "modify" fact.
    std::optional<QDateTime> modified;
    // The server's own identity of the file or folder: two names that lead
    // to one folder have one.
    QString unique;
    QString perm;

    bool operator==(const MachineEntry&) const = default;
};

namespace MachineListing {

// Calls `handler` for every file and folder of an MLSD answer. The entries
// for the folder itself and its parent ("cdir", "pdir") and lines without
// facts are skipped, as is text after the last line feed. Names are
// decoded as the connection's `wire` reads them, blanks kept.
void parseLines(const QByteArray& text, const std::function<void(const MachineEntry&)>& handler,
                const WireText& wire = WireText());
// One line (without its line end); nullopt when it holds no entry.
std::optional<MachineEntry> parseLine(const QByteArray& line, const WireText& wire = WireText());
// "20261209104423" or "20261209104423.123": the UTC time, fractions
// dropped; nullopt when it is no sound time.
std::optional<QDateTime> readTime(const QByteArray& value);
// The same form for MDTM with two arguments or MFMT.
QByteArray timeText(const QDateTime& utc);

} // namespace MachineListing
