#include "core/platform/message_target.h"

#include "core/platform/async_socket.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {

const QEvent::Type kDrainEventType = QEvent::Type(QEvent::registerEventType());

// Messages handled per turn of the event loop before other events (sockets,
// timers, the window) get theirs.
constexpr int kMessagesPerTurn = 64;

} // namespace

MessageTarget::MessageTarget(QObject* parent) : QObject(parent) {}

MessageTarget::~MessageTarget() = default;

// Messages wait in the target's own queue; one event per batch wakes the
// loop, instead of one per message.
void MessageTarget::post(int msg, WParam wParam, LParam lParam) {
    enqueue({msg, wParam, lParam, false});
}

void MessageTarget::enqueue(const Posted& posted) {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back(posted);
        wake = !drainScheduled_;
        drainScheduled_ = true;
    }
    if (wake)
        QCoreApplication::postEvent(this, new QEvent(kDrainEventType));
}

void MessageTarget::deliver(int msg, WParam wParam, LParam lParam) {
    // A notification that was already queued when its socket was closed must
    // not reach the handler: the descriptor may belong to a new socket now.
    if (msg == Msg::SocketEvent && !AsyncSocket::isLive(wParam))
        return;
    ++handlerDepth_;
    onMessage(msg, wParam, lParam);
    --handlerDepth_;
}

void MessageTarget::timerFired(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end() && it->second->isSingleShot())
        it->second->stop();
    if (holdTicks_ && handlerDepth_ > 0) {
        if (!tickHeld_[id]) { // one held tick stands for any number
            tickHeld_[id] = true;
            enqueue({0, WParam(id), LParam(timerGeneration_[id]), true});
        }
        return;
    }
    runTimer(id);
}

void MessageTarget::runTimer(int id) {
    ++handlerDepth_;
    onTimer(id);
    --handlerDepth_;
}

void MessageTarget::drain() {
    for (int handled = 0; handled < kMessagesPerTurn; ++handled) {
        Posted m;
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (queue_.empty()) {
                drainScheduled_ = false;
                return;
            }
            m = queue_.front();
            queue_.pop_front();
        }
        if (m.timer) {
            const int id = int(m.wParam);
            tickHeld_[id] = false;
            if (timerGeneration_[id] == quint64(m.lParam))
                runTimer(id);
        } else {
            deliver(m.msg, m.wParam, m.lParam);
        }
    }
    QCoreApplication::postEvent(this, new QEvent(kDrainEventType)); // the rest next turn
}

void MessageTarget::setTimer(int id, int ms, TimerKind kind) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, this, [this, id] { timerFired(id); });
    }
    timer->setSingleShot(kind == TimerKind::SingleShot);
    timer->start(ms);
    ++timerGeneration_[id];
}

void MessageTarget::killTimer(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end())
        it->second->stop();
    ++timerGeneration_[id];
}

bool MessageTarget::timerActive(int id) const {
    auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive();
}

bool MessageTarget::event(QEvent* e) {
    if (e->type() != kDrainEventType)
        return QObject::event(e);
    drain();
    return true;
}
