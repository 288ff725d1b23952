// smoke_run_test.cpp -- the racing smoke program run as a real program,
// headless and in a real SDL window under xvfb-run. Its smoke screen, built
// from its template, answers check boxes (saved into the template), the
// index keys, the tip link, the edit box, the button and the hyperlink (to a
// second page and back) while the cube turns with its animated texture, the
// flag's models take turns, a masked bar slides in the 2D scene and a chip
// reaches into the fog; its car page draws
// frames from the window timer, and the screenshots show sky, ground, the
// textured car (red and white stripes) and the badge, and move between
// shots
#include "os/testing/host.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using os::host::Picture;

namespace {

std::string programPath()
{
    return os::testing::built_device_root() + "/Program Files/Racing Smoke/RacingSmoke";
}

// Each run works on its own copy of the program's folder: the smoke screen
// saves its template when a persistent check box changes.
struct SmokeRun
{
    os::testing::ScratchFolder folder{"racing_smoke"};
    std::string out = folder.path;
    std::string tree = out + "/device";

    int start(const std::vector<std::string>& prefix, const std::vector<std::string>& env, const std::string& script,
              const std::vector<std::string>& arguments = {"car"})
    {
        const fs::path program = fs::path(tree) / "Program Files" / "Racing Smoke";
        if (!fs::exists(program))
        {
            fs::create_directories(fs::path(tree) / "My Documents");
            fs::create_directories(program.parent_path());
            fs::copy(fs::path(programPath()).parent_path(), program, fs::copy_options::recursive);
        }
        std::ofstream(out + "/input.txt") << script;
        std::vector<std::string> set = {"OS_DEVICE_ROOT=" + tree, "OS_SCRIPT=" + out + "/input.txt", "OS_OUT=" + out};
        set.insert(set.end(), env.begin(), env.end());
        std::vector<std::string> args = prefix;
        args.push_back((program / "RacingSmoke").string());
        args.insert(args.end(), arguments.begin(), arguments.end());
        return os::testing::run_and_wait(args, set);
    }

