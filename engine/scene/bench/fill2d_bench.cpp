// fill2d_bench.cpp -- textured quads into a 240 x 320 surface (pixels per
// second), beside a memcpy of the bytes such a quad writes, so the ratio is
// read from one run
#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/core/texture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The quads are turned squares of side 64.
constexpr double kQuadPixels = 64.0 * 64.0;

Texture* checker(int bits, const char16_t* name, uint32_t a, uint32_t b)
{
    auto* image = new Image(1, 1, false);
    image->create(32, 32, bits);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image->drawRect((x / 4 + y / 4) % 2 ? a : b, x, y, 1, 1, true);
    return new Texture(name, &image, 1, true, false);
}

// A turned 64 x 64 quad of a 32 x 32 checker texture, drawn over and over
// across the surface; range(0) is the depth, range(1) the detail level,
// range(2) the mask (0 none, 1 a luminance mask, 2 the texture keyed).
void fillQuads(benchmark::State& state)
{
    int bits = int(state.range(0));
    Image surface(1, 1, false);
    surface.create(240, 320, bits);
    Texture* texture = checker(bits, u"checker", 0xFFFF00, 0x2040C0);
    Texture* mask = checker(bits, u"mask", 0xFFFFFF, 0x808080);
    TexturedMaterial material;
    material.texture = texture;
    material.detailLevel = int(state.range(1));
    material.transparency = material.detailLevel > 1 ? 64 : 0;
    if (state.range(2) == 1)
        material.mask = mask;
    else if (state.range(2) == 2)
    {
        material.mask = texture;
        material.useColorKey = 1;
        material.colorKey = 0x2040C0;
    }
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
    state.counters["pixels/s"] = benchmark::Counter(kQuadPixels * double(state.iterations()), benchmark::Counter::kIsRate);
    delete texture;
    delete mask;
}

// The reference: a memcpy of one quad's pixel bytes; range(0) is the depth.
void copyReference(benchmark::State& state)
{
    const size_t bytes = size_t(kQuadPixels) * size_t(state.range(0) / 8);
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pixels/s"] = benchmark::Counter(kQuadPixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(fillQuads)->ArgsProduct({{16, 32}, {1, 2}, {0}});
BENCHMARK(fillQuads)->ArgsProduct({{16, 32}, {1}, {1, 2}});
BENCHMARK(copyReference)->Arg(16)->Arg(32);
BENCHMARK_MAIN();
