// host_socket.cpp -- the host's socket calls behind Winsock
//
// Only this file includes the host's socket headers. Sends use MSG_NOSIGNAL
// so a connection closed by the peer fails the call instead of killing the
// process. Stream sockets get SO_REUSEADDR on the host as they are made, so
// a restarted server can bind its port while old connections of the previous
// run linger in TIME_WAIT (on this host the option never lets two sockets
// listen on one port).
#include "os/net/net_private.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <mutex>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace os::net {
namespace {

int fail(int* error)
{
    *error = errno;
    return -1;
}

sockaddr_in to_host(const Endpoint& e)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = e.port;
    a.sin_addr.s_addr = e.addr;
    return a;
}

Endpoint from_host(const sockaddr_in& a)
{
    return {a.sin_addr.s_addr, a.sin_port};
}

struct HostOption
{
    int level;
    int name;
};

// A failed recv or send: a blocking socket that answers EAGAIN ran out of
// its time limit (SO_RCVTIMEO / SO_SNDTIMEO), which the device reports as a
// time-out, not as "would block".
int fail_transfer(int fd, int* error)
{
    int code = errno;
    if ((code == EAGAIN || code == EWOULDBLOCK) && !(::fcntl(fd, F_GETFL) & O_NONBLOCK))
        code = ETIMEDOUT;
    errno = code;
    return fail(error);
}

HostOption host_option(Option option)
{
    switch (option)
    {
    case Option::ReuseAddr: return {SOL_SOCKET, SO_REUSEADDR};
    case Option::KeepAlive: return {SOL_SOCKET, SO_KEEPALIVE};
    case Option::Broadcast: return {SOL_SOCKET, SO_BROADCAST};
    case Option::SendBuffer: return {SOL_SOCKET, SO_SNDBUF};
    case Option::ReceiveBuffer: return {SOL_SOCKET, SO_RCVBUF};
    case Option::Linger: return {SOL_SOCKET, SO_LINGER};
    case Option::Error: return {SOL_SOCKET, SO_ERROR};
    case Option::AcceptConn: return {SOL_SOCKET, SO_ACCEPTCONN};
    case Option::Type: return {SOL_SOCKET, SO_TYPE};
    case Option::NoDelay: return {IPPROTO_TCP, TCP_NODELAY};
    case Option::SendTimeout: return {SOL_SOCKET, SO_SNDTIMEO};
    case Option::ReceiveTimeout: return {SOL_SOCKET, SO_RCVTIMEO};
    }
    return {SOL_SOCKET, SO_ERROR};
}

} // namespace

