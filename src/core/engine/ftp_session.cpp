#include "core/engine/ftp_session.h"

#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/result_texts.h"
#include "core/platform/clock.h"
#include "core/platform/prompts.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <new>

FtpSession::FtpSession(ConnectionSource& src, int tag, Deps deps)
    : source_(src), connectionTag_(tag), host_(deps.host), prompts_(deps.prompts),
      clock_(deps.clock), timing_(deps.timing), lookup_(this, std::move(deps.resolver)) {
    holdTicksDuringHandlers();
}

bool FtpSession::create() {
    try {
        replyBuffer_.reserve(ReplyLimit);
        commandQueue_.reserve(16);
        listingBuffer_.reserve(65536);
        ioBuffer_.reserve(65536);
    } catch (const std::bad_alloc&) {
        return false;
    }
    nextCommand_ = -1;
    retryCount_ = 0;
    setPhase(ConnectionPhase::Closed);
    setTransferKind(TransferKind::None);
    lastActivity_ = clock_.tickCount();
    return true;
}

SessionLogin FtpSession::sessionLogin() const {
    SessionLogin login;
    login.host = controlSocket_ ? controlSocket_->peerAddressText() : QString();
    login.port = quint16(source_.port);
    login.user = source_.user();
    login.password = source_.password();
    login.account = source_.account();
    login.passive = passive_;
    login.extendedPassive = extendedPassive_;
    login.encoding = wire_.encoding();
    login.tls = controlSocket_ && controlSocket_->isSecure();
    login.dataProtected = dataProtected_;
    login.tlsServerName = tlsServerName();
    login.acceptedFingerprint = acceptedFingerprint_;
    return login;
}

FtpSession::~FtpSession() = default;

void FtpSession::beginRangedDownload() {
    setDataStage(DataStage::Open);
    setTransferKind(TransferKind::Download);
    startProgress();
}

void FtpSession::endRangedDownload() {
    setDataStage(DataStage::None);
    setTransferKind(TransferKind::None);
    stopProgress();
}

void FtpSession::watchSegments(bool on) {
    if (on)
        setTimer(SegmentWatchTimer, 100);
    else
        killTimer(SegmentWatchTimer);
}

void FtpSession::touch() {
    lastActivity_ = clock_.tickCount();
}

void FtpSession::report(EndMessage message, const QString& detail) {
    OperationEnd end{message, detail};
    end.address = siteAddress();
    const Outcome outcome = end.outcome();
    if (!systemReason_.isEmpty() &&
        (outcome == Outcome::ConnectFailed || outcome == Outcome::ConnectionLost)) {
        end.reason = systemReason_;
    } else if (outcome == Outcome::Refused || end.message == EndMessage::ServerClosed) {
        end.reason = lastReplyLine();
        end.serverSaid = !end.reason.isEmpty();
    }
    systemReason_.clear();
    host_.operationEnded(end);
}

void FtpSession::noteSystemError(int code) {
    systemReason_ = AsyncSocket::describeError(code);
}

// The first hop as the user named it: "ftp.example.com:21", "[::1]:2121".
QString FtpSession::siteAddress() const {
    return DataAddress::hostAndPort(source_.useProxy ? source_.proxyHost : source_.hostName(),
                                    source_.useProxy ? source_.proxyPort : source_.port);
}

// The first line of the reply handled last; empty before any.
QString FtpSession::lastReplyLine() const {
    if (reply_.code == 0)
        return {};
    return wire_.decode(reply_.text).section(QLatin1Char('\n'), 0, 0).trimmed();
}

void FtpSession::showPhase(unsigned phase) {
    host_.showStatusText(phaseText(phase));
}

