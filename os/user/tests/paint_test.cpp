// paint_test.cpp -- update regions, WM_PAINT, background erasing, visible areas
#include "msg_log.h"

#include <os/gdi.h>
#include <os/user.h>

#include "os/host/headless.h"
#include "os/host/host.h"
#include "os/user/wininfo.h"

#include <gtest/gtest.h>

#include <functional>

using namespace msglog;

namespace {

uint32_t screen_pixel(int x, int y)
{
    auto& s = os::host::screen();
    const uint8_t* row = s.pixels + (size_t)y * (size_t)s.pitch;
    return s.bpp == 16 ? ((const uint16_t*)row)[x] : ((const uint32_t*)row)[x];
}

long area_of(const std::vector<RECT>& rects)
{
    long n = 0;
    for (const RECT& r : rects)
    {
        n += (long)(r.right - r.left) * (r.bottom - r.top);
    }
    return n;
}

// The rectangles must be disjoint and must not touch `avoid`.
::testing::AssertionResult disjoint_and_avoiding(const std::vector<RECT>& rects, const RECT& avoid)
{
    for (size_t i = 0; i < rects.size(); ++i)
    {
        RECT hit;
        if (IntersectRect(&hit, &rects[i], &avoid))
        {
            return ::testing::AssertionFailure() << "rectangle " << i << " overlaps the area that must be cut out";
        }
        for (size_t j = i + 1; j < rects.size(); ++j)
        {
            if (IntersectRect(&hit, &rects[i], &rects[j]))
            {
                return ::testing::AssertionFailure() << "rectangles " << i << " and " << j << " overlap";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

HWND make_painted_top(RECT r, HBRUSH brush)
{
    static int n = 0;
    std::u16string name = u"Painted" + std::u16string(1, (char16_t)(u'A' + n++));
    register_class_with(name.c_str(), recording_proc, brush);
    return CreateWindowExW(0, name.c_str(), u"", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
}

} // namespace

TEST(UpdateWindow, InvalidateThenUpdatePaintsSynchronously)
{
    HWND hwnd = make_top();
    pump();
    clear();
    ASSERT_TRUE(InvalidateRect(hwnd, nullptr, TRUE));
    EXPECT_TRUE(sequence_is({}, "InvalidateRect sends nothing"));
    ASSERT_TRUE(UpdateWindow(hwnd));
    EXPECT_TRUE(sequence_is({{hwnd, WM_PAINT, sent}, {hwnd, WM_ERASEBKGND, sent}},
                            "UpdateWindow: WM_PAINT, and WM_ERASEBKGND from inside BeginPaint"));
    EXPECT_TRUE(UpdateWindow(hwnd));
    EXPECT_TRUE(sequence_is({}, "UpdateWindow with nothing invalid"));
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_TRUE(sequence_is({{hwnd, WM_PAINT, sent}}, "no erase requested"));
    DestroyWindow(hwnd);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UpdateWindow(hwnd));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST(UpdateWindow, PaintMessageOnlyWhenTheQueueIsEmpty)
{
    HWND hwnd = make_top();
    pump();
    InvalidateRect(hwnd, nullptr, FALSE);
    PostMessageW(hwnd, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER) << "posted messages come before WM_PAINT";
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_PAINT);
    EXPECT_EQ(m.hwnd, hwnd);
    dispatch(m); // DefWindowProcW validates
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << "validated: no more WM_PAINT";
    DestroyWindow(hwnd);
}

TEST(UpdateWindow, HiddenWindowsGetNoPaint)
{
    HWND hwnd = make_top(WS_POPUP);
    pump();
    InvalidateRect(hwnd, nullptr, TRUE);
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    RECT r;
    EXPECT_TRUE(GetUpdateRect(hwnd, &r, FALSE)) << "the region is kept for when it shows";
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST(GetUpdateRect, AccumulatesAndValidates)
{
    HWND hwnd = make_top(WS_POPUP, {0, 0, 100, 100});
    RECT a{0, 0, 10, 10};
    RECT b{20, 20, 30, 30};
    RECT outside{200, 200, 210, 210};
    RECT r;
    struct Step
    {
        const char* name;
        int action; // 0 invalidate, 1 validate
        const RECT* rect;
        BOOL expect_update;
        RECT expect;
    } steps[] = {
        {"outside the client area", 0, &outside, FALSE, {0, 0, 0, 0}},
        {"first rectangle", 0, &a, TRUE, {0, 0, 10, 10}},
        {"union with the second", 0, &b, TRUE, {0, 0, 30, 30}},
        {"validate a part that leaves a rectangle", 1, &a, TRUE, {0, 0, 30, 30}},
        {"validate everything", 1, nullptr, FALSE, {0, 0, 0, 0}},
        {"whole client area", 0, nullptr, TRUE, {0, 0, 100, 100}},
    };
    ValidateRect(hwnd, nullptr);
    for (const Step& s : steps)
    {
        if (s.action == 0)
        {
            InvalidateRect(hwnd, s.rect, FALSE);
        }
        else
        {
            ValidateRect(hwnd, s.rect);
        }
        EXPECT_EQ(GetUpdateRect(hwnd, &r, FALSE), s.expect_update) << s.name;
        EXPECT_TRUE(EqualRect(&r, &s.expect)) << s.name << ": expected " << s.expect.left << "," << s.expect.top
                                              << "," << s.expect.right << "," << s.expect.bottom << ", got " << r.left
                                              << "," << r.top << "," << r.right << "," << r.bottom;
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(InvalidateRect((HWND)(uintptr_t)0x5555, nullptr, TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(hwnd);
}

TEST(TakeUpdateRegion, AnswersAndValidates)
{
    HWND hwnd = make_top(WS_POPUP, {0, 0, 100, 100});
    ValidateRect(hwnd, nullptr);
    RECT r{1, 1, 1, 1};
    bool erase = true;
    EXPECT_FALSE(os::user::take_update_region(hwnd, &r, &erase));
    RECT part{5, 6, 7, 8};
    InvalidateRect(hwnd, &part, TRUE);
    ASSERT_TRUE(os::user::take_update_region(hwnd, &r, &erase));
    EXPECT_TRUE(EqualRect(&r, &part));
    EXPECT_TRUE(erase);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE)) << "taking the region validates";
    DestroyWindow(hwnd);
}

TEST(EraseBackground, DefaultFillsWithTheClassBrushAndKeepsChildren)
{
    struct Case
    {
        const char* name;
        HBRUSH brush;
    } cases[] = {
        {"COLOR_WINDOW + 1", (HBRUSH)(COLOR_WINDOW + 1)},
        {"device form 0x40000006", (HBRUSH)(uintptr_t)0x40000006},
    };
    for (const Case& c : cases)
    {
        auto& s = os::host::screen();
        std::fill(s.pixels, s.pixels + (size_t)s.pitch * s.height, 0);
        HWND top = make_painted_top({0, 0, 100, 100}, c.brush);
        HWND child = make_child(top, 1, {10, 10, 30, 30}); // MsgLog class: no brush
        UpdateWindow(top);
        EXPECT_NE(screen_pixel(50, 50), 0u) << c.name << ": the background was not erased";
        EXPECT_EQ(screen_pixel(20, 20), 0u) << c.name << ": erasing the parent drew over its child";
        EXPECT_EQ(screen_pixel(150, 150), 0u) << c.name << ": drawn outside the window";
        DestroyWindow(top);
        (void)child;
    }
}

TEST(EraseBackground, NullBrushDrawsNothing)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 50, 50});
    auto& s = os::host::screen();
    std::fill(s.pixels, s.pixels + (size_t)s.pitch * s.height, 0);
    InvalidateRect(top, nullptr, TRUE);
    UpdateWindow(top);
    EXPECT_EQ(screen_pixel(10, 10), 0u);
    DestroyWindow(top);
}

TEST(VisibleClientRects, ChildrenSiblingsAndWindowsAbove)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND a = make_child(top, 1, {0, 0, 50, 50});
    HWND b = make_child(top, 2, {25, 25, 75, 75});
    std::vector<RECT> rects;

    os::user::visible_client_rects(top, rects);
    EXPECT_EQ(area_of(rects), 10000 - 2500 - 2500 + 625) << "the parent without its children";
    EXPECT_TRUE(disjoint_and_avoiding(rects, RECT{0, 0, 50, 50}));
    EXPECT_TRUE(disjoint_and_avoiding(rects, RECT{25, 25, 75, 75}));

    os::user::visible_client_rects(top, rects, true);
    EXPECT_EQ(area_of(rects), 10000) << "children kept on request";

    os::user::visible_client_rects(a, rects);
    EXPECT_EQ(area_of(rects), 2500) << "the first child is on top of its sibling";
    os::user::visible_client_rects(b, rects);
    EXPECT_EQ(area_of(rects), 2500 - 625) << "the lower sibling loses the overlap";
    EXPECT_TRUE(disjoint_and_avoiding(rects, RECT{0, 0, 50, 50}));

    HWND above = make_top(WS_POPUP | WS_VISIBLE, {60, 60, 200, 200}, u"above");
    os::user::visible_client_rects(b, rects);
    EXPECT_EQ(area_of(rects), 2500 - 625 - 225) << "a top-level window above cuts into the child";
    EXPECT_TRUE(disjoint_and_avoiding(rects, RECT{60, 60, 200, 200}));

    ShowWindow(top, SW_HIDE);
    os::user::visible_client_rects(b, rects);
    EXPECT_TRUE(rects.empty()) << "a hidden parent hides the child";
    DestroyWindow(above);
    DestroyWindow(top);
    os::user::visible_client_rects(b, rects);
    EXPECT_TRUE(rects.empty());
}

TEST(VisibleClientRects, ClippedToTheParentAndTheScreen)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {200, 300, 300, 400});
    HWND child = make_child(top, 1, {-10, -10, 20, 20});
    std::vector<RECT> rects;
    os::user::visible_client_rects(child, rects);
    ASSERT_EQ(rects.size(), 1u);
    RECT expect{200, 300, 220, 320};
    EXPECT_TRUE(EqualRect(&rects[0], &expect));
    os::user::visible_client_rects(top, rects);
    EXPECT_EQ(area_of(rects), 40L * 20 - 20 * 20) << "cut to the 240x320 screen, child removed";
    DestroyWindow(top);
}

