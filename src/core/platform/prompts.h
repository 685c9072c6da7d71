#pragma once

#include "core/platform/tls_certificate.h"

#include <QString>

// Every message box and question goes through here, so the core can run
// without a window and tests can script the answers. Each call returns only
// when the user has answered.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void report(const QString& text) = 0;      // OK only
    virtual bool askYesNo(const QString& text) = 0;    // true for Yes
    virtual bool askOkCancel(const QString& text) = 0; // true for OK

    // The name dialogs of the file commands; each returns the name as the
    // dialog leaves it, empty when cancelled. Without a window there is no
    // one to ask.
    // A server certificate the system does not vouch for: trust it for
    // this connection, always (for `server`), or not at all.
    enum class CertificateAnswer { Refuse, TrustOnce, TrustAlways };
    virtual CertificateAnswer askCertificate(const QString& server,
                                             const TlsCertificate& certificate) {
        Q_UNUSED(server);
        Q_UNUSED(certificate);
        return CertificateAnswer::Refuse;
    }

    enum class NameDialog { NewFolder, NewFile, Rename };
    virtual QString askName(NameDialog kind, const QString& current = {}) {
        Q_UNUSED(kind);
        Q_UNUSED(current);
        return {};
    }
};

// Where nobody can be asked (a connection working for another in the
// background): every message goes unseen, every question is answered no,
// and no certificate is trusted that was not trusted before.
class UnattendedPrompts : public Prompts {
public:
    void report(const QString&) override {}
    bool askYesNo(const QString&) override { return false; }
    bool askOkCancel(const QString&) override { return false; }
};
