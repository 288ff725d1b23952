// render.cpp -- placing glyph coverage for a run of text
#include "os/font/render.h"

#include "os/font/layout.h"

#include <algorithm>

namespace os::font {

int place_run(Face& face, std::u16string_view text, int x, int baseline, int tab_width, const GlyphSink& sink)
{
    std::lock_guard<std::recursive_mutex> guard(face_lock());
    std::vector<int> xs = run_positions(face, text, tab_width);
    for (size_t i = 0; i < text.size(); ++i)
    {
        const Glyph& g = face.glyph(text[i]);
        if (g.width > 0 && g.height > 0)
            sink(x + xs[i] + g.left, baseline - g.top, g);
    }
    return xs.back();
}

void Coverage::add(int left, int top, const Glyph& glyph)
{
    RECT clip = {0, 0, width, height};
    for_each_covered(glyph, left, top, clip, [&](int x, int y, uint8_t c) {
        uint8_t& d = data[(size_t)y * width + x];
        d = std::max(d, c);
    });
}

} // namespace os::font
