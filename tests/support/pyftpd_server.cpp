#include "pyftpd_server.h"

PyFtpdServer::PyFtpdServer(const QStringList& extraArgs) : extraArgs_(extraArgs) {}

PyFtpdServer::~PyFtpdServer() {
    stop();
}

bool PyFtpdServer::start() {
    if (!root_.isValid())
        return false;
    const QStringList args = QStringList{QStringLiteral(CORVANE_TEST_SERVERS_DIR "/ftpd.py"),
                                         QStringLiteral("--root"),
                                         root_.path(),
                                         QStringLiteral("--user"),
                                         QString::fromLatin1(User),
                                         QStringLiteral("--password"),
                                         QString::fromLatin1(Password),
                                         QStringLiteral("--port"),
                                         QString::number(port_)} +
                             extraArgs_;
    if (!process_.start(QStringLiteral("/usr/bin/python3"), args))
        return false;
    const QByteArray line = process_.readLine(15000);
    if (!line.startsWith("PORT "))
        return false;
    port_ = quint16(line.mid(5).trimmed().toUInt());
    return port_ != 0;
}

QString PyFtpdServer::url(const QString& path) const {
    return QStringLiteral("ftp://%1:%2@127.0.0.1:%3%4")
        .arg(QString::fromLatin1(User), QString::fromLatin1(Password))
        .arg(port_)
        .arg(path);
}

bool PyFtpdServer::restart() {
    stop();
    const quint16 port = port_;
    return start() && port_ == port;
}

void PyFtpdServer::stop() {
    if (!process_.running())
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
