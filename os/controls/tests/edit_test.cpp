// The EDIT control driven by EM_ messages, typing, keys and taps.
#include "control_test_util.h"

namespace {

using namespace control_test;

constexpr int kEditId = 1004;
constexpr DWORD kSingle = ES_AUTOVSCROLL | ES_AUTOHSCROLL;                  // the engine's EDIT
constexpr DWORD kArea = kSingle | ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL; // TEXTAREA with wrap

std::pair<DWORD, DWORD> selection(HWND edit)
{
    DWORD a = 0xdead, b = 0xbeef;
    LRESULT r = send(edit, EM_GETSEL, (WPARAM)&a, (LPARAM)&b);
    EXPECT_EQ((DWORD)LOWORD(r), a);
    EXPECT_EQ((DWORD)HIWORD(r), b);
    return {a, b};
}

std::string narrow(const std::u16string& s)
{
    return std::string(s.begin(), s.end());
}

TEST(Edit, CreateTextAndGetText)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"hello", kSingle, 10, 10, 120, 20, kEditId, WS_EX_CLIENTEDGE);
    EXPECT_EQ(narrow(text_of(edit)), "hello");
    EXPECT_EQ(GetWindowTextLengthW(edit), 5);
    WCHAR small[4];
    EXPECT_EQ(send(edit, WM_GETTEXT, 4, (LPARAM)small), 3) << "text is cut to the buffer, terminated";
    EXPECT_EQ(narrow(small), "hel");
    EXPECT_TRUE(SetWindowTextW(edit, u"other"));
    EXPECT_EQ(narrow(text_of(edit)), "other");
    EXPECT_EQ(selection(edit), std::make_pair(DWORD(0), DWORD(0))) << "new text puts the caret at the start";
    EXPECT_EQ(describe(codes_from(edit)), describe({EN_UPDATE, EN_CHANGE}));
}

TEST(Edit, SetSelTable)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"abcdefgh", kSingle, 10, 10, 120, 20, kEditId);
    struct Case
    {
        int start;
        int end;
        DWORD lo;
        DWORD hi;
    } cases[] = {
        {0, -1, 0, 8}, // everything
        {2, 5, 2, 5},
        {5, 2, 2, 5},   // either order
        {-1, 0, 2, 5},  // -1 drops the selection, keeps the caret
        {3, 100, 3, 8}, // past the end
        {8, 8, 8, 8},
        {0, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        send(edit, EM_SETSEL, (WPARAM)c.start, (LPARAM)c.end);
        auto [lo, hi] = selection(edit);
        if (c.start == -1)
        {
            EXPECT_EQ(lo, hi) << "EM_SETSEL -1 leaves no selection";
            continue;
        }
        EXPECT_EQ(lo, c.lo) << "EM_SETSEL " << c.start << "," << c.end;
        EXPECT_EQ(hi, c.hi) << "EM_SETSEL " << c.start << "," << c.end;
    }
}

TEST(Edit, ReplaceSelAndLimit)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"", kSingle, 10, 10, 120, 20, kEditId);
    EXPECT_EQ(send(edit, EM_GETLIMITTEXT), 30000) << "the default limit";
    send(edit, EM_LIMITTEXT, 5);
    EXPECT_EQ(send(edit, EM_GETLIMITTEXT), 5);
    log().notes.clear();
    struct Step
    {
        int sel_start;
        int sel_end;
        const char16_t* insert;
        const char* text;
        std::vector<int> codes;
    } steps[] = {
        {0, 0, u"abc", "abc", {EN_UPDATE, EN_CHANGE}},
        {3, 3, u"defg", "abcde", {EN_UPDATE, EN_CHANGE, EN_MAXTEXT}},
        {5, 5, u"x", "abcde", {EN_MAXTEXT}},
        {1, 3, u"XY", "aXYde", {EN_UPDATE, EN_CHANGE}}, // replacing frees room
        {0, -1, u"", "", {EN_UPDATE, EN_CHANGE}},
    };
    for (const Step& s : steps)
    {
        log().notes.clear();
        send(edit, EM_SETSEL, (WPARAM)s.sel_start, (LPARAM)s.sel_end);
        send(edit, EM_REPLACESEL, FALSE, (LPARAM)s.insert);
        EXPECT_EQ(narrow(text_of(edit)), s.text);
        EXPECT_EQ(describe(codes_from(edit)), describe(s.codes)) << "after inserting into \"" << s.text << "\"";
    }
    // WM_SETTEXT is not held to the limit.
    SetWindowTextW(edit, u"longer than five");
    EXPECT_EQ(narrow(text_of(edit)), "longer than five");
    send(edit, EM_LIMITTEXT, 0);
    EXPECT_GT(send(edit, EM_GETLIMITTEXT), 30000) << "0 lifts the limit";
}

