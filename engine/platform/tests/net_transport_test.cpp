// net_transport_test.cpp -- Thread, Socket, TCPClient, TCPServer and the
// updater on 127.0.0.1 with ports the host picks. Every wait is bounded.
#include "engine/platform/net_socket.h"
#include "engine/platform/net_thread.h"
#include "engine/platform/tcp_client.h"
#include "engine/platform/tcp_server.h"

#include "os/host/headless.h"

#include <os/sync.h>
#include <os/winsock.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace headless = os::host::headless;

namespace {

// Polls `done` on the real clock for up to 20 seconds.
bool eventually(const std::function<bool()>& done)
{
    for (int i = 0; i < 4000; ++i)
    {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

class Net : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(startupSockets()); }
    void TearDown() override { cleanupSockets(); }
};

// A raw connected pair through a listener on 127.0.0.1.
struct Pair
{
    Socket* listener = nullptr;
    Socket* server = nullptr;
    Socket client{false, 0};
    Pair()
    {
        listener = Socket::listenOn(INADDR_LOOPBACK, 0, 5);
        EXPECT_TRUE(listener && listener->isValid());
        EXPECT_TRUE(client.connect(u"127.0.0.1", listener->getLocalPort()));
        server = listener->accept();
        EXPECT_NE(server, nullptr);
    }
    ~Pair()
    {
        delete server;
        delete listener;
    }
};

class CountingThread : public Thread
{
public:
    CountingThread() : Thread(u"Counting") {}
    void run() override { runs += 1; }
    std::atomic<int> runs{0};
};

} // namespace

TEST(NetThread, RunsOnceAfterStartAndJoins)
{
    CountingThread thread;
    EXPECT_FALSE(thread.isStarted());
    thread.join(); // never started: returns at once
    EXPECT_EQ(thread.runs, 0);
    thread.start();
    thread.start(); // a thread object runs once
    thread.join();
    EXPECT_EQ(thread.runs, 1);
}

