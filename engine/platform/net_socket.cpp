// net_socket.cpp -- Socket over Winsock, whole reads and writes, packets
#include "engine/platform/net_socket.h"

#include "common/little_endian.h"

#include <os/user.h>
#include <os/winsock.h>
#include <os/wstring.h>

#include <chrono>
#include <cstring>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

void narrowInto(const WCHAR* text, std::string& out)
{
    out.clear();
    for (; text && *text; ++text)
        out.push_back(*text < 0x100 ? char(*text) : '?');
}

bool fitText(const std::u16string& text, WCHAR* buffer, int chars)
{
    if (!buffer || chars <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (int(text.size()) >= chars)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return true;
}

std::u16string widen(const char* text)
{
    std::u16string out;
    for (; text && *text; ++text)
        out.push_back(char16_t(uint8_t(*text)));
    return out;
}

std::u16string dottedAddress(uint32_t networkOrder)
{
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&networkOrder);
    return os::format(u"%u.%u.%u.%u", unsigned(b[0]), unsigned(b[1]), unsigned(b[2]), unsigned(b[3]));
}

int64_t nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// ---- ByteReader ----

bool ByteReader::readShort(int16_t& value)
{
    uint8_t b[2];
    if (!readBytes(b, 2))
        return false;
    value = int16_t(readLE16(b));
    return true;
}

bool ByteReader::readInt(int32_t& value)
{
    uint8_t b[4];
    if (!readBytes(b, 4))
        return false;
    value = int32_t(readLE32(b));
    return true;
}

bool ByteReader::skipBytes(int length)
{
    uint8_t scrap[256];
    while (length > 0)
    {
        const int n = length < int(sizeof scrap) ? length : int(sizeof scrap);
        if (!readBytes(scrap, n))
            return false;
        length -= n;
    }
    return true;
}

bool ByteReader::readFloat(float& value)
{
    int32_t bits;
    if (!readInt(bits))
        return false;
    std::memcpy(&value, &bits, 4);
    return true;
}

bool ByteReader::readString(std::u16string& text, int maxBytes)
{
    text.clear();
    for (int i = 0; i < maxBytes; ++i)
    {
        uint8_t b;
        if (!readBytes(&b, 1))
        {
            text.clear();
            return false;
        }
        if (b == 0)
            return true;
        text.push_back(char16_t(b));
    }
    text.clear();
    return false; // no end within the limit: the rest would be misread
}

bool MemoryReader::readBytes(void* out, int length)
{
    if (length < 0 || size_t(length) > size - pos)
    {
        pos = size;
        return false;
    }
    std::memcpy(out, data + pos, size_t(length));
    pos += size_t(length);
    return true;
}

// ---- PacketWriter ----

void PacketWriter::putShort(int16_t value)
{
    appendLE16(bytes, uint16_t(value));
}

void PacketWriter::putInt(int32_t value)
{
    appendLE32(bytes, uint32_t(value));
}

void PacketWriter::putFloat(float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, 4);
    putInt(bits);
}

void PacketWriter::patchInt(size_t offset, int32_t value)
{
    if (offset <= bytes.size() && bytes.size() - offset >= 4)
        writeLE32(bytes.data() + offset, uint32_t(value));
}

void PacketWriter::putBytes(const void* data, size_t length)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + length);
}

void PacketWriter::putString(const WCHAR* text)
{
    for (; text && *text; ++text)
        bytes.push_back(*text < 0x100 ? uint8_t(*text) : uint8_t('?'));
    bytes.push_back(0);
}

// ---- Socket ----

Socket::Socket() = default;

Socket::Socket(UINT_PTR acceptedHandle) : handle(acceptedHandle) {}

Socket::Socket(bool isServer, int port, int family, int flags) : server(isServer)
{
    if (!isServer)
    {
        handle = ::socket(family, SOCK_STREAM, 0);
        return;
    }
    if (port == 0)
        return;
    SOCKET s = ::socket(family, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return;
    int on = 1;
    if ((flags & 4) && setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) != 0)
    {
        closesocket(s);
        return;
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(u_short(port));
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || listen(s, 5) != 0)
    {
        closesocket(s);
        return;
    }
    handle = s;
}

Socket* Socket::listenOn(uint32_t address, int port, int backlog)
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return nullptr;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(u_short(port));
    a.sin_addr.s_addr = htonl(address);
    if (bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || listen(s, backlog) != 0)
    {
        closesocket(s);
        return nullptr;
    }
    Socket* socket = new Socket(s);
    socket->server = true;
    return socket;
}

