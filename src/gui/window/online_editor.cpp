#include "gui/window/online_editor.h"

#include "core/engine/ftp_connection.h"
#include "core/platform/prompts.h"
#include "gui/panes/listing_cache.h"

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

QString OnlineEditor::copyPath() const {
    return workFolder_ + fileName();
}

// The folder of the file on the site: "/" for a file at the top.
QString OnlineEditor::siteFolder() const {
    const qsizetype cut = remotePath_.lastIndexOf(QLatin1Char('/'));
    return cut <= 0 ? QStringLiteral("/") : remotePath_.left(cut);
}

void OnlineEditor::edit(const QString& remoteFolder, const QString& name, quint32 size,
                        const RemoteStamp& shown) {
    FtpConnection* connection = host_.connection();
    const QString file = name.trimmed();
    if (!connection || !plainName(file))
        return;
    stop();
    remotePath_ = remoteFolder + file;
    siteStamp_ = shown;
    if (QFileInfo(copyPath()).size() > 0) {
        launch(); // an earlier copy is opened again
        return;
    }
    state_ = State::Fetching;
    connection->setEditMode(true);
    // The kind is given: a file of 0 bytes is still a file.
    connection->StartDownload(workFolder_, remoteFolder, {remotePath_}, {size},
                              {OperationRecord::ChosenFile});
}

bool OnlineEditor::editNew(const QString& remoteFolder, const QString& name) {
    if (!plainName(name) || !QFileInfo(workFolder_).isDir())
        return false;
    stop();
    remotePath_ = remoteFolder + name;
    QFile copy(copyPath());
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    copy.close();
    siteStamp_ = RemoteStamp{}; // the site has no such file
    launch();
    return true;
}

void OnlineEditor::copyFetched() {
    if (state_ == State::Fetching)
        launch();
}

void OnlineEditor::launch() {
    state_ = State::Idle;
    const QFileInfo copy(copyPath());
    FtpConnection* connection = host_.connection();
    if (!copy.exists() || !connection)
        return;
    remember(copy);
    const QString application = host_.chooseApplication(copy.absoluteFilePath());
    if (application.isEmpty())
        return;
    qint64 pid = 0;
    if (!QProcess::startDetached(application, {copy.absoluteFilePath()}, workFolder_, &pid)) {
        host_.prompts().report(QString::fromUtf8(kCannotOpen));
        return;
    }
    applicationPid_ = pid;
    connection->setEditMode(true);
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
    FtpConnection* connection = host_.connection();
    if (!connection || connection->awaitingGreeting) {
        if (state_ == State::Watching)
            host_.setStatusLine(QString());
        stop();
        return;
    }
    if (state_ == State::Watching)
        watchApplication(connection);
    else if (state_ == State::WatchingCopy)
        watchCopy();
}

void OnlineEditor::watchApplication(FtpConnection* connection) {
    if (processAlive(applicationPid_))
        return;
    applicationPid_ = 0;
    host_.setStatusLine(QString());
    const QFileInfo copy(copyPath());
    if (!copy.exists()) {
        connection->setEditMode(false);
        stop();
        return;
    }
    state_ = State::WatchingCopy;
    if (copyChanged(copy))
        upload(copy);
    else
        connection->setEditMode(false); // nothing to send: the connection is free again
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
    host_.connection()->StartEditUpload(siteFolder(), copy.absoluteFilePath(),
                                        quint32(copy.size()), siteStamp_);
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

void OnlineEditor::cleanup() {
    stop();
    QDir work(workFolder_);
    for (const QString& name : work.entryList(QDir::Files | QDir::Hidden | QDir::System))
        work.remove(name);
}
