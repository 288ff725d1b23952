// window_dc_test.cpp -- window and screen DCs on the headless screen, BeginPaint and EndPaint
#include "gdi_test_util.h"

#include "os/user/wininfo.h"

#include <os/user.h>

#include <gtest/gtest.h>

using namespace gdi_test;

namespace {

LRESULT g_erase_answer = 1;
std::vector<WPARAM> g_erase_dcs;

LRESULT CALLBACK test_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_ERASEBKGND)
    {
        g_erase_dcs.push_back(wparam);
        return g_erase_answer;
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

class WindowDc : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = test_proc;
        wc.lpszClassName = u"GdiTestWindow";
        RegisterClassW(&wc);
        clear_screen(0);
        g_erase_dcs.clear();
        g_erase_answer = 1;
    }

    HWND make(DWORD style, int x, int y, int w, int h, HWND parent = nullptr)
    {
        HWND hwnd = CreateWindowExW(0, u"GdiTestWindow", u"", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        ValidateRect(hwnd, nullptr);
        return hwnd;
    }

    static void clear_screen(COLORREF color)
    {
        HDC screen = GetDC(nullptr);
        RECT all{0, 0, os::host::screen().width, os::host::screen().height};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(screen, &all, brush);
        DeleteObject(brush);
        ReleaseDC(nullptr, screen);
    }

    // The colour at a screen point, read from the screen memory itself.
    static COLORREF at(int x, int y)
    {
        os::host::Screen& s = os::host::screen();
        const uint8_t* row = s.pixels + size_t(y) * size_t(s.pitch);
        uint32_t v;
        if (s.bpp == 16)
        {
            v = os::host::rgb565_to_rgb(uint16_t(row[2 * x] | row[2 * x + 1] << 8));
        }
        else
        {
            memcpy(&v, row + 4 * x, 4);
        }
        return RGB(v >> 16 & 255, v >> 8 & 255, v & 255);
    }

    static void fill_client(HWND hwnd, COLORREF color)
    {
        HDC dc = GetDC(hwnd);
        ASSERT_NE(dc, nullptr);
        RECT r{0, 0, 1000, 1000};
        HBRUSH brush = CreateSolidBrush(color);
        EXPECT_NE(FillRect(dc, &r, brush), 0);
        DeleteObject(brush);
        EXPECT_EQ(ReleaseDC(hwnd, dc), 1);
    }
};

const COLORREF kRedRef = RGB(255, 0, 0);
const COLORREF kBlueRef = RGB(0, 0, 255);

TEST_F(WindowDc, ScreenDcCoversTheWholeScreen)
{
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    os::host::Screen& s = os::host::screen();
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), s.width);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), s.height);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), s.bpp);
    EXPECT_EQ(SetPixel(dc, s.width - 1, s.height - 1, kRedRef), kRedRef);
    EXPECT_EQ(at(s.width - 1, s.height - 1), kRedRef);
    EXPECT_EQ(GetPixel(dc, s.width, 0), CLR_INVALID);
    EXPECT_EQ(WindowFromDC(dc), nullptr);
    ReleaseDC(nullptr, dc);
}

