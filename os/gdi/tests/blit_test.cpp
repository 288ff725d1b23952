// blit_test.cpp -- BitBlt, StretchBlt, PatBlt and pixels across pixel formats
#include "gdi_test_util.h"

#include <gtest/gtest.h>

using namespace gdi_test;

namespace {

// The colour a source pixel stands for, worked out here by hand.
COLORREF reference_color(Dib f, uint32_t raw)
{
    auto w5 = [](uint32_t v) { return (v << 3) | (v >> 2); };
    auto w6 = [](uint32_t v) { return (v << 2) | (v >> 4); };
    switch (f)
    {
    case Dib::Mono:
    case Dib::Pal4:
    case Dib::Pal8:
    {
        RGBQUAD q = palette_entry(int(raw));
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case Dib::Rgb555: return RGB(w5(raw >> 10 & 31), w5(raw >> 5 & 31), w5(raw & 31));
    case Dib::Rgb565: return RGB(w5(raw >> 11 & 31), w6(raw >> 5 & 63), w5(raw & 31));
    default: return RGB(raw >> 16 & 255, raw >> 8 & 255, raw & 255);
    }
}

uint32_t reference_pixel(Dib f, COLORREF c)
{
    uint32_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (f)
    {
    case Dib::Rgb565: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    case Dib::Rgb555: return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    default: return r << 16 | g << 8 | b;
    }
}

// Raw source values exercising every channel of each format.
std::vector<uint32_t> sample_values(Dib f)
{
    switch (f)
    {
    case Dib::Mono: return {0, 1, 1, 0, 1, 0, 0, 1};
    case Dib::Pal4: return {0, 1, 5, 9, 15, 14, 7, 3};
    case Dib::Pal8: return {0, 1, 17, 100, 200, 254, 255, 128};
    case Dib::Rgb555: return {0x0000, 0x7FFF, 0x7C00, 0x03E0, 0x001F, 0x4210, 0x1234, 0x0421};
    case Dib::Rgb565: return {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0x8410, 0x1234, 0x0821};
    default: return {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0x123456, 0x0A0B0C};
    }
}

const Dib kSources[] = {Dib::Mono, Dib::Pal4, Dib::Pal8, Dib::Rgb555, Dib::Rgb565, Dib::Rgb24, Dib::Rgb32};
const Dib kTargets[] = {Dib::Rgb565, Dib::Rgb32, Dib::Rgb555, Dib::Rgb24};

TEST(BitBlt, ConvertsEverySourceFormatToDirectColour)
{
    for (Dib from : kSources)
    {
        for (Dib to : kTargets)
        {
            SCOPED_TRACE(std::string(dib_name(from)) + " -> " + dib_name(to));
            DibDc src(from, 4, 2);
            DibDc dst(to, 4, 2);
            std::vector<uint32_t> values = sample_values(from);
            for (int i = 0; i < 8; ++i)
            {
                src.set_raw(i % 4, i / 4, values[size_t(i)]);
            }
            ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 2, src.dc, 0, 0, SRCCOPY));
            for (int i = 0; i < 8; ++i)
            {
                uint32_t want = reference_pixel(to, reference_color(from, values[size_t(i)]));
                uint32_t got = dst.raw(i % 4, i / 4);
                EXPECT_EQ(got, want) << "source " << hex(values[size_t(i)]) << ": expected " << hex(want) << ", got "
                                     << hex(got);
            }
        }
    }
}

