// corvane.ini: the reading rules of every odd value, and what is written.
#include "core/engine/connection_source.h"
#include "core/platform/gbk_text.h"
#include "core/platform/ini_profile.h"
#include "core/settings/network_settings.h"
#include "core/settings/window_layout.h"
#include "core/tasks/connection_setup.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString iniWith(const QTemporaryDir& dir, const QString& text) {
    const QString path = dir.filePath("corvane.ini");
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(Gbk::encode(text));
    return path;
}

} // namespace

TEST(NetworkSettings, ReadingRules) {
    QTemporaryDir dir;
    struct Case {
        const char* ini;
        NetworkSettings expected;
    } cases[] = {
        {"", NetworkSettings{}},
        {"[CONNECT]\r\nMODEL=proxy\r\n", NetworkSettings{true, "localhost", "21", "", "", "1"}},
        {"[connect]\r\nmodel = Proxy \r\nPROXYHOST=  10.1.1.1  \r\nPROXYPORT=abc\r\n"
         "PROXYUSER= pu \r\nPROXYPASS=\"secret\"\r\nMAXTHREAD=3\r\n",
         NetworkSettings{true, "10.1.1.1", "21", "pu", "secret", "3"}},
        {"[CONNECT]\r\nMODEL=DIRECT\r\nPROXYHOST=h\r\nPROXYPORT=8021\r\nMAXTHREAD=0\r\n",
         NetworkSettings{false, "", "", "", "", "1"}},
        {"[CONNECT]\r\nMODEL=PROXY\r\nPROXYPORT= 8021 \r\nMAXTHREAD=12\r\n",
         NetworkSettings{true, "localhost", "8021", "", "", "5"}},
        {"[OTHER]\r\nMODEL=PROXY\r\n[CONNECT]\r\nMAXTHREAD=2x\r\n",
         NetworkSettings{false, "", "", "", "", "2x"}},
        {"[CONNECT]\r\nMODEL=PROXYMODEL\r\n", NetworkSettings{}}, // cut to 9 bytes: not PROXY
        // The data mode: automatic without the key or with a value not known.
        {"[CONNECT]\r\nDATAMODE=port\r\n",
         NetworkSettings{false, "", "", "", "", "1", DataMode::Active}},
        {"[CONNECT]\r\nDATAMODE= PASV \r\n",
         NetworkSettings{false, "", "", "", "", "1", DataMode::Passive}},
        {"[CONNECT]\r\nDATAMODE=EPSV\r\n", NetworkSettings{}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NetworkSettings::read(iniWith(dir, c.ini)), c.expected) << c.ini;
}

TEST(NetworkSettings, LongValuesAreCutToTheBuffer) {
    QTemporaryDir dir;
    const QString path = iniWith(
        dir, "[CONNECT]\r\nMODEL=PROXY\r\nPROXYUSER=" + QString(80, QLatin1Char('u')) + "\r\n");
    EXPECT_EQ(NetworkSettings::read(path).proxyUser, QString(49, QLatin1Char('u')));
}

TEST(NetworkSettings, WritingDirectClearsTheProxyKeys) {
    QTemporaryDir dir;
    const QString path = iniWith(dir, "; kept\r\n[CONNECT]\r\nMODEL=PROXY\r\nPROXYHOST=old\r\n"
                                      "[OTHER]\r\nX=1\r\n");
    NetworkSettings direct;
    direct.maxSegments = "4";
    ASSERT_TRUE(direct.write(path));
    EXPECT_EQ(NetworkSettings::read(path), direct);
    EXPECT_EQ(IniProfile::read(path, "CONNECT", "PROXYHOST", "x", 50), "");
    EXPECT_EQ(IniProfile::read(path, "OTHER", "X", "", 10), "1") << "other sections stay";

    NetworkSettings proxy{true, "127.0.0.1", "2121", "pu", "pp", "1"};
    ASSERT_TRUE(proxy.write(path));
    EXPECT_EQ(NetworkSettings::read(path), proxy);
}

TEST(NetworkSettings, WhatANewConnectionTakes) {
    ConnectionSource source;
    applyNetworkSettings(NetworkSettings{true, "127.0.0.1", "0", "pu", "pp", "9"}, source);
    EXPECT_EQ(source.useProxy, 1);
    EXPECT_EQ(source.proxyPort, 21);
    EXPECT_EQ(source.segmentLimit, 5);
    EXPECT_TRUE(source.segmentsAllowed);
    EXPECT_EQ(source.dataMode, DataMode::Auto);
    applyNetworkSettings(NetworkSettings{false, "", "", "", "", "1", DataMode::Active}, source);
    EXPECT_EQ(source.dataMode, DataMode::Active);
    EXPECT_EQ(source.useProxy, 0);
    EXPECT_EQ(source.proxyPort, 0);
    EXPECT_TRUE(source.proxyHost.isEmpty());
    EXPECT_FALSE(source.segmentsAllowed);
}

TEST(NetworkSettings, WrittenForTheUserAloneAndProxyFieldsChecked) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("corvane.ini");
    NetworkSettings s{true, "gate.test", "2121", "pu", "secret", "1"};
    ASSERT_TRUE(s.write(ini));
    EXPECT_EQ(QFile(ini).permissions() &
                  (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
    EXPECT_EQ(NetworkSettings::read(ini), s);

    EXPECT_EQ(s.problem(), "");
    struct Case {
        NetworkSettings settings;
        const char* problem;
    } cases[] = {
        {{true, "", "21", "", "", "1"}, "代理服务器地址不能为空！"},
        {{true, "gate.test", "70000", "", "", "1"}, "代理连接端口必须是1到65535之间的数字！"},
        {{true, "gate.test", "", "", "", "1"}, "代理连接端口必须是1到65535之间的数字！"},
        {{true, "gate.test", "21", "u\nx", "", "1"}, "代理用户名称不能含有换行符或空字符！"},
        {{false, "", "", "", "", "1"}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.settings.problem(), QString::fromUtf8(c.problem));
}

// The window's layout: a section of its own that the proxy settings never
// touch (nor it them), states back byte for byte, any folder name back
// exactly, and nothing from a damaged value.
TEST(WindowLayout, KeptBesideTheConnectionSettingsAndReadBackExactly) {
    QTemporaryDir dir;
    const QString path = iniWith(dir, "[CONNECT]\r\nMODEL=PROXY\r\nPROXYHOST=gate\r\n");
    EXPECT_EQ(WindowLayout::read(path), WindowLayout{}) << "earlier files have no layout";

    WindowLayout layout;
    layout.geometry = QByteArray("\x01\x00\xff geometry", 12);
    layout.mainSplit = QByteArray(300, '\x7f');
    layout.remoteColumns = "columns";
    layout.remoteStyle = "list";
    layout.localFolder = QString::fromUtf8("/home/u/报告 2026/한국어/100%,a=b");
    ASSERT_TRUE(layout.write(path));
    EXPECT_EQ(WindowLayout::read(path), layout);
    EXPECT_EQ(NetworkSettings::read(path).proxyHost, "gate");
    EXPECT_EQ(QFile(path).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0)
        << "the file may hold the proxy password";

    NetworkSettings direct;
    ASSERT_TRUE(direct.write(path));
    EXPECT_EQ(WindowLayout::read(path), layout) << "the settings dialog keeps the layout";

    IniProfile::write(path, "WINDOW", "GEOMETRY", "not base64 !!");
    EXPECT_TRUE(WindowLayout::read(path).geometry.isEmpty());
}
