// program_fixture.h -- Vasko-Moravel run as a real program from a copy of
// the build's device tree with a headless input script, and what its
// screenshots are checked with
#pragma once

#include "os/testing/host.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace moravel_test {

namespace fs = std::filesystem;
using os::host::Picture;

struct MoravelRun
{
    os::testing::ScratchFolder folder{"moravel"};
    std::string tree = folder.path + "/device";
    std::string out = folder.path + "/out";

    MoravelRun()
    {
        fs::create_directories(tree + "/Program Files");
        fs::create_directories(tree + "/My Documents");
        fs::create_directories(out);
        fs::copy(fs::path(MORAVEL_DEVICE_ROOT) / "Program Files" / "Vasko-Moravel", tree + "/Program Files/Vasko-Moravel",
                 fs::copy_options::recursive);
    }

    int run(const std::string& script, const std::string& command, const std::vector<std::string>& env = {})
    {
        std::ofstream(out + "/input.txt") << script;
        std::vector<std::string> set = {"OS_DEVICE_ROOT=" + tree, "OS_BACKEND=headless", "OS_SCRIPT=" + out + "/input.txt",
                                        "OS_OUT=" + out, "OS_IDLE_GRACE_MS=2000"};
        set.insert(set.end(), env.begin(), env.end());
        std::vector<std::string> args = {tree + "/Program Files/Vasko-Moravel/bin/Vasko-Moravel"};
        if (!command.empty())
            args.push_back(command);
        return os::testing::run_and_wait(args, set, {"OS_SCRIPT_POS", "OS_SHOT_COUNT", "OS_SCREEN"});
    }

    // A restarted instance goes on after the first has ended: wait (a
    // generous real-time limit, not a timing check) for its screenshot.
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

inline bool near(uint32_t pixel, uint32_t colour, int tolerance = 14)
{
    auto c = [](uint32_t v, int s) { return int(v >> s & 255); };
    return std::abs(c(pixel, 16) - c(colour, 16)) <= tolerance && std::abs(c(pixel, 8) - c(colour, 8)) <= tolerance &&
           std::abs(c(pixel, 0) - c(colour, 0)) <= tolerance;
}

inline int count(const Picture& p, uint32_t colour, int x0 = 0, int y0 = 0, int w = -1, int h = -1, int tolerance = 14)
{
    if (w < 0)
        w = p.width - x0;
    if (h < 0)
        h = p.height - y0;
    int n = 0;
    for (int y = y0; y < y0 + h && y < p.height; ++y)
        for (int x = x0; x < x0 + w && x < p.width; ++x)
            n += near(p.at(x, y), colour, tolerance);
    return n;
}

// Pixels that differ between two pictures.
inline int changed(const Picture& a, const Picture& b)
{
    int n = 0;
    for (int y = 0; y < std::min(a.height, b.height); ++y)
        for (int x = 0; x < std::min(a.width, b.width); ++x)
            n += a.at(x, y) != b.at(x, y);
    return n;
}

// The menu pages, told apart by their grounds and titles (the frame sits at
// (32, 41) on the 240 x 320 screen).
constexpr uint32_t kTitleYellow = 0xFFE63C; // page titles
constexpr uint32_t kPageGround = 0x12162C;  // main, playing and settings pages
constexpr uint32_t kScoreGround = 0x0A0E1E; // the scoreboard
constexpr uint32_t kCoverSky = 0xF08A2E;    // the cover's sunset

inline int titlePixels(const Picture& p)
{
    return count(p, kTitleYellow, 32, 41, 176, 60, 40);
}

inline bool isCover(const Picture& p)
{
    return count(p, kCoverSky, 32, 41, 176, 140, 40) > 1000 && titlePixels(p) > 80;
}

// The intro: black ground, the title and the line over the mode buttons.
inline bool isIntro(const Picture& p)
{
    return count(p, 0x000000, 32, 41, 176, 234, 8) > 25000 && titlePixels(p) > 80 &&
           count(p, 0xC8C8FF, 32, 41 + 150, 176, 18, 40) > 30;
}

inline bool isPage(const Picture& p)
{
    return count(p, kPageGround, 32, 41, 176, 234, 6) > 15000 && titlePixels(p) > 30;
}

inline bool isScoreboard(const Picture& p)
{
    return count(p, kScoreGround, 32, 41, 176, 234, 6) > 20000 && titlePixels(p) > 30;
}

} // namespace moravel_test
