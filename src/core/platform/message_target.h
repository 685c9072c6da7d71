#pragma once

#include "core/platform/messages.h"

#include <QObject>

#include <deque>
#include <map>
#include <memory>
#include <mutex>

class QTimer;

// A receiver of posted messages and timer ticks on the thread it lives in.
// Messages are delivered in the order they were posted, one at a time, so a
// protocol handler advances one notification at a time. A handler that
// opens a modal box runs a nested event loop; messages that come meanwhile
// wait until the handler has returned, and so do timer ticks of a target
// that asks for it (holdTicksDuringHandlers).
class MessageTarget : public QObject {
    Q_OBJECT
public:
    explicit MessageTarget(QObject* parent = nullptr);
    ~MessageTarget() override;

    // Thread-safe: may be called from any thread.
    void post(int msg, WParam wParam = 0, LParam lParam = 0);
    // Handles the message at once; only on this target's thread, and only
    // from the event loop itself, never from inside a handler.
    void deliver(int msg, WParam wParam, LParam lParam);

    enum class TimerKind { Repeating, SingleShot };
    // Starts (or restarts) timer `id`; onTimer(id) runs every `ms`, or once.
    void setTimer(int id, int ms, TimerKind kind = TimerKind::Repeating);
    void killTimer(int id);
    bool timerActive(int id) const;

    // True while a message or timer handler of this target runs: anything
    // that comes now (from a nested event loop) cannot be handled yet.
    bool handlerRunning() const { return handlerDepth_ > 0; }

protected:
    // A tick that comes while a handler runs is queued behind the messages,
    // so that no handler of this target ever starts inside another.
    void holdTicksDuringHandlers() { holdTicks_ = true; }

protected:
    virtual void onMessage(int msg, WParam wParam, LParam lParam) = 0;
    virtual void onTimer(int id) { Q_UNUSED(id); }

    bool event(QEvent* e) override;

private:
    struct Posted {
        int msg;
        WParam wParam;
        LParam lParam;
        bool timer; // a timer tick held back while a handler ran
    };
    void enqueue(const Posted& posted);
    void drain();
    void timerFired(int id);
    void runTimer(int id);

    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::mutex queueMutex_;
    std::deque<Posted> queue_;
    bool drainScheduled_ = false;
    int handlerDepth_ = 0;
    bool holdTicks_ = false;
    // Per timer: bumped by every start and stop, so that a tick held back
    // is dropped when its timer was restarted or stopped meanwhile.
    std::map<int, quint64> timerGeneration_;
    std::map<int, bool> tickHeld_;
};
