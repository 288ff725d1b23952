// focus_test.cpp -- focus, activation, showing, moving and capture
#include "msg_log.h"

#include <os/user.h>

#include "os/host/headless.h"
#include "os/host/host.h"

#include <gtest/gtest.h>

using namespace msglog;

TEST(SetFocus, BetweenWindowsAndToAChild)
{
    HWND a = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"a");
    HWND child = make_child(a, 1, {0, 0, 10, 10});
    ASSERT_EQ(GetFocus(), a);
    clear();
    EXPECT_EQ(SetFocus(child), a) << "SetFocus answers the previous focus";
    EXPECT_TRUE(sequence_is({{a, WM_KILLFOCUS, sent | wparam, (WPARAM)child},
                             {child, WM_SETFOCUS, sent | wparam, (WPARAM)a}},
                            "focus to a child"));
    EXPECT_EQ(SetFocus(child), child);
    EXPECT_TRUE(sequence_is({}, "focus to the focus window sends nothing"));
    EXPECT_EQ(SetFocus(nullptr), child);
    EXPECT_TRUE(sequence_is({{child, WM_KILLFOCUS, sent | wparam, 0}}, "focus to nobody"));
    EXPECT_EQ(GetFocus(), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFocus((HWND)(uintptr_t)0x5555), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(a);
}

TEST(SetFocus, ToAnInactiveWindowActivatesIt)
{
    HWND a = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"a");
    HWND b = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"b");
    HWND a_child = make_child(a, 1, {0, 0, 10, 10});
    ASSERT_EQ(GetActiveWindow(), b);
    clear();
    EXPECT_EQ(SetFocus(a_child), b);
    keep_only({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS});
    EXPECT_TRUE(sequence_is({{b, WM_ACTIVATE, sent | wparam | lparam, WA_INACTIVE, (LPARAM)a},
                             {a, WM_ACTIVATE, sent | wparam | lparam, WA_ACTIVE, (LPARAM)b},
                             {b, WM_KILLFOCUS, sent | wparam, (WPARAM)a},
                             {a, WM_SETFOCUS, sent | wparam, (WPARAM)b},
                             {a, WM_KILLFOCUS, sent | wparam, (WPARAM)a_child},
                             {a_child, WM_SETFOCUS, sent | wparam, (WPARAM)a}},
                            "focus into an inactive window"));
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), a_child);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(Activation, BetweenTwoTopLevelWindows)
{
    HWND a = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"a");
    HWND b = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"b");
    clear();
    EXPECT_EQ(SetActiveWindow(a), b);
    keep_only({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS});
    EXPECT_TRUE(sequence_is({{b, WM_ACTIVATE, sent | wparam | lparam, WA_INACTIVE, (LPARAM)a},
                             {a, WM_ACTIVATE, sent | wparam | lparam, WA_ACTIVE, (LPARAM)b},
                             {b, WM_KILLFOCUS, sent | wparam, (WPARAM)a},
                             {a, WM_SETFOCUS, sent | wparam, (WPARAM)b}},
                            "SetActiveWindow"));
    EXPECT_EQ(GetForegroundWindow(), a);
    EXPECT_TRUE(SetForegroundWindow(b));
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(GetWindow(a, GW_HWNDFIRST), b) << "the active window is raised";
    clear();
    EXPECT_TRUE(SetForegroundWindow(b));
    EXPECT_TRUE(sequence_is({}, "activating the active window sends nothing"));
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(ShowWindow, MessagesAndPreviousState)
{
    HWND hwnd = make_top(WS_POPUP, {0, 0, 100, 100});
    clear();
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW)) << "was hidden";
    keep_only({WM_SHOWWINDOW, WM_ACTIVATE, WM_SIZE});
    EXPECT_TRUE(sequence_is({{hwnd, WM_SHOWWINDOW, sent | wparam | lparam, TRUE, 0},
                             {hwnd, WM_ACTIVATE, sent | wparam, WA_ACTIVE}},
                            "SW_SHOW"));
    EXPECT_TRUE(ShowWindow(hwnd, SW_SHOW)) << "was visible";
    EXPECT_TRUE(sequence_is({}, "SW_SHOW on a visible window"));
    EXPECT_TRUE(ShowWindow(hwnd, SW_MINIMIZE));
    keep_only({WM_SHOWWINDOW, WM_SIZE});
    EXPECT_TRUE(sequence_is({{hwnd, WM_SIZE, sent | wparam | lparam, SIZE_MINIMIZED, 0}}, "SW_MINIMIZE"));
    EXPECT_TRUE(ShowWindow(hwnd, SW_RESTORE));
    keep_only({WM_SHOWWINDOW, WM_SIZE});
    EXPECT_TRUE(sequence_is({{hwnd, WM_SIZE, sent | wparam | lparam, SIZE_RESTORED, MAKELPARAM(100, 100)}},
                            "SW_RESTORE"));
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    keep_only({WM_SHOWWINDOW});
    EXPECT_TRUE(sequence_is({{hwnd, WM_SHOWWINDOW, sent | wparam, FALSE}}, "SW_HIDE"));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_TRUE(sequence_is({}, "SW_HIDE on a hidden window"));
    DestroyWindow(hwnd);
}

