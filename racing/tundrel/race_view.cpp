// race_view.cpp -- what the car race page draws besides its template's
// scenes: over everything the HUD line, the frame rate, the exercise label
#include "racing/tundrel/race_canvas.h"

#include "racing/tundrel/racing_app.h"

#include "racing/engine/base_library.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"

#include <os/windows.h>

#include <cstdio>

namespace tundrel {

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

void RaceCanvas::drawHud(Image* surface)
{
    HDC dc = surface->dc;
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, hudFont ? static_cast<HGDIOBJ>(hudFont) : GetStockObject(SYSTEM_FONT));
    auto text = [&](int x, int y, COLORREF colour, const std::string& s) {
        std::u16string wide = racing::toU16(s);
        SetTextColor(dc, colour);
        ExtTextOutW(dc, x, y, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
    };
    if (running)
    {
        std::string line = hudText(laps.lapFigure(), app->raceTime, player->motion.speed, player->overSpeed != 0);
        text(5, 2, RGB(0, 0, 0), line);
        text(4, 1, RGB(255, 255, 0), line);
    }
    if (showFrameRate)
    {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%2.1f", double(frameTimer.fpsExact));
        text(4, 16, RGB(255, 255, 255), rate);
    }
    if (app->exercise)
        text(4, surface->height - 18, RGB(255, 255, 255), "[DEMO]");
    SelectObject(dc, oldFont);
}

} // namespace tundrel
