// input.cpp -- host input turned into window messages, key state, hot keys
//
// The pen is the left mouse button: a pen down goes to the window under it
// (the deepest visible, enabled one), activates that window's top-level
// window and captures the pen until it is lifted, so moves and the pen up go
// to the same window. Keys go to the focus window (else the active window)
// unless a registered hot key claims them. Typed text arrives as WM_CHAR.
// The mouse wheel turns the window under the pointer (WM_MOUSEWHEEL);
// DefWindowProc hands it on to the parent of a child that does not use it.
#include "os/user/user_private.h"

#include "os/host/host.h"

#include <algorithm>

namespace os::user {

namespace {

using os::host::Event;
using os::host::EventType;

// Lock held: queues an input message for a window's thread.
void queue_input(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, DWORD time)
{
    auto it = state().windows.find(hwnd);
    if (it == state().windows.end())
    {
        return;
    }
    queue_message(*it->second->queue, MSG{hwnd, msg, wparam, lparam, time, state().pen}, true);
}

// Lock held.
LPARAM client_point(HWND hwnd, POINT pt)
{
    POINT o = client_origin(*state().windows[hwnd]);
    return MAKELPARAM(pt.x - o.x, pt.y - o.y);
}

void route_pen(const Event& e)
{
    POINT pt{e.x, e.y};
    HWND target;
    {
        Lock lock(state().lock);
        auto& s = state();
        s.pen = pt;
        target = s.capture ? s.capture : window_at(pt);
        if (e.type == EventType::PenDown)
        {
            s.pen_down = true;
            s.key_async[VK_LBUTTON] = 0x81;
            s.key_sync[VK_LBUTTON] = 0x80;
            if (target && !s.capture)
            {
                s.capture = s.pen_window = target;
            }
        }
        else if (e.type == EventType::PenUp)
        {
            s.pen_down = false;
            s.key_async[VK_LBUTTON] &= 1;
            s.key_sync[VK_LBUTTON] = 0;
        }
    }
    if (!target)
    {
        return;
    }
    if (e.type == EventType::PenDown)
    {
        activate(target, WA_CLICKACTIVE);
    }
    Lock lock(state().lock);
    auto& s = state();
    if (!s.windows.count(target))
    {
        return;
    }
    UINT msg = e.type == EventType::PenDown ? WM_LBUTTONDOWN : e.type == EventType::PenUp ? WM_LBUTTONUP : WM_MOUSEMOVE;
    queue_input(target, msg, s.pen_down ? MK_LBUTTON : 0, client_point(target, pt), e.time);
    if (e.type == EventType::PenUp && s.pen_window)
    {
        if (s.capture == s.pen_window)
        {
            s.capture = nullptr;
        }
        s.pen_window = nullptr;
    }
}

void route_wheel(const Event& e)
{
    Lock lock(state().lock);
    auto& s = state();
    POINT pt{e.x, e.y};
    HWND target = s.capture ? s.capture : window_at(pt);
    if (!target)
    {
        return;
    }
    auto& k = s.key_async;
    WPARAM keys = (s.pen_down ? MK_LBUTTON : 0) | ((k[VK_SHIFT] & 0x80) ? MK_SHIFT : 0) |
                  ((k[VK_CONTROL] & 0x80) ? MK_CONTROL : 0);
    queue_input(target, WM_MOUSEWHEEL, MAKEWPARAM(keys, (WORD)(short)e.wheel), MAKELPARAM(pt.x, pt.y), e.time);
}

// Lock held.
UINT current_modifiers()
{
    auto& k = state().key_async;
    return ((k[VK_MENU] & 0x80) ? MOD_ALT : 0) | ((k[VK_CONTROL] & 0x80) ? MOD_CONTROL : 0) |
           ((k[VK_SHIFT] & 0x80) ? MOD_SHIFT : 0);
}

// Lock held: answers whether a hot key took the key.
bool route_hotkey(UINT vk, bool down, DWORD time)
{
    UINT mods = current_modifiers();
    for (const HotKey& h : state().hotkeys)
    {
        if (h.vk != vk || (h.modifiers & ~(UINT)MOD_KEYUP) != mods)
        {
            continue;
        }
        if (down || (h.modifiers & MOD_KEYUP))
        {
            UINT flags = mods | (down ? 0 : MOD_KEYUP);
            MSG msg{h.hwnd, WM_HOTKEY, (WPARAM)h.id, MAKELPARAM(flags, vk), time, state().pen};
            auto it = state().windows.find(h.hwnd);
            Queue& q = it != state().windows.end() ? *it->second->queue : *h.queue;
            queue_message(q, msg, true);
        }
        return true;
    }
    return false;
}

// Lock held.
HWND key_target()
{
    return state().focus ? state().focus : state().active;
}

void route_key(const Event& e)
{
    Lock lock(state().lock);
    auto& s = state();
    UINT vk = e.key & 0xff;
    bool down = e.type == EventType::KeyDown;
    bool was_down = s.key_async[vk] & 0x80;
    s.key_async[vk] = down ? (uint8_t)0x81 : (uint8_t)(s.key_async[vk] & 1);
    if (route_hotkey(vk, down, e.time))
    {
        return;
    }
    HWND target = key_target();
    if (!target)
    {
        return;
    }
    LPARAM lparam = 1 | ((was_down || !down) ? (1L << 30) : 0) | (down ? 0 : (LPARAM)0x80000000u);
    queue_input(target, down ? WM_KEYDOWN : WM_KEYUP, vk, lparam, e.time);
}

void route_char(const Event& e)
{
    Lock lock(state().lock);
    if (HWND target = key_target())
    {
        queue_input(target, WM_CHAR, e.ch, 1, e.time);
    }
}

void route_close()
{
    Lock lock(state().lock);
    auto& s = state();
    if (s.active)
    {
        queue_input(s.active, WM_CLOSE, 0, 0, message_time());
        return;
    }
    for (HWND h : s.top)
    {
        queue_input(h, WM_CLOSE, 0, 0, message_time());
    }
    if (s.top.empty())
    {
        // Nothing to close: the program is told to end instead.
        auto q = current_queue();
        q->quit = true;
        q->quit_code = 0;
    }
}

void route_activation(bool active)
{
    HWND target = GetActiveWindow();
    if (target)
    {
        send_message(target, WM_ACTIVATE, MAKEWPARAM(active ? WA_ACTIVE : WA_INACTIVE, 0), 0);
    }
}

void route_minimize(bool minimize)
{
    std::vector<HWND> top;
    {
        Lock lock(state().lock);
        for (HWND h : state().top)
        {
            if (state().windows[h]->style & WS_VISIBLE)
            {
                top.push_back(h);
            }
        }
    }
    for (HWND h : top)
    {
        ShowWindow(h, minimize ? SW_SHOWMINIMIZED : SW_RESTORE);
    }
}

} // namespace

void route_event(const Event& e)
{
    switch (e.type)
    {
    case EventType::PenDown:
    case EventType::PenMove:
    case EventType::PenUp: route_pen(e); break;
    case EventType::KeyDown:
    case EventType::KeyUp: route_key(e); break;
    case EventType::Char: route_char(e); break;
    case EventType::Close: route_close(); break;
    case EventType::Activate: route_activation(true); break;
    case EventType::Deactivate: route_activation(false); break;
    case EventType::Minimize: route_minimize(true); break;
    case EventType::Restore: route_minimize(false); break;
    case EventType::Wheel: route_wheel(e); break;
    case EventType::None: break;
    }
}

void tell_program_state(bool idle)
{
    bool window;
    {
        Lock lock(state().lock);
        window = !state().top.empty();
    }
    os::host::backend().set_program_state(os::host::ProgramState{idle, window});
}

void pump_host_events(bool idle)
{
    tell_program_state(idle);
    Event e;
    while (os::host::backend().poll_event(e))
    {
        route_event(e);
        tell_program_state(idle);
    }
}

void remove_hotkeys(HWND hwnd)
{
    std::erase_if(state().hotkeys, [hwnd](const HotKey& h) { return h.hwnd == hwnd; });
}

void note_key_message(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP)
    {
        return;
    }
    uint8_t& k = state().key_sync[msg.wParam & 0xff];
    if (msg.message == WM_KEYDOWN)
    {
        k = (uint8_t)(((k & 0x80) ? k : (k ^ 1)) | 0x80);
    }
    else
    {
        k &= 1;
    }
}

} // namespace os::user

