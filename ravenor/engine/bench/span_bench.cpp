// span_bench.cpp -- the span routines over whole frames, pixels per second per draw mode
//
// FrameCopy, a memcpy of the 32-bit frame, runs beside them as the
// reference: pixels per second of each against that of the copy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/lighting.h"
#include "ravenor/engine/render/span_fill.h"

namespace {

TexImage MakeTexture(uint32_t mode)
{
    TexImage t;
    t.width = 64;
    t.height = 64;
    t.drawMode = mode;
    t.uMask = 63u << 16;
    t.vMask = 63u * 64u << 16;
    t.store.resize(64 * 64);
    for (uint32_t k = 0; k < t.store.size(); ++k)
        t.store[k] = static_cast<uint16_t>((k * 2654435761u) >> 16) | 1;
    t.pixels = t.store.data();
    return t;
}

// Every iteration draws a whole frame a little nearer than the last, so
// the depth test always passes.
template <typename DrawRow>
void FullFrames(benchmark::State& state, DrawRow drawRow)
{
    InitLighting(-3500, 10);
    ClearFrame();
    int32_t depth = 30000;
    for (auto _ : state)
    {
        if (--depth < 100)
        {
            depth = 30000;
            ClearFrame();
        }
        for (int32_t row = 0; row < kFrameHeight; ++row)
            drawRow(row, depth << 16);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameCells);
}

// Arguments: draw mode, fog on. With fog every pixel lies inside the fog
// band (the fog start follows the frame's depth), so each is faded.
void Affine(benchmark::State& state)
{
    const TexImage tex = MakeTexture(static_cast<uint32_t>(state.range(0)));
    const bool fog = state.range(1) != 0;
    if (fog)
        SetSpanFog(-3500, 10);
    else
        ClearSpanFog();
    FullFrames(state, [&tex, fog](int32_t row, int32_t d) {
        if (fog && row == 0)
            g_spanFog.start = d - (700 << 16);
        DrawSpanAffine(0, row << 16, 200 << 16, (row + 50) << 22, 0, 176 << 16, row, d, d + (200 << 16), tex);
    });
}

// Argument: draw mode
void Perspective(benchmark::State& state)
{
    const TexImage tex = MakeTexture(static_cast<uint32_t>(state.range(0)));
    FullFrames(state, [&tex](int32_t row, int32_t d) {
        const PerspectiveEnd a{2621 << 8, 0, row << 12};
        const PerspectiveEnd b{655 << 8, 512 * 655, (row + 40) << 12};
        DrawSpanPerspective(a, b, 0, 176 << 16, row, d, d, tex);
    });
}

// Argument: draw mode (0 grey from the shade, others blend the colour)
void Flat(benchmark::State& state)
{
    const uint32_t mode = static_cast<uint32_t>(state.range(0));
    FullFrames(state, [mode](int32_t row, int32_t d) {
        DrawSpanFlat(0, 1023 << 16, 0, 176 << 16, row, d, d, 0x8410, mode);
    });
}

// The reference: the frame copied, one cell a pixel.
void FrameCopy(benchmark::State& state)
{
    std::vector<uint32_t> copy(kFrameCells);
    for (auto _ : state)
    {
        std::memcpy(copy.data(), g_frame, sizeof g_frame);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameCells);
}

} // namespace

BENCHMARK(FrameCopy);
BENCHMARK(Affine)->ArgNames({"mode", "fog"})->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Args({2, 0})->Args({3, 0})->Args({4, 0});
BENCHMARK(Perspective)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(Flat)->ArgName("mode")->Arg(0)->Arg(2);

BENCHMARK_MAIN();
