// gapi_display_test.cpp -- device detection, keys and the frame-buffer blit
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"

#include "os/testing/host.h"

#include <os/gdi.h>
#include <os/user.h>
#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>
#include "os/testing/gdi.h"
#include "os/testing/user.h"

namespace {

class Gapi : public ::testing::Test
{
protected:
    void TearDown() override
    {
        GapiDisplay::close();
        os::gdi::set_raw_framebuffer_emulation(false);
        os::user::set_oem_info(u"Handheld Emulator");
    }
};

// A 16-bit source whose pixel (x, y) holds 1 + x + y * width.
void number(Image& image)
{
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            reinterpret_cast<uint16_t*>(image.getPixelAddress(0, y))[x] = uint16_t(1 + x + y * image.width);
}

// Fake portrait memory of width x height 16-bit pixels.
struct FakeScreen
{
    int width, height;
    std::vector<uint16_t> pixels;
    FakeScreen(int w, int h) : width(w), height(h), pixels(size_t(w * h), 0) {}
    GapiDisplay::FrameBuffer layout() const { return {width, height, 2, width * 2, 16, kfDirect | kfDirect565}; }
    uint16_t at(int x, int y) const { return pixels[size_t(y * width + x)]; }
};

// Where source pixel (sx, sy) of a picture of w x h lands for an orientation.
POINT landing(int sx, int sy, int w, int h, int orientation, int originX, int originY)
{
    if (orientation == 1)
        return {originX + sy, originY + w - 1 - sx};
    if (orientation == 2)
        return {originX + h - 1 - sy, originY + sx};
    return {originX + sx, originY + sy};
}

} // namespace

TEST_F(Gapi, OemTextAndRawFrameBufferChooseTheLayout)
{
    const struct
    {
        const char16_t* oem;
        bool raw;
        GapiDisplay::Layout layout;
    } cases[] = {
        {u"Handheld Emulator", false, GapiDisplay::Layout::BeginDraw},
        {u"Pocket PC iPAQ H3870", false, GapiDisplay::Layout::BeginDraw},
        {u"Pocket PC iPAQ H3870", true, GapiDisplay::Layout::RawVga},
        {u"iPAQ H5450", true, GapiDisplay::Layout::Ipaq},
        {u"Handheld Emulator", true, GapiDisplay::Layout::RawVga},
    };
    for (const auto& c : cases)
    {
        os::user::set_oem_info(c.oem);
        os::gdi::set_raw_framebuffer_emulation(c.raw);
        GapiDisplay::open(nullptr, true, false);
        EXPECT_TRUE(GapiDisplay::isDisplayOpen());
        EXPECT_FALSE(GapiDisplay::isInputOpen());
        EXPECT_EQ(GapiDisplay::layout(), c.layout) << os::to_latin1(c.oem) << " raw " << c.raw;
        ASSERT_NE(GapiDisplay::framePointer(), nullptr);
        if (c.layout == GapiDisplay::Layout::RawVga)
        {
            EXPECT_EQ(GapiDisplay::frameBuffer().width, 480);
            EXPECT_EQ(GapiDisplay::frameBuffer().height, 640);
        }
        else
        {
            EXPECT_EQ(GapiDisplay::framePointer(), os::host::screen().pixels);
            EXPECT_EQ(GapiDisplay::frameBuffer().yPitch, 480);
        }
        GapiDisplay::close();
        EXPECT_FALSE(GapiDisplay::isDisplayOpen());
        EXPECT_EQ(GapiDisplay::framePointer(), nullptr);
    }
}

TEST_F(Gapi, InputReportsFixedKeys)
{
    EXPECT_EQ(GapiDisplay::keyStart(), 0);
    GapiDisplay::open(nullptr, false, true);
    EXPECT_TRUE(GapiDisplay::isInputOpen());
    EXPECT_FALSE(GapiDisplay::isDisplayOpen());
    EXPECT_EQ(GapiDisplay::getKeyA(), 193);
    EXPECT_EQ(GapiDisplay::getKeyB(), 194);
    EXPECT_EQ(GapiDisplay::getKeyC(), 195);
    EXPECT_EQ(GapiDisplay::keyStart(), 196);
}

