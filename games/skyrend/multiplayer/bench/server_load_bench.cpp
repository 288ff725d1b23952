// server_load_bench.cpp -- the game server under load on the loopback address
//
//   skyrend_server_load_bench [--seconds=S] [benchmark flags]
//
// serverLoad/N: a game server on 127.0.0.1 (a port the host picks) with one
// group per 8 clients, and a second process (this program again) that
// connects N clients. Each client logs on, enters its group, starts flying
// and answers every states message with its controls, as the game does, so
// each sends 25 controls a second while the server holds 25 rounds a
// second. After every client has logged on and a settling second, the run
// measures S seconds (default 10) of the server process and reports:
//   p50_ms, p99_ms, max_ms  a round's real time, from asking for the server
//                           lock to the last state handed to its socket
//   lock_p99_ms, lock_max_ms  the round's wait for the server lock
//   held_p50_ms, held_p99_ms  how long the round held it (the simulation
//                           and the states built; the sends come after)
//   rounds_s                rounds a second
//   cpu_pct, sys_pct        the server process's CPU time (all its threads)
//                           a second, in percent of one core; sys: the kernel's
//   bytes_client_s          bytes the server sent each client a second
//   ready                   clients that logged on, entered and flew
// The client process stands for players on other machines and runs at a
// lower priority (nice 10), so its thousand threads do not take the
// server's turn. The benchmark's time is the median round. Every run is bounded: the
// client process ends when the server stops and is ended after S + 90
// seconds at the latest.
//
// References in the same run, the round's bytes without the server:
// copyReference/N copies one round's states (N messages of a full group's
// size) in memory; loopbackReference/N pushes them through one loopback
// connection and reads them back.
#include "engine/platform/net_socket.h"
#include "games/skyrend/multiplayer/game_server.h"
#include "games/skyrend/multiplayer/protocol.h"

#include <os/winsock.h>
#include <os/wstring.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
int g_seconds = 10;

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

double cpuSeconds(bool kernelOnly)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return kernelOnly ? seconds(usage.ru_stime) : seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// ---- the client process ----

struct LoadClient
{
    Socket socket{false, 0};
    int index = 0;
    std::atomic<bool>* quit = nullptr;
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

    void sendPlaces()
    {
        PacketWriter w;
        writeMissilePositions(w, userName(index), {});
        socket.sendPacket(w);
    }

    void run(int port)
    {
        if (!socket.connect(u"127.0.0.1", port))
            return;
        socket.setReceiveTimeout(30000);
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
        sendPlaces();
        Controls controls;
        controls.keyBits = (index % 3 == 0) ? 8 : (index % 3 == 1 ? 1 : 0);
        PacketWriter answer;
        writeControls(answer, controls);
        int16_t head = 0;
        while (!*quit && socket.readShort(head) && head == kHead && readServerMessage(socket, m))
        {
            if (m.command == CmdPlayerEntering || m.command == CmdPlayerLeaving)
                sendPlaces(); // as the game does
            else if (m.command == CmdStates && !socket.sendPacket(answer))
                break;
        }
    }
};

int runClients(int count, int port, int seconds)
{
    // The clients stand for players on other machines: on this one they
    // give way to the server (they still get the time the server leaves).
    [[maybe_unused]] int niceness = nice(10);
    raiseFileLimit();
    if (!startupSockets())
        return 2;
    std::atomic<bool> quit{false};
    std::vector<LoadClient> clients(static_cast<size_t>(count));
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
    {
        clients[size_t(i)].index = i;
        clients[size_t(i)].quit = &quit;
        threads.emplace_back([&, i] { clients[size_t(i)].run(port); });
        // Players arrive close behind one another: the listen queue takes them.
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // The clients end when the server closes their connections; at the
    // latest after `seconds`, when they are closed here.
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        while (!done && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        quit = true;
        for (auto& c : clients)
            c.socket.close();
    });
    for (auto& t : threads)
        t.join();
    done = true;
    watchdog.join();
    cleanupSockets();
    return 0;
}

// ---- the server process ----

struct Figures
{
    double p50 = 0, p99 = 0, max = 0, lockP99 = 0, lockMax = 0, heldP50 = 0, heldP99 = 0;
    double roundsPerSecond = 0, statesPerSecond = 0, cpuPercent = 0, sysPercent = 0, bytesPerClient = 0;
    size_t ready = 0;
};

double percentile(std::vector<uint32_t> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return double(v[i]) / 1000.0;
}

size_t flyingUsers(GameServer& server)
{
    server.lockServer();
    size_t n = 0;
    for (GameUser* u : server.getUsers())
        n += u->group != nullptr;
    server.unlockServer();
    return n;
}

