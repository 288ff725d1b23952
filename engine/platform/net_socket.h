// net_socket.h -- blocking TCP sockets with whole reads and writes
//
// Values travel as little-endian bytes; a string is its Latin-1 bytes and a 0
// byte (characters beyond Latin-1 become '?', so the byte count is always the
// character count). Every read is completed: a value that TCP splits is
// waited for until it has fully arrived or the connection fails, and every
// write sends all of its bytes or fails. A string longer than the reader's
// limit is a failure, not a truncation: the rest would be misread as the
// next fields.
//
// `ByteReader` is what message readers take, so the same reader runs on a
// socket and on bytes in memory (tests, fuzzing). `PacketWriter` builds one
// whole message that goes out with one `Socket::sendAll`.
//
// A reading thread may bound its waits: `waitForData` waits for the next
// bytes at most so long, and `setMessageDeadline` gives every further wait
// one deadline on the real clock (a message that stops half way fails when
// it passes, however slowly its bytes trickle in). `timedOut` tells such an
// end from a closed connection.
#pragma once

#include <os/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// A string on the wire is at most this many bytes with its 0.
constexpr int kMaxWireString = 1025;

class ByteReader
{
public:
    virtual ~ByteReader() = default;
    // Reads exactly `length` bytes; false when they cannot all be had.
    virtual bool readBytes(void* data, int length) = 0;
    // Reads and drops `length` bytes.
    bool skipBytes(int length);

    bool readShort(int16_t& value);
    bool readInt(int32_t& value);
    bool readFloat(float& value);
    // Bytes up to a 0 byte, widened from Latin-1; false on a failed read or
    // when no 0 came within `maxBytes` bytes (the 0 included).
    bool readString(std::u16string& text, int maxBytes = kMaxWireString);
};

// Reads from bytes in memory; reading past the end fails.
class MemoryReader : public ByteReader
{
public:
    MemoryReader(const void* data, size_t size) : data(static_cast<const uint8_t*>(data)), size(size) {}
    bool readBytes(void* out, int length) override;
    size_t remaining() const { return size - pos; }

private:
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

class PacketWriter
{
public:
    void putShort(int16_t value);
    void putInt(int32_t value);
    void putFloat(float value);
    void putBytes(const void* data, size_t length);
    // Overwrites four bytes already written (little-endian).
    void patchInt(size_t offset, int32_t value);
    void reserve(size_t size) { bytes.reserve(size); }
    // The Latin-1 bytes of the text and a 0.
    void putString(const WCHAR* text);
    void putString(const std::u16string& text) { putString(text.c_str()); }

    const uint8_t* data() const { return bytes.data(); }
    size_t size() const { return bytes.size(); }
    const std::vector<uint8_t>& buffer() const { return bytes; }
    void clear() { bytes.clear(); }

private:
    std::vector<uint8_t> bytes;
};

// The 16-byte IPv4 socket address, cleared.
struct SocketAddress
{
    int16_t family = 0;
    uint16_t port = 0;   // network order
    uint32_t address = 0; // network order
    uint8_t zero[8] = {};
};

class Socket : public ByteReader
{
public:
    // server: a listening socket on INADDR_ANY and `port` (flags & 4 sets
    // SO_REUSEADDR first); a port of 0 leaves the socket without a handle.
    // client: a socket that `connect` connects.
    Socket(bool server, int port, int family = 2, int flags = 0);
    // An empty socket (no handle).
    Socket();
    ~Socket() override;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // A socket listening on `address` (host order) and `port`; port 0 lets the
    // host choose one, which `getLocalPort` tells.
    static Socket* listenOn(uint32_t address, int port, int backlog);

    bool isValid() const { return handle != kInvalid; }
    bool hasError() const { return error != 0; }
    // The Winsock error of the last failed call (0 when none failed).
    int lastError() const { return errorCode; }
    void setNoDelay(bool on);
    // Time limit of one blocking send in milliseconds (0: none).
    void setSendTimeout(DWORD ms);
    // Time limit of one blocking receive in milliseconds (0: none); the
    // reading thread's own call (it is the one the reads return to).
    void setReceiveTimeout(DWORD ms);
    void setSendBuffer(int bytes);
    void setReceiveBuffer(int bytes);

    // A new socket for the next connection, or null (a box on an invalid socket).
    Socket* accept();
    // The same without the box: null with `lastError` set (a closed
    // listener answers WSAENOTSOCK or WSAEINTR, no descriptor left WSAEMFILE).
    Socket* acceptConnection();
    bool connect(const WCHAR* host, int port, int family = 2);
    // A client socket's own end: `address` (host order), any port; before
    // `connect` (a machine with several addresses says which one to use).
    bool bindLocal(uint32_t address);
    // Ends the connection; may be called from another thread to wake a
    // blocked read or accept. Safe to call more than once.
    void close();

    bool getPeerName(SocketAddress& address);
    bool getPeerAddress(SocketAddress& address, WCHAR* text);
    int getLocalPort();

    // One recv: its count, or -1 (error flag set) on 0 or an error.
    int receive(void* buffer, int length);
    // One send: its count, or -1 (error flag set).
    int send(const void* buffer, int length);
    // All of the bytes, or false (error flag set).
    bool sendAll(const void* buffer, int length);
    // One send that waits no longer than the send time limit for room in the
    // socket's buffer: the count sent (0 when nothing fitted in time), or -1
    // when the connection failed.
    int sendSome(const void* buffer, int length);

    // Waits at most `ms` (0: no limit) until bytes can be read; false when
    // none came in time (`timedOut`), or the connection ended.
    bool waitForData(DWORD ms);
    // From now every read that must wait ends `ms` from now at the latest
    // (0: no deadline). A read that runs into it fails with `timedOut` set.
    void setMessageDeadline(DWORD ms);
    bool timedOut() const { return deadlinePassed; }
    bool sendPacket(const PacketWriter& packet) { return sendAll(packet.data(), int(packet.size())); }
    bool readBytes(void* data, int length) override;

    bool writeShort(int16_t value);
    bool writeInt(int32_t value);
    bool writeString(const WCHAR* text);

private:
    static constexpr UINT_PTR kInvalid = ~UINT_PTR(0);
    explicit Socket(UINT_PTR acceptedHandle);
    bool fill();
    // Sets the receive time limit when it differs from the one in force.
    void useReceiveLimit(DWORD ms);

    // Written by the reading and the writing thread alike: a flag, no more.
    std::atomic<int> error{0};
    std::atomic<int> errorCode{0};
    std::atomic<UINT_PTR> handle{kInvalid};
    bool server = false;
    // The reading thread's state: bytes received and not yet read (a whole
    // states message of a full group fits), the receive limit in force and
    // the message's deadline.
    uint8_t inBuffer[16384];
    int inStart = 0;
    int inEnd = 0;
    DWORD receiveLimit = 0;    // in force on the socket
    DWORD ownReceiveLimit = 0; // set by setReceiveTimeout
    bool hasDeadline = false;
    bool deadlinePassed = false;
    int64_t deadlineUs = 0;
};

// WSAStartup for version 2.0; false (with a box for a wrong version) on failure.
bool startupSockets();
void cleanupSockets();
// An IPv4 text or a host name, in host order; INADDR_NONE when it does not resolve.
uint32_t resolveHostAddress(const WCHAR* text);
bool getLocalHostName(WCHAR* buffer, int chars);
bool getLocalAddress(WCHAR* buffer, int chars);
// How many sockets the process may hold open at once, as the socket library
// says (0 when it cannot be started).
int socketLimit();
