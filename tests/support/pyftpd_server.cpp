#include "pyftpd_server.h"

#include <QDeadlineTimer>

PyFtpdServer::PyFtpdServer(const QStringList& extraArgs) : extraArgs_(extraArgs) {}

PyFtpdServer::~PyFtpdServer() {
    stop();
}

bool PyFtpdServer::start() {
    if (!root_.isValid())
        return false;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(CORVANE_TEST_SERVERS_DIR "/ftpd.py"),
                               QStringLiteral("--root"), root_.path(), QStringLiteral("--user"),
                               QString::fromLatin1(User), QStringLiteral("--password"),
                               QString::fromLatin1(Password), QStringLiteral("--port"),
                               QString::number(port_)} +
                       extraArgs_);
    if (!process_.waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(15000);
    QByteArray out;
    while (!out.contains('\n')) {
        if (deadline.hasExpired() || !process_.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        out += process_.readAllStandardOutput();
    }
    if (!out.startsWith("PORT "))
        return false;
    port_ = quint16(out.mid(5, out.indexOf('\n') - 5).trimmed().toUInt());
    return port_ != 0;
}

bool PyFtpdServer::restart() {
    stop();
    const quint16 port = port_;
    return start() && port_ == port;
}

void PyFtpdServer::stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

void PyFtpdServer::kill() {
    process_.kill();
    process_.waitForFinished(5000);
}
