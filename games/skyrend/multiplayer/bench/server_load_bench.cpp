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
// serverFlood/crowd:C: 16 fliers (two groups of 8) as in serverLoad; with
// C = 1, through the measured seconds, a crowd of 2 threads in the client
// process connects from 127.0.0.2 (bound before the connect) and closes at
// once with a reset, as fast as it can (at most 2,000,000 attempts; it
// stops at the window's end, and by itself 10 s after it). crowd:0 is the
// same without the crowd, so the ratio is read from one run. It reports:
//   states_s_p50, states_s_min  states messages a flier received a second
//                           in the window (median flier, lowest flier)
//   stayed                  fliers still connected at the window's end
//   crowd, crowd_s          the crowd's connections made, and a second
//   crowd_failed            its attempts that failed (a connect the server's
//                           listen queue left unanswered gives up after 0.5 s)
//   rounds_s, p99_ms, cpu_pct  as in serverLoad
// The benchmark's time is the median round, as in serverLoad.
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
#include <functional>
#include <poll.h>
#include <sstream>
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
    // States messages received, and whether the connection still stands
    // after the client entered its group (read by the flood's window).
    std::atomic<int64_t> states{0};
    std::atomic<bool> flying{false};

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
        flying = true;
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
            else if (m.command == CmdStates)
            {
                states.fetch_add(1, std::memory_order_relaxed);
                if (!socket.sendPacket(answer))
                    break;
            }
        }
        flying = false;
    }
};

// The connect-and-close crowd: threads that each connect from
// kCrowdAddress and close at once, as fast as they can, until told to stop,
// past their deadline or past kCrowdMost attempts between them.
constexpr uint32_t kCrowdAddress = 0x7F000002; // 127.0.0.2
constexpr int kCrowdThreads = 2;
constexpr uint64_t kCrowdMost = 2000000;
// A connect that the server's listen queue leaves unanswered gives up after
// this long, so a stopped crowd ends soon.
constexpr DWORD kCrowdConnectMs = 500;

struct Crowd
{
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> made{0}, failed{0};
    std::vector<std::thread> threads;

    void start(int port, Clock::time_point deadline)
    {
        for (int i = 0; i < kCrowdThreads; ++i)
            threads.emplace_back([this, port, deadline] { run(port, deadline); });
    }

    void finish()
    {
        stop = true;
        for (auto& t : threads)
            t.join();
        threads.clear();
    }

    void run(int port, Clock::time_point deadline)
    {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(kCrowdAddress);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(u_short(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // Each connection is closed with a reset (a linger time of 0): it
        // leaves no TIME_WAIT behind to hold its port, so the crowd neither
        // runs out of ports nor slows down as the host searches for a free
        // one, and one run makes the same crowd as the last.
        const linger reset{1, 0};
        const DWORD wait = kCrowdConnectMs;
        while (!stop && made + failed < kCrowdMost && Clock::now() < deadline)
        {
            const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            if (s == INVALID_SOCKET)
            {
                failed += 1;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
            setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
            const bool connected = bind(s, reinterpret_cast<const sockaddr*>(&from), sizeof from) == 0 &&
                                   connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
            (connected ? made : failed) += 1;
            closesocket(s);
        }
    }
};

// The flood's measured window in the client process: it begins when the
// server process writes 'S' to `controlFd` and ends at the next byte (or
// when the server process goes). The crowd runs through the window (at most
// `seconds` + 10 s). The answer on `resultFd`, one line: the window's
// seconds, the crowd's connections made and failed, the fliers still
// connected, then each flier's states received a second.
void floodWindow(std::vector<LoadClient>& fliers, int port, int seconds, bool crowd, int controlFd, int resultFd)
{
    char c = 0;
    if (read(controlFd, &c, 1) != 1 || c != 'S')
        return;
    std::vector<int64_t> before;
    for (const auto& f : fliers)
        before.push_back(f.states.load());
    const auto start = Clock::now();
    Crowd attackers;
    if (crowd)
        attackers.start(port, start + std::chrono::seconds(seconds + 10));
    [[maybe_unused]] ssize_t ended = read(controlFd, &c, 1);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const uint64_t made = attackers.made, failed = attackers.failed;
    int stayed = 0;
    std::string rates;
    for (size_t i = 0; i < fliers.size(); ++i)
    {
        stayed += fliers[i].flying ? 1 : 0;
        rates += " " + std::to_string(double(fliers[i].states.load() - before[i]) / elapsed);
    }
    attackers.finish();
    const std::string line = std::to_string(elapsed) + " " + std::to_string(made) + " " + std::to_string(failed) + " " +
                             std::to_string(stayed) + rates + "\n";
    [[maybe_unused]] ssize_t written = write(resultFd, line.data(), line.size());
}

// Runs `count` clients; `during` (when given) runs on this thread while they
// fly.
int runClients(int count, int port, int seconds, const std::function<void(std::vector<LoadClient>&)>& during = {})
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
    if (during)
        during(clients);
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

// The flood case's own figures, from the client process.
struct FloodFigures
{
    bool crowd = false;
    bool answered = false; // the client process gave its figures
    double statesP50 = 0, statesMin = 0, crowdPerSecond = 0;
    uint64_t crowdMade = 0, crowdFailed = 0;
    int stayed = 0;
};

// One byte down a pipe; a client process that has gone is seen by its
// missing answer.
void sendByte(int fd, char c)
{
    [[maybe_unused]] ssize_t n = write(fd, &c, 1);
}

// Reads the client process's line (see floodWindow), waiting at most 30 s.
void readFloodFigures(int fd, FloodFigures& out)
{
    std::string line;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos && Clock::now() < deadline)
    {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, size_t(n));
    }
    std::istringstream in(line);
    double elapsed = 0;
    std::vector<double> rates;
    if (!(in >> elapsed >> out.crowdMade >> out.crowdFailed >> out.stayed) || elapsed <= 0)
        return;
    for (double r = 0; in >> r;)
        rates.push_back(r);
    if (rates.empty())
        return;
    std::sort(rates.begin(), rates.end());
    out.answered = true;
    out.statesMin = rates.front();
    out.statesP50 = rates[(rates.size() - 1) / 2];
    out.crowdPerSecond = double(out.crowdMade) / elapsed;
}

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

// With `flood`, the clients are fliers whose own figures the client process
// gives for the measured window, and a crowd (when asked) runs through it.
bool measure(int count, Figures& out, FloodFigures* flood = nullptr)
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

