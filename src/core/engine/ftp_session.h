#pragma once

#include "core/engine/connection_states.h"
#include "core/engine/data_address.h"
#include "core/engine/ftp_command.h"
#include "core/engine/ftp_reply.h"
#include "core/engine/outcome.h"
#include "core/engine/session_login.h"
#include "core/engine/session_operations.h"
#include "core/engine/transcript.h"
#include "core/engine/wire_text.h"
#include "core/platform/async_socket.h"
#include "core/platform/host_lookup.h"
#include "core/platform/message_target.h"
#include "core/platform/timing.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct DirEntry;
class ConnectionSource;
class Clock;
class FtpHost;
class Prompts;

// One FTP session: the control connection, its command queue and replies,
// login, TLS, keep-alive, time-outs and data connections. Every socket is non-blocking and reports
// through posted messages, so the whole protocol advances one message at a time on the thread this
// object lives in.
class FtpSession : public MessageTarget {
    Q_OBJECT
public:
    // Reply buffer size: a reply may hold at most ReplyLimit - 1 bytes.
    static constexpr int ReplyLimit = 4096;
    // The largest listing taken: about a million entries.
    static constexpr qsizetype ListingLimit = qsizetype(64) * 1024 * 1024;
    // Single-shot timer ids of the window's own pauses.
    static constexpr int RetryPauseTimer = 101;
    static constexpr int UploadTailTimer = 102;
    // While segment workers run: whether they have all ended yet.
    static constexpr int SegmentWatchTimer = 103;
    // An encrypted data connection's handshake waits this long at most for
    // the server's answer to the transfer command.
    static constexpr int DataTlsTimer = 104;

    struct Deps {
        FtpHost& host;
        Prompts& prompts;
        Clock& clock;
        Timing timing;
        HostLookup::Resolver resolver = HostLookup::systemResolver();
    };

    FtpSession(ConnectionSource& source, int connectionTag, Deps deps);
    ~FtpSession() override;

    // Allocates the buffers and lists; false when that is not possible.
    bool create();

    // The first step of a new connection: connect at once to a proxy or a
    // dotted address, otherwise look the host name up first. With
    // `pendingTaskFile` that task resumes as soon as the login is through.
    void beginConnection(const QString& pendingTaskFile = QString());
    // A connection that only moves files for another (a range of a segmented
    // download): it logs in as `login` says the other did, with the same
    // data mode, names' text and encryption, and asks the server nothing
    // else. Once logged in, the operation gets its turn (continueOperation).
    void beginTransferConnection(const SessionLogin& login);
    void startLookup();
    const QString& dialAddress() const;
    void startConnect();
    void closeConnection();
    void quit();
    void abort();
    void keepAlive();
    // Sends one command on an idle connection; false (dropped) while the
    // connection is not greeted or still has work queued.
    bool runCommand(const FtpCommand& command);
    // Makes `folder` the server's current folder, as runCommand does.
    bool changeFolder(const QString& folder);
    // Drops everything queued; `full` also ends the operation (its task
    // file is written as it stands) and forgets the transfer.
    void reset(bool full);
    // Posts ContinueOperation for the operation now running; a message
    // posted for an operation that has ended since is ignored.
    void postContinue();
    // Lists the server's current folder for display.
    void listCurrentFolder();
    // Changes to a folder and lists it, as one sequence; dropped (false)
    // unless the connection is ready for a command.
    bool changeFolderAndList(const QString& folder);
    // How this connection's names are written on the wire.
    const WireText& wire() const { return wire_; }
    // A line of the program's own in the transcript, shown at once.
    void addNote(const QString& text);

    // Greeted, nothing queued, no operation pending and no editing running:
    // the gate of every command the user gives.
    bool connectionReady() const {
        return isGreeted() && commandQueue_.isEmpty() &&
               !(operations_ && operations_->holdsConnection());
    }
    // Where the control connection stands; Busy while a logged-in
    // connection has work queued or running.
    ConnectionPhase phase() const {
        return phase_ == ConnectionPhase::Idle && !connectionReady() ? ConnectionPhase::Busy
                                                                     : phase_;
    }
    // The server has greeted this connection, which is still open.
    bool isGreeted() const { return phase_ >= ConnectionPhase::Securing; }
    // On its way from the lookup to the end of the login.
    bool isSettingUp() const {
        return phase_ >= ConnectionPhase::LookingUp && phase_ <= ConnectionPhase::LoggingIn;
    }
    bool hasControlConnection() const { return controlSocket_ != nullptr; }
    // The first hop as the user named it ("ftp.example.com:21").
    QString siteAddress() const;
    bool hasPendingTask() const { return !pendingTaskFile_.isEmpty(); }

