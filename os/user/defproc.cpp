// defproc.cpp -- default message processing
#include "os/user/classes.h"
#include "os/user/user_private.h"

#include <os/gdi.h>

#include <algorithm>

namespace os::user {

namespace {

LRESULT erase_background(HWND hwnd, HDC hdc)
{
    HBRUSH brush;
    {
        Lock lock(state().lock);
        Window* w = find_window(hwnd);
        if (!w)
        {
            return 0;
        }
        brush = w->cls->wc.hbrBackground;
    }
    if (!brush || !hdc)
    {
        return 0;
    }
    if (!painting().fill_rect)
    {
        return 0;
    }
    RECT rc;
    GetClientRect(hwnd, &rc);
    painting().fill_rect(hdc, &rc, brush); // FillRect takes the system colour forms too
    return 1;
}

LRESULT paint(HWND hwnd)
{
    const Painting& p = painting();
    PAINTSTRUCT ps;
    if (!p.begin_paint || !p.end_paint)
    {
        ValidateRect(hwnd, nullptr);
        return 0;
    }
    if (p.begin_paint(hwnd, &ps))
    {
        p.end_paint(hwnd, &ps);
    }
    return 0;
}

LRESULT set_text(HWND hwnd, LPCWSTR text)
{
    bool top_level;
    {
        Lock lock(state().lock);
        Window* w = find_window(hwnd);
        if (!w)
        {
            return FALSE;
        }
        w->text = text ? text : u"";
        top_level = !w->parent;
    }
    if (top_level)
    {
        sync_registrations();
    }
    return TRUE;
}

LRESULT get_text(HWND hwnd, WPARAM size, LPWSTR buffer)
{
    if (!buffer || size == 0)
    {
        return 0;
    }
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        buffer[0] = 0;
        return 0;
    }
    size_t n = std::min(w->text.size(), (size_t)size - 1);
    std::copy_n(w->text.begin(), n, buffer);
    buffer[n] = 0;
    return (LRESULT)n;
}

LRESULT text_length(HWND hwnd)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    return w ? (LRESULT)w->text.size() : 0;
}

LRESULT control_colour(HDC hdc)
{
    const Painting& p = painting();
    if (!p.set_text_color || !p.set_bk_color || !p.get_stock_object)
    {
        return 0;
    }
    p.set_text_color(hdc, RGB(0, 0, 0));
    p.set_bk_color(hdc, RGB(255, 255, 255));
    return (LRESULT)p.get_stock_object(WHITE_BRUSH);
}

} // namespace

} // namespace os::user

using namespace os::user;

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_ERASEBKGND: return erase_background(hwnd, (HDC)wparam);
    case WM_PAINT: return paint(hwnd);
    case WM_SETTEXT: return set_text(hwnd, (LPCWSTR)lparam);
    case WM_GETTEXT: return get_text(hwnd, wparam, (LPWSTR)lparam);
    case WM_GETTEXTLENGTH: return text_length(hwnd);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return control_colour((HDC)wparam);
    case WM_MOUSEACTIVATE: return 1; // MA_ACTIVATE
    case WM_MOUSEWHEEL:
        // A child that does not scroll passes the turn to its parent.
        if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) && GetParent(hwnd))
        {
            return SendMessageW(GetParent(hwnd), msg, wparam, lparam);
        }
        return 0;
    }
    return 0;
}
