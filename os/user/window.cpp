// window.cpp -- creating and destroying windows, the window tree, window words
//
// A window belongs to the thread that created it. Top-level windows are kept
// in z-order (a new one goes on top); a new child goes to the bottom of its
// siblings, so the first child created is the first in GetWindow(GW_CHILD)
// order, as with dialog controls.
#include "os/user/user_private.h"

#include <os/wstring.h>

#include "os/host/host.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace os::user {

namespace {

// The calling thread's queue; when the thread ends, messages still being
// sent to its windows are answered 0 instead of waiting for ever.
struct QueueHolder
{
    std::shared_ptr<Queue> queue;

    ~QueueHolder()
    {
        if (queue)
        {
            Lock lock(state().lock);
            queue->alive = false;
            state().changed.notify_all();
        }
    }
};

thread_local QueueHolder t_queue;

// Lock held: link a new window into the tree.
void link_window(Window& w)
{
    auto& s = state();
    if (w.parent)
    {
        s.windows[w.parent]->children.push_back(w.handle);
    }
    else
    {
        s.top.insert(s.top.begin(), w.handle);
    }
}

// Lock held: unlink and forget a window.
void unlink_window(HWND hwnd)
{
    auto& s = state();
    auto it = s.windows.find(hwnd);
    if (it == s.windows.end())
    {
        return;
    }
    if (HWND parent = it->second->parent)
    {
        if (auto p = s.windows.find(parent); p != s.windows.end())
        {
            std::erase(p->second->children, hwnd);
        }
    }
    std::erase(s.top, hwnd);
    purge_messages(hwnd);
    s.windows.erase(it);
}

void initial_geometry(DWORD style, int& x, int& y, int& cx, int& cy)
{
    bool child = style & WS_CHILD;
    if (x == CW_USEDEFAULT)
    {
        x = 0;
        y = 0;
    }
    if (cx == CW_USEDEFAULT)
    {
        auto& screen = os::host::screen();
        cx = child ? 0 : screen.width - x;
        cy = child ? 0 : screen.height - y;
    }
    cx = std::max(cx, 0);
    cy = std::max(cy, 0);
}

struct CreateArgs
{
    DWORD ex_style;
    LPCWSTR title;
    DWORD style;
    int x, y, cx, cy;
    HWND parent;
    HMENU menu;
    HINSTANCE instance;
};

// Lock held: host input is pumped by the thread of the first top-level
// window, so a thread that only peeked at its queue does not keep the role.
bool input_thread_has_windows()
{
    auto& s = state();
    if (!s.input_thread_set)
    {
        return false;
    }
    for (HWND h : s.top)
    {
        if (s.windows[h]->queue->thread == s.input_thread)
        {
            return true;
        }
    }
    return false;
}

// Builds the record of a new window and links it (takes the lock).
HWND make_window(const std::shared_ptr<WindowClass>& cls, const CreateArgs& a)
{
    auto& s = state();
    Lock lock(s.lock);
    auto w = std::make_shared<Window>();
    w->handle = (HWND)s.next_handle;
    s.next_handle += 4;
    w->serial = s.next_serial++;
    w->cls = cls;
    w->queue = current_queue();
    w->proc = cls->wc.lpfnWndProc;
    w->style = a.style & ~(DWORD)WS_VISIBLE;
    w->ex_style = a.ex_style;
    w->instance = a.instance;
    w->text = a.title ? a.title : u"";
    w->extra.assign((size_t)std::max(cls->wc.cbWndExtra, 0), 0);
    if (a.style & WS_CHILD)
    {
        w->parent = a.parent;
        w->id = (LONG_PTR)a.menu;
    }
    else if (a.parent)
    {
        w->owner = top_level_of(a.parent);
    }
    w->rect = {a.x, a.y, a.x + a.cx, a.y + a.cy};
    s.windows[w->handle] = w;
    link_window(*w);
    if (!w->parent && !input_thread_has_windows())
    {
        s.input_thread = std::this_thread::get_id();
        s.input_thread_set = true;
    }
    bump_generation();
    return w->handle;
}

// Removes a window whose creation failed after WM_NCCREATE said no.
void discard_window(HWND hwnd)
{
    send_message(hwnd, WM_NCDESTROY, 0, 0);
    Lock lock(state().lock);
    unlink_window(hwnd);
    bump_generation();
}

// Sends the creation messages; false when the window refused or vanished.
bool run_creation(HWND hwnd, CREATESTRUCTW& cs)
{
    if (!send_message(hwnd, WM_NCCREATE, 0, (LPARAM)&cs))
    {
        discard_window(hwnd);
        return false;
    }
    if (send_message(hwnd, WM_CREATE, 0, (LPARAM)&cs) == -1)
    {
        DestroyWindow(hwnd);
        return false;
    }
    if (!IsWindow(hwnd))
    {
        return false;
    }
    send_message(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cs.cx, cs.cy));
    send_message(hwnd, WM_MOVE, 0, MAKELPARAM(cs.x, cs.y));
    return IsWindow(hwnd);
}

