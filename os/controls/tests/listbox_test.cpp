// The LISTBOX control driven by LB_ messages, taps and keys.
#include "control_test_util.h"

#include <cstdint>

namespace {

using namespace control_test;

constexpr int kListId = 1000;
constexpr DWORD kListStyle = WS_VSCROLL | LBS_NOTIFY; // the engine's list box

void fill(HWND list, std::initializer_list<const char16_t*> items)
{
    for (const char16_t* s : items)
        send(list, LB_ADDSTRING, 0, str(s));
}

TEST(ListBox, ClassIsKnown)
{
    WNDCLASSW wc{};
    const char16_t* names[] = {u"LISTBOX", u"ListBox", u"EDIT", u"Edit", u"BUTTON", u"COMBOBOX", u"STATIC"};
    for (const char16_t* n : names)
    {
        SetLastError(0xdeadbeef);
        EXPECT_TRUE(GetClassInfoW(nullptr, n, &wc)) << "a built-in class must be reported as known";
        EXPECT_NE(wc.lpfnWndProc, nullptr);
    }
}

TEST(ListBox, AddInsertDeleteAndErrors)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", kListStyle, 10, 10, 100, 80, kListId, WS_EX_CLIENTEDGE);
    struct Step
    {
        UINT msg;
        WPARAM w;
        const char16_t* text;
        LRESULT expected;
        int count_after;
    } steps[] = {
        {LB_GETCOUNT, 0, nullptr, 0, 0},
        {LB_ADDSTRING, 0, u"bravo", 0, 1},
        {LB_ADDSTRING, 0, u"alpha", 1, 2}, // no LBS_SORT: appended
        {LB_INSERTSTRING, 0, u"zulu", 0, 3},
        {LB_INSERTSTRING, (WPARAM)-1, u"end", 3, 4},
        {LB_INSERTSTRING, 9, u"far", LB_ERR, 4},
        {LB_DELETESTRING, 1, nullptr, 3, 3},
        {LB_DELETESTRING, 3, nullptr, LB_ERR, 3},
        {LB_DELETESTRING, (WPARAM)-1, nullptr, LB_ERR, 3},
        {LB_GETTEXTLEN, 0, nullptr, 4, 3},
        {LB_GETTEXTLEN, 5, nullptr, LB_ERR, 3},
        {LB_SETCURSEL, 1, nullptr, 1, 3},
        {LB_GETCURSEL, 0, nullptr, 1, 3},
        {LB_SETCURSEL, 7, nullptr, LB_ERR, 3},
        {LB_GETCURSEL, 0, nullptr, 1, 3}, // a bad row keeps the selection
        {LB_SETCURSEL, (WPARAM)-1, nullptr, LB_ERR, 3},
        {LB_GETCURSEL, 0, nullptr, LB_ERR, 3},
        {LB_GETITEMDATA, 3, nullptr, LB_ERR, 3},
        {LB_SETITEMDATA, 3, nullptr, LB_ERR, 3},
        {LB_RESETCONTENT, 0, nullptr, 0, 0},
        {LB_GETTEXTLEN, 0, nullptr, LB_ERR, 0},
    };
    int i = 0;
    for (const Step& s : steps)
    {
        LRESULT got = send(list, s.msg, s.w, str(s.text));
        EXPECT_EQ(got, s.expected) << "step " << i << " message 0x" << std::hex << s.msg;
        EXPECT_EQ(send(list, LB_GETCOUNT), s.count_after) << "step " << i;
        ++i;
    }
}

TEST(ListBox, TextAndPointerData)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", kListStyle, 10, 10, 100, 80, kListId);
    fill(list, {u"first", u"second"});
    WCHAR buf[32] = {};
    EXPECT_EQ(send(list, LB_GETTEXT, 1, (LPARAM)buf), 6);
    EXPECT_TRUE(std::u16string(buf) == u"second");
    EXPECT_EQ(send(list, LB_GETTEXT, 2, (LPARAM)buf), LB_ERR);

    // Item data holds a whole host pointer.
    static int anchor;
    LPARAM big = (LPARAM)(intptr_t)&anchor;
    EXPECT_EQ(send(list, LB_SETITEMDATA, 1, big), 0);
    EXPECT_EQ(send(list, LB_GETITEMDATA, 1), big);
    EXPECT_EQ(send(list, LB_GETITEMDATA, 0), 0) << "new rows carry 0";
    send(list, LB_INSERTSTRING, 0, str(u"zero"));
    EXPECT_EQ(send(list, LB_GETITEMDATA, 2), big) << "data moves with its row";
}

