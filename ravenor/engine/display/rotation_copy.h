// rotation_copy.h -- copying a turned picture into the screen's surface
//
// The game draws into its own surface (w x h); the screen's surface is the
// same picture turned by k quarter turns. Screen pixel (X, Y) takes:
//   k = 1: own (Y, h - 1 - X)    k = 2: own (w - 1 - X, h - 1 - Y)
//   k = 3: own (w - 1 - Y, X)    k = 0: own (X, Y)
// The work goes in 16 x 16 blocks, either column by column of blocks (the
// order that suits a copy racing the display's beam) or row by row. A
// rectangle is clipped to both surfaces first, so blocks at the edges may be
// partial and nothing outside either surface is touched.
#pragma once

#include <os/types.h>

#include "ravenor/engine/display/surface.h"

enum class BlockOrder
{
    Columns,
    Rows,
};

// Two builds of the block copy give the same pixels: one pixel at a time,
// or destination rows two pixels per 32-bit word (for the XScale, whose
// memory bus prefers whole words). The processor kind chooses one once.
enum class BlockBuild
{
    General,
    WordPairs,
};
BlockBuild BlockBuildFor(int32_t processorKind);

// rect is in screen (destination) coordinates.
void RotateCopy(Surface& screen, const Surface& own, const RECT& rect, int32_t turn, BlockOrder order,
                BlockBuild build = BlockBuild::General);
