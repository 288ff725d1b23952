// triangle_fill.h -- the triangle fillers: edges walked row by row into spans
//
// A filler gets the corners ordered top, middle, bottom by screen y with
// their texture coordinates (sixteenths of a texel). Rows run from the top y
// up to, not including, the bottom y, clipped to 0..219 (a pointed top row
// holds a span of no width; a flat top edge is drawn, so that faces sharing
// a horizontal edge leave no empty row between them); the long edge (top to bottom)
// pairs with top-to-middle above the middle row and with middle-to-bottom
// from it on. An edge at row y has advanced (y - its upper corner's y) steps.
#pragma once

#include <cstdint>

#include "ravenor/engine/data/models.h"
#include "ravenor/engine/data/textures.h"

struct FillCorner
{
    const P3dVertex* vertex;
    int32_t u;
    int32_t v;
};

using TriangleFiller = void (*)(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                                const TexImage& tex);

// Textured, u, v and depth linear on the screen (draw modes 4 and 8)
void FillTriangleAffine(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                        const TexImage& tex);
// Textured, perspective-correct (mode 3). Corners at depth 4096 or more lie
// outside the reciprocal table: such a triangle is filled affine.
void FillTrianglePerspective(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                             const TexImage& tex);
// Untextured: grey from the shade, or the texture's colour blended (mode 9)
void FillTriangleFlat(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                      const TexImage& tex);
// Draws nothing (mode 10)
void FillTriangleNone(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                      const TexImage& tex);
