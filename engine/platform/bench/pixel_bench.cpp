// pixel_bench.cpp -- the back-buffer routines on a 240 x 320 picture in 16 and 32 bits
//
// memcpyReference copies the bytes of one picture; every routine reports
// the bytes it writes, so its bytes per second against the reference's
// gives the ratio to a plain copy from one run.
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

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

int64_t pictureBytes(const benchmark::State& state)
{
    return int64_t{kWidth} * kHeight * (screenDepth(state) ? 2 : 4);
}

// The reference: the bytes of one picture copied.
void memcpyReference(benchmark::State& state)
{
    std::vector<uint8_t> from(size_t(pictureBytes(state)), 1), to(from.size());
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * pictureBytes(state));
}

// Arguments: depth, fade amount (256 is the full fade)
void blendFilter(benchmark::State& state)
{
    Image image(kWidth, kHeight, screenDepth(state));
    fill(image);
    ColorBlendFilter fade(0x203040, int(state.range(1)));
    fade.setImage(&image);
    for (auto _ : state)
    {
        fade.apply(256);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * pictureBytes(state));
}

// Arguments: depth, orientation (0 portrait, 1 and 2 turned), kind (0 one
// to one, 1 zoomed by 3/4, 2 doubled onto a raw 480 x 640 panel). The
// picture is as wide as the screen is in that orientation.
void gapiPresent(benchmark::State& state)
{
    const int orientation = int(state.range(1));
    const int kind = int(state.range(2));
    const int bytes = screenDepth(state) ? 2 : 4;
    const bool turned = orientation != 0;
    Image picture(turned ? kHeight : kWidth, turned ? kWidth : kHeight, screenDepth(state));
    fill(picture);
    const int scale = kind == 2 ? 2 : 1;
    const int width = kWidth * scale, height = kHeight * scale;
    std::vector<uint8_t> screen(size_t(width) * height * size_t(bytes));
    GapiDisplay::FrameBuffer layout{width, height, bytes, width * bytes, bytes * 8, 0};
    GapiDisplay::useFrameBuffer(layout, screen.data(), kind == 2);
    const int zoom = kind == 1 ? 192 : 256;
    for (auto _ : state)
    {
        GapiDisplay::present(picture, 0, 0, nullptr, zoom, orientation);
        benchmark::ClobberMemory();
    }
    GapiDisplay::useFrameBuffer({}, nullptr, false);
    state.SetBytesProcessed(state.iterations() * int64_t(screen.size()));
}

} // namespace

BENCHMARK(copyImage)->Arg(16)->Arg(32);
BENCHMARK(copyKeyed)->Arg(16)->Arg(32);
BENCHMARK(scaledCopy)->Arg(16)->Arg(32);
BENCHMARK(rotate)->Arg(16)->Arg(32);
BENCHMARK(clear)->Arg(16)->Arg(32);
BENCHMARK(memcpyReference)->Arg(16)->Arg(32);
BENCHMARK(blendFilter)->ArgNames({"bits", "amount"})->ArgsProduct({{16, 32}, {1, 128, 256}});
BENCHMARK(gapiPresent)->ArgNames({"bits", "turn", "kind"})->ArgsProduct({{16, 32}, {0, 1, 2}, {0, 1, 2}});

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
