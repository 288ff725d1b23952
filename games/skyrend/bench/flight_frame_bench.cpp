// flight_frame_bench.cpp -- one whole flight frame (the aircraft, missiles,
// smoke and effects stepped; the scene, target boxes, HUD, score and damage
// bar drawn into the 240 x 320 window's back buffer) beside a copy of one
// 240 x 320 frame of the same depth, so the ratio is read in one run. The
// flight is the demo exercise from the built device tree: the player and
// three enemies, every enemy and the player with a missile in flight, an
// explosion and smoke going.
#include "games/skyrend/game_canvas.h"

#include "games/skyrend/flight/aircraft.h"

#include "engine/base/math_utils.h"
#include "engine/base/resource_files.h"
#include "engine/platform/image.h"
#include "engine/platform/window.h"
#include "os/testing/program_run.h"

#include <os/windows.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using namespace skyrend;

namespace {

struct FlightWorld
{
    Window* app = nullptr;
    GameCanvas* canvas = nullptr;

    FlightWorld()
    {
        initMathTables();
        os_srand(3);
        app = new Window(u"bench", nullptr, false);
        app->create(0, 0, 240, 320);
        canvas = new GameCanvas(u"\\Program Files\\Vasko-Skyrend\\resources\\");
        app->addChild(canvas, 0, 0, 240, 320);
        GameCanvas::Mission m;
        m.planes = {u"plane_swift mk2", u"plane_tern"};
        m.scene = u"scene_red_canyon";
        if (!canvas->buildMission(m))
            return;
        arm();
    }
    ~FlightWorld()
    {
        canvas->release();
        app->destroy();
        delete app;
    }
    // Everyone has a missile in flight at the one in front, a smoke trail
    // and an explosion going.
    void arm()
    {
        Aircraft* player = canvas->player();
        player->setView(5);
        std::vector<Aircraft*> all = {player};
        for (Aircraft* e : canvas->enemies())
            all.push_back(e);
        for (size_t i = 0; i < all.size(); ++i)
        {
            Aircraft* a = all[i];
            a->place(float(i) * 60.0f - 90.0f, 400.0f + float(i) * 10.0f, float(i) * 120.0f, 0.0f, 800.0f);
            for (auto& row : a->stations)
                for (Missile* m : row)
                    m->reset();
            a->damage = 80; // smoking
            Missile* m = a->stations[0][0];
            m->update(0.0f);
            m->target = &all[(i + 1) % all.size()]->flight;
            a->launchMissile(m);
        }
        if (!canvas->explosions.empty())
            canvas->explosions.front()->start(&canvas->enemies().front()->flight.orientation);
    }
    bool ready() const { return canvas->player() != nullptr; }
};

void flightFrame(benchmark::State& state)
{
    FlightWorld world;
    if (!world.ready())
    {
        state.SkipWithError("the flight could not be built from the device tree");
        return;
    }
    int frames = 0;
    for (auto _ : state)
    {
        world.canvas->update(0.05f);
        world.canvas->paint(true);
        if (++frames % 200 == 0) // missiles and effects kept in flight
            world.arm();
    }
}
BENCHMARK(flightFrame)->Unit(benchmark::kMicrosecond);

void frameCopy(benchmark::State& state)
{
    const int bytes = 240 * 320 * (Image::getScreenDepth() / 8);
    std::vector<uint8_t> from(size_t(bytes), 0x5A);
    std::vector<uint8_t> to(size_t(bytes), 0);
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), size_t(bytes));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(frameCopy)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // A device tree of its own holding the built resources.
    char pattern[] = "/tmp/skyrend-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
        return 1;
    const fs::path tree(dir);
    fs::create_directories(tree / "Program Files");
    fs::create_directories(tree / "My Documents");
    fs::copy(fs::path(os::testing::built_device_root()) / "Program Files" / "Vasko-Skyrend",
             tree / "Program Files" / "Vasko-Skyrend", fs::copy_options::recursive);
    setenv("OS_DEVICE_ROOT", dir, 1);
    setenv("OS_BACKEND", "headless", 0);
    setTempFolder(u"\\Temp\\bench\\");
    addResourcePack(u"scenes.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\scenes");
    addResourcePack(u"aircraft.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\aircraft");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeResourcePacks();
    std::error_code ignored;
    fs::remove_all(tree, ignored);
    return 0;
}