TEST(BitBlt, Converts565And32BitBothWaysExactly)
{
    struct Case
    {
        uint32_t p565;
        uint32_t p32;
    } up[] = {{0xF800, 0xFF0000}, {0x07E0, 0x00FF00}, {0x001F, 0x0000FF}, {0xFFFF, 0xFFFFFF},
              {0x0000, 0x000000}, {0x8410, 0x848284}, {0x0841, 0x080808}};
    DibDc a(Dib::Rgb565, 7, 1);
    DibDc b(Dib::Rgb32, 7, 1);
    for (int i = 0; i < 7; ++i)
    {
        a.set_raw(i, 0, up[i].p565);
    }
    ASSERT_TRUE(BitBlt(b.dc, 0, 0, 7, 1, a.dc, 0, 0, SRCCOPY));
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(b.raw(i, 0), up[i].p32) << "565 " << hex(up[i].p565) << " -> 32: expected " << hex(up[i].p32)
                                          << ", got " << hex(b.raw(i, 0));
    }
    const uint32_t down[][2] = {
        {0xFF0000, 0xF800}, {0x07FF07, 0x07E0}, {0x08FC08, 0x0FE1}, {0xFFFFFF, 0xFFFF}, {0x070307, 0x0000}};
    for (int i = 0; i < 5; ++i)
    {
        b.set_raw(i, 0, down[i][0]);
    }
    ASSERT_TRUE(BitBlt(a.dc, 0, 0, 5, 1, b.dc, 0, 0, SRCCOPY));
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(a.raw(i, 0), down[i][1]) << "32 " << hex(down[i][0]) << " -> 565: expected " << hex(down[i][1])
                                           << ", got " << hex(a.raw(i, 0));
    }
}

// Rows long enough for the sixteen-byte loops and their tails, straight and
// stretched (enlarged, shrunk, mirrored), across formats and the raster
// operations the programs use, against the pictures the per-pixel blit drew.
TEST(BitBlt, RowsOfEveryFormatAndRopMatchTheirPinnedPictures)
{
    const Dib sources[] = {Dib::Rgb565, Dib::Rgb32, Dib::Rgb555, Dib::Pal8};
    const Dib targets[] = {Dib::Rgb565, Dib::Rgb32, Dib::Rgb555};
    const DWORD rops[] = {SRCCOPY, SRCAND, SRCINVERT, SRCPAINT, SRCERASE, NOTSRCCOPY, 0x00990066u};
    // By source format, then target format
    const uint64_t pinned[4][3] = {{0x6a2e782c4e357ef1, 0xe77ecce1a98f372d, 0x4cbf4293a7d35251},
                                   {0xe810fdbbfe457661, 0x3119c520b6a47ef1, 0x1d87672b7f616be1},
                                   {0xf4d85e22813b7d91, 0x29e06a0feb6f292d, 0x6a2e782c4e357ef1},
                                   {0xa479141182f741af, 0x05ccf4f9d0664194, 0x17533ba48c5b756f}};
    for (int si = 0; si < 4; ++si)
    {
        for (int ti = 0; ti < 3; ++ti)
        {
            uint64_t hash = 1469598103934665603ull;
            for (DWORD rop : rops)
            {
                for (int shape = 0; shape < 4; ++shape)
                {
                    DibDc src(sources[si], 37, 5);
                    DibDc dst(targets[ti], 61, 9);
                    const uint32_t src_mask = dib_bpp(sources[si]) == 32 ? 0xFFFFFFFFu : (1u << dib_bpp(sources[si])) - 1;
                    const uint32_t dst_mask = dib_bpp(targets[ti]) == 32 ? 0xFFFFFFFFu : 0xFFFFu;
                    for (int y = 0; y < 5; ++y)
                        for (int x = 0; x < 37; ++x)
                            src.set_raw(x, y, (uint32_t(x * 7919 + y * 104729) * 2654435761u) & src_mask);
                    for (int y = 0; y < 9; ++y)
                        for (int x = 0; x < 61; ++x)
                            dst.set_raw(x, y, (uint32_t(x * 31 + y * 977) * 40503u * 65537u) & dst_mask);
                    switch (shape)
                    {
                    case 0: ASSERT_TRUE(BitBlt(dst.dc, 3, 1, 37, 5, src.dc, 0, 0, rop)); break;
                    case 1: ASSERT_TRUE(StretchBlt(dst.dc, 1, 0, 59, 9, src.dc, 2, 1, 33, 4, rop)); break;
                    case 2: ASSERT_TRUE(StretchBlt(dst.dc, 0, 2, 20, 3, src.dc, 0, 0, 37, 5, rop)); break;
                    default: ASSERT_TRUE(StretchBlt(dst.dc, 50, 8, -45, -7, src.dc, 1, 0, 30, 5, rop)); break;
                    }
                    for (int y = 0; y < 9; ++y)
                        for (int x = 0; x < 61; ++x)
                            hash = (hash ^ dst.raw(x, y)) * 1099511628211ull;
                }
            }
            EXPECT_EQ(hash, pinned[si][ti]) << dib_name(sources[si]) << " to " << dib_name(targets[ti]);
        }
    }
}

