#include "app/cli_session.h"

#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/engine/site_path.h"
#include "core/platform/certificate_store.h"
#include "core/settings/network_settings.h"
#include "core/tasks/connection_setup.h"
#include "core/tasks/operation_driver.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

// Control characters a server put into a name or a reply (an escape
// sequence, a bell, a carriage return) are shown as "\xHH", never sent to
// the terminal as they are; line ends of the program's own text stay.
QString forTerminal(const QString& text, bool keepLineEnds) {
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && !(keepLineEnds && u == '\n') && u != '\t') || u == 0x7F ||
            (u >= 0x80 && u < 0xA0))
            shown += QString::asprintf("\\x%02X", unsigned(u));
        else
            shown += c;
    }
    return shown;
}

void printErr(const QString& text) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::fputs(forTerminal(plain, true).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void printErrLine(const QString& text) {
    printErr(text + QLatin1Char('\n'));
}

const char* const kNotOnSite = "站点上没有该文件或目录：";

// A local folder path in the engine's form: absolute, ending in one "/".
QString localFolderPath(const QString& path) {
    QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

CliSession::CliSession(const CliOptions& options, const QString& programDir, Prompts& console,
                       Clock& clock, Timing timing)
    : options_(options), programDir_(programDir), console_(console), clock_(clock), timing_(timing),
      progress_(options.verbose ? false : ::isatty(STDERR_FILENO)) {}

CliSession::~CliSession() {
    operations_.reset(); // it drives the connection: it goes first
}

bool CliSession::connect(const QString& startFolder) {
    operations_.reset();
    connection_.reset();
    source_ = std::make_unique<ConnectionSource>();
    const SiteAddress& site = command_.site;
    source_->setHostAddress(site.host);
    source_->setHostName(site.host);
    source_->port = site.port > 0 ? site.port : 21;
    source_->setUser(site.user);
    source_->setPassword(site.password);
    source_->setAccount(site.account);
    source_->setStartFolder(startFolder);
    source_->taskFolder = command_.taskFolder.isEmpty() ? programDir_ : command_.taskFolder;
    applyNetworkSettings(
        NetworkSettings::read(programDir_ + QString::fromLatin1(NetworkSettings::FileName)),
        *source_);
    // --encoding, else what a defined site fixes, else found out.
    source_->encoding = options_.encoding != WireText::Choice::Auto
                            ? options_.encoding
                            : encodingChoiceOf(site.encoding);
    if (options_.dataMode)
        source_->dataMode = *options_.dataMode;
    source_->tlsMode = site.tls;
    source_->trustFile = CertificateStore::pathIn(programDir_);
    source_->trustedFingerprints = options_.trust;
    if (options_.segments > 0) {
        source_->segmentLimit = options_.segments;
        source_->segmentsAllowed = options_.segments > 1;
    }
    connection_ =
        std::make_unique<FtpSession>(*source_, 0, FtpSession::Deps{*this, *this, clock_, timing_});
    if (!connection_->create()) {
        console_.report(QString::fromUtf8(EngineText::CannotCreateResources));
        return false;
    }
    operations_ = std::make_unique<OperationDriver>(
        *connection_, *source_, OperationDriver::Deps{*this, *this, clock_, timing_});
    connection_->setStateTrace(options_.traceStates);
    setTimer(FrameTimer, timing_.frameTickMs);
    // A task resumes as soon as the login is through.
    connection_->beginConnection(command_.taskFile);
    return true;
}

// The folder the command starts in: the named folder itself for commands
// on a whole folder, else the folder that holds the named entry.
QString CliSession::startFolder() const {
    const QString& path = command_.site.path;
    const CliCommand::Kind kind = command_.kind;
    const bool folderItself = kind == CliCommand::Pwd || kind == CliCommand::List ||
                              kind == CliCommand::Put || kind == CliCommand::Update ||
                              (kind == CliCommand::Get && path == "/");
    return folderItself ? path : SitePath::parentOf(path);
}

int CliSession::run(const CliCommand& command) {
    command_ = command;
    if (!connect(startFolder()))
        return 1;
    // A connection that fails at once (an address that is none) has ended
    // the command before the loop runs.
    if (!loopEnded_)
        loop_.exec();
    progress_.finish();
    if (!succeeded_ || failed_)
        return 1;
    if (skipped_.isEmpty())
        return 0;
    printErrLine(QString::fromUtf8(EngineText::SkippedItems).arg(skipped_.size()));
    for (const QString& text : skipped_)
        printErrLine(QStringLiteral("  ") + text);
    return SomethingSkipped;
}

void CliSession::itemSkipped(const QString& text) {
    progress_.finish();
    printErrLine(text);
    skipped_ << text;
}

void CliSession::currentFolderLearned(const QString& folder) {
    const QString& path = command_.site.path;
    const QString expected = startFolder();
    if (command_.kind != CliCommand::Pwd && folder != expected) {
        // The start folder could not be entered: the server stayed elsewhere.
        fail(QString::fromUtf8(kNotOnSite) + expected);
        return;
    }
    switch (command_.kind) {
    case CliCommand::Sites:
    case CliCommand::AddSite:
        break; // answered without a connection
    case CliCommand::Pwd:
        std::printf("%s\n", folder.toUtf8().constData());
        std::fflush(stdout);
        succeed();
        break;
    case CliCommand::List:
    case CliCommand::Remove:
        connection_->listCurrentFolder();
        break;
    case CliCommand::Get:
        if (path == "/")
            startOperation(nullptr);
        else
            connection_->listCurrentFolder();
        break;
    case CliCommand::Put:
    case CliCommand::MakeFolder:
    case CliCommand::Rename:
    case CliCommand::Update:
        startOperation(nullptr);
        break;
    case CliCommand::Tasks:
    case CliCommand::Resume:
        break; // answered without a connection / resumed after the login
    }
}

void CliSession::showListing(const QByteArray& listing) {
    if (command_.kind == CliCommand::List) {
        DirListing::parseLines(
            listing,
            [](const DirEntry& e) {
                const QString size = e.isFolder ? QString::fromUtf8("<目录>") : e.sizeText;
                std::printf("%14s  %-12s  %s\n", forTerminal(size, false).toUtf8().constData(),
                            forTerminal(e.dateText, false).toUtf8().constData(),
                            forTerminal(e.name, false).toUtf8().constData());
            },
            connection_->wire());
        std::fflush(stdout);
        succeed();
        return;
    }
    // get and rm: find the named entry in its folder's listing.
    const QString wanted = SitePath::nameOf(command_.site.path);
    std::optional<DirEntry> found;
    DirListing::parseLines(
        listing,
        [&](const DirEntry& e) {
            if (!found && e.name == wanted)
                found = e;
        },
        connection_->wire());
    if (!found) {
        fail(QString::fromUtf8(kNotOnSite) + command_.site.path);
        return;
    }
    startOperation(&*found);
}

void CliSession::startOperation(const DirEntry* entry) {
    const QString& path = command_.site.path;
    operationStarted_ = true;
    switch (command_.kind) {
    case CliCommand::Get: {
        const QString local = localFolderPath(command_.localPath);
        if (!entry) {
            operations_->startFolderDownload(local, QStringLiteral("/"));
        } else if (entry->isFolder) {
            operations_->startDownload(local, SitePath::parentOf(path), {path}, {0});
        } else {
            const quint64 size = DirListing::sizeOf(*entry).value_or(0);
            operations_->startDownload(local, SitePath::parentOf(path), {path}, {size},
                                       {OperationRecord::ChosenFile});
        }
        break;
    }
    case CliCommand::Put: {
        // "dir/" names the folder itself, "/file" a file at the top.
        const QFileInfo info(QDir::cleanPath(QFileInfo(command_.localPath).absoluteFilePath()));
        const QString absolute = info.absoluteFilePath();
        const QString localFolder = localFolderPath(info.absolutePath());
        if (info.isDir()) {
            operations_->startUpload(path, localFolder, {absolute + QLatin1Char('/')}, {0});
        } else {
            operations_->startUpload(path, localFolder, {absolute}, {quint64(info.size())},
                                     {OperationRecord::ChosenFile});
        }
        break;
    }
    case CliCommand::MakeFolder:
        operations_->makeSiteFolder(path);
        break;
    case CliCommand::Remove:
        operations_->deleteSiteItems(
            {path}, {entry && entry->isFolder ? QStringLiteral("d") : QStringLiteral("-")});
        break;
    case CliCommand::Rename:
        operations_->renameSiteItem(path, command_.newPath);
        break;
    case CliCommand::Update:
        operations_->startDirectoryUpdate(localFolderPath(command_.localPath), path,
                                          options_.dryRun);
        break;
    case CliCommand::Sites:
    case CliCommand::AddSite:
    case CliCommand::Pwd:
    case CliCommand::List:
    case CliCommand::Tasks:
    case CliCommand::Resume:
        break;
    }
}

void CliSession::operationCompleted(bool) {}

// The login of `resume` is through: the task goes on, or says why not.
void CliSession::resumeInterruptedTask(const QString& taskFile) {
    operationStarted_ = true;
    if (!operations_->resumeTask(taskFile))
        fail(QString::fromUtf8(EngineText::ResumeFailed));
}

// The plan of an update run as a preview, one step per line in the order
// the steps would run, as the protocol names them.
void CliSession::directoryUpdatePlanned(const QStringList& paths, const QList<qint32>& kinds) {
    static const char* const kVerbs[] = {"?", "STOR", "MKD", "DELE", "RMD"};
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const qint32 kind = kinds.value(i);
        std::printf("%-4s %s\n", kVerbs[kind >= 1 && kind <= 4 ? kind : 0],
                    forTerminal(paths.at(i), false).toUtf8().constData());
    }
    std::fflush(stdout);
    succeed();
}
void CliSession::remoteFolderAdded(const QString&) {
    succeed();
}
void CliSession::remoteItemRenamed(const QString&) {
    succeed();
}

// The chosen item itself is always the last to go.
void CliSession::remoteFileRemoved(const QString& path) {
    if (path == command_.site.path)
        succeed();
}

void CliSession::remoteFolderRemoved(const QString& path) {
    if (path == command_.site.path)
        succeed();
}

void CliSession::postResume() {
    progress_.finish();
    fail(QString::fromUtf8(EngineText::TaskKept) + programDir_ + source_->taskFileName);
}

void CliSession::progressStarted(qint64 baseline) {
    progress_.start(SitePath::nameOf(operations_->currentItemPath()), quint64(baseline));
    setTimer(ProgressTimer, 250);
}

void CliSession::progressStopped() {
    killTimer(ProgressTimer);
    progress_.finish();
}

void CliSession::showStatusText(const QString&) {}

void CliSession::transcriptChanged(const QString&, const QString& appended) {
    if (options_.verbose && !appended.isEmpty())
        printErr(appended);
}

// The connection is gone (closed, or never reached): the command is over,
// once the engine's call has returned, so that a reason it gives right
// after closing (a refused login, "421") is the message, not the hang-up.
void CliSession::resetConnectedSiteDisplay() {
    post(ConnectionGone);
}

// Gone under a running command without a word from the engine (the server
// closed the control connection), it says so, and where a task is kept.
void CliSession::connectionGone() {
    if (!succeeded_ && !failed_ && !finishing_) {
        QString text = QString::fromUtf8(EngineText::ConnectionBroken);
        const QString task = programDir_ + source_->taskFileName;
        if (!source_->taskFileName.isEmpty() && QFileInfo::exists(task))
            text += QLatin1Char('\n') + QString::fromUtf8(EngineText::TaskKept) + task;
        progress_.finish();
        printErrLine(text);
        failed_ = true;
    }
    endLoop();
}

void CliSession::controlConnectionClosed() {
    killTimer(FrameTimer);
    killTimer(ProgressTimer);
}

void CliSession::report(const QString& text) {
    progress_.finish();
    console_.report(text);
}

// The exit status follows the outcome: a completed operation succeeds (with
// items left out, status 3 follows from their list), a goodbye changes
// nothing, anything else fails.
void CliSession::operationEnded(const OperationEnd& end) {
    report(end.explained());
    switch (end.outcome()) {
    case Outcome::Completed:
    case Outcome::CompletedWithSkips:
        succeed();
        break;
    case Outcome::LoggedOut:
        break;
    case Outcome::Refused:
    case Outcome::ConnectFailed:
    case Outcome::ConnectionLost:
    case Outcome::Cancelled:
    case Outcome::LocalFileError:
    case Outcome::NameNotSendable:
    case Outcome::TaskUnusable:
        fail();
        break;
    }
}

// Nobody to ask: the certificate is shown and refused; --trust with its
// fingerprint takes it next time.
Prompts::CertificateAnswer CliSession::askCertificate(const QString& server,
                                                      const TlsCertificate& certificate) {
    printErrLine(
        QString::fromUtf8("服务器 %1 的证书不受信任：%2").arg(server, certificate.problem));
    printErrLine(QString::fromUtf8("  主题：") + certificate.subject);
    printErrLine(QString::fromUtf8("  签发者：") + certificate.issuer);
    printErrLine(
        QString::fromUtf8("  有效期：%1 至 %2").arg(certificate.validFrom, certificate.validUntil));
    printErrLine(QStringLiteral("  SHA-256: ") + certificate.fingerprint);
    printErrLine(QStringLiteral("  (--trust ") + certificate.fingerprint +
                 QString::fromUtf8(" 表示信任它)"));
    return CertificateAnswer::Refuse;
}

bool CliSession::askYesNo(const QString& text) {
    return console_.askYesNo(text);
}
bool CliSession::askOkCancel(const QString& text) {
    return console_.askOkCancel(text);
}

void CliSession::succeed() {
    succeeded_ = true;
    finish();
}

void CliSession::fail(const QString& text) {
    if (!text.isEmpty())
        printErrLine(text);
    failed_ = true;
    finish();
}

// Log out once; a connection that is already gone just ends the loop.
void CliSession::finish() {
    if (finishing_)
        return;
    finishing_ = true;
    if (connection_ && connection_->isGreeted()) {
        connection_->quit();
        setTimer(QuitFallbackTimer, 10000, TimerKind::SingleShot);
    } else {
        endLoop();
    }
}

void CliSession::endLoop() {
    loopEnded_ = true;
    loop_.exit();
}

void CliSession::onMessage(int msg, WParam, LParam) {
    if (msg == ConnectionGone)
        connectionGone();
}

void CliSession::onTimer(int id) {
    if (id == FrameTimer && connection_)
        connection_->onFrameTick();
    else if (id == ProgressTimer && connection_)
        progress_.update(source_->bytesDone, operations_->currentItemSize());
    else if (id == QuitFallbackTimer)
        endLoop();
}
