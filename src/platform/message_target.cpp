#include "platform/message_target.h"

#include "platform/async_socket.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {

const QEvent::Type kMessageEventType = QEvent::Type(QEvent::registerEventType());

struct MessageEvent : QEvent {
    MessageEvent(int m, WParam w, LParam l)
        : QEvent(kMessageEventType), msg(m), wParam(w), lParam(l) {}
    int msg;
    WParam wParam;
    LParam lParam;
};

} // namespace

MessageTarget::MessageTarget(QObject* parent) : QObject(parent) {}

MessageTarget::~MessageTarget() = default;

void MessageTarget::post(int msg, WParam wParam, LParam lParam) {
    QCoreApplication::postEvent(this, new MessageEvent(msg, wParam, lParam));
}

void MessageTarget::setTimer(int id, int ms, TimerKind kind) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, this, [this, id] {
            auto it = timers_.find(id);
            if (it != timers_.end() && it->second->isSingleShot())
                it->second->stop();
            onTimer(id);
        });
    }
    timer->setSingleShot(kind == TimerKind::SingleShot);
    timer->start(ms);
}

void MessageTarget::killTimer(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end())
        it->second->stop();
}

bool MessageTarget::timerActive(int id) const {
    auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive();
}

void MessageTarget::deliver(int msg, WParam wParam, LParam lParam) {
    if (msg == Msg::SocketEvent && !AsyncSocket::isLive(wParam))
        return;
    onMessage(msg, wParam, lParam);
}

bool MessageTarget::event(QEvent* e) {
    if (e->type() != kMessageEventType)
        return QObject::event(e);
    auto* m = static_cast<MessageEvent*>(e);
    // A notification that was already queued when its socket was closed must
    // not reach the handler: the descriptor may belong to a new socket now.
    if (m->msg == Msg::SocketEvent && !AsyncSocket::isLive(m->wParam))
        return true;
    onMessage(m->msg, m->wParam, m->lParam);
    return true;
}
