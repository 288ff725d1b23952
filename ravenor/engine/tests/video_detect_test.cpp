// video_detect_test.cpp -- detection over the stand-ins, and the display choosing each driver
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "ravenor/engine/display/display.h"
#include "ravenor/engine/display/gx_info.h"
#include "ravenor/engine/display/hardware_access.h"
#include "fake_gx.h"
#include "hardware_fixture.h"
#include "os/testing/gdi.h"
#include "os/testing/user.h"

namespace {

constexpr uint32_t kEscapeFrame = 0x0C242000;   // inside the MediaQ window
constexpr uint32_t kFrameBase = 0xC0000000;

// GETGXINFO answering a 176 x 220 frame at the address.
void AnswerGxInfo(uint32_t frameBuffer)
{
    os::gdi::set_escape_handler(kGetGxInfoEscape, [=](int, LPCSTR, int size, LPSTR out) {
        if (size < GxInfo::kBytes)
            return -1;
        const uint32_t fields[7] = {100, frameBuffer, 352, 176, 220, 16, 0};
        std::memcpy(out, fields, sizeof fields);
        return 1;
    });
}

FakeGxConfig Gx176()
{
    FakeGxConfig config;
    config.properties = GXDisplayProperties{176, 220, 2, 352, 16, 0};
    return config;
}

void StrongArmLcdOn()
{
    os::hw::set_processor_id(0x6901B110);
    auto* regs = static_cast<uint32_t*>(os::hw::add_device_memory(0xB0100000, 44));
    regs[0] = 0x83;
    regs[4] = kFrameBase;
    regs[8] = 160;
    regs[9] = 219;
    static_cast<uint16_t*>(os::hw::add_device_memory(kFrameBase, 32))[0] = 0x2000;
}

void XScaleLcdOn()
{
    os::hw::set_processor_id(0x69052100);
    auto* regs = static_cast<uint32_t*>(os::hw::add_device_memory(0x44000000, 544));
    regs[0] = 0x83;
    regs[1] = 175;
    regs[2] = 219;
    regs[3] = 4u << 24;
}

// The clear of the MediaQ benchmark takes 20 ms.
void SlowClock()
{
    auto ticks = std::make_shared<std::vector<uint32_t>>(std::vector<uint32_t>{100, 100, 101, 121});
    auto next = std::make_shared<size_t>(0);
    SetMillisecondClock([=] { return (*ticks)[std::min((*next)++, ticks->size() - 1)]; });
}

struct Device
{
    const char* name;
    std::function<void()> build;
    std::vector<int32_t> candidates;
    int32_t chosen;
    uint32_t screen;   // device address the game's frame reaches, 0: the GDI window
};

const Device kDevices[] = {
    {"plain", [] {}, {kDriverGdi}, kDriverGdi, 0},
    {"gx", [] { InstallFakeGx(Gx176()); }, {kDriverGdi, kDriverGapi}, kDriverGapi, 0x0C100000},
    {"gx that cannot open, escape present",
     [] {
         FakeGxConfig c = Gx176();
         c.opens = false;
         InstallFakeGx(c);
         AnswerGxInfo(kEscapeFrame);
     },
     {kDriverGdi}, kDriverGdi, 0},
    {"escape without gx",
     [] {
         AnswerGxInfo(0x0C200000);
         os::hw::add_device_memory(0x0C200000, 352 * 220);
     },
     {kDriverGdi, kDriverDirect}, kDriverDirect, 0x0C200000},
    {"StrongARM",
     [] {
         InstallFakeGx(Gx176());
         StrongArmLcdOn();
     },
     {kDriverGdi, kDriverGapi, kDriverStrongArm}, kDriverStrongArm, 0x0C100000},
    {"XScale",
     [] {
         InstallFakeGx(Gx176());
         XScaleLcdOn();
     },
     {kDriverGdi, kDriverGapi, kDriverXScale}, kDriverXScale, 0x0C100000},
    {"XScale processor without a usable LCD",
     [] {
         InstallFakeGx(Gx176());
         os::hw::set_processor_id(0x69052100);
     },
     {kDriverGdi, kDriverGapi}, kDriverGapi, 0x0C100000},
    {"Imageon",
     [] {
         InstallFakeGx(Gx176());
         os::user::set_oem_info(u"Toshiba e740");
         os::hw::register_corelink(os::hw::CoreLinkConfig{});
     },
     {kDriverGdi, kDriverGapi, kDriverImageon}, kDriverImageon, 0x0A001000},
    {"MediaQ",
     [] {
         AnswerGxInfo(kEscapeFrame);
         os::hw::add_device_memory(kEscapeFrame, 352 * 220);
         SlowClock();
     },
     {kDriverGdi, kDriverDirect, kDriverMediaQ}, kDriverMediaQ, kEscapeFrame},
};

// The id of the driver the display layer initialised last.
int32_t ChosenDriver()
{
    int32_t id = 0;
    int32_t chosen = 0;
    for (const std::string& line : DisplayLines())
    {
        unsigned value = 0;
        if (std::sscanf(line.c_str(), "CreateDriver( %08X )", &value) == 1)
            id = static_cast<int32_t>(value);
        if (line == "Driver initialized!")
            chosen = id;
    }
    return chosen;
}

using DetectTest = HardwareFixture;

} // namespace

