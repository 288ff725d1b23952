// bitmap_test.cpp -- DIB sections, compatible bitmaps and their records
#include "gdi_test_util.h"

#include <gtest/gtest.h>

using namespace gdi_test;

namespace {

const Dib kAllFormats[] = {Dib::Mono, Dib::Pal4, Dib::Pal8, Dib::Rgb555, Dib::Rgb565, Dib::Rgb24, Dib::Rgb32};

TEST(CreateDIBSection, DescribesEveryFormatBothWaysUp)
{
    const DWORD masks[][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0x7C00, 0x03E0, 0x001F},
                              {0xF800, 0x07E0, 0x001F}, {0, 0, 0}, {0xFF0000, 0xFF00, 0xFF}};
    for (Dib f : kAllFormats)
    {
        for (int height : {-5, 5})
        {
            SCOPED_TRACE(std::string(dib_name(f)) + (height < 0 ? " top-down" : " bottom-up"));
            Info info = make_info(f, 7, height);
            void* bits = reinterpret_cast<void*>(1);
            SetLastError(0xdeadbeef);
            HBITMAP bitmap = CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
            ASSERT_NE(bitmap, nullptr);
            ASSERT_NE(bits, nullptr);
            int stride = (7 * dib_bpp(f) + 31) / 32 * 4;
            DIBSECTION ds{};
            EXPECT_EQ(GetObjectW(bitmap, sizeof(ds), &ds), int(sizeof(ds)));
            EXPECT_EQ(ds.dsBm.bmWidth, 7);
            EXPECT_EQ(ds.dsBm.bmHeight, 5);
            EXPECT_EQ(ds.dsBm.bmWidthBytes, stride) << "rows are DWORD-aligned";
            EXPECT_EQ(ds.dsBm.bmPlanes, 1);
            EXPECT_EQ(ds.dsBm.bmBitsPixel, dib_bpp(f));
            EXPECT_EQ(ds.dsBm.bmBits, bits);
            EXPECT_EQ(ds.dsBmih.biHeight, height);
            EXPECT_EQ(ds.dsBmih.biSizeImage, DWORD(stride * 5));
            for (int i = 0; i < 3; ++i)
            {
                EXPECT_EQ(ds.dsBitfields[i], masks[int(f)][i]) << "mask " << i;
            }
            const uint8_t* bytes = static_cast<const uint8_t*>(bits);
            bool zero = true;
            for (int i = 0; i < stride * 5; ++i)
            {
                zero = zero && bytes[i] == 0;
            }
            EXPECT_TRUE(zero) << "the pixels start zeroed";
            BITMAP bm{};
            EXPECT_EQ(GetObjectW(bitmap, sizeof(bm), &bm), int(sizeof(bm)));
            EXPECT_EQ(bm.bmBits, bits);
            EXPECT_TRUE(DeleteObject(bitmap));
        }
    }
}

TEST(CreateDIBSection, BottomUpRowsStartAtTheEndOfTheBits)
{
    for (bool bottom_up : {false, true})
    {
        DibDc d(Dib::Rgb565, 3, 4, bottom_up);
        SetPixel(d.dc, 1, 0, RGB(255, 0, 0));
        const uint16_t* pixels = static_cast<const uint16_t*>(d.bits);
        int memory_row = bottom_up ? 3 : 0;
        EXPECT_EQ(pixels[memory_row * 4 + 1], 0xF800) << (bottom_up ? "bottom-up" : "top-down")
                                                      << ": the top row lives in memory row " << memory_row;
    }
}

