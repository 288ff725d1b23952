// gx.cpp -- GAPI over the device screen
#include "os/gx/gx_private.h"
#include "os/host/host.h"
#include "os/kernel/module_private.h"

#include <mutex>

namespace os::gx {

namespace {

std::mutex& lock()
{
    static auto* m = new std::mutex;
    return *m;
}

State& current()
{
    static auto* s = new State;
    return *s;
}

// Applies a change to the state under the lock; answers what it answers.
template <class F>
auto change(F f)
{
    std::lock_guard<std::mutex> guard(lock());
    return f(current());
}

constexpr short kArrowUp = 0x26;
constexpr short kArrowDown = 0x28;
constexpr short kArrowLeft = 0x25;
constexpr short kArrowRight = 0x27;
constexpr short kApplicationKey1 = 0xC1;

} // namespace

State state()
{
    return change([](State& s) { return s; });
}

void register_library()
{
    using os::module::proc;
    os::module::register_library(
        u"gx.dll",
        {
            {"?GXOpenDisplay@@YAHPAUHWND__@@K@Z", 0, proc(GXOpenDisplay)},
            {"?GXCloseDisplay@@YAHXZ", 0, proc(GXCloseDisplay)},
            {"?GXBeginDraw@@YAPAXXZ", 0, proc(GXBeginDraw)},
            {"?GXEndDraw@@YAHXZ", 0, proc(GXEndDraw)},
            {"?GXOpenInput@@YAHXZ", 0, proc(GXOpenInput)},
            {"?GXCloseInput@@YAHXZ", 0, proc(GXCloseInput)},
            {"?GXGetDisplayProperties@@YA?AUGXDisplayProperties@@XZ", 0, proc(GXGetDisplayProperties)},
            {"?GXGetDefaultKeys@@YA?AUGXKeyList@@H@Z", 0, proc(GXGetDefaultKeys)},
            {"?GXSuspend@@YAHXZ", 0, proc(GXSuspend)},
            {"?GXResume@@YAHXZ", 0, proc(GXResume)},
            {"?GXSetViewport@@YAHKKKK@Z", 0, proc(GXSetViewport)},
            {"?GXIsDisplayDRAMBuffer@@YAHXZ", 0, proc(GXIsDisplayDRAMBuffer)},
            {"GXOpenDisplay", 0, proc(GXOpenDisplay)},
            {"GXCloseDisplay", 0, proc(GXCloseDisplay)},
            {"GXBeginDraw", 0, proc(GXBeginDraw)},
            {"GXEndDraw", 0, proc(GXEndDraw)},
            {"GXOpenInput", 0, proc(GXOpenInput)},
            {"GXCloseInput", 0, proc(GXCloseInput)},
            {"GXGetDisplayProperties", 0, proc(GXGetDisplayProperties)},
            {"GXGetDefaultKeys", 0, proc(GXGetDefaultKeys)},
            {"GXSuspend", 0, proc(GXSuspend)},
            {"GXResume", 0, proc(GXResume)},
            {"GXSetViewport", 0, proc(GXSetViewport)},
            {"GXIsDisplayDRAMBuffer", 0, proc(GXIsDisplayDRAMBuffer)},
        });
}

} // namespace os::gx

using os::gx::change;
using os::gx::State;

int GXOpenDisplay(HWND window, DWORD flags)
{
    os::host::screen(); // the screen exists from now on
    return change([&](State& s) {
        s.display_open = true;
        s.window = window;
        s.open_flags = flags;
        s.suspended = false;
        return 1;
    });
}

int GXCloseDisplay()
{
    os::host::backend().set_direct_drawing(false);
    return change([](State& s) {
        bool was_open = s.display_open;
        s.display_open = false;
        s.window = nullptr;
        return was_open ? 1 : 0;
    });
}

void* GXBeginDraw()
{
    bool usable = change([](State& s) {
        ++s.begin_draws;
        return s.display_open && !s.suspended;
    });
    if (usable)
        os::host::backend().set_direct_drawing(true);
    return usable ? os::host::screen().pixels : nullptr;
}

int GXEndDraw()
{
    bool open = change([](State& s) {
        ++s.end_draws;
        return s.display_open;
    });
    os::host::backend().set_direct_drawing(false);
    if (!open)
        return 0;
    os::host::backend().present(nullptr);
    return 1;
}

int GXOpenInput()
{
    return change([](State& s) {
        s.input_open = true;
        return 1;
    });
}

int GXCloseInput()
{
    return change([](State& s) {
        s.input_open = false;
        return 1;
    });
}

GXDisplayProperties GXGetDisplayProperties()
{
    os::host::Screen& screen = os::host::screen();
    GXDisplayProperties p{};
    p.cxWidth = DWORD(screen.width);
    p.cyHeight = DWORD(screen.height);
    p.cbxPitch = screen.bpp / 8;
    p.cbyPitch = screen.pitch;
    p.cBPP = screen.bpp;
    p.ffFormat = kfDirect | (screen.bpp == 32 ? kfDirect888 : kfDirect565);
    return p;
}

GXKeyList GXGetDefaultKeys(int)
{
    using namespace os::gx;
    GXKeyList keys{};
    keys.vkUp = kArrowUp;
    keys.vkDown = kArrowDown;
    keys.vkLeft = kArrowLeft;
    keys.vkRight = kArrowRight;
    keys.vkA = kApplicationKey1;
    keys.vkB = kApplicationKey1 + 1;
    keys.vkC = kApplicationKey1 + 2;
    keys.vkStart = kApplicationKey1 + 3;
    return keys;
}

int GXSuspend()
{
    return change([](State& s) {
        s.suspended = true;
        return 1;
    });
}

int GXResume()
{
    return change([](State& s) {
        s.suspended = false;
        return 1;
    });
}

int GXSetViewport(DWORD top, DWORD height, DWORD reserved1, DWORD reserved2)
{
    return change([&](State& s) {
        s.viewport[0] = top;
        s.viewport[1] = height;
        s.viewport[2] = reserved1;
        s.viewport[3] = reserved2;
        return 1;
    });
}

BOOL GXIsDisplayDRAMBuffer()
{
    return FALSE;
}
