#include "core/tasks/segment_worker.h"

#include "core/engine/connection_source.h"
#include "core/engine/data_address.h"
#include "core/engine/ftp_reply.h"
#include "core/platform/async_socket.h"
#include "core/platform/clock.h"

#include <QThread>

namespace {

constexpr int DataBlock = 65536;
constexpr int BlocksPerTurn = 16;
constexpr int ReplyLimit = 65536;

} // namespace

void SegmentJob::saveState() {
    if (!state.isOpen())
        return;
    const QByteArray bytes = plan.encode();
    if (state.seek(0) && state.write(bytes) == bytes.size())
        state.resize(bytes.size());
}

void SegmentThread::run() {
    SegmentWorker worker(job_);
    worker.start();
    exec();
}

SegmentWorker::SegmentWorker(SegmentJob& job) : job_(job) {}

quint32 SegmentWorker::now() const {
    return job_.clock.tickCount();
}

// More than `ms` have passed since `since`; never while nothing is timed.
bool SegmentWorker::longerThan(const std::optional<quint32>& since, int ms) const {
    return since && ticksSince(now(), *since) > quint32(ms);
}

SegmentWorker::~SegmentWorker() = default;

void SegmentWorker::start() {
    setTimer(WatchTimer, 1000);
    if (!takeSegment()) {
        finish();
        return;
    }
    connectControl();
}

bool SegmentWorker::takeSegment() {
    std::lock_guard<std::mutex> lock(job_.source.lock);
    const std::optional<int> next = job_.plan.nextUnfinished(job_.nextSegment);
    if (!next) {
        job_.nextSegment = job_.plan.count();
        return false;
    }
    current_ = *next;
    job_.nextSegment = *next + 1;
    attempts_ = 0;
    return true;
}

void SegmentWorker::connectControl() {
    closeSockets();
    awaitingReply_ = now(); // the greeting
    replies_.clear();
    step_ = Step::Connecting;
    activity_ = now();
    control_ = std::make_unique<AsyncSocket>();
    if (!control_->open(AsyncSocket::isIpv6Address(job_.login.host))) {
        segmentFailed();
        return;
    }
    control_->asyncSelect(this, Fd::Connect | Fd::Read | Fd::Close);
    const int result = control_->connect(job_.login.host, job_.login.port);
    if (result != 0 && result != AsyncSocket::WouldBlock)
        segmentFailed();
}

void SegmentWorker::onMessage(int msg, WParam wParam, LParam lParam) {
    if (msg != Msg::SocketEvent || finished_)
        return;
    const int event = eventOf(lParam);
    const int error = errorOf(lParam);
    if (control_ && wParam == control_->id())
        onControlEvent(event, error);
    else if (listen_ && wParam == listen_->id() && event == Fd::Accept)
        onAccept();
    else if (data_ && wParam == data_->id() && event == Fd::Connect)
        onDataConnected(error);
    else if (data_ && wParam == data_->id())
        onData(event, error);
}

void SegmentWorker::onControlEvent(int event, int error) {
    if (event == Fd::Connect) {
        if (error != 0) {
            segmentFailed();
            return;
        }
        if (step_ == Step::Connecting) // the greeting may have been read already
            step_ = Step::Greeting;
        activity_ = now();
        return;
    }
    if (event == Fd::Close) {
        controlClosed();
        return;
    }
    if (event == Fd::Secured) {
        onControlSecured(error);
        return;
    }
    if (event != Fd::Read)
        return;
    char chunk[4096];
    for (;;) {
        const qint64 n = control_->recv(chunk, sizeof chunk);
        if (n < 0 && control_->lastError() == AsyncSocket::WouldBlock)
            break;
        if (n <= 0) {
            controlClosed();
            return;
        }
        activity_ = now();
        replies_.append(chunk, n);
        if (replies_.size() > ReplyLimit) {
            segmentFailed();
            return;
        }
    }
    // The handler may close the connection, or start a new one.
    AsyncSocket* const socket = control_.get();
    while (control_.get() == socket && !finished_) {
        const std::optional<FtpReply> reply = FtpReply::take(replies_);
        if (!reply)
            break;
        onReply(*reply);
    }
}

// The server closed the control connection: expected after QUIT, a
// failure of the range otherwise.
void SegmentWorker::controlClosed() {
    if (step_ != Step::Quit) {
        segmentFailed();
        return;
    }
    closeSockets();
    if (takeSegment())
        connectControl();
    else
        finish();
}

