// common.cpp -- state, colours, fonts and notifications shared by the controls
#include "os/controls/control_private.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace os::controls {

namespace {

std::mutex g_states_lock;
std::unordered_map<HWND, std::shared_ptr<ControlState>> g_states;

struct DefaultColors
{
    int text;
    int back;
};

// The colours a control paints with when its parent leaves the choice to
// default processing.
DefaultColors defaults_for(UINT message)
{
    switch (message)
    {
    case WM_CTLCOLORBTN:
        return {COLOR_BTNTEXT, COLOR_BTNFACE};
    case WM_CTLCOLORSTATIC:
        return {COLOR_WINDOWTEXT, COLOR_WINDOW};
    default:
        return {COLOR_WINDOWTEXT, COLOR_WINDOW};
    }
}

} // namespace

std::shared_ptr<ControlState> find_state(HWND hwnd)
{
    std::lock_guard<std::mutex> guard(g_states_lock);
    auto it = g_states.find(hwnd);
    return it == g_states.end() ? nullptr : it->second;
}

void store_state(HWND hwnd, std::shared_ptr<ControlState> state)
{
    std::lock_guard<std::mutex> guard(g_states_lock);
    g_states[hwnd] = std::move(state);
}

void drop_state(HWND hwnd)
{
    std::shared_ptr<ControlState> gone;
    std::lock_guard<std::mutex> guard(g_states_lock);
    auto it = g_states.find(hwnd);
    if (it != g_states.end())
    {
        gone = std::move(it->second);
        g_states.erase(it);
    }
}

void notify_parent(HWND hwnd, int code)
{
    HWND parent = GetParent(hwnd);
    if (parent)
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), (LPARAM)hwnd);
}

HBRUSH control_colors(HWND hwnd, HDC hdc, UINT message)
{
    HWND parent = GetParent(hwnd);
    DefaultColors d = defaults_for(message);
    // What default processing answers, to tell a parent that chose nothing.
    LRESULT unhandled = DefWindowProcW(parent ? parent : hwnd, message, (WPARAM)hdc, (LPARAM)hwnd);
    COLORREF text = GetTextColor(hdc);
    COLORREF back = GetBkColor(hdc);
    LRESULT answer = parent ? SendMessageW(parent, message, (WPARAM)hdc, (LPARAM)hwnd) : 0;
    bool chose = answer && (answer != unhandled || GetTextColor(hdc) != text || GetBkColor(hdc) != back);
    if (chose)
        return (HBRUSH)answer;
    SetTextColor(hdc, GetSysColor(d.text));
    SetBkColor(hdc, GetSysColor(d.back));
    return GetSysColorBrush(d.back);
}

os::font::Face& control_face(const ControlState& state)
{
    auto font = os::font::font_from_handle(state.font);
    if (!font)
        font = os::font::font_from_handle(nullptr);
    return *font->face;
}

int line_height(const ControlState& state)
{
    return control_face(state).metrics().height;
}

bool common_message(HWND hwnd, ControlState& state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result)
{
    switch (msg)
    {
    case WM_SETFONT:
        state.font = (HFONT)wparam;
        if (LOWORD(lparam))
            redraw(hwnd);
        *result = 0;
        return true;
    case WM_GETFONT:
        *result = (LRESULT)state.font;
        return true;
    case WM_ERASEBKGND:
        *result = 1; // WM_PAINT covers the whole client area
        return true;
    case WM_ENABLE:
        redraw(hwnd);
        *result = 0;
        return true;
    case WM_NCDESTROY:
        drop_state(hwnd);
        *result = DefWindowProcW(hwnd, msg, wparam, lparam);
        return true;
    default:
        return false;
    }
}

void fill_color(HDC hdc, const RECT& rect, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void frame_color(HDC hdc, const RECT& rect, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FrameRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void paint_focus_rect(HDC hdc, const RECT& rect)
{
    if (rect.right - rect.left < 1 || rect.bottom - rect.top < 1)
        return;
    COLORREF ink = GetTextColor(hdc);
    for (int x = rect.left; x < rect.right; x += 2)
    {
        SetPixel(hdc, x, rect.top, ink);
        SetPixel(hdc, x, rect.bottom - 1, ink);
    }
    for (int y = rect.top + 2; y < rect.bottom - 1; y += 2)
    {
        SetPixel(hdc, rect.left, y, ink);
        SetPixel(hdc, rect.right - 1, y, ink);
    }
}

PaintDc::PaintDc(HWND hwnd, const ControlState& state) : hwnd_(hwnd)
{
    BeginPaint(hwnd, &ps_);
    if (ps_.hdc)
        old_font_ = SelectObject(ps_.hdc, state.font ? (HGDIOBJ)state.font : GetStockObject(SYSTEM_FONT));
}

PaintDc::~PaintDc()
{
    if (ps_.hdc && old_font_)
        SelectObject(ps_.hdc, old_font_);
    EndPaint(hwnd_, &ps_);
}

int wheel_rows(int& rest, WPARAM wparam)
{
    constexpr int kRowsPerNotch = 3;
    rest += GET_WHEEL_DELTA_WPARAM(wparam) * kRowsPerNotch;
    int rows = rest / WHEEL_DELTA;
    rest -= rows * WHEEL_DELTA;
    return -rows; // a turn away from the user shows earlier rows
}

std::u16string window_text(HWND hwnd)
{
    int n = GetWindowTextLengthW(hwnd);
    std::u16string text((size_t)std::max(n, 0) + 1, u'\0');
    int got = GetWindowTextW(hwnd, text.data(), (int)text.size());
    text.resize((size_t)std::max(got, 0));
    return text;
}

DWORD window_style(HWND hwnd)
{
    return (DWORD)GetWindowLongW(hwnd, GWL_STYLE);
}

bool has_border(HWND hwnd)
{
    return (window_style(hwnd) & WS_BORDER) || (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

void redraw(HWND hwnd)
{
    InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT store_text(HWND hwnd, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = DefWindowProcW(hwnd, WM_SETTEXT, wparam, lparam);
    redraw(hwnd);
    return result;
}

int copy_out(std::u16string_view text, WCHAR* buffer, size_t size)
{
    if (!buffer || size == 0)
        return 0;
    size_t n = std::min(text.size(), size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return (int)n;
}

} // namespace os::controls
