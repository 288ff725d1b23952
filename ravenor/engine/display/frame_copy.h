// frame_copy.h -- plain copies of a rectangle between two RGB565 surfaces
//
// The rectangle is clipped to both surfaces, so a rectangle that was widened
// (rounded to even or to blocks) never reads or writes past either one.
#pragma once

#include <os/types.h>

#include "ravenor/engine/display/surface.h"

// Row by row: (right - left) pixels of each row from top to bottom - 1.
void CopyRect(Surface& destination, const Surface& source, const RECT& rect);

// Whole rows top..bottom - 1: one block when both pitches agree, else row by row.
void CopyRows(Surface& destination, const Surface& source, int32_t top, int32_t bottom);
