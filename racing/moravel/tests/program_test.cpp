// program_test.cpp -- Vasko-Moravel run as a real program from a copy of
// the build's device tree with a headless input script: a race started by
// its restart command shows the start lights and then riders on the road,
// an exercise race ends after its lap by restarting into the intro page,
// and bad race commands go back to the menu.
#include "racing/moravel/tests/program_fixture.h"

#include <cmath>
#include <utility>

using namespace moravel_test;
using os::host::Picture;

namespace {

constexpr uint32_t kRoad = 0x5A5A60;     // the oval's asphalt
constexpr uint32_t kWallRed = 0xC81E1E;  // the walls' stripes
constexpr uint32_t kRedLamp = 0xFF2020;  // the first start light
constexpr uint32_t kHud = 0xFFFF00;      // the HUD line

// Yellowish pixels of the HUD line (its small font is smoothed) in the
// page's top rows.
int hudPixels(const Picture& p)
{
    return count(p, kHud, 0, 0, -1, 80, 70);
}

TEST(MoravelProgram, ARaceShowsItsStartLightsThenRidersOnTheRoad)
{
    MoravelRun run;
    const std::string script = "wait 2500\nshot lights\nwait 2500\nkeydown UP\nwait 4000\nshot riding\n"
                               "wait 3000\nshot later\nkeyup UP\n";
    EXPECT_EQ(run.run(script, "ARG:goNow/0,0,0,0,0,Bob:"), 0);
    Picture lights = run.shot("lights");
    Picture riding = run.shot("riding");
    Picture later = run.shot("later");
    // Start lights: the red lamp, the road and its walls, no HUD yet.
    EXPECT_GT(count(lights, kRedLamp), 20);
    EXPECT_GT(count(lights, kRoad, 0, 0, -1, -1), 2000);
    EXPECT_GT(count(lights, kWallRed), 300);
    EXPECT_EQ(hudPixels(lights), 0);
    // Riding: the HUD line, the road, and the view moves on.
    EXPECT_GT(hudPixels(riding), 50);
    EXPECT_GT(count(riding, kRoad), 2000);
    EXPECT_GT(changed(riding, later), 5000);
}

// Where the player's red square stands on the track map (bottom right of
// the page): the centre of its pixels, or (-1, -1) without any.
std::pair<float, float> playerOnMap(const Picture& p)
{
    float sx = 0.0f, sy = 0.0f;
    int n = 0;
    for (int y = 200; y < std::min(p.height, 300); ++y)
        for (int x = 160; x < p.width; ++x)
            if (racing_test::near(p.at(x, y), 0xFF0000, 30))
                sx += float(x), sy += float(y), ++n;
    return n ? std::pair{sx / float(n), sy / float(n)} : std::pair{-1.0f, -1.0f};
}

float distance(std::pair<float, float> a, std::pair<float, float> b)
{
    return std::hypot(a.first - b.first, a.second - b.second);
}

// A race ridden by the device's buttons alone: A (held) rides on, the view
// running past; B brakes the bike to a stand, the view then still. The same
// race left alone is the measure: the rivals pass and may bump the bike,
// but held A takes it much further along the track (the square on the map).
TEST(MoravelProgram, TheDevicesButtonsRideTheRace)
{
    MoravelRun run;
    const std::string script = "wait 4400\nshot grid\nwait 100\nkeydown APP1\nwait 5000\nshot riding\nwait 500\n"
                               "shot on\nkeyup APP1\nkeydown APP2\nwait 5000\nshot stopped\nwait 500\nshot still\n"
                               "keyup APP2\n";
    EXPECT_EQ(run.run(script, "ARG:goNow/0,0,0,0,0,Bob:"), 0);
    const Picture riding = run.shot("riding"), on = run.shot("on");
    const Picture stopped = run.shot("stopped"), still = run.shot("still");
    EXPECT_GT(hudPixels(riding), 50);
    EXPECT_GT(count(riding, kRoad), 2000);
    const int moving = changed(riding, on), standing = changed(stopped, still);
    EXPECT_GT(moving, 5000);
    EXPECT_LT(standing * 5, moving) << standing; // the HUD's clock runs on

    MoravelRun idle;
    EXPECT_EQ(idle.run("wait 4400\nshot grid\nwait 5100\nshot riding\n", "ARG:goNow/0,0,0,0,0,Bob:"), 0);
    const auto start = playerOnMap(run.shot("grid")), ridden = playerOnMap(riding);
    const auto idleStart = playerOnMap(idle.shot("grid")), left = playerOnMap(idle.shot("riding"));
    for (auto at : {start, ridden, idleStart, left})
        ASSERT_GE(at.first, 0.0f) << "the player's square on the map";
    EXPECT_LT(distance(start, idleStart), 1.0f) << "both start on the grid";
    // Five seconds of A: some 14 pixels along the map; left alone about 1.
    EXPECT_GT(distance(start, ridden), distance(idleStart, left) + 6.0f)
        << "ridden " << distance(start, ridden) << ", left alone " << distance(idleStart, left);
}

// Two laps against two rivals ridden by a person's keys: the script
// (tests/two_laps.script, written and checked by the race page's tests) waits
// on the grid through the start lights, then steers, throttles and brakes
// round the oval; the race ends by restarting into the scoreboard page.
TEST(MoravelProgram, ARaceOfTwoLapsRiddenByKeysFinishes)
{
    MoravelRun run;
    std::ifstream file(os::testing::source_root() + "/racing/moravel/tests/two_laps.script");
    ASSERT_TRUE(file);
    std::stringstream script;
    script << file.rdbuf();
    EXPECT_EQ(run.run(script.str(), "ARG:goNow/0,0,0,0,0,Bob:"), 0);
    ASSERT_TRUE(run.waitFor("scoreboard"));
    Picture lights = run.shot("lights");
    EXPECT_GT(count(lights, kRedLamp), 20);
    EXPECT_EQ(hudPixels(lights), 0);
    for (const char* name : {"mid", "finish"})
    {
        SCOPED_TRACE(name);
        Picture riding = run.shot(name);
        EXPECT_GT(hudPixels(riding), 50);
        EXPECT_GT(count(riding, kRoad), 2000);
        // The road under the bike, low in the middle of the page.
        EXPECT_GT(count(riding, kRoad, 60, 240, 120, 48, 16), 600);
        // One HUD line over a sky drawn again each frame, whatever the
        // heading (a sky left undrawn keeps the lines of earlier frames).
        EXPECT_LT(count(riding, kHud, 0, 30, -1, 30), 320);
    }
    // The race ended through the application: the next instance shows the
    // scoreboard's page.
    Picture after = run.shot("scoreboard");
    EXPECT_TRUE(isScoreboard(after));
    EXPECT_LT(count(after, kRoad), 100);
}

TEST(MoravelProgram, AnExerciseRaceEndsAfterItsLapInTheIntroPage)
{
    MoravelRun run;
    const std::string script = "wait 2500\nshot lights\nwait 10000\nshot mid\nwait 40000\nshot after\n";
    run.run(script, "ARG:exerciseNow/0,1,0,0,1,Ann:");
    ASSERT_TRUE(run.waitFor("after"));
    Picture mid = run.shot("mid");
    EXPECT_GT(hudPixels(mid), 50);
    EXPECT_GT(count(mid, kRoad), 1000);
    Picture after = run.shot("after");
    EXPECT_TRUE(isIntro(after));
    EXPECT_LT(count(after, kRoad), 100); // text edges only
}

TEST(MoravelProgram, OnlyAStartWithoutCommandChecksTheMemory)
{
    const std::string low = "OS_MEM_AVAIL=1048576";
    {
        MoravelRun run;
        EXPECT_EQ(run.run("answer NO\nwait 500\n", "", {low}), 1);
    }
    {
        MoravelRun run;
        EXPECT_EQ(run.run("answer YES\nwait 1000\nshot cover\n", "", {low}), 0);
        EXPECT_TRUE(isCover(run.shot("cover")));
    }
    {
        // A restarted instance does not ask.
        MoravelRun run;
        run.run("wait 1000\nshot page\n", "ARG:gsetting", {low});
        EXPECT_TRUE(isPage(run.shot("page")));
    }
}

// A settings file damaged on the device (bytes that are not text): the
// program says so once, sets it aside beside itself, takes its shipped copy
// and starts at the cover as always; the next start says nothing.
TEST(MoravelProgram, ADamagedSettingsFileIsSetAsideAndTheDefaultsUsed)
{
    MoravelRun run;
    const std::string gui = run.tree + "/Program Files/Vasko-Moravel/resources/GUI/";
    std::ofstream(gui + "gsetting.properties", std::ios::binary) << std::string("\x01\x02soundEffect") + '\0' + "\xff";
    run.run("wait 1500\nshot cover\n", "");
    EXPECT_TRUE(isCover(run.shot("cover")));
    const std::string said = run.errors();
    EXPECT_NE(said.find("gsetting.properties was damaged"), std::string::npos) << said;
    EXPECT_TRUE(fs::exists(gui + "gsetting.properties.damaged"));
    EXPECT_EQ(racing_test::fileText(gui + "gsetting.properties"), racing_test::fileText(gui + "defaults/gsetting.properties"));
    run.run("wait 1000\nshot again\n", "");
    EXPECT_EQ(run.errors(), said);
}

// A page the program does not have starts it at the cover.
TEST(MoravelProgram, AnUnknownPageStartsAtTheCover)
{
    MoravelRun run;
    run.run("wait 1500\nshot page\n", "ARG:nosuchpage");
    EXPECT_TRUE(isCover(run.shot("page")));
}

// The menu pages are zoomed by the frame's width over 240: the turning
// bike's scene is drawn that much smaller and stretched over its place, so
// where the bike is, some rows repeat the row above them whole.
TEST(MoravelProgram, TheMenusPreviewIsDrawnAtTheZoomAndStretched)
{
    MoravelRun run;
    run.run("wait 2000\nshot menu\n", "ARG:MainMenu");
    Picture menu = run.shot("menu");
    ASSERT_TRUE(isPage(menu));
    const int x0 = 32 + 28, y0 = 41 + 116, w = 120, h = 62; // the preview's scene
    int bikeRows = 0, repeated = 0;
    for (int y = y0 + 1; y < y0 + h; ++y)
    {
        bool bike = false, same = true;
        for (int x = x0; x < x0 + w; ++x)
        {
            bike = bike || !near(menu.at(x, y), 0x12162C, 8);
            same = same && menu.at(x, y) == menu.at(x, y - 1);
        }
        bikeRows += bike;
        repeated += bike && same;
    }
    ASSERT_GT(bikeRows, 15);
    EXPECT_GE(repeated * 5, bikeRows) << repeated << " of " << bikeRows; // about one in four at 176 / 240
}

// A second start while the program runs brings the running copy to the
// front and ends, saying so.
TEST(MoravelProgram, ASecondStartStandsBackForTheRunningCopy)
{
    MoravelRun run;
    std::thread first([&] {
        run.run("wait 1500\nshot cover_first\nwaitfile \"" + run.out + "/second.done\" 20000\nshot first\n", "");
    });
    ASSERT_TRUE(run.waitFor("cover_first"));
    EXPECT_EQ(run.run("wait 100\n", "", {}, {}, "second.txt"), 0);
    std::ofstream(run.out + "/second.done") << "done";
    first.join();
    EXPECT_TRUE(isCover(run.shot("first")));
    EXPECT_NE(run.errors().find("Vasko-Moravel runs already"), std::string::npos) << run.errors();
}

// Content missing on the device: an "Error" box names it by its device
// path, and the game goes on where it can (stays on its page, or goes back
// to the menu from a race that cannot be set up).
TEST(MoravelProgram, MissingContentIsNamedAndTheGameGoesOn)
{
    using racing_test::tap;
    const std::string folder = "\\Program Files\\Vasko-Moravel\\resources\\";
    const std::string toIntro = "wait 1500\n" + tap(88, 110) + "wait 2300\n";
    struct Case
    {
        const char* what;
        std::vector<std::string> removed; // file names starting so, in resources/<folder>/
        std::string command, script;
        std::string box;
        bool (*goesOn)(const Picture&);
    };
    const Case cases[] = {
        {"the main menu and its shipped copy",
         {"GUI/MainMenu.properties", "GUI/defaults/MainMenu.properties"},
         "",
         toIntro + tap(46, 184) + "wait 1500\nshot after\n",
         "The file \"" + folder + "GUI\\MainMenu.properties\" is missing.",
         isIntro},
        {"the paints",
         {"vehicle/SBPaint_"},
         "ARG:MainMenu",
         "wait 2000\n" + tap(142, 224) + "wait 1000\nshot after\n",
         "No vehicle was found in \"" + folder + "vehicle\".",
         isPage},
        {"the tracks",
         {"scenes/SB_"},
         "ARG:MainMenu",
         "wait 2000\n" + tap(142, 224) + "wait 1000\nshot after\n",
         "No track was found in \"" + folder + "scenes\".",
         isPage},
        {"the race template",
         {"GUI/MVCanvas.properties"},
         "ARG:goNow/0,0,0,0,0,Bob:",
         "wait 2000\nshot after\n",
         "The file \"" + folder + "GUI\\MVCanvas.properties\" is missing.",
         isIntro},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        MoravelRun run;
        const fs::path resources = fs::path(run.tree) / "Program Files/Vasko-Moravel/resources";
        int gone = 0;
        for (const std::string& removed : c.removed)
        {
            const fs::path in = resources / fs::path(removed).parent_path();
            const std::string start = fs::path(removed).filename().string();
            for (const auto& entry : fs::directory_iterator(in))
                if (entry.path().filename().string().rfind(start, 0) == 0)
                    gone += int(fs::remove(entry.path()));
        }
        ASSERT_GT(gone, 0);
        run.run(c.script, c.command);
        ASSERT_TRUE(run.waitFor("after"));
        const std::string said = run.errors();
        EXPECT_NE(said.find("message box \"Error\": " + c.box), std::string::npos) << said;
        EXPECT_TRUE(c.goesOn(run.shot("after")));
    }
}

TEST(MoravelProgram, BadRaceCommandsGoBackToTheMenu)
{
    for (const char* command : {"ARG:goNow/0,9,0,0,0,Bob:", "ARG:goNow/0,0,7,0,0,Bob:", "ARG:goNow/5,0,0,0,0,Bob:",
                                "ARG:goNow/0,0", "ARG:exerciseNow/0,-1,0,0,0,Bob:"})
    {
        SCOPED_TRACE(command);
        MoravelRun run;
        run.run("wait 2000\nshot menu\n", command);
        ASSERT_TRUE(run.waitFor("menu"));
        Picture menu = run.shot("menu");
        EXPECT_TRUE(isIntro(menu));
        EXPECT_LT(count(menu, kRoad), 100);
    }
}

} // namespace