TEST(BitBlt, MonochromeBitmapTakesTheTextAndBackgroundColours)
{
    const uint8_t rows[] = {0x90, 0x00}; // 1001
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, rows);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, mono);
    for (Dib to : {Dib::Rgb565, Dib::Rgb32})
    {
        DibDc dst(to, 4, 1);
        SetTextColor(dst.dc, RGB(255, 0, 0));
        SetBkColor(dst.dc, RGB(0, 0, 255));
        ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src, 0, 0, SRCCOPY));
        uint32_t text = reference_pixel(to, RGB(255, 0, 0));
        uint32_t back = reference_pixel(to, RGB(0, 0, 255));
        const uint32_t want[] = {back, text, text, back};
        for (int x = 0; x < 4; ++x)
        {
            EXPECT_EQ(dst.raw(x, 0), want[x]) << dib_name(to) << " x " << x << ": 1 bits take the background, "
                                              << "0 bits the text colour";
        }
    }
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(mono);
}

TEST(BitBlt, ColourToMonochromeMarksTheSourceBackground)
{
    DibDc src(Dib::Rgb565, 4, 1);
    const uint32_t values[] = {0xFFFF, 0x0000, 0xFFFF, 0x1234};
    for (int x = 0; x < 4; ++x)
    {
        src.set_raw(x, 0, values[x]);
    }
    SetBkColor(src.dc, RGB(255, 255, 255));
    HDC dst = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(dst, 4, 1);
    HGDIOBJ old = SelectObject(dst, mono);
    ASSERT_TRUE(BitBlt(dst, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY));
    const COLORREF want[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0)};
    for (int x = 0; x < 4; ++x)
    {
        EXPECT_EQ(GetPixel(dst, x, 0), want[x]) << "x " << x;
    }
    SelectObject(dst, old);
    DeleteObject(mono);
    DeleteDC(dst);
}

struct RopCase
{
    const char* name;
    DWORD rop;
    uint32_t (*expect)(uint32_t p, uint32_t s, uint32_t d);
};

const RopCase kRops[] = {
    {"SRCCOPY", SRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return s; }},
    {"SRCAND", SRCAND, [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
    {"SRCINVERT", SRCINVERT, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
    {"SRCPAINT", SRCPAINT, [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
    {"SRCERASE", SRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return s & ~d; }},
    {"NOTSRCCOPY", NOTSRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return ~s; }},
    {"NOTSRCERASE", NOTSRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return ~(s | d); }},
    {"MERGECOPY", MERGECOPY, [](uint32_t p, uint32_t s, uint32_t) { return p & s; }},
    {"MERGEPAINT", MERGEPAINT, [](uint32_t, uint32_t s, uint32_t d) { return ~s | d; }},
    {"PATCOPY", PATCOPY, [](uint32_t p, uint32_t, uint32_t) { return p; }},
    {"PATPAINT", PATPAINT, [](uint32_t p, uint32_t s, uint32_t d) { return p | ~s | d; }},
    {"PATINVERT", PATINVERT, [](uint32_t p, uint32_t, uint32_t d) { return p ^ d; }},
    {"DSTINVERT", DSTINVERT, [](uint32_t, uint32_t, uint32_t d) { return ~d; }},
    {"BLACKNESS", BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
    {"WHITENESS", WHITENESS, [](uint32_t, uint32_t, uint32_t) { return ~0u; }},
};

TEST(BitBlt, AppliesRasterOperationsToPixelValues)
{
    struct Format
    {
        Dib f;
        uint32_t mask;
        uint32_t s, d;
        COLORREF brush;
    } formats[] = {
        {Dib::Rgb565, 0xFFFF, 0xF0F0, 0x3C5A, RGB(0x88, 0x44, 0x22)},
        {Dib::Rgb32, 0xFFFFFF, 0xF0F00F, 0x3C5AA5, RGB(0x88, 0x44, 0x22)},
    };
    for (const Format& fmt : formats)
    {
        for (const RopCase& rop : kRops)
        {
            DibDc src(fmt.f, 2, 1);
            DibDc dst(fmt.f, 2, 1);
            src.fill_raw(fmt.s);
            dst.fill_raw(fmt.d);
            HBRUSH brush = CreateSolidBrush(fmt.brush);
            HGDIOBJ old = SelectObject(dst.dc, brush);
            ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, rop.rop)) << rop.name;
            uint32_t p = reference_pixel(fmt.f, fmt.brush);
            uint32_t want = rop.expect(p, fmt.s, fmt.d) & fmt.mask;
            EXPECT_EQ(dst.raw(1, 0), want) << dib_name(fmt.f) << " " << rop.name << ": expected " << hex(want)
                                           << ", got " << hex(dst.raw(1, 0));
            SelectObject(dst.dc, old);
            DeleteObject(brush);
        }
    }
}

