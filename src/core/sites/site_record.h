#pragma once

#include "core/platform/tls_mode.h"

#include <QList>
#include <QString>
#include <QStringList>

// One defined FTP site: nine text fields, in the order the store keeps them.
struct SiteRecord {
    QString name;
    QString address;
    QString port;
    QString user;
    QString password;
    QString account;
    QString startFolder;
    QString homepageUrl;
    QString homepageFtpPath;
    // The text of the site's names: empty to find out per connection, else
    // "UTF8" or "GBK". Stored after the last field only when set, so that a
    // file of sites that find out is the file earlier versions wrote.
    QString encoding;
    static constexpr const char* Utf8 = "UTF8";
    static constexpr const char* Gbk = "GBK";
    // Encryption. Stored the same way, and only when not plain, so a file
    // of earlier versions loads as plain FTP; new sites prefer TLS.
    TlsMode tls = TlsMode::Off;

    static constexpr const char* NewSiteName = "新增FTP站点";
    static constexpr const char* DefaultPassword = "guest@corvane.invalid";

    // A new site as "增加站点" creates it.
    static SiteRecord withDefaults();

    // The port to connect to: 21 when the text is not a positive number.
    int portNumber() const;

    // Why the site cannot be kept and used as it is, naming the field; empty
    // when it can. The store separates fields with commas (the last field
    // may hold them) and sites with line ends, and keeps code page 936 text;
    // the fields also go into command lines.
    QString problem() const;
    // The same for a site's name alone, and for its port alone.
    static QString nameProblem(const QString& name);
    QString portProblem() const;

    QStringList fields() const;
    static SiteRecord fromFields(const QStringList& fields);

    bool operator==(const SiteRecord&) const = default;
};

// How the defined site of a server (address and port) is encrypted; TLS if
// the server offers it when no site is defined for it. A task names its
// server, not its site.
TlsMode tlsModeOfServer(const QList<SiteRecord>& sites, const QString& address, int port);
