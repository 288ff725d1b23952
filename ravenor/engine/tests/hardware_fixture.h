// hardware_fixture.h -- a game window, a recorded display log and a clean device
//
// Every probe answer is forgotten before and after each test; stand-in
// libraries, escapes and simulated memory are removed again afterwards.
#pragma once

#include <os/hw.h>
#include <os/windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/core/millisecond_clock.h"
#include "ravenor/engine/display/system_bindings.h"
#include "ravenor/engine/display/video_detect.h"
#include "os/testing/hw.h"
#include "os/testing/kernel.h"
#include "window_fixture.h"
#include "os/testing/gdi.h"
#include "os/testing/user.h"

inline std::vector<std::string>& DisplayLines()
{
    static std::vector<std::string> lines;
    return lines;
}

struct HardwareFixture : ::testing::Test
{
    HWND window = nullptr;

    void SetUp() override
    {
        window = MakeGameWindow();
        ASSERT_NE(nullptr, window);
        DisplayLines().clear();
        SetDisplayLogSink([](const std::string& line) { DisplayLines().push_back(line); });
        Forget();
    }

    void TearDown() override
    {
        Forget();
        SetDisplayLogSink(nullptr);
        SetMillisecondClock(nullptr);
        os::gdi::set_escape_handler(0x20000, nullptr);
        os::user::set_oem_info(u"Handheld Emulator");
        for (const char16_t* name : {u"gx.dll", u"gxdma.dll", u"CoreLinkLib.dll"})
            os::module::set_library_absent(name, true);
        os::hw::reset();
        os::hw::clear_library_calls();
    }

    static void Forget()
    {
        ResetSystemBindings();
        VideoDetect::Reset();
    }

    // A device with nothing simulated and nothing probed, and an empty log.
    static void Fresh()
    {
        Forget();
        os::hw::reset();
        DisplayLines().clear();
    }

    static bool Logged(const std::string& line)
    {
        const auto& lines = DisplayLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};