TEST(BitBlt, MaskThenInvertDrawsASprite)
{
    // Mask: black where the sprite is, white around it; sprite: colour on black.
    DibDc mask(Dib::Rgb565, 3, 1);
    DibDc sprite(Dib::Rgb565, 3, 1);
    DibDc scene(Dib::Rgb565, 3, 1);
    const uint32_t m[] = {0xFFFF, 0x0000, 0xFFFF};
    const uint32_t s[] = {0x0000, 0xF800, 0x0000};
    for (int x = 0; x < 3; ++x)
    {
        mask.set_raw(x, 0, m[x]);
        sprite.set_raw(x, 0, s[x]);
    }
    scene.fill_raw(0x07E0);
    ASSERT_TRUE(StretchBlt(scene.dc, 0, 0, 3, 1, mask.dc, 0, 0, 3, 1, SRCAND));
    ASSERT_TRUE(StretchBlt(scene.dc, 0, 0, 3, 1, sprite.dc, 0, 0, 3, 1, SRCINVERT));
    const uint32_t want[] = {0x07E0, 0xF800, 0x07E0};
    for (int x = 0; x < 3; ++x)
    {
        EXPECT_EQ(scene.raw(x, 0), want[x]) << "x " << x;
    }
}

TEST(BitBlt, CopiesOnlyWhereTheSourceExists)
{
    struct Case
    {
        int x, y, w, h, sx, sy;
        const char* picture; // 6x6 destination afterwards: '#' copied, '.' untouched
    } cases[] = {
        {0, 0, 6, 6, -2, -1, "......\n..####\n..####\n..####\n..####\n......\n"},
        {1, 1, 9, 9, 2, 2, "......\n.##...\n.##...\n......\n......\n......\n"},
        {-3, -3, 5, 5, 0, 0, "#.....\n......\n......\n......\n......\n......\n"},
        {4, 4, 8, 8, 0, 0, "......\n......\n......\n......\n....##\n....##\n"},
        {0, 0, 6, 6, 4, 0, "......\n......\n......\n......\n......\n......\n"},
    };
    for (const Case& c : cases)
    {
        DibDc src(Dib::Rgb565, 4, 4);
        DibDc dst(Dib::Rgb565, 6, 6);
        src.fill_raw(0xFFFF);
        ASSERT_TRUE(BitBlt(dst.dc, c.x, c.y, c.w, c.h, src.dc, c.sx, c.sy, SRCCOPY));
        std::string got = dst.text({0x0000, 0xFFFF});
        EXPECT_EQ(got, c.picture) << "BitBlt at (" << c.x << "," << c.y << ") " << c.w << "x" << c.h << " from ("
                                  << c.sx << "," << c.sy << ")";
    }
}

