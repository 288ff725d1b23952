// race_view.cpp -- what the car race page draws: the sky panorama, the
// visible stretch of road with its banners and boards, the vehicles over
// their shadows, the start lights, the HUD line, the track map strip and
// the exit box
#include "racing/tundrel/race_canvas.h"

#include "racing/tundrel/racing_app.h"

#include "racing/engine/model3d.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/texture.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdio>

namespace tundrel {

void RaceCanvas::renderScenes()
{
    Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
    if (!surface)
        return;
    if (!isPrepared)
    {
        surface->drawRect(0, 0, 0, surface->width, surface->height, true);
        return;
    }
    racing::drawSkyPanorama(surface, skyTexture ? skyTexture->image : nullptr, camera.getViewMatrix(), skyAltitude,
                            backgroundColour);
    drawWorld(surface);
    drawHud(surface);
    if (trackMap)
        trackMap->draw(surface->dc);
}

void RaceCanvas::drawWorld(Image* surface)
{
    drawer.begin(camera, surface->width, surface->height);
    const int n = track.segmentCount;
    int first = 0, count = 0;
    racing::visibleSegments(window, n, first, count);
    for (int k = 0; k < count; ++k)
        drawer.addFaces(*trackMesh, trackGroup->matrix, 14 * ((first + k) % n), 14);
    for (auto* list : {&banners, &billboards})
        for (const Board& board : *list)
            if (window.contains(board.segment))
                drawer.addModel(*board.model);
    for (Vehicle* v : racers)
        if (v->visible && v->model)
            drawer.addShadow(v->motion.position, v->motion.direction, v->length * 0.55f, v->width * 0.6f,
                             v->groundHeight + 0.12f, &shadowMaterial);
    for (Vehicle* v : racers)
        if (v->visible && v->model)
        {
            drawer.addModel(*v->model);
            for (const auto& chip : v->puffChips)
                if (chip->visible)
                    drawer.addModel(*chip);
        }
    drawer.draw(surface);
}

void RaceCanvas::drawHud(Image* surface)
{
    const int lightShown = start.lightShown;
    if (lightShown > 0 && lightShown < 4 && trafficLights[lightShown] && trafficLights[lightShown]->image)
    {
        const Image* light = trafficLights[lightShown]->image;
        surface->drawImage(*light, surface->width / 2 - light->width / 2, 24);
    }
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
    if (raceTrack.wrongWay && running)
        text(surface->width / 2 - 40, surface->height / 2, RGB(255, 40, 40), "WRONG WAY");
    if (running)
    {
        surface->drawRect(0x780000, surface->width - 40, surface->height - 20, 40, 20, true);
        text(surface->width - 34, surface->height - 18, RGB(255, 255, 255), "EXIT");
    }
    SelectObject(dc, oldFont);
}

} // namespace tundrel
