// tcp_server.cpp -- TCPServer, TCPClientHandler and StateUpdater
#include "engine/platform/tcp_server.h"

#include <os/sync.h>

#include <algorithm>
#include <chrono>
#include <unordered_map>

namespace {

int64_t realNowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// ---- TCPClientHandler ----

TCPClientHandler::TCPClientHandler(TCPServer* owner, Socket* connection)
    : Thread(u"TCPClientHandler"), server(owner), socket(connection), acceptedUs(realNowUs()), lastMessageUs(acceptedUs)
{
    socket->setNoDelay(true);
    socket->setSendTimeout(TCPServer::kFlushWaitMs);
    socket->setSendBuffer(TCPServer::kSendBufferBytes);
    SocketAddress address;
    socket->getPeerAddress(address, peerAddress);
    peerIp = address.address;
}

TCPClientHandler::~TCPClientHandler()
{
    stop();
    delete socket;
}

void TCPClientHandler::run()
{
    bool stoppedByFlag = false;
    for (;;)
    {
        if (stopFlag)
        {
            stoppedByFlag = true;
            break;
        }
        // Between messages: a connection not yet admitted waits no longer
        // than its log-on time allows; an admitted one as long as it likes,
        // unless the subclass holds it to the idle limit.
        DWORD wait = 0;
        if (admitted)
        {
            if (isIdleLimited())
                wait = std::max<DWORD>(server->getIdleLimit(), 1);
        }
        else
        {
            const int64_t leftUs = int64_t(server->getLogOnLimit()) * 1000 - (realNowUs() - acceptedUs);
            if (leftUs <= 0)
            {
                server->onNotice(TCPServer::Notice::LogOnTimedOut, this, 0);
                break;
            }
            wait = DWORD((leftUs + 999) / 1000);
        }
        if (!socket->waitForData(wait))
        {
            if (socket->timedOut() && !stopFlag)
                server->onNotice(admitted ? TCPServer::Notice::IdleTimedOut : TCPServer::Notice::LogOnTimedOut, this,
                                 0);
            break;
        }
        // A message begun arrives whole within the message limit.
        socket->setMessageDeadline(server->getMessageLimit());
        int16_t head = 0;
        bool ok = socket->readShort(head);
        if (ok && head != kPacketHead)
        {
            // Logged by the server; the stream cannot be followed past it.
            server->onNotice(TCPServer::Notice::WrongHead, this, head);
            break;
        }
        if (ok)
        {
            // Before the subclass acts on it, so that its answer never
            // reaches the peer ahead of this time.
            lastMessageUs = realNowUs();
            ok = onPacket(*socket);
        }
        if (!ok)
        {
            if (socket->timedOut() && !stopFlag)
                server->onNotice(TCPServer::Notice::MessageTimedOut, this, 0);
            break;
        }
        socket->setMessageDeadline(0);
    }
    if (!stoppedByFlag && !stopFlag)
        server->onEvent(TCPServer::HandlerEnded, this);
    stopFlag = true;
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
    const uint8_t* bytes = packet.data();
    return sendWith(packet.size(), [bytes, &packet](uint8_t* out) { std::copy_n(bytes, packet.size(), out); });
}

bool TCPClientHandler::sendWith(size_t size, const std::function<void(uint8_t*)>& fill)
{
    bool overflow = false;
    bool ok;
    {
        std::lock_guard<std::mutex> hold(outLock);
        ok = sendLocked(size, fill, overflow);
    }
    if (overflow)
        server->onNotice(TCPServer::Notice::QueueFull, this, 0);
    return ok;
}

bool TCPClientHandler::sendLocked(size_t size, const std::function<void(uint8_t*)>& fill, bool& overflow)
{
    if (!socket->isValid())
        return false;
    if (!queued.empty())
    {
        // The socket's buffer was full: the packet waits behind the others.
        if (queued.size() + size > TCPServer::kMaxQueuedBytes)
        {
            overflow = true;
            socket->close(); // a peer that does not take its packets is dropped
            return false;
        }
        const size_t at = queued.size();
        queued.resize(at + size);
        fill(queued.data() + at);
        return true;
    }
    // The usual case: the whole packet goes to the socket at once.
    thread_local std::vector<uint8_t> scratch;
    scratch.resize(size);
    fill(scratch.data());
    const int n = socket->sendSome(scratch.data(), int(size));
    if (n < 0)
    {
        socket->close();
        return false;
    }
    bytesSent += uint64_t(n);
    if (size_t(n) < size)
        queued.assign(scratch.begin() + n, scratch.end());
    return true;
}

bool TCPClientHandler::sendQueuedLocked()
{
    if (queued.empty() || !socket->isValid())
        return true;
    const int n = socket->sendSome(queued.data(), int(queued.size()));
    if (n < 0)
    {
        socket->close();
        queued.clear();
        return false;
    }
    bytesSent += uint64_t(n);
    queued.erase(queued.begin(), queued.begin() + n);
    return true;
}

void TCPClientHandler::sendQueued()
{
    std::lock_guard<std::mutex> hold(outLock);
    sendQueuedLocked();
}

size_t TCPClientHandler::queuedBytes()
{
    std::lock_guard<std::mutex> hold(outLock);
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
    join();
    CloseHandle(wake);
}

void StateUpdater::stop()
{
    stopFlag = true;
    SetEvent(wake);
}

void StateUpdater::run()
{
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / std::max(1, targetFps));
    const auto pause = std::chrono::milliseconds(std::max(0, pauseMs));
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
        // The next cycle is due one period after this one was, and never
        // sooner than the pause after this one ended; a late cycle starts
        // the count again rather than running several at once.
        due += period;
        const auto after = Clock::now();
        if (due < after + pause)
            due = after + pause;
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - after + std::chrono::microseconds(500));
        WaitForSingleObject(wake, DWORD(wait.count()));
    }
}

