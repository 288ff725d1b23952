// The control with the keyboard focus shows it, and loses the mark with the
// focus: a dotted rectangle on buttons, check boxes and radio buttons, the
// caret in an edit, a marked row in a list, the highlighted field of a
// combo box.
#include "control_test_util.h"

#include <vector>

namespace {

using namespace control_test;

int differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b)
{
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        n += a[i] != b[i];
    return n;
}

TEST(FocusMark, ShownWithTheFocusAndGoneWithIt)
{
    Parent parent;
    struct Case
    {
        const char* what;
        HWND control;
        int least; // pixels the mark changes at least
    } cases[] = {
        {"push button", parent.child(u"BUTTON", u"&Finish", BS_PUSHBUTTON, 10, 10, 80, 24, 1), 20},
        {"default push button", parent.child(u"BUTTON", u"OK", BS_DEFPUSHBUTTON, 100, 10, 80, 24, 2), 20},
        {"radio button", parent.child(u"BUTTON", u"I &accept", BS_AUTORADIOBUTTON, 10, 40, 150, 16, 3), 20},
        {"check box", parent.child(u"BUTTON", u"Sound", BS_AUTOCHECKBOX, 10, 60, 150, 16, 4), 20},
        {"list box", parent.child(u"LISTBOX", u"", WS_BORDER, 10, 80, 100, 60, 5), 20},
        {"combo box", parent.child(u"COMBOBOX", u"", CBS_DROPDOWNLIST, 120, 80, 100, 20, 6), 20},
        {"read-only multi-line edit",
         parent.child(u"EDIT", u"Licence text", WS_BORDER | ES_MULTILINE | ES_READONLY, 10, 150, 150, 40, 7), 5},
    };
    for (const char16_t* row : {u"Easy", u"Normal", u"Hard"})
    {
        SendMessageW(cases[4].control, LB_ADDSTRING, 0, (LPARAM)row);
        SendMessageW(cases[5].control, CB_ADDSTRING, 0, (LPARAM)row);
    }
    SendMessageW(cases[5].control, CB_SETCURSEL, 1, 0);
    HWND elsewhere = parent.child(u"BUTTON", u"Other", BS_PUSHBUTTON, 10, 250, 80, 24, 9);
    SetFocus(elsewhere);
    pump();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<COLORREF> plain = pixels_of(c.control);
        SetFocus(c.control);
        pump();
        ASSERT_EQ(GetFocus(), c.control);
        std::vector<COLORREF> marked = pixels_of(c.control);
        EXPECT_GE(differing(plain, marked), c.least) << "the focus is not seen";
        if (c.control == cases[0].control)
            save_shot("focus_mark_push_button");
        if (c.control == cases[2].control)
            save_shot("focus_mark_radio_button");
        SetFocus(elsewhere);
        pump();
        EXPECT_EQ(differing(plain, pixels_of(c.control)), 0) << "the mark stays after the focus left";
    }
}

// A dotted line: along the top of a focused push button's face, pixels in
// the text colour alternate with the face colour.
TEST(FocusMark, PushButtonMarkIsDotted)
{
    Parent parent;
    HWND button = parent.child(u"BUTTON", u"Go", BS_PUSHBUTTON, 10, 10, 80, 24, 1);
    SetFocus(button);
    pump();
    COLORREF ink = on_screen(GetSysColor(COLOR_BTNTEXT));
    COLORREF face = on_screen(GetSysColor(COLOR_BTNFACE));
    for (int x = 4; x < 20; ++x)
        EXPECT_EQ(screen_color(button, x, 4), x % 2 == 0 ? ink : face) << "x " << x;
}

} // namespace
