// control_private.h -- what every built-in control shares
//
// Controls keep their state beside the window (not in GWL_USERDATA, which
// belongs to the program): a record per window, made on the first message
// and dropped at WM_NCDESTROY. Handlers hold a shared_ptr to it, so a
// control destroyed from inside its own handler is freed only afterwards.
#pragma once

#include "os/font/font_private.h"

#include <os/controls.h>
#include <os/font.h>
#include <os/gdi.h>
#include <os/user.h>

#include <memory>
#include <string>

namespace os::controls {

class ControlState
{
public:
    virtual ~ControlState() = default;
    HFONT font = nullptr; // WM_SETFONT; NULL = the system font
};

std::shared_ptr<ControlState> find_state(HWND hwnd);
void store_state(HWND hwnd, std::shared_ptr<ControlState> state);
void drop_state(HWND hwnd);

// The state of a control of type T, made when missing (or of another type).
template <class T>
std::shared_ptr<T> state_of(HWND hwnd)
{
    auto found = std::dynamic_pointer_cast<T>(find_state(hwnd));
    if (found)
        return found;
    auto made = std::make_shared<T>();
    store_state(hwnd, made);
    return made;
}

// WM_COMMAND(MAKEWPARAM(id, code), hwnd) to the parent (sent).
void notify_parent(HWND hwnd, int code);

// Set the DC's default colours for a control kind, then ask the parent with
// the WM_CTLCOLOR* message; answers the brush to paint the background with.
HBRUSH control_colors(HWND hwnd, HDC hdc, UINT message);

// The face of a control's font.
os::font::Face& control_face(const ControlState& state);
int line_height(const ControlState& state);

// Messages every control answers alike (WM_SETFONT, WM_GETFONT,
// WM_ERASEBKGND, WM_ENABLE, WM_NCDESTROY); false for other messages.
bool common_message(HWND hwnd, ControlState& state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result);

// A control's window procedure: its state (kept alive for the call), the
// messages every control shares, then the control's own handler.
template <class T>
LRESULT run_control(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                    LRESULT (*handle)(HWND, T&, UINT, WPARAM, LPARAM))
{
    auto state = state_of<T>(hwnd);
    LRESULT result = 0;
    if (common_message(hwnd, *state, msg, wparam, lparam, &result))
        return result;
    return handle(hwnd, *state, msg, wparam, lparam);
}

// Painting helpers in client coordinates.
void fill_color(HDC hdc, const RECT& rect, COLORREF color);
void frame_color(HDC hdc, const RECT& rect, COLORREF color);
// The mark of the control that has the keyboard focus: a rectangle of
// dotted lines (every other pixel) in the DC's text colour.
void paint_focus_rect(HDC hdc, const RECT& rect);
// A DC for painting: BeginPaint with the control's font selected.
class PaintDc
{
public:
    PaintDc(HWND hwnd, const ControlState& state);
    ~PaintDc();
    HDC hdc() const { return ps_.hdc; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HGDIOBJ old_font_ = nullptr;
};

// The rows a WM_MOUSEWHEEL turn scrolls (positive: towards the end), three
// a notch as on the desktop; `rest` keeps the part of a turn smaller than a
// row for the next one (fine-stepped wheels send less than a notch).
int wheel_rows(int& rest, WPARAM wparam);

std::u16string window_text(HWND hwnd);
DWORD window_style(HWND hwnd);
bool has_border(HWND hwnd);
void redraw(HWND hwnd);
// WM_SETTEXT of a control whose text is the window text: store and repaint.
LRESULT store_text(HWND hwnd, WPARAM wparam, LPARAM lparam);

// Copy text into a caller's buffer of `size` characters (terminated, cut to
// fit); answers the characters copied.
int copy_out(std::u16string_view text, WCHAR* buffer, size_t size);

// The colours of the device's plain style.
constexpr COLORREF kBorder = RGB(0, 0, 0);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kLight = RGB(255, 255, 255);

} // namespace os::controls

namespace os::controls {

// The window procedures of the built-in classes.
LRESULT CALLBACK static_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK button_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK edit_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK listbox_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK combobox_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK combolist_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK message_box_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// The class of the modal message box window.
inline constexpr WCHAR kMessageBoxClass[] = u"#MessageBox";

} // namespace os::controls
