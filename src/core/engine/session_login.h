#pragma once

#include "core/engine/wire_text.h"

#include <QString>

// How a connection logged in and what it found out on the way, so that
// another connection to the same server (a segment worker) logs in and
// moves data the same way: the address it reached, the login, the data
// mode, the names' encoding and the encryption with its certificate.
struct SessionLogin {
    QString host; // the address the connection reached, not the name typed
    quint16 port = 21;
    QString user;
    QString password;
    QString account;
    bool passive = false;         // data connections as this connection makes them
    bool extendedPassive = false; // EPSV rather than PASV
    WireText::Encoding encoding = WireText::Encoding::Gbk;
    // TLS on the control connection (with the certificate this connection
    // accepted, or one the system vouches for), and on data connections
    // after "PROT P".
    bool tls = false;
    bool dataProtected = false;
    QString tlsServerName;
    QString acceptedFingerprint;
};