TEST(ShowWindow, HidingTheActiveWindowActivatesAnother)
{
    HWND a = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 10, 10}, u"a");
    HWND b = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 10, 10}, u"b");
    ShowWindow(b, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), a);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(MoveWindow, SizeAndMoveMessages)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND child = make_child(top, 1, {10, 10, 20, 20});
    pump();
    clear();
    struct Case
    {
        const char* name;
        int x, y, w, h;
        std::vector<Expect> expect;
    } cases[] = {
        {"move only", 5, 6, 10, 10, {{child, WM_MOVE, sent | lparam, 0, MAKELPARAM(5, 6)}}},
        {"size only", 5, 6, 30, 40, {{child, WM_SIZE, sent | wparam | lparam, SIZE_RESTORED, MAKELPARAM(30, 40)}}},
        {"both", 1, 2, 3, 4,
         {{child, WM_MOVE, sent | lparam, 0, MAKELPARAM(1, 2)},
          {child, WM_SIZE, sent | wparam | lparam, SIZE_RESTORED, MAKELPARAM(3, 4)}}},
        {"no change", 1, 2, 3, 4, {}},
    };
    for (const Case& c : cases)
    {
        EXPECT_TRUE(MoveWindow(child, c.x, c.y, c.w, c.h, TRUE)) << c.name;
        keep_only({WM_MOVE, WM_SIZE});
        EXPECT_TRUE(sequence_is(c.expect, c.name));
    }
    RECT r;
    GetWindowRect(child, &r);
    RECT expect{1, 2, 4, 6};
    EXPECT_TRUE(EqualRect(&r, &expect));
    GetClientRect(child, &r);
    RECT client{0, 0, 3, 4};
    EXPECT_TRUE(EqualRect(&r, &client));
    EXPECT_TRUE(GetUpdateRect(child, nullptr, FALSE)) << "moving with repaint invalidates";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveWindow((HWND)(uintptr_t)0x5555, 0, 0, 1, 1, TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(top);
}

TEST(Coordinates, ClientToScreenAndBack)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {20, 30, 120, 130});
    HWND child = make_child(top, 1, {5, 7, 50, 50});
    struct Case
    {
        HWND hwnd;
        POINT client;
        POINT screen;
    } cases[] = {
        {top, {0, 0}, {20, 30}},
        {child, {0, 0}, {25, 37}},
        {child, {-5, 3}, {20, 40}},
    };
    for (const Case& c : cases)
    {
        POINT p = c.client;
        EXPECT_TRUE(ClientToScreen(c.hwnd, &p));
        EXPECT_EQ(p.x, c.screen.x);
        EXPECT_EQ(p.y, c.screen.y);
        EXPECT_TRUE(ScreenToClient(c.hwnd, &p));
        EXPECT_EQ(p.x, c.client.x);
        EXPECT_EQ(p.y, c.client.y);
    }
    POINT p{0, 0};
    EXPECT_EQ(MapWindowPoints(child, top, &p, 1), MAKELONG(5, 7));
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(WindowFromPoint(POINT{26, 38}), child);
    EXPECT_EQ(WindowFromPoint(POINT{21, 31}), top);
    EXPECT_EQ(WindowFromPoint(POINT{200, 300}), nullptr);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{6, 8}), child);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{1, 1}), top);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{-1, 1}), nullptr);
    EnableWindow(child, FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{26, 38}), top) << "disabled windows are skipped";
    DestroyWindow(top);
}

