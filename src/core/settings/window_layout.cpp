#include "core/settings/window_layout.h"

#include "core/platform/ini_profile.h"

#include <QUrl>

namespace {

const QString kSection = QStringLiteral("WINDOW");
// Base64 of the largest state the window keeps, with room to spare.
constexpr int kBuffer = 8192;

struct Field {
    const char* key;
    QByteArray WindowLayout::*bytes;
};

const Field kStates[] = {
    {"GEOMETRY", &WindowLayout::geometry},           {"MAINSPLIT", &WindowLayout::mainSplit},
    {"LEFTSPLIT", &WindowLayout::leftSplit},         {"LOCALSPLIT", &WindowLayout::localSplit},
    {"REMOTESPLIT", &WindowLayout::remoteSplit},     {"LOCALCOLUMNS", &WindowLayout::localColumns},
    {"REMOTECOLUMNS", &WindowLayout::remoteColumns}, {"RIGHTSPLIT", &WindowLayout::rightSplit},
};

QString readKey(const QString& path, const char* key) {
    return IniProfile::read(path, kSection, QString::fromLatin1(key), QString(), kBuffer);
}

bool writeKey(const QString& path, const char* key, const QString& value) {
    return IniProfile::write(path, kSection, QString::fromLatin1(key), value,
                             SavedFile::Access::OwnerOnly);
}

} // namespace

WindowLayout WindowLayout::read(const QString& iniPath) {
    WindowLayout layout;
    for (const Field& field : kStates) {
        const auto decoded = QByteArray::fromBase64Encoding(
            readKey(iniPath, field.key).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            layout.*field.bytes = *decoded;
    }
    layout.localStyle = readKey(iniPath, "LOCALSTYLE");
    layout.remoteStyle = readKey(iniPath, "REMOTESTYLE");
    layout.localFolder = QUrl::fromPercentEncoding(readKey(iniPath, "LOCALFOLDER").toLatin1());
    layout.transferListHidden = readKey(iniPath, "TRANSFERLIST") == QLatin1String("0");
    return layout;
}

bool WindowLayout::write(const QString& iniPath) const {
    bool ok = true;
    for (const Field& field : kStates)
        ok &= writeKey(iniPath, field.key, QString::fromLatin1((this->*field.bytes).toBase64()));
    ok &= writeKey(iniPath, "LOCALSTYLE", localStyle);
    ok &= writeKey(iniPath, "REMOTESTYLE", remoteStyle);
    ok &= writeKey(iniPath, "LOCALFOLDER",
                   QString::fromLatin1(QUrl::toPercentEncoding(localFolder, "/")));
    ok &= writeKey(iniPath, "TRANSFERLIST",
                   transferListHidden ? QStringLiteral("0") : QStringLiteral("1"));
    return ok;
}