// Socket notifications go to the handler of the socket they name; a socket
// that is none of ours (anymore) is ignored.
void FtpSession::onMessage(int msg, WParam wParam, LParam lParam) {
    switch (msg) {
    case Msg::SocketEvent:
        if (controlSocket_ && wParam == controlSocket_->id())
            onControlEvent(eventOf(lParam), errorOf(lParam));
        if (dataSocket_ && wParam == dataSocket_->id())
            onDataEvent(eventOf(lParam), errorOf(lParam));
        else if (listenSocket_ && wParam == listenSocket_->id() && eventOf(lParam) == Fd::Accept)
            onAccept(errorOf(lParam));
        break;
    case Msg::LookupFinished:
        onLookupFinished(wParam, errorOf(lParam));
        break;
    case Msg::ContinueOperation:
        if (wParam == operationSerial_ && operations_)
            operations_->continueOperation();
        break;
    default:
        break;
    }
}

void FtpSession::onControlEvent(int event, int error) {
    switch (event) {
    case Fd::Read:
        onControlReadable(error);
        break;
    case Fd::Write:
        sendNext(error);
        break;
    case Fd::Connect:
        onConnectFinished(error);
        break;
    case Fd::Close:
        // A download the server has confirmed may still have bytes on their
        // way: its data connection ends first, so that a server hanging up
        // after its "226" costs no file.
        if (transferKind_ == TransferKind::Download && dataSocket_ &&
            serverStage_ == ServerStage::Confirmed)
            controlLostAfterTransfer_ = true;
        else
            controlClosedByServer();
        break;
    case Fd::Secured:
        onControlSecured(error);
        break;
    }
}

// The server hung up without a word. After QUIT that is the goodbye; a file
// cut off is resumed; anything else is said, so that the user learns why the
// connection is gone.
void FtpSession::controlClosedByServer() {
    const bool expected = phase_ == ConnectionPhase::Closing || movesFile(transferKind_);
    closeConnection();
    if (expected)
        return;
    noteSystemError(QString::fromUtf8(EngineText::ServerHungUp));
    report(EndMessage::ServerClosed);
}

void FtpSession::onDataEvent(int event, int error) {
    switch (event) {
    case Fd::Read:
        onDataReadable(error);
        break;
    case Fd::Write:
        onDataWritable(error);
        break;
    case Fd::Close:
        if (error == AsyncSocket::TlsFailed)
            addNote(QString::fromUtf8(EngineText::DataTlsFailed) + dataSocket_->errorText());
        dataFinished();
        break;
    case Fd::Connect:
        onPassiveConnected(error);
        break;
    }
}

void FtpSession::onTimer(int id) {
    if (id == RetryPauseTimer) {
        retryPausePending_ = false;
        lineInFlight_ = false; // the same line goes out again
        askForSend();
    } else if (id == UploadTailTimer) {
        onUploadTailPause();
    } else if (id == SegmentWatchTimer) {
        if (operations_)
            operations_->checkSegments();
    } else if (id == DataTlsTimer) {
        transferAnswered();
    }
}

void FtpSession::askForSend() {
    if (controlSocket_)
        controlSocket_->asyncSelect(this, Fd::Read | Fd::Write | Fd::Close);
}

// --- host lookup -----------------------------------------------------------

// The first hop: the proxy when there is one (named or dotted like any
// host), else the site.
const QString& FtpSession::dialAddress() const {
    return source_.useProxy ? source_.proxyHost : source_.hostAddress();
}

void FtpSession::beginConnection(const QString& pendingTaskFile) {
    pendingTaskFile_ = pendingTaskFile;
    passive_ = source_.dataMode != DataMode::Active;
    extendedPassive_ = false;
    listingTextChecked_ = false;
    wire_.setEncoding(source_.encoding == WireText::Choice::Utf8 ? WireText::Encoding::Utf8
                                                                 : WireText::Encoding::Gbk);
    // Digits and dots are taken as an address even when no valid one (the
    // connect then fails, as the user typed it); so is an IPv6 address.
    const QString& host = dialAddress();
    const bool dotted = std::all_of(host.begin(), host.end(), [](QChar c) {
        return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    });
    if (dotted || AsyncSocket::isIpv6Address(host))
        startConnect();
    else
        startLookup();
}

