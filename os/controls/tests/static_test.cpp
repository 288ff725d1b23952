// The STATIC control: text alignment, pictures, SS_NOTIFY and colours.
#include "control_test_util.h"

namespace {

using namespace control_test;

// First and last columns of the control where something differs from the
// background colour (text edges are blended, so any difference is ink).
std::pair<int, int> ink_columns(HWND hwnd, int width, int height, COLORREF background)
{
    int first = -1, last = -1;
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            if (screen_color(hwnd, x, y) != background)
            {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST(Static, Alignment)
{
    Parent p;
    struct Case
    {
        DWORD style;
        int first_min;
        int first_max;
        int last_min;
    } cases[] = {
        {SS_LEFT, 0, 3, 0},
        {SS_CENTER, 60, 100, 0},
        {SS_RIGHT, 100, 199, 190},
    };
    for (const Case& c : cases)
    {
        HWND s = p.child(u"STATIC", u"Label", c.style, 20, 20, 200, 20, 5);
        UpdateWindow(s);
        auto [first, last] = ink_columns(s, 200, 20, on_screen(GetSysColor(COLOR_WINDOW)));
        EXPECT_GE(first, c.first_min) << "style " << c.style;
        EXPECT_LE(first, c.first_max) << "style " << c.style;
        EXPECT_GE(last, c.last_min) << "style " << c.style;
        DestroyWindow(s);
    }
}

TEST(Static, TextAndColours)
{
    Parent p;
    answer_colors(RGB(50, 32, 16), RGB(255, 255, 255), RGB(50, 32, 16));
    HWND s = p.child(u"STATIC", u"Grps", SS_LEFT, 20, 20, 100, 20, 5);
    UpdateWindow(s);
    ASSERT_FALSE(log().colors.empty());
    EXPECT_EQ(log().colors.back().message, (UINT)WM_CTLCOLORSTATIC);
    EXPECT_EQ(log().colors.back().control, s);
    EXPECT_EQ(screen_color(s, 95, 15), on_screen(RGB(50, 32, 16)));
    EXPECT_GE(ink_columns(s, 100, 20, on_screen(RGB(50, 32, 16))).first, 0) << "text over the brush";
    bool white = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            white |= screen_color(s, x, y) == on_screen(RGB(255, 255, 255));
    EXPECT_TRUE(white) << "in the parent's text colour";

    SetWindowTextW(s, u"Grps:  2, Usrs:   1");
    EXPECT_TRUE(text_of(s) == u"Grps:  2, Usrs:   1");
    log().colors.clear();
    UpdateWindow(s);
    EXPECT_FALSE(log().colors.empty()) << "new text repaints";
}

TEST(Static, NotifyOnlyWithStyle)
{
    Parent p;
    HWND quiet = p.child(u"STATIC", u"quiet", SS_LEFT, 10, 10, 100, 20, 1);
    HWND loud = p.child(u"STATIC", u"loud", SS_LEFT | SS_NOTIFY, 10, 40, 100, 20, 2);
    tap(quiet, 5, 5);
    tap(loud, 5, 5);
    EXPECT_TRUE(codes_from(quiet).empty());
    EXPECT_EQ(describe(codes_from(loud)), describe({STN_CLICKED}));
    // A plain label lets the tap through to its parent, at the same place.
    ASSERT_EQ(log().taps.size(), 1u) << "only the tap on the plain label reaches the parent";
    EXPECT_EQ(log().taps[0].x, 15);
    EXPECT_EQ(log().taps[0].y, 15);
}

TEST(Static, Pictures)
{
    Parent p;
    struct Case
    {
        DWORD style;
        int x, y;
        COLORREF color;
    } cases[] = {
        {SS_BLACKRECT, 10, 10, RGB(0, 0, 0)},
        {SS_WHITERECT, 10, 10, RGB(255, 255, 255)},
        {SS_GRAYRECT, 10, 10, RGB(128, 128, 128)},
        {SS_BLACKFRAME, 0, 0, RGB(0, 0, 0)},
        {SS_ETCHEDHORZ, 10, 0, RGB(128, 128, 128)},
        {SS_ETCHEDHORZ, 10, 1, RGB(255, 255, 255)},
    };
    for (const Case& c : cases)
    {
        HWND s = p.child(u"STATIC", u"", c.style, 30, 30, 60, 20, 3);
        UpdateWindow(s);
        EXPECT_EQ(screen_color(s, c.x, c.y), on_screen(c.color)) << "style " << c.style;
        DestroyWindow(s);
    }
    // A bitmap static naming a missing image shows just its background.
    HWND bmp = p.child(u"STATIC", u"#149", SS_BITMAP, 30, 30, 60, 20, 4);
    UpdateWindow(bmp);
    EXPECT_EQ(screen_color(bmp, 10, 10), on_screen(GetSysColor(COLOR_WINDOW)));
}

} // namespace
