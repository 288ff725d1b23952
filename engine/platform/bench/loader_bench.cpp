// loader_bench.cpp -- decoding a 240 x 320 picture from memory into 16 and 32 bits
#include "engine/platform/gif_reader.h"
#include "engine/platform/image.h"

#include "fixture_writers.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;

uint32_t photo(int x, int y)
{
    return uint32_t((x * 7) & 0xFF) << 16 | uint32_t((y * 3) & 0xFF) << 8 | uint32_t((x ^ y) & 0xFF);
}

bool screenDepth(const benchmark::State& state)
{
    return state.range(0) == 16;
}

void loadJpeg(benchmark::State& state)
{
    static const fixtures::Bytes bytes = fixtures::makeJpeg(kWidth, kHeight, photo);
    for (auto _ : state)
    {
        Image image(0, 0, false);
        benchmark::DoNotOptimize(image.decodeJpeg(bytes.data(), bytes.size(), u"bench.jpg", screenDepth(state)));
    }
}

void loadBmp(benchmark::State& state)
{
    static const fixtures::Bytes bytes = fixtures::makeBmp(kWidth, kHeight, photo);
    for (auto _ : state)
    {
        Image image(0, 0, false);
        benchmark::DoNotOptimize(image.decodeBmp(bytes.data(), bytes.size(), u"bench.bmp", screenDepth(state)));
    }
}

void loadGif(benchmark::State& state)
{
    static const fixtures::Bytes bytes = [] {
        std::vector<uint32_t> table;
        for (uint32_t i = 0; i < 256; ++i)
            table.push_back(i * 0x010101);
        fixtures::GifFrame frame;
        frame.width = kWidth;
        frame.height = kHeight;
        std::vector<uint8_t> indices(size_t(kWidth * kHeight));
        for (size_t i = 0; i < indices.size(); ++i)
            indices[i] = uint8_t(photo(int(i % kWidth), int(i / kWidth)));
        frame.lzw = fixtures::GifCodePacker::literals(indices, 8);
        return fixtures::makeGif(kWidth, kHeight, table, {frame});
    }();
    for (auto _ : state)
    {
        Image image(1, 1, false);
        int count = 0;
        Image** none = nullptr;
        readGifBytes(bytes.data(), bytes.size(), u"bench.gif", count, none, true, screenDepth(state), &image);
        benchmark::DoNotOptimize(count);
    }
}

} // namespace

BENCHMARK(loadJpeg)->Arg(16)->Arg(32);
BENCHMARK(loadBmp)->Arg(16)->Arg(32);
BENCHMARK(loadGif)->Arg(16)->Arg(32);

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
