// Conformance tests of Winsock over the host's sockets. Every socket here
// lives on the loopback address (127.0.0.1) with ports the host picks.
#include <os/winsock.h>

#include "os/net/net_private.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

sockaddr_in loopback(u_short port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

const sockaddr* as_addr(const sockaddr_in& a)
{
    return reinterpret_cast<const sockaddr*>(&a);
}

u_short local_port(SOCKET s)
{
    sockaddr_in a{};
    int len = sizeof a;
    EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&a), &len), 0) << "getsockname: " << WSAGetLastError();
    return ntohs(a.sin_port);
}

// A listening TCP socket on 127.0.0.1 with a port of the host's choosing.
SOCKET make_listener(u_short* port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    sockaddr_in a = loopback(0);
    EXPECT_EQ(bind(s, as_addr(a), sizeof a), 0) << "bind: " << WSAGetLastError();
    EXPECT_EQ(listen(s, 5), 0) << "listen: " << WSAGetLastError();
    *port = local_port(s);
    return s;
}

struct Connection
{
    SOCKET listener = INVALID_SOCKET;
    SOCKET server = INVALID_SOCKET; // the accepted end
    SOCKET client = INVALID_SOCKET;
    u_short port = 0;
};

Connection connect_pair()
{
    Connection c;
    c.listener = make_listener(&c.port);
    c.client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(c.port);
    EXPECT_EQ(connect(c.client, as_addr(a), sizeof a), 0) << "connect: " << WSAGetLastError();
    c.server = accept(c.listener, nullptr, nullptr);
    EXPECT_NE(c.server, INVALID_SOCKET) << "accept: " << WSAGetLastError();
    return c;
}

void close_all(Connection& c)
{
    for (SOCKET s : {c.listener, c.server, c.client})
    {
        if (s != INVALID_SOCKET)
            closesocket(s);
    }
}

// The host's id of the calling thread, from /proc.
std::string own_thread_id()
{
    return std::filesystem::read_symlink("/proc/thread-self").filename().string();
}

// Waits until the thread sleeps in the kernel (blocked in a call).
bool wait_until_blocked(const std::string& tid)
{
    for (int i = 0; i < 5000; ++i)
    {
        std::ifstream stat("/proc/self/task/" + tid + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        size_t paren = text.rfind(')');
        if (paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] == 'S')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

class Winsock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};

TEST(WinsockStartup, VersionsAndCleanup)
{
    struct Case
    {
        WORD asked;
        int expected;
        WORD version;
    } cases[] = {
        {MAKEWORD(2, 0), 0, MAKEWORD(2, 0)},
        {MAKEWORD(1, 1), 0, MAKEWORD(1, 1)},
        {MAKEWORD(2, 2), 0, MAKEWORD(2, 2)},
        {MAKEWORD(3, 0), 0, MAKEWORD(2, 2)},
        {MAKEWORD(1, 0), WSAVERNOTSUPPORTED, 0},
        {MAKEWORD(0, 9), WSAVERNOTSUPPORTED, 0},
    };
    for (const Case& c : cases)
    {
        WSADATA data;
        std::memset(&data, 0, sizeof data);
        int r = WSAStartup(c.asked, &data);
        EXPECT_EQ(r, c.expected) << "version " << std::hex << c.asked;
        if (r == 0)
        {
            EXPECT_EQ(data.wVersion, c.version) << "version " << std::hex << c.asked;
            EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
            EXPECT_EQ(WSACleanup(), 0);
        }
    }
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 0), nullptr), WSAEFAULT);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR) << "cleanup without start-up";
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

// A process starts with a small soft limit of open descriptors; the first
// start-up raises it to the hard limit and says how many sockets that allows.
TEST(WinsockStartup, RaisesTheDescriptorLimitAndReportsIt)
{
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= 64)
        GTEST_SKIP() << "the hard limit leaves nothing to raise";
    rlimit lowered = limit;
    lowered.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
    rlimit now{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &now), 0);
    EXPECT_EQ(now.rlim_cur, limit.rlim_max);
    const rlim_t expected = std::min<rlim_t>(limit.rlim_max, 0x7FFF);
    EXPECT_EQ(rlim_t(data.iMaxSockets), expected);
    WSACleanup();
}

