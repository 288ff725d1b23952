// gapi_driver_test.cpp -- the Game API probe and driver over a scripted gx.dll
#include <gtest/gtest.h>

#include "ravenor/engine/display/gapi_driver.h"
#include "ravenor/engine/display/hardware_access.h"
#include "fake_gx.h"
#include "hardware_fixture.h"
#include "os/testing/user.h"

namespace {

struct GapiTest : HardwareFixture
{
    DisplayInfo info;

    // A fresh device whose gx.dll has the configuration, probed.
    FakeGx& Probed(const FakeGxConfig& config)
    {
        Fresh();
        FakeGx& gx = InstallFakeGx(config);
        info = DisplayInfo{};
        EXPECT_TRUE(GAPI::Probe(info, window));
        return gx;
    }

    // ... and a driver initialised on it, with the recorded calls cleared.
    std::unique_ptr<GAPI> Opened(const FakeGxConfig& config)
    {
        FakeGx& gx = Probed(config);
        auto driver = std::make_unique<GAPI>();
        DisplayParams params;
        EXPECT_TRUE(driver->Initialize(window, params, info));
        gx.calls.clear();
        return driver;
    }

    static FakeGxConfig WithProperties(const GXDisplayProperties& properties)
    {
        FakeGxConfig config;
        config.properties = properties;
        return config;
    }
};

// Writes every pixel of the surface: any wrong offset or pitch leaves the
// guarded video memory and stops the test.
void FillAll(Surface& s, uint16_t colour)
{
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x)
            s.Row(y)[x] = colour;
}

struct Turned
{
    GXDisplayProperties properties;
    int32_t orientation;
    int32_t offset;
};

// A 240 x 320 portrait panel in memory, seen in each of the four ways.
const Turned kTurns[] = {
    {{240, 320, 2, 480, 16, 0}, 0, 0},
    {{320, 240, 480, -2, 16, 0}, 1, -478},
    {{240, 320, -2, -480, 16, 0}, 2, -153598},
    {{320, 240, -480, 2, 16, 0}, 3, -153120},
};

} // namespace

TEST_F(GapiTest, ProbeReadsOrientationSizesAndTheLowestPixelForEachTurn)
{
    for (const Turned& t : kTurns)
    {
        FakeGx& gx = Probed(WithProperties(t.properties));
        EXPECT_EQ(t.orientation, info.orientation);
        EXPECT_EQ(240, info.width);
        EXPECT_EQ(320, info.height);
        EXPECT_EQ(480, info.pitch);
        EXPECT_EQ(16, info.bpp);
        EXPECT_EQ(FakeGxConfig{}.address, info.frameBuffer) << "the frame buffer is the screen's lowest byte";
        EXPECT_TRUE(Logged("GAPI: Offset is " + std::to_string(t.offset))) << t.orientation;
        EXPECT_EQ((std::vector<std::string>{"GXOpenDisplay 1", "GXBeginDraw", "GXSetViewport 0 0 0 0", "GXEndDraw",
                                            "GXCloseDisplay"}),
                  gx.calls);
    }
}

TEST_F(GapiTest, ProbeFailures)
{
    EXPECT_FALSE(GAPI::Probe(info, window));
    EXPECT_TRUE(Logged("GAPI: GX.DLL not found"));

    Forget();
    FakeGxConfig config;
    config.opens = false;
    InstallFakeGx(config);
    EXPECT_FALSE(GAPI::Probe(info, window));
    EXPECT_TRUE(Logged("GAPI: GXOpenDisplay() failed"));
}

TEST_F(GapiTest, SwapEffectFromTheDramAnswerAndTheModel)
{
    struct Case
    {
        FakeGxConfig::Dram dram;
        const char16_t* oem;
        int32_t effect;
    } cases[] = {
        {FakeGxConfig::Dram::Yes, u"Handheld Emulator", kSwapCopy},
        {FakeGxConfig::Dram::No, u"Handheld Emulator", kSwapScreen},
        {FakeGxConfig::Dram::Missing, u"Handheld Emulator", kSwapScreen},
        {FakeGxConfig::Dram::Yes, u"Typhoon smart phone", kSwapScreen},
        {FakeGxConfig::Dram::Yes, u"Compale P6C", kSwapScreen},
    };
    for (const Case& c : cases)
    {
        FakeGxConfig config;
        config.dram = c.dram;
        os::user::set_oem_info(c.oem);
        ResetHardwareRecords();
        auto driver = Opened(config);
        EXPECT_EQ(c.effect, info.swapEffect);
        EXPECT_EQ(c.effect, driver->Info().swapEffect);
    }
}

