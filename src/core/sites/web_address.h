#pragma once

#include <QString>

// The web address of a file on a site that is also a web site: the home
// page URL shows the page that lies at the home page FTP path, so a file
// below that path's folder lies below the URL's folder in the same way.
namespace WebAddress {

enum class Outcome {
    Address,     // `address` holds the file's web address
    NotSet,      // the site has no home page URL or FTP path
    OutsideHome, // the file's folder is not below the home page's folder
    NoAddress,   // nothing to open, nothing to say
};

struct Result {
    Outcome outcome = Outcome::NoAddress;
    QString address;
};

// `folder` is the site folder of the file ("/" or a path without a trailing
// "/"), `name` the file's name.
Result forFile(const QString& homeUrl, const QString& homeFtpPath, const QString& folder,
               const QString& name);

} // namespace WebAddress
