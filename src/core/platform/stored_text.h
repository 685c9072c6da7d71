#pragma once

#include <QString>

// Texts the program keeps in its own files (code page 936, one record per
// line, fields apart by commas) and sends in command lines.
namespace StoredText {

// Why `value` cannot be kept as the field named `label`: a line break or a
// zero, a comma where commas separate fields, a character code page 936
// cannot hold. Empty when it can.
QString problem(const QString& label, const QString& value, bool commasAllowed = true);

// Whether `value` holds a CR, an LF or a zero, which would end a line early.
bool breaksLine(const QString& value);

// Why `text` is no port (1 to 65535) for the field named `label`; empty when
// it is one.
QString portProblem(const QString& label, const QString& text);

} // namespace StoredText