bool check_parent(DWORD style, HWND parent)
{
    if ((style & WS_CHILD) && !parent)
    {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return false;
    }
    if (parent && parent != desktop_handle() && !IsWindow(parent))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

// The windows owned by a top-level window (lock held).
std::vector<HWND> owned_windows(HWND owner)
{
    std::vector<HWND> out;
    for (HWND h : state().top)
    {
        if (state().windows[h]->owner == owner)
        {
            out.push_back(h);
        }
    }
    return out;
}

// Lock held: the window and its descendants, each window after its children.
std::vector<HWND> children_first(HWND hwnd)
{
    std::vector<HWND> out;
    for (HWND c : state().windows[hwnd]->children)
    {
        auto below = children_first(c);
        out.insert(out.end(), below.begin(), below.end());
    }
    out.push_back(hwnd);
    return out;
}

// Marks the tree as going away and drops its timers and hot keys; answers
// the windows parents first and children first, and the screen area it covered.
std::vector<HWND> begin_destroy(HWND hwnd, std::vector<HWND>& last_first, RECT& area, bool& drawn)
{
    Lock lock(state().lock);
    auto nodes = subtree(hwnd);
    last_first = children_first(hwnd);
    Window* w = find_window(hwnd);
    drawn = is_drawn(*w);
    area = screen_rect(*w);
    for (HWND h : nodes)
    {
        state().windows[h]->destroying = true;
        kill_window_timers(h);
        remove_hotkeys(h);
    }
    w->style &= ~(DWORD)WS_VISIBLE;
    bump_generation();
    return nodes;
}

void finish_destroy(const std::vector<HWND>& children_first, const RECT& area, bool drawn)
{
    for (HWND h : children_first)
    {
        std::vector<HWND> late; // children created while the tree was going away
        {
            Lock lock(state().lock);
            for (HWND c : state().windows[h]->children)
            {
                if (!state().windows[c]->destroying)
                {
                    late.push_back(c);
                }
            }
        }
        for (HWND c : late)
        {
            DestroyWindow(c);
        }
        send_message(h, WM_NCDESTROY, 0, 0);
        Lock lock(state().lock);
        unlink_window(h);
    }
    std::vector<RECT> bare;
    {
        Lock lock(state().lock);
        bump_generation();
        if (drawn)
        {
            expose_screen_area(area);
            bare = bare_desktop_parts(area);
        }
    }
    clear_desktop(bare);
}

LONG_PTR read_extra(const Window& w, int index, size_t size)
{
    if (index < 0 || (size_t)index + size > w.extra.size())
    {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    if (size == sizeof(LONG))
    {
        LONG v;
        std::memcpy(&v, &w.extra[(size_t)index], sizeof v);
        return v;
    }
    LONG_PTR v;
    std::memcpy(&v, &w.extra[(size_t)index], sizeof v);
    return v;
}

LONG_PTR write_extra(Window& w, int index, size_t size, LONG_PTR value)
{
    LONG_PTR old = read_extra(w, index, size);
    if (index < 0 || (size_t)index + size > w.extra.size())
    {
        return 0;
    }
    if (size == sizeof(LONG))
    {
        LONG v = (LONG)value;
        std::memcpy(&w.extra[(size_t)index], &v, sizeof v);
    }
    else
    {
        std::memcpy(&w.extra[(size_t)index], &value, sizeof value);
    }
    return old;
}

LONG_PTR get_long(HWND hwnd, int index, size_t size)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return 0;
    }
    switch (index)
    {
    case GWL_WNDPROC: return (LONG_PTR)w->proc;
    case GWL_HINSTANCE: return (LONG_PTR)w->instance;
    case GWL_HWNDPARENT: return (LONG_PTR)(w->parent ? w->parent : w->owner);
    case GWL_ID: return w->id;
    case GWL_STYLE: return (LONG)w->style;
    case GWL_EXSTYLE: return (LONG)w->ex_style;
    case GWL_USERDATA: return w->user_data;
    }
    return read_extra(*w, index, size);
}

