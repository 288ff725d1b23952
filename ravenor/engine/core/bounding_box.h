// bounding_box.h -- the box around a mesh: eight corners, centre and screen extent
//
// The loaders fill the corners and the centre (Set); the polygon renderer adds
// the screen rectangle, nearest depth and the all-corners flag when it tests
// the box for visibility.
#pragma once

#include <cstdint>

#include "ravenor/engine/core/fixed_math.h"

struct BoundingBox
{
    // (min x, min y, min z), (max x, min y, min z), (min x, min y, max z),
    // (max x, min y, max z), then the same four with max y
    int16_t corners[8][3];
    int16_t centre[3];   // (min + max) >> 1
    int16_t left, top, right, bottom;
    int16_t nearest;
    int16_t allCornersProjected;

    void Set(const Vector4s& lo, const Vector4s& hi);
};
