// msg_log.h -- recording the messages test windows receive
//
// Test windows of the class "MsgLog" record every message their procedure
// receives: the window, the message, its parameters and whether it came
// through DispatchMessageW (posted) or straight from the caller (sent).
// sequence_is() compares the record with a table of expected messages and
// prints both lists when they differ.
#pragma once

#include <os/gdi.h>
#include <os/user.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace msglog {

enum Flags : unsigned
{
    sent = 1,
    posted = 2,
    wparam = 4,   // compare wParam
    lparam = 8,   // compare lParam
    optional = 16 // may be missing
};

struct Expect
{
    HWND hwnd; // nullptr: any window
    UINT msg;
    unsigned flags;
    WPARAM wp = 0;
    LPARAM lp = 0;
};

struct Got
{
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    bool posted;
};

inline std::vector<Got>& log()
{
    static std::vector<Got> entries;
    return entries;
}

inline void clear()
{
    log().clear();
}

inline const MSG*& dispatching()
{
    static const MSG* current = nullptr;
    return current;
}

// Answers for particular messages (by window and message) instead of DefWindowProcW.
inline std::map<std::pair<HWND, UINT>, LRESULT>& answers()
{
    static std::map<std::pair<HWND, UINT>, LRESULT> table;
    return table;
}

inline LRESULT& create_answer()
{
    static LRESULT answer = 0;
    return answer;
}

