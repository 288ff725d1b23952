// button.cpp -- the BUTTON control: push buttons, check boxes, radio buttons, group boxes
//
// A pen down presses the button and captures the pen; lifting it inside
// clicks: auto check boxes toggle, an auto radio button checks itself and
// unchecks the other radio buttons of its group (the siblings from the
// nearest WS_GROUP window up to the next one), then BN_CLICKED goes to the
// parent. Space does the same from the keyboard. The button with the focus
// shows it: a dotted rectangle inside a push button's face, around the label
// of a check box or radio button.
#include "os/controls/control_private.h"

#include <os/wstring.h>

namespace os::controls {

namespace {

class ButtonState : public ControlState
{
public:
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool tracking = false;
    bool focused = false;
};

DWORD button_type(HWND hwnd)
{
    return window_style(hwnd) & BS_TYPEMASK;
}

bool is_checkable(DWORD type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

bool is_radio(DWORD type)
{
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool is_push(DWORD type)
{
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool is_button_window(HWND hwnd)
{
    WCHAR name[16] = {};
    GetClassNameW(hwnd, name, 16);
    return _wcsicmp(name, u"BUTTON") == 0;
}

// Uncheck the other radio buttons of hwnd's group.
void uncheck_group(HWND hwnd)
{
    HWND first = hwnd;
    while (!(window_style(first) & WS_GROUP))
    {
        HWND prev = GetWindow(first, GW_HWNDPREV);
        if (!prev)
            break;
        first = prev;
    }
    for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT))
    {
        if (w != first && (window_style(w) & WS_GROUP))
            break;
        if (w != hwnd && is_button_window(w) && is_radio(button_type(w)))
            SendMessageW(w, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void click(HWND hwnd, ButtonState& state)
{
    switch (button_type(hwnd))
    {
    case BS_AUTOCHECKBOX:
        state.check = state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case BS_AUTO3STATE:
        state.check = (state.check + 1) % 3;
        break;
    case BS_AUTORADIOBUTTON:
        state.check = BST_CHECKED;
        uncheck_group(hwnd);
        break;
    default:
        break;
    }
    redraw(hwnd);
    notify_parent(hwnd, BN_CLICKED);
}

void set_check(HWND hwnd, ButtonState& state, WPARAM value)
{
    DWORD type = button_type(hwnd);
    if (!is_checkable(type))
        return;
    bool three = type == BS_3STATE || type == BS_AUTO3STATE;
    UINT check = value == BST_INDETERMINATE && three ? BST_INDETERMINATE : (value ? BST_CHECKED : BST_UNCHECKED);
    if (check != state.check)
    {
        state.check = check;
        redraw(hwnd);
    }
}

void paint_push(HDC hdc, RECT rc, const ButtonState& state, bool is_default)
{
    RECT focus = rc;
    InflateRect(&focus, -4, -4);
    if (state.pushed)
        OffsetRect(&focus, 1, 1);
    if (state.focused)
        paint_focus_rect(hdc, focus);
    frame_color(hdc, rc, kBorder);
    InflateRect(&rc, -1, -1);
    if (is_default)
    {
        frame_color(hdc, rc, kBorder);
        InflateRect(&rc, -1, -1);
    }
    if (state.pushed)
    {
        frame_color(hdc, rc, kShadow);
        return;
    }
    fill_color(hdc, {rc.left, rc.top, rc.right - 1, rc.top + 1}, kLight);
    fill_color(hdc, {rc.left, rc.top, rc.left + 1, rc.bottom - 1}, kLight);
    fill_color(hdc, {rc.left, rc.bottom - 1, rc.right, rc.bottom}, kShadow);
    fill_color(hdc, {rc.right - 1, rc.top, rc.right, rc.bottom}, kShadow);
}

void paint_radio(HDC hdc, const RECT& box, UINT check, COLORREF ink)
{
    HGDIOBJ old_brush = SelectObject(hdc, GetStockObject(WHITE_BRUSH));
    HGDIOBJ old_pen = SelectObject(hdc, GetStockObject(BLACK_PEN));
    Ellipse(hdc, box.left, box.top, box.right, box.bottom);
    if (check == BST_CHECKED)
    {
        HBRUSH dot = CreateSolidBrush(ink);
        SelectObject(hdc, dot);
        SelectObject(hdc, GetStockObject(NULL_PEN));
        int inset = (box.right - box.left) / 3;
        Ellipse(hdc, box.left + inset, box.top + inset, box.right - inset + 1, box.bottom - inset + 1);
        SelectObject(hdc, old_brush);
        DeleteObject(dot);
    }
    SelectObject(hdc, old_brush);
    SelectObject(hdc, old_pen);
}

// A tick: down from the left third, then up to the right, two pixels thick.
void paint_tick(HDC hdc, const RECT& box, COLORREF ink)
{
    int w = box.right - box.left;
    POINT tick[3] = {{box.left + w / 4, box.top + w / 2}, {box.left + w / 2 - 1, box.bottom - w / 4 - 1},
                     {box.right - w / 4, box.top + w / 4}};
    HPEN pen = CreatePen(PS_SOLID, 1, ink);
    HGDIOBJ old_pen = SelectObject(hdc, pen);
    for (int dy = 0; dy < 2; ++dy)
    {
        POINT p[3] = {{tick[0].x, tick[0].y + dy}, {tick[1].x, tick[1].y + dy}, {tick[2].x + 1, tick[2].y + dy - 1}};
        Polyline(hdc, p, 3);
    }
    SelectObject(hdc, old_pen);
    DeleteObject(pen);
}

void paint_mark(HDC hdc, const RECT& box, DWORD type, UINT check)
{
    COLORREF ink = GetTextColor(hdc);
    if (is_radio(type))
        return paint_radio(hdc, box, check, ink);
    fill_color(hdc, box, kLight);
    frame_color(hdc, box, kBorder);
    if (check == BST_INDETERMINATE)
        fill_color(hdc, {box.left + 3, box.top + 3, box.right - 3, box.bottom - 3}, kShadow);
    if (check == BST_CHECKED)
        paint_tick(hdc, box, ink);
}

void paint_check(HWND hwnd, HDC hdc, RECT rc, const ButtonState& state, DWORD type)
{
    int size = std::min(13, (int)(rc.bottom - rc.top));
    int top = rc.top + (rc.bottom - rc.top - size) / 2;
    bool left_text = window_style(hwnd) & BS_LEFTTEXT;
    RECT box = left_text ? RECT{rc.right - size, top, rc.right, top + size} : RECT{rc.left, top, rc.left + size, top + size};
    paint_mark(hdc, box, type, state.check);
    RECT text = left_text ? RECT{rc.left, rc.top, box.left - 4, rc.bottom} : RECT{box.right + 4, rc.top, rc.right, rc.bottom};
    std::u16string label = window_text(hwnd);
    DrawTextW(hdc, label.c_str(), (int)label.size(), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (!state.focused)
        return;
    // The focus mark hugs the label (the box when there is none).
    RECT mark = box;
    if (!label.empty())
    {
        RECT bounds = text;
        DrawTextW(hdc, label.c_str(), (int)label.size(), &bounds, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
        int height = bounds.bottom - bounds.top;
        int top = text.top + (text.bottom - text.top - height) / 2;
        mark = {bounds.left, top, bounds.right, top + height};
    }
    InflateRect(&mark, 2, 1);
    IntersectRect(&mark, &mark, &rc);
    paint_focus_rect(hdc, mark);
}

void paint_group(HWND hwnd, HDC hdc, RECT rc, const ControlState& state)
{
    int half = line_height(state) / 2;
    frame_color(hdc, {rc.left, rc.top + half, rc.right, rc.bottom}, kShadow);
    std::u16string label = window_text(hwnd);
    if (label.empty())
        return;
    SetBkMode(hdc, OPAQUE);
    RECT text = {rc.left + 6, rc.top, rc.right - 6, rc.top + line_height(state)};
    DrawTextW(hdc, label.c_str(), (int)label.size(), &text, DT_LEFT | DT_SINGLELINE);
}

void paint(HWND hwnd, const ButtonState& state)
{
    PaintDc dc(hwnd, state);
    HDC hdc = dc.hdc();
    RECT rc;
    GetClientRect(hwnd, &rc);
    DWORD type = button_type(hwnd);
    bool push = is_push(type) || (window_style(hwnd) & BS_PUSHLIKE);
    HBRUSH brush = control_colors(hwnd, hdc, push ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC);
    FillRect(hdc, &rc, brush);
    if (!IsWindowEnabled(hwnd))
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    if (type == BS_GROUPBOX)
        return paint_group(hwnd, hdc, rc, state);
    SetBkMode(hdc, TRANSPARENT);
    if (!push)
        return paint_check(hwnd, hdc, rc, state, type);
    paint_push(hdc, rc, state, type == BS_DEFPUSHBUTTON);
    if (state.pushed)
        OffsetRect(&rc, 1, 1);
    std::u16string label = window_text(hwnd);
    DrawTextW(hdc, label.c_str(), (int)label.size(), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

bool inside(HWND hwnd, LPARAM lparam)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    return PtInRect(&rc, p);
}

void set_pushed(HWND hwnd, ButtonState& state, bool pushed)
{
    if (state.pushed != pushed)
    {
        state.pushed = pushed;
        redraw(hwnd);
    }
}

LRESULT pen_message(HWND hwnd, ButtonState& state, UINT msg, LPARAM lparam)
{
    switch (msg)
    {
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        SetCapture(hwnd);
        state.tracking = true;
        set_pushed(hwnd, state, true);
        break;
    case WM_MOUSEMOVE:
        if (state.tracking)
            set_pushed(hwnd, state, inside(hwnd, lparam));
        break;
    case WM_LBUTTONUP:
        if (state.tracking)
        {
            bool hit = inside(hwnd, lparam);
            state.tracking = false;
            set_pushed(hwnd, state, false);
            if (GetCapture() == hwnd)
                ReleaseCapture();
            if (hit)
                click(hwnd, state);
        }
        break;
    case WM_CAPTURECHANGED:
        if (state.tracking && (HWND)lparam != hwnd)
        {
            state.tracking = false;
            set_pushed(hwnd, state, false);
        }
        break;
    }
    return 0;
}

LRESULT key_message(HWND hwnd, ButtonState& state, UINT msg, WPARAM key)
{
    if (key != VK_SPACE)
        return 0;
    if (msg == WM_KEYDOWN)
        set_pushed(hwnd, state, true);
    else if (state.pushed)
    {
        set_pushed(hwnd, state, false);
        click(hwnd, state);
    }
    return 0;
}

LRESULT handle_button_proc(HWND hwnd, ButtonState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_PAINT:
        paint(hwnd, state);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        return pen_message(hwnd, state, msg, lparam);
    case WM_KEYDOWN:
    case WM_KEYUP:
        return key_message(hwnd, state, msg, wparam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state.focused = msg == WM_SETFOCUS;
        if (!state.focused)
            set_pushed(hwnd, state, false);
        redraw(hwnd);
        if (window_style(hwnd) & BS_NOTIFY)
            notify_parent(hwnd, state.focused ? BN_SETFOCUS : BN_KILLFOCUS);
        return 0;
    case BM_GETCHECK:
        return is_checkable(button_type(hwnd)) ? state.check : BST_UNCHECKED;
    case BM_SETCHECK:
        set_check(hwnd, state, wparam);
        return 0;
    case BM_GETSTATE:
        return state.check | (state.pushed ? BST_PUSHED : 0) | (state.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        set_pushed(hwnd, state, wparam != 0);
        return 0;
    case BM_SETSTYLE:
        SetWindowLongW(hwnd, GWL_STYLE, (window_style(hwnd) & ~0xFFFFu) | LOWORD(wparam));
        if (lparam)
            redraw(hwnd);
        return 0;
    case BM_CLICK:
        if (IsWindowEnabled(hwnd))
            click(hwnd, state);
        return 0;
    case WM_SETTEXT:
        return store_text(hwnd, wparam, lparam);
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

} // namespace

LRESULT CALLBACK button_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return run_control<ButtonState>(hwnd, msg, wparam, lparam, handle_button_proc);
}

} // namespace os::controls

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button)
        return FALSE;
    SendMessageW(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button ? (UINT)SendMessageW(button, BM_GETCHECK, 0, 0) : 0;
}
