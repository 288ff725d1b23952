// pixel_bench.cpp -- the back-buffer routines on a 240 x 320 picture in 16 and 32 bits
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;

void fill(Image& image)
{
    for (int y = 0; y < image.height; y += 8)
        image.drawRect(uint32_t(y * 0x010203), 0, y, image.width, 8, true);
}

bool screenDepth(const benchmark::State& state)
{
    return state.range(0) == 16;
}

void copyImage(benchmark::State& state)
{
    Image source(kWidth, kHeight, screenDepth(state)), target(kWidth, kHeight, screenDepth(state));
    fill(source);
    for (auto _ : state)
    {
        target.drawImage(source, 0, 0);
        benchmark::ClobberMemory();
    }
}

void copyKeyed(benchmark::State& state)
{
    Image source(kWidth, kHeight, screenDepth(state)), target(kWidth, kHeight, screenDepth(state));
    fill(source);
    for (auto _ : state)
    {
        target.drawImage(source, 0, 0, -1, -1, -1, -1, 0x102030);
        benchmark::ClobberMemory();
    }
}

void scaledCopy(benchmark::State& state)
{
    Image source(kWidth, kHeight, screenDepth(state)), target(kWidth, kHeight, screenDepth(state));
    fill(source);
    for (auto _ : state)
    {
        target.drawScaled(source, 0, 0, kWidth, kHeight, 0, 0, kWidth / 2, kHeight / 2);
        benchmark::ClobberMemory();
    }
}

void rotate(benchmark::State& state)
{
    Image source(kHeight, kWidth, screenDepth(state)), target(kWidth, kHeight, screenDepth(state));
    fill(source);
    for (auto _ : state)
    {
        target.copyRotated(source, true);
        benchmark::ClobberMemory();
    }
}

void clear(benchmark::State& state)
{
    Image target(kWidth, kHeight, screenDepth(state));
    for (auto _ : state)
    {
        target.drawRect(0x336699, -1, -1, -1, -1, true);
        benchmark::ClobberMemory();
    }
}

void blendFilter(benchmark::State& state)
{
    Image image(kWidth, kHeight, screenDepth(state));
    fill(image);
    ColorBlendFilter fade(0x000000, 1);
    fade.setImage(&image);
    for (auto _ : state)
    {
        fade.apply(256);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(copyImage)->Arg(16)->Arg(32);
BENCHMARK(copyKeyed)->Arg(16)->Arg(32);
BENCHMARK(scaledCopy)->Arg(16)->Arg(32);
BENCHMARK(rotate)->Arg(16)->Arg(32);
BENCHMARK(clear)->Arg(16)->Arg(32);
BENCHMARK(blendFilter)->Arg(16)->Arg(32);

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
