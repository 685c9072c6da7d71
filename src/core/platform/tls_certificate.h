#pragma once

#include <QString>

// What a peer's certificate says, and whether it can be trusted without
// asking: its chain leads to the system's trust store and it names the host.
struct TlsCertificate {
    QString subject;
    QString issuer;
    QString validFrom; // "2026-12-09 07:00:00 UTC"
    QString validUntil;
    // SHA-256 of the certificate's DER form as colon-separated upper-case
    // hex, the form `openssl x509 -fingerprint -sha256` prints.
    QString fingerprint;
    bool verified = false;
    QString problem; // why it is not verified, empty when it is
};
