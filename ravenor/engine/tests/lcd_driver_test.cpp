// lcd_driver_test.cpp -- the StrongARM and XScale LCD controller probes and drivers
#include <gtest/gtest.h>

#include <cstring>

#include "ravenor/engine/display/hardware_access.h"
#include "ravenor/engine/display/lcd_driver.h"
#include "hardware_fixture.h"
#include "os/testing/user.h"

namespace {

constexpr uint32_t kSaRegisters = 0xB0100000;
constexpr uint32_t kXsRegisters = 0x44000000;
constexpr uint32_t kFrameBase = 0xC0000000;   // physical, palette first
constexpr uint32_t kFrame = 0x0C200000;       // what detection found
constexpr uint32_t kLcdOn = 0x83;             // enabled, colour, active

struct LcdTest : HardwareFixture
{
    uint32_t* registers = nullptr;

    void StrongArm(uint32_t control, uint32_t lccr1, uint32_t lccr2, uint16_t palette)
    {
        registers = static_cast<uint32_t*>(os::hw::add_device_memory(kSaRegisters, 44));
        registers[0] = control;
        registers[4] = kFrameBase;
        registers[8] = lccr1;
        registers[9] = lccr2;
        auto* base = static_cast<uint16_t*>(os::hw::add_device_memory(kFrameBase, 32 + 480 * 320));
        base[0] = palette;
    }

    void XScaleRegisters(uint32_t control, uint32_t lccr1, uint32_t lccr2, uint32_t depth)
    {
        registers = static_cast<uint32_t*>(os::hw::add_device_memory(kXsRegisters, 544));
        registers[0] = control;
        registers[1] = lccr1;
        registers[2] = lccr2;
        registers[3] = depth << 24;
    }

    uint16_t* Frame(uint32_t address = kFrame)
    {
        return static_cast<uint16_t*>(os::hw::add_device_memory(address, 480 * 320));
    }
};

const DisplayInfo kDetected{240, 320, 16, 480, 0, 0, kFrame};

} // namespace

TEST_F(LcdTest, StrongArmProbeOutcomes)
{
    struct Case
    {
        uint32_t control, lccr1;
        uint16_t palette;
        bool usable;
        int32_t width, pitch;
    } cases[] = {
        {kLcdOn, 224, 0x2000, true, 240, 480},
        {kLcdOn, 164, 0x2000, true, 180, 384},   // rows rounded to 16 pixels
        {kLcdOn & ~1u, 224, 0x2000, false, 0, 0},   // switched off
        {kLcdOn & ~0x80u, 224, 0x2000, false, 240, 480},   // passive
        {kLcdOn, 224, 0x1000, false, 240, 240},   // 8 bits
    };
    for (const Case& c : cases)
    {
        Fresh();
        StrongArm(c.control, c.lccr1, 319, c.palette);
        const LcdRecord& lcd = StrongArmLcd();
        EXPECT_EQ(c.usable, lcd.usable) << std::hex << c.control << " " << c.palette;
        EXPECT_EQ(c.width, lcd.width);
        EXPECT_EQ(c.pitch, lcd.pitch);
        EXPECT_TRUE(Logged(c.usable ? "StrongARM: found LCD" : "StrongARM: no LCD detected"));
        EXPECT_EQ(c.usable ? 1 : 0, os::hw::live_mappings()) << "the registers stay mapped only when usable";
    }
}

TEST_F(LcdTest, XScaleProbeDepthAndRowAlignment)
{
    struct Case
    {
        uint32_t control, depth;
        bool usable;
        int32_t bpp, pitch;
    } cases[] = {
        {kLcdOn, 4, true, 16, 184 * 2},                  // active: 8-pixel rows
        {kLcdOn & ~0x80u, 4, true, 16, 180 * 2},         // passive colour: 4-pixel rows
        {(kLcdOn & ~0x80u) | 0x200, 4, true, 16, 184 * 2},   // passive, colour and bit 9
        {kLcdOn, 3, false, 8, 184},
        {kLcdOn, 5, false, 0, 0},
    };
    for (const Case& c : cases)
    {
        Fresh();
        XScaleRegisters(c.control, 176, 219, c.depth);
        const LcdRecord& lcd = XScaleLcd();
        EXPECT_EQ(c.usable, lcd.usable) << std::hex << c.control << " " << c.depth;
        EXPECT_EQ(177, lcd.width);
        EXPECT_EQ(220, lcd.height);
        EXPECT_EQ(c.bpp, lcd.bpp);
        EXPECT_EQ(c.pitch, lcd.pitch);
        EXPECT_TRUE(Logged(c.usable ? "XScale: found LCD" : "XScale: no LCD detected"));
    }
}