Socket::~Socket()
{
    close();
}

bool Socket::bindLocal(uint32_t address)
{
    if (!isValid())
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = 0;
    a.sin_addr.s_addr = htonl(address);
    return ::bind(SOCKET(handle), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

void Socket::setNoDelay(bool on)
{
    int value = on ? 1 : 0;
    if (isValid())
        setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&value), sizeof value);
}

void Socket::setSendTimeout(DWORD ms)
{
    if (isValid())
        setsockopt(handle, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

void Socket::setReceiveTimeout(DWORD ms)
{
    ownReceiveLimit = ms;
    useReceiveLimit(ms);
}

void Socket::setSendBuffer(int bytes)
{
    if (isValid())
        setsockopt(handle, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

void Socket::setReceiveBuffer(int bytes)
{
    if (isValid())
        setsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

Socket* Socket::accept()
{
    if (!isValid())
    {
        MessageBoxW(nullptr, u"Try to accpet a client connection on an invalid socket.", u"Error", MB_OK);
        return nullptr;
    }
    return acceptConnection();
}

Socket* Socket::acceptConnection()
{
    SOCKET s = ::accept(handle, nullptr, nullptr);
    if (s == INVALID_SOCKET)
    {
        errorCode = WSAGetLastError();
        return nullptr;
    }
    return new Socket(s);
}

bool Socket::connect(const WCHAR* host, int port, int)
{
    if (!host || !*host || port == 0 || !isValid())
        return false;
    uint32_t address = resolveHostAddress(host);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(u_short(port));
    a.sin_addr.s_addr = htonl(address);
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0)
        return true;
    close();
    return false;
}

void Socket::close()
{
    UINT_PTR s = handle.exchange(kInvalid);
    if (s == kInvalid)
        return;
    shutdown(s, SD_BOTH);
    closesocket(s);
}

bool Socket::getPeerName(SocketAddress& address)
{
    address = SocketAddress{};
    if (!isValid())
        return false;
    sockaddr_in a{};
    int length = sizeof a;
    if (getpeername(handle, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        return false;
    address.family = a.sin_family;
    address.port = a.sin_port;
    address.address = a.sin_addr.s_addr;
    return true;
}

bool Socket::getPeerAddress(SocketAddress& address, WCHAR* text)
{
    bool ok = getPeerName(address);
    std::u16string dotted = dottedAddress(address.address);
    std::memcpy(text, dotted.c_str(), (dotted.size() + 1) * sizeof(WCHAR));
    return ok;
}

int Socket::getLocalPort()
{
    sockaddr_in a{};
    int length = sizeof a;
    if (!isValid() || getsockname(handle, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        return 0;
    return ntohs(a.sin_port);
}

int Socket::receive(void* buffer, int length)
{
    if (!buffer || length <= 0)
        return 0;
    int n = recv(handle, static_cast<char*>(buffer), length, 0);
    if (n > 0)
    {
        error = 0;
        return n;
    }
    errorCode = n < 0 ? WSAGetLastError() : 0;
    error = 1;
    return -1;
}

int Socket::send(const void* buffer, int length)
{
    if (!isValid() || !buffer)
        return -1;
    int n = ::send(handle, static_cast<const char*>(buffer), length, 0);
    if (n < 0)
    {
        errorCode = WSAGetLastError();
        error = 1;
        return -1;
    }
    error = 0;
    return n;
}

int Socket::sendSome(const void* buffer, int length)
{
    if (length <= 0)
        return 0;
    if (!isValid() || !buffer)
        return -1;
    int n = ::send(handle, static_cast<const char*>(buffer), length, 0);
    if (n >= 0)
        return n;
    errorCode = WSAGetLastError();
    if (errorCode == WSAETIMEDOUT)
        return 0; // the buffer stayed full for the whole time limit
    error = 1;
    return -1;
}

void Socket::useReceiveLimit(DWORD ms)
{
    if (ms == receiveLimit || !isValid())
        return;
    receiveLimit = ms;
    setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

bool Socket::waitForData(DWORD ms)
{
    deadlinePassed = false;
    if (inStart < inEnd)
        return true;
    hasDeadline = false;
    useReceiveLimit(ms);
    inStart = inEnd = 0;
    int n = receive(inBuffer, int(sizeof inBuffer));
    if (n > 0)
    {
        inEnd = n;
        return true;
    }
    deadlinePassed = errorCode == WSAETIMEDOUT;
    return false;
}

void Socket::setMessageDeadline(DWORD ms)
{
    hasDeadline = ms != 0;
    deadlinePassed = false;
    deadlineUs = nowUs() + int64_t(ms) * 1000;
}

bool Socket::sendAll(const void* buffer, int length)
{
    const char* p = static_cast<const char*>(buffer);
    while (length > 0)
    {
        int n = send(p, length);
        if (n <= 0)
        {
            error = 1;
            return false;
        }
        p += n;
        length -= n;
    }
    return true;
}

bool Socket::fill()
{
    inStart = 0;
    inEnd = 0;
    if (hasDeadline)
    {
        // The time left, rounded up to whole milliseconds.
        const int64_t left = deadlineUs - nowUs();
        if (left <= 0)
        {
            deadlinePassed = true;
            error = 1;
            return false;
        }
        useReceiveLimit(DWORD((left + 999) / 1000));
    }
    else
    {
        useReceiveLimit(ownReceiveLimit);
    }
    int n = receive(inBuffer, int(sizeof inBuffer));
    if (n <= 0)
    {
        deadlinePassed = hasDeadline && errorCode == WSAETIMEDOUT;
        return false;
    }
    inEnd = n;
    return true;
}

bool Socket::readBytes(void* data, int length)
{
    uint8_t* out = static_cast<uint8_t*>(data);
    while (length > 0)
    {
        if (inStart == inEnd && !fill())
            return false;
        int n = inEnd - inStart < length ? inEnd - inStart : length;
        std::memcpy(out, inBuffer + inStart, size_t(n));
        inStart += n;
        out += n;
        length -= n;
    }
    return true;
}

bool Socket::writeShort(int16_t value)
{
    PacketWriter w;
    w.putShort(value);
    return sendPacket(w);
}

bool Socket::writeInt(int32_t value)
{
    PacketWriter w;
    w.putInt(value);
    return sendPacket(w);
}

bool Socket::writeString(const WCHAR* text)
{
    PacketWriter w;
    w.putString(text);
    return sendPacket(w);
}

// ---- library and names ----

bool startupSockets()
{
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 0), &data) == 0)
        return true;
    if (data.wVersion != MAKEWORD(2, 0))
        MessageBoxW(nullptr, u"Incorrect version of Winsock.dll found", u"Error", MB_OK);
    WSACleanup();
    return false;
}

void cleanupSockets()
{
    WSACleanup();
}

int socketLimit()
{
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0)
        return 0;
    const int limit = data.iMaxSockets;
    WSACleanup();
    return limit;
}

uint32_t resolveHostAddress(const WCHAR* text)
{
    std::string narrow;
    narrowInto(text, narrow);
    if (narrow.size() > 259)
        narrow.resize(259);
    uint32_t address = inet_addr(narrow.c_str());
    if (address == INADDR_NONE && narrow != "255.255.255.255")
    {
        hostent* host = gethostbyname(narrow.c_str());
        if (!host || !host->h_addr_list || !host->h_addr_list[0] || host->h_length < 4)
            return kNone;
        std::memcpy(&address, host->h_addr_list[0], 4);
    }
    return ntohl(address);
}

bool getLocalHostName(WCHAR* buffer, int chars)
{
    char name[256] = {};
    if (!buffer || chars <= 0)
        return fitText(u"", buffer, chars);
    if (gethostname(name, int(sizeof name) - 1) != 0)
        return false;
    std::u16string text = widen(name);
    if (hostent* host = gethostbyname(name); host && host->h_name)
        text = widen(host->h_name);
    return fitText(text, buffer, chars);
}

bool getLocalAddress(WCHAR* buffer, int chars)
{
    char name[256] = {};
    if (!buffer || chars <= 0)
        return fitText(u"", buffer, chars);
    if (gethostname(name, int(sizeof name) - 1) != 0)
        return false;
    hostent* host = gethostbyname(name);
    if (!host || host->h_length < 4 || !host->h_addr_list || !host->h_addr_list[0])
        return false;
    uint32_t address;
    std::memcpy(&address, host->h_addr_list[0], 4);
    return fitText(dottedAddress(address), buffer, chars);
}
