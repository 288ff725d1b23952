// user_private.h -- the window manager's state, shared by the files of os/user
//
// One lock guards every table here. It is never held while a window
// procedure, a timer procedure or the host back end's wait runs, so a window
// procedure may call any function of the window manager.
#pragma once

#include <os/user.h>

#include "os/user/wininfo.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace os::host {
struct Event;
}

namespace os::user {

struct WindowClass
{
    std::u16string name;
    WNDCLASSW wc{}; // lpszClassName points into name
    ATOM atom = 0;
    bool system = false;
};

struct Queue;

// A message sent to a window of another thread: the sender waits for done.
struct SentMessage
{
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    LRESULT result = 0;
    bool taken = false; // the receiver has started on it
    bool done = false;
    bool wait = true; // false for SendNotifyMessageW
};

// The message queue of one thread.
struct Queue
{
    std::thread::id thread;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    WPARAM quit_code = 0;
    bool alive = true; // false once the thread has ended
    MSG last{}; // the last message taken (GetMessagePos, GetMessageTime)
};

struct Window
{
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    std::shared_ptr<Queue> queue; // the owner thread's queue
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    HWND parent = nullptr; // nullptr for a top-level window
    HWND owner = nullptr;
    std::vector<HWND> children; // z-order, the topmost first
    RECT rect{};                // relative to the parent's client area (screen for top-level)
    HINSTANCE instance = nullptr;
    LONG_PTR user_data = 0;
    LONG_PTR id = 0;
    std::u16string text;
    std::vector<uint8_t> extra;
    bool has_update = false;
    RECT update{}; // client coordinates
    bool erase = false;
    bool minimized = false;
    bool destroying = false;
    uint64_t serial = 0; // creation order
};

struct Timer
{
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT period = 0;
    TIMERPROC proc = nullptr;
    uint64_t due = 0;
    std::shared_ptr<Queue> queue;
    // Period 0: the next tick is due a millisecond after the thread next asks
    // for a message, so the handler of one tick and the next never share a
    // millisecond on any clock.
    bool zero_period = false;
    bool rearm = false;
};

struct HotKey
{
    std::shared_ptr<Queue> queue; // the registering thread (for hwnd == nullptr)
    HWND hwnd = nullptr;
    int id = 0;
    UINT modifiers = 0;
    UINT vk = 0;
};

struct State
{
    std::recursive_mutex lock;
    std::condition_variable_any changed; // posts, sends and replies
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    std::vector<HWND> top; // top-level z-order, the topmost first
    std::vector<std::shared_ptr<WindowClass>> classes;
    std::vector<Timer> timers;
    std::vector<HotKey> hotkeys;
    std::vector<HWND> raise_requests; // from other processes
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    HWND pen_window = nullptr; // implicit capture between pen down and up
    bool pen_down = false;
    POINT pen{};
    std::thread::id input_thread;
    bool input_thread_set = false;
    uintptr_t next_handle = 0x10010;
    uint64_t next_serial = 1;
    UINT_PTR next_thread_timer = 1;
    ATOM next_atom = 0xC000;
    unsigned generation = 1;
    uint8_t key_async[256] = {}; // bit 0x80 down, bit 1 pressed since last asked
    uint8_t key_sync[256] = {};  // bit 0x80 down, bit 1 toggled
};

State& state();
typedef std::unique_lock<std::recursive_mutex> Lock;

// The window behind a handle (lock held), or nullptr with
// ERROR_INVALID_WINDOW_HANDLE.
Window* find_window(HWND hwnd);
// The same as a shared pointer, taking the lock itself.
std::shared_ptr<Window> get_window(HWND hwnd);

// The calling thread's queue (created on first use).
std::shared_ptr<Queue> current_queue();
bool is_own_thread(const Window& w);

// The pseudo handle of the desktop window (the whole screen).
HWND desktop_handle();

// ---- messages (message.cpp) ----
LRESULT call_proc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT send_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
bool post_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, bool input);
// Puts a message into a queue and wakes its thread (lock held).
void queue_message(Queue& queue, const MSG& msg, bool input);
void wake_thread(const Queue& queue);
// Drops the queued messages of a destroyed window (lock held).
void purge_messages(HWND hwnd);

// ---- windows (window.cpp) ----
bool is_descendant(HWND ancestor, HWND hwnd); // lock held; true when equal too
HWND top_level_of(HWND hwnd);                 // lock held
void bump_generation();                       // lock held
// The window and its descendants, depth first, parents before children (lock held).
std::vector<HWND> subtree(HWND hwnd);

// ---- geometry (geometry.cpp) ----
POINT client_origin(const Window& w); // lock held: client origin on screen
RECT screen_rect(const Window& w);    // lock held
bool is_drawn(const Window& w);       // lock held: it and its ancestors visible, not minimized
HWND window_at(POINT screen_pt);      // lock held: the deepest visible enabled window
bool set_window_pos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
void subtract_rect(std::vector<RECT>& rects, const RECT& cut);

// ---- painting (paint.cpp) ----
void invalidate(Window& w, const RECT* client_rect, bool erase); // lock held
void invalidate_tree(HWND hwnd);                                  // lock held
void expose_screen_area(const RECT& screen_area);                 // lock held
// The parts of a screen area no top-level window covers (lock held); they
// are cleared to the desktop's black without the lock (a window gone from
// a part no other window covers leaves nothing of itself there).
std::vector<RECT> bare_desktop_parts(const RECT& screen_area);
void clear_desktop(const std::vector<RECT>& parts);
bool next_paint(const Queue& queue, HWND filter, MSG* out);        // lock held
void paint_now(HWND hwnd);

// ---- timers (timer.cpp) ----
bool next_timer(const Queue& queue, HWND filter, MSG* out, bool remove); // lock held
uint64_t next_timer_due(const Queue& queue, HWND filter);             // lock held; UINT64_MAX when none
void kill_window_timers(HWND hwnd);                                   // lock held
bool is_timer_proc(HWND hwnd, UINT_PTR id, TIMERPROC proc);           // lock held

// ---- focus and activation (focus.cpp) ----
void set_focus(HWND hwnd);
void activate(HWND hwnd, WORD how);
// Moves focus, activation and capture away from a window that is going away.
void release_window_state(HWND hwnd, bool hiding);

// ---- input (input.cpp) ----
void route_event(const os::host::Event& event);
// The control library's message box on the device screen; *shown false (and
// nothing done) when no control library is linked.
int run_device_message_box(HWND owner, const std::u16string& text, const std::u16string& caption, UINT flags,
                           bool* shown);
// Routes the host's pending input. `idle`: the thread has nothing else to
// do, so input from a script may come (see os::host::ProgramState).
void pump_host_events(bool idle);
// Tells the back end what the input thread can take now.
void tell_program_state(bool idle);
void remove_hotkeys(HWND hwnd); // lock held
void note_key_message(const MSG& msg); // lock held: GetKeyState follows taken key messages

// ---- cross-process lookup (lookup.cpp) ----
void sync_registrations();
HWND find_remote_window(const std::u16string* cls, const std::u16string* title);
bool is_proxy(HWND hwnd);
bool raise_remote(HWND proxy);
bool proxy_alive(HWND proxy);
void handle_raise_requests();

// ---- classes (class.cpp) ----
std::shared_ptr<WindowClass> find_class(LPCWSTR name);

// ---- small helpers ----
bool same_text_nocase(const std::u16string& a, const std::u16string& b);
DWORD message_time();

// True on the thread that reads host input (the first to pump messages).
bool on_input_thread();

} // namespace os::user