TEST(WinsockStartup, CallsBeforeStartupFail)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    char name[256];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(gethostname(name, int(sizeof name)), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(gethostbyname("localhost"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    // Start-ups nest: sockets work until the last cleanup.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(WSACleanup(), 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(s, INVALID_SOCKET) << "one start-up is still in force";
    closesocket(s);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
}

TEST(WinsockErrors, LastErrorIsTheThreadsError)
{
    WSASetLastError(WSAECONNRESET);
    EXPECT_EQ(GetLastError(), (DWORD)WSAECONNRESET);
    SetLastError(WSAEINTR);
    EXPECT_EQ(WSAGetLastError(), WSAEINTR);
    int other = 0;
    std::thread([&] { other = WSAGetLastError(); }).join();
    EXPECT_EQ(other, 0);
}

TEST_F(Winsock, SocketArguments)
{
    struct Case
    {
        int af, type, protocol;
        int expected; // 0 = success
    } cases[] = {
        {AF_INET, SOCK_STREAM, 0, 0},
        {AF_INET, SOCK_STREAM, IPPROTO_TCP, 0},
        {AF_INET, SOCK_DGRAM, 0, 0},
        {AF_INET, SOCK_DGRAM, IPPROTO_UDP, 0},
        {23, SOCK_STREAM, 0, WSAEAFNOSUPPORT},
        {AF_UNSPEC, SOCK_STREAM, 0, WSAEAFNOSUPPORT},
        {AF_INET, 3, 0, WSAESOCKTNOSUPPORT},
        {AF_INET, SOCK_STREAM, IPPROTO_UDP, WSAEPROTONOSUPPORT},
        {AF_INET, SOCK_DGRAM, IPPROTO_TCP, WSAEPROTONOSUPPORT},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        SOCKET s = socket(c.af, c.type, c.protocol);
        if (c.expected == 0)
        {
            EXPECT_NE(s, INVALID_SOCKET) << c.af << "/" << c.type << "/" << c.protocol << ": " << WSAGetLastError();
            EXPECT_EQ(closesocket(s), 0);
        }
        else
        {
            EXPECT_EQ(s, INVALID_SOCKET);
            EXPECT_EQ(WSAGetLastError(), c.expected) << c.af << "/" << c.type << "/" << c.protocol;
        }
    }
}

TEST_F(Winsock, BadSocketsAreRefusedByEveryCall)
{
    SOCKET closed = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(closesocket(closed), 0);
    char buf[8] = {};
    sockaddr_in a = loopback(1);
    int len = sizeof a;
    u_long arg = 1;
    int opt = 1, optlen = sizeof opt;
    const std::pair<const char*, std::function<long long(SOCKET)>> calls[] = {
        {"closesocket", [](SOCKET s) { return closesocket(s); }},
        {"bind", [&](SOCKET s) { return bind(s, as_addr(a), sizeof a); }},
        {"listen", [](SOCKET s) { return listen(s, 1); }},
        {"accept", [](SOCKET s) { return (long long)(accept(s, nullptr, nullptr) == INVALID_SOCKET ? -1 : 0); }},
        {"connect", [&](SOCKET s) { return connect(s, as_addr(a), sizeof a); }},
        {"recv", [&](SOCKET s) { return recv(s, buf, sizeof buf, 0); }},
        {"send", [&](SOCKET s) { return send(s, buf, sizeof buf, 0); }},
        {"recvfrom", [&](SOCKET s) { return recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr); }},
        {"sendto", [&](SOCKET s) { return sendto(s, buf, sizeof buf, 0, as_addr(a), sizeof a); }},
        {"shutdown", [](SOCKET s) { return shutdown(s, SD_BOTH); }},
        {"setsockopt", [&](SOCKET s) { return setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, (char*)&opt, sizeof opt); }},
        {"getsockopt", [&](SOCKET s) { return getsockopt(s, SOL_SOCKET, SO_KEEPALIVE, (char*)&opt, &optlen); }},
        {"ioctlsocket", [&](SOCKET s) { return ioctlsocket(s, FIONBIO, &arg); }},
        {"getpeername", [&](SOCKET s) { return getpeername(s, (sockaddr*)&a, &len); }},
        {"getsockname", [&](SOCKET s) { return getsockname(s, (sockaddr*)&a, &len); }},
    };
    const SOCKET bad[] = {INVALID_SOCKET, 0, closed, SOCKET(0x12345678), SOCKET(3)};
    for (SOCKET s : bad)
    {
        for (const auto& [name, call] : calls)
        {
            SetLastError(0xdeadbeef);
            long long r = call(s);
            EXPECT_EQ(r, SOCKET_ERROR) << name << "(" << s << ")";
            EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK) << name << "(" << s << "): expected WSAENOTSOCK";
        }
    }
}

