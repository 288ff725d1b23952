// frame_timer_test.cpp -- a period-0 window timer as a frame clock: it comes
// after every other kind of message and never twice in one millisecond of
// the thread's own time, however long each tick's handler takes
#include "msg_log.h"

#include <os/sync.h>
#include <os/sysinfo.h>
#include <os/user.h>

#include "os/host/headless.h"
#include "os/host/host.h"

#include <gtest/gtest.h>

#include <vector>

using namespace msglog;

namespace {

constexpr UINT_PTR kFrameTimer = 65535;

} // namespace

TEST(FrameTimer, HandlerTimeNeverLeavesAZeroStep)
{
    HWND hwnd = make_top(WS_POPUP);
    SetTimer(hwnd, kFrameTimer, 0, nullptr);
    // A frame reads the clock a little after the tick was taken from the
    // queue (every other frame crosses a millisecond on the way) and then
    // works 0 to 2 ms: the next frame must read a later millisecond.
    std::vector<DWORD> starts;
    MSG m;
    for (int frame = 0; frame < 12 && GetMessageW(&m, nullptr, 0, 0) > 0;)
    {
        if (m.message != WM_TIMER)
        {
            dispatch(m);
            continue;
        }
        Sleep(DWORD(frame % 2));
        starts.push_back(GetTickCount());
        Sleep(DWORD(frame % 3));
        ++frame;
    }
    ASSERT_EQ(starts.size(), 12u);
    for (size_t i = 1; i < starts.size(); ++i)
    {
        EXPECT_GT(starts[i], starts[i - 1]) << "frame " << i;
    }
    KillTimer(hwnd, kFrameTimer);
    DestroyWindow(hwnd);
}

TEST(FrameTimer, PostedInputAndPaintComeBeforeTheTick)
{
    HWND hwnd = make_top(WS_POPUP | WS_VISIBLE);
    pump();
    SetTimer(hwnd, kFrameTimer, 0, nullptr);
    os::host::headless::advance(5); // the tick is due
    InvalidateRect(hwnd, nullptr, FALSE);
    PostMessageW(hwnd, WM_USER, 0, 0);
    os::host::Event key;
    key.type = os::host::EventType::KeyDown;
    key.key = VK_LEFT;
    os::host::headless::push_event(key);
    std::vector<UINT> order;
    MSG m;
    while (order.size() < 5 && GetMessageW(&m, nullptr, 0, 0) > 0)
    {
        if (m.message == WM_USER || m.message == WM_KEYDOWN || m.message == WM_PAINT || m.message == WM_TIMER)
            order.push_back(m.message);
        dispatch(m);
    }
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order[0], (UINT)WM_USER);
    EXPECT_EQ(order[1], (UINT)WM_KEYDOWN);
    EXPECT_EQ(order[2], (UINT)WM_PAINT);
    EXPECT_EQ(order[3], (UINT)WM_TIMER);
    EXPECT_EQ(order[4], (UINT)WM_TIMER) << "with nothing else waiting the ticks go on";
    KillTimer(hwnd, kFrameTimer);
    DestroyWindow(hwnd);
}
