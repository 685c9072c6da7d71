// The site properties dialog, driven offscreen with real key events.
#include "core/sites/web_address.h"
#include "gui/dialogs/site_properties_dialog.h"
#include "scripted_prompts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

SiteRecord demoSite() {
    SiteRecord s = SiteRecord::withDefaults();
    s.name = QString::fromUtf8("演示站点");
    s.address = "127.0.0.1";
    s.port = "2121";
    return s;
}

struct Dialog {
    ScriptedPrompts prompts;
    SitePropertiesDialog dialog;
    explicit Dialog(const SiteRecord& site) : dialog(site, prompts) { dialog.show(); }
    QLineEdit* edit(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    void retype(const char* name, const QString& text) {
        QLineEdit* e = edit(name);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }
    void clickOk() { dialog.findChild<QPushButton*>("ok")->click(); }
};

} // namespace

TEST(SitePropertiesDialog, ShowsTheSiteButNotItsNameForEditing) {
    Dialog d(demoSite());
    EXPECT_EQ(d.dialog.windowTitle(), QString::fromUtf8("FTP站点属性"));
    EXPECT_EQ(d.dialog.findChild<QGroupBox*>("siteBox")->title(),
              QString::fromUtf8("站点名称：演示站点"));
    EXPECT_EQ(d.edit("address")->text(), "127.0.0.1");
    EXPECT_EQ(d.edit("port")->text(), "2121");
    EXPECT_EQ(d.edit("password")->echoMode(), QLineEdit::Password);
}

TEST(SitePropertiesDialog, AccountFollowsTheUserAsItIsTyped) {
    Dialog d(demoSite());
    d.retype("account", "acct");
    d.retype("user", "bob");
    EXPECT_EQ(d.edit("account")->text(), "bob");
    d.retype("port", "21x");
    EXPECT_EQ(d.edit("port")->text(), "21") << "digits only";
}

// What the dialog keeps gives the web address a user expects, for a site
// folder and for a home page named as a page.
TEST(SitePropertiesDialog, TheHomepageFieldsGiveTheRightWebAddress) {
    const struct {
        const char* url;
        const char* ftpPath;
    } rows[] = {{"http://h/", "/www/"},
                {"http://h/index.html", "/www/index.html"},
                {"http://h/index.html", "/www/"},
                {"http://h", "/www/"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.url) + " " + row.ftpPath);
        Dialog d(demoSite());
        d.retype("homepageUrl", row.url);
        d.retype("homepageFtpPath", row.ftpPath);
        d.clickOk();
        const SiteRecord r = d.dialog.record();
        const WebAddress::Result web =
            WebAddress::forFile(r.homepageUrl, r.homepageFtpPath, "/www/pics", "a.gif");
        EXPECT_EQ(web.address, "http://h/pics/a.gif");
    }
}

TEST(SitePropertiesDialog, OkTrimsAndShapesTheHomepageFields) {
    Dialog d(demoSite());
    d.retype("address", "  ftp.example.test  ");
    d.retype("password", " pw ");
    d.retype("homepageUrl", "http://www.example.test");
    d.retype("homepageFtpPath", "/www/");
    d.clickOk();
    ASSERT_EQ(d.dialog.result(), QDialog::Accepted) << d.prompts.shown.join('|').toStdString();
    const SiteRecord r = d.dialog.record();
    EXPECT_EQ(r.name, QString::fromUtf8("演示站点"));
    EXPECT_EQ(r.address, "ftp.example.test");
    EXPECT_EQ(r.password, "pw");
    EXPECT_EQ(r.homepageUrl, "http://www.example.test/") << "the root of an address without a path";
    EXPECT_EQ(r.homepageFtpPath, "/www/") << "a folder stays a folder";

    Dialog root(demoSite());
    root.retype("homepageFtpPath", "/");
    root.retype("password", "");
    root.clickOk();
    EXPECT_EQ(root.dialog.record().homepageFtpPath, "/");
    EXPECT_TRUE(root.dialog.record().password.isEmpty()) << "an empty password is allowed";
}

TEST(SitePropertiesDialog, RequiredFieldsKeepTheDialogOpen) {
    Dialog d(demoSite());
    d.edit("startFolder")->setText("   ");
    d.clickOk();
    EXPECT_TRUE(d.dialog.isVisible());
    EXPECT_EQ(d.prompts.shown,
              QStringList{QString::fromUtf8("地址、端口、用户、起始目录不能为空！")});
    EXPECT_EQ(d.dialog.record(), demoSite()) << "nothing taken over";
}

TEST(SitePropertiesDialog, HelpAtItsKeyword) {
    Dialog d(demoSite());
    QSignalSpy spy(&d.dialog, &SitePropertiesDialog::helpRequested);
    QTest::keyClick(&d.dialog, Qt::Key_F1);
    d.dialog.findChild<QPushButton*>("help")->click();
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toString(), QString::fromUtf8("FTP站点属性"));
}

TEST(SitePropertiesDialog, FieldsTheStoreCannotKeepKeepTheDialogOpen) {
    Dialog d(demoSite());
    d.retype("password", "pa,ss");
    d.clickOk();
    EXPECT_EQ(d.prompts.shown, QStringList{QString::fromUtf8("用户密码不能含有逗号（,）！")});
    EXPECT_TRUE(d.dialog.isVisible());
    d.retype("password", "pass");
    d.retype("port", "70000");
    d.clickOk();
    EXPECT_EQ(d.prompts.shown.last(), QString::fromUtf8("连接端口必须是1到65535之间的数字！"));
    EXPECT_TRUE(d.dialog.isVisible());
    d.retype("port", "2121");
    d.clickOk();
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.dialog.record().password, "pass");
}

TEST(SitePropertiesDialog, TheNameEncodingIsShownAndKept) {
    SiteRecord utf8 = demoSite();
    utf8.encoding = SiteRecord::Utf8;
    Dialog d(utf8);
    auto* encoding = d.dialog.findChild<QComboBox*>("encoding");
    ASSERT_NE(encoding, nullptr);
    EXPECT_EQ(encoding->currentText(), "UTF-8");
    encoding->setCurrentIndex(2);
    d.clickOk();
    EXPECT_EQ(d.dialog.record().encoding, "GBK");

    Dialog automatic(demoSite());
    EXPECT_EQ(automatic.dialog.findChild<QComboBox*>("encoding")->currentText(),
              QString::fromUtf8("自动"));
    automatic.clickOk();
    EXPECT_TRUE(automatic.dialog.record().encoding.isEmpty());
}