TEST_F(Winsock, LoopbackExchangeBothWays)
{
    Connection c = connect_pair();
    int on = 1;
    EXPECT_EQ(setsockopt(c.client, IPPROTO_TCP, TCP_NODELAY, (const char*)&on, sizeof on), 0);
    const char hello[] = "hello server";
    EXPECT_EQ(send(c.client, hello, sizeof hello, 0), int(sizeof hello));
    char buf[64] = {};
    EXPECT_EQ(recv(c.server, buf, sizeof buf, 0), int(sizeof hello));
    EXPECT_STREQ(buf, hello);
    const char reply[] = "hi";
    EXPECT_EQ(send(c.server, reply, 2, 0), 2);
    EXPECT_EQ(recv(c.client, buf, 2, MSG_PEEK), 2) << "a peek leaves the data";
    EXPECT_EQ(recv(c.client, buf, sizeof buf, 0), 2);
    EXPECT_EQ(std::string(buf, 2), "hi");

    sockaddr_in peer{};
    int len = sizeof peer;
    EXPECT_EQ(getpeername(c.client, (sockaddr*)&peer, &len), 0);
    EXPECT_EQ(len, 16);
    EXPECT_EQ(peer.sin_family, AF_INET);
    EXPECT_EQ(ntohs(peer.sin_port), c.port);
    EXPECT_STREQ(inet_ntoa(peer.sin_addr), "127.0.0.1");
    EXPECT_EQ(getpeername(c.server, (sockaddr*)&peer, &len), 0);
    EXPECT_EQ(ntohs(peer.sin_port), local_port(c.client)) << "the server sees the client's port";
    EXPECT_EQ(send(c.client, hello, 0, 0), 0) << "an empty send";
    close_all(c);
}

TEST_F(Winsock, AcceptReportsThePeerAddress)
{
    u_short port = 0;
    SOCKET l = make_listener(&port);
    SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(port);
    ASSERT_EQ(connect(client, as_addr(a), sizeof a), 0);
    sockaddr_in peer{};
    int len = 8;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(accept(l, (sockaddr*)&peer, &len), INVALID_SOCKET) << "an address record too short";
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    len = sizeof peer + 4;
    SOCKET s = accept(l, (sockaddr*)&peer, &len);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(len, 16);
    EXPECT_EQ(peer.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ntohs(peer.sin_port), local_port(client));
    closesocket(s);
    closesocket(client);
    closesocket(l);
}

TEST_F(Winsock, CloseFromAnotherThreadWakesTheBlockedReader)
{
    Connection c = connect_pair();
    constexpr int kMessages = 50;
    std::atomic<int> received{0};
    std::atomic<int> last_result{1};
    std::atomic<int> last_error{0};
    std::string reader_tid;
    std::atomic<bool> tid_ready{false};
    std::thread reader([&] {
        reader_tid = own_thread_id();
        tid_ready = true;
        char buf[4];
        for (;;)
        {
            int n = recv(c.server, buf, sizeof buf, 0);
            if (n <= 0)
            {
                last_result = n;
                last_error = WSAGetLastError();
                return;
            }
            received += n;
        }
    });
    std::thread writer([&] {
        for (int i = 0; i < kMessages; ++i)
            send(c.client, "ping", 4, 0);
    });
    writer.join();
    while (received < kMessages * 4)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    while (!tid_ready)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(wait_until_blocked(reader_tid)) << "the reader never blocked";
    EXPECT_EQ(closesocket(c.server), 0);
    reader.join();
    EXPECT_EQ(received.load(), kMessages * 4);
    EXPECT_EQ(last_result.load(), 0) << "a recv woken by closesocket answers 0; error " << last_error.load();
    SetLastError(0xdeadbeef);
    char buf[4];
    EXPECT_EQ(recv(c.server, buf, sizeof buf, 0), SOCKET_ERROR) << "the closed socket is gone";
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    c.server = INVALID_SOCKET;
    close_all(c);
}

