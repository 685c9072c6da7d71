// Encryption in the window: the site's 加密 setting, the certificate
// dialog, and a connection to a server that takes nothing unencrypted.
#include "connected_frame.h"
#include "gui/dialogs/certificate_dialog.h"
#include "gui/dialogs/site_properties_dialog.h"
#include "gui/window/status_dialog_bar.h"
#include "test_certificate.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The server's certificate files, made before the server starts.
struct CertificateFiles {
    QTemporaryDir dir;
    TestCertificate certificate = TestCertificate::make();
    QStringList serverArgs() {
        return certificate.writeServerFiles(dir.path()) +
               QStringList{"--tls-required", "--require-reuse"};
    }
};

struct TlsFrame : CertificateFiles, ConnectedFrame {
    TlsFrame() : ConnectedFrame(serverArgs()) {}
};

TlsCertificate sampleCertificate() {
    TlsCertificate c;
    c.subject = "CN=ftp.example.test";
    c.issuer = "CN=ftp.example.test";
    c.validFrom = "2026-12-01 00:00:00 UTC";
    c.validUntil = "2027-12-01 00:00:00 UTC";
    c.fingerprint = "AB:CD";
    c.problem = QString::fromUtf8("证书是自签名的，不受系统信任");
    return c;
}

} // namespace

TEST(SitePropertiesDialog, EncryptionIsShownAndKept) {
    ScriptedPrompts prompts;
    SiteRecord site = siteAt(QString::fromUtf8("甲"), 21);
    SitePropertiesDialog fresh(site, prompts);
    auto* tls = fresh.findChild<QComboBox*>("tls");
    ASSERT_NE(tls, nullptr);
    EXPECT_EQ(tls->currentText(), QString::fromUtf8("如果可用则使用显式TLS")) << "a new site's";
    tls->setCurrentIndex(2);
    fresh.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(fresh.record().tls, TlsMode::Required);

    site.tls = TlsMode::Off;
    SitePropertiesDialog plain(site, prompts);
    EXPECT_EQ(plain.findChild<QComboBox*>("tls")->currentText(), QString::fromUtf8("不加密"));
}

// Each button gives its answer; closing the dialog any other way refuses.
TEST(CertificateDialog, ShowsTheCertificateAndAnswersAsClicked) {
    const struct {
        const char* button;
        Prompts::CertificateAnswer answer;
    } cases[] = {{"trustOnce", Prompts::CertificateAnswer::TrustOnce},
                 {"trustAlways", Prompts::CertificateAnswer::TrustAlways},
                 {"refuse", Prompts::CertificateAnswer::Refuse}};
    for (const auto& c : cases) {
        CertificateDialog dialog("ftp.example.test:21", sampleCertificate());
        EXPECT_EQ(dialog.findChild<QLabel*>("fingerprint")->text(), "AB:CD");
        dialog.findChild<QPushButton*>(c.button)->click();
        EXPECT_EQ(dialog.answer(), c.answer) << c.button;
    }
    CertificateDialog closed("ftp.example.test:21", sampleCertificate());
    closed.show();
    closed.reject();
    EXPECT_EQ(closed.answer(), Prompts::CertificateAnswer::Refuse);

    // Enter refuses: the focus starts on 取消.
    CertificateDialog entered("ftp.example.test:21", sampleCertificate());
    entered.show();
    QApplication::setActiveWindow(&entered);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &entered,
                    Qt::Key_Return);
    EXPECT_EQ(entered.answer(), Prompts::CertificateAnswer::Refuse);
    EXPECT_FALSE(entered.isVisible());
}

// Against a server that takes nothing unencrypted: the certificate is asked
// about once and kept, the listing comes, the status bar says the
// connection is encrypted until it is closed.
TEST(TlsWindow, ConnectsToATlsOnlyServerAfterTheCertificateQuestion) {
    TlsFrame f;
    f.prompts.certificateAnswers = {Prompts::CertificateAnswer::TrustAlways};
    ASSERT_TRUE(f.connect()) << f.transcript().toStdString();
    EXPECT_EQ(f.prompts.count("certificate:" + f.certificate.fingerprint), 1);
    EXPECT_TRUE(names(f.list).contains("A.bin"));
    EXPECT_TRUE(
        f.frame->statusDialogBar()->securityText().startsWith(QString::fromUtf8("已加密（TLSv1.")))
        << f.frame->statusDialogBar()->securityText().toStdString();
    EXPECT_TRUE(f.transcript().contains("PROT P"));
    EXPECT_TRUE(readBytes(f.programDir() + "certificates.txt")
                    .contains(f.certificate.fingerprint.toLatin1()));

    f.frame->runCommand(Cmd::CloseConnection);
    ASSERT_TRUE(waitUntil([&] { return f.frame->statusDialogBar()->securityText().isEmpty(); }));
}