TEST_F(WindowDc, DrawsAtTheClientOriginAndLeavesChildrenAlone)
{
    HWND parent = make(WS_POPUP | WS_VISIBLE, 10, 20, 100, 80);
    HWND child = make(WS_CHILD | WS_VISIBLE, 5, 6, 30, 20, parent);
    RECT pc{}, cc{};
    ASSERT_TRUE(os::user::client_rect_on_screen(parent, &pc));
    ASSERT_TRUE(os::user::client_rect_on_screen(child, &cc));
    fill_client(child, kBlueRef);
    fill_client(parent, kRedRef);
    struct Probe
    {
        int x, y;
        COLORREF want;
        const char* what;
    } probes[] = {
        {pc.left, pc.top, kRedRef, "parent's first pixel"},
        {pc.right - 1, pc.bottom - 1, kRedRef, "parent's last pixel"},
        {pc.left - 1, pc.top, 0, "left of the parent"},
        {pc.right, pc.top, 0, "right of the parent"},
        {pc.left, pc.bottom, 0, "below the parent"},
        {cc.left, cc.top, kBlueRef, "child's first pixel"},
        {cc.right - 1, cc.bottom - 1, kBlueRef, "child's last pixel"},
        {cc.right, cc.top, kRedRef, "just right of the child"},
        {cc.left, cc.bottom, kRedRef, "just below the child"},
    };
    for (const Probe& p : probes)
    {
        EXPECT_EQ(at(p.x, p.y), p.want) << p.what << " (" << p.x << "," << p.y << "): expected " << hex(p.want)
                                        << ", got " << hex(at(p.x, p.y));
    }
    HDC dc = GetDC(parent);
    EXPECT_EQ(GetPixel(dc, cc.left - pc.left, cc.top - pc.top), CLR_INVALID) << "the child is not the parent's";
    EXPECT_EQ(GetPixel(dc, 0, 0), kRedRef);
    EXPECT_EQ(WindowFromDC(dc), parent);
    ReleaseDC(parent, dc);
    DestroyWindow(parent);
}

TEST_F(WindowDc, BlitsOfAWholePictureKeepTheChildVisible)
{
    HWND parent = make(WS_POPUP | WS_VISIBLE, 0, 0, 60, 40);
    HWND child = make(WS_CHILD | WS_VISIBLE, 10, 10, 20, 10, parent);
    fill_client(child, kBlueRef);
    DibDc picture(Dib::Rgb565, 60, 40);
    picture.fill_raw(0xF800);
    for (int frame = 0; frame < 3; ++frame)
    {
        HDC dc = GetDC(parent);
        ASSERT_TRUE(BitBlt(dc, 0, 0, 60, 40, picture.dc, 0, 0, SRCCOPY));
        ReleaseDC(parent, dc);
    }
    RECT cc{};
    os::user::client_rect_on_screen(child, &cc);
    EXPECT_EQ(at(cc.left + 3, cc.top + 3), kBlueRef);
    EXPECT_EQ(at(cc.left - 1, cc.top), kRedRef);
    ShowWindow(child, SW_HIDE);
    HDC dc = GetDC(parent);
    BitBlt(dc, 0, 0, 60, 40, picture.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(at(cc.left + 3, cc.top + 3), kRedRef) << "a hidden child no longer clips";
    ReleaseDC(parent, dc);
    DestroyWindow(parent);
}

TEST_F(WindowDc, AHigherWindowCoversALowerOne)
{
    HWND lower = make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    HWND upper = make(WS_POPUP | WS_VISIBLE, 20, 20, 50, 50);
    SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    fill_client(upper, kBlueRef);
    fill_client(lower, kRedRef);
    EXPECT_EQ(at(10, 10), kRedRef);
    EXPECT_EQ(at(30, 30), kBlueRef) << "the overlap belongs to the upper window";
    EXPECT_EQ(at(60, 60), kBlueRef);
    DestroyWindow(upper);
    DestroyWindow(lower);
}

TEST_F(WindowDc, WindowDcStartsAtTheWindowCorner)
{
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 12, 14, 10, 10);
    RECT place{};
    ASSERT_TRUE(os::user::window_rect_on_screen(hwnd, &place));
    HDC dc = GetWindowDC(hwnd);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetPixel(dc, 0, 0, kRedRef), kRedRef);
    EXPECT_EQ(at(place.left, place.top), kRedRef);
    EXPECT_EQ(GetPixel(dc, place.right - place.left, 0), CLR_INVALID) << "nothing outside the window";
    EXPECT_EQ(ReleaseDC(hwnd, dc), 1);
    DestroyWindow(hwnd);
}

TEST_F(WindowDc, FollowsTheWindowWhenItMoves)
{
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    HDC dc = GetDC(hwnd);
    MoveWindow(hwnd, 40, 50, 10, 10, FALSE);
    RECT r{0, 0, 10, 10};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(at(40, 50), RGB(255, 255, 255)) << "drawn at the new place";
    EXPECT_EQ(at(49, 59), RGB(255, 255, 255)) << "drawn at the new place";
    EXPECT_EQ(at(5, 5), RGB(0, 0, 0)) << "not at the old place";
    ReleaseDC(hwnd, dc);
    DestroyWindow(hwnd);
}