TEST(Edit, TypingAfterTheFocus)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"", kSingle, 10, 10, 120, 20, kEditId);
    tap(edit, 5, 5);
    EXPECT_EQ(GetFocus(), edit) << "a tap gives the edit the focus";
    EXPECT_EQ(os::host::headless::text_input_state(), 1) << "text input is asked of the host";
    type(u"Hi!");
    EXPECT_EQ(narrow(text_of(edit)), "Hi!");
    key(VK_BACK);
    EXPECT_EQ(narrow(text_of(edit)), "Hi");
    key(VK_RETURN);
    EXPECT_EQ(narrow(text_of(edit)), "Hi") << "Return does not enter a single-line edit";
    std::vector<int> expected = {EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE,
                                 EN_UPDATE, EN_CHANGE};
    EXPECT_EQ(describe(codes_from(edit)), describe(expected));
    SetFocus(p.hwnd);
    EXPECT_EQ(codes_from(edit).back(), EN_KILLFOCUS);
    EXPECT_EQ(os::host::headless::text_input_state(), 0);
    for (const Note& n : log().notes)
        EXPECT_EQ(n.id, kEditId) << "the low word of WM_COMMAND is the control id";
}

TEST(Edit, CaretKeys)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"abcdef", kSingle, 10, 10, 120, 20, kEditId);
    SetFocus(edit);
    struct Step
    {
        UINT vk;
        DWORD lo;
        DWORD hi;
    } steps[] = {
        {VK_END, 6, 6}, {VK_LEFT, 5, 5}, {VK_LEFT, 4, 4}, {VK_HOME, 0, 0}, {VK_LEFT, 0, 0},
        {VK_RIGHT, 1, 1}, {VK_DELETE, 1, 1},
    };
    for (const Step& s : steps)
    {
        key(s.vk);
        auto [lo, hi] = selection(edit);
        EXPECT_EQ(lo, s.lo) << "after key 0x" << std::hex << s.vk;
        EXPECT_EQ(hi, s.hi) << "after key 0x" << std::hex << s.vk;
    }
    EXPECT_EQ(narrow(text_of(edit)), "acdef");
    send(edit, EM_SETSEL, 1, 3);
    key(VK_RIGHT);
    EXPECT_EQ(selection(edit), std::make_pair(DWORD(3), DWORD(3))) << "Right collapses a selection to its end";
    send(edit, EM_SETSEL, 1, 3);
    type(u"Z");
    EXPECT_EQ(narrow(text_of(edit)), "aZef") << "typing replaces the selection";
}