TEST(ListBox, FindAndSelectString)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", kListStyle, 10, 10, 100, 80, kListId);
    fill(list, {u"Apple", u"apricot", u"Banana", u"apple"});
    struct Case
    {
        UINT msg;
        int start;
        const char16_t* text;
        LRESULT expected;
    } cases[] = {
        {LB_FINDSTRING, -1, u"ap", 0},
        {LB_FINDSTRING, 0, u"ap", 1},       // starts after the start row
        {LB_FINDSTRING, 1, u"AP", 3},       // case-insensitive
        {LB_FINDSTRING, 3, u"ap", 0},       // wraps round
        {LB_FINDSTRING, 2, u"ban", 2},      // the start row itself is searched last
        {LB_FINDSTRING, -1, u"cherry", LB_ERR},
        {LB_FINDSTRING, 99, u"b", 2},       // a bad start searches from the top
        {LB_FINDSTRING, -1, u"", 0},        // an empty prefix matches the first row
        {LB_FINDSTRINGEXACT, -1, u"apple", 0},
        {LB_FINDSTRINGEXACT, 0, u"apple", 3},
        {LB_FINDSTRINGEXACT, -1, u"appl", LB_ERR},
    };
    for (const Case& c : cases)
        EXPECT_EQ(send(list, c.msg, (WPARAM)c.start, str(c.text)), c.expected)
            << "find \"" << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)) << "\" from "
            << c.start;
    EXPECT_EQ(send(list, LB_SELECTSTRING, (WPARAM)-1, str(u"b")), 2);
    EXPECT_EQ(send(list, LB_GETCURSEL), 2);
    EXPECT_EQ(send(list, LB_SELECTSTRING, (WPARAM)-1, str(u"x")), LB_ERR);
    EXPECT_EQ(send(list, LB_GETCURSEL), 2) << "a failed LB_SELECTSTRING keeps the selection";
    EXPECT_TRUE(codes_from(list).empty()) << "messages never notify: " << describe(codes_from(list));
}

TEST(ListBox, SortedInsertsInOrder)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", kListStyle | LBS_SORT, 10, 10, 100, 80, kListId);
    EXPECT_EQ(send(list, LB_ADDSTRING, 0, str(u"delta")), 0);
    EXPECT_EQ(send(list, LB_ADDSTRING, 0, str(u"Alpha")), 0);
    EXPECT_EQ(send(list, LB_ADDSTRING, 0, str(u"charlie")), 1);
    EXPECT_EQ(send(list, LB_ADDSTRING, 0, str(u"Echo")), 3);
    send(list, LB_SETCURSEL, 1);
    EXPECT_EQ(send(list, LB_ADDSTRING, 0, str(u"bravo")), 1);
    EXPECT_EQ(send(list, LB_GETCURSEL), 2) << "the selected row moves down with an insert above it";
}

TEST(ListBox, TapSelectsAndNotifies)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", kListStyle, 10, 10, 100, 120, kListId);
    fill(list, {u"one", u"two", u"three", u"four"});
    int h = (int)send(list, LB_GETITEMHEIGHT);
    ASSERT_GT(h, 0);
    tap(list, 20, h * 2 + h / 2);
    EXPECT_EQ(send(list, LB_GETCURSEL), 2);
    EXPECT_EQ(describe(codes_from(list)), describe({LBN_SETFOCUS, LBN_SELCHANGE}));
    EXPECT_EQ(GetFocus(), list) << "a tap gives the list the focus";

    log().notes.clear();
    tap(list, 20, h * 2 + h / 2);
    EXPECT_TRUE(codes_from(list).empty()) << "tapping the selected row changes nothing";
    tap(list, 20, h * 10);
    EXPECT_EQ(send(list, LB_GETCURSEL), 2) << "a tap below the rows keeps the selection";

    key(VK_DOWN);
    EXPECT_EQ(send(list, LB_GETCURSEL), 3);
    key(VK_DOWN);
    EXPECT_EQ(send(list, LB_GETCURSEL), 3) << "the last row stays selected";
    key(VK_HOME);
    EXPECT_EQ(send(list, LB_GETCURSEL), 0);
    key(VK_UP);
    EXPECT_EQ(send(list, LB_GETCURSEL), 0);
    EXPECT_EQ(describe(codes_from(list)), describe({LBN_SELCHANGE, LBN_SELCHANGE}));
}