bool measure(int count, Figures& out)
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

    const pid_t pid = fork();
    if (pid == 0)
    {
        const std::string n = std::to_string(count), p = std::to_string(server.getPort()),
                          s = std::to_string(g_seconds + 90);
        execl("/proc/self/exe", "skyrend_server_load_bench", "--load-clients", n.c_str(), p.c_str(), s.c_str(),
              nullptr);
        _exit(127);
    }
    // Every client in its group (bounded), then a settling second.
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline && flyingUsers(server) < size_t(count))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::seconds(1));

    server.takeRoundTimes();
    const uint64_t states0 = server.statesSent, rounds0 = server.rounds, bytes0 = server.totalBytesSent();
    const double cpu0 = cpuSeconds(false), sys0 = cpuSeconds(true);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(g_seconds));
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const std::vector<GameServer::RoundTime> times = server.takeRoundTimes();
    out.cpuPercent = 100.0 * (cpuSeconds(false) - cpu0) / elapsed;
    out.sysPercent = 100.0 * (cpuSeconds(true) - sys0) / elapsed;
    out.statesPerSecond = double(server.statesSent - states0) / elapsed;
    out.roundsPerSecond = double(server.rounds - rounds0) / elapsed;
    out.bytesPerClient = double(server.totalBytesSent() - bytes0) / elapsed / double(count);
    out.ready = flyingUsers(server);
    std::vector<uint32_t> rounds, waits, held;
    for (const auto& t : times)
    {
        rounds.push_back(t.roundUs);
        waits.push_back(t.lockWaitUs);
        held.push_back(t.lockHeldUs);
    }
    out.heldP50 = percentile(held, 0.5);
    out.heldP99 = percentile(held, 0.99);
    out.p50 = percentile(rounds, 0.5);
    out.p99 = percentile(rounds, 0.99);
    out.max = percentile(rounds, 1.0);
    out.lockP99 = percentile(waits, 0.99);
    out.lockMax = percentile(waits, 1.0);

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

void serverLoad(benchmark::State& state)
{
    const int count = int(state.range(0));
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < rlim_t(count) + 64)
    {
        state.SkipWithError("the open-file limit is too low for this many clients (ulimit -Hn)");
        return;
    }
    Figures f;
    for (auto _ : state)
    {
        if (!measure(count, f))
        {
            state.SkipWithError("the server could not listen");
            return;
        }
        state.SetIterationTime(f.p50 / 1000.0);
    }
    state.counters["p50_ms"] = f.p50;
    state.counters["p99_ms"] = f.p99;
    state.counters["max_ms"] = f.max;
    state.counters["lock_p99_ms"] = f.lockP99;
    state.counters["lock_max_ms"] = f.lockMax;
    state.counters["held_p50_ms"] = f.heldP50;
    state.counters["held_p99_ms"] = f.heldP99;
    state.counters["rounds_s"] = f.roundsPerSecond;
    state.counters["cpu_pct"] = f.cpuPercent;
    state.counters["sys_pct"] = f.sysPercent;
    state.counters["bytes_client_s"] = f.bytesPerClient;
    state.counters["ready"] = double(f.ready);
}

// One round's states for `count` clients: a full group's message each.
std::vector<uint8_t> roundBytes(int count)
{
    std::vector<AircraftState> group(kGroupSize);
    for (int i = 0; i < kGroupSize; ++i)
        group[size_t(i)].pilot = userName(i);
    PacketWriter one;
    writeStates(one, group);
    std::vector<uint8_t> all;
    for (int i = 0; i < count; ++i)
        all.insert(all.end(), one.buffer().begin(), one.buffer().end());
    return all;
}

void copyReference(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = roundBytes(int(state.range(0)));
    std::vector<uint8_t> to(bytes.size());
    for (auto _ : state)
    {
        std::memcpy(to.data(), bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void loopbackReference(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = roundBytes(int(state.range(0)));
    std::unique_ptr<Socket> listener(Socket::listenOn(INADDR_LOOPBACK, 0, 1));
    Socket client(false, 0);
    if (!listener || !client.connect(u"127.0.0.1", listener->getLocalPort()))
    {
        state.SkipWithError("no loopback connection");
        return;
    }
    std::unique_ptr<Socket> peer(listener->accept());
    std::vector<uint8_t> in(bytes.size());
    for (auto _ : state)
    {
        std::thread reader([&] { peer->readBytes(in.data(), int(in.size())); });
        client.sendAll(bytes.data(), int(bytes.size()));
        reader.join();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

} // namespace

BENCHMARK(serverLoad)
    ->ArgName("clients")
    ->Arg(8)
    ->Arg(64)
    ->Arg(256)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(copyReference)->ArgName("clients")->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(loopbackReference)->ArgName("clients")->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    if (argc == 5 && std::string(argv[1]) == "--load-clients")
        return runClients(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    // --seconds=S is this program's own flag; the rest are the benchmark's.
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i)
    {
        const std::string a = argv[i];
        if (a.rfind("--seconds=", 0) == 0)
            g_seconds = std::clamp(std::atoi(a.c_str() + 10), 1, 120);
        else
            rest.push_back(argv[i]);
    }
    int count = int(rest.size());
    raiseFileLimit();
    if (!startupSockets())
        return 2;
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    cleanupSockets();
    return 0;
}
