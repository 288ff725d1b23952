// The COMBOBOX control: CB_ messages and the drop-down list driven by taps.
#include "control_test_util.h"

namespace {

using namespace control_test;

constexpr int kComboId = 2;
constexpr DWORD kComboStyle = WS_VSCROLL | CBS_DROPDOWNLIST; // the engine's combo box

TEST(ComboBox, MessagesAndErrors)
{
    Parent p;
    HWND combo = p.child(u"COMBOBOX", u"", kComboStyle, 10, 10, 120, 22, kComboId);
    struct Step
    {
        UINT msg;
        WPARAM w;
        LPARAM l;
        LRESULT expected;
    } steps[] = {
        {CB_GETCOUNT, 0, 0, 0},
        {CB_GETCURSEL, 0, 0, CB_ERR},
        {CB_ADDSTRING, 0, str(u"Easy"), 0},
        {CB_ADDSTRING, 0, str(u"Hard"), 1},
        {CB_INSERTSTRING, 1, str(u"Normal"), 1},
        {CB_INSERTSTRING, 7, str(u"Bad"), CB_ERR},
        {CB_GETCOUNT, 0, 0, 3},
        {CB_SETCURSEL, 2, 0, 2},
        {CB_GETCURSEL, 0, 0, 2},
        {CB_SETCURSEL, 3, 0, CB_ERR},
        {CB_GETLBTEXTLEN, 1, 0, 6},
        {CB_GETLBTEXTLEN, 3, 0, CB_ERR},
        {CB_FINDSTRING, (WPARAM)-1, str(u"no"), 1},
        {CB_FINDSTRING, (WPARAM)-1, str(u"x"), CB_ERR},
        {CB_FINDSTRINGEXACT, (WPARAM)-1, str(u"HARD"), 2},
        {CB_SETITEMDATA, 0, 12345, 0},
        {CB_GETITEMDATA, 0, 0, 12345},
        {CB_GETITEMDATA, 5, 0, CB_ERR},
        {CB_DELETESTRING, 0, 0, 2},
        {CB_GETCURSEL, 0, 0, 1}, // the selected row moved up
        {CB_DELETESTRING, 9, 0, CB_ERR},
        {CB_SELECTSTRING, (WPARAM)-1, str(u"nor"), 0},
        {CB_GETDROPPEDSTATE, 0, 0, FALSE},
        {CB_RESETCONTENT, 0, 0, CB_OKAY},
        {CB_GETCOUNT, 0, 0, 0},
        {CB_GETCURSEL, 0, 0, CB_ERR},
    };
    int i = 0;
    for (const Step& s : steps)
    {
        EXPECT_EQ(send(combo, s.msg, s.w, s.l), s.expected) << "step " << i << " message 0x" << std::hex << s.msg;
        ++i;
    }
    EXPECT_TRUE(log().notes.empty()) << "messages never notify: " << describe(codes_from(combo));
}

TEST(ComboBox, TextIsTheSelection)
{
    Parent p;
    HWND combo = p.child(u"COMBOBOX", u"", kComboStyle, 10, 10, 120, 22, kComboId);
    send(combo, CB_ADDSTRING, 0, str(u"Red"));
    send(combo, CB_ADDSTRING, 0, str(u"Green"));
    EXPECT_EQ(GetWindowTextLengthW(combo), 0);
    send(combo, CB_SETCURSEL, 1);
    EXPECT_TRUE(text_of(combo) == u"Green");
    WCHAR buf[16];
    EXPECT_EQ(send(combo, CB_GETLBTEXT, 0, (LPARAM)buf), 3);
    EXPECT_TRUE(std::u16string(buf) == u"Red");
}

TEST(ComboBox, TapOpensTapOnRowSelects)
{
    Parent p;
    HWND combo = p.child(u"COMBOBOX", u"", kComboStyle, 10, 10, 120, 22, kComboId);
    for (const char16_t* s : {u"Easy", u"Normal", u"Hard"})
        send(combo, CB_ADDSTRING, 0, str(s));
    int h = (int)send(combo, CB_GETITEMHEIGHT);
    ASSERT_GT(h, 0);
    tap(combo, 60, 11);
    EXPECT_EQ(send(combo, CB_GETDROPPEDSTATE), TRUE);
    // The list opens right below the field: row 2 is at 22 + 2h + h/2.
    tap(combo, 60, 22 + 1 + 2 * h + h / 2);
    EXPECT_EQ(send(combo, CB_GETDROPPEDSTATE), FALSE);
    EXPECT_EQ(send(combo, CB_GETCURSEL), 2);
    EXPECT_EQ(describe(codes_from(combo)),
              describe({CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP}));

    // Open again and tap outside: closes without a change.
    log().notes.clear();
    tap(combo, 60, 11);
    tap(p.hwnd, 200, 300);
    EXPECT_EQ(send(combo, CB_GETDROPPEDSTATE), FALSE);
    EXPECT_EQ(send(combo, CB_GETCURSEL), 2);
    EXPECT_EQ(describe(codes_from(combo)), describe({CBN_DROPDOWN, CBN_CLOSEUP}));
}

TEST(ComboBox, LongListPagesOnItsBar)
{
    Parent p;
    HWND combo = p.child(u"COMBOBOX", u"", kComboStyle, 10, 10, 120, 22, kComboId);
    for (int i = 0; i < 20; ++i)
        send(combo, CB_ADDSTRING, 0, str(u"row"));
    int h = (int)send(combo, CB_GETITEMHEIGHT);
    tap(combo, 60, 11);
    // Eight rows show; the bar is the right-most pixels of the list.
    tap(combo, 117, 22 + 1 + 7 * h);
    EXPECT_EQ(send(combo, CB_GETDROPPEDSTATE), TRUE) << "a tap on the bar keeps the list open";
    tap(combo, 40, 22 + 1 + h / 2);
    EXPECT_EQ(send(combo, CB_GETDROPPEDSTATE), FALSE);
    EXPECT_EQ(send(combo, CB_GETCURSEL), 8) << "the first row shown after paging down by eight";
}

TEST(ComboBox, ShowDropDownAndKeys)
{
    Parent p;
    HWND combo = p.child(u"COMBOBOX", u"", kComboStyle, 10, 10, 120, 22, kComboId);
    for (const char16_t* s : {u"a", u"b", u"c"})
        send(combo, CB_ADDSTRING, 0, str(s));
    EXPECT_EQ(send(combo, CB_SHOWDROPDOWN, TRUE), TRUE);
    EXPECT_EQ(send(combo, CB_GETDROPPEDSTATE), TRUE);
    EXPECT_EQ(send(combo, CB_SHOWDROPDOWN, FALSE), TRUE);
    EXPECT_EQ(send(combo, CB_GETDROPPEDSTATE), FALSE);
    EXPECT_EQ(describe(codes_from(combo)), describe({CBN_DROPDOWN, CBN_CLOSEUP}));
    log().notes.clear();
    SetFocus(combo);
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(send(combo, CB_GETCURSEL), 1);
    EXPECT_EQ(describe(codes_from(combo)), describe({CBN_SETFOCUS, CBN_SELCHANGE, CBN_SELCHANGE}));
    DestroyWindow(combo); // with the list open or not, nothing is left behind
}

TEST(ComboBox, ListClosesWithItsCombo)
{
    Parent p;
    HWND combo = p.child(u"COMBOBOX", u"", kComboStyle, 10, 10, 120, 22, kComboId);
    send(combo, CB_ADDSTRING, 0, str(u"x"));
    send(combo, CB_SHOWDROPDOWN, TRUE);
    HWND list = GetCapture();
    ASSERT_NE(list, nullptr) << "the open list takes the pen";
    DestroyWindow(combo);
    EXPECT_FALSE(IsWindow(list));
}

TEST(ComboBox, FieldAsksForEditColours)
{
    Parent p;
    answer_colors(RGB(0, 128, 0), RGB(0, 0, 0), RGB(0, 128, 0));
    HWND combo = p.child(u"COMBOBOX", u"", kComboStyle, 10, 10, 120, 22, kComboId);
    UpdateWindow(combo);
    ASSERT_FALSE(log().colors.empty());
    EXPECT_EQ(log().colors.back().message, (UINT)WM_CTLCOLOREDIT);
    EXPECT_EQ(screen_color(combo, 50, 11), on_screen(RGB(0, 128, 0)));
}

} // namespace
