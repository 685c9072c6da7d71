#pragma once

#include "core/platform/data_mode.h"

#include <QString>

// How the program reaches FTP servers: directly or through a proxy, and
// how many segments one download may use. Kept in corvane.ini, section
// "CONNECT". This is the file side; the dialog that edits it lives with
// the window.
struct NetworkSettings {
    bool useProxy = false;
    QString proxyHost;
    QString proxyPort;
    QString proxyUser;
    QString proxyPass;
    QString maxSegments = QStringLiteral("1");
    // "数据连接模式"; a file without the key means automatic.
    DataMode dataMode = DataMode::Auto;

    static constexpr const char* FileName = "corvane.ini";

    // Read with the file's rules: defaults for what is missing, the proxy
    // values only in proxy mode, host "localhost" and port "21" when
    // unusable, segments clamped to 1..5.
    static NetworkSettings read(const QString& iniPath);
    // Writes all seven keys, the proxy keys empty in direct mode; the file is
    // readable by the user alone (it holds the proxy password).
    bool write(const QString& iniPath) const;

    int segmentCount() const;
    // Why the settings cannot be used as they are, naming the field; empty
    // when they can. Only proxy mode has fields to check.
    QString problem() const;

    bool operator==(const NetworkSettings&) const = default;
};
