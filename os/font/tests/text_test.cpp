// Conformance tests of fonts and text output: the font object, metrics,
// extents, DrawTextW and the pixels text leaves in 16- and 32-bit DIB sections.
#include "os/gdi/tests/gdi_test_util.h"

#include "os/font/render.h"

#include <os/font.h>
#include <os/gdi.h>
#include <os/user.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

using gdi_test::Dib;
using gdi_test::DibDc;

LOGFONTW make_logfont(LONG height, LONG weight = FW_NORMAL, BYTE italic = 0, BYTE underline = 0,
                      const char16_t* face = u"Arial")
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfPitchAndFamily = FF_SWISS;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i)
        lf.lfFaceName[i] = face[i];
    return lf;
}

// A font selected into a DC for the life of the object.
class Selected
{
public:
    Selected(HDC dc, const LOGFONTW& lf) : dc_(dc), font_(CreateFontIndirectW(&lf))
    {
        EXPECT_NE(font_, nullptr);
        old_ = SelectObject(dc_, font_);
    }
    ~Selected()
    {
        SelectObject(dc_, old_);
        DeleteObject(font_);
    }
    HFONT font() const { return font_; }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

std::u16string face_of(const LOGFONTW& lf)
{
    return std::u16string(lf.lfFaceName);
}

TEST(Font, CreateAndReadBack)
{
    struct Case
    {
        LONG height;
        LONG weight;
        BYTE italic;
        BYTE underline;
        const char16_t* face;
    } cases[] = {
        {-12, FW_NORMAL, 0, 0, u"Arial"},
        {16, FW_BOLD, 0, 0, u"Tahoma"},
        {0, 0, 1, 0, u""},
        {-24, FW_SEMIBOLD, 1, 1, u"Courier New"},
        {11, 900, 0, 1, u"Nonexistent Face Name"},
    };
    for (const Case& c : cases)
    {
        LOGFONTW lf = make_logfont(c.height, c.weight, c.italic, c.underline, c.face);
        SetLastError(0xdeadbeef);
        HFONT font = CreateFontIndirectW(&lf);
        ASSERT_NE(font, nullptr) << "height " << c.height;
        EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT);
        LOGFONTW back{};
        EXPECT_EQ(GetObjectW(font, sizeof(back), &back), (int)sizeof(LOGFONTW));
        EXPECT_EQ(back.lfHeight, c.height);
        EXPECT_EQ(back.lfWeight, c.weight);
        EXPECT_EQ(back.lfItalic, c.italic);
        EXPECT_EQ(back.lfUnderline, c.underline);
        EXPECT_EQ(back.lfPitchAndFamily, FF_SWISS);
        EXPECT_TRUE(face_of(back) == c.face) << "face read back differs for height " << c.height;
        EXPECT_TRUE(DeleteObject(font));
    }
}

TEST(Font, CreateErrorsAndFaceLimit)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    // A face name filling all 32 characters keeps 31 and a terminator.
    LOGFONTW lf = make_logfont(-12);
    for (int i = 0; i < LF_FACESIZE; ++i)
        lf.lfFaceName[i] = u'A' + i % 26;
    HFONT font = CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr);
    LOGFONTW back{};
    GetObjectW(font, sizeof(back), &back);
    EXPECT_EQ(std::u16string(back.lfFaceName).size(), 31u);
    DeleteObject(font);

    font = CreateFontW(-10, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, FF_SWISS, u"Arial");
    ASSERT_NE(font, nullptr);
    GetObjectW(font, sizeof(back), &back);
    EXPECT_EQ(back.lfHeight, -10);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(back.lfItalic, 1);
    EXPECT_TRUE(face_of(back) == u"Arial");
    DeleteObject(font);
}

TEST(Font, GetObjectSizes)
{
    LOGFONTW lf = make_logfont(-13);
    HFONT font = CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetObjectW(font, 0, nullptr), (int)sizeof(LOGFONTW)) << "a NULL buffer asks for the size";
    LOGFONTW back;
    memset(&back, 0x55, sizeof(back));
    EXPECT_EQ(GetObjectW(font, 8, &back), 8) << "a short buffer gets the start of the record";
    EXPECT_EQ(back.lfHeight, -13);
    EXPECT_EQ(back.lfWeight, 0x55555555) << "bytes past the size must stay untouched";
    DeleteObject(font);
}