TEST(ListBox, NoNotifyWithoutStyle)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", 0, 10, 10, 100, 120, kListId);
    fill(list, {u"one", u"two"});
    int h = (int)send(list, LB_GETITEMHEIGHT);
    tap(list, 20, h + h / 2);
    EXPECT_EQ(send(list, LB_GETCURSEL), 1);
    EXPECT_TRUE(codes_from(list).empty()) << describe(codes_from(list));
}

TEST(ListBox, ScrollsToTheSelection)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", kListStyle | LBS_NOINTEGRALHEIGHT, 10, 10, 100, 60, kListId);
    for (int i = 0; i < 20; ++i)
        send(list, LB_ADDSTRING, 0, str(u"row"));
    int h = (int)send(list, LB_GETITEMHEIGHT);
    int visible = 60 / h;
    EXPECT_EQ(send(list, LB_GETTOPINDEX), 0);
    send(list, LB_SETCURSEL, 15);
    EXPECT_EQ(send(list, LB_GETTOPINDEX), 15 - visible + 1) << "the selected row is scrolled to the bottom";
    send(list, LB_SETCURSEL, 2);
    EXPECT_EQ(send(list, LB_GETTOPINDEX), 2) << "and to the top";
    EXPECT_EQ(send(list, LB_SETTOPINDEX, 7), 0);
    EXPECT_EQ(send(list, LB_GETTOPINDEX), 7);
    EXPECT_EQ(send(list, LB_SETTOPINDEX, 20), LB_ERR);
    EXPECT_EQ(send(list, LB_GETTOPINDEX), 7);
    // A tap on the first visible row picks row 7.
    tap(list, 20, h / 2);
    EXPECT_EQ(send(list, LB_GETCURSEL), 7);
    EXPECT_EQ(send(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(20, 0)), 0);
    EXPECT_EQ(send(list, LB_GETITEMHEIGHT), 20);
    EXPECT_EQ(send(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(256, 0)), LB_ERR);
}

TEST(ListBox, FontSetsTheRowHeight)
{
    Parent p;
    HWND list = p.child(u"LISTBOX", u"", kListStyle, 10, 10, 100, 80, kListId);
    EXPECT_EQ(send(list, WM_GETFONT), 0) << "no font until one is set: the system font";
    LOGFONTW lf{};
    lf.lfHeight = 24;
    HFONT big = CreateFontIndirectW(&lf);
    send(list, WM_SETFONT, (WPARAM)big, TRUE);
    EXPECT_EQ(send(list, WM_GETFONT), (LRESULT)big);
    EXPECT_EQ(send(list, LB_GETITEMHEIGHT), 24) << "rows are as high as the font's cell";
    send(list, WM_SETFONT, 0, FALSE);
    EXPECT_LT(send(list, LB_GETITEMHEIGHT), 24);
    DestroyWindow(list);
    DeleteObject(big);
}

TEST(ListBox, PaintsWithTheParentsBrush)
{
    Parent p;
    answer_colors(RGB(0, 0, 255), RGB(255, 255, 0), RGB(0, 0, 255));
    HWND list = p.child(u"LISTBOX", u"", kListStyle, 10, 10, 100, 80, kListId);
    fill(list, {u"one", u"two"});
    send(list, LB_SETCURSEL, 1);
    UpdateWindow(list);
    ASSERT_FALSE(log().colors.empty()) << "WM_CTLCOLORLISTBOX was not sent";
    EXPECT_EQ(log().colors.back().message, (UINT)WM_CTLCOLORLISTBOX);
    EXPECT_EQ(log().colors.back().control, list);
    int h = (int)send(list, LB_GETITEMHEIGHT);
    EXPECT_EQ(screen_color(list, 95, 2 * h + 5), on_screen(RGB(0, 0, 255))) << "the background below the rows";
    EXPECT_EQ(screen_color(list, 95, h + 1), on_screen(GetSysColor(COLOR_HIGHLIGHT))) << "the selected row";
}

} // namespace