    // The end of an operation or of the connection, told to the host with
    // the site's address and the server's or the system's reason.
    void report(EndMessage message, const QString& detail = QString());
    void showPhase(unsigned phase);

    // The main window's 3000 ms tick: keep-alive and time-outs.
    void onFrameTick();

    // True when a reply at the front of `buffer` is complete (multi-line
    // replies included) and can be handled.
    static bool isCompleteReply(const QByteArray& buffer) {
        return FtpReply::completeAtFront(buffer);
    }
    // The folder named by a "257" reply; empty when it names none.
    static QString folderFromPwdReply(const QString& reply);

    const ConnectionSource& source() const { return source_; }
    // How this connection logged in, for another to do the same.
    SessionLogin sessionLogin() const;
    ConnectionSource& source() { return source_; }
    // Failed attempts of the lookup or connect now running.
    int failedAttempts() const { return retryCount_; }
    // The lookup now awaited; an answer to any other is ignored.
    quintptr pendingLookup() const { return lookupHandle_; }

    const Transcript& transcript() const { return transcript_; }

    TransferKind transferKind() const { return transferKind_; }
    // A data connection is open for the running command.
    bool isTransferring() const { return dataStage_ == DataStage::Open; }
    // A file is moving over an open data connection.
    bool isTransferringFile() const { return isTransferring() && movesFile(transferKind_); }
    // State changes go to the transcript as notes of their own.
    void setStateTrace(bool on) { stateTrace_ = on; }

    // For tests: the connection as though a transfer of `kind` were under
    // way, its data connection open or not.
    void simulateTransferForTest(TransferKind kind, bool dataOpen) {
        setTransferKind(kind);
        setDataStage(dataOpen ? DataStage::Open : DataStage::None);
    }
    // Commands waiting to go out or for their reply.
    bool hasQueuedCommands() const { return !commandQueue_.isEmpty(); }

    // What an operation uses to drive the session.
    void setOperations(SessionOperations* operations) { operations_ = operations; }
    void queue(const FtpCommand& command) { commandQueue_ << command; }
    // A transfer group: the type, the data channel, then the command that
    // moves the data (after "REST" for a continued download).
    void queueDataCommand(const QString& type, const FtpCommand& transfer,
                          std::optional<quint64> restartAt = std::nullopt);
    // Sends what is queued.
    void send() { askForSend(); }
    // The waiting command is answered: the queue goes on with the next, or
    // ends when there is none.
    void commandAnswered() { advance(); }
    void continueQueue();
    // A continued transfer now queued goes whole: no "REST" before the
    // download, "STOR" instead of "APPE" for the upload.
    void dropRestart();
    void storeInsteadOfAppend();
    // A download whose data comes over other connections (segments): the
    // session shows it as a download in progress.
    void beginRangedDownload();
    void endRangedDownload();
    // While the segments run, SessionOperations::checkSegments is called
    // every 100 ms and on the window's tick.
    void watchSegments(bool on);
    // Asks `question` once this session's handler has returned, so that it
    // goes on reading while the question is open (its time-outs wait);
    // `answered` runs only if the operation is still the one that asked.
    void askOutsideHandler(const QString& question, std::function<void(bool)> answered);
    // The wire line of the queued command at `index`; empty past the end.
    QString queuedLine(int index) const;

protected:
    void onMessage(int msg, WParam wParam, LParam lParam) override;
    void onTimer(int id) override;

private:
    void onControlEvent(int event, int error);
    void controlClosedByServer();
    void onDataEvent(int event, int error);
    // Connection set-up.
    void onLookupFinished(quintptr handle, int error);
    void onConnectFinished(int error);
    void askForSend();
    void touch();
    // Why the connection failed, in the system's words, for the next report.
    void noteSystemError(int code);
    void noteSystemError(const QString& reason) { systemReason_ = reason; }
    QString lastReplyLine() const;
    bool watchSetupTimeouts(quint32 idle);