TEST(Font, StockFonts)
{
    const int ids[] = {SYSTEM_FONT, DEFAULT_GUI_FONT, ANSI_VAR_FONT, SYSTEM_FIXED_FONT, DEVICE_DEFAULT_FONT};
    for (int id : ids)
    {
        HGDIOBJ font = GetStockObject(id);
        ASSERT_NE(font, nullptr) << "stock id " << id;
        EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT) << "stock id " << id;
        LOGFONTW lf{};
        EXPECT_EQ(GetObjectW(font, sizeof(lf), &lf), (int)sizeof(lf));
        DeleteObject(font);
        EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT) << "a stock font survives DeleteObject";
    }
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT)) << "a new DC has the system font";
    DeleteDC(dc);
}

TEST(Font, TextMetrics)
{
    HDC dc = CreateCompatibleDC(nullptr);
    struct Case
    {
        LONG height;
        LONG weight;
        int cell;      // expected tmHeight, 0 = not checked
        int character; // expected tmHeight - tmInternalLeading, 0 = not checked
    } cases[] = {
        {-12, FW_NORMAL, 0, 12}, {-20, FW_NORMAL, 0, 20}, {12, FW_NORMAL, 12, 0},
        {20, FW_BOLD, 20, 0},    {32, FW_NORMAL, 32, 0},  {0, FW_NORMAL, 13, 0},
    };
    for (const Case& c : cases)
    {
        Selected sel(dc, make_logfont(c.height, c.weight));
        TEXTMETRICW tm{};
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(GetTextMetricsW(dc, &tm));
        if (c.cell)
        {
            EXPECT_EQ(tm.tmHeight, c.cell) << "lfHeight " << c.height;
        }
        if (c.character)
        {
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.character) << "lfHeight " << c.height;
        }
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight) << "lfHeight " << c.height;
        EXPECT_EQ(tm.tmWeight, c.weight) << "lfHeight " << c.height;
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetTextMetricsW(dc, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    DeleteDC(dc);
    TEXTMETRICW tm;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetTextMetricsW(dc, &tm)) << "a deleted DC";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST(Font, TextExtent)
{
    HDC dc = CreateCompatibleDC(nullptr);
    Selected sel(dc, make_logfont(-16));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    SIZE empty{-1, -1};
    ASSERT_TRUE(GetTextExtentPoint32W(dc, u"", 0, &empty));
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, tm.tmHeight);

    // Without kerning, a run is as wide as its characters one by one.
    const char16_t* words[] = {u"AV", u"Hello, world", u"iiii", u"WWWW", u"To"};
    for (const char16_t* w : words)
    {
        std::u16string s(w);
        SIZE whole;
        ASSERT_TRUE(GetTextExtentPoint32W(dc, s.c_str(), (int)s.size(), &whole));
        LONG sum = 0;
        for (char16_t ch : s)
        {
            SIZE one;
            GetTextExtentPoint32W(dc, &ch, 1, &one);
            sum += one.cx;
        }
        EXPECT_EQ(whole.cx, sum) << "run of " << s.size() << " characters";
        EXPECT_EQ(whole.cy, tm.tmHeight);
    }
    SIZE narrow, wide;
    GetTextExtentPoint32W(dc, u"iiii", 4, &narrow);
    GetTextExtentPoint32W(dc, u"WWWW", 4, &wide);
    EXPECT_LT(narrow.cx, wide.cx) << "a proportional font";

    struct Bad
    {
        HDC dc;
        const WCHAR* text;
        int count;
        SIZE* size;
        DWORD error;
    } bad[] = {
        {dc, u"ab", -1, &empty, ERROR_INVALID_PARAMETER},
        {dc, nullptr, 2, &empty, ERROR_INVALID_PARAMETER},
        {dc, u"ab", 2, nullptr, ERROR_INVALID_PARAMETER},
        {(HDC)(uintptr_t)0x1234, u"ab", 2, &empty, ERROR_INVALID_HANDLE},
    };
    for (const Bad& b : bad)
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(GetTextExtentPoint32W(b.dc, b.text, b.count, b.size));
        EXPECT_EQ(GetLastError(), b.error) << "expected " << b.error << ", got " << GetLastError();
    }
    DeleteDC(dc);
}

