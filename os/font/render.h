// render.h -- placing glyph coverage for a run of text
//
// Text drawing walks a run once and hands each glyph's coverage, at its
// top-left pixel, to a sink: the DC blender draws it into a surface, and
// Coverage collects it in an 8-bit picture (tests, and measuring ink).
#pragma once

#include "os/font/face.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>

namespace os::font {

using GlyphSink = std::function<void(int left, int top, const Glyph& glyph)>;

// Walk a run whose first pen position is x on the given baseline; answers
// the run's advance width.
int place_run(Face& face, std::u16string_view text, int x, int baseline, int tab_width, const GlyphSink& sink);

// An 8-bit coverage picture; overlapping glyphs keep the larger coverage.
struct Coverage
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> data;

    Coverage(int w, int h) : width(w), height(h), data((size_t)w * h, 0) {}
    uint8_t at(int x, int y) const { return data[(size_t)y * width + x]; }
    void add(int left, int top, const Glyph& glyph);
};

// Visit every covered pixel of a glyph placed at (left, top) that falls
// inside clip: fn(x, y, coverage 1..255). The cut is worked out in 64 bits:
// a glyph placed near either end of the int range (text far off the
// surface) must fall outside the clip, not wrap round into it.
template <class Fn>
void for_each_covered(const Glyph& g, int left, int top, const RECT& clip, Fn&& fn)
{
    const int64_t y0 = std::max<int64_t>(0, int64_t(clip.top) - top);
    const int64_t y1 = std::min<int64_t>(g.height, int64_t(clip.bottom) - top);
    const int64_t x0 = std::max<int64_t>(0, int64_t(clip.left) - left);
    const int64_t x1 = std::min<int64_t>(g.width, int64_t(clip.right) - left);
    for (int64_t y = y0; y < y1; ++y)
    {
        const uint8_t* row = g.coverage.data() + y * g.width;
        for (int64_t x = x0; x < x1; ++x)
            if (row[x])
                fn(int(left + x), int(top + y), row[x]);
    }
}

} // namespace os::font
