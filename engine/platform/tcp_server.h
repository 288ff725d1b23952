// tcp_server.h -- the server end of the game's TCP transport
//
// `TCPServer` accepts connections on its own thread and makes one
// `TCPClientHandler` (one reading thread) per connection; `StateUpdater`
// runs the server's paced cycles on a third kind of thread.
//
// One lock, the server lock (a recursive mutex), keeps the handler list and
// whatever the subclass shares apart: the accept thread takes it to add a
// handler, the updater holds it for the work of a cycle, and handlers take
// it (`lockServer`) around their changes of shared state. A handler whose
// thread has ended is removed from the list and deleted by the next cycle
// (or by `stop`).
//
// No thread ever waits on a peer: `sendPacket` sends at once what the
// socket's buffer takes and keeps the rest in the connection's outgoing
// queue (a send waits at most `kFlushWaitMs` for room). The next cycle
// sends what is queued; a queue that would pass `kMaxQueuedBytes` (a peer
// that stops reading) closes the connection. A cycle's own sends run after
// the server lock is released (`postUpdate`).
//
// A server that faces a network bounds what a peer can hold: a connection
// that has not been admitted (logged on) within `logOnLimitMs` is closed,
// a message begun must arrive whole within `messageLimitMs`, at most
// `maxWaiting` connections wait to be admitted (for a new one the oldest of
// its own address goes, or when it has none waiting the oldest of the address
// that holds the most, so one address's crowd only ever closes its own once
// it holds a place), connections stay below what the process can open
// (admitted ones leave room for `maxWaiting` more), one address cannot keep
// the others out (when every place is taken, a connection from an address
// below its share is admitted in the place of the longest-idle one of the
// address that holds the most: `hasRoomToAdmit`), an admitted connection
// that the subclass calls idle-limited is closed after `idleLimitMs` without
// a message, and a failed accept (no descriptor left, ...) is retried after
// a pause. What happened reaches the subclass as a `Notice`.
#pragma once

#include "engine/platform/frame_timer.h"
#include "engine/platform/net_socket.h"
#include "engine/platform/net_thread.h"
#include "engine/platform/tcp_client.h"

#include <atomic>
#include <cstdint>
#include <functional>
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
    // Asked on the connection's own thread before each wait for a message:
    // whether an admitted connection is closed after the server's idle
    // limit without a message.
    virtual bool isIdleLimited() { return false; }

    void lockServer();
    void unlockServer();
    // Ends the connection and returns after the reading thread has ended.
    void stop();
    // Sends one whole packet: what the socket takes now goes out, the rest
    // waits in the outgoing queue for the next cycle; false when the
    // connection is closed or its queue is full (which closes it). Packets
    // go out whole and in the order they were given.
    bool sendPacket(const PacketWriter& packet);
    // The same for `size` bytes that `fill` writes (one copy, no packet).
    bool sendWith(size_t size, const std::function<void(uint8_t*)>& fill);
    // Sends what the queue holds, as far as the socket takes it.
    void sendQueued();
    // Bytes queued and not yet sent.
    size_t queuedBytes();
    // Bytes handed to the socket so far.
    uint64_t sentBytes() const { return bytesSent; }
    // Closes the connection (the reading thread then ends).
    void disconnect();
    // The peer is admitted (logged on): no log-on time limit, and it no
    // longer counts among the connections waiting to be admitted.
    void admit() { admitted = true; }
    bool isAdmitted() const { return admitted; }
    // When the last message's head was read (real clock, microseconds; the
    // time of the accept before the first).
    int64_t lastMessageTime() const { return lastMessageUs; }

    bool isConnected() const { return socket->isValid(); }
    bool hasEnded() const { return ended; }
    const WCHAR* getPeerAddress() const { return peerAddress; }
    // The peer's IPv4 address (network order).
    uint32_t getPeerIp() const { return peerIp; }
    TCPServer* getServer() const { return server; }
    FrameTimer& getFrameTimer() { return frameTimer; }