int host_socket(Kind kind, int* error)
{
    int type = (kind == Kind::Stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC;
    int fd = ::socket(AF_INET, type, 0);
    if (fd < 0)
        return fail(error);
    if (kind == Kind::Stream)
    {
        int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    return fd;
}

void host_close(int fd)
{
    ::close(fd);
}

int host_bind(int fd, const Endpoint& at, int* error)
{
    sockaddr_in a = to_host(at);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : fail(error);
}

int host_listen(int fd, int backlog, int* error)
{
    return ::listen(fd, backlog) == 0 ? 0 : fail(error);
}

int host_accept(int fd, Endpoint* peer, int* error)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int r;
    do
        r = ::accept4(fd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        return fail(error);
    *peer = from_host(a);
    return r;
}

int host_connect(int fd, const Endpoint& to, int* error)
{
    sockaddr_in a = to_host(to);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : fail(error);
}

long host_recv(int fd, void* buf, size_t len, bool peek, Endpoint* from, int* error)
{
    sockaddr_in a{};
    socklen_t alen = sizeof a;
    ssize_t r;
    do
        r = ::recvfrom(fd, buf, len, peek ? MSG_PEEK : 0, reinterpret_cast<sockaddr*>(&a), &alen);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        return fail_transfer(fd, error);
    if (from)
        *from = from_host(a);
    return long(r);
}

long host_send(int fd, const void* buf, size_t len, const Endpoint* to, int* error)
{
    sockaddr_in a{};
    if (to)
        a = to_host(*to);
    ssize_t r;
    do
        r = ::sendto(fd, buf, len, MSG_NOSIGNAL, to ? reinterpret_cast<sockaddr*>(&a) : nullptr, to ? sizeof a : 0);
    while (r < 0 && errno == EINTR);
    return r < 0 ? fail_transfer(fd, error) : long(r);
}

int host_shutdown(int fd, Direction how, int* error)
{
    int h = how == Direction::Receive ? SHUT_RD : how == Direction::Send ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(fd, h) == 0 ? 0 : fail(error);
}

int host_set_option(int fd, Option option, int value, int extra, int* error)
{
    HostOption o = host_option(option);
    if (option == Option::Linger)
    {
        ::linger l{value, extra};
        return ::setsockopt(fd, o.level, o.name, &l, sizeof l) == 0 ? 0 : fail(error);
    }
    if (option == Option::SendTimeout || option == Option::ReceiveTimeout)
    {
        unsigned ms = unsigned(value);
        ::timeval t{time_t(ms / 1000), suseconds_t((ms % 1000) * 1000)};
        return ::setsockopt(fd, o.level, o.name, &t, sizeof t) == 0 ? 0 : fail(error);
    }
    return ::setsockopt(fd, o.level, o.name, &value, sizeof value) == 0 ? 0 : fail(error);
}

int host_get_option(int fd, Option option, int* value, int* extra, int* error)
{
    HostOption o = host_option(option);
    if (option == Option::Linger)
    {
        ::linger l{};
        socklen_t len = sizeof l;
        if (::getsockopt(fd, o.level, o.name, &l, &len) != 0)
            return fail(error);
        *value = l.l_onoff;
        *extra = l.l_linger;
        return 0;
    }
    if (option == Option::SendTimeout || option == Option::ReceiveTimeout)
    {
        ::timeval t{};
        socklen_t len = sizeof t;
        if (::getsockopt(fd, o.level, o.name, &t, &len) != 0)
            return fail(error);
        *value = int(t.tv_sec * 1000 + t.tv_usec / 1000);
        return 0;
    }
    socklen_t len = sizeof *value;
    return ::getsockopt(fd, o.level, o.name, value, &len) == 0 ? 0 : fail(error);
}

int host_set_nonblocking(int fd, bool on, int* error)
{
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return fail(error);
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) == 0 ? 0 : fail(error);
}

int host_pending_bytes(int fd, int* count, int* error)
{
    return ::ioctl(fd, FIONREAD, count) == 0 ? 0 : fail(error);
}

int host_endpoint(int fd, bool peer, Endpoint* out, int* error)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int r = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len)
                 : ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    if (r != 0)
        return fail(error);
    *out = from_host(a);
    return 0;
}

namespace {
std::mutex g_interfaces_lock;
bool g_interfaces_faked = false;
std::vector<uint32_t> g_fake_interfaces;
} // namespace

bool host_interface_addresses(std::vector<uint32_t>* addrs)
{
    {
        std::lock_guard<std::mutex> hold(g_interfaces_lock);
        if (g_interfaces_faked)
        {
            *addrs = g_fake_interfaces;
            return true;
        }
    }
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    addrs->clear();
    for (ifaddrs* p = list; p; p = p->ifa_next)
    {
        if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET || !(p->ifa_flags & IFF_UP))
            continue;
        uint32_t a = reinterpret_cast<sockaddr_in*>(p->ifa_addr)->sin_addr.s_addr;
        if (std::find(addrs->begin(), addrs->end(), a) == addrs->end())
            addrs->push_back(a);
    }
    ::freeifaddrs(list);
    return true;
}

void set_interface_addresses_for_test(const std::vector<uint32_t>* addrs)
{
    std::lock_guard<std::mutex> hold(g_interfaces_lock);
    g_interfaces_faked = addrs != nullptr;
    g_fake_interfaces = addrs ? *addrs : std::vector<uint32_t>();
}

int host_descriptor_limit()
{
    static std::once_flag raised;
    std::call_once(raised, [] {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max)
        {
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 0x7FFFFFFF;
    return int(std::min<rlim_t>(limit.rlim_cur, 0x7FFFFFFF));
}

int host_hostname(char* out, size_t size, int* error)
{
    return ::gethostname(out, size) == 0 ? 0 : fail(error);
}

bool host_lookup(const std::string& name, std::string* canonical, std::vector<uint32_t>* addrs, LookupError* error)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (r != 0)
    {
        *error = r == EAI_AGAIN ? LookupError::TryAgain
               : r == EAI_FAIL  ? LookupError::NoRecovery
               : r == EAI_NODATA || r == EAI_ADDRFAMILY ? LookupError::NoData
                                                        : LookupError::NotFound;
        return false;
    }
    *canonical = list->ai_canonname ? list->ai_canonname : name;
    addrs->clear();
    for (addrinfo* p = list; p; p = p->ai_next)
    {
        uint32_t a = reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
        if (std::find(addrs->begin(), addrs->end(), a) == addrs->end())
            addrs->push_back(a);
    }
    ::freeaddrinfo(list);
    *error = LookupError::None;
    return !addrs->empty();
}

} // namespace os::net
