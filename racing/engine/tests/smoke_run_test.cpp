// smoke_run_test.cpp -- the racing smoke program run as a real program,
// headless and in a real SDL window under xvfb-run: its page draws frames
// from the window timer, and the screenshots show sky, ground, the textured
// car (red and white stripes) and the badge, and move between shots
#include "os/testing/host.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using os::host::Picture;

namespace {

std::string deviceRoot()
{
    const char* build = std::getenv("HH_BUILD_DIR");
    fs::path dir = build ? fs::path(build) : fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path();
    return (dir / "device").string();
}

std::string programPath()
{
    return deviceRoot() + "/Program Files/Racing Smoke/RacingSmoke";
}

// What a 16-bit screen shows for a colour.
uint32_t shown(uint32_t rgb)
{
    return os::host::rgb565_to_rgb(uint16_t((rgb >> 8 & 0xF800) | (rgb >> 5 & 0x07E0) | (rgb >> 3 & 0x1F)));
}

struct SmokeRun
{
    os::testing::ScratchFolder folder{"racing_smoke"};
    std::string out = folder.path;

    int start(const std::vector<std::string>& prefix, const std::vector<std::string>& env, const std::string& script)
    {
        std::ofstream(out + "/input.txt") << script;
        std::vector<std::string> set = {"OS_DEVICE_ROOT=" + deviceRoot(), "OS_SCRIPT=" + out + "/input.txt",
                                        "OS_OUT=" + out};
        set.insert(set.end(), env.begin(), env.end());
        std::vector<std::string> args = prefix;
        args.push_back(programPath());
        return os::testing::run_and_wait(args, set);
    }

    Picture shot(const std::string& name) const
    {
        Picture picture;
        EXPECT_TRUE(os::host::read_png(out + "/" + name + ".png", picture)) << "no screenshot " << name;
        return picture;
    }
};

struct Census
{
    int sky = 0, ground = 0, red = 0, white = 0, other = 0;
};

// Counts the car's stripes by their hue (the filler shades nothing here).
Census census(const Picture& p)
{
    Census c;
    for (int y = 0; y < p.height; ++y)
        for (int x = 40; x < p.width; ++x) // right of the badge
        {
            uint32_t v = p.at(x, y);
            int r = int(v >> 16 & 0xFF), g = int(v >> 8 & 0xFF), b = int(v & 0xFF);
            if (v == shown(0x3060A0))
                ++c.sky;
            else if (v == shown(0x305020))
                ++c.ground;
            else if (r > 150 && g < 80 && b < 80)
                ++c.red;
            else if (r > 200 && g > 200 && b > 200)
                ++c.white;
            else
                ++c.other;
        }
    return c;
}

void expectScene(const Picture& p, const char* what)
{
    ASSERT_EQ(p.width, 240) << what;
    ASSERT_EQ(p.height, 320) << what;
    EXPECT_EQ(p.at(200, 2), shown(0x3060A0)) << what << ": sky at the top";
    EXPECT_EQ(p.at(200, 317), shown(0x305020)) << what << ": ground at the bottom";
    Census c = census(p);
    EXPECT_GT(c.red, 300) << what << ": the car's red stripes";
    EXPECT_GT(c.white, 300) << what << ": the car's white stripes";
    EXPECT_GT(c.sky, 5000) << what;
    EXPECT_GT(c.ground, 5000) << what;
    uint32_t badge = p.at(30, 30);
    EXPECT_TRUE(badge == shown(0xF0C000) || badge == shown(0x2040C0))
        << what << ": the badge at its corner, got 0x" << std::hex << badge;
}

int difference(const Picture& a, const Picture& b)
{
    int n = 0;
    for (int y = 0; y < a.height && y < b.height; ++y)
        for (int x = 0; x < a.width && x < b.width; ++x)
            n += a.at(x, y) != b.at(x, y);
    return n;
}

class RacingSmoke : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(programPath()))
            GTEST_SKIP() << "the smoke program is not built: " << programPath();
    }
};

} // namespace

TEST_F(RacingSmoke, PageRunsFromItsTimerAndDrawsTheCarUnderTheCamera)
{
    SmokeRun run;
    ASSERT_EQ(run.start({}, {"OS_BACKEND=headless", "OS_SCREEN=240x320x16"},
                        "wait 400\nshot smoke_a\nwait 700\nshot smoke_b\nclose\n"),
              0);
    Picture a = run.shot("smoke_a"), b = run.shot("smoke_b");
    expectScene(a, "first shot");
    expectScene(b, "second shot");
    EXPECT_GT(difference(a, b), 500) << "frames went on between the shots: the car turned, the badge spun";
}

TEST_F(RacingSmoke, MissingContentEndsWithAnError)
{
    SmokeRun run;
    fs::path empty = fs::path(run.out) / "tree";
    fs::create_directories(empty / "Program Files" / "Racing Smoke");
    fs::copy_file(programPath(), empty / "Program Files" / "Racing Smoke" / "RacingSmoke");
    std::ofstream(run.out + "/input.txt") << "";
    std::vector<std::string> set = {"OS_DEVICE_ROOT=" + empty.string(), "OS_BACKEND=headless",
                                    "OS_SCRIPT=" + run.out + "/input.txt"};
    EXPECT_EQ(os::testing::run_and_wait({(empty / "Program Files" / "Racing Smoke" / "RacingSmoke").string()}, set),
              1);
}

TEST_F(RacingSmoke, OpensARealWindowUnderXvfb)
{
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    SmokeRun run;
    ASSERT_EQ(run.start({"xvfb-run", "-a"}, {"OS_BACKEND=sdl", "SDL_AUDIODRIVER=dummy"},
                        "wait 300\nshot sdl_a\nwait 500\nshot sdl_b\nclose\n"),
              0)
        << "the smoke program failed under SDL; see its output above";
    Picture a = run.shot("sdl_a"), b = run.shot("sdl_b");
    expectScene(a, "in the SDL window");
    expectScene(b, "in the SDL window, later");
    EXPECT_GT(difference(a, b), 500);
}
