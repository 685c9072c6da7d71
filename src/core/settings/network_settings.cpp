#include "core/settings/network_settings.h"

#include "core/platform/ini_profile.h"

namespace {

const QString kSection = QStringLiteral("CONNECT");

QString readKey(const QString& path, const char* key, const char* defaultValue, int buffer) {
    return IniProfile::read(path, kSection, QString::fromLatin1(key),
                            QString::fromLatin1(defaultValue), buffer)
        .trimmed();
}

} // namespace

NetworkSettings NetworkSettings::read(const QString& iniPath) {
    NetworkSettings s;
    const QString model = readKey(iniPath, "MODEL", "DIRECT", 10);
    s.useProxy = model.compare(QLatin1String("PROXY"), Qt::CaseInsensitive) == 0;
    if (s.useProxy) {
        s.proxyHost = readKey(iniPath, "PROXYHOST", "", 50);
        if (s.proxyHost.isEmpty())
            s.proxyHost = QStringLiteral("localhost");
        s.proxyPort = readKey(iniPath, "PROXYPORT", "", 10);
        if (IniProfile::leadingInt(s.proxyPort) < 1)
            s.proxyPort = QStringLiteral("21");
        s.proxyUser = readKey(iniPath, "PROXYUSER", "", 50);
        s.proxyPass = readKey(iniPath, "PROXYPASS", "", 50);
    }
    const QString segments =
        IniProfile::read(iniPath, kSection, QStringLiteral("MAXTHREAD"), QStringLiteral("1"), 10);
    const int n = IniProfile::leadingInt(segments);
    s.maxSegments = n < 1 ? QStringLiteral("1") : n > 5 ? QStringLiteral("5") : segments;
    return s;
}

bool NetworkSettings::write(const QString& iniPath) const {
    const bool direct = !useProxy;
    bool ok = IniProfile::write(iniPath, kSection, QStringLiteral("MODEL"),
                                useProxy ? QStringLiteral("PROXY") : QStringLiteral("DIRECT"));
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYHOST"),
                            direct ? QString() : proxyHost);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYPORT"),
                            direct ? QString() : proxyPort);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYUSER"),
                            direct ? QString() : proxyUser);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYPASS"),
                            direct ? QString() : proxyPass);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("MAXTHREAD"), maxSegments);
    return ok;
}

int NetworkSettings::segmentCount() const {
    return qBound(1, IniProfile::leadingInt(maxSegments), 5);
}
