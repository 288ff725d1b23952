// race_view.cpp -- what the race page draws: the sky panorama, the visible
// stretch of road and walls, the bikes (with the framework's race drawing),
// the start lights and the HUD line.
#include "racing/moravel/race_canvas.h"

#include "racing/moravel/racing_app.h"

#include "engine/base/matrix4.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/core/texture.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>

namespace moravel {

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
    drawSky(surface);
    drawWorld(surface);
    drawHud(surface);
}

void RaceCanvas::drawWorld(Image* surface)
{
    drawer.begin(camera, surface->width, surface->height);
    // The road and the walls of the visible segments.
    const int n = track.segmentCount;
    int first = 0, count = 0;
    racing::visibleSegments(window, n, first, count);
    for (int k = 0; k < count; ++k)
        drawer.addFaces(*trackMesh, trackGroup->matrix, 10 * ((first + k) % n), 10);
    for (int k = 0; k < count; ++k)
        drawer.addFaces(*wallMesh, trackGroup->matrix, 8 * (n - 1 - (first + k) % n), 8);
    // The bikes in sight, each over its shadow.
    for (DrawnBike* bike : racers)
        if (bike->visible && bike->model)
            drawer.addShadow(bike->motion.position, bike->motion.direction, bike->length * 0.6f, bike->width * 0.9f,
                             bike->groundHeight + 0.18f, &shadowMaterial);
    for (DrawnBike* bike : racers)
        if (bike->visible && bike->model)
            drawer.addModel(*bike->model);
    drawer.draw(surface);
}

void RaceCanvas::drawSky(Image* surface)
{
    racing::drawSkyPanorama(surface, skyTexture ? skyTexture->image : nullptr, camera.getViewMatrix(), skyAltitude,
                            backgroundColour);
}

void RaceCanvas::drawHud(Image* surface)
{
    if (lightShown > 0 && lightShown < 4 && trafficLights[lightShown] && trafficLights[lightShown]->image)
    {
        const Image* light = trafficLights[lightShown]->image;
        surface->drawImage(*light, surface->width - 8 - light->width, 8);
    }
    HDC dc = surface->dc;
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    auto text = [&](int x, int y, COLORREF colour, const std::string& s) {
        std::u16string wide = racing::toU16(s);
        SetTextColor(dc, colour);
        ExtTextOutW(dc, x, y, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
    };
    if (running)
    {
        std::string line = hudText(laps.lapFigure(), app->raceTime, player->motion.speed);
        text(5, 2, RGB(0, 0, 0), line);
        text(4, 1, RGB(255, 255, 0), line);
    }
    if (showFrameRate)
    {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%2.1f", double(frameTimer.fpsExact));
        text(28, 16, RGB(255, 255, 255), rate);
    }
    if (app->exercise)
        text(surface->width - 56, 20, RGB(255, 255, 255), "[DEMO]");
    if (raceTrack.wrongWay && running)
        text(surface->width / 2 - 40, surface->height / 2, RGB(255, 40, 40), "WRONG WAY");
    if (running)
    {
        surface->drawRect(0x780000, surface->width - 40, surface->height - 20, 40, 20, true);
        text(surface->width - 34, surface->height - 18, RGB(255, 255, 255), "EXIT");
    }
}

} // namespace moravel
