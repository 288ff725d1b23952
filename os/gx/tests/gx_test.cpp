// Conformance tests of GAPI over the device screen.
#include "os/gx/gx_private.h"
#include "os/host/headless.h"
#include "os/kernel/module_private.h"

#include <os/gx.h>
#include <os/module.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

const HWND kWindow = reinterpret_cast<HWND>(uintptr_t(0x1230));

struct ScreenCase
{
    const char* name;
    int width, height, bpp;
    GXDisplayProperties expected;
};

class GxScreen : public ::testing::TestWithParam<ScreenCase>
{
protected:
    void SetUp() override
    {
        const ScreenCase& c = GetParam();
        os::host::set_default_screen(c.width, c.height, c.bpp); // each test runs in a fresh process
    }
};

TEST_P(GxScreen, Properties)
{
    const ScreenCase& c = GetParam();
    GXDisplayProperties p = GXGetDisplayProperties();
    EXPECT_EQ(p.cxWidth, c.expected.cxWidth);
    EXPECT_EQ(p.cyHeight, c.expected.cyHeight);
    EXPECT_EQ(p.cbxPitch, c.expected.cbxPitch);
    EXPECT_EQ(p.cbyPitch, c.expected.cbyPitch);
    EXPECT_EQ(p.cBPP, c.expected.cBPP);
    EXPECT_EQ(p.ffFormat, c.expected.ffFormat);
    EXPECT_EQ(sizeof(GXDisplayProperties), 24u) << "six 32-bit values";
}

