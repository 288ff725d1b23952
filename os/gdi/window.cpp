// window.cpp -- DCs of windows and of the whole screen
//
// A window DC draws into the device screen at the window's client origin and
// is clipped to what the window manager reports visible, so children and
// windows above stay untouched. Every GetDC makes a DC of its own; ReleaseDC
// deletes it.
#include "os/gdi/gdi_private.h"

#include "os/host/host.h"
#include "os/user/wininfo.h"

namespace os::gdi {

Surface screen_surface()
{
    os::host::Screen& screen = os::host::screen();
    Surface s;
    s.width = screen.width;
    s.height = screen.height;
    s.format = screen.bpp == 32 ? PixelFormat::Rgb32 : PixelFormat::Rgb565;
    s.top = screen.pixels;
    s.stride = screen.pitch;
    return s;
}

namespace {

void refresh_visible(Dc& dc)
{
    unsigned generation = os::user::layout_generation();
    if (dc.visible_valid && dc.visible_generation == generation)
    {
        return;
    }
    dc.visible.clear();
    if (dc.target == Target::Client)
    {
        os::user::visible_client_rects(dc.hwnd, dc.visible);
    }
    else
    {
        RECT whole{};
        if (os::user::window_rect_on_screen(dc.hwnd, &whole))
        {
            dc.visible.push_back(whole);
        }
    }
    dc.visible_generation = generation;
    dc.visible_valid = true;
}

} // namespace

void window_area(Dc& dc, POINT* origin, std::vector<RECT>& visible)
{
    *origin = POINT{0, 0};
    visible.clear();
    if (dc.target == Target::Screen)
    {
        os::host::Screen& screen = os::host::screen();
        visible.push_back(RECT{0, 0, screen.width, screen.height});
        return;
    }
    RECT place{};
    bool known = dc.target == Target::Client ? os::user::client_rect_on_screen(dc.hwnd, &place)
                                               : os::user::window_rect_on_screen(dc.hwnd, &place);
    if (!known)
    {
        return;
    }
    *origin = POINT{place.left, place.top};
    refresh_visible(dc);
    visible = dc.visible;
}

} // namespace os::gdi

using namespace os::gdi;

namespace {

HDC window_dc(HWND hwnd, Target target)
{
    if (!hwnd)
    {
        return dc_create(Target::Screen, nullptr);
    }
    if (!os::user::is_window(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return dc_create(target, hwnd);
}

} // namespace

HDC GetDC(HWND hwnd)
{
    return window_dc(hwnd, Target::Client);
}

HDC GetWindowDC(HWND hwnd)
{
    return window_dc(hwnd, Target::Window);
}

// Answers 1 when the DC was released; 0 for a memory DC, an unknown or an
// already released DC, which stay as they are.
int ReleaseDC(HWND hwnd, HDC hdc)
{
    auto dc = dc_get(hdc);
    if (!dc || dc->target == Target::Memory)
    {
        return 0;
    }
    return object_remove(hdc) ? 1 : 0;
}

HWND WindowFromDC(HDC hdc)
{
    auto dc = dc_get(hdc);
    return dc ? dc->hwnd : nullptr;
}
