// demo_test.cpp -- the demonstration program run as a real process
//
// The demo runs headless from the build's device tree with an input script;
// its screenshots are read back and looked at in known places.
#include "os/host/png.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

using os::host::Picture;

namespace {

// The build's device tree, where the demo is placed.
std::string device_root()
{
    return os::testing::built_device_root();
}

std::string demo_path()
{
    return device_root() + "/Program Files/OsDemo/OsDemo";
}

struct DemoRun
{
    os::testing::ScratchFolder folder{"demo"};
    std::string out = folder.path;
    std::string script = out + "/input.txt";
};

// Starts the program with `prefix` (e.g. xvfb-run) in front and waits for it.
int run_program(const DemoRun& run, const std::vector<std::string>& prefix, const std::vector<std::string>& env,
                const char* argument = nullptr)
{
    std::vector<std::string> set = {"OS_DEVICE_ROOT=" + device_root(), "OS_SCRIPT=" + run.script, "OS_OUT=" + run.out,
                                    "OS_IDLE_GRACE_MS=2000"};
    set.insert(set.end(), env.begin(), env.end());
    std::vector<std::string> args = prefix;
    args.push_back(demo_path());
    if (argument)
    {
        args.push_back(argument);
    }
    return os::testing::run_and_wait(args, set, {"OS_SCRIPT_POS", "OS_SHOT_COUNT"});
}

// A restarted instance runs on after the first has ended: wait (a generous
// real-time limit, not a timing check) for its screenshot.
bool wait_for_file(const std::string& path)
{
    for (int i = 0; i < 300 && !std::filesystem::exists(path); i++)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::filesystem::exists(path);
}

struct PixelCheck
{
    const char* shot;
    int x;
    int y;
    uint32_t expected; // the colour painted, 0xRRGGBB
    const char* what;
};

// The colour a screen of `bpp` bits shows for a painted colour.
uint32_t shown(uint32_t rgb, int bpp)
{
    if (bpp == 32)
    {
        return rgb;
    }
    uint16_t pixel = uint16_t(((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) | ((rgb >> 3) & 0x001F));
    return os::host::rgb565_to_rgb(pixel);
}

void check_pixels(const DemoRun& run, const std::vector<PixelCheck>& checks, int bpp = 16)
{
    for (auto& c : checks)
    {
        Picture picture;
        std::string path = run.out + "/" + c.shot + ".png";
        ASSERT_TRUE(wait_for_file(path)) << "expected the screenshot " << path;
        ASSERT_TRUE(os::host::read_png(path, picture)) << path;
        ASSERT_EQ(240, picture.width);
        ASSERT_EQ(320, picture.height);
        uint32_t expected = shown(c.expected, bpp);
        EXPECT_EQ(expected, picture.at(c.x, c.y))
            << c.shot << " at " << bpp << " bpp: " << c.what << " at " << c.x << "," << c.y << ": expected 0x"
            << std::hex << expected << ", got 0x" << picture.at(c.x, c.y);
    }
}

const char kScript[] = "wait 200\n"
                       "shot start\n"
                       "tap 100 160\n"
                       "key A\n"
                       "tap 180 230  # gamma in the list box\n"
                       "tap 40 236   # the button\n"
                       "tap 40 205   # the edit box takes the focus\n"
                       "text \"hi\"\n"
                       "wait 100\n"
                       "shot input\n";

} // namespace

TEST(DemoHeadless, DrawsAndReactsToInput)
{
    ASSERT_TRUE(std::filesystem::exists(demo_path())) << "expected the demo at " << demo_path();
    const std::vector<PixelCheck> checks = {
        {"start", 30, 60, 0xFF0000, "the red box"},
        {"start", 88, 60, 0x0000FF, "the middle of the blue ellipse"},
        {"start", 150, 150, 0xFFFFFF, "the white background"},
        {"start", 182, 46, 0xFF0000, "the stretched tile's red quadrant"},
        {"start", 218, 46, 0x00FF00, "the stretched tile's green quadrant"},
        {"start", 182, 82, 0x0000FF, "the stretched tile's blue quadrant"},
        {"start", 218, 82, 0xFFFF00, "the stretched tile's yellow quadrant"},
        {"start", 12, 136, 0x000080, "the first worker message"},
        {"start", 72, 136, 0x000080, "the sixth worker message"},
        {"start", 84, 136, 0xFFFFFF, "no seventh worker message"},
        {"start", 218, 12, 0xFFFFFF, "no restart mark on the first start"},
        {"start", 100, 160, 0xFFFFFF, "no tap mark before the tap"},
        {"start", 218, 103, 0xFFFFFF, "no key mark before the key"},
        {"start", 218, 154, 0xFFFFFF, "no list box pick at the start"},
        {"input", 100, 160, 0xFF00FF, "the tap mark"},
        {"input", 103, 163, 0xFF00FF, "the tap mark's corner"},
        {"input", 105, 160, 0xFFFFFF, "beside the tap mark"},
        {"input", 218, 103, 0xFFFF00, "the key mark"},
        {"input", 218, 121, 0x00FFFF, "the sound finished"},
        {"input", 218, 154, 0xFF8000, "the list box pick"},
        {"input", 218, 166, 0x800080, "the button click"},
        {"input", 218, 178, 0x008000, "text typed into the edit box"},
    };
    for (int bpp : {16, 32})
    {
        SCOPED_TRACE(testing::Message() << bpp << " bpp");
        DemoRun run;
        std::ofstream(run.script) << kScript;
        std::string screen = "OS_SCREEN=240x320x" + std::to_string(bpp);
        ASSERT_EQ(0, run_program(run, {}, {"OS_BACKEND=headless", screen})) << "the demo failed; see its output above";
        check_pixels(run, checks, bpp);
    }
}

TEST(DemoHeadless, RestartsItselfAndTheScriptGoesOn)
{
    ASSERT_TRUE(std::filesystem::exists(demo_path()));
    struct
    {
        const char* trigger;
        const char* what;
    } cases[] = {
        {"key APP1", "the first application button"},
        {"tap 40 205\nkey APP1", "the application button while the edit box has the focus"},
        {"tap 200 300", "a tap on the restart area"},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        DemoRun run;
        std::ofstream(run.script) << "wait 100\ntap 100 160\n" << c.trigger << "\nwait 400\nshot restarted\n";
        ASSERT_EQ(0, run_program(run, {}, {"OS_BACKEND=headless"})) << "the demo failed; see its output above";
        check_pixels(run, {
                              {"restarted", 218, 12, 0x00C800, "the restart mark"},
                              {"restarted", 100, 160, 0xFFFFFF, "no tap mark in the new instance"},
                              {"restarted", 30, 60, 0xFF0000, "the red box again"},
                          });
    }
}

TEST(DemoHeadless, ARefusedScriptEndsTheRunBeforeItStarts)
{
    ASSERT_TRUE(std::filesystem::exists(demo_path()));
    for (const char* bad : {"shot start\ntap 1\n", "shot start\nkey ENTRE\n", "shot start\ntpa 1 2\n"})
    {
        SCOPED_TRACE(bad);
        DemoRun run;
        std::ofstream(run.script) << bad;
        EXPECT_EQ(2, run_program(run, {}, {"OS_BACKEND=headless", "OS_IDLE_GRACE_MS=50"}));
        EXPECT_FALSE(std::filesystem::exists(run.out + "/start.png")) << "the program did not run";
    }
}

TEST(DemoHeadless, AScriptWithAByteOrderMarkRuns)
{
    DemoRun run;
    std::ofstream(run.script) << "\xEF\xBB\xBFwait 100\nshot start\n";
    ASSERT_EQ(0, run_program(run, {}, {"OS_BACKEND=headless"}));
    check_pixels(run, {{"start", 30, 60, 0xFF0000, "the red box"}});
}

TEST(DemoHeadless, AShotAfterTheProgramEndedFailsTheRun)
{
    DemoRun run;
    std::ofstream(run.script) << "wait 100\nclose\nwait 500\nshot gone\n";
    EXPECT_EQ(3, run_program(run, {}, {"OS_BACKEND=headless"})) << "the missed shot is reported";
    EXPECT_FALSE(std::filesystem::exists(run.out + "/gone.png"));
}

TEST(DemoSdl, StartsDrawsAndQuitsUnderXvfb)
{
    if (system("command -v xvfb-run >/dev/null 2>&1") != 0)
    {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    ASSERT_TRUE(std::filesystem::exists(demo_path()));
    // The script plays on real time; however slowly the program starts (a
    // busy machine), it starts when the program is ready and waits for it.
    for (const char* argument : {"", "ARG:slowstart"})
    {
        SCOPED_TRACE(*argument ? "a slow start" : "a normal start");
        DemoRun run;
        std::ofstream(run.script) << "wait 300\nshot sdl\ntap 100 160\nwait 200\nshot sdl-tap\n";
        ASSERT_EQ(0, run_program(run, {"xvfb-run", "-a"}, {"OS_BACKEND=sdl", "SDL_AUDIODRIVER=dummy"}, argument))
            << "the demo failed; see its output above";
        check_pixels(run, {
                              {"sdl", 30, 60, 0xFF0000, "the red box"},
                              {"sdl", 150, 150, 0xFFFFFF, "the white background"},
                              {"sdl-tap", 100, 160, 0xFF00FF, "the tap mark"},
                          });
    }
}

// When the X server goes away mid-run, the program ends (and says why)
// instead of spinning on the dead connection.
TEST(DemoSdl, EndsWhenItsDisplayGoesAway)
{
    if (system("command -v Xvfb >/dev/null 2>&1") != 0)
    {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    DemoRun run;
    // Xvfb picks a free display and writes its number into this file.
    const std::string number_file = run.out + "/display";
    int fd = open(number_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    int server = os::testing::start_program({"Xvfb", "-displayfd", std::to_string(fd), "-screen", "0", "640x480x24"},
                                            {}, {}, run.out + "/xvfb.txt");
    close(fd);
    ASSERT_GT(server, 0);
    std::string display;
    for (int i = 0; i < 300 && display.empty(); i++)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::ifstream(number_file) >> display;
    }
    ASSERT_FALSE(display.empty()) << "Xvfb gave no display";

    std::ofstream(run.script) << "wait 200\nshot up\nwait 600000\n";
    std::vector<std::string> set = {
        "OS_DEVICE_ROOT=" + device_root(), "OS_SCRIPT=" + run.script, "OS_OUT=" + run.out, "OS_BACKEND=sdl",
        "SDL_AUDIODRIVER=dummy",           "DISPLAY=:" + display};
    int demo = os::testing::start_program({demo_path()}, set, {"OS_SCRIPT_POS", "OS_SHOT_COUNT"},
                                          run.out + "/demo.txt");
    ASSERT_GT(demo, 0);
    bool up = wait_for_file(run.out + "/up.png");
    kill(server, SIGTERM);
    EXPECT_EQ(os::testing::wait_program(server, 60000), 0) << "Xvfb did not end";
    ASSERT_TRUE(up) << "the demo never drew under Xvfb";

    EXPECT_EQ(os::testing::wait_program(demo, 60000), 1) << "the demo did not end with its display (-2: still running)";
    std::stringstream said;
    said << std::ifstream(run.out + "/demo.txt").rdbuf();
    EXPECT_NE(said.str().find("the display went away"), std::string::npos) << said.str();
}
