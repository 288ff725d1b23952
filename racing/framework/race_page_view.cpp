// race_page_view.cpp -- what the race page draws besides its template's
// scenes (the sky behind the 3D scene is the render target's listener):
// over everything the HUD line, and on the period step the frame rate and
// the exercise label
#include "racing/framework/race_page.h"

#include "racing/framework/racing_app.h"
#include "racing/framework/restart_command.h"

#include "racing/engine/sprite.h"

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

// The frame rate and [DEMO], drawn by the period step into the frame that
// closes the measuring window.
void RacePage::drawFrameRate(HDC dc)
{
    if (!dc)
        return;
    auto text = [&](int x, int y, const char* s) {
        const std::u16string wide = toU16(s);
        ExtTextOutW(dc, x, y, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
    };
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, hudFont ? static_cast<HGDIOBJ>(hudFont) : GetStockObject(SYSTEM_FONT));
    SetTextColor(dc, RGB(255, 255, 255));
    if (showFrameRate)
    {
        frameRateSum += frameTimer.fpsExact;
        ++frameRateCount;
        char rate[32];
        std::snprintf(rate, sizeof rate, "%2.1f", double(frameTimer.fpsExact));
        text(28, 2, rate);
    }
    if (app->exercise)
        text(getClientWidth() - 56, 4, "[DEMO]");
    SelectObject(dc, oldFont);
    if (wrongWaySprite)
        wrongWaySprite->visible = raceTrack.wrongWay ? 1 : 0;
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
    SelectObject(dc, oldFont);
}

} // namespace racing