    // Command queue and replies.
    void sendNext(int error);
    bool skipTypeCommand(const FtpCommand& command);
    QString dataChannelLine();
    // The one place each state changes.
    void setPhase(ConnectionPhase phase);
    void loginFinished();
    void setTransferKind(TransferKind kind);
    void setDataStage(DataStage stage);
    void setServerStage(ServerStage stage);
    template <typename State> void traceState(const char* machine, State from, State to);
    bool prepareTransferOf(const FtpCommand& command);
    void lineSent(const FtpCommand& command, const QString& line);
    // The command awaiting its reply; an empty one when none is.
    FtpCommand waitingCommand() const;
    void onControlReadable(int error);
    void handleReply();
    bool isLateTransferReply(const FtpCommand& waiting) const;
    std::optional<OperationEnd> unsendable(const FtpCommand& command) const;
    void refuseLine(const OperationEnd& refusal);
    void continueAfterReply(const FtpCommand& waiting);
    void stopWith(EndMessage code);
    void advance();
    void restartQueueAt(int index);
    bool replyIs(int code) const { return reply_.code == code; }
    void logReply();

    // The reply table: one handler per verb and purpose.
    using ReplyHandler = void (FtpSession::*)(const FtpCommand& waiting);
    struct ReplyRow {
        const char* verb;
        FtpCommand::Purpose purpose;
        ReplyHandler handler;
    };
    static const ReplyRow replyTable[];
    static ReplyHandler replyHandlerFor(const FtpCommand& waiting);
    void onGreeting();
    bool takeGeneralCode(const FtpCommand& waiting);
    void onLoginReply(const FtpCommand& waiting);
    void onSimpleCommandReply(const FtpCommand& waiting);
    void onCwdReply(const FtpCommand& waiting);
    void onRntoReply(const FtpCommand& waiting);
    void onRemovalReply(const FtpCommand& waiting);
    void onRnfrReply(const FtpCommand& waiting);
    void onRestReply(const FtpCommand& waiting);
    void onMkdReply(const FtpCommand& waiting);
    void onPwdReply(const FtpCommand& waiting);
    void onAborReply(const FtpCommand& waiting);
    void onTransferReply(const FtpCommand& waiting);
    void rerunDataGroup(const FtpCommand& waiting);

    // Encryption: "AUTH TLS" after the greeting, the handshake, the
    // certificate, then the login; data connections follow "PROT P".
    bool beginTls();
    void onAuthReply();
    void onControlSecured(int error);
    bool certificateAccepted(const TlsCertificate& peer);
    void endWithout(EndMessage message, const QString& detail = QString());
    QString tlsServerName() const;
    QString tlsServerKey() const;
    void onProtectionReply(const FtpCommand& waiting);
    bool secureDataConnection();
    void transferCommandSent();
    void transferAnswered();

    // Login.
    void login(bool resumeTask);
    void queueLoginFindings(bool resumeTask);
    void setCurrentFolderFromReply(const QString& text);

    // Data connection.
    QString buildPortCommand();
    void selectDataSocket();
    void onAccept(int error);
    void onDataReadable(int error);
    void onDataWritable(int error);
    void finishUploadAfterPause();
    void onUploadTailPause();
    qint64 uploadBlockAt(quint64 offset, const char** block);
    // How many bytes the running file transfer moves, as its operation says.
    quint64 expectedSize() const;
    bool prepareDownloadFile();
    bool openDownloadFile();
    void downloadFileFailed();
    // Passive data connections: the "227" reply, and the connect it asks for.
    void onPassiveReply(const FtpCommand& waiting);
    void onFeatReply(const FtpCommand& waiting);
    void onOptsReply(const FtpCommand& waiting);
    bool openPassiveData(const DataAddress::Endpoint& given);
    void onPassiveConnected(int error);
    void passiveFailed();
    void setDialAddress(const QString& address);
    bool openUploadFile(const QString& remote);
    void startProgress();
    void stopProgress();
    // The data connection has ended. Its transfer is over once the server
    // has confirmed it too, unless `awaitServer` is false (the control
    // connection is gone, or the transfer was aborted).
    void dataFinished(bool awaitServer = true);
    void dropDataConnection();
    // `confirmed`: the server said the transfer went well.
    void finishTransfer(bool cancelled, bool confirmed);
    void transferFailed();
    void listingFinished(bool cancelled);
    void checkListingText(const QByteArray& listing);
    void oneFileListed(bool cancelled, bool edit);
    void oneFileRefused(bool edit);
    bool updating() const { return operations_ && operations_->isUpdating(); }
    bool itemsPending() const { return operations_ && operations_->itemsPending(); }
    void downloadFinished(bool cancelled, bool confirmed);
    void uploadFinished(bool cancelled, bool confirmed);
    bool operationStoresDownloads() const { return operations_ && operations_->storesDownloads(); }
    bool writeDownloadedBlock(qint64 length);
    bool handDownloadedBlock(qint64 length);

