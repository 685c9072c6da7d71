#include "gui/dialogs/certificate_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* selectableLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

CertificateDialog::CertificateDialog(const QString& server, const TlsCertificate& certificate,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("certificateDialog"));
    setWindowTitle(QString::fromUtf8("服务器证书"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QString::fromUtf8("服务器 %1 的证书不能被验证：%2。\n"
                                                 "请核对证书的指纹后再决定是否信任它。")
                                   .arg(server, certificate.problem),
                               this);
    heading->setWordWrap(true);
    layout->addWidget(heading);

    auto* details = new QFormLayout;
    details->addRow(QString::fromUtf8("主题："), selectableLabel(certificate.subject, this));
    details->addRow(QString::fromUtf8("签发者："), selectableLabel(certificate.issuer, this));
    details->addRow(QString::fromUtf8("有效期自："), selectableLabel(certificate.validFrom, this));
    details->addRow(QString::fromUtf8("有效期至："), selectableLabel(certificate.validUntil, this));
    QLabel* fingerprint = selectableLabel(certificate.fingerprint, this);
    fingerprint->setObjectName(QStringLiteral("fingerprint"));
    details->addRow(QString::fromUtf8("SHA-256指纹："), fingerprint);
    layout->addLayout(details);

    auto* buttons = new QDialogButtonBox(this);
    auto add = [&](const char* text, Prompts::CertificateAnswer answer, const char* name) {
        QPushButton* button =
            buttons->addButton(QString::fromUtf8(text), QDialogButtonBox::ActionRole);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, [this, answer] {
            answer_ = answer;
            answer == Prompts::CertificateAnswer::Refuse ? reject() : accept();
        });
        return button;
    };
    add("仅本次信任", Prompts::CertificateAnswer::TrustOnce, "trustOnce");
    add("始终信任", Prompts::CertificateAnswer::TrustAlways, "trustAlways");
    QPushButton* refuse = add("取消", Prompts::CertificateAnswer::Refuse, "refuse");
    layout->addWidget(buttons);
    // Enter or a stray key press must not trust anything.
    refuse->setDefault(true);
    refuse->setFocus();
    setMinimumWidth(520);
}