TEST_F(Net, ServerSocketOnPortZeroHasNoHandleAndNamesResolve)
{
    Socket server(true, 0);
    EXPECT_FALSE(server.isValid());
    EXPECT_EQ(resolveHostAddress(u"255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(resolveHostAddress(u"127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(resolveHostAddress(u"no-such-host.invalid"), 0xFFFFFFFFu);

    WCHAR name[256];
    ASSERT_TRUE(getLocalHostName(name, 256));
    int length = 0;
    while (name[length])
        ++length;
    WCHAR small[256];
    EXPECT_FALSE(getLocalHostName(small, length)); // one character short
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(getLocalHostName(nullptr, 10));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    Socket client(false, 0);
    EXPECT_FALSE(client.connect(u"", 1000));
}

TEST_F(Net, ValuesSplitByTcpAreCompletedAndStringsAreBounded)
{
    Pair p;
    PacketWriter w;
    w.putShort(0x5858);
    w.putInt(-123456);
    w.putFloat(2.5f);
    w.putString(u"abc");
    w.putString(u"caf\u00e9\u4e2d"); // beyond Latin-1 becomes '?': one byte each
    std::vector<uint8_t> bytes = w.buffer();
    // Byte by byte with pauses: every value arrives in pieces.
    std::thread writer([&] {
        for (uint8_t b : bytes)
        {
            ASSERT_TRUE(p.client.sendAll(&b, 1));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    int16_t head = 0;
    int32_t number = 0;
    float value = 0;
    std::u16string a, b;
    ASSERT_TRUE(p.server->readShort(head));
    ASSERT_TRUE(p.server->readInt(number));
    ASSERT_TRUE(p.server->readFloat(value));
    ASSERT_TRUE(p.server->readString(a));
    ASSERT_TRUE(p.server->readString(b));
    writer.join();
    EXPECT_EQ(head, 0x5858);
    EXPECT_EQ(number, -123456);
    EXPECT_EQ(value, 2.5f);
    EXPECT_EQ(a, u"abc");
    EXPECT_EQ(b, u"caf\u00e9?");

    // 1025 bytes without a 0: refused, not cut.
    std::vector<uint8_t> longText(1025, 'x');
    ASSERT_TRUE(p.client.sendAll(longText.data(), int(longText.size())));
    EXPECT_FALSE(p.server->readString(a));
    EXPECT_TRUE(a.empty());

    // The connection closed before the 0: empty, error flag set.
    ASSERT_TRUE(p.client.sendAll("ab", 2));
    p.client.close();
    EXPECT_FALSE(p.server->readString(a));
    EXPECT_TRUE(a.empty());
    EXPECT_TRUE(p.server->hasError());
}

TEST(NetMemory, MemoryReaderStopsAtTheEnd)
{
    const uint8_t bytes[] = {1, 0, 'h', 'i', 0, 7};
    MemoryReader r(bytes, sizeof bytes);
    int16_t s;
    std::u16string t;
    int32_t i;
    EXPECT_TRUE(r.readShort(s));
    EXPECT_EQ(s, 1);
    EXPECT_TRUE(r.readString(t));
    EXPECT_EQ(t, u"hi");
    EXPECT_FALSE(r.readInt(i));
    EXPECT_EQ(r.remaining(), 0u);
}

namespace {

class EchoClient : public TCPClient
{
public:
    // The reading thread calls this object's handlers: it ends while they exist.
    ~EchoClient() override { stop(); }
    bool onPacket(Socket& s) override
    {
        int32_t v;
        if (!s.readInt(v))
            return false;
        std::lock_guard<std::mutex> hold(lock);
        values.push_back(v);
        return true;
    }
    void onConnection(int state) override
    {
        std::lock_guard<std::mutex> hold(lock);
        states.push_back(state);
    }
    std::vector<int> snapshotStates()
    {
        std::lock_guard<std::mutex> hold(lock);
        return states;
    }
    std::mutex lock;
    std::vector<int32_t> values;
    std::vector<int> states;
};

} // namespace

TEST_F(Net, ClientReadsPacketsAndReportsAWrongHead)
{
    Socket* listener = Socket::listenOn(INADDR_LOOPBACK, 0, 5);
    ASSERT_NE(listener, nullptr);
    EchoClient client;
    EXPECT_FALSE(client.connect(u"", listener->getLocalPort()));
    ASSERT_TRUE(client.connect(u"127.0.0.1", listener->getLocalPort()));
    Socket* peer = listener->accept();
    ASSERT_NE(peer, nullptr);
    PacketWriter w;
    w.putShort(0x5858);
    w.putInt(42);
    w.putShort(0x5958); // bytes 0x58 0x59
    ASSERT_TRUE(peer->sendPacket(w));
    ASSERT_TRUE(eventually([&] { return client.snapshotStates().size() == 3; }));
    EXPECT_EQ(client.snapshotStates(), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(client.values, std::vector<int32_t>{42});
    auto boxes = headless::boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, u"Client got a wrong TCP Packet Head from server.");
    delete peer;
    delete listener;
}

TEST_F(Net, ClientStopDuringABlockedReadRaisesOnlyClosed)
{
    Socket* listener = Socket::listenOn(INADDR_LOOPBACK, 0, 5);
    ASSERT_NE(listener, nullptr);
    EchoClient client;
    ASSERT_TRUE(client.connect(u"127.0.0.1", listener->getLocalPort()));
    Socket* peer = listener->accept();
    ASSERT_TRUE(eventually([&] { return !client.snapshotStates().empty(); }));
    client.stop();
    EXPECT_EQ(client.snapshotStates(), (std::vector<int>{0, 1}));
    EXPECT_FALSE(client.isConnected());
    delete peer;
    delete listener;
}

namespace {

class SumServer;

class SumHandler : public TCPClientHandler
{
public:
    SumHandler(TCPServer* s, Socket* socket, bool updates) : TCPClientHandler(s, socket), updates(updates) {}
    ~SumHandler() override { stop(); }
    bool onPacket(Socket& s) override;
    bool wantsUpdate() override { return updates; }
    void update(float) override { updatesSeen += 1; }
    bool updates;
    std::atomic<int> updatesSeen{0};
};

class CountingUpdater : public StateUpdater
{
public:
    using StateUpdater::StateUpdater;
    void update(float) override { cycles += 1; }
    std::atomic<int> cycles{0};
};

class SumServer : public TCPServer
{
public:
    SumServer(bool withUpdater) : TCPServer(0, 2, INADDR_LOOPBACK), withUpdater(withUpdater) {}
    ~SumServer() override { stop(); }
    TCPClientHandler* createHandler(Socket* socket) override
    {
        return new SumHandler(this, socket, handlersWantUpdates);
    }
    StateUpdater* createStateUpdater() override
    {
        if (!withUpdater)
            return nullptr;
        counting = new CountingUpdater(this);
        return counting;
    }
    void onEvent(int event, TCPClientHandler*) override
    {
        std::lock_guard<std::mutex> hold(lock);
        events.push_back(event);
    }
    void onNotice(Notice notice, TCPClientHandler*, int) override
    {
        std::lock_guard<std::mutex> hold(lock);
        notices.push_back(notice);
    }
    int count(int event)
    {
        std::lock_guard<std::mutex> hold(lock);
        int n = 0;
        for (int e : events)
            n += e == event;
        return n;
    }
    int count(Notice notice)
    {
        std::lock_guard<std::mutex> hold(lock);
        return int(std::count(notices.begin(), notices.end(), notice));
    }
    size_t handlersNow()
    {
        lockServer();
        size_t n = handlers.size();
        unlockServer();
        return n;
    }
    TCPClientHandler* firstHandler()
    {
        lockServer();
        TCPClientHandler* h = handlers.empty() ? nullptr : handlers.front();
        unlockServer();
        return h;
    }
    bool withUpdater;
    bool handlersWantUpdates = false;
    CountingUpdater* counting = nullptr;
    std::mutex lock;
    std::vector<int> events;
    std::vector<Notice> notices;
    std::atomic<int> sum{0};
};

// A value of kAdmit asks to be admitted (its "log-on"); without room the
// answer is kNoRoom and the value is not taken.
constexpr int32_t kAdmit = 1000;
constexpr int32_t kNoRoom = -1;

bool SumHandler::onPacket(Socket& s)
{
    int32_t v;
    if (!s.readInt(v))
        return false;
    int32_t answer = v * 2;
    if (v == kAdmit)
    {
        lockServer();
        const bool room = getServer()->hasRoomToAdmit();
        if (room)
            admit();
        unlockServer();
        if (!room)
            answer = kNoRoom;
    }
    if (answer != kNoRoom)
        static_cast<SumServer*>(getServer())->sum += v;
    PacketWriter w;
    w.putShort(0x5858);
    w.putInt(answer);
    return sendPacket(w);
}

} // namespace

TEST_F(Net, ServerHandlersUpdaterAndStop)
{
    auto server = std::make_unique<SumServer>(true);
    server->handlersWantUpdates = true;
    ASSERT_TRUE(server->isListening());
    ASSERT_NE(server->getPort(), 0);
    server->start();

    EchoClient a, b;
    ASSERT_TRUE(a.connect(u"127.0.0.1", server->getPort()));
    ASSERT_TRUE(b.connect(u"127.0.0.1", server->getPort()));
    PacketWriter w;
    w.putShort(0x5858);
    w.putInt(5);
    ASSERT_TRUE(a.sendPacket(w));
    ASSERT_TRUE(b.sendPacket(w));
    ASSERT_TRUE(eventually([&] { return server->sum == 10; }));
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> hold(a.lock);
        return a.values.size() == 1;
    }));
    EXPECT_EQ(a.values[0], 10);
    EXPECT_EQ(server->count(TCPServer::HandlerCreated), 2);
    ASSERT_TRUE(eventually([&] { return server->counting->cycles > 3; }));

    // A peer that leaves ends its handler (event 3), and the next cycle drops it.
    a.stop();
    ASSERT_TRUE(eventually([&] { return server->count(TCPServer::HandlerEnded) == 1; }));
    ASSERT_TRUE(eventually([&] { return server->handlersNow() == 1; }));

    // A wrong head ends that connection; the server is told (to log it),
    // and no box waits on the connection's thread.
    headless::clear_boxes();
    PacketWriter bad;
    bad.putShort(0x1234);
    ASSERT_TRUE(b.sendPacket(bad));
    ASSERT_TRUE(eventually([&] { return server->handlersNow() == 0; }));
    EXPECT_EQ(server->count(TCPServer::Notice::WrongHead), 1);
    EXPECT_TRUE(headless::boxes().empty());

    EchoClient c;
    ASSERT_TRUE(c.connect(u"127.0.0.1", server->getPort()));
    ASSERT_TRUE(eventually([&] { return server->handlersNow() == 1; }));
    server->stop();
    EXPECT_EQ(server->count(TCPServer::ServerStopped), 1);
    EXPECT_EQ(server->handlersNow(), 0u);
    ASSERT_TRUE(eventually([&] { return !c.isConnected(); }));
}

TEST_F(Net, ServerWithoutUpdaterKeepsHandlersThatWantNoUpdates)
{
    SumServer server(false);
    server.start();
    EchoClient a;
    ASSERT_TRUE(a.connect(u"127.0.0.1", server.getPort()));
    ASSERT_TRUE(eventually([&] { return server.handlersNow() == 1; }));
    PacketWriter w;
    w.putShort(0x5858);
    w.putInt(3);
    ASSERT_TRUE(a.sendPacket(w));
    ASSERT_TRUE(eventually([&] { return server.sum == 3; }));
    EXPECT_EQ(server.handlersNow(), 1u);
    server.stop();
    EXPECT_EQ(server.count(TCPServer::ServerStarted), 1);
}

// A peer that never reads: every send returns (what the socket's buffer
// cannot take waits in the queue), and once the socket's buffers and the
// queue are full the next send is refused and the connection closed.
TEST_F(Net, HandlerSendsNeverWaitForAPeerThatDoesNotRead)
{
    SumServer server(false);
    server.start();
    Socket deaf(false, 0);
    deaf.setReceiveBuffer(4096);
    ASSERT_TRUE(deaf.connect(u"127.0.0.1", server.getPort()));
    ASSERT_TRUE(eventually([&] { return server.handlersNow() == 1; }));
    TCPClientHandler* handler = server.firstHandler();
    PacketWriter w;
    w.putShort(0x5858);
    w.putBytes(std::vector<uint8_t>(4096, 7).data(), 4096);
    int accepted = 0;
    while (accepted < 100000 && handler->sendPacket(w))
        accepted += 1;
    // The kernel's buffers (a few hundred KB) and the 64 KB queue, no more.
    EXPECT_LT(accepted, 100000);
    EXPECT_LE(handler->queuedBytes(), TCPServer::kMaxQueuedBytes);
    ASSERT_TRUE(eventually([&] { return !handler->isConnected(); }));
    EXPECT_FALSE(handler->sendPacket(w));
    ASSERT_TRUE(eventually([&] { return handler->hasEnded(); }));
    EXPECT_EQ(server.count(TCPServer::Notice::QueueFull), 1);
    server.stop();
}

namespace {

// The bytes of one SumHandler message: the head and a value.
std::vector<uint8_t> sumMessage(int32_t value)
{
    PacketWriter w;
    w.putShort(0x5858);
    w.putInt(value);
    return w.buffer();
}

// Connects the client and has the server admit it (its first message).
bool admitOne(SumServer& server, EchoClient& client)
{
    PacketWriter admit;
    admit.putShort(0x5858);
    admit.putInt(kAdmit);
    return client.connect(u"127.0.0.1", server.getPort()) && client.sendPacket(admit) &&
           eventually([&] { return server.sum == kAdmit; });
}

// True once the peer has closed the connection (a read ends).
bool closedByPeer(Socket& s)
{
    s.setReceiveTimeout(20000);
    uint8_t b;
    while (s.readBytes(&b, 1))
    {
    }
    return true;
}

} // namespace

// A message begun must arrive whole within the message limit: half a head,
// or a message trickled in byte by byte (no single pause reaching the
// limit, the whole of them past it), closes the connection. A connection
// not admitted within the log-on limit is closed too; an admitted one stays.
TEST_F(Net, HalfMessagesAndSilentConnectionsTimeOut)
{
    SumServer server(false);
    server.setLimits(2000, 150, 64);
    server.start();

    // Admitted at once: no limit between its messages.
    EchoClient admitted;
    ASSERT_TRUE(admitOne(server, admitted));

    Socket half(false, 0);
    ASSERT_TRUE(half.connect(u"127.0.0.1", server.getPort()));
    ASSERT_TRUE(half.sendAll("\x58", 1));
    EXPECT_TRUE(closedByPeer(half));
    ASSERT_TRUE(eventually([&] { return server.count(TCPServer::Notice::MessageTimedOut) == 1; }));

    Socket trickle(false, 0);
    ASSERT_TRUE(trickle.connect(u"127.0.0.1", server.getPort()));
    std::thread writer([&] {
        for (uint8_t b : sumMessage(7))
        {
            if (!trickle.sendAll(&b, 1))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
    });
    EXPECT_TRUE(closedByPeer(trickle));
    writer.join();
    ASSERT_TRUE(eventually([&] { return server.count(TCPServer::Notice::MessageTimedOut) == 2; }));
    EXPECT_EQ(server.sum, kAdmit); // the trickled value was never taken

    // Silent, never admitted: closed once the log-on limit has passed.
    Socket silent(false, 0);
    ASSERT_TRUE(silent.connect(u"127.0.0.1", server.getPort()));
    EXPECT_TRUE(closedByPeer(silent));
    ASSERT_TRUE(eventually([&] { return server.count(TCPServer::Notice::LogOnTimedOut) == 1; }));

    // The admitted connection, older than the silent one, still answers.
    PacketWriter three;
    three.putShort(0x5858);
    three.putInt(3);
    ASSERT_TRUE(admitted.sendPacket(three));
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> hold(admitted.lock);
        return admitted.values.size() == 2;
    }));
    EXPECT_EQ(admitted.values[1], 6);
    EXPECT_TRUE(admitted.isConnected());
    server.stop();
}

