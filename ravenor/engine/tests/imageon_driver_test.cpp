// imageon_driver_test.cpp -- the Imageon chip through the stand-in CoreLinkLib.dll
#include <gtest/gtest.h>

#include "ravenor/engine/display/imageon_driver.h"
#include "hardware_fixture.h"
#include "os/testing/user.h"

namespace {

using Config = os::hw::CoreLinkConfig;

struct ImageonTest : HardwareFixture
{
    const DisplayInfo detected{240, 320, 16, 512, 2, 2, 0x0C200000};

    std::unique_ptr<Imageon100> Make(const Config& config = Config{})
    {
        os::hw::register_corelink(config);
        auto driver = std::make_unique<Imageon100>();
        DisplayParams params;
        EXPECT_TRUE(driver->Initialize(window, params, detected));
        os::hw::clear_library_calls();
        return driver;
    }
};

} // namespace

TEST_F(ImageonTest, ProbeNeedsAToshibaModelAndTheLibrary)
{
    struct Case
    {
        const char16_t* oem;
        bool library;
        std::vector<std::string> missing;
        bool detected;
    } cases[] = {
        {u"Toshiba e740", true, {}, true},
        {u"Toshiba e750 Pocket PC", true, {}, true},
        {u"Toshiba e330", true, {}, false},
        {u"Toshiba e740", false, {}, false},
        {u"Toshiba e740", true, {"AtiCore_AllocOverlay"}, false},
        {u"Toshiba e740", true, {"AtiCore_AllocateSurface"}, false},
        {u"Toshiba e740", true, {"AtiCore_SetupMemoryTransfer"}, false},
    };
    for (const Case& c : cases)
    {
        Forget();
        DisplayLines().clear();
        os::hw::clear_library_calls();
        os::user::set_oem_info(c.oem);
        Config config;
        config.missing = c.missing;
        os::hw::register_corelink(config);
        os::module::set_library_absent(u"CoreLinkLib.dll", !c.library);
        EXPECT_EQ(c.detected, Imageon100::Probe());
        if (std::u16string(c.oem) == u"Toshiba e330")
        {
            EXPECT_TRUE(Logged("Imageon100: Not an Imageon100"));
        }
        if (c.detected)
        {
            EXPECT_TRUE(Logged("Imageon100: Detected"));
            EXPECT_EQ((std::vector<std::string>{"AtiCore_ProcessAttach()", "AtiCore_ProcessDetach()"}),
                      os::hw::library_calls());
        }
        EXPECT_EQ(0, os::module::reference_count(u"CoreLinkLib.dll")) << "the probe's binding is released";
    }
}

TEST_F(ImageonTest, InitializeSetsUpTheOverlay)
{
    os::hw::register_corelink(Config{});
    Imageon100 driver;
    DisplayParams params;
    ASSERT_TRUE(driver.Initialize(window, params, detected));
    EXPECT_EQ(480, driver.Info().pitch);
    EXPECT_EQ(0, driver.Info().orientation);
    EXPECT_EQ(kSwapScreen, driver.Info().swapEffect);
    EXPECT_EQ((std::vector<std::string>{"AtiCore_ProcessAttach()", "AtiCore_AllocateSurface(76800)",
                                        "AtiCore_AllocOverlay()", "AtiCore_SetupOverlay(3)",
                                        "AtiCore_SetOverlayPos(3, 0, 0)", "AtiCore_SetOverlayOnOff(3, 1)"}),
              os::hw::library_calls());
    const std::vector<uint8_t> record = os::hw::overlay_record();
    const std::vector<uint8_t> expected{0x00, 0x10, 0, 0, 0, 0, 0, 0, 240, 0, 240, 0,
                                        0x40, 1,    0x40, 1, 0, 0, 0, 0, 8, 0, 0, 0};
    EXPECT_EQ(expected, record);
    DisplayParams again;
    EXPECT_FALSE(driver.Initialize(window, again, detected)) << "the overlay exists already";
}

TEST_F(ImageonTest, LockOpensATransferAndPresentClosesIt)
{
    auto driver = Make();
    Surface* s = driver->Lock();
    ASSERT_NE(nullptr, s);
    for (int32_t y = 0; y < s->height; ++y)
        for (int32_t x = 0; x < s->width; ++x)
            s->Row(y)[x] = 0x5555;   // the chip's surface is guarded
    EXPECT_EQ(os::hw::DeviceToHost(0x0A001000, 2), s->pixels);
    driver->Present(0);
    driver->Present(0);
    EXPECT_EQ((std::vector<std::string>{"AtiCore_WaitComplete(100)", "AtiCore_SetupMemoryTransfer(4096)",
                                        "AtiCore_TerminateMemoryTransfer()"}),
              os::hw::library_calls());
}

TEST_F(ImageonTest, LockGivesUp)
{
    struct Case
    {
        int busy;
        Config::Transfer transfer;
        bool locks;
        size_t waits;
    } cases[] = {
        {31, Config::Transfer::Works, true, 32},
        {32, Config::Transfer::Works, false, 32},
        {0, Config::Transfer::Fails, false, 1},
        {0, Config::Transfer::NoAddress, false, 1},
    };
    for (const Case& c : cases)
    {
        os::hw::reset();
        Config config;
        config.transfer = c.transfer;
        auto driver = Make(config);
        os::hw::register_corelink(Config{config.missing, c.busy, c.transfer});
        EXPECT_EQ(c.locks, driver->Lock() != nullptr) << c.busy;
        const auto calls = os::hw::library_calls();
        EXPECT_EQ(c.waits, size_t(std::count(calls.begin(), calls.end(), "AtiCore_WaitComplete(100)")));
        os::hw::clear_library_calls();
        driver->Present(0);
        const bool closed = !os::hw::library_calls().empty();
        EXPECT_EQ(c.locks, closed) << "only an open transfer is closed";
    }
}

TEST_F(ImageonTest, SuspendResumeAndDestruction)
{
    auto driver = Make();
    ASSERT_NE(nullptr, driver->Lock());
    driver->Suspend();
    driver->Resume();
    ASSERT_NE(nullptr, driver->Lock());
    driver.reset();
    EXPECT_EQ((std::vector<std::string>{"AtiCore_WaitComplete(100)", "AtiCore_SetupMemoryTransfer(4096)",
                                        "AtiCore_TerminateMemoryTransfer()", "AtiCore_SetOverlayOnOff(3, 0)",
                                        "AtiCore_SetOverlayOnOff(3, 1)", "AtiCore_WaitComplete(100)",
                                        "AtiCore_SetupMemoryTransfer(4096)", "AtiCore_TerminateMemoryTransfer()",
                                        "AtiCore_SetOverlayOnOff(3, 0)", "AtiCore_ReleaseOverlay(3)",
                                        "AtiCore_DestroySurface(5)", "AtiCore_ProcessDetach()"}),
              os::hw::library_calls());
    EXPECT_EQ(0, os::module::reference_count(u"CoreLinkLib.dll"));
}
