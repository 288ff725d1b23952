// race_drawing.h -- the sky panorama of the race pages: its haze band and
// its place turning with the view; where a label over the page stands clear
// of what it would cover
#pragma once

#include "engine/base/matrix4.h"

#include <os/types.h>

#include <cstdint>
#include <vector>

class Image;

namespace racing {

// The sky picture's bottom rows: the last 5 in the background colour, the
// 10 above them blended towards the haze colour (strongest in the middle).
void addHazeBand(Image* sky, uint32_t background, uint32_t haze);

// Sky heading 0..1 of a turn for a view direction (x and z).
float skyHeading(float dx, float dz);

// How the panorama stands on a page: the page's screen scale (template
// lengths to pixels) and zoom, and its orientation (1 and 2: the screen
// turned, the picture turned with it, its long side along the screen's
// height).
struct SkyPlacement
{
    float screenScale = 1.0f;
    float zoom = 1.0f;
    int orientation = 0;
};

// The panorama placed by the view's heading and pitch at the altitude; the
// side below it (the ground's side) takes the background colour, all of the
// surface without a sky.
void drawSkyPanorama(Image* surface, const Image* sky, const Matrix4& view, float skyAltitude, uint32_t background,
                     const SkyPlacement& placement = {});

// The top of a label (rectangle right and bottom exclusive) that stands at
// its place unless it would cover one of the areas: then it moves down
// below that area, as often as it meets another.
int clearTop(RECT label, const std::vector<RECT>& areas);

} // namespace racing