    // The flood's window is told through one pipe and its figures come back
    // through another.
    int control[2] = {-1, -1}, result[2] = {-1, -1};
    if (flood && (pipe(control) != 0 || pipe(result) != 0))
    {
        for (int fd : {control[0], control[1], result[0], result[1]})
            if (fd >= 0)
                close(fd);
        server.stop();
        return false;
    }
    const std::string n = std::to_string(count), p = std::to_string(server.getPort()),
                      s = std::to_string(g_seconds + 90), window = std::to_string(g_seconds),
                      crowd = flood && flood->crowd ? "1" : "0", in = std::to_string(control[0]),
                      back = std::to_string(result[1]);
    const pid_t pid = fork();
    if (pid == 0)
    {
        if (flood)
        {
            close(control[1]);
            close(result[0]);
            execl("/proc/self/exe", "skyrend_server_load_bench", "--flood-clients", n.c_str(), p.c_str(),
                  window.c_str(), crowd.c_str(), in.c_str(), back.c_str(), nullptr);
        }
        else
            execl("/proc/self/exe", "skyrend_server_load_bench", "--load-clients", n.c_str(), p.c_str(), s.c_str(),
                  nullptr);
        _exit(127);
    }
    if (flood)
    {
        close(control[0]);
        close(result[1]);
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
    if (flood)
        sendByte(control[1], 'S');
    std::this_thread::sleep_for(std::chrono::seconds(g_seconds));
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const std::vector<GameServer::RoundTime> times = server.takeRoundTimes();
    out.cpuPercent = 100.0 * (cpuSeconds(false) - cpu0) / elapsed;
    out.sysPercent = 100.0 * (cpuSeconds(true) - sys0) / elapsed;
    out.statesPerSecond = double(server.statesSent - states0) / elapsed;
    out.roundsPerSecond = double(server.rounds - rounds0) / elapsed;
    out.bytesPerClient = double(server.totalBytesSent() - bytes0) / elapsed / double(count);
    // The server's figures are taken first: the client process answers
    // once its crowd has stopped, which may take a moment.
    if (flood)
    {
        sendByte(control[1], 'E');
        readFloodFigures(result[0], *flood);
        close(control[1]);
        close(result[0]);
    }
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

// The benchmark's one iteration, timed by its median round; false (the
// error told to the benchmark) when it could not be measured.
bool measureOnce(benchmark::State& state, int count, Figures& f, FloodFigures* flood = nullptr)
{
    for (auto _ : state)
    {
        if (!measure(count, f, flood))
        {
            state.SkipWithError("the server could not listen");
            return false;
        }
        if (flood && !flood->answered)
        {
            state.SkipWithError("the fliers' process gave no figures");
            return false;
        }
        state.SetIterationTime(f.p50 / 1000.0);
    }
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
    if (!measureOnce(state, count, f))
        return;
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

constexpr int kFliers = 16; // two groups of 8

// serverFlood/crowd:C: 16 fliers as in serverLoad; with C = 1 a crowd from
// another address connects and closes through the measured seconds.
void serverFlood(benchmark::State& state)
{
    FloodFigures flood;
    flood.crowd = state.range(0) != 0;
    Figures f;
    if (!measureOnce(state, kFliers, f, &flood))
        return;
    state.counters["states_s_p50"] = flood.statesP50;
    state.counters["states_s_min"] = flood.statesMin;
    state.counters["stayed"] = flood.stayed;
    state.counters["crowd"] = double(flood.crowdMade);
    state.counters["crowd_s"] = flood.crowdPerSecond;
    state.counters["crowd_failed"] = double(flood.crowdFailed);
    state.counters["rounds_s"] = f.roundsPerSecond;
    state.counters["p99_ms"] = f.p99;
    state.counters["cpu_pct"] = f.cpuPercent;
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
BENCHMARK(serverFlood)->ArgName("crowd")->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(copyReference)->ArgName("clients")->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(loopbackReference)->ArgName("clients")->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    // A client process that has gone closes its pipes: a write to one fails
    // instead of ending this one.
    signal(SIGPIPE, SIG_IGN);
    if (argc == 5 && std::string(argv[1]) == "--load-clients")
        return runClients(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 8 && std::string(argv[1]) == "--flood-clients")
    {
        const int port = std::atoi(argv[3]), window = std::atoi(argv[4]), controlFd = std::atoi(argv[6]),
                  resultFd = std::atoi(argv[7]);
        const bool crowd = std::atoi(argv[5]) != 0;
        return runClients(std::atoi(argv[2]), port, window + 90, [&](std::vector<LoadClient>& fliers) {
            floodWindow(fliers, port, window, crowd, controlFd, resultFd);
        });
    }
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
