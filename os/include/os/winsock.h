// winsock.h -- Winsock over the host's sockets
//
// The records and constants are the device's (SOL_SOCKET is 0xFFFF,
// SO_REUSEADDR is 4, sin_family is a 16-bit value in host order); the
// implementation translates them to the host's. This header stands alone and
// must never be mixed with the host's own socket headers in one source file:
// both declare sockaddr, in_addr and hostent.
//
// A SOCKET is an entry of the kernel handle table that refers to a host
// descriptor, so a closed SOCKET value is refused (WSAENOTSOCK) instead of
// reaching a descriptor the host has since handed out again. closesocket may
// be called from another thread: a recv blocked on the socket then returns 0
// and a blocked accept fails with WSAEINTR. Sends never raise SIGPIPE; a send
// to a closed connection fails with WSAECONNRESET or WSAESHUTDOWN.
//
// WSAGetLastError and GetLastError read the same per-thread code.
#pragma once

#include <os/types.h>

typedef UINT_PTR SOCKET;
// The same types as the host C library's names of these (its u_long is 64
// bits here); records use 32-bit fields where the device has a 32-bit u_long.
typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned int u_int;
typedef unsigned long u_long;

#define INVALID_SOCKET ((SOCKET)(~0))
#define SOCKET_ERROR (-1)

// Address families, socket types, protocols
#define AF_UNSPEC 0
#define AF_INET 2
#define PF_INET AF_INET
#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define IPPROTO_IP 0
#define IPPROTO_TCP 6
#define IPPROTO_UDP 17

// Addresses (network byte order)
#define INADDR_ANY ((uint32_t)0x00000000)
#define INADDR_LOOPBACK ((uint32_t)0x7f000001)
#define INADDR_BROADCAST ((uint32_t)0xffffffff)
#define INADDR_NONE ((uint32_t)0xffffffff)

// Options
#define SOL_SOCKET 0xffff
#define SO_DEBUG 0x0001
#define SO_ACCEPTCONN 0x0002
#define SO_REUSEADDR 0x0004
#define SO_KEEPALIVE 0x0008
#define SO_DONTROUTE 0x0010
#define SO_BROADCAST 0x0020
#define SO_LINGER 0x0080
#define SO_OOBINLINE 0x0100
#define SO_SNDBUF 0x1001
#define SO_RCVBUF 0x1002
// Time limits of a blocking send or recv in milliseconds (a DWORD; 0 = none).
// A call that runs out of time fails with WSAETIMEDOUT.
#define SO_SNDTIMEO 0x1005
#define SO_RCVTIMEO 0x1006
#define SO_ERROR 0x1007
#define SO_TYPE 0x1008
#define TCP_NODELAY 0x0001

// ioctlsocket commands
#define FIONBIO ((long)0x8004667EL)
#define FIONREAD ((long)0x4004667FL)

// send and recv flags, shutdown directions
#define MSG_OOB 0x1
#define MSG_PEEK 0x2
#define MSG_DONTROUTE 0x4
#define SD_RECEIVE 0x00
#define SD_SEND 0x01
#define SD_BOTH 0x02

#define SOMAXCONN 0x7fffffff

// Error codes
#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

struct in_addr
{
    union
    {
        struct
        {
            u_char s_b1, s_b2, s_b3, s_b4;
        } S_un_b;
        struct
        {
            u_short s_w1, s_w2;
        } S_un_w;
        uint32_t S_addr;
    } S_un;
};
#define s_addr S_un.S_addr
#define s_host S_un.S_un_b.s_b2
#define s_net S_un.S_un_b.s_b1
#define s_imp S_un.S_un_w.s_w2
#define s_impno S_un.S_un_b.s_b4
#define s_lh S_un.S_un_b.s_b3
typedef in_addr IN_ADDR;

struct sockaddr
{
    u_short sa_family;
    char sa_data[14];
};

struct sockaddr_in
{
    short sin_family;
    u_short sin_port;
    in_addr sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(sockaddr_in) == 16, "sockaddr_in is 16 bytes");
static_assert(sizeof(sockaddr) == 16, "sockaddr is 16 bytes");

typedef sockaddr SOCKADDR;
typedef sockaddr* PSOCKADDR;
typedef sockaddr* LPSOCKADDR;
typedef sockaddr_in SOCKADDR_IN;
typedef sockaddr_in* PSOCKADDR_IN;
typedef sockaddr_in* LPSOCKADDR_IN;

struct hostent
{
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};
#define h_addr h_addr_list[0]
typedef hostent HOSTENT;
typedef hostent* PHOSTENT;
typedef hostent* LPHOSTENT;

struct linger
{
    u_short l_onoff;
    u_short l_linger;
};
typedef linger LINGER;

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

struct WSADATA
{
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};
typedef WSADATA* LPWSADATA;

// Start-up: versions 1.1 to 2.2 are accepted; a program must start the
// library before creating sockets or looking up names.
int WSAStartup(WORD version, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int af, int type, int protocol);
int closesocket(SOCKET s);
int bind(SOCKET s, const sockaddr* name, int namelen);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen);
int connect(SOCKET s, const sockaddr* name, int namelen);
int recv(SOCKET s, char* buf, int len, int flags);
int send(SOCKET s, const char* buf, int len, int flags);
int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen);
int sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to, int tolen);
int shutdown(SOCKET s, int how);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);
int ioctlsocket(SOCKET s, long cmd, u_long* argp);
int getpeername(SOCKET s, sockaddr* name, int* namelen);
int getsockname(SOCKET s, sockaddr* name, int* namelen);

// Names. gethostbyname answers a record owned by the calling thread, valid
// until that thread's next call.
int gethostname(char* name, int namelen);
hostent* gethostbyname(const char* name);
uint32_t inet_addr(const char* cp);
char* inet_ntoa(in_addr in);

// Byte order
u_short htons(u_short value);
uint32_t htonl(uint32_t value);
u_short ntohs(u_short value);
uint32_t ntohl(uint32_t value);
