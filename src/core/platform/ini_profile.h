#pragma once

#include "core/platform/saved_file.h"

#include <QString>

// Profile (ini) files read and written with the classic rules: sections and
// keys found without regard to case, values trimmed of blanks (and of one
// pair of surrounding quotes), cut to the reader's buffer less one byte.
// Files are in code page 936 with CR LF line ends.
namespace IniProfile {

QString read(const QString& path, const QString& section, const QString& key,
             const QString& defaultValue, int bufferLength);
// Replaces the key's value, adding the key (and the section) when missing.
// The file is replaced whole: a failed write leaves the old one.
bool write(const QString& path, const QString& section, const QString& key, const QString& value,
           SavedFile::Access access = SavedFile::Access::Default);

// The leading decimal integer of a text, as atoi reads it (0 when none).
int leadingInt(const QString& text);

} // namespace IniProfile
