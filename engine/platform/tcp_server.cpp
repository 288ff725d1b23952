// tcp_server.cpp -- TCPServer, TCPClientHandler and StateUpdater
#include "engine/platform/tcp_server.h"

#include <os/sync.h>
#include <os/user.h>
#include <os/wstring.h>

#include <algorithm>
#include <chrono>

// ---- TCPClientHandler ----

// The connection's writer: sends what the queue holds whenever it is woken.
class TCPClientHandler::Writer : public Thread
{
public:
    explicit Writer(TCPClientHandler& h) : Thread(u"TCPClientWriter"), handler(h) {}
    void run() override { handler.writeQueued(); }

private:
    TCPClientHandler& handler;
};

TCPClientHandler::TCPClientHandler(TCPServer* owner, Socket* connection)
    : Thread(u"TCPClientHandler"), server(owner), socket(connection)
{
    socket->setNoDelay(true);
    socket->setSendTimeout(server->getSendTimeout());
    socket->setSendBuffer(TCPServer::kSendBufferBytes);
    SocketAddress address;
    socket->getPeerAddress(address, peerAddress);
    writer = new Writer(*this);
}

TCPClientHandler::~TCPClientHandler()
{
    stop();
    stopWriter(); // a handler whose thread never started
    delete writer;
    delete socket;
}

void TCPClientHandler::writeQueued()
{
    std::vector<uint8_t> out;
    for (;;)
    {
        out.clear();
        {
            std::unique_lock<std::mutex> hold(queueLock);
            queueReady.wait(hold, [this] { return writerQuit || !queued.empty(); });
            if (queued.empty())
                return; // told to quit, and everything is out
            out.swap(queued);
        }
        ScopedLock hold(writeLock);
        if (!socket->sendAll(out.data(), int(out.size())))
            socket->close(); // a peer that cannot take its packets is dropped
    }
}

// Lets the writer send what is queued (or fail on a closed socket), then ends it.
void TCPClientHandler::stopWriter()
{
    {
        std::lock_guard<std::mutex> hold(queueLock);
        writerQuit = true;
    }
    queueReady.notify_one();
    writer->join();
}

void TCPClientHandler::run()
{
    writer->start();
    bool stoppedByFlag = false;
    for (;;)
    {
        if (stopFlag)
        {
            stoppedByFlag = true;
            break;
        }
        int16_t head = 0;
        if (!socket->readShort(head))
            break;
        if (head != kPacketHead)
        {
            MessageBoxW(nullptr, u"Server got a wrong TCP Packet Head from client.", u"ZEDEdorid Error", MB_OK);
            break;
        }
        if (!onPacket(*socket))
            break;
    }
    if (!stoppedByFlag && !stopFlag)
        server->onEvent(TCPServer::HandlerEnded, this);
    stopFlag = true;
    stopWriter(); // answers queued before the end still go out
    socket->close();
    ended = true;
}

void TCPClientHandler::lockServer()
{
    server->lockServer();
}

void TCPClientHandler::unlockServer()
{
    server->unlockServer();
}

void TCPClientHandler::stop()
{
    stopFlag = true;
    socket->close();
    join();
}

void TCPClientHandler::disconnect()
{
    socket->close();
}

bool TCPClientHandler::sendPacket(const PacketWriter& packet)
{
    if (!socket->isValid())
        return false;
    bool full = false;
    bool wake = false;
    {
        std::lock_guard<std::mutex> hold(queueLock);
        if (!queued.empty() && queued.size() + packet.size() > TCPServer::kMaxQueuedBytes)
        {
            full = true;
        }
        else
        {
            wake = queued.empty();
            queued.insert(queued.end(), packet.data(), packet.data() + packet.size());
        }
    }
    if (full)
    {
        socket->close(); // a peer that does not take its packets is dropped
        return false;
    }
    if (wake)
        queueReady.notify_one();
    return true;
}

size_t TCPClientHandler::queuedBytes()
{
    std::lock_guard<std::mutex> hold(queueLock);
    return queued.size();
}

// ---- StateUpdater ----

