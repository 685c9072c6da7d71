#include "core/sites/web_address.h"

namespace WebAddress {

Result forFile(const QString& homeUrl, const QString& homeFtpPath, const QString& folder,
               const QString& name) {
    if (homeUrl.isEmpty() || homeFtpPath.isEmpty())
        return {Outcome::NotSet, {}};
    const qsizetype urlCut = homeUrl.lastIndexOf(QLatin1Char('/'));
    if (urlCut < 0)
        return {};
    const QString baseUrl = homeUrl.left(urlCut + 1);
    // A page at the top ("index.html", "/index.html") has the site's root
    // as its folder.
    const qsizetype pathCut = homeFtpPath.lastIndexOf(QLatin1Char('/'));
    const QString basePath = pathCut <= 0 ? QStringLiteral("/") : homeFtpPath.left(pathCut + 1);
    const QString folderPath = folder == QLatin1String("/") ? folder : folder + QLatin1Char('/');
    const QString file = name.trimmed();
    if (file.isEmpty())
        return {};
    if (!folderPath.startsWith(basePath))
        return {Outcome::OutsideHome, {}};
    return {Outcome::Address, baseUrl + folderPath.mid(basePath.size()) + file};
}

} // namespace WebAddress
