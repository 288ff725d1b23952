// console_program_test.cpp -- the program started in server mode from the
// device tree, headless, walked as a person would: cover, introduction,
// settings, start (through the no-network warning when the device has no
// address but 127.0.0.1), the running console, close. Each page's
// screenshot is checked for what its template and the server put there.
#include "games/skyrend/multiplayer/console/server_console.h"
#include "games/skyrend/tests/program_fixture.h"

#include "engine/platform/net_socket.h"
#include "games/skyrend/multiplayer/protocol.h"

#include <csignal>
#include <cstdio>
#include <memory>

using namespace skyrend_test;

namespace {

const uint32_t kBackground = 0x322010;
const uint32_t kHeading = 0xFFE080;
const uint32_t kButton = 0x78461E;
const uint32_t kChecked = 0x78DC78;

const char kWalk[] = "wait 500\n"
                     "shot 01-cover\n"
                     "tap 120 250      # Start\n"
                     "wait 1000\n"
                     "shot 02-intro\n"
                     "tap 120 200      # Settings\n"
                     "wait 500\n"
                     "shot 03-settings\n"
                     "tap 21 149       # no default groups\n"
                     "tap 21 149       # default groups again\n"
                     "tap 120 292      # Done: the settings are written\n"
                     "wait 500\n"
                     "tap 120 162      # Start server\n"
                     "wait 1000\n"
                     "shot 04-start\n"
                     "tap 120 182      # Start anyway (when warned)\n"
                     "wait 1500\n"
                     "shot 05-console\n"
                     "tap 120 305      # Close server\n"
                     "wait 500\n";

// The run's settings with the port set to `port` and authentication as
// asked; answers the settings file's path (empty when the shipped settings
// were not as expected).
std::string useSettings(ProgramRun& run, int port, bool authenticate = false)
{
    const std::string path = run.resources("GUI/ZEDEdoridSetting.properties");
    std::string settings = ProgramRun::read(path);
    const size_t at = settings.find("text:8888");
    const size_t check = settings.find("status:0", settings.find("chkAuthentication="));
    if (at == std::string::npos || check == std::string::npos)
        return {};
    if (authenticate)
        settings.replace(check, 8, "status:1");
    settings.replace(at, 9, "text:" + std::to_string(port));
    std::ofstream(path) << settings;
    return path;
}

} // namespace

TEST(SkyrendConsole, ServerModeWalksToARunningConsoleAndCloses)
{
    ProgramRun run;
    const int port = freePort();
    ASSERT_NE(port, 0);
    const std::string settingsPath = useSettings(run, port);
    ASSERT_FALSE(settingsPath.empty());
    const std::string portText = "text:" + std::to_string(port);

    ASSERT_EQ(0, run.run(kWalk, {"/server"})) << run.errors();
    os::host::Picture p;

    ASSERT_TRUE(run.shot("01-cover", p)) << run.errors();
    EXPECT_TRUE(near(p.at(4, 4), kBackground));
    EXPECT_GT(count(p, 0, 100, 240, 24, kHeading), 50) << "the title";
    EXPECT_GT(count(p, 70, 236, 100, 28, kButton), 1000) << "the Start button";

    ASSERT_TRUE(run.shot("02-intro", p));
    EXPECT_GT(count(p, 0, 12, 240, 22, kHeading), 50);
    EXPECT_GT(count(p, 50, 148, 140, 140, kButton), 4 * 2000) << "four buttons";

    ASSERT_TRUE(run.shot("03-settings", p));
    EXPECT_GT(count(p, 0, 8, 240, 22, kHeading), 50);
    EXPECT_GT(count(p, 13, 141, 16, 16, kChecked), 150) << "default groups on";
    EXPECT_LT(count(p, 13, 171, 16, 16, kChecked), 10) << "authentication off";
    EXPECT_GT(count(p, 141, 41, 86, 20, 0xFFFFFF, 40), 30) << "the port's text";

    // Leaving the settings wrote them back, clamped, the port kept.
    const std::string written = ProgramRun::read(settingsPath);
    EXPECT_NE(written.find(portText), std::string::npos) << written;
    EXPECT_NE(written.find("chkDefaultGrp="), std::string::npos);
    EXPECT_NE(written.find("text:users.properties"), std::string::npos);

    ASSERT_TRUE(run.shot("04-start", p));
    EXPECT_TRUE(near(p.at(4, 4), kBackground));

    ASSERT_TRUE(run.shot("05-console", p));
    EXPECT_GT(count(p, 0, 2, 240, 18, kHeading), 30) << "the console's heading";
    EXPECT_GT(count(p, 4, 20, 232, 14, 0xFFFFFF, 60), 20) << "the address line";
    EXPECT_GT(count(p, 118, 34, 120, 14, 0xFFFFFF, 60), 20) << "the clock and the rate";
    EXPECT_GT(count(p, 4, 64, 114, 30, 0xFFFFFF, 40), 100) << "the default groups";
    EXPECT_GT(count(p, 4, 202, 232, 88, 0x000000, 60), 100) << "lines in the log";
    EXPECT_GT(count(p, 70, 294, 100, 22, kButton), 800) << "the close button";
    EXPECT_EQ(run.errors().find("\"Error\""), std::string::npos) << run.errors();
}

