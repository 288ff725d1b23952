// pen_pad_test.cpp -- pen direction pad and the GDI font routines
#include "engine/platform/gdi_draw.h"
#include "engine/platform/image.h"
#include "engine/platform/pen_pad.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <string>

TEST(PenDirectionPad, DirectionOfDrags)
{
    struct Case
    {
        int dx, dy, directions, want;
    };
    const Case cases[] = {
        {5, -9, 8, -1},   // inside the dead zone on both axes
        {10, -10, 1, 0},  // four directions: right and up tie, right is first
        {0, -20, 1, 1},   {-20, 3, 1, 2}, {2, 20, 1, 3},
        {10, -10, 8, 4},  {-10, -10, 8, 5}, {-10, 10, 8, 6}, {10, 10, 8, 7},
        {30, -2, 8, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, PenDirectionPad::directionOf(c.dx, c.dy, c.directions, 10))
            << c.dx << "," << c.dy << " of " << c.directions;
}

TEST(PenDirectionPad, KeysAndSnapping)
{
    struct Case
    {
        int endX, endY;
        int wantBits, wantEndX, wantEndY;
    };
    const Case cases[] = {
        {100, 100, 0x30, 100, 100},   // no direction: bits untouched
        {130, 95, 0x38, 130, 100},    // right: end snapped to the start row
        {120, 80, 0x39, 120, 80},     // up-right
        {85, 118, 0x36, 82, 118},     // down-left: d is the larger of dx and dy
        {100, 60, 0x31, 100, 60},     // up
    };
    for (const Case& c : cases)
    {
        int32_t bits = 0x30 | 4;
        PenDirectionPad pad(&bits, nullptr, 8, 10);
        pad.setStart(100, 100);
        pad.setEnd(c.endX, c.endY);
        pad.update();
        pad.applyToKeys(true);
        if (pad.direction < 0)
            EXPECT_EQ(0x34, bits);
        else
            EXPECT_EQ(c.wantBits, bits) << c.endX << "," << c.endY;
        EXPECT_EQ(c.wantEndX, pad.endX);
        EXPECT_EQ(c.wantEndY, pad.endY);
        pad.applyToKeys(false);
        if (pad.direction >= 0)
        {
            EXPECT_EQ(0x30, bits);
        }
    }
}

TEST(PenDirectionPad, DrawingTwiceErases)
{
    Image image(64, 64, false);
    image.drawRect(0x123456, 0, 0, -1, -1, true);
    int32_t bits = 0;
    PenDirectionPad pad(&bits, image.dc, 8, 6);
    pad.setStart(20, 20);
    pad.setEnd(40, 22);
    pad.update();
    EXPECT_NE(0x123456u, image.colorAt(20, 20));
    pad.update();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(0x123456u, image.colorAt(x, y)) << x << "," << y;
}

TEST(GdiDraw, CreateFontAndIsFontSelected)
{
    Image image(8, 8, false);
    std::u16string longFace(40, u'F');
    HFONT font = createFont(-14, 700, true, false, longFace.c_str());
    LOGFONTW made{};
    ASSERT_NE(0, GetObjectW(font, sizeof(made), &made));
    EXPECT_EQ(31u, wcslen(made.lfFaceName));
    EXPECT_EQ(FF_SWISS, made.lfPitchAndFamily & 0xF0);
    HFONT arial = createFont(12, 400, false, true, nullptr);
    HGDIOBJ old = SelectObject(image.dc, arial);
    HFONT current = nullptr;
    EXPECT_TRUE(isFontSelected(image.dc, 12, 400, false, true, nullptr, &current));
    EXPECT_EQ(arial, current);
    EXPECT_TRUE(isFontSelected(image.dc, 12, 400, false, true, u"Arial", nullptr));
    struct Case
    {
        int height, weight;
        bool italic, underline;
        const WCHAR* face;
    };
    const Case others[] = {{13, 400, false, true, nullptr}, {12, 700, false, true, nullptr},
                           {12, 400, true, true, nullptr},  {12, 400, false, false, nullptr},
                           {12, 400, false, true, u"Tahoma"}};
    for (const Case& c : others)
        EXPECT_FALSE(isFontSelected(image.dc, c.height, c.weight, c.italic, c.underline, c.face, nullptr));
    SelectObject(image.dc, old);
    DeleteObject(arial);
    DeleteObject(font);
}