TEST_F(Gapi, PresentLandsEveryPixelWhereTheOrientationSays)
{
    Image picture(6, 4, true);
    number(picture);
    const RECT part{1, 1, 5, 3};
    const RECT spill{-3, -3, 50, 50};
    const struct
    {
        int originX, originY;
        const RECT* rect;
    } placements[] = {
        {0, 0, nullptr}, {3, 2, nullptr}, {-4, 0, nullptr}, {0, -3, nullptr}, {7, 8, nullptr},
        {-2, -2, &part}, {6, 5, &part},   {1, 1, &spill},   {-1, 9, &part},   {20, 20, nullptr},
    };
    for (int orientation = 0; orientation < 3; ++orientation)
    {
        for (const auto& p : placements)
        {
            FakeScreen screen(10, 11);
            GapiDisplay::useFrameBuffer(screen.layout(), screen.pixels.data(), false);
            GapiDisplay::present(picture, p.originX, p.originY, p.rect, 256, orientation);
            std::vector<uint16_t> expected(screen.pixels.size(), 0);
            RECT r = p.rect ? *p.rect : RECT{0, 0, 6, 4};
            for (int sy = std::max<int>(r.top, 0); sy < std::min<int>(r.bottom, 4); ++sy)
                for (int sx = std::max<int>(r.left, 0); sx < std::min<int>(r.right, 6); ++sx)
                {
                    POINT at = landing(sx, sy, 6, 4, orientation, p.originX, p.originY);
                    if (at.x >= 0 && at.y >= 0 && at.x < 10 && at.y < 11)
                        expected[size_t(at.y * 10 + at.x)] = uint16_t(1 + sx + sy * 6);
                }
            EXPECT_EQ(screen.pixels, expected)
                << "orientation " << orientation << " origin " << p.originX << "," << p.originY;
        }
    }
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

TEST_F(Gapi, PortraitLeftClipShiftsTheSource)
{
    Image picture(240, 320, true);
    number(picture);
    FakeScreen screen(240, 320);
    GapiDisplay::useFrameBuffer(screen.layout(), screen.pixels.data(), false);
    RECT rect{0, 0, 10, 10};
    GapiDisplay::present(picture, -4, 0, &rect, 256, 0);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(screen.at(x, 0), x < 6 ? uint16_t(1 + x + 4) : 0) << x;
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

TEST_F(Gapi, LandscapeOrganisedMemoryShowsTheSameScreen)
{
    Image picture(12, 9, true);
    number(picture);
    for (int orientation = 0; orientation < 3; ++orientation)
    {
        // Portrait memory, and memory whose rows run along the screen's y
        // with x stepping backwards by a whole row (the iPAQ layout).
        FakeScreen portrait(16, 20);
        GapiDisplay::useFrameBuffer(portrait.layout(), portrait.pixels.data(), false);
        GapiDisplay::present(picture, 1, 2, nullptr, 256, orientation);
        std::vector<uint16_t> landscape(16 * 20, 0);
        GapiDisplay::FrameBuffer turned{16, 20, -40, 2, 16, 168};
        GapiDisplay::useFrameBuffer(turned, landscape.data() + 15 * 20, false);
        GapiDisplay::present(picture, 1, 2, nullptr, 256, orientation);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(portrait.at(x, y), landscape[size_t((15 - x) * 20 + y)]) << x << "," << y;
    }
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

TEST_F(Gapi, RawVgaDoublesEveryPixelAndClipsInItsOwnSpace)
{
    Image picture(3, 2, true);
    number(picture);
    std::vector<uint16_t> panel(480 * 640, 0);
    GapiDisplay::FrameBuffer vga{480, 640, 2, 960, 16, kfDirect | kfDirect565};
    GapiDisplay::useFrameBuffer(vga, panel.data(), true);
    GapiDisplay::present(picture, 10, 20, nullptr, 256, 0);
    for (int sy = 0; sy < 2; ++sy)
        for (int sx = 0; sx < 3; ++sx)
            for (int d = 0; d < 4; ++d)
                EXPECT_EQ(panel[size_t((2 * (20 + sy) + d / 2) * 480 + 2 * (10 + sx) + d % 2)], 1 + sx + sy * 3);

    // A picture wider than the engine's 240 pixels stops at the panel's edge.
    Image wide(300, 4, true);
    number(wide);
    std::fill(panel.begin(), panel.end(), 0);
    GapiDisplay::present(wide, 200, 636 / 2, nullptr, 256, 0);
    EXPECT_EQ(panel[size_t(639 * 480 + 479)], 1 + 39 + 1 * 300);
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

// Every path of the blit (portrait and landscape-organised memory, the
// doubled raw panel; three orientations; one to one and two zooms; both
// depths; clipped and placed) against the pictures the per-pixel blit drew.
TEST_F(Gapi, EveryBlitPathMatchesItsPinnedPictures)
{
    const RECT part{2, 1, 11, 9};
    const struct
    {
        int originX, originY;
        const RECT* rect;
    } placements[] = {{0, 0, nullptr}, {-3, 2, nullptr}, {5, -4, &part}, {15, 18, nullptr}, {-2, 7, &part}};
    // By depth (16, 32) and memory: portrait, landscape-organised, raw panel
    const uint64_t pinned[2][3] = {{0xb5050692f9c7f481, 0x04684397e6363489, 0xcf86790c6767796b},
                                   {0xc38ac44f44931807, 0x466b7bcd35b68337, 0x6208558ed45f36f3}};
    for (int deep = 0; deep < 2; ++deep)
    {
        const int bytes = deep ? 4 : 2;
        Image picture(13, 11, !deep);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 13; ++x)
            {
                const uint32_t v = uint32_t(1 + x + y * 13) * 0x01010101u;
                std::memcpy(picture.getPixelAddress(x, y), &v, size_t(bytes));
            }
        for (int memory = 0; memory < 3; ++memory)
        {
            const int width = memory == 2 ? 40 : 20, height = memory == 2 ? 48 : 24;
            std::vector<uint8_t> screen(size_t(width * height * bytes));
            GapiDisplay::FrameBuffer layout{width, height, bytes, width * bytes, bytes * 8, 0};
            uint8_t* origin = screen.data();
            if (memory == 1)
            {
                // Rows of memory run down the screen; x steps back a whole row.
                layout.xPitch = -height * bytes;
                layout.yPitch = bytes;
                origin += size_t((width - 1) * height * bytes);
            }
            uint64_t hash = 1469598103934665603ull;
            for (int orientation = 0; orientation < 3; ++orientation)
                for (int zoom : {256, 192, 77})
                    for (const auto& p : placements)
                    {
                        std::fill(screen.begin(), screen.end(), 0);
                        GapiDisplay::useFrameBuffer(layout, origin, memory == 2);
                        GapiDisplay::present(picture, p.originX, p.originY, p.rect, zoom, orientation);
                        for (uint8_t byte : screen)
                            hash = (hash ^ byte) * 1099511628211ull;
                    }
            EXPECT_EQ(hash, pinned[deep][memory]) << "depth " << bytes * 8 << " memory " << memory;
        }
    }
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

TEST_F(Gapi, ZoomShowsTheTopLeftEnlarged)
{
    Image picture(8, 8, true);
    number(picture);
    FakeScreen screen(8, 8);
    GapiDisplay::useFrameBuffer(screen.layout(), screen.pixels.data(), false);
    GapiDisplay::present(picture, 0, 0, nullptr, 128, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(screen.at(x, y), 1 + x / 2 + (y / 2) * 8) << x << "," << y;
    // A zoom above 1 is shown 1:1 rather than read past the picture.
    GapiDisplay::present(picture, 0, 0, nullptr, 512, 0);
    EXPECT_EQ(screen.at(7, 7), 64);
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

TEST_F(Gapi, NothingWithoutAFramePointerOrWithAnotherDepth)
{
    Image picture(4, 4, true);
    number(picture);
    GapiDisplay::present(picture, 0, 0, nullptr, 256, 0); // closed: nothing, no crash
    FakeScreen screen(4, 4);
    GapiDisplay::useFrameBuffer(screen.layout(), screen.pixels.data(), false);
    Image deep(4, 4, false);
    deep.drawRect(0xFFFFFF, -1, -1, -1, -1, true);
    GapiDisplay::present(deep, 0, 0, nullptr, 256, 0);
    EXPECT_EQ(screen.at(0, 0), 0);
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

TEST_F(Gapi, PresentReachesTheDeviceScreen)
{
    GapiDisplay::open(nullptr, true, true);
    Image picture(240, 320, true);
    picture.drawRect(0x00FF00, 10, 20, 5, 5, true);
    GapiDisplay::present(picture, 0, 0, nullptr, 256, 0);
    os::host::Screen& screen = os::host::screen();
    auto* row = reinterpret_cast<uint16_t*>(screen.pixels + 22 * screen.pitch);
    EXPECT_EQ(row[12], 0x07E0);
    EXPECT_EQ(row[9], 0);
}
