// class.cpp -- window classes
//
// Classes are process-wide whatever the instance handle; names compare
// case-insensitively. System classes come from the control library and are
// found by every lookup; a program cannot register a class of the same name.
#include "os/user/classes.h"
#include "os/user/user_private.h"


#include <os/wstring.h>

#include <algorithm>
#include <mutex>

namespace os::user {

namespace {

std::once_flag g_builtin_once;
ControlLibrary g_controls;
Painting g_painting;

void ensure_builtin_classes()
{
    std::call_once(g_builtin_once, [] {
        if (g_controls.register_classes)
            g_controls.register_classes();
    });
}

// Lock held. A name given as an atom (MAKEINTATOM) matches by atom.
std::shared_ptr<WindowClass> lookup(LPCWSTR name)
{
    auto& s = state();
    for (auto& c : s.classes)
    {
        if (IS_INTRESOURCE(name) ? c->atom == (ATOM)(ULONG_PTR)name : _wcsicmp(c->name.c_str(), name) == 0)
        {
            return c;
        }
    }
    return nullptr;
}

std::shared_ptr<WindowClass> make_class(const WNDCLASSW& wc, bool system)
{
    auto c = std::make_shared<WindowClass>();
    c->name = wc.lpszClassName;
    c->wc = wc;
    c->wc.lpszClassName = c->name.c_str();
    c->system = system;
    c->atom = state().next_atom++;
    return c;
}

bool has_windows(const std::shared_ptr<WindowClass>& c)
{
    for (auto& [h, w] : state().windows)
    {
        if (w->cls == c)
        {
            return true;
        }
    }
    return false;
}

ULONG_PTR class_long(const WNDCLASSW& wc, ATOM atom, int index)
{
    switch (index)
    {
    case GCL_HBRBACKGROUND: return (ULONG_PTR)wc.hbrBackground;
    case GCL_HCURSOR: return (ULONG_PTR)wc.hCursor;
    case GCL_HICON: return (ULONG_PTR)wc.hIcon;
    case GCL_HMODULE: return (ULONG_PTR)wc.hInstance;
    case GCL_CBWNDEXTRA: return (ULONG_PTR)wc.cbWndExtra;
    case GCL_CBCLSEXTRA: return (ULONG_PTR)wc.cbClsExtra;
    case GCL_WNDPROC: return (ULONG_PTR)wc.lpfnWndProc;
    case GCL_STYLE: return (ULONG_PTR)wc.style;
    case GCL_MENUNAME: return (ULONG_PTR)wc.lpszMenuName;
    case -32: return atom; // GCW_ATOM
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

} // namespace

std::shared_ptr<WindowClass> find_class(LPCWSTR name)
{
    ensure_builtin_classes();
    Lock lock(state().lock);
    return name ? lookup(name) : nullptr;
}

void register_system_class(const WNDCLASSW& wc)
{
    if (!wc.lpszClassName || IS_INTRESOURCE(wc.lpszClassName))
    {
        return;
    }
    Lock lock(state().lock);
    auto& classes = state().classes;
    auto old = lookup(wc.lpszClassName);
    auto c = make_class(wc, true);
    if (old)
    {
        c->atom = old->atom;
        *old = *c; // windows of the class keep their pointer
        old->wc.lpszClassName = old->name.c_str();
        return;
    }
    classes.push_back(c);
}

void set_control_library(const ControlLibrary& library)
{
    g_controls = library;
}

void set_painting(const Painting& given)
{
    g_painting = given;
}

const Painting& painting()
{
    return g_painting;
}

int run_device_message_box(HWND owner, const std::u16string& text, const std::u16string& caption, UINT flags,
                           bool* shown)
{
    *shown = g_controls.message_box != nullptr;
    return *shown ? g_controls.message_box(owner, text, caption, flags) : 0;
}

} // namespace os::user

using namespace os::user;

ATOM RegisterClassW(const WNDCLASSW* wc)
{
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !wc->lpszClassName[0] ||
        wc->cbWndExtra < 0 || wc->cbClsExtra < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    find_class(wc->lpszClassName); // registers the built-in classes first
    Lock lock(state().lock);
    if (lookup(wc->lpszClassName))
    {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = make_class(*wc, false);
    state().classes.push_back(c);
    return c->atom;
}

BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE)
{
    auto c = find_class(class_name);
    if (!c)
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    Lock lock(state().lock);
    if (c->system)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (has_windows(c))
    {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    auto& classes = state().classes;
    std::erase(classes, c);
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR class_name, WNDCLASSW* out)
{
    if (!class_name || !out)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto c = find_class(class_name);
    if (!c)
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    Lock lock(state().lock);
    *out = c->wc;
    out->lpszClassName = class_name; // the caller's text outlives ours
    out->lpszMenuName = nullptr;
    return c->atom;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int size)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return 0;
    }
    if (!buffer || size <= 0)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    int n = (int)std::min<size_t>(w->cls->name.size(), (size_t)size - 1);
    std::copy_n(w->cls->name.begin(), n, buffer);
    buffer[n] = 0;
    return n;
}

ULONG_PTR GetClassLongW(HWND hwnd, int index)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    return w ? class_long(w->cls->wc, w->cls->atom, index) : 0;
}

ULONG_PTR GetClassLongPtrW(HWND hwnd, int index)
{
    return GetClassLongW(hwnd, index);
}
