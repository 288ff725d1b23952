// console_window_test.cpp -- the console window in this process over the
// built device tree: its server's threads feed the log, the group and player
// lists and the labels through the window's queue while scripted clients
// log on and enter a group; the log keeps its last 100 lines. Screenshot
// console_window_players.png in OS_OUT.
#include "games/skyrend/multiplayer/console/server_console.h"
#include "games/skyrend/multiplayer/tests/server_fixture.h"

#include "os/host/headless.h"
#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <os/controls.h>
#include <os/user.h>

namespace fs = std::filesystem;
using namespace skyrend::mp;
using namespace skyrend::mp::testing;

namespace console_window_cases {

const WCHAR* const kGui = u"\\Program Files\\Vasko-Skyrend\\resources\\GUI\\";
const WCHAR* const kProgram = u"\\Program Files\\Vasko-Skyrend\\bin\\";

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps the window's messages until `done` (real time, bounded).
bool pumpUntil(const std::function<bool()>& done)
{
    return eventually([&] {
        pump();
        return done();
    });
}

struct ConsoleWindow : ::testing::Test
{
    std::unique_ptr<ServerConsole> console;

    void SetUp() override
    {
        const char* build = std::getenv("HH_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        const fs::path from = fs::path(build) / "device" / "Program Files" / "Vasko-Skyrend";
        const fs::path to = os::testing::host("Program Files/Vasko-Skyrend");
        fs::create_directories(to);
        fs::copy(from / "resources", to / "resources", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::create_directories(to / "bin");
        fs::copy_file(from / "bin" / "users.properties", to / "bin" / "users.properties",
                      fs::copy_options::overwrite_existing);
        // A port of the host's choosing instead of 8888.
        startupSockets();
        Socket* probe = Socket::listenOn(0, 0, 1);
        const int port = probe ? probe->getLocalPort() : 0;
        delete probe;
        cleanupSockets();
        const std::string settingsPath = (to / "resources" / "GUI" / "ZEDEdoridSetting.properties").string();
        std::ifstream in(settingsPath);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text.replace(text.find("text:8888"), 9, "text:" + std::to_string(port));
        std::ofstream(settingsPath) << text;

        console = std::make_unique<ServerConsole>(kGui, kProgram, u"\\Temp\\console\\");
        ASSERT_TRUE(console->create(0, 0, 240, 320));
        Canvas::setScreenScale(1.0f);
    }

    void TearDown() override
    {
        if (console && console->getHandle())
            console->destroy();
        console.reset();
    }

    bool logHas(const std::u16string& part)
    {
        for (const auto& line : console->getLogLines())
            if (line.find(part) != std::u16string::npos)
                return true;
        return false;
    }

    int rows(int id)
    {
        Window* list = console->findChild(UINT(id));
        return list ? list->getListCount() : -1;
    }
};

TEST_F(ConsoleWindow, TheServersThreadsFeedTheWindowThroughItsQueue)
{
    ASSERT_TRUE(console->loadPage(u"ZEDEdoridConsole.properties"));
    GameServer* server = console->getServer();
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(logHas(u"Game server is starting ..."));
    EXPECT_TRUE(logHas(u"Game server started at:  "));
    ASSERT_EQ(console->getScenes().size(), 2u);
    EXPECT_EQ(rows(ServerConsole::kGroupList), 2) << "one default group per scene";
    EXPECT_EQ(HICON(GetClassLongPtrW(console->getHandle(), GCL_HICON)),
              LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(107)))
        << "the console's own icon";

    const std::u16string group = console->getScenes()[0] + u" Default Group";
    ScriptClient a(server->getPort()), b(server->getPort());
    ASSERT_EQ(a.logOn(u"<alice>"), kLogOnAccepted);
    ASSERT_EQ(b.logOn(u"<bob>"), kLogOnAccepted);
    ASSERT_EQ(a.enter(group, u"<alice>", 0).text, kGroupEntered);
    ASSERT_EQ(b.enter(group, u"<bob>", 0).text, kGroupEntered);
    ASSERT_TRUE(pumpUntil([&] { return logHas(u"User from 127.0.0.1 logged on."); }));
    EXPECT_TRUE(logHas(u"Client from 127.0.0.1 Connected."));

    // Choosing the group shows its players.
    Window* groups = console->findChild(ServerConsole::kGroupList);
    ASSERT_NE(groups, nullptr);
    groups->setListSelection(0);
    SendMessageW(console->getHandle(), WM_COMMAND, MAKEWPARAM(ServerConsole::kGroupList, LBN_SELCHANGE),
                 LPARAM(groups->getHandle()));
    EXPECT_EQ(rows(ServerConsole::kUserList), 2);
    console->paint(true);
    console->present(nullptr, -1);
    pump();
    const char* dir = std::getenv("OS_OUT");
    const std::string path = std::string(dir && *dir ? dir : ".") + "/console_window_players.png";
    EXPECT_TRUE(os::host::write_screen_png(os::host::screen(), path)) << path;
    os::host::Picture p;
    ASSERT_TRUE(os::host::read_png(path, p));
    int light = 0;
    for (int y = 64; y < 126; ++y)
        for (int x = 122; x < 236; ++x)
            light += (p.at(x, y) & 0xFF) > 200;
    EXPECT_GT(light, 40) << "the players' names";

    // A player who goes is taken off the list by the window's own thread.
    b.socket.close();
    ASSERT_TRUE(pumpUntil([&] { return logHas(u"Client from 127.0.0.1 Disconnected."); }));
    ASSERT_TRUE(pumpUntil([&] { return rows(ServerConsole::kUserList) == 1; }));

    // Closing the window stops the server: the clients' connections end.
    console->destroy();
    EXPECT_EQ(console->getServer(), nullptr);
    EXPECT_TRUE(a.closedByServer());
}

// Closing the window while hostile connections hold the server (half
// messages, wrong heads, a flying player that never reads): the wrong heads
// are lines in the log (no box), and the close stops the server without
// waiting on any of them.
TEST_F(ConsoleWindow, ClosingTheWindowStopsTheServerWhateverItsClientsDo)
{
    ASSERT_TRUE(console->loadPage(u"ZEDEdoridConsole.properties"));
    GameServer* server = console->getServer();
    ASSERT_NE(server, nullptr);
    os::host::headless::clear_boxes();
    const int port = server->getPort();
    const std::u16string group = console->getScenes()[0] + u" Default Group";
    std::vector<std::unique_ptr<ScriptClient>> hostile;
    for (int i = 0; i < 3; ++i)
    {
        hostile.push_back(std::make_unique<ScriptClient>(port));
        hostile.back()->sendRaw({0x12, 0x34});
    }
    for (int i = 0; i < 3; ++i)
    {
        hostile.push_back(std::make_unique<ScriptClient>(port));
        hostile.back()->sendRaw({0x58, 0x58, 1, 0, '<'});
    }
    auto deaf = std::make_unique<ScriptClient>(port, 4096);
    ASSERT_EQ(deaf->logOn(u"<deaf>"), kLogOnAccepted);
    ASSERT_EQ(deaf->enter(group, u"<deaf>", 0).text, kGroupEntered);
    PacketWriter fly;
    writeMissilePositions(fly, u"<deaf>", {});
    for (int i = 0; i < 50; ++i)
        writeControls(fly, Controls{});
    deaf->send(fly);
    ASSERT_TRUE(pumpUntil([&] {
        int wrong = 0;
        for (const auto& line : console->getLogLines())
            wrong += line == u"Server got a wrong TCP Packet Head from client.";
        return wrong == 3;
    }));
    EXPECT_TRUE(os::host::headless::boxes().empty());

    SendMessageW(console->getHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(console->getHandle(), nullptr) << "the window closed";
    EXPECT_EQ(console->getServer(), nullptr);
    for (auto& c : hostile)
        EXPECT_TRUE(c->closedByServer());
    EXPECT_TRUE(deaf->closedByServer());
}

TEST_F(ConsoleWindow, TheLogKeepsItsLast100Lines)
{
    ASSERT_TRUE(console->loadPage(u"ZEDEdoridConsole.properties"));
    for (int i = 0; i < 101; ++i)
        console->appendLog(os::to_u16("line " + std::to_string(i)));
    ASSERT_EQ(console->getLogLines().size(), 100u);
    EXPECT_EQ(console->getLogLines().front(), u"line 1");
    EXPECT_EQ(console->getLogLines().back(), u"line 100");
    Window* edit = console->findChild(ServerConsole::kLogEdit);
    ASSERT_NE(edit, nullptr);
    WCHAR start[16] = {};
    GetWindowTextW(edit->getHandle(), start, 8);
    EXPECT_EQ(std::u16string(start), u"line 1\r");
}

} // namespace console_window_cases
