// paint.cpp -- BeginPaint and EndPaint
//
// BeginPaint takes the window's update region from the window manager, asks
// the window to erase its background when the region wants it, and answers a
// client DC clipped to the update rectangle. With nothing invalid the DC is
// clipped to an empty rectangle, so painting draws nothing.
#include "os/gdi/gdi_private.h"

#include "os/user/classes.h"
#include "os/user/wininfo.h"

#include <os/user.h>

#include <cstring>

using namespace os::gdi;

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps)
{
    if (!ps)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!os::user::is_window(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT area{0, 0, 0, 0};
    bool erase = false;
    if (!os::user::take_update_region(hwnd, &area, &erase))
    {
        area = RECT{0, 0, 0, 0};
        erase = false;
    }
    HDC hdc = dc_create(Target::Client, hwnd);
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return nullptr;
    }
    dc->painting = true;
    dc->paint_rect = area;
    memset(ps, 0, sizeof(*ps));
    ps->hdc = hdc;
    ps->rcPaint = area;
    ps->fErase = erase && !SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? TRUE : FALSE;
    return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps)
{
    if (ps)
    {
        ReleaseDC(hwnd, ps->hdc);
    }
    return TRUE;
}

// GDI gives the window manager what DefWindowProc paints with when the
// process starts (os/user/classes.h); the link pulls this in with os_gdi.
namespace {

bool give_painting()
{
    os::user::Painting painting;
    painting.begin_paint = BeginPaint;
    painting.end_paint = EndPaint;
    painting.fill_rect = FillRect;
    painting.set_text_color = SetTextColor;
    painting.set_bk_color = SetBkColor;
    painting.get_stock_object = GetStockObject;
    os::user::set_painting(painting);
    return true;
}

} // namespace

extern "C" const bool os_gdi_started = give_painting();
