// input_test.cpp -- host input routed to windows: pen, keys, text, hot keys, window events
#include "msg_log.h"

#include <os/user.h>

#include "os/host/headless.h"
#include "os/host/host.h"

#include <gtest/gtest.h>

using namespace msglog;
using os::host::Event;
using os::host::EventType;

namespace {

void inject(EventType type, int x = 0, int y = 0, UINT key = 0, WCHAR ch = 0)
{
    Event e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.key = key;
    e.ch = ch;
    e.time = (DWORD)os::host::backend().now_ms();
    os::host::headless::push_event(e);
}

void inject_key(EventType type, UINT vk)
{
    inject(type, 0, 0, vk);
}

} // namespace

TEST(PenInput, GoesToTheDeepestWindowAndIsCapturedUntilUp)
{
    HWND a = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"a");
    HWND child = make_child(a, 1, {10, 10, 60, 60});
    HWND b = make_top(WS_POPUP | WS_VISIBLE, {0, 150, 100, 250}, u"b");
    ASSERT_EQ(GetActiveWindow(), b);
    pump();
    clear();
    inject(EventType::PenDown, 20, 30);
    pump();
    EXPECT_EQ(GetCapture(), child) << "the pen is captured while down";
    inject(EventType::PenMove, 150, 200);
    inject(EventType::PenUp, 150, 200);
    pump();
    keep_only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_ACTIVATE});
    EXPECT_TRUE(sequence_is({{b, WM_ACTIVATE, sent | wparam, WA_INACTIVE},
                             {a, WM_ACTIVATE, sent | wparam | lparam, WA_CLICKACTIVE, (LPARAM)b},
                             {child, WM_LBUTTONDOWN, posted | wparam | lparam, MK_LBUTTON, MAKELPARAM(10, 20)},
                             {child, WM_MOUSEMOVE, posted | wparam | lparam, MK_LBUTTON, MAKELPARAM(140, 190)},
                             {child, WM_LBUTTONUP, posted | wparam | lparam, 0, MAKELPARAM(140, 190)}},
                            "pen down, drag outside, up"));
    EXPECT_EQ(GetCapture(), nullptr) << "lifting the pen ends the capture";
    EXPECT_EQ(GetActiveWindow(), a);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(PenInput, SkipsDisabledAndHiddenChildren)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND disabled = make_child(top, 1, {0, 0, 50, 50});
    HWND hidden = make_child(top, 2, {50, 50, 100, 100}, WS_CHILD);
    EnableWindow(disabled, FALSE);
    pump();
    clear();
    inject(EventType::PenDown, 10, 10);
    inject(EventType::PenUp, 10, 10);
    inject(EventType::PenDown, 70, 70);
    inject(EventType::PenUp, 70, 70);
    pump();
    keep_only({WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_TRUE(sequence_is({{top, WM_LBUTTONDOWN, posted | lparam, 0, MAKELPARAM(10, 10)},
                             {top, WM_LBUTTONUP, posted},
                             {top, WM_LBUTTONDOWN, posted | lparam, 0, MAKELPARAM(70, 70)},
                             {top, WM_LBUTTONUP, posted}},
                            "the parent takes the pen"));
    (void)hidden;
    DestroyWindow(top);
}

TEST(KeyInput, GoesToTheFocusWindowWithRepeatBits)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND child = make_child(top, 1, {0, 0, 10, 10});
    SetFocus(child);
    pump();
    clear();
    inject_key(EventType::KeyDown, VK_LEFT);
    inject_key(EventType::KeyDown, VK_LEFT);
    inject_key(EventType::KeyUp, VK_LEFT);
    inject(EventType::Char, 0, 0, 0, u'x');
    pump();
    EXPECT_TRUE(sequence_is({{child, WM_KEYDOWN, posted | wparam | lparam, VK_LEFT, 1},
                             {child, WM_KEYDOWN, posted | wparam | lparam, VK_LEFT, 1 | (1 << 30)},
                             {child, WM_KEYUP, posted | wparam | lparam, VK_LEFT, (LPARAM)(0xC0000001u)},
                             {child, WM_CHAR, posted | wparam, u'x'}},
                            "keys and text to the focus window"));
    SetFocus(nullptr);
    clear();
    inject_key(EventType::KeyDown, VK_UP);
    pump();
    EXPECT_TRUE(sequence_is({{top, WM_KEYDOWN, posted | wparam, VK_UP}}, "no focus: the active window"));
    inject_key(EventType::KeyUp, VK_UP);
    pump();
    DestroyWindow(top);
}

TEST(KeyInput, KeyState)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    pump();
    inject_key(EventType::KeyDown, VK_RETURN);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(GetAsyncKeyState(VK_RETURN) & 0x8000) << "the physical state follows the event";
    EXPECT_FALSE(GetKeyState(VK_RETURN) & 0x8000) << "GetKeyState follows the messages taken";
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(GetKeyState(VK_RETURN) & 0x8000);
    inject_key(EventType::KeyUp, VK_RETURN);
    pump();
    EXPECT_FALSE(GetKeyState(VK_RETURN) & 0x8000);
    EXPECT_FALSE(GetAsyncKeyState(VK_RETURN) & 0x8000);
    DestroyWindow(top);
}