StateUpdater::StateUpdater(TCPServer* owner) : Thread(u"StateUpdater"), server(owner)
{
    wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

StateUpdater::~StateUpdater()
{
    stop();
    CloseHandle(wake);
}

void StateUpdater::stop()
{
    stopFlag = true;
    SetEvent(wake);
    join();
}

void StateUpdater::run()
{
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / std::max(1, targetFps));
    auto last = Clock::now();
    auto due = last;
    auto windowStart = last;
    int cycles = 0;
    while (!stopFlag)
    {
        const auto now = Clock::now();
        const float dt = std::chrono::duration<float>(std::min<Clock::duration>(now - last, period)).count();
        last = now;
        cycles += 1;
        bool closed = false;
        if (now - windowStart >= std::chrono::milliseconds(windowMs))
        {
            windowSeconds = std::chrono::duration<float>(now - windowStart).count();
            fps = int(float(cycles) / windowSeconds + 0.5f);
            windowStart = now;
            cycles = 0;
            closed = true;
        }
        cycle(dt > 0.0f ? dt : 1e-6f, closed);
        // The next cycle is due one period after this one was; a late cycle
        // starts the count again rather than running several at once.
        due += period;
        const auto after = Clock::now();
        if (due < after)
            due = after;
        const auto pause = std::chrono::duration_cast<std::chrono::milliseconds>(due - after).count();
        WaitForSingleObject(wake, DWORD(pause));
    }
}

void StateUpdater::cycle(float dt, bool windowClosed)
{
    server->lockServer();
    update(dt);
    server->update(dt);
    server->forEachHandler([dt](TCPClientHandler* handler) {
        if (handler->isConnected() && handler->wantsUpdate())
        {
            handler->getFrameTimer().tick();
            handler->update(dt);
        }
    });
    postUpdate(dt);
    if (windowClosed)
        onRateUpdate(dt);
    server->unlockServer();
}

// ---- TCPServer ----

TCPServer::TCPServer(int listenPort, int addressFamily, uint32_t bindAddress)
    : Thread(u"TCPServer"), port(listenPort), family(addressFamily)
{
    listener = Socket::listenOn(bindAddress, listenPort, 5);
    if (listener && listenPort == 0)
        port = listener->getLocalPort();
    startedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

TCPServer::~TCPServer()
{
    stop();
    delete listener;
    CloseHandle(startedEvent);
}

void TCPServer::lockServer()
{
    serverLock.lock();
}

void TCPServer::unlockServer()
{
    serverLock.unlock();
}

void TCPServer::run()
{
    StateUpdater* made = createStateUpdater();
    updater = made;
    if (made && updaterThread)
        made->start();
    onEvent(ServerStarted, nullptr);
    SetEvent(startedEvent);
    while (!stopFlag && listener)
    {
        Socket* client = listener->accept();
        if (!client)
            break;
        if (stopFlag)
        {
            delete client;
            break;
        }
        lockServer();
        TCPClientHandler* handler = createHandler(client);
        if (handler)
        {
            onEvent(HandlerCreated, handler);
            handlers.push_back(handler);
            handler->start();
        }
        else
        {
            delete client;
        }
        unlockServer();
    }
    stopFlag = true;
}

bool TCPServer::waitStarted(DWORD ms)
{
    return isStarted() && WaitForSingleObject(startedEvent, ms) == WAIT_OBJECT_0;
}

void TCPServer::reapEnded()
{
    for (size_t i = handlers.size(); i-- > 0;)
    {
        if (handlers[i]->hasEnded())
        {
            TCPClientHandler* handler = handlers[i];
            handlers.erase(handlers.begin() + long(i));
            delete handler; // its thread has left every shared state
        }
    }
}

void TCPServer::stop()
{
    if (stopped.exchange(true))
        return;
    stopFlag = true;
    if (listener)
        listener->close();
    join();
    if (StateUpdater* u = updater.exchange(nullptr))
    {
        u->stop();
        delete u;
    }
    // Handlers are stopped outside the server lock: a handler that is ending
    // may be waiting for it.
    lockServer();
    std::vector<TCPClientHandler*> all;
    all.swap(handlers);
    unlockServer();
    for (TCPClientHandler* handler : all)
        handler->stop();
    for (TCPClientHandler* handler : all)
        delete handler;
    if (isStarted())
        onEvent(ServerStopped, nullptr);
}