protected:
    Socket& getSocket() { return *socket; }

private:
    // Under outLock: appends `size` bytes and sends what the socket takes.
    bool sendLocked(size_t size, const std::function<void(uint8_t*)>& fill, bool& overflow);
    bool sendQueuedLocked();

    std::atomic<bool> stopFlag{false};
    TCPServer* server;
    Socket* socket;
    WCHAR peerAddress[32] = {};
    uint32_t peerIp = 0;
    int64_t acceptedUs; // real clock
    std::atomic<int64_t> lastMessageUs;
    std::atomic<bool> admitted{false};
    // The outgoing queue; not empty only while the socket's buffer is full.
    std::mutex outLock;
    std::vector<uint8_t> queued; // under outLock
    std::atomic<uint64_t> bytesSent{0};
    FrameTimer frameTimer;
    std::atomic<bool> ended{false};
};

// The cycles are paced on the real clock (a network server's clients live on
// it, whatever clock the platform shows the program): `targetFps` cycles a
// second, at least `pauseMs` apart, each given the real time since the one
// before, at most one period. Every `windowMs` of real time the rate is
// measured and `onRateUpdate` follows that cycle. `stop` wakes a pause at
// once.
class StateUpdater : public Thread
{
public:
    explicit StateUpdater(TCPServer* server);
    ~StateUpdater() override;

    void run() override;
    virtual void onRateUpdate(float) {}
    // Under the server lock: the cycle's work.
    virtual void update(float) {}
    // After the server lock is released: what the cycle sends.
    virtual void postUpdate(float) {}
    // Ends the cycles after the current one (the thread ends by itself;
    // the destructor waits for it).
    void stop();
    // One cycle with the step dt, under the updater's own lock: the work
    // under the server lock (update, the server's update, the handlers'),
    // then postUpdate, then, when a measuring window closed, onRateUpdate.
    // `run` repeats it; a test may drive it from its own thread instead.
    void cycle(float dt, bool windowClosed);

    int targetFps = 30;
    int windowMs = 2000;
    int pauseMs = 0;
    // Cycles a second over the last window, and that window's real length.
    int fps = 0;
    float windowSeconds = 0.0f;
    // The current cycle: when it began (real clock, microseconds), how long
    // it waited for the server lock and how long it held it.
    int64_t cycleStartUs = 0;
    int64_t lockWaitUs = 0;
    int64_t lockHeldUs = 0;

    TCPServer* getServer() const { return server; }

private:
    friend class TCPServer;
    std::atomic<bool> stopFlag{false};
    TCPServer* server;
    HANDLE wake;
    // The updater's own lock, held for a whole cycle: the server takes it
    // to stop the updater between cycles.
    CriticalLock cycleLock;
};