TEST(BitBlt, ScrollsWithinOneBitmap)
{
    DibDc d(Dib::Rgb32, 5, 1);
    for (int x = 0; x < 5; ++x)
    {
        d.set_raw(x, 0, uint32_t(x + 1));
    }
    ASSERT_TRUE(BitBlt(d.dc, 1, 0, 4, 1, d.dc, 0, 0, SRCCOPY));
    const uint32_t right[] = {1, 1, 2, 3, 4};
    for (int x = 0; x < 5; ++x)
    {
        EXPECT_EQ(d.raw(x, 0), right[x]) << "after scrolling right, x " << x;
    }
    ASSERT_TRUE(BitBlt(d.dc, 0, 0, 4, 1, d.dc, 1, 0, SRCCOPY));
    const uint32_t left[] = {1, 2, 3, 4, 4};
    for (int x = 0; x < 5; ++x)
    {
        EXPECT_EQ(d.raw(x, 0), left[x]) << "after scrolling left, x " << x;
    }
}

TEST(BitBlt, FollowsTheViewportOriginAndClipRegion)
{
    DibDc src(Dib::Rgb565, 2, 2);
    DibDc dst(Dib::Rgb565, 6, 4);
    src.fill_raw(0xFFFF);
    SetViewportOrgEx(dst.dc, 2, 1, nullptr);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.text({0, 0xFFFF}), "......\n..##..\n..##..\n......\n");
    SetViewportOrgEx(dst.dc, 0, 0, nullptr);
    dst.fill_raw(0);
    HRGN clip = CreateRectRgn(1, 0, 3, 4);
    EXPECT_EQ(SelectClipRgn(dst.dc, clip), SIMPLEREGION);
    DeleteObject(clip); // the DC keeps its own copy
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 6, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dst.text({0, 0xFFFF}), ".##...\n.##...\n.##...\n.##...\n");
    EXPECT_EQ(SelectClipRgn(dst.dc, nullptr), SIMPLEREGION);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 6, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dst.text({0, 0xFFFF}), "######\n######\n######\n######\n");
}

