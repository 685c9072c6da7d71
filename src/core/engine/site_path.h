#pragma once

#include <QString>

// Site paths: absolute, "/" separated, "/" the root, no trailing "/"
// elsewhere.
namespace SitePath {

// "/a/b" -> "/a"; "/a" -> "/".
inline QString parentOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// "/a/b" -> "b".
inline QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace SitePath