TEST_F(WindowDc, ADestroyedWindowsDcDrawsNothing)
{
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    HDC dc = GetDC(hwnd);
    DestroyWindow(hwnd);
    RECT r{0, 0, 10, 10};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(at(2, 2), RGB(0, 0, 0));
    EXPECT_EQ(ReleaseDC(hwnd, dc), 1);
}

TEST_F(WindowDc, RefusesUnknownWindows)
{
    HWND hwnd = make(WS_POPUP, 0, 0, 10, 10);
    DestroyWindow(hwnd);
    for (HDC (*get)(HWND) : {GetDC, GetWindowDC})
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(get(hwnd), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    }
}

TEST_F(WindowDc, BeginPaintClipsToTheUpdateRectangle)
{
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 0, 0, 40, 40);
    RECT dirty{5, 6, 15, 16};
    InvalidateRect(hwnd, &dirty, TRUE);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ps.hdc, dc);
    EXPECT_EQ(ps.rcPaint.left, 5);
    EXPECT_EQ(ps.rcPaint.top, 6);
    EXPECT_EQ(ps.rcPaint.right, 15);
    EXPECT_EQ(ps.rcPaint.bottom, 16);
    ASSERT_EQ(g_erase_dcs.size(), 1u) << "WM_ERASEBKGND is sent once";
    EXPECT_EQ(g_erase_dcs[0], reinterpret_cast<WPARAM>(dc)) << "with the paint DC";
    EXPECT_FALSE(ps.fErase) << "the window erased";
    RECT all{0, 0, 40, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(EndPaint(hwnd, &ps));
    EXPECT_EQ(at(5, 6), RGB(255, 255, 255)) << "inside the update rectangle";
    EXPECT_EQ(at(14, 15), RGB(255, 255, 255)) << "inside the update rectangle";
    EXPECT_EQ(at(15, 15), RGB(0, 0, 0)) << "right of the update rectangle";
    EXPECT_EQ(at(4, 6), RGB(0, 0, 0)) << "left of the update rectangle";
    EXPECT_EQ(GetObjectType(dc), 0u) << "EndPaint releases the DC";
    DestroyWindow(hwnd);
}

TEST_F(WindowDc, BeginPaintReportsWhetherTheBackgroundStillNeedsErasing)
{
    struct Case
    {
        BOOL erase;
        LRESULT answer;
        size_t sent;
        BOOL f_erase;
    } cases[] = {{TRUE, 1, 1, FALSE}, {TRUE, 0, 1, TRUE}, {FALSE, 1, 0, FALSE}};
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
    for (const Case& c : cases)
    {
        g_erase_dcs.clear();
        g_erase_answer = c.answer;
        InvalidateRect(hwnd, nullptr, c.erase);
        PAINTSTRUCT ps{};
        ASSERT_NE(BeginPaint(hwnd, &ps), nullptr);
        EXPECT_EQ(g_erase_dcs.size(), c.sent) << "erase " << c.erase << " answer " << c.answer;
        EXPECT_EQ(ps.fErase, c.f_erase) << "erase " << c.erase << " answer " << c.answer;
        EndPaint(hwnd, &ps);
    }
    DestroyWindow(hwnd);
}

