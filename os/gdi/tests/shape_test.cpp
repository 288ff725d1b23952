// shape_test.cpp -- lines, pens and mix modes, rectangles, ellipses, polygons, rectangle fills
#include "gdi_test_util.h"

#include <gtest/gtest.h>

using namespace gdi_test;

namespace {

constexpr uint32_t kBlack = 0x0000;
constexpr uint32_t kWhite = 0xFFFF;
constexpr uint32_t kRed = 0xF800;

// A 565 canvas cleared to black with a white pen and a red brush selected.
struct Board
{
    Board(int w, int h) : d(Dib::Rgb565, w, h)
    {
        pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
        brush = CreateSolidBrush(RGB(255, 0, 0));
        SelectObject(d.dc, pen);
        SelectObject(d.dc, brush);
    }
    ~Board()
    {
        SelectObject(d.dc, GetStockObject(BLACK_PEN));
        SelectObject(d.dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(pen);
        DeleteObject(brush);
    }
    std::string text() const { return d.text({kBlack, kWhite, kRed}, ".#r"); }

    DibDc d;
    HPEN pen;
    HBRUSH brush;
};

TEST(LineTo, DrawsUpToButNotIncludingTheEndPoint)
{
    struct Case
    {
        POINT from, to;
        const char* picture;
    } cases[] = {
        {{1, 1}, {5, 1}, "......\n.####.\n......\n......\n......\n"},
        {{5, 1}, {1, 1}, "......\n..####\n......\n......\n......\n"},
        {{2, 0}, {2, 4}, "..#...\n..#...\n..#...\n..#...\n......\n"},
        {{0, 0}, {4, 4}, "#.....\n.#....\n..#...\n...#..\n......\n"},
        {{5, 0}, {1, 4}, ".....#\n....#.\n...#..\n..#...\n......\n"},
        {{3, 3}, {3, 3}, "......\n......\n......\n......\n......\n"},
        {{-5, 2}, {10, 2}, "......\n......\n######\n......\n......\n"},
    };
    for (const Case& c : cases)
    {
        Board b(6, 5);
        POINT previous{-1, -1};
        ASSERT_TRUE(MoveToEx(b.d.dc, c.from.x, c.from.y, &previous));
        EXPECT_EQ(previous.x, 0);
        EXPECT_EQ(previous.y, 0);
        ASSERT_TRUE(LineTo(b.d.dc, c.to.x, c.to.y));
        EXPECT_EQ(b.text(), c.picture) << "line (" << c.from.x << "," << c.from.y << ")-(" << c.to.x << "," << c.to.y
                                       << ")";
        MoveToEx(b.d.dc, 0, 0, &previous);
        EXPECT_EQ(previous.x, c.to.x) << "the current position moves to the end point";
        EXPECT_EQ(previous.y, c.to.y);
    }
}

TEST(LineTo, SteepAndShallowLinesHaveOnePixelPerStep)
{
    const POINT ends[] = {{7, 2}, {2, 7}, {-7, 3}, {-3, -7}, {6, -1}};
    for (POINT e : ends)
    {
        Board b(20, 20);
        MoveToEx(b.d.dc, 10, 10, nullptr);
        LineTo(b.d.dc, 10 + e.x, 10 + e.y);
        int count = 0;
        for (int y = 0; y < 20; ++y)
        {
            for (int x = 0; x < 20; ++x)
            {
                count += b.d.raw(x, y) == kWhite;
            }
        }
        int steps = std::max(std::abs(e.x), std::abs(e.y));
        EXPECT_EQ(count, steps) << "line to offset (" << e.x << "," << e.y << ")";
        EXPECT_EQ(b.d.raw(10, 10), kWhite) << "the start point is drawn";
        EXPECT_EQ(b.d.raw(10 + e.x, 10 + e.y), kBlack) << "the end point is not";
    }
}

TEST(LineTo, FarAwayEndsDrawOnlyTheVisiblePartAndReturn)
{
    Board b(8, 4);
    MoveToEx(b.d.dc, -2000000000, 1, nullptr);
    ASSERT_TRUE(LineTo(b.d.dc, 2000000000, 1));
    EXPECT_EQ(b.text(), "........\n########\n........\n........\n");
}

TEST(SetROP2, MixesThePenWithTheDestination)
{
    const uint32_t d = 0x1234;
    const uint32_t p = kRed;
    struct Case
    {
        int mode;
        uint32_t want;
    } cases[] = {
        {R2_BLACK, 0x0000},         {R2_WHITE, 0xFFFF},         {R2_NOP, d},
        {R2_NOT, ~d & 0xFFFF},      {R2_COPYPEN, p},            {R2_NOTCOPYPEN, ~p & 0xFFFF},
        {R2_XORPEN, p ^ d},         {R2_NOTXORPEN, ~(p ^ d) & 0xFFFF}, {R2_MASKPEN, p & d},
        {R2_MERGEPEN, p | d},       {R2_MASKPENNOT, p & ~d & 0xFFFF}, {R2_MERGENOTPEN, (~p | d) & 0xFFFF},
        {R2_NOTMERGEPEN, ~(p | d) & 0xFFFF}, {R2_NOTMASKPEN, ~(p & d) & 0xFFFF},
        {R2_MASKNOTPEN, ~p & d},    {R2_MERGEPENNOT, (p | ~d) & 0xFFFF},
    };
    for (const Case& c : cases)
    {
        DibDc dib(Dib::Rgb565, 4, 1);
        dib.fill_raw(d);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        HGDIOBJ old = SelectObject(dib.dc, pen);
        SetROP2(dib.dc, c.mode);
        MoveToEx(dib.dc, 0, 0, nullptr);
        LineTo(dib.dc, 2, 0);
        EXPECT_EQ(dib.raw(1, 0), c.want) << "mode " << c.mode << ": expected " << hex(c.want) << ", got "
                                         << hex(dib.raw(1, 0));
        EXPECT_EQ(dib.raw(2, 0), d) << "mode " << c.mode << ": the end point stays";
        SelectObject(dib.dc, old);
        DeleteObject(pen);
    }
}

TEST(SetROP2, NotDrawnTwiceLeavesThePictureAsItWas)
{
    for (Dib f : {Dib::Rgb565, Dib::Rgb32})
    {
        DibDc d(f, 24, 24);
        for (int y = 0; y < 24; ++y)
        {
            for (int x = 0; x < 24; ++x)
            {
                d.set_raw(x, y, uint32_t(x * 2654435761u + y * 40503u) & (f == Dib::Rgb565 ? 0xFFFF : 0xFFFFFF));
            }
        }
        uint32_t before = d.hash();
        SetROP2(d.dc, R2_NOT);
        SelectObject(d.dc, GetStockObject(NULL_BRUSH));
        const POINT path[] = {{2, 2}, {20, 5}, {12, 21}, {2, 2}, {22, 22}};
        for (int pass = 0; pass < 2; ++pass)
        {
            Polyline(d.dc, path, 5);
            Ellipse(d.dc, 3, 4, 19, 17);
            Rectangle(d.dc, 1, 1, 23, 23);
            RoundRect(d.dc, 5, 5, 20, 15, 6, 6);
            if (pass == 0)
            {
                EXPECT_NE(d.hash(), before) << dib_name(f) << ": the first pass changes the picture";
            }
        }
        EXPECT_EQ(d.hash(), before) << dib_name(f) << ": the second pass must undo the first";
        if (d.hash() != before)
        {
            d.dump(std::string("rop2_not_twice_") + dib_name(f));
        }
    }
}

TEST(CreatePen, DashedPensLeaveGapsOrFillThemWithTheBackground)
{
    for (int mode : {TRANSPARENT, OPAQUE})
    {
        DibDc d(Dib::Rgb565, 30, 1);
        HPEN pen = CreatePen(PS_DASH, 1, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(d.dc, pen);
        SetBkMode(d.dc, mode);
        SetBkColor(d.dc, RGB(255, 0, 0));
        MoveToEx(d.dc, 0, 0, nullptr);
        LineTo(d.dc, 30, 0);
        std::string gap = mode == OPAQUE ? "rrrrrr" : "......";
        EXPECT_EQ(d.text({kBlack, kWhite, kRed}, ".#r"), std::string(18, '#') + gap + "######\n")
            << (mode == OPAQUE ? "opaque" : "transparent");
        SelectObject(d.dc, old);
        DeleteObject(pen);
    }
}

TEST(CreatePen, WidePensAreCentredOnTheLine)
{
    Board b(6, 6);
    HPEN wide = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
    SelectObject(b.d.dc, wide);
    MoveToEx(b.d.dc, 1, 2, nullptr);
    LineTo(b.d.dc, 4, 2);
    EXPECT_EQ(b.text(), "......\n#####.\n#####.\n#####.\n......\n......\n");
    SelectObject(b.d.dc, b.pen);
    DeleteObject(wide);
}

TEST(Rectangle, OutlinesWithThePenAndFillsWithTheBrush)
{
    struct Case
    {
        const char* what;
        int pen;   // stock pen id or -1 for the white pen
        int brush; // stock brush id or -1 for the red brush
        RECT r;
        const char* picture;
    } cases[] = {
        {"pen and brush", -1, -1, {1, 1, 6, 5}, ".......\n.#####.\n.#rrr#.\n.#rrr#.\n.#####.\n.......\n"},
        {"reversed corners", -1, -1, {6, 5, 1, 1}, ".......\n.#####.\n.#rrr#.\n.#rrr#.\n.#####.\n.......\n"},
        {"null brush", -1, NULL_BRUSH, {1, 1, 6, 5}, ".......\n.#####.\n.#...#.\n.#...#.\n.#####.\n.......\n"},
        {"null pen", NULL_PEN, -1, {1, 1, 6, 5}, ".......\n.rrrr..\n.rrrr..\n.rrrr..\n.......\n.......\n"},
        {"one pixel", -1, -1, {2, 2, 3, 3}, ".......\n.......\n..#....\n.......\n.......\n.......\n"},
        {"empty", -1, -1, {2, 2, 2, 5}, ".......\n.......\n.......\n.......\n.......\n.......\n"},
    };
    for (const Case& c : cases)
    {
        Board b(7, 6);
        if (c.pen >= 0)
        {
            SelectObject(b.d.dc, GetStockObject(c.pen));
        }
        if (c.brush >= 0)
        {
            SelectObject(b.d.dc, GetStockObject(c.brush));
        }
        ASSERT_TRUE(Rectangle(b.d.dc, c.r.left, c.r.top, c.r.right, c.r.bottom)) << c.what;
        EXPECT_EQ(b.text(), c.picture) << c.what;
    }
}

TEST(Ellipse, FitsItsBoxSymmetrically)
{
    const RECT boxes[] = {{0, 0, 9, 9}, {1, 2, 15, 9}, {2, 1, 6, 14}, {0, 0, 16, 16}, {3, 3, 5, 5}};
    for (const RECT& box : boxes)
    {
        Board b(16, 16);
        ASSERT_TRUE(Ellipse(b.d.dc, box.left, box.top, box.right, box.bottom));
        bool top = false, bottom = false, left = false, right = false, filled = false;
        for (int y = 0; y < 16; ++y)
        {
            for (int x = 0; x < 16; ++x)
            {
                uint32_t v = b.d.raw(x, y);
                bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
                if (!inside)
                {
                    EXPECT_EQ(v, kBlack) << "pixel (" << x << "," << y << ") outside the box";
                    continue;
                }
                int mx = box.left + box.right - 1 - x;
                int my = box.top + box.bottom - 1 - y;
                EXPECT_EQ(v, b.d.raw(mx, y)) << "left-right symmetry at (" << x << "," << y << ")";
                EXPECT_EQ(v, b.d.raw(x, my)) << "top-bottom symmetry at (" << x << "," << y << ")";
                top |= y == box.top && v == kWhite;
                bottom |= y == box.bottom - 1 && v == kWhite;
                left |= x == box.left && v == kWhite;
                right |= x == box.right - 1 && v == kWhite;
                filled |= v == kRed;
            }
        }
        EXPECT_TRUE(top && bottom && left && right)
            << "the outline touches every side of (" << box.left << "," << box.top << ")-(" << box.right << ","
            << box.bottom << ")";
        bool big = box.right - box.left > 2 && box.bottom - box.top > 2;
        EXPECT_EQ(filled, big) << "brush inside the outline";
    }
}

TEST(Ellipse, DrawsAOnePixelOutlineAroundTheBrush)
{
    struct Case
    {
        int width, height;
        const char* picture;
    } cases[] = {
        {9, 9,
         "..#####..\n.#rrrrr#.\n#rrrrrrr#\n#rrrrrrr#\n#rrrrrrr#\n#rrrrrrr#\n#rrrrrrr#\n.#rrrrr#.\n..#####..\n"},
        {12, 5, "..########..\n.#rrrrrrrr#.\n#rrrrrrrrrr#\n.#rrrrrrrr#.\n..########..\n"},
    };
    for (const Case& c : cases)
    {
        Board b(c.width, c.height);
        ASSERT_TRUE(Ellipse(b.d.dc, 0, 0, c.width, c.height));
        EXPECT_EQ(b.text(), c.picture) << c.width << "x" << c.height;
    }
}

TEST(Polygon, FillsByTheFillModeAndOutlinesClosed)
{
    // A five-pointed star drawn in one stroke: its centre is inside twice.
    const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
    for (int mode : {ALTERNATE, WINDING})
    {
        Board b(21, 21);
        SelectObject(b.d.dc, GetStockObject(NULL_PEN));
        SetPolyFillMode(b.d.dc, mode);
        ASSERT_TRUE(Polygon(b.d.dc, star, 5));
        uint32_t centre = b.d.raw(10, 10);
        EXPECT_EQ(centre, mode == WINDING ? kRed : kBlack) << (mode == WINDING ? "winding" : "alternate");
        EXPECT_EQ(b.d.raw(10, 3), kRed) << "a point of the star is filled either way";
    }
}

TEST(Polygon, FillsWithoutTheRightAndBottomEdges)
{
    Board b(6, 6);
    SelectObject(b.d.dc, GetStockObject(NULL_PEN));
    const POINT square[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
    ASSERT_TRUE(Polygon(b.d.dc, square, 4));
    EXPECT_EQ(b.text(), "......\n.rrrr.\n.rrrr.\n.rrrr.\n......\n......\n");
    SelectObject(b.d.dc, b.pen);
    SelectObject(b.d.dc, GetStockObject(NULL_BRUSH));
    ASSERT_TRUE(Polygon(b.d.dc, square, 4));
    EXPECT_EQ(b.text(), "......\n.#####\n.#rrr#\n.#rrr#\n.#####\n......\n") << "the pen closes the outline";
}

TEST(Polyline, RefusesFewerThanTwoPoints)
{
    Board b(4, 4);
    const POINT one[] = {{1, 1}};
    for (int count : {0, 1, -3})
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(Polyline(b.d.dc, one, count)) << count;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(Polygon(b.d.dc, one, count)) << count;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Polyline(b.d.dc, nullptr, 3));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(b.text(), "....\n....\n....\n....\n");
}

TEST(FillRect, TakesABrushOrASystemColour)
{
    struct Case
    {
        const char* what;
        HBRUSH brush;
        uint32_t want;
    } cases[] = {
        {"solid brush", nullptr, kRed},
        {"COLOR_WINDOW + 1", reinterpret_cast<HBRUSH>(uintptr_t(COLOR_WINDOW + 1)), kWhite},
        {"COLOR_WINDOWTEXT + 1", reinterpret_cast<HBRUSH>(uintptr_t(COLOR_WINDOWTEXT + 1)), kBlack},
        {"flagged COLOR_BTNFACE + 1",
         reinterpret_cast<HBRUSH>(uintptr_t(SYS_COLOR_INDEX_FLAG | (COLOR_BTNFACE + 1))), 0xC618},
        {"stock white brush", static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), kWhite},
    };
    for (const Case& c : cases)
    {
        DibDc d(Dib::Rgb565, 5, 3);
        d.fill_raw(0x1234);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        SetROP2(d.dc, R2_XORPEN); // FillRect copies whatever the mix mode
        RECT r{1, 1, 4, 2};
        EXPECT_NE(FillRect(d.dc, &r, c.brush ? c.brush : red), 0) << c.what;
        for (int y = 0; y < 3; ++y)
        {
            for (int x = 0; x < 5; ++x)
            {
                uint32_t want = (y == 1 && x >= 1 && x < 4) ? c.want : 0x1234;
                EXPECT_EQ(d.raw(x, y), want) << c.what << " at (" << x << "," << y << ")";
            }
        }
        DeleteObject(red);
    }
}

TEST(FillRect, RefusesBadBrushesAndSkipsEmptyRectangles)
{
    DibDc d(Dib::Rgb565, 4, 4);
    RECT r{0, 0, 4, 4};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(FillRect(d.dc, &r, reinterpret_cast<HBRUSH>(uintptr_t(0x8882))), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(FillRect(d.dc, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    RECT inverted{3, 3, 1, 1};
    EXPECT_NE(FillRect(d.dc, &inverted, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_EQ(d.text({0}), "....\n....\n....\n....\n");
}

TEST(FrameRect, DrawsAOnePixelBorderWithTheBrush)
{
    Board b(6, 5);
    RECT r{1, 1, 5, 5};
    EXPECT_NE(FrameRect(b.d.dc, &r, b.brush), 0);
    EXPECT_EQ(b.text(), "......\n.rrrr.\n.r..r.\n.r..r.\n.rrrr.\n");
}

TEST(InvertRect, InvertsEveryBit)
{
    DibDc d(Dib::Rgb565, 3, 2);
    d.fill_raw(0x1234);
    RECT r{1, 0, 3, 1};
    ASSERT_TRUE(InvertRect(d.dc, &r));
    EXPECT_EQ(d.raw(0, 0), 0x1234u);
    EXPECT_EQ(d.raw(1, 0), 0xEDCBu);
    EXPECT_EQ(d.raw(2, 0), 0xEDCBu);
    EXPECT_EQ(d.raw(2, 1), 0x1234u);
}

TEST(Shapes, DrawIntoPaletteAndDeepBitmaps)
{
    for (Dib f : {Dib::Pal8, Dib::Rgb32, Dib::Rgb24})
    {
        DibDc d(f, 4, 4);
        RGBQUAD q = palette_entry(5);
        COLORREF colour = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        HBRUSH brush = CreateSolidBrush(colour);
        HGDIOBJ old = SelectObject(d.dc, brush);
        SelectObject(d.dc, GetStockObject(NULL_PEN));
        Rectangle(d.dc, 0, 0, 3, 3);
        EXPECT_EQ(GetPixel(d.dc, 1, 1), colour) << dib_name(f);
        if (f == Dib::Pal8)
        {
            EXPECT_EQ(d.raw(1, 1), 5u) << "the palette entry of the colour";
        }
        EXPECT_EQ(d.raw(2, 2), 0u) << dib_name(f) << ": null pen shrinks the fill";
        SelectObject(d.dc, old);
        DeleteObject(brush);
    }
}

} // namespace
