// The BUTTON control: BM_ messages, taps, check boxes and radio groups.
#include "control_test_util.h"

namespace {

using namespace control_test;

TEST(Button, CheckStateTable)
{
    Parent p;
    struct Case
    {
        DWORD style;
        WPARAM set;
        LRESULT expected;
    } cases[] = {
        {BS_PUSHBUTTON, BST_CHECKED, BST_UNCHECKED}, // push buttons have no check
        {BS_DEFPUSHBUTTON, BST_CHECKED, BST_UNCHECKED},
        {BS_CHECKBOX, BST_CHECKED, BST_CHECKED},
        {BS_AUTOCHECKBOX, BST_CHECKED, BST_CHECKED},
        {BS_AUTOCHECKBOX, BST_INDETERMINATE, BST_CHECKED}, // two-state boxes take it as checked
        {BS_3STATE, BST_INDETERMINATE, BST_INDETERMINATE},
        {BS_AUTO3STATE, BST_INDETERMINATE, BST_INDETERMINATE},
        {BS_RADIOBUTTON, BST_CHECKED, BST_CHECKED},
        {BS_AUTORADIOBUTTON, BST_CHECKED, BST_CHECKED},
        {BS_AUTORADIOBUTTON, BST_UNCHECKED, BST_UNCHECKED},
        {BS_GROUPBOX, BST_CHECKED, BST_UNCHECKED},
    };
    int id = 100;
    for (const Case& c : cases)
    {
        HWND b = p.child(u"BUTTON", u"b", c.style, 10, 10, 80, 20, ++id);
        EXPECT_EQ(send(b, BM_GETCHECK), BST_UNCHECKED) << "style " << c.style;
        EXPECT_EQ(send(b, BM_SETCHECK, c.set), 0);
        EXPECT_EQ(send(b, BM_GETCHECK), c.expected) << "style " << c.style << " set " << c.set;
        EXPECT_EQ(send(b, BM_GETSTATE) & 3, c.expected) << "style " << c.style;
        EXPECT_EQ(IsDlgButtonChecked(p.hwnd, id), (UINT)c.expected);
        DestroyWindow(b);
    }
    EXPECT_TRUE(log().notes.empty()) << "BM_SETCHECK never notifies";
}

TEST(Button, TapClicksOnlyWhenLiftedInside)
{
    Parent p;
    HWND b = p.child(u"BUTTON", u"OK", BS_PUSHBUTTON, 20, 20, 80, 30, 7);
    tap(b, 40, 15);
    EXPECT_EQ(describe(codes_from(b)), describe({BN_CLICKED}));
    EXPECT_EQ(log().notes.back().id, 7);

    // Pen down inside, dragged out, lifted: no click.
    log().notes.clear();
    pen(os::host::EventType::PenDown, b, 40, 15);
    EXPECT_TRUE(send(b, BM_GETSTATE) & BST_PUSHED) << "held down looks pushed";
    pen(os::host::EventType::PenMove, b, 200, 200);
    EXPECT_FALSE(send(b, BM_GETSTATE) & BST_PUSHED) << "dragged off it pops up";
    pen(os::host::EventType::PenUp, b, 200, 200);
    EXPECT_TRUE(codes_from(b).empty()) << describe(codes_from(b));
    EXPECT_EQ(GetCapture(), nullptr);

    send(b, BM_CLICK);
    EXPECT_EQ(describe(codes_from(b)), describe({BN_CLICKED})) << "BM_CLICK clicks";
    EnableWindow(b, FALSE);
    tap(b, 40, 15);
    send(b, BM_CLICK);
    EXPECT_EQ(codes_from(b).size(), 1u) << "a disabled button does not click";
}

TEST(Button, AutoCheckBoxToggles)
{
    Parent p;
    HWND box = p.child(u"BUTTON", u"Sound", BS_AUTOCHECKBOX, 10, 10, 100, 20, 3);
    HWND manual = p.child(u"BUTTON", u"Manual", BS_CHECKBOX, 10, 40, 100, 20, 4);
    const LRESULT expected[] = {BST_CHECKED, BST_UNCHECKED, BST_CHECKED};
    for (LRESULT e : expected)
    {
        tap(box, 5, 10);
        EXPECT_EQ(send(box, BM_GETCHECK), e);
    }
    tap(manual, 5, 10);
    EXPECT_EQ(send(manual, BM_GETCHECK), BST_UNCHECKED) << "a plain check box leaves the state to its parent";
    EXPECT_EQ(describe(codes_from(box)), describe({BN_CLICKED, BN_CLICKED, BN_CLICKED}));
    EXPECT_EQ(describe(codes_from(manual)), describe({BN_CLICKED}));
}

TEST(Button, AutoRadioGroup)
{
    Parent p;
    // Two groups: {a1, a2, a3} and {b1, b2}; a plain push button between them.
    HWND a1 = p.child(u"BUTTON", u"a1", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 80, 20, 1031);
    HWND a2 = p.child(u"BUTTON", u"a2", BS_AUTORADIOBUTTON, 10, 30, 80, 20, 1032);
    HWND a3 = p.child(u"BUTTON", u"a3", BS_AUTORADIOBUTTON, 10, 50, 80, 20, 1033);
    HWND b1 = p.child(u"BUTTON", u"b1", BS_AUTORADIOBUTTON | WS_GROUP, 120, 10, 80, 20, 1041);
    HWND b2 = p.child(u"BUTTON", u"b2", BS_AUTORADIOBUTTON, 120, 30, 80, 20, 1042);
    send(b1, BM_SETCHECK, BST_CHECKED);
    struct Step
    {
        HWND tap;
        LRESULT a1, a2, a3, b1, b2;
    } steps[] = {
        {a2, 0, 1, 0, 1, 0},
        {a3, 0, 0, 1, 1, 0},
        {a1, 1, 0, 0, 1, 0},
        {a1, 1, 0, 0, 1, 0}, // tapping the checked one keeps it
        {b2, 1, 0, 0, 0, 1},
    };
    int i = 0;
    for (const Step& s : steps)
    {
        tap(s.tap, 5, 10);
        EXPECT_EQ(send(a1, BM_GETCHECK), s.a1) << "step " << i;
        EXPECT_EQ(send(a2, BM_GETCHECK), s.a2) << "step " << i;
        EXPECT_EQ(send(a3, BM_GETCHECK), s.a3) << "step " << i;
        EXPECT_EQ(send(b1, BM_GETCHECK), s.b1) << "step " << i;
        EXPECT_EQ(send(b2, BM_GETCHECK), s.b2) << "step " << i;
        ++i;
    }
    EXPECT_EQ(log().notes.size(), 5u) << "one BN_CLICKED per tap";
}

TEST(Button, SpaceClicks)
{
    Parent p;
    HWND b = p.child(u"BUTTON", u"Go", BS_PUSHBUTTON, 10, 10, 80, 24, 9);
    SetFocus(b);
    key(VK_SPACE);
    EXPECT_EQ(describe(codes_from(b)), describe({BN_CLICKED}));
}

// Ink inside the mark of a check box or radio button (its 13-pixel square at
// the left, centred vertically in a 20-pixel high control).
int mark_ink(HWND b)
{
    UpdateWindow(b);
    int n = 0;
    for (int y = 6; y < 14; ++y)
        for (int x = 3; x < 10; ++x)
            n += screen_color(b, x, y) != on_screen(RGB(255, 255, 255));
    return n;
}

TEST(Button, MarksShowTheCheck)
{
    Parent p;
    const DWORD styles[] = {BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON};
    for (DWORD style : styles)
    {
        HWND b = p.child(u"BUTTON", u"x", style, 10, 10, 80, 20, 1);
        EXPECT_EQ(mark_ink(b), 0) << "style " << style << ": an empty mark";
        send(b, BM_SETCHECK, BST_CHECKED);
        EXPECT_GT(mark_ink(b), 4) << "style " << style << ": a checked mark";
        DestroyWindow(b);
    }
}

TEST(Button, ColoursFromTheParent)
{
    Parent p;
    HWND push = p.child(u"BUTTON", u"", BS_PUSHBUTTON, 10, 10, 80, 24, 1);
    HWND check = p.child(u"BUTTON", u"", BS_AUTOCHECKBOX, 10, 40, 80, 20, 2);
    UpdateWindow(push);
    UpdateWindow(check);
    // Left to default processing, the face is the button face colour.
    EXPECT_EQ(screen_color(push, 40, 12), on_screen(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(screen_color(push, 0, 0), on_screen(RGB(0, 0, 0))) << "a dark border";

    answer_colors(RGB(50, 32, 16), RGB(0, 0, 0), RGB(50, 32, 16));
    InvalidateRect(push, nullptr, TRUE);
    InvalidateRect(check, nullptr, TRUE);
    log().colors.clear();
    UpdateWindow(push);
    UpdateWindow(check);
    ASSERT_EQ(log().colors.size(), 2u);
    EXPECT_EQ(log().colors[0].message, (UINT)WM_CTLCOLORBTN);
    EXPECT_EQ(log().colors[1].message, (UINT)WM_CTLCOLORSTATIC) << "check boxes ask as statics";
    EXPECT_EQ(screen_color(push, 40, 12), on_screen(RGB(50, 32, 16)));
    EXPECT_EQ(screen_color(check, 70, 10), on_screen(RGB(50, 32, 16)));
}

} // namespace
