// city_bench.cpp -- whole frames of the demo city: cells, occlusion, renderer, rasteriser and present
//
// Each frame is drawn and then presented as the game does it: packed into
// the display's 16-bit surface and cleared in one pass, then blitted to the
// (headless) screen by the GDI driver. FrameCopy, a memcpy of the 32-bit
// frame, runs beside it as the reference. The far distance runs at the
// game's default and at twice and four times that, so cost against the
// amount of city drawn can be read.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "../tests/city_fixture.h"
#include "../tests/window_fixture.h"
#include "ravenor/engine/display/display.h"

namespace {

using city_fixture::Camera;

bool LoadOnce(benchmark::State& state)
{
    static bool loaded = false;
    static std::string error;
    if (!loaded && error.empty() && !city_fixture::LoadDemoCity(error) && error.empty())
        error = "demo city not loaded";
    loaded = error.empty();
    if (!loaded)
        state.SkipWithError(error.c_str());
    return loaded;
}

// The game's display on a window of the headless screen (GDI driver).
Display* GameDisplay()
{
    static std::unique_ptr<Display> display;
    if (!display)
    {
        DisplayParams params{0, 0, 0, kSwapDiscard};
        display = Display::Create(MakeGameWindow(), params);
    }
    return display.get();
}

// Arguments: camera position along the street at x = 0, the turn, the far
// distance (the game's default is -3500) and 1 to present the frame.
void CityFrame(benchmark::State& state)
{
    static MatrixStack stack;
    if (!LoadOnce(state))
        return;
    const int32_t farDistance = static_cast<int32_t>(state.range(2));
    const bool present = state.range(3) != 0;
    city_fixture::SetUpRenderer(stack, farDistance, 10);
    if (present)
    {
        Display* display = GameDisplay();
        if (!display)
        {
            state.SkipWithError("no display");
            return;
        }
        SetFrameDisplay(display);
    }
    const Camera camera{0, 80, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1))};
    ClearFrame();
    for (auto _ : state)
    {
        // PresentFrame leaves the frame cleared for the next one.
        city_fixture::DrawCityFrame(camera, !present);
        if (present)
            PresentFrame(0);
        benchmark::ClobberMemory();
    }
    SetFrameDisplay(nullptr);
    state.SetItemsProcessed(state.iterations());
}

// The reference: one copy of the 32-bit frame.
void FrameCopy(benchmark::State& state)
{
    std::vector<uint32_t> copy(kFrameCells);
    for (auto _ : state)
    {
        std::memcpy(copy.data(), g_frame, sizeof g_frame);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{sizeof g_frame});
}

} // namespace

BENCHMARK(FrameCopy);
BENCHMARK(CityFrame)->ArgNames({"z", "yaw", "far", "present"})
    ->Args({3300, 0, -3500, 0})->Args({0, 1536, -3500, 0})->Args({0, 256, -3500, 0})
    ->Args({3300, 0, -3500, 1})->Args({0, 1536, -3500, 1})->Args({0, 256, -3500, 1})
    ->Args({3300, 0, -7000, 1})->Args({0, 1536, -7000, 1})->Args({0, 256, -7000, 1})
    ->Args({3300, 0, -14000, 1})->Args({0, 1536, -14000, 1})->Args({0, 256, -14000, 1});

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