TEST_F(GapiTest, EachFrameIsBracketedAndTheSurfaceCoversTheScreen)
{
    for (const Turned& t : kTurns)
    {
        auto driver = Opened(WithProperties(t.properties));
        FakeGx& gx = FakeGx::Get();
        {
            DisplayParams again;
            EXPECT_FALSE(driver->Initialize(window, again, info)) << "already open";
            Surface* s = driver->Lock();
            ASSERT_NE(nullptr, s);
            FillAll(*s, 0x1234);
            EXPECT_EQ(reinterpret_cast<uint16_t*>(gx.memory), s->pixels);
            driver->Present(0);
            driver->Suspend();
            driver->Resume();
            EXPECT_EQ((std::vector<std::string>{"GXBeginDraw", "GXEndDraw", "GXSuspend", "GXResume"}), gx.calls);
            gx.calls.clear();
            driver.reset();
        }
        EXPECT_EQ((std::vector<std::string>{"GXCloseDisplay"}), gx.calls) << "closed when destroyed";
    }
}

TEST_F(GapiTest, LockFailsWhenDrawingCannotStart)
{
    FakeGxConfig config;
    config.failedBeginDraws = 2;   // the probe takes the first
    auto driver = Opened(config);
    EXPECT_EQ(nullptr, driver->Lock());
    driver->Present(0);
    EXPECT_EQ((std::vector<std::string>{"GXBeginDraw"}), FakeGx::Get().calls) << "no end without a begin";
    EXPECT_NE(nullptr, driver->Lock());
}

TEST_F(GapiTest, ViewportFollowsTheOrientation)
{
    const RECT rect{10, 20, 50, 70};
    const char* expected[] = {"GXSetViewport 20 50 0 0", "GXSetViewport 190 40 0 0", "GXSetViewport 250 50 0 0",
                              "GXSetViewport 10 40 0 0"};
    for (int o = 0; o < 4; ++o)
    {
        auto driver = Opened(WithProperties(kTurns[o].properties));
        driver->SetDirtyRect(rect);
        EXPECT_EQ(std::vector<std::string>{expected[o]}, FakeGx::Get().calls) << o;
    }
    // A screen that is the visible picture takes no viewport.
    FakeGxConfig config;
    config.dram = FakeGxConfig::Dram::No;
    auto driver = Opened(config);
    driver->SetDirtyRect(rect);
    EXPECT_TRUE(FakeGx::Get().calls.empty());
}

TEST_F(GapiTest, FixedFrameBufferModelsDrawWithoutTheCalls)
{
    os::user::set_oem_info(u"Typhoon");
    auto driver = Opened(FakeGxConfig{});
    Surface* s = driver->Lock();
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(FakeGx::Get().memory), s->pixels);
    FillAll(*s, 7);
    driver->Present(0);
    EXPECT_TRUE(FakeGx::Get().calls.empty());
}

TEST_F(GapiTest, InitializeNeedsAWindowAndEveryEntryPoint)
{
    Probed(FakeGxConfig{});
    DisplayParams params;
    GAPI noWindow;
    EXPECT_FALSE(noWindow.Initialize(nullptr, params, info));
    // gx.dll without GXSetViewport is refused rather than called through null.
    os::module::register_library(u"gx.dll", {{"?GXOpenDisplay@@YAHPAUHWND__@@K@Z", 0, os::module::proc(FakeGx::Open)}});
    Forget();
    GAPI partial;
    EXPECT_FALSE(partial.Initialize(window, params, info));
    DisplayInfo probed;
    EXPECT_FALSE(GAPI::Probe(probed, window));
}
