// window_test.cpp -- creating and destroying windows, the tree, window words, text
#include "msg_log.h"

#include <os/user.h>

#include "os/host/headless.h"

#include <gtest/gtest.h>

using namespace msglog;

namespace {

LPARAM size_lp(int w, int h)
{
    return MAKELPARAM(w, h);
}

LPCREATESTRUCTW g_seen_create = nullptr;
void* g_seen_param = nullptr;

LRESULT CALLBACK param_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CREATE)
    {
        g_seen_create = (LPCREATESTRUCTW)lp;
        g_seen_param = g_seen_create->lpCreateParams;
        SetWindowLongW(hwnd, GWL_USERDATA, (LONG_PTR)g_seen_param);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace

TEST(CreateWindow, VisibleTopLevelMessageOrder)
{
    register_class();
    clear();
    HWND hwnd = CreateWindowExW(0, class_name(), u"main", WS_POPUP | WS_VISIBLE, 10, 20, 100, 50, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(sequence_is({{hwnd, WM_NCCREATE, sent},
                             {hwnd, WM_CREATE, sent},
                             {hwnd, WM_SIZE, sent | wparam | lparam, SIZE_RESTORED, size_lp(100, 50)},
                             {hwnd, WM_MOVE, sent | lparam, 0, MAKELPARAM(10, 20)},
                             {hwnd, WM_SHOWWINDOW, sent | wparam | lparam, TRUE, 0},
                             {hwnd, WM_ACTIVATE, sent | wparam | lparam, WA_ACTIVE, 0},
                             {hwnd, WM_SETFOCUS, sent | wparam, 0}},
                            "CreateWindowExW visible top-level"));
    EXPECT_EQ(GetActiveWindow(), hwnd);
    EXPECT_EQ(GetFocus(), hwnd);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    DestroyWindow(hwnd);
}

TEST(CreateWindow, HiddenTopLevelAndChildMessageOrder)
{
    register_class();
    clear();
    HWND top = make_top(WS_POPUP);
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(sequence_is({{top, WM_NCCREATE, sent},
                             {top, WM_CREATE, sent},
                             {top, WM_SIZE, sent | wparam, SIZE_RESTORED},
                             {top, WM_MOVE, sent}},
                            "hidden top-level"));
    EXPECT_FALSE(IsWindowVisible(top));
    EXPECT_EQ(GetActiveWindow(), nullptr);

    HWND child = make_child(top, 7, {5, 6, 25, 36});
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(sequence_is({{child, WM_NCCREATE, sent},
                             {child, WM_CREATE, sent},
                             {child, WM_SIZE, sent | wparam | lparam, SIZE_RESTORED, size_lp(20, 30)},
                             {child, WM_MOVE, sent | lparam, 0, MAKELPARAM(5, 6)},
                             {child, WM_SHOWWINDOW, sent | wparam, TRUE}},
                            "visible child"));
    EXPECT_EQ(GetDlgCtrlID(child), 7);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_FALSE(IsWindowVisible(child)) << "a child of a hidden window is not visible";
    DestroyWindow(top);
}

TEST(CreateWindow, CreateParamsReachWmCreate)
{
    register_class_with(u"ParamClass", param_proc);
    int marker = 0;
    HWND hwnd = CreateWindowExW(0, u"paramclass", u"t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, &marker);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(g_seen_param, &marker);
    EXPECT_EQ((void*)GetWindowLongW(hwnd, GWL_USERDATA), &marker) << "GWL_USERDATA must hold a full pointer";
    EXPECT_EQ((void*)GetWindowLongPtrW(hwnd, GWLP_USERDATA), &marker);
    DestroyWindow(hwnd);
}

TEST(CreateWindow, CreateAnswerMinusOneFails)
{
    register_class();
    create_answer() = -1;
    clear();
    HWND hwnd = CreateWindowExW(0, class_name(), u"x", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    create_answer() = 0;
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_TRUE(sequence_is({{nullptr, WM_NCCREATE, sent},
                             {nullptr, WM_CREATE, sent},
                             {nullptr, WM_DESTROY, sent},
                             {nullptr, WM_NCDESTROY, sent}},
                            "WM_CREATE answering -1"));
    EXPECT_EQ(FindWindowW(class_name(), u"x"), nullptr);
}

TEST(CreateWindow, Errors)
{
    register_class();
    struct Case
    {
        const char* name;
        LPCWSTR cls;
        DWORD style;
        HWND parent;
        DWORD error;
    } cases[] = {
        {"unknown class", u"NoSuchClass", WS_POPUP, nullptr, ERROR_CANNOT_FIND_WND_CLASS},
        {"child without parent", class_name(), WS_CHILD, nullptr, ERROR_TLW_WITH_WSCHILD},
        {"invalid parent", class_name(), WS_CHILD, (HWND)(uintptr_t)0x7777, ERROR_INVALID_WINDOW_HANDLE},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        HWND hwnd = CreateWindowExW(0, c.cls, u"", c.style, 0, 0, 1, 1, c.parent, nullptr, nullptr, nullptr);
        EXPECT_EQ(hwnd, nullptr) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name << ": expected " << c.error << ", got " << GetLastError();
    }
}

TEST(CreateWindow, DefaultGeometryFillsTheScreen)
{
    register_class();
    HWND hwnd = CreateWindowExW(0, class_name(), u"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    DestroyWindow(hwnd);
}

TEST(DestroyWindow, ParentWithChildrenAndAGrandchild)
{
    HWND top = make_top();
    HWND a = make_child(top, 1, {0, 0, 10, 10});
    HWND b = make_child(top, 2, {10, 0, 20, 10});
    HWND a1 = make_child(a, 3, {0, 0, 5, 5});
    clear();
    ASSERT_TRUE(DestroyWindow(top));
    keep_only({WM_DESTROY, WM_NCDESTROY});
    EXPECT_TRUE(sequence_is({{top, WM_DESTROY, sent},
                             {a, WM_DESTROY, sent},
                             {a1, WM_DESTROY, sent},
                             {b, WM_DESTROY, sent},
                             {a1, WM_NCDESTROY, sent},
                             {a, WM_NCDESTROY, sent},
                             {b, WM_NCDESTROY, sent},
                             {top, WM_NCDESTROY, sent}},
                            "DestroyWindow of a parent"));
    for (HWND h : {top, a, b, a1})
    {
        EXPECT_FALSE(IsWindow(h));
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DestroyWindow(top)) << "a second destroy must fail harmlessly";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST(DestroyWindow, ActivationMovesToTheNextWindow)
{
    HWND first = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"first");
    HWND second = make_top(WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, u"second");
    ASSERT_EQ(GetActiveWindow(), second);
    clear();
    DestroyWindow(second);
    keep_only({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS, WM_DESTROY});
    EXPECT_TRUE(sequence_is({{second, WM_ACTIVATE, sent | wparam | lparam, WA_INACTIVE, (LPARAM)first},
                             {first, WM_ACTIVATE, sent | wparam | lparam, WA_ACTIVE, (LPARAM)second},
                             {second, WM_KILLFOCUS, sent | wparam, (WPARAM)first},
                             {first, WM_SETFOCUS, sent | wparam, (WPARAM)second},
                             {second, WM_DESTROY, sent}},
                            "destroying the active window"));
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), first);
    DestroyWindow(first);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST(DestroyWindow, FocusedChildGivesFocusToParentAndDropsQueuedMessages)
{
    HWND top = make_top();
    HWND child = make_child(top, 1, {0, 0, 10, 10});
    SetFocus(child);
    PostMessageW(child, WM_USER, 1, 2);
    SetTimer(child, 5, 10, nullptr);
    DestroyWindow(child);
    EXPECT_EQ(GetFocus(), top);
    clear();
    os::host::headless::advance(50);
    pump();
    for (const Got& g : log())
    {
        EXPECT_NE(g.hwnd, child) << "message " << message_name(g.msg) << " reached a destroyed window";
    }
    DestroyWindow(top);
}

TEST(WindowLong, StandardIndexes)
{
    HWND top = make_top(WS_POPUP);
    HWND child = make_child(top, 42, {0, 0, 5, 5}, WS_CHILD);
    struct Case
    {
        HWND hwnd;
        int index;
        LONG_PTR expected;
    } cases[] = {
        {child, GWL_ID, 42},
        {child, GWL_STYLE, (LONG)WS_CHILD},
        {top, GWL_STYLE, (LONG)WS_POPUP},
        {top, GWL_EXSTYLE, 0},
        {child, GWL_WNDPROC, (LONG_PTR)recording_proc},
        {top, GWL_USERDATA, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(GetWindowLongW(c.hwnd, c.index), c.expected) << "index " << c.index;
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetWindowLongW(top, -100), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_INDEX);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetWindowLongW((HWND)(uintptr_t)0x4444, GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(top);
}

TEST(WindowLong, SetAnswersOldValueAndExtraBytes)
{
    HWND top = make_top(WS_POPUP);
    LONG_PTR big = (LONG_PTR)0x123456789abcLL;
    EXPECT_EQ(SetWindowLongW(top, GWL_USERDATA, big), 0);
    EXPECT_EQ(SetWindowLongW(top, GWL_USERDATA, 5), big) << "the old pointer comes back whole";
    EXPECT_EQ(SetWindowLongPtrW(top, 8, big), 0);
    EXPECT_EQ(GetWindowLongPtrW(top, 8), big);
    EXPECT_EQ(SetWindowLongW(top, 0, 77), 0);
    EXPECT_EQ(GetWindowLongW(top, 0), 77);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetWindowLongW(top, 14, 1), 0) << "past the 16 extra bytes";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_INDEX);
    DestroyWindow(top);
}

namespace {

WNDPROC g_old_proc = nullptr;
int g_subclass_calls = 0;

LRESULT CALLBACK subclass_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 1)
    {
        ++g_subclass_calls;
        return 99; // swallowed
    }
    return CallWindowProcW(g_old_proc, hwnd, msg, wp, lp);
}

} // namespace

TEST(WindowLong, SubclassingAndRestore)
{
    HWND top = make_top(WS_POPUP);
    g_old_proc = (WNDPROC)SetWindowLongW(top, GWL_WNDPROC, (LONG_PTR)subclass_proc);
    EXPECT_EQ(g_old_proc, recording_proc);
    clear();
    EXPECT_EQ(SendMessageW(top, WM_USER + 1, 0, 0), 99);
    EXPECT_EQ(SendMessageW(top, WM_USER + 2, 3, 4), 0);
    EXPECT_EQ(g_subclass_calls, 1);
    EXPECT_TRUE(sequence_is({{top, WM_USER + 2, sent | wparam | lparam, 3, 4}}, "through the subclass"));
    EXPECT_EQ((WNDPROC)SetWindowLongW(top, GWL_WNDPROC, (LONG_PTR)g_old_proc), subclass_proc);
    SendMessageW(top, WM_USER + 1, 0, 0);
    EXPECT_EQ(g_subclass_calls, 1) << "restored procedure";
    DestroyWindow(top);
}

TEST(WindowText, SetGetLengthAndTruncation)
{
    HWND top = make_top(WS_POPUP, {0, 0, 10, 10}, u"Title");
    WCHAR buf[16];
    struct Case
    {
        int size;
        int expected;
        const char16_t* text;
    } cases[] = {
        {16, 5, u"Title"},
        {6, 5, u"Title"},
        {5, 4, u"Titl"},
        {1, 0, u""},
    };
    for (const Case& c : cases)
    {
        std::fill(std::begin(buf), std::end(buf), u'#');
        EXPECT_EQ(GetWindowTextW(top, buf, c.size), c.expected) << "size " << c.size;
        EXPECT_EQ(std::u16string(buf), std::u16string(c.text)) << "size " << c.size;
    }
    EXPECT_EQ(GetWindowTextW(top, buf, 0), 0);
    EXPECT_EQ(GetWindowTextLengthW(top), 5);
    clear();
    EXPECT_TRUE(SetWindowTextW(top, u"Another"));
    EXPECT_TRUE(sequence_is({{top, WM_SETTEXT, sent}}, "SetWindowTextW"));
    EXPECT_EQ(GetWindowTextLengthW(top), 7);
    EXPECT_TRUE(SetWindowTextW(top, nullptr));
    EXPECT_EQ(GetWindowTextLengthW(top), 0);
    DestroyWindow(top);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetWindowTextW(top, buf, 16), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST(WindowTree, ParentsChildrenAndOrder)
{
    HWND top = make_top(WS_POPUP);
    HWND a = make_child(top, 1, {0, 0, 5, 5});
    HWND b = make_child(top, 2, {0, 0, 5, 5});
    HWND grand = make_child(a, 3, {0, 0, 2, 2});
    EXPECT_EQ(GetWindow(top, GW_CHILD), a) << "the first child created comes first";
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDPREV), a);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(a, GW_HWNDLAST), b);
    EXPECT_TRUE(IsChild(top, grand));
    EXPECT_TRUE(IsChild(a, grand));
    EXPECT_FALSE(IsChild(b, grand));
    EXPECT_FALSE(IsChild(grand, grand));
    EXPECT_EQ(GetParent(grand), a);
    EXPECT_EQ(GetParent(top), nullptr);
    EXPECT_EQ(GetDlgItem(top, 2), b);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetDlgItem(top, 3), nullptr) << "only direct children";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CONTROL_ID_NOT_FOUND);
    EXPECT_EQ(GetDlgCtrlID(top), 0);
    DestroyWindow(top);
}

