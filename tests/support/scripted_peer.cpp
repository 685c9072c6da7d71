#include "scripted_peer.h"

#include "core/platform/gbk_text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kLineTimeoutMs = 5000;

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Scripts are written in UTF-8; the wire carries code page 936.
QByteArray wire(const QByteArray& utf8) {
    return Gbk::encode(QString::fromUtf8(utf8));
}

} // namespace

namespace {

// A socket listening on a free port of 127.0.0.1; the port comes back.
int listenOnLoopback(int backlog, quint16* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd, backlog);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

} // namespace

ScriptedPeer::ScriptedPeer() {
    listenFd_ = listenOnLoopback(4, &port_);
}

ScriptedPeer::~ScriptedPeer() {
    if (thread_.joinable())
        thread_.join();
    if (controlFd_ >= 0)
        ::close(controlFd_);
    if (dataFd_ >= 0)
        ::close(dataFd_);
    if (passiveFd_ >= 0)
        ::close(passiveFd_);
    ::close(listenFd_);
}

void ScriptedPeer::fail(const QString& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_ << what;
}

void ScriptedPeer::writeAll(const QByteArray& data) {
    qsizetype sent = 0;
    while (sent < data.size()) {
        ssize_t n =
            ::send(controlFd_, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) {
            fail(QStringLiteral("send failed"));
            return;
        }
        sent += n;
    }
}

bool ScriptedPeer::readLine(QByteArray* line, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        qsizetype lf = pending_.indexOf('\n');
        if (lf >= 0) {
            *line = pending_.left(lf);
            if (line->endsWith('\r'))
                line->chop(1);
            pending_.remove(0, lf + 1);
            std::lock_guard<std::mutex> lock(mutex_);
            received_ << Gbk::decode(*line);
            if (line->startsWith("PORT "))
                lastPort_ = line->mid(5);
            return true;
        }
        int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                           deadline - std::chrono::steady_clock::now())
                           .count());
        if (left <= 0)
            return false;
        pollfd p{controlFd_, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            return false;
        char buf[4096];
        ssize_t n = ::recv(controlFd_, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        pending_.append(buf, n);
    }
}

ScriptedPeer& ScriptedPeer::send(const QByteArray& text) {
    steps_.push_back([this, text = wire(text)] { writeAll(text); });
    return *this;
}