TEST(Edit, PenPlacesTheCaretAndSelects)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"abcdef", kSingle, 10, 10, 150, 20, kEditId);
    tap(edit, 140, 10);
    EXPECT_EQ(selection(edit), std::make_pair(DWORD(6), DWORD(6))) << "right of the text: the end";
    tap(edit, 0, 10);
    EXPECT_EQ(selection(edit), std::make_pair(DWORD(0), DWORD(0))) << "at the left edge: the start";
    pen(os::host::EventType::PenDown, edit, 0, 10);
    pen(os::host::EventType::PenMove, edit, 140, 10);
    pen(os::host::EventType::PenUp, edit, 140, 10);
    EXPECT_EQ(selection(edit), std::make_pair(DWORD(0), DWORD(6))) << "a drag selects";
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(Edit, ReadOnlyAndNumber)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"fixed", kSingle, 10, 10, 120, 20, kEditId);
    SetFocus(edit);
    EXPECT_EQ(send(edit, EM_SETREADONLY, TRUE), TRUE);
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
    send(edit, EM_SETSEL, 5, 5);
    type(u"x");
    key(VK_BACK);
    key(VK_DELETE);
    EXPECT_EQ(narrow(text_of(edit)), "fixed") << "the user cannot change a read-only edit";
    send(edit, EM_REPLACESEL, 0, (LPARAM)u"!");
    EXPECT_EQ(narrow(text_of(edit)), "fixed!") << "the program still can";
    send(edit, EM_SETREADONLY, FALSE);
    EXPECT_FALSE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);

    HWND number = p.child(u"EDIT", u"", ES_NUMBER, 10, 40, 120, 20, kEditId + 1);
    SetFocus(number);
    type(u"1a2-3");
    EXPECT_EQ(narrow(text_of(number)), "123");
}

TEST(Edit, PasswordKeepsTheText)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"", ES_PASSWORD, 10, 10, 120, 20, kEditId);
    EXPECT_EQ(send(edit, EM_GETPASSWORDCHAR), u'*');
    SetFocus(edit);
    type(u"secret");
    EXPECT_EQ(narrow(text_of(edit)), "secret");
    send(edit, EM_SETPASSWORDCHAR, 0);
    EXPECT_EQ(send(edit, EM_GETPASSWORDCHAR), 0);
}

TEST(Edit, MultiLineBreaksAndCounts)
{
    Parent p;
    HWND area = p.child(u"EDIT", u"", kArea & ~(ES_AUTOHSCROLL), 10, 10, 100, 120, kEditId, WS_EX_CLIENTEDGE);
    EXPECT_EQ(send(area, EM_GETLINECOUNT), 1) << "an empty edit has one line";
    SetFocus(area);
    type(u"ab");
    key(VK_RETURN);
    type(u"cd");
    EXPECT_EQ(narrow(text_of(area)), "ab\r\ncd") << "Return enters a line break";
    EXPECT_EQ(send(area, EM_GETLINECOUNT), 2);
    EXPECT_EQ(send(area, EM_LINEINDEX, 1), 4);
    EXPECT_EQ(send(area, EM_LINEINDEX, 2), -1);
    EXPECT_EQ(send(area, EM_LINELENGTH, 4), 2);
    EXPECT_EQ(send(area, EM_LINEFROMCHAR, 5), 1);
    WCHAR line[8] = {};
    *(WORD*)line = 8;
    EXPECT_EQ(send(area, EM_GETLINE, 1, (LPARAM)line), 2);
    EXPECT_EQ(line[0], u'c');
    key(VK_BACK);
    key(VK_BACK);
    key(VK_BACK);
    EXPECT_EQ(narrow(text_of(area)), "ab") << "Backspace takes a CR LF pair at once";

    // Long text wraps at word boundaries: more lines than hard breaks.
    SetWindowTextW(area, u"one two three four five six seven eight nine ten eleven twelve");
    LRESULT wrapped = send(area, EM_GETLINECOUNT);
    EXPECT_GT(wrapped, 2);
    // The same text in a wider edit takes fewer lines.
    MoveWindow(area, 10, 10, 220, 120, TRUE);
    EXPECT_LT(send(area, EM_GETLINECOUNT), wrapped);

    // With ES_AUTOHSCROLL only hard breaks end lines.
    HWND log_area = p.child(u"EDIT", u"", kArea, 10, 140, 100, 100, kEditId + 1);
    SetWindowTextW(log_area, u"one two three four five six seven eight\r\nnine\r\n");
    EXPECT_EQ(send(log_area, EM_GETLINECOUNT), 3) << "a final line break opens a last, empty line";
    EXPECT_TRUE(codes_from(log_area).empty()) << "WM_SETTEXT of a multi-line edit does not notify";
}