TEST_P(GxScreen, WritesThroughThePointerReachTheScreen)
{
    const ScreenCase& c = GetParam();
    ASSERT_NE(GXOpenDisplay(kWindow, GX_FULLSCREEN), 0);
    GXDisplayProperties p = GXGetDisplayProperties();
    auto* frame = static_cast<uint8_t*>(GXBeginDraw());
    ASSERT_NE(frame, nullptr);
    // One pixel at each corner and one inside, written the way a program does.
    const int points[][2] = {{0, 0}, {c.width - 1, 0}, {0, c.height - 1}, {c.width - 1, c.height - 1}, {17, 23}};
    uint32_t value = 0x00F81F07;
    for (auto& pt : points)
        std::memcpy(frame + pt[0] * p.cbxPitch + pt[1] * p.cbyPitch, &value, size_t(c.bpp / 8));
    int presents = os::host::headless::presents();
    EXPECT_EQ(GXEndDraw(), 1);
    EXPECT_EQ(os::host::headless::presents(), presents + 1) << "GXEndDraw shows the screen";
    os::host::Screen& screen = os::host::screen();
    for (auto& pt : points)
    {
        uint32_t seen = 0;
        std::memcpy(&seen, screen.pixels + pt[1] * screen.pitch + pt[0] * (screen.bpp / 8), size_t(c.bpp / 8));
        EXPECT_EQ(seen, c.bpp == 16 ? (value & 0xFFFF) : value) << "pixel " << pt[0] << "," << pt[1];
    }
    EXPECT_EQ(GXBeginDraw(), frame) << "the same memory on every begin";
    EXPECT_EQ(GXCloseDisplay(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Gx, GxScreen,
    ::testing::Values(ScreenCase{"PocketPc16", 240, 320, 16, {240, 320, 2, 480, 16, kfDirect | kfDirect565}},
                      ScreenCase{"City16", 176, 220, 16, {176, 220, 2, 352, 16, kfDirect | kfDirect565}},
                      ScreenCase{"PocketPc32", 240, 320, 32, {240, 320, 4, 960, 32, kfDirect | kfDirect888}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GXBeginDraw, NullUnlessOpenAndActive)
{
    struct Step
    {
        const char* what;
        int (*call)();
        bool usable;
    };
    const Step steps[] = {
        {"before open", nullptr, false},
        {"open", [] { return GXOpenDisplay(kWindow, GX_FULLSCREEN); }, true},
        {"suspended", GXSuspend, false},
        {"resumed", GXResume, true},
        {"closed", GXCloseDisplay, false},
        {"open again", [] { return GXOpenDisplay(kWindow, GX_FULLSCREEN); }, true},
    };
    for (const Step& s : steps)
    {
        if (s.call)
        {
            EXPECT_NE(s.call(), 0) << s.what;
        }
        void* frame = GXBeginDraw();
        EXPECT_EQ(frame != nullptr, s.usable) << s.what;
        if (frame)
        {
            EXPECT_EQ(frame, static_cast<void*>(os::host::screen().pixels)) << s.what;
        }
    }
    GXCloseDisplay();
    EXPECT_EQ(GXEndDraw(), 0) << "nothing to show when closed";
    EXPECT_EQ(GXCloseDisplay(), 0) << "closed twice";
}

TEST(GXOpenDisplay, RecordsWindowAndFlags)
{
    EXPECT_NE(GXOpenDisplay(kWindow, GX_FULLSCREEN), 0);
    os::gx::State s = os::gx::state();
    EXPECT_TRUE(s.display_open);
    EXPECT_EQ(s.window, kWindow);
    EXPECT_EQ(s.open_flags, (DWORD)GX_FULLSCREEN);
    EXPECT_NE(GXOpenDisplay(nullptr, 0), 0) << "always succeeds";
    GXCloseDisplay();
    EXPECT_FALSE(os::gx::state().display_open);
}

TEST(GXGetDefaultKeys, ArrowsAndApplicationKeys)
{
    for (int options : {GX_NORMALKEYS, GX_LANDSCAPEKEYS})
    {
        GXKeyList k = GXGetDefaultKeys(options);
        const short got[] = {k.vkUp, k.vkDown, k.vkLeft, k.vkRight, k.vkA, k.vkB, k.vkC, k.vkStart};
        const short expected[] = {0x26, 0x28, 0x25, 0x27, 0xC1, 0xC2, 0xC3, 0xC4};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(got[i], expected[i]) << "options " << options << " key " << i;
    }
}

TEST(Gx, InputViewportAndMemoryKind)
{
    EXPECT_EQ(GXOpenInput(), 1);
    EXPECT_TRUE(os::gx::state().input_open);
    EXPECT_EQ(GXCloseInput(), 1);
    EXPECT_FALSE(os::gx::state().input_open);
    EXPECT_EQ(GXSetViewport(310, 10, 0, 0), 1);
    os::gx::State s = os::gx::state();
    EXPECT_EQ(s.viewport[0], 310u);
    EXPECT_EQ(s.viewport[1], 10u);
    EXPECT_FALSE(GXIsDisplayDRAMBuffer());
}

TEST(Gx, BoundAtRunTimeByDecoratedAndPlainNames)
{
    os::gx::register_library();
    HMODULE gx = LoadLibraryW(u"gx.dll");
    ASSERT_NE(gx, nullptr);
    struct Case
    {
        const char* decorated;
        const char* plain;
        FARPROC direct;
    };
    const Case cases[] = {
        {"?GXOpenDisplay@@YAHPAUHWND__@@K@Z", "GXOpenDisplay", os::module::proc(GXOpenDisplay)},
        {"?GXCloseDisplay@@YAHXZ", "GXCloseDisplay", os::module::proc(GXCloseDisplay)},
        {"?GXBeginDraw@@YAPAXXZ", "GXBeginDraw", os::module::proc(GXBeginDraw)},
        {"?GXEndDraw@@YAHXZ", "GXEndDraw", os::module::proc(GXEndDraw)},
        {"?GXOpenInput@@YAHXZ", "GXOpenInput", os::module::proc(GXOpenInput)},
        {"?GXCloseInput@@YAHXZ", "GXCloseInput", os::module::proc(GXCloseInput)},
        {"?GXGetDisplayProperties@@YA?AUGXDisplayProperties@@XZ", "GXGetDisplayProperties",
         os::module::proc(GXGetDisplayProperties)},
        {"?GXGetDefaultKeys@@YA?AUGXKeyList@@H@Z", "GXGetDefaultKeys", os::module::proc(GXGetDefaultKeys)},
        {"?GXSuspend@@YAHXZ", "GXSuspend", os::module::proc(GXSuspend)},
        {"?GXResume@@YAHXZ", "GXResume", os::module::proc(GXResume)},
        {"?GXSetViewport@@YAHKKKK@Z", "GXSetViewport", os::module::proc(GXSetViewport)},
        {"?GXIsDisplayDRAMBuffer@@YAHXZ", "GXIsDisplayDRAMBuffer", os::module::proc(GXIsDisplayDRAMBuffer)},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(GetProcAddress(gx, c.decorated), c.direct) << c.decorated;
        EXPECT_EQ(GetProcAddress(gx, c.plain), c.direct) << c.plain;
    }
    // Called through the bound pointer as a program does.
    using Properties = GXDisplayProperties (*)();
    auto bound = reinterpret_cast<Properties>(
        reinterpret_cast<void (*)()>(GetProcAddress(gx, "?GXGetDisplayProperties@@YA?AUGXDisplayProperties@@XZ")));
    GXDisplayProperties a = bound(), b = GXGetDisplayProperties();
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_TRUE(FreeLibrary(gx));
    os::module::set_library_absent(u"gx.dll", true);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadLibraryW(u"gx.dll"), nullptr) << "a program that finds no gx.dll takes another path";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
}

} // namespace
