// sockets.cpp -- Winsock start-up and the socket calls
//
// A SOCKET is a kernel handle whose object owns one host descriptor. The
// descriptor is closed when the last user lets go of the object, never while
// another thread is still inside a call on it, so a number the host reuses
// for a new socket can never reach a thread that was using the old one.
// closesocket takes the handle out of the table, then shuts the connection
// both ways: a recv blocked on it returns 0, a blocked accept fails with
// WSAEINTR.
#include <os/winsock.h>
#include "os/base/warn.h"

#include "os/kernel/handle.h"
#include "os/net/net_private.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace os::net {
namespace {

std::atomic<int> g_startups{0};

// Versions this layer speaks: 1.1 up to 2.2.
constexpr WORD kLowestVersion = MAKEWORD(1, 1);
constexpr WORD kHighestVersion = MAKEWORD(2, 2);

// A version (major in the low byte) as a number that orders versions.
int ordered(WORD version)
{
    return LOBYTE(version) << 8 | HIBYTE(version);
}

class Socket : public os::KernelObject
{
public:
    Socket(int fd, Kind kind) : fd(fd), kind(kind) {}
    ~Socket() override { host_close(fd); }
    ObjectType type() const override { return ObjectType::Other; }

    const int fd;
    const Kind kind;
    std::atomic<bool> closed{false};
    std::atomic<bool> send_shut{false};
    std::atomic<bool> reuse_addr{false}; // as the program set it
};

// A failed host call on a socket: a call cut short by closesocket reads as
// interrupted; a send after our own shutdown reads as shut down.
int fail_host(const Socket& s, int host_errno)
{
    if (s.closed)
        return wsa_fail(WSAEINTR);
    int wsa = wsa_error(host_errno);
    if (wsa == WSAECONNRESET && s.send_shut)
        wsa = WSAESHUTDOWN;
    return wsa_fail(wsa);
}

SOCKET fail_socket(int wsa)
{
    wsa_fail(wsa);
    return INVALID_SOCKET;
}

std::shared_ptr<Socket> get(SOCKET s)
{
    auto p = std::dynamic_pointer_cast<Socket>(os::handle_get(reinterpret_cast<HANDLE>(s)));
    if (!p || p->closed)
    {
        SetLastError(WSAENOTSOCK);
        return nullptr;
    }
    return p;
}

SOCKET insert(int fd, Kind kind)
{
    HANDLE h = os::handle_insert(std::make_shared<Socket>(fd, kind));
    if (!h)
    {
        wsa_fail(WSAEMFILE);
        return INVALID_SOCKET;
    }
    return reinterpret_cast<SOCKET>(h);
}

// 0, or the Winsock code of what is wrong with the address.
int read_address(const sockaddr* name, int namelen, Endpoint* out)
{
    if (!name || namelen < int(sizeof(sockaddr_in)))
        return WSAEFAULT;
    sockaddr_in a;
    std::memcpy(&a, name, sizeof a);
    if (a.sin_family != AF_INET)
        return WSAEAFNOSUPPORT;
    *out = {a.sin_addr.s_addr, a.sin_port};
    return 0;
}

bool address_fits(const sockaddr* name, const int* namelen)
{
    return name && namelen && *namelen >= int(sizeof(sockaddr_in));
}

void write_address(const Endpoint& e, sockaddr* name, int* namelen)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = e.port;
    a.sin_addr.s_addr = e.addr;
    std::memcpy(name, &a, sizeof a);
    *namelen = sizeof a;
}

// The host option for a device level and name; false when there is none.
bool option_of(int level, int name, Option* out, int* error)
{
    static const struct
    {
        int level;
        int name;
        Option option;
    } kOptions[] = {
        {SOL_SOCKET, SO_REUSEADDR, Option::ReuseAddr},   {SOL_SOCKET, SO_KEEPALIVE, Option::KeepAlive},
        {SOL_SOCKET, SO_BROADCAST, Option::Broadcast},   {SOL_SOCKET, SO_SNDBUF, Option::SendBuffer},
        {SOL_SOCKET, SO_RCVBUF, Option::ReceiveBuffer},  {SOL_SOCKET, SO_LINGER, Option::Linger},
        {SOL_SOCKET, SO_ERROR, Option::Error},           {SOL_SOCKET, SO_ACCEPTCONN, Option::AcceptConn},
        {SOL_SOCKET, SO_TYPE, Option::Type},             {IPPROTO_TCP, TCP_NODELAY, Option::NoDelay},
        {SOL_SOCKET, SO_SNDTIMEO, Option::SendTimeout}, {SOL_SOCKET, SO_RCVTIMEO, Option::ReceiveTimeout},
    };
    if (level != SOL_SOCKET && level != IPPROTO_TCP)
    {
        *error = WSAEINVAL;
        return false;
    }
    for (const auto& o : kOptions)
    {
        if (o.level == level && o.name == name)
        {
            *out = o.option;
            return true;
        }
    }
    *error = WSAENOPROTOOPT;
    os::warn_once("net", ("socket option " + std::to_string(level) + "/" + std::to_string(name) + " is not supported").c_str());
    return false;
}

