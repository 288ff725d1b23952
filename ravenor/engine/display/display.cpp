// display.cpp -- the display handle and the display object's frame operations
#include "ravenor/engine/display/display.h"

#include <algorithm>
#include <new>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/frame_copy.h"
#include "ravenor/engine/display/full_screen_display.h"
#include "ravenor/engine/display/rotation_driver.h"

namespace {

const char kBanner[] = "Ravenor display layer (Version 0.7.6)";

void LogParams(const char* format, HWND window, const DisplayParams& p)
{
    DisplayLog(format, static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)), p.width, p.height, p.orientation,
               p.swapEffect);
}

} // namespace

// ---- the display object ----

DisplayImpl::DisplayImpl(HWND window) : window(window) {}

DisplayImpl::~DisplayImpl() = default;

void DisplayImpl::Resume()
{
    active = true;
    locked = nullptr;
    if (driver)
        driver->Resume();
}

void DisplayImpl::Suspend()
{
    if (driver)
        driver->Suspend();
    active = false;
    locked = nullptr;
}

void DisplayImpl::Invalidate()
{
    if (driver)
        driver->Invalidate();
}

bool DisplayImpl::Initialize(DisplayParams& params)
{
    if (driver)
        return false;
    driver = CreateVideoDriver(params);
    if (!driver)
        return false;
    if (params.orientation < kOrientationAny && params.orientation != driver->Info().orientation)
    {
        const DisplayInfo innerInfo = driver->Info();
        auto rotation = std::make_unique<RotationDriver>(std::move(driver));
        if (!rotation->Initialize(window, params, innerInfo))
            return false;
        driver = std::move(rotation);
    }
    const DisplayInfo& info = driver->Info();
    width = info.width;
    height = info.height;
    orientation = info.orientation;
    const int32_t effect = info.swapEffect;
    if (effect == kSwapScreen || (params.swapEffect == kSwapCopy && effect != kSwapCopy))
    {
        backBuffer = Surface::Make(width, height);
        if (!backBuffer)
            return false;
        swapEffect = kSwapCopy;
    }
    else
    {
        swapEffect = effect;
    }
    locked = nullptr;
    SetDirtyRect(nullptr);
    return true;
}

bool DisplayImpl::BeginScene()
{
    if (!active)
        return false;
    if (!locked)
        locked = driver->Lock();
    return locked != nullptr;
}

Surface* DisplayImpl::GetBuffer() const
{
    if (!locked)
        return nullptr;
    return backBuffer ? backBuffer.get() : locked;
}

void DisplayImpl::SetDirtyRect(const RECT* rect)
{
    RECT r{0, 0, width, height};
    if (rect)
    {
        r = RECT{std::max<LONG>(rect->left, 0), std::max<LONG>(rect->top, 0), std::min<LONG>(rect->right, width),
                 std::min<LONG>(rect->bottom, height)};
        if (r.left >= r.right || r.top >= r.bottom)
            r = RECT{0, 0, 0, 0};
    }
    driver->SetDirtyRect(r);
    // Even edges for the copies; never past the surface of an odd size.
    r.left &= ~1;
    r.top &= ~1;
    r.right = std::min<LONG>((r.right + 1) & ~1, width);
    r.bottom = std::min<LONG>((r.bottom + 1) & ~1, height);
    dirtyRect = r;
    fullRows = (r.right * 2 - r.left * 2) == driver->Info().pitch;
}

bool DisplayImpl::Swap(uint32_t flags)
{
    if (!locked || !active)
        return false;
    if (backBuffer)
    {
        if (flags & kSwapWaitScanOut)
            driver->WaitForScanOut();
        if (fullRows)
            CopyRows(*locked, *backBuffer, dirtyRect.top, dirtyRect.bottom);
        else
            CopyRect(*locked, *backBuffer, dirtyRect);
    }
    driver->Present(flags);
    locked = nullptr;
    return true;
}

// ---- the handle ----

Display::Display(std::unique_ptr<DisplayImpl> impl) : impl_(std::move(impl)) {}

Display::~Display() = default;

std::unique_ptr<Display> Display::Create(HWND window, DisplayParams& params)
{
    DisplayLog("%s", kBanner);
    LogParams("Display::Create( hwnd = %08X, W:%d, H:%d, O:%d, S:%d )", window, params);
    if (params.swapEffect == kSwapScreen)
    {
        DisplayLog("Swap effect forced to SWAP_DISCARD");
        params.swapEffect = kSwapDiscard;
    }
    std::unique_ptr<DisplayImpl> impl(new (std::nothrow) FullScreenDisplay(window));
    if (!impl)
        return nullptr;
    std::unique_ptr<Display> display(new (std::nothrow) Display(std::move(impl)));
    if (!display)
        return nullptr;
    DisplayLog("Initializing display...");
    if (!display->impl_->Initialize(params))
    {
        DisplayLog("Failed, destroying internal structures");
        return nullptr;
    }
    const DisplayImpl& d = *display->impl_;
    params = DisplayParams{d.width, d.height, d.orientation, d.swapEffect};
    DisplayLog("Success, returning display params to caller (W:%d, H:%d, O:%d, S:%d)", params.width, params.height,
               params.orientation, params.swapEffect);
    return display;
}

bool Display::BeginScene()
{
    return impl_->BeginScene();
}

Surface* Display::GetBuffer()
{
    return impl_->GetBuffer();
}

void Display::SetDirtyRect(const RECT* rect)
{
    impl_->SetDirtyRect(rect);
}

bool Display::Swap(uint32_t flags)
{
    return impl_->Swap(flags);
}
