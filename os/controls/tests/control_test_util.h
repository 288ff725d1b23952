// control_test_util.h -- a parent window that records what its controls tell it
//
// The parent logs every WM_COMMAND notification (id, code, control) and every
// WM_CTLCOLOR* request, and can answer colour requests with a brush of its
// own. Input goes through the headless back end: tap() and key() inject
// events and pump() runs the message loop on the virtual clock until they
// have been delivered.
#pragma once

#include "os/host/headless.h"
#include "os/host/host.h"

#include <os/controls.h>
#include <os/font.h>
#include <os/gdi.h>
#include <os/user.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace control_test {

// A window's pixels on the device screen, row by row.
inline std::vector<COLORREF> pixels_of(HWND hwnd)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    HDC dc = GetDC(hwnd);
    std::vector<COLORREF> out;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x)
            out.push_back(GetPixel(dc, x, y));
    ReleaseDC(hwnd, dc);
    return out;
}

// The device screen as a picture in OS_OUT (default: the current folder),
// for a person to look at.
inline void save_shot(const std::string& name)
{
    const char* out = std::getenv("OS_OUT");
    std::string path = std::string(out ? out : ".") + "/" + name + ".png";
    EXPECT_TRUE(os::host::write_screen_png(os::host::screen(), path)) << path;
}

struct Note
{
    int id;
    int code;
    HWND control;
};

struct ColorRequest
{
    UINT message;
    HDC dc;
    HWND control;
};

struct ParentLog
{
    std::vector<Note> notes;
    std::vector<ColorRequest> colors;
    std::vector<POINT> taps; // WM_LBUTTONDOWN in the parent's client coordinates
    HBRUSH answer = nullptr; // the brush WM_CTLCOLOR* answers; NULL = default processing
    COLORREF text = RGB(0, 0, 0);
    COLORREF back = RGB(255, 255, 255);
    int wheel = 0; // the sum of the WM_MOUSEWHEEL turns that reached the parent
};

inline ParentLog& log()
{
    static ParentLog l;
    return l;
}

inline LRESULT CALLBACK parent_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_COMMAND:
        log().notes.push_back({LOWORD(wparam), HIWORD(wparam), (HWND)lparam});
        return 0;
    case WM_LBUTTONDOWN:
        log().taps.push_back({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
        return 0;
    case WM_MOUSEWHEEL: log().wheel += GET_WHEEL_DELTA_WPARAM(wparam); return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        log().colors.push_back({msg, (HDC)wparam, (HWND)lparam});
        if (!log().answer)
            break;
        SetTextColor((HDC)wparam, log().text);
        SetBkColor((HDC)wparam, log().back);
        return (LRESULT)log().answer;
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

// Runs the message loop until nothing is queued, letting virtual time pass
// so that scheduled input (a tap's pen up) arrives.
inline void pump(int rounds = 4)
{
    MSG msg;
    for (int i = 0; i < rounds; ++i)
    {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        os::host::headless::advance(40);
    }
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A full-screen parent window with the recording procedure.
class Parent
{
public:
    Parent()
    {
        log() = ParentLog{};
        WNDCLASSW wc{};
        wc.lpfnWndProc = parent_proc;
        wc.lpszClassName = u"ControlTestParent";
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, u"ControlTestParent", u"parent", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                               nullptr, nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        pump(1);
    }
    ~Parent()
    {
        DestroyWindow(hwnd);
        if (log().answer)
            DeleteObject(log().answer);
        log().answer = nullptr;
    }

    HWND child(LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int w, int h, int id, DWORD ex = 0) const
    {
        HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                                 (HMENU)(INT_PTR)id, nullptr, nullptr);
        EXPECT_NE(c, nullptr) << "CreateWindowExW of a built-in class";
        return c;
    }

    HWND hwnd = nullptr;
};

// A tap at a point of a window's client area, delivered.
inline void tap(HWND hwnd, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    os::host::headless::tap(p.x, p.y);
    pump();
}

// The mouse wheel turned with the pointer at a point of a window's client
// area (WHEEL_DELTA a notch, positive away from the user), delivered.
inline void wheel(HWND hwnd, int x, int y, int turn)
{
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    os::host::Event e;
    e.type = os::host::EventType::Wheel;
    e.x = p.x;
    e.y = p.y;
    e.wheel = turn;
    os::host::headless::push_event(e);
    pump();
}

inline void key(UINT vk)
{
    os::host::headless::key(vk);
    pump();
}

inline void type(const std::u16string& text)
{
    os::host::headless::type(text);
    pump();
}

// Notifications with one code from one control, in arrival order.
inline std::vector<int> codes_from(HWND control)
{
    std::vector<int> out;
    for (const Note& n : log().notes)
        if (n.control == control)
            out.push_back(n.code);
    return out;
}

inline std::string describe(const std::vector<int>& codes)
{
    std::string s;
    for (int c : codes)
        s += (s.empty() ? "" : ",") + std::to_string(c);
    return s;
}

// The device screen's colour at a point of a window's client area.
inline COLORREF screen_color(HWND hwnd, int x, int y)
{
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

// The colour a COLORREF shows as on the 16-bit device screen: drawn into a
// one-pixel RGB565 DIB section and read back.
inline COLORREF on_screen(COLORREF c)
{
    struct
    {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } info{{sizeof(BITMAPINFOHEADER), 1, -1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0}, {0xF800, 0x07E0, 0x001F}};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, (const BITMAPINFO*)&info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    SetPixel(dc, 0, 0, c);
    COLORREF out = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return out;
}

// The parent answers WM_CTLCOLOR* with a brush of this colour and sets the
// given text and background colours.
inline void answer_colors(COLORREF brush, COLORREF text, COLORREF back)
{
    log().answer = CreateSolidBrush(brush);
    log().text = text;
    log().back = back;
}

inline LRESULT send(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0)
{
    return SendMessageW(h, msg, w, l);
}

inline LPARAM str(const char16_t* s)
{
    return (LPARAM)s;
}

// One pen event at a point of a window's client area, delivered.
inline void pen(os::host::EventType type, HWND hwnd, int x, int y)
{
    POINT pt = {x, y};
    ClientToScreen(hwnd, &pt);
    os::host::Event e;
    e.type = type;
    e.x = pt.x;
    e.y = pt.y;
    os::host::headless::push_event(e);
    pump(1);
}

inline std::u16string text_of(HWND hwnd)
{
    WCHAR buf[512] = {};
    GetWindowTextW(hwnd, buf, 512);
    return buf;
}

} // namespace control_test