TEST(HotKey, TakesTheKeyFromTheFocusWindow)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND other = make_top(WS_POPUP, {0, 0, 10, 10}, u"other");
    pump();
    ASSERT_TRUE(RegisterHotKey(other, 47238, 0, VK_UP));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(RegisterHotKey(top, 1, 0, VK_UP));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_HOTKEY_ALREADY_REGISTERED);
    EXPECT_TRUE(RegisterHotKey(top, 2, MOD_SHIFT, VK_UP)) << "other modifiers are another hot key";
    clear();
    inject_key(EventType::KeyDown, VK_UP);
    inject_key(EventType::KeyUp, VK_UP);
    pump();
    EXPECT_TRUE(sequence_is({{other, WM_HOTKEY, posted | wparam | lparam, 47238, MAKELPARAM(0, VK_UP)}},
                            "a registered key arrives as WM_HOTKEY only"));
    EXPECT_TRUE(UnregisterHotKey(other, 47238));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnregisterHotKey(other, 47238));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_HOTKEY_NOT_REGISTERED);
    inject_key(EventType::KeyDown, VK_UP);
    inject_key(EventType::KeyUp, VK_UP);
    pump();
    keep_only({WM_KEYDOWN, WM_KEYUP, WM_HOTKEY});
    EXPECT_TRUE(sequence_is({{top, WM_KEYDOWN, posted | wparam, VK_UP}, {top, WM_KEYUP, posted | wparam, VK_UP}},
                            "after UnregisterHotKey"));
    EXPECT_TRUE(UnregisterHotKey(top, 2));
    DestroyWindow(top);
    DestroyWindow(other);
}

TEST(HostEvents, CloseActivationAndMinimize)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    pump();
    clear();
    inject(EventType::Deactivate);
    inject(EventType::Activate);
    inject(EventType::Minimize);
    inject(EventType::Restore);
    pump();
    keep_only({WM_ACTIVATE, WM_SIZE});
    EXPECT_TRUE(sequence_is({{top, WM_ACTIVATE, sent | wparam, WA_INACTIVE},
                             {top, WM_ACTIVATE, sent | wparam, WA_ACTIVE},
                             {top, WM_SIZE, sent | wparam, SIZE_MINIMIZED},
                             {top, WM_SIZE, sent | wparam | lparam, SIZE_RESTORED, MAKELPARAM(100, 100)}},
                            "host window events"));
    inject(EventType::Close);
    pump();
    EXPECT_FALSE(IsWindow(top)) << "WM_CLOSE reached the window and the default destroyed it";
    keep_only({WM_CLOSE, WM_DESTROY});
    EXPECT_TRUE(sequence_is({{top, WM_CLOSE, posted}, {top, WM_DESTROY, sent}}, "close"));
}

TEST(HostEvents, TypedTextAndControlKeysThroughTranslateMessage)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    pump();
    clear();
    os::host::headless::type(u"ab");
    inject_key(EventType::KeyDown, VK_BACK);
    MSG m;
    std::u16string chars;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&m);
        if (m.message == WM_CHAR)
        {
            chars += (char16_t)m.wParam;
        }
    }
    EXPECT_EQ(chars, std::u16string(u"ab\b"));
    inject_key(EventType::KeyUp, VK_BACK);
    pump();
    DestroyWindow(top);
}

TEST(HotKey, ThreadHotKeysAndKeyUp)
{
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    pump();
    ASSERT_TRUE(RegisterHotKey(nullptr, 5, 0, VK_APP1));
    ASSERT_TRUE(RegisterHotKey(top, 6, MOD_KEYUP, VK_APP2));
    inject_key(EventType::KeyDown, VK_APP1);
    inject_key(EventType::KeyUp, VK_APP1);
    inject_key(EventType::KeyDown, VK_APP2);
    inject_key(EventType::KeyUp, VK_APP2);
    MSG m;
    std::vector<MSG> got;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
    {
        got.push_back(m);
    }
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].hwnd, nullptr) << "a hot key without a window is a thread message";
    EXPECT_EQ(got[0].message, (UINT)WM_HOTKEY);
    EXPECT_EQ(got[0].wParam, 5u);
    EXPECT_EQ(got[1].hwnd, top);
    EXPECT_EQ(got[1].lParam, MAKELPARAM(0, VK_APP2));
    EXPECT_EQ(got[2].lParam, MAKELPARAM(MOD_KEYUP, VK_APP2)) << "MOD_KEYUP reports the release too";
    UnregisterHotKey(nullptr, 5);
    DestroyWindow(top);
}

TEST(HostEvents, CloseWithoutWindowsEndsTheLoop)
{
    inject(EventType::Close);
    MSG m;
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
}

TEST(HostEvents, ScriptInputWaitsUntilTheProgramHasAWindow)
{
    ASSERT_TRUE(os::host::headless::run_script_text("tap 20 30\nkey A\n"));
    MSG m;
    for (int i = 0; i < 5; i++)
    {
        // The program starts: it pumps and works before its window exists.
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        {
            dispatch(m);
        }
        os::host::backend().sleep_ms(40);
    }
    HWND top = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    clear();
    while (IsWindow(top) && GetMessageW(&m, nullptr, 0, 0) > 0)
    {
        dispatch(m);
    }
    keep_only({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_KEYUP, WM_CLOSE});
    EXPECT_TRUE(sequence_is({{top, WM_LBUTTONDOWN, posted | lparam, 0, MAKELPARAM(20, 30)},
                             {top, WM_LBUTTONUP, posted},
                             {top, WM_KEYDOWN, posted | wparam, 'A'},
                             {top, WM_KEYUP, posted | wparam, 'A'},
                             {top, WM_CLOSE, posted}},
                            "the script's input, none lost while the program started"));
}
