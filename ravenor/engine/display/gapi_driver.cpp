// gapi_driver.cpp -- the Game API driver and its probe
#include "ravenor/engine/display/gapi_driver.h"

#include <os/hw.h>
#include <os/windows.h>

#include <algorithm>
#include <cstdlib>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/hardware_access.h"
#include "ravenor/engine/display/media_q.h"
#include "ravenor/engine/display/system_bindings.h"

namespace {

template <class F>
void Bind(F& function, const char* name)
{
    function = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GxEntry(name)));
}

int32_t SwapEffectOf(const GapiFunctions& gx)
{
    if (IsDirectModel(PlatformModel()))
        return kSwapScreen;
    return gx.isDramBuffer && gx.isDramBuffer() ? kSwapCopy : kSwapScreen;
}

} // namespace

bool GapiFunctions::Bind()
{
    if (!GxLoaded())
        return false;
    ::Bind(openDisplay, "?GXOpenDisplay@@YAHPAUHWND__@@K@Z");
    ::Bind(closeDisplay, "?GXCloseDisplay@@YAHXZ");
    ::Bind(beginDraw, "?GXBeginDraw@@YAPAXXZ");
    ::Bind(endDraw, "?GXEndDraw@@YAHXZ");
    ::Bind(properties, "?GXGetDisplayProperties@@YA?AUGXDisplayProperties@@XZ");
    ::Bind(suspend, "?GXSuspend@@YAHXZ");
    ::Bind(resume, "?GXResume@@YAHXZ");
    ::Bind(setViewport, "?GXSetViewport@@YAHKKKK@Z");
    ::Bind(isDramBuffer, "?GXIsDisplayDRAMBuffer@@YAHXZ");
    return openDisplay && closeDisplay && beginDraw && endDraw && properties && suspend && resume && setViewport;
}

GapiGeometry GapiGeometryOf(const GXDisplayProperties& p)
{
    GapiGeometry g;
    if (p.cbxPitch > 0)
        g.orientation = p.cbyPitch > 0 ? 0 : 1;
    else
        g.orientation = p.cbyPitch < 0 ? 2 : 3;
    const bool odd = g.orientation & 1;
    g.width = static_cast<int32_t>(odd ? p.cyHeight : p.cxWidth);
    g.height = static_cast<int32_t>(odd ? p.cxWidth : p.cyHeight);
    g.pitch = std::abs(odd ? p.cbxPitch : p.cbyPitch);
    // The lowest pixel lies behind every step that goes down in memory.
    g.frameOffset = static_cast<int32_t>(p.cxWidth - 1) * std::min(p.cbxPitch, 0) +
                    static_cast<int32_t>(p.cyHeight - 1) * std::min(p.cbyPitch, 0);
    return g;
}

bool GAPI::Probe(DisplayInfo& info, HWND window)
{
    DisplayLog("GAPI: Detect()");
    DisplayLog("GAPI: Loading GX.DLL");
    GapiFunctions gx;
    if (!GxLoaded())
    {
        DisplayLog("GAPI: GX.DLL not found");
        return false;
    }
    if (!gx.Bind() || !gx.openDisplay(window, GX_FULLSCREEN))
    {
        DisplayLog("GAPI: GXOpenDisplay() failed");
        return false;
    }
    const GXDisplayProperties p = gx.properties();
    const GapiGeometry g = GapiGeometryOf(p);
    info.bpp = p.cBPP;
    info.orientation = g.orientation;
    DisplayLog("GAPI: Native orientation is %d", g.orientation);
    info.width = g.width;
    info.height = g.height;
    info.pitch = g.pitch;
    info.swapEffect = SwapEffectOf(gx);
    if (info.frameBuffer == 0)
    {
        DisplayLog("GAPI: Offset is %d", g.frameOffset);
        if (auto* address = static_cast<uint8_t*>(gx.beginDraw()))
        {
            gx.setViewport(0, 0, 0, 0);
            gx.endDraw();
            info.frameBuffer = os::hw::HostToDevice(address + g.frameOffset);
        }
    }
    gx.closeDisplay();
    DisplayLog("GAPI: Found W:%d, H:%d, P:%d, O:%d, FB:%08X", info.width, info.height, info.pitch, info.orientation,
               info.frameBuffer);
    return true;
}

GAPI::~GAPI()
{
    if (open_)
        gx_.closeDisplay();
}

bool GAPI::Initialize(HWND window, DisplayParams&, const DisplayInfo& detected)
{
    DisplayLog("GAPI: Initialize()");
    if (open_ || !IsWindow(window) || !gx_.Bind())
        return false;
    if (!gx_.openDisplay(window, GX_FULLSCREEN))
    {
        DisplayLog("GAPI: GXOpenDisplay() failed");
        return false;
    }
    open_ = true;
    const GapiGeometry g = GapiGeometryOf(gx_.properties());
    info_ = detected;
    frameOffset_ = g.frameOffset;
    info_.swapEffect = SwapEffectOf(gx_);
    surface_ = std::make_unique<Surface>(info_.width, info_.height, info_.pitch, nullptr);
    direct_ = IsDirectModel(PlatformModel());
    if (direct_)
    {
        surface_ = FrameBufferSurface(info_);
        return surface_ != nullptr;
    }
    return true;
}

Surface* GAPI::Lock()
{
    if (direct_)
        return surface_.get();
    auto* address = static_cast<uint8_t*>(gx_.beginDraw());
    if (!address)
        return nullptr;
    drawing_ = true;
    surface_->pixels = reinterpret_cast<uint16_t*>(address + frameOffset_);
    return surface_.get();
}

void GAPI::Present(uint32_t)
{
    if (direct_ || !drawing_)
        return;
    gx_.endDraw();
    drawing_ = false;
}

void GAPI::SetDirtyRect(const RECT& r)
{
    if (info_.swapEffect == kSwapScreen)
        return;
    LONG top = r.top;
    LONG height = r.bottom - r.top;
    switch (info_.orientation)
    {
    case 1: top = info_.width - r.right; height = r.right - r.left; break;
    case 2: top = info_.height - r.bottom; break;
    case 3: top = r.left; height = r.right - r.left; break;
    default: break;
    }
    gx_.setViewport(static_cast<DWORD>(top), static_cast<DWORD>(height), 0, 0);
}

void GAPI::Resume()
{
    if (open_)
        gx_.resume();
}

void GAPI::Suspend()
{
    if (open_)
        gx_.suspend();
}
