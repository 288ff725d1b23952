// timer_test.cpp -- SetTimer and KillTimer on the headless virtual clock
#include "msg_log.h"

#include <os/user.h>

#include "os/host/headless.h"
#include "os/host/host.h"

#include <gtest/gtest.h>

#include <map>

using namespace msglog;

namespace {

DWORD now()
{
    return (DWORD)os::host::backend().now_ms();
}

// Runs a GetMessageW loop until the first message stamped after `until`;
// answers the WM_TIMER count per timer id.
std::map<WPARAM, int> run_until(DWORD until)
{
    std::map<WPARAM, int> counts;
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0)
    {
        if ((int32_t)(m.time - until) > 0)
        {
            break;
        }
        if (m.message == WM_TIMER)
        {
            ++counts[m.wParam];
        }
        dispatch(m);
    }
    return counts;
}

int timers_waiting()
{
    int n = 0;
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
    {
        ++n;
    }
    return n;
}

std::vector<std::pair<HWND, UINT_PTR>> g_proc_calls;

void CALLBACK timer_proc(HWND hwnd, UINT msg, UINT_PTR id, DWORD)
{
    EXPECT_EQ(msg, (UINT)WM_TIMER);
    g_proc_calls.emplace_back(hwnd, id);
}

} // namespace

TEST(SetTimer, TwoPeriodsExactCounts)
{
    HWND hwnd = make_top(WS_POPUP);
    DWORD start = now();
    EXPECT_EQ(SetTimer(hwnd, 1, 100, nullptr), 1u);
    EXPECT_EQ(SetTimer(hwnd, 2, 250, nullptr), 2u);
    auto counts = run_until(start + 1000);
    EXPECT_EQ(counts[1], 10) << "100 ms timer over 1000 ms";
    EXPECT_EQ(counts[2], 4) << "250 ms timer over 1000 ms";
    DestroyWindow(hwnd);
}

TEST(SetTimer, PeriodZeroTicksOncePerMillisecond)
{
    HWND hwnd = make_top(WS_POPUP);
    DWORD start = now();
    SetTimer(hwnd, 65535, 0, nullptr);
    auto counts = run_until(start + 10);
    EXPECT_EQ(counts[65535], 10);
    DestroyWindow(hwnd);
}

TEST(SetTimer, ResetReplacesTheTimer)
{
    HWND hwnd = make_top(WS_POPUP);
    SetTimer(hwnd, 1, 100, nullptr);
    os::host::headless::advance(90);
    EXPECT_EQ(SetTimer(hwnd, 1, 100, nullptr), 1u);
    os::host::headless::advance(20);
    EXPECT_EQ(timers_waiting(), 0) << "the second SetTimer restarts the period";
    os::host::headless::advance(80);
    EXPECT_EQ(timers_waiting(), 1);
    DestroyWindow(hwnd);
}

TEST(SetTimer, MissedTicksCoalesce)
{
    HWND hwnd = make_top(WS_POPUP);
    SetTimer(hwnd, 1, 100, nullptr);
    os::host::headless::advance(1000);
    EXPECT_EQ(timers_waiting(), 1);
    os::host::headless::advance(99);
    EXPECT_EQ(timers_waiting(), 0);
    os::host::headless::advance(1);
    EXPECT_EQ(timers_waiting(), 1);
    DestroyWindow(hwnd);
}

TEST(SetTimer, PostedMessagesComeFirst)
{
    HWND hwnd = make_top(WS_POPUP);
    SetTimer(hwnd, 1, 10, nullptr);
    os::host::headless::advance(10);
    PostMessageW(hwnd, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_TIMER);
    EXPECT_EQ(m.hwnd, hwnd);
    DestroyWindow(hwnd);
}

TEST(KillTimer, StopsTicksAndReportsUnknownTimers)
{
    HWND hwnd = make_top(WS_POPUP);
    SetTimer(hwnd, 1, 100, nullptr);
    os::host::headless::advance(100);
    EXPECT_TRUE(KillTimer(hwnd, 1));
    EXPECT_EQ(timers_waiting(), 0) << "a killed timer generates nothing, even when due";
    os::host::headless::advance(1000);
    EXPECT_EQ(timers_waiting(), 0);
    EXPECT_FALSE(KillTimer(hwnd, 1));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(KillTimer((HWND)(uintptr_t)0x5555, 1));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetTimer((HWND)(uintptr_t)0x5555, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(hwnd);
}

TEST(SetTimer, TimerProcIsCalledByDispatch)
{
    HWND hwnd = make_top(WS_POPUP);
    pump();
    g_proc_calls.clear();
    clear();
    SetTimer(hwnd, 9, 50, timer_proc);
    UINT_PTR thread_timer = SetTimer(nullptr, 0, 50, timer_proc);
    EXPECT_NE(thread_timer, 0u);
    os::host::headless::advance(50);
    pump();
    ASSERT_EQ(g_proc_calls.size(), 2u);
    EXPECT_EQ(g_proc_calls[0], std::make_pair(hwnd, (UINT_PTR)9));
    EXPECT_EQ(g_proc_calls[1], std::make_pair((HWND) nullptr, thread_timer));
    keep_only({WM_TIMER});
    EXPECT_TRUE(sequence_is({}, "the window procedure gets no WM_TIMER when a TIMERPROC is given"));
    EXPECT_TRUE(KillTimer(nullptr, thread_timer));
    DestroyWindow(hwnd);
}

TEST(SetTimer, DestroyWindowKillsItsTimers)
{
    HWND hwnd = make_top(WS_POPUP);
    SetTimer(hwnd, 1, 10, nullptr);
    DestroyWindow(hwnd);
    os::host::headless::advance(100);
    EXPECT_EQ(timers_waiting(), 0);
}
