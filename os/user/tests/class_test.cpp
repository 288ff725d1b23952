// class_test.cpp -- window classes
#include <os/user.h>

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK plain_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcW(hwnd, msg, wp, lp);
}

WNDCLASSW make_class(LPCWSTR name)
{
    WNDCLASSW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = plain_proc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(uintptr_t)0x40000006;
    wc.lpszClassName = name;
    return wc;
}

} // namespace

TEST(RegisterClass, OnceAndCaseInsensitive)
{
    WNDCLASSW wc = make_class(u"EngineWindow");
    ATOM atom = RegisterClassW(&wc);
    EXPECT_NE(atom, 0);
    struct Case
    {
        LPCWSTR name;
    } again[] = {{u"EngineWindow"}, {u"ENGINEWINDOW"}, {u"enginewindow"}};
    for (const Case& c : again)
    {
        WNDCLASSW twin = make_class(c.name);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(RegisterClassW(&twin), 0);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    }
    WNDCLASSW out{};
    ASSERT_TRUE(GetClassInfoW(nullptr, u"engineWINDOW", &out));
    EXPECT_EQ(out.lpfnWndProc, plain_proc);
    EXPECT_EQ(out.style, (UINT)(CS_VREDRAW | CS_HREDRAW | CS_GLOBALCLASS));
    EXPECT_EQ(out.hbrBackground, (HBRUSH)(uintptr_t)0x40000006);
    EXPECT_TRUE(UnregisterClassW(u"ENGINEWINDOW", nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetClassInfoW(nullptr, u"EngineWindow", &out));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_DOES_NOT_EXIST);
    EXPECT_NE(RegisterClassW(&wc), 0) << "registering again after UnregisterClassW";
    UnregisterClassW(u"EngineWindow", nullptr);
}

TEST(RegisterClass, BadArguments)
{
    WNDCLASSW empty = make_class(u"");
    WNDCLASSW no_name = make_class(nullptr);
    WNDCLASSW negative = make_class(u"Negative");
    negative.cbWndExtra = -1;
    const WNDCLASSW* cases[] = {nullptr, &empty, &no_name, &negative};
    for (const WNDCLASSW* wc : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(RegisterClassW(wc), 0);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
}

TEST(GetClassInfo, BuiltInControlClasses)
{
    LPCWSTR names[] = {u"EDIT", u"Edit", u"BUTTON", u"button", u"LISTBOX", u"COMBOBOX", u"STATIC", u"Static"};
    for (LPCWSTR name : names)
    {
        WNDCLASSW out{};
        SetLastError(0xdeadbeef);
        EXPECT_TRUE(GetClassInfoW(nullptr, name, &out)) << "a built-in class must be known";
        EXPECT_NE(out.lpfnWndProc, nullptr);
        WNDCLASSW mine = make_class(name);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(RegisterClassW(&mine), 0) << "a program cannot replace a built-in class";
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnregisterClassW(u"EDIT", nullptr));
}

TEST(UnregisterClass, Errors)
{
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnregisterClassW(u"NeverRegistered", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_DOES_NOT_EXIST);
    WNDCLASSW wc = make_class(u"InUse");
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, u"InUse", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnregisterClassW(u"InUse", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(hwnd);
    EXPECT_TRUE(UnregisterClassW(u"InUse", nullptr));
}

TEST(GetClassName, AndClassLong)
{
    WNDCLASSW wc = make_class(u"NamedClass");
    wc.cbWndExtra = 8;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, u"namedclass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    WCHAR buf[32];
    struct Case
    {
        int size;
        int expected;
        const char16_t* text;
    } cases[] = {{32, 10, u"NamedClass"}, {5, 4, u"Name"}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(GetClassNameW(hwnd, buf, c.size), c.expected) << "size " << c.size;
        EXPECT_EQ(std::u16string(buf), std::u16string(c.text)) << "the registered spelling";
    }
    EXPECT_EQ(GetClassLongW(hwnd, GCL_HBRBACKGROUND), (ULONG_PTR)0x40000006);
    EXPECT_EQ(GetClassLongW(hwnd, GCL_CBWNDEXTRA), 8u);
    EXPECT_EQ(GetClassLongW(hwnd, GCL_WNDPROC), (ULONG_PTR)plain_proc);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetClassLongW(hwnd, 1234), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_INDEX);
    DestroyWindow(hwnd);
}
