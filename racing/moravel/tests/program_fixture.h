// program_fixture.h -- Vasko-Moravel run as a real program from a copy of
// the build's device tree with a headless input script, and what its
// screenshots are checked with
#pragma once

#include "racing/framework/testing/program_run.h"

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

// The program's folder copied from the build's device tree.
struct MoravelRun : racing_test::ProgramRun
{
    MoravelRun() : ProgramRun(os::testing::built_device_root(), "Vasko-Moravel") {}
};

using racing_test::changed;
using racing_test::count;
using racing_test::near;

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
