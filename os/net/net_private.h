// net_private.h -- the seam between Winsock and the host's sockets
//
// The device's records (sockaddr, in_addr, hostent) and the host's carry the
// same names, so no source file sees both. winsock.cpp speaks the device's
// side and hands plain values across this header; host_socket.cpp speaks the
// host's. Options, directions and socket kinds cross as the enums below, so
// each side keeps its own constants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace os::net {

// An IPv4 address and port, both in network byte order.
struct Endpoint
{
    uint32_t addr = 0;
    uint16_t port = 0;
};

enum class Kind
{
    Stream,
    Datagram,
};

enum class Direction
{
    Receive,
    Send,
    Both,
};

enum class Option
{
    ReuseAddr,
    KeepAlive,
    Broadcast,
    SendBuffer,
    ReceiveBuffer,
    Linger, // value = on/off, extra = seconds
    Error,  // value = the pending host errno
    AcceptConn,
    Type,
    NoDelay,
    SendTimeout,    // value = milliseconds, 0 = none
    ReceiveTimeout, // value = milliseconds, 0 = none
};

enum class LookupError
{
    None,
    NotFound,
    TryAgain,
    NoRecovery,
    NoData,
};

// Host calls. On failure each answers -1 and leaves the host's errno in
// *error (never raising SIGPIPE); interrupted calls are retried where that is
// safe.
int host_socket(Kind kind, int* error);
void host_close(int fd);
int host_bind(int fd, const Endpoint& at, int* error);
int host_listen(int fd, int backlog, int* error);
int host_accept(int fd, Endpoint* peer, int* error);
int host_connect(int fd, const Endpoint& to, int* error);
long host_recv(int fd, void* buf, size_t len, bool peek, Endpoint* from, int* error);
long host_send(int fd, const void* buf, size_t len, const Endpoint* to, int* error);
int host_shutdown(int fd, Direction how, int* error);
int host_set_option(int fd, Option option, int value, int extra, int* error);
int host_get_option(int fd, Option option, int* value, int* extra, int* error);
int host_set_nonblocking(int fd, bool on, int* error);
int host_pending_bytes(int fd, int* count, int* error);
int host_endpoint(int fd, bool peer, Endpoint* out, int* error);
int host_hostname(char* out, size_t size, int* error);

// Looks a name up (IPv4 only); false with the reason on failure.
bool host_lookup(const std::string& name, std::string* canonical, std::vector<uint32_t>* addrs, LookupError* error);

// The IPv4 addresses of the machine's interfaces that are up, in the host's
// order (network byte order); false when the host cannot list them.
bool host_interface_addresses(std::vector<uint32_t>* addrs);
// Tests stand for a machine's interfaces: the list given is answered instead
// of the host's until it is called with null.
void set_interface_addresses_for_test(const std::vector<uint32_t>* addrs);

// The soft limit of descriptors the process may hold open. The first call
// raises it to the hard limit: on the device a process's sockets are bounded
// by memory, not by a small default count.
int host_descriptor_limit();

// True between WSAStartup and the matching WSACleanup.
bool started();

// The Winsock code for a host errno (errors.cpp).
int wsa_error(int host_errno);

// Sets the last error to a Winsock code; answers SOCKET_ERROR (-1).
int wsa_fail(int wsa);

} // namespace os::net
