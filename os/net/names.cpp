// names.cpp -- host names, dotted addresses and byte order
//
// gethostbyname looks names up with the host's reentrant resolver and keeps
// the answer in a record of the calling thread, valid until that thread asks
// again. inet_addr reads the classic forms "a.b.c.d", "a.b.c", "a.b" and "a",
// each part decimal, octal (leading 0) or hexadecimal (leading 0x), the last
// part filling the bytes that remain; trailing blanks are allowed.
#include <os/winsock.h>

#include "os/net/net_private.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct HostRecord
{
    std::string name;
    std::vector<uint32_t> addresses;
    std::vector<char*> address_list;
    char* aliases[1] = {nullptr};
    hostent record{};
};

thread_local HostRecord t_host;
thread_local char t_dotted[16];

int lookup_error(os::net::LookupError e)
{
    switch (e)
    {
    case os::net::LookupError::TryAgain: return WSATRY_AGAIN;
    case os::net::LookupError::NoRecovery: return WSANO_RECOVERY;
    case os::net::LookupError::NoData: return WSANO_DATA;
    default: return WSAHOST_NOT_FOUND;
    }
}

hostent* fill_record(const std::string& name, const std::vector<uint32_t>& addresses)
{
    HostRecord& h = t_host;
    h.name = name;
    h.addresses = addresses;
    h.address_list.clear();
    for (uint32_t& a : h.addresses)
        h.address_list.push_back(reinterpret_cast<char*>(&a));
    h.address_list.push_back(nullptr);
    h.record.h_name = h.name.data();
    h.record.h_aliases = h.aliases;
    h.record.h_addrtype = AF_INET;
    h.record.h_length = 4;
    h.record.h_addr_list = h.address_list.data();
    return &h.record;
}

// One part of a dotted address; false when it is not a number.
bool read_part(const char*& p, uint64_t* value)
{
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
    {
        base = 16;
        p += 2;
    }
    else if (p[0] == '0' && std::isdigit(static_cast<unsigned char>(p[1])))
        base = 8;
    const char* start = p;
    uint64_t v = 0;
    for (;; ++p)
    {
        int c = std::tolower(static_cast<unsigned char>(*p));
        int digit = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
        if (digit >= base)
            break;
        v = v * base + digit;
        if (v > 0xFFFFFFFFu)
            return false;
    }
    *value = v;
    return p != start;
}

} // namespace

int gethostname(char* name, int namelen)
{
    if (!os::net::started())
        return os::net::wsa_fail(WSANOTINITIALISED);
    char buffer[256] = {};
    int error = 0;
    if (!name || namelen <= 0 || os::net::host_hostname(buffer, sizeof buffer - 1, &error) != 0)
        return os::net::wsa_fail(WSAEFAULT);
    size_t length = std::strlen(buffer);
    if (length + 1 > size_t(namelen))
        return os::net::wsa_fail(WSAEFAULT);
    std::memcpy(name, buffer, length + 1);
    return 0;
}

hostent* gethostbyname(const char* name)
{
    if (!os::net::started())
    {
        os::net::wsa_fail(WSANOTINITIALISED);
        return nullptr;
    }
    char own[256] = {};
    if (!name || !*name)
    {
        if (gethostname(own, sizeof own) != 0)
            return nullptr;
        name = own;
    }
    else
    {
        int ignored = 0;
        os::net::host_hostname(own, sizeof own - 1, &ignored);
    }
    std::string canonical;
    std::vector<uint32_t> addresses;
    os::net::LookupError error;
    const bool found = os::net::host_lookup(name, &canonical, &addresses, &error);
    // The machine's own name answers the addresses of its interfaces, as on
    // the device: those reaching a network first, loopback last (a host's
    // name table often maps its own name to a loopback address alone).
    std::vector<uint32_t> interfaces;
    if (std::strcmp(name, own) == 0 && os::net::host_interface_addresses(&interfaces) && !interfaces.empty())
    {
        std::stable_partition(interfaces.begin(), interfaces.end(), [](uint32_t a) { return (ntohl(a) >> 24) != 127; });
        return fill_record(found ? canonical : std::string(name), interfaces);
    }
    if (!found)
    {
        os::net::wsa_fail(lookup_error(error));
        return nullptr;
    }
    return fill_record(canonical, addresses);
}

uint32_t inet_addr(const char* cp)
{
    if (!cp)
        return INADDR_NONE;
    uint64_t parts[4];
    int count = 0;
    const char* p = cp;
    for (;;)
    {
        if (count == 4 || !read_part(p, &parts[count]))
            return INADDR_NONE;
        ++count;
        if (*p != '.')
            break;
        ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p)
        return INADDR_NONE;
    uint32_t value = 0;
    for (int i = 0; i < count - 1; ++i)
    {
        if (parts[i] > 0xFF)
            return INADDR_NONE;
        value |= uint32_t(parts[i]) << (24 - 8 * i);
    }
    uint64_t last_max = 0xFFFFFFFFu >> (8 * (count - 1));
    if (parts[count - 1] > last_max)
        return INADDR_NONE;
    value |= uint32_t(parts[count - 1]);
    return htonl(value);
}

char* inet_ntoa(in_addr in)
{
    const auto& b = in.S_un.S_un_b;
    std::snprintf(t_dotted, sizeof t_dotted, "%u.%u.%u.%u", b.s_b1, b.s_b2, b.s_b3, b.s_b4);
    return t_dotted;
}

u_short htons(u_short value)
{
    uint8_t b[2] = {uint8_t(value >> 8), uint8_t(value)};
    u_short out;
    std::memcpy(&out, b, 2);
    return out;
}

uint32_t htonl(uint32_t value)
{
    uint8_t b[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    uint32_t out;
    std::memcpy(&out, b, 4);
    return out;
}

u_short ntohs(u_short value)
{
    return htons(value);
}

uint32_t ntohl(uint32_t value)
{
    return htonl(value);
}