// An integer option value as given: four bytes, or one for a flag.
bool read_int(const char* optval, int optlen, int* value)
{
    if (!optval || optlen < 1)
        return false;
    if (optlen >= int(sizeof(int)))
        std::memcpy(value, optval, sizeof(int));
    else
        *value = static_cast<unsigned char>(optval[0]);
    return true;
}

// The value given to setsockopt: a linger record, or an integer.
bool read_option(Option option, const char* optval, int optlen, int* value, int* extra)
{
    if (option != Option::Linger)
        return read_int(optval, optlen, value);
    if (!optval || optlen < int(sizeof(linger)))
        return false;
    linger l;
    std::memcpy(&l, optval, sizeof l);
    *value = l.l_onoff != 0;
    *extra = l.l_linger;
    return true;
}

// The answer of getsockopt, in the record the option has on the device.
void write_option(Option option, int value, int extra, char* optval, int* optlen)
{
    if (option == Option::Linger)
    {
        linger l{u_short(value != 0), u_short(extra)};
        std::memcpy(optval, &l, sizeof l);
        *optlen = sizeof l;
        return;
    }
    std::memcpy(optval, &value, sizeof value);
    *optlen = sizeof value;
}

// A call that takes one address: bind and connect.
int with_address(SOCKET s, const sockaddr* name, int namelen, int (*call)(int, const Endpoint&, int*))
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    Endpoint e;
    if (int bad = read_address(name, namelen, &e))
        return wsa_fail(bad);
    int error = 0;
    return call(sock->fd, e, &error) == 0 ? 0 : fail_host(*sock, error);
}

} // namespace

bool started()
{
    return g_startups.load() > 0;
}

} // namespace os::net

using namespace os::net;

int WSAStartup(WORD version, LPWSADATA data)
{
    if (!data)
        return WSAEFAULT;
    if (ordered(version) < ordered(kLowestVersion))
        return WSAVERNOTSUPPORTED;
    std::memset(data, 0, sizeof *data);
    data->wVersion = ordered(version) > ordered(kHighestVersion) ? kHighestVersion : version;
    data->wHighVersion = kHighestVersion;
    std::strcpy(data->szDescription, "Winsock over host sockets");
    std::strcpy(data->szSystemStatus, "Running");
    // What the process may hold open (raised to the host's hard limit).
    data->iMaxSockets = (unsigned short)std::min(host_descriptor_limit(), 0x7FFF);
    data->iMaxUdpDg = 0xFFFF - 28;
    ++g_startups;
    return 0;
}

int WSACleanup()
{
    int n = g_startups.load();
    while (n > 0 && !g_startups.compare_exchange_weak(n, n - 1))
    {
    }
    if (n <= 0)
        return wsa_fail(WSANOTINITIALISED);
    return 0;
}

int WSAGetLastError()
{
    return int(GetLastError());
}

void WSASetLastError(int error)
{
    SetLastError(DWORD(error));
}

SOCKET socket(int af, int type, int protocol)
{
    if (!started())
        return fail_socket(WSANOTINITIALISED);
    if (af != AF_INET)
        return fail_socket(WSAEAFNOSUPPORT);
    if (type != SOCK_STREAM && type != SOCK_DGRAM)
        return fail_socket(WSAESOCKTNOSUPPORT);
    int wanted = type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP;
    if (protocol != 0 && protocol != wanted)
        return fail_socket(WSAEPROTONOSUPPORT);
    Kind kind = type == SOCK_STREAM ? Kind::Stream : Kind::Datagram;
    int error = 0;
    int fd = host_socket(kind, &error);
    if (fd < 0)
        return fail_socket(wsa_error(error));
    return insert(fd, kind);
}

int closesocket(SOCKET s)
{
    auto sock = get(s);
    if (!sock || sock->closed.exchange(true) || !os::handle_close(reinterpret_cast<HANDLE>(s)))
        return wsa_fail(WSAENOTSOCK);
    int ignored = 0;
    host_shutdown(sock->fd, Direction::Both, &ignored);
    return 0;
}

int bind(SOCKET s, const sockaddr* name, int namelen)
{
    return with_address(s, name, namelen, host_bind);
}

int listen(SOCKET s, int backlog)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    if (sock->kind != Kind::Stream)
        return wsa_fail(WSAEOPNOTSUPP);
    int error = 0;
    return host_listen(sock->fd, std::clamp(backlog, 1, 4096), &error) == 0 ? 0 : fail_host(*sock, error);
}

SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen)
{
    auto sock = get(s);
    if (!sock)
        return INVALID_SOCKET;
    if (addr && !address_fits(addr, addrlen))
        return fail_socket(WSAEFAULT);
    Endpoint peer;
    int error = 0;
    int fd = host_accept(sock->fd, &peer, &error);
    if (fd < 0)
    {
        fail_host(*sock, error);
        return INVALID_SOCKET;
    }
    if (addr)
        write_address(peer, addr, addrlen);
    return insert(fd, Kind::Stream);
}