LONG_PTR set_long(HWND hwnd, int index, size_t size, LONG_PTR value)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return 0;
    }
    LONG_PTR old = 0;
    switch (index)
    {
    case GWL_WNDPROC:
        old = (LONG_PTR)w->proc;
        w->proc = (WNDPROC)value;
        return old;
    case GWL_HINSTANCE: return (LONG_PTR)std::exchange(w->instance, (HINSTANCE)value);
    case GWL_HWNDPARENT:
        old = (LONG_PTR)w->owner;
        w->owner = w->parent ? w->owner : (HWND)value;
        return old;
    case GWL_ID: return std::exchange(w->id, value);
    case GWL_STYLE:
        old = (LONG)w->style;
        w->style = (DWORD)value;
        bump_generation();
        return old;
    case GWL_EXSTYLE: return (LONG)std::exchange(w->ex_style, (DWORD)value);
    case GWL_USERDATA: return std::exchange(w->user_data, value);
    }
    return write_extra(*w, index, size, value);
}

} // namespace

State& state()
{
    static State* s = new State; // never destroyed: threads may still post at exit
    return *s;
}

Window* find_window(HWND hwnd)
{
    auto& s = state();
    auto it = s.windows.find(hwnd);
    if (it == s.windows.end())
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

std::shared_ptr<Window> get_window(HWND hwnd)
{
    Lock lock(state().lock);
    return find_window(hwnd) ? state().windows[hwnd] : nullptr;
}

std::shared_ptr<Queue> current_queue()
{
    if (!t_queue.queue)
    {
        t_queue.queue = std::make_shared<Queue>();
        t_queue.queue->thread = std::this_thread::get_id();
    }
    return t_queue.queue;
}

bool is_own_thread(const Window& w)
{
    return w.queue->thread == std::this_thread::get_id();
}

HWND desktop_handle()
{
    return (HWND)(uintptr_t)0x10000;
}

bool is_descendant(HWND ancestor, HWND hwnd)
{
    auto& s = state();
    while (hwnd)
    {
        if (hwnd == ancestor)
        {
            return true;
        }
        auto it = s.windows.find(hwnd);
        hwnd = it == s.windows.end() ? nullptr : it->second->parent;
    }
    return false;
}

HWND top_level_of(HWND hwnd)
{
    auto& s = state();
    for (;;)
    {
        auto it = s.windows.find(hwnd);
        if (it == s.windows.end())
        {
            return nullptr;
        }
        if (!it->second->parent)
        {
            return hwnd;
        }
        hwnd = it->second->parent;
    }
}

void bump_generation()
{
    ++state().generation;
}

std::vector<HWND> subtree(HWND hwnd)
{
    std::vector<HWND> out{hwnd};
    for (HWND c : state().windows[hwnd]->children)
    {
        auto below = subtree(c);
        out.insert(out.end(), below.begin(), below.end());
    }
    return out;
}

bool is_window(HWND hwnd)
{
    Lock lock(state().lock);
    return state().windows.count(hwnd) != 0;
}

unsigned layout_generation()
{
    Lock lock(state().lock);
    return state().generation;
}

} // namespace os::user

using namespace os::user;

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR title, DWORD style, int x, int y, int cx, int cy,
                     HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    auto cls = find_class(class_name);
    if (!cls)
    {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent == desktop_handle())
    {
        parent = nullptr;
    }
    if (!check_parent(style, parent))
    {
        return nullptr;
    }
    initial_geometry(style, x, y, cx, cy);
    HWND hwnd = make_window(cls, {ex_style, title, style, x, y, cx, cy, parent, menu, instance});
    CREATESTRUCTW cs{param, instance, menu, parent, cy, cx, y, x, (LONG)style, title, class_name, ex_style};
    if (!run_creation(hwnd, cs))
    {
        return nullptr;
    }
    if (style & WS_VISIBLE)
    {
        ShowWindow(hwnd, SW_SHOW);
    }
    if (!parent)
    {
        sync_registrations();
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd)
{
    auto w = get_window(hwnd);
    if (!w)
    {
        return FALSE;
    }
    if (!is_own_thread(*w))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (w->destroying)
    {
        return TRUE;
    }
    std::vector<HWND> owned;
    {
        Lock lock(state().lock);
        owned = w->parent ? std::vector<HWND>{} : owned_windows(hwnd);
    }
    for (HWND h : owned)
    {
        DestroyWindow(h);
    }
    RECT area;
    bool drawn;
    std::vector<HWND> last_first;
    auto nodes = begin_destroy(hwnd, last_first, area, drawn);
    release_window_state(hwnd, false);
    if (!w->parent)
    {
        sync_registrations(); // gone from FindWindowW before this call returns
    }
    for (HWND h : nodes)
    {
        send_message(h, WM_DESTROY, 0, 0);
    }
    finish_destroy(last_first, area, drawn);
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    if (is_proxy(hwnd))
    {
        return proxy_alive(hwnd);
    }
    return is_window(hwnd);
}

