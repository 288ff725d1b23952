// fake_gx.h -- a scriptable "gx.dll" over a guarded video buffer, for driver tests
//
// The screen's memory is a simulated device block of cxWidth x cyHeight
// 16-bit pixels; GXBeginDraw answers the address of logical pixel (0, 0) for
// the configured pitch signs. Every call is recorded.
#pragma once

#include <os/gx.h>
#include <os/hw.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "os/testing/kernel.h"

struct FakeGxConfig
{
    GXDisplayProperties properties{240, 320, 2, 480, 16, 0};
    bool opens = true;
    enum class Dram
    {
        Missing,
        No,
        Yes,
    } dram = Dram::Yes;
    int failedBeginDraws = 0;   // GXBeginDraw answers nullptr this many times first
    uint32_t address = 0x0C100000;
};

struct FakeGx
{
    static FakeGx& Get()
    {
        static FakeGx fake;
        return fake;
    }

    FakeGxConfig config;
    std::vector<std::string> calls;
    uint8_t* memory = nullptr;   // lowest byte of the screen
    int beginFailuresLeft = 0;

    uint8_t* Origin() const
    {
        const GXDisplayProperties& p = config.properties;
        uint8_t* origin = memory;
        if (p.cbxPitch < 0)
            origin += (p.cxWidth - 1) * std::abs(p.cbxPitch);
        if (p.cbyPitch < 0)
            origin += (p.cyHeight - 1) * std::abs(p.cbyPitch);
        return origin;
    }

    static int Open(HWND, DWORD flags)
    {
        Get().calls.push_back("GXOpenDisplay " + std::to_string(flags));
        return Get().config.opens;
    }
    static int Close()
    {
        Get().calls.push_back("GXCloseDisplay");
        return 1;
    }
    static void* Begin()
    {
        Get().calls.push_back("GXBeginDraw");
        if (Get().beginFailuresLeft > 0)
        {
            --Get().beginFailuresLeft;
            return nullptr;
        }
        return Get().Origin();
    }
    static int End()
    {
        Get().calls.push_back("GXEndDraw");
        return 1;
    }
    static GXDisplayProperties Properties() { return Get().config.properties; }
    static int Suspend()
    {
        Get().calls.push_back("GXSuspend");
        return 1;
    }
    static int Resume()
    {
        Get().calls.push_back("GXResume");
        return 1;
    }
    static int Viewport(DWORD top, DWORD height, DWORD a, DWORD b)
    {
        Get().calls.push_back("GXSetViewport " + std::to_string(top) + " " + std::to_string(height) + " " +
                              std::to_string(a) + " " + std::to_string(b));
        return 1;
    }
    static BOOL Dram() { return Get().config.dram == FakeGxConfig::Dram::Yes; }
    static GXKeyList Keys(int) { return GXKeyList{}; }
    static int Nothing() { return 1; }
};

// Makes "gx.dll" the fake with this configuration (and its screen memory).
inline FakeGx& InstallFakeGx(const FakeGxConfig& config)
{
    using os::module::proc;
    FakeGx& gx = FakeGx::Get();
    gx.config = config;
    gx.calls.clear();
    gx.beginFailuresLeft = config.failedBeginDraws;
    const GXDisplayProperties& p = config.properties;
    gx.memory = static_cast<uint8_t*>(os::hw::add_device_memory(config.address, p.cxWidth * p.cyHeight * 2));
    std::vector<os::module::Export> exports{
        {"?GXOpenDisplay@@YAHPAUHWND__@@K@Z", 0, proc(FakeGx::Open)},
        {"?GXCloseDisplay@@YAHXZ", 0, proc(FakeGx::Close)},
        {"?GXBeginDraw@@YAPAXXZ", 0, proc(FakeGx::Begin)},
        {"?GXEndDraw@@YAHXZ", 0, proc(FakeGx::End)},
        {"?GXOpenInput@@YAHXZ", 0, proc(FakeGx::Nothing)},
        {"?GXCloseInput@@YAHXZ", 0, proc(FakeGx::Nothing)},
        {"?GXGetDisplayProperties@@YA?AUGXDisplayProperties@@XZ", 0, proc(FakeGx::Properties)},
        {"?GXGetDefaultKeys@@YA?AUGXKeyList@@H@Z", 0, proc(FakeGx::Keys)},
        {"?GXSuspend@@YAHXZ", 0, proc(FakeGx::Suspend)},
        {"?GXResume@@YAHXZ", 0, proc(FakeGx::Resume)},
        {"?GXSetViewport@@YAHKKKK@Z", 0, proc(FakeGx::Viewport)},
    };
    if (config.dram != FakeGxConfig::Dram::Missing)
        exports.push_back({"?GXIsDisplayDRAMBuffer@@YAHXZ", 0, proc(FakeGx::Dram)});
    os::module::register_library(u"gx.dll", exports);
    os::module::set_library_absent(u"gx.dll", false);
    return gx;
}
