// screenshot_test.cpp -- the device screen and its PNG screenshots
#include "os/host/backends_private.h"
#include "os/host/host.h"
#include "os/host/png.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

using namespace os::host;

namespace {

// A w x h screen of the given depth owning its pixels.
struct OwnScreen
{
    Screen screen;
    std::vector<uint8_t> memory;

    OwnScreen(int width, int height, int bpp, int pad = 0)
    {
        screen.width = width;
        screen.height = height;
        screen.bpp = bpp;
        screen.pitch = width * bpp / 8 + pad;
        memory.assign(size_t(screen.pitch) * size_t(height), 0xEE);
        screen.pixels = memory.data();
    }

    void put(int x, int y, uint32_t value)
    {
        uint8_t* at = memory.data() + size_t(y) * size_t(screen.pitch) + size_t(x) * size_t(screen.bpp / 8);
        if (screen.bpp == 16)
        {
            uint16_t v = uint16_t(value);
            memcpy(at, &v, 2);
        }
        else
        {
            memcpy(at, &value, 4);
        }
    }
};

} // namespace

TEST(Screen, DefaultIsBlackPortrait16Bit)
{
    Screen& shown = screen();
    EXPECT_EQ(240, shown.width);
    EXPECT_EQ(320, shown.height);
    EXPECT_EQ(16, shown.bpp);
    EXPECT_EQ(480, shown.pitch);
    ASSERT_NE(nullptr, shown.pixels);
    for (int i = 0; i < shown.pitch * shown.height; i++)
    {
        ASSERT_EQ(0, shown.pixels[i]) << "byte " << i << " of a new screen";
    }
    set_default_screen(176, 220, 16);
    EXPECT_EQ(240, screen().width) << "the size is fixed once the screen exists";
}

TEST(Screen, ProgramDefaultAndEnvironmentOverride)
{
    struct
    {
        const char* os_screen; // nullptr: unset
        int width, height, bpp, pitch;
    } cases[] = {
        {nullptr, 176, 220, 16, 352},
        {"480x640x16", 480, 640, 16, 960},
        {"240x320x32", 240, 320, 32, 960},
        {"800x600x24", 176, 220, 16, 352},
        {"abc", 176, 220, 16, 352},
        {"0x320x16", 176, 220, 16, 352},
    };
    for (auto& c : cases)
    {
        EXPECT_EXIT(
            {
                if (c.os_screen)
                {
                    setenv("OS_SCREEN", c.os_screen, 1);
                }
                set_default_screen(176, 220, 16);
                Screen& s = screen();
                exit(s.width == c.width && s.height == c.height && s.bpp == c.bpp && s.pitch == c.pitch ? 0 : 1);
            },
            testing::ExitedWithCode(0), "")
            << "OS_SCREEN=" << (c.os_screen ? c.os_screen : "(unset)");
    }
}