ScriptedPeer& ScriptedPeer::sendPieces(const QList<QByteArray>& pieces, int gapMs) {
    steps_.push_back([this, pieces, gapMs] {
        for (const QByteArray& piece : pieces) {
            writeAll(wire(piece));
            sleepMs(gapMs);
        }
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::sendBytewise(const QByteArray& text, int gapMs) {
    steps_.push_back([this, text = wire(text), gapMs] {
        for (char c : text) {
            writeAll(QByteArray(1, c));
            sleepMs(gapMs);
        }
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::expect(const QByteArray& expected) {
    steps_.push_back([this, expected] {
        QByteArray line;
        if (!readLine(&line, kLineTimeoutMs))
            fail(QStringLiteral("expected \"%1\", got nothing").arg(QString::fromUtf8(expected)));
        else if (line != wire(expected))
            fail(QStringLiteral("expected \"%1\", got \"%2\"")
                     .arg(QString::fromUtf8(expected), Gbk::decode(line)));
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::expectPrefix(const QByteArray& prefix) {
    steps_.push_back([this, prefix] {
        QByteArray line;
        if (!readLine(&line, kLineTimeoutMs) || !line.startsWith(wire(prefix)))
            fail(QStringLiteral("expected a line starting \"%1\", got \"%2\"")
                     .arg(QString::fromLatin1(prefix), QString::fromLatin1(line)));
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::expectSilence(int ms) {
    steps_.push_back([this, ms] {
        QByteArray line;
        if (readLine(&line, ms))
            fail(QStringLiteral("expected silence, got \"%1\"").arg(QString::fromLatin1(line)));
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::expectClosed(int ms) {
    steps_.push_back([this, ms] {
        pollfd p{controlFd_, POLLIN, 0};
        char c;
        if (::poll(&p, 1, ms) <= 0 || ::recv(controlFd_, &c, 1, 0) > 0)
            fail(QStringLiteral("expected the client to close the connection"));
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::pause(int ms) {
    steps_.push_back([ms] { sleepMs(ms); });
    return *this;
}

ScriptedPeer& ScriptedPeer::hangUp() {
    steps_.push_back([this] {
        hungUp_ = true;
        ::close(controlFd_);
        controlFd_ = -1;
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::acceptNext(int timeoutMs) {
    steps_.push_back([this, timeoutMs] {
        for (int* fd : {&controlFd_, &dataFd_, &passiveFd_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
        pending_.clear();
        scriptType_.clear();
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return fail(QStringLiteral("the client never connected again"));
        controlFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::close() {
    steps_.push_back([this] {
        ::close(controlFd_);
        controlFd_ = -1;
    });
    return *this;
}

int ScriptedPeer::dialData(const char* fromAddress) {
    QList<QByteArray> n = lastPort_.split(',');
    if (n.size() != 6) {
        fail(QStringLiteral("no PORT line to connect to"));
        return -1;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, fromAddress, &from.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    QByteArray host = n[0] + '.' + n[1] + '.' + n[2] + '.' + n[3];
    ::inet_pton(AF_INET, host.constData(), &to.sin_addr);
    to.sin_port = htons(quint16(n[4].toInt() * 256 + n[5].toInt()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        fail(QStringLiteral("data connect to %1 failed").arg(QString::fromLatin1(lastPort_)));
        ::close(fd);
        return -1;
    }
    return fd;
}

namespace {

void sendAllOn(int fd, const QByteArray& payload) {
    qsizetype sent = 0;
    while (sent < payload.size()) {
        ssize_t n =
            ::send(fd, payload.constData() + sent, size_t(payload.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

} // namespace

ScriptedPeer& ScriptedPeer::openData(const QByteArray& payload, const char* fromAddress) {
    steps_.push_back([this, payload, fromAddress] {
        int fd = dialData(fromAddress);
        if (fd < 0)
            return;
        sendAllOn(fd, payload);
        ::close(fd);
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::connectData(const char* fromAddress) {
    steps_.push_back([this, fromAddress] { dataFd_ = dialData(fromAddress); });
    return *this;
}

ScriptedPeer& ScriptedPeer::sendDataAndClose(const QByteArray& payload) {
    steps_.push_back([this, payload] {
        if (dataFd_ < 0)
            return fail(QStringLiteral("no data connection to send on"));
        sendAllOn(dataFd_, payload);
        ::close(dataFd_);
        dataFd_ = -1;
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::sendDataKeepOpen(const QByteArray& payload) {
    steps_.push_back([this, payload] {
        if (dataFd_ < 0)
            return fail(QStringLiteral("no data connection to send on"));
        sendAllOn(dataFd_, payload);
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::expectDataClosed(int timeoutMs) {
    steps_.push_back([this, timeoutMs] {
        if (dataFd_ < 0)
            return fail(QStringLiteral("no data connection to watch"));
        pollfd p{dataFd_, POLLIN, 0};
        char c;
        if (::poll(&p, 1, timeoutMs) <= 0 || ::recv(dataFd_, &c, 1, 0) > 0)
            fail(QStringLiteral("expected the client to close the data connection"));
        ::close(dataFd_);
        dataFd_ = -1;
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::receiveData(int timeoutMs) {
    steps_.push_back([this, timeoutMs] {
        if (dataFd_ < 0)
            return fail(QStringLiteral("no data connection to read from"));
        QByteArray got;
        char buf[65536];
        while (true) {
            pollfd p{dataFd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) {
                fail(QStringLiteral("the upload did not end"));
                break;
            }
            ssize_t n = ::recv(dataFd_, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        ::close(dataFd_);
        dataFd_ = -1;
        std::lock_guard<std::mutex> lock(mutex_);
        uploaded_ = got;
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::passive(const QByteArray& command) {
    expect(command);
    steps_.push_back([this, command] {
        if (passiveFd_ >= 0)
            ::close(passiveFd_);
        quint16 port = 0;
        passiveFd_ = listenOnLoopback(1, &port);
        writeAll(command == "EPSV" ? QByteArray("229 Entering Extended Passive Mode (|||") +
                                         QByteArray::number(port) + "|)\r\n"
                                   : QByteArray("227 Entering Passive Mode (127,0,0,1,") +
                                         QByteArray::number(port >> 8) + ',' +
                                         QByteArray::number(port & 0xFF) + ").\r\n");
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::acceptData(int timeoutMs) {
    steps_.push_back([this, timeoutMs] {
        pollfd p{passiveFd_, POLLIN, 0};
        if (passiveFd_ < 0 || ::poll(&p, 1, timeoutMs) <= 0)
            return fail(QStringLiteral("no passive data connection came"));
        dataFd_ = ::accept4(passiveFd_, nullptr, nullptr, SOCK_CLOEXEC);
    });
    return *this;
}

QByteArray ScriptedPeer::uploaded() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return uploaded_;
}

ScriptedPeer& ScriptedPeer::on(const QByteArray& line, const QByteArray& reply) {
    expect(line);
    return send(reply + "\r\n");
}

// The client names the type only when it changes, as the script tracks.
ScriptedPeer& ScriptedPeer::typeAndPort(const QByteArray& type) {
    if (type != scriptType_)
        on("TYPE " + type, "200 type set");
    scriptType_ = type;
    return expectPrefix("PORT ").send("200 ok\r\n");
}

ScriptedPeer& ScriptedPeer::greetAndLogin(const QByteArray& user, const QByteArray& pass,
                                          const QByteArray& folder) {
    send("220 scripted peer ready\r\n");
    on("USER " + user, "331 password please");
    on("PASS " + pass, "230 logged in");
    on("CWD " + folder, "250 ok");
    on("REST 0", "350 restart ok");
    return on("PWD", "257 \"" + folder + "\" is current");
}

void ScriptedPeer::start() {
    thread_ = std::thread([this] { run(); });
}

void ScriptedPeer::run() {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, kLineTimeoutMs) <= 0) {
        fail(QStringLiteral("the client never connected"));
    } else {
        controlFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        for (Step& step : steps_) {
            if (controlFd_ < 0 && !hungUp_)
                break;
            step();
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
}

bool ScriptedPeer::done() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return done_;
}

bool ScriptedPeer::waitDone(int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        sleepMs(5);
    return done();
}

QStringList ScriptedPeer::received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

QStringList ScriptedPeer::failures() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failures_;
}
