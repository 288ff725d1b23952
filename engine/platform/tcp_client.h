// tcp_client.h -- the client end of the game's TCP transport
//
// A thread that owns one connected socket, reads packets in a loop and hands
// each to the subclass's `onPacket` under the data mutex. Every packet starts
// with the 16-bit head 0x5858; the rest is the subclass's to read. Writes
// from other threads go through `sendPacket`, one whole packet at a time.
#pragma once

#include "engine/platform/net_socket.h"
#include "engine/platform/net_thread.h"

#include <atomic>

constexpr int16_t kPacketHead = 0x5858;

class TCPClient : public Thread
{
public:
    enum ConnectionState
    {
        Started = 0,
        Closed = 1,
        Lost = 2,
    };

    explicit TCPClient(int family = 2);
    ~TCPClient() override;

    void run() override;
    virtual void onConnection(int) {}
    // Reads one packet's body (the head is read); false ends the connection.
    virtual bool onPacket(Socket& socket) = 0;

    // Connects once; the reading thread starts when it succeeds.
    bool connect(const WCHAR* host, int port);
    bool isConnected() const { return connected; }
    void lockData();
    void unlockData();
    // Ends the connection and returns after the reading loop has ended
    // (at once when called from the reading thread itself).
    void stop();
    // One whole packet; false when it could not be sent.
    bool sendPacket(const PacketWriter& packet);
    Socket& getSocket() { return *socket; }

private:
    std::atomic<bool> stopFlag{false};
    int family;
    std::atomic<bool> connected{false};
    HANDLE dataMutex;
    CriticalLock writeLock;
    Socket* socket;
};