TEST(BitBlt, RefusesBadDcs)
{
    DibDc d(Dib::Rgb565, 2, 2);
    HDC bad = reinterpret_cast<HDC>(uintptr_t(0x9992));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(BitBlt(bad, 0, 0, 1, 1, d.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(BitBlt(d.dc, 0, 0, 1, 1, bad, 0, 0, SRCCOPY));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(BitBlt(d.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(BitBlt(d.dc, 0, 0, 2, 2, nullptr, 0, 0, WHITENESS)) << "a rop without a source needs no source DC";
    EXPECT_EQ(d.raw(1, 1), 0xFFFFu);
}

TEST(StretchBlt, ScalesByNearestPixelAndMirrors)
{
    struct Case
    {
        const char* what;
        int x, w, sx, sw;
        const char* row; // destination row of 6, source "1234" as raw 1..4, '.' = untouched
    } cases[] = {
        {"same size", 0, 4, 0, 4, "1234.."},
        {"doubled", 0, 6, 0, 3, "112233"},
        {"halved", 0, 2, 0, 4, "13...."},
        {"mirrored destination", 4, -4, 0, 4, "4321.."},
        {"mirrored source", 0, 4, 4, -4, "4321.."},
        {"both negative", 4, -4, 4, -4, "1234.."},
        {"mirrored and doubled", 6, -6, 0, 3, "332211"},
        {"one source pixel", 1, 3, 2, 1, ".333.."},
        {"empty source", 0, 4, 0, 0, "......"},
    };
    for (const Case& c : cases)
    {
        DibDc src(Dib::Rgb32, 4, 1);
        DibDc dst(Dib::Rgb32, 6, 1);
        for (int x = 0; x < 4; ++x)
        {
            src.set_raw(x, 0, uint32_t(x + 1));
        }
        dst.fill_raw(0x99);
        ASSERT_TRUE(StretchBlt(dst.dc, c.x, 0, c.w, 1, src.dc, c.sx, 0, c.sw, 1, SRCCOPY)) << c.what;
        std::string got = dst.text({0x99, 1, 2, 3, 4}, ".1234");
        EXPECT_EQ(got, std::string(c.row) + "\n") << c.what;
    }
}

TEST(StretchBlt, ScalesRowsAndConvertsFormats)
{
    DibDc src(Dib::Pal8, 2, 2);
    DibDc dst(Dib::Rgb565, 4, 4);
    src.set_raw(0, 0, 1);
    src.set_raw(1, 0, 2);
    src.set_raw(0, 1, 3);
    src.set_raw(1, 1, 4);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 4, 4, -4, src.dc, 0, 0, 2, 2, SRCCOPY));
    std::vector<uint32_t> legend;
    for (int i = 1; i <= 4; ++i)
    {
        legend.push_back(reference_pixel(Dib::Rgb565, reference_color(Dib::Pal8, uint32_t(i))));
    }
    EXPECT_EQ(dst.text(legend, "1234"), "3344\n3344\n1122\n1122\n") << "upside down and doubled";
}

TEST(PatBlt, FillsWithTheBrushThroughPatternRops)
{
    struct Case
    {
        DWORD rop;
        uint32_t want;
    } cases[] = {
        {PATCOPY, 0xF800}, {PATINVERT, 0xF800 ^ 0x1234}, {DSTINVERT, 0xFFFF ^ 0x1234},
        {BLACKNESS, 0x0000}, {WHITENESS, 0xFFFF},
    };
    for (const Case& c : cases)
    {
        DibDc d(Dib::Rgb565, 4, 3);
        d.fill_raw(0x1234);
        HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
        HGDIOBJ old = SelectObject(d.dc, brush);
        ASSERT_TRUE(PatBlt(d.dc, 3, 2, -2, -1, c.rop)) << hex(c.rop);
        for (int y = 0; y < 3; ++y)
        {
            for (int x = 0; x < 4; ++x)
            {
                bool inside = (x == 1 || x == 2) && y == 1;
                uint32_t want = inside ? c.want : 0x1234;
                EXPECT_EQ(d.raw(x, y), want) << hex(c.rop) << " at (" << x << "," << y << ")";
            }
        }
        SelectObject(d.dc, old);
        DeleteObject(brush);
    }
}

TEST(PatBlt, RefusesSourceRopsAndDoesNothingWithTheNullBrush)
{
    DibDc d(Dib::Rgb565, 2, 2);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PatBlt(d.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SelectObject(d.dc, GetStockObject(NULL_BRUSH));
    d.fill_raw(0x1111);
    EXPECT_TRUE(PatBlt(d.dc, 0, 0, 2, 2, PATCOPY));
    EXPECT_EQ(d.raw(0, 0), 0x1111u);
}

TEST(PatBlt, RepeatsAPatternBrush)
{
    DibDc pattern(Dib::Rgb565, 2, 2);
    pattern.set_raw(0, 0, 0xF800);
    pattern.set_raw(1, 1, 0xF800);
    HBRUSH brush = CreatePatternBrush(pattern.bitmap);
    ASSERT_NE(brush, nullptr);
    DibDc d(Dib::Rgb565, 5, 3);
    SelectObject(d.dc, brush);
    ASSERT_TRUE(PatBlt(d.dc, 0, 0, 5, 3, PATCOPY));
    EXPECT_EQ(d.text({0, 0xF800}), "#.#.#\n.#.#.\n#.#.#\n");
    SelectObject(d.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST(PatBlt, AMonochromePatternTakesTheTextAndBackgroundColours)
{
    const uint8_t rows[] = {0x80, 0x00, 0x40, 0x00}; // 10 / 01
    HBITMAP mono = CreateBitmap(2, 2, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(mono);
    DeleteObject(mono); // the brush keeps its own copy
    DibDc d(Dib::Rgb565, 4, 2);
    SelectObject(d.dc, brush);
    SetTextColor(d.dc, RGB(255, 0, 0));
    SetBkColor(d.dc, RGB(255, 255, 255));
    ASSERT_TRUE(PatBlt(d.dc, 0, 0, 4, 2, PATCOPY));
    EXPECT_EQ(d.text({0xF800, 0xFFFF}, "t#"), "#t#t\nt#t#\n") << "1 bits take the background colour";
    SelectObject(d.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST(SetPixel, AnswersTheColourTheFormatCanShow)
{
    struct Case
    {
        Dib f;
        COLORREF asked;
        COLORREF set;
    } cases[] = {
        {Dib::Rgb565, RGB(255, 255, 255), RGB(255, 255, 255)},
        {Dib::Rgb565, RGB(1, 2, 3), RGB(0, 0, 0)},
        {Dib::Rgb565, RGB(0x12, 0x34, 0x56), RGB(0x10, 0x34, 0x52)},
        {Dib::Rgb555, RGB(0x12, 0x34, 0x56), RGB(0x10, 0x31, 0x52)},
        {Dib::Rgb32, RGB(0x12, 0x34, 0x56), RGB(0x12, 0x34, 0x56)},
        {Dib::Rgb24, RGB(0x12, 0x34, 0x56), RGB(0x12, 0x34, 0x56)},
        {Dib::Mono, RGB(250, 250, 250), RGB(palette_entry(1).rgbRed, palette_entry(1).rgbGreen,
                                            palette_entry(1).rgbBlue)},
    };
    for (const Case& c : cases)
    {
        DibDc d(c.f, 3, 3);
        SetLastError(0xdeadbeef);
        COLORREF got = SetPixel(d.dc, 1, 2, c.asked);
        EXPECT_EQ(got, c.set) << dib_name(c.f) << " " << hex(c.asked) << ": expected " << hex(c.set) << ", got "
                              << hex(got);
        EXPECT_EQ(GetPixel(d.dc, 1, 2), c.set) << dib_name(c.f);
        EXPECT_TRUE(SetPixelV(d.dc, 0, 0, c.asked));
        EXPECT_EQ(GetPixel(d.dc, 0, 0), c.set) << dib_name(c.f);
    }
}

TEST(SetPixel, AnswersInvalidOutsideTheBitmapOrClip)
{
    DibDc d(Dib::Rgb565, 3, 3);
    const POINT outside[] = {{-1, 0}, {0, -1}, {3, 0}, {0, 3}, {100000, 5}};
    for (POINT p : outside)
    {
        EXPECT_EQ(SetPixel(d.dc, p.x, p.y, RGB(1, 1, 1)), CLR_INVALID) << p.x << "," << p.y;
        EXPECT_EQ(GetPixel(d.dc, p.x, p.y), CLR_INVALID) << p.x << "," << p.y;
        EXPECT_FALSE(SetPixelV(d.dc, p.x, p.y, 0));
    }
    IntersectClipRect(d.dc, 0, 0, 1, 1);
    EXPECT_EQ(GetPixel(d.dc, 1, 1), CLR_INVALID) << "clipped away";
    EXPECT_NE(GetPixel(d.dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(uintptr_t(0x2222)), 0, 0), CLR_INVALID);
}

TEST(GetClipBox, AnswersTheClipInLogicalUnits)
{
    DibDc d(Dib::Rgb565, 10, 8);
    RECT box{};
    EXPECT_EQ(GetClipBox(d.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 10);
    EXPECT_EQ(box.bottom, 8);
    SetViewportOrgEx(d.dc, 2, 3, nullptr);
    EXPECT_EQ(IntersectClipRect(d.dc, 0, 0, 4, 4), SIMPLEREGION);
    GetClipBox(d.dc, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 4);
    EXPECT_EQ(box.bottom, 4);
    EXPECT_EQ(IntersectClipRect(d.dc, 10, 10, 20, 20), NULLREGION);
    EXPECT_EQ(GetClipBox(d.dc, &box), NULLREGION);
}

} // namespace
