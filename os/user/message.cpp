// message.cpp -- sending, posting and taking messages
//
// Each thread has its own queue. A message is taken in this order: messages
// sent from other threads (their procedures run inside GetMessageW and
// PeekMessageW), posted messages, the quit request, input, WM_PAINT for a
// window with an update region, then due timers. WM_PAINT and WM_TIMER are
// generated when asked for and never queued.
//
// Host input is pumped by one thread, the input thread: the thread of the
// first top-level window (before any window exists, the first thread that
// asks for a message). It blocks in the back end's wait, which a post from
// any thread interrupts; other threads block on a condition variable.
//
// A notice the kernel left for the user (a damaged registry set aside) is
// shown in a message box by the input thread once a top-level window of the
// program has been visible: by then the program has set up its screen (a box
// shown earlier could make the screen before it did). Left before that, it
// waits for the first message asked for after it; left later, it is shown
// as soon as the registry call that left it returns.
#include "os/user/user_private.h"

#include "os/host/host.h"
#include "os/kernel/registry_store.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace os::user {

namespace {

thread_local int t_in_send = 0;

bool in_range(UINT message, UINT lo, UINT hi)
{
    return (lo == 0 && hi == 0) || (message >= lo && message <= hi);
}

// Lock held.
bool matches(const MSG& m, HWND filter, UINT lo, UINT hi)
{
    if (!in_range(m.message, lo, hi))
    {
        return false;
    }
    if (filter == (HWND)-1)
    {
        return m.hwnd == nullptr;
    }
    return !filter || (m.hwnd && is_descendant(filter, m.hwnd));
}

// Lock held.
bool take_from(std::deque<MSG>& queue, MSG* out, HWND filter, UINT lo, UINT hi, bool remove)
{
    for (auto it = queue.begin(); it != queue.end(); ++it)
    {
        if (matches(*it, filter, lo, hi))
        {
            *out = *it;
            if (remove)
            {
                queue.erase(it);
            }
            return true;
        }
    }
    return false;
}

bool is_input_thread()
{
    auto& s = state();
    Lock lock(s.lock);
    if (!s.input_thread_set)
    {
        s.input_thread = std::this_thread::get_id();
        s.input_thread_set = true;
    }
    return s.input_thread == std::this_thread::get_id();
}

// Runs the procedures of messages other threads sent to this thread.
void process_sent()
{
    auto q = current_queue();
    auto& s = state();
    for (;;)
    {
        std::shared_ptr<SentMessage> sm;
        WNDPROC proc = nullptr;
        bool alive;
        {
            Lock lock(s.lock);
            if (q->sent.empty())
            {
                return;
            }
            sm = q->sent.front();
            q->sent.pop_front();
            sm->taken = true;
            auto it = s.windows.find(sm->hwnd);
            alive = it != s.windows.end();
            proc = alive ? it->second->proc : nullptr;
        }
        ++t_in_send;
        LRESULT r = alive ? call_proc(proc, sm->hwnd, sm->message, sm->wparam, sm->lparam) : 0;
        --t_in_send;
        Lock lock(s.lock);
        sm->result = r;
        sm->done = true;
        s.changed.notify_all();
    }
}

LRESULT send_to_thread(const std::shared_ptr<Queue>& target, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                       bool wait)
{
    auto sm = std::make_shared<SentMessage>();
    sm->hwnd = hwnd;
    sm->message = msg;
    sm->wparam = wparam;
    sm->lparam = lparam;
    sm->wait = wait;
    auto& s = state();
    auto own = current_queue();
    Lock lock(s.lock);
    target->sent.push_back(sm);
    wake_thread(*target);
    while (wait && !sm->done)
    {
        if (!own->sent.empty())
        {
            lock.unlock();
            process_sent(); // the receiver may be sending back to us
            lock.lock();
            continue;
        }
        if (!sm->taken && (!s.windows.count(hwnd) || !target->alive))
        {
            std::erase(target->sent, sm); // the window or its thread went away first
            break;
        }
        s.changed.wait_for(lock, std::chrono::milliseconds(20));
    }
    return sm->result;
}

bool any_work(const Queue& q)
{
    return !q.posted.empty() || !q.sent.empty() || !q.input.empty() || q.quit || !state().raise_requests.empty();
}

// Takes the next waiting message for this thread, or answers false.
bool take_waiting(MSG* out, HWND filter, UINT lo, UINT hi, bool remove)
{
    auto q = current_queue();
    Lock lock(state().lock);
    bool got = take_from(q->posted, out, filter, lo, hi, remove);
    if (!got && q->quit && in_range(WM_QUIT, lo, hi))
    {
        *out = MSG{nullptr, WM_QUIT, q->quit_code, 0, message_time(), state().pen};
        q->quit = q->quit && !remove;
        got = true;
    }
    if (!got && take_from(q->input, out, filter, lo, hi, remove))
    {
        got = true;
        if (remove)
        {
            note_key_message(*out);
        }
    }
    got = got || (in_range(WM_PAINT, lo, hi) && next_paint(*q, filter, out));
    got = got || (in_range(WM_TIMER, lo, hi) && next_timer(*q, filter, out, remove));
    if (got)
    {
        q->last = *out;
    }
    return got;
}

std::atomic<bool> g_window_shown{false};

// Whether a top-level window has been visible (looked for until one has).
bool window_shown()
{
    if (g_window_shown.load())
    {
        return true;
    }
    Lock lock(state().lock);
    auto& s = state();
    bool shown = std::any_of(s.top.begin(), s.top.end(),
                             [&](HWND h) { return (s.windows[h]->style & WS_VISIBLE) != 0; });
    if (shown)
    {
        g_window_shown = true;
    }
    return shown;
}

void show_kernel_notice()
{
    if (std::optional<os::registry::Notice> notice = os::registry::take_notice())
    {
        MessageBoxW(GetActiveWindow(), notice->text.c_str(), notice->caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}

// The registry's hook: a notice left on the input thread after the program
// has shown a window is shown at once.
void show_kernel_notice_now()
{
    bool input_thread;
    {
        Lock lock(state().lock);
        input_thread = state().input_thread_set && state().input_thread == std::this_thread::get_id();
    }
    if (input_thread && g_window_shown.load())
    {
        show_kernel_notice();
    }
}

[[maybe_unused]] const bool g_notice_hooked = (os::registry::set_notice_hook(show_kernel_notice_now), true);

// Takes the next message for this thread, or answers false. Host input is
// pumped first; a script's input only once the thread has dealt with all
// that was waiting, so that a script never runs ahead of the program.
bool fetch(MSG* out, HWND filter, UINT lo, UINT hi, bool remove)
{
    process_sent();
    handle_raise_requests();
    bool input_thread = is_input_thread();
    if (input_thread)
    {
        if (window_shown() && os::registry::notice_waiting())
        {
            show_kernel_notice();
        }
        pump_host_events(false);
    }
    if (take_waiting(out, filter, lo, hi, remove))
    {
        return true;
    }
    if (!input_thread)
    {
        return false;
    }
    pump_host_events(true);
    return take_waiting(out, filter, lo, hi, remove);
}

// Blocks until something may have arrived for this thread or a timer is due.
void wait_for_work(HWND filter)
{
    auto& s = state();
    auto q = current_queue();
    auto& backend = os::host::backend();
    uint64_t due;
    {
        Lock lock(s.lock);
        due = next_timer_due(*q, filter);
    }
    uint64_t now = backend.now_ms();
    uint32_t timeout = due == UINT64_MAX ? INFINITE : (uint32_t)std::min<uint64_t>(due > now ? due - now : 0, 0x7fffffff);
    if (is_input_thread())
    {
        os::host::Event ev;
        tell_program_state(true);
        if (backend.wait_event(ev, timeout))
        {
            route_event(ev);
        }
        return;
    }
    Lock lock(s.lock);
    if (!any_work(*q))
    {
        s.changed.wait_for(lock, std::chrono::milliseconds(std::min<uint32_t>(timeout, 50)));
    }
}

MSG make_msg(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return MSG{hwnd, msg, wparam, lparam, message_time(), state().pen};
}

bool check_filter_window(HWND hwnd)
{
    return !hwnd || hwnd == (HWND)-1 || is_window(hwnd);
}

} // namespace

// True on the thread that reads host input (the first to pump messages).
bool on_input_thread()
{
    return is_input_thread();
}

DWORD message_time()
{
    return (DWORD)os::host::backend().now_ms();
}

LRESULT call_proc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return proc ? proc(hwnd, msg, wparam, lparam) : DefWindowProcW(hwnd, msg, wparam, lparam);
}

LRESULT send_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    WNDPROC proc;
    std::shared_ptr<Queue> queue;
    {
        Lock lock(state().lock);
        Window* w = find_window(hwnd);
        if (!w)
        {
            return 0;
        }
        proc = w->proc;
        queue = w->queue;
    }
    if (queue->thread == std::this_thread::get_id())
    {
        return call_proc(proc, hwnd, msg, wparam, lparam);
    }
    return send_to_thread(queue, hwnd, msg, wparam, lparam, true);
}

