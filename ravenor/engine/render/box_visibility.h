// box_visibility.h -- may a mesh's box be seen from the current placement?
//
// IsBoxVisible projects the corners that lie between -32 and the far
// distance - 512, stores the screen rectangle, nearest depth and the
// all-corners flag in the box, and rejects boxes off the screen (a wider
// screen when some corners were not projected). TestBoxOcclusion then
// samples the depth already drawn on two interleaved 10-pixel grids over
// the rectangle: the box may be visible as soon as one sample lies at or
// behind its nearest depth.
#pragma once

#include "ravenor/engine/core/bounding_box.h"

// 1 when the box may be visible; with 'occlusion' the depth samples decide.
int IsBoxVisible(BoundingBox& box, bool occlusion);
int TestBoxOcclusion(const BoundingBox& box);
