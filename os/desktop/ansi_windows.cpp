// ansi_windows.cpp -- the ANSI forms of the window, message, message box and
// font calls: texts are widened and narrowed as Latin-1, then the wide call
// does the work
#include "os/desktop/desktop_private.h"

#include <os/wstring.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace os::desktop {

Wide wide(LPCSTR text)
{
    Wide w;
    if (text)
    {
        w.text = os::to_u16(text);
        w.null = false;
    }
    return w;
}

namespace {

// Narrows into an ANSI buffer of `size` bytes, cut and terminated; answers
// the length copied.
int narrow_into(const std::u16string& text, LPSTR buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    std::string narrow = os::to_latin1(text);
    size_t n = std::min(narrow.size(), size_t(size - 1));
    std::memcpy(buffer, narrow.data(), n);
    buffer[n] = 0;
    return int(n);
}

std::u16string window_text(HWND hwnd)
{
    int length = GetWindowTextLengthW(hwnd);
    std::u16string text(size_t(std::max(length, 0)) + 1, u'\0');
    int got = GetWindowTextW(hwnd, text.data(), int(text.size()));
    text.resize(size_t(std::max(got, 0)));
    return text;
}

void narrow_logfont(const LOGFONTW& w, LOGFONTA& a)
{
    std::memcpy(&a, &w, offsetof(LOGFONTW, lfFaceName));
    std::string face = os::to_latin1(w.lfFaceName);
    lstrcpynA(a.lfFaceName, face.c_str(), LF_FACESIZE);
}

void widen_logfont(const LOGFONTA& a, LOGFONTW& w)
{
    std::memcpy(&w, &a, offsetof(LOGFONTA, lfFaceName));
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, a.lfFaceName, LF_FACESIZE);
    std::u16string wface = os::to_u16(face);
    std::fill(std::begin(w.lfFaceName), std::end(w.lfFaceName), u'\0');
    std::copy_n(wface.begin(), std::min(wface.size(), size_t(LF_FACESIZE - 1)), w.lfFaceName);
}

} // namespace
} // namespace os::desktop

using os::desktop::wide;

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    auto cls = IS_INTRESOURCE(class_name) ? os::desktop::Wide{} : wide(class_name);
    LPCWSTR cls_ptr = IS_INTRESOURCE(class_name) ? (LPCWSTR)class_name : cls.ptr();
    return CreateWindowExW(ex_style, cls_ptr, wide(title).ptr(), style, x, y, width, height, parent, menu, instance,
                           param);
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_SETTEXT:
    case EM_REPLACESEL:
        return SendMessageW(hwnd, msg, wparam, (LPARAM)wide((LPCSTR)lparam).ptr());
    case WM_GETTEXT:
        return os::desktop::narrow_into(os::desktop::window_text(hwnd), (LPSTR)lparam, int(wparam));
    default:
        return SendMessageW(hwnd, msg, wparam, lparam);
    }
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return PostMessageW(hwnd, msg, wparam, lparam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_SETTEXT)
        return DefWindowProcW(hwnd, msg, wparam, (LPARAM)wide((LPCSTR)lparam).ptr());
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    return SetWindowTextW(hwnd, wide(text).ptr());
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size)
{
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return os::desktop::narrow_into(os::desktop::window_text(hwnd), buffer, size);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags)
{
    return MessageBoxW(owner, wide(text).ptr(), wide(caption).ptr(), flags);
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out)
{
    if (GetObjectType(object) != OBJ_FONT)
        return GetObjectW(object, size, out);
    LOGFONTW w{};
    if (!GetObjectW(object, sizeof(w), &w))
        return 0;
    if (!out)
        return int(sizeof(LOGFONTA));
    LOGFONTA a{};
    os::desktop::narrow_logfont(w, a);
    int n = std::min(size, int(sizeof(a)));
    std::memcpy(out, &a, size_t(std::max(n, 0)));
    return n;
}

HFONT CreateFontIndirectA(const LOGFONTA* logfont)
{
    if (!logfont)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTW w{};
    os::desktop::widen_logfont(*logfont, w);
    return CreateFontIndirectW(&w);
}
