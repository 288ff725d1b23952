// Tests of the loading bar: its place and filled width on a 176-pixel page,
// the brightening bands, the outline, the caption kept inside the bar.
#include "racing/framework/progress_bar.h"

#include "engine/platform/window.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <os/windows.h>

namespace racing {
namespace {

constexpr uint32_t kMarker = 0x2040C0; // the screen before the bar

uint32_t screenAt(int x, int y)
{
    os::host::Screen& s = os::host::screen();
    const uint8_t* row = s.pixels + size_t(y) * size_t(s.pitch);
    if (s.bpp == 16)
        return os::host::rgb565_to_rgb(reinterpret_cast<const uint16_t*>(row)[x]);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
}

uint32_t shown(uint32_t rgb)
{
    return os::host::screen().bpp == 16 ? os::host::shown_in_rgb565(rgb) : rgb;
}

struct BarPage
{
    ::Window window{u"bar", nullptr, false};

    BarPage()
    {
        window.create(0, 0, 176, 234);
        HDC dc = window.getWindowDC();
        RECT all{0, 0, 176, 234};
        HBRUSH marker = CreateSolidBrush(RGB(kMarker >> 16, kMarker >> 8 & 255, kMarker & 255));
        FillRect(dc, &all, marker);
        DeleteObject(marker);
    }
    ~BarPage() { window.destroy(); }
};

// On a 176 x 234 page the bar is 152 wide at x 12, y 109.
TEST(ProgressBar, FilledWidthBandsAndOutline)
{
    progressBarColor = 0x009600;
    const int x0 = 12, y0 = 109, barWidth = 152;
    struct Case
    {
        int percent, filled;
    };
    for (Case c : {Case{0, 0}, Case{50, 72}, Case{100, 152}, Case{150, 152}, Case{-5, 0}})
    {
        SCOPED_TRACE(c.percent);
        BarPage page;
        drawProgressBar(page.window, nullptr, c.percent);
        ASSERT_EQ(page.window.getClientWidth(), 176);
        // Rows of the filled part from the top: c0, c1 from row 1, c2 from
        // row 3, c3 rows 5 to 7, back to c0 below row 11.
        const struct
        {
            int row;
            uint32_t colour;
        } bands[] = {{1, 0x1CB21C}, {2, 0x1CB21C}, {4, 0x38CE38}, {6, 0x54EA54}, {9, 0x38CE38}, {12, 0x009600},
                     {14, 0x009600}};
        for (const auto& band : bands)
        {
            if (c.filled > 2)
            {
                EXPECT_EQ(screenAt(x0 + 2, y0 + band.row), shown(band.colour)) << "row " << band.row;
            }
            if (c.filled > 0)
            {
                EXPECT_EQ(screenAt(x0 + c.filled - 3, y0 + band.row), shown(band.colour)) << "row " << band.row;
            }
            if (c.filled < barWidth)
            {
                EXPECT_EQ(screenAt(x0 + c.filled + 2, y0 + band.row), 0u) << "unfilled, row " << band.row;
            }
        }
        // The white outline, right and bottom edges exclusive, and nothing
        // drawn outside it.
        EXPECT_EQ(screenAt(x0, y0 + 6), 0xFFFFFFu);
        EXPECT_EQ(screenAt(x0 + barWidth - 1, y0 + 6), 0xFFFFFFu);
        EXPECT_EQ(screenAt(x0 + 40, y0), 0xFFFFFFu);
        EXPECT_EQ(screenAt(x0 + 40, y0 + 15), 0xFFFFFFu);
        EXPECT_EQ(screenAt(x0 - 1, y0 + 6), shown(kMarker));
        EXPECT_EQ(screenAt(x0 + barWidth, y0 + 6), shown(kMarker));
        EXPECT_EQ(screenAt(x0 + 40, y0 - 1), shown(kMarker));
        EXPECT_EQ(screenAt(x0 + 40, y0 + 16), shown(kMarker));
    }
    progressBarColor = 0x808080;
}

// The caption: white text with a black shadow, inside the bar only, even
// when it is longer than the bar.
TEST(ProgressBar, CaptionStaysInsideTheBar)
{
    BarPage page;
    drawProgressBar(page.window, u"Building the track: WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 0);
    const int x0 = 12, y0 = 109;
    int white = 0, outside = 0;
    for (int y = 0; y < 234; ++y)
        for (int x = 0; x < 176; ++x)
        {
            const bool inBar = x >= x0 && x < x0 + 152 && y >= y0 && y < y0 + 16;
            const uint32_t p = screenAt(x, y);
            if (inBar && x > x0 && x < x0 + 151 && y > y0 && y < y0 + 15 && p == 0xFFFFFFu)
                ++white;
            if (!inBar && p != shown(kMarker))
                ++outside;
        }
    EXPECT_GT(white, 40);
    EXPECT_EQ(outside, 0);
    // The right end of the clip: nothing white in the last five columns
    // inside the outline.
    for (int y = y0 + 1; y < y0 + 15; ++y)
        for (int x = x0 + 152 - 5; x < x0 + 151; ++x)
            EXPECT_NE(screenAt(x, y), 0xFFFFFFu) << x << "," << y;
}

} // namespace
} // namespace racing
