// fill2d_bench.cpp -- textured quads per second into a 240 x 320 surface
#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/core/texture.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A turned 64 x 64 quad of a 32 x 32 checker texture, drawn over and over
// across the surface; range(0) is the depth, range(1) the detail level.
void fillQuads(benchmark::State& state)
{
    int bits = int(state.range(0));
    Image surface(1, 1, false);
    surface.create(240, 320, bits);
    auto* image = new Image(1, 1, false);
    image->create(32, 32, bits);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image->drawRect((x / 4 + y / 4) % 2 ? 0xFFFF00 : 0x2040C0, x, y, 1, 1, true);
    Texture texture(u"checker", &image, 1, true, false);
    TexturedMaterial material;
    material.texture = &texture;
    material.detailLevel = int(state.range(1));
    material.transparency = material.detailLevel > 1 ? 64 : 0;
    RasterContext context(&surface, 0, 0, 240, 320);
    context.setMaterial(&material);
    int i = 0;
    for (auto _ : state)
    {
        float a = float(i) * 0.1f, c = std::cos(a) * 32.0f, s = std::sin(a) * 32.0f;
        int cx = 40 + (i * 37) % 160, cy = 40 + (i * 53) % 240;
        QuadPoint quad[4] = {{cx + int(-c + s), cy + int(-s - c), 0, 0},
                             {cx + int(c + s), cy + int(s - c), 32 << 16, 0},
                             {cx + int(c - s), cy + int(s + c), 32 << 16, 32 << 16},
                             {cx + int(-c - s), cy + int(-s + c), 0, 32 << 16}};
        context.fillQuad(quad);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(fillQuads)->Args({16, 1})->Args({32, 1})->Args({16, 2})->Args({32, 2});
BENCHMARK_MAIN();
