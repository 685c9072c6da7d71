// The notification rules of AsyncSocket, on real loopback sockets.
#include "core/platform/async_socket.h"
#include "core/platform/message_target.h"
#include "wait.h"

#include <QList>

#include <functional>
#include <utility>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Event {
    quintptr socket;
    int event;
    int error;
};

// Records notifications; can read a few bytes per Read like a slow handler.
class Recorder : public MessageTarget {
public:
    QList<Event> events;
    AsyncSocket* readOnRead = nullptr;
    int readChunk = 0;
    QByteArray received;
    // Runs before the read, e.g. a message box's own event loop.
    std::function<void()> beforeRead;

    int count(int event) const {
        int n = 0;
        for (const Event& e : events)
            n += e.event == event;
        return n;
    }

protected:
    void onMessage(int msg, WParam w, LParam l) override {
        if (msg != Msg::SocketEvent)
            return;
        events.append({w, eventOf(l), errorOf(l)});
        if (beforeRead && eventOf(l) == Fd::Read)
            std::exchange(beforeRead, nullptr)();
        if (readOnRead && eventOf(l) == Fd::Read && readChunk > 0) {
            char buf[65536];
            qint64 n = readOnRead->recv(buf, readChunk);
            if (n > 0)
                received.append(buf, n);
        }
    }
};

// A plain blocking listener on 127.0.0.1 standing in for the far end.
struct RawListener {
    int fd;
    quint16 port;
    RawListener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~RawListener() { ::close(fd); }
    int acceptOne() { return ::accept(fd, nullptr, nullptr); }
};

// Connects `socket` to the listener and returns the far end's descriptor.
int connectPair(AsyncSocket& socket, Recorder& target, RawListener& listener) {
    EXPECT_TRUE(socket.open());
    socket.asyncSelect(&target, Fd::Connect);
    int r = socket.connect("127.0.0.1", listener.port);
    EXPECT_TRUE(r == 0 || r == AsyncSocket::WouldBlock);
    int far = listener.acceptOne();
    EXPECT_TRUE(waitUntil([&] { return target.count(Fd::Connect) == 1; }));
    EXPECT_EQ(target.events.last().error, 0);
    return far;
}

} // namespace

TEST(AsyncSocket, CloseComesOnlyAfterEveryByteWasRead) {
    RawListener listener;
    Recorder target;
    AsyncSocket socket;
    int far = connectPair(socket, target, listener);

    QByteArray payload(200 * 1024, 'z');
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char('a' + i % 26);
    ASSERT_EQ(::send(far, payload.constData(), payload.size(), 0), payload.size());
    ::close(far); // closed at once, long before the reader has caught up

    target.readOnRead = &socket;
    target.readChunk = 1000; // a slow reader: many Read notifications
    socket.asyncSelect(&target, Fd::Read | Fd::Close);
    ASSERT_TRUE(waitUntil([&] { return target.count(Fd::Close) == 1; }, 10000));
    EXPECT_EQ(target.received, payload);
    EXPECT_EQ(target.events.last().event, Fd::Close);
    EXPECT_EQ(target.events.last().error, 0);
    spinFor(100);
    EXPECT_EQ(target.count(Fd::Close), 1);
}

TEST(AsyncSocket, ReadIsNotRepeatedUntilRecv) {
    RawListener listener;
    Recorder target;
    AsyncSocket socket;
    int far = connectPair(socket, target, listener);
    socket.asyncSelect(&target, Fd::Read | Fd::Close);

    ::send(far, "hello", 5, 0);
    ASSERT_TRUE(waitUntil([&] { return target.count(Fd::Read) == 1; }));
    ::send(far, "more", 4, 0);
    spinFor(150);
    EXPECT_EQ(target.count(Fd::Read), 1);

    char buf[4];
    ASSERT_EQ(socket.recv(buf, 4), 4); // data still waits afterwards
    EXPECT_TRUE(waitUntil([&] { return target.count(Fd::Read) == 2; }));
    ::close(far);
}

TEST(AsyncSocket, WriteAtOnceOnReselectAndAfterBlockedSend) {
    RawListener listener;
    Recorder target;
    AsyncSocket socket;
    int far = connectPair(socket, target, listener);
    const int writesAfterConnect = target.count(Fd::Write);

    socket.asyncSelect(&target, Fd::Read | Fd::Write | Fd::Close);
    ASSERT_TRUE(waitUntil([&] { return target.count(Fd::Write) == writesAfterConnect + 1; }));
    spinFor(100);
    EXPECT_EQ(target.count(Fd::Write), writesAfterConnect + 1) << "Write only when asked";

    socket.asyncSelect(&target, Fd::Read | Fd::Write | Fd::Close);
    EXPECT_TRUE(waitUntil([&] { return target.count(Fd::Write) == writesAfterConnect + 2; }));

    // Fill the socket until a send would block; once the far end drains it,
    // exactly one more Write follows.
    QByteArray block(65536, 'x');
    int before = target.count(Fd::Write);
    qint64 sent = 0;
    while (socket.send(block.constData(), block.size()) > 0)
        sent += block.size();
    ASSERT_EQ(socket.lastError(), AsyncSocket::WouldBlock);
    char drain[65536];
    while (::recv(far, drain, sizeof drain, MSG_DONTWAIT) > 0) {
    }
    EXPECT_TRUE(waitUntil([&] { return target.count(Fd::Write) == before + 1; }));
    ::close(far);
}