TEST_F(LcdTest, InitializeNeedsAFrameBufferAndAUsableController)
{
    DisplayParams params;
    Frame();
    StrongARM noLcd;
    EXPECT_FALSE(noLcd.Initialize(window, params, kDetected)) << "no controller mapped";
    Forget();
    StrongArm(kLcdOn, 224, 319, 0x2000);
    StrongARM noFrame;
    EXPECT_FALSE(noFrame.Initialize(window, params, DisplayInfo{240, 320, 16, 480, 0, 0, 0}));
    StrongARM works;
    ASSERT_TRUE(works.Initialize(window, params, kDetected));
    EXPECT_EQ(kSwapScreen, works.Info().swapEffect);
    EXPECT_NE(nullptr, works.Lock());
}

TEST_F(LcdTest, UncachedAliasIsDroppedWhenBothShowTheSamePicture)
{
    StrongArm(kLcdOn, 224, 319, 0x2000);
    const uint32_t alias = kFrame | 0x20000000;
    uint16_t* plain = Frame();
    uint16_t* aliased = Frame(alias);
    DisplayParams params;
    for (bool same : {true, false})
    {
        aliased[100] = same ? 0 : 9;
        StrongARM driver;
        ASSERT_TRUE(driver.Initialize(window, params, DisplayInfo{240, 320, 16, 480, 0, 0, alias}));
        EXPECT_EQ(same ? kFrame : alias, driver.Info().frameBuffer);
        EXPECT_EQ(same ? plain : aliased, driver.Lock()->pixels);
        EXPECT_TRUE(Logged("StrongARM: detecting framebuffer"));
        EXPECT_TRUE(Logged("StrongARM: found framebuffer"));
    }
}

TEST_F(LcdTest, IpaqH3800UsesItsFixedFrameTurned)
{
    os::user::set_oem_info(u"Compaq iPAQ H3800 Pocket PC");
    StrongArm(kLcdOn, 224, 319, 0x2000);
    uint16_t* fixed = Frame(0xAC050020);
    StrongARM driver;
    DisplayParams params;
    ASSERT_TRUE(driver.Initialize(window, params, kDetected));
    EXPECT_EQ(3, driver.Info().orientation);
    EXPECT_EQ(0xAC050020u, driver.Info().frameBuffer);
    EXPECT_EQ(fixed, driver.Lock()->pixels);
}

// The beam advances one row per reading; the wait ends between 34 and 20
// rows from the bottom.
TEST_F(LcdTest, StrongArmWaitsForTheBeamNearTheBottom)
{
    StrongArm(kLcdOn, 224, 319, 0x2000);
    Frame();
    StrongARM driver;
    DisplayParams params;
    ASSERT_TRUE(driver.Initialize(window, params, kDetected));
    uint32_t beam = kFrameBase + 32;
    os::hw::set_register_reader(kSaRegisters + 20, [&] { return beam += 480; });
    driver.WaitForScanOut();
    const uint32_t base = kFrameBase + 32;
    EXPECT_EQ(base + 480 * (320 - 34), beam);

    // A beam that never comes (display off) does not hang the frame.
    os::hw::set_register_reader(kSaRegisters + 20, [] { return 0u; });
    driver.WaitForScanOut();
}

TEST_F(LcdTest, XScaleSkipsReadingsMarkedNotValid)
{
    XScaleRegisters(kLcdOn, 239, 319, 4);
    Frame();
    XScale driver;
    DisplayParams params;
    ASSERT_TRUE(driver.Initialize(window, params, kDetected));
    const std::vector<uint32_t> readings{480 * 25 | (1u << 26), 480 * 40, 0xFFE00000u | (480 * 19), 480 * 30, 0};
    size_t next = 0;
    os::hw::set_register_reader(kXsRegisters + 0x20C, [&] { return readings[next++]; });
    driver.WaitForScanOut();
    EXPECT_EQ(4u, next);
}