    ConnectionSource& source_;
    const int connectionTag_;
    int nextCommand_ = -1;
    int retryCount_ = 0;
    QByteArray replyBuffer_;
    QByteArray listingBuffer_;
    QByteArray ioBuffer_;
    quint32 lastActivity_ = 0;
    quintptr lookupHandle_ = 0;

    std::unique_ptr<AsyncSocket> controlSocket_;
    std::unique_ptr<AsyncSocket> dataSocket_;
    std::unique_ptr<AsyncSocket> listenSocket_;

    std::unique_ptr<QFile> downloadFile_;
    std::unique_ptr<QFile> uploadFile_;

    FtpHost& host_;
    Prompts& prompts_;
    Clock& clock_;
    Timing timing_;
    HostLookup lookup_;
    Transcript transcript_;
    FtpReply reply_; // the reply being handled
    QList<FtpCommand> commandQueue_;
    QString transferType_; // "A" or "I" as the server last took it; empty: not known
    ConnectionPhase phase_ = ConnectionPhase::Closed;
    QString pendingTaskFile_; // resumed once the login is through
    TransferKind transferKind_ = TransferKind::None;
    DataStage dataStage_ = DataStage::None;
    ServerStage serverStage_ = ServerStage::Awaiting;
    bool stateTrace_ = false;
    // Data connections of this connection are passive; an automatic mode
    // turns active for good once the server refuses passive.
    bool passive_ = false;
    WireText wire_;
    // The server took "PROT P": data connections are encrypted too, with
    // the certificate the control connection showed.
    bool dataProtected_ = false;
    QString acceptedFingerprint_;
    bool dataTlsDeferred_ = false; // its handshake waits for the transfer command
    bool passiveSent_ = false;     // the data channel went out as "PASV" or "EPSV"
    bool extendedPassive_ = false; // the server lists EPSV: it goes before PASV
    // The addresses a looked-up name has, and which of them is tried now.
    QStringList dialAddresses_;
    int dialNext_ = 0;
    bool retryPausePending_ = false;
    bool questionOpen_ = false;    // asked by askOutsideHandler, not answered yet
    bool lineInFlight_ = false;    // sent, its reply not yet taken
    quintptr operationSerial_ = 1; // changes whenever an operation ends
    bool uploadTailPending_ = false;
    quintptr uploadTailSocket_ = 0;
    qint64 uploadWindowStart_ = 0; // file offset of ioBuffer during an upload
    bool downloadAppend_ = false;  // the server restarts the download at the local size
    bool downloadOpened_ = false;  // the local file of this download was opened
    // The data connection ended while the user was cancelling it.
    bool dataClosedCancelled_ = false;
    // The server hung up after confirming a download whose data was still
    // coming: the connection closes once that data is in.
    bool controlLostAfterTransfer_ = false;
    // Group reruns after "425", and whether the account went out again
    // after "532", for the sequence now running.
    int dataConnectRetries_ = 0;
    bool passiveConnectFailed_ = false; // this group's passive connect was refused
    bool accountResent_ = false;
    bool listingTextChecked_ = false; // a listing beyond ASCII has shown the names' text
    QString systemReason_;            // see noteSystemError
    bool transferOnly_ = false;       // logs in only to move files (beginTransferConnection)
    // The operation had all it wanted of the download and cut its data
    // connection: the server's next word on it ends the transfer.
    bool downloadHadEnough_ = false;
    SessionOperations* operations_ = nullptr; // the operation driving this session
};
