// program_test.cpp -- Vasko-Tundrel run as a real program from a copy of
// the build's device tree with a headless input script: the menu pages
// where the storage card's library and its vehicle are chosen, a race of
// that vehicle started from the playing menu, abandoned by the exit box and
// back in the main menu; the score table of a finished race's command.
#include "os/host/png.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using os::host::Picture;

namespace {

struct TundrelRun
{
    os::testing::ScratchFolder folder{"tundrel"};
    std::string tree = folder.path + "/device";
    std::string out = folder.path + "/out";

    TundrelRun()
    {
        const fs::path from(TUNDREL_DEVICE_ROOT);
        fs::create_directories(tree + "/Program Files");
        fs::create_directories(out);
        for (const char* part : {"Program Files/Vasko-Tundrel", "Program Files/Classic Pack", "Storage Card"})
            fs::copy(from / part, fs::path(tree) / part, fs::copy_options::recursive);
        fs::copy(from / "registry", fs::path(tree) / "registry");
    }

    int run(const std::string& script, const std::string& command)
    {
        std::ofstream(out + "/input.txt") << script;
        std::vector<std::string> set = {"OS_DEVICE_ROOT=" + tree, "OS_BACKEND=headless", "OS_SCRIPT=" + out + "/input.txt",
                                        "OS_OUT=" + out, "OS_IDLE_GRACE_MS=2000"};
        std::vector<std::string> args = {tree + "/Program Files/Vasko-Tundrel/bin/Vasko-Tundrel"};
        if (!command.empty())
            args.push_back(command);
        return os::testing::run_and_wait(args, set, {"OS_SCRIPT_POS", "OS_SHOT_COUNT", "OS_SCREEN"});
    }

    bool waitFor(const std::string& name) const
    {
        const std::string path = out + "/" + name + ".png";
        for (int i = 0; i < 1200 && !fs::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return fs::exists(path);
    }

    Picture shot(const std::string& name) const
    {
        Picture picture;
        EXPECT_TRUE(os::host::read_png(out + "/" + name + ".png", picture)) << "no screenshot " << name;
        return picture;
    }
};

bool near(uint32_t pixel, uint32_t colour, int tolerance = 14)
{
    auto c = [](uint32_t v, int s) { return int(v >> s & 255); };
    return std::abs(c(pixel, 16) - c(colour, 16)) <= tolerance && std::abs(c(pixel, 8) - c(colour, 8)) <= tolerance &&
           std::abs(c(pixel, 0) - c(colour, 0)) <= tolerance;
}

int count(const Picture& p, uint32_t colour)
{
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            n += near(p.at(x, y), colour);
    return n;
}

constexpr uint32_t kPage = 0x101830;   // the menu pages' ground
constexpr uint32_t kButton = 0x1E5AA0; // a page button
constexpr uint32_t kWagon = 0xF0C81E;  // the storage card's yellow wagon
constexpr uint32_t kHud = 0xFFFF00;    // the HUD line
constexpr uint32_t kExit = 0x780000;   // the race's exit box

// The frame sits at (32, 41) of the 240 x 320 screen; page coordinates
// below are the templates' plus that offset.
TEST(TundrelProgram, TheCardsVehicleRacesAndAnAbandonedRaceGoesBackToTheMainMenu)
{
    TundrelRun run;
    const std::string script = "wait 500\nshot cover\n"
                               "tap 120 230\nwait 500\nshot intro\n"       // Start
                               "tap 120 230\nwait 500\nshot main\n"        // Enter
                               "tap 194 72\nwait 300\nshot card\n"         // the next library
                               "tap 120 246\nwait 500\nshot playing\n"     // Next
                               "tap 120 150\n"                              // Race: a restart
                               "wait 2500\nshot lights\nwait 2500\nkeydown UP\nwait 2000\nshot racing\nkeyup UP\n"
                               "tap 188 265\nwait 1500\nshot back\n";      // the exit box
    EXPECT_EQ(run.run(script, ""), 0);
    ASSERT_TRUE(run.waitFor("back"));
    // The old library's warning was answered on the first start only (recorded, not blocking).
    Picture main = run.shot("main"), card = run.shot("card"), playing = run.shot("playing");
    EXPECT_GT(count(main, kPage), 10000);
    EXPECT_GT(count(main, kButton), 500);
    // Choosing the next library changes the library and vehicle lines.
    int differ = 0;
    for (int y = 0; y < main.height; ++y)
        for (int x = 0; x < main.width; ++x)
            differ += main.at(x, y) != card.at(x, y);
    EXPECT_GT(differ, 100);
    Picture lights = run.shot("lights"), racing = run.shot("racing"), back = run.shot("back");
    // The race of the card's wagon: the yellow car in view, then the HUD and the exit box.
    EXPECT_GT(count(lights, kWagon), 30);
    EXPECT_GT(count(racing, kHud), 50);
    EXPECT_GT(count(racing, kExit), 300);
    // Abandoned: the main menu again, with the card's library still chosen.
    EXPECT_GT(count(back, kPage), 10000);
    EXPECT_EQ(count(back, kHud), 0);
}

TEST(TundrelProgram, TheScoreTableOfAFinishedRace)
{
    TundrelRun run;
    std::ofstream(run.tree + "/Program Files/Vasko-Tundrel/resources/GUI/racescore.properties")
        << "-1=track:Ring, racer:Ann, vehicle:Rally Wagon, date:2026/12/10, time:  95.250, speed:101\n"
           "0=track:Ring, racer:Ann, vehicle:Rally Wagon, date:2026/12/10, time:  95.250, speed:101\n";
    EXPECT_EQ(run.run("wait 800\nshot scoreboard\n", "ARG:scoreboard/-1.000000,Ring:Ann:N/A"), 0);
    Picture board = run.shot("scoreboard");
    EXPECT_GT(count(board, kPage), 10000);
    EXPECT_GT(count(board, 0xFFFF78), 8); // the latest race's line
}

} // namespace
