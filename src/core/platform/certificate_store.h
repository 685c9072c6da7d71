#pragma once

#include <QString>

// Server certificates the user chose to trust always, each for the server
// it came from ("host:port" as the site names it). One line per
// certificate, "host:port FINGERPRINT"; the file is readable by the user
// alone, like the other files that decide whom the program talks to.
namespace CertificateStore {

// The file in the program folder.
QString pathIn(const QString& programDir);
bool isTrusted(const QString& path, const QString& server, const QString& fingerprint);
// Adds the certificate; false when the file cannot be written.
bool trust(const QString& path, const QString& server, const QString& fingerprint);

} // namespace CertificateStore
