// static.cpp -- the STATIC control: text, filled and framed rectangles, etched lines
#include "os/controls/control_private.h"

namespace os::controls {

namespace {

class StaticState : public ControlState
{
};

UINT text_format(DWORD style)
{
    DWORD type = style & SS_TYPEMASK;
    UINT format = DT_WORDBREAK;
    if (type == SS_CENTER)
        format |= DT_CENTER;
    else if (type == SS_RIGHT)
        format |= DT_RIGHT;
    else if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)
        format = 0;
    if (style & SS_CENTERIMAGE)
        format = (format & (DT_CENTER | DT_RIGHT)) | DT_SINGLELINE | DT_VCENTER;
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    return format;
}

// The picture kinds; answers false for the text kinds.
bool paint_shape(HDC hdc, const RECT& rc, DWORD type)
{
    switch (type)
    {
    case SS_BLACKRECT:
        fill_color(hdc, rc, kBorder);
        return true;
    case SS_GRAYRECT:
        fill_color(hdc, rc, kShadow);
        return true;
    case SS_WHITERECT:
        fill_color(hdc, rc, kLight);
        return true;
    case SS_BLACKFRAME:
        frame_color(hdc, rc, kBorder);
        return true;
    case SS_GRAYFRAME:
    case SS_ETCHEDFRAME:
        frame_color(hdc, rc, kShadow);
        return true;
    case SS_WHITEFRAME:
        frame_color(hdc, rc, kLight);
        return true;
    case SS_ETCHEDHORZ:
        fill_color(hdc, {rc.left, rc.top, rc.right, rc.top + 1}, kShadow);
        fill_color(hdc, {rc.left, rc.top + 1, rc.right, rc.top + 2}, kLight);
        return true;
    case SS_ETCHEDVERT:
        fill_color(hdc, {rc.left, rc.top, rc.left + 1, rc.bottom}, kShadow);
        fill_color(hdc, {rc.left + 1, rc.top, rc.left + 2, rc.bottom}, kLight);
        return true;
    case SS_ICON:
    case SS_BITMAP:
        return true; // no image resources: the background only
    default:
        return false;
    }
}

// With SS_NOTIFY a tap notifies STN_CLICKED. Without it the control is
// transparent to the pen, as on the device: the parent gets the message at
// the same place in its own coordinates (a label over a canvas).
LRESULT pen_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (window_style(hwnd) & SS_NOTIFY)
    {
        if (msg == WM_LBUTTONDOWN)
            notify_parent(hwnd, STN_CLICKED);
        return 0;
    }
    HWND parent = GetParent(hwnd);
    if (!parent || !(window_style(hwnd) & WS_CHILD))
        return 0;
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    MapWindowPoints(hwnd, parent, &p, 1);
    return SendMessageW(parent, msg, wparam, MAKELPARAM(p.x, p.y));
}

void paint(HWND hwnd, const StaticState& state)
{
    PaintDc dc(hwnd, state);
    RECT rc;
    GetClientRect(hwnd, &rc);
    DWORD style = window_style(hwnd);
    HBRUSH brush = control_colors(hwnd, dc.hdc(), WM_CTLCOLORSTATIC);
    FillRect(dc.hdc(), &rc, brush);
    if (paint_shape(dc.hdc(), rc, style & SS_TYPEMASK))
        return;
    if (!IsWindowEnabled(hwnd))
        SetTextColor(dc.hdc(), GetSysColor(COLOR_GRAYTEXT));
    std::u16string text = window_text(hwnd);
    DrawTextW(dc.hdc(), text.c_str(), (int)text.size(), &rc, text_format(style));
}

LRESULT handle_static_proc(HWND hwnd, StaticState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_PAINT:
        paint(hwnd, state);
        return 0;
    case WM_SETTEXT:
        return store_text(hwnd, wparam, lparam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
        return pen_message(hwnd, msg, wparam, lparam);
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

} // namespace

LRESULT CALLBACK static_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return run_control<StaticState>(hwnd, msg, wparam, lparam, handle_static_proc);
}

} // namespace os::controls