void wake_thread(const Queue& queue)
{
    auto& s = state();
    s.changed.notify_all();
    if (s.input_thread_set && queue.thread == s.input_thread && queue.thread != std::this_thread::get_id())
    {
        os::host::backend().wake();
    }
}

void queue_message(Queue& queue, const MSG& msg, bool input)
{
    (input ? queue.input : queue.posted).push_back(msg);
    wake_thread(queue);
}

bool post_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, bool input)
{
    Lock lock(state().lock);
    Window* w = find_window(hwnd);
    if (!w)
    {
        return false;
    }
    queue_message(*w->queue, make_msg(hwnd, msg, wparam, lparam), input);
    return true;
}

void purge_messages(HWND hwnd)
{
    auto it = state().windows.find(hwnd);
    if (it == state().windows.end())
    {
        return;
    }
    Queue& q = *it->second->queue;
    auto same = [hwnd](const MSG& m) { return m.hwnd == hwnd; };
    std::erase_if(q.posted, same);
    std::erase_if(q.input, same);
}

} // namespace os::user

using namespace os::user;

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return proc ? proc(hwnd, msg, wparam, lparam) : 0;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (hwnd == HWND_BROADCAST)
    {
        std::vector<HWND> top;
        {
            Lock lock(state().lock);
            top = state().top;
        }
        for (HWND h : top)
        {
            send_message(h, msg, wparam, lparam);
        }
        return 0;
    }
    return send_message(hwnd, msg, wparam, lparam);
}

