// driver_direct.cpp -- the frame-buffer escape driver and its probe
#include "ravenor/engine/display/driver_direct.h"

#include <os/windows.h>

#include <algorithm>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/gx_info.h"
#include "ravenor/engine/display/hardware_access.h"
#include "ravenor/engine/display/media_q.h"
#include "ravenor/engine/display/system_bindings.h"

namespace {

// How many times Lock asks a busy DMA helper before it draws anyway.
constexpr int kDmaWaitLimit = 1000;

template <class F>
F Bind(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GxdmaEntry(name)));
}

} // namespace

bool DriverDirect::Probe(DisplayInfo& info)
{
    GxInfo gx;
    if (!QueryGxInfo(gx))
    {
        DisplayLog("DriverDirect: not supported");
        return false;
    }
    info.width = gx.Width();
    info.height = gx.Height();
    info.pitch = gx.Stride();
    info.orientation = (gx.Format() & GxInfo::kLandscape) ? 1 : 0;
    info.frameBuffer = gx.FrameBuffer();
    DisplayLog("DriverDirect: Found W:%d, H:%d, P:%d, O:%d, FB:%08X", info.width, info.height, info.pitch,
               info.orientation, info.frameBuffer);
    return true;
}

DriverDirect::DriverDirect()
{
    if (IsDirectModel(PlatformModel()) || !GxdmaLoaded())
    {
        DisplayLog("DriverDirect: No GXDMA");
        return;
    }
    // Without the copy entry the helper is of no use; a missing ready check is always ready.
    copy_ = Bind<os::hw::DmaCopy>("DmaDRAMtoVRAM");
    ready_ = Bind<os::hw::DmaReady>("IsDMAReady");
    DisplayLog(copy_ ? "DriverDirect: GXDMA detected" : "DriverDirect: No GXDMA");
}

bool DriverDirect::Initialize(HWND window, DisplayParams&, const DisplayInfo& detected)
{
    DisplayLog("DriverDirect: Initialize()");
    if (surface_ || !IsWindow(window) || detected.frameBuffer == 0)
        return false;
    info_ = detected;
    info_.swapEffect = HasDma() ? kSwapCopy : kSwapScreen;
    surface_ = FrameBufferSurface(info_);
    dma_ = RECT{0, 0, info_.width, info_.height};
    return surface_ != nullptr;
}

Surface* DriverDirect::Lock()
{
    if (HasDma() && ready_)
    {
        for (int i = 0; i < kDmaWaitLimit && !ready_(); ++i)
            Sleep(0);
    }
    return surface_.get();
}

void DriverDirect::Present(uint32_t)
{
    if (HasDma())
        copy_(static_cast<DWORD>(dma_.left), static_cast<DWORD>(dma_.top), static_cast<DWORD>(dma_.right - dma_.left),
              static_cast<DWORD>(dma_.bottom - dma_.top));
}

void DriverDirect::SetDirtyRect(const RECT& r)
{
    if (!HasDma())
        return;
    // Four-pixel columns, but never past the screen's right edge.
    const LONG x = std::clamp<LONG>(r.left, 0, info_.width) & ~3;
    const LONG width = std::min<LONG>((r.right - x + 3) & ~3, info_.width - x);
    const LONG top = std::clamp<LONG>(r.top, 0, info_.height);
    const LONG bottom = std::clamp<LONG>(r.bottom, top, info_.height);
    dma_ = RECT{x, top, x + std::max<LONG>(width, 0), bottom};
}
