// tcp_server.h -- the server end of the game's TCP transport
//
// `TCPServer` accepts connections on its own thread and makes one
// `TCPClientHandler` (one reading thread) per connection; `StateUpdater`
// runs the server's paced cycles on a third kind of thread.
//
// One lock, the server lock (a recursive mutex), keeps the handler list and
// whatever the subclass shares apart: the accept thread takes it to add a
// handler, the updater holds it for a whole cycle, and handlers take it
// (`lockServer`) around their changes of shared state. Each handler has its
// own write lock, so packets of different threads never interleave on one
// socket. A handler whose thread has ended is removed from the list and
// deleted by the next cycle (or by `stop`).
//
// No cycle waits on one connection's socket: `sendPacket` only appends the
// packet to the connection's outgoing queue, and the connection's own writer
// thread sends it (under the write lock, the only writes to the socket). A
// queue that would pass `kMaxQueuedBytes` (a peer that stops reading), or a
// send that cannot finish within the send time limit, closes the connection.
#pragma once

#include "engine/platform/frame_timer.h"
#include "engine/platform/net_socket.h"
#include "engine/platform/net_thread.h"
#include "engine/platform/tcp_client.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

class TCPServer;

class TCPClientHandler : public Thread
{
public:
    TCPClientHandler(TCPServer* server, Socket* socket);
    ~TCPClientHandler() override;

    void run() override;
    // Reads one packet's body (the head is read); false ends the connection.
    virtual bool onPacket(Socket& socket) = 0;
    virtual void update(float) {}
    virtual bool wantsUpdate() { return false; }

    void lockServer();
    void unlockServer();
    // Ends the connection and returns after the reading thread has ended.
    void stop();
    // Queues one whole packet for the writer thread and returns at once;
    // false when the connection is closed or its queue is full (which closes
    // it). Packets go out whole and in the order they were queued.
    bool sendPacket(const PacketWriter& packet);
    // Bytes queued and not yet taken by the writer.
    size_t queuedBytes();
    // Closes the connection (the reading thread then ends).
    void disconnect();

    bool isConnected() const { return socket->isValid(); }
    bool hasEnded() const { return ended; }
    const WCHAR* getPeerAddress() const { return peerAddress; }
    TCPServer* getServer() const { return server; }
    FrameTimer& getFrameTimer() { return frameTimer; }

protected:
    Socket& getSocket() { return *socket; }

private:
    class Writer;
    void writeQueued();
    void stopWriter();

    std::atomic<bool> stopFlag{false};
    TCPServer* server;
    Socket* socket;
    WCHAR peerAddress[32] = {};
    CriticalLock writeLock;
    // The outgoing queue and its writer thread. The writer sleeps on its own
    // condition variable: a wake touches no other connection's thread.
    std::mutex queueLock;
    std::condition_variable queueReady;
    std::vector<uint8_t> queued;  // under queueLock
    bool writerQuit = false;      // under queueLock
    Writer* writer;
    FrameTimer frameTimer;
    std::atomic<bool> ended{false};
};

// The cycles are paced on the real clock (a network server's clients live on
// it, whatever clock the platform shows the program): `targetFps` cycles a
// second, each given the real time since the one before, at most one period.
// Every `windowMs` of real time the rate is measured and `onRateUpdate`
// follows that cycle. `stop` wakes a pause at once.
class StateUpdater : public Thread
{
public:
    explicit StateUpdater(TCPServer* server);
    ~StateUpdater() override;

    void run() override;
    virtual void onRateUpdate(float) {}
    virtual void update(float) {}
    virtual void postUpdate(float) {}
    // Ends the cycles after the current one and waits for the thread.
    void stop();
    // One cycle with the step dt: the work under the server lock, then, when
    // a measuring window closed, onRateUpdate. `run` repeats it; a test may
    // drive it from its own thread instead.
    void cycle(float dt, bool windowClosed);

    int targetFps = 30;
    int windowMs = 2000;
    // Cycles a second over the last window, and that window's real length.
    int fps = 0;
    float windowSeconds = 0.0f;

    TCPServer* getServer() const { return server; }

private:
    std::atomic<bool> stopFlag{false};
    TCPServer* server;
    HANDLE wake;
};

class TCPServer : public Thread
{
public:
    static constexpr DWORD kSendTimeoutMs = 1000;
    static constexpr int kSendBufferBytes = 128 * 1024;
    // A connection's outgoing queue holds at most this much (one packet of
    // any size is always taken into an empty queue).
    static constexpr size_t kMaxQueuedBytes = 64 * 1024;

    // Listens on INADDR_ANY and `port`; `bindAddress` (host order) narrows it,
    // and a port of 0 lets the host choose (`getPort` then tells it).
    TCPServer(int port, int family = 2, uint32_t bindAddress = 0);
    ~TCPServer() override;

    void run() override;
    enum Event
    {
        ServerStarted = 0,
        ServerStopped = 1,
        HandlerCreated = 2,
        HandlerEnded = 3,
    };
    virtual void onEvent(int, TCPClientHandler*) {}
    virtual void update(float) {}
    virtual TCPClientHandler* createHandler(Socket* socket) = 0;
    virtual StateUpdater* createStateUpdater() { return nullptr; }

    bool isListening() const { return listener && listener->isValid(); }
    // With false, `run` makes the updater but leaves its thread unstarted:
    // whoever calls `getUpdater()->cycle()` drives the cycles (tests that
    // pace them on the real clock). Call before `start`.
    void setUpdaterThread(bool on) { updaterThread = on; }
    StateUpdater* getUpdater() const { return updater; }
    int getPort() const { return port; }
    // The send time limit of connections accepted from now on (0: none).
    void setSendTimeout(DWORD ms) { sendTimeoutMs = ms; }
    DWORD getSendTimeout() const { return sendTimeoutMs; }
    // Stops accepting, stops the updater and every handler, then raises
    // `ServerStopped`. A server that never started only closes its socket.
    void stop();
    bool isRunning() const { return isStarted() && !stopFlag; }
    // Waits (real time, at most ms) until `run` has raised ServerStarted.
    bool waitStarted(DWORD ms);

    void lockServer();
    void unlockServer();
    // The cycle's walk over the handlers (under the server lock): ended ones
    // are removed and deleted; the rest are given to `visit`.
    template <typename Visit>
    void forEachHandler(Visit visit);
    size_t handlerCount() const { return handlers.size(); }

protected:
    std::vector<TCPClientHandler*> handlers; // under the server lock

private:
    void reapEnded();

    int port;
    [[maybe_unused]] int family; // as given; the listener is opened without it
    std::atomic<bool> stopFlag{false};
    std::atomic<bool> stopped{false};
    Socket* listener;
    std::atomic<StateUpdater*> updater{nullptr};
    bool updaterThread = true;
    std::atomic<DWORD> sendTimeoutMs{kSendTimeoutMs};
    CriticalLock serverLock;
    HANDLE startedEvent;
};

template <typename Visit>
void TCPServer::forEachHandler(Visit visit)
{
    reapEnded();
    for (size_t i = handlers.size(); i-- > 0;)
        visit(handlers[i]);
}
