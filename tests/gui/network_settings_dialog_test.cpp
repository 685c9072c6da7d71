// "上网属性", driven offscreen.
#include "core/platform/ini_profile.h"
#include "gui/dialogs/network_settings_dialog.h"
#include "scripted_prompts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Dialog {
    QTemporaryDir dir;
    QString ini = dir.filePath("corvane.ini");
    ScriptedPrompts prompts;
    NetworkSettingsDialog dialog;
    explicit Dialog(const NetworkSettings& s) : dialog(s, ini, prompts) { dialog.show(); }
    QComboBox* combo(const char* name) { return dialog.findChild<QComboBox*>(name); }
    QLineEdit* edit(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    QString key(const char* name) {
        return IniProfile::read(ini, "CONNECT", QString::fromLatin1(name), "<missing>", 100);
    }
};

NetworkSettings proxied() {
    NetworkSettings s;
    s.useProxy = true;
    s.proxyHost = "proxy.test";
    s.proxyPort = "2121";
    s.proxyUser = "pu";
    s.proxyPass = "pp";
    return s;
}

} // namespace

TEST(NetworkSettingsDialog, ProxyModeFixesOneSegmentAndDirectModeFreesIt) {
    NetworkSettings direct;
    direct.maxSegments = "4";
    Dialog d(direct);
    EXPECT_EQ(d.dialog.windowTitle(), QString::fromUtf8("上网属性"));
    EXPECT_EQ(d.combo("mode")->currentText(), QString::fromUtf8("直接连接上网"));
    EXPECT_EQ(d.combo("segments")->currentText(), "4");
    EXPECT_FALSE(d.edit("proxyHost")->isEnabled());
    EXPECT_TRUE(d.combo("segments")->isEnabled());

    d.combo("mode")->setCurrentIndex(0);
    EXPECT_TRUE(d.edit("proxyHost")->isEnabled());
    EXPECT_EQ(d.combo("segments")->currentText(), "1");
    EXPECT_FALSE(d.combo("segments")->isEnabled());

    d.combo("mode")->setCurrentIndex(1);
    EXPECT_EQ(d.combo("segments")->currentText(), "1");
    EXPECT_TRUE(d.combo("segments")->isEnabled());
    EXPECT_EQ(d.edit("proxyPass")->echoMode(), QLineEdit::Password);
}

TEST(NetworkSettingsDialog, OkInDirectModeWritesEmptyProxyKeys) {
    Dialog d(proxied());
    EXPECT_EQ(d.edit("proxyHost")->text(), "proxy.test");
    d.combo("mode")->setCurrentIndex(1);
    d.combo("segments")->setCurrentText("9"); // written as typed, clamped when read
    d.dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.key("MODEL"), "DIRECT");
    EXPECT_EQ(d.key("PROXYHOST"), "");
    EXPECT_EQ(d.key("PROXYPASS"), "");
    EXPECT_EQ(d.key("MAXTHREAD"), "9");
    EXPECT_FALSE(d.dialog.settings().useProxy);
    EXPECT_EQ(NetworkSettings::read(d.ini).maxSegments, "5");
    EXPECT_EQ(d.key("DATAMODE"), "AUTO");
}

TEST(NetworkSettingsDialog, TheDataModeIsShownAndWritten) {
    NetworkSettings passive;
    passive.dataMode = DataMode::Passive;
    Dialog d(passive);
    EXPECT_EQ(d.combo("dataMode")->currentText(), QString::fromUtf8("被动"));
    d.combo("dataMode")->setCurrentIndex(1);
    d.dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(d.key("DATAMODE"), "PORT");
    EXPECT_EQ(NetworkSettings::read(d.ini).dataMode, DataMode::Active);
}

TEST(NetworkSettingsDialog, OkInProxyModeTrimsAndCancelWritesNothing) {
    Dialog d(NetworkSettings{});
    d.combo("mode")->setCurrentIndex(0);
    QTest::keyClicks(d.edit("proxyHost"), "  gate.test ");
    QTest::keyClicks(d.edit("proxyPort"), "80a");
    d.dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(d.key("MODEL"), "PROXY");
    EXPECT_EQ(d.key("PROXYHOST"), "gate.test");
    EXPECT_EQ(d.key("PROXYPORT"), "80") << "digits only";
    EXPECT_EQ(d.key("MAXTHREAD"), "1");

    Dialog cancelled(proxied());
    cancelled.dialog.findChild<QPushButton*>("cancel")->click();
    EXPECT_FALSE(QFile::exists(cancelled.ini));
}

TEST(NetworkSettingsDialog, EmptyProxyHostOrPortOutOfRangeKeepsTheDialogOpen) {
    Dialog d(NetworkSettings{});
    d.combo("mode")->setCurrentIndex(0);
    QTest::keyClicks(d.edit("proxyPort"), "2121");
    d.dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(d.prompts.shown, QStringList{QString::fromUtf8("代理服务器地址不能为空！")});
    EXPECT_TRUE(d.dialog.isVisible());
    EXPECT_EQ(d.key("MODEL"), "<missing>") << "nothing written";
    QTest::keyClicks(d.edit("proxyHost"), "gate.test");
    d.edit("proxyPort")->setText("70000");
    d.dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(d.prompts.shown.last(), QString::fromUtf8("代理连接端口必须是1到65535之间的数字！"));
    d.edit("proxyPort")->setText("2121");
    d.dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.key("PROXYHOST"), "gate.test");
}
