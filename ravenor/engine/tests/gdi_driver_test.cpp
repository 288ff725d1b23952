// gdi_driver_test.cpp -- the GDI way to the screen, checked on the headless screen
#include <gtest/gtest.h>

#include "ravenor/engine/display/display.h"
#include "ravenor/engine/display/gdi_driver.h"
#include "ravenor/engine/display/video_detect.h"
#include "os/testing/host.h"
#include "window_fixture.h"

namespace {

uint16_t ScreenPixel(int x, int y)
{
    os::host::Screen& screen = os::host::screen();
    return reinterpret_cast<const uint16_t*>(screen.pixels + y * screen.pitch)[x];
}

void FillBuffer(Surface& surface, uint16_t colour)
{
    for (int32_t y = 0; y < surface.height; ++y)
        for (int32_t x = 0; x < surface.width; ++x)
            surface.Row(y)[x] = colour;
}

struct GdiDisplayTest : ::testing::Test
{
    HWND window = nullptr;
    std::unique_ptr<Display> display;
    DisplayParams params{0, 0, 0, kSwapDiscard};

    void SetUp() override
    {
        window = MakeGameWindow();
        VideoDetect::Reset();
        display = Display::Create(window, params);
        ASSERT_NE(nullptr, display);
    }

    void Present(uint16_t colour, const RECT* rect)
    {
        display->SetDirtyRect(rect);
        ASSERT_TRUE(display->BeginScene());
        FillBuffer(*display->GetBuffer(), colour);
        ASSERT_TRUE(display->Swap(0));
    }
};

} // namespace

// Detection on this host finds the 176 x 220 x 16 screen and only GDI.
TEST(GdiDetection, OnlyTheGdiCandidate)
{
    MakeGameWindow();
    VideoDetect::Reset();
    const VideoDetect& detect = VideoDetect::Instance();
    ASSERT_EQ(1, detect.driverCount);
    EXPECT_EQ(kDriverGdi, detect.drivers[0]);
    EXPECT_EQ(176, detect.info.width);
    EXPECT_EQ(220, detect.info.height);
    EXPECT_EQ(16, detect.info.bpp);
    EXPECT_EQ(0, detect.info.orientation);
    EXPECT_EQ(1, detect.ModeCount());
}

TEST_F(GdiDisplayTest, KeepsItsPictureSoNoBackBuffer)
{
    EXPECT_EQ(176, params.width);
    EXPECT_EQ(220, params.height);
    EXPECT_EQ(0, params.orientation);
    EXPECT_EQ(kSwapCopy, params.swapEffect);
    EXPECT_EQ(nullptr, display->Impl().backBuffer);
}

TEST_F(GdiDisplayTest, PresentsTheFrameIntoTheWindow)
{
    Present(0x07E0, nullptr);
    for (auto [x, y] : {std::pair{0, 0}, {175, 0}, {0, 219}, {175, 219}, {88, 110}})
        EXPECT_EQ(0x07E0, ScreenPixel(x, y)) << x << "," << y;
}

TEST_F(GdiDisplayTest, PresentsOnlyTheDirtyRectangle)
{
    Present(0x001F, nullptr);
    const RECT rect{10, 20, 30, 40};
    Present(0xF800, &rect);
    for (int y = 0; y < 220; ++y)
    {
        for (int x = 0; x < 176; ++x)
        {
            const bool inside = x >= 10 && x < 30 && y >= 20 && y < 40;
            ASSERT_EQ(inside ? 0xF800 : 0x001F, ScreenPixel(x, y)) << x << "," << y;
        }
    }
}

TEST_F(GdiDisplayTest, NothingReachesTheScreenAfterTheWindowIsGone)
{
    Present(0x001F, nullptr);
    ASSERT_TRUE(display->BeginScene());
    FillBuffer(*display->GetBuffer(), 0xFFFF);
    DestroyWindow(window);
    display->Swap(0);
    EXPECT_NE(0xFFFF, ScreenPixel(50, 50));
}

TEST(GdiDriver, InitialisesOnceAndOnlyForAWindow)
{
    HWND window = MakeGameWindow();
    DisplayInfo info;
    ASSERT_TRUE(GDIDriver::Probe(info));
    DisplayParams params;
    GDIDriver noWindow;
    EXPECT_FALSE(noWindow.Initialize(nullptr, params, info));
    GDIDriver driver;
    ASSERT_TRUE(driver.Initialize(window, params, info));
    EXPECT_FALSE(driver.Initialize(window, params, info));
    Surface* surface = driver.Lock();
    ASSERT_NE(nullptr, surface);
    EXPECT_EQ(352, surface->pitch);
    EXPECT_EQ(kSwapCopy, driver.Info().swapEffect);
}