// One step per reply, the login first; a preliminary reply waits for the
// next.
void SegmentWorker::onReply(const FtpReply& reply) {
    awaitingReply_.reset();
    switch (step_) {
    case Step::Connecting:
    case Step::Greeting:
    case Step::Auth:
    case Step::Handshake:
    case Step::User:
    case Step::Pass:
    case Step::Acct:
    case Step::Pbsz:
    case Step::Prot:
        onLoginReply(reply.code);
        return;
    case Step::Type:
    case Step::Pasv:
    case Step::Port:
    case Step::Rest:
    case Step::Retr:
    case Step::Quit:
        onTransferReply(reply);
        return;
    }
}

void SegmentWorker::onLoginReply(int code) {
    switch (step_) {
    case Step::Connecting:
    case Step::Greeting:
        if (code == 220 && job_.login.tls)
            send(QStringLiteral("AUTH TLS"), Step::Auth);
        else if (code == 220)
            sendUser();
        else if (code >= 400)
            segmentFailed();
        return;
    case Step::Auth:
        if (code == 234)
            startControlTls();
        else
            segmentFailed();
        return;
    case Step::Handshake:
        segmentFailed(); // nothing may come before the handshake is through
        return;
    case Step::Pbsz:
        if (code == 200)
            send(QStringLiteral("PROT P"), Step::Prot);
        else
            segmentFailed();
        return;
    case Step::Prot:
        if (code == 200)
            send(QStringLiteral("TYPE I"), Step::Type);
        else
            segmentFailed();
        return;
    case Step::User:
    case Step::Pass:
    case Step::Acct:
        if (code == 230)
            afterLogin();
        else if (code == 331)
            send(QStringLiteral("PASS ") + job_.login.password, Step::Pass);
        else if (code == 332)
            send(QStringLiteral("ACCT ") + job_.login.account, Step::Acct);
        else if (code >= 300)
            segmentFailed();
        return;
    default:
        return;
    }
}

void SegmentWorker::onTransferReply(const FtpReply& reply) {
    const int code = reply.code;
    switch (step_) {
    case Step::Type:
        if (code != 200)
            segmentFailed();
        else if (job_.login.passive)
            send(QString::fromLatin1(job_.login.extendedPassive || control_->isIpv6() ? "EPSV"
                                                                                      : "PASV"),
                 Step::Pasv);
        else if (!sendPort())
            segmentFailed();
        return;
    case Step::Pasv:
        if (code < 200)
            return;
        if (!connectPassive(reply))
            segmentFailed();
        return;
    case Step::Port:
        if (code == 200)
            sendRest();
        else
            segmentFailed();
        return;
    case Step::Rest:
        if (code == 350) {
            send(QStringLiteral("RETR ") + job_.sitePath, Step::Retr);
            retrSent_ = now();
        } else
            segmentFailed();
        return;
    case Step::Retr:
        // "226" ends the last range; the data connection's end decides.
        if (code >= 400) {
            segmentFailed();
        } else if (code < 200) {
            retrSent_.reset(); // answered: the server is ready
            secureDataWhenDue();
        }
        return;
    case Step::Quit:
        return; // late replies of the transfer cut off, then "221"
    default:
        return;
    }
}

void SegmentWorker::sendUser() {
    send(QStringLiteral("USER ") + job_.login.user, Step::User);
}

void SegmentWorker::afterLogin() {
    if (job_.login.dataProtected)
        send(QStringLiteral("PBSZ 0"), Step::Pbsz);
    else
        send(QStringLiteral("TYPE I"), Step::Type);
}

void SegmentWorker::startControlTls() {
    TlsSession::Options options;
    options.serverName = job_.login.tlsServerName;
    if (!control_->startTls(options)) {
        segmentFailed();
        return;
    }
    step_ = Step::Handshake;
    control_->asyncSelect(this, Fd::Read | Fd::Close | Fd::Secured);
}

// The certificate must be one the system vouches for or the one the main
// connection accepted: nobody is asked from here.
void SegmentWorker::onControlSecured(int error) {
    if (error != 0 || step_ != Step::Handshake) {
        segmentFailed();
        return;
    }
    const TlsCertificate peer = control_->tls()->peerCertificate();
    if (!peer.verified && peer.fingerprint != job_.login.acceptedFingerprint) {
        segmentFailed();
        return;
    }
    activity_ = now();
    control_->asyncSelect(this, Fd::Read | Fd::Close);
    sendUser();
}