TEST(WindowState, EnableWindowAnswersPreviousState)
{
    HWND top = make_top(WS_POPUP);
    clear();
    EXPECT_FALSE(EnableWindow(top, FALSE)) << "was enabled";
    EXPECT_FALSE(IsWindowEnabled(top));
    EXPECT_TRUE(EnableWindow(top, FALSE)) << "was disabled";
    EXPECT_TRUE(EnableWindow(top, TRUE));
    EXPECT_TRUE(IsWindowEnabled(top));
    EXPECT_TRUE(sequence_is({{top, WM_ENABLE, sent | wparam, FALSE}, {top, WM_ENABLE, sent | wparam, TRUE}},
                            "EnableWindow"));
    DestroyWindow(top);
}

namespace {

LRESULT CALLBACK self_destroying_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER || msg == WM_LBUTTONUP)
    {
        DestroyWindow(hwnd);
        // The handler goes on after its window is gone: calls must fail harmlessly.
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
        SetTimer(hwnd, 1, 10, nullptr);
        return 0;
    }
    if (msg == WM_DESTROY)
    {
        DestroyWindow(hwnd); // again, from inside its own destruction
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace

TEST(DestroyWindow, FromInsideItsOwnHandlers)
{
    register_class_with(u"SelfDestroying", self_destroying_proc);
    for (UINT trigger : {(UINT)WM_TIMER, (UINT)WM_LBUTTONUP})
    {
        HWND hwnd = CreateWindowExW(0, u"SelfDestroying", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        HWND child = CreateWindowExW(0, u"SelfDestroying", u"", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, hwnd, nullptr,
                                     nullptr, nullptr);
        MSG m{hwnd, trigger, 1, 0, 0, {0, 0}};
        DispatchMessageW(&m);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_FALSE(IsWindow(child));
        os::host::headless::advance(100);
        pump();
    }
}

TEST(DefWindowProc, Defaults)
{
    HWND top = make_top(WS_POPUP);
    HDC hdc = GetDC(top);
    UINT colour_messages[] = {WM_CTLCOLOREDIT,      WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN,   WM_CTLCOLORSTATIC,
                              WM_CTLCOLORSCROLLBAR, WM_CTLCOLORDLG,     WM_CTLCOLORMSGBOX};
    for (UINT msg : colour_messages)
    {
        EXPECT_EQ(DefWindowProcW(top, msg, (WPARAM)hdc, 0), (LRESULT)GetStockObject(WHITE_BRUSH))
            << message_name(msg);
    }
    EXPECT_EQ(GetTextColor(hdc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(hdc), RGB(255, 255, 255));
    ReleaseDC(top, hdc);
    EXPECT_EQ(DefWindowProcW(top, WM_NCCREATE, 0, 0), TRUE);
    EXPECT_EQ(DefWindowProcW(top, WM_SETTEXT, 0, (LPARAM)u"abc"), TRUE);
    EXPECT_EQ(DefWindowProcW(top, WM_GETTEXTLENGTH, 0, 0), 3);
    EXPECT_EQ(DefWindowProcW(top, WM_USER + 100, 1, 2), 0);
    EXPECT_EQ(DefWindowProcW(top, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(top)) << "the default for WM_CLOSE destroys the window";
}

TEST(WindowTree, OwnedWindowsAndSetParent)
{
    HWND owner = make_top(WS_POPUP, {0, 0, 10, 10}, u"owner");
    register_class();
    HWND popup = CreateWindowExW(0, class_name(), u"popup", WS_POPUP, 0, 0, 5, 5, owner, nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);
    EXPECT_EQ(GetParent(popup), owner) << "GetParent answers the owner of a popup";
    EXPECT_FALSE(IsChild(owner, popup));

    HWND other = make_top(WS_POPUP, {0, 0, 10, 10}, u"other");
    HWND child = make_child(other, 4, {0, 0, 2, 2});
    EXPECT_EQ(SetParent(child, owner), other);
    EXPECT_TRUE(IsChild(owner, child));
    EXPECT_EQ(GetWindow(other, GW_CHILD), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetParent(owner, child), nullptr) << "a window cannot become its own descendant";

    clear();
    DestroyWindow(owner);
    keep_only({WM_DESTROY});
    EXPECT_TRUE(sequence_is({{popup, WM_DESTROY, sent}, {owner, WM_DESTROY, sent}, {child, WM_DESTROY, sent}},
                            "owned windows go first"));
    EXPECT_FALSE(IsWindow(popup));
    DestroyWindow(other);
}

namespace {

LRESULT CALLBACK refusing_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT r = recording_proc(hwnd, msg, wp, lp);
    return msg == WM_NCCREATE ? FALSE : r;
}

} // namespace

TEST(CreateWindow, NcCreateAnsweringFalseFails)
{
    register_class_with(u"Refusing", refusing_proc);
    clear();
    HWND hwnd = CreateWindowExW(0, u"Refusing", u"refused", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_TRUE(sequence_is({{nullptr, WM_NCCREATE, sent}, {nullptr, WM_NCDESTROY, sent}},
                            "WM_NCCREATE answering FALSE"));
    EXPECT_EQ(FindWindowW(u"Refusing", nullptr), nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

namespace {

HWND g_late_child = nullptr;

LRESULT CALLBACK creates_on_destroy_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY && !g_late_child)
    {
        g_late_child = make_child(hwnd, 9, {0, 0, 1, 1});
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace

TEST(DestroyWindow, ChildCreatedDuringDestroyGoesToo)
{
    register_class_with(u"CreatesOnDestroy", creates_on_destroy_proc);
    HWND hwnd = CreateWindowExW(0, u"CreatesOnDestroy", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(DestroyWindow(hwnd));
    ASSERT_NE(g_late_child, nullptr);
    EXPECT_FALSE(IsWindow(g_late_child));
    EXPECT_FALSE(IsWindow(hwnd));
}
