#include "core/platform/certificate_store.h"

#include "core/platform/saved_file.h"

#include <QFile>

namespace {

constexpr qint64 MaxReadSize = 1024 * 1024;

QByteArray lineOf(const QString& server, const QString& fingerprint) {
    return (server + QLatin1Char(' ') + fingerprint).toUtf8();
}

QByteArray contents(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(MaxReadSize);
}

} // namespace

namespace CertificateStore {

QString pathIn(const QString& programDir) {
    return programDir + QStringLiteral("certificates.txt");
}

bool isTrusted(const QString& path, const QString& server, const QString& fingerprint) {
    if (path.isEmpty() || fingerprint.isEmpty())
        return false;
    const QByteArray wanted = lineOf(server, fingerprint);
    for (const QByteArray& line : contents(path).split('\n'))
        if (line.trimmed() == wanted)
            return true;
    return false;
}

bool trust(const QString& path, const QString& server, const QString& fingerprint) {
    if (path.isEmpty())
        return false;
    if (isTrusted(path, server, fingerprint))
        return true;
    QByteArray bytes = contents(path);
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    bytes += lineOf(server, fingerprint) + '\n';
    return SavedFile::write(path, bytes, SavedFile::Access::OwnerOnly);
}

} // namespace CertificateStore
