// focus.cpp -- keyboard focus, activation and mouse capture
//
// The device has one screen and one user, so focus, the active window and
// the capture are kept once per process. Activating a top-level window raises
// it, sends WM_ACTIVATE (WA_INACTIVE to the window losing activation, then
// WA_ACTIVE or WA_CLICKACTIVE to the new one, each with the other window in
// lParam) and gives it the focus unless the focus is already inside it.
#include "os/user/user_private.h"

#include <algorithm>
#include <utility>

namespace os::user {

namespace {

// Lock held: raises a top-level window; answers whether the order changed.
bool raise(HWND top)
{
    auto& order = state().top;
    if (!order.empty() && order.front() == top)
    {
        return false;
    }
    std::erase(order, top);
    order.insert(order.begin(), top);
    bump_generation();
    return true;
}

WPARAM activate_wparam(HWND hwnd, WORD how)
{
    Lock lock(state().lock);
    auto it = state().windows.find(hwnd);
    bool minimized = it != state().windows.end() && it->second->minimized;
    return MAKEWPARAM(how, minimized ? 1 : 0);
}

// Lock held: the next window to activate when `leaving` goes away.
HWND next_to_activate(HWND leaving)
{
    for (HWND h : state().top)
    {
        const Window& w = *state().windows[h];
        if (h != leaving && !w.destroying && (w.style & WS_VISIBLE) && !(w.style & WS_DISABLED) && !w.minimized &&
            is_own_thread(w))
        {
            return h;
        }
    }
    return nullptr;
}

} // namespace

void set_focus(HWND hwnd)
{
    HWND old;
    {
        Lock lock(state().lock);
        old = state().focus;
        if (old == hwnd)
        {
            return;
        }
        state().focus = hwnd;
    }
    if (old)
    {
        send_message(old, WM_KILLFOCUS, (WPARAM)hwnd, 0);
    }
    {
        Lock lock(state().lock);
        if (state().focus != hwnd || !hwnd)
        {
            return; // moved again while the old window lost it
        }
    }
    send_message(hwnd, WM_SETFOCUS, (WPARAM)old, 0);
}

void activate(HWND hwnd, WORD how)
{
    HWND top, old;
    {
        Lock lock(state().lock);
        top = top_level_of(hwnd);
        if (!top || top == state().active)
        {
            return;
        }
        old = state().active;
        state().active = top;
        if (raise(top) && is_drawn(*state().windows[top]))
        {
            invalidate_tree(top);
        }
    }
    if (old)
    {
        send_message(old, WM_ACTIVATE, activate_wparam(old, WA_INACTIVE), (LPARAM)top);
    }
    send_message(top, WM_ACTIVATE, activate_wparam(top, how), (LPARAM)old);
    bool give_focus;
    {
        Lock lock(state().lock);
        HWND focus = state().focus;
        give_focus = state().active == top && (!focus || !is_descendant(top, focus));
    }
    if (give_focus)
    {
        set_focus(top);
    }
}

void release_window_state(HWND hwnd, bool)
{
    HWND parent = nullptr;
    HWND next = nullptr;
    bool focus_in, was_active;
    {
        Lock lock(state().lock);
        auto& s = state();
        if (s.capture && is_descendant(hwnd, s.capture))
        {
            s.capture = nullptr;
        }
        if (s.pen_window && is_descendant(hwnd, s.pen_window))
        {
            s.pen_window = nullptr;
        }
        focus_in = s.focus && is_descendant(hwnd, s.focus);
        was_active = s.active == hwnd;
        parent = s.windows[hwnd]->parent;
        next = was_active ? next_to_activate(hwnd) : nullptr;
    }
    if (was_active && next)
    {
        activate(next, WA_ACTIVE);
        return;
    }
    if (was_active)
    {
        {
            Lock lock(state().lock);
            state().active = nullptr;
        }
        send_message(hwnd, WM_ACTIVATE, activate_wparam(hwnd, WA_INACTIVE), 0);
    }
    if (focus_in)
    {
        set_focus(parent);
    }
}

} // namespace os::user

using namespace os::user;

HWND SetFocus(HWND hwnd)
{
    HWND old;
    {
        Lock lock(state().lock);
        old = state().focus;
        if (hwnd && !find_window(hwnd))
        {
            return nullptr;
        }
    }
    if (hwnd)
    {
        activate(hwnd, WA_ACTIVE);
    }
    set_focus(hwnd);
    return old;
}

HWND GetFocus()
{
    Lock lock(state().lock);
    return state().focus;
}

HWND SetActiveWindow(HWND hwnd)
{
    HWND old;
    {
        Lock lock(state().lock);
        old = state().active;
        if (!find_window(hwnd))
        {
            return nullptr;
        }
    }
    activate(hwnd, WA_ACTIVE);
    return old;
}

HWND GetActiveWindow()
{
    Lock lock(state().lock);
    return state().active;
}

BOOL SetForegroundWindow(HWND hwnd)
{
    if (is_proxy(hwnd))
    {
        return raise_remote(hwnd);
    }
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    activate(hwnd, WA_ACTIVE);
    return TRUE;
}

HWND GetForegroundWindow()
{
    return GetActiveWindow();
}

HWND SetCapture(HWND hwnd)
{
    HWND old;
    {
        Lock lock(state().lock);
        if (hwnd && !find_window(hwnd))
        {
            return nullptr;
        }
        old = std::exchange(state().capture, hwnd);
    }
    if (old && old != hwnd)
    {
        send_message(old, WM_CAPTURECHANGED, 0, (LPARAM)hwnd);
    }
    return old;
}

BOOL ReleaseCapture()
{
    HWND old;
    {
        Lock lock(state().lock);
        old = std::exchange(state().capture, nullptr);
        state().pen_window = nullptr;
    }
    if (old)
    {
        send_message(old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture()
{
    Lock lock(state().lock);
    return state().capture;
}
