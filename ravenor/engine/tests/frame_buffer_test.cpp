// frame_buffer_test.cpp -- presenting the frame, and full-screen and placed images
#include <gtest/gtest.h>

#include "ravenor/engine/display/display.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "fake_video_driver.h"
#include "window_fixture.h"

namespace {

TexImage MakeImage(uint32_t width, uint32_t height, std::vector<uint16_t> pixels)
{
    TexImage image;
    image.width = width;
    image.height = height;
    image.imageStore = std::move(pixels);
    image.pixels = image.imageStore.data();
    return image;
}

uint32_t& CellRef(int x, int y)
{
    return g_frame[y * kFrameWidth + x];
}

struct PresentTest : ::testing::Test
{
    FakeDriverConfig config;
    FakeDriverLog log;
    std::unique_ptr<Display> display;

    void SetUp() override
    {
        ResetFrameBuffer();
        HWND window = MakeGameWindow();
        InstallFakeDriver(config, log);
        DisplayParams params{0, 0, 0, kSwapDiscard};
        display = Display::Create(window, params);
        ASSERT_NE(nullptr, display);
        SetFrameDisplay(display.get());
    }

    uint32_t Word(int k)
    {
        const uint16_t* p = log.surface->Row(0);
        return uint32_t{p[2 * k]} | uint32_t{p[2 * k + 1]} << 16;
    }
};

} // namespace

TEST_F(PresentTest, PacksTwoPixelsAWordAndClears)
{
    CellRef(0, 0) = 0x00051234;
    CellRef(1, 0) = 0x7FFFABCD;
    CellRef(175, 219) = 0x00000F0F;
    PresentFrame(0);
    EXPECT_EQ(0xABCD1234u, Word(0));
    EXPECT_EQ(0x0F0F, log.surface->Row(219)[175]);
    for (uint32_t cell : g_frame)
        ASSERT_EQ(kClearCell, cell);
    EXPECT_EQ("Present 0", log.calls.back());
}

// Every cell of a patterned frame, with and without the clear
TEST_F(PresentTest, PacksEveryCellsColourHalf)
{
    auto pattern = [](uint32_t k) { return (k * 2654435761u) ^ (k << 7); };
    for (uint32_t k = 0; k < uint32_t(kFrameCells); ++k)
        g_frame[k] = pattern(k);
    EXPECT_EQ(1, PresentFrameNoClear(0));
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
        {
            const uint32_t k = uint32_t(y * kFrameWidth + x);
            ASSERT_EQ(uint16_t(pattern(k)), log.surface->Row(y)[x]) << x << "," << y;
            ASSERT_EQ(pattern(k), g_frame[k]);
        }
    for (uint32_t k = 0; k < uint32_t(kFrameCells); ++k)
        g_frame[k] = ~pattern(k);
    PresentFrame(0);
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            ASSERT_EQ(uint16_t(~pattern(uint32_t(y * kFrameWidth + x))), log.surface->Row(y)[x]) << x << "," << y;
    for (uint32_t cell : g_frame)
        ASSERT_EQ(kClearCell, cell);
}

TEST_F(PresentTest, NoClearKeepsTheFrame)
{
    CellRef(3, 4) = 0x00001111;
    EXPECT_EQ(1, PresentFrameNoClear(0));
    EXPECT_EQ(0x1111, log.surface->Row(4)[3]);
    EXPECT_EQ(0x00001111u, CellRef(3, 4));
}

// A frame without a buffer is skipped; presentation goes on afterwards.
TEST_F(PresentTest, FrameWithoutBufferIsSkippedNotHalted)
{
    display->Impl().active = false;
    CellRef(0, 0) = 0x00001234;
    PresentFrame(0);
    EXPECT_FALSE(IsGameHalted());
    EXPECT_EQ(kClearCell, CellRef(0, 0));
    EXPECT_EQ(0, PresentFrameNoClear(0));
    display->Impl().active = true;
    CellRef(0, 0) = 0x00004321;
    PresentFrame(0);
    EXPECT_EQ(0x4321, log.surface->Row(0)[0]);
}

TEST_F(PresentTest, HaltedGameNeverPresents)
{
    HaltGame();
    const size_t calls = log.calls.size();
    CellRef(0, 0) = 0x00001234;
    PresentFrame(0);
    EXPECT_EQ(0, PresentFrameNoClear(0));
    EXPECT_EQ(calls, log.calls.size());
    EXPECT_EQ(0x00001234u, CellRef(0, 0));
}

// A smaller surface gets the part of the frame that fits.
TEST(PresentSmallSurface, ClippedToTheSurface)
{
    ResetFrameBuffer();
    HWND window = MakeGameWindow();
    FakeDriverConfig config;
    config.info.width = 100;
    config.info.height = 50;
    FakeDriverLog log;
    InstallFakeDriver(config, log);
    DisplayParams params{0, 0, 0, kSwapDiscard};
    std::unique_ptr<Display> display = Display::Create(window, params);
    SetFrameDisplay(display.get());
    CellRef(99, 49) = 0x00002222;
    PresentFrame(0);
    EXPECT_EQ(0x2222, log.surface->Row(49)[99]);
    // Every pixel that fits, and the whole frame cleared (outside the surface too)
    for (uint32_t k = 0; k < uint32_t(kFrameCells); ++k)
        g_frame[k] = k * 40503u;
    PresentFrame(0);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(uint16_t((y * kFrameWidth + x) * 40503u), log.surface->Row(y)[x]) << x << "," << y;
    for (uint32_t cell : g_frame)
        ASSERT_EQ(kClearCell, cell);
    SetFrameDisplay(nullptr);
}

