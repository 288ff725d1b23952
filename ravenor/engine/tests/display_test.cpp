// display_test.cpp -- the display layer over a fake driver: swap effects,
// dirty rectangles, copies, activation and selection
#include <gtest/gtest.h>

#include "ravenor/engine/display/display.h"
#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/full_screen_display.h"
#include "fake_video_driver.h"
#include "os/testing/shell.h"
#include "window_fixture.h"

namespace {

struct DisplayTest : ::testing::Test
{
    FakeDriverConfig config;
    FakeDriverLog log;
    HWND window = nullptr;

    void SetUp() override
    {
        os::shell::register_library();
        window = MakeGameWindow();
        ASSERT_NE(nullptr, window);
    }

    std::unique_ptr<Display> Create(DisplayParams& params)
    {
        InstallFakeDriver(config, log);
        return Display::Create(window, params);
    }

    std::unique_ptr<Display> Create()
    {
        DisplayParams params{0, 0, 0, kSwapDiscard};
        return Create(params);
    }
};

void Fill(Surface& surface, uint16_t colour)
{
    for (int32_t y = 0; y < surface.height; ++y)
        for (int32_t x = 0; x < surface.width; ++x)
            surface.Row(y)[x] = colour;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

// Which effect comes back, and whether the layer adds a back buffer, for each
// driver effect and requested effect.
TEST_F(DisplayTest, SwapEffectInForceAndBackBuffer)
{
    struct Case
    {
        int32_t driverEffect;
        int32_t requested;
        int32_t inForce;
        bool backBuffer;
    };
    const Case cases[] = {
        {kSwapScreen, kSwapScreen, kSwapCopy, true},  {kSwapScreen, kSwapDiscard, kSwapCopy, true},
        {kSwapDiscard, kSwapScreen, kSwapDiscard, false}, {kSwapDiscard, kSwapDiscard, kSwapDiscard, false},
        {kSwapDiscard, kSwapCopy, kSwapCopy, true},   {kSwapCopy, kSwapDiscard, kSwapCopy, false},
        {kSwapCopy, kSwapCopy, kSwapCopy, false},
    };
    for (const Case& c : cases)
    {
        config.info.swapEffect = c.driverEffect;
        DisplayParams params{0, 0, 0, c.requested};
        std::unique_ptr<Display> display = Create(params);
        ASSERT_NE(nullptr, display);
        EXPECT_EQ(c.inForce, params.swapEffect) << c.driverEffect << "/" << c.requested;
        EXPECT_EQ(c.backBuffer, display->Impl().backBuffer != nullptr) << c.driverEffect << "/" << c.requested;
        EXPECT_EQ(176, params.width);
        EXPECT_EQ(220, params.height);
        EXPECT_EQ(0, params.orientation);
    }
}

TEST_F(DisplayTest, BufferOnlyBetweenBeginSceneAndSwap)
{
    std::unique_ptr<Display> display = Create();
    EXPECT_EQ(nullptr, display->GetBuffer());
    EXPECT_FALSE(display->Swap(0));
    ASSERT_TRUE(display->BeginScene());
    EXPECT_TRUE(display->BeginScene());   // already held: no second lock
    EXPECT_EQ(log.surface, display->GetBuffer());
    EXPECT_TRUE(display->Swap(0));
    EXPECT_EQ(nullptr, display->GetBuffer());
    const std::vector<std::string> expected = {"Initialize", "Lock", "Present 0"};
    EXPECT_EQ(expected, log.calls);
}

TEST_F(DisplayTest, FailedLockGivesNoBufferAndSwapDoesNothing)
{
    config.locks = false;
    std::unique_ptr<Display> display = Create();
    EXPECT_FALSE(display->BeginScene());
    EXPECT_EQ(nullptr, display->GetBuffer());
    EXPECT_FALSE(display->Swap(0));
}

// The rectangle the driver is given is clipped; the one copied is widened to
// even edges but never past the surface.
TEST_F(DisplayTest, DirtyRectanglesClippedAndRoundedToEven)
{
    config.info.width = 175;
    config.info.height = 219;
    config.info.swapEffect = kSwapScreen;
    std::unique_ptr<Display> display = Create();
    ASSERT_NE(nullptr, display);
    struct Case
    {
        RECT asked;
        RECT driver;
        RECT copied;
    };
    const Case cases[] = {
        {{3, 5, 9, 11}, {3, 5, 9, 11}, {2, 4, 10, 12}},
        {{-20, -5, 300, 400}, {0, 0, 175, 219}, {0, 0, 175, 219}},
        {{180, 0, 200, 10}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{10, 10, 10, 20}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{170, 215, 175, 219}, {170, 215, 175, 219}, {170, 214, 175, 219}},
    };
    for (const Case& c : cases)
    {
        display->SetDirtyRect(&c.asked);
        EXPECT_TRUE(SameRect(c.driver, log.dirtyRects.back())) << c.asked.left << "," << c.asked.top;
        EXPECT_TRUE(SameRect(c.copied, display->Impl().dirtyRect)) << c.asked.left << "," << c.asked.top;
    }
    display->SetDirtyRect(nullptr);
    EXPECT_TRUE(SameRect(RECT{0, 0, 175, 219}, log.dirtyRects.back()));
}

// With a back buffer, Swap copies only the dirty rectangle into the driver's
// surface (whole rows or a part of them).
TEST_F(DisplayTest, SwapCopiesTheDirtyRectangleFromTheBackBuffer)
{
    config.info.swapEffect = kSwapScreen;
    std::unique_ptr<Display> display = Create();
    for (const RECT rect : {RECT{4, 6, 20, 30}, RECT{0, 100, 176, 110}})
    {
        Fill(*log.surface, 0x0000);
        display->SetDirtyRect(&rect);
        ASSERT_TRUE(display->BeginScene());
        Surface* buffer = display->GetBuffer();
        ASSERT_NE(log.surface, buffer);
        Fill(*buffer, 0xF81F);
        EXPECT_TRUE(display->Swap(0));
        for (int32_t y = 0; y < 220; ++y)
        {
            for (int32_t x = 0; x < 176; ++x)
            {
                const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
                ASSERT_EQ(inside ? 0xF81F : 0, log.surface->Row(y)[x]) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(display->Impl().fullRows);
}

TEST_F(DisplayTest, WaitsForScanOutOnlyWhenAskedAndWithABackBuffer)
{
    config.info.swapEffect = kSwapScreen;
    std::unique_ptr<Display> display = Create();
    display->BeginScene();
    display->Swap(kSwapWaitScanOut);
    display->BeginScene();
    display->Swap(kSwapFullUpdate);
    const std::vector<std::string> expected = {"Initialize", "Lock", "WaitForScanOut", "Present 1", "Lock",
                                               "Present 2"};
    EXPECT_EQ(expected, log.calls);
}

// Deactivation shows the shell again and stops presenting until the window is
// active again; the messages still reach the window's own procedure.
TEST_F(DisplayTest, ActivationSuspendsAndResumes)
{
    std::unique_ptr<Display> display = Create();
    EXPECT_TRUE(os::shell::fullscreen_state(window).taskbar_hidden);
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(os::shell::fullscreen_state(window).taskbar_hidden);
    EXPECT_FALSE(display->BeginScene());
    EXPECT_FALSE(display->Swap(0));
    SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(os::shell::fullscreen_state(window).taskbar_hidden);
    EXPECT_TRUE(display->BeginScene());
    EXPECT_TRUE(display->Swap(0));
    SendMessageW(window, WM_PAINT, 0, 0);
    EXPECT_EQ("Invalidate", log.calls.back());
}

TEST_F(DisplayTest, SubclassLastsAsLongAsTheDisplayOrTheWindow)
{
    const LONG_PTR own = GetWindowLongPtrW(window, GWL_WNDPROC);
    {
        std::unique_ptr<Display> display = Create();
        EXPECT_NE(own, GetWindowLongPtrW(window, GWL_WNDPROC));
        EXPECT_EQ(1, SubclassedWindowCount());
    }
    EXPECT_EQ(own, GetWindowLongPtrW(window, GWL_WNDPROC));
    EXPECT_EQ(0, SubclassedWindowCount());

    std::unique_ptr<Display> display = Create();
    DestroyWindow(window);
    EXPECT_EQ(0, SubclassedWindowCount());
    display.reset();
    EXPECT_EQ(0, SubclassedWindowCount());
}

TEST_F(DisplayTest, CreateFailsAndCleansUp)
{
    DisplayParams params{0, 0, 0, kSwapDiscard};
    EXPECT_EQ(nullptr, Display::Create(nullptr, params));

    config.initializes = false;
    EXPECT_EQ(nullptr, Create(params));
    EXPECT_EQ(0, SubclassedWindowCount());

    // A turned screen gets the rotation driver around its own: the game sees
    // the screen's sides swapped.
    config.initializes = true;
    config.info.orientation = 1;
    DisplayParams turned{0, 0, 0, kSwapDiscard};
    std::unique_ptr<Display> display = Create(turned);
    ASSERT_NE(nullptr, display);
    EXPECT_EQ(220, turned.width);
    EXPECT_EQ(176, turned.height);
    EXPECT_EQ(0, turned.orientation);
}

// Candidates are tried from the last found back to the first.
TEST(DriverSelection, TriesTheLastFoundFirstAndFallsBack)
{
    HWND window = MakeGameWindow();
    FakeDriverConfig config;
    FakeDriverLog log;
    std::vector<int32_t> created;
    SetDriverFactory([&](int32_t id) -> std::unique_ptr<VideoDriver> {
        created.push_back(id);
        FakeDriverConfig c = config;
        c.initializes = id == 101;
        return std::make_unique<FakeVideoDriver>(c, log);
    });
    VideoDetect detect;
    detect.info = config.info;
    detect.BuildModes();
    for (int32_t id : {101, 102, 103})
        detect.AddDriver(id);
    DisplayParams params{0, 0, 0, kSwapDiscard};
    EXPECT_NE(nullptr, SelectDriver(detect, window, params));
    EXPECT_EQ((std::vector<int32_t>{103, 102, 101}), created);

    DisplayParams any{0, 0, kOrientationAny, kSwapDiscard};
    EXPECT_NE(nullptr, SelectDriver(detect, window, any));
    DisplayParams unknown{0, 0, 2, kSwapDiscard};
    EXPECT_EQ(nullptr, SelectDriver(detect, window, unknown));
    SetDriverFactory(nullptr);
}

// Modes: a screen whose sides are multiples of 16 offers four turns; one that
// is not offers its own, plus an upright one when it is turned.
TEST(DriverSelection, ModeList)
{
    struct Case
    {
        int32_t width, height, orientation;
        std::vector<std::vector<int32_t>> modes;
    };
    const Case cases[] = {
        {240, 320, 0, {{240, 320, 0}, {320, 240, 1}, {240, 320, 2}, {320, 240, 3}}},
        {320, 240, 3, {{320, 240, 3}, {240, 320, 0}, {320, 240, 1}, {240, 320, 2}}},
        {176, 220, 0, {{176, 220, 0}}},
        {176, 220, 2, {{176, 220, 2}, {176, 220, 0}}},
        {220, 176, 1, {{220, 176, 1}, {176, 220, 0}}},
    };
    for (const Case& c : cases)
    {
        VideoDetect detect;
        detect.info.width = c.width;
        detect.info.height = c.height;
        detect.info.orientation = c.orientation;
        detect.BuildModes();
        ASSERT_EQ(static_cast<int32_t>(c.modes.size()), detect.ModeCount()) << c.width << "x" << c.height;
        for (int32_t i = 0; i < detect.ModeCount(); ++i)
        {
            DisplayMode mode;
            ASSERT_TRUE(detect.GetMode(i, mode));
            EXPECT_EQ(c.modes[i], (std::vector<int32_t>{mode.width, mode.height, mode.orientation}));
        }
        DisplayMode none;
        EXPECT_FALSE(detect.GetMode(detect.ModeCount(), none));
    }
}

namespace {

std::vector<std::string> g_logLines;

void RecordLine(const std::string& line)
{
    g_logLines.push_back(line);
}

} // namespace

// The layer tells its log sink each step of Create.
TEST_F(DisplayTest, CreateLogsItsSteps)
{
    SetDisplayLogSink(RecordLine);
    DisplayParams params{0, 0, 0, kSwapScreen};
    std::unique_ptr<Display> display = Create(params);
    config.initializes = false;
    DisplayParams failing{0, 0, 0, kSwapDiscard};
    EXPECT_EQ(nullptr, Create(failing));
    SetDisplayLogSink(nullptr);

    auto has = [](const std::string& text) {
        for (const std::string& line : g_logLines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has("(Version 0.7.6)"));
    EXPECT_TRUE(has("W:0, H:0, O:0, S:0 )"));
    EXPECT_TRUE(has("Swap effect forced to SWAP_DISCARD"));
    EXPECT_TRUE(has("Initializing display..."));
    EXPECT_TRUE(has("Success, returning display params to caller (W:176, H:220, O:0, S:2)"));
    EXPECT_TRUE(has("!!! Specific driver selected..."));
    EXPECT_TRUE(has(" Failed to initialize driver"));
    EXPECT_TRUE(has("Failed, destroying internal structures"));
}