TEST(Font, TextExtentEx)
{
    HDC dc = CreateCompatibleDC(nullptr);
    Selected sel(dc, make_logfont(-12));
    const std::u16string s = u"abcdefgh";
    INT dx[8] = {};
    INT fit = -1;
    SIZE size;
    ASSERT_TRUE(GetTextExtentExPointW(dc, s.c_str(), 8, 1000, &fit, dx, &size));
    EXPECT_EQ(fit, 8);
    EXPECT_EQ(dx[7], size.cx) << "the last partial extent is the whole width";
    for (int n = 1; n <= 8; ++n)
    {
        SIZE part;
        GetTextExtentPoint32W(dc, s.c_str(), n, &part);
        EXPECT_EQ(dx[n - 1], part.cx) << "extent of the first " << n;
        INT f = -1;
        GetTextExtentExPointW(dc, s.c_str(), 8, part.cx, &f, nullptr, &size);
        EXPECT_EQ(f, n) << "characters fitting in " << part.cx;
        GetTextExtentExPointW(dc, s.c_str(), 8, part.cx - 1, &f, nullptr, &size);
        EXPECT_EQ(f, n - 1) << "characters fitting in " << part.cx - 1;
    }
    DeleteDC(dc);
}

TEST(Font, BoldIsWiderThanRegular)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE regular, bold;
    {
        Selected sel(dc, make_logfont(-16));
        GetTextExtentPoint32W(dc, u"Mountain", 8, &regular);
    }
    {
        Selected sel(dc, make_logfont(-16, FW_BOLD));
        GetTextExtentPoint32W(dc, u"Mountain", 8, &bold);
    }
    EXPECT_GT(bold.cx, regular.cx);
    DeleteDC(dc);
}