TEST(Capture, SetReleaseAndNotify)
{
    HWND a = make_top(WS_POPUP, {0, 0, 10, 10}, u"a");
    HWND b = make_top(WS_POPUP, {0, 0, 10, 10}, u"b");
    clear();
    EXPECT_EQ(SetCapture(a), nullptr);
    EXPECT_EQ(GetCapture(), a);
    EXPECT_EQ(SetCapture(b), a);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(sequence_is({{a, WM_CAPTURECHANGED, sent | lparam, 0, (LPARAM)b},
                             {b, WM_CAPTURECHANGED, sent | lparam, 0, 0}},
                            "capture changes"));
    SetCapture(a);
    DestroyWindow(a);
    EXPECT_EQ(GetCapture(), nullptr) << "a destroyed window loses the capture";
    DestroyWindow(b);
}

TEST(SetWindowPos, ZOrderAndVisibilityFlags)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND a = make_child(top, 1, {0, 0, 10, 10});
    HWND b = make_child(top, 2, {0, 0, 10, 10});
    HWND c = make_child(top, 3, {0, 0, 10, 10});
    struct Case
    {
        const char* name;
        HWND hwnd;
        HWND after;
        HWND expected[3];
    } cases[] = {
        {"to the top", c, HWND_TOP, {c, a, b}},
        {"to the bottom", c, HWND_BOTTOM, {a, b, c}},
        {"after a sibling", c, a, {a, c, b}},
        {"after the last", a, b, {c, b, a}},
    };
    for (const Case& k : cases)
    {
        EXPECT_TRUE(SetWindowPos(k.hwnd, k.after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE)) << k.name;
        HWND h = GetWindow(top, GW_CHILD);
        for (HWND want : k.expected)
        {
            EXPECT_EQ(h, want) << k.name;
            h = GetWindow(h, GW_HWNDNEXT);
        }
    }
    EXPECT_TRUE(SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW));
    EXPECT_FALSE(IsWindowVisible(a));
    EXPECT_TRUE(SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW));
    EXPECT_TRUE(IsWindowVisible(a));
    DestroyWindow(top);
}

TEST(RedrawWindow, InvalidateValidateAndUpdateNow)
{
    HWND hwnd = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 50, 50});
    pump();
    clear();
    EXPECT_TRUE(RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW));
    EXPECT_TRUE(sequence_is({{hwnd, WM_PAINT, sent}, {hwnd, WM_ERASEBKGND, sent}}, "RDW_UPDATENOW paints at once"));
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE);
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE));
    RedrawWindow(hwnd, nullptr, nullptr, RDW_VALIDATE);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    DestroyWindow(hwnd);
}

TEST(MessagePos, FollowsTheTakenMessage)
{
    HWND hwnd = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    pump();
    os::host::headless::advance(5);
    os::host::Event e;
    e.type = os::host::EventType::PenDown;
    e.x = 12;
    e.y = 34;
    e.time = (DWORD)os::host::backend().now_ms();
    os::host::headless::push_event(e);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(GetMessagePos(), (DWORD)MAKELONG(12, 34));
    EXPECT_EQ((DWORD)GetMessageTime(), e.time);
    EXPECT_EQ(m.pt.x, 12);
    EXPECT_EQ(m.pt.y, 34);
    e.type = os::host::EventType::PenUp;
    os::host::headless::push_event(e);
    pump();
    DestroyWindow(hwnd);
}
