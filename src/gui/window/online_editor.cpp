#include "gui/window/online_editor.h"

#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"
#include "gui/panes/listing_cache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <csignal>

namespace {

const char* const kWatching = "正在阅读编辑FTP文件，请在执行其他操作前关闭使用的应用程序！";
const char* const kCannotOpen = "不能打开文件！";
const char* const kUploaded = "编辑过的文件已上传到站点：";
const char* const kCopyKept = "正在编辑的文件的副本没有删除，连接关闭后保存的修改不会上传：";
// Beside each copy: what the site's file was when the copy was made (or
// last sent), so that a copy opened again is checked against that.
const char* const kStampName = ".site-stamp";

// Whether the process is still there and not a zombie waiting to be
// reaped: the application is started detached, so it is not our child.
bool processAlive(qint64 pid) {
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true; // no /proc: trust kill()
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < line.size() ? line.at(close + 2) : 'R';
    return state != 'Z' && state != 'X';
}

// A name from a listing that is safe to use as a file in the work folder.
bool plainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace

OnlineEditor::OnlineEditor(Host& host, const QString& workFolder, const Timing& timing)
    : host_(host), workFolder_(workFolder), timing_(timing) {
    if (!workFolder_.endsWith(QLatin1Char('/')))
        workFolder_ += QLatin1Char('/');
    watchTimer_.setInterval(timing_.editWatchMs);
    connect(&watchTimer_, &QTimer::timeout, this, &OnlineEditor::onTick);
}

QString OnlineEditor::fileName() const {
    return remotePath_.mid(remotePath_.lastIndexOf(QLatin1Char('/')) + 1);
}

// Each site file has a folder of its own in the work folder, named after
// its server and site folder: two files of one name in two site folders
// never share a copy (the copy keeps the file's name, which the editing
// application shows).
QString OnlineEditor::copyFolder() const {
    FtpSession* connection = host_.connection();
    const QString server = connection ? connection->source().hostName() + QLatin1Char(':') +
                                            QString::number(connection->source().port)
                                      : QString();
    const QByteArray key = QCryptographicHash::hash(
        (server + QLatin1Char('\n') + siteFolder()).toUtf8(), QCryptographicHash::Sha1);
    return workFolder_ + QString::fromLatin1(key.toHex().left(16)) + QLatin1Char('/');
}

QString OnlineEditor::copyPath() const {
    return copyFolder() + fileName();
}

void OnlineEditor::saveStamp() const {
    QFile file(copyFolder() + QString::fromLatin1(kStampName));
    if (!siteStamp_ || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(
        QStringList{siteStamp_->exists ? "1" : "0", siteStamp_->sizeText, siteStamp_->dateText}
            .join(QLatin1Char('\n'))
            .toUtf8());
}

std::optional<RemoteStamp> OnlineEditor::savedStamp() const {
    QFile file(copyFolder() + QString::fromLatin1(kStampName));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList parts = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (parts.size() != 3)
        return std::nullopt;
    return RemoteStamp{parts.at(0) == QLatin1String("1"), parts.at(1), parts.at(2)};
}

// The folder of the file on the site: "/" for a file at the top.
QString OnlineEditor::siteFolder() const {
    const qsizetype cut = remotePath_.lastIndexOf(QLatin1Char('/'));
    return cut <= 0 ? QStringLiteral("/") : remotePath_.left(cut);
}

void OnlineEditor::edit(const QString& remoteFolder, const QString& name, quint64 size,
                        const RemoteStamp& shown) {
    FtpSession* connection = host_.connection();
    const QString file = name.trimmed();
    if (!connection || !plainName(file))
        return;
    stop();
    remotePath_ = remoteFolder + file;
    siteStamp_ = shown;
    if (QFileInfo(copyPath()).size() > 0) {
        // An earlier copy is opened again, and checked against the site's
        // file as it was when that copy was made, not as it is now.
        if (const std::optional<RemoteStamp> saved = savedStamp())
            siteStamp_ = saved;
        launch();
        return;
    }
    if (!QDir().mkpath(copyFolder())) {
        host_.prompts().report(QString::fromUtf8(kCannotOpen));
        return;
    }
    saveStamp();
    state_ = State::Fetching;
    host_.operations()->setEditMode(true);
    // The kind is given: a file of 0 bytes is still a file.
    host_.operations()->startDownload(copyFolder(), remoteFolder, {remotePath_}, {size},
                                      {OperationRecord::ChosenFile});
}

bool OnlineEditor::editNew(const QString& remoteFolder, const QString& name) {
    if (!plainName(name) || !QFileInfo(workFolder_).isDir())
        return false;
    stop();
    remotePath_ = remoteFolder + name;
    QFile copy(copyPath());
    if (!QDir().mkpath(copyFolder()) || !copy.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    copy.close();
    siteStamp_ = RemoteStamp{}; // the site has no such file
    saveStamp();
    launch();
    return true;
}

// The application chooser is a modal dialog: it opens once the connection
// has finished handling the reply that brought the copy, never inside it.
void OnlineEditor::copyFetched() {
    QTimer::singleShot(0, this, [this] {
        if (state_ == State::Fetching)
            launch();
    });
}

void OnlineEditor::launch() {
    state_ = State::Idle;
    const QFileInfo copy(copyPath());
    FtpSession* connection = host_.connection();
    if (!copy.exists() || !connection)
        return;
    remember(copy);
    const QString application = host_.chooseApplication(copy.absoluteFilePath());
    if (application.isEmpty())
        return;
    qint64 pid = 0;
    if (!QProcess::startDetached(application, {copy.absoluteFilePath()}, copyFolder(), &pid)) {
        host_.prompts().report(QString::fromUtf8(kCannotOpen));
        return;
    }
    applicationPid_ = pid;
    host_.operations()->setEditMode(true);
    host_.setStatusLine(QString::fromUtf8(kWatching));
    state_ = State::Watching;
    // The application is given a moment to open the file before it is
    // watched; the connection stays held meanwhile.
    QTimer::singleShot(timing_.editStartPauseMs, this, [this, pid] {
        if (state_ == State::Watching && applicationPid_ == pid)
            watchTimer_.start();
    });
}

void OnlineEditor::onTick() {
    FtpSession* connection = host_.connection();
    if (!connection || !connection->isGreeted()) {
        if (state_ == State::Watching)
            host_.setStatusLine(QString());
        stop();
        return;
    }
    if (state_ == State::Watching)
        watchApplication();
    else if (state_ == State::WatchingCopy)
        watchCopy();
}

void OnlineEditor::watchApplication() {
    if (processAlive(applicationPid_))
        return;
    applicationPid_ = 0;
    host_.setStatusLine(QString());
    const QFileInfo copy(copyPath());
    if (!copy.exists()) {
        host_.operations()->setEditMode(false);
        stop();
        return;
    }
    state_ = State::WatchingCopy;
    if (copyChanged(copy))
        upload(copy);
    else
        host_.operations()->setEditMode(false); // nothing to send: the connection is free again
}

// After the application has ended: a later save of the copy is sent too,
// once the connection is free.
void OnlineEditor::watchCopy() {
    if (!host_.connectionReady())
        return;
    const QFileInfo copy(copyPath());
    if (copy.exists() && copyChanged(copy))
        upload(copy);
}

void OnlineEditor::upload(const QFileInfo& copy) {
    remember(copy); // a failed or refused upload is not tried again until the next save
    host_.operations()->startEditUpload(siteFolder(), copy.absoluteFilePath(), quint64(copy.size()),
                                        siteStamp_);
}

void OnlineEditor::uploadCompleted() {
    host_.addNote(QString::fromUtf8(kUploaded) + remotePath_);
    awaitingStamp_ = true;
}

void OnlineEditor::listingShown(const QString& remoteFolder, const CachedListing& listing) {
    // The file's folder as the site tree writes it: "/" or ending with "/".
    const QString folder = remotePath_.left(remotePath_.lastIndexOf(QLatin1Char('/')) + 1);
    if (!awaitingStamp_ || remoteFolder != folder)
        return;
    awaitingStamp_ = false;
    siteStamp_ = RemoteStamp{};
    for (qsizetype i = 0; i < listing.size(); ++i) {
        if (listing.names.at(i) == fileName()) {
            siteStamp_ = RemoteStamp{true, listing.sizes.at(i), listing.dates.at(i)};
            break;
        }
    }
    saveStamp();
}

bool OnlineEditor::copyChanged(const QFileInfo& copy) const {
    return copy.lastModified() > copyTime_ || copy.size() != copySize_;
}

void OnlineEditor::remember(const QFileInfo& copy) {
    copyTime_ = copy.lastModified();
    copySize_ = copy.size();
}

void OnlineEditor::stop() {
    watchTimer_.stop();
    applicationPid_ = 0;
    awaitingStamp_ = false;
    state_ = State::Idle;
}

// A copy still being edited (its application running, or handed to
// another window and watched since) is kept, and the user told where: a
// save after the connection closed would otherwise be lost without a word.
void OnlineEditor::cleanup() {
    const bool inUse = state_ == State::Watching || state_ == State::WatchingCopy;
    const QString kept = inUse ? copyFolder() : QString();
    const QString keptCopy = copyPath();
    stop();
    QDir work(workFolder_);
    for (const QString& name : work.entryList(QDir::Files | QDir::Hidden | QDir::System))
        work.remove(name);
    for (const QString& name : work.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (work.filePath(name) + QLatin1Char('/') != kept)
            QDir(work.filePath(name)).removeRecursively();
    }
    if (inUse && QFileInfo::exists(keptCopy))
        host_.prompts().report(QString::fromUtf8(kCopyKept) + keptCopy);
}
