// race_drawing.cpp -- the sky panorama of the race pages, labels clear of
// what they would cover
#include "racing/framework/race_drawing.h"

#include "racing/engine/camera.h"
#include "racing/framework/race_rules.h"

#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include <algorithm>
#include <cmath>

namespace racing {

void addHazeBand(Image* sky, uint32_t background, uint32_t haze)
{
    if (!sky || sky->height <= 10)
        return;
    sky->drawRect(background, 0, sky->height - 5, sky->width, 5, true);
    for (int k = 0; k < 10; ++k)
    {
        int row = sky->height - 10 + k;
        for (int x = 0; x < sky->width; ++x)
        {
            uint32_t pixel = sky->toPixel(blendRGB(haze, sky->colorAt(x, row), 255 - 50 * std::abs(5 - k)));
            uint8_t* at = sky->getPixelAddress(x, row);
            if (sky->bytesPerPixel == 2)
                *reinterpret_cast<uint16_t*>(at) = uint16_t(pixel);
            else
                *reinterpret_cast<uint32_t*>(at) = pixel;
        }
    }
}

float skyHeading(float dx, float dz)
{
    const float pi = 3.1415927f;
    // A normalised direction may overshoot 1 by rounding: asin would be NaN.
    float s = std::asin(std::clamp(dx, -1.0f, 1.0f));
    float h = dz > 0.0f ? (s < 0.0f ? s + 2.0f * pi : s) : pi - s;
    return h * (1.0f / (2.0f * pi));
}

namespace {

// The part of the picture at (x, y) that lies on the surface: an image
// placed more than a screen width to the left of the target is not drawn at
// all by the image copy.
void copyOnSurface(Image* surface, const Image& picture, int x, int y)
{
    const int sx = std::max(0, -x), sy = std::max(0, -y);
    const int columns = std::min(picture.width - sx, surface->width - std::max(x, 0));
    const int rows = std::min(picture.height - sy, surface->height - std::max(y, 0));
    if (columns > 0 && rows > 0)
        surface->drawImage(picture, std::max(x, 0), std::max(y, 0), sx, sy, columns, rows);
}

void fillArea(Image* surface, uint32_t colour, int left, int top, int right, int bottom)
{
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::min(right, surface->width), bottom = std::min(bottom, surface->height);
    if (right > left && bottom > top)
        surface->drawRect(colour, left, top, right - left, bottom - top, true);
}

} // namespace

void drawSkyPanorama(Image* surface, const Image* sky, const Matrix4& view, float skyAltitude, uint32_t background,
                     const SkyPlacement& placement)
{
    const int tw = surface->width, th = surface->height;
    if (!sky || sky->width <= 0 || sky->height <= 0)
    {
        surface->drawRect(background, 0, 0, tw, th, true);
        return;
    }
    Vector3 d(view.m[8], view.m[9], view.m[10]);
    d.normalize();
    const float f = skyHeading(d.x, d.z);
    const float q = 3.5f * d.y;
    const int w = sky->width, h = sky->height;
    // The altitude term and the pitch in pixels of the page.
    auto offset = [&](int along) {
        return int(((skyAltitude - 65.0f) * placement.zoom + float(along) * q) * placement.screenScale);
    };
    if (placement.orientation == 1)
    {
        // Turned: the heading runs down the picture's long side.
        const int y = int(float(h) * f) % h;
        const int left = std::min(offset(w), 0);
        fillArea(surface, background, left + w, 0, tw, th);
        copyOnSurface(surface, *sky, left, y - h);
        if (y < th)
            copyOnSurface(surface, *sky, left, y);
        return;
    }
    if (placement.orientation == 2)
    {
        const int y = int((1.0f - f) * float(h)) % h;
        const int e = tw - offset(w);
        const int left = std::max(e, tw) - w;
        fillArea(surface, background, 0, 0, left, th);
        copyOnSurface(surface, *sky, left, y - h);
        if (y < th)
            copyOnSurface(surface, *sky, left, y);
        return;
    }
    const int x = int(float(w) * f) % w;
    const int top = std::min(offset(h), 0);
    fillArea(surface, background, 0, top + h, tw, th);
    copyOnSurface(surface, *sky, -x, top);
    if (tw + x > w)
        copyOnSurface(surface, *sky, w - x, top);
}

int clearTop(RECT label, const std::vector<RECT>& areas)
{
    // Each move goes below one area, so there are at most as many moves.
    for (size_t moves = 0; moves <= areas.size(); ++moves)
    {
        const RECT* met = nullptr;
        for (const RECT& a : areas)
            if (label.left < a.right && a.left < label.right && label.top < a.bottom && a.top < label.bottom &&
                (!met || a.bottom > met->bottom))
                met = &a;
        if (!met)
            break;
        label.bottom += met->bottom - label.top;
        label.top = met->bottom;
    }
    return label.top;
}

} // namespace racing
