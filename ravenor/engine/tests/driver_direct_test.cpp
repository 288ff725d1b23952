// driver_direct_test.cpp -- the frame-buffer escape driver, with and without the DMA helper
#include <gtest/gtest.h>

#include <cstring>

#include "ravenor/engine/display/driver_direct.h"
#include "ravenor/engine/display/gx_info.h"
#include "hardware_fixture.h"
#include "os/testing/gdi.h"
#include "os/testing/user.h"

namespace {

constexpr uint32_t kFrame = 0x0C200000;

// The display driver answers GETGXINFO with this frame buffer.
void AnswerGxInfo(uint32_t frameBuffer, uint32_t stride, uint32_t width, uint32_t height, uint32_t format)
{
    os::gdi::set_escape_handler(kGetGxInfoEscape, [=](int, LPCSTR, int size, LPSTR out) {
        if (size < GxInfo::kBytes)
            return -1;
        const uint32_t fields[7] = {100, frameBuffer, stride, width, height, 16, format};
        std::memcpy(out, fields, sizeof fields);
        return 1;
    });
}

struct DirectTest : HardwareFixture
{
    DisplayInfo Probed()
    {
        DisplayInfo info;
        EXPECT_TRUE(DriverDirect::Probe(info));
        return info;
    }
};

} // namespace

TEST_F(DirectTest, ProbeReadsTheEscapeRecord)
{
    DisplayInfo info;
    EXPECT_FALSE(DriverDirect::Probe(info));
    EXPECT_TRUE(Logged("DriverDirect: not supported"));

    struct Case
    {
        uint32_t width, height, format;
        int32_t expectWidth, expectHeight, orientation;
    } cases[] = {
        {240, 320, 0, 240, 320, 0},
        {240, 320, GxInfo::kLandscape, 320, 240, 1},
    };
    for (const Case& c : cases)
    {
        AnswerGxInfo(kFrame, 480, c.width, c.height, c.format);
        const DisplayInfo found = Probed();
        EXPECT_EQ(c.expectWidth, found.width);
        EXPECT_EQ(c.expectHeight, found.height);
        EXPECT_EQ(480, found.pitch);
        EXPECT_EQ(c.orientation, found.orientation);
        EXPECT_EQ(kFrame, found.frameBuffer);
    }
}

TEST_F(DirectTest, WithoutTheHelperTheSurfaceIsTheScreen)
{
    auto* frame = static_cast<uint16_t*>(os::hw::add_device_memory(kFrame, 480 * 320));
    AnswerGxInfo(kFrame, 480, 240, 320, 0);
    DriverDirect driver;
    EXPECT_FALSE(driver.HasDma());
    EXPECT_TRUE(Logged("DriverDirect: No GXDMA"));
    DisplayParams params;
    ASSERT_TRUE(driver.Initialize(window, params, Probed()));
    EXPECT_EQ(kSwapScreen, driver.Info().swapEffect);
    Surface* s = driver.Lock();
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(frame, s->pixels);
    s->Row(319)[239] = 5;
    EXPECT_EQ(5, frame[320 * 240 - 1]);
}

TEST_F(DirectTest, InitializeFailsWithoutAFrameBufferOrWindow)
{
    DisplayParams params;
    DriverDirect noFrame;
    EXPECT_FALSE(noFrame.Initialize(window, params, DisplayInfo{240, 320, 16, 480, 0, 0, 0}));
    DriverDirect unmapped;
    EXPECT_FALSE(unmapped.Initialize(window, params, DisplayInfo{240, 320, 16, 480, 0, 0, kFrame}));
    os::hw::add_device_memory(kFrame, 480 * 320);
    DriverDirect noWindow;
    EXPECT_FALSE(noWindow.Initialize(nullptr, params, DisplayInfo{240, 320, 16, 480, 0, 0, kFrame}));
}

TEST_F(DirectTest, HelperWaitsForTheLastCopyAndCopiesTheDirtyColumns)
{
    os::hw::add_device_memory(kFrame, 480 * 320);
    AnswerGxInfo(kFrame, 480, 240, 320, 0);
    os::hw::register_gxdma(os::hw::GxdmaConfig{3, true});
    DriverDirect driver;
    ASSERT_TRUE(driver.HasDma());
    EXPECT_TRUE(Logged("DriverDirect: GXDMA detected"));
    DisplayParams params;
    ASSERT_TRUE(driver.Initialize(window, params, Probed()));
    EXPECT_EQ(kSwapCopy, driver.Info().swapEffect);
    ASSERT_NE(nullptr, driver.Lock());
    EXPECT_EQ((std::vector<std::string>(4, "IsDMAReady()")), os::hw::library_calls());

    struct Case
    {
        RECT rect;
        const char* copy;
    } cases[] = {
        {{5, 10, 18, 30}, "DmaDRAMtoVRAM(4, 10, 16, 20)"},
        {{0, 0, 240, 320}, "DmaDRAMtoVRAM(0, 0, 240, 320)"},
        {{237, 0, 240, 1}, "DmaDRAMtoVRAM(236, 0, 4, 1)"},
        {{233, 0, 239, 2}, "DmaDRAMtoVRAM(232, 0, 8, 2)"},   // stops at the right edge
    };
    for (const Case& c : cases)
    {
        os::hw::clear_library_calls();
        driver.SetDirtyRect(c.rect);
        driver.Present(0);
        EXPECT_EQ(std::vector<std::string>{c.copy}, os::hw::library_calls());
    }
}

TEST_F(DirectTest, StuckHelperDoesNotHangTheFrame)
{
    os::hw::add_device_memory(kFrame, 480 * 320);
    AnswerGxInfo(kFrame, 480, 240, 320, 0);
    os::hw::register_gxdma(os::hw::GxdmaConfig{1 << 30, true});
    DriverDirect driver;
    DisplayParams params;
    ASSERT_TRUE(driver.Initialize(window, params, Probed()));
    EXPECT_NE(nullptr, driver.Lock());
}

TEST_F(DirectTest, HelperIsLeftAloneOnFixedFrameModelsAndMayLackTheReadyCheck)
{
    os::hw::register_gxdma(os::hw::GxdmaConfig{0, false});
    {
        DriverDirect driver;
        EXPECT_TRUE(driver.HasDma());
        os::hw::add_device_memory(kFrame, 480 * 320);
        DisplayParams params;
        ASSERT_TRUE(driver.Initialize(window, params, DisplayInfo{240, 320, 16, 480, 0, 0, kFrame}));
        EXPECT_NE(nullptr, driver.Lock());
        EXPECT_TRUE(os::hw::library_calls().empty()) << "a missing ready check counts as ready";
    }
    Forget();
    os::user::set_oem_info(u"Compale P6C");
    DriverDirect fixed;
    EXPECT_FALSE(fixed.HasDma());
    EXPECT_EQ(0, os::module::reference_count(u"gxdma.dll"));
}