// An encrypted data connection starts its handshake once it is connected
// and the server has answered "RETR" or had its moment, whichever comes
// last (see the main connection).
void SegmentWorker::secureDataWhenDue() {
    const TlsSession* controlTls = control_ ? control_->tls() : nullptr;
    if (!job_.login.dataProtected || !controlTls || !data_ || !dataConnected_ || data_->tls() ||
        step_ != Step::Retr)
        return;
    if (retrSent_ && ticksSince(now(), *retrSent_) < quint32(job_.dataTlsGraceMs))
        return;
    TlsSession::Options options;
    options.serverName = job_.login.tlsServerName;
    options.resumptions = controlTls->resumptions();
    options.requiredFingerprint = controlTls->peerCertificate().fingerprint;
    if (!data_->startTls(options)) {
        segmentFailed();
        return;
    }
    data_->asyncSelect(this, Fd::Read | Fd::Close);
}

void SegmentWorker::send(const QString& line, Step next) {
    step_ = next;
    awaitingReply_ = now();
    if (control_->sendWhole(WireText(job_.login.encoding).encode(line + QStringLiteral("\r\n"))) !=
        0)
        segmentFailed();
}

bool SegmentWorker::sendPort() {
    listen_ = std::make_unique<AsyncSocket>();
    const bool ipv6 = control_->isIpv6();
    quint32 address = 0;
    quint16 port = 0;
    if (!listen_->open(ipv6) || !listen_->listen(1) || !listen_->localAddress(nullptr, &port) ||
        (!ipv6 && !control_->localAddress(&address, nullptr)))
        return false;
    listen_->asyncSelect(this, Fd::Accept);
    if (ipv6)
        send(QStringLiteral("EPRT ") +
                 DataAddress::extendedPortArgument(control_->localAddressText(), port),
             Step::Port);
    else
        send(QStringLiteral("PORT ") + DataAddress::portArgument(address, port), Step::Port);
    return true;
}

// The range goes on from what it has already.
void SegmentWorker::sendRest() {
    qint64 from = 0;
    {
        std::lock_guard<std::mutex> lock(job_.source.lock);
        from = job_.plan.offsetOf(current_) + job_.plan.done.at(current_);
    }
    send(QStringLiteral("REST %1").arg(from), Step::Rest);
}

// The data connection goes to the server's own address whatever the reply
// names (see the main connection); REST follows at once.
bool SegmentWorker::connectPassive(const FtpReply& reply) {
    const QString text = QString::fromLatin1(reply.text);
    std::optional<quint16> port;
    if (reply.code == 227) {
        if (const auto given = DataAddress::parsePassiveReply(text))
            port = given->port;
    } else if (reply.code == 229) {
        port = DataAddress::parseExtendedPassiveReply(text);
    }
    if (!port)
        return false;
    data_ = std::make_unique<AsyncSocket>();
    dataConnected_ = false;
    if (!data_->open(control_->isIpv6()))
        return false;
    data_->asyncSelect(this, Fd::Connect);
    const int result = data_->connect(control_->peerAddressText(), *port);
    if (result != 0 && result != AsyncSocket::WouldBlock)
        return false;
    if (result == 0)
        onDataConnected(0);
    sendRest();
    return true;
}

void SegmentWorker::onDataConnected(int error) {
    if (error != 0) {
        segmentFailed();
        return;
    }
    dataOpened();
}

// The data connection is there: it is read to its end, once its handshake
// is through when it is encrypted (it carries nothing before).
void SegmentWorker::dataOpened() {
    dataConnected_ = true;
    data_->setReadsUntilEnd(true);
    data_->asyncSelect(this, job_.login.dataProtected ? Fd::Close : Fd::Read | Fd::Close);
    secureDataWhenDue();
}

// Only the server itself may connect.
void SegmentWorker::onAccept() {
    data_ = listen_->accept();
    if (!data_ || data_->peerAddressText() != control_->peerAddressText()) {
        segmentFailed();
        return;
    }
    listen_->asyncSelect(this, 0);
    dataOpened();
}

