// raster3d_bench.cpp -- the 3D triangle filler: textured, lit, depth-tested
// triangles, small and large, into 16- and 32-bit surfaces (pixels per
// second), under this build's profile and the racing build's, beside a
// memcpy of the colour and depth bytes such a triangle writes, so the
// ratios are read from one run
#include "engine/scene/tests/raster_fixture.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/light.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The area in pixels of the triangle of side `side` drawn below.
double triangleArea(int side)
{
    return std::abs(double(side) * side - double(side / 3) * (side / 4)) * 0.5;
}

// range(0): bits per pixel; range(1): triangle side in pixels; range(2):
// detail level (2 textured and lit, 1 plain texture, 5 every term); range(3):
// 1 for the racing build's profile, 2 and 3 the same two through fog (every
// pixel in its band, where the racing build divides per pixel).
void texturedLitTriangle(benchmark::State& state)
{
    initMathTables();
    const int bits = int(state.range(0)), side = int(state.range(1));
    Texture* texture = rastertest::makeTexture(64, 64, bits, [](int x, int y) { return uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | 0x40; });
    Light light(Vector3(0.3f, -0.4f, 1.0f), 0xFFFFFF, 0xFFFFFF, 320, 120);
    PtrVector lights;
    lights.add(&light);
    ShadeTable shades(&lights, 0x202020, bits);
    TexturedMaterial material;
    material.texture = texture;
    material.detailLevel = int(state.range(2));
    if (material.detailLevel == 5)
    {
        material.color2 = 0x101010;
        material.texturePercent = 200;
        material.transparency = 40;
    }
    rastertest::TriangleSurface scene(240, 320, bits, &material, &shades);
    const bool racing = (state.range(3) & 1) != 0, fogged = (state.range(3) & 2) != 0;
    if (racing)
    {
        scene.rasterizer.profile = RasterProfile::racing();
        scene.rasterizer.beginFrame(&shades, scene.depth.data(), &scene.temps, false);
    }
    Fog fog(0, 0xFFFF, 0x8090A0);
    if (fogged)
        scene.rasterizer.loadFog(&fog);
    state.SetLabel(std::string(racing ? "racing" : "engine") + (fogged ? " fog" : ""));
    const int x0 = 10, y0 = 10;
    scene.triangle({x0, y0, 0xFFFF0000u, 0, 0, 20, 40}, {x0 + side, y0 + side / 3, 0xFFFF0000u, 8 << 16, 2 << 16, 200, 90},
                   {x0 + side / 4, y0 + side, 0xFFFF0000u, 1 << 16, 8 << 16, 120, 230});
    const Face& face = *scene.mesh.face(0);
    uint32_t depth = 0xFFFE0000u;
    for (auto _ : state)
    {
        // Each pass is nearer than the last, so every pixel passes the test.
        for (int i = 0; i < 3; ++i)
            scene.mesh.vertex(i)->depth = int32_t(depth);
        // (One step a pass in fog: the depths stay inside its band.)
        depth -= fogged ? 1 : 0x100;
        scene.rasterizer.drawTriangle(face);
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"] = benchmark::Counter(triangleArea(side) * double(state.iterations()), benchmark::Counter::kIsRate);
    delete texture;
}

// The reference: a memcpy of the colour and depth bytes of the same number
// of pixels. range(0): bits per pixel; range(1): triangle side.
void copyReference(benchmark::State& state)
{
    const int bytesPerPixel = int(state.range(0)) / 8 + 4;
    const size_t bytes = size_t(triangleArea(int(state.range(1)))) * size_t(bytesPerPixel);
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"] = benchmark::Counter(triangleArea(int(state.range(1))) * double(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(texturedLitTriangle)->ArgsProduct({{16, 32}, {12, 200}, {2}, {0, 1}});
BENCHMARK(texturedLitTriangle)->ArgsProduct({{16, 32}, {200}, {1, 5}, {0, 1}});
BENCHMARK(texturedLitTriangle)->ArgsProduct({{16, 32}, {200}, {2}, {2, 3}});
BENCHMARK(copyReference)->ArgsProduct({{16, 32}, {12, 200}});

BENCHMARK_MAIN();
