// server_fixture.h -- a game server on 127.0.0.1 (a port the host picks) and
// scripted clients that speak the protocol over real sockets. Every read has
// a time limit, so a missing answer fails the test instead of hanging it.
#pragma once

#include "games/skyrend/multiplayer/game_server.h"
#include "games/skyrend/multiplayer/protocol.h"

#include "games/skyrend/flight/aircraft.h"

#include <os/wstring.h>

#include <os/winsock.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace skyrend::mp::testing {

// Polls `done` on the real clock for up to 30 seconds.
inline bool eventually(const std::function<bool()>& done)
{
    for (int i = 0; i < 3000; ++i)
    {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

class RecordingListener : public ServerListener
{
public:
    void log(const std::u16string& line) override
    {
        std::lock_guard<std::mutex> hold(lock);
        lines.push_back(line);
    }
    int count(const std::u16string& part)
    {
        std::lock_guard<std::mutex> hold(lock);
        int n = 0;
        for (const auto& l : lines)
            n += l.find(part) != std::u16string::npos;
        return n;
    }
    std::mutex lock;
    std::vector<std::u16string> lines;
};

// A client that sends what the test says and reads what comes back.
class ScriptClient
{
public:
    // `from` (host order) is the client's own address: 127.0.0.2, 127.0.0.3 ...
    // stand for clients on other machines.
    explicit ScriptClient(int port, int receiveBuffer = 0, uint32_t from = 0)
    {
        if (receiveBuffer > 0)
            socket.setReceiveBuffer(receiveBuffer);
        if (from != 0)
            socket.bindLocal(from);
        connected = socket.connect(u"127.0.0.1", port);
        socket.setReceiveTimeout(15000);
    }

    bool send(const PacketWriter& w) { return socket.sendPacket(w); }
    bool sendRaw(const std::vector<uint8_t>& bytes) { return socket.sendAll(bytes.data(), int(bytes.size())); }

    // The next message; false when the connection ended or nothing came.
    bool next(ServerMessage& m)
    {
        int16_t head = 0;
        m = ServerMessage{};
        return socket.readShort(head) && head == kHead && readServerMessage(socket, m);
    }

    // Reads until a message of `command`; states and notices on the way are
    // kept (notices in `notices`).
    ServerMessage expect(int16_t command)
    {
        ServerMessage m;
        while (next(m))
        {
            if (m.command == command)
                return m;
            if (m.command == CmdPlayerEntering || m.command == CmdPlayerLeaving)
                notices.push_back(m);
        }
        ADD_FAILURE() << "no message " << command << " came";
        return ServerMessage{};
    }

    std::u16string logOn(const std::u16string& user, const std::u16string& password = u"",
                         const std::u16string& game = kGameId)
    {
        PacketWriter w;
        writeLogOn(w, user, password, game);
        send(w);
        return expect(CmdLogOnAnswer).text;
    }

    std::vector<GroupEntry> groups(int scene)
    {
        PacketWriter w;
        writeGroupList(w, scene);
        send(w);
        return expect(CmdGroupListAnswer).groups;
    }

    std::u16string newGroup(const std::u16string& name, int scene)
    {
        PacketWriter w;
        writeNewGroup(w, name, scene);
        send(w);
        return expect(CmdNewGroupAnswer).text;
    }

    ServerMessage enter(const std::u16string& group, const std::u16string& user, int plane)
    {
        PacketWriter w;
        writeEnterGroup(w, group, user, int16_t(plane));
        send(w);
        return expect(CmdEnterAnswer);
    }

    void startFlying(const std::u16string& pilot)
    {
        PacketWriter w;
        writeMissilePositions(w, pilot, {});
        send(w);
    }

    // True when the server has closed the connection (a read ends).
    bool closedByServer()
    {
        ServerMessage m;
        while (next(m))
        {
        }
        return true;
    }

    Socket socket{false, 0};
    bool connected = false;
    std::vector<ServerMessage> notices;
};

// A client flying in its own thread: it answers every states message with
// its controls and counts what it got.
class FlyingClient
{
public:
    FlyingClient(int port, const std::u16string& name, const std::u16string& group) : client(port), name(name)
    {
        ok = client.logOn(name) == kLogOnAccepted && client.enter(group, name, 0).text == kGroupEntered;
    }
    ~FlyingClient() { stop(); }

    void start()
    {
        client.startFlying(name);
        thread = std::thread([this] { loop(); });
    }

    void stop()
    {
        quit = true;
        client.socket.close();
        if (thread.joinable())
            thread.join();
    }

    void setControls(const Controls& c)
    {
        std::lock_guard<std::mutex> hold(lock);
        controls = c;
    }

    // The last states message seen.
    ServerMessage lastStates()
    {
        std::lock_guard<std::mutex> hold(lock);
        return last;
    }

    int eventsSeen(const std::u16string& pilot)
    {
        std::lock_guard<std::mutex> hold(lock);
        auto it = events.find(pilot);
        return it == events.end() ? 0 : it->second;
    }

    ScriptClient client;
    std::u16string name;
    bool ok = false;
    std::atomic<int> states{0};
    std::atomic<bool> quit{false};

private:
    void loop()
    {
        ServerMessage m;
        while (!quit && client.next(m))
        {
            if (m.command == CmdPlayerEntering || m.command == CmdPlayerLeaving)
            {
                client.startFlying(name); // the game answers these with its missiles
                continue;
            }
            if (m.command != CmdStates)
                continue;
            Controls c;
            {
                std::lock_guard<std::mutex> hold(lock);
                last = m;
                for (const AircraftState& s : m.states)
                    events[s.pilot] |= s.block.events;
                c = controls;
            }
            states += 1;
            PacketWriter w;
            writeControls(w, c);
            if (!client.send(w))
                break;
        }
    }

    std::thread thread;
    std::mutex lock;
    Controls controls;
    ServerMessage last;
    std::map<std::u16string, int> events;
};

class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
        // The account list in the device tree.
        const char* root = std::getenv("OS_DEVICE_ROOT");
        ASSERT_NE(root, nullptr);
        std::filesystem::create_directories(std::string(root) + "/server");
        std::ofstream(std::string(root) + "/server/users.properties") << "<alice>=password:a1\n<bob>=password:b2\n";
    }

    void TearDown() override
    {
        stopServer();
        server.reset();
        WSACleanup();
    }

    // Stops the rounds, then the server.
    void stopServer()
    {
        quitRounds = true;
        if (rounds.joinable())
            rounds.join();
        if (server)
            server->stop();
    }

    void startServer(ServerSettings settings = {})
    {
        settings.port = 0;
        server = std::make_unique<GameServer>(settings, &listener, INADDR_LOOPBACK);
        server->setScenes({u"demo", u"sea"}, {false, true});
        server->setPlaneCount(2);
        server->setProgramFolder(u"\\server\\");
        if (logOnLimitMs != 0)
            server->setLimits(logOnLimitMs, messageLimitMs, maxWaiting);
        if (maxConnections != 0)
            server->setConnectionLimits(maxConnections, idleLimitMs);
        server->lockServer();
        server->createGroup(u"demo Default Group", u"ZEDEdorid", 0, true);
        server->createGroup(u"sea Default Group", u"ZEDEdorid", 1, true);
        server->unlockServer();
        // The rounds run here as fast as the clients keep up (one every
        // millisecond or so), each a 40 ms step, a second's maintenance tick
        // every 25 rounds.
        server->setUpdaterThread(false);
        ASSERT_TRUE(server->startServer());
        port = server->getPort();
        rounds = std::thread([this] {
            for (int n = 1; !quitRounds; ++n)
            {
                if (StateUpdater* u = server->getUpdater())
                {
                    u->windowSeconds = 1.0f;
                    u->fps = 25;
                    u->cycle(0.04f, n % 25 == 0);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }

    std::vector<std::u16string> membersOf(const std::u16string& group)
    {
        for (const GroupView& g : server->viewGroups())
        {
            if (g.name == group)
                return g.members;
        }
        return {};
    }

    bool hasGroup(const std::u16string& group)
    {
        for (const GroupView& g : server->viewGroups())
        {
            if (g.name == group)
                return true;
        }
        return false;
    }

    RecordingListener listener;
    // Connection limits other than the transport's (set before startServer).
    DWORD logOnLimitMs = 0, messageLimitMs = 0;
    int maxWaiting = TCPServer::kMaxWaiting;
    int maxConnections = 0; // 0: what the process can open
    DWORD idleLimitMs = TCPServer::kIdleLimitMs;
    std::unique_ptr<GameServer> server;
    std::thread rounds;
    std::atomic<bool> quitRounds{false};
    int port = 0;
};

} // namespace skyrend::mp::testing
