// system_test.cpp -- system metrics and parameters, message boxes, cursors, rectangles
#include <os/user.h>

#include "os/host/headless.h"
#include "os/host/host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include "os/testing/user.h"

TEST(GetSystemMetrics, TheDeviceScreen)
{
    auto& screen = os::host::screen();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), screen.height);
    EXPECT_LT(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)) << "the default device is portrait";
    EXPECT_EQ(GetSystemMetrics(12345), 0);
}

TEST(SystemParametersInfo, OemInfo)
{
    WCHAR buf[40];
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETOEMINFO, sizeof buf, buf, 0));
    std::u16string text(buf);
    EXPECT_EQ(text, std::u16string(u"Handheld Emulator"));
    EXPECT_EQ(text.find(u"iPAQ"), std::u16string::npos);

    os::user::set_oem_info(u"Model 7 device");
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETOEMINFO, sizeof buf, buf, 0));
    EXPECT_EQ(std::u16string(buf), std::u16string(u"Model 7 device"));

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETOEMINFO, 4, buf, 0)) << "the buffer size is in bytes";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    os::user::set_oem_info(u"Handheld Emulator");
}

TEST(SystemParametersInfo, WorkAreaAndUnknownActions)
{
    RECT r{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0));
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SystemParametersInfoW(9999, 0, &r, 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST(MessageBox, RecordedWithScriptedAnswers)
{
    os::host::headless::clear_boxes();
    struct Case
    {
        LPCWSTR text;
        LPCWSTR caption;
        UINT flags;
        int queued; // 0: none
        int expected;
    } cases[] = {
        {u"Free memory is low", u"Memory Warning", MB_YESNO | MB_ICONEXCLAMATION, 0, IDYES},
        {u"Unable to open", u"File I/O Error", MB_OK, 0, IDOK},
        {u"Continue?", u"Question", MB_YESNO, IDNO, IDNO},
        {u"No caption", nullptr, MB_OK | MB_ICONSTOP, 0, IDOK},
    };
    for (const Case& c : cases)
    {
        if (c.queued)
        {
            os::host::headless::queue_answer(c.queued);
        }
        EXPECT_EQ(MessageBoxW(nullptr, c.text, c.caption, c.flags), c.expected);
    }
    const auto& boxes = os::host::headless::boxes();
    ASSERT_EQ(boxes.size(), std::size(cases));
    for (size_t i = 0; i < boxes.size(); ++i)
    {
        EXPECT_EQ(boxes[i].text, std::u16string(cases[i].text));
        EXPECT_EQ(boxes[i].caption, std::u16string(cases[i].caption ? cases[i].caption : u"Error"));
        EXPECT_EQ(boxes[i].flags, cases[i].flags);
    }
    EXPECT_TRUE(MessageBeep(MB_OK));
}

TEST(Cursor, LoadAndSet)
{
    struct Case
    {
        LPCWSTR name;
        int id;
    } cases[] = {{IDC_ARROW, 32512}, {IDC_IBEAM, 32513}, {IDC_HAND, 32649}, {IDC_WAIT, 32514}};
    HCURSOR previous = GetCursor();
    for (const Case& c : cases)
    {
        HCURSOR cursor = LoadCursorW(nullptr, c.name);
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(SetCursor(cursor), previous);
        EXPECT_EQ(os::host::headless::last_cursor(), c.id);
        previous = cursor;
    }
    EXPECT_NE(LoadCursorW((HINSTANCE)(uintptr_t)0x400000, MAKEINTRESOURCEW(106)), nullptr)
        << "a program's own cursor resource loads as the arrow";
}

TEST(Icon, AProgramsIconByNumber)
{
    HINSTANCE program = (HINSTANCE)(uintptr_t)0x400000;
    EXPECT_NE(LoadIconW(program, MAKEINTRESOURCEW(101)), nullptr);
    EXPECT_EQ(LoadIconW(program, u"NAMED"), nullptr);
    EXPECT_EQ(LoadIconW(program, nullptr), nullptr);
}

TEST(Rect, IntersectUnionSubtract)
{
    struct Case
    {
        RECT a, b;
        BOOL intersects;
        RECT intersection;
        RECT uni;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, TRUE, {5, 5, 10, 10}, {0, 0, 15, 15}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, FALSE, {0, 0, 0, 0}, {0, 0, 20, 10}},
        {{0, 0, 10, 10}, {0, 0, 0, 0}, FALSE, {0, 0, 0, 0}, {0, 0, 10, 10}},
        {{2, 2, 4, 4}, {0, 0, 10, 10}, TRUE, {2, 2, 4, 4}, {0, 0, 10, 10}},
    };
    for (const Case& c : cases)
    {
        RECT r{9, 9, 9, 9};
        EXPECT_EQ(IntersectRect(&r, &c.a, &c.b), c.intersects);
        EXPECT_TRUE(EqualRect(&r, &c.intersection));
        UnionRect(&r, &c.a, &c.b);
        EXPECT_TRUE(EqualRect(&r, &c.uni));
    }
    struct Sub
    {
        RECT a, b;
        BOOL result;
        RECT expected;
    } subs[] = {
        {{0, 0, 10, 10}, {0, 0, 10, 4}, TRUE, {0, 4, 10, 10}},
        {{0, 0, 10, 10}, {6, -1, 12, 11}, TRUE, {0, 0, 6, 10}},
        {{0, 0, 10, 10}, {2, 2, 4, 4}, TRUE, {0, 0, 10, 10}},
        {{0, 0, 10, 10}, {-1, -1, 11, 11}, FALSE, {0, 0, 0, 0}},
    };
    for (const Sub& s : subs)
    {
        RECT r;
        EXPECT_EQ(SubtractRect(&r, &s.a, &s.b), s.result);
        EXPECT_TRUE(EqualRect(&r, &s.expected));
    }
}

TEST(Rect, PointsAndAdjustments)
{
    RECT r;
    SetRect(&r, 1, 2, 5, 6);
    struct Case
    {
        POINT p;
        BOOL inside;
    } points[] = {{{1, 2}, TRUE}, {{4, 5}, TRUE}, {{5, 5}, FALSE}, {{4, 6}, FALSE}, {{0, 3}, FALSE}};
    for (const Case& c : points)
    {
        EXPECT_EQ(PtInRect(&r, c.p), c.inside) << c.p.x << "," << c.p.y;
    }
    OffsetRect(&r, 10, 20);
    RECT moved{11, 22, 15, 26};
    EXPECT_TRUE(EqualRect(&r, &moved));
    InflateRect(&r, 1, -1);
    RECT inflated{10, 23, 16, 25};
    EXPECT_TRUE(EqualRect(&r, &inflated));
    EXPECT_FALSE(IsRectEmpty(&r));
    SetRectEmpty(&r);
    EXPECT_TRUE(IsRectEmpty(&r));
    RECT inverted{5, 5, 1, 1};
    EXPECT_TRUE(IsRectEmpty(&inverted));
}
