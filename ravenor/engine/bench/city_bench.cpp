// city_bench.cpp -- whole frames of the demo city: cells, occlusion, renderer and rasteriser
#include <benchmark/benchmark.h>

#include <cstdio>

#include "../tests/city_fixture.h"

namespace {

using city_fixture::Camera;

// Arguments: camera position along the street at x = 0 and the turn.
void CityFrame(benchmark::State& state)
{
    static bool loaded = false;
    static MatrixStack stack;
    if (!loaded)
    {
        std::string error;
        if (!city_fixture::LoadDemoCity(error))
        {
            state.SkipWithError(error.c_str());
            return;
        }
        loaded = true;
    }
    // The game's default detail: far distance -3500, fog shift 10
    city_fixture::SetUpRenderer(stack, -3500, 10);
    const Camera camera{0, 80, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1))};
    for (auto _ : state)
    {
        city_fixture::DrawCityFrame(camera);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(CityFrame)->ArgNames({"z", "yaw"})->Args({3300, 0})->Args({0, 1536})->Args({0, 256});

BENCHMARK_MAIN();