TEST(LayoutGeneration, ChangesWithLayout)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 50, 50});
    struct Step
    {
        const char* name;
        std::function<void()> act;
    } steps[] = {
        {"MoveWindow", [&] { MoveWindow(top, 5, 5, 50, 50, TRUE); }},
        {"ShowWindow hide", [&] { ShowWindow(top, SW_HIDE); }},
        {"ShowWindow show", [&] { ShowWindow(top, SW_SHOW); }},
        {"child created", [&] { make_child(top, 1, {0, 0, 5, 5}); }},
        {"SetWindowPos z-order", [&] { SetWindowPos(top, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }},
        {"DestroyWindow", [&] { DestroyWindow(top); }},
    };
    for (const Step& s : steps)
    {
        unsigned before = os::user::layout_generation();
        s.act();
        EXPECT_NE(os::user::layout_generation(), before) << s.name;
    }
}

// A window gone from the screen leaves nothing of itself where no other
// window stands (a message box wider than the program's window): that part
// shows the desktop's black again; where a window stands it repaints.
TEST(DestroyWindow, ThePartOverTheDesktopTurnsBlackAgain)
{
    auto& s = os::host::screen();
    std::fill(s.pixels, s.pixels + (size_t)s.pitch * s.height, 0);
    HWND under = make_painted_top({20, 20, 120, 120}, (HBRUSH)GetStockObject(WHITE_BRUSH));
    UpdateWindow(under);
    HWND box = make_painted_top({60, 60, 200, 200}, (HBRUSH)GetStockObject(WHITE_BRUSH));
    UpdateWindow(box);
    ASSERT_NE(screen_pixel(150, 150), 0u);
    DestroyWindow(box);
    EXPECT_EQ(screen_pixel(150, 150), 0u);
    EXPECT_EQ(screen_pixel(199, 61), 0u);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(under, &update, FALSE)); // the window under it repaints its part
    UpdateWindow(under);
    EXPECT_NE(screen_pixel(100, 100), 0u);
    DestroyWindow(under);
    EXPECT_EQ(screen_pixel(100, 100), 0u);
}