TEST_F(Winsock, CloseFromAnotherThreadWakesTheBlockedAccept)
{
    u_short port = 0;
    SOCKET l = make_listener(&port);
    std::atomic<SOCKET> result{0};
    std::atomic<int> error{0};
    std::string tid;
    std::atomic<bool> ready{false};
    std::thread acceptor([&] {
        tid = own_thread_id();
        ready = true;
        result = accept(l, nullptr, nullptr);
        error = WSAGetLastError();
    });
    while (!ready)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(wait_until_blocked(tid));
    EXPECT_EQ(closesocket(l), 0);
    acceptor.join();
    EXPECT_EQ(result.load(), INVALID_SOCKET);
    EXPECT_EQ(error.load(), WSAEINTR);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(closesocket(l), SOCKET_ERROR) << "closing twice";
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(Winsock, SendToAClosedPeerFailsWithoutKillingTheProcess)
{
    Connection c = connect_pair();
    ASSERT_EQ(closesocket(c.server), 0);
    c.server = INVALID_SOCKET;
    char block[1024] = {};
    int r = 0;
    for (int i = 0; i < 2000 && r != SOCKET_ERROR; ++i)
    {
        r = send(c.client, block, sizeof block, 0);
        if (r != SOCKET_ERROR)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(r, SOCKET_ERROR) << "sends to a closed peer kept succeeding";
    int e = WSAGetLastError();
    EXPECT_TRUE(e == WSAECONNRESET || e == WSAECONNABORTED) << "expected WSAECONNRESET, got " << e;
    char buf[8];
    int n = recv(c.client, buf, sizeof buf, 0);
    EXPECT_LE(n, 0) << "a reset connection has nothing to read";
    close_all(c);
}

TEST_F(Winsock, ShutdownDirections)
{
    Connection c = connect_pair();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(shutdown(c.client, 3), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(shutdown(c.client, SD_SEND), 0);
    char buf[8];
    EXPECT_EQ(recv(c.server, buf, sizeof buf, 0), 0) << "the peer sees the end of the stream";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(send(c.client, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    EXPECT_EQ(send(c.server, "back", 4, 0), 4) << "the other direction stays open";
    EXPECT_EQ(recv(c.client, buf, sizeof buf, 0), 4);
    EXPECT_EQ(shutdown(c.server, SD_RECEIVE), 0);
    EXPECT_EQ(shutdown(c.server, SD_BOTH), 0);
    close_all(c);
}

TEST_F(Winsock, ConnectErrors)
{
    // A port that nothing listens on: bound once, then closed.
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    ASSERT_EQ(bind(probe, as_addr(a), sizeof a), 0);
    u_short closed_port = local_port(probe);
    closesocket(probe);

    struct Case
    {
        const char* what;
        sockaddr_in address;
        int length;
        int expected;
    } cases[] = {
        {"closed port", loopback(closed_port), 16, WSAECONNREFUSED},
        {"short address", loopback(closed_port), 8, WSAEFAULT},
        {"family 23", [&] { auto x = loopback(closed_port); x.sin_family = 23; return x; }(), 16, WSAEAFNOSUPPORT},
    };
    for (const Case& c : cases)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(connect(s, as_addr(c.address), c.length), SOCKET_ERROR) << c.what;
        EXPECT_EQ(WSAGetLastError(), c.expected) << c.what;
        closesocket(s);
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(connect(s, nullptr, 16), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    closesocket(s);
}

TEST_F(Winsock, BindErrorsAndRestartedServer)
{
    u_short port = 0;
    SOCKET first = make_listener(&port);
    SOCKET second = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(port);
    SetLastError(0xdeadbeef);
    int r = bind(second, as_addr(a), sizeof a);
    if (r == 0)
        r = listen(second, 5); // the host may accept the bind and refuse the second listener
    EXPECT_EQ(r, SOCKET_ERROR) << "two listeners on one port";
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    closesocket(second);

    SOCKET third = socket(AF_INET, SOCK_STREAM, 0);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(bind(third, as_addr(a), 15), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    closesocket(third);

    // A server with a served connection stops; its successor binds the same
    // port at once without asking for SO_REUSEADDR.
    SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, as_addr(a), sizeof a), 0);
    SOCKET served = accept(first, nullptr, nullptr);
    ASSERT_NE(served, INVALID_SOCKET);
    EXPECT_EQ(send(served, "bye", 3, 0), 3);
    closesocket(served); // the server closes first: its side waits in TIME_WAIT
    closesocket(first);
    char buf[8];
    recv(client, buf, sizeof buf, 0);
    closesocket(client);
    SOCKET restarted = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(bind(restarted, as_addr(a), sizeof a), 0) << "rebinding a restarted server's port: " << WSAGetLastError();
    EXPECT_EQ(listen(restarted, 5), 0);
    closesocket(restarted);
}

TEST_F(Winsock, SocketOptions)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    struct Case
    {
        int level, name, set;
        int expected; // what getsockopt answers after setting; -1: only non-zero
    } cases[] = {
        {SOL_SOCKET, SO_REUSEADDR, 1, 1},   {SOL_SOCKET, SO_REUSEADDR, 0, 0}, {SOL_SOCKET, SO_KEEPALIVE, 1, 1},
        {SOL_SOCKET, SO_KEEPALIVE, 0, 0},   {IPPROTO_TCP, TCP_NODELAY, 1, 1}, {IPPROTO_TCP, TCP_NODELAY, 0, 0},
        {SOL_SOCKET, SO_RCVBUF, 8192, -1}, {SOL_SOCKET, SO_SNDBUF, 8192, -1},
    };
    int value = -5, len = sizeof value;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_REUSEADDR, (char*)&value, &len), 0);
    EXPECT_EQ(value, 0) << "SO_REUSEADDR reads as the program left it";
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(setsockopt(s, c.level, c.name, (const char*)&c.set, sizeof c.set), 0)
            << "set " << c.level << "/" << c.name << ": " << WSAGetLastError();
        value = -5;
        len = sizeof value;
        EXPECT_EQ(getsockopt(s, c.level, c.name, (char*)&value, &len), 0);
        EXPECT_EQ(len, 4);
        if (c.expected < 0)
            EXPECT_GT(value, 0) << c.level << "/" << c.name;
        else
            EXPECT_EQ(value, c.expected) << c.level << "/" << c.name << " set to " << c.set;
    }
    char flag = 1;
    EXPECT_EQ(setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &flag, 1), 0) << "a one-byte flag";
    len = sizeof value;
    getsockopt(s, IPPROTO_TCP, TCP_NODELAY, (char*)&value, &len);
    EXPECT_EQ(value, 1);

    linger l{1, 5};
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_LINGER, (const char*)&l, sizeof l), 0);
    linger got{};
    len = sizeof got;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_LINGER, (char*)&got, &len), 0);
    EXPECT_EQ(got.l_onoff, 1);
    EXPECT_EQ(got.l_linger, 5);

    SOCKET u = socket(AF_INET, SOCK_DGRAM, 0);
    for (auto [sock, type] : {std::pair{s, SOCK_STREAM}, std::pair{u, SOCK_DGRAM}})
    {
        len = sizeof value;
        EXPECT_EQ(getsockopt(sock, SOL_SOCKET, SO_TYPE, (char*)&value, &len), 0);
        EXPECT_EQ(value, type);
    }
    len = sizeof value;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, (char*)&value, &len), 0);
    EXPECT_EQ(value, 0);

    struct Bad
    {
        const char* what;
        int level, name;
        bool null_value;
        int length;
        int expected;
    } bad[] = {
        {"unknown option", SOL_SOCKET, 0x9999, false, 4, WSAENOPROTOOPT},
        {"unknown level", 77, SO_KEEPALIVE, false, 4, WSAEINVAL},
        {"no value", SOL_SOCKET, SO_KEEPALIVE, true, 4, WSAEFAULT},
        {"empty value", SOL_SOCKET, SO_KEEPALIVE, false, 0, WSAEFAULT},
        {"short linger", SOL_SOCKET, SO_LINGER, false, 2, WSAEFAULT},
    };
    for (const Bad& b : bad)
    {
        int v = 1;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(setsockopt(s, b.level, b.name, b.null_value ? nullptr : (const char*)&v, b.length), SOCKET_ERROR)
            << b.what;
        EXPECT_EQ(WSAGetLastError(), b.expected) << "setsockopt, " << b.what;
        int vlen = b.length;
        if (b.length >= 4)
        {
            SetLastError(0xdeadbeef);
            EXPECT_EQ(getsockopt(s, b.level, b.name, b.null_value ? nullptr : (char*)&v, &vlen), SOCKET_ERROR)
                << b.what;
            EXPECT_EQ(WSAGetLastError(), b.expected) << "getsockopt, " << b.what;
        }
    }
    for (int read_only : {SO_TYPE, SO_ERROR})
    {
        int v = 1;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(setsockopt(s, SOL_SOCKET, read_only, (const char*)&v, sizeof v), SOCKET_ERROR) << read_only;
        EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT) << "setting read-only option " << read_only;
    }
    len = 2;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_KEEPALIVE, (char*)&value, &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    closesocket(s);
    closesocket(u);
}

