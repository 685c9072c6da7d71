#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A self-signed certificate made for a test run: for 127.0.0.1, ::1 and
// localhost (or the names given), valid from an hour ago for a day.
struct TestCertificate {
    QByteArray certificatePem;
    QByteArray keyPem;
    QString fingerprint; // SHA-256, colon-separated upper-case hex

    static TestCertificate make(const QString& commonName = QStringLiteral("127.0.0.1"),
                                const char* altNames = "IP:127.0.0.1,IP:::1,DNS:localhost");
    // Writes both PEM files into `folder` (cert.pem, key.pem) and returns
    // the test server's switches that serve them.
    QStringList writeServerFiles(const QString& folder) const;
};
