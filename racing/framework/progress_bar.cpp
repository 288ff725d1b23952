// progress_bar.cpp -- the loading bar of the racing games
#include "racing/framework/progress_bar.h"

#include "engine/base/matrix_ops.h"
#include "engine/platform/window.h"

#include <os/windows.h>
#include <os/wstring.h>

#include <algorithm>

namespace racing {

uint32_t progressBarColor = 0x808080;

namespace {

constexpr uint32_t kHighlightStep = 0x1C1C1C; // (28, 28, 28)

COLORREF toColorRef(uint32_t rgb)
{
    return RGB(rgb >> 16 & 255, rgb >> 8 & 255, rgb & 255);
}

} // namespace

void drawProgressBar(::Window& window, const WCHAR* caption, int percent)
{
    HDC dc = window.getWindowDC();
    if (!dc)
        return;
    const int w = window.getClientWidth(), h = window.getClientHeight();
    const int barWidth = std::max(0, (w - 20) & ~7);
    const int x0 = (w - barWidth) / 2, y0 = (h - kProgressBarHeight) / 2;
    const int filled = (barWidth * std::clamp(percent, 0, 100) / 100) & ~7;

    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    PatBlt(dc, x0 + filled, y0, barWidth - filled, kProgressBarHeight, PATCOPY);

    // Four bands, each brighter and narrower, centred on the bar's middle.
    struct Band
    {
        int top, rows;
    };
    const Band bands[4] = {{0, 16}, {1, 11}, {3, 7}, {5, 3}};
    HBRUSH brushes[4] = {};
    uint32_t colour = progressBarColor;
    for (int i = 0; i < 4; ++i)
    {
        if (i > 0)
            colour = addRGBSaturated(colour, kHighlightStep);
        brushes[i] = CreateSolidBrush(toColorRef(colour));
        SelectObject(dc, brushes[i]);
        if (filled > 0)
            PatBlt(dc, x0, y0 + bands[i].top, filled, bands[i].rows, PATCOPY);
    }

    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x0, y0, x0 + barWidth, y0 + kProgressBarHeight);

    if (caption && *caption)
    {
        SetBkMode(dc, TRANSPARENT);
        RECT clip{x0 + 5, y0, x0 + barWidth - 5, y0 + kProgressBarHeight};
        const UINT length = UINT(wcslen(caption));
        SetTextColor(dc, RGB(0, 0, 0));
        ExtTextOutW(dc, x0 + 6, y0 + 1, ETO_CLIPPED, &clip, caption, length, nullptr);
        SetTextColor(dc, RGB(255, 255, 255));
        ExtTextOutW(dc, x0 + 5, y0, ETO_CLIPPED, &clip, caption, length, nullptr);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    for (HBRUSH brush : brushes)
        DeleteObject(brush);
}

} // namespace racing