TEST(Font, DrawTextCalcRect)
{
    HDC dc = CreateCompatibleDC(nullptr);
    Selected sel(dc, make_logfont(-12));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    SIZE hello;
    GetTextExtentPoint32W(dc, u"Hello", 5, &hello);
    struct Case
    {
        const char16_t* text;
        UINT format;
        int width; // rectangle width given
        int expect_width;
        int expect_lines;
    } cases[] = {
        {u"Hello", DT_SINGLELINE, 200, hello.cx, 1},
        {u"Hello", DT_LEFT, 1, hello.cx, 1},
        {u"Hello\r\nHello", DT_LEFT, 200, hello.cx, 2},
        {u"Hello Hello Hello", DT_WORDBREAK, hello.cx + 2, hello.cx, 3},
        {u"&Hello", DT_SINGLELINE, 200, hello.cx, 1},
    };
    for (const Case& c : cases)
    {
        RECT r = {5, 7, 5 + c.width, 8};
        SetLastError(0xdeadbeef);
        int h = DrawTextW(dc, c.text, -1, &r, c.format | DT_CALCRECT);
        EXPECT_EQ(h, c.expect_lines * tm.tmHeight) << "lines of a text";
        EXPECT_EQ(r.left, 5);
        EXPECT_EQ(r.top, 7);
        EXPECT_EQ(r.right - r.left, c.expect_width);
        EXPECT_EQ(r.bottom - r.top, c.expect_lines * tm.tmHeight);
    }
    RECT r = {0, 0, 100, 100};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(DrawTextW(dc, nullptr, -1, &r, 0), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(DrawTextW(dc, u"x", -1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    DeleteDC(dc);
}

// ---- pixels ----

const Dib kFormats[] = {Dib::Rgb565, Dib::Rgb32};

uint32_t pixel(const DibDc& d, COLORREF c)
{
    BYTE r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    if (d.format == Dib::Rgb565)
        return uint32_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

int count_raw(const DibDc& d, uint32_t value, const RECT& area)
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += d.raw(x, y) == value;
    return n;
}

TEST(TextPixels, TransparentLeavesTheBackground)
{
    for (Dib f : kFormats)
    {
        DibDc d(f, 64, 24);
        const COLORREF back = RGB(0, 128, 255);
        d.fill_raw(pixel(d, back));
        Selected sel(d.dc, make_logfont(-16));
        SetTextColor(d.dc, RGB(255, 0, 0));
        SetBkColor(d.dc, RGB(0, 255, 0));
        SetBkMode(d.dc, TRANSPARENT);
        ASSERT_TRUE(TextOutW(d.dc, 2, 2, u"Hi", 2));
        RECT all = {0, 0, 64, 24};
        EXPECT_EQ(count_raw(d, pixel(d, RGB(0, 255, 0)), all), 0) << dib_name(f) << ": no background colour";
        EXPECT_GT(count_raw(d, pixel(d, RGB(255, 0, 0)), all), 10) << dib_name(f) << ": solid stems in the text colour";
        EXPECT_EQ(d.raw(0, 0), pixel(d, back)) << dib_name(f);
        EXPECT_EQ(d.raw(63, 23), pixel(d, back)) << dib_name(f);
    }
}

TEST(TextPixels, OpaqueFillsTheCell)
{
    for (Dib f : kFormats)
    {
        DibDc d(f, 64, 24);
        d.fill_raw(0);
        Selected sel(d.dc, make_logfont(-16));
        SIZE ext;
        GetTextExtentPoint32W(d.dc, u"Hi", 2, &ext);
        SetTextColor(d.dc, RGB(0, 0, 0));
        SetBkColor(d.dc, RGB(255, 255, 255));
        SetBkMode(d.dc, OPAQUE);
        ASSERT_TRUE(TextOutW(d.dc, 3, 1, u"Hi", 2));
        uint32_t white = pixel(d, RGB(255, 255, 255));
        EXPECT_EQ(d.raw(3, 1), white) << dib_name(f) << ": top-left of the cell";
        EXPECT_EQ(d.raw(3 + ext.cx - 1, 1 + ext.cy - 1), white) << dib_name(f) << ": bottom-right of the cell";
        EXPECT_EQ(d.raw(3 + ext.cx, 1), 0u) << dib_name(f) << ": right of the cell";
        EXPECT_EQ(d.raw(3, 1 + ext.cy), 0u) << dib_name(f) << ": below the cell";
        EXPECT_EQ(d.raw(2, 1), 0u) << dib_name(f) << ": left of the cell";
    }
}

TEST(TextPixels, ExtTextOutOpaqueAndClipped)
{
    for (Dib f : kFormats)
    {
        DibDc d(f, 64, 32);
        d.fill_raw(0);
        Selected sel(d.dc, make_logfont(-20));
        SetTextColor(d.dc, RGB(255, 255, 255));
        SetBkColor(d.dc, RGB(0, 0, 255));
        SetBkMode(d.dc, TRANSPARENT);
        RECT box = {10, 10, 30, 20};
        ASSERT_TRUE(ExtTextOutW(d.dc, 4, 4, ETO_OPAQUE | ETO_CLIPPED, &box, u"WWW", 3, nullptr));
        uint32_t blue = pixel(d, RGB(0, 0, 255));
        EXPECT_EQ(d.raw(10, 10), blue) << dib_name(f) << ": ETO_OPAQUE fills the rectangle";
        EXPECT_EQ(count_raw(d, 0, box), 0) << dib_name(f) << ": the whole rectangle is filled";
        RECT outside[] = {{0, 0, 64, 10}, {0, 20, 64, 32}, {0, 10, 10, 20}, {30, 10, 64, 20}};
        for (const RECT& o : outside)
            EXPECT_EQ(count_raw(d, 0, o), (o.right - o.left) * (o.bottom - o.top))
                << dib_name(f) << ": nothing drawn outside the clip rectangle";
    }
}

TEST(TextPixels, UnderlineSpansTheRun)
{
    for (Dib f : kFormats)
    {
        DibDc d(f, 80, 24);
        d.fill_raw(0);
        Selected sel(d.dc, make_logfont(-12, FW_NORMAL, 0, 1));
        TEXTMETRICW tm;
        GetTextMetricsW(d.dc, &tm);
        SIZE ext;
        GetTextExtentPoint32W(d.dc, u"a b", 3, &ext);
        SetTextColor(d.dc, RGB(255, 255, 255));
        SetBkMode(d.dc, TRANSPARENT);
        ASSERT_TRUE(TextOutW(d.dc, 0, 0, u"a b", 3));
        uint32_t white = pixel(d, RGB(255, 255, 255));
        int best = 0;
        for (int y = tm.tmAscent; y < tm.tmHeight; ++y)
            best = std::max(best, count_raw(d, white, {0, y, 80, y + 1}));
        EXPECT_EQ(best, ext.cx) << dib_name(f) << ": one row below the baseline is solid over the run";
    }
}

// A black 32-bit picture drawing white text with a 12-pixel font, transparent.
struct InkPicture
{
    DibDc d;
    Selected sel;
    InkPicture(int width, int height) : d(Dib::Rgb32, width, height), sel(d.dc, make_logfont(-12))
    {
        d.fill_raw(0);
        SetTextColor(d.dc, RGB(255, 255, 255));
        SetBkMode(d.dc, TRANSPARENT);
    }
};

// First and last columns holding any ink (non-zero pixels).
std::pair<int, int> ink_span(const DibDc& d)
{
    int first = 1 << 30, last = -1;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            if (d.raw(x, y))
            {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

struct Golden
{
    Dib format;
    uint32_t hash;
};

// The exact pixels of a short string: black on white, 12-pixel characters.
// The hashes hold for the DejaVu Sans files and FreeType of the project's
// Debian base; a mismatch writes the picture as a PNG to look at.
TEST(TextPixels, RenderedStringHash)
{
    const Golden golden[] = {{Dib::Rgb565, 0xbce7f9c1}, {Dib::Rgb32, 0x33da96e1}};
    for (const Golden& g : golden)
    {
        DibDc d(g.format, 96, 20);
        d.fill_raw(pixel(d, RGB(255, 255, 255)));
        Selected sel(d.dc, make_logfont(-12));
        SetTextColor(d.dc, RGB(0, 0, 0));
        SetBkMode(d.dc, TRANSPARENT);
        ASSERT_TRUE(TextOutW(d.dc, 2, 2, u"Text 123 &Wg", 12));
        uint32_t h = d.hash();
        EXPECT_EQ(h, g.hash) << dib_name(g.format) << ": expected 0x" << std::hex << g.hash << ", got 0x" << h;
        if (h != g.hash)
            d.dump(std::string("text-hash-") + dib_name(g.format));
    }
}

TEST(TextPixels, DrawTextAlignsInTheRectangle)
{
    struct Case
    {
        UINT format;
        int ink_left_min;  // first inked column at least
        int ink_right_max; // last inked column at most
    } cases[] = {
        {DT_LEFT | DT_SINGLELINE, 10, 40},
        {DT_RIGHT | DT_SINGLELINE, 60, 89},
        {DT_CENTER | DT_SINGLELINE, 35, 65},
    };
    for (const Case& c : cases)
    {
        InkPicture pic(100, 30);
        RECT r = {10, 5, 90, 25};
        DrawTextW(pic.d.dc, u"Mid", -1, &r, c.format);
        auto [first, last] = ink_span(pic.d);
        EXPECT_GE(first, c.ink_left_min) << "format " << c.format;
        EXPECT_LE(last, c.ink_right_max) << "format " << c.format;
    }
}

// Expanded tabs move the ink as far as DT_CALCRECT measured.
TEST(TextPixels, ExpandedTabsDrawWhereMeasured)
{
    InkPicture pic(200, 20);
    DibDc& d = pic.d;
    RECT calc = {0, 0, 200, 20};
    DrawTextW(d.dc, u"a\tb", -1, &calc, DT_EXPANDTABS | DT_SINGLELINE | DT_CALCRECT);
    SIZE b;
    GetTextExtentPoint32W(d.dc, u"b", 1, &b);
    RECT r = {0, 0, 200, 20};
    DrawTextW(d.dc, u"a\tb", -1, &r, DT_EXPANDTABS | DT_SINGLELINE);
    int last = ink_span(d).second;
    EXPECT_GT(last, calc.right - b.cx) << "the b after the tab stop";
    EXPECT_LT(last, calc.right + 1);
}

TEST(TextPixels, SetTextAlign)
{
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetTextAlign(dc), (UINT)(TA_LEFT | TA_TOP));
    EXPECT_EQ(SetTextAlign(dc, TA_RIGHT | TA_BOTTOM), (UINT)(TA_LEFT | TA_TOP));
    EXPECT_EQ(GetTextAlign(dc), (UINT)(TA_RIGHT | TA_BOTTOM));
    DeleteDC(dc);
    EXPECT_EQ(SetTextAlign(dc, TA_LEFT), GDI_ERROR) << "a deleted DC";

    InkPicture pic(60, 30);
    DibDc& d = pic.d;
    SetTextAlign(d.dc, TA_RIGHT | TA_BOTTOM);
    TextOutW(d.dc, 40, 25, u"ab", 2);
    int inked = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x)
        {
            if (!d.raw(x, y))
                continue;
            ++inked;
            ASSERT_TRUE(x < 40 && y < 25) << "ink at " << x << "," << y << " past the reference point";
        }
    EXPECT_GT(inked, 0) << "the text was drawn";
}

LRESULT CALLBACK plain_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

// Text drawn into a parent's window DC leaves a child's area alone.
TEST(TextPixels, WindowDcClipsChildren)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = u"TextTestWindow";
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND parent = CreateWindowExW(0, u"TextTestWindow", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND child = CreateWindowExW(0, u"TextTestWindow", u"", WS_CHILD | WS_VISIBLE, 20, 0, 40, 60, parent, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    HDC cdc = GetDC(child);
    RECT all = {0, 0, 40, 60};
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(cdc, &all, green);
    DeleteObject(green);
    COLORREF before = GetPixel(cdc, 5, 5);
    HDC pdc = GetDC(parent);
    {
        Selected sel(pdc, make_logfont(-40));
        SetBkColor(pdc, RGB(255, 0, 0));
        SetBkMode(pdc, OPAQUE);
        ASSERT_TRUE(TextOutW(pdc, 0, 0, u"WWWWWW", 6));
    }
    for (int y = 0; y < 60; y += 3)
        for (int x = 0; x < 40; x += 3)
            ASSERT_EQ(GetPixel(cdc, x, y), before) << "the child's pixel " << x << "," << y << " was drawn over";
    EXPECT_EQ(GetPixel(pdc, 10, 2), GetPixel(pdc, 70, 2)) << "the parent's area on both sides got the text cell";
    EXPECT_NE(GetPixel(pdc, 70, 2), GetPixel(pdc, 70, 300));
    ReleaseDC(parent, pdc);
    ReleaseDC(child, cdc);
    DestroyWindow(parent);
}

// Text placed near either end of the int range is far off any surface: it
// draws nothing and reads nothing outside its glyphs, whatever the clip.
TEST(TextPixels, TextAtTheEndsOfTheIntRangeDrawsNothing)
{
    const int far[] = {INT_MAX, INT_MAX - 5, INT_MIN, INT_MIN + 5};
    for (Dib f : kFormats)
    {
        DibDc d(f, 64, 32);
        d.fill_raw(0);
        Selected sel(d.dc, make_logfont(-20));
        SetTextColor(d.dc, RGB(255, 255, 255));
        SetBkMode(d.dc, TRANSPARENT);
        RECT all = {0, 0, 64, 32};
        for (int v : far)
        {
            RECT box = {10, 10, 60, 30};
            ExtTextOutW(d.dc, 4, v, ETO_CLIPPED, &box, u"WgW", 3, nullptr);
            ExtTextOutW(d.dc, v, 4, ETO_CLIPPED, &box, u"WgW", 3, nullptr);
            ExtTextOutW(d.dc, 4, v, 0, nullptr, u"WgW", 3, nullptr);
            RECT rect = {4, v, 60, v};
            DrawTextW(d.dc, u"WgW", -1, &rect, DT_NOCLIP);
            EXPECT_EQ(count_raw(d, 0, all), 64 * 32) << dib_name(f) << ": text at " << v;
        }
    }
}

// The glyph walk itself: a glyph placed so that its position and the clip
// are more than the int range apart visits no pixel.
TEST(TextPixels, GlyphWalkCutsInWideArithmetic)
{
    os::font::Glyph g;
    g.width = 4;
    g.height = 6;
    g.coverage.assign(24, 200);
    const RECT clip = {10, 20, 200, 300};
    struct Case
    {
        int left, top;
        int visits;
    } cases[] = {
        {12, 22, 24},     {8, 18, 2 * 4},   {198, 298, 2 * 2},    {INT_MAX, 22, 0},     {12, INT_MAX, 0},
        {INT_MIN, 22, 0}, {12, INT_MIN, 0}, {INT_MIN + 3, 22, 0}, {12, INT_MIN + 3, 0}, {INT_MAX - 1, INT_MIN + 1, 0},
    };
    for (const Case& c : cases)
    {
        int visits = 0;
        os::font::for_each_covered(g, c.left, c.top, clip, [&](int x, int y, uint8_t cover) {
            ++visits;
            EXPECT_TRUE(x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
                << "(" << x << ", " << y << ") lies outside the clip";
            EXPECT_EQ(cover, 200);
        });
        EXPECT_EQ(visits, c.visits) << "glyph at (" << c.left << ", " << c.top << ")";
    }
}

} // namespace
