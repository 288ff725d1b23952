// multiplayer_program_test.cpp -- the game's multiplayer road with real
// processes on 127.0.0.1, each headless with its own script and device tree:
// log-ons refused and accepted against a server in this test, the server
// stopped under a lobby, and the whole road with the server console and two
// games (log on, meet in the lobby, one makes a group, both enter it and fly
// side by side, one leaves). Every screenshot is checked.
#include "games/skyrend/multiplayer/client_session.h"
#include "games/skyrend/tests/program_fixture.h"

#include "server_fixture.h"

#include <future>

using namespace skyrend_test;

namespace multiplayer_road {

const uint32_t kRoadHeading = 0xFFE080;
const uint32_t kRoadButton = 0x284678;
const uint32_t kConsolePanel = 0x293C29;

// A game's tree set to log on to the port as `user` with `password`.
void prepareLogin(ProgramRun& run, int port, const std::string& user, const std::string& password)
{
    const std::string page = run.resources("GUI/MPGLogin.properties");
    setTextField(page, "serverName", "");
    setTextField(page, "serverIP", "127.0.0.1");
    setTextField(page, "serverPort", std::to_string(port));
    setTextField(page, "userName", user);
    setTextField(page, "password", password);
}

bool isLoginPage(const os::host::Picture& p)
{
    return count(p, 0, 8, 240, 22, kRoadHeading) > 50 && count(p, 128, 274, 100, 24, kRoadButton) > 1000 &&
           count(p, 124, 302, 108, 14, kRoadButton) < 100;
}

bool isLobby(const os::host::Picture& p)
{
    return count(p, 0, 2, 240, 20, kRoadHeading) > 50 && count(p, 124, 302, 108, 14, kRoadButton) > 1000;
}

// Pixels of the rectangle for which `test` holds.
template <class Test>
int countWhere(const os::host::Picture& p, int x0, int y0, int w, int h, Test test)
{
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            n += test(rgb(p.at(x, y)));
    return n;
}

// Pixels of the HUD's green in the flight's view (the first scene's HUD
// colour, smoothed at the edges of its letters): target boxes and names.
int hudPixels(const os::host::Picture& p)
{
    return countWhere(p, 0, 0, 240, 140, [](Rgb c) { return c.g >= 160 && c.r <= 100 && c.b <= 100; });
}

// The yellow of the lobby's group details.
int detailPixels(const os::host::Picture& p)
{
    return countWhere(p, 136, 174, 96, 16, [](Rgb c) { return c.r >= 180 && c.g >= 150 && c.b <= 140; });
}

int boxes(const std::string& errors, const std::string& text)
{
    int n = 0;
    for (size_t at = errors.find(text); at != std::string::npos; at = errors.find(text, at + 1))
        ++n;
    return n;
}

const char kLogOn[] = "wait 800\n"
                      "tap 178 286       # Log on\n"
                      "wait 1500\n"
                      "shot after\n";

} // namespace multiplayer_road

using namespace multiplayer_road;

// The intro's Multiplayer button opens the log-on page; the manual's
// "Server address" opens the page on finding the server.
TEST(SkyrendMultiplayer, MenusLeadToTheLogOnPageAndToFindingTheServer)
{
    ProgramRun run;
    const char script[] = "wait 800\n"
                          "tap 120 259       # Multiplayer\n"
                          "wait 800\n"
                          "shot login\n"
                          "tap 62 286        # Back to the intro\n"
                          "wait 800\n"
                          "tap 120 294       # Main menu\n"
                          "wait 800\n"
                          "tap 150 305       # Manual\n"
                          "wait 500\n"
                          "shot manual\n"
                          "tap 120 257       # Server address\n"
                          "wait 500\n"
                          "shot address\n";
    ASSERT_EQ(0, run.run(script, {"ARG:intro"})) << run.errors();
    os::host::Picture p, manual;
    ASSERT_TRUE(run.shot("login", p)) << run.errors();
    EXPECT_TRUE(isLoginPage(p));
    ASSERT_TRUE(run.shot("manual", manual));
    ASSERT_TRUE(run.shot("address", p));
    const uint32_t ink = 0x281E14;
    EXPECT_GT(count(p, 0, 8, 240, 22, ink, 30), 100) << "the page's heading";
    EXPECT_GT(count(p, 12, 38, 216, 230, ink, 40), 1500) << "its text";
    int changed = 0;
    for (int y = 8; y < 30; ++y)
        for (int x = 0; x < 240; ++x)
            changed += !near(p.at(x, y), manual.at(x, y), 30);
    EXPECT_GT(changed, 100) << "another heading than the manual's first page";
}