TEST_F(DetectTest, CandidatesAndTheDisplaysChoiceForEachDevice)
{
    for (const Device& device : kDevices)
    {
        SCOPED_TRACE(device.name);
        Fresh();
        device.build();
        {
            const VideoDetect& detect = VideoDetect::Instance();
            EXPECT_EQ(device.candidates,
                      std::vector<int32_t>(detect.drivers, detect.drivers + detect.driverCount));
        }
        DisplayParams params{0, 0, 0, kSwapDiscard};
        std::unique_ptr<Display> display = Display::Create(window, params);
        ASSERT_NE(nullptr, display);
        EXPECT_EQ(device.chosen, ChosenDriver());

        // One frame: the game's first pixel reaches the screen's first pixel.
        ASSERT_TRUE(display->BeginScene());
        Surface* buffer = display->GetBuffer();
        ASSERT_NE(nullptr, buffer);
        for (int32_t y = 0; y < buffer->height; ++y)
            for (int32_t x = 0; x < buffer->width; ++x)
                buffer->Row(y)[x] = 0xBEEF;
        display->SetDirtyRect(nullptr);
        EXPECT_TRUE(display->Swap(0));
        if (device.screen)
        {
            auto* screen = static_cast<uint16_t*>(os::hw::DeviceToHost(device.screen, 2));
            ASSERT_NE(nullptr, screen);
            EXPECT_EQ(0xBEEF, screen[0]);
        }
        display.reset();
        SetMillisecondClock(nullptr);
        os::gdi::set_escape_handler(kGetGxInfoEscape, nullptr);
        os::user::set_oem_info(u"Handheld Emulator");
        for (const char16_t* name : {u"gx.dll", u"gxdma.dll", u"CoreLinkLib.dll"})
            os::module::set_library_absent(name, true);
    }
}

// A landscape GAPI screen for the portrait game: the rotation driver turns it.
TEST_F(DetectTest, TurnedGapiScreenGetsTheRotationDriver)
{
    FakeGxConfig config;
    config.properties = GXDisplayProperties{176, 220, 440, -2, 16, 0};   // orientation 1: 220 x 176
    FakeGx& gx = InstallFakeGx(config);
    DisplayParams params{0, 0, 0, kSwapDiscard};
    std::unique_ptr<Display> display = Display::Create(window, params);
    ASSERT_NE(nullptr, display);
    EXPECT_TRUE(Logged("RotationDriver: Initialize()"));
    EXPECT_EQ(176, params.width);
    EXPECT_EQ(220, params.height);
    ASSERT_TRUE(display->BeginScene());
    Surface* buffer = display->GetBuffer();
    ASSERT_NE(nullptr, buffer);
    buffer->Row(0)[0] = 0x1234;
    display->SetDirtyRect(nullptr);
    EXPECT_TRUE(display->Swap(0));
    // Own (0, 0) lands on screen pixel (X, Y) with Y = 0 and X = h - 1 = 219.
    EXPECT_EQ(0x1234, reinterpret_cast<uint16_t*>(gx.memory)[219]);
}

