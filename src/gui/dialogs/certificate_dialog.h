#pragma once

#include "core/platform/prompts.h"

#include <QDialog>

// "服务器证书": a certificate nothing vouches for, shown with why, who it
// names, who issued it, how long it is valid and its SHA-256 fingerprint,
// for the user to trust for this connection, always, or not at all.
class CertificateDialog : public QDialog {
    Q_OBJECT
public:
    CertificateDialog(const QString& server, const TlsCertificate& certificate,
                      QWidget* parent = nullptr);

    Prompts::CertificateAnswer answer() const { return answer_; }

private:
    Prompts::CertificateAnswer answer_ = Prompts::CertificateAnswer::Refuse;
};