TEST(Screen, ParseScreenSize)
{
    struct
    {
        const char* text;
        bool ok;
        int width, height, bpp;
    } cases[] = {
        {"240x320x16", true, 240, 320, 16}, {"176x220x16", true, 176, 220, 16}, {"1x1x32", true, 1, 1, 32},
        {"240x320x8", false, 0, 0, 0},      {"240x320", false, 0, 0, 0},        {"240x320x16x", false, 0, 0, 0},
        {"-240x320x16", false, 0, 0, 0},    {"240X320X16", false, 0, 0, 0},     {"99999x320x16", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (auto& c : cases)
    {
        int width = 0, height = 0, bpp = 0;
        EXPECT_EQ(c.ok, parse_screen_size(c.text, width, height, bpp)) << c.text;
        EXPECT_EQ(c.width, width) << c.text;
        EXPECT_EQ(c.height, height) << c.text;
        EXPECT_EQ(c.bpp, bpp) << c.text;
    }
}

// A size refused says why: a well-formed size past the limit is too large,
// not badly formed.
TEST(Screen, ARefusedSizeSaysWhatIsWrong)
{
    struct
    {
        const char* text;
        const char* why;
    } cases[] = {
        {"9000x320x16", "is too large: each side is at most 8192 pixels"},
        {"240x8193x32", "is too large: each side is at most 8192 pixels"},
        {"99999999x320x16", "is too large: each side is at most 8192 pixels"},
        {"0x320x16", "has a side of 0 pixels"},
        {"240x320x8", "is not WIDTHxHEIGHTxBPP (BPP 16 or 32)"},
        {"9000x320", "is not WIDTHxHEIGHTxBPP (BPP 16 or 32)"},
    };
    for (auto& c : cases)
    {
        int width = 0, height = 0, bpp = 0;
        std::string why;
        EXPECT_FALSE(parse_screen_size(c.text, width, height, bpp, &why)) << c.text;
        EXPECT_EQ(c.why, why) << c.text;
    }
    EXPECT_EXIT(
        {
            setenv("OS_SCREEN", "8200x100x16", 1);
            set_default_screen(176, 220, 16);
            exit(screen().width == 176 ? 0 : 1);
        },
        testing::ExitedWithCode(0),
        "OS_SCREEN=8200x100x16 is too large: each side is at most 8192 pixels; using 176x220x16");
}

TEST(Png, Rgb565Widening)
{
    struct
    {
        uint16_t pixel;
        uint32_t rgb;
    } cases[] = {
        {0x0000, 0x000000}, {0xFFFF, 0xFFFFFF}, {0xF800, 0xFF0000}, {0x07E0, 0x00FF00},
        {0x001F, 0x0000FF}, {0x8410, 0x848284}, {0x0821, 0x080408},
    };
    for (auto& c : cases)
    {
        EXPECT_EQ(c.rgb, rgb565_to_rgb(c.pixel)) << std::hex << "pixel 0x" << c.pixel;
    }
}

TEST(Png, WritesAndReadsBackEveryDepth)
{
    struct
    {
        int bpp;
        int pad;
        uint32_t value;
        uint32_t expected;
    } cases[] = {
        {16, 0, 0xF800, 0xFF0000},   {16, 6, 0x07E0, 0x00FF00},   {16, 2, 0x001F, 0x0000FF},
        {32, 0, 0x123456, 0x123456}, {32, 8, 0xFF00FF, 0xFF00FF}, {32, 0, 0xAB000001, 0x000001},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, pad " << c.pad);
        OwnScreen own(7, 5, c.bpp, c.pad);
        for (int y = 0; y < 5; y++)
        {
            for (int x = 0; x < 7; x++)
            {
                own.put(x, y, 0);
            }
        }
        own.put(0, 0, c.value);
        own.put(6, 4, c.value);
        own.put(3, 2, c.value);
        os::testing::ScratchFolder scratch("host");
        std::string path = scratch.path + "/depth.png";
        ASSERT_TRUE(write_screen_png(own.screen, path));
        Picture picture;
        ASSERT_TRUE(read_png(path, picture));
        EXPECT_EQ(7, picture.width);
        EXPECT_EQ(5, picture.height);
        for (int y = 0; y < 5; y++)
        {
            for (int x = 0; x < 7; x++)
            {
                bool marked = (x == 0 && y == 0) || (x == 6 && y == 4) || (x == 3 && y == 2);
                EXPECT_EQ(marked ? c.expected : 0u, picture.at(x, y)) << "pixel " << x << "," << y;
            }
        }
    }
}

TEST(Png, RefusesWhatItCannotWrite)
{
    os::testing::ScratchFolder scratch("host");
    auto temp_file = [&scratch](const char* name) { return scratch.path + "/" + name; };
    uint8_t pixels[64] = {};
    struct
    {
        const char* name;
        std::string path;
        int width, height, bpp;
        const void* pixels;
    } cases[] = {
        {"missing folder", "/nonexistent-folder/x.png", 2, 2, 16, pixels},
        {"8 bpp", temp_file("a.png"), 2, 2, 8, pixels},
        {"24 bpp", temp_file("b.png"), 2, 2, 24, pixels},
        {"no width", temp_file("c.png"), 0, 2, 16, pixels},
        {"no pixels", temp_file("d.png"), 2, 2, 16, nullptr},
    };
    for (auto& c : cases)
    {
        EXPECT_FALSE(write_png(c.path, c.width, c.height, c.bpp, 8, c.pixels)) << c.name;
        EXPECT_FALSE(std::filesystem::exists(c.path)) << c.name;
    }
    Picture picture;
    EXPECT_FALSE(read_png("/nonexistent-folder/x.png", picture));
    std::string text = temp_file("text.png");
    FILE* f = fopen(text.c_str(), "w");
    fputs("not a picture", f);
    fclose(f);
    EXPECT_FALSE(read_png(text, picture));
}

TEST(Png, BackendScreenshotShowsTheDeviceScreen)
{
    Screen& shown = screen();
    uint16_t white = 0xFFFF;
    memcpy(shown.pixels + 10 * shown.pitch + 20 * 2, &white, 2);
    os::testing::ScratchFolder scratch("host");
    std::string path = scratch.path + "/screen.png";
    ASSERT_TRUE(backend().screenshot(path));
    Picture picture;
    ASSERT_TRUE(read_png(path, picture));
    EXPECT_EQ(240, picture.width);
    EXPECT_EQ(320, picture.height);
    EXPECT_EQ(0xFFFFFFu, picture.at(20, 10));
    EXPECT_EQ(0u, picture.at(21, 10));
    EXPECT_FALSE(backend().screenshot("/nonexistent-folder/x.png"));
}