// At most `maxWaiting` connections wait to be admitted: each one more closes
// the oldest waiting; admitted connections do not count.
TEST_F(Net, ConnectionsWaitingToBeAdmittedAreBounded)
{
    SumServer server(false);
    server.setLimits(60000, 60000, 3);
    server.start();
    EchoClient admitted;
    ASSERT_TRUE(admitOne(server, admitted));

    std::vector<std::unique_ptr<Socket>> waiting;
    for (int i = 0; i < 5; ++i)
    {
        waiting.push_back(std::make_unique<Socket>(false, 0));
        ASSERT_TRUE(waiting.back()->connect(u"127.0.0.1", server.getPort()));
        // One at a time, so "oldest" is well defined.
        ASSERT_TRUE(eventually([&] { return server.count(TCPServer::HandlerCreated) == i + 2; }));
    }
    ASSERT_TRUE(eventually([&] { return server.count(TCPServer::Notice::TooManyWaiting) == 2; }));
    EXPECT_TRUE(closedByPeer(*waiting[0]));
    EXPECT_TRUE(closedByPeer(*waiting[1]));
    // The three newest still wait (a message from them is still served).
    for (int i = 2; i < 5; ++i)
    {
        std::vector<uint8_t> one = sumMessage(1);
        ASSERT_TRUE(waiting[size_t(i)]->sendAll(one.data(), int(one.size())));
    }
    ASSERT_TRUE(eventually([&] { return server.sum == kAdmit + 3; }));
    EXPECT_TRUE(admitted.isConnected());
    server.stop();
}