TEST_F(Winsock, NonBlockingAndPendingBytes)
{
    Connection c = connect_pair();
    u_long on = 1;
    EXPECT_EQ(ioctlsocket(c.server, FIONBIO, &on), 0);
    char buf[16];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(recv(c.server, buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    u_long off = 0;
    EXPECT_EQ(ioctlsocket(c.listener, FIONBIO, &on), 0);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(accept(c.listener, nullptr, nullptr), INVALID_SOCKET) << "nothing waits to be accepted";
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(send(c.client, "12345", 5, 0), 5);
    u_long pending = 0;
    for (int i = 0; i < 1000 && pending < 5; ++i)
    {
        EXPECT_EQ(ioctlsocket(c.server, FIONREAD, &pending), 0);
        if (pending < 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(pending, 5u);
    EXPECT_EQ(ioctlsocket(c.server, FIONBIO, &off), 0);
    EXPECT_EQ(recv(c.server, buf, sizeof buf, 0), 5);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ioctlsocket(c.server, 0x1234, &on), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ioctlsocket(c.server, FIONBIO, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    close_all(c);
}

TEST_F(Winsock, AddressQueriesErrors)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    int len = sizeof a;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(getsockname(s, (sockaddr*)&a, &len), SOCKET_ERROR) << "an unbound socket has no name";
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(getpeername(s, (sockaddr*)&a, &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    sockaddr_in local = loopback(0);
    ASSERT_EQ(bind(s, as_addr(local), sizeof local), 0);
    const int short_lengths[] = {0, 8, 15};
    for (int l : short_lengths)
    {
        len = l;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(getsockname(s, (sockaddr*)&a, &len), SOCKET_ERROR) << "length " << l;
        EXPECT_EQ(WSAGetLastError(), WSAEFAULT) << "length " << l;
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(getsockname(s, nullptr, &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    len = sizeof a;
    EXPECT_EQ(getsockname(s, (sockaddr*)&a, &len), 0);
    EXPECT_EQ(a.sin_family, AF_INET);
    EXPECT_NE(a.sin_port, 0);
    closesocket(s);
}

TEST_F(Winsock, DatagramsOnLoopback)
{
    SOCKET a = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    SOCKET b = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any = loopback(0);
    ASSERT_EQ(bind(a, as_addr(any), sizeof any), 0);
    ASSERT_EQ(bind(b, as_addr(any), sizeof any), 0);
    sockaddr_in to_b = loopback(local_port(b));
    EXPECT_EQ(sendto(a, "datagram", 8, 0, as_addr(to_b), sizeof to_b), 8);
    char buf[32] = {};
    sockaddr_in from{};
    int len = sizeof from;
    EXPECT_EQ(recvfrom(b, buf, sizeof buf, 0, (sockaddr*)&from, &len), 8);
    EXPECT_EQ(std::string(buf, 8), "datagram");
    EXPECT_EQ(len, 16);
    EXPECT_EQ(ntohs(from.sin_port), local_port(a));
    EXPECT_EQ(from.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(listen(a, 1), SOCKET_ERROR) << "a datagram socket cannot listen";
    EXPECT_EQ(WSAGetLastError(), WSAEOPNOTSUPP);
    closesocket(a);
    closesocket(b);
}

TEST(WinsockNames, InetAddr)
{
    struct Case
    {
        const char* text;
        uint32_t expected; // host order, or INADDR_NONE
    } cases[] = {
        {"127.0.0.1", 0x7f000001},
        {"1.2.3.4", 0x01020304},
        {"0.0.0.0", 0},
        {"192.168.1.254", 0xc0a801fe},
        {"1.2.3.4 ", 0x01020304},
        {"0x7f.0.0.1", 0x7f000001},
        {"017.0.0.1", 0x0f000001},
        {"1.2.65535", 0x0102ffff},
        {"1.16777215", 0x01ffffff},
        {"2130706433", 0x7f000001},
        {"0xA.0XB.0.1", 0x0a0b0001},
        {"255.255.255.255", INADDR_NONE},
        {"256.1.1.1", INADDR_NONE},
        {"1.2.3.256", INADDR_NONE},
        {"1.2.65536", INADDR_NONE},
        {"1.2.3.4.5", INADDR_NONE},
        {"1..2.3", INADDR_NONE},
        {"1.2.3.", INADDR_NONE},
        {".1.2.3", INADDR_NONE},
        {"", INADDR_NONE},
        {" ", INADDR_NONE},
        {"abc", INADDR_NONE},
        {"1.2.3.4x", INADDR_NONE},
        {"09.1.1.1", INADDR_NONE},
        {"0x", INADDR_NONE},
        {"4294967296", INADDR_NONE},
        {"-1.2.3.4", INADDR_NONE},
        {"localhost", INADDR_NONE},
    };
    for (const Case& c : cases)
    {
        uint32_t got = inet_addr(c.text);
        uint32_t expected = c.expected == INADDR_NONE ? INADDR_NONE : htonl(c.expected);
        EXPECT_EQ(got, expected) << "\"" << c.text << "\": expected " << std::hex << expected << ", got " << got;
    }
    EXPECT_EQ(inet_addr(nullptr), INADDR_NONE);
}

TEST(WinsockNames, InetNtoaAndByteOrder)
{
    struct Case
    {
        uint32_t host;
        const char* text;
    } cases[] = {{0x7f000001, "127.0.0.1"}, {0, "0.0.0.0"}, {0xffffffff, "255.255.255.255"}, {0x0a000102, "10.0.1.2"}};
    for (const Case& c : cases)
    {
        in_addr a;
        a.s_addr = htonl(c.host);
        EXPECT_STREQ(inet_ntoa(a), c.text);
        EXPECT_EQ(inet_addr(c.text), c.host == 0xffffffff ? INADDR_NONE : a.s_addr);
    }
    const uint8_t wire[4] = {0x12, 0x34, 0x56, 0x78};
    uint32_t as_read;
    std::memcpy(&as_read, wire, 4);
    EXPECT_EQ(ntohl(as_read), 0x12345678u);
    EXPECT_EQ(htonl(0x12345678u), as_read);
    uint16_t port;
    std::memcpy(&port, wire, 2);
    EXPECT_EQ(ntohs(port), 0x1234);
    EXPECT_EQ(htons(0x1234), port);
    EXPECT_EQ(ntohs(htons(0xBEEF)), 0xBEEF);
    EXPECT_EQ(sizeof(sockaddr_in), 16u);
    EXPECT_EQ(sizeof(in_addr), 4u);
    EXPECT_EQ(offsetof(sockaddr_in, sin_port), 2u);
    EXPECT_EQ(offsetof(sockaddr_in, sin_addr), 4u);
}

TEST_F(Winsock, HostNames)
{
    char name[256] = {};
    EXPECT_EQ(gethostname(name, int(sizeof name)), 0);
    EXPECT_GT(std::strlen(name), 0u);
    char tiny[1];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(gethostname(tiny, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(gethostname(nullptr, 10), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);

    const char* names[] = {"localhost", "127.0.0.1"};
    for (const char* n : names)
    {
        hostent* h = gethostbyname(n);
        ASSERT_NE(h, nullptr) << n << ": error " << WSAGetLastError();
        EXPECT_EQ(h->h_addrtype, AF_INET);
        EXPECT_EQ(h->h_length, 4);
        ASSERT_NE(h->h_addr_list[0], nullptr);
        in_addr first;
        std::memcpy(&first, h->h_addr, 4);
        EXPECT_EQ(first.S_un.S_un_b.s_b1, 127) << n << " resolved to " << inet_ntoa(first);
        ASSERT_NE(h->h_name, nullptr);
        EXPECT_GT(std::strlen(h->h_name), 0u);
        EXPECT_NE(h->h_aliases, nullptr);
    }
    // Each thread has its own record.
    hostent* mine = gethostbyname("localhost");
    hostent* theirs = nullptr;
    std::thread([&] { theirs = gethostbyname("127.0.0.1"); }).join();
    EXPECT_NE(mine, theirs);
    EXPECT_EQ(mine->h_addrtype, AF_INET);
}

} // namespace

// The machine's own name answers its interfaces' addresses, those that reach
// a network first: a machine whose only interface is loopback answers
// 127.0.0.1 (what programs take for "no network"), one with an address
// answers that address first, whatever the host's name table says.
TEST_F(Winsock, OwnHostNameAnswersTheInterfacesNetworkFirst)
{
    char own[256] = {};
    ASSERT_EQ(gethostname(own, int(sizeof own)), 0);
    const struct
    {
        std::vector<const char*> interfaces;
        std::vector<const char*> answer;
    } cases[] = {
        {{"127.0.0.1"}, {"127.0.0.1"}},
        {{"127.0.0.1", "192.0.2.7"}, {"192.0.2.7", "127.0.0.1"}},
        {{"127.0.0.1", "10.1.2.3", "192.0.2.7"}, {"10.1.2.3", "192.0.2.7", "127.0.0.1"}},
    };
    for (const auto& c : cases)
    {
        std::vector<uint32_t> list;
        for (const char* a : c.interfaces)
            list.push_back(inet_addr(a));
        os::net::set_interface_addresses_for_test(&list);
        for (const char* asked : {static_cast<const char*>(own), ""})
        {
            hostent* h = gethostbyname(asked);
            ASSERT_NE(h, nullptr) << "error " << WSAGetLastError();
            std::vector<std::string> got;
            for (char** p = h->h_addr_list; *p; ++p)
            {
                in_addr a;
                std::memcpy(&a, *p, 4);
                got.push_back(inet_ntoa(a));
            }
            EXPECT_EQ(got, std::vector<std::string>(c.answer.begin(), c.answer.end())) << c.interfaces.size();
        }
        // Other names are looked up as they are.
        hostent* local = gethostbyname("localhost");
        ASSERT_NE(local, nullptr);
        EXPECT_EQ(uint8_t(local->h_addr_list[0][0]), 127);
    }
    os::net::set_interface_addresses_for_test(nullptr);
}

TEST_F(Winsock, SendAndReceiveTimeLimitsEndBlockedCalls)
{
    Connection c = connect_pair();
    DWORD ms = 50;
    ASSERT_EQ(setsockopt(c.client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms), 0);
    ASSERT_EQ(setsockopt(c.server, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms), 0);
    DWORD back = 0;
    int len = sizeof back;
    ASSERT_EQ(getsockopt(c.server, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<char*>(&back), &len), 0);
    EXPECT_GE(back, 50u); // the host keeps it in its own ticks
    EXPECT_LT(back, 100u);

    // Nothing to read: the receive gives up with a time-out.
    char buf[8];
    EXPECT_EQ(recv(c.client, buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);

    // A peer that never reads: the sends fill its buffers, then one times out.
    std::vector<char> block(64 * 1024);
    int r = 0;
    for (int i = 0; i < 2000 && r != SOCKET_ERROR; ++i)
        r = send(c.server, block.data(), int(block.size()), 0);
    ASSERT_EQ(r, SOCKET_ERROR) << "sends to a peer that never reads never stopped";
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    close_all(c);
}
