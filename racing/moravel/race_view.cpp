// race_view.cpp -- what the race page draws besides its template's scenes:
// over everything the HUD line, the frame rate and the exercise label
#include "racing/moravel/race_canvas.h"

#include "racing/moravel/racing_app.h"

#include "racing/engine/base_library.h"
#include "racing/framework/restart_command.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/core/texture.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace moravel {

void RaceCanvas::renderScenes()
{
    if (!isPrepared)
    {
        if (Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr)
            surface->drawRect(0, 0, 0, surface->width, surface->height, true);
        return;
    }
    drawScenes();
}

void RaceCanvas::drawFrameRate(HDC dc)
{
    auto text = [&](int x, int y, const char* s) {
        std::u16string wide = racing::toU16(s);
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

void RaceCanvas::drawHud(HDC dc)
{
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, hudFont ? static_cast<HGDIOBJ>(hudFont) : GetStockObject(SYSTEM_FONT));
    if (running)
    {
        const std::u16string line =
            racing::toU16(hudText(laps.lapFigure(), app->raceTime, player ? player->motion.speed : 0.0f));
        SetTextColor(dc, RGB(0, 0, 0));
        ExtTextOutW(dc, 5, 2, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
        SetTextColor(dc, RGB(255, 255, 0));
        ExtTextOutW(dc, 4, 1, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
    }
    drawFrameRate(dc);
    SelectObject(dc, oldFont);
}

} // namespace moravel
