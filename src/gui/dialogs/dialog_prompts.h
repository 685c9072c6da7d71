#pragma once

#include "core/platform/prompts.h"

#include <QString>

#include <deque>

class QWidget;

// Message boxes with the program's own Chinese button texts. A message
// (OK only) is shown without waiting for it to be closed, so that whatever
// showed it (a connection in the middle of its work) goes on meanwhile;
// messages that come while one is open follow it in turn. Questions wait
// for their answer.
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
    void showNextMessage();

    QWidget* parent_;
    std::deque<QString> waiting_;
    bool messageOpen_ = false;
};