void SegmentWorker::onData(int event, int error) {
    if (event != Fd::Read || error != 0) {
        dataEnded();
        return;
    }
    // What waits is taken in the same turn, up to a bound, until the socket
    // has no more.
    for (int block = 0; block < BlocksPerTurn && data_; ++block) {
        buffer_.resize(DataBlock);
        const qint64 n = data_->recv(buffer_.data(), DataBlock);
        if (n < 0 && data_->lastError() == AsyncSocket::WouldBlock)
            return;
        if (n <= 0) {
            dataEnded();
            return;
        }
        activity_ = now();
        if (!store(n) || !data_)
            return;
    }
}

// Writes `n` received bytes at their place in the part file; false when
// the range or the download has ended with them.
bool SegmentWorker::store(qint64 n) {
    bool complete = false;
    bool written = true;
    {
        // The bytes of this range go to its place in the part file; bytes
        // beyond its end belong to another range and are dropped.
        std::lock_guard<std::mutex> lock(job_.source.lock);
        const qint64 length = job_.plan.length.at(current_);
        qint64& done = job_.plan.done[current_];
        const qint64 take = qMin<qint64>(n, length - done);
        if (take > 0) {
            written = job_.part.seek(job_.plan.offsetOf(current_) + done) &&
                      job_.part.write(buffer_.constData(), take) == take;
            if (written) {
                done += take;
                job_.plan.bytesWritten += take;
                job_.source.bytesDone += quint32(take);
                job_.saveState();
            }
        }
        complete = done >= length;
    }
    if (!written) {
        // The disk is full or gone: every range stops; the task stays.
        job_.source.abortRequested = true;
        finish();
        return false;
    }
    if (complete) {
        rangeDone();
        return false;
    }
    return true;
}

// The data connection ended: a range not yet complete failed.
void SegmentWorker::dataEnded() {
    data_.reset();
    bool complete = false;
    {
        std::lock_guard<std::mutex> lock(job_.source.lock);
        complete = job_.plan.done.at(current_) >= job_.plan.length.at(current_);
    }
    if (complete)
        rangeDone();
    else
        segmentFailed();
}

// The range is in the part file: the server would go on sending the rest
// of the file, so the transfer is cut and the connection ends with QUIT.
void SegmentWorker::rangeDone() {
    data_.reset();
    listen_.reset();
    if (step_ == Step::Quit)
        return;
    if (!control_) {
        controlClosed();
        return;
    }
    send(QStringLiteral("QUIT"), Step::Quit);
}

// Tried again from its recorded progress, after a pause; after the last
// attempt the range is left unfinished for a later resume.
void SegmentWorker::segmentFailed() {
    closeSockets();
    if (finished_)
        return;
    bool complete = false;
    {
        std::lock_guard<std::mutex> lock(job_.source.lock);
        complete = current_ >= 0 && job_.plan.done.at(current_) >= job_.plan.length.at(current_);
    }
    if (complete) { // only its goodbye went wrong
        if (takeSegment())
            connectControl();
        else
            finish();
        return;
    }
    if (job_.source.abortRequested) {
        finish();
        return;
    }
    if (++attempts_ < MaxAttempts) {
        setTimer(RetryTimer, 1000, TimerKind::SingleShot);
        return;
    }
    if (takeSegment())
        connectControl();
    else
        finish();
}

void SegmentWorker::onTimer(int id) {
    if (finished_)
        return;
    if (id == RetryTimer) {
        connectControl();
        return;
    }
    secureDataWhenDue(); // a server that says nothing before the handshake
    if (job_.source.abortRequested) {
        finish();
    } else if (longerThan(activity_, job_.idleLimitMs) ||
               longerThan(awaitingReply_, job_.replyWaitMs)) {
        segmentFailed();
    }
}

// Nothing is watched until the next connection: the pause before a retry
// is no silence of the server's (counted as one, it used up every attempt
// of the range within seconds).
void SegmentWorker::closeSockets() {
    awaitingReply_.reset();
    activity_.reset();
    data_.reset();
    listen_.reset();
    control_.reset();
}

void SegmentWorker::finish() {
    if (finished_)
        return;
    finished_ = true;
    closeSockets();
    killTimer(WatchTimer);
    killTimer(RetryTimer);
    job_.source.runningThreads.fetch_sub(1);
    QThread::currentThread()->quit();
}
