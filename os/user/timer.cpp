// timer.cpp -- SetTimer and KillTimer
//
// A timer belongs to the thread that owns its window (or that set it, for a
// thread timer with no window). WM_TIMER is generated when the thread asks
// for a message and nothing else is waiting; ticks missed while the thread
// was busy coalesce into one. A period of 0 ticks at most once a millisecond
// and paces itself: its next tick is due one millisecond after the thread
// next asks for a message, that is after the handler of the last tick ran.
#include "os/user/user_private.h"

#include "os/host/host.h"

#include <algorithm>

namespace os::user {

namespace {

uint64_t now()
{
    return os::host::backend().now_ms();
}

UINT effective_period(UINT elapse)
{
    return std::clamp<UINT>(elapse, 1, 0x7fffffff);
}

// Lock held.
bool timer_matches(const Timer& t, const Queue& queue, HWND filter)
{
    if (t.queue.get() != &queue)
    {
        return false;
    }
    if (filter == (HWND)-1)
    {
        return t.hwnd == nullptr;
    }
    return !filter || (t.hwnd && is_descendant(filter, t.hwnd));
}

} // namespace

bool next_timer(const Queue& queue, HWND filter, MSG* out, bool remove)
{
    uint64_t t_now = now();
    for (auto& t : state().timers)
    {
        if (t.rearm && t.queue.get() == &queue)
        {
            t.rearm = false;
            t.due = t_now + 1;
        }
        if (!timer_matches(t, queue, filter) || t.due > t_now)
        {
            continue;
        }
        *out = MSG{t.hwnd, WM_TIMER, t.id, (LPARAM)t.proc, (DWORD)t_now, state().pen};
        if (remove && t.zero_period)
        {
            t.rearm = true;
        }
        else if (remove)
        {
            t.due += t.period;
            if (t.due <= t_now)
            {
                t.due = t_now + t.period;
            }
        }
        return true;
    }
    return false;
}

uint64_t next_timer_due(const Queue& queue, HWND filter)
{
    uint64_t due = UINT64_MAX;
    for (auto& t : state().timers)
    {
        if (timer_matches(t, queue, filter))
        {
            due = std::min(due, t.rearm ? now() + 1 : t.due);
        }
    }
    return due;
}

void kill_window_timers(HWND hwnd)
{
    std::erase_if(state().timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

bool is_timer_proc(HWND hwnd, UINT_PTR id, TIMERPROC proc)
{
    for (auto& t : state().timers)
    {
        if (t.hwnd == hwnd && t.id == id && t.proc == proc)
        {
            return true;
        }
    }
    return false;
}

} // namespace os::user

using namespace os::user;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc)
{
    auto& s = state();
    Lock lock(s.lock);
    std::shared_ptr<Queue> queue;
    if (hwnd)
    {
        Window* w = find_window(hwnd);
        if (!w)
        {
            return 0;
        }
        queue = w->queue;
    }
    else
    {
        queue = current_queue();
        id = s.next_thread_timer++;
    }
    Timer t{hwnd, id, effective_period(elapse_ms), proc, now() + effective_period(elapse_ms), queue, elapse_ms == 0};
    auto it = std::find_if(s.timers.begin(), s.timers.end(),
                           [&](const Timer& o) { return o.hwnd == hwnd && o.id == id && (hwnd || o.queue == queue); });
    if (it != s.timers.end())
    {
        *it = t;
    }
    else
    {
        s.timers.push_back(t);
    }
    wake_thread(*queue);
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    auto& s = state();
    Lock lock(s.lock);
    if (hwnd && !find_window(hwnd))
    {
        return FALSE;
    }
    auto q = current_queue();
    auto n = std::erase_if(s.timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id && (hwnd || t.queue == q); });
    if (!n)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