class TCPServer : public Thread
{
public:
    static constexpr int kSendBufferBytes = 128 * 1024;
    // A connection's outgoing queue holds at most this much (one packet of
    // any size is always taken into an empty queue).
    static constexpr size_t kMaxQueuedBytes = 64 * 1024;
    // The longest a send waits for room in a socket's buffer.
    static constexpr DWORD kFlushWaitMs = 1;
    // Connections that arrive at once wait in the host's queue, not refused.
    static constexpr int kListenBacklog = 1024;
    static constexpr DWORD kLogOnLimitMs = 20000;
    static constexpr DWORD kMessageLimitMs = 10000;
    static constexpr int kMaxWaiting = 64;
    static constexpr DWORD kIdleLimitMs = 60000;
    // Sockets the process keeps for itself (files, the console, the
    // listener) below what it may open.
    static constexpr int kReservedSockets = 64;
    // Connections at most, whatever the host allows (a thread each).
    static constexpr int kMaxConnections = 4096;
    // The pause before a failed accept is tried again.
    static constexpr DWORD kAcceptRetryMs = 100;

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
    // What the transport did on its own; `value` is an error code
    // (AcceptFailed) or a count (AcceptResumed: the failed attempts).
    enum class Notice
    {
        AcceptFailed,    // accepting failed; it is tried again after a pause
        AcceptResumed,   // accepting works again
        WrongHead,       // a packet did not start with the head: closed
        MessageTimedOut, // a message stopped half way: closed
        LogOnTimedOut,   // not admitted within the limit: closed
        TooManyWaiting,  // the oldest connection waiting to be admitted: closed
        QueueFull,       // a peer that does not take its packets: closed
        IdleTimedOut,    // an idle-limited connection sent nothing in time: closed
        MadeRoom,        // the longest-idle admitted connection of the address that
                         // holds the most, for one from an address below its share:
                         // closed (value: the admitted connections its address held)
    };
    virtual void onEvent(int, TCPClientHandler*) {}
    virtual void onNotice(Notice, TCPClientHandler*, int) {}
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
    // The limits of connections (tests make them short); call before `start`.
    void setLimits(DWORD logOnMs, DWORD messageMs, int waiting)
    {
        logOnLimitMs = logOnMs;
        messageLimitMs = messageMs;
        maxWaiting = waiting;
    }
    // At most `connections` at once (below what the process can open; made
    // at least `maxWaiting` + 1), and the idle limit of idle-limited ones.
    void setConnectionLimits(int connections, DWORD idleMs)
    {
        maxConnections = connections;
        idleLimitMs = idleMs;
    }
    DWORD getLogOnLimit() const { return logOnLimitMs; }
    DWORD getMessageLimit() const { return messageLimitMs; }
    DWORD getIdleLimit() const { return idleLimitMs; }
    int getMaxConnections() const { return maxConnections; }
    // Under the server lock, before `newcomer` is admitted: whether it may be
    // (admitted ones leave room for those waiting to be). When every place
    // is taken, the places are shared among the addresses that hold admitted
    // connections, the newcomer's counted: a newcomer whose address holds
    // fewer than its share (places / addresses, rounded down) is admitted in
    // the place of the longest-idle admitted connection of the address that
    // holds the most, which is closed (`Notice::MadeRoom`). A newcomer from
    // the address that holds the most, or from the only one, finds no room.
    bool makeRoomToAdmit(TCPClientHandler* newcomer);
    // The same for the connection whose thread asks (a subclass's log-on);
    // from any other thread only whether a place is free.
    bool hasRoomToAdmit();
    // Stops accepting, closes every connection, stops the updater and every
    // handler, then raises `ServerStopped`; waits on no peer. A server that
    // never started only closes its socket.
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
    // Bytes every connection has handed to its socket so far (takes the lock).
    uint64_t totalBytesSent();

protected:
    std::vector<TCPClientHandler*> handlers; // under the server lock

private:
    void reapEnded();
    // Under the server lock: makes room among the connections waiting to be
    // admitted for one from `incoming` (its address, network order).
    void limitWaiting(uint32_t incoming);

    int port;
    [[maybe_unused]] int family; // as given; the listener is opened without it
    std::atomic<bool> stopFlag{false};
    std::atomic<bool> stopped{false};
    Socket* listener;
    std::atomic<StateUpdater*> updater{nullptr};
    bool updaterThread = true;
    DWORD logOnLimitMs = kLogOnLimitMs;
    DWORD messageLimitMs = kMessageLimitMs;
    int maxWaiting = kMaxWaiting;
    DWORD idleLimitMs = kIdleLimitMs;
    int maxConnections;
    std::atomic<uint64_t> endedBytes{0};
    CriticalLock serverLock;
    HANDLE startedEvent;
    HANDLE stopEvent;
};

template <typename Visit>
void TCPServer::forEachHandler(Visit visit)
{
    reapEnded();
    for (size_t i = handlers.size(); i-- > 0;)
        visit(handlers[i]);
}