TEST(FullScreenImage, LastPixelAtTheTopLeftAndShaded)
{
    ResetFrameBuffer();
    std::vector<uint16_t> pixels(kFrameCells, 0);
    pixels[kFrameCells - 1] = 0xFFFF;
    pixels[0] = 0x8410;
    const TexImage image = MakeImage(176, 220, pixels);
    DrawFullScreenImage(512, image);
    EXPECT_EQ(0x0000FFFFu, CellRef(0, 0));
    EXPECT_EQ(0x00008410u, CellRef(175, 219));
    DrawFullScreenImage(256, image);
    EXPECT_EQ(0x00007BEFu, CellRef(0, 0));   // each field halved
    DrawFullScreenImage(0, image);
    EXPECT_EQ(0u, CellRef(0, 0));
}

TEST(FullScreenImage, WrongSizeOrNoPixelsDrawNothing)
{
    ResetFrameBuffer();
    const TexImage small = MakeImage(176, 219, std::vector<uint16_t>(176 * 219, 0xFFFF));
    DrawFullScreenImage(512, small);
    TexImage empty;
    empty.width = 176;
    empty.height = 220;
    DrawFullScreenImage(512, empty);
    for (uint32_t cell : g_frame)
        ASSERT_EQ(kClearCell, cell);
}

// One pixel of each mode over a cell; the image is 1 x 1 at (5, 5).
TEST(DrawImageModes, OnePixelOverOneCell)
{
    struct Case
    {
        int32_t mode;
        int32_t depth;
        int32_t brightness;
        uint16_t pixel;
        uint32_t cell;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 200, 512, 0x1234, 0x00640000, 0x00640000},   // farther than the cell: nothing
        {0, 50, 512, 0x1234, 0x00640000, 0x00321234},
        {0, 100, 512, 0x0000, 0x00640555, 0x00640000},   // equal depth passes, pixel 0 drawn
        {1, 50, 512, 0x0000, 0x00640555, 0x00640555},    // pixel 0 skipped
        {3, 300, 512, 0xFFFF, 0x00640000, 0x012C7BEF},   // half blend, no depth test
        {3, 300, 512, 0x0000, 0x00640555, 0x00640555},
        {4, 7, 512, 0x8410, 0x0064F81F, 0x0007FC1F},     // saturating add
        {4, 7, 512, 0x0001, 0x0064001F, 0x0007001F},
        {6, 9, 256, 0xFFFF, 0x00640000, 0x00097BEF},
        {6, 9, 256, 0x0000, 0x00640555, 0x00090000},
        {5, 9, 256, 0x0000, 0x00640555, 0x00640555},
        {5, 9, 900, 0x1234, 0x00640000, 0x00091234},     // mode 5 at full brightness is mode 1
        {5, 200, 900, 0x1234, 0x00640000, 0x00640000},
        {2, 9, 512, 0x1234, 0x00640555, 0x00640555},
        {7, 9, 512, 0x1234, 0x00640555, 0x00640555},
    };
    for (const Case& c : cases)
    {
        ResetFrameBuffer();
        CellRef(5, 5) = c.cell;
        DrawImage(5, 5, c.depth, c.brightness, c.mode, MakeImage(1, 1, {c.pixel}));
        EXPECT_EQ(c.expected, CellRef(5, 5)) << "mode " << c.mode << " depth " << c.depth << " pixel " << c.pixel;
    }
}

// Stored rows are bottom-up: the last stored row lands on row y. Parts
// outside the frame are skipped.
TEST(DrawImagePlacement, UprightAndClipped)
{
    ResetFrameBuffer();
    const TexImage image = MakeImage(2, 2, {0x0001, 0x0002, 0x0003, 0x0004});
    DrawImage(10, 20, 0, 512, 0, image);
    EXPECT_EQ(0x0003u, CellRef(10, 20));
    EXPECT_EQ(0x0004u, CellRef(11, 20));
    EXPECT_EQ(0x0001u, CellRef(10, 21));
    EXPECT_EQ(0x0002u, CellRef(11, 21));

    ResetFrameBuffer();
    DrawImage(-1, -1, 0, 512, 0, image);
    EXPECT_EQ(0x0002u, CellRef(0, 0));
    DrawImage(175, 219, 0, 512, 0, image);
    EXPECT_EQ(0x0003u, CellRef(175, 219));
    EXPECT_EQ(kClearCell, CellRef(0, 1));

    TexImage empty;
    empty.width = 4;
    empty.height = 4;
    ResetFrameBuffer();
    DrawImage(0, 0, 0, 512, 0, empty);
    EXPECT_EQ(kClearCell, CellRef(0, 0));
}