namespace skyrend::mp::testing {
namespace {

class MultiplayerProgramTest : public ServerTest
{
};

// Each case a fresh game: the box it shows and the page it stays on.
TEST_F(MultiplayerProgramTest, LogOnsRefusedSayWhyAndStayOnTheLogOnPage)
{
    ServerSettings settings;
    settings.authenticate = true;
    startServer(settings);
    // bob is logged on already, from elsewhere.
    auto elsewhere = connectSession(u"127.0.0.1", u"", port);
    ASSERT_TRUE(elsewhere);
    ASSERT_TRUE(elsewhere->logon(u"<bob>", u"b2"));

    const struct
    {
        const char* user;
        const char* password;
        const char* box; // empty: accepted, the lobby shows
    } cases[] = {
        {"", "", "\"Warning\": \"User Name\" can not be empty."},
        {"alice", "nope", "did not pass the authentication"},
        {"bob", "b2", "this user has already logged on the server"},
        {"alice", "a1", ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        ProgramRun run;
        prepareLogin(run, port, c.user, c.password);
        ASSERT_EQ(0, run.run(kLogOn, {"ARG:MPGLogin"})) << run.errors();
        os::host::Picture p;
        ASSERT_TRUE(run.shot("after", p)) << run.errors();
        if (*c.box)
        {
            EXPECT_EQ(boxes(run.errors(), c.box), 1) << run.errors();
            EXPECT_TRUE(isLoginPage(p));
        }
        else
        {
            EXPECT_EQ(run.errors().find("message box"), std::string::npos) << run.errors();
            EXPECT_TRUE(isLobby(p));
            // Leaving the log-on page kept its fields, the password not.
            const std::string page = ProgramRun::read(run.resources("GUI/MPGLogin.properties"));
            EXPECT_NE(page.find("text:alice"), std::string::npos);
            EXPECT_EQ(page.find("text:a1"), std::string::npos);
        }
    }
}

TEST_F(MultiplayerProgramTest, NoServerAtThePortSaysSoAndStays)
{
    ProgramRun run;
    prepareLogin(run, freePort(), "alice", "");
    ASSERT_EQ(0, run.run(kLogOn, {"ARG:MPGLogin"})) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("after", p));
    EXPECT_EQ(boxes(run.errors(), "\"Error\": Failed to connect to Game Server"), 1) << run.errors();
    EXPECT_TRUE(isLoginPage(p));
}

TEST_F(MultiplayerProgramTest, AServerStoppedUnderTheLobbyTakesTheGameBackToTheLogOnPage)
{
    startServer();
    ProgramRun run;
    prepareLogin(run, port, "alice", "");
    // The game goes on once this test has stopped the server and said so.
    const std::string stopped = run.out + "/server-stopped";
    const std::string script = "wait 800\n"
                               "tap 178 286       # Log on\n"
                               "wait 1500\n"
                               "shot lobby\n"
                               "waitfile " + stopped + " 120000\n"
                               "wait 3000         # the game finds the server gone\n"
                               "shot after\n";
    auto game = std::async(std::launch::async, [&] { return run.run(script, {"ARG:MPGLogin"}); });
    ASSERT_TRUE(run.waitFor("lobby")) << run.errors();
    stopServer();
    std::ofstream(stopped) << "stopped\n";
    ASSERT_EQ(0, game.get()) << run.errors();

    os::host::Picture p;
    ASSERT_TRUE(run.shot("lobby", p));
    EXPECT_TRUE(isLobby(p));
    ASSERT_TRUE(run.shot("after", p));
    EXPECT_TRUE(isLoginPage(p)) << run.errors();
    const std::string errors = run.errors();
    EXPECT_EQ(boxes(errors, "Disconnected with server, or server has terminated."), 1) << errors;
    EXPECT_EQ(boxes(errors, "You must quit the game now and try to connect to the game server later."), 1) << errors;
    EXPECT_EQ(errors.find("waitfile"), std::string::npos) << errors;
}

} // namespace
} // namespace skyrend::mp::testing

