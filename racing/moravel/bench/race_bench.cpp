// race_bench.cpp -- one race frame of Vasko-Moravel on a 240 x 320 page:
// the player and two rivals moved, the 3D scene drawn by the racing
// renderer (sky, road and walls of the visible window, bikes, shadows,
// puffs, banners and boards), the sprites, the track map and the HUD line;
// beside the reference: one frame's bytes copied.
#include "racing/moravel/race_canvas.h"
#include "racing/moravel/racing_app.h"

#include "racing/engine/base_library.h"

#include "engine/base/resource_files.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "os/testing/program_run.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 240, kHeight = 320;

struct Race
{
    moravel::RacingApp app{u"Vasko-Moravel bench"};
    moravel::RaceCanvas* page = nullptr;

    Race()
    {
        // The packs as the program mounts them beside itself; no restart.
        addResourcePack(u"scenes.zip", u"\\Program Files\\Vasko-Moravel\\resources\\scenes");
        moravel::RacingApp::restartHook = [](const std::u16string&) {};
        app.create(0, 0, kWidth, kHeight);
        app.mode = 0;
        app.exercise = true; // the player rides on autopilot too
        page = new moravel::RaceCanvas(&app, u"\\Program Files\\Vasko-Moravel\\resources\\");
        app.racePage = page;
        app.addChild(page, 0, 0, kWidth, kHeight);
        ok = page->prepareRace({u"SBPaint_Blue", u"SBPaint_Red", u"SBPaint_Yellow"}, {u"Oval"}, 0, 0, u"Bench:");
        page->running = true;
        page->raceTrack.running = true;
        page->setCameraPreset(0);
        page->laps.lapsLeft = 1 << 20; // the race never ends here
        // Under way: a few seconds of riding first.
        for (int i = 0; i < 150; ++i)
            page->update(1.0f / 30.0f);
    }
    bool ok = false;
};

void raceFrame(benchmark::State& state)
{
    static Race race;
    if (!race.ok)
    {
        state.SkipWithError("the race could not be set up (is the device tree built?)");
        return;
    }
    for (auto _ : state)
    {
        race.page->update(1.0f / 30.0f);
        race.page->renderScenes();
        race.page->afterFrame(1.0f / 30.0f);
        benchmark::ClobberMemory();
    }
}

// The reference: the bytes of one 16-bit frame copied.
void frameCopy(benchmark::State& state)
{
    std::vector<uint8_t> from(size_t(kWidth * kHeight * 2), 1), to(from.size());
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(from.size()));
}

BENCHMARK(frameCopy);
BENCHMARK(raceFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    setenv("OS_DEVICE_ROOT", os::testing::built_device_root().c_str(), 0);
    setenv("OS_SCREEN", "240x320x16", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