void StateUpdater::cycle(float dt, bool windowClosed)
{
    ScopedLock cycleHeld(cycleLock);
    if (stopFlag)
        return;
    cycleStartUs = realNowUs();
    server->lockServer();
    lockWaitUs = realNowUs() - cycleStartUs;
    update(dt);
    server->update(dt);
    std::vector<TCPClientHandler*> waiting; // connections with packets left over
    server->forEachHandler([dt, &waiting](TCPClientHandler* handler) {
        if (!handler->isConnected())
            return;
        if (handler->queuedBytes() > 0)
            waiting.push_back(handler);
        if (handler->wantsUpdate())
        {
            handler->getFrameTimer().tick();
            handler->update(dt);
        }
    });
    lockHeldUs = realNowUs() - cycleStartUs - lockWaitUs;
    server->unlockServer();
    // Only this thread deletes handlers (in the walk above), so they stay
    // while the sends below run outside the lock.
    for (TCPClientHandler* handler : waiting)
        handler->sendQueued();
    postUpdate(dt);
    if (windowClosed)
        onRateUpdate(dt);
}

// ---- TCPServer ----

TCPServer::TCPServer(int listenPort, int addressFamily, uint32_t bindAddress)
    : Thread(u"TCPServer"), port(listenPort), family(addressFamily)
{
    listener = Socket::listenOn(bindAddress, listenPort, kListenBacklog);
    maxConnections = std::clamp(socketLimit() - kReservedSockets, 1, kMaxConnections);
    if (listener && listenPort == 0)
        port = listener->getLocalPort();
    startedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

TCPServer::~TCPServer()
{
    stop();
    delete listener;
    CloseHandle(startedEvent);
    CloseHandle(stopEvent);
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
    int failures = 0;
    while (!stopFlag && listener)
    {
        Socket* client = listener->acceptConnection();
        if (!client)
        {
            if (stopFlag || !listener->isValid())
                break;
            // No descriptor left, or the host refused for a while: the
            // server keeps serving and tries again after a pause.
            if (failures++ == 0)
                onNotice(Notice::AcceptFailed, nullptr, listener->lastError());
            WaitForSingleObject(stopEvent, kAcceptRetryMs);
            continue;
        }
        if (failures > 0)
        {
            onNotice(Notice::AcceptResumed, nullptr, failures);
            failures = 0;
        }
        if (stopFlag)
        {
            delete client;
            break;
        }
        SocketAddress peer;
        client->getPeerName(peer);
        lockServer();
        limitWaiting(peer.address);
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

void TCPServer::limitWaiting(uint32_t incoming)
{
    // Room for the connection being accepted: while the connections waiting
    // to be admitted are at the limit, or all of them at the connection
    // limit, one waiting connection goes: the oldest of the new one's own
    // address when it has any waiting, else the oldest of the address that
    // holds the most. A crowd from one address thus only ever closes its
    // own, once it holds a place.
    for (;;)
    {
        int waiting = 0, connected = 0;
        std::unordered_map<uint32_t, int> perAddress;
        for (TCPClientHandler* h : handlers)
        {
            if (!h->isConnected())
                continue;
            connected += 1;
            if (h->isAdmitted())
                continue;
            waiting += 1;
            perAddress[h->getPeerIp()] += 1;
        }
        if (waiting == 0 || (waiting < maxWaiting && connected < maxConnections))
            return;
        uint32_t from = incoming;
        if (perAddress.find(from) == perAddress.end())
        {
            int most = 0;
            for (TCPClientHandler* h : handlers)
            {
                // The first in accept order among the largest crowds.
                if (h->isConnected() && !h->isAdmitted() && perAddress[h->getPeerIp()] > most)
                {
                    most = perAddress[h->getPeerIp()];
                    from = h->getPeerIp();
                }
            }
        }
        TCPClientHandler* oldest = nullptr;
        for (TCPClientHandler* h : handlers)
        {
            if (h->isConnected() && !h->isAdmitted() && h->getPeerIp() == from)
            {
                oldest = h;
                break;
            }
        }
        onNotice(Notice::TooManyWaiting, oldest, waiting);
        oldest->disconnect();
    }
}

bool TCPServer::hasRoomToAdmit()
{
    TCPClientHandler* caller = nullptr;
    for (TCPClientHandler* h : handlers)
    {
        if (h->isCurrent())
        {
            caller = h;
            break;
        }
    }
    return makeRoomToAdmit(caller);
}

bool TCPServer::makeRoomToAdmit(TCPClientHandler* newcomer)
{
    const int places = std::max(1, maxConnections - maxWaiting);
    int admitted = 0;
    std::unordered_map<uint32_t, int> perAddress;
    for (TCPClientHandler* h : handlers)
    {
        if (h == newcomer || !h->isConnected() || !h->isAdmitted())
            continue;
        admitted += 1;
        perAddress[h->getPeerIp()] += 1;
    }
    if (admitted < places)
        return true;
    if (!newcomer)
        return false;
    // Full. The newcomer's address takes a place from the address that holds
    // the most only while it holds fewer than its share; the other address
    // then still holds more than the newcomer's will, so places never swing
    // back and forth between two addresses.
    const int mine = perAddress[newcomer->getPeerIp()]; // its address is among those sharing
    const int share = places / int(perAddress.size());
    if (mine >= share)
        return false;
    int most = 0;
    for (const auto& [address, count] : perAddress)
        most = std::max(most, count);
    TCPClientHandler* idlest = nullptr;
    for (TCPClientHandler* h : handlers)
    {
        if (h == newcomer || !h->isConnected() || !h->isAdmitted() || perAddress[h->getPeerIp()] != most)
            continue;
        if (!idlest || h->lastMessageTime() < idlest->lastMessageTime())
            idlest = h;
    }
    if (!idlest)
        return false;
    onNotice(Notice::MadeRoom, idlest, most);
    idlest->disconnect();
    return true;
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
            endedBytes += handler->sentBytes();
            delete handler; // its thread has left every shared state
        }
    }
}

uint64_t TCPServer::totalBytesSent()
{
    lockServer();
    uint64_t total = endedBytes;
    for (TCPClientHandler* h : handlers)
        total += h->sentBytes();
    unlockServer();
    return total;
}

void TCPServer::stop()
{
    if (stopped.exchange(true))
        return;
    stopFlag = true;
    SetEvent(stopEvent);
    if (listener)
        listener->close();
    join();
    // Every connection is closed first: no thread below can then wait on a
    // peer, whatever the peers do.
    lockServer();
    for (TCPClientHandler* handler : handlers)
        handler->disconnect();
    unlockServer();
    if (StateUpdater* u = updater.exchange(nullptr))
    {
        // Between two cycles.
        u->cycleLock.lock();
        u->stop();
        u->cycleLock.unlock();
        u->join();
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
    {
        endedBytes += handler->sentBytes();
        delete handler;
    }
    if (isStarted())
        onEvent(ServerStopped, nullptr);
}