TEST_F(WindowDc, BeginPaintWithNothingInvalidDrawsNothing)
{
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(ps.rcPaint.left == ps.rcPaint.right || ps.rcPaint.top == ps.rcPaint.bottom) << "an empty rcPaint";
    EXPECT_TRUE(g_erase_dcs.empty());
    RECT all{0, 0, 20, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(at(3, 3), RGB(0, 0, 0));
    EndPaint(hwnd, &ps);
    DestroyWindow(hwnd);
}

TEST_F(WindowDc, BeginPaintRefusesBadArguments)
{
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(BeginPaint(hwnd, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    DestroyWindow(hwnd);
    PAINTSTRUCT ps{};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(BeginPaint(hwnd, &ps), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowDcDepth, A32BitScreenTakes565PicturesAndGivesThemBack)
{
    os::host::set_default_screen(240, 320, 32);
    if (os::host::screen().bpp != 32)
    {
        GTEST_SKIP() << "the screen of this process was made before the test";
    }
    DibDc picture(Dib::Rgb565, 3, 1);
    const uint32_t pixels[] = {0xF800, 0x07E0, 0x8410};
    for (int x = 0; x < 3; ++x)
    {
        picture.set_raw(x, 0, pixels[x]);
    }
    HDC screen = GetDC(nullptr);
    ASSERT_TRUE(BitBlt(screen, 7, 9, 3, 1, picture.dc, 0, 0, SRCCOPY));
    const uint32_t* row = reinterpret_cast<const uint32_t*>(os::host::screen().pixels + 9 * os::host::screen().pitch);
    const uint32_t shown[] = {0xFF0000, 0x00FF00, 0x848284};
    for (int x = 0; x < 3; ++x)
    {
        EXPECT_EQ(row[7 + x], shown[x]) << "x " << x << ": expected " << hex(shown[x]) << ", got " << hex(row[7 + x]);
    }
    DibDc back(Dib::Rgb565, 3, 1);
    ASSERT_TRUE(BitBlt(back.dc, 0, 0, 3, 1, screen, 7, 9, SRCCOPY));
    for (int x = 0; x < 3; ++x)
    {
        EXPECT_EQ(back.raw(x, 0), pixels[x]) << "x " << x << " read back from the screen";
    }
    ReleaseDC(nullptr, screen);
}

// Records the areas the GDI asks the back end to show.
class PresentRecorder : public os::host::Backend
{
public:
    const char* name() const override { return "recorder"; }
    uint64_t now_ms() override { return 0; }
    void sleep_ms(uint32_t) override {}
    void present(const RECT* area) override { areas.push_back(area ? *area : RECT{-1, -1, -1, -1}); }
    bool poll_event(os::host::Event&) override { return false; }
    bool wait_event(os::host::Event&, uint32_t) override { return false; }
    void wake() override {}
    int message_box(const std::u16string&, const std::u16string&, UINT) override { return 1; }
    void text_input(bool) override {}
    void set_cursor(int) override {}
    bool audio_start(int, os::host::AudioFill, void*) override { return false; }
    void audio_stop() override {}

    std::vector<RECT> areas;
};

TEST_F(WindowDc, TellsTheBackEndWhichAreaChangedOncePerCall)
{
    HWND hwnd = make(WS_POPUP | WS_VISIBLE, 30, 40, 50, 50);
    PresentRecorder recorder;
    os::host::set_backend(&recorder);
    HDC dc = GetDC(hwnd);
    RECT r{2, 3, 12, 8};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const POINT line[] = {{0, 0}, {10, 0}, {10, 10}};
    Polyline(dc, line, 3);
    DibDc memory(Dib::Rgb565, 4, 4);
    FillRect(memory.dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT outside{100, 100, 120, 120};
    FillRect(dc, &outside, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(hwnd, dc);
    os::host::set_backend(nullptr);
    ASSERT_EQ(recorder.areas.size(), 2u) << "one present per drawing call on the window, none for memory "
                                            "DCs or for drawing that was clipped away";
    const RECT want[] = {{32, 43, 42, 48}, {30, 40, 41, 50}};
    for (size_t i = 0; i < 2; ++i)
    {
        const RECT& got = recorder.areas[i];
        EXPECT_TRUE(got.left == want[i].left && got.top == want[i].top && got.right == want[i].right &&
                    got.bottom == want[i].bottom)
            << "present " << i << ": expected (" << want[i].left << "," << want[i].top << ")-(" << want[i].right
            << "," << want[i].bottom << "), got (" << got.left << "," << got.top << ")-(" << got.right << ","
            << got.bottom << ")";
    }
    DestroyWindow(hwnd);
}

} // namespace