namespace {

int openDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n - 1; // the iterator's own
}

// Lowers the soft limit of open files for its life.
struct FileLimit
{
    rlimit saved{};
    explicit FileLimit(rlim_t soft)
    {
        getrlimit(RLIMIT_NOFILE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = soft;
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~FileLimit() { setrlimit(RLIMIT_NOFILE, &saved); }
};

} // namespace

// Connections that each send half a message until no descriptor is left:
// accepting fails, and the server keeps serving. Once the attackers are
// gone it accepts again, and a good client is answered.
TEST_F(Net, AcceptFailingForWantOfDescriptorsIsRetried)
{
    SumServer server(false);
    server.start();
    ASSERT_TRUE(server.waitStarted(10000));
    // One whole exchange first: everything a connection runs has run once
    // while descriptors were plenty (the sanitizers' runtime needs one for
    // a check it has not made before).
    {
        EchoClient warm;
        ASSERT_TRUE(admitOne(server, warm));
    }
    ASSERT_TRUE(eventually([&] { return server.count(TCPServer::HandlerEnded) == 1; }));
    // Every client socket exists before the limit is lowered; only the
    // server's accepted ends need new descriptors.
    constexpr int kAttackers = 24;
    std::vector<std::unique_ptr<Socket>> attackers;
    for (int i = 0; i < kAttackers; ++i)
        attackers.push_back(std::make_unique<Socket>(false, 0));
    Socket good(false, 0);
    {
        FileLimit limit(rlim_t(openDescriptors() + 4));
        for (auto& a : attackers)
        {
            ASSERT_TRUE(a->connect(u"127.0.0.1", server.getPort()));
            ASSERT_TRUE(a->sendAll("\x58\x58\x01", 3)); // half a message
        }
        ASSERT_TRUE(eventually([&] { return server.count(TCPServer::Notice::AcceptFailed) == 1; }));
        EXPECT_LT(server.count(TCPServer::HandlerCreated), kAttackers);
        // The attackers leave; their connections end and free descriptors.
        attackers.clear();
        ASSERT_TRUE(good.connect(u"127.0.0.1", server.getPort()));
        std::vector<uint8_t> message = sumMessage(21);
        ASSERT_TRUE(good.sendAll(message.data(), int(message.size())));
        good.setReceiveTimeout(20000);
        int16_t head = 0;
        int32_t answer = 0;
        ASSERT_TRUE(good.readShort(head) && good.readInt(answer));
        EXPECT_EQ(answer, 42);
        EXPECT_EQ(server.sum, kAdmit + 21);
    }
    EXPECT_GE(server.count(TCPServer::Notice::AcceptResumed), 1);
    EXPECT_EQ(server.count(TCPServer::Notice::AcceptFailed), 1); // once for the whole streak
    server.stop();
}

// Connections stay below what the process can open: the server takes the
// socket library's count (the descriptor limit, raised as far as the host
// allows when the library starts), keeps some for itself and holds no more
// than its own ceiling. A process whose limit cannot rise holds fewer.
TEST_F(Net, TheConnectionLimitFollowsWhatTheProcessCanOpen)
{
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_EQ(limit.rlim_cur, limit.rlim_max) << "the library's start raised the soft limit";
    for (rlim_t open : {rlim_t(20000), rlim_t(300), rlim_t(100)})
    {
        if (limit.rlim_max != RLIM_INFINITY && open > limit.rlim_max)
            continue;
        rlimit lowered{open, open}; // for the rest of this test's process
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
        SumServer server(false);
        const int expected = std::min(int(std::min<rlim_t>(open, 0x7FFF)) - TCPServer::kReservedSockets,
                                      TCPServer::kMaxConnections);
        EXPECT_EQ(server.getMaxConnections(), expected) << open;
    }
}

namespace {

// One SumHandler client on a socket bound to its own loopback address (as
// if from another machine), asking one thing at a time.
struct AddressedPeer
{
    Socket socket{false, 0};
    AddressedPeer(uint32_t from, int port)
    {
        EXPECT_TRUE(socket.bindLocal(from));
        EXPECT_TRUE(socket.connect(u"127.0.0.1", port));
        socket.setReceiveTimeout(20000);
    }
    // The server's answer to `value`; 0 when none came.
    int32_t ask(int32_t value)
    {
        std::vector<uint8_t> message = sumMessage(value);
        int16_t head = 0;
        int32_t answer = 0;
        if (!socket.sendAll(message.data(), int(message.size())) || !socket.readShort(head) || !socket.readInt(answer))
            return 0;
        return answer;
    }
};

constexpr uint32_t kHost1 = 0x7F000001, kHost2 = 0x7F000002, kHost3 = 0x7F000003, kHost4 = 0x7F000004,
                   kHost5 = 0x7F000005;

// A server whose places are all held asks newcomers, one after the other,
// to be admitted.
struct CrowdCase
{
    const char* name;
    int places;
    // The address of each connection admitted at the start, in order.
    std::vector<uint32_t> holders;
    // The holders that then send a message, in this order: the idlest are
    // those that sent none (the first admitted first), then these.
    std::vector<int> keepAlive;
    struct Newcomer
    {
        uint32_t from;
        // The connection closed to admit it (holders first, then admitted
        // newcomers, each numbered in turn), or kRefused.
        int closes;
    };
    std::vector<Newcomer> newcomers;
};

constexpr int kRefused = -1;

class CrowdAdmission : public Net, public ::testing::WithParamInterface<CrowdCase>
{};

} // namespace

// When every place is held, a newcomer from an address below its share
// (the places divided among the addresses holding them, its own counted)
// is admitted and the longest-idle connection of the address holding the
// most is closed; a newcomer from the address holding the most, or from
// the only address there is, is refused and closes nothing.
TEST_P(CrowdAdmission, ANewcomerBelowItsShareTakesTheIdlestPlaceOfTheLargestCrowd)
{
    const CrowdCase& c = GetParam();
    constexpr int kWaiting = 8;
    SumServer server(false);
    server.setLimits(60000, 60000, kWaiting);
    server.setConnectionLimits(c.places + kWaiting, 60000);
    server.start();

    std::vector<std::unique_ptr<AddressedPeer>> admitted;
    std::vector<bool> open;
    for (uint32_t from : c.holders)
    {
        admitted.push_back(std::make_unique<AddressedPeer>(from, server.getPort()));
        ASSERT_EQ(admitted.back()->ask(kAdmit), 2 * kAdmit);
        open.push_back(true);
    }
    for (int i : c.keepAlive)
        ASSERT_EQ(admitted[size_t(i)]->ask(1), 2);

    std::vector<std::unique_ptr<AddressedPeer>> refused;
    int closed = 0;
    for (size_t n = 0; n < c.newcomers.size(); ++n)
    {
        const CrowdCase::Newcomer& newcomer = c.newcomers[n];
        auto peer = std::make_unique<AddressedPeer>(newcomer.from, server.getPort());
        if (newcomer.closes == kRefused)
        {
            EXPECT_EQ(peer->ask(kAdmit), kNoRoom) << "newcomer " << n;
            refused.push_back(std::move(peer));
            continue;
        }
        ASSERT_EQ(peer->ask(kAdmit), 2 * kAdmit) << "newcomer " << n;
        closed += 1;
        EXPECT_TRUE(closedByPeer(admitted[size_t(newcomer.closes)]->socket)) << "newcomer " << n;
        open[size_t(newcomer.closes)] = false;
        admitted.push_back(std::move(peer));
        open.push_back(true);
    }
    EXPECT_EQ(server.count(TCPServer::Notice::MadeRoom), closed);
    // Every other connection is still served, the refused ones as waiting.
    for (size_t i = 0; i < admitted.size(); ++i)
    {
        if (open[i])
        {
            EXPECT_EQ(admitted[i]->ask(3), 6) << "connection " << i;
        }
    }
    for (auto& peer : refused)
        EXPECT_EQ(peer->ask(3), 6);
    server.stop();
}

INSTANTIATE_TEST_SUITE_P(
    Net, CrowdAdmission,
    ::testing::Values(
        // All from one address, as on a single machine: a full server
        // refuses, whoever was idle longest.
        CrowdCase{"OneAddress", 4, {kHost1, kHost1, kHost1, kHost1}, {}, {{kHost1, kRefused}, {kHost1, kRefused}}},
        // One address holds every place and keeps its connections alive,
        // the idlest first in an order other than that of admission. Another
        // address gets its share (half), one place of the crowd's at a time;
        // past it, and for the crowd, there is no room.
        CrowdCase{"CrowdAndOneOther",
                  6,
                  {kHost2, kHost2, kHost2, kHost2, kHost2, kHost2},
                  {3, 4, 5, 0, 1, 2},
                  {{kHost3, 3}, {kHost3, 4}, {kHost2, kRefused}, {kHost3, 5}, {kHost3, kRefused}, {kHost2, kRefused}}},
        // Three addresses, then a fourth: each share is the places divided
        // among the addresses holding them. Connections 1 and 3 never sent
        // after their admission; between equal crowds the idlest goes.
        CrowdCase{"SharesFollowTheAddresses",
                  6,
                  {kHost2, kHost2, kHost4, kHost2, kHost4, kHost2},
                  {5, 0, 2, 4},
                  {{kHost3, 1},
                   {kHost3, 3},
                   {kHost3, kRefused},
                   {kHost4, kRefused},
                   {kHost5, 5},
                   {kHost5, kRefused},
                   {kHost2, kRefused}}}),
    [](const ::testing::TestParamInfo<CrowdCase>& info) { return std::string(info.param.name); });
