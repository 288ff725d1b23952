// server_load.cpp -- the game server under load on the loopback address.
//
//   skyrend_server_load [CLIENTS...] [--seconds S]
//
// For each client count (default 8 64 256 1000) a game server is started on
// 127.0.0.1 (a port the host picks) with one group per 8 clients, and a
// second process connects that many clients. Each client logs on, enters
// its group, starts flying and answers every states message with its
// controls, as the game does, so each sends 25 controls a second while the
// server holds 25 rounds a second. After a settling second the run measures
// for S seconds (default 10) and prints the round time (median and 99th
// percentile of the server's real time per round), the states messages sent
// a second, the rounds a second and the server process's memory. Every run
// is bounded: the client process is ended after S + 60 seconds at most.
#include "engine/platform/net_socket.h"
#include "games/skyrend/multiplayer/game_server.h"
#include "games/skyrend/multiplayer/protocol.h"

#include <os/winsock.h>
#include <os/wstring.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace skyrend::mp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kGroupSize = 8;

std::u16string groupName(int i)
{
    return os::to_u16("g" + std::to_string(i));
}

std::u16string userName(int i)
{
    return os::to_u16("<p" + std::to_string(i) + ">");
}

void raiseFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0)
    {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

// ---- the client process ----

struct LoadClient
{
    Socket socket{false, 0};
    int index = 0;
    std::atomic<bool>* quit = nullptr;
    std::atomic<long>* controlsSent = nullptr;
    bool ready = false;

    bool expect(int16_t command, ServerMessage& m)
    {
        int16_t head = 0;
        while (socket.readShort(head) && head == kHead && readServerMessage(socket, m))
        {
            if (m.command == command)
                return true;
        }
        return false;
    }

    void run(int port)
    {
        if (!socket.connect(u"127.0.0.1", port))
            return;
        socket.setReceiveTimeout(20000);
        PacketWriter w;
        ServerMessage m;
        writeLogOn(w, userName(index), u"");
        if (!socket.sendPacket(w) || !expect(CmdLogOnAnswer, m) || m.text != kLogOnAccepted)
            return;
        w.clear();
        writeEnterGroup(w, groupName(index / kGroupSize), userName(index), 0);
        if (!socket.sendPacket(w) || !expect(CmdEnterAnswer, m) || m.text != kGroupEntered)
            return;
        ready = true;
        w.clear();
        writeMissilePositions(w, userName(index), {});
        socket.sendPacket(w);
        Controls controls;
        controls.keyBits = (index % 3 == 0) ? 8 : (index % 3 == 1 ? 1 : 0);
        PacketWriter answer;
        writeControls(answer, controls);
        int16_t head = 0;
        while (!*quit && socket.readShort(head) && head == kHead && readServerMessage(socket, m))
        {
            if (m.command == CmdPlayerEntering || m.command == CmdPlayerLeaving)
            {
                w.clear();
                writeMissilePositions(w, userName(index), {});
                socket.sendPacket(w);
                continue;
            }
            if (m.command != CmdStates)
                continue;
            if (!socket.sendPacket(answer))
                break;
            *controlsSent += 1;
        }
    }
};

int runClients(int count, int port, int seconds)
{
    raiseFileLimit();
    if (!startupSockets())
        return 2;
    std::atomic<bool> quit{false};
    std::atomic<long> controls{0};
    std::vector<LoadClient> clients(static_cast<size_t>(count));
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
    {
        clients[size_t(i)].index = i;
        clients[size_t(i)].quit = &quit;
        clients[size_t(i)].controlsSent = &controls;
        threads.emplace_back([&, i] { clients[size_t(i)].run(port); });
        // Players arrive one after another, not in one burst.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // The clients end when the server closes their connections; at the
    // latest after `seconds`, when they are closed here.
    std::atomic<int> done{0};
    std::thread watchdog([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        while (done == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        quit = true;
        for (auto& c : clients)
            c.socket.close();
    });
    for (auto& t : threads)
        t.join();
    done = 1;
    watchdog.join();
    int ready = 0;
    for (auto& c : clients)
        ready += c.ready;
    std::printf("clients ready: %d of %d, controls sent: %ld\n", ready, count, controls.load());
    cleanupSockets();
    return ready == count ? 0 : 1;
}

// ---- the server process ----

struct Figures
{
    double medianMs = 0, p99Ms = 0, maxMs = 0, statesPerSecond = 0, roundsPerSecond = 0;
    long residentKb = 0;
    size_t users = 0;
};

double percentile(std::vector<uint32_t>& v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return double(v[i]) / 1000.0;
}

bool measure(int count, int seconds, const char* self, Figures& out)
{
    ServerSettings settings;
    settings.port = 0;
    settings.maxUsersPerGrp = kGroupSize;
    settings.defaultGroups = false;
    GameServer server(settings, nullptr, INADDR_LOOPBACK);
    if (!server.isListening())
        return false;
    server.setScenes({u"demo"}, {false});
    server.setPlaneCount(1);
    server.lockServer();
    for (int g = 0; g < (count + kGroupSize - 1) / kGroupSize; ++g)
        server.createGroup(groupName(g), u"load", 0, true);
    server.unlockServer();
    server.startServer();

    // The clients run until the server stops, at most this long.
    const int clientSeconds = seconds + 90;
    const pid_t pid = fork();
    if (pid == 0)
    {
        const std::string n = std::to_string(count), p = std::to_string(server.getPort()),
                          s = std::to_string(clientSeconds);
        execl(self, self, "--clients", n.c_str(), "--port", p.c_str(), "--seconds", s.c_str(), nullptr);
        _exit(127);
    }
    // Wait until every client has logged on (bounded), then settle for a second.
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline)
    {
        server.lockServer();
        size_t users = server.getUsers().size();
        server.unlockServer();
        if (users >= size_t(count))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    server.takeRoundTimes();
    const uint64_t states0 = server.statesSent, rounds0 = server.rounds;
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<uint32_t> times = server.takeRoundTimes();
    out.statesPerSecond = double(server.statesSent - states0) / elapsed;
    out.roundsPerSecond = double(server.rounds - rounds0) / elapsed;
    out.residentKb = residentKb();
    server.lockServer();
    out.users = server.getUsers().size();
    server.unlockServer();
    out.medianMs = percentile(times, 0.5);
    out.p99Ms = percentile(times, 0.99);
    out.maxMs = times.empty() ? 0 : double(times.back()) / 1000.0;

    // Stopping the server ends the clients; a client process that does not
    // end by itself is ended.
    server.stop();
    int status = 0;
    for (int i = 0; i < 300; ++i)
    {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    std::vector<int> counts;
    int seconds = 10, port = 0, clients = 0;
    for (int i = 1; i < argc; ++i)
    {
        std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc)
            seconds = std::clamp(std::atoi(argv[++i]), 1, 120);
        else if (a == "--port" && i + 1 < argc)
            port = std::atoi(argv[++i]);
        else if (a == "--clients" && i + 1 < argc)
            clients = std::atoi(argv[++i]);
        else if (std::atoi(a.c_str()) > 0)
            counts.push_back(std::clamp(std::atoi(a.c_str()), 1, 4000));
        else
        {
            std::fprintf(stderr, "usage: %s [CLIENTS...] [--seconds S]\n", argv[0]);
            return 2;
        }
    }
    if (clients > 0)
        return runClients(clients, port, seconds);
    if (counts.empty())
        counts = {8, 64, 256, 1000};
    raiseFileLimit();
    if (!startupSockets())
        return 2;
    std::printf("%8s %7s %9s %9s %9s %12s %10s %10s\n", "clients", "groups", "median", "p99", "max", "states/s",
                "rounds/s", "server RSS");
    for (int count : counts)
    {
        Figures f;
        if (!measure(count, seconds, "/proc/self/exe", f))
        {
            std::printf("%8d  the server could not listen\n", count);
            continue;
        }
        std::printf("%8d %7d %7.2fms %7.2fms %7.2fms %12.0f %10.1f %8.1fMB%s\n", count,
                    (count + kGroupSize - 1) / kGroupSize, f.medianMs, f.p99Ms, f.maxMs, f.statesPerSecond,
                    f.roundsPerSecond, double(f.residentKb) / 1024.0,
                    f.users == size_t(count) ? "" : "  (not every client logged on)");
        std::fflush(stdout);
    }
    cleanupSockets();
    return 0;
}