int connect(SOCKET s, const sockaddr* name, int namelen)
{
    return with_address(s, name, namelen, host_connect);
}

int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    if (len < 0 || (!buf && len > 0) || (from && !address_fits(from, fromlen)))
        return wsa_fail(WSAEFAULT);
    if (flags & ~MSG_PEEK)
        return wsa_fail(WSAEOPNOTSUPP);
    Endpoint peer;
    int error = 0;
    long n = host_recv(sock->fd, buf, size_t(len), flags & MSG_PEEK, &peer, &error);
    if (n < 0)
        return fail_host(*sock, error);
    if (from)
        write_address(peer, from, fromlen);
    return int(n);
}

int recv(SOCKET s, char* buf, int len, int flags)
{
    return recvfrom(s, buf, len, flags, nullptr, nullptr);
}

int sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to, int tolen)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    if (len < 0 || (!buf && len > 0))
        return wsa_fail(WSAEFAULT);
    if (flags & ~MSG_DONTROUTE)
        return wsa_fail(WSAEOPNOTSUPP);
    Endpoint target;
    if (to)
    {
        if (int bad = read_address(to, tolen, &target))
            return wsa_fail(bad);
    }
    int error = 0;
    long n = host_send(sock->fd, buf, size_t(len), to ? &target : nullptr, &error);
    return n < 0 ? fail_host(*sock, error) : int(n);
}

int send(SOCKET s, const char* buf, int len, int flags)
{
    return sendto(s, buf, len, flags, nullptr, 0);
}

int shutdown(SOCKET s, int how)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    if (how < SD_RECEIVE || how > SD_BOTH)
        return wsa_fail(WSAEINVAL);
    Direction d = how == SD_RECEIVE ? Direction::Receive : how == SD_SEND ? Direction::Send : Direction::Both;
    int error = 0;
    if (host_shutdown(sock->fd, d, &error) != 0)
        return fail_host(*sock, error);
    if (how != SD_RECEIVE)
        sock->send_shut = true;
    return 0;
}

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    Option option;
    int value = 0, extra = 0, error = 0;
    if (!option_of(level, optname, &option, &error))
        return wsa_fail(error);
    if (!read_option(option, optval, optlen, &value, &extra))
        return wsa_fail(WSAEFAULT);
    if (option == Option::Error || option == Option::AcceptConn || option == Option::Type)
        return wsa_fail(WSAENOPROTOOPT); // read-only
    if (option == Option::ReuseAddr)
    {
        sock->reuse_addr = value != 0;
        if (sock->kind == Kind::Stream)
            return 0; // always on at the host (see host_socket.cpp)
    }
    return host_set_option(sock->fd, option, value, extra, &error) == 0 ? 0 : fail_host(*sock, error);
}

int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    if (!optval || !optlen || *optlen < int(sizeof(int)))
        return wsa_fail(WSAEFAULT);
    Option option;
    int value = 0, extra = 0, error = 0;
    if (!option_of(level, optname, &option, &error))
        return wsa_fail(error);
    if (option == Option::ReuseAddr)
        value = sock->reuse_addr;
    else if (host_get_option(sock->fd, option, &value, &extra, &error) != 0)
        return fail_host(*sock, error);
    if (option == Option::Error && value != 0)
        value = wsa_error(value);
    write_option(option, value, extra, optval, optlen);
    return 0;
}

int ioctlsocket(SOCKET s, long cmd, u_long* argp)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    if (!argp)
        return wsa_fail(WSAEFAULT);
    int error = 0;
    if (cmd == FIONBIO)
        return host_set_nonblocking(sock->fd, *argp != 0, &error) == 0 ? 0 : fail_host(*sock, error);
    if (cmd == FIONREAD)
    {
        int count = 0;
        if (host_pending_bytes(sock->fd, &count, &error) != 0)
            return fail_host(*sock, error);
        *argp = u_long(count);
        return 0;
    }
    return wsa_fail(WSAEINVAL);
}

static int endpoint_of(SOCKET s, bool peer, sockaddr* name, int* namelen)
{
    auto sock = get(s);
    if (!sock)
        return SOCKET_ERROR;
    if (!address_fits(name, namelen))
        return wsa_fail(WSAEFAULT);
    Endpoint e;
    int error = 0;
    if (host_endpoint(sock->fd, peer, &e, &error) != 0)
        return fail_host(*sock, error);
    if (!peer && e.port == 0)
        return wsa_fail(WSAEINVAL); // not bound yet
    write_address(e, name, namelen);
    return 0;
}

int getpeername(SOCKET s, sockaddr* name, int* namelen)
{
    return endpoint_of(s, true, name, namelen);
}

int getsockname(SOCKET s, sockaddr* name, int* namelen)
{
    return endpoint_of(s, false, name, namelen);
}