void FtpSession::startLookup() {
    lookupHandle_ = lookup_.start(dialAddress());
    setPhase(ConnectionPhase::LookingUp);
    touch();
    showPhase(Phase::LookingUp);
}

void FtpSession::onLookupFinished(quintptr handle, int error) {
    if (phase_ != ConnectionPhase::LookingUp || handle != lookupHandle_)
        return;
    touch();
    if (error == 0) {
        dialAddresses_ = lookup_.result(handle).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        dialNext_ = 0;
        setDialAddress(dialAddresses_.value(0));
        retryCount_ = 0;
        startConnect();
        return;
    }
    if (retryCount_ > 2) {
        setPhase(ConnectionPhase::Closed);
        retryCount_ = 0;
        host_.resetConnectedSiteDisplay();
        showPhase(Phase::Idle);
        noteSystemError(HostLookup::notFoundText());
        report(EndMessage::LookupFailed);
        return;
    }
    ++retryCount_;
    startLookup();
}

// --- connect ---------------------------------------------------------------

void FtpSession::startConnect() {
    if (controlSocket_) {
        if (phase_ == ConnectionPhase::Connecting)
            controlSocket_.reset(); // another attempt of the same connect
        else
            closeConnection();
    }
    setPhase(ConnectionPhase::Connecting);
    replyBuffer_.clear();
    transferType_.clear(); // a new connection starts in the server's default type
    controlSocket_ = std::make_unique<AsyncSocket>();
    // Said before the connection is dropped, so that the reason comes first.
    if (!controlSocket_->open(AsyncSocket::isIpv6Address(dialAddress()))) {
        noteSystemError(controlSocket_->lastError());
        report(EndMessage::ConnectFailed);
        closeConnection();
        return;
    }
    controlSocket_->asyncSelect(this, Fd::Connect);
    const bool proxy = source_.useProxy != 0;
    int result =
        controlSocket_->connect(dialAddress(), quint16(proxy ? source_.proxyPort : source_.port));
    if (result != 0 && result != AsyncSocket::WouldBlock) {
        noteSystemError(result);
        report(EndMessage::ConnectFailed);
        closeConnection();
        return;
    }
    touch();
    transcript_.clear();
    host_.transcriptChanged(QString(), QString());
    showPhase(Phase::Connecting);
}

void FtpSession::onConnectFinished(int error) {
    if (phase_ != ConnectionPhase::Connecting)
        return;
    touch();
    if (error != 0) {
        // The next address of the name first; every address failed is one
        // attempt, made again from the first.
        if (dialNext_ + 1 < dialAddresses_.size()) {
            setDialAddress(dialAddresses_.at(++dialNext_));
            startConnect();
        } else if (retryCount_ > 2) {
            closeConnection();
            noteSystemError(error);
            report(EndMessage::ConnectFailed);
        } else {
            ++retryCount_;
            if (dialNext_ > 0)
                setDialAddress(dialAddresses_.at(dialNext_ = 0));
            startConnect();
        }
        return;
    }
    setPhase(ConnectionPhase::AwaitingGreeting);
    retryCount_ = 0;
    controlSocket_->asyncSelect(this, Fd::Read | Fd::Close); // wait for the greeting
}

void FtpSession::setDialAddress(const QString& address) {
    if (source_.useProxy)
        source_.proxyHost = address;
    else
        source_.setHostAddress(address);
}

void FtpSession::addNote(const QString& text) {
    const QString block = transcript_.addNote(text);
    host_.transcriptChanged(transcript_.text(), block);
}

// --- close and the short commands -----------------------------------------

