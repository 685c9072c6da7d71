#pragma once

#include <QString>

// Texts the program keeps in its own files (code page 936, one record per
// line, fields apart by commas) and sends in command lines.
namespace StoredText {

// Why `value` cannot be kept as the field named `label`: a line break or a
// zero, a comma where commas separate fields, a character code page 936
// cannot hold. Empty when it can.
QString problem(const QString& label, const QString& value, bool commasAllowed = true);

} // namespace StoredText
