// race_page_view.cpp -- what the race page draws besides its template's
// scenes (the sky behind the 3D scene is the render target's listener):
// over everything the HUD line, the frame rate and the exercise label
#include "racing/framework/race_page.h"

#include "racing/framework/race_drawing.h"
#include "racing/framework/racing_app.h"
#include "racing/framework/restart_command.h"

#include "racing/engine/sprite.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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

// The frame rate (when shown: the figure of the last measuring window) and
// [DEMO] in an exercise, white, on every frame: at (28, 2) and (width - 56,
// 4) unless they would cover the HUD line or a button (EXIT), then below
// them. Drawn only on the period step, they showed for one frame in two
// seconds, over the HUD line and EXIT.
void RacePage::drawFrameRate(HDC dc)
{
    const bool rate = showFrameRate && frameRateShown >= 0.0f;
    if (!dc || (!rate && !app->exercise))
        return;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, hudFont ? static_cast<HGDIOBJ>(hudFont) : GetStockObject(SYSTEM_FONT));
    SetTextColor(dc, RGB(255, 255, 255));
    SIZE cell{};
    GetTextExtentPoint32W(dc, u"0", 1, &cell);
    // The HUD line with its shadow (its rows kept clear before the race
    // runs too, so that the labels stand still), and the buttons.
    std::vector<RECT> covered = buttonAreas();
    covered.push_back(RECT{0, 0, getClientWidth(), hudTop + 1 + cell.cy});
    auto text = [&](int x, int y, const std::string& s) {
        const std::u16string wide = toU16(s);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), int(wide.size()), &size);
        const int top = clearTop(RECT{x, y, x + size.cx, y + size.cy}, covered);
        ExtTextOutW(dc, x, top, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
    };
    if (rate)
    {
        char figure[32];
        std::snprintf(figure, sizeof figure, "%2.1f", double(frameRateShown));
        text(28, 2, figure);
    }
    if (app->exercise)
        text(getClientWidth() - 56, 4, "[DEMO]");
    SelectObject(dc, oldFont);
}

std::vector<RECT> RacePage::buttonAreas() const
{
    std::vector<RECT> areas;
    if (orientation == 0 && guiScene && guiScene->visible)
        for (const auto& sprite : guiScene->children)
            if (sprite->visible && sprite->guiType == 1)
            {
                const int x = guiScene->x + sprite->x, y = guiScene->y + sprite->y;
                areas.push_back(RECT{x, y, x + sprite->width, y + sprite->height});
            }
    return areas;
}

// The HUD line at (4, 1), black one pixel down and right, yellow over it;
// a line that would run under a button (the car game's "(cruise)" under
// EXIT, where each covered the other's letters) stands below the buttons
// instead, from then on for the race.
void RacePage::drawHud(HDC dc)
{
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, hudFont ? static_cast<HGDIOBJ>(hudFont) : GetStockObject(SYSTEM_FONT));
    if (running && player)
    {
        const std::u16string line = toU16(hudLine());
        SIZE size{};
        GetTextExtentPoint32W(dc, line.c_str(), int(line.size()), &size);
        hudTop = std::max(hudTop, clearTop(RECT{4, hudTop, 5 + size.cx, hudTop + 1 + size.cy}, buttonAreas()));
        SetTextColor(dc, RGB(0, 0, 0));
        ExtTextOutW(dc, 5, hudTop + 1, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
        SetTextColor(dc, RGB(255, 255, 0));
        ExtTextOutW(dc, 4, hudTop, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
    }
    SelectObject(dc, oldFont);
}

} // namespace racing
