// race_drawing.cpp -- the sky panorama of the race pages
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

void drawSkyPanorama(Image* surface, const Image* sky, const Matrix4& view, float skyAltitude, uint32_t background)
{
    const int tw = surface->width, th = surface->height;
    if (!sky || sky->width <= 0)
    {
        surface->drawRect(background, 0, 0, tw, th, true);
        return;
    }
    Vector3 d(view.m[8], view.m[9], view.m[10]);
    d.normalize();
    float f = skyHeading(d.x, d.z);
    int x = int(float(sky->width) * f) % sky->width;
    float q = 3.5f * d.y;
    int y = int((skyAltitude - 65.0f) + float(sky->height) * q);
    int top = std::min(y, 0);
    if (top + sky->height < th)
        surface->drawRect(background, 0, top + sky->height, tw, th - (top + sky->height), true);
    // The visible part is copied by its source rectangle: an image placed
    // more than a screen width to the left of the target is not drawn at all.
    const int srcY = -top, rows = sky->height + top;
    for (int dx = 0, sx = x; rows > 0 && dx < tw; sx = 0)
    {
        int columns = std::min(sky->width - sx, tw - dx);
        surface->drawImage(*sky, dx, 0, sx, srcY, columns, rows);
        dx += columns;
    }
}

} // namespace racing