void FtpSession::closeConnection() {
    // A file transfer cut off with its control connection ends as it would
    // had its data connection closed first: short, so it is resumed.
    if (movesFile(transferKind_))
        dataFinished(false);
    controlLostAfterTransfer_ = false;
    const int keptRetries = retryCount_;
    reset(true);
    // The attempts of a lookup or connect in progress keep counting.
    if (isSettingUp())
        retryCount_ = keptRetries;
    setPhase(ConnectionPhase::Closed);
    nextCommand_ = -1;
    if (operations_)
        operations_->connectionClosed();
    pendingTaskFile_.clear();
    source_.restSupported = false;
    source_.abortRequested = true;
    host_.resetConnectedSiteDisplay();
    if (!controlSocket_)
        return;
    dataFinished(false);
    dataSocket_.reset();
    listenSocket_.reset();
    const bool wasSecure = controlSocket_->tls() != nullptr;
    controlSocket_.reset();
    replyBuffer_.clear();
    if (wasSecure)
        host_.securityChanged({});
    host_.controlConnectionClosed();
}

void FtpSession::quit() {
    reset(false);
    commandQueue_ << FtpCommand::bare(QStringLiteral("QUIT"));
    if (phase_ == ConnectionPhase::Idle)
        setPhase(ConnectionPhase::Closing);
    askForSend();
}

void FtpSession::abort() {
    if (operations_ && operations_->isSegmented()) {
        source_.abortRequested = true; // the workers stop on their next tick
        return;
    }
    reset(false);
    if (dataStage_ != DataStage::Open)
        return; // nothing to interrupt on the wire
    if (movesFile(transferKind_))
        stopProgress();
    setTransferKind(TransferKind::None);
    commandQueue_ << FtpCommand::bare(QStringLiteral("ABOR"));
    askForSend();
}

// Only an idle connection is kept alive: a NOOP inside a running sequence
// would take the place of its commands or answer in their stead.
void FtpSession::askOutsideHandler(const QString& question, std::function<void(bool)> answered) {
    questionOpen_ = true;
    const auto serial = operationSerial_;
    QTimer::singleShot(0, this, [this, question, answered = std::move(answered), serial] {
        const QPointer<FtpSession> alive(this);
        const bool yes = prompts_.askYesNo(question);
        if (!alive)
            return; // closed with the program while the question was open
        questionOpen_ = false;
        if (serial == operationSerial_ && controlSocket_)
            answered(yes);
    });
}

void FtpSession::keepAlive() {
    const bool controlIdle = controlSocket_ && isGreeted() && commandQueue_.isEmpty() &&
                             !lineInFlight_ && !retryPausePending_;
    const bool running = operations_ && operations_->isRunning();
    const bool segmented = operations_ && operations_->isSegmented();
    const bool noOperation = dataStage_ == DataStage::None && !running;
    if (!controlIdle || !(noOperation || segmented))
        return;
    reset(false);
    commandQueue_ << FtpCommand::bare(QStringLiteral("NOOP"));
    askForSend();
}

bool FtpSession::runCommand(const FtpCommand& command) {
    if (!isGreeted() || !commandQueue_.isEmpty() || (operations_ && operations_->itemsPending()))
        return false;
    reset(true);
    commandQueue_ << command;
    askForSend();
    return true;
}

// --- states ----------------------------------------------------------------

template <typename State> void FtpSession::traceState(const char* machine, State from, State to) {
    if (stateTrace_ && from != to)
        addNote(QStringLiteral("[%1] %2 -> %3")
                    .arg(QLatin1String(machine), QLatin1String(stateName(from)),
                         QLatin1String(stateName(to))));
}

// The login is through: with the start folder entered, or at once for a
// task that says where to go itself, or for a connection that only moves
// files, whose operation takes its turn now.
void FtpSession::loginFinished() {
    if (phase_ != ConnectionPhase::LoggingIn)
        return;
    setPhase(ConnectionPhase::Idle);
    if (transferOnly_)
        postContinue();
}

void FtpSession::setPhase(ConnectionPhase phase) {
    traceState("phase", phase_, phase);
    phase_ = phase;
}

void FtpSession::setTransferKind(TransferKind kind) {
    traceState("transfer", transferKind_, kind);
    transferKind_ = kind;
}

void FtpSession::setDataStage(DataStage stage) {
    traceState("data", dataStage_, stage);
    dataStage_ = stage;
}

void FtpSession::setServerStage(ServerStage stage) {
    traceState("server", serverStage_, stage);
    serverStage_ = stage;
}
