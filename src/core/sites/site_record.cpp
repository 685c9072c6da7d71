#include "core/sites/site_record.h"

#include "core/platform/ini_profile.h"

SiteRecord SiteRecord::withDefaults() {
    SiteRecord r;
    r.name = QString::fromUtf8(NewSiteName);
    r.port = QStringLiteral("21");
    r.user = QStringLiteral("anonymous");
    r.password = QString::fromUtf8(DefaultPassword);
    r.account = QStringLiteral("anonymous");
    r.startFolder = QStringLiteral("/");
    return r;
}

QStringList SiteRecord::fields() const {
    return {name,    address,     port,        user,           password,
            account, startFolder, homepageUrl, homepageFtpPath};
}

SiteRecord SiteRecord::fromFields(const QStringList& f) {
    SiteRecord r;
    r.name = f.value(0);
    r.address = f.value(1);
    r.port = f.value(2);
    r.user = f.value(3);
    r.password = f.value(4);
    r.account = f.value(5);
    r.startFolder = f.value(6);
    r.homepageUrl = f.value(7);
    r.homepageFtpPath = f.value(8);
    return r;
}

int SiteRecord::portNumber() const {
    const int number = IniProfile::leadingInt(port);
    return number > 0 ? number : 21;
}
