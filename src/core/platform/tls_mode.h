#pragma once

// Whether a connection is encrypted (explicit TLS, "AUTH TLS"). Kept here,
// below both the site store and the engine.
enum class TlsMode {
    Off,         // plain FTP
    IfAvailable, // TLS when the server takes "AUTH TLS", plain otherwise
    Required,    // no login without TLS
};