BOOL IsWindowVisible(HWND hwnd)
{
    Lock lock(state().lock);
    for (Window* w = find_window(hwnd); w; w = w->parent ? find_window(w->parent) : nullptr)
    {
        if (!(w->style & WS_VISIBLE))
        {
            return FALSE;
        }
        if (!w->parent)
        {
            return TRUE;
        }
    }
    return FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    bool was_disabled;
    {
        Lock lock(state().lock);
        Window* w = find_window(hwnd);
        if (!w)
        {
            return FALSE;
        }
        was_disabled = w->style & WS_DISABLED;
        if (was_disabled == !enable)
        {
            return was_disabled;
        }
        w->style = enable ? (w->style & ~(DWORD)WS_DISABLED) : (w->style | WS_DISABLED);
        bump_generation();
    }
    if (!enable)
    {
        release_window_state(hwnd, true);
    }
    send_message(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return was_disabled;
}

BOOL IsChild(HWND parent, HWND hwnd)
{
    Lock lock(state().lock);
    Window* w = state().windows.count(hwnd) ? state().windows[hwnd].get() : nullptr;
    return w && w->parent && is_descendant(parent, w->parent);
}

HWND GetParent(HWND hwnd)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return nullptr;
    }
    if (w->parent)
    {
        return w->parent;
    }
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND hwnd, HWND parent)
{
    if (parent == desktop_handle())
    {
        parent = nullptr;
    }
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w || (parent && !find_window(parent)) || (parent && is_descendant(hwnd, parent)))
    {
        if (w)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
        }
        return nullptr;
    }
    HWND old = w->parent ? w->parent : desktop_handle();
    if (w->parent)
    {
        std::erase(state().windows[w->parent]->children, hwnd);
    }
    else
    {
        std::erase(state().top, hwnd);
    }
    w->parent = parent;
    w->style = parent ? (w->style | WS_CHILD) : (w->style & ~(DWORD)WS_CHILD);
    link_window(*w);
    bump_generation();
    return old;
}

HWND GetWindow(HWND hwnd, UINT cmd)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return nullptr;
    }
    if (cmd == GW_CHILD)
    {
        return w->children.empty() ? nullptr : w->children.front();
    }
    if (cmd == GW_OWNER)
    {
        return w->owner;
    }
    const auto& sib = w->parent ? state().windows[w->parent]->children : state().top;
    auto pos = std::find(sib.begin(), sib.end(), hwnd) - sib.begin();
    switch (cmd)
    {
    case GW_HWNDFIRST: return sib.front();
    case GW_HWNDLAST: return sib.back();
    case GW_HWNDNEXT: return (size_t)pos + 1 < sib.size() ? sib[(size_t)pos + 1] : nullptr;
    case GW_HWNDPREV: return pos > 0 ? sib[(size_t)pos - 1] : nullptr;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HWND GetDesktopWindow()
{
    return desktop_handle();
}

HWND GetDlgItem(HWND dialog, int id)
{
    Lock lock(state().lock);
    Window* w = find_window(dialog);
    if (!w)
    {
        return nullptr;
    }
    for (HWND c : w->children)
    {
        if ((int)state().windows[c]->id == id)
        {
            return c;
        }
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    return w && w->parent ? (int)w->id : 0;
}

LONG_PTR GetWindowLongW(HWND hwnd, int index)
{
    return get_long(hwnd, index, sizeof(LONG));
}

LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value)
{
    return set_long(hwnd, index, sizeof(LONG), value);
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index)
{
    return get_long(hwnd, index, sizeof(LONG_PTR));
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value)
{
    return set_long(hwnd, index, sizeof(LONG_PTR), value);
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text)
{
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return send_message(hwnd, WM_SETTEXT, 0, (LPARAM)(text ? text : u"")) != 0;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size)
{
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!buffer || size <= 0)
    {
        return 0;
    }
    return (int)send_message(hwnd, WM_GETTEXT, (WPARAM)size, (LPARAM)buffer);
}

int GetWindowTextLengthW(HWND hwnd)
{
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (int)send_message(hwnd, WM_GETTEXTLENGTH, 0, 0);
}