// The server console and two games, each its own process and device (its
// own tree and window instance); the server starts every newcomer beside
// the newest member (SKYREND_FORMATION), so the two see each other at once.
TEST(SkyrendMultiplayer, TwoGamesLogOnMeetInAGroupAndFlyTogether)
{
    ProgramRun server, alice, bob;
    const int port = freePort();
    ASSERT_NE(port, 0);
    setTextField(server.resources("GUI/ZEDEdoridSetting.properties"), "portNumber", std::to_string(port));
    prepareLogin(alice, port, "alice", "");
    prepareLogin(bob, port, "bob", "");
    // Three devices: three window instances, apart from any other run's.
    const char* run = std::getenv("OS_INSTANCE");
    const std::string instance = "OS_INSTANCE=" + std::string(run ? run : "mp") + "-";
    server.env = {instance + "server", "SKYREND_FORMATION=1"};
    alice.env = {instance + "alice"};
    bob.env = {instance + "bob"};

    // The three scripts meet by each other's screenshots (`waitfile`), so
    // the road keeps its order however slowly each process runs: alice logs
    // on once the console runs; bob comes once she flies in her group; she
    // turns her view once he has seen her and leaves; he looks again once
    // she is back on her log-on page; the console is looked at and closed
    // when both are done. The waits left are short settling pauses (once
    // connected, a game's waits last real time, as do the console's rounds).
    // Each waitfile gives up after two minutes, so a broken road ends.
    const auto meet = [](const ProgramRun& other, const std::string& shot) {
        return "waitfile " + other.out + "/" + shot + ".png 120000\n";
    };
    const std::string serverScript = "wait 500\n"
                                     "tap 120 250       # Start\n"
                                     "wait 1000\n"
                                     "tap 120 162       # Start server\n"
                                     "wait 1000\n"
                                     "tap 120 182       # Start anyway (when warned)\n"
                                     "wait 1500\n"
                                     "shot s-01-console\n" +
                                     meet(bob, "b-04-alone") + meet(alice, "a-06-login") +
                                     "wait 1000\n"
                                     "shot s-02-console\n"
                                     "tap 120 305       # Close server\n"
                                     "wait 500\n";
    const std::string aliceScript = "wait 800\n"
                                    "shot a-01-login\n" +
                                    meet(server, "s-01-console") +
                                    "tap 178 286       # Log on\n"
                                    "wait 1500\n"
                                    "shot a-02-lobby\n"
                                    "tap 120 246       # New\n"
                                    "wait 300\n"
                                    "text \"wing\"\n"
                                    "wait 300\n"
                                    "tap 204 274       # OK\n"
                                    "wait 1500\n"
                                    "shot a-03-group\n"
                                    "tap 178 305       # Fly\n"
                                    "wait 3000\n"
                                    "shot a-04-alone\n" +
                                    meet(bob, "b-03-together") +
                                    "key 99            # the view to the right\n"
                                    "wait 1000\n"
                                    "shot a-05-together\n"
                                    "tap 220 276       # EXIT\n"
                                    "wait 300\n"
                                    "tap 60 277        # Yes: back to the log-on page\n"
                                    "wait 1500\n"
                                    "shot a-06-login\n";
    const std::string bobScript = meet(alice, "a-04-alone") +
                                  "wait 800\n"
                                  "tap 178 286       # Log on\n"
                                  "wait 1500\n"
                                  "tap 72 246        # Next: alice's group\n"
                                  "wait 500\n"
                                  "shot b-02-lobby\n"
                                  "tap 178 305       # Fly\n"
                                  "wait 3000\n"
                                  "key 98            # the view to the left\n"
                                  "wait 2000\n"
                                  "shot b-03-together\n" +
                                  meet(alice, "a-06-login") +
                                  "wait 2000         # her leaving reaches him\n"
                                  "shot b-04-alone\n";

    auto serverRun = std::async(std::launch::async, [&] { return server.run(serverScript, {"/server"}); });
    auto aliceRun = std::async(std::launch::async, [&] { return alice.run(aliceScript, {"ARG:MPGLogin"}); });
    auto bobRun = std::async(std::launch::async, [&] { return bob.run(bobScript, {"ARG:MPGLogin"}); });
    EXPECT_EQ(0, bobRun.get()) << bob.errors();
    EXPECT_EQ(0, aliceRun.get()) << alice.errors();
    // Her restart goes on with the script in a new process; the console
    // waits for its last screenshot.
    EXPECT_EQ(0, serverRun.get()) << server.errors();
    EXPECT_TRUE(alice.waitFor("a-06-login")) << alice.errors();
    const std::string log = alice.errors() + bob.errors() + server.errors();
    EXPECT_EQ(log.find("waitfile"), std::string::npos) << "every meeting came about: " << log;

    os::host::Picture p;
    ASSERT_TRUE(alice.shot("a-01-login", p));
    EXPECT_TRUE(isLoginPage(p));
    ASSERT_TRUE(alice.shot("a-02-lobby", p));
    EXPECT_TRUE(isLobby(p));
    ASSERT_TRUE(alice.shot("a-03-group", p));
    EXPECT_TRUE(isLobby(p));
    EXPECT_GT(detailPixels(p), 10) << "the group's maker";
    ASSERT_TRUE(alice.shot("a-04-alone", p));
    EXPECT_LT(hudPixels(p), 5) << "nobody else in the group yet";
    EXPECT_GT(count(p, 0, 160, 240, 160, kConsolePanel, 12), 10000) << "the cockpit console below";
    ASSERT_TRUE(alice.shot("a-05-together", p));
    EXPECT_GT(hudPixels(p), 30) << "bob's aircraft boxed and named on alice's right";
    ASSERT_TRUE(alice.shot("a-06-login", p));
    EXPECT_TRUE(isLoginPage(p));

    ASSERT_TRUE(bob.shot("b-02-lobby", p));
    EXPECT_TRUE(isLobby(p));
    EXPECT_GT(detailPixels(p), 10) << "alice's group selected";
    ASSERT_TRUE(bob.shot("b-03-together", p));
    EXPECT_GT(hudPixels(p), 30) << "alice's aircraft boxed and named on bob's left";
    ASSERT_TRUE(bob.shot("b-04-alone", p));
    EXPECT_LT(hudPixels(p), 5) << "alice has left";

    ASSERT_TRUE(server.shot("s-01-console", p));
    ASSERT_TRUE(server.shot("s-02-console", p));
    EXPECT_GT(count(p, 4, 202, 232, 88, 0x000000, 60), 100) << "lines in the log";
    EXPECT_EQ(boxes(log, "\"Error\""), 0) << log;
    EXPECT_EQ(boxes(alice.errors(), "A new game group has been added in the game server."), 1) << alice.errors();
}
