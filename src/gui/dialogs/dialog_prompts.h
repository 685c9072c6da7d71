#pragma once

#include "core/platform/prompts.h"

class QWidget;

// Message boxes with the program's own Chinese button texts.
class DialogPrompts : public Prompts {
public:
    explicit DialogPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void report(const QString& text) override;
    bool askYesNo(const QString& text) override;
    bool askOkCancel(const QString& text) override;
    QString askName(NameDialog kind, const QString& current) override;
    CertificateAnswer askCertificate(const QString& server,
                                     const TlsCertificate& certificate) override;
    void setParent(QWidget* parent) { parent_ = parent; }

private:
    QWidget* parent_;
};
