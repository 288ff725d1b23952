// render.h -- placing glyph coverage for a run of text
//
// Text drawing walks a run once and hands each glyph's coverage, at its
// top-left pixel, to a sink: the DC blender draws it into a surface, and
// Coverage collects it in an 8-bit picture (tests, and measuring ink).
#pragma once

#include "os/font/face.h"

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
// inside clip: fn(x, y, coverage 1..255).
template <class Fn>
void for_each_covered(const Glyph& g, int left, int top, const RECT& clip, Fn&& fn)
{
    int y0 = top < clip.top ? clip.top - top : 0;
    int y1 = top + g.height > clip.bottom ? clip.bottom - top : g.height;
    int x0 = left < clip.left ? clip.left - left : 0;
    int x1 = left + g.width > clip.right ? clip.right - left : g.width;
    for (int y = y0; y < y1; ++y)
    {
        const uint8_t* row = g.coverage.data() + (size_t)y * g.width;
        for (int x = x0; x < x1; ++x)
            if (row[x])
                fn(left + x, top + y, row[x]);
    }
}

} // namespace os::font
