// escape_test.cpp -- device capabilities and the raw frame buffer escape
#include "gdi_test_util.h"

#include <gtest/gtest.h>
#include "os/testing/gdi.h"

using namespace gdi_test;

namespace {

int query(HDC dc, DWORD escape)
{
    return ExtEscape(dc, QUERYESCSUPPORT, sizeof(escape), reinterpret_cast<LPCSTR>(&escape), 0, nullptr);
}

class Escape : public ::testing::Test
{
protected:
    void TearDown() override { os::gdi::set_raw_framebuffer_emulation(false); }
};

TEST_F(Escape, RawFrameBufferIsNotImplementedByDefault)
{
    HDC dc = GetDC(nullptr);
    RawFrameBufferInfo info{};
    info.wFormat = 77;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ExtEscape(dc, GETRAWFRAMEBUFFER, 0, nullptr, sizeof(info), reinterpret_cast<LPSTR>(&info)), 0);
    EXPECT_EQ(info.wFormat, 77) << "the record is left alone";
    struct Case
    {
        DWORD escape;
        int answer;
    } cases[] = {{GETRAWFRAMEBUFFER, 0}, {QUERYESCSUPPORT, 1}, {0x00020000, 0}, {12345, 0}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(query(dc, c.escape), c.answer) << "QUERYESCSUPPORT for " << hex(c.escape);
    }
    ReleaseDC(nullptr, dc);
}

TEST_F(Escape, EmulatedRawFrameBufferDescribesA480By640Screen)
{
    os::gdi::set_raw_framebuffer_emulation(true);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(query(dc, GETRAWFRAMEBUFFER), 1);
    RawFrameBufferInfo info{};
    ASSERT_EQ(ExtEscape(dc, GETRAWFRAMEBUFFER, 0, nullptr, sizeof(info), reinterpret_cast<LPSTR>(&info)), 1);
    EXPECT_EQ(info.wFormat, FORMAT_565);
    EXPECT_EQ(info.wBPP, 16);
    EXPECT_EQ(info.cxStride, 2);
    EXPECT_EQ(info.cyStride, 960);
    EXPECT_EQ(info.cxPixels, 480);
    EXPECT_EQ(info.cyPixels, 640);
    ASSERT_NE(info.pFramePointer, nullptr);
    memset(info.pFramePointer, 0xAB, size_t(info.cyStride) * size_t(info.cyPixels)); // the whole frame is writable
    ReleaseDC(nullptr, dc);
}

TEST_F(Escape, A480By640ScreenIsItsOwnRawFrameBuffer)
{
    os::host::set_default_screen(480, 640, 16);
    os::host::Screen& screen = os::host::screen();
    if (screen.width != 480 || screen.height != 640 || screen.bpp != 16)
    {
        GTEST_SKIP() << "the screen of this process was made before the test";
    }
    HDC dc = GetDC(nullptr);
    RawFrameBufferInfo info{};
    ASSERT_EQ(ExtEscape(dc, GETRAWFRAMEBUFFER, 0, nullptr, sizeof(info), reinterpret_cast<LPSTR>(&info)), 1);
    EXPECT_EQ(info.pFramePointer, static_cast<void*>(screen.pixels));
    EXPECT_EQ(info.cyStride, screen.pitch);
    ReleaseDC(nullptr, dc);
}

TEST_F(Escape, RefusesBadArguments)
{
    os::gdi::set_raw_framebuffer_emulation(true);
    HDC dc = GetDC(nullptr);
    RawFrameBufferInfo info{};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ExtEscape(dc, GETRAWFRAMEBUFFER, 0, nullptr, 4, reinterpret_cast<LPSTR>(&info)), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ExtEscape(dc, GETRAWFRAMEBUFFER, 0, nullptr, sizeof(info), nullptr), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ExtEscape(dc, QUERYESCSUPPORT, 2, "ab", 0, nullptr), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ExtEscape(reinterpret_cast<HDC>(uintptr_t(0x1112)), GETRAWFRAMEBUFFER, 0, nullptr, sizeof(info),
                        reinterpret_cast<LPSTR>(&info)),
              -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    ReleaseDC(nullptr, dc);
}

TEST(GetDeviceCaps, EveryDcReportsTheDeviceScreen)
{
    os::host::Screen& s = os::host::screen();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    struct Case
    {
        int index;
        int want;
    } cases[] = {
        {HORZRES, s.width}, {VERTRES, s.height}, {BITSPIXEL, s.bpp}, {PLANES, 1},
        {LOGPIXELSX, 96},   {LOGPIXELSY, 96},    {TECHNOLOGY, DT_RASDISPLAY}, {9999, 0},
    };
    for (HDC dc : {screen, memory})
    {
        for (const Case& c : cases)
        {
            EXPECT_EQ(GetDeviceCaps(dc, c.index), c.want) << "index " << c.index;
        }
        int raster = GetDeviceCaps(dc, RASTERCAPS);
        EXPECT_EQ(raster & (RC_BITBLT | RC_STRETCHBLT), RC_BITBLT | RC_STRETCHBLT);
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetDeviceCaps(reinterpret_cast<HDC>(uintptr_t(0x1112)), HORZRES), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

} // namespace

TEST_F(Escape, InstalledHandlerAnswersItsEscapeUntilRemoved)
{
    HDC dc = GetDC(nullptr);
    constexpr int kDeviceEscape = 0x20000;
    EXPECT_EQ(query(dc, kDeviceEscape), 0);
    os::gdi::set_escape_handler(kDeviceEscape, [](int, LPCSTR, int size, LPSTR out) {
        if (size > 0)
            out[0] = 42;
        return 1;
    });
    EXPECT_EQ(query(dc, kDeviceEscape), 1);
    char answer = 0;
    EXPECT_EQ(ExtEscape(dc, kDeviceEscape, 0, nullptr, 1, &answer), 1);
    EXPECT_EQ(answer, 42);
    os::gdi::set_escape_handler(kDeviceEscape, nullptr);
    EXPECT_EQ(query(dc, kDeviceEscape), 0);
    EXPECT_EQ(ExtEscape(dc, kDeviceEscape, 0, nullptr, 1, &answer), 0);
    ReleaseDC(nullptr, dc);
}
