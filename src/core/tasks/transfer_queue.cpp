#include "core/tasks/transfer_queue.h"

#include "core/engine/operation_record.h"
#include "core/engine/progress_texts.h"
#include "core/platform/clock.h"

#include <algorithm>

namespace {

// How far back the speed looks.
constexpr quint32 SpeedWindowMs = 5000;

// A path as the list names it: a local folder without its trailing "/".
QString shownPath(QString path) {
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// "1:05" or "2:01:05".
QString durationText(quint64 seconds) {
    const quint64 hours = seconds / 3600;
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2")
            .arg(hours ? (seconds / 60) % 60 : seconds / 60, hours ? 2 : 1, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours ? QString::number(hours) + QLatin1Char(':') + minutesAndSeconds
                 : minutesAndSeconds;
}

} // namespace

// --- one line of the list ---------------------------------------------------------

QString TransferItem::directionText() const {
    switch (request.kind) {
    case TransferRequest::Kind::Update:
        return QString::fromUtf8("目录更新");
    case TransferRequest::Kind::Task:
        return QString::fromUtf8("续传");
    default:
        return QString::fromUtf8(request.download ? "下载" : "上传");
    }
}

QString TransferItem::sourceText() const {
    switch (request.kind) {
    case TransferRequest::Kind::Rows: {
        const QString first = shownPath(request.paths.value(0));
        return request.paths.size() == 1
                   ? first
                   : QString::fromUtf8("%1 等%2项").arg(first).arg(request.paths.size());
    }
    case TransferRequest::Kind::Task:
        return request.taskFile;
    default:
        return shownPath(request.download ? request.siteFolder : request.localFolder);
    }
}

QString TransferItem::targetText() const {
    if (request.kind == TransferRequest::Kind::Task)
        return siteLabel;
    return shownPath(request.download ? request.localFolder : request.siteFolder);
}

// Chosen files alone have a size before they run; a folder's is known as
// it is walked.
std::optional<quint64> TransferItem::chosenSize() const {
    if (request.kind != TransferRequest::Kind::Rows ||
        request.kinds.contains(qint32(OperationRecord::Folder)))
        return std::nullopt;
    quint64 total = 0;
    for (quint64 size : request.sizes)
        total += size;
    return total;
}

QString TransferItem::sizeText() const {
    if (const std::optional<quint64> size = chosenSize())
        return ProgressTexts::sizeText(*size);
    if (progress.bytesTotal > 0)
        return ProgressTexts::sizeText(progress.bytesTotal);
    return {};
}

QString TransferItem::stateText() const {
    switch (state) {
    case State::Queued:
        return QString::fromUtf8("等待");
    case State::Running:
        return QString::fromUtf8("正在传送");
    case State::Done:
        return reason.isEmpty() ? QString::fromUtf8("已完成") : reason;
    case State::Failed:
        return QString::fromUtf8(resumable() ? "已中断：" : "失败：") + reason;
    }
    return {};
}

QString TransferItem::progressText() const {
    if (state == State::Queued || progress.filesTotal == 0)
        return {};
    QStringList parts;
    if (progress.bytesTotal > 0)
        parts << ProgressTexts::sizeText(progress.bytesDone) + QStringLiteral(" / ") +
                     ProgressTexts::sizeText(progress.bytesTotal);
    if (state == State::Running) {
        const quint64 left =
            progress.bytesTotal > progress.bytesDone ? progress.bytesTotal - progress.bytesDone : 0;
        parts << ProgressTexts::sizeText(bytesPerSecond) + QStringLiteral("/s")
              << QString::fromUtf8("剩余 ") + (bytesPerSecond > 0
                                                   ? durationText(left / bytesPerSecond)
                                                   : QStringLiteral("--"));
    }
    parts << QString::fromUtf8("%1/%2 个文件").arg(progress.filesDone).arg(progress.filesTotal);
    return parts.join(QStringLiteral("  "));
}

// --- the list -------------------------------------------------------------------

int TransferQueue::add(const TransferRequest& request, const QString& site,
                       const QString& siteLabel) {
    TransferItem item;
    item.id = nextId_++;
    item.request = request;
    item.site = site;
    item.siteLabel = siteLabel;
    items_ << item;
    emit itemAdded(item.id);
    return item.id;
}

TransferItem* TransferQueue::item(int id) {
    for (TransferItem& item : items_)
        if (item.id == id)
            return &item;
    return nullptr;
}

const TransferItem* TransferQueue::running() const {
    for (const TransferItem& item : items_)
        if (item.state == TransferItem::State::Running)
            return &item;
    return nullptr;
}

const TransferItem* TransferQueue::nextFor(const QString& site) const {
    for (const TransferItem& item : items_)
        if (item.state == TransferItem::State::Queued && item.site == site)
            return &item;
    return nullptr;
}

const TransferItem* TransferQueue::withTask(const QString& taskFile) const {
    for (const TransferItem& item : items_)
        if (!taskFile.isEmpty() && item.taskFile == taskFile)
            return &item;
    return nullptr;
}

int TransferQueue::unfinishedCount() const {
    return int(std::count_if(items_.cbegin(), items_.cend(),
                             [](const TransferItem& item) { return !item.finished(); }));
}

void TransferQueue::setRunning(int id) {
    TransferItem* it = item(id);
    if (!it)
        return;
    it->state = TransferItem::State::Running;
    it->reason.clear();
    it->progress = {};
    it->bytesPerSecond = 0;
    it->speedSamples.clear();
    emit itemChanged(id);
}

// The speed is what moved over the last few seconds: servers that send in
// bursts (a throttle, a busy link) would make a speed between two updates
// jump from nothing to double and the time remaining with it. The first
// update only sets where counting starts: a resumed transfer's earlier
// bytes are no speed.
void TransferQueue::setProgress(int id, const TransferProgress& progress, quint32 tick) {
    TransferItem* it = item(id);
    if (!it || it->state != TransferItem::State::Running)
        return;
    auto& samples = it->speedSamples;
    samples << std::pair{tick, progress.bytesDone};
    while (samples.size() > 2 && ticksSince(tick, samples.at(1).first) >= SpeedWindowMs)
        samples.removeFirst();
    const auto& [firstTick, firstBytes] = samples.first();
    const quint32 span = ticksSince(tick, firstTick);
    const quint64 moved = progress.bytesDone > firstBytes ? progress.bytesDone - firstBytes : 0;
    it->bytesPerSecond = span > 0 ? moved * 1000 / span : 0;
    it->progress = progress;
    emit itemChanged(id);
}

void TransferQueue::setDone(int id, const QString& note) {
    TransferItem* it = item(id);
    if (!it)
        return;
    it->state = TransferItem::State::Done;
    it->reason = note;
    it->taskFile.clear();
    it->progress.filesDone = it->progress.filesTotal;
    it->progress.bytesDone = it->progress.bytesTotal;
    emit itemChanged(id);
}

void TransferQueue::setFailed(int id, const QString& reason, const QString& taskFile) {
    TransferItem* it = item(id);
    if (!it)
        return;
    it->state = TransferItem::State::Failed;
    it->reason = reason;
    it->taskFile = taskFile;
    emit itemChanged(id);
}

void TransferQueue::requeue(int id) {
    TransferItem* it = item(id);
    if (!it || it->state != TransferItem::State::Failed)
        return;
    it->state = TransferItem::State::Queued;
    it->reason.clear();
    emit itemChanged(id);
}

void TransferQueue::remove(int id) {
    const auto at = std::find_if(items_.begin(), items_.end(),
                                 [id](const TransferItem& item) { return item.id == id; });
    if (at == items_.end() || at->state == TransferItem::State::Running)
        return;
    items_.erase(at);
    emit itemRemoved(id);
}

void TransferQueue::clearFinished() {
    QList<int> done;
    for (const TransferItem& item : items_)
        if (item.state == TransferItem::State::Done)
            done << item.id;
    for (int id : done)
        remove(id);
}
