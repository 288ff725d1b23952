// race_page_view.cpp -- what the race page draws besides its template's
// scenes (the sky behind the 3D scene is the render target's listener):
// over everything the HUD line, the frame rate and the exercise label
#include "racing/framework/race_page.h"

#include "racing/framework/racing_app.h"
#include "racing/framework/restart_command.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"

#include <os/windows.h>

#include <cstdio>

namespace racing {

void RacePage::renderScenes()
{
    if (!isPrepared)
    {
        if (Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr)
            surface->drawRect(0, 0, 0, surface->width, surface->height, true);
        return;
    }
    drawScenes();
}

// The frame rate and [DEMO] a line under the HUD line, every frame (drawn
// only on the period step they would flash for one frame).
void RacePage::drawFrameRate(HDC dc)
{
    auto text = [&](int x, int y, const char* s) {
        const std::u16string wide = toU16(s);
        SetTextColor(dc, RGB(255, 255, 255));
        ExtTextOutW(dc, x, y, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
    };
    if (showFrameRate)
    {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%2.1f", double(frameRateShown));
        text(28, 2 + hudFontHeight, rate);
    }
    if (app->exercise)
        text(getClientWidth() - 56, 4 + hudFontHeight, "[DEMO]");
}

void RacePage::drawHud(HDC dc)
{
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, hudFont ? static_cast<HGDIOBJ>(hudFont) : GetStockObject(SYSTEM_FONT));
    if (running && player)
    {
        // Black one pixel down and right, yellow over it.
        const std::u16string line = toU16(hudLine());
        SetTextColor(dc, RGB(0, 0, 0));
        ExtTextOutW(dc, 5, 2, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
        SetTextColor(dc, RGB(255, 255, 0));
        ExtTextOutW(dc, 4, 1, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
    }
    drawFrameRate(dc);
    SelectObject(dc, oldFont);
}

} // namespace racing
