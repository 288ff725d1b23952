// span_fill.h -- one row of a triangle into the frame buffer
//
// Every span depth-tests each pixel (the 16.16 depth against the whole
// 32-bit cell), then writes by the texture's draw mode: opaque, colour key
// (texel 0 skipped), half blend, keyed half blend, additive with key. Blends
// change the colour half only. Columns run from the start x rounded down up
// to, not including, the end x rounded down, clipped to 0..175.
#pragma once

#include <cstdint>

#include "ravenor/engine/data/textures.h"

// Fog of the textured affine spans: pixels deeper than the start fade to
// black over A0 = 2^shift depth units.
struct SpanFog
{
    int32_t start = INT32_MAX;   // 16.16 depth
    int32_t factor = 1024;       // A0
    int32_t shift = 10;          // b
};
extern SpanFog g_spanFog;

// Spans run eight cells at a time where the processor can (AVX2), else
// four (SSE2); both draw the same pixels. UseWideSpans(false) keeps to four
// (tests draw both ways); it answers the setting it replaced.
bool UseWideSpans(bool on);

// Fog start (-(2^shift) - far - 300) << 16 for a far distance (negative)
void SetSpanFog(int32_t farDistance, int32_t shift);
// No fog at all
void ClearSpanFog();

// The colour a pixel of a texture's draw mode leaves over an old colour.
// BlendHalf averages the RGB565 fields, BlendAdd adds them with
// saturation. BlendCoarse is the perspective span's blend: the sum of texel
// and old on the masks 0x3800, 0x0700 and 0x00E0 plus the old low 5 bits,
// halved.
uint16_t BlendHalf(uint16_t texel, uint16_t old);
uint16_t BlendAdd(uint16_t texel, uint16_t old);
uint16_t BlendCoarse(uint16_t texel, uint16_t old);
uint16_t FogTexel(uint16_t texel, int32_t depth);

// u, v and depth are 16.16 at both ends (v counts texels of the row-major
// pixel array); xs and xe 16.16 columns.
void DrawSpanAffine(int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t xs, int32_t xe, int32_t row,
                    int32_t d0, int32_t d1, const TexImage& tex);

// W, U, V are the perspective forms of 1 / depth, u / depth and v / depth.
// Modes 0 and 1 as the affine span (without fog); modes 2, 3 and 4 (3 and
// 4 without texel 0) write BlendCoarse into the colour half.
struct PerspectiveEnd
{
    int32_t w;
    int32_t u;
    int32_t v;
};
void DrawSpanPerspective(const PerspectiveEnd& a, const PerspectiveEnd& b, int32_t xs, int32_t xe, int32_t row,
                         int32_t d0, int32_t d1, const TexImage& tex);

// Shade in 16.16 at both ends. Draw mode 0 writes a grey from the shade,
// others blend the colour half by half with the cell.
void DrawSpanFlat(int32_t s0, int32_t s1, int32_t xs, int32_t xe, int32_t row, int32_t d0, int32_t d1,
                  uint16_t colour, uint32_t drawMode);