    // A file of the program's folder after the run.
    std::string programFile(const std::string& name) const
    {
        std::ifstream in(fs::path(tree) / "Program Files" / "Racing Smoke" / name);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
            if (v == os::host::shown_in_rgb565(0x3060A0))
                ++c.sky;
            else if (v == os::host::shown_in_rgb565(0x305020))
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
    EXPECT_EQ(p.at(200, 2), os::host::shown_in_rgb565(0x3060A0)) << what << ": sky at the top";
    EXPECT_EQ(p.at(200, 317), os::host::shown_in_rgb565(0x305020)) << what << ": ground at the bottom";
    Census c = census(p);
    EXPECT_GT(c.red, 300) << what << ": the car's red stripes";
    EXPECT_GT(c.white, 300) << what << ": the car's white stripes";
    EXPECT_GT(c.sky, 5000) << what;
    EXPECT_GT(c.ground, 5000) << what;
    uint32_t badge = p.at(30, 30);
    EXPECT_TRUE(badge == os::host::shown_in_rgb565(0xF0C000) || badge == os::host::shown_in_rgb565(0x2040C0))
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

// Pixels of a colour inside a rectangle.
int countIn(const Picture& p, int x0, int y0, int x1, int y1, uint32_t rgb)
{
    int n = 0;
    for (int y = y0; y < y1 && y < p.height; ++y)
        for (int x = x0; x < x1 && x < p.width; ++x)
            n += p.at(x, y) == os::host::shown_in_rgb565(rgb);
    return n;
}

// The flag's yellow, shaded by its light.
int yellowIn(const Picture& p, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1 && y < p.height; ++y)
        for (int x = x0; x < x1 && x < p.width; ++x)
        {
            const uint32_t v = p.at(x, y);
            n += (v >> 16 & 0xFF) > 100 && (v >> 8 & 0xFF) > 60 && (v & 0xFF) < 40;
        }
    return n;
}

int differenceIn(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1 && y < a.height && y < b.height; ++y)
        for (int x = x0; x < x1 && x < a.width && x < b.width; ++x)
            n += a.at(x, y) != b.at(x, y);
    return n;
}

TEST_F(RacingSmoke, SmokeScreenFromItsTemplateAnswersThePen)
{
    SmokeRun run;
    ASSERT_EQ(run.start({}, {"OS_BACKEND=headless", "OS_SCREEN=240x320x16"},
                        "wait 500\nshot demo_a\n"
                        "tap 52 42\nwait 300\nshot demo_b\n"
                        "keydown 0x31\nwait 100\nshot demo_key\nkeyup 0x31\n"
                        "down 205 38\nwait 100\nshot demo_tip\nup 205 38\nwait 100\nshot demo_untip\n"
                        "tap 60 66\ntext \"Z\"\ndown 120 295\nwait 200\nshot demo_c\nup 120 295\n"
                        "tap 130 38\nwait 500\nshot demo_d\n"
                        "tap 40 48\nwait 600\nshot demo_e\nclose\n",
                        {}),
              0);
    const Picture a = run.shot("demo_a"), b = run.shot("demo_b"), c = run.shot("demo_c"), d = run.shot("demo_d"),
                  e = run.shot("demo_e"), pressed = run.shot("demo_key"), tip = run.shot("demo_tip"),
                  untip = run.shot("demo_untip");
    ASSERT_EQ(a.width, 240);
    // The page: its background, both check boxes clear, the button up with
    // its index label "1" beside it, three star copies.
    EXPECT_EQ(a.at(115, 80), os::host::shown_in_rgb565(0x000040));
    EXPECT_EQ(a.at(22, 42), os::host::shown_in_rgb565(0x808080));
    EXPECT_EQ(a.at(52, 42), os::host::shown_in_rgb565(0x808080));
    EXPECT_EQ(a.at(100, 295), os::host::shown_in_rgb565(0x208020));
    EXPECT_EQ(a.at(73, 295), os::host::shown_in_rgb565(0x000040)) << "the page through the button's mask";
    int label = 0;
    for (int y = 278; y < 296; ++y)
        for (int x = 60; x < 76; ++x)
            label += (a.at(x, y) >> 16 & 0xFF) > 180 && (a.at(x, y) >> 8 & 0xFF) > 180 && (a.at(x, y) & 0xFF) < 90;
    EXPECT_GT(label, 3) << "the button's index label";
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(countIn(a, 180 + 20 * i, 284, 196 + 20 * i, 298, 0x600060), 80) << "star copy " << i;
    // The 2D scene: the bar's two colours through its mask over the scene's
    // green, the bar sliding between the shots.
    EXPECT_GT(countIn(a, 120, 52, 240, 86, 0x004000), 1000);
    EXPECT_GT(countIn(a, 120, 52, 240, 86, 0xF08000), 30);
    EXPECT_GT(countIn(a, 120, 52, 240, 86, 0xF0F000), 30);
    EXPECT_GT(differenceIn(a, b, 120, 52, 240, 86), 40) << "the bar slid";
    // The 3D scene: a textured cube left of the yellow flag, on black, and
    // the chip reaching back into the fog (its far end the fog's colour).
    EXPECT_GT(countIn(a, 0, 90, 120, 270, 0xF0F0F0), 300) << "the cube's white stripes";
    EXPECT_GT(yellowIn(a, 120, 90, 240, 270), 200) << "the flag";
    EXPECT_EQ(a.at(5, 265), os::host::shown_in_rgb565(0x000000));
    EXPECT_GT(countIn(a, 0, 90, 240, 270, 0xA0C8F0), 100) << "the chip beyond the fog's back";

    // The second check box of the group checked, the first still clear.
    EXPECT_EQ(b.at(52, 42), os::host::shown_in_rgb565(0x20E020));
    EXPECT_EQ(b.at(22, 42), os::host::shown_in_rgb565(0x808080));
    // Typing the button's index pressed it.
    EXPECT_EQ(pressed.at(100, 295), os::host::shown_in_rgb565(0xF0F040)) << "typed 1";
    EXPECT_EQ(pressed.at(73, 295), os::host::shown_in_rgb565(0x000040));
    // The tip link shows its tip while held, not after.
    EXPECT_GT(countIn(tip, 130, 4, 230, 24, 0xFFFFC8), 800) << "the tip";
    EXPECT_EQ(countIn(untip, 130, 4, 230, 24, 0xFFFFC8), 0) << "gone with the release";
    // Typed into the edit box; the button held down shows its bright face.
    EXPECT_GT(differenceIn(b, c, 12, 58, 108, 74), 10) << "the typed letter";
    EXPECT_EQ(c.at(100, 295), os::host::shown_in_rgb565(0xF0F040));
    // The hyperlink opened the second page (its background a JPEG), whose
    // link led back.
    auto darkRed = [](uint32_t v) {
        return std::abs(int(v >> 16 & 0xFF) - 0x40) <= 8 && (v >> 8 & 0xFF) <= 8 && (v & 0xFF) <= 8;
    };
    EXPECT_TRUE(darkRed(d.at(200, 200))) << std::hex << d.at(200, 200);
    EXPECT_TRUE(darkRed(d.at(100, 295))) << "no button on the second page";
    EXPECT_EQ(e.at(115, 80), os::host::shown_in_rgb565(0x000040));
    // Built again from its template, which the check box saved: the second
    // box is still the checked one.
    EXPECT_EQ(e.at(52, 42), os::host::shown_in_rgb565(0x20E020)) << "the page was built again with the saved state";
    EXPECT_EQ(e.at(22, 42), os::host::shown_in_rgb565(0x808080));
    const std::string saved = run.programFile("engine_demo.properties");
    EXPECT_NE(saved.find("chkA= type:Sprite"), std::string::npos) << saved;
    EXPECT_NE(saved.find("group:grpOpt, persistent:1, status:0\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("group:grpOpt, persistent:1, status:1\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("grpOpt= GUIType:checkboxGroup, selected:1\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("# racing engine smoke screen\n"), std::string::npos) << "comments kept";

    // The cube turns and changes its texture; the flag changes its model.
    EXPECT_GT(differenceIn(a, b, 0, 90, 120, 270), 300);
    EXPECT_GT(differenceIn(c, e, 0, 90, 120, 270), 300);
    std::vector<int> flags;
    for (const Picture* p : {&a, &b, &c, &e})
        flags.push_back(yellowIn(*p, 120, 90, 240, 270));
    EXPECT_NE(*std::min_element(flags.begin(), flags.end()), *std::max_element(flags.begin(), flags.end()))
        << "the flag's models took turns";
    int textured = 0;
    for (const Picture* p : {&a, &b, &c, &e})
        textured |= (countIn(*p, 0, 90, 120, 270, 0xE02020) > 100 ? 1 : 0) |
                    (countIn(*p, 0, 90, 120, 270, 0x20E020) > 100 ? 2 : 0) |
                    (countIn(*p, 0, 90, 120, 270, 0x2020E0) > 100 ? 4 : 0);
    EXPECT_GE(__builtin_popcount(unsigned(textured)), 2) << "the cube showed more than one of its textures";
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

TEST_F(RacingSmoke, SmokeScreenInARealWindowUnderXvfb)
{
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    SmokeRun run;
    ASSERT_EQ(run.start({"xvfb-run", "-a"}, {"OS_BACKEND=sdl", "SDL_AUDIODRIVER=dummy"},
                        "wait 400\nshot sdl_demo_a\ntap 22 42\nwait 300\nshot sdl_demo_b\n"
                        "down 205 38\nwait 200\nshot sdl_demo_tip\nup 205 38\nclose\n",
                        {}),
              0)
        << "the smoke program failed under SDL; see its output above";
    const Picture a = run.shot("sdl_demo_a"), b = run.shot("sdl_demo_b"), tip = run.shot("sdl_demo_tip");
    ASSERT_EQ(a.width, 240);
    EXPECT_EQ(a.at(115, 80), os::host::shown_in_rgb565(0x000040));
    EXPECT_EQ(a.at(22, 42), os::host::shown_in_rgb565(0x808080));
    EXPECT_EQ(b.at(22, 42), os::host::shown_in_rgb565(0x20E020)) << "the first check box checked";
    EXPECT_GT(countIn(a, 0, 90, 120, 270, 0xF0F0F0), 300) << "the cube's white stripes";
    EXPECT_GT(differenceIn(a, b, 0, 90, 120, 270), 300) << "the cube turned";
    EXPECT_EQ(countIn(a, 130, 4, 230, 24, 0xFFFFC8), 0);
    EXPECT_GT(countIn(tip, 130, 4, 230, 24, 0xFFFFC8), 800) << "the tip while its link is held";
}
