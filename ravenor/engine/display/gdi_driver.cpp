// gdi_driver.cpp -- presenting through a DIB section and BitBlt
#include "ravenor/engine/display/gdi_driver.h"

#include "ravenor/engine/display/dib_section.h"
#include "ravenor/engine/display/display_log.h"


bool GDIDriver::Probe(DisplayInfo& info)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
    {
        DisplayLog("GDIDriver: unable to get screen's DC");
        return false;
    }
    info.width = GetDeviceCaps(screen, HORZRES);
    info.height = GetDeviceCaps(screen, VERTRES);
    info.bpp = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return true;
}

GDIDriver::~GDIDriver()
{
    if (memoryDc_)
    {
        SelectObject(memoryDc_, previousBitmap_);
        DeleteDC(memoryDc_);
    }
    if (dib_)
        DeleteObject(dib_);
    if (windowDc_)
        ReleaseDC(window_, windowDc_);
}

bool GDIDriver::MakeDib()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    memoryDc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!memoryDc_)
        return false;
    void* bits = nullptr;
    dib_ = CreateRgb565Dib(memoryDc_, info_.width, info_.height, &bits);
    if (!dib_)
        return false;
    previousBitmap_ = SelectObject(memoryDc_, dib_);
    surface_ = std::make_unique<Surface>(info_.width, info_.height, info_.pitch, static_cast<uint16_t*>(bits));
    return true;
}

bool GDIDriver::Initialize(HWND window, DisplayParams&, const DisplayInfo& detected)
{
    DisplayLog("GDIDriver: Initialize()");
    if (memoryDc_ || !IsWindow(window) || detected.width <= 0 || detected.height <= 0)
        return false;
    info_ = detected;
    info_.bpp = 16;
    info_.orientation = 0;
    info_.swapEffect = kSwapCopy;
    info_.pitch = Surface::PitchFor(info_.width);
    window_ = window;
    if (!MakeDib())
        return false;
    windowDc_ = GetDC(window);
    SetDirtyRect(RECT{0, 0, info_.width, info_.height});
    return windowDc_ != nullptr;
}

Surface* GDIDriver::Lock()
{
    return surface_.get();
}

void GDIDriver::Present(uint32_t)
{
    if (IsWindow(window_))
        BitBlt(windowDc_, dirtyX_, dirtyY_, dirtyWidth_, dirtyHeight_, memoryDc_, dirtyX_, dirtyY_, SRCCOPY);
}

void GDIDriver::SetDirtyRect(const RECT& rect)
{
    dirtyX_ = rect.left;
    dirtyY_ = rect.top;
    dirtyWidth_ = rect.right - rect.left;
    dirtyHeight_ = rect.bottom - rect.top;
}