TEST(AsyncSocket, ConnectToClosedPortReportsAnError) {
    quint16 closedPort;
    {
        RawListener gone;
        closedPort = gone.port;
    }
    Recorder target;
    AsyncSocket socket;
    ASSERT_TRUE(socket.open());
    socket.asyncSelect(&target, Fd::Connect);
    int r = socket.connect("127.0.0.1", closedPort);
    ASSERT_EQ(r, AsyncSocket::WouldBlock);
    ASSERT_TRUE(waitUntil([&] { return target.count(Fd::Connect) == 1; }));
    EXPECT_NE(target.events.first().error, 0);
    EXPECT_EQ(target.events.size(), 1);
}

TEST(AsyncSocket, AcceptIsPostedAgainAfterEachAccept) {
    Recorder target;
    AsyncSocket listener;
    ASSERT_TRUE(listener.open());
    listener.asyncSelect(&target, Fd::Accept);
    ASSERT_TRUE(listener.listen(2));
    quint16 port = 0;
    ASSERT_TRUE(listener.localAddress(nullptr, &port));

    AsyncSocket a, b;
    Recorder other;
    ASSERT_TRUE(a.open() && b.open());
    a.connect("127.0.0.1", port);
    b.connect("127.0.0.1", port);
    ASSERT_TRUE(waitUntil([&] { return target.count(Fd::Accept) == 1; }));
    spinFor(50);
    EXPECT_EQ(target.count(Fd::Accept), 1) << "not repeated before accept()";
    auto first = listener.accept();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->peerAddressText(), "127.0.0.1");
    ASSERT_TRUE(waitUntil([&] { return target.count(Fd::Accept) == 2; }));
    EXPECT_TRUE(listener.accept());
}

TEST(AsyncSocket, MessagesForAClosedSocketAreDropped) {
    Recorder target;
    auto first = std::make_unique<AsyncSocket>();
    ASSERT_TRUE(first->open());
    const quintptr oldId = first->id();
    target.post(Msg::SocketEvent, oldId, makeEventParam(Fd::Read, 0));
    first.reset(); // closed while its notification is still queued

    AsyncSocket second; // the system may hand out the same descriptor again
    ASSERT_TRUE(second.open());
    EXPECT_NE(second.id(), oldId);
    target.post(Msg::SocketEvent, second.id(), makeEventParam(Fd::Read, 0));
    spinFor(50);
    ASSERT_EQ(target.events.size(), 1);
    EXPECT_EQ(target.events.first().socket, second.id());
}

// A handler that runs an event loop of its own before it reads (a question
// to the user, say) gets no second Read meanwhile, and reads all afterwards.
TEST(AsyncSocket, ReadIsNotRepeatedWhileItsHandlerRunsALoop) {
    RawListener listener;
    Recorder target;
    AsyncSocket socket;
    int far = connectPair(socket, target, listener);
    int readsDuringLoop = -1;
    target.beforeRead = [&] {
        ::send(far, "later", 5, 0);
        spinFor(100);
        readsDuringLoop = target.count(Fd::Read);
    };
    target.readOnRead = &socket;
    target.readChunk = 64;
    socket.asyncSelect(&target, Fd::Read | Fd::Close);
    ::send(far, "first", 5, 0);
    ASSERT_TRUE(waitUntil([&] { return target.received.size() == 10; }));
    EXPECT_EQ(readsDuringLoop, 1);
    EXPECT_EQ(target.received, "firstlater");
    ::close(far);
    EXPECT_TRUE(waitUntil([&] { return target.count(Fd::Close) == 1; }));
}

// An owner that reads to the end itself: every byte arrives through Read,
// the end shows as recv() returning 0, and no Close follows it.
TEST(AsyncSocket, ReadsUntilEndLeavesTheEndToRecv) {
    RawListener listener;
    Recorder target;
    AsyncSocket socket;
    int far = connectPair(socket, target, listener);
    QByteArray payload(300 * 1024, 'q');
    ASSERT_EQ(::send(far, payload.constData(), payload.size(), 0), payload.size());
    ::close(far);

    socket.setReadsUntilEnd(true);
    socket.asyncSelect(&target, Fd::Read | Fd::Close);
    // Reads like the download path, in blocks after each Read, until 0.
    QByteArray got;
    bool sawEnd = false;
    int readsSeen = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            if (target.count(Fd::Read) > readsSeen) {
                ++readsSeen;
                char buf[65536];
                const qint64 n = socket.recv(buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
                sawEnd = n == 0;
            }
            return sawEnd;
        },
        10000));
    EXPECT_EQ(got, payload);
    spinFor(100);
    EXPECT_EQ(target.count(Fd::Close), 0);
}

// A handler may close its socket inside the notification; nothing of the
// socket is touched afterwards (the sanitizer build would see it).
TEST(AsyncSocket, AHandlerMayDestroyItsSocket) {
    RawListener listener;
    Recorder target;
    auto socket = std::make_unique<AsyncSocket>();
    int far = connectPair(*socket, target, listener);
    target.beforeRead = [&] { socket.reset(); };
    socket->asyncSelect(&target, Fd::Read | Fd::Close);
    ::send(far, "bye", 3, 0);
    ASSERT_TRUE(waitUntil([&] { return !socket; }));
    spinFor(50);
    EXPECT_EQ(target.count(Fd::Read), 1);
    ::close(far);
}