TEST(CreateDIBSection, RefusesBadHeaders)
{
    struct Case
    {
        const char* what;
        void (*spoil)(Info&);
    } cases[] = {
        {"core header size", [](Info& i) { i.header.biSize = 12; }},
        {"zero header size", [](Info& i) { i.header.biSize = 0; }},
        {"zero width", [](Info& i) { i.header.biWidth = 0; }},
        {"negative width", [](Info& i) { i.header.biWidth = -4; }},
        {"zero height", [](Info& i) { i.header.biHeight = 0; }},
        {"two planes", [](Info& i) { i.header.biPlanes = 2; }},
        {"2 bits per pixel", [](Info& i) { i.header.biBitCount = 2; }},
        {"0 bits per pixel", [](Info& i) { i.header.biBitCount = 0; }},
        {"run-length compression", [](Info& i) { i.header.biCompression = BI_RLE8; }},
        {"bit fields at 24 bits", [](Info& i) { i.header.biBitCount = 24; }},
        {"a red mask with a gap", [](Info& i) { reinterpret_cast<DWORD*>(i.colors)[0] = 0xF00F; }},
        {"an empty green mask", [](Info& i) { reinterpret_cast<DWORD*>(i.colors)[1] = 0; }},
        {"masks that overlap", [](Info& i) { reinterpret_cast<DWORD*>(i.colors)[0] = 0xFFE0; }},
        {"a mask past 16 bits", [](Info& i) { reinterpret_cast<DWORD*>(i.colors)[0] = 0x1F0000; }},
    };
    for (const Case& c : cases)
    {
        Info info = make_info(Dib::Rgb565, 4, -4);
        c.spoil(info);
        void* bits = reinterpret_cast<void*>(1);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << c.what;
        EXPECT_EQ(bits, nullptr) << c.what << ": the bits pointer is cleared on failure";
    }
    Info good = make_info(Dib::Rgb565, 4, -4);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateDIBSection(nullptr, good.get(), DIB_PAL_COLORS, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

namespace {

// A one-row DIB section with the given bit fields, selected into its own DC.
struct MaskedDib
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
    int bpp;

    MaskedDib(int bpp, DWORD red, DWORD green, DWORD blue) : bpp(bpp)
    {
        Info info = make_info(bpp == 16 ? Dib::Rgb565 : Dib::Rgb32, 4, -1);
        DWORD* masks = reinterpret_cast<DWORD*>(info.colors);
        masks[0] = red;
        masks[1] = green;
        masks[2] = blue;
        bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
        old = bitmap ? SelectObject(dc, bitmap) : nullptr;
    }
    ~MaskedDib()
    {
        if (old)
            SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    uint32_t raw(int x) const
    {
        return bpp == 16 ? static_cast<const uint16_t*>(bits)[x] : static_cast<const uint32_t*>(bits)[x];
    }
    void set_raw(int x, uint32_t v)
    {
        if (bpp == 16)
            static_cast<uint16_t*>(bits)[x] = uint16_t(v);
        else
            static_cast<uint32_t*>(bits)[x] = v;
    }
};

} // namespace

// Any contiguous, separate channel masks are taken (not only 565, 555 and
// 888), and colours go in and out of them and across blits exactly.
TEST(CreateDIBSection, TakesAnyContiguousMasks)
{
    struct Case
    {
        const char* what;
        int bpp;
        DWORD masks[3];
        uint32_t orange;  // the pixel RGB(255, 128, 0) is written as
        COLORREF read;    // what GetPixel reads back from it
        uint32_t magenta; // full red and blue
    } cases[] = {
        {"16-bit 4444", 16, {0x0F00, 0x00F0, 0x000F}, 0x0F80, RGB(255, 0x88, 0), 0x0F0F},
        {"16-bit blue-first 565", 16, {0x001F, 0x07E0, 0xF800}, 0x041F, RGB(255, 130, 0), 0xF81F},
        {"32-bit 10-10-10", 32, {0x3FF00000, 0x000FFC00, 0x000003FF}, 0x3FF80800, RGB(255, 128, 0), 0x3FF003FF},
        {"32-bit blue-first 888", 32, {0x0000FF, 0x00FF00, 0xFF0000}, 0x0080FF, RGB(255, 128, 0), 0xFF00FF},
        {"32-bit colour in the top bytes", 32, {0xFF000000, 0x00FF0000, 0x0000FF00}, 0xFF800000, RGB(255, 128, 0),
         0xFF00FF00},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        MaskedDib dib(c.bpp, c.masks[0], c.masks[1], c.masks[2]);
        ASSERT_NE(dib.bitmap, nullptr);
        DIBSECTION ds{};
        ASSERT_EQ(GetObjectW(dib.bitmap, sizeof ds, &ds), int(sizeof ds));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(ds.dsBitfields[i], c.masks[i]) << "mask " << i;
        SetPixel(dib.dc, 0, 0, RGB(255, 128, 0));
        EXPECT_EQ(hex(dib.raw(0)), hex(c.orange));
        EXPECT_EQ(hex(GetPixel(dib.dc, 0, 0)), hex(c.read));

        // Across formats, and between two of the masked kind with other masks.
        dib.set_raw(1, c.magenta);
        DibDc rgb565(Dib::Rgb565, 4, 1);
        MaskedDib other(32, 0x3FF00000, 0x000FFC00, 0x000003FF);
        ASSERT_TRUE(BitBlt(rgb565.dc, 0, 0, 1, 1, dib.dc, 1, 0, SRCCOPY));
        ASSERT_TRUE(BitBlt(other.dc, 0, 0, 1, 1, dib.dc, 1, 0, SRCCOPY));
        EXPECT_EQ(hex(rgb565.raw(0, 0)), hex(0xF81F)) << "into RGB565";
        EXPECT_EQ(hex(other.raw(0)), hex(0x3FF003FF)) << "into 10-10-10";
        ASSERT_TRUE(BitBlt(dib.dc, 2, 0, 1, 1, rgb565.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(hex(dib.raw(2)), hex(c.magenta)) << "back from RGB565";
    }
}

TEST(CreateDIBSection, RefusesPicturesTooLargeToAllocate)
{
    Info info = make_info(Dib::Rgb32, 100000, -100000);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
}

TEST(CreateDIBSection, UsesOnlyTheColoursItIsGiven)
{
    Info info = make_info(Dib::Pal8, 4, -1);
    info.header.biClrUsed = 2;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    static_cast<uint8_t*>(bits)[0] = 1;
    static_cast<uint8_t*>(bits)[1] = 7; // past the two colours
    RGBQUAD one = palette_entry(1);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(one.rgbRed, one.rgbGreen, one.rgbBlue));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST(CreateCompatibleBitmap, TakesTheDepthOfItsDc)
{
    HDC screen = GetDC(nullptr);
    HDC fresh = CreateCompatibleDC(screen);
    DibDc deep(Dib::Rgb32, 2, 2);
    DibDc pal(Dib::Pal8, 2, 2);
    struct Case
    {
        const char* what;
        HDC dc;
        int bpp;
    } cases[] = {
        {"screen DC", screen, os::host::screen().bpp},
        {"fresh memory DC", fresh, 1},
        {"memory DC holding a 32-bit DIB", deep.dc, 32},
        {"memory DC holding an 8-bit DIB", pal.dc, 8},
    };
    for (const Case& c : cases)
    {
        HBITMAP bitmap = CreateCompatibleBitmap(c.dc, 3, 2);
        ASSERT_NE(bitmap, nullptr) << c.what;
        BITMAP bm{};
        EXPECT_EQ(GetObjectW(bitmap, sizeof(DIBSECTION), &bm), int(sizeof(BITMAP)))
            << c.what << ": not a DIB section, so only a BITMAP";
        EXPECT_EQ(bm.bmBitsPixel, c.bpp) << c.what;
        EXPECT_EQ(bm.bmWidth, 3) << c.what;
        EXPECT_EQ(bm.bmHeight, 2) << c.what;
        EXPECT_EQ(bm.bmBits, nullptr) << c.what;
        EXPECT_EQ(bm.bmWidthBytes % 2, 0) << c.what << ": rows are WORD-aligned";
        DeleteObject(bitmap);
    }
    DeleteDC(fresh);
    ReleaseDC(nullptr, screen);
}

TEST(CreateCompatibleBitmap, ZeroSizeGivesTheDefaultMonochromeBitmap)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ default_bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 0, 5);
    EXPECT_EQ(bitmap, default_bitmap);
    BITMAP bm{};
    GetObjectW(bitmap, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateCompatibleBitmap(dc, -3, 5), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateCompatibleBitmap(reinterpret_cast<HDC>(uintptr_t(0x6662)), 3, 3), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    DeleteDC(dc);
}

TEST(CreateBitmap, TakesWordAlignedRows)
{
    const uint8_t rows[] = {0xA0, 0x00, 0x50, 0x00}; // 1010 / 0101
    HBITMAP bitmap = CreateBitmap(4, 2, 1, 1, rows);
    ASSERT_NE(bitmap, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const char* expected[] = {"#.#.", ".#.#"};
    for (int y = 0; y < 2; ++y)
    {
        for (int x = 0; x < 4; ++x)
        {
            COLORREF want = expected[y][x] == '#' ? RGB(255, 255, 255) : RGB(0, 0, 0);
            EXPECT_EQ(GetPixel(dc, x, y), want) << "(" << x << "," << y << ")";
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    for (UINT bpp : {2u, 4u, 8u})
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(CreateBitmap(2, 2, 1, bpp, nullptr), nullptr) << bpp << " bits";
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
}

} // namespace