TEST(DetectDepth, OnlyGdiOnAScreenThatIsNot16Bits)
{
    os::host::set_default_screen(176, 220, 32);
    if (os::host::screen().bpp != 32)
        GTEST_SKIP() << "the screen of this process was made before the test";
    InstallFakeGx(Gx176());
    VideoDetect::Reset();
    ResetSystemBindings();
    const VideoDetect& detect = VideoDetect::Instance();
    EXPECT_EQ((std::vector<int32_t>{kDriverGdi}), std::vector<int32_t>(detect.drivers, detect.drivers + detect.driverCount));
}

TEST_F(DetectTest, PlatformModelFromTheOemText)
{
    struct Case
    {
        const char16_t* oem;
        int32_t model;
    } cases[] = {
        {u"Handheld Emulator", kModelNone}, {u"Compaq iPAQ H3800", kModelIpaqH3800},
        {u"Compaq iPAQ H38", kModelNone},   {u"Compale P6C v2", kModelCompaleP6C},
        {u"Typhoon", kModelTyphoon},        {u"Toshiba e310", kModelToshibaE310},
        {u"Toshiba e330", kModelToshibaE330}, {u"Toshiba e740", kModelToshibaE740},
        {u"Toshiba e750", kModelToshibaE750}, {u"toshiba e750", kModelNone},
    };
    for (const Case& c : cases)
    {
        ResetHardwareRecords();
        os::user::set_oem_info(c.oem);
        EXPECT_EQ(c.model, PlatformModel());
    }
}

TEST_F(DetectTest, ProcessorKindInKernelMode)
{
    std::vector<BOOL> modes;
    static std::vector<BOOL>* record = nullptr;
    record = &modes;
    BOOL (*setKMode)(BOOL) = [](BOOL on) {
        record->push_back(on);
        return FALSE;
    };
    os::module::register_library(u"coredll.dll", {{"SetKMode", 0, os::module::proc(setKMode)}});
    os::module::set_library_absent(u"coredll.dll", false);
    struct Case
    {
        uint32_t id;
        int32_t kind;
    } cases[] = {
        {0, kProcessorOther}, {0x6901B110, kProcessorStrongArm}, {0x69052100, kProcessorXScale},
        {0x69052D06, kProcessorXScale}, {0x69054110, kProcessorOther}, {0x4401A100, kProcessorOther},
    };
    for (const Case& c : cases)
    {
        Forget();
        modes.clear();
        os::hw::set_processor_id(c.id);
        EXPECT_EQ(c.kind, ProcessorKind()) << std::hex << c.id;
        EXPECT_EQ((std::vector<BOOL>{TRUE, FALSE}), modes) << "kernel mode on, then back";
    }
    os::module::set_library_absent(u"coredll.dll", true);
}

// A MediaQ frame that is not whole 64-byte blocks is passed straight through;
// the display then draws into a back buffer of its own and copies it over.
TEST_F(DetectTest, UnshadowedMediaQGetsTheDisplaysBackBuffer)
{
    constexpr uint32_t kOddFrame = 0x0C250000;
    os::gdi::set_escape_handler(kGetGxInfoEscape, [](int, LPCSTR, int size, LPSTR out) {
        if (size < GxInfo::kBytes)
            return -1;
        const uint32_t fields[7] = {100, kOddFrame, 200, 100, 101, 16, 0};
        std::memcpy(out, fields, sizeof fields);
        return 1;
    });
    auto* frame = static_cast<uint16_t*>(os::hw::add_device_memory(kOddFrame, 200 * 101));
    SlowClock();
    const VideoDetect& detect = VideoDetect::Instance();
    ASSERT_EQ(kDriverMediaQ, detect.drivers[detect.driverCount - 1]);
    DisplayParams params{0, 0, 0, kSwapDiscard};
    std::unique_ptr<Display> display = Display::Create(window, params);
    ASSERT_NE(nullptr, display);
    EXPECT_EQ(kSwapCopy, params.swapEffect);
    ASSERT_TRUE(display->BeginScene());
    Surface* buffer = display->GetBuffer();
    ASSERT_NE(nullptr, buffer);
    EXPECT_NE(frame, buffer->pixels) << "a back buffer, not the chip's memory";
    buffer->Row(100)[99] = 0x4321;
    display->SetDirtyRect(nullptr);
    EXPECT_TRUE(display->Swap(0));
    EXPECT_EQ(0x4321, frame[100 * 100 + 99]);
}
