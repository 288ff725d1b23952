// system.cpp -- system metrics and parameters, message boxes, cursors
//
// The screen metrics are the emulated device screen's, never the host
// monitor's. The OEM text defaults to "Handheld Emulator".
#include "os/user/user_private.h"
#include "os/base/warn.h"

#include "os/host/host.h"

#include <algorithm>
#include <cstring>
#include "os/testing/user.h"

namespace os::user {

namespace {

std::u16string& oem_info()
{
    static std::u16string text = u"Handheld Emulator";
    return text;
}

HCURSOR g_cursor = nullptr;
int g_cursor_count = 0;

BOOL copy_oem_info(UINT size_bytes, PVOID data)
{
    std::u16string text;
    {
        Lock lock(state().lock);
        text = oem_info();
    }
    size_t need = (text.size() + 1) * sizeof(WCHAR);
    if (!data)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (size_bytes < need)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, text.c_str(), need);
    return TRUE;
}

} // namespace

void set_oem_info(const std::u16string& text)
{
    Lock lock(state().lock);
    oem_info() = text;
}

} // namespace os::user

using namespace os::user;

int GetSystemMetrics(int index)
{
    auto& screen = os::host::screen();
    switch (index)
    {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN: return screen.width;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN: return screen.height;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 2;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 13;
    case SM_CYCAPTION:
    case SM_CYMENU: return 26;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_MOUSEPRESENT:
    case SM_DEBUG: return 0;
    }
    return 0;
}

BOOL SystemParametersInfoW(UINT action, UINT param, PVOID data, UINT)
{
    switch (action)
    {
    case SPI_GETWORKAREA:
        if (!data)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        *(RECT*)data = RECT{0, 0, os::host::screen().width, os::host::screen().height};
        return TRUE;
    case SPI_GETOEMINFO: return copy_oem_info(param, data);
    }
    os::warn_once("user", ("SystemParametersInfoW action " + std::to_string(action) + " is not supported").c_str());
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// A person at the screen gets the box drawn on the device screen, from the
// thread that reads input; other threads and headless runs ask the back end.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags)
{
    std::u16string body = text ? text : u"";
    std::u16string title = caption ? caption : u"Error";
    auto& backend = os::host::backend();
    if (backend.device_message_boxes() && os::user::on_input_thread())
    {
        bool shown = false;
        int answer = os::user::run_device_message_box(owner, body, title, flags, &shown);
        if (shown)
            return answer;
    }
    return backend.message_box(body, title, flags);
}

BOOL MessageBeep(UINT)
{
    return TRUE;
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name)
{
    if (!name)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // System cursors are known by number; a program's own cursor resource
    // shows as the arrow on this host.
    ULONG_PTR id = IS_INTRESOURCE(name) ? (ULONG_PTR)name : 32512;
    if (instance && id < 32512)
    {
        id = 32512;
    }
    return (HCURSOR)id;
}

HICON LoadIconW(HINSTANCE, LPCWSTR name)
{
    if (!name || !IS_INTRESOURCE(name))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return (HICON)(ULONG_PTR)name;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    HCURSOR old;
    {
        Lock lock(state().lock);
        old = std::exchange(g_cursor, cursor);
    }
    os::host::backend().set_cursor((int)(ULONG_PTR)cursor);
    return old;
}

HCURSOR GetCursor()
{
    Lock lock(state().lock);
    return g_cursor;
}

int ShowCursor(BOOL show)
{
    Lock lock(state().lock);
    g_cursor_count += show ? 1 : -1;
    return g_cursor_count;
}
