#include "core/settings/network_settings.h"

#include "core/platform/ini_profile.h"
#include "core/platform/stored_text.h"

namespace {

const QString kSection = QStringLiteral("CONNECT");
constexpr SavedFile::Access kOwnerOnly = SavedFile::Access::OwnerOnly;

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
    const QString mode = readKey(iniPath, "DATAMODE", "AUTO", 10);
    if (mode.compare(QLatin1String("PORT"), Qt::CaseInsensitive) == 0)
        s.dataMode = DataMode::Active;
    else if (mode.compare(QLatin1String("PASV"), Qt::CaseInsensitive) == 0)
        s.dataMode = DataMode::Passive;
    return s;
}

bool NetworkSettings::write(const QString& iniPath) const {
    const bool direct = !useProxy;
    bool ok = IniProfile::write(iniPath, kSection, QStringLiteral("MODEL"),
                                useProxy ? QStringLiteral("PROXY") : QStringLiteral("DIRECT"),
                                kOwnerOnly);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYHOST"),
                            direct ? QString() : proxyHost, kOwnerOnly);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYPORT"),
                            direct ? QString() : proxyPort, kOwnerOnly);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYUSER"),
                            direct ? QString() : proxyUser, kOwnerOnly);
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("PROXYPASS"),
                            direct ? QString() : proxyPass, kOwnerOnly);
    ok &=
        IniProfile::write(iniPath, kSection, QStringLiteral("MAXTHREAD"), maxSegments, kOwnerOnly);
    const char* mode = dataMode == DataMode::Active    ? "PORT"
                       : dataMode == DataMode::Passive ? "PASV"
                                                       : "AUTO";
    ok &= IniProfile::write(iniPath, kSection, QStringLiteral("DATAMODE"),
                            QString::fromLatin1(mode), kOwnerOnly);
    return ok;
}

int NetworkSettings::segmentCount() const {
    return qBound(1, IniProfile::leadingInt(maxSegments), 5);
}

QString NetworkSettings::problem() const {
    if (!useProxy)
        return {};
    if (proxyHost.trimmed().isEmpty())
        return QString::fromUtf8("代理服务器地址不能为空！");
    const QString port = StoredText::portProblem(QString::fromUtf8("代理连接端口"), proxyPort);
    if (!port.isEmpty())
        return port;
    const struct {
        const char* label;
        const QString& value;
    } fields[] = {
        {"代理服务器地址", proxyHost}, {"代理用户名称", proxyUser}, {"代理用户密码", proxyPass}};
    for (const auto& field : fields) {
        const QString text = StoredText::problem(QString::fromUtf8(field.label), field.value);
        if (!text.isEmpty())
            return text;
    }
    return {};
}
