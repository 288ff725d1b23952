// classes.h -- what the libraries above the window manager plug into it
//
// The window manager sits below GDI and the controls; they give it what it
// needs of them when the process starts (a static registrar in each, pulled
// into every program that links the library):
// - the control library its classes ("EDIT", "BUTTON", "LISTBOX",
//   "COMBOBOX", "STATIC"), registered once before the first class lookup,
//   and the message box drawn on the device screen;
// - GDI the calls DefWindowProc paints with (without them WM_PAINT only
//   validates, and WM_ERASEBKGND and WM_CTLCOLOR* paint nothing).
// System classes are global, their names compare case-insensitively,
// GetClassInfoW(0, name) finds them, and a program cannot register a class
// of the same name.
#pragma once

#include <os/gdi.h>
#include <os/user.h>

#include <string>

namespace os::user {

// Registers or replaces a system class. The class name is copied.
void register_system_class(const WNDCLASSW& wc);

struct ControlLibrary
{
    void (*register_classes)() = nullptr;
    int (*message_box)(HWND owner, const std::u16string& text, const std::u16string& caption, UINT flags) = nullptr;
};
void set_control_library(const ControlLibrary& library);

struct Painting
{
    HDC (*begin_paint)(HWND, PAINTSTRUCT*) = nullptr;
    BOOL (*end_paint)(HWND, const PAINTSTRUCT*) = nullptr;
    int (*fill_rect)(HDC, const RECT*, HBRUSH) = nullptr;
    COLORREF (*set_text_color)(HDC, COLORREF) = nullptr;
    COLORREF (*set_bk_color)(HDC, COLORREF) = nullptr;
    HGDIOBJ (*get_stock_object)(int) = nullptr;
};
void set_painting(const Painting& painting);
const Painting& painting();

} // namespace os::user
