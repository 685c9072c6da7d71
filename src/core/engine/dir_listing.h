#pragma once

#include "core/engine/wire_text.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// One entry of a remote folder listing. The date stays the text the server
// sent; typeName is filled in by whoever shows the entry.
struct DirEntry {
    QString name;
    QString sizeText; // empty for folders
    QString typeName;
    QString dateText;
    bool isFolder = false;

    bool operator==(const DirEntry&) const = default;
};

namespace DirListing {

// Lines are cut in a buffer of this size; a longer line is skipped whole
// rather than cut into a wrong entry.
constexpr int LineBufferSize = 1024;

// Calls `handler` for every understood line of a LIST answer (code page 936
// bytes). Lines that fit neither form are skipped, as is text after the
// last line feed.
// Names are decoded as the connection's `wire` reads them.
void parseLines(const QByteArray& text, const std::function<void(const DirEntry&)>& handler,
                const WireText& wire = WireText());

// The size named by a one-file listing; 0 when the line fits no form.
quint64 sizeFromListing(const QByteArray& text);

// The size field of an entry as a number; nullopt when it is not a decimal
// number.
std::optional<quint64> sizeOf(const DirEntry& entry);

// "." or "..": the folder itself or its parent.
bool isDotName(const QString& name);

// True for names that may become part of a local path: not empty, not "."
// or "..", no folder separators of either kind.
bool isSafeLocalName(const QString& name);

} // namespace DirListing
