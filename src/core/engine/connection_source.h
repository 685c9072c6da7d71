#pragma once

#include "core/engine/data_address.h"
#include "core/engine/wire_text.h"
#include "core/platform/tls_mode.h"
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>

// Everything one connection knows about its site and its current transfer.
// It is the only object shared with the segment threads of a segmented
// download: the counters those threads and the UI thread both touch without
// the lock are atomics, everything else is written on the UI thread before
// segment threads start.
class ConnectionSource {
public:
    // Capacity of the fixed texts, terminating zero included: a text keeps at
    // most capacity - 1 bytes in its code-page form.
    static constexpr int FixedText = 50;
    static constexpr int HomepageText = 100;

    ConnectionSource() = default;
    ConnectionSource(const ConnectionSource&) = delete;
    ConnectionSource& operator=(const ConnectionSource&) = delete;

    // Setters for the fixed texts cut an over-long value at a character
    // boundary, as the fixed fields of the record always end in a zero.
    void setUser(const QString& v);
    void setPassword(const QString& v);
    void setHostAddress(const QString& v);
    void setHostName(const QString& v);
    void setAccount(const QString& v);
    void setStartFolder(const QString& v);
    void setHomepageUrl(const QString& v);
    void setHomepageFtpPath(const QString& v);

    const QString& user() const { return user_; }
    const QString& password() const { return password_; }
    const QString& hostAddress() const { return hostAddress_; }
    const QString& hostName() const { return hostName_; }
    const QString& account() const { return account_; }
    const QString& startFolder() const { return startFolder_; }
    const QString& homepageUrl() const { return homepageUrl_; }
    const QString& homepageFtpPath() const { return homepageFtpPath_; }

    int useProxy = 0;
    QString proxyHost;
    int proxyPort = 0;
    QString proxyUser;
    QString proxyPass;
    int port = 21;
    // How data connections are made; the engine's own default is active,
    // the settings file's is automatic.
    DataMode dataMode = DataMode::Active;
    // The text of names on the wire; the engine's own default is code page
    // 936, what a site asks for by default is to find out.
    WireText::Choice encoding = WireText::Choice::Gbk;
    QString taskFolder;
    // Encryption; the engine's own default is plain FTP.
    TlsMode tlsMode = TlsMode::Off;
    // Where certificates trusted always are kept (empty: nowhere), and the
    // fingerprints trusted for this run besides.
    QString trustFile;
    QStringList trustedFingerprints;

    // 64-bit: files of any size count correctly.
    std::atomic<quint64> bytesDone{0};
    qint64 startTime = 0; // calendar seconds

    // Segment bookkeeping (the ranges themselves are the segment job's),
    // guarded by `lock`.
    std::atomic<qint32> runningThreads{0};

    QString taskFileName;
    bool segmentsAllowed = false;
    std::atomic<bool> restSupported{false};
    int segmentLimit = 1;
    std::atomic<bool> abortRequested{false};

    std::mutex lock;

private:
    QString user_;
    QString password_;
    QString hostAddress_;
    QString hostName_;
    QString account_;
    QString startFolder_;
    QString homepageUrl_;
    QString homepageFtpPath_;
};