using namespace os::user;

SHORT GetKeyState(int vk)
{
    Lock lock(state().lock);
    uint8_t k = state().key_sync[vk & 0xff];
    return (SHORT)(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

SHORT GetAsyncKeyState(int vk)
{
    Lock lock(state().lock);
    uint8_t& k = state().key_async[vk & 0xff];
    SHORT v = (SHORT)(((k & 0x80) ? 0x8000 : 0) | (k & 1));
    k &= 0x80; // "pressed since the last call" is reported once
    return v;
}

void keybd_event(BYTE vk, BYTE, DWORD flags, ULONG_PTR)
{
    os::host::Event e;
    e.type = (flags & KEYEVENTF_KEYUP) ? os::host::EventType::KeyUp : os::host::EventType::KeyDown;
    e.key = vk;
    e.time = message_time();
    route_event(e);
}

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk)
{
    Lock lock(state().lock);
    if (hwnd && !find_window(hwnd))
    {
        return FALSE;
    }
    auto& keys = state().hotkeys;
    UINT mods = modifiers & ~(UINT)MOD_KEYUP;
    for (const HotKey& h : keys)
    {
        if (h.vk == vk && (h.modifiers & ~(UINT)MOD_KEYUP) == mods && !(h.hwnd == hwnd && h.id == id))
        {
            SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return FALSE;
        }
    }
    std::erase_if(keys, [&](const HotKey& h) { return h.hwnd == hwnd && h.id == id; });
    keys.push_back(HotKey{current_queue(), hwnd, id, modifiers, vk});
    return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id)
{
    Lock lock(state().lock);
    if (hwnd && !find_window(hwnd))
    {
        return FALSE;
    }
    if (!std::erase_if(state().hotkeys, [&](const HotKey& h) { return h.hwnd == hwnd && h.id == id; }))
    {
        SetLastError(ERROR_HOTKEY_NOT_REGISTERED);
        return FALSE;
    }
    return TRUE;
}
