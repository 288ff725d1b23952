// paint.cpp -- update regions and WM_PAINT
//
// Each window keeps the bounding rectangle of its invalid area (client
// coordinates) and whether the background must be erased first. WM_PAINT is
// generated for a visible window with an update region whenever its thread
// asks for a message and no other message is waiting; BeginPaint validates.
#include "os/user/user_private.h"

#include "os/host/host.h"

#include <os/gdi.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace os::user {

namespace {

RECT client_box(const Window& w)
{
    return RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
}

// Lock held: the windows of a thread in tree order, parents first.
bool find_paint(HWND hwnd, const Queue& queue, HWND filter, MSG* out)
{
    Window& w = *state().windows[hwnd];
    if (!(w.style & WS_VISIBLE) || w.minimized)
    {
        return false;
    }
    if (w.has_update && w.queue.get() == &queue && (!filter || filter == hwnd || is_descendant(filter, hwnd)))
    {
        *out = MSG{hwnd, WM_PAINT, 0, 0, message_time(), state().pen};
        return true;
    }
    for (HWND c : w.children)
    {
        if (find_paint(c, queue, filter, out))
        {
            return true;
        }
    }
    return false;
}

// Lock held: remove a rectangle from the update region. The region is one
// rectangle, so only a cut that leaves a rectangle shrinks it.
void validate(Window& w, const RECT* rect)
{
    if (!w.has_update)
    {
        return;
    }
    RECT cut = rect ? *rect : client_box(w);
    RECT box;
    if (SubtractRect(&box, &w.update, &cut))
    {
        w.update = box;
        return;
    }
    w.has_update = false;
    w.erase = false;
    SetRectEmpty(&w.update);
}

void update_tree(HWND hwnd)
{
    std::vector<HWND> nodes;
    {
        Lock lock(state().lock);
        if (!find_window(hwnd))
        {
            return;
        }
        nodes = subtree(hwnd);
    }
    for (HWND h : nodes)
    {
        paint_now(h);
    }
}

} // namespace

void invalidate(Window& w, const RECT* client_rect, bool erase)
{
    RECT box = client_box(w);
    RECT area = box;
    if (client_rect && !IntersectRect(&area, client_rect, &box))
    {
        return;
    }
    if (IsRectEmpty(&area))
    {
        return;
    }
    if (w.has_update)
    {
        UnionRect(&w.update, &w.update, &area);
    }
    else
    {
        w.update = area;
    }
    w.has_update = true;
    w.erase = w.erase || erase;
    wake_thread(*w.queue);
}

void invalidate_tree(HWND hwnd)
{
    for (HWND h : subtree(hwnd))
    {
        invalidate(*state().windows[h], nullptr, true);
    }
}

void expose_screen_area(const RECT& area)
{
    for (auto& [h, w] : state().windows)
    {
        if (w->destroying || !is_drawn(*w))
        {
            continue;
        }
        RECT on_screen = screen_rect(*w);
        RECT hit;
        if (IntersectRect(&hit, &on_screen, &area))
        {
            OffsetRect(&hit, -on_screen.left, -on_screen.top);
            invalidate(*w, &hit, true);
        }
    }
}

std::vector<RECT> bare_desktop_parts(const RECT& area)
{
    std::vector<RECT> bare{area};
    for (HWND h : state().top)
    {
        Window* w = find_window(h);
        if (w && !w->destroying && is_drawn(*w))
        {
            subtract_rect(bare, screen_rect(*w));
        }
    }
    return bare;
}

void clear_desktop(const std::vector<RECT>& parts)
{
    os::host::Screen& screen = os::host::screen();
    for (RECT r : parts)
    {
        {
            std::lock_guard<std::recursive_mutex> hold(screen.lock);
            r.left = std::max<LONG>(r.left, 0);
            r.top = std::max<LONG>(r.top, 0);
            r.right = std::min<LONG>(r.right, screen.width);
            r.bottom = std::min<LONG>(r.bottom, screen.height);
            if (r.right <= r.left || r.bottom <= r.top || !screen.pixels)
            {
                continue;
            }
            const int bytes = screen.bpp / 8;
            for (LONG y = r.top; y < r.bottom; y++)
            {
                std::memset(screen.pixels + y * screen.pitch + r.left * bytes, 0, size_t(r.right - r.left) * bytes);
            }
        }
        os::host::backend().present(&r);
    }
}

bool next_paint(const Queue& queue, HWND filter, MSG* out)
{
    for (HWND h : state().top)
    {
        if (find_paint(h, queue, filter, out))
        {
            return true;
        }
    }
    return false;
}

void paint_now(HWND hwnd)
{
    {
        Lock lock(state().lock);
        Window* w = find_window(hwnd);
        if (!w || !w->has_update || !is_drawn(*w))
        {
            return;
        }
    }
    send_message(hwnd, WM_PAINT, 0, 0);
}

bool take_update_region(HWND hwnd, RECT* client_rect, bool* erase)
{
    Lock lock(state().lock);
    auto it = state().windows.find(hwnd);
    if (it == state().windows.end() || !it->second->has_update)
    {
        if (client_rect)
        {
            SetRectEmpty(client_rect);
        }
        if (erase)
        {
            *erase = false;
        }
        return false;
    }
    Window& w = *it->second;
    if (client_rect)
    {
        *client_rect = w.update;
    }
    if (erase)
    {
        *erase = w.erase;
    }
    w.has_update = false;
    w.erase = false;
    SetRectEmpty(&w.update);
    return true;
}

} // namespace os::user

using namespace os::user;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase)
{
    Lock lock(state().lock);
    if (!hwnd)
    {
        for (HWND h : state().top)
        {
            invalidate_tree(h);
        }
        return TRUE;
    }
    Window* w = find_window(hwnd);
    if (!w)
    {
        return FALSE;
    }
    invalidate(*w, rect, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect)
{
    Lock lock(state().lock);
    if (!hwnd)
    {
        for (auto& [h, w] : state().windows)
        {
            validate(*w, nullptr);
        }
        return TRUE;
    }
    Window* w = find_window(hwnd);
    if (!w)
    {
        return FALSE;
    }
    validate(*w, rect);
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return FALSE;
    }
    if (rect)
    {
        *rect = w->has_update ? w->update : RECT{};
    }
    return w->has_update;
}

BOOL UpdateWindow(HWND hwnd)
{
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    update_tree(hwnd);
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags)
{
    if (hwnd && !IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (flags & RDW_INVALIDATE)
    {
        InvalidateRect(hwnd, rect, (flags & RDW_ERASE) != 0);
    }
    if (flags & RDW_VALIDATE)
    {
        ValidateRect(hwnd, rect);
    }
    if ((flags & (RDW_UPDATENOW | RDW_ERASENOW)) && hwnd)
    {
        update_tree(hwnd);
    }
    return TRUE;
}
