// The mouse wheel: lists and multi-line edits scroll under the pointer, a
// control that does not scroll hands the turn to its parent.
#include "control_test_util.h"

#include <string>

namespace {

using namespace control_test;

std::u16string numbered_lines(int count)
{
    std::u16string text;
    for (int i = 0; i < count; ++i)
        text += (i ? u"\r\n" : u"") + std::u16string(u"line ") + char16_t(u'A' + i % 26);
    return text;
}

int first_edit_line(HWND edit)
{
    return (int)SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
}

int first_list_row(HWND list)
{
    return (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0);
}

struct Turn
{
    int turn;
    int first; // the first line or row shown after it
};

// 40 lines or rows, 8 of them shown: 3 a notch, never before the first nor
// past the last page; fine steps add up to a line each third of a notch.
const Turn kTurns[] = {
    {-WHEEL_DELTA, 3}, {-2 * WHEEL_DELTA, 9},    {WHEEL_DELTA, 6},       {-40, 7},         {-40, 8}, {20, 8},
    {20, 7},           {-100 * WHEEL_DELTA, 32}, {100 * WHEEL_DELTA, 0}, {WHEEL_DELTA, 0},
};

TEST(Wheel, ScrollsAMultiLineEdit)
{
    Parent parent;
    HDC dc = GetDC(parent.hwnd);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    ReleaseDC(parent.hwnd, dc);
    int lh = tm.tmHeight;
    // Eight whole lines inside the border and the margins.
    HWND edit = parent.child(u"EDIT", numbered_lines(40).c_str(), WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                             10, 10, 200, 8 * lh + 4, 1);
    ASSERT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 40);
    for (const Turn& t : kTurns)
    {
        wheel(edit, 50, 20, t.turn);
        EXPECT_EQ(first_edit_line(edit), t.first) << "after a turn of " << t.turn;
    }
    EXPECT_EQ(log().wheel, 0) << "the edit keeps the turns it uses";
}

TEST(Wheel, ScrollsAListBox)
{
    Parent parent;
    HWND list = parent.child(u"LISTBOX", u"", WS_BORDER | WS_VSCROLL, 10, 10, 200, 100, 1);
    int rows = 40;
    for (int i = 0; i < rows; ++i)
        SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)(u"row " + std::u16string(1, char16_t(u'A' + i % 26))).c_str());
    int row_height = (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    MoveWindow(list, 10, 10, 200, 8 * row_height + 2, TRUE);
    for (const Turn& t : kTurns)
    {
        wheel(list, 50, 20, t.turn);
        EXPECT_EQ(first_list_row(list), t.first) << "after a turn of " << t.turn;
    }
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR) << "the wheel scrolls, it does not select";
}

TEST(Wheel, GoesToTheWindowUnderThePointer)
{
    Parent parent;
    HWND edit = parent.child(u"EDIT", numbered_lines(40).c_str(), WS_BORDER | ES_MULTILINE, 10, 10, 100, 60, 1);
    HWND list = parent.child(u"LISTBOX", u"", WS_BORDER, 120, 10, 100, 60, 2);
    for (int i = 0; i < 40; ++i)
        SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)u"row");
    HWND button = parent.child(u"BUTTON", u"OK", BS_PUSHBUTTON, 10, 100, 60, 20, 3);
    HWND single = parent.child(u"EDIT", u"one line", WS_BORDER, 10, 130, 100, 20, 4);
    SetFocus(edit);
    pump();
    wheel(list, 20, 20, -WHEEL_DELTA);
    EXPECT_EQ(first_list_row(list), 3) << "the list under the pointer scrolls";
    EXPECT_EQ(first_edit_line(edit), 0) << "not the edit with the focus";
    // Controls that do not scroll pass the turn on to their parent.
    wheel(button, 10, 10, -WHEEL_DELTA);
    wheel(single, 10, 10, 2 * WHEEL_DELTA);
    EXPECT_EQ(log().wheel, WHEEL_DELTA);
    wheel(parent.hwnd, 230, 300, -WHEEL_DELTA);
    EXPECT_EQ(log().wheel, 0) << "the parent itself under the pointer";
}

TEST(Wheel, ComboBoxMovesItsSelectionOrScrollsItsList)
{
    Parent parent;
    HWND combo = parent.child(u"COMBOBOX", u"", CBS_DROPDOWNLIST, 10, 10, 120, 20, 1);
    for (int i = 0; i < 20; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)(u"item " + std::u16string(1, char16_t(u'A' + i))).c_str());
    SendMessageW(combo, CB_SETCURSEL, 5, 0);
    wheel(combo, 10, 10, -WHEEL_DELTA);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 5) << "without the focus the field does not change";
    EXPECT_EQ(log().wheel, -WHEEL_DELTA) << "it goes to the parent instead";
    SetFocus(combo);
    pump();
    wheel(combo, 10, 10, -2 * WHEEL_DELTA);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 7);
    EXPECT_EQ(codes_from(combo).back(), CBN_SELCHANGE);
    wheel(combo, 10, 10, 20 * WHEEL_DELTA);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0) << "never before the first row";
    // The open list (below the field) holds the pointer: its rows scroll and
    // the selection stays until a row is tapped.
    int h = (int)SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
    tap(combo, 60, 10);
    ASSERT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
    wheel(combo, 40, 20 + 1 + 2 * h, -WHEEL_DELTA);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    tap(combo, 40, 20 + 1 + h / 2);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3) << "the first row shown after a notch";
}

} // namespace