inline LRESULT CALLBACK recording_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    const MSG* d = dispatching();
    bool is_posted = d && d->hwnd == hwnd && d->message == msg && d->wParam == wp && d->lParam == lp;
    if (is_posted)
    {
        dispatching() = nullptr; // only the dispatched call itself counts
    }
    log().push_back(Got{hwnd, msg, wp, lp, is_posted});
    if (msg == WM_CREATE)
    {
        return create_answer();
    }
    auto it = answers().find({hwnd, msg});
    if (it != answers().end())
    {
        return it->second;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

inline LRESULT dispatch(const MSG& m)
{
    dispatching() = &m;
    LRESULT r = DispatchMessageW(&m);
    dispatching() = nullptr;
    return r;
}

// Dispatches every waiting message (WM_PAINT and timers included).
inline int pump(int limit = 1000)
{
    MSG m;
    int n = 0;
    while (n < limit && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
    {
        dispatch(m);
        ++n;
    }
    return n;
}

inline const char* class_name_a()
{
    return "MsgLog";
}

inline LPCWSTR class_name()
{
    return u"MsgLog";
}

// Registers a class (once; later calls do nothing).
inline void register_class_with(LPCWSTR name, WNDPROC proc, HBRUSH background = nullptr, int extra = 0)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    wc.cbWndExtra = extra;
    RegisterClassW(&wc);
}

inline void register_class()
{
    register_class_with(class_name(), recording_proc, nullptr, 16);
}

inline HWND make_top(DWORD style = WS_POPUP | WS_VISIBLE, RECT r = {0, 0, 240, 320}, LPCWSTR title = u"top")
{
    register_class();
    return CreateWindowExW(0, class_name(), title, style, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                           nullptr, nullptr, nullptr);
}

inline HWND make_child(HWND parent, int id, RECT r, DWORD style = WS_CHILD | WS_VISIBLE)
{
    register_class();
    return CreateWindowExW(0, class_name(), u"child", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                           (HMENU)(INT_PTR)id, nullptr, nullptr);
}

inline std::string message_name(UINT msg)
{
    static const std::map<UINT, const char*> names = {
        {WM_CREATE, "WM_CREATE"},       {WM_DESTROY, "WM_DESTROY"},       {WM_MOVE, "WM_MOVE"},
        {WM_SIZE, "WM_SIZE"},           {WM_ACTIVATE, "WM_ACTIVATE"},     {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_KILLFOCUS, "WM_KILLFOCUS"}, {WM_ENABLE, "WM_ENABLE"},         {WM_SETTEXT, "WM_SETTEXT"},
        {WM_GETTEXT, "WM_GETTEXT"},     {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"}, {WM_PAINT, "WM_PAINT"},
        {WM_CLOSE, "WM_CLOSE"},         {WM_QUIT, "WM_QUIT"},             {WM_ERASEBKGND, "WM_ERASEBKGND"},
        {WM_SHOWWINDOW, "WM_SHOWWINDOW"}, {WM_NCCREATE, "WM_NCCREATE"},   {WM_NCDESTROY, "WM_NCDESTROY"},
        {WM_KEYDOWN, "WM_KEYDOWN"},     {WM_KEYUP, "WM_KEYUP"},           {WM_CHAR, "WM_CHAR"},
        {WM_TIMER, "WM_TIMER"},         {WM_MOUSEMOVE, "WM_MOUSEMOVE"},   {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_LBUTTONUP, "WM_LBUTTONUP"}, {WM_HOTKEY, "WM_HOTKEY"},         {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
        {WM_COMMAND, "WM_COMMAND"},     {WM_USER, "WM_USER"},
    };
    auto it = names.find(msg);
    std::ostringstream s;
    if (it != names.end())
    {
        s << it->second;
    }
    else
    {
        s << "0x" << std::hex << msg;
    }
    return s.str();
}

inline std::string describe(const std::vector<Got>& got)
{
    std::ostringstream s;
    for (const Got& g : got)
    {
        s << "  " << g.hwnd << " " << message_name(g.msg) << (g.posted ? " posted" : " sent") << " wp=0x" << std::hex
          << g.wp << " lp=0x" << g.lp << std::dec << "\n";
    }
    return s.str();
}

inline std::string describe(const std::vector<Expect>& want)
{
    std::ostringstream s;
    for (const Expect& e : want)
    {
        s << "  " << (e.hwnd ? e.hwnd : (HWND)0) << " " << message_name(e.msg)
          << ((e.flags & posted) ? " posted" : " sent");
        if (e.flags & wparam)
        {
            s << " wp=0x" << std::hex << e.wp << std::dec;
        }
        if (e.flags & lparam)
        {
            s << " lp=0x" << std::hex << e.lp << std::dec;
        }
        s << ((e.flags & optional) ? " (optional)" : "") << "\n";
    }
    return s.str();
}

inline bool same(const Expect& e, const Got& g)
{
    return (!e.hwnd || e.hwnd == g.hwnd) && e.msg == g.msg && ((e.flags & posted) != 0) == g.posted &&
           (!(e.flags & wparam) || e.wp == g.wp) && (!(e.flags & lparam) || e.lp == g.lp);
}

// Compares the recorded messages with the table, then clears the record.
inline ::testing::AssertionResult sequence_is(const std::vector<Expect>& want, const char* context)
{
    std::vector<Got> got = log();
    clear();
    size_t i = 0;
    size_t j = 0;
    while (i < want.size() && j < got.size())
    {
        if (same(want[i], got[j]))
        {
            ++i;
            ++j;
        }
        else if (want[i].flags & optional)
        {
            ++i;
        }
        else
        {
            break;
        }
    }
    while (i < want.size() && (want[i].flags & optional))
    {
        ++i;
    }
    if (i == want.size() && j == got.size())
    {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << context << ": message sequence differs at expected entry " << i
                                         << ", got entry " << j << "\nexpected:\n"
                                         << describe(want) << "got:\n"
                                         << describe(got);
}

// Only the messages of the given kinds, in order (other messages are dropped).
inline void keep_only(std::initializer_list<UINT> kinds)
{
    std::vector<Got> kept;
    for (const Got& g : log())
    {
        for (UINT k : kinds)
        {
            if (g.msg == k)
            {
                kept.push_back(g);
                break;
            }
        }
    }
    log() = kept;
}

} // namespace msglog