BOOL SendNotifyMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto w = get_window(hwnd);
    if (!w)
    {
        return FALSE;
    }
    if (is_own_thread(*w))
    {
        send_message(hwnd, msg, wparam, lparam);
        return TRUE;
    }
    send_to_thread(w->queue, hwnd, msg, wparam, lparam, false);
    return TRUE;
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (!hwnd)
    {
        Lock lock(state().lock);
        queue_message(*current_queue(), make_msg(nullptr, msg, wparam, lparam), false);
        return TRUE;
    }
    if (hwnd == HWND_BROADCAST)
    {
        Lock lock(state().lock);
        for (HWND h : state().top)
        {
            post_message(h, msg, wparam, lparam, false);
        }
        return TRUE;
    }
    return post_message(hwnd, msg, wparam, lparam, false);
}

void PostQuitMessage(int exit_code)
{
    auto q = current_queue();
    Lock lock(state().lock);
    q->quit = true;
    q->quit_code = (WPARAM)(INT_PTR)exit_code;
    wake_thread(*q);
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filter_min, UINT filter_max)
{
    if (!msg)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!check_filter_window(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    MSG taken;
    while (!fetch(&taken, hwnd, filter_min, filter_max, true))
    {
        if (!check_filter_window(hwnd))
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE); // the window went away while waiting
            return -1;
        }
        wait_for_work(hwnd);
    }
    *msg = taken;
    return taken.message != WM_QUIT;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove)
{
    if (!msg)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MSG taken;
    if (!check_filter_window(hwnd) || !fetch(&taken, hwnd, filter_min, filter_max, remove & PM_REMOVE))
    {
        return FALSE;
    }
    *msg = taken;
    return TRUE;
}

BOOL WaitMessage()
{
    MSG m;
    if (!fetch(&m, nullptr, 0, 0, false))
    {
        wait_for_work(nullptr);
    }
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_KEYUP && msg->message != WM_SYSKEYDOWN &&
                 msg->message != WM_SYSKEYUP))
    {
        return FALSE;
    }
    WCHAR ch = 0;
    switch (msg->wParam)
    {
    case VK_RETURN: ch = u'\r'; break;
    case VK_BACK: ch = 8; break;
    case VK_ESCAPE: ch = 27; break;
    case VK_TAB: ch = u'\t'; break;
    }
    if (msg->message == WM_KEYDOWN && ch && msg->hwnd)
    {
        post_message(msg->hwnd, WM_CHAR, ch, msg->lParam, false);
    }
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg)
{
    if (!msg)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam)
    {
        TIMERPROC proc = (TIMERPROC)msg->lParam;
        bool ok;
        {
            Lock lock(state().lock);
            ok = is_timer_proc(msg->hwnd, msg->wParam, proc);
        }
        if (ok)
        {
            proc(msg->hwnd, WM_TIMER, msg->wParam, message_time());
            return 0;
        }
    }
    if (!msg->hwnd)
    {
        return 0;
    }
    return send_message(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD GetMessagePos()
{
    auto q = current_queue();
    Lock lock(state().lock);
    return (DWORD)MAKELONG(q->last.pt.x, q->last.pt.y);
}

LONG GetMessageTime()
{
    auto q = current_queue();
    Lock lock(state().lock);
    return (LONG)q->last.time;
}

BOOL InSendMessage()
{
    return t_in_send > 0;
}
