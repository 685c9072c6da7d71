#include "core/sites/web_address.h"

#include <gtest/gtest.h>

using WebAddress::Outcome;

TEST(WebAddress, MapsAFileBelowTheHomePageFolder) {
    struct Case {
        const char* url;
        const char* ftpPath;
        const char* folder;
        const char* name;
        Outcome outcome;
        const char* address;
    };
    const Case cases[] = {
        // The worked example: /www/pics/a.gif below /www/index.html.
        {"http://h/index.html", "/www/index.html", "/www/pics", "a.gif", Outcome::Address,
         "http://h/pics/a.gif"},
        // The home page's own folder: an empty relative part.
        {"http://h/index.html", "/www/index.html", "/www", "b.htm", Outcome::Address,
         "http://h/b.htm"},
        // A page at the top, with or without its "/": the root is the URL's folder.
        {"http://h/~me/index.html", "index.html", "/", "a.htm", Outcome::Address,
         "http://h/~me/a.htm"},
        {"http://h/~me/index.html", "/index.html", "/docs", "a.htm", Outcome::Address,
         "http://h/~me/docs/a.htm"},
        // Names are trimmed; blanks and Chinese stay as they are.
        {"http://h/index.html", "/www/index.html", "/www", "  报表 2024.htm ", Outcome::Address,
         "http://h/报表 2024.htm"},
        // Case counts, and the home folder must stand at the front.
        {"http://h/index.html", "/www/index.html", "/WWW/pics", "a.gif", Outcome::OutsideHome, ""},
        {"http://h/index.html", "/www/index.html", "/x/www", "a.gif", Outcome::OutsideHome, ""},
        // A folder whose name only begins like the home folder is not below it.
        {"http://h/index.html", "/www/index.html", "/wwwold", "a.gif", Outcome::OutsideHome, ""},
        // Settings missing, or a URL without any "/".
        {"", "/www/index.html", "/www", "a.gif", Outcome::NotSet, ""},
        {"http://h/index.html", "", "/www", "a.gif", Outcome::NotSet, ""},
        {"index.html", "/www/index.html", "/www", "a.gif", Outcome::NoAddress, ""},
        {"http://h/index.html", "/www/index.html", "/www", "   ", Outcome::NoAddress, ""},
    };
    for (const Case& c : cases) {
        const WebAddress::Result r =
            WebAddress::forFile(QString::fromUtf8(c.url), QString::fromUtf8(c.ftpPath),
                                QString::fromUtf8(c.folder), QString::fromUtf8(c.name));
        EXPECT_EQ(r.outcome, c.outcome) << c.folder << " " << c.name;
        EXPECT_EQ(r.address, QString::fromUtf8(c.address)) << c.folder << " " << c.name;
    }
}