TEST(SkyrendConsole, SettingsAreStoredWithinTheirRanges)
{
    using skyrend::mp::SettingsClamp;
    const struct
    {
        const char16_t* text;
        const char16_t* port;
        const char16_t* idle;
        const char16_t* users;
    } cases[] = {
        {u"998", u"1000", u"998", u"8"}, {u"999", u"999", u"999", u"8"}, {u"0", u"1000", u"10", u"8"},
        {u"1", u"1000", u"1", u"8"},     {u"2", u"1000", u"2", u"2"},     {u"16", u"1000", u"16", u"16"},
        {u"17", u"1000", u"17", u"8"},   {u"", u"1000", u"10", u"8"},     {u"12ab", u"1000", u"10", u"8"},
        {u"70000", u"1000", u"70000", u"8"}, {u"8888", u"8888", u"8888", u"8"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(SettingsClamp::port(c.text), c.port);
        EXPECT_EQ(SettingsClamp::maxIdleTime(c.text), c.idle);
        EXPECT_EQ(SettingsClamp::maxUsersPerGrp(c.text), c.users);
    }
}

TEST(SkyrendConsole, AServerThatCannotListenSaysSoAndTheConsoleCloses)
{
    ProgramRun run;
    // Another listener holds the port the settings name.
    startupSockets();
    Socket* holder = Socket::listenOn(0, 0, 1);
    ASSERT_NE(holder, nullptr);
    const int port = holder->getLocalPort();
    const std::string settingsPath = run.resources("GUI/ZEDEdoridSetting.properties");
    std::string settings = ProgramRun::read(settingsPath);
    settings.replace(settings.find("text:8888"), 9, "text:" + std::to_string(port));
    std::ofstream(settingsPath) << settings;

    const char walk[] = "wait 500\ntap 120 250\nwait 1000\ntap 120 162\nwait 1000\ntap 120 182\nwait 1500\n"
                        "shot after\n";
    // The program ends by itself; the run's status 3 says a screenshot of the
    // script was never taken (a console that stayed would have taken it).
    EXPECT_EQ(run.run(walk, {"/server"}), 3) << run.errors();
    delete holder;
    cleanupSockets();
    EXPECT_NE(run.errors().find("The server can not start up."), std::string::npos) << run.errors();
    // The window closed itself: the script's last screenshot was never taken.
    os::host::Picture p;
    EXPECT_FALSE(run.shot("after", p));
    EXPECT_NE(run.errors().find("the program ended before the script reached it"), std::string::npos);
}

namespace {

// Connects to the server at the port, retrying while it starts (bounded).
std::unique_ptr<Socket> connectWhenUp(int port)
{
    for (int i = 0; i < 600; ++i)
    {
        auto s = std::make_unique<Socket>(false, 0);
        if (s->connect(u"127.0.0.1", port))
            return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

void sendBytes(Socket& s, const std::vector<uint8_t>& bytes)
{
    s.sendAll(bytes.data(), int(bytes.size()));
}

} // namespace

// A running server ends on SIGTERM as on closing its window, whatever its
// clients do: half messages, silent connections, wrong heads and a player
// that flies but never reads are all open when the signal comes. The
// program stops its server and exits by itself (not killed by the signal).
TEST(SkyrendConsole, SigtermEndsTheServerWithHostileConnectionsOpen)
{
    using namespace skyrend::mp;
    ProgramRun run;
    const int port = freePort();
    ASSERT_NE(port, 0);
    setTextField(run.resources("GUI/ZEDEdoridSetting.properties"), "portNumber", std::to_string(port));
    // To the running console, then a long wait the signal cuts short.
    // (No screenshot: one the signal leaves untaken would fail the run.)
    const char walk[] = "wait 500\ntap 120 250\nwait 1000\ntap 120 162\nwait 1000\ntap 120 182\nwait 120000\n";
    const pid_t pid = run.startWith({}, "headless", walk, {"/server"});
    ASSERT_GT(pid, 0);
    startupSockets();
    std::unique_ptr<Socket> first = connectWhenUp(port);
    ASSERT_TRUE(first) << run.errors();

    std::vector<std::unique_ptr<Socket>> hostile;
    auto open = [&] {
        hostile.push_back(std::make_unique<Socket>(false, 0));
        hostile.back()->setReceiveBuffer(4096);
        EXPECT_TRUE(hostile.back()->connect(u"127.0.0.1", port));
        return hostile.back().get();
    };
    for (int i = 0; i < 8; ++i)
        sendBytes(*open(), {0x58, 0x58, 1, 0, '<', 'x'}); // half a log-on
    for (int i = 0; i < 8; ++i)
        open(); // silent
    for (int i = 0; i < 4; ++i)
        sendBytes(*open(), {0x12, 0x34, 1, 0}); // a wrong head
    // A player that logs on, enters a group, flies and never reads again.
    Socket* deaf = open();
    PacketWriter w;
    writeLogOn(w, u"<deaf>", u"");
    deaf->sendPacket(w);
    deaf->setReceiveTimeout(15000);
    int16_t head = 0;
    ServerMessage answer;
    ASSERT_TRUE(deaf->readShort(head) && readServerMessage(*deaf, answer));
    ASSERT_EQ(answer.text, kLogOnAccepted);
    PacketWriter group;
    writeGroupList(group, 0);
    deaf->sendPacket(group);
    ASSERT_TRUE(deaf->readShort(head) && readServerMessage(*deaf, answer));
    ASSERT_FALSE(answer.groups.empty());
    PacketWriter fly;
    writeEnterGroup(fly, answer.groups[0].name, u"<deaf>", 0);
    writeMissilePositions(fly, u"<deaf>", {});
    for (int i = 0; i < 50; ++i)
        writeControls(fly, Controls{});
    deaf->sendPacket(fly);

    const auto signalled = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 400 && !ended; ++i)
    {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!ended)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - signalled);
    std::printf("the server ended %lld ms after SIGTERM\n", static_cast<long long>(took.count()));
    hostile.clear();
    first.reset();
    cleanupSockets();
    ASSERT_TRUE(ended) << "still running 20 s after SIGTERM";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal itself, not by the program";
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << run.errors();
    // The wrong heads were lines in the console's log, never boxes.
    EXPECT_EQ(run.errors().find("Server got a wrong TCP Packet Head"), std::string::npos) << run.errors();
    EXPECT_EQ(run.errors().find("ZEDEdorid Error"), std::string::npos) << run.errors();
}

// A damaged settings file (it is also the settings page): set aside as
// ".damaged" with its bytes kept, one box names it, and the settings page
// comes up with the shipped defaults, which leaving the page writes back.
TEST(SkyrendConsole, ADamagedSettingsFileIsSetAsideAndTheDefaultsShow)
{
    ProgramRun run;
    const std::string settingsPath = run.resources("GUI/ZEDEdoridSetting.properties");
    const std::string damaged = std::string("portNumber=type:EDIT, text:\x01\x02\0\0garbage", 31) + std::string(5000, 'x');
    std::ofstream(settingsPath, std::ios::binary) << damaged;

    const char walk[] = "wait 500\ntap 120 250\nwait 1000\ntap 120 200\nwait 500\nshot settings\n"
                        "tap 120 292\nwait 500\nshot back\n";
    ASSERT_EQ(0, run.run(walk, {"/server"})) << run.errors();
    const std::string errors = run.errors();
    size_t boxes = 0;
    for (size_t at = errors.find("was damaged"); at != std::string::npos; at = errors.find("was damaged", at + 1))
        ++boxes;
    EXPECT_EQ(boxes, 1u) << errors;
    EXPECT_NE(errors.find("ZEDEdoridSetting.properties.damaged"), std::string::npos) << errors;
    EXPECT_EQ(ProgramRun::read(settingsPath + ".damaged"), damaged);

    os::host::Picture p;
    ASSERT_TRUE(run.shot("settings", p));
    EXPECT_GT(count(p, 0, 8, 240, 22, kHeading), 50) << "the settings page";
    EXPECT_GT(count(p, 141, 41, 86, 20, 0xFFFFFF, 40), 30) << "the default port's text";
    const std::string written = ProgramRun::read(settingsPath);
    EXPECT_NE(written.find("text:8888"), std::string::npos) << written;
    EXPECT_NE(written.find("chkDefaultGrp="), std::string::npos) << written;
}

// With authentication on, a damaged account list (a 20 MB line among the
// accounts) is told once at start, in a box that names the file by its
// device path; the list is not moved, and the console runs.
TEST(SkyrendConsole, ADamagedAccountListIsToldOnceAndKept)
{
    ProgramRun run;
    const int port = freePort();
    ASSERT_NE(port, 0);
    ASSERT_FALSE(useSettings(run, port, true).empty());
    const std::string listPath = run.tree + "/Program Files/Vasko-Skyrend/bin/users.properties";
    const std::string list = "<alice>=password:a1\n<x>=" + std::string(20u << 20, 'x') + "\n<bob>=password:b2\n";
    std::ofstream(listPath, std::ios::binary) << list;

    const char walk[] = "wait 500\ntap 120 250\nwait 1000\ntap 120 162\nwait 1000\ntap 120 182\nwait 1500\n"
                        "shot console\ntap 120 305\nwait 500\n";
    ASSERT_EQ(0, run.run(walk, {"/server"})) << run.errors().substr(0, 2000);
    const std::string errors = run.errors();
    size_t boxes = 0;
    for (size_t at = errors.find("is damaged ("); at != std::string::npos; at = errors.find("is damaged (", at + 1))
        ++boxes;
    EXPECT_EQ(boxes, 1u) << errors.substr(0, 2000);
    EXPECT_NE(errors.find("\\Program Files\\Vasko-Skyrend\\bin\\users.properties is damaged (it has a line far "
                          "longer than any account): 1 of its lines cannot be read"),
              std::string::npos)
        << errors.substr(0, 2000);
    EXPECT_EQ(ProgramRun::read(listPath), list) << "the list stays as it was";
    os::host::Picture p;
    ASSERT_TRUE(run.shot("console", p));
    EXPECT_GT(count(p, 70, 294, 100, 22, kButton), 800) << "the console runs";
}
