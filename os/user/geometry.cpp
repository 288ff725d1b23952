// geometry.cpp -- window positions, sizes, z-order and visibility
//
// A window's rectangle is kept relative to its parent's client area (to the
// screen for top-level windows); the client area is the whole window. Every
// change of position, size, order or visibility bumps the layout generation
// that window DCs use to recompute their clip.
#include "os/user/user_private.h"
#include "os/user/wininfo.h"

#include "os/host/host.h"

#include <algorithm>

namespace os::user {

namespace {

RECT screen_bounds()
{
    auto& screen = os::host::screen();
    return RECT{0, 0, screen.width, screen.height};
}

Window* peek(HWND hwnd)
{
    auto it = state().windows.find(hwnd);
    return it == state().windows.end() ? nullptr : it->second.get();
}

bool shows(const Window& w)
{
    return (w.style & WS_VISIBLE) && !w.minimized;
}

// Lock held: moves a window within its siblings.
void reorder(Window& w, HWND after)
{
    auto& sib = w.parent ? state().windows[w.parent]->children : state().top;
    std::erase(sib, w.handle);
    if (after == HWND_BOTTOM)
    {
        sib.push_back(w.handle);
        return;
    }
    auto it = std::find(sib.begin(), sib.end(), after);
    sib.insert(it == sib.end() ? sib.begin() : it + 1, w.handle);
}

// Lock held: an origin on the screen for a window or the desktop (nullptr).
bool origin_of(HWND hwnd, POINT& out)
{
    if (!hwnd || hwnd == desktop_handle())
    {
        out = {0, 0};
        return true;
    }
    Window* w = find_window(hwnd);
    if (w)
    {
        out = client_origin(*w);
    }
    return w != nullptr;
}

// Answers whether the visible state changed.
bool apply_visibility(Window& w, UINT flags)
{
    bool was = w.style & WS_VISIBLE;
    if (flags & SWP_SHOWWINDOW)
    {
        w.style |= WS_VISIBLE;
    }
    if (flags & SWP_HIDEWINDOW)
    {
        w.style &= ~(DWORD)WS_VISIBLE;
    }
    return was != ((w.style & WS_VISIBLE) != 0);
}

struct PosChange
{
    bool moved = false;
    bool sized = false;
    RECT rect{};
};

PosChange move_locked(Window& w, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    PosChange c;
    RECT old_screen = screen_rect(w);
    bool drawn_before = is_drawn(w);
    RECT r = w.rect;
    if (!(flags & SWP_NOMOVE))
    {
        OffsetRect(&r, x - r.left, y - r.top);
    }
    if (!(flags & SWP_NOSIZE))
    {
        r.right = r.left + std::max(cx, 0);
        r.bottom = r.top + std::max(cy, 0);
    }
    c.moved = r.left != w.rect.left || r.top != w.rect.top;
    c.sized = (r.right - r.left) != (w.rect.right - w.rect.left) || (r.bottom - r.top) != (w.rect.bottom - w.rect.top);
    bool restack = !(flags & SWP_NOZORDER);
    if (restack)
    {
        reorder(w, after);
    }
    bool shown = apply_visibility(w, flags);
    w.rect = r;
    c.rect = r;
    bump_generation();
    if (!(flags & SWP_NOREDRAW) && (c.moved || c.sized || shown || restack))
    {
        if (drawn_before)
        {
            expose_screen_area(old_screen);
        }
        if (is_drawn(w))
        {
            invalidate_tree(w.handle);
        }
    }
    return c;
}

// Lock held: the first child under a point (parent client coordinates).
HWND child_at(const Window& parent, POINT pt, UINT flags)
{
    for (HWND h : parent.children)
    {
        Window& c = *state().windows[h];
        if (((flags & CWP_SKIPINVISIBLE) && !(c.style & WS_VISIBLE)) || ((flags & CWP_SKIPDISABLED) && (c.style & WS_DISABLED)))
        {
            continue;
        }
        if (PtInRect(&c.rect, pt))
        {
            return h;
        }
    }
    return nullptr;
}

void show_hide(HWND hwnd)
{
    send_message(hwnd, WM_SHOWWINDOW, FALSE, 0);
    {
        Lock lock(state().lock);
        Window* w = peek(hwnd);
        if (!w)
        {
            return;
        }
        bool drawn = is_drawn(*w);
        RECT area = screen_rect(*w);
        w->style &= ~(DWORD)WS_VISIBLE;
        bump_generation();
        if (drawn)
        {
            expose_screen_area(area);
        }
    }
    release_window_state(hwnd, true);
}

void show_minimized(HWND hwnd, int cmd)
{
    {
        Lock lock(state().lock);
        Window* w = peek(hwnd);
        if (!w || w->minimized)
        {
            return;
        }
        RECT area = screen_rect(*w);
        bool drawn = is_drawn(*w);
        w->minimized = true;
        w->style |= WS_MINIMIZE | WS_VISIBLE;
        bump_generation();
        if (drawn)
        {
            expose_screen_area(area);
        }
    }
    send_message(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
    if (cmd != SW_SHOWMINIMIZED)
    {
        release_window_state(hwnd, true);
    }
}

// Shows a hidden window, restores a minimized one; answers the client size
// when it restored.
bool show_normal(HWND hwnd, bool was_visible, bool restore, SIZE& size)
{
    if (!was_visible)
    {
        send_message(hwnd, WM_SHOWWINDOW, TRUE, 0);
    }
    Lock lock(state().lock);
    Window* w = peek(hwnd);
    if (!w)
    {
        return false;
    }
    w->style |= WS_VISIBLE;
    restore = restore && w->minimized;
    if (restore)
    {
        w->minimized = false;
        w->style &= ~(DWORD)WS_MINIMIZE;
    }
    bump_generation();
    if (is_drawn(*w) && (!was_visible || restore))
    {
        invalidate_tree(hwnd);
    }
    size = {w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return restore;
}

bool activates(int cmd)
{
    return cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE;
}

// The client rectangle (client coordinates) or the window rectangle (screen).
bool window_box(HWND hwnd, LPRECT rect, bool on_screen)
{
    if (!rect)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (hwnd == desktop_handle())
    {
        *rect = screen_bounds();
        return true;
    }
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return false;
    }
    *rect = on_screen ? screen_rect(*w) : RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return true;
}

// Moves a point by the window's client origin: +1 to the screen, -1 back.
bool shift_point(HWND hwnd, LPPOINT point, int sign)
{
    if (!point)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    Lock lock(state().lock);
    POINT o;
    if (!origin_of(hwnd, o))
    {
        return false;
    }
    point->x += sign * o.x;
    point->y += sign * o.y;
    return true;
}

} // namespace

POINT client_origin(const Window& w)
{
    POINT p{w.rect.left, w.rect.top};
    for (HWND h = w.parent; h; h = state().windows[h]->parent)
    {
        const Window& a = *state().windows[h];
        p.x += a.rect.left;
        p.y += a.rect.top;
    }
    return p;
}

RECT screen_rect(const Window& w)
{
    POINT o = client_origin(w);
    return RECT{o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
}

bool is_drawn(const Window& w)
{
    for (const Window* p = &w; p; p = p->parent ? peek(p->parent) : nullptr)
    {
        if (!shows(*p) || p->destroying)
        {
            return false;
        }
    }
    return true;
}

HWND window_at(POINT pt)
{
    for (HWND h : state().top)
    {
        Window* w = peek(h);
        RECT r = screen_rect(*w);
        if (!shows(*w) || !PtInRect(&r, pt))
        {
            continue;
        }
        if (w->style & WS_DISABLED)
        {
            return nullptr;
        }
        for (;;)
        {
            POINT o = client_origin(*w);
            HWND c = child_at(*w, POINT{pt.x - o.x, pt.y - o.y}, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
            if (!c)
            {
                return w->handle;
            }
            w = peek(c);
        }
    }
    return nullptr;
}

bool set_window_pos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    PosChange c;
    bool top_level;
    {
        Lock lock(state().lock);
        Window* w = find_window(hwnd);
        if (!w)
        {
            return false;
        }
        c = move_locked(*w, after, x, y, cx, cy, flags);
        top_level = !w->parent && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
    }
    if (c.moved)
    {
        send_message(hwnd, WM_MOVE, 0, MAKELPARAM(c.rect.left, c.rect.top));
    }
    if (c.sized)
    {
        send_message(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.rect.right - c.rect.left, c.rect.bottom - c.rect.top));
    }
    if (top_level && !(flags & SWP_NOACTIVATE))
    {
        activate(hwnd, WA_ACTIVE);
    }
    return true;
}

void subtract_rect(std::vector<RECT>& rects, const RECT& cut)
{
    std::vector<RECT> out;
    for (const RECT& r : rects)
    {
        RECT hit;
        if (!IntersectRect(&hit, &r, &cut))
        {
            out.push_back(r);
            continue;
        }
        RECT parts[4] = {{r.left, r.top, r.right, hit.top},
                         {r.left, hit.bottom, r.right, r.bottom},
                         {r.left, hit.top, hit.left, hit.bottom},
                         {hit.right, hit.top, r.right, hit.bottom}};
        for (const RECT& p : parts)
        {
            if (!IsRectEmpty(&p))
            {
                out.push_back(p);
            }
        }
    }
    rects.swap(out);
}

bool client_rect_on_screen(HWND hwnd, RECT* out)
{
    Lock lock(state().lock);
    Window* w = peek(hwnd);
    if (w && out)
    {
        *out = screen_rect(*w);
    }
    return w != nullptr;
}

bool window_rect_on_screen(HWND hwnd, RECT* out)
{
    return client_rect_on_screen(hwnd, out);
}

void visible_client_rects(HWND hwnd, std::vector<RECT>& out, bool include_children)
{
    out.clear();
    Lock lock(state().lock);
    Window* w = peek(hwnd);
    if (!w || !is_drawn(*w))
    {
        return;
    }
    RECT area = screen_rect(*w);
    RECT bounds = screen_bounds();
    for (Window* a = w; a; a = a->parent ? peek(a->parent) : nullptr)
    {
        RECT r = screen_rect(*a);
        IntersectRect(&area, &area, &r);
    }
    if (!IntersectRect(&area, &area, &bounds))
    {
        return;
    }
    out.push_back(area);
    for (HWND c : include_children ? std::vector<HWND>{} : w->children)
    {
        Window* cw = peek(c);
        if (shows(*cw))
        {
            subtract_rect(out, screen_rect(*cw));
        }
    }
    for (Window* a = w; a; a = a->parent ? peek(a->parent) : nullptr)
    {
        const auto& sib = a->parent ? peek(a->parent)->children : state().top;
        for (HWND s : sib)
        {
            if (s == a->handle)
            {
                break;
            }
            Window* sw = peek(s);
            if (shows(*sw))
            {
                subtract_rect(out, screen_rect(*sw));
            }
        }
    }
}

} // namespace os::user

using namespace os::user;

BOOL ShowWindow(HWND hwnd, int cmd)
{
    bool was_visible, top_level;
    {
        Lock lock(state().lock);
        Window* w = find_window(hwnd);
        if (!w)
        {
            return FALSE;
        }
        was_visible = w->style & WS_VISIBLE;
        top_level = !w->parent && !(w->style & WS_DISABLED);
    }
    if (cmd == SW_HIDE)
    {
        if (was_visible)
        {
            show_hide(hwnd);
        }
        return was_visible;
    }
    if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE)
    {
        if (!was_visible)
        {
            send_message(hwnd, WM_SHOWWINDOW, TRUE, 0);
        }
        show_minimized(hwnd, cmd);
        return was_visible;
    }
    SIZE size{};
    bool restore = cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWDEFAULT || cmd == SW_SHOWMAXIMIZED;
    if (show_normal(hwnd, was_visible, restore, size))
    {
        send_message(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.cx, size.cy));
    }
    if (top_level && activates(cmd) && IsWindow(hwnd))
    {
        activate(hwnd, WA_ACTIVE);
    }
    return was_visible;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW);
    return set_window_pos(hwnd, nullptr, x, y, width, height, flags);
}

BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags)
{
    return set_window_pos(hwnd, insert_after, x, y, width, height, flags);
}

BOOL BringWindowToTop(HWND hwnd)
{
    return set_window_pos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    return window_box(hwnd, rect, false);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    return window_box(hwnd, rect, true);
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    Lock lock(state().lock);
    POINT a, b;
    if (!origin_of(from, a) || !origin_of(to, b))
    {
        return 0;
    }
    int dx = a.x - b.x;
    int dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i)
    {
        points[i].x += dx;
        points[i].y += dy;
    }
    SetLastError(0);
    return MAKELONG(dx, dy);
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point)
{
    return shift_point(hwnd, point, 1);
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point)
{
    return shift_point(hwnd, point, -1);
}

HWND WindowFromPoint(POINT point)
{
    Lock lock(state().lock);
    return window_at(point);
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags)
{
    Lock lock(state().lock);
    Window* w = find_window(parent);
    if (!w)
    {
        return nullptr;
    }
    RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    if (!PtInRect(&client, point))
    {
        return nullptr;
    }
    HWND c = child_at(*w, point, flags);
    return c ? c : parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point)
{
    return ChildWindowFromPointEx(parent, point, CWP_ALL);
}