TEST(Edit, MultiLineScrollsToTheEnd)
{
    Parent p;
    HWND area = p.child(u"EDIT", u"", kArea | ES_READONLY, 10, 10, 100, 60, kEditId);
    std::u16string text;
    for (int i = 0; i < 20; ++i)
        text += u"line\r\n";
    SetWindowTextW(area, text.c_str());
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), 0);
    int lines = (int)send(area, EM_GETLINECOUNT);
    EXPECT_EQ(send(area, EM_LINESCROLL, 0, lines), TRUE);
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), lines - 1);
    send(area, EM_LINESCROLL, 0, -1000);
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), 0);
    send(area, EM_SETSEL, (WPARAM)text.size(), (LPARAM)text.size());
    send(area, EM_SCROLLCARET);
    EXPECT_GT(send(area, EM_GETFIRSTVISIBLELINE), 10) << "the caret's line is brought into view";
}

TEST(Edit, ScrollBarPages)
{
    Parent p;
    HWND area = p.child(u"EDIT", u"", kArea, 10, 10, 100, 62, kEditId);
    std::u16string text;
    for (int i = 0; i < 30; ++i)
        text += u"line\r\n";
    SetWindowTextW(area, text.c_str());
    auto caret = selection(area);
    tap(area, 96, 58); // the bar's foot, below the thumb
    LRESULT first = send(area, EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(first, 1) << "a page down";
    EXPECT_EQ(selection(area), caret) << "the caret stays where it was";
    tap(area, 96, 1); // above the thumb now
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), 0) << "and back up";
}

// A read-only text box as a licence is shown in: the thumb follows the pen,
// Page Down and Page Up scroll a page with the caret, Ctrl+Home and Ctrl+End
// go to the ends.
TEST(Edit, ScrollBarThumbDragsAndPageKeys)
{
    Parent p;
    HWND area = p.child(u"EDIT", u"", kArea | ES_READONLY | WS_BORDER, 10, 10, 100, 62, kEditId);
    std::u16string text;
    for (int i = 0; i < 30; ++i)
        text += u"line\r\n";
    SetWindowTextW(area, text.c_str());
    int lines = (int)send(area, EM_GETLINECOUNT);
    pen(os::host::EventType::PenDown, area, 95, 3); // on the thumb at the top
    pen(os::host::EventType::PenMove, area, 95, 30);
    LRESULT middle = send(area, EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(middle, 5) << "the rows follow the thumb";
    EXPECT_LT(middle, lines - 5);
    pen(os::host::EventType::PenMove, area, 95, 500);
    LRESULT last = send(area, EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(last, middle) << "dragged to the foot";
    pen(os::host::EventType::PenUp, area, 95, 500);
    pen(os::host::EventType::PenMove, area, 95, 3);
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), last) << "the drag ended with the pen";
    pen(os::host::EventType::PenDown, area, 95, 59); // on the thumb at the foot
    pen(os::host::EventType::PenMove, area, 95, -400);
    pen(os::host::EventType::PenUp, area, 95, -400);
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), 0) << "and back to the top";

    SetFocus(area);
    send(area, EM_SETSEL, 0, 0);
    key(VK_NEXT);
    LRESULT page = send(area, EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(page, 1) << "Page Down scrolls a page";
    EXPECT_EQ(send(area, EM_LINEFROMCHAR, (WPARAM)-1), page) << "the caret comes along";
    key(VK_NEXT);
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), 2 * page);
    key(VK_PRIOR);
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), page) << "Page Up";
    key(VK_DOWN);
    EXPECT_EQ(send(area, EM_LINEFROMCHAR, (WPARAM)-1), page + 1) << "Down moves the caret a line";
    keybd_event(VK_CONTROL, 0, 0, 0);
    key(VK_END);
    EXPECT_EQ(selection(area), std::make_pair(DWORD(text.size()), DWORD(text.size()))) << "Ctrl+End";
    EXPECT_GT(send(area, EM_GETFIRSTVISIBLELINE), 2 * page) << "the end in view";
    key(VK_HOME);
    EXPECT_EQ(selection(area), std::make_pair(DWORD(0), DWORD(0))) << "Ctrl+Home";
    EXPECT_EQ(send(area, EM_GETFIRSTVISIBLELINE), 0);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    pump();
    EXPECT_EQ(narrow(text_of(area)).size(), text.size()) << "read-only: the keys changed nothing";
}

