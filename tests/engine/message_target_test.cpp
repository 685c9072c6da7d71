// Posted messages, timers and host lookups of the platform layer.
#include "core/platform/host_lookup.h"
#include "core/platform/message_target.h"
#include "wait.h"

#include <QList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

class Recorder : public MessageTarget {
public:
    QList<std::tuple<int, WParam, LParam>> messages;
    QList<int> ticks;

protected:
    void onMessage(int msg, WParam w, LParam l) override { messages.append({msg, w, l}); }
    void onTimer(int id) override { ticks.append(id); }
};

} // namespace

TEST(MessageTarget, MessagesFromAnotherThreadArriveInOrder) {
    Recorder target;
    std::thread poster([&] {
        for (int i = 0; i < 500; ++i)
            target.post(Msg::ContinueOperation, WParam(i), 0);
    });
    poster.join();
    ASSERT_TRUE(waitUntil([&] { return target.messages.size() == 500; }));
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(std::get<1>(target.messages[i]), WParam(i));
}

TEST(MessageTarget, SingleShotAndRepeatingTimers) {
    Recorder target;
    target.setTimer(7, 10, MessageTarget::TimerKind::SingleShot);
    target.setTimer(8, 10);
    ASSERT_TRUE(waitUntil([&] { return target.ticks.count(8) >= 3; }));
    EXPECT_EQ(target.ticks.count(7), 1);
    EXPECT_FALSE(target.timerActive(7));
    target.killTimer(8);
    const auto repeats = target.ticks.count(8);
    spinFor(60);
    EXPECT_EQ(target.ticks.count(8), repeats);
}

namespace {

// Opens a "box" (a nested event loop) in its message handler, as a
// connection does when it shows a message.
class BoxOpener : public MessageTarget {
public:
    BoxOpener() { holdTicksDuringHandlers(); }
    bool inHandler = false;
    QList<int> ticks;
    QList<int> ticksInsideHandler;
    std::function<void()> duringBox;

protected:
    void onMessage(int, WParam, LParam) override {
        inHandler = true;
        if (duringBox)
            duringBox();
        spinFor(60);
        inHandler = false;
    }
    void onTimer(int id) override {
        ticks << id;
        if (inHandler)
            ticksInsideHandler << id;
    }
};

} // namespace

// Ticks of a target's own timers that come while its handler shows a box
// wait until the handler has returned: one for any number of a repeating
// timer, none for a timer stopped or started again meanwhile.
TEST(MessageTarget, TicksWaitForAHandlerThatOpenedABox) {
    BoxOpener target;
    target.setTimer(1, 5);
    target.setTimer(2, 5, MessageTarget::TimerKind::SingleShot);
    target.duringBox = [&] {
        spinFor(20);
        target.killTimer(2); // its tick came, then it was stopped
    };
    target.post(Msg::ContinueOperation);
    ASSERT_TRUE(waitUntil([&] { return target.ticks.count(1) >= 3; }));
    target.killTimer(1);
    spinFor(20);
    EXPECT_TRUE(target.ticksInsideHandler.isEmpty());
    EXPECT_EQ(target.ticks.count(2), 0);
    EXPECT_FALSE(target.handlerRunning());
}

TEST(HostLookup, ResultIsPostedWithHandleAndLength) {
    Recorder target;
    HostLookup lookup(&target, [](const QString& name) -> std::optional<QString> {
        if (name == "ftp.example.test")
            return QStringLiteral("127.0.0.9");
        return std::nullopt;
    });
    quintptr good = lookup.start("ftp.example.test");
    quintptr bad = lookup.start("nowhere.test");
    ASSERT_TRUE(waitUntil([&] { return target.messages.size() == 2; }));
    for (auto [msg, w, l] : target.messages) {
        EXPECT_EQ(msg, Msg::LookupFinished);
        if (w == good) {
            EXPECT_EQ(errorOf(l), 0);
            EXPECT_EQ(l & 0xFFFF, 9);
            EXPECT_EQ(lookup.result(good), "127.0.0.9");
        } else {
            EXPECT_EQ(w, bad);
            EXPECT_NE(errorOf(l), 0);
        }
    }
}

TEST(HostLookup, CancelledLookupPostsNothing) {
    Recorder target;
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    std::atomic<bool> resolved{false};
    {
        HostLookup lookup(&target, [&](const QString&) -> std::optional<QString> {
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return release; });
            resolved = true;
            return QStringLiteral("127.0.0.1");
        });
        quintptr h = lookup.start("slow.test");
        lookup.cancel(h);
        {
            std::lock_guard<std::mutex> lock(m);
            release = true;
        }
        cv.notify_all();
        ASSERT_TRUE(waitUntil([&] { return resolved.load(); }));
        spinFor(50);
    }
    EXPECT_TRUE(target.messages.isEmpty());
}