// The engine's subclass: Return's key-up moves the focus to the parent.
WNDPROC g_saved;
std::vector<UINT> g_seen;

LRESULT CALLBACK subclass_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_KEYUP || msg == WM_KEYDOWN || msg == WM_CHAR)
        g_seen.push_back(msg);
    if (msg == WM_KEYUP && wparam == VK_RETURN)
    {
        SetFocus(GetParent(hwnd));
        return 0;
    }
    return CallWindowProcW(g_saved, hwnd, msg, wparam, lparam);
}

TEST(Edit, SubclassSeesReturnKeyUp)
{
    Parent p;
    HWND edit = p.child(u"EDIT", u"", kSingle, 10, 10, 120, 20, kEditId);
    g_saved = (WNDPROC)SetWindowLongW(edit, GWL_WNDPROC, (LONG_PTR)subclass_proc);
    ASSERT_NE(g_saved, nullptr);
    tap(edit, 5, 5);
    type(u"ok");
    g_seen.clear();
    key(VK_RETURN);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.back(), (UINT)WM_KEYUP) << "the key-up of Return reaches the subclass";
    EXPECT_EQ(GetFocus(), p.hwnd);
    EXPECT_EQ(narrow(text_of(edit)), "ok");
    auto codes = codes_from(edit);
    EXPECT_EQ(codes.front(), EN_SETFOCUS);
    EXPECT_EQ(codes.back(), EN_KILLFOCUS) << "losing the focus to the parent commits the edit";
    SetWindowLongW(edit, GWL_WNDPROC, (LONG_PTR)g_saved);
    EXPECT_EQ((WNDPROC)GetWindowLongW(edit, GWL_WNDPROC), g_saved);
}

TEST(Edit, PaintsWithTheParentsBrush)
{
    Parent p;
    answer_colors(RGB(80, 80, 100), RGB(255, 255, 255), RGB(80, 80, 100));
    HWND edit = p.child(u"EDIT", u"W", kSingle, 10, 10, 120, 24, kEditId, WS_EX_CLIENTEDGE);
    UpdateWindow(edit);
    ASSERT_FALSE(log().colors.empty()) << "WM_CTLCOLOREDIT was not sent";
    EXPECT_EQ(log().colors.back().message, (UINT)WM_CTLCOLOREDIT);
    EXPECT_EQ(log().colors.back().control, edit);
    EXPECT_EQ(screen_color(edit, 100, 12), on_screen(RGB(80, 80, 100))) << "the field";
    EXPECT_EQ(screen_color(edit, 0, 0), on_screen(RGB(0, 0, 0))) << "the border";
    bool text_ink = false;
    for (int y = 2; y < 22; ++y)
        for (int x = 2; x < 20; ++x)
            text_ink |= screen_color(edit, x, y) == on_screen(RGB(255, 255, 255));
    EXPECT_TRUE(text_ink) << "the text in the parent's text colour";

    send(edit, EM_SETREADONLY, TRUE);
    UpdateWindow(edit);
    EXPECT_EQ(log().colors.back().message, (UINT)WM_CTLCOLORSTATIC) << "a read-only edit asks as a static";
}

} // namespace
